// Block fills of the clears.
#pragma once

#include <stddef.h>
#include "core/glcontext.h"

extern "C" {
// rows rows of `pixels` pixels from dst, `gap` bytes between the end of one
// row and the start of the next, every pixel set to value; 0 pixels store nothing.
void GLPROC __glFill32(GlContext* gc, void* dst, GLint pixels, GLint rows, GLint gap, GLuint value);
void GLPROC __glFill16(GlContext* gc, void* dst, GLint pixels, GLint rows, GLint gap, GLuint value);
void GLPROC __glFill8(GlContext* gc, void* dst, GLint pixels, GLint rows, GLint gap, GLuint value);
// Rows of rowBytes bytes, stride apart; row r repeats the `period` bytes of
// patterns[r & 3] from its first byte on. period divides 48.
void GLPROC __glFillPattern(uint8_t* dst, size_t rowBytes, GLint rows, ptrdiff_t stride,
                            const uint8_t* const patterns[4], GLint period);
}
