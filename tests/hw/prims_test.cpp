// Hardware primitives: what the board receives for each primitive mode,
// shading, culling and polygon mode, and the pixels it draws; glClear.

#include <limits.h>
#include <math.h>
#include <functional>
#include "hw_env.h"

namespace {

const float kBias = RV_VERTEX_BIAS;

void vertices(GLenum mode, int n, float cx = 16, float cy = 16, float r = 12) {
    glBegin(mode);
    for (int i = 0; i < n; i++) {
        const float a = 6.2831853f * (float)i / (float)n;
        glColor3f((float)(i & 1), (float)(i >> 1 & 1), 1.0f);
        glVertex2f(cx + r * cosf(a), cy + r * sinf(a));
    }
    glEnd();
}

bool lit(int x, int y, int buffer = RV_BUFFER_BACK) { return rvSimPixel(buffer, x, y) != 0; }

void triangle(float x0, float y0, float x1, float y1, float x2, float y2) {
    glBegin(GL_TRIANGLES);
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glEnd();
}

TEST(HwTriangles, ShadedTriangleReachesTheBoardUnchanged) {
    HwContext hw;
    glBegin(GL_TRIANGLES);
    glColor4f(1, 0, 0, 0.5f);
    glVertex3f(2, 2, 0);
    glColor4f(0, 1, 0, 1);
    glVertex3f(30, 2, 0.5f);
    glColor4f(0, 0, 1, 0);
    glVertex3f(2, 30, -1);
    glEnd();
    const auto tris = hwtestCalls("rvDrawTriangle");
    ASSERT_EQ(tris.size(), 1u);
    const RvVertex* v = tris[0].vertices;
    const float want[3][7] = {
        // x, y, r, g, b, a, ooz (glOrtho's z runs -1 at the far plane)
        {2, 2, 255, 0, 0, 127.5f, 32767.5f},
        {30, 2, 0, 255, 0, 255, 16383.75f},
        {2, 30, 0, 0, 255, 0, 65535},
    };
    // The assembler may start the triangle at any of its vertices.
    int first = 0;
    while (first < 3 && v[first].y != want[0][1] + kBias) first++;
    ASSERT_LT(first, 3);
    for (int k = 0; k < 3; k++) {
        SCOPED_TRACE(k);
        const RvVertex& got = v[(first + k) % 3];
        EXPECT_EQ(got.x, want[k][0] + kBias);
        EXPECT_EQ(got.y, want[k][1] + kBias);
        EXPECT_FLOAT_EQ(got.r, want[k][2]);
        EXPECT_FLOAT_EQ(got.g, want[k][3]);
        EXPECT_FLOAT_EQ(got.b, want[k][4]);
        EXPECT_FLOAT_EQ(got.a, want[k][5]);
        EXPECT_NEAR(got.ooz, want[k][6], 1.0f);
    }
    const HwRgb nearRed = hwtestPixel(RV_BUFFER_BACK, 3, 3);
    EXPECT_GT(nearRed.r, 200);
    EXPECT_LT(nearRed.g + nearRed.b, 60);
    const HwRgb nearBlue = hwtestPixel(RV_BUFFER_BACK, 3, 27);
    EXPECT_GT(nearBlue.b, 180);
    EXPECT_FALSE(lit(20, 20));  // beyond the hypotenuse
    EXPECT_FALSE(lit(3, 3, RV_BUFFER_FRONT));
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

TEST(HwPrimitives, EveryModeSubmitsItsLibraryPrimitives) {
    const struct {
        GLenum mode;
        int n;
        size_t triangles, lines, points;
    } cases[] = {
        {GL_POINTS, 3, 0, 0, 3},         {GL_LINES, 6, 0, 3, 0},          {GL_LINE_STRIP, 4, 0, 3, 0},
        {GL_LINE_LOOP, 4, 0, 4, 0},      {GL_TRIANGLES, 7, 2, 0, 0},      {GL_TRIANGLE_STRIP, 5, 3, 0, 0},
        {GL_TRIANGLE_FAN, 5, 3, 0, 0},   {GL_QUADS, 9, 4, 0, 0},          {GL_QUAD_STRIP, 6, 4, 0, 0},
        {GL_POLYGON, 5, 3, 0, 0},        {GL_POLYGON, 40, 38, 0, 0},  // more vertices than the buffer holds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " x " << c.n);
        HwContext hw;
        vertices(c.mode, c.n);
        EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), c.triangles);
        EXPECT_EQ(hwtestCalls("rvDrawLine").size(), c.lines);
        EXPECT_EQ(hwtestCalls("rvDrawPoint").size(), c.points);
        bool nearRightmost = false;  // every mode draws next to its rightmost vertex
        for (int y = 15; y <= 17; y++)
            for (int x = 27; x <= 29; x++) nearRightmost |= lit(x, y);
        EXPECT_TRUE(nearRightmost);
        // Every vertex the board saw lies on the circle, biased.
        for (const char* name : {"rvDrawTriangle", "rvDrawLine", "rvDrawPoint"})
            for (const RvLogEntry& e : hwtestCalls(name))
                for (uint32_t i = 0; i < e.vertexCount; i++) {
                    const float dx = e.vertices[i].x - kBias - 16, dy = e.vertices[i].y - kBias - 16;
                    EXPECT_NEAR(dx * dx + dy * dy, 144.0f, 1.6f);  // snapped to 1/16 pixel
                }
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}

// Flat shading: the provoking vertex's colour on every vertex; its alpha too.
TEST(HwPrimitives, FlatShadingUsesTheProvokingVertex) {
    const struct {
        GLenum mode;
        int n;
        const char* call;
        int provoking;  // vertex index whose colour every vertex shows
    } cases[] = {
        {GL_TRIANGLES, 3, "rvDrawTriangle", 2},
        {GL_POLYGON, 3, "rvDrawTriangle", 0},
        {GL_LINES, 2, "rvDrawLine", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        HwContext hw;
        glShadeModel(GL_FLAT);
        const float colors[3][4] = {{1, 0, 0, 0.2f}, {0, 1, 0, 0.4f}, {0, 0, 1, 0.6f}};
        glBegin(c.mode);
        for (int i = 0; i < c.n; i++) {
            glColor4fv(colors[i]);
            glVertex2f(4.0f + 20.0f * (float)(i == 1), 4.0f + 20.0f * (float)(i == 2));
        }
        glEnd();
        const auto calls = hwtestCalls(c.call);
        ASSERT_EQ(calls.size(), 1u);
        for (uint32_t i = 0; i < calls[0].vertexCount; i++) {
            const RvVertex& v = calls[0].vertices[i];
            EXPECT_FLOAT_EQ(v.r, 255.0f * colors[c.provoking][0]);
            EXPECT_FLOAT_EQ(v.g, 255.0f * colors[c.provoking][1]);
            EXPECT_FLOAT_EQ(v.b, 255.0f * colors[c.provoking][2]);
            EXPECT_FLOAT_EQ(v.a, 255.0f * colors[c.provoking][3]);
        }
    }
}

TEST(HwCulling, OneSidedTrianglesAreCulledByTheBoard) {
    HwContext hw;
    glEnable(GL_CULL_FACE);
    glColor3f(1, 1, 1);
    triangle(2, 2, 12, 2, 2, 12);     // counter-clockwise: front
    triangle(20, 2, 20, 12, 30, 2);   // clockwise: back
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 2u);
    EXPECT_TRUE(lit(4, 4));
    EXPECT_FALSE(lit(22, 4));
    glCullFace(GL_FRONT);
    triangle(2, 20, 12, 20, 2, 30);
    triangle(20, 20, 20, 30, 30, 20);
    EXPECT_FALSE(lit(4, 22));
    EXPECT_TRUE(lit(22, 22));
}

// Both faces culled: no triangle reaches the board, lines and points do.
TEST(HwCulling, FrontAndBackDrawsNoTriangles) {
    HwContext hw;
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT_AND_BACK);
    vertices(GL_TRIANGLE_FAN, 6);
    vertices(GL_LINES, 2);
    vertices(GL_POINTS, 1);
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 0u);
    EXPECT_EQ(hwtestCalls("rvDrawLine").size(), 1u);
    EXPECT_EQ(hwtestCalls("rvDrawPoint").size(), 1u);
}

// Two-sided lighting: the face picks the material's colour, culling is done
// before the board, a zero-area triangle has no face and is dropped.
TEST(HwCulling, TwoSidedLightingColoursByFace) {
    HwContext hw;
    const float black[4] = {0, 0, 0, 1}, red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialfv(GL_FRONT, GL_EMISSION, red);
    glMaterialfv(GL_BACK, GL_EMISSION, blue);
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    triangle(2, 2, 12, 2, 2, 12);    // front
    triangle(20, 2, 20, 12, 30, 2);  // back
    triangle(2, 20, 6, 24, 10, 28);  // zero area
    auto tris = hwtestCalls("rvDrawTriangle");
    ASSERT_EQ(tris.size(), 2u);
    EXPECT_EQ(tris[0].vertices[0].r, 255.0f);
    EXPECT_EQ(tris[0].vertices[0].b, 0.0f);
    EXPECT_EQ(tris[1].vertices[2].r, 0.0f);
    EXPECT_EQ(tris[1].vertices[2].b, 255.0f);
    EXPECT_GT(hwtestPixel(RV_BUFFER_BACK, 22, 4).b, 200);

    glEnable(GL_CULL_FACE);
    triangle(20, 2, 20, 12, 30, 2);  // back, culled before the board
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 2u);

    // One-sided, the zero-area triangle goes to the board.
    glDisable(GL_CULL_FACE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    triangle(2, 20, 6, 24, 10, 28);
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 3u);
}

// Front faces as edges (by edge flag), back faces filled through the board.
TEST(HwPolygonMode, FacesTakeTheirOwnMode) {
    HwContext hw;
    glPolygonMode(GL_FRONT, GL_LINE);
    glPolygonMode(GL_BACK, GL_FILL);
    glBegin(GL_TRIANGLES);
    glVertex2f(2, 2);
    glEdgeFlag(GL_FALSE);
    glVertex2f(12, 2);
    glEdgeFlag(GL_TRUE);
    glVertex2f(2, 12);
    glEnd();
    EXPECT_EQ(hwtestCalls("rvDrawLine").size(), 2u);
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 0u);
    triangle(20, 2, 20, 12, 30, 2);
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 1u);
    EXPECT_TRUE(lit(22, 4));
    EXPECT_TRUE(lit(7, 2));    // on the first edge
    EXPECT_FALSE(lit(4, 4));   // inside: not filled

    glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
    triangle(2, 20, 12, 20, 2, 30);
    EXPECT_EQ(hwtestCalls("rvDrawPoint").size(), 3u);
}

TEST(HwLines, WideLinesAreTwoTrianglesAroundTheMajorAxis) {
    const struct {
        float x0, y0, x1, y1;
        bool cull;
    } cases[] = {
        {4, 10.5f, 24, 10.5f, false},  // x major: y +- 1.5
        {10.5f, 4, 12.5f, 24, false},  // y major: x +- 1.5
        {4, 10.5f, 24, 14.5f, false},  // slanted, x major
        {4, 10.5f, 24, 10.5f, true},   // culling must not remove a line
        {24, 10.5f, 4, 10.5f, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " cull " << c.cull);
        HwContext hw;
        if (c.cull) glEnable(GL_CULL_FACE);
        glLineWidth(3);
        glBegin(GL_LINES);
        glVertex2f(c.x0, c.y0);
        glVertex2f(c.x1, c.y1);
        glEnd();
        const auto tris = hwtestCalls("rvDrawTriangle");
        ASSERT_EQ(tris.size(), 2u);
        EXPECT_EQ(hwtestCalls("rvDrawLine").size(), 0u);
        const bool xMajor = fabsf(c.x1 - c.x0) > fabsf(c.y1 - c.y0);
        for (const auto& t : tris)
            for (int i = 0; i < 3; i++) {
                // Each corner lies at its end's position along the major axis.
                const float x = t.vertices[i].x - kBias, y = t.vertices[i].y - kBias;
                const bool atFirst = xMajor ? x == c.x0 : y == c.y0;
                EXPECT_TRUE(atFirst || (xMajor ? x == c.x1 : y == c.y1));
                const float across = xMajor ? y - (atFirst ? c.y0 : c.y1) : x - (atFirst ? c.x0 : c.x1);
                EXPECT_EQ(fabsf(across), 1.5f);
            }
        const int mx = (int)((c.x0 + c.x1) / 2), my = (int)((c.y0 + c.y1) / 2);
        for (int d = -1; d <= 1; d++) EXPECT_TRUE(xMajor ? lit(mx, my + d) : lit(mx + d, my)) << d;
        EXPECT_FALSE(xMajor ? lit(mx, my + 3) : lit(mx + 3, my));
    }
}

TEST(HwTriangles, PolygonSmoothGoesAntialiasedOnEveryEdge) {
    HwContext hw;
    glEnable(GL_POLYGON_SMOOTH);
    vertices(GL_TRIANGLES, 3);
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 0u);
    const auto tris = hwtestCalls("rvAADrawTriangle");
    ASSERT_EQ(tris.size(), 1u);
    EXPECT_EQ(tris[0].args[3], 1u);
    EXPECT_EQ(tris[0].args[4], 1u);
    EXPECT_EQ(tris[0].args[5], 1u);
}

TEST(HwLines, SmoothLinesGoAntialiased) {
    HwContext hw;
    glEnable(GL_LINE_SMOOTH);
    vertices(GL_LINES, 2);
    EXPECT_EQ(hwtestCalls("rvAADrawLine").size(), 1u);
    glLineWidth(2.5f);
    vertices(GL_LINES, 2);
    const auto tris = hwtestCalls("rvAADrawTriangle");
    ASSERT_EQ(tris.size(), 2u);
    for (const auto& t : tris)
        for (int i = 0; i < 3; i++) EXPECT_EQ(t.vertices[i].a, 255.0f);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// Window z reaches the board as 0-65535: the nearer triangle wins in
// either drawing order.
TEST(HwDepth, NearerTriangleWins) {
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst);
        HwContext hw;
        glEnable(GL_DEPTH_TEST);
        glClear(GL_DEPTH_BUFFER_BIT);
        for (int k = 0; k < 2; k++) {
            const bool drawNear = (k == 0) == nearFirst;
            glColor3f(drawNear ? 1.0f : 0.0f, drawNear ? 0.0f : 1.0f, 0);
            const float z = drawNear ? 0.5f : -0.5f;  // glOrtho: larger z is nearer
            glBegin(GL_TRIANGLES);
            glVertex3f(2, 2, z);
            glVertex3f(30, 2, z);
            glVertex3f(2, 30, z);
            glEnd();
        }
        const HwRgb p = hwtestPixel(RV_BUFFER_BACK, 5, 5);
        EXPECT_GT(p.r, 200);
        EXPECT_EQ(p.g, 0);
        EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 5, 5), 16383);
    }
}

TEST(HwClear, EachMaskAndDrawBuffer) {
    const struct {
        const char* what;
        GLbitfield mask;
        GLenum drawBuffer;
        bool colorOff;
        bool frontRed, backRed, depthCleared;
        size_t clears;
        int32_t renderBufferAfter;
    } cases[] = {
        {"colour", GL_COLOR_BUFFER_BIT, GL_BACK, false, false, true, false, 1, RV_BUFFER_BACK},
        {"depth", GL_DEPTH_BUFFER_BIT, GL_BACK, false, false, false, true, 1, RV_BUFFER_BACK},
        {"both", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_BACK, false, false, true, true, 1, RV_BUFFER_BACK},
        {"front", GL_COLOR_BUFFER_BIT, GL_FRONT, false, true, false, false, 1, RV_BUFFER_FRONT},
        {"depth, both buffers", GL_DEPTH_BUFFER_BIT, GL_FRONT_AND_BACK, false, false, false, true, 2, RV_BUFFER_BACK},
        {"colour, both buffers", GL_COLOR_BUFFER_BIT, GL_FRONT_AND_BACK, false, true, true, false, 2, RV_BUFFER_BACK},
        // No colour buffer is cleared; the depth buffer still is, colour writes off.
        {"no draw buffer", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NONE, false, false, false, true, 1,
         RV_BUFFER_BACK},
        {"no draw buffer, colour", GL_COLOR_BUFFER_BIT, GL_NONE, false, false, false, false, 0, RV_BUFFER_BACK},
        {"colour writes off", GL_COLOR_BUFFER_BIT, GL_BACK, true, false, false, false, 1, RV_BUFFER_BACK},
        {"accumulation and stencil", GL_ACCUM_BUFFER_BIT | GL_STENCIL_BUFFER_BIT, GL_BACK, false, false, false,
         false, 1, RV_BUFFER_BACK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HwContext hw;
        glClearColor(1, 0, 0, 0.5f);
        glClearDepth(0.25);
        glClearStencil(7);
        glDrawBuffer(c.drawBuffer);
        if (c.colorOff) glColorMask(0, 0, 0, 0);
        glClear(c.mask);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        const auto clears = hwtestCalls("rvBufferClear");
        ASSERT_EQ(clears.size(), c.clears);
        for (const auto& e : clears) {
            EXPECT_EQ(e.args[0], 0xFF0000u);
            EXPECT_EQ(e.args[1], 127u);
            EXPECT_EQ(e.args[2], 16383u);
        }
        EXPECT_EQ(hwtestPixel(RV_BUFFER_FRONT, 7, 9).r, c.frontRed ? 255 : 0);
        EXPECT_EQ(hwtestPixel(RV_BUFFER_BACK, 639, 479).r, c.backRed ? 255 : 0);
        EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 300, 200), c.depthCleared ? 16383 : 0);
        const RvSimState s = hwtestBoard();
        EXPECT_EQ(s.renderBuffer, c.renderBufferAfter);
        // Primitives of GL_NONE write no colour: the library's colour writes stay off.
        EXPECT_EQ(s.colorMaskRgb, c.colorOff || c.drawBuffer == GL_NONE ? 0 : 1);
        EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_DISABLE);
        // The stencil buffer is the software one, which the pixel paths read.
        if (c.mask & GL_STENCIL_BUFFER_BIT) {
            GLubyte stencil[2] = {99, 99};
            glReadPixels(0, 479, 2, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, stencil);
            EXPECT_EQ(stencil[0], 7);
            EXPECT_EQ(stencil[1], 7);
        }
        EXPECT_EQ(s.depthMask, 0);
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}

// Primitives go to the buffers the draw buffer names from the next drawing
// call on, glClear or not: GL_FRONT_AND_BACK draws both, GL_NONE neither.
TEST(HwDrawBuffer, PrimitivesGoToTheBuffersItNames) {
    const std::function<void()> prims[] = {
        [] { vertices(GL_POINTS, 1, 4.5f, 4.5f, 0); },
        [] { glRecti(4, 4, 6, 6); },
        [] {
            glBegin(GL_LINES);
            glVertex2f(4, 4.5f), glVertex2f(6, 4.5f);
            glEnd();
        },
        [] {
            glLineWidth(3);
            glBegin(GL_LINES);
            glVertex2f(4, 4.5f), glVertex2f(7, 4.5f);
            glEnd();
        },
        [] {
            glRasterPos2i(4, 4);
            const GLubyte bits[4] = {0x80};
            glBitmap(1, 1, 0, 0, 0, 0, bits);
        },
    };
    for (GLenum draw : {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK, GL_NONE})
        for (size_t k = 0; k < sizeof prims / sizeof prims[0]; k++) {
            SCOPED_TRACE(testing::Message() << "draw buffer " << draw << " primitive " << k);
            HwContext hw;
            glDrawBuffer(draw);
            prims[k]();
            glFinish();
            const bool front = draw == GL_FRONT || draw == GL_FRONT_AND_BACK;
            const bool back = draw == GL_BACK || draw == GL_FRONT_AND_BACK;
            EXPECT_EQ(lit(4, 4, RV_BUFFER_FRONT), front);
            EXPECT_EQ(lit(4, 4, RV_BUFFER_BACK), back);
            EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
        }
}

// Both buffers with the depth test: each shows the nearer of two triangles,
// and the depths are written once.
TEST(HwDrawBuffer, FrontAndBackTestTheSameDepths) {
    HwContext hw;
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDrawBuffer(GL_FRONT_AND_BACK);
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(2, 2, 0.5f), glVertex3f(30, 2, 0.5f), glVertex3f(2, 30, 0.5f);
    glEnd();
    glColor3f(0, 1, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(2, 2, -0.5f), glVertex3f(30, 2, -0.5f), glVertex3f(2, 30, -0.5f);  // farther: hidden
    glEnd();
    glFinish();
    for (int buffer : {RV_BUFFER_FRONT, RV_BUFFER_BACK}) {
        const HwRgb c = hwtestPixel(buffer, 8, 8);
        EXPECT_EQ(c.r, 255) << buffer;
        EXPECT_EQ(c.g, 0) << buffer;
    }
    const HwRgb before = hwtestPixel(RV_BUFFER_FRONT, 8, 8);
    glDepthFunc(GL_EQUAL);  // the stored depth is the red triangle's
    glColor3f(0, 0, 1);
    glBegin(GL_TRIANGLES);
    glVertex3f(2, 2, 0.5f), glVertex3f(30, 2, 0.5f), glVertex3f(2, 30, 0.5f);
    glEnd();
    glFinish();
    EXPECT_EQ(before.b, 0);
    for (int buffer : {RV_BUFFER_FRONT, RV_BUFFER_BACK}) EXPECT_EQ(hwtestPixel(buffer, 8, 8).b, 255) << buffer;
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// With the depth test on, the clear leaves the depth state as it found it.
TEST(HwClear, RestoresTheDepthState) {
    HwContext hw;
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    RvSimState s = hwtestBoard();
    EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_ZBUFFER);
    EXPECT_EQ(s.depthMask, 1);
    glDepthMask(GL_FALSE);
    glClear(GL_DEPTH_BUFFER_BIT);  // no depth writes: nothing cleared
    EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 1, 1), 0);
    s = hwtestBoard();
    EXPECT_EQ(s.depthMode, RV_DEPTHBUFFER_ZBUFFER);
    EXPECT_EQ(s.depthMask, 0);
}

}  // namespace

namespace {

TEST(HwPoints, SizeAndSmoothness) {
    HwContext hw;
    glEnable(GL_CULL_FACE);  // a wide point is never culled
    glCullFace(GL_FRONT);
    glPointSize(3);
    glBegin(GL_POINTS);
    glVertex2f(10.5f, 10.5f);
    glEnd();
    EXPECT_EQ(hwtestCalls("rvDrawTriangle").size(), 2u);
    for (int y = 8; y <= 12; y++)
        for (int x = 8; x <= 12; x++) {
            const bool inside = x >= 9 && x <= 11 && y >= 9 && y <= 11;
            EXPECT_EQ(lit(x, y), inside) << x << "," << y;
        }
    glEnable(GL_POINT_SMOOTH);
    glPointSize(1);  // wider smooth points are fans (lfb_test.cpp)
    vertices(GL_POINTS, 1);
    EXPECT_EQ(hwtestCalls("rvAADrawPoint").size(), 1u);
    EXPECT_EQ(hwtestCalls("rvDrawPoint").size(), 0u);
}

}  // namespace

// Sizes beyond the supported range draw as the largest (a disc of bounded
// triangles, a square, a quad that the board accepts), and points of a
// viewport at the integer limit are dropped before any conversion.
TEST(HwPoints, OversizedAndFarOffPointsAndLinesStayBounded) {
    const struct {
        const char* name;
        bool smooth, line;
        float size;
        GLint viewportX;
        size_t calls;  // triangles submitted
    } cases[] = {
        {"smooth point", true, false, 1e9f, 0, 20},  // 4 x radius 5
        {"wide point", false, false, 1e9f, 0, 2},
        {"wide line", false, true, 1e9f, 0, 2},
        {"smooth wide line", true, true, 1e9f, 0, 2},
        {"smooth point far off", true, false, 4, INT_MAX, 0},
        {"wide point far off", false, false, 4, INT_MIN, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HwContext hw;
        glViewport(c.viewportX, 0, 32, 32);
        if (c.smooth) glEnable(c.line ? GL_LINE_SMOOTH : GL_POINT_SMOOTH);
        glPointSize(c.size);
        glLineWidth(c.size);
        glBegin(c.line ? GL_LINES : GL_POINTS);
        glVertex2f(8, 16);
        if (c.line) glVertex2f(24, 18);
        glEnd();
        EXPECT_EQ(hwtestCalls("rvDrawTriangle").size() + hwtestCalls("rvAADrawTriangle").size(), c.calls);
        for (const char* name : {"rvDrawTriangle", "rvAADrawTriangle"})
            for (const auto& t : hwtestCalls(name))
                for (int i = 0; i < 3; i++) EXPECT_LT(fabsf(t.vertices[i].y - kBias - 17), 12.0f);
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}
