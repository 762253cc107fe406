// The emitter the rasterization generators write through: instructions
// encoded at once into a bounded code area, operands built in a small ring
// (the context's node arena keeps only the jump fix-ups), labels from the
// emitter's own table. Once the area or a table runs short, or the encoder
// refuses an operand form, nothing more is written and the routine is
// dropped: the picker then keeps the C++ stages.
//
// Between schedule() and unschedule() the instructions go to the encoder's
// scheduled block (codegen/scheduler.cpp) instead, their nodes and operands
// in the emitter's block pool; placing a label, reserving data, a 16-bit form
// or here() closes the block first (the code pointer stands still while it is
// open), and a schedule() region reopens it after a label.
#pragma once

#include <string.h>
#include "codegen/codegen.h"

enum { GL_OG_ASM_LABELS = 512, GL_OG_ASM_RING = 16, GL_OG_ASM_MAX_INSN = 16, GL_OG_ASM_POOL = 640 };

struct GlOgAsm {
    GlContext* gc;
    uint8_t* start;
    uint8_t* out;
    uint8_t* end;  // nothing is written at or past end
    bool failed;
    GLint refusedOp;  // the first op code the encoder refused, -1 none
    GLuint labelCount, ringNext;
    GLuint region;    // schedule() regions open (nested): blocks reopen after each label
    bool blockOpen;   // a scheduled block is open
    GLuint queued;    // instructions in it
    GLuint poolNext;  // nodes of the block pool in use
    GlOgNode ring[GL_OG_ASM_RING];
    GlOgNode labels[GL_OG_ASM_LABELS];
    GlOgNode pool[GL_OG_ASM_POOL];

    void begin(GlContext* context, uint8_t* at, uint8_t* limit) {
        gc = context;
        start = out = at;
        end = limit;
        failed = false;
        refusedOp = -1;
        labelCount = ringNext = 0;
        region = 0;
        blockOpen = false;
        queued = poolNext = 0;
        __glOgResetArena(gc);
    }

    // ---- Scheduled blocks.
    void schedule() {
        region++;
        open();
    }
    void unschedule() {
        if (region && --region) return;
        close();
    }
    // The code address of the next instruction: the block closed first.
    uint8_t* here() {
        close();
        return out;
    }
    void open() {
        if (blockOpen || failed || !__glOgScheduleBlocks) return;
        GlOgNode* n = poolNode(GL_OG_INSN);
        n->insn.op = GL_OG_BeginBlock;
        n->insn.first = n->insn.second = nullptr;
        out = __glOgEncode(gc, out, n);
        blockOpen = true;
    }
    void close() {
        if (!blockOpen) return;
        blockOpen = false;
        GlOgNode* n = poolNode(GL_OG_INSN);
        n->insn.op = GL_OG_EndBlock;
        n->insn.first = n->insn.second = nullptr;
        out = __glOgEncode(gc, out, n);
        queued = poolNext = 0;
    }
    GlOgNode* poolNode(GLuint kind) {
        GlOgNode* n = &pool[poolNext < GL_OG_ASM_POOL ? poolNext++ : GL_OG_ASM_POOL - 1];
        n->kind = kind;
        return n;
    }
    // An operand that lives until the block closes: registers as the static
    // records (a generator may pass a copy of one), labels kept, immediates
    // and memory references copied into the pool.
    GlOgNode* kept(GlOgNode* o) {
        if (!o) return o;
        switch (o->kind) {
        case GL_OG_REG32: return &__glOgReg32[o->reg.code & 7];
        case GL_OG_REG8: return &__glOgReg8[o->reg.code & 7];
        case GL_OG_MMX: return &__glOgMmReg[o->reg.code & 7];
        case GL_OG_ST: return &__glOgStReg[o->reg.code & 7];
        case GL_OG_IMM: case GL_OG_MEM: break;
        default: return o;
        }
        GlOgNode* n = poolNode(o->kind);
        if (o->kind == GL_OG_IMM) {
            n->imm.value = o->imm.value;
            return n;
        }
        n->mem = o->mem;
        n->mem.disp = kept(o->mem.disp);
        n->mem.base = kept(o->mem.base);
        n->mem.index = kept(o->mem.index);
        return n;
    }
    // Queues an instruction of the open block once the encoder takes its
    // form (tried into scratch bytes; jumps to labels are always taken).
    void queue(GLuint code, GlOgNode* x, GlOgNode* y) {
        if (poolNext + 8 > GL_OG_ASM_POOL || end - out < (ptrdiff_t)((queued + 2) * GL_OG_ASM_MAX_INSN)) {
            close();
            if (end - out < GL_OG_ASM_MAX_INSN) failed = true;
            if (failed) return;
            open();
            if (!blockOpen) return direct(code, x, y);
        }
        if (!((x && x->kind == GL_OG_LABEL) || (y && y->kind == GL_OG_LABEL))) {
            uint8_t trial[GL_OG_ASM_MAX_INSN];
            GlOgGen* g = &gc->og.gen;
            g->scheduling = 0;
            const GlOgEncodeHook hook = __glOgEncodeHook;
            __glOgEncodeHook = nullptr;
            const bool taken = __glOgEncodeOp(gc, trial, code, x, y) != trial;
            __glOgEncodeHook = hook;
            g->scheduling = 1;
            if (!taken) {
                failed = true, refusedOp = (GLint)code;
                return;
            }
        }
        GlOgNode* n = poolNode(GL_OG_INSN);
        n->insn.op = code;
        n->insn.first = kept(x);
        n->insn.second = kept(y);
        n->insn.next = nullptr;
        out = __glOgEncode(gc, out, n);
        queued++;
        ringNext = 0;
    }
    void direct(GLuint code, GlOgNode* x, GlOgNode* y) {
        uint8_t* before = out;
        out = __glOgEncodeOp(gc, out, code, x, y);
        if (out == before) failed = true, refusedOp = (GLint)code;  // a form the encoder does not take
        ringNext = 0;
    }
    // Each maker sets every field the encoder reads of its kind.
    GlOgNode* node(GLuint kind) {
        GlOgNode* n = &ring[ringNext++ % GL_OG_ASM_RING];
        n->kind = kind;
        return n;
    }

    // ---- Operands: they live until the next instruction is emitted.
    GlOgNode* i(GLint v) {
        GlOgNode* n = node(GL_OG_IMM);
        n->imm.value = v;
        return n;
    }
    GlOgNode* mem(GlOgNode* base, GlOgNode* index, GLuint scale, GLint d) {
        GlOgNode* n = node(GL_OG_MEM);
        n->mem.disp = (d || !base) ? i(d) : nullptr;
        n->mem.base = base;
        n->mem.index = index;
        n->mem.scale = scale ? scale : 1;
        return n;
    }
    GlOgNode* m(GlOgNode* base, GLint d = 0) { return mem(base, nullptr, 1, d); }
    GlOgNode* mx(GlOgNode* base, GlOgNode* index, GLuint scale, GLint d = 0) { return mem(base, index, scale, d); }
    GlOgNode* a(const void* p) { return mem(nullptr, nullptr, 1, (GLint)(uintptr_t)p); }
    GlOgNode* ax(const void* p, GlOgNode* index, GLuint scale) { return mem(nullptr, index, scale, (GLint)(uintptr_t)p); }
    // Pool constants: the address of the pool entry as an operand of this ring.
    GlOgNode* f(GLfloat v) { return a(poolAddress(__glOgFloatConst(gc, v))); }
    GlOgNode* q(GLushort l0, GLushort l1, GLushort l2, GLushort l3) {
        return a(poolAddress(__glOgMmxConst(gc, l0, l1, l2, l3)));
    }
    GlOgNode* q4(GLushort l) { return q(l, l, l, l); }
    GlOgNode* qd(GLuint d0, GLuint d1) {
        return q((GLushort)d0, (GLushort)(d0 >> 16), (GLushort)d1, (GLushort)(d1 >> 16));
    }
    static const void* poolAddress(const GlOgNode* n) {
        return n && n->kind == GL_OG_MEM && n->mem.disp ? (const void*)(uintptr_t)(GLuint)n->mem.disp->imm.value
                                                        : nullptr;
    }

    // ---- Labels: long ones unless said otherwise.
    GlOgNode* label(bool shortJumps = false) {
        if (labelCount >= GL_OG_ASM_LABELS) {
            failed = true;
            labelCount = 0;
        }
        GlOgNode* n = &labels[labelCount++];
        memset(n, 0, sizeof *n);
        n->kind = GL_OG_LABEL;
        n->label.width = shortJumps ? 0 : 1;
        return n;
    }
    void place(GlOgNode* l) {
        close();
        if (failed) return;
        // A short jump that does not reach its label is a generator fault:
        // the routine is dropped rather than run.
        for (const GlOgNode* f = l->label.fixups; f; f = f->fixup.next)
            if (!f->fixup.width && out - (f->fixup.field + 1) > 127) failed = true, refusedOp = -2;
        if (!failed) out = __glOgPlaceLabel(gc, out, l);
        if (region) open();
    }
    // The code address of a placed label.
    uint8_t* addressOf(const GlOgNode* l) const { return l->label.address; }

    // ---- Instructions: one method per op code (Mov, Add, FldS, Movq, ...).
    void op(GLuint code, GlOgNode* x, GlOgNode* y) {
        const GlOgGen* g = &gc->og.gen;
        if (end - out < GL_OG_ASM_MAX_INSN || g->arenaNext - g->arena > GL_OG_ARENA_NODES - 64) failed = true;
        if (failed) return;
        if (blockOpen) return queue(code, x, y);
        direct(code, x, y);
    }
#define GL_OG_ASM_OP(name, form, a, b, c, d, sched) \
    void name(GlOgNode* x = nullptr, GlOgNode* y = nullptr) { op(GL_OG_##name, x, y); }
    GL_OG_OPS(GL_OG_ASM_OP)
#undef GL_OG_ASM_OP

    // A 16-bit form: the operand-size prefix and the 32-bit instruction.
    void w16(GLuint code, GlOgNode* x, GlOgNode* y = nullptr) {
        close();
        if (end - out < GL_OG_ASM_MAX_INSN) failed = true;
        if (failed) return;
        *out++ = 0x66;  // the prefix without an instruction node: the operands stay in the ring
        op(code, x, y);
        if (region) open();
    }
    // Calls an absolute address (cdecl procedures: the caller pops).
    void callAbs(const void* proc) {
        Mov(OG_EAX, i((GLint)(uintptr_t)proc));
        Call(OG_EAX);
    }
    // Bytes of data in the code area (tables the routine reads).
    uint8_t* reserve(size_t bytes, size_t alignment) {
        close();
        uint8_t* p = (uint8_t*)(((uintptr_t)out + alignment - 1) & ~(uintptr_t)(alignment - 1));
        if (failed || end - p < (ptrdiff_t)(bytes + GL_OG_ASM_MAX_INSN)) {
            failed = true;
            return nullptr;
        }
        memset(out, 0xCC, (size_t)(p - out));  // the same bytes whatever the area held
        out = p + bytes;
        if (region) open();
        return p;
    }
    // An instruction whose place the caller records (A.out after it): out
    // of any block.
    void alone(GLuint code, GlOgNode* x, GlOgNode* y = nullptr) {
        close();
        op(code, x, y);
        if (region) open();
    }
};

// The walk of a coverage mask in ECX (bit 31 the first pixel): live() for
// each live pixel, next() after every pixel, ECX shifted left until no live
// pixel is left. A mask whose live pixels run unbroken from bit 31 takes a
// loop without bit tests. EAX and EDX are changed before the loops; init()
// starts each loop; cold(back) emits code out of the loop's way that returns
// to next() through the label `back`.
template <class Init, class Live, class Next, class Cold>
inline void __glOgEmitMaskWalk(GlOgAsm& A, Init init, Live live, Next next, Cold cold) {
    GlOgNode* walk = A.label(), *done = A.label();
    A.Mov(OG_EAX, OG_ECX);
    A.Not(OG_EAX);
    A.Lea(OG_EDX, A.m(OG_EAX, 1));
    A.Test(OG_EDX, OG_EAX);
    A.Jne(walk);
    for (int bitTests = 0; bitTests < 2; bitTests++) {
        GlOgNode* top = A.label(), *nextPixel = A.label();
        if (bitTests) A.place(walk);
        init();
        A.place(top);
        if (bitTests) {
            A.Test(OG_ECX, OG_ECX);
            A.Jns(nextPixel);
        }
        live();
        A.place(nextPixel);
        next();
        A.Add(OG_ECX, OG_ECX);
        A.Jne(top);
        A.Jmp(done);
        cold(nextPixel);
    }
    A.place(done);
}
template <class Live, class Next>
inline void __glOgEmitMaskWalk(GlOgAsm& A, Live live, Next next) {
    __glOgEmitMaskWalk(A, [] {}, live, next, [](GlOgNode*) {});
}

// EDX = the live pixels of the mask in ECX when they run unbroken from bit
// 31 (32, or the leading ones), else to `other`. EAX changed.
inline void __glOgEmitRunLength(GlOgAsm& A, GlOgNode* other) {
    GlOgNode* counted = A.label(true);
    A.Mov(OG_EAX, OG_ECX);
    A.Not(OG_EAX);
    A.Lea(OG_EDX, A.m(OG_EAX, 1));
    A.Test(OG_EDX, OG_EAX);
    A.Jne(other);
    A.Mov(OG_EDX, A.i(32));
    A.Test(OG_EAX, OG_EAX);
    A.Je(counted);
    A.Bsr(OG_EDX, OG_EAX);
    A.Neg(OG_EDX);
    A.Add(OG_EDX, A.i(31));
    A.place(counted);
}

// Registers by name.
#define EAX OG_EAX
#define ECX OG_ECX
#define EDX OG_EDX
#define EBX OG_EBX
#define ESP OG_ESP
#define EBP OG_EBP
#define ESI OG_ESI
#define EDI OG_EDI
#define AL OG_R8(0)
#define CL OG_R8(1)
#define DL OG_R8(2)
#define BL OG_R8(3)
#define AH OG_R8(4)
#define CH OG_R8(5)
#define DH OG_R8(6)
#define BH OG_R8(7)
#define MM(n) OG_MM(n)
#define ST(n) OG_ST(n)
