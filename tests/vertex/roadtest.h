// The vertex road tests' rig: one geometry in client arrays of chosen types,
// drawn through every road (immediate mode with and without the vertex
// cache, glArrayElement, glDrawArrays, glDrawElements with each index type)
// into a DIB section, with generated vertex programs on or off; pixels and
// feedback words read back for comparison.
#pragma once

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <functional>
#include <string>
#include <vector>
#include "gldib.h"

namespace road {

// An attribute array: components, type (0: the array is off) and the
// stride in bytes beyond the packed one.
struct ArraySpec {
    GLint size;
    GLenum type;
    GLint pad;
};

// An array that is off.
constexpr ArraySpec OFF_SPEC = {0, 0, 0};

struct Format {
    ArraySpec vertex, normal, color, texCoord;
    bool edgeFlags;
    GLenum interleaved;  // a glInterleavedArrays format instead of the specs, or 0
    ArraySpec index = OFF_SPEC;
};

// The roads a geometry is drawn through.
enum Road {
    IMMEDIATE,         // glBegin/glVertex/glEnd, vertex cache off
    IMMEDIATE_CACHED,  // the same through the vertex cache
    ARRAY_ELEMENT,     // glArrayElement inside glBegin/glEnd (cached)
    DRAW_ARRAYS,
    DRAW_ELEMENTS_8,
    DRAW_ELEMENTS_16,
    DRAW_ELEMENTS_32,
    ROAD_COUNT,
};
const char* roadName(int road);

// Master values of n vertices, deterministic; `spread` > 1 puts some outside
// the view volume.
struct Geometry {
    int n = 0;
    std::vector<double> pos, normal, color, tex;  // 4, 3, 4, 4 per vertex
    std::vector<GLboolean> edge;
    Geometry(int count, double spread, unsigned seed);
};

// Client arrays of a geometry in a format, and the calls that draw it.
struct Arrays {
    Format f;
    const Geometry* g;
    std::vector<uint8_t> vertex, normal, color, texCoord, index, edge, interleaved;
    GLsizei vertexStride = 0, normalStride = 0, colorStride = 0, texStride = 0, indexStride = 0;
    // Interleaved: bytes of an element and the offsets of its parts (-1: none).
    int ilStride = 0, ilVertex = 0, ilNormal = -1, ilColor = -1, ilTex = -1;
    Arrays(const Geometry& geometry, const Format& format);
    void enable() const;   // pointers and client state
    void disable() const;
    // The immediate calls of element i with the arrays' types (the element
    // procedures' own entries), as glArrayElement makes them.
    void immediate(int i) const;
};

// Draws `count` elements from `first` of mode through a road.
void drawRoad(int road, GLenum mode, const Arrays& a, int first, int count);

// A context on a 32-bit DIB section with generated vertex programs on or off.
struct Target {
    GltestDibContext* c = nullptr;
    bool generated;
    // An RGBA format on a 32-bit DIB section, or colour index on an 8-bit one.
    explicit Target(bool generatedPrograms, int size = 40, bool colorIndex = false);
    ~Target();
    void makeCurrent() const;
    std::vector<uint32_t> pixels() const;
    // Clears the colour and depth buffers, runs d and returns the pixels.
    std::vector<uint32_t> draw(const std::function<void()>& d) const;
};

// Runs draw in GL_FEEDBACK mode (GL_4D_COLOR_TEXTURE) and returns the words.
std::vector<GLfloat> feedback(const std::function<void()>& draw, size_t capacity = 1 << 16);

// The vertex cache on or off (private setting 0x81AD of glCullParameterfvQTA).
void setVertexCache(bool on);

// A 4 x 4 RGBA texture bound and enabled on GL_TEXTURE_2D.
void bindCheckerTexture();

}  // namespace road
