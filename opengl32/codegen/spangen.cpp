// Generators of the fast triangle path's set-up, walker and stages. None
// generates code yet: each answers null and the C++ stages run.

#include "codegen/codegen.h"
#include "codegen/spanlayout.h"

extern "C" GlSpanProc GLPROC __glGenSpanProc(GlContext*, GLint) { return nullptr; }
extern "C" GlTriangleProc GLPROC __glGenSetupProc(GlContext*, GLuint) { return nullptr; }
extern "C" GlSpanProc GLPROC __glGenDepthSpanCode(GlContext*) { return nullptr; }
extern "C" GlSpanProc GLPROC __glGenTexturedSpanCode(GlContext*, GLuint, GLint, GLint) { return nullptr; }
