// Make-current and lose-current of a software context.

#include "glcontext.h"
#include "services.h"

extern "C" GLboolean GLPROC __glBufferLockNop(GlContext*) { return GL_TRUE; }

// A software context on a window presents nothing; the drawable swaps its own.
extern "C" void GLPROC __glSwapBuffersProc(GlContext*) {}

extern "C" void GLPROC __glGenericValidate(GlContext* gc) {
    gc->dirtyPickers = 0;
    gc->dirtyTables = 0;
    gc->contextFlags |= GL_CONTEXT_VALIDATED;
}

static GLboolean GLPROC freeContext(GlContext* gc) { return __glDestroyContext(gc); }

extern "C" GLboolean GLPROC __glMakeCurrent(GlContext* gc) {
    GlThreadState* ts = __glThreadState();
    ts->context = gc;
    ts->beginState = gc->savedBeginState;

    gc->immediateDispatch = __glImmediateDispatch;
    gc->liveDispatch = &gc->immediateDispatch;
    gc->compileDispatch = __glCompileDispatch;
    ts->beginState = GL_BEGIN_NEEDS_VALIDATE;

    const GLuint flags = gc->contextFlags;
    if (!(flags & GL_CONTEXT_INSTALLED)) {
        gc->procs.validate = __glGenericValidate;
        gc->procs.fullValidate = __glGenericValidate;
        gc->procs.flush = (void(GLPROC*)(GlContext*))__glNop;
        gc->procs.finish = (void(GLPROC*)(GlContext*))__glNop;
        gc->procs.beginPrimitive = (void(GLPROC*)(GlContext*, GLenum))__glNop;
        gc->procs.swapBuffers = __glSwapBuffersProc;
        gc->procs.destroyContext = freeContext;
    }
    if (!(flags & (GL_CONTEXT_INSTALLED | GL_CONTEXT_FRESH_CURRENT))) {
        __glSetStateDefaults(gc);
        GLint w = 0, h = 0;
        gc->imports.getDrawableSize(gc, &w, &h);
        typedef void(GLIMM * BoxProc)(GLint, GLint, GLsizei, GLsizei);
        ((BoxProc)gc->immediateDispatch.entry[GL_SLOT_Viewport - GL_FIRST_SLOT])(0, 0, w, h);
        ((BoxProc)gc->immediateDispatch.entry[GL_SLOT_Scissor - GL_FIRST_SLOT])(0, 0, w, h);
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
    gc->savedBeginState = ts->beginState;
    ts->context = __wglNullContext;
    return GL_TRUE;
}
