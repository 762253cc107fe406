// List-compile entries still provided by imm_defaults.cpp (they record nothing).
// Remove a line when the entry gets its implementation.
#pragma once

#include "glpp.h"

#define GL_COMPILE_PENDING_ArrayElementEXT GL_LISTED
#define GL_COMPILE_PENDING_DrawArraysEXT GL_LISTED
#define GL_COMPILE_PENDING_ArrayElement GL_LISTED
#define GL_COMPILE_PENDING_DrawArrays GL_LISTED
#define GL_COMPILE_PENDING_DrawElements GL_LISTED
