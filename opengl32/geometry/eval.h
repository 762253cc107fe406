// Evaluators: map storage, the Bernstein basis, one evaluation and its replay.
#pragma once

#include "core/glcontext.h"

enum { GL_EVAL_CACHE_SIZE = 1024 };

// What one evaluation set: the current values it wrote and the vertex it sent.
enum {
    GL_EVAL_COLOR = 0x1,
    GL_EVAL_INDEX = 0x2,
    GL_EVAL_NORMAL = 0x4,
    GL_EVAL_TEXCOORD = 0x8,
    GL_EVAL_VERTEX3 = 0x10,
    GL_EVAL_VERTEX4 = 0x20,
};
struct GlEvalResult {
    GLuint what;
    GLfloat color[4];  // as glColor takes it
    GLfloat index;
    GLfloat normal[3];
    GLfloat texCoord[4];
    GLfloat vertex[4];
};

extern "C" {
// Components of a map target (either dimension), -1 for anything else.
GLint GLPROC __glMapComponents(GLenum target);
void GLPROC __glCopyMap1Points(GLfloat* dst, const GLfloat* src, GLint k, GLint stride, GLint order);
void GLPROC __glCopyMap1PointsD(GLfloat* dst, const GLdouble* src, GLint k, GLint stride, GLint order);
void GLPROC __glCopyMap2Points(GLfloat* dst, const GLfloat* src, GLint k, GLint ustride, GLint uorder,
                               GLint vstride, GLint vorder);
void GLPROC __glCopyMap2PointsD(GLfloat* dst, const GLdouble* src, GLint k, GLint ustride, GLint uorder,
                                GLint vstride, GLint vorder);
// The order values B(order-1, r)(t); with derivative weights (no degree factor).
void GLPROC __glBernstein(GLfloat* b, GLint order, GLfloat t);
void GLPROC __glBernsteinDeriv(GLfloat* b, GLfloat* d, GLint order, GLfloat t);

// One evaluation: sets the current values of the enabled maps and sends the
// vertex; returns the GL_EVAL_* bits. __glEval2 also fills *record when given.
GLuint GLPROC __glEval1(GlContext* gc, GLfloat u);
GLuint GLPROC __glEval2(GlContext* gc, GLfloat u, GLfloat v, GlEvalResult* record);
// Sets the current values of a result and sends its vertex again.
void GLPROC __glEvalReplay(GlContext* gc, const GlEvalResult* r);
// glEvalCoord: one evaluation that leaves the current values as they were.
void GLPROC __glEvalCoord1Proc(GlContext* gc, GLfloat u);
void GLPROC __glEvalCoord2Proc(GlContext* gc, GLfloat u, GLfloat v);

void GLPROC __glFreeEvaluators(GlContext* gc);
}
