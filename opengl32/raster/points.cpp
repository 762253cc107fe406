// Points: the point picker and the point procedures.

#include "core/pickers.h"
#include "geometry/geometry.h"

extern "C" void GLPROC __glPickPointProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    if (gc->renderMode == GL_SELECT) {
        p->renderPoint = __glSelectPoint;
        return;
    }
    if (gc->renderMode == GL_FEEDBACK) {
        p->renderPoint = __glFeedbackPoint;
        return;
    }
    p->renderPoint = __glRenderPointProc;
    p->drawPoint = __glEmptyPointProc;
}

