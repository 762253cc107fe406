// glBitmap: the immediate entry, the generic bitmap rasterizer and its picker.
//
// The raster position keeps GL window coordinates plus bias plus 0.5 with y
// upward; fragments address the buffer's rows, which run top-down on an
// inverted drawable.

#include <math.h>
#include <stdint.h>
#include "core/beginstate.h"
#include "core/dlist.h"
#include "core/pickers.h"
#include "geometry/geometry.h"
#include "fragment.h"
#include "pixel/pixel.h"

namespace {

// The fragment every set bit stores: the raster colour, fogged by the raster
// position's distance when fog is on (the raster colour itself is unfogged).
void bitmapFragment(GlContext* gc, const GlRasterPos* rp, GlFragment* f) {
    f->z = __glFragmentDepth((GLfloat)((GLdouble)rp->window[2] * (GLdouble)gc->depthFullScale));
    if (gc->pixelFormat.rgba) {
        for (int i = 0; i < 4; i++) f->color[i] = rp->color[i];
    } else {
        f->color[0] = rp->index;
        f->color[1] = f->color[2] = f->color[3] = 0.0f;
    }
    if (gc->procs.fogFactor && gc->procs.fogBlend)
        gc->procs.fogBlend(gc, f->color, f->color, gc->procs.fogFactor(gc, rp->distance));
}

void drawBitmap(GlContext* gc, const GlRasterPos* rp, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                const GLubyte* image) {
    const GLfloat fx = rp->window[0] - xorig - 0.5f, fy = rp->window[1] - yorig - 0.5f;
    // Origins that put the bitmap beyond any window (or are not numbers).
    if (!(fabsf(fx) < 1e9f && fabsf(fy) < 1e9f)) return;
    GlFragment f;
    bitmapFragment(gc, rp, &f);
    const GLint x0 = (GLint)fx, yUp = (GLint)fy;
    GLint y = __glBufferRow(gc, yUp);
    const GLint step = gc->yInverted ? -1 : 1;
    const GLint* box = gc->span.clipBox;
    const GLsizei rowBytes = (width + 7) / 8;
    for (GLsizei row = 0; row < height; row++, y += step, image += rowBytes) {
        if (y < box[1] || y >= box[3]) continue;
        f.y = y;
        for (GLsizei col = 0; col < width; col++) {
            if (!(image[col >> 3] & (0x80 >> (col & 7)))) continue;
            f.x = x0 + col;
            gc->procs.storeFragmentTested(gc->drawBuffer, &f);
        }
    }
}

}  // namespace

extern "C" void GLPROC __glRasterizeBitmap(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig,
                                          GLfloat yorig, GLfloat xmove, GLfloat ymove, const GLubyte* image) {
    GlRasterPos* rp = &gc->current.raster;
    if (!rp->valid) return;
    if (gc->renderMode == GL_FEEDBACK) {
        GlVertex v;
        __glRasterPosVertex(gc, &v);
        __glFeedbackBitmap(gc, &v);
    } else if (gc->renderMode == GL_RENDER && image && width > 0 && height > 0 && gc->drawBuffer) {
        drawBitmap(gc, rp, width, height, xorig, yorig, image);
    }
    rp->window[0] += xmove;
    rp->window[1] += ymove;
}

extern "C" void GLPROC __glPickBitmapProc(GlContext* gc) { gc->procs.rasterizeBitmap = __glRasterizeBitmap; }

extern "C" void GLIMM __glImmBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                                   GLfloat ymove, const GLubyte* bitmap) {
    GlThreadState* ts = __glThreadState();
    switch (__glDrawPrologue(ts)) {
    case GL_DRAW_REFUSED: return;
    case GL_DRAW_VALIDATED: return glBitmap(width, height, xorig, yorig, xmove, ymove, bitmap);
    case GL_DRAW_ACT: break;
    }
    if (width < 0 || height < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    if (width == 0 || height == 0 || !bitmap || gc->renderMode != GL_RENDER)
        return gc->procs.rasterizeBitmap(gc, width, height, xorig, yorig, xmove, ymove, nullptr);
    const uint64_t bytes = ((uint64_t)width + 7) / 8 * (uint64_t)height;
    GLubyte* image = bytes <= SIZE_MAX ? (GLubyte*)gc->imports.alloc(gc, (size_t)bytes) : nullptr;
    if (!image) return __glSetError(GL_OUT_OF_MEMORY);
    __glCopyImageToList(gc, width, height, GL_COLOR_INDEX, GL_BITMAP, bitmap, image);
    gc->procs.rasterizeBitmap(gc, width, height, xorig, yorig, xmove, ymove, image);
    gc->imports.free(gc, image);
}
