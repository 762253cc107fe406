// The triangle set-up generator: the routine that stands in
// procs.renderTriangle on the fast path. It does what __glGenericTriangle
// and __glSetupTriangleEmit do (sort, area, face and cull, face colours and
// vertex completion, guard band, rows, gradients, edges and start values of
// both parts of the triangle) and hands the triangle to the walker in
// procs.spanRoutine, which leaves through ogReturnAddress.
//
// Entry stub: (context, a, b, c) on the stack; it sorts the vertices and
// returns at once for a triangle that covers no pixel centre (within one
// pixel row or column, no row in the clip box, or one row whose span is
// empty), before anything else is set up. Otherwise it keeps its stack pointer in ogSavedStack, reserves the
// walker's frame (a GlSpan, 8-aligned) and calls the register entry with the
// sorted vertices in ESI, EDI and EBX. The register entry keeps its return
// address in ogReturnAddress; every path leaves
// through it, EAX = 0 for a triangle rejected before its face colours were
// set (nothing to restore), else 1. Completion and the other C++ procedures
// run under the caller's x87 control word, the arithmetic under the set-up's
// own words, and the stub restores the caller's word.

#include <functional>
#include <initializer_list>
#include <vector>
#include "codegen/rasterwalk.h"
#include "geometry/geometry.h"
#include "geometry/light.h"
#include "raster/chain.h"
#include "raster/fragment.h"

const GlOgRasterConstants __glOgRasterConst = {
    1.0, 2147483648.0, 1073741824.0, -1073741824.0, 103079215104.0, 4294967295.0, -2147483648.0,
    2147483647.0, 0.0, 4294967296.0, -4294967296.0, 0.0f, 1.0f, GL_GUARD_BAND, 1e30f, 32.0f,
    {0x007F, 0x027F, 0x0E7F, 0x0C7F}};

// Flat shading with per-vertex fog: each vertex's colour becomes the
// provoking colour fogged by the vertex's own fog value (as
// __glSetupTriangleFlat does), in the set-up's scratch colours.
extern "C" void GLPROC __glSetupFlatColorVertex(GlContext* gc, GlVertex* A, GlVertex* B, GlVertex* C) {
    GlOgRasterScratch* S = __glOgScratch(gc);
    GlVertex* v[3] = {A, B, C};
    const GlVertex* p = gc->provokingVertex ? gc->provokingVertex : C;
    for (int i = 0; i < 3; i++) __glFogBlend(gc, S->fogged[i], p->color, v[i]->fog);
    for (int i = 0; i < 3; i++) v[i]->color = S->fogged[i];
}

namespace {

const GlOgRasterConstants& K = __glOgRasterConst;

enum : GLint {
    VX_FLAGS = offsetof(GlVertex, flags),
    VX_COLOR = offsetof(GlVertex, color),
    VX_X = offsetof(GlVertex, window),
    VX_Y = offsetof(GlVertex, window) + 4,
    VX_Z = offsetof(GlVertex, window) + 8,
    VX_EYE_Z = offsetof(GlVertex, eye) + 8,
    VX_TEX = offsetof(GlVertex, texCoord),
    VX_TEX_LOD = offsetof(GlVertex, texLod),
    VX_FOG = offsetof(GlVertex, fog),
    VX_FRONT = offsetof(GlVertex, frontColor),
    VX_BACK = offsetof(GlVertex, backColor),
};
// The vertex's texture values interpolated as s, t and q.
constexpr GLint kTexIndex[3] = {0, 1, 3};

// Where __glSetSpanStartValues writes: the live state of the upper part, or
// the lower part's record.
struct StartTarget {
    GLfloat *spanColor, *colorLittleStep, *colorBigStep;
    GLfloat *spanTexture, *textureLittleStep, *textureBigStep;
    GLfloat *spanFog, *fogLittleStep, *fogBigStep;
    GLuint *spanZ, *zLittleStep, *zBigStep;
    GLint *depthLittleStep, *depthBigStep, *stencilLittleStep, *stencilBigStep;
};

struct Gen : GlOgRasterEmit {
    GlOgNode* vx(GlOgNode* reg, GLint field) { return A.m(reg, __glOgVertexField(gc, field)); }

    // ---- Vertex completion: __glCompleteVertex(gc, v, mask) with the mask in
    // EBP (kept) and the vertex pointer re-read from `at`, or in a register
    // the call keeps (EAX, ECX, EDX changed).
    void complete(GlVertex* const* at) {
        A.Mov(EDX, a(at));
        complete(EDX);
    }
    void complete(GlOgNode* v) {
        GlOgNode* done = A.label(true);
        A.Mov(EAX, A.m(v, VX_FLAGS));
        A.Not(EAX);
        A.Test(EAX, EBP);
        A.Je(done);
        A.Mov(EAX, A.m(v, VX_FLAGS));
        A.And(EAX, A.i(GL_VX_SIZE_MASK));
        A.Shr(EAX, A.i(10));
        A.Push(EBP);
        A.Push(v);
        A.Push(A.i((GLint)(uintptr_t)gc));
        A.Call(A.ax(&gc->procs.completeVertex0, EAX, 4));
        A.Add(ESP, A.i(12));
        A.place(done);
    }
    // The colour pointer of the vertex at `at`: its front colour, or its back
    // colour when ECX (the colour face) is 1.
    void faceColor(GlVertex* const* at) {
        A.Mov(EDX, a(at));
        A.Mov(EAX, ECX);
        A.Shl(EAX, A.i(4));
        A.Lea(EAX, A.mx(EDX, EAX, 1, VX_FRONT));
        A.Mov(A.m(EDX, VX_COLOR), EAX);
    }

    // fillTriangle's sort: s0 ESI, s1 EDI, s2 EBX by window y, equal values
    // keeping their order. The y are compared as integers: their order is
    // the floats' inside the guard band (positive), and a triangle with a
    // vertex outside it draws nothing in whatever order.
    void sortByY(GlOgNode* p, GlOgNode* q) {
        GlOgNode* keep = A.label(true);
        A.Mov(EAX, vx(p, VX_Y));
        A.Cmp(EAX, vx(q, VX_Y));
        A.Jle(keep);
        A.Mov(EAX, p);
        A.Mov(p, q);
        A.Mov(q, EAX);
        A.place(keep);
    }

    // __glSetupTriangleEmit's tests before any set-up, on the sorted
    // vertices: no row in the clip box, or a single row whose edges cross it
    // in the same pixel column (their x as the edge set-up takes them), go
    // to `empty`. S->iy[] stay; the arithmetic is the set-up's, so a vertex
    // outside the guard band gives a triangle that draws nothing either way.
    void coverage(GlOgNode* empty) {
        GlOgNode* vs[3] = {ESI, EDI, EBX};
        cw(GL_OG_CW_DOUBLE_CHOP);
        for (int i = 0; i < 3; i++) {
            A.FldS(vx(vs[i], VX_Y));
            A.Fistp32(a(&S->iy[i]));
        }
        // first = max(iyA, cy0); rows = min(iyC, cy1) - first.
        GlOgNode* more = A.label(), *lower = A.label(true), *have = A.label(true);
        A.Mov(EAX, a(&S->iy[0]));
        max(EAX, &st->clipBox[1]);
        A.Mov(ECX, a(&S->iy[2]));
        min(ECX, &st->clipBox[3]);
        A.Sub(ECX, EAX);
        A.Jle(empty);
        A.Mov(a(&S->rows), ECX);
        A.Cmp(ECX, A.i(1));
        A.Jne(more);
        A.Mov(a(&S->first), EAX);
        // The long edge: xA + (float)((xA - xC) / (yA - yC)) x (first + 1 - yA);
        // the short one from A to B in the upper part, from B to C (from its
        // row offset) in the lower part. Both slopes first, then both x.
        cw(GL_OG_CW_SINGLE);
        slopeTo(ESI, EBX, &S->slope);
        A.Cmp(EAX, a(&S->iy[1]));
        A.Jge(lower);
        slopeTo(ESI, EDI, &S->slopeShort);
        cw(GL_OG_CW_DOUBLE);
        rowOffset(ESI, &S->dyFirst);
        A.FldS(ST(0));
        A.FmulS(a(&S->slopeShort));
        A.FaddS(vx(ESI, VX_X));
        A.Jmp(have);
        A.place(lower);
        slopeTo(EDI, EBX, &S->slopeShort);
        cw(GL_OG_CW_DOUBLE);
        rowOffset(ESI, &S->dyFirst);
        rowOffset(EDI, &S->dyB);
        A.FmulS(a(&S->slopeShort));
        A.FaddS(vx(EDI, VX_X));
        A.place(have);
        A.Fxch(ST(1));
        A.FmulS(a(&S->slope));
        A.FaddS(vx(ESI, VX_X));
        cw(GL_OG_CW_DOUBLE_CHOP);
        A.Fistp32(a(&S->rowX[0]));
        A.Fistp32(a(&S->rowX[1]));
        A.Mov(EAX, a(&S->rowX[1]));
        A.Cmp(EAX, a(&S->rowX[0]));
        A.Je(empty);
        A.place(more);
    }
    // S->slope = (xP - xQ) / (yP - yQ) in single precision; the control word
    // double precision after it.
    void slopeBetween(GlOgNode* p, GlOgNode* q) {
        cw(GL_OG_CW_SINGLE);
        slopeTo(p, q, &S->slope);
        cw(GL_OG_CW_DOUBLE);
    }
    // The same into `to`, under single precision.
    void slopeTo(GlOgNode* p, GlOgNode* q, GLfloat* to) {
        A.FldS(vx(p, VX_X));
        A.FsubS(vx(q, VX_X));
        A.FldS(vx(p, VX_Y));
        A.FsubS(vx(q, VX_Y));
        A.Fdivp(ST(1));
        A.FstpS(a(to));
    }
    // st(0) = first + 1 - yV (kept in `to` too), under double precision.
    void rowOffset(GlOgNode* v, double* to) {
        A.Fild32(a(&S->first));
        A.FaddD(a(&K.one));
        A.FsubS(vx(v, VX_Y));
        A.FstD(a(to));
    }

    // The face of (a, b, c) into ECX (__glTriangleFace), the sorted area's
    // test done before.
    void face() {
        const GLint x = VX_X, y = VX_Y;
        // a, b and c as the stub was called with them.
        A.Mov(EDX, a(&gc->og.gen.ogSavedStack));
        A.Mov(EAX, A.m(EDX, 24));
        A.Mov(ECX, A.m(EDX, 28));
        A.Mov(EDX, A.m(EDX, 32));
        cw(GL_OG_CW_SINGLE);
        A.FldS(vx(EAX, x));
        A.FsubS(vx(EDX, x));
        A.FldS(vx(ECX, y));
        A.FsubS(vx(EDX, y));
        A.Fmulp(ST(1));
        A.FldS(vx(ECX, x));
        A.FsubS(vx(EDX, x));
        A.FldS(vx(EAX, y));
        A.FsubS(vx(EDX, y));
        A.Fmulp(ST(1));
        A.Fsubp(ST(1));
        A.FstpS(a(&S->areaFace));
        callerCw();
        // ccw: area >= 0 (y-inverted: area < 0); not a number: neither.
        A.FldS(a(&S->areaFace));
        A.FcompS(a(&K.zeroF));
        A.Fnstsw();
        A.And(AH, A.i(0x05));  // 0: >=, 1: <, 5: unordered
        GlOgNode* inverted = A.label(true), *ccw = A.label(true), *done = A.label(true);
        A.Cmp(a(&gc->yInverted), A.i(0));
        A.Jne(inverted);
        A.Cmp(AH, A.i(0));
        A.Je(ccw);
        A.Movzx8(ECX, a(&gc->cwFront));
        A.Jmp(done);
        A.place(inverted);
        A.Cmp(AH, A.i(1));
        A.Je(ccw);
        A.Movzx8(ECX, a(&gc->cwFront));
        A.Jmp(done);
        A.place(ccw);
        A.Movzx8(ECX, a(&gc->ccwFront));
        A.place(done);
    }

    // A smooth one-sided triangle shows its vertices' front colours.
    bool frontColorsOnly() const { return (F() & GL_RF_SMOOTH) && !(F() & GL_RF_TWO_SIDED); }
    // faceColors(gc, {a, b, c}, face in ECX, false).
    void faceColors() {
        if (frontColorsOnly()) {
            // Smooth, the front colours: each vertex's pointer at its front
            // colour, completion for triangleNeeds | faceNeeds[0].
            A.Mov(EBP, a(&gc->faceNeeds[0]));
            A.Or(EBP, a(&gc->triangleNeeds));
            for (GlOgNode* v : {ESI, EDI, EBX}) {
                A.Lea(EAX, vx(v, VX_FRONT));
                A.Mov(vx(v, VX_COLOR), EAX);
                complete(v);
            }
            return;
        }
        GlOgNode* smooth = A.label(), *done = A.label();
        // colorFace = twoSided ? face : 0; needs = faceNeeds[colorFace].
        GlOgNode* twoSided = A.label(true);
        A.Movzx8(EAX, a(&gc->twoSided));
        A.Test(EAX, EAX);
        A.Jne(twoSided);
        A.Xor(ECX, ECX);
        A.place(twoSided);
        A.Mov(A.a(&S->face), ECX);
        A.Movzx8(EAX, a(&gc->smoothShading));
        A.Test(EAX, EAX);
        A.Jne(smooth);
        // Flat: the provoking vertex's colour of the face, completed with
        // needs & 0x1B; then each vertex with triangleNeeds.
        A.Mov(EDX, a(&gc->provokingVertex));
        A.Mov(EAX, ECX);
        A.Shl(EAX, A.i(4));
        A.Lea(EAX, A.mx(EDX, EAX, 1, VX_FRONT));
        A.Mov(A.m(EDX, VX_COLOR), EAX);
        A.Mov(EBP, A.ax(&gc->faceNeeds[0], ECX, 4));
        A.And(EBP, A.i(0x1B));
        complete(&gc->provokingVertex);
        A.Mov(EBP, a(&gc->triangleNeeds));
        complete(&S->a);
        complete(&S->b);
        complete(&S->c);
        A.Jmp(done);
        A.place(smooth);
        A.Mov(EBP, A.ax(&gc->faceNeeds[0], ECX, 4));
        A.Or(EBP, a(&gc->triangleNeeds));
        GlVertex* const* vs[3] = {&S->a, &S->b, &S->c};
        for (GlVertex* const* v : vs) {
            A.Mov(ECX, a(&S->face));
            faceColor(v);
            complete(v);
        }
        A.place(done);
    }

    // insideGuard of the vertex in `v`: to `reject` when outside. The bounds
    // are positive (the clip box carries the window bias, larger than the
    // band), so the floats compare as their patterns: a negative value or
    // not-a-number falls outside one bound or the other.
    void guard(GlOgNode* (Gen::*vertex)(), GlOgNode* reject) {
        const auto at = [&](GLint field) { return vx((this->*vertex)(), field); };
        for (int axis = 0; axis < 2; axis++) {
            A.Mov(EAX, at(axis ? VX_Y : VX_X));
            A.Cmp(EAX, a(&S->guard[axis]));
            A.Jl(reject);
            A.Cmp(EAX, a(&S->guard[2 + axis]));
            A.Jg(reject);
        }
        A.Mov(EAX, at(VX_Z));
        A.And(EAX, A.i(0x7FFFFFFF));
        A.Cmp(EAX, a(&K.big30F));
        A.Jae(reject);
    }
    GlOgNode* regA() { return ESI; }
    GlOgNode* regB() { return EDI; }
    GlOgNode* regC() { return EBX; }

    // st(0) truncated to a 32-bit integer into EAX (popped).
    void truncate() {
        cw(GL_OG_CW_DOUBLE_CHOP);
        A.Fistp32(a(&S->whole));
        cw(GL_OG_CW_DOUBLE);
        A.Mov(EAX, a(&S->whole));
    }
    // st(0) truncated to 64 bits; the low word into EAX (popped).
    void truncate64() {
        cw(GL_OG_CW_DOUBLE_CHOP);
        A.Fistp64(a(&S->temp));
        cw(GL_OG_CW_DOUBLE);
        A.Mov(EAX, a(&S->temp));
    }

    // setupEdge(e, S->xs, S->slope) into the edge at EDX, double precision
    // on entry and exit, truncating in between. A slope within 2^30 (its
    // pattern) is d itself; a larger one or not a number takes the limits'
    // test out of the way.
    void setupEdge() {
        const auto e = [&](GLint field) { return A.m(EDX, field); };
        const GLint X = offsetof(GlEdge, x), FRACTION = offsetof(GlEdge, fraction);
        const GLint LITTLE = offsetof(GlEdge, littleStep), BIG = offsetof(GlEdge, bigStep);
        const GLint FRACTION_STEP = offsetof(GlEdge, fractionStep);
        cw(GL_OG_CW_DOUBLE_CHOP);  // exact differences and products by 2^31: only the truncations see it
        // i = trunc(xs); f = trunc((xs - i) 2^31); x = i + f's carry.
        A.FldD(a(&S->xs));
        A.Fistp32(e(X));
        A.FldD(a(&S->xs));
        A.Fild32(e(X));
        A.Fsubp(ST(1));
        A.FmulD(a(&K.fractionOne));
        A.Fistp64(a(&S->temp));
        A.Mov(EAX, a(&S->temp));
        A.Mov(ECX, EAX);
        A.Shr(ECX, A.i(31));
        A.Add(e(X), ECX);
        A.And(EAX, A.i(0x7FFFFFFF));
        A.Mov(e(FRACTION), EAX);
        // A triangle of one row never steps its edges.
        GlOgNode* steps = A.label(true);
        oneRow();
        A.Jne(steps);
        cw(GL_OG_CW_DOUBLE);
        A.Ret();
        A.place(steps);
        // d = slope held to [-2^30, 2^30]; littleStep = trunc(d).
        GlOgNode *limits = A.label(), *held = A.label(true);
        A.Mov(EAX, a(&S->slope));
        A.And(EAX, A.i(0x7FFFFFFF));
        A.Cmp(EAX, A.i(0x4E800000));
        A.Ja(limits);
        A.FldS(a(&S->slope));
        A.FstpD(a(&S->d));
        A.place(held);
        A.FldD(a(&S->d));
        A.Fistp32(e(LITTLE));
        A.Mov(EAX, e(LITTLE));
        // !(slope < 0) (its pattern above -0 and at most -infinity): big =
        // whole + 1, fraction step trunc((d - whole) 2^31); else big = whole
        // - 1, fraction step -trunc((whole - d) 2^31).
        GlOgNode* negative = A.label(true), *done = A.label(true);
        A.Mov(ECX, a(&S->slope));
        A.Sub(ECX, A.i((GLint)0x80000001u));
        A.Cmp(ECX, A.i(0x7F7FFFFF));
        A.Jbe(negative);
        A.Lea(ECX, A.m(EAX, 1));
        A.Mov(e(BIG), ECX);
        A.FldD(a(&S->d));
        A.Fild32(e(LITTLE));
        A.Fsubp(ST(1));
        A.FmulD(a(&K.fractionOne));
        A.Fistp32(e(FRACTION_STEP));
        A.Jmp(done);
        A.place(negative);
        A.Lea(ECX, A.m(EAX, -1));
        A.Mov(e(BIG), ECX);
        A.Fild32(e(LITTLE));
        A.FsubD(a(&S->d));
        A.FmulD(a(&K.fractionOne));
        A.Fistp32(a(&S->whole));
        A.Mov(EAX, a(&S->whole));
        A.Neg(EAX);
        A.Mov(e(FRACTION_STEP), EAX);
        A.place(done);
        cw(GL_OG_CW_DOUBLE);
        A.Ret();
        // The limits: above 2^30 (or at +infinity) 2^30, below -2^30 -2^30,
        // not a number as it is.
        A.place(limits);
        GlOgNode *low = A.label(true), *high = A.label(true);
        A.FldS(a(&S->slope));
        A.FstpD(a(&S->d));
        A.FldD(a(&S->d));
        fcmp(a(&K.limit30), true);
        A.Ja(high);
        A.FldD(a(&S->d));
        fcmp(a(&K.minus30), true);
        A.Jb(low);
        A.Jmp(held);
        A.place(high);
        A.FldD(a(&K.limit30));
        A.FstpD(a(&S->d));
        A.Jmp(held);
        A.place(low);
        A.Jp(held);  // not a number: no limit applies
        A.FldD(a(&K.minus30));
        A.FstpD(a(&S->d));
        A.Jmp(held);
    }

    // ZF set for a triangle of one row: the rows of both parts, upper0 ..
    // lower1 - 1, are one range. EAX changed.
    void oneRow() {
        A.Mov(EAX, a(&S->lower1));
        A.Sub(EAX, a(&S->upper0));
        A.Cmp(EAX, A.i(1));
    }

    // The left edge (at ECX) of the start values.
    GlOgNode* left(GLint field) { return A.m(ECX, field); }

    // setupLeftEdgeSteps from the left edge's steps.
    void leftEdgeSteps(const StartTarget& t) {
        const GLint LITTLE = offsetof(GlEdge, littleStep), BIG = offsetof(GlEdge, bigStep);
        if (F() & GL_RF_DEPTH) {
            const GlBufferObject* b = &gc->fb.depth.buf;
            A.Mov(EAX, left(LITTLE));
            A.Imul(EAX, A.i((GLint)k->depthBytes));
            A.Add(EAX, a(&b->stride));
            A.Mov(a(t.depthLittleStep), EAX);
            A.Mov(EAX, left(BIG));
            A.Imul(EAX, A.i((GLint)k->depthBytes));
            A.Add(EAX, a(&b->stride));
            A.Mov(a(t.depthBigStep), EAX);
        }
        if (F() & GL_RF_STENCIL) {
            const GlBufferObject* b = &gc->fb.stencil.buf;
            A.Mov(EAX, left(LITTLE));
            A.Add(EAX, a(&b->stride));
            A.Mov(a(t.stencilLittleStep), EAX);
            A.Mov(EAX, left(BIG));
            A.Add(EAX, a(&b->stride));
            A.Mov(a(t.stencilBigStep), EAX);
        }
    }

    // One float value's start and steps: start = v + dx Dx + dy Dy, little =
    // Dy + little Dx, big = little +- Dx (+ with bigRight); v at `value`.
    void startValue(GlOgNode* (Gen::*value)(), const GLfloat* Dx, const GLfloat* Dy, GLfloat* start, GLfloat* little,
                    GLfloat* big, bool bigRight, bool steps) {
        A.FldS(a(&S->startDx));
        A.FmulS(a(Dx));
        A.FaddS((this->*value)());
        A.FldS(a(&S->startDy));
        A.FmulS(a(Dy));
        A.Faddp(ST(1));
        A.FstpS(a(start));
        if (!steps) return;
        A.FldS(a(&S->little));
        A.FmulS(a(Dx));
        A.FaddS(a(Dy));
        A.FstS(a(little));
        if (bigRight) A.FaddS(a(Dx));
        else A.FsubS(a(Dx));
        A.FstpS(a(big));
    }
    GLint valueField;  // the field startValue reads through valueAt / colorAt
    GlOgNode* valueAt() { return vx(EDX, valueField); }
    GlOgNode* colorAt() { return A.m(ECX, valueField); }
    GlOgNode* fogAt() { return vx(EDX, k->fogNicest ? VX_EYE_Z : VX_FOG); }

    // __glSetSpanStartValues(gc, V (EDX, kept), dx, dy) into t, the left edge
    // at ECX: dx = (float)(left.x + 1 - xV), dy in S->startDy. The values
    // for a big step right of the little one, and for one left of it (the
    // second part returns through the subroutine's end).
    void startDx() {
        A.Fild32(left(offsetof(GlEdge, x)));
        A.FaddD(a(&K.one));
        A.FsubS(vx(EDX, VX_X));
        A.FstpS(a(&S->startDx));
    }
    void startValues(const StartTarget& t) {
        startDx();
        A.Fild32(left(offsetof(GlEdge, littleStep)));
        A.FstpS(a(&S->little));
        GlOgNode* bigLeft = A.label();
        A.Mov(EAX, left(offsetof(GlEdge, bigStep)));
        A.Cmp(EAX, left(offsetof(GlEdge, littleStep)));
        A.Jle(bigLeft);
        startValuesFor(t, true, true);
        A.Ret();
        A.place(bigLeft);
        startValuesFor(t, false, true);
    }
    // The start values into t, and with `steps` their little and big steps.
    void startValuesFor(const StartTarget& t, bool bigRight, bool steps) {
        cw(GL_OG_CW_SINGLE);
        const int nc = colorCount();
        if (nc) A.Mov(ECX, vx(EDX, VX_COLOR));
        for (int i = 0; i < nc; i++) {
            valueField = 4 * i;
            startValue(&Gen::colorAt, &st->colorDx[i], &st->colorDy[i], &t.spanColor[i], &t.colorLittleStep[i],
                       &t.colorBigStep[i], bigRight, steps);
        }
        if (F() & GL_RF_TEXTURE)
            for (int i = 0; i < 4; i++) {
                valueField = i < 3 ? VX_TEX + 4 * kTexIndex[i] : VX_TEX_LOD;
                startValue(&Gen::valueAt, &st->textureDx[i], &st->textureDy[i], &t.spanTexture[i],
                           &t.textureLittleStep[i], &t.textureBigStep[i], bigRight, steps);
            }
        if (F() & GL_RF_FOG_FRAGMENT)
            startValue(&Gen::fogAt, &st->fogDx, &st->fogDy, t.spanFog, t.fogLittleStep, t.fogBigStep, bigRight, steps);
        cw(GL_OG_CW_DOUBLE);
        if (F() & GL_RF_DEPTH_TEST) {
            // littleSum = little zDxF + zDyF; the steps by depthStep.
            if (steps) {
                A.FldS(a(&S->little));
                A.FmulS(a(&st->zDxF));
                A.FaddS(a(&st->zDyF));
                A.FstpD(a(&S->zLittleSum));
                A.FldD(a(&S->zLittleSum));
                depthStep(t.zLittleStep);
                A.FldD(a(&S->zLittleSum));
                if (bigRight) A.FaddS(a(&st->zDxF));
                else A.FsubS(a(&st->zDxF));
                depthStep(t.zBigStep);
            }
            // spanZ = depthValue(z + dx zDxF + dy zDyF).
            A.FldS(vx(EDX, VX_Z));
            A.FldS(a(&S->startDx));
            A.FmulS(a(&st->zDxF));
            A.Faddp(ST(1));
            A.FldS(a(&S->startDy));
            A.FmulS(a(&st->zDyF));
            A.Faddp(ST(1));
            depthValue(t.spanZ);
        }
    }

    // st(0) (popped) into `to` as the C++ conversions with limits do it: not
    // above *lo (not a number too) gives loValue, above *hi (or at it, with
    // atHigh) hiValue, else the value truncated to 32 or (wide) 64 bits.
    // Double precision: st(0) is the double it is stored as.
    void clampTruncate(const double* lo, GLint loValue, const double* hi, bool atHigh, GLint hiValue, bool wide,
                       void* to, bool positive, GLuint bound) {
        GlOgNode* done = A.label(), *limits = A.label();
        A.FstD(a(&S->d));
        // A value the limits leave alone truncates as it is: by the double's
        // high word, its sign cleared below `bound` (or from 1 below bound).
        A.Mov(EAX, a((const uint8_t*)&S->d + 4));
        if (positive) A.Dec(EAX);
        else A.And(EAX, A.i(0x7FFFFFFF));
        A.Cmp(EAX, A.i((GLint)bound));
        A.Jae(limits);
        cw(GL_OG_CW_DOUBLE_CHOP);
        if (wide) {
            A.Fistp64(a(&S->temp));
            cw(GL_OG_CW_DOUBLE);
            A.Mov(EAX, a(&S->temp));
            A.Mov(a(to), EAX);
        } else {
            A.Fistp32(a(to));
            cw(GL_OG_CW_DOUBLE);
        }
        A.place(done);
        // The limits out of the way, at the routine's end.
        cold.push_back([=] {
            GlOgNode* low = A.label(true), *high = A.label(true), *store = A.label(true);
            A.place(limits);
            A.FstpS(ST(0));
            A.FldD(a(&S->d));
            fcmp(a(lo), true);
            A.Jbe(low);
            A.FldD(a(&S->d));
            fcmp(a(hi), true);
            if (atHigh) A.Jae(high);
            else A.Ja(high);
            A.FldD(a(&S->d));
            if (wide) truncate64();
            else truncate();
            A.Jmp(store);
            A.place(low);
            A.Mov(EAX, A.i(loValue));
            A.Jmp(store);
            A.place(high);
            A.Mov(EAX, A.i(hiValue));
            A.place(store);
            A.Mov(a(to), EAX);
            A.Jmp(done);
        });
    }
    // depthStep: held to +-2^32 (whose low words are 0), truncated; within
    // +-2^32 (high words below 0x41F00000) as it is.
    void depthStep(GLuint* to) { clampTruncate(&K.minusTwo32, 0, &K.two32, false, 0, true, to, false, 0x41F00000); }
    // depthValue: 0 unless above 0, 2^32 - 1 from there up; from 2^-1022 to
    // 2^32 (high words 1 to 0x41EFFFFF) the truncation is the same.
    void depthValue(GLuint* to) { clampTruncate(&K.zero, 0, &K.depthTop, true, -1, true, to, true, 0x41EFFFFF); }
    // clampToInt; within +-2^31 (high words below 0x41E00000) the truncation.
    void clampToInt(GLint* to) {
        clampTruncate(&K.minusTwo31, (GLint)0x80000000u, &K.intMax, true, 0x7FFFFFFF, false, to, false, 0x41E00000);
    }

    // ---- setupGradients(gc, A, B, C): single precision.
    void gradientOf(GLint field, bool byColor, GLfloat* dx, GLfloat* dy) {
        const auto vA = [&] { return byColor ? A.m(EAX, field) : vx(ESI, field); };
        const auto vB = [&] { return byColor ? A.m(ECX, field) : vx(EDI, field); };
        const auto vC = [&] { return byColor ? A.m(EDX, field) : vx(EBX, field); };
        const GLfloat* p = S->plane;
        // vA - vC and vB - vC once for both.
        A.FldS(vA());
        A.FsubS(vC());
        A.FldS(vB());
        A.FsubS(vC());
        A.FldS(ST(1));
        A.FmulS(a(&p[0]));
        A.FldS(ST(1));
        A.FmulS(a(&p[1]));
        A.Fsubp(ST(1));
        A.FstpS(a(dx));
        A.FmulS(a(&p[2]));
        A.Fxch(ST(1));
        A.FmulS(a(&p[3]));
        A.Fsubp(ST(1));
        A.FstpS(a(dy));
    }
    void gradients() {
        cw(GL_OG_CW_SINGLE);
        A.FldS(a(&K.oneF));
        A.FdivS(a(&st->area));
        A.FstS(a(&S->planeK));
        A.FmulS(a(&st->dyBC));
        A.FstpS(a(&S->plane[0]));
        const GLfloat* factors[3] = {&st->dyAC, &st->dxAC, &st->dxBC};
        for (int i = 0; i < 3; i++) {
            A.FldS(a(&S->planeK));
            A.FmulS(a(factors[i]));
            A.FstpS(a(&S->plane[i + 1]));
        }
        const int nc = colorCount();
        if (nc) {
            A.Mov(EAX, vx(ESI, VX_COLOR));
            A.Mov(ECX, vx(EDI, VX_COLOR));
            A.Mov(EDX, vx(EBX, VX_COLOR));
            for (int i = 0; i < nc; i++) gradientOf(4 * i, true, &st->colorDx[i], &st->colorDy[i]);
        } else {
            // The provoking vertex's colour, or C's.
            GlOgNode* have = A.label(true);
            A.Mov(EAX, a(&gc->provokingVertex));
            A.Test(EAX, EAX);
            A.Jne(have);
            A.Mov(EAX, EBX);
            A.place(have);
            A.Mov(EAX, vx(EAX, VX_COLOR));
            for (int i = 0; i < ((F() & GL_RF_RGBA) ? 4 : 1); i++) {
                A.Mov(ECX, A.m(EAX, 4 * i));
                A.Mov(a(&st->spanColor[i]), ECX);
            }
        }
        if (F() & GL_RF_TEXTURE) {
            for (int i = 0; i < 3; i++)
                gradientOf(VX_TEX + 4 * kTexIndex[i], false, &st->textureDx[i], &st->textureDy[i]);
            // v->texLod = texLodPolygon(gc, state, s, t, q) x q, for A, B, C.
            GlOgNode* vs[3] = {ESI, EDI, EBX};
            for (GlOgNode* v : vs) {
                callerCw();
                A.Push(vx(v, VX_TEX + 12));
                A.Push(vx(v, VX_TEX + 4));
                A.Push(vx(v, VX_TEX));
                A.Push(A.i((GLint)(uintptr_t)st));
                A.Push(A.i((GLint)(uintptr_t)gc));
                A.Call(a(&gc->procs.texLodPolygon));
                A.Add(ESP, A.i(20));
                cw(GL_OG_CW_SINGLE);
                A.FmulS(vx(v, VX_TEX + 12));
                A.FstpS(vx(v, VX_TEX_LOD));
            }
            gradientOf(VX_TEX_LOD, false, &st->textureDx[3], &st->textureDy[3]);
        }
        if (F() & GL_RF_DEPTH_TEST) {
            gradientOf(VX_Z, false, &st->zDxF, &st->zDyF);
            cw(GL_OG_CW_DOUBLE);
            A.FldS(a(&st->zDxF));
            clampToInt(&st->zDx);
            A.Mov(EAX, a(&st->zDx));
            A.Shl(EAX, A.i(5));
            A.Mov(a(&st->zDx32), EAX);
            if (F() & GL_RF_FOG_FRAGMENT) cw(GL_OG_CW_SINGLE);
        }
        if (F() & GL_RF_FOG_FRAGMENT) gradientOf(k->fogNicest ? VX_EYE_Z : VX_FOG, false, &st->fogDx, &st->fogDy);
    }

    // xs = (double)xV + (double)slope x dy into S->xs.
    void edgeStart(GlOgNode* v, const double* dy) {
        cw(GL_OG_CW_DOUBLE);
        A.FldS(a(&S->slope));
        A.FmulD(a(dy));
        A.FaddS(vx(v, VX_X));
        A.FstpD(a(&S->xs));
    }
    // S->slope = (xP - xQ) / (yP - yQ), or a quotient of span deltas.
    void slopeOf(const GLfloat* dx, const GLfloat* dy) {
        cw(GL_OG_CW_SINGLE);
        A.FldS(a(dx));
        A.FdivS(a(dy));
        A.FstpS(a(&S->slope));
    }

    StartTarget live() {
        return {st->spanColor,        st->colorLittleStep,   st->colorBigStep,   st->spanTexture,
                st->textureLittleStep, st->textureBigStep,   &st->spanFog,       &st->fogLittleStep,
                &st->fogBigStep,       &st->spanZ,           &st->zLittleStep,   &st->zBigStep,
                &st->depthLittleStep,  &st->depthBigStep,    &st->stencilLittleStep, &st->stencilBigStep};
    }
    StartTarget lower() {
        GlOgLowerPart* l = &S->lower;
        return {l->spanColor,        l->colorLittleStep,   l->colorBigStep,   l->spanTexture,
                l->textureLittleStep, l->textureBigStep,   &l->spanFog,       &l->fogLittleStep,
                &l->fogBigStep,       &l->spanZ,           &l->zLittleStep,   &l->zBigStep,
                &l->depthLittleStep,  &l->depthBigStep,    &l->stencilLittleStep, &l->stencilBigStep};
    }

    void max(GlOgNode* r, const GLint* other) {  // r = max(r, *other) signed
        GlOgNode* keep = A.label(true);
        A.Cmp(r, a(other));
        A.Jge(keep);
        A.Mov(r, a(other));
        A.place(keep);
    }
    void min(GlOgNode* r, const GLint* other) {
        GlOgNode* keep = A.label(true);
        A.Cmp(r, a(other));
        A.Jle(keep);
        A.Mov(r, a(other));
        A.place(keep);
    }

    // __glSetupTriangleEmit(gc, A, B, C, longEdgeLeft) up to the walk: rows,
    // gradients, the edges and start values of both parts.
    // Guard band bounds: the clip box as floats, widened by the band. A
    // viewport inside the clip box keeps every vertex inside the band
    // (vertices inside the view volume lie in the viewport, their depth
    // within the depth range): no test then.
    void guardBand(GlOgNode* reject) {
        GlOgNode* guarded = A.label();
        A.Movzx8(EAX, a(&st->windowInside));
        A.Test(EAX, EAX);
        A.Jne(guarded);
        cw(GL_OG_CW_SINGLE);
        for (int i = 0; i < 4; i++) {
            A.Fild32(a(&st->clipBox[i]));
            if (i < 2) A.FsubS(a(&K.guardF));
            else A.FaddS(a(&K.guardF));
            A.FstpS(a(&S->guard[i]));
        }
        guard(&Gen::regA, reject);
        guard(&Gen::regB, reject);
        guard(&Gen::regC, reject);
        A.place(guarded);
    }

    // A triangle of one row in the clip box (S->rows), inside the guard
    // band: that row's edges at the x the coverage test took (an edge's
    // fraction there has no carry), the gradients and the start values at
    // the row's left end; the rows as the walker takes one part of one row.
    void oneRowTriangle() {
        A.Mov(EAX, a(&S->first));
        A.Mov(a(&S->upper0), EAX);
        A.Inc(EAX);
        A.Mov(a(&S->upper1), EAX);
        A.Mov(a(&S->lower0), EAX);
        A.Mov(a(&S->lower1), EAX);
        A.Mov(a(&st->rasterFlags), A.i((GLint)k->rasterFlags));
        A.Call(gradientSub);
        // The long edge is the left one when the area is positive.
        GlOgNode* longLeft = A.label(true), *atA = A.label(true), *started = A.label(true);
        A.Mov(EAX, a(&S->rowX[0]));
        A.Mov(ECX, a(&S->rowX[1]));
        A.Cmp(a(&st->area), A.i(0));
        A.Jg(longLeft);
        A.Mov(EAX, ECX);
        A.Mov(ECX, a(&S->rowX[0]));
        A.place(longLeft);
        A.Mov(a(&st->leftEdge.x), EAX);
        A.Mov(a(&st->rightEdge.x), ECX);
        // Start values at A from dyFirst, except for a row of the lower part
        // whose left edge is the short one: at B from dyB.
        A.Mov(EAX, a(&S->first));
        A.Cmp(EAX, a(&S->iy[1]));
        A.Jl(atA);
        A.Cmp(a(&st->area), A.i(0));
        A.Jg(atA);
        A.FldD(a(&S->dyB));
        A.Mov(EDX, EDI);
        A.Jmp(started);
        A.place(atA);
        A.FldD(a(&S->dyFirst));
        A.Mov(EDX, ESI);
        A.place(started);
        A.FstpS(a(&S->startDy));
        A.Mov(ECX, A.i((GLint)(uintptr_t)&st->leftEdge));
        A.Call(rowStartSub);
    }

    void setupTriangle(GlOgNode* reject) {
        // Rows: iy = trunc(y), taken before the guard (coverage).
        A.Mov(EAX, a(&S->iy[0]));
        A.Cmp(EAX, a(&S->iy[2]));
        A.Je(reject);
        // upper0 = max(iyA, cy0), upper1 = min(iyB, cy1), lower0 = max(iyB, cy0), lower1 = min(iyC, cy1).
        A.Mov(EAX, a(&S->iy[0]));
        max(EAX, &st->clipBox[1]);
        A.Mov(a(&S->upper0), EAX);
        A.Mov(ECX, a(&S->iy[1]));
        min(ECX, &st->clipBox[3]);
        A.Mov(a(&S->upper1), ECX);
        A.Mov(EDX, a(&S->iy[1]));
        max(EDX, &st->clipBox[1]);
        A.Mov(a(&S->lower0), EDX);
        A.Mov(EBP, a(&S->iy[2]));
        min(EBP, &st->clipBox[3]);
        A.Mov(a(&S->lower1), EBP);
        GlOgNode* some = A.label(true), *upperFirst = A.label(true), *firstDone = A.label(true);
        A.Cmp(EAX, ECX);
        A.Jl(some);
        A.Cmp(EDX, EBP);
        A.Jge(reject);
        A.place(some);
        // first = upper0 < upper1 ? upper0 : lower0.
        A.Cmp(EAX, ECX);
        A.Jl(upperFirst);
        A.Mov(EAX, EDX);
        A.place(upperFirst);
        A.Mov(a(&S->first), EAX);
        A.place(firstDone);
        A.Mov(a(&st->rasterFlags), A.i((GLint)k->rasterFlags));
        A.Call(gradientSub);

        // dyFirstA = first + 1 - yA; the long edge from A with sAC.
        cw(GL_OG_CW_DOUBLE);
        A.Fild32(a(&S->first));
        A.FaddD(a(&K.one));
        A.FsubS(vx(ESI, VX_Y));
        A.FstpD(a(&S->dyFirst));
        slopeOf(&st->dxAC, &st->dyAC);
        edgeStart(ESI, &S->dyFirst);
        // longEdgeLeft = area > 0: a positive pattern (the area of vertices
        // that passed the guard band, or lie in a viewport inside the clip
        // box, is a number).
        GlOgNode* longRight = A.label(), *upperDone = A.label(), *upperRows = A.label();
        A.Mov(EAX, a(&S->upper0));
        A.Cmp(EAX, a(&S->upper1));
        A.Jl(upperRows);
        {   // No upper rows: the lower part's edges and start values go to
            // the live state, and its rows are walked as the only part.
            GlOgNode* lowerLongRight = A.label(), *lowerSet = A.label();
            A.Cmp(a(&st->area), A.i(0));
            A.Jle(lowerLongRight);
            setupEdgeTo(&st->leftEdge);
            startAt(ESI, &st->leftEdge, &S->dyFirst);
            lowerEdge(&st->rightEdge);
            A.Jmp(lowerSet);
            A.place(lowerLongRight);
            setupEdgeTo(&st->rightEdge);
            lowerEdge(&st->leftEdge);
            startAt(EDI, &st->leftEdge, &S->dyB);
            A.place(lowerSet);
            A.Mov(EAX, a(&S->lower0));
            A.Mov(a(&S->upper0), EAX);
            A.Mov(EAX, a(&S->lower1));
            A.Mov(a(&S->upper1), EAX);
            A.Mov(a(&S->lower0), EAX);
            A.Jmp(upperDone);
        }
        A.place(upperRows);
        A.Cmp(a(&st->area), A.i(0));
        A.Jle(longRight);
        {   // The long edge is the left one: start values at A.
            setupEdgeTo(&st->leftEdge);
            startAt(ESI, &st->leftEdge, &S->dyFirst);
            upperEdge(&st->rightEdge, false);
            lowerEdge(&S->lower.edge);
            A.Mov(a(&S->lower.replacesLeft), A.i(0));
            A.Jmp(upperDone);
        }
        A.place(longRight);
        {   // The long edge is the right one: start values at B for the lower
            // part (made first, then kept in its record), at A for the upper.
            setupEdgeTo(&st->rightEdge);
            lowerEdge(&S->lower.edge);
            A.Mov(a(&S->lower.replacesLeft), A.i(1));
            GlOgNode* noLower = A.label();
            A.Mov(EAX, a(&S->lower0));
            A.Cmp(EAX, a(&S->lower1));
            A.Jge(noLower);
            startAt(EDI, &S->lower.edge, &S->dyB);
            keepLowerStart();
            A.place(noLower);
            upperEdge(&st->leftEdge, true);
        }
        A.place(upperDone);
    }

    // setupEdge into e (a subroutine of the routine).
    GlOgNode* edgeSub;
    GlOgNode* startSub;
    GlOgNode* gradientSub;
    GlOgNode* rowStartSub;
    std::vector<std::function<void()>> cold;  // emitted at the routine's end
    void setupEdgeTo(GlEdge* e) {
        A.Mov(EDX, A.i((GLint)(uintptr_t)e));
        A.Call(edgeSub);
    }
    // The left-edge steps and start values of the live state at vertex v
    // (a subroutine of the routine) from the edge and the row offset dy.
    void startAt(GlOgNode* v, const GlEdge* edge, const double* dy) {
        A.Mov(EDX, v);
        A.Mov(ECX, A.i((GLint)(uintptr_t)edge));
        A.Mov(EAX, A.i((GLint)(uintptr_t)dy));
        A.Call(startSub);
    }
    void copy(const void* from, void* to, GLuint bytes) {
        for (GLuint i = 0; i < bytes; i += 4) {
            A.Mov(EAX, a((const uint8_t*)from + i));
            A.Mov(a((uint8_t*)to + i), EAX);
        }
    }
    // What startAt wrote into the live state, kept as the lower part's.
    void keepLowerStart() {
        const StartTarget from = live(), to = lower();
        const GLuint n = 4 * (GLuint)colorCount();
        copy(from.spanColor, to.spanColor, n);
        copy(from.colorLittleStep, to.colorLittleStep, n);
        copy(from.colorBigStep, to.colorBigStep, n);
        if (F() & GL_RF_TEXTURE) {
            copy(from.spanTexture, to.spanTexture, 16);
            copy(from.textureLittleStep, to.textureLittleStep, 16);
            copy(from.textureBigStep, to.textureBigStep, 16);
        }
        if (F() & GL_RF_FOG_FRAGMENT) {
            copy(from.spanFog, to.spanFog, 4);
            copy(from.fogLittleStep, to.fogLittleStep, 4);
            copy(from.fogBigStep, to.fogBigStep, 4);
        }
        if (F() & GL_RF_DEPTH_TEST) {
            copy(from.spanZ, to.spanZ, 4);
            copy(from.zLittleStep, to.zLittleStep, 4);
            copy(from.zBigStep, to.zBigStep, 4);
        }
        if (F() & GL_RF_DEPTH) {
            copy(from.depthLittleStep, to.depthLittleStep, 4);
            copy(from.depthBigStep, to.depthBigStep, 4);
        }
        if (F() & GL_RF_STENCIL) {
            copy(from.stencilLittleStep, to.stencilLittleStep, 4);
            copy(from.stencilBigStep, to.stencilBigStep, 4);
        }
    }
    void subroutines() {
        A.place(gradientSub);
        gradients();
        A.Ret();
        A.place(edgeSub);
        setupEdge();
        A.place(startSub);
        // ECX the edge, EAX the row offset dy (a double), EDX the vertex.
        A.FldD(A.m(EAX, 0));
        A.FstpS(a(&S->startDy));
        // A triangle of one row (upper0 .. lower1 - 1 is one range) never
        // steps its edges: start values alone (rowStartSub, S->startDy set).
        GlOgNode* steps = A.label();
        oneRow();
        A.Jne(steps);
        A.place(rowStartSub);
        cw(GL_OG_CW_DOUBLE);
        startDx();
        startValuesFor(live(), true, false);
        A.Ret();
        A.place(steps);
        cw(GL_OG_CW_DOUBLE);
        leftEdgeSteps(live());
        startValues(live());
        A.Ret();
    }

    // The upper short edge (A to B) when the upper part is walked; its start
    // values at A when it is the left edge.
    void upperEdge(GlEdge* e, bool isLeft) {
        GlOgNode* skip = A.label();
        A.Mov(EAX, a(&S->upper0));
        A.Cmp(EAX, a(&S->upper1));
        A.Jge(skip);
        slopeBetween(ESI, EDI);  // sAB
        edgeStart(ESI, &S->dyFirst);
        setupEdgeTo(e);
        if (isLeft) startAt(ESI, e, &S->dyFirst);
        A.place(skip);
    }
    // The lower short edge (B to C) from row lower0, when the lower part is walked.
    void lowerEdge(GlEdge* e) {
        GlOgNode* skip = A.label();
        A.Mov(EAX, a(&S->lower0));
        A.Cmp(EAX, a(&S->lower1));
        A.Jge(skip);
        cw(GL_OG_CW_DOUBLE);
        A.Fild32(a(&S->lower0));
        A.FaddD(a(&K.one));
        A.FsubS(vx(EDI, VX_Y));
        A.FstpD(a(&S->dyB));
        slopeOf(&st->dxBC, &st->dyBC);
        edgeStart(EDI, &S->dyB);
        setupEdgeTo(e);
        A.place(skip);
    }

    // ---- The routine.
    // The stub's start: registers saved, the vertices sorted.
    void sortedVertices() {
        A.Push(EBP);
        A.Push(EBX);
        A.Push(ESI);
        A.Push(EDI);
        A.Mov(ESI, A.m(ESP, 24));
        A.Mov(EDI, A.m(ESP, 28));
        A.Mov(EBX, A.m(ESP, 32));
        sortByY(ESI, EDI);
        sortByY(EDI, EBX);
        sortByY(ESI, EDI);
    }

    uint8_t* generate() {
        GlOgGen* g = &gc->og.gen;
        GlOgNode* regEntry = A.label(), *tested = A.label();
        // The entry for triangles known to lie in no single pixel row or
        // column, and its address in the word before the routine's entry
        // (__glOgSetupTestedEntry).
        uint8_t* testedEntry = A.out;
        sortedVertices();
        A.Jmp(tested);
        if (uint8_t* word = A.reserve(4, 4)) memcpy(word, &testedEntry, 4);
        uint8_t* entry = A.out;
        // Stub: the sort and the coverage tests, then the set-up in the frame.
        sortedVertices();
        // Top and bottom in one scan line: no row. Between 4096 and 8192 (a
        // float exponent of 12, where the window rows lie) a float's pattern
        // >> 11 is its integer part plus a constant.
        GlOgNode* nothing = A.label(), *empty = A.label(), *rows = A.label(true);
        A.Mov(EAX, vx(ESI, VX_Y));
        A.Cmp(EAX, A.i(0x45800000));
        A.Jl(rows);
        A.Mov(ECX, vx(EBX, VX_Y));
        A.Cmp(ECX, A.i(0x46000000));
        A.Jge(rows);
        A.Shr(EAX, A.i(11));
        A.Shr(ECX, A.i(11));
        A.Cmp(EAX, ECX);
        A.Je(nothing);
        A.place(rows);
        // The same for x in one pixel column (__glSameColumn).
        GlOgNode* columns = A.label(true);
        A.Mov(EAX, vx(ESI, VX_X));
        A.Shr(EAX, A.i(11));
        for (GlOgNode* v : {EDI, EBX}) {
            A.Mov(ECX, vx(v, VX_X));
            A.Shr(ECX, A.i(11));
            A.Cmp(EAX, ECX);
            A.Jne(columns);
        }
        A.Sub(EAX, A.i(0x8B000));
        A.Cmp(EAX, A.i(0x1000));
        A.Jb(nothing);
        A.place(columns);
        A.place(tested);
        A.Fnstcw(a(&S->callerCW));
        coverage(empty);
        A.Mov(a(&g->ogSavedStack), ESP);
        // The vertices as passed, for the colours of other than a smooth one-sided triangle.
        for (int i = 0; i < 3 && !frontColorsOnly(); i++) {
            A.Mov(EAX, A.m(ESP, 24 + 4 * i));
            A.Mov(a(i == 0 ? &S->a : i == 1 ? &S->b : &S->c), EAX);
        }
        A.Sub(ESP, A.i((GLint)((sizeof(GlSpan) + 7) & ~7u)));
        A.And(ESP, A.i(-8));
        A.Call(regEntry);
        A.Mov(ESP, a(&g->ogSavedStack));
        callerCw();
        // restoreColors once the face colours were set (the front colours of
        // a smooth one-sided triangle stay as its set-up left them).
        A.Test(EAX, EAX);
        A.Je(nothing);
        GlVertex* const* vs[3] = {&S->a, &S->b, &S->c};
        for (GlVertex* const* v : vs) {
            if (frontColorsOnly()) break;
            A.Mov(EDX, a(v));
            A.Lea(EAX, vx(EDX, VX_FRONT));
            A.Mov(vx(EDX, VX_COLOR), EAX);
        }
        A.Mov(EDX, a(&gc->provokingVertex));
        A.Test(EDX, EDX);
        A.Je(nothing);
        A.Lea(EAX, vx(EDX, VX_FRONT));
        A.Mov(vx(EDX, VX_COLOR), EAX);
        A.Jmp(nothing);
        A.place(empty);
        callerCw();
        A.place(nothing);
        A.Pop(EDI);
        A.Pop(ESI);
        A.Pop(EBX);
        A.Pop(EBP);
        A.Ret();

        // Register entry: the sorted vertices in ESI, EDI, EBX.
        A.place(regEntry);
        A.Pop(a(&g->ogReturnAddress));
        GlOgNode* early = A.label(), *reject = A.label();
        cw(GL_OG_CW_SINGLE);
        // Deltas and twice the signed area; a zero area draws nothing.
        A.FldS(vx(ESI, VX_X));
        A.FsubS(vx(EBX, VX_X));
        A.FstpS(a(&st->dxAC));
        A.FldS(vx(EDI, VX_X));
        A.FsubS(vx(EBX, VX_X));
        A.FstpS(a(&st->dxBC));
        A.FldS(vx(ESI, VX_Y));
        A.FsubS(vx(EBX, VX_Y));
        A.FstpS(a(&st->dyAC));
        A.FldS(vx(EDI, VX_Y));
        A.FsubS(vx(EBX, VX_Y));
        A.FstpS(a(&st->dyBC));
        A.FldS(a(&st->dxAC));
        A.FmulS(a(&st->dyBC));
        A.FldS(a(&st->dxBC));
        A.FmulS(a(&st->dyAC));
        A.Fsubp(ST(1));
        A.FstpS(a(&st->area));
        callerCw();
        A.Mov(EAX, a(&st->area));
        A.Add(EAX, EAX);
        A.Je(early);
        // The sorted vertices stay in ESI, EDI and EBX: the face and the
        // completion (C++ procedures) keep them.
        // The face decides culling and, two-sided, the colours: without
        // either it is not needed.
        GlOgNode* noFace = A.label();
        if (!(F() & GL_RF_TWO_SIDED)) {
            A.Movzx8(EAX, a(&gc->cullFaceCode));
            A.Cmp(EAX, A.i(2));
            A.Je(noFace);
        }
        face();
        A.Cmp(CL, a(&gc->cullFaceCode));
        A.Je(early);
        A.place(noFace);
        faceColors();
        if (k->flatFog) {
            A.Push(EBX);
            A.Push(EDI);
            A.Push(ESI);
            A.Push(A.i((GLint)(uintptr_t)gc));
            A.callAbs((const void*)__glSetupFlatColorVertex);
            A.Add(ESP, A.i(16));
        }
        guardBand(reject);
        GlOgNode* oneRow = A.label(), *walk = A.label();
        A.Cmp(a(&S->rows), A.i(1));
        A.Je(oneRow);
        setupTriangle(reject);
        A.place(walk);
        callerCw();
        // Lock the draw buffers for the walk when the drawable asks for it.
        GlOgNode* unlocked = A.label(true);
        A.Mov(EAX, a(&gc->procs.lockDrawBuffers));
        A.Test(EAX, EAX);
        A.Je(unlocked);
        A.Inc(a(&S->lockCount));
        A.Cmp(a(&S->lockCount), A.i(1));
        A.Jne(unlocked);
        A.Push(A.i((GLint)(uintptr_t)gc));
        A.Call(EAX);
        A.Add(ESP, A.i(4));
        A.place(unlocked);
        A.JmpIndirect(a(&gc->procs.spanRoutine));
        A.place(reject);
        callerCw();
        A.Mov(EAX, A.i(1));
        A.JmpIndirect(a(&g->ogReturnAddress));
        A.place(early);
        A.Xor(EAX, EAX);
        A.JmpIndirect(a(&g->ogReturnAddress));
        A.place(oneRow);
        oneRowTriangle();
        A.Jmp(walk);
        subroutines();
        for (size_t i = 0; i < cold.size(); i++) cold[i]();
        return entry;
    }
};

}  // namespace

GLint __glOgVertexField(GlContext* gc, GLint offset) { return __glOgLayoutSlot(&gc->og.gen.vertexLayout, offset, 4); }

void __glOgControlWord(GlOgAsm& A, int which) { A.Fldcw(A.a(&__glOgRasterConst.cw[which])); }
void __glOgCallerControlWord(GlOgAsm& A, GlOgRasterScratch* scratch) { A.Fldcw(A.a(&scratch->callerCW)); }

void __glOgCompare(GlOgAsm& A, GlOgNode* operand, bool isDouble) {
    if (isDouble) A.FcompD(operand);
    else A.FcompS(operand);
    A.Fnstsw();
    A.Sahf();
}

extern "C" GlTriangleProc GLPROC __glOgSetupTestedEntry(GlContext* gc, GlTriangleProc render) {
    const GlOgCache* c = &gc->og.gen.caches[GL_OG_CACHE_SETUP];
    const uint8_t* at = (const uint8_t*)(const void*)render;
    if (!c->code || at < c->code + 4 || at >= c->code + (size_t)c->entryCount * c->codeBytes) return render;
    GlTriangleProc tested;
    memcpy(&tested, at - 4, sizeof tested);
    return tested;
}

extern "C" GlTriangleProc GLPROC __glGenSetupProc(GlContext* gc, GLuint mode) {
    if (__glOgRasterDisabled || mode || !gc->procs.spanRoutine) return nullptr;
    // The guard band's bounds must be positive (guard()).
    if (gc->limits.windowBiasX <= (GLint)GL_GUARD_BAND || gc->limits.windowBiasY <= (GLint)GL_GUARD_BAND) return nullptr;
    GlOgRasterKey k;
    if (!__glOgRasterKeyOf(gc, 1, &k)) return nullptr;
    // The set-up is the same for every walker but for alpha, which the
    // whole fill does not read without blending (alphaRead).
    const GlOgRasterKey* walker = (const GlOgRasterKey*)__glOgRecordOf(gc, GL_OG_CACHE_SPAN, (const void*)gc->procs.spanRoutine);
    k.mode = walker && walker->mode == 0 ? 0 : 1;
    memset(k.fill, 0, sizeof k.fill);
    GlOgClaim c;
    __glOgClaim(gc, GL_OG_CACHE_SETUP, (GLint)(k.rasterFlags & 0x7FFFFFFF), &k, sizeof k, &c);
    if (c.hit) return (GlTriangleProc)__glOgHitEntry(&c);
    GlOgAsm A;
    A.begin(gc, c.code, c.end);
    Gen g{{gc, &k, A, __glOgScratch(gc), &gc->span}, 0, A.label(), A.label(), A.label(), A.label(), {}};
    uint8_t* entry = g.generate();
    return (GlTriangleProc)__glOgFinish(gc, &c, &A, entry, (void*)__glGenericTriangle);
}
