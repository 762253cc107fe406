// GLU viewing matrices, the object/window mapping and the error texts.
#include <math.h>
#include <string.h>

#include "gldib.h"

#include <GL/glu.h>

namespace {

struct GluViewTest : ::testing::Test {
    GltestDibContext ctx{16, 16};
    void SetUp() override {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
    }
    std::vector<double> projection() {
        std::vector<double> m(16);
        glGetDoublev(GL_PROJECTION_MATRIX, m.data());
        return m;
    }
};

void expectMatrix(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got[i], want[i], 1e-6) << what << " element " << i;
}

TEST_F(GluViewTest, MatricesOfThePublishedFormulas) {
    const std::vector<double> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    struct Case {
        const char* what;
        void (*call)();
        std::vector<double> want;
    } cases[] = {
        {"perspective 90 degrees, aspect 2, 1..3", [] { gluPerspective(90, 2, 1, 3); },
         {0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0}},
        {"ortho2D 0..4 x 0..2", [] { gluOrtho2D(0, 4, 0, 2); }, {0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1}},
        {"look along -z from z = 5", [] { gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0); },
         {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1}},
        // From +x towards the origin: the eye's x axis is -z, its z axis +x.
        {"look along -x from x = 5", [] { gluLookAt(5, 0, 0, 0, 0, 0, 0, 3, 0); },
         {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -5, 1}},
        // Pick region 10 x 10 around (25, 75) of a 100 x 100 viewport fills the clip volume.
        {"pick", [] { GLint vp[4] = {0, 0, 100, 100}; gluPickMatrix(25, 75, 10, 10, vp); },
         {10, 0, 0, 0, 0, 10, 0, 0, 0, 0, 1, 0, 5, -5, 0, 1}},
        {"perspective without depth", [] { gluPerspective(45, 1, 2, 2); }, identity},
        {"perspective of no angle", [] { gluPerspective(0, 1, 1, 2); }, identity},
        {"perspective of no aspect", [] { gluPerspective(45, 0, 1, 2); }, identity},
        {"pick of no width", [] { GLint vp[4] = {0, 0, 100, 100}; gluPickMatrix(5, 5, 0, 10, vp); }, identity},
    };
    for (const Case& c : cases) {
        glLoadIdentity();
        c.call();
        expectMatrix(projection(), c.want, c.what);
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(GluViewTest, ProjectAndUnProjectAreInverses) {
    gluPerspective(60, 1.5, 0.5, 50);
    std::vector<double> proj = projection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(3, 4, 10, 0, 1, 0, 0, 1, 0);
    double model[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    const GLint vp[4] = {10, 20, 300, 200};
    const double points[][3] = {{0, 1, 0}, {1, -2, 3}, {-4, 5, -6}, {0.25, 0.5, 0.75}};
    for (const auto& p : points) {
        double wx, wy, wz, ox, oy, oz;
        ASSERT_TRUE(gluProject(p[0], p[1], p[2], model, proj.data(), vp, &wx, &wy, &wz));
        ASSERT_TRUE(gluUnProject(wx, wy, wz, model, proj.data(), vp, &ox, &oy, &oz));
        EXPECT_NEAR(ox, p[0], 1e-6);
        EXPECT_NEAR(oy, p[1], 1e-6);
        EXPECT_NEAR(oz, p[2], 1e-6);
    }
    // The point looked at lands in the viewport's centre.
    double wx, wy, wz;
    ASSERT_TRUE(gluProject(0, 1, 0, model, proj.data(), vp, &wx, &wy, &wz));
    EXPECT_NEAR(wx, 160, 1e-4);
    EXPECT_NEAR(wy, 120, 1e-4);
}

TEST_F(GluViewTest, DegenerateMappingsFail) {
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const double flat[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};  // z squashed: singular
    double perspective[16];
    gluPerspective(90, 1, 1, 10);
    glGetDoublev(GL_PROJECTION_MATRIX, perspective);
    const GLint vp[4] = {0, 0, 10, 10}, empty[4] = {0, 0, 0, 10};
    double x, y, z;
    EXPECT_FALSE(gluUnProject(5, 5, 0.5, identity, flat, vp, &x, &y, &z));
    EXPECT_FALSE(gluUnProject(5, 5, 0.5, identity, identity, empty, &x, &y, &z));
    EXPECT_FALSE(gluProject(1, 1, 0, identity, perspective, vp, &x, &y, &z)) << "a point in the eye plane";
}

TEST(GluErrorString, TextsOfGlAndGluCodesAndNoneForOthers) {
    EXPECT_STREQ(reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)), "invalid enumerant");
    EXPECT_STREQ(reinterpret_cast<const char*>(gluErrorString(GLU_OUT_OF_MEMORY)), "out of memory");
    EXPECT_EQ(gluErrorString(12345), nullptr);
    EXPECT_EQ(gluErrorString(GL_TRIANGLES), nullptr) << "0x0004 is no error code";
}

}  // namespace
