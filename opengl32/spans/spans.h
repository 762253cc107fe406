// Span stages of the fast span chain: the stage signature, the span record a
// chain works on, the stage tables by colour-buffer format, the dither tables
// and the byte-product square table.
#pragma once

#include "core/glcore.h"

struct GlSpan;
struct GlMipmapLevel;
struct GlTextureParams;

// Every chain stage, C++ or generated, takes its two arguments in registers:
// the coverage mask in ECX, the span record in EDX (fastcall). Stages keep
// EBX, ESI, EDI and EBP; the callee removes nothing from the stack.
#define GLSPANCALL __attribute__((fastcall))

// A span stage: coverage mask of one group of up to 32 pixels (bit 31 = the
// group's first pixel, a set bit = a live pixel) and the span record.
typedef void (GLSPANCALL* GlSpanProc)(GLuint mask, GlSpan* span);

// Texel fetch of the fast textured stages: one texel of a level by row and
// column, written as bytes. Filters: a 16.16 s and t (texel units) and a
// level selector (level index, or 16.16 level of detail when mipmapping).
typedef void (GLPROC* GlTexelFetchProc)(const GlMipmapLevel* level, const GlTextureParams* params, GLint row,
                                        GLint column, uint8_t* out);
typedef void (GLPROC* GlSpanTexFilterProc)(const GlTextureParams* params, GLint level, GLint s, GLint t,
                                           uint8_t* out);

enum {
    GL_SPAN_GROUP_PIXELS = 32,
    GL_SPAN_DITHER_ROW = 35,  // 32 entries from any of the four starting columns
    GL_SPAN_FORMAT_CODES = 12,
    GL_SPAN_COLOR_STAGES = 64,   // direct and colour tables, by colour index
    GL_SPAN_STORE_STAGES = 128,  // store tables, by store index
    GL_SPAN_CHAIN_SLOTS = 8,
    GL_SPAN_INDEX_SHADE_STAGES = 16,   // colour-index shade table, by feature code
    GL_SPAN_INDEX_STORE_STAGES = 32,   // colour-index store table: logic op + 16 with dither
    GL_SPAN_INDEX_DIRECT_STAGES = 80   // colour-index direct table, by feature code
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
// The fields up to `context` are the ones the colour, direct and store
// families use; the rest serve the walk and the other chain stages. Generated
// code reaches every field through the span layout keys (codegen/spanlayout.h).
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

    // ---- Walk: per-group steps (the change from one group to the next).
    GLint destStep32, dest2Step32;
    GLint redStep32, greenStep32, blueStep32, alphaStep32;
    // ---- Depth: the group's first element, its value on the depthMax scale
    // (unsigned, modulo 2^32 like the generic walk) and its steps; zOffset is
    // the polygon offset in the same units, added once per pixel by the depth
    // stage and saturated to 0 .. depthMax there.
    uint8_t* depthAddress;
    GLint depthStep32;
    GLuint z;
    GLint zStep, zStep32;
    GLint zOffset;
    // ---- Stencil: the group's first byte, its change per group, and the
    // pixels that passed the stencil test (for the update after depth).
    uint8_t* stencilAddress;
    GLint stencilStep32;
    GLuint stencilPassMask;
    // ---- Fog: 16.16 (factor x 255, or the eye distance under GL_NICEST).
    GLint fog, fogStep, fogStep32;
    // ---- Texture: s and t in 16.16 texel units interpolated linearly, or,
    // with perspective or differing filters, floats s, t, q and the level of
    // detail; each with its steps per pixel and per group.
    GLint s, t, sStep, tStep, sStep32, tStep32;
    GLfloat texS, texT, texQ, texLod;
    GLfloat texSStep, texTStep, texQStep, texLodStep;
    GLfloat texSStep32, texTStep32, texQStep32, texLodStep32;
    // ---- Both buffers: the dither pointer of the group, for the second pass.
    const GLint* savedDither;
};

static_assert(sizeof(((GlSpan*)0)->colors) == 128, "GlSpan: 32 colour entries of 4 bytes");
static_assert(offsetof(GlSpan, colors) % 4 == 0, "GlSpan: colour entries are word aligned");

// What the picker decided for one validation; the texture part reads and
// writes it, the set-up reads the copy kept in the context (GlContext.chain).
struct GlChainPick {
    GLuint flags;            // raster flags (texture bits cleared when drawn untextured)
    uint8_t rgba;
    uint8_t alphaNeeded;     // blend, alpha test, or written alpha bits
    uint8_t dither;
    uint8_t genericStore;    // the generic store of the format replaces the store stage
    uint8_t genericSetup;    // __glGenericTriangle, never generated set-up
    uint8_t separateStore;   // colour stage and store stage instead of one direct stage
    uint8_t nothingWritten;  // the chain ends in __glNullSpanFill
    // Texture (filled by __glPickChainTexture): the texture-function code of
    // the colour index (RGBA bits 2-4; colour index bits 2-3), the texel-alpha
    // bit 5, and whether the set-up hands the textured stage float s, t, q and
    // level of detail (perspective or differing filters) or 16.16 s and t.
    uint8_t texCode;
    uint8_t texAlpha;
    uint8_t texFloat;
    // GL_REPLACE copied straight: level 0 of the texture (nearest texel,
    // GL_REPEAT, no border) has a copy in the colour buffer's pixel format
    // (GlMipmapLevel.converted, made for texStraightKey) whose pixels are
    // stored as they are.
    uint8_t texStraight;
    uint8_t pad;
    GLfloat texScale[2];     // s and t to texel units for the 16.16 coordinates
    // Fog colour as channel bytes (each field in the top bits, as the colour
    // entries hold it), the fog index clamped to 0 .. 255, and the rounding
    // bias the set-up adds to colour-index words (the index test takes it off).
    uint8_t fogColorBytes[4];
    GLint fogIndex;
    GLuint indexBias;
    GLfloat alphaScale;      // vertex alpha to 0 .. 255
    // Key word of the generated nearest-texel stage with bit 31 set, 0 when
    // the state takes none (generated once the chain is known to run).
    GLuint texStageKey;
    GLuint texStraightKey;  // GlMipmapLevel.convertedKey of the straight copy
};

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
