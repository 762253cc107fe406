// The generic span stages and their runners. A span is spanLength pixels from
// (spanX, spanY) with the start values and steps of GlSpanState; every stage
// works on the whole span. List A stages assume every pixel alive and build
// the coverage words when they kill one (returning 1); list B stages honour
// the coverage words and return 1 when no pixel is left.
#pragma once

#include "core/glcontext.h"

extern "C" {
// Runners (procs.runSpanStages).
void GLPROC __glRunSpanStages(GlContext* gc);
void GLPROC __glRunSpanStagesBothBuffers(GlContext* gc);

// Window clip box (list A only).
GLuint GLPROC __glScissorSpan(GlContext* gc);
// Repacked polygon stipple.
GLuint GLPROC __glStippleSpan(GlContext* gc);
GLuint GLPROC __glStippleSpanMasked(GlContext* gc);
// Stencil and depth.
GLuint GLPROC __glStencilTestSpan(GlContext* gc);
GLuint GLPROC __glStencilTestSpanMasked(GlContext* gc);
GLuint GLPROC __glStencilPassSpan(GlContext* gc);
GLuint GLPROC __glStencilPassSpanMasked(GlContext* gc);
GLuint GLPROC __glDepthTestSpan(GlContext* gc);
GLuint GLPROC __glDepthTestSpanMasked(GlContext* gc);
GLuint GLPROC __glDepthTestSpanOffset(GlContext* gc);
GLuint GLPROC __glDepthTestSpanOffsetMasked(GlContext* gc);
GLuint GLPROC __glDepthStencilSpan(GlContext* gc);
GLuint GLPROC __glDepthStencilSpanMasked(GlContext* gc);
GLuint GLPROC __glDepthStencilSpanOffset(GlContext* gc);
GLuint GLPROC __glDepthStencilSpanOffsetMasked(GlContext* gc);
// Colour (both lists).
GLuint GLPROC __glColorSpanRgbaSmooth(GlContext* gc);
GLuint GLPROC __glColorSpanRgbaFlat(GlContext* gc);
GLuint GLPROC __glColorSpanIndexSmooth(GlContext* gc);
GLuint GLPROC __glColorSpanIndexFlat(GlContext* gc);
// Fog per fragment: the interpolated factor, or the eye distance (GL_NICEST).
GLuint GLPROC __glFogSpanFast(GlContext* gc);
GLuint GLPROC __glFogSpanFastMasked(GlContext* gc);
GLuint GLPROC __glFogSpanNicest(GlContext* gc);
GLuint GLPROC __glFogSpanNicestMasked(GlContext* gc);
// Alpha and index tests.
GLuint GLPROC __glAlphaTestSpan(GlContext* gc);
GLuint GLPROC __glAlphaTestSpanMasked(GlContext* gc);
GLuint GLPROC __glIndexTestSpan(GlContext* gc);
GLuint GLPROC __glIndexTestSpanMasked(GlContext* gc);
// Colour-buffer operations for buffers that want them (needsSpanOps).
GLuint GLPROC __glFetchSpan(GlContext* gc);
GLuint GLPROC __glFetchSpanMasked(GlContext* gc);
GLuint GLPROC __glBlendSpan(GlContext* gc);
GLuint GLPROC __glBlendSpanMasked(GlContext* gc);
GLuint GLPROC __glBlendSpanSrcAlphaOneMinusSrcAlpha(GlContext* gc);
GLuint GLPROC __glBlendSpanSrcAlphaOne(GlContext* gc);
GLuint GLPROC __glBlendSpanSrcAlphaZero(GlContext* gc);
GLuint GLPROC __glBlendSpanOneMinusSrcAlphaSrcAlpha(GlContext* gc);
GLuint GLPROC __glDitherSpanRgba(GlContext* gc);
GLuint GLPROC __glDitherSpanRgbaMasked(GlContext* gc);
GLuint GLPROC __glDitherSpanIndex(GlContext* gc);
GLuint GLPROC __glDitherSpanIndexMasked(GlContext* gc);
GLuint GLPROC __glRoundSpanRgba(GlContext* gc);
GLuint GLPROC __glRoundSpanRgbaMasked(GlContext* gc);
GLuint GLPROC __glRoundSpanIndex(GlContext* gc);
GLuint GLPROC __glRoundSpanIndexMasked(GlContext* gc);
GLuint GLPROC __glLogicOpSpanIndex(GlContext* gc);
GLuint GLPROC __glLogicOpSpanIndexMasked(GlContext* gc);
GLuint GLPROC __glColorMaskSpanRgba(GlContext* gc);
GLuint GLPROC __glIndexMaskSpan(GlContext* gc);
// The colour buffer's span stores.
GLuint GLPROC __glStoreSpan(GlContext* gc);
GLuint GLPROC __glStoreSpanMasked(GlContext* gc);
// Does nothing, kills nothing (the list-B place of list-A-only stages).
GLuint GLPROC __glSpanNop(GlContext* gc);

// Pickers.
void GLPROC __glPickDrawBuffer(GlContext* gc);
void GLPROC __glRepackStipple(GlContext* gc);
void GLPROC __glPickSpanProcs(GlContext* gc);
GLboolean GLPROC __glLockDrawBuffer(GlContext* gc);
GLboolean GLPROC __glUnlockDrawBuffer(GlContext* gc);
// Whether the span stages disagree with windowInside (scissor stage present
// or missing).
GLboolean GLPROC __glSpanClipStale(const GlContext* gc);
}

// Points the span arrays at the context's work areas.
static inline void __glSpanArrays(GlContext* gc) {
    gc->span.spanColors = (GLfloat(*)[4])gc->spanWork[0];
    gc->span.spanDestColors = (GLfloat(*)[4])gc->spanWork[1];
    gc->span.spanCoverage = gc->coverageWords;
}
