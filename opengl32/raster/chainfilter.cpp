// Filtered textured span stages of the chain for the commonest textures: 2-D,
// without border, level 0 stored as 8-bit RGB, RGBA, luminance, luminance
// and alpha or intensity, or as 8-bit indexes of an RGB or RGBA palette;
// GL_LINEAR, and the four mipmap filters beside the magnification filter of
// their own kind (GL_LINEAR beside the linear ones, GL_NEAREST beside the
// nearest ones) and the nearest ones beside GL_LINEAR. One loop does four pixels a step in SSE2 lanes: the wrap,
// the texel addresses by the log2 width, the texel reads, the level of
// detail and both blends, with no procedure call or format switch per texel.
//
// Arithmetic (what any twin of these stages computes):
// - Coordinates are 16.16 texels of level 0. A run of up to 16 pixels
//   divides by q at its first pixel and at its last live pixel (the four
//   divisions of a group's two runs in one instruction) and steps linearly
//   between; the start and the steps are rounded to 16.16 by bias addition
//   in double precision, modulo 2^32 under GL_REPEAT (the mask keeps the
//   texel), held to +-32767 texels under GL_CLAMP.
// - Level d takes the coordinate shifted right arithmetically by level 0's
//   log2 size less level d's; GL_CLAMP holds it to [0, size x 65536].
// - Bilinear: u = s - 0x8000, texel u >> 16 and the next (masked under
//   GL_REPEAT; under GL_CLAMP -1 and the size take the border colour), the
//   16-bit fraction f = u & 0xFFFF. In 16-bit lanes of 8.8 fixed point each
//   blend of a and b is mulhi(a, 0xFFFF - f) + mulhi(b, f) (mulhi: the high
//   half of the unsigned product), texels entering as byte x 256: across
//   first, then down, then between the two levels. The result is
//   (v + 0x80) >> 8. A blend is within 0.52 of its byte value.
// - Level of detail: the scale L (level-0 texels squared a pixel) steps
//   linearly over the run; not above the texture's switch value (or not a
//   number) it is magnified: lambda 0, or level 0 through the magnification
//   filter where that is of the other kind; else lambda =
//   ((bits of L >> 8) & 0x7FFFFF) - 0x3F8000 (16.16, half the piecewise
//   linear log2 of L), held to the last level. The nearest level is
//   (lambda + 0x7FFF) >> 16; two levels are lambda >> 16 and the next (the
//   last level twice at the top), blended by lambda & 0xFFFF.
// - Nearest: texel s >> 16 of the level, masked or held to the level.

#include <string.h>
#include <emmintrin.h>
#include "raster/chaintex.h"
#include "raster/chaintexlanes.h"
#include "texture/texsample.h"

#define GL_TEX_INLINE inline __attribute__((always_inline))

namespace {

enum Source { SRC_RGB, SRC_RGBA, SRC_LUM, SRC_LUMALPHA, SRC_INTENSITY, SRC_INDEX8_RGB, SRC_INDEX8_RGBA };
enum Filter { FILTER_LINEAR, FILTER_NEAREST_MIPMAP_NEAREST, FILTER_LINEAR_MIPMAP_NEAREST,
              FILTER_NEAREST_MIPMAP_LINEAR, FILTER_LINEAR_MIPMAP_LINEAR };

constexpr int sourceBytes(int src) {
    return src == SRC_RGB ? 3 : src == SRC_RGBA ? 4 : src == SRC_LUMALPHA ? 2 : 1;
}
constexpr bool bilinearFilter(int f) {
    return f == FILTER_LINEAR || f == FILTER_LINEAR_MIPMAP_NEAREST || f == FILTER_LINEAR_MIPMAP_LINEAR;
}
constexpr bool twoLevelFilter(int f) { return f == FILTER_NEAREST_MIPMAP_LINEAR || f == FILTER_LINEAR_MIPMAP_LINEAR; }

// What a stage reads of the texture once a group.
struct FilterTexture {
    const GlTextureParams* p;
    const uint8_t* palette;  // entries of 3 or 4 bytes
    GLuint paletteMask;      // entries - 1
    bool repeatS, repeatT;
    __m128i border;          // the border colour as a texel word, in every lane
};

// Level d as the lanes read it.
struct LevelLanes {
    const uint8_t* data;
    __m128i shiftS, shiftT, log2w;  // shift counts
    __m128i wMask, hMask;           // size - 1
    __m128i wTop, hTop;             // size x 65536
};

LevelLanes levelLanes(const GlTextureParams* p, GLint d) {
    const GlMipmapLevel* l0 = &p->levels[0];
    const GlMipmapLevel* l = &p->levels[d];
    return {l->data,
            _mm_cvtsi32_si128(l0->widthLog2 - l->widthLog2),
            _mm_cvtsi32_si128(l0->heightLog2 - l->heightLog2),
            _mm_cvtsi32_si128(l->widthLog2),
            _mm_set1_epi32(l->innerWidth - 1),
            _mm_set1_epi32(l->innerHeight - 1),
            _mm_set1_epi32(l->innerWidth << 16),
            _mm_set1_epi32(l->innerHeight << 16)};
}

GL_TEX_INLINE __m128i select(__m128i m, __m128i a, __m128i b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }

// v held to [0, top] lane by lane.
GL_TEX_INLINE __m128i clampLanes(__m128i v, __m128i top) {
    v = _mm_andnot_si128(_mm_srai_epi32(v, 31), v);
    return select(_mm_cmpgt_epi32(v, top), top, v);
}

// The stored texel at byte offset o as a word: source bytes in order, an
// index's palette entry.
template <int Src>
GL_TEX_INLINE GLuint storedWord(const FilterTexture& x, const uint8_t* data, GLuint o) {
    GLuint w = 0;
    switch (Src) {
    case SRC_RGB:
    case SRC_RGBA: memcpy(&w, data + o, 4); break;
    case SRC_LUMALPHA: {
        uint16_t h;
        memcpy(&h, data + o, 2);
        w = h;
        break;
    }
    case SRC_INDEX8_RGB: {
        const uint8_t* e = x.palette + (size_t)(data[o] & x.paletteMask) * 3;
        uint16_t h;
        memcpy(&h, e, 2);
        w = h | (GLuint)e[2] << 16;
        break;
    }
    case SRC_INDEX8_RGBA: memcpy(&w, x.palette + (size_t)(data[o] & x.paletteMask) * 4, 4); break;
    default: w = data[o]; break;
    }
    return w;
}

// Words of four stored texels as texel words R, G, B, A (the bytes past a
// format's components are left as they come).
template <int Src>
GL_TEX_INLINE __m128i texelWords(__m128i w) {
    if (Src == SRC_LUM || Src == SRC_INTENSITY || Src == SRC_LUMALPHA) {
        __m128i l = Src == SRC_LUMALPHA ? _mm_and_si128(w, _mm_set1_epi32(0xFF)) : w;
        l = _mm_or_si128(l, _mm_slli_epi32(l, 8));
        l = _mm_or_si128(l, _mm_slli_epi32(l, 16));
        if (Src == SRC_LUMALPHA)
            l = _mm_or_si128(_mm_and_si128(l, _mm_set1_epi32(0xFFFFFF)),
                             _mm_slli_epi32(_mm_and_si128(w, _mm_set1_epi32(0xFF00)), 16));
        return l;
    }
    return w;
}

// A texel index as a byte offset.
template <int Src>
GL_TEX_INLINE __m128i texelOffsets(__m128i index) {
    constexpr int b = sourceBytes(Src);
    if (b == 3) return _mm_add_epi32(index, _mm_slli_epi32(index, 1));
    if (b == 2) return _mm_slli_epi32(index, 1);
    if (b == 4) return _mm_slli_epi32(index, 2);
    return index;
}

// Four texels by their byte offsets: read one by one, as texel words.
template <int Src>
GL_TEX_INLINE __m128i gather4(const FilterTexture& x, const uint8_t* data, __m128i offsets) {
    // The offsets through memory: one load each, where extracting a lane
    // takes two instructions.
    alignas(16) GLuint o[4];
    _mm_store_si128((__m128i*)o, offsets);
    __asm__("" : "+m"(o));
    const __m128i w01 = _mm_unpacklo_epi32(_mm_cvtsi32_si128((int)storedWord<Src>(x, data, o[0])),
                                           _mm_cvtsi32_si128((int)storedWord<Src>(x, data, o[1])));
    const __m128i w23 = _mm_unpacklo_epi32(_mm_cvtsi32_si128((int)storedWord<Src>(x, data, o[2])),
                                           _mm_cvtsi32_si128((int)storedWord<Src>(x, data, o[3])));
    return texelWords<Src>(_mm_unpacklo_epi64(w01, w23));
}

// 16-bit fractions of four lanes spread over the channels of pixels 0, 1
// (lo) or 2, 3 (hi).
GL_TEX_INLINE __m128i spreadLo(__m128i f) {
    const __m128i x = _mm_unpacklo_epi32(f, f);
    return _mm_or_si128(x, _mm_slli_epi32(x, 16));
}
GL_TEX_INLINE __m128i spreadHi(__m128i f) {
    const __m128i x = _mm_unpackhi_epi32(f, f);
    return _mm_or_si128(x, _mm_slli_epi32(x, 16));
}

// mulhi(a, 0xFFFF - f) + mulhi(b, f).
GL_TEX_INLINE __m128i blend16(__m128i a, __m128i b, __m128i f) {
    return _mm_add_epi16(_mm_mulhi_epu16(a, _mm_xor_si128(f, _mm_set1_epi16(-1))), _mm_mulhi_epu16(b, f));
}

// Texel words as 8.8 channels: pixels 0, 1 and pixels 2, 3.
struct Lanes88 {
    __m128i lo, hi;
};
GL_TEX_INLINE Lanes88 widen(__m128i w) {
    const __m128i z = _mm_setzero_si128();
    return {_mm_unpacklo_epi8(z, w), _mm_unpacklo_epi8(z, _mm_srli_si128(w, 8))};
}
GL_TEX_INLINE __m128i narrow(Lanes88 v) {
    const __m128i half = _mm_set1_epi16(0x80);
    return _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(v.lo, half), 8), _mm_srli_epi16(_mm_add_epi16(v.hi, half), 8));
}
GL_TEX_INLINE Lanes88 blendLanes(Lanes88 a, Lanes88 b, __m128i f) {
    return {blend16(a.lo, b.lo, spreadLo(f)), blend16(a.hi, b.hi, spreadHi(f))};
}

// The nearest texel of four pixels in a level.
template <int Src, bool Repeat>
GL_TEX_INLINE __m128i nearest4(const FilterTexture& x, const LevelLanes& l, __m128i S, __m128i T) {
    __m128i i = _mm_srai_epi32(_mm_sra_epi32(S, l.shiftS), 16);
    __m128i j = _mm_srai_epi32(_mm_sra_epi32(T, l.shiftT), 16);
    if (Repeat || x.repeatS) i = _mm_and_si128(i, l.wMask);
    else i = clampLanes(i, l.wMask);
    if (Repeat || x.repeatT) j = _mm_and_si128(j, l.hMask);
    else j = clampLanes(j, l.hMask);
    return gather4<Src>(x, l.data, texelOffsets<Src>(_mm_add_epi32(_mm_sll_epi32(j, l.log2w), i)));
}

// One axis of the bilinear rule: the two texels, the fraction, and under
// clamping the lanes whose texel is outside (all ones).
struct Axis4 {
    __m128i i0, i1, f, out0, out1;
};
GL_TEX_INLINE Axis4 linearAxis4(__m128i s, __m128i shift, __m128i mask, __m128i top, bool repeat) {
    s = _mm_sra_epi32(s, shift);
    if (!repeat) s = clampLanes(s, top);
    const __m128i u = _mm_sub_epi32(s, _mm_set1_epi32(0x8000));
    Axis4 a;
    a.i0 = _mm_srai_epi32(u, 16);
    a.f = _mm_and_si128(u, _mm_set1_epi32(0xFFFF));
    a.i1 = _mm_add_epi32(a.i0, _mm_set1_epi32(1));
    if (repeat) {
        a.i0 = _mm_and_si128(a.i0, mask), a.i1 = _mm_and_si128(a.i1, mask);
        a.out0 = a.out1 = _mm_setzero_si128();
    } else {
        a.out0 = _mm_srai_epi32(a.i0, 31), a.out1 = _mm_cmpgt_epi32(a.i1, mask);
        a.i0 = _mm_andnot_si128(a.out0, a.i0), a.i1 = _mm_andnot_si128(a.out1, a.i1);
    }
    return a;
}

// One row of the bilinear rule: two texels of four pixels blended across.
template <int Src, bool Repeat>
GL_TEX_INLINE Lanes88 bilinearRow(const FilterTexture& x, const uint8_t* row, const Axis4& u, __m128i c0, __m128i c1,
                                  __m128i outRow, __m128i wLo, __m128i wHi) {
    __m128i a = gather4<Src>(x, row, c0), b = gather4<Src>(x, row, c1);
    if (!Repeat) {
        a = select(_mm_or_si128(u.out0, outRow), x.border, a);
        b = select(_mm_or_si128(u.out1, outRow), x.border, b);
    }
    const Lanes88 wa = widen(a), wb = widen(b);
    return {blend16(wa.lo, wb.lo, wLo), blend16(wa.hi, wb.hi, wHi)};
}

// The same for 8-bit RGB and RGBA levels under GL_REPEAT when no second
// column wraps: both texels of a pixel in one 8-byte read at the first.
template <int Src>
GL_TEX_INLINE Lanes88 bilinearRowAdjacent(const uint8_t* row, __m128i c0, __m128i wLo, __m128i wHi) {
    alignas(16) GLuint o[4];
    _mm_store_si128((__m128i*)o, c0);
    __asm__("" : "+m"(o));
    const __m128i z = _mm_setzero_si128();
    const auto pair = [&](int k) { return _mm_unpacklo_epi8(z, _mm_loadl_epi64((const __m128i*)(row + o[k]))); };
    const __m128i p0 = pair(0), p1 = pair(1), p2 = pair(2), p3 = pair(3);
    const Lanes88 a = {_mm_unpacklo_epi64(p0, p1), _mm_unpacklo_epi64(p2, p3)};
    const Lanes88 b = Src == SRC_RGB ? Lanes88{_mm_unpacklo_epi64(_mm_srli_si128(p0, 6), _mm_srli_si128(p1, 6)),
                                               _mm_unpacklo_epi64(_mm_srli_si128(p2, 6), _mm_srli_si128(p3, 6))}
                                     : Lanes88{_mm_unpackhi_epi64(p0, p1), _mm_unpackhi_epi64(p2, p3)};
    return {blend16(a.lo, b.lo, wLo), blend16(a.hi, b.hi, wHi)};
}

// The bilinear texel of four pixels in a level, 8.8.
template <int Src, bool Repeat>
GL_TEX_INLINE Lanes88 bilinear4(const FilterTexture& x, const LevelLanes& l, __m128i S, __m128i T) {
    const Axis4 u = linearAxis4(S, l.shiftS, l.wMask, l.wTop, Repeat || x.repeatS);
    const Axis4 v = linearAxis4(T, l.shiftT, l.hMask, l.hTop, Repeat || x.repeatT);
    const __m128i c0 = texelOffsets<Src>(u.i0), c1 = texelOffsets<Src>(u.i1);
    const __m128i wLo = spreadLo(u.f), wHi = spreadHi(u.f);
    // Rows as byte offsets from the level's data.
    const __m128i r0 = texelOffsets<Src>(_mm_sll_epi32(v.i0, l.log2w)), r1 = texelOffsets<Src>(_mm_sll_epi32(v.i1, l.log2w));
    const bool clamped = !Repeat && (!x.repeatS || !x.repeatT);
    if ((Src == SRC_RGB || Src == SRC_RGBA) && !clamped &&
        !_mm_movemask_epi8(_mm_cmpeq_epi32(u.i0, l.wMask))) {
        const Lanes88 top = bilinearRowAdjacent<Src>(l.data, _mm_add_epi32(r0, c0), wLo, wHi);
        const Lanes88 bottom = bilinearRowAdjacent<Src>(l.data, _mm_add_epi32(r1, c0), wLo, wHi);
        return blendLanes(top, bottom, v.f);
    }
    const Lanes88 top = clamped ? bilinearRow<Src, false>(x, l.data, u, _mm_add_epi32(r0, c0), _mm_add_epi32(r0, c1),
                                                          v.out0, wLo, wHi)
                                : bilinearRow<Src, true>(x, l.data, u, _mm_add_epi32(r0, c0), _mm_add_epi32(r0, c1),
                                                         v.out0, wLo, wHi);
    const Lanes88 bottom = clamped ? bilinearRow<Src, false>(x, l.data, u, _mm_add_epi32(r1, c0),
                                                             _mm_add_epi32(r1, c1), v.out1, wLo, wHi)
                                   : bilinearRow<Src, true>(x, l.data, u, _mm_add_epi32(r1, c0),
                                                            _mm_add_epi32(r1, c1), v.out1, wLo, wHi);
    return blendLanes(top, bottom, v.f);
}

template <int Src, int Flt, bool Repeat>
GL_TEX_INLINE Lanes88 sampleLevel88(const FilterTexture& x, const LevelLanes& l, __m128i S, __m128i T) {
    if (bilinearFilter(Flt)) return bilinear4<Src, Repeat>(x, l, S, T);
    return widen(nearest4<Src, Repeat>(x, l, S, T));
}

// Level lanes of the levels last asked for.
struct LevelCache {
    const GlTextureParams* p;
    GLint d[2];
    LevelLanes l[2];
    explicit LevelCache(const GlTextureParams* t) : p(t), d{-1, -1} {}
    const LevelLanes& get(int k, GLint level) {
        if (d[k] != level) d[k] = level, l[k] = levelLanes(p, level);
        return l[k];
    }
};

// Lambda of four pixels' scales L, held to [0, the last level]; the
// magnified lanes (all ones in *minified where not) take 0.
GL_TEX_INLINE __m128i lambda4(const GlTextureParams* p, __m128 L, __m128i* minifiedLanes) {
    const __m128i bits = _mm_castps_si128(L);
    __m128i lambda = _mm_sub_epi32(_mm_and_si128(_mm_srli_epi32(bits, 8), _mm_set1_epi32(0x7FFFFF)),
                                   _mm_set1_epi32(0x3F8000));
    const __m128i minified = _mm_castps_si128(_mm_cmpgt_ps(L, _mm_set1_ps(p->switchValue)));
    *minifiedLanes = minified;
    lambda = _mm_and_si128(lambda, minified);
    const __m128i top = _mm_set1_epi32(p->maxLevel << 16);
    return select(_mm_cmpgt_epi32(lambda, top), top, lambda);
}

// The level a filter reads first at lambda: the nearest one, or the lower
// of two; with a magnification filter of the other kind -1 where magnified.
template <int Flt, bool MagOther>
GL_TEX_INLINE __m128i firstLevel4(__m128i lambda, __m128i minified) {
    const __m128i d = twoLevelFilter(Flt) ? _mm_srai_epi32(lambda, 16)
                                          : _mm_srai_epi32(_mm_add_epi32(lambda, _mm_set1_epi32(0x7FFF)), 16);
    return MagOther ? _mm_or_si128(d, _mm_xor_si128(minified, _mm_set1_epi32(-1))) : d;
}

// Texel words of four magnified pixels under a magnification filter of the
// other kind than the minification's: level 0.
template <int Src, int Flt, bool Repeat>
GL_TEX_INLINE __m128i magnifiedTexels4(const FilterTexture& x, const LevelLanes& l0, __m128i S, __m128i T) {
    if (bilinearFilter(Flt)) return nearest4<Src, Repeat>(x, l0, S, T);
    return narrow(bilinear4<Src, Repeat>(x, l0, S, T));
}

// Texel words of four pixels whose first level is d (lanes a and b: level
// d and the one above, or the last level twice).
template <int Src, int Flt, bool Repeat>
GL_TEX_INLINE __m128i levelTexels4(const FilterTexture& x, const LevelLanes& a, const LevelLanes& b, __m128i S,
                                   __m128i T, __m128i lambda) {
    if (!twoLevelFilter(Flt))
        return Flt == FILTER_NEAREST_MIPMAP_NEAREST ? nearest4<Src, Repeat>(x, a, S, T)
                                                    : narrow(bilinear4<Src, Repeat>(x, a, S, T));
    const Lanes88 lo = sampleLevel88<Src, Flt, Repeat>(x, a, S, T);
    const Lanes88 hi = sampleLevel88<Src, Flt, Repeat>(x, b, S, T);
    return narrow(blendLanes(lo, hi, _mm_and_si128(lambda, _mm_set1_epi32(0xFFFF))));
}

// Texel words of four pixels at S, T with the scale L (lanes), their levels
// lane by lane.
template <int Src, int Flt, bool MagOther, bool Repeat>
GL_TEX_INLINE __m128i texels4(const FilterTexture& x, LevelCache& levels, __m128i S, __m128i T, __m128 L) {
    if (Flt == FILTER_LINEAR) return narrow(bilinear4<Src, Repeat>(x, levels.get(0, 0), S, T));
    const GlTextureParams* p = x.p;
    __m128i minified;
    const __m128i lambda = lambda4(p, L, &minified);
    const __m128i level = firstLevel4<Flt, MagOther>(lambda, minified);
    alignas(16) GLint levelOf[4];
    _mm_store_si128((__m128i*)levelOf, level);
    __m128i result = _mm_setzero_si128();
    int left = 0xFFFF;  // byte lanes not yet done
    do {
        const GLint d = levelOf[__builtin_ctz((unsigned)left) >> 2];
        const __m128i same = _mm_cmpeq_epi32(level, _mm_set1_epi32(d));
        const __m128i w = MagOther && d < 0
                              ? magnifiedTexels4<Src, Flt, Repeat>(x, levels.get(0, 0), S, T)
                              : levelTexels4<Src, Flt, Repeat>(x, levels.get(0, d),
                                                               levels.get(1, d < p->maxLevel ? d + 1 : d), S, T, lambda);
        const int lanes = _mm_movemask_epi8(same);
        if (lanes == 0xFFFF) return w;
        result = select(same, w, result);
        left &= ~lanes;
    } while (left);
    return result;
}

// Texel words of lanes stored at pixel positions: 3 or 4 bytes apart.
template <int Bytes>
GL_TEX_INLINE void storeTexels(uint8_t* out, __m128i w) {
    if (Bytes == 4) {
        _mm_storeu_si128((__m128i*)out, w);
        return;
    }
    GLint v[4] = {_mm_cvtsi128_si32(w), _mm_cvtsi128_si32(_mm_srli_si128(w, 4)), _mm_cvtsi128_si32(_mm_srli_si128(w, 8)),
                  _mm_cvtsi128_si32(_mm_srli_si128(w, 12))};
    for (int k = 0; k < 4; ++k) memcpy(out + 3 * k, &v[k], 4);
}

// A run: 16.16 s, t and their steps, the level of detail and its step, the
// first pixel and the number of pixels up to its last live one.
struct FilterRun {
    GLint s, t, ds, dt;
    GLfloat L, dL;
    int first, count;
};

// Floats s, t, ds, dt in texels as 16.16: held to +-32767 where clamped
// (lo, hi), then rounded by bias addition, the low word taken.
inline void fixedRun(FilterRun* r, __m128 v, __m128 lo, __m128 hi) {
    v = _mm_min_ps(_mm_max_ps(v, lo), hi);
    const __m128d bias = _mm_set1_pd(103079215104.0);  // 1.5 x 2^36: the last mantissa bit is 2^-16
    const __m128i a = _mm_castpd_si128(_mm_add_pd(_mm_cvtps_pd(v), bias));
    const __m128i b = _mm_castpd_si128(_mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(v, v)), bias));
    _mm_storeu_si128((__m128i*)&r->s, _mm_unpacklo_epi64(_mm_shuffle_epi32(a, 0x08), _mm_shuffle_epi32(b, 0x08)));
}

// The group's runs; answers how many. Affine: one run of the set-up's 16.16
// values. q constant: one run. Otherwise each half of the group with live
// pixels, divided at its first pixel and at its last live one.
int filterRuns(GLuint mask, const GlSpan* sp, bool affine, GLfloat sx, GLfloat sy, const FilterTexture& x,
               FilterRun runs[2]) {
    static_assert(offsetof(FilterRun, dt) == offsetof(FilterRun, s) + 12, "FilterRun: s, t, ds, dt in a row");
    const int last = 31 - __builtin_ctz(mask);
    if (affine) {
        runs[0] = {sp->s, sp->t, sp->sStep, sp->tStep, 0.0f, 0.0f, 0, last + 1};
        return 1;
    }
    const GLfloat inf = __builtin_inff();
    const __m128 lo = _mm_setr_ps(x.repeatS ? -inf : -32767.0f, x.repeatT ? -inf : -32767.0f,
                                  x.repeatS ? -inf : -32767.0f, x.repeatT ? -inf : -32767.0f);
    const __m128 hi = _mm_sub_ps(_mm_setzero_ps(), lo);
    const __m128 scale = _mm_setr_ps(sx, sy, sx, sy);
    const GLfloat sq = sp->texS, tq = sp->texT, q = sp->texQ, r = sp->texLod;
    if (sp->texQStep == 0.0f) {
        const GLfloat w = 1.0f / __glTexPositiveQ(q);
        runs[0].L = r * w, runs[0].dL = sp->texLodStep * w;
        runs[0].first = 0, runs[0].count = last + 1;
        fixedRun(&runs[0],
                 _mm_mul_ps(_mm_setr_ps(sq, tq, sp->texSStep, sp->texTStep), _mm_mul_ps(scale, _mm_set1_ps(w))), lo,
                 hi);
        return 1;
    }
    // Pixel distances of the four division points: each half's first pixel
    // and its last live pixel (0 .. 15 within it).
    const GLuint m0 = mask & 0xFFFF0000u, m1 = mask << 16;
    const int last0 = m0 ? 31 - __builtin_ctz(m0) : 0, last1 = m1 ? 31 - __builtin_ctz(m1) : 0;
    const __m128 k = _mm_setr_ps(0.0f, (GLfloat)last0, 16.0f, (GLfloat)(16 + last1));
    const __m128 qk = _mm_max_ps(_mm_add_ps(_mm_set1_ps(q), _mm_mul_ps(k, _mm_set1_ps(sp->texQStep))),
                                 _mm_set1_ps(FLT_MIN));
    const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), qk);
    alignas(16) GLfloat S[4], T[4], L[4];
    _mm_store_ps(S, _mm_mul_ps(_mm_add_ps(_mm_set1_ps(sq), _mm_mul_ps(k, _mm_set1_ps(sp->texSStep))), w));
    _mm_store_ps(T, _mm_mul_ps(_mm_add_ps(_mm_set1_ps(tq), _mm_mul_ps(k, _mm_set1_ps(sp->texTStep))), w));
    _mm_store_ps(L, _mm_mul_ps(_mm_add_ps(_mm_set1_ps(r), _mm_mul_ps(k, _mm_set1_ps(sp->texLodStep))), w));
    int count = 0;
    const int lasts[2] = {last0, last1};
    for (int h = 0; h < 2; ++h) {
        if (!(h ? m1 : m0)) continue;
        FilterRun& x0 = runs[count++];
        const GLfloat per = __glTexRunReciprocal[lasts[h]];
        const int a = 2 * h, b = a + 1;
        x0.first = 16 * h, x0.count = lasts[h] + 1;
        x0.L = L[a], x0.dL = (L[b] - L[a]) * per;
        fixedRun(&x0, _mm_mul_ps(_mm_setr_ps(S[a], T[a], (S[b] - S[a]) * per, (T[b] - T[a]) * per), scale), lo, hi);
    }
    return count;
}

// The border colour as a texel word of the source (red for luminance and
// intensity, red and alpha for luminance and alpha, the index red x 255 for
// a palette).
template <int Src>
GLuint borderWord(const FilterTexture& x) {
    const GLfloat* c = x.p->state.borderColor;
    uint8_t b[4];
    for (int k = 0; k < 4; ++k) b[k] = (uint8_t)(GLint)(c[k] * 255.0f + 0.5f);
    GLuint w;
    switch (Src) {
    case SRC_LUM:
    case SRC_INTENSITY: w = b[0]; break;
    case SRC_LUMALPHA: w = b[0] | (GLuint)b[3] << 8; break;
    case SRC_INDEX8_RGB:
    case SRC_INDEX8_RGBA: return storedWord<Src>(x, b, 0);
    default: memcpy(&w, b, 4); break;
    }
    return (GLuint)_mm_cvtsi128_si32(texelWords<Src>(_mm_cvtsi32_si128((int)w)));
}

// A run's pixels (count, from o) whose first levels are those of a and b.
// Plain: every pixel minified and below the last level, so that lambda is
// its bits' value as it is.
template <int Src, int Flt, bool Repeat, bool Plain>
__attribute__((noinline)) void fixedLevelRun(const FilterTexture& x, const LevelLanes& a, const LevelLanes& b,
                                             __m128i S, __m128i T, __m128 L, __m128i dS, __m128i dT, __m128 dL,
                                             int count, uint8_t* o, GLint bytes) {
    for (int i = 0; i < count; i += 4, o += 4 * bytes) {
        __m128i minified, lambda;
        if (Plain)
            lambda = _mm_sub_epi32(_mm_and_si128(_mm_srli_epi32(_mm_castps_si128(L), 8), _mm_set1_epi32(0x7FFFFF)),
                                   _mm_set1_epi32(0x3F8000));
        else
            lambda = lambda4(x.p, L, &minified);
        const __m128i w = levelTexels4<Src, Flt, Repeat>(x, a, b, S, T, lambda);
        if (bytes == 4) storeTexels<4>(o, w);
        else storeTexels<3>(o, w);
        S = _mm_add_epi32(S, dS), T = _mm_add_epi32(T, dT), L = _mm_add_ps(L, dL);
    }
}

template <int Src, int Flt, bool MagOther, bool Repeat>
void spanFilteredRuns(GLuint mask, GlSpan* sp, FilterTexture& x) {
    const GlContext* gc = sp->context;
    const GlTextureParams* p = x.p;
    const GlMipmapLevel* l0 = &p->levels[0];
    const GLint bytes = gc->chain.texAlpha ? 4 : 3;
    // Mipmapped textures come in whole-texture units, the others in texels.
    const bool mipmapped = Flt != FILTER_LINEAR;
    const GLfloat sx = mipmapped ? l0->innerWidthF : 1.0f, sy = mipmapped ? l0->innerHeightF : 1.0f;
    LevelCache levels(p);
    uint8_t* out = sp->texels;
    FilterRun runs[2];
    const int n = filterRuns(mask, sp, !gc->chain.texFloat, sx, sy, x, runs);
    for (int r = 0; r < n; ++r) {
        const FilterRun& run = runs[r];
        const __m128i st = _mm_loadu_si128((const __m128i*)&run.s);
        __m128i S = __glTexRamp4(st, _mm_srli_si128(st, 8)), T = __glTexRamp4(_mm_srli_si128(st, 4), _mm_srli_si128(st, 12));
        const __m128i dS = _mm_slli_epi32(_mm_shuffle_epi32(st, 0xAA), 2), dT = _mm_slli_epi32(_mm_shuffle_epi32(st, 0xFF), 2);
        __m128 L = _mm_add_ps(_mm_set1_ps(run.L), _mm_mul_ps(_mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f), _mm_set1_ps(run.dL)));
        const __m128 dL = _mm_set1_ps(4.0f * run.dL);
        uint8_t* o = out + run.first * bytes;
        // A run whose first and last pixels read the same levels (or are
        // both magnified) reads them throughout (lambda follows L, which
        // steps linearly).
        bool fixed = false;
        GLint d = 0;
        if (mipmapped) {
            const __m128 ends = _mm_setr_ps(run.L, run.L + (GLfloat)(run.count - 1) * run.dL, run.L, run.L);
            alignas(16) GLint first[4];
            __m128i minified;
            const __m128i lambda = lambda4(p, ends, &minified);
            _mm_store_si128((__m128i*)first, firstLevel4<Flt, MagOther>(lambda, minified));
            fixed = first[0] == first[1], d = first[0];
        }
        if (fixed && MagOther && d < 0) {
            const LevelLanes& l = levels.get(0, 0);
            for (int i = 0; i < run.count; i += 4, o += 4 * bytes) {
                const __m128i w = magnifiedTexels4<Src, Flt, Repeat>(x, l, S, T);
                if (bytes == 4) storeTexels<4>(o, w);
                else storeTexels<3>(o, w);
                S = _mm_add_epi32(S, dS), T = _mm_add_epi32(T, dT);
            }
            continue;
        }
        if (fixed) {
            const LevelLanes& a = levels.get(0, d);
            const LevelLanes& b = twoLevelFilter(Flt) ? levels.get(1, d < p->maxLevel ? d + 1 : d) : a;
            const GLfloat last = run.L + (GLfloat)(run.count - 1) * run.dL;
            if (run.L > p->switchValue && last > p->switchValue && d < p->maxLevel)
                fixedLevelRun<Src, Flt, Repeat, true>(x, a, b, S, T, L, dS, dT, dL, run.count, o, bytes);
            else
                fixedLevelRun<Src, Flt, Repeat, false>(x, a, b, S, T, L, dS, dT, dL, run.count, o, bytes);
            continue;
        }
        for (int i = 0; i < run.count; i += 4, o += 4 * bytes) {
            const __m128i w = texels4<Src, Flt, MagOther, Repeat>(x, levels, S, T, L);
            if (bytes == 4) storeTexels<4>(o, w);
            else storeTexels<3>(o, w);
            S = _mm_add_epi32(S, dS), T = _mm_add_epi32(T, dT);
            if (mipmapped) L = _mm_add_ps(L, dL);
        }
    }
    // Texels of the live pixels only, packed.
    const GLuint dead = ~mask;
    if (dead & (dead + 1)) {
        uint8_t* to = out;
        const uint8_t* from = out;
        for (GLuint m = mask; m; m <<= 1, from += bytes) {
            if (!(m & 0x80000000u)) continue;
            if (to != from) memcpy(to, from, 4);
            to += bytes;
        }
    }
}

template <int Src, int Flt, bool MagOther>
void GLSPANCALL spanFiltered(GLuint mask, GlSpan* sp) {
    const GlContext* gc = sp->context;
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    FilterTexture x;
    x.p = p;
    x.palette = p->palette.data;
    x.paletteMask = (GLuint)(p->palette.width - 1);
    x.repeatS = p->state.wrapS == GL_REPEAT, x.repeatT = p->state.wrapT == GL_REPEAT;
    x.border = _mm_setzero_si128();
    if (x.repeatS && x.repeatT) return spanFilteredRuns<Src, Flt, MagOther, true>(mask, sp, x);
    x.border = _mm_set1_epi32((int)borderWord<Src>(x));
    spanFilteredRuns<Src, Flt, MagOther, false>(mask, sp, x);
}

// By filter; 5 and 6: the nearest mipmap filters beside GL_LINEAR.
template <int Src>
struct FilteredRow {
    static constexpr GlSpanProc stages[7] = {
        spanFiltered<Src, FILTER_LINEAR, false>, spanFiltered<Src, FILTER_NEAREST_MIPMAP_NEAREST, false>,
        spanFiltered<Src, FILTER_LINEAR_MIPMAP_NEAREST, false>, spanFiltered<Src, FILTER_NEAREST_MIPMAP_LINEAR, false>,
        spanFiltered<Src, FILTER_LINEAR_MIPMAP_LINEAR, false>, spanFiltered<Src, FILTER_NEAREST_MIPMAP_NEAREST, true>,
        spanFiltered<Src, FILTER_NEAREST_MIPMAP_LINEAR, true>};
};

}  // namespace

extern "C" GlSpanProc GLPROC __glPickFilteredTexturedSpan(const GlTextureParams* p, GLint texelBytes) {
    const GlMipmapLevel* l0 = &p->levels[0];
    if (p->dimensions != 2 || l0->border || (texelBytes != 3 && texelBytes != 4)) return nullptr;
    if ((p->state.wrapS != GL_REPEAT && p->state.wrapS != GL_CLAMP) ||
        (p->state.wrapT != GL_REPEAT && p->state.wrapT != GL_CLAMP))
        return nullptr;
    GLenum min, mag;
    __glTexFilterPair(p, &min, &mag);
    int f;
    switch (min) {
    case GL_LINEAR: f = FILTER_LINEAR; break;
    case GL_NEAREST_MIPMAP_NEAREST: f = FILTER_NEAREST_MIPMAP_NEAREST; break;
    case GL_LINEAR_MIPMAP_NEAREST: f = FILTER_LINEAR_MIPMAP_NEAREST; break;
    case GL_NEAREST_MIPMAP_LINEAR: f = FILTER_NEAREST_MIPMAP_LINEAR; break;
    case GL_LINEAR_MIPMAP_LINEAR: f = FILTER_LINEAR_MIPMAP_LINEAR; break;
    default: return nullptr;
    }
    // The magnification filter of the minification's own kind, or GL_LINEAR
    // beside a nearest mipmap filter.
    if (mag != (bilinearFilter(f) ? GL_LINEAR : GL_NEAREST)) {
        if (f == FILTER_NEAREST_MIPMAP_NEAREST) f = 5;
        else if (f == FILTER_NEAREST_MIPMAP_LINEAR) f = 6;
        else return nullptr;
    }
    switch (l0->storedFormat) {
    case GL_RGB: return texelBytes == 3 ? FilteredRow<SRC_RGB>::stages[f] : nullptr;
    case GL_RGBA: return FilteredRow<SRC_RGBA>::stages[f];
    case GL_LUMINANCE: return texelBytes == 3 ? FilteredRow<SRC_LUM>::stages[f] : nullptr;
    case GL_LUMINANCE_ALPHA: return FilteredRow<SRC_LUMALPHA>::stages[f];
    case GL_INTENSITY: return FilteredRow<SRC_INTENSITY>::stages[f];
    case GL_COLOR_INDEX8_EXT: {
        const GlColorTable* t = &p->palette;
        if (!t->data || t->width <= 0 || (t->width & (t->width - 1))) return nullptr;
        if (t->baseFormat == GL_RGB && texelBytes == 3) return FilteredRow<SRC_INDEX8_RGB>::stages[f];
        if (t->baseFormat == GL_RGBA) return FilteredRow<SRC_INDEX8_RGBA>::stages[f];
        return nullptr;
    }
    default: return nullptr;
    }
}
