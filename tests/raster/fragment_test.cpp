// The single-fragment store through size-1 points: every combination of the
// alpha or index test, stencil and depth, each failing in turn, with the
// stencil operations and depth writes each failure calls for.
#include "fragtest.h"
#include "raster/depthstencil.h"

using fragtest::point;

namespace {

enum { ALPHA_OR_INDEX = 1, STENCIL = 2, DEPTH = 4 };
enum { FAIL_NONE, FAIL_COLOR_TEST, FAIL_STENCIL, FAIL_DEPTH };

typedef void(APIENTRY* IndexFuncProc)(GLenum func, GLclampf ref);

struct Probe {
    GlContext* gc;
    GLint row(int y) const {
        return (gc->yInverted ? gc->drawableHeight - 1 - y : y) + gc->limits.windowBiasY;
    }
    GLuint stencil(int x, int y) const {
        GlStencilBuffer* sb = &gc->fb.stencil;
        return sb->fetchPixel(sb, x + gc->limits.windowBiasX, row(y));
    }
    GLuint depth(int x, int y) const {
        GlDepthBuffer* db = &gc->fb.depth;
        return db->fetch(db, x + gc->limits.windowBiasX, row(y));
    }
};

// Sets the enabled tests to pass, except the one that must fail.
void setTests(int mask, int fail, bool rgba, IndexFuncProc indexFunc) {
    if (mask & ALPHA_OR_INDEX) {
        glEnable(rgba ? GL_ALPHA_TEST : GL_INDEX_TEST_QTA);
        const GLenum func = fail == FAIL_COLOR_TEST ? GL_NEVER : GL_ALWAYS;
        if (rgba) glAlphaFunc(func, 0);
        else indexFunc(func, 0);
    }
    if (mask & STENCIL) {
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(fail == FAIL_STENCIL ? GL_NEVER : GL_ALWAYS, 2, 0xFF);
        glStencilOp(GL_INCR, GL_INVERT, GL_REPLACE);  // fail, depth fail, depth pass
    }
    if (mask & DEPTH) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(fail == FAIL_DEPTH ? GL_NEVER : GL_LESS);
    }
}

}  // namespace

TEST(FragmentStore, TestCombinations) {
    for (bool rgba : {true, false}) {
        GltestDibContext c(12, 4, rgba ? 32 : 8, !rgba);
        ASSERT_NE(c.rc, nullptr);
        const IndexFuncProc indexFunc = (IndexFuncProc)(void*)wglGetProcAddress("glIndexFuncQTA");
        ASSERT_TRUE(rgba || indexFunc);
        const Probe probe{__glCurrentContext()};
        const GLuint depthMax = probe.gc->fb.depth.depthMax;
        glDisable(GL_DITHER);
        for (int mask = 0; mask < 8; mask++) {
            glDisable(GL_ALPHA_TEST);
            glDisable(GL_INDEX_TEST_QTA);
            glDisable(GL_STENCIL_TEST);
            glDisable(GL_DEPTH_TEST);
            glClearDepth(1.0);
            glClearStencil(0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            glColor4f(1, 1, 1, 1);
            glIndexi(7);
            // Pixel 2 f + 1 gets the point that fails test f (0: none).
            for (int fail = FAIL_NONE; fail <= FAIL_DEPTH; fail++) {
                setTests(mask, fail, rgba, indexFunc);
                point(2 * fail + 1.5f, 1.5f, 0.0f);  // window z 0.5
            }
            for (int fail = FAIL_NONE; fail <= FAIL_DEPTH; fail++) {
                const int x = 2 * fail + 1;
                const bool tested = fail == FAIL_NONE || (mask & (1 << (fail - 1)));
                const auto what = ::testing::Message() << (rgba ? "rgba" : "index") << " mask " << mask << " fail "
                                                       << fail;
                EXPECT_EQ(c.pixel(x, 1) != 0, !tested || fail == FAIL_NONE) << what;
                // Stencil: pass -> reference, stencil fail -> incremented, depth
                // fail -> inverted; a colour-test failure never reaches it.
                GLuint stencil = 0;
                if (mask & STENCIL) {
                    if (fail == FAIL_NONE || (fail == FAIL_DEPTH && !(mask & DEPTH))) stencil = 2;
                    else if (fail == FAIL_STENCIL) stencil = 1;
                    else if (fail == FAIL_DEPTH) stencil = 0xFF;
                    else if (!tested) stencil = 2;
                }
                EXPECT_EQ(probe.stencil(x, 1), stencil) << what;
                // Depth is written only by a fragment that reaches and passes it.
                const bool depthWritten = (mask & DEPTH) && (fail == FAIL_NONE || !tested);
                const double d = (double)probe.depth(x, 1) / depthMax;
                EXPECT_NEAR(d, depthWritten ? 0.5 : 1.0, 1e-3) << what;
            }
        }
        EXPECT_TRUE(c.guardsIntact());
    }
}

// The alpha test at the ends of the range: alpha = maximum uses the last
// table entry; values beyond the range are clamped to the ends.
TEST(FragmentStore, AlphaBoundaries) {
    GltestDibContext c(8, 2, 32);
    ASSERT_NE(c.rc, nullptr);
    GlContext* gc = __glCurrentContext();
    glEnable(GL_ALPHA_TEST);
    struct Case {
        GLenum func;
        float ref, alpha;
        bool pass;
    };
    const Case cases[] = {
        {GL_EQUAL, 1.0f, 1.0f, true},   {GL_LESS, 1.0f, 1.0f, false},  {GL_GREATER, 0.5f, 0.5f, false},
        {GL_GREATER, 0.5f, 0.51f, true}, {GL_EQUAL, 0.0f, 0.0f, true},  {GL_LEQUAL, 0.0f, 0.0f, true},
    };
    for (const Case& k : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        glAlphaFunc(k.func, k.ref);
        glColor4f(1, 1, 1, k.alpha);
        point(0.5f, 0.5f);
        EXPECT_EQ(c.pixel(0, 0) != 0, k.pass) << std::hex << k.func << std::dec << " " << k.ref << " " << k.alpha;
    }
    // Out-of-range alphas straight into the store: clamped to the table's ends.
    glAlphaFunc(GL_EQUAL, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    point(7.5f, 1.5f);  // validates for the state above
    GlFragment f = {gc->limits.windowBiasX + 3, 0, 0, {255, 255, 255, 1e30f}};
    f.y = (gc->yInverted ? 1 : 0) + gc->limits.windowBiasY;
    gc->procs.storeFragmentTested(gc->drawBuffer, &f);
    EXPECT_NE(c.pixel(3, 0), 0u);
    f.x++;
    f.color[3] = -5.0f;  // index 0: fails GL_EQUAL 1.0
    gc->procs.storeFragmentTested(gc->drawBuffer, &f);
    EXPECT_EQ(c.pixel(4, 0), 0u);
}

// GL_NONE: tests, stencil and depth still run; no colour is written.
TEST(FragmentStore, DrawBufferNone) {
    for (int size : {1, 3}) {
        GltestDibContext c(8, 8, 32);
        ASSERT_NE(c.rc, nullptr);
        const Probe probe{__glCurrentContext()};
        glDrawBuffer(GL_NONE);
        glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 5, 0xFF);
        glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        glEnable(GL_DEPTH_TEST);
        glPointSize((float)size);
        glColor3f(1, 1, 1);
        point(4.5f, 4.5f, 0.0f);
        glPointSize(1);
        glDisable(GL_STENCIL_TEST);
        glDisable(GL_DEPTH_TEST);
        point(1.5f, 1.5f);
        EXPECT_TRUE(fragtest::changed(c).empty()) << size;
        EXPECT_EQ(probe.stencil(4, 4), 5u) << size;
        EXPECT_NEAR((double)probe.depth(4, 4) / probe.gc->fb.depth.depthMax, 0.5, 1e-3) << size;
        EXPECT_TRUE(c.guardsIntact());
    }
}
