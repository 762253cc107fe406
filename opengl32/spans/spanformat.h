// What the span stage families share: pixel layouts by format code, pixel
// access, the coverage-mask walk and the table builder.
#pragma once

#include <string.h>
#include <array>
#include <utility>

#include "spans/spans.h"

// Pixel layout of a colour-buffer format with stage tables: pixel size and,
// for red, green and blue, field width and lowest bit. The spare bits (bit 15
// of code 4, bits 31-24 of code 10) are written as 0 by every packed colour.
template <int Bytes, int R, int G, int B, int RPos, int GPos, int BPos>
struct GlSpanLayout {
    static constexpr int bytes = Bytes;
    static constexpr int bits[3] = {R, G, B};
    static constexpr int pos[3] = {RPos, GPos, BPos};
    // A field's value in the top bits of a channel byte: the byte of the
    // largest value, and the shift that turns a 16.16 field value into it.
    static constexpr GLuint ceiling(int k) { return ((1u << bits[k]) - 1) << (8 - bits[k]); }
    static constexpr int shift(int k) { return 8 + bits[k]; }
    static constexpr GLuint maxField(int k) { return (1u << bits[k]) - 1; }
};

typedef GlSpanLayout<1, 3, 3, 2, 5, 2, 0> GlSpanRgb332;     // code 2
typedef GlSpanLayout<2, 5, 5, 5, 10, 5, 0> GlSpanRgb555;    // code 4
typedef GlSpanLayout<2, 5, 6, 5, 11, 5, 0> GlSpanRgb565;    // code 5
typedef GlSpanLayout<4, 8, 8, 8, 16, 8, 0> GlSpanXrgb8888;  // code 10 (and the colours of code 7)

template <int N>
static inline GLuint glSpanLoadPixel(const uint8_t* p) {
    if (N == 1) return p[0];
    if (N == 2) {
        uint16_t v;
        memcpy(&v, p, 2);
        return v;
    }
    GLuint v;
    memcpy(&v, p, 4);
    return v;
}

template <int N>
static inline void glSpanStorePixel(uint8_t* p, GLuint v) {
    if (N == 1) {
        p[0] = (uint8_t)v;
    } else if (N == 2) {
        uint16_t w = (uint16_t)v;
        memcpy(p, &w, 2);
    } else {
        memcpy(p, &v, 4);
    }
}

// The coverage-mask walk: live(i) for each set bit, pixel i = bit 31 - i;
// next() after every pixel visited, live or dead; stops at the last live one.
// A mask whose live pixels run unbroken from bit 31 (a whole group, or the
// last one of a span) takes a counted loop without the bit tests.
template <class Live, class Next>
static inline void glSpanWalk(GLuint mask, Live live, Next next) {
    const GLuint dead = ~mask;
    if (!(dead & (dead + 1))) {
        const int n = dead ? __builtin_clz(dead) : 32;
        for (int i = 0; i < n; ++i) {
            live(i);
            next();
        }
        return;
    }
    for (int i = 0; mask; mask <<= 1, ++i) {
        if (mask & 0x80000000u) live(i);
        next();
    }
}

// A constant table of N stages: entry i is Entry::template at<i>() (null
// where the index has no stage).
template <class Entry, size_t... I>
constexpr std::array<GlSpanProc, sizeof...(I)> glSpanMakeTable(std::index_sequence<I...>) {
    return {{Entry::template at<(int)I>()...}};
}
