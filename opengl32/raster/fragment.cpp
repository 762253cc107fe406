// The single-fragment store, blending and bitmaps.

#include "core/pickers.h"
#include "geometry/geometry.h"

extern "C" void GLPROC __glPickFragmentStoreProc(GlContext*) {}
extern "C" void GLPROC __glPickBlendProcs(GlContext*) {}
extern "C" void GLPROC __glPickBitmapProc(GlContext*) {}
