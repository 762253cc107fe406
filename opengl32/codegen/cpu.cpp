// Processor features: whether generated code may use MMX, and the MMX
// doubleword-fill routine of the clear path.

#include <cpuid.h>
#include <stdlib.h>
#include "codegen/codegen.h"

GLint __glOgHasMmx = -1;
GLint __glOgHasMmxExt = -1;

// MMX: "__GL_FORCE_MMX" when it exists (its decimal value, non-zero = on), else
// the MMX feature bit (leaf 1, EDX bit 23). The MMX extensions (pshufw,
// pextrw, pmulhuw, pminub, pminsw, maskmovq, which the MMX fill uses and an MMX-only
// processor faults on): MMX and the SSE feature bit (leaf 1, EDX bit 25), or
// the extended-MMX bit of the AMD processors that have them without SSE
// (leaf 0x80000001, EDX bit 22); the processor's answer whatever MMX's source.
GlOgCpuChoice __glOgCpuChoose(const char* force, GLuint leaf1Edx, GLuint extendedEdx) {
    GlOgCpuChoice c;
    c.mmx = force ? strtol(force, nullptr, 10) != 0 : (leaf1Edx & bit_MMX) != 0;
    c.mmxExt = c.mmx && ((leaf1Edx & bit_SSE) || (extendedEdx & (1u << 22)));
    return c;
}

// Both decided on the first call of either, for the life of the process.
static void decide(void) {
    unsigned a, b, c, d = 0, e = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) d = 0;
    if (!__get_cpuid(0x80000001u, &a, &b, &c, &e)) e = 0;
    const GlOgCpuChoice choice = __glOgCpuChoose(getenv("__GL_FORCE_MMX"), d, e);
    if (__glOgHasMmx < 0) __glOgHasMmx = choice.mmx;
    if (__glOgHasMmxExt < 0) __glOgHasMmxExt = choice.mmxExt;
}

GLboolean __glHasMMX(void) {
    if (__glOgHasMmx < 0) decide();
    return (GLboolean)__glOgHasMmx;
}

GLboolean __glHasMmxExtensions(void) {
    if (__glOgHasMmxExt < 0) decide();
    return (GLboolean)(__glOgHasMmxExt && __glHasMMX());
}

// MMX spans (the MMX fill, which uses the MMX extensions): RGBA with at most
// 16 colour bits a pixel.
GLboolean __glUseMmxSpans(GlContext* gc) {
    return __glHasMmxExtensions() && gc->pixelFormat.rgba && !gc->pixelFormat.colorIndex &&
           gc->pixelFormat.colorBits <= 16;
}

// Stores the doubleword in eax ecx times from edi upwards, edi left past the last
// store; uses ebx and mm0 and leaves the MMX state in use (the caller issues emms).
// A count of 0 stores nothing. Pairs go thirty-two quadwords a step while
// thirty-two remain, then one a step.
uint8_t* __glGenFragmentLoop(GlContext* gc, uint8_t* out) {
    __glOgResetArena(gc);
    GlOgNode* aligned = __glOgNewShortLabel(gc);
    GlOgNode* blocks = __glOgNewShortLabel(gc);
    GlOgNode* loop = __glOgNewShortLabel(gc);
    GlOgNode* single = __glOgNewLabel(gc);   // these three lie beyond a short
    GlOgNode* noPairs = __glOgNewLabel(gc);  // jump over the step's stores
    GlOgNode* done = __glOgNewLabel(gc);
    GlOgNode* four = __glOgImm(gc, 4);
    GlOgNode* at = __glOgMemBase(gc, nullptr, OG_EDI);
    uint8_t* (*const E)(GlContext*, uint8_t*, GlOgNode*) = __glOgEncode;

    out = E(gc, out, __glOgTest(gc, OG_ECX, OG_ECX));
    out = E(gc, out, __glOgJe(gc, done));
    // One store brings edi to a multiple of 8.
    out = E(gc, out, __glOgTest(gc, OG_EDI, __glOgImm(gc, 7)));
    out = E(gc, out, __glOgJe(gc, aligned));
    out = E(gc, out, __glOgMov(gc, at, OG_EAX));
    out = E(gc, out, __glOgAdd(gc, OG_EDI, four));
    out = E(gc, out, __glOgDec(gc, OG_ECX));
    out = __glOgPlaceLabel(gc, out, aligned);
    out = E(gc, out, __glOgMov(gc, OG_EBX, OG_ECX));
    out = E(gc, out, __glOgShr(gc, OG_ECX, __glOgImm(gc, 1)));
    out = E(gc, out, __glOgJe(gc, noPairs));
    out = E(gc, out, __glOgMovd(gc, OG_MM(0), OG_EAX));
    out = E(gc, out, __glOgPunpckldq(gc, OG_MM(0), OG_MM(0)));
    out = E(gc, out, __glOgSub(gc, OG_ECX, __glOgImm(gc, 32)));
    out = E(gc, out, __glOgJb(gc, single));
    out = __glOgPlaceLabel(gc, out, blocks);
    for (GLint i = 0; i < 32; i++) out = E(gc, out, __glOgMovq(gc, __glOgMemBase(gc, __glOgImm(gc, 8 * i), OG_EDI), OG_MM(0)));
    out = E(gc, out, __glOgAdd(gc, OG_EDI, __glOgImm(gc, 256)));
    out = E(gc, out, __glOgSub(gc, OG_ECX, __glOgImm(gc, 32)));
    out = E(gc, out, __glOgJae(gc, blocks));
    out = __glOgPlaceLabel(gc, out, single);
    out = E(gc, out, __glOgAdd(gc, OG_ECX, __glOgImm(gc, 32)));
    out = E(gc, out, __glOgJe(gc, noPairs));
    out = __glOgPlaceLabel(gc, out, loop);
    out = E(gc, out, __glOgMovq(gc, at, OG_MM(0)));
    out = E(gc, out, __glOgAdd(gc, OG_EDI, __glOgImm(gc, 8)));
    out = E(gc, out, __glOgDec(gc, OG_ECX));
    out = E(gc, out, __glOgJne(gc, loop));
    out = __glOgPlaceLabel(gc, out, noPairs);
    out = E(gc, out, __glOgTest(gc, OG_EBX, __glOgImm(gc, 1)));
    out = E(gc, out, __glOgJe(gc, done));
    out = E(gc, out, __glOgMov(gc, at, OG_EAX));
    out = E(gc, out, __glOgAdd(gc, OG_EDI, four));
    out = __glOgPlaceLabel(gc, out, done);
    return E(gc, out, __glOgRet(gc));
}
