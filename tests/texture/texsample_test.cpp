// Textured rendering end to end on a DIB context: nearest and linear samples
// with wrap, environments, mipmap levels and coordinate generation.
#include <math.h>
#include <string.h>
#include <vector>
#include "gldib.h"
#include "core/glcontext.h"
#include "texture/texsample.h"

namespace {

// A screen-aligned quad (x0, y0)-(x1, y1) with texture coordinates 0..smax, 0..tmax.
void texQuad(float x0, float y0, float x1, float y1, float smax = 1.0f, float tmax = 1.0f) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(x0, y0);
    glTexCoord2f(smax, 0), glVertex2f(x1, y0);
    glTexCoord2f(smax, tmax), glVertex2f(x1, y1);
    glTexCoord2f(0, tmax), glVertex2f(x0, y1);
    glEnd();
}

// RGB texture of w x h texels, bottom row first.
void rgbTexture(int w, int h, const unsigned char* rgb, GLenum filter, GLenum wrap = GL_REPEAT, int level = 0) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter == GL_LINEAR ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DITHER);
}

}  // namespace

// A 4x4 checker of four colours, nearest, lands texel-exact: once stretched
// over 16x16 pixels and once repeated twice over 8x8.
TEST(TexSample, NearestCheckerTexelExact) {
    const unsigned char texels[4 * 4 * 3] = {
        255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255,  // row 0
        0, 255, 0, 0, 0, 255, 255, 255, 255, 255, 0, 0,  // row 1
        0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0,  // row 2
        255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255,  // row 3
    };
    struct Case { int size; float repeat; } cases[] = {{16, 1.0f}, {8, 2.0f}};
    for (const Case& k : cases) {
        GltestDibContext c(16, 16);
        gltestPixelViewport(0, 0, 16, 16);
        rgbTexture(4, 4, texels, GL_NEAREST);
        texQuad(0, 0, (float)k.size, (float)k.size, k.repeat, k.repeat);
        const int cell = (int)(k.size / (4 * k.repeat));
        for (int y = 0; y < k.size; y++)
            for (int x = 0; x < k.size; x++) {
                const unsigned char* t = &texels[((y / cell % 4) * 4 + x / cell % 4) * 3];
                ASSERT_EQ(c.red(x, y), t[0]) << "size " << k.size << " at " << x << "," << y;
                ASSERT_EQ(c.green(x, y), t[1]) << "size " << k.size << " at " << x << "," << y;
                ASSERT_EQ(c.blue(x, y), t[2]) << "size " << k.size << " at " << x << "," << y;
            }
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Linear filtering of a black | white texture across a row: texel centres
// give the texels; between them the weights; at the left edge GL_REPEAT
// reaches the far texel while GL_CLAMP reaches the (black) border.
TEST(TexSample, LinearWeightsAndWrap) {
    const unsigned char texels[2 * 2 * 3] = {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255};
    struct Case { int width; GLenum wrap; int expect[8]; } cases[] = {
        {2, GL_REPEAT, {0, 255}},
        {2, GL_CLAMP, {0, 255}},
        {8, GL_REPEAT, {96, 32, 32, 96, 159, 223, 223, 159}},
        {8, GL_CLAMP, {0, 0, 32, 96, 159, 223, 223, 159}},
    };
    for (const Case& k : cases) {
        GltestDibContext c(8, 8);
        gltestPixelViewport(0, 0, 8, 8);
        rgbTexture(2, 2, texels, GL_LINEAR, k.wrap);
        texQuad(0, 0, (float)k.width, 8);
        for (int x = 0; x < k.width; x++)
            EXPECT_NEAR(c.green(x, 4), k.expect[x], 1) << "width " << k.width << " wrap " << k.wrap << " x " << x;
    }
}

// Each level a different colour: the quad's size sets the scale, the scale
// the level (nearest level: d = ceil(lambda + 0.5) - 1).
TEST(TexSample, MipmapLevelByScale) {
    static const unsigned char colors[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    struct Case { int size; int level; } cases[] = {{8, 0}, {6, 0}, {5, 1}, {4, 1}, {2, 2}, {1, 3}};
    for (const Case& k : cases) {
        GltestDibContext c(8, 8);
        gltestPixelViewport(0, 0, 8, 8);
        for (int l = 0; l < 4; l++) {
            const int n = 8 >> l;
            unsigned char img[8 * 8 * 3];
            for (int i = 0; i < n * n; i++) memcpy(&img[i * 3], colors[l], 3);
            rgbTexture(n, n, img, GL_NEAREST_MIPMAP_NEAREST, GL_REPEAT, l);
        }
        texQuad(0, 0, (float)k.size, (float)k.size);
        const unsigned char* e = colors[k.level];
        EXPECT_EQ(c.red(0, 0), e[0]) << "size " << k.size;
        EXPECT_EQ(c.green(0, 0), e[1]) << "size " << k.size;
        EXPECT_EQ(c.blue(0, 0), e[2]) << "size " << k.size;
    }
}

// An incomplete texture (a missing mipmap level) leaves texturing off.
TEST(TexSample, IncompleteTextureDisablesTexturing) {
    GltestDibContext c(4, 4);
    gltestPixelViewport(0, 0, 4, 4);
    const unsigned char red[4 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    rgbTexture(2, 2, red, GL_NEAREST_MIPMAP_NEAREST);
    glColor3f(0, 0, 1);
    texQuad(0, 0, 4, 4);
    EXPECT_EQ(c.red(1, 1), 0);
    EXPECT_EQ(c.blue(1, 1), 255);
}

// The environment procedures against the GL 1.1 table, colours in units of
// the colour maxima: fragment C = (0.5, 0.25, 1, 0.5), environment colour
// Ce = (1, 0, 0.5, 1), texel components 0.5 (colour), 0.25 (alpha), 0.75
// (luminance) and 0.4 (intensity).
TEST(TexSample, EnvironmentTable) {
    GltestDibContext c(4, 4);
    GlContext* gc = __glCurrentContext();
    const float envColor[4] = {1.0f, 0.0f, 0.5f, 1.0f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor);
    struct Case { GLenum mode, format; float out[4]; } cases[] = {
        {GL_MODULATE, GL_LUMINANCE, {0.375f, 0.1875f, 0.75f, 0.5f}},
        {GL_MODULATE, GL_LUMINANCE_ALPHA, {0.375f, 0.1875f, 0.75f, 0.125f}},
        {GL_MODULATE, GL_RGB, {0.25f, 0.125f, 0.5f, 0.5f}},
        {GL_MODULATE, GL_RGBA, {0.25f, 0.125f, 0.5f, 0.125f}},
        {GL_MODULATE, GL_ALPHA, {0.5f, 0.25f, 1.0f, 0.125f}},
        {GL_MODULATE, GL_INTENSITY, {0.2f, 0.1f, 0.4f, 0.2f}},
        {GL_DECAL, GL_RGB, {0.5f, 0.5f, 0.5f, 0.5f}},
        {GL_DECAL, GL_RGBA, {0.5f, 0.3125f, 0.875f, 0.5f}},
        {GL_DECAL, GL_LUMINANCE, {0.5f, 0.25f, 1.0f, 0.5f}},
        {GL_DECAL, GL_ALPHA, {0.5f, 0.25f, 1.0f, 0.5f}},
        {GL_DECAL, GL_INTENSITY, {0.5f, 0.25f, 1.0f, 0.5f}},
        {GL_BLEND, GL_LUMINANCE, {0.875f, 0.0625f, 0.625f, 0.5f}},
        {GL_BLEND, GL_LUMINANCE_ALPHA, {0.875f, 0.0625f, 0.625f, 0.125f}},
        {GL_BLEND, GL_RGB, {0.75f, 0.125f, 0.75f, 0.5f}},
        {GL_BLEND, GL_RGBA, {0.75f, 0.125f, 0.75f, 0.125f}},
        {GL_BLEND, GL_ALPHA, {0.5f, 0.25f, 1.0f, 0.125f}},
        {GL_BLEND, GL_INTENSITY, {0.7f, 0.15f, 0.8f, 0.7f}},
        {GL_REPLACE, GL_LUMINANCE, {0.75f, 0.75f, 0.75f, 0.5f}},
        {GL_REPLACE, GL_LUMINANCE_ALPHA, {0.75f, 0.75f, 0.75f, 0.25f}},
        {GL_REPLACE, GL_RGB, {0.5f, 0.5f, 0.5f, 0.5f}},
        {GL_REPLACE, GL_RGBA, {0.5f, 0.5f, 0.5f, 0.25f}},
        {GL_REPLACE, GL_ALPHA, {0.5f, 0.25f, 1.0f, 0.25f}},
        {GL_REPLACE, GL_INTENSITY, {0.4f, 0.4f, 0.4f, 0.4f}},
    };
    const GlTexel texel = {0.5f, 0.5f, 0.5f, 0.75f, 0.25f, 0.4f};
    float K[4];
    for (int i = 0; i < 4; i++) K[i] = 1.0f / gc->constants.invColorScale[i];
    for (const Case& k : cases) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.mode);
        float color[4] = {0.5f * K[0], 0.25f * K[1], 1.0f * K[2], 0.5f * K[3]};
        __glPickTexEnvProc(gc->texture.env.mode, k.format)(gc, color, &texel);
        for (int i = 0; i < 4; i++)
            EXPECT_NEAR(color[i], k.out[i] * K[i], 1e-3f * K[i])
                << "mode " << std::hex << k.mode << " format " << k.format << " component " << i;
    }
}

// Modulate end to end: a grey RGB texel halves a smooth colour.
TEST(TexSample, ModulateOnTriangles) {
    GltestDibContext c(8, 8);
    gltestPixelViewport(0, 0, 8, 8);
    const unsigned char grey[3] = {128, 128, 128};
    rgbTexture(1, 1, grey, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor3f(1.0f, 0.5f, 0.0f);
    texQuad(0, 0, 8, 8);
    EXPECT_NEAR(c.red(3, 3), 128, 1);
    EXPECT_NEAR(c.green(3, 3), 64, 1);
    EXPECT_EQ(c.blue(3, 3), 0);
}

// Generated coordinates through feedback: object and eye linear planes, the
// sphere map and the texture matrix on top.
TEST(TexSample, TexGenThroughFeedback) {
    enum { OBJ, EYE, SPHERE };
    struct Case { int mode; bool texScale; float s, t; } cases[] = {
        {OBJ, false, 1.0f, 7.0f},   // s = x, t = 2y + 1
        {OBJ, true, 2.0f, 7.0f},    // texture matrix doubles s
        {EYE, false, 6.0f, 7.0f},   // eye x = x + 5
        {SPHERE, false, 0.8f, 0.5f},
    };
    for (const Case& k : cases) {
        GltestDibContext c(8, 8);
        gltestPixelViewport(0, 0, 8, 8);
        const unsigned char white[3] = {255, 255, 255};
        rgbTexture(1, 1, white, GL_NEAREST);
        const float sPlane[4] = {1, 0, 0, 0}, tPlane[4] = {0, 2, 0, 1};
        const GLenum mode = k.mode == OBJ ? GL_OBJECT_LINEAR : k.mode == EYE ? GL_EYE_LINEAR : GL_SPHERE_MAP;
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, (GLint)mode);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, (GLint)mode);
        glTexGenfv(GL_S, k.mode == EYE ? GL_EYE_PLANE : GL_OBJECT_PLANE, sPlane);
        glTexGenfv(GL_T, k.mode == EYE ? GL_EYE_PLANE : GL_OBJECT_PLANE, tPlane);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        if (k.texScale) {
            glMatrixMode(GL_TEXTURE);
            glScalef(2, 1, 1);
            glMatrixMode(GL_MODELVIEW);
        }
        if (k.mode == EYE) glTranslatef(5, 0, 0);
        if (k.mode == SPHERE) glTranslatef(0, 0, -1);  // eye position (0, 0, -1) at the origin
        GLfloat buf[64];
        glFeedbackBuffer(64, GL_4D_COLOR_TEXTURE, buf);
        glRenderMode(GL_FEEDBACK);
        glNormal3f(0.6f, 0.0f, 0.8f);
        glBegin(GL_POINTS);
        if (k.mode == SPHERE) glVertex3f(0, 0, 0);
        else glVertex2f(1, 3);
        glEnd();
        ASSERT_EQ(glRenderMode(GL_RENDER), 13) << "mode " << k.mode;
        EXPECT_NEAR(buf[9], k.s, 1e-5f) << "mode " << k.mode;
        EXPECT_NEAR(buf[10], k.t, 1e-5f) << "mode " << k.mode;
        EXPECT_NEAR(buf[12], 1.0f, 1e-6f) << "mode " << k.mode;
    }
}

// Each coordinate generated alone, object or eye linear, with a texture in
// effect and without (feedback reports the generated coordinates either way):
// OpenGL 1.1 generates R and Q as it does S and T, then applies the texture
// matrix. The eye planes need eye coordinates whichever coordinate uses them.
TEST(TexSample, EachCoordinateGeneratesAloneThroughFeedback) {
    const GLenum coords[4] = {GL_S, GL_T, GL_R, GL_Q};
    const GLfloat plane[4] = {1, 2, -1, 0.5f};
    const GLfloat current[4] = {0.1f, 0.2f, 0.3f, 1.0f};
    for (int textured = 0; textured < 2; textured++)
        for (int i = 0; i < 4; i++)
            for (GLenum mode : {GL_OBJECT_LINEAR, GL_EYE_LINEAR}) {
                SCOPED_TRACE(testing::Message() << "textured " << textured << " coordinate " << i << " mode " << mode);
                GltestDibContext c(8, 8);
                gltestPixelViewport(0, 0, 8, 8);
                const unsigned char white[3] = {255, 255, 255};
                rgbTexture(1, 1, white, GL_NEAREST);
                if (!textured) glDisable(GL_TEXTURE_2D);
                glTexGeni(coords[i], GL_TEXTURE_GEN_MODE, (GLint)mode);
                glTexGenfv(coords[i], mode == GL_EYE_LINEAR ? GL_EYE_PLANE : GL_OBJECT_PLANE, plane);
                glEnable(GL_TEXTURE_GEN_S + i);
                glMatrixMode(GL_TEXTURE);
                glTranslatef(0, 0, 0.25f);  // r + 0.25q
                glMatrixMode(GL_MODELVIEW);
                glTranslatef(3, 1, 0.5f);  // eye = object + (3, 1, 0.5)
                GLfloat buf[16];
                glFeedbackBuffer(16, GL_4D_COLOR_TEXTURE, buf);
                glRenderMode(GL_FEEDBACK);
                glTexCoord4fv(current);
                glBegin(GL_POINTS);
                glVertex3f(2, 3, -0.25f);
                glEnd();
                ASSERT_EQ(glRenderMode(GL_RENDER), 13);
                const GLfloat obj[4] = {2, 3, -0.25f, 1}, eye[4] = {5, 4, 0.25f, 1};
                const GLfloat* p = mode == GL_EYE_LINEAR ? eye : obj;
                GLfloat want[4] = {current[0], current[1], current[2], current[3]};
                want[i] = plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2] + plane[3] * p[3];
                want[2] += 0.25f * want[3];
                for (int k = 0; k < 4; k++) EXPECT_NEAR(buf[9 + k], want[k], 1e-5f) << "component " << k;
            }
}

// Projective texturing by a generated q alone: s and t from glTexCoord, q from
// an eye plane, so that the texel is that of (s/q, t/q).
TEST(TexSample, GeneratedQDividesTheCoordinates) {
    GltestDibContext c(8, 8);
    gltestPixelViewport(0, 0, 8, 8);
    const unsigned char texels[2 * 3] = {0, 0, 255, 255, 255, 0};  // blue | yellow
    rgbTexture(2, 1, texels, GL_NEAREST, GL_CLAMP);
    const GLfloat qPlane[4] = {0, 0, 0, 2};  // q = 2 eye w
    glTexGeni(GL_Q, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGenfv(GL_Q, GL_EYE_PLANE, qPlane);
    glEnable(GL_TEXTURE_GEN_Q);
    texQuad(0, 0, 8, 8, 1.5f, 1);  // s/q from 0 to 0.75 across
    for (int x = 0; x < 8; x++) EXPECT_EQ(c.blue(x, 4), 1.5 * (x + 0.5) / 8 / 2 < 0.5 ? 255 : 0) << "x " << x;
}

// A textured point takes the texel at its coordinates.
TEST(TexSample, TexturedPoint) {
    GltestDibContext c(8, 8);
    gltestPixelViewport(0, 0, 8, 8);
    const unsigned char texels[2 * 2 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    rgbTexture(2, 2, texels, GL_NEAREST);
    glBegin(GL_POINTS);
    glTexCoord2f(0.75f, 0.25f);
    glVertex2f(2.5f, 2.5f);
    glEnd();
    EXPECT_EQ(c.red(2, 2), 0);
    EXPECT_EQ(c.green(2, 2), 255);
    EXPECT_EQ(c.blue(2, 2), 0);
}

// A horizontal line across a black | white texture, nearest: the texel
// follows s along the line, for thin and wide lines (the last pixel is the
// line's excluded end).
TEST(TexSample, TexturedLineFollowsS) {
    const unsigned char texels[2 * 2 * 3] = {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255};
    for (float width : {1.0f, 3.0f}) {
        GltestDibContext c(8, 8);
        gltestPixelViewport(0, 0, 8, 8);
        glClearColor(0, 0.5f, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        rgbTexture(2, 2, texels, GL_NEAREST);
        glLineWidth(width);
        glBegin(GL_LINES);
        glTexCoord2f(0, 0.5f), glVertex2f(0, 4.5f);
        glTexCoord2f(1, 0.5f), glVertex2f(8, 4.5f);
        glEnd();
        for (int x = 0; x < 7; x++) EXPECT_EQ(c.green(x, 4), x < 4 ? 0 : 255) << "width " << width << " x " << x;
        EXPECT_EQ(c.green(6, 5), width > 1.0f ? 255 : 128) << "width " << width;
    }
}

// A quad clipped by the window keeps its coordinates: the clipped vertices'
// s is interpolated, not generated or divided again (texture matrix scaling
// s by 2 applies once).
TEST(TexSample, ClippedQuadKeepsCoordinates) {
    const unsigned char texels[4 * 1 * 3] = {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255};
    GltestDibContext c(8, 8);
    gltestPixelViewport(0, 0, 8, 8);
    rgbTexture(4, 1, texels, GL_NEAREST);
    glMatrixMode(GL_TEXTURE);
    glScalef(2, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    texQuad(-8, -8, 24, 16, 2.0f, 1.0f);  // s = (x + 8) / 16 before the matrix
    for (int x = 0; x < 8; x++) {
        const float s = 2.0f * ((float)x + 8.5f) / 16.0f;
        const int texel = (int)(s * 4.0f) % 4;
        EXPECT_EQ(c.green(x, 3), texels[texel * 3]) << "x " << x;
    }
}

// Perspective-correct interpolation: the right edge has w = 3, so s = 0.5
// falls three quarters across (pixel 6 of 8), not halfway.
TEST(TexSample, PerspectiveCorrectS) {
    const unsigned char texels[2 * 1 * 3] = {0, 0, 0, 255, 255, 255};
    GltestDibContext c(8, 8);
    gltestPixelViewport(0, 0, 8, 8);
    rgbTexture(2, 1, texels, GL_NEAREST, GL_CLAMP);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex4f(0, 0, 0, 1);
    glTexCoord2f(1, 0), glVertex4f(24, 0, 0, 3);
    glTexCoord2f(1, 1), glVertex4f(24, 24, 0, 3);
    glTexCoord2f(0, 1), glVertex4f(0, 8, 0, 1);
    glEnd();
    for (int x = 0; x < 8; x++) EXPECT_EQ(c.green(x, 4), x < 6 ? 0 : 255) << "x " << x;
}

// With texturing on and a w other than 1, the raster position's texture
// coordinates are the current ones, not divided by w.
TEST(TexSample, RasterPositionCoordinatesUndivided) {
    GltestDibContext c(8, 8);
    gltestPixelViewport(0, 0, 8, 8);
    const unsigned char white[3] = {255, 255, 255};
    rgbTexture(1, 1, white, GL_NEAREST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glTexCoord4f(0.25f, 0.5f, 0.0f, 1.0f);
    glRasterPos4f(4, 4, 0, 2);
    GLfloat t[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_TEXTURE_COORDS, t);
    EXPECT_FLOAT_EQ(t[0], 0.25f);
    EXPECT_FLOAT_EQ(t[1], 0.5f);
    EXPECT_FLOAT_EQ(t[3], 1.0f);
}

// A 1-D texture ignores t; with both targets enabled the 2-D one wins.
TEST(TexSample, OneDimensionalAndTargetPriority) {
    const unsigned char row[4 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    for (bool with2D : {false, true}) {
        GltestDibContext c(8, 8);
        gltestPixelViewport(0, 0, 8, 8);
        glDisable(GL_DITHER);
        glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, row);
        glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glEnable(GL_TEXTURE_1D);
        if (with2D) {
            const unsigned char grey[3] = {100, 100, 100};
            rgbTexture(1, 1, grey, GL_NEAREST);
        }
        texQuad(0, 0, 8, 8, 1.0f, 5.0f);
        for (int x = 0; x < 8; x += 2) {
            const unsigned char* e = &row[(x / 2) * 3];
            EXPECT_EQ(c.red(x, 6), with2D ? 100 : e[0]) << "x " << x << " 2-D " << with2D;
            EXPECT_EQ(c.blue(x, 6), with2D ? 100 : e[2]) << "x " << x << " 2-D " << with2D;
        }
    }
}

// Huge and not-a-number texture coordinates, under every filter and wrap,
// sample inside the levels: the quad draws and nothing is written elsewhere.
TEST(TexSample, ExtremeCoordinatesStayInsideTheLevels) {
    static const unsigned char white[8 * 8 * 3] = {255};
    const GLenum filters[] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                              GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR};
    const float extremes[] = {1e30f, -1e30f, NAN, INFINITY};
    for (GLenum filter : filters)
        for (GLenum wrap : {GL_REPEAT, GL_CLAMP})
            for (float e : extremes) {
                GltestDibContext c(8, 8);
                for (int l = 0; l < 4; l++) rgbTexture(8 >> l, 8 >> l, white, filter, wrap, l);
                texQuad(0, 0, 8, 8, e, 1.0f);
                texQuad(0, 0, 8, 8, 1.0f, e);
                EXPECT_TRUE(c.guardsIntact()) << filter << " " << wrap << " " << e;
            }
}

namespace {

// 256-texel ramp in s: texel i is grey level i.
void rampTexture() {
    unsigned char ramp[256 * 3];
    for (int i = 0; i < 256; i++) ramp[3 * i] = ramp[3 * i + 1] = ramp[3 * i + 2] = (unsigned char)i;
    rgbTexture(256, 1, ramp, GL_NEAREST, GL_CLAMP);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void frustumView() {
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace

// Perspective-correct s on a floor triangle: the far edge reaches x = +-x1;
// with x1 = 8 the side planes clip it, with 1 they do not. s depends on z
// alone, so the same pixel shows the same texel either way.
TEST(TexSample, PerspectiveCoordinatesSurviveClipping) {
    for (float x1 : {1.0f, 8.0f}) {
        GltestDibContext c(64, 64);
        frustumView();
        rampTexture();
        glBegin(GL_TRIANGLES);
        glTexCoord2f(0, 0), glVertex3f(0, -1, -1.25f);
        glTexCoord2f(1, 0), glVertex3f(-x1, -1, -5);
        glTexCoord2f(1, 0), glVertex3f(x1, -1, -5);
        glEnd();
        EXPECT_EQ(c.green(32, 12), 26) << "x1 " << x1;
        EXPECT_EQ(c.green(32, 4), c.green(31, 4)) << "x1 " << x1;
    }
}

// A line clipped by the side plane: where it overlaps an unclipped piece of
// the same line with s interpolated to match, the texels agree.
TEST(TexSample, PerspectiveCoordinatesSurviveLineClipping) {
    const float p0[3] = {0, -1, -1.25f}, p1[3] = {8, -1, -5};
    const float t = 0.25f;  // (2, -1, -2.1875) lies inside the side planes
    std::vector<int> whole(64 * 64), piece(64 * 64);
    for (int pass = 0; pass < 2; pass++) {
        GltestDibContext c(64, 64);
        frustumView();
        rampTexture();
        const float e = pass ? t : 1.0f;
        glBegin(GL_LINES);
        glTexCoord2f(0, 0), glVertex3fv(p0);
        glTexCoord2f(e, 0);
        glVertex3f(p0[0] + e * (p1[0] - p0[0]), p0[1] + e * (p1[1] - p0[1]), p0[2] + e * (p1[2] - p0[2]));
        glEnd();
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++) (pass ? piece : whole)[y * 64 + x] = c.green(x, y);
    }
    int compared = 0;
    for (int i = 0; i < 64 * 64; i++)
        if (piece[i] && whole[i]) {
            EXPECT_NEAR(piece[i], whole[i], 2) << "pixel " << i % 64 << ", " << i / 64;
            compared++;
        }
    EXPECT_GT(compared, 8);
}
