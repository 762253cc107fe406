// Chooses the triangle path of the contexts validated in a scope: the fast
// span chain, or (generic) the span lists it falls back to; with cppOnly the
// chain runs its C++ set-up and stages without any generated code.
#pragma once

#include <windows.h>
#include "raster/chain.h"
#include "codegen/rastergen.h"

struct GltestTrianglePath {
    GlFastPathSwitches saved;
    GLint savedRasterDisabled;
    explicit GltestTrianglePath(bool generic, bool cppOnly = false)
        : saved(__glFastPathSwitches), savedRasterDisabled(__glOgRasterDisabled) {
        __glFastPathSwitches = GlFastPathSwitches{};
        __glFastPathSwitches.read = 1;
        __glFastPathSwitches.disableFastPath = generic;
        __glOgRasterDisabled = cppOnly;
    }
    ~GltestTrianglePath() {
        __glFastPathSwitches = saved;
        __glOgRasterDisabled = savedRasterDisabled;
    }
};

// The roads a path comparison draws: the generated chain, the C++ chain.
struct GltestChainRoad {
    const char* name;
    bool cppOnly;
};
static const GltestChainRoad gltestChainRoads[] = {{"generated", false}, {"C++ chain", true}};

// Whether the context draws triangles through the fast path: its C++
// set-up, or a set-up routine generated into the context's set-up cache.
inline bool gltestFastTriangles(const GlContext* gc) {
    const GlOgCache* c = &gc->og.gen.caches[GL_OG_CACHE_SETUP];
    const uint8_t* p = (const uint8_t*)gc->procs.renderTriangle;
    return gc->procs.renderTriangle == __glGenericTriangle ||
           (p >= c->code && p < c->code + (size_t)c->entryCount * c->codeBytes);
}

// The DIB formats the path comparisons draw on: bits, colour index, the bit
// fields of a 16-bit DIB, and the red, green and blue fields of a pixel.
struct GltestDibFormat {
    const char* name;
    int bits;
    bool index;
    const DWORD* masks;
    int fieldBits[3], fieldPos[3];
};
static const DWORD gltestMasks565[3] = {0xF800, 0x07E0, 0x001F};
static const GltestDibFormat gltestDibFormats[] = {
    {"x8r8g8b8", 32, false, nullptr, {8, 8, 8}, {16, 8, 0}},
    {"r8g8b8", 24, false, nullptr, {8, 8, 8}, {16, 8, 0}},
    {"r5g6b5", 16, false, gltestMasks565, {5, 6, 5}, {11, 5, 0}},
    {"x1r5g5b5", 16, false, nullptr, {5, 5, 5}, {10, 5, 0}},
    {"r3g3b2", 8, false, nullptr, {3, 3, 2}, {5, 2, 0}},
    {"index8", 8, true, nullptr, {8, 0, 0}, {0, 0, 0}},
};
