// Dispatch slots whose hardware entry replaces the generic one.
#pragma once

#include "core/glpp.h"

#define GL_HW_CullFace GL_LISTED
#define GL_HW_FrontFace GL_LISTED
#define GL_HW_TexParameterf GL_LISTED
#define GL_HW_TexParameterfv GL_LISTED
#define GL_HW_TexParameteri GL_LISTED
#define GL_HW_TexParameteriv GL_LISTED
#define GL_HW_TexImage1D GL_LISTED
#define GL_HW_TexImage2D GL_LISTED
#define GL_HW_TexEnvf GL_LISTED
#define GL_HW_TexEnvfv GL_LISTED
#define GL_HW_TexEnvi GL_LISTED
#define GL_HW_TexEnviv GL_LISTED
#define GL_HW_Clear GL_LISTED
#define GL_HW_ClearAccum GL_LISTED
#define GL_HW_ClearColor GL_LISTED
#define GL_HW_ClearDepth GL_LISTED
#define GL_HW_ColorMask GL_LISTED
#define GL_HW_DepthMask GL_LISTED
#define GL_HW_Disable GL_LISTED
#define GL_HW_Enable GL_LISTED
#define GL_HW_PopAttrib GL_LISTED
#define GL_HW_AlphaFunc GL_LISTED
#define GL_HW_BlendFunc GL_LISTED
#define GL_HW_DepthFunc GL_LISTED
#define GL_HW_GetTexImage GL_LISTED
#define GL_HW_DisableClientState GL_LISTED
#define GL_HW_EnableClientState GL_LISTED
#define GL_HW_CopyTexImage2D GL_LISTED
#define GL_HW_CopyTexSubImage1D GL_LISTED
#define GL_HW_CopyTexSubImage2D GL_LISTED
#define GL_HW_TexSubImage1D GL_LISTED
#define GL_HW_TexSubImage2D GL_LISTED
#define GL_HW_AreTexturesResident GL_LISTED
#define GL_HW_BindTexture GL_LISTED
#define GL_HW_DeleteTextures GL_LISTED
#define GL_HW_GenTextures GL_LISTED
#define GL_HW_IsTexture GL_LISTED
#define GL_HW_PrioritizeTextures GL_LISTED
