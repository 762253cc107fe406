// Where generated code finds the span record's fields and the chain slots.
// A walker or stage of the span chain works through a locked layout (a key is
// its own offset), so every GlSpan field is keyed by its offset here; the
// context slots a stage calls are fixed displacements from the context.
#pragma once

#include <stddef.h>
#include "codegen/codegen.h"

// E(key, field): one entry per GlSpan field that generated code reads or writes.
#define GL_OG_SPAN_FIELDS(E)                                                                          \
    E(X, x) E(Y, y) E(PIXEL_STEP, pixelStep) E(DEST, dest) E(DEST2, dest2) E(RED, red) E(GREEN, green) \
    E(BLUE, blue) E(ALPHA, alpha) E(RED_STEP, redStep) E(GREEN_STEP, greenStep) E(BLUE_STEP, blueStep) \
    E(ALPHA_STEP, alphaStep) E(FLAT_PIXEL, flatPixel) E(DITHER_TABLE, ditherTable) E(DITHER, dither)   \
    E(COLORS, colors) E(TEXELS, texels) E(CONTEXT, context) E(DEST_STEP32, destStep32)                 \
    E(DEST2_STEP32, dest2Step32) E(RED_STEP32, redStep32) E(GREEN_STEP32, greenStep32)                 \
    E(BLUE_STEP32, blueStep32) E(ALPHA_STEP32, alphaStep32) E(DEPTH_ADDRESS, depthAddress)             \
    E(DEPTH_STEP32, depthStep32) E(Z, z) E(Z_STEP, zStep) E(Z_STEP32, zStep32) E(Z_OFFSET, zOffset)    \
    E(STENCIL_ADDRESS, stencilAddress) E(STENCIL_STEP32, stencilStep32)                                \
    E(STENCIL_PASS_MASK, stencilPassMask) E(FOG, fog) E(FOG_STEP, fogStep) E(FOG_STEP32, fogStep32)    \
    E(S, s) E(T, t) E(S_STEP, sStep) E(T_STEP, tStep) E(S_STEP32, sStep32) E(T_STEP32, tStep32)       \
    E(TEX_S, texS) E(TEX_T, texT) E(TEX_Q, texQ) E(TEX_LOD, texLod) E(TEX_S_STEP, texSStep)            \
    E(TEX_T_STEP, texTStep) E(TEX_Q_STEP, texQStep) E(TEX_LOD_STEP, texLodStep)                        \
    E(TEX_S_STEP32, texSStep32) E(TEX_T_STEP32, texTStep32) E(TEX_Q_STEP32, texQStep32)                \
    E(TEX_LOD_STEP32, texLodStep32) E(SAVED_DITHER, savedDither)

#define GL_OG_SPAN_KEY(key, field) GL_OG_SPAN_##key = (GLint)offsetof(GlSpan, field),
enum GlOgSpanKey : GLint { GL_OG_SPAN_FIELDS(GL_OG_SPAN_KEY) };
#undef GL_OG_SPAN_KEY

// Every key is a valid layout key and every field a naturally aligned word.
#define GL_OG_SPAN_CHECK(key, field)                                                                  \
    static_assert(GL_OG_SPAN_##key >= 0 && (GLint)GL_OG_SPAN_##key < (GLint)GL_OG_LAYOUT_KEYS, "span key " #key); \
    static_assert(GL_OG_SPAN_##key % 4 == 0, "span field " #field " is word aligned");
GL_OG_SPAN_FIELDS(GL_OG_SPAN_CHECK)
#undef GL_OG_SPAN_CHECK
static_assert(sizeof(((GlSpan*)0)->z) == 4 && sizeof(((GlSpan*)0)->texS) == 4, "span words are 32-bit");
static_assert(sizeof(GlSpan) <= (size_t)GL_OG_LAYOUT_KEYS, "a locked span layout covers the whole record");

// Context displacements of the chain slots: a stage calls its successor
// through [context + GL_OG_CTX_SPAN_CHAIN + 4 x slot].
enum GlOgChainSlot : GLint {
    GL_OG_CTX_FILL_TRIANGLE = (GLint)offsetof(GlContext, procs.fillTriangle),
    GL_OG_CTX_SPAN_TEXTURED = (GLint)offsetof(GlContext, procs.spanTextured),
    GL_OG_CTX_SPAN_CHAIN = (GLint)offsetof(GlContext, procs.spanChain),
    GL_OG_CTX_STENCIL_OPS = (GLint)offsetof(GlContext, procs.stencilOps),
    GL_OG_CTX_AFTER_STENCIL_UPDATE = (GLint)offsetof(GlContext, procs.afterStencilUpdate),
    GL_OG_CTX_BUFFER_STORE = (GLint)offsetof(GlContext, procs.bufferStore),
    GL_OG_CTX_SPAN_ROUTINE = (GLint)offsetof(GlContext, procs.spanRoutine),
    GL_OG_CTX_TEXEL_FETCH = (GLint)offsetof(GlContext, procs.texelFetch),
    GL_OG_CTX_TEX_FILTER_MIN = (GLint)offsetof(GlContext, procs.texFilterMin),
    GL_OG_CTX_TEX_FILTER_MAG = (GLint)offsetof(GlContext, procs.texFilterMag),
};
static_assert(GL_OG_CTX_SPAN_TEXTURED == GL_OG_CTX_FILL_TRIANGLE + 4 &&
                  GL_OG_CTX_SPAN_CHAIN == GL_OG_CTX_SPAN_TEXTURED + 4 &&
                  GL_OG_CTX_STENCIL_OPS == GL_OG_CTX_SPAN_CHAIN + 4 * GL_SPAN_CHAIN_SLOTS &&
                  GL_OG_CTX_AFTER_STENCIL_UPDATE == GL_OG_CTX_STENCIL_OPS + 12 &&
                  GL_OG_CTX_BUFFER_STORE == GL_OG_CTX_AFTER_STENCIL_UPDATE + 4 &&
                  GL_OG_CTX_SPAN_ROUTINE == GL_OG_CTX_BUFFER_STORE + 4,
              "chain slots are adjacent words in their order");
static_assert(GL_OG_CTX_FILL_TRIANGLE % 4 == 0, "chain slots are word aligned");

// Place of a span field in a layout: its offset when the layout is locked.
static inline GLint __glOgSpanSlot(GlOgLayout* layout, GlOgSpanKey key, GLuint bytes = 4) {
    return __glOgLayoutSlot(layout, key, bytes);
}
