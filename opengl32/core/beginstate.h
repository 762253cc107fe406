// The begin-state protocol every implementation follows.
#pragma once

#include "glcontext.h"

template <class R>
static inline R __glZeroResult() {
    return R();
}

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

// An implementation that only follows its begin-state class (cls of the slot
// list) and otherwise does nothing: the stand-in for a call not built yet.
#define GL_DEFAULT_BODY_1(name, ret, args) return __glZeroResult<ret>();
#define GL_DEFAULT_BODY_2(name, ret, args) \
    __glSetterAllowed(__glThreadState());  \
    return __glZeroResult<ret>();
#define GL_DEFAULT_BODY_3(name, ret, args) \
    __glDrawPrologue(__glThreadState());   \
    return __glZeroResult<ret>();
#define GL_DEFAULT_BODY_4(name, ret, args)                                          \
    if (__glDrawPrologue(__glThreadState()) == GL_DRAW_VALIDATED) return gl##name args; \
    return __glZeroResult<ret>();
#define GL_DEFAULT_BODY_5(name, ret, args)                                 \
    GlThreadState* ts = __glThreadState();                                \
    if (ts->beginState != GL_BEGIN_INSIDE) __glSetError(GL_INVALID_OPERATION); \
    else ts->beginState = GL_BEGIN_OUTSIDE;                               \
    return __glZeroResult<ret>();

#define GL_DEFAULT_ENTRY(fn, name, ret, params, args, cls) \
    extern "C" ret GLIMM fn params { GL_CAT(GL_DEFAULT_BODY_, cls)(name, ret, args) }
