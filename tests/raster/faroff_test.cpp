// Primitives far outside the window: every line kind, point kind and polygon
// kind with viewports at the integer limits and with huge modelview entries
// returns at once and writes nothing outside the window; one that crosses the
// window draws only its visible part.
#include <limits.h>
#include <math.h>
#include <functional>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"

namespace {

struct Kind {
    const char* name;
    std::function<void()> draw;  // a primitive around the origin, unit size
};

void lineKind(GLenum prim, float width, bool smooth, bool stipple) {
    glLineWidth(width);
    if (smooth) glEnable(GL_LINE_SMOOTH);
    if (stipple) glEnable(GL_LINE_STIPPLE), glLineStipple(3, 0x5F3A);
    glBegin(prim);
    glVertex2f(-0.5f, 0), glVertex2f(0.5f, 0), glVertex2f(0.7f, -0.3f), glVertex2f(-0.45f, 0.3f);
    glEnd();
}

void pointKind(float size, bool smooth) {
    glPointSize(size);
    if (smooth) glEnable(GL_POINT_SMOOTH);
    glBegin(GL_POINTS);
    glVertex2f(0, 0), glVertex2f(0.5f, 0.5f);
    glEnd();
}

void polygonKind(GLenum mode, bool smooth, bool offset) {
    glPolygonMode(GL_FRONT_AND_BACK, mode);
    if (smooth) glEnable(GL_POLYGON_SMOOTH);
    if (offset) glEnable(GL_POLYGON_OFFSET_FILL), glEnable(GL_DEPTH_TEST), glPolygonOffset(1, 1);
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.5f, -0.5f), glVertex2f(0.5f, -0.4f), glVertex2f(0, 0.5f);
    glEnd();
}

const Kind kKinds[] = {
    {"line", [] { lineKind(GL_LINE_STRIP, 1, false, false); }},
    {"wide line", [] { lineKind(GL_LINE_STRIP, 5, false, false); }},
    {"stippled line", [] { lineKind(GL_LINE_STRIP, 1, false, true); }},
    {"wide stippled line", [] { lineKind(GL_LINE_LOOP, 3, false, true); }},
    {"antialiased line", [] { lineKind(GL_LINE_STRIP, 1, true, false); }},
    {"wide antialiased line", [] { lineKind(GL_LINES, 4, true, false); }},
    {"stippled antialiased line", [] { lineKind(GL_LINE_LOOP, 2, true, true); }},
    {"point", [] { pointKind(1, false); }},
    {"wide point", [] { pointKind(7, false); }},
    {"antialiased point", [] { pointKind(5, true); }},
    {"polygon", [] { polygonKind(GL_FILL, false, false); }},
    {"offset polygon", [] { polygonKind(GL_FILL, false, true); }},
    {"antialiased polygon", [] { polygonKind(GL_FILL, true, false); }},
    {"outlined polygon", [] { polygonKind(GL_LINE, false, false); }},
    {"polygon vertices", [] { polygonKind(GL_POINT, false, false); }},
};

// Viewports at the integer limits: only width and height are limited.
const GLint kViewports[][4] = {
    {INT_MAX, 8, 65535, 8}, {INT_MIN, 8, 65535, 8}, {8, INT_MAX, 8, 65535}, {8, INT_MIN, 8, 65535},
    {INT_MAX, INT_MAX, 65535, 65535}, {INT_MIN, INT_MIN, 65535, 65535}, {INT_MAX - 40, -INT_MAX / 2, 64, 64},
    {-70000, 100000, 2048, 2048},
};

}  // namespace

// Each on the generated path and on the C++ set-up and chain alone.
TEST(FarOff, ViewportsAtTheIntegerLimitsDrawNothing) {
    for (const GltestChainRoad& road : gltestChainRoads)
        for (const Kind& k : kKinds)
            for (const auto& vp : kViewports) {
                SCOPED_TRACE(road.name);
                GltestTrianglePath path(false, road.cppOnly);
                GltestDibContext c(64, 64);
                c.clear(0);
                glViewport(vp[0], vp[1], vp[2], vp[3]);
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
                glMatrixMode(GL_MODELVIEW);
                k.draw();
                EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << k.name;
                int lit = 0;
                for (int y = 0; y < 64; y++)
                    for (int x = 0; x < 64; x++) lit += c.pixel(x, y) != 0;
                EXPECT_EQ(lit, 0) << k.name << " viewport " << vp[0] << ", " << vp[1];
                EXPECT_TRUE(c.guardsIntact()) << k.name;
            }
}

// A huge modelview entry: clipping in float leaves window coordinates far
// outside the window (near -1.8e19 for 1e30); primitives that cross the
// window still draw inside it and nowhere else; infinite and NaN entries
// draw nothing out of place either.
TEST(FarOff, HugeModelviewEntriesStayBounded) {
    for (const GltestChainRoad& road : gltestChainRoads)
        for (const Kind& k : kKinds)
            for (float big : {1e30f, -1e30f, 3e38f, 1e20f, INFINITY, NAN}) {
                for (int entry = 0; entry < 16; entry++) {
                    SCOPED_TRACE(road.name);
                    GltestTrianglePath path(false, road.cppOnly);
                    GltestDibContext c(64, 64);
                    c.clear(0);
                    glViewport(0, 0, 64, 64);
                    glMatrixMode(GL_PROJECTION);
                    glLoadIdentity();
                    glMatrixMode(GL_MODELVIEW);
                    GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
                    m[entry] = big;
                    glLoadMatrixf(m);
                    k.draw();
                    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << k.name;
                    EXPECT_TRUE(c.guardsIntact()) << k.name << " entry " << entry << " = " << big;
                }
            }
}

// A long line whose start lies far before the window: the walk starts at the
// window's edge with the minor position, the interpolants and the stipple
// phase it would have reached by stepping. The last 64 pixels of the line in
// a 2048-pixel window are the reference.
TEST(FarOff, CrossingLineDrawsItsVisiblePartAsStepped) {
    const int kLong = 2048, kShort = 64, kCross = 32;
    const struct {
        bool yMajor, smooth, stipple;
    } cases[] = {{false, false, true}, {true, false, true}, {false, true, true}, {true, true, false}, {false, true, false}};
    for (const auto& k : cases) {
        std::vector<uint32_t> image[2];
        for (int pass = 0; pass < 2; pass++) {
            const int along = pass ? kShort : kLong, shift = kLong - along;
            GltestDibContext c(k.yMajor ? kCross : along, k.yMajor ? along : kCross);
            c.clear(0);
            glDisable(GL_DITHER);
            // Object x (y) is window x (y) + shift.
            if (k.yMajor) gltestPixelViewport(0, 0, kCross, kLong), glViewport(0, -shift, kCross, kLong);
            else gltestPixelViewport(0, 0, kLong, kCross), glViewport(-shift, 0, kLong, kCross);
            if (k.smooth) glEnable(GL_LINE_SMOOTH);
            if (k.stipple) glEnable(GL_LINE_STIPPLE), glLineStipple(3, 0x5F3A);
            glLineWidth(k.smooth ? 2.5f : 1.0f);
            glBegin(GL_LINES);
            glColor3f(1, 0, 0);
            const float a[2] = {9.5f, 3.25f}, b[2] = {2040.5f, 27.75f};
            if (k.yMajor) glVertex2f(a[1], a[0]); else glVertex2f(a[0], a[1]);
            glColor3f(0, 0, 1);
            if (k.yMajor) glVertex2f(b[1], b[0]); else glVertex2f(b[0], b[1]);
            glEnd();
            for (int i = 0; i < kShort; i++)
                for (int j = 0; j < kCross; j++)
                    image[pass].push_back(k.yMajor ? c.pixel(j, kLong - kShort + i - shift) : c.pixel(kLong - kShort + i - shift, j));
            EXPECT_TRUE(c.guardsIntact());
        }
        int lit = 0;
        for (size_t i = 0; i < image[0].size(); i++) {
            lit += image[0][i] != 0;
            EXPECT_EQ(image[1][i], image[0][i]) << "y major " << k.yMajor << " smooth " << k.smooth << " at "
                                                << i / kCross << ", " << i % kCross;
        }
        EXPECT_GT(lit, 20) << "y major " << k.yMajor << " smooth " << k.smooth;
    }
}
