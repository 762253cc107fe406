// glBitmap: the immediate entry, the generic bitmap rasterizer and its picker.
//
// The raster position keeps GL window coordinates plus bias plus 0.5 with y
// upward; fragments address the buffer's rows, which run top-down on an
// inverted drawable.

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "core/beginstate.h"
#include "core/dlist.h"
#include "core/stateutil.h"
#include "core/pickers.h"
#include "geometry/geometry.h"
#include "fragment.h"
#include "pixel/pixel.h"

namespace {

// The fragment every set bit stores: the raster colour, textured at the
// raster position's texture coordinates and fogged by its distance.
void bitmapFragment(GlContext* gc, const GlRasterPos* rp, GlFragment* f) {
    f->z = __glFragmentDepth((GLfloat)((GLdouble)rp->window[2] * (GLdouble)gc->depthFullScale));
    if (gc->pixelFormat.rgba) {
        for (int i = 0; i < 4; i++) f->color[i] = rp->color[i];
    } else {
        f->color[0] = rp->index;
        f->color[1] = f->color[2] = f->color[3] = 0.0f;
    }
    __glPixelFragmentTexFog(gc, f->color);
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

namespace {

template <int N>
inline void storeValue(uint8_t* p, GLuint v) {
    if (N == 1) *p = (uint8_t)v;
    if (N == 2 || N == 3) {
        const uint16_t h = (uint16_t)v;
        memcpy(p, &h, 2);
    }
    if (N == 3) p[2] = (uint8_t)(v >> 16);
    if (N == 4) memcpy(p, &v, 4);
}

// The packed value of the fragment colour at each dither cell, [y & 3][x & 3]
// repeated three times, as the fragment store packs it; kept for the next
// bitmap of the same colour.
const GLuint (*packPattern(GlContext* gc, const GlColorBuffer* cb, bool rgba, const GLfloat* color))[12] {
    GlPixelTransferTables* t = &gc->pixel.tables;
    const GLuint key[4] = {cb->mask[0], cb->mask[1], cb->mask[2], cb->flags};
    bool same = t->bitmapBuffer == cb;
    for (int i = 0; i < 4 && same; i++)
        same = t->bitmapKey[i] == key[i] && __glFloatBits(t->bitmapColor[i]) == __glFloatBits(color[i]);
    if (same) return t->bitmapPattern;
    t->bitmapBuffer = cb;
    memcpy(t->bitmapKey, key, sizeof key);
    memcpy(t->bitmapColor, color, sizeof t->bitmapColor);
    GLuint(*pattern)[12] = t->bitmapPattern;
    const bool dither = (cb->flags & GL_CB_DITHER) != 0;
    for (GLint y = 0; y < 4; y++)
        for (GLint x = 0; x < 4; x++) {
            const GLfloat offset = dither ? __glDitherOffset(x, y) : 0.5f;
            if (rgba) {
                pattern[y][x] = __glDibPackColor(cb, color, offset);
            } else {
                const GLfloat v = color[0] + offset;
                pattern[y][x] = (v > 0.0f ? (GLuint)v : 0u) & cb->writeMask;
            }
            pattern[y][x + 4] = pattern[y][x + 8] = pattern[y][x];
        }
    return pattern;
}

// Set bits of columns [c0, c1) of one bitmap row, column c at row + c x N
// (c0 < 8: the row starts at the first byte that holds a column to draw);
// value[j] is the value of the columns c with c & 7 = j (8 spans two dither periods).
template <int N>
void bitmapRow(uint8_t* row, const GLubyte* bits, GLint c0, GLint c1, const GLuint* value) {
    for (GLint c = 0; c < c1; c += 8) {
        GLuint b = bits[c >> 3];
        if (c < c0) b &= 0xFFu >> (c0 - c);
        if (c + 8 > c1) b &= 0xFFu << (c + 8 - c1);
        uint8_t* d = row + (ptrdiff_t)c * N;
        if (b & 0x80) storeValue<N>(d, value[0]);
        if (b & 0x40) storeValue<N>(d + N, value[1]);
        if (b & 0x20) storeValue<N>(d + 2 * N, value[2]);
        if (b & 0x10) storeValue<N>(d + 3 * N, value[3]);
        if (b & 0x08) storeValue<N>(d + 4 * N, value[4]);
        if (b & 0x04) storeValue<N>(d + 5 * N, value[5]);
        if (b & 0x02) storeValue<N>(d + 6 * N, value[6]);
        if (b & 0x01) storeValue<N>(d + 7 * N, value[7]);
    }
}

// Bitmaps of one byte a row with no column clipped (glyphs): rows [0, rows)
// of `bits`, the columns of `mask`; value[r & 3] the values of row r.
template <int N>
void bitmapByteRows(uint8_t* row, ptrdiff_t stride, const GLubyte* bits, GLint rows, GLuint mask,
                    const GLuint* const value[4]) {
    for (GLint r = 0; r < rows; r++, row += stride) {
        const GLuint b = bits[r] & mask;
        if (!b) continue;
        const GLuint* v = value[r & 3];
        if (b & 0x80) storeValue<N>(row, v[0]);
        if (b & 0x40) storeValue<N>(row + N, v[1]);
        if (b & 0x20) storeValue<N>(row + 2 * N, v[2]);
        if (b & 0x10) storeValue<N>(row + 3 * N, v[3]);
        if (b & 0x08) storeValue<N>(row + 4 * N, v[4]);
        if (b & 0x04) storeValue<N>(row + 5 * N, v[5]);
        if (b & 0x02) storeValue<N>(row + 6 * N, v[6]);
        if (b & 0x01) storeValue<N>(row + 7 * N, v[7]);
    }
}

// glBitmap straight into a 1-, 2-, 3- or 4-byte buffer: one packed value per
// dither cell, stored at each set bit inside the clip box.
template <int N>
void GLPROC fastBitmap(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                       GLfloat ymove, const GLubyte* image) {
    GlRasterPos* rp = &gc->current.raster;
    const bool rgba = gc->pixelFormat.rgba != 0;
    GlColorBuffer* targets[2];
    const GLint count = __glFragmentStoreTargets(gc, targets);
    bool plain = count >= 0;
    for (GLint i = 0; i < count && plain; i++)
        plain = targets[i]->buf.elementSize == N && __glDirectColorBuffer(targets[i], rgba);
    if (!plain || !rp->valid || gc->renderMode != GL_RENDER || !image || width <= 0 || height <= 0)
        return __glRasterizeBitmap(gc, width, height, xorig, yorig, xmove, ymove, image);
    const GLfloat fx = rp->window[0] - xorig - 0.5f, fy = rp->window[1] - yorig - 0.5f;
    if (fabsf(fx) < 1e9f && fabsf(fy) < 1e9f && count > 0) {
        GlFragment f;
        bitmapFragment(gc, rp, &f);
        const GLint x0 = (GLint)fx, step = gc->yInverted ? -1 : 1;
        const GLint* box = gc->span.clipBox;
        const int64_t lo = (int64_t)box[0] - x0, hi = (int64_t)box[2] - x0;
        const GLint c0 = lo > 0 ? (GLint)(lo < width ? lo : width) : 0;
        const GLint c1 = hi < width ? (hi > 0 ? (GLint)hi : 0) : width;
        const GLsizei rowBytes = (width + 7) / 8;
        const GlLimits* l = &gc->limits;
        for (GLint b = 0; b < count && c0 < c1; b++) {
            GlColorBuffer* cb = targets[b];
            const GLuint(*pattern)[12] = packPattern(gc, cb, rgba, f.color);
            const GLint phase = x0 & 3;
            // Bitmap rows [r0, r1) lie inside the clip box's rows.
            const GLint y0 = __glBufferRow(gc, (GLint)fy);
            const GLint cs = c0 & ~7;
            const int64_t a = step > 0 ? (int64_t)box[1] - y0 : (int64_t)y0 - (box[3] - 1);
            const int64_t e = step > 0 ? (int64_t)box[3] - y0 : (int64_t)y0 - box[1] + 1;
            const GLint r0 = a > 0 ? (GLint)(a < height ? a : height) : 0;
            const GLint r1 = e < height ? (e > 0 ? (GLint)e : 0) : height;
            GLint y = y0 + step * r0;
            const GLubyte* bits = image + (size_t)r0 * (size_t)rowBytes + (cs >> 3);
            uint8_t* row = cb->buf.base + (ptrdiff_t)(y - l->windowBiasY) * cb->buf.stride +
                           (ptrdiff_t)(x0 + cs - l->windowBiasX) * N;
            const ptrdiff_t stride = (ptrdiff_t)step * cb->buf.stride;
            if (width <= 8 && c0 == 0 && c1 == width) {
                const GLuint* value[4];
                for (GLint k = 0; k < 4; k++) value[k] = pattern[(y + step * k) & 3] + phase;
                bitmapByteRows<N>(row, stride, bits, r1 - r0, (0xFF00u >> width) & 0xFFu, value);
                continue;
            }
            for (GLint r = r0; r < r1; r++, y += step, bits += rowBytes, row += stride)
                bitmapRow<N>(row, bits, c0 - cs, c1 - cs, pattern[y & 3] + phase);
        }
    }
    rp->window[0] += xmove;
    rp->window[1] += ymove;
}

// Fragment operations the fast bitmaps do not perform.
constexpr GLuint kBitmapFragmentFlags = GL_RF_DEPTH_TEST | GL_RF_STENCIL | GL_RF_LOGIC_OP | GL_RF_BLEND |
                                        GL_RF_ALPHA_TEST | GL_RF_WRITE_MASK | GL_RF_INDEX_TEST | GL_RF_CLIP_LIST;

}  // namespace

extern "C" void GLPROC __glFastBitmap(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                                     GLfloat xmove, GLfloat ymove, const GLubyte* image) {
    fastBitmap<1>(gc, width, height, xorig, yorig, xmove, ymove, image);
}
extern "C" void GLPROC __glFastBitmap16(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig,
                                       GLfloat yorig, GLfloat xmove, GLfloat ymove, const GLubyte* image) {
    fastBitmap<2>(gc, width, height, xorig, yorig, xmove, ymove, image);
}
extern "C" void GLPROC __glFastBitmap24(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig,
                                       GLfloat yorig, GLfloat xmove, GLfloat ymove, const GLubyte* image) {
    fastBitmap<3>(gc, width, height, xorig, yorig, xmove, ymove, image);
}
extern "C" void GLPROC __glFastBitmap32(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig,
                                       GLfloat yorig, GLfloat xmove, GLfloat ymove, const GLubyte* image) {
    fastBitmap<4>(gc, width, height, xorig, yorig, xmove, ymove, image);
}

// The fast procedures check their buffers on each call and hand anything
// else to the generic one, which the hardware picker chooses.
extern "C" void GLPROC __glPickBitmapProc(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    __glHwPickBitmapProc(gc);
    const GlColorBuffer* cb = gc->drawBuffer;
    if ((gc->rasterFlags & kBitmapFragmentFlags) || !cb || __glPixelFastPathsDisabled()) return;
    if (!gc->pixelFormat.rgba) {
        if (cb->buf.elementSize == 1) p->rasterizeBitmap = __glFastBitmap;
        return;
    }
    static const GlBitmapProc bySize[4] = {nullptr, __glFastBitmap16, __glFastBitmap24, __glFastBitmap32};
    if (cb->buf.elementSize >= 2 && cb->buf.elementSize <= 4) p->rasterizeBitmap = bySize[cb->buf.elementSize - 1];
}

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
    // Rows already packed (whole bytes, most significant bit first, no skips):
    // the caller's bitmap as it is.
    const GlPixelStoreModes* u = &gc->pixel.unpack;
    const GLint rowBytes = (width + 7) / 8, align = u->alignment > 0 ? u->alignment : 1;
    if (!u->lsbFirst && u->skipPixels <= 0 && u->skipRows <= 0 && (u->rowLength <= 0 || u->rowLength == width) &&
        (rowBytes % align == 0 || height == 1))
        return gc->procs.rasterizeBitmap(gc, width, height, xorig, yorig, xmove, ymove, bitmap);
    const uint64_t bytes = ((uint64_t)width + 7) / 8 * (uint64_t)height;
    GLubyte* image = bytes <= SIZE_MAX ? (GLubyte*)gc->imports.alloc(gc, (size_t)bytes) : nullptr;
    if (!image) return __glSetError(GL_OUT_OF_MEMORY);
    __glCopyImageToList(gc, width, height, GL_COLOR_INDEX, GL_BITMAP, bitmap, image);
    gc->procs.rasterizeBitmap(gc, width, height, xorig, yorig, xmove, ymove, image);
    gc->imports.free(gc, image);
}
