// The textured-span stage of the chain, generated for one texture: the
// C++ nearest-texel stage (spanNearest in raster/chaintex.cpp) specialised by
// the level's stored format and size and the output texel size. It writes
// one texel per live pixel, packed, into the span's texel buffer: the texel
// pointer advances for live pixels only, the coordinates for every pixel.
//
// Coordinates are kept as that stage keeps them: s shifted so that the
// column lies just below the row bits of t, the texel index one AND, OR and
// shift away; a 1-D texture has no row bits (row 0). Perspective: each half
// of the group is one run, divided at its first and at its last live pixel
// in single precision as the C++ stage divides, its coordinates rounded to
// 16.16 as __glTexFixed16 rounds. A paletted texel's index is ANDed with the
// palette's width - 1 and looked up by the palette's format, read at each
// call.
//
// Registers: ECX the mask left, EDI the texel output, ESI and EBP the
// shifted s and t, EBX the level's texels, EAX and EDX work.

#include <float.h>
#include "codegen/rasterwalk.h"
#include "raster/chaintex.h"
#include "texture/texture.h"

namespace {

enum { TF_LUM, TF_LUMALPHA, TF_RGB, TF_RGBA, TF_ALPHA, TF_INTENSITY, TF_INDEX8 };
static_assert(GL_TEX_LEVEL_SLACK >= 1, "a three-byte texel is read as a word");
static_assert(sizeof(((GlSpan*)0)->texels) >= 3 * GL_SPAN_GROUP_PIXELS + 1, "a three-byte texel is written as a word");
constexpr GLint kSourceBytes[7] = {1, 2, 3, 4, 1, 1, 1};
// Palette variants of an index texel (chosen at each call).
enum { PV_INDEX, PV_ZERO, PV_ALPHA, PV_RGB, PV_RGBA, PV_LUM, PV_LUMALPHA, PV_INTENSITY, PV_NONE, PV_COUNT };

struct TexKey {
    GLuint format;  // TF_*
    GLuint bytes;   // output texel bytes
    GLuint perspective;
    GLint widthLog2, heightLog2;
};

const GLfloat kReciprocal[16] = {0.0f,        1.0f,        1.0f / 2,  1.0f / 3,  1.0f / 4,  1.0f / 5,
                                 1.0f / 6,    1.0f / 7,    1.0f / 8,  1.0f / 9,  1.0f / 10, 1.0f / 11,
                                 1.0f / 12,   1.0f / 13,   1.0f / 14, 1.0f / 15};
const GLfloat kFixedLow = -32768.0f, kFixedHigh = 32767.996f, kFixedScale = 65536.0f, kSixteen = 16.0f,
              kMinPositive = FLT_MIN, kZero = 0.0f, kOne = 1.0f;

struct Tex {
    GlContext* gc;
    const TexKey& k;
    GlOgAsm& A;
    GlOgTexScratch* T;

    GlOgNode* a(const void* p) { return A.a(p); }
    GlOgNode* sp(GLint field) { return A.m(EDX, field); }

    // Grid of the level: row bits at the top of t, column bits below them in s.
    GLuint rowField() const { return k.heightLog2 ? ~0u << (32 - k.heightLog2) : 0u; }
    GLuint columnField() const {
        return k.widthLog2 ? ((1u << k.widthLog2) - 1) << (32 - k.widthLog2 - k.heightLog2) : 0u;
    }
    GLint shift() const { return k.widthLog2 + k.heightLog2 ? 32 - k.widthLog2 - k.heightLog2 : 31; }
    GLint sShift() const { return 16 - k.heightLog2 - k.widthLog2; }
    GLint tShift() const { return 16 - k.heightLog2; }

    // The 16.16 value in `reg` shifted as the grid keeps s (t: `isT`).
    void toGrid(GlOgNode* reg, bool isT) {
        const GLint sh = isT ? tShift() : sShift();
        if (sh > 0) A.Shl(reg, A.i(sh));
        else if (sh < 0) A.Sar(reg, A.i(-sh));
    }

    // The texel index of the pixel into EAX, times the source size.
    void texelIndex() {
        const GLuint rows = rowField(), columns = columnField();
        if (!rows && !columns) {
            A.Xor(EAX, EAX);
            return;
        }
        if (rows) {
            A.Mov(EAX, EBP);
            A.And(EAX, A.i((GLint)rows));
        }
        if (columns) {
            A.Mov(EDX, ESI);
            A.And(EDX, A.i((GLint)columns));
            if (rows) A.Or(EAX, EDX);
            else A.Mov(EAX, EDX);
        }
        A.Shr(EAX, A.i(shift()));
        const GLint bytes = kSourceBytes[k.format];
        if (bytes == 2) A.Add(EAX, EAX);
        else if (bytes == 3) A.Lea(EAX, A.mx(EAX, EAX, 2));
        else if (bytes == 4) A.Shl(EAX, A.i(2));
    }

    // The output bytes of the stored texel at [EBX + EAX] (EDX work).
    void putTexel() {
        const auto src = [&](GLint d) { return A.mx(EBX, EAX, 1, d); };
        const auto out = [&](GLint d) { return A.m(EDI, d); };
        switch (k.format) {
        case TF_LUM:
        case TF_INTENSITY:
            A.Mov(DL, src(0));
            A.Mov(DH, DL);
            A.w16(GL_OG_Mov, out(0), EDX);
            A.Mov(out(2), DL);
            if (k.format == TF_INTENSITY) A.Mov(out(3), DL);
            break;
        case TF_LUMALPHA:
            A.Mov(DL, src(0));
            A.Mov(DH, DL);
            A.w16(GL_OG_Mov, out(0), EDX);
            A.Mov(out(2), DL);
            A.Mov(DL, src(1));
            A.Mov(out(3), DL);
            break;
        case TF_RGB:  // a word: the level keeps spare bytes, the buffer has room past the last texel
            A.Mov(EDX, src(0));
            A.Mov(out(0), EDX);
            break;
        case TF_RGBA:
            A.Mov(EDX, src(0));
            A.Mov(out(0), EDX);
            break;
        case TF_ALPHA:
            A.Mov(DL, src(0));
            A.Mov(out(0), DL);
            break;
        default:  // an index: the palette entry through the variant chosen at entry
            A.Movzx8(EAX, src(0));
            A.Call(a(&T->variant));
            break;
        }
    }

    // A run of pixels: the subroutine below.
    GlOgNode* runLabel;
    void run() { A.Call(runLabel); }
    // The pixels of one run: S and T from its 16.16 s and t, steps dS and dT
    // (all in the scratch record), mask bits in ECX.
    void runSubroutine() {
        A.Mov(ESI, a(&T->s));
        toGrid(ESI, false);
        A.Mov(EBP, a(&T->t));
        toGrid(EBP, true);
        A.Mov(EAX, a(&T->ds));
        toGrid(EAX, false);
        A.Mov(a(&T->ds), EAX);
        A.Mov(EAX, a(&T->dt));
        toGrid(EAX, true);
        A.Mov(a(&T->dt), EAX);
        __glOgEmitMaskWalk(
            A,
            [&] {
                texelIndex();
                putTexel();
                A.Add(EDI, A.i((GLint)k.bytes));
            },
            [&] {
                A.Add(ESI, a(&T->ds));
                A.Add(EBP, a(&T->dt));
            });
        A.Ret();
    }

    // __glTexFixed16(st(0)) into EAX, popped (a subroutine of the routine).
    GlOgNode* fixedLabel;
    void fixed16() { A.Call(fixedLabel); }
    // __glTexFixed16(st(0)) into EAX, popped: held to [-32768, 32767.996],
    // scaled by 2^16 in single precision and rounded to nearest.
    void fixed16Subroutine() {
        GlOgNode* low = A.label(true), *high = A.label(true), *scale = A.label(true);
        A.FstS(a(&T->value));
        A.FcompS(a(&kFixedLow));
        A.Fnstsw();
        A.Sahf();
        A.Jbe(low);  // not above the low end, or not a number
        A.FldS(a(&T->value));
        A.FcompS(a(&kFixedHigh));
        A.Fnstsw();
        A.Sahf();
        A.Jae(high);
        A.FldS(a(&T->value));
        A.Jmp(scale);
        A.place(low);
        A.FldS(a(&kFixedLow));
        A.Jmp(scale);
        A.place(high);
        A.FldS(a(&kFixedHigh));
        A.place(scale);
        A.FmulS(a(&kFixedScale));
        A.Fistp32(a(&T->fixed));
        A.Mov(EAX, a(&T->fixed));
        A.Ret();
    }
    // 1 / positive(q) in single precision into st(0); q at `q`.
    void reciprocal(const GLfloat* q) {
        GlOgNode* positive = A.label(true), *done = A.label(true);
        A.FldS(a(q));
        A.FcompS(a(&kZero));
        A.Fnstsw();
        A.Sahf();
        A.FldS(a(&kOne));
        A.Ja(positive);
        A.FdivS(a(&kMinPositive));
        A.Jmp(done);
        A.place(positive);
        A.FdivS(a(q));
        A.place(done);
    }

    // The perspective runs of the group (EDX the span): q constant along the
    // span, one run of 32; else each half of 16 with live pixels.
    void perspectiveRuns() {
        // The span's float values, stepped by halves below.
        A.Mov(EAX, sp(GL_OG_SPAN_TEX_S));
        A.Mov(a(&T->sq), EAX);
        A.Mov(EAX, sp(GL_OG_SPAN_TEX_T));
        A.Mov(a(&T->tq), EAX);
        A.Mov(EAX, sp(GL_OG_SPAN_TEX_Q));
        A.Mov(a(&T->q), EAX);
        A.Mov(EAX, sp(GL_OG_SPAN_TEX_S_STEP));
        A.Mov(a(&T->sStep), EAX);
        A.Mov(EAX, sp(GL_OG_SPAN_TEX_T_STEP));
        A.Mov(a(&T->tStep), EAX);
        A.Mov(EAX, sp(GL_OG_SPAN_TEX_Q_STEP));
        A.Mov(a(&T->qStep), EAX);
        __glOgControlWord(A, GL_OG_CW_SINGLE);
        GlOgNode* halves = A.label(), *done = A.label();
        // q step exactly 0 (+0 or -0): one linear run.
        A.Mov(EAX, a(&T->qStep));
        A.Add(EAX, EAX);
        A.Jne(halves);
        reciprocal(&T->q);
        A.FstS(a(&T->w0));
        A.FmulS(a(&T->sq));
        fixed16();
        A.Mov(a(&T->s), EAX);
        A.FldS(a(&T->tq));
        A.FmulS(a(&T->w0));
        fixed16();
        A.Mov(a(&T->t), EAX);
        A.FldS(a(&T->sStep));
        A.FmulS(a(&T->w0));
        fixed16();
        A.Mov(a(&T->ds), EAX);
        A.FldS(a(&T->tStep));
        A.FmulS(a(&T->w0));
        fixed16();
        A.Mov(a(&T->dt), EAX);
        callerControlWord();
        A.Mov(ECX, a(&T->mask));
        run();
        A.Jmp(done);
        A.place(halves);
        for (int half = 0; half < 2; half++) {
            GlOgNode* empty = A.label();
            A.Mov(ECX, a(&T->mask));
            if (half) A.Shl(ECX, A.i(16));
            else A.And(ECX, A.i((GLint)0xFFFF0000u));
            A.Mov(a(&T->runMask), ECX);
            A.Test(ECX, ECX);
            A.Je(empty);
            // The first pixel's coordinates.
            reciprocal(&T->q);
            A.FstS(a(&T->w0));
            A.FmulS(a(&T->sq));
            A.FstS(a(&T->s0));
            fixed16();
            A.Mov(a(&T->s), EAX);
            A.FldS(a(&T->tq));
            A.FmulS(a(&T->w0));
            A.FstS(a(&T->t0));
            fixed16();
            A.Mov(a(&T->t), EAX);
            A.Mov(a(&T->ds), A.i(0));
            A.Mov(a(&T->dt), A.i(0));
            // last = 31 - the lowest set bit; steps from the last live pixel.
            GlOgNode* single = A.label();
            A.Bsf(EAX, ECX);
            A.Neg(EAX);
            A.Add(EAX, A.i(31));
            A.Je(single);
            A.Mov(a(&T->last), EAX);
            A.Fild32(a(&T->last));
            A.FstpS(a(&T->k));
            A.FldS(a(&T->k));
            A.FmulS(a(&T->qStep));
            A.FaddS(a(&T->q));
            A.FstpS(a(&T->qLast));
            reciprocal(&T->qLast);
            A.FstpS(a(&T->w1));
            A.Mov(EAX, a(&T->last));
            for (int c = 0; c < 2; c++) {
                const GLfloat* base = c ? &T->tq : &T->sq;
                const GLfloat* step = c ? &T->tStep : &T->sStep;
                const GLfloat* first = c ? &T->t0 : &T->s0;
                A.FldS(a(&T->k));
                A.FmulS(a(step));
                A.FaddS(a(base));
                A.FmulS(a(&T->w1));
                A.FsubS(a(first));
                A.FmulS(A.ax(kReciprocal, EAX, 4));
                A.Push(EAX);
                fixed16();
                A.Mov(a(c ? &T->dt : &T->ds), EAX);
                A.Pop(EAX);
            }
            A.place(single);
            callerControlWord();
            A.Mov(ECX, a(&T->runMask));
            run();
            __glOgControlWord(A, GL_OG_CW_SINGLE);
            A.place(empty);
            if (!half) {
                // The second half's first pixel: 16 steps on.
                const GLfloat* values[3] = {&T->sq, &T->tq, &T->q};
                const GLfloat* steps[3] = {&T->sStep, &T->tStep, &T->qStep};
                for (int i = 0; i < 3; i++) {
                    A.FldS(a(&kSixteen));
                    A.FmulS(a(steps[i]));
                    A.FaddS(a(values[i]));
                    A.FstpS(a(values[i]));
                }
            }
        }
        callerControlWord();
        A.place(done);
    }
    void callerControlWord() { A.Fldcw(a(&T->callerCW)); }

    // One palette variant: the entry of index EAX (EDX work), written at EDI.
    void paletteVariant(int v) {
        const auto out = [&](GLint d) { return A.m(EDI, d); };
        if (v == PV_INDEX) {
            A.Mov(out(0), AL);
            A.Ret();
            return;
        }
        if (v == PV_ZERO || v == PV_NONE) {  // no palette data: zeros; a format without bytes: nothing
            if (v == PV_ZERO) A.Mov(out(0), A.i(0));
            A.Ret();
            return;
        }
        A.And(EAX, a(&T->paletteMask));
        A.Imul(EAX, a(&T->paletteComponents));
        A.Add(EAX, a(&T->palette));
        switch (v) {
        case PV_ALPHA: A.Mov(DL, A.m(EAX)), A.Mov(out(0), DL); break;
        case PV_RGB:
            A.Mov(DL, A.m(EAX)), A.Mov(out(0), DL), A.Mov(DL, A.m(EAX, 1)), A.Mov(out(1), DL);
            A.Mov(DL, A.m(EAX, 2)), A.Mov(out(2), DL);
            break;
        case PV_RGBA: A.Mov(EDX, A.m(EAX)), A.Mov(out(0), EDX); break;
        case PV_LUM:
        case PV_INTENSITY:
            A.Mov(DL, A.m(EAX)), A.Mov(out(0), DL), A.Mov(out(1), DL), A.Mov(out(2), DL);
            if (v == PV_INTENSITY) A.Mov(out(3), DL);
            break;
        default:  // PV_LUMALPHA
            A.Mov(DL, A.m(EAX)), A.Mov(out(0), DL), A.Mov(out(1), DL), A.Mov(out(2), DL);
            A.Mov(DL, A.m(EAX, 1)), A.Mov(out(3), DL);
            break;
        }
        A.Ret();
    }

    // The palette variant of the bound texture, as indexTexel decides it.
    void choosePalette(GlOgNode* variants[PV_COUNT]) {
        GlOgNode* chosen = A.label();
        // EBX = the params record.
        GlOgNode* index = A.label(), *zero = A.label(), *byFormat = A.label();
        A.Cmp(A.m(EBX, offsetof(GlTextureParams, baseFormat)), A.i(GL_COLOR_INDEX));
        A.Je(index);
        A.Cmp(A.m(EBX, offsetof(GlTextureParams, palette.baseFormat)), A.i(0));
        A.Je(index);
        A.Cmp(A.m(EBX, offsetof(GlTextureParams, palette.data)), A.i(0));
        A.Je(zero);
        A.Cmp(A.m(EBX, offsetof(GlTextureParams, palette.width)), A.i(0));
        A.Jle(zero);
        A.Mov(EAX, A.m(EBX, offsetof(GlTextureParams, palette.width)));
        A.Dec(EAX);
        A.Mov(a(&T->paletteMask), EAX);
        A.Mov(EAX, A.m(EBX, offsetof(GlTextureParams, palette.components)));
        A.Mov(a(&T->paletteComponents), EAX);
        A.Mov(EAX, A.m(EBX, offsetof(GlTextureParams, palette.data)));
        A.Mov(a(&T->palette), EAX);
        A.Jmp(byFormat);
        A.place(index);
        setVariant(variants[PV_INDEX], chosen);
        A.place(zero);
        setVariant(variants[PV_ZERO], chosen);
        A.place(byFormat);
        const struct {
            GLenum format;
            int v;
        } formats[] = {{GL_ALPHA, PV_ALPHA},         {GL_RGB, PV_RGB},
                       {GL_RGBA, PV_RGBA},           {GL_LUMINANCE, PV_LUM},
                       {GL_LUMINANCE_ALPHA, PV_LUMALPHA}, {GL_INTENSITY, PV_INTENSITY}};
        A.Mov(EAX, A.m(EBX, offsetof(GlTextureParams, palette.baseFormat)));
        for (const auto& f : formats) {
            GlOgNode* other = A.label(true);
            A.Cmp(EAX, A.i((GLint)f.format));
            A.Jne(other);
            setVariant(variants[f.v], chosen);
            A.place(other);
        }
        setVariant(variants[PV_NONE], chosen);
        A.place(chosen);
    }
    void setVariant(GlOgNode* label, GlOgNode* chosen) {
        // The variant's address is known once placed; variants are placed
        // before the stage's entry.
        A.Mov(a(&T->variant), A.i((GLint)(uintptr_t)A.addressOf(label)));
        A.Jmp(chosen);
    }

    uint8_t* generate() {
        GlOgNode* variants[PV_COUNT];
        if (k.format == TF_INDEX8)
            for (int v = 0; v < PV_COUNT; v++) {
                variants[v] = A.label();
                A.place(variants[v]);
                paletteVariant(v);
            }
        uint8_t* entry = A.out;
        A.schedule();  // runs of instructions placed in pairs
        A.Push(EBX);
        A.Push(ESI);
        A.Push(EDI);
        A.Push(EBP);
        A.Mov(a(&T->mask), ECX);
        A.Fnstcw(a(&T->callerCW));
        A.Mov(EBX, a(&gc->currentTexture));
        if (k.format == TF_INDEX8) choosePalette(variants);
        A.Mov(EBX, A.m(EBX, offsetof(GlTextureParams, levels)));
        A.Mov(EBX, A.m(EBX, offsetof(GlMipmapLevel, data)));
        A.Lea(EDI, sp(GL_OG_SPAN_TEXELS));
        if (k.perspective) {
            perspectiveRuns();
        } else {
            A.Mov(EAX, sp(GL_OG_SPAN_S));
            A.Mov(a(&T->s), EAX);
            A.Mov(EAX, sp(GL_OG_SPAN_T));
            A.Mov(a(&T->t), EAX);
            A.Mov(EAX, sp(GL_OG_SPAN_S_STEP));
            A.Mov(a(&T->ds), EAX);
            A.Mov(EAX, sp(GL_OG_SPAN_T_STEP));
            A.Mov(a(&T->dt), EAX);
            run();
        }
        A.Pop(EBP);
        A.Pop(EDI);
        A.Pop(ESI);
        A.Pop(EBX);
        A.Ret();
        A.place(runLabel);
        runSubroutine();
        if (k.perspective) {
            A.place(fixedLabel);
            fixed16Subroutine();
        }
        A.unschedule();
        return entry;
    }
};

int storedFormat(GLenum f) {
    switch (f) {
    case GL_LUMINANCE: return TF_LUM;
    case GL_LUMINANCE_ALPHA: return TF_LUMALPHA;
    case GL_RGB: return TF_RGB;
    case GL_RGBA: return TF_RGBA;
    case GL_ALPHA: return TF_ALPHA;
    case GL_INTENSITY: return TF_INTENSITY;
    case GL_COLOR_INDEX8_EXT: return TF_INDEX8;
    default: return -1;
    }
}

}  // namespace

extern "C" GlSpanProc GLPROC __glGenTexturedSpanCode(GlContext* gc, GLuint key, GLint widthLog2, GLint heightLog2) {
    const GlTextureParams* p = (const GlTextureParams*)gc->currentTexture;
    if (__glOgRasterDisabled || !p) return nullptr;
    const GlMipmapLevel* l = &p->levels[0];
    const int format = storedFormat(l->storedFormat);
    if (format < 0 || l->border || l->widthLog2 != widthLog2 || l->heightLog2 != heightLog2) return nullptr;
    TexKey k = {};
    k.format = (GLuint)format;
    k.bytes = (key & 0x40) ? 4 : ((key & 0x20) && p->baseFormat != GL_ALPHA) ? 3 : 1;
    k.perspective = (key & 0x10) != 0;
    k.widthLog2 = widthLog2;
    k.heightLog2 = heightLog2;
    const GlSpanProc twin = __glPickNearestTexturedSpan(p, (GLint)k.bytes, (GLboolean)k.perspective);
    if (!twin) return nullptr;
    GlOgClaim c;
    const GLuint keyB = (key >> 4) << 16 | (GLuint)p->dimensions << 21 | (GLuint)widthLog2 << 23 |
                        (GLuint)heightLog2 << 27 | (l->baseFormat & 0xFFFF);
    __glOgClaim(gc, GL_OG_CACHE_TEXSPAN, (GLint)(keyB & 0x7FFFFFFF), &k, sizeof k, &c);
    if (c.hit) return (GlSpanProc)__glOgHitEntry(&c);
    GlOgAsm A;
    A.begin(gc, c.code, c.end);
    Tex t{gc, k, A, &__glOgScratch(gc)->tex, A.label(), A.label()};
    uint8_t* entry = t.generate();
    return (GlSpanProc)__glOgFinish(gc, &c, &A, entry, (void*)twin);
}
