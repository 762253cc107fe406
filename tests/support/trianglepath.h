// Chooses the triangle path of the contexts validated in a scope: the fast
// span chain, or (generic) the span lists it falls back to.
#pragma once

#include "raster/chain.h"

struct GltestTrianglePath {
    GlFastPathSwitches saved;
    explicit GltestTrianglePath(bool generic) : saved(__glFastPathSwitches) {
        __glFastPathSwitches = GlFastPathSwitches{};
        __glFastPathSwitches.read = 1;
        __glFastPathSwitches.disableFastPath = generic;
    }
    ~GltestTrianglePath() { __glFastPathSwitches = saved; }
};
