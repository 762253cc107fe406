// The single-fragment store: clip box, alpha or index test, stencil and depth,
// then the colour store; and its picker.

#include "core/pickers.h"
#include "depthstencil.h"
#include "fragment.h"

namespace {

inline bool insideClipBox(const GlContext* gc, const GlFragment* f) {
    const GLint* box = gc->span.clipBox;
    return f->x >= box[0] && f->x < box[2] && f->y >= box[1] && f->y < box[3];
}

template <unsigned Tests>
void GLPROC storeTested(GlColorBuffer* cb, const GlFragment* f) {
    GlContext* gc = cb->buf.context;  // null while no drawable is attached
    if (!gc || !insideClipBox(gc, f)) return;
    if ((Tests & GL_FRAG_ALPHA_TEST) && !__glAlphaTestPasses(gc, f->color[3])) return;
    if ((Tests & GL_FRAG_INDEX_TEST) && !__glIndexTestPass(gc, f->color[0])) return;
    GlStencilBuffer* sb = &gc->fb.stencil;
    if ((Tests & GL_FRAG_STENCIL) && !sb->testPixel(sb, f->x, f->y)) {
        sb->applyFail(sb, f->x, f->y);
        return;
    }
    if (Tests & GL_FRAG_DEPTH) {
        GlDepthBuffer* db = &gc->fb.depth;
        if (!db->testPixel(db, f->x, f->y, f->z)) {
            if (Tests & GL_FRAG_STENCIL) sb->applyZfail(sb, f->x, f->y);
            return;
        }
    }
    if (Tests & GL_FRAG_STENCIL) sb->applyZpass(sb, f->x, f->y);
    gc->procs.storeFragment(cb, f);
}

}  // namespace

// Bit 0 never comes with bit 3 (alpha test is RGBA only, index test colour
// index only): entries 9, 11, 13, 15 repeat 8, 10, 12, 14.
extern "C" const GlFragmentStoreProc __glStoreFragmentTable[16] = {
    storeTested<0>, storeTested<1>, storeTested<2>,  storeTested<3>,  storeTested<4>,  storeTested<5>,
    storeTested<6>, storeTested<7>, storeTested<8>,  storeTested<8>,  storeTested<10>, storeTested<10>,
    storeTested<12>, storeTested<12>, storeTested<14>, storeTested<14>,
};

extern "C" void GLPROC __glStoreFragmentClip(GlColorBuffer* cb, const GlFragment* f) { storeTested<0>(cb, f); }

extern "C" void GLPROC __glStoreFragmentNone(GlColorBuffer*, const GlFragment*) {}

extern "C" void GLPROC __glStoreFragmentBothBuffers(GlColorBuffer* cb, const GlFragment* f) {
    GlFramebuffer* fb = &cb->buf.context->fb;
    fb->frontBuffer->storeFragment(fb->frontBuffer, f);
    fb->backBuffer->storeFragment(fb->backBuffer, f);
}

extern "C" GLint GLPROC __glFragmentStoreTargets(GlContext* gc, GlColorBuffer* out[2]) {
    if (gc->procs.storeFragment == __glStoreFragmentNone) return 0;
    if (gc->procs.storeFragment == __glStoreFragmentBothBuffers) {
        out[0] = gc->fb.frontBuffer, out[1] = gc->fb.backBuffer;
        return 2;
    }
    out[0] = gc->drawBuffer;
    return out[0] ? 1 : -1;
}

extern "C" GLboolean GLPROC __glDirectColorBuffer(const GlColorBuffer* cb, GLboolean rgba) {
    if (!cb || !cb->buf.base || (cb->flags & ~(GLuint)GL_CB_DITHER) || cb->writeMask != cb->fullMask) return GL_FALSE;
    return rgba ? __glIsDibColorBuffer(cb) : __glIsIndex8ColorBuffer(cb);
}

// Every store keeps the clip box: a point or bitmap may lie partly outside
// the drawable (viewport larger than it) or the scissor box.
extern "C" void GLPROC __glPickFragmentStoreProc(GlContext* gc) {
    const GLuint F = gc->rasterFlags;
    GLuint index = 0;
    if ((F & GL_RF_ALPHA_TEST) && (F & GL_RF_RGBA)) index |= GL_FRAG_ALPHA_TEST;
    if (F & GL_RF_STENCIL) index |= GL_FRAG_STENCIL;
    if (F & GL_RF_DEPTH_TEST) index |= GL_FRAG_DEPTH;
    if ((F & GL_RF_INDEX_TEST) && !(F & GL_RF_RGBA)) index |= GL_FRAG_INDEX_TEST;
    GlContextProcs* p = &gc->procs;
    const GLenum mode = gc->colorBuffer.drawBuffer;
    switch (mode) {
    case GL_NONE: p->storeFragment = __glStoreFragmentNone; break;
    case GL_FRONT_AND_BACK:
        if (gc->bothBuffers && gc->fb.backBuffer) {
            p->storeFragment = __glStoreFragmentBothBuffers;
            break;
        }
        // fall through
    case GL_FRONT:
    case GL_BACK:
    case GL_AUX0:
    case GL_AUX1:
    case GL_AUX2:
    case GL_AUX3:
        p->storeFragment = gc->drawBuffer ? gc->drawBuffer->storeFragment : __glStoreFragmentNone;
        break;
    default: return;
    }
    p->storeFragmentTested = __glStoreFragmentTable[index];
}
