// Level of detail and filter choice of the generic renderer: the switch value,
// lambda, the level a mipmap filter samples, per-vertex rho of polygons and
// lines, pre-scaled coordinates, texel wrap at negative coordinates, bordered
// 1-D textures and colour-index textures.
#include <math.h>
#include <string.h>
#include "gldib.h"
#include "core/glcontext.h"
#include "texture/texsample.h"

namespace {

// Level l of an 8x8 RGB texture in one colour each: red, green, blue, white.
const unsigned char kLevelColor[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

void levelColoredTexture(GLenum min, GLenum mag) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int l = 0; l < 4; l++) {
        const int n = 8 >> l;
        unsigned char img[8 * 8 * 3];
        for (int i = 0; i < n * n; i++) memcpy(&img[i * 3], kLevelColor[l], 3);
        glTexImage2D(GL_TEXTURE_2D, l, GL_RGB, n, n, 0, GL_RGB, GL_UNSIGNED_BYTE, img);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)mag);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
}

// Validates (a zero-size draw) and textures one colour through the
// interpolated-fragment procedure.
void textureOne(GLfloat s, GLfloat t, GLfloat rho, GLfloat* color) {
    glBegin(GL_POINTS);
    glEnd();
    GlContext* gc = __glCurrentContext();
    for (int i = 0; i < 4; i++) color[i] = 0.0f;
    gc->procs.textureInterpolated(gc, color, s, t, rho);
}

}  // namespace

// Which level (or blend of levels) a fragment gets for its squared scale
// factor. A linear magnification beside a nearest-texel minification switches
// at rho squared 2 (c = 0.5), every other pair at 1; not-a-number is magnified.
TEST(TexLod, FilterAndLevelByRho) {
    struct Case {
        GLenum min, mag;
        float rho;
        float w[4];  // weights of the level colours
    } cases[] = {
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, 2.0f, {1, 0, 0, 0}},     // lambda 0.5: level 0
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, 2.04f, {0, 1, 0, 0}},    // lambda 0.51: level 1
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, 4.0f, {0, 1, 0, 0}},
        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, 1.9f, {1, 0, 0, 0}},       // below 2: magnified
        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, 2.5f, {0.375f, 0.625f, 0, 0}},
        {GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR, 2.04f, {0, 1, 0, 0}},     // above 2: minified
        {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, 2.04f, {0, 1, 0, 0}},      // above 1: level 1
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 1.5f, {0.75f, 0.25f, 0, 0}},
        {GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, 16.0f, {0, 0, 1, 0}},
        {GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST, 64.0f, {0, 0, 0, 1}},     // lambda 3 = the last level
        {GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, 1e30f, {0, 0, 0, 1}},
        {GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, INFINITY, {0, 0, 0, 1}},
        {GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, NAN, {1, 0, 0, 0}},
        {GL_LINEAR, GL_NEAREST, 1.0f, {1, 0, 0, 0}},
    };
    for (const Case& k : cases) {
        GltestDibContext c(8, 8);
        levelColoredTexture(k.min, k.mag);
        GLfloat color[4];
        // The centre of texel (2, 2) of level 0, normalised unless pre-scaled.
        const bool mip = k.min != GL_LINEAR && k.min != GL_NEAREST;
        textureOne(mip ? 0.3125f : 2.5f, mip ? 0.3125f : 2.5f, k.rho, color);
        for (int ch = 0; ch < 3; ch++) {
            float e = 0;
            for (int l = 0; l < 4; l++) e += k.w[l] * kLevelColor[l][ch];
            EXPECT_NEAR(color[ch], e, 0.01f) << std::hex << k.min << " " << k.mag << " rho " << k.rho << " ch " << ch;
        }
    }
}

// Half the piecewise-linear log2: exact at powers of two.
TEST(TexLod, LambdaOfRho) {
    const float cases[][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.5f, 0.25f}, {2.0f, 0.5f},
                              {3.0f, 0.75f}, {4.0f, 1.0f}, {6.0f, 1.25f}, {1024.0f, 5.0f}};
    for (const auto& k : cases) EXPECT_FLOAT_EQ(__glTexLambda(k[0]), k[1]) << "rho " << k[0];
}

// Nearest texels of texel-unit coordinates take the floor: under GL_REPEAT
// -0.5 is the last column and -1.5 the one before; clamping holds the ends;
// not-a-number stays inside. Linear under GL_CLAMP at s = 0 is half border.
TEST(TexLod, TexelIndexOfCoordinate) {
    unsigned char row[8 * 3];
    for (int i = 0; i < 8; i++) row[i * 3] = (unsigned char)(20 * i + 10), row[i * 3 + 1] = 0, row[i * 3 + 2] = 0;
    struct Case { GLenum filter, wrap; float s; float red; } cases[] = {
        {GL_NEAREST, GL_REPEAT, -0.5f, 150}, {GL_NEAREST, GL_REPEAT, -1.5f, 130},
        {GL_NEAREST, GL_REPEAT, 7.99f, 150}, {GL_NEAREST, GL_REPEAT, 8.0f, 10},
        {GL_NEAREST, GL_REPEAT, 1e30f, 10},  {GL_NEAREST, GL_REPEAT, NAN, 10},
        {GL_NEAREST, GL_CLAMP, -0.5f, 10},   {GL_NEAREST, GL_CLAMP, 8.5f, 150},
        {GL_NEAREST, GL_CLAMP, NAN, 10},     {GL_LINEAR, GL_CLAMP, 0.0f, 5},  // border red 0
        {GL_LINEAR, GL_CLAMP, 8.0f, 75},     {GL_LINEAR, GL_REPEAT, 0.0f, 80},
        {GL_LINEAR, GL_REPEAT, 1.25f, 25},
    };
    for (const Case& k : cases) {
        GltestDibContext c(8, 8);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, row);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)k.filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)k.filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (GLint)k.wrap);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glEnable(GL_TEXTURE_2D);
        GLfloat color[4];
        textureOne(k.s, 0.5f, 0.0f, color);
        EXPECT_NEAR(color[0], k.red, 0.01f) << k.filter << " " << k.wrap << " s " << k.s;
    }
}

// rho squared of a polygon vertex from the span state's gradients of s/w,
// t/w and 1/w: the larger of the x and y central differences, in level-0
// texels unless pre-scaled; t counts for nothing in a 1-D texture.
TEST(TexLod, PolygonVertexRho) {
    struct Case {
        bool oneD, preScaled;
        float dx[3], dy[3];  // ds, dt, dq per pixel
        float s, t, q;
        float rho;
    } cases[] = {
        {false, false, {0.25f, 0, 0}, {0, 0.125f, 0}, 0.5f, 0.5f, 1.0f, 4.0f},   // 8 x 0.25 = 2 texels a pixel
        {false, false, {0, 0, 0}, {0.0625f, 0.0625f, 0}, 0, 0, 1.0f, 0.5f},      // along y: 0.5^2 + 0.5^2
        {false, true, {2.0f, 0, 0}, {0, 1.0f, 0}, 3, 1, 1.0f, 4.0f},             // texel units
        {true, false, {0.125f, 1.0f, 0}, {0, 5.0f, 0}, 0.5f, 0.5f, 1.0f, 1.0f},  // 1-D: t ignored
        // s/q with q = 1 - x/8: derivative at x = 0 of (s0 + x/8) / (1 - x/8)
        // by central differences: ((1/8)/(7/8) + (1/8)/(9/8)) x 8 texels.
        {false, false, {0.125f, 0, -0.125f}, {0, 0, 0}, 0, 0, 1.0f, 0.0f},
    };
    const float perspective = (0.125f / 0.875f + 0.125f / 1.125f) * 8.0f;
    cases[4].rho = 0.25f * perspective * perspective;
    for (const Case& k : cases) {
        GltestDibContext c(8, 8);
        unsigned char img[8 * 8 * 3] = {};
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (k.oneD) {
            glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, img);
            glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glEnable(GL_TEXTURE_1D);
        } else {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, img);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glEnable(GL_TEXTURE_2D);
        }
        glBegin(GL_POINTS);
        glEnd();
        GlContext* gc = __glCurrentContext();
        ASSERT_EQ(gc->procs.texLodPolygon, __glTexLodPolygon);  // minification and magnification differ
        gc->texCoordsPreScaled = k.preScaled;
        GlSpanState st = gc->span;
        memcpy(st.textureDx, k.dx, sizeof k.dx);
        memcpy(st.textureDy, k.dy, sizeof k.dy);
        EXPECT_NEAR(__glTexLodPolygon(gc, &st, k.s, k.t, k.q), k.rho, 1e-4f * k.rho)
            << "dx " << k.dx[0] << " 1-D " << k.oneD;
    }
}

// Level of detail end to end: the quad's size picks the level on triangles,
// the line's length on lines (8 pixels over 8 texels: level 0; 4: level 1;
// 2: level 2), and a one-filter texture computes none.
TEST(TexLod, LinesAndPolygonsPickTheLevel) {
    struct Case { bool line; int length; int level; } cases[] = {
        {true, 8, 0}, {true, 4, 1}, {true, 2, 2}, {false, 8, 0}, {false, 4, 1}, {false, 2, 2},
    };
    for (const Case& k : cases) {
        GltestDibContext c(8, 8);
        glDisable(GL_DITHER);
        levelColoredTexture(GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST);
        const float n = (float)k.length;
        if (k.line) {
            glBegin(GL_LINES);
            glTexCoord2f(0, 0.5f), glVertex2f(0, 0.5f);
            glTexCoord2f(1, 0.5f), glVertex2f(n, 0.5f);
            glEnd();
        } else {
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0), glVertex2f(0, 0);
            glTexCoord2f(1, 0), glVertex2f(n, 0);
            glTexCoord2f(1, 1), glVertex2f(n, n);
            glTexCoord2f(0, 1), glVertex2f(0, n);
            glEnd();
        }
        const unsigned char* e = kLevelColor[k.level];
        EXPECT_EQ(c.red(0, 0), e[0]) << (k.line ? "line " : "quad ") << k.length;
        EXPECT_EQ(c.green(0, 0), e[1]) << (k.line ? "line " : "quad ") << k.length;
        EXPECT_EQ(c.blue(0, 0), e[2]) << (k.line ? "line " : "quad ") << k.length;
    }
    GltestDibContext c(8, 8);
    levelColoredTexture(GL_NEAREST, GL_NEAREST);
    glBegin(GL_POINTS);
    glEnd();
    EXPECT_EQ(__glCurrentContext()->procs.texLodPolygon, __glTexLodPolygonNone);
    EXPECT_EQ(__glCurrentContext()->procs.texLodLine, __glTexLodLineNone);
}

// Vertices carry level-0 texel coordinates when the minification filter is
// not mipmapped; bitmaps and pixel rectangles hand normalised coordinates to
// procs.textureFragment, which scales s by the width and t by the height.
// Feedback reports the coordinates as given.
TEST(TexLod, PreScaledCoordinates) {
    GltestDibContext c(8, 8);
    unsigned char img[4 * 2 * 3];
    for (int i = 0; i < 8; i++) img[i * 3] = (unsigned char)(30 * i), img[i * 3 + 1] = img[i * 3 + 2] = 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, img);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    GLfloat color[4];
    textureOne(0, 0, 0, color);
    GlContext* gc = __glCurrentContext();
    EXPECT_TRUE(gc->texCoordsPreScaled);
    color[0] = 0;
    gc->procs.textureFragment(gc, color, 0.6f, 0.7f, 1.0f);  // texel (2, 1)
    EXPECT_FLOAT_EQ(color[0], 180.0f);

    GLfloat buf[32];
    glFeedbackBuffer(32, GL_3D_COLOR_TEXTURE, buf);
    glRenderMode(GL_FEEDBACK);
    glBegin(GL_POINTS);
    glTexCoord2f(0.25f, 0.5f);
    glVertex2f(1, 1);
    glEnd();
    ASSERT_EQ(glRenderMode(GL_RENDER), 12);
    EXPECT_FLOAT_EQ(buf[8], 0.25f);
    EXPECT_FLOAT_EQ(buf[9], 0.5f);
}

// A bordered 1-D texture under GL_LINEAR and GL_CLAMP blends its own border
// texels at the ends, whatever t is.
TEST(TexLod, BorderedOneDimensionalTexture) {
    // Border texel (left) 200, texels 0, 0, 0, 0, border texel (right) 100.
    const unsigned char row[6 * 3] = {200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0};
    GltestDibContext c(8, 8);
    glDisable(GL_DITHER);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 6, 1, GL_RGB, GL_UNSIGNED_BYTE, row);
    for (GLenum p : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) glTexParameteri(GL_TEXTURE_1D, p, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_1D);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    GLfloat color[4];
    textureOne(0.0f, 7.0f, 0.0f, color);
    ASSERT_NE(__glCurrentContext()->currentTexture, nullptr);
    EXPECT_NEAR(color[0], 100.0f, 0.01f);
    textureOne(4.0f, -3.0f, 0.0f, color);
    EXPECT_NEAR(color[0], 50.0f, 0.01f);
}

// Colour-index contexts texture with colour-index textures: GL_REPLACE takes
// the texel's index, GL_ADD adds it; the index environments on their own.
TEST(TexLod, ColorIndexTextures) {
    const unsigned char indexes[2 * 2] = {3, 7, 11, 13};
    for (GLenum mode : {GL_REPLACE, GL_ADD}) {
        GltestDibContext c(8, 8, 8, true);
        glDisable(GL_DITHER);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 2, 2, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, indexes);
        for (GLenum p : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
            glTexParameteri(GL_TEXTURE_2D, p, GL_LINEAR);  // indexes are never blended
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)mode);
        glEnable(GL_TEXTURE_2D);
        glIndexi(20);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(0, 0);
        glTexCoord2f(1, 0), glVertex2f(8, 0);
        glTexCoord2f(1, 1), glVertex2f(8, 8);
        glTexCoord2f(0, 1), glVertex2f(0, 8);
        glEnd();
        const unsigned add = mode == GL_ADD ? 20 : 0;
        EXPECT_EQ(c.pixel(1, 1), 3 + add) << std::hex << mode;
        EXPECT_EQ(c.pixel(6, 1), 7 + add) << std::hex << mode;
        EXPECT_EQ(c.pixel(1, 6), 11 + add) << std::hex << mode;
        EXPECT_EQ(c.pixel(6, 6), 13 + add) << std::hex << mode;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }
    GltestDibContext c(8, 8, 8, true);
    const GlTexel texel = {6.0f, 0, 0, 0, 0, 0};
    struct Case { GLenum mode; float out; } cases[] = {{GL_MODULATE, 30.0f}, {GL_REPLACE, 6.0f}, {GL_ADD, 11.0f}};
    for (const Case& k : cases) {
        GLfloat color[4] = {5.0f, 0, 0, 0};
        __glPickTexEnvProc(k.mode, GL_COLOR_INDEX)(__glCurrentContext(), color, &texel);
        EXPECT_FLOAT_EQ(color[0], k.out) << std::hex << k.mode;
    }
}
