// Procedures the context life cycle calls in the other parts of the library.
#pragma once

#include "glcontext.h"

extern "C" {
// Context operations.
GLboolean GLPROC __glBufferLockNop(GlContext* gc);
GLboolean GLPROC __glCopyContextState(GlContext* dst, GlContext* src, GLuint mask);
// Buffer swap (the back buffer) and glFlush, glFinish (the front buffer, when
// drawn): the buffer presented through its drawable description.
void GLPROC __glSwapBuffersProc(GlContext* gc);
void GLPROC __glPresentFrontBuffer(GlContext* gc);

// GL state groups: defaults at the first make-current, colours kept scaled by
// the colour-buffer maxima, attribute stack levels.
void GLPROC __glInitStateDefaults(GlContext* gc);
void GLPROC __glRescaleStoredColors(GlContext* gc, const GLfloat ratio[4]);
void GLPROC __glFreeAttribStack(GlContext* gc);

// Display lists.
void GLPROC __glInitArenaProcs(GlContext* gc);
GLboolean GLPROC __glInitDisplayListState(GlContext* gc);
void GLPROC __glFreeDisplayListState(GlContext* gc);

// Geometry.
GLboolean GLPROC __glAllocClipPlanes(GlContext* gc);
void GLPROC __glFreeClipPlanes(GlContext* gc);

// Textures and pixel state.
GLboolean GLPROC __glInitTextures(GlContext* gc);
void GLPROC __glFreeTextures(GlContext* gc);
void GLPROC __glShareTextureNames(GlContext* gc, GlContext* other);

// Code generator.
GLboolean GLPROC __glOgCreateCaches(GlContext* gc);
void GLPROC __glOgFreeCaches(GlContext* gc);

// Evaluators, pixel maps, vertex arrays, power tables, vertex cache.
void GLPROC __glFreeSubsystemState(GlContext* gc);
void GLPROC __glInitVertexArrayState(GlContext* gc);
void GLPROC __glVcacheInit(GlContext* gc);
void GLPROC __glFreeVertexArrayState(GlContext* gc);
void GLPROC __glVcacheFree(GlContext* gc);

// Generated vertex programs: their cache from creation to destruction.
GLboolean GLPROC __glVertexProgramsCreate(GlContext* gc);
void GLPROC __glVertexProgramsFree(GlContext* gc);
}
