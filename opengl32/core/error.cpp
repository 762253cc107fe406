// GL errors, render mode and the GL strings.

#include <stdio.h>
#include <stdlib.h>
#include "glcontext.h"

extern "C" void GLPROC __glSetError(GLenum code) {
    if (getenv("GLERRORABORT")) {
        fputs("__glSetError(): GLERRORABORT set, aborting.\n", stderr);
        abort();
    }
    GlContext* gc = __glCurrentContext();
    if (gc->errorCode == 0) gc->errorCode = code;
}

extern "C" GLenum GLIMM __glImmGetError(void) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) {
        __glSetError(GL_INVALID_OPERATION);
        return 0;
    }
    GlContext* gc = ts->context;
    GLenum code = gc->errorCode;
    gc->errorCode = 0;
    return code;
}

extern "C" GLint GLIMM __glImmRenderMode(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = ts->context;
    if (ts->beginState == GL_BEGIN_INSIDE) {
        __glSetError(GL_INVALID_OPERATION);
        return 0;
    }
    if (mode < GL_RENDER || mode > GL_SELECT) {
        __glSetError(GL_INVALID_ENUM);
        return 0;
    }
    if ((mode == GL_FEEDBACK && !gc->feedback.start) || (mode == GL_SELECT && !gc->select.start)) {
        __glSetError(GL_INVALID_OPERATION);
        return 0;
    }

    GLint result = 0;
    switch (gc->renderMode) {
    case GL_FEEDBACK:
        result = gc->feedback.overflow ? -1 : (GLint)(gc->feedback.position - gc->feedback.start);
        break;
    case GL_SELECT:
        result = gc->select.overflow ? -1 : gc->select.hitCount;
        break;
    }

    gc->renderMode = mode;
    ts->beginState = GL_BEGIN_NEEDS_VALIDATE;
    gc->dirtyPickers |= GL_DIRTY_GENERIC;
    if (mode == GL_FEEDBACK) {
        gc->feedback.position = gc->feedback.start;
        gc->feedback.overflow = 0;
    } else if (mode == GL_SELECT) {
        GlSelectState* s = &gc->select;
        s->position = s->start;
        s->overflow = 0;
        s->nameStackPtr = s->nameStackBase;
        s->hitRecorded = 0;
        s->hitCount = 0;
        s->pendingDepth = 0;
    }
    return result;
}

extern "C" const GLubyte* GLIMM __glImmGetString(GLenum name) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) {
        __glSetError(GL_INVALID_OPERATION);
        return nullptr;
    }
    const GlConstants* k = &ts->context->constants;
    switch (name) {
    case GL_VENDOR: return (const GLubyte*)k->vendor;
    case GL_RENDERER: return (const GLubyte*)k->renderer;
    case GL_VERSION: return (const GLubyte*)k->version;
    case GL_EXTENSIONS: return (const GLubyte*)k->extensions;
    }
    __glSetError(GL_INVALID_ENUM);
    return nullptr;
}
