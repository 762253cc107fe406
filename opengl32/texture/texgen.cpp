// Texture coordinate generation: generated or current coordinates through the
// texture matrix, divided by w for perspective-correct interpolation.

#include <math.h>
#include <string.h>

#include "texture/texsample.h"
#include "core/pickers.h"
#include "geometry/geometry.h"

namespace {

enum Gen { G_NONE, G_EYE, G_OBJECT, G_SPHERE, G_GENERIC };

inline GLfloat dot4(const GLfloat* p, const GLfloat* v) { return p[0] * v[0] + p[1] * v[1] + p[2] * v[2] + p[3] * v[3]; }

// Coordinate i (S, T, R, Q) by its own mode.
inline GLfloat generated(GlContext* gc, const GlVertex* v, int i, const GLfloat* sphere) {
    const GlTexGenState* g = &gc->texture.gen[i];
    if (g->mode == GL_EYE_LINEAR) return dot4(g->eyePlane, v->eye);
    if (g->mode == GL_OBJECT_LINEAR) return dot4(g->objectPlane, v->obj);
    return sphere[i & 1];
}

// What follows the texture matrix for the rasterizer: nothing (feedback,
// selection, texturing off), division of s, t and q by w for perspective-
// correct interpolation (unclipped vertices), or, for affine interpolation,
// s and t over q: interpolated spans then sample s/q and t/q without a
// division of their own (exact while q is the same at every vertex).
enum Q { Q_KEEP, Q_PROJECT, Q_OVER_Q };

// Generation (or the current coordinates), the texture matrix, then scaling
// to level-0 texels (Scale) and Q. The raster position keeps its coordinates
// as generated.
template <int G, int Q, bool Scale>
void GLPROC texGen(GlContext* gc, GlVertex* v) {
    GLfloat c[4];
    memcpy(c, v->texCoord, 16);
    if (G == G_EYE || G == G_OBJECT) {
        const GlTexGenState* g = gc->texture.gen;
        c[0] = G == G_EYE ? dot4(g[0].eyePlane, v->eye) : dot4(g[0].objectPlane, v->obj);
        c[1] = G == G_EYE ? dot4(g[1].eyePlane, v->eye) : dot4(g[1].objectPlane, v->obj);
    } else if (G == G_SPHERE) {
        __glTexGenSphereCoords(gc, v, &c[0], &c[1]);
    } else if (G == G_GENERIC) {
        const GLuint e = gc->enables.texture;
        GLfloat sphere[2] = {0.5f, 0.5f};
        if (((e & 0x4) && gc->texture.gen[0].mode == GL_SPHERE_MAP) ||
            ((e & 0x8) && gc->texture.gen[1].mode == GL_SPHERE_MAP))
            __glTexGenSphereCoords(gc, v, &sphere[0], &sphere[1]);
        for (int i = 0; i < 4; i++)
            if (e & (0x4u << i)) c[i] = generated(gc, v, i, sphere);
    }
    const GlMatrixRecord* m = &gc->matrices.textureTop->matrix;
    if (m->type == 4) memcpy(v->texCoord, c, 16);
    else m->xform4(v->texCoord, c, m);
    if (v == &gc->rasterVertex) return;
    if (Scale) {
        const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
        v->texCoord[0] *= p->levels[0].innerWidthF;
        if (p->dimensions == 2) v->texCoord[1] *= p->levels[0].innerHeightF;
    }
    if (Q == Q_PROJECT && !(v->flags & GL_VX_CLIP_PLANES)) {
        const GLfloat rw = v->invW;
        v->texCoord[0] *= rw, v->texCoord[1] *= rw, v->texCoord[3] *= rw;
    }
    const GLfloat q = v->texCoord[3];
    if (Q == Q_OVER_Q && q != 1.0f && q != 0.0f) {
        const GLfloat iq = 1.0f / q;
        v->texCoord[0] *= iq, v->texCoord[1] *= iq, v->texCoord[3] = 1.0f;
    }
}

// By generation, then Q (keep, project, over q) and Scale.
#define GL_GEN_ROW(G)                                                                                  \
    {texGen<G, Q_KEEP, false>, texGen<G, Q_PROJECT, false>, texGen<G, Q_OVER_Q, false>,               \
     texGen<G, Q_KEEP, true>,  texGen<G, Q_PROJECT, true>,  texGen<G, Q_OVER_Q, true>}
const GlVertexProc genTable[5][6] = {GL_GEN_ROW(G_NONE), GL_GEN_ROW(G_EYE), GL_GEN_ROW(G_OBJECT),
                                     GL_GEN_ROW(G_SPHERE), GL_GEN_ROW(G_GENERIC)};
#undef GL_GEN_ROW

}  // namespace

extern "C" void GLPROC __glTexGenSphereCoords(GlContext* gc, const GlVertex* v, GLfloat* s, GLfloat* t) {
    GLfloat u[3];
    gc->procs.normalize(u, v->eye);
    const GLfloat* n = v->normal;
    const GLfloat d = n[0] * u[0] + n[1] * u[1] + n[2] * u[2];
    const GLfloat r[3] = {n[0] * d * -2.0f + u[0], n[1] * d * -2.0f + u[1], n[2] * d * -2.0f + u[2]};
    const GLfloat z = r[2] + 1.0f;
    const GLfloat m = 2.0f * sqrtf(r[0] * r[0] + r[1] * r[1] + z * z);
    if (m == 0.0f) {
        *s = *t = gc->constants.half;
        return;
    }
    *s = r[0] / m + 0.5f;
    *t = r[1] / m + 0.5f;
}

extern "C" void GLPROC __glTexGenEyeLinear(GlContext* gc, GlVertex* v) { texGen<G_EYE, Q_KEEP, false>(gc, v); }
extern "C" void GLPROC __glTexGenObjectLinear(GlContext* gc, GlVertex* v) { texGen<G_OBJECT, Q_KEEP, false>(gc, v); }
extern "C" void GLPROC __glTexGenSphereMap(GlContext* gc, GlVertex* v) { texGen<G_SPHERE, Q_KEEP, false>(gc, v); }
extern "C" void GLPROC __glTexGenGeneric(GlContext* gc, GlVertex* v) { texGen<G_GENERIC, Q_KEEP, false>(gc, v); }

extern "C" GLboolean GLPROC __glTexGenDividesOnly(GlContext* gc) {
    return gc->procs.texGen == genTable[G_NONE][Q_PROJECT] && gc->matrices.textureTop->matrix.type == GL_MATRIX_IDENTITY;
}

extern "C" void GLPROC __glPickTexGenProcs(GlContext* gc) {
    const GLuint e = gc->enables.texture & 0x3C;
    const GlTexGenState* g = gc->texture.gen;
    int G = G_NONE;
    if (e == 0xC && g[0].mode == g[1].mode)
        G = g[0].mode == GL_EYE_LINEAR ? G_EYE : g[0].mode == GL_OBJECT_LINEAR ? G_OBJECT : G_SPHERE;
    else if (e)
        G = G_GENERIC;
    // Feedback and selection report the coordinates as given.
    const bool drawn = gc->texturingActive && gc->renderMode == GL_RENDER;
    const int q = !gc->texturingActive ? Q_KEEP
                  : (gc->rasterFlags & GL_RF_TEX_PERSPECTIVE) ? Q_PROJECT
                  : drawn ? Q_OVER_Q
                          : Q_KEEP;
    const bool scale = drawn && gc->texCoordsPreScaled;
    gc->procs.texGen = genTable[G][q + (scale ? 3 : 0)];
}
