// Blending of RGBA fragments with the colour buffer: the factor procedures,
// the combine procedures, the fast pairs and the blend picker. Colours are in
// the context's component range (0 .. maximum); nothing is rounded here.

#include "core/pickers.h"
#include "fragment.h"

namespace {

enum Factor {
    F_ZERO,
    F_ONE,
    F_SRC_COLOR,
    F_ONE_MINUS_SRC_COLOR,
    F_DST_COLOR,
    F_ONE_MINUS_DST_COLOR,
    F_SRC_ALPHA,
    F_ONE_MINUS_SRC_ALPHA,
    F_DST_ALPHA,
    F_ONE_MINUS_DST_ALPHA,
    F_SRC_ALPHA_SATURATE,
};

inline const GLfloat* maxima(const GlContext* gc) { return gc->constants.previousColorMax; }
inline const GLfloat* reciprocals(const GlContext* gc) { return gc->constants.invColorScale; }

// The four factors of F for source s and destination d.
template <int F>
inline void factors(const GlContext* gc, const GLfloat* s, const GLfloat* d, GLfloat f[4]) {
    const GLfloat* inv = reciprocals(gc);
    const GLfloat as = s[3] * inv[3], ad = d[3] * inv[3];
    for (int i = 0; i < 4; i++) {
        switch (F) {
        case F_ZERO: f[i] = 0.0f; break;
        case F_ONE: f[i] = 1.0f; break;
        case F_SRC_COLOR: f[i] = s[i] * inv[i]; break;
        case F_ONE_MINUS_SRC_COLOR: f[i] = 1.0f - s[i] * inv[i]; break;
        case F_DST_COLOR: f[i] = d[i] * inv[i]; break;
        case F_ONE_MINUS_DST_COLOR: f[i] = 1.0f - d[i] * inv[i]; break;
        case F_SRC_ALPHA: f[i] = as; break;
        case F_ONE_MINUS_SRC_ALPHA: f[i] = 1.0f - as; break;
        case F_DST_ALPHA: f[i] = ad; break;
        case F_ONE_MINUS_DST_ALPHA: f[i] = 1.0f - ad; break;
        default: f[i] = i == 3 ? 1.0f : as < 1.0f - ad ? as : 1.0f - ad; break;
        }
    }
}

// out = source times its factor.
template <int F>
void GLPROC blendSrc(GlContext* gc, const GLfloat* s, const GLfloat* d, GLfloat* out) {
    GLfloat f[4];
    factors<F>(gc, s, d, f);
    for (int i = 0; i < 4; i++) out[i] = s[i] * f[i];
}

// Destination times its factor, handed to procs.blendFinish.
template <int F>
void GLPROC blendDst(GlContext* gc, const GLfloat* s, const GLfloat* d, GLfloat* out) {
    GLfloat f[4], term[4];
    factors<F>(gc, s, d, f);
    for (int i = 0; i < 4; i++) term[i] = d[i] * f[i];
    gc->procs.blendFinish(gc, s, term, out);
}

typedef void(GLPROC* GlBlendProc)(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
struct FactorEntry {
    GLenum factor;
    GlBlendProc src, dst;  // null where the factor is not one of that side's
};
constexpr FactorEntry factorTable[] = {
    {GL_ZERO, blendSrc<F_ZERO>, blendDst<F_ZERO>},
    {GL_ONE, blendSrc<F_ONE>, blendDst<F_ONE>},
    {GL_SRC_COLOR, nullptr, blendDst<F_SRC_COLOR>},
    {GL_ONE_MINUS_SRC_COLOR, nullptr, blendDst<F_ONE_MINUS_SRC_COLOR>},
    {GL_DST_COLOR, blendSrc<F_DST_COLOR>, nullptr},
    {GL_ONE_MINUS_DST_COLOR, blendSrc<F_ONE_MINUS_DST_COLOR>, nullptr},
    {GL_SRC_ALPHA, blendSrc<F_SRC_ALPHA>, blendDst<F_SRC_ALPHA>},
    {GL_ONE_MINUS_SRC_ALPHA, blendSrc<F_ONE_MINUS_SRC_ALPHA>, blendDst<F_ONE_MINUS_SRC_ALPHA>},
    {GL_DST_ALPHA, blendSrc<F_DST_ALPHA>, blendDst<F_DST_ALPHA>},
    {GL_ONE_MINUS_DST_ALPHA, blendSrc<F_ONE_MINUS_DST_ALPHA>, blendDst<F_ONE_MINUS_DST_ALPHA>},
    {GL_SRC_ALPHA_SATURATE, blendSrc<F_SRC_ALPHA_SATURATE>, nullptr},
};

const FactorEntry* factorEntry(GLenum factor) {
    for (const FactorEntry& e : factorTable)
        if (e.factor == factor) return &e;
    return &factorTable[0];
}

// Pairs whose sum cannot pass the maxima.
bool needsNoClamp(GLenum src, GLenum dst) {
    return (src == GL_DST_ALPHA && dst == GL_ONE_MINUS_DST_ALPHA) ||
           (src == GL_ONE_MINUS_DST_ALPHA && dst == GL_DST_ALPHA) || dst == GL_ONE_MINUS_SRC_COLOR ||
           src == GL_ONE_MINUS_DST_COLOR || src == GL_ZERO || dst == GL_ZERO;
}

}  // namespace

extern "C" void GLPROC __glBlendAdd(GlContext*, const GLfloat*, const GLfloat* term, GLfloat* out) {
    for (int i = 0; i < 4; i++) out[i] += term[i];
}

extern "C" void GLPROC __glBlendNone(GlContext*, const GLfloat* src, const GLfloat*, GLfloat* out) {
    for (int i = 0; i < 4; i++) out[i] = src[i];
}

extern "C" void GLPROC __glBlendUnclamped(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out) {
    gc->procs.blendSrc(gc, src, dst, out);
    gc->procs.blendDst(gc, src, dst, out);
}

extern "C" void GLPROC __glBlendClamped(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out) {
    __glBlendUnclamped(gc, src, dst, out);
    const GLfloat* m = maxima(gc);
    for (int i = 0; i < 4; i++)
        if (out[i] > m[i]) out[i] = m[i];
}

extern "C" void GLPROC __glBlendFuncSrcAlphaZero(GlContext* gc, const GLfloat* src, const GLfloat*, GLfloat* out) {
    const GLfloat g = src[3] * reciprocals(gc)[3];
    for (int i = 0; i < 4; i++) out[i] = src[i] * g;
}

extern "C" void GLPROC __glBlendFuncSrcAlphaOne(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out) {
    const GLfloat g = src[3] * reciprocals(gc)[3];
    const GLfloat* m = maxima(gc);
    for (int i = 0; i < 4; i++) {
        const GLfloat v = src[i] * g + dst[i];
        out[i] = v > m[i] ? m[i] : v;
    }
}

extern "C" void GLPROC __glBlendFuncSrcAlphaOneMinusSrcAlpha(GlContext* gc, const GLfloat* src, const GLfloat* dst,
                                                             GLfloat* out) {
    const GLfloat g = src[3] * reciprocals(gc)[3], h = 1.0f - g;
    for (int i = 0; i < 4; i++) out[i] = g * src[i] + h * dst[i];
}

extern "C" void GLPROC __glBlendFuncOneMinusSrcAlphaSrcAlpha(GlContext* gc, const GLfloat* src, const GLfloat* dst,
                                                             GLfloat* out) {
    const GLfloat h = src[3] * reciprocals(gc)[3], g = 1.0f - h;
    for (int i = 0; i < 4; i++) out[i] = g * src[i] + h * dst[i];
}

extern "C" void GLPROC __glBlendFragment(GlContext* gc, GlColorBuffer*, const GlFragment* f, GLfloat out[4]) {
    static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    gc->procs.blendFunc(gc, f->color, none, out);
}

// The stored pixel is the destination; a buffer without alpha bits has the
// full alpha.
extern "C" void GLPROC __glBlendFragmentReadDest(GlContext* gc, GlColorBuffer* cb, const GlFragment* f,
                                                 GLfloat out[4]) {
    GLfloat d[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (cb->readPixel) cb->readPixel(cb, f->x, f->y, d);
    if (!cb->mask[3]) d[3] = maxima(gc)[3];
    gc->procs.blendFunc(gc, f->color, d, out);
}

extern "C" void GLPROC __glPickBlendProcs(GlContext* gc) {
    if (!gc->pixelFormat.rgba) return;
    GlContextProcs* p = &gc->procs;
    const GLenum src = gc->colorBuffer.blendSrc, dst = gc->colorBuffer.blendDst;
    p->blendSpan = __glBlendReadsDestination(src, dst) ? __glBlendFragmentReadDest : __glBlendFragment;
    if (!(gc->enables.general & GL_EN_BLEND)) {
        p->blendFunc = __glBlendNone;
    } else if (src == GL_SRC_ALPHA && dst == GL_ZERO) {
        p->blendFunc = __glBlendFuncSrcAlphaZero;
        return;
    } else if (src == GL_SRC_ALPHA && dst == GL_ONE) {
        p->blendFunc = __glBlendFuncSrcAlphaOne;
        return;
    } else if (src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA) {
        p->blendFunc = __glBlendFuncSrcAlphaOneMinusSrcAlpha;
        return;
    } else if (src == GL_ONE_MINUS_SRC_ALPHA && dst == GL_SRC_ALPHA) {
        p->blendFunc = __glBlendFuncOneMinusSrcAlphaSrcAlpha;
        return;
    } else {
        p->blendFunc = needsNoClamp(src, dst) ? __glBlendUnclamped : __glBlendClamped;
        const FactorEntry* s = factorEntry(src);
        const FactorEntry* d = factorEntry(dst);
        p->blendSrc = s->src ? s->src : blendSrc<F_ONE>;
        p->blendDst = d->dst ? d->dst : blendDst<F_ZERO>;
    }
    p->blendFinish = __glBlendAdd;
}
