// Block fills of the clears: rows of pixels set to one value or to a repeating
// pattern, with aligned 16-byte stores in the middle of each row; on an MMX
// processor the 32-bit fills run the code generator's doubleword-fill routine.

#include <emmintrin.h>
#include <string.h>
#include "fill.h"
#include "codegen/codegen.h"

namespace {

// 48 bytes hold a whole number of periods of every pattern (1, 2, 3, 4, 6,
// 8, 12 or 16 bytes), so three vectors cycle through any of them.
struct Row {
    __m128i v[3];
    GLint vectors;  // 1 when the period divides 16, else 3
};

// The pattern from byte `shift` of its period on.
void makeRow(Row* r, const uint8_t* pattern, GLint period, GLint shift) {
    alignas(16) uint8_t bytes[48];
    for (GLint i = 0; i < 48; i++) bytes[i] = pattern[(i + shift) % period];
    r->vectors = 16 % period ? 3 : 1;
    for (GLint k = 0; k < 3; k++) r->v[k] = _mm_load_si128((const __m128i*)bytes + k);
}

// `blocks` aligned vectors v from q.
inline void storeVectors(__m128i* q, size_t blocks, __m128i v) {
    for (; blocks >= 16; blocks -= 16, q += 16) {
        _mm_store_si128(q, v), _mm_store_si128(q + 1, v), _mm_store_si128(q + 2, v), _mm_store_si128(q + 3, v);
        _mm_store_si128(q + 4, v), _mm_store_si128(q + 5, v), _mm_store_si128(q + 6, v), _mm_store_si128(q + 7, v);
        _mm_store_si128(q + 8, v), _mm_store_si128(q + 9, v), _mm_store_si128(q + 10, v), _mm_store_si128(q + 11, v);
        _mm_store_si128(q + 12, v), _mm_store_si128(q + 13, v), _mm_store_si128(q + 14, v), _mm_store_si128(q + 15, v);
    }
    for (; blocks; blocks--) _mm_store_si128(q++, v);
}

void fillRow(uint8_t* p, size_t bytes, const uint8_t* pattern, GLint period, Row* cache, GLint* cachedShift) {
    const size_t head = (size_t)(-(uintptr_t)p & 15) < bytes ? (size_t)(-(uintptr_t)p & 15) : bytes;
    for (size_t i = 0; i < head; i++) p[i] = pattern[i % (size_t)period];
    p += head, bytes -= head;
    if (bytes == 0) return;
    const GLint shift = (GLint)(head % (size_t)period);
    if (*cachedShift != shift) makeRow(cache, pattern, period, shift), *cachedShift = shift;
    __m128i* q = (__m128i*)p;
    size_t blocks = bytes >> 4;
    if (cache->vectors == 1) {
        storeVectors(q, blocks, cache->v[0]);
    } else {
        const __m128i a = cache->v[0], b = cache->v[1], c = cache->v[2];
        for (; blocks >= 3; blocks -= 3, q += 3) {
            _mm_store_si128(q, a);
            _mm_store_si128(q + 1, b);
            _mm_store_si128(q + 2, c);
        }
        if (blocks) _mm_store_si128(q++, a);
        if (blocks > 1) _mm_store_si128(q++, b);
    }
    // The tail continues the pattern where the vectors stopped.
    const size_t done = bytes & ~(size_t)15, tail = bytes & 15;
    uint8_t* t = p + done;
    for (size_t i = 0; i < tail; i++) t[i] = pattern[(head + done + i) % (size_t)period];
}

}  // namespace

extern "C" void GLPROC __glFillPattern(uint8_t* dst, size_t rowBytes, GLint rows, ptrdiff_t stride,
                                      const uint8_t* const patterns[4], GLint period) {
    if (rowBytes == 0 || rows <= 0 || period <= 0 || 48 % period) return;
    // Rows of whole aligned vectors of a period dividing 16: one vector a row pattern.
    if (!(((uintptr_t)dst | rowBytes | (size_t)stride) & 15) && !(16 % period)) {
        Row row[4];
        for (GLint r = 0; r < 4 && r < rows; r++) makeRow(&row[r], patterns[r], period, 0);
        for (GLint r = 0; r < rows; r++, dst += stride) storeVectors((__m128i*)dst, rowBytes >> 4, row[r & 3].v[0]);
        return;
    }
    Row cache[4];
    GLint shifts[4] = {-1, -1, -1, -1};
    for (GLint r = 0; r < rows; r++, dst += stride)
        fillRow(dst, rowBytes, patterns[r & 3], period, &cache[r & 3], &shifts[r & 3]);
}

static void fillValue(uint8_t* dst, size_t rowBytes, GLint rows, GLint gap, const uint8_t* value, GLint size) {
    const uint8_t* patterns[4] = {value, value, value, value};
    __glFillPattern(dst, rowBytes, rows, (ptrdiff_t)rowBytes + gap, patterns, size);
}

namespace {

// The doubleword-fill routine, built once for the process on an MMX
// processor at the first fill given a context (null without MMX): stores
// EAX ECX times from EDI upwards.
typedef void (*GlFillRoutine)();
GlFillRoutine fillRoutine(GlContext* gc) {
    static GlFillRoutine routine;
    static bool built;
    if (!built && gc) {
        built = true;
        uint8_t* code = __glHasMMX() ? __glOgAllocCode(4096) : nullptr;
        if (code) {
            __glGenFragmentLoop(gc, code);
            routine = (GlFillRoutine)code;
        }
    }
    return routine;
}

// n doublewords of value from p; the routine leaves MMX in use: emms after it.
void fillWords(GlFillRoutine routine, uint8_t* p, GLuint n, GLuint value) {
    if (!n) return;
    __asm__ volatile("call *%[f]\n\temms" : "+D"(p), "+c"(n) : "a"(value), [f] "r"(routine) : "ebx", "memory", "cc");
}

// Rows of `bytes` bytes of elements of 1, 2 or 4 bytes (the value
// replicated to 32 bits in word): up to the first 4-byte boundary and past the
// last one element by element, the middle as doublewords through the routine.
void fillRows(GlFillRoutine routine, uint8_t* p, size_t bytes, GLint rows, GLint gap, GLuint word, size_t element) {
    for (GLint r = 0; r < rows; r++, p += bytes + (size_t)gap) {
        uint8_t* q = p;
        size_t left = bytes;
        for (; left && ((uintptr_t)q & 3); q += element, left -= element) memcpy(q, &word, element);
        fillWords(routine, q, (GLuint)(left / 4), word);
        q += left & ~(size_t)3;
        for (left &= 3; left; q += element, left -= element) memcpy(q, &word, element);
    }
}

}  // namespace

extern "C" void GLPROC __glFill32(GlContext* gc, void* dst, GLint pixels, GLint rows, GLint gap, GLuint value) {
    if (pixels <= 0) return;
    if (GlFillRoutine routine = fillRoutine(gc)) {
        // The whole block at once without a gap, else row by row.
        if (!gap) fillWords(routine, (uint8_t*)dst, (GLuint)pixels * (GLuint)(rows > 0 ? rows : 0), value);
        else fillRows(routine, (uint8_t*)dst, (size_t)pixels * 4, rows, gap, value, 4);
        return;
    }
    fillValue((uint8_t*)dst, (size_t)pixels * 4, rows, gap, (const uint8_t*)&value, 4);
}

// 16- and 8-bit fills take the 16-byte stores of the pattern fill (twice the
// routine's quadwords); rows without a gap between them are one run.
static void fillRun(uint8_t* dst, size_t rowBytes, GLint rows, GLint gap, const uint8_t* value, GLint size) {
    if (!gap && rows > 1) rowBytes *= (size_t)rows, rows = 1;
    fillValue(dst, rowBytes, rows, gap, value, size);
}

extern "C" void GLPROC __glFill16(GlContext*, void* dst, GLint pixels, GLint rows, GLint gap, GLuint value) {
    if (pixels <= 0) return;
    const uint16_t v = (uint16_t)value;
    fillRun((uint8_t*)dst, (size_t)pixels * 2, rows, gap, (const uint8_t*)&v, 2);
}

extern "C" void GLPROC __glFill8(GlContext*, void* dst, GLint pixels, GLint rows, GLint gap, GLuint value) {
    if (pixels <= 0) return;
    const uint8_t v = (uint8_t)value;
    fillRun((uint8_t*)dst, (size_t)pixels, rows, gap, &v, 1);
}
