// The vertex-program generator: for a key (the state of a draw) it emits an
// x86/x87 routine that fetches, transforms, clip-tests, lights and maps to
// the window a run of vertices into the array vertex buffer, and behind it a
// routine that draws triangle strips from arrays in batches through it.
//
// The program does the work of the C++ array routine and of the completion
// procedures it replaces term by term, in the same order, with the x87
// precision set to single: its vertices equal theirs bit for bit. Fetches
// of other than float positions and normals call the arrays' fetch
// procedures; vertices whose clip w is not a positive normal float, or with
// a coordinate that is not a number, take the C++ clip test, as do user clip
// planes and the planar test of two-component vertices.
//
// Registers of the vertex loop: EDI the output vertex (its flags built in
// place), ESI the position in the element run, EBP the vertices left; with
// float positions read in place EBX the vertex array and EDX the normal
// array, indexed by element x stride in EAX, or (when EAX does not last)
// EBX the normal array's distance from the vertex array, or else EBX the
// position and EDX the normal. Scratch words live
// in the context's program cache record.

#include <math.h>
#include <stddef.h>
#include <functional>
#include <initializer_list>
#include <vector>
#include "codegen/codegen.h"
#include "core/stateutil.h"
#include "geometry/arrays.h"
#include "geometry/geometry.h"

namespace {

static_assert(sizeof(GlVertex) == 148, "the programs step by the fixed vertex size");
enum : GLint {
    VX_OBJ = offsetof(GlVertex, obj),
    VX_NORMAL = offsetof(GlVertex, normal),
    VX_CLIP = offsetof(GlVertex, clip),
    VX_FLAGS = offsetof(GlVertex, flags),
    VX_COLOR_POINTER = offsetof(GlVertex, color),
    VX_WINDOW = offsetof(GlVertex, window),
    VX_INVW = offsetof(GlVertex, invW),
    VX_TEX = offsetof(GlVertex, texCoord),
    VX_FRONT = offsetof(GlVertex, frontColor),
    VX_BACK = offsetof(GlVertex, backColor),
    VX_SIZE = sizeof(GlVertex),
};

// Scratch words of the programs (GlVertexProgramCache::scratch).
enum { S_ELEMENT, S_LIST, S_END, S_T0, S_T1, S_T2, S_T3, S_CW0, S_CW1, S_CW2, S_C0, S_C1, S_C2, S_FIRST, S_DONE,
       S_COUNT, S_SLOTS, S_OUTSIDE, S_WORDS };
static_assert(S_WORDS <= sizeof(GlVertexProgramCache::scratch) / 4, "scratch words");

// Room the arena keeps for the emission of one step; past it generation stops.
enum { ARENA_RESERVE = 1200, CODE_RESERVE = 32 };

// Where an attribute is read: base + offset, plus index x scale with an index.
struct Ref {
    GlOgNode* base;
    GLint offset;
    GlOgNode* index;
    int scale;
};

struct Gen {
    GlContext* gc;
    const GlVertexProgramKey* k;
    uint8_t* out;
    uint8_t* end;
    bool full;
    bool elementInEax;  // EAX still holds the element (no call or copy since)
    // Scheduled blocks (codegen/scheduler.cpp): in a region each run of
    // instructions between labels is one block, placed in pairs when the next
    // label (or the region's end) closes it; the code pointer stands still
    // while it is open.
    bool region = false, blockOpen = false;
    GLuint queued = 0;
    void open() {
        if (blockOpen || full || !__glOgScheduleBlocks) return;
        out = __glOgEncode(gc, out, __glOgBeginBlock(gc));
        blockOpen = true;
    }
    void close() {
        if (!blockOpen) return;
        blockOpen = false;
        queued = 0;
        out = __glOgEncode(gc, out, __glOgEndBlock(gc));
    }
    void schedule() {
        region = true;
        open();
    }
    void unschedule() {
        region = false;
        close();
    }
    // Code out of the vertex loop's way (the rare cases), emitted after it.
    std::vector<std::function<void()>> cold;
    void emitCold() {
        for (size_t i = 0; i < cold.size(); i++) cold[i]();
        cold.clear();
    }

    // ---- Emission with the end check: once the code area or the node arena
    // runs short, nothing more is emitted and the program is dropped.
    bool room() {
        const GlOgGen* g = &gc->og.gen;
        if (end - out < CODE_RESERVE + (ptrdiff_t)queued * 16 || g->arenaNext - g->arena > GL_OG_ARENA_NODES - ARENA_RESERVE)
            full = true;
        return !full;
    }
    void e(GlOgNode* n) {
        if (!room()) return;
        out = __glOgEncode(gc, out, n);
        if (blockOpen) queued++;
    }
    void place(GlOgNode* label) {
        close();
        if (!full) out = __glOgPlaceLabel(gc, out, label);
        if (region) open();
    }
    GlOgNode* label() { return __glOgNewLabel(gc); }
    GlOgNode* imm(GLint v) { return __glOgImm(gc, v); }
    GlOgNode* at(GlOgNode* base, GLint d) { return __glOgMemAt(gc, base, d); }
    GlOgNode* at(const Ref& r, GLint d) {
        return r.index ? __glOgMem(gc, imm(r.offset + d), r.base, r.index, r.scale) : at(r.base, r.offset + d);
    }
    GlOgNode* abs(const void* p) { return __glOgMemAbs(gc, p); }
    GlOgNode* f(GLfloat v) { return __glOgFloatConst(gc, v); }
    GlOgNode* scratch(int i) { return abs(&gc->vertexPrograms.scratch[i]); }
    GlOgNode* vx(GLint offset) { return at(OG_EDI, offset); }

    // Calls a cdecl procedure with arguments pushed last first.
    void call(const void* proc, int argBytes) {
        e(__glOgMov(gc, OG_EAX, imm((GLint)(uintptr_t)proc)));
        e(__glOgCall(gc, OG_EAX));
        if (argBytes) e(__glOgAdd(gc, OG_ESP, imm(argBytes)));
    }
    // fetch(gc, element address in ECX, the output vertex).
    void callFetch(const void* proc) {
        elementInEax = false;
        e(__glOgPush(gc, OG_EDI));
        e(__glOgPush(gc, OG_ECX));
        e(__glOgPush(gc, imm((GLint)(uintptr_t)gc)));
        call(proc, 12);
    }
    // ECX = the element address of an array with the given stride.
    void elementAddress(const void* pointerField, GLint stride, GlOgNode* to = OG_ECX) {
        e(__glOgMov(gc, to, elementInEax ? OG_EAX : scratch(S_ELEMENT)));
        if (stride != 1) e(__glOgImul(gc, to, imm(stride)));
        e(__glOgAdd(gc, to, abs(pointerField)));
    }
    // Copies n words between absolute and vertex memory through EAX.
    void copyToVertex(const void* from, GLint offset, int n) {
        elementInEax = false;
        for (int i = 0; i < n; i++) {
            e(__glOgMov(gc, OG_EAX, abs((const GLfloat*)from + i)));
            e(__glOgMov(gc, vx(offset + 4 * i), OG_EAX));
        }
    }
    // A vertex of the run gets a clip or cull code (S_OUTSIDE, for the strip
    // routine).
    void markOutside() { e(__glOgMov(gc, scratch(S_OUTSIDE), imm(1))); }
    void storeConst(GLint offset, GLfloat v) {
        GLuint bits;
        memcpy(&bits, &v, 4);
        e(__glOgMov(gc, vx(offset), imm((GLint)bits)));
    }
};

// ---- Transforms, as the C++ matrix procedures form them.

// Output i of the transform of a `size`-component point at base by a matrix
// of class `type`: sum of component x element terms in order, then an
// element added (-1 none); or a plain element, or a plain value.
struct Output {
    int terms;
    int comp[4], elem[4];
    int plus;
    int plain;     // element loaded as it is (-1 none)
    int copyComp;  // component copied (-1 none)
    bool one;      // 1.0
};

Output transformOutput(int type, int size, int i) {
    Output o = {};
    o.plus = o.plain = o.copyComp = -1;
    auto term = [&](int c, int m) { o.comp[o.terms] = c, o.elem[o.terms] = m, o.terms++; };
    if (type == GL_MATRIX_GENERAL || (type == GL_MATRIX_AFFINE && i < 3)) {
        term(0, i), term(1, 4 + i);
        if (size >= 3) term(2, 8 + i);
        if (size == 4) term(3, 12 + i);
        else o.plus = 12 + i;
        return o;
    }
    if (type == GL_MATRIX_AFFINE || i == 3) {  // w of the affine classes
        if (size == 4) o.copyComp = 3;
        else o.one = true;
        return o;
    }
    if (type == GL_MATRIX_PLANAR && i < 2) {
        term(0, i), term(1, 4 + i);
    } else if (i < 2) {  // scale and translate, identity, window orthographic
        term(i, 5 * i);
    } else if (size == 2) {  // z
        o.plain = 14;
        return o;
    } else {
        term(2, 10);
    }
    if (size == 4) term(3, 12 + i);
    else o.plus = 12 + i;
    return o;
}

// Output o of the transform of the point at base by the matrix into `to`,
// without the products of the entries in `zeros`; a computed one stays in
// st0 with keep.
void emitOutput(Gen& g, const Ref& base, const Output& o, const GLfloat* m, GlOgNode* to, bool keep = false,
                GLuint zeros = 0) {
    GlContext* gc = g.gc;
    if (o.one) {
        g.e(__glOgMov(gc, to, g.imm(0x3F800000)));
        return;
    }
    if (o.copyComp >= 0 || o.plain >= 0) {
        g.e(__glOgMov(gc, OG_EAX, o.plain >= 0 ? g.abs(&m[o.plain]) : g.at(base, 4 * o.copyComp)));
        g.e(__glOgMov(gc, to, OG_EAX));
        return;
    }
    bool first = true;
    for (int t = 0; t < o.terms; t++) {
        if (zeros >> o.elem[t] & 1) continue;
        g.e(__glOgFldS(gc, g.at(base, 4 * o.comp[t])));
        g.e(__glOgFmulS(gc, g.abs(&m[o.elem[t]])));
        if (!first) g.e(__glOgFaddp(gc, OG_ST(1)));
        first = false;
    }
    if (o.plus >= 0) g.e(__glOgFaddS(gc, g.abs(&m[o.plus])));
    g.e(keep ? __glOgFstS(gc, to) : __glOgFstpS(gc, to));
}

// out[0..3] = transform of the point at base by the matrix.
void emitTransform(Gen& g, const Ref& base, int size, int type, const GLfloat* m, GLint dstOffset, GLuint zeros) {
    for (int i = 0; i < 4; i++)
        emitOutput(g, base, transformOutput(type, size, i), m, g.vx(dstOffset + 4 * i), false, zeros);
}

// Whether the clip x, y and z of a class and size are all computed on the
// FPU (no copies), so that the window coordinates can follow each at once.
bool computedXyz(int type, int size) {
    for (int i = 0; i < 3; i++) {
        const Output o = transformOutput(type, size, i);
        if (o.one || o.copyComp >= 0 || o.plain >= 0) return false;
    }
    return true;
}

// ---- The vertex program.

// The general clip test for w a positive normal float and coordinates that
// are numbers: codes from integer compares of the bit patterns, 1/w and the
// window coordinates of an unclipped vertex, which runs on to `done`; a
// vertex with a code set gets the others out of the loop's way and jumps
// there. Anything else jumps to `slow`. With `transform` (computedXyz) the
// clip coordinates come from it: w first, then 1/w kept in st1 while each of
// x, y and z is made, stored and mapped to the window (whatever its codes:
// the window coordinates of a vertex with a code are not read).
// On the board, without texture nothing reads 1/w: the fused form keeps it
// in st1 alone.
void emitInlineClip(Gen& g, GlOgNode* slow, GlOgNode* done, const std::function<void(int, bool)>& transform) {
    GlContext* gc = g.gc;
    const GLfloat* one = &gc->constants.one;
    const GLfloat* viewport[3][2] = {{&gc->viewportXform.xScale, &gc->viewportXform.xCentre},
                                     {&gc->viewportXform.yScale, &gc->viewportXform.yCentre},
                                     {&gc->viewportXform.zScale, &gc->viewportXform.zCentre}};
    // ECX only: EAX may index the normal.
    const auto wTest = [&g, gc, slow] {
        g.e(__glOgMov(gc, OG_ECX, g.vx(VX_CLIP + 12)));
        g.e(__glOgSub(gc, OG_ECX, g.imm(0x00800000)));
        g.e(__glOgCmp(gc, OG_ECX, g.imm(0x7F000000)));
        g.e(__glOgJae(gc, slow));
    };
    if (transform) {
        transform(3, false);
        g.e(__glOgFldS(gc, g.abs(one)));
        g.e(__glOgFdivS(gc, g.vx(VX_CLIP + 12)));
        if (!g.k->board || (g.k->keying & GL_VP_KEY_TEXTURE)) g.e(__glOgFstS(gc, g.vx(VX_INVW)));
        for (int i = 0; i < 3; i++) {
            transform(i, true);
            g.e(i < 2 ? __glOgFmulS(gc, OG_ST(1)) : __glOgFmulp(gc, OG_ST(1)));
            g.e(__glOgFmulS(gc, g.abs(viewport[i][0])));
            g.e(__glOgFaddS(gc, g.abs(viewport[i][1])));
            g.e(__glOgFstpS(gc, g.vx(VX_WINDOW + 4 * i)));
        }
        wTest();
    } else {
        wTest();
        g.e(__glOgFldS(gc, g.abs(one)));
        g.e(__glOgFdivS(gc, g.vx(VX_CLIP + 12)));
        g.e(__glOgFstpS(gc, g.vx(VX_INVW)));
    }
    // |c| > w by the patterns; a code by the sign; a c that is not finite
    // to the slow test.
    const auto outside = [&g, gc, slow](int i, GlOgNode* next) {
        GlOgNode* negative = g.label();
        g.e(__glOgCmp(gc, OG_ECX, g.imm(0x7F800000)));
        g.e(__glOgJae(gc, slow));
        g.e(__glOgTest(gc, g.vx(VX_CLIP + 4 * i), g.imm((GLint)0x80000000)));
        g.e(__glOgJne(gc, negative));
        g.e(__glOgOr(gc, g.vx(VX_FLAGS), g.imm(GL_VX_CLIP_RIGHT << (2 * i))));
        g.e(__glOgJmp(gc, next));
        g.place(negative);
        g.e(__glOgOr(gc, g.vx(VX_FLAGS), g.imm(GL_VX_CLIP_LEFT << (2 * i))));
        g.e(__glOgJmp(gc, next));
    };
    const auto compare = [&g, gc](int i) {
        g.e(__glOgMov(gc, OG_ECX, g.vx(VX_CLIP + 4 * i)));
        g.e(__glOgAnd(gc, OG_ECX, g.imm(0x7FFFFFFF)));
        g.e(__glOgCmp(gc, OG_ECX, g.vx(VX_CLIP + 12)));
    };
    for (int i = 0; i < 3; i++) {
        GlOgNode* out = g.label();
        compare(i);
        g.e(__glOgJa(gc, out));
        g.cold.push_back([&g, gc, i, out, done, outside, compare] {
            // The codes of this coordinate and of those after it.
            g.place(out);
            g.markOutside();
            for (int j = i; j < 3; j++) {
                GlOgNode* next = g.label();
                if (j > i) {
                    compare(j);
                    g.e(__glOgJbe(gc, next));
                }
                outside(j, next);
                g.place(next);
            }
            g.e(__glOgJmp(gc, done));
        });
    }
    if (transform) return;
    for (int i = 0; i < 3; i++) {
        g.e(__glOgFldS(gc, g.vx(VX_CLIP + 4 * i)));
        g.e(__glOgFmulS(gc, g.vx(VX_INVW)));
        g.e(__glOgFmulS(gc, g.abs(viewport[i][0])));
        g.e(__glOgFaddS(gc, g.abs(viewport[i][1])));
        g.e(__glOgFstpS(gc, g.vx(VX_WINDOW + 4 * i)));
    }
}

// s, t and q over w, as the texture-coordinate completion divides those of
// an unclipped vertex.
void emitTexDivide(Gen& g) {
    GlContext* gc = g.gc;
    for (int i : {0, 1, 3}) {
        g.e(__glOgFldS(gc, g.vx(VX_TEX + 4 * i)));
        g.e(__glOgFmulS(gc, g.vx(VX_INVW)));
        g.e(__glOgFstpS(gc, g.vx(VX_TEX + 4 * i)));
    }
}

// The C++ clip test of the draw; its codes and its done bits (window, eye
// coordinates) join the flags.
void emitCallClip(Gen& g) {
    GlContext* gc = g.gc;
    g.e(__glOgPush(gc, OG_EDI));
    g.e(__glOgPush(gc, g.imm((GLint)(uintptr_t)gc)));
    g.call(g.k->clipTest, 8);
    g.e(__glOgOr(gc, g.vx(VX_FLAGS), OG_EAX));
}

// st0 = the specular table's value for n.H in S_T1, as __glPowLookup: 0
// below the start (or not a number), 1 at and past the end, else the entry
// at the truncated index.
void emitSpecular(Gen& g) {
    GlContext* gc = g.gc;
    GlOgNode *zero = g.label(), *full = g.label(), *lookup = g.label(), *have = g.label();
    g.e(__glOgMov(gc, OG_EAX, g.abs(&gc->lightingDerived.face[0].specTable)));
    g.e(__glOgFldS(gc, g.scratch(S_T1)));
    g.e(__glOgFsubS(gc, g.at(OG_EAX, offsetof(GlPowTable, start))));
    g.e(__glOgFstS(gc, g.scratch(S_T2)));
    g.e(__glOgMov(gc, OG_ECX, g.scratch(S_T2)));
    g.e(__glOgCmp(gc, OG_ECX, g.imm(0x7F800000)));
    g.e(__glOgJbe(gc, lookup));
    g.e(__glOgCmp(gc, OG_ECX, g.imm((GLint)0x80000000)));  // -0 is not below 0
    g.e(__glOgJne(gc, zero));
    g.place(lookup);
    g.e(__glOgFmulS(gc, g.at(OG_EAX, offsetof(GlPowTable, scale))));
    g.e(__glOgFaddS(gc, g.f(0.5f)));
    g.e(__glOgFstS(gc, g.scratch(S_T2)));
    g.e(__glOgCmp(gc, g.scratch(S_T2), g.imm(0x43800000)));  // 256.0: unsigned, as the index
    g.e(__glOgJae(gc, full));
    g.e(__glOgFldcw(gc, g.scratch(S_CW2)));
    g.e(__glOgFistp32(gc, g.scratch(S_T3)));
    g.e(__glOgFldcw(gc, g.scratch(S_CW1)));
    g.e(__glOgMov(gc, OG_ECX, g.scratch(S_T3)));
    g.e(__glOgFldS(gc, __glOgMem(gc, g.imm(offsetof(GlPowTable, values)), OG_EAX, OG_ECX, 4)));
    g.e(__glOgJmp(gc, have));
    g.place(zero);
    g.e(__glOgFstpS(gc, OG_ST(0)));
    g.e(__glOgFldS(gc, g.f(0.0f)));
    g.e(__glOgJmp(gc, have));
    g.place(full);
    g.e(__glOgFstpS(gc, OG_ST(0)));
    g.e(__glOgFldS(gc, g.f(1.0f)));
    g.place(have);
}

// s = n . v of the object normal at `normal` and three floats at v, stored
// (and with keep left in st0).
void emitDot(Gen& g, const Ref& normal, const GLfloat* v, int toScratch, bool keep = false) {
    GlContext* gc = g.gc;
    for (int i = 0; i < 3; i++) {
        g.e(__glOgFldS(gc, g.at(normal, 4 * i)));
        g.e(__glOgFmulS(gc, g.abs(&v[i])));
        if (i) g.e(__glOgFaddp(gc, OG_ST(1)));
    }
    g.e(keep ? __glOgFstS(gc, g.scratch(toScratch)) : __glOgFstpS(gc, g.scratch(toScratch)));
}

// x = x <= 0 ? 0 : x >= scale ? scale : x on the pattern in EAX (a value
// that is not a number stays), stored at the vertex.
void emitClampStore(Gen& g, const GLfloat* scale, GLint offset) {
    GlContext* gc = g.gc;
    GlOgNode *keep = g.label(), *top = g.label(), *zero = g.label();
    g.e(__glOgCmp(gc, OG_EAX, g.abs(scale)));
    g.e(__glOgJb(gc, keep));
    g.e(__glOgCmp(gc, OG_EAX, g.imm(0x7F800000)));
    g.e(__glOgJbe(gc, top));
    g.e(__glOgCmp(gc, OG_EAX, g.imm((GLint)0x80000000)));
    g.e(__glOgJb(gc, keep));
    g.e(__glOgCmp(gc, OG_EAX, g.imm((GLint)0xFF800000)));
    g.e(__glOgJa(gc, keep));
    g.place(zero);
    g.e(__glOgXor(gc, OG_EAX, OG_EAX));
    g.e(__glOgJmp(gc, keep));
    g.place(top);
    g.e(__glOgMov(gc, OG_EAX, g.abs(scale)));
    g.place(keep);
    g.e(__glOgMov(gc, g.vx(offset), OG_EAX));
}

// Lighting as __glLightVerticesFast lights an object normal: per light the
// ambient product and, facing it, the specular and diffuse products by the
// object normal's dot products with the light's object vectors; the colour
// clamped to the buffer's scales. A lone light without specular term tests
// n.L against its bound of unclamped sums (__glUnclampedBelow): below it the
// sums are stored as they are, the rest out of the way.
void emitLighting(Gen& g, const Ref& normal) {
    GlContext* gc = g.gc;
    const GlVertexProgramKey* k = g.k;
    const GlLightingDerived* d = &gc->lightingDerived;
    const GlFaceLighting* face = &d->face[0];
    const GLfloat* scale = gc->constants.previousColorMax;
    // The last light's sums go straight to the vertex, its light-facing
    // case on the way and the other out of it.
    int last = -1;
    for (int li = 0; li < GL_LIGHT_SOURCES; li++)
        if (k->lights >> li & 1) last = li;
    const bool lone = last >= 0 && k->lights == 1u << last;
    GlOgNode* stored = g.label();  // a lone light's unclamped sums
    bool bounded = false;
    bool first = true;
    for (int li = 0; li < GL_LIGHT_SOURCES && !g.full; li++) {
        if (!(k->lights >> li & 1)) continue;
        const GlLightSource* s = &d->source[li];
        GlOgNode *away = g.label(), *next = g.label();
        const auto sum = [&g, li, last](int i) { return li == last ? g.vx(VX_FRONT + 4 * i) : g.scratch(S_C0 + i); };
        // Terms that are +-0 at every vertex are left out (the sums keep
        // their values up to the sign of a zero, which the clamp drops).
        const bool specular = !(k->zeroTerms >> li & 1), ambient = !(k->zeroTerms >> (8 + li) & 1);
        // Without the specular term n.L stays in st0 for the channels.
        emitDot(g, normal, s->objectDirection, S_T0, !specular);
        if (specular) emitDot(g, normal, s->objectHalfVector, S_T1);
        const auto channels = [&g, gc, s, face, first, sum, specular, ambient] {
            if (specular) emitSpecular(g);
            for (int i = 0; i < 3; i++) {
                // c + (ambient + (sp x specular product + nL x diffuse product))
                if (specular) {
                    g.e(__glOgFldS(gc, OG_ST(0)));
                    g.e(__glOgFmulS(gc, g.abs(&s->specularProduct[i])));
                }
                if (specular) g.e(__glOgFldS(gc, g.scratch(S_T0)));
                else if (i < 2) g.e(__glOgFldS(gc, OG_ST(0)));
                g.e(__glOgFmulS(gc, g.abs(&s->diffuseProduct[i])));
                if (specular) g.e(__glOgFaddp(gc, OG_ST(1)));
                if (ambient) g.e(__glOgFaddS(gc, g.abs(&s->ambientProduct[i])));
                g.e(__glOgFaddS(gc, first ? g.abs(&face->sceneColor[i]) : g.scratch(S_C0 + i)));
                g.e(__glOgFstpS(gc, sum(i)));
            }
            if (specular) g.e(__glOgFstpS(gc, OG_ST(0)));
        };
        g.e(__glOgMov(gc, OG_EAX, g.scratch(S_T0)));
        if (lone && !specular) {
            // n.L of +0 turns the vertex away, whose sums these equal.
            GlOgNode* clamped = g.label();
            bounded = true;
            g.e(__glOgCmp(gc, OG_EAX, g.abs(&s->unclampedBelow)));
            g.e(__glOgJae(gc, clamped));
            channels();  // on to `stored`
            g.cold.push_back([&g, gc, clamped, away, next, channels] {
                g.place(clamped);
                g.e(__glOgDec(gc, OG_EAX));
                g.e(__glOgCmp(gc, OG_EAX, g.imm(0x7F800000)));
                g.e(__glOgJae(gc, away));
                channels();
                g.e(__glOgJmp(gc, next));
            });
        } else {
            // n.L > 0: patterns 1 .. 0x7F800000.
            g.e(__glOgDec(gc, OG_EAX));
            g.e(__glOgCmp(gc, OG_EAX, g.imm(0x7F800000)));
            g.e(__glOgJae(gc, away));
            channels();
        }
        const auto turnedAway = [&g, gc, away, next, s, face, first, sum, specular] {
            g.place(away);
            if (!specular) g.e(__glOgFstpS(gc, OG_ST(0)));
            for (int i = 0; i < 3; i++) {
                g.e(__glOgFldS(gc, g.abs(&s->ambientProduct[i])));
                g.e(__glOgFaddS(gc, first ? g.abs(&face->sceneColor[i]) : g.scratch(S_C0 + i)));
                g.e(__glOgFstpS(gc, sum(i)));
            }
            g.e(__glOgJmp(gc, next));
        };
        if (li == last) {
            g.cold.push_back(turnedAway);
        } else {
            g.e(__glOgJmp(gc, next));
            turnedAway();
        }
        // The clamps of the sums; for a lone light's bound out of the way.
        if (bounded) {
            g.cold.push_back([&g, gc, next, stored, scale] {
                g.place(next);
                for (int i = 0; i < 3; i++) {
                    g.e(__glOgMov(gc, OG_EAX, g.vx(VX_FRONT + 4 * i)));
                    emitClampStore(g, &scale[i], VX_FRONT + 4 * i);
                }
                g.e(__glOgJmp(gc, stored));
            });
        } else {
            g.place(next);
        }
        first = false;
    }
    for (int i = 0; i < 3 && !bounded; i++) {
        if (first) {  // no light: the scene colour
            g.e(__glOgMov(gc, OG_EAX, g.abs(&face->sceneColor[i])));
            emitClampStore(g, &scale[i], VX_FRONT + 4 * i);
            continue;
        }
        // A sum in [0, scale) stays; the clamp of any other out of the way.
        GlOgNode *clamp = g.label(), *kept = g.label();
        g.e(__glOgMov(gc, OG_EAX, g.vx(VX_FRONT + 4 * i)));
        g.e(__glOgCmp(gc, OG_EAX, g.abs(&scale[i])));
        g.e(__glOgJae(gc, clamp));
        g.place(kept);
        g.cold.push_back([&g, gc, clamp, kept, scale, i] {
            g.place(clamp);
            emitClampStore(g, &scale[i], VX_FRONT + 4 * i);
            g.e(__glOgJmp(gc, kept));
        });
    }
    g.place(stored);
    g.e(__glOgMov(gc, OG_EAX, g.abs(&face->alpha)));
    g.e(__glOgMov(gc, g.vx(VX_FRONT + 12), OG_EAX));
}

// The cull-vertex test by the object position at `pos` and normal at
// `normal`: a rejected vertex gets its flags and nothing else.
void emitCull(Gen& g, const Ref& pos, const Ref& normal, GlOgNode* rejected) {
    GlContext* gc = g.gc;
    const GlVertexProgramKey* k = g.k;
    const GLfloat* e = gc->cullVertexEye;
    const bool point = (k->cull & GL_ARRAY_CULL_POINT) != 0;
    for (int i = 0; i < 3; i++) {
        g.e(__glOgFldS(gc, g.abs(&e[i])));
        if (point) g.e(__glOgFsubS(gc, i == 2 && k->vertexSize == 2 ? g.f(0.0f) : g.at(pos, 4 * i)));
        g.e(__glOgFmulS(gc, g.at(normal, 4 * i)));
        if (i) g.e(__glOgFaddp(gc, OG_ST(1)));
    }
    g.e(__glOgFstpS(gc, g.scratch(S_T0)));
    GlOgNode *facing = g.label(), *kept = g.label();
    g.e(__glOgMov(gc, OG_EAX, g.scratch(S_T0)));
    g.e(__glOgDec(gc, OG_EAX));
    g.e(__glOgCmp(gc, OG_EAX, g.imm(0x7F800000)));
    g.e(__glOgJb(gc, facing));
    if (k->cullMasks[1]) {
        g.e(__glOgOr(gc, g.vx(VX_FLAGS), g.imm((GLint)k->cullMasks[1])));
        g.markOutside();
        g.e(__glOgJmp(gc, rejected));
    } else {
        g.e(__glOgJmp(gc, kept));
    }
    g.place(facing);
    if (k->cullMasks[0]) {
        g.e(__glOgOr(gc, g.vx(VX_FLAGS), g.imm((GLint)k->cullMasks[0])));
        g.markOutside();
        g.e(__glOgJmp(gc, rejected));
    }
    g.place(kept);
}

// An attribute from its source: the fetch procedure's call, or the current
// value copied.
void emitAttribute(Gen& g, int which, const void* pointerField, const GLfloat* current, int words, GLint offset) {
    const GlVertexProgramKey* k = g.k;
    if (k->source[which] == GL_VP_FETCH) {
        g.elementAddress(pointerField, k->stride[which]);
        g.callFetch(k->fetch[which]);
    } else if (k->source[which] == GL_VP_CURRENT) {
        g.copyToVertex(current, offset, words);
    }
}

// Without the vertex cache, with `bodies` 2 the loop is emitted once for a
// run through an index list and once for a run of positions (chosen before
// the loop); with 1 a single loop tests for the list at each vertex. For the
// vertex cache, with 2 each turn of the loop does two vertices (an odd count
// starts at the second).
void emitProgram(Gen& g, int bodies) {
    GlContext* gc = g.gc;
    const GlVertexProgramKey* k = g.k;
    GlVertexArrayState* a = &gc->arrays;
    const GlMatrixEntry* mv = (const GlMatrixEntry*)k->modelView;
    const bool cache = (k->mode & GL_VP_CACHE_MODE) != 0;
    const GLint size = k->vertexSize;
    const GLuint sizeBits = (GLuint)(size - 1) << 10;
    const bool normalNeeded = k->lit || k->cull || (k->keepObject && k->source[1]);
    // Done bits of every vertex not rejected; without the cull test they are
    // in the flags from the start.
    const GLuint done = GL_VX_WINDOW | GL_VX_FETCHED | (k->lit ? GL_VX_FRONT_LIT : 0) |
                        (k->texDivide ? GL_VX_TEXGEN | GL_VX_TEX_DIVIDED : 0);
    const GLuint startFlags = sizeBits | (k->cull ? 0 : done);
    GlOgNode *noVertices = g.label(), *loopsDone = g.label(), *positions = g.label();
    // Float positions and normals in place with one stride: EBX holds the
    // normal array's distance from the vertex array.
    const bool normalInPlace = normalNeeded && k->source[1] == GL_VP_IN_PLACE;
    const bool pairedArrays = !cache && k->source[0] == GL_VP_IN_PLACE && normalInPlace &&
                              k->stride[0] == k->stride[1] && k->stride[0] != 1;
    // Attributes whose fetch call or current value's copy comes before the
    // in-place reads (they change EAX, which holds the element).
    bool copies = k->source[0] == GL_VP_FETCH;
    for (int i = 1; i < 4; i++)
        copies |= (i != 1 || normalNeeded) && (k->source[i] == GL_VP_FETCH || k->source[i] == GL_VP_CURRENT);
    // Indexed: the float position (and normal) read at element x stride in
    // EAX from the arrays in EBX (and EDX), when nothing changes EAX before
    // the last of those reads: no copy or cull test before, no transform row
    // through EAX, the lighting of at most one light (its dot products come
    // first); the clip tests keep EAX.
    bool indexed = !cache && !copies && k->source[0] == GL_VP_IN_PLACE && k->stride[0] != 1 && !k->cull &&
                   !k->keepObject && (!normalInPlace || (pairedArrays && (k->lights & (k->lights - 1)) == 0));
    for (int i = 0; i < 4; i++) {
        const Output o = transformOutput(k->compositeType, size, i);
        indexed &= o.plain < 0 && o.copyComp < 0;
    }

    // Prologue: registers, the control word, the first vertex; in
    // cache mode EBP counts the vertices, else ESI counts up from minus the
    // count to 0, S_END is the position after the run and EBP the index
    // list at it (0 without a list; with two loops, the position after the
    // run).
    for (GlOgNode* r : {OG_EBP, OG_EBX, OG_ESI, OG_EDI}) g.e(__glOgPush(gc, r));
    g.e(__glOgMov(gc, OG_EBP, g.at(OG_ESP, 32)));
    g.e(__glOgTest(gc, OG_EBP, OG_EBP));
    g.e(__glOgJle(gc, noVertices));
    g.e(__glOgFnstcw(gc, g.scratch(S_CW0)));
    g.e(__glOgMov(gc, OG_EAX, g.scratch(S_CW0)));
    g.e(__glOgAnd(gc, OG_EAX, g.imm(0xFCFF)));  // 24-bit precision
    g.e(__glOgMov(gc, g.scratch(S_CW1), OG_EAX));
    g.e(__glOgOr(gc, OG_EAX, g.imm(0x0C00)));  // and truncation, for table indexes
    g.e(__glOgMov(gc, g.scratch(S_CW2), OG_EAX));
    g.e(__glOgFldcw(gc, g.scratch(S_CW1)));
    g.e(__glOgMov(gc, OG_EDI, g.at(OG_ESP, 24)));
    g.e(__glOgImul(gc, OG_EDI, g.imm(VX_SIZE)));
    g.e(__glOgAdd(gc, OG_EDI, g.abs(&a->bufferBase)));
    if (indexed) {
        g.e(__glOgMov(gc, OG_EBX, g.abs(&a->vertex.pointer)));
        if (normalInPlace) g.e(__glOgMov(gc, OG_EDX, g.abs(&a->normal.pointer)));
    } else if (pairedArrays) {
        g.e(__glOgMov(gc, OG_EBX, g.abs(&a->normal.pointer)));
        g.e(__glOgSub(gc, OG_EBX, g.abs(&a->vertex.pointer)));
    }
    if (!cache) {
        GlOgNode* noList = g.label();
        g.e(__glOgMov(gc, g.scratch(S_OUTSIDE), g.imm(0)));
        g.e(__glOgMov(gc, OG_ESI, g.at(OG_ESP, 28)));
        g.e(__glOgAdd(gc, OG_ESI, OG_EBP));
        g.e(__glOgMov(gc, g.scratch(S_END), OG_ESI));
        g.e(__glOgNeg(gc, OG_EBP));
        g.e(__glOgMov(gc, OG_EAX, g.at(OG_ESP, 36)));
        g.e(__glOgTest(gc, OG_EAX, OG_EAX));
        g.e(__glOgJe(gc, noList));
        g.e(__glOgLea(gc, OG_EAX, __glOgMem(gc, nullptr, OG_EAX, OG_ESI, 4)));
        g.place(noList);
        if (bodies == 2) {
            GlOgNode* listed = g.label();
            g.e(__glOgTest(gc, OG_EAX, OG_EAX));
            g.e(__glOgJne(gc, listed));
            g.e(__glOgMov(gc, OG_EAX, OG_ESI));
            g.e(__glOgMov(gc, OG_ESI, OG_EBP));
            g.e(__glOgMov(gc, OG_EBP, OG_EAX));
            g.e(__glOgJmp(gc, positions));
            g.place(listed);
        }
        g.e(__glOgMov(gc, OG_ESI, OG_EBP));
        g.e(__glOgMov(gc, OG_EBP, OG_EAX));
    }

    // The loop: 0 the vertex cache's, 1 through the list or (out of the
    // way) positions, 2 through the list, 3 positions.
    // The work of one vertex, up to the step to the next.
    const auto body = [&](int variant) {
        Ref pos = {OG_EDI, 0, nullptr, 1};  // the object position: a float array element or the vertex
        Ref normal = {OG_EDI, VX_NORMAL, nullptr, 1};
        if (cache) {
            g.e(__glOgOr(gc, g.vx(VX_FLAGS), g.imm((GLint)startFlags)));
        } else {
            // The element: the list's entry, or the position.
            if (variant == 1) {
                GlOgNode *have = g.label(), *position = g.label();
                g.e(__glOgTest(gc, OG_EBP, OG_EBP));
                g.e(__glOgJe(gc, position));
                g.e(__glOgMov(gc, OG_EAX, __glOgMem(gc, nullptr, OG_EBP, OG_ESI, 4)));
                g.place(have);
                g.cold.push_back([&g, gc, have, position] {
                    g.place(position);
                    g.e(__glOgMov(gc, OG_EAX, OG_ESI));
                    g.e(__glOgAdd(gc, OG_EAX, g.scratch(S_END)));
                    g.e(__glOgJmp(gc, have));
                });
            } else if (variant == 2) {
                g.e(__glOgMov(gc, OG_EAX, __glOgMem(gc, nullptr, OG_EBP, OG_ESI, 4)));
            } else {
                g.e(__glOgLea(gc, OG_EAX, __glOgMem(gc, nullptr, OG_EBP, OG_ESI, 1)));
            }
            // Kept for the in-place addresses when copies come first.
            if (copies) g.e(__glOgMov(gc, g.scratch(S_ELEMENT), OG_EAX));
            g.elementInEax = true;
            // Attributes through calls first: they keep no register.
            if (k->source[0] == GL_VP_FETCH) {
                g.elementAddress(&a->vertex.pointer, k->stride[0]);
                g.callFetch(k->fetch[0]);
            }
            if (normalNeeded) emitAttribute(g, 1, &a->normal.pointer, gc->current.normal, 3, VX_NORMAL);
            if (k->rgba) emitAttribute(g, 2, &a->color.pointer, gc->current.scaledColor, 4, VX_FRONT);
            else emitAttribute(g, 2, &a->index.pointer, &gc->current.index, 1, VX_FRONT);
            emitAttribute(g, 3, &a->texCoord.pointer, gc->current.texCoord, 4, offsetof(GlVertex, texCoord));
            if (indexed) {
                // Element x stride in EAX indexes the arrays in EBX and EDX.
                g.e(__glOgImul(gc, OG_EAX, g.imm(k->stride[0])));
                pos = {OG_EBX, 0, OG_EAX, 1};
                if (normalInPlace) normal = {OG_EDX, 0, OG_EAX, 1};
            } else if (pairedArrays) {
                // One multiply for both: element x stride plus the vertex
                // array in the position's register, EDX the normal at the
                // arrays' distance in EBX; EAX itself when nothing changes EAX
                // before the transform has read the position (no cull test,
                // no object copy, no transform row through EAX), else ECX.
                bool eaxKept = g.elementInEax && !k->cull && !k->keepObject;
                for (int i = 0; i < 4; i++) {
                    const Output o = transformOutput(k->compositeType, size, i);
                    eaxKept &= o.plain < 0 && o.copyComp < 0;
                }
                GlOgNode* r = eaxKept ? OG_EAX : OG_ECX;
                if (!eaxKept) g.e(__glOgMov(gc, OG_ECX, g.elementInEax ? OG_EAX : g.scratch(S_ELEMENT)));
                g.e(__glOgImul(gc, r, g.imm(k->stride[0])));
                g.e(__glOgAdd(gc, r, g.abs(&a->vertex.pointer)));
                g.e(__glOgLea(gc, OG_EDX, __glOgMem(gc, nullptr, r, OG_EBX, 1)));
                pos = {r, 0, nullptr, 1};
                normal = {OG_EDX, 0, nullptr, 1};
            } else {
                if (k->source[0] == GL_VP_IN_PLACE) {
                    g.elementAddress(&a->vertex.pointer, k->stride[0], OG_EBX);
                    pos = {OG_EBX, 0, nullptr, 1};
                }
                if (normalInPlace) {
                    g.elementAddress(&a->normal.pointer, k->stride[1], OG_EDX);
                    normal = {OG_EDX, 0, nullptr, 1};
                }
            }
        }
        if (!cache) g.e(__glOgMov(gc, g.vx(VX_FLAGS), g.imm((GLint)startFlags)));
        GlOgNode* rejected = g.label();
        if (k->cull) emitCull(g, pos, normal, rejected);
        // Object coordinates and normal stay for the completion work left.
        if (!cache && k->keepObject) {
            if (pos.base != OG_EDI) {
                for (int i = 0; i < size; i++) {
                    g.e(__glOgMov(gc, OG_EAX, g.at(pos, 4 * i)));
                    g.e(__glOgMov(gc, g.vx(VX_OBJ + 4 * i), OG_EAX));
                }
                if (size == 2) g.storeConst(VX_OBJ + 8, 0.0f);
                if (size < 4) g.storeConst(VX_OBJ + 12, 1.0f);
            }
            if (normal.base != OG_EDI)
                for (int i = 0; i < 3; i++) {
                    g.e(__glOgMov(gc, OG_EAX, g.at(normal, 4 * i)));
                    g.e(__glOgMov(gc, g.vx(VX_NORMAL + 4 * i), OG_EAX));
                }
        }
        const bool fused = k->inlineClip && computedXyz(k->compositeType, size);
        // Zero entries are left out when the slow path can redo the transform
        // (the clip test takes ECX).
        const GLuint zeros = pos.base == OG_ECX || pos.index == OG_ECX ? 0 : k->compositeZeros;
        if (!fused) emitTransform(g, pos, size, k->compositeType, mv->composite.m, VX_CLIP, zeros);
        GlOgNode *slow = g.label(), *clipped = g.label(), *divide = g.label();
        // The C++ test (the call keeps EDX, an in-place normal, and its
        // index in EAX for the lighting).
        const bool keepEdx = k->lit && normal.base == OG_EDX, keepEax = k->lit && normal.index == OG_EAX;
        const auto callClip = [&g, gc, keepEdx, keepEax] {
            if (keepEdx) g.e(__glOgPush(gc, OG_EDX));
            if (keepEax) g.e(__glOgPush(gc, OG_EAX));
            emitCallClip(g);
            if (keepEax) g.e(__glOgPop(gc, OG_EAX));
            if (keepEdx) g.e(__glOgPop(gc, OG_EDX));
        };
        if (k->inlineClip) {
            std::function<void(int, bool)> transform;
            if (fused)
                transform = [&g, pos, size, k, mv, zeros](int i, bool keep) {
                    emitOutput(g, pos, transformOutput(k->compositeType, size, i), mv->composite.m, g.vx(VX_CLIP + 4 * i),
                               keep, zeros);
                };
            emitInlineClip(g, slow, clipped, transform);
            g.cold.push_back([&g, gc, slow, clipped, divide, callClip, pos, size, k, mv, zeros] {
                // A vertex the inline test does not take starts again with the
                // C++ test, on the whole transform.
                g.place(slow);
                if (zeros) emitTransform(g, pos, size, k->compositeType, mv->composite.m, VX_CLIP, 0);
                g.markOutside();
                g.e(__glOgAnd(gc, g.vx(VX_FLAGS), g.imm(~0x3F0000)));
                callClip();
                if (k->texDivide) {
                    g.e(__glOgTest(gc, g.vx(VX_FLAGS), g.imm(GL_VX_CLIP_PLANES)));
                    g.e(__glOgJe(gc, divide));
                }
                g.e(__glOgJmp(gc, clipped));
            });
        } else {
            g.markOutside();
            callClip();
            if (k->texDivide) {
                g.e(__glOgTest(gc, g.vx(VX_FLAGS), g.imm(GL_VX_CLIP_PLANES)));
                g.e(__glOgJne(gc, clipped));
            }
        }
        // An unclipped vertex on: its texture coordinates over w.
        if (k->texDivide) {
            g.place(divide);
            emitTexDivide(g);
        }
        g.place(clipped);
        if (k->lit) emitLighting(g, normal);
        if (k->cull) g.e(__glOgOr(gc, g.vx(VX_FLAGS), g.imm((GLint)done)));
        g.place(rejected);
        g.e(__glOgAdd(gc, OG_EDI, g.imm(VX_SIZE)));
    };
    const auto loop = [&](int variant) {
        GlOgNode* top = g.label();
        g.place(top);
        body(variant);
        g.e(cache ? __glOgDec(gc, OG_EBP) : __glOgInc(gc, OG_ESI));
        g.e(__glOgJne(gc, top));
    };
    g.schedule();
    if (cache && bodies == 2) {
        GlOgNode *top = g.label(), *second = g.label();
        g.e(__glOgTest(gc, OG_EBP, g.imm(1)));
        g.e(__glOgJne(gc, second));
        g.place(top);
        body(0);
        g.place(second);
        body(0);
        g.e(__glOgSub(gc, OG_EBP, g.imm(2)));
        g.e(__glOgJg(gc, top));
    } else if (bodies == 1) {
        loop(cache ? 0 : 1);
    } else {
        loop(2);
        g.e(__glOgJmp(gc, loopsDone));
        g.place(positions);
        loop(3);
    }
    g.unschedule();
    g.place(loopsDone);
    g.e(__glOgFldcw(gc, g.scratch(S_CW0)));
    g.place(noVertices);
    for (GlOgNode* r : {OG_EDI, OG_ESI, OG_EBX, OG_EBP}) g.e(__glOgPop(gc, r));
    g.e(__glOgRet(gc));
    g.emitCold();
}

// ---- The strip routine: (context, first element, count, index list).

void emitStrip(Gen& g, uint8_t* program) {
    GlContext* gc = g.gc;
    GlVertexArrayState* a = &gc->arrays;
    GlOgNode *batch = g.label(), *noCarry = g.label(), *gathered = g.label(), *batchEnd = g.label(), *done = g.label(),
             *locked = g.label(), *programLabel = g.label();
    programLabel->label.address = program;
    for (GlOgNode* r : {OG_EBP, OG_EBX, OG_ESI, OG_EDI}) g.e(__glOgPush(gc, r));
    g.e(__glOgCmp(gc, g.at(OG_ESP, 28), g.imm(3)));
    g.e(__glOgJl(gc, done));
    // Over locked vertices (no gathering) the C++ routine draws.
    g.e(__glOgTest(gc, g.abs(&a->flags), g.imm(GL_ARRAY_GATHER)));
    g.e(__glOgJe(gc, locked));
    g.e(__glOgMov(gc, g.abs(&a->batchMode), g.imm(GL_TRIANGLE_STRIP)));
    g.e(__glOgMov(gc, OG_EAX, g.at(OG_ESP, 24)));
    g.e(__glOgMov(gc, g.abs(&a->batchFirst), OG_EAX));
    g.e(__glOgMov(gc, g.scratch(S_FIRST), OG_EAX));
    g.e(__glOgMov(gc, OG_EAX, g.at(OG_ESP, 32)));
    g.e(__glOgMov(gc, g.abs(&a->batchIndices), OG_EAX));
    g.e(__glOgMov(gc, g.scratch(S_LIST + 0), OG_EAX));
    g.e(__glOgMov(gc, OG_EAX, g.at(OG_ESP, 28)));
    g.e(__glOgMov(gc, g.scratch(S_COUNT), OG_EAX));
    g.e(__glOgMov(gc, g.scratch(S_DONE), g.imm(0)));
    g.e(__glOgXor(gc, OG_EBP, OG_EBP));  // slots of the previous batch

    g.place(batch);
    // Later batches carry the last two vertices to slots 0 and 1.
    g.e(__glOgXor(gc, OG_EBX, OG_EBX));  // first gathered slot
    // The line-reset flag as each triangle leaves it (nothing in filled
    // triangles sets it again).
    g.e(__glOgMov(gc, g.abs(&gc->lineResetPending), OG_R8(3)));
    g.e(__glOgTest(gc, OG_EBP, OG_EBP));
    g.e(__glOgJe(gc, noCarry));
    // Of each, the words from the clip coordinates to the front colour: the
    // program writes no others, and without completion work left no triangle
    // reads the back colour. Completion (two-sided lighting among its work)
    // reads the object coordinates and normal and writes the back colour:
    // then the whole vertex.
    const GLint from = g.k->keepObject ? 0 : VX_CLIP, to = g.k->keepObject ? VX_SIZE : VX_BACK;
    g.e(__glOgMov(gc, OG_EDI, g.abs(&a->bufferBase)));
    g.e(__glOgMov(gc, OG_ESI, OG_EBP));
    g.e(__glOgImul(gc, OG_ESI, g.imm(VX_SIZE)));
    g.e(__glOgLea(gc, OG_ESI, __glOgMem(gc, g.imm(from - 2 * VX_SIZE), OG_ESI, OG_EDI, 1)));
    if (from) g.e(__glOgAdd(gc, OG_EDI, g.imm(from)));
    for (int v = 0; v < 2; v++) {
        if (v) {
            g.e(__glOgAdd(gc, OG_ESI, g.imm(VX_SIZE - to + from)));
            g.e(__glOgAdd(gc, OG_EDI, g.imm(VX_SIZE - to + from)));
        }
        g.e(__glOgMov(gc, OG_ECX, g.imm((to - from) / 4)));
        g.e(__glOgRep(gc));
        g.e(__glOgMovsd(gc));
    }
    g.e(__glOgMov(gc, OG_EDI, g.abs(&a->bufferBase)));
    g.e(__glOgLea(gc, OG_EAX, g.vx(VX_FRONT)));
    g.e(__glOgMov(gc, g.vx(VX_COLOR_POINTER), OG_EAX));
    g.e(__glOgLea(gc, OG_EAX, g.vx(VX_SIZE + VX_FRONT)));
    g.e(__glOgMov(gc, g.vx(VX_SIZE + VX_COLOR_POINTER), OG_EAX));
    g.e(__glOgMov(gc, OG_EBX, g.imm(2)));
    g.place(noCarry);
    // n = the batch size or what is left; program(context, slot, first + done, n, list).
    g.e(__glOgMov(gc, OG_ESI, g.scratch(S_COUNT)));
    g.e(__glOgSub(gc, OG_ESI, g.scratch(S_DONE)));
    g.e(__glOgCmp(gc, OG_ESI, g.abs(&a->batchSize)));
    g.e(__glOgJle(gc, gathered));
    g.e(__glOgMov(gc, OG_ESI, g.abs(&a->batchSize)));
    g.place(gathered);
    g.e(__glOgMov(gc, OG_EAX, g.scratch(S_FIRST)));
    g.e(__glOgAdd(gc, OG_EAX, g.scratch(S_DONE)));
    g.e(__glOgMov(gc, g.abs(&a->batchStart), OG_EAX));
    g.e(__glOgPush(gc, g.scratch(S_LIST)));
    g.e(__glOgPush(gc, OG_ESI));
    g.e(__glOgPush(gc, OG_EAX));
    g.e(__glOgPush(gc, OG_EBX));
    g.e(__glOgPush(gc, g.imm((GLint)(uintptr_t)gc)));
    g.e(__glOgCall(gc, programLabel));
    g.e(__glOgAdd(gc, OG_ESP, g.imm(20)));
    // The triangles of the batch: new vertex slot from 2 on, the even
    // triangle (n, n - 2, n - 1) then the odd one (n, n - 1, n - 2); every
    // batch starts even. EBP = slots of the batch, EDI = the new vertex.
    g.e(__glOgAdd(gc, g.scratch(S_DONE), OG_ESI));
    g.e(__glOgLea(gc, OG_EBP, __glOgMem(gc, nullptr, OG_EBX, OG_ESI, 1)));
    g.e(__glOgMov(gc, OG_EDI, g.abs(&a->bufferBase)));
    g.e(__glOgAdd(gc, OG_EDI, g.imm(2 * VX_SIZE)));
    g.e(__glOgMov(gc, OG_ESI, OG_EBP));
    g.e(__glOgSub(gc, OG_ESI, g.imm(2)));  // triangles of the batch
    g.e(__glOgJle(gc, batchEnd));
    // The calls' arguments in a frame kept for the batch (written for each
    // call: a callee may change them). With arrays.cellMask in EBX, an
    // unclipped triangle whose three window y patterns are equal under it
    // (the new one's differences from the others masked to 0) is dropped,
    // as is one within a pixel column.
    // Without a vertex outside the clip volume in the batch (none of the
    // program's and neither carried one), the loops test no clip codes.
    GlOgNode *trianglesEnd = g.label(), *loops[2][2];
    for (auto& l : loops) l[0] = g.label(), l[1] = g.label();
    g.e(__glOgSub(gc, OG_ESP, g.imm(16)));
    g.e(__glOgMov(gc, g.scratch(S_SLOTS), OG_EBP));
    g.e(__glOgMov(gc, OG_EAX, g.vx(VX_FLAGS - VX_SIZE)));
    g.e(__glOgOr(gc, OG_EAX, g.vx(VX_FLAGS - 2 * VX_SIZE)));
    g.e(__glOgAnd(gc, OG_EAX, g.imm(GL_VX_CLIPPED)));
    g.e(__glOgOr(gc, OG_EAX, g.scratch(S_OUTSIDE)));
    GlOgNode* noRows = g.label();
    g.e(__glOgCmp(gc, g.abs(&a->cellMask), g.imm(0)));
    g.e(__glOgJe(gc, noRows));
    g.e(__glOgMov(gc, OG_EBX, g.abs(&a->cellMask)));
    g.e(__glOgTest(gc, OG_EAX, OG_EAX));
    g.e(__glOgJne(gc, loops[1][1]));
    g.e(__glOgJmp(gc, loops[1][0]));
    g.place(noRows);
    g.e(__glOgTest(gc, OG_EAX, OG_EAX));
    g.e(__glOgJne(gc, loops[0][1]));
    g.e(__glOgJmp(gc, loops[0][0]));
    for (int variant = 0; variant < 4; variant++) {
        const int rows = variant >> 1 ^ 1, codes = variant & 1;
        GlOgNode *evenAt = loops[rows][codes], *oddAt = g.label();
        g.place(evenAt);
        for (int parity = 0; parity < 2; parity++) {
            if (parity) g.place(oddAt);
            const GLint first = parity ? -VX_SIZE : -2 * VX_SIZE, second = parity ? -2 * VX_SIZE : -VX_SIZE;
            GlOgNode *render = g.label(), *after = g.label(), *clipped = g.label();
            if (codes) {
                g.e(__glOgMov(gc, OG_EDX, g.vx(VX_FLAGS)));
                g.e(__glOgOr(gc, OG_EDX, g.vx(first + VX_FLAGS)));
                g.e(__glOgOr(gc, OG_EDX, g.vx(second + VX_FLAGS)));
                g.e(__glOgTest(gc, OG_EDX, g.imm(GL_VX_CLIPPED)));
                g.e(__glOgJne(gc, clipped));
            }
            if (rows) {
                GlOgNode* column = g.label();
                g.e(__glOgMov(gc, OG_EAX, g.vx(VX_WINDOW + 4)));
                g.e(__glOgMov(gc, OG_ECX, OG_EAX));
                // The vertex before on the strip's other side first (the
                // likelier to differ), for rows; for columns the one before it.
                g.e(__glOgXor(gc, OG_EAX, g.vx(-VX_SIZE + VX_WINDOW + 4)));
                g.e(__glOgTest(gc, OG_EAX, OG_EBX));
                g.e(__glOgJne(gc, column));
                g.e(__glOgXor(gc, OG_ECX, g.vx(-2 * VX_SIZE + VX_WINDOW + 4)));
                g.e(__glOgTest(gc, OG_ECX, OG_EBX));
                g.e(__glOgJe(gc, after));
                // Within one pixel column (__glSameColumn): dropped too.
                g.place(column);
                g.e(__glOgMov(gc, OG_EAX, g.vx(VX_WINDOW)));
                g.e(__glOgShr(gc, OG_EAX, g.imm(11)));
                for (GLint v : {-2 * VX_SIZE, -VX_SIZE}) {
                    g.e(__glOgMov(gc, OG_ECX, g.vx(v + VX_WINDOW)));
                    g.e(__glOgShr(gc, OG_ECX, g.imm(11)));
                    g.e(__glOgCmp(gc, OG_EAX, OG_ECX));
                    g.e(__glOgJne(gc, render));
                }
                g.e(__glOgSub(gc, OG_EAX, g.imm(0x8B000)));
                g.e(__glOgCmp(gc, OG_EAX, g.imm(0x1000)));
                g.e(__glOgJb(gc, after));
            }
            const auto arguments = [&g, gc, first, second] {
                g.e(__glOgMov(gc, g.abs(&gc->provokingVertex), OG_EDI));
                g.e(__glOgMov(gc, g.at(OG_ESP, 0), g.imm((GLint)(uintptr_t)gc)));
                g.e(__glOgMov(gc, g.at(OG_ESP, 4), OG_EDI));
                g.e(__glOgLea(gc, OG_EDX, g.vx(first)));
                g.e(__glOgMov(gc, g.at(OG_ESP, 8), OG_EDX));
                g.e(__glOgLea(gc, OG_EDX, g.vx(second)));
                g.e(__glOgMov(gc, g.at(OG_ESP, 12), OG_EDX));
            };
            g.place(render);
            arguments();
            g.e(__glOgCall(gc, g.abs(rows ? (const void*)&a->testedTriangle : (const void*)&gc->procs.renderTriangle)));
            g.place(after);
            g.e(__glOgAdd(gc, OG_EDI, g.imm(VX_SIZE)));
            g.e(__glOgDec(gc, OG_ESI));
            if (!parity) g.e(__glOgJe(gc, trianglesEnd));  // on into the odd triangle
            else g.e(__glOgJne(gc, evenAt));
            if (parity && variant < 3) g.e(__glOgJmp(gc, trianglesEnd));
            // A vertex outside the clip volume: dropped when all three are
            // outside one plane, else clipped.
            if (codes) g.cold.push_back([&g, gc, first, second, clipped, after, arguments] {
                g.place(clipped);
                g.e(__glOgMov(gc, OG_EDX, g.vx(VX_FLAGS)));
                g.e(__glOgAnd(gc, OG_EDX, g.vx(first + VX_FLAGS)));
                g.e(__glOgAnd(gc, OG_EDX, g.vx(second + VX_FLAGS)));
                g.e(__glOgTest(gc, OG_EDX, g.imm(GL_VX_CLIPPED)));
                g.e(__glOgJne(gc, after));
                arguments();
                g.call((const void*)__glDoClipTriangle, 0);
                g.e(__glOgJmp(gc, after));
            });
        }
    }
    g.place(trianglesEnd);
    g.e(__glOgAdd(gc, OG_ESP, g.imm(16)));
    g.e(__glOgMov(gc, OG_EBP, g.scratch(S_SLOTS)));
    g.place(batchEnd);
    g.e(__glOgMov(gc, OG_EAX, g.scratch(S_DONE)));
    g.e(__glOgCmp(gc, OG_EAX, g.scratch(S_COUNT)));
    g.e(__glOgJl(gc, batch));
    g.place(done);
    for (GlOgNode* r : {OG_EDI, OG_ESI, OG_EBX, OG_EBP}) g.e(__glOgPop(gc, r));
    g.e(__glOgRet(gc));
    g.place(locked);
    for (GlOgNode* r : {OG_EDI, OG_ESI, OG_EBX, OG_EBP}) g.e(__glOgPop(gc, r));
    g.e(__glOgMov(gc, OG_EAX, g.imm((GLint)(uintptr_t)__glDrawArrayTriangleStrip)));
    g.e(__glOgJmpIndirect(gc, OG_EAX));
    g.emitCold();
}

}  // namespace

// A +-0 entry's product adds +-0 to its row's sum, which for finite entries
// and points changes nothing but the sign of a zero sum; and a row whose sum
// ends by adding an element other than -0 makes a zero sum +0 either way. So
// the products of such entries are left out of those rows when a term of
// the row stays. A point with a component that is not finite must still get
// a clip coordinate that is not finite (the inline test then sends it to the
// whole transform and the C++ test): every component keeps a term.
extern "C" GLuint GLPROC __glCompositeZeros(const GLfloat* m, GLint type, GLint size) {
    for (int e = 0; e < 16; e++)
        if (!isfinite(m[e])) return 0;
    GLuint zeros = 0, used = 0, kept = 0;  // components in a term, in a term that stays
    for (int i = 0; i < 4; i++) {
        const Output o = transformOutput(type, size, i);
        GLuint rowZeros = 0, rowKept = 0, rowUsed = 0;
        for (int t = 0; t < o.terms; t++) {
            rowUsed |= 1u << o.comp[t];
            if (m[o.elem[t]] == 0.0f) rowZeros |= 1u << o.elem[t];
            else rowKept |= 1u << o.comp[t];
        }
        used |= rowUsed;
        if (o.plus >= 0 && __glFloatBits(m[o.plus]) != 0x80000000u && rowKept) {
            zeros |= rowZeros;
            kept |= rowKept;
        } else {
            kept |= rowUsed;
        }
    }
    return kept == used ? zeros : 0;
}

// A program that does not fit its code area is not used (the C++ routine of
// the state serves); a strip routine that does not fit after it, likewise.
extern "C" void GLPROC __glGenVertexCode(GlContext* gc, GlVertexProgram* entry) {
    // Two loops when they and the strip routine fit, else one.
    for (int bodies = 2; bodies >= 1; bodies--) {
        __glOgResetArena(gc);
        Gen g = {gc, &entry->key, entry->code, entry->code + gc->vertexPrograms.codeBytes, false, false, {}};
        emitProgram(g, bodies);
        entry->program = g.full ? nullptr : entry->code;
        entry->strip = nullptr;
        if (g.full) continue;
        if (entry->key.mode & GL_VP_CACHE_MODE) return;
        uint8_t* strip = g.out;
        emitStrip(g, entry->code);
        if (!g.full) {
            entry->strip = strip;
            return;
        }
    }
}
