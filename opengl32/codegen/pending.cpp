// Generated-code caches of a context; filled in with the code generator.

#include "core/services.h"

extern "C" GLboolean GLPROC __glOgCreateCaches(GlContext*) { return GL_TRUE; }
extern "C" void GLPROC __glOgFreeCaches(GlContext*) {}
