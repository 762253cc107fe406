// The accumulation buffer: four signed 16-bit components per pixel, 32767
// standing for a full colour component.
#pragma once

#include "core/glcontext.h"

extern "C" {
// First make-current, when the format has an accumulation buffer: the buffer
// object (8-byte elements) and fb.clearAccum.
void GLPROC __glInitAccumBuffer(GlBufferObject* b, GlContext* gc);
// glClear: the clear box (scissor honoured) set to the accumulation clear colour.
void GLPROC __glClearAccumBuffer(GlContext* gc);
}
