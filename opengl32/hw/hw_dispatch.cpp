// The hardware immediate table: the generic table with the hardware entries
// of the state setters, glClear and the texture calls.

#include "core/gldispatch.h"
#include "hw_slots.h"

extern "C" const GlDispatchTable __glHwImmediateDispatch = {{
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    (GlEntryProc)GL_PICK(GL_IS_LISTED(GL_HW_##name))(__glHw##name, __glImm##name),
#include "core/glslots.inc"
#undef GL_SLOT
    nullptr, nullptr,
}};

// While a hardware context compiles a list it uses the generic compile table,
// entry for entry.
extern "C" const GlDispatchTable __glHwCompileDispatch = {{
#include "core/compile_entries.inc"
}};
