// The MMX whole fill's key, its tables and its C++ twin: a span computed
// lane by lane as the routine of mmxspan.cpp computes it (mmxfill.h gives
// the arithmetic), pixel for pixel the same colours and depths. The twin is
// the routine's test oracle and the walker's fill when the key asks for it.

#include "codegen/mmxfill.h"
#include <algorithm>
#include <string.h>
#include "raster/chain.h"
#include "raster/depthstencil.h"
#include "texture/texsample.h"
#include "texture/texture.h"

GLint __glOgMmxTwin;

GLushort __glMmxDitherLanesStorage[9][4][4][4];
const GLushort (&__glMmxDitherLanes)[9][4][4][4] = __glMmxDitherLanesStorage;

namespace {

const bool tablesBuilt = [] {
    for (int n = 1; n < 9; n++)
        for (int r = 0; r < 4; r++)
            for (int x = 0; x < 4; x++)
                for (int l = 0; l < 4; l++)
                    __glMmxDitherLanesStorage[n][r][x][l] =
                        (GLushort)(__glDitherMatrix4x4[r][(x + l) & 3] * 4096 >> (n + 1));
    return true;
}();

}  // namespace

const GLushort __glMmxLaneIndex[4][4] = {
    {0, 1, 2, 3}, {0xFFFF, 0, 1, 2}, {0xFFFE, 0xFFFF, 0, 1}, {0xFFFD, 0xFFFE, 0xFFFF, 0}};
const GLushort __glMmxLanesFrom[4][4] = {
    {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, {0, 0xFFFF, 0xFFFF, 0xFFFF}, {0, 0, 0xFFFF, 0xFFFF}, {0, 0, 0, 0xFFFF}};
const GLuint __glMmxHeadMasks[4] = {0xFFFFFFFFu, 0xFFFFFF00u, 0xFFFF0000u, 0xFF000000u};
const GLuint __glMmxTailMasks[5] = {0, 0x000000FFu, 0x0000FFFFu, 0x00FFFFFFu, 0xFFFFFFFFu};
const GLint __glMmxSubSpanLengths[4] = {16, 19, 18, 17};
// ceil(2^(14 + n) / (2^n - 1)) for n = 2 to 8 (bits of a channel).
const GLushort __glMmxColorFactor[9] = {0, 0, 21846, 18725, 17477, 16913, 16645, 16513, 16449};

GLint __glBlendFactorClass(GLenum factor) {
    switch (factor) {
    case GL_ONE: return 1;
    case GL_SRC_COLOR: return 2;
    case GL_ONE_MINUS_SRC_COLOR: return 3;
    case GL_SRC_ALPHA: return 4;
    case GL_ONE_MINUS_SRC_ALPHA: return 5;
    case GL_DST_ALPHA: return 6;
    case GL_ONE_MINUS_DST_ALPHA: return 7;
    case GL_DST_COLOR: return 8;
    case GL_ONE_MINUS_DST_COLOR: return 9;
    case GL_SRC_ALPHA_SATURATE: return 10;
    default: return 0;  // GL_ZERO
    }
}

static bool classUsesAlpha(GLint c) { return (c >= 4 && c <= 7) || c == 10; }

bool __glBlendUsesAlpha(GLenum factor) { return classUsesAlpha(__glBlendFactorClass(factor)); }

bool __glTexFormatHasAlpha(GLenum baseFormat) {
    return baseFormat == GL_ALPHA || baseFormat == GL_RGBA || baseFormat == GL_LUMINANCE_ALPHA ||
           baseFormat == GL_INTENSITY;
}

GLuint __glMmxBlendWord(GLenum src, GLenum dst) {
    return 1u | (GLuint)(__glBlendFactorClass(dst) << 4 | __glBlendFactorClass(src)) << 4;
}

GLuint __glMmxTexFilter(const GlContext* gc) {
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    if (!p || p->dimensions != 2 || !p->levels) return GL_MMX_FILTER_NONE;
    GLenum min, mag;
    __glTexFilterPair(p, &min, &mag);
    if (min == GL_NEAREST && mag == GL_NEAREST) return GL_MMX_FILTER_NEAREST;
    if (!__glHasMmxExtensions()) return GL_MMX_FILTER_NONE;
    const GLuint magWord = mag == GL_LINEAR ? (GLuint)GL_MMX_FILTER_MAG_LINEAR : 0u;
    switch (min) {
    case GL_LINEAR: return mag == GL_LINEAR ? GL_MMX_FILTER_LINEAR | magWord : GL_MMX_FILTER_NONE;
    case GL_NEAREST_MIPMAP_NEAREST: return GL_MMX_FILTER_NMN | magWord;
    case GL_NEAREST_MIPMAP_LINEAR: return GL_MMX_FILTER_NML | magWord;
    case GL_LINEAR_MIPMAP_NEAREST: return GL_MMX_FILTER_LMN | magWord;
    case GL_LINEAR_MIPMAP_LINEAR: return GL_MMX_FILTER_LML | magWord;
    default: return GL_MMX_FILTER_NONE;
    }
}

bool __glMmxMipmapComplete(const GlTextureParams* p) {
    const GlMipmapLevel* l0 = &p->levels[0];
    if (p->maxLevel >= GL_OG_MMX_LEVELS || p->maxLevel >= p->levelCount ||
        p->maxLevel != (l0->widthLog2 > l0->heightLog2 ? l0->widthLog2 : l0->heightLog2))
        return false;
    for (GLint d = 0; d <= p->maxLevel; d++) {
        const GlMipmapLevel* l = &p->levels[d];
        if (!l->data || l->border || l->storedFormat != l0->storedFormat ||
            l->widthLog2 != (l0->widthLog2 > d ? l0->widthLog2 - d : 0) ||
            l->heightLog2 != (l0->heightLog2 > d ? l0->heightLog2 - d : 0))
            return false;
    }
    return true;
}

bool __glMmxLevelsOf(GLuint filter, GLuint lodBits, GLuint crossoverBits, GLint maxLevel, GLint levels[2], GLint* f) {
    levels[0] = levels[1] = 0;
    *f = 0;
    // Magnified: not above the crossover, or not a number.
    if (lodBits - crossoverBits - 1 > 0x7F800000u - crossoverBits - 1) return true;
    GLint lod = (GLint)(lodBits >> 8) - 0x3F8000;
    if (lod > maxLevel << 16) lod = maxLevel << 16;
    if (filter == GL_MMX_FILTER_NMN || filter == GL_MMX_FILTER_LMN) {
        levels[0] = levels[1] = (lod + 0x7FFF) >> 16;
        return false;
    }
    const GLint hi = (lod + 0x10000) >> 16;
    if (hi > maxLevel) {
        levels[0] = levels[1] = maxLevel;
        return false;
    }
    levels[0] = hi, levels[1] = hi - 1;
    *f = lod >> 8 & 0xFF;
    return false;
}

GLuint __glMmxTexelLayout(const GlContext* gc) {
    const GLuint filter = __glMmxTexFilter(gc) & 0xFF;
    if (filter == GL_MMX_FILTER_NONE) return 0;
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    const GlMipmapLevel* l = &p->levels[0];
    if (p->state.wrapS != GL_REPEAT || p->state.wrapT != GL_REPEAT || l->border || !l->data || l->widthLog2 > 10 ||
        l->heightLog2 > 10)
        return 0;
    // Filtered: RGB and RGBA texels by index, every level of a mipmap.
    if (filter != GL_MMX_FILTER_NEAREST &&
        ((l->storedFormat != GL_RGB && l->storedFormat != GL_RGBA) || l->widthLog2 + l->heightLog2 > 16 ||
         (filter >= GL_MMX_FILTER_NMN && !__glMmxMipmapComplete(p))))
        return 0;
    // Red, green and blue bytes first, or one grey byte.
    const auto layout = [](GLenum format, GLuint bytes) -> GLuint {
        switch (format) {
        case GL_RGB: case GL_RGBA: break;
        case GL_LUMINANCE: case GL_LUMINANCE_ALPHA: case GL_INTENSITY: bytes |= GL_MMX_TEXEL_GREY; break;
        default: return 0u;
        }
        return bytes | (__glTexFormatHasAlpha(format) ? (GLuint)GL_MMX_TEXEL_ALPHA : 0u);
    };
    switch (l->storedFormat) {
    case GL_RGB: return layout(GL_RGB, 3);
    case GL_RGBA: return layout(GL_RGBA, 4);
    case GL_LUMINANCE: return layout(GL_LUMINANCE, 1);
    case GL_LUMINANCE_ALPHA: return layout(GL_LUMINANCE_ALPHA, 2);
    case GL_INTENSITY: return layout(GL_INTENSITY, 1);
    case GL_COLOR_INDEX8_EXT: {
        const GlColorTable* t = &p->palette;
        if (l->baseFormat != GL_COLOR_INDEX || p->baseFormat == GL_COLOR_INDEX || !t->data || t->width <= 0 ||
            (t->width & (t->width - 1)) || t->components < 1 || t->components > 4)
            return 0;
        const GLuint entry = layout(t->baseFormat, (GLuint)t->components);
        if (!entry) return 0;
        return 1u | GL_MMX_TEXEL_INDEX | (entry & GL_MMX_TEXEL_BYTES) << GL_MMX_PALETTE_BYTES_SHIFT |
               ((entry & GL_MMX_TEXEL_GREY) ? (GLuint)GL_MMX_PALETTE_GREY : 0u) | (entry & GL_MMX_TEXEL_ALPHA);
    }
    default: return 0;
    }
}

void __glMmxFillOf(const GlOgRasterKey* k, GlMmxFill* f) {
    const GLuint* w = k->fill;
    *f = GlMmxFill{};
    switch (w[FILL_FORMAT]) {
    case GL_FORMAT_332: f->bytes = 1, f->bits[0] = 3, f->bits[1] = 3, f->bits[2] = 2, f->pos[0] = 5, f->pos[1] = 2; break;
    case GL_FORMAT_555: f->bytes = 2, f->bits[0] = f->bits[1] = f->bits[2] = 5, f->pos[0] = 10, f->pos[1] = 5; break;
    case GL_FORMAT_X888: f->bytes = 4, f->bits[0] = f->bits[1] = f->bits[2] = 8, f->pos[0] = 16, f->pos[1] = 8; break;
    default: f->bytes = 2, f->bits[0] = 5, f->bits[1] = 6, f->bits[2] = 5, f->pos[0] = 11, f->pos[1] = 5; break;
    }
    f->smooth = w[FILL_SMOOTH] != 0;
    f->dither = w[FILL_DITHER] != 0;
    const GLuint layout = w[FILL_TEX_LAYOUT];
    f->tex = w[FILL_TEXCODE] == 1 ? GL_MMX_TEX_REPLACE : w[FILL_TEXCODE] == 3 ? GL_MMX_TEX_MODULATE : GL_MMX_TEX_NONE;
    if (f->tex) {
        f->texelBytes = (GLint)(layout & GL_MMX_TEXEL_BYTES);
        f->paletteBytes = layout & GL_MMX_TEXEL_INDEX ? (GLint)(layout >> GL_MMX_PALETTE_BYTES_SHIFT & 0xF) : 0;
        f->grey = (layout & (f->paletteBytes ? GL_MMX_PALETTE_GREY : GL_MMX_TEXEL_GREY)) != 0;
        f->widthLog2 = (GLint)(w[FILL_TEX_LOG2] & 0xFF);
        f->heightLog2 = (GLint)(w[FILL_TEX_LOG2] >> 8 & 0xFF);
        f->perspective = w[FILL_PERSPECTIVE] != 0;
        f->filter = w[FILL_TEX_FILTER] & 0xFF;
        f->magLinear = (w[FILL_TEX_FILTER] & GL_MMX_FILTER_MAG_LINEAR) != 0;
        f->linear = f->filter == GL_MMX_FILTER_LINEAR || f->filter == GL_MMX_FILTER_LMN || f->filter == GL_MMX_FILTER_LML;
        f->mip = f->filter >= GL_MMX_FILTER_NMN;
        f->twoLevels = f->filter == GL_MMX_FILTER_NML || f->filter == GL_MMX_FILTER_LML;
    }
    f->depth = w[FILL_DEPTH];
    f->depthWrite = w[FILL_DEPTH_WRITE] != 0;
    f->depthBytes = w[FILL_DEPTH_BYTES] == 4 ? 4 : 2;
    f->depthShift = (GLint)w[FILL_DEPTH_SHIFT];
    f->blend = w[FILL_BLEND] != 0;
    if (f->blend) {
        f->blendSrc = (GLint)(w[FILL_BLEND] >> 4 & 0xF);
        f->blendDst = (GLint)(w[FILL_BLEND] >> 8 & 0xF);
        f->alpha = classUsesAlpha(f->blendSrc) || classUsesAlpha(f->blendDst);
        f->texAlpha = f->alpha && f->tex && (layout & GL_MMX_TEXEL_ALPHA);
        const GLint bytes = f->paletteBytes ? f->paletteBytes : f->texelBytes;
        f->texAlphaByte = bytes == 4 ? 3 : bytes == 2 ? 1 : 0;
    }
}

void __glMmxBilinearOf(GLushort s, GLushort t, GLint widthLog2, GLint heightLog2, GLint sum, GLushort index[4],
                       GLushort weight[4]) {
    const GLushort us = (GLushort)(s - (0x8000 >> widthLog2)), ut = (GLushort)(t - (0x8000 >> heightLog2));
    const GLuint fs = (GLushort)(us << widthLog2) >> 8, ft = (GLushort)(ut << heightLog2) >> 8;
    const GLuint c0 = (GLuint)us >> (16 - widthLog2), r0 = (GLuint)ut >> (16 - heightLog2);
    const GLuint c1 = (c0 + 1) & ((1u << widthLog2) - 1), r1 = (r0 + 1) & ((1u << heightLog2) - 1);
    index[0] = (GLushort)(c0 | r0 << widthLog2), index[1] = (GLushort)(c1 | r0 << widthLog2);
    index[2] = (GLushort)(c0 | r1 << widthLog2), index[3] = (GLushort)(c1 | r1 << widthLog2);
    const GLuint w11 = (fs * ft & 0xFFFF) >> 8;
    weight[3] = (GLushort)w11, weight[1] = (GLushort)(fs - w11), weight[2] = (GLushort)(ft - w11);
    weight[0] = (GLushort)((GLuint)sum - fs - ft + w11);
}

bool __glOgMmxBodyTakes(const GlOgRasterKey* k) {
    const GLuint* w = k->fill;
    const GLuint f = w[FILL_FORMAT];
    GlMmxFill fill;
    __glMmxFillOf(k, &fill);
    if (fill.twoLevels && fill.texAlpha) return false;  // two levels blend no alpha
    return w[FILL_MMX] && w[FILL_RGBA] &&
           (f == GL_FORMAT_565 || f == GL_FORMAT_555 || f == GL_FORMAT_332 || f == GL_FORMAT_X888) &&
           (!w[FILL_TEXCODE] || ((w[FILL_TEXCODE] == 1 || w[FILL_TEXCODE] == 3) && w[FILL_TEX_LAYOUT])) &&
           !w[FILL_NOTHING_WRITTEN] &&
           (!w[FILL_DEPTH] || (w[FILL_DEPTH_BYTES] == 2 && w[FILL_DEPTH_SHIFT] == 16) || w[FILL_DEPTH_BYTES] == 4);
}

extern "C" GLboolean GLPROC __glOgMmxFillServes(GlContext* gc) {
    GlOgRasterKey k;
    return !__glOgRasterDisabled && __glOgRasterKeyOf(gc, 0, &k) && k.fill[FILL_MMX] && __glOgMmxBodyTakes(&k);
}

namespace {

// Lanes of one quantity along the span: start lanes (lane l of the first
// group) and the step of a group.
struct Lanes {
    GLushort start[4], step;
    GLushort at(GLint l, GLint m) const { return (GLushort)(start[l] + m * step); }
};

// Start V (its integer part toward zero, or the plain high half), steps s1
// and s4 of a 16.16 value shifted left by `shift`.
Lanes lanesOf(GLuint value, GLuint step, GLint shift, GLint j, bool towardZero, bool steps) {
    Lanes x;
    const GLuint v = value << shift;
    const GLushort V = towardZero ? __glMmxHigh0(v) : (GLushort)(v >> 16);
    const GLushort s1 = steps ? __glMmxHigh0(step << shift) : 0;
    x.step = steps ? __glMmxHigh0(step << 2 << shift) : 0;
    for (int l = 0; l < 4; l++) x.start[l] = (GLushort)(V + (GLushort)(s1 * __glMmxLaneIndex[j][l]));
    return x;
}

// Field of channel c from its lane with top bit `top`; a byte field its
// lane's top 8 bits, held to 255 (the fill packs them with saturation).
GLuint field(const GlMmxFill& f, int c, GLushort v, GLint top) {
    if (f.bytes == 4) return std::min<GLuint>((GLuint)v >> (top - 7), 255u) << f.pos[c];
    const GLint to = f.top(c);
    GLuint x = to >= top ? (GLushort)(v << (to - top)) : (GLushort)(v >> (top - to));
    if (f.pos[c]) x &= ((1u << f.bits[c]) - 1) << f.pos[c];
    return x;
}

// Factor lane of class k (16384 = 1.0) for an n-bit channel's source and
// destination lanes and the source alpha; false for a factor of 0, whose
// term is left out. The buffers hold no alpha: destination alpha is 1.
bool factorLane(GLint k, GLint n, GLushort src, GLushort dst, GLushort alpha, GLushort* f) {
    const auto color = [n](GLushort v) { return __glMmxMulHigh(v, __glMmxColorFactor[n]); };
    // A source colour (a texel, or a lane past the channel's maximum) held to 1.0.
    const GLushort source = (GLushort)std::min<GLint>((GLshort)color(src), 8192);
    switch (k) {
    case 1: case 6: *f = 16384; return true;
    case 2: *f = (GLushort)(source << 1); return true;
    case 3: *f = (GLushort)((GLushort)(8192 - source) << 1); return true;
    case 4: *f = alpha; return true;
    case 5: *f = (GLushort)(16384 - alpha); return true;
    case 8: *f = (GLushort)(color(dst) << 1); return true;
    case 9: *f = (GLushort)((GLushort)(8192 - color(dst)) << 1); return true;
    default: return false;
    }
}

// A channel blended (source and destination lanes at top bit 14); the
// result's top bit in *top.
GLushort blendLane(const GlMmxFill& f, int c, GLushort src, GLushort dst, GLushort alpha, GLint* top) {
    *top = 14;
    if (f.blendSrc == 1 && f.blendDst == 1) return (GLushort)__glMmxAddSaturate(src, dst);
    GLushort v = 0, k;
    if (factorLane(f.blendSrc, f.bits[c], src, dst, alpha, &k)) v = __glMmxMulHigh(src, k);
    if (factorLane(f.blendDst, f.bits[c], src, dst, alpha, &k)) v = (GLushort)__glMmxAddSaturate(v, __glMmxMulHigh(dst, k));
    if (!f.blendSrc) {
        *top = 12;
        return v;
    }
    v = (GLushort)__glMmxAddSaturate(v, v);
    return (GLushort)__glMmxAddSaturate(v, v);
}

// Channel c of a destination pixel at top bit 14.
GLushort destinationLane(const GlMmxFill& f, int c, GLuint pixel) {
    if (f.bytes == 4) return (GLushort)((pixel >> f.pos[c] & 0xFF) << 7);
    const GLint top = f.top(c);
    const GLushort x = top > 14 ? (GLushort)(pixel >> (top - 14)) : (GLushort)(pixel << (14 - top));
    return (GLushort)(x & ((1u << f.bits[c]) - 1) << (15 - f.bits[c]));
}

// The texel of lanes s and t on a level of log2 sizes a and b: its channels
// as byte x 257 (modulated) or byte x 128 (replaced), and its alpha byte;
// bilinear the weighted sums (__glMmxBilinearOf).
void sampleLevel(const GlMmxFill& f, const uint8_t* texels, GLint a, GLint b, GLushort sl, GLushort tl,
                 const uint8_t* palette, GLuint paletteMask, GLuint tv[3], GLuint* alphaByte) {
    const bool replace = f.tex == GL_MMX_TEX_REPLACE;
    if (f.linear) {
        GLushort index[4], weight[4];
        __glMmxBilinearOf(sl, tl, a, b, replace ? 256 : 257, index, weight);
        GLuint acc[4] = {};
        for (int corner = 0; corner < 4; corner++) {
            const uint8_t* e = texels + index[corner] * (GLuint)f.texelBytes;
            for (int c = 0; c < 4; c++) acc[c] = (acc[c] + e[c] * (GLuint)weight[corner]) & 0xFFFF;
        }
        for (int c = 0; c < 3; c++) tv[c] = replace ? acc[c] >> 1 : acc[c];
        *alphaByte = acc[3] >> 8;
        return;
    }
    const GLuint col = (GLuint)sl >> (16 - a), row = (GLuint)tl >> (16 - b);
    const uint8_t* e = texels + (col + (row << a)) * (GLuint)f.texelBytes;
    if (f.paletteBytes) e = palette + (e[0] & paletteMask) * (GLuint)f.paletteBytes;
    for (int c = 0; c < 3; c++) {
        const GLuint t = e[f.grey ? 0 : c];
        tv[c] = replace ? t * 128 : t * 257;
    }
    *alphaByte = e[f.texAlphaByte];
}

}  // namespace

extern "C" void GLPROC __glMmxFillSpan(GlContext* gc, const GlOgRasterKey* k, GlSpan* s, GLint n) {
    GlMmxFill f;
    __glMmxFillOf(k, &f);
    if (f.depth == 1 || n <= 0) return;  // GL_NEVER: nothing drawn or written
    const GLint j = (GLint)(((uintptr_t)s->dest / (uintptr_t)f.bytes) & 3);
    const GLushort* dither[3];
    for (int c = 0; c < 3; c++) dither[c] = __glMmxDitherLanes[f.bits[c]][s->y & 3][(s->x - j) & 3];
    // Colour lanes of the fragment; untextured, the dither joins them at the start.
    Lanes color[3];
    const GLuint values[3] = {s->red, s->green, s->blue};
    const GLint steps[3] = {s->redStep, s->greenStep, s->blueStep};
    for (int c = 0; c < 3; c++) {
        color[c] = lanesOf(values[c], (GLuint)steps[c], f.shift(c), j, true, f.colorSteps());
        if (!f.colorSteps())
            for (GLushort& v : color[c].start) v = color[c].start[j];
        if (!f.tex && f.dither && !f.blend)
            for (int l = 0; l < 4; l++) color[c].start[l] = (GLushort)__glMmxAddSaturate(color[c].start[l], dither[c][l]);
    }
    const Lanes alpha = lanesOf(s->alpha, (GLuint)s->alphaStep, 6, j, true, f.alphaSteps());
    Lanes tex[2];
    const GlTextureParams* tp = (const GlTextureParams*)gc->currentTexture;
    const uint8_t* texels = nullptr;
    const uint8_t* palette = nullptr;
    GLuint paletteMask = 0;
    if (f.tex) {
        tex[0] = lanesOf((GLuint)s->s, (GLuint)s->sStep, 16 - f.widthLog2, j, false, true);
        tex[1] = lanesOf((GLuint)s->t, (GLuint)s->tStep, 16 - f.heightLog2, j, false, true);
        texels = tp->levels[0].data;
        palette = tp->palette.data;
        paletteMask = (GLuint)tp->palette.width - 1;
    }
    // Mipmapped: the span's levels.
    GLint levels[2] = {0, 0}, levelF = 0;
    const bool magnified = f.mip && __glMmxLevelsOf(f.filter, __glOgScratch(gc)->fill.lodBits, f.crossoverBits(),
                                                   tp->maxLevel, levels, &levelF);
    // Magnified by a filter of the other kind: level 0's texels of that filter.
    GlMmxFill magFill = f;
    magFill.mip = magFill.twoLevels = false, magFill.linear = f.magLinear;
    // Perspective with q varying: the walker's sub-spans (entry 0 in the span).
    GLuint qStepBits;
    memcpy(&qStepBits, &s->texQStep, 4);
    const bool subSpans = f.tex && f.perspective && (qStepBits & 0x7FFFFFFFu);
    const GLint firstSub = __glMmxSubSpanLengths[j];
    const GlDepthBuffer* db = &gc->fb.depth;
    for (GLint p = 0; p < n; p++) {
        const GLint l = (p + j) & 3, m = (p + j) >> 2;
        if (f.depth) {
            GLuint z = __glDepthStored(db, s->z + (GLuint)p * (GLuint)s->zStep), old;
            if (f.depthBytes == 4) {
                old = ((const GLuint*)s->depthAddress)[p];
            } else {
                z = (GLushort)z;
                old = ((const GLushort*)s->depthAddress)[p];
            }
            bool pass;
            switch (f.depth - 1) {
            case 1: pass = z < old; break;
            case 2: pass = z == old; break;
            case 3: pass = z <= old; break;
            case 4: pass = z > old; break;
            case 5: pass = z != old; break;
            case 6: pass = z >= old; break;
            default: pass = true; break;
            }
            if (!pass) continue;
            if (f.depthWrite && f.depthBytes == 4) ((GLuint*)s->depthAddress)[p] = z;
            else if (f.depthWrite) ((GLushort*)s->depthAddress)[p] = (GLushort)z;
        }
        GLuint pixel = 0;
        if (!f.tex && !f.smooth && !f.dither && !f.blend) {
            pixel = s->flatPixel;
        } else {
            GLushort v[3];
            GLint top = 14, tops[3];
            GLushort a = f.alphaSteps() ? alpha.at(l, m) : alpha.start[j];
            for (int c = 0; c < 3; c++) v[c] = color[c].at(l, m);
            if (f.tex) {
                GLushort sl = tex[0].at(l, m), tl = tex[1].at(l, m);
                if (subSpans && p >= firstSub) {
                    // Sub-span k from group mk on: its entry's lanes from lane 0.
                    const GLint k = 1 + (p - firstSub) / 16, mk = (firstSub + j) / 4 + 4 * (k - 1);
                    const GLint* e = __glOgScratch(gc)->fill.sub[k];
                    sl = lanesOf((GLuint)e[0], (GLuint)e[1], 16 - f.widthLog2, 0, false, true).at(l, m - mk);
                    tl = lanesOf((GLuint)e[2], (GLuint)e[3], 16 - f.heightLog2, 0, false, true).at(l, m - mk);
                }
                // The texel's channels as byte x 257 (modulated) or byte x 128, and its alpha byte.
                GLuint tv[3], alphaByte;
                if (!f.mip || (magnified && f.magSeparate())) {
                    sampleLevel(f.mip ? magFill : f, texels, f.widthLog2, f.heightLog2, sl, tl, palette, paletteMask,
                                tv, &alphaByte);
                } else {
                    GLuint second[3];
                    for (int n = 0; n < (f.twoLevels ? 2 : 1); n++) {
                        const GLint d = levels[n];
                        sampleLevel(f, tp->levels[d].data, f.widthLog2 > d ? f.widthLog2 - d : 0,
                                    f.heightLog2 > d ? f.heightLog2 - d : 0, sl, tl, palette, paletteMask,
                                    n ? second : tv, &alphaByte);
                    }
                    if (f.twoLevels)
                        for (int c = 0; c < 3; c++) tv[c] = __glMmxLevelBlend(tv[c], second[c], levelF) & 0xFFFF;
                }
                for (int c = 0; c < 3; c++) {
                    const GLushort lane = (GLushort)(v[c] << (c ? 0 : f.redUp()));
                    v[c] = f.tex == GL_MMX_TEX_REPLACE ? (GLushort)tv[c] : (GLushort)((tv[c] * lane) >> 16);
                }
                if (f.texAlpha) {
                    const GLuint b = alphaByte;
                    const GLushort t = (GLushort)(b * 64 + ((b + 1) >> 2));
                    a = f.tex == GL_MMX_TEX_REPLACE ? t : (GLushort)(__glMmxMulHigh(t, a) << 2);
                }
            }
            if (f.blend) {
                const uint8_t* d = s->dest + p * f.bytes;
                const GLuint old = f.bytes == 1 ? *d : f.bytes == 2 ? *(const GLushort*)d : *(const GLuint*)d;
                for (int c = 0; c < 3; c++)
                    v[c] = blendLane(f, c, (GLushort)(v[c] << (14 - top)), destinationLane(f, c, old), a, &tops[c]);
                top = tops[0];
            }
            for (int c = 0; c < 3; c++) tops[c] = top;
            if (f.tex == GL_MMX_TEX_MODULATE) tops[0] += f.redUp();  // the product of the shifted lanes
            if ((f.tex || f.blend) && f.dither)
                for (int c = 0; c < 3; c++) {
                    if (tops[c] > 14) {  // unsigned
                        const GLuint d = (GLuint)v[c] + (GLuint)(dither[c][l] << (tops[c] - 14));
                        v[c] = (GLushort)(d > 0xFFFF ? 0xFFFF : d);
                        continue;
                    }
                    v[c] = (GLushort)__glMmxAddSaturate((GLushort)(v[c] << (14 - top)), dither[c][l]);
                    tops[c] = 14;
                }
            for (int c = 0; c < 3; c++) pixel |= field(f, c, v[c], tops[c]);
        }
        uint8_t* d = s->dest + p * f.bytes;
        if (f.bytes == 1) *d = (uint8_t)((GLshort)pixel < 0 ? 0 : (GLshort)pixel > 255 ? 255 : pixel);
        else if (f.bytes == 2) *(GLushort*)d = (GLushort)pixel;
        else *(GLuint*)d = pixel;
    }
}
