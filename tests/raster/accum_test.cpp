// The accumulation buffer through glAccum and glClear: every operation against
// a double-precision model that saturates at -1 and 1, the scissor box, the
// colour masks, dither and blending on GL_RETURN, errors, display lists, and
// storage that follows the drawable.
#include <math.h>
#include <vector>
#include "gldib.h"
#include "core/glcontext.h"

namespace {

// One step of a sequence: op 0 clears the colour buffer to (r, g, b),
// otherwise glAccum(op, value).
struct Step {
    GLenum op;
    float value, r, g, b;
};
Step color(float r, float g, float b) { return {0, 0, r, g, b}; }
Step accum(GLenum op, float value) { return {op, value, 0, 0, 0}; }

double clampTo(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// The colour buffer holds components of 0 .. maximum; the accumulation
// buffer values in [-1, 1].
struct Model {
    double maximum;
    double stored[3] = {0, 0, 0};
    double acc[3] = {0, 0, 0};
    void run(const Step& s) {
        const double in[3] = {s.r, s.g, s.b};
        for (int i = 0; i < 3; i++) {
            const double c = stored[i] / maximum;
            switch (s.op) {
            case 0: stored[i] = floor(in[i] * maximum + 0.5); continue;
            case GL_LOAD: acc[i] = c * s.value; break;
            case GL_ACCUM: acc[i] += c * s.value; break;
            case GL_MULT: acc[i] *= s.value; break;
            case GL_ADD: acc[i] += s.value; break;
            case GL_RETURN: stored[i] = floor(clampTo(acc[i] * s.value, 0, 1) * maximum + 0.5); continue;
            }
            acc[i] = clampTo(acc[i], -1, 1);
        }
    }
};

struct Channels {
    int c[3];
};
// Red, green, blue of a 32-bit (8-8-8) or 16-bit (5-5-5) pixel.
Channels channels(const GltestDibContext& ctx, int x, int y) {
    const uint32_t p = ctx.pixel(x, y);
    if (ctx.bytes == 2) return {{(int)(p >> 10 & 31), (int)(p >> 5 & 31), (int)(p & 31)}};
    return {{(int)(p >> 16 & 255), (int)(p >> 8 & 255), (int)(p & 255)}};
}

void runStep(const Step& s) {
    if (s.op == 0) {
        glClearColor(s.r, s.g, s.b, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    } else {
        glAccum(s.op, s.value);
    }
}

TEST(Accum, OperationsAgainstTheModel) {
    const struct {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"two frames weighted",
         {color(0.2f, 0.4f, 0.6f), accum(GL_LOAD, 0.5f), color(0.8f, 0.1f, 1), accum(GL_ACCUM, 0.5f),
          accum(GL_RETURN, 1)}},
        {"three frames, uneven weights",
         {color(0.1f, 0.9f, 0.5f), accum(GL_LOAD, 0.25f), color(0.7f, 0.3f, 0.5f), accum(GL_ACCUM, 0.25f),
          color(1, 0, 0.2f), accum(GL_ACCUM, 0.5f), color(0, 0, 0), accum(GL_RETURN, 1)}},
        {"return scales", {color(0.3f, 0.5f, 0.1f), accum(GL_LOAD, 1), accum(GL_RETURN, 1.5f)}},
        {"return clamps to one", {color(0.6f, 0.9f, 0.2f), accum(GL_LOAD, 1), accum(GL_RETURN, 2)}},
        {"return clamps negatives to zero",
         {color(0.5f, 0.2f, 0.9f), accum(GL_LOAD, 1), accum(GL_ADD, -0.4f), accum(GL_RETURN, 1)}},
        {"mult", {color(0.8f, 0.4f, 0.2f), accum(GL_LOAD, 1), accum(GL_MULT, 0.25f), accum(GL_RETURN, 1)}},
        {"mult by zero", {color(0.8f, 0.4f, 0.2f), accum(GL_LOAD, 1), accum(GL_MULT, 0), accum(GL_RETURN, 1)}},
        {"mult by minus one, add one",
         {color(0.8f, 0.4f, 0.2f), accum(GL_LOAD, 1), accum(GL_MULT, -1), accum(GL_ADD, 1), accum(GL_RETURN, 1)}},
        {"add negative", {color(0.9f, 0.6f, 0.3f), accum(GL_LOAD, 1), accum(GL_ADD, -0.25f), accum(GL_RETURN, 1)}},
        {"negative weight",
         {color(0.9f, 0.6f, 0.3f), accum(GL_LOAD, 1), color(0.4f, 0.8f, 0.2f), accum(GL_ACCUM, -0.5f),
          accum(GL_RETURN, 1)}},
        // Saturation, never wrap-around.
        {"load saturates at one",
         {color(0.8f, 0.5f, 0.1f), accum(GL_LOAD, 4), accum(GL_MULT, 0.5f), accum(GL_RETURN, 1)}},
        {"accum saturates at one",
         {color(1, 1, 0.6f), accum(GL_LOAD, 0.75f), accum(GL_ACCUM, 0.75f), accum(GL_MULT, 0.5f),
          accum(GL_RETURN, 1)}},
        {"add saturates at one",
         {accum(GL_LOAD, 0), accum(GL_ADD, 0.75f), accum(GL_ADD, 0.75f), accum(GL_ADD, -0.5f), accum(GL_RETURN, 1)}},
        {"add saturates at minus one",
         {accum(GL_LOAD, 0), accum(GL_ADD, -0.75f), accum(GL_ADD, -0.75f), accum(GL_ADD, 1.25f),
          accum(GL_RETURN, 1)}},
        {"mult saturates",
         {color(0.8f, 0.6f, 0.2f), accum(GL_LOAD, 0.5f), accum(GL_MULT, 3), accum(GL_MULT, 0.5f),
          accum(GL_RETURN, 1)}},
        {"huge values saturate",
         {color(0.5f, 0.5f, 0.5f), accum(GL_LOAD, 1), accum(GL_MULT, 1e30f), accum(GL_ADD, -1e30f),
          accum(GL_ADD, 1.5f), accum(GL_RETURN, 1)}},
    };
    for (int bits : {32, 16}) {
        GltestDibContext c(8, 8, bits);
        ASSERT_NE(c.rc, nullptr);
        glDisable(GL_DITHER);
        for (const auto& k : cases) {
            glClearAccum(0, 0, 0, 0);
            glClear(GL_ACCUM_BUFFER_BIT);
            Model m{bits == 16 ? 31.0 : 255.0};
            for (const Step& s : k.steps) {
                runStep(s);
                m.run(s);
            }
            for (int y : {0, 7})
                for (int x : {0, 5}) {
                    const Channels got = channels(c, x, y);
                    for (int i = 0; i < 3; i++)
                        EXPECT_NEAR(got.c[i], m.stored[i], 1.0) << k.what << ", " << bits << " bits, component " << i
                                                                << " at " << x << "," << y;
                }
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << k.what;
        }
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Load 1.0 and return 1.0 give every representable component back exactly.
TEST(Accum, LoadReturnRoundTripsEveryLevel) {
    GltestDibContext c(16, 16);
    ASSERT_NE(c.rc, nullptr);
    glPointSize(1);
    glBegin(GL_POINTS);
    for (int v = 0; v < 256; v++) {
        glColor3ub((GLubyte)v, (GLubyte)(255 - v), (GLubyte)(v * 7));
        glVertex2f(v % 16 + 0.5f, v / 16 + 0.5f);
    }
    glEnd();
    glAccum(GL_LOAD, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glAccum(GL_RETURN, 1);
    for (int v = 0; v < 256; v++) {
        const int x = v % 16, y = v / 16;
        ASSERT_EQ(c.pixel(x, y) & 0xFFFFFF, (uint32_t)(v << 16 | (255 - v) << 8 | (v * 7 & 255))) << v;
    }
}

// The clear and every operation stay inside the scissor box, for both row orders.
TEST(Accum, ScissoredClearAndOperations) {
    for (bool topDown : {true, false}) {
        GltestDibContext c(8, 8, 32, false, 32, topDown);
        ASSERT_NE(c.rc, nullptr);
        glClearAccum(0.25f, 0.25f, 0.25f, 0);
        glClear(GL_ACCUM_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(1, 2, 3, 4);  // x 1..3, y 2..5
        glClearAccum(1, 0, 0.6f, 0);
        glClear(GL_ACCUM_BUFFER_BIT);
        glScissor(4, 0, 4, 3);  // x 4..7, y 0..2
        glAccum(GL_ADD, 0.5f);
        glScissor(5, 5, 2, 2);  // x 5..6, y 5..6
        glAccum(GL_MULT, 0);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glAccum(GL_RETURN, 1);
        auto expected = [](int x, int y) -> uint32_t {
            if (x >= 1 && x <= 3 && y >= 2 && y <= 5) return 0xFF0099;
            if (x >= 4 && y <= 2) return 0xBFBFBF;
            if (x >= 5 && x <= 6 && y >= 5 && y <= 6) return 0;
            return 0x404040;
        };
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                ASSERT_EQ(c.pixel(x, y) & 0xFFFFFF, expected(x, y)) << topDown << " at " << x << "," << y;

        // A scissored return writes only inside the box.
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 6, 2, 2);
        glAccum(GL_RETURN, 1);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                ASSERT_EQ(c.pixel(x, y) & 0xFFFFFF, x < 2 && y >= 6 ? expected(x, y) : 0u)
                    << topDown << " at " << x << "," << y;
        EXPECT_TRUE(c.guardsIntact());
    }
}

// GL_RETURN honours the colour write mask and the draw buffer; blending, the
// logic op and the alpha test do not apply to it.
TEST(Accum, ReturnMasksAndFragmentOperations) {
    const struct {
        const char* what;
        GLboolean mask[3];
        bool blend, logicOp, alphaNever, drawNone;
        uint32_t want;
    } cases[] = {
        {"all written", {1, 1, 1}, false, false, false, false, 0xFF9966},
        {"red and blue only", {1, 0, 1}, false, false, false, false, 0xFF3366},
        {"green only, blending on", {0, 1, 0}, true, false, false, false, 0x339933},
        {"logic op xor on", {1, 1, 1}, false, true, false, false, 0xFF9966},
        {"blend zero-one and alpha test never", {1, 1, 1}, true, false, true, false, 0xFF9966},
        {"draw buffer none", {1, 1, 1}, false, false, false, true, 0x333333},
    };
    for (const auto& k : cases) {
        GltestDibContext c(4, 4);
        ASSERT_NE(c.rc, nullptr);
        glClearColor(1, 0.6f, 0.4f, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glAccum(GL_LOAD, 1);
        glClearColor(0.2f, 0.2f, 0.2f, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(k.mask[0], k.mask[1], k.mask[2], GL_TRUE);
        if (k.blend) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_ZERO, GL_ONE);
        }
        if (k.logicOp) {
            glEnable(GL_COLOR_LOGIC_OP);
            glLogicOp(GL_XOR);
        }
        if (k.alphaNever) {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_NEVER, 0);
        }
        if (k.drawNone) glDrawBuffer(GL_NONE);
        glAccum(GL_RETURN, 1);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << k.what;
        for (int y : {0, 3})
            for (int x : {0, 3}) EXPECT_EQ(c.pixel(x, y) & 0xFFFFFF, k.want) << k.what << " at " << x << "," << y;
        // The store is as before: blending still applies to drawing.
        if (k.blend && !k.alphaNever) {
            glColorMask(1, 1, 1, 1);
            glRectf(0, 0, 4, 4);
            EXPECT_EQ(c.pixel(1, 1) & 0xFFFFFF, k.want) << k.what << ": blended rectangle";
        }
    }
}

// 15.25 of 31 on a 5-5-5 DIB: without dither every pixel is 15; with dither
// 4 of each 16 pixels of a 4x4 block reach 16 (offsets (2d + 1) / 32 >= 0.75).
TEST(Accum, ReturnDithersOnA16BitDib) {
    GltestDibContext c(8, 8, 16);
    ASSERT_NE(c.rc, nullptr);
    const float v = 15.25f / 31;
    glClearAccum(v, v, v, 0);
    glClear(GL_ACCUM_BUFFER_BIT);
    for (bool dither : {false, true}) {
        if (dither) glEnable(GL_DITHER);
        else glDisable(GL_DITHER);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glAccum(GL_RETURN, 1);
        for (int by = 0; by < 8; by += 4)
            for (int bx = 0; bx < 8; bx += 4) {
                int high[3] = {0, 0, 0};
                for (int y = by; y < by + 4; y++)
                    for (int x = bx; x < bx + 4; x++) {
                        const Channels ch = channels(c, x, y);
                        for (int i = 0; i < 3; i++) {
                            ASSERT_TRUE(ch.c[i] == 15 || ch.c[i] == 16) << dither << " at " << x << "," << y;
                            high[i] += ch.c[i] == 16;
                        }
                    }
                for (int i = 0; i < 3; i++) EXPECT_EQ(high[i], dither ? 4 : 0) << dither << " block " << bx << "," << by;
            }
    }
}

TEST(Accum, Errors) {
    const struct {
        const char* what;
        bool index;
        void (*call)();
        GLenum error;
    } cases[] = {
        {"colour index: load", true, [] { glAccum(GL_LOAD, 1); }, GL_INVALID_OPERATION},
        {"colour index: bad op", true, [] { glAccum(0x1234, 1); }, GL_INVALID_OPERATION},
        {"colour index: clear", true, [] { glClear(GL_ACCUM_BUFFER_BIT | GL_COLOR_BUFFER_BIT); }, GL_NO_ERROR},
        {"bad op", false, [] { glAccum(GL_ACCUM - 1, 1); }, GL_INVALID_ENUM},
        {"op of another call", false, [] { glAccum(GL_ACCUM_BUFFER_BIT, 1); }, GL_INVALID_ENUM},
        {"inside begin", false,
         [] {
             glBegin(GL_POINTS);
             glAccum(GL_LOAD, 1);
             glEnd();
         },
         GL_INVALID_OPERATION},
    };
    for (const auto& k : cases) {
        GltestDibContext c(4, 4, 8, k.index);
        ASSERT_NE(c.rc, nullptr);
        glGetError();
        k.call();
        EXPECT_EQ(glGetError(), k.error) << k.what;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << k.what;
        EXPECT_TRUE(c.guardsIntact()) << k.what;
    }
}

// Outside GL_RENDER glAccum does nothing and records nothing.
TEST(Accum, FeedbackModeDoesNothing) {
    GltestDibContext c(4, 4);
    ASSERT_NE(c.rc, nullptr);
    glClearColor(0.5f, 0.5f, 0.5f, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glAccum(GL_LOAD, 1);
    GLfloat feedback[16];
    glFeedbackBuffer(16, GL_2D, feedback);
    glRenderMode(GL_FEEDBACK);
    glAccum(GL_MULT, 0);
    glAccum(GL_ADD, 1);
    glClear(GL_ACCUM_BUFFER_BIT);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glRenderMode(GL_RENDER);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glAccum(GL_RETURN, 1);
    EXPECT_EQ(c.pixel(2, 2) & 0xFFFFFF, 0x808080u);
}

// A list records glAccum and replays it; a bad op is reported at replay.
TEST(Accum, DisplayListsReplay) {
    GltestDibContext c(4, 4);
    ASSERT_NE(c.rc, nullptr);
    glClearColor(204 / 255.0f, 136 / 255.0f, 68 / 255.0f, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glNewList(1, GL_COMPILE);
    glAccum(GL_LOAD, 1);
    glAccum(GL_MULT, 0.5f);
    glAccum(GL_RETURN, 1);
    glEndList();
    glNewList(2, GL_COMPILE);
    glAccum(0x1234, 1);
    glEndList();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(c.pixel(1, 1) & 0xFFFFFF, 0xCC8844u);  // compiling ran nothing
    glCallList(1);
    EXPECT_EQ(c.pixel(1, 1) & 0xFFFFFF, 0x664422u);
    glCallList(1);
    EXPECT_EQ(c.pixel(1, 1) & 0xFFFFFF, 0x332211u);
    glCallList(2);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
}

HWND makeWindow(int width, int height) {
    static bool registered;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "accum-test";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(0, "accum-test", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
}

const int16_t* accumElement(int x, int y) {
    GlContext* gc = __glCurrentContext();
    const GlBufferObject* b = &gc->fb.accum;
    return (const int16_t*)(b->base + y * b->stride + x * 8);
}

// A window that grows takes the accumulation buffer with it: the clear and
// the operations reach its new far corner.
TEST(Accum, StorageFollowsTheWindowSize) {
    HWND w = makeWindow(8, 6);
    HDC dc = GetDC(w);
    PIXELFORMATDESCRIPTOR p;
    int format = 0;
    for (int i = 1, n = DescribePixelFormat(dc, 1, sizeof p, &p); i <= n && !format; i++) {
        DescribePixelFormat(dc, i, sizeof p, &p);
        if ((p.dwFlags & PFD_DRAW_TO_WINDOW) && p.iPixelType == PFD_TYPE_RGBA && p.cAccumBits) format = i;
    }
    ASSERT_NE(format, 0);
    ASSERT_TRUE(SetPixelFormat(dc, format, &p));
    HGLRC rc = wglCreateContext(dc);
    ASSERT_TRUE(rc && wglMakeCurrent(dc, rc));
    const GlBufferObject* b = &__glCurrentContext()->fb.accum;
    EXPECT_GE(b->width, 8);
    EXPECT_GE(b->height, 6);
    SetWindowPos(w, nullptr, 0, 0, 40, 24, SWP_NOMOVE | SWP_NOZORDER);
    glViewport(0, 0, 40, 24);
    EXPECT_GE(b->width, 40);
    EXPECT_GE(b->height, 24);
    glClearAccum(0.5f, 0.25f, -0.5f, 1);
    glClear(GL_ACCUM_BUFFER_BIT);
    glAccum(GL_ADD, 0.25f);
    for (int y : {0, 23})
        for (int x : {0, 39}) {
            const int16_t* e = accumElement(x, y);
            EXPECT_NEAR(e[0], 0.75 * 32767, 1) << x << "," << y;
            EXPECT_NEAR(e[1], 0.5 * 32767, 1) << x << "," << y;
            EXPECT_NEAR(e[2], -0.25 * 32767, 1) << x << "," << y;
            EXPECT_EQ(e[3], 32767) << x << "," << y;
        }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
    ReleaseDC(w, dc);
    DestroyWindow(w);
}

// One context made current on a second drawable gets storage of its own: the
// first drawable's accumulated values survive a clear on the second.
TEST(Accum, EachDrawableHasItsOwnStorage) {
    GltestDibContext c(8, 8);
    ASSERT_NE(c.rc, nullptr);
    glClearAccum(0.6f, 0.6f, 0.6f, 0);
    glClear(GL_ACCUM_BUFFER_BIT);
    GltestDib other(8, 8, 32);
    PIXELFORMATDESCRIPTOR p;
    DescribePixelFormat(other.dc, c.format, sizeof p, &p);
    ASSERT_TRUE(SetPixelFormat(other.dc, c.format, &p));
    ASSERT_TRUE(wglMakeCurrent(other.dc, c.rc));
    glClearAccum(0, 0, 0, 0);
    glClear(GL_ACCUM_BUFFER_BIT);
    ASSERT_TRUE(wglMakeCurrent(c.dib.dc, c.rc));
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glAccum(GL_RETURN, 1);
    EXPECT_EQ(c.pixel(3, 3) & 0xFFFFFF, 0x999999u);
    EXPECT_TRUE(c.guardsIntact());
}

}  // namespace
