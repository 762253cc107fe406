// Context services whose state groups are not built yet: they own nothing so far.

#include "services.h"

extern "C" void GLPROC __glFreeSubsystemState(GlContext*) {}
