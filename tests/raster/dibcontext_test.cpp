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
