// Fog factors of eye distances, the colour blend and the fog picker.

#include <math.h>
#include "core/stateutil.h"
#include "core/pickers.h"
#include "geometry.h"

// Clamp to [0, 1]: negatives and not-a-number give 0; -0 stays.
static inline GLfloat clampFog(GLfloat f) {
    if (f != f || __glIsNegative(f)) return 0.0f;
    return f > 1.0f ? 1.0f : f;
}

// Linear fog; with start equal to end, the limit: 1 before the end, 0 from it on.
static inline GLfloat linearFog(const GlFogState* fog, GLfloat z) {
    if (fog->start == fog->end) return z < fog->end ? 1.0f : 0.0f;
    return clampFog((fog->end - z) * fog->linearScale);
}

extern "C" GLfloat GLPROC __glFogFactorOf(GlContext* gc, GLfloat z) {
    const GlFogState* fog = &gc->fog;
    z = fabsf(z);
    switch (fog->mode) {
    case GL_LINEAR: return linearFog(fog, z);
    case GL_EXP: return clampFog((GLfloat)exp(-(double)fog->density * (double)z));
    default: {
        const GLfloat d2 = fog->density * fog->density;
        return clampFog((GLfloat)exp(-(double)d2 * (double)z * (double)z));
    }
    }
}

extern "C" GLfloat GLPROC __glFogVertexFactor(GlContext* gc, GlVertex* v) { return __glFogFactorOf(gc, v->eye[2]); }

extern "C" GLfloat GLPROC __glFogVertexFactorLinear(GlContext* gc, GlVertex* v) {
    return linearFog(&gc->fog, fabsf(v->eye[2]));
}

extern "C" void GLPROC __glFogBlend(GlContext* gc, GLfloat* out, const GLfloat* in, GLfloat f) {
    const GLfloat g = 1.0f - f;
    if (gc->pixelFormat.rgba) {
        const GLfloat* fc = gc->fog.color;
        for (int i = 0; i < 3; i++) out[i] = f * in[i] + g * fc[i];
        out[3] = in[3];
    } else {
        const GLfloat top = (GLfloat)__glIndexMask(gc);
        const GLfloat i = in[0] + g * gc->fog.index;
        out[0] = i > top ? top : i;
    }
}

// The per-vertex factor procedure (GL_NICEST fogs per fragment) and the
// fragment factor and blend; null fragment procedures with fog off.
extern "C" void GLPROC __glPickFogProcs(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    const bool on = (gc->enables.general & GL_EN_FOG) != 0;
    p->fogFactor = on ? __glFogFactorOf : nullptr;
    p->fogBlend = on ? __glFogBlend : nullptr;
    if (!on || __glNicestFog(gc)) p->fogVertex = __glFogVertexNone;
    else p->fogVertex = gc->fog.mode == GL_LINEAR ? __glFogVertexFactorLinear : __glFogVertexFactor;
}
