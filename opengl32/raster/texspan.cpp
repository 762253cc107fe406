// The generic textured span stage: every fragment's s, t and q from the
// span's start values and x steps, its level of detail from the exact
// derivatives of s/q and t/q, and its colour from the current texture.

#include "texture/texsample.h"
#include "geometry/glvertex.h"
#include "raster/span.h"

namespace {

template <bool Masked>
GLuint GLPROC textureSpan(GlContext* gc) {
    GlSpanState* sp = &gc->span;
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    if (!p) return 0;
    GLfloat(*c)[4] = sp->spanColors;
    const GLuint* cov = sp->spanCoverage;
    const GLfloat* dx = sp->textureDx;
    const GLfloat* dy = sp->textureDy;
    GLfloat S = sp->spanTexture[0], T = sp->spanTexture[1], Q = sp->spanTexture[2];
    for (GLint i = 0; i < sp->spanLength; i++, S += dx[0], T += dx[1], Q += dx[2]) {
        if (Masked && !(cov[i >> 5] & (0x80000000u >> (i & 31)))) continue;
        const GLfloat iq = Q != 0.0f ? 1.0f / Q : 0.0f;
        const GLfloat s = S * iq, t = T * iq;
        const GLfloat rho = __glTexRho(p, (dx[0] - s * dx[2]) * iq, (dx[1] - t * dx[2]) * iq,
                                       (dy[0] - s * dy[2]) * iq, (dy[1] - t * dy[2]) * iq);
        __glTextureFragment(gc, c[i], s, t, rho);
    }
    return Masked ? sp->spanAllDead : 0;
}

}  // namespace

extern "C" GLuint GLPROC __glTextureSpan(GlContext* gc) { return textureSpan<false>(gc); }
extern "C" GLuint GLPROC __glTextureSpanMasked(GlContext* gc) { return textureSpan<true>(gc); }

// Points and lines: the vertex's own coordinates at level 0's scale.
extern "C" void GLPROC __glTextureVertexColor(GlContext* gc, const GlVertex* v, GLfloat* color) {
    if (!gc->currentTexture) return;
    const GLfloat q = v->texCoord[3];
    const GLfloat iq = q != 0.0f ? 1.0f / q : 0.0f;
    __glTextureFragment(gc, color, v->texCoord[0] * iq, v->texCoord[1] * iq, 0.0f);
}
