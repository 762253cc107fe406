// Lines: pixel placement against an independent diamond-exit rule, strips and
// loops, stipple, width, colour, depth, stencil, fog, both buffers,
// antialiasing and polygon edges.
#include <math.h>
#include <set>
#include <string>
#include <vector>
#include <stdlib.h>
#include "fragtest.h"
#include "core/glcontext.h"
#include "raster/lines.h"

namespace {

typedef std::set<std::pair<int, int>> PixelSet;

// Window coordinates as the rasterizer sees them (without the window bias):
// GL x + 0.5, and y + 0.5 (bottom-up) or height - y + 0.5 (top-down); the
// pixel of window column c and row r has its centre at (c + 1, r + 1).
struct WindowMap {
    int height;
    bool topDown;
    double wx(double x) const { return x + 0.5; }
    double wy(double y) const { return topDown ? height - y + 0.5 : y + 0.5; }
    int glRow(int r) const { return topDown ? height - 1 - r : r; }
};

// The diamond-exit rule: pixel (c, r) is drawn when the segment leaves the
// open diamond |x - cx| + |y - cy| < 1/2 around its centre, which needs the
// segment to meet the diamond and its end to lie outside it.
PixelSet diamondExit(const WindowMap& m, double x0, double y0, double x1, double y1, int w, int h) {
    const double ax = m.wx(x0), ay = m.wy(y0), bx = m.wx(x1), by = m.wy(y1);
    PixelSet out;
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++) {
            const double a = ax - (c + 1), b = bx - ax, cc = ay - (r + 1), d = by - ay;
            // Roots of |a + bt| + |cc + dt| = 1/2 on each sign quadrant.
            double lo = 1e30, hi = -1e30;
            for (int sx = -1; sx <= 1; sx += 2)
                for (int sy = -1; sy <= 1; sy += 2) {
                    const double den = sx * b + sy * d;
                    if (den == 0.0) continue;
                    const double t = (0.5 - sx * a - sy * cc) / den;
                    if (sx * (a + b * t) < -1e-12 || sy * (cc + d * t) < -1e-12) continue;
                    lo = t < lo ? t : lo;
                    hi = t > hi ? t : hi;
                }
            if (lo < hi && hi > 0.0 && hi <= 1.0) out.insert({c, m.glRow(r)});
        }
    return out;
}

PixelSet drawn(const GltestDibContext& c, uint32_t background = 0) {
    PixelSet out;
    for (auto p : fragtest::changed(c, background)) out.insert(p);
    return out;
}

std::string describe(const PixelSet& s) {
    std::string t;
    for (auto [x, y] : s) t += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    return t;
}

void line(float x0, float y0, float x1, float y1, GLenum mode = GL_LINES) {
    glBegin(mode);
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glEnd();
}

PixelSet rect(int x0, int y0, int x1, int y1) {
    PixelSet s;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) s.insert({x, y});
    return s;
}

GlContext* context() { return __glCurrentContext(); }

GLuint stencilAt(int x, int y) {
    GlContext* gc = context();
    GlStencilBuffer* sb = &gc->fb.stencil;
    const int wy = gc->yInverted ? gc->drawableHeight - 1 - y : y;
    return sb->fetchPixel(sb, x + gc->limits.windowBiasX, wy + gc->limits.windowBiasY);
}

}  // namespace

// Placement in window coordinates (GL + 0.5 on a bottom-up drawable).
TEST(Lines, Placement) {
    struct Case {
        const char* what;
        float x0, y0, x1, y1;  // window coordinates
        PixelSet expected;
    } cases[] = {
        {"horizontal on a row boundary", 10, 5, 20, 5, rect(9, 4, 18, 4)},
        {"horizontal through centres", 10, 5.5f, 20, 5.5f, rect(9, 5, 18, 5)},
        {"end past the sample point", 10, 5, 20.6f, 5, rect(9, 4, 19, 4)},
        {"right to left", 20, 5, 10, 5, rect(10, 4, 19, 4)},
        {"vertical", 5, 3, 5, 9, rect(4, 2, 4, 7)},
        {"downward", 5, 9, 5, 3, rect(4, 3, 4, 8)},
        {"diagonal", 4, 4, 10, 10, {{3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}}},
        {"diagonal off centre", 4.1f, 4.45f, 10.1f, 10.45f, {{4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}}},
        {"zero length", 7, 7, 7, 7, {}},
    };
    GltestDibContext c(32, 16, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glColor3f(1, 1, 1);
    for (const Case& k : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        line(k.x0 - 0.5f, k.y0 - 0.5f, k.x1 - 0.5f, k.y1 - 0.5f);
        EXPECT_EQ(describe(drawn(c)), describe(k.expected)) << k.what;
    }
    EXPECT_TRUE(c.guardsIntact());
}

// The major axis by octant: |dx| = |dy| goes to y-major in all four diagonal
// directions; the pixel count follows the major axis.
TEST(Lines, MajorAxisChoice) {
    GltestDibContext c(16, 16, 32);
    ASSERT_NE(c.rc, nullptr);
    glColor3f(1, 1, 1);
    line(1, 1, 2, 2);  // validates the context
    GlContext* gc = context();
    struct Case {
        float dx, dy;
        GLuint yMajor;
        GLint count;
    } cases[] = {
        {6, 6, 1, 6}, {-6, 6, 1, 6}, {6, -6, 1, 6}, {-6, -6, 1, 6},
        {6, 5.9f, 0, 6}, {-6, 5.9f, 0, 6}, {5.9f, -6, 1, 6}, {0, -6, 1, 6}, {-6, 0, 0, 6}, {0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        GlVertex a = {}, b = {};
        a.window[0] = 6152.0f, a.window[1] = 6152.0f;  // pixel centres inside the window: biased integers
        b.window[0] = a.window[0] + k.dx, b.window[1] = a.window[1] + k.dy;
        __glSetupLine(gc, &a, &b);
        EXPECT_EQ(gc->span.linePixelCount, k.count) << k.dx << "," << k.dy;
        if (k.count) {
            EXPECT_EQ(gc->span.lineYMajor, k.yMajor) << k.dx << "," << k.dy;
        }
    }
}

// Random lines of every octant against the diamond-exit rule, both row orders.
TEST(Lines, DiamondExitRandom) {
    srand(7);
    const int W = 32, H = 24;
    for (bool topDown : {false, true}) {
        GltestDibContext c(W, H, 32, false, 32, topDown);
        ASSERT_NE(c.rc, nullptr);
        const WindowMap m = {H, topDown};
        glColor3f(1, 1, 1);
        int drawnLines = 0;
        for (int i = 0; i < 60; i++) {
            auto coord = [](int size) { return 1.0f + (float)rand() / (float)RAND_MAX * (float)(size - 2); };
            const float x0 = coord(W), y0 = coord(H), x1 = coord(W), y1 = coord(H);
            glClear(GL_COLOR_BUFFER_BIT);
            line(x0, y0, x1, y1);
            const PixelSet want = diamondExit(m, x0, y0, x1, y1, W, H);
            drawnLines += !want.empty();
            EXPECT_EQ(describe(drawn(c)), describe(want))
                << x0 << "," << y0 << " - " << x1 << "," << y1 << (topDown ? " top-down" : "");
        }
        EXPECT_GT(drawnLines, 50);
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Strips and loops: drawn with XOR, a pixel drawn twice disappears, so the
// picture equals the union of the segments only when every shared vertex is
// drawn once and no gap opens between segments.
TEST(Lines, StripsAndLoopsDrawSharedVerticesOnce) {
    const int W = 32, H = 32;
    GltestDibContext c(W, H, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    const WindowMap m = {H, false};
    const float v[][2] = {{3.2f, 4.7f}, {20.4f, 9.1f}, {24.6f, 27.3f}, {6.3f, 20.8f}, {3.9f, 11.2f}};
    const int n = 5;
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_XOR);
    glColor3f(1, 1, 1);
    for (GLenum mode : {GL_LINE_STRIP, GL_LINE_LOOP}) {
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(mode);
        for (auto& p : v) glVertex2f(p[0], p[1]);
        glEnd();
        PixelSet want;
        size_t total = 0;
        const int segments = mode == GL_LINE_LOOP ? n : n - 1;
        for (int i = 0; i < segments; i++) {
            const auto* a = v[i];
            const auto* b = v[(i + 1) % n];
            PixelSet s = diamondExit(m, a[0], a[1], b[0], b[1], W, H);
            total += s.size();
            want.insert(s.begin(), s.end());
        }
        EXPECT_EQ(total, want.size()) << "segments overlap in the reference";
        EXPECT_EQ(describe(drawn(c)), describe(want)) << (mode == GL_LINE_LOOP ? "loop" : "strip");
    }
    glDisable(GL_COLOR_LOGIC_OP);
}

// A two-vertex loop goes there and back: the inner pixels twice, each end once.
TEST(Lines, TwoVertexLoopDrawsTheSegmentTwice) {
    GltestDibContext c(32, 8, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    for (int k = 0; k < 2; k++) {
        glBegin(GL_LINE_LOOP);
        glVertex2f(2.5f, 3.5f);
        if (k == 1) glVertex2f(12.5f, 3.5f);  // first pass: one vertex draws nothing
        glEnd();
    }
    EXPECT_EQ(stencilAt(2, 3), 1u);
    for (int x = 3; x < 12; x++) EXPECT_EQ(stencilAt(x, 3), 2u) << x;
    EXPECT_EQ(stencilAt(12, 3), 1u);
    EXPECT_EQ(stencilAt(13, 3), 0u);
    EXPECT_EQ(stencilAt(5, 2), 0u);
}

// Pattern 0x00FF with repeat 2: 16 pixels on, 16 off. A strip carries the
// pattern across its vertices; GL_LINES restarts it at every segment.
TEST(Lines, Stipple) {
    GltestDibContext c(64, 8, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(2, 0x00FF);
    glColor3f(1, 1, 1);
    auto row = [&](int y) {
        std::string s;
        for (int x = 0; x < 64; x++) s += c.pixel(x, y) ? '#' : '.';
        return s;
    };
    const std::string on = "################", off = "................";
    // Strip vertices every 20 pixels from column 1: one run of 60 pixels.
    // GL_LINES: columns 1..20, 21..40 and 48..62, each starting afresh.
    struct Case {
        const char* what;
        GLenum mode;
        std::vector<float> x;
        std::string expected;
    } cases[] = {
        {"strip", GL_LINE_STRIP, {1.5f, 21.5f, 41.5f, 61.5f}, "." + on + off + on + off.substr(1)},
        {"lines", GL_LINES, {1.5f, 21.5f, 21.5f, 41.5f, 48.5f, 63.5f},
         "." + on + "...." + on + "..........." + on.substr(1) + "."},
    };
    for (const Case& k : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(k.mode);
        for (float x : k.x) glVertex2f(x, 2.5f);
        glEnd();
        EXPECT_EQ(row(2), k.expected) << k.what;
    }
    // Antialiased: the pattern is filtered along the line, so each change of
    // the pattern bit gives one half-covered pixel; the ends are half covered.
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glClear(GL_COLOR_BUFFER_BIT);
    line(1.5f, 2.5f, 60.5f, 2.5f);
    std::string levels;
    for (int x = 0; x < 64; x++) {
        const int r = c.red(x, 2);
        levels += r >= 250 ? '#' : r <= 5 ? '.' : (r > 100 && r < 156) ? 'h' : '?';
    }
    // Pixels 1..60; the end (half covered) falls in an off run.
    EXPECT_EQ(levels, ".h" + on.substr(1) + "h" + off.substr(1) + "h" + on.substr(1) + "h" + off.substr(2));
    glDisable(GL_BLEND);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_LINE_STIPPLE);
}

// Width 1, 2, 3: rows across an x-major line, columns across a y-major one.
TEST(Lines, Width) {
    struct Case {
        float width;
        bool yMajor;
        PixelSet expected;
    } cases[] = {
        {1, false, rect(4, 5, 13, 5)},  {2, false, rect(4, 5, 13, 6)},  {3, false, rect(4, 4, 13, 6)},
        {1, true, rect(5, 4, 5, 13)},   {2, true, rect(5, 4, 6, 13)},   {3, true, rect(4, 4, 6, 13)},
    };
    GltestDibContext c(24, 24, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glColor3f(1, 1, 1);
    for (const Case& k : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        glLineWidth(k.width);
        // Width 2 sits on the boundary above the centres, widths 1 and 3 on centres.
        const float across = k.width == 2 ? 6.0f : 5.5f;
        if (k.yMajor) line(across, 4.5f, across, 14.5f);
        else line(4.5f, across, 14.5f, across);
        EXPECT_EQ(describe(drawn(c)), describe(k.expected)) << k.width << (k.yMajor ? " y-major" : " x-major");
    }
    glLineWidth(1);
    EXPECT_TRUE(c.guardsIntact());
}

// A line on row 3 from blue at x 2.5 to red at x 34.5 in the given shading.
static void drawBlueToRed(GLenum shade) {
    glShadeModel(shade);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_LINES);
    glColor3f(0, 0, 1);
    glVertex2f(2.5f, 3.5f);
    glColor3f(1, 0, 0);
    glVertex2f(34.5f, 3.5f);
    glEnd();
}

// Colour along the line: flat uses the second vertex, smooth follows the
// pixel's position within one unit; 16-bit and colour-index buffers too.
TEST(Lines, FlatAndSmoothColour) {
    GltestDibContext c(40, 8, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    for (GLenum shade : {GL_FLAT, GL_SMOOTH}) {
        drawBlueToRed(shade);
        for (int x = 2; x < 34; x++) {
            const float t = (float)(x - 2) / 32.0f;
            const int wantRed = shade == GL_FLAT ? 255 : (int)lrintf(255.0f * t);
            const int wantBlue = shade == GL_FLAT ? 0 : 255 - wantRed;
            EXPECT_NEAR(c.red(x, 3), wantRed, 1) << x << (shade == GL_FLAT ? " flat" : " smooth");
            EXPECT_NEAR(c.blue(x, 3), wantBlue, 1) << x;
        }
    }
    glShadeModel(GL_SMOOTH);
}

// The direct writers: 16-bit RGB (flat, per pixel, dithered) and 8-bit index.
TEST(Lines, DirectWriters) {
    {
        GltestDibContext c(40, 8, 16, false, 32, false);
        ASSERT_NE(c.rc, nullptr);
        for (bool dither : {false, true}) {
            if (dither) glEnable(GL_DITHER);
            else glDisable(GL_DITHER);
            for (GLenum shade : {GL_FLAT, GL_SMOOTH}) {
                drawBlueToRed(shade);
                for (int x = 2; x < 34; x++) {
                    const uint32_t p = c.pixel(x, 3);
                    const int r = (int)(p >> 10 & 31), g = (int)(p >> 5 & 31), b = (int)(p & 31);
                    const float t = shade == GL_FLAT ? 1.0f : (float)(x - 2) / 32.0f;
                    EXPECT_NEAR(r, 31.0f * t, 1.0f) << x << " dither " << dither;
                    EXPECT_EQ(g, 0) << x;
                    EXPECT_NEAR(b, 31.0f * (1 - t), 1.0f) << x;
                }
                EXPECT_EQ(c.pixel(2, 4), 0u);
                EXPECT_EQ(c.pixel(34, 3), 0u);
            }
        }
        glShadeModel(GL_SMOOTH);
        EXPECT_TRUE(c.guardsIntact());
    }
    {
        GltestDibContext c(40, 8, 8, true, 32, false);
        ASSERT_NE(c.rc, nullptr);
        glDisable(GL_DITHER);
        for (GLenum shade : {GL_FLAT, GL_SMOOTH}) {
            glShadeModel(shade);
            glClear(GL_COLOR_BUFFER_BIT);
            glBegin(GL_LINES);
            glIndexf(8);
            glVertex2f(2.5f, 3.5f);
            glIndexf(40);
            glVertex2f(34.5f, 3.5f);
            glEnd();
            for (int x = 2; x < 34; x++) {
                const float want = shade == GL_FLAT ? 40.0f : 8.0f + (float)(x - 2);
                EXPECT_NEAR((float)c.pixel(x, 3), want, 1.0f) << x;
            }
            EXPECT_EQ(c.pixel(34, 3), 0u);
        }
        glShadeModel(GL_SMOOTH);
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Depth-tested lines cross a line drawn before at a fixed depth; the stencil
// masks a line drawn over a stencilled one.
TEST(Lines, DepthAndStencil) {
    for (int depthBits : {16, 24, 32}) {
        GltestDibContext c(32, 32, 32, false, depthBits, false);
        ASSERT_NE(c.rc, nullptr);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        // Vertical wall at depth 0 (window 0.5); a line in front of it
        // (object z 0.5) and one behind it (z -0.5).
        glColor3f(0, 0, 1);
        line(16.5f, 2.5f, 16.5f, 30.5f);
        glBegin(GL_LINES);
        glColor3f(1, 0, 0);
        glVertex3f(0.5f, 10.5f, 0.5f);
        glVertex3f(31.5f, 10.5f, 0.5f);
        glColor3f(0, 1, 0);
        glVertex3f(0.5f, 20.5f, -0.5f);
        glVertex3f(31.5f, 20.5f, -0.5f);
        glEnd();
        EXPECT_EQ(c.pixel(16, 10) & 0xFFFFFF, 0xFF0000u) << depthBits;
        EXPECT_EQ(c.pixel(16, 20) & 0xFFFFFF, 0x0000FFu) << depthBits;
        EXPECT_EQ(c.pixel(15, 20) & 0xFFFFFF, 0x00FF00u) << depthBits;
        EXPECT_EQ(c.pixel(17, 20) & 0xFFFFFF, 0x00FF00u) << depthBits;
        glDepthFunc(GL_NEVER);
        glClear(GL_COLOR_BUFFER_BIT);
        line(0.5f, 5.5f, 31.5f, 5.5f);
        EXPECT_TRUE(drawn(c).empty()) << depthBits;
        glDisable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);

        // Stencil: a vertical line marks 1; a horizontal line with GL_NOTEQUAL 1
        // skips the crossing pixel.
        glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 1, 0xFF);
        glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        glColor3f(0, 0, 1);
        line(8.5f, 0.5f, 8.5f, 31.5f);
        glStencilFunc(GL_NOTEQUAL, 1, 0xFF);
        glColor3f(1, 0, 0);
        line(0.5f, 12.5f, 31.5f, 12.5f);
        EXPECT_EQ(c.red(8, 12), 0) << depthBits;
        EXPECT_EQ(c.blue(8, 12), 255) << depthBits;
        EXPECT_EQ(c.red(7, 12), 255) << depthBits;
        EXPECT_EQ(c.red(9, 12), 255) << depthBits;
        glDisable(GL_STENCIL_TEST);
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Linear fog by eye distance: the colour moves from the line's colour to the
// fog colour along a line going away from the eye (per vertex and per pixel).
TEST(Lines, Fog) {
    GltestDibContext c(40, 8, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 1.0f);
    const GLfloat fogColor[4] = {0, 0, 1, 1};
    glFogfv(GL_FOG_COLOR, fogColor);
    for (GLenum hint : {GL_FASTEST, GL_NICEST}) {
        for (GLenum shade : {GL_SMOOTH, GL_FLAT}) {
            glHint(GL_FOG_HINT, hint);
            glShadeModel(shade);
            glClear(GL_COLOR_BUFFER_BIT);
            glColor3f(1, 0, 0);
            // Eye distance from 0.05 (almost no fog) to 0.95: a line in row 3,
            // and the bottom edge of a GL_LINE triangle (provoking vertex at
            // distance 0.5) in row 1.
            glBegin(GL_LINES);
            glVertex3f(2.5f, 3.5f, -0.05f);
            glVertex3f(34.5f, 3.5f, -0.95f);
            glEnd();
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            glBegin(GL_TRIANGLES);
            glEdgeFlag(GL_TRUE);
            glVertex3f(2.5f, 1.5f, -0.05f);
            glEdgeFlag(GL_FALSE);
            glVertex3f(34.5f, 1.5f, -0.95f);
            glVertex3f(18.5f, 6.5f, -0.5f);
            glEnd();
            glEdgeFlag(GL_TRUE);
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            for (int y : {3, 1})
                for (int x = 2; x < 34; x++) {
                    const float f = 1.0f - (0.05f + 0.9f * (float)(x - 2) / 32.0f);  // (end - d) / (end - start)
                    EXPECT_NEAR(c.red(x, y), 255.0f * f, 3.0f) << x << "," << y << " hint " << hint << " shade " << shade;
                    EXPECT_NEAR(c.blue(x, y), 255.0f * (1 - f), 3.0f) << x << "," << y;
                }
        }
    }
    glDisable(GL_FOG);
    glShadeModel(GL_SMOOTH);
}

// Antialiased lines: coverage across the line falls off from the centre, the
// coverage sums to about length x width, and rows near the drawable's edge
// with a viewport larger than it stay inside the clip box.
TEST(Lines, Antialiased) {
    GltestDibContext c(32, 32, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glColor3f(1, 1, 1);
    struct Case {
        float x0, y0, x1, y1, width;
    } cases[] = {
        {4, 6, 26, 6, 1},   {4, 6.25f, 26, 6.25f, 1}, {4, 4, 24, 18, 1}, {6, 3, 12, 27, 2},
        {26, 20, 5, 9, 3},  {10, 28, 10, 4, 1},
    };
    for (const Case& k : cases) {
        glLineWidth(k.width);
        glClear(GL_COLOR_BUFFER_BIT);
        line(k.x0, k.y0, k.x1, k.y1);
        double sum = 0;
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++) sum += c.red(x, y) / 255.0;
        const double len = hypot(k.x1 - k.x0, k.y1 - k.y0);
        EXPECT_NEAR(sum, len * k.width, 0.03 * len * k.width) << k.x0 << "," << k.y0 << " width " << k.width;
    }
    // Across a horizontal line through row centres: full in its row, nothing
    // two rows away; between two rows: about half in each.
    glLineWidth(1);
    glClear(GL_COLOR_BUFFER_BIT);
    line(4.5f, 10.5f, 26, 10.5f);
    EXPECT_GE(c.red(15, 10), 250);
    EXPECT_LE(c.red(15, 9), 5);
    EXPECT_LE(c.red(15, 11), 5);
    EXPECT_NEAR(c.red(4, 10), 128, 10);  // the first vertex: half the along coverage
    glClear(GL_COLOR_BUFFER_BIT);
    line(4, 10.0f, 26, 10.0f);
    EXPECT_NEAR(c.red(15, 10), 128, 10);
    EXPECT_NEAR(c.red(15, 9), 128, 10);

    // Viewport four times the drawable, lines along and across its edges; scissor.
    gltestPixelViewport(-32, -32, 128, 128);
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(3);
    line(-20, 0.2f, 60, 0.2f);
    line(31.8f, -20, 31.8f, 60);
    line(-10, -10, 50, 45);
    EXPECT_TRUE(c.guardsIntact());
    glEnable(GL_SCISSOR_TEST);
    glScissor(8, 8, 8, 8);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, 32, 32);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(8, 8, 8, 8);
    line(-10, 12, 50, 12);
    for (auto [x, y] : drawn(c)) EXPECT_TRUE(x >= 8 && x < 16 && y >= 8 && y < 16) << x << "," << y;
    EXPECT_FALSE(drawn(c).empty());
    glDisable(GL_SCISSOR_TEST);
    glLineWidth(1);
    EXPECT_TRUE(c.guardsIntact());
}

// Colour index: coverage goes to the low four bits of each pixel's index, on
// the direct 8-bit writer too (one value for the whole line would lose it).
TEST(Lines, AntialiasedIndex) {
    GltestDibContext c(32, 16, 8, true, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glDisable(GL_DITHER);
    glEnable(GL_LINE_SMOOTH);
    glClear(GL_COLOR_BUFFER_BIT);
    glIndexf(32);
    line(4.5f, 8.0f, 26.5f, 8.0f);  // between rows 7 and 8: half in each
    EXPECT_EQ(c.pixel(4, 8), 32u + 4u);  // the first vertex: a quarter
    for (int x = 6; x < 25; x++) {
        EXPECT_EQ(c.pixel(x, 7), 32u + 8u) << x;
        EXPECT_EQ(c.pixel(x, 8), 32u + 8u) << x;
        EXPECT_EQ(c.pixel(x, 6), 0u) << x;
    }
    glClear(GL_COLOR_BUFFER_BIT);
    line(4.5f, 8.5f, 26.5f, 8.5f);
    for (int x = 6; x < 25; x++) EXPECT_EQ(c.pixel(x, 8), 32u + 15u) << x;
    glDisable(GL_LINE_SMOOTH);
}

// The alpha test kills pixels of a smooth-alpha line after the colour stage.
TEST(Lines, AlphaTest) {
    GltestDibContext c(40, 8, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    for (float width : {1.0f, 2.0f}) {
        glLineWidth(width);
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_LINES);
        glColor4f(1, 1, 1, 0);
        glVertex2f(2.5f, 3.5f);
        glColor4f(1, 1, 1, 1);
        glVertex2f(34.5f, 3.5f);
        glEnd();
        // Alpha (x - 2) / 32 passes from x = 19 on.
        for (int x = 2; x < 34; x++) EXPECT_EQ(c.red(x, 3), x >= 19 ? 255 : 0) << x << " width " << width;
    }
    glLineWidth(1);
    glDisable(GL_ALPHA_TEST);
}

// Lines with the viewport larger than the drawable stay inside it; a line of
// more pixels than the span arrays hold (antialiased: 2049) is drawn whole.
TEST(Lines, ClipBoxAndLongLines) {
    GltestDibContext c(32, 32, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    gltestPixelViewport(-1000, -20, 2048, 64);
    glColor3f(1, 1, 1);
    for (bool smooth : {false, true}) {
        if (smooth) glEnable(GL_LINE_SMOOTH);
        glClear(GL_COLOR_BUFFER_BIT);
        glLineWidth(3);
        line(-999.9f, 5.5f, 1047.9f, 5.5f);
        line(-999.9f, -19.5f, 1047.9f, 43.5f);
        line(31.5f, -19.9f, 31.5f, 43.9f);
        EXPECT_TRUE(c.guardsIntact()) << smooth;
        for (int x = 0; x < 31; x++) EXPECT_EQ(c.red(x, 5), 255) << x << (smooth ? " smooth" : "");
        for (int y = 0; y < 32; y++) EXPECT_EQ(c.red(31, y), 255) << y << (smooth ? " smooth" : "");
    }
    glDisable(GL_LINE_SMOOTH);
    glLineWidth(1);
}

// GL_FRONT_AND_BACK on a double-buffered window writes both buffers; GL_NONE
// writes neither (the depth buffer still takes the line).
TEST(Lines, BothBuffersAndNone) {
    GltestWindowContext window("lines-test", 32, 16, 16, 16);
    ASSERT_NE(window.rc, nullptr);
    GlContext* gc = context();
    ASSERT_NE(gc->fb.backBuffer, nullptr);
    auto at = [&](GlColorBuffer* cb, int x, int y) {
        GLfloat out[4];
        const int wy = gc->yInverted ? 15 - y : y;
        cb->readPixel(cb, x + gc->limits.windowBiasX, wy + gc->limits.windowBiasY, out);
        return (int)out[0] << 16 | (int)out[1] << 8 | (int)out[2];
    };
    glDrawBuffer(GL_FRONT_AND_BACK);
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(2);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x0F0F);
    glBegin(GL_LINES);
    glColor3f(0, 0, 1);
    glVertex2f(0.5f, 6.0f);
    glColor3f(1, 0, 0);
    glVertex2f(31.5f, 6.0f);
    glEnd();
    for (int x = 0; x < 31; x++)
        for (int y : {5, 6}) {
            const int front = at(gc->fb.frontBuffer, x, y), back = at(gc->fb.backBuffer, x, y);
            EXPECT_EQ(front, back) << x << "," << y;
            EXPECT_EQ(front != 0, (x & 4) == 0) << x << "," << y;
        }
    glDisable(GL_LINE_STIPPLE);
    glLineWidth(1);

    // GL_NONE: no colour, but depth is written (a later line behind it fails).
    glDrawBuffer(GL_BACK);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDrawBuffer(GL_NONE);
    glColor3f(1, 1, 1);
    line(0.5f, 3.5f, 31.5f, 3.5f);
    glDrawBuffer(GL_BACK);
    for (int x = 0; x < 32; x++) EXPECT_EQ(at(gc->fb.backBuffer, x, 3), 0) << x;
    glBegin(GL_LINES);
    glVertex3f(0.5f, 3.5f, -0.5f);
    glVertex3f(31.5f, 3.5f, -0.5f);
    glEnd();
    for (int x = 0; x < 31; x++) EXPECT_EQ(at(gc->fb.backBuffer, x, 3), 0) << x;
    glDisable(GL_DEPTH_TEST);
}

// Polygons in GL_LINE mode: edges with edge flags; a polygon of more than 16
// vertices keeps its split edges hidden.
TEST(Lines, PolygonEdges) {
    GltestDibContext c(32, 32, 32, false, 32, false);
    ASSERT_NE(c.rc, nullptr);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor3f(1, 1, 1);
    const WindowMap m = {32, false};
    {
        glClear(GL_COLOR_BUFFER_BIT);
        const float q[4][2] = {{4.5f, 4.5f}, {24.5f, 4.5f}, {24.5f, 20.5f}, {4.5f, 20.5f}};
        glBegin(GL_POLYGON);
        for (int i = 0; i < 4; i++) {
            glEdgeFlag(i != 1);  // the edge from vertex 1 to 2 is hidden
            glVertex2f(q[i][0], q[i][1]);
        }
        glEnd();
        glEdgeFlag(GL_TRUE);
        PixelSet want;
        for (int i : {0, 2, 3}) {
            const auto* a = q[i];
            const auto* b = q[(i + 1) % 4];
            PixelSet s = diamondExit(m, a[0], a[1], b[0], b[1], 32, 32);
            want.insert(s.begin(), s.end());
        }
        EXPECT_EQ(describe(drawn(c)), describe(want)) << "edge flags";
    }
    {
        // 20 vertices on a circle: the outline is the 20 chords, nothing inside.
        glClear(GL_COLOR_BUFFER_BIT);
        const int n = 20;
        float v[n][2];
        for (int i = 0; i < n; i++) {
            v[i][0] = 16.0f + 12.3f * cosf(6.2831853f * (float)i / n);
            v[i][1] = 16.0f + 12.3f * sinf(6.2831853f * (float)i / n);
        }
        glBegin(GL_POLYGON);
        for (auto& p : v) glVertex2f(p[0], p[1]);
        glEnd();
        PixelSet want;
        for (int i = 0; i < n; i++) {
            PixelSet s = diamondExit(m, v[i][0], v[i][1], v[(i + 1) % n][0], v[(i + 1) % n][1], 32, 32);
            want.insert(s.begin(), s.end());
        }
        EXPECT_EQ(describe(drawn(c)), describe(want)) << "split polygon";
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}
