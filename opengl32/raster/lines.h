// Lines: per-segment procedures, set-up and draw, the line stages, their
// runners and the pixel writers.
#pragma once

#include "core/glcontext.h"
#include "raster/span.h"  // the span stages the line lists share

// Most pixels one run of the line stages handles: the span work arrays and the
// coverage words. Longer lines are drawn in sections.
enum { GL_LINE_SECTION_PIXELS = 2048 };
static_assert((int)GL_LINE_SECTION_PIXELS <= (int)GL_SPAN_WORK_ENTRIES &&
                  (int)GL_LINE_SECTION_PIXELS <= (int)GL_COVERAGE_WORDS * 32,
              "a line section fits the span arrays and the coverage words");

extern "C" {
// Per-segment procedures (procs.renderLine): complete both vertices, then draw.
void GLPROC __glRenderLine(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glRenderLineFlat(GlContext* gc, GlVertex* a, GlVertex* b);

// Draw procedures (procs.drawLine).
void GLPROC __glDrawLine(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glDrawLineAntialiased(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glDrawLineFlatFog(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glNullLineDraw(GlContext* gc, GlVertex* a, GlVertex* b);
// Set-up only: the walk of the line in gc->span; linePixelCount 0 draws nothing.
void GLPROC __glSetupLine(GlContext* gc, GlVertex* a, GlVertex* b);
void GLPROC __glSetupLineAntialiased(GlContext* gc, GlVertex* a, GlVertex* b);

// Runners.
void GLPROC __glRunLineStages(GlContext* gc);
void GLPROC __glRunLineStagesShort(GlContext* gc);
void GLPROC __glRunWideLineStages(GlContext* gc);
void GLPROC __glRunWideLineStagesMasked(GlContext* gc);
void GLPROC __glRunLineStagesBothBuffers(GlContext* gc);
void GLPROC __glRunLineStagesBothBuffersMasked(GlContext* gc);

// Stages: list A (fresh coverage words, 1 = killed some) and list B (honour
// the words, 1 = all dead).
GLuint GLPROC __glLineStippleStage(GlContext* gc);
GLuint GLPROC __glLineClipStage(GlContext* gc);
GLuint GLPROC __glLineClipStageMasked(GlContext* gc);
GLuint GLPROC __glLineStencilStage(GlContext* gc);
GLuint GLPROC __glLineStencilStageMasked(GlContext* gc);
GLuint GLPROC __glLineDepthStage(GlContext* gc);
GLuint GLPROC __glLineDepthStageMasked(GlContext* gc);
GLuint GLPROC __glLineDepthStencilStage(GlContext* gc);
GLuint GLPROC __glLineDepthStencilStageMasked(GlContext* gc);
GLuint GLPROC __glLineStencilOnlyStage(GlContext* gc);
GLuint GLPROC __glLineStencilOnlyStageMasked(GlContext* gc);
GLuint GLPROC __glLineCoverageStage(GlContext* gc);
GLuint GLPROC __glLineCoverageStageMasked(GlContext* gc);

// Pixel writers.
GLuint GLPROC __glLineStoreGeneric(GlContext* gc);
GLuint GLPROC __glLineStoreGenericMasked(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8Flat(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8FlatMasked(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8PerPixel(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8PerPixelMasked(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8FlatDither(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8FlatDitherMasked(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8PerPixelDither(GlContext* gc);
GLuint GLPROC __glLineStoreIndex8PerPixelDitherMasked(GlContext* gc);
GLuint GLPROC __glLineStoreRgb16Flat(GlContext* gc);
GLuint GLPROC __glLineStoreRgb16FlatMasked(GlContext* gc);
GLuint GLPROC __glLineStoreRgb16PerPixel(GlContext* gc);
GLuint GLPROC __glLineStoreRgb16PerPixelMasked(GlContext* gc);
GLuint GLPROC __glLineStoreRgb16Dither(GlContext* gc);
GLuint GLPROC __glLineStoreRgb16DitherMasked(GlContext* gc);

}

// (B + 0.5) / 16 - 0.5 of the 4x4 dither matrix, at (y & 3) * 4 + (x & 3).
extern const GLfloat __glDitherTable4x4[16];

// Advances the line's walk, distances and gradients by n pixels (the next
// section of a long line starts there).
void __glAdvanceLine(GlContext* gc, GLint n);
