// The pickers and hooks validation runs.
#pragma once

#include "glcontext.h"

extern "C" {
// Pickers of the geometry and render-mode procedures.
void GLPROC __glPickMatrixProcs(GlContext* gc);
void GLPROC __glPickCullAndFillProcs(GlContext* gc);
void GLPROC __glPickShadeProcs(GlContext* gc);
void GLPROC __glPickPointProcs(GlContext* gc);
void GLPROC __glPickLineProcs(GlContext* gc);

// The array pickers live in geometry/arrays.cpp, the texture and generation
// pickers in texture/, the rasterization pickers (draw buffer, fragment store,
// blend, bitmap, stipple, span) in raster/.
void GLPROC __glPickArrayProcs(GlContext* gc);
void GLPROC __glPickTextureProcs(GlContext* gc);
void GLPROC __glPickDrawBuffer(GlContext* gc);
void GLPROC __glPickFragmentStoreProc(GlContext* gc);
void GLPROC __glPickTexGenProcs(GlContext* gc);
void GLPROC __glPickBlendProcs(GlContext* gc);
void GLPROC __glPickFogProcs(GlContext* gc);
void GLPROC __glPickBitmapProc(GlContext* gc);
// procs.pickBitmapProc of a hardware context, and the software picker's
// choice for any state its fast bitmaps leave: the generic bitmap procedure.
void GLPROC __glHwPickBitmapProc(GlContext* gc);
void GLPROC __glRepackStipple(GlContext* gc);
void GLPROC __glPickSpanProcs(GlContext* gc);
void GLPROC __glPickVertexArrayProcs(GlContext* gc);
void GLPROC __glPickRenderProcs(GlContext* gc);
// The depth-test procedures; returns the table index.
GLint GLPROC __glPickDepthTestProc(GlContext* gc);

// Hooks validation calls directly: the vertex layout of generated code
// (codegen/), lighting, the alpha table, the vertex cache's hooks (geometry/).
void GLPROC __glChooseVertexLayout(GlContext* gc);
void GLPROC __glValidateLighting(GlContext* gc);
// The per-vertex lighting procedure alone (the material setters; light.cpp).
void GLPROC __glPickLightVertexProcs(GlContext* gc);
GLboolean GLPROC __glAllocAlphaFuncTable(GlContext* gc);
void GLPROC __glBuildAlphaFuncTable(GlContext* gc);
void GLPROC __glVcacheInstall(GlContext* gc);
// The index-test table (raster/depthtest.cpp).
void GLPROC __glBuildIndexTestTable(GlContext* gc);
}
