// RGBA colour buffer of packed 1-, 2-, 3- or 4-byte pixels (DIB sections,
// memory bitmaps, or storage the buffer allocates): layout from the masks,
// fragment and span stores, readers and clears.

#include "core/glcontext.h"
#include "wgl/drawable.h"
#include "fill.h"

const uint8_t __glDitherMatrix4x4[4][4] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

namespace {

// Packed pixel access by size in bytes.
template <int N>
inline GLuint loadPixel(const uint8_t* p) {
    if (N == 1) return p[0];
    if (N == 2) return (GLuint)p[0] | (GLuint)p[1] << 8;
    if (N == 3) return (GLuint)p[0] | (GLuint)p[1] << 8 | (GLuint)p[2] << 16;
    return (GLuint)p[0] | (GLuint)p[1] << 8 | (GLuint)p[2] << 16 | (GLuint)p[3] << 24;
}
template <int N>
inline void storePixel(uint8_t* p, GLuint v) {
    p[0] = (uint8_t)v;
    if (N >= 2) p[1] = (uint8_t)(v >> 8);
    if (N >= 3) p[2] = (uint8_t)(v >> 16);
    if (N >= 4) p[3] = (uint8_t)(v >> 24);
}

inline uint8_t* pixelAddress(const GlColorBuffer* cb, GLint x, GLint y, int n) {
    const GlLimits* l = &cb->buf.context->limits;
    return cb->buf.base + (y - l->windowBiasY) * cb->buf.stride + (x - l->windowBiasX) * n;
}

inline bool ownsPixel(GlColorBuffer* cb, GLint x, GLint y) {
    return !(cb->flags & GL_CB_CLIP_LIST) || __glTestWindowPixel(cb, x, y);
}

// Components in buffer units plus offset, truncated, in their fields; alpha
// only when the format has alpha bits.
inline GLuint packColor(const GlColorBuffer* cb, const GLfloat c[4], GLfloat offset) {
    GLuint v = 0;
    for (int i = 0; i < 4; i++) {
        if (!cb->mask[i]) continue;
        GLfloat f = c[i] + offset;
        GLuint u = f > 0.0f ? (GLuint)f : 0u;
        if (u > cb->maximum[i]) u = cb->maximum[i];
        v |= u << cb->shift[i];
    }
    return v;
}

template <int N>
void GLPROC storeFragment(GlColorBuffer* cb, const GlFragment* f) {
    if (!ownsPixel(cb, f->x, f->y)) return;
    const GLfloat offset = (cb->flags & GL_CB_DITHER) ? __glDitherOffset(f->x, f->y) : 0.5f;
    uint8_t* p = pixelAddress(cb, f->x, f->y, N);
    const GLuint old = loadPixel<N>(p);
    GLfloat blended[4];
    const GLfloat* c = f->color;
    if (cb->flags & GL_CB_BLEND) {
        GlContext* gc = cb->buf.context;
        gc->procs.blendSpan(gc, cb, f, blended);
        c = blended;
    }
    GLuint v = packColor(cb, c, offset);
    if (cb->flags & GL_CB_LOGIC_OP) v = __glLogicOp(cb->buf.context->colorBuffer.logicOp, v, old);
    storePixel<N>(p, (v & cb->writeMask) | (old & cb->keepMask));
}

template <int N>
void GLPROC readPixel(GlColorBuffer* cb, GLint x, GLint y, GLfloat out[4]) {
    const GLuint v = loadPixel<N>(pixelAddress(cb, x, y, N));
    for (int i = 0; i < 4; i++)
        out[i] = cb->mask[i] ? (GLfloat)((v & cb->mask[i]) >> cb->shift[i]) : (GLfloat)cb->maximum[i];
}

// Direct span stores: every bit writable, no blend, no logic op.
template <int N, bool Dither>
void GLPROC storeSpanDirect(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n) {
    for (GLint i = 0; i < n; i++, colors += 4) {
        if (!ownsPixel(cb, x + i, y)) continue;
        const GLfloat offset = Dither ? __glDitherOffset(x + i, y) : 0.5f;
        storePixel<N>(pixelAddress(cb, x + i, y, N), packColor(cb, colors, offset));
    }
}

void GLPROC storeSpan(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n) {
    GlFragment f = {x, y, 0, {0, 0, 0, 0}};
    for (GLint i = 0; i < n; i++, colors += 4) {
        f.x = x + i;
        for (int k = 0; k < 4; k++) f.color[k] = colors[k];
        cb->storeFragment(cb, &f);
    }
}

GLuint GLPROC storeSpanMasked(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n,
                              const GLuint* coverage) {
    GlFragment f = {x, y, 0, {0, 0, 0, 0}};
    for (GLint i = 0; i < n; i++, colors += 4) {
        if (!(coverage[i >> 5] & (0x80000000u >> (i & 31)))) continue;
        f.x = x + i;
        for (int k = 0; k < 4; k++) f.color[k] = colors[k];
        cb->storeFragment(cb, &f);
    }
    return 0;
}

// GL_RETURN: accumulated colours (buffer units) times value, clamped to the
// component range, through the fragment store; the write mask, dither and
// window ownership apply, blending and the logic op do not.
void GLPROC returnAccumSpan(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* accum, GLfloat value, GLint n) {
    const GLuint saved = cb->flags;
    cb->flags &= ~(GLuint)(GL_CB_LOGIC_OP | GL_CB_BLEND);
    GlFragment f = {x, y, 0, {0, 0, 0, 0}};
    for (GLint i = 0; i < n; i++, accum += 4) {
        f.x = x + i;
        for (int k = 0; k < 4; k++) {
            const GLfloat c = accum[k] * value, maximum = (GLfloat)cb->maximum[k];
            f.color[k] = c > 0.0f ? (c < maximum ? c : maximum) : 0.0f;
        }
        cb->storeFragment(cb, &f);
    }
    cb->flags = saved;
}

// Clears.

// The clear colour in buffer units.
void clearColor(const GlContext* gc, const GlColorBuffer* cb, GLfloat out[4]) {
    for (int i = 0; i < 4; i++) out[i] = gc->colorBuffer.clearColor[i] * (GLfloat)cb->maximum[i];
}

// Per pixel through the fragment store, without blending and logic op.
void GLPROC clearRectPerPixel(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1) {
    GlFragment f = {0, 0, 0, {0, 0, 0, 0}};
    clearColor(cb->buf.context, cb, f.color);
    for (f.y = y0; f.y < y1; f.y++)
        for (f.x = x0; f.x < x1; f.x++) cb->storeFragment(cb, &f);
}

void GLPROC clearPerPixel(GlContext* gc, GlColorBuffer* cb) {
    const GLuint saved = cb->flags;
    cb->flags &= ~(GLuint)(GL_CB_LOGIC_OP | GL_CB_BLEND);
    __glForEachClearRect(gc, cb, clearRectPerPixel);
    cb->flags = saved;
}

// Rows y0 .. y1 - 1 from x0 to x1 with pattern[y & 3][x & 3].
template <int N>
void fillRows(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1, const GLuint pattern[4][4]) {
    uint8_t bytes[4][4 * N];
    const uint8_t* rows[4];
    for (GLint r = 0; r < 4; r++) {
        for (GLint k = 0; k < 4; k++) storePixel<N>(bytes[r] + k * N, pattern[(y0 + r) & 3][(x0 + k) & 3]);
        rows[r] = bytes[r];
    }
    __glFillPattern(pixelAddress(cb, x0, y0, N), (size_t)(x1 - x0) * N, y1 - y0, cb->buf.stride, rows, 4 * N);
}

// Rounded clear value in every pixel; the drawable's fill procedure when it has one.
template <int N>
void GLPROC clearRectFill(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1) {
    GLfloat c[4];
    clearColor(cb->buf.context, cb, c);
    const GLuint v = packColor(cb, c, 0.5f);
    GlDrawableBuffer* desc = cb->buf.desc;
    if (desc && desc->fill) {
        const GlLimits* l = &cb->buf.context->limits;
        desc->fill(desc, cb->buf.context->fb.drawable, v, x0 - l->windowBiasX, y0 - l->windowBiasY, x1 - x0,
                   y1 - y0);
        return;
    }
    const GLuint pattern[4][4] = {{v, v, v, v}, {v, v, v, v}, {v, v, v, v}, {v, v, v, v}};
    fillRows<N>(cb, x0, y0, x1, y1, pattern);
}

// 4x4 pattern of the clear colour with the dither offsets, row (y & 3).
template <int N>
void GLPROC clearRectDither(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1) {
    GLfloat c[4];
    clearColor(cb->buf.context, cb, c);
    GLuint pattern[4][4];
    for (int r = 0; r < 4; r++)
        for (int k = 0; k < 4; k++) pattern[r][k] = packColor(cb, c, __glDitherOffset(k, r));
    fillRows<N>(cb, x0, y0, x1, y1, pattern);
}

template <int N>
void GLPROC clearFill(GlContext* gc, GlColorBuffer* cb) {
    __glForEachClearRect(gc, cb, clearRectFill<N>);
}
template <int N>
void GLPROC clearDither(GlContext* gc, GlColorBuffer* cb) {
    __glForEachClearRect(gc, cb, clearRectDither<N>);
}

// Per element size 1..4.
struct DibProcs {
    void (GLPROC* storeFragment)(GlColorBuffer*, const GlFragment*);
    void (GLPROC* readPixel)(GlColorBuffer*, GLint, GLint, GLfloat*);
    void (GLPROC* storeDirect)(GlColorBuffer*, GLint, GLint, const GLfloat*, GLint);
    void (GLPROC* storeDither)(GlColorBuffer*, GLint, GLint, const GLfloat*, GLint);
    void (GLPROC* clearFill)(GlContext*, GlColorBuffer*);
    void (GLPROC* clearDither)(GlContext*, GlColorBuffer*);
};
#define DIB_PROCS(N)                                                                             \
    {storeFragment<N>, readPixel<N>, storeSpanDirect<N, false>, storeSpanDirect<N, true>, clearFill<N>, \
     clearDither<N>}
const DibProcs dibProcs[5] = {{}, DIB_PROCS(1), DIB_PROCS(2), DIB_PROCS(3), DIB_PROCS(4)};
#undef DIB_PROCS

GLuint lowestBit(GLuint mask) {
    GLuint s = 0;
    if (!mask) return 0;
    while (!(mask & 1)) mask >>= 1, s++;
    return s;
}

GLuint bitCount(GLuint v) {
    GLuint n = 0;
    for (; v; v &= v - 1) n++;
    return n;
}

GLuint formatCodeOf(GLuint bytes, const GLuint shift[4], GLuint alphaMask) {
    const GLuint r = shift[0], g = shift[1], b = shift[2];
    if (bytes == 1 && r == 5 && g == 2 && b == 0) return GL_FORMAT_332;
    if (bytes == 2 && r == 10 && g == 5 && b == 0) return GL_FORMAT_555;
    if (bytes == 2 && r == 11 && g == 5 && b == 0) return GL_FORMAT_565;
    if (bytes == 3 && r == 16 && g == 8 && b == 0) return GL_FORMAT_888;
    if (bytes == 4 && !alphaMask && r == 16 && g == 8 && b == 0) return GL_FORMAT_X888;
    return GL_FORMAT_OTHER;
}

// Component layout, maxima and element size from a format's masks.
void setLayout(GlColorBuffer* cb, const GlPixelFormatInfo* f) {
    const GLuint masks[4] = {f->redMask, f->greenMask, f->blueMask, f->alphaMask};
    cb->fullMask = 0;
    for (int i = 0; i < 4; i++) {
        cb->mask[i] = masks[i];
        cb->shift[i] = lowestBit(masks[i]);
        cb->maximum[i] = masks[i] ? masks[i] >> cb->shift[i] : 255u;
        cb->fullMask |= masks[i];
    }
    cb->redScale = (GLfloat)cb->maximum[0];
    cb->greenScale = (GLfloat)cb->maximum[1];
    cb->blueScale = (GLfloat)cb->maximum[2];
    cb->alphaScale = (GLfloat)cb->maximum[3];
    cb->buf.bits = bitCount(cb->fullMask);
    const GLuint bytes = (f->colorBits + 7) / 8;
    cb->buf.elementSize = bytes >= 1 && bytes <= 4 ? bytes : 1;
    cb->byteElements = cb->buf.elementSize == 1;
    cb->formatCode = formatCodeOf(bytes, cb->shift, f->alphaMask);
    cb->readPixel = bytes >= 1 && bytes <= 4 && (f->colorBits % 8) == 0 ? dibProcs[bytes].readPixel : nullptr;
}

// A DIB drawable's layout is its bitmap's (masks of the drawable's format copy).
void GLPROC attachDib(GlBufferObject* b, GlDrawableBuffer* desc, GlContext* gc) {
    __glAttachBufferObject(b, desc, gc);
    WglDrawable* d = gc->fb.drawable;
    if (d && d->formatInfo && d->initialised) setLayout((GlColorBuffer*)b, d->formatInfo);
}

// Rows padded to 16 bytes.
void GLPROC resizeDib(GlBufferObject* b, GLint width, GLint height) {
    __glResizeBufferObject(b, __glPaddedWidth(width, b->elementSize, 16), height);
}

void GLPROC pickDib(GlContext* gc, GlColorBuffer* cb) {
    GLuint write = 0;
    for (int i = 0; i < 4; i++)
        if (gc->colorBuffer.colorWriteMask[i]) write |= cb->mask[i];
    if (gc->colorBuffer.drawBuffer == GL_NONE) write = 0;
    cb->writeMask = write;
    cb->keepMask = cb->fullMask & ~write;

    const GLuint es = cb->buf.elementSize;
    const GLuint en = gc->enables.general;
    GLuint flags = 0;
    if ((en & GL_EN_DITHER) && es < 3) flags |= GL_CB_DITHER;
    if (en & GL_EN_COLOR_LOGIC_OP) flags |= GL_CB_LOGIC_OP;
    // The logic op replaces blending.
    if ((en & GL_EN_BLEND) && !(en & GL_EN_COLOR_LOGIC_OP)) flags |= GL_CB_BLEND;
    WglDrawable* d = gc->fb.drawable;
    const GLenum db = gc->colorBuffer.drawBuffer;
    if (d && d->clipRectCount && cb == gc->fb.frontBuffer && (db == GL_FRONT || db == GL_FRONT_AND_BACK))
        flags |= GL_CB_CLIP_LIST;
    cb->flags = flags;

    const DibProcs& p = dibProcs[es <= 4 ? es : 0];
    cb->storeFragment = p.storeFragment;
    const bool allWritable = write == cb->fullMask;
    const bool plain = allWritable && !(flags & (GL_CB_BLEND | GL_CB_LOGIC_OP));
    cb->storeSpanA = storeSpan;
    if (plain && (es == 2 || es == 3)) cb->storeSpanA = (flags & GL_CB_DITHER) ? p.storeDither : p.storeDirect;
    if (!allWritable) cb->clear = clearPerPixel;
    else if (flags & GL_CB_DITHER) cb->clear = p.clearDither;
    else cb->clear = p.clearFill;
}

}  // namespace

extern "C" GLboolean GLPROC __glIsDibColorBuffer(const GlColorBuffer* cb) {
    for (int n = 1; n <= 4; n++)
        if (cb->storeFragment == dibProcs[n].storeFragment) return GL_TRUE;
    return GL_FALSE;
}

extern "C" GLuint GLPROC __glDibPackColor(const GlColorBuffer* cb, const GLfloat color[4], GLfloat offset) {
    return packColor(cb, color, offset);
}

extern "C" void GLPROC __glStoreSpanPerPixel(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n) {
    storeSpan(cb, x, y, colors, n);
}

extern "C" void GLPROC __glFetchBlendSpan(GlColorBuffer* cb, GLint x, GLint y, GLfloat* colors, GLint n) {
    if (!cb->readPixel) return;
    for (GLint i = 0; i < n; i++, colors += 4) cb->readPixel(cb, x + i, y, colors);
}

extern "C" void GLPROC __glInitDibColorBuffer(GlColorBuffer* cb, GlContext* gc) {
    __glInitBufferObject(&cb->buf, gc);
    cb->buf.attach = attachDib;
    cb->buf.resize = resizeDib;
    cb->needsSpanOps = 0;
    cb->storeSpanPerPixel = __glStoreSpanPerPixel;
    cb->returnAccumSpan = returnAccumSpan;
    cb->fetchSpanA = cb->fetchSpanB = __glFetchBlendSpan;
    cb->clear = clearPerPixel;
    cb->pick = pickDib;
    cb->storeSpanA = storeSpan;
    cb->storeSpanB = storeSpanMasked;
    setLayout(cb, &gc->pixelFormat);
    cb->storeFragment = dibProcs[cb->buf.elementSize].storeFragment;
}
