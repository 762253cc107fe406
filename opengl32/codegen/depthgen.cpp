// The depth-test stage of the span chain, generated for one depth state: the
// C++ depth stage (raster/chainstages.cpp) specialised by function, write
// mask, word size and stencil, straight-line code with no table at run time.
//
// Pixel i of a group has the stored form of the group's z plus i steps: a
// 32-bit value walked along the group (__glDepthWalkValue), shifted per
// pixel; the clear generation and the mirror are read at run time, so a
// clear never asks for new code. Under a polygon offset the offset depths of the
// span's first and last live pixels are checked: when both lie in the
// buffer's range no pixel saturates and the span runs as a plain one from
// the offset start; otherwise the C++ stage saturates each pixel on its own.
//
// Registers: ECX the mask left to walk, EAX the bit of the current pixel, EDX
// the failed pixels, EBX the walked value, EDI its step (a buffer whose
// values shift: the pixel's stored value, the step in the scratch record),
// ESI the depth word, EBP the word advance; the incoming mask and the span
// on the stack.

#include "codegen/rasterwalk.h"
#include "codegen/spanlayout.h"
#include "raster/chain.h"
#include <functional>
#include <vector>

namespace {

struct DepthKey {
    GLuint func;     // function - GL_NEVER
    GLuint write;    // depth writes on
    GLuint bytes;    // 2 or 4
    GLuint shift;    // the buffer's depthShift
    GLuint stencil;  // stencil test on: an emptied group still takes the stencil update
    GLuint mmx;      // MMX allowed: a rightward unbroken run of 16-bit words four at a time
    GLuint offset;   // polygon offset: spans carry zOffset
};

}  // namespace

namespace {

// An unbroken rightward run of 16-bit words, four at a time in MMX (EBX the
// walked value, its step in the scratch record, ESI the words, EBP the
// advance, ECX the mask): the failed pixels into EDX, then its last one to
// three pixels one by one. To `scalar` for anything else (nothing done); to
// `done` at the end. The words are the high halves of four walked values,
// two a register (MM2, MM3) stepping by four steps (MM1).
void mmxRun(GlOgAsm& A, GlContext* gc, const DepthKey& k, GlOgNode* scalar, GlOgNode* done) {
    GlOgMmxLanes* L = &__glOgScratch(gc)->lanes;
    const GlDepthBuffer* db = &gc->fb.depth;
    GlOgNode* unit = A.label(), *tail = A.label(), *tailFailed = A.label(), *tailNext = A.label();
    A.Test(EBP, EBP);
    A.Jle(scalar);
    __glOgEmitRunLength(A, scalar);
    A.Mov(A.a(&L->depthCount), EDX);
    A.Shr(EDX, A.i(2));
    A.Je(scalar);
    A.Mov(A.a(&L->depthSteps), EDX);
    // Lanes: value + j x step (32-bit), and four steps.
    A.Mov(EAX, EBX);
    A.Add(EAX, A.a(&L->depthWalkStep));
    A.Movd(MM(2), EBX);
    A.Movd(MM(0), EAX);
    A.Punpckldq(MM(2), MM(0));
    A.Mov(EAX, A.a(&L->depthWalkStep));
    A.Add(EAX, EAX);
    A.Movd(MM(1), EAX);
    A.Punpckldq(MM(1), MM(1));
    A.Movq(MM(3), MM(2));
    A.Paddd(MM(3), MM(1));
    A.Paddd(MM(1), MM(1));
    A.Mov(ECX, EDX);
    A.Xor(EDX, EDX);
    A.place(unit);
    // The lanes' high words, in MMX alone: each sign-extended, then packed
    // without saturating.
    A.Movq(MM(5), MM(2));
    A.Psrad(MM(5), A.i(16));
    A.Movq(MM(4), MM(3));
    A.Psrad(MM(4), A.i(16));
    A.Packssdw(MM(5), MM(4));
    const int kind = __glOgEmitMmxDepth(A, k.func, k.write != 0, MM(5), [&] { return A.m(ESI); });
    if (kind != GL_OG_D_NONE) {
        // The failing lanes as four bits, lane 0 highest, onto EDX.
        A.Packsswb(MM(7), MM(7));
        A.Movd(EAX, MM(7));
        if (kind == GL_OG_D_PASS_MASK) A.Not(EAX);
        A.And(EAX, A.i(0x01020408));
        A.Imul(EAX, A.i(0x01010101));
        A.Shr(EAX, A.i(24));
        A.Shl(EDX, A.i(4));
        A.Or(EDX, EAX);
    }
    A.Paddd(MM(2), MM(1));
    A.Paddd(MM(3), MM(1));
    A.Add(ESI, A.i(8));
    A.Dec(ECX);
    A.Jne(unit);
    A.Emms();
    // The failed bits in their place; the value, the bit and the mask of the
    // pixels after the steps of four.
    A.Mov(ECX, A.a(&L->depthSteps));
    A.Shl(ECX, A.i(2));
    A.Mov(EAX, A.a(&L->depthWalkStep));
    A.Imul(EAX, ECX);
    A.Add(EBX, EAX);
    A.Mov(EAX, A.i((GLint)0x80000000u));
    A.ShrCl(EAX);
    A.Neg(ECX);
    A.Add(ECX, A.i(32));
    A.ShlCl(EDX);
    A.Mov(ECX, A.a(&L->depthCount));
    A.And(ECX, A.i(3));
    A.Mov(ECX, A.ax(__glCoverageMasks, ECX, 4));
    A.Test(ECX, ECX);
    A.Je(done);
    A.place(tail);
    __glOgEmitDepthPixel(A, db, k.func, k.write, k.bytes, k.shift, tailFailed);
    A.place(tailNext);
    A.Add(ESI, EBP);
    __glOgEmitDepthAdvance(A, gc, k.shift);
    A.Shr(EAX, A.i(1));
    A.Add(ECX, ECX);
    A.Jne(tail);
    A.Jmp(done);
    A.place(tailFailed);
    A.Or(EDX, EAX);
    A.Jmp(tailNext);
}

void failJump(GlOgAsm& A, GLuint func, GlOgNode* fail);

// An unbroken run of n pixels (EBX the value, EDI its step, ESI the words,
// EBP the advance, ECX the mask) without bit tests: four pixels a step, then
// the last one to three; a failure sets the bit of its pixel in EDX, taken
// out of the loop's way. To `other` for anything else; to `done` at the end.
void scalarRun(GlOgAsm& A, GlContext* gc, const DepthKey& k, GlOgNode* other, GlOgNode* done) {
    GlOgMmxLanes* L = &__glOgScratch(gc)->lanes;
    const GlDepthBuffer* db = &gc->fb.depth;
    GlOgNode* tail = A.label(), *last = A.label();
    std::vector<std::function<void()>> cold;
    __glOgEmitRunLength(A, other);
    A.Mov(A.a(&L->depthCount), EDX);
    A.Xor(EDX, EDX);
    // One pixel; a failure sets bit index(): EAX = the pixel's index first.
    const auto pixel = [&](std::function<void()> index) {
        GlOgNode* fail = A.label(), *back = A.label();
        __glOgEmitDepthPixel(A, db, k.func, k.write, k.bytes, k.shift, fail);
        A.place(back);
        A.Add(ESI, EBP);
        __glOgEmitDepthAdvance(A, gc, k.shift);
        if (k.func == 7) return;
        cold.push_back([&A, fail, back, index] {
            A.place(fail);
            index();
            A.Push(ECX);
            A.Mov(ECX, EAX);
            A.Mov(EAX, A.i((GLint)0x80000000u));
            A.ShrCl(EAX);
            A.Or(EDX, EAX);
            A.Pop(ECX);
            A.Jmp(back);
        });
    };
    // Steps of four (ECX of them left), then the last pixels (ECX left).
    for (int four = 1; four >= 0; four--) {
        GlOgNode* top = four ? A.label() : last;
        if (!four) A.place(tail);
        A.Mov(ECX, A.a(&L->depthCount));
        if (four) A.Shr(ECX, A.i(2));
        else A.And(ECX, A.i(3));
        A.Je(four ? tail : done);
        A.place(top);
        for (int j = 0; j < (four ? 4 : 1); j++)
            pixel([&A, L, j, four] {
                A.Mov(EAX, A.a(&L->depthCount));
                if (four) {  // 4 x (steps of four - ECX) + j
                    A.Shr(EAX, A.i(2));
                    A.Sub(EAX, ECX);
                    A.Lea(EAX, A.mx(nullptr, EAX, 4, j));
                } else {  // n - ECX
                    A.Sub(EAX, ECX);
                }
            });
        A.Dec(ECX);
        A.Jne(top);
    }
    A.Jmp(done);
    for (auto& e : cold) e();
}

// The jump taken when the new value fails against the stored one (unsigned).
void failJump(GlOgAsm& A, GLuint func, GlOgNode* fail) {
    switch (func) {
    case 1: A.Jae(fail); break;  // GL_LESS
    case 2: A.Jne(fail); break;  // GL_EQUAL
    case 3: A.Ja(fail); break;   // GL_LEQUAL
    case 4: A.Jbe(fail); break;  // GL_GREATER
    case 5: A.Je(fail); break;   // GL_NOTEQUAL
    case 6: A.Jb(fail); break;   // GL_GEQUAL
    default: break;              // GL_ALWAYS
    }
}

}  // namespace

void __glOgEmitDepthPixel(GlOgAsm& A, const GlDepthBuffer* db, GLuint func, GLuint write, GLuint bytes,
                          GLuint shift, GlOgNode* failed) {
    GlOgNode* v = EBX;
    if (shift == 16 && bytes == 2) {
        A.Shld16(EDI, EBX);  // DI the high half (the 16-bit kind has no generation)
        v = EDI;
    } else if (shift) {
        // generation + (value >> shift).
        A.Mov(EDI, EBX);
        A.Shr(EDI, A.i((GLint)shift));
        if (bytes == 4) A.Add(EDI, A.a(&db->generation));
        v = EDI;
    }
    if (func != 7) {
        if (bytes == 2) A.w16(GL_OG_Cmp, v, A.m(ESI));
        else A.Cmp(v, A.m(ESI));
        failJump(A, func, failed);
    }
    if (write) {
        if (bytes == 2) A.w16(GL_OG_Mov, A.m(ESI), v);
        else A.Mov(A.m(ESI), v);
    }
}

void __glOgEmitDepthAdvance(GlOgAsm& A, GlContext* gc, GLuint shift) {
    if (shift) A.Add(EBX, A.a(&__glOgScratch(gc)->lanes.depthWalkStep));
    else A.Add(EBX, EDI);
}

void __glOgEmitDepthStart(GlOgAsm& A, GlContext* gc, GLuint shift, bool step) {
    A.Mov(EBX, A.m(EDX, GL_OG_SPAN_Z));
    __glOgEmitDepthWalk(A, gc, shift, step);
}

void __glOgEmitDepthWalk(GlOgAsm& A, GlContext* gc, GLuint shift, bool step) {
    const GlDepthBuffer* db = &gc->fb.depth;
    GlOgNode* to = shift ? EAX : EDI;
    // Mirrored: depthMax + 2^shift - 1 - value, the step negated (a move
    // leaves the flags).
    GlOgNode* plain = A.label(true);
    A.Movzx8(EAX, A.a(&db->mirror));
    A.Test(EAX, EAX);
    if (step) A.Mov(to, A.m(EDX, GL_OG_SPAN_Z_STEP));
    A.Je(plain);
    A.Neg(EBX);
    if (step) A.Neg(to);
    A.Add(EBX, A.a(&db->depthMax));
    if (shift) A.Add(EBX, A.i((GLint)((1u << shift) - 1u)));
    A.place(plain);
    if (step && shift) A.Mov(A.a(&__glOgScratch(gc)->lanes.depthWalkStep), EAX);
}

namespace {

// EAX += the signed EBX; to `out` when the sum of the unsigned EAX and the
// signed EBX lies outside 0 .. 2^32 - 1.
void addSigned(GlOgAsm& A, GlOgNode* out) {
    GlOgNode* negative = A.label(true), *sum = A.label(true);
    A.Test(EBX, EBX);
    A.Js(negative);
    A.Add(EAX, EBX);
    A.Jb(out);
    A.Jmp(sum);
    A.place(negative);
    A.Add(EAX, EBX);
    A.Jae(out);
    A.place(sum);
}

// Under a polygon offset (ECX the mask, EDX the span): EBX = the offset
// depth z + zOffset of the first pixel, when it and that of the last live
// pixel lie in 0 .. 2^32 - 1 and shifted in 0 .. depthMax >> shift;
// otherwise to `saturates`. EAX, ECX, ESI and EBP changed.
void offsetStart(GlOgAsm& A, const GlDepthBuffer* db, GLuint shift, GlOgNode* saturates) {
    A.Mov(ESI, A.a(&db->depthMax));
    if (shift) A.Shr(ESI, A.i((GLint)shift));
    A.Test(ECX, ECX);
    A.Je(saturates);
    A.Mov(EAX, A.m(EDX, GL_OG_SPAN_Z));
    A.Mov(EBX, A.m(EDX, GL_OG_SPAN_Z_OFFSET));
    addSigned(A, saturates);
    A.Mov(EBP, EAX);
    if (shift) A.Shr(EAX, A.i((GLint)shift));
    A.Cmp(EAX, ESI);
    A.Ja(saturates);
    // The last live pixel, 31 - (trailing zeros of the mask) steps on.
    A.Bsf(ECX, ECX);
    A.Neg(ECX);
    A.Add(ECX, A.i(31));
    A.Mov(EBX, A.m(EDX, GL_OG_SPAN_Z_STEP));
    A.Imul(EBX, ECX);
    A.Jo(saturates);
    A.Mov(EAX, EBP);
    addSigned(A, saturates);
    if (shift) A.Shr(EAX, A.i((GLint)shift));
    A.Cmp(EAX, ESI);
    A.Ja(saturates);
    A.Mov(EBX, EBP);
}

// The stage, or (subroutine) the test of a group for the whole fill: it
// returns ECX, the mask without the failed pixels, and calls nothing.
void generate(GlOgAsm& A, GlContext* gc, const DepthKey& k, GlSpanProc twin, bool subroutine) {
    GlContextProcs* p = &gc->procs;
    const auto stencilPass = [&A] { return A.m(EDX, GL_OG_SPAN_STENCIL_PASS_MASK); };
    if (k.func == 0 && subroutine) {
        A.Xor(ECX, ECX);
        A.Ret();
        return;
    }
    if (k.func == 0) {  // GL_NEVER: nothing passes
        if (k.stencil) {
            A.Mov(ECX, stencilPass());
            A.JmpIndirect(A.a(&p->stencilOps[1]));
        } else {
            A.Ret();
        }
        return;
    }
    GlOgNode* cpp = A.label();
    if (!subroutine && !k.offset) {
        A.Cmp(A.m(EDX, GL_OG_SPAN_Z_OFFSET), A.i(0));
        A.Jne(cpp);
    }
    A.Push(EBX);
    A.Push(ESI);
    A.Push(EDI);
    A.Push(EBP);
    A.Push(ECX);
    A.Push(EDX);
    GlOgNode* saturates = A.label();
    if (k.offset) {
        offsetStart(A, &gc->fb.depth, k.shift, saturates);
        __glOgEmitDepthWalk(A, gc, k.shift);
        A.Mov(ECX, A.m(ESP, 4));
    } else {
        __glOgEmitDepthStart(A, gc, k.shift);
    }
    A.Mov(ESI, A.m(EDX, GL_OG_SPAN_DEPTH_ADDRESS));
    A.Mov(EBP, A.m(EDX, GL_OG_SPAN_PIXEL_STEP));
    A.Shl(EBP, A.i(k.bytes == 2 ? 1 : 2));

    GlOgNode* done = A.label();
    GlOgNode* scalar = A.label();
    // The first pixel alone (spans of one pixel, common in small triangles).
    GlOgNode* more = A.label(true), *failedOne = k.func != 7 ? A.label(true) : nullptr;
    A.Cmp(ECX, A.i((GLint)0x80000000u));
    A.Jne(more);
    A.Xor(EDX, EDX);
    __glOgEmitDepthPixel(A, &gc->fb.depth, k.func, k.write, k.bytes, k.shift, failedOne);
    A.Jmp(done);
    if (failedOne) {
        A.place(failedOne);
        A.Mov(EDX, A.i((GLint)0x80000000u));
        A.Jmp(done);
    }
    A.place(more);
    if (k.mmx && k.bytes == 2) mmxRun(A, gc, k, scalar, done);
    else scalarRun(A, gc, k, scalar, done);
    A.place(scalar);
    // EAX the current pixel's bit, EDX the failed pixels (a failure is
    // taken out of the loop's way).
    GlOgNode* failed[2] = {A.label(), A.label()};
    int loop = 0;
    __glOgEmitMaskWalk(
        A,
        [&] {
            A.Mov(EAX, A.i((GLint)0x80000000u));
            A.Xor(EDX, EDX);
        },
        [&] { __glOgEmitDepthPixel(A, &gc->fb.depth, k.func, k.write, k.bytes, k.shift, failed[loop]); },
        [&] {
            A.Add(ESI, EBP);
            __glOgEmitDepthAdvance(A, gc, k.shift);
            A.Shr(EAX, A.i(1));
        },
        [&](GlOgNode* back) {
            if (k.func != 7) {
                A.place(failed[loop]);
                A.Or(EDX, EAX);
                A.Jmp(back);
            }
            loop++;
        });
    // ECX = the incoming mask without the failed pixels; registers restored.
    A.place(done);
    A.Mov(ECX, EDX);
    A.Not(ECX);
    A.And(ECX, A.m(ESP, 4));
    A.Pop(EDX);
    A.Pop(EAX);
    A.Pop(EBP);
    A.Pop(EDI);
    A.Pop(ESI);
    A.Pop(EBX);
    if (subroutine) {
        A.Ret();
        return;
    }
    GlOgNode* empty = A.label();
    A.Test(ECX, ECX);
    A.Je(empty);
    A.JmpIndirect(A.a(&p->spanChain[GL_CHAIN_AFTER_DEPTH]));
    A.place(empty);
    if (k.stencil) {
        A.Mov(ECX, stencilPass());
        A.JmpIndirect(A.a(&p->stencilOps[1]));
    } else {
        A.Ret();
    }
    if (k.offset) {
        A.place(saturates);
        A.Pop(EDX);
        A.Pop(ECX);
        A.Pop(EBP);
        A.Pop(EDI);
        A.Pop(ESI);
        A.Pop(EBX);
    }
    A.place(cpp);
    A.Mov(EAX, A.i((GLint)(uintptr_t)twin));
    A.JmpIndirect(EAX);
}

}  // namespace

extern "C" GlSpanProc GLPROC __glGenDepthSpanCode(GlContext* gc) {
    if (__glOgRasterDisabled) return nullptr;
    const GlDepthBuffer* db = &gc->fb.depth;
    DepthKey k = {};
    k.func = (GLuint)(db->compareFunc - GL_NEVER) & 7;
    k.write = gc->depth.writeMask != 0;
    k.bytes = db->buf.elementSize == 2 ? 2 : 4;
    k.shift = db->depthShift;
    k.stencil = (gc->rasterFlags & GL_RF_STENCIL) != 0;
    k.mmx = __glHasMMX();
    k.offset = (gc->rasterFlags & GL_RF_POLYGON_OFFSET) != 0;
    const GlSpanProc twin = __glPickDepthSpanStage(gc);
    GlOgClaim c;
    const GLint keyA = 0;
    __glOgClaim(gc, GL_OG_CACHE_DEPTH, keyA, &k, sizeof k, &c);
    if (c.hit) return (GlSpanProc)__glOgHitEntry(&c);
    GlOgAsm A;
    A.begin(gc, c.code, c.end);
    uint8_t* entry = A.out;
    A.schedule();  // runs of instructions placed in pairs
    generate(A, gc, k, twin, false);
    A.unschedule();
    return (GlSpanProc)__glOgFinish(gc, &c, &A, entry, (void*)twin);
}

void __glOgEmitDepthSubroutine(GlOgAsm& A, GlContext* gc, GLuint func, GLuint write, GLuint bytes, GLuint shift) {
    const DepthKey k = {func, write, bytes, shift, 0, __glHasMMX(), 0};
    A.schedule();
    generate(A, gc, k, nullptr, true);
    A.unschedule();
}
