// The alpha-function table: one byte per scaled alpha value, 1 = pass.

#include "core/pickers.h"

extern "C" void GLPROC __glBuildAlphaFuncTable(GlContext* gc) {
    const GLint n = gc->constants.alphaTableSize;
    if (!gc->alphaTable) {
        gc->alphaTable = (uint8_t*)gc->imports.alloc(gc, (size_t)n);
        if (!gc->alphaTable) return;
    }
    const GLuint bits = gc->pixelFormat.alphaBits;
    const GLfloat maxAlpha = bits ? (GLfloat)((1u << bits) - 1) : 1.0f;
    const GLint r = (GLint)(maxAlpha * gc->colorBuffer.alphaRef * gc->constants.alphaTableScale);
    const GLenum func = gc->colorBuffer.alphaFunc;
    for (GLint i = 0; i < n; i++) {
        bool pass;
        switch (func) {
        case GL_NEVER: pass = false; break;
        case GL_LESS: pass = i < r; break;
        case GL_EQUAL: pass = i == r; break;
        case GL_LEQUAL: pass = i <= r; break;
        case GL_GREATER: pass = i > r; break;
        case GL_NOTEQUAL: pass = i != r; break;
        case GL_GEQUAL: pass = i >= r; break;
        default: pass = true; break;
        }
        gc->alphaTable[i] = pass;
    }
}
