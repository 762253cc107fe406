// Context services whose state groups are not built yet: they own nothing so far.

#include "services.h"

extern "C" void GLPROC __glInitArenaProcs(GlContext*) {}
extern "C" GLboolean GLPROC __glInitDisplayListState(GlContext*) { return GL_TRUE; }
extern "C" void GLPROC __glFreeDisplayListState(GlContext*) {}
extern "C" void GLPROC __glFreeSubsystemState(GlContext*) {}
