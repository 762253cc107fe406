// Texture parameters, environment and coordinate generation: the setters
// validate and store; validation picks the procedures that use the state.

#include "texture.h"
#include "core/stateutil.h"

// Values as given, as an enum (truncated toward zero), a [0, 1] quantity
// (integers normalised) or a float.
static GLenum asEnum(GLdouble v) {
    return v > -2147483649.0 && v < 2147483648.0 ? (GLenum)(GLint)v : 0;  // out of range: no enum
}
static GLenum asEnum(GLfloat v) { return asEnum((GLdouble)v); }
static GLenum asEnum(GLint v) { return (GLenum)v; }
static GLfloat asUnit(GLfloat v) { return v; }
static GLfloat asUnit(GLint v) { return __glIntToUnit(v); }
static GLfloat asFloat(GLdouble v) { return (GLfloat)v; }
static GLfloat asFloat(GLfloat v) { return v; }
static GLfloat asFloat(GLint v) { return (GLfloat)v; }
static void clampScaleColor(GlContext* gc, GLfloat out[4], const GLfloat* v) { __glClampScaleColor(gc, out, v); }
static void clampScaleColor(GlContext* gc, GLfloat out[4], const GLint* v) { __glClampScaleColorInt(gc, out, v); }

// Single-value forms take a short pname list; inside glBegin/glEnd they are
// refused like every setter, before the pname is looked at.
static bool singleForm(bool pnameAccepted) {
    if (!__glSetterAllowed(__glThreadState())) return false;
    if (!pnameAccepted) __glSetError(GL_INVALID_ENUM);
    return pnameAccepted;
}

template <size_t N>
static bool accepted(GLenum value, const GLenum (&list)[N]) {
    for (GLenum e : list)
        if (e == value) return true;
    return false;
}

// ---- glTexParameter

static const GLenum wrapModes[] = {GL_CLAMP, GL_REPEAT};
static const GLenum magFilters[] = {GL_NEAREST, GL_LINEAR};
static const GLenum minFilters[] = {GL_NEAREST,
                                    GL_LINEAR,
                                    GL_NEAREST_MIPMAP_NEAREST,
                                    GL_LINEAR_MIPMAP_NEAREST,
                                    GL_NEAREST_MIPMAP_LINEAR,
                                    GL_LINEAR_MIPMAP_LINEAR};

// The enum-valued parameters: where they are kept and what they accept.
struct GlTexEnumParam {
    GLenum pname;
    GLenum GlTexTargetState::*field;
    const GLenum* values;
    size_t count;
};
#define ENUM_PARAM(p, f, list) {p, &GlTexTargetState::f, list, sizeof list / sizeof list[0]}
static const GlTexEnumParam enumParams[] = {
    ENUM_PARAM(GL_TEXTURE_WRAP_S, wrapS, wrapModes),
    ENUM_PARAM(GL_TEXTURE_WRAP_T, wrapT, wrapModes),
    ENUM_PARAM(GL_TEXTURE_MAG_FILTER, magFilter, magFilters),
    ENUM_PARAM(GL_TEXTURE_MIN_FILTER, minFilter, minFilters),
};
#undef ENUM_PARAM

template <class T>
static void texParameter(GLenum target, GLenum pname, const T* v) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    GlTexTargetState* s = __glLookupTexTargetState(gc, target);
    if (!s) return __glSetError(GL_INVALID_ENUM);
    GlTextureObject* o = __glLookupTextureObject(gc, target);
    if (o->refCount > 2) return __glSetError(GL_INVALID_OPERATION);  // bound in another context too
    GlTexTargetState* p = &o->params.state;
    if (pname == GL_TEXTURE_BORDER_COLOR) {
        for (int i = 0; i < 4; i++) s->borderColor[i] = p->borderColor[i] = __glClampFloat(asUnit(v[i]), 0.0f, 1.0f);
    } else if (pname == GL_TEXTURE_PRIORITY) {
        s->priority = __glClampFloat(asUnit(v[0]), 0.0f, 1.0f);
    } else {
        const GlTexEnumParam* e = nullptr;
        for (const GlTexEnumParam& c : enumParams)
            if (c.pname == pname) e = &c;
        if (!e) return __glSetError(GL_INVALID_ENUM);  // the values are not read
        const GLenum value = asEnum(v[0]);
        bool ok = false;
        for (size_t i = 0; i < e->count; i++) ok = ok || e->values[i] == value;
        if (!ok) return __glSetError(GL_INVALID_ENUM);
        s->*e->field = p->*e->field = value;
    }
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

static const GLenum singleTexParameters[] = {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_WRAP_S,
                                             GL_TEXTURE_WRAP_T, GL_TEXTURE_PRIORITY};

extern "C" void GLIMM __glImmTexParameterfv(GLenum target, GLenum pname, const GLfloat* params) {
    texParameter(target, pname, params);
}
extern "C" void GLIMM __glImmTexParameteriv(GLenum target, GLenum pname, const GLint* params) {
    texParameter(target, pname, params);
}
extern "C" void GLIMM __glImmTexParameterf(GLenum target, GLenum pname, GLfloat param) {
    if (!singleForm(accepted(pname, singleTexParameters))) return;
    texParameter(target, pname, &param);
}
extern "C" void GLIMM __glImmTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (!singleForm(accepted(pname, singleTexParameters))) return;
    texParameter(target, pname, &param);
}

// ---- glTexEnv

static const GLenum envModes[] = {GL_ADD, GL_BLEND, GL_REPLACE, GL_MODULATE, GL_DECAL};

template <class T>
static void texEnv(GLenum target, GLenum pname, const T* v) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (target != GL_TEXTURE_ENV) return __glSetError(GL_INVALID_ENUM);
    GlTexEnvState* env = &gc->texture.env;
    if (pname == GL_TEXTURE_ENV_MODE) {
        const GLenum mode = asEnum(v[0]);
        if (!accepted(mode, envModes)) return __glSetError(GL_INVALID_ENUM);
        env->mode = mode;
    } else if (pname == GL_TEXTURE_ENV_COLOR) {
        clampScaleColor(gc, env->color, v);
    } else {
        return __glSetError(GL_INVALID_ENUM);
    }
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

extern "C" void GLIMM __glImmTexEnvfv(GLenum target, GLenum pname, const GLfloat* params) {
    texEnv(target, pname, params);
}
extern "C" void GLIMM __glImmTexEnviv(GLenum target, GLenum pname, const GLint* params) {
    texEnv(target, pname, params);
}
extern "C" void GLIMM __glImmTexEnvf(GLenum target, GLenum pname, GLfloat param) {
    if (!singleForm(pname == GL_TEXTURE_ENV_MODE)) return;
    texEnv(target, pname, &param);
}
extern "C" void GLIMM __glImmTexEnvi(GLenum target, GLenum pname, GLint param) {
    if (!singleForm(pname == GL_TEXTURE_ENV_MODE)) return;
    texEnv(target, pname, &param);
}

// ---- glTexGen

template <class T>
static void texGen(GLenum coord, GLenum pname, const T* v) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    const GLuint c = coord - GL_S;
    if (c > 3) return __glSetError(GL_INVALID_ENUM);
    GlTexGenState* g = &gc->texture.gen[c];
    switch (pname) {
    case GL_TEXTURE_GEN_MODE: {
        const GLenum mode = asEnum(v[0]);
        // Sphere mapping makes s and t only.
        if (mode != GL_EYE_LINEAR && mode != GL_OBJECT_LINEAR && !(mode == GL_SPHERE_MAP && c < 2))
            return __glSetError(GL_INVALID_ENUM);
        g->mode = mode;
        break;
    }
    case GL_OBJECT_PLANE:
        for (int i = 0; i < 4; i++) g->objectPlane[i] = asFloat(v[i]);
        break;
    case GL_EYE_PLANE: {
        GlMatrixEntry* mv = gc->matrices.modelViewTop;
        if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);
        GLfloat p[4];
        for (int i = 0; i < 4; i++) p[i] = asFloat(v[i]);
        // The plane as a row vector times the inverse modelview: the plane in eye space.
        mv->inverseTransposed.xform4(g->eyePlane, p, &mv->inverseTransposed);
        break;
    }
    default: return __glSetError(GL_INVALID_ENUM);
    }
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

extern "C" void GLIMM __glImmTexGendv(GLenum coord, GLenum pname, const GLdouble* params) {
    texGen(coord, pname, params);
}
extern "C" void GLIMM __glImmTexGenfv(GLenum coord, GLenum pname, const GLfloat* params) {
    texGen(coord, pname, params);
}
extern "C" void GLIMM __glImmTexGeniv(GLenum coord, GLenum pname, const GLint* params) {
    texGen(coord, pname, params);
}
extern "C" void GLIMM __glImmTexGend(GLenum coord, GLenum pname, GLdouble param) {
    if (!singleForm(pname == GL_TEXTURE_GEN_MODE)) return;
    texGen(coord, pname, &param);
}
extern "C" void GLIMM __glImmTexGenf(GLenum coord, GLenum pname, GLfloat param) {
    if (!singleForm(pname == GL_TEXTURE_GEN_MODE)) return;
    texGen(coord, pname, &param);
}
extern "C" void GLIMM __glImmTexGeni(GLenum coord, GLenum pname, GLint param) {
    if (!singleForm(pname == GL_TEXTURE_GEN_MODE)) return;
    texGen(coord, pname, &param);
}
