// The generic immediate table and the list-compile table.

#include "gldispatch.h"

extern "C" const GlDispatchTable __glImmediateDispatch = {{
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) (GlEntryProc)__glImm##name,
#include "glslots.inc"
#undef GL_SLOT
    nullptr, nullptr,
}};

// Slots marked act hold the immediate implementation and so run at once while
// a list is compiled.
extern "C" const GlDispatchTable __glCompileDispatch = {{
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    (GlEntryProc)GL_PICK(act)(__glImm##name, __glCompile##name),
#include "glslots.inc"
#undef GL_SLOT
    nullptr, nullptr,
}};
