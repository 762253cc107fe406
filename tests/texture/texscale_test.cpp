// Squares of a known texel scale (so a known lambda) against OpenGL's filter
// rules, on every triangle road (generated chain, C++ chain, generic span
// lists). The 256x256 texture's levels are tinted: green is 40 + 30 x level,
// so a wrong level or a wrong blend between levels shows in green; red
// ramps with s through every level (each level the box filter of the one
// above), so a wrong texel or weight across shows in red; blue alternates
// between 40 and 200 from row to row of level 0 (120 on the levels above),
// so a wrong weight down, or the nearest texel where the bilinear blend
// belongs, shows in blue.
//
// Lambda follows the rule of the renderers: half the piecewise-linear log2 of
// the squared scale r (0.5 x (k + (r - 2^k) / 2^k), k = floor(log2 r)); the
// scales here are exact in it (r = 2 gives 0.5, 3 gives 0.75, 6 gives 1.25,
// 12 gives 1.75) and far from a level choice's boundary.
#include <math.h>
#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"

namespace {

const int kSide = 256, kWindow = 64;

struct Level {
    int n;
    std::vector<unsigned char> rgb;
    const unsigned char* texel(int i, int j) const { return &rgb[((size_t)j * n + i) * 3]; }
};

std::vector<Level> buildLevels() {
    std::vector<Level> levels;
    Level l0{kSide, std::vector<unsigned char>((size_t)kSide * kSide * 3)};
    for (int j = 0; j < kSide; j++)
        for (int i = 0; i < kSide; i++) {
            unsigned char* p = &l0.rgb[((size_t)j * kSide + i) * 3];
            p[0] = (unsigned char)i, p[1] = 40, p[2] = (unsigned char)((j & 1) ? 200 : 40);
        }
    levels.push_back(l0);
    for (int d = 1; levels.back().n > 1; d++) {
        const Level& up = levels.back();
        Level l{up.n / 2, std::vector<unsigned char>((size_t)(up.n / 2) * (up.n / 2) * 3)};
        for (int j = 0; j < l.n; j++)
            for (int i = 0; i < l.n; i++) {
                unsigned char* p = &l.rgb[((size_t)j * l.n + i) * 3];
                for (int c = 0; c < 3; c += 2) {
                    const int sum = up.texel(2 * i, 2 * j)[c] + up.texel(2 * i + 1, 2 * j)[c] +
                                    up.texel(2 * i, 2 * j + 1)[c] + up.texel(2 * i + 1, 2 * j + 1)[c];
                    p[c] = (unsigned char)((sum + 2) / 4);
                }
                p[1] = (unsigned char)(40 + 30 * d);
            }
        levels.push_back(l);
    }
    return levels;
}

const std::vector<Level>& levels() {
    static const std::vector<Level> l = buildLevels();
    return l;
}

// OpenGL's rules at normalised s, t under GL_REPEAT. `margin`: the smallest
// distance of a nearest sample from a texel edge (in texels of its level).
struct Sample {
    double c[3];
};
Sample nearestAt(const Level& l, double s, double t, double* margin) {
    const double u = s * l.n, v = t * l.n;
    *margin = std::min(*margin, std::min(fabs(u - floor(u + 0.5)), fabs(v - floor(v + 0.5))));
    const int i = (int)floor(u) & (l.n - 1), j = (int)floor(v) & (l.n - 1);
    const unsigned char* p = l.texel(i, j);
    return {{(double)p[0], (double)p[1], (double)p[2]}};
}
Sample linearAt(const Level& l, double s, double t) {
    const double u = s * l.n - 0.5, v = t * l.n - 0.5;
    const int i0 = (int)floor(u), j0 = (int)floor(v);
    const double a = u - i0, b = v - j0;
    Sample r{{0, 0, 0}};
    for (int k = 0; k < 4; k++) {
        const int i = (i0 + (k & 1)) & (l.n - 1), j = (j0 + (k >> 1)) & (l.n - 1);
        const double w = ((k & 1) ? a : 1 - a) * ((k >> 1) ? b : 1 - b);
        for (int c = 0; c < 3; c++) r.c[c] += w * l.texel(i, j)[c];
    }
    return r;
}

double piecewiseLambda(double r) {
    const int k = (int)floor(log2(r));
    const double p = ldexp(1.0, k);
    return 0.5 * (k + (r - p) / p);
}

Sample expected(GLenum min, GLenum mag, double r, double s, double t, double* margin) {
    const std::vector<Level>& L = levels();
    const int top = (int)L.size() - 1;
    const bool linearMin = min == GL_LINEAR || min == GL_LINEAR_MIPMAP_NEAREST || min == GL_LINEAR_MIPMAP_LINEAR;
    auto at = [&](int d, bool linear) { return linear ? linearAt(L[d], s, t) : nearestAt(L[d], s, t, margin); };
    // The switch-over: squared scale 2 beside GL_LINEAR magnification of a
    // nearest mipmap filter, else 1.
    const double crossover = mag == GL_LINEAR && !linearMin ? 2.0 : 1.0;
    if (r <= crossover || min == GL_LINEAR || min == GL_NEAREST)
        return at(0, (r <= crossover ? mag : min) == GL_LINEAR);
    const double lambda = std::min(piecewiseLambda(r), (double)top);
    if (min == GL_NEAREST_MIPMAP_NEAREST || min == GL_LINEAR_MIPMAP_NEAREST) {
        const int d = lambda <= 0.5 ? 0 : std::min((int)ceil(lambda + 0.5) - 1, top);
        return at(d, linearMin);
    }
    const int d = (int)floor(lambda);
    if (d >= top) return at(top, linearMin);
    const double f = lambda - d;
    const Sample a = at(d, linearMin), b = at(d + 1, linearMin);
    Sample out;
    for (int c = 0; c < 3; c++) out.c[c] = (1 - f) * a.c[c] + f * b.c[c];
    return out;
}

void loadTexture(GLenum min, GLenum mag) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const std::vector<Level>& L = levels();
    for (size_t d = 0; d < L.size(); d++)
        glTexImage2D(GL_TEXTURE_2D, (GLint)d, GL_RGB, L[d].n, L[d].n, 0, GL_RGB, GL_UNSIGNED_BYTE, L[d].rgb.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)mag);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
}

struct ScaleCase {
    GLenum min, mag;
    double r;  // squared texels a pixel
};

// The window-filling square at sqrt(r) level-0 texels a pixel both ways,
// from an offset that keeps samples off texel edges at level 0; every pixel
// within 2 of the rules (nearest samples closer than 0.02 texel to an edge
// are left out).
void checkScale(const ScaleCase& k, const GltestChainRoad* road) {
    GltestTrianglePath path(road == nullptr, road && road->cppOnly);
    GltestDibContext ctx(kWindow, kWindow);
    ASSERT_NE(ctx.rc, nullptr);
    glDisable(GL_DITHER);
    loadTexture(k.min, k.mag);
    const double step = sqrt(k.r) / kSide;  // s a pixel
    const double s0 = 0.3137 / kSide, t0 = 17.2391 / kSide;
    const double s1 = s0 + step * kWindow, t1 = t0 + step * kWindow;
    glBegin(GL_QUADS);
    glTexCoord2d(s0, t0), glVertex2i(0, 0);
    glTexCoord2d(s1, t0), glVertex2i(kWindow, 0);
    glTexCoord2d(s1, t1), glVertex2i(kWindow, kWindow);
    glTexCoord2d(s0, t1), glVertex2i(0, kWindow);
    glEnd();
    glFinish();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(gltestFastTriangles(__glCurrentContext()), road != nullptr) << "the road drawn";
    int checked = 0, wrong = 0;
    double worst = 0;
    std::string first;
    for (int y = 0; y < kWindow; y++)
        for (int x = 0; x < kWindow; x++) {
            double margin = 1.0;
            const Sample e = expected(k.min, k.mag, k.r, s0 + (x + 0.5) * step, t0 + (y + 0.5) * step, &margin);
            if (margin < 0.02) continue;
            const uint32_t p = ctx.pixel(x, y);
            const int got[3] = {(int)(p >> 16 & 0xFF), (int)(p >> 8 & 0xFF), (int)(p & 0xFF)};
            ++checked;
            double d = 0;
            for (int c = 0; c < 3; c++) d = std::max(d, fabs(got[c] - e.c[c]));
            worst = std::max(worst, d);
            if (d > 2.0 && wrong++ == 0)
                first = "at (" + std::to_string(x) + ", " + std::to_string(y) + ") " + std::to_string(got[0]) + " " +
                        std::to_string(got[1]) + " " + std::to_string(got[2]) + ", expected " +
                        std::to_string(e.c[0]) + " " + std::to_string(e.c[1]) + " " + std::to_string(e.c[2]);
        }
    EXPECT_GT(checked, kWindow * kWindow / 2) << "samples checked";
    EXPECT_EQ(wrong, 0) << "pixels beyond 2 of the rules (worst " << worst << "), first " << first;
}

}  // namespace

TEST(TexScale, KnownScalesFollowTheFilterRules) {
    const ScaleCase cases[] = {
        {GL_LINEAR, GL_LINEAR, 0.36},
        {GL_LINEAR, GL_LINEAR, 3.0},
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, 0.5},
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, 3.0},
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, 12.0},
        {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, 6.0},
        {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, 12.0},
        {GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST, 2.0},
        {GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST, 6.0},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 0.5},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 2.0},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 3.0},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 6.0},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 12.0},
        {GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, 3.0},
        {GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR, 6.0},
        {GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR, 1.5},
        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, 1.5},
        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, 3.0},
        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, 12.0},
    };
    for (const ScaleCase& k : cases) {
        const std::string name = "min " + std::to_string(k.min) + " mag " + std::to_string(k.mag) + " r " +
                                 std::to_string(k.r);
        {
            SCOPED_TRACE(name + ", generic span lists");
            checkScale(k, nullptr);
        }
        for (const GltestChainRoad& road : gltestChainRoads) {
            SCOPED_TRACE(name + ", " + road.name);
            checkScale(k, &road);
        }
    }
}
