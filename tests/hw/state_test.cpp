// Hardware state entries: the GL state reaches the board at once; errors
// are those of the software entries, and a refused call sends nothing.

#include <functional>
#include <limits>
#include "hw_env.h"

namespace {

TEST(HwState, EntriesReachTheBoard) {
    const struct {
        const char* what;
        std::function<void()> calls;
        std::function<void(const RvSimState&)> check;
    } cases[] = {
        {"blend on", [] { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); glEnable(GL_BLEND); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_SRC_ALPHA);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_ONE_MINUS_SRC_ALPHA);
             EXPECT_EQ(s.blendAlphaSrc, RV_BLEND_SRC_ALPHA);
             EXPECT_EQ(s.blendAlphaDst, RV_BLEND_ONE_MINUS_SRC_ALPHA);
         }},
        {"replayed from a list", [] {
             const GLuint list = glGenLists(1);
             glNewList(list, GL_COMPILE);
             glEnable(GL_BLEND);
             glBlendFunc(GL_ONE, GL_ONE);
             glEnable(GL_DEPTH_TEST);
             glEndList();
             const RvSimState compiled = hwtestBoard();
             EXPECT_EQ(compiled.blendRgbDst, RV_BLEND_ZERO);  // compiling sends nothing
             glCallList(list);
         },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_ONE);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_ONE);
             EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_ZBUFFER);
         }},
        {"colour factors", [] { glEnable(GL_BLEND); glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_OTHER_COLOR);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_OTHER_COLOR);
         }},
        {"saturate", [] { glEnable(GL_BLEND); glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE_MINUS_DST_ALPHA); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_ALPHA_SATURATE);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_ONE_MINUS_DST_ALPHA);
         }},
        {"blend func while blending is off", [] { glBlendFunc(GL_DST_COLOR, GL_ZERO); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_ONE);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_ZERO);
         }},
        {"blend off again", [] { glEnable(GL_BLEND); glBlendFunc(GL_ONE, GL_ONE); glDisable(GL_BLEND); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_ONE);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_ZERO);
         }},
        {"alpha test", [] { glAlphaFunc(GL_GEQUAL, 0.25f); glEnable(GL_ALPHA_TEST); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.alphaTestFunction, RV_CMP_GEQUAL);
             EXPECT_EQ(s.alphaReference, 63u);
         }},
        {"alpha reference clamped, test off", [] { glAlphaFunc(GL_LESS, 7.0f); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.alphaTestFunction, RV_CMP_ALWAYS);
             EXPECT_EQ(s.alphaReference, 255u);
         }},
        {"depth mask alone", [] { glDepthMask(GL_TRUE); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_DISABLE);
             EXPECT_EQ(s.depthMask, 0);
         }},
        {"depth test", [] { glDepthFunc(GL_GREATER); glEnable(GL_DEPTH_TEST); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_ZBUFFER);
             EXPECT_EQ(s.depthMask, 1);
             EXPECT_EQ(s.depthFunction, RV_CMP_GREATER);
         }},
        {"depth writes off", [] { glEnable(GL_DEPTH_TEST); glDepthMask(GL_FALSE); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_ZBUFFER);
             EXPECT_EQ(s.depthMask, 0);
         }},
        {"depth test off", [] { glEnable(GL_DEPTH_TEST); glDisable(GL_DEPTH_TEST); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_DISABLE);
             EXPECT_EQ(s.depthMask, 0);
         }},
        {"colour mask", [] { glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE); },
         [](const RvSimState& s) { EXPECT_EQ(s.colorMaskRgb, 0); }},
        {"mixed colour mask", [] { glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.colorMaskRgb, 1);
             GLboolean m[4];
             glGetBooleanv(GL_COLOR_WRITEMASK, m);
             EXPECT_TRUE(m[0] && !m[1] && m[2] && m[3]);
         }},
        {"cull back, ccw front", [] { glEnable(GL_CULL_FACE); },
         [](const RvSimState& s) { EXPECT_EQ(s.cullMode, RV_CULL_NEGATIVE); }},
        {"cull front, ccw front", [] { glCullFace(GL_FRONT); glEnable(GL_CULL_FACE); },
         [](const RvSimState& s) { EXPECT_EQ(s.cullMode, RV_CULL_POSITIVE); }},
        {"cull front, cw front", [] { glEnable(GL_CULL_FACE); glCullFace(GL_FRONT); glFrontFace(GL_CW); },
         [](const RvSimState& s) { EXPECT_EQ(s.cullMode, RV_CULL_NEGATIVE); }},
        {"cull off", [] { glEnable(GL_CULL_FACE); glDisable(GL_CULL_FACE); },
         [](const RvSimState& s) { EXPECT_EQ(s.cullMode, RV_CULL_NONE); }},
        {"scissor", [] { glScissor(4, 6, 10, 20); glEnable(GL_SCISSOR_TEST); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.clipLeft, 4);
             EXPECT_EQ(s.clipBottom, 6);
             EXPECT_EQ(s.clipRight, 14);
             EXPECT_EQ(s.clipTop, 26);
         }},
        {"scissor off", [] { glEnable(GL_SCISSOR_TEST); glScissor(4, 6, 10, 20); glDisable(GL_SCISSOR_TEST); },
         [](const RvSimState& s) {
             EXPECT_EQ(s.clipLeft, 0);
             EXPECT_EQ(s.clipRight, 640);
             EXPECT_EQ(s.clipTop, 480);
         }},
        {"pop restores the board", [] {
             glPushAttrib(GL_ALL_ATTRIB_BITS);
             glEnable(GL_BLEND);
             glEnable(GL_ALPHA_TEST);
             glEnable(GL_DEPTH_TEST);
             glEnable(GL_CULL_FACE);
             glColorMask(0, 0, 0, 0);
             glPopAttrib();
         },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_ONE);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_ZERO);
             EXPECT_EQ(s.alphaTestFunction, RV_CMP_ALWAYS);
             EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_DISABLE);
             EXPECT_EQ(s.cullMode, RV_CULL_NONE);
             EXPECT_EQ(s.colorMaskRgb, 1);
         }},
        {"pop of the colour group with blending on", [] {
             glEnable(GL_BLEND);
             glBlendFunc(GL_ONE, GL_ONE);
             glPushAttrib(GL_COLOR_BUFFER_BIT);
             glEnable(GL_ALPHA_TEST);
             glBlendFunc(GL_ZERO, GL_ZERO);
             glPopAttrib();
         },
         [](const RvSimState& s) {
             EXPECT_EQ(s.blendRgbSrc, RV_BLEND_ONE);
             EXPECT_EQ(s.blendRgbDst, RV_BLEND_ONE);
             EXPECT_EQ(s.alphaTestFunction, RV_CMP_ALWAYS);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HwContext hw;
        c.calls();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        c.check(hwtestBoard());
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}

// A scissor box beyond the window reaches the library unclamped.
TEST(HwState, ScissorBeyondTheWindowIsPassedUnchanged) {
    HwContext hw;
    glEnable(GL_SCISSOR_TEST);
    glScissor(600, -5, 100, 1000);
    const auto clips = hwtestCalls("rvClipWindow");
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ((int32_t)clips.back().args[0], 600);
    EXPECT_EQ((int32_t)clips.back().args[1], -5);
    EXPECT_EQ((int32_t)clips.back().args[2], 700);
    EXPECT_EQ((int32_t)clips.back().args[3], 995);
}

// The errors of the software entries; the stored state and the board keep
// their values and no library call is made.
TEST(HwState, ErrorsAreThoseOfTheSoftwareEntries) {
    const struct {
        const char* what;
        std::function<void()> call;
        GLenum error;
    } cases[] = {
        {"source colour as source", [] { glBlendFunc(GL_SRC_COLOR, GL_ZERO); }, GL_INVALID_ENUM},
        {"destination colour as destination", [] { glBlendFunc(GL_ONE, GL_DST_COLOR); }, GL_INVALID_ENUM},
        {"saturate as destination", [] { glBlendFunc(GL_ONE, GL_SRC_ALPHA_SATURATE); }, GL_INVALID_ENUM},
        {"alpha func", [] { glAlphaFunc(GL_NEVER - 1, 0.5f); }, GL_INVALID_ENUM},
        {"depth func", [] { glDepthFunc(GL_ALWAYS + 1); }, GL_INVALID_ENUM},
        {"cull face", [] { glCullFace(GL_CW); }, GL_INVALID_ENUM},
        {"front face", [] { glFrontFace(GL_FRONT); }, GL_INVALID_ENUM},
        {"enable", [] { glEnable(GL_TRUE); }, GL_INVALID_ENUM},
        {"disable", [] { glDisable(0x1234); }, GL_INVALID_ENUM},
        {"client state", [] { glEnableClientState(GL_TEXTURE_2D); }, GL_INVALID_ENUM},
        {"clear bits", [] { glClear(GL_COLOR_BUFFER_BIT | 0x1); }, GL_INVALID_VALUE},
        {"pop of an empty stack", [] { glPopAttrib(); }, GL_STACK_UNDERFLOW},
        {"blend inside begin", [] { glBegin(GL_POINTS); glBlendFunc(GL_ONE, GL_ONE); glEnd(); }, GL_INVALID_OPERATION},
        {"enable inside begin", [] { glBegin(GL_POINTS); glEnable(GL_BLEND); glEnd(); }, GL_INVALID_OPERATION},
        {"depth mask inside begin", [] { glBegin(GL_POINTS); glDepthMask(GL_FALSE); glEnd(); }, GL_INVALID_OPERATION},
        {"mixed colour mask inside begin", [] { glBegin(GL_POINTS); glColorMask(1, 0, 0, 0); glEnd(); },
         GL_INVALID_OPERATION},
        {"clear inside begin", [] { glBegin(GL_POINTS); glClear(GL_COLOR_BUFFER_BIT); glEnd(); }, GL_INVALID_OPERATION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HwContext hw;
        const RvSimState before = hwtestBoard();
        const uint32_t calls = rvLogCount();
        c.call();
        EXPECT_EQ(glGetError(), c.error);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        EXPECT_EQ(rvLogCount(), calls) << hwtestCallNames(calls);
        const RvSimState after = hwtestBoard();
        EXPECT_EQ(memcmp(&before, &after, sizeof before), 0);
        GLint v[2];
        glGetIntegerv(GL_BLEND_SRC, &v[0]);
        glGetIntegerv(GL_BLEND_DST, &v[1]);
        EXPECT_EQ(v[0], GL_ONE);
        EXPECT_EQ(v[1], GL_ZERO);
    }
}

// The colour mask reads back as it was set, from the entry, a list, and the
// attribute stack; the board writes red, green and blue all together while
// any of them is writable (a red-only clear to white writes white), and none
// while none is.
TEST(HwState, ColorMaskReadsBackAsSetAndTheBoardWritesAllOrNone) {
    const struct {
        GLboolean mask[4];
        bool writes;
    } cases[] = {
        {{1, 0, 0, 0}, true}, {{0, 1, 0, 1}, true},  {{0, 0, 1, 0}, true},  {{1, 1, 1, 0}, true},
        {{1, 0, 1, 1}, true}, {{0, 0, 0, 1}, false}, {{0, 0, 0, 0}, false}, {{1, 1, 1, 1}, true},
    };
    const struct {
        const char* how;
        std::function<void(const GLboolean*)> set;
    } roads[] = {
        {"entry", [](const GLboolean* m) { glColorMask(m[0], m[1], m[2], m[3]); }},
        {"list", [](const GLboolean* m) {
             const GLuint list = glGenLists(1);
             glNewList(list, GL_COMPILE);
             glColorMask(m[0], m[1], m[2], m[3]);
             glEndList();
             glCallList(list);
             glDeleteLists(list, 1);
         }},
        {"attribute stack", [](const GLboolean* m) {
             glColorMask(m[0], m[1], m[2], m[3]);
             glPushAttrib(GL_COLOR_BUFFER_BIT);
             glColorMask(!m[0], !m[1], !m[2], !m[3]);
             glPopAttrib();
         }},
    };
    for (const auto& road : roads)
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << road.how << ": " << (int)c.mask[0] << (int)c.mask[1]
                                            << (int)c.mask[2] << (int)c.mask[3]);
            HwContext hw;
            glDisable(GL_DITHER);
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT);
            road.set(c.mask);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            GLboolean m[4] = {9, 9, 9, 9};
            glGetBooleanv(GL_COLOR_WRITEMASK, m);
            for (int i = 0; i < 4; i++) EXPECT_EQ(m[i], c.mask[i]) << i;
            EXPECT_EQ(hwtestBoard().colorMaskRgb, c.writes ? 1 : 0);
            // A clear to white.
            glClearColor(1, 1, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            EXPECT_EQ(hwtestBoard().colorMaskRgb, c.writes ? 1 : 0);
            uint8_t px[4] = {};
            glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
            EXPECT_EQ(px[0], c.writes ? 255 : 0);
            EXPECT_EQ(px[1], c.writes ? 255 : 0);
            // A grey triangle over it, where the clear wrote nothing.
            glClearColor(0, 0, 0, 0);
            glColorMask(1, 1, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            glColorMask(c.mask[0], c.mask[1], c.mask[2], c.mask[3]);
            glColor3f(0.5f, 0.5f, 0.5f);
            glBegin(GL_TRIANGLES);
            glVertex2f(0, 0), glVertex2f(30, 0), glVertex2f(0, 30);
            glEnd();
            glFinish();
            glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
            EXPECT_NEAR(px[1], c.writes ? 128 : 0, 4);
            EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
        }
}

}  // namespace

// glAlphaFunc clamps its reference to [0, 1]; not-a-number counts as 0, so the
// board gets a reference it accepts and the query answers the clamped value.
TEST(HwState, AlphaReferenceIsClampedForTheBoard) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct {
        float ref, query;
        uint32_t board;
    } cases[] = {{nan, 0, 0}, {-nan, 0, 0}, {inf, 1, 255}, {-inf, 0, 0}, {2, 1, 255}, {-1, 0, 0}, {0.5f, 0.5f, 127}};
    for (const auto& c : cases) {
        HwContext hw;
        glAlphaFunc(GL_GREATER, c.ref);
        glEnable(GL_ALPHA_TEST);
        glBegin(GL_TRIANGLES);
        glVertex2f(2, 2), glVertex2f(20, 2), glVertex2f(2, 20);
        glEnd();
        GLfloat ref = -1;
        glGetFloatv(GL_ALPHA_TEST_REF, &ref);
        EXPECT_EQ(ref, c.query) << c.ref;
        const auto calls = hwtestCalls("rvAlphaTestReferenceValue");
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().args[0], c.board) << c.ref;
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}
