// glRasterPos and glRect.
//
// current.raster.window holds GL window coordinates plus the window bias plus
// 0.5 with y upward whatever the drawable's orientation (as its default and
// GL_CURRENT_RASTER_POSITION assume); rasterVertex keeps the pipeline form.

#include <math.h>
#include <string.h>
#include "core/beginstate.h"
#include "geometry.h"

// State 1 refuses; state 2 validates and goes on.
static GlContext* drawContext() {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return nullptr;
    return ts->context;
}

template <int N>
static void rasterPos(GlContext* gc, const GLfloat* v) {
    GlVertex* r = &gc->rasterVertex;
    const GLuint size = (GLuint)(N - 1) << 10;
    r->obj[0] = v[0];
    r->obj[1] = v[1];
    r->obj[2] = N >= 3 ? v[2] : 0.0f;
    r->obj[3] = N == 4 ? v[3] : 1.0f;
    r->flags = size;
    const GlMatrixRecord* c = &gc->matrices.modelViewTop->composite;
    GLuint codes;
    if (N == 2) c->xform2(r->clip, r->obj, c), codes = gc->procs.clipTest2(gc, r);
    else if (N == 3) c->xform3(r->clip, r->obj, c), codes = gc->procs.clipTest3(gc, r);
    else c->xform4(r->clip, r->obj, c), codes = gc->procs.clipTest4(gc, r);
    GlRasterPos* rp = &gc->current.raster;
    if (codes) {
        rp->valid = GL_FALSE;
        return;
    }
    rp->valid = GL_TRUE;
    r->flags = size | (r->flags & 0x7F);
    r->color = r->frontColor;
    memcpy(r->normal, gc->current.normal, 12);
    r->normalPlane = 0.0f;
    if (gc->pixelFormat.rgba) memcpy(r->frontColor, gc->current.scaledColor, 16);
    else r->frontColor[0] = gc->current.index;
    memcpy(r->texCoord, gc->current.texCoord, 16);
    const GLuint mask = gc->frontNeeds | GL_VX_FRONT_LIT | GL_VX_TEXGEN | GL_VX_EYE_NORMAL | GL_VX_EYE;
    // The raster colour is lit but not fogged: bitmap and pixel fragments are.
    const GlLightVertexProc fogging = gc->procs.lightVertex;
    gc->procs.lightVertex = gc->lightingDerived.lightHook;
    if (N == 2) __glCompleteVertex2(gc, r, mask);
    else if (N == 3) __glCompleteVertex3(gc, r, mask);
    else __glCompleteVertex4(gc, r, mask);
    gc->procs.lightVertex = fogging;

    rp->window[0] = r->window[0];
    rp->window[1] = gc->yInverted ? (GLfloat)gc->drawableHeight - r->window[1] + 2.0f * gc->limits.windowBiasYf + 1.0f
                                  : r->window[1];
    rp->window[2] = (GLfloat)((GLdouble)r->window[2] / (GLdouble)gc->depthFullScale);
    rp->window[3] = r->clip[3];
    if (gc->pixelFormat.rgba) memcpy(rp->color, r->frontColor, 16);
    else rp->index = r->frontColor[0];
    memcpy(rp->texCoord, r->texCoord, 16);
    const GLfloat* e = r->eye;
    rp->distance = sqrtf(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    if (gc->renderMode == GL_SELECT) __glSelectPoint(gc, r);
}

template <int N, class T>
static void rasterPosEntry(T x, T y, T z, T w) {
    GlContext* gc = drawContext();
    if (!gc) return;
    const GLfloat v[4] = {(GLfloat)x, (GLfloat)y, (GLfloat)z, (GLfloat)w};
    rasterPos<N>(gc, v);
}
template <int N, class T>
static void rasterPosEntryV(const T* p) {
    GlContext* gc = drawContext();
    if (!gc) return;
    GLfloat v[4];
    for (int i = 0; i < N; i++) v[i] = (GLfloat)p[i];
    rasterPos<N>(gc, v);
}

#define GL_RASTERPOS_FORMS(T, s)                                                                                   \
    extern "C" void GLIMM __glImmRasterPos2##s(T x, T y) { rasterPosEntry<2, T>(x, y, 0, 1); }       \
    extern "C" void GLIMM __glImmRasterPos3##s(T x, T y, T z) { rasterPosEntry<3, T>(x, y, z, 1); }  \
    extern "C" void GLIMM __glImmRasterPos4##s(T x, T y, T z, T w) {                                 \
        rasterPosEntry<4, T>(x, y, z, w);                                                                          \
    }                                                                                                              \
    extern "C" void GLIMM __glImmRasterPos2##s##v(const T* v) { rasterPosEntryV<2, T>(v); }          \
    extern "C" void GLIMM __glImmRasterPos3##s##v(const T* v) { rasterPosEntryV<3, T>(v); }          \
    extern "C" void GLIMM __glImmRasterPos4##s##v(const T* v) { rasterPosEntryV<4, T>(v); }
GL_RASTERPOS_FORMS(GLdouble, d)
GL_RASTERPOS_FORMS(GLfloat, f)
GL_RASTERPOS_FORMS(GLint, i)
GL_RASTERPOS_FORMS(GLshort, s)
#undef GL_RASTERPOS_FORMS

// A GL_QUADS primitive through the exported entries, counter-clockwise when
// x1 < x2 and y1 < y2.
template <class T>
static void rect(T x1, T y1, T x2, T y2) {
    if (!drawContext()) return;
    const GLfloat a = (GLfloat)x1, b = (GLfloat)y1, c = (GLfloat)x2, d = (GLfloat)y2;
    glBegin(GL_QUADS);
    glVertex2f(a, b);
    glVertex2f(c, b);
    glVertex2f(c, d);
    glVertex2f(a, d);
    glEnd();
}

#define GL_RECT_FORMS(T, s)                                                                                          \
    extern "C" void GLIMM __glImmRect##s(T x1, T y1, T x2, T y2) { rect<T>(x1, y1, x2, y2); }         \
    extern "C" void GLIMM __glImmRect##s##v(const T* a, const T* b) { rect<T>(a[0], a[1], b[0], b[1]); }
GL_RECT_FORMS(GLdouble, d)
GL_RECT_FORMS(GLfloat, f)
GL_RECT_FORMS(GLint, i)
GL_RECT_FORMS(GLshort, s)
#undef GL_RECT_FORMS
