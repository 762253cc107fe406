// Hardware validation and the frame-buffer paths: raster flags and vertex key
// for a table of states, no span pickers; points on the board; fragments
// (glBitmap) stored through the frame-buffer lock, every lock released.

#include <string.h>
#include <functional>
#include "hw_env.h"
#include "hw/hwcontext.h"

namespace {

const GLint kBias = GL_HW_WINDOW_BIAS;

void flat() { glShadeModel(GL_FLAT); }

// A complete 2 x 2 RGB texture bound and enabled.
void texture(GLint min, GLint mag) {
    static const GLubyte texels[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
    glEnable(GL_TEXTURE_2D);
}

// One point, validated and drawn.
void point(float x, float y) {
    glBegin(GL_POINTS);
    glVertex2f(x, y);
    glEnd();
}

// The set of lit pixels of the back buffer in the first 32x32.
struct Box {
    int x0, y0, x1, y1;  // exclusive x1, y1; empty when x0 == x1
};
Box litBox() {
    Box b = {32, 32, 0, 0};
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
            if (rvSimPixel(RV_BUFFER_BACK, x, y)) {
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x + 1), b.y1 = std::max(b.y1, y + 1);
            }
    return b.x1 ? b : Box{0, 0, 0, 0};
}
int litCount() {
    int n = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) n += rvSimPixel(RV_BUFFER_BACK, x, y) != 0;
    return n;
}

void expectLocksPaired() {
    EXPECT_EQ(hwtestBoard().locksHeld, 0u);
    EXPECT_EQ(hwtestCalls("rvLfbLock").size(), hwtestCalls("rvLfbUnlock").size());
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

TEST(HwValidate, RasterFlagsAndVertexKeyFollowTheState) {
    const struct {
        const char* name;
        std::function<void()> set;
        GLuint flags;      // the whole raster flags word
        GLuint rasterKey;  // key bits 0x00FF8000
        GLuint vertexKey;  // key bits 0x7F00
    } cases[] = {
        {"flat", [] {}, 0x1, 0, 0},
        {"smooth", [] { glShadeModel(GL_SMOOTH); }, 0x20003, 0xA00000, 0x800},
        {"blend", [] { glEnable(GL_BLEND); }, 0x101, 0x8000, 0},
        {"blend and logic op", [] { glEnable(GL_BLEND), glEnable(GL_COLOR_LOGIC_OP); }, 0x81, 0, 0},
        {"alpha test", [] { glEnable(GL_ALPHA_TEST); }, 0x201, 0x10000, 0},
        {"colour masked", [] { glColorMask(0, 0, 0, 1); }, 0x801, 0, 0},
        {"depth test", [] { glEnable(GL_DEPTH_TEST); }, 0x4005, 0x40000, 0},
        {"cull", [] { glEnable(GL_CULL_FACE); }, 0x10001, 0, 0},
        {"fog per vertex", [] { glEnable(GL_FOG); }, 0x2003, 0x600000, 0x4A00},
        // The board fogs no fragment: GL_NICEST fogs the vertices as the other hints do.
        {"fog nicest", [] { glEnable(GL_FOG), glHint(GL_FOG_HINT, GL_NICEST); }, 0x2003, 0x600000, 0x4A00},
        {"lighting", [] { glEnable(GL_LIGHTING), glEnable(GL_LIGHT0); }, 0x1, 0, 0x0C00},
        {"lighting local viewer", [] {
             glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
         }, 0x1, 0, 0x4C00},
        {"two-sided lighting", [] {
             glEnable(GL_LIGHTING), glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
         }, 0x401, 0x20000, 0x1C00},
        {"clip plane", [] { glEnable(GL_CLIP_PLANE0); }, 0x1, 0, 0x4000},
        // A complete 2-D texture of one level: texturing without mipmaps, in
        // perspective unless GL_FASTEST meets equal filters.
        {"texture", [] { texture(GL_NEAREST, GL_NEAREST); }, 0x1800009, 0x180000, 0x2100},
        {"texture fastest", [] { texture(GL_NEAREST, GL_NEAREST), glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST); },
         0x800009, 0x80000, 0x2000},
        {"texture fastest, filters differ", [] {
             texture(GL_NEAREST, GL_LINEAR), glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
         }, 0x1800009, 0x180000, 0x2100},
        // Fog of a textured primitive is the fragments'.
        {"texture and fog", [] { texture(GL_NEAREST, GL_NEAREST), glEnable(GL_FOG); }, 0x1801009, 0x180000, 0x6300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HwContext hw;
        flat();
        c.set();
        point(4.5f, 4.5f);
        const GlContext* gc = __glCurrentContext();
        const GLuint key = __glHw((GlContext*)gc)->hwVertexKey;
        EXPECT_EQ(gc->rasterFlags, c.flags);
        EXPECT_EQ(key & 0x00FF8000u, c.rasterKey);
        EXPECT_EQ(key & 0x7F00u, c.vertexKey);
        EXPECT_EQ(!!(key & GL_HW_KEY_LIGHTING), !!glIsEnabled(GL_LIGHTING));
        // The board rasterizes: no span stages were built, the point went to the library.
        EXPECT_EQ(gc->spanStageCount, 0u);
        EXPECT_EQ(hwtestCalls("rvDrawPoint").size(), 1u);
    }
}

TEST(HwPoints, LandOnTheBoardAtTheirPixels) {
    const struct {
        float size, x, y;
        Box box;
    } cases[] = {
        {1, 10.5f, 20.5f, {10, 20, 11, 21}},
        {1, 10.9f, 20.1f, {10, 20, 11, 21}},
        {3, 10.7f, 20.2f, {9, 19, 12, 22}},  // odd: centred on the pixel holding the centre
        {2, 10.7f, 20.2f, {10, 19, 12, 21}},  // even: centred on the nearest pixel corner
        {4, 5.5f, 5.5f, {4, 4, 8, 8}},
        {3, 7.2f, 9.9f, {6, 8, 9, 11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " at " << c.x);
        for (GLenum cull : {GL_FRONT, GL_BACK}) {
            HwContext hw;
            glEnable(GL_CULL_FACE);  // the square is wound so that it is never culled
            glCullFace(cull);
            glPointSize(c.size);
            glColor3f(1, 0, 0);
            point(c.x, c.y);
            const Box b = litBox();
            EXPECT_EQ(b.x0, c.box.x0);
            EXPECT_EQ(b.y0, c.box.y0);
            EXPECT_EQ(b.x1, c.box.x1);
            EXPECT_EQ(b.y1, c.box.y1);
            EXPECT_EQ(litCount(), (c.box.x1 - c.box.x0) * (c.box.y1 - c.box.y0));
            EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, c.box.x0, c.box.y0), 0xF800);
            EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
        }
    }
}

TEST(HwPoints, SmoothPointsAreFansOfAntialiasedTriangles) {
    const struct {
        float size;
        size_t aaPoints, aaTriangles;
    } cases[] = {{1.0f, 1, 0}, {1.5f, 0, 3}, {4.0f, 0, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        HwContext hw;
        glEnable(GL_POINT_SMOOTH);
        glEnable(GL_CULL_FACE);
        glPointSize(c.size);
        point(16, 16);
        EXPECT_EQ(hwtestCalls("rvAADrawPoint").size(), c.aaPoints);
        const auto tris = hwtestCalls("rvAADrawTriangle");
        EXPECT_EQ(tris.size(), c.aaTriangles);
        if (c.aaTriangles) {
            EXPECT_GT(litCount(), 0);  // none of them culled
        }
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}

// An 8x2 bitmap: rows 0xA5 and 0xFF.
const GLubyte kBits[2] = {0xA5, 0xFF};

// Lower-left corner on pixel (x, y).
void bitmapAt(int x, int y) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2f((float)x + 0.5f, (float)y + 0.5f);
    glBitmap(8, 2, 0, 0, 0, 0, kBits);
}

TEST(HwFragments, BitmapsReachTheBoardThroughTheLock) {
    HwContext hw;
    glDisable(GL_DITHER);
    glColor3f(0.0f, 1.0f, 0.0f);
    bitmapAt(4, 6);
    for (int i = 0; i < 8; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 4 + i, 6), (0xA5 >> (7 - i) & 1) ? 0x07E0 : 0);
        EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 4 + i, 7), 0x07E0);
    }
    EXPECT_EQ(litCount(), 12);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_FRONT, 4, 7), 0);
    EXPECT_GT(hwtestCalls("rvLfbLock").size(), 0u);
    expectLocksPaired();
}

TEST(HwFragments, StoresHonourClipMaskBlendAndLogicOp) {
    const struct {
        const char* name;
        std::function<void()> set;
        uint16_t board, want;  // pixel before, after a bitmap in (0, 1, 0)
        int stored;            // pixels that changed
    } cases[] = {
        {"plain", [] {}, 0, 0x07E0, 12},
        // The scissor box cuts the bitmap's columns at x = 7.
        {"scissor", [] { glEnable(GL_SCISSOR_TEST), glScissor(0, 0, 7, 32); }, 0, 0x07E0, 5},
        {"colour masked", [] { glColorMask(0, 0, 0, 1); }, 0xFFFF, 0xFFFF, 0},
        {"blend one one", [] { glEnable(GL_BLEND), glBlendFunc(GL_ONE, GL_ONE); }, 0xF800, 0xFFE0, 12},
        {"xor", [] { glEnable(GL_COLOR_LOGIC_OP), glLogicOp(GL_XOR); }, 0xFFFF, 0xF81F, 12},
        {"draw buffer none", [] { glDrawBuffer(GL_NONE); }, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HwContext hw;
        glDisable(GL_DITHER);
        const HwRgb rgb = {(c.board >> 11) * 255 / 31, ((c.board >> 5) & 63) * 255 / 63, (c.board & 31) * 255 / 31};
        glClearColor(rgb.r / 255.0f, rgb.g / 255.0f, rgb.b / 255.0f, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        ASSERT_EQ(rvSimPixel(RV_BUFFER_BACK, 5, 7), c.board);
        c.set();
        glColor3f(0.0f, 1.0f, 0.0f);
        bitmapAt(4, 6);
        int changed = 0;
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++) {
                const uint16_t p = rvSimPixel(RV_BUFFER_BACK, x, y);
                if (p == c.board) continue;
                changed++;
                EXPECT_EQ(p, c.want) << x << "," << y;
            }
        EXPECT_EQ(changed, c.stored);
        expectLocksPaired();
    }
}

TEST(HwFragments, ReadsAndDirectStoresKeepToTheBoardAndClipBox) {
    const struct {
        GLfloat clear[3];
        GLfloat want[4];
    } cases[] = {
        // The board keeps no alpha: it reads as full.
        {{1, 1, 1}, {255, 255, 255, 255}},
        {{1, 0, 0}, {255, 0, 0, 255}},
        {{0, 1, 0}, {0, 255, 0, 255}},
        {{0, 0, 1}, {0, 0, 255, 255}},
    };
    HwContext hw;
    GlContext* gc = __glCurrentContext();
    for (const auto& c : cases) {
        glClearColor(c.clear[0], c.clear[1], c.clear[2], 1);
        glClear(GL_COLOR_BUFFER_BIT);
        GLfloat got[4] = {-1, -1, -1, -1};
        gc->fb.back.readPixel(&gc->fb.back, kBias + 3, kBias + 3, got);
        for (int i = 0; i < 4; i++) EXPECT_EQ(got[i], c.want[i]) << i;
        // Outside the board: nothing read, nothing held.
        gc->fb.back.readPixel(&gc->fb.back, kBias + GL_HW_WIDTH, kBias, got);
        EXPECT_EQ(got[0], 0.0f);
    }
    // Fragments beyond the board's columns are not written (the clip box
    // alone would not stop a direct store): x = 1024 would address (0, 1).
    gc->span.clipBox[2] = kBias + 4096;
    const uint16_t before = rvSimPixel(RV_BUFFER_BACK, 0, 1);
    for (GLint x : {(GLint)GL_HW_WIDTH, 1024, -1}) {
        const GlFragment f = {kBias + x, kBias, 0, {255, 255, 0, 255}};
        gc->fb.back.storeFragment(&gc->fb.back, &f);
    }
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 0, 1), before);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, GL_HW_WIDTH - 1, 0), before);
    // Direct span stores stop at the clip box.
    gc->span.clipBox[2] = kBias + 6;
    GLfloat white[8][4];
    for (auto& c : white) c[0] = c[1] = c[2] = c[3] = 255.0f;
    gc->fb.back.storeSpanA(&gc->fb.back, kBias + 2, kBias + 2, &white[0][0], 8);
    for (int x = 2; x < 10; x++) EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, x, 2), x < 6 ? 0xFFFF : before) << x;
    expectLocksPaired();
}

// The generic rectangle paths read and store through the colour buffer's
// single-pixel procedures: unsigned-byte RGB in and out of the board.
TEST(HwFragments, PixelRectanglesRoundTripThroughTheBoard) {
    HwContext hw;
    glDisable(GL_DITHER);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const GLubyte image[2][3][3] = {{{0x12, 0x34, 0x56}, {255, 0, 0}, {0, 255, 0}},
                                    {{0, 0, 255}, {255, 255, 255}, {0, 0, 0}}};
    glRasterPos2f(5.5f, 7.5f);
    glDrawPixels(3, 2, GL_RGB, GL_UNSIGNED_BYTE, image);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 5, 7), 0x11AA);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 6, 7), 0xF800);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 7, 7), 0x07E0);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 5, 8), 0x001F);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 6, 8), 0xFFFF);
    EXPECT_EQ(litCount(), 5);
    GLubyte back[2][3][4];
    memset(back, 0xEE, sizeof back);
    glReadPixels(5, 7, 3, 2, GL_RGBA, GL_UNSIGNED_BYTE, back);
    const GLubyte want[2][3][4] = {{{0x10, 0x34, 0x52, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}},
                                   {{0, 0, 255, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}}};
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++)
            for (int k = 0; k < 4; k++) EXPECT_EQ(back[y][x][k], want[y][x][k]) << y << "," << x << "," << k;
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    expectLocksPaired();
}

// Bitmaps and pixel rectangles test and write the board's depth buffer, with
// the depth function and write mask set at the time: a triangle drawn by the
// board hides them, and what they write hides the board's triangles.
TEST(HwFragments, PixelFragmentsTestAndWriteTheBoardsDepth) {
    const struct {
        const char* name;
        std::function<void()> set;
        float rasterZ;      // eye z of the raster position (window z 0.5 - z / 2)
        bool drawn;         // the bitmap's pixels reach the colour buffer
        uint16_t depthAfter;
    } cases[] = {
        {"less, nearer", [] {}, 0.5f, true, 16383},
        {"less, behind the triangle", [] {}, -0.5f, false, 32767},
        {"greater", [] { glDepthFunc(GL_GREATER); }, -0.5f, true, 49151},
        {"equal", [] { glDepthFunc(GL_EQUAL); }, 0.0f, true, 32767},
        {"never", [] { glDepthFunc(GL_NEVER); }, 0.5f, false, 32767},
        {"always, no writes", [] { glDepthFunc(GL_ALWAYS), glDepthMask(GL_FALSE); }, -0.5f, true, 32767},
        {"test off", [] { glDisable(GL_DEPTH_TEST); }, -0.5f, true, 32767},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HwContext hw;
        glDisable(GL_DITHER);
        glEnable(GL_DEPTH_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 0, 0);
        glRectf(0, 0, 16, 16);  // window z 0.5
        ASSERT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 5, 6), 32767);
        c.set();
        glColor3f(0, 1, 0);
        glRasterPos3f(4.5f, 6.5f, c.rasterZ);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glBitmap(8, 2, 0, 0, 0, 0, kBits);
        EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 5, 7), c.drawn ? 0x07E0 : 0xF800);
        EXPECT_NEAR(rvSimPixel(RV_BUFFER_DEPTH, 5, 7), c.depthAfter, 1);
        EXPECT_EQ(rvSimPixel(RV_BUFFER_DEPTH, 5, 9), 32767);  // beside the bitmap
        expectLocksPaired();
    }

    // Depth pixels go to the board (in the raster colour) and read back from it.
    HwContext hw;
    glDisable(GL_DITHER);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glClear(GL_DEPTH_BUFFER_BIT);
    const GLfloat depths[2] = {0.25f, 0.75f};
    glColor3f(0, 0, 1);
    glRasterPos2f(3.5f, 3.5f);
    glDrawPixels(2, 1, GL_DEPTH_COMPONENT, GL_FLOAT, depths);
    EXPECT_NEAR(rvSimPixel(RV_BUFFER_DEPTH, 3, 3), 16384, 1);
    EXPECT_NEAR(rvSimPixel(RV_BUFFER_DEPTH, 4, 3), 49151, 1);
    GLfloat back[2] = {-1, -1};
    glReadPixels(3, 3, 2, 1, GL_DEPTH_COMPONENT, GL_FLOAT, back);
    EXPECT_NEAR(back[0], 0.25f, 1e-4f);
    EXPECT_NEAR(back[1], 0.75f, 1e-4f);
    // A triangle at window z 0.5 is hidden where the drawn depth is nearer.
    glDepthFunc(GL_LESS);
    glColor3f(1, 1, 1);
    glRectf(0, 0, 8, 8);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 3, 3), 0x001F);
    EXPECT_EQ(rvSimPixel(RV_BUFFER_BACK, 4, 3), 0xFFFF);
    expectLocksPaired();
}

}  // namespace
