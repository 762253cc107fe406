// The cache of generated vertex programs: creation and release, the switch,
// the exact key of the current state and the lookup by it (round-robin
// replacement of 50 entries).

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "codegen/codegen.h"
#include "core/gldispatch.h"
#include "geometry/arrays.h"
#include "geometry/geometry.h"
#include "texture/texsample.h"

// The packed vertex layout is asked for by "__GL_DISABLE_DYNAMIC_VERTEX" set to
// 0; absent or non-zero, the fixed one. Read once per process.
extern "C" GLboolean GLPROC __glDynamicVertexEnabled(void) {
    static const GLboolean packed = [] {
        const char* s = getenv("__GL_DISABLE_DYNAMIC_VERTEX");
        return (GLboolean)(s && atoi(s) == 0);
    }();
    return packed;
}

// Every consumer of vertex fields (clipper, rasterizer, feedback, hardware
// submission) reads the fixed GlVertex layout, so generated code keeps it
// whichever layout was asked for: the packed one is not offered.
extern "C" void GLPROC __glChooseVertexLayout(GlContext* gc) { gc->og.gen.vertexLayout.locked = 1; }

// "__GL_CXX_VERTEX_ROUTINES" non-zero: the C++ array routines in place of
// generated vertex programs (the benchmark's comparison).
static GLboolean vertexProgramsWanted(void) {
    const char* s = getenv("__GL_CXX_VERTEX_ROUTINES");
    return !s || atoi(s) == 0;
}

extern "C" GLboolean GLPROC __glVertexProgramsCreate(GlContext* gc) {
    GlVertexProgramCache* c = &gc->vertexPrograms;
    c->enabled = vertexProgramsWanted();
    c->codeBytes = GL_VP_CODE_BYTES;
    c->entries = (GlVertexProgram*)gc->imports.calloc(gc, GL_VP_ENTRIES, sizeof(GlVertexProgram));
    c->code = __glOgAllocCode((size_t)GL_VP_ENTRIES * GL_VP_CODE_BYTES);
    if (!c->entries || !c->code) return GL_FALSE;
    for (int i = 0; i < GL_VP_ENTRIES; i++) c->entries[i].code = c->code + (size_t)i * GL_VP_CODE_BYTES;
    return GL_TRUE;
}

extern "C" void GLPROC __glVertexProgramsFree(GlContext* gc) {
    GlVertexProgramCache* c = &gc->vertexPrograms;
    gc->imports.free(gc, c->entries);
    __glOgFreeCode(c->code);
    c->entries = nullptr;
    c->code = nullptr;
    c->current = nullptr;
    c->count = c->cursor = 0;
}

// A program lights as __glLightVerticesFast does (one-sided RGBA lighting by
// directional lights without spots or local viewer) when vertices are lit in
// object space, fog does not wrap it and the modelview inverse is not general
// (whose eye normals have a plane term).
extern "C" GLuint GLPROC __glVertexCodeStateMask(GlContext* gc) {
    const GLuint general = gc->enables.general;
    if (!(general & GL_EN_LIGHTING) || (general & GL_EN_FOG) || !gc->lightingDerived.objectSpace) return 0;
    if (gc->procs.lightVertex != __glLightVerticesFast || (gc->rasterFlags & GL_RF_TWO_SIDED)) return 0;
    if (gc->matrices.modelViewTop->matrix.type == GL_MATRIX_GENERAL) return 0;
    return GL_VX_FRONT_LIT;
}

// Source of one array attribute of an array-mode program.
static void arraySource(GlVertexProgramKey* k, int i, const GlVertexArray* array, GlArrayFetchProc fetch,
                        GlArrayFetchProc current, bool inPlace) {
    if (fetch == current) {
        k->source[i] = GL_VP_CURRENT;
        return;
    }
    k->source[i] = inPlace ? GL_VP_IN_PLACE : GL_VP_FETCH;
    k->fetch[i] = inPlace ? nullptr : (const void*)fetch;
    k->stride[i] = array->stride;
}

// Terms of a light that are +-0 whatever the vertex: bit 0 the specular one
// (table value in [0, 1] x light x material), bit 8 the ambient product. A
// zero's sign is lost to the colour clamp, so leaving such terms out of the
// sums changes no stored colour.
static GLuint zeroTerms(const GlLight* l, const GlMaterial* m) {
    bool specular = true, ambient = true;
    for (int i = 0; i < 3; i++) {
        const GLfloat ls = l->specular[i], ms = m->specular[i];
        specular &= (ms == 0.0f && isfinite(ls)) || (ls == 0.0f && isfinite(ms));
        ambient &= l->ambient[i] * m->ambient[i] == 0.0f;
    }
    return (specular ? 1u : 0u) | (ambient ? 0x100u : 0u);
}

extern "C" void GLPROC __glVertexProgramKey(GlVertexProgramKey* k, GlContext* gc, GLint size, GLuint modeBits) {
    const GlVertexArrayState* a = &gc->arrays;
    const GlMatrixEntry* mv = gc->matrices.modelViewTop;
    memset(k, 0, sizeof *k);
    k->mode = modeBits & GL_VP_CACHE_MODE;
    k->vertexSize = size;
    k->modelView = mv;
    k->compositeType = mv->composite.type;
    k->clipTest = (const void*)a->clipTest;
    k->inlineClip = a->clipTest == __glClipTestVertex;
    // The inline test sends a vertex the shorter sums may not give exactly
    // to the C++ test, after the whole transform.
    if (k->inlineClip) k->compositeZeros = __glCompositeZeros(mv->composite.m, k->compositeType, size);
    k->rgba = gc->pixelFormat.rgba;
    const GLint needs = a->needBits;
    if (!k->mode) {
        const bool floats = a->vertex.type == GL_FLOAT;
        arraySource(k, 0, &a->vertex, a->fetchVertex, nullptr, floats);
        if (needs & GL_NEED_NORMAL)
            arraySource(k, 1, &a->normal, a->fetchNormal, __glFetchCurrentNormal, a->fetchNormal == __glFetchNormal3f);
        if (needs & GL_NEED_COLOR) {
            if (k->rgba) arraySource(k, 2, &a->color, a->fetchColor, __glFetchCurrentColor, false);
            else arraySource(k, 2, &a->index, a->fetchIndex, __glFetchCurrentIndex, false);
        }
        if (needs & GL_NEED_TEXCOORD) arraySource(k, 3, &a->texCoord, a->fetchTexCoord, __glFetchCurrentTexCoord, false);
    }
    if (a->flags & GL_ARRAY_CULL_VERTEX) {
        k->cull = a->flags & (GL_ARRAY_CULL_VERTEX | GL_ARRAY_CULL_POINT);
        k->cullMasks[0] = a->cullMaskFacing;
        k->cullMasks[1] = a->cullMaskAway;
    }
    GLuint done = GL_VX_WINDOW;
    // A hardware context keys its programs by its keying word too, whose bits
    // say what the board's vertices carry. Perspective-correct texture
    // coordinates reach the board over w: the program divides them when that
    // is all their completion would do.
    if (const GLuint* keying = gc->vertexPrograms.keyingWord) {
        k->board = 1;
        k->keying = *keying;
        const GLuint divided = GL_VP_KEY_TEXTURE | GL_VP_KEY_TEX_PERSPECTIVE;
        if ((k->keying & divided) == divided && (gc->pendingNeeds | gc->triangleNeeds) & GL_VX_TEX_DIVIDED &&
            __glTexGenDividesOnly(gc)) {
            k->texDivide = 1;
            done |= GL_VX_TEXGEN | GL_VX_TEX_DIVIDED;
        }
    }
    if (__glVertexCodeStateMask(gc)) {
        k->lit = 1;
        done |= GL_VX_FRONT_LIT;
        for (const GlLightSource* s = gc->lightingDerived.lights; s; s = s->next) {
            const GLuint i = (GLuint)(s - gc->lightingDerived.source);
            k->lights |= 1u << i;
            k->zeroTerms |= zeroTerms(s->state, &gc->lighting.front) << i;
        }
    }
    const GLuint work = gc->pendingNeeds | gc->triangleNeeds;
    k->keepObject = (work & ~done & (0x7F | GL_VX_TEX_DIVIDED)) != 0;
}

extern "C" const GlVertexProgram* GLPROC __glVertexProgramLookup(GlContext* gc, GLint size, GLuint modeBits) {
    GlVertexProgramCache* c = &gc->vertexPrograms;
    if (!c->entries) return nullptr;
    GlVertexProgramKey key;
    __glVertexProgramKey(&key, gc, size, modeBits);
    GlVertexProgram* hit = nullptr;
    if (!__glOgCacheDisabled) {
        if (c->current && !memcmp(&c->current->key, &key, sizeof key)) {
            hit = c->current;
        } else {
            for (GLint i = c->count - 1; i >= 0 && !hit; i--)
                if (!memcmp(&c->entries[i].key, &key, sizeof key)) hit = &c->entries[i];
        }
    }
    if (!hit) {
        if (c->count < GL_VP_ENTRIES) {
            hit = &c->entries[c->count++];
        } else {
            c->cursor = (c->cursor + 1) % GL_VP_ENTRIES;
            hit = &c->entries[c->cursor];
        }
        hit->key = key;
        __glGenVertexCode(gc, hit);
    }
    c->current = hit;
    return hit->program ? hit : nullptr;
}

extern "C" void GLPROC __glVertexProgramsWriteCodeMap(const char* path) {
    GlContext* gc = __glCurrentContext();
    const GlVertexProgramCache* c = gc ? &gc->vertexPrograms : nullptr;
    FILE* map = c && c->entries && path ? fopen(path, "a") : nullptr;
    if (!map) return;
    for (GLint i = 0; i < c->count; i++) {
        const GlVertexProgram* p = &c->entries[i];
        if (!p->program) continue;
        // The program runs to the strip routine (or the end of the area).
        const uint8_t* end = p->strip ? (const uint8_t*)p->strip : p->code + c->codeBytes;
        char bin[4096];
        snprintf(bin, sizeof bin, "%s.vertex.%d.bin", path, (int)i);
        if (FILE* f = fopen(bin, "wb")) {
            fwrite(p->code, 1, c->codeBytes, f);
            fclose(f);
        }
        fprintf(map, "%lx %lx vertex-program.%d %s %lx\n", (unsigned long)(uintptr_t)p->code,
                (unsigned long)(uintptr_t)end, (int)i, bin, (unsigned long)(uintptr_t)p->program);
        if (p->strip)
            fprintf(map, "%lx %lx strip-routine.%d %s %lx\n", (unsigned long)(uintptr_t)p->strip,
                    (unsigned long)(uintptr_t)(p->code + c->codeBytes), (int)i, bin, (unsigned long)(uintptr_t)p->strip);
    }
    fclose(map);
}
