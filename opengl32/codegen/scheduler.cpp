// Instruction scheduler: the nodes of a block are placed into pairs of slots (the
// two pipes of a dual-issue processor), each as early as its dependences allow,
// then encoded in slot order.
//
// Dependences are tracked as register masks with pseudo-registers for the flags,
// memory, the x87 stack and control flow, so that no reordering changes what the
// block computes: a load never passes a store, a flag writer never lands between a
// compare and its jump, no x87 instruction passes an MMX one, and nothing crosses
// a jump, call or prefix.

#include <stdio.h>
#include <string.h>
#include <iterator>
#include <map>
#include "codegen/codegen.h"

namespace {

constexpr GLuint MASK_FLAGS = 1u << 16;
constexpr GLuint MASK_CONTROL = 1u << 17;  // written by jumps; read by every node
constexpr GLuint MASK_MEMORY = 1u << 18;
constexpr GLuint MASK_FPU = 1u << 19;
constexpr GLuint MASK_ALL = 0xFFFFFFFFu;
constexpr GLuint MASK_MMX_ALL = 0xFFu << 8;
constexpr GLuint BLOCK_LIMIT = 990;

struct Masks {
    GLuint reads, writes;
};

// Register bits: 32-bit register c -> bit c, 8-bit register c -> bit (c & 3),
// MMX register c -> bit 8 + c (apart from the integer registers).
GLuint registerMask(const GlOgNode* n) {
    if (!n) return 0;
    switch (n->kind) {
    case GL_OG_REG32: return 1u << n->reg.code;
    case GL_OG_REG8: return 1u << (n->reg.code & 3);
    case GL_OG_MMX: return 1u << (8 + n->reg.code);
    default: return 0;
    }
}

GLuint addressMask(const GlOgNode* n) {
    if (!n || n->kind != GL_OG_MEM) return 0;
    return registerMask(n->mem.base) | registerMask(n->mem.index);
}

bool isMem(const GlOgNode* n) { return n && n->kind == GL_OG_MEM; }

Masks masksOf(GLuint op, const GlOgNode* dst, const GlOgNode* src, bool afterPrefix) {
    const GlOgOpInfo& t = __glOgOpTable[op];
    if ((t.sched & GL_OG_S_BAR) || afterPrefix) return {MASK_ALL, MASK_ALL};
    if (t.sched & GL_OG_S_JCC) return {MASK_ALL, MASK_CONTROL};
    Masks m = {MASK_CONTROL | addressMask(dst) | addressMask(src), 0};
    const bool addressOnly = t.sched & GL_OG_S_ADDR;
    if (t.sched & GL_OG_S_DR) m.reads |= registerMask(dst) | (isMem(dst) ? MASK_MEMORY : 0u);
    if (t.sched & GL_OG_S_DW) m.writes |= registerMask(dst) | (isMem(dst) ? MASK_MEMORY : 0u);
    m.reads |= registerMask(src) | (isMem(src) && !addressOnly ? MASK_MEMORY : 0u);
    if (t.sched & GL_OG_S_FR) m.reads |= MASK_FLAGS;
    if (t.sched & GL_OG_S_FW) m.writes |= MASK_FLAGS;
    if (t.sched & GL_OG_S_STACK) {
        const GLuint esp = 1u << GL_OG_ESP;
        m.reads |= esp | MASK_MEMORY;
        m.writes |= esp | MASK_MEMORY;
    }
    if (t.sched & GL_OG_S_DIVIDE) {
        const GLuint ad = 1u << GL_OG_EAX | 1u << GL_OG_EDX;
        m.reads |= ad;
        m.writes |= ad;
    }
    if (t.sched & GL_OG_S_STRING) {
        const GLuint sd = 1u << GL_OG_ESI | 1u << GL_OG_EDI;
        m.reads |= sd | MASK_MEMORY;
        m.writes |= sd | MASK_MEMORY;
    }
    if (t.sched & GL_OG_S_FPU) {
        m.reads |= MASK_FPU;
        m.writes |= MASK_FPU;
    }
    if (t.sched & GL_OG_S_TIMESTAMP) m.writes |= 1u << GL_OG_EAX | 1u << GL_OG_EDX;
    if (t.sched & GL_OG_S_CL) m.reads |= 1u << GL_OG_ECX;
    // MMX registers alias the x87 stack (an MMX instruction marks it full):
    // x87 instructions stay on their side of every MMX one.
    if ((dst && dst->kind == GL_OG_MMX) || (src && src->kind == GL_OG_MMX)) m.reads |= MASK_FPU;
    if (t.sched & GL_OG_S_MMXSTATE) {
        m.reads |= MASK_MMX_ALL | MASK_FPU;
        m.writes |= MASK_MMX_ALL | MASK_FPU;
    }
    return m;
}

bool isMmxOp(GLuint op) { return op >= GL_OG_Movd && op <= GL_OG_Pxor; }
bool isShiftOrUnpack(GLuint op) { return op >= GL_OG_Pslld && op <= GL_OG_Punpcklwd; }
bool isJcc(GLuint op) { return op >= GL_OG_Ja && op <= GL_OG_Jns; }

struct Slot {
    GlOgNode* node;
    Masks m;
    bool pairable;
};

bool depends(const Slot* a, const Slot* b) {
    return a && b && (b->m.writes & a->m.reads);
}
// As depends, but the flags and control do not count: the pair's second pipe may
// take a jump on the flags its partner sets.
bool dependsOnData(const Slot* a, const Slot* b) {
    if (!a || !b || isJcc(a->node->insn.op)) return false;
    return b->m.writes & a->m.reads & ~(MASK_FLAGS | MASK_CONTROL);
}
bool independent(const Slot* a, const Slot* b) {
    if (!a || !b) return true;
    return !depends(a, b) && !depends(b, a) && !(a->m.writes & b->m.writes);
}
bool mayPair(const Slot* a, const Slot* b) {
    if (!a || !b) return true;
    if (isShiftOrUnpack(a->node->insn.op) && isShiftOrUnpack(b->node->insn.op)) return false;
    if (a->m.writes & b->m.writes) return false;
    return !(a->m.writes & b->m.reads & ~(MASK_FLAGS | MASK_CONTROL));
}
bool pairable(GLuint op, const GlOgNode* first, const GlOgNode* second) {
    if (isJcc(op)) return true;
    if (op == GL_OG_Cmp || op == GL_OG_Shl || op == GL_OG_Shr || op == GL_OG_Sar || op == GL_OG_Test ||
        op == GL_OG_Movd)
        return false;
    if (!isMmxOp(op)) return first && second;
    return !(first && first->kind == GL_OG_MMX && isMem(second));
}
bool pairable(const GlOgNode* n) { return pairable(n->insn.op, n->insn.first, n->insn.second); }
// movd or movq out of an MMX register: waits for the pair before it.
bool isMmxStore(const GlOgNode* n) {
    const GLuint op = n->insn.op;
    if (op != GL_OG_Movd && op != GL_OG_Movq) return false;
    return n->insn.first && (n->insn.first->kind == GL_OG_REG32 || isMem(n->insn.first));
}

// Sized to its block: a node lands at most four slots past the last used one,
// and placement looks up to six past it.
struct Schedule {
    Slot** slots;
    Slot* cells;
    int size;
    int count;
};

constexpr int slotsFor(GLuint length) { return 4 * (int)length + 8; }
constexpr GLuint LOCAL_BLOCK = 256;

Slot* at(Schedule* s, int i) { return i >= 0 && i < s->size ? s->slots[i] : nullptr; }

int placePairable(Schedule* s, const Slot* n) {
    int pos = -1;
    for (int i = (s->count + 1) | 1; i >= 0; i--) {
        if (!independent(n, at(s, i + 1))) break;
        if (mayPair(n, at(s, i ^ 1)) && !at(s, i) && ((i & 1) == 0 || !dependsOnData(n, at(s, i - 1))))
            pos = i;
    }
    if (isMmxOp(n->node->insn.op) && (pos & 1) == 0 && !at(s, pos + 1)) pos++;
    return pos;
}

int placeOther(Schedule* s, const Slot* n) {
    int pos = -1;
    for (int i = (s->count + 4) & ~1; i >= 0; i -= 2) {
        if (!independent(n, at(s, i + 1)) || !independent(n, at(s, i + 2))) break;
        if (isMmxStore(n->node) && i >= 2 && (depends(n, at(s, i - 1)) || depends(n, at(s, i - 2))))
            continue;
        if (mayPair(n, at(s, i + 1)) && !at(s, i)) pos = i;
    }
    return pos;
}

GlOgPairInfo pairInfoOf(const Slot* cell) {
    GlOgPairInfo info;
    info.reads = cell->m.reads;
    info.writes = cell->m.writes;
    info.op = (uint16_t)cell->node->insn.op;
    info.pairable = cell->pairable;
    return info;
}

// __glOgCountPairs over n slots, given as pointers or in place.
GLuint countPairs(Slot* const* order, const Slot* cells, int n) {
    GLuint pairs = 0;
    for (int i = 0; i + 1 < n;) {
        const GlOgPairInfo a = pairInfoOf(order ? order[i] : &cells[i]);
        const GlOgPairInfo b = pairInfoOf(order ? order[i + 1] : &cells[i + 1]);
        if (__glOgIssueTogether(&a, &b)) pairs++, i += 2;
        else i++;
    }
    return pairs;
}

uint8_t* encodeInOrder(GlContext* gc, uint8_t* out, GlOgNode* head) {
    for (GlOgNode* n = head; n; n = n->insn.next) out = __glOgEncode(gc, out, n);
    return out;
}

}  // namespace

GLint __glOgScheduleBlocks = 1;  // C linkage by its declaration

void __glOgPairInfo(GLuint op, const GlOgNode* first, const GlOgNode* second, GlOgPairInfo* info) {
    const Masks m = masksOf(op, first, second, false);
    info->reads = m.reads;
    info->writes = m.writes;
    info->op = (uint16_t)op;
    info->pairable = pairable(op, first, second);
}

// As the scheduler places b in the odd slot beside a: both pairable, a not a
// jump, may-pair and no data dependence of b on a (a jump may take the flags
// a sets).
GLboolean __glOgIssueTogether(const GlOgPairInfo* a, const GlOgPairInfo* b) {
    if (!a->pairable || !b->pairable || isJcc(a->op)) return GL_FALSE;
    if (isShiftOrUnpack(a->op) && isShiftOrUnpack(b->op)) return GL_FALSE;
    const GLuint own = ~(MASK_FLAGS | MASK_CONTROL);
    if (a->writes & b->writes) return GL_FALSE;
    if (b->writes & a->reads & own) return GL_FALSE;
    return !(!isJcc(b->op) && (a->writes & b->reads & own));
}

GLuint __glOgCountPairs(const GlOgPairInfo* run, GLuint n) {
    GLuint pairs = 0;
    for (GLuint i = 0; i + 1 < n;) {
        if (__glOgIssueTogether(&run[i], &run[i + 1])) pairs++, i += 2;
        else i++;
    }
    return pairs;
}

void __glOgQueueNode(GlContext* gc, GlOgNode* node) {
    GlOgGen* g = &gc->og.gen;
    node->insn.next = nullptr;
    if (g->queueTail) g->queueTail->insn.next = node;
    else g->queueHead = node;
    g->queueTail = node;
    g->queueLength++;
}

uint8_t* __glOgFlushSchedule(GlContext* gc, uint8_t* out) {
    GlOgGen* g = &gc->og.gen;
    GlOgNode* head = g->queueHead;
    const GLuint length = g->queueLength;
    g->queueHead = g->queueTail = nullptr;
    g->queueLength = 0;
    if (!head) return out;
    // A block beyond the slot array keeps its order.
    if (length > BLOCK_LIMIT) return encodeInOrder(gc, out, head);
    const int size = slotsFor(length);
    const size_t bytes = size * sizeof(Slot*) + length * sizeof(Slot);
    // Blocks of the usual length schedule on the stack; only the slots need clearing.
    alignas(8) uint8_t local[slotsFor(LOCAL_BLOCK) * sizeof(Slot*) + LOCAL_BLOCK * sizeof(Slot)];
    uint8_t* memory = length <= LOCAL_BLOCK ? local : (uint8_t*)gc->imports.alloc(gc, bytes);
    if (!memory) return encodeInOrder(gc, out, head);
    memset(memory, 0, size * sizeof(Slot*));
    Schedule schedule = {(Slot**)memory, (Slot*)(memory + size * sizeof(Slot*)), size, 0};
    Schedule* s = &schedule;
    int used = 0;
    bool afterPrefix = false;
    for (GlOgNode* n = head; n; n = n->insn.next) {
        Slot* cell = &s->cells[used++];
        cell->node = n;
        cell->m = masksOf(n->insn.op, n->insn.first, n->insn.second, afterPrefix);
        afterPrefix = __glOgOpTable[n->insn.op].sched & GL_OG_S_PREFIX;
        cell->pairable = pairable(n);
        const int pos = cell->pairable ? placePairable(s, cell) : placeOther(s, cell);
        if (pos < 0 || pos >= size - 6) {  // cannot happen by the bound above; keep the order if it does
            if (memory != local) gc->imports.free(gc, memory);
            return encodeInOrder(gc, out, head);
        }
        s->slots[pos] = cell;
        if (pos + 1 > s->count) s->count = pos + 1;
    }
    // The processor pairs greedily in code order, which empty slots can put out of
    // step with the placement: the block keeps its written order unless the placed
    // one issues as many pairs or more.
    int k = 0;
    for (int i = 0; i < s->count; i++)
        if (s->slots[i]) s->slots[k++] = s->slots[i];
    if (countPairs(s->slots, nullptr, used) >= countPairs(nullptr, s->cells, used)) {
        for (int i = 0; i < used; i++) out = __glOgEncode(gc, out, s->slots[i]->node);
    } else {
        out = encodeInOrder(gc, out, head);
    }
    if (memory != local) gc->imports.free(gc, memory);
    return out;
}

// ---- The pair map of the benchmark's profile: every instruction written
// since recording began, by address (a rewritten area replaces what lay
// there), and for each whether the next one issues beside it.
namespace {
struct Recorded {
    GLuint bytes;
    GlOgPairInfo info;
};
std::map<uintptr_t, Recorded>* recorded;

void record(GlContext*, const uint8_t* at, const uint8_t* end, GLuint op, const GlOgNode* first,
            const GlOgNode* second) {
    const uintptr_t a = (uintptr_t)at, e = (uintptr_t)end;
    auto i = recorded->lower_bound(a);
    if (i != recorded->begin() && std::prev(i)->first + std::prev(i)->second.bytes > a) i--;
    while (i != recorded->end() && i->first < e) i = recorded->erase(i);
    Recorded& r = (*recorded)[a];
    r.bytes = (GLuint)(e - a);
    __glOgPairInfo(op, first, second, &r.info);
}
}  // namespace

extern "C" void GLPROC __glOgRecordPairs(void) {
    if (!recorded) recorded = new std::map<uintptr_t, Recorded>;
    __glOgEncodeHook = record;
}

// "address bytes paired" a line; paired 1 for the first of two adjacent
// instructions that issue together (in order, each taken once).
extern "C" void GLPROC __glOgWritePairMap(const char* path) {
    FILE* f = recorded && path ? fopen(path, "w") : nullptr;
    if (!f) return;
    const Recorded* previous = nullptr;
    uintptr_t previousEnd = 0;
    bool taken = false;  // the previous instruction is the second of a pair
    for (auto i = recorded->begin(); i != recorded->end(); ++i) {
        const bool adjacent = previous && previousEnd == i->first;
        const auto next = std::next(i);
        const bool paired = !(adjacent && taken) && next != recorded->end() &&
                            next->first == i->first + i->second.bytes &&
                            __glOgIssueTogether(&i->second.info, &next->second.info);
        fprintf(f, "%lx %u %d\n", (unsigned long)i->first, i->second.bytes, paired ? 1 : 0);
        taken = paired;
        previous = &i->second;
        previousEnd = i->first + i->second.bytes;
    }
    fclose(f);
}
