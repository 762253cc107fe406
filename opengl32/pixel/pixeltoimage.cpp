// Rectangles into memory images: the record of the framebuffer read of
// glCopyTexImage*, glCopyTexSubImage* and glCopyColorTableEXT and its clip,
// and the source half of a client image converted into memory (colour
// tables). The destination descriptor is laid out by the caller after the
// read clip, so the columns and rows the clip cut are skipped there; the
// reads and conversions run the span chain (pixelrect.cpp).

#include <string.h>
#include "pixel.h"

extern "C" void GLPROC __glInitCopyTexRecord(GlContext* gc, GlPixelOpRecord* op, GLint x, GLint y, GLsizei width,
                                            GLsizei height) {
    memset(op, 0, sizeof *op);
    op->readX = (GLfloat)x;
    op->readY = (GLfloat)y;
    op->width = width;
    op->height = height;
    op->depth = 1;
    op->zoomX = 1.0f;
    GlImageLayout* s = &op->source;
    s->format = gc->pixelFormat.rgba ? GL_RGBA : GL_COLOR_INDEX;
    s->type = GL_FLOAT;
    s->elementSize = 4;
    s->alignment = 1;
    s->lsbFirst = 1;
    s->rowLength = width;
}

// Window columns [x, x + width) and rows [y, y + height) against the drawable;
// every column or row cut at the start is skipped in the destination.
extern "C" GLboolean GLPROC __glClipReadPixels(GlContext* gc, GlPixelOpRecord* op) {
    const int64_t x = (int64_t)op->readX, y = (int64_t)op->readY;
    int64_t width = op->width, height = op->height;
    const int64_t right = (int64_t)gc->drawableWidth, top = (int64_t)gc->drawableHeight;
    int64_t x0 = x, y0 = y;
    if (x0 < 0) {
        if (-x0 >= width) return GL_FALSE;
        width += x0;
        op->destination.skipPixels += (GLint)-x0;
        x0 = 0;
    }
    if (y0 < 0) {
        if (-y0 >= height) return GL_FALSE;
        height += y0;
        op->destination.skipRows += (GLint)-y0;
        y0 = 0;
    }
    if (x0 + width > right) width = right - x0;
    if (y0 + height > top) height = top - y0;
    if (width <= 0 || height <= 0) return GL_FALSE;
    op->readX = (GLfloat)x0;
    op->readY = (GLfloat)y0;
    op->width = (GLint)width;
    op->height = (GLint)height;
    return GL_TRUE;
}

extern "C" void GLPROC __glInitUnpackImageRecord(GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height,
                                                GLsizei depth, GLenum format, GLenum type, const GLvoid* data,
                                                GLboolean packed) {
    static const GlPixelStoreModes packedModes = {0, 0, {0, 0}, 0, 0, 0, 1};
    op->startX = 0.0f;
    op->zoomX = 1.0f;
    op->width = width, op->height = height, op->depth = depth;
    __glSetImageModes(&op->source, format, type, data, width, packed ? &packedModes : &gc->pixel.unpack);
}
