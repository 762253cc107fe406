// Lanes the SSE2 paths of the colour, direct and store stages share: the
// span's channels for four pixels, byte products by the square table's rule
// in 16-bit lanes, and eight texels or colours as channel planes.
#pragma once

#include <emmintrin.h>
#include <stddef.h>
#include <string.h>
#include "spans/spans.h"

// Red, green, blue and alpha of pixels 0 .. 3 (lane j: pixel j) from the
// span's 16.16 values and steps, and the steps of four pixels.
static inline void channelLanes4(const GlSpan* s, bool smooth, __m128i lanes[4], __m128i steps4[4]) {
    static_assert(offsetof(GlSpan, alpha) == offsetof(GlSpan, red) + 12, "GlSpan: red .. alpha in a row");
    static_assert(offsetof(GlSpan, alphaStep) == offsetof(GlSpan, redStep) + 12, "GlSpan: steps in a row");
    const __m128i x0 = _mm_loadu_si128((const __m128i*)&s->red);
    const __m128i dx = smooth ? _mm_loadu_si128((const __m128i*)&s->redStep) : _mm_setzero_si128();
    const __m128i x1 = _mm_add_epi32(x0, dx), x2 = _mm_add_epi32(x1, dx), x3 = _mm_add_epi32(x2, dx);
    const __m128i rg01 = _mm_unpacklo_epi32(x0, x1), rg23 = _mm_unpacklo_epi32(x2, x3);
    const __m128i ba01 = _mm_unpackhi_epi32(x0, x1), ba23 = _mm_unpackhi_epi32(x2, x3);
    lanes[0] = _mm_unpacklo_epi64(rg01, rg23);
    lanes[1] = _mm_unpackhi_epi64(rg01, rg23);
    lanes[2] = _mm_unpacklo_epi64(ba01, ba23);
    lanes[3] = _mm_unpackhi_epi64(ba01, ba23);
    const __m128i dx4 = _mm_slli_epi32(dx, 2);
    steps4[0] = _mm_shuffle_epi32(dx4, 0x00);
    steps4[1] = _mm_shuffle_epi32(dx4, 0x55);
    steps4[2] = _mm_shuffle_epi32(dx4, 0xAA);
    steps4[3] = _mm_shuffle_epi32(dx4, 0xFF);
}

// floor(x x / 255) in 16-bit lanes, x in -255 .. 255: (x x 0x8081) >> 23
// is exact for every 16-bit x x.
static inline __m128i squares255(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(x, x), _mm_set1_epi16((short)0x8081)), 7);
}

// The square-table product of bytes a and b before its halving:
// sq(a) + sq(b) - sq(a - b) as the table gives it (0 .. 510).
static inline __m128i mulBytes8Twice(__m128i a, __m128i b) {
    return _mm_sub_epi16(_mm_add_epi16(squares255(a), squares255(b)), squares255(_mm_sub_epi16(a, b)));
}

// The square-table product itself (__glSpanMul) in 16-bit lanes.
static inline __m128i mulBytes8(__m128i a, __m128i b) { return _mm_srli_epi16(mulBytes8Twice(a, b), 1); }

// Channels of eight texels of B bytes (3 or 4) in 16-bit lanes: each texel
// read as a word (the byte after a three-byte texel is dropped), then the
// bytes of texels j and j + 4, j + 2, j + 1 interleaved until each channel's
// bytes stand in pixel order; out[3] the fourth bytes (alpha of 4-byte ones).
template <int B>
static inline void texelPlanes8(const uint8_t* t, __m128i out[4]) {
    const auto word = [t](int i) {
        GLint v;
        memcpy(&v, t + i * B, 4);
        return _mm_cvtsi32_si128(v);
    };
    const __m128i p04 = _mm_unpacklo_epi8(word(0), word(4)), p15 = _mm_unpacklo_epi8(word(1), word(5));
    const __m128i p26 = _mm_unpacklo_epi8(word(2), word(6)), p37 = _mm_unpacklo_epi8(word(3), word(7));
    const __m128i even = _mm_unpacklo_epi8(p04, p26), odd = _mm_unpacklo_epi8(p15, p37);
    const __m128i rg = _mm_unpacklo_epi8(even, odd), ba = _mm_unpackhi_epi8(even, odd), zero = _mm_setzero_si128();
    out[0] = _mm_unpacklo_epi8(rg, zero);
    out[1] = _mm_unpackhi_epi8(rg, zero);
    out[2] = _mm_unpacklo_epi8(ba, zero);
    out[3] = _mm_unpackhi_epi8(ba, zero);
}

// Bytes of eight pixels' channels from 16-bit lanes (values 0 .. 255) as
// R, G, B, A words, stored at p (32 bytes); without Alpha the fourth bytes
// there are kept.
template <bool Alpha>
static inline void storeColorWords8(uint8_t* p, const __m128i c[4]) {
    const __m128i rg = _mm_or_si128(c[0], _mm_slli_epi16(c[1], 8));
    const __m128i ba = _mm_or_si128(c[2], Alpha ? _mm_slli_epi16(c[3], 8) : _mm_setzero_si128());
    __m128i lo = _mm_unpacklo_epi16(rg, ba), hi = _mm_unpackhi_epi16(rg, ba);
    if (!Alpha) {
        const __m128i a = _mm_set1_epi32((int)0xFF000000u);
        lo = _mm_or_si128(lo, _mm_and_si128(_mm_loadu_si128((const __m128i*)p), a));
        hi = _mm_or_si128(hi, _mm_and_si128(_mm_loadu_si128((const __m128i*)(p + 16)), a));
    }
    _mm_storeu_si128((__m128i*)p, lo);
    _mm_storeu_si128((__m128i*)(p + 16), hi);
}

// Eight pixels' fields in 16-bit lanes packed and stored at p (n of them).
template <class F>
static inline void storeFields8(uint8_t* p, int n, const __m128i f[3]) {
    __m128i out = _mm_setzero_si128(), high = _mm_setzero_si128();
#pragma GCC unroll 3
    for (int k = 0; k < 3; ++k) {
        if (F::pos[k] >= 16) high = _mm_or_si128(high, _mm_slli_epi16(f[k], F::pos[k] & 15));
        else out = _mm_or_si128(out, _mm_slli_epi16(f[k], F::pos[k]));
    }
    alignas(16) uint8_t w[32];
    uint8_t* q = n < 8 ? w : p;
    if (F::bytes == 4) {
        _mm_storeu_si128((__m128i*)q, _mm_unpacklo_epi16(out, high));
        _mm_storeu_si128((__m128i*)(q + 16), _mm_unpackhi_epi16(out, high));
    } else if (F::bytes == 2) {
        _mm_storeu_si128((__m128i*)q, out);
    } else {
        _mm_storel_epi64((__m128i*)q, _mm_packus_epi16(out, out));
    }
    if (n < 8) memcpy(p, w, (size_t)n * F::bytes);
}
