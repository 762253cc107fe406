// Image layout from the pack and unpack modes, and the span converters that
// turn memory spans into float spans and reorder and scale them.

#include <stdint.h>
#include <string.h>
#include "core/stateutil.h"
#include "pixel.h"

namespace {

bool packedType(GLenum type) { return type - GL_UNSIGNED_BYTE_3_3_2_EXT <= 4u; }

template <class T> T load(const uint8_t* p) {
    T v;
    memcpy(&v, p, sizeof v);
    return v;
}

// 64-bit product saturated at 2^62 (beyond any address space, and safe to round up).
uint64_t mul(uint64_t a, uint64_t b) {
    const uint64_t cap = (uint64_t)1 << 62;
    uint64_t r;
    if (__builtin_mul_overflow(a, b, &r) || r > cap) return cap;
    return r;
}

}  // namespace

extern "C" GLint GLPROC __glFormatComponents(GLenum format, GLenum type) {
    if (packedType(type) || type == GL_IMAGE_TYPE_ARGB1555 || type == GL_IMAGE_TYPE_RGB565) return 1;
    switch (format) {
    case GL_RGB:
    case GL_BGR_EXT: return 3;
    case GL_RGBA:
    case GL_ABGR_EXT:
    case GL_BGRA_EXT: return 4;
    case GL_LUMINANCE_ALPHA:
    case GL_IMAGE_FORMAT_LUMINANCE_ALPHA8: return 2;
    }
    return 1;
}

extern "C" GLint GLPROC __glTypeSize(GLenum type) {
    switch (type) {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE:
    case GL_BITMAP:
    case GL_UNSIGNED_BYTE_3_3_2_EXT: return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
    case GL_UNSIGNED_SHORT_4_4_4_4_EXT:
    case GL_UNSIGNED_SHORT_5_5_5_1_EXT:
    case GL_IMAGE_TYPE_ARGB1555:
    case GL_IMAGE_TYPE_RGB565: return 2;
    case GL_INT:
    case GL_UNSIGNED_INT:
    case GL_FLOAT:
    case GL_UNSIGNED_INT_8_8_8_8_EXT:
    case GL_UNSIGNED_INT_10_10_10_2_EXT: return 4;
    }
    return 0;
}

extern "C" uint64_t GLPROC __glPackedImageSize(GLsizei width, GLsizei height, GLenum format, GLenum type) {
    if (width <= 0 || height <= 0) return 0;
    const uint64_t row = type == GL_BITMAP ? ((uint64_t)width + 7) / 8
                                           : mul((uint64_t)width, (uint64_t)__glFormatComponents(format, type) *
                                                                      (uint64_t)__glTypeSize(type));
    return mul(row, (uint64_t)height);
}

extern "C" void GLPROC __glSetImageModes(GlImageLayout* l, GLenum format, GLenum type, const GLvoid* data,
                                        GLsizei width, const GlPixelStoreModes* modes) {
    memset(l, 0, sizeof *l);
    l->format = format;
    l->type = type;
    l->data = data;
    l->swapBytes = modes->swapBytes;
    l->lsbFirst = modes->lsbFirst;
    l->skipPixels = modes->skipPixels;
    l->skipRows = modes->skipRows;
    l->rowLength = modes->rowLength > 0 ? modes->rowLength : width;
    l->alignment = modes->alignment > 0 ? modes->alignment : 1;
}

extern "C" GLboolean GLPROC __glLayoutImage(GlImageLayout* l, GLsizei width, GLsizei height) {
    const bool bitmap = l->type == GL_BITMAP;
    const uint64_t components = (uint64_t)__glFormatComponents(l->format, l->type);
    const uint64_t element = (uint64_t)__glTypeSize(l->type);
    const uint64_t group = components * element;
    const uint64_t rowLength = l->rowLength > 0 ? (uint64_t)l->rowLength : 0;
    const uint64_t align = (uint64_t)(l->alignment > 0 ? l->alignment : 1);
    uint64_t rowBytes = bitmap ? (rowLength + 7) / 8 : rowLength * group;
    rowBytes = (rowBytes + align - 1) / align * align;
    const uint64_t skipPixels = l->skipPixels > 0 ? (uint64_t)l->skipPixels : 0;
    const uint64_t skipRows = l->skipRows > 0 ? (uint64_t)l->skipRows : 0;
    l->aligned = !((bitmap && skipPixels % 8 != 0) || (l->swapBytes && element > 1));
    const uint64_t offset = mul(skipRows, rowBytes) + (bitmap ? skipPixels / 8 : skipPixels * group);
    if (bitmap) l->bitOffset = (GLint)(skipPixels % 8);
    l->groupSize = (GLint)group;
    l->components = (GLint)components;
    l->elementSize = (GLint)element;

    // The bytes the transfer touches, from data: all must be addressable.
    uint64_t extent = 0;
    if (width > 0 && height > 0) {
        const uint64_t lastRow = bitmap ? ((uint64_t)l->bitOffset + (uint64_t)width + 7) / 8
                                        : (uint64_t)width * group;
        extent = offset + mul((uint64_t)height - 1, rowBytes) + lastRow;
    }
    const uint64_t room = (uint64_t)(UINTPTR_MAX - (uintptr_t)l->data);
    const bool touched = extent > 0;
    // A single row never steps by the stride, so only then may it be beyond 32 bits.
    const bool strideFits = rowBytes <= INT32_MAX;
    const bool fits = (strideFits || height <= 1) && (!touched || (offset <= room && extent <= room));
    l->rowStride = fits && strideFits ? (GLint)rowBytes : 0;
    l->firstPixel = fits && touched ? (const uint8_t*)l->data + offset : (const uint8_t*)l->data;
    return fits;
}

static void resetOptions(GlPixelOpRecord* op) {
    op->zeroMissingAlpha = 0;
    op->clampSource = 1;
    op->scaleToColorMaxima = 1;
    op->rawIntegers = 0;
}

extern "C" GLboolean GLPROC __glSetupImageLayout(GlContext* gc, GlPixelOpRecord* op) {
    resetOptions(op);
    return __glLayoutImage(&op->source, op->width, op->height);
}

extern "C" GLboolean GLPROC __glSetupDestImageLayout(GlContext* gc, GlPixelOpRecord* op) {
    resetOptions(op);
    return __glLayoutImage(&op->destination, op->width, op->height);
}

// ---- Converters.

namespace {

typedef const uint8_t* In;

GLint sourceCount(const GlPixelOpRecord* op) { return op->source.components * op->width; }
GLint destCount(const GlPixelOpRecord* op) { return op->destination.components * op->width; }

// Bitmap rows: one float per bit of width bits from the source's bit offset;
// with `zoom` only the bits the zoom table picks: the first one, and each
// next one zoomTable[i] bits after the one of output i. Leaves width at the
// outputs written.
void unpackBits(GlPixelOpRecord* op, In in, GLfloat* out, bool zoom) {
    const int16_t* steps = op->zoomTable;
    GLint n = 0;
    for (int64_t i = 0; i < op->width; i += zoom ? steps[n - 1] : 1) {
        const int64_t bit = op->source.bitOffset + i;
        const int shift = op->source.lsbFirst ? (int)(bit & 7) : 7 - (int)(bit & 7);
        out[n++] = (in[bit >> 3] >> shift) & 1 ? 1.0f : 0.0f;
    }
    op->width = n;
}

// One pixel of `bytes` bytes per output column, the source advanced by the
// zoom table; Elem > 1 with Swap reverses each element. Leaves width at the
// columns written.
// Bytes > 0: a pixel of that many bytes moved whole.
template <int Elem, bool Swap, int Bytes = 0>
void gather(GlPixelOpRecord* op, In in, uint8_t* out, GLint bytes) {
    const int16_t* steps = op->zoomTable;
    const GLint group = op->source.groupSize;
    for (GLint i = 0; i < op->columns; i++) {
        if (Bytes) memcpy(out, in, Bytes);
        else
            for (GLint e = 0; e < bytes; e += Elem)
                for (int k = 0; k < Elem; k++) out[e + k] = in[e + (Swap ? Elem - 1 - k : k)];
        out += Bytes ? Bytes : bytes;
        // The closing entry steps past the last pixel: no address is formed there.
        if (i + 1 < op->columns) in += (ptrdiff_t)group * steps[i];
    }
    op->width = op->columns;
}

// Elements copied byte by byte, optionally reversed.
template <int Elem, bool Swap> void moveElements(In in, uint8_t* out, GLint count) {
    for (GLint i = 0; i < count; i++, in += Elem, out += Elem)
        for (int k = 0; k < Elem; k++) out[k] = in[Swap ? Elem - 1 - k : k];
}

// Normalised element conversions (signed: (2c + 1) / (2^n - 1)).
template <class T> GLfloat normalise(T c);
template <> GLfloat normalise<int8_t>(int8_t c) { return (GLfloat)(2 * c + 1) * (1.0f / 255.0f); }
template <> GLfloat normalise<uint16_t>(uint16_t c) { return (GLfloat)c * (1.0f / 65535.0f); }
template <> GLfloat normalise<int16_t>(int16_t c) { return (GLfloat)(2 * c + 1) * (1.0f / 65535.0f); }
template <> GLfloat normalise<uint32_t>(uint32_t c) { return __glUintToUnit(c); }
template <> GLfloat normalise<int32_t>(int32_t c) { return __glIntToUnit(c); }

template <class T> void toFloat(In in, GLfloat* out, GLint count) {
    for (GLint i = 0; i < count; i++) out[i] = normalise<T>(load<T>(in + i * sizeof(T)));
}
template <class T> void toValue(In in, GLfloat* out, GLint count) {
    for (GLint i = 0; i < count; i++) out[i] = (GLfloat)load<T>(in + i * sizeof(T));
}

// A packed pixel: N fields from the high bits down; Bits lists each width.
template <class T, int N, int B0, int B1, int B2, int B3>
void unpackFields(const GlPixelOpRecord* op, In in, GLfloat* out) {
    static const int bits[4] = {B0, B1, B2, B3};
    for (GLint i = 0; i < op->width; i++) {
        const uint32_t v = load<T>(in + i * sizeof(T));
        int shift = (int)sizeof(T) * 8;
        for (int f = 0; f < N; f++) {
            shift -= bits[f];
            const uint32_t max = (1u << bits[f]) - 1;
            *out++ = (GLfloat)((v >> shift) & max) / (GLfloat)max;
        }
    }
}

// Expand one float group per pixel to RGBA. Src[c] is the input component
// of channel c, -1 for none (0, alpha: the full value); scaled by the maxima.
template <int Components, int R, int G, int B, int A, bool Scaled>
void expand(GlContext* gc, const GlPixelOpRecord* op, const GLfloat* in, GLfloat* out) {
    static const int src[4] = {R, G, B, A};
    const GLfloat* maxima = __glColorScales(gc);
    GLfloat scale[4];
    for (int c = 0; c < 4; c++) scale[c] = Scaled ? maxima[c] : 1.0f;
    for (GLint i = 0; i < op->width; i++, in += Components, out += 4)
        for (int c = 0; c < 4; c++)
            out[c] = src[c] >= 0 ? in[src[c]] * scale[c] : c == 3 ? scale[3] : 0.0f;
}

void clampSpan(const GLfloat* in, GLfloat* out, GLint count) {
    for (GLint i = 0; i < count; i++) {
        const GLfloat v = in[i];
        out[i] = v > 1.0f ? 1.0f : __glFloatBits(v) > 0x80000000u ? 0.0f : v;
    }
}

}  // namespace

#define GL_CONVERTER(name) extern "C" void GLPROC name(GlContext* gc, GlPixelOpRecord* op, const GLvoid* inv, GLvoid* outv)
#define SRC ((In)inv)
#define OUTB ((uint8_t*)outv)
#define INF ((const GLfloat*)inv)
#define OUTF ((GLfloat*)outv)

GL_CONVERTER(__glUnpackBitmap) { unpackBits(op, SRC, OUTF, false); }
GL_CONVERTER(__glUnpackBitmapSkip) { unpackBits(op, SRC, OUTF, true); }

GL_CONVERTER(__glSkipBytes1) { gather<1, false, 1>(op, SRC, OUTB, 1); }
GL_CONVERTER(__glSkipBytes3) { gather<1, false, 3>(op, SRC, OUTB, 3); }
GL_CONVERTER(__glSkipBytes4) { gather<1, false, 4>(op, SRC, OUTB, 4); }
GL_CONVERTER(__glSkipBytes) { gather<1, false>(op, SRC, OUTB, op->source.components); }
GL_CONVERTER(__glSkipShorts) { gather<2, false>(op, SRC, OUTB, 2 * op->source.components); }
GL_CONVERTER(__glSkipShortsUnaligned) { gather<1, false>(op, SRC, OUTB, 2 * op->source.components); }
GL_CONVERTER(__glSkipInts) { gather<4, false>(op, SRC, OUTB, 4 * op->source.components); }
GL_CONVERTER(__glSkipIntsUnaligned) { gather<1, false>(op, SRC, OUTB, 4 * op->source.components); }
GL_CONVERTER(__glSkipSwapShorts) { gather<2, true>(op, SRC, OUTB, 2 * op->source.components); }
GL_CONVERTER(__glSkipSwapInts) { gather<4, true>(op, SRC, OUTB, 4 * op->source.components); }

GL_CONVERTER(__glSwapShorts) { moveElements<2, true>(SRC, OUTB, sourceCount(op)); }
GL_CONVERTER(__glSwapShortsDest) { moveElements<2, true>(SRC, OUTB, destCount(op)); }
GL_CONVERTER(__glSwapInts) { moveElements<4, true>(SRC, OUTB, sourceCount(op)); }
GL_CONVERTER(__glSwapIntsDest) { moveElements<4, true>(SRC, OUTB, destCount(op)); }
GL_CONVERTER(__glAlignShorts) { moveElements<2, false>(SRC, OUTB, sourceCount(op)); }
GL_CONVERTER(__glAlignShortsDest) { moveElements<2, false>(SRC, OUTB, destCount(op)); }
GL_CONVERTER(__glAlignInts) { moveElements<4, false>(SRC, OUTB, sourceCount(op)); }
GL_CONVERTER(__glAlignIntsDest) { moveElements<4, false>(SRC, OUTB, destCount(op)); }

GL_CONVERTER(__glUnsignedByteToFloat) {
    const GLfloat* table = gc->constants.ubyteToFloat;
    for (GLint i = 0, n = sourceCount(op); i < n; i++) OUTF[i] = table[SRC[i]];
}
GL_CONVERTER(__glByteToFloat) { toFloat<int8_t>(SRC, OUTF, sourceCount(op)); }
GL_CONVERTER(__glUnsignedShortToFloat) { toFloat<uint16_t>(SRC, OUTF, sourceCount(op)); }
GL_CONVERTER(__glShortToFloat) { toFloat<int16_t>(SRC, OUTF, sourceCount(op)); }
GL_CONVERTER(__glUnsignedIntToFloat) { toFloat<uint32_t>(SRC, OUTF, sourceCount(op)); }
GL_CONVERTER(__glIntToFloat) { toFloat<int32_t>(SRC, OUTF, sourceCount(op)); }

GL_CONVERTER(__glUnpack332) { unpackFields<uint8_t, 3, 3, 3, 2, 0>(op, SRC, OUTF); }
GL_CONVERTER(__glUnpack4444) { unpackFields<uint16_t, 4, 4, 4, 4, 4>(op, SRC, OUTF); }
GL_CONVERTER(__glUnpack5551) { unpackFields<uint16_t, 4, 5, 5, 5, 1>(op, SRC, OUTF); }
GL_CONVERTER(__glUnpack8888) { unpackFields<uint32_t, 4, 8, 8, 8, 8>(op, SRC, OUTF); }
GL_CONVERTER(__glUnpack1010102) { unpackFields<uint32_t, 4, 10, 10, 10, 2>(op, SRC, OUTF); }
GL_CONVERTER(__glUnpack565) { unpackFields<uint16_t, 3, 5, 6, 5, 0>(op, SRC, OUTF); }
// Alpha in the top bit: the fields read as (a, r, g, b), stored as (r, g, b, a).
GL_CONVERTER(__glUnpack1555) {
    unpackFields<uint16_t, 4, 1, 5, 5, 5>(op, SRC, OUTF);
    for (GLint i = 0; i < op->width; i++) {
        GLfloat* p = OUTF + 4 * i;
        const GLfloat a = p[0];
        p[0] = p[1], p[1] = p[2], p[2] = p[3], p[3] = a;
    }
}

GL_CONVERTER(__glUnsignedByteToIndex) { toValue<uint8_t>(SRC, OUTF, op->width); }
GL_CONVERTER(__glByteToIndex) { toValue<int8_t>(SRC, OUTF, op->width); }
GL_CONVERTER(__glUnsignedShortToIndex) { toValue<uint16_t>(SRC, OUTF, op->width); }
GL_CONVERTER(__glShortToIndex) { toValue<int16_t>(SRC, OUTF, op->width); }
GL_CONVERTER(__glUnsignedIntToIndex) { toValue<uint32_t>(SRC, OUTF, op->width); }
GL_CONVERTER(__glIntToIndex) { toValue<int32_t>(SRC, OUTF, op->width); }
GL_CONVERTER(__glUnsignedIntToValue) { toValue<uint32_t>(SRC, OUTF, sourceCount(op)); }

GL_CONVERTER(__glClampFloats) { clampSpan(INF, OUTF, sourceCount(op)); }
GL_CONVERTER(__glClampFloatsDest) { clampSpan(INF, OUTF, destCount(op)); }
GL_CONVERTER(__glClampNegative) {
    for (GLint i = 0, n = destCount(op); i < n; i++) OUTF[i] = __glFloatBits(INF[i]) > 0x80000000u ? 0.0f : INF[i];
}

#define GL_EXPANDER(scaled, plain, n, r, g, b, a)                                   \
    GL_CONVERTER(scaled) { expand<n, r, g, b, a, true>(gc, op, INF, OUTF); }         \
    GL_CONVERTER(plain) { expand<n, r, g, b, a, false>(gc, op, INF, OUTF); }
GL_EXPANDER(__glExpandRedScaled, __glExpandRed, 1, 0, -1, -1, -1)
GL_EXPANDER(__glExpandGreenScaled, __glExpandGreen, 1, -1, 0, -1, -1)
GL_EXPANDER(__glExpandBlueScaled, __glExpandBlue, 1, -1, -1, 0, -1)
GL_EXPANDER(__glExpandRgbScaled, __glExpandRgb, 3, 0, 1, 2, -1)
GL_EXPANDER(__glExpandBgrScaled, __glExpandBgr, 3, 2, 1, 0, -1)
GL_EXPANDER(__glExpandLuminanceScaled, __glExpandLuminance, 1, 0, 0, 0, -1)
GL_EXPANDER(__glExpandLuminanceAlphaScaled, __glExpandLuminanceAlpha, 2, 0, 0, 0, 1)
GL_EXPANDER(__glExpandRedAlphaScaled, __glExpandRedAlpha, 2, 0, -1, -1, 1)
GL_EXPANDER(__glExpandIntensityScaled, __glExpandIntensity, 1, 0, 0, 0, 0)
GL_EXPANDER(__glExpandAbgrScaled, __glSwapAbgr, 4, 3, 2, 1, 0)
GL_EXPANDER(__glExpandBgraScaled, __glSwapBgra, 4, 2, 1, 0, 3)
#undef GL_EXPANDER
// Alpha alone: the colour channels stay 0 in either form.
GL_CONVERTER(__glExpandAlphaScaled) { expand<1, -1, -1, -1, 0, true>(gc, op, INF, OUTF); }
GL_CONVERTER(__glExpandAlpha) { expand<1, -1, -1, -1, 0, false>(gc, op, INF, OUTF); }
GL_CONVERTER(__glScaleRgba) { expand<4, 0, 1, 2, 3, true>(gc, op, INF, OUTF); }

GL_CONVERTER(__glClearAlpha) {
    for (GLint i = 0; i < op->width; i++) {
        for (int c = 0; c < 3; c++) OUTF[4 * i + c] = INF[4 * i + c];
        OUTF[4 * i + 3] = 0.0f;
    }
}
GL_CONVERTER(__glUnscaleRgba) {
    const GLfloat* reciprocal = gc->constants.invColorScale;
    for (GLint i = 0; i < 4 * op->width; i++) OUTF[i] = INF[i] * reciprocal[i & 3];
}
