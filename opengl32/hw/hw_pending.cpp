// Hardware entries not built yet follow their begin-state class and do nothing else.

#include "core/beginstate.h"
#include "hw_slots.h"

#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    GL_IF(GL_IS_LISTED(GL_HW_##name))(GL_DEFAULT_ENTRY(__glHw##name, name, ret, params, args, cls))
#include "core/glslots.inc"
#undef GL_SLOT
