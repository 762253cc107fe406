// The pipeline vertex and the geometry procedure types.
#pragma once

#include "core/glcore.h"

// One transformed vertex of the immediate-mode buffer, the clipper and the
// array paths. Fixed layout: generated code and the hardware back end read it.
struct GlVertex {
    GLfloat obj[4];      // object x, y, z, w
    GLfloat normal[3];   // current normal; eye normal once bit 0x8 is done
    GLfloat normalPlane; // -(normal . position) for the general inverse
    GLfloat clip[4];     // clip x, y, z, w
    GLuint flags;        // clip codes, size code, done bits
    GLfloat* color;      // frontColor or backColor, as the primitive shows it
    GLfloat window[3];   // biased window x, y and depth; only while unclipped
    GLfloat invW;        // 1 / clip w
    GLfloat eye[4];
    GLfloat texCoord[4];
    GLfloat texLod;
    uint8_t edgeFlag, pad[3];
    GLfloat fog;
    GLfloat frontColor[4];  // scaled to the colour buffer; the index in [0]
    GLfloat backColor[4];
};
static_assert(sizeof(GlVertex) == 148, "GlVertex is 37 words");
static_assert(offsetof(GlVertex, normal) == 16, "normal");
static_assert(offsetof(GlVertex, normalPlane) == 28, "normalPlane");
static_assert(offsetof(GlVertex, clip) == 32, "clip");
static_assert(offsetof(GlVertex, flags) == 48, "flags");
static_assert(offsetof(GlVertex, color) == 52, "color");
static_assert(offsetof(GlVertex, window) == 56, "window");
static_assert(offsetof(GlVertex, invW) == 68, "invW");
static_assert(offsetof(GlVertex, eye) == 72, "eye");
static_assert(offsetof(GlVertex, texCoord) == 88, "texCoord");
static_assert(offsetof(GlVertex, texLod) == 104, "texLod");
static_assert(offsetof(GlVertex, edgeFlag) == 108, "edgeFlag");
static_assert(offsetof(GlVertex, fog) == 112, "fog");
static_assert(offsetof(GlVertex, frontColor) == 116, "frontColor");
static_assert(offsetof(GlVertex, backColor) == 132, "backColor");

// GlVertex flags.
enum {
    GL_VX_FRONT_LIT = 0x1,
    GL_VX_BACK_LIT = 0x2,
    GL_VX_TEXGEN = 0x4,
    GL_VX_EYE_NORMAL = 0x8,
    GL_VX_EYE = 0x10,
    GL_VX_WINDOW = 0x20,
    GL_VX_FOG = 0x40,
    GL_VX_KEEP_WINDOW = 0x80,
    GL_VX_FETCHED = 0x100,  // array vertex: every attribute of the state fetched, transformed
    GL_VX_TEX_DIVIDED = 0x200,
    GL_VX_SIZE_MASK = 0xC00,
    GL_VX_SIZE2 = 0x400,
    GL_VX_SIZE3 = 0x800,
    GL_VX_SIZE4 = 0xC00,
    GL_VX_CLIP_LEFT = 0x10000,
    GL_VX_CLIP_RIGHT = 0x20000,
    GL_VX_CLIP_BOTTOM = 0x40000,
    GL_VX_CLIP_TOP = 0x80000,
    GL_VX_CLIP_NEAR = 0x100000,
    GL_VX_CLIP_FAR = 0x200000,
    GL_VX_CLIP_USER0 = 0x400000,
    GL_VX_CULLED = 0x10000000,
    GL_VX_CLIP_PLANES = 0x0FFF0000,
    GL_VX_CLIPPED = 0x1FFF0000,
};

enum {
    GL_VERTEX_BUFFER_SIZE = 16,
    GL_CLIP_POOL_SIZE = 2 * 12 + 12,  // two new vertices for each of twelve planes, and spare
    GL_CLIP_LIST_SIZE = 36,
};

// Matrix classes.
enum {
    GL_MATRIX_GENERAL = 0,
    GL_MATRIX_AFFINE = 1,
    GL_MATRIX_PLANAR = 2,
    GL_MATRIX_SCALE_TRANSLATE = 3,
    GL_MATRIX_IDENTITY = 4,
    GL_MATRIX_WINDOW_ORTHO = 5,
};

// Procedure types of the geometry slots.
typedef void(GLPROC* GlContextProc)(GlContext* gc);
typedef void(GLPROC* GlVertexProc)(GlContext* gc, GlVertex* v);
typedef void(GLPROC* GlLineProc)(GlContext* gc, GlVertex* a, GlVertex* b);
typedef void(GLPROC* GlTriangleProc)(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
typedef void(GLPROC* GlClipTriangleProc)(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint codes);
// Triangle set-up: vertices sorted by window y, areaPositive as the signed area's sign.
typedef void(GLPROC* GlSetupTriangleProc)(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint areaPositive);
typedef void(GLPROC* GlPolygonProc)(GlContext* gc, GlVertex* first, GLint count);
typedef GLuint(GLPROC* GlClipTestProc)(GlContext* gc, GlVertex* v);
typedef GLuint(GLPROC* GlCompleteProc)(GlContext* gc, GlVertex* v, GLuint mask);
typedef void(GLPROC* GlInterpolateProc)(GlVertex* out, const GlVertex* a, const GlVertex* b, GLfloat t);
typedef GLfloat(GLPROC* GlFogVertexProc)(GlContext* gc, GlVertex* v);
typedef void(GLPROC* GlLightVertexProc)(GlContext* gc, GLint face, GlVertex* v);
