// glClear, the clear rectangle, the clip-rectangle list and window ownership.

#include "core/beginstate.h"
#include "wgl/drawable.h"

enum {
    CLEAR_BITS = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ACCUM_BUFFER_BIT | GL_STENCIL_BUFFER_BIT,
};

static GLint maxi(GLint a, GLint b) { return a > b ? a : b; }
static GLint mini(GLint a, GLint b) { return a < b ? a : b; }

// The drawable intersected with the scissor box (its GL rows turned into
// memory rows on a top-down drawable) and with the buffer's storage, in
// element coordinates without the window bias.
extern "C" GLboolean GLPROC __glStorageClearBox(GlContext* gc, const GlBufferObject* b, GLint box[4]) {
    if (!b->base) return GL_FALSE;
    const GLint w = gc->drawableWidth, h = gc->drawableHeight;
    GLint x0 = 0, y0 = 0, x1 = w, y1 = h;
    if (gc->enables.general & GL_EN_SCISSOR_TEST) {
        const GlScissorState* s = &gc->scissor;
        const bool topDown = gc->fb.drawable && gc->fb.drawable->topDown;
        x0 = maxi(x0, s->x);
        x1 = mini(x1, s->x + s->width);
        y0 = maxi(y0, topDown ? h - (s->y + s->height) : s->y);
        y1 = mini(y1, topDown ? h - s->y : s->y + s->height);
    }
    x1 = mini(x1, b->width);
    y1 = mini(y1, b->height);
    if (x0 >= x1 || y0 >= y1) return GL_FALSE;
    box[0] = x0, box[1] = y0, box[2] = x1, box[3] = y1;
    return GL_TRUE;
}

// The same box in window coordinates (with the bias).
extern "C" GLboolean GLPROC __glClearBox(GlContext* gc, GlColorBuffer* cb, GLint box[4]) {
    if (!__glStorageClearBox(gc, &cb->buf, box)) return GL_FALSE;
    const GLint bx = gc->limits.windowBiasX, by = gc->limits.windowBiasY;
    box[0] += bx, box[1] += by, box[2] += bx, box[3] += by;
    return GL_TRUE;
}

// Runs fill over the clip-rectangle list, or over the clear box.
extern "C" void GLPROC __glForEachClearRect(GlContext* gc, GlColorBuffer* cb, GlClearRectProc fill) {
    if (cb->flags & GL_CB_CLIP_LIST) {
        __glForEachClipRect(cb, fill);
        return;
    }
    GLint box[4];
    if (__glClearBox(gc, cb, box)) fill(cb, box[0], box[1], box[2], box[3]);
}

extern "C" void GLPROC __glForEachClipRect(GlColorBuffer* cb, GlClearRectProc fill) {
    GlContext* gc = cb->buf.context;
    WglDrawable* d = gc->fb.drawable;
    if (!d || !cb->buf.base) return;
    const GLint bx = gc->limits.windowBiasX, by = gc->limits.windowBiasY;
    for (GLuint i = 0; i < d->clipRectCount; i++) {
        const RECT& r = d->clipRects[i];
        const GLint x0 = maxi(r.left, 0), y0 = maxi(r.top, 0);
        const GLint x1 = mini(r.right, cb->buf.width), y1 = mini(r.bottom, cb->buf.height);
        if (x0 < x1 && y0 < y1) fill(cb, x0 + bx, y0 + by, x1 + bx, y1 + by);
    }
}

extern "C" GLuint GLPROC __glTestWindowPixel(GlColorBuffer* cb, GLint x, GLint y) {
    GlContext* gc = cb->buf.context;
    WglDrawable* d = gc->fb.drawable;
    if (!d || !d->ownerBits) return 1;
    const GLint xr = x - gc->limits.windowBiasX - d->ownerOriginX;
    const GLint yr = y - gc->limits.windowBiasY - d->ownerOriginY;
    const uint8_t byte = d->ownerBits[(yr * d->ownerRowBytes + (xr >> 3)) * d->ownerStep];
    return (byte & (0x80 >> (xr & 7))) != 0;
}

static void clearColorBuffer(GlContext* gc, GlColorBuffer* cb) {
    if (cb && cb->clear) cb->clear(gc, cb);
}

extern "C" void GLIMM __glImmClear(GLbitfield mask) {
    GlThreadState* ts = __glThreadState();
    switch (__glDrawPrologue(ts)) {
    case GL_DRAW_REFUSED: return;
    case GL_DRAW_VALIDATED: return glClear(mask);
    case GL_DRAW_ACT: break;
    }
    if (mask & ~(GLbitfield)CLEAR_BITS) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    if (gc->renderMode != GL_RENDER) return;
    GlFramebuffer* fb = &gc->fb;
    if (mask & GL_COLOR_BUFFER_BIT) {
        switch (gc->colorBuffer.drawBuffer) {
        case GL_FRONT: clearColorBuffer(gc, fb->frontBuffer); break;
        case GL_BACK: clearColorBuffer(gc, fb->backBuffer); break;
        case GL_FRONT_AND_BACK:
            clearColorBuffer(gc, fb->frontBuffer);
            clearColorBuffer(gc, fb->backBuffer);
            break;
        }
    }
    const GlPixelFormatInfo* f = &gc->pixelFormat;
    if ((mask & GL_ACCUM_BUFFER_BIT) && f->accumPresent && fb->clearAccum) fb->clearAccum(gc);
    if ((mask & GL_STENCIL_BUFFER_BIT) && f->stencilPresent && fb->clearStencil) fb->clearStencil(gc);
    if ((mask & GL_DEPTH_BUFFER_BIT) && f->depthPresent && fb->clearDepth) fb->clearDepth(gc);
}
