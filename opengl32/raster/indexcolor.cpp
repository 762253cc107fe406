// Colour-index colour buffer: 1-, 2- or 4-byte elements, single-fragment
// stores with dither, logic op and write mask, readers and clears.

#include <string.h>
#include "core/glcontext.h"
#include "fill.h"
#include "wgl/drawable.h"

namespace {

template <typename T>
inline T* elementAddress(const GlColorBuffer* cb, GLint x, GLint y) {
    const GlLimits* l = &cb->buf.context->limits;
    return (T*)(cb->buf.base + (y - l->windowBiasY) * cb->buf.stride) + (x - l->windowBiasX);
}

template <typename T>
void GLPROC storeIndexFragment(GlColorBuffer* cb, const GlFragment* f) {
    if ((cb->flags & GL_CB_CLIP_LIST) && !__glTestWindowPixel(cb, f->x, f->y)) return;
    const GLfloat offset = (cb->flags & GL_CB_DITHER) ? __glDitherOffset(f->x, f->y) : 0.5f;
    const GLfloat v = f->color[0] + offset;
    GLuint value = v > 0.0f ? (GLuint)v : 0u;
    T* p = elementAddress<T>(cb, f->x, f->y);
    const GLuint old = *p;
    if (cb->flags & GL_CB_LOGIC_OP) value = __glLogicOp(cb->buf.context->colorBuffer.logicOp, value, old);
    *p = (T)((old & cb->keepMask) | (value & cb->writeMask));
}

template <typename T>
void GLPROC readIndex(GlColorBuffer* cb, GLint x, GLint y, GLfloat* out) {
    *out = (GLfloat)*elementAddress<T>(cb, x, y);
}

void GLPROC storeIndexSpan(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n) {
    GlFragment f = {x, y, 0, {0, 0, 0, 0}};
    for (GLint i = 0; i < n; i++, colors += 4) {
        f.x = x + i;
        f.color[0] = colors[0];
        cb->storeFragment(cb, &f);
    }
}

GLuint GLPROC storeIndexSpanMasked(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n,
                                   const GLuint* coverage) {
    GlFragment f = {x, y, 0, {0, 0, 0, 0}};
    for (GLint i = 0; i < n; i++, colors += 4) {
        if (!(coverage[i >> 5] & (0x80000000u >> (i & 31)))) continue;
        f.x = x + i;
        f.color[0] = colors[0];
        cb->storeFragment(cb, &f);
    }
    return 0;
}

// Every pixel through the fragment store, logic op off; dither and masks apply.
void GLPROC clearIndexRect(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1) {
    GlFragment f = {0, 0, 0, {cb->buf.context->colorBuffer.clearIndex, 0, 0, 0}};
    for (f.y = y0; f.y < y1; f.y++)
        for (f.x = x0; f.x < x1; f.x++) cb->storeFragment(cb, &f);
}

void GLPROC clearIndexBuffer(GlContext* gc, GlColorBuffer* cb) {
    const GLuint saved = cb->flags;
    cb->flags &= ~(GLuint)GL_CB_LOGIC_OP;
    __glForEachClearRect(gc, cb, clearIndexRect);
    cb->flags = saved;
}

void GLPROC clearIndex8DitherRect(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1) {
    const GLfloat ci = cb->buf.context->colorBuffer.clearIndex;
    uint8_t pattern[4][4];
    for (int r = 0; r < 4; r++)
        for (int k = 0; k < 4; k++) pattern[r][k] = (uint8_t)(GLuint)(ci + __glDitherOffset(k, r));
    uint8_t rows[4][4];
    const uint8_t* patterns[4];
    for (GLint r = 0; r < 4; r++) {
        for (GLint k = 0; k < 4; k++) rows[r][k] = pattern[(y0 + r) & 3][(x0 + k) & 3];
        patterns[r] = rows[r];
    }
    __glFillPattern(elementAddress<uint8_t>(cb, x0, y0), (size_t)(x1 - x0), y1 - y0, cb->buf.stride, patterns, 4);
}

void GLPROC clearIndex8Rect(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1) {
    const uint8_t v = (uint8_t)(GLuint)(cb->buf.context->colorBuffer.clearIndex + 0.5f);
    GlDrawableBuffer* desc = cb->buf.desc;
    if (desc && desc->fill) {
        const GlLimits* l = &cb->buf.context->limits;
        desc->fill(desc, cb->buf.context->fb.drawable, v, x0 - l->windowBiasX, y0 - l->windowBiasY, x1 - x0,
                   y1 - y0);
        return;
    }
    const GLint stride = cb->buf.stride;
    __glFill8(cb->buf.context, elementAddress<uint8_t>(cb, x0, y0), x1 - x0, y1 - y0, stride - (x1 - x0), v);
}

void GLPROC clearIndex8Dither(GlContext* gc, GlColorBuffer* cb) { __glForEachClearRect(gc, cb, clearIndex8DitherRect); }
void GLPROC clearIndex8(GlContext* gc, GlColorBuffer* cb) { __glForEachClearRect(gc, cb, clearIndex8Rect); }

void GLPROC pickIndex(GlContext* gc, GlColorBuffer* cb) {
    const GLuint wm = gc->colorBuffer.indexWriteMask;
    if (gc->colorBuffer.drawBuffer == GL_NONE) {
        cb->writeMask = 0;
        cb->keepMask = cb->fullMask;
    } else {
        cb->writeMask = wm & cb->fullMask;
        cb->keepMask = ~wm & cb->fullMask;
    }
    const GLuint es = cb->buf.elementSize;
    cb->byteElements = es == 1;
    const GLuint en = gc->enables.general;
    GLuint flags = 0;
    if ((en & GL_EN_DITHER) && es < 3) flags |= GL_CB_DITHER;
    if (en & GL_EN_INDEX_LOGIC_OP) flags |= GL_CB_LOGIC_OP;
    WglDrawable* d = gc->fb.drawable;
    const GLenum db = gc->colorBuffer.drawBuffer;
    if (d && d->clipRectCount && cb == gc->fb.frontBuffer && (db == GL_FRONT || db == GL_FRONT_AND_BACK))
        flags |= GL_CB_CLIP_LIST;
    cb->flags = flags;
    cb->storeFragment = es == 2 ? storeIndexFragment<uint16_t>
                        : es == 4 ? storeIndexFragment<uint32_t>
                                  : storeIndexFragment<uint8_t>;
    const bool allWritable = cb->writeMask == cb->fullMask;
    if (allWritable && es == 1) cb->clear = (flags & GL_CB_DITHER) ? clearIndex8Dither : clearIndex8;
    else cb->clear = clearIndexBuffer;
}

// Rows a multiple of 4 bytes.
void GLPROC resizeIndex(GlBufferObject* b, GLint width, GLint height) {
    __glResizeBufferObject(b, __glPaddedWidth(width, b->elementSize, 4), height);
}

}  // namespace

extern "C" GLboolean GLPROC __glIsIndex8ColorBuffer(const GlColorBuffer* cb) {
    return cb->storeFragment == storeIndexFragment<uint8_t> && cb->buf.elementSize == 1;
}

extern "C" void GLPROC __glInitColorBuffer(GlColorBuffer* cb, GlContext* gc) {
    __glInitBufferObject(&cb->buf, gc);
    const GLuint bits = gc->pixelFormat.colorBits;
    cb->buf.resize = resizeIndex;
    cb->buf.elementSize = bits > 16 ? 4 : bits > 8 ? 2 : 1;
    cb->buf.bits = bits;
    cb->byteElements = cb->buf.elementSize == 1;
    cb->fullMask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    cb->needsSpanOps = 0;
    cb->redScale = cb->greenScale = cb->blueScale = cb->alphaScale = 1.0f;
    cb->storeSpanPerPixel = __glStoreSpanPerPixel;
    cb->fetchSpanA = cb->fetchSpanB = __glFetchBlendSpan;
    cb->clear = clearIndexBuffer;
    cb->pick = pickIndex;
    cb->storeSpanA = storeIndexSpan;
    cb->storeSpanB = storeIndexSpanMasked;
    cb->readIndex = bits >= 17 ? readIndex<uint32_t> : bits < 9 ? readIndex<uint8_t> : readIndex<uint16_t>;
    cb->readIndex2 = cb->readIndex;
    cb->storeFragment = storeIndexFragment<uint8_t>;
    cb->formatCode = bits == 8 ? GL_FORMAT_INDEX8 : GL_FORMAT_OTHER;
}
