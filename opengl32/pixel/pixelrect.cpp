// glDrawPixels, glReadPixels and glCopyPixels, the framebuffer reads into
// memory images and the conversions between memory images: the clip, the
// zoom tables and the row loops by the number of span modifiers.
//
// A source pixel (i, j) covers the window cells whose centres lie between
// origin + zoom * i and origin + zoom * (i + 1). The clip finds the source
// columns and rows whose cells reach the clip box before any address is
// formed, whatever the size, position or zoom; the zoom tables then map the
// clipped columns to destination columns band by band, from the same cell
// edges, and each source row is written on the rows its own cells cover.

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

// First cell whose centre lies at or beyond the edge of source index k. The
// edges grow (or fall) with k, so the cells of consecutive indices tile the
// axis without gap or overlap however the sums round.
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

// Source indices [lo, hi) of 0 .. count - 1 that cover a cell of [c0, c1):
// a range found in double precision, widened, then trimmed by the cells.
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
    int64_t l = (int64_t)u, h = (int64_t)v;
    GLint x0, x1;
    for (; l < h; l++) {
        cellsOf(a, l, c0, c1, &x0, &x1);
        if (x0 < x1) break;
    }
    for (; h > l; h--) {
        cellsOf(a, h - 1, c0, c1, &x0, &x1);
        if (x0 < x1) break;
    }
    *lo = l, *hi = h;
    return l < h;
}

Axis columnAxis(const GlPixelOpRecord* op) { return {(double)op->startX - 0.5, (double)op->zoomX}; }
Axis rowAxis(const GlPixelOpRecord* op) { return {(double)op->startY - 0.5, (double)op->zoomY}; }

// The chain between a source row and the writer: with the buffers a and b
// (in is never a), the span the writer takes.
template <int Passes>
const GLvoid* runChain(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in, GLvoid* a, GLvoid* b) {
    if (Passes == 0) return in;
    op->modifiers[0](gc, op, in, a);
    if (Passes == 1) return a;
    op->modifiers[1](gc, op, a, b);
    if (Passes == 2) return b;
    const GLvoid* from = b;
    GLvoid* to = a;
    for (GLint i = 2; i < op->passCount; i++) {
        op->modifiers[i](gc, op, from, to);
        from = to;
        to = to == a ? b : a;
    }
    return from;
}

// Source rows of a memory image (the client's, or the float image of an
// overlapping copy); the band's first pixel is the layout's first pixel.
struct MemoryRows {
    static const GLvoid* row(GlContext*, GlPixelOpRecord* op, GLint j, GLvoid*) {
        const GlImageLayout* l = &op->source;
        return l->firstPixel + (size_t)(j - op->sourceRow0) * (size_t)l->rowStride;
    }
};
// Source rows read from the framebuffer: row j of the copied rectangle.
struct FramebufferRows {
    static const GLvoid* row(GlContext* gc, GlPixelOpRecord* op, GLint j, GLvoid* span) {
        op->readY = (GLfloat)__glBufferRow(gc, (GLint)(op->readRow0 + j));
        op->reader(gc, op, span);
        return span;
    }
};

// Each source row of the clipped rows whose cells reach the clip box: its
// span through the chain to the writer, which writes it on those rows.
template <int Passes, class Rows>
void rowLoop(GlContext* gc, GlPixelOpRecord* op) {
    alignas(16) GLfloat a[CHUNK * 4], b[CHUNK * 4];
    const Axis ay = rowAxis(op);
    const GLint width = op->width;
    for (GLint j = op->rowFirst; j < op->rowEnd; j++) {
        GLint y0, y1;
        cellsOf(ay, j, op->clip[1], op->clip[3], &y0, &y1);
        if (y0 >= y1) continue;
        op->firstY = y0, op->rowsLeft = y1 - y0;
        op->width = width;
        op->writer(gc, op, runChain<Passes>(gc, op, Rows::row(gc, op, j, b), a, b));
    }
}

typedef void(GLPROC* RowLoop)(GlContext* gc, GlPixelOpRecord* op);

// Runs every band of the clipped columns through the loop of the record's
// modifier count; the source layout's first pixel (or a copy's read column)
// moves to each band's.
void runBands(GlContext* gc, GlPixelOpRecord* op, const RowLoop loops[4]) {
    const RowLoop loop = loops[op->passCount < 3 ? op->passCount : 3];
    GlImageLayout* l = &op->source;
    const uint8_t* first = l->firstPixel;
    const GLint bits = l->bitOffset;
    int16_t table[GL_PIXEL_CHUNK];
    while (__glSetPixelZoomStart(gc, op, table)) {
        const int64_t column = (int64_t)op->bandColumn - op->sourceColumn0;
        if (l->type == GL_BITMAP) {
            const int64_t bit = (int64_t)bits + column;
            l->firstPixel = first + (size_t)(bit >> 3);
            l->bitOffset = (GLint)(bit & 7);
        } else if (first) {
            l->firstPixel = first + (size_t)column * (size_t)l->groupSize;
        }
        op->readX = (GLfloat)(op->readColumn0 + op->bandColumn);
        loop(gc, op);
    }
    l->firstPixel = first, l->bitOffset = bits;
}

const RowLoop kDrawLoops[4] = {__glDrawPixelsLoopDirect, __glDrawPixelsLoopOnePass, __glDrawPixelsLoopTwoPass,
                               __glDrawPixelsLoopMultiPass};
const RowLoop kCopyLoops[4] = {__glCopyPixelsLoopDirect, __glCopyPixelsLoopOnePass, __glCopyPixelsLoopTwoPass,
                               __glCopyPixelsLoopMultiPass};

// The record of a draw or copy to the raster position with the pixel zoom.
void initZoomed(const GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height) {
    const GlRasterPos* rp = &gc->current.raster;
    op->startX = rp->window[0];
    op->startY = rp->window[1];
    op->zoomX = gc->pixel.transfer.zoomX;
    op->zoomY = gc->pixel.transfer.zoomY;
    op->stepX = op->zoomX > 0.0f ? 1 : -1;
    op->stepY = op->zoomY > 0.0f ? 1 : -1;
    op->width = width, op->height = height;
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

#define GL_ROW_LOOP(name, passes, rows) \
    extern "C" void GLPROC name(GlContext* gc, GlPixelOpRecord* op) { rowLoop<passes, rows>(gc, op); }
#define GL_ROW_LOOPS(prefix, rows)                                                          \
    GL_ROW_LOOP(prefix##Direct, 0, rows) GL_ROW_LOOP(prefix##OnePass, 1, rows)               \
    GL_ROW_LOOP(prefix##TwoPass, 2, rows) GL_ROW_LOOP(prefix##MultiPass, 3, rows)
GL_ROW_LOOPS(__glDrawPixelsLoop, MemoryRows)
GL_ROW_LOOPS(__glCopyPixelsLoop, FramebufferRows)
#undef GL_ROW_LOOPS
#undef GL_ROW_LOOP

namespace {

// Column `column` of a row of a layout; a bitmap's byte, its bit offset in *bit.
uint8_t* columnOf(const GlImageLayout* l, const uint8_t* row, int64_t column, GLint bits, GLint* bit) {
    if (l->type != GL_BITMAP) return (uint8_t*)row + (size_t)column * (size_t)l->groupSize;
    const int64_t b = (int64_t)bits + column;
    *bit = (GLint)(b & 7);
    return (uint8_t*)row + (size_t)(b >> 3);
}

// The chain from in to out (the reader or a one-step chain writes out
// itself), through the span buffers.
template <int Passes>
void runInto(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in, GLvoid* out, GlPixelSpanBuffers* b) {
    if (Passes == 1) op->modifiers[0](gc, op, in, out);
    if (Passes == 2) op->modifiers[0](gc, op, in, b->span[0]), op->modifiers[1](gc, op, b->span[0], out);
    if (Passes == 3) __glRunSpanModifiers(gc, op, in, out, b);
}

// Every row of a clipped read from window column readX, row readY on (the
// first client pixel the destination layout's), in spans of GL_PIXEL_CHUNK
// pixels: the reader straight into the client row, or into a span buffer
// and through the chain.
template <int Passes>
void readLoop(GlContext* gc, GlPixelOpRecord* op) {
    GlPixelScratch scratch;
    GlPixelSpanBuffers buffers = {{scratch.raw, scratch.floats}};
    GlImageLayout* l = &op->destination;
    const uint8_t* first = l->firstPixel;
    const GLint bits = l->bitOffset, width = op->width;
    const int64_t x = (int64_t)op->readX + gc->limits.windowBiasX, y = (int64_t)op->readY + gc->limits.windowBiasY;
    for (GLint j = 0; j < op->height; j++) {
        const uint8_t* row = first + (size_t)j * (size_t)l->rowStride;
        op->readY = (GLfloat)__glBufferRow(gc, (GLint)(y + j));
        for (GLint c = 0; c < width; c += GL_PIXEL_CHUNK) {
            op->width = width - c < GL_PIXEL_CHUNK ? width - c : GL_PIXEL_CHUNK;
            op->readX = (GLfloat)(x + c);
            uint8_t* out = columnOf(l, row, c, bits, &l->bitOffset);
            GLvoid* span = Passes ? buffers.span[1] : out;
            op->reader(gc, op, span);
            runInto<Passes>(gc, op, span, out, &buffers);
        }
    }
    l->bitOffset = bits;
    op->width = width;
}

// Every row of a memory image into another, in spans of GL_PIXEL_CHUNK pixels.
template <int Passes>
void convertLoop(GlContext* gc, GlPixelOpRecord* op) {
    GlPixelScratch scratch;
    GlPixelSpanBuffers buffers = {{scratch.raw, scratch.floats}};
    GlImageLayout *s = &op->source, *d = &op->destination;
    const GLint sourceBits = s->bitOffset, destBits = d->bitOffset, width = op->width;
    for (GLint j = 0; j < op->height; j++) {
        const uint8_t* in = s->firstPixel + (ptrdiff_t)j * s->rowStride;
        const uint8_t* out = d->firstPixel + (ptrdiff_t)j * d->rowStride;
        for (GLint c = 0; c < width; c += GL_PIXEL_CHUNK) {
            op->width = width - c < GL_PIXEL_CHUNK ? width - c : GL_PIXEL_CHUNK;
            runInto<Passes>(gc, op, columnOf(s, in, c, sourceBits, &s->bitOffset),
                            columnOf(d, out, c, destBits, &d->bitOffset), &buffers);
        }
    }
    s->bitOffset = sourceBits, d->bitOffset = destBits;
    op->width = width;
}

}  // namespace

#define GL_LOOP(name, loop, passes) \
    extern "C" void GLPROC name(GlContext* gc, GlPixelOpRecord* op) { loop<passes>(gc, op); }
GL_LOOP(__glReadPixelsLoopDirect, readLoop, 0)
GL_LOOP(__glReadPixelsLoopOnePass, readLoop, 1)
GL_LOOP(__glReadPixelsLoopTwoPass, readLoop, 2)
GL_LOOP(__glReadPixelsLoopMultiPass, readLoop, 3)
GL_LOOP(__glImageConvertLoopOnePass, convertLoop, 1)
GL_LOOP(__glImageConvertLoopTwoPass, convertLoop, 2)
GL_LOOP(__glImageConvertLoopMultiPass, convertLoop, 3)
#undef GL_LOOP

namespace {

const RowLoop kReadLoops[4] = {__glReadPixelsLoopDirect, __glReadPixelsLoopOnePass, __glReadPixelsLoopTwoPass,
                               __glReadPixelsLoopMultiPass};

}  // namespace

namespace {

// A framebuffer read of the given kind (2 glReadPixels, 4 into a memory image).
void runRead(GlContext* gc, GlPixelOpRecord* op, GLint kind) {
    GlPixelOpDesc desc = {1, 2, kind, 1, {}, nullptr, nullptr};
    op->passCount = __glPickSpanModifiers(gc, op, &desc);
    if (op->passCount < 0 || !desc.reader) return;
    op->reader = desc.reader;
    kReadLoops[op->passCount < 3 ? op->passCount : 3](gc, op);
}

}  // namespace

extern "C" void GLPROC __glRunReadPixels(GlContext* gc, GlPixelOpRecord* op) { runRead(gc, op, 2); }

extern "C" void GLPROC __glRunReadToImage(GlContext* gc, GlPixelOpRecord* op) {
    if (__glColorBufferKind(gc) == GL_PIXEL_KIND_RGBA && !gc->readBuffer) return;
    runRead(gc, op, 4);
}

extern "C" GLint GLPROC __glPickImageConvertModifiers(GlContext* gc, GlPixelOpRecord* op, GLboolean transfer) {
    GlPixelOpDesc desc = {2, 2, 5, (uint8_t)(transfer ? 1 : 0), {}, nullptr, nullptr};
    const GLint n = __glPickSpanModifiers(gc, op, &desc);
    if (n != 0) return n;
    op->modifiers[0] = __glSpanCopyBytes;
    return 1;
}

extern "C" void GLPROC __glRunImageConvert(GlContext* gc, GlPixelOpRecord* op, GLboolean transfer) {
    static const RowLoop loops[3] = {__glImageConvertLoopOnePass, __glImageConvertLoopTwoPass,
                                     __glImageConvertLoopMultiPass};
    op->passCount = __glPickImageConvertModifiers(gc, op, transfer);
    if (op->passCount > 0) loops[op->passCount < 3 ? op->passCount - 1 : 2](gc, op);
}

namespace {

// The clip of a draw against box (biased, rows in buffer order, right and
// bottom exclusive).
bool clipZoomed(const GlContext* gc, GlPixelOpRecord* op, const GLint* box) {
    if (box[0] >= box[2] || box[1] >= box[3]) return false;
    // The clip box's rows in upward order.
    const GLint r0 = __glBufferRow(gc, box[1]), r1 = __glBufferRow(gc, box[3] - 1);
    op->clip[0] = box[0], op->clip[2] = box[2];
    op->clip[1] = r0 < r1 ? r0 : r1, op->clip[3] = (r0 < r1 ? r1 : r0) + 1;
    int64_t i0, i1, j0, j1;
    if (!sourceRange(columnAxis(op), op->width, op->clip[0], op->clip[2], &i0, &i1) ||
        !sourceRange(rowAxis(op), op->height, op->clip[1], op->clip[3], &j0, &j1))
        return false;
    op->nextColumn = (GLint)i0, op->endColumn = (GLint)i1, op->columnCells = 0;
    op->rowFirst = (GLint)j0, op->rowEnd = (GLint)j1;
    return true;
}

}  // namespace

extern "C" GLboolean GLPROC __glClipDrawPixels(GlContext* gc, GlPixelOpRecord* op) {
    return clipZoomed(gc, op, gc->span.clipBox);
}

extern "C" GLboolean GLPROC __glUnitZoomRect(const GlContext* gc, GLsizei width, GLsizei height, const GLint box[4],
                                            GlUnitRect* u) {
    GlPixelOpRecord op;
    initZoomed(gc, &op, width, height);
    op.zoomX = (GLfloat)op.stepX, op.zoomY = (GLfloat)op.stepY;
    if (!clipZoomed(gc, &op, box)) return GL_FALSE;
    GLint x0, x1, y0, y1;
    cellsOf(columnAxis(&op), op.nextColumn, op.clip[0], op.clip[2], &x0, &x1);
    cellsOf(rowAxis(&op), op.rowFirst, op.clip[1], op.clip[3], &y0, &y1);
    u->i0 = op.nextColumn, u->i1 = op.endColumn, u->j0 = op.rowFirst, u->j1 = op.rowEnd;
    u->x = x0;
    u->y = __glBufferRow(gc, y0);
    u->dx = op.stepX;
    u->dy = gc->yInverted ? -op.stepY : op.stepY;
    return GL_TRUE;
}

extern "C" GLboolean GLPROC __glSetPixelZoomStart(GlContext*, GlPixelOpRecord* op, int16_t* table) {
    const Axis ax = columnAxis(op);
    const int64_t c0 = op->clip[0], c1 = op->clip[2];
    const GLint step = op->stepX;
    // |zoom| >= 1: one entry per source column, its destination columns;
    // |zoom| < 1: one per destination column, the source columns to the next
    // one's source pixel (source columns without a cell are passed over).
    const bool repeat = fabs(ax.zoom) >= 1.0;
    GLint entries = 0, columns = 0, k = op->nextColumn, last = k;
    while (k < op->endColumn && entries < CHUNK) {
        GLint lo, hi;
        cellsOf(ax, k, c0, c1, &lo, &hi);
        const GLint done = op->columnCells, left = hi - lo - done;
        if (!repeat && (left <= 0 || (entries && k - last > INT16_MAX))) {
            if (left > 0) break;
            k++;
            continue;
        }
        // The column's cells this band takes.
        GLint take = left;
        if (repeat && take > INT16_MAX) {
            if (entries) break;
            take = INT16_MAX;
        }
        if (!repeat && take > CHUNK - entries) take = CHUNK - entries;
        if (entries == 0) {
            op->firstX = step > 0 ? lo + done : hi - 1 - done;
            op->bandColumn = k;
        }
        if (repeat) {
            table[entries++] = (int16_t)take;
        } else {
            if (entries) table[entries - 1] = (int16_t)(k - last);
            for (GLint i = 1; i < take; i++) table[entries + i - 1] = 0;
            entries += take;
        }
        last = k;
        columns += take;
        if (take < left) {
            op->columnCells = done + take;
            break;
        }
        k++, op->columnCells = 0;
    }
    op->nextColumn = k;
    if (entries == 0) return GL_FALSE;
    if (!repeat) table[entries - 1] = 1;
    op->zoomTable = !repeat || fabs(ax.zoom) > 1.0 ? table : nullptr;
    op->width = repeat ? entries : last - op->bandColumn + 1;
    op->columns = columns;
    op->endX = op->firstX + step * columns;
    return GL_TRUE;
}

extern "C" GLboolean GLPROC __glInitDrawPixelsRecord(GlContext* gc, GlPixelOpRecord* op, GLsizei width,
                                                    GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    memset(op, 0, sizeof *op);
    __glSetImageModes(&op->source, format, type, pixels, width, &gc->pixel.unpack);
    initZoomed(gc, op, width, height);
    return __glSetupImageLayout(gc, op);
}

extern "C" void GLPROC __glRunDrawPixels(GlContext* gc, GlPixelOpRecord* op) { runBands(gc, op, kDrawLoops); }

extern "C" void GLPROC __glDrawPixelsSoftware(GlContext* gc, GLsizei width, GLsizei height, GLenum format,
                                             GLenum type, const GLvoid* pixels, GLboolean) {
    if (width <= 0 || height <= 0 || !pixels || !gc->drawBuffer) return;
    GlPixelOpRecord op;
    if (!__glInitDrawPixelsRecord(gc, &op, width, height, format, type, pixels) || !__glClipDrawPixels(gc, &op))
        return;
    const GLint from = __glPixelFormatKind(format);
    const GLint to = from == GL_PIXEL_KIND_INDEX ? __glColorBufferKind(gc) : from;
    op.destination.format = to == GL_PIXEL_KIND_RGBA ? GL_RGBA : format;
    op.destination.type = GL_FLOAT;
    GlPixelOpDesc desc = {2, 1, 1, 1, {}, nullptr, nullptr};
    op.passCount = __glPickSpanModifiers(gc, &op, &desc);
    if (op.passCount < 0 || !desc.writer) return;
    op.writer = desc.writer;
    __glSetupPixelWriter(gc, &op.target, to);
    __glRunDrawPixels(gc, &op);
}

extern "C" void GLPROC __glInitReadPixelsRecord(GlContext* gc, GlPixelOpRecord* op, GLint x, GLint y,
                                                GLsizei width, GLsizei height, GLenum format, GLenum type,
                                                GLvoid* pixels) {
    memset(op, 0, sizeof *op);
    op->readX = (GLfloat)x, op->readY = (GLfloat)y;
    op->width = width, op->height = height;
    op->zoomX = op->zoomY = 1.0f;
    op->destination.format = format, op->destination.type = type, op->destination.data = pixels;
}

extern "C" void GLPROC __glSetPackLayout(GlContext* gc, GlPixelOpRecord* op) {
    GlImageLayout* l = &op->destination;
    __glSetImageModes(l, l->format, l->type, l->data, op->width, &gc->pixel.pack);
}

extern "C" void GLPROC __glReadPixelsSoftware(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height,
                                             GLenum format, GLenum type, GLvoid* pixels) {
    if (width <= 0 || height <= 0 || !pixels) return;
    GlPixelOpRecord op;
    __glInitReadPixelsRecord(gc, &op, x, y, width, height, format, type, pixels);
    __glSetPackLayout(gc, &op);
    // The whole client image must be addressable; then the part inside the
    // drawable is read, from its first client pixel.
    if (!__glSetupDestImageLayout(gc, &op)) return;
    int64_t i0, i1, j0, j1;
    if (!clipToDrawable(gc, x, y, width, height, &i0, &i1, &j0, &j1)) return;
    if (__glPixelFormatKind(format) == GL_PIXEL_KIND_RGBA && !gc->readBuffer) return;
    GlImageLayout* l = &op.destination;
    l->firstPixel = columnOf(l, l->firstPixel + (size_t)j0 * (size_t)l->rowStride, i0, l->bitOffset, &l->bitOffset);
    op.readX = (GLfloat)(x + i0), op.readY = (GLfloat)(y + j0);
    op.width = (GLint)(i1 - i0), op.height = (GLint)(j1 - j0);
    __glRunReadPixels(gc, &op);
}

// An overlapping copy reads the visible source whole, as floats, before
// anything is drawn, and draws that image with the draw loops; with
// |zoomX| < 1 a gathering step picks the bands' columns out of it first.
extern "C" void GLPROC __glCopyPixelsOverlap(GlContext* gc, GlPixelOpRecord* op) {
    const GLint components = op->target.kind == GL_PIXEL_KIND_RGBA ? 4 : 1;
    const int64_t i0 = op->nextColumn, i1 = op->endColumn, j0 = op->rowFirst, j1 = op->rowEnd;
    const uint64_t bytes = (uint64_t)(i1 - i0) * (uint64_t)(j1 - j0) * (uint64_t)components * sizeof(GLfloat);
    GLfloat* image = bytes <= SIZE_MAX ? (GLfloat*)gc->imports.alloc(gc, (size_t)bytes) : nullptr;
    if (!image) return __glSetError(GL_OUT_OF_MEMORY);
    GLfloat* out = image;
    for (int64_t j = j0; j < j1; j++)
        for (int64_t first = i0; first < i1; first += CHUNK) {
            op->width = (GLint)(i1 - first < CHUNK ? i1 - first : CHUNK);
            op->readX = (GLfloat)(op->readColumn0 + first);
            op->readY = (GLfloat)__glBufferRow(gc, (GLint)(op->readRow0 + j));
            op->reader(gc, op, out);
            out += (size_t)op->width * (size_t)components;
        }
    GlImageLayout* l = &op->source;
    l->components = components;
    l->elementSize = 4;
    l->groupSize = components * 4;
    l->rowStride = (GLint)((i1 - i0) * l->groupSize);
    l->firstPixel = (const uint8_t*)image;
    op->sourceColumn0 = (GLint)i0, op->sourceRow0 = (GLint)j0;
    if (fabsf(op->zoomX) < 1.0f) {
        memmove(op->modifiers + 1, op->modifiers, sizeof op->modifiers - sizeof op->modifiers[0]);
        op->modifiers[0] = __glSkipInts;
        op->passCount++;
    }
    __glRunDrawPixels(gc, op);
    gc->imports.free(gc, image);
}

extern "C" void GLPROC __glInitCopyPixelsRecord(GlContext* gc, GlPixelOpRecord* op, GLint x, GLint y,
                                                GLsizei width, GLsizei height, GLenum format) {
    memset(op, 0, sizeof *op);
    initZoomed(gc, op, width, height);
    GLint kind = __glPixelFormatKind(format);
    if (kind == GL_PIXEL_KIND_RGBA || kind == GL_PIXEL_KIND_INDEX) kind = __glColorBufferKind(gc);
    op->target.kind = kind;
    op->destination.format =
        kind == GL_PIXEL_KIND_RGBA ? GL_RGBA : kind == GL_PIXEL_KIND_INDEX ? GL_COLOR_INDEX : format;
    op->destination.type = GL_FLOAT;
    op->readColumn0 = (int64_t)x + gc->limits.windowBiasX;
    op->readRow0 = (int64_t)y + gc->limits.windowBiasY;
}

// The source columns and rows both visible in the drawable and reaching the
// clip box at the destination, and whether the two rectangles overlap.
extern "C" GLboolean GLPROC __glClipCopyPixels(GlContext* gc, GlPixelOpRecord* op) {
    const GlLimits* lim = &gc->limits;
    int64_t i0, i1, j0, j1;
    if (!clipToDrawable(gc, (GLint)(op->readColumn0 - lim->windowBiasX), (GLint)(op->readRow0 - lim->windowBiasY),
                        op->width, op->height, &i0, &i1, &j0, &j1) ||
        !__glClipDrawPixels(gc, op))
        return GL_FALSE;
    if (op->nextColumn < i0) op->nextColumn = (GLint)i0;
    if (op->endColumn > i1) op->endColumn = (GLint)i1;
    if (op->rowFirst < j0) op->rowFirst = (GLint)j0;
    if (op->rowEnd > j1) op->rowEnd = (GLint)j1;
    if (op->nextColumn >= op->endColumn || op->rowFirst >= op->rowEnd) return GL_FALSE;
    // Source and destination rectangles (upward rows) that overlap: the
    // source is read whole first.
    const Axis ax = columnAxis(op), ay = rowAxis(op);
    GLint a0, a1, b0, b1, c0, c1, d0, d1;
    cellsOf(ax, op->nextColumn, op->clip[0], op->clip[2], &a0, &a1);
    cellsOf(ax, op->endColumn - 1, op->clip[0], op->clip[2], &b0, &b1);
    cellsOf(ay, op->rowFirst, op->clip[1], op->clip[3], &c0, &c1);
    cellsOf(ay, op->rowEnd - 1, op->clip[1], op->clip[3], &d0, &d1);
    const int64_t dx0 = a0 < b0 ? a0 : b0, dx1 = a1 > b1 ? a1 : b1, dy0 = c0 < d0 ? c0 : d0, dy1 = c1 > d1 ? c1 : d1;
    const int64_t sx0 = op->readColumn0 + op->nextColumn, sx1 = op->readColumn0 + op->endColumn;
    const int64_t sy0 = op->readRow0 + op->rowFirst, sy1 = op->readRow0 + op->rowEnd;
    op->overlap = dx0 < sx1 && sx0 < dx1 && dy0 < sy1 && sy0 < dy1;
    return GL_TRUE;
}

extern "C" void GLPROC __glRunCopyPixels(GlContext* gc, GlPixelOpRecord* op) {
    // The whole source read first is read contiguously (its columns are
    // picked out of the image afterwards).
    const GLfloat zoomX = op->zoomX;
    if (op->overlap && fabsf(zoomX) < 1.0f) op->zoomX = (GLfloat)op->stepX;
    GlPixelOpDesc desc = {1, 1, 3, 1, {}, nullptr, nullptr};
    op->passCount = __glPickSpanModifiers(gc, op, &desc);
    op->zoomX = zoomX;
    if (op->passCount < 0 || !desc.reader || !desc.writer) return;
    op->reader = desc.reader, op->writer = desc.writer;
    __glSetupPixelWriter(gc, &op->target, op->target.kind);
    if (op->overlap) return __glCopyPixelsOverlap(gc, op);
    runBands(gc, op, kCopyLoops);
}

extern "C" void GLPROC __glCopyPixelsSoftware(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height,
                                             GLenum format) {
    if (width <= 0 || height <= 0 || !gc->drawBuffer) return;
    GlPixelOpRecord op;
    __glInitCopyPixelsRecord(gc, &op, x, y, width, height, format);
    if (op.target.kind == GL_PIXEL_KIND_RGBA && !gc->readBuffer) return;
    if (__glClipCopyPixels(gc, &op)) __glRunCopyPixels(gc, &op);
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
    gc->procs.drawPixels = fast ? __glFastDrawPixels : __glDrawPixelsSoftware;
    gc->procs.readPixels = fast ? __glFastReadPixels : __glReadPixelsSoftware;
    gc->procs.copyPixels = __glCopyPixelsSoftware;
}
