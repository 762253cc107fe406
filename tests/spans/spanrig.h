// A rig that runs span stages the way the span walk does: a span of any
// length cut into groups of 32 with their masks, a colour buffer with guard
// bytes on both sides, a fake texture stage and a recording successor.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <functional>
#include <vector>

#include "core/glcontext.h"
#include "spans/spans.h"

// Pixel layouts of the formats with stage tables, written out here.
struct SpanFormat {
    int code, bytes;
    int bits[3], pos[3];
    const char* name;
    uint32_t pack(const int f[3]) const { return (uint32_t)f[0] << pos[0] | (uint32_t)f[1] << pos[1] | (uint32_t)f[2] << pos[2]; }
    int field(uint32_t px, int k) const { return (int)(px >> pos[k]) & ((1 << bits[k]) - 1); }
    int maxField(int k) const { return (1 << bits[k]) - 1; }
    uint32_t pixelMask() const { return bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1; }
    uint32_t colourBits() const {
        const int full[3] = {maxField(0), maxField(1), maxField(2)};
        return pack(full);
    }
};

static const SpanFormat kSpanFormats[] = {
    {2, 1, {3, 3, 2}, {5, 2, 0}, "Rgb332"},
    {4, 2, {5, 5, 5}, {10, 5, 0}, "Rgb555"},
    {5, 2, {5, 6, 5}, {11, 5, 0}, "Rgb565"},
    {10, 4, {8, 8, 8}, {16, 8, 0}, "Xrgb8888"},
};

static inline const SpanFormat& spanFormatOf(int code) {
    for (const SpanFormat& f : kSpanFormats)
        if (f.code == code) return f;
    return kSpanFormats[0];
}

// Span lengths and coverage patterns that cross the group boundaries.
static const int kSpanLengths[] = {1, 5, 31, 32, 33, 64};

struct SpanCoverage {
    const char* name;
    std::function<bool(int)> live;  // by pixel along the span
};

static inline std::vector<SpanCoverage> spanCoverages() {
    return {
        {"all", [](int) { return true; }},
        {"odd", [](int i) { return (i & 1) != 0; }},
        {"one bit 20", [](int i) { return i == 11; }},
        {"group ends", [](int i) { return i % 32 == 0 || i % 32 == 31; }},
        {"sparse", [](int i) { return ((i * 7 + 3) % 5) < 2; }},
    };
}

// Deterministic bytes with the extremes 0 and 255 among them.
static inline uint8_t spanTestByte(uint32_t seed) {
    seed = seed * 2654435761u + 0x9E3779B9u;
    seed ^= seed >> 15;
    const uint8_t b = (uint8_t)(seed >> 8);
    if (b < 24) return 0;
    if (b > 232) return 255;
    return b;
}

struct SpanRig {
    // The fake texture stage: texel bytes of pixel p (along the span) are
    // texel(p, 0 .. texelBytes - 1), packed for the live pixels only.
    inline static SpanRig* current = nullptr;
    int texelBytes = 3;
    uint32_t texelSalt = 1;
    int groupBase = 0;
    int textureCalls = 0;
    std::vector<GLuint> texturedMasks, successorMasks;
    GlSpanProc next = nullptr;  // what the recording successor calls after recording

    GlContext* gc;
    GlSpan span;
    const SpanFormat& f;
    int length = 0, step = 1;
    std::vector<uint8_t> memory;
    enum { GUARD = 16 };

    SpanRig(const SpanFormat& format) : f(format) {
        gc = (GlContext*)calloc(1, sizeof(GlContext));
        gc->procs.spanTextured = &fakeTexture;
        gc->procs.spanChain[GL_CHAIN_AFTER_COLOR] = &recordSuccessor;
        memset(&span, 0, sizeof span);
        span.context = gc;
        current = this;
    }
    ~SpanRig() {
        free(gc);
        current = nullptr;
    }

    std::vector<uint8_t> fixedTexel;  // when set, every pixel's texel
    uint8_t texel(int p, int k) const {
        if (!fixedTexel.empty()) return fixedTexel[(size_t)k];
        return spanTestByte(texelSalt * 977u + (uint32_t)p * 8u + (uint32_t)k);
    }

    static void GLSPANCALL fakeTexture(GLuint mask, GlSpan* s) {
        SpanRig* r = current;
        r->textureCalls++;
        r->texturedMasks.push_back(mask);
        int k = 0;
        for (int i = 0; i < 32; ++i) {
            if (!(mask & (0x80000000u >> i))) continue;
            for (int b = 0; b < r->texelBytes; ++b) s->texels[k * r->texelBytes + b] = r->texel(r->groupBase + i, b);
            ++k;
        }
    }
    static void GLSPANCALL recordSuccessor(GLuint mask, GlSpan* s) {
        current->successorMasks.push_back(mask);
        if (current->next) current->next(mask, s);
    }

    // A colour buffer of n pixels, every byte `fill`, with guards.
    void buffer(int n, int pixelStep, uint8_t fill) {
        length = n;
        step = pixelStep;
        memory.assign((size_t)(n * f.bytes + 2 * GUARD), 0xA5);
        memset(&memory[GUARD], fill, (size_t)(n * f.bytes));
    }
    // Address of pixel i along the walk (right to left for step -1).
    uint8_t* at(int i) { return &memory[GUARD + (size_t)((step > 0 ? i : length - 1 - i) * f.bytes)]; }
    uint32_t pixel(int i) {
        uint32_t v = 0;
        memcpy(&v, at(i), (size_t)f.bytes);
        return v;
    }
    void setPixel(int i, uint32_t v) { memcpy(at(i), &v, (size_t)f.bytes); }
    bool guardsIntact() const {
        for (int i = 0; i < GUARD; ++i)
            if (memory[(size_t)i] != 0xA5 || memory[memory.size() - 1 - (size_t)i] != 0xA5) return false;
        return true;
    }

    // Span start values; groups start 32 steps further on.
    GLuint start[4] = {0, 0, 0, 0};
    GLint dstep[4] = {0, 0, 0, 0};
    const GLint* ditherRow(int y) const { return &__glSpanDitherTables[step < 0][y & 3][0]; }

    // Runs the stage over the span as the walk does; before each call
    // `group(g, mask)` may prepare GlSpan.colors; after it `after(g, mask,
    // ditherAdvance)` checks the group.
    void run(GlSpanProc stage, const std::function<bool(int)>& live, int x0 = 0, int y0 = 0,
             const std::function<void(int, GLuint)>& group = nullptr,
             const std::function<void(int, GLuint, long)>& after = nullptr) {
        for (int g = 0; g * 32 < length; ++g) {
            const int n = length - g * 32 < 32 ? length - g * 32 : 32;
            GLuint mask = 0;
            for (int i = 0; i < n; ++i)
                if (live(g * 32 + i)) mask |= 0x80000000u >> i;
            if (!mask) continue;
            span.x = x0 + 32 * g;
            span.y = y0;
            span.pixelStep = step;
            span.dest = at(g * 32);
            span.ditherTable = ditherRow(0);
            span.dither = ditherRow(y0) + ((x0 + 32 * g) & 3);
            span.red = start[0] + (GLuint)(32 * g * dstep[0]);
            span.green = start[1] + (GLuint)(32 * g * dstep[1]);
            span.blue = start[2] + (GLuint)(32 * g * dstep[2]);
            span.alpha = start[3] + (GLuint)(32 * g * dstep[3]);
            span.redStep = dstep[0];
            span.greenStep = dstep[1];
            span.blueStep = dstep[2];
            span.alphaStep = dstep[3];
            groupBase = g * 32;
            if (group) group(g, mask);
            const GLint* d0 = span.dither;
            stage(mask, &span);
            if (after) after(g, mask, (long)(span.dither - d0));
        }
    }

    // The dither addend of pixel i of a span starting at (x0, y0).
    GLint addend(int i, int x0, int y0) const { return ditherRow(y0)[((x0 + 32 * (i / 32)) & 3) + i % 32]; }
};

// Pixels visited by a group: the last live pixel + 1.
static inline long spanVisited(GLuint mask) {
    long n = 0;
    while (mask) {
        mask <<= 1;
        ++n;
    }
    return n;
}

// mul of two bytes as the stages take it, from the square table.
static inline int spanMul(int a, int b) {
    const uint8_t* s = __glSquareTable + 255;
    return (s[a] + s[b] - s[a - b]) >> 1;
}
