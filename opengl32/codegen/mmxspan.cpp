// The MMX whole-triangle fill of 8- and 16-bit colour buffers (r3g3b2,
// x1r5g5b5, r5g6b5): the walker's work once per triangle and its span, four
// pixels a group in 16-bit lanes (the arithmetic of mmxfill.h; its C++ twin
// is __glMmxFillSpan).
//
// A span: the group holding its first pixel (the head, when the span does
// not start on a group or is shorter than one) and the group after its last
// whole one (the tail) go through the partial-group subroutine under their
// lane masks, depth pixel by pixel; the whole groups between run in a loop
// that counts EBX from minus their number up to 0. With the depth test the
// loop is eight copies of the group, one per group of a block of 32 pixels:
// the first of each block starts the 32-bit depth values of the chain's next
// group of 32 (mmxfill.h), so no group carries a count of its own. Depth
// lanes walk 32-bit values (four a group, in the scratch record); 16-bit
// words are their high halves. A whole block (from a block's start, or from
// copy 1 after the head) first takes the words of its groups and tests its
// 32 depths at once without writing; when every lane passes it runs the
// unchecked block, eight copies that store their depths (those words) and
// colours without a test or a count, else the checked copies take it group
// by group. Values that shift (the 24-bit kind) have no unchecked block.
// 32-bit depth values (four a group, 16 bytes) are compared unsigned, both
// sides biased for the signed compares; in the checked copies the two
// halves' masks are packed to the 16-bit lanes of the rest, and the
// unchecked block stores its 32 depths before its colours.
//
// Registers in the loop: EDI the colour and ESI the depth words past the
// last whole group (the depth words lie beside the group's pixels, wherever
// the depth buffer's rows fall), EBP the texels (not for 3-byte texels read
// by index: their loads hold level 0's address, GlOgTexelSites), EAX, ECX and
// EDX scratch, ESP the frame. MM4 the 16-bit depth words (32-bit values in the scratch
// record, MM4 then work of the depth test); untextured MM5 to MM7 red, green and
// blue (or MM7 a group that does not change; red at its field's top bit when
// smooth), MM0 to MM3 work; textured MM5 red, MM3 green and MM6, MM7 s and t
// (interleaved for a square level), blue in the scratch record (in MM4
// through a modulated unchecked block, its depths stored ahead), MM0 to MM2
// work. Blending (no unchecked block) keeps the alpha lanes and the group's
// source (textured) and destination channels in the scratch record and works
// in MM0 to MM2.

#include <vector>
#include <functional>
#include "codegen/mmxfill.h"
#include "raster/chain.h"
#include "texture/texture.h"

namespace {

struct Mmx : GlOgRasterEmit {
    GlMmxFill f;
    GlOgMmxFillScratch* X;
    std::vector<std::function<void()>> cold;  // out of the loop's way, after it

    GlOgTexelSites* sites = nullptr;  // 3-byte texels by displacement, else null
    Mmx(GlContext* context, const GlOgRasterKey* key, GlOgAsm& as, const GlOgMmxSubroutines& subs)
        : GlOgRasterEmit{context, key, as, __glOgScratch(context), &context->span}, X(&S->fill) {
        __glMmxFillOf(key, &f);
        if (texelIndexed(f) && (f.texelBytes == 3 || f.filtered())) sites = subs.sites, sites2 = subs.sites2;
        filter = subs.filter;
        filterMag = subs.filterMag;
        levels = subs.levels;
        filterProcs = subs.filterProcs;
    }
    GlOgTexelSites* sites2 = nullptr;  // of the second level (MIPMAP_LINEAR)
    const GlOgMmxLevel* levels = nullptr;  // the mipmap's levels
    int siteSet = 0;  // the level whose texels the loads being emitted read
    // Texels by their index in level 0 (column + row x width: 16 bits), the
    // load's scale the texel's bytes, or for 3-byte texels index + index x 2
    // and the level's address as displacement; else by byte offsets.
    static bool texelIndexed(const GlMmxFill& f) {
        return f.tex && !f.paletteBytes && f.widthLog2 + f.heightLog2 <= 16;
    }
    bool indexed() const { return texelIndexed(f) && (f.texelBytes != 3 || sites); }
    GlOgNode* fr(GLint field) { return A.m(ESP, field); }  // the frame (never inside the subroutines)
    GLint groupBytes() const { return 4 * f.bytes; }
    // EBX's step a group: 2 over 4-byte pixels (a group's 16 bytes at EBX x 8).
    GLint unit() const { return f.bytes == 4 ? 2 : 1; }
    // EBX advanced by n groups.
    void stepGroups(GLint n) {
        if (n * unit() == 1) A.Inc(EBX);
        else if (n * unit() == -1) A.Dec(EBX);
        else A.Add(EBX, A.i(n * unit()));
    }
    // Four-byte pixels: the packed group's pixels 2 and 3 (0 and 1 in the
    // register the pixel group answers).
    GlOgNode* high = nullptr;
    GLint disp = 0;  // groups past EBX's of the copy being emitted (the unchecked block's)
    // Emitting the unchecked block of a modulated fill: the blue lanes in
    // MM4, the block's depths stored ahead (blockDepthWrite).
    bool blueInMm4 = false;
    // Emitting the unchecked block over 32-bit depth: its depths stored
    // ahead and X->z32 already the lanes after it (blockDepthWrite32).
    bool depthAhead = false;
    // The copy of the loop being emitted: over 16-bit words its group's are
    // X->blockWords[copy] (blockWordsPass).
    int copy = 0;
    // The block's depth test left its first words in X->zFirst (MM4 changed).
    bool zFirstKept = false;
    bool blueInBlock() const { return f.tex == GL_MMX_TEX_MODULATE && f.depth; }
    GlOgNode* pixels(GLint extra = 0) {
        return A.mx(EDI, EBX, (GLuint)(groupBytes() / unit()), disp * groupBytes() + extra);
    }
    GlOgNode* depths() { return A.mx(ESI, EBX, (GLuint)(8 / unit()), disp * 8); }
    // 32-bit depth: the stored values in X->z32 (MM4 free), 16 bytes a
    // group; half h of a group's stored words, EAX = EBX x 8.
    bool depth32() const { return f.depth && f.depthBytes == 4; }
    // Passing depths are written (GL_EQUAL's already hold their value).
    bool storesDepth() const { return f.depthWrite && f.depth - 1 != 2; }
    GLint depthGroupBytes() const { return 4 * f.depthBytes; }
    GlOgNode* depths32(int h) {
        return unit() == 2 ? A.mx(ESI, EBX, 8, disp * 16 + 8 * h) : A.mx(ESI, EAX, 2, disp * 16 + 8 * h);
    }
    // The group's pixels as the blend reads them: at EDI in the partial-group
    // subroutine, else the loop's.
    bool atEdi = false;
    GlOgNode* destination(GLint extra = 0) { return atEdi ? A.m(EDI, extra) : pixels(extra); }
    // Blending: the source channel c (top bit 14; untextured its lanes, else
    // kept in the scratch), its destination channel, the source alpha.
    GlOgNode* source(int c) { return f.tex ? A.a(X->src[c]) : MM(5 + c); }
    GlOgNode* dest(int c) { return A.a(X->dst[c]); }
    GlOgNode* sourceAlpha() { return A.a(f.texAlpha ? X->texAlpha : X->alpha); }

    bool constantGroup() const { return !f.tex && !f.smooth && !f.blend; }
    // The whole groups' colour a subroutine (subs.group) of the copies: the
    // blended states whose group work is long.
    bool groupCalled() const { return f.blend && (f.bytes == 4 || f.paletteBytes || f.filtered()) && !disp; }
    // A square level: s and t interleaved, MM6 the lanes (s0 t0 s1 t1) and
    // MM7 (s2 t2 s3 t3), both stepping by X->step[GL_MMX_S] = (s4 t4 s4 t4).
    bool interleaved() const { return f.tex && !f.filtered() && f.widthLog2 == f.heightLog2; }
    GlOgNode* filter = nullptr;     // the filtered texels' subroutine
    GlOgNode* filterMag = nullptr;  // a magnified span's (magSeparate)
    void** filterProcs = nullptr;   // their addresses
    GLint redUp() const { return f.redUp(); }
};

void __glOgMmxBiasNeg32(Mmx& m, GlOgNode* r, GlOgNode* work, GLint s);
void __glGenMmxTexelPair(Mmx& m, GlOgNode* r);
void __glGenMmxGroupCount(Mmx& m, bool afterHead, GlOgNode* none);
void stepLanes(Mmx& m, GlOgNode* src, GLint shift, GLushort* step, GLushort (*offsets)[4], bool laneZero = false);
void laneOffsets(Mmx& m, GLushort (*offsets)[4]);
void startLanes(Mmx& m, GlOgNode* r, GlOgNode* src, GLint shift, bool toZero, GlOgNode* work);
void toField(Mmx& m, GlOgNode* r, int c, GLint from);
GlOgNode* pack(Mmx& m, GlOgNode* red, GlOgNode* green, GlOgNode* blue, GLint top);
GlOgNode* packTops(Mmx& m, GlOgNode* red, GlOgNode* green, GlOgNode* blue, const GLint top[3]);
void interleaveTexLanes(Mmx& m, bool steps);
void __glGenMmxTriangleCode(Mmx& m);
void texSteps(Mmx& m);
void patchSites(Mmx& m, GlOgTexelSites* t, GlOgNode* level, GlOgNode* count, GlOgNode* field, const GLint* offsets);
void spanLevels(Mmx& m);
GlOgNode* __glGenMmxPixelGroup(Mmx& m);
GlOgNode* __glGenMmxBlendPack(Mmx& m);
bool __glGenMmxBlendFactor(Mmx& m, GlOgNode* r, GLint factor, int c);
void texels(Mmx& m);
void nearestTexels(Mmx& m);
GlOgNode* indexedTexels(Mmx& m);
void indexedTexel(Mmx& m, GlOgNode* r, GlOgNode* at, bool unpack, int corner = 0);
void offsetTexels(Mmx& m, GLint bytes);
void texelChannels(Mmx& m, GlOgNode* first);
void texel(Mmx& m, GlOgNode* r, GlOgNode* at);
void __glGenMmxStepGroup(Mmx& m, bool newDepthGroup);
void __glOgMmxSplat(Mmx& m, GlOgNode* r, GlOgNode* from);
void depthWordsOf(Mmx& m, GlOgNode* r, GlOgNode* high);
void newDepthGroup(Mmx& m);
void wholeGroup(Mmx& m, const GlOgMmxSubroutines& subs, bool passed = false);
void blockDepthTest(Mmx& m, int from, int groups, GlOgNode* failed);
void blockDepthTest32(Mmx& m, int from, int groups, GlOgNode* failed);
void blockDepthWrite32(Mmx& m, int from, int groups);
void __glGenMmxDepthTest(Mmx& m, const GlOgMmxSubroutines& subs, GlOgNode* next);
void storedDepth(Mmx& m);
void depthLanes32(Mmx& m);
int depthKind32(GLuint func);
bool depthEquality32(GLuint func);
bool depthStoredGreater32(GLuint func);
void blockDepth(Mmx& m, int from, int groups, GlOgNode* failed);
int depthTest32(Mmx& m);
void __glGenMmxSpan(Mmx& m, const GlOgMmxSubroutines& subs);
void __glGenMmxSubroutineCode(Mmx& m, const GlOgMmxSubroutines& subs);

// 2^(32 - s) - 1 added to the negative 32-bit lanes of r ahead of a signed
// shift by s: the shift then rounds toward zero. `work` changed.
void __glOgMmxBiasNeg32(Mmx& m, GlOgNode* r, GlOgNode* work, GLint s) {
    GlOgAsm& A = m.A;
    A.Movq(work, r);
    A.Psrad(work, A.i(31));
    A.Psrld(work, A.i(s));
    A.Paddd(r, work);
}

// The step lanes of a 16.16 step shifted left by `shift`: four steps in
// `step`, the lane offsets (l - j) x one step in offsets[j] (every j),
// or when offsets is null for one j only in MM1: the span's (ECX), or 0.
// MM0, MM1.
void stepLanes(Mmx& m, GlOgNode* src, GLint shift, GLushort* step, GLushort (*offsets)[4], bool laneZero) {
    GlOgAsm& A = m.A;
    A.Movd(MM(0), src);
    if (shift) A.Pslld(MM(0), A.i(shift));
    A.Movq(MM(1), MM(0));
    A.Pslld(MM(1), A.i(2));
    A.Punpckldq(MM(0), MM(1));
    __glOgMmxBiasNeg32(m, MM(0), MM(1), 16);
    A.Psrad(MM(0), A.i(16));
    A.Packssdw(MM(0), MM(0));
    A.Pshufw1(MM(1), MM(0));
    A.Movq(A.a(step), MM(1));
    A.Pshufw0(MM(0), MM(0));
    if (!offsets) {
        A.Movq(MM(1), MM(0));
        if (laneZero) A.Pmullw(MM(1), A.a(__glMmxLaneIndex[0]));
        else A.Pmullw(MM(1), A.ax(__glMmxLaneIndex[0], ECX, 8));
        return;
    }
    laneOffsets(m, offsets);
}

// offsets[j] = (l - j) x the step in MM0 (16-bit lanes, wrapping as the
// products do): lane l x step, then one step less for each j. MM1.
void laneOffsets(Mmx& m, GLushort (*offsets)[4]) {
    GlOgAsm& A = m.A;
    A.Movq(MM(1), MM(0));
    A.Pmullw(MM(1), A.a(__glMmxLaneIndex[0]));
    A.Movq(A.a(offsets[0]), MM(1));
    for (int j = 1; j < 4; j++) {
        A.Psubw(MM(1), MM(0));
        A.Movq(A.a(offsets[j]), MM(1));
    }
}

// A 16.16 value shifted left into r as four equal lanes: its integer
// part toward zero, or its high half. `work` changed.
void startLanes(Mmx& m, GlOgNode* r, GlOgNode* src, GLint shift, bool toZero, GlOgNode* work) {
    GlOgAsm& A = m.A;
    A.Movd(r, src);
    if (shift) A.Pslld(r, A.i(shift));
    if (toZero) {
        __glOgMmxBiasNeg32(m, r, work, 16);
        A.Psrad(r, A.i(16));
        A.Packssdw(r, r);
        A.Pshufw0(r, r);
    } else {
        A.Pshufw1(r, r);
    }
}

// r's lanes moved from top bit `from` to channel c's field, masked.
void toField(Mmx& m, GlOgNode* r, int c, GLint from) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    const GLint to = f.top(c);
    if (to > from) A.Psllw(r, A.i(to - from));
    if (to < from) A.Psrlw(r, A.i(from - to));
    if (f.pos[c]) A.Pand(r, A.q4((GLushort)(((1u << f.bits[c]) - 1) << f.pos[c])));
}

// Red, green and blue lanes (top bit `top`) packed into `red`'s register
// (answered); one-byte pixels then packed to bytes. Four-byte pixels: each
// channel's top 8 bits as a byte (saturated), pixels 0 and 1 in `blue`'s
// register (answered), 2 and 3 in `green`'s (m.high).
GlOgNode* pack(Mmx& m, GlOgNode* red, GlOgNode* green, GlOgNode* blue, GLint top) {
    const GLint tops[3] = {top, top, top};
    return packTops(m, red, green, blue, tops);
}
GlOgNode* packTops(Mmx& m, GlOgNode* red, GlOgNode* green, GlOgNode* blue, const GLint top[3]) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    if (f.bytes == 4) {
        GlOgNode* const r[3] = {red, green, blue};
        for (int c = 0; c < 3; c++)
            if (top[c] > 7) A.Psrlw(r[c], A.i(top[c] - 7));
        A.Packuswb(blue, red);      // blue bytes, red bytes
        A.Packuswb(green, green);
        A.Movq(red, blue);
        A.Punpcklbw(blue, green);   // blue and green of each pixel
        A.Punpckhbw(red, A.q4(0));  // red and 0
        A.Movq(green, blue);
        A.Punpcklwd(blue, red);
        A.Punpckhwd(green, red);
        m.high = green;
        return blue;
    }
    toField(m, red, 0, top[0]);
    toField(m, green, 1, top[1]);
    A.Por(red, green);
    toField(m, blue, 2, top[2]);
    A.Por(red, blue);
    if (f.bytes == 1) A.Packuswb(red, red);
    return red;
}

// MM6 (s lanes) and MM7 (t lanes) of a square level interleaved; with
// `steps` also X->step[GL_MMX_S] and X->step[GL_MMX_T] into the former.
void interleaveTexLanes(Mmx& m, bool steps) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    if (!m.interleaved()) return;
    A.Movq(MM(0), MM(6));
    A.Punpcklwd(MM(6), MM(7));
    A.Punpckhwd(MM(0), MM(7));
    A.Movq(MM(7), MM(0));
    if (steps) {
        A.Movq(MM(0), A.a(X->step[GL_MMX_S]));
        A.Punpcklwd(MM(0), A.a(X->step[GL_MMX_T]));
        A.Movq(A.a(X->step[GL_MMX_S]), MM(0));
    }
}

// ---- Once per triangle.
void __glGenMmxTriangleCode(Mmx& m) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    GlContext* gc = m.gc;
    const GLint steps[3] = {GL_OG_SPAN_RED_STEP, GL_OG_SPAN_GREEN_STEP, GL_OG_SPAN_BLUE_STEP};
    if (f.colorSteps())
        for (int c = 0; c < 3; c++) stepLanes(m, m.fr(steps[c]), f.shift(c), X->step[c], X->offsets[c]);
    if (f.alphaSteps()) stepLanes(m, m.fr(GL_OG_SPAN_ALPHA_STEP), 6, X->step[GL_MMX_A], X->offsets[GL_MMX_A]);
    if (m.redUp()) {
        A.Movq(MM(0), A.a(X->step[0]));
        A.Psllw(MM(0), A.i(m.redUp()));
        A.Movq(A.a(X->step[0]), MM(0));
    }
    if (f.tex && !f.perspective) texSteps(m);
    if (f.tex && f.perspective) A.Mov(A.a(&X->texStepValid), A.i(0));  // steps of another walker's or triangle's
    if (f.depth) {
        // The walked values (__glDepthWalkValue) read at run time: zXor =
        // -mirror, zAdd = depthMax + 2^shift when mirrored, else 0, the
        // generation in both lanes of zGeneration; ECX the step (negated
        // when mirrored), EDX (l - j) of it. The 16-bit words are the high
        // halves of the walked values.
        const GlDepthBuffer* db = &gc->fb.depth;
        A.Mov(ECX, A.a(&db->generation));
        A.Mov(A.a(&X->zGeneration[0]), ECX);
        A.Mov(A.a(&X->zGeneration[1]), ECX);
        A.Movzx8(EAX, A.a(&db->mirror));
        A.Neg(EAX);
        A.Mov(A.a(&X->zXor), EAX);
        A.Mov(ECX, A.a(&db->depthMax));
        A.Add(ECX, A.i((GLint)(1u << f.depthShift)));
        A.And(ECX, EAX);
        A.Mov(A.a(&X->zAdd), ECX);
        A.Mov(ECX, m.fr(GL_OG_SPAN_Z_STEP));
        A.Xor(ECX, EAX);
        A.Sub(ECX, EAX);
        A.Mov(EDX, ECX);
        A.Imul(EDX, A.i(-3));
        for (int d = -3; d <= 3; d++) {
            for (int j = 0; j < 4; j++)
                if (d + j >= 0 && d + j < 4) A.Mov(A.a(&X->zOffsets32[j][d + j]), EDX);
            if (d < 3) A.Add(EDX, ECX);
        }
        A.Movd(MM(0), ECX);
        A.Pslld(MM(0), A.i(2));
        A.Punpckldq(MM(0), MM(0));
        A.Movq(A.a(X->zStep32x4), MM(0));
    }
    if (f.tex) {
        // Level 0 and the palette of the bound texture.
        A.Mov(EAX, A.a(&gc->currentTexture));
        A.Mov(ECX, A.m(EAX, offsetof(GlTextureParams, levels)));
        A.Mov(ECX, A.m(ECX, offsetof(GlMipmapLevel, data)));
        A.Mov(A.a(&X->texels), ECX);
        if (f.paletteBytes) {
            A.Mov(ECX, A.m(EAX, offsetof(GlTextureParams, palette.data)));
            A.Mov(A.a(&X->palette), ECX);
            A.Mov(ECX, A.m(EAX, offsetof(GlTextureParams, palette.width)));
            A.Dec(ECX);
            A.Mov(A.a(&X->paletteMask), ECX);
        }
        if (m.sites && !f.mip) patchSites(m, m.sites, ECX, EAX, EDX, nullptr);
        // A mipmap's records of another routine's levels: read again at the first span.
        if (f.mip) A.Mov(A.a(&X->levelOf[0]), A.i(-1)), A.Mov(A.a(&X->levelOf[1]), A.i(-1));
    }
    A.Emms();
}

// Another level than the loads of `t` hold (its address in `level`): its
// address into each, plus its corner's offset (of `offsets`, the level's,
// when given). `level`, `count` and `field` changed.
void patchSites(Mmx& m, GlOgTexelSites* t, GlOgNode* level, GlOgNode* count, GlOgNode* field,
                const GLint* offsets = nullptr) {
    GlOgAsm& A = m.A;
    GlOgNode* same = A.label();
    A.Cmp(level, A.a(&t->base));
    A.Je(same);
    A.Mov(A.a(&t->base), level);
    for (int corner = 0; corner < (m.f.linear || m.f.magLinear ? 4 : 1); corner++) {
        GlOgNode* none = A.label(true), *next = A.label(true);
        if (corner) {
            A.Mov(level, A.a(&t->base));
            if (offsets) {
                A.Mov(count, A.a(&offsets[corner]));
                A.Mov(A.a(&t->offset[corner]), count);
                A.Add(level, count);
            } else {
                A.Add(level, A.a(&t->offset[corner]));
            }
        }
        A.Mov(count, A.a(&t->count[corner]));
        A.Test(count, count);
        A.Je(none);
        A.place(next);
        A.Mov(field, A.ax((const uint8_t*)t->fields(corner) - 4, count, 4));
        A.Mov(A.m(field), level);
        A.Dec(count);
        A.Jne(next);
        A.place(none);
    }
    A.place(same);
}

// A mipmapped span's levels (__glMmxLevelsOf from X->lodBits): the blend
// factor lanes; for each level read its record in X->level and its address
// in its loads, where they changed. EAX, EBX, ECX, EDX, EDI and MM0, MM1 changed.
void spanLevels(Mmx& m) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    GlContext* gc = m.gc;
    GlOgNode* done = A.label(), *kept = A.label(true);
    A.Mov(EAX, A.a(&X->lodBits));
    A.Mov(EDX, A.a(&gc->currentTexture));
    A.Mov(EDX, A.m(EDX, offsetof(GlTextureParams, maxLevel)));
    A.Xor(EBX, EBX);
    A.Xor(ECX, ECX);
    A.Xor(EDI, EDI);
    // Magnified (L not above the crossover, not a number): level 0.
    const GLuint c = f.crossoverBits();
    GlOgNode* magnified = f.magSeparate() ? A.label() : done;
    A.Lea(ESI, A.m(EAX, -(GLint)(c + 1)));
    A.Cmp(ESI, A.i((GLint)(0x7F800000u - c - 1)));
    A.Ja(magnified);
    if (f.magSeparate()) A.Mov(ESI, A.a(&m.filterProcs[0])), A.Mov(A.a(&X->filterProc), ESI);
    A.Shr(EAX, A.i(8));
    A.Sub(EAX, A.i(0x3F8000));
    A.Mov(ESI, EDX);
    A.Shl(ESI, A.i(16));
    A.Cmp(EAX, ESI);
    A.Jle(kept);
    A.Mov(EAX, ESI);
    A.place(kept);
    if (!f.twoLevels) {
        A.Lea(EBX, A.m(EAX, 0x7FFF));
        A.Sar(EBX, A.i(16));
        A.Mov(ECX, EBX);
    } else {
        GlOgNode* two = A.label(true);
        A.Lea(EBX, A.m(EAX, 0x10000));
        A.Sar(EBX, A.i(16));
        A.Cmp(EBX, EDX);
        A.Jle(two);
        A.Mov(EBX, EDX);
        A.Mov(ECX, EDX);
        A.Jmp(done);
        A.place(two);
        A.Lea(ECX, A.m(EBX, -1));
        A.Mov(EDI, EAX);
        A.Shr(EDI, A.i(8));
        A.And(EDI, A.i(0xFF));
    }
    if (f.magSeparate()) {
        A.Jmp(done);
        A.place(magnified);
        A.Mov(ESI, A.a(&m.filterProcs[1]));
        A.Mov(A.a(&X->filterProc), ESI);
    }
    A.place(done);
    if (f.twoLevels) {
        // F << 8 and 65535 - (F << 8) in the lanes.
        A.Shl(EDI, A.i(8));
        A.Movd(MM(0), EDI);
        A.Punpcklwd(MM(0), MM(0));
        A.Punpckldq(MM(0), MM(0));
        A.Movq(A.a(X->mipF), MM(0));
        A.Movq(MM(1), A.q4(0xFFFF));
        A.Psubw(MM(1), MM(0));
        A.Movq(A.a(X->mipG), MM(1));
    }
    for (int n = 0; n < (f.twoLevels ? 2 : 1); n++) {
        GlOgNode* level = n ? ECX : EBX;
        GlOgNode* same = A.label();
        A.Cmp(level, A.a(&X->levelOf[n]));
        A.Je(same);
        A.Mov(A.a(&X->levelOf[n]), level);
        A.Lea(EAX, A.mx(level, level, 2));
        A.Shl(EAX, A.i(5));  // x 96
        for (int i = 0; i < (int)sizeof(GlOgMmxLevel) / 8; i++) {
            A.Movq(MM(0), A.mx(EAX, nullptr, 1, (GLint)(uintptr_t)m.levels + 8 * i));
            A.Movq(A.a((const uint8_t*)&X->level[n] + 8 * i), MM(0));
        }
        A.Mov(A.a(&(n ? m.sites2 : m.sites)->base), A.i(0));  // the loads take the level's offsets too
        A.place(same);
        // The level's texels: its address in the loads.
        A.Mov(EAX, A.a(&gc->currentTexture));
        A.Mov(EAX, A.m(EAX, offsetof(GlTextureParams, levels)));
        A.Mov(EDX, level);
        A.Imul(EDX, A.i((GLint)sizeof(GlMipmapLevel)));
        A.Mov(EAX, A.mx(EAX, EDX, 1, (GLint)offsetof(GlMipmapLevel, data)));
        patchSites(m, n ? m.sites2 : m.sites, EAX, EDX, EDI, X->level[n].cornerOffset);
    }
}

void texSteps(Mmx& m) {
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    stepLanes(m, m.fr(GL_OG_SPAN_S_STEP), 16 - f.widthLog2, X->step[GL_MMX_S], X->offsets[GL_MMX_S]);
    stepLanes(m, m.fr(GL_OG_SPAN_T_STEP), 16 - f.heightLog2, X->step[GL_MMX_T], X->offsets[GL_MMX_T]);
    if (m.interleaved()) {
        GlOgAsm& A = m.A;
        A.Movq(MM(0), A.a(X->step[GL_MMX_S]));
        A.Punpcklwd(MM(0), A.a(X->step[GL_MMX_T]));
        A.Movq(A.a(X->step[GL_MMX_S]), MM(0));
    }
}

// ---- A group's colour: the packed group in the register returned.
GlOgNode* __glGenMmxPixelGroup(Mmx& m) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    if (m.constantGroup()) {
        m.high = MM(6);  // four-byte pixels: pixels 2 and 3
        return MM(7);
    }
    if (!f.tex && f.blend) return __glGenMmxBlendPack(m);
    if (!f.tex) {
        A.Movq(MM(0), MM(5));
        A.Movq(MM(1), MM(6));
        A.Movq(MM(2), MM(7));
        const GLint tops[3] = {14 + m.redUp(), 14, 14};
        return packTops(m, MM(0), MM(1), MM(2), tops);
    }
    texels(m);
    // Red in MM0, green in MM2, blue in MM1, at top bit 14 (modulated: the
    // high half of the unsigned product of b x 257 and the colour lane).
    if (f.tex == GL_MMX_TEX_MODULATE) {
        A.Pmulhuw(MM(0), MM(5));
        A.Pmulhuw(MM(2), MM(3));
        if (m.blueInMm4) A.Pmulhuw(MM(1), MM(4));
        else A.Pmulhuw(MM(1), A.a(X->lanes[2]));
    }
    if (f.blend) {
        GlOgNode* const lanes[3] = {MM(0), MM(2), MM(1)};
        for (int c = 0; c < 3; c++) A.Movq(A.a(X->src[c]), lanes[c]);
        // The texels' alpha bytes b (the high four, one-byte grey texels the
        // low four) as b x 64 + (b + 1) / 4 (255 is 1.0), modulated by the
        // alpha lanes.
        if (f.texAlpha) {
            if (f.linear) {  // the weighted sum's high byte
                A.Movq(MM(0), A.a(X->texSum[3]));
                A.Psrlw(MM(0), A.i(8));
            } else {
                A.Movq(MM(0), A.a(X->texAlpha));
                if (f.grey && f.texAlphaByte == 0) A.Punpcklbw(MM(0), A.q4(0));
                else A.Punpckhbw(MM(0), A.q4(0));
            }
            A.Movq(MM(1), MM(0));
            A.Paddw(MM(1), A.q4(1));
            A.Psrlw(MM(1), A.i(2));
            A.Psllw(MM(0), A.i(6));
            A.Paddw(MM(0), MM(1));
            if (f.tex == GL_MMX_TEX_MODULATE) A.Pmulhw(MM(0), A.a(X->alpha)), A.Psllw(MM(0), A.i(2));
            A.Movq(A.a(X->texAlpha), MM(0));
        }
        return __glGenMmxBlendPack(m);
    }
    if (f.dither) {
        GlOgNode* r[3] = {MM(0), MM(2), MM(1)};
        A.op(m.redUp() ? GL_OG_Paddusw : GL_OG_Paddsw, r[0], A.a(X->dither[0]));
        for (int c = 1; c < 3; c++) A.Paddsw(r[c], A.a(X->dither[c]));
    }
    const GLint tops[3] = {14 + m.redUp(), 14, 14};
    return packTops(m, MM(0), MM(2), MM(1), tops);
}

// The group blended with its destination, dithered and packed into MM0
// (the source channels and alpha at m.source and m.sourceAlpha). MM0 to MM2
// changed.
GlOgNode* __glGenMmxBlendPack(Mmx& m) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    // The destination's channels, each field's top bit at bit 14.
    if (f.bytes == 4) {
        // The four pixels' bytes regrouped by channel: blue, green, red lanes.
        A.Movq(MM(0), m.destination());
        A.Movq(MM(1), m.destination(8));
        A.Movq(MM(2), MM(0));
        A.Punpcklbw(MM(0), MM(1));  // pixels 0 and 2
        A.Punpckhbw(MM(2), MM(1));  // pixels 1 and 3
        A.Movq(MM(1), MM(0));
        A.Punpcklbw(MM(0), MM(2));  // blue bytes, green bytes
        A.Punpckhbw(MM(1), MM(2));  // red bytes, padding bytes
        A.Movq(MM(2), MM(0));
        A.Punpcklbw(MM(2), A.q4(0));
        A.Psllw(MM(2), A.i(7));
        A.Movq(m.dest(2), MM(2));
        A.Punpckhbw(MM(0), A.q4(0));
        A.Psllw(MM(0), A.i(7));
        A.Movq(m.dest(1), MM(0));
        A.Punpcklbw(MM(1), A.q4(0));
        A.Psllw(MM(1), A.i(7));
        A.Movq(m.dest(0), MM(1));
    } else if (f.bytes == 1) {
        A.Movd(MM(0), m.destination());
        A.Punpcklbw(MM(0), A.q4(0));
    } else {
        A.Movq(MM(0), m.destination());
    }
    for (int c = 0; c < 3 && f.bytes < 4; c++) {
        A.Movq(MM(1), MM(0));
        if (f.top(c) > 14) A.Psrlw(MM(1), A.i(f.top(c) - 14));
        if (f.top(c) < 14) A.Psllw(MM(1), A.i(14 - f.top(c)));
        A.Pand(MM(1), A.q4((GLushort)(((1u << f.bits[c]) - 1) << (15 - f.bits[c]))));
        A.Movq(m.dest(c), MM(1));
    }
    // Channel by channel into MM0 (red) or MM1 (MM2 the second term), then
    // dithered, moved to its field and merged (four-byte pixels: kept in
    // the channel's destination lanes, then packed).
    GLint tops[3];
    for (int c = 0; c < 3; c++) {
        GlOgNode* r = c ? MM(1) : MM(0);
        GLint top = 14;
        if (f.blendSrc == 1 && f.blendDst == 1) {
            A.Movq(r, m.source(c));
            A.Paddsw(r, m.dest(c));
        } else {
            const bool srcTerm = __glGenMmxBlendFactor(m, r, f.blendSrc, c);
            if (srcTerm) A.Pmulhw(r, m.source(c));
            GlOgNode* t = srcTerm ? MM(2) : r;
            if (__glGenMmxBlendFactor(m, t, f.blendDst, c)) {
                A.Pmulhw(t, m.dest(c));
                if (srcTerm) A.Paddsw(r, t);
            } else if (!srcTerm) {
                A.Pxor(r, r);
            }
            top = 12;
            if (f.blendSrc) A.Paddsw(r, r), A.Paddsw(r, r), top = 14;
        }
        if (f.dither) {
            if (top < 14) A.Psllw(r, A.i(14 - top));
            A.Paddsw(r, A.a(X->dither[c]));
            top = 14;
        }
        if (f.bytes == 4) {
            A.Movq(m.dest(c), r);
            tops[c] = top;
            continue;
        }
        toField(m, r, c, top);
        if (c) A.Por(MM(0), MM(1));
    }
    if (f.bytes == 4) {
        A.Movq(MM(0), m.dest(0));
        A.Movq(MM(2), m.dest(1));
        A.Movq(MM(1), m.dest(2));
        return packTops(m, MM(0), MM(2), MM(1), tops);
    }
    if (f.bytes == 1) A.Packuswb(MM(0), MM(0));
    return MM(0);
}

// The factor lanes of class `factor` for channel c into r (16384 = 1.0);
// false, r untouched, for a factor of 0 (its term is left out). The
// buffers hold no alpha: destination alpha is 1. A colour as a factor is
// scaled so that the channel's maximum is 1.0; a source colour (a texel, or
// a lane past the channel's maximum) held to 1.0.
bool __glGenMmxBlendFactor(Mmx& m, GlOgNode* r, GLint factor, int c) {
    GlOgAsm& A = m.A;
    const GLushort scale = __glMmxColorFactor[m.f.bits[c]];
    switch (factor) {
    case 1: case 6: A.Movq(r, A.q4(16384)); return true;
    case 4: A.Movq(r, m.sourceAlpha()); return true;
    case 5: A.Movq(r, A.q4(16384)), A.Psubw(r, m.sourceAlpha()); return true;
    case 2: case 3: case 8: case 9:
        A.Movq(r, factor < 8 ? m.source(c) : m.dest(c));
        A.Pmulhw(r, A.q4(scale));
        if (factor < 8) A.Pminsw(r, A.q4(8192));
        // 1 - x: 2 (8192 - x / 2) = 2 (~(x / 2) + 8193).
        if (factor == 3 || factor == 9) A.Pxor(r, A.q4(0xFFFF)), A.Paddw(r, A.q4(8193));
        A.Psllw(r, A.i(1));
        return true;
    default: return false;
    }
}

// The texels of the group's four lanes: red in MM0, green in MM2, blue in
// MM1, each byte b as b x 128, or as b x 257 (unsigned) to be modulated.
// EAX, ECX and EDX changed.
void texels(Mmx& m) {
    const GlMmxFill& f = m.f;
    if (f.filtered()) {
        // A level's nearest texels in place; the other filters' subroutine.
        if (f.mip && !f.linear && !f.twoLevels && !f.magSeparate()) nearestTexels(m);
        else if (f.magSeparate()) m.A.Call(m.A.a(&m.X->filterProc));
        else m.A.Call(m.filter);
        return;
    }
    if (!m.indexed()) {
        offsetTexels(m, f.paletteBytes ? 1 : f.texelBytes);
        texelChannels(m, MM(0));
        return;
    }
    texelChannels(m, indexedTexels(m));
}

// The texels of the four lanes by index: pair 0 in the register returned
// (MM0 or MM1) and pair 1 in MM2, bytes interleaved as __glGenMmxTexelPair
// leaves them.
GlOgNode* indexedTexels(Mmx& m) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    const GLint ws = 16 - f.widthLog2, hs = 16 - f.heightLog2;
    if (m.interleaved() && f.widthLog2 == 8) {
        // Column and row bytes side by side are the index: (s0 t0 s1 t1 s2 t2 s3 t3).
        A.Movq(MM(0), MM(6));
        A.Psrlw(MM(0), A.i(8));
        A.Movq(MM(2), MM(7));
        A.Psrlw(MM(2), A.i(8));
        A.Packuswb(MM(0), MM(2));
    } else if (m.interleaved()) {
        // (s t) pairs: column + row x width in the doublewords, words 0 and 2.
        A.Movq(MM(0), MM(6));
        A.Movq(MM(2), MM(7));
        if (ws) A.Psrlw(MM(0), A.i(ws)), A.Psrlw(MM(2), A.i(ws));
        const GLushort width = (GLushort)(1 << f.widthLog2);
        A.Pmaddwd(MM(0), A.q(1, width, 1, width));
        A.Pmaddwd(MM(2), A.q(1, width, 1, width));
        for (int pair = 0; pair < 2; pair++) {
            GlOgNode* r = pair ? MM(2) : MM(0);
            A.Pextrw0(EAX, r);
            A.Pextrw2(ECX, r);
            indexedTexel(m, r, EAX, false);
            indexedTexel(m, r, ECX, true);
        }
        return MM(0);
    } else {
        // column + (row << log2 width) in the lanes.
        A.Movq(MM(0), MM(6));
        if (ws) A.Psrlw(MM(0), A.i(ws));
        A.Movq(MM(2), MM(7));
        if (hs) A.Psrlw(MM(2), A.i(hs));
        if (f.widthLog2) A.Psllw(MM(2), A.i(f.widthLog2));
        A.Por(MM(0), MM(2));
    }
    // The four indices in MM0's lanes: the pairs into MM1 and MM2.
    A.Pextrw0(EAX, MM(0));
    A.Pextrw1(ECX, MM(0));
    indexedTexel(m, MM(1), EAX, false);
    indexedTexel(m, MM(1), ECX, true);
    A.Pextrw2(EAX, MM(0));
    A.Pextrw3(ECX, MM(0));
    indexedTexel(m, MM(2), EAX, false);
    indexedTexel(m, MM(2), ECX, true);
    return MM(1);
}

// The texel of index `at` into r (its four bytes), or its bytes interleaved
// with r's (unpack); a displacement holding the level's address is noted.
void indexedTexel(Mmx& m, GlOgNode* r, GlOgNode* at, bool unpack, int corner) {
    GlOgAsm& A = m.A;
    GlOgTexelSites* t = m.siteSet ? m.sites2 : m.sites;
    const GLint bytes = m.f.texelBytes;
    const GLint disp = t ? (GLint)(t->base + (GLuint)t->offset[corner]) : 0;
    GlOgNode* texel = !t ? A.mx(EBP, at, (GLuint)bytes)
                      : bytes == 3 ? A.mx(at, at, 2, disp)
                                   : A.mx(nullptr, at, (GLuint)bytes, disp);
    // A noted load out of any scheduled block: its displacement is the last
    // four bytes written.
    if (t) A.alone(unpack ? GL_OG_Punpcklbw : GL_OG_Movd, r, texel);
    else if (unpack) A.Punpcklbw(r, texel);
    else A.Movd(r, texel);
    if (!t || A.failed) return;
    if (t->count[corner] == t->capacity(corner)) {
        A.failed = true;
        return;
    }
    t->fields(corner)[t->count[corner]++] = (GLuint)(uintptr_t)(A.out - 4);
}

// By byte offsets: pair 0 in MM0, pair 1 in MM2.
void offsetTexels(Mmx& m, GLint bytes) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    // Column and row of each lane, interleaved (a square level keeps them so).
    if (m.interleaved()) {
        A.Movq(MM(0), MM(6));
        A.Movq(MM(2), MM(7));
        if (16 - f.widthLog2) A.Psrlw(MM(0), A.i(16 - f.widthLog2)), A.Psrlw(MM(2), A.i(16 - f.widthLog2));
    } else {
        A.Movq(MM(0), MM(6));
        if (16 - f.widthLog2) A.Psrlw(MM(0), A.i(16 - f.widthLog2));
        A.Movq(MM(1), MM(7));
        if (16 - f.heightLog2) A.Psrlw(MM(1), A.i(16 - f.heightLog2));
        A.Movq(MM(2), MM(0));
        A.Punpcklwd(MM(0), MM(1));
        A.Punpckhwd(MM(2), MM(1));
    }
    // column x bytes + row x (bytes << log2 width): the byte offsets.
    const GLushort row = (GLushort)(bytes << f.widthLog2);
    A.Pmaddwd(MM(0), A.q((GLushort)bytes, row, (GLushort)bytes, row));
    A.Pmaddwd(MM(2), A.q((GLushort)bytes, row, (GLushort)bytes, row));
    // Two texels of each pair of lanes, bytes interleaved.
    for (int pair = 0; pair < 2; pair++) {
        GlOgNode* r = pair ? MM(2) : MM(0);
        A.Movd(EAX, r);
        A.Psrlq(r, A.i(32));
        A.Movd(ECX, r);
        __glGenMmxTexelPair(m, r);
    }
}

// The pairs in `first` (MM0 or MM1) and MM2 to channel lanes: red in MM0,
// green in MM2, blue in MM1 (as texels() says).
void texelChannels(Mmx& m, GlOgNode* first) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    const bool modulated = f.tex == GL_MMX_TEX_MODULATE;
    if (f.grey) {
        if (first != MM(0)) A.Movq(MM(0), first);
        A.Punpcklwd(MM(0), MM(2));
        if (f.texAlpha) A.Movq(A.a(m.X->texAlpha), MM(0));
        if (modulated) {
            A.Punpcklbw(MM(0), MM(0));
        } else {
            A.Punpcklbw(MM(0), A.q4(0));
            A.Psllw(MM(0), A.i(7));
        }
        A.Movq(MM(1), MM(0));
        A.Movq(MM(2), MM(0));
        return;
    }
    // (MM0 and MM1 the pair first in either order.)
    if (first == MM(0)) A.Movq(MM(1), MM(0));
    else A.Movq(MM(0), MM(1));
    A.Punpcklwd(MM(0), MM(2));
    A.Punpckhwd(MM(1), MM(2));
    if (f.texAlpha) A.Movq(A.a(m.X->texAlpha), MM(1));
    A.Movq(MM(2), MM(0));
    if (modulated) {
        A.Punpcklbw(MM(0), MM(0));
        A.Punpckhbw(MM(2), MM(2));
        A.Punpcklbw(MM(1), MM(1));
        return;
    }
    A.Punpcklbw(MM(0), A.q4(0));
    A.Psllw(MM(0), A.i(7));
    A.Punpckhbw(MM(2), A.q4(0));
    A.Psllw(MM(2), A.i(7));
    A.Punpcklbw(MM(1), A.q4(0));
    A.Psllw(MM(1), A.i(7));
}

// The texels at byte offsets EAX and ECX into r, their bytes interleaved
// (the first texel's in the even bytes); the second read by the unpack
// itself unless it comes through the palette. MM1 changed.
void __glGenMmxTexelPair(Mmx& m, GlOgNode* r) {
    GlOgAsm& A = m.A;
    texel(m, r, EAX);
    if (!m.f.paletteBytes) {
        A.Punpcklbw(r, A.mx(EBP, ECX, 1));
        return;
    }
    texel(m, MM(1), ECX);
    A.Punpcklbw(r, MM(1));
}

// The four bytes of the texel at byte offset `at` (a register, changed)
// into r; through the palette, the entry's bytes.
void texel(Mmx& m, GlOgNode* r, GlOgNode* at) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    if (!f.paletteBytes) {
        A.Movd(r, A.mx(EBP, at, 1));
        return;
    }
    A.Movzx8(at, A.mx(EBP, at, 1));
    A.And(at, A.a(&X->paletteMask));
    if (f.paletteBytes > 1) A.Imul(at, A.i(f.paletteBytes));
    A.Add(at, A.a(&X->palette));
    switch (f.paletteBytes) {
    case 4: A.Movd(r, A.m(at)); break;
    case 3:
        A.Movzx16(EDX, A.m(at));
        A.Movzx8(at, A.m(at, 2));
        A.Shl(at, A.i(16));
        A.Or(at, EDX);
        A.Movd(r, at);
        break;
    case 2:  // the grey byte and alpha
        A.Movzx16(at, A.m(at));
        A.Movd(r, at);
        break;
    default:  // the grey byte
        A.Movzx8(at, A.m(at));
        A.Movd(r, at);
        break;
    }
}

// The operands of a level's sizes: level 0's of the key as constants, or
// a mipmap level's record X->level[n] (n >= 0).
struct LevelOps {
    Mmx& m;
    int n;
    GLint log2Of(int i) const { return i ? m.f.heightLog2 : m.f.widthLog2; }
    const GlOgMmxLevel& rec() const { return m.X->level[n]; }
    // Half a texel of side i in the lanes; 16 - log2 side; log2 side; side - 1.
    GlOgNode* half(int i) { return n < 0 ? m.A.q4((GLushort)(0x8000 >> log2Of(i))) : m.A.a(rec().half[i]); }
    GlOgNode* toSide(int i) { return n < 0 ? m.A.i(16 - log2Of(i)) : m.A.a(i ? rec().toRow : rec().toColumn); }
    GlOgNode* log2(int i) { return n < 0 ? m.A.i(log2Of(i)) : m.A.a(i ? rec().heightLog2 : rec().widthLog2); }
    GlOgNode* mask(int i) {
        return n < 0 ? m.A.q4((GLushort)((1 << log2Of(i)) - 1)) : m.A.a(i ? rec().heightMask : rec().widthMask);
    }
    // Lanes of u in the last column or row above this (GlOgMmxLevel::edge).
    GlOgNode* edge(int i) {
        const GLint k = log2Of(i);
        return n < 0 ? m.A.q4(k ? (GLushort)((((1 << k) - 1) << (16 - k)) - 1) : (GLushort)0xFFFF) : m.A.a(rec().edge[i]);
    }
    // The log2 of side i when known at generation, else -1.
    GLint known(int i) const { return n < 0 ? log2Of(i) : -1; }
};

// r = the 8-bit fraction of the lanes of u below a texel of side i: (u <<
// log2 side) >> 8 in 16 bits.
void texelFraction(Mmx& m, LevelOps& L, GlOgNode* r, GlOgNode* u, int i) {
    GlOgAsm& A = m.A;
    A.Movq(r, u);
    if (L.known(i) == 8) {
        A.Pand(r, A.q4(0xFF));
        return;
    }
    if (L.known(i)) A.Psllw(r, L.log2(i));
    A.Psrlw(r, A.i(8));
}

// The bilinear texels of a level at the group's s and t lanes (MM6, MM7)
// by __glMmxBilinearOf, the loads of site set `set`: red in MM0, green in
// MM2, blue in MM1, the weighted sums (byte x 257 to modulate, halved to
// byte x 128 to replace) as texels() leaves the texels; alpha's sum in
// X->texSum[3]. EAX, ECX, EDX and MM3 to MM5 changed.
void bilinearLevel(Mmx& m, LevelOps L, int set) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    // Rows: r0 x width in MM2, the next row's in X->texRow1; ft.
    A.Movq(MM(2), MM(7));
    A.Psubw(MM(2), L.half(1));
    texelFraction(m, L, MM(1), MM(2), 1);
    A.Movq(A.a(X->texFt), MM(1));
    A.Psrlw(MM(2), L.toSide(1));
    A.Movq(MM(1), MM(2));
    A.Paddw(MM(1), A.q4(1));
    A.Pand(MM(1), L.mask(1));
    if (L.known(0)) A.Psllw(MM(2), L.log2(0)), A.Psllw(MM(1), L.log2(0));
    A.Movq(A.a(X->texRow1), MM(1));
    // Columns: c0 in MM0, c1 in MM1; fs.
    A.Movq(MM(0), MM(6));
    A.Psubw(MM(0), L.half(0));
    texelFraction(m, L, MM(1), MM(0), 0);
    A.Movq(A.a(X->texFs), MM(1));
    A.Psrlw(MM(0), L.toSide(0));
    A.Movq(MM(1), MM(0));
    A.Paddw(MM(1), A.q4(1));
    A.Pand(MM(1), L.mask(0));
    // The corners' indexes (the fields apart: or, and xor takes one out again).
    A.Por(MM(0), MM(2));
    A.Movq(A.a(X->texIndex[0]), MM(0));
    A.Pxor(MM(0), MM(2));
    A.Por(MM(2), MM(1));
    A.Movq(A.a(X->texIndex[1]), MM(2));
    A.Por(MM(0), A.a(X->texRow1));
    A.Movq(A.a(X->texIndex[2]), MM(0));
    A.Por(MM(1), A.a(X->texRow1));
    A.Movq(A.a(X->texIndex[3]), MM(1));
    // Weights: w11 = fs ft >> 8, w01 = fs - w11, w10 = ft - w11, w00 = sum - the others.
    A.Movq(MM(0), A.a(X->texFs));
    A.Pmullw(MM(0), A.a(X->texFt));
    A.Psrlw(MM(0), A.i(8));
    A.Movq(A.a(X->texWeight[3]), MM(0));
    A.Movq(MM(1), A.a(X->texFs));
    A.Psubw(MM(1), MM(0));
    A.Movq(A.a(X->texWeight[1]), MM(1));
    A.Movq(MM(2), A.a(X->texFt));
    A.Psubw(MM(2), MM(0));
    A.Movq(A.a(X->texWeight[2]), MM(2));
    A.Paddw(MM(0), MM(1));
    A.Paddw(MM(0), MM(2));
    A.Movq(MM(1), A.q4(f.tex == GL_MMX_TEX_REPLACE ? 256 : 257));
    A.Psubw(MM(1), MM(0));
    A.Movq(A.a(X->texWeight[0]), MM(1));
    // Corner by corner (EDX 8 x the corner): its four texels, their
    // channels times its weights summed in MM3 (red), MM4 (green), MM5
    // (blue) and X->texSum[3] (alpha).
    GlOgNode* corner = A.label();
    A.Pxor(MM(3), MM(3));
    A.Pxor(MM(4), MM(4));
    A.Pxor(MM(5), MM(5));
    if (f.texAlpha) A.Movq(A.a(X->texSum[3]), MM(3));
    A.Xor(EDX, EDX);
    A.place(corner);
    m.siteSet = set;
    for (int pair = 0; pair < 2; pair++) {
        A.Movzx16(EAX, A.mx(EDX, nullptr, 1, (GLint)(uintptr_t)&X->texIndex[0][2 * pair]));
        A.Movzx16(ECX, A.mx(EDX, nullptr, 1, (GLint)(uintptr_t)&X->texIndex[0][2 * pair + 1]));
        indexedTexel(m, MM(1 + pair), EAX, false);
        indexedTexel(m, MM(1 + pair), ECX, true);
    }
    m.siteSet = 0;
    // Red and green bytes of the four lanes in MM0, blue and alpha in MM1.
    A.Movq(MM(0), MM(1));
    A.Punpcklwd(MM(0), MM(2));
    A.Punpckhwd(MM(1), MM(2));
    const auto w = [&] { return A.mx(EDX, nullptr, 1, (GLint)(uintptr_t)X->texWeight[0]); };
    if (f.texAlpha) {
        A.Movq(MM(2), MM(1));
        A.Punpckhbw(MM(2), A.q4(0));
        A.Pmullw(MM(2), w());
        A.Paddw(MM(2), A.a(X->texSum[3]));
        A.Movq(A.a(X->texSum[3]), MM(2));
    }
    A.Movq(MM(2), MM(0));
    A.Punpcklbw(MM(2), A.q4(0));
    A.Pmullw(MM(2), w());
    A.Paddw(MM(3), MM(2));
    A.Punpckhbw(MM(0), A.q4(0));
    A.Pmullw(MM(0), w());
    A.Paddw(MM(4), MM(0));
    A.Punpcklbw(MM(1), A.q4(0));
    A.Pmullw(MM(1), w());
    A.Paddw(MM(5), MM(1));
    A.Add(EDX, A.i(8));
    A.Cmp(EDX, A.i(32));
    A.Jne(corner);
    GlOgNode* const sums[3] = {MM(3), MM(4), MM(5)}, *const lanes[3] = {MM(0), MM(2), MM(1)};
    for (int c = 0; c < 3; c++) {
        if (f.tex == GL_MMX_TEX_REPLACE) A.Psrlw(sums[c], A.i(1));
        A.Movq(lanes[c], sums[c]);
    }
}

// The nearest texels of a level (a mipmap's record L) at the group's s and
// t lanes, the loads of site set `set`: red in MM0, green in MM2, blue in
// MM1 as texels() leaves them. EAX and ECX changed.
void nearestLevel(Mmx& m, LevelOps L, int set) {
    GlOgAsm& A = m.A;
    A.Movq(MM(0), MM(6));
    A.Psrlw(MM(0), L.toSide(0));
    A.Movq(MM(1), MM(7));
    A.Psrlw(MM(1), L.toSide(1));
    A.Psllw(MM(1), L.log2(0));
    A.Por(MM(0), MM(1));
    m.siteSet = set;
    for (int pair = 0; pair < 2; pair++) {
        if (pair) A.Pextrw2(EAX, MM(0)), A.Pextrw3(ECX, MM(0));
        else A.Pextrw0(EAX, MM(0)), A.Pextrw1(ECX, MM(0));
        indexedTexel(m, MM(1 + pair), EAX, false);
        indexedTexel(m, MM(1 + pair), ECX, true);
    }
    m.siteSet = 0;
    texelChannels(m, MM(1));
}

// The nearest texels of the span's one level (its record X->level[0]).
void nearestTexels(Mmx& m) { nearestLevel(m, LevelOps{m, 0}, 0); }

// The bilinear texels of a level as bilinearLevel leaves them, when no
// lane's square of texels wraps (else to `wrapped`, EAX changed): the four
// lanes' texel indexes in EAX, ECX, EDX and EBP, each texel's square read
// at the corners' offsets. MM3 to MM5 changed (the sums); EAX, ECX, EDX and
// EBP changed.
void bilinearSquares(Mmx& m, LevelOps L, int set, GlOgNode* wrapped) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    A.Movq(MM(0), MM(6));
    A.Psubw(MM(0), L.half(0));
    A.Movq(MM(2), MM(7));
    A.Psubw(MM(2), L.half(1));
    // A lane in the last column or row: the general road.
    A.Movq(MM(1), MM(0));
    A.Psubusw(MM(1), L.edge(0));
    A.Movq(MM(3), MM(2));
    A.Psubusw(MM(3), L.edge(1));
    A.Por(MM(1), MM(3));
    A.Packsswb(MM(1), MM(1));
    A.Movd(EAX, MM(1));
    A.Test(EAX, EAX);
    A.Jne(wrapped);
    // Fractions and weights (as bilinearLevel).
    texelFraction(m, L, MM(1), MM(0), 0);
    texelFraction(m, L, MM(3), MM(2), 1);
    A.Movq(MM(4), MM(1));
    A.Pmullw(MM(4), MM(3));
    A.Psrlw(MM(4), A.i(8));
    A.Movq(A.a(X->texWeight[3]), MM(4));
    A.Psubw(MM(1), MM(4));
    A.Movq(A.a(X->texWeight[1]), MM(1));
    A.Psubw(MM(3), MM(4));
    A.Movq(A.a(X->texWeight[2]), MM(3));
    A.Paddw(MM(4), MM(1));
    A.Paddw(MM(4), MM(3));
    A.Movq(MM(5), A.q4(f.tex == GL_MMX_TEX_REPLACE ? 256 : 257));
    A.Psubw(MM(5), MM(4));
    A.Movq(A.a(X->texWeight[0]), MM(5));
    // The indexes of the squares' first texels.
    A.Psrlw(MM(0), L.toSide(0));
    A.Psrlw(MM(2), L.toSide(1));
    if (L.known(0)) A.Psllw(MM(2), L.log2(0));
    A.Por(MM(0), MM(2));
    A.Pextrw0(EAX, MM(0));
    A.Pextrw1(ECX, MM(0));
    A.Pextrw2(EDX, MM(0));
    A.Pextrw3(EBP, MM(0));
    // Corner by corner: red sums in MM3, green in MM4, blue in MM5.
    m.siteSet = set;
    for (int k = 0; k < 4; k++) {
        indexedTexel(m, MM(1), EAX, false, k);
        indexedTexel(m, MM(1), ECX, true, k);
        indexedTexel(m, MM(2), EDX, false, k);
        indexedTexel(m, MM(2), EBP, true, k);
        A.Movq(MM(0), MM(1));
        A.Punpcklwd(MM(0), MM(2));
        A.Punpckhwd(MM(1), MM(2));
        const auto w = [&] { return A.a(X->texWeight[k]); };  // operands live one instruction
        if (f.texAlpha) {
            A.Movq(MM(2), MM(1));
            A.Punpckhbw(MM(2), A.q4(0));
            A.Pmullw(MM(2), w());
            if (k) A.Paddw(MM(2), A.a(X->texSum[3]));
            A.Movq(A.a(X->texSum[3]), MM(2));
        }
        GlOgNode* red = k ? MM(2) : MM(3);
        A.Movq(red, MM(0));
        A.Punpcklbw(red, A.q4(0));
        A.Pmullw(red, w());
        if (k) A.Paddw(MM(3), red);
        A.Punpckhbw(MM(0), A.q4(0));
        A.Pmullw(MM(0), w());
        if (k) A.Paddw(MM(4), MM(0));
        else A.Movq(MM(4), MM(0));
        A.Punpcklbw(MM(1), A.q4(0));
        A.Pmullw(MM(1), w());
        if (k) A.Paddw(MM(5), MM(1));
        else A.Movq(MM(5), MM(1));
    }
    m.siteSet = 0;
    const bool replace = f.tex == GL_MMX_TEX_REPLACE;
    GlOgNode* const sums[3] = {MM(3), MM(4), MM(5)}, *const lanes[3] = {MM(0), MM(2), MM(1)};
    for (int c = 0; c < 3; c++) {
        if (replace) A.Psrlw(sums[c], A.i(1));
        A.Movq(lanes[c], sums[c]);
    }
}

// The filtered texels of the group (texels() leaves them so): level 0's
// bilinear ones, or a mipmap's levels, the second blended in by the span's
// factor lanes. Bilinear squares that do not wrap take bilinearSquares,
// the others (out of the way) bilinearLevel. MM3 to MM5 kept. Ends with a
// return.
void filterTexels(Mmx& m, bool magnified = false) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    const bool linear = magnified ? f.magLinear : f.linear, twoLevels = !magnified && f.twoLevels;
    // The bilinear squares' sums in MM3 to MM5, the levels' blend in MM3.
    const int saved = linear ? 3 : twoLevels ? 1 : 0;
    for (int c = 0; c < saved; c++) A.Movq(A.a(X->texSave[c]), MM(3 + c));
    std::vector<std::function<void()>> wraps;
    for (int n = 0; n < (twoLevels ? 2 : 1); n++) {
        LevelOps L{m, f.mip && !magnified ? n : -1};
        if (linear) {
            GlOgNode* wrapped = A.label(), *join = A.label();
            bilinearSquares(m, L, n, wrapped);
            A.place(join);
            wraps.push_back([&m, L, n, wrapped, join] {
                m.A.place(wrapped);
                bilinearLevel(m, L, n);
                m.A.Jmp(join);
            });
        } else {
            nearestLevel(m, L, n);
        }
        if (twoLevels && !n) {
            GlOgNode* const lanes[3] = {MM(0), MM(2), MM(1)};
            for (int c = 0; c < 3; c++) A.Movq(A.a(X->texSumFirst[c]), lanes[c]);
        }
    }
    if (twoLevels) {
        // first x (F << 8) + second x (65535 - (F << 8)), high halves.
        GlOgNode* const lanes[3] = {MM(0), MM(2), MM(1)};
        for (int c = 0; c < 3; c++) {
            A.Pmulhuw(lanes[c], A.a(X->mipG));
            A.Movq(MM(3), A.a(X->texSumFirst[c]));
            A.Pmulhuw(MM(3), A.a(X->mipF));
            A.Paddw(lanes[c], MM(3));
        }
    }
    for (int c = 0; c < saved; c++) A.Movq(MM(3 + c), A.a(X->texSave[c]));
    A.Ret();
    for (auto& w : wraps) w();
}

// ---- The lanes of the next group.
void __glGenMmxStepGroup(Mmx& m, bool newDepthGroup) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    if (m.depth32()) {
        for (int h = 0; h < 2 && !m.depthAhead; h++) {
            A.Movq(MM(0), A.a(newDepthGroup ? &X->zNext32[2 * h] : &X->z32[2 * h]));
            A.Paddd(MM(0), A.a(X->zStep32x4));
            A.Movq(A.a(&X->z32[2 * h]), MM(0));
        }
    } else if (f.depth && !m.blueInMm4) {
        A.Movq(MM(4), A.a(X->blockWords[m.copy + 1]));  // taken at the block's start
    }
    if (f.colorSteps()) {
        if (!f.tex) {
            for (int c = 0; c < 3; c++) A.Paddw(MM(5 + c), A.a(X->step[c]));
        } else if (m.blueInMm4) {
            A.Paddw(MM(5), A.a(X->step[0]));
            A.Paddw(MM(3), A.a(X->step[1]));
            A.Paddw(MM(4), A.a(X->step[2]));
        } else {
            A.Paddw(MM(5), A.a(X->step[0]));
            A.Paddw(MM(3), A.a(X->step[1]));
            A.Movq(MM(0), A.a(X->lanes[2]));
            A.Paddw(MM(0), A.a(X->step[2]));
            A.Movq(A.a(X->lanes[2]), MM(0));
        }
    }
    if (f.alphaSteps()) {
        A.Movq(MM(0), A.a(X->alpha));
        A.Paddw(MM(0), A.a(X->step[GL_MMX_A]));
        A.Movq(A.a(X->alpha), MM(0));
    }
    if (f.tex) {
        A.Paddw(MM(6), A.a(X->step[GL_MMX_S]));
        A.Paddw(MM(7), A.a(X->step[m.interleaved() ? GL_MMX_S : GL_MMX_T]));
    }
}

// The low word of `from` (or of r itself) in r's four lanes.
void __glOgMmxSplat(Mmx& m, GlOgNode* r, GlOgNode* from) {
    GlOgAsm& A = m.A;
    if (from) A.Movd(r, from);
    A.Pshufw0(r, r);
}

// The 16-bit words of four walked values, lanes 0 and 1 in r and 2 and 3
// in `high` (changed): their high halves, into r.
void depthWordsOf(Mmx& m, GlOgNode* r, GlOgNode* high) {
    GlOgAsm& A = m.A;
    A.Pshufw13(r, r);
    A.Pshufw13(high, high);
    A.Punpckldq(r, high);
}

// The values of a new group of 32: walked 32-bit values run on unbroken,
// so only the 32-bit lanes restart, from z advanced by its group step
// (the same values); the 16-bit words need nothing.
void newDepthGroup(Mmx& m) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    if (m.depth32()) {
        A.Mov(EAX, A.a(&X->zGroup));
        A.Add(EAX, m.fr(GL_OG_SPAN_Z_STEP32));
        A.Mov(A.a(&X->zGroup), EAX);
        depthLanes32(m);
        // z32 + ((new - z32) & zHigh32).
        for (int h = 0; h < 2; h++) {
            A.Psubd(MM(h), A.a(&X->z32[2 * h]));
            A.Pand(MM(h), A.a(&X->zHigh32[2 * h]));
            A.Paddd(MM(h), A.a(&X->z32[2 * h]));
            A.Movq(A.a(&X->z32[2 * h]), MM(h));
        }
    }
}

// EAX = the walked value of the depth in EAX (the stored form of a buffer
// whose values do not shift).
void storedDepth(Mmx& m) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    A.Xor(EAX, A.a(&X->zXor));
    A.Add(EAX, A.a(&X->zAdd));
}

// The walked values of the group of 32 whose z is in EAX, lanes 0 and 1 in
// MM0, 2 and 3 in MM1, also kept in X->zNext32.
void depthLanes32(Mmx& m) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    storedDepth(m);
    A.Movd(MM(0), EAX);
    A.Punpckldq(MM(0), MM(0));
    A.Movq(MM(1), MM(0));
    for (int h = 0; h < 2; h++) {
        A.Paddd(MM(h), A.a(&X->zOffset32[2 * h]));
        A.Movq(A.a(&X->zNext32[2 * h]), MM(h));
    }
}

// The whole groups of the span from EDX = j + n lanes (one fewer after a
// head): EBX = minus their number, EDI and ESI moved past them; none goes to
// `none`.
void __glGenMmxGroupCount(Mmx& m, bool afterHead, GlOgNode* none) {
    GlOgAsm& A = m.A;
    A.Mov(EBX, EDX);
    A.Shr(EBX, A.i(2));
    if (afterHead) A.Dec(EBX), A.Je(none);
    if (m.unit() == 2) A.Add(EBX, EBX);
    A.Lea(EDI, A.mx(EDI, EBX, (GLuint)(m.groupBytes() / m.unit())));
    if (m.f.depth) A.Lea(ESI, A.mx(ESI, EBX, (GLuint)(8 / m.unit())));
    if (m.depth32()) A.Lea(ESI, A.mx(ESI, EBX, (GLuint)(8 / m.unit())));
    A.Neg(EBX);
}

// ---- A whole group of the loop.
// `passed`: every lane of the group passed the depth test (blockDepthTest),
// so the stored words take the group's depths.
void wholeGroup(Mmx& m, const GlOgMmxSubroutines& subs, bool passed) {
    GlOgAsm& A = m.A;
    GlOgNode* next = A.label();
    if (m.f.depth && !passed) __glGenMmxDepthTest(m, subs, next);
    if (m.f.depth && passed && !m.depth32() && m.storesDepth() && !m.blueInMm4) A.Movq(m.depths(), MM(4));
    GlOgNode* r;
    if (m.groupCalled()) {
        A.Call(subs.group);
        r = MM(0), m.high = MM(1);
    } else {
        r = __glGenMmxPixelGroup(m);
    }
    if (m.f.bytes == 1) A.Movd(m.pixels(), r);
    else A.Movq(m.pixels(), r);
    if (m.f.bytes == 4) A.Movq(m.pixels(8), m.high);
    A.place(next);
}

// The verdict of a block's depth test: to `failed` unless the masks of
// `kind` gathered in MM2 (16-bit lanes, or 32-bit ones) say that every lane
// passed. EDX changed.
void blockVerdict(Mmx& m, int kind, bool dwords, GlOgNode* failed) {
    GlOgAsm& A = m.A;
    if (dwords) A.Packssdw(MM(2), MM(2));
    else A.Packsswb(MM(2), MM(2));
    A.Movd(EDX, MM(2));
    if (kind == GL_OG_D_FAIL_MASK) A.Test(EDX, EDX);
    else A.Cmp(EDX, A.i(-1));
    A.Jne(failed);
}

// The depth test of groups `from` .. `groups` - 1 of a block (MM4 the
// first one's words) without writing: to `failed` unless every lane passes. MM0 to MM2 and EDX changed.
// 16-bit words at the start of a block (MM4 the words of its first group,
// X->z32 that group's walked values): the words of its groups 0 ..
// `groups` (the one after the block too) into X->blockWords, the walked
// values (MM1, MM2) stepped and their high halves taken (MM0, and MM3 or,
// textured, MM4); X->z32 then holds those of the group after the block.
// `spanLanes`: EDX holds the span's lanes from the block's start (j + n),
// and the pass stops after the words of the span's last group (a span that
// ends in its first block needs no more, nor X->z32 after it).
void blockWordsPass(Mmx& m, int groups, bool spanLanes = false) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    if (!m.f.depth || m.depth32()) return;
    GlOgNode* high = m.f.tex ? MM(4) : MM(3);
    GlOgNode* stop = A.label();
    A.Movq(A.a(X->blockWords[0]), MM(4));
    A.Movq(MM(1), A.a(&X->z32[0]));
    A.Movq(MM(2), A.a(&X->z32[2]));
    for (int g = 1; g <= groups; g++) {
        A.Paddd(MM(1), A.a(X->zStep32x4));
        A.Paddd(MM(2), A.a(X->zStep32x4));
        A.Pshufw13(MM(0), MM(1));
        A.Pshufw13(high, MM(2));
        A.Punpckldq(MM(0), high);
        A.Movq(A.a(X->blockWords[g]), MM(0));
        if (spanLanes && g < groups) A.Cmp(EDX, A.i(4 * (g + 1))), A.Jle(stop);
    }
    A.Movq(A.a(&X->z32[0]), MM(1));
    A.Movq(A.a(&X->z32[2]), MM(2));
    A.place(stop);
    if (m.f.tex) A.Movq(MM(4), A.a(X->blockWords[0]));
}

void blockDepthTest(Mmx& m, int from, int groups, GlOgNode* failed) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    const GLuint func = m.f.depth - 1;
    // The words of the block's groups, taken at its start.
    const auto words = [&](int g) { return A.a(X->blockWords[g]); };
    if (func == 7) return;  // GL_ALWAYS
    // An ordering function over a whole block: two groups' saturated
    // differences packed to bytes (zero where the word is zero), the pairs
    // gathered by their unsigned minimum (a zero fails) or their OR (a
    // non-zero fails). The second of a pair in MM3, or (textured, MM3 the
    // green lanes) in MM4, the block's first words kept in X->zFirst.
    if (from == 0 && groups % 2 == 0 && (func == 1 || func == 3 || func == 4 || func == 6)) {
        const bool storedFirst = func == 1 || func == 6;  // S - Z, else Z - S
        const bool zeroFails = func == 1 || func == 4;    // else a zero passes
        GlOgNode* second = m.f.tex ? MM(4) : MM(3);
        if (m.f.tex) A.Movq(A.a(X->zFirst), MM(4));
        for (int g = 0; g < groups; g++) {
            GlOgNode* r = g & 1 ? second : g ? MM(1) : MM(2);
            GlOgNode* z = g ? words(g) : MM(4);
            m.disp = g;
            if (storedFirst) A.Movq(r, m.depths()), A.Psubusw(r, z);
            else A.Movq(r, z), A.Psubusw(r, m.depths());
            if (!(g & 1)) continue;
            GlOgNode* pair = g > 1 ? MM(1) : MM(2);
            A.Packsswb(pair, second);
            if (g > 1 && zeroFails) A.Pminub(MM(2), MM(1));
            if (g > 1 && !zeroFails) A.Por(MM(2), MM(1));
        }
        m.disp = 0;
        if (zeroFails) A.Pcmpeqb(MM(2), A.q4(0));
        GlOgNode* lost = failed;
        if (m.f.tex) {
            // The checked copies take the block with its first words in MM4.
            lost = A.label();
            m.cold.push_back([&A, X, lost, failed] {
                A.place(lost);
                A.Movq(MM(4), A.a(X->zFirst));
                A.Jmp(failed);
            });
        }
        blockVerdict(m, GL_OG_D_FAIL_MASK, false, lost);
        if (m.f.tex && !m.blueInBlock()) A.Movq(MM(4), A.a(X->zFirst));
        m.zFirstKept = m.f.tex && m.blueInBlock();
        return;
    }
    int kind = GL_OG_D_NONE;
    for (int g = from; g < groups; g++) {
        m.disp = g;
        kind = __glOgEmitMmxDepth(A, func, false, g > from ? words(g) : MM(4), [&] { return m.depths(); }, MM(1),
                                  g > from ? MM(1) : MM(2));
        if (g > from && kind == GL_OG_D_FAIL_MASK) A.Por(MM(2), MM(1));
        if (g > from && kind == GL_OG_D_PASS_MASK) A.Pand(MM(2), MM(1));
    }
    m.disp = 0;
    blockVerdict(m, kind, false, failed);
}

// Every lane of groups `from` .. `groups` - 1 of the block passed: their
// depths stored (the words of X->blockWords), the words after the block in
// X->zAfter, and the blue lanes loaded into MM4. MM0 changed.
void blockDepthWrite(Mmx& m, int from, int groups) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    m.zFirstKept = false;
    for (int g = from; g <= groups; g++) {
        A.Movq(MM(0), A.a(X->blockWords[g]));
        m.disp = g;
        if (m.storesDepth() && g < groups) A.Movq(m.depths(), MM(0));
    }
    m.disp = 0;
    A.Movq(A.a(X->zAfter), MM(0));
    A.Movq(MM(4), A.a(X->lanes[2]));
}

// The values of group g of a block over 32-bit depth in MM0 (lanes 0 and
// 1) and MM1 (2 and 3), stepped from group g - 1's (from: X->z32; after
// copy 0 the new group of 32's lanes take over, as __glGenMmxStepGroup
// steps them), each half xored with `bias`: 2^31 (the same as adding it,
// so the biased lanes step up), 2^31 - 1 (2^31 - 1 - v: they step down) or 0.
void blockLanes32(Mmx& m, int from, int g, GLuint bias) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    for (int h = 0; h < 2; h++) {
        GlOgNode* r = MM(h);
        if (g == from || (g == 1 && from == 0)) {
            A.Movq(r, A.a(g == from ? &X->z32[2 * h] : &X->zNext32[2 * h]));
            if (g != from) A.Paddd(r, A.a(X->zStep32x4));
            if (bias) A.Pxor(r, A.qd(bias, bias));
        } else if (bias == 0x7FFFFFFFu) {
            A.Psubd(r, A.a(X->zStep32x4));
        } else {
            A.Paddd(r, A.a(X->zStep32x4));
        }
    }
}

// The depth test of groups `from` .. `groups` - 1 of a block over 32-bit
// depth, without writing: to `failed` unless every lane passes. Unsigned
// compares: both sides xored with 2^31 when the stored value is the greater
// side of the mask, else with 2^31 - 1 (which turns the signed order
// round), so the stored values are always the compare's destination.
// EAX = EBX x 8; MM0 to MM2, MM4 and EDX changed.
void blockDepthTest32(Mmx& m, int from, int groups, GlOgNode* failed) {
    GlOgAsm& A = m.A;
    const GLuint func = m.f.depth - 1;
    const int kind = depthKind32(func);
    if (m.unit() == 1) A.Lea(EAX, A.mx(nullptr, EBX, 8));
    if (kind == GL_OG_D_NONE) return;  // GL_ALWAYS
    const bool equality = depthEquality32(func), storedGreater = depthStoredGreater32(func);
    const GLuint bias = equality ? 0 : storedGreater ? 0x80000000u : 0x7FFFFFFFu;
    for (int g = from; g < groups; g++) {
        blockLanes32(m, from, g, bias);
        m.disp = g;
        for (int h = 0; h < 2; h++) {
            GlOgNode* mask = g == from && h == 0 ? MM(2) : MM(4);
            A.Movq(mask, m.depths32(h));
            if (bias) A.Pxor(mask, A.qd(bias, bias));
            if (equality) A.Pcmpeqd(mask, MM(h));
            else A.Pcmpgtd(mask, MM(h));
            if (mask == MM(2)) continue;
            if (kind == GL_OG_D_FAIL_MASK) A.Por(MM(2), MM(4));
            else A.Pand(MM(2), MM(4));
        }
    }
    m.disp = 0;
    blockVerdict(m, kind, true, failed);
}

// Every lane of groups `from` .. `groups` - 1 of the block passed (EAX =
// EBX x 8): their 32-bit depths stored, X->z32 the lanes after the block,
// and under a modulated texture the blue lanes loaded into MM4. MM0 and
// MM1 changed.
void blockDepthWrite32(Mmx& m, int from, int groups) {
    GlOgAsm& A = m.A;
    for (int g = from; g <= groups; g++) {
        blockLanes32(m, from, g, 0);
        m.disp = g;
        for (int h = 0; h < 2 && m.storesDepth() && g < groups; h++) A.Movq(m.depths32(h), MM(h));
    }
    m.disp = 0;
    for (int h = 0; h < 2; h++) A.Movq(A.a(&m.X->z32[2 * h]), MM(h));
    if (m.blueInBlock()) A.Movq(MM(4), A.a(m.X->lanes[2]));
}

// The depth of an unchecked block from copy `from`: tested (to `failed`
// unless every lane passes), then stored ahead where the copies do not
// store it themselves.
void blockDepth(Mmx& m, int from, int groups, GlOgNode* failed) {
    if (m.depth32()) {
        blockDepthTest32(m, from, groups, failed);
        blockDepthWrite32(m, from, groups);
    } else {
        blockDepthTest(m, from, groups, failed);
        if (m.blueInBlock()) blockDepthWrite(m, from, groups);
    }
}

// The depth test of a whole group: stored words updated; every lane passing
// goes on, none to `next`, some through the masked-store subroutine (out of
// the loop's way) to `next`. EDX, MM0 and MM1 changed.
void __glGenMmxDepthTest(Mmx& m, const GlOgMmxSubroutines& subs, GlOgNode* next) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    int kind;
    if (m.depth32()) {
        A.Call(subs.depth);
        kind = depthKind32(f.depth - 1);
        if (kind == GL_OG_D_NONE) return;
    } else {
        kind = __glOgEmitMmxDepth(A, f.depth - 1, f.depthWrite, MM(4), [&] { return m.depths(); }, MM(0), MM(1));
        if (kind == GL_OG_D_NONE) return;
        A.Packsswb(MM(1), MM(1));
        A.Movd(EDX, MM(1));
    }
    GlOgNode* some = A.label();
    if (kind == GL_OG_D_FAIL_MASK) A.Test(EDX, EDX);
    else A.Cmp(EDX, A.i(-1));
    A.Jne(some);
    const GLint disp = m.disp * m.unit();
    m.cold.push_back([&A, &f, X, some, next, kind, &subs, disp] {
        A.place(some);
        // None passed: nothing more; else the passing lanes' mask.
        if (kind == GL_OG_D_FAIL_MASK) A.Cmp(EDX, A.i(-1)), A.Je(next), A.Not(EDX);
        else A.Test(EDX, EDX), A.Je(next);
        if (f.bytes == 1) {
            A.Mov(A.a(X->mask), EDX);
        } else {
            A.Movd(MM(1), EDX);
            A.Punpcklbw(MM(1), MM(1));
            if (f.bytes == 4) {  // a doubleword a lane
                A.Movq(MM(2), MM(1));
                A.Punpcklwd(MM(1), MM(1));
                A.Punpckhwd(MM(2), MM(2));
                A.Movq(A.a(X->mask32), MM(2));
            }
            A.Movq(A.a(X->mask), MM(1));
        }
        if (disp) A.Add(EBX, A.i(disp));
        A.Call(subs.masked);
        if (disp) A.Sub(EBX, A.i(disp));
        A.Jmp(next);
    });
}

// What the 32-bit depth test's mask holds for function func (- GL_NEVER):
// GL_LESS passes where stored > new, GL_GREATER where new > stored, GL_EQUAL
// where they are equal; GL_LEQUAL fails where new > stored, GL_GEQUAL where
// stored > new, GL_NOTEQUAL where they are equal.
int depthKind32(GLuint func) {
    return func == 7 ? GL_OG_D_NONE : func == 1 || func == 2 || func == 4 ? GL_OG_D_PASS_MASK : GL_OG_D_FAIL_MASK;
}
// The mask compares equality (GL_EQUAL, GL_NOTEQUAL); else stored > new
// (GL_LESS, GL_GEQUAL) or new > stored.
bool depthEquality32(GLuint func) { return func == 2 || func == 5; }
bool depthStoredGreater32(GLuint func) { return func == 1 || func == 6; }

// The 32-bit depth test of a whole group (X->z32 against the stored words,
// unsigned: both biased by 2^31 for the signed compares), the stored words
// updated; the mask of the lanes as four 16-bit lanes in MM1 (what
// __glOgEmitMmxDepth leaves), its meaning (depthKind32) returned. EAX, MM0
// to MM2 and MM4 changed.
// The stored values of two walked 32-bit lanes r: (v >> shift) + the
// generation.
void storedLanes(Mmx& m, GlOgNode* r) {
    if (!m.f.depthShift) return;
    m.A.Psrld(r, m.A.i(m.f.depthShift));
    m.A.Paddd(r, m.A.a(m.X->zGeneration));
}

int depthTest32(Mmx& m) {
    GlOgAsm& A = m.A;
    GlOgMmxFillScratch* X = m.X;
    const GLuint func = m.f.depth - 1;
    const bool write = m.f.depthWrite;
    const int kind = depthKind32(func);
    if (m.unit() == 1) A.Lea(EAX, A.mx(nullptr, EBX, 8));
    if (kind == GL_OG_D_NONE) {  // GL_ALWAYS
        for (int h = 0; write && h < 2; h++) {
            A.Movq(MM(0), A.a(&X->z32[2 * h]));
            storedLanes(m, MM(0));
            A.Movq(m.depths32(h), MM(0));
        }
        return kind;
    }
    const bool equality = depthEquality32(func), storedGreater = depthStoredGreater32(func);
    for (int h = 0; h < 2; h++) {
        GlOgNode* mask = h ? MM(4) : MM(1);
        A.Movq(MM(0), A.a(&X->z32[2 * h]));
        storedLanes(m, MM(0));
        A.Movq(MM(2), m.depths32(h));
        if (!equality) {
            A.Pxor(MM(0), A.qd(0x80000000u, 0x80000000u));
            A.Pxor(MM(2), A.qd(0x80000000u, 0x80000000u));
        }
        A.Movq(mask, equality || !storedGreater ? MM(0) : MM(2));
        if (equality) A.Pcmpeqd(mask, MM(2));
        else A.Pcmpgtd(mask, storedGreater ? MM(0) : MM(2));
        if (!write || func == 2) continue;  // GL_EQUAL: a passing lane holds its value
        if (func == 5) {  // GL_NOTEQUAL: the failing lanes hold the new value already
            A.Movq(m.depths32(h), MM(0));
            continue;
        }
        // Passing: stored ^ ((stored ^ new) & mask); failing: new ^ ((new ^ stored) & mask).
        GlOgNode* kept = kind == GL_OG_D_PASS_MASK ? MM(2) : MM(0);
        GlOgNode* other = kind == GL_OG_D_PASS_MASK ? MM(0) : MM(2);
        A.Pxor(other, kept);
        A.Pand(other, mask);
        A.Pxor(kept, other);
        A.Pxor(kept, A.qd(0x80000000u, 0x80000000u));
        A.Movq(m.depths32(h), kept);
    }
    A.Packssdw(MM(1), MM(4));
    return kind;
}

// ---- The span (ESI its pixels, at least 1).
void __glGenMmxSpan(Mmx& m, const GlOgMmxSubroutines& subs) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    if (f.depth == 1) return;  // GL_NEVER: nothing drawn, nothing written
    A.Mov(A.a(&X->savedCount), ESI);
    if (f.mip) spanLevels(m);
    // EDI the group of the first pixel, ECX its lane j.
    A.Mov(EDI, m.fr(GL_OG_SPAN_DEST));
    A.Mov(ECX, EDI);
    A.And(ECX, A.i(m.groupBytes() - 1));
    if (f.bytes == 2) A.Shr(ECX, A.i(1));
    if (f.bytes == 4) A.Shr(ECX, A.i(2));
    A.And(EDI, A.i(-m.groupBytes()));
    // The row's dither lanes: EDX = (y & 3) x 4 + (x - j) & 3.
    if (f.dither) {
        A.Mov(EDX, m.fr(GL_OG_SPAN_Y));
        A.And(EDX, A.i(3));
        A.Shl(EDX, A.i(2));
        A.Mov(EAX, m.fr(GL_OG_SPAN_X));
        A.Sub(EAX, ECX);
        A.And(EAX, A.i(3));
        A.Or(EDX, EAX);
    }
    const auto ditherRow = [&](int c) { return A.ax(__glMmxDitherLanes[f.bits[c]][0][0], EDX, 8); };
    // Colour lanes.
    const GLint values[3] = {GL_OG_SPAN_RED, GL_OG_SPAN_GREEN, GL_OG_SPAN_BLUE};
    if (!f.tex && !f.smooth && !f.dither && !f.blend) {
        A.Movd(MM(7), m.fr(GL_OG_SPAN_FLAT_PIXEL));
        if (f.bytes == 4) {
            A.Punpckldq(MM(7), MM(7));
            A.Movq(MM(6), MM(7));
        } else {
            if (f.bytes == 1) A.Punpcklbw(MM(7), MM(7));
            __glOgMmxSplat(m, MM(7), nullptr);
        }
    } else if (f.fragmentColor()) {
        const auto reg = [&](int c) { return !f.tex || !c ? MM(5 + c) : c == 1 ? MM(3) : MM(2); };
        // Two channels of one shift start in one register's halves.
        int pa = 0, pb = 2;
        if (f.shift(0) == f.shift(1)) pb = 1;
        else if (f.shift(1) == f.shift(2)) pa = 1;
        const bool paired = f.shift(pa) == f.shift(pb);
        if (paired) {
            GlOgNode* ra = reg(pa), *rb = reg(pb);
            A.Movd(ra, m.fr(values[pa]));
            A.Movd(rb, m.fr(values[pb]));
            A.Punpckldq(ra, rb);
            if (f.shift(pa)) A.Pslld(ra, A.i(f.shift(pa)));
            __glOgMmxBiasNeg32(m, ra, MM(1), 16);
            A.Psrad(ra, A.i(16));
            A.Packssdw(ra, ra);
            A.Pshufw1(rb, ra);
            A.Pshufw0(ra, ra);
        }
        for (int c = 0; c < 3; c++) {
            GlOgNode* r = reg(c);
            if (!paired || (c != pa && c != pb)) startLanes(m, r, m.fr(values[c]), f.shift(c), true, MM(1));
            if (f.colorSteps()) A.Paddw(r, A.ax(X->offsets[c][0], ECX, 8));
            if (!f.tex && f.dither && !f.blend) A.Paddsw(r, ditherRow(c));
            if (c == 0 && m.redUp()) A.Psllw(r, A.i(m.redUp()));
            if (f.tex && c == 2) A.Movq(A.a(X->lanes[2]), r);
        }
        if (m.constantGroup()) {  // MM7 the group (four-byte pixels: 0 and 1, MM6 2 and 3)
            GlOgNode* r = pack(m, MM(5), MM(6), MM(7), 14);
            if (r != MM(7)) A.Movq(MM(7), r);
        }
    }
    if (f.alpha) {
        startLanes(m, MM(2), m.fr(GL_OG_SPAN_ALPHA), 6, true, MM(1));
        if (f.alphaSteps()) A.Paddw(MM(2), A.ax(X->offsets[GL_MMX_A][0], ECX, 8));
        A.Movq(A.a(X->alpha), MM(2));
    }
    if ((f.tex || f.blend) && f.dither)
        for (int c = 0; c < 3; c++) {
            A.Movq(MM(0), ditherRow(c));
            if (c == 0 && m.redUp()) A.Psllw(MM(0), A.i(m.redUp()));
            A.Movq(A.a(X->dither[c]), MM(0));
        }
    if (f.tex) {
        // s and t; under perspective their steps are the span's.
        const GLint from[2] = {GL_OG_SPAN_S, GL_OG_SPAN_T}, steps[2] = {GL_OG_SPAN_S_STEP, GL_OG_SPAN_T_STEP};
        // Under perspective the steps are the span's: their lanes made again
        // only when they differ from those the scratch holds.
        GlOgNode* made = A.label(), *ready = A.label();
        if (f.perspective) {
            A.Cmp(A.a(&X->texStepValid), A.i(0));
            A.Je(made);
            for (int i = 0; i < 2; i++) {
                A.Mov(EAX, m.fr(steps[i]));
                A.Cmp(EAX, A.a(&X->texStepKey[i]));
                A.Jne(made);
            }
            for (int i = 0; i < 2; i++) {
                startLanes(m, MM(6 + i), m.fr(from[i]), 16 - (i ? f.heightLog2 : f.widthLog2), false, MM(1));
                A.Paddw(MM(6 + i), A.ax(X->offsets[GL_MMX_S + i][0], ECX, 8));
            }
            interleaveTexLanes(m, false);
            A.Jmp(ready);
            A.place(made);
        }
        for (int i = 0; i < 2; i++) {
            const GLint shift = 16 - (i ? f.heightLog2 : f.widthLog2);
            GlOgNode* r = MM(6 + i);
            if (f.perspective) stepLanes(m, m.fr(steps[i]), shift, X->step[GL_MMX_S + i], X->offsets[GL_MMX_S + i]);
            startLanes(m, r, m.fr(from[i]), shift, false, MM(1));
            A.Paddw(r, A.ax(X->offsets[GL_MMX_S + i][0], ECX, 8));
        }
        interleaveTexLanes(m, f.perspective);
        if (f.perspective) {
            for (int i = 0; i < 2; i++) A.Mov(EAX, m.fr(steps[i])), A.Mov(A.a(&X->texStepKey[i]), EAX);
            A.Mov(A.a(&X->texStepValid), A.i(1));
            A.place(ready);
        }
        if (!m.sites) A.Mov(EBP, A.a(&X->texels));
    }
    if (f.depth) {
        // The lane offsets of lane j, the walked values of the first group
        // (and of its group of 32), the lanes from j on; ESI the stored
        // value of lane 0 of the first group (16-bit: MM4 its words).
        // 16-bit words: the later groups of 32 need neither the offsets nor
        // the lanes from j (their values run on unbroken).
        A.Mov(EDX, ECX);
        A.Shl(EDX, A.i(4));
        if (m.depth32()) {
            for (int h = 0; h < 2; h++) {
                A.Movq(MM(0), A.ax(&X->zOffsets32[0][2 * h], EDX, 1));
                A.Movq(A.a(&X->zOffset32[2 * h]), MM(0));
            }
            A.Mov(EAX, m.fr(GL_OG_SPAN_Z));
            A.Mov(A.a(&X->zGroup), EAX);
            depthLanes32(m);
        } else {
            A.Mov(EAX, m.fr(GL_OG_SPAN_Z));
            storedDepth(m);
            A.Movd(MM(0), EAX);
            A.Punpckldq(MM(0), MM(0));
            A.Movq(MM(1), MM(0));
            for (int h = 0; h < 2; h++) A.Paddd(MM(h), A.ax(&X->zOffsets32[0][2 * h], EDX, 1));
        }
        A.Movq(A.a(&X->z32[0]), MM(0));
        A.Movq(A.a(&X->z32[2]), MM(1));
        if (m.depth32()) {
            A.Movq(MM(0), A.ax(__glMmxLanesFrom[0], ECX, 8));
            A.Movq(MM(1), MM(0));
            A.Punpcklwd(MM(0), MM(0));
            A.Punpckhwd(MM(1), MM(1));
            A.Movq(A.a(&X->zHigh32[0]), MM(0));
            A.Movq(A.a(&X->zHigh32[2]), MM(1));
        } else {
            A.Movq(MM(4), MM(0));
            depthWordsOf(m, MM(4), MM(1));
        }
        A.Mov(ESI, m.fr(GL_OG_SPAN_DEPTH_ADDRESS));
        A.Lea(EAX, A.mx(nullptr, ECX, m.f.depthBytes));
        A.Sub(ESI, EAX);
    }
    // EDX = lanes to the span's end, j + n.
    A.Mov(EDX, A.a(&X->savedCount));
    A.Add(EDX, ECX);
    GlOgNode* noHead = A.label(), *end = A.label(), *tail = A.label(), *loopDone = A.label();
    GlOgNode* body[8];
    const int copies = __glMmxLoopCopies(f);
    const bool blocks = f.depth != 0;  // copy 0 starts a group of 32
    for (GlOgNode*& b : body) b = A.label();
    GlOgNode* boundary = A.label();
    // Whole blocks of 32 pixels run the unchecked block, from a block's
    // start or from copy 1 after the head.
    // (Not over 32-bit words whose values shift: their groups store
    // shifted copies of the walked lanes.)
    const bool unchecked =
        blocks && !f.paletteBytes && !f.blend && !f.twoLevels && !(m.depth32() && f.depthShift);
    GlOgNode* fastBoundary = A.label(), *fastBody = A.label();
    GlOgNode* fastAfterHead = A.label(), *fastCopy1 = A.label();
    // Head: lanes j .. min(j + n, 4) of the first group.
    {
        GlOgNode* head = A.label(), *masked = A.label(true);
        A.Test(ECX, ECX);
        A.Jne(head);
        A.Cmp(EDX, A.i(4));
        A.Jge(noHead);
        A.place(head);
        A.Mov(EAX, A.ax(__glMmxHeadMasks, ECX, 4));
        A.Cmp(EDX, A.i(4));
        A.Jge(masked);
        A.And(EAX, A.ax(__glMmxTailMasks, EDX, 4));
        A.place(masked);
        A.Mov(A.a(&X->count), EDX);
        A.Mov(EDX, EAX);
        A.Call(subs.partial);
        const bool words = f.depth && !m.depth32();
        if (!words) __glGenMmxStepGroup(m, false);
        A.Add(EDI, A.i(m.groupBytes()));
        if (f.depth) A.Add(ESI, A.i(m.depthGroupBytes()));
        A.Mov(EDX, A.a(&X->count));
        A.Cmp(EDX, A.i(4));
        A.Jle(end);
        if (words) {
            // The head is copy 0 of its block.
            blockWordsPass(m, copies, true);
            m.copy = 0;
            __glGenMmxStepGroup(m, false);
        }
        // Whole groups after the head: (j + n) / 4 - 1, from copy 1.
        __glGenMmxGroupCount(m, true, tail);
        if (unchecked) {
            A.Cmp(EBX, A.i((1 - copies) * m.unit()));
            A.Jle(fastAfterHead);
        }
        A.Jmp(body[copies > 1 ? 1 : 0]);
    }
    A.place(noHead);
    A.Mov(A.a(&X->count), EDX);
    blockWordsPass(m, copies, true);
    __glGenMmxGroupCount(m, false, nullptr);
    if (unchecked) {
        A.Cmp(EBX, A.i(-copies * m.unit()));
        A.Jle(fastBody);
    }
    A.Jmp(body[0]);
    // A group of copy c, then the lanes of the next.
    const auto group = [&](int c, bool passed) {
        m.copy = c;
        wholeGroup(m, subs, passed);
        __glGenMmxStepGroup(m, c == 0 && blocks);
        // The copies after which a perspective sub-span may end (the span's flags say).
        if (f.perspective && (c & 3) % 3 == 0) {
            GlOgNode* reload = A.label(), *back = A.label();
            A.Test(A.a(&X->subAt[c]), A.i(0xFF));
            A.Jne(reload);
            A.place(back);
            m.cold.push_back([&A, reload, back, &subs] {
                A.place(reload);
                A.Call(subs.reload);
                A.Jmp(back);
            });
        }
    };
    // The unchecked block: eight copies at EBX + c, one count a block, one
    // depth test.
    if (unchecked) {
        // After the head: EBX one group back, copies 1 to 7.
        GlOgNode* headFailed = A.label();
        A.place(fastAfterHead);
        m.stepGroups(-1);
        blockDepth(m, 1, copies, headFailed);
        A.Jmp(fastCopy1);
        A.place(headFailed);
        m.stepGroups(1);
        A.Jmp(body[1]);
        A.place(fastBoundary);
        newDepthGroup(m);
        blockWordsPass(m, copies);
        A.place(fastBody);
        // Every lane of the block passing, the groups store their depths
        // unchecked; else the checked loop takes the block.
        blockDepth(m, 0, copies, body[0]);
        m.blueInMm4 = m.blueInBlock();
        m.depthAhead = m.depth32();
        for (int c = 0; c < copies; c++) {
            if (c == 1) A.place(fastCopy1);
            m.disp = c;
            group(c, true);
        }
        m.disp = 0;
        if (m.blueInMm4) {
            A.Movq(A.a(X->lanes[2]), MM(4));
            if (!m.depth32()) A.Movq(MM(4), A.a(X->zAfter));
        }
        m.blueInMm4 = m.depthAhead = false;
        m.stepGroups(copies);
        A.Cmp(EBX, A.i(-copies * m.unit()));
        A.Jle(fastBoundary);
        A.Test(EBX, EBX);
        A.Jne(boundary);
        newDepthGroup(m);  // the tail may start a group of 32
        A.Jmp(loopDone);
    }
    // The checked loop.
    for (int c = 0; c < copies; c++) {
        if (c == 0 && blocks) {
            A.place(boundary);
            if (unchecked) {
                A.Cmp(EBX, A.i(-copies * m.unit()));
                A.Jle(fastBoundary);
            }
            newDepthGroup(m);
            blockWordsPass(m, copies);
        }
        A.place(body[c]);
        group(c, false);
        m.stepGroups(1);
        if (c < copies - 1) {
            A.Je(loopDone);
        } else {
            A.Jne(blocks ? boundary : body[0]);
            if (blocks) newDepthGroup(m);  // the tail may start a group of 32
        }
    }
    A.place(loopDone);
    // Tail: lanes 0 .. (j + n) & 3 of the group after the whole ones.
    A.place(tail);
    A.Mov(EDX, A.a(&X->count));
    A.And(EDX, A.i(3));
    A.Je(end);
    A.Mov(EDX, A.ax(__glMmxTailMasks, EDX, 4));
    A.Call(subs.partial);
    A.Jmp(end);
    for (auto& e : m.cold) e();
    m.cold.clear();
    A.place(end);
    A.Emms();
    A.Mov(EBP, ESP);
    A.Mov(ESI, A.a(&X->savedCount));
}

// ---- The subroutines (no frame: ESP is a return address off).
void __glGenMmxSubroutineCode(Mmx& m, const GlOgMmxSubroutines& subs) {
    GlOgAsm& A = m.A;
    const GlMmxFill& f = m.f;
    GlOgMmxFillScratch* X = m.X;
    if (f.depth == 1) return;
    // 32-bit depth: the test of a whole group (EBX and ESI the loop's).
    if (m.depth32()) {
        A.place(subs.depth);
        if (depthTest32(m) != GL_OG_D_NONE) {
            A.Packsswb(MM(1), MM(1));
            A.Movd(EDX, MM(1));
        }
        A.Ret();
    }
    // Partial group: EDI its pixels, ESI its depth words, EDX the byte
    // mask of its live lanes. EBX, EBP and the lanes kept.
    A.place(subs.partial);
    if (f.depth) {
        const bool wide = m.depth32();
        if (!wide) A.Movq(A.a(X->words), MM(4));
        for (int l = 0; l < 4; l++) {
            GlOgNode* skip = A.label(true), *fail = A.label(true);
            A.Test(EDX, A.i((GLint)(0xFFu << 8 * l)));
            A.Je(skip);
            if (wide) {
                A.Mov(EAX, A.a(&X->z32[l]));
                if (f.depthShift) A.Shr(EAX, A.i(f.depthShift)), A.Add(EAX, A.a(&X->zGeneration[0]));
            } else {
                A.Movzx16(EAX, A.a(&X->words[l]));
            }
            if (f.depth - 1 != 7) {
                if (wide) A.Cmp(EAX, A.m(ESI, 4 * l));
                else A.w16(GL_OG_Cmp, EAX, A.m(ESI, 2 * l));
                switch (f.depth - 1) {
                case 1: A.Jae(fail); break;
                case 2: A.Jne(fail); break;
                case 3: A.Ja(fail); break;
                case 4: A.Jbe(fail); break;
                case 5: A.Je(fail); break;
                default: A.Jb(fail); break;
                }
            }
            if (f.depthWrite && wide) A.Mov(A.m(ESI, 4 * l), EAX);
            else if (f.depthWrite) A.w16(GL_OG_Mov, A.m(ESI, 2 * l), EAX);
            A.Jmp(skip);
            A.place(fail);
            A.And(EDX, A.i((GLint)~(0xFFu << 8 * l)));
            A.place(skip);
        }
        GlOgNode* some = A.label(true);
        A.Test(EDX, EDX);
        A.Jne(some);
        A.Ret();
        A.place(some);
    }
    A.Mov(A.a(&X->laneMask), EDX);
    m.atEdi = true;
    GlOgNode* r = __glGenMmxPixelGroup(m);
    m.atEdi = false;
    if (f.bytes == 2) {
        // The live lanes' bytes stored under their mask at EDI (the group is
        // aligned: the masked bytes lie in the page of the live ones).
        GlOgNode* mask = r == MM(1) ? MM(2) : MM(1);
        A.Movd(mask, A.a(&X->laneMask));
        A.Punpcklbw(mask, mask);
        A.Maskmovq(r, mask);
        A.Ret();
    }
    if (f.bytes == 1) A.Movd(A.a(X->pixels), r);
    else if (f.bytes == 4) A.Movq(A.a(&X->pixels32[0]), r), A.Movq(A.a(&X->pixels32[2]), m.high);
    for (int l = 0; l < 4 && f.bytes != 2; l++) {
        GlOgNode* skip = A.label(true);
        A.Test(A.a(&X->laneMask), A.i((GLint)(0xFFu << 8 * l)));
        A.Je(skip);
        if (f.bytes == 1) {
            A.Movzx8(EAX, A.a((const uint8_t*)X->pixels + l));
            A.Mov(A.m(EDI, l), AL);
        } else if (f.bytes == 4) {
            A.Mov(EAX, A.a(&X->pixels32[l]));
            A.Mov(A.m(EDI, 4 * l), EAX);
        } else {
            A.Movzx16(EAX, A.a(&X->pixels[l]));
            A.w16(GL_OG_Mov, A.m(EDI, 2 * l), EAX);
        }
        A.place(skip);
    }
    A.Ret();
    // Whole group some of whose lanes passed the depth test: the
    // passing lanes' mask in X->mask.
    if (m.groupCalled()) {
        // A whole group's colour, at the loop's EDI and EBX.
        A.place(subs.group);
        GlOgNode* r = __glGenMmxPixelGroup(m);
        GlOgNode* high = m.high;
        if (f.bytes == 4 && r == MM(1) && high == MM(0)) {
            A.Movq(MM(2), MM(1)), A.Movq(MM(1), MM(0)), A.Movq(MM(0), MM(2));
        } else if (f.bytes == 4 && r == MM(1)) {
            A.Movq(MM(0), MM(1));
            if (high != MM(1)) A.Movq(MM(1), high);
        } else {
            if (r != MM(0)) A.Movq(MM(0), r);
            if (f.bytes == 4 && high != MM(1)) A.Movq(MM(1), high);
        }
        A.Ret();
    }
    A.place(subs.masked);
    if (f.depth && f.bytes == 4) {
        // Each half under its mask (MM0 neither half's register).
        GlOgNode* r[2] = {__glGenMmxPixelGroup(m), m.high};
        if (r[0] == MM(7)) {  // the row's group: changed in copies
            A.Movq(MM(1), MM(7)), A.Movq(MM(2), MM(6));
            r[0] = MM(1), r[1] = MM(2);
        }
        for (int h = 0; h < 2; h++) {
            A.Movq(MM(0), m.pixels(8 * h));
            A.Pxor(r[h], MM(0));
            A.Pand(r[h], A.a(h ? X->mask32 : X->mask));
            A.Pxor(r[h], MM(0));
            A.Movq(m.pixels(8 * h), r[h]);
        }
    } else if (f.depth) {
        GlOgNode* r = __glGenMmxPixelGroup(m);
        if (r != MM(0)) A.Movq(MM(0), r);
        if (f.bytes == 1) {
            A.Movd(EAX, MM(0));
            A.Mov(ECX, m.pixels());
            A.Xor(EAX, ECX);
            A.And(EAX, A.a(X->mask));
            A.Xor(EAX, ECX);
            A.Mov(m.pixels(), EAX);
        } else {
            A.Movq(MM(1), m.pixels());
            A.Pxor(MM(0), MM(1));
            A.Pand(MM(0), A.a(X->mask));
            A.Pxor(MM(0), MM(1));
            A.Movq(m.pixels(), MM(0));
        }
    }
    A.Ret();
    if (f.filtered()) {
        A.place(subs.filter);
        filterTexels(m);
        if (f.magSeparate()) {
            // Level 0's texels of the magnification filter, through the loads
            // of the first level read (level 0 when magnified).
            A.place(subs.filterMag);
            filterTexels(m, true);
            if (!A.failed) subs.filterProcs[0] = A.addressOf(subs.filter), subs.filterProcs[1] = A.addressOf(subs.filterMag);
        }
    }
    // The next perspective sub-span (it starts a group): s and t lanes from
    // its entry, their steps.
    if (f.perspective) {
        A.place(subs.reload);
        A.Mov(EAX, A.a(&X->subNext));
        for (int i = 0; i < 2; i++) {
            const GLint shift = 16 - (i ? f.heightLog2 : f.widthLog2);
            stepLanes(m, A.m(EAX, 8 * i + 4), shift, X->step[GL_MMX_S + i], nullptr, true);
            startLanes(m, MM(6 + i), A.m(EAX, 8 * i), shift, false, MM(0));
            A.Paddw(MM(6 + i), MM(1));
        }
        interleaveTexLanes(m, true);
        A.Mov(A.a(&X->texStepValid), A.i(0));  // the steps are the sub-span's
        A.Add(A.a(&X->subNext), A.i(16));
        A.Ret();
    }
}
}  // namespace

void __glGenMmxTriangle(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, const GlOgMmxSubroutines& subs) {
    Mmx m(gc, k, A, subs);
    __glGenMmxTriangleCode(m);
}

void __glGenMmxSpanProc(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, const GlOgMmxSubroutines& subs) {
    Mmx m(gc, k, A, subs);
    __glGenMmxSpan(m, subs);
}

void __glGenMmxSubroutines(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, const GlOgMmxSubroutines& subs) {
    Mmx m(gc, k, A, subs);
    __glGenMmxSubroutineCode(m, subs);
}

bool __glOgMmxTexelSites(const GlOgRasterKey* k) {
    GlMmxFill f;
    __glMmxFillOf(k, &f);
    return Mmx::texelIndexed(f) && (f.texelBytes == 3 || f.filtered());
}

GLint __glOgMmxLevelCount(const GlOgRasterKey* k) {
    const GLint a0 = (GLint)(k->fill[FILL_TEX_LOG2] & 0xFF), b0 = (GLint)(k->fill[FILL_TEX_LOG2] >> 8 & 0xFF);
    return (a0 > b0 ? a0 : b0) + 1;
}

void __glOgMmxLevels(const GlOgRasterKey* k, GlOgMmxLevel* levels) {
    const GLint a0 = (GLint)(k->fill[FILL_TEX_LOG2] & 0xFF), b0 = (GLint)(k->fill[FILL_TEX_LOG2] >> 8 & 0xFF);
    const GLint bytes = (GLint)(k->fill[FILL_TEX_LAYOUT] & GL_MMX_TEXEL_BYTES);
    for (GLint d = 0; d < __glOgMmxLevelCount(k); d++) {
        GlOgMmxLevel* l = &levels[d];
        memset(l, 0, sizeof *l);
        const GLint a = a0 > d ? a0 - d : 0, b = b0 > d ? b0 - d : 0;
        for (int i = 0; i < 4; i++) {
            l->half[0][i] = (GLushort)(0x8000 >> a), l->half[1][i] = (GLushort)(0x8000 >> b);
            l->widthMask[i] = (GLushort)((1 << a) - 1), l->heightMask[i] = (GLushort)((1 << b) - 1);
            // u above ((side - 1) << (16 - log2 side)) - 1: the last column or row.
            l->edge[0][i] = a ? (GLushort)((((1 << a) - 1) << (16 - a)) - 1) : 0xFFFF;
            l->edge[1][i] = b ? (GLushort)((((1 << b) - 1) << (16 - b)) - 1) : 0xFFFF;
        }
        l->toColumn[0] = (GLuint)(16 - a), l->toRow[0] = (GLuint)(16 - b);
        l->widthLog2[0] = (GLuint)a, l->heightLog2[0] = (GLuint)b;
        const GLint column = a ? bytes : 0, row = b ? bytes << a : 0;
        l->cornerOffset[0] = 0, l->cornerOffset[1] = column, l->cornerOffset[2] = row, l->cornerOffset[3] = column + row;
    }
}

void __glOgMmxInitSites(const GlOgRasterKey* k, GlOgTexelSites* t) {
    memset(t, 0, sizeof *t);
    t->base = 0x10000;  // any address of a level: above 127, every displacement takes 32 bits
    GlOgMmxLevel level0[GL_OG_MMX_LEVELS];
    __glOgMmxLevels(k, level0);
    memcpy(t->offset, level0[0].cornerOffset, sizeof t->offset);
}

void __glGenMmxLevelPieces(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A) {
    GlOgRasterScratch* S = __glOgScratch(gc);
    GlMmxFill f;
    __glMmxFillOf(k, &f);
    const auto sp = [&](GLint field) { return A.m(EBP, field); };
    GlOgNode* done = A.label(), *rising = A.label(true), *bound = A.label(true), *least = A.label(true),
              *most = A.label(true);
    A.Mov(A.a(&S->pieceCut), A.i(0));
    A.Lea(EAX, A.m(ESI, -1));
    A.Test(EAX, EAX);
    A.Je(done);
    A.Mov(A.a(&S->pieceLast), EAX);
    // L at the last pixel: (lod + (n - 1) dlod) / (q + (n - 1) dq).
    A.Fild32(A.a(&S->pieceLast));
    A.FmulS(sp(GL_OG_SPAN_TEX_Q_STEP));
    A.FaddS(sp(GL_OG_SPAN_TEX_Q));
    A.Fild32(A.a(&S->pieceLast));
    A.FmulS(sp(GL_OG_SPAN_TEX_LOD_STEP));
    A.FaddS(sp(GL_OG_SPAN_TEX_LOD));
    A.Fdivrp(ST(1));
    A.FstpS(A.a(&S->lodEnd));
    // The ends' octaves, (bits - 1) >> 23 of a positive finite L, held to
    // [that of the crossover, 126 + 2 x the last level] (magnified; the last
    // level's lambda and above).
    const GLint lo = (GLint)((f.crossoverBits() - 1) >> 23);
    A.Mov(EDX, A.a(&gc->currentTexture));
    A.Mov(EDX, A.m(EDX, offsetof(GlTextureParams, maxLevel)));
    A.Lea(EDX, A.mx(nullptr, EDX, 2, 126));
    const auto octave = [&](GlOgNode* r, const void* bits) {
        GlOgNode* below = A.label(true), *above = A.label(true);
        A.Mov(r, A.a(bits));
        A.Dec(r);
        A.Cmp(r, A.i(0x7F7FFFFE));
        A.Ja(done);
        A.Shr(r, A.i(23));
        A.Cmp(r, EDX);
        A.Jle(below);
        A.Mov(r, EDX);
        A.place(below);
        A.Cmp(r, A.i(lo));
        A.Jge(above);
        A.Mov(r, A.i(lo));
        A.place(above);
    };
    octave(EAX, &S->fill.lodBits);
    octave(ECX, &S->lodEnd);
    A.Cmp(EAX, ECX);
    A.Je(done);
    // The bound crossed first: 2^(o + 1) rising, 2^o falling; ECX what
    // rounds x (below) to the pixels before it: floor(x) + 1 rising (L at
    // the bound is of the lower octave), ceil(x) falling.
    A.Jl(rising);
    A.Mov(ECX, A.i(0xFFFF));
    A.Jmp(bound);
    A.place(rising);
    A.Inc(EAX);
    A.Mov(ECX, A.i(0x10000));
    A.place(bound);
    A.Shl(EAX, A.i(23));
    A.Mov(A.a(&S->lodBound), EAX);
    // x = (bound - L0) (n - 1) / (L1 - L0), the pixel where L meets it.
    A.FldS(A.a(&S->lodBound));
    A.FsubS(A.a(&S->fill.lodBits));
    A.Fimul32(A.a(&S->pieceLast));
    A.FldS(A.a(&S->lodEnd));
    A.FsubS(A.a(&S->fill.lodBits));
    A.Fdivp(ST(1));
    __glOgFixed16(A, S);
    A.Add(EAX, ECX);
    A.Sar(EAX, A.i(16));
    // At least one pixel, and one left for the rest.
    A.Cmp(EAX, A.i(1));
    A.Jge(least);
    A.Mov(EAX, A.i(1));
    A.place(least);
    A.Cmp(EAX, A.a(&S->pieceLast));
    A.Jle(most);
    A.Mov(EAX, A.a(&S->pieceLast));
    A.place(most);
    A.Mov(ESI, EAX);
    A.Add(EAX, sp(GL_OG_SPAN_X));
    A.Add(EAX, A.i(gc->limits.windowBiasX));
    A.Mov(A.a(&S->pieceX), EAX);
    A.Mov(A.a(&S->pieceCut), A.i(1));
    A.place(done);
}
