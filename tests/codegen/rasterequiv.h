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
    PATH_TWIN,       // as PATH_GENERATED, the MMX fill's spans drawn by its C++ twin
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
    std::vector<uint8_t> cleared;  // the colour buffer before the triangles
    std::vector<GLuint> depth;
    std::vector<GLuint> stored;  // the depth buffer's words as stored (clear generation, mirror)
    std::vector<GLubyte> stencil;
    bool guards = false;
    bool drawn = false;  // some colour differs from the cleared buffer
    bool generatedSetup = false;  // the triangles went through a generated set-up
    bool wholeFill = false;       // and its walker was the whole-triangle fill
    bool mmxFill = false;         // the MMX fill's routine or its twin
    bool generatedTexture = false;  // the textured stage was generated
};

struct RasterScene {
    int width = 70, height = 45;
    int depthBits = 16;
    std::function<void()> state;        // GL state before the triangles
    std::vector<RasterVertex> vertices; // triangles, three vertices each
    bool texCoords = false;
    std::function<void()> between;      // when set: drawn once, this, drawn again
    // On a double-buffered window drawing to GL_FRONT_AND_BACK: the colour
    // image holds both buffers read back as RGBA bytes, front first.
    bool bothBuffers = false;
};

// Random triangles over and past the window; seed picks them.
std::vector<RasterVertex> rasterRandomTriangles(unsigned seed, int count, int width, int height);

// The scene on a DIB of the format under the path; MMX on or off.
RasterImage rasterRender(const RasterFormat& f, const RasterScene& scene, RasterPath path, bool mmx);

// Inside a scene's state: every word of the current context's depth buffer
// set to value(x, y) as stored (bypassing the depth transform).
void rasterStoreDepthWords(const std::function<GLuint(int x, int y)>& value);

// The first difference of two images, or "" when they are equal.
std::string rasterDifference(const RasterImage& a, const RasterImage& b, int width, int bytesPerPixel);

// The red, green and blue fields of an RGB format (8, 16 or 32 bits a
// pixel), and pixel (x, y) of an image's colour buffer.
struct RasterFields {
    int bits[3], pos[3];
    int bytes;
};
RasterFields rasterFields(const RasterFormat& f);
GLuint rasterPixel(const RasterImage& im, const RasterFormat& f, int width, int x, int y);

// An MMX fill's image against the chain's (8-, 16- and 32-bit RGB formats): the
// first depth or stencil difference, or pixel with a channel differing by
// more than bound (drawn by one side only, against the cleared buffer, or
// by both); "" when none. With bound < 0 no colour is compared: the depth
// buffers show the pixels drawn. *worst gets the largest channel difference.
std::string rasterNearby(const RasterImage& a, const RasterImage& b, const RasterFormat& f, int width, int bound,
                         int* worst);

// A bound in steps of the 2- to 6-bit fields for the format: the 8-bit
// fields of x8r8g8b8 take 2 bound + 1 (the MMX fill's lanes keep 7 bits
// below a field's top; a byte's last bit and the weights' and products'
// rounding show); a bound below 0 as it is.
int rasterFieldBound(const RasterFormat& f, int bound);

// Generated code against the C++ path: identical, or for the MMX fill
// identical to its twin and near the chain (rasterNearby, rasterFieldBound).
void rasterExpectGenerated(const RasterFormat& f, const RasterScene& sc, const RasterImage& gen, const RasterImage& cpp,
                           bool mmx, int bound);
