// glBitmap: placement at the raster position less the origin, the move, the
// unpack state of the image, and display lists.
#include <string.h>
#include "fragtest.h"

namespace {

// 10 x 3 bitmap, rows of 2 bytes padded to the default alignment of 4: the 6
// unused bits of each row are set and must never be drawn.
const GLubyte image10x3[12] = {0xA5, 0xFF, 0, 0, 0x3C, 0x7F, 0, 0, 0x81, 0xBF, 0, 0};

bool bitSet(const GLubyte* rows, int rowBytes, int col, int row) {
    return (rows[row * rowBytes + (col >> 3)] >> (7 - (col & 7))) & 1;
}

// Exactly the set bits of a w x h packed image at (x0, y0) differ from black.
::testing::AssertionResult drawnAt(const GltestDibContext& c, const GLubyte* rows, int rowBytes, int w, int h, int x0,
                                   int y0) {
    for (int y = 0; y < c.dib.height; y++)
        for (int x = 0; x < c.dib.width; x++) {
            const int col = x - x0, row = y - y0;
            const bool want = col >= 0 && col < w && row >= 0 && row < h && bitSet(rows, rowBytes, col, row);
            if ((c.pixel(x, y) != 0) != want)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << (want ? " not drawn" : " stray");
        }
    return ::testing::AssertionSuccess();
}

void rasterPosition(float out[4]) { glGetFloatv(GL_CURRENT_RASTER_POSITION, out); }

void setUnpack(GLint rowLength, GLint skipRows, GLint skipPixels, GLint alignment, bool lsbFirst) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_UNPACK_LSB_FIRST, lsbFirst);
}

}  // namespace

TEST(Bitmap, PlacementAndMove) {
    for (bool topDown : {true, false}) {
        GltestDibContext c(24, 12, 32, false, 32, topDown);
        ASSERT_NE(c.rc, nullptr);
        glColor3f(1, 1, 1);
        glRasterPos2f(5.25f, 6.75f);
        glBitmap(10, 3, 2, 1, 12, -1, image10x3);
        // Lower left at the raster position less the origin, rounded down.
        EXPECT_TRUE(drawnAt(c, image10x3, 4, 10, 3, 3, 5)) << topDown;
        float p[4];
        rasterPosition(p);
        EXPECT_FLOAT_EQ(p[0], 17.25f);
        EXPECT_FLOAT_EQ(p[1], 5.75f);

        // A zero-size bitmap only moves the raster position.
        glClear(GL_COLOR_BUFFER_BIT);
        glBitmap(0, 0, 0, 0, -3, 4, nullptr);
        rasterPosition(p);
        EXPECT_FLOAT_EQ(p[0], 14.25f);
        EXPECT_FLOAT_EQ(p[1], 9.75f);
        EXPECT_TRUE(fragtest::changed(c).empty());
        // Partly outside the drawable: clipped, guards intact.
        glBitmap(10, 3, -5.5f, -1, 0, 0, image10x3);
        EXPECT_TRUE(drawnAt(c, image10x3, 4, 10, 3, 19, 10)) << topDown;
        EXPECT_TRUE(c.guardsIntact());

        // An invalid raster position draws nothing and does not move.
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2f(-100, 0);
        glBitmap(10, 3, 0, 0, 1, 1, image10x3);
        EXPECT_TRUE(fragtest::changed(c).empty());
        glBitmap(-1, 3, 0, 0, 1, 1, image10x3);
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    }
}

// The client image is read under the unpack state: row length, skipped rows
// and pixels, row alignment and bit order.
TEST(Bitmap, UnpackState) {
    GltestDibContext c(16, 8, 32);
    ASSERT_NE(c.rc, nullptr);
    // Source: 4 rows of 24 pixels (3 bytes), each row padded to 4 bytes.
    const GLubyte src[16] = {0x00, 0xF0, 0x00, 0xEE, 0x00, 0x96, 0x00, 0xEE,
                             0x00, 0x5A, 0x00, 0xEE, 0x00, 0x0F, 0x00, 0xEE};
    // The 6 x 3 window at skip pixels 8, skip rows 1, MSB first.
    const GLubyte want[3] = {0x94, 0x58, 0x0C};  // rows of the window, bit 7 first
    const GLubyte wantLsb[3] = {0x68, 0x58, 0xF0};  // the same bytes read LSB first
    struct Case {
        bool lsbFirst;
        const GLubyte* rows;
    };
    for (const Case& k : {Case{false, want}, Case{true, wantLsb}}) {
        glClear(GL_COLOR_BUFFER_BIT);
        setUnpack(24, 1, 8, 4, k.lsbFirst);
        glColor3f(1, 1, 1);
        glRasterPos2i(2, 2);
        glBitmap(6, 3, 0, 0, 0, 0, src);
        EXPECT_TRUE(drawnAt(c, k.rows, 1, 6, 3, 2, 2)) << k.lsbFirst;
    }
    setUnpack(0, 0, 0, 4, false);
}

// A bitmap in a display list keeps the image as unpacked at compile time and
// moves the raster position on replay as the immediate call does.
TEST(Bitmap, DisplayList) {
    GltestDibContext c(24, 8, 32);
    ASSERT_NE(c.rc, nullptr);
    const GLubyte src[8] = {0x00, 0xA5, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00};  // 2 rows of 4 bytes
    const GLubyte rows[2] = {0xA5, 0x3C};
    setUnpack(32, 0, 8, 4, false);
    glNewList(1, GL_COMPILE);
    glBitmap(8, 2, 1, 0, 9, 2, src);
    glEndList();
    setUnpack(0, 0, 0, 1, true);  // different state at replay
    glColor3f(1, 1, 1);
    glRasterPos2i(2, 1);
    glCallList(1);
    glCallList(1);
    float p[4];
    rasterPosition(p);
    EXPECT_FLOAT_EQ(p[0], 2 + 18.0f);
    EXPECT_FLOAT_EQ(p[1], 1 + 4.0f);
    // Both copies drawn: at x 1 and 10, rows 1-2 and 3-4.
    for (int copy = 0; copy < 2; copy++)
        for (int row = 0; row < 2; row++)
            for (int col = 0; col < 8; col++)
                EXPECT_EQ(c.pixel(1 + 9 * copy + col, 1 + 2 * copy + row) != 0, bitSet(rows, 1, col, row))
                    << copy << " " << col << "," << row;
    EXPECT_EQ(c.pixel(0, 1), 0u);
    EXPECT_EQ(glIsList(1), (GLboolean)GL_TRUE);
}

// Feedback records a bitmap token at the raster position; selection and
// feedback draw nothing and move the raster position.
TEST(Bitmap, FeedbackAndSelect) {
    GltestDibContext c(16, 8, 32);
    ASSERT_NE(c.rc, nullptr);
    GLfloat buffer[8] = {};
    glFeedbackBuffer(8, GL_2D, buffer);
    glRenderMode(GL_FEEDBACK);
    glRasterPos2f(3.5f, 2.25f);
    glBitmap(10, 3, 0, 0, 2, 1, image10x3);
    EXPECT_EQ(glRenderMode(GL_RENDER), 3);
    EXPECT_EQ(buffer[0], (GLfloat)GL_BITMAP_TOKEN);
    EXPECT_FLOAT_EQ(buffer[1], 3.5f);
    EXPECT_FLOAT_EQ(buffer[2], 2.25f);
    GLuint names[4];
    glSelectBuffer(4, names);
    glRenderMode(GL_SELECT);
    glBitmap(10, 3, 0, 0, 2, 1, image10x3);
    glRenderMode(GL_RENDER);
    float p[4];
    rasterPosition(p);
    EXPECT_FLOAT_EQ(p[0], 7.5f);
    EXPECT_FLOAT_EQ(p[1], 4.25f);
    EXPECT_TRUE(fragtest::changed(c).empty());
}
