// Context services whose state groups are not built yet: they own nothing so far.

#include "services.h"

extern "C" GLboolean GLPROC __glCopyContextState(GlContext*, GlContext*, GLuint) { return GL_FALSE; }
extern "C" void GLPROC __glInitStateDefaults(GlContext*) {}
extern "C" void GLPROC __glRescaleStoredColors(GlContext*, const GLfloat*) {}
extern "C" void GLPROC __glFreeAttribStack(GlContext*) {}
extern "C" void GLPROC __glInitArenaProcs(GlContext*) {}
extern "C" GLboolean GLPROC __glInitDisplayListState(GlContext*) { return GL_TRUE; }
extern "C" void GLPROC __glFreeDisplayListState(GlContext*) {}
extern "C" void GLPROC __glFreeSubsystemState(GlContext*) {}
