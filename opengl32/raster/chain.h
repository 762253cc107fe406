// The fast triangle path: the picker that builds the span chain, the C++
// set-up and group walk, and the chain stages of the rasterizer (clip,
// stipple, tests, stencil, depth, fog, both buffers, the colour-index
// stages and the generic stores). Every stage takes the coverage mask and
// the span record in registers (GLSPANCALL) and calls its successor slot.
#pragma once

#include "core/glcontext.h"
#include "raster/glbuffer.h"

// Process-wide switches, read once from the environment at the first pick:
// on when the variable exists and its decimal value is not 0.
struct GlFastPathSwitches {
    uint8_t read;
    uint8_t disableFastPath;      // "__GL_DISABLE_FASTPATH"
    uint8_t nullTriangleRender;   // "__GL_NULL_TRIANGLE_RENDER"
    uint8_t nullTriangleFill;     // "__GL_NULL_TRIANGLE_FILL"
    uint8_t disableOg;            // "__GL_DISABLE_OG"
    uint8_t genericStore;         // "__GL_GENERIC_STORE"
    uint8_t genericSetup;         // "__GL_GENERIC_SETUP"
};
extern GlFastPathSwitches __glFastPathSwitches;

extern "C" {
// Installs the fast path (1) or leaves the generic path to the caller (0).
GLboolean GLPROC __glPickTriangleProcs(GlContext* gc);
// The texture part of the picker: procs.spanTextured, procs.texelFetch,
// procs.texFilterMin and procs.texFilterMag, the texture code, texel-alpha bit
// and coordinate form in the pick; may clear the texture raster flags (the
// triangle is drawn untextured) or force the generic set-up. Returns 0 when
// the textured state has no chain (the generic path draws it).
GLboolean GLPROC __glPickChainTexture(GlContext* gc, GlChainPick* pick);
// The generated twin of the picked textured stage into procs.spanTextured,
// when the state has one (GlChainPick.texStageKey).
void GLPROC __glGenChainTexturedStage(GlContext* gc);

// Triangle procedure of the fast path (procs.renderTriangle).
void GLPROC __glGenericTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
void GLPROC __glNullTriangleRender(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
// The set-up behind it (procs.setupTriangle): the generic path's edges and
// gradients, the span cut into groups of 32 and handed to procs.fillTriangle.
void GLPROC __glChainSetupTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint longEdgeLeft);
// One scan line's span (x, n pixels, start values at x) cut to the clip box
// and handed to the chain head group by group.
void GLPROC __glEmitSpanChunks(GlContext* gc, GLint x, GLint y, GLint n);

// Chain stages.
void GLSPANCALL __glNullSpanFill(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanWindowClip(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanStipple(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTest1(GLuint mask, GlSpan* s);  // alpha test
void GLSPANCALL __glSpanTest2(GLuint mask, GlSpan* s);  // index test
void GLSPANCALL __glSpanTest3(GLuint mask, GlSpan* s);  // index fog
void GLSPANCALL __glSpanTest4(GLuint mask, GlSpan* s);  // RGBA fog
void GLSPANCALL __glSpanTest5(GLuint mask, GlSpan* s);  // index fog, GL_NICEST
void GLSPANCALL __glSpanTest6(GLuint mask, GlSpan* s);  // RGBA fog, GL_NICEST
void GLSPANCALL __glSpanTest7(GLuint mask, GlSpan* s);  // both buffers
void GLSPANCALL __glSpanStencilTest(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanStencil(GLuint mask, GlSpan* s);
void GLSPANCALL __glStencilOpKeep(GLuint mask, GlSpan* s);
void GLSPANCALL __glStencilOpZero(GLuint mask, GlSpan* s);
void GLSPANCALL __glStencilOpReplace(GLuint mask, GlSpan* s);
void GLSPANCALL __glStencilOpIncr(GLuint mask, GlSpan* s);
void GLSPANCALL __glStencilOpDecr(GLuint mask, GlSpan* s);
void GLSPANCALL __glStencilOpInvert(GLuint mask, GlSpan* s);
// The stencil operation stage of GL_KEEP .. GL_INVERT; null for any other.
GlSpanProc GLPROC __glPickStencilOp(GLenum op);
// The C++ depth stage for the depth state (what __glGenDepthSpanCode would generate).
GlSpanProc GLPROC __glPickDepthSpanStage(GlContext* gc);

// Generic stores by format code (null where a code has none), and the
// colour-index shade, store and direct tables.
extern const GlSpanProc __glGenericStoreProcs[GL_SPAN_FORMAT_CODES];
extern const GlSpanProc __glIndexShadeProcs[GL_SPAN_INDEX_SHADE_STAGES];
extern const GlSpanProc __glIndexStoreProcs[GL_SPAN_INDEX_STORE_STAGES];
extern const GlSpanProc __glIndexDirectProcs[GL_SPAN_INDEX_DIRECT_STAGES];

// Bit reversal of a byte, and the coverage mask of n pixels (top n bits).
extern const uint8_t __glBitReverse[256];
extern const GLuint __glCoverageMasks[33];
}

// A 32-bit mask with its bit order reversed.
static inline GLuint __glReverseMask(GLuint m) {
    return (GLuint)__glBitReverse[m & 0xFF] << 24 | (GLuint)__glBitReverse[(m >> 8) & 0xFF] << 16 |
           (GLuint)__glBitReverse[(m >> 16) & 0xFF] << 8 | __glBitReverse[m >> 24];
}
