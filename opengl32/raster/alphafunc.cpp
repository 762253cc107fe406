// The alpha-function table: one byte per scaled alpha value, 1 = pass.

#include "core/pickers.h"

// Context creation: the table is made with the context, so that every build
// and every stage that reads it has it.
extern "C" GLboolean GLPROC __glAllocAlphaFuncTable(GlContext* gc) {
    if (gc->constants.alphaTableSize == 0) gc->constants.alphaTableSize = 256;
    if (!gc->alphaTable) gc->alphaTable = (uint8_t*)gc->imports.calloc(gc, 1, (size_t)gc->constants.alphaTableSize);
    return gc->alphaTable != nullptr;
}

extern "C" void GLPROC __glBuildAlphaFuncTable(GlContext* gc) {
    const GLint n = gc->constants.alphaTableSize;
    if (!gc->alphaTable) return;
    // The reference in table steps: alpha maximum x reference x scale.
    const GLint r = (GLint)(gc->colorBuffer.alphaRef * (GLfloat)(n - 1));
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
