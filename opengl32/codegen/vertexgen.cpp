// The vertex-program generator (in progress: no program yet).
#include "codegen/codegen.h"

extern "C" void GLPROC __glGenVertexCode(GlContext*, GlVertexProgram* entry) {
    entry->program = nullptr;
    entry->strip = nullptr;
}
