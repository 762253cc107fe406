// Make-current and lose-current of a software context.

#include "glcontext.h"
#include "services.h"
#include "geometry/geometry.h"
#include "raster/glbuffer.h"
#include "wgl/drawable.h"

extern "C" GLboolean GLPROC __glBufferLockNop(GlContext*) { return GL_TRUE; }

// A colour buffer's drawable area through its description's present
// procedure: nothing where drawing is seen as it happens (DIB sections, and
// windows, whose software image is not copied to the screen).
static void present(GlContext* gc, GlColorBuffer* cb) {
    GlDrawableBuffer* desc = cb ? cb->buf.desc : nullptr;
    if (desc && desc->present && gc->fb.drawable)
        desc->present(desc, gc->fb.drawable, 0, 0, gc->drawableWidth, gc->drawableHeight);
}

// glFlush and glFinish: drawing in the front buffer is seen once flushed.
extern "C" void GLPROC __glPresentFrontBuffer(GlContext* gc) {
    switch (gc->colorBuffer.drawBuffer) {
    case GL_FRONT:
    case GL_FRONT_LEFT:
    case GL_LEFT:
    case GL_FRONT_AND_BACK: present(gc, gc->fb.frontBuffer);
    }
}

// The buffer swap presents the back buffer.
extern "C" void GLPROC __glSwapBuffersProc(GlContext* gc) { present(gc, gc->fb.backBuffer); }

// procs.destroyContext after the first make-current: the buffers first.
extern "C" GLboolean GLPROC __glFreeContext(GlContext* gc) {
    __glFreeBuffers(gc);
    return __glDestroyContext(gc);
}

extern "C" GLboolean GLPROC __glMakeCurrent(GlContext* gc) {
    GlThreadState* ts = __glThreadState();
    const GLuint flags = gc->contextFlags;
    const bool first = !(flags & GL_CONTEXT_INSTALLED);
    if (first && !__glInitBuffers(gc)) return GL_FALSE;  // a format the buffers cannot address

    ts->context = gc;
    ts->beginState = gc->savedBeginState;
    gc->immediateDispatch = __glImmediateDispatch;
    gc->liveDispatch = &gc->immediateDispatch;
    gc->compileDispatch = __glCompileDispatch;
    ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
    gc->dirtyPickers |= GL_DIRTY_DEPTH;

    __glAttachDrawable(gc);
    const WglDrawable* d = gc->fb.drawable;
    const GLuint topDown = d ? d->topDown : 0;
    if (first || gc->yInverted != topDown) {
        gc->yInverted = topDown;
        gc->yDirection = topDown ? -1 : 1;
        ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
        gc->dirtyPickers |= GL_DIRTY_ALL_PICKERS;
    }
    if (first) {
        gc->procs.flush = __glPresentFrontBuffer;
        gc->procs.finish = __glPresentFrontBuffer;
        gc->procs.beginPrimitive = (void(GLPROC*)(GlContext*, GLenum))__glNop;
        __glInstallProcs(gc);
        gc->procs.swapBuffers = __glSwapBuffersProc;
        gc->procs.destroyContext = __glFreeContext;
    }
    return __glFinishMakeCurrent(gc, ts, flags, __glComputeViewportTransform);
}

// The common end of every kind of make-current: defaults and the first
// viewport and scissor of a fresh context, or the drawable's size again;
// validation, colour scales, and the dispatch table the thread runs on.
extern "C" GLboolean GLPROC __glFinishMakeCurrent(GlContext* gc, GlThreadState* ts, GLuint flags,
                                                 void (GLPROC* viewportTransform)(GlContext* gc)) {
    if (!(flags & (GL_CONTEXT_INSTALLED | GL_CONTEXT_FRESH_CURRENT))) {
        __glSetStateDefaults(gc);
        GLint w = 0, h = 0;
        gc->imports.getDrawableSize(gc, &w, &h);
        typedef void(GLIMM * BoxProc)(GLint, GLint, GLsizei, GLsizei);
        ((BoxProc)gc->immediateDispatch.entry[GL_SLOT_Viewport - GL_FIRST_SLOT])(0, 0, w, h);
        ((BoxProc)gc->immediateDispatch.entry[GL_SLOT_Scissor - GL_FIRST_SLOT])(0, 0, w, h);
    } else {
        __glUpdateDrawableSize(gc);
        viewportTransform(gc);
    }
    if (!(flags & GL_CONTEXT_VALIDATED)) gc->procs.validate(gc);
    __glRescaleColors(gc);

    if (gc->listCompiling) {
        gc->liveDispatch = &gc->savedDispatch;
        ts->dispatch = gc->compileDispatch;
    } else {
        gc->liveDispatch = &ts->dispatch;
        ts->dispatch = gc->immediateDispatch;
    }
    gc->contextFlags = (gc->contextFlags | GL_CONTEXT_VALIDATED | GL_CONTEXT_INSTALLED) &
                       ~GL_CONTEXT_FRESH_CURRENT;
    return GL_TRUE;
}

extern "C" GLboolean GLPROC __glLoseCurrent(GlContext* gc) {
    GlThreadState* ts = __glThreadState();
    if (gc->renderMode != GL_RENDER || ts->beginState == GL_BEGIN_INSIDE) return GL_FALSE;
    __glDetachBuffers(gc);
    gc->savedBeginState = ts->beginState;
    ts->context = __wglNullContext;
    return GL_TRUE;
}
