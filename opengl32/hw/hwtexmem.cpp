// The board's texture memory: one contiguous block per resident texture in a
// list of blocks that covers the board's address range without gaps. An
// allocation takes whatever lies after the block allocated last (next fit),
// evicting its owners, who are downloaded again when next drawn; freed blocks
// merge with free neighbours. The board and the texture objects are shared by
// every hardware context, so there is one list for the board.

#include <string.h>
#include "hwcontext.h"
#include "ravix2x.h"

GlHwTexMemory __glHwTexMemory;

namespace {

const uint32_t TOP_CAP = 0x1FFFF8;  // the range is capped at 2 MiB

GlTextureObject* objectOf(GlTextureParams* p) {
    return (GlTextureObject*)((uint8_t*)p - offsetof(GlTextureObject, params));
}

// A texture whose block is gone: nothing of it is on the board.
void dropResidency(GlTextureParams* p) {
    p->hw.block = nullptr;
    p->hw.loadedMask = 0;
    objectOf(p)->resident = 0;
}

GlHwTexBlock* newBlock(void) {
    GlHwTexMemory* m = &__glHwTexMemory;
    return (GlHwTexBlock*)m->imports.calloc(nullptr, 1, sizeof(GlHwTexBlock));
}

}  // namespace

extern "C" void GLPROC __glHwInitTextureMemory(GlContext* gc) {
    GlHwTexMemory* m = &__glHwTexMemory;
    if (m->contexts++) return;
    m->imports = gc->imports;
    const uint32_t start = rvTexMinAddress(RV_TMU0);
    uint32_t top = rvTexMaxAddress(RV_TMU0);
    if (top > TOP_CAP) top = TOP_CAP;
    m->head = m->rover = nullptr;
    m->end = top;
    if (top < start) return;  // no texture memory: nothing becomes resident
    GlHwTexBlock* b = newBlock();
    if (!b) return;
    b->start = start;
    b->size = top - start + RV_TEXMEM_ALIGN;
    m->head = m->rover = b;
}

// Owners are gone with their contexts; the records go with the last one.
extern "C" void GLPROC __glHwLeaveTextureMemory(void) {
    GlHwTexMemory* m = &__glHwTexMemory;
    if (!m->contexts || --m->contexts) return;
    for (GlHwTexBlock* b = m->head; b;) {
        GlHwTexBlock* next = b->next;
        if (b->owner) dropResidency(b->owner);
        m->imports.free(nullptr, b);
        b = next;
    }
    m->head = m->rover = nullptr;
}

extern "C" GlHwTexBlock* GLPROC __glHwTexMemSplit(GlHwTexBlock* block, uint32_t n) {
    GlHwTexBlock* rest = newBlock();
    if (!rest) return nullptr;
    rest->start = block->start + n;
    rest->size = block->size - n;
    rest->next = block->next;
    block->next = rest;
    block->size = n;
    return rest;
}

extern "C" void GLPROC __glHwTexMemMergeNext(GlHwTexBlock* block) {
    GlHwTexMemory* m = &__glHwTexMemory;
    GlHwTexBlock* next = block->next;
    block->size += next->size;
    block->next = next->next;
    if (m->rover == next) m->rover = block;
    m->imports.free(nullptr, next);
}

extern "C" void GLPROC __glHwTexMemFree(GlHwTexBlock* block) {
    GlHwTexBlock* pred = nullptr;
    GlHwTexBlock* b = __glHwTexMemory.head;
    while (b && b != block) pred = b, b = b->next;
    if (!b) return;
    block->owner = nullptr;
    if (block->next && !block->next->owner) __glHwTexMemMergeNext(block);
    if (pred && !pred->owner) __glHwTexMemMergeNext(pred);  // block is gone after this
}

extern "C" void GLPROC __glHwTexRelease(GlTextureParams* p) {
    GlHwTexBlock* b = p->hw.block;
    dropResidency(p);
    if (b) __glHwTexMemFree(b);
}

extern "C" GLboolean GLPROC __glHwTexMemAlloc(GlTextureParams* p, uint32_t n) {
    GlHwTexMemory* m = &__glHwTexMemory;
    GlHwTexBlock* own = p->hw.block;
    if (own && own->size == n) return GL_TRUE;  // keeps its place and its texels
    __glHwTexRelease(p);
    if (!m->head || n == 0 || (uint64_t)m->head->start + n > (uint64_t)m->end + RV_TEXMEM_ALIGN) return GL_FALSE;
    // After the rover when n fits before the end of the range, else from the start.
    GlHwTexBlock* first = m->rover->next;
    if (!first || (uint64_t)first->start + n > (uint64_t)m->end + RV_TEXMEM_ALIGN) first = m->head;
    uint32_t remaining = n;
    for (GlHwTexBlock* b = first;; b = first->next) {
        if (b->owner) dropResidency(b->owner);
        b->owner = nullptr;
        if (remaining < b->size && !__glHwTexMemSplit(b, remaining)) return GL_FALSE;
        remaining -= b->size;
        if (b != first) __glHwTexMemMergeNext(first);
        if (!remaining) break;
    }
    first->owner = p;
    p->hw.block = first;
    m->rover = first;
    objectOf(p)->resident = 1;
    return GL_TRUE;
}
