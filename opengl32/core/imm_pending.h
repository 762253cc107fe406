// Immediate implementations still provided by imm_defaults.cpp (begin-state class only).
// Remove a line when the call gets its implementation.
#pragma once

#include "glpp.h"

#define GL_PENDING_TexParameterf GL_LISTED
#define GL_PENDING_TexParameterfv GL_LISTED
#define GL_PENDING_TexParameteri GL_LISTED
#define GL_PENDING_TexParameteriv GL_LISTED
#define GL_PENDING_TexImage1D GL_LISTED
#define GL_PENDING_TexImage2D GL_LISTED
#define GL_PENDING_TexEnvf GL_LISTED
#define GL_PENDING_TexEnvfv GL_LISTED
#define GL_PENDING_TexEnvi GL_LISTED
#define GL_PENDING_TexEnviv GL_LISTED
#define GL_PENDING_TexGend GL_LISTED
#define GL_PENDING_TexGendv GL_LISTED
#define GL_PENDING_TexGenf GL_LISTED
#define GL_PENDING_TexGenfv GL_LISTED
#define GL_PENDING_TexGeni GL_LISTED
#define GL_PENDING_TexGeniv GL_LISTED
#define GL_PENDING_Accum GL_LISTED
#define GL_PENDING_PixelZoom GL_LISTED
#define GL_PENDING_PixelTransferf GL_LISTED
#define GL_PENDING_PixelTransferi GL_LISTED
#define GL_PENDING_PixelStoref GL_LISTED
#define GL_PENDING_PixelStorei GL_LISTED
#define GL_PENDING_PixelMapfv GL_LISTED
#define GL_PENDING_PixelMapuiv GL_LISTED
#define GL_PENDING_PixelMapusv GL_LISTED
#define GL_PENDING_ReadBuffer GL_LISTED
#define GL_PENDING_CopyPixels GL_LISTED
#define GL_PENDING_ReadPixels GL_LISTED
#define GL_PENDING_DrawPixels GL_LISTED
#define GL_PENDING_GetTexImage GL_LISTED
#define GL_PENDING_GetTexLevelParameterfv GL_LISTED
#define GL_PENDING_GetTexLevelParameteriv GL_LISTED
#define GL_PENDING_ColorSubTableEXT GL_LISTED
#define GL_PENDING_ColorTableEXT GL_LISTED
#define GL_PENDING_CopyColorTableEXT GL_LISTED
#define GL_PENDING_GetColorTableEXT GL_LISTED
#define GL_PENDING_GetColorTableParameterfvEXT GL_LISTED
#define GL_PENDING_GetColorTableParameterivEXT GL_LISTED
#define GL_PENDING_CopyTexImage1D GL_LISTED
#define GL_PENDING_CopyTexImage2D GL_LISTED
#define GL_PENDING_CopyTexSubImage1D GL_LISTED
#define GL_PENDING_CopyTexSubImage2D GL_LISTED
#define GL_PENDING_TexSubImage1D GL_LISTED
#define GL_PENDING_TexSubImage2D GL_LISTED
#define GL_PENDING_AreTexturesResident GL_LISTED
#define GL_PENDING_BindTexture GL_LISTED
#define GL_PENDING_DeleteTextures GL_LISTED
#define GL_PENDING_GenTextures GL_LISTED
#define GL_PENDING_IsTexture GL_LISTED
#define GL_PENDING_PrioritizeTextures GL_LISTED
#define GL_PENDING_AddSwapHintRectWIN GL_LISTED
