// Feedback and selection: the buffers, the name stack, and the point, line
// and triangle procedures of GL_FEEDBACK and GL_SELECT modes.

#include <string.h>
#include "core/beginstate.h"
#include "geometry.h"

// ---- Feedback.

extern "C" void GLPROC __glFeedbackWord(GlContext* gc, GLfloat w) {
    GlFeedbackState* f = &gc->feedback;
    if (f->overflow) return;
    if (f->position < f->end) *f->position++ = w;
    else f->overflow = 1;
}

// GL window coordinates: the stored ones less the bias and 0.5, y mirrored
// back on a top-down drawable.
extern "C" void GLPROC __glFeedbackVertex(GlContext* gc, GlVertex* v) {
    const GLenum type = gc->feedbackType;
    const GLfloat x = v->window[0] - 0.5f - gc->limits.windowBiasXf;
    GLfloat y = v->window[1] - 0.5f - gc->limits.windowBiasYf;
    if (gc->yInverted) y = (GLfloat)gc->drawableHeight - y;
    __glFeedbackWord(gc, x);
    __glFeedbackWord(gc, y);
    if (type == GL_2D) return;
    __glFeedbackWord(gc, (GLfloat)((GLdouble)v->window[2] / (GLdouble)gc->depthFullScale));
    if (type == GL_4D_COLOR_TEXTURE) __glFeedbackWord(gc, v->clip[3]);
    if (type == GL_3D) return;
    const GLfloat* c = v->color;
    if (gc->pixelFormat.rgba) {
        const GLfloat* inv = gc->constants.invColorScale;
        for (int i = 0; i < 4; i++) __glFeedbackWord(gc, c[i] * inv[i]);
    } else {
        __glFeedbackWord(gc, c[0]);
    }
    if (type == GL_3D_COLOR) return;
    for (int i = 0; i < 4; i++) __glFeedbackWord(gc, v->texCoord[i]);
}

extern "C" void GLPROC __glFeedbackClipVertex(GlContext* gc, GlVertex* v) {
    __glCompleteVertex(gc, v, gc->frontNeeds | GL_VX_TEXGEN);
    if (!(v->flags & GL_VX_TEX_DIVIDED)) return __glFeedbackVertex(gc, v);
    GLfloat saved[4];
    memcpy(saved, v->texCoord, 16);
    const GLfloat w = v->clip[3];
    v->texCoord[0] *= w, v->texCoord[1] *= w, v->texCoord[3] *= w;
    __glFeedbackVertex(gc, v);
    memcpy(v->texCoord, saved, 16);
}

extern "C" void GLPROC __glFeedbackPoint(GlContext* gc, GlVertex* v) {
    if (v->flags & GL_VX_CLIPPED) return;
    __glCompleteVertex(gc, v, gc->frontNeeds);
    __glFeedbackWord(gc, (GLfloat)GL_POINT_TOKEN);
    __glFeedbackClipVertex(gc, v);
}

static void feedbackLineToken(GlContext* gc) {
    if (!gc->lineResetPending) {
        gc->lineResetPending = 1;
        __glFeedbackWord(gc, (GLfloat)GL_LINE_RESET_TOKEN);
    } else {
        __glFeedbackWord(gc, (GLfloat)GL_LINE_TOKEN);
    }
}

extern "C" void GLPROC __glFeedbackLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    __glCompleteVertex(gc, a, gc->frontNeeds);
    __glCompleteVertex(gc, b, gc->frontNeeds);
    GLfloat* saved = a->color;
    if (!gc->smoothShading) a->color = b->color;
    feedbackLineToken(gc);
    __glFeedbackClipVertex(gc, a);
    __glFeedbackClipVertex(gc, b);
    a->color = saved;
}

extern "C" void GLPROC __glFeedbackTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    const GLuint face = __glTriangleFace(gc, a, b, c);
    if (gc->cullFaceCode == 3 || face == gc->cullFaceCode) return;
    const GLuint colorFace = gc->twoSided ? face : 0;
    GlVertex* v[3] = {a, b, c};
    if (!gc->smoothShading) {
        GlVertex* p = gc->provokingVertex;
        __glCompleteVertex(gc, p, gc->faceNeeds[face] & 0x1B);
        GLfloat* col = colorFace ? p->backColor : p->frontColor;
        for (int i = 0; i < 3; i++) {
            v[i]->color = col;
            __glCompleteVertex(gc, v[i], gc->frontNeeds);
        }
    } else {
        for (int i = 0; i < 3; i++) {
            v[i]->color = colorFace ? v[i]->backColor : v[i]->frontColor;
            __glCompleteVertex(gc, v[i], gc->frontNeeds | gc->faceNeeds[face]);
        }
    }
    const GLuint mode = face ? gc->polygonModeBack : gc->polygonModeFront;
    if (mode == 0) {
        for (int i = 0; i < 3; i++) {
            if (!v[i]->edgeFlag) continue;
            __glFeedbackWord(gc, (GLfloat)GL_POINT_TOKEN);
            __glFeedbackClipVertex(gc, v[i]);
        }
    } else if (mode == 1) {
        for (int i = 0; i < 3; i++) {
            if (!v[i]->edgeFlag) continue;
            feedbackLineToken(gc);
            __glFeedbackClipVertex(gc, v[i]);
            __glFeedbackClipVertex(gc, v[(i + 1) % 3]);
        }
    } else {
        __glFeedbackWord(gc, (GLfloat)GL_POLYGON_TOKEN);
        __glFeedbackWord(gc, 3.0f);
        for (int i = 0; i < 3; i++) __glFeedbackClipVertex(gc, v[i]);
    }
    for (int i = 0; i < 3; i++) v[i]->color = v[i]->frontColor;
    if (gc->provokingVertex) gc->provokingVertex->color = gc->provokingVertex->frontColor;
}

static void feedbackToken(GlContext* gc, GLenum token, GlVertex* v) {
    __glFeedbackWord(gc, (GLfloat)token);
    __glFeedbackVertex(gc, v);
}
extern "C" void GLPROC __glFeedbackBitmap(GlContext* gc, GlVertex* v) { feedbackToken(gc, GL_BITMAP_TOKEN, v); }
extern "C" void GLPROC __glFeedbackDrawPixel(GlContext* gc, GlVertex* v) { feedbackToken(gc, GL_DRAW_PIXEL_TOKEN, v); }
extern "C" void GLPROC __glFeedbackCopyPixel(GlContext* gc, GlVertex* v) { feedbackToken(gc, GL_COPY_PIXEL_TOKEN, v); }

extern "C" void GLIMM __glImmFeedbackBuffer(GLsizei size, GLenum type, GLfloat* buffer) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = ts->context;
    if (ts->beginState == GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    if (type < GL_2D || type > GL_4D_COLOR_TEXTURE) return __glSetError(GL_INVALID_ENUM);
    if (size < 0) return __glSetError(GL_INVALID_VALUE);
    if (gc->renderMode == GL_FEEDBACK) return __glSetError(GL_INVALID_OPERATION);
    gc->feedback.start = gc->feedback.position = buffer;
    gc->feedback.end = buffer + size;
    gc->feedback.overflow = 0;
    gc->feedbackType = type;
}

extern "C" void GLIMM __glImmPassThrough(GLfloat token) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    GlContext* gc = ts->context;
    if (gc->renderMode != GL_FEEDBACK) return;
    __glFeedbackWord(gc, (GLfloat)GL_PASS_THROUGH_TOKEN);
    __glFeedbackWord(gc, token);
}

extern "C" void GLIMM __glImmFinish(void) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    ts->context->procs.finish(ts->context);
}
extern "C" void GLIMM __glImmFlush(void) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    ts->context->procs.flush(ts->context);
}

// ---- Selection.

// Window depth to the hit scale: [0, depth maximum] onto [0, 2^32 - 1], for
// every depth kind.
static GLuint hitDepth(const GlContext* gc, GLfloat z) {
    const GLdouble scale = (GLdouble)4294964992.0f / (GLdouble)gc->depthFullScale;
    return (GLuint)(int64_t)((GLdouble)z * scale);
}

static bool selectWord(GlSelectState* s, GLuint w) {
    if (s->position >= s->end) {
        s->overflow = 1;
        return false;
    }
    *s->position++ = w;
    return true;
}

extern "C" void GLPROC __glSelectRecordHit(GlContext* gc, GLfloat z) {
    GlSelectState* s = &gc->select;
    if (s->overflow) return;
    const GLuint d = hitDepth(gc, z);
    if (s->hitRecorded) {
        GLuint* r = gc->selectOpenRecord;
        if (d < r[0]) r[0] = d;
        if (r + 1 < s->end && d > r[1]) r[1] = d;
        return;
    }
    s->hitRecorded = 1;
    const GLuint names = (GLuint)(s->nameStackPtr - s->nameStackBase);
    if (!selectWord(s, names)) return;
    s->hitCount++;
    gc->selectOpenRecord = s->position;
    if (!selectWord(s, d) || !selectWord(s, d)) return;
    for (GLuint i = 0; i < names; i++)
        if (!selectWord(s, s->nameStackBase[i])) return;
}

extern "C" void GLPROC __glSelectPoint(GlContext* gc, GlVertex* v) {
    if (v->flags & GL_VX_CLIPPED) return;
    __glSelectRecordHit(gc, v->window[2]);
}
extern "C" void GLPROC __glSelectLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    __glSelectRecordHit(gc, a->window[2]);
    __glSelectRecordHit(gc, b->window[2]);
}
extern "C" void GLPROC __glSelectTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    if (gc->cullFaceCode == 3) return;
    if (gc->cullFaceCode != 2 && __glTriangleFace(gc, a, b, c) == gc->cullFaceCode) return;
    __glSelectRecordHit(gc, a->window[2]);
    __glSelectRecordHit(gc, b->window[2]);
    __glSelectRecordHit(gc, c->window[2]);
}

extern "C" void GLIMM __glImmSelectBuffer(GLsizei size, GLuint* buffer) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = ts->context;
    if (ts->beginState == GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION);
    if (size < 0) return __glSetError(GL_INVALID_VALUE);
    if (gc->renderMode == GL_SELECT) return __glSetError(GL_INVALID_OPERATION);
    gc->select.overflow = 0;
    gc->select.start = gc->select.position = buffer;
    gc->select.end = buffer + size;
}

// The name-stack calls act only in GL_SELECT mode.
static GlContext* nameContext() {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) {
        __glSetError(GL_INVALID_OPERATION);
        return nullptr;
    }
    return ts->context->renderMode == GL_SELECT ? ts->context : nullptr;
}

extern "C" void GLIMM __glImmInitNames(void) {
    GlContext* gc = nameContext();
    if (!gc) return;
    gc->select.nameStackPtr = gc->select.nameStackBase;
    gc->select.hitRecorded = 0;
}
extern "C" void GLIMM __glImmLoadName(GLuint name) {
    GlContext* gc = nameContext();
    if (!gc) return;
    GlSelectState* s = &gc->select;
    if (s->nameStackPtr == s->nameStackBase) return __glSetError(GL_INVALID_OPERATION);
    s->nameStackPtr[-1] = name;
    s->hitRecorded = 0;
}
extern "C" void GLIMM __glImmPushName(GLuint name) {
    GlContext* gc = nameContext();
    if (!gc) return;
    GlSelectState* s = &gc->select;
    if (s->nameStackPtr - s->nameStackBase >= gc->limits.maxNameStackDepth) return __glSetError(GL_STACK_OVERFLOW);
    *s->nameStackPtr++ = name;
    s->hitRecorded = 0;
}
extern "C" void GLIMM __glImmPopName(void) {
    GlContext* gc = nameContext();
    if (!gc) return;
    GlSelectState* s = &gc->select;
    if (s->nameStackPtr == s->nameStackBase) return __glSetError(GL_STACK_UNDERFLOW);
    s->nameStackPtr--;
    s->hitRecorded = 0;
}
