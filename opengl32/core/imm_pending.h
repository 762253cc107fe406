// Immediate implementations still provided by imm_defaults.cpp (begin-state class only).
// Remove a line when the call gets its implementation.
#pragma once

#include "glpp.h"

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
#define GL_PENDING_AddSwapHintRectWIN GL_LISTED
