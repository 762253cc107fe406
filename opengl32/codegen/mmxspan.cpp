// The MMX whole-triangle fill of 16- and 8-bit colour buffers (x1r5g5b5,
// r5g6b5, r3g3b2): four pixels a step, untextured, with the 16-bit depth test in
// the same step; its pixels equal the chain's (depth stage and direct
// stage) exactly.
//
// Colour: each channel's 16.16 value, dither addend included (a lane's
// addend stays the same along the span: steps of four start on the span's
// first pixel), is kept split in 16-bit lanes: the low word biased by 0x8000
// (its carry then shows as a signed comparison) and the high word already
// shifted to the channel's place in the pixel; a step adds the low words,
// takes their carry into the high words and adds the high words' step. The
// pixel is the OR of the three high words. Depth: the group's stored value
// and stored step in 16-bit lanes, as the depth stage forms them; the
// comparison is unsigned, by saturating subtraction. A group's last one to
// three pixels are stored one by one, so nothing past the span is touched.
//
// Registers in a step: MM0/MM1 red low and high words, MM2/MM3 green,
// MM4/MM5 blue, MM6 and MM7 work (EAX and EBX merge one-byte pixels); EDI
// the colour, EDX the depth address, ECX the steps left. Every span ends
// with emms before the walker's x87 code runs again.

#include "codegen/rasterwalk.h"
#include "raster/chain.h"


namespace {

struct Mmx : GlOgRasterEmit {
    GlOgNode* sp(GLint field) { return A.m(EBP, field); }
    GLuint w(int i) const { return k->fill[i]; }
    GlOgMmxLanes* L() { return &S->lanes; }
    GLuint func() const { return w(FILL_DEPTH) ? w(FILL_DEPTH) - 1 : 7; }  // no depth test: as GL_ALWAYS
    bool depth() const { return w(FILL_DEPTH) != 0; }
    bool flatPixel() const { return !w(FILL_SMOOTH) && !w(FILL_DITHER); }
    bool steps() const { return w(FILL_SMOOTH) != 0; }

    // Field positions of the format; one-byte pixels (r3g3b2) or two.
    GLint pos(int c) const {
        const GLuint f = w(FILL_FORMAT);
        if (f == GL_FORMAT_332) return c == 0 ? 5 : c == 1 ? 2 : 0;
        return c == 0 ? (f == GL_FORMAT_565 ? 11 : 10) : c == 1 ? 5 : 0;
    }
    bool bytePixels() const { return w(FILL_FORMAT) == GL_FORMAT_332; }

    // ---- Once per span: the lanes of the three channels and their steps,
    // or the flat pixel in every lane; the depth lanes' offsets.
    void spanLanes() {
        if (flatPixel()) {
            A.Movd(MM(5), sp(GL_OG_SPAN_FLAT_PIXEL));
            A.Punpcklwd(MM(5), MM(5));
            A.Punpckldq(MM(5), MM(5));
        } else {
            const GLint values[3] = {GL_OG_SPAN_RED, GL_OG_SPAN_GREEN, GL_OG_SPAN_BLUE};
            const GLint stepsOf[3] = {GL_OG_SPAN_RED_STEP, GL_OG_SPAN_GREEN_STEP, GL_OG_SPAN_BLUE_STEP};
            const bool dither = w(FILL_DITHER) != 0;
            if (dither) A.Mov(EBX, sp(GL_OG_SPAN_DITHER));
            for (int c = 0; c < 3; c++) {
                // Lane j: value + j x step + dither[j] as doublewords, pixels
                // 0 and 1 in MM6, 2 and 3 in MM7.
                GlOgNode* low = MM(2 * c), *high = MM(2 * c + 1);
                A.Movd(MM(6), sp(values[c]));
                A.Punpckldq(MM(6), MM(6));
                if (steps()) {
                    A.Movd(MM(7), sp(stepsOf[c]));
                    A.Psllq(MM(7), A.i(32));
                    A.Paddd(MM(6), MM(7));
                    A.Movd(MM(7), sp(stepsOf[c]));
                    A.Punpckldq(MM(7), MM(7));
                    A.Pslld(MM(7), A.i(1));
                    A.Paddd(MM(7), MM(6));
                } else {
                    A.Movq(MM(7), MM(6));
                }
                if (dither) A.Paddd(MM(6), A.m(EBX)), A.Paddd(MM(7), A.m(EBX, 8));
                splitWords(low, high, pos(c));
                if (!steps()) continue;
                // The step of four pixels: its low word, and its high word
                // at the channel's place, in every lane.
                A.Movd(MM(6), sp(stepsOf[c]));
                A.Pslld(MM(6), A.i(2));
                A.Movq(MM(7), MM(6));
                A.Punpcklwd(MM(7), MM(7));
                A.Punpckldq(MM(7), MM(7));
                A.Movq(A.a(L()->lowStep[c]), MM(7));
                A.Psrld(MM(6), A.i(16));
                A.Punpcklwd(MM(6), MM(6));
                A.Punpckldq(MM(6), MM(6));
                if (pos(c)) A.Psllw(MM(6), A.i(pos(c)));
                A.Movq(A.a(L()->highStep[c]), MM(6));
            }
            if (!steps()) pixel(MM(5));  // the same four pixels all along the span
        }
        if (depth()) {
            // Stored step: the span's step shifted as the buffer stores depth,
            // negated when it stores 1 - z; lane j's offset j x step.
            A.Mov(EAX, sp(GL_OG_SPAN_Z_STEP));
            A.Sar(EAX, A.i((GLint)w(FILL_DEPTH_SHIFT)));
            GlOgNode* plain = A.label(true);
            A.Movzx8(EDX, A.a(&gc->fb.depth.mirror));
            A.Test(EDX, EDX);
            A.Je(plain);
            A.Neg(EAX);
            A.place(plain);
            A.Xor(EDX, EDX);
            for (int j = 0; j < 4; j++) {
                A.w16(GL_OG_Mov, A.a(&L()->zOffsets[j]), EDX);
                A.Add(EDX, EAX);
            }
            for (int j = 0; j < 4; j++) A.w16(GL_OG_Mov, A.a(&L()->zStep[j]), EDX);
        }
    }

    // The doublewords of lanes 0 and 1 (MM6) and 2 and 3 (MM7) split into
    // words: the low words biased by 0x8000 into `low`, the high words
    // shifted to bit `at` into `high`. MM6 and MM7 changed.
    void splitWords(GlOgNode* low, GlOgNode* high, GLint at) {
        A.Movq(low, MM(6));
        A.Pslld(low, A.i(16));
        A.Psrad(low, A.i(16));
        A.Movq(high, MM(7));
        A.Pslld(high, A.i(16));
        A.Psrad(high, A.i(16));
        A.Packssdw(low, high);
        A.Pxor(low, A.q4(0x8000));
        A.Psrad(MM(6), A.i(16));
        A.Psrad(MM(7), A.i(16));
        A.Packssdw(MM(6), MM(7));
        A.Movq(high, MM(6));
        if (at) A.Psllw(high, A.i(at));
    }

    // The four pixels of the current lanes into `to` (MM5 itself for a
    // constant pattern).
    void pixel(GlOgNode* to) {
        if (to != MM(5)) A.Movq(to, MM(5));
        A.Por(to, MM(1));
        A.Por(to, MM(3));
    }

    // The group's depth lanes: the stored form of its z, plus the offsets.
    void groupDepthLanes() {
        A.Mov(EAX, A.a(&S->groupZ));
        A.Shr(EAX, A.i((GLint)w(FILL_DEPTH_SHIFT)));
        GlOgNode* plain = A.label(true);
        A.Movzx8(ECX, A.a(&gc->fb.depth.mirror));
        A.Test(ECX, ECX);
        A.Je(plain);
        A.Neg(EAX);
        A.Mov(ECX, A.a(&gc->fb.depth.depthMax));
        A.Shr(ECX, A.i((GLint)w(FILL_DEPTH_SHIFT)));
        A.Add(EAX, ECX);
        A.place(plain);
        A.Add(EAX, A.a(&gc->fb.depth.generation));
        A.Movd(MM(6), EAX);
        A.Punpcklwd(MM(6), MM(6));
        A.Punpckldq(MM(6), MM(6));
        A.Paddw(MM(6), A.a(L()->zOffsets));
        A.Movq(A.a(L()->z), MM(6));
    }

    // Step k of a group's steps of four: its pixels at [EDI + ECX x group
    // bytes] and depths at [EDX + ECX x 8] in the counted loop (k < 0), at
    // [EDI + k x group bytes] and [EDX + 8 k] in the unrolled one.
    GlOgNode* pixels(GLint k) {
        const GLint bytes = bytePixels() ? 4 : 8;
        return k < 0 ? A.mx(EDI, ECX, (GLuint)bytes) : A.m(EDI, k * bytes);
    }
    GlOgNode* depths(GLint k) { return k < 0 ? A.mx(EDX, ECX, 8) : A.m(EDX, 8 * k); }

    // Depth of step k: the stored words updated, the mask in MM7; returns
    // what the mask means.
    int depthStep(GLint k) {
        return __glOgEmitMmxDepth(A, func(), w(FILL_DEPTH_WRITE) != 0, A.a(L()->z), [&] { return depths(k); });
    }

    // Four pixels into [EDI]: all of them, or as the mask in MM7 says. One-
    // byte pixels: the low byte of each word (and of the mask) packed and
    // merged through EAX and EBX, so that only their four bytes are read.
    void store(int kind, GLint k) {
        const bool bytes = bytePixels();
        const auto dest = [&] { return pixels(k); };
        if (flatPixel() || !steps()) A.Movq(MM(6), MM(5));
        else pixel(MM(6));
        if (bytes) {
            A.Pand(MM(6), A.q4(0x00FF));
            A.Packuswb(MM(6), MM(6));
            if (kind == GL_OG_D_NONE) {
                A.Movd(dest(), MM(6));
                return;
            }
            A.Packsswb(MM(7), MM(7));
            A.Movd(EAX, MM(6));
            A.Movd(EBX, MM(7));
            if (kind == GL_OG_D_FAIL_MASK) A.Not(EBX);
            A.Xor(EAX, dest());
            A.And(EAX, EBX);
            A.Xor(EAX, dest());
            A.Mov(dest(), EAX);
            return;
        }
        if (kind == GL_OG_D_NONE) {
            A.Movq(dest(), MM(6));
            return;
        }
        A.Pxor(MM(6), dest());
        if (kind == GL_OG_D_PASS_MASK) A.Pand(MM(7), MM(6));
        else A.Pandn(MM(7), MM(6));
        A.Pxor(MM(7), dest());
        A.Movq(dest(), MM(7));
    }

    // The lanes of the next four pixels.
    void step() {
        if (depth()) {
            A.Movq(MM(6), A.a(L()->z));
            A.Paddw(MM(6), A.a(L()->zStep));
            A.Movq(A.a(L()->z), MM(6));
        }
        if (!steps()) return;
        for (int c = 0; c < 3; c++) {
            GlOgNode* low = MM(2 * c), *high = MM(2 * c + 1);
            A.Movq(MM(6), low);
            A.Paddw(low, A.a(L()->lowStep[c]));
            A.Pcmpgtw(MM(6), low);  // -1 where the low word carried
            if (pos(c)) A.Psllw(MM(6), A.i(pos(c)));
            A.Psubw(high, MM(6));
            A.Paddw(high, A.a(L()->highStep[c]));
        }
    }

    // The group's last pixels (1 to 3, ECX of them): each tested and stored
    // on its own from the lanes.
    void tail() {
        if (flatPixel() || !steps()) A.Movq(A.a(L()->pixels), MM(5));
        else pixel(MM(6)), A.Movq(A.a(L()->pixels), MM(6));
        const GLuint f = func();
        GlOgNode* done = A.label(true);
        for (int j = 0; j < 3; j++) {
            GlOgNode* skip = A.label(true);
            if (depth()) {
                A.Movzx16(EAX, A.a(&L()->z[j]));
                if (f != 7) {
                    A.w16(GL_OG_Cmp, EAX, A.m(EDX, 2 * j));
                    switch (f) {
                    case 0: A.Jmp(skip); break;
                    case 1: A.Jae(skip); break;
                    case 2: A.Jne(skip); break;
                    case 3: A.Ja(skip); break;
                    case 4: A.Jbe(skip); break;
                    case 5: A.Je(skip); break;
                    default: A.Jb(skip); break;
                    }
                }
                if (w(FILL_DEPTH_WRITE)) A.w16(GL_OG_Mov, A.m(EDX, 2 * j), EAX);
            }
            A.Movzx16(EAX, A.a(&L()->pixels[j]));
            if (bytePixels()) A.Mov(A.m(EDI, j), AL);
            else A.w16(GL_OG_Mov, A.m(EDI, 2 * j), EAX);
            A.place(skip);
            A.Dec(ECX);
            A.Je(done);
        }
        A.place(done);
    }

    // ---- The span, ESI pixels (at least 1), in groups of 32 whose depth
    // lanes start from the group's stored depth as the depth stage's do.
    void span() {
        if (depth() && func() == 0) return;  // GL_NEVER: nothing is drawn, nothing written
        spanLanes();
        A.Mov(EDI, sp(GL_OG_SPAN_DEST));
        if (depth()) {
            A.Mov(EDX, sp(GL_OG_SPAN_DEPTH_ADDRESS));
            A.Mov(EAX, sp(GL_OG_SPAN_Z));
            A.Mov(A.a(&S->groupZ), EAX);
        }
        A.Mov(A.a(&S->left), ESI);
        GlOgNode* group = A.label(), *partial = A.label(), *loop = A.label(), *last = A.label(),
                  *done = A.label(), *none = A.label();
        A.place(group);
        if (depth()) groupDepthLanes();
        // A whole group: its eight steps of four one after another.
        A.Cmp(A.a(&S->left), A.i(32));
        A.Jl(partial);
        for (GLint k = 0; k < 8; k++) {
            store(depthStep(k), k);
            step();
        }
        A.Add(EDI, A.i(bytePixels() ? 32 : 64));
        if (depth()) A.Add(EDX, A.i(64));
        A.Jmp(none);
        // The last group of fewer: ECX = -(its steps of four), EDI and EDX
        // at their end.
        A.place(partial);
        A.Mov(ECX, A.a(&S->left));
        A.Shr(ECX, A.i(2));
        A.Je(none);
        A.Lea(EDI, A.mx(EDI, ECX, bytePixels() ? 4 : 8));
        if (depth()) A.Lea(EDX, A.mx(EDX, ECX, 8));
        A.Neg(ECX);
        A.place(loop);
        store(depthStep(-1), -1);
        step();
        A.Inc(ECX);
        A.Jne(loop);
        A.place(none);
        A.Sub(A.a(&S->left), A.i(32));
        A.Jle(last);
        if (depth()) {
            A.Mov(EAX, sp(GL_OG_SPAN_Z_STEP32));
            A.Add(A.a(&S->groupZ), EAX);
        }
        A.Jmp(group);
        // The last group's one to three pixels past its steps of four.
        A.place(last);
        A.Mov(ECX, A.a(&S->left));
        A.And(ECX, A.i(3));
        A.Je(done);
        tail();
        A.place(done);
        A.Emms();
    }
};

}  // namespace

bool __glOgMmxBodyTakes(const GlOgRasterKey* k) {
    const GLuint* w = k->fill;
    const GLuint f = w[FILL_FORMAT];
    return w[FILL_MMX] && w[FILL_RGBA] && (f == GL_FORMAT_565 || f == GL_FORMAT_555 || f == GL_FORMAT_332) &&
           !w[FILL_TEXCODE] && !w[FILL_NOTHING_WRITTEN] && (!w[FILL_DEPTH] || w[FILL_DEPTH_BYTES] == 2);
}

void __glOgGenMmxSpan(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A) {
    Mmx m{{gc, k, A, __glOgScratch(gc), &gc->span}};
    m.span();
}
