// Primitive assembly of every mode, read back through feedback and compared
// with a reference assembler of the GL 1.1 rules.
#include <random>
#include "geomtest.h"
#include "trianglepath.h"

namespace {

struct RefVertex {
    float x, y, z;     // window
    float color[4];
    int edge;
};

// Words of one vertex in GL_3D_COLOR form with the given colour.
void putVertex(std::vector<float>& out, const RefVertex& v, const float* color) {
    out.insert(out.end(), {v.x, v.y, v.z, color[0], color[1], color[2], color[3]});
}

struct RefTriangle {
    RefVertex v[3];
    int provoking;  // index into the input vertices
    bool newGroup;  // the first triangle of a primitive: the stipple restarts
};

// Triangles of the filled modes in the order and orientation the library
// hands them over; edge flags as GL 1.1 gives them.
std::vector<RefTriangle> refTriangles(GLenum mode, const std::vector<RefVertex>& in) {
    std::vector<RefTriangle> out;
    const int n = (int)in.size();
    auto tri = [&](RefVertex a, RefVertex b, RefVertex c, int provoking, bool group) {
        out.push_back({{a, b, c}, provoking, group});
    };
    auto with = [](RefVertex v, int edge) {
        v.edge = edge;
        return v;
    };
    switch (mode) {
    case GL_TRIANGLES:
        for (int i = 0; i + 2 < n; i += 3) tri(in[i + 2], in[i], in[i + 1], i + 2, true);
        break;
    case GL_TRIANGLE_STRIP:
        for (int i = 2; i < n; i++) {
            if (i % 2 == 0) tri(with(in[i], 1), with(in[i - 2], 1), with(in[i - 1], 1), i, true);
            else tri(with(in[i], 1), with(in[i - 1], 1), with(in[i - 2], 1), i, true);
        }
        break;
    case GL_TRIANGLE_FAN:
        for (int i = 2; i < n; i++) tri(with(in[i], 1), with(in[0], 1), with(in[i - 1], 1), i, true);
        break;
    case GL_QUADS:
        for (int i = 0; i + 3 < n; i += 4) {
            tri(in[i + 3], in[i], with(in[i + 1], 0), i + 3, true);
            tri(with(in[i + 3], 0), in[i + 1], in[i + 2], i + 3, false);
        }
        break;
    case GL_QUAD_STRIP:
        for (int i = 0; i + 3 < n; i += 2) {
            RefVertex a = with(in[i], 1), b = with(in[i + 1], 1), c = with(in[i + 2], 1), d = with(in[i + 3], 1);
            tri(c, a, with(b, 0), i + 3, true);
            tri(with(c, 0), b, d, i + 3, false);
        }
        break;
    case GL_POLYGON: {
        if (n < 3) break;
        // At most 16 vertices are held: every 15 form a convex fan whose
        // closing edge is hidden, and the rest fans on from vertex 0 (with
        // its first edge hidden from then on).
        std::vector<std::pair<RefVertex, int>> held;
        bool first = true;
        auto convexFan = [&](std::vector<std::pair<RefVertex, int>> p) {
            const int m = (int)p.size();
            for (int i = 0; i + 2 < m; i++) {
                RefVertex a = p[0].first, b = p[i + 1].first, c = p[i + 2].first;
                if (i > 0) a.edge = 0;
                if (i + 3 < m) c.edge = 0;
                tri(a, b, c, p[0].second, first);
                first = false;
            }
        };
        for (int i = 0; i < n; i++) {
            held.push_back({in[i], i});
            if (held.size() == 16) {
                auto p = held;
                p.resize(15);
                p[14].first.edge = 0;
                convexFan(p);
                auto v0 = held[0];
                v0.first.edge = 0;
                held = {v0, held[14], held[15]};
            }
        }
        if (held.size() >= 3) convexFan(held);
        break;
    }
    }
    return out;
}

std::vector<float> refStream(GLenum mode, GLenum polygonMode, bool flat, const std::vector<RefVertex>& in) {
    std::vector<float> out;
    const int n = (int)in.size();
    bool resetPending = false;
    auto line = [&](const RefVertex& a, const RefVertex& b, const float* ca, const float* cb) {
        out.push_back(resetPending ? GL_LINE_RESET_TOKEN : GL_LINE_TOKEN);
        resetPending = false;
        putVertex(out, a, ca);
        putVertex(out, b, cb);
    };
    auto seg = [&](const RefVertex& a, const RefVertex& b) { line(a, b, flat ? b.color : a.color, b.color); };
    switch (mode) {
    case GL_POINTS:
        for (const RefVertex& v : in) {
            out.push_back(GL_POINT_TOKEN);
            putVertex(out, v, v.color);
        }
        return out;
    case GL_LINES:
        for (int i = 0; i + 1 < n; i += 2) {
            resetPending = true;  // every segment restarts the stipple
            seg(in[i], in[i + 1]);
        }
        return out;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        resetPending = true;
        for (int i = 1; i < n; i++) seg(in[i - 1], in[i]);
        if (mode == GL_LINE_LOOP && n >= 2) seg(in[n - 1], in[0]);
        return out;
    }
    for (const RefTriangle& t : refTriangles(mode, in)) {
        if (t.newGroup) resetPending = true;
        const float* pc = in[t.provoking].color;
        const float* c[3];
        for (int i = 0; i < 3; i++) c[i] = flat ? pc : t.v[i].color;
        if (polygonMode == GL_FILL) {
            out.insert(out.end(), {(float)GL_POLYGON_TOKEN, 3.0f});
            for (int i = 0; i < 3; i++) putVertex(out, t.v[i], c[i]);
        } else if (polygonMode == GL_LINE) {
            for (int i = 0; i < 3; i++)
                if (t.v[i].edge) line(t.v[i], t.v[(i + 1) % 3], c[i], c[(i + 1) % 3]);
        } else {
            for (int i = 0; i < 3; i++)
                if (t.v[i].edge) {
                    out.push_back(GL_POINT_TOKEN);
                    putVertex(out, t.v[i], c[i]);
                }
        }
    }
    return out;
}

bool isToken(float f) { return f >= 1792.0f && f <= 1799.0f && f == (float)(int)f; }

TEST_F(GeomTest, AssemblyOfEveryModeMatchesReference) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> pos(-0.9f, 0.9f), col(0.0f, 1.0f);
    const int counts[] = {0, 1, 2, 3, 4, 5, 15, 16, 17, 35, 36, 37, 72};
    const GLenum polygonModes[] = {GL_FILL, GL_LINE, GL_POINT};
    int cases = 0;
    for (GLenum mode = GL_POINTS; mode <= GL_POLYGON; mode++)
        for (int n : counts)
            for (GLenum pm : polygonModes)
                for (int flat = 0; flat < 2; flat++) {
                    std::vector<RefVertex> in(n);
                    std::vector<float> obj(3 * n);
                    for (int i = 0; i < n; i++) {
                        for (int k = 0; k < 3; k++) obj[3 * i + k] = pos(rng);
                        RefVertex& v = in[i];
                        v.x = (obj[3 * i] + 1.0f) * 32.0f;
                        v.y = (obj[3 * i + 1] + 1.0f) * 24.0f;
                        v.z = (obj[3 * i + 2] + 1.0f) * 0.5f;
                        for (float& c : v.color) c = col(rng);
                        v.edge = (int)(rng() & 1);
                    }
                    glPolygonMode(GL_FRONT_AND_BACK, pm);
                    glShadeModel(flat ? GL_FLAT : GL_SMOOTH);
                    auto got = feedback(GL_3D_COLOR, [&] {
                        glBegin(mode);
                        for (int i = 0; i < n; i++) {
                            glEdgeFlag((GLboolean)in[i].edge);
                            glColor4fv(in[i].color);
                            glVertex3fv(&obj[3 * i]);
                        }
                        glEnd();
                    });
                    const auto want = refStream(mode, pm, flat != 0, in);
                    const std::string what = "mode " + std::to_string(mode) + " n " + std::to_string(n) + " pm " +
                                             std::to_string(pm) + " flat " + std::to_string(flat);
                    ASSERT_EQ(got.size(), want.size()) << what;
                    for (size_t i = 0; i < want.size(); i++) {
                        if (isToken(want[i])) ASSERT_EQ(got[i], want[i]) << what << " word " << i;
                        else ASSERT_NEAR(got[i], want[i], 1e-3) << what << " word " << i;
                    }
                    cases++;
                }
    EXPECT_EQ(cases, 10 * 13 * 3 * 2);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Culling in feedback and selection: back faces dropped, front kept, and
// GL_FRONT_AND_BACK drops everything; both drawable orientations.
TEST_F(GeomTest, FeedbackAndSelectionCulling) {
    const struct {
        GLenum cull, frontFace;
        bool ccw;
        bool drawn;
    } cases[] = {
        {GL_BACK, GL_CCW, true, true},   {GL_BACK, GL_CCW, false, false}, {GL_FRONT, GL_CCW, true, false},
        {GL_FRONT, GL_CCW, false, true}, {GL_BACK, GL_CW, true, false},   {GL_BACK, GL_CW, false, true},
        {GL_FRONT_AND_BACK, GL_CCW, true, false}, {GL_FRONT_AND_BACK, GL_CCW, false, false},
    };
    for (int inverted = 0; inverted < 2; inverted++) {
        setInverted(inverted != 0);
        for (const auto& c : cases) {
            glEnable(GL_CULL_FACE);
            glCullFace(c.cull);
            glFrontFace(c.frontFace);
            auto draw = [&] {
                glBegin(GL_TRIANGLES);
                glVertex2f(-0.5f, -0.5f);
                if (c.ccw) glVertex2f(0.5f, -0.5f), glVertex2f(0, 0.5f);
                else glVertex2f(0, 0.5f), glVertex2f(0.5f, -0.5f);
                glEnd();
            };
            auto fb = feedback(GL_2D, draw);
            EXPECT_EQ(fb.size(), c.drawn ? 8u : 0u) << inverted << " " << c.cull << " " << c.ccw;
            GLuint sel[16];
            glSelectBuffer(16, sel);
            glRenderMode(GL_SELECT);
            glPushName(7);
            draw();
            EXPECT_EQ(glRenderMode(GL_RENDER), c.drawn ? 1 : 0) << inverted << " " << c.cull << " " << c.ccw;
            glDisable(GL_CULL_FACE);
            fb = feedback(GL_2D, draw);
            EXPECT_EQ(fb.size(), 8u);
        }
    }
}

}  // namespace

namespace {

struct SetupCall {
    float y[3];
    GLuint areaPositive;
};
std::vector<SetupCall> setupCalls;
void GLPROC recordSetup(GlContext*, GlVertex* a, GlVertex* b, GlVertex* c, GLuint areaPositive) {
    setupCalls.push_back({{a->window[1], b->window[1], c->window[1]}, areaPositive});
}

// GL_RENDER triangles reach the set-up sorted by window y, with zero-area and
// culled ones dropped.
TEST_F(GeomTest, RenderTrianglesReachSetupSortedAndCulled) {
    const struct {
        const char* name;
        float v[6];
        bool cull;
        int calls;
    } cases[] = {
        {"ccw", {-0.5f, -0.5f, 0.5f, -0.2f, 0, 0.5f}, false, 1},
        {"cw", {-0.5f, -0.5f, 0, 0.5f, 0.5f, -0.2f}, false, 1},
        {"ccw culled back", {-0.5f, -0.5f, 0.5f, -0.2f, 0, 0.5f}, true, 1},
        {"cw culled back", {-0.5f, -0.5f, 0, 0.5f, 0.5f, -0.2f}, true, 0},
        {"zero area", {-0.5f, -0.5f, 0, 0, 0.5f, 0.5f}, false, 0},
    };
    // The C++ set-up: a generated one does its work without procs.setupTriangle.
    GltestTrianglePath path(false);
    __glFastPathSwitches.genericSetup = 1;
    for (int flat = 0; flat < 2; flat++)
        for (const auto& c : cases) {
            glShadeModel(flat ? GL_FLAT : GL_SMOOTH);
            if (c.cull) glEnable(GL_CULL_FACE);
            else glDisable(GL_CULL_FACE);
            setupCalls.clear();
            glBegin(GL_TRIANGLES);  // validates first
            gc->procs.setupTriangle = recordSetup;
            for (int i = 0; i < 3; i++) glVertex2fv(&c.v[2 * i]);
            glEnd();
            ASSERT_EQ((int)setupCalls.size(), c.calls) << c.name;
            if (c.calls) {
                EXPECT_LE(setupCalls[0].y[0], setupCalls[0].y[1]) << c.name;
                EXPECT_LE(setupCalls[0].y[1], setupCalls[0].y[2]) << c.name;
            }
        }
    glDisable(GL_CULL_FACE);
}

}  // namespace
