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
