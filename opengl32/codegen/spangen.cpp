// Generators of the fast triangle path's stages not generated yet: each
// answers null and the C++ stage runs.

#include "codegen/codegen.h"

extern "C" GlSpanProc GLPROC __glGenTexturedSpanCode(GlContext*, GLuint, GLint, GLint) { return nullptr; }
