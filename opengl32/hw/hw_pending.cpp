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
// Texture entries built in hwtexobj.cpp and hwteximage.cpp.
#define GL_HW_BUILT_TexParameterf GL_LISTED
#define GL_HW_BUILT_TexParameterfv GL_LISTED
#define GL_HW_BUILT_TexParameteri GL_LISTED
#define GL_HW_BUILT_TexParameteriv GL_LISTED
#define GL_HW_BUILT_TexImage1D GL_LISTED
#define GL_HW_BUILT_TexImage2D GL_LISTED
#define GL_HW_BUILT_TexEnvf GL_LISTED
#define GL_HW_BUILT_TexEnvfv GL_LISTED
#define GL_HW_BUILT_TexEnvi GL_LISTED
#define GL_HW_BUILT_TexEnviv GL_LISTED
#define GL_HW_BUILT_GetTexImage GL_LISTED
#define GL_HW_BUILT_CopyTexImage2D GL_LISTED
#define GL_HW_BUILT_CopyTexSubImage1D GL_LISTED
#define GL_HW_BUILT_CopyTexSubImage2D GL_LISTED
#define GL_HW_BUILT_TexSubImage1D GL_LISTED
#define GL_HW_BUILT_TexSubImage2D GL_LISTED
#define GL_HW_BUILT_AreTexturesResident GL_LISTED
#define GL_HW_BUILT_BindTexture GL_LISTED
#define GL_HW_BUILT_DeleteTextures GL_LISTED
#define GL_HW_BUILT_GenTextures GL_LISTED
#define GL_HW_BUILT_IsTexture GL_LISTED
#define GL_HW_BUILT_PrioritizeTextures GL_LISTED

#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act)                                     \
    GL_IF(GL_IS_LISTED(GL_HW_##name))(GL_PICK(GL_IS_LISTED(GL_HW_BUILT_##name))(                   \
        , GL_DEFAULT_ENTRY(__glHw##name, name, ret, params, args, cls)))
#include "core/glslots.inc"
#undef GL_SLOT
