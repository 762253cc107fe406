// GL 1.1 initial state and the colour storage forms.

#include <math.h>
#include "pixel/pixel.h"
#include "services.h"
#include "stateutil.h"

extern "C" void GLPROC __glScaleColor(const GlContext* gc, GLfloat out[4], const GLfloat in[4]) {
    const GLfloat* s = __glColorScales(gc);
    for (int i = 0; i < 4; i++) out[i] = in[i] * s[i];
}

extern "C" void GLPROC __glScaleColorInt(const GlContext* gc, GLfloat out[4], const GLint in[4]) {
    const GLfloat* s = __glColorScales(gc);
    for (int i = 0; i < 4; i++) out[i] = __glIntToUnit(in[i]) * s[i];
}

extern "C" void GLPROC __glClampScaleColor(const GlContext* gc, GLfloat out[4], const GLfloat in[4]) {
    const GLfloat* s = __glColorScales(gc);
    for (int i = 0; i < 4; i++) out[i] = __glClampUnit(in[i]) * s[i];
}

extern "C" void GLPROC __glClampScaleColorInt(const GlContext* gc, GLfloat out[4], const GLint in[4]) {
    const GLfloat* s = __glColorScales(gc);
    for (int i = 0; i < 4; i++) out[i] = __glClampUnit(__glIntToUnit(in[i])) * s[i];
}

extern "C" void GLPROC __glUnscaleColorFloat(const GlContext* gc, GLfloat out[4], const GLfloat in[4]) {
    const GLfloat* s = __glColorScales(gc);
    for (int i = 0; i < 4; i++) out[i] = in[i] / s[i];
}

extern "C" void GLPROC __glFogColorBytes(GlContext* gc) {
    const GLfloat* s = __glColorScales(gc);
    for (int i = 0; i < 3; i++) gc->fog.colorBytes[i] = (uint8_t)(gc->fog.color[i] / s[i] * 255.0f);
}

extern "C" void GLPROC __glDeriveSpotDirection(GlContext* gc, int i) {
    const GLfloat* d = gc->lighting.light[i].spotDirection;
    GLfloat* u = gc->lightDerived.unitSpotDirection[i];
    GLfloat len = sqrtf(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int j = 0; j < 3; j++) u[j] = len > 0.0f ? d[j] / len : 0.0f;
}

static void set4(GLfloat* d, GLfloat a, GLfloat b, GLfloat c, GLfloat e) {
    d[0] = a, d[1] = b, d[2] = c, d[3] = e;
}

static const GLint evalComponents[GL_STATE_EVAL_MAPS] = {4, 1, 3, 1, 2, 3, 4, 3, 4};

static void initLighting(GlContext* gc) {
    GlLightingState* l = &gc->lighting;
    GLfloat c[4];
    l->colorMaterialFace = GL_FRONT_AND_BACK;
    l->colorMaterialMode = GL_AMBIENT_AND_DIFFUSE;
    l->indexMaterialFace = GL_FRONT_AND_BACK;
    l->indexMaterialMode = GL_INDEX_OFFSET;
    l->shadeModel = GL_SMOOTH;
    set4(c, 0.2f, 0.2f, 0.2f, 1.0f);
    __glScaleColor(gc, l->model.ambient, c);
    l->model.localViewer = l->model.twoSide = 0;
    GlMaterial* faces[2] = {&l->front, &l->back};
    for (GlMaterial* m : faces) {
        set4(m->ambient, 0.2f, 0.2f, 0.2f, 1.0f);
        set4(m->diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
        set4(m->specular, 0.0f, 0.0f, 0.0f, 1.0f);
        set4(c, 0.0f, 0.0f, 0.0f, 1.0f);
        __glScaleColor(gc, m->emission, c);
        m->shininess = 0.0f;
        m->ambientIndex = 0.0f;
        m->diffuseIndex = m->specularIndex = 1.0f;
        m->indexShift = m->indexOffset = 0.0f;
    }
    for (int i = 0; i < GL_STATE_MAX_LIGHTS; i++) {
        GlLight* t = &l->light[i];
        const GLfloat v = i == 0 ? 1.0f : 0.0f;
        set4(c, 0.0f, 0.0f, 0.0f, 1.0f);
        __glScaleColor(gc, t->ambient, c);
        set4(c, v, v, v, 1.0f);
        __glScaleColor(gc, t->diffuse, c);
        __glScaleColor(gc, t->specular, c);
        set4(t->position, 0.0f, 0.0f, 1.0f, 0.0f);
        set4(t->spotDirection, 0.0f, 0.0f, -1.0f, 1.0f);
        t->spotExponent = 0.0f;
        t->spotCutoff = 180.0f;
        t->constantAttenuation = 1.0f;
        t->linearAttenuation = t->quadraticAttenuation = 0.0f;
        __glDeriveSpotDirection(gc, i);
    }
}

static void initPixelAndTexture(GlContext* gc, GLenum buffer) {
    __glInitPixelState(gc);

    GlTextureState* x = &gc->texture;
    memset(x, 0, sizeof *x);
    for (int i = 0; i < 4; i++) x->gen[i].mode = GL_EYE_LINEAR;
    x->gen[0].eyePlane[0] = x->gen[0].objectPlane[0] = 1.0f;
    x->gen[1].eyePlane[1] = x->gen[1].objectPlane[1] = 1.0f;
    for (GlTexTargetState& s : x->target) {
        s.priority = 1.0f;
        s.minFilter = GL_NEAREST_MIPMAP_LINEAR;
        s.magFilter = GL_LINEAR;
        s.wrapS = s.wrapT = GL_REPEAT;
    }
    x->env.mode = GL_MODULATE;
}

// Every GL state variable to its OpenGL 1.1 initial value. Stored colours are
// in the units of the previous colour maxima; the make-current rescale that
// follows brings them to the drawable's.
extern "C" void GLPROC __glInitStateDefaults(GlContext* gc) {
    const GlPixelFormatInfo* f = &gc->pixelFormat;
    const GLenum buffer = f->doubleBuffer ? GL_BACK : GL_FRONT;
    GLfloat c[4];

    gc->feedbackType = GL_2D;
    gc->attribDepth = gc->clientAttribDepth = 0;

    GlCurrentState* cur = &gc->current;
    set4(cur->color, 1.0f, 1.0f, 1.0f, 1.0f);
    cur->index = 1.0f;
    __glScaleColor(gc, cur->scaledColor, cur->color);
    cur->normal[0] = cur->normal[1] = 0.0f;
    cur->normal[2] = 1.0f;
    set4(cur->texCoord, 0.0f, 0.0f, 0.0f, 1.0f);
    cur->edgeFlag = GL_TRUE;
    GlRasterPos* r = &cur->raster;
    set4(r->window, gc->limits.windowBiasXf + 0.5f, gc->limits.windowBiasYf + 0.5f, 0.0f, 1.0f);
    __glScaleColor(gc, r->color, cur->color);
    r->index = 1.0f;
    set4(r->texCoord, 0.0f, 0.0f, 0.0f, 1.0f);
    r->distance = 0.0f;
    r->valid = GL_TRUE;

    GlColorBufferState* cb = &gc->colorBuffer;
    memset(cb, 0, sizeof *cb);
    cb->alphaFunc = GL_ALWAYS;
    cb->blendSrc = GL_ONE;
    cb->blendDst = GL_ZERO;
    cb->indexTestFunc = GL_ALWAYS;
    cb->logicOp = GL_COPY;
    cb->indexWriteMask = __glIndexMask(gc);
    memset(cb->colorWriteMask, 1, 4);
    cb->drawBuffer = cb->drawBufferRequested = buffer;

    memset(&gc->depth, 0, sizeof gc->depth);
    gc->depth.func = GL_LESS;
    gc->depth.writeMask = 1;
    gc->depth.clearValue = 1.0;
    memset(&gc->accum, 0, sizeof gc->accum);

    GlStencilState* st = &gc->stencil;
    st->func = GL_ALWAYS;
    st->failOp = st->depthFailOp = st->depthPassOp = GL_KEEP;
    st->clearValue = st->ref = 0;
    st->valueMask = st->writeMask = (uint16_t)__glStencilMask(gc);

    GlFogState* fog = &gc->fog;
    memset(fog, 0, sizeof *fog);
    fog->mode = GL_EXP;
    fog->density = 1.0f;
    fog->end = 1.0f;
    fog->linearScale = 1.0f;

    GlHintState* h = &gc->hints;
    h->perspectiveCorrection = h->pointSmooth = h->lineSmooth = h->polygonSmooth = h->fog = GL_DONT_CARE;

    initLighting(gc);

    gc->line.width = gc->line.widthQuantized = 1.0f;
    gc->line.widthInteger = 1;
    gc->line.stipplePattern = 0xFFFF;
    gc->line.stippleRepeat = 1;
    gc->point.size = gc->point.sizeQuantized = 1.0f;
    gc->point.sizeInteger = 1;
    GlPolygonState* p = &gc->polygon;
    p->frontMode = p->backMode = GL_FILL;
    p->cullFace = GL_BACK;
    p->frontFace = GL_CCW;
    p->offsetFactor = p->offsetUnits = 0.0f;
    memset(gc->stipple.rows, 0xFF, sizeof gc->stipple.rows);

    set4(gc->cullVertex.eyeVector, 0.0f, 0.0f, 1.0f, 0.0f);
    set4(gc->cullVertex.objectVector, 0.0f, 0.0f, 1.0f, 0.0f);
    gc->cullVertex.objectGiven = 0;

    memset(&gc->enables, 0, sizeof gc->enables);
    gc->enables.general = GL_EN_DITHER;

    memset(&gc->transform, 0, sizeof gc->transform);
    gc->transform.matrixMode = GL_MODELVIEW;
    // The matrix stacks are set up with the context (__glAllocClipPlanes).
    gc->viewport.nearVal = 0.0;
    gc->viewport.farVal = 1.0;

    GlEvalGridState* g = &gc->evalGrid;
    g->u1 = 0.0f, g->u2 = 1.0f, g->n = 1;
    g->u21 = 0.0f, g->u22 = 1.0f, g->nu = 1;
    g->v21 = 0.0f, g->v22 = 1.0f, g->nv = 1;
    for (int i = 0; i < GL_STATE_EVAL_MAPS; i++) {
        GlEvalMap1* m1 = &gc->eval.map1[i];
        m1->k = evalComponents[i], m1->order = 1, m1->u1 = 0.0f, m1->u2 = 1.0f;
        GlEvalMap2* m2 = &gc->eval.map2[i];
        m2->k = evalComponents[i], m2->uorder = m2->vorder = 1;
        m2->u1 = m2->v1 = 0.0f, m2->u2 = m2->v2 = 1.0f;
    }

    initPixelAndTexture(gc, buffer);
    set4(c, 0.0f, 0.0f, 0.0f, 0.0f);
    __glScaleColor(gc, gc->texture.env.color, c);
    __glInitVertexArrayState(gc);
    __glVcacheInit(gc);
    gc->lists.base = gc->lists.index = gc->lists.mode = 0;
}
