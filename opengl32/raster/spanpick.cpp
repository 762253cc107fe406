// The span stage picker, the draw-buffer picker and the repacked stipple.

#include "core/pickers.h"
#include "geometry/geometry.h"

extern "C" void GLPROC __glPickDrawBuffer(GlContext*) {}
extern "C" void GLPROC __glRepackStipple(GlContext*) {}
extern "C" void GLPROC __glPickSpanProcs(GlContext*) {}
