// Hardware contexts come with the hardware back end; until then none can be made.

#include "hwcontext.h"

extern "C" GlContext* GLPROC __glHwCreateContext(const GlCoreImports*, const GlPixelFormatInfo*) {
    return nullptr;
}
