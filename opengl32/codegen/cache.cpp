// Code caches of generated routines (four per context, most recently used first),
// the data layouts of their entries, and the float and MMX constant pools.

#include <stdlib.h>
#include <string.h>
#include "codegen/codegen.h"

GLint __glOgCacheDisabled;

// ---- Layouts ----------------------------------------------------------------

void __glOgLayoutReset(GlOgLayout* layout) {
    layout->locked = 0;
    layout->wasReset = 1;
    for (GLint& s : layout->slots) s = -1;
    layout->size = 0;
    layout->signature = 0;
}

// Keys outside 0..999 are refused with -1 (no slot exists for them).
GLint __glOgLayoutSlot(GlOgLayout* layout, GLint key, GLuint bytes) {
    if (layout->locked) return key;
    if (key < 0 || key >= GL_OG_LAYOUT_KEYS) return -1;
    if (layout->slots[key] >= 0) return layout->slots[key];
    const GLuint x = layout->signature ^ (GLuint)key;
    layout->signature = x << 7 | x >> 25;
    layout->slots[key] = (GLint)layout->size;
    layout->size += bytes;
    return layout->slots[key];
}

void __glOgLayoutAlign(GlOgLayout* layout, GLuint alignment) {
    layout->size = (layout->size + alignment - 1) & (0u - alignment);
}

GLuint __glOgLayoutSize(const GlOgLayout* layout) { return layout->size; }

// ---- Caches -----------------------------------------------------------------

// Code areas must be executable: they come from the virtual-memory allocator
// (the context's allocate procedure returns heap memory, which need not be).
uint8_t* __glOgAllocCode(size_t bytes) {
    return (uint8_t*)VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
}
void __glOgFreeCode(uint8_t* code) {
    if (code) VirtualFree(code, 0, MEM_RELEASE);
}

GLboolean __glOgInitCache(GlContext* gc, GlOgCache* cache, GLuint entries, GLuint codeBytes) {
    if (const char* s = getenv("__GL_DISABLE_OG_CACHE")) __glOgCacheDisabled = strtol(s, nullptr, 10) != 0;
    if (!entries || !codeBytes) return GL_FALSE;
    cache->entryCount = entries;
    cache->codeBytes = codeBytes;
    cache->entries = (GlOgCacheEntry*)gc->imports.calloc(gc, entries, sizeof(GlOgCacheEntry));
    cache->code = __glOgAllocCode((size_t)entries * codeBytes);
    if (!cache->entries || !cache->code) return GL_FALSE;
    GlOgCacheEntry* next = nullptr;
    for (GLuint i = 0; i < entries; i++) {
        GlOgCacheEntry* e = &cache->entries[i];
        e->keyA = -1;
        e->keyB = 0;
        e->code = cache->code + (size_t)i * codeBytes;
        __glOgLayoutReset(&e->layout);
        e->next = next;
        next = e;
    }
    cache->head = next;  // the last entry
    return GL_TRUE;
}

extern "C" GLboolean GLPROC __glOgCreateCaches(GlContext* gc) {
    const GLuint* z = gc->og.cacheSizes;  // entries and code bytes of each cache; data-area bytes
    GlOgGen* g = &gc->og.gen;
    g->arenaNext = g->arena;
    __glOgLayoutReset(&g->vertexLayout);
    g->vertexLayout.locked = 1;  // fixed vertex offsets until a packed layout is chosen
    const GLuint sizes[GL_OG_CACHE_COUNT][2] = {{z[0], z[1]}, {z[2], z[3]}, {z[4], z[5]}, {z[7], z[8]}};
    for (int i = 0; i < GL_OG_CACHE_COUNT; i++)
        if (!__glOgInitCache(gc, &g->caches[i], sizes[i][0], sizes[i][1])) return GL_FALSE;
    const GLuint dataBytes = z[6] > (GLuint)GL_OG_DATA_AREA_BYTES ? z[6] : (GLuint)GL_OG_DATA_AREA_BYTES;
    g->dataArea = (uint8_t*)gc->imports.calloc(gc, 1, dataBytes);
    return g->dataArea != nullptr;
}

extern "C" void GLPROC __glOgFreeCaches(GlContext* gc) {
    GlOgGen* g = &gc->og.gen;
    for (GlOgCache& c : g->caches) {
        gc->imports.free(gc, c.entries);
        __glOgFreeCode(c.code);
        c.entries = c.head = nullptr;
        c.code = nullptr;
    }
    gc->imports.free(gc, g->dataArea);
    g->dataArea = nullptr;
    for (auto& pools : g->retiredPools)
        for (void*& p : pools) {
            if (p) HeapFree(GetProcessHeap(), 0, p);
            p = nullptr;
        }
}

// An entry whose key a is -1 is empty whatever the request: a request with key a
// -1 never hits, so an empty entry's code is never handed out as cached.
GLboolean __glOgCacheLookup(GlOgCache* cache, GLint keyA, GLuint keyB, GlOgLayout** layout, uint8_t** code) {
    GlOgCacheEntry* e = cache->head;
    GLboolean hit = GL_FALSE;
    if (!__glOgCacheDisabled) {
        GlOgCacheEntry* prev = nullptr;
        while (e->keyA != -1 && !(e->keyA == keyA && e->keyB == keyB) && e->next) {
            prev = e;
            e = e->next;
        }
        hit = e->keyA != -1 && e->keyA == keyA && e->keyB == keyB;
        if (!hit) {
            e->keyA = keyA;
            e->keyB = keyB;
        }
        if (prev) {  // to the front
            prev->next = e->next;
            e->next = cache->head;
            cache->head = e;
        }
    }
    if (layout) *layout = &e->layout;
    *code = e->code;
    return hit;
}

// ---- Constant pools ---------------------------------------------------------

// A full pool is replaced by a zero-filled one of twice the capacity whose entries
// start again at 0. The replaced pool stays alive (generated code addresses it)
// until the caches are freed.
static bool growPool(GlOgGrowArray* pool, void** retired, size_t bytes) {
    int r = 0;
    while (r < GL_OG_MAX_RETIRED_POOLS && retired[r]) r++;
    if (r == GL_OG_MAX_RETIRED_POOLS) return false;
    void* grown = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (size_t)pool->capacity * 2 * bytes);
    if (!grown) return false;
    retired[r] = pool->data;
    pool->data = grown;
    pool->capacity *= 2;
    pool->count = 0;
    return true;
}

// Finds an equal entry of `bytes` bytes or stores a new one; returns its address.
static void* poolConstant(GlContext* gc, GlOgGrowArray* pool, void** retired, const void* value, size_t bytes) {
    uint8_t* data = (uint8_t*)pool->data;
    for (GLuint i = 0; i < pool->count; i++)
        if (!memcmp(data + i * bytes, value, bytes)) return data + i * bytes;
    if (pool->count >= pool->capacity && !growPool(pool, retired, bytes)) {  // an earlier growth failed
        if (gc->imports.fatal) gc->imports.fatal(gc, "code generator: no memory for constants");
        return nullptr;
    }
    uint8_t* slot = (uint8_t*)pool->data + pool->count++ * bytes;
    memcpy(slot, value, bytes);
    if (pool->count == pool->capacity) growPool(pool, retired, bytes);  // a failure retries at the next store
    return slot;
}

// Floats are compared by their bits: -0.0 and 0.0 are different constants.
GlOgNode* __glOgFloatConst(GlContext* gc, GLfloat value) {
    void* at = poolConstant(gc, &gc->og.words, gc->og.gen.retiredPools[0], &value, sizeof value);
    return __glOgMemAbs(gc, at);
}

GlOgNode* __glOgMmxConst(GlContext* gc, GLushort lane0, GLushort lane1, GLushort lane2, GLushort lane3) {
    const GLushort lanes[4] = {lane0, lane1, lane2, lane3};
    void* at = poolConstant(gc, &gc->og.doubles, gc->og.gen.retiredPools[1], lanes, sizeof lanes);
    return __glOgMemAbs(gc, at);
}
