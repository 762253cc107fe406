// The triangle-procedure picker of the fast path: the switches, the choice
// of stages and the chain linked in the context's slots.

#include <stdlib.h>
#include "raster/chain.h"
#include "raster/chaintex.h"
#include "codegen/codegen.h"
#include "geometry/geometry.h"
#include "raster/triangle.h"

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

// Blend code of a factor pair: 4 x source class + destination class, -1
// when the pair has no store stage.
GLint blendCode(GLenum src, GLenum dst) {
    GLint sc, dc;
    switch (src) {
    case GL_SRC_ALPHA: sc = 0; break;
    case GL_ONE_MINUS_SRC_ALPHA: sc = 1; break;
    case GL_SRC_ALPHA_SATURATE: sc = 2; break;
    default: return -1;
    }
    switch (dst) {
    case GL_ZERO: dc = 0; break;
    case GL_ONE: dc = 1; break;
    case GL_SRC_ALPHA: dc = 2; break;
    case GL_ONE_MINUS_SRC_ALPHA: dc = 3; break;
    default: return -1;
    }
    const GLint code = 4 * sc + dc;
    return code == 0 || code == 1 || code == 3 || code == 6 || code == 9 ? code : -1;
}

// The GL_BLEND environment colour as channel bytes (fields in the top bits).
void texEnvColorBytes(GlContext* gc, const GlColorBuffer* cb, bool dither) {
    const GLfloat* env = gc->texture.env.color;  // scaled by the colour maxima
    for (int k = 0; k < 4; ++k) {
        GLuint b;
        if (k == 3) {
            b = (GLuint)(GLint)(env[3] * gc->chain.alphaScale + 0.5f);
        } else {
            const GLuint n = cb->maximum[k] ? 32 - (GLuint)__builtin_clz(cb->maximum[k]) : 8;
            b = (GLuint)(GLint)(env[k] * (GLfloat)(1u << (8 - n)) + 0.5f);
            if (dither) b -= b >> n;
        }
        gc->texEnvColorBytes[k] = (uint8_t)(b > 255 ? 255 : b);
    }
}

// Fog colour as channel bytes, and the fog index for the square table.
void fogValues(const GlContext* gc, const GlColorBuffer* cb, GlChainPick* pick) {
    for (int k = 0; k < 3 && pick->rgba; ++k) {
        const GLuint n = 32 - (GLuint)__builtin_clz(cb->maximum[k]);
        const GLfloat v = gc->fog.color[k] * (GLfloat)(1u << (8 - n)) + 0.5f;
        pick->fogColorBytes[k] = (uint8_t)(!(v > 0.0f) ? 0 : v > 255.0f ? 255 : (GLint)v);
    }
    const GLfloat i = gc->fog.index;
    pick->fogIndex = !(i > 0.0f) ? 0 : i > 255.0f ? 255 : (GLint)i;
}

// The clip box must lie where the set-up's fixed-point coordinates reach.
bool clipBoxDecodable(const GlContext* gc) {
    const GLint* b = gc->span.clipBox;
    return b[0] >= 4096 && b[1] >= 4096 && b[2] <= 8192 && b[3] <= 8192;
}

}  // namespace

extern "C" GLboolean GLPROC __glPickTriangleProcs(GlContext* gc) {
    readSwitches();
    const GlFastPathSwitches* w = &__glFastPathSwitches;
    if (w->disableFastPath) return GL_FALSE;
    GlContextProcs* p = &gc->procs;
    const GLuint F = gc->rasterFlags;
    // What the chain does not draw: antialiased polygons, buffers that want
    // the generic span operations, nothing to draw at all.
    if ((gc->enables.general & GL_EN_POLYGON_SMOOTH) || !p->runSpanStages ||
        (gc->arrays.flags & GL_ARRAY_HINT_6402) || !clipBoxDecodable(gc))
        return GL_FALSE;
    GlColorBuffer* cb = gc->drawBuffer;
    const bool drawsNone = !cb || gc->colorBuffer.drawBuffer == GL_NONE;
    if (cb && cb->needsSpanOps) return GL_FALSE;
    const GLuint code = cb ? cb->formatCode : 0;

    GlChainPick pick = {};
    pick.flags = F;
    pick.rgba = (F & GL_RF_RGBA) != 0;
    pick.texScale[0] = pick.texScale[1] = 1.0f;
    pick.dither = (F & GL_RF_DITHER) != 0;
    pick.alphaScale = 255.0f;
    if (pick.rgba) {
        if (!drawsNone && (code >= GL_SPAN_FORMAT_CODES || !__glShadeProcTables[code])) return GL_FALSE;
        if (cb && cb->mask[3]) pick.alphaScale = 255.0f / (GLfloat)cb->maximum[3];
        pick.alphaNeeded = (F & (GL_RF_BLEND | GL_RF_ALPHA_TEST)) ||
                           (cb && cb->mask[3] && gc->colorBuffer.colorWriteMask[3]);
    } else if (!drawsNone && code != GL_FORMAT_INDEX8) {
        return GL_FALSE;
    }
    pick.indexBias = pick.dither ? 0x800u : 0x8000u;
    gc->chain = pick;

    // Stores.
    pick.genericStore = w->genericStore || code == GL_FORMAT_888 || gc->bothBuffers;
    pick.genericSetup = w->genericSetup || (F & GL_RF_POLYGON_OFFSET) ||
                        ((F & GL_RF_FOG_FRAGMENT) && gc->hints.fog == GL_NICEST) ||
                        gc->polygonModeFront != 2 || gc->polygonModeBack != 2;
    pick.nothingWritten = drawsNone;
    if (F & GL_RF_WRITE_MASK) {
        if (pick.rgba) {
            const uint8_t* m = gc->colorBuffer.colorWriteMask;
            const bool any = m[0] || m[1] || m[2] || (cb && cb->mask[3] && m[3]);
            if (any) pick.genericStore = 1;
            else pick.nothingWritten = 1;
        } else if (gc->colorBuffer.indexWriteMask & cb->fullMask) {
            pick.genericStore = 1;
        } else {
            pick.nothingWritten = 1;
        }
    }
    GLint storeIndex = 3;
    if (F & GL_RF_LOGIC_OP) {
        storeIndex = (GLint)(gc->colorBuffer.logicOp - GL_CLEAR) & 15;
    } else if (pick.rgba && (F & GL_RF_BLEND)) {
        const GLint bc = blendCode(gc->colorBuffer.blendSrc, gc->colorBuffer.blendDst);
        if (bc < 0) pick.genericStore = 1;
        storeIndex = 32 + (bc < 0 ? 0 : bc);
    }
    if (pick.dither) storeIndex += 16;
    if (pick.alphaNeeded) storeIndex += 64;
    const GLuint separateFlags = pick.rgba ? GL_RF_FOG_FRAGMENT | GL_RF_ALPHA_TEST | GL_RF_BLEND | GL_RF_LOGIC_OP
                                           : GL_RF_INDEX_TEST | GL_RF_FOG_FRAGMENT | GL_RF_LOGIC_OP;
    pick.separateStore = pick.genericStore || (F & separateFlags);

    // Texture: the hook decides, or the generic path draws.
    if (F & GL_RF_TEXTURE) {
        if (pick.rgba && cb) texEnvColorBytes(gc, cb, pick.dither && !pick.separateStore);
        if (!__glPickChainTexture(gc, &pick)) return GL_FALSE;
    }
    const bool textured = (pick.flags & GL_RF_TEXTURE) != 0;

    // Colour stage index (RGBA) or feature code (colour index).
    const bool smooth = (F & GL_RF_SMOOTH_COLOR) != 0;
    GLint colorIndex;
    GlSpanProc shade, direct, store;
    if (pick.rgba) {
        colorIndex = ((pick.alphaNeeded || (pick.dither && !pick.separateStore)) ? 1 : 0) | (smooth ? 2 : 0);
        if (textured) colorIndex |= (pick.texCode & 7) << 2 | (pick.texAlpha ? 32 : 0);
        shade = drawsNone ? nullptr : __glShadeProcTables[code][colorIndex];
        direct = drawsNone || code == GL_FORMAT_888 ? nullptr : __glDirectProcTables[code][colorIndex];
        store = drawsNone || code == GL_FORMAT_888 ? nullptr : __glStoreProcTables[code][storeIndex];
    } else {
        colorIndex = (pick.dither ? 1 : 0) | (smooth ? 2 : 0) | (textured ? (pick.texCode & 3) << 2 : 0);
        shade = __glIndexShadeProcs[colorIndex];
        direct = __glIndexDirectProcs[colorIndex];
        store = __glIndexStoreProcs[storeIndex & 31];
    }
    // GL_REPLACE copied straight replaces the direct stage.
    if (pick.texStraight && direct)
        direct = __glPickStraightCopySpan((GLint)cb->buf.elementSize, (pick.flags & GL_RF_TEX_PERSPECTIVE) != 0);
    if (!store) pick.genericStore = pick.separateStore = 1;
    const GlSpanProc genericStore = drawsNone ? nullptr : __glGenericStoreProcs[code];
    const bool needShade = pick.separateStore || (F & (GL_RF_ALPHA_TEST | GL_RF_INDEX_TEST));
    if (!pick.nothingWritten || (F & (GL_RF_ALPHA_TEST | GL_RF_INDEX_TEST))) {
        if (needShade && !shade) return GL_FALSE;
        if (!pick.nothingWritten && !pick.separateStore && !direct) return GL_FALSE;
        if (!pick.nothingWritten && pick.genericStore && !genericStore) return GL_FALSE;
    }
    fogValues(gc, cb, &pick);
    gc->chain = pick;
    // The MMX whole fill runs no stage of the chain: the generated stages
    // wait until a walker of the chain is taken instead.
    const bool mmxFill = !w->disableOg && !w->nullTriangleFill && __glOgMmxFillServes(gc);
    if (!mmxFill) __glGenChainTexturedStage(gc);

    // Link the chain: each stage goes into the slot its predecessor calls.
    GlSpanProc* slot = &p->fillTriangle;
    auto place = [&slot](GlSpanProc stage, GlSpanProc* next) {
        *slot = stage;
        slot = next;
    };
    GlSpanProc* chain = p->spanChain;
    const bool fog = (F & GL_RF_FOG_FRAGMENT) != 0, nicest = gc->hints.fog == GL_NICEST;
    const GlSpanProc fogStage = pick.rgba ? (nicest ? __glSpanTest6 : __glSpanTest4)
                                          : (nicest ? __glSpanTest5 : __glSpanTest3);
    bool colorPlaced = false, fogPlaced = false;
    if (!gc->span.windowInside || (F & GL_RF_CLIP_LIST)) place(__glSpanWindowClip, &chain[GL_CHAIN_AFTER_CLIP]);
    if (F & GL_RF_POLYGON_STIPPLE) place(__glSpanStipple, &chain[GL_CHAIN_AFTER_STIPPLE]);
    if (pick.rgba && (F & GL_RF_ALPHA_TEST)) {
        place(shade, &chain[GL_CHAIN_AFTER_COLOR]);
        place(__glSpanTest1, &chain[GL_CHAIN_AFTER_ALPHA_TEST]);
        colorPlaced = true;
    } else if (!pick.rgba && (F & GL_RF_INDEX_TEST)) {
        place(shade, &chain[GL_CHAIN_AFTER_COLOR]);
        if (fog) place(fogStage, &chain[GL_CHAIN_AFTER_FOG]), fogPlaced = true;
        place(__glSpanTest2, &chain[GL_CHAIN_AFTER_INDEX_TEST]);
        colorPlaced = true;
    }
    if (F & GL_RF_STENCIL) {
        place(__glSpanStencilTest, &chain[GL_CHAIN_AFTER_STENCIL_TEST]);
        p->stencilOps[0] = __glPickStencilOp(gc->stencil.failOp);
        p->stencilOps[1] = __glPickStencilOp(gc->stencil.depthFailOp);
        p->stencilOps[2] = __glPickStencilOp(gc->stencil.depthPassOp);
        for (GlSpanProc& op : p->stencilOps)
            if (!op) op = __glStencilOpKeep;
    }
    GlSpanProc* depthSlot = nullptr;
    if ((F & GL_RF_DEPTH) && (gc->depth.writeMask || gc->fb.depth.compareFunc != GL_ALWAYS)) {
        const GlSpanProc generated = mmxFill ? nullptr : __glGenDepthSpanCode(gc);
        depthSlot = slot;
        place(generated ? generated : __glPickDepthSpanStage(gc), &chain[GL_CHAIN_AFTER_DEPTH]);
    }
    if (F & GL_RF_STENCIL) place(__glSpanStencil, &p->afterStencilUpdate);
    if (pick.nothingWritten) {
        place(__glNullSpanFill, nullptr);
    } else if (pick.separateStore) {
        if (!colorPlaced) place(shade, &chain[GL_CHAIN_AFTER_COLOR]);
        if (fog && !fogPlaced) place(fogStage, &chain[GL_CHAIN_AFTER_FOG]);
        if (!pick.genericStore) {
            place(store, nullptr);
        } else if (gc->bothBuffers) {
            place(__glSpanTest7, &p->bufferStore);
            place(genericStore, nullptr);
        } else {
            place(genericStore, nullptr);
        }
    } else {
        place(direct, nullptr);
    }

    // The whole-triangle fill where the generator takes the state, else the
    // walker that runs the chain (always when the chain head is emptied).
    p->spanRoutine = w->disableOg || w->nullTriangleFill ? nullptr : __glGenSpanProc(gc, 0);
    if (!p->spanRoutine) {
        p->spanRoutine = __glGenSpanProc(gc, 1);
        if (mmxFill) {
            __glGenChainTexturedStage(gc);
            const GlSpanProc generated = depthSlot ? __glGenDepthSpanCode(gc) : nullptr;
            if (generated) *depthSlot = generated;
        }
    }
    GlTriangleProc setup = pick.genericSetup ? nullptr : __glGenSetupProc(gc, 0);
    p->renderTriangle = setup ? setup : __glGenericTriangle;
    // Flat shading with per-vertex fog fogs the provoking colour per vertex.
    if ((F & (GL_RF_FOG_VERTEX | GL_RF_SMOOTH)) == GL_RF_FOG_VERTEX) {
        p->setupTriangleWrapped = __glChainSetupTriangle;
        p->setupTriangle = __glSetupTriangleFlat;
    } else {
        p->setupTriangle = __glChainSetupTriangle;
    }
    if (w->nullTriangleRender) p->renderTriangle = __glNullTriangleRender;
    if (w->nullTriangleFill) p->fillTriangle = __glNullSpanFill;
    return GL_TRUE;
}
