// Immediate implementations of the calls not built yet: each follows its
// begin-state class and does nothing else. glBegin and glEnd keep the begin
// state so that calls between them are checked.

#include "beginstate.h"
#include "imm_pending.h"
#include "compile_pending.h"

#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    GL_IF(GL_IS_LISTED(GL_PENDING_##name))(GL_DEFAULT_ENTRY(__glImm##name, name, ret, params, args, cls))
#include "glslots.inc"
#undef GL_SLOT

// Compile entries not built yet record nothing.
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act)                              \
    GL_IF(GL_IS_LISTED(GL_COMPILE_PENDING_##name))(                                          \
        extern "C" ret GLIMM __glCompile##name params { return __glZeroResult<ret>(); })
#include "glslots.inc"
#undef GL_SLOT

extern "C" void GLIMM __glImmBegin(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    switch (__glDrawPrologue(ts)) {
    case GL_DRAW_REFUSED:
        return;
    case GL_DRAW_VALIDATED:
        glBegin(mode);
        return;
    case GL_DRAW_ACT:
        break;
    }
    if (mode > GL_POLYGON) {
        __glSetError(GL_INVALID_ENUM);
        return;
    }
    GlContext* gc = ts->context;
    gc->procs.beginPrimitive(gc, mode);
    ts->beginState = GL_BEGIN_INSIDE;
}

GL_DEFAULT_ENTRY(__glImmEnd, End, void, (void), (), 5)
