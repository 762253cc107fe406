// Generic state setters: colour, depth, stencil, accumulation, fog, lights,
// material, rasterization and hints.

#include "stateutil.h"
#include "pickers.h"
#include "wgl/drawable.h"

// The begin-state test of a setter: the context, or null after the error.
static inline GlContext* setterContext(GlThreadState* ts) {
    return __glSetterAllowed(ts) ? ts->context : nullptr;
}
static inline bool isCompareFunc(GLenum f) { return f - GL_NEVER <= 7u; }
static inline bool isFace(GLenum f) { return f == GL_FRONT || f == GL_BACK || f == GL_FRONT_AND_BACK; }
// Accumulation clamp: below -1 becomes -1, above one becomes one.
static inline GLfloat clampSigned(GLfloat f) { return f < -1.0f ? -1.0f : f > 1.0f ? 1.0f : f; }

extern "C" void GLIMM __glImmAlphaFunc(GLenum func, GLclampf ref) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!isCompareFunc(func)) return __glSetError(GL_INVALID_ENUM);
    gc->colorBuffer.alphaFunc = func;
    gc->colorBuffer.alphaRef = __glClampUnit(ref);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
    gc->dirtyTables |= GL_DIRTY_ALPHA_TABLE;
}

extern "C" void GLIMM __glImmBlendFunc(GLenum sfactor, GLenum dfactor) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    const bool srcOk = sfactor == GL_ZERO || sfactor == GL_ONE || sfactor - 0x302u <= 6u;
    const bool dstOk = dfactor == GL_ZERO || dfactor == GL_ONE || dfactor - 0x300u <= 5u;
    if (!srcOk || !dstOk) return __glSetError(GL_INVALID_ENUM);
    gc->colorBuffer.blendSrc = sfactor;
    gc->colorBuffer.blendDst = dfactor;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmLogicOp(GLenum opcode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (opcode - GL_CLEAR > 15u) return __glSetError(GL_INVALID_ENUM);
    gc->colorBuffer.logicOp = opcode;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    GlContext* gc = setterContext(__glThreadState());
    if (!gc) return;
    GLfloat* c = gc->colorBuffer.clearColor;
    c[0] = __glClampUnit(r), c[1] = __glClampUnit(g), c[2] = __glClampUnit(b), c[3] = __glClampUnit(a);
}

extern "C" void GLIMM __glImmClearIndex(GLfloat c) {
    GlContext* gc = setterContext(__glThreadState());
    if (!gc) return;
    GLint sixteenths = (GLint)(c * 16.0f) & (GLint)(__glIndexMask(gc) * 16u + 15u);
    gc->colorBuffer.clearIndex = (GLfloat)sixteenths / 16.0f;
}

extern "C" void GLIMM __glImmClearDepth(GLclampd depth) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    gc->depth.clearValue = depth < 0.0 ? 0.0 : depth > 1.0 ? 1.0 : depth;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmClearAccum(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    GLfloat* c = gc->accum.clearColor;
    c[0] = clampSigned(r), c[1] = clampSigned(g), c[2] = clampSigned(b), c[3] = clampSigned(a);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmClearStencil(GLint s) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    gc->stencil.clearValue = (uint16_t)(s & __glStencilMask(gc));
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    uint8_t* m = gc->colorBuffer.colorWriteMask;
    m[0] = r, m[1] = g, m[2] = b, m[3] = a;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmIndexMask(GLuint mask) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    gc->colorBuffer.indexWriteMask = mask & __glIndexMask(gc);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmDepthFunc(GLenum func) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!isCompareFunc(func)) return __glSetError(GL_INVALID_ENUM);
    gc->depth.func = func;
    __glMarkPickers(ts, gc, GL_DIRTY_DEPTH);
}

extern "C" void GLIMM __glImmDepthMask(GLboolean flag) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    gc->depth.writeMask = flag;
    __glMarkPickers(ts, gc, GL_DIRTY_DEPTH);
}

extern "C" void GLIMM __glImmStencilFunc(GLenum func, GLint ref, GLuint mask) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!isCompareFunc(func)) return __glSetError(GL_INVALID_ENUM);
    const GLint top = (GLint)__glStencilMask(gc);
    gc->stencil.func = func;
    gc->stencil.ref = (uint16_t)(ref < 0 ? 0 : ref > top ? top : ref);
    gc->stencil.valueMask = (uint16_t)(mask & (GLuint)top);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
    gc->dirtyTables |= GL_DIRTY_STENCIL_REF;
}

extern "C" void GLIMM __glImmStencilMask(GLuint mask) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    gc->stencil.writeMask = (uint16_t)(mask & __glStencilMask(gc));
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
    gc->dirtyTables |= GL_DIRTY_STENCIL_REF;
}

static bool isStencilOp(GLenum op) { return op == GL_ZERO || op == GL_INVERT || op - GL_KEEP <= 3u; }

extern "C" void GLIMM __glImmStencilOp(GLenum fail, GLenum zfail, GLenum zpass) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!isStencilOp(fail) || !isStencilOp(zfail) || !isStencilOp(zpass)) return __glSetError(GL_INVALID_ENUM);
    gc->stencil.failOp = fail;
    gc->stencil.depthFailOp = zfail;
    gc->stencil.depthPassOp = zpass;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
    gc->dirtyTables |= GL_DIRTY_STENCIL_OPS;
}

extern "C" void GLIMM __glImmIndexFuncQTA(GLenum func, GLfloat ref) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!isCompareFunc(func)) return __glSetError(GL_INVALID_ENUM);
    gc->colorBuffer.indexTestFunc = func;
    gc->colorBuffer.indexTestRef = ref;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
    gc->dirtyTables |= GL_DIRTY_INDEX_TABLE;
}

extern "C" void GLIMM __glImmDrawBuffer(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    const bool twoBuffers = gc->pixelFormat.doubleBuffer != 0;
    GLenum effective;
    switch (mode) {
    case GL_NONE: effective = GL_NONE; break;
    case GL_FRONT_LEFT:
    case GL_FRONT: effective = GL_FRONT; break;
    case GL_BACK_LEFT:
    case GL_BACK:
        if (!twoBuffers) return __glSetError(GL_INVALID_OPERATION);
        effective = GL_BACK;
        break;
    case GL_LEFT:
    case GL_FRONT_AND_BACK: effective = twoBuffers ? GL_FRONT_AND_BACK : GL_FRONT; break;
    case GL_FRONT_RIGHT:
    case GL_BACK_RIGHT:
    case GL_RIGHT:
    case GL_AUX0:
    case GL_AUX1:
    case GL_AUX2:
    case GL_AUX3: return __glSetError(GL_INVALID_OPERATION);  // no right or auxiliary buffers
    default: return __glSetError(GL_INVALID_ENUM);
    }
    gc->colorBuffer.drawBuffer = effective;
    gc->colorBuffer.drawBufferRequested = mode;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmCullFace(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!isFace(mode)) return __glSetError(GL_INVALID_ENUM);
    gc->polygon.cullFace = mode;
    __glMarkPickers(ts, gc, GL_DIRTY_POLYGON);
}

extern "C" void GLIMM __glImmFrontFace(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (mode != GL_CW && mode != GL_CCW) return __glSetError(GL_INVALID_ENUM);
    gc->polygon.frontFace = mode;
    __glMarkPickers(ts, gc, GL_DIRTY_POLYGON);
}

extern "C" void GLIMM __glImmPolygonMode(GLenum face, GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (mode - GL_POINT > 2u || !isFace(face)) return __glSetError(GL_INVALID_ENUM);
    if (face != GL_BACK) gc->polygon.frontMode = mode;
    if (face != GL_FRONT) gc->polygon.backMode = mode;
    __glMarkPickers(ts, gc,
                    GL_DIRTY_POLYGON | (mode == GL_POINT ? GL_DIRTY_POINT : mode == GL_LINE ? GL_DIRTY_LINE : 0));
}

extern "C" void GLIMM __glImmPolygonOffset(GLfloat factor, GLfloat units) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    gc->polygon.offsetFactor = factor;
    gc->polygon.offsetUnits = units;
    __glMarkPickers(ts, gc, GL_DIRTY_POLYGON);
}

extern "C" void GLIMM __glImmShadeModel(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (mode != GL_FLAT && mode != GL_SMOOTH) return __glSetError(GL_INVALID_ENUM);
    gc->lighting.shadeModel = mode;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

// Width and size forms: the integer width and the width the range supports.
static GLint widthInteger(GLfloat v) { return v < 1.0f ? 1 : v >= 65536.0f ? 65536 : (GLint)(v + 0.5f); }
static GLfloat quantize(GLfloat v, GLfloat lo, GLfloat hi, GLfloat step) {
    if (v <= lo) return lo;
    if (v >= hi) return hi;
    return lo + step * (GLfloat)(GLint)((v - lo) / step + 0.5f);
}

extern "C" void GLIMM __glImmLineWidth(GLfloat width) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!(width > 0.0f)) return __glSetError(GL_INVALID_VALUE);
    const GlLimits* l = &gc->limits;
    gc->line.width = width;
    gc->line.widthQuantized = quantize(width, l->lineWidthMin, l->lineWidthMax, l->lineWidthGranularity);
    gc->line.widthInteger = widthInteger(width);
    __glMarkPickers(ts, gc, GL_DIRTY_LINE);
}

extern "C" void GLIMM __glImmLineStipple(GLint factor, GLushort pattern) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    gc->line.stipplePattern = pattern;
    gc->line.stippleRepeat = (int16_t)(factor < 1 ? 1 : factor > 256 ? 256 : factor);
    __glMarkPickers(ts, gc, GL_DIRTY_LINE);
}

extern "C" void GLIMM __glImmPointSize(GLfloat size) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    if (!(size > 0.0f)) return __glSetError(GL_INVALID_VALUE);
    const GlLimits* l = &gc->limits;
    gc->point.size = size;
    gc->point.sizeQuantized = quantize(size, l->pointSizeMin, l->pointSizeMax, l->pointSizeGranularity);
    gc->point.sizeInteger = widthInteger(size);
    __glMarkPickers(ts, gc, GL_DIRTY_POINT);
}

extern "C" void GLIMM __glImmHint(GLenum target, GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    static const GLuint marks[5] = {GL_DIRTY_GENERIC, GL_DIRTY_POINT, GL_DIRTY_LINE, GL_DIRTY_POLYGON,
                                    GL_DIRTY_GENERIC};
    const GLuint t = target - GL_PERSPECTIVE_CORRECTION_HINT;
    if (mode - GL_DONT_CARE > 2u || t > 4u) return __glSetError(GL_INVALID_ENUM);
    (&gc->hints.perspectiveCorrection)[t] = mode;
    __glMarkPickers(ts, gc, marks[t]);
}

// Fog. The value arrives as floats or integers; GL_FOG_COLOR takes four.
static void fogParams(GLenum pname, const GLfloat* fv, const GLint* iv) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    GlFogState* fog = &gc->fog;
    const GLfloat f = fv ? fv[0] : (GLfloat)iv[0];
    switch (pname) {
    case GL_FOG_INDEX: {
        GLint i = (fv ? (GLint)fv[0] : iv[0]) & (GLint)__glIndexMask(gc);
        fog->index = (GLfloat)i;
        fog->indexByte = (uint8_t)i;
        break;
    }
    case GL_FOG_DENSITY:
        if (fv ? __glIsNegative(f) : iv[0] < 0) return __glSetError(GL_INVALID_VALUE);
        fog->density = f;
        break;
    case GL_FOG_START: fog->start = f; break;
    case GL_FOG_END: fog->end = f; break;
    case GL_FOG_MODE: {
        GLenum m = fv ? (GLenum)(GLint)fv[0] : (GLenum)iv[0];
        if (m != GL_EXP && m != GL_EXP2 && m != GL_LINEAR) return __glSetError(GL_INVALID_ENUM);
        fog->mode = m;
        break;
    }
    case GL_FOG_COLOR:
        if (fv) __glClampScaleColor(gc, fog->color, fv);
        else __glClampScaleColorInt(gc, fog->color, iv);
        __glFogColorBytes(gc);
        break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    if (fog->mode == GL_LINEAR) fog->linearScale = fog->end == fog->start ? 0.0f : 1.0f / (fog->end - fog->start);
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

static bool singleFog(GLenum pname) {
    if (pname - GL_FOG_INDEX <= 4u) return true;
    GlContext* gc = setterContext(__glThreadState());
    if (gc) __glSetError(GL_INVALID_ENUM);
    return false;
}
extern "C" void GLIMM __glImmFogfv(GLenum pname, const GLfloat* params) { fogParams(pname, params, nullptr); }
extern "C" void GLIMM __glImmFogiv(GLenum pname, const GLint* params) { fogParams(pname, nullptr, params); }
extern "C" void GLIMM __glImmFogf(GLenum pname, GLfloat param) {
    if (singleFog(pname)) fogParams(pname, &param, nullptr);
}
extern "C" void GLIMM __glImmFogi(GLenum pname, GLint param) {
    if (singleFog(pname)) fogParams(pname, nullptr, &param);
}

// Lights.
static bool rangeBad(const GLfloat* fv, const GLint* iv, GLfloat hi) {
    if (fv) return __glIsNegative(fv[0]) || fv[0] > hi;
    return iv[0] < 0 || (GLfloat)iv[0] > hi;
}

static void lightParams(GLenum light, GLenum pname, const GLfloat* fv, const GLint* iv) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    GLuint i = light - GL_LIGHT0;
    if (i >= (GLuint)gc->limits.maxLights) return __glSetError(GL_INVALID_ENUM);
    GlLight* t = &gc->lighting.light[i];
    const GLfloat* m = gc->matrices.modelViewTop->matrix.m;
    GLfloat v[4];
    const int n = pname == GL_SPOT_DIRECTION ? 3 : pname - GL_AMBIENT <= 3u ? 4 : 1;
    for (int j = 0; j < n; j++) v[j] = fv ? fv[j] : (GLfloat)iv[j];
    switch (pname) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR: {
        GLfloat* dst = pname == GL_AMBIENT ? t->ambient : pname == GL_DIFFUSE ? t->diffuse : t->specular;
        if (fv) __glScaleColor(gc, dst, fv);
        else __glScaleColorInt(gc, dst, iv);
        break;
    }
    case GL_POSITION:
        for (int j = 0; j < 4; j++) t->position[j] = v[0] * m[j] + v[1] * m[4 + j] + v[2] * m[8 + j] + v[3] * m[12 + j];
        break;
    case GL_SPOT_DIRECTION:
        // Directions take the upper-left 3x3 of the modelview matrix.
        for (int j = 0; j < 3; j++) t->spotDirection[j] = v[0] * m[j] + v[1] * m[4 + j] + v[2] * m[8 + j];
        t->spotDirection[3] = 1.0f;
        __glDeriveSpotDirection(gc, (int)i);
        break;
    case GL_SPOT_EXPONENT:
        if (rangeBad(fv, iv, 128.0f)) return __glSetError(GL_INVALID_VALUE);
        t->spotExponent = v[0];
        break;
    case GL_SPOT_CUTOFF:
        if (v[0] != 180.0f && rangeBad(fv, iv, 90.0f)) return __glSetError(GL_INVALID_VALUE);
        t->spotCutoff = v[0];
        break;
    case GL_CONSTANT_ATTENUATION:
    case GL_LINEAR_ATTENUATION:
    case GL_QUADRATIC_ATTENUATION:
        if (fv ? __glIsNegative(v[0]) : iv[0] < 0) return __glSetError(GL_INVALID_VALUE);
        (&t->constantAttenuation)[pname - GL_CONSTANT_ATTENUATION] = v[0];
        break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    __glMarkPickers(ts, gc, GL_DIRTY_LIGHTING);
}

static bool singleLight(GLenum pname) {
    if (pname - GL_SPOT_EXPONENT <= 4u) return true;
    if (setterContext(__glThreadState())) __glSetError(GL_INVALID_ENUM);
    return false;
}
extern "C" void GLIMM __glImmLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    lightParams(light, pname, params, nullptr);
}
extern "C" void GLIMM __glImmLightiv(GLenum light, GLenum pname, const GLint* params) {
    lightParams(light, pname, nullptr, params);
}
extern "C" void GLIMM __glImmLightf(GLenum light, GLenum pname, GLfloat param) {
    if (singleLight(pname)) lightParams(light, pname, &param, nullptr);
}
extern "C" void GLIMM __glImmLighti(GLenum light, GLenum pname, GLint param) {
    if (singleLight(pname)) lightParams(light, pname, nullptr, &param);
}

static void lightModelParams(GLenum pname, const GLfloat* fv, const GLint* iv) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    GlLightModel* lm = &gc->lighting.model;
    const bool nonZero = fv ? (__glFloatBits(fv[0]) & 0x7FFFFFFFu) != 0 : iv[0] != 0;
    switch (pname) {
    case GL_LIGHT_MODEL_LOCAL_VIEWER: lm->localViewer = nonZero; break;
    case GL_LIGHT_MODEL_TWO_SIDE: lm->twoSide = nonZero; break;
    case GL_LIGHT_MODEL_AMBIENT:
        if (fv) __glScaleColor(gc, lm->ambient, fv);
        else __glScaleColorInt(gc, lm->ambient, iv);
        break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    __glMarkPickers(ts, gc, GL_DIRTY_LIGHTING);
}

static bool singleLightModel(GLenum pname) {
    if (pname == GL_LIGHT_MODEL_LOCAL_VIEWER || pname == GL_LIGHT_MODEL_TWO_SIDE) return true;
    if (setterContext(__glThreadState())) __glSetError(GL_INVALID_ENUM);
    return false;
}
extern "C" void GLIMM __glImmLightModelfv(GLenum pname, const GLfloat* params) {
    lightModelParams(pname, params, nullptr);
}
extern "C" void GLIMM __glImmLightModeliv(GLenum pname, const GLint* params) {
    lightModelParams(pname, nullptr, params);
}
extern "C" void GLIMM __glImmLightModelf(GLenum pname, GLfloat param) {
    if (singleLightModel(pname)) lightModelParams(pname, &param, nullptr);
}
extern "C" void GLIMM __glImmLightModeli(GLenum pname, GLint param) {
    if (singleLightModel(pname)) lightModelParams(pname, nullptr, &param);
}

// Material: legal inside glBegin/glEnd; no begin state and no dirty bit.
extern "C" GLenum GLPROC __glCheckMaterialArgs(GLenum face, GLenum pname, GLfloat value) {
    if (!isFace(face)) return GL_INVALID_ENUM;
    switch (pname) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR:
    case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE:
    case GL_COLOR_INDEXES:
    case GL_INDEX_SHIFT:
    case GL_INDEX_OFFSET: return GL_NO_ERROR;
    case GL_SHININESS: return (__glIsNegative(value) || value > 128.0f) ? GL_INVALID_VALUE : GL_NO_ERROR;
    }
    return GL_INVALID_ENUM;
}

// Stores one material parameter; returns the change mask.
static GLuint storeMaterial(GlContext* gc, GlMaterial* m, GLenum pname, const GLfloat* fv, const GLint* iv) {
    GLfloat v[4];
    const int n = pname == GL_COLOR_INDEXES ? 3 : (pname - GL_AMBIENT <= 2u || pname == GL_EMISSION ||
                                                   pname == GL_AMBIENT_AND_DIFFUSE) ? 4 : 1;
    const bool color = n == 4 && pname != GL_EMISSION;
    for (int j = 0; j < n; j++) v[j] = fv ? fv[j] : color ? __glIntToUnit(iv[j]) : (GLfloat)iv[j];
    switch (pname) {
    case GL_AMBIENT: memcpy(m->ambient, v, 16); return 0x1;
    case GL_DIFFUSE: memcpy(m->diffuse, v, 16); return 0x2;
    case GL_SPECULAR: memcpy(m->specular, v, 16); return 0x4;
    case GL_AMBIENT_AND_DIFFUSE:
        memcpy(m->ambient, v, 16);
        memcpy(m->diffuse, v, 16);
        return 0x3;
    case GL_EMISSION:
        if (fv) __glScaleColor(gc, m->emission, fv);
        else __glScaleColorInt(gc, m->emission, iv);
        return 0x8;
    case GL_SHININESS: m->shininess = v[0]; return 0x10;
    case GL_COLOR_INDEXES:
        m->ambientIndex = v[0], m->diffuseIndex = v[1], m->specularIndex = v[2];
        return 0x20;
    case GL_INDEX_SHIFT: m->indexShift = v[0]; return 0x20;
    default: m->indexOffset = v[0]; return 0x20;
    }
}

static void materialParams(GLenum face, GLenum pname, const GLfloat* fv, const GLint* iv) {
    GlContext* gc = __glCurrentContext();
    GLfloat first = fv ? fv[0] : (GLfloat)iv[0];
    GLenum err = __glCheckMaterialArgs(face, pname, pname == GL_SHININESS ? first : 0.0f);
    if (err) return __glSetError(err);
    // Vertices gathered so far inside glBegin/glEnd are lit with the old material.
    if (__glThreadState()->beginState == GL_BEGIN_INSIDE && (gc->enables.general & GL_EN_LIGHTING))
        gc->procs.clipPrimitiveVertices(gc);
    if (face != GL_FRONT) storeMaterial(gc, &gc->lighting.back, pname, fv, iv);
    if (face != GL_BACK) storeMaterial(gc, &gc->lighting.front, pname, fv, iv);
    // An index shift or offset decides the colour-index lighting procedure.
    if (pname == GL_INDEX_SHIFT || pname == GL_INDEX_OFFSET) __glPickLightVertexProcs(gc);
    if (gc->enables.general & GL_EN_COLOR_MATERIAL) gc->procs.applyCurrentColor(gc);
}

extern "C" void GLIMM __glImmMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    materialParams(face, pname, params, nullptr);
}
extern "C" void GLIMM __glImmMaterialiv(GLenum face, GLenum pname, const GLint* params) {
    materialParams(face, pname, nullptr, params);
}
extern "C" void GLIMM __glImmMaterialf(GLenum face, GLenum pname, GLfloat param) {
    if (pname != GL_SHININESS) return __glSetError(GL_INVALID_ENUM);
    materialParams(face, pname, &param, nullptr);
}
extern "C" void GLIMM __glImmMateriali(GLenum face, GLenum pname, GLint param) {
    if (pname != GL_SHININESS && pname != GL_INDEX_SHIFT && pname != GL_INDEX_OFFSET)
        return __glSetError(GL_INVALID_ENUM);
    materialParams(face, pname, nullptr, &param);
}

extern "C" void GLIMM __glImmColorMaterial(GLenum face, GLenum mode) {
    GlContext* gc = setterContext(__glThreadState());
    if (!gc) return;
    const bool modeOk = mode == GL_EMISSION || mode - GL_AMBIENT <= 2u || mode == GL_AMBIENT_AND_DIFFUSE;
    if (!isFace(face) || !modeOk) return __glSetError(GL_INVALID_ENUM);
    gc->lighting.colorMaterialFace = face;
    gc->lighting.colorMaterialMode = mode;
    if (gc->enables.general & GL_EN_COLOR_MATERIAL) {
        gc->procs.pickColorMaterial(gc);
        gc->procs.applyCurrentColor(gc);
    }
}

extern "C" void GLIMM __glImmIndexMaterialQTA(GLenum face, GLenum mode) {
    GlContext* gc = setterContext(__glThreadState());
    if (!gc) return;
    if (!isFace(face) || mode != GL_INDEX_OFFSET) return __glSetError(GL_INVALID_ENUM);
    gc->lighting.indexMaterialFace = face;
    gc->lighting.indexMaterialMode = mode;
}

extern "C" void GLIMM __glImmCullParameterfvQTA(GLenum pname, GLfloat* params) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    GlCullVertexState* cv = &gc->cullVertex;
    if (pname == GL_CULL_VERTEX_EYE_POSITION_QTA) {
        cv->objectGiven = 0;
        memcpy(cv->eyeVector, params, 16);
    } else if (pname == GL_CULL_VERTEX_OBJECT_POSITION_QTA) {
        cv->objectGiven = 1;
        memcpy(cv->objectVector, params, 16);
    } else {
        if (!__glPrivateHint(gc, pname, params)) __glSetError(GL_INVALID_ENUM);
        return;
    }
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

// The private values read params[0] only; unknown values read nothing.
extern "C" void GLIMM __glImmCullParameterdvQTA(GLenum pname, GLdouble* params) {
    const bool vector = pname == GL_CULL_VERTEX_EYE_POSITION_QTA || pname == GL_CULL_VERTEX_OBJECT_POSITION_QTA;
    const bool hint = pname - 0x6401u <= 3u || pname - 0x81ADu <= 2u;
    GLfloat f[4] = {};
    for (int i = 0; i < (vector ? 4 : hint ? 1 : 0); i++) f[i] = (GLfloat)params[i];
    __glImmCullParameterfvQTA(pname, f);
}

// Polygon stipple: a 32 x 32 bitmap under the unpack pixel-store modes.
extern "C" void GLIMM __glImmPolygonStipple(const GLubyte* mask) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setterContext(ts);
    if (!gc) return;
    const GlPixelStoreModes* u = &gc->pixel.unpack;
    const GLint rowPixels = u->rowLength > 0 ? u->rowLength : 32;
    const GLint align = u->alignment > 0 ? u->alignment : 1;
    const GLint rowBytes = ((rowPixels + 7) / 8 + align - 1) / align * align;
    for (int r = 0; r < 32; r++) {
        const GLubyte* row = mask + (r + u->skipRows) * rowBytes;
        for (int b = 0; b < 4; b++) {
            uint8_t out = 0;
            for (int x = 0; x < 8; x++) {
                GLint px = u->skipPixels + b * 8 + x;
                GLubyte byte = row[px >> 3];
                int bit = u->lsbFirst ? (byte >> (px & 7)) & 1 : (byte >> (7 - (px & 7))) & 1;
                out |= (uint8_t)(bit << (7 - x));
            }
            gc->stipple.rows[r][b] = out;
        }
    }
    __glMarkPickers(ts, gc, GL_DIRTY_POLYGON | GL_DIRTY_STIPPLE);
}

// The stipple packed as a 32 x 32 bitmap under the pack pixel-store modes.
extern "C" void GLIMM __glImmGetPolygonStipple(GLubyte* mask) {
    GlContext* gc = setterContext(__glThreadState());
    if (!gc) return;
    const GlPixelStoreModes* p = &gc->pixel.pack;
    const GLint rowPixels = p->rowLength > 0 ? p->rowLength : 32;
    const GLint align = p->alignment > 0 ? p->alignment : 1;
    const GLint rowBytes = ((rowPixels + 7) / 8 + align - 1) / align * align;
    for (int r = 0; r < 32; r++) {
        GLubyte* row = mask + (r + p->skipRows) * rowBytes;
        for (int x = 0; x < 32; x++) {
            GLint px = p->skipPixels + x;
            int bit = (gc->stipple.rows[r][x >> 3] >> (7 - (x & 7))) & 1;
            GLubyte m = (GLubyte)(p->lsbFirst ? 1 << (px & 7) : 0x80 >> (px & 7));
            row[px >> 3] = (GLubyte)(bit ? row[px >> 3] | m : row[px >> 3] & ~m);
        }
    }
}

// A rectangle of the next swap (GL window coordinates), for double-buffered
// contexts only.
extern "C" void GLIMM __glImmAddSwapHintRectWIN(GLint x, GLint y, GLsizei width, GLsizei height) {
    GlContext* gc = setterContext(__glThreadState());
    if (!gc) return;
    if (width < 0 || height < 0) return __glSetError(GL_INVALID_VALUE);
    WglDrawable* d = gc->fb.drawable;
    if (gc->pixelFormat.doubleBuffer && d && d->addSwapHintRect) d->addSwapHintRect(d, x, y, width, height);
}
