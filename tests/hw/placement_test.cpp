// Where window-coordinate consumers put their pixels on the board: the raster
// position, glDrawPixels, glBitmap, glCopyPixels, wide points and feedback
// against a software context drawing the same scene (OpenGL 1.1: a raster
// position of (4, 4) puts the lower-left pixel of a rectangle at pixel (4, 4);
// a point of odd size centres on the pixel holding its centre, of even size on
// the pixel corner nearest to it).

#include "hw_env.h"
#include "wgl/wgl.h"

namespace {

constexpr int kSize = 48;

// Raster positions in window coordinates (one unit per pixel), integer and
// fractional; each draws a 2x2 image, an 3x2 bitmap and copies a pixel.
const float kPositions[][2] = {{4, 4}, {13.25f, 4.75f}, {22.5f, 5.5f}, {31.875f, 6.125f}, {40, 12}};

void drawScene() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    const uint8_t image[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    const GLubyte bitmap[2] = {0xA0, 0x40};  // rows bottom up: X.X then .X.
    glColor3f(1, 1, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const auto& p : kPositions) {
        glRasterPos2f(p[0], p[1]);
        glDrawPixels(2, 2, GL_RGBA, GL_UNSIGNED_BYTE, image);
        glRasterPos2f(p[0], p[1] + 8);
        glBitmap(3, 2, 0, 0, 4, 0, bitmap);  // moves on: the second at x + 4
        glBitmap(3, 2, 0, 0, 0, 0, bitmap);
    }
    glRasterPos2i(4, 30);
    glCopyPixels(4, 4, 6, 2, GL_COLOR);
    const float points[4][3] = {{2, 4.3f, 40.6f}, {3, 13.7f, 41.2f}, {4, 22.5f, 39.5f}, {5, 33.2f, 42.8f}};
    for (const auto& p : points) {
        glPointSize(p[0]);
        glBegin(GL_POINTS);
        glVertex2f(p[1], p[2]);
        glEnd();
    }
    glFinish();
}

struct Picture {
    std::vector<HwRgb> pixels;
    GLfloat raster[4][4];  // GL_CURRENT_RASTER_POSITION after glRasterPos of kPositions[0..3]
    GLfloat feedback[8];   // a GL_2D point and a bitmap token's position
};

void queries(Picture* p) {
    for (int i = 0; i < 4; i++) {
        glRasterPos2f(kPositions[i][0], kPositions[i][1]);
        glGetFloatv(GL_CURRENT_RASTER_POSITION, p->raster[i]);
    }
    GLfloat buf[16] = {};
    glFeedbackBuffer(16, GL_2D, buf);
    glRenderMode(GL_FEEDBACK);
    glBegin(GL_POINTS);
    glVertex2f(7.25f, 9.5f);
    glEnd();
    glRasterPos2f(3.5f, 2.25f);
    const GLubyte bits[1] = {0x80};
    glBitmap(1, 1, 0, 0, 0, 0, bits);
    EXPECT_EQ(glRenderMode(GL_RENDER), 6);
    const GLfloat want[6] = {GL_POINT_TOKEN, 7.25f, 9.5f, GL_BITMAP_TOKEN, 3.5f, 2.25f};
    for (int i = 0; i < 6; i++) EXPECT_EQ(buf[i], want[i]) << "feedback word " << i;
}

Picture board() {
    Picture p;
    HwContext hw(false, kSize);
    drawScene();
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) p.pixels.push_back(hwtestPixel(RV_BUFFER_FRONT, x, y));
    queries(&p);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    return p;
}

Picture software() {
    Picture p;
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    __wglHardware = 0;
    {
        GltestDibContext c(kSize, kSize, 16, false, 16, true, masks);
        drawScene();
        for (int y = 0; y < kSize; y++)
            for (int x = 0; x < kSize; x++) p.pixels.push_back(hwtestExpand565((uint16_t)c.pixel(x, y)));
        queries(&p);
    }
    __wglHardware = 1;
    return p;
}

TEST(HwPlacement, RasterPositionPixelsAndFeedbackMatchSoftware) {
    const Picture b = board(), s = software();
    int drawn = 0;
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) {
            const HwRgb& sp = s.pixels[(size_t)y * kSize + x];
            const HwRgb& bp = b.pixels[(size_t)y * kSize + x];
            drawn += sp.r || sp.g || sp.b;
            ASSERT_TRUE(bp.r == sp.r && bp.g == sp.g && bp.b == sp.b)
                << "pixel " << x << "," << y << ": board " << bp.r << " " << bp.g << " " << bp.b << ", software "
                << sp.r << " " << sp.g << " " << sp.b;
        }
    EXPECT_EQ(drawn, 5 * (4 + 6) + 4 + 4 + 9 + 16 + 25);
    for (int i = 0; i < 4; i++)
        for (int k = 0; k < 2; k++) EXPECT_EQ(b.raster[i][k], kPositions[i][k]) << "raster position " << i;
    // The software image itself: (4, 4) draws its first pixel at (4, 4).
    EXPECT_EQ(s.pixels[4 * kSize + 4].r, 255);
    EXPECT_EQ(s.pixels[3 * kSize + 3].r, 0);
}

}  // namespace
