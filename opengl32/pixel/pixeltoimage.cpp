// Rectangles into memory images: the framebuffer read of glCopyTexImage*,
// glCopyTexSubImage* and glCopyColorTableEXT, and the memory-to-memory
// conversion of colour tables. Both run unpack (or read), transfer and pack
// span by span; the destination descriptor is laid out by the caller after
// the read clip, so the columns and rows the clip cut are skipped there.

#include <string.h>
#include "core/stateutil.h"
#include "raster/fragment.h"
#include "pixel.h"

namespace {

// The kind a destination of this format receives from a source of kind `from`.
GLint destinationKind(const GlImageLayout* d, GLint from) {
    const GLint to = __glPixelFormatKind(d->format);
    return to == GL_PIXEL_KIND_INDEX && from != GL_PIXEL_KIND_INDEX ? GL_PIXEL_KIND_RGBA : to;
}

}  // namespace

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

extern "C" void GLPROC __glRunReadToImage(GlContext* gc, GlPixelOpRecord* op) {
    const GLint from = __glColorBufferKind(gc);
    const GlImageLayout* d = &op->destination;
    const GLint to = destinationKind(d, from);
    if (from == GL_PIXEL_KIND_RGBA && !gc->readBuffer) return;
    GLfloat values[GL_PIXEL_CHUNK * 4];
    const GLint x = (GLint)op->readX + gc->limits.windowBiasX;
    const GLint y = (GLint)op->readY + gc->limits.windowBiasY;
    uint8_t* out = (uint8_t*)d->firstPixel;
    for (GLint j = 0; j < op->height; j++, out += d->rowStride) {
        const GLint row = __glBufferRow(gc, y + j);
        for (GLint first = 0; first < op->width; first += GL_PIXEL_CHUNK) {
            const GLint n = op->width - first < GL_PIXEL_CHUNK ? op->width - first : GL_PIXEL_CHUNK;
            __glReadPixelSpan(gc, from, x + first, row, n, values);
            __glTransferPixelSpan(gc, from, to, values, n);
            __glPackPixelSpan(d, to, values, n, out, first);
        }
    }
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

// Both descriptors must be laid out (__glLayoutImage) for width x height.
extern "C" void GLPROC __glRunImageConvert(GlContext* gc, GlPixelOpRecord* op, GLboolean transfer) {
    GlImageLayout* s = &op->source;
    const GlImageLayout* d = &op->destination;
    const GLint from = __glPixelFormatKind(s->format);
    const GLint to = destinationKind(d, from);
    const GLint width = op->width, height = op->height;
    GlPixelScratch scratch;
    GLfloat values[GL_PIXEL_CHUNK * 4];
    for (GLint j = 0; j < height; j++) {
        const uint8_t* in = s->firstPixel + (ptrdiff_t)j * s->rowStride;
        uint8_t* out = (uint8_t*)d->firstPixel + (ptrdiff_t)j * d->rowStride;
        for (GLint first = 0; first < width; first += GL_PIXEL_CHUNK) {
            const GLint n = width - first < GL_PIXEL_CHUNK ? width - first : GL_PIXEL_CHUNK;
            __glUnpackPixelSpan(gc, op, in, first, n, values, &scratch);
            if (transfer) __glTransferPixelSpan(gc, from, to, values, n);
            __glPackPixelSpan(d, to, values, n, out, first);
        }
    }
    op->width = width;  // the unpack step counts its span there
}
