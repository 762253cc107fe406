// Hardware contexts: the board window opens at make-current with the
// library defaults, closes at lose-current; refusals fail cleanly; swaps.

#include "hw_env.h"
#include "wgl/drawable.h"
#include "wgl/wgl.h"

namespace {

TEST(HwMakeCurrent, OpensTheBoardWindowAndLoseCurrentClosesIt) {
    const struct {
        bool doubleBuffer;
        const char* singleBuffer;  // QRB_SINGLEBUFFER
        uint32_t buffers;
        int32_t renderBuffer;
    } cases[] = {
        {true, nullptr, 2, RV_BUFFER_BACK},
        {true, "", 1, RV_BUFFER_FRONT},  // the variable's existence counts
        {false, nullptr, 1, RV_BUFFER_FRONT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.doubleBuffer << " " << (c.singleBuffer != nullptr));
        if (c.singleBuffer) setenv("QRB_SINGLEBUFFER", c.singleBuffer, 1);
        {
            HwContext hw(c.doubleBuffer);
            unsetenv("QRB_SINGLEBUFFER");
            const RvSimState s = hwtestBoard();
            EXPECT_EQ(s.windowOpen, 1u);
            EXPECT_EQ(s.colorBuffers, c.buffers);
            EXPECT_EQ(s.renderBuffer, c.renderBuffer);
            const auto opens = hwtestCalls("rvQrbWinOpen");
            ASSERT_EQ(opens.size(), 1u);
            EXPECT_EQ(opens[0].args[1], (uint32_t)RV_RESOLUTION_640x480);
            EXPECT_EQ(opens[0].args[5], c.buffers);

            // The window is a fixed 640x480 whatever the client area.
            GLint viewport[4];
            glGetIntegerv(GL_VIEWPORT, viewport);
            glViewport(0, 0, 10000, 10000);
            glGetIntegerv(GL_VIEWPORT, viewport);
            EXPECT_EQ(viewport[2], 640);
            EXPECT_EQ(viewport[3], 480);

            // A double-buffered format swaps even with one buffer open.
            if (c.doubleBuffer) {
                EXPECT_TRUE(SwapBuffers(hw.dc));
                const auto swaps = hwtestCalls("rvBufferSwap");
                ASSERT_EQ(swaps.size(), 1u);
                EXPECT_EQ(swaps[0].args[0], 1u);
            }
            ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
            EXPECT_EQ(hwtestBoard().windowOpen, 0u);
            EXPECT_EQ(hwtestCalls("rvQrbWinClose").size(), 1u);
        }
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}

// Each make-current opens the window again with the library defaults and
// then the context's own state: the GL state and the board agree.
TEST(HwMakeCurrent, AgainRestoresTheContextsStateOnTheBoard) {
    HwContext hw;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    rvLogClear();
    ASSERT_TRUE(wglMakeCurrent(hw.dc, hw.rc));
    const RvSimState s = hwtestBoard();
    EXPECT_EQ(s.windowOpen, 1u);
    EXPECT_EQ(s.blendRgbSrc, RV_BLEND_SRC_ALPHA);
    EXPECT_EQ(s.blendRgbDst, RV_BLEND_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(s.alphaTestFunction, RV_CMP_GREATER);
    EXPECT_EQ(s.alphaReference, 127u);
    EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_ZBUFFER);
    EXPECT_EQ(s.depthMask, 1);
    EXPECT_EQ(s.depthFunction, RV_CMP_LEQUAL);
    EXPECT_EQ(s.cullMode, RV_CULL_NEGATIVE);
    // The defaults still go first, in their order.
    EXPECT_EQ(hwtestCallNames().rfind("rvQrbWinOpen rvRenderBuffer rvColorMask rvDepthBufferFunction "
                                      "rvDepthBufferMode rvDepthMask rvAlphaBlendFunction rvAlphaTestFunction "
                                      "rvAlphaTestReferenceValue rvAlphaCombine rvColorCombine rvTexCombine "
                                      "rvTexFilterMode rvTexMipMapMode rvTexClampMode",
                                      0),
              0u)
        << hwtestCallNames();
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// A board that refuses the window fails wglMakeCurrent with the system
// error, leaves no context current and no window open; a later try works.
TEST(HwMakeCurrent, RefusedWindowFailsCleanly) {
    HwContext hw;
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    rvSimRefuseWinOpen(1);
    SetLastError(0);
    EXPECT_FALSE(wglMakeCurrent(hw.dc, hw.rc));
    EXPECT_EQ(GetLastError(), WGL_ERROR_UNSUPPORTED | WGL_ERROR_BASE);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(hwtestBoard().windowOpen, 0u);
    EXPECT_EQ(glGetString(GL_VENDOR), nullptr);  // the null table

    // A refusal on the first make-current leaves the context usable too.
    HGLRC fresh = wglCreateContext(hw.dc);
    rvSimRefuseWinOpen(1);
    EXPECT_FALSE(wglMakeCurrent(hw.dc, fresh));
    EXPECT_TRUE(wglMakeCurrent(hw.dc, fresh));
    EXPECT_EQ(hwtestBoard().windowOpen, 1u);
    glClearColor(0, 1, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(hwtestPixel(RV_BUFFER_BACK, 5, 5).g, 255);
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_TRUE(wglDeleteContext(fresh));

    EXPECT_TRUE(wglMakeCurrent(hw.dc, hw.rc));
    EXPECT_EQ(hwtestBoard().windowOpen, 1u);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// Lose-current is refused between glBegin and glEnd: the window stays open.
TEST(HwMakeCurrent, LoseCurrentInsideBeginFails) {
    HwContext hw;
    glBegin(GL_POINTS);
    EXPECT_FALSE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(hwtestBoard().windowOpen, 1u);
    glEnd();
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(hwtestBoard().windowOpen, 0u);
}

TEST(HwContextLimits, DifferFromSoftware) {
    HwContext hw;
    GLint dims[2];
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    EXPECT_EQ(dims[0], 640);
    EXPECT_EQ(dims[1], 480);
    GLfloat granularity = 0;
    glGetFloatv(GL_LINE_WIDTH_GRANULARITY, &granularity);
    EXPECT_EQ(granularity, 0.0625f);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_EQ(depthBits, 16);  // whatever the format asked for
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace

namespace {

// glAddSwapHintRectWIN reaches the drawable's hint list of a double-buffered
// context; a single-buffered one keeps none; negative sizes are refused.
TEST(HwSwapHints, DoubleBufferedContextsCollectRectangles) {
    typedef void(APIENTRY * AddSwapHintProc)(GLint, GLint, GLsizei, GLsizei);
    for (const bool doubleBuffer : {true, false}) {
        SCOPED_TRACE(doubleBuffer);
        HwContext hw(doubleBuffer);
        const AddSwapHintProc add = (AddSwapHintProc)(void*)wglGetProcAddress("glAddSwapHintRectWIN");
        ASSERT_NE(add, nullptr);
        const WglDrawable* d = __glThreadState()->context->fb.drawable;
        ASSERT_NE(d, nullptr);
        const DWORD before = d->swapHints->rdh.nCount;
        add(10, 20, 30, 40);
        add(0, 0, -1, 5);
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
        EXPECT_EQ(d->swapHints->rdh.nCount, before + (doubleBuffer ? 1 : 0));
        if (doubleBuffer) {
            const RECT* r = (const RECT*)d->swapHints->Buffer + before;
            EXPECT_EQ(r->left, 10);
            EXPECT_EQ(r->right, 40);
            EXPECT_EQ(r->bottom, d->height - 20);
        }
    }
}

}  // namespace
