// Clipping against the frustum and user planes, checked against a
// double-precision reference clipper; degenerate coordinates.
#include <math.h>
#include <random>
#include <string.h>
#include "geomtest.h"

namespace {

struct P4 {
    double c[4];
    double col[4];
    double tex[4];
};

double dot(const double* p, const double* c) { return p[0] * c[0] + p[1] * c[1] + p[2] * c[2] + p[3] * c[3]; }

std::vector<P4> clipReference(std::vector<P4> poly, const std::vector<std::array<double, 4>>& planes) {
    for (const auto& pl : planes) {
        std::vector<P4> out;
        for (size_t i = 0; i < poly.size(); i++) {
            const P4& a = poly[(i + poly.size() - 1) % poly.size()];
            const P4& b = poly[i];
            const double da = dot(pl.data(), a.c), db = dot(pl.data(), b.c);
            if ((da >= 0) != (db >= 0)) {
                const double t = da / (da - db);
                P4 n;
                for (int k = 0; k < 4; k++) {
                    n.c[k] = a.c[k] + t * (b.c[k] - a.c[k]);
                    n.col[k] = a.col[k] + t * (b.col[k] - a.col[k]);
                    n.tex[k] = a.tex[k] + t * (b.tex[k] - a.tex[k]);
                }
                out.push_back(n);
            }
            if (db >= 0) out.push_back(b);
        }
        poly = out;
        if (poly.size() < 3) return {};
    }
    return poly;
}

// Solves the 3x3 system m x = r (Cramer).
bool solve3(const double m[3][3], const double r[3], double x[3]) {
    auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    if (fabs(d) < 1e-6) return false;
    for (int k = 0; k < 3; k++) {
        double t[3][3];
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++) t[i][j] = j == k ? r[i] : m[i][j];
        x[k] = det(t) / d;
    }
    return true;
}

TEST_F(GeomTest, RandomTrianglesClipAgainstFrustumAndUserPlanes) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    int clipped = 0;
    glShadeModel(GL_SMOOTH);
    for (int iter = 0; iter < 300; iter++) {
        const int planesOn = iter % 3;  // 0, 1 or 2 user planes
        std::vector<std::array<double, 4>> planes = {
            {1, 0, 0, 1}, {-1, 0, 0, 1}, {0, 1, 0, 1}, {0, -1, 0, 1}, {0, 0, 1, 1}, {0, 0, -1, 1}};
        for (int i = 0; i < 2; i++) {
            std::array<double, 4> p = {u(rng), u(rng), u(rng), u(rng) * 0.3};
            const GLdouble e[4] = {p[0], p[1], p[2], p[3]};
            for (double& v : p) v = (float)v;
            glClipPlane(GL_CLIP_PLANE0 + i, e);
            if (i < planesOn) {
                glEnable(GL_CLIP_PLANE0 + i);
                planes.push_back(p);
            } else {
                glDisable(GL_CLIP_PLANE0 + i);
            }
        }
        P4 tri[3];
        for (P4& v : tri) {
            for (int k = 0; k < 3; k++) v.c[k] = (float)(u(rng) * 2);
            v.c[3] = (float)(1.25 + u(rng) * 0.75);
            for (int k = 0; k < 4; k++) v.col[k] = (float)((u(rng) + 1) / 2), v.tex[k] = (float)(u(rng) * 4);
        }
        auto got = feedback(GL_4D_COLOR_TEXTURE, [&] {
            glBegin(GL_TRIANGLES);
            for (const P4& v : tri) {
                glColor4d(v.col[0], v.col[1], v.col[2], v.col[3]);
                glTexCoord4d(v.tex[0], v.tex[1], v.tex[2], v.tex[3]);
                glVertex4d(v.c[0], v.c[1], v.c[2], v.c[3]);
            }
            glEnd();
        });
        const auto ref = clipReference({tri[0], tri[1], tri[2]}, planes);
        auto window = [](const double* c, double out[2]) {
            out[0] = (c[0] / c[3] + 1) * 32, out[1] = (c[1] / c[3] + 1) * 24;
        };
        double refArea = 0;
        for (size_t i = 0; i + 2 < ref.size(); i++) {
            double a[2], b[2], c[2];
            window(ref[0].c, a), window(ref[i + 1].c, b), window(ref[i + 2].c, c);
            refArea += fabs((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1])) / 2;
        }
        // Barycentric solve on clip x, y, w of the input triangle.
        double m[3][3];
        const int rows[3] = {0, 1, 3};
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++) m[i][j] = tri[j].c[rows[i]];
        double area = 0;
        size_t w = 0;
        while (w < got.size()) {
            ASSERT_EQ(got[w], (float)GL_POLYGON_TOKEN) << iter;
            ASSERT_EQ(got[w + 1], 3.0f) << iter;
            double win[3][2];
            for (int k = 0; k < 3; k++) {
                const float* v = &got[w + 2 + 12 * k];
                for (int i = 0; i < 12; i++) ASSERT_TRUE(std::isfinite(v[i])) << iter;
                win[k][0] = v[0], win[k][1] = v[1];
                // Inside the clip volume.
                EXPECT_GE(v[0], -1e-3) << iter;
                EXPECT_LE(v[0], 64 + 1e-3) << iter;
                EXPECT_GE(v[1], -1e-3) << iter;
                EXPECT_LE(v[1], 48 + 1e-3) << iter;
                EXPECT_GE(v[2], -1e-5) << iter;
                EXPECT_LE(v[2], 1 + 1e-5) << iter;
                const double cw = v[3];
                const double c[4] = {(v[0] / 32 - 1) * cw, (v[1] / 24 - 1) * cw, (v[2] * 2 - 1) * cw, cw};
                for (size_t p = 6; p < planes.size(); p++) EXPECT_GE(dot(planes[p].data(), c), -1e-4) << iter;
                // Colours and texture coordinates linear in clip space.
                double bary[3];
                const double r[3] = {c[0], c[1], c[3]};
                if (solve3(m, r, bary)) {
                    for (int i = 0; i < 4; i++) {
                        double col = 0, tex = 0;
                        for (int j = 0; j < 3; j++) col += bary[j] * tri[j].col[i], tex += bary[j] * tri[j].tex[i];
                        EXPECT_NEAR(v[4 + i], col, 2e-3) << iter << " colour " << i;
                        EXPECT_NEAR(v[8 + i], tex, 8e-3) << iter << " tex " << i;
                    }
                }
            }
            area += fabs((win[1][0] - win[0][0]) * (win[2][1] - win[0][1]) -
                         (win[2][0] - win[0][0]) * (win[1][1] - win[0][1])) / 2;
            w += 2 + 3 * 12;
        }
        EXPECT_NEAR(area, refArea, 1e-3 * (refArea + 1)) << iter;
        if (ref.size() > 3) clipped++;
    }
    EXPECT_GT(clipped, 100);
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_CLIP_PLANE1);
}

// Vertices with NaN or infinite coordinates, or clip w not above zero, count
// as clipped: nothing with NaN comes out.
TEST_F(GeomTest, DegenerateCoordinatesAreClipped) {
    const float nan = NAN, inf = INFINITY;
    const struct {
        const char* name;
        float v[4];
    } bad[] = {
        {"nan x", {nan, 0, 0, 1}},   {"nan w", {0, 0, 0, nan}}, {"inf y", {0, inf, 0, 1}},
        {"inf w", {0, 0, 0, inf}},   {"zero w", {0, 0, 0, 0}},  {"negative zero w", {0, 0, 0, -0.0f}},
    };
    for (const auto& b : bad) {
        auto got = feedback(GL_4D_COLOR_TEXTURE, [&] {
            glBegin(GL_POINTS);
            glVertex4fv(b.v);
            glEnd();
            glBegin(GL_LINES);
            glVertex4fv(b.v);
            glVertex2f(0.5f, 0.5f);
            glEnd();
            glBegin(GL_TRIANGLES);
            glVertex2f(-0.5f, -0.5f);
            glVertex4fv(b.v);
            glVertex2f(0.5f, 0.5f);
            glEnd();
        });
        for (float f : got) EXPECT_TRUE(std::isfinite(f)) << b.name;
        EXPECT_TRUE(got.empty()) << b.name;
    }
}

// Clip comparisons are strict: a coordinate equal to +-w is inside, the next
// float beyond is outside, for every frustum plane, for w other than 1 and for
// two-, three- and four-component vertices; a vertex exactly on a user plane
// is inside. Immediate mode with and without the vertex cache, and arrays.
TEST_F(GeomTest, ClipBoundariesAreInside) {
    glViewport(0, 0, 64, 48);
    const float w = 2.0f, out = nextafterf(2.0f, 3.0f);
    const struct {
        const char* name;
        float v[4];
        int size;
        bool drawn;
    } cases[] = {
        {"x = w", {w, 0, 0, w}, 4, true},       {"x > w", {out, 0, 0, w}, 4, false},
        {"x = -w", {-w, 0, 0, w}, 4, true},     {"x < -w", {-out, 0, 0, w}, 4, false},
        {"y = w", {0, w, 0, w}, 4, true},       {"y > w", {0, out, 0, w}, 4, false},
        {"y = -w", {0, -w, 0, w}, 4, true},     {"y < -w", {0, -out, 0, w}, 4, false},
        {"z = w", {0, 0, w, w}, 4, true},       {"z > w", {0, 0, out, w}, 4, false},
        {"z = -w", {0, 0, -w, w}, 4, true},     {"z < -w", {0, 0, -out, w}, 4, false},
        {"2d x = 1", {1, -1, 0, 1}, 2, true},   {"2d x > 1", {nextafterf(1, 2), 0, 0, 1}, 2, false},
        {"2d y = -1", {0, -1, 0, 1}, 2, true},  {"2d y < -1", {0, nextafterf(-1, -2), 0, 1}, 2, false},
        {"3d z = 1", {0, 0, 1, 1}, 3, true},    {"3d z > 1", {0, 0, nextafterf(1, 2), 1}, 3, false},
    };
    GLfloat element[4];
    glVertexPointer(4, GL_FLOAT, 0, element);
    for (int road = 0; road < 3; road++) {
        GLfloat cacheOff = road == 1 ? 1.0f : 0.0f;
        glCullParameterfvQTA(0x81AD, &cacheOff);
        for (const auto& c : cases) {
            memcpy(element, c.v, sizeof element);
            auto got = feedback(GL_2D, [&] {
                if (road == 2) {
                    glVertexPointer(c.size, GL_FLOAT, 0, element);
                    glEnableClientState(GL_VERTEX_ARRAY);
                    glDrawArrays(GL_POINTS, 0, 1);
                    glDisableClientState(GL_VERTEX_ARRAY);
                    return;
                }
                glBegin(GL_POINTS);
                if (c.size == 2) glVertex2fv(c.v);
                else if (c.size == 3) glVertex3fv(c.v);
                else glVertex4fv(c.v);
                glEnd();
            });
            EXPECT_EQ(got.size(), c.drawn ? 3u : 0u) << c.name << " road " << road;
        }
        // User plane x >= 0 (eye space): x = 0 lies on it.
        const GLdouble plane[4] = {1, 0, 0, 0};
        glClipPlane(GL_CLIP_PLANE0, plane);
        glEnable(GL_CLIP_PLANE0);
        const struct {
            float x;
            bool drawn;
        } user[] = {{0.0f, true}, {-0.0f, true}, {-1e-30f, false}, {1e-30f, true}};
        for (const auto& u : user) {
            auto got = feedback(GL_2D, [&] {
                glBegin(GL_POINTS);
                glVertex2f(u.x, 0.5f);
                glEnd();
            });
            EXPECT_EQ(got.size(), u.drawn ? 3u : 0u) << "user plane x " << u.x << " road " << road;
        }
        glDisable(GL_CLIP_PLANE0);
    }
    GLfloat on = 0.0f;
    glCullParameterfvQTA(0x81AD, &on);
}

// The planar two-component test is chosen by the composite's z translation
// compared as a float: -2 is outside [-1, 1] and must clip.
TEST_F(GeomTest, PlanarClipTestChoice) {
    const struct {
        float z;
        bool drawn;
    } cases[] = {{-2.0f, false}, {2.0f, false}, {-0.5f, true}, {0.5f, true}, {-1.0f, true}};
    for (const auto& c : cases) {
        glLoadIdentity();
        glTranslatef(0, 0, c.z);
        auto got = feedback(GL_3D, [] {
            glBegin(GL_POINTS);
            glVertex2f(0.25f, 0.25f);
            glEnd();
        });
        ASSERT_EQ(got.size(), c.drawn ? 4u : 0u) << c.z;
        if (c.drawn) {
            EXPECT_EQ(got[3], (c.z + 1) / 2) << c.z;
        }
    }
    glLoadIdentity();
}

}  // namespace
