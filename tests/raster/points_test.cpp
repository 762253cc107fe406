// Points: pixel placement of aliased and antialiased points, fog of points,
// and the window clip box (viewport larger than the drawable, scissor).
#include <math.h>
#include "fragtest.h"

using fragtest::onlyRect;
using fragtest::point;
using fragtest::Rect;

namespace {

struct PlaceCase {
    float size;
    bool smooth;
    float x, y;  // GL window coordinates
    Rect covered;
};

// A pixel (x, y) holds window coordinates [x, x + 1) x [y, y + 1).
const PlaceCase placeCases[] = {
    {1, false, 10.5f, 20.5f, {10, 20, 10, 20}},
    {1, false, 9.99f, 20.5f, {9, 20, 9, 20}},
    {1, false, 10.0f, 20.0f, {10, 20, 10, 20}},
    {2, false, 10.2f, 19.7f, {9, 19, 10, 20}},  // even: the pixel corner nearest the centre
    {3, false, 10.2f, 19.7f, {9, 18, 11, 20}},
    {4, false, 10.5f, 20.5f, {9, 19, 12, 22}},
    {1, true, 10.5f, 20.5f, {10, 20, 10, 20}},  // centred like the aliased point
    {3, true, 10.5f, 20.5f, {9, 19, 11, 21}},
    {2, true, 10.0f, 20.0f, {9, 19, 10, 20}},
};

}  // namespace

TEST(Points, Placement) {
    for (bool topDown : {true, false}) {
        GltestDibContext c(32, 32, 32, false, 32, topDown);
        ASSERT_NE(c.rc, nullptr);
        for (const PlaceCase& k : placeCases) {
            glClear(GL_COLOR_BUFFER_BIT);
            glPointSize(k.size);
            if (k.smooth) glEnable(GL_POINT_SMOOTH);
            else glDisable(GL_POINT_SMOOTH);
            glColor3f(1, 1, 1);
            point(k.x, k.y);
            EXPECT_TRUE(onlyRect(c, k.covered)) << "size " << k.size << (k.smooth ? " smooth" : "") << " at " << k.x
                                                << "," << k.y << (topDown ? " top-down" : " bottom-up");
        }
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Coverage of antialiased points: alpha scaled by it (seen through blending
// on black), and in colour index the low four bits.
TEST(Points, AntialiasCoverage) {
    {
        GltestDibContext c(16, 16, 32);
        ASSERT_NE(c.rc, nullptr);
        glEnable(GL_POINT_SMOOTH);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
        glColor4f(1, 1, 1, 1);
        glPointSize(1);
        point(5.5f, 5.5f);  // 12 of 16 samples within radius 0.5
        EXPECT_EQ(c.red(5, 5), 191);
        glPointSize(3);
        point(10.5f, 10.5f);
        EXPECT_EQ(c.red(10, 10), 255);  // centre fully covered
        EXPECT_EQ(c.red(9, 10), 255);   // the nearest sample is 0.625 away: all inside 1.5
        EXPECT_LT(c.red(9, 9), 255);    // corner partly covered
        EXPECT_GT(c.red(9, 9), 0);
    }
    {
        GltestDibContext c(16, 16, 8, true);
        ASSERT_NE(c.rc, nullptr);
        glDisable(GL_DITHER);
        glEnable(GL_POINT_SMOOTH);
        glIndexi(0x53);
        glPointSize(1);
        point(5.5f, 5.5f);
        EXPECT_EQ(c.pixel(5, 5), 0x5Bu);  // 0.75 x 15 + 0.5 -> 11
        glPointSize(3);
        point(10.5f, 10.5f);
        EXPECT_EQ(c.pixel(10, 10), 0x5Fu);
        EXPECT_EQ(c.pixel(12, 10), 0u);
    }
}

namespace {

struct FogCase {
    GLenum mode;
    float density, start, end;
};

const FogCase fogCases[] = {
    {GL_LINEAR, 0, 0.2f, 0.8f},
    {GL_EXP, 1.5f, 0, 0},
    {GL_EXP2, 1.5f, 0, 0},
    {GL_LINEAR, 0, 0.5f, 0.5f},  // start = end: 1 before the end, 0 from it
};

double fogFactor(const FogCase& k, double z) {
    z = fabs(z);
    double f;
    if (k.mode == GL_LINEAR) f = k.start == k.end ? (z < k.end ? 1.0 : 0.0) : (k.end - z) / (k.end - k.start);
    else if (k.mode == GL_EXP) f = exp(-k.density * z);
    else f = exp(-(k.density * z) * (k.density * z));
    return f < 0 ? 0 : f > 1 ? 1 : f;
}

const float fogDepths[] = {-0.1f, 0.3f, -0.5f, 0.7f, -0.95f};

void setFog(const FogCase& k, GLenum hint) {
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, (GLint)k.mode);
    glFogf(GL_FOG_DENSITY, k.density);
    glFogf(GL_FOG_START, k.start);
    glFogf(GL_FOG_END, k.end);
    glHint(GL_FOG_HINT, hint);
}

}  // namespace

// Size-1 points read back as f x c + (1 - f) x fog colour (index: i + (1 - f)
// x fog index), per vertex and per fragment (GL_NICEST).
TEST(Points, Fog) {
    const float color[3] = {0.8f, 0.4f, 0.2f};
    const float fogColor[4] = {0.1f, 0.6f, 1.0f, 1.0f};
    for (bool rgba : {true, false}) {
        GltestDibContext c(16, 4, rgba ? 32 : 8, !rgba);
        ASSERT_NE(c.rc, nullptr);
        glDisable(GL_DITHER);
        glFogfv(GL_FOG_COLOR, fogColor);
        glFogf(GL_FOG_INDEX, 100);
        for (const FogCase& k : fogCases)
            for (GLenum hint : {GL_DONT_CARE, GL_NICEST}) {
                glClear(GL_COLOR_BUFFER_BIT);
                setFog(k, hint);
                glColor3fv(color);
                glIndexi(10);
                for (int i = 0; i < 5; i++) point(2.5f + 3 * i, 1.5f, fogDepths[i]);
                for (int i = 0; i < 5; i++) {
                    const double f = fogFactor(k, fogDepths[i]);
                    const int x = 2 + 3 * i;
                    const auto what = ::testing::Message() << "mode " << std::hex << k.mode << " hint " << hint
                                                           << std::dec << " z " << fogDepths[i] << " f " << f
                                                           << (rgba ? " rgba" : " index");
                    if (rgba) {
                        const int got[3] = {c.red(x, 1), c.green(x, 1), c.blue(x, 1)};
                        for (int j = 0; j < 3; j++)
                            EXPECT_NEAR(got[j], 255 * (f * color[j] + (1 - f) * fogColor[j]), 1.0) << what << " channel " << j;
                    } else {
                        EXPECT_NEAR((double)c.pixel(x, 1), 10 + (1 - f) * 100, 1.0) << what;
                    }
                }
            }
    }
}

// Points take the texel first and the fog after it, as every other primitive
// does: f x (texel x colour) + (1 - f) x fog colour, for each kind of point
// (antialiased points are textured too).
TEST(Points, TextureThenFog) {
    struct Kind {
        float size;
        bool smooth;
    } kinds[] = {{1, false}, {3, false}, {3, true}};
    const GLubyte texel[4] = {128, 255, 64, 255};
    const float color[3] = {0.8f, 0.4f, 0.6f};
    const float fogColor[4] = {0.1f, 0.6f, 1.0f, 1.0f};
    const FogCase linear = {GL_LINEAR, 0, 0.2f, 0.8f};
    GltestDibContext c(16, 4, 32);
    ASSERT_NE(c.rc, nullptr);
    glDisable(GL_DITHER);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glFogfv(GL_FOG_COLOR, fogColor);
    for (bool fog : {false, true})
        for (GLenum hint : {GL_DONT_CARE, GL_NICEST})
            for (const Kind& k : kinds) {
                glClear(GL_COLOR_BUFFER_BIT);
                if (fog) setFog(linear, hint);
                else glDisable(GL_FOG);
                glPointSize(k.size);
                if (k.smooth) glEnable(GL_POINT_SMOOTH);
                else glDisable(GL_POINT_SMOOTH);
                glColor3fv(color);
                glTexCoord2f(0.5f, 0.5f);
                point(5.5f, 1.5f, -0.5f);
                const double f = fog ? fogFactor(linear, -0.5) : 1.0;
                const int got[3] = {c.red(5, 1), c.green(5, 1), c.blue(5, 1)};
                for (int j = 0; j < 3; j++)
                    EXPECT_NEAR(got[j], 255 * (f * (texel[j] / 255.0) * color[j] + (1 - f) * fogColor[j]), 1.5)
                        << "size " << k.size << (k.smooth ? " smooth" : "") << (fog ? " fogged" : "") << " hint "
                        << std::hex << hint << std::dec << " channel " << j;
            }
}

// Fragments outside the drawable or the scissor box are never written.
TEST(Points, ClipBox) {
    struct At {
        float x, y;
    };
    const At outside[] = {{-0.5f, 5.5f}, {16.5f, 5.5f}, {5.5f, -0.5f}, {5.5f, 16.5f}, {-3.5f, -3.5f}, {20.5f, 20.5f}};
    for (bool topDown : {true, false})
        for (int mode = 0; mode < 3; mode++) {  // size 1, size 3, antialiased size 3
            GltestDibContext c(16, 16, 32, false, 32, topDown);
            ASSERT_NE(c.rc, nullptr);
            // A viewport larger than the drawable, one unit per pixel.
            gltestPixelViewport(-8, -8, 32, 32);
            glPointSize(mode ? 3.0f : 1.0f);
            if (mode == 2) glEnable(GL_POINT_SMOOTH);
            glColor3f(1, 1, 1);
            for (const At& a : outside) point(a.x, a.y);
            const auto what = ::testing::Message() << "mode " << mode << (topDown ? " top-down" : " bottom-up");
            EXPECT_TRUE(c.guardsIntact()) << what;
            // Only the parts of the 3x3 squares that lie in the drawable.
            if (mode == 0) EXPECT_TRUE(onlyRect(c, {1, 0, 0, 0})) << what;
            else EXPECT_EQ(fragtest::changed(c).size(), 12u) << what;

            glClear(GL_COLOR_BUFFER_BIT);
            glEnable(GL_SCISSOR_TEST);
            glScissor(4, 5, 6, 3);
            for (int y = 0; y < 16; y++)
                for (int x = 0; x < 16; x++) point(x + 0.5f, y + 0.5f);
            EXPECT_TRUE(onlyRect(c, {4, 5, 9, 7})) << what;
            EXPECT_TRUE(c.guardsIntact()) << what;
        }
}
