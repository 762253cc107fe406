// Derived lighting records: power tables and their cache, the enabled-light
// list, per-face values and the lighting procedures' slots. Plain types only:
// the context embeds GlLightingDerived.
#pragma once

#include "core/glcore.h"

struct GlVertex;

enum {
    GL_POW_TABLE_SIZE = 256,
    GL_POW_CACHE_SIZE = 32,
    GL_LIGHT_SOURCES = 8,
};

// x^n on [start, 1] in 256 steps; below start it counts as 0.
struct GlPowTable {
    int32_t refCount;  // the cache's reference and one for each user; 0 is a free slot
    GLfloat start, scale, exponent;
    GLfloat values[GL_POW_TABLE_SIZE];
};

// Per-context cache: entries sorted by ascending exponent; tables in a fixed pool.
struct GlPowTableCache {
    int32_t count, capacity;
    GLfloat exponents[GL_POW_CACHE_SIZE];
    GlPowTable* tables[GL_POW_CACHE_SIZE];
    GlPowTable pool[GL_POW_CACHE_SIZE];
};

struct GlLight;
struct GlLightSource {
    const GlLight* state;
    GLfloat constantAttenuation, linearAttenuation, quadraticAttenuation;
    GLfloat spotExponent;
    GLfloat eyePosition[4];
    GLfloat cosCutoff;
    GLfloat invConstantAttenuation;
    GLfloat halfVector[3], direction[3];   // directional lights
    // The same in object space (by the modelview inverse transpose as
    // lightingDerived.objectFor left it): n . L of an object normal.
    GLfloat objectHalfVector[3], objectDirection[3];
    // Light x front material: ambient, diffuse, specular (__glPrepareObjectLights).
    GLfloat ambientProduct[3], diffuseProduct[3], specularProduct[3];
    GLfloat specularLuminance, diffuseLuminance;
    // A lone light without specular term: the n.L patterns below this
    // (unsigned) give sums scene + (ambient + n.L x diffuse) in [+0, scale)
    // in every channel, which need no clamp (for +0 they are the sums of a
    // vertex turned away); and the values (diffuse, ambient, scene, scale)
    // it was found for.
    GLuint unclampedBelow;
    GLfloat unclampedFor[12];
    GlLightSource* next;
    GlPowTable* spotTable;
    uint8_t isSpot, needsFull, pad[2];
};

struct GlFaceLighting {
    GLfloat sceneColor[4];
    GLfloat shininess;
    GlPowTable* specTable;
    GLfloat alpha;
    GLfloat diffuseIndexDelta, specularIndexDelta;
};

struct GlMaterial;
typedef void(GLPROC* GlColorMaterialStoreProc)(GlContext* gc, GlMaterial* m);

struct GlLightingDerived {
    GlLightSource* lights;  // the enabled lights in number order
    GlLightSource source[GL_LIGHT_SOURCES];
    GlFaceLighting face[2];
    GlMaterial* colorMaterialTarget;  // null for both faces
    void(GLPROC* lightVertexUnfogged)(GlContext* gc, GLint face, GlVertex* v);
    void(GLPROC* lightHook)(GlContext* gc, GLint face, GlVertex* v);
    GlColorMaterialStoreProc colorMaterialStore;
    GLuint initialised;
    // Every light directional, without spot, for an infinite viewer, no
    // normalization and no other use of eye normals: vertices are lit by
    // their object normals (completion leaves them untransformed).
    GLuint objectSpace;
    const void* objectFor;  // the modelview entry of the object vectors; null: stale
    GlPowTableCache powCache;
};

extern "C" {
void GLPROC __glAllocPowTableCache(GlContext* gc);
void GLPROC __glFreePowTableCache(GlContext* gc);
GlPowTable* GLPROC __glBuildPowTable(GlContext* gc, GLfloat n);
void GLPROC __glReleasePowTable(GlContext* gc, GlPowTable* t);
GLfloat GLPROC __glPowLookup(const GlPowTable* t, GLfloat x);
void GLPROC __glUpdateLighting(GlContext* gc, GLuint frontFlags, GLuint backFlags);
void GLPROC __glPrepareObjectLights(GlContext* gc);
GLuint GLPROC __glUnclampedBelow(const GLfloat* diffuse, const GLfloat* ambient, const GLfloat* scene,
                                 const GLfloat* scale);
// The lights' object-space vectors for the modelview top, when stale.
void GLPROC __glObjectLightVectors(GlContext* gc);

void GLPROC __glLightVertices(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glLightVerticesFast(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glLightVerticesIndex(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glLightVerticesIndexShift(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glLightVerticesIndexFast(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glFogVertexRgba(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glFogVertexIndex(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glLightFogVertexRgba(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glLightFogVertexIndex(GlContext* gc, GLint face, GlVertex* v);
void GLPROC __glClampCurrentColor(GlContext* gc);

// Fog factors and blends (fog.cpp): the factor of an eye distance, clamped to
// [0, 1]; the blend of a colour (or index in [0]) with f.
GLfloat GLPROC __glFogFactorOf(GlContext* gc, GLfloat z);
GLfloat GLPROC __glFogVertexFactor(GlContext* gc, GlVertex* v);
GLfloat GLPROC __glFogVertexFactorLinear(GlContext* gc, GlVertex* v);
void GLPROC __glFogBlend(GlContext* gc, GLfloat* out, const GLfloat* in, GLfloat f);
}
