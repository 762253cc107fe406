// The generic textured span stage: every fragment's s, t, q and level-of-detail
// attribute from the span's start values and x steps, textured through
// procs.textureInterpolated at s/q, t/q with rho = attribute/q.

#include "texture/texsample.h"
#include "geometry/glvertex.h"
#include "raster/span.h"

namespace {

template <bool Masked>
GLuint GLPROC textureSpan(GlContext* gc) {
    GlSpanState* sp = &gc->span;
    if (!gc->currentTexture) return 0;
    const GlTexFragmentProc texture = gc->procs.textureInterpolated;
    GLfloat(*c)[4] = sp->spanColors;
    const GLuint* cov = sp->spanCoverage;
    const GLfloat* dx = sp->textureDx;
    GLfloat S = sp->spanTexture[0], T = sp->spanTexture[1], Q = sp->spanTexture[2], R = sp->spanTexture[3];
    for (GLint i = 0; i < sp->spanLength; i++, S += dx[0], T += dx[1], Q += dx[2], R += dx[3]) {
        if (Masked && !(cov[i >> 5] & (0x80000000u >> (i & 31)))) continue;
        const GLfloat iq = Q != 0.0f ? 1.0f / Q : 0.0f;
        texture(gc, c[i], S * iq, T * iq, R * iq);
    }
    return Masked ? sp->spanAllDead : 0;
}

}  // namespace

extern "C" GLuint GLPROC __glTextureSpan(GlContext* gc) { return textureSpan<false>(gc); }
extern "C" GLuint GLPROC __glTextureSpanMasked(GlContext* gc) { return textureSpan<true>(gc); }

// Points: the vertex's own coordinates, magnified (rho 1).
extern "C" void GLPROC __glTextureVertexColor(GlContext* gc, const GlVertex* v, GLfloat* color) {
    if (!gc->currentTexture) return;
    const GLfloat q = v->texCoord[3];
    const GLfloat iq = q != 0.0f ? 1.0f / q : 0.0f;
    gc->procs.textureInterpolated(gc, color, v->texCoord[0] * iq, v->texCoord[1] * iq, 1.0f);
}
