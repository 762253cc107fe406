// Evaluators: positions against a double Bernstein reference, attribute maps,
// automatic normals, grids and meshes, current values, map queries, errors.
#include <math.h>
#include <algorithm>
#include <array>
#include <set>
#include "geomtest.h"

namespace {

// ---- Double reference.

double binom(int n, int r) {
    double c = 1;
    for (int i = 1; i <= r; i++) c = c * (n - r + i) / i;
    return c;
}
// B(m-1, r)(t) and its derivative in t.
double bern(int m, int r, double t) { return binom(m - 1, r) * pow(t, r) * pow(1 - t, m - 1 - r); }
double bernD(int m, int r, double t) {
    if (m == 1) return 0;
    const double a = r > 0 ? bern(m - 1, r - 1, t) : 0, b = r < m - 1 ? bern(m - 1, r, t) : 0;
    return (m - 1) * (a - b);
}

// Deterministic control values in [-0.4, 0.4].
float ctl(int n) { return (float)(((n * 7919 + 13) % 801) - 400) / 1000.0f; }

// Calls the thread's live table sees, with the current normal at each vertex.
struct Event {
    int kind;  // 0 begin, 1 vertex, 2 end
    GLenum mode;
    std::array<float, 4> v;
    std::array<float, 3> normal;
};
std::vector<Event>* events;
GlEntryProc original[4];
const int hooked[4] = {GL_SLOT_Begin, GL_SLOT_End, GL_SLOT_Vertex3fv, GL_SLOT_Vertex4fv};
GlEntryProc& slotOf(int slot) { return __glThreadState()->dispatch.entry[slot - GL_FIRST_SLOT]; }
void vertexEvent(const GLfloat* v, int n) {
    const GLfloat* nm = __glCurrentContext()->current.normal;
    events->push_back({1, 0, {v[0], v[1], v[2], n == 4 ? v[3] : 1.0f}, {nm[0], nm[1], nm[2]}});
}
void GLIMM hookBegin(GLenum m) {
    events->push_back({0, m, {}, {}});
    ((decltype(&glBegin))original[0])(m);
}
void GLIMM hookEnd() {
    events->push_back({2, 0, {}, {}});
    ((decltype(&glEnd))original[1])();
}
void GLIMM hookVertex3(const GLfloat* v) {
    vertexEvent(v, 3);
    ((decltype(&glVertex3fv))original[2])(v);
}
void GLIMM hookVertex4(const GLfloat* v) {
    vertexEvent(v, 4);
    ((decltype(&glVertex4fv))original[3])(v);
}
struct Recorder {
    std::vector<Event> got;
    Recorder() {
        events = &got;
        const GlEntryProc hooks[4] = {(GlEntryProc)hookBegin, (GlEntryProc)hookEnd, (GlEntryProc)hookVertex3,
                                      (GlEntryProc)hookVertex4};
        for (int i = 0; i < 4; i++) original[i] = slotOf(hooked[i]), slotOf(hooked[i]) = hooks[i];
    }
    ~Recorder() {
        for (int i = 0; i < 4; i++) slotOf(hooked[i]) = original[i];
    }
};

// Grid parameter as the grid rule forms it.
float gridParam(int i, int n, float a, float b) { return i == n ? b : a + (float)i * ((b - a) / (float)n); }

class EvalTest : public GeomTest {
protected:
    void SetUp() override {
        GeomTest::SetUp();
        glViewport(0, 0, 1024, 1024);  // window x = (x / w + 1) * 512, y likewise, z = (z / w + 1) / 2
    }
    // Window position (x, y, z) and clip w of each feedback point record.
    static std::vector<std::array<double, 4>> points(const std::vector<GLfloat>& fb) {
        std::vector<std::array<double, 4>> out;
        for (size_t i = 0; i + 12 < fb.size() + 0 && fb[i] == (GLfloat)GL_POINT_TOKEN; i += 13)
            out.push_back({fb[i + 1], fb[i + 2], fb[i + 3], fb[i + 4]});
        return out;
    }
    static std::array<double, 4> window(const double p[4]) {
        return {(p[0] / p[3] + 1) * 512, (p[1] / p[3] + 1) * 512, (p[2] / p[3] + 1) / 2, p[3]};
    }
};

TEST_F(EvalTest, Map1PositionsAreBernsteinForOrders1To30) {
    const struct {
        GLenum target;
        int k, pad;
    } maps[] = {{GL_MAP1_VERTEX_3, 3, 0}, {GL_MAP1_VERTEX_3, 3, 2}, {GL_MAP1_VERTEX_4, 4, 0}, {GL_MAP1_VERTEX_4, 4, 3}};
    const float u1 = -1.5f, u2 = 2.5f;
    const float us[] = {-1.5f, -0.7f, 0.5f, 1.9f, 2.5f};
    for (const auto& m : maps) {
        glDisable(GL_MAP1_VERTEX_3), glDisable(GL_MAP1_VERTEX_4);
        glEnable(m.target);
        const int stride = m.k + m.pad;
        for (int order = 1; order <= 30; order++) {
            std::vector<float> pts((size_t)stride * order, 99.0f);
            for (int r = 0; r < order; r++)
                for (int c = 0; c < m.k; c++) pts[r * stride + c] = c == 3 ? 1.0f + ctl(r * 5 + order) : ctl(r * 4 + c + order);
            glMap1f(m.target, u1, u2, stride, order, pts.data());
            ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            auto got = points(feedback(GL_4D_COLOR_TEXTURE, [&] {
                glBegin(GL_POINTS);
                for (float u : us) glEvalCoord1f(u);
                glEnd();
            }));
            ASSERT_EQ(got.size(), 5u) << order;
            for (int s = 0; s < 5; s++) {
                const double t = ((double)us[s] - u1) / ((double)u2 - u1);
                double p[4] = {0, 0, 0, m.k == 4 ? 0.0 : 1.0};
                for (int r = 0; r < order; r++)
                    for (int c = 0; c < m.k; c++) p[c] += bern(order, r, t) * pts[r * stride + c];
                const auto want = window(p);
                for (int c = 0; c < 4; c++)
                    EXPECT_NEAR(got[s][c], want[c], c < 2 ? 0.01 : 2e-5) << m.target << " order " << order << " u " << us[s] << " c " << c;
            }
        }
    }
}

TEST_F(EvalTest, Map2PositionsAreBernsteinWithStrides) {
    // Points laid out v-major (ustride = k, vstride = k * uorder + pad), doubles and floats.
    const struct {
        GLenum target;
        int k, uorder, vorder, pad;
        bool doubles;
    } cases[] = {
        {GL_MAP2_VERTEX_3, 3, 1, 1, 0, false}, {GL_MAP2_VERTEX_3, 3, 2, 3, 1, false},
        {GL_MAP2_VERTEX_4, 4, 4, 1, 0, true},  {GL_MAP2_VERTEX_3, 3, 30, 2, 2, false},
        {GL_MAP2_VERTEX_4, 4, 3, 30, 0, false}, {GL_MAP2_VERTEX_3, 3, 12, 12, 5, true},
    };
    const float uv[][2] = {{0.25f, -1}, {0.25f, 3}, {0.6f, 0.1f}, {0.9f, 2.2f}, {1.0f, 3.0f}};
    for (const auto& c : cases) {
        glDisable(GL_MAP2_VERTEX_3), glDisable(GL_MAP2_VERTEX_4);
        glEnable(c.target);
        const int ustride = c.k, vstride = c.k * c.uorder + c.pad;
        std::vector<double> pts((size_t)vstride * c.vorder, 99.0);
        for (int i = 0; i < c.uorder; i++)
            for (int j = 0; j < c.vorder; j++)
                for (int e = 0; e < c.k; e++)
                    pts[i * ustride + j * vstride + e] = e == 3 ? 1.0 + ctl(i * 31 + j) : ctl(i * 17 + j * 5 + e);
        std::vector<float> fpts(pts.begin(), pts.end());
        if (c.doubles) glMap2d(c.target, 0.25, 1.0, ustride, c.uorder, -1.0, 3.0, vstride, c.vorder, pts.data());
        else glMap2f(c.target, 0.25f, 1.0f, ustride, c.uorder, -1.0f, 3.0f, vstride, c.vorder, fpts.data());
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        auto got = points(feedback(GL_4D_COLOR_TEXTURE, [&] {
            glBegin(GL_POINTS);
            for (const auto& p : uv) glEvalCoord2f(p[0], p[1]);
            glEnd();
        }));
        ASSERT_EQ(got.size(), 5u);
        for (int s = 0; s < 5; s++) {
            const double tu = (uv[s][0] - 0.25) / 0.75, tv = (uv[s][1] + 1.0) / 4.0;
            double p[4] = {0, 0, 0, c.k == 4 ? 0.0 : 1.0};
            for (int i = 0; i < c.uorder; i++)
                for (int j = 0; j < c.vorder; j++)
                    for (int e = 0; e < c.k; e++)
                        p[e] += bern(c.uorder, i, tu) * bern(c.vorder, j, tv) * (float)pts[i * ustride + j * vstride + e];
            const auto want = window(p);
            for (int e = 0; e < 4; e++)
                EXPECT_NEAR(got[s][e], want[e], e < 2 ? 0.01 : 2e-5) << c.uorder << "x" << c.vorder << " point " << s << " c " << e;
        }
    }
}

TEST_F(EvalTest, ColorAndTextureMaps) {
    // Order 3 maps on [0, 2], evaluated at u = 0.5 (t = 0.25); the vertex map is the default point.
    const float pts[12] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 0.35f, 0.45f, 0.55f};
    auto at = [&](int k, int c) { return 0.5625 * pts[c] + 0.375 * pts[k + c] + 0.0625 * pts[2 * k + c]; };
    const struct {
        std::vector<GLenum> enable;
        int colorK;          // 0: colour unchanged
        int texK;            // 0: texture unchanged
    } cases[] = {
        {{GL_MAP1_COLOR_4}, 4, 0},
        {{GL_MAP1_TEXTURE_COORD_1}, 0, 1},
        {{GL_MAP1_TEXTURE_COORD_2}, 0, 2},
        {{GL_MAP1_TEXTURE_COORD_3}, 0, 3},
        {{GL_MAP1_TEXTURE_COORD_4}, 0, 4},
        {{GL_MAP1_TEXTURE_COORD_2, GL_MAP1_TEXTURE_COORD_4, GL_MAP1_COLOR_4}, 4, 4},
        {{GL_MAP1_TEXTURE_COORD_1, GL_MAP1_TEXTURE_COORD_3}, 0, 3},
    };
    const GLenum texMaps[4] = {GL_MAP1_TEXTURE_COORD_1, GL_MAP1_TEXTURE_COORD_2, GL_MAP1_TEXTURE_COORD_3,
                               GL_MAP1_TEXTURE_COORD_4};
    for (int k = 1; k <= 4; k++) glMap1f(texMaps[k - 1], 0, 2, k, 3, pts);
    glMap1f(GL_MAP1_COLOR_4, 0, 2, 4, 3, pts);
    glEnable(GL_MAP1_VERTEX_3);
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    glTexCoord4f(5, 6, 7, 8);
    for (const auto& c : cases) {
        for (GLenum t : texMaps) glDisable(t);
        glDisable(GL_MAP1_COLOR_4);
        for (GLenum e : c.enable) glEnable(e);
        auto fb = feedback(GL_4D_COLOR_TEXTURE, [] {
            glBegin(GL_POINTS);
            glEvalCoord1f(0.5f);
            glEnd();
        });
        ASSERT_EQ(fb.size(), 13u);
        double color[4] = {0.25, 0.5, 0.75, 1}, tex[4] = {5, 6, 7, 8};
        for (int i = 0; c.colorK && i < 4; i++) color[i] = at(4, i);
        if (c.texK)
            for (int i = 0; i < 4; i++) tex[i] = i < c.texK ? at(c.texK, i) : i == 3 ? 1 : 0;
        for (int i = 0; i < 4; i++) {
            EXPECT_NEAR(fb[5 + i], color[i], 1e-6) << c.enable.size() << " colour " << i;
            EXPECT_NEAR(fb[9 + i], tex[i], 1e-6) << c.texK << " texture " << i;
        }
    }
}

// Normal at a vertex, through the live table.
std::array<float, 3> normalAt(const std::function<void()>& draw) {
    Recorder r;
    draw();
    for (const auto& e : r.got)
        if (e.kind == 1) return e.normal;
    return {NAN, NAN, NAN};
}

// Normal recovered through lighting: white diffuse material, lights 0..2
// directional along +x, +y, +z (red, green, blue), then along -x, -y, -z.
std::array<double, 3> litNormal(const std::function<std::vector<GLfloat>(GLenum, std::function<void()>)>& fb,
                                const std::function<void()>& draw) {
    const GLfloat zero[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    glEnable(GL_LIGHTING);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, zero);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, zero);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, zero);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    std::array<double, 3> n = {NAN, NAN, NAN};
    std::array<double, 3> sum = {};
    for (int sign = 1; sign >= -1; sign -= 2) {
        for (int i = 0; i < 3; i++) {
            GLfloat color[4] = {0, 0, 0, 1}, pos[4] = {0, 0, 0, 0};
            color[i] = 1, pos[i] = (GLfloat)sign;
            glEnable(GL_LIGHT0 + i);
            glLightfv(GL_LIGHT0 + i, GL_AMBIENT, zero);
            glLightfv(GL_LIGHT0 + i, GL_SPECULAR, zero);
            glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, color);
            glLightfv(GL_LIGHT0 + i, GL_POSITION, pos);
        }
        auto words = fb(GL_3D_COLOR, draw);
        if (words.size() != 8) return n;
        for (int i = 0; i < 3; i++) sum[i] += sign * words[4 + i];
    }
    glDisable(GL_LIGHTING);
    return sum;
}

// The normal of each evaluated vertex, read at the vertex through the live
// table and recovered from lit feedback colours.
TEST_F(EvalTest, AutomaticNormals) {
    auto fb = [&](GLenum type, std::function<void()> draw) { return feedback(type, draw); };
    auto lit = [&](float u, float v) {
        return litNormal(fb, [=] { glBegin(GL_POINTS); glEvalCoord2f(u, v); glEnd(); });
    };
    // Bilinear patches; expected unit normals of p_u x p_v with p = (x, y, z[, w]).
    const struct {
        const char* name;
        GLenum target;
        float u1, u2, v1, v2;
        std::vector<float> pts;  // 2 x 2 points, u-major
        std::array<double, 3> normal;
    } cases[] = {
        {"xy plane", GL_MAP2_VERTEX_3, 0, 1, 0, 1, {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0}, {0, 0, 1}},
        {"u reversed", GL_MAP2_VERTEX_3, 1, 0, 0, 1, {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0}, {0, 0, -1}},
        {"both reversed", GL_MAP2_VERTEX_3, 1, 0, 1, 0, {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0}, {0, 0, 1}},
        {"u along y", GL_MAP2_VERTEX_3, 0, 1, 0, 1, {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 0, -1}},
        {"x = z plane", GL_MAP2_VERTEX_3, 0, 1, 0, 1, {0, 0, 0, 0, 1, 0, 1, 0, 1, 1, 1, 1},
         {-M_SQRT1_2, 0, M_SQRT1_2}},
        {"homogeneous", GL_MAP2_VERTEX_4, 0, 1, 0, 1, {0, 0, 0, 1, 0, 2, 0, 2, 3, 0, 0, 3, 4, 4, 0, 4}, {0, 0, 1}},
    };
    glEnable(GL_AUTO_NORMAL);
    glMap2f(GL_MAP2_NORMAL, 0, 1, 3, 1, 0, 1, 3, 1, std::vector<float>{1, 0, 0}.data());
    glEnable(GL_MAP2_NORMAL);  // not used while GL_AUTO_NORMAL is on
    for (const auto& c : cases) {
        glDisable(GL_MAP2_VERTEX_3), glDisable(GL_MAP2_VERTEX_4);
        glEnable(c.target);
        const int k = c.target == GL_MAP2_VERTEX_4 ? 4 : 3;
        glMap2f(c.target, c.u1, c.u2, 2 * k, 2, c.v1, c.v2, k, 2, c.pts.data());
        auto n = normalAt([] { glEvalCoord2f(0.3f, 0.6f); });
        for (int i = 0; i < 3; i++) EXPECT_NEAR(n[i], c.normal[i], 2e-3) << c.name << " " << i;
        const auto l = lit(0.3f, 0.6f);
        for (int i = 0; i < 3; i++) EXPECT_NEAR(l[i], c.normal[i], 1e-2) << c.name << " lit " << i;
    }
    // Curved: a cubic x quadratic patch against the double derivative cross product.
    glDisable(GL_MAP2_VERTEX_4), glEnable(GL_MAP2_VERTEX_3);
    std::vector<float> pts(4 * 3 * 3);
    for (size_t i = 0; i < pts.size(); i++)
        pts[i] = (ctl((int)i * 3 + 1) + (i % 3 == 0 ? (float)(i / 9) : i % 3 == 1 ? (float)(i / 3 % 3) : 0.0f)) / 4;
    glMap2f(GL_MAP2_VERTEX_3, 0, 1, 9, 4, 0, 1, 3, 3, pts.data());
    for (const auto& uv : {std::array<float, 2>{0.2f, 0.7f}, {0.5f, 0.5f}, {0.9f, 0.1f}}) {
        double du[3] = {}, dv[3] = {};
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 3; j++)
                for (int e = 0; e < 3; e++) {
                    du[e] += bernD(4, i, uv[0]) * bern(3, j, uv[1]) * pts[(i * 3 + j) * 3 + e];
                    dv[e] += bern(4, i, uv[0]) * bernD(3, j, uv[1]) * pts[(i * 3 + j) * 3 + e];
                }
        double n[3] = {du[1] * dv[2] - du[2] * dv[1], du[2] * dv[0] - du[0] * dv[2], du[0] * dv[1] - du[1] * dv[0]};
        const double len = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        auto got = normalAt([&] { glEvalCoord2f(uv[0], uv[1]); });
        for (int i = 0; i < 3; i++) EXPECT_NEAR(got[i], n[i] / len, 2e-3) << uv[0] << "," << uv[1] << " " << i;
        const auto l = lit(uv[0], uv[1]);
        for (int i = 0; i < 3; i++) EXPECT_NEAR(l[i], n[i] / len, 1e-2) << uv[0] << "," << uv[1] << " lit " << i;
    }
    // Without GL_AUTO_NORMAL the normal map gives the normal.
    glDisable(GL_AUTO_NORMAL);
    auto n = normalAt([] { glEvalCoord2f(0.3f, 0.6f); });
    EXPECT_EQ(n, (std::array<float, 3>{1, 0, 0}));
    const auto l = lit(0.3f, 0.6f);
    for (int i = 0; i < 3; i++) EXPECT_NEAR(l[i], i == 0 ? 1.0 : 0.0, 1e-2) << "normal map lit " << i;
}

TEST_F(EvalTest, GridEndPointsAreExact) {
    // A domain and count whose stepped end misses the end value in float.
    const float u1 = 0.3f, u2 = 1.1f;
    int n = 3;
    while (n < 64 && u1 + (float)n * ((u2 - u1) / (float)n) == u2) n++;
    ASSERT_LT(n, 64);
    const float line[6] = {0, 0, 0, 1, 0.5f, 0};
    glMap1f(GL_MAP1_VERTEX_3, u1, u2, 3, 2, line);
    glMap2f(GL_MAP2_VERTEX_3, u1, u2, 6, 2, u1, u2, 3, 2,
            std::vector<float>{0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0.5f}.data());
    glEnable(GL_MAP1_VERTEX_3), glEnable(GL_MAP2_VERTEX_3);
    glMapGrid1f(n, u1, u2);
    glMapGrid2f(n, u1, u2, n, u1, u2);
    auto endPoint = feedback(GL_3D, [] {
        glBegin(GL_POINTS);
        glVertex3f(1, 0.5f, 0);
        glVertex3f(1, 1, 0.5f);
        glEnd();
    });
    ASSERT_EQ(endPoint.size(), 8u);
    const std::vector<float> end1(endPoint.begin(), endPoint.begin() + 4), end2(endPoint.begin() + 4, endPoint.end());
    auto tail = [](const std::vector<GLfloat>& fb) { return std::vector<float>(fb.end() - 3, fb.end()); };
    const std::vector<float> e1(end1.begin() + 1, end1.end()), e2(end2.begin() + 1, end2.end());
    EXPECT_EQ(tail(feedback(GL_3D, [&] { glBegin(GL_POINTS); glEvalPoint1(n); glEnd(); })), e1);
    EXPECT_EQ(tail(feedback(GL_3D, [&] { glEvalMesh1(GL_POINT, 0, n); })), e1);
    EXPECT_EQ(tail(feedback(GL_3D, [&] { glBegin(GL_POINTS); glEvalPoint2(n, n); glEnd(); })), e2);
    EXPECT_EQ(tail(feedback(GL_3D, [&] { glEvalMesh2(GL_POINT, n - 1, n, n - 1, n); })), e2);
}

// Vertex positions (x, y) of one recorded primitive per begin.
using Prims = std::vector<std::pair<GLenum, std::vector<std::array<float, 2>>>>;
Prims primitives(const std::vector<Event>& ev) {
    Prims out;
    for (const auto& e : ev) {
        if (e.kind == 0) out.push_back({e.mode, {}});
        else if (e.kind == 1 && !out.empty()) out.back().second.push_back({e.v[0], e.v[1]});
    }
    return out;
}

TEST_F(EvalTest, MeshPointLineAndFillSets) {
    // x = u, y = v exactly: order-2 maps from 0 to 1 on [0, 1].
    glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 2, std::vector<float>{0, 0, 0, 1, 0, 0}.data());
    glMap2f(GL_MAP2_VERTEX_3, 0, 1, 6, 2, 0, 1, 3, 2, std::vector<float>{0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0}.data());
    glEnable(GL_MAP1_VERTEX_3), glEnable(GL_MAP2_VERTEX_3);
    const int nu = 5, nv = 3;
    glMapGrid1f(nu, 0.2f, 0.9f);
    glMapGrid2f(nu, 0.2f, 0.9f, nv, 0.1f, 0.8f);
    using P = std::array<float, 2>;
    // Positions of the grid points as glEvalCoord gives them.
    std::vector<P> pos1;
    std::vector<std::vector<P>> pos2(nu + 1);
    {
        Recorder r;
        for (int i = 0; i <= nu; i++) {
            glEvalCoord1f(gridParam(i, nu, 0.2f, 0.9f));
            for (int j = 0; j <= nv; j++) glEvalCoord2f(gridParam(i, nu, 0.2f, 0.9f), gridParam(j, nv, 0.1f, 0.8f));
        }
        size_t e = 0;
        for (int i = 0; i <= nu; i++) {
            pos1.push_back({r.got[e].v[0], r.got[e].v[1]}), e++;
            for (int j = 0; j <= nv; j++, e++) pos2[i].push_back({r.got[e].v[0], r.got[e].v[1]});
        }
    }
    using Seg = std::pair<P, P>;
    auto seg = [](P a, P b) { return a < b ? Seg{a, b} : Seg{b, a}; };
    const struct {
        int dims;
        GLenum mode;
        int i1, i2, j1, j2;
    } cases[] = {
        {1, GL_POINT, 0, nu, 0, 0}, {1, GL_LINE, 1, 4, 0, 0}, {1, GL_LINE, 3, 2, 0, 0},
        {2, GL_POINT, 0, nu, 0, nv}, {2, GL_POINT, 1, 2, 2, 3},
        {2, GL_LINE, 0, nu, 0, nv}, {2, GL_LINE, 2, 4, 1, 1}, {2, GL_LINE, 3, 3, 0, 2},
        {2, GL_FILL, 0, nu, 0, nv}, {2, GL_FILL, 1, 3, 2, 3}, {2, GL_FILL, 2, 2, 0, 3},
    };
    for (const auto& c : cases) {
        Prims got;
        {
            Recorder r;
            if (c.dims == 1) glEvalMesh1(c.mode, c.i1, c.i2);
            else glEvalMesh2(c.mode, c.i1, c.i2, c.j1, c.j2);
            got = primitives(r.got);
        }
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        const std::string what = std::to_string(c.dims) + " " + std::to_string(c.mode) + " " + std::to_string(c.i1) +
                                 ".." + std::to_string(c.i2) + " " + std::to_string(c.j1) + ".." + std::to_string(c.j2);
        const int j1 = c.dims == 1 ? 0 : c.j1, j2 = c.dims == 1 ? 0 : c.j2;
        auto gp = [&](int i, int j) { return c.dims == 1 ? pos1[i] : pos2[i][j]; };
        if (c.mode == GL_POINT) {
            std::multiset<P> want, have;
            for (int i = c.i1; i <= c.i2; i++)
                for (int j = j1; j <= j2; j++) want.insert(gp(i, j));
            for (const auto& p : got) {
                EXPECT_EQ(p.first, (GLenum)GL_POINTS) << what;
                have.insert(p.second.begin(), p.second.end());
            }
            EXPECT_EQ(have, want) << what;
        } else if (c.mode == GL_LINE) {
            std::multiset<Seg> want, have;
            for (int i = c.i1; i <= c.i2; i++)
                for (int j = j1; j <= j2; j++) {
                    if (i < c.i2) want.insert(seg(gp(i, j), gp(i + 1, j)));
                    if (j < j2) want.insert(seg(gp(i, j), gp(i, j + 1)));
                }
            for (const auto& p : got) {
                EXPECT_EQ(p.first, (GLenum)GL_LINE_STRIP) << what;
                for (size_t k = 1; k < p.second.size(); k++) have.insert(seg(p.second[k - 1], p.second[k]));
            }
            EXPECT_EQ(have, want) << what;
            // Each grid line is one strip (a stipple runs on along it).
            if (c.dims == 2 && c.i1 < c.i2 && j1 < j2) {
                EXPECT_EQ(got.size(), (size_t)(c.i2 - c.i1 + 1 + j2 - j1 + 1)) << what;
            }
        } else {
            // One quad strip per u step: (i, j), (i + 1, j) for j from j2 down.
            Prims want;
            for (int i = c.i1; i < c.i2; i++) {
                want.push_back({GL_QUAD_STRIP, {}});
                for (int j = j2; j >= j1; j--) want.back().second.push_back(gp(i, j)), want.back().second.push_back(gp(i + 1, j));
            }
            EXPECT_EQ(got, want) << what;
        }
    }
    // The smallest fill, in grid indices (0, 1), (1, 1), (0, 0), (1, 0).
    Recorder r;
    glEvalMesh2(GL_FILL, 0, 1, 0, 1);
    const Prims want = {{GL_QUAD_STRIP, {pos2[0][1], pos2[1][1], pos2[0][0], pos2[1][0]}}};
    EXPECT_EQ(primitives(r.got), want);
}

TEST_F(EvalTest, FillBeyondTheCacheMatchesEvaluation) {
    // Strips longer than the cache: every point equals its own evaluation.
    std::vector<float> pts(3 * 3 * 3);
    for (size_t i = 0; i < pts.size(); i++) pts[i] = ctl((int)i);
    glMap2f(GL_MAP2_VERTEX_3, 0, 1, 9, 3, 0, 1, 3, 3, pts.data());
    glEnable(GL_MAP2_VERTEX_3);
    const int nv = 1100;
    glMapGrid2f(3, 0, 1, nv, 0, 1);
    std::vector<Event> got, want;
    {
        Recorder mesh;
        glEvalMesh2(GL_FILL, 0, 3, 0, nv);
        got = mesh.got;
    }
    {
        Recorder direct;
        for (int i = 0; i < 3; i++) {
            glBegin(GL_QUAD_STRIP);
            for (int j = nv; j >= 0; j--) {
                glEvalCoord2f(gridParam(i, 3, 0, 1), gridParam(j, nv, 0, 1));
                glEvalCoord2f(gridParam(i + 1, 3, 0, 1), gridParam(j, nv, 0, 1));
            }
            glEnd();
        }
        want = direct.got;
    }
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) ASSERT_EQ(got[i].v, want[i].v) << i;
}

TEST_F(EvalTest, EvaluationLeavesCurrentValuesUnchanged) {
    std::vector<float> pts(4 * 4, 0.3f);
    const GLenum m1[] = {GL_MAP1_COLOR_4, GL_MAP1_NORMAL, GL_MAP1_TEXTURE_COORD_4, GL_MAP1_VERTEX_3, GL_MAP1_INDEX};
    const GLenum m2[] = {GL_MAP2_COLOR_4, GL_MAP2_NORMAL, GL_MAP2_TEXTURE_COORD_4, GL_MAP2_VERTEX_3, GL_MAP2_INDEX};
    for (GLenum t : m1) glMap1f(t, 0, 1, 4, 2, pts.data()), glEnable(t);
    for (GLenum t : m2) glMap2f(t, 0, 1, 8, 2, 0, 1, 4, 2, pts.data()), glEnable(t);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    glNormal3f(0.5f, 0.6f, 0.7f);
    glTexCoord4f(1, 2, 3, 4);
    glIndexf(7);
    const struct {
        const char* name;
        std::function<void()> call;
    } cases[] = {
        {"coord1", [] { glEvalCoord1f(0.5f); }},
        {"coord1 in begin", [] { glBegin(GL_POINTS); glEvalCoord1d(0.5); glEnd(); }},
        {"coord2", [] { glEvalCoord2f(0.5f, 0.5f); }},
        {"auto normal", [] { glEnable(GL_AUTO_NORMAL); glEvalCoord2f(0.5f, 0.5f); glDisable(GL_AUTO_NORMAL); }},
        {"point1", [] { glEvalPoint1(1); }},
        {"point2", [] { glEvalPoint2(1, 0); }},
        {"mesh1", [] { glEvalMesh1(GL_LINE, 0, 1); }},
        {"mesh2 point", [] { glEvalMesh2(GL_POINT, 0, 1, 0, 1); }},
        {"mesh2 line", [] { glEvalMesh2(GL_LINE, 0, 1, 0, 1); }},
        {"mesh2 fill", [] { glEvalMesh2(GL_FILL, 0, 1, 0, 1); }},
        {"no map", [&] { for (GLenum t : m1) glDisable(t); glEvalCoord1f(0.5f); for (GLenum t : m1) glEnable(t); }},
    };
    auto current = [] {
        std::vector<GLfloat> v(13);
        glGetFloatv(GL_CURRENT_COLOR, &v[0]);
        glGetFloatv(GL_CURRENT_NORMAL, &v[4]);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, &v[7]);
        glGetFloatv(GL_CURRENT_INDEX, &v[11]);
        return v;
    };
    const auto before = current();
    for (const auto& c : cases) {
        c.call();
        feedback(GL_3D_COLOR, c.call);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << c.name;
        EXPECT_EQ(current(), before) << c.name;
    }
}

TEST_F(EvalTest, EvaluatedColourTakesTheGlColorPath) {
    // The lit or unlit, colour-material or not, colour of an evaluated vertex
    // equals that of glColor with the same value.
    const float colors[][4] = {{0.2f, 0.4f, 0.6f, 0.8f}, {-0.5f, 1.5f, 0.5f, 2.0f}};
    const struct {
        bool lighting, colorMaterial;
    } cases[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    glEnable(GL_MAP1_COLOR_4), glEnable(GL_MAP1_VERTEX_3);
    glEnable(GL_LIGHT0);
    for (const auto& c : cases)
        for (const auto& col : colors) {
            c.lighting ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
            c.colorMaterial ? glEnable(GL_COLOR_MATERIAL) : glDisable(GL_COLOR_MATERIAL);
            glMap1f(GL_MAP1_COLOR_4, 0, 1, 4, 1, col);
            glColor4f(0.9f, 0.9f, 0.9f, 0.9f);
            auto evaluated = feedback(GL_3D_COLOR, [] { glBegin(GL_POINTS); glEvalCoord1f(0.5f); glEnd(); });
            if (c.colorMaterial) {
                // The material follows the unchanged current colour again.
                GLfloat diffuse[4];
                glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
                EXPECT_EQ(std::vector<float>(diffuse, diffuse + 4), std::vector<float>(4, 0.9f)) << c.lighting;
            }
            glColor4fv(col);
            auto direct = feedback(GL_3D_COLOR, [] { glBegin(GL_POINTS); glVertex3f(0, 0, 0); glEnd(); });
            EXPECT_EQ(evaluated, direct) << c.lighting << c.colorMaterial << " " << col[0];
        }
}

TEST_F(EvalTest, GetMapReturnsTheMaps) {
    // Defaults of all eighteen maps.
    const float defaults[9][4] = {{1, 1, 1, 1}, {1}, {0, 0, 1}, {0}, {0, 0}, {0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0}, {0, 0, 0, 1}};
    const int ks[9] = {4, 1, 3, 1, 2, 3, 4, 3, 4};
    for (int d = 0; d < 2; d++)
        for (int i = 0; i < 9; i++) {
            const GLenum t = (d ? GL_MAP2_COLOR_4 : GL_MAP1_COLOR_4) + i;
            GLint order[2] = {-1, -1};
            GLfloat domain[4] = {-1, -1, -1, -1}, coeff[4] = {-1, -1, -1, -1};
            glGetMapiv(t, GL_ORDER, order);
            glGetMapfv(t, GL_DOMAIN, domain);
            glGetMapfv(t, GL_COEFF, coeff);
            EXPECT_EQ(order[0], 1) << t;
            EXPECT_EQ(order[1], d ? 1 : -1) << t;
            EXPECT_EQ(domain[0], 0) << t;
            EXPECT_EQ(domain[1], 1) << t;
            for (int c = 0; c < ks[i]; c++) EXPECT_EQ(coeff[c], defaults[i][c]) << t << " " << c;
        }
    // A strided 1-D map and a strided 2-D map from doubles come back packed.
    const float p1[] = {1, 2, 3, 9, 4, 5, 6, 9, 7, 8, 9, 9};
    glMap1f(GL_MAP1_NORMAL, 0.5f, -2, 4, 3, p1);
    GLint order = 0;
    GLdouble domain[2];
    GLfloat coeff[9];
    glGetMapiv(GL_MAP1_NORMAL, GL_ORDER, &order);
    glGetMapdv(GL_MAP1_NORMAL, GL_DOMAIN, domain);
    glGetMapfv(GL_MAP1_NORMAL, GL_COEFF, coeff);
    EXPECT_EQ(order, 3);
    EXPECT_EQ(domain[0], 0.5);
    EXPECT_EQ(domain[1], -2.0);
    EXPECT_EQ(std::vector<float>(coeff, coeff + 9), (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    // uorder 2, vorder 3, k 2; ustride 2, vstride 5.
    std::vector<double> p2(15, 99);
    for (int i = 0; i < 2; i++)
        for (int j = 0; j < 3; j++)
            for (int e = 0; e < 2; e++) p2[i * 2 + j * 5 + e] = 10 * i + 2 * j + e;
    glMap2d(GL_MAP2_TEXTURE_COORD_2, 0, 1, 2, 2, 3, 4, 5, 3, p2.data());
    GLint orders[2];
    GLfloat dom2[4], c2[12];
    glGetMapiv(GL_MAP2_TEXTURE_COORD_2, GL_ORDER, orders);
    glGetMapfv(GL_MAP2_TEXTURE_COORD_2, GL_DOMAIN, dom2);
    glGetMapfv(GL_MAP2_TEXTURE_COORD_2, GL_COEFF, c2);
    EXPECT_EQ(orders[0], 2);
    EXPECT_EQ(orders[1], 3);
    EXPECT_EQ(std::vector<float>(dom2, dom2 + 4), (std::vector<float>{0, 1, 3, 4}));
    EXPECT_EQ(std::vector<float>(c2, c2 + 12), (std::vector<float>{0, 1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 15}));
    // Grids.
    glMapGrid2d(7, 0.25, 0.5, 9, -1, 1);
    GLint segs[2];
    GLfloat gdom[4];
    glGetIntegerv(GL_MAP2_GRID_SEGMENTS, segs);
    glGetFloatv(GL_MAP2_GRID_DOMAIN, gdom);
    EXPECT_EQ(segs[0], 7);
    EXPECT_EQ(segs[1], 9);
    EXPECT_EQ(std::vector<float>(gdom, gdom + 4), (std::vector<float>{0.25f, 0.5f, -1, 1}));
}

TEST_F(EvalTest, Errors) {
    std::vector<float> pts(4 * 31 * 31, 0.5f);
    const float* p = pts.data();
    const struct {
        const char* name;
        std::function<void()> call;
        GLenum error;
    } cases[] = {
        {"map1 order 30", [&] { glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 30, p); }, GL_NO_ERROR},
        {"map1 order 31", [&] { glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 31, p); }, GL_INVALID_VALUE},
        {"map1 order 0", [&] { glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 0, p); }, GL_INVALID_VALUE},
        {"map1 stride", [&] { glMap1f(GL_MAP1_VERTEX_3, 0, 1, 2, 4, p); }, GL_INVALID_VALUE},
        {"map1 u1 = u2", [&] { glMap1f(GL_MAP1_VERTEX_3, 1, 1, 3, 4, p); }, GL_INVALID_VALUE},
        {"map1 doubles equal as floats", [&] {
             const double d[3] = {0, 0, 0};
             glMap1d(GL_MAP1_VERTEX_3, 1.0, 1.0 + 1e-12, 3, 1, d);
         }, GL_INVALID_VALUE},
        {"map1 2-D target", [&] { glMap1f(GL_MAP2_VERTEX_3, 0, 1, 3, 4, p); }, GL_INVALID_ENUM},
        {"map1 target", [&] { glMap1f(GL_MAP1_VERTEX_4 + 1, 0, 1, 4, 4, p); }, GL_INVALID_ENUM},
        {"map1 in begin", [&] { glBegin(GL_POINTS); glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 4, p); glEnd(); }, GL_INVALID_OPERATION},
        {"map2 orders 30", [&] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 30, 0, 1, 90, 30, p); }, GL_NO_ERROR},
        {"map2 uorder 31", [&] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 31, 0, 1, 93, 2, p); }, GL_INVALID_VALUE},
        {"map2 vorder 0", [&] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 2, 0, 1, 6, 0, p); }, GL_INVALID_VALUE},
        {"map2 ustride", [&] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 2, 2, 0, 1, 6, 2, p); }, GL_INVALID_VALUE},
        {"map2 vstride", [&] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 6, 2, 0, 1, 2, 2, p); }, GL_INVALID_VALUE},
        {"map2 v1 = v2", [&] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 6, 2, 2, 2, 3, 2, p); }, GL_INVALID_VALUE},
        {"map2 1-D target", [&] { glMap2f(GL_MAP1_VERTEX_3, 0, 1, 6, 2, 0, 1, 3, 2, p); }, GL_INVALID_ENUM},
        {"map2 in begin", [&] { glBegin(GL_POINTS); glMap2f(GL_MAP2_VERTEX_3, 0, 1, 6, 2, 0, 1, 3, 2, p); glEnd(); }, GL_INVALID_OPERATION},
        {"grid1 n 0", [] { glMapGrid1f(0, 0, 1); }, GL_INVALID_VALUE},
        {"grid1 n -1", [] { glMapGrid1d(-1, 0, 1); }, GL_INVALID_VALUE},
        {"grid2 nu 0", [] { glMapGrid2f(0, 0, 1, 3, 0, 1); }, GL_INVALID_VALUE},
        {"grid2 nv -2", [] { glMapGrid2d(3, 0, 1, -2, 0, 1); }, GL_INVALID_VALUE},
        {"grid1 in begin", [] { glBegin(GL_POINTS); glMapGrid1f(4, 0, 1); glEnd(); }, GL_INVALID_OPERATION},
        {"grid2 in begin", [] { glBegin(GL_POINTS); glMapGrid2f(4, 0, 1, 4, 0, 1); glEnd(); }, GL_INVALID_OPERATION},
        {"mesh1 fill", [] { glEvalMesh1(GL_FILL, 0, 1); }, GL_INVALID_ENUM},
        {"mesh2 mode", [] { glEvalMesh2(GL_POINTS, 0, 1, 0, 1); }, GL_INVALID_ENUM},
        {"mesh1 in begin", [] { glBegin(GL_POINTS); glEvalMesh1(GL_POINT, 0, 1); glEnd(); }, GL_INVALID_OPERATION},
        {"mesh2 in begin", [] { glBegin(GL_POINTS); glEvalMesh2(GL_FILL, 0, 1, 0, 1); glEnd(); }, GL_INVALID_OPERATION},
        {"coord and point in begin", [] {
             glBegin(GL_POINTS);
             glEvalCoord1f(0), glEvalCoord2d(0, 0), glEvalPoint1(0), glEvalPoint2(0, 0);
             glEnd();
         }, GL_NO_ERROR},
    };
    const float keep[3] = {0.25f, 0.5f, 0.75f};
    for (const auto& c : cases) {
        glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 1, keep);
        glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 1, 0, 1, 3, 1, keep);
        glMapGrid1f(5, 0, 1);
        glMapGrid2f(5, 0, 1, 6, 0, 1);
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.name;
        if (c.error == GL_NO_ERROR) continue;
        // A failing call changes nothing.
        GLint o1 = 0, o2[2] = {0, 0}, g1 = 0, g2[2] = {0, 0};
        GLfloat c1[3];
        glGetMapiv(GL_MAP1_VERTEX_3, GL_ORDER, &o1);
        glGetMapiv(GL_MAP2_VERTEX_3, GL_ORDER, o2);
        glGetMapfv(GL_MAP1_VERTEX_3, GL_COEFF, c1);
        glGetIntegerv(GL_MAP1_GRID_SEGMENTS, &g1);
        glGetIntegerv(GL_MAP2_GRID_SEGMENTS, g2);
        EXPECT_EQ(o1, 1) << c.name;
        EXPECT_EQ(o2[0] * 10 + o2[1], 11) << c.name;
        EXPECT_EQ(std::vector<float>(c1, c1 + 3), std::vector<float>(keep, keep + 3)) << c.name;
        EXPECT_EQ(g1, 5) << c.name;
        EXPECT_EQ(g2[0] * 10 + g2[1], 56) << c.name;
    }
}

TEST_F(EvalTest, ListsReplayEvaluators) {
    // Maps, grids and meshes compiled into a list draw what the immediate calls draw.
    const float pts[9] = {-0.5f, -0.5f, 0, 0.1f, 0.6f, 0.2f, 0.5f, -0.2f, 0.4f};
    auto draw = [&] {
        glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 3, pts);
        glMapGrid1f(6, 0, 1);
        glEvalMesh1(GL_LINE, 0, 6);
        glBegin(GL_POINTS);
        glEvalCoord1f(0.3f);
        glEvalPoint1(2);
        glEnd();
    };
    glEnable(GL_MAP1_VERTEX_3);
    auto immediate = feedback(GL_3D, draw);
    EXPECT_EQ(immediate.size(), 6u * 7 + 2 * 4);
    glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 1, pts);
    glMapGrid1f(1, 0, 1);
    glNewList(1, GL_COMPILE);
    draw();
    glEndList();
    glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 1, pts);
    glMapGrid1f(1, 0, 1);
    EXPECT_EQ(feedback(GL_3D, [] { glCallList(1); }), immediate);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(EvalContext, MapBlocksAreFreedWithTheContext) {
    const int before = gltestLiveBlocks();
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    const float pts[8] = {};
    glMap1f(GL_MAP1_VERTEX_4, 0, 1, 4, 2, pts);
    glMap2f(GL_MAP2_COLOR_4, 0, 1, 4, 1, 0, 1, 4, 2, pts);
    glMap1f(GL_MAP1_VERTEX_4, 0, 1, 4, 1, pts);
    glEnable(GL_MAP2_VERTEX_3);
    glEvalMesh2(GL_FILL, 0, 2, 0, 1);
    EXPECT_GT(gltestLiveBlocks(), before);
    gltestDestroyCurrent(gc);
    EXPECT_EQ(gltestLiveBlocks(), before);
}

}  // namespace
