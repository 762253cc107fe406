// Triangles that cover few or no pixel centres: the set-up leaves early for
// those that cover none, generated and C++ alike. Each case lists the pixels
// the sampling rule gives (a centre is drawn when yA < y <= yC and
// xLeft < x <= xRight), drawn in both windings on two formats through the
// generated set-up (MMX on and off) and the C++ one; depth and stencil stay
// as cleared wherever no pixel is drawn.

#include <set>
#include <utility>
#include "rasterequiv.h"

namespace {

typedef std::set<std::pair<int, int>> Pixels;

struct Corner {
    float x, y;
};

struct CoverageCase {
    const char* name;
    Corner v[3];
    Pixels want;
    std::function<void()> state;
};

const std::vector<CoverageCase>& coverageCases() {
    static const std::vector<CoverageCase> list = {
        {"inside one pixel, no centre", {{3.1f, 2.1f}, {3.4f, 2.2f}, {3.2f, 2.4f}}, {}, nullptr},
        {"about one centre", {{4.2f, 4.2f}, {4.9f, 4.3f}, {4.5f, 4.9f}}, {{4, 4}}, nullptr},
        {"one row, both edges in one column", {{6.1f, 2.2f}, {6.3f, 2.8f}, {6.4f, 2.3f}}, {}, nullptr},
        {"one row of the lower part, no column", {{7.1f, 3.1f}, {7.3f, 3.2f}, {7.4f, 3.9f}}, {}, nullptr},
        {"one row of the lower part, a centre", {{8.3f, 3.1f}, {8.9f, 3.2f}, {8.6f, 3.9f}}, {{8, 3}}, nullptr},
        {"one row of the upper part, a centre", {{8.2f, 5.2f}, {8.9f, 5.6f}, {8.3f, 5.9f}}, {{8, 5}}, nullptr},
        {"a centre on the left edge", {{10.5f, 1.2f}, {10.9f, 1.5f}, {10.5f, 1.9f}}, {}, nullptr},
        {"a centre on the right edge", {{11.1f, 1.5f}, {11.5f, 1.2f}, {11.5f, 1.9f}}, {{11, 1}}, nullptr},
        {"a centre on the bottom edge", {{2.2f, 7.5f}, {2.8f, 7.5f}, {2.5f, 7.9f}}, {}, nullptr},
        {"a centre on the top edge", {{3.2f, 7.5f}, {3.8f, 7.5f}, {3.5f, 7.1f}}, {{3, 7}}, nullptr},
        {"one row between two centres, a centre column in reach", {{5.6f, 8.2f}, {6.7f, 8.9f}, {5.7f, 8.45f}}, {}, nullptr},
        {"flat in y across no row", {{1.0f, 9.6f}, {9.0f, 9.7f}, {4.0f, 9.9f}}, {}, nullptr},
        {"two rows, one column between centres", {{12.6f, 2.2f}, {12.9f, 3.9f}, {12.7f, 3.8f}}, {}, nullptr},
        {"two rows, one centre", {{13.2f, 2.2f}, {13.9f, 3.3f}, {13.4f, 3.9f}}, {{13, 3}}, nullptr},
        {"three rows, one column between centres", {{5.6f, 11.2f}, {5.9f, 12.8f}, {5.7f, 13.6f}}, {}, nullptr},
        // Its edges' rounding straddled the vertex's centre: a pixel was drawn.
        {"one column, a vertex on a centre", {{2.34765625f, 10.37353515625f}, {1.75537109375f, 10.388671875f}, {1.5f, 10.5f}},
         {}, nullptr},
        {"the row outside the scissor box", {{4.2f, 4.2f}, {4.9f, 4.3f}, {4.5f, 4.9f}}, {},
         [] { glEnable(GL_SCISSOR_TEST), glScissor(0, 5, 16, 11); }},
        {"the column outside the scissor box", {{4.2f, 4.2f}, {4.9f, 4.3f}, {4.5f, 4.9f}}, {},
         [] { glEnable(GL_SCISSOR_TEST), glScissor(5, 0, 11, 16); }},
        {"stencil INCR everywhere, no centre", {{3.1f, 2.1f}, {3.4f, 2.2f}, {3.2f, 2.4f}}, {},
         [] { glEnable(GL_STENCIL_TEST), glStencilFunc(GL_ALWAYS, 0, 0xFF), glStencilOp(GL_INCR, GL_INCR, GL_INCR); }},
        {"stencil INCR everywhere, one centre", {{4.2f, 4.2f}, {4.9f, 4.3f}, {4.5f, 4.9f}}, {{4, 4}},
         [] { glEnable(GL_STENCIL_TEST), glStencilFunc(GL_ALWAYS, 0, 0xFF), glStencilOp(GL_INCR, GL_INCR, GL_INCR); }},
        {"flat, one centre", {{8.2f, 5.2f}, {8.9f, 5.6f}, {8.3f, 5.9f}}, {{8, 5}}, [] { glShadeModel(GL_FLAT); }},
    };
    return list;
}

const int kWidth = 16, kHeight = 16;  // pixel coordinates exact in window coordinates

// The pixels whose colour, depth or stencil differ from the empty scene's.
Pixels touched(const RasterImage& im, const RasterImage& empty, int bytes) {
    Pixels p;
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++) {
            const size_t i = (size_t)y * kWidth + x;
            const size_t stride = im.color.size() / kHeight;
            bool differs = im.depth[i] != empty.depth[i] || im.stencil[i] != empty.stencil[i];
            for (int b = 0; b < bytes; b++) differs |= im.color[y * stride + x * bytes + b] != empty.color[y * stride + x * bytes + b];
            if (differs) p.insert({x, y});
        }
    return p;
}

std::string text(const Pixels& p) {
    std::string s = "{";
    for (const auto& q : p) s += " (" + std::to_string(q.first) + ", " + std::to_string(q.second) + ")";
    return s + " }";
}

RasterScene sceneOf(const CoverageCase& c, int order, bool cull) {
    RasterScene sc;
    sc.width = kWidth, sc.height = kHeight;
    sc.state = [&c, cull] {
        if (cull) glEnable(GL_CULL_FACE);
        if (c.state) c.state();
    };
    if (order < 0) return sc;  // no triangle
    static const int orders[2][3] = {{0, 1, 2}, {0, 2, 1}};
    for (int k : orders[order]) {
        const float hue = 0.3f + 0.3f * (float)k;
        sc.vertices.push_back({c.v[k].x, c.v[k].y, 0.25f * (float)k - 0.2f, {1.0f, hue, 1.0f - hue, 1.0f}, 0, 0, 1});
    }
    return sc;
}

TEST(Coverage, FewCentresOverWindingsPathsAndFormats) {
    for (const RasterFormat& f : {kRasterFormats[0], kRasterFormats[2]}) {
        const int bytes = f.bits / 8;
        for (const CoverageCase& c : coverageCases())
            for (int order = 0; order < 2; order++) {
                SCOPED_TRACE(std::string(f.name) + ", " + c.name + (order ? ", clockwise" : ", counter-clockwise"));
                const RasterImage empty = rasterRender(f, sceneOf(c, -1, false), PATH_CPP, false);
                const RasterScene sc = sceneOf(c, order, false);
                const RasterImage cpp = rasterRender(f, sc, PATH_CPP, false);
                EXPECT_EQ(text(touched(cpp, empty, bytes)), text(c.want)) << "C++";
                for (bool mmx : {false, true}) {
                    const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, mmx);
                    EXPECT_TRUE(gen.generatedSetup);
                    EXPECT_EQ(rasterDifference(gen, cpp, kWidth, bytes), "") << "generated vs C++, MMX " << mmx;
                }
            }
    }
}

// Back faces culled: the counter-clockwise order draws its centres, the
// clockwise one nothing, whether it covers a centre or not.
TEST(Coverage, CulledFaces) {
    const RasterFormat& f = kRasterFormats[0];
    for (const CoverageCase& c : coverageCases()) {
        if (c.state) continue;
        for (int order = 0; order < 2; order++) {
            SCOPED_TRACE(std::string(c.name) + (order ? ", clockwise" : ", counter-clockwise"));
            const RasterImage empty = rasterRender(f, sceneOf(c, -1, true), PATH_CPP, false);
            const RasterScene sc = sceneOf(c, order, true);
            // Counter-clockwise in window y: the cases' first order where its
            // signed area is positive.
            const Corner* v = c.v;
            const float area = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
            const bool front = (area > 0) == (order == 0);
            const RasterImage cpp = rasterRender(f, sc, PATH_CPP, false);
            const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, true);
            EXPECT_EQ(text(touched(cpp, empty, 4)), text(front ? c.want : Pixels{}));
            EXPECT_EQ(rasterDifference(gen, cpp, kWidth, 4), "");
        }
    }
}

// Many triangles smaller than a pixel at random over the window (as a fine
// mesh far away draws them), in all three paths' agreement, depth-tested
// against each other.
TEST(Coverage, ManyTinyTriangles) {
    std::vector<RasterVertex> v;
    unsigned r = 12345;
    const auto next = [&r] { return (r = r * 1103515245u + 12345u) >> 8 & 0xFFFF; };
    for (int t = 0; t < 600; t++) {
        const float x = (float)(next() % (kWidth * 64)) / 64.0f, y = (float)(next() % (kHeight * 64)) / 64.0f;
        for (int k = 0; k < 3; k++) {
            const float dx = (float)(next() % 96) / 64.0f - 0.5f, dy = (float)(next() % 96) / 64.0f - 0.5f;
            v.push_back({x + dx, y + dy, (float)(next() % 200) / 100.0f - 1.0f,
                         {(float)(next() % 100) / 100.0f, 0.5f, (float)(next() % 100) / 100.0f, 1.0f}, 0, 0, 1});
        }
    }
    for (const RasterFormat& f : {kRasterFormats[0], kRasterFormats[2], kRasterFormats[5]}) {
        SCOPED_TRACE(f.name);
        RasterScene sc;
        sc.width = kWidth, sc.height = kHeight;
        sc.vertices = v;
        const RasterImage cpp = rasterRender(f, sc, PATH_CPP, false);
        const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, true);
        const RasterImage noFill = rasterRender(f, sc, PATH_NO_FILL, false);
        EXPECT_TRUE(cpp.drawn);
        const int bytes = (f.bits + 7) / 8;
        EXPECT_EQ(rasterDifference(gen, cpp, kWidth, bytes), "");
        EXPECT_EQ(rasterDifference(noFill, cpp, kWidth, bytes), "");
    }
}

// Depths at and past their limits: triangles on the near and far planes
// exactly, and slivers whose depth crosses the whole range within a small
// part of a pixel (gradients and steps past 2^31 and 2^32), through the
// generated set-up and the C++ one, 16- and 32-bit depth.
TEST(Coverage, DepthsAtTheirLimits) {
    const RasterVertex corners[][3] = {
        {{1.2f, 1.3f, -1.0f, {1, 0.5f, 0.2f, 1}, 0, 0, 1}, {14.7f, 2.1f, -1.0f, {0.2f, 1, 0.5f, 1}, 0, 0, 1},
         {7.4f, 14.6f, -1.0f, {0.5f, 0.2f, 1, 1}, 0, 0, 1}},
        {{0.6f, 0.4f, 1.0f, {1, 1, 0.2f, 1}, 0, 0, 1}, {15.2f, 0.9f, 1.0f, {0.2f, 1, 1, 1}, 0, 0, 1},
         {3.1f, 15.3f, 0.999f, {1, 0.2f, 1, 1}, 0, 0, 1}},
        {{2.1f, 3.2f, -1.0f, {1, 0, 0, 1}, 0, 0, 1}, {2.1001f, 12.9f, 1.0f, {0, 1, 0, 1}, 0, 0, 1},
         {9.3f, 7.5f, -1.0f, {0, 0, 1, 1}, 0, 0, 1}},
        {{4.5f, 2.05f, 1.0f, {1, 1, 0, 1}, 0, 0, 1}, {13.6f, 2.0501f, -1.0f, {0, 1, 1, 1}, 0, 0, 1},
         {8.2f, 11.7f, 0.0f, {1, 0, 1, 1}, 0, 0, 1}},
        // The whole range within a pixel across and along.
        {{3.2f, 9.3f, -1.0f, {1, 0, 0, 1}, 0, 0, 1}, {4.3f, 9.4f, 1.0f, {0, 1, 0, 1}, 0, 0, 1},
         {3.8f, 13.9f, -1.0f, {0, 0, 1, 1}, 0, 0, 1}},
        {{10.2f, 10.3f, 1.0f, {1, 0, 0, 1}, 0, 0, 1}, {14.6f, 10.4f, 1.0f, {0, 1, 0, 1}, 0, 0, 1},
         {12.1f, 11.2f, -1.0f, {0, 0, 1, 1}, 0, 0, 1}},
    };
    for (const RasterFormat& f : {kRasterFormats[0], kRasterFormats[2]})
        for (int depthBits : {16, 32})
            for (int order = 0; order < 2; order++) {
                SCOPED_TRACE(std::string(f.name) + ", depth " + std::to_string(depthBits) + (order ? ", clockwise" : ""));
                RasterScene sc;
                sc.width = kWidth, sc.height = kHeight;
                sc.depthBits = depthBits;
                sc.state = [] { glDepthFunc(GL_LEQUAL); };
                for (const auto& t : corners)
                    for (int k : {0, order ? 2 : 1, order ? 1 : 2}) sc.vertices.push_back(t[k]);
                const RasterImage cpp = rasterRender(f, sc, PATH_CPP, false);
                const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, true);
                EXPECT_TRUE(cpp.drawn);
                EXPECT_TRUE(gen.generatedSetup);
                rasterExpectGenerated(f, sc, gen, cpp, true, 1);
            }
}

}  // namespace
