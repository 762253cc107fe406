// The span chain of the pixel rectangles: memory spans unpacked into float
// spans, the pixel transfer applied to float spans, float spans packed into
// memory spans.

#include <math.h>
#include <string.h>
#include "core/stateutil.h"
#include "pixel.h"

namespace {

typedef void(GLPROC* Converter)(GlContext*, GlPixelOpRecord*, const GLvoid*, GLvoid*);

// Converters by type: normalised floats and index values.
Converter floatConverter(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE: return __glUnsignedByteToFloat;
    case GL_BYTE: return __glByteToFloat;
    case GL_UNSIGNED_SHORT: return __glUnsignedShortToFloat;
    case GL_SHORT: return __glShortToFloat;
    case GL_UNSIGNED_INT: return __glUnsignedIntToFloat;
    case GL_INT: return __glIntToFloat;
    case GL_UNSIGNED_BYTE_3_3_2_EXT: return __glUnpack332;
    case GL_UNSIGNED_SHORT_4_4_4_4_EXT: return __glUnpack4444;
    case GL_UNSIGNED_SHORT_5_5_5_1_EXT: return __glUnpack5551;
    case GL_UNSIGNED_INT_8_8_8_8_EXT: return __glUnpack8888;
    case GL_UNSIGNED_INT_10_10_10_2_EXT: return __glUnpack1010102;
    }
    return nullptr;  // GL_FLOAT: copied
}
Converter indexConverter(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE: return __glUnsignedByteToIndex;
    case GL_BYTE: return __glByteToIndex;
    case GL_UNSIGNED_SHORT: return __glUnsignedShortToIndex;
    case GL_SHORT: return __glShortToIndex;
    case GL_UNSIGNED_INT: return __glUnsignedIntToIndex;
    case GL_INT: return __glIntToIndex;
    }
    return nullptr;
}
// Groups of a colour format to RGBA (unscaled).
Converter expander(GLenum format) {
    switch (format) {
    case GL_RED: return __glExpandRed;
    case GL_GREEN: return __glExpandGreen;
    case GL_BLUE: return __glExpandBlue;
    case GL_ALPHA: return __glExpandAlpha;
    case GL_RGB: return __glExpandRgb;
    case GL_BGR_EXT: return __glExpandBgr;
    case GL_LUMINANCE: return __glExpandLuminance;
    case GL_LUMINANCE_ALPHA: return __glExpandLuminanceAlpha;
    case GL_IMAGE_FORMAT_LUMINANCE_ALPHA8: return __glExpandRedAlpha;
    case GL_ABGR_EXT: return __glSwapAbgr;
    case GL_BGRA_EXT: return __glSwapBgra;
    }
    return nullptr;  // GL_RGBA: already
}

// Index arithmetic is kept within this range (float spans carry it exactly
// enough, and it converts to 64-bit integers safely).
const double INDEX_LIMIT = 4611686018427387904.0;  // 2^62

int64_t wholeIndex(GLfloat v) {
    const double d = floor((double)v);
    if (!(d > -INDEX_LIMIT)) return d != d ? 0 : -(int64_t)INDEX_LIMIT;
    return d < INDEX_LIMIT ? (int64_t)d : (int64_t)INDEX_LIMIT;
}

int64_t shiftIndex(const GlPixelTransferState* t, int64_t i) {
    const GLint s = t->indexShift;
    double r = s >= 0 ? (i ? (double)i * ldexp(1.0, s > 64 ? 64 : s) : 0.0) : (double)(i >> (s < -63 ? 63 : -s));
    r += (double)t->indexOffset;
    return r >= INDEX_LIMIT ? (int64_t)INDEX_LIMIT : r <= -INDEX_LIMIT ? -(int64_t)INDEX_LIMIT : (int64_t)r;
}

// Entry of an index-addressed map (power-of-two size).
const uint32_t* indexEntry(const GlPixelMap* m, int64_t i) {
    if (m->size <= 0 || !m->values) return nullptr;
    return (const uint32_t*)m->values + (i & (m->size - 1));
}

GLfloat mapIndex(const GlPixelMap* m, int64_t i) {
    const uint32_t* e = indexEntry(m, i);
    return e ? (GLfloat)(GLint)*e : (GLfloat)i;
}
GLfloat mapIndexToColor(const GlPixelMap* m, int64_t i) {
    const uint32_t* e = indexEntry(m, i);
    if (!e) return 0.0f;
    GLfloat f;
    memcpy(&f, e, sizeof f);
    return f;
}

GLfloat clampUnit(GLfloat v) { return v > 1.0f ? 1.0f : v > 0.0f ? v : 0.0f; }

// A colour component through its map (size entries over 0 .. 1).
GLfloat mapColor(const GlPixelMap* m, GLfloat v) {
    if (m->size <= 0 || !m->values) return clampUnit(v);
    const double p = (double)clampUnit(v) * (double)(m->size - 1) + 0.5;
    GLfloat f;
    memcpy(&f, (const uint32_t*)m->values + (GLint)p, sizeof f);
    return f;
}

// ---- Packing.

template <class T> void put(uint8_t* p, T v, bool swap) {
    uint8_t b[sizeof(T)];
    memcpy(b, &v, sizeof v);
    for (size_t k = 0; k < sizeof(T); k++) p[k] = b[swap ? sizeof(T) - 1 - k : k];
}

// A normalised value 0..1 to an unsigned field of `max`, rounded.
uint32_t toUnsigned(GLfloat v, double max) { return (uint32_t)((double)clampUnit(v) * max + 0.5); }
// To a signed element of 2^bits - 1 steps: ((2^bits - 1) v - 1) / 2, rounded.
int32_t toSigned(GLfloat v, double steps) { return (int32_t)floor(((double)clampUnit(v) * steps - 1.0) * 0.5 + 0.5); }

// One element: normalised (colour, depth) or a whole value (index, stencil).
void putElement(uint8_t* p, GLenum type, GLfloat v, bool whole, bool swap) {
    const int64_t i = whole ? wholeIndex(v) : 0;
    switch (type) {
    case GL_UNSIGNED_BYTE: *p = whole ? (uint8_t)i : (uint8_t)toUnsigned(v, 255.0); break;
    case GL_BYTE: *p = whole ? (uint8_t)(i & 0x7F) : (uint8_t)(int8_t)toSigned(v, 255.0); break;
    case GL_UNSIGNED_SHORT: put<uint16_t>(p, whole ? (uint16_t)i : (uint16_t)toUnsigned(v, 65535.0), swap); break;
    case GL_SHORT: put<int16_t>(p, whole ? (int16_t)(i & 0x7FFF) : (int16_t)toSigned(v, 65535.0), swap); break;
    case GL_UNSIGNED_INT: put<uint32_t>(p, whole ? (uint32_t)i : toUnsigned(v, 4294967295.0), swap); break;
    case GL_INT: put<int32_t>(p, whole ? (int32_t)(i & 0x7FFFFFFF) : toSigned(v, 4294967295.0), swap); break;
    case GL_FLOAT: put<GLfloat>(p, whole ? (GLfloat)i : v, swap); break;
    }
}

// The components of a colour format in memory order, from RGBA.
GLint formatComponents(GLenum format, const GLfloat* c, GLfloat* out) {
    switch (format) {
    case GL_RED: out[0] = c[0]; return 1;
    case GL_GREEN: out[0] = c[1]; return 1;
    case GL_BLUE: out[0] = c[2]; return 1;
    case GL_ALPHA: out[0] = c[3]; return 1;
    case GL_LUMINANCE: out[0] = clampUnit(c[0] + c[1] + c[2]); return 1;
    case GL_LUMINANCE_ALPHA: out[0] = clampUnit(c[0] + c[1] + c[2]), out[1] = c[3]; return 2;
    case GL_IMAGE_FORMAT_LUMINANCE_ALPHA8: out[0] = c[0], out[1] = c[3]; return 2;
    case GL_RGB: out[0] = c[0], out[1] = c[1], out[2] = c[2]; return 3;
    case GL_BGR_EXT: out[0] = c[2], out[1] = c[1], out[2] = c[0]; return 3;
    case GL_ABGR_EXT: out[0] = c[3], out[1] = c[2], out[2] = c[1], out[3] = c[0]; return 4;
    case GL_BGRA_EXT: out[0] = c[2], out[1] = c[1], out[2] = c[0], out[3] = c[3]; return 4;
    }
    memcpy(out, c, 4 * sizeof(GLfloat));
    return 4;
}

// Field widths of the packed types, from the high bits down.
struct PackedFields {
    GLenum type;
    int bits[4];
};
constexpr PackedFields packedFields[] = {
    {GL_UNSIGNED_BYTE_3_3_2_EXT, {3, 3, 2, 0}},      {GL_UNSIGNED_SHORT_4_4_4_4_EXT, {4, 4, 4, 4}},
    {GL_UNSIGNED_SHORT_5_5_5_1_EXT, {5, 5, 5, 1}},   {GL_UNSIGNED_INT_8_8_8_8_EXT, {8, 8, 8, 8}},
    {GL_UNSIGNED_INT_10_10_10_2_EXT, {10, 10, 10, 2}},
};

const PackedFields* fieldsOf(GLenum type) {
    for (const PackedFields& f : packedFields)
        if (f.type == type) return &f;
    return nullptr;
}

}  // namespace

extern "C" void GLPROC __glUnpackPixelSpan(GlContext* gc, GlPixelOpRecord* op, const uint8_t* row, GLint first,
                                          GLint n, GLfloat* out, GlPixelScratch* scratch) {
    GlImageLayout* s = &op->source;
    op->width = n;
    if (s->type == GL_BITMAP) {
        const GLint saved = s->bitOffset;
        const int64_t bit = (int64_t)saved + first;
        s->bitOffset = (GLint)(bit & 7);
        __glUnpackBitmap(gc, op, row + (size_t)(bit >> 3), out);
        s->bitOffset = saved;
        return;
    }
    const uint8_t* p = row + (size_t)first * (size_t)s->groupSize;
    const GLint element = s->elementSize;
    if (element > 1 && (s->swapBytes || ((uintptr_t)p & (uintptr_t)(element - 1)))) {
        Converter move = element == 2 ? (s->swapBytes ? __glSwapShorts : __glAlignShorts)
                                      : (s->swapBytes ? __glSwapInts : __glAlignInts);
        move(gc, op, p, scratch->raw);
        p = scratch->raw;
    }
    const GLint kind = __glPixelFormatKind(s->format);
    if (kind == GL_PIXEL_KIND_INDEX || kind == GL_PIXEL_KIND_STENCIL) {
        Converter c = indexConverter(s->type);
        if (c) c(gc, op, p, out);
        else memcpy(out, p, (size_t)n * sizeof(GLfloat));
        return;
    }
    Converter expand = kind == GL_PIXEL_KIND_RGBA ? expander(s->format) : nullptr;
    GLfloat* floats = expand ? scratch->floats : out;
    Converter c = floatConverter(s->type);
    if (c) c(gc, op, p, floats);
    else memcpy(floats, p, (size_t)n * (size_t)s->components * sizeof(GLfloat));
    if (expand) expand(gc, op, floats, out);
}

extern "C" void GLPROC __glTransferPixelSpan(GlContext* gc, GLint from, GLint to, GLfloat* v, GLint n) {
    const GlPixelTransferState* t = &gc->pixel.transfer;
    const GlPixelMap* maps = gc->pixel.maps;
    switch (from) {
    case GL_PIXEL_KIND_RGBA: {
        const GLfloat scale[4] = {t->redScale, t->greenScale, t->blueScale, t->alphaScale};
        const GLfloat bias[4] = {t->redBias, t->greenBias, t->blueBias, t->alphaBias};
        for (GLint i = 0; i < 4 * n; i++) {
            const GLfloat c = v[i] * scale[i & 3] + bias[i & 3];
            v[i] = t->mapColor ? mapColor(&maps[6 + (i & 3)], c) : clampUnit(c);
        }
        return;
    }
    case GL_PIXEL_KIND_DEPTH:
        for (GLint i = 0; i < n; i++) v[i] = clampUnit(v[i] * t->depthScale + t->depthBias);
        return;
    case GL_PIXEL_KIND_STENCIL:
        for (GLint i = 0; i < n; i++) {
            const int64_t s = shiftIndex(t, wholeIndex(v[i]));
            v[i] = t->mapStencil ? mapIndex(&maps[1], s) : (GLfloat)s;
        }
        return;
    }
    // Colour indices; to RGBA through the index-to-colour maps, back to front
    // so that the wider groups never overwrite an index not yet read.
    if (to == GL_PIXEL_KIND_RGBA) {
        for (GLint i = n - 1; i >= 0; i--) {
            const int64_t s = shiftIndex(t, wholeIndex(v[i]));
            GLfloat* c = v + 4 * i;
            c[3] = mapIndexToColor(&maps[5], s);
            c[2] = mapIndexToColor(&maps[4], s);
            c[1] = mapIndexToColor(&maps[3], s);
            c[0] = mapIndexToColor(&maps[2], s);
        }
        return;
    }
    for (GLint i = 0; i < n; i++) {
        const int64_t s = shiftIndex(t, wholeIndex(v[i]));
        v[i] = t->mapColor ? mapIndex(&maps[0], s) : (GLfloat)s;
    }
}

extern "C" void GLPROC __glPackPixelSpan(const GlImageLayout* l, GLint kind, const GLfloat* v, GLint n, uint8_t* row,
                                        GLint first) {
    const bool swap = l->swapBytes != 0;
    if (l->type == GL_BITMAP) {
        for (GLint i = 0; i < n; i++) {
            const int64_t bit = (int64_t)l->bitOffset + first + i;
            uint8_t* p = row + (size_t)(bit >> 3);
            const int shift = l->lsbFirst ? (int)(bit & 7) : 7 - (int)(bit & 7);
            const uint8_t m = (uint8_t)(1u << shift);
            *p = (uint8_t)(wholeIndex(v[i]) & 1 ? *p | m : *p & ~m);
        }
        return;
    }
    uint8_t* p = row + (size_t)first * (size_t)l->groupSize;
    const GLint element = l->elementSize;
    if (kind != GL_PIXEL_KIND_RGBA) {
        const bool whole = kind != GL_PIXEL_KIND_DEPTH;
        for (GLint i = 0; i < n; i++, p += element) putElement(p, l->type, v[i], whole, swap);
        return;
    }
    const PackedFields* fields = fieldsOf(l->type);
    for (GLint i = 0; i < n; i++, v += 4) {
        GLfloat c[4];
        const GLint count = formatComponents(l->format, v, c);
        if (!fields) {
            for (GLint k = 0; k < count; k++, p += element) putElement(p, l->type, c[k], false, swap);
            continue;
        }
        uint32_t word = 0;
        int shift = 8 * element;
        for (GLint k = 0; k < count; k++) {
            shift -= fields->bits[k];
            word |= toUnsigned(c[k], (double)((1u << fields->bits[k]) - 1)) << shift;
        }
        if (element == 1) *p = (uint8_t)word;
        else if (element == 2) put<uint16_t>(p, (uint16_t)word, swap);
        else put<uint32_t>(p, word, swap);
        p += element;
    }
}
