// The span stage picker, the draw-buffer picker with its lock procedures,
// and the repacked polygon stipple.

#include "core/pickers.h"
#include "geometry/geometry.h"
#include "span.h"
#include "texture/texsample.h"
#include "fragment.h"

namespace {

struct StageList {
    GlContext* gc;
    GLint count;
    void add(GlSpanStageProc a, GlSpanStageProc b) {
        gc->spanStagesA[count] = a;
        gc->spanStagesB[count] = b;
        count++;
    }
};

// Stencil and depth entries; false when nothing can be drawn (depth
// function GL_NEVER without stencil).
bool addDepthStencil(StageList* l, GLuint F) {
    const bool offset = (F & GL_RF_POLYGON_OFFSET) != 0;
    if (F & GL_RF_STENCIL) {
        l->add(__glStencilTestSpan, __glStencilTestSpanMasked);
        if (!(F & GL_RF_DEPTH)) l->add(__glStencilPassSpan, __glStencilPassSpanMasked);
        else if (offset) l->add(__glDepthStencilSpanOffset, __glDepthStencilSpanOffsetMasked);
        else l->add(__glDepthStencilSpan, __glDepthStencilSpanMasked);
        return true;
    }
    if (!(F & GL_RF_DEPTH)) return true;
    if (l->gc->fb.depth.compareFunc == GL_NEVER) return false;
    if (offset) l->add(__glDepthTestSpanOffset, __glDepthTestSpanOffsetMasked);
    else l->add(__glDepthTestSpan, __glDepthTestSpanMasked);
    return true;
}

GlSpanStageProc blendStage(GLenum src, GLenum dst) {
    if (src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA) return __glBlendSpanSrcAlphaOneMinusSrcAlpha;
    if (src == GL_SRC_ALPHA && dst == GL_ONE) return __glBlendSpanSrcAlphaOne;
    if (src == GL_SRC_ALPHA && dst == GL_ZERO) return __glBlendSpanSrcAlphaZero;
    if (src == GL_ONE_MINUS_SRC_ALPHA && dst == GL_SRC_ALPHA) return __glBlendSpanOneMinusSrcAlphaSrcAlpha;
    return __glBlendSpan;
}

// Fetch, blend, dither or round, logic op and write mask, for a colour
// buffer whose store wants them done on the span.
void addBufferOps(StageList* l, GLuint F) {
    const GlContext* gc = l->gc;
    const bool rgba = (F & GL_RF_RGBA) != 0;
    bool fetched = false;
    if (F & (GL_RF_LOGIC_OP | GL_RF_WRITE_MASK)) {
        l->add(__glFetchSpan, __glFetchSpanMasked);
        fetched = true;
    }
    if (F & GL_RF_BLEND) {
        const GLenum src = gc->colorBuffer.blendSrc, dst = gc->colorBuffer.blendDst;
        if (!fetched && __glBlendReadsDestination(src, dst)) l->add(__glFetchSpan, __glFetchSpanMasked);
        l->add(blendStage(src, dst), __glBlendSpanMasked);
    }
    if (F & GL_RF_DITHER) {
        if (rgba) l->add(__glDitherSpanRgba, __glDitherSpanRgbaMasked);
        else l->add(__glDitherSpanIndex, __glDitherSpanIndexMasked);
    } else {
        if (rgba) l->add(__glRoundSpanRgba, __glRoundSpanRgbaMasked);
        else l->add(__glRoundSpanIndex, __glRoundSpanIndexMasked);
    }
    // RGBA logic op stays with the buffer's store: there is no RGBA stage.
    if ((F & GL_RF_LOGIC_OP) && !rgba) l->add(__glLogicOpSpanIndex, __glLogicOpSpanIndexMasked);
    if (F & GL_RF_WRITE_MASK) {
        if (rgba) l->add(__glColorMaskSpanRgba, __glColorMaskSpanRgba);
        else l->add(__glIndexMaskSpan, __glIndexMaskSpan);
    }
}

}  // namespace

extern "C" void GLPROC __glPickSpanProcs(GlContext* gc) {
    const GLuint F = gc->rasterFlags;
    StageList l = {gc, 0};
    __glSpanArrays(gc);
    gc->span.spanColorBuffer = gc->drawBuffer;
    gc->spanStageCount = gc->spanSplitIndex = 0;

    if (!gc->span.windowInside) l.add(__glScissorSpan, __glSpanNop);
    if (F & GL_RF_POLYGON_STIPPLE) l.add(__glStippleSpan, __glStippleSpanMasked);
    const bool late = (F & (GL_RF_ALPHA_TEST | GL_RF_INDEX_TEST)) != 0;
    if (!late && !addDepthStencil(&l, F)) {
        gc->procs.runSpanStages = (GlContextProc)__glNop;
        return;
    }
    if (F & GL_RF_RGBA) {
        if (F & GL_RF_SMOOTH_COLOR) l.add(__glColorSpanRgbaSmooth, __glColorSpanRgbaSmooth);
        else l.add(__glColorSpanRgbaFlat, __glColorSpanRgbaFlat);
    } else {
        if (F & GL_RF_SMOOTH_COLOR) l.add(__glColorSpanIndexSmooth, __glColorSpanIndexSmooth);
        else l.add(__glColorSpanIndexFlat, __glColorSpanIndexFlat);
    }
    if (F & GL_RF_TEXTURE) {
        GlSpanStageProc a, b;
        __glPickTextureSpanStages(gc, &a, &b);
        l.add(a, b);
    }
    if (F & GL_RF_FOG_FRAGMENT) {
        if (gc->hints.fog == GL_NICEST) l.add(__glFogSpanNicest, __glFogSpanNicestMasked);
        else l.add(__glFogSpanFast, __glFogSpanFastMasked);
    }
    if (late) {
        if (F & GL_RF_ALPHA_TEST) l.add(__glAlphaTestSpan, __glAlphaTestSpanMasked);
        else l.add(__glIndexTestSpan, __glIndexTestSpanMasked);
        if (!addDepthStencil(&l, F)) {
            gc->procs.runSpanStages = (GlContextProc)__glNop;
            return;
        }
    }
    const GLint split = l.count;
    // GL_NONE: the tests run, no colour buffer is written.
    GlColorBuffer* cb = gc->drawBuffer;
    if (cb && gc->colorBuffer.drawBuffer != GL_NONE) {
        if (cb->needsSpanOps) addBufferOps(&l, F);
        l.add(__glStoreSpan, __glStoreSpanMasked);
    }
    gc->spanStageCount = l.count;
    if (gc->bothBuffers) {
        gc->spanSplitIndex = split;
        gc->procs.runSpanStages = __glRunSpanStagesBothBuffers;
    } else {
        gc->spanSplitIndex = l.count;
        gc->procs.runSpanStages = __glRunSpanStages;
    }
}

extern "C" GLboolean GLPROC __glSpanClipStale(const GlContext* gc) {
    if (!gc->spanStageCount) return GL_FALSE;
    const bool clips = gc->spanStagesA[0] == __glScissorSpan;
    return clips == (gc->span.windowInside != 0);
}

extern "C" GLboolean GLPROC __glLockDrawBuffer(GlContext* gc) {
    GlColorBuffer* cb = gc->fb.lockedDrawBuffer;
    if (!cb || !cb->buf.desc || !cb->buf.desc->lock) return GL_TRUE;
    GlDrawableBuffer* desc = cb->buf.desc;
    desc->lock(desc, gc->fb.drawable);
    return gc->procs.refreshBufferAddresses ? gc->procs.refreshBufferAddresses(gc) : GL_TRUE;
}

extern "C" GLboolean GLPROC __glUnlockDrawBuffer(GlContext* gc) {
    GlColorBuffer* cb = gc->fb.lockedDrawBuffer;
    if (cb && cb->buf.desc && cb->buf.desc->unlock) cb->buf.desc->unlock(cb->buf.desc, gc->fb.drawable);
    return GL_TRUE;
}

static bool hasLock(const GlColorBuffer* cb) { return cb && cb->buf.desc && cb->buf.desc->lock; }

extern "C" void GLPROC __glPickDrawBuffer(GlContext* gc) {
    GlFramebuffer* fb = &gc->fb;
    const GLenum mode = gc->colorBuffer.drawBuffer;
    gc->bothBuffers = 0;
    switch (mode) {
    case GL_FRONT: gc->drawBuffer = fb->frontBuffer; break;
    case GL_BACK:
        if (fb->backBuffer) gc->drawBuffer = fb->backBuffer;
        break;
    case GL_FRONT_AND_BACK:
        if (fb->backBuffer && gc->pixelFormat.doubleBuffer) {
            gc->drawBuffer = fb->backBuffer;
            gc->bothBuffers = 1;
        } else {
            gc->drawBuffer = fb->frontBuffer;
        }
        break;
    }
    if (!gc->drawBuffer) gc->drawBuffer = fb->frontBuffer;
    GlContextProcs* p = &gc->procs;
    if ((gc->bothBuffers || mode != gc->pixel.readBuffer) && (hasLock(fb->frontBuffer) || hasLock(fb->backBuffer))) {
        p->lockDrawBuffers = __glLockBothDrawBuffers;
        p->unlockDrawBuffers = __glUnlockBothDrawBuffers;
        fb->lockedDrawBuffer = nullptr;
    } else if (hasLock(gc->drawBuffer)) {
        p->lockDrawBuffers = __glLockDrawBuffer;
        p->unlockDrawBuffers = __glUnlockDrawBuffer;
        fb->lockedDrawBuffer = gc->drawBuffer;
    } else {
        p->lockDrawBuffers = p->unlockDrawBuffers = nullptr;
        fb->lockedDrawBuffer = nullptr;
    }
}

// 32 words, row 0 (the bottom row) first, column 0 in bit 31.
extern "C" void GLPROC __glRepackStipple(GlContext* gc) {
    for (int r = 0; r < 32; r++) {
        const uint8_t* b = gc->stipple.rows[r];
        gc->polygonStipple[r] = (GLuint)b[0] << 24 | (GLuint)b[1] << 16 | (GLuint)b[2] << 8 | b[3];
    }
}
