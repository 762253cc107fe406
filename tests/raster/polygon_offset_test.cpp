// Polygon offset through the public calls on DIB sections: one unit separates
// coplanar polygons at every depth size and depth, in every polygon mode with
// its own switch; lines and points drawn as such take no offset.
#include "gldib.h"

namespace {

const GLenum kFill = GL_FILL, kLine = GL_LINE, kPoint = GL_POINT;

// Rectangle (x0, y0)-(x1, y1) at object z as one polygon.
void rect(float x0, float y0, float x1, float y1, float z) {
    glBegin(GL_QUADS);
    glVertex3f(x0, y0, z), glVertex3f(x1, y0, z), glVertex3f(x1, y1, z), glVertex3f(x0, y1, z);
    glEnd();
}

// Red background rectangle over the whole window at window depth d, then a
// green rectangle at the same depth with glPolygonOffset(0, -1) in `mode`
// with `enable` on. Returns the green of the pixel (px, py) that the second
// rectangle's fill, outline or corner covers.
int offsetGreen(int depthBits, float d, GLenum mode, GLenum enable, int px, int py) {
    GltestDibContext c(16, 16, 32, false, depthBits);
    glDisable(GL_DITHER);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearDepth(1.0);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float z = 1.0f - 2.0f * d;  // glOrtho(.., -1, 1): window depth (1 - z) / 2
    glColor3f(1, 0, 0);
    rect(0, 0, 16, 16, z);
    glColor3f(0, 1, 0);
    glPolygonMode(GL_FRONT_AND_BACK, mode);
    glEnable(enable);
    glPolygonOffset(0, -1);
    rect(2.5f, 2.5f, 13.5f, 13.5f, z);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(c.red(px, py) + c.green(px, py), 255) << "pixel not drawn by either rectangle";
    return c.green(px, py);
}

}  // namespace

TEST(PolygonOffset, OneUnitSeparatesCoplanarPolygons) {
    const struct {
        GLenum mode;
        int px, py;  // a pixel of the fill, the left edge, a corner
    } modes[] = {{kFill, 8, 8}, {kLine, 2, 8}, {kPoint, 2, 2}};
    const GLenum switchOf[] = {GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT};
    for (int bits : {16, 24, 32})
        for (float d : {0.01f, 0.35f, 0.5f, 0.99f})
            for (int m = 0; m < 3; m++)
                for (int s = 0; s < 3; s++) {
                    // Only the switch of the polygon's own mode offsets it.
                    const int expected = s == m ? 255 : 0;
                    EXPECT_EQ(offsetGreen(bits, d, modes[m].mode, switchOf[s], modes[m].px, modes[m].py), expected)
                        << bits << "-bit depth, depth " << d << ", mode " << m << ", switch " << s;
                }
}

// Lines and points drawn as such never take the offset, whatever the switches.
TEST(PolygonOffset, LinesAndPointsAsSuchTakeNone) {
    for (GLenum prim : {GL_LINES, GL_POINTS}) {
        GltestDibContext c(16, 16, 32, false, 32);
        glDisable(GL_DITHER);
        glEnable(GL_DEPTH_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 0, 0);
        rect(0, 0, 16, 16, 0);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glEnable(GL_POLYGON_OFFSET_LINE);
        glEnable(GL_POLYGON_OFFSET_POINT);
        glPolygonOffset(-4, -16);
        glColor3f(0, 1, 0);
        glBegin(prim);
        glVertex2f(2.5f, 8.5f), glVertex2f(13.5f, 8.5f);
        glEnd();
        EXPECT_EQ(c.green(2, 8), 0) << prim;
        EXPECT_EQ(c.red(2, 8), 255) << prim;
    }
}

// The offset of an outline follows its polygon's slope: a tilted rectangle
// drawn over its own fill in GL_LINE mode with factor -1 (GL_LESS) wins along
// its edges, with factor +1 (GL_LEQUAL) loses.
TEST(PolygonOffset, OutlineFactorUsesThePolygonSlope) {
    const struct {
        GLfloat factor;
        GLenum func;
        int green;
    } cases[] = {{-1, GL_LESS, 255}, {1, GL_LEQUAL, 0}};
    for (const auto& k : cases) {
        GltestDibContext c(16, 16, 32, false, 32);
        glDisable(GL_DITHER);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(k.func);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const auto tilted = [] {
            glBegin(GL_QUADS);
            glVertex3f(2.5f, 2.5f, -0.5f), glVertex3f(13.5f, 2.5f, 0.5f), glVertex3f(13.5f, 13.5f, 0.5f),
                glVertex3f(2.5f, 13.5f, -0.5f);
            glEnd();
        };
        glColor3f(1, 0, 0);
        tilted();
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_POLYGON_OFFSET_LINE);
        glPolygonOffset(k.factor, 0);
        glColor3f(0, 1, 0);
        tilted();
        // The right edge: pixels the fill covers too.
        for (int y = 3; y < 13; y++) EXPECT_EQ(c.green(13, y), k.green) << "factor " << k.factor << " y " << y;
    }
}
