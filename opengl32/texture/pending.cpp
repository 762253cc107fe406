// Texture state the context owns; filled in with texture objects.

#include "core/services.h"

extern "C" GLboolean GLPROC __glInitTextures(GlContext*) { return GL_TRUE; }
extern "C" void GLPROC __glFreeTextures(GlContext*) {}
