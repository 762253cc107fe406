// Matrix kernels: inverse by class, singular matrices, normalisation, the
// highest-bit helper, and projection serials across their wrap.
#include <math.h>
#include "geomtest.h"
#include "geometry/geometry.h"

namespace {

GlMatrixRecord record(std::initializer_list<float> m, GLint type) {
    GlMatrixRecord r{};
    int i = 0;
    for (float v : m) r.m[i++] = v;
    r.type = type;
    return r;
}

TEST(MatrixMath, TransposedInverse) {
    const struct {
        const char* name;
        GlMatrixRecord src;
        float want[16];
    } cases[] = {
        {"diagonal class 3", record({2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 0, 0, 0, 1}, 3),
         {0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, 0, 0, 0, 1}},
        {"translation class 3", record({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}, 3),
         {1, 0, 0, -1, 0, 1, 0, -2, 0, 0, 1, -3, 0, 0, 0, 1}},
        {"translation general", record({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}, 0),
         {1, 0, 0, -1, 0, 1, 0, -2, 0, 0, 1, -3, 0, 0, 0, 1}},
        {"perspective general", record({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -1, -1, 0, 0, -2, 0}, 0),
         {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0, -1, 0, 0, -0.5f, 0.5f}},
    };
    for (const auto& c : cases) {
        GlMatrixRecord dst{};
        __glInvertMatrix(&dst, &c.src);
        EXPECT_EQ(dst.type, c.src.type) << c.name;
        for (int i = 0; i < 16; i++) EXPECT_NEAR(dst.m[i], c.want[i], 1e-6) << c.name << " " << i;
        // Times the source's transpose it gives the identity.
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++) {
                double s = 0;
                for (int k = 0; k < 4; k++) s += c.src.m[i * 4 + k] * dst.m[j * 4 + k];
                EXPECT_NEAR(s, i == j ? 1 : 0, 1e-6) << c.name;
            }
    }
    GlMatrixRecord keep = record({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, 3);
    const GlMatrixRecord singular = record({1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1}, 0);
    __glInvertMatrix(&keep, &singular);
    EXPECT_EQ(keep.type, 0);
    for (float v : keep.m) EXPECT_EQ(v, 9.0f);
}

TEST(MatrixMath, ProductMayAlias) {
    const GlMatrixRecord a = record({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 0);
    const GlMatrixRecord b = record({2, 0, 1, 0, 0, 1, 0, 3, 1, 0, 1, 0, 4, 0, 0, 1}, 0);
    GlMatrixRecord sep{}, x = a, y = b;
    __glMultMatrixProc(&sep, &a, &b);
    __glMultMatrixProc(&x, &x, &b);
    __glMultMatrixProc(&y, &a, &y);
    for (int i = 0; i < 16; i++) {
        double s = 0;
        for (int k = 0; k < 4; k++) s += a.m[(i / 4) * 4 + k] * b.m[k * 4 + i % 4];
        EXPECT_EQ(sep.m[i], (float)s) << i;
        EXPECT_EQ(x.m[i], sep.m[i]) << i;
        EXPECT_EQ(y.m[i], sep.m[i]) << i;
    }
}

TEST(MatrixMath, NormalizeAndHighestBit) {
    const struct {
        float in[3], out[3];
    } cases[] = {{{0, 0, 0}, {0, 0, 0}}, {{0, 0, 1}, {0, 0, 1}}, {{3, 4, 0}, {0.6f, 0.8f, 0}}, {{-2, 0, 0}, {-1, 0, 0}}};
    for (const auto& c : cases) {
        GLfloat out[3];
        __glNormalizeProc(out, c.in);
        for (int i = 0; i < 3; i++) EXPECT_NEAR(out[i], c.out[i], 5e-6) << c.in[0];
    }
    const GLuint values[] = {0, 1, 2, 255, 256, 0x40000000};
    const GLint bits[] = {0, 0, 1, 7, 8, 30};
    for (int i = 0; i < 6; i++) EXPECT_EQ(__glHighestBit(values[i]), bits[i]) << values[i];
}

// Composites stay right across push, pop and loads while the projection
// serial counter wraps.
TEST_F(GeomTest, ProjectionSerialWrap) {
    gc->matrices.projectionSerialCounter = -3;
    auto x = [&] {
        auto got = feedback(GL_2D, [] {
            glBegin(GL_POINTS);
            glVertex2f(0.25f, 0);
            glEnd();
        });
        return got.size() == 3 ? got[1] : -1.0f;
    };
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(0.25f, 0, 0);  // x = 0.5 in the pushed entry
    for (int i = 0; i < 6; i++) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glScalef(0.5f, 1, 1);  // x = 0.25
        glMatrixMode(GL_MODELVIEW);
        EXPECT_EQ(x(), 40.0f) << i;
        glPushMatrix();
        glLoadIdentity();
        EXPECT_EQ(x(), 36.0f) << i;
        glPopMatrix();
        EXPECT_EQ(x(), 40.0f) << i;
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        EXPECT_EQ(x(), 48.0f) << i;
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        EXPECT_EQ(x(), 40.0f) << i;
    }
    glPopMatrix();
    EXPECT_EQ(x(), 36.0f);
    EXPECT_GT(gc->matrices.projectionSerialCounter, 0);
}

}  // namespace
