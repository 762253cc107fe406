// The span bodies of the whole-triangle fill (mode 0 of the walker): the
// chain of a simple state (depth stage, then the direct stage of the
// format, or nothing written) done inline, group by group of 32 pixels, with
// the span's values at each group exactly the chain's.
//
// Each group: the coverage mask of its pixels; the depth test (the generated
// depth stage's code, called as a subroutine of the routine) narrows it; the
// textured stage of procs.spanTextured fills the texels of the live pixels;
// then the colour of each live pixel is computed and stored as the direct
// stage computes it (x86 here, four pixels a step in MMX in mmxspan.cpp).

#include "codegen/mmxfill.h"
#include "raster/chain.h"
#include "spans/spanformat.h"
#include "texture/texture.h"
#include <utility>


namespace {

// __glSpanMul(t, c) at [c][t]: the chain's byte products for GL_MODULATE.
uint8_t __glOgSpanProducts[256][256];
const bool productsBuilt = [] {
    for (int c = 0; c < 256; c++)
        for (int t = 0; t < 256; t++) __glOgSpanProducts[c][t] = (uint8_t)__glSpanMul(t, c);
    return true;
}();

// Field widths and positions of the RGBA formats with direct stages.
struct Layout {
    GLint bytes, bits[3], pos[3];
};
bool layoutOf(GLuint code, Layout* l) {
    switch (code) {
    case GL_FORMAT_332: *l = {1, {3, 3, 2}, {5, 2, 0}}; return true;
    case GL_FORMAT_555: *l = {2, {5, 5, 5}, {10, 5, 0}}; return true;
    case GL_FORMAT_565: *l = {2, {5, 6, 5}, {11, 5, 0}}; return true;
    case GL_FORMAT_X888: *l = {4, {8, 8, 8}, {16, 8, 0}}; return true;
    default: return false;
    }
}

}  // namespace

bool __glOgSpanBodyKey(GlContext* gc, GlOgRasterKey* key) {
    const GlChainPick* pick = &gc->chain;
    const GLuint F = pick->flags;
    const GlColorBuffer* cb = gc->drawBuffer;
    // Blending the MMX fill does itself: the chain's stores for it are not used.
    // The MMX fill of 8- and 16-bit buffers, and of x8r8g8b8 ones with the MMX extensions.
    const bool mmx32 = pick->rgba && cb && cb->formatCode == GL_FORMAT_X888 && __glHasMMX() && __glHasMmxExtensions();
    const bool mmx = __glUseMmxSpans(gc) || mmx32;
    const bool mmxBlend = (F & GL_RF_BLEND) && pick->rgba && mmx && !(F & GL_RF_WRITE_MASK) &&
                          !__glFastPathSwitches.genericStore;
    if (!cb || !gc->span.windowInside || (pick->genericStore && !mmxBlend) || pick->genericSetup) return false;
    if (F & (GL_RF_CLIP_LIST | GL_RF_INDEX_TEST | GL_RF_POLYGON_OFFSET | GL_RF_FOG_FRAGMENT | GL_RF_ALPHA_TEST |
             GL_RF_LOGIC_OP | GL_RF_STENCIL | GL_RF_POLYGON_STIPPLE))
        return false;
    if (pick->separateStore && !pick->nothingWritten && !mmxBlend) return false;
    GLuint* w = key->fill;
    w[FILL_FORMAT] = cb->formatCode;
    w[FILL_RGBA] = pick->rgba;
    Layout l;
    if (pick->rgba ? !layoutOf(cb->formatCode, &l) : cb->formatCode != GL_FORMAT_INDEX8) return false;
    const bool textured = (F & GL_RF_TEXTURE) != 0;
    const GlTextureParams* tex = (const GlTextureParams*)gc->currentTexture;
    if (textured && (!tex || tex->dimensions != 2)) return false;
    const GLuint code = textured ? pick->texCode : 0;
    if (pick->rgba ? (code != 0 && code != 1 && code != 3) : code > 2) return false;
    w[FILL_TEXCODE] = code;
    w[FILL_TEXEL_BYTES] = !textured ? 0 : !pick->rgba ? 1 : pick->texAlpha ? 4 : 3;
    w[FILL_DITHER] = pick->dither;
    w[FILL_SMOOTH] = (F & GL_RF_SMOOTH_COLOR) != 0;
    const GlDepthBuffer* db = &gc->fb.depth;
    if ((F & GL_RF_DEPTH) && (gc->depth.writeMask || db->compareFunc != GL_ALWAYS)) {
        w[FILL_DEPTH] = 1 + ((db->compareFunc - GL_NEVER) & 7);
        w[FILL_DEPTH_WRITE] = gc->depth.writeMask != 0;
        w[FILL_DEPTH_BYTES] = db->buf.elementSize == 2 ? 2 : 4;
        w[FILL_DEPTH_SHIFT] = db->depthShift;
    }
    w[FILL_NOTHING_WRITTEN] = pick->nothingWritten;
    w[FILL_MMX] = mmx;
    if (w[FILL_MMX] && textured) {
        w[FILL_TEX_LAYOUT] = __glMmxTexelLayout(gc);
        w[FILL_TEX_LOG2] = (GLuint)tex->levels[0].widthLog2 | (GLuint)tex->levels[0].heightLog2 << 8;
        w[FILL_PERSPECTIVE] = (F & GL_RF_TEX_PERSPECTIVE) != 0;
        w[FILL_TEX_FILTER] = __glMmxTexFilter(gc);
    }
    w[FILL_TWIN] = w[FILL_MMX] && __glOgMmxTwin;
    if (mmxBlend) w[FILL_BLEND] = __glMmxBlendWord(gc->colorBuffer.blendSrc, gc->colorBuffer.blendDst);
    // Where MMX spans are in use the fill is the MMX one; a state it does not
    // take is drawn by the chain, on x8r8g8b8 by the x86 fill (but blended).
    if (!w[FILL_MMX] || __glOgMmxBodyTakes(key)) return true;
    if (!mmx32 || mmxBlend) return false;
    for (int i : {FILL_MMX, FILL_TEX_LAYOUT, FILL_TEX_LOG2, FILL_PERSPECTIVE, FILL_TWIN, FILL_BLEND, FILL_TEX_FILTER}) w[i] = 0;
    return true;
}

namespace {

struct Body : GlOgRasterEmit {
    GlOgNode* sp(GLint field) { return A.m(EBP, field); }
    GLuint w(int i) const { return k->fill[i]; }

    // ---- The x86 colour of the live pixels of ECX (the group at the frame).
    // EDI the destination, ESI the dither addend, EAX the pixel, EDX and EBX
    // scratch; the fragment's channels and the texel pointer in the scratch
    // record. ESI and EBX kept, except for the span's one pixel alone (single).
    void colorPass(bool single = false) {
        const bool rgba = w(FILL_RGBA) != 0, dither = w(FILL_DITHER) != 0, smooth = w(FILL_SMOOTH) != 0;
        const GLuint code = w(FILL_TEXCODE);
        Layout l = {1, {8, 0, 0}, {0, 0, 0}};
        if (rgba) layoutOf(w(FILL_FORMAT), &l);
        const int channels = rgba ? 3 : 1;
        // Channels step when smooth, except under GL_REPLACE (RGBA) where the texel is the colour.
        const bool steps = smooth && !(rgba && code == 1) && !(!rgba && code == 1);
        const bool flatPixel = rgba && code == 0 && !dither && !smooth;
        if (!single) {
            A.Push(ESI);
            A.Push(EBX);
        }
        A.Mov(EDI, sp(GL_OG_SPAN_DEST));
        if (dither) A.Mov(ESI, sp(GL_OG_SPAN_DITHER));
        const GLint values[3] = {GL_OG_SPAN_RED, GL_OG_SPAN_GREEN, GL_OG_SPAN_BLUE};
        const GLint steps1[3] = {GL_OG_SPAN_RED_STEP, GL_OG_SPAN_GREEN_STEP, GL_OG_SPAN_BLUE_STEP};
        // Smooth and untextured, one pixel alone reads the frame's values.
        const bool run = rgba && code == 0 && smooth;
        const auto channelValues = [&] {
            for (int c = 0; c < channels && !flatPixel; c++) {
                A.Mov(EAX, sp(values[c]));
                A.Mov(a(&S->acc[c]), EAX);
            }
        };
        if (!run) channelValues();
        if (code) {
            A.Lea(EAX, sp(GL_OG_SPAN_TEXELS));
            A.Mov(a(&S->texels), EAX);
        }
        GlOgNode* walked = A.label();
        const auto pixel = [&] {
            if (rgba) rgbaPixel(l, code, dither, flatPixel);
            else indexPixel(code, dither);
        };
        // The first pixel alone (spans of one pixel, common in small triangles).
        const auto first = [&] {
            if (run) smoothPixel(l, dither, [&](int c) { return sp(values[c]); }, 0);
            else pixel();
        };
        if (single) {
            first();
            return;
        }
        GlOgNode* more = A.label();
        A.Cmp(ECX, A.i((GLint)0x80000000u));
        A.Jne(more);
        first();
        A.Jmp(walked);
        A.place(more);
        if (run) channelValues();
        if (run) smoothRun(l, dither, walked);
        if (rgba && code == 3) modulateRun(l, dither, steps, walked);
        __glOgEmitMaskWalk(
            A,
            pixel,
            [&] {
                A.Add(EDI, A.i(l.bytes));
                if (dither) A.Add(ESI, A.i(4));
                for (int c = 0; c < channels && steps; c++) {
                    A.Mov(EDX, sp(steps1[c]));
                    A.Add(a(&S->acc[c]), EDX);
                }
            });
        A.place(walked);
        A.Pop(EBX);
        A.Pop(ESI);
    }

    // A mask whose live pixels run unbroken from bit 31, untextured and
    // smooth: four pixels a step, the dither addends of the first four at
    // [ESI] to [ESI + 12] serving every step (a dither row repeats every four
    // pixels); red in EBX, green in EBP, blue in ECX, their steps in
    // S->acc; the steps of four left in S->pixel, the pixels in S->mask.
    // Other masks go on to the walk; this one to `walked`.
    void smoothRun(const Layout& l, bool dither, GlOgNode* walked) {
        GlOgNode* walk = A.label(), *four = A.label(), *rest = A.label(), *out = A.label();
        __glOgEmitRunLength(A, walk);
        A.Mov(a(&S->mask), EDX);
        A.Shr(EDX, A.i(2));
        A.Mov(a(&S->pixel), EDX);
        const GLint values[3] = {GL_OG_SPAN_RED, GL_OG_SPAN_GREEN, GL_OG_SPAN_BLUE};
        const GLint steps1[3] = {GL_OG_SPAN_RED_STEP, GL_OG_SPAN_GREEN_STEP, GL_OG_SPAN_BLUE_STEP};
        for (int c = 0; c < 3; c++) {
            A.Mov(EAX, sp(steps1[c]));
            A.Mov(a(&S->acc[c]), EAX);
        }
        A.Push(EBP);
        A.Mov(EBX, sp(values[0]));
        A.Mov(ECX, sp(values[2]));
        A.Mov(EBP, sp(values[1]));
        GlOgNode* channel[3] = {EBX, EBP, ECX};
        const auto pixel = [&](GLint k) {
            smoothPixel(l, dither, [&](int c) { return channel[c]; }, k);
            for (int c = 0; c < 3; c++) A.Add(channel[c], a(&S->acc[c]));
        };
        A.Cmp(a(&S->pixel), A.i(0));
        A.Je(rest);
        A.place(four);
        for (GLint k = 0; k < 4; k++) pixel(k);
        A.Add(EDI, A.i(4 * l.bytes));
        A.Dec(a(&S->pixel));
        A.Jne(four);
        A.place(rest);
        A.And(a(&S->mask), A.i(3));
        for (GLint k = 0; k < 3; k++) {
            A.Cmp(a(&S->mask), A.i(k));
            A.Je(out);
            pixel(k);
        }
        A.place(out);
        A.Pop(EBP);
        A.Jmp(walked);
        A.place(walk);
    }

    // Pixel k of a step of four: each field (v + dd) >> 16 at its place, v
    // the channel's 16.16 value in value(c), dd at [ESI + 4k]. EAX and EDX
    // changed.
    template <class Value>
    void smoothPixel(const Layout& l, bool dither, Value value, GLint k) {
        for (int c = 0; c < 3; c++) {
            GlOgNode* r = c ? EDX : EAX;
            A.Mov(r, value(c));
            if (dither) A.Add(r, A.m(ESI, 4 * k));
            A.Sar(r, A.i(16));
            if (l.pos[c]) A.Shl(r, A.i(l.pos[c]));
            if (c) A.Or(EAX, EDX);
        }
        GlOgNode* at = A.m(EDI, k * l.bytes);
        if (l.bytes == 1) A.Mov(at, AL);
        else if (l.bytes == 2) A.w16(GL_OG_Mov, at, EAX);
        else A.Mov(at, EAX);
    }

    // `to` = __glSpanMul(texel byte c at EBX, channel c's byte of n bits);
    // EDX changed.
    void product(GlOgNode* to, int c, int n) {
        A.Mov(EDX, a(&S->acc[c]));
        A.Shr(EDX, A.i(n));
        A.And(EDX, A.i(0xFF00));
        A.Mov(DL, A.m(EBX, c));
        A.Movzx8(to, A.ax(__glOgSpanProducts, EDX, 1));
    }

    // GL_MODULATE over a mask whose live pixels run unbroken from bit 31:
    // a counted loop (the pixels left in S->mask), the texel pointer in EBX,
    // the dither addend shifted in ECX, the channels taken by growing width
    // so that each shift of the addend builds on the last. Other masks go on
    // to the walk; this one to `walked`.
    void modulateRun(const Layout& l, bool dither, bool steps, GlOgNode* walked) {
        GlOgNode* walk = A.label(), *loop = A.label();
        __glOgEmitRunLength(A, walk);
        A.Mov(a(&S->mask), EDX);
        A.Mov(EBX, a(&S->texels));
        int order[3] = {0, 1, 2};
        for (int i = 0; i < 3; i++)
            for (int j = i + 1; j < 3; j++)
                if (l.bits[order[j]] < l.bits[order[i]]) std::swap(order[i], order[j]);
        const GLint steps1[3] = {GL_OG_SPAN_RED_STEP, GL_OG_SPAN_GREEN_STEP, GL_OG_SPAN_BLUE_STEP};
        A.place(loop);
        if (dither) A.Mov(ECX, A.m(ESI));
        GLint shifted = 0;
        for (int i = 0; i < 3; i++) {
            const int c = order[i], n = l.bits[c];
            GlOgNode* r = i ? EDX : EAX;
            product(r, c, n);
            if (dither) {
                if (8 + n > shifted) A.Sar(ECX, A.i(8 + n - shifted));
                shifted = 8 + n;
                A.Add(r, ECX);
            }
            if (n < 8) A.Sar(r, A.i(8 - n));
            if (l.pos[c]) A.Shl(r, A.i(l.pos[c]));
            if (i) A.Or(EAX, EDX);
        }
        store(l.bytes);
        A.Add(EDI, A.i(l.bytes));
        A.Add(EBX, A.i((GLint)w(FILL_TEXEL_BYTES)));
        if (dither) A.Add(ESI, A.i(4));
        for (int c = 0; c < 3 && steps; c++) {
            A.Mov(EDX, sp(steps1[c]));
            A.Add(a(&S->acc[c]), EDX);
        }
        A.Dec(a(&S->mask));
        A.Jne(loop);
        A.Jmp(walked);
        A.place(walk);
    }

    // EAX = the texel byte k of the live pixel (its texel pointer in EBX).
    void texelByte(GlOgNode* to, int k) { A.Movzx8(to, A.m(EBX, k)); }

    void rgbaPixel(const Layout& l, GLuint code, bool dither, bool flatPixel) {
        if (flatPixel) {
            A.Mov(EAX, sp(GL_OG_SPAN_FLAT_PIXEL));
        } else {
            if (code) A.Mov(EBX, a(&S->texels));
            for (int c = 0; c < 3; c++) {
                const int n = l.bits[c];
                switch (code) {
                case 0:  // ((v + dd) >> 16) << pos
                    A.Mov(EAX, a(&S->acc[c]));
                    if (dither) A.Add(EAX, A.m(ESI));
                    A.Sar(EAX, A.i(16));
                    break;
                case 1:  // the texel's field, through the dither addend
                    texelByte(EAX, c);
                    if (!dither) {
                        if (n < 8) A.Shr(EAX, A.i(8 - n));
                    } else {
                        // w = ((t << (8 + n)) + dd) >> 16; field = w - (w >> n).
                        A.Shl(EAX, A.i(8 + n));
                        A.Add(EAX, A.m(ESI));
                        A.Sar(EAX, A.i(16));
                        A.Mov(EDX, EAX);
                        A.Sar(EDX, A.i(n));
                        A.Sub(EAX, EDX);
                    }
                    break;
                default:  // GL_MODULATE: (__glSpanMul(t, c) + dd >> (8 + n)) >> (8 - n), from the table's row c
                    product(EAX, c, n);
                    if (dither) {
                        A.Mov(EDX, A.m(ESI));
                        A.Sar(EDX, A.i(8 + n));
                        A.Add(EAX, EDX);
                    }
                    if (n < 8) A.Sar(EAX, A.i(8 - n));
                    break;
                }
                if (l.pos[c]) A.Shl(EAX, A.i(l.pos[c]));
                if (c) A.Or(a(&S->pixel), EAX);
                else A.Mov(a(&S->pixel), EAX);
            }
            A.Mov(EAX, a(&S->pixel));
            if (code) A.Add(a(&S->texels), A.i((GLint)w(FILL_TEXEL_BYTES)));
        }
        store(l.bytes);
    }

    // The index byte: (texture 1 ? 0 : v + dd) + (t << 16), bits 16-23.
    void indexPixel(GLuint code, bool dither) {
        if (code != 1) {
            A.Mov(EAX, a(&S->acc[0]));
            if (dither) A.Add(EAX, A.m(ESI));
        } else {
            A.Xor(EAX, EAX);
        }
        if (code) {
            A.Mov(EBX, a(&S->texels));
            texelByte(EDX, 0);
            A.Shl(EDX, A.i(16));
            A.Add(EAX, EDX);
            A.Inc(a(&S->texels));
        }
        A.Shr(EAX, A.i(16));
        store(1);
    }

    void store(GLint bytes) {
        if (bytes == 1) A.Mov(A.m(EDI), AL);
        else if (bytes == 2) A.w16(GL_OG_Mov, A.m(EDI), EAX);
        else A.Mov(A.m(EDI), EAX);
    }

    // ---- A span of one pixel: its depth test inline (a failure to `none`),
    // texel and colour; EBX, ESI and EDI changed.
    void pixelAlone(GlOgNode* none) {
        if (w(FILL_DEPTH) == 1) {  // GL_NEVER
            A.Jmp(none);
            return;
        }
        if (w(FILL_DEPTH)) {
            A.Mov(EDX, EBP);
            __glOgEmitDepthStart(A, gc, w(FILL_DEPTH_SHIFT), false);
            A.Mov(ESI, sp(GL_OG_SPAN_DEPTH_ADDRESS));
            __glOgEmitDepthPixel(A, &gc->fb.depth, w(FILL_DEPTH) - 1, w(FILL_DEPTH_WRITE), w(FILL_DEPTH_BYTES),
                                 w(FILL_DEPTH_SHIFT), none);
        }
        if (w(FILL_NOTHING_WRITTEN)) return;
        if (w(FILL_TEXCODE)) {
            A.Mov(ECX, A.i((GLint)0x80000000u));
            texels();
        }
        colorPass(true);
    }
    // The texels of the live pixels of ECX (kept) from the textured stage.
    void texels() {
        A.Mov(a(&S->mask), ECX);
        A.Mov(EDX, EBP);
        A.Call(a(&gc->procs.spanTextured));
        A.Mov(ECX, a(&S->mask));
    }

    // ---- One group: mask, depth, texels, colour. ESI = pixels left.
    void group(GlOgNode* depthTest) {
        GlOgNode* full = A.label(true), *none = A.label();
        A.Mov(ECX, A.i(-1));
        A.Cmp(ESI, A.i(32));
        A.Jge(full);
        A.Mov(ECX, A.ax(__glCoverageMasks, ESI, 4));
        A.place(full);
        if (w(FILL_DEPTH)) {
            A.Mov(EDX, EBP);
            A.Call(depthTest);
            A.Test(ECX, ECX);
            A.Je(none);
        }
        if (!w(FILL_NOTHING_WRITTEN)) {
            if (w(FILL_TEXCODE)) texels();
            colorPass();
        }
        A.place(none);
    }
};

}  // namespace

// The depth test of a group as a subroutine: ECX the mask, EDX the span;
// returns ECX without the failed pixels, EBX, ESI, EDI and EBP kept.
void __glOgEmitDepthSubroutine(GlOgAsm& A, GlContext* gc, GLuint func, GLuint write, GLuint bytes, GLuint shift);

void __glOgGenSpanBody(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, GlOgNode* subroutines) {
    Body b{{gc, k, A, __glOgScratch(gc), &gc->span}};
    b.group(subroutines);
}

void __glOgGenSpanPixel(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, GlOgNode* none) {
    Body b{{gc, k, A, __glOgScratch(gc), &gc->span}};
    b.pixelAlone(none);
}

void __glOgGenSpanBodySubroutines(GlContext* gc, const GlOgRasterKey* k, GlOgAsm& A, GlOgNode* subroutines) {
    A.place(subroutines);
    if (k->fill[FILL_DEPTH])
        __glOgEmitDepthSubroutine(A, gc, k->fill[FILL_DEPTH] - 1, k->fill[FILL_DEPTH_WRITE], k->fill[FILL_DEPTH_BYTES],
                                  k->fill[FILL_DEPTH_SHIFT]);
}
