// Span stages of the fast span chain: the stage signature, the span record a
// chain works on, the stage tables by colour-buffer format, the dither tables
// and the byte-product square table.
#pragma once

#include "core/glcore.h"

struct GlSpan;

// A span stage: coverage mask of one group of up to 32 pixels (bit 31 = the
// group's first pixel, a set bit = a live pixel) and the span record.
typedef void (GLPROC* GlSpanProc)(GLuint mask, GlSpan* span);

enum {
    GL_SPAN_GROUP_PIXELS = 32,
    GL_SPAN_DITHER_ROW = 35,  // 32 entries from any of the four starting columns
    GL_SPAN_FORMAT_CODES = 12,
    GL_SPAN_COLOR_STAGES = 64,   // direct and colour tables, by colour index
    GL_SPAN_STORE_STAGES = 128,  // store tables, by store index
    GL_SPAN_CHAIN_SLOTS = 8
};

// Successor slots of procs.spanChain, by the kind of stage that calls them.
enum {
    GL_CHAIN_AFTER_CLIP = 0,
    GL_CHAIN_AFTER_STIPPLE = 1,
    GL_CHAIN_AFTER_DEPTH = 2,
    GL_CHAIN_AFTER_COLOR = 3,
    GL_CHAIN_AFTER_FOG = 4,
    GL_CHAIN_AFTER_ALPHA_TEST = 5,
    GL_CHAIN_AFTER_INDEX_TEST = 6,
    GL_CHAIN_AFTER_STENCIL_TEST = 7
};

// The span record of one primitive; the set-up fills it per span and group.
// These are the fields the colour, direct and store stages use; the chain's
// other stages add theirs (depth, stencil, fog, texture coordinates,
// per-group steps) when the chain is built.
struct GlSpan {
    GLint x, y;       // the group's x as the span walk keeps it (+32 a group) and the span's row
    GLint pixelStep;  // +1, or -1 for a span walked right to left
    uint8_t* dest;    // the group's first pixel in the colour buffer
    uint8_t* dest2;   // the same in the second colour buffer (both buffers)
    // Colour at the group's first pixel, 16.16 in units of the destination
    // field (alpha 0 .. 255), and the change per pixel.
    GLuint red, green, blue, alpha;
    GLint redStep, greenStep, blueStep, alphaStep;
    GLuint flatPixel;           // the flat colour packed in the pixel layout, other bits 0
    const GLint* ditherTable;   // row 0 of the span's dither table (4 rows of 35 addends)
    const GLint* dither;        // addend of the group's first pixel
    uint8_t colors[GL_SPAN_GROUP_PIXELS][4];   // R, G, B, A of pixel i
    uint8_t texels[GL_SPAN_GROUP_PIXELS * 4];  // one texel per live pixel, packed
    GlContext* context;
};

static_assert(sizeof(((GlSpan*)0)->colors) == 128, "GlSpan: 32 colour entries of 4 bytes");
static_assert(offsetof(GlSpan, colors) % 4 == 0, "GlSpan: colour entries are word aligned");

extern "C" {
// Stage tables by format code (2 R3G3B2, 4 x1R5G5B5, 5 R5G6B5, 10 0x00RRGGBB;
// the colour table of code 10 serves code 7 too); null where a code has none.
extern const GlSpanProc* const __glDirectProcTables[GL_SPAN_FORMAT_CODES];
extern const GlSpanProc* const __glShadeProcTables[GL_SPAN_FORMAT_CODES];
extern const GlSpanProc* const __glStoreProcTables[GL_SPAN_FORMAT_CODES];

// floor(x * x / 255) at entry 255 + x, x from -255 to 255.
extern const uint8_t __glSquareTable[511];
}

// Dither addends in 16.16 (matrix value k is k * 4096), filled from
// __glDitherMatrix4x4 at load: [0] for spans walked left to right, entry j of
// row r holding the matrix value of column j & 3; [1] mirrored for spans
// walked right to left, column (4 - j) & 3.
extern const GLint (&__glSpanDitherTables)[2][4][GL_SPAN_DITHER_ROW];

// The dither addend of a group's first pixel: row y & 3, entry x & 3.
static inline const GLint* __glSpanDitherStart(const GLint* table, GLint x, GLint y) {
    return table + (y & 3) * GL_SPAN_DITHER_ROW + (x & 3);
}

// About a * b / 255 for bytes a and b, through the square table: mul(a, 255)
// is a, mul(a, 0) is 0.
static inline GLuint __glSpanMul(GLint a, GLint b) {
    const uint8_t* sq = __glSquareTable + 255;
    return (GLuint)(sq[a] + sq[b] - sq[a - b]) >> 1;
}
