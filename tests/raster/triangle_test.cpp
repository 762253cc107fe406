// Triangle set-up and span walk, white-box: the span runner and the tested
// fragment store are replaced by recorders after validation, so the spans and
// antialiased fragments the walk hands over are checked on their own.
//
// Sampling rule of the walk (window coordinates carry +0.5, so with the test's
// one-unit-per-pixel projection pixel (px, py) is sampled at object
// (px + 0.5, py + 0.5)): scan line j is sampled at y = j + 1 for
// trunc(yA) <= j < trunc(yC), i.e. yA < sy <= yC; pixel x is drawn for
// trunc(xLeft) <= x < trunc(xRight), i.e. xLeft < sx <= xRight. So a sample on
// the bottom or left boundary is out, on the top or right boundary in. Edge
// positions carry a float slope, so samples within 1/1024 pixel of a slanted
// edge may fall either side; vertical and horizontal boundaries are exact.

#include <math.h>
#include <stdint.h>
#include <map>
#include <random>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"

namespace {

struct Span {
    GLint x, y, n;
    GLuint z;
    GLint zDx;
    GLfloat color[4], colorDx[4];
    double offsetZ;
    GLfloat runStart, runEnd, zDxF;
    GLuint clampLow, clampHigh;
};
struct Frag {
    GLint x, y;
    GLuint z;
    GLfloat color[4];
};
std::vector<Span> gSpans;
std::vector<Frag> gFrags;

void GLPROC recordSpan(GlContext* gc) {
    const GlSpanState* s = &gc->span;
    Span r;
    r.x = s->spanX, r.y = s->spanY, r.n = s->spanLength, r.z = s->spanZ, r.zDx = s->zDx;
    for (int i = 0; i < 4; i++) r.color[i] = s->spanColor[i], r.colorDx[i] = s->colorDx[i];
    r.offsetZ = s->offsetZ, r.runStart = s->offsetRunStart, r.runEnd = s->offsetRunEnd, r.zDxF = s->zDxF;
    r.clampLow = s->offsetClampLow, r.clampHigh = s->offsetClampHigh;
    gSpans.push_back(r);
}
void GLPROC recordFragment(GlColorBuffer*, const GlFragment* f) {
    Frag r;
    r.x = f->x, r.y = f->y, r.z = f->z;
    for (int i = 0; i < 4; i++) r.color[i] = f->color[i];
    gFrags.push_back(r);
}

struct V {
    float x, y, z;
    float r, g, b, a;
};

// A bottom-up (y up) DIB context whose span runner and fragment store record
// (the generic path's: the fast chain is off).
struct TriFixture {
    GltestTrianglePath path{true};
    GltestDibContext c;
    GlContext* gc = nullptr;
    int w, h;
    TriFixture(int w_, int h_, int depthBits = 32, bool topDown = false)
        : c(w_, h_, 32, false, depthBits, topDown), w(w_), h(h_) {
        gc = __glCurrentContext();
        arm();
    }
    // Validates (the pickers run with the recorders in place) and installs them.
    void arm() {
        gc->procs.runSpanStages = recordSpan;
        gc->procs.storeFragmentTested = recordFragment;
        glBegin(GL_TRIANGLES);
        glEnd();
        gc->procs.runSpanStages = recordSpan;
        gc->procs.storeFragmentTested = recordFragment;
        gSpans.clear();
        gFrags.clear();
    }
    void draw(GLenum mode, const std::vector<V>& vs) {
        glBegin(mode);
        for (const V& v : vs) {
            glColor4f(v.r, v.g, v.b, v.a);
            glVertex3f(v.x, v.y, v.z);
        }
        glEnd();
    }
    // Visits per pixel (GL coordinates) of the recorded spans.
    std::map<std::pair<int, int>, int> visits() const {
        std::map<std::pair<int, int>, int> m;
        const int bx = gc->limits.windowBiasX, by = gc->limits.windowBiasY;
        for (const Span& s : gSpans)
            for (int i = 0; i < s.n; i++) m[{s.x + i - bx, s.y - by}]++;
        return m;
    }
};

// ---- Independent coverage rule, exact on a 1/16 grid (coordinates times 16).

enum Cover { kOut = 0, kIn = 1, kEither = 2 };

// Sample (sx, sy) against the triangle by the walk's rule; kEither within 1/1024
// pixel of a slanted edge.
Cover coverRule(const V* t, int64_t sx, int64_t sy) {
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; i++) X[i] = llround(t[i].x * 16), Y[i] = llround(t[i].y * 16);
    int o[3] = {0, 1, 2};
    for (int i = 0; i < 3; i++)
        for (int j = i + 1; j < 3; j++)
            if (Y[o[j]] < Y[o[i]]) std::swap(o[i], o[j]);
    const int A = o[0], B = o[1], C = o[2];
    if (!(Y[A] < sy && sy <= Y[C])) return kOut;
    // Side of the sample against edge P (lower) -> Q: > 0 right of it.
    auto side = [&](int P, int Q, bool* isNear) {
        const int64_t dy = Y[Q] - Y[P], dx = X[Q] - X[P];
        const int64_t n = (sx - X[P]) * dy - (sy - Y[P]) * dx;  // x distance times dy (1/16 units)
        *isNear = dx != 0 && llabs(n) * 1024 <= dy * 16;
        return n;
    };
    const int64_t area = (X[A] - X[C]) * (Y[B] - Y[C]) - (X[B] - X[C]) * (Y[A] - Y[C]);
    const int shortP = sy <= Y[B] ? A : B, shortQ = sy <= Y[B] ? B : C;
    const int lp = area > 0 ? A : shortP, lq = area > 0 ? C : shortQ;
    const int rp = area > 0 ? shortP : A, rq = area > 0 ? shortQ : C;
    bool nearL, nearR;
    const int64_t l = side(lp, lq, &nearL), r = side(rp, rq, &nearR);
    const bool in = l > 0 && r <= 0;
    if (nearL || nearR) {
        // Decided anyway when the far side of the other edge rules it out.
        if ((!nearL && l <= 0) || (!nearR && r > 0)) return kOut;
        return kEither;
    }
    return in ? kIn : kOut;
}

V vtx(float x, float y) { return V{x, y, 0, 1, 1, 1, 1}; }

// The plane through (t[i].x, t[i].y, value[i]) at (px, py).
double planeAt(const V* t, const double* value, double px, double py) {
    const double area = (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[2].x - t[0].x) * (t[1].y - t[0].y);
    const double l1 = ((px - t[0].x) * (t[2].y - t[0].y) - (t[2].x - t[0].x) * (py - t[0].y)) / area;
    const double l2 = ((t[1].x - t[0].x) * (py - t[0].y) - (px - t[0].x) * (t[1].y - t[0].y)) / area;
    return (1 - l1 - l2) * value[0] + l1 * value[1] + l2 * value[2];
}

float grid16(std::mt19937& rng, int lo, int hi) {
    return (float)std::uniform_int_distribution<int>(lo * 16, hi * 16)(rng) / 16.0f;
}

}  // namespace

// Random triangles on the 1/16 grid: the drawn pixels follow the sampling
// rule, and both windings of a triangle draw the same pixels.
TEST(TriWalk, CoverageFollowsSamplingRule) {
    TriFixture f(32, 32);
    ASSERT_NE(f.c.rc, nullptr);
    std::mt19937 rng(1234);
    // Fixed cases first: all three vertices within one scan line (no span), an
    // upper part without a scan line, vertices on sample rows, and vertical
    // edges through sample columns (left one out, right one in).
    const float fixed[][6] = {
        {2.0625f, 5.5625f, 20, 6, 9, 6.4375f},   {1, 3.25f, 30, 3.75f, 12, 20},   {30, 3.25f, 1, 3.75f, 12, 20},
        {4, 2.5f, 28, 10.5f, 10, 26.5f},         {4.5f, 1, 4.5f, 30, 27.5f, 16}, {27.5f, 1, 27.5f, 30, 3, 16},
        {3.5f, 4.5f, 28.5f, 4.5f, 16, 28.5f},    {3.5f, 28.5f, 28.5f, 28.5f, 16, 4.5f},
    };
    const int nFixed = sizeof fixed / sizeof fixed[0];
    int checked = 0;
    for (int n = 0; n < nFixed + 60; n++) {
        V t[3];
        for (int i = 0; i < 3; i++)
            t[i] = n < nFixed ? vtx(fixed[n][2 * i], fixed[n][2 * i + 1]) : vtx(grid16(rng, 0, 32), grid16(rng, 0, 32));
        if (n >= nFixed && n % 5 == 0) t[1].y = t[0].y;  // flat tops and bottoms
        if (n >= nFixed && n % 7 == 0) t[2].x = t[1].x;  // vertical edges
        if (n == 0) {
            gSpans.clear();
            f.draw(GL_TRIANGLES, {t[0], t[1], t[2]});
            EXPECT_TRUE(gSpans.empty());
        }
        std::map<std::pair<int, int>, int> windings[2];
        for (int wdg = 0; wdg < 2; wdg++) {
            gSpans.clear();
            f.draw(GL_TRIANGLES, wdg ? std::vector<V>{t[0], t[2], t[1]} : std::vector<V>{t[0], t[1], t[2]});
            windings[wdg] = f.visits();
        }
        EXPECT_EQ(windings[0], windings[1]) << "triangle " << n;
        for (int py = 0; py < 32; py++)
            for (int px = 0; px < 32; px++) {
                const Cover want = coverRule(t, px * 16 + 8, py * 16 + 8);
                auto it = windings[0].find({px, py});
                const int got = it == windings[0].end() ? 0 : it->second;
                ASSERT_LE(got, 1) << "triangle " << n << " pixel " << px << "," << py;
                if (want != kEither) {
                    EXPECT_EQ(got, (int)want) << "triangle " << n << " pixel " << px << "," << py;
                    checked++;
                }
            }
    }
    EXPECT_GT(checked, 50000);
}

// Meshes that share edges cover their rectangle's pixels exactly once: the
// rectangle (2.3, 29.7] x (1.1, 30.6] has jittered interior vertices on the
// 1/16 grid, so shared edges are slanted and pass through samples.
TEST(TriWalk, SharedEdgesCoverOnce) {
    TriFixture f(32, 32);
    ASSERT_NE(f.c.rc, nullptr);
    const float x0 = 2.3125f, x1 = 29.6875f, y0 = 1.125f, y1 = 30.625f;
    const int cols = 5, rows = 4;
    std::mt19937 rng(99);
    V g[rows + 1][cols + 1];
    for (int j = 0; j <= rows; j++)
        for (int i = 0; i <= cols; i++) {
            float x = x0 + (x1 - x0) * i / cols, y = y0 + (y1 - y0) * j / rows;
            x = roundf(x * 16) / 16, y = roundf(y * 16) / 16;
            if (i > 0 && i < cols) x += grid16(rng, -1, 1);
            if (j > 0 && j < rows) y += grid16(rng, -1, 1);
            if (i == 0) x = x0;
            if (i == cols) x = x1;
            if (j == 0) y = y0;
            if (j == rows) y = y1;
            g[j][i] = vtx(x, y);
        }
    struct Mesh {
        const char* name;
        std::vector<std::pair<GLenum, std::vector<V>>> prims;
    };
    std::vector<Mesh> meshes;
    {
        Mesh quads{"quads", {{GL_QUADS, {}}}}, tris{"triangles", {{GL_TRIANGLES, {}}}}, qstrip{"quad strips", {}},
            tstrip{"triangle strips", {}}, fans{"fans", {}};
        for (int j = 0; j < rows; j++) {
            std::vector<V> qs, ts;
            for (int i = 0; i < cols; i++) {
                const V a = g[j][i], b = g[j][i + 1], c = g[j + 1][i + 1], d = g[j + 1][i];
                quads.prims[0].second.insert(quads.prims[0].second.end(), {a, b, c, d});
                tris.prims[0].second.insert(tris.prims[0].second.end(), {a, b, c, a, c, d});
                // A fan around each cell's centre.
                V m = vtx(roundf((a.x + c.x) * 8) / 16, roundf((a.y + c.y) * 8) / 16);
                fans.prims.push_back({GL_TRIANGLE_FAN, {m, a, b, c, d, a}});
            }
            for (int i = 0; i <= cols; i++) {
                qs.push_back(g[j][i]), qs.push_back(g[j + 1][i]);
                ts.push_back(g[j][i]), ts.push_back(g[j + 1][i]);
            }
            qstrip.prims.push_back({GL_QUAD_STRIP, qs});
            tstrip.prims.push_back({GL_TRIANGLE_STRIP, ts});
        }
        meshes = {quads, tris, qstrip, tstrip, fans};
        // One 20-vertex polygon along the outline (split after 15 vertices).
        Mesh poly{"polygon", {{GL_POLYGON, {}}}};
        for (int i = 0; i < 5; i++) poly.prims[0].second.push_back(vtx(x0 + (x1 - x0) * i / 5, y0));
        for (int i = 0; i < 5; i++) poly.prims[0].second.push_back(vtx(x1, y0 + (y1 - y0) * i / 5));
        for (int i = 0; i < 5; i++) poly.prims[0].second.push_back(vtx(x1 - (x1 - x0) * i / 5, y1));
        for (int i = 0; i < 5; i++) poly.prims[0].second.push_back(vtx(x0, y1 - (y1 - y0) * i / 5));
        meshes.push_back(poly);
    }
    for (const Mesh& m : meshes) {
        gSpans.clear();
        for (const auto& p : m.prims) f.draw(p.first, p.second);
        const auto seen = f.visits();
        for (int py = 0; py < 32; py++)
            for (int px = 0; px < 32; px++) {
                const float sx = px + 0.5f, sy = py + 0.5f;
                const int want = sx > x0 && sx <= x1 && sy > y0 && sy <= y1 ? 1 : 0;
                auto it = seen.find({px, py});
                EXPECT_EQ(it == seen.end() ? 0 : it->second, want) << m.name << " pixel " << px << "," << py;
            }
    }
}

// Smooth colours follow the plane through the three vertices at every pixel
// (first pixel plus k colour steps); flat triangles take the provoking vertex.
TEST(TriWalk, ColorsSmoothAndFlat) {
    TriFixture f(32, 32);
    ASSERT_NE(f.c.rc, nullptr);
    const V t[3] = {{3.25f, 2.5f, 0, 1, 0, 0, 1}, {29.0f, 9.75f, 0, 0, 1, 0, 0.5f}, {11.5f, 30.0f, 0, 0, 0, 1, 0}};
    f.draw(GL_TRIANGLES, {t[0], t[1], t[2]});
    ASSERT_FALSE(gSpans.empty());
    const float scale = 255.0f;  // colour units of an 8-bit channel
    const int bx = f.gc->limits.windowBiasX, by = f.gc->limits.windowBiasY;
    for (const Span& s : gSpans)
        for (int k : {0, s.n - 1}) {
            const double px = s.x + k - bx + 0.5, py = s.y - by + 0.5;
            for (int i = 0; i < 3; i++) {
                const double value[3] = {i == 0 ? scale : 0.0, i == 1 ? scale : 0.0, i == 2 ? scale : 0.0};
                EXPECT_NEAR(s.color[i] + k * s.colorDx[i], planeAt(t, value, px, py), 0.02)
                    << "row " << s.y - by << " pixel " << k;
            }
        }

    // Flat: a strip's triangles take their last vertex's colour, a polygon its first.
    glShadeModel(GL_FLAT);
    f.arm();
    const std::vector<V> strip = {{2, 2, 0, 1, 0, 0, 1}, {2, 30, 0, 0, 1, 0, 1}, {16, 2, 0, 0, 0, 1, 1},
                                  {16, 30, 0, 1, 1, 0, 1}};
    f.draw(GL_TRIANGLE_STRIP, strip);
    ASSERT_FALSE(gSpans.empty());
    int yellowSpans = 0;
    for (const Span& s : gSpans) {
        // Left of the diagonal (2, 30)-(16, 2): v2's blue; right of it v3's yellow.
        const double sx = s.x - bx + 0.5, sy = s.y - by + 0.5;
        const bool yellow = sx > 16.0 - (sy - 2.0) / 2.0;
        yellowSpans += yellow;
        EXPECT_FLOAT_EQ(s.color[0], yellow ? scale : 0.0f) << sx << "," << sy;
        EXPECT_FLOAT_EQ(s.color[1], yellow ? scale : 0.0f) << sx << "," << sy;
        EXPECT_FLOAT_EQ(s.color[2], yellow ? 0.0f : scale) << sx << "," << sy;
    }
    EXPECT_GT(yellowSpans, 0);
    EXPECT_LT(yellowSpans, (int)gSpans.size());
    gSpans.clear();
    f.draw(GL_POLYGON,
           {{4, 4, 0, 0, 1, 0, 1}, {28, 4, 0, 1, 0, 0, 1}, {28, 28, 0, 0, 0, 1, 1}, {4, 28, 0, 1, 1, 1, 1}});
    ASSERT_FALSE(gSpans.empty());
    for (const Span& s : gSpans) {
        EXPECT_EQ(s.color[0], 0.0f);
        EXPECT_EQ(s.color[1], scale);
        EXPECT_EQ(s.color[2], 0.0f);
    }
}

// Flat shading with per-vertex fog: each vertex shows the provoking colour
// fogged by its own fog factor, interpolated like a smooth triangle.
TEST(TriWalk, FlatShadingWithVertexFog) {
    TriFixture f(32, 32);
    ASSERT_NE(f.c.rc, nullptr);
    glShadeModel(GL_FLAT);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 2.0f);
    const GLfloat blue[4] = {0, 0, 1, 1};
    glFogfv(GL_FOG_COLOR, blue);
    f.arm();
    // Eye z = object z: fog factors 1, 0.75, 0.5; the last vertex is red.
    const V t[3] = {{2, 3, 0.0f, 0, 1, 0, 1}, {30, 8, -0.5f, 0, 1, 0, 1}, {9, 29, -1.0f, 1, 0, 0, 1}};
    f.draw(GL_TRIANGLES, {t[0], t[1], t[2]});
    ASSERT_FALSE(gSpans.empty());
    const double red[3] = {255.0, 0.75 * 255.0, 0.5 * 255.0}, blueOut[3] = {0.0, 0.25 * 255.0, 0.5 * 255.0};
    const int bx = f.gc->limits.windowBiasX, by = f.gc->limits.windowBiasY;
    for (const Span& s : gSpans)
        for (int k : {0, s.n - 1}) {
            const double px = s.x + k - bx + 0.5, py = s.y - by + 0.5;
            EXPECT_NEAR(s.color[0] + k * s.colorDx[0], planeAt(t, red, px, py), 0.05);
            EXPECT_NEAR(s.color[1] + k * s.colorDx[1], 0.0, 0.05);
            EXPECT_NEAR(s.color[2] + k * s.colorDx[2], planeAt(t, blueOut, px, py), 0.05);
        }
}

// Depth start values and steps near the top of the range: 16-bit values reach
// 0xFFFF0000, beyond the signed 32-bit range.
TEST(TriWalk, DepthNearTopOfRange) {
    struct Case {
        int bits;
        float z[3];  // object z; -1 is the far plane
    } cases[] = {
        {16, {-0.999f, -0.98f, -1.0f}},
        {16, {-0.5f, -1.0f, -0.75f}},
        {32, {-0.999f, -0.98f, -1.0f}},
        {32, {1.0f, -1.0f, 0.0f}},
    };
    for (const Case& cs : cases) {
        TriFixture f(32, 32, cs.bits);
        ASSERT_NE(f.c.rc, nullptr);
        glEnable(GL_DEPTH_TEST);
        f.arm();
        const V t[3] = {{1.5f, 1.25f, cs.z[0], 1, 1, 1, 1}, {30.75f, 12.0f, cs.z[1], 1, 1, 1, 1},
                        {9.0f, 31.0f, cs.z[2], 1, 1, 1, 1}};
        f.draw(GL_TRIANGLES, {t[0], t[1], t[2]});
        ASSERT_FALSE(gSpans.empty());
        const double zs = f.gc->viewportXform.zScale, zc = f.gc->viewportXform.zCentre;
        double wz[3];
        for (int i = 0; i < 3; i++) wz[i] = zc - zs * cs.z[i];  // ortho: ndc z = -object z
        const int bx = f.gc->limits.windowBiasX, by = f.gc->limits.windowBiasY;
        const double tol = cs.bits == 16 ? 4096.0 : 1024.0;
        for (const Span& s : gSpans)
            for (int k : {0, s.n - 1}) {
                const double want = planeAt(t, wz, s.x + k - bx + 0.5, s.y - by + 0.5);
                const GLuint got = s.z + (GLuint)k * (GLuint)s.zDx;  // modulo 2^32, as the depth stage steps
                EXPECT_NEAR((double)got, want, tol + 32.0 * k) << cs.bits << " row " << s.y - by << " pixel " << k;
            }
    }
}

// Polygon offset: the offset depth at the first pixel of every span (plane
// plus units and factor times the larger gradient), the clamps by gradient
// sign, and the distances to where the offset depth reaches the clamps.
TEST(TriWalk, PolygonOffsetRuns) {
    struct Case {
        float factor, units;
        float z[3];  // object z at the three vertices
    } cases[] = {
        {2.0f, 3.0f, {-0.2f, -0.9f, -0.3f}},   // depth grows to the right
        {1.0f, -4.0f, {-0.9f, -0.1f, -0.7f}},  // falls to the right
        {0.0f, 8.0f, {-0.5f, -0.5f, -0.5f}},   // no gradient
        {0.0f, 40000.0f, {-0.99f, -0.995f, -0.99f}},  // pushed past the far end
    };
    for (const Case& cs : cases) {
        TriFixture f(32, 32, 16);
        ASSERT_NE(f.c.rc, nullptr);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(cs.factor, cs.units);
        f.arm();
        const V t[3] = {{2, 2, cs.z[0], 1, 1, 1, 1}, {30, 4, cs.z[1], 1, 1, 1, 1}, {6, 30, cs.z[2], 1, 1, 1, 1}};
        f.draw(GL_TRIANGLES, {t[0], t[1], t[2]});
        ASSERT_FALSE(gSpans.empty());
        const GlDepthBuffer* db = &f.gc->fb.depth;
        const double zmax = db->depthMax, unit = 65536.0;
        const double zs = f.gc->viewportXform.zScale, zc = f.gc->viewportXform.zCentre;
        double wz[3];
        for (int i = 0; i < 3; i++) wz[i] = zc - zs * cs.z[i];
        const int bx = f.gc->limits.windowBiasX, by = f.gc->limits.windowBiasY;
        for (const Span& s : gSpans) {
            const double g = s.zDxF;
            const double slope = fmax(fabs(g), fabs(f.gc->span.zDyF));
            const double want = planeAt(t, wz, s.x - bx + 0.5, s.y - by + 0.5) + cs.units * unit + cs.factor * slope;
            EXPECT_NEAR(s.offsetZ, want, 2048.0);
            const double oz = floor(s.offsetZ);
            EXPECT_EQ(s.z, oz >= 4294967295.0 ? 0xFFFFFFFFu : oz <= 0.0 ? 0u : (GLuint)(uint64_t)oz);
            if (g > 0) {
                EXPECT_EQ(s.clampLow, 0u);
                EXPECT_EQ(s.clampHigh, db->depthMax);
                EXPECT_NEAR(s.offsetZ + s.runStart * g, zmax, zmax * 1e-5);
                EXPECT_NEAR(s.runEnd * g, zmax, zmax * 1e-5);
            } else if (g < 0) {
                EXPECT_EQ(s.clampLow, db->depthMax);
                EXPECT_EQ(s.clampHigh, 0u);
                EXPECT_NEAR(s.offsetZ + s.runStart * g, 0.0, zmax * 1e-5);
            } else {
                EXPECT_NEAR(s.runStart, (zmax - s.offsetZ) * 99999.99999999999, fabs(s.runStart) * 1e-6);
                EXPECT_NEAR(s.runEnd, zmax * 99999.99999999999, s.runEnd * 1e-6);
            }
        }
    }
}

namespace {

// Coverage per pixel (GL coordinates) of recorded spans (1 each) and
// antialiased fragments (alpha over the full alpha), with visit counts.
struct CoverageMap {
    std::map<std::pair<int, int>, double> coverage;
    std::map<std::pair<int, int>, int> visits;
};
void addCoverage(const GlContext* gc, CoverageMap* m, float fullAlpha) {
    const int bx = gc->limits.windowBiasX, by = gc->limits.windowBiasY;
    for (const Span& s : gSpans)
        for (int i = 0; i < s.n; i++) {
            const std::pair<int, int> p{s.x + i - bx, s.y - by};
            m->coverage[p] += 1.0, m->visits[p]++;
        }
    for (const Frag& f : gFrags) {
        const std::pair<int, int> p{f.x - bx, f.y - by};
        m->coverage[p] += f.color[3] / fullAlpha, m->visits[p]++;
    }
}

// Every recorded span and fragment lies inside the clip box.
void expectInsideClipBox(const GlContext* gc) {
    const GLint* b = gc->span.clipBox;
    for (const Span& s : gSpans) {
        EXPECT_GE(s.x, b[0]);
        EXPECT_LE(s.x + s.n, b[2]);
        EXPECT_GE(s.y, b[1]);
        EXPECT_LT(s.y, b[3]);
        EXPECT_GT(s.n, 0);
    }
    for (const Frag& f : gFrags) {
        EXPECT_GE(f.x, b[0]);
        EXPECT_LT(f.x, b[2]);
        EXPECT_GE(f.y, b[1]);
        EXPECT_LT(f.y, b[3]);
    }
}

}  // namespace

// Antialiased polygons: a rectangle on the 1/4 grid, drawn as two triangles
// that share its diagonal, covers each pixel by exactly the area of the pixel
// inside it (the subsample grids count such edges exactly, and each diagonal
// subsample belongs to one triangle). Partial pixels come as fragments with
// alpha times coverage, full ones as spans; no pixel twice in one triangle.
TEST(TriSmooth, CoverageSplitsExactly) {
    for (GLenum hint : {GL_NICEST, GL_FASTEST}) {
        TriFixture f(16, 16);
        ASSERT_NE(f.c.rc, nullptr);
        glEnable(GL_POLYGON_SMOOTH);
        glHint(GL_POLYGON_SMOOTH_HINT, hint);
        glShadeModel(GL_FLAT);
        f.arm();
        const float x0 = 2.25f, x1 = 13.75f, y0 = 1.25f, y1 = 14.5f;
        const V a = vtx(x0, y0), b = vtx(x1, y0), c = vtx(x1, y1), d = vtx(x0, y1);
        CoverageMap total;
        float fullAlpha = 0;
        for (const std::vector<V>& tri : {std::vector<V>{a, b, c}, std::vector<V>{a, c, d}}) {
            gSpans.clear(), gFrags.clear();
            f.draw(GL_TRIANGLES, tri);
            ASSERT_FALSE(gSpans.empty());
            ASSERT_FALSE(gFrags.empty());
            fullAlpha = gSpans[0].color[3];
            CoverageMap one;
            addCoverage(f.gc, &one, fullAlpha);
            for (const auto& v : one.visits) EXPECT_EQ(v.second, 1) << v.first.first << "," << v.first.second;
            for (const Frag& fr : gFrags) {
                EXPECT_GT(fr.color[3], 0.0f);
                EXPECT_LT(fr.color[3], fullAlpha);
            }
            addCoverage(f.gc, &total, fullAlpha);
        }
        for (int py = 0; py < 16; py++)
            for (int px = 0; px < 16; px++) {
                const double w = fmax(0.0, fmin(px + 1.0, (double)x1) - fmax((double)px, (double)x0));
                const double h = fmax(0.0, fmin(py + 1.0, (double)y1) - fmax((double)py, (double)y0));
                auto it = total.coverage.find({px, py});
                EXPECT_NEAR(it == total.coverage.end() ? 0.0 : it->second, w * h, 1e-5)
                    << "hint " << hint << " pixel " << px << "," << py;
            }
    }
}

// A viewport far larger than the drawable (vertices on its right and top edge
// at window 8192.5), with and without the scissor, with the span stages told
// the window is inside, and viewports placed far off: spans and fragments
// stay inside the clip box, and every visible pixel is drawn once.
TEST(TriClip, ClipBoxAndCoordinateGuard) {
    struct Case {
        const char* name;
        GLint vx, vy;          // viewport origin; 2048 x 2048, ortho 0..2048
        GLint scissor[4];      // width 0: off
        bool windowInside;     // forced after validation
        int visibleX0, visibleY0, visibleX1, visibleY1;  // pixels expected once
    } cases[] = {
        {"large viewport", 0, 0, {0, 0, 0, 0}, false, 0, 0, 16, 16},
        {"large viewport, window inside", 0, 0, {0, 0, 0, 0}, true, 0, 0, 16, 16},
        {"scissor", 0, 0, {3, 4, 5, 6}, false, 3, 4, 8, 10},
        {"viewport down-left", -2040, -2036, {0, 0, 0, 0}, false, 0, 0, 8, 12},
        {"viewport far left", -100000, 0, {0, 0, 0, 0}, false, 0, 0, 0, 0},
        {"viewport far right and up", 100000, 100000, {0, 0, 0, 0}, false, 0, 0, 0, 0},
        {"viewport far down", 0, -2000000000, {0, 0, 0, 0}, false, 0, 0, 0, 0},
    };
    for (bool smooth : {false, true})
        for (const Case& cs : cases) {
            TriFixture f(16, 16);
            ASSERT_NE(f.c.rc, nullptr);
            glViewport(cs.vx, cs.vy, 2048, 2048);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(0, 2048, 0, 2048, -1, 1);
            glMatrixMode(GL_MODELVIEW);
            if (cs.scissor[2]) {
                glEnable(GL_SCISSOR_TEST);
                glScissor(cs.scissor[0], cs.scissor[1], cs.scissor[2], cs.scissor[3]);
            }
            if (smooth) glEnable(GL_POLYGON_SMOOTH);
            glShadeModel(GL_FLAT);
            f.arm();
            if (cs.windowInside) f.gc->span.windowInside = 1;
            f.draw(GL_QUADS, {vtx(0, 0), vtx(2048, 0), vtx(2048, 2048), vtx(0, 2048)});
            f.draw(GL_TRIANGLES, {vtx(2048, 2048), vtx(1, 2048), vtx(2048, 3)});
            SCOPED_TRACE(std::string(cs.name) + (smooth ? ", smooth" : ""));
            expectInsideClipBox(f.gc);
            // The quad covers the viewport; the triangle then the pixels above its diagonal again.
            gSpans.clear(), gFrags.clear();
            f.draw(GL_QUADS, {vtx(0, 0), vtx(2048, 0), vtx(2048, 2048), vtx(0, 2048)});
            CoverageMap m;
            addCoverage(f.gc, &m, gSpans.empty() ? 1.0f : gSpans[0].color[3]);
            for (int py = 0; py < 16; py++)
                for (int px = 0; px < 16; px++) {
                    const bool visible =
                        px >= cs.visibleX0 && px < cs.visibleX1 && py >= cs.visibleY0 && py < cs.visibleY1;
                    auto it = m.visits.find({px, py});
                    EXPECT_EQ(it == m.visits.end() ? 0 : it->second, visible ? 1 : 0) << px << "," << py;
                    auto ic = m.coverage.find({px, py});
                    EXPECT_NEAR(ic == m.coverage.end() ? 0.0 : ic->second, visible ? 1.0 : 0.0, 1e-6);
                }
            EXPECT_EQ(m.visits.size(), (size_t)((cs.visibleX1 - cs.visibleX0) * (cs.visibleY1 - cs.visibleY0)));
        }
}

// ---- Through the public API into the DIB.

namespace {

// Pixel (px, py) of a 32-bit DIB is pure red.
bool isRed(const GltestDibContext& c, int px, int py) { return (c.pixel(px, py) & 0xFFFFFF) == 0xFF0000u; }

void ortho(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
}

void redTriangle(const V* t, int n = 3) {
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < n; i++) glVertex2f(t[i].x, t[i].y);
    glEnd();
}

}  // namespace

// A filled triangle lands in the DIB on the pixels the sampling rule gives,
// for both row orders of the drawable.
TEST(TriDib, FilledTrianglePixels) {
    const V t[3] = {vtx(1.5625f, 2.25f), vtx(14.875f, 5.0f), vtx(6.0f, 15.4375f)};
    for (bool topDown : {true, false}) {
        GltestDibContext c(16, 16, 32, false, 32, topDown);
        ASSERT_NE(c.rc, nullptr);
        c.clear(0);
        redTriangle(t);
        int drawn = 0;
        for (int py = 0; py < 16; py++)
            for (int px = 0; px < 16; px++) {
                const Cover want = coverRule(t, px * 16 + 8, py * 16 + 8);
                if (want == kEither) continue;
                EXPECT_EQ(isRed(c, px, py), want == kIn) << "topDown " << topDown << " pixel " << px << "," << py;
                drawn += want == kIn;
            }
        EXPECT_GT(drawn, 60);
        EXPECT_TRUE(c.guardsIntact());
    }
}

// Culling and the front face on both row orders: the window orientation of a
// top-down drawable is mirrored, the GL orientation must not be.
TEST(TriDib, CullingAndFrontFace) {
    struct Case {
        GLenum frontFace, cullFace;
        bool ccw;   // winding of the triangle in GL window coordinates
        bool drawn;
    } cases[] = {
        {GL_CCW, GL_BACK, true, true},   {GL_CCW, GL_BACK, false, false}, {GL_CCW, GL_FRONT, true, false},
        {GL_CCW, GL_FRONT, false, true}, {GL_CW, GL_BACK, true, false},   {GL_CW, GL_BACK, false, true},
        {GL_CW, GL_FRONT, true, true},   {GL_CW, GL_FRONT, false, false},
    };
    for (bool topDown : {true, false})
        for (const Case& cs : cases) {
            GltestDibContext c(16, 16, 32, false, 32, topDown);
            ASSERT_NE(c.rc, nullptr);
            c.clear(0);
            glEnable(GL_CULL_FACE);
            glFrontFace(cs.frontFace);
            glCullFace(cs.cullFace);
            const V ccw[3] = {vtx(1, 1), vtx(15, 2), vtx(4, 15)};
            const V cw[3] = {ccw[0], ccw[2], ccw[1]};
            redTriangle(cs.ccw ? ccw : cw);
            EXPECT_EQ(isRed(c, 6, 6), cs.drawn) << "topDown " << topDown << " front " << cs.frontFace << " cull "
                                                << cs.cullFace << " ccw " << cs.ccw;
            EXPECT_FALSE(isRed(c, 14, 14));
            EXPECT_TRUE(c.guardsIntact());
        }
}

// A viewport larger than the drawable (and one hanging off its lower left):
// nothing is written outside the DIB, and the visible part is right; on
// generated code and on the C++ chain alone, as the next two.
TEST(TriDib, ViewportLargerThanDrawable) {
    struct Case {
        GLint vx, vy;
        bool smooth;
    } cases[] = {{0, 0, false}, {-2040, -2036, false}, {0, 0, true}, {-2040, -2036, true}};
    for (const GltestChainRoad& road : gltestChainRoads) {
        GltestTrianglePath path(false, road.cppOnly);
        SCOPED_TRACE(road.name);
        for (bool topDown : {true, false})
            for (const Case& cs : cases) {
                GltestDibContext c(16, 16, 32, false, 32, topDown);
                ASSERT_NE(c.rc, nullptr);
                c.clear(0);
                glViewport(cs.vx, cs.vy, 2048, 2048);
                ortho(2048, 2048);
                if (cs.smooth) {
                    glEnable(GL_POLYGON_SMOOTH);
                    glEnable(GL_BLEND);
                    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
                }
                // Two triangles that share the diagonal and reach the viewport's edges.
                const V t[6] = {vtx(0, 0), vtx(2048, 0), vtx(2048, 2048), vtx(0, 0), vtx(2048, 2048), vtx(0, 2048)};
                redTriangle(t, 6);
                const int visibleX = cs.vx ? 8 : 16, visibleY = cs.vy ? 12 : 16;
                for (int py = 0; py < 16; py++)
                    for (int px = 0; px < 16; px++)
                        EXPECT_EQ(isRed(c, px, py), px < visibleX && py < visibleY)
                            << "topDown " << topDown << " smooth " << cs.smooth << " viewport " << cs.vx << " pixel "
                            << px << "," << py;
                EXPECT_TRUE(c.guardsIntact());
            }
    }
}

// Depth-tested triangles near the far end of the range, for the three depth
// buffer kinds and both row orders: the nearer surface wins wherever it is.
TEST(TriDib, DepthTestNearFarEnd) {
    for (const GltestChainRoad& road : gltestChainRoads) {
        GltestTrianglePath path(false, road.cppOnly);
        SCOPED_TRACE(road.name);
        for (int bits : {16, 24, 32})
            for (bool topDown : {true, false}) {
                GltestDibContext c(16, 16, 32, false, bits, topDown);
                ASSERT_NE(c.rc, nullptr);
                c.clear(0);
                glClear(GL_DEPTH_BUFFER_BIT);
                glEnable(GL_DEPTH_TEST);
                auto quad = [](float x0, float x1, float z, float r, float g, float b) {
                    glColor3f(r, g, b);
                    glBegin(GL_QUADS);
                    glVertex3f(x0, 0, z), glVertex3f(x1, 0, z), glVertex3f(x1, 16, z), glVertex3f(x0, 16, z);
                    glEnd();
                };
                quad(0, 12, -0.999f, 1, 0, 0);   // red, near the far plane
                quad(4, 16, -0.9995f, 0, 1, 0);  // green, farther: hidden where red is
                quad(6, 10, -0.5f, 0, 0, 1);     // blue, nearer than both
                for (int py = 0; py < 16; py++)
                    for (int px = 0; px < 16; px++) {
                        const uint32_t want = px >= 6 && px < 10 ? 0x0000FF : px < 12 ? 0xFF0000 : 0x00FF00;
                        EXPECT_EQ(c.pixel(px, py) & 0xFFFFFF, want)
                            << "depth " << bits << " topDown " << topDown << " pixel " << px << "," << py;
                    }
                EXPECT_TRUE(c.guardsIntact());
            }
    }
}

// Shared edges through the whole pipeline: every primitive kind drawn with
// stencil GL_INCR leaves 1 on each pixel it colours and 0 elsewhere.
TEST(TriDib, StencilCountsEachPixelOnce) {
    struct Shape {
        const char* name;
        GLenum mode;
        std::vector<V> v;
    };
    std::vector<V> polygon;
    for (int i = 0; i < 20; i++) {
        const double a = 2.0 * M_PI * i / 20.0;
        polygon.push_back(vtx((float)(16.0 + 13.3 * cos(a)), (float)(16.0 + 13.7 * sin(a))));
    }
    std::vector<V> fan = {vtx(16.2f, 15.9f)};
    for (int i = 0; i <= 9; i++) {
        const double a = 2.0 * M_PI * i / 9.0;
        fan.push_back(vtx((float)(16.2 + 14.1 * cos(a)), (float)(15.9 + 12.9 * sin(a))));
    }
    const Shape shapes[] = {
        {"strip", GL_TRIANGLE_STRIP,
         {vtx(1.1f, 2.3f), vtx(3.7f, 29.6f), vtx(9.4f, 1.2f), vtx(12.2f, 30.1f), vtx(20.9f, 3.3f), vtx(25.5f, 28.8f),
          vtx(30.6f, 1.7f)}},
        {"fan", GL_TRIANGLE_FAN, fan},
        {"quads", GL_QUADS,
         {vtx(2.25f, 2.5f), vtx(16.75f, 3.0f), vtx(16.25f, 17.5f), vtx(2.5f, 16.25f), vtx(16.75f, 3.0f),
          vtx(29.5f, 2.25f), vtx(30.0f, 18.0f), vtx(16.25f, 17.5f)}},
        {"quad strip", GL_QUAD_STRIP,
         {vtx(1.5f, 1.5f), vtx(1.25f, 30.5f), vtx(10.7f, 3.1f), vtx(11.3f, 28.9f), vtx(30.5f, 1.1f),
          vtx(29.9f, 30.7f)}},
        {"20-gon", GL_POLYGON, polygon},
    };
    for (const GltestChainRoad& road : gltestChainRoads) {
        GltestTrianglePath path(false, road.cppOnly);
        SCOPED_TRACE(road.name);
        for (const Shape& s : shapes) {
            GltestDibContext c(32, 32);
            ASSERT_NE(c.rc, nullptr);
            GlContext* gc = __glCurrentContext();
            glClearStencil(0);
            glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            glEnable(GL_STENCIL_TEST);
            glStencilFunc(GL_ALWAYS, 0, 0xFF);
            glStencilOp(GL_INCR, GL_INCR, GL_INCR);
            glColor3f(1, 0, 0);
            glBegin(s.mode);
            for (const V& p : s.v) glVertex2f(p.x, p.y);
            glEnd();
            const GlStencilBuffer* sb = &gc->fb.stencil;
            int drawn = 0;
            for (int y = 0; y < 32; y++)
                for (int x = 0; x < 32; x++) {
                    const int row = c.topDown ? 31 - y : y;
                    const int count = sb->buf.base[row * sb->buf.stride + x];
                    EXPECT_EQ(count, isRed(c, x, y) ? 1 : 0) << s.name << " pixel " << x << "," << y;
                    drawn += count;
                }
            EXPECT_GT(drawn, 300) << s.name;
        }
    }
}

// Two-sided lighting: front faces take the front material, back faces the
// back material, on both row orders.
TEST(TriDib, TwoSidedColours) {
    for (bool topDown : {true, false}) {
        GltestDibContext c(16, 16, 32, false, 32, topDown);
        ASSERT_NE(c.rc, nullptr);
        const GLfloat none[4] = {0, 0, 0, 1}, red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
        glMaterialfv(GL_FRONT, GL_EMISSION, red);
        glMaterialfv(GL_BACK, GL_EMISSION, blue);
        glEnable(GL_LIGHTING);
        for (bool ccw : {true, false}) {
            c.clear(0);
            glBegin(GL_TRIANGLES);
            glVertex2f(1, 1);
            if (ccw) glVertex2f(15, 2), glVertex2f(4, 15);
            else glVertex2f(4, 15), glVertex2f(15, 2);
            glEnd();
            EXPECT_EQ(c.pixel(6, 6) & 0xFFFFFF, ccw ? 0xFF0000u : 0x0000FFu) << "topDown " << topDown;
        }
    }
}
