// The span modifier chain of the pixel rectangles: the picker that lays out,
// once per operation, the steps between the source and the destination of a
// span, and the transfer, extract and pack steps it places.
//
// One unit convention holds on the whole road: RGBA spans carry components in
// [0, 1] (the framebuffer readers give them so, the row writer scales them to
// the colour buffer), index and stencil spans whole values, depth spans
// [0, 1]. The transfer steps therefore give [0, 1] too, and no step scales to
// or from the colour maxima.

#include <math.h>
#include <string.h>
#include "core/stateutil.h"
#include "pixel.h"

namespace {

typedef GlPixelModifier Step;

// Index arithmetic is kept within this range (float spans carry it exactly
// enough, and it converts to 64-bit integers safely).
const double INDEX_LIMIT = 4611686018427387904.0;  // 2^62

int64_t wholeIndex(GLfloat v) {
    const double d = floor((double)v);
    if (!(d > -INDEX_LIMIT)) return d != d ? 0 : -(int64_t)INDEX_LIMIT;
    return d < INDEX_LIMIT ? (int64_t)d : (int64_t)INDEX_LIMIT;
}

// GL_INDEX_SHIFT and GL_INDEX_OFFSET, unclamped by the index or stencil bits.
int64_t shiftIndex(const GlPixelTransferState* t, int64_t i) {
    const GLint s = t->indexShift;
    double r = s >= 0 ? (i ? (double)i * ldexp(1.0, s > 64 ? 64 : s) : 0.0) : (double)(i >> (s < -63 ? 63 : -s));
    r += (double)t->indexOffset;
    return r >= INDEX_LIMIT ? (int64_t)INDEX_LIMIT : r <= -INDEX_LIMIT ? -(int64_t)INDEX_LIMIT : (int64_t)r;
}

// Entry of an index-addressed map (power-of-two size); null for a map
// without entries.
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

// ---- Transfer steps.

// Scale, bias and map of each RGBA component.
struct ColorTransfer {
    GLfloat scale[4], bias[4];
    const GlPixelMap* maps;
    bool map;
    explicit ColorTransfer(const GlContext* gc) {
        const GlPixelTransferState* t = &gc->pixel.transfer;
        scale[0] = t->redScale, scale[1] = t->greenScale, scale[2] = t->blueScale, scale[3] = t->alphaScale;
        bias[0] = t->redBias, bias[1] = t->greenBias, bias[2] = t->blueBias, bias[3] = t->alphaBias;
        maps = gc->pixel.maps + 6;  // R_TO_R .. A_TO_A
        map = t->mapColor != 0;
    }
    GLfloat operator()(int c, GLfloat v) const {
        const GLfloat x = v * scale[c] + bias[c];
        return map ? mapColor(&maps[c], x) : clampUnit(x);
    }
};

// N source components per pixel to RGBA; Src[c] is the component that feeds
// channel c, -1 for none (red, green, blue 0, alpha 1 before the transfer).
// Pixels run back to front and are read whole first, so in and out may be
// the same span.
template <int N, int R, int G, int B, int A>
void modifyColor(GlContext* gc, const GlPixelOpRecord* op, const GLfloat* in, GLfloat* out) {
    static const int src[4] = {R, G, B, A};
    const ColorTransfer t(gc);
    for (GLint i = op->width - 1; i >= 0; i--) {
        GLfloat c[4];
        for (int k = 0; k < 4; k++) c[k] = src[k] >= 0 ? in[i * N + src[k]] : k == 3 ? 1.0f : 0.0f;
        for (int k = 0; k < 4; k++) out[4 * i + k] = t(k, c[k]);
    }
}

// RGBA components to a format's components in memory order; C[k] is the
// channel of component k, -1 ending the list.
template <int C0, int C1, int C2, int C3>
void extract(const GlPixelOpRecord* op, const GLfloat* in, GLfloat* out) {
    static const int channel[4] = {C0, C1, C2, C3};
    constexpr int n = C1 < 0 ? 1 : C2 < 0 ? 2 : C3 < 0 ? 3 : 4;
    for (GLint i = 0; i < op->width; i++, in += 4, out += n)
        for (int k = 0; k < n; k++) out[k] = in[channel[k]];
}

// Luminance read back: red + green + blue, at most 1.0; with alpha after it.
template <bool Alpha>
void extractSum(const GlPixelOpRecord* op, const GLfloat* in, GLfloat* out) {
    for (GLint i = 0; i < op->width; i++, in += 4) {
        *out++ = clampUnit(in[0] + in[1] + in[2]);
        if (Alpha) *out++ = in[3];
    }
}

// ---- Pack steps.

template <class T> void put(uint8_t* p, T v) { memcpy(p, &v, sizeof v); }

// A normalised value 0..1 to an unsigned field of `max`, rounded.
uint32_t toUnsigned(GLfloat v, double max) { return (uint32_t)((double)clampUnit(v) * max + 0.5); }
// To a signed element of 2^bits - 1 steps: ((2^bits - 1) v - 1) / 2, rounded.
int32_t toSigned(GLfloat v, double steps) { return (int32_t)floor(((double)clampUnit(v) * steps - 1.0) * 0.5 + 0.5); }

// Normalised components (colour, depth) of destination type T.
template <class T>
void packNormal(const GlPixelOpRecord* op, const GLfloat* in, uint8_t* out) {
    const GLint n = op->destination.components * op->width;
    for (GLint i = 0; i < n; i++, out += sizeof(T)) {
        const GLfloat v = in[i];
        if (sizeof(T) == 1) put<T>(out, (T)((T)-1 > 0 ? toUnsigned(v, 255.0) : (uint32_t)toSigned(v, 255.0)));
        else if (sizeof(T) == 2) put<T>(out, (T)((T)-1 > 0 ? toUnsigned(v, 65535.0) : (uint32_t)toSigned(v, 65535.0)));
        else put<T>(out, (T)((T)-1 > 0 ? toUnsigned(v, 4294967295.0) : (uint32_t)toSigned(v, 4294967295.0)));
    }
}

// Whole values (colour index, stencil) of destination type T; the signed
// types keep the bits below their sign.
template <class T>
void packIndex(const GlPixelOpRecord* op, const GLfloat* in, uint8_t* out) {
    const uint64_t keep = (T)-1 > 0 ? ~(uint64_t)0 : ((uint64_t)1 << (8 * sizeof(T) - 1)) - 1;
    for (GLint i = 0; i < op->width; i++, out += sizeof(T)) put<T>(out, (T)((uint64_t)wholeIndex(in[i]) & keep));
}

// One element per pixel of N components, field widths from the high bits down.
template <class T, int N, int B0, int B1, int B2, int B3>
void packFields(const GlPixelOpRecord* op, const GLfloat* in, uint8_t* out) {
    static const int bits[4] = {B0, B1, B2, B3};
    for (GLint i = 0; i < op->width; i++, in += N, out += sizeof(T)) {
        uint32_t word = 0;
        int shift = 8 * (int)sizeof(T);
        for (int k = 0; k < N; k++) {
            shift -= bits[k];
            word |= toUnsigned(in[k], (double)((1u << bits[k]) - 1)) << shift;
        }
        put<T>(out, (T)word);
    }
}

}  // namespace

#define GL_STEP(name) extern "C" void GLPROC name(GlContext* gc, GlPixelOpRecord* op, const GLvoid* inv, GLvoid* outv)
#define INF ((const GLfloat*)inv)
#define OUTF ((GLfloat*)outv)
#define OUTB ((uint8_t*)outv)

GL_STEP(__glSpanModifyRGBA) { modifyColor<4, 0, 1, 2, 3>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyABGR) { modifyColor<4, 3, 2, 1, 0>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyBGRA) { modifyColor<4, 2, 1, 0, 3>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyRed) { modifyColor<1, 0, -1, -1, -1>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyGreen) { modifyColor<1, -1, 0, -1, -1>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyBlue) { modifyColor<1, -1, -1, 0, -1>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyAlpha) { modifyColor<1, -1, -1, -1, 0>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyRGB) { modifyColor<3, 0, 1, 2, -1>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyBGR) { modifyColor<3, 2, 1, 0, -1>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyLuminance) { modifyColor<1, 0, 0, 0, -1>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyLuminanceAlpha) { modifyColor<2, 0, 0, 0, 1>(gc, op, INF, OUTF); }
GL_STEP(__glSpanModifyRedAlpha) { modifyColor<2, 0, -1, -1, 1>(gc, op, INF, OUTF); }

GL_STEP(__glSpanModifyDepth) {
    const GlPixelTransferState* t = &gc->pixel.transfer;
    for (GLint i = 0; i < op->width; i++) OUTF[i] = clampUnit(INF[i] * t->depthScale + t->depthBias);
}

GL_STEP(__glSpanModifyStencil) {
    const GlPixelTransferState* t = &gc->pixel.transfer;
    const GlPixelMap* map = &gc->pixel.maps[1];  // S_TO_S
    for (GLint i = 0; i < op->width; i++) {
        const int64_t s = shiftIndex(t, wholeIndex(INF[i]));
        OUTF[i] = t->mapStencil ? mapIndex(map, s) : (GLfloat)s;
    }
}

// Indices to indices (I_TO_I with GL_MAP_COLOR), or to RGBA through the
// I_TO_R .. I_TO_A maps whatever GL_MAP_COLOR says when the destination is a
// colour format. Back to front, so that the wider groups never overwrite an
// index not yet read when in and out are the same span.
GL_STEP(__glSpanModifyIndex) {
    const GlPixelTransferState* t = &gc->pixel.transfer;
    const GlPixelMap* maps = gc->pixel.maps;
    const GLenum d = op->destination.format;
    if (d != GL_COLOR_INDEX && d != GL_STENCIL_INDEX) {
        for (GLint i = op->width - 1; i >= 0; i--) {
            const int64_t s = shiftIndex(t, wholeIndex(INF[i]));
            GLfloat* c = OUTF + 4 * i;
            c[3] = mapIndexToColor(&maps[5], s);
            c[2] = mapIndexToColor(&maps[4], s);
            c[1] = mapIndexToColor(&maps[3], s);
            c[0] = mapIndexToColor(&maps[2], s);
        }
        return;
    }
    for (GLint i = 0; i < op->width; i++) {
        const int64_t s = shiftIndex(t, wholeIndex(INF[i]));
        OUTF[i] = t->mapColor ? mapIndex(&maps[0], s) : (GLfloat)s;
    }
}

GL_STEP(__glSpanExtractRedRaw) { extract<0, -1, -1, -1>(op, INF, OUTF); }
GL_STEP(__glSpanExtractGreenRaw) { extract<1, -1, -1, -1>(op, INF, OUTF); }
GL_STEP(__glSpanExtractBlueRaw) { extract<2, -1, -1, -1>(op, INF, OUTF); }
GL_STEP(__glSpanExtractAlphaRaw) { extract<3, -1, -1, -1>(op, INF, OUTF); }
GL_STEP(__glSpanExtractRGBRaw) { extract<0, 1, 2, -1>(op, INF, OUTF); }
GL_STEP(__glSpanExtractBGRRaw) { extract<2, 1, 0, -1>(op, INF, OUTF); }
GL_STEP(__glSpanExtractABGRRaw) { extract<3, 2, 1, 0>(op, INF, OUTF); }
GL_STEP(__glSpanExtractBGRARaw) { extract<2, 1, 0, 3>(op, INF, OUTF); }
GL_STEP(__glSpanExtractRedAlphaRaw) { extract<0, 3, -1, -1>(op, INF, OUTF); }
GL_STEP(__glSpanExtractLuminanceSum) { extractSum<false>(op, INF, OUTF); }
GL_STEP(__glSpanExtractLuminanceAlphaSum) { extractSum<true>(op, INF, OUTF); }

GL_STEP(__glSpanPackUbyte) { packNormal<uint8_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackByte) { packNormal<int8_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackUshort) { packNormal<uint16_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackShort) { packNormal<int16_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackUint) { packNormal<uint32_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackInt) { packNormal<int32_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackUbyte332) { packFields<uint8_t, 3, 3, 3, 2, 0>(op, INF, OUTB); }
GL_STEP(__glSpanPackUshort4444) { packFields<uint16_t, 4, 4, 4, 4, 4>(op, INF, OUTB); }
GL_STEP(__glSpanPackUshort5551) { packFields<uint16_t, 4, 5, 5, 5, 1>(op, INF, OUTB); }
GL_STEP(__glSpanPackUint8888) { packFields<uint32_t, 4, 8, 8, 8, 8>(op, INF, OUTB); }
GL_STEP(__glSpanPackUint1010102) { packFields<uint32_t, 4, 10, 10, 10, 2>(op, INF, OUTB); }
GL_STEP(__glSpanPackIndexUbyte) { packIndex<uint8_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackIndexByte) { packIndex<int8_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackIndexUshort) { packIndex<uint16_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackIndexShort) { packIndex<int16_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackIndexUint) { packIndex<uint32_t>(op, INF, OUTB); }
GL_STEP(__glSpanPackIndexInt) { packIndex<int32_t>(op, INF, OUTB); }

// Bit = whole value AND 1, from the destination's bit offset on; the other
// bits of the bytes touched keep their values.
GL_STEP(__glSpanPackBitmap) {
    const GlImageLayout* l = &op->destination;
    for (GLint i = 0; i < op->width; i++) {
        const GLint bit = l->bitOffset + i;
        uint8_t* p = OUTB + (bit >> 3);
        const uint8_t m = (uint8_t)(1u << (l->lsbFirst ? bit & 7 : 7 - (bit & 7)));
        *p = (uint8_t)(wholeIndex(INF[i]) & 1 ? *p | m : *p & ~m);
    }
}

GL_STEP(__glSpanCopyBytes) {
    memcpy(outv, inv, (size_t)op->source.components * (size_t)op->source.elementSize * (size_t)op->width);
}

#undef GL_STEP

namespace {

// The transfer step of a colour source format; null for GL_RGBA's expansion
// (none) and for formats without one.
struct FormatSteps {
    GLenum format;
    Step transfer, expand;
};
constexpr FormatSteps kFormatSteps[] = {
    {GL_IMAGE_FORMAT_LUMINANCE_ALPHA8, __glSpanModifyRedAlpha, __glExpandRedAlpha},
    {GL_RED, __glSpanModifyRed, __glExpandRed},
    {GL_GREEN, __glSpanModifyGreen, __glExpandGreen},
    {GL_BLUE, __glSpanModifyBlue, __glExpandBlue},
    {GL_ALPHA, __glSpanModifyAlpha, __glExpandAlpha},
    {GL_RGB, __glSpanModifyRGB, __glExpandRgb},
    {GL_BGR_EXT, __glSpanModifyBGR, __glExpandBgr},
    {GL_RGBA, __glSpanModifyRGBA, nullptr},
    {GL_BGRA_EXT, __glSpanModifyBGRA, __glSwapBgra},
    {GL_ABGR_EXT, __glSpanModifyABGR, __glSwapAbgr},
    {GL_LUMINANCE, __glSpanModifyLuminance, __glExpandLuminance},
    {GL_LUMINANCE_ALPHA, __glSpanModifyLuminanceAlpha, __glExpandLuminanceAlpha},
    {GL_INTENSITY, __glExpandIntensity, __glExpandIntensity},
};

const FormatSteps* formatSteps(GLenum format) {
    for (const FormatSteps& f : kFormatSteps)
        if (f.format == format) return &f;
    return nullptr;
}

// The extract step of a colour destination format (RGBA: none).
Step extractStep(GLenum format, bool sum) {
    switch (format) {
    case GL_IMAGE_FORMAT_LUMINANCE_ALPHA8: return __glSpanExtractRedAlphaRaw;
    case GL_RED:
    case GL_INTENSITY: return __glSpanExtractRedRaw;
    case GL_GREEN: return __glSpanExtractGreenRaw;
    case GL_BLUE: return __glSpanExtractBlueRaw;
    case GL_ALPHA: return __glSpanExtractAlphaRaw;
    case GL_RGB: return __glSpanExtractRGBRaw;
    case GL_BGR_EXT: return __glSpanExtractBGRRaw;
    case GL_ABGR_EXT: return __glSpanExtractABGRRaw;
    case GL_BGRA_EXT: return __glSpanExtractBGRARaw;
    case GL_LUMINANCE: return sum ? __glSpanExtractLuminanceSum : __glSpanExtractRedRaw;
    case GL_LUMINANCE_ALPHA: return sum ? __glSpanExtractLuminanceAlphaSum : __glSpanExtractRedAlphaRaw;
    }
    return nullptr;
}

Step toFloatStep(GLenum type) {
    switch (type) {
    case GL_BYTE: return __glByteToFloat;
    case GL_UNSIGNED_BYTE: return __glUnsignedByteToFloat;
    case GL_SHORT: return __glShortToFloat;
    case GL_UNSIGNED_SHORT: return __glUnsignedShortToFloat;
    case GL_INT: return __glIntToFloat;
    case GL_UNSIGNED_INT: return __glUnsignedIntToFloat;
    case GL_UNSIGNED_BYTE_3_3_2_EXT: return __glUnpack332;
    case GL_IMAGE_TYPE_RGB565: return __glUnpack565;
    case GL_UNSIGNED_SHORT_4_4_4_4_EXT: return __glUnpack4444;
    case GL_UNSIGNED_SHORT_5_5_5_1_EXT: return __glUnpack5551;
    case GL_UNSIGNED_INT_8_8_8_8_EXT: return __glUnpack8888;
    case GL_UNSIGNED_INT_10_10_10_2_EXT: return __glUnpack1010102;
    case GL_IMAGE_TYPE_ARGB1555: return __glUnpack1555;
    }
    return nullptr;
}

bool packedType(GLenum type) {
    return toFloatStep(type) && type != GL_BYTE && type != GL_UNSIGNED_BYTE && type != GL_SHORT &&
           type != GL_UNSIGNED_SHORT && type != GL_INT && type != GL_UNSIGNED_INT;
}

Step toIndexStep(GLenum type) {
    switch (type) {
    case GL_BYTE: return __glByteToIndex;
    case GL_UNSIGNED_BYTE: return __glUnsignedByteToIndex;
    case GL_SHORT: return __glShortToIndex;
    case GL_UNSIGNED_SHORT: return __glUnsignedShortToIndex;
    case GL_INT: return __glIntToIndex;
    case GL_UNSIGNED_INT: return __glUnsignedIntToIndex;
    }
    return nullptr;
}

Step packStep(GLenum type, bool index) {
    switch (type) {
    case GL_BYTE: return index ? __glSpanPackIndexByte : __glSpanPackByte;
    case GL_UNSIGNED_BYTE: return index ? __glSpanPackIndexUbyte : __glSpanPackUbyte;
    case GL_SHORT: return index ? __glSpanPackIndexShort : __glSpanPackShort;
    case GL_UNSIGNED_SHORT: return index ? __glSpanPackIndexUshort : __glSpanPackUshort;
    case GL_INT: return index ? __glSpanPackIndexInt : __glSpanPackInt;
    case GL_UNSIGNED_INT: return index ? __glSpanPackIndexUint : __glSpanPackUint;
    case GL_BITMAP: return index ? __glSpanPackBitmap : nullptr;
    }
    if (index) return nullptr;
    switch (type) {
    case GL_UNSIGNED_BYTE_3_3_2_EXT: return __glSpanPackUbyte332;
    case GL_UNSIGNED_SHORT_4_4_4_4_EXT: return __glSpanPackUshort4444;
    case GL_UNSIGNED_SHORT_5_5_5_1_EXT: return __glSpanPackUshort5551;
    case GL_UNSIGNED_INT_8_8_8_8_EXT: return __glSpanPackUint8888;
    case GL_UNSIGNED_INT_10_10_10_2_EXT: return __glSpanPackUint1010102;
    }
    return nullptr;
}

// Every row of a layout starts on an element boundary, or not.
bool misaligned(const GlImageLayout* l) {
    const uintptr_t e = (uintptr_t)(l->elementSize > 1 ? l->elementSize - 1 : 0);
    return l->type != GL_BITMAP && (((uintptr_t)l->firstPixel | (uintptr_t)l->rowStride) & e) != 0;
}

struct Chain {
    GlPixelOpRecord* op;
    GLint n;
    void add(Step s) {
        if (s && n < GL_PIXEL_MODIFIER_SLOTS) op->modifiers[n++] = s;
    }
};

bool colorFormat(GLenum f) {
    return f != GL_COLOR_INDEX && f != GL_STENCIL_INDEX && f != GL_DEPTH_COMPONENT;
}

// Formats whose components lie alike in memory.
bool sameLayout(GLenum a, GLenum b) {
    const auto pair = [a, b](GLenum x, GLenum y) { return (a == x && b == y) || (a == y && b == x); };
    return a == b || pair(GL_LUMINANCE_ALPHA, GL_IMAGE_FORMAT_LUMINANCE_ALPHA8) || pair(GL_LUMINANCE, GL_RED);
}

// Step 5: components of the RGBA, index, depth or stencil span to the client
// type (convert: the span is RGBA, else already in the destination's
// components), then into the client's byte order and alignment; false for a
// type that has no pack step (nothing may then be written). Luminance read
// back by glReadPixels sums the colour; other reads take red.
bool placeDestinationSteps(Chain* c, const GlPixelOpDesc* desc, bool convert) {
    const GlImageLayout* d = &c->op->destination;
    const bool indexDest = d->format == GL_COLOR_INDEX || d->format == GL_STENCIL_INDEX;
    const Step pack = d->type == GL_FLOAT ? nullptr : packStep(d->type, indexDest);
    if (d->type != GL_FLOAT && !pack) return false;
    if (convert && colorFormat(d->format)) c->add(extractStep(d->format, desc->kind == 2));
    // A bitmap destination of indices always gets its bits packed.
    c->add(pack);
    const bool swap = d->swapBytes && d->elementSize > 1;
    if (swap) c->add(d->elementSize == 2 ? __glSwapShortsDest : d->elementSize == 4 ? __glSwapIntsDest : nullptr);
    else if (misaligned(d))
        c->add(d->elementSize == 2 ? __glAlignShortsDest : d->elementSize == 4 ? __glAlignIntsDest : nullptr);
    return true;
}

}  // namespace

// ---- Lookup tables of unsigned-byte draws: 256 entries a table, built by
// the transfer steps' own arithmetic, kept until the transfer state or a map
// changes.

namespace {

bool newTables(GlContext* gc, GLfloat** tables, int n) {
    for (int i = 0; i < n; i++)
        if (!tables[i] && !(tables[i] = (GLfloat*)gc->imports.alloc(gc, 256 * sizeof(GLfloat)))) return false;
    return true;
}

}  // namespace

extern "C" void GLPROC __glBuildColorMaps(GlContext* gc, GlPixelTransferTables* t) {
    if (!newTables(gc, t->colorMapped, 4)) return;
    const ColorTransfer transfer(gc);
    const GLfloat* toFloat = gc->constants.ubyteToFloat;
    for (int c = 0; c < 4; c++)
        for (int i = 0; i < 256; i++) t->colorMapped[c][i] = transfer(c, toFloat[i]);
    t->colorMapsBuilt = 1;
}

extern "C" void GLPROC __glBuildIndexMap(GlContext* gc, GlPixelTransferTables* t) {
    if (!newTables(gc, &t->mappedIndex, 1)) return;
    const GlPixelTransferState* s = &gc->pixel.transfer;
    for (int i = 0; i < 256; i++) {
        const int64_t v = shiftIndex(s, i);
        t->mappedIndex[i] = s->mapColor ? mapIndex(&gc->pixel.maps[0], v) : (GLfloat)v;
    }
    t->indexMapBuilt = 1;
}

extern "C" void GLPROC __glBuildIndexToRGBAMaps(GlContext* gc, GlPixelTransferTables* t) {
    if (!newTables(gc, t->indexToRGBA, 4)) return;
    const GlPixelTransferState* s = &gc->pixel.transfer;
    for (int i = 0; i < 256; i++) {
        const int64_t v = shiftIndex(s, i);
        for (int c = 0; c < 4; c++) t->indexToRGBA[c][i] = mapIndexToColor(&gc->pixel.maps[2 + c], v);
    }
    t->indexToRGBABuilt = 1;
}

namespace {

struct Writers {
    GlPixelWriter plain, zoomed;
};

// The draws whose typed pixels a fast writer takes as they lie (after the
// byte-order, alignment or gathering step), with the lookup tables the
// writer reads made current (built first when stale); false when none
// applies or a table cannot be had (the chain stays).
bool fastWriters(GlContext* gc, GLenum format, GLenum type, bool transfer, bool toColor, Writers* w) {
    GlPixelTransferTables* t = &gc->pixel.tables;
    if (type == GL_UNSIGNED_BYTE) {
        if (format == GL_RGBA || format == GL_RGB) {
            if (transfer && !t->colorMapsBuilt) __glBuildColorMaps(gc, t);
            if (transfer && !t->colorMapsBuilt) return false;
            for (int c = 0; c < 4; c++) t->currentColor[c] = transfer ? t->colorMapped[c] : gc->constants.ubyteToFloat;
            *w = format == GL_RGBA ? Writers{__glWriteRGBAUbyteSpan, __glWriteRGBAUbyteZoomSpan}
                                   : Writers{__glWriteRGBUbyteSpan, __glWriteRGBUbyteZoomSpan};
            return true;
        }
        if (format == GL_COLOR_INDEX && toColor) {
            if (!t->indexToRGBABuilt) __glBuildIndexToRGBAMaps(gc, t);
            if (!t->indexToRGBABuilt) return false;
            for (int c = 0; c < 4; c++) t->currentColor[c] = t->indexToRGBA[c];
            *w = {__glWriteIndexToRGBAUbyteSpan, __glWriteIndexToRGBAUbyteZoomSpan};
            return true;
        }
        if (format == GL_COLOR_INDEX) {
            if (transfer && !t->indexMapBuilt) __glBuildIndexMap(gc, t);
            t->currentIndex = !transfer ? t->index : t->indexMapBuilt ? t->mappedIndex : nullptr;
            *w = {__glWriteIndexUbyteSpan, __glWriteIndexUbyteZoomSpan};
            return t->currentIndex != nullptr;
        }
        *w = {__glWriteStencilUbyteSpan, __glWriteStencilUbyteZoomSpan};
        return format == GL_STENCIL_INDEX && !transfer;
    }
    // Wider whole values without transfer.
    struct Typed {
        GLenum format, type;
        Writers writers;
    };
    static const Typed typed[] = {
        {GL_COLOR_INDEX, GL_UNSIGNED_SHORT, {__glWriteIndexUshortSpan, __glWriteIndexUshortZoomSpan}},
        {GL_STENCIL_INDEX, GL_UNSIGNED_SHORT, {__glWriteStencilUshortSpan, __glWriteStencilUshortZoomSpan}},
        {GL_COLOR_INDEX, GL_UNSIGNED_INT, {__glWriteIndexUintSpan, __glWriteIndexUintZoomSpan}},
        {GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, {__glWriteDepthUintSpan, __glWriteDepthUintZoomSpan}},
    };
    for (const Typed& f : typed)
        if (f.format == format && f.type == type && !transfer && !toColor) {
            *w = f.writers;
            return true;
        }
    return false;
}

// The generic writer of a framebuffer destination format.
Writers genericWriters(GLenum format) {
    switch (format) {
    case GL_COLOR_INDEX: return {__glWriteIndexSpan, __glWriteIndexZoomSpan};
    case GL_STENCIL_INDEX: return {__glWriteStencilSpan, __glWriteStencilZoomSpan};
    case GL_DEPTH_COMPONENT: return {__glWriteDepthSpan, __glWriteDepthZoomSpan};
    }
    return {__glWriteRGBASpan, __glWriteRGBAZoomSpan};
}

// The first step of a memory source: its byte order, its alignment, and with
// stepSource the gathering of the zoom table's columns, one step for all.
Step firstStep(const GlImageLayout* s, bool stepSource) {
    const bool shorts = s->elementSize == 2;
    if (s->swapBytes && s->elementSize > 1)
        return stepSource ? (shorts ? __glSkipSwapShorts : __glSkipSwapInts) : shorts ? __glSwapShorts : __glSwapInts;
    if (misaligned(s))
        return stepSource ? (shorts ? __glSkipShortsUnaligned : __glSkipIntsUnaligned)
                          : shorts ? __glAlignShorts : __glAlignInts;
    if (!stepSource) return nullptr;
    if (s->elementSize == 2) return __glSkipShorts;
    if (s->elementSize == 4) return __glSkipInts;
    switch (s->components) {
    case 1: return __glSkipBytes1;
    case 3: return __glSkipBytes3;
    case 4: return __glSkipBytes4;
    }
    return __glSkipBytes;
}

}  // namespace

extern "C" GLint GLPROC __glPickSpanModifiers(GlContext* gc, GlPixelOpRecord* op, GlPixelOpDesc* desc) {
    const GlPixelTransferTables* t = &gc->pixel.tables;
    const GlImageLayout* s = &op->source;
    const GLenum S = s->format, Ts = s->type;
    const bool apply = desc->applyTransfer != 0;
    // The zoom of a draw or copy: at |zoom x| < 1 the source columns are
    // picked by the zoom table (stepped readers, gathering steps), at
    // |zoom x| > 1 the writers repeat them.
    const bool toFramebuffer = desc->destination == 1 && (desc->kind == 1 || desc->kind == 3);
    const GLfloat zoom = toFramebuffer ? op->zoomX : 1.0f;
    const bool contiguous = zoom <= -1.0f || zoom >= 1.0f, oneToOne = zoom >= -1.0f && zoom <= 1.0f;
    Chain c = {op, 0};
    desc->reader = nullptr;
    desc->writer = nullptr;
    // A conversion between memory images without transfer keeps a format it
    // does not change (nor one of the same layout).
    bool convert = true;
    if (toFramebuffer) {
        const Writers w = genericWriters(op->destination.format);
        desc->writer = oneToOne ? w.plain : w.zoomed;
    }
    if (desc->source == 1) {
        // Framebuffer source, by what the destination asks of it.
        const GLenum D = op->destination.format;
        if (D == GL_STENCIL_INDEX) {
            desc->reader = contiguous ? __glReadStencilSpan : __glReadStencilSpanStepped;
            if (apply && t->stencilTransfer) c.add(__glSpanModifyStencil);
        } else if (D == GL_DEPTH_COMPONENT) {
            desc->reader = contiguous ? __glReadDepthSpan : __glReadDepthSpanStepped;
            if (apply && t->depthTransfer) {
                c.add(__glSpanModifyDepth);
            } else if (desc->kind == 2 && op->destination.type == GL_UNSIGNED_INT &&
                       gc->fb.depth.depthMax == 0xFFFF0000u) {
                // 16-bit depths read as unsigned integers: no float on the way.
                desc->reader = __glReadDepthUintSpan;
                const GlImageLayout* d = &op->destination;
                if (d->swapBytes) c.add(__glSwapIntsDest);
                else if (misaligned(d)) c.add(__glAlignIntsDest);
                return c.n;
            }
        } else if (D == GL_COLOR_INDEX || !gc->pixelFormat.rgba) {
            // Colour formats read from colour-index buffers go through the
            // index-to-RGBA maps always.
            desc->reader = contiguous ? __glReadIndexSpan : __glReadIndexSpanStepped;
            if ((apply && t->indexTransfer) || D != GL_COLOR_INDEX) c.add(__glSpanModifyIndex);
        } else {
            desc->reader = contiguous ? __glReadRGBASpan : __glReadRGBASpanStepped;
            if (apply && t->colorTransfer) c.add(__glSpanModifyRGBA);
        }
    } else {
        // Memory source: byte order, alignment and gathering, float, clamp,
        // format step.
        const bool index = S == GL_COLOR_INDEX || S == GL_STENCIL_INDEX;
        const bool depth = S == GL_DEPTH_COMPONENT;
        const bool transfer = apply && (index ? (S == GL_COLOR_INDEX ? t->indexTransfer : t->stencilTransfer)
                                              : depth ? t->depthTransfer : t->colorTransfer);
        const bool toColor = colorFormat(op->destination.format);
        convert = desc->kind != 5 || transfer || !sameLayout(S, op->destination.format);
        const bool stepSource = !contiguous && Ts != GL_BITMAP;
        c.add(firstStep(s, stepSource));
        // Typed pixels a fast writer takes as they lie.
        Writers fast;
        if (desc->kind == 1 && toFramebuffer && !t->genericOnly && fastWriters(gc, S, Ts, transfer, toColor, &fast)) {
            desc->writer = oneToOne ? fast.plain : fast.zoomed;
            return c.n;
        }
        c.add(index ? toIndexStep(Ts) : toFloatStep(Ts));
        // Unsigned elements and packed fields give 0 .. 1 already (and the
        // layout counts a packed pixel as one element, not its fields).
        const bool unsignedType = Ts == GL_BITMAP || Ts == GL_UNSIGNED_BYTE || Ts == GL_UNSIGNED_SHORT ||
                                  Ts == GL_UNSIGNED_INT || packedType(Ts);
        if (op->clampSource && !unsignedType && !index && !transfer) c.add(__glClampFloats);
        if (Ts == GL_BITMAP) c.add(contiguous ? __glUnpackBitmap : __glUnpackBitmapSkip);
        if (index) {
            // Indices become RGBA for a colour destination whatever the transfer.
            if (transfer || (S == GL_COLOR_INDEX && toColor))
                c.add(S == GL_COLOR_INDEX ? __glSpanModifyIndex : __glSpanModifyStencil);
        } else if (depth) {
            if (transfer) c.add(__glSpanModifyDepth);
        } else if (const FormatSteps* f = formatSteps(S)) {
            if (convert) c.add(transfer ? f->transfer : f->expand);
        }
    }
    if (desc->destination == 2 && !placeDestinationSteps(&c, desc, convert)) return -1;
    return c.n;
}

extern "C" const GLvoid* GLPROC __glRunSpanModifiers(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in,
                                                    GLvoid* out, GlPixelSpanBuffers* buffers) {
    const GLint n = op->passCount;
    if (n == 0) return in;
    const GLvoid* from = in;
    for (GLint i = 0; i < n; i++) {
        GLvoid* to = i == n - 1 ? out : buffers->span[i & 1];
        op->modifiers[i](gc, op, from, to);
        from = to;
    }
    return out;
}

// ---- The span procedures of the other image paths (texture images, reads
// into images), over the same steps.

extern "C" void GLPROC __glUnpackPixelSpan(GlContext* gc, GlPixelOpRecord* op, const uint8_t* row, GLint first,
                                          GLint n, GLfloat* out, GlPixelScratch* scratch) {
    GlImageLayout* s = &op->source;
    // Without transfer or clamp; colour formats expanded to RGBA, the others
    // (indices, depth, intensity) kept as they are.
    GlPixelOpRecord r;
    r.source = *s;
    const GLenum f = s->format;
    const bool expand = f == GL_RED || f == GL_GREEN || f == GL_BLUE || f == GL_ALPHA || f == GL_RGB ||
                        f == GL_BGR_EXT || f == GL_LUMINANCE || f == GL_LUMINANCE_ALPHA || f == GL_ABGR_EXT ||
                        f == GL_BGRA_EXT || f == GL_IMAGE_FORMAT_LUMINANCE_ALPHA8;
    r.destination.format = expand ? GL_RGBA : f;
    r.width = n;
    r.clampSource = 0;
    GlPixelOpDesc desc = {2, 1, 5, 0, {}, nullptr, nullptr};
    r.passCount = __glPickSpanModifiers(gc, &r, &desc);
    const int64_t bit = (int64_t)s->bitOffset + first;
    r.source.bitOffset = (GLint)(bit & 7);
    const uint8_t* p = s->type == GL_BITMAP ? row + (size_t)(bit >> 3) : row + (size_t)first * (size_t)s->groupSize;
    GlPixelSpanBuffers buffers = {{scratch->raw, scratch->floats}};
    const GLvoid* span = __glRunSpanModifiers(gc, &r, p, out, &buffers);
    if (span != out) memcpy(out, span, (size_t)n * (size_t)s->components * sizeof(GLfloat));
    op->width = n;
}

extern "C" void GLPROC __glTransferPixelSpan(GlContext* gc, GLint from, GLint to, GLfloat* v, GLint n) {
    GlPixelOpRecord r;
    r.width = n;
    r.destination.format = to == GL_PIXEL_KIND_RGBA ? GL_RGBA : GL_COLOR_INDEX;
    switch (from) {
    case GL_PIXEL_KIND_RGBA: return __glSpanModifyRGBA(gc, &r, v, v);
    case GL_PIXEL_KIND_DEPTH: return __glSpanModifyDepth(gc, &r, v, v);
    case GL_PIXEL_KIND_STENCIL: return __glSpanModifyStencil(gc, &r, v, v);
    }
    __glSpanModifyIndex(gc, &r, v, v);
}

extern "C" void GLPROC __glPackPixelSpan(const GlImageLayout* l, GLint kind, const GLfloat* v, GLint n, uint8_t* row,
                                        GLint first) {
    GlPixelOpRecord r;
    r.destination = *l;
    r.width = n;
    if (kind == GL_PIXEL_KIND_INDEX || kind == GL_PIXEL_KIND_STENCIL) {
        // Whole values into a colour-format destination are not asked for.
        if (colorFormat(l->format)) return;
    }
    GlPixelOpDesc desc = {1, 2, 2, 0, {}, nullptr, nullptr};
    Chain c = {&r, 0};
    if (!placeDestinationSteps(&c, &desc, true)) return;
    r.passCount = c.n;
    const int64_t bit = (int64_t)l->bitOffset + first;
    r.destination.bitOffset = (GLint)(bit & 7);
    uint8_t* p = l->type == GL_BITMAP ? row + (size_t)(bit >> 3) : row + (size_t)first * (size_t)l->groupSize;
    GlPixelScratch scratch;
    GlPixelSpanBuffers buffers = {{scratch.raw, scratch.floats}};
    const GLvoid* span = __glRunSpanModifiers(nullptr, &r, v, p, &buffers);
    if (span != p) memcpy(p, span, (size_t)n * (size_t)l->components * sizeof(GLfloat));
}
