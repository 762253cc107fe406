// The display-list record arena: records are carved from large blocks and
// freed all at once when glEndList has built the list.

#include "dlist.h"

static GlArenaBlock* newArenaBlock(GlContext* gc, GLuint size) {
    GlArenaBlock* b = (GlArenaBlock*)gc->imports.alloc(gc, sizeof(GlArenaBlock));
    if (!b) return nullptr;
    b->data = (uint8_t*)gc->imports.alloc(gc, size);
    if (!b->data) {
        gc->imports.free(gc, b);
        return nullptr;
    }
    b->capacity = size;
    b->used = 0;
    b->next = nullptr;
    return b;
}

static void freeArenaBlock(GlContext* gc, GlArenaBlock* b) {
    gc->imports.free(gc, b->data);
    gc->imports.free(gc, b);
}

extern "C" void* GLPROC __glNewArena(GlContext* gc) {
    GlArena* a = (GlArena*)gc->imports.alloc(gc, sizeof(GlArena));
    if (!a) return nullptr;
    a->owner = gc;
    a->firstBlock = a->currentBlock = newArenaBlock(gc, GL_ARENA_BLOCK_BYTES);
    if (!a->firstBlock) {
        gc->imports.free(gc, a);
        return nullptr;
    }
    return a;
}

extern "C" void GLPROC __glFreeArena(GlContext*, void* arena) {
    GlArena* a = (GlArena*)arena;
    if (!a) return;
    GlContext* owner = a->owner;
    for (GlArenaBlock* b = a->firstBlock; b;) {
        GlArenaBlock* next = b->next;
        freeArenaBlock(owner, b);
        b = next;
    }
    owner->imports.free(owner, a);
}

// Takes (n rounded down to 8) + 8 bytes, so every allocation is 8-aligned within its
// block; sizes are computed in 64 bits and an allocation beyond 32 bits fails.
extern "C" void* GLPROC __glArenaAlloc(GlContext*, void* arena, size_t bytes) {
    GlArena* a = (GlArena*)arena;
    const uint64_t c = ((uint64_t)bytes & ~(uint64_t)7) + 8;
    if (c > 0x7FFFFFF8u) return nullptr;
    GlArenaBlock* b = a->currentBlock;
    if ((uint64_t)b->capacity - b->used >= c) {
        void* p = b->data + b->used;
        b->used += (GLuint)c;
        return p;
    }
    GlArenaBlock* nb = newArenaBlock(a->owner, c > GL_ARENA_BLOCK_BYTES ? (GLuint)c : (GLuint)GL_ARENA_BLOCK_BYTES);
    if (!nb) return nullptr;
    b->next = nb;
    a->currentBlock = nb;
    nb->used = (GLuint)c;
    return nb->data;
}

extern "C" void GLPROC __glResetArena(GlContext*, void* arena) {
    GlArena* a = (GlArena*)arena;
    GlArenaBlock* rest = a->firstBlock->next;
    a->firstBlock->next = nullptr;
    a->firstBlock->used = 0;
    a->currentBlock = a->firstBlock;
    while (rest) {
        GlArenaBlock* next = rest->next;
        freeArenaBlock(a->owner, rest);
        rest = next;
    }
}

extern "C" void GLPROC __glInitArenaProcs(GlContext* gc) {
    gc->procs.newArena = __glNewArena;
    gc->procs.freeArena = __glFreeArena;
    gc->procs.arenaAlloc = __glArenaAlloc;
    gc->procs.resetArena = __glResetArena;
}
