// The triangle-procedure picker of the fast path: the switches, the choice
// of stages and the chain linked in the context's slots.

#include <stdlib.h>
#include "raster/chain.h"
#include "codegen/codegen.h"

GlFastPathSwitches __glFastPathSwitches;

namespace {

bool switchOn(const char* name) {
    const char* v = getenv(name);
    return v && strtol(v, nullptr, 10) != 0;
}

void readSwitches() {
    GlFastPathSwitches* w = &__glFastPathSwitches;
    if (w->read) return;
    w->disableFastPath = switchOn("__GL_DISABLE_FASTPATH");
    w->nullTriangleRender = switchOn("__GL_NULL_TRIANGLE_RENDER");
    w->nullTriangleFill = switchOn("__GL_NULL_TRIANGLE_FILL");
    w->disableOg = switchOn("__GL_DISABLE_OG");
    w->genericStore = switchOn("__GL_GENERIC_STORE");
    w->genericSetup = switchOn("__GL_GENERIC_SETUP");
    w->read = 1;
}

}  // namespace

extern "C" GLboolean GLPROC __glPickTriangleProcs(GlContext* gc) {
    readSwitches();
    if (__glFastPathSwitches.disableFastPath) return GL_FALSE;
    GlChainPick pick = {};
    pick.flags = gc->rasterFlags;
    pick.rgba = (pick.flags & GL_RF_RGBA) != 0;
    pick.texScale[0] = pick.texScale[1] = 1.0f;
    if ((pick.flags & GL_RF_TEXTURE) && !__glPickChainTexture(gc, &pick)) return GL_FALSE;
    // The chain stages come next; until then every state takes the generic path.
    return GL_FALSE;
}
