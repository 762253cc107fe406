// The generic immediate table and the list-compile table.

#include "gldispatch.h"

extern "C" const GlDispatchTable __glImmediateDispatch = {{
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) (GlEntryProc)__glImm##name,
#include "glslots.inc"
#undef GL_SLOT
    nullptr, nullptr,
}};

extern "C" const GlDispatchTable __glCompileDispatch = {{
#include "compile_entries.inc"
}};
