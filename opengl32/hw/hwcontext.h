// Hardware contexts over the rasterizer library.
#pragma once

#include "core/glcontext.h"

extern "C" GlContext* GLPROC __glHwCreateContext(const GlCoreImports* imports,
                                                const GlPixelFormatInfo* format);
