// The accumulation buffer: storage, clear and the five glAccum operations.
//
// An element holds red, green, blue, alpha as signed 16-bit values, 32767
// standing for 1.0. A colour component v in buffer units (0 .. maximum of the
// front buffer) is v x scale with scale = 32767 / maximum. Conversions to 16
// bits truncate toward zero and every result saturates to the 16-bit range.
// The operations cover the window clip box (scissor included); element
// (x, y) lies at the colour buffers' row and column of (x, y).

#include "accum.h"
#include "core/beginstate.h"
#include "depthstencil.h"
#include "wgl/drawable.h"

namespace {

enum { ACCUM_ONE = 32767, ACCUM_MIN = -32768, ACCUM_MAX = 32767, ROW_CHUNK = 128 };

typedef int16_t AccumElement[4];

struct AccumScales {
    GLfloat scale[4];         // colour-buffer units -> accumulation units
    GLfloat inverseScale[4];  // and back
};

void scalesOf(const GlContext* gc, AccumScales* s) {
    const GlColorBuffer* cb = gc->fb.frontBuffer;
    for (int i = 0; i < 4; i++) {
        const GLfloat maximum = (GLfloat)cb->maximum[i];
        s->scale[i] = (GLfloat)ACCUM_ONE / maximum;
        s->inverseScale[i] = maximum / (GLfloat)ACCUM_ONE;
    }
}

// Truncated toward zero; bounded first so that the conversion is defined for
// any float (NaN counts as 0).
GLint truncated(GLfloat f) {
    if (f != f) return 0;
    if (f > 65536.0f) return 65536;
    if (f < -65536.0f) return -65536;
    return (GLint)f;
}

GLint rounded(GLfloat f) { return truncated(f < 0.0f ? f - 0.5f : f + 0.5f); }

int16_t saturated(GLint v) { return (int16_t)(v < ACCUM_MIN ? ACCUM_MIN : v > ACCUM_MAX ? ACCUM_MAX : v); }

GLint mini(GLint a, GLint b) { return a < b ? a : b; }
GLint maxi(GLint a, GLint b) { return a > b ? a : b; }

AccumElement* elementAt(GlContext* gc, GLint x, GLint y) {
    return (AccumElement*)__glBufferAddress(&gc->fb.accum, gc, x, y);
}

// The window clip box (biased, right and top exclusive) limited to the
// accumulation storage and to the colour buffers it reads and writes.
bool operationBox(GlContext* gc, GLint box[4]) {
    const GlFramebuffer* fb = &gc->fb;
    if (!fb->accum.base) return false;
    const GLint bx = gc->limits.windowBiasX, by = gc->limits.windowBiasY;
    GLint w = fb->accum.width, h = fb->accum.height;
    const GlColorBuffer* colorBuffers[2] = {fb->frontBuffer, fb->backBuffer};
    for (const GlColorBuffer* cb : colorBuffers) {
        if (!cb) continue;
        w = mini(w, cb->buf.width);
        h = mini(h, cb->buf.height);
    }
    const GLint* clip = gc->span.clipBox;
    box[0] = maxi(clip[0], bx);
    box[1] = maxi(clip[1], by);
    box[2] = mini(clip[2], bx + w);
    box[3] = mini(clip[3], by + h);
    return box[0] < box[2] && box[1] < box[3];
}

// Runs op(x, y, element) over the operation box.
template <class Op>
void forEachElement(GlContext* gc, Op op) {
    GLint box[4];
    if (!operationBox(gc, box)) return;
    for (GLint y = box[1]; y < box[3]; y++) {
        AccumElement* e = elementAt(gc, box[0], y);
        for (GLint x = box[0]; x < box[2]; x++, e++) op(x, y, *e);
    }
}

GlColorBuffer* readColorBuffer(GlContext* gc) { return gc->readBuffer ? gc->readBuffer : gc->fb.frontBuffer; }

// GL_LOAD (add false) and GL_ACCUM (add true): the read buffer's colours
// times scale times value.
void readColors(GlContext* gc, GLfloat value, bool add) {
    GlColorBuffer* cb = readColorBuffer(gc);
    if (!cb || !cb->readPixel) return;
    AccumScales s;
    scalesOf(gc, &s);
    forEachElement(gc, [&](GLint x, GLint y, AccumElement& e) {
        GLfloat c[4];
        cb->readPixel(cb, x, y, c);
        for (int i = 0; i < 4; i++) {
            const GLint v = truncated(c[i] * s.scale[i] * value);
            e[i] = saturated(add ? e[i] + v : v);
        }
    });
}

void GLPROC accumLoad(GlContext* gc, GLfloat value) { readColors(gc, value, false); }
void GLPROC accumAccum(GlContext* gc, GLfloat value) { readColors(gc, value, true); }

void GLPROC accumMult(GlContext* gc, GLfloat value) {
    forEachElement(gc, [&](GLint, GLint, AccumElement& e) {
        for (int i = 0; i < 4; i++) e[i] = saturated(truncated((GLfloat)e[i] * value));
    });
}

// value x maximum in accumulation units, rounded to nearest on both sides of zero.
void GLPROC accumAdd(GlContext* gc, GLfloat value) {
    const GLint k = rounded(value * (GLfloat)ACCUM_ONE);
    forEachElement(gc, [&](GLint, GLint, AccumElement& e) {
        for (int i = 0; i < 4; i++) e[i] = saturated(e[i] + k);
    });
}

// GL_RETURN: each row in colour-buffer units to the draw buffer's
// returnAccumSpan (front, then back when drawing to both).
void GLPROC accumReturn(GlContext* gc, GLfloat value) {
    GLint box[4];
    if (!operationBox(gc, box)) return;
    GlFramebuffer* fb = &gc->fb;
    GlColorBuffer* targets[2] = {gc->drawBuffer ? gc->drawBuffer : fb->frontBuffer, nullptr};
    if (gc->bothBuffers && fb->backBuffer) targets[0] = fb->frontBuffer, targets[1] = fb->backBuffer;
    AccumScales s;
    scalesOf(gc, &s);
    GLfloat colors[ROW_CHUNK * 4];
    for (GLint y = box[1]; y < box[3]; y++) {
        for (GLint x0 = box[0]; x0 < box[2]; x0 += ROW_CHUNK) {
            const GLint n = mini(ROW_CHUNK, box[2] - x0);
            const AccumElement* e = elementAt(gc, x0, y);
            for (GLint i = 0; i < n; i++)
                for (int k = 0; k < 4; k++) colors[4 * i + k] = (GLfloat)e[i][k] * s.inverseScale[k];
            for (GlColorBuffer* cb : targets)
                if (cb && cb->returnAccumSpan) cb->returnAccumSpan(cb, x0, y, colors, value, n);
        }
    }
}

typedef void (GLPROC* AccumOpProc)(GlContext* gc, GLfloat value);
struct AccumOp {
    GLenum op;
    AccumOpProc run;
};
constexpr AccumOp accumOps[] = {
    {GL_ACCUM, accumAccum}, {GL_LOAD, accumLoad}, {GL_RETURN, accumReturn}, {GL_MULT, accumMult}, {GL_ADD, accumAdd},
};

}  // namespace

extern "C" void GLPROC __glInitAccumBuffer(GlBufferObject* b, GlContext* gc) {
    __glInitBufferObject(b, gc);
    b->elementSize = sizeof(AccumElement);
    b->elementShift = 3;
    b->bits = 64;
    gc->fb.clearAccum = __glClearAccumBuffer;
}

extern "C" void GLPROC __glClearAccumBuffer(GlContext* gc) {
    GlBufferObject* b = &gc->fb.accum;
    GLint box[4];
    if (!__glStorageClearBox(gc, b, box)) return;
    AccumElement value;
    for (int i = 0; i < 4; i++) value[i] = saturated(truncated(gc->accum.clearColor[i] * (GLfloat)ACCUM_ONE));
    for (GLint y = box[1]; y < box[3]; y++) {
        AccumElement* e = (AccumElement*)(b->base + y * b->stride) + box[0];
        for (GLint x = box[0]; x < box[2]; x++, e++)
            for (int i = 0; i < 4; i++) (*e)[i] = value[i];
    }
}

extern "C" void GLIMM __glImmAccum(GLenum op, GLfloat value) {
    GlThreadState* ts = __glThreadState();
    switch (__glDrawPrologue(ts)) {
    case GL_DRAW_REFUSED: return;
    case GL_DRAW_VALIDATED: return glAccum(op, value);
    case GL_DRAW_ACT: break;
    }
    GlContext* gc = ts->context;
    if (!gc->pixelFormat.accumPresent || !gc->pixelFormat.rgba) return __glSetError(GL_INVALID_OPERATION);
    AccumOpProc run = nullptr;
    for (const AccumOp& o : accumOps)
        if (o.op == op) run = o.run;
    if (!run) return __glSetError(GL_INVALID_ENUM);
    if (gc->renderMode != GL_RENDER) return;
    run(gc, value);
}
