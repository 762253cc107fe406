// Lighting: power tables and their cache, the enabled-light list, per-vertex
// RGBA and colour-index lighting, colour material and the per-vertex fog blend.

#include <math.h>
#include "core/stateutil.h"
#include "core/pickers.h"
#include "geometry.h"

// ---- Power tables.

extern "C" void GLPROC __glAllocPowTableCache(GlContext* gc) {
    GlPowTableCache* c = &gc->lightingDerived.powCache;
    memset(c, 0, sizeof *c);
    c->capacity = GL_POW_CACHE_SIZE;
}

extern "C" void GLPROC __glFreePowTableCache(GlContext* gc) { __glAllocPowTableCache(gc); }

static void fillPowTable(GlPowTable* t, GLfloat n) {
    const double x0 = n != 0.0f ? pow(0.0007, 1.0 / (double)n) : 0.0;
    const double step = (1.0 - x0) / 255.0;
    t->start = (GLfloat)x0;
    t->scale = (GLfloat)(255.0 / (1.0 - x0));
    t->exponent = n;
    double x = x0;
    for (int i = 0; i < GL_POW_TABLE_SIZE; i++, x += step) t->values[i] = (GLfloat)pow(x, (double)n);
}

// Index of exponent n in the sorted cache, or -(insertion index) - 1.
static int findPow(const GlPowTableCache* c, GLfloat n) {
    int lo = 0, hi = c->count;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (c->exponents[mid] == n) return mid;
        if (c->exponents[mid] < n) lo = mid + 1;
        else hi = mid;
    }
    return -lo - 1;
}

extern "C" GlPowTable* GLPROC __glBuildPowTable(GlContext* gc, GLfloat n) {
    GlPowTableCache* c = &gc->lightingDerived.powCache;
    int at = findPow(c, n);
    if (at >= 0) {
        c->tables[at]->refCount++;
        return c->tables[at];
    }
    if (c->count >= GL_POW_CACHE_SIZE) {
        // Drop the first table only the cache holds.
        int drop = -1;
        for (int i = 0; i < c->count && drop < 0; i++)
            if (c->tables[i]->refCount == 1) drop = i;
        if (drop < 0) return nullptr;  // every table in use: at most 10 users, never reached
        c->tables[drop]->refCount = 0;
        for (int i = drop; i + 1 < c->count; i++) c->exponents[i] = c->exponents[i + 1], c->tables[i] = c->tables[i + 1];
        c->count--;
        at = findPow(c, n);
    }
    at = -at - 1;
    GlPowTable* t = nullptr;
    for (int i = 0; i < GL_POW_CACHE_SIZE && !t; i++)
        if (c->pool[i].refCount <= 0) t = &c->pool[i];
    fillPowTable(t, n);
    t->refCount = 2;
    for (int i = c->count; i > at; i--) c->exponents[i] = c->exponents[i - 1], c->tables[i] = c->tables[i - 1];
    c->exponents[at] = n;
    c->tables[at] = t;
    c->count++;
    return t;
}

extern "C" void GLPROC __glReleasePowTable(GlContext*, GlPowTable* t) {
    if (t) t->refCount--;
}

extern "C" GLfloat GLPROC __glPowLookup(const GlPowTable* t, GLfloat x) {
    const GLfloat s = x - t->start;
    if (!(s >= 0.0f)) return 0.0f;
    const GLfloat fi = s * t->scale + 0.5f;
    if (fi >= (GLfloat)GL_POW_TABLE_SIZE) return 1.0f;
    return t->values[(int)fi];
}

// ---- Small vector helpers.

static inline GLfloat dot3(const GLfloat* a, const GLfloat* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
static inline void normalize3(GLfloat* v) {
    const GLfloat len2 = dot3(v, v);
    if (len2 <= 0.0f) {
        v[0] = v[1] = v[2] = 0.0f;
    } else if (len2 != 1.0f) {
        const GLfloat inv = 1.0f / sqrtf(len2);
        v[0] *= inv, v[1] *= inv, v[2] *= inv;
    }
}
static inline GLfloat clampScale(GLfloat c, GLfloat scale) { return c <= 0.0f ? 0.0f : c >= scale ? scale : c; }

static inline GlMaterial* faceMaterial(GlContext* gc, GLint face) {
    return face ? &gc->lighting.back : &gc->lighting.front;
}

// ---- Light list and face values.

static void updateFace(GlContext* gc, GLint face, GLuint flags) {
    if (!(flags & 0x3B)) return;
    GlFaceLighting* f = &gc->lightingDerived.face[face];
    const GlMaterial* m = faceMaterial(gc, face);
    if (!f->specTable || f->shininess != m->shininess) {
        __glReleasePowTable(gc, f->specTable);
        f->specTable = __glBuildPowTable(gc, m->shininess);
        f->shininess = m->shininess;
    }
    if (flags & 0x9) {
        const GLfloat* a = gc->lighting.model.ambient;
        for (int i = 0; i < 3; i++) f->sceneColor[i] = a[i] * m->ambient[i] + m->emission[i];
    }
    if (flags & 0x2) {
        const GLfloat s = __glColorScales(gc)[3];
        f->alpha = clampScale(m->diffuse[3] * s, s);
    }
    if (flags & 0x20) {
        f->diffuseIndexDelta = m->diffuseIndex - m->ambientIndex;
        f->specularIndexDelta = m->specularIndex - m->ambientIndex;
    }
}

extern "C" void GLPROC __glUpdateLighting(GlContext* gc, GLuint frontFlags, GLuint backFlags) {
    updateFace(gc, 0, frontFlags);
    updateFace(gc, 1, backFlags);
}

static GLfloat luminance(const GlContext* gc, const GLfloat* c) {
    const GLfloat* s = __glColorScales(gc);
    GLfloat u[3];
    for (int i = 0; i < 3; i++) u[i] = s[i] != 0.0f ? c[i] / s[i] : c[i];
    return 0.3f * u[0] + 0.59f * u[1] + 0.11f * u[2];
}

static void buildLightList(GlContext* gc) {
    GlLightingDerived* d = &gc->lightingDerived;
    d->objectFor = nullptr;
    GlLightSource** link = &d->lights;
    for (int i = 0; i < gc->limits.maxLights && i < GL_LIGHT_SOURCES; i++) {
        if (!((gc->enables.lights >> i) & 1)) continue;
        GlLightSource* s = &d->source[i];
        const GlLight* l = &gc->lighting.light[i];
        *link = s;
        link = &s->next;
        s->state = l;
        memcpy(s->eyePosition, l->position, 16);
        s->isSpot = l->spotCutoff != 180.0f;
        if (s->isSpot) {
            s->cosCutoff = cosf(l->spotCutoff * 0.017453292f);
            if (!s->spotTable || s->spotExponent != l->spotExponent) {
                __glReleasePowTable(gc, s->spotTable);
                s->spotTable = __glBuildPowTable(gc, l->spotExponent);
                s->spotExponent = l->spotExponent;
            }
        }
        s->constantAttenuation = l->constantAttenuation;
        s->linearAttenuation = l->linearAttenuation;
        s->quadraticAttenuation = l->quadraticAttenuation;
        if (l->constantAttenuation != 0.0f) s->invConstantAttenuation = 1.0f / l->constantAttenuation;
        if (!gc->pixelFormat.rgba) {
            s->specularLuminance = luminance(gc, l->specular);
            s->diffuseLuminance = luminance(gc, l->diffuse);
        }
        s->needsFull = (__glFloatBits(l->position[3]) & 0x7FFFFFFFu) || s->isSpot || gc->lighting.model.localViewer;
        if (!s->needsFull) {
            memcpy(s->direction, l->position, 12);
            normalize3(s->direction);
            GLfloat h[3] = {s->direction[0], s->direction[1], s->direction[2] + 1.0f};
            normalize3(h);
            memcpy(s->halfVector, h, 12);
        }
    }
    *link = nullptr;
}

// ---- Per-light terms.

struct LightTerms {
    GLfloat factor;  // attenuation times spot; 0 skips the light
    GLfloat nL, nH;  // n . L and n . H
};

// Unit vector to the light, the half vector and the factor for one vertex.
// Distances are taken between dehomogenised points.
static void fullTerms(const GlContext* gc, const GlLightSource* s, const GlVertex* v, const GLfloat* n,
                      LightTerms* t) {
    const GLfloat* p = s->eyePosition;
    const GLfloat* e = v->eye;
    const bool directional = !(__glFloatBits(p[3]) & 0x7FFFFFFFu);
    const bool vertexAtInfinity = !(__glFloatBits(e[3]) & 0x7FFFFFFFu);
    GLfloat vp[3];
    if (directional) {
        memcpy(vp, p, 12);
    } else if (vertexAtInfinity) {
        for (int i = 0; i < 3; i++) vp[i] = -e[i];
    } else {
        const GLfloat ip = 1.0f / p[3], ie = 1.0f / e[3];
        for (int i = 0; i < 3; i++) vp[i] = p[i] * ip - e[i] * ie;
    }
    const GLfloat d2 = dot3(vp, vp);
    GLfloat L[3] = {vp[0], vp[1], vp[2]};
    normalize3(L);
    GLfloat H[3];
    if (gc->lighting.model.localViewer) {
        GLfloat V[3];
        const GLfloat ie = vertexAtInfinity ? 1.0f : 1.0f / e[3];
        for (int i = 0; i < 3; i++) V[i] = -e[i] * ie;
        normalize3(V);
        for (int i = 0; i < 3; i++) H[i] = L[i] + V[i];
    } else {
        H[0] = L[0], H[1] = L[1], H[2] = L[2] + 1.0f;
    }
    normalize3(H);
    GLfloat a = 1.0f;
    if (!directional) {
        if (s->linearAttenuation == 0.0f && s->quadraticAttenuation == 0.0f) {
            a = s->invConstantAttenuation;
            if (s->constantAttenuation == 0.0f) a = 1.0f / 0.0f;
        } else {
            const GLfloat dist = sqrtf(d2);
            a = 1.0f / (s->constantAttenuation + dist * (s->linearAttenuation + s->quadraticAttenuation * dist));
        }
    }
    if (s->isSpot) {
        const GLfloat* sd = gc->lightDerived.unitSpotDirection[s - gc->lightingDerived.source];
        const GLfloat c = -dot3(L, sd);
        if (c < s->spotTable->start || c < s->cosCutoff) a = 0.0f;
        else a *= __glPowLookup(s->spotTable, c);
    }
    t->factor = a;
    t->nL = dot3(n, L);
    t->nH = dot3(n, H);
}

static inline void fastTerms(const GlLightSource* s, const GLfloat* n, bool object, LightTerms* t) {
    t->factor = 1.0f;
    t->nL = dot3(n, object ? s->objectDirection : s->direction);
    t->nH = dot3(n, object ? s->objectHalfVector : s->halfVector);
}

// The normal a face is lit by, negated for the back face: the eye normal once
// completion has made it, else the object normal with the lights' object
// vectors (true), or where those do not serve (a general modelview inverse,
// whose eye normal has a plane term) the eye normal made here.
static bool faceNormal(GlContext* gc, GlVertex* v, GLint face, GLfloat* n) {
    bool object = !(v->flags & GL_VX_EYE_NORMAL);
    if (object && gc->lightingDerived.objectSpace && gc->matrices.modelViewTop->matrix.type != GL_MATRIX_GENERAL) {
        __glObjectLightVectors(gc);
        memcpy(n, v->normal, 12);
    } else if (object) {
        const GLint size = (GLint)((v->flags & GL_VX_SIZE_MASK) >> 10);
        __glEyeNormal(gc, v, size ? size + 1 : 4, n);
        object = false;
    } else {
        memcpy(n, v->normal, 12);
    }
    if (face) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
    return object;
}

// ---- RGBA lighting.

template <int Fast>
static void lightRgba(GlContext* gc, GLint face, GlVertex* v) {
    GlLightingDerived* d = &gc->lightingDerived;
    GlFaceLighting* f = &d->face[face];
    const GlMaterial* m = faceMaterial(gc, face);
    // Material may change between validations (inside glBegin): refresh here.
    updateFace(gc, face, 0x1B);
    GLfloat n[3];
    const bool object = faceNormal(gc, v, face, n);
    GLfloat c[3] = {f->sceneColor[0], f->sceneColor[1], f->sceneColor[2]};
    for (const GlLightSource* s = d->lights; s; s = s->next) {
        LightTerms t;
        if (Fast || !s->needsFull) fastTerms(s, n, object, &t);
        else fullTerms(gc, s, v, n, &t);
        if (t.factor == 0.0f) continue;
        const GlLight* l = s->state;
        GLfloat acc[3];
        for (int i = 0; i < 3; i++) acc[i] = l->ambient[i] * m->ambient[i];
        if (t.nL > 0.0f) {
            // The light x material products first (as __glPrepareObjectLights keeps them).
            const GLfloat sp = __glPowLookup(f->specTable, t.nH);
            for (int i = 0; i < 3; i++)
                acc[i] += sp * (l->specular[i] * m->specular[i]) + t.nL * (l->diffuse[i] * m->diffuse[i]);
        }
        for (int i = 0; i < 3; i++) c[i] += t.factor * acc[i];
    }
    const GLfloat* scale = __glColorScales(gc);
    GLfloat* out = face ? v->backColor : v->frontColor;
    for (int i = 0; i < 3; i++) out[i] = clampScale(c[i], scale[i]);
    out[3] = f->alpha;
}

extern "C" void GLPROC __glLightVertices(GlContext* gc, GLint face, GlVertex* v) { lightRgba<0>(gc, face, v); }
extern "C" void GLPROC __glLightVerticesFast(GlContext* gc, GLint face, GlVertex* v) { lightRgba<1>(gc, face, v); }

// ---- Colour-index lighting. Shift: 0 none, 1 index shift and offset.

static bool indexMaterialFor(const GlContext* gc, GLint face) {
    if (!(gc->enables.general & GL_EN_INDEX_MATERIAL)) return false;
    const GLenum f = gc->lighting.indexMaterialFace;
    return f == GL_FRONT_AND_BACK || f == (face ? GL_BACK : GL_FRONT);
}

template <int Fast, int Shift>
static void lightIndex(GlContext* gc, GLint face, GlVertex* v) {
    GlLightingDerived* d = &gc->lightingDerived;
    GlFaceLighting* f = &d->face[face];
    const GlMaterial* m = faceMaterial(gc, face);
    updateFace(gc, face, 0x3B);
    GLfloat n[3];
    const bool object = faceNormal(gc, v, face, n);
    GLfloat md = 0.0f, ms = 0.0f;
    for (const GlLightSource* s = d->lights; s; s = s->next) {
        LightTerms t;
        if (Fast || !s->needsFull) fastTerms(s, n, object, &t);
        else fullTerms(gc, s, v, n, &t);
        if (t.factor == 0.0f || !(t.nL > 0.0f)) continue;
        md += t.factor * t.nL * s->diffuseLuminance;
        ms += t.factor * __glPowLookup(f->specTable, t.nH) * s->specularLuminance;
    }
    const GLfloat am = m->ambientIndex, sm = m->specularIndex;
    GLfloat ci = sm;
    if (ms < 1.0f) {
        ci = am + ms * f->specularIndexDelta + (1.0f - ms) * md * f->diffuseIndexDelta;
        if (ci > sm) ci = sm;
    }
    if (Shift) {
        GLint t = (GLint)floorf(ci * 256.0f + 0.5f);
        const GLint sh = (GLint)m->indexShift;
        t = sh > 0 ? t << sh : t >> -sh;
        const GLfloat offset = indexMaterialFor(gc, face) ? gc->current.index : m->indexOffset;
        t += 256 * (GLint)offset;
        ci = (GLfloat)t * (1.0f / 256.0f);
    }
    (face ? v->backColor : v->frontColor)[0] = ci;
}

extern "C" void GLPROC __glLightVerticesIndex(GlContext* gc, GLint face, GlVertex* v) { lightIndex<0, 1>(gc, face, v); }
extern "C" void GLPROC __glLightVerticesIndexShift(GlContext* gc, GLint face, GlVertex* v) {
    lightIndex<1, 1>(gc, face, v);
}
extern "C" void GLPROC __glLightVerticesIndexFast(GlContext* gc, GLint face, GlVertex* v) {
    lightIndex<1, 0>(gc, face, v);
}

// ---- Per-vertex fog blend. The factor is the vertex's when its fog bit is
// done, else computed here.

static inline GLfloat vertexFog(GlContext* gc, GlVertex* v) {
    return (v->flags & GL_VX_FOG) ? v->fog : gc->procs.fogVertex(gc, v);
}

extern "C" void GLPROC __glFogVertexRgba(GlContext* gc, GLint face, GlVertex* v) {
    GLfloat* c = face ? v->backColor : v->frontColor;
    if (face) memcpy(c, v->frontColor, 16);
    __glFogBlend(gc, c, c, vertexFog(gc, v));
}
extern "C" void GLPROC __glFogVertexIndex(GlContext* gc, GLint face, GlVertex* v) {
    GLfloat* c = face ? v->backColor : v->frontColor;
    if (face) c[0] = v->frontColor[0];
    __glFogBlend(gc, c, c, vertexFog(gc, v));
}
extern "C" void GLPROC __glLightFogVertexRgba(GlContext* gc, GLint face, GlVertex* v) {
    gc->lightingDerived.lightVertexUnfogged(gc, face, v);
    GLfloat* c = face ? v->backColor : v->frontColor;
    __glFogBlend(gc, c, c, vertexFog(gc, v));
}
extern "C" void GLPROC __glLightFogVertexIndex(GlContext* gc, GLint face, GlVertex* v) {
    __glLightFogVertexRgba(gc, face, v);
}

// ---- Validation: the light list and the per-vertex procedures.

extern "C" void GLPROC __glValidateLighting(GlContext* gc) {
    GlLightingDerived* d = &gc->lightingDerived;
    if (!d->initialised) {
        __glAllocPowTableCache(gc);
        d->initialised = 1;
    }
    buildLightList(gc);
    __glPickLightVertexProcs(gc);
    __glUpdateLighting(gc, 63, 63);
}

// The per-vertex lighting procedure of the light list and the materials
// (colour-index lighting with a shift or offset takes its own); a material
// change runs this at once, also inside glBegin/glEnd.
extern "C" void GLPROC __glPickLightVertexProcs(GlContext* gc) {
    GlLightingDerived* d = &gc->lightingDerived;
    GlContextProcs* p = &gc->procs;
    const bool rgba = gc->pixelFormat.rgba != 0;
    const GLuint F = gc->rasterFlags;
    // Flat shading fogs at rasterization: the provoking colour with each vertex's factor.
    const bool fogging = (F & GL_RF_FOG_VERTEX) && (F & GL_RF_SMOOTH) && gc->renderMode == GL_RENDER;
    if (gc->enables.general & GL_EN_LIGHTING) {
        bool full = false;
        for (const GlLightSource* s = d->lights; s; s = s->next) full = full || s->needsFull;
        GlLightVertexProc lit;
        if (rgba) {
            lit = full ? __glLightVertices : __glLightVerticesFast;
        } else if (full) {
            lit = __glLightVerticesIndex;
        } else {
            const GlMaterial* f = &gc->lighting.front;
            const GlMaterial* b = &gc->lighting.back;
            const bool shift = (gc->enables.general & GL_EN_INDEX_MATERIAL) || f->indexShift != 0.0f ||
                               f->indexOffset != 0.0f || b->indexShift != 0.0f || b->indexOffset != 0.0f;
            lit = shift ? __glLightVerticesIndexShift : __glLightVerticesIndexFast;
        }
        d->lightHook = lit;
        if (fogging) {
            d->lightVertexUnfogged = lit;
            lit = rgba ? __glLightFogVertexRgba : __glLightFogVertexIndex;
        }
        p->lightVertex = lit;
    } else {
        d->lightHook = (GlLightVertexProc)__glNop;
        if (fogging) p->lightVertex = rgba ? __glFogVertexRgba : __glFogVertexIndex;
        else p->lightVertex = __glLightVertexUnlit;
    }
}

// ---- Colour material.

extern "C" void GLPROC __glClampCurrentColor(GlContext* gc) { __glApplyCurrentColorUnlit(gc); }

static void scene(GlContext* gc, GlMaterial* m) {
    GlFaceLighting* f = &gc->lightingDerived.face[m == &gc->lighting.back];
    const GLfloat* a = gc->lighting.model.ambient;
    for (int i = 0; i < 3; i++) f->sceneColor[i] = a[i] * m->ambient[i] + m->emission[i];
}
static void faceAlpha(GlContext* gc, GlMaterial* m) {
    GlFaceLighting* f = &gc->lightingDerived.face[m == &gc->lighting.back];
    const GLfloat s = __glColorScales(gc)[3];
    f->alpha = __glClampUnit(gc->current.color[3]) * s;
}

static void GLPROC storeEmission(GlContext* gc, GlMaterial* m) {
    __glScaleColor(gc, m->emission, gc->current.color);
    scene(gc, m);
}
static void GLPROC storeAmbient(GlContext* gc, GlMaterial* m) {
    memcpy(m->ambient, gc->current.color, 16);
    scene(gc, m);
}
static void GLPROC storeDiffuse(GlContext* gc, GlMaterial* m) {
    memcpy(m->diffuse, gc->current.color, 16);
    faceAlpha(gc, m);
}
static void GLPROC storeSpecular(GlContext* gc, GlMaterial* m) { memcpy(m->specular, gc->current.color, 16); }
static void GLPROC storeAmbientDiffuse(GlContext* gc, GlMaterial* m) {
    storeAmbient(gc, m);
    storeDiffuse(gc, m);
}

// Vertices collected so far keep the old material: they are completed first.
static void flushPending(GlContext* gc) {
    if (__glThreadState()->beginState == GL_BEGIN_INSIDE) gc->procs.clipPrimitiveVertices(gc);
}

static void GLPROC applyColorMaterial(GlContext* gc) {
    flushPending(gc);
    gc->lightingDerived.colorMaterialStore(gc, gc->lightingDerived.colorMaterialTarget);
    __glClampCurrentColor(gc);
}
static void GLPROC applyColorMaterialBoth(GlContext* gc) {
    flushPending(gc);
    gc->lightingDerived.colorMaterialStore(gc, &gc->lighting.front);
    gc->lightingDerived.colorMaterialStore(gc, &gc->lighting.back);
    __glClampCurrentColor(gc);
}

extern "C" void GLPROC __glPickColorMaterial(GlContext* gc) {
    GlLightingDerived* d = &gc->lightingDerived;
    if (!gc->pixelFormat.rgba) {
        gc->procs.applyCurrentColor = (GlContextProc)__glNop;
        return;
    }
    if (!(gc->enables.general & GL_EN_COLOR_MATERIAL)) {
        gc->procs.applyCurrentColor = __glClampCurrentColor;
        return;
    }
    const GLenum face = gc->lighting.colorMaterialFace;
    if (face == GL_FRONT_AND_BACK) {
        d->colorMaterialTarget = nullptr;
        gc->procs.applyCurrentColor = applyColorMaterialBoth;
    } else {
        d->colorMaterialTarget = face == GL_BACK ? &gc->lighting.back : &gc->lighting.front;
        gc->procs.applyCurrentColor = applyColorMaterial;
    }
    switch (gc->lighting.colorMaterialMode) {
    case GL_EMISSION: d->colorMaterialStore = storeEmission; break;
    case GL_AMBIENT: d->colorMaterialStore = storeAmbient; break;
    case GL_DIFFUSE: d->colorMaterialStore = storeDiffuse; break;
    case GL_SPECULAR: d->colorMaterialStore = storeSpecular; break;
    default: d->colorMaterialStore = storeAmbientDiffuse; break;
    }
}

// ---- Lights in object space, as generated vertex programs read them.

extern "C" void GLPROC __glObjectLightVectors(GlContext* gc) {
    GlLightingDerived* d = &gc->lightingDerived;
    GlMatrixEntry* mv = gc->matrices.modelViewTop;
    if (d->objectFor == mv) return;
    if (mv->inverseStale) gc->procs.matrixChanged(gc, mv);
    // n_eye . v = n . (M v), M the modelview inverse (the transpose of the
    // inverse transpose) without its translation.
    const GLfloat* m = mv->inverseTransposed.m;
    const auto toObject = [m](const GLfloat* v, GLfloat* out) {
        for (int k = 0; k < 3; k++) out[k] = m[4 * k] * v[0] + m[4 * k + 1] * v[1] + m[4 * k + 2] * v[2];
    };
    for (GlLightSource* s = d->lights; s; s = s->next) {
        if (s->needsFull) continue;
        toObject(s->direction, s->objectDirection);
        toObject(s->halfVector, s->objectHalfVector);
    }
    d->objectFor = mv;
}

// Called for a lighting vertex program before a draw's vertices: the object
// vectors, the front face values (the material may have changed since
// validation) and each light's products with the front material. The
// program then lights as __glLightVerticesFast does, term by term.
extern "C" void GLPROC __glPrepareObjectLights(GlContext* gc) {
    GlLightingDerived* d = &gc->lightingDerived;
    __glObjectLightVectors(gc);
    updateFace(gc, 0, 0x1B);
    const GlMaterial* m = &gc->lighting.front;
    for (GlLightSource* s = d->lights; s; s = s->next) {
        const GlLight* l = s->state;
        for (int i = 0; i < 3; i++) {
            s->ambientProduct[i] = l->ambient[i] * m->ambient[i];
            s->diffuseProduct[i] = l->diffuse[i] * m->diffuse[i];
            s->specularProduct[i] = l->specular[i] * m->specular[i];
        }
    }
    // The bound of unclamped sums of a lone light, when its values changed.
    GlLightSource* s = d->lights;
    if (!s || s->next) return;
    const GLfloat* scale = __glColorScales(gc);
    GLfloat* now = s->unclampedFor;
    const GLfloat* values[4] = {s->diffuseProduct, s->ambientProduct, d->face[0].sceneColor, scale};
    if (s->unclampedBelow && !memcmp(now, values[0], 12) && !memcmp(now + 3, values[1], 12) &&
        !memcmp(now + 6, values[2], 12) && !memcmp(now + 9, values[3], 12))
        return;
    for (int j = 0; j < 4; j++) memcpy(now + 3 * j, values[j], 12);
    s->unclampedBelow = __glUnclampedBelow(now, now + 3, now + 6, now + 9);
}

// With diffuse, ambient and scene terms of non-negative numbers each channel
// scene + (ambient + d x diffuse) grows with d from +0 up, so the d >= +0
// keeping every channel's pattern below its scale's are those below a
// bound, found by halving over the patterns. The vertex's n.L may have
// been a hair larger than its float (an extended exponent): the bound
// returned is one pattern short. 0: none.
extern "C" GLuint GLPROC __glUnclampedBelow(const GLfloat* diffuse, const GLfloat* ambient, const GLfloat* scene,
                                            const GLfloat* scale) {
    for (int i = 0; i < 3; i++)
        if (__glFloatBits(diffuse[i]) > 0x7F800000u || __glFloatBits(ambient[i]) > 0x7F800000u ||
            __glFloatBits(scene[i]) > 0x7F800000u)
            return 0;  // negative, -0 or not a number
    const auto unclamped = [=](GLuint bits) {
        const GLfloat nL = __glBitsFloat(bits);
        for (int i = 0; i < 3; i++) {
            volatile GLfloat product = nL * diffuse[i];
            volatile GLfloat sum = ambient[i] + product;
            volatile GLfloat c = scene[i] + sum;
            if (__glFloatBits(c) >= __glFloatBits(scale[i])) return false;
        }
        return true;
    };
    if (!unclamped(1)) return 0;
    GLuint low = 1, high = 0x7F800000u;  // unclamped(low); high past the last finite pattern or clamped
    while (high - low > 1) {
        const GLuint mid = low + (high - low) / 2;
        (unclamped(mid) ? low : high) = mid;
    }
    return high - 1;
}
