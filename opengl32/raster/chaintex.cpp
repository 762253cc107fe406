// Texturing of the fast span chain. Texels travel as bytes: a fetch reads one
// texel of a level by row and column, a filter maps 16.16 coordinates to
// texels under the wrap modes and blends them by their 8-bit fractions,
// and a textured span stage fills GlSpan.texels with one texel per live pixel
// for the colour stages. The picker part chooses them for the current texture
// and tells the chain picker the texture-function code.

#include <float.h>
#include <stddef.h>
#include <string.h>
#include <emmintrin.h>
#include <array>
#include "raster/chaintex.h"
#include "raster/chaintexlanes.h"
#include "codegen/codegen.h"
#include "texture/texsample.h"

namespace {

// ---- Texel fetch

enum TexelFormat { TF_LUM, TF_LUMALPHA, TF_RGB, TF_RGBA, TF_ALPHA, TF_INTENSITY, TF_INDEX8, TF_INDEX16, TF_COUNT };
constexpr GLint kSourceBytes[TF_COUNT] = {1, 2, 3, 4, 1, 1, 1, 2};
constexpr GLenum kStoredFormat[TF_COUNT] = {GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB,           GL_RGBA,
                                            GL_ALPHA,     GL_INTENSITY,       GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX16_EXT};

inline uint8_t toByte(GLfloat c) { return (uint8_t)(GLint)(c * 255.0f + 0.5f); }

// A colour index: its low byte in a colour-index context, else its palette
// entry (the index masked to the palette's size; a palette without data is
// not read and gives zeros).
inline void indexTexel(const GlTextureParams* p, GLuint index, uint8_t* out) {
    const GlColorTable* t = &p->palette;
    if (p->baseFormat == GL_COLOR_INDEX || t->baseFormat == 0) {
        out[0] = (uint8_t)index;
        return;
    }
    if (!t->data || t->width <= 0) {
        memset(out, 0, 4);
        return;
    }
    const uint8_t* e = t->data + (size_t)(index & (GLuint)(t->width - 1)) * (size_t)t->components;
    switch (t->baseFormat) {
    case GL_ALPHA: out[0] = e[0]; break;
    case GL_RGB: out[0] = e[0], out[1] = e[1], out[2] = e[2]; break;
    case GL_RGBA: memcpy(out, e, 4); break;
    case GL_LUMINANCE: out[0] = out[1] = out[2] = e[0]; break;
    case GL_LUMINANCE_ALPHA: out[0] = out[1] = out[2] = e[0], out[3] = e[1]; break;
    case GL_INTENSITY: memset(out, e[0], 4); break;
    default: break;
    }
}

// The output bytes of the stored texel v.
template <int F>
inline void putTexel(const GlTextureParams* p, const uint8_t* v, uint8_t* out) {
    switch (F) {
    case TF_LUM: out[0] = out[1] = out[2] = v[0]; break;
    case TF_LUMALPHA: out[0] = out[1] = out[2] = v[0], out[3] = v[1]; break;
    case TF_RGB: memcpy(out, v, 2), out[2] = v[2]; break;
    case TF_RGBA: memcpy(out, v, 4); break;
    case TF_ALPHA: out[0] = v[0]; break;
    case TF_INTENSITY: memset(out, v[0], 4); break;
    case TF_INDEX8: indexTexel(p, v[0], out); break;
    default: indexTexel(p, (GLuint)(v[0] | v[1] << 8), out); break;
    }
}

// The border colour as a stored texel: luminance and intensity take red; an
// index is red scaled to the index range.
template <int F>
inline void borderTexel(const GlTextureParams* p, uint8_t* out) {
    const GLfloat* c = p->state.borderColor;
    if (F == TF_INDEX8 || F == TF_INDEX16) {
        indexTexel(p, (GLuint)(GLint)(c[0] * (F == TF_INDEX8 ? 255.0f : 65535.0f) + 0.5f), out);
        return;
    }
    uint8_t v[4] = {toByte(c[0]), toByte(c[1]), toByte(c[2]), toByte(c[3])};
    if (F == TF_LUMALPHA) v[1] = v[3];
    if (F == TF_ALPHA) v[0] = v[3];
    putTexel<F>(p, v, out);
}

// A 1-D texture is one row and ignores the row asked for; its bordered level
// keeps that row between its two border rows.
template <int F, bool Border>
void GLPROC texelFetch(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out) {
    if (p->dimensions == 1) row = 0;
    size_t element;
    if (Border) {
        const GLint r = p->dimensions == 1 ? l->height >> 1 : row + 1;
        element = (size_t)r * (size_t)l->width + (size_t)(col + 1);
    } else {
        if ((GLuint)row >= (GLuint)l->innerHeight || (GLuint)col >= (GLuint)l->innerWidth) {
            borderTexel<F>(p, out);
            return;
        }
        element = ((size_t)row << l->widthLog2) + (size_t)col;
    }
    putTexel<F>(p, l->data + element * kSourceBytes[F], out);
}

// ---- Filters

// Nearest texel of 16.16 u on a side of n texels.
inline GLint nearestIndex(GLint u, GLint n, bool repeat) {
    const GLint i = u >> 16;
    if (repeat) return i & (n - 1);
    return i < 0 ? 0 : i >= n ? n - 1 : i;
}

// The two texels around u and the 8-bit weight of the second; clamping keeps
// u in [0, n] so that -1 and n reach the border.
struct Axis {
    GLint i0, i1, f;
};
inline Axis linearAxis(GLint u, GLint n, bool repeat) {
    if (!repeat) {
        const int64_t top = (int64_t)n << 16;
        u = u < 0 ? 0 : u > top ? (GLint)top : u;
    }
    const GLint v = (GLint)((GLuint)u - 0x8000u);
    const GLint i = v >> 16, f = (v >> 8) & 0xFF;
    if (repeat) return {i & (n - 1), (i + 1) & (n - 1), f};
    return {i, i + 1, f};
}

inline bool repeatS(const GlTextureParams* p) { return p->state.wrapS == GL_REPEAT; }
inline bool repeatT(const GlTextureParams* p) { return p->state.wrapT == GL_REPEAT; }

void nearest(const GlTextureParams* p, const GlMipmapLevel* l, GLint s, GLint t, uint8_t* out) {
    const GLint row = p->dimensions == 1 ? 0 : nearestIndex(t, l->innerHeight, repeatT(p));
    p->texelFetch(l, p, row, nearestIndex(s, l->innerWidth, repeatS(p)), out);
}

// Four texels weighted by the 8-bit fractions (over 256) of s and t; every
// component is computed, whatever the format's width. Integer products:
// square-table products would lose up to 7 of 255 over the eight a sample
// takes.
void linear(const GlTextureParams* p, const GlMipmapLevel* l, GLint s, GLint t, uint8_t* out) {
    const Axis u = linearAxis(s, l->innerWidth, repeatS(p));
    const Axis v = p->dimensions == 1 ? Axis{0, 0, 0} : linearAxis(t, l->innerHeight, repeatT(p));
    uint8_t tx[4][4] = {};
    p->texelFetch(l, p, v.i0, u.i0, tx[0]);
    p->texelFetch(l, p, v.i0, u.i1, tx[1]);
    p->texelFetch(l, p, v.i1, u.i0, tx[2]);
    p->texelFetch(l, p, v.i1, u.i1, tx[3]);
    for (int c = 0; c < 4; c++) {
        const GLuint lo = tx[0][c] * (256u - u.f) + tx[1][c] * (GLuint)u.f;
        const GLuint hi = tx[2][c] * (256u - u.f) + tx[3][c] * (GLuint)u.f;
        out[c] = (uint8_t)((lo * (256u - v.f) + hi * (GLuint)v.f + 0x8000u) >> 16);
    }
}

// A whole-texture coordinate in texels of a level of log2 size k: wrapped
// (the same texel under GL_REPEAT) or saturated.
inline GLint toLevel(GLint u, GLint k, bool repeat) {
    if (repeat) return (GLint)((GLuint)u << k);
    const int64_t v = (int64_t)u << k;
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : (GLint)v;
}

template <bool Linear>
void sampleLevel(const GlTextureParams* p, GLint level, GLint s, GLint t, uint8_t* out) {
    const GlMipmapLevel* l = &p->levels[level];
    s = toLevel(s, l->widthLog2, repeatS(p));
    t = toLevel(t, l->heightLog2, repeatT(p));
    (Linear ? linear : nearest)(p, l, s, t, out);
}

// The level of detail held to [0, maxLevel] before it picks a level.
inline GLint clampLod(const GlTextureParams* p, GLint lod) {
    const GLint top = p->maxLevel << 16;
    return lod < 0 ? 0 : lod > top ? top : lod;
}

// The nearest level rounds a half down, as GL's ceil(lambda + 1/2) - 1.
template <bool Linear>
void nearestLevel(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out) {
    GLint level = (clampLod(p, lod) + 0x7FFF) >> 16;
    if (level > p->maxLevel) level = p->maxLevel;
    sampleLevel<Linear>(p, level, s, t, out);
}

template <bool Linear>
void twoLevels(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out) {
    lod = clampLod(p, lod);
    const GLint hi = (lod + 0x10000) >> 16;
    if (hi > p->maxLevel) {
        sampleLevel<Linear>(p, p->maxLevel, s, t, out);
        return;
    }
    uint8_t a[4] = {}, b[4] = {};
    sampleLevel<Linear>(p, hi, s, t, a);
    sampleLevel<Linear>(p, hi - 1, s, t, b);
    const GLuint f = (GLuint)(lod >> 8) & 0xFF;
    for (int c = 0; c < 4; c++) out[c] = (uint8_t)((a[c] * f + b[c] * (256u - f) + 0x80u) >> 8);
}

// ---- Textured span stages

enum SpanKind { K_AFFINE, K_PERSPECTIVE, K_SWITCH, K_MIPMAP };

inline GLfloat positive(GLfloat q) { return __glTexPositiveQ(q); }

// Four floats as 16.16. A float scaled by 2^16 is exact, so its rounded
// conversion is the value rounded to 16.16; it is held to [-32768, 32767.996]
// first (a not-a-number low: max and min answer their second operand when
// unordered).
inline __m128i fixed16x4(__m128 v) {
    v = _mm_min_ps(_mm_max_ps(v, _mm_set1_ps(-32768.0f)), _mm_set1_ps(32767.996f));
    return _mm_cvtps_epi32(_mm_mul_ps(v, _mm_set1_ps(65536.0f)));
}


// One run of pixels: its mask bits from bit 31, 16.16 s and t at its first
// pixel with their per-pixel steps, and the level-of-detail value L with its
// step.
struct TexRun {
    GLuint mask;
    GLint s, t, ds, dt;
    GLfloat L, dL;
};

// s, t, ds and dt of a run from their floats.
inline void fixedCoordinates(TexRun* x, __m128 v) {
    static_assert(offsetof(TexRun, dt) == offsetof(TexRun, s) + 12, "TexRun: s, t, ds, dt in a row");
    _mm_storeu_si128((__m128i*)&x->s, fixed16x4(v));
}

// The group's runs with live pixels, in pixel order; answers how many.
// Affine, or q constant: one run of 32. Perspective: up to two runs of 16
// pixels, each divided at its first pixel and at its last live pixel (never
// past the span) and stepped linearly between.
template <int Kind>
inline int texelRuns(GLuint mask, const GlSpan* sp, TexRun runs[2]) {
    if (Kind == K_AFFINE) {
        runs[0] = TexRun{mask, sp->s, sp->t, sp->sStep, sp->tStep, 0.0f, 0.0f};
        return 1;
    }
    constexpr bool lod = Kind != K_PERSPECTIVE;
    GLfloat sq = sp->texS, tq = sp->texT, q = sp->texQ, r = sp->texLod;
    if (sp->texQStep == 0.0f) {  // q constant along the span: s/q and t/q are linear
        const GLfloat w = 1.0f / positive(q);
        runs[0].mask = mask;
        runs[0].L = lod ? r * w : 0.0f, runs[0].dL = lod ? sp->texLodStep * w : 0.0f;
        fixedCoordinates(&runs[0], _mm_mul_ps(_mm_setr_ps(sq, tq, sp->texSStep, sp->texTStep), _mm_set1_ps(w)));
        return 1;
    }
    int count = 0;
    for (int half = 0; half < 2; half++) {
        const GLuint m = half ? mask << 16 : mask & 0xFFFF0000u;
        if (m) {
            TexRun& x = runs[count++];
            const GLint last = 31 - __builtin_ctz(m);
            const GLfloat w0 = 1.0f / positive(q), s0 = sq * w0, t0 = tq * w0;
            x.mask = m;
            x.L = lod ? r * w0 : 0.0f, x.dL = 0.0f;
            GLfloat ds = 0.0f, dt = 0.0f;
            if (last) {
                const GLfloat k = (GLfloat)last, perPixel = __glTexRunReciprocal[last];
                const GLfloat w1 = 1.0f / positive(q + k * sp->texQStep);
                ds = ((sq + k * sp->texSStep) * w1 - s0) * perPixel;
                dt = ((tq + k * sp->texTStep) * w1 - t0) * perPixel;
                if (lod) x.dL = ((r + k * sp->texLodStep) * w1 - x.L) * perPixel;
            }
            fixedCoordinates(&x, _mm_setr_ps(s0, t0, ds, dt));
        }
        sq += 16.0f * sp->texSStep, tq += 16.0f * sp->texTStep, q += 16.0f * sp->texQStep;
        if (lod) r += 16.0f * sp->texLodStep;
    }
    return count;
}

// live() for each live pixel of a mask, next() after every pixel up to the
// last live one; live pixels that run unbroken from bit 31 take a counted
// loop.
template <class Live, class Next>
inline void runPixels(GLuint m, Live live, Next next) {
    const GLuint dead = ~m;
    if (!(dead & (dead + 1))) {
        for (int n = dead ? __builtin_clz(dead) : 32; n; n--) live(), next();
        return;
    }
    for (; m; m <<= 1) {
        if (m & 0x80000000u) live();
        next();
    }
}

// Magnified up to the switch value, a not-a-number scale too.
template <int Bytes, int Kind>
void GLSPANCALL spanTextured(GLuint mask, GlSpan* sp) {
    const GlContext* gc = sp->context;
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    const GlSpanTexFilterProc minFilter = gc->procs.texFilterMin, magFilter = gc->procs.texFilterMag;
    const GLfloat crossover = p->switchValue;
    uint8_t* out = sp->texels;
    TexRun runs[2];
    for (int r = 0, count = texelRuns<Kind>(mask, sp, runs); r < count; ++r) {
        TexRun& x = runs[r];
        GLuint s = (GLuint)x.s, t = (GLuint)x.t;
        runPixels(
            x.mask,
            [&] {
                if (Kind == K_AFFINE || Kind == K_PERSPECTIVE) minFilter(p, 0, (GLint)s, (GLint)t, out);
                else if (!(x.L > crossover)) magFilter(p, 0, (GLint)s, (GLint)t, out);
                else minFilter(p, Kind == K_MIPMAP ? __glTexLodFixed(x.L) : 0, (GLint)s, (GLint)t, out);
                out += Bytes;
            },
            [&] {
                s += (GLuint)x.ds, t += (GLuint)x.dt;
                if (Kind == K_SWITCH || Kind == K_MIPMAP) x.L += x.dL;
            });
    }
}

// The nearest texel of level 0 under GL_REPEAT, read inline. s and t are
// kept shifted so that the row is the top log2-height bits of T and the
// column the log2-width bits of S just below them: the texel is
// ((T & rowField) | (S & columnField)) >> shift, one shift by a count that
// stays in place through the loop. One grid for each log2 width and height.
struct NearestGrid {
    GLuint rowField, columnField;
    GLint shift;
    GLint sLeft, sRight, tLeft;  // S: 16.16 s shifted left, then right (arithmetic); T: t shifted left
    GLuint s(GLint v) const { return (GLuint)((GLint)((GLuint)v << sLeft) >> sRight); }
    GLuint t(GLint v) const { return (GLuint)v << tLeft; }
    GLuint texel(GLuint S, GLuint T) const { return ((T & rowField) | (S & columnField)) >> shift; }
};

constexpr int kNearestLog2 = 10;  // up to 1024 x 1024 texels
constexpr int kNearestSides = kNearestLog2 + 1;

// The grid of a level of log2 width a and log2 height b.
constexpr NearestGrid nearestGrid(int a, int b) {
    return {b ? ~0u << (32 - b) : 0u, a ? ((1u << a) - 1) << (32 - a - b) : 0u,
            a + b ? 32 - a - b : 31,  // a 1 x 1 level: both fields empty
            a + b <= 16 ? 16 - a - b : 0, a + b <= 16 ? 0 : a + b - 16, 16 - b};
}
constexpr std::array<NearestGrid, kNearestSides * kNearestSides> nearestGrids() {
    std::array<NearestGrid, kNearestSides * kNearestSides> g{};
    for (int a = 0; a < kNearestSides; ++a)
        for (int b = 0; b < kNearestSides; ++b) g[(size_t)(a * kNearestSides + b)] = nearestGrid(a, b);
    return g;
}
constexpr std::array<NearestGrid, kNearestSides * kNearestSides> kNearestGrids = nearestGrids();

inline const NearestGrid& gridOf(const GlMipmapLevel* l) {
    return kNearestGrids[(size_t)(l->widthLog2 * kNearestSides + l->heightLog2)];
}

inline __m128i ramp4(__m128i v, __m128i d) { return __glTexRamp4(v, d); }

// An RGB texel copied as one word: the byte after it is the next texel's
// (a level's memory ends with GL_TEX_LEVEL_SLACK spare bytes), and the
// byte written after it belongs to the next texel out.
template <int F, int Bytes>
inline void putTexelWord(const GlTextureParams* p, const uint8_t* v, uint8_t* out) {
    if (F == TF_RGB && Bytes == 3) memcpy(out, v, 4);
    else putTexel<F>(p, v, out);
}

// A run of n pixels unbroken from bit 31, four a step: the lanes hold S and
// T of pixels i .. i + 3 and give their texel offsets together; the texels
// are then copied one by one, the run's last one exactly.
template <int F, int Bytes>
__attribute__((always_inline)) inline uint8_t* nearestRun(const GlTextureParams* p, const NearestGrid& g,
                                                          const TexRun& x, int n, uint8_t* out) {
    const __m128i st = _mm_loadu_si128((const __m128i*)&x.s);  // s, t, ds, dt
    const __m128i S = _mm_sra_epi32(_mm_sll_epi32(st, _mm_cvtsi32_si128(g.sLeft)), _mm_cvtsi32_si128(g.sRight));
    const __m128i T = _mm_sll_epi32(st, _mm_cvtsi32_si128(g.tLeft));
    __m128i S4 = ramp4(S, _mm_srli_si128(S, 8)), T4 = ramp4(_mm_srli_si128(T, 4), _mm_srli_si128(T, 12));
    const __m128i dS4 = _mm_slli_epi32(_mm_shuffle_epi32(S, 0xAA), 2);
    const __m128i dT4 = _mm_slli_epi32(_mm_shuffle_epi32(T, 0xFF), 2);
    const __m128i rowField = _mm_set1_epi32((int)g.rowField), columnField = _mm_set1_epi32((int)g.columnField);
    const __m128i shift = _mm_cvtsi32_si128(g.shift);
    const uint8_t* const data = p->levels[0].data;
    alignas(16) GLuint o[4];
    const auto offsets = [&] {
        __m128i e = _mm_srl_epi32(_mm_or_si128(_mm_and_si128(T4, rowField), _mm_and_si128(S4, columnField)), shift);
        if (kSourceBytes[F] == 3) e = _mm_add_epi32(e, _mm_slli_epi32(e, 1));
        if (kSourceBytes[F] == 2) e = _mm_slli_epi32(e, 1);
        if (kSourceBytes[F] == 4) e = _mm_slli_epi32(e, 2);
        _mm_store_si128((__m128i*)o, e);
        S4 = _mm_add_epi32(S4, dS4), T4 = _mm_add_epi32(T4, dT4);
    };
    for (; n > 4; n -= 4, out += 4 * Bytes) {
        offsets();
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) putTexelWord<F, Bytes>(p, data + o[k], out + k * Bytes);
    }
    offsets();
#pragma GCC unroll 3
    for (int k = 0; k < 3; ++k)
        if (k < n - 1) putTexelWord<F, Bytes>(p, data + o[k], out + k * Bytes);
    putTexel<F>(p, data + o[n - 1], out + (n - 1) * Bytes);
    return out + n * Bytes;
}

template <int F, int Bytes, bool Perspective>
void GLSPANCALL spanNearest(GLuint mask, GlSpan* sp) {
    const GlTextureParams* p = (const GlTextureParams*)sp->context->currentTexture;
    const NearestGrid& g = gridOf(&p->levels[0]);
    uint8_t* out = sp->texels;
    TexRun runs[2];
    for (int r = 0, count = texelRuns<Perspective ? K_PERSPECTIVE : K_AFFINE>(mask, sp, runs); r < count; ++r) {
        const TexRun& x = runs[r];
        const GLuint dead = ~x.mask;
        if (!(dead & (dead + 1))) {
            if (x.mask) out = nearestRun<F, Bytes>(p, g, x, dead ? __builtin_clz(dead) : 32, out);
            continue;
        }
        const uint8_t* data = p->levels[0].data;
        GLuint S = g.s(x.s), T = g.t(x.t);
        const GLuint dS = g.s(x.ds), dT = g.t(x.dt);
        runPixels(
            x.mask,
            [&] {
                putTexel<F>(p, data + g.texel(S, T) * kSourceBytes[F], out);
                out += Bytes;
            },
            [&] { S += dS, T += dT; });
    }
}

template <int F>
struct NearestRow {
    static constexpr GlSpanProc stages[3][2] = {{spanNearest<F, 1, false>, spanNearest<F, 1, true>},
                                                {spanNearest<F, 3, false>, spanNearest<F, 3, true>},
                                                {spanNearest<F, 4, false>, spanNearest<F, 4, true>}};
};

inline int bytesIndex(GLint bytes) { return bytes == 1 ? 0 : bytes == 3 ? 1 : 2; }

}  // namespace

// ---- Exported procedures

extern "C" const GLfloat __glTexRunReciprocal[16] = {0.0f,      1.0f,      1.0f / 2,  1.0f / 3,  1.0f / 4,  1.0f / 5,
                                                     1.0f / 6,  1.0f / 7,  1.0f / 8,  1.0f / 9,  1.0f / 10, 1.0f / 11,
                                                     1.0f / 12, 1.0f / 13, 1.0f / 14, 1.0f / 15};

#define GL_TEXEL_FETCHES(X)                                                                                    \
    X(1, TF_LUM, false) X(2, TF_LUMALPHA, false) X(3, TF_RGB, false) X(4, TF_RGBA, false) X(5, TF_ALPHA, false) \
    X(6, TF_INTENSITY, false) X(7, TF_INDEX8, false) X(8, TF_INDEX16, false) X(9, TF_LUM, true)                \
    X(10, TF_LUMALPHA, true) X(11, TF_RGB, true) X(12, TF_RGBA, true) X(13, TF_ALPHA, true)                   \
    X(14, TF_INTENSITY, true) X(15, TF_INDEX8, true) X(16, TF_INDEX16, true)
#define GL_TEXEL_FETCH(n, f, border)                                                                           \
    extern "C" void GLPROC __glTexelFetch##n(const GlMipmapLevel* l, const GlTextureParams* p, GLint row,       \
                                             GLint col, uint8_t* out) {                                        \
        texelFetch<f, border>(l, p, row, col, out);                                                            \
    }
GL_TEXEL_FETCHES(GL_TEXEL_FETCH)
#undef GL_TEXEL_FETCH

extern "C" GlTexelFetchProc GLPROC __glPickTexelFetch(const GlMipmapLevel* level) {
#define GL_TEXEL_FETCH_ENTRY(n, f, border) __glTexelFetch##n,
    static const GlTexelFetchProc fetches[2 * TF_COUNT] = {GL_TEXEL_FETCHES(GL_TEXEL_FETCH_ENTRY)};
#undef GL_TEXEL_FETCH_ENTRY
    for (int f = 0; f < TF_COUNT; f++)
        if (kStoredFormat[f] == level->storedFormat) return fetches[f + (level->border ? TF_COUNT : 0)];
    return nullptr;
}
#undef GL_TEXEL_FETCHES

extern "C" void GLPROC __glTexFilterNearest(const GlTextureParams* p, GLint level, GLint s, GLint t, uint8_t* out) {
    nearest(p, &p->levels[level], s, t, out);
}
extern "C" void GLPROC __glTexFilterLinear(const GlTextureParams* p, GLint level, GLint s, GLint t, uint8_t* out) {
    linear(p, &p->levels[level], s, t, out);
}
extern "C" void GLPROC __glTexFilterMip1(const GlTextureParams* p, GLint, GLint s, GLint t, uint8_t* out) {
    sampleLevel<false>(p, 0, s, t, out);
}
extern "C" void GLPROC __glTexFilterMip2(const GlTextureParams* p, GLint, GLint s, GLint t, uint8_t* out) {
    sampleLevel<true>(p, 0, s, t, out);
}
extern "C" void GLPROC __glTexFilterMip3(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out) {
    nearestLevel<false>(p, lod, s, t, out);
}
extern "C" void GLPROC __glTexFilterMip4(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out) {
    nearestLevel<true>(p, lod, s, t, out);
}
extern "C" void GLPROC __glTexFilterMip5(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out) {
    twoLevels<false>(p, lod, s, t, out);
}
extern "C" void GLPROC __glTexFilterMip6(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out) {
    twoLevels<true>(p, lod, s, t, out);
}

#define GL_SPAN_TEXTURED(n, bytes, kind) \
    extern "C" void GLSPANCALL __glSpanTextured##n(GLuint mask, GlSpan* s) { spanTextured<bytes, kind>(mask, s); }
GL_SPAN_TEXTURED(1, 1, K_AFFINE)
GL_SPAN_TEXTURED(2, 3, K_AFFINE)
GL_SPAN_TEXTURED(3, 4, K_AFFINE)
GL_SPAN_TEXTURED(4, 1, K_PERSPECTIVE)
GL_SPAN_TEXTURED(5, 3, K_PERSPECTIVE)
GL_SPAN_TEXTURED(6, 4, K_PERSPECTIVE)
GL_SPAN_TEXTURED(7, 1, K_SWITCH)
GL_SPAN_TEXTURED(8, 3, K_SWITCH)
GL_SPAN_TEXTURED(9, 4, K_SWITCH)
GL_SPAN_TEXTURED(10, 1, K_MIPMAP)
GL_SPAN_TEXTURED(11, 3, K_MIPMAP)
GL_SPAN_TEXTURED(12, 4, K_MIPMAP)
#undef GL_SPAN_TEXTURED

extern "C" GlSpanProc GLPROC __glPickNearestTexturedSpan(const GlTextureParams* p, GLint texelBytes,
                                                         GLboolean perspective) {
    const GlMipmapLevel* l = &p->levels[0];
    if (l->border || l->widthLog2 > kNearestLog2 || l->heightLog2 > kNearestLog2) return nullptr;
    const int b = bytesIndex(texelBytes), k = perspective ? 1 : 0;
    switch (l->storedFormat) {
    case GL_LUMINANCE: return NearestRow<TF_LUM>::stages[b][k];
    case GL_LUMINANCE_ALPHA: return NearestRow<TF_LUMALPHA>::stages[b][k];
    case GL_RGB: return NearestRow<TF_RGB>::stages[b][k];
    case GL_RGBA: return NearestRow<TF_RGBA>::stages[b][k];
    case GL_ALPHA: return NearestRow<TF_ALPHA>::stages[b][k];
    case GL_INTENSITY: return NearestRow<TF_INTENSITY>::stages[b][k];
    case GL_COLOR_INDEX8_EXT: return NearestRow<TF_INDEX8>::stages[b][k];
    default: return nullptr;
    }
}

extern "C" GLint GLPROC __glTexFixed16(GLfloat v) { return _mm_cvtsi128_si32(fixed16x4(_mm_set_ss(v))); }

extern "C" GLint GLPROC __glTexLodFixed(GLfloat rho) {
    GLuint bits;
    memcpy(&bits, &rho, 4);
    return (GLint)((bits >> 8) & 0x7FFFFF) - 0x3F8000;
}

// ---- The texture part of the chain picker

namespace {

// Texture-function code of an RGBA chain (colour index bits 2-4) and the
// texel-alpha bit; false: the state has no chain. *untextured: the texture
// changes nothing that is kept, the triangle is drawn untextured.
bool rgbaTextureCode(GLenum mode, GLenum base, bool alphaNeeded, GlChainPick* pick, bool* untextured) {
    const bool alphaTexture = base == GL_ALPHA;
    GLint code = 0;
    switch (mode) {
    case GL_REPLACE: code = alphaTexture ? 6 : 1; break;
    case GL_MODULATE: code = alphaTexture ? 7 : 3; break;
    case GL_BLEND: code = alphaTexture ? 7 : base == GL_INTENSITY && alphaNeeded ? 5 : 4; break;
    case GL_DECAL:
        if (base != GL_RGB && base != GL_RGBA) return false;
        code = base == GL_RGBA ? 2 : 1;
        break;
    default: return false;
    }
    if (alphaTexture && !alphaNeeded) {
        *untextured = true;
        return true;
    }
    // An alpha texture replaces the fragment's alpha (the GL result): code 6.
    if (alphaTexture && mode == GL_REPLACE) pick->genericSetup = 1;
    const bool texelAlpha = base == GL_RGBA || base == GL_LUMINANCE_ALPHA || base == GL_INTENSITY;
    pick->texCode = (uint8_t)code;
    pick->texAlpha = alphaTexture || (mode == GL_DECAL && base == GL_RGBA) || (texelAlpha && alphaNeeded);
    return true;
}

// Key word of the generated nearest-texel stage.
GLuint texturedSpanKey(const GlChainPick* pick, const GlMipmapLevel* l, bool perspective, GLint bytes) {
    GLuint key = perspective ? 0x10 : 0;
    if (pick->rgba) key |= 0x20;
    if (bytes == 4) key |= 0x40;
    if (l->baseFormat == GL_COLOR_INDEX) key |= 0x80;
    const GLint source = l->storedFormat == GL_RGB ? 3 : l->storedFormat == GL_RGBA ? 4
                         : l->storedFormat == GL_LUMINANCE_ALPHA ? 2 : 1;
    key |= source == 3 ? 0x100 : source == 2 ? 0x200 : source == 4 ? 0x300 : 0;
    return key;
}

const GlSpanProc kTexturedStages[3][4] = {
    {__glSpanTextured1, __glSpanTextured4, __glSpanTextured7, __glSpanTextured10},
    {__glSpanTextured2, __glSpanTextured5, __glSpanTextured8, __glSpanTextured11},
    {__glSpanTextured3, __glSpanTextured6, __glSpanTextured9, __glSpanTextured12},
};

}  // namespace

extern "C" GLboolean GLPROC __glPickChainTexture(GlContext* gc, GlChainPick* pick) {
    GlTextureParams* p = (GlTextureParams*)gc->currentTexture;
    if (!p) return GL_FALSE;
    const GlMipmapLevel* l0 = &p->levels[0];
    const GLenum mode = gc->texture.env.mode;
    if (pick->rgba) {
        bool untextured = false;
        if (!rgbaTextureCode(mode, p->baseFormat, pick->alphaNeeded != 0, pick, &untextured)) return GL_FALSE;
        if (untextured) {
            pick->flags &= ~(GLuint)(GL_RF_TEXTURE | GL_RF_TEX_PERSPECTIVE | GL_RF_TEX_NO_MIPMAP);
            return GL_TRUE;
        }
    } else {
        // Indexes replace or add (8-bit index textures only: the chain keeps one index byte).
        if (l0->storedFormat != GL_COLOR_INDEX8_EXT || (mode != GL_REPLACE && mode != GL_ADD)) return GL_FALSE;
        pick->texCode = mode == GL_REPLACE ? 1 : 2;
        pick->texAlpha = 0;
    }
    const GLint bytes = !pick->rgba || p->baseFormat == GL_ALPHA ? 1 : pick->texAlpha ? 4 : 3;

    GLenum min, mag;
    __glTexFilterPair(p, &min, &mag);
    const bool mipmapped = min != GL_NEAREST && min != GL_LINEAR;
    const bool differ = min != mag;
    const bool perspective = (pick->flags & GL_RF_TEX_PERSPECTIVE) != 0;
    pick->texFloat = perspective || differ;
    // Vertices carry level-0 texels, or whole-texture units when mipmapped.
    pick->texScale[0] = pick->texScale[1] = 1.0f;

    GlContextProcs* procs = &gc->procs;
    p->texelFetch = procs->texelFetch = __glPickTexelFetch(l0);
    if (!p->texelFetch) return GL_FALSE;
    switch (min) {
    case GL_NEAREST: procs->texFilterMin = __glTexFilterNearest; break;
    case GL_LINEAR: procs->texFilterMin = __glTexFilterLinear; break;
    case GL_NEAREST_MIPMAP_NEAREST: procs->texFilterMin = __glTexFilterMip3; break;
    case GL_LINEAR_MIPMAP_NEAREST: procs->texFilterMin = __glTexFilterMip4; break;
    case GL_NEAREST_MIPMAP_LINEAR: procs->texFilterMin = __glTexFilterMip5; break;
    default: procs->texFilterMin = __glTexFilterMip6; break;
    }
    if (mag == GL_LINEAR) procs->texFilterMag = mipmapped ? __glTexFilterMip2 : __glTexFilterLinear;
    else procs->texFilterMag = mipmapped ? __glTexFilterMip1 : __glTexFilterNearest;

    // The nearest texel of an unbordered level under GL_REPEAT needs no filter:
    // generated code, or its C++ form.
    const bool general = differ || min != GL_NEAREST || p->state.wrapS != GL_REPEAT ||
                         p->state.wrapT != GL_REPEAT || l0->border ||
                         (l0->baseFormat == GL_COLOR_INDEX && l0->storedFormat != GL_COLOR_INDEX8_EXT);
    GlSpanProc stage = nullptr;
    pick->texStageKey = 0;
    if (!general) {
        // Its generated twin comes with __glGenChainTexturedStage.
        pick->texStageKey = 0x80000000u | texturedSpanKey(pick, l0, perspective, bytes);
        stage = __glPickNearestTexturedSpan(p, bytes, perspective);
    }
    if (!stage) stage = __glPickFilteredTexturedSpan(p, bytes);
    if (!stage) {
        const int kind = !pick->texFloat ? 0 : mipmapped ? 3 : differ ? 2 : 1;
        stage = kTexturedStages[bytesIndex(bytes)][kind];
    }
    procs->spanTextured = stage;
    return GL_TRUE;
}

extern "C" void GLPROC __glGenChainTexturedStage(GlContext* gc) {
    const GLuint key = gc->chain.texStageKey;
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    if (!key || !p) return;
    const GlMipmapLevel* l0 = &p->levels[0];
    if (GlSpanProc stage = __glGenTexturedSpanCode(gc, key & 0x7FFFFFFFu, l0->widthLog2, l0->heightLog2))
        gc->procs.spanTextured = stage;
}
