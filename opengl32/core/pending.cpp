// Context services of the state groups held outside the core.

#include "services.h"
#include "geometry/eval.h"
#include "pixel/pixel.h"

extern "C" void GLPROC __glFreeSubsystemState(GlContext* gc) {
    __glFreeEvaluators(gc);
    __glFreePixelState(gc);
    __glFreeVertexArrayState(gc);
    __glVcacheFree(gc);
}
