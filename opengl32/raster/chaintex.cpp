// The texture part of the chain picker. Textured states have no chain until
// the fast texel fetch, filters and textured stages are in: the generic path
// draws them. The picker calls this only with texturing on.

#include "raster/chain.h"

extern "C" GLboolean GLPROC __glPickChainTexture(GlContext*, GlChainPick*) { return GL_FALSE; }
