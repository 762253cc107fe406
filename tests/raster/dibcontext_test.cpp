// The DIB-section context fixture itself: clears reach the DIB at the GL
// position for both row orders.
#include "gldib.h"

TEST(DibContext, ClearAndOrientation) {
    for (bool topDown : {true, false}) {
        GltestDibContext c(8, 4, 32, false, 32, topDown);
        ASSERT_NE(c.rc, nullptr);
        glClearColor(1, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 1, 1);
        glClearColor(0, 0, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_EQ(c.pixel(0, 0) & 0xFFFFFF, 0x0000FFu) << topDown;
        EXPECT_EQ(c.pixel(7, 3) & 0xFFFFFF, 0xFF0000u) << topDown;
        EXPECT_TRUE(c.guardsIntact());
    }
}

// A 16-bit DIB section without masks is 5-5-5 whatever the format's layout:
// colours scale to the bitmap's own components.
TEST(DibContext, ColoursFollowTheBitmapLayout) {
    GltestDibContext c(4, 4, 16);
    ASSERT_NE(c.rc, nullptr);
    glDisable(GL_DITHER);
    glClearColor(0, 0.5f, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(c.pixel(3, 3), 16u << 5);
    glBegin(GL_POINTS);
    glColor3f(1, 0.5f, 0.25f);
    glVertex2f(1.5f, 1.5f);
    glEnd();
    EXPECT_EQ(c.pixel(1, 1), (31u << 10) | (16u << 5) | 8u);
}

// GL_NEVER draws nothing, and switching back draws again: the stage lists
// follow the depth function.
TEST(DibContext, DepthNeverAndBack) {
    GltestDibContext c(8, 8);
    ASSERT_NE(c.rc, nullptr);
    glEnable(GL_DEPTH_TEST);
    for (GLenum func : {GL_NEVER, GL_LESS}) {
        glDepthFunc(func);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 0, 0);
        glRectf(1, 1, 7, 7);
        glBegin(GL_LINES);
        glVertex2f(0.5f, 0.5f);
        glVertex2f(7.5f, 0.5f);
        glEnd();
        glBegin(GL_POINTS);
        glVertex2f(7.5f, 7.5f);
        glEnd();
        const uint32_t want = func == GL_NEVER ? 0u : 0xFF0000u;
        EXPECT_EQ(c.pixel(4, 4) & 0xFFFFFF, want) << "rectangle";
        EXPECT_EQ(c.pixel(3, 0) & 0xFFFFFF, want) << "line";
        EXPECT_EQ(c.pixel(7, 7) & 0xFFFFFF, want) << "point";
    }
}
