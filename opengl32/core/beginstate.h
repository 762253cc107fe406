// The begin-state protocol every implementation follows.
#pragma once

#include "glcontext.h"

// State setters and queries: refused (GL_INVALID_OPERATION) between glBegin and glEnd.
static inline bool __glSetterAllowed(GlThreadState* ts) {
    if (ts->beginState != GL_BEGIN_INSIDE) return true;
    __glSetError(GL_INVALID_OPERATION);
    return false;
}

// Drawing and pixel calls: refused between glBegin and glEnd; pending state
// changes are validated first.
enum GlDrawPrologue { GL_DRAW_ACT, GL_DRAW_VALIDATED, GL_DRAW_REFUSED };
static inline GlDrawPrologue __glDrawPrologue(GlThreadState* ts) {
    switch (ts->beginState) {
    case GL_BEGIN_OUTSIDE:
        return GL_DRAW_ACT;
    case GL_BEGIN_NEEDS_VALIDATE: {
        GlContext* gc = ts->context;
        gc->procs.validate(gc);
        ts->beginState = GL_BEGIN_OUTSIDE;
        return GL_DRAW_VALIDATED;
    }
    default:
        __glSetError(GL_INVALID_OPERATION);
        return GL_DRAW_REFUSED;
    }
}
