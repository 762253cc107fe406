// Points: the point picker and the point procedures. Every fragment goes
// through procs.storeFragmentTested, which always applies the clip box.

#include <string.h>
#include "core/pickers.h"
#include "geometry/geometry.h"
#include "fragment.h"
#include "texture/texsample.h"

namespace {

inline void storePointFragment(GlContext* gc, const GlFragment* f) {
    gc->procs.storeFragmentTested(gc->drawBuffer, f);
}

// The fragment of a point at its window position, with the vertex colour.
inline void pointFragment(const GlContext* gc, const GlVertex* v, GLint x, GLint y, GlFragment* f) {
    f->x = x;
    f->y = y;
    f->z = __glPrimitiveDepth(gc, v->window[2]);
    memcpy(f->color, v->color, sizeof f->color);
}

// The texture environment applied to a point's colour once, at s/q, t/q.
inline void texturePointColor(GlContext* gc, const GlVertex* v, GlFragment* f) {
    __glTextureVertexColor(gc, v, f->color);
}

// Window centre as the aliased point uses it: pixel (x, y) holds GL window
// coordinates [x, x + 1); window coordinates carry + 0.5. Rows are found in
// upward orientation and mapped to the buffer's.
inline GLint pixelOf(GLfloat w) { return (GLint)(w - 0.5f); }

// Range check before any conversion: a point beyond the guard band is not drawn.
inline bool pointInRange(const GlContext* gc, const GlVertex* v, GLfloat size) {
    return __glInsideGuardBand(gc, v->window[0], v->window[1], size);
}

template <bool Textured>
void size1(GlContext* gc, GlVertex* v) {
    if (!pointInRange(gc, v, 1.0f)) return;
    GlFragment f;
    pointFragment(gc, v, pixelOf(v->window[0]), __glBufferRow(gc, pixelOf(__glUpwardY(gc, v->window[1]))), &f);
    if (Textured) texturePointColor(gc, v, &f);
    storePointFragment(gc, &f);
}

// Antialiased points: one fragment per pixel with coverage, the colour made
// from the (textured) vertex colour and the coverage by Cover.
template <bool Textured, typename Cover>
void antialiased(GlContext* gc, GlVertex* v, Cover cover) {
    GLfloat size = gc->point.sizeQuantized;
    if (!(size > 0.0f) || !pointInRange(gc, v, size)) return;
    const GLfloat r = size * gc->constants.half;
    const GLfloat r2 = r * r;
    // Centre in pixel units: pixel x covers [x, x + 1), its centre x + 0.5.
    const GLfloat cx = v->window[0] - gc->constants.half;
    const GLfloat cy = __glUpwardY(gc, v->window[1]) - gc->constants.half;
    const GLint xmin = (GLint)(cx - r), ymin = (GLint)(cy - r);
    const GLint columns = (GLint)(cx + r) - xmin + 1, rows = (GLint)(cy + r) - ymin + 1;
    GlFragment f;
    pointFragment(gc, v, 0, 0, &f);
    if (Textured) texturePointColor(gc, v, &f);
    const GlFragment base = f;
    GLfloat b = (GLfloat)ymin + 0.5f - cy;
    for (GLint j = 0; j < rows; j++, b += 1.0f) {
        GLfloat a = (GLfloat)xmin + 0.5f - cx;
        for (GLint i = 0; i < columns; i++, a += 1.0f) {
            const GLfloat cov = __glPointCoverage(a, b, r2);
            if (cov <= 0.0f) continue;
            f.x = xmin + i;
            f.y = __glBufferRow(gc, ymin + j);
            cover(&f, &base, cov);
            storePointFragment(gc, &f);
        }
    }
}

}  // namespace

extern "C" GLfloat GLPROC __glPointCoverage(GLfloat a, GLfloat b, GLfloat r2) {
    static const GLfloat offsets[4] = {-0.375f, -0.125f, 0.125f, 0.375f};
    GLint n = 0;
    for (GLfloat da : offsets) {
        const GLfloat ai = a + da;
        const GLfloat rest = r2 - ai * ai;
        for (GLfloat db : offsets) {
            const GLfloat bj = b + db;
            if (rest >= bj * bj) n++;
        }
    }
    return (GLfloat)n * 0.0625f;
}

extern "C" GLfloat GLPROC __glIndexCoverage(GLfloat index, GLfloat coverage) {
    const GLuint high = index > 0.0f ? (index >= 4294967040.0f ? 0xFFFFFF00u : (GLuint)index) : 0u;
    const GLuint low = (GLuint)(coverage * 15.0f + 0.5f) & 15u;
    return (GLfloat)((high & ~15u) | low);
}

extern "C" void GLPROC __glPointSize1(GlContext* gc, GlVertex* v) { size1<false>(gc, v); }
extern "C" void GLPROC __glPointSize1Textured(GlContext* gc, GlVertex* v) { size1<true>(gc, v); }

namespace {

// An n x n square: odd n centred on the pixel holding the point, even n on the
// pixel corner nearest to it.
template <bool Textured>
void wide(GlContext* gc, GlVertex* v) {
    GLint n = gc->point.sizeInteger;
    const GLint most = (GLint)(gc->limits.pointSizeMax + 0.5f);
    if (n > most) n = most;
    if (n < 1) n = 1;
    if (!pointInRange(gc, v, (GLfloat)n)) return;
    const GLint h = n >> 1;
    const GLfloat wy = __glUpwardY(gc, v->window[1]);
    GLint x0, y0;
    if (n & 1) {
        x0 = pixelOf(v->window[0]) - h;
        y0 = pixelOf(wy) - h;
    } else {
        x0 = (GLint)v->window[0] - h;
        y0 = (GLint)wy - h;
    }
    // The same rows in the buffer's order.
    const GLint r0 = __glBufferRow(gc, y0), r1 = __glBufferRow(gc, y0 + n - 1);
    const GLint top = r0 < r1 ? r0 : r1;
    GlFragment f;
    pointFragment(gc, v, x0, top, &f);
    if (Textured) texturePointColor(gc, v, &f);
    for (f.y = top; f.y < top + n; f.y++)
        for (f.x = x0; f.x < x0 + n; f.x++) storePointFragment(gc, &f);
}

template <bool Textured>
void antialiasedRgba(GlContext* gc, GlVertex* v) {
    antialiased<Textured>(gc, v, [](GlFragment* f, const GlFragment* base, GLfloat cov) {
        f->color[3] = base->color[3] * cov;
    });
}

}  // namespace

extern "C" void GLPROC __glPointWide(GlContext* gc, GlVertex* v) { wide<false>(gc, v); }
extern "C" void GLPROC __glPointWideTextured(GlContext* gc, GlVertex* v) { wide<true>(gc, v); }
extern "C" void GLPROC __glPointAntialiasRgba(GlContext* gc, GlVertex* v) { antialiasedRgba<false>(gc, v); }
extern "C" void GLPROC __glPointAntialiasRgbaTextured(GlContext* gc, GlVertex* v) {
    antialiasedRgba<true>(gc, v);
}

extern "C" void GLPROC __glPointAntialiasIndex(GlContext* gc, GlVertex* v) {
    antialiased<false>(gc, v, [](GlFragment* f, const GlFragment* base, GLfloat cov) {
        f->color[0] = __glIndexCoverage(base->color[0], cov);
    });
}

// The vertex colour textured at the point's texture coordinates (the wrapped
// procedure is the untextured one), then fogged by the vertex's own factor
// when it has one, else by the factor of its eye z: texture before fog.
extern "C" void GLPROC __glPointFogWrapper(GlContext* gc, GlVertex* v) {
    const GLfloat f = (v->flags & GL_VX_FOG) ? v->fog : gc->procs.fogFactor(gc, v->eye[2]);
    GLfloat fogged[4];
    memcpy(fogged, v->color, sizeof fogged);
    if (gc->texturingActive) __glTextureVertexColor(gc, v, fogged);
    gc->procs.fogBlend(gc, fogged, fogged, f);
    GLfloat* saved = v->color;
    v->color = fogged;
    gc->procs.drawPointWrapped(gc, v);
    v->color = saved;
}

extern "C" void GLPROC __glNullPointDraw(GlContext*, GlVertex*) {}

// Smooth shading fogs vertex colours in the lighting stage; per-fragment fog
// and flat shading with per-vertex fog wrap the draw procedure.
extern "C" void GLPROC __glPickPointProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    if (gc->renderMode == GL_SELECT) {
        p->renderPoint = __glSelectPoint;
        return;
    }
    if (gc->renderMode == GL_FEEDBACK) {
        p->renderPoint = __glFeedbackPoint;
        return;
    }
    p->renderPoint = __glRenderPointProc;
    const GLuint F = gc->rasterFlags;
    const bool unfogged = (F & GL_RF_FOG_FRAGMENT) || ((F & GL_RF_FOG_VERTEX) && !(F & GL_RF_SMOOTH));
    const bool wrapped = unfogged && gc->procs.fogFactor && gc->procs.fogBlend;
    // The fog wrapper textures the colour itself, before fogging it.
    const bool textured = gc->texturingActive && !wrapped;
    GlVertexProc draw;
    if (gc->enables.general & GL_EN_POINT_SMOOTH)
        draw = !(F & GL_RF_RGBA) ? __glPointAntialiasIndex
                                 : textured ? __glPointAntialiasRgbaTextured : __glPointAntialiasRgba;
    else if (gc->point.sizeInteger != 1) draw = textured ? __glPointWideTextured : __glPointWide;
    else draw = textured ? __glPointSize1Textured : __glPointSize1;
    if (wrapped) {
        p->drawPointWrapped = draw;
        p->drawPoint = __glPointFogWrapper;
    } else {
        p->drawPoint = draw;
    }
    // Private vertex-array hint: points are not drawn.
    if (gc->arrays.flags & GL_ARRAY_HINT_6402) p->drawPoint = p->drawPointWrapped = __glNullPointDraw;
}
