// Display-list blocks: the records of a list copied into one chain of
// {playback procedure, operands} entries, and the loop that runs it.

#include <string.h>
#include "dlist.h"

static void GLPROC releaseNothing(GlContext*, void*) {}
static void GLPROC executeNothing(GlContext*, GlCompiledList*) {}

// Stands for every list name without a list; static, never counted or freed.
GlCompiledList __glEmptyList = {1, releaseNothing, executeNothing, nullptr, 0, {{nullptr, nullptr}}};

extern "C" const uint8_t* GLPROC __glOpPad(const uint8_t* operands) { return operands; }
extern "C" const uint8_t* GLPROC __glOpChainEnd(const uint8_t*) { return nullptr; }

static GlCompiledList* allocListBlock(GlContext* gc, uint64_t dataBytes, GLuint fixups) {
    GlListQueryState* l = &gc->lists;
    const uint64_t bytes = offsetof(GlCompiledList, fixups) + (uint64_t)fixups * sizeof(GlListFixup);
    if (bytes > 0x7FFFFFFFu || dataBytes > 0x7FFFFFFFu) return nullptr;
    GlCompiledList* b = (GlCompiledList*)l->allocProc(gc, (size_t)bytes);
    if (!b) return nullptr;
    b->refCount = 1;
    b->releaseProc = __glFreeListBlock;
    b->executeProc = dataBytes ? __glExecuteListBlock : executeNothing;
    b->data = nullptr;
    b->count = (int32_t)fixups + (dataBytes ? 1 : 0);
    if (dataBytes) {
        b->data = (uint8_t*)l->allocProc(gc, (size_t)dataBytes);
        if (!b->data) {
            l->freeProc(gc, b);
            return nullptr;
        }
    }
    return b;
}

extern "C" void GLPROC __glFreeListBlock(GlContext* gc, void* block) {
    GlCompiledList* b = (GlCompiledList*)block;
    if (b->count > 0) {
        for (int32_t i = 0; i < b->count - 1; i++) b->fixups[i].release(gc, b->fixups[i].operands);
        gc->lists.freeProc(gc, b->data);
    }
    gc->lists.freeProc(gc, b);
}

static const uint8_t* runOpChain(const uint8_t* p) {
    for (;;) {
        GlListPlayProc proc;
        memcpy(&proc, p, 4);
        if (proc == __glOpChainEnd) return p;
        p = proc(p + 4);
    }
}

extern "C" void GLPROC __glExecuteListBlock(GlContext*, GlCompiledList* block) { runOpChain(block->data); }

static GlListPlayProc procOf(const GlListQueryState* l, int opcode) {
    if (opcode < 1000) return l->playbackTable[opcode];
    if (opcode < 10000) return l->extendedTable[opcode - 1000];
    return l->highTable[opcode - 10000];
}

extern "C" GlCompiledList* GLPROC __glBuildListBlock(GlContext* gc, GlListBuild* build) {
    GlListQueryState* l = &gc->lists;
    uint64_t n = 0;
    GLuint fixups = 0;
    for (GlListRecord* r = build->head; r; r = r->next) {
        n = __glListPlaced(n, r);
        if (r->release) fixups++;
    }
    if (build->head) n += 4;
    GlCompiledList* block = allocListBlock(gc, n, fixups);
    if (!block) {
        gc->procs.resetArena(gc, l->arena);
        build->head = build->tail = nullptr;
        __glSetError(GL_OUT_OF_MEMORY);
        return nullptr;
    }
    if (!build->head) return block;
    uint8_t* p = block->data;
    const GlListPlayProc pad = __glOpPad, end = __glOpChainEnd;
    GLuint f = 0;
    for (GlListRecord* r = build->head; r; r = r->next) {
        if (r->align8 && (uintptr_t)(p - block->data) % 8 != 4) {
            memcpy(p, &pad, 4);
            p += 4;
        }
        const GlListPlayProc proc = procOf(l, r->opcode);
        memcpy(p, &proc, 4);
        p += 4;
        if (r->release) block->fixups[f++] = {r->release, p};
        memcpy(p, __glListOperands(r), r->size);
        p += r->size;
    }
    memcpy(p, &end, 4);
    return block;
}
