// Texture environments: the fragment colour (colour-buffer units) combined
// with a texel ([0, 1]) by the environment mode and the base format.

#include "texture/texsample.h"

namespace {

enum Fmt { F_LUM, F_LUMALPHA, F_RGB, F_RGBA, F_ALPHA, F_INTENSITY };

// Colour-buffer maximum of component i.
inline GLfloat maxOf(const GlContext* gc, int i) { return 1.0f / gc->constants.invColorScale[i]; }

// The texel's red, green and blue as the base format gives them.
template <int F>
inline void texelRgb(const GlTexel* t, GLfloat* c) {
    if (F == F_LUM || F == F_LUMALPHA) c[0] = c[1] = c[2] = t->luminance;
    else if (F == F_INTENSITY) c[0] = c[1] = c[2] = t->intensity;
    else c[0] = t->red, c[1] = t->green, c[2] = t->blue;
}
constexpr bool hasRgb(int F) { return F != F_ALPHA; }
constexpr bool hasAlpha(int F) { return F == F_LUMALPHA || F == F_RGBA || F == F_ALPHA || F == F_INTENSITY; }
inline GLfloat texelAlpha(int F, const GlTexel* t) { return F == F_INTENSITY ? t->intensity : t->alpha; }

template <int F>
void GLPROC envModulate(GlContext*, GLfloat* c, const GlTexel* t) {
    if (hasRgb(F)) {
        GLfloat x[3];
        texelRgb<F>(t, x);
        for (int i = 0; i < 3; i++) c[i] *= x[i];
    }
    if (hasAlpha(F)) c[3] *= texelAlpha(F, t);
}

template <int F>
void GLPROC envReplace(GlContext* gc, GLfloat* c, const GlTexel* t) {
    if (hasRgb(F)) {
        GLfloat x[3];
        texelRgb<F>(t, x);
        for (int i = 0; i < 3; i++) c[i] = maxOf(gc, i) * x[i];
    }
    if (hasAlpha(F)) c[3] = maxOf(gc, 3) * texelAlpha(F, t);
}

template <int F>
void GLPROC envDecal(GlContext* gc, GLfloat* c, const GlTexel* t) {
    const GLfloat a = F == F_RGBA ? t->alpha : 1.0f;
    GLfloat x[3];
    texelRgb<F>(t, x);
    for (int i = 0; i < 3; i++) c[i] = (1.0f - a) * c[i] + a * maxOf(gc, i) * x[i];
}

template <int F>
void GLPROC envBlend(GlContext* gc, GLfloat* c, const GlTexel* t) {
    const GLfloat* e = gc->texture.env.color;
    if (hasRgb(F)) {
        GLfloat x[3];
        texelRgb<F>(t, x);
        for (int i = 0; i < 3; i++) c[i] = (1.0f - x[i]) * c[i] + x[i] * e[i];
    }
    if (F == F_INTENSITY) c[3] = (1.0f - t->intensity) * c[3] + t->intensity * e[3];
    else if (hasAlpha(F)) c[3] *= t->alpha;
}

void GLPROC envNone(GlContext*, GLfloat*, const GlTexel*) {}

}  // namespace

// Colour-index textures: the index in the colour's first element, the
// texel's index in red.
extern "C" void GLPROC __glTexEnvModulateIndex(GlContext*, GLfloat* c, const GlTexel* t) { c[0] *= t->red; }
extern "C" void GLPROC __glTexEnvReplaceIndex(GlContext*, GLfloat* c, const GlTexel* t) { c[0] = t->red; }
extern "C" void GLPROC __glTexEnvAddIndex(GlContext*, GLfloat* c, const GlTexel* t) { c[0] += t->red; }

namespace {

#define GL_ENV_ROW(E) {E<F_LUM>, E<F_LUMALPHA>, E<F_RGB>, E<F_RGBA>, E<F_ALPHA>, E<F_INTENSITY>}
const GlTexEnvProc envTable[4][6] = {
    GL_ENV_ROW(envModulate),
    GL_ENV_ROW(envReplace),
    {envNone, envNone, envDecal<F_RGB>, envDecal<F_RGBA>, envNone, envNone},
    GL_ENV_ROW(envBlend),
};
#undef GL_ENV_ROW

}  // namespace

extern "C" GlTexEnvProc GLPROC __glPickTexEnvProc(GLenum mode, GLenum baseFormat) {
    int m, f;
    switch (mode) {
    case GL_REPLACE: m = 1; break;
    case GL_DECAL: m = 2; break;
    case GL_BLEND: m = 3; break;
    default: m = 0; break;
    }
    switch (baseFormat) {
    case GL_LUMINANCE: f = F_LUM; break;
    case GL_LUMINANCE_ALPHA: f = F_LUMALPHA; break;
    case GL_RGB: f = F_RGB; break;
    case GL_RGBA: f = F_RGBA; break;
    case GL_ALPHA: f = F_ALPHA; break;
    case GL_INTENSITY: f = F_INTENSITY; break;
    case GL_COLOR_INDEX:
        return mode == GL_MODULATE ? __glTexEnvModulateIndex
               : mode == GL_REPLACE ? __glTexEnvReplaceIndex
               : mode == GL_ADD     ? __glTexEnvAddIndex
                                    : envNone;
    default: return envNone;
    }
    return envTable[m][f];
}
