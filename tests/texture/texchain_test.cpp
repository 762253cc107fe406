// Textured triangles through the fast span chain against the generic span
// lists: the same random triangles, with random texture coordinates and w,
// drawn through both paths for each filter, wrap mode, level size,
// environment and perspective, on 32-bit, 5-6-5 and colour-index DIBs.
//
// Precision of the fast path's texturing: it interpolates s/q and t/q in
// 16.16 fixed point, dividing at the first and at the last live pixel of each
// run of 16 and stepping linearly between, where the generic path divides per
// pixel; and it blends with 8-bit weights. So
// - a sample takes the generic path's texel and level, or, where it lies
//   within that coordinate error of a texel or level boundary, the neighbour
//   (one column, row or level away, never further). Linear steps over 16
//   pixels miss the hyperbola by up to a quarter texel where w changes by a
//   quarter across a triangle of 40 pixels at a texel a pixel: with such
//   triangles (w in [1, 1.25]) at most 1 sample in 20 takes the neighbour; at
//   constant w at most 1 in 100.
// - a channel differs by at most 1 LSB of its field where the texel is
//   copied, 2 where the square table multiplies (modulate, blend) or the
//   filter blends, plus, for the samples that took the neighbour, the
//   difference of neighbouring texels: the textures here change by at most 3
//   from a texel to the next and from a level to the next.
// Coverage is identical.

#include <math.h>
#include <functional>
#include <random>
#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"

namespace {

const int W = 64, H = 40;

struct Vertex {
    float x, y, z, w, s, t, c[4];
};

// Random triangles over and past the window; texture coordinates in
// [lo, lo + range), w in [1, wMax].
std::vector<Vertex> randomTriangles(unsigned seed, int count, float lo, float range, float wMax) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> px(-8.0f, W + 8.0f), py(-8.0f, H + 8.0f), pz(-0.9f, 0.9f),
        pc(0.3f, 1.0f), ps(lo, lo + range), pw(1.0f, wMax);
    std::vector<Vertex> v;
    for (int i = 0; i < 3 * count; ++i)
        v.push_back({px(rng), py(rng), pz(rng), pw(rng), ps(rng), ps(rng), {pc(rng), pc(rng), pc(rng), pc(rng)}});
    return v;
}

// Level l texel (i, j) of a w x h texture: the coordinates themselves
// (red column, green row, blue 16 x level) when `encode`, else a smooth
// periodic pattern whose neighbours (and levels) differ by at most 3.
unsigned char texelValue(bool encode, int l, int i, int j, int w, int h, int channel) {
    if (encode) return (unsigned char)(channel == 0 ? i : channel == 1 ? j : channel == 2 ? 16 * l + 8 : 255);
    auto tri = [](int k, int n) { return n <= 1 ? 0 : abs(2 * (k % n) - n) * 3 * (n < 16 ? n : 16) / (2 * n); };
    switch (channel) {
    case 0: return (unsigned char)(90 + tri(i, w));
    case 1: return (unsigned char)(120 + tri(j, h));
    case 2: return (unsigned char)(150 + 3 * l);
    default: return (unsigned char)(140 + tri(i + j, w));
    }
}

struct TexCase {
    const char* name;
    int w, h;
    bool mipmaps;
    GLenum internalFormat;  // GL_RGB, GL_RGBA or GL_COLOR_INDEX8_EXT
    GLenum min, mag, wrap, env;
    bool perspective;       // w varies; else GL_FASTEST with w = 1
    float lo, range;        // texture coordinates
    bool encode;            // coordinates as colours: texel choice is checked
};

void loadTexture(const TexCase& k) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const bool index = k.internalFormat == GL_COLOR_INDEX8_EXT;
    const int comps = index ? 1 : k.internalFormat == GL_RGBA ? 4 : 3;
    int w = k.w, h = k.h;
    for (int l = 0;; l++) {
        std::vector<unsigned char> img((size_t)w * h * comps);
        for (int j = 0; j < h; j++)
            for (int i = 0; i < w; i++)
                for (int c = 0; c < comps; c++)
                    img[((size_t)j * w + i) * comps + c] =
                        index ? (unsigned char)(20 + l + (i / 2) % 2 + (j / 2) % 2) : texelValue(k.encode, l, i, j, w, h, c);
        glTexImage2D(GL_TEXTURE_2D, l, (GLint)k.internalFormat, w, h, 0, index ? GL_COLOR_INDEX : GLenum(comps == 4 ? GL_RGBA : GL_RGB),
                     GL_UNSIGNED_BYTE, img.data());
        if (!k.mipmaps || (w == 1 && h == 1)) break;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)k.min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)k.mag);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (GLint)k.wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, (GLint)k.wrap);
    const float border[4] = {0.4f, 0.5f, 0.6f, 0.7f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    const float envColor[4] = {0.8f, 0.2f, 0.5f, 0.6f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, k.perspective ? GL_NICEST : GL_FASTEST);
    glEnable(GL_TEXTURE_2D);
}

typedef GltestDibFormat Format;
const Format& kX8r8g8b8 = gltestDibFormats[0];
const Format& kR5g6b5 = gltestDibFormats[2];
const Format& kIndex8 = gltestDibFormats[5];

std::vector<uint32_t> render(const Format& f, const TexCase& k, bool generic, unsigned seed, bool dither) {
    GltestTrianglePath path(generic);
    GltestDibContext ctx(W, H, f.bits, f.index, 16, false, f.masks);
    std::vector<uint32_t> pixels;
    if (!ctx.rc) return pixels;
    glClearColor(0, 0, 0, 0);
    glClearIndex(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    if (!dither) glDisable(GL_DITHER);
    loadTexture(k);
    const std::vector<Vertex> v = randomTriangles(seed, 12, k.lo, k.range, k.perspective ? 1.25f : 1.0f);
    glBegin(GL_TRIANGLES);
    for (const Vertex& q : v) {
        if (f.index) glIndexf(3.0f + 100.0f * q.c[0]);
        else glColor4f(q.c[0], q.c[1], q.c[2], q.c[3]);
        glTexCoord2f(q.s, q.t);
        glVertex4f(q.x * q.w, q.y * q.w, q.z * q.w, q.w);
    }
    glEnd();
    glFinish();
    const GlContext* gc = __glCurrentContext();
    EXPECT_TRUE(gc->rasterFlags & GL_RF_TEXTURE) << "textured";
    EXPECT_EQ(gltestFastTriangles(gc), !generic) << "the path drawn";
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(ctx.guardsIntact());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) pixels.push_back(ctx.pixel(x, y));
    return pixels;
}

int field(const Format& f, uint32_t p, int k) { return (int)((p >> f.fieldPos[k]) & ((1u << f.fieldBits[k]) - 1)); }

// Texel choice: the same texel, or one column, row or level away (columns
// and rows cyclic under GL_REPEAT).
bool neighbourTexel(const TexCase& k, uint32_t a, uint32_t b) {
    auto ch = [](uint32_t p, int s) { return (int)((p >> s) & 0xFF); };
    const int la = (ch(a, 0) - 8) / 16, lb = (ch(b, 0) - 8) / 16;
    if (la != lb) return abs(la - lb) == 1;
    const int wl = k.w >> la > 0 ? k.w >> la : 1, hl = k.h >> la > 0 ? k.h >> la : 1;
    auto close = [&](int x, int y, int n) { return abs(x - y) <= 1 || (k.wrap == GL_REPEAT && abs(x - y) == n - 1); };
    return close(ch(a, 16), ch(b, 16), wl) && close(ch(a, 8), ch(b, 8), hl);
}

void compare(const Format& f, const TexCase& k, int lsb, unsigned seed, bool dither = false) {
    SCOPED_TRACE(std::string(f.name) + ", " + k.name + ", seed " + std::to_string(seed));
    const std::vector<uint32_t> fast = render(f, k, false, seed, dither);
    const std::vector<uint32_t> slow = render(f, k, true, seed, dither);
    ASSERT_EQ(fast.size(), (size_t)(W * H));
    ASSERT_EQ(slow.size(), fast.size());
    const int channels = f.index ? 1 : 3;
    const int neighbour = f.fieldBits[0] == 8 ? 3 : 1;  // a texel step in the field
    int drawn = 0, coverage = 0, outside = 0, distant = 0, worst = 0;
    for (size_t i = 0; i < fast.size(); ++i) {
        const uint32_t a = fast[i], b = slow[i];
        drawn += b != 0;
        coverage += (a == 0) != (b == 0);
        if (k.encode) {
            outside += a != b;
            distant += !neighbourTexel(k, a, b);
            continue;
        }
        int d = 0;
        for (int c = 0; c < channels; ++c) d = std::max(d, abs(field(f, a, c) - field(f, b, c)));
        worst = std::max(worst, d);
        outside += d > lsb;
        distant += d > lsb + neighbour + 1;
    }
    EXPECT_EQ(coverage, 0) << "pixels drawn by one path only";
    EXPECT_GT(drawn, W * H / 4) << "the scene draws something";
    const int allowed = k.perspective ? 20 : 100;  // one in ...
    EXPECT_LE(outside * allowed, drawn) << "pixels beyond " << lsb << " LSB (worst " << worst << ")";
    EXPECT_EQ(distant, 0) << "pixels beyond a neighbouring texel (worst " << worst << ")";
}

}  // namespace

// Which texel and level the nearest filters choose: coordinates as colours.
TEST(TexChain, TexelChoiceMatchesGenericPath) {
    const TexCase cases[] = {
        {"8x8 nearest repeat", 8, 8, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true, -2.0f, 5.0f, true},
        {"8x8 nearest clamp", 8, 8, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_REPLACE, true, -0.5f, 2.0f, true},
        {"256x256 nearest repeat affine", 256, 256, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, false,
         -1.0f, 2.0f, true},
        {"2x8 nearest repeat", 2, 8, false, GL_RGBA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true, -3.0f, 6.0f, true},
        {"1x1", 1, 1, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true, -3.0f, 6.0f, true},
        {"64x16 nearest mipmap nearest", 64, 16, true, GL_RGB, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT,
         GL_REPLACE, true, -2.0f, 4.0f, true},
        {"256x256 nearest mipmap nearest clamp", 256, 256, true, GL_RGB, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST,
         GL_CLAMP, GL_REPLACE, true, -0.5f, 2.0f, true},
        {"32x32 linear magnified, nearest minified", 32, 32, false, GL_RGB, GL_NEAREST, GL_LINEAR, GL_REPEAT,
         GL_REPLACE, true, -0.5f, 1.0f, false},
    };
    for (const TexCase& k : cases) compare(kX8r8g8b8, k, k.encode ? 0 : 3, 5u);
}

// Colours through the filters and environments, on 32-bit and 5-6-5.
TEST(TexChain, ColorsMatchGenericPath) {
    struct Case { TexCase k; int lsb; } cases[] = {
        {{"16x16 linear repeat modulate", 16, 16, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, true,
          -1.5f, 3.0f, false}, 2},
        {{"8x4 linear clamp replace", 8, 4, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_REPLACE, true, -0.5f,
          2.0f, false}, 2},
        {{"64x64 linear mipmap linear", 64, 64, true, GL_RGB, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT,
          GL_MODULATE, true, -3.0f, 6.0f, false}, 2},
        {{"32x32 nearest mipmap linear, mag linear", 32, 32, true, GL_RGB, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR,
          GL_CLAMP, GL_MODULATE, true, -1.0f, 3.0f, false}, 2},
        {{"128x8 linear mipmap nearest", 128, 8, true, GL_RGBA, GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT,
          GL_DECAL, true, -2.0f, 8.0f, false}, 2},
        {{"16x16 nearest blend", 16, 16, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_BLEND, true, -1.0f,
          3.0f, false}, 2},
        {{"4x4 linear affine modulate", 4, 4, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, false,
          -1.0f, 3.0f, false}, 2},
        {{"256x256 nearest modulate", 256, 256, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, true,
          -1.0f, 2.0f, false}, 2},
        {{"8x8 RGBA nearest modulate", 8, 8, false, GL_RGBA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, true,
          -1.0f, 2.0f, false}, 2},
    };
    for (const Case& c : cases) {
        compare(kX8r8g8b8, c.k, c.lsb, 7u);
        compare(kR5g6b5, c.k, 1, 7u, true);
    }
}

// Colour-index textures in a colour-index context: replaced and added indexes.
TEST(TexChain, ColorIndexTexturesMatchGenericPath) {
    const TexCase cases[] = {
        {"8x4 index replace", 8, 4, false, GL_COLOR_INDEX8_EXT, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true,
         -1.0f, 3.0f, false},
        {"16x16 index add, mipmapped", 16, 16, true, GL_COLOR_INDEX8_EXT, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST,
         GL_CLAMP, GL_ADD, true, -1.0f, 3.0f, false},
    };
    for (const TexCase& k : cases) compare(kIndex8, k, 1, 9u);
}
