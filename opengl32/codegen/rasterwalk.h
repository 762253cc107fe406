// The generated triangle set-up and scan-line walker: the state both read
// (their key), the scratch record they share in the context's generated-code
// data area, and the x87 helpers that reproduce the C++ set-up's float and
// double arithmetic bit for bit.
//
// The routines do the work of __glGenericTriangle, __glSetupTriangleEmit,
// __glWalkTriangleEmit and __glEmitSpanChunks term by term: float terms are
// computed under single precision, double terms under double precision, and
// conversions truncate or round as the C++ casts do, so the spans, their
// start values and every pixel equal those of the C++ path.
#pragma once

#include <stddef.h>
#include "codegen/rastergen.h"
#include "codegen/spanlayout.h"
#include "geometry/glvertex.h"
#include "raster/glbuffer.h"

// Everything the set-up and walker generators read of the state.
struct GlOgRasterKey {
    GLuint rasterFlags;  // gc->rasterFlags: the set-up and the row walk
    GLuint chainFlags;   // the picker's flags: the span start values
    GLuint rgba, dither, textured, texFloat;
    GLuint colorBytes;   // draw buffer element size
    GLuint depthBytes;
    GLuint fogNicest;
    GLuint flatFog;      // flat shading with per-vertex fog
    GLuint vertexLayout; // locked (1) or the signature of the packed layout
    GLuint shift[3], maximum[3];  // RGBA fields of the draw buffer
    GLuint bothBuffers;
    // The walker's part.
    GLuint mode;         // 0 whole fill, 1 the chain per group of 32 pixels
    GLuint fill[20];     // mode 0: what the span body reads (spanbody.cpp)
};

// The words of GlOgRasterKey::fill: what the whole fill's span body reads.
enum {
    FILL_FORMAT, FILL_TEXCODE, FILL_TEXEL_BYTES, FILL_DITHER, FILL_SMOOTH, FILL_DEPTH, FILL_DEPTH_WRITE,
    FILL_DEPTH_BYTES, FILL_DEPTH_SHIFT, FILL_NOTHING_WRITTEN, FILL_MMX, FILL_RGBA,
    // The MMX fill's texture: texel layout (mmxfill.h), log2 width | log2
    // height << 8, perspective; and the walker calling the C++ twin of the
    // fill in its place.
    FILL_TEX_LAYOUT, FILL_TEX_LOG2, FILL_PERSPECTIVE, FILL_TWIN,
    // The MMX fill's blend factors (__glMmxBlendWord).
    FILL_BLEND,
    // The MMX fill's texture filter (GL_MMX_FILTER_*).
    FILL_TEX_FILTER,
};
static_assert(FILL_TEX_FILTER < 20, "fill words");

// The lower part of a triangle: its rows, the new short edge and, when the
// short edge is the left one, the start values at its vertex.
struct GlOgLowerPart {
    GlEdge edge;
    GLint replacesLeft;
    GLfloat spanColor[4], colorLittleStep[4], colorBigStep[4];
    GLfloat spanTexture[4], textureLittleStep[4], textureBigStep[4];
    GLfloat spanFog, fogLittleStep, fogBigStep;
    GLuint spanZ, zLittleStep, zBigStep;
    GLint depthLittleStep, depthBigStep, stencilLittleStep, stencilBigStep;
};

// The depth stage's values (depthgen.cpp).
struct GlOgMmxLanes {
    GLuint depthWalkStep;          // the walked value's step, of a buffer whose values shift
    GLint depthCount, depthSteps;  // live pixels of the run, steps of four in it
};

// A level of a mipmapped texture as the MMX fill's texel code reads it
// (lanes and 64-bit shift counts), one for each level of the key's level-0
// sizes. Levels sum the corners' weights to 256 or 257 as level 0 does.
struct GlOgMmxLevel {
    GLushort half[2][4];            // half a texel of s and of t in the lanes: 0x8000 >> log2 side
    GLuint toColumn[2], toRow[2];   // 16 - log2 width, 16 - log2 height
    GLuint widthLog2[2], heightLog2[2];
    GLushort widthMask[4], heightMask[4];
    // Lanes of s and t (less half a texel) above these lie in the last
    // column or row, whose next one wraps (0xFFFF: a side of one texel,
    // whose next is itself); the corners' texel offsets in bytes.
    GLushort edge[2][4];
    GLint cornerOffset[4];
};
static_assert(sizeof(GlOgMmxLevel) == 96, "level records of 12 quadwords");
enum { GL_OG_MMX_LEVELS = 11 };  // levels of sides up to 1024

// The MMX whole fill's values (mmxspan.cpp): four 16-bit lanes each. Per
// triangle: the group steps and lane offsets (by the lane of a span's first
// pixel) of red, green, blue, s and t, and of the depth words. Per span: the
// colour lanes kept in memory, the row's dither lanes, the depth words of the
// next group of 32 pixels, masks and a group for the partial stores.
enum { GL_MMX_R, GL_MMX_G, GL_MMX_B, GL_MMX_S, GL_MMX_T, GL_MMX_A, GL_MMX_CHANNELS };
// Sub-spans of a span as wide as the clip box can be (4096 pixels), one spare.
enum { GL_MMX_SUBSPANS = 4096 / 16 + 3 };
struct GlOgMmxFillScratch {
    GLushort step[GL_MMX_CHANNELS][4];
    GLushort offsets[GL_MMX_CHANNELS][4][4];
    GLushort lanes[3][4];    // red, green, blue where they live in memory
    GLushort dither[3][4];
    GLushort zAfter[4];      // the words after an unchecked block (its blue lanes in MM4)
    GLushort zFirst[4];      // a textured block's first words while its depth test works in MM4
    GLushort mask[4], words[4], pixels[4];
    GLushort mask32[4];      // four-byte pixels: the mask of pixels 2 and 3 (mask: 0 and 1)
    GLuint pixels32[4];
    // Blending: the alpha lanes, the texels' alpha bytes (then the source
    // alpha), the source and destination channels of the group.
    GLushort alpha[4], texAlpha[4], src[3][4], dst[3][4];
    // Bilinear texels: the corners' indexes and weights, the fractions, the
    // second row (times the width), the weighted sums of red, green, blue and alpha.
    GLushort texIndex[4][4], texWeight[4][4], texFs[4], texFt[4], texRow1[4], texSum[4][4];
    // Mipmapped: the first level's sums while the second is read; the
    // levels' blend factors F << 8 and 65535 - (F << 8).
    GLushort texSumFirst[4][4], mipF[4], mipG[4], texSave[3][4];
    // Depth: the group's walked values (32-bit words: the stored values),
    // those of a new group of 32, the lanes it starts in, the lane offsets
    // (l - j) and four of the step; the walked value of a depth v is (v ^
    // zXor) + zAdd.
    GLuint z32[4], zNext32[4], zOffset32[4], zHigh32[4], zOffsets32[4][4], zStep32x4[2];
    // 16-bit words: the words of the groups of a block and of the one after
    // it (their walked values in z32 as the block starts).
    GLushort blockWords[9][4];
    GLuint zXor, zAdd;
    GLuint zGeneration[2];   // the stored form of a walked value v: (v >> shift) + generation
    GLuint zGroup;           // z of the span's current group of 32
    // Mipmapped: the span's level of detail (the float's bits, from the
    // walker), the levels its texels come from (the first, and the second
    // under MIPMAP_LINEAR) with their sizes as the texel code reads them.
    GLuint lodBits;
    GLint levelOf[2];
    void* filterProc;  // the span's texel subroutine: minified or magnified
    GLuint pad1;
    GlOgMmxLevel level[2];
    uint8_t* texels;         // level 0 of the bound texture
    uint8_t* palette;
    GLuint paletteMask;
    GLuint laneMask;         // the live lanes of a partial group, a byte each
    GLint count, savedCount; // lanes to the span's end; the span's pixels
    // Perspective: the span steps of s and t whose step lanes and lane
    // offsets the scratch holds (valid: since the triangle's start, no sub-span reload).
    GLint texStepKey[2], texStepValid;
    // Perspective with q varying along the span: s/q and t/q in 16.16 at the
    // first pixel of each sub-span with their steps (s, ds, t, dt), the entry
    // of the next, and which copies of the group loop end a sub-span.
    GLint sub[GL_MMX_SUBSPANS][4];
    GLint* subNext;
    uint8_t subAt[8];
    GLint subP, subL, subEnd, subD, subU[2], subE[2];  // the walker's while it builds them
};
static_assert(offsetof(GlOgMmxFillScratch, zGroup) % 8 == 0, "lanes are 8-byte entries");

// The generated textured stage's values (texspangen.cpp).
struct GlOgTexScratch {
    GLint s, t, ds, dt;
    GLuint mask, runMask;
    GLint fixed, last;
    GLfloat value, sq, tq, q, sStep, tStep, qStep, w0, w1, s0, t0, k, qLast;
    GLushort callerCW, pad;
    void* variant;  // the palette variant of this call
    uint8_t* palette;
    GLuint paletteMask, paletteComponents;
};

// Scratch of the set-up and the walker (the context's data area, 8-aligned).
struct GlOgRasterScratch {
    GlOgMmxFillScratch fill;
    GlOgMmxLanes lanes;
    GlOgTexScratch tex;
    double dyFirst, dyB, xs, temp, d, dx;
    double zLittleSum;
    GLushort callerCW, pad16;
    GLuint needs, face, longEdgeLeft;
    GlVertex* a;  // as passed
    GlVertex* b;
    GlVertex* c;
    GlVertex* v[3];  // sorted A, B, C
    GLint iy[3];
    GLint upper0, upper1, lower0, lower1, first;
    // The coverage test's rows in the clip box, and for one row the x at
    // which its long and its short edge cross it.
    GLint rows, rowX[2];
    GLfloat slopeShort;
    GLfloat guard[4];
    GLfloat slope, startDx, startDy, little;
    GLfloat planeK, plane[4];
    GlEdge edge, startEdge;  // the edge set-up's result; the edge of the start values
    double startDyD;
    GLint whole;
    GLuint fraction;
    GLfloat fogged[3][4];
    GLfloat* saved[3];
    GLint y, y1, n, skip, left;
    GLint walkLower;  // the walker is in the triangle's lower part
    // The colour buffers' rows (front and back, or the draw buffer): the
    // address of x 0 in row y (0 without a buffer), stepped by the stride.
    uint8_t* colorRow[2];
    GLint colorStride[2];
    GLint colorStepsSet;  // the x86 whole fill's colour steps are in the frame
    GLint mmxRow[4], mmxRowStep[4][2];  // the MMX fill's colours at the rows' left edge, steps little and big
    GLuint stepQ;         // the q of the span whose s and t steps (perspective MMX fill) the frame holds,
    GLint stepQValid;     // when valid: within a triangle the steps depend on q alone
    const GLint* ditherStart;
    GLfloat rounded;
    GLint lockCount;
    GLfloat areaFace;
    GlOgLowerPart lower;
    GLint value[4];  // span start values of the colour channels
    GLuint acc[3];   // the fragment's channels along a group (whole fill)
    uint8_t* texels;
    GLuint pixel, mask;
    // A mipmapped MMX span cut where its level of detail leaves the octave of
    // its first pixel (__glGenMmxLevelPieces): the x the rest starts at
    // (INT_MIN: none yet in the row), whether this piece was cut, and the
    // cut's work.
    GLint pieceX, pieceCut, pieceLast;
    GLuint lodEnd, lodBound;
};
static_assert(sizeof(GlOgRasterScratch) + 8 <= GL_OG_DATA_AREA_BYTES, "the scratch fits the data area");

static inline GlOgRasterScratch* __glOgScratch(GlContext* gc) {
    return (GlOgRasterScratch*)(((uintptr_t)gc->og.gen.dataArea + 7) & ~(uintptr_t)7);
}

// Constants the routines address (library data).
struct GlOgRasterConstants {
    double one, fractionOne, limit30, minus30, magic16, depthTop, minusTwo31, intMax, zero, two32, minusTwo32;
    GLfloat zeroF, oneF, guardF, big30F, thirtyTwoF;
    GLushort cw[4];  // single nearest, double nearest, double chop, single chop
};
extern const GlOgRasterConstants __glOgRasterConst;
enum { GL_OG_CW_SINGLE, GL_OG_CW_DOUBLE, GL_OG_CW_DOUBLE_CHOP, GL_OG_CW_SINGLE_CHOP };

// The key of the current state (mode 0 or 1); false when the state has no
// generated set-up.
bool __glOgRasterKeyOf(GlContext* gc, GLint mode, GlOgRasterKey* key);

// Field of a vertex through the context's vertex layout.
GLint __glOgVertexField(GlContext* gc, GLint offset);

// x87 helpers.
void __glOgControlWord(GlOgAsm& A, int which);
void __glOgCallerControlWord(GlOgAsm& A, GlOgRasterScratch* scratch);
// st(0) compared with a memory operand; the flags of the comparison (ZF, PF,
// CF as the x87 condition codes), st(0) popped. EAX changed.
void __glOgCompare(GlOgAsm& A, GlOgNode* operand, bool isDouble);
// fixed16(st(0)) of the C++ span set-up (held to -32768 .. 32767, rounded
// to 16.16) into EAX; st(0) popped, EDX changed. Double precision.
void __glOgFixed16(GlOgAsm& A, GlOgRasterScratch* scratch);

// What the set-up and walker generators share while they emit: the context,
// the key, the emitter, the scratch record and the live span state.
struct GlOgRasterEmit {
    GlContext* gc;
    const GlOgRasterKey* k;
    GlOgAsm& A;
    GlOgRasterScratch* S;
    GlSpanState* st;

    GlOgNode* a(const void* p) { return A.a(p); }
    void cw(int which) { __glOgControlWord(A, which); }
    void callerCw() { __glOgCallerControlWord(A, S); }
    void fcmp(GlOgNode* operand, bool isDouble) { __glOgCompare(A, operand, isDouble); }
    GLuint F() const { return k->rasterFlags; }  // the set-up and the row walk
    // Alpha the walker reads: not the whole fill's (mode 0) without blending.
    bool alphaRead() const { return k->mode != 0 || (F() & GL_RF_BLEND); }
    // Colours the set-up and the rows interpolate: RGB(A), the index, or none.
    int colorCount() const {
        return !(F() & GL_RF_SMOOTH_COLOR) ? 0 : !(F() & GL_RF_RGBA) ? 1 : alphaRead() ? 4 : 3;
    }
};

// The mode-0 span body (spanbody.cpp).
// Fills key->fill for mode 0; false when the state has no whole-triangle fill.
bool __glOgSpanBodyKey(GlContext* gc, GlOgRasterKey* key);
// Mode 0: the work of one group of 32 pixels (ESI the span's pixels left,
// EBP the frame's GlSpan at the group); the subroutines it calls, emitted
// once after the walker at the label.
void __glOgGenSpanBody(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, GlOgNode* subroutines);
void __glOgGenSpanBodySubroutines(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, GlOgNode* subroutines);
// The span of one pixel (ESI 1, EBP the frame): depth, texel and colour of
// the x86 fill, to `none` when the pixel fails its depth test.
void __glOgGenSpanPixel(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, GlOgNode* none);
// The depth stage's pieces (depthgen.cpp). One live pixel at [ESI] with the
// walked value in EBX: its stored form (into EDI when the buffer's values
// shift) compared (a failure jumps to `failed`), stored when it passes and
// writes are on.
void __glOgEmitDepthPixel(GlOgAsm& A, const GlDepthBuffer* db, GLuint func, GLuint write, GLuint bytes,
                          GLuint shift, GlOgNode* failed);
// EBX += the step of the walked value (EDI, or when values shift the scratch
// record's).
void __glOgEmitDepthAdvance(GlOgAsm& A, GlContext* gc, GLuint shift);
// EBX = the walked value of the span's z, with `step` its step (EDX the
// span; EAX used).
void __glOgEmitDepthStart(GlOgAsm& A, GlContext* gc, GLuint shift, bool step = true);
// EBX = the walked value of the depth in EBX, with `step` its step from the
// span (EDX; EAX used).
void __glOgEmitDepthWalk(GlOgAsm& A, GlContext* gc, GLuint shift, bool step = true);
// What an MMX depth comparison of four 16-bit lanes leaves in its mask
// register: nothing (GL_ALWAYS), the passing lanes or the failing lanes.
enum { GL_OG_D_NONE, GL_OG_D_PASS_MASK, GL_OG_D_FAIL_MASK };
// Four new depths Z (a register or memory operand, kept) against the stored
// words S (stored() makes the operand), unsigned, by function (func - GL_NEVER,
// 1..7): with write the stored words take the passing depths; the work and
// mask registers (MM6 and MM7 unless said) changed. Returns the meaning of
// the mask.
template <class Stored>
inline int __glOgEmitMmxDepth(GlOgAsm& A, GLuint func, bool write, GlOgNode* Z, Stored stored,
                              GlOgNode* work = OG_MM(6), GlOgNode* mask = OG_MM(7)) {
    // Z is rebuilt for every use: operands live until the next instruction.
    GlOgNode z = *Z;
    GlOgNode zDisp;
    if (z.kind == GL_OG_MEM && z.mem.disp) zDisp = *z.mem.disp, z.mem.disp = &zDisp;
    const auto Zop = [&] { return &z; };
    switch (func) {
    case 1:  // GL_LESS: u = sat(S - Z), passing where u > 0; S - u is min(S, Z)
        A.Movq(mask, stored());
        if (write) A.Movq(work, mask);
        A.Psubusw(mask, Zop());
        if (write) A.Psubw(work, mask), A.Movq(stored(), work);
        A.Pcmpeqw(mask, A.q4(0));
        return GL_OG_D_FAIL_MASK;
    case 3:  // GL_LEQUAL: v = sat(Z - S), passing where v = 0; Z - v is min(S, Z)
        A.Movq(mask, Zop());
        A.Psubusw(mask, stored());
        if (write) A.Movq(work, Zop()), A.Psubw(work, mask), A.Movq(stored(), work);
        A.Pcmpeqw(mask, A.q4(0));
        return GL_OG_D_PASS_MASK;
    case 4:  // GL_GREATER: v = sat(Z - S), passing where v > 0; S + v is max(S, Z)
        A.Movq(mask, Zop());
        A.Psubusw(mask, stored());
        if (write) A.Movq(work, stored()), A.Paddw(work, mask), A.Movq(stored(), work);
        A.Pcmpeqw(mask, A.q4(0));
        return GL_OG_D_FAIL_MASK;
    case 6:  // GL_GEQUAL: u = sat(S - Z), passing where u = 0; Z + u is max(S, Z)
        A.Movq(mask, stored());
        A.Psubusw(mask, Zop());
        if (write) A.Movq(work, Zop()), A.Paddw(work, mask), A.Movq(stored(), work);
        A.Pcmpeqw(mask, A.q4(0));
        return GL_OG_D_PASS_MASK;
    case 2:  // GL_EQUAL: a passing lane holds its value already
        A.Movq(mask, Zop());
        A.Pcmpeqw(mask, stored());
        return GL_OG_D_PASS_MASK;
    case 5:  // GL_NOTEQUAL: every passing lane gets Z, the others hold Z already
        A.Movq(mask, Zop());
        A.Pcmpeqw(mask, stored());
        if (write) A.Movq(work, Zop()), A.Movq(stored(), work);
        return GL_OG_D_FAIL_MASK;
    default:  // GL_ALWAYS
        if (write) A.Movq(work, Zop()), A.Movq(stored(), work);
        return GL_OG_D_NONE;
    }
}

// The MMX fill (mmxspan.cpp): whether it takes the key; its work once per
// triangle (the frame's steps set; ends with emms); a whole span (ESI its
// pixels, ESP and EBP the frame at its first pixel; ends with emms, EBP the
// frame again, ESI kept); the subroutines both call, emitted once after
// the walker.
bool __glOgMmxBodyTakes(const GlOgRasterKey* k);
// The texel loads of an MMX fill over 3-byte texels address level 0 by their
// 32-bit displacements (index x 3 + base): `base` the level address they
// hold, `field` where each displacement lies. The triangle code writes a new
// level's address into every field. Data in the walker's entry, ahead of it.
// Filtered texels also load the corners of a texel's square at
// displacements base + offset[corner] (corners 1 to 3: the next column,
// the next row, both), each corner's loads listed apart.
enum { GL_OG_TEXEL_SITES = 80, GL_OG_CORNER_SITES = 16 };  // 18 pixel groups of four loads at most
struct GlOgTexelSites {
    GLuint base;
    GLint offset[4];   // of the level the loads hold (offset[0] 0)
    GLuint count[4];
    GLuint field[GL_OG_TEXEL_SITES];
    GLuint cornerField[3][GL_OG_CORNER_SITES];
    GLuint* fields(int corner) { return corner ? cornerField[corner - 1] : field; }
    GLuint capacity(int corner) const { return corner ? (GLuint)GL_OG_CORNER_SITES : (GLuint)GL_OG_TEXEL_SITES; }
};
struct GlOgMmxSubroutines {
    GlOgNode* partial;  // a group with a lane mask: depth pixel by pixel, then its pixels one by one
    GlOgNode* masked;   // a whole group some of whose pixels failed the depth test
    GlOgNode* reload;   // s and t lanes and steps of the next perspective sub-span
    GlOgNode* depth;    // the 32-bit depth test of a whole group: EDX its lanes' byte mask
    GlOgNode* group;    // a whole group's colour (blending states that call it): MM0, four-byte pixels 2 and 3 MM1
    GlOgNode* filter;   // the filtered texels of a group
    GlOgNode* filterMag;  // those of a magnified span (a mipmap magnified by the other kind)
    GlOgTexelSites* sites;   // of the first level read
    GlOgTexelSites* sites2;  // of the second level under MIPMAP_LINEAR
    const GlOgMmxLevel* levels;  // the mipmap's levels (__glOgMmxLevelCount)
    void** filterProcs;          // the addresses of filter and filterMag (magSeparate)  // the walker's texel loads by displacement (__glOgMmxTexelSites), or null
};
// The key's fill reads its texels through texel-load displacements (3-byte
// texels, and the filtered ones).
bool __glOgMmxTexelSites(const GlOgRasterKey* k);
// The levels of the key's mipmap, from its level-0 sizes (level 0 for a
// texture without mipmaps).
void __glOgMmxLevels(const GlOgRasterKey* k, GlOgMmxLevel* levels);
GLint __glOgMmxLevelCount(const GlOgRasterKey* k);  // log2 of the longer side + 1
// Sites of no load yet, of level 0's corners.
void __glOgMmxInitSites(const GlOgRasterKey* k, GlOgTexelSites* t);
void __glGenMmxTriangle(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, const GlOgMmxSubroutines& subs);
void __glGenMmxSpanProc(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, const GlOgMmxSubroutines& subs);
void __glGenMmxSubroutines(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, const GlOgMmxSubroutines& subs);
// A mipmapped perspective span (the walker's frame at EBP, ESI its pixels,
// X->lodBits L at its first pixel, ST(0) kept): where L, taken linear from
// the first pixel to the last, leaves the octave (2^k, 2^(k+1)] of the first
// (octaves held to those of the magnified and of the last level), ESI is cut
// to the pixels before and S->pieceX set to the x of the rest, which the
// walker draws as a span of its own. Within an octave the span's levels hold
// (their bounds are powers of 2). EAX, ECX, EDX changed; double precision.
void __glGenMmxLevelPieces(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A);
// The C++ twin of a span of the MMX fill: the same lanes, rounding and
// saturation, pixel for pixel (mmxfill.cpp). The walker calls it in the
// routine's place when the key asks (FILL_TWIN).
extern "C" void GLPROC __glMmxFillSpan(GlContext* gc, const GlOgRasterKey* k, GlSpan* s, GLint n);
// Process-wide: the MMX fill's walkers call the twin (tests compare the two).
extern GLint __glOgMmxTwin;
