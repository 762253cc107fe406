// Instruction nodes: the context's node arena, operand constructors, the static
// register records and the small emit fragments that generators share.

#include "codegen/codegen.h"

#define GL_OG_REGS(kind)                                                                  \
    {                                                                                      \
        {kind, {{0}}}, {kind, {{1}}}, {kind, {{2}}}, {kind, {{3}}}, {kind, {{4}}}, {kind, {{5}}}, \
            {kind, {{6}}}, {kind, {{7}}}                                                   \
    }
GlOgNode __glOgReg32[8] = GL_OG_REGS(GL_OG_REG32);
GlOgNode __glOgReg8[8] = GL_OG_REGS(GL_OG_REG8);
GlOgNode __glOgStReg[8] = GL_OG_REGS(GL_OG_ST);
GlOgNode __glOgMmReg[8] = GL_OG_REGS(GL_OG_MMX);
#undef GL_OG_REGS

// The arena's bound is a limit that generators keep; a generator that passes it
// is a fault of the library: reported as fatal, never written beyond the context.
GlOgNode* __glOgNewNode(GlContext* gc, GLuint kind) {
    GlOgGen* g = &gc->og.gen;
    if (!g->arenaNext) g->arenaNext = g->arena;
    GlOgNode* n = g->arenaNext;
    if (n < g->arena + GL_OG_ARENA_NODES - 1)
        g->arenaNext = n + 1;
    else if (gc->imports.fatal)
        gc->imports.fatal(gc, "code generator: node arena exhausted");
    n->kind = kind;
    return n;
}

void __glOgResetArena(GlContext* gc) {
    gc->og.gen.arenaNext = gc->og.gen.arena;
    gc->og.gen.generations++;
}

GlOgNode* __glOgImm(GlContext* gc, GLint value) {
    GlOgNode* n = __glOgNewNode(gc, GL_OG_IMM);
    n->imm.value = value;
    return n;
}

static GlOgNode* newLabel(GlContext* gc, GLuint width) {
    GlOgNode* n = __glOgNewNode(gc, GL_OG_LABEL);
    n->label.width = width;
    n->label.fixups = nullptr;
    n->label.address = nullptr;
    return n;
}
GlOgNode* __glOgNewLabel(GlContext* gc) { return newLabel(gc, 1); }
GlOgNode* __glOgNewShortLabel(GlContext* gc) { return newLabel(gc, 0); }

GlOgNode* __glOgMem(GlContext* gc, GlOgNode* disp, GlOgNode* base, GlOgNode* index, GLuint scale) {
    GlOgNode* n = __glOgNewNode(gc, GL_OG_MEM);
    n->mem.disp = disp;
    n->mem.scale = scale;
    n->mem.base = base;
    n->mem.index = index;
    return n;
}
GlOgNode* __glOgMemBase(GlContext* gc, GlOgNode* disp, GlOgNode* base) {
    return __glOgMem(gc, disp, base, nullptr, 1);
}
GlOgNode* __glOgMemAt(GlContext* gc, GlOgNode* base, GLint disp) {
    return __glOgMemBase(gc, __glOgImm(gc, disp), base);
}
GlOgNode* __glOgMemAbs(GlContext* gc, const void* address) {
    return __glOgMemBase(gc, __glOgImm(gc, (GLint)(uintptr_t)address), nullptr);
}

GlOgNode* __glOgInsn(GlContext* gc, GLuint op, GlOgNode* first, GlOgNode* second) {
    GlOgNode* n = __glOgNewNode(gc, GL_OG_INSN);
    n->insn.op = op;
    n->insn.first = first;
    n->insn.second = second;
    n->insn.next = nullptr;
    return n;
}

uint8_t* __glGenFragmentAdjust(GlContext* gc, uint8_t* out, GlOgNode* reg, GLint from, GLint to) {
    if (from < to) return __glOgEncode(gc, out, __glOgShl(gc, reg, __glOgImm(gc, to - from)));
    return __glOgEncode(gc, out, __glOgShr(gc, reg, __glOgImm(gc, from - to)));
}

uint8_t* __glOgEmitAdjust(GlContext* gc, uint8_t* out, GlOgNode* mm, GLint from, GLint to) {
    if (from < to) return __glOgEncode(gc, out, __glOgPsllw(gc, mm, __glOgImm(gc, to - from)));
    if (from > to) return __glOgEncode(gc, out, __glOgPsrlw(gc, mm, __glOgImm(gc, from - to)));
    return out;
}
