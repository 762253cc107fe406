// glViewport, glDepthRange, glScissor and glClipPlane; the viewport and depth
// transforms, the viewport box and the window clip box.
//
// Window coordinates are GL window coordinates plus the window bias plus 0.5
// on both axes, for both drawable orientations: consumers (feedback, the raster
// position, points and pixel rectangles) subtract exactly bias + 0.5, so a
// vertex at normalised -1 or +1 lands on the viewport edge.

#include "stateutil.h"
#include "geometry/geometry.h"

// The drawable size is the framebuffer's to keep (it resizes on change, and
// keeps 0 x 0 while its buffers cannot be had); this only fills it in for a
// context without a bound drawable while nothing has.
extern "C" void GLPROC __glReadDrawableSize(GlContext* gc) {
    if (gc->fb.drawable || gc->drawableWidth || gc->drawableHeight) return;
    GLint w = 0, h = 0;
    if (gc->imports.getDrawableSize) gc->imports.getDrawableSize(gc, &w, &h);
    gc->drawableWidth = w;
    gc->drawableHeight = h;
}

extern "C" void GLPROC __glComputeViewportTransform(GlContext* gc) {
    const GlViewportState* v = &gc->viewport;
    const GLfloat half = gc->constants.half;
    const GLfloat w = (GLfloat)v->width, h = (GLfloat)v->height;
    gc->viewportXform.xScale = w * half;
    gc->viewportXform.xCentre = (GLfloat)v->x + gc->limits.windowBiasXf + w * half + half;
    if (!gc->yInverted) {
        gc->viewportXform.yScale = h * half;
        gc->viewportXform.yCentre = (GLfloat)v->y + gc->limits.windowBiasYf + h * half + half;
    } else {
        // Rows run top-down: GL y maps to drawable height - y.
        gc->viewportXform.yScale = -h * half;
        gc->viewportXform.yCentre =
            (GLfloat)gc->drawableHeight - ((GLfloat)v->y + h * half) + gc->limits.windowBiasYf + half;
    }
}

// procs.applyViewport of a software context: the drawable's size now and the
// transform for it. The raster position stays where it is: it is kept in
// window coordinates from the bottom left, whatever the drawable's rows do.
extern "C" void GLPROC __glApplyViewport(GlContext* gc) {
    __glUpdateDrawableSize(gc);
    __glComputeViewportTransform(gc);
}

// procs.applyScissor of a software context: the drawable's size now (the
// caller computes the clip box).
extern "C" void GLPROC __glApplyScissor(GlContext* gc) { __glUpdateDrawableSize(gc); }

extern "C" void GLPROC __glComputeViewportBox(GlContext* gc) {
    const GlViewportState* v = &gc->viewport;
    GLint* b = gc->viewportXform.box;
    b[0] = v->x + gc->limits.windowBiasX;
    b[2] = b[0] + v->width;
    b[1] = gc->drawableHeight - v->y - v->height + gc->limits.windowBiasY;
    b[3] = gc->drawableHeight - v->y + gc->limits.windowBiasY;
    for (int i = 0; i < 4; i++) gc->viewportXform.boxf[i] = (GLfloat)b[i] + 0.5f;
    if (gc->matrices.modelViewTop) gc->procs.updateCompositeMatrix(gc, &gc->matrices.modelViewTop->composite);
}

extern "C" void GLPROC __glSetDepthRangeValues(GlContext* gc, GLdouble n, GLdouble f) {
    n = n < 0.0 ? 0.0 : n > 1.0 ? 1.0 : n;
    f = f < 0.0 ? 0.0 : f > 1.0 ? 1.0 : f;
    gc->viewport.nearVal = n;
    gc->viewport.farVal = f;
    const GLdouble scale = (GLdouble)gc->depthFullScale;
    gc->viewportXform.zScale = (GLfloat)((f - n) * scale * 0.5);
    gc->viewportXform.zCentre = (GLfloat)((n + f) * scale * 0.5);
}

extern "C" void GLPROC __glUpdateDepthRange(GlContext* gc) {
    __glSetDepthRangeValues(gc, gc->viewport.nearVal, gc->viewport.farVal);
}

extern "C" void GLPROC __glComputeWindowClipBox(GlContext* gc) {
    const GLint dw = gc->drawableWidth, dh = gc->drawableHeight;
    GLint x0 = 0, y0 = 0, x1 = dw, y1 = dh;
    if (gc->enables.general & GL_EN_SCISSOR_TEST) {
        const GlScissorState* s = &gc->scissor;
        const GLint xe = s->x + s->width, ye = s->y + s->height;
        if (xe >= 0 && ye >= 0 && s->x < xe && s->y < ye && s->x < dw && s->y < dh) {
            x0 = s->x > 0 ? s->x : 0;
            y0 = s->y > 0 ? s->y : 0;
            x1 = xe < dw ? xe : dw;
            y1 = ye < dh ? ye : dh;
        } else {
            x0 = y0 = x1 = y1 = 0;
        }
    }
    if (gc->yInverted) {
        const GLint t0 = dh - y1, t1 = dh - y0;
        y0 = t0, y1 = t1;
        if (x0 == x1) y0 = y1 = 0;
    }
    gc->span.clipBox[0] = x0 + gc->limits.windowBiasX;
    gc->span.clipBox[1] = y0 + gc->limits.windowBiasY;
    gc->span.clipBox[2] = x1 + gc->limits.windowBiasX;
    gc->span.clipBox[3] = y1 + gc->limits.windowBiasY;

    // A primitive clipped to the viewport needs no scissor stage when the
    // viewport (in the buffer's rows) lies inside the clip box. A change
    // outside validation re-picks the span stages.
    const GlViewportState* v = &gc->viewport;
    const int64_t vx0 = v->x, vy0 = gc->yInverted ? (int64_t)dh - v->y - v->height : v->y;
    const uint8_t inside = vx0 >= x0 && vx0 + v->width <= x1 && vy0 >= y0 && vy0 + v->height <= y1;
    if (inside != gc->span.windowInside) {
        gc->span.windowInside = inside;
        gc->dirtyPickers |= GL_DIRTY_SCISSOR;
        GlThreadState* ts = __glThreadStateOrNull();
        if (ts && ts->context == gc && ts->beginState == GL_BEGIN_OUTSIDE) ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
    }
}

extern "C" void GLIMM __glImmViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (width < 0 || height < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    GlViewportState* v = &gc->viewport;
    v->x = x, v->y = y;
    v->width = width < gc->limits.maxViewportWidth ? width : gc->limits.maxViewportWidth;
    v->height = height < gc->limits.maxViewportHeight ? height : gc->limits.maxViewportHeight;
    __glReadDrawableSize(gc);
    __glComputeViewportTransform(gc);
    gc->procs.applyViewport(gc);
    __glComputeViewportBox(gc);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmDepthRange(GLclampd n, GLclampd f) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    __glSetDepthRangeValues(gc, n, f);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC | GL_DIRTY_DEPTH);
}

extern "C" void GLIMM __glImmScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (width < 0 || height < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    GlScissorState* s = &gc->scissor;
    if (s->x == x && s->y == y && s->width == width && s->height == height) return;
    s->x = x, s->y = y, s->width = width, s->height = height;
    __glMarkPickers(ts, gc, GL_DIRTY_SCISSOR);
    gc->procs.applyScissor(gc);
    gc->procs.computeWindowClipBox(gc);
}

// The plane is kept in eye space: through the inverse of the modelview at the call.
extern "C" void GLIMM __glImmClipPlane(GLenum plane, const GLdouble* equation) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (plane < GL_CLIP_PLANE0 || plane - GL_CLIP_PLANE0 >= (GLuint)gc->limits.maxClipPlanes)
        return __glSetError(GL_INVALID_ENUM);
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);
    GLfloat p[4];
    for (int i = 0; i < 4; i++) p[i] = (GLfloat)equation[i];
    // Row vector (a b c d) times the transposed inverse: a plane in eye space.
    GLfloat* out = gc->transform.eyeClipPlanes[plane - GL_CLIP_PLANE0];
    mv->inverseTransposed.xform4(out, p, &mv->inverseTransposed);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}
