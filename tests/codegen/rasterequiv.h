// Triangles drawn through the public calls on a DIB section under one of the
// fast path's configurations (generated set-up and walker with the whole
// fill, the same without it, or no generated code at all), with the colour,
// depth and stencil buffers read back for exact comparison.
#pragma once

#include <functional>
#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"

enum RasterPath {
    PATH_GENERATED,  // generated set-up, walker and stages; the whole fill where it applies
    PATH_NO_FILL,    // "__GL_DISABLE_OG": the walker runs the span chain
    PATH_CPP,        // no generated rasterization code
};

struct RasterFormat {
    const char* name;
    int bits;
    bool index;
    const DWORD* masks;
};
extern const RasterFormat kRasterFormats[6];  // x8r8g8b8, r8g8b8, r5g6b5, x1r5g5b5, r3g3b2, index8

struct RasterVertex {
    float x, y, z;
    float c[4];
    float s, t, q;
};

struct RasterImage {
    std::vector<uint8_t> color;
    std::vector<GLuint> depth;
    std::vector<GLubyte> stencil;
    bool guards = false;
    bool drawn = false;  // some colour differs from the cleared buffer
    bool generatedSetup = false;  // the triangles went through a generated set-up
    bool wholeFill = false;       // and its walker was the whole-triangle fill
    bool generatedTexture = false;  // the textured stage was generated
};

struct RasterScene {
    int width = 70, height = 45;
    int depthBits = 16;
    std::function<void()> state;        // GL state before the triangles
    std::vector<RasterVertex> vertices; // triangles, three vertices each
    bool texCoords = false;
    std::function<void()> between;      // when set: drawn once, this, drawn again
};

// Random triangles over and past the window; seed picks them.
std::vector<RasterVertex> rasterRandomTriangles(unsigned seed, int count, int width, int height);

// The scene on a DIB of the format under the path; MMX on or off.
RasterImage rasterRender(const RasterFormat& f, const RasterScene& scene, RasterPath path, bool mmx);

// The first difference of two images, or "" when they are equal.
std::string rasterDifference(const RasterImage& a, const RasterImage& b, int width, int bytesPerPixel);
