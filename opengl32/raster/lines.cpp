// Lines: the line picker and the line procedures.

#include "core/pickers.h"
#include "geometry/geometry.h"

extern "C" void GLPROC __glPickLineProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    if (gc->renderMode == GL_SELECT) p->renderLine = __glSelectLine;
    else if (gc->renderMode == GL_FEEDBACK) p->renderLine = __glFeedbackLine;
    else p->renderLine = p->drawLine = __glEmptyLineProc;
}

