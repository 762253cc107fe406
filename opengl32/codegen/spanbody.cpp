// The span bodies of the whole-triangle fill (mode 0 of the walker).

#include "codegen/rasterwalk.h"

bool __glOgSpanBodyKey(GlContext*, GlOgRasterKey*) { return false; }

void __glOgGenSpanBody(GlContext*, const GlOgRasterKey*, GlOgAsm& A) { A.failed = true; }
