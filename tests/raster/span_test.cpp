// The generic span stages: spans are handed over as the triangle walk does
// (start values, buffer addresses of the first pixel) on a validated DIB
// context, and the DIB, depth and stencil buffers are read back.
#include <math.h>
#include <string.h>
#include <vector>
#include "gldib.h"
#include "raster/span.h"
#include "raster/depthstencil.h"
#include "../core/depthstencil_fixture.h"

namespace {

// What the last store stage saw: which list ran it, the length, the coverage.
struct ProbeRecord {
    char list = '-';
    GLint length = 0;
    GLuint coverage = 0;
};
ProbeRecord probe;

GLuint GLPROC probeA(GlContext* gc) {
    probe.list = 'A';
    probe.length = gc->span.spanLength;
    probe.coverage = 0xFFFFFFFFu;
    return 0;
}
GLuint GLPROC probeB(GlContext* gc) {
    probe.list = 'B';
    probe.length = gc->span.spanLength;
    probe.coverage = gc->span.spanCoverage[0];
    return 0;
}

bool hasStage(const GlContext* gc, GlSpanStageProc stage) {
    for (GLint i = 0; i < gc->spanStageCount; i++)
        if (gc->spanStagesA[i] == stage) return true;
    return false;
}

// A validated DIB context (bottom-up unless asked) and the span hand-over.
struct SpanRig {
    GltestDibContext c;
    GlContext* gc;
    SpanRig(int w, int h, int bits = 32, bool index = false, int depthBits = 32, bool topDown = false)
        : c(w, h, bits, index, depthBits, topDown), gc(__glCurrentContext()) {
        glShadeModel(GL_FLAT);
    }
    void validate() { gc->procs.validate(gc); }
    GLint row(int y) const { return c.topDown ? c.dib.height - 1 - y : y; }
    // n pixels from GL window position (x, y), flat colour, depth z with step dz.
    void span(int x, int y, int n, GLuint z = 0, GLint dz = 0) {
        GlSpanState* s = &gc->span;
        s->spanX = x + gc->limits.windowBiasX;
        s->spanY = row(y) + gc->limits.windowBiasY;
        s->spanLength = n;
        s->spanZ = z;
        s->zDx = dz;
        s->zDx32 = (GLint)((GLuint)dz << 5);
        for (int k = 0; k < 4; k++) s->colorDx[k] = 0.0f;
        const GLfloat* m = gc->constants.previousColorMax;
        const GLfloat red[4] = {m[0], 0.0f, 0.0f, m[3]};
        memcpy(s->spanColor, red, sizeof red);
        if (gc->pixelFormat.colorIndex) s->spanColor[0] = 5.0f;
        s->depthAddress = __glBufferAddress(&gc->fb.depth.buf, gc, s->spanX, s->spanY);
        s->stencilAddress = gc->pixelFormat.stencilPresent
                                ? __glBufferAddress(&gc->fb.stencil.buf, gc, s->spanX, s->spanY)
                                : nullptr;
        s->spanColorBuffer = gc->drawBuffer;
    }
    void run() { gc->procs.runSpanStages(gc); }
    // The store's place in both lists goes to the probe.
    void probeStore() {
        probe = ProbeRecord();
        gc->spanStagesA[gc->spanStageCount - 1] = probeA;
        gc->spanStagesB[gc->spanStageCount - 1] = probeB;
    }
    uint8_t& stencil(int x, int y) {
        GlStencilBuffer* sb = &gc->fb.stencil;
        return sb->buf.base[row(y) * sb->buf.stride + x];
    }
    GLuint depthWord(int x, int y) {
        GlDepthBuffer* db = &gc->fb.depth;
        const uint8_t* p = db->buf.base + row(y) * db->buf.stride + x * (int)db->buf.elementSize;
        return db->buf.elementSize == 2 ? *(const uint16_t*)p : *(const uint32_t*)p;
    }
    bool written(int x, int y) { return (c.pixel(x, y) & 0xFFFFFF) != 0; }
};

bool compare(GLenum f, GLuint a, GLuint b) {
    switch (f) {
    case GL_NEVER: return false;
    case GL_LESS: return a < b;
    case GL_EQUAL: return a == b;
    case GL_LEQUAL: return a <= b;
    case GL_GREATER: return a > b;
    case GL_NOTEQUAL: return a != b;
    case GL_GEQUAL: return a >= b;
    }
    return true;
}

const GLenum kFuncs[8] = {GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};

}  // namespace

// The scissor stage runs first: a span outside the box reaches no stage (the
// stencil pass operation would count it); one cut on the right stays in list A.
TEST(SpanScissor, ClipsBeforeOtherStages) {
    struct Case {
        int x, y, n;
        char list;       // list that ran the store, '-' none
        GLint length;    // span length at the store
        GLuint coverage;  // first coverage word at a list-B store
    };
    const Case cases[] = {
        {0, 3, 4, '-', 0, 0},            // wholly left
        {12, 3, 3, '-', 0, 0},           // wholly right (starts at x1)
        {8, 3, 8, 'A', 4, 0xFFFFFFFFu},  // cut on the right: shorter, no pixel marked
        {2, 3, 4, 'B', 4, 0x30000000u},  // cut on the left: first two pixels dead
        {1, 3, 14, 'B', 11, 0x1FE00000u},  // both sides
        {5, 3, 3, 'A', 3, 0xFFFFFFFFu},  // inside
        {5, 7, 3, '-', 0, 0},            // row above the box
    };
    SpanRig r(16, 8);
    glEnable(GL_SCISSOR_TEST);
    glScissor(4, 1, 8, 6);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    for (const Case& k : cases) {
        glClearStencil(0);
        glClear(GL_STENCIL_BUFFER_BIT);
        r.validate();
        ASSERT_TRUE(hasStage(r.gc, __glScissorSpan));
        r.probeStore();
        r.span(k.x, k.y, k.n);
        r.run();
        EXPECT_EQ(probe.list, k.list) << k.x << "+" << k.n;
        if (k.list == '-') continue;
        EXPECT_EQ(probe.length, k.length) << k.x;
        if (k.list == 'B') {
            EXPECT_EQ(probe.coverage, k.coverage) << k.x;
        }
        for (int x = 0; x < 16; x++) {
            const bool inside = x >= 4 && x < 12 && x >= k.x && x < k.x + k.n;
            EXPECT_EQ(r.stencil(x, k.y), inside ? 1 : 0) << k.x << " pixel " << x;
        }
    }
}

// The scissor stage is left out only when the viewport lies inside the clip
// box; a later glScissor or a viewport larger than the drawable brings it back.
TEST(SpanScissor, WindowInside) {
    struct Case {
        bool topDown;
        int vx, vy, vw, vh;
        bool scissor;
        int sx, sy, sw, sh;
        bool stage;
    };
    const Case cases[] = {
        {false, 0, 0, 16, 16, false, 0, 0, 0, 0, false},
        {false, -4, 0, 20, 16, false, 0, 0, 0, 0, true},
        {false, 0, 0, 16, 17, false, 0, 0, 0, 0, true},
        {false, 2, 2, 8, 8, true, 0, 0, 10, 10, false},
        {false, 2, 2, 8, 8, true, 0, 0, 10, 9, true},
        {true, 0, 4, 16, 12, true, 0, 4, 16, 12, false},
        {true, 0, 4, 16, 12, true, 0, 5, 16, 11, true},
        {true, 0, 0, 16, 16, true, 0, 0, 16, 16, false},
    };
    for (const Case& k : cases) {
        SpanRig r(16, 16, 32, false, 32, k.topDown);
        glViewport(k.vx, k.vy, k.vw, k.vh);
        if (k.scissor) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(k.sx, k.sy, k.sw, k.sh);
        }
        r.validate();
        EXPECT_EQ(hasStage(r.gc, __glScissorSpan), k.stage) << k.vx << "," << k.vy << " " << k.vw << "x" << k.vh;
    }
    // Narrowing the scissor after a validation without it re-picks the stages.
    SpanRig r(16, 16);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 16, 16);
    r.validate();
    EXPECT_FALSE(hasStage(r.gc, __glScissorSpan));
    glScissor(0, 0, 8, 8);
    r.validate();
    EXPECT_TRUE(hasStage(r.gc, __glScissorSpan));
}

// Stipple words are repacked row 0 first, column 0 in bit 31, and rotated by
// the span's x; a zero word kills the span, all ones still switches to list B.
TEST(SpanStipple, RowsAndRotation) {
    GLubyte pattern[32 * 4] = {};
    pattern[5 * 4 + 0] = 0x80, pattern[5 * 4 + 3] = 0x01;  // row 5: columns 0 and 31
    memset(&pattern[7 * 4], 0xFF, 4);                       // row 7: all
    pattern[9 * 4 + 0] = 0x01;                              // row 9: column 7
    struct Case {
        int x, y, n;
        char list;
        GLuint coverage;
    };
    const Case cases[] = {
        {0, 5, 40, 'B', 0x80000001u},  // columns 0 and 31
        {31, 5, 3, 'B', 0xC0000000u},  // rotated: column 31, then column 0
        {1, 5, 3, '-', 0},             // the word is not zero, but no pixel of the span is set
        {0, 6, 8, '-', 0},             // zero row
        {3, 7, 5, 'B', 0xF8000000u},   // all ones: list B, every pixel alive
        {35, 9, 8, 'B', 0x08000000u},  // column 7 at x 39
        {0, 37, 8, 'B', 0x80000000u},  // row 37 is row 5
    };
    for (bool topDown : {false, true}) {
        SpanRig r(48, 40, 32, false, 32, topDown);
        glPolygonStipple(pattern);
        glEnable(GL_POLYGON_STIPPLE);
        r.validate();
        EXPECT_EQ(r.gc->polygonStipple[5], 0x80000001u);
        EXPECT_EQ(r.gc->polygonStipple[9], 0x01000000u);
        for (const Case& k : cases) {
            r.probeStore();
            r.span(k.x, k.y, k.n);
            r.run();
            EXPECT_EQ(probe.list, k.list) << topDown << " " << k.x << "," << k.y;
            if (k.list == 'B') {
                EXPECT_EQ(probe.coverage, k.coverage) << topDown << " " << k.x << "," << k.y;
            }
        }
    }
}

// Every depth function, with and without depth writes, on the three buffer
// kinds: spans of 40 pixels cross a group of 32, step up and down, and reach
// the top of the 16-bit range. The value of pixel i is rebuilt from the
// 32-bit depth of its group plus the shifted step.
TEST(SpanDepth, FunctionsMasksAndKinds) {
    struct Kind {
        int depthBits;
        double clear;
        GLuint z;
        GLint dz;
    };
    const Kind kinds[] = {
        {16, 0.5, 0x7FFF8000u - 20 * 0x40000u, 0x40000},
        {16, 0.5, 0x7FFF8000u + 20 * 0x40000u, -0x40000},
        {16, 1.0, 0xFFFF0000u - 39 * 0x10000u, 0x10000},  // the last pixel at the top
        {16, 0.5, 0x7FFF8000u - 20 * 0x18000u, 0x18000},   // steps of 1.5: rebuilt at pixel 32
        {24, 0.5, 0x3FE00000u - 20 * 0x10C0u, 0x10C0},
        {24, 0.5, 0x3FE00000u - 20 * 0x1000u, 0x1000},
        {24, 0.5, 0x3FE00000u + 20 * 0x1000u, -0x1000},
        {32, 0.5, 0x3FE00000u - 20 * 0x1000u, 0x1000},
        {32, 0.5, 0x3FE00000u + 20 * 0x1010u, -0x1010},
    };
    const int n = 40;
    for (const Kind& kind : kinds) {
        SpanRig r(48, 3, 32, false, kind.depthBits);
        GlDepthBuffer* db = &r.gc->fb.depth;
        glEnable(GL_DEPTH_TEST);
        glClearDepth(kind.clear);
        for (GLenum func : kFuncs) {
            for (bool write : {true, false}) {
                glDepthMask(GL_TRUE);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glDepthFunc(func);
                glDepthMask(write ? GL_TRUE : GL_FALSE);
                r.validate();
                if (func == GL_NEVER) {
                    EXPECT_EQ(r.gc->procs.runSpanStages, (GlContextProc)__glNop);
                    continue;
                }
                std::vector<GLuint> before(n);
                for (int i = 0; i < n; i++) before[i] = r.depthWord(i, 1);
                r.span(0, 1, n, kind.z, kind.dz);
                r.run();
                const GLuint wordMask = db->buf.elementSize == 2 ? 0xFFFFu : 0xFFFFFFFFu;
                for (int i = 0; i < n; i++) {
                    // Stored values of z + i x dz (1 - z where the 24-bit kind
                    // mirrors) under the function on stored values.
                    const GLuint v = __glDepthStored(db, kind.z + (GLuint)i * (GLuint)kind.dz) & wordMask;
                    const bool pass = compare(db->compareFunc, v, before[i]);
                    const auto tag = [&] {
                        return ::testing::Message() << kind.depthBits << "-bit z " << std::hex << kind.z << " func "
                                                    << func << " write " << write << " pixel " << std::dec << i;
                    };
                    EXPECT_EQ(r.written(i, 1), pass) << tag();
                    EXPECT_EQ(r.depthWord(i, 1), pass && write ? v : before[i]) << tag();
                }
                EXPECT_TRUE(r.c.guardsIntact());
            }
        }
    }
}

// Polygon offset: a constant run at the high clamp, or at the low clamp before
// the interpolated depth, by the run distances.
TEST(SpanDepth, PolygonOffsetRuns) {
    struct Case {
        GLfloat offsetZ, runStart, runEnd;
        int lowRun, interpolated;  // pixels at the low clamp, then interpolated; the rest at the high clamp
    };
    const Case cases[] = {
        {1000.0f, -1.0f, 5.0f, 0, 0},      // starts past the clamp: all high
        {1000.0f, 6.5f, 100.0f, 0, 7},     // reaches the high clamp inside the span
        {1000.0f, 20.0f, 100.0f, 0, 10},   // stays interpolated
        {-2000.0f, 3.5f, 1.0f, 3, 7},      // low clamp first, then restarts at that pixel's value
        {-2000.0f, 40.0f, 1.0f, 10, 0},    // low clamp over the whole span
    };
    const GLuint low = 0x100u, high = 0x7FC00000u;
    const GLint dz = 0x1000, n = 10;
    SpanRig r(16, 2, 32, false, 32);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    r.validate();
    ASSERT_TRUE(hasStage(r.gc, __glDepthTestSpanOffset));
    for (const Case& k : cases) {
        glClear(GL_DEPTH_BUFFER_BIT);
        r.span(0, 0, n, 0, dz);
        GlSpanState* s = &r.gc->span;
        s->offsetZ = k.offsetZ;
        s->offsetRunStart = k.runStart;
        s->offsetRunEnd = k.runEnd;
        s->offsetClampLow = low;
        s->offsetClampHigh = high;
        r.run();
        for (int i = 0; i < n; i++) {
            const GLuint want = i < k.lowRun ? low
                                : i < k.lowRun + k.interpolated ? (GLuint)(GLint)k.offsetZ + (GLuint)(i * dz)
                                                                 : high;
            EXPECT_EQ(r.depthWord(i, 0), want) << k.offsetZ << " " << k.runStart << " pixel " << i;
        }
    }
}

// Every stencil function with every operation, under write and value masks;
// fail operations on failing pixels, depth-pass operations on passing ones.
TEST(SpanStencil, FunctionsOperationsMasks) {
    const GLenum ops[6] = {GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR, GL_DECR, GL_INVERT};
    const uint8_t stored[8] = {0, 5, 6, 7, 0x16, 0xF6, 254, 255};
    const GLuint ref = 6;
    struct Masks {
        GLuint write, value;
    };
    const Masks masks[] = {{0xFF, 0xFF}, {0x0F, 0xFF}, {0xFF, 0x0F}, {0x3C, 0xF0}};
    const auto apply = [&](GLenum op, GLuint s, GLuint wm) {
        GLuint v = s;
        switch (op) {
        case GL_ZERO: v = 0; break;
        case GL_REPLACE: v = ref; break;
        case GL_INCR: v = s == 255 ? 255 : s + 1; break;
        case GL_DECR: v = s == 0 ? 0 : s - 1; break;
        case GL_INVERT: v = ~s; break;
        }
        return (GLuint)(uint8_t)((s & ~wm) | (v & wm));
    };
    SpanRig r(8, 2);
    glEnable(GL_STENCIL_TEST);
    for (GLenum func : kFuncs)
        for (int o = 0; o < 6; o++)
            for (const Masks& m : masks) {
                const GLenum failOp = ops[o], passOp = ops[(o + 1) % 6];
                glStencilMask(0xFF);
                glClear(GL_COLOR_BUFFER_BIT);
                for (int x = 0; x < 8; x++) r.stencil(x, 0) = stored[x];
                glStencilFunc(func, (GLint)ref, m.value);
                glStencilOp(failOp, GL_KEEP, passOp);
                glStencilMask(m.write);
                r.validate();
                r.span(0, 0, 8);
                r.run();
                for (int x = 0; x < 8; x++) {
                    const bool pass = compare(func, ref & m.value, stored[x] & m.value);
                    const GLuint want = apply(pass ? passOp : failOp, stored[x], m.write);
                    EXPECT_EQ(r.stencil(x, 0), want) << "func " << func << " ops " << failOp << "/" << passOp
                                                     << " masks " << m.write << "/" << m.value << " stored " << (int)stored[x];
                    EXPECT_EQ(r.written(x, 0), pass) << "func " << func << " stored " << (int)stored[x];
                }
            }
}

// With the depth test: depth-fail and depth-pass operations by the depth result.
TEST(SpanStencil, DepthOperations) {
    SpanRig r(8, 2);
    glEnable(GL_STENCIL_TEST);
    glEnable(GL_DEPTH_TEST);
    glStencilFunc(GL_EQUAL, 3, 0xFF);
    glStencilOp(GL_ZERO, GL_INCR, GL_INVERT);
    glClearStencil(3);
    glClearDepth(0.5);
    glClear(GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    r.stencil(7, 0) = 4;  // fails the stencil test
    r.validate();
    ASSERT_TRUE(hasStage(r.gc, __glDepthStencilSpan));
    const GLuint mid = (GLuint)(0.5 * r.gc->fb.depth.depthMax);
    r.span(0, 0, 8, mid - 4 * 0x1000, 0x1000);  // pixels 0-3 nearer, 4-7 not
    r.run();
    const int want[8] = {0xFC, 0xFC, 0xFC, 0xFC, 4, 4, 4, 0};
    for (int x = 0; x < 8; x++) {
        EXPECT_EQ(r.stencil(x, 0), want[x]) << x;
        EXPECT_EQ(r.written(x, 0), x < 4) << x;
    }
}

// Depth GL_NEVER installs no runner work at all, also with the late tests;
// with stencil the stencil operations still run.
TEST(SpanPicker, DepthNeverAndDrawBufferNone) {
    SpanRig r(8, 2);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_NEVER);
    r.validate();
    EXPECT_EQ(r.gc->procs.runSpanStages, (GlContextProc)__glNop);
    glEnable(GL_ALPHA_TEST);
    r.validate();
    EXPECT_EQ(r.gc->procs.runSpanStages, (GlContextProc)__glNop);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_INCR, GL_KEEP);
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT | GL_COLOR_BUFFER_BIT);
    r.validate();
    r.span(0, 0, 8);
    r.run();
    for (int x = 0; x < 8; x++) {
        EXPECT_EQ(r.stencil(x, 0), 1) << x;
        EXPECT_FALSE(r.written(x, 0)) << x;
    }

    // GL_NONE: the tests and their writes run, no colour buffer is written.
    glDisable(GL_STENCIL_TEST);
    glDepthFunc(GL_ALWAYS);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDrawBuffer(GL_NONE);
    r.validate();
    r.span(0, 1, 8, 0x1000, 0);
    r.run();
    for (int x = 0; x < 8; x++) {
        EXPECT_FALSE(r.written(x, 1)) << x;
        EXPECT_NE(r.depthWord(x, 1), r.depthWord(x, 0)) << x;
    }
    EXPECT_TRUE(r.c.guardsIntact());
}

// The stages before and after the colour: stencil and depth come first unless
// an alpha test needs the colour.
TEST(SpanPicker, StageOrder) {
    SpanRig r(8, 2);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_STENCIL_TEST);
    r.validate();
    const GlSpanStageProc early[] = {__glStencilTestSpan, __glDepthStencilSpan, __glColorSpanRgbaFlat, __glStoreSpan};
    ASSERT_EQ(r.gc->spanStageCount, 4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(r.gc->spanStagesA[i], early[i]) << i;
    EXPECT_EQ(r.gc->spanStagesB[1], (GlSpanStageProc)__glDepthStencilSpanMasked);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_FOG);
    glHint(GL_FOG_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);
    r.validate();
    const GlSpanStageProc late[] = {__glColorSpanRgbaSmooth, __glFogSpanNicest, __glAlphaTestSpan,
                                    __glStencilTestSpan, __glDepthStencilSpan, __glStoreSpan};
    ASSERT_EQ(r.gc->spanStageCount, 6);
    for (int i = 0; i < 6; i++) EXPECT_EQ(r.gc->spanStagesA[i], late[i]) << i;
    EXPECT_EQ(r.gc->spanSplitIndex, 6);
}

// Alpha test at the table's ends: above 1.0 uses the last entry, negative
// (and not-a-number) the first.
TEST(SpanAlphaTest, Boundaries) {
    struct Case {
        GLenum func;
        GLfloat ref;
        GLfloat alpha[4];
        GLuint alive;  // top four coverage bits
    };
    const Case cases[] = {
        {GL_LESS, 1.0f, {1.5f, 1.0f, 0.99f, -0.5f}, 0x3},
        {GL_GEQUAL, 1.0f, {1.5f, 1.0f, 0.99f, -0.5f}, 0xC},
        {GL_GREATER, 0.0f, {-0.5f, 0.0f, 0.01f, 2.0f}, 0x3},
        {GL_EQUAL, 0.0f, {-3.0f, 0.0f, 0.5f, 1e30f}, 0xC},
        {GL_LEQUAL, 0.0f, {NAN, -1e30f, 0.5f, 1.0f}, 0xC},
    };
    SpanRig r(8, 2);
    glEnable(GL_ALPHA_TEST);
    for (const Case& k : cases) {
        glAlphaFunc(k.func, k.ref);
        r.validate();
        r.span(0, 0, 4);
        __glSpanArrays(r.gc);
        const GLfloat amax = r.gc->constants.previousColorMax[3];
        for (int i = 0; i < 4; i++) r.gc->span.spanColors[i][3] = k.alpha[i] * amax;
        r.gc->span.spanAllDead = 0;
        const GLuint result = __glAlphaTestSpan(r.gc);
        EXPECT_EQ(result, k.alive != 0xF ? 1u : 0u) << k.func;
        if (result) {
            EXPECT_EQ(r.gc->span.spanCoverage[0] >> 28, k.alive) << k.func;
        }
        EXPECT_EQ(r.gc->span.spanAllDead, k.alive == 0);
        // The masked twin tests only live pixels: with pixel 3 dead, the others decide.
        r.gc->span.spanCoverage[0] = 0xE0000000u;
        const GLuint masked = __glAlphaTestSpanMasked(r.gc);
        EXPECT_EQ(r.gc->span.spanCoverage[0] >> 28, k.alive & 0xE) << k.func;
        EXPECT_EQ(masked, (k.alive & 0xE) == 0 ? 1u : 0u) << k.func;
    }
}

// Index test through the capped table: indexes past the table compare directly.
TEST(SpanIndexTest, TableAndBeyond) {
    struct Case {
        GLenum func;
        GLfloat ref;
        GLfloat index[6];
        GLuint alive;  // top six coverage bits
    };
    const Case cases[] = {
        {GL_LESS, 3.7f, {0.0f, 2.9f, 3.0f, 3.5f, 300.0f, 70000.0f}, 0x30},
        {GL_GREATER, 3.0f, {0.0f, 3.0f, 3.9f, 4.0f, 300.0f, 70000.0f}, 0x07},
        {GL_EQUAL, 255.0f, {255.0f, 255.9f, 256.0f, 254.0f, 511.0f, 0.0f}, 0x30},
    };
    SpanRig r(8, 2, 8, true);
    glEnable(GL_INDEX_TEST_QTA);
    for (const Case& k : cases) {
        glIndexFuncQTA(k.func, k.ref);
        r.validate();
        ASSERT_TRUE(hasStage(r.gc, __glIndexTestSpan));
        r.span(0, 0, 6);
        __glSpanArrays(r.gc);
        for (int i = 0; i < 6; i++) r.gc->span.spanColors[i][0] = k.index[i];
        r.gc->span.spanAllDead = 0;
        EXPECT_EQ(__glIndexTestSpan(r.gc), k.alive != 0x3F ? 1u : 0u) << k.func;
        EXPECT_EQ(r.gc->span.spanCoverage[0] >> 26, k.alive) << k.func;
    }
}

// Dither: a whole number passes unchanged at every matrix entry; 2^bits - 0.4
// dithers to 2^bits at some entries and is clamped. Round: halves go up.
TEST(SpanDither, WholeNumbersAndClamp) {
    SpanRig r(8, 8, 8, true);
    r.validate();
    GlContext* gc = r.gc;
    const auto one = [&](GlSpanStageProc stage, int x, int y, GLfloat v) {
        r.span(x, y, 1);
        __glSpanArrays(gc);
        gc->span.spanColors[0][0] = v;
        stage(gc);
        return gc->span.spanColors[0][0];
    };
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) {
            for (GLfloat k : {0.0f, 1.0f, 17.0f, 254.0f, 255.0f})
                EXPECT_EQ(one(__glDitherSpanIndex, x, y, k), k) << x << "," << y;
            EXPECT_EQ(one(__glDitherSpanIndex, x, y, 255.6f), 255.0f) << x << "," << y;
            EXPECT_EQ(one(__glDitherSpanIndex, x, y, 1e20f), 255.0f);
            EXPECT_EQ(one(__glDitherSpanIndex, x, y, -3.0f), 0.0f);
        }
    const struct {
        GLfloat in, out;
    } rounds[] = {{2.49f, 2.0f}, {2.5f, 3.0f}, {254.5f, 255.0f}, {255.6f, 255.0f}, {-0.4f, 0.0f}};
    for (const auto& k : rounds) EXPECT_EQ(one(__glRoundSpanIndex, 1, 1, k.in), k.out) << k.in;

    // RGBA: each component against its own maximum.
    SpanRig c(8, 8, 16);
    c.validate();
    const GLuint* max = c.gc->drawBuffer->maximum;
    for (int x = 0; x < 4; x++) {
        c.span(x, 2, 1);
        __glSpanArrays(c.gc);
        GLfloat* px = c.gc->span.spanColors[0];
        for (int k = 0; k < 4; k++) px[k] = (GLfloat)max[k] + 0.6f;
        px[1] = 7.0f;
        __glDitherSpanRgba(c.gc);
        EXPECT_EQ(px[0], (GLfloat)max[0]);
        EXPECT_EQ(px[1], 7.0f);
        EXPECT_EQ(px[2], (GLfloat)max[2]);
    }
}

// The sixteen logic operations on colour indexes, masked to the index bits;
// the masked twin leaves dead pixels alone.
TEST(SpanLogicOp, IndexOperations) {
    const struct {
        GLenum op;
        GLuint result;
    } cases[] = {
        {GL_CLEAR, 0x00}, {GL_AND, 0x08},  {GL_AND_REVERSE, 0x04}, {GL_COPY, 0x0C},
        {GL_AND_INVERTED, 0x02}, {GL_NOOP, 0x0A}, {GL_XOR, 0x06}, {GL_OR, 0x0E},
        {GL_NOR, 0xF1}, {GL_EQUIV, 0xF9}, {GL_INVERT, 0xF5}, {GL_OR_REVERSE, 0xFD},
        {GL_COPY_INVERTED, 0xF3}, {GL_OR_INVERTED, 0xFB}, {GL_NAND, 0xF7}, {GL_SET, 0xFF},
    };
    SpanRig r(8, 2, 8, true);
    r.validate();
    GlContext* gc = r.gc;
    for (const auto& k : cases) {
        gc->colorBuffer.logicOp = k.op;
        r.span(0, 0, 2);
        __glSpanArrays(gc);
        for (int i = 0; i < 2; i++) {
            gc->span.spanColors[i][0] = 12.0f;
            gc->span.spanDestColors[i][0] = 10.0f;
        }
        __glLogicOpSpanIndex(gc);
        EXPECT_EQ(gc->span.spanColors[0][0], (GLfloat)k.result) << k.op;
        gc->span.spanColors[0][0] = gc->span.spanColors[1][0] = 12.0f;
        gc->span.spanCoverage[0] = 0x40000000u;
        __glLogicOpSpanIndexMasked(gc);
        EXPECT_EQ(gc->span.spanColors[0][0], 12.0f) << k.op;
        EXPECT_EQ(gc->span.spanColors[1][0], (GLfloat)k.result) << k.op;
    }
}

// Write masks take the destination for masked-off components and bits.
TEST(SpanWriteMask, ColorAndIndex) {
    SpanRig r(8, 2);
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_FALSE);
    r.validate();
    r.span(0, 0, 1);
    __glSpanArrays(r.gc);
    const GLfloat src[4] = {10, 20, 30, 40}, dst[4] = {1, 2, 3, 4}, want[4] = {10, 2, 30, 4};
    memcpy(r.gc->span.spanColors[0], src, sizeof src);
    memcpy(r.gc->span.spanDestColors[0], dst, sizeof dst);
    __glColorMaskSpanRgba(r.gc);
    for (int k = 0; k < 4; k++) EXPECT_EQ(r.gc->span.spanColors[0][k], want[k]) << k;

    SpanRig x(8, 2, 8, true);
    glIndexMask(0x0F);
    x.validate();
    x.span(0, 0, 1);
    __glSpanArrays(x.gc);
    x.gc->span.spanColors[0][0] = (GLfloat)0xAB;
    x.gc->span.spanDestColors[0][0] = (GLfloat)0xCD;
    __glIndexMaskSpan(x.gc);
    EXPECT_EQ(x.gc->span.spanColors[0][0], (GLfloat)0xCB);
}

// Fog stages: the fast one clamps the interpolated factor, the masked one
// skips dead pixels but still steps, the nicest one evaluates the eye
// distance; alpha is never changed.
TEST(SpanFog, FastMaskedAndNicest) {
    SpanRig r(8, 2);
    glEnable(GL_FOG);
    const GLfloat fog[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glFogfv(GL_FOG_COLOR, fog);
    r.validate();
    GlContext* gc = r.gc;
    const GLfloat m = gc->constants.previousColorMax[0];
    r.span(0, 0, 4);
    __glSpanArrays(gc);
    for (int i = 0; i < 4; i++) {
        const GLfloat c[4] = {m, 0.0f, 0.0f, 0.25f};
        memcpy(gc->span.spanColors[i], c, sizeof c);
    }
    gc->span.spanFog = 1.5f;
    gc->span.fogDx = -0.5f;  // 1.5, 1.0, 0.5, 0.0
    gc->span.spanCoverage[0] = 0x70000000u;
    __glFogSpanFastMasked(gc);
    const GLfloat red[4] = {m, m, m * 0.5f, 0.0f};
    for (int i = 0; i < 4; i++) {
        EXPECT_FLOAT_EQ(gc->span.spanColors[i][0], i == 0 ? m : red[i]) << i;
        EXPECT_EQ(gc->span.spanColors[i][3], 0.25f) << i;
    }
    EXPECT_FLOAT_EQ(gc->span.spanColors[3][2], gc->fog.color[2]);

    // GL_NICEST: the interpolated eye z through the fog function, sign dropped.
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 10.0f);
    glHint(GL_FOG_HINT, GL_NICEST);
    r.validate();
    ASSERT_TRUE(hasStage(gc, __glFogSpanNicest));
    r.span(0, 0, 4);
    __glSpanArrays(gc);
    for (int i = 0; i < 4; i++) {
        const GLfloat c[4] = {m, 0.0f, 0.0f, 0.25f};
        memcpy(gc->span.spanColors[i], c, sizeof c);
    }
    gc->span.spanFog = -5.0f;
    gc->span.fogDx = 7.5f;  // -5, 2.5, 10, 17.5
    __glFogSpanNicest(gc);
    const GLfloat nicest[4] = {0.5f * m, 0.75f * m, 0.0f, 0.0f};
    for (int i = 0; i < 4; i++) {
        EXPECT_FLOAT_EQ(gc->span.spanColors[i][0], nicest[i]) << i;
        EXPECT_EQ(gc->span.spanColors[i][3], 0.25f) << i;
    }
}

struct StoreRecord {
    GlColorBuffer* buffer;
    GLfloat color[4];
};
std::vector<StoreRecord> seen;
GLuint GLPROC recordStore(GlContext* gc) {
    StoreRecord r = {gc->span.spanColorBuffer, {}};
    memcpy(r.color, gc->span.spanColors[7], sizeof r.color);
    seen.push_back(r);
    return 0;
}

// Drawing to both buffers: the tests run once; the buffer stages run for the
// front buffer and then, from the restored colours, for the back buffer.
TEST(SpanBothBuffers, ColoursRestoredBetweenBuffers) {
    GlPixelFormatInfo f = dstest::format(16, 8);
    f.doubleBuffer = 1;
    dstest::Bound b(8, 2, f);
    ASSERT_NE(b.gc, nullptr);
    GlContext* gc = b.gc;
    ASSERT_NE(gc->fb.backBuffer, nullptr);
    glDrawBuffer(GL_FRONT);
    glClearColor(1, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer(GL_BACK);
    glClearColor(0, 0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer(GL_FRONT_AND_BACK);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_FLAT);
    // Buffers whose stores want the fragment operations on the span.
    gc->fb.frontBuffer->needsSpanOps = gc->fb.backBuffer->needsSpanOps = 1;
    b.validate();
    ASSERT_EQ(gc->procs.runSpanStages, (GlContextProc)__glRunSpanStagesBothBuffers);
    ASSERT_EQ(gc->spanSplitIndex, 1);
    EXPECT_EQ(gc->spanStagesA[1], (GlSpanStageProc)__glFetchSpan);
    EXPECT_EQ(gc->spanStagesA[2], (GlSpanStageProc)__glBlendSpanSrcAlphaOneMinusSrcAlpha);
    EXPECT_EQ(gc->spanStagesA[3], (GlSpanStageProc)__glRoundSpanRgba);
    // The buffers' stores blend on their own: the store's place records what it gets.
    seen.clear();
    gc->spanStagesA[4] = gc->spanStagesB[4] = recordStore;
    GlSpanState* s = &gc->span;
    s->spanX = b.bx(0), s->spanY = b.by(0), s->spanLength = 8;
    const GLfloat* m = gc->constants.previousColorMax;
    const GLfloat green[4] = {0.0f, m[1], 0.0f, 0.5f * m[3]};
    memcpy(s->spanColor, green, sizeof green);
    gc->procs.runSpanStages(gc);
    const GLfloat wantFront[3] = {128, 128, 0}, wantBack[3] = {0, 128, 128};
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].buffer, gc->fb.frontBuffer);
    EXPECT_EQ(seen[1].buffer, gc->fb.backBuffer);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(seen[0].color[k], wantFront[k]) << k;
        EXPECT_EQ(seen[1].color[k], wantBack[k]) << k;
    }
    gc->fb.frontBuffer->needsSpanOps = gc->fb.backBuffer->needsSpanOps = 0;
}

// ---- Filled polygons through the public calls.

namespace {

void quad(float x0, float y0, float x1, float y1, float z) {
    glBegin(GL_QUADS);
    glVertex3f(x0, y0, z);
    glVertex3f(x1, y0, z);
    glVertex3f(x1, y1, z);
    glVertex3f(x0, y1, z);
    glEnd();
}

}  // namespace

// Every pixel a filled polygon reaches lies in the window clip box: a viewport
// larger than the drawable, and the scissor box, on both row orders.
TEST(SpanFilled, ClipBox) {
    struct Case {
        int vx, vy, vw, vh;
        bool scissor;
        int x0, y0, x1, y1;  // pixels expected written
    };
    const Case cases[] = {
        {-8, -8, 32, 32, false, 0, 0, 16, 16},
        {-8, -8, 32, 32, true, 3, 5, 11, 9},
        {0, 0, 16, 16, true, 3, 5, 11, 9},
        {4, -20, 40, 40, false, 4, 0, 16, 16},
    };
    for (bool topDown : {false, true})
        for (const Case& k : cases) {
            GltestDibContext c(16, 16, 32, false, 32, topDown);
            glViewport(k.vx, k.vy, k.vw, k.vh);
            if (k.scissor) {
                glEnable(GL_SCISSOR_TEST);
                glScissor(3, 5, 8, 4);
            }
            glColor3f(1, 0, 0);
            quad(0, 0, 16, 16, 0);
            for (int y = 0; y < 16; y++)
                for (int x = 0; x < 16; x++) {
                    const bool in = x >= k.x0 && x < k.x1 && y >= k.y0 && y < k.y1;
                    EXPECT_EQ(c.pixel(x, y) & 0xFFFFFF, in ? 0xFF0000u : 0u)
                        << topDown << " viewport " << k.vx << "," << k.vy << " pixel " << x << "," << y;
                }
            EXPECT_TRUE(c.guardsIntact()) << topDown << " " << k.vx;
        }
}

// Nearer polygons win under GL_LESS on every depth buffer kind; a farther one
// drawn last changes nothing; GL_NEVER draws nothing; GL_NONE writes no colour
// but still the depth.
TEST(SpanFilled, DepthAndDrawBuffer) {
    for (int bits : {16, 24, 32}) {
        GltestDibContext c(16, 8, 32, false, bits);
        glEnable(GL_DEPTH_TEST);
        glClear(GL_DEPTH_BUFFER_BIT);
        glColor3f(0, 1, 0);
        quad(0, 0, 10, 8, -0.5f);  // far
        glColor3f(1, 0, 0);
        quad(6, 0, 16, 8, 0.5f);  // near
        glColor3f(0, 0, 1);
        quad(0, 0, 16, 8, -0.9f);  // farther still
        glDepthFunc(GL_NEVER);
        quad(0, 0, 16, 8, 0.9f);
        glDepthFunc(GL_LESS);
        glDrawBuffer(GL_NONE);
        quad(0, 4, 3, 8, 0.9f);  // depth only
        glDrawBuffer(GL_FRONT);
        glColor3f(1, 1, 1);
        quad(0, 0, 3, 8, 0.7f);  // behind the colourless polygon in rows 4-7
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 16; x++) {
                const uint32_t want = x < 3 && y < 4 ? 0xFFFFFF : x < 6 ? 0x00FF00 : 0xFF0000;
                EXPECT_EQ(c.pixel(x, y) & 0xFFFFFF, want) << bits << "-bit depth, pixel " << x << "," << y;
            }
    }
}

// The polygon stipple in window coordinates on both row orders.
TEST(SpanFilled, Stipple) {
    GLubyte pattern[32 * 4];
    for (int r = 0; r < 32; r++)
        for (int b = 0; b < 4; b++) pattern[r * 4 + b] = (GLubyte)((r % 3 == 0 ? 0xA5 : 0x0F) ^ b);
    for (bool topDown : {false, true}) {
        GltestDibContext c(40, 36, 32, false, 32, topDown);
        glPolygonStipple(pattern);
        glEnable(GL_POLYGON_STIPPLE);
        glColor3f(1, 1, 1);
        quad(0, 0, 40, 36, 0);
        for (int y = 0; y < 36; y++)
            for (int x = 0; x < 40; x++) {
                const int r = y & 31, col = x & 31;
                const bool on = (pattern[r * 4 + col / 8] >> (7 - col % 8)) & 1;
                EXPECT_EQ((c.pixel(x, y) & 0xFFFFFF) != 0, on) << topDown << " pixel " << x << "," << y;
            }
    }
}
