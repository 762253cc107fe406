// Cache entries of the rasterization generators: each entry's code area
// starts with a header and the key record the routine was made for; the
// routine follows. A recycled entry first takes its routines out of every
// context slot.

#include <stdio.h>
#include "codegen/rastergen.h"
#include "core/gldispatch.h"
#include "raster/chain.h"

GLint __glOgRasterDisabled;

namespace {

struct Header {
    GLuint recordBytes;  // 0: the entry holds no routine
    GLuint entryOffset;  // the routine's entry, from the area's start; 0: it did not fit
    void* twin;          // the C++ procedure that replaces it in the slots
    GLuint endOffset;    // end of what was written, from the area's start
};
static_assert(sizeof(Header) == 16, "entry header");

GLuint hashRecord(const void* record, GLuint bytes) {
    const uint8_t* p = (const uint8_t*)record;
    GLuint h = 2166136261u;
    for (GLuint i = 0; i < bytes; i++) h = (h ^ p[i]) * 16777619u;
    return h;
}

uint8_t* areaOf(const GlOgCache* c, const uint8_t* code) {
    const size_t i = (size_t)(code - c->code) / c->codeBytes;
    return c->code + i * c->codeBytes;
}

}  // namespace

extern "C" void GLPROC __glOgInvalidateSlots(GlContext* gc, const uint8_t* code, GLuint bytes) {
    const Header* h = (const Header*)code;
    const auto inside = [code, bytes](const void* p) {
        return (const uint8_t*)p >= code && (const uint8_t*)p < code + bytes;
    };
    GlContextProcs* p = &gc->procs;
    if (inside((const void*)p->renderTriangle)) p->renderTriangle = __glGenericTriangle;
    if (inside((const void*)p->spanRoutine)) p->spanRoutine = nullptr;
    const GlSpanProc twin = h->recordBytes && h->twin ? (GlSpanProc)h->twin : __glNullSpanFill;
    if (!h->recordBytes || !h->entryOffset) return;  // no routine there
    for (GlSpanProc* s = &p->fillTriangle; s <= &p->bufferStore; s++)
        if (inside((const void*)*s)) *s = twin;
}

extern "C" void GLPROC __glOgClaim(GlContext* gc, GLint which, GLint keyA, const void* record, GLuint bytes,
                                  GlOgClaim* claim) {
    GlOgCache* c = &gc->og.gen.caches[which];
    uint8_t* code = nullptr;
    GLboolean hit = __glOgCacheLookup(c, keyA, hashRecord(record, bytes), nullptr, &code);
    code = areaOf(c, code);
    Header* h = (Header*)code;
    if (!(hit && h->recordBytes == bytes && !memcmp(h + 1, record, bytes))) {
        hit = GL_FALSE;
        __glOgInvalidateSlots(gc, code, c->codeBytes);
        h->recordBytes = bytes;
        h->entryOffset = 0;
        h->twin = nullptr;
        memcpy(h + 1, record, bytes);
    }
    claim->entry = nullptr;
    for (GlOgCacheEntry* e = c->head; e; e = e->next)
        if (e->code == code) claim->entry = e;
    claim->area = code;
    claim->code = code + ((sizeof(Header) + bytes + 15) & ~15u);
    claim->end = code + c->codeBytes;
    claim->record = h + 1;
    claim->hit = hit;
}

extern "C" void* GLPROC __glOgHitEntry(const GlOgClaim* claim) {
    const Header* h = (const Header*)claim->area;
    return h->recordBytes && h->entryOffset ? claim->area + h->entryOffset : nullptr;
}

extern "C" void* GLPROC __glOgFinish(GlContext* gc, GlOgClaim* claim, const GlOgAsm* A, uint8_t* entry, void* twin) {
    (void)gc;
    uint8_t* area = claim->area;
    Header* h = (Header*)area;
    // A block left open is a generator fault: its code was never written.
    if (A->failed || !entry || A->blockOpen) {  // the record stays: the state keeps its C++ stages without a retry
        h->entryOffset = 0;
        h->twin = nullptr;
        return nullptr;
    }
    h->entryOffset = (GLuint)(entry - area);
    h->endOffset = (GLuint)(A->out - area);
    h->twin = twin;
    return entry;
}

extern "C" void GLPROC __glOgReopen(GlContext* gc, GLint which, const void* inside, GlOgClaim* claim) {
    const GlOgCache* c = &gc->og.gen.caches[which];
    uint8_t* area = areaOf(c, (const uint8_t*)inside);
    const Header* h = (const Header*)area;
    claim->entry = nullptr;
    claim->area = area;
    claim->code = area + ((h->endOffset + 15) & ~15u);
    claim->end = area + c->codeBytes;
    claim->record = h + 1;
    claim->hit = GL_TRUE;
}

extern "C" void GLPROC __glOgGrown(GlOgClaim* claim, const GlOgAsm* A) {
    if (!A->failed) ((Header*)claim->area)->endOffset = (GLuint)(A->out - claim->area);
}

extern "C" const void* GLPROC __glOgRecordOf(const GlContext* gc, GLint which, const void* routine) {
    const GlOgCache* c = &gc->og.gen.caches[which];
    const uint8_t* p = (const uint8_t*)routine;
    if (!p || p < c->code || p >= c->code + (size_t)c->entryCount * c->codeBytes) return nullptr;
    const Header* h = (const Header*)areaOf(c, p);
    return h->recordBytes ? h + 1 : nullptr;
}

extern "C" const uint8_t* GLPROC __glOgCodeOf(const GlContext* gc, GLint which, const void* routine, GLuint* bytes) {
    const Header* h = (const Header*)__glOgRecordOf(gc, which, routine);
    if (!h) return nullptr;
    h -= 1;
    const uint8_t* area = (const uint8_t*)h;
    const uint8_t* start = area + ((sizeof(Header) + h->recordBytes + 15) & ~15u);
    *bytes = h->entryOffset ? (GLuint)(area + h->endOffset - start) : 0;
    return start;
}

extern "C" void GLPROC __glOgWriteCodeMap(const char* path) {
    GlContext* gc = __glCurrentContext();
    FILE* map = gc && path ? fopen(path, "w") : nullptr;
    if (!map) return;
    static const char* const names[GL_OG_CACHE_COUNT] = {"textured-stage", "depth-stage", "set-up", "walker"};
    for (GLint which = 0; which < GL_OG_CACHE_COUNT; which++) {
        const GlOgCache* c = &gc->og.gen.caches[which];
        for (GLuint i = 0; i < c->entryCount; i++) {
            const uint8_t* area = c->code + (size_t)i * c->codeBytes;
            const Header* h = (const Header*)area;
            if (!h->recordBytes || !h->entryOffset) continue;
            char bin[4096];
            snprintf(bin, sizeof bin, "%s.%d.%u.bin", path, (int)which, i);
            if (FILE* f = fopen(bin, "wb")) {
                fwrite(area, 1, h->endOffset, f);
                fclose(f);
            }
            fprintf(map, "%lx %lx %s.%u %s %lx\n", (unsigned long)(uintptr_t)area,
                    (unsigned long)(uintptr_t)(area + c->codeBytes), names[which], i, bin,
                    (unsigned long)(uintptr_t)(area + h->entryOffset));
        }
    }
    fclose(map);
}
