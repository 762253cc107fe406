// Fog factors of LINEAR, EXP and EXP2 on |z_eye| and the per-vertex fog blend
// of unlit and lit colours, RGBA and colour index. Points are not rasterized
// yet: the per-vertex colour is read from a vertex completed as the render
// path completes it; feedback colours stay unfogged.
#include <math.h>
#include "geomtest.h"
#include "geometry/geometry.h"

namespace {

struct FogCase {
    GLenum mode;
    GLfloat density, start, end;
    GLfloat z;  // eye z
};

// The fog factor computed independently in double precision.
double refFactor(const FogCase& c) {
    const double z = fabs((double)c.z);
    double f;
    if (c.mode == GL_EXP) f = exp(-(double)c.density * z);
    else if (c.mode == GL_EXP2) f = exp(-(double)c.density * c.density * z * z);
    else if (c.start == c.end) f = z < c.end ? 1 : 0;  // the limit as start approaches end
    else f = (c.end - z) / ((double)c.end - c.start);
    return fmin(fmax(f, 0), 1);
}

const FogCase kCases[] = {
    {GL_LINEAR, 0, 1, 5, -3},    {GL_LINEAR, 0, 1, 5, 3},     {GL_LINEAR, 0, 1, 5, -0.5f}, {GL_LINEAR, 0, 1, 5, -7},
    {GL_LINEAR, 0, 2, 2, -1},    {GL_LINEAR, 0, 2, 2, -3},    {GL_LINEAR, 0, 2, 2, -2},    {GL_EXP, 0.5f, 0, 1, -2},
    {GL_EXP, 0, 0, 1, -9},       {GL_EXP, 1.5f, 0, 1, 0.25f}, {GL_EXP2, 0.5f, 0, 1, -2},   {GL_EXP2, 0.8f, 0, 1, 1.5f},
};

class FogTest : public GeomTest {
protected:
    void setFog(const FogCase& c) {
        glEnable(GL_FOG);
        glFogi(GL_FOG_MODE, (GLint)c.mode);
        glFogf(GL_FOG_DENSITY, c.density);
        glFogf(GL_FOG_START, c.start);
        glFogf(GL_FOG_END, c.end);
    }
    // A vertex at eye z completed for its fog and front colour as the render
    // path completes it; the colour in [0, 1] units (or the index in [0]).
    std::vector<GLfloat> fogged(GLfloat z, const GLfloat* normal = nullptr) {
        glBegin(GL_POINTS);  // validates
        glEnd();
        GlVertex v;
        memset(&v, 0, sizeof v);
        v.eye[2] = z, v.eye[3] = 1;
        v.flags = GL_VX_SIZE3 | GL_VX_EYE;
        if (normal) memcpy(v.normal, normal, 12), v.flags |= GL_VX_EYE_NORMAL;
        memcpy(v.frontColor, gc->current.scaledColor, 16);
        if (!gc->pixelFormat.rgba) v.frontColor[0] = gc->current.index;
        __glCompleteVertex(gc, &v, GL_VX_FOG | GL_VX_FRONT_LIT | GL_VX_EYE | GL_VX_EYE_NORMAL);
        std::vector<GLfloat> out(4);
        for (int i = 0; i < 4; i++) out[i] = gc->pixelFormat.rgba ? v.frontColor[i] * gc->constants.invColorScale[i] : v.frontColor[i];
        return out;
    }
};

const GLfloat kColor[4] = {0.9f, 0.1f, 0.5f, 0.3f};
const GLfloat kFogColor[4] = {0.2f, 0.4f, 0.6f, 0.8f};

TEST_F(FogTest, PerVertexRgbaBlendsByTheFactor) {
    glFogfv(GL_FOG_COLOR, kFogColor);
    glColor4fv(kColor);
    for (const FogCase& c : kCases) {
        setFog(c);
        const double f = refFactor(c);
        auto got = fogged(c.z);
        for (int i = 0; i < 3; i++)
            EXPECT_NEAR(got[i], f * kColor[i] + (1 - f) * kFogColor[i], 1e-5) << c.mode << " z " << c.z << " " << i;
        EXPECT_NEAR(got[3], kColor[3], 1e-6) << "alpha unchanged";
        EXPECT_FALSE(got[0] != got[0]) << "no NaN";
    }
}

TEST_F(FogTest, PerVertexIndexAddsTheFogIndex) {
    gc->pixelFormat.rgba = 0;
    gc->dirtyPickers = ~0u;
    glFogi(GL_FOG_INDEX, 32);
    glIndexf(10);
    for (const FogCase& c : kCases) {
        setFog(c);
        const double f = refFactor(c);
        EXPECT_NEAR(fogged(c.z)[0], 10 + (1 - f) * 32, 1e-4) << c.mode << " z " << c.z;
    }
    gc->pixelFormat.rgba = 1;
    gc->dirtyPickers = ~0u;
}

// Lit colours are fogged after lighting; feedback returns them unfogged.
TEST_F(FogTest, LitColoursAreFoggedAfterLighting) {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glFogfv(GL_FOG_COLOR, kFogColor);
    const FogCase c = {GL_EXP, 0.5f, 0, 1, -0.5f};
    setFog(c);
    auto fb = feedback(GL_3D_COLOR, [] {
        glBegin(GL_POINTS);
        glNormal3f(0, 0.6f, 0.8f);
        glVertex3f(0, 0, 0.5f);
        glEnd();
    });
    ASSERT_EQ(fb.size(), 8u);
    const GLfloat n[3] = {0, 0.6f, 0.8f};
    auto got = fogged(c.z, n);
    const double f = refFactor(c);
    for (int i = 0; i < 3; i++) EXPECT_NEAR(got[i], f * fb[4 + i] + (1 - f) * kFogColor[i], 1e-5) << i;
    EXPECT_NEAR(got[3], fb[7], 1e-6);
    // Unfogged in feedback: the lit colour of the default material and light.
    EXPECT_NEAR(fb[4], 0.2 * 0.2 + 0.8 * 0.8, 1e-4);
}

// Per-fragment fog (GL_NICEST) leaves the vertex colour alone; feedback
// colours are never fogged.
TEST_F(FogTest, NicestAndFeedbackLeaveVertexColours) {
    glFogfv(GL_FOG_COLOR, kFogColor);
    glColor4fv(kColor);
    setFog({GL_LINEAR, 0, 1, 5, 0});
    glHint(GL_FOG_HINT, GL_NICEST);
    auto got = fogged(-4);
    for (int i = 0; i < 4; i++) EXPECT_NEAR(got[i], kColor[i], 1e-6);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    auto fb = feedback(GL_3D_COLOR, [] {
        glBegin(GL_POINTS);
        glVertex3f(0, 0, 0.9f);
        glEnd();
    });
    ASSERT_EQ(fb.size(), 8u);
    for (int i = 0; i < 4; i++) EXPECT_NEAR(fb[4 + i], kColor[i], 1e-6);
}

}  // namespace
