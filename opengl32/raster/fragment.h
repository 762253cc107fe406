// Single fragments: the tested stores, points, blending and bitmaps.
#pragma once

#include "core/glcontext.h"

// Window z to the integer depth a fragment carries (saturating).
static inline GLuint __glFragmentDepth(GLfloat z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 4294967295.0f) return 0xFFFFFFFFu;
    return (GLuint)z;
}

// Depth of a line or point fragment at window z: with the offset of the
// polygon it outlines (span.primitiveOffset), clamped to the depth range.
static inline GLuint __glPrimitiveDepth(const GlContext* gc, double z) {
    const double offset = gc->span.primitiveOffset;
    if (offset != 0.0) {
        const double zmax = (double)gc->fb.depth.depthMax;
        z += offset;
        z = z > 0.0 ? (z < zmax ? z : zmax) : 0.0;
    }
    if (!(z > 0.0)) return 0;
    if (z >= 4294967295.0) return 0xFFFFFFFFu;
    return (GLuint)z;
}

// Guard band around the clip box: a viewport is at most 2048 pixels wide, so
// a visible primitive's vertices lie within this distance of the box (plus
// its own reach, a line's width or a point's size) once clipped.
static const GLfloat GL_GUARD_BAND = 4096.0f;

// Window x, y lie within the guard band grown by reach; false for
// not-a-number and infinities (written so that they fail every test).
static inline bool __glInsideGuardBand(const GlContext* gc, GLfloat x, GLfloat y, GLfloat reach) {
    const GLint* box = gc->span.clipBox;
    const GLfloat g = GL_GUARD_BAND + reach;
    return x >= (GLfloat)box[0] - g && x <= (GLfloat)box[2] + g && y >= (GLfloat)box[1] - g &&
           y <= (GLfloat)box[3] + g;
}

// A window y in upward orientation: a top-down drawable's window y mirrored
// (window coordinates carry bias + 0.5), so that ties round as on a bottom-up one.
static inline GLfloat __glUpwardY(const GlContext* gc, GLfloat y) {
    if (!gc->yInverted) return y;
    return (GLfloat)gc->drawableHeight + 2.0f * gc->limits.windowBiasYf + 1.0f - y;
}
// The buffer row (biased) of an upward pixel row.
static inline GLint __glBufferRow(const GlContext* gc, GLint yUp) {
    return gc->yInverted ? gc->drawableHeight - 1 + 2 * gc->limits.windowBiasY - yUp : yUp;
}

// Whether blending with these factors reads the destination colour.
static inline bool __glBlendReadsDestination(GLenum src, GLenum dst) {
    return dst != GL_ZERO || src == GL_DST_ALPHA || src == GL_ONE_MINUS_DST_ALPHA || src == GL_DST_COLOR ||
           src == GL_ONE_MINUS_DST_COLOR || src == GL_SRC_ALPHA_SATURATE;
}

// Alpha test of a fragment alpha (buffer units): the scaled alpha indexes the
// table, clamped to its ends.
static inline bool __glAlphaTestPasses(const GlContext* gc, GLfloat alpha) {
    if (!gc->alphaTable) return true;
    const GLint last = gc->constants.alphaTableSize - 1;
    const GLfloat a = alpha * gc->constants.alphaTableScale;
    const GLint i = !(a > 0.0f) ? 0 : a >= (GLfloat)last ? last : (GLint)a;
    return gc->alphaTable[i] != 0;
}

// Bits of the tested-store table index.
enum {
    GL_FRAG_ALPHA_TEST = 0x1,
    GL_FRAG_STENCIL = 0x2,
    GL_FRAG_DEPTH = 0x4,
    GL_FRAG_INDEX_TEST = 0x8,
};

typedef void(GLPROC* GlFragmentStoreProc)(GlColorBuffer* cb, const GlFragment* f);

extern "C" {
// Clip box, then the tests of the index bits, then procs.storeFragment.
extern const GlFragmentStoreProc __glStoreFragmentTable[16];
void GLPROC __glStoreFragmentClip(GlColorBuffer* cb, const GlFragment* f);
void GLPROC __glStoreFragmentNone(GlColorBuffer* cb, const GlFragment* f);
void GLPROC __glStoreFragmentBothBuffers(GlColorBuffer* cb, const GlFragment* f);
// The colour buffers procs.storeFragment reaches: 0 (GL_NONE), 1 or 2 (both);
// -1 when the draw buffer is missing.
GLint GLPROC __glFragmentStoreTargets(GlContext* gc, GlColorBuffer* out[2]);
// Whether the fast pixel paths may store into the buffer directly: a DIB RGBA
// (or 8-bit colour-index) buffer with every bit writable and no store
// operation but dither.
GLboolean GLPROC __glDirectColorBuffer(const GlColorBuffer* cb, GLboolean rgba);

// Points.
void GLPROC __glPointSize1(GlContext* gc, GlVertex* v);
void GLPROC __glPointSize1Textured(GlContext* gc, GlVertex* v);
void GLPROC __glPointWide(GlContext* gc, GlVertex* v);
void GLPROC __glPointWideTextured(GlContext* gc, GlVertex* v);
void GLPROC __glPointAntialiasRgba(GlContext* gc, GlVertex* v);
void GLPROC __glPointAntialiasRgbaTextured(GlContext* gc, GlVertex* v);
void GLPROC __glPointAntialiasIndex(GlContext* gc, GlVertex* v);
void GLPROC __glPointFogWrapper(GlContext* gc, GlVertex* v);
void GLPROC __glNullPointDraw(GlContext* gc, GlVertex* v);
// Coverage of the pixel whose centre is (a, b) from the point's centre, by
// 16 samples within radius squared r2: 0 .. 1.
GLfloat GLPROC __glPointCoverage(GLfloat a, GLfloat b, GLfloat r2);
// The index's high bits with a 4-bit coverage in the low bits.
GLfloat GLPROC __glIndexCoverage(GLfloat index, GLfloat coverage);

// Blending: colours in the context's component range.
void GLPROC __glBlendFragment(GlContext* gc, GlColorBuffer* cb, const GlFragment* f, GLfloat out[4]);
void GLPROC __glBlendFragmentReadDest(GlContext* gc, GlColorBuffer* cb, const GlFragment* f, GLfloat out[4]);
void GLPROC __glBlendNone(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
void GLPROC __glBlendUnclamped(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
void GLPROC __glBlendClamped(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
void GLPROC __glBlendAdd(GlContext* gc, const GLfloat* src, const GLfloat* term, GLfloat* out);
void GLPROC __glBlendFuncSrcAlphaZero(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
void GLPROC __glBlendFuncSrcAlphaOne(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
void GLPROC __glBlendFuncSrcAlphaOneMinusSrcAlpha(GlContext* gc, const GLfloat* src, const GLfloat* dst,
                                                  GLfloat* out);
void GLPROC __glBlendFuncOneMinusSrcAlphaSrcAlpha(GlContext* gc, const GLfloat* src, const GLfloat* dst,
                                                  GLfloat* out);

// Bitmaps.
void GLPROC __glRasterizeBitmap(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                                GLfloat xmove, GLfloat ymove, const GLubyte* image);
typedef void(GLPROC* GlBitmapProc)(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                                   GLfloat xmove, GLfloat ymove, const GLubyte* image);
// Bitmaps stored straight into 1-byte colour-index and 2-, 3-, 4-byte RGBA
// buffers when no fragment operation applies.
void GLPROC __glFastBitmap(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                           GLfloat xmove, GLfloat ymove, const GLubyte* image);
void GLPROC __glFastBitmap16(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                             GLfloat xmove, GLfloat ymove, const GLubyte* image);
void GLPROC __glFastBitmap24(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                             GLfloat xmove, GLfloat ymove, const GLubyte* image);
void GLPROC __glFastBitmap32(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                             GLfloat xmove, GLfloat ymove, const GLubyte* image);
}
