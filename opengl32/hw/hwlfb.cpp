// Colour buffers of a hardware context over the board's linear frame buffer:
// single-pixel reads, fragment and span stores for the software paths
// (bitmaps, pixel rectangles, fall-backs). Every lock is released before the
// procedure returns, on every path.

#include "hwcontext.h"
#include "ravix2x.h"
#include "raster/glbuffer.h"

namespace {

inline bool insideClipBox(const GlContext* gc, GLint x, GLint y) {
    const GLint* box = gc->span.clipBox;
    return x >= box[0] && x < box[2] && y >= box[1] && y < box[3];
}

inline GLuint channel(GLfloat c, GLfloat offset) {
    const GLfloat f = c + offset;
    return f <= 0.0f ? 0u : f >= 255.0f ? 255u : (GLuint)f;
}

// Stores n fragments from (x, y) rightward, those whose coverage bit is set
// (all without coverage): blended first (the blend reads the board under its
// own lock), then one write lock for the run.
void storeRun(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n, const GLuint* coverage) {
    GlContext* gc = cb->buf.context;
    if (!gc) return;
    enum { CHUNK = 32 };
    GLfloat blended[CHUNK][4];
    for (GLint first = 0; first < n; first += CHUNK) {
        const GLint count = n - first < CHUNK ? n - first : CHUNK;
        GLuint live = 0;
        for (GLint i = 0; i < count; i++) {
            const GLint k = first + i;
            if (coverage && !(coverage[k >> 5] & (0x80000000u >> (k & 31)))) continue;
            if (!insideClipBox(gc, x + k, y)) continue;
            live |= 1u << i;
            const GLfloat* c = colors + 4 * k;
            if (cb->flags & GL_CB_BLEND) {
                const GlFragment f = {x + k, y, 0, {c[0], c[1], c[2], c[3]}};
                gc->procs.blendSpan(gc, cb, &f, blended[i]);
            } else {
                for (int j = 0; j < 4; j++) blended[i][j] = c[j];
            }
        }
        if (!live) continue;
        const GlHwLfbLock lock(RV_LFB_WRITE_ONLY, __glHwBoardBuffer(cb));
        if (!lock.held) return;
        for (GLint i = 0; i < count; i++) {
            if (!(live & (1u << i))) continue;
            const GLint px = x + first + i;
            uint16_t* p = lock.pixel(gc, px, y);
            if (!p) continue;
            const GLfloat off = (cb->flags & GL_CB_DITHER) ? __glDitherOffset(px, y) : 0.5f;
            const GLfloat* c = blended[i];
            GLuint v = __glHwPack565(c, off);
            const GLuint d = *p;
            if (cb->flags & GL_CB_LOGIC_OP) v = __glLogicOp(gc->colorBuffer.logicOp, v, d);
            *p = (uint16_t)((d & cb->keepMask) | (v & cb->writeMask));
        }
    }
}

void GLPROC storeFragment(GlColorBuffer* cb, const GlFragment* f) {
    GlFragment one = *f;
    storeRun(cb, one.x, one.y, one.color, 1, nullptr);
}

void GLPROC storeSpan(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n) {
    storeRun(cb, x, y, colors, n, nullptr);
}

GLuint GLPROC storeSpanMasked(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n,
                              const GLuint* coverage) {
    storeRun(cb, x, y, colors, n, coverage);
    return 0;
}

// 5-6-5 expanded to 0-255 components; the board keeps no alpha, which reads
// as full (255) like any buffer without alpha bits.
void GLPROC readPixel(GlColorBuffer* cb, GLint x, GLint y, GLfloat out[4]) {
    out[0] = out[1] = out[2] = out[3] = 0.0f;
    const GlContext* gc = cb->buf.context;
    if (!gc) return;
    const GlHwLfbLock lock(RV_LFB_READ_ONLY, __glHwBoardBuffer(cb));
    const uint16_t* p = lock.pixel(gc, x, y);
    if (!p) return;
    const GLuint d = *p;
    out[0] = (GLfloat)(((d >> 8) & 0xF8) | (d >> 13));
    out[1] = (GLfloat)(((d >> 3) & 0xFC) | ((d >> 9) & 3));
    out[2] = (GLfloat)(((d << 3) & 0xF8) | ((d >> 2) & 7));
    out[3] = 255.0f;
}

// Write mask: the 5-6-5 fields whose colour-mask flag is on (none while the
// draw buffer is GL_NONE); flags as the software buffers take them.
void GLPROC pickColorStore(GlContext* gc, GlColorBuffer* cb) {
    static const GLuint fields[3] = {0xF800, 0x07E0, 0x001F};
    GLuint write = 0;
    for (int i = 0; i < 3; i++)
        if (gc->colorBuffer.colorWriteMask[i]) write |= fields[i];
    if (gc->colorBuffer.drawBuffer == GL_NONE) write = 0;
    cb->writeMask = write;
    cb->keepMask = 0xFFFFu & ~write;
    const GLuint en = gc->enables.general;
    GLuint flags = 0;
    if (en & GL_EN_DITHER) flags |= GL_CB_DITHER;
    if (en & GL_EN_COLOR_LOGIC_OP) flags |= GL_CB_LOGIC_OP;
    else if (en & GL_EN_BLEND) flags |= GL_CB_BLEND;
    cb->flags = flags;
}

void GLPROC clearNothing(GlContext*, GlColorBuffer*) {}  // glClear clears on the board

// Rows padded to 16 bytes.
void GLPROC resizeColorBuffer(GlBufferObject* b, GLint width, GLint height) {
    const GLint es = (GLint)b->elementSize;
    b->width = ((width * es + 15) & ~15) / es;
    b->height = height;
}

}  // namespace

extern "C" int32_t GLPROC __glHwBoardBuffer(const GlColorBuffer* cb) {
    GlContext* gc = cb->buf.context;
    return gc && cb == &gc->fb.back && __glHw(gc)->hwBoardBuffers == 2 ? RV_BUFFER_BACK : RV_BUFFER_FRONT;
}

extern "C" GLuint GLPROC __glHwPack565(const GLfloat* c, GLfloat offset) {
    return (channel(c[0], offset) >> 3) << 11 | (channel(c[1], offset) & 0xFC) << 3 | channel(c[2], offset) >> 3;
}

extern "C" void GLPROC __glHwInitColorBuffer(GlColorBuffer* cb, GlContext* gc) {
    __glInitBufferObject(&cb->buf, gc);
    cb->buf.resize = resizeColorBuffer;
    cb->buf.elementSize = 2;
    cb->buf.bits = 16;
    cb->formatCode = GL_FORMAT_565;
    cb->fullMask = 0xFFFFu;
    cb->redScale = cb->greenScale = cb->blueScale = cb->alphaScale = 255.0f;
    // Component records in 0-255 units for the generic paths.
    for (int i = 0; i < 4; i++) {
        cb->shift[i] = 8u * (GLuint)(2 - i) & 31u;
        cb->maximum[i] = 255;
        cb->mask[i] = 0xFFu << cb->shift[i];
    }
    cb->pick = pickColorStore;
    cb->storeFragment = storeFragment;
    cb->storeSpanPerPixel = storeSpan;
    cb->storeSpanA = storeSpan;
    cb->storeSpanB = storeSpanMasked;
    cb->fetchSpanA = cb->fetchSpanB = __glFetchBlendSpan;
    cb->readPixel = readPixel;
    cb->clear = clearNothing;
}
