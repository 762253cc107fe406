// glDrawPixels and glReadPixels of unsigned-byte RGB and RGBA images on the
// board: rows converted straight between client memory and the 5-6-5 frame
// buffer under one lock per call, at zoom (1, 1) with no pixel transfer and
// no fragment operation, into or from GL_FRONT or GL_BACK. Anything else, and
// any read that reaches beyond the board, takes the generic procedures, whose
// single-pixel stores and reads give the same values.

#include <stdlib.h>
#include <string.h>
#include "core/pickers.h"
#include "core/stateutil.h"
#include "hwcontext.h"
#include "pixel/pixel.h"
#include "raster/fragment.h"
#include "ravix2x.h"

namespace {

bool fastFormat(GLenum format, GLenum type) {
    return type == GL_UNSIGNED_BYTE && (format == GL_RGB || format == GL_RGBA);
}

// The record of GL_FRONT or GL_BACK; null for any other buffer selection.
GlColorBuffer* singleBuffer(GlContext* gc, GLenum which) {
    if (which == GL_FRONT) return &gc->fb.front;
    if (which == GL_BACK && gc->fb.backBuffer) return &gc->fb.back;
    return nullptr;
}

// The clip box cut to the board.
void boardBox(const GlContext* gc, const GLint* clip, GLint box[4]) {
    const GLint bx = gc->limits.windowBiasX, by = gc->limits.windowBiasY;
    box[0] = clip[0] > bx ? clip[0] : bx;
    box[1] = clip[1] > by ? clip[1] : by;
    box[2] = clip[2] < bx + GL_HW_WIDTH ? clip[2] : bx + GL_HW_WIDTH;
    box[3] = clip[3] < by + GL_HW_HEIGHT ? clip[3] : by + GL_HW_HEIGHT;
}

bool fastDraw(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    const GlPixelTransferState* tr = &gc->pixel.transfer;
    if (!fastFormat(format, type) || tr->zoomX != 1.0f || tr->zoomY != 1.0f) return false;
    if (!__glColorTransferPlain(tr)) return false;
    if ((gc->rasterFlags & GL_PIXEL_FRAGMENT_FLAGS) || __glPixelFragmentsTexFog(gc)) return false;
    GlColorBuffer* cb = singleBuffer(gc, gc->colorBuffer.drawBuffer);
    if (!cb || cb != gc->drawBuffer || cb->writeMask != 0xFFFFu) return false;
    if (width <= 0 || height <= 0 || !pixels) return true;
    GlImageLayout l;
    __glSetImageModes(&l, format, type, pixels, width, &gc->pixel.unpack);
    if (!__glLayoutImage(&l, width, height)) return true;
    GLint box[4];
    boardBox(gc, gc->span.clipBox, box);
    GlUnitRect u;
    if (!__glUnitZoomRect(gc, width, height, box, &u)) return true;
    // The fragment store's packing of each component byte (its dither offsets
    // cannot move a whole-number component).
    const GLfloat* toFloat = gc->constants.ubyteToFloat;
    const GLfloat* scales = __glColorScales(gc);
    uint16_t pack[3][256];
    for (int k = 0; k < 3; k++)
        for (int i = 0; i < 256; i++) {
            GLfloat c[3] = {0.0f, 0.0f, 0.0f};
            c[k] = toFloat[i] * scales[k];
            pack[k][i] = (uint16_t)__glHwPack565(c, 0.5f);
        }
    GlHwPixelRun run = {};
    run.group = l.groupSize;
    run.client = (uint8_t*)l.firstPixel + (size_t)u.j0 * (size_t)l.rowStride + (size_t)u.i0 * (size_t)run.group;
    run.clientStride = l.rowStride;
    run.x = u.x, run.y = u.y, run.dy = u.dy;
    run.columns = (GLint)(u.i1 - u.i0), run.rows = (GLint)(u.j1 - u.j0);
    run.pack = pack;
    __glHwDrawPixelsLfb(gc, __glHwBoardBuffer(cb), &run);
    return true;
}

bool fastRead(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
              GLvoid* pixels) {
    if (!fastFormat(format, type) || !__glColorTransferPlain(&gc->pixel.transfer)) return false;
    GlColorBuffer* cb = singleBuffer(gc, gc->pixel.readBuffer);
    if (!cb || cb != gc->readBuffer) return false;
    if (width <= 0 || height <= 0 || !pixels) return true;
    // The part inside the drawable; all of it must lie on the board.
    const int64_t i0 = x < 0 ? -(int64_t)x : 0, j0 = y < 0 ? -(int64_t)y : 0;
    const int64_t w = (int64_t)gc->drawableWidth - x, h = (int64_t)gc->drawableHeight - y;
    const int64_t i1 = w < width ? w : width, j1 = h < height ? h : height;
    if (i0 >= i1 || j0 >= j1) return true;
    if ((int64_t)x + i1 > GL_HW_WIDTH || (int64_t)y + j1 > GL_HW_HEIGHT || gc->yInverted) return false;
    const GLuint* word = __glFastReadTable565(gc, cb, format);
    if (!word) return false;
    GlImageLayout l;
    __glSetImageModes(&l, format, type, pixels, width, &gc->pixel.pack);
    if (!__glLayoutImage(&l, width, height)) return true;
    const GlLimits* lim = &gc->limits;
    GlHwPixelRun run = {};
    run.group = l.groupSize;
    run.client = (uint8_t*)l.firstPixel + (size_t)j0 * (size_t)l.rowStride + (size_t)i0 * (size_t)run.group;
    run.clientStride = l.rowStride;
    run.x = (GLint)(x + i0) + lim->windowBiasX, run.y = (GLint)(y + j0) + lim->windowBiasY, run.dy = 1;
    run.columns = (GLint)(i1 - i0), run.rows = (GLint)(j1 - j0);
    run.word = word;
    __glHwReadPixelsLfb(gc, __glHwBoardBuffer(cb), &run);
    return true;
}

}  // namespace

extern "C" void GLPROC __glHwDrawRowRgb565(const GlHwPixelRun* run, const uint8_t* s, uint16_t* d) {
    const uint16_t(*pack)[256] = run->pack;
    for (GLint i = 0; i < run->columns; i++, s += run->group) d[i] = (uint16_t)(pack[0][s[0]] | pack[1][s[1]] | pack[2][s[2]]);
}

extern "C" void GLPROC __glHwReadRowRgb565(const GlHwPixelRun* run, const uint16_t* s, uint8_t* d) {
    const GLuint* word = run->word;
    if (run->group == 4) {
        for (GLint i = 0; i < run->columns; i++, d += 4) memcpy(d, &word[s[i]], 4);
        return;
    }
    for (GLint i = 0; i < run->columns; i++, d += 3) {
        const GLuint v = word[s[i]];
        d[0] = (uint8_t)v, d[1] = (uint8_t)(v >> 8), d[2] = (uint8_t)(v >> 16);
    }
}

extern "C" GLboolean GLPROC __glHwDrawPixelsLfb(GlContext* gc, int32_t buffer, const GlHwPixelRun* run) {
    const GlHwLfbLock lock(RV_LFB_WRITE_ONLY, buffer);
    if (!lock.held) return GL_FALSE;
    const uint8_t* src = run->client;
    uint8_t* dst = (uint8_t*)lock.address(gc, run->x, run->y);
    const ptrdiff_t stride = (ptrdiff_t)run->dy * (int32_t)lock.info.strideInBytes;
    for (GLint j = 0; j < run->rows; j++, src += run->clientStride, dst += stride)
        __glHwDrawRowRgb565(run, src, (uint16_t*)dst);
    return GL_TRUE;
}

extern "C" GLboolean GLPROC __glHwReadPixelsLfb(GlContext* gc, int32_t buffer, const GlHwPixelRun* run) {
    const GlHwLfbLock lock(RV_LFB_READ_ONLY, buffer);
    if (!lock.held) return GL_FALSE;
    const uint8_t* src = (const uint8_t*)lock.address(gc, run->x, run->y);
    uint8_t* dst = run->client;
    const ptrdiff_t stride = (ptrdiff_t)run->dy * (int32_t)lock.info.strideInBytes;
    for (GLint j = 0; j < run->rows; j++, src += stride, dst += run->clientStride)
        __glHwReadRowRgb565(run, (const uint16_t*)src, dst);
    return GL_TRUE;
}

extern "C" void GLPROC __glHwDrawPixelsProc(GlContext* gc, GLsizei width, GLsizei height, GLenum format,
                                           GLenum type, const GLvoid* pixels, GLboolean packed) {
    if (!fastDraw(gc, width, height, format, type, pixels))
        __glDrawPixelsSoftware(gc, width, height, format, type, pixels, packed);
}

extern "C" void GLPROC __glHwReadPixelsProc(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height,
                                           GLenum format, GLenum type, GLvoid* pixels) {
    if (!fastRead(gc, x, y, width, height, format, type, pixels))
        __glReadPixelsSoftware(gc, x, y, width, height, format, type, pixels);
}

extern "C" void GLPROC __glHwPickBitmapProc(GlContext* gc) { gc->procs.rasterizeBitmap = __glRasterizeBitmap; }
