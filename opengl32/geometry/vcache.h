// The immediate-mode vertex cache's flush and vertex entries.
#pragma once

#include "core/glcontext.h"

typedef void(GLIMM* GlVertexFvEntry)(const GLfloat*);

extern "C" void GLPROC __glVcacheFlush(GlContext* gc, GLint kind);
// The entries of two-, three- and four-component vertices that store the
// attributes of gather bits (GL_GATHER_*).
const GlVertexFvEntry* __glVcacheEntries(GLuint gather);
