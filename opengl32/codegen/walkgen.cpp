// The scan-line walker (procs.spanRoutine) that the generated set-up jumps
// to: it walks the rows of both parts of the triangle as
// __glWalkTriangleEmit does, makes each row's span as __glEmitSpanChunks
// does (cut to the clip box, start values converted to 16.16 in double
// precision) and then, in mode 1, runs the span chain group by group, or, in
// mode 0, the span body generated for the state (spanbody.cpp). It leaves
// through ogReturnAddress with EAX = 1.
//
// Registers: EBP the GlSpan frame the set-up reserved; ESI the pixels of the
// span left; EDI and EBX free. The chain keeps EBX, ESI, EDI and EBP.

#include "codegen/mmxfill.h"
#include "raster/chain.h"

// The half of a walker that its size test sends triangles to, made at the
// first such triangle: words as laterHalf keeps them.
enum { GL_OG_HALF_SMALL = 1, GL_OG_HALF_LARGE = 2 };
extern "C" void GLPROC __glOgGenWalkerHalf(GlContext* gc, GLuint* words);

namespace {

const GlOgRasterConstants& K = __glOgRasterConst;

// Rounding biases of the span start values.
const double kBias[4] = {0.5, 1.0 / 32.0, 1.0 / 256.0, 255.0};
// The MMX fill's alpha 0 .. 256 (256 a factor of 1.0) and its bias: less than
// a lane's unit, so 0 and 1.0 stay exact.
const double kMmxAlpha[2] = {256.0 / 255.0, 1.0 / 128.0};

struct Walk : GlOgRasterEmit {
    GlOgNode* sp(GLint field) { return A.m(EBP, field); }
    GLuint CF() const { return k->chainFlags; }  // the span start values
    // The MMX fill draws the spans (its routine, or its twin), except in the
    // x86 half that small triangles take.
    bool mmxFill() const { return mode() == 0 && !integer && __glOgMmxBodyTakes(k); }
    // The mode of the code being emitted: the whole fill's chain half walks as mode 1.
    GLuint mode() const { return chainHalf ? 1 : k->mode; }
    // ... with perspective texture coordinates: a span whose q is constant
    // gets s/q and t/q in 16.16 with their steps; others go to the chain.
    bool mmxPerspective() const { return mmxFill() && k->fill[FILL_TEXCODE] && k->fill[FILL_PERSPECTIVE]; }
    // ... of a mipmap: s/q and t/q in level-0 texels (the vertices carry
    // whole-texture units), and the span's level of detail for the fill.
    bool mmxMip() const {
        GlMmxFill f;
        __glMmxFillOf(k, &f);
        return mmxFill() && f.tex && f.mip;
    }
    // ST(0) of coordinate i (s, t) in level-0 texels.
    void mmxTexels(int i) {
        if (mmxMip()) A.FmulS(A.f((GLfloat)(1 << (k->fill[FILL_TEX_LOG2] >> 8 * i & 0xFF))));
    }
    // The MMX fill's texture floats at a span: s, t and q, and the level of detail of a mipmap.
    int mmxTexFloats() const { return mmxMip() ? 4 : 3; }
    // ... cut where the level of detail changes octave (__glGenMmxLevelPieces).
    bool mmxPieces() const { return mmxMip() && mmxPerspective(); }
    // The MMX fill's colour channels: red, green, blue, and alpha when a blend factor reads it.
    int mmxChannels() const {
        GlMmxFill f;
        __glMmxFillOf(k, &f);
        return f.alpha ? 4 : 3;
    }

    // ---- Once per triangle: the span fields that do not change.
    void triangleConstants() {
        // The MMX fill (routine and twin) reads none of the chain's fields;
        // the x86 fill without texture the pixel step alone (its depth test).
        const bool chainFields = !mmxFill() && (mode() == 1 || k->textured);
        if (!mmxFill() && !chainFields) A.Mov(sp(GL_OG_SPAN_PIXEL_STEP), A.i(1));
        if (chainFields) {
            A.Mov(sp(GL_OG_SPAN_CONTEXT), A.i((GLint)(uintptr_t)gc));
            A.Mov(sp(GL_OG_SPAN_PIXEL_STEP), A.i(1));
            A.Mov(sp(GL_OG_SPAN_DEST_STEP32), A.i(32 * (GLint)k->colorBytes));
            A.Mov(sp(GL_OG_SPAN_DEST2), A.i(0));
            A.Mov(sp(GL_OG_SPAN_DEST2_STEP32), A.i(32 * (GLint)k->colorBytes));
            A.Mov(sp(GL_OG_SPAN_DITHER_TABLE), A.i((GLint)(uintptr_t)&__glSpanDitherTables[0][0][0]));
            A.Mov(sp(GL_OG_SPAN_Z_OFFSET), A.i(0));
            A.Mov(sp(GL_OG_SPAN_STENCIL_STEP32), A.i(32));
            A.Mov(sp(GL_OG_SPAN_DEPTH_STEP32), A.i((CF() & GL_RF_DEPTH) ? 32 * (GLint)k->depthBytes : 0));
        }
        // (No float here when the colour steps come late and neither fog nor texture is on.)
        const bool x87 = !lateSteps() || (CF() & (GL_RF_FOG_FRAGMENT | GL_RF_TEXTURE));
        if (x87) cw(GL_OG_CW_DOUBLE);
        if (lateSteps()) A.Mov(a(&S->colorStepsSet), A.i(0));
        else colorSteps();
        // Depth (its steps with the late colour steps: a pixel alone reads none).
        if (CF() & GL_RF_DEPTH_TEST) {
            if (!lateSteps()) depthSteps();
        } else {
            A.Mov(sp(GL_OG_SPAN_Z), A.i(0));
            A.Mov(sp(GL_OG_SPAN_Z_STEP), A.i(0));
            A.Mov(sp(GL_OG_SPAN_Z_STEP32), A.i(0));
        }
        if (!(CF() & GL_RF_DEPTH)) A.Mov(sp(GL_OG_SPAN_DEPTH_ADDRESS), A.i(0));
        if (!(CF() & GL_RF_STENCIL) && chainFields) A.Mov(sp(GL_OG_SPAN_STENCIL_ADDRESS), A.i(0));
        // Fog: the factor x 255, or the eye distance under GL_NICEST.
        if (CF() & GL_RF_FOG_FRAGMENT) {
            A.FldS(a(&st->fogDx));
            if (!k->fogNicest) A.FmulD(a(&kBias[3]));
            __glOgFixed16(A, S);
            A.Mov(sp(GL_OG_SPAN_FOG_STEP), EAX);
            A.Shl(EAX, A.i(5));
            A.Mov(sp(GL_OG_SPAN_FOG_STEP32), EAX);
        } else if (chainFields) {
            A.Mov(sp(GL_OG_SPAN_FOG), A.i(0));
            A.Mov(sp(GL_OG_SPAN_FOG_STEP), A.i(0));
            A.Mov(sp(GL_OG_SPAN_FOG_STEP32), A.i(0));
        }
        if (mmxPerspective()) A.Mov(a(&S->stepQValid), A.i(0));
        // Texture: the float steps, and s and t steps in 16.16.
        if (CF() & GL_RF_TEXTURE) {
            const GLint fsteps[4] = {GL_OG_SPAN_TEX_S_STEP, GL_OG_SPAN_TEX_T_STEP, GL_OG_SPAN_TEX_Q_STEP,
                                     GL_OG_SPAN_TEX_LOD_STEP};
            const GLint fsteps32[4] = {GL_OG_SPAN_TEX_S_STEP32, GL_OG_SPAN_TEX_T_STEP32, GL_OG_SPAN_TEX_Q_STEP32,
                                       GL_OG_SPAN_TEX_LOD_STEP32};
            for (int i = 0; i < 4; i++) {
                A.Mov(EAX, a(&st->textureDx[i]));
                A.Mov(sp(fsteps[i]), EAX);
                A.FldS(a(&K.thirtyTwoF));
                A.FmulS(a(&st->textureDx[i]));
                A.FstpS(sp(fsteps32[i]));
            }
            const GLint fixedSteps[2] = {GL_OG_SPAN_S_STEP, GL_OG_SPAN_T_STEP};
            const GLint fixedSteps32[2] = {GL_OG_SPAN_S_STEP32, GL_OG_SPAN_T_STEP32};
            for (int i = 0; i < 2; i++) {
                A.FldS(a(&st->textureDx[i]));
                A.FmulS(a(&gc->chain.texScale[i]));
                __glOgFixed16(A, S);
                A.Mov(sp(fixedSteps[i]), EAX);
                A.Shl(EAX, A.i(5));
                A.Mov(sp(fixedSteps32[i]), EAX);
            }
        }
        if (x87) callerCw();
    }

    void depthSteps() {
        A.Mov(EAX, a(&st->zDx));
        A.Mov(sp(GL_OG_SPAN_Z_STEP), EAX);
        A.Mov(EAX, a(&st->zDx32));
        A.Mov(sp(GL_OG_SPAN_Z_STEP32), EAX);
    }
    // Colour steps: fixed16(d x scale), 0 for a flat colour or a missing channel.
    void colorSteps() {
        const GLint steps[4] = {GL_OG_SPAN_RED_STEP, GL_OG_SPAN_GREEN_STEP, GL_OG_SPAN_BLUE_STEP,
                                GL_OG_SPAN_ALPHA_STEP};
        const GLint steps32[4] = {GL_OG_SPAN_RED_STEP32, GL_OG_SPAN_GREEN_STEP32, GL_OG_SPAN_BLUE_STEP32,
                                  GL_OG_SPAN_ALPHA_STEP32};
        const int nc = k->rgba ? 4 : 1;
        const bool smooth = (CF() & GL_RF_SMOOTH_COLOR) != 0;
        // The MMX fill (routine and twin) reads no steps of 32, alpha only blending.
        for (int c = 0; c < (mmxFill() ? mmxChannels() : alphaRead() ? 4 : 3); c++) {
            if (c >= nc || !smooth) {
                A.Mov(sp(steps[c]), A.i(0));
                if (!mmxFill()) A.Mov(sp(steps32[c]), A.i(0));
                continue;
            }
            A.FldS(a(&st->colorDx[c]));
            if (c == 3) scaleAlpha(mmxFill());
            __glOgFixed16(A, S);
            A.Mov(sp(steps[c]), EAX);
            if (mmxFill()) continue;
            A.Shl(EAX, A.i(5));
            A.Mov(sp(steps32[c]), EAX);
        }
        if (chainHalf && !alphaRead()) {  // the set-up made no alpha
            A.Mov(sp(steps[3]), A.i(0));
            A.Mov(sp(steps32[3]), A.i(0));
        }
    }
    // ST(0), an alpha of the fragment, to the chain's 0 .. 255 or (mmx) the
    // MMX fill's 0 .. 256.
    void scaleAlpha(bool mmx) {
        A.FmulS(a(&gc->chain.alphaScale));
        if (mmx) A.FmulD(a(&kMmxAlpha[0]));
    }
    // The x86 whole fill with smooth colours: the colour and depth steps
    // matter only to a span of more than one pixel, and the first such span
    // of the triangle takes them (tiny triangles have none).
    bool lateSteps() const { return mode() == 0 && !mmxFill() && (CF() & GL_RF_SMOOTH_COLOR); }

    // The colour buffers the spans write: the front and back buffers, or the draw buffer.
    int colorBuffers() const { return !k->colorBytes ? 0 : k->bothBuffers ? 2 : 1; }
    GlColorBuffer* const* colorBuffer(int i) const {
        return !k->bothBuffers ? &gc->drawBuffer : i ? &gc->fb.backBuffer : &gc->fb.frontBuffer;
    }
    // S->colorRow[i] and colorStride[i] for row S->y: base + (y - biasY) x
    // stride and the stride, 0 and 0 without the buffer.
    void colorRows() {
        for (int i = 0; i < colorBuffers(); i++) {
            GlOgNode* none = A.label(true);
            A.Xor(EAX, EAX);
            A.Xor(ECX, ECX);
            A.Mov(EDX, a(colorBuffer(i)));
            A.Test(EDX, EDX);
            A.Je(none);
            A.Mov(EAX, a(&S->y));
            A.Sub(EAX, A.i(gc->limits.windowBiasY));
            A.Mov(ECX, A.m(EDX, offsetof(GlColorBuffer, buf.stride)));
            A.Imul(EAX, ECX);
            A.Add(EAX, A.m(EDX, offsetof(GlColorBuffer, buf.base)));
            A.place(none);
            A.Mov(a(&S->colorStride[i]), ECX);
            A.Mov(a(&S->colorRow[i]), EAX);
        }
    }
    // The span's address in colour buffer i (x in EAX) into the field, 0
    // without the buffer. ECX and EDX changed.
    void colorAddress(int i, GLint field) {
        GlOgNode* none = A.label(true);
        A.Mov(EDX, a(&S->colorRow[i]));
        A.Test(EDX, EDX);
        A.Je(none);
        if (k->colorBytes == 1 || k->colorBytes == 2 || k->colorBytes == 4) {
            A.Lea(EDX, A.mx(EDX, EAX, (GLint)k->colorBytes, 0));
        } else {
            A.Mov(ECX, EAX);
            A.Imul(ECX, A.i((GLint)k->colorBytes));
            A.Add(EDX, ECX);
        }
        A.place(none);
        A.Mov(sp(field), EDX);
    }

    // ---- Per span: __glEmitSpanChunks(gc, x = left edge, y, n) up to the
    // groups; to `none` when nothing of it lies in the clip box. ESI = the
    // pixels left, the frame's fields set.
    void spanStart(GlOgNode* none) {
        // x0 = max(x, box x0), x1 = min(x + n, box x1).
        GlOgNode* keep0 = A.label(true), *keep1 = A.label(true);
        A.Mov(EAX, a(&st->leftEdge.x));
        A.Mov(ECX, a(&st->rightEdge.x));
        A.Cmp(EAX, a(&st->clipBox[0]));
        A.Jge(keep0);
        A.Mov(EAX, a(&st->clipBox[0]));
        A.place(keep0);
        if (mmxPieces()) {  // the rest of a span cut at its level of detail's octave
            GlOgNode* whole = A.label(true);
            A.Cmp(EAX, a(&S->pieceX));
            A.Jge(whole);
            A.Mov(EAX, a(&S->pieceX));
            A.place(whole);
        }
        A.Cmp(ECX, a(&st->clipBox[2]));
        A.Jle(keep1);
        A.Mov(ECX, a(&st->clipBox[2]));
        A.place(keep1);
        A.Mov(ESI, ECX);
        A.Sub(ESI, EAX);
        A.Jle(none);
        A.Mov(EDX, EAX);
        A.Sub(EDX, a(&st->leftEdge.x));
        A.Mov(a(&S->skip), EDX);
        // x and y without the bias; the colour address and the dither entry.
        A.Sub(EAX, A.i(gc->limits.windowBiasX));
        A.Mov(sp(GL_OG_SPAN_X), EAX);
        A.Mov(ECX, a(&S->y));
        A.Sub(ECX, A.i(gc->limits.windowBiasY));
        A.Mov(sp(GL_OG_SPAN_Y), ECX);
        // The front buffer's address (or the draw buffer's) in dest, the back buffer's in dest2.
        for (int i = 0; i < colorBuffers(); i++) colorAddress(i, i ? GL_OG_SPAN_DEST2 : GL_OG_SPAN_DEST);
        if (!colorBuffers()) A.Mov(sp(GL_OG_SPAN_DEST), A.i(0));
        // dither = table + (y & 3) x 35 + (x & 3) (the MMX fill takes its
        // dither lanes from x and y).
        if (!mmxFill()) {
            A.Mov(ECX, sp(GL_OG_SPAN_Y));
            A.And(ECX, A.i(3));
            A.Imul(ECX, A.i(GL_SPAN_DITHER_ROW * 4));
            A.And(EAX, A.i(3));
            A.Lea(ECX, A.mx(ECX, EAX, 4, (GLint)(uintptr_t)&__glSpanDitherTables[0][0][0]));
            A.Mov(sp(GL_OG_SPAN_DITHER), ECX);
            A.Mov(a(&S->ditherStart), ECX);
        }

        // The MMX fill without texture converts no float here.
        const bool x87 = !mmxFill() || (CF() & GL_RF_TEXTURE);
        if (x87) cw(GL_OG_CW_DOUBLE);
        if (lateSteps()) {
            GlOgNode* have = A.label();
            A.Cmp(ESI, A.i(1));
            A.Jle(have);
            A.Cmp(a(&S->colorStepsSet), A.i(0));
            A.Jne(have);
            colorSteps();
            if (CF() & GL_RF_DEPTH_TEST) depthSteps();
            A.Mov(a(&S->colorStepsSet), A.i(1));
            A.place(have);
        }
        // Colours: fixed16((spanColor + skip x d) x scale + bias).
        const GLint values[4] = {GL_OG_SPAN_RED, GL_OG_SPAN_GREEN, GL_OG_SPAN_BLUE, GL_OG_SPAN_ALPHA};
        const int nc = k->rgba ? 4 : 1;
        const bool smooth = (CF() & GL_RF_SMOOTH_COLOR) != 0;
        // The flat pixel: each field's integer part held to its range (the
        // whole fill reads it for a flat colour without dither only).
        const bool flatPixel = mode() == 1 || (k->rgba && !k->textured && !smooth && !k->dither);
        // The MMX fill's colours: the row's 16.16 value plus the pixels cut
        // off times the step; the x87 colours of the other fills.
        const auto colorStarts = [&](bool clipped) {
            for (int c = 0; c < 4; c++) {
                if (c >= nc) {
                    A.Mov(sp(values[c]), A.i(0));
                    continue;
                }
                if (c == 3 && mode() == 0 && !(mmxFill() && mmxChannels() == 4)) continue;  // the whole fill's formats keep no alpha
                if (c == 3 && !alphaRead()) {  // the chain half: the set-up made no alpha
                    A.Mov(sp(values[c]), A.i(0));
                    continue;
                }
                if (mmxFill()) {
                    if (clipped) {
                        A.Mov(EAX, a(&S->skip));
                        A.Imul(EAX, sp(GL_OG_SPAN_RED_STEP + 4 * c));
                        A.Add(EAX, a(&S->mmxRow[c]));
                    } else {
                        A.Mov(EAX, a(&S->mmxRow[c]));
                    }
                    A.Mov(sp(values[c]), EAX);
                    if (!smooth && !k->textured && !k->dither) A.Mov(a(&S->value[c]), EAX);  // the flat pixel's
                    continue;
                }
                A.FldS(a(&st->spanColor[c]));
                if (smooth) {
                    A.Fild32(a(&S->skip));
                    A.FmulS(a(&st->colorDx[c]));
                    A.Faddp(ST(1));
                } else {
                    A.FaddD(a(&K.zero));
                }
                if (c == 3) scaleAlpha(false);
                const double* bias = c < 3 ? &kBias[k->dither ? 1 : 0] : &kBias[(CF() & GL_RF_ALPHA_TEST) ? 2 : 0];
                A.FaddD(a(bias));
                __glOgFixed16(A, S);
                A.Mov(sp(values[c]), EAX);
                if (c < 3 && flatPixel) A.Mov(a(&S->value[c]), EAX);
            }
        };
        // Depth value and addresses at the span's first pixel.
        const auto depthStarts = [&](bool clipped) {
            if (clipped) A.Mov(EDX, a(&S->skip));
            const auto start = [&](GLint scale, const void* row) {
                if (!clipped) return A.Mov(EAX, a(row));
                A.Mov(EAX, EDX);
                if (scale != 1) A.Imul(EAX, scale ? A.i(scale) : a(&st->zDx));
                A.Add(EAX, a(row));
            };
            if (CF() & GL_RF_DEPTH_TEST) {
                start(0, &st->spanZ);
                A.Mov(sp(GL_OG_SPAN_Z), EAX);
            }
            if (CF() & GL_RF_DEPTH) {
                start((GLint)k->depthBytes, &st->depthAddress);
                A.Mov(sp(GL_OG_SPAN_DEPTH_ADDRESS), EAX);
            }
            if (CF() & GL_RF_STENCIL) {
                start(1, &st->stencilAddress);
                A.Mov(sp(GL_OG_SPAN_STENCIL_ADDRESS), EAX);
                A.Mov(sp(GL_OG_SPAN_STENCIL_PASS_MASK), A.i(0));
            }
        };
        if (mmxFill()) {
            // A span the clip box did not cut (most): the row's values as they are.
            GlOgNode* clipped = A.label(), *started = A.label();
            A.Cmp(a(&S->skip), A.i(0));
            A.Jne(clipped);
            colorStarts(false);
            depthStarts(false);
            A.Jmp(started);
            A.place(clipped);
            colorStarts(true);
            depthStarts(true);
            A.place(started);
            // (The MMX fill and its twin read it in no other case.)
            if (flatPixel) flatPixelField(flatPixel);
        } else {
            colorStarts(true);
            flatPixelField(flatPixel);
            depthStarts(true);
        }
        if (CF() & GL_RF_FOG_FRAGMENT) {
            A.FldS(a(&st->spanFog));
            A.Fild32(a(&S->skip));
            A.FmulS(a(&st->fogDx));
            A.Faddp(ST(1));
            if (!k->fogNicest) {
                A.FmulD(a(&kBias[3]));
                A.FaddD(a(&kBias[0]));
            }
            __glOgFixed16(A, S);
            A.Mov(sp(GL_OG_SPAN_FOG), EAX);
        }
        if (CF() & GL_RF_TEXTURE) {
            // Floats: t + (float)skip x d, each product rounded to a float.
            const GLint fields[4] = {GL_OG_SPAN_TEX_S, GL_OG_SPAN_TEX_T, GL_OG_SPAN_TEX_Q, GL_OG_SPAN_TEX_LOD};
            for (int i = 0; i < (mmxFill() ? mmxTexFloats() : 4); i++) {  // level of detail: mipmaps alone
                A.Fild32(a(&S->skip));
                A.FmulS(a(&st->textureDx[i]));
                A.FstpS(a(&S->rounded));
                A.FldS(a(&S->rounded));
                A.FaddS(a(&st->spanTexture[i]));
                A.FstpS(sp(fields[i]));
            }
            const GLint fixedFields[2] = {GL_OG_SPAN_S, GL_OG_SPAN_T};
            for (int i = 0; i < 2 && !mmxPerspective(); i++) {
                A.FldS(sp(fields[i]));
                A.FmulS(a(&gc->chain.texScale[i]));
                __glOgFixed16(A, S);
                A.Mov(sp(fixedFields[i]), EAX);
            }
            if (mmxPerspective()) {
                // 1/q of the span's start (constant along it when the fill
                // takes it), s/q and t/q and their steps.
                const GLint from[4] = {GL_OG_SPAN_TEX_S, GL_OG_SPAN_TEX_T, GL_OG_SPAN_TEX_S_STEP, GL_OG_SPAN_TEX_T_STEP};
                const GLint to[4] = {GL_OG_SPAN_S, GL_OG_SPAN_T, GL_OG_SPAN_S_STEP, GL_OG_SPAN_T_STEP};
                A.Fld1();
                A.FdivS(sp(GL_OG_SPAN_TEX_Q));
                if (mmxMip()) {  // L = the level of detail x 1/q, as a float
                    A.FldS(sp(GL_OG_SPAN_TEX_LOD));
                    A.FmulS(ST(1));
                    A.FstpS(a(&S->fill.lodBits));
                    __glGenMmxLevelPieces(gc, k, A);
                }
                GlOgNode* compute = A.label(true), *kept = A.label();
                for (int i = 0; i < 4; i++) {
                    if (i == 2) {
                        // The steps of the span before when its q was the same.
                        A.Mov(EAX, sp(GL_OG_SPAN_TEX_Q));
                        A.Cmp(EAX, a(&S->stepQ));
                        A.Jne(compute);
                        A.Cmp(a(&S->stepQValid), A.i(0));
                        A.Jne(kept);
                        A.place(compute);
                        A.Mov(a(&S->stepQ), EAX);
                        A.Mov(a(&S->stepQValid), A.i(1));
                    }
                    A.FldS(sp(from[i]));
                    A.FmulS(ST(1));
                    mmxTexels(i & 1);
                    __glOgFixed16(A, S);
                    A.Mov(sp(to[i]), EAX);
                }
                A.place(kept);
                A.FstpS(ST(0));
                subSpans();
            }
        }
        if (x87) callerCw();
    }

    // The frame's flat pixel from S->value (0 unless flatPixel).
    void flatPixelField(bool flatPixel) {
        A.Xor(EDI, EDI);
        for (int c = 0; c < 3 && k->rgba && k->colorBytes && flatPixel; c++) {
            GlOgNode* low = A.label(true), *done = A.label(true);
            A.Mov(EAX, a(&S->value[c]));
            A.Sar(EAX, A.i(16));
            A.Test(EAX, EAX);
            A.Js(low);
            A.Cmp(EAX, A.i((GLint)k->maximum[c]));
            A.Jbe(done);
            A.Mov(EAX, A.i((GLint)k->maximum[c]));
            A.Jmp(done);
            A.place(low);
            A.Xor(EAX, EAX);
            A.place(done);
            if (k->shift[c]) A.Shl(EAX, A.i((GLint)k->shift[c]));
            A.Or(EDI, EAX);
        }
        A.Mov(sp(GL_OG_SPAN_FLAT_PIXEL), EDI);
    }

    // With q varying along the span, the MMX fill's sub-spans: s/q and t/q
    // at the first pixel of each and at the pixel after it (the span's last
    // for the last one), the steps between by integer division; the frame's
    // s, t and steps are those of the first. EAX, EBX, ECX, EDX, EDI changed;
    // double precision.
    void subSpans() {
        GlOgMmxFillScratch* X = &S->fill;
        GlOgNode* constant = A.label(), *next = A.label(), *last = A.label(), *end = A.label(), *done = A.label();
        A.Mov(a(&X->subAt[0]), A.i(0));
        A.Mov(a(&X->subAt[4]), A.i(0));
        A.Mov(EAX, sp(GL_OG_SPAN_TEX_Q_STEP));
        A.Add(EAX, EAX);
        A.Je(constant);
        A.Mov(a(&S->stepQValid), A.i(0));  // the frame's steps become the first sub-span's
        // j, the first sub-span's length, and the copies that end one.
        A.Mov(EAX, sp(GL_OG_SPAN_DEST));
        if (k->colorBytes == 2) A.Shr(EAX, A.i(1));
        if (k->colorBytes == 4) A.Shr(EAX, A.i(2));
        A.And(EAX, A.i(3));
        A.Mov(ECX, A.ax(__glMmxSubSpanLengths, EAX, 4));
        A.Mov(a(&X->subL), ECX);
        A.Cmp(EAX, A.i(1));
        A.Sbb(EAX, EAX);  // -1 when j is 0
        A.And(EAX, A.i(0x01000000 - 1));
        A.Inc(EAX);       // byte 3 when j is 0, else byte 0
        A.Mov(a(&X->subAt[0]), EAX);
        A.Mov(a(&X->subAt[4]), EAX);
        A.Mov(EAX, sp(GL_OG_SPAN_S));
        A.Mov(a(&X->subU[0]), EAX);
        A.Mov(EAX, sp(GL_OG_SPAN_T));
        A.Mov(a(&X->subU[1]), EAX);
        A.Mov(a(&X->subP), A.i(0));
        A.Mov(a(&X->subNext), A.i((GLint)(uintptr_t)X->sub[0]));
        A.place(next);
        // The sub-span's end: p + L, or the span's last pixel.
        A.Mov(ECX, ESI);
        A.Sub(ECX, a(&X->subP));
        A.Cmp(ECX, a(&X->subL));
        A.Jle(last);
        A.Mov(ECX, a(&X->subL));
        A.Mov(a(&X->subD), ECX);
        A.Add(ECX, a(&X->subP));
        A.Jmp(end);
        A.place(last);  // subL 0: the last one
        A.Dec(ECX);
        A.Mov(a(&X->subD), ECX);
        A.Mov(a(&X->subL), A.i(0));
        A.Lea(ECX, A.m(ESI, -1));
        A.place(end);
        A.Mov(a(&X->subEnd), ECX);
        // s/q and t/q there.
        A.Fild32(a(&X->subEnd));
        A.FmulS(sp(GL_OG_SPAN_TEX_Q_STEP));
        A.FaddS(sp(GL_OG_SPAN_TEX_Q));
        A.Fld1();
        A.Fdivrp(ST(1));
        const GLint from[2] = {GL_OG_SPAN_TEX_S, GL_OG_SPAN_TEX_T}, steps[2] = {GL_OG_SPAN_TEX_S_STEP, GL_OG_SPAN_TEX_T_STEP};
        for (int i = 0; i < 2; i++) {
            A.Fild32(a(&X->subEnd));
            A.FmulS(sp(steps[i]));
            A.FaddS(sp(from[i]));
            A.FmulS(ST(1));
            mmxTexels(i);
            __glOgFixed16(A, S);
            A.Mov(a(&X->subE[i]), EAX);
        }
        A.FstpS(ST(0));
        // The entry: start and step of s and t; the end is the next start.
        A.Mov(EDI, a(&X->subNext));
        for (int i = 0; i < 2; i++) {
            GlOgNode* flat = A.label(true), *stored = A.label(true);
            A.Mov(EBX, a(&X->subU[i]));
            A.Mov(A.m(EDI, 8 * i), EBX);
            A.Mov(EAX, a(&X->subE[i]));
            A.Mov(a(&X->subU[i]), EAX);
            A.Cmp(a(&X->subD), A.i(0));
            A.Je(flat);
            A.Sub(EAX, EBX);
            A.Cdq();
            A.Idiv(a(&X->subD));
            A.Jmp(stored);
            A.place(flat);
            A.Xor(EAX, EAX);
            A.place(stored);
            A.Mov(A.m(EDI, 8 * i + 4), EAX);
        }
        A.Add(a(&X->subNext), A.i(16));
        A.Cmp(a(&X->subL), A.i(0));
        A.Je(done);
        A.Mov(a(&X->subL), A.i(16));
        A.Mov(EAX, a(&X->subEnd));
        A.Mov(a(&X->subP), EAX);
        A.Jmp(next);
        A.place(done);
        // The span starts with the first entry; the loop reloads from the second.
        for (int i = 0; i < 4; i++) {
            const GLint to[4] = {GL_OG_SPAN_S, GL_OG_SPAN_S_STEP, GL_OG_SPAN_T, GL_OG_SPAN_T_STEP};
            A.Mov(EAX, a(&X->sub[0][i]));
            A.Mov(sp(to[i]), EAX);
        }
        A.Mov(a(&X->subNext), A.i((GLint)(uintptr_t)X->sub[1]));
        A.place(constant);
    }

    // The groups of 32 pixels of the span: mode 1 runs the chain head with
    // the group's coverage mask, mode 0 the span body; the span's values
    // advance by their group steps between groups.
    void groups(bool chain) {
        GlOgNode* group = A.label(), *done = A.label();
        if (!chain) {  // a span of one pixel alone
            A.Cmp(ESI, A.i(1));
            A.Jne(group);
            __glOgGenSpanPixel(gc, k, A, done);
            A.Jmp(done);
        }
        A.place(group);
        if (chain) {
            GlOgNode* full = A.label(true);
            A.Mov(ECX, A.i(-1));
            A.Cmp(ESI, A.i(32));
            A.Jge(full);
            A.Mov(ECX, A.ax(__glCoverageMasks, ESI, 4));
            A.place(full);
            A.Mov(EDX, EBP);
            A.Call(a(&gc->procs.fillTriangle));
        } else {
            __glOgGenSpanBody(gc, k, A, subroutines);
        }
        A.Sub(ESI, A.i(32));
        A.Jle(done);
        A.Add(sp(GL_OG_SPAN_X), A.i(32));
        A.Add(sp(GL_OG_SPAN_DEST), A.i(32 * (GLint)k->colorBytes));
        if (k->bothBuffers) {
            GlOgNode* none = A.label(true);
            A.Cmp(sp(GL_OG_SPAN_DEST2), A.i(0));
            A.Je(none);
            A.Add(sp(GL_OG_SPAN_DEST2), A.i(32 * (GLint)k->colorBytes));
            A.place(none);
        }
        A.Mov(EAX, a(&S->ditherStart));
        A.Mov(sp(GL_OG_SPAN_DITHER), EAX);
        const GLint values[4] = {GL_OG_SPAN_RED, GL_OG_SPAN_GREEN, GL_OG_SPAN_BLUE, GL_OG_SPAN_ALPHA};
        const GLint steps32[4] = {GL_OG_SPAN_RED_STEP32, GL_OG_SPAN_GREEN_STEP32, GL_OG_SPAN_BLUE_STEP32,
                                  GL_OG_SPAN_ALPHA_STEP32};
        for (int c = 0; c < 4; c++) {
            A.Mov(EAX, sp(steps32[c]));
            A.Add(sp(values[c]), EAX);
        }
        A.Mov(EAX, sp(GL_OG_SPAN_Z_STEP32));
        A.Add(sp(GL_OG_SPAN_Z), EAX);
        if (CF() & GL_RF_DEPTH) A.Add(sp(GL_OG_SPAN_DEPTH_ADDRESS), A.i(32 * (GLint)k->depthBytes));
        if (CF() & GL_RF_STENCIL) A.Add(sp(GL_OG_SPAN_STENCIL_ADDRESS), A.i(32));
        A.Mov(EAX, sp(GL_OG_SPAN_FOG_STEP32));
        A.Add(sp(GL_OG_SPAN_FOG), EAX);
        if (CF() & GL_RF_TEXTURE) {
            cw(GL_OG_CW_DOUBLE);
            const GLint fields[4] = {GL_OG_SPAN_TEX_S, GL_OG_SPAN_TEX_T, GL_OG_SPAN_TEX_Q, GL_OG_SPAN_TEX_LOD};
            const GLint steps[4] = {GL_OG_SPAN_TEX_S_STEP32, GL_OG_SPAN_TEX_T_STEP32, GL_OG_SPAN_TEX_Q_STEP32,
                                    GL_OG_SPAN_TEX_LOD_STEP32};
            for (int i = 0; i < 4; i++) {
                A.FldS(sp(fields[i]));
                A.FaddS(sp(steps[i]));
                A.FstpS(sp(fields[i]));
            }
            callerCw();
            A.Mov(EAX, sp(GL_OG_SPAN_S_STEP32));
            A.Add(sp(GL_OG_SPAN_S), EAX);
            A.Mov(EAX, sp(GL_OG_SPAN_T_STEP32));
            A.Add(sp(GL_OG_SPAN_T), EAX);
        }
        A.Jmp(group);
        A.place(done);
    }

    // ---- The rows of one part, S->y .. S->y1 - 1 (at least one row; __glWalkTriangleEmit);
    // to `finished` after the triangle's last row (lower1 - 1), whose edges
    // and values are not stepped.
    void walkPart(GlOgNode* exit, GlOgNode* finished) {
        // Depth and stencil addresses at the left edge of the first row.
        if (F() & GL_RF_DEPTH) bufferAddress(&gc->fb.depth.buf, k->depthBytes, &st->depthAddress);
        if (F() & GL_RF_STENCIL) bufferAddress(&gc->fb.stencil.buf, 1, &st->stencilAddress);
        // The part has a row (y < y1): the test comes after each.
        GlOgNode* row = A.label(), *noSpan = A.label();
        A.place(row);
        A.Mov(EAX, a(&st->rightEdge.x));
        A.Cmp(EAX, a(&st->leftEdge.x));
        A.Jle(noSpan);
        GlOgNode* piece = A.label();
        if (mmxPieces()) A.Mov(a(&S->pieceX), A.i((GLint)0x80000000u));
        A.place(piece);
        spanStart(noSpan);
        if (mmxFill()) {
            GlOgNode* drawn = A.label();
            if (k->fill[FILL_TWIN]) {
                A.Push(ESI);
                A.Push(EBP);
                A.Push(A.i((GLint)(uintptr_t)record));
                A.Push(A.i((GLint)(uintptr_t)gc));
                A.callAbs((const void*)__glMmxFillSpan);
                A.Add(ESP, A.i(16));
            } else {
                __glGenMmxSpanProc(gc, k, A, mmxSubs);
            }
            A.place(drawn);
            if (mmxPieces()) {
                A.Cmp(a(&S->pieceCut), A.i(0));
                A.Jne(piece);
            }
        } else {
            groups(mode() == 1);
        }
        A.place(noSpan);
        A.Mov(EAX, a(&S->y));
        A.Inc(EAX);
        A.Cmp(EAX, a(&S->lower1));
        A.Jge(finished);
        stepRow();
        A.Inc(a(&S->y));
        A.Mov(EAX, a(&S->y));
        A.Cmp(EAX, a(&S->y1));
        A.Jl(row);
        A.Jmp(exit);
    }
    // address = base + (y - biasY) x stride + (left.x - biasX) x bytes.
    void bufferAddress(const GlBufferObject* b, GLuint bytes, uint8_t** out) {
        A.Mov(EAX, a(&S->y));
        A.Sub(EAX, A.i(gc->limits.windowBiasY));
        A.Imul(EAX, a(&b->stride));
        A.Mov(ECX, a(&st->leftEdge.x));
        A.Sub(ECX, A.i(gc->limits.windowBiasX));
        if (bytes != 1) A.Imul(ECX, A.i((GLint)bytes));
        A.Add(EAX, ECX);
        A.Add(EAX, a(&b->base));
        A.Mov(a(out), EAX);
    }
    // stepEdge(e): ECX = 1 when the big step was taken.
    void stepEdge(GlEdge* e) {
        GlOgNode* little = A.label(true), *done = A.label(true);
        A.Mov(EAX, a(&e->fraction));
        A.Add(EAX, a(&e->fractionStep));
        A.Xor(ECX, ECX);
        A.Test(EAX, EAX);
        A.Jns(little);
        A.And(EAX, A.i(0x7FFFFFFF));
        A.Mov(a(&e->fraction), EAX);
        A.Mov(EAX, a(&e->bigStep));
        A.Add(a(&e->x), EAX);
        A.Inc(ECX);
        A.Jmp(done);
        A.place(little);
        A.Mov(a(&e->fraction), EAX);
        A.Mov(EAX, a(&e->littleStep));
        A.Add(a(&e->x), EAX);
        A.place(done);
    }
    void stepRow() {
        stepEdge(&st->leftEdge);
        const int nc = mmxFill() ? 0 : colorCount();
        for (int c = 0; mmxFill() && c < mmxChannels() && colorCount(); c++) {
            A.Mov(EAX, A.ax(S->mmxRowStep[c], ECX, 4));
            A.Add(a(&S->mmxRow[c]), EAX);
        }
        if (nc || (F() & (GL_RF_TEXTURE | GL_RF_FOG_FRAGMENT))) cw(GL_OG_CW_DOUBLE);
        // Float values: little steps, and the big steps 16 bytes on (fog: 4).
        A.Mov(EDX, ECX);
        A.Shl(EDX, A.i(4));
        for (int i = 0; i < nc; i++) {
            A.FldS(a(&st->spanColor[i]));
            A.FaddS(A.mem(EDX, nullptr, 1, (GLint)(uintptr_t)&st->colorLittleStep[i]));
            A.FstpS(a(&st->spanColor[i]));
        }
        if (F() & GL_RF_TEXTURE)
            for (int i = 0; i < (mmxFill() ? mmxTexFloats() : 4); i++) {
                A.FldS(a(&st->spanTexture[i]));
                A.FaddS(A.mem(EDX, nullptr, 1, (GLint)(uintptr_t)&st->textureLittleStep[i]));
                A.FstpS(a(&st->spanTexture[i]));
            }
        static_assert(offsetof(GlSpanState, colorBigStep) == offsetof(GlSpanState, colorLittleStep) + 16 &&
                          offsetof(GlSpanState, textureBigStep) == offsetof(GlSpanState, textureLittleStep) + 16 &&
                          offsetof(GlSpanState, zBigStep) == offsetof(GlSpanState, zLittleStep) + 4 &&
                          offsetof(GlSpanState, fogBigStep) == offsetof(GlSpanState, fogLittleStep) + 4 &&
                          offsetof(GlSpanState, depthLittleStep) == offsetof(GlSpanState, depthBigStep) + 4 &&
                          offsetof(GlSpanState, stencilLittleStep) == offsetof(GlSpanState, stencilBigStep) + 4,
                      "little and big steps side by side");
        if (F() & GL_RF_FOG_FRAGMENT) {
            A.FldS(a(&st->spanFog));
            A.FaddS(A.ax(&st->fogLittleStep, ECX, 4));
            A.FstpS(a(&st->spanFog));
        }
        if (nc || (F() & (GL_RF_TEXTURE | GL_RF_FOG_FRAGMENT))) callerCw();
        // Integer values: big when ECX is 1 (the big step of depth and
        // stencil addresses first in the record).
        A.Mov(EDX, ECX);
        A.Xor(EDX, A.i(1));
        if (F() & GL_RF_STENCIL) {
            A.Mov(EAX, A.ax(&st->stencilBigStep, EDX, 4));
            A.Add(a(&st->stencilAddress), EAX);
        }
        if (F() & GL_RF_DEPTH_TEST) {
            A.Mov(EAX, A.ax(&st->zLittleStep, ECX, 4));
            A.Add(a(&st->spanZ), EAX);
        }
        if (F() & GL_RF_DEPTH) {
            A.Mov(EAX, A.ax(&st->depthBigStep, EDX, 4));
            A.Add(a(&st->depthAddress), EAX);
        }
        stepEdge(&st->rightEdge);
        for (int i = 0; i < colorBuffers(); i++) {
            A.Mov(EAX, a(&S->colorStride[i]));
            A.Add(a(&S->colorRow[i]), EAX);
        }
    }

    // The MMX fill's colours at the left edge of the rows in 16.16, stepped
    // per row as the edge steps: fixed16(colour + bias) and the steps (not
    // for a triangle of one row, whose edges are never stepped: the rows
    // upper0 .. lower1 - 1 of both parts are one range).
    void mmxRows() {
        cw(GL_OG_CW_DOUBLE);
        const int channels = mmxChannels();
        for (int c = 0; c < channels; c++) {
            A.FldS(a(&st->spanColor[c]));
            if (c == 3) scaleAlpha(true);
            A.FaddD(c == 3 ? a(&kMmxAlpha[1]) : a(&kBias[k->dither ? 1 : 0]));
            __glOgFixed16(A, S);
            A.Mov(a(&S->mmxRow[c]), EAX);
        }
        if (colorCount()) {
            GlOgNode* oneRow = A.label();
            A.Mov(EAX, a(&S->lower1));
            A.Sub(EAX, a(&S->upper0));
            A.Cmp(EAX, A.i(1));
            A.Je(oneRow);
            for (int c = 0; c < channels; c++)
                for (int big = 0; big < 2; big++) {
                    A.FldS(a(big ? &st->colorBigStep[c] : &st->colorLittleStep[c]));
                    if (c == 3) scaleAlpha(true);
                    __glOgFixed16(A, S);
                    A.Mov(a(&S->mmxRowStep[c][big]), EAX);
                }
            A.place(oneRow);
        }
        callerCw();
    }

    // The lower part's edge (and start values) in place of the upper part's.
    void takeLowerPart() {
        GlOgLowerPart* l = &S->lower;
        GlOgNode* left = A.label(), *done = A.label();
        A.Cmp(a(&l->replacesLeft), A.i(0));
        A.Jne(left);
        copy(&l->edge, &st->rightEdge, sizeof(GlEdge));
        A.Jmp(done);
        A.place(left);
        copy(&l->edge, &st->leftEdge, sizeof(GlEdge));
        // What __glSetSpanStartValues and setupLeftEdgeSteps wrote for the state.
        const GLuint n = 4 * (GLuint)colorCount();
        copy(l->spanColor, st->spanColor, n);
        copy(l->colorLittleStep, st->colorLittleStep, n);
        copy(l->colorBigStep, st->colorBigStep, n);
        if (mmxFill()) mmxRows();
        if (F() & GL_RF_TEXTURE) {
            copy(l->spanTexture, st->spanTexture, 16);
            copy(l->textureLittleStep, st->textureLittleStep, 16);
            copy(l->textureBigStep, st->textureBigStep, 16);
        }
        if (F() & GL_RF_FOG_FRAGMENT) {
            copy(&l->spanFog, &st->spanFog, 4);
            copy(&l->fogLittleStep, &st->fogLittleStep, 4);
            copy(&l->fogBigStep, &st->fogBigStep, 4);
        }
        if (F() & GL_RF_DEPTH_TEST) {
            copy(&l->spanZ, &st->spanZ, 4);
            copy(&l->zLittleStep, &st->zLittleStep, 4);
            copy(&l->zBigStep, &st->zBigStep, 4);
        }
        if (F() & GL_RF_DEPTH) {
            copy(&l->depthLittleStep, &st->depthLittleStep, 4);
            copy(&l->depthBigStep, &st->depthBigStep, 4);
        }
        if (F() & GL_RF_STENCIL) {
            copy(&l->stencilLittleStep, &st->stencilLittleStep, 4);
            copy(&l->stencilBigStep, &st->stencilBigStep, 4);
        }
        A.place(done);
    }
    void copy(const void* from, void* to, GLuint bytes) {
        for (GLuint i = 0; i < bytes; i += 4) {
            A.Mov(EAX, a((const uint8_t*)from + i));
            A.Mov(a((uint8_t*)to + i), EAX);
        }
    }

    // The MMX fill without texture and blending: a triangle of (doubled)
    // area at most 50 takes the x86 walker and body that follow it, whose
    // pixels are the chain's; the MMX fill's work per triangle outweighs its
    // gain on a few pixels.
    // The x86 fill without texture the other way round: a triangle of
    // (doubled) area above 50 takes the chain (eight pixels a step), which
    // then outruns the fill's pixel at a time; the pixels are the same.
    uint8_t* generate() {
        if (mmxFill() && !k->fill[FILL_TWIN] && __glOgMmxTexelSites(k)) {
            // Any address of a level: above 127, every displacement takes 32 bits.
            GlMmxFill f;
            __glMmxFillOf(k, &f);
            for (int set = 0; set < (f.twoLevels ? 2 : 1); set++) {
                GlOgTexelSites* t = (GlOgTexelSites*)A.reserve(sizeof(GlOgTexelSites), 4);
                if (t) __glOgMmxInitSites(k, t);
                (set ? mmxSubs.sites2 : mmxSubs.sites) = t;
            }
            if (mmxMip()) {
                GlOgMmxLevel* levels = (GlOgMmxLevel*)A.reserve(__glOgMmxLevelCount(k) * sizeof(GlOgMmxLevel), 8);
                if (levels) __glOgMmxLevels(k, levels);
                mmxSubs.levels = levels;
                if (f.magSeparate()) mmxSubs.filterProcs = (void**)A.reserve(2 * sizeof(void*), 4);
            }
        }
        uint8_t* entry = A.out;
        GlOgNode* small = nullptr, *large = nullptr;
        uint8_t* jump = nullptr;  // the size test's 32-bit displacement
        const auto areaTest = [&](GlOgNode* to, bool above) {
            A.Mov(EAX, a(&st->area));
            A.And(EAX, A.i(0x7FFFFFFF));
            A.Cmp(EAX, A.i(0x42480000));  // 50.0f
            if (above) A.Ja(to);
            else A.Jbe(to);
            jump = A.out - 4;
        };
        if (mmxFill() && !k->textured && !(F() & GL_RF_BLEND)) areaTest(small = A.label(), false);
        else if (k->mode == 0 && !mmxFill() && !k->textured) areaTest(large = A.label(), true);
        GlOgNode* whole = A.label();
        A.place(whole);
        A.schedule();  // the walker's runs of instructions placed in pairs
        walker();
        A.unschedule();
        if (small) laterHalf(small, GL_OG_HALF_SMALL, whole, jump);
        if (large) laterHalf(large, GL_OG_HALF_LARGE, whole, jump);
        return entry;
    }
    // The half behind a size test is made at its first triangle
    // (__glOgGenWalkerHalf, into the rest of the entry): the test's jump
    // goes to `to`, a stub that makes the half, and is then turned to the
    // half, or to `whole` when the half did not fit: that walker draws any
    // triangle with the same pixels. The stub's words in the entry: where it
    // goes on, `whole`, which half, the jump's displacement.
    void laterHalf(GlOgNode* to, GLuint half, GlOgNode* whole, uint8_t* jump) {
        GLuint* words = (GLuint*)A.reserve(4 * sizeof(GLuint), 4);
        if (!words) return;
        A.place(to);
        A.Push(EAX);
        A.Push(ECX);
        A.Push(EDX);
        A.Sub(ESP, A.i(4));
        A.Fnstcw(A.m(ESP));
        callerCw();
        A.Push(A.i((GLint)(uintptr_t)words));
        A.Push(A.i((GLint)(uintptr_t)gc));
        A.callAbs((const void*)__glOgGenWalkerHalf);
        A.Add(ESP, A.i(8));
        A.Fldcw(A.m(ESP));
        A.Add(ESP, A.i(4));
        A.Pop(EDX);
        A.Pop(ECX);
        A.Pop(EAX);
        A.JmpIndirect(a(words));
        if (A.failed) return;
        words[0] = 0;
        words[1] = (GLuint)(uintptr_t)A.addressOf(whole);
        words[2] = half;
        words[3] = (GLuint)(uintptr_t)jump;
    }
    void walker() {
        A.Mov(EBP, ESP);
        triangleConstants();
        if (mmxFill() && !k->fill[FILL_TWIN]) __glGenMmxTriangle(gc, k, A, mmxSubs);
        if (mmxFill()) mmxRows();
        // One row loop for both parts: S->walkLower says which one ends.
        // The colour rows from the first row on: the lower part's rows follow the upper's.
        GlOgNode* lower = A.label(), *lowerFirst = A.label(), *done = A.label(), *part = A.label(),
                  *partEnd = A.label();
        A.Mov(a(&S->walkLower), A.i(0));
        A.Mov(EAX, a(&S->upper0));
        A.Cmp(EAX, a(&S->upper1));
        A.Jge(lowerFirst);
        A.Mov(a(&S->y), EAX);
        A.Mov(EAX, a(&S->upper1));
        A.Mov(a(&S->y1), EAX);
        colorRows();
        A.place(part);
        walkPart(partEnd, done);
        A.place(partEnd);
        A.Cmp(a(&S->walkLower), A.i(0));
        A.Jne(done);
        A.Jmp(lower);
        A.place(lowerFirst);
        A.Mov(EAX, a(&S->lower0));
        A.Mov(a(&S->y), EAX);
        colorRows();
        A.place(lower);
        A.Mov(EAX, a(&S->lower0));
        A.Cmp(EAX, a(&S->lower1));
        A.Jge(done);
        A.Mov(a(&S->walkLower), A.i(1));
        takeLowerPart();
        A.Mov(EAX, a(&S->lower0));
        A.Mov(a(&S->y), EAX);
        A.Mov(EAX, a(&S->lower1));
        A.Mov(a(&S->y1), EAX);
        A.Jmp(part);
        A.place(done);
        // Unlock the draw buffers when the set-up locked them.
        GlOgNode* unlocked = A.label(true);
        A.Cmp(a(&gc->procs.lockDrawBuffers), A.i(0));
        A.Je(unlocked);
        A.Dec(a(&S->lockCount));
        A.Jne(unlocked);
        A.Mov(EAX, a(&gc->procs.unlockDrawBuffers));
        A.Test(EAX, EAX);
        A.Je(unlocked);
        A.Push(A.i((GLint)(uintptr_t)gc));
        A.Call(EAX);
        A.Add(ESP, A.i(4));
        A.place(unlocked);
        A.Mov(EAX, A.i(1));
        A.JmpIndirect(a(&gc->og.gen.ogReturnAddress));
        if (mmxFill()) {
            if (!k->fill[FILL_TWIN]) __glGenMmxSubroutines(gc, k, A, mmxSubs);
        } else if (mode() == 0) {
            __glOgGenSpanBodySubroutines(gc, k, A, subroutines);
        }
    }
    GlOgNode* subroutines;
    GlOgMmxSubroutines mmxSubs;
    const void* record;  // the key record in the cache entry
    bool integer = false;  // emitting the x86 half of an MMX fill
    bool chainHalf = false;  // emitting the chain half of an x86 fill
};

}  // namespace

void __glOgFixed16(GlOgAsm& A, GlOgRasterScratch* S) {
    // w = v + 1.5 x 2^36; its low words less the bias's are round(v x 2^16)
    // while |v| < 2^35. Beyond: held to the ends; not a number gives the low end.
    // (A value in range falls through its tests.)
    GlOgNode* other = A.label(true), *beyond = A.label(true), *low = A.label(true), *high = A.label(true),
              *done = A.label(true);
    A.FaddD(A.a(&K.magic16));
    A.FstpD(A.a(&S->temp));
    A.Mov(EAX, A.a(&S->temp));
    A.Mov(EDX, A.a((const uint8_t*)&S->temp + 4));
    A.Sub(EDX, A.i(0x42380000));
    A.Jne(other);
    A.Cmp(EAX, A.i(0x7FFF0000));
    A.Jbe(done);
    A.place(high);
    A.Mov(EAX, A.i(0x7FFF0000));
    A.Jmp(done);
    A.place(other);
    A.Cmp(EDX, A.i(-1));
    A.Jne(beyond);
    A.Cmp(EAX, A.i((GLint)0x80000000u));
    A.Jae(done);
    A.Jmp(low);
    A.place(beyond);
    A.Jl(low);
    A.Cmp(EDX, A.i(0x7FF00000 - 0x42380000));
    A.Jg(low);  // not a number
    A.Jl(high);
    A.Test(EAX, EAX);
    A.Je(high);
    A.place(low);
    A.Mov(EAX, A.i((GLint)0x80000000u));
    A.place(done);
}

bool __glOgRasterKeyOf(GlContext* gc, GLint mode, GlOgRasterKey* key) {
    memset(key, 0, sizeof *key);
    const GlChainPick* pick = &gc->chain;
    const GlColorBuffer* cb = gc->drawBuffer;
    key->rasterFlags = gc->rasterFlags;
    key->chainFlags = pick->flags;
    key->rgba = pick->rgba;
    key->dither = pick->dither;
    key->textured = (pick->flags & GL_RF_TEXTURE) != 0;
    key->texFloat = pick->texFloat;
    key->colorBytes = cb ? cb->buf.elementSize : 0;
    key->depthBytes = (gc->rasterFlags & GL_RF_DEPTH) ? gc->fb.depth.buf.elementSize : 0;
    key->fogNicest = gc->hints.fog == GL_NICEST;
    key->flatFog = (gc->rasterFlags & (GL_RF_FOG_VERTEX | GL_RF_SMOOTH)) == GL_RF_FOG_VERTEX;
    const GlOgLayout* vl = &gc->og.gen.vertexLayout;
    key->vertexLayout = vl->locked ? 1 : vl->signature | 0x80000000u;
    for (int c = 0; c < 3 && cb && pick->rgba; c++) key->shift[c] = cb->shift[c], key->maximum[c] = cb->maximum[c];
    key->bothBuffers = gc->bothBuffers;
    key->mode = (GLuint)mode;
    // Polygon offset takes the C++ set-up (the picker forces it); both
    // buffers take the chain's store.
    if ((gc->rasterFlags & GL_RF_POLYGON_OFFSET) || !vl->locked) return false;
    return mode == 1 || (!gc->bothBuffers && __glOgSpanBodyKey(gc, key));
}

namespace {

// The walker of a key: the cached one, or generated (null when it did not fit).
GlSpanProc walkerOf(GlContext* gc, const GlOgRasterKey& k) {
    GlOgClaim c;
    __glOgClaim(gc, GL_OG_CACHE_SPAN, (GLint)(k.rasterFlags & 0x7FFFFFFF), &k, sizeof k, &c);
    if (c.hit) return (GlSpanProc)__glOgHitEntry(&c);
    GlOgAsm A;
    A.begin(gc, c.code, c.end);
    Walk w{{gc, &k, A, __glOgScratch(gc), &gc->span}, A.label(), {A.label(), A.label(), A.label(), A.label(), A.label(), A.label(), A.label(), nullptr, nullptr, nullptr, nullptr}, c.record};
    uint8_t* entry = w.generate();
    return (GlSpanProc)__glOgFinish(gc, &c, &A, entry, nullptr);
}

}  // namespace

extern "C" void GLPROC __glOgGenWalkerHalf(GlContext* gc, GLuint* words) {
    GlOgClaim c;
    __glOgReopen(gc, GL_OG_CACHE_SPAN, words, &c);
    const GlOgRasterKey* k = (const GlOgRasterKey*)c.record;
    GlOgAsm A;
    A.begin(gc, c.code, c.end);
    Walk w{{gc, k, A, __glOgScratch(gc), &gc->span}, A.label(), {A.label(), A.label(), A.label(), A.label(), A.label(), A.label(), A.label(), nullptr, nullptr, nullptr, nullptr}, c.record};
    w.integer = words[2] == GL_OG_HALF_SMALL;
    w.chainHalf = words[2] == GL_OG_HALF_LARGE;
    uint8_t* entry = A.out;
    A.schedule();
    w.walker();
    A.unschedule();
    __glOgGrown(&c, &A);
    words[0] = A.failed ? words[1] : (GLuint)(uintptr_t)entry;
    uint8_t* jump = (uint8_t*)(uintptr_t)words[3];
    const GLint displacement = (GLint)(words[0] - (GLuint)(uintptr_t)(jump + 4));
    memcpy(jump, &displacement, 4);
}

extern "C" GlSpanProc GLPROC __glGenSpanProc(GlContext* gc, GLint mode) {
    if (__glOgRasterDisabled) return nullptr;
    GlOgRasterKey k;
    if (!__glOgRasterKeyOf(gc, mode, &k)) return nullptr;
    GlSpanProc p = walkerOf(gc, k);
    // An MMX fill too large for its entry: the walker calling its twin.
    if (!p && mode == 0 && __glOgMmxBodyTakes(&k) && !k.fill[FILL_TWIN]) {
        k.fill[FILL_TWIN] = 1;
        p = walkerOf(gc, k);
    }
    return p;
}
