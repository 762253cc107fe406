// Hardware entries not built yet follow their begin-state class and do nothing else.

#include "core/beginstate.h"
#include "hw_slots.h"

// Hardware entries built in hwstate.cpp.
#define GL_HW_BUILT_AlphaFunc GL_LISTED
#define GL_HW_BUILT_BlendFunc GL_LISTED
#define GL_HW_BUILT_Clear GL_LISTED
#define GL_HW_BUILT_ClearAccum GL_LISTED
#define GL_HW_BUILT_ClearColor GL_LISTED
#define GL_HW_BUILT_ClearDepth GL_LISTED
#define GL_HW_BUILT_ColorMask GL_LISTED
#define GL_HW_BUILT_CullFace GL_LISTED
#define GL_HW_BUILT_FrontFace GL_LISTED
#define GL_HW_BUILT_DepthFunc GL_LISTED
#define GL_HW_BUILT_DepthMask GL_LISTED
#define GL_HW_BUILT_Enable GL_LISTED
#define GL_HW_BUILT_Disable GL_LISTED
#define GL_HW_BUILT_EnableClientState GL_LISTED
#define GL_HW_BUILT_DisableClientState GL_LISTED
#define GL_HW_BUILT_PopAttrib GL_LISTED

#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act)                                     \
    GL_IF(GL_IS_LISTED(GL_HW_##name))(GL_PICK(GL_IS_LISTED(GL_HW_BUILT_##name))(                   \
        , GL_DEFAULT_ENTRY(__glHw##name, name, ret, params, args, cls)))
#include "core/glslots.inc"
#undef GL_SLOT
