// glDrawPixels, glReadPixels and glCopyPixels: clipping to the window and the
// buffers, zoom, and the per-span passes through the chain.
//
// A source pixel (i, j) covers the window cells whose centres lie between
// origin + zoom * i and origin + zoom * (i + 1); the range of source pixels
// that can reach the clip box is found first, so no address is formed for a
// pixel outside it whatever the size, position or zoom.

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include "raster/fragment.h"
#include "pixel.h"

namespace {

constexpr int64_t CHUNK = GL_PIXEL_CHUNK;

// One axis of a drawn rectangle: window position of the source's edge and zoom.
struct Axis {
    double origin, zoom;
};

// First cell whose centre lies at or beyond the edge of source index k.
double edge(const Axis& a, int64_t k) { return ceil(a.origin + a.zoom * (double)k - 0.5); }

// The cells [lo, hi) of source index k within [c0, c1).
void cellsOf(const Axis& a, int64_t k, int64_t c0, int64_t c1, GLint* lo, GLint* hi) {
    double e0 = edge(a, k), e1 = edge(a, k + 1);
    if (e0 > e1) {
        const double t = e0;
        e0 = e1, e1 = t;
    }
    if (e0 < (double)c0) e0 = (double)c0;
    if (e1 > (double)c1) e1 = (double)c1;
    *lo = (GLint)e0;
    *hi = e1 > e0 ? (GLint)e1 : (GLint)e0;
}

// Source indices [lo, hi) of 0 .. count - 1 that may cover a cell of [c0, c1).
bool sourceRange(const Axis& a, int64_t count, int64_t c0, int64_t c1, int64_t* lo, int64_t* hi) {
    if (count <= 0 || c0 >= c1 || !isfinite(a.origin) || !isfinite(a.zoom) || a.zoom == 0.0) return false;
    double u = ((double)c0 + 0.5 - a.origin) / a.zoom, v = ((double)c1 - 0.5 - a.origin) / a.zoom;
    if (u > v) {
        const double t = u;
        u = v, v = t;
    }
    u = floor(u) - 1.0, v = floor(v) + 2.0;
    if (u < 0.0) u = 0.0;
    if (v > (double)count) v = (double)count;
    if (!(u < v)) return false;
    *lo = (int64_t)u, *hi = (int64_t)v;
    return true;
}

// Where a drawn rectangle's rows come from: a memory image, or a float
// image copied from the framebuffer; op holds the picked modifiers.
struct Source {
    GlPixelOpRecord op;
    const GLfloat* image;
    int64_t imageX, imageY, imageWidth;   // its origin in source indices and width
    GLint components;
};

// n source pixels from column first of row j through the modifiers: the span
// the writer takes (out, or the source itself with no modifier).
const GLfloat* sourceSpan(GlContext* gc, Source* s, int64_t j, int64_t first, GLint n, GLfloat* out,
                          GlPixelSpanBuffers* buffers) {
    GlPixelOpRecord* op = &s->op;
    op->width = n;
    if (s->image) {
        const size_t at = ((size_t)(j - s->imageY) * (size_t)s->imageWidth + (size_t)(first - s->imageX));
        return (const GLfloat*)__glRunSpanModifiers(gc, op, s->image + at * (size_t)s->components, out, buffers);
    }
    GlImageLayout* l = &op->source;
    const uint8_t* row = l->firstPixel + (size_t)j * (size_t)l->rowStride;
    if (l->type != GL_BITMAP)
        return (const GLfloat*)__glRunSpanModifiers(gc, op, row + (size_t)first * (size_t)l->groupSize, out, buffers);
    const GLint saved = l->bitOffset;
    const int64_t bit = (int64_t)saved + first;
    l->bitOffset = (GLint)(bit & 7);
    const GLvoid* span = __glRunSpanModifiers(gc, op, row + (size_t)(bit >> 3), out, buffers);
    l->bitOffset = saved;
    return (const GLfloat*)span;
}

// Draws source indices [i0, i1) x [j0, j1) of a width x height rectangle at the
// raster position; spans of kind `from` become fragments of kind `to`.
void drawRectangle(GlContext* gc, Source* s, GLint to, int64_t width, int64_t height, int64_t i0, int64_t i1,
                   int64_t j0, int64_t j1) {
    const GlRasterPos* rp = &gc->current.raster;
    const Axis ax = {(double)rp->window[0] - 0.5, (double)gc->pixel.transfer.zoomX};
    const Axis ay = {(double)rp->window[1] - 0.5, (double)gc->pixel.transfer.zoomY};
    const GLint* box = gc->span.clipBox;
    // The clip box's rows in upward order.
    const GLint r0 = __glBufferRow(gc, box[1]), r1 = __glBufferRow(gc, box[3] - 1);
    const int64_t up0 = r0 < r1 ? r0 : r1, up1 = (r0 < r1 ? r1 : r0) + 1;
    int64_t ilo, ihi, jlo, jhi;
    if (!sourceRange(ax, width, box[0], box[2], &ilo, &ihi) || !sourceRange(ay, height, up0, up1, &jlo, &jhi))
        return;
    ilo = ilo > i0 ? ilo : i0, ihi = ihi < i1 ? ihi : i1;
    jlo = jlo > j0 ? jlo : j0, jhi = jhi < j1 ? jhi : j1;
    if (ilo >= ihi || jlo >= jhi) return;

    GlPixelTarget target;
    __glSetupPixelWriter(gc, &target, to);
    GlPixelScratch scratch;
    GlPixelSpanBuffers buffers = {{scratch.raw, scratch.floats}};
    GLfloat values[GL_PIXEL_CHUNK * 4];
    GLint x0[GL_PIXEL_CHUNK], x1[GL_PIXEL_CHUNK];
    for (int64_t j = jlo; j < jhi; j++) {
        GLint y0, y1;
        cellsOf(ay, j, up0, up1, &y0, &y1);
        if (y0 >= y1) continue;
        for (int64_t first = ilo; first < ihi; first += GL_PIXEL_CHUNK) {
            const GLint n = (GLint)(ihi - first < CHUNK ? ihi - first : CHUNK);
            bool any = false;
            for (GLint i = 0; i < n; i++) {
                cellsOf(ax, first + i, box[0], box[2], &x0[i], &x1[i]);
                any = any || x0[i] < x1[i];
            }
            if (!any) continue;
            const GLfloat* span = sourceSpan(gc, s, j, first, n, values, &buffers);
            for (GLint y = y0; y < y1; y++) __glWritePixelRow(gc, &target, span, n, x0, x1, __glBufferRow(gc, y));
        }
    }
}

// The part [x0, x1) x [y0, y1) of a rectangle at (x, y) inside the drawable,
// in rectangle indices; false when empty.
bool clipToDrawable(const GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, int64_t* x0, int64_t* x1,
                    int64_t* y0, int64_t* y1) {
    *x0 = x < 0 ? -(int64_t)x : 0;
    *y0 = y < 0 ? -(int64_t)y : 0;
    const int64_t w = (int64_t)gc->drawableWidth - x, h = (int64_t)gc->drawableHeight - y;
    *x1 = w < width ? w : width;
    *y1 = h < height ? h : height;
    return *x0 < *x1 && *y0 < *y1;
}

}  // namespace

extern "C" void GLPROC __glDrawPixels(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                     const GLvoid* pixels, GLboolean) {
    if (width <= 0 || height <= 0 || !pixels || !gc->drawBuffer) return;
    Source s;
    memset(&s, 0, sizeof s);
    GlPixelOpRecord* op = &s.op;
    __glSetImageModes(&op->source, format, type, pixels, width, &gc->pixel.unpack);
    op->width = width, op->height = height;
    if (!__glSetupImageLayout(gc, op)) return;
    const GLint from = __glPixelFormatKind(format);
    const GLint to = from == GL_PIXEL_KIND_INDEX ? __glColorBufferKind(gc) : from;
    op->destination.format = to == GL_PIXEL_KIND_RGBA ? GL_RGBA : format;
    op->destination.type = GL_FLOAT;
    GlPixelOpDesc desc = {2, 1, 1, 1, {}, nullptr, nullptr};
    op->passCount = __glPickSpanModifiers(gc, op, &desc);
    drawRectangle(gc, &s, to, width, height, 0, width, 0, height);
}

extern "C" void GLPROC __glReadPixels(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                                     GLenum type, GLvoid* pixels) {
    if (width <= 0 || height <= 0 || !pixels) return;
    GlPixelOpRecord op;
    memset(&op, 0, sizeof op);
    __glSetImageModes(&op.destination, format, type, pixels, width, &gc->pixel.pack);
    op.width = width, op.height = height;
    if (!__glSetupDestImageLayout(gc, &op)) return;
    int64_t i0, i1, j0, j1;
    if (!clipToDrawable(gc, x, y, width, height, &i0, &i1, &j0, &j1)) return;
    if (__glPixelFormatKind(format) == GL_PIXEL_KIND_RGBA && !gc->readBuffer) return;
    GlPixelOpDesc desc = {1, 2, 2, 1, {}, nullptr, nullptr};
    op.passCount = __glPickSpanModifiers(gc, &op, &desc);
    if (op.passCount < 0 || !desc.reader) return;
    GlPixelScratch scratch;
    GlPixelSpanBuffers buffers = {{scratch.raw, scratch.floats}};
    GlImageLayout* l = &op.destination;
    const GLint bits = l->bitOffset;
    const int64_t bx = (int64_t)x + gc->limits.windowBiasX, by = (int64_t)y + gc->limits.windowBiasY;
    for (int64_t j = j0; j < j1; j++) {
        uint8_t* row = (uint8_t*)l->firstPixel + (size_t)j * (size_t)l->rowStride;
        op.readY = (GLfloat)__glBufferRow(gc, (GLint)(by + j));
        for (int64_t first = i0; first < i1; first += GL_PIXEL_CHUNK) {
            op.width = (GLint)(i1 - first < CHUNK ? i1 - first : CHUNK);
            op.readX = (GLfloat)(bx + first);
            uint8_t* out = row + (size_t)first * (size_t)l->groupSize;
            if (l->type == GL_BITMAP) {
                const int64_t bit = (int64_t)bits + first;
                out = row + (size_t)(bit >> 3);
                l->bitOffset = (GLint)(bit & 7);
            }
            // With no modifier the reader's floats are the client's.
            GLvoid* span = op.passCount ? buffers.span[1] : out;
            desc.reader(gc, &op, span);
            __glRunSpanModifiers(gc, &op, span, out, &buffers);
        }
    }
}

// The visible part of the source is read whole before anything is drawn, so
// overlapping copies see the original pixels in every direction.
extern "C" void GLPROC __glCopyPixels(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height,
                                     GLenum format) {
    if (width <= 0 || height <= 0 || !gc->drawBuffer) return;
    int64_t i0, i1, j0, j1;
    if (!clipToDrawable(gc, x, y, width, height, &i0, &i1, &j0, &j1)) return;
    GLint kind = __glPixelFormatKind(format);
    if (kind == GL_PIXEL_KIND_RGBA || kind == GL_PIXEL_KIND_INDEX) kind = __glColorBufferKind(gc);
    if (kind == GL_PIXEL_KIND_RGBA && !gc->readBuffer) return;
    Source s;
    memset(&s, 0, sizeof s);
    GlPixelOpRecord* op = &s.op;
    op->destination.format =
        kind == GL_PIXEL_KIND_RGBA ? GL_RGBA : kind == GL_PIXEL_KIND_INDEX ? GL_COLOR_INDEX : format;
    op->destination.type = GL_FLOAT;
    GlPixelOpDesc desc = {1, 1, 3, 1, {}, nullptr, nullptr};
    op->passCount = __glPickSpanModifiers(gc, op, &desc);
    if (op->passCount < 0 || !desc.reader) return;
    s.components = kind == GL_PIXEL_KIND_RGBA ? 4 : 1;
    s.imageX = i0, s.imageY = j0, s.imageWidth = i1 - i0;
    const uint64_t bytes = (uint64_t)(i1 - i0) * (uint64_t)(j1 - j0) * (uint64_t)s.components * sizeof(GLfloat);
    GLfloat* image = bytes <= SIZE_MAX ? (GLfloat*)gc->imports.alloc(gc, (size_t)bytes) : nullptr;
    if (!image) return __glSetError(GL_OUT_OF_MEMORY);
    const int64_t bx = (int64_t)x + gc->limits.windowBiasX, by = (int64_t)y + gc->limits.windowBiasY;
    GLfloat* out = image;
    for (int64_t j = j0; j < j1; j++)
        for (int64_t first = i0; first < i1; first += GL_PIXEL_CHUNK) {
            op->width = (GLint)(i1 - first < CHUNK ? i1 - first : CHUNK);
            op->readX = (GLfloat)(bx + first);
            op->readY = (GLfloat)__glBufferRow(gc, (GLint)(by + j));
            desc.reader(gc, op, out);
            out += (size_t)op->width * (size_t)s.components;
        }
    s.image = image;
    drawRectangle(gc, &s, kind, width, height, i0, i1, j0, j1);
    gc->imports.free(gc, image);
}

extern "C" GLboolean GLPROC __glPixelFastPathsDisabled(void) {
    const char* v = getenv("__GL_DISABLE_FASTPATH");
    return v && strtol(v, nullptr, 10) != 0;
}

// The fast procedures test the state on each call and fall back to the
// generic ones, so the first validation installs them once; later validations
// keep whatever the slots hold.
extern "C" void GLPROC __glPickPixelProcs(GlContext* gc) {
    GlPixelTransferTables* t = &gc->pixel.tables;
    if (t->validated) return;
    t->validated = 1;
    const bool fast = !__glPixelFastPathsDisabled();
    t->genericOnly = !fast;
    gc->procs.drawPixels = fast ? __glFastDrawPixels : __glDrawPixels;
    gc->procs.readPixels = fast ? __glFastReadPixels : __glReadPixels;
    gc->procs.copyPixels = __glCopyPixels;
}
