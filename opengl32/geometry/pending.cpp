// Geometry state the context owns; filled in with the transform state.

#include "core/services.h"

extern "C" GLboolean GLPROC __glAllocClipPlanes(GlContext*) { return GL_TRUE; }
extern "C" void GLPROC __glFreeClipPlanes(GlContext*) {}
