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
//   filter blends, 3 where a blend of the colour buffer multiplies again,
//   plus, for the samples that took the neighbour, the difference of
//   neighbouring texels: the textures here change by at most 3 from a texel
//   to the next and from a level to the next.
// Coverage (the depth buffer) is identical. Each comparison runs on the
// generated chain and on the C++ set-up and stages alone, over every RGBA
// DIB format.

#include <math.h>
#include <functional>
#include <random>
#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"
#include "raster/chaintex.h"

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
    int w, h;               // h 0: a 1-D texture
    bool mipmaps;
    GLenum internalFormat;  // GL_RGB, GL_RGBA, luminance, intensity, alpha or GL_COLOR_INDEX8_EXT
    GLenum min, mag, wrap, env;
    bool perspective;       // w varies; else GL_FASTEST with w = 1
    float lo, range;        // texture coordinates
    bool encode;            // coordinates as colours: texel choice is checked
    GLenum palette = 0;     // an index texture's colour table (RGBA contexts): GL_RGB or GL_RGBA
    int more = 0;           // MORE_*: state beyond the texture
    bool filtered = false;  // the C++ chain takes the filtered stage
    GLenum wrapT = 0;       // the t wrap mode when it differs from s
};

// Blending over a grey background (alpha is needed and shows); the alpha
// test (each triangle's vertices share one alpha, so both paths test the
// same value); linear fog per fragment.
enum { MORE_NONE, MORE_BLEND, MORE_ALPHA_TEST, MORE_FOG };

// Upload format and components of an internal format.
GLenum uploadFormat(GLenum internalFormat) {
    switch (internalFormat) {
    case GL_RGB: return GL_RGB;
    case GL_RGBA: return GL_RGBA;
    case GL_LUMINANCE_ALPHA: return GL_LUMINANCE_ALPHA;
    case GL_ALPHA: return GL_ALPHA;
    case GL_COLOR_INDEX8_EXT: return GL_COLOR_INDEX;
    default: return GL_LUMINANCE;  // GL_LUMINANCE, GL_INTENSITY
    }
}
int components(GLenum format) {
    return format == GL_RGBA ? 4 : format == GL_RGB ? 3 : format == GL_LUMINANCE_ALPHA ? 2 : 1;
}

void loadTexture(const TexCase& k) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum target = k.h ? GL_TEXTURE_2D : GL_TEXTURE_1D;
    const bool index = k.internalFormat == GL_COLOR_INDEX8_EXT;
    const GLenum format = uploadFormat(k.internalFormat);
    const int comps = components(format);
    int w = k.w, h = k.h ? k.h : 1;
    for (int l = 0;; l++) {
        std::vector<unsigned char> img((size_t)w * h * comps);
        for (int j = 0; j < h; j++)
            for (int i = 0; i < w; i++)
                for (int c = 0; c < comps; c++)
                    img[((size_t)j * w + i) * comps + c] =
                        index ? (unsigned char)(20 + l + (i / 2) % 2 + (j / 2) % 2)
                              : texelValue(k.encode, l, i, j, w, h, format == GL_LUMINANCE_ALPHA && c ? 3 : c);
        if (k.h) glTexImage2D(target, l, (GLint)k.internalFormat, w, h, 0, format, GL_UNSIGNED_BYTE, img.data());
        else glTexImage1D(target, l, (GLint)k.internalFormat, w, 0, format, GL_UNSIGNED_BYTE, img.data());
        if (!k.mipmaps || (w == 1 && h == 1)) break;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    if (k.palette) {
        // Entry i changes by 1 a step, as neighbouring texels do.
        std::vector<unsigned char> entries(256 * 4);
        for (int i = 0; i < 256; i++)
            for (int c = 0; c < 4; c++) entries[i * 4 + c] = (unsigned char)(c == 1 ? 220 - i / 2 : 60 + c * 20 + i / 2);
        if (k.palette == GL_RGB)
            for (int i = 0; i < 256; i++) memmove(&entries[i * 3], &entries[i * 4], 3);
        auto table = (PFNGLCOLORTABLEEXTPROC)(void*)wglGetProcAddress("glColorTableEXT");
        table(target, k.palette, 256, k.palette, GL_UNSIGNED_BYTE, entries.data());
    }
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, (GLint)k.min);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, (GLint)k.mag);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, (GLint)k.wrap);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, (GLint)(k.wrapT ? k.wrapT : k.wrap));
    const float border[4] = {0.4f, 0.5f, 0.6f, 0.7f};
    glTexParameterfv(target, GL_TEXTURE_BORDER_COLOR, border);
    const float envColor[4] = {0.8f, 0.2f, 0.5f, 0.6f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, k.perspective ? GL_NICEST : GL_FASTEST);
    glEnable(target);
    if (k.more == MORE_BLEND) glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (k.more == MORE_ALPHA_TEST) glEnable(GL_ALPHA_TEST), glAlphaFunc(GL_GREATER, 0.6f);
    if (k.more == MORE_FOG) {
        const GLfloat c[4] = {0.2f, 0.6f, 0.9f, 1.0f};
        glEnable(GL_FOG), glFogi(GL_FOG_MODE, GL_LINEAR), glFogf(GL_FOG_START, -1.0f), glFogf(GL_FOG_END, 1.0f);
        glFogfv(GL_FOG_COLOR, c), glHint(GL_FOG_HINT, GL_FASTEST);
    }
}

typedef GltestDibFormat Format;
const Format& kX8r8g8b8 = gltestDibFormats[0];
const Format& kIndex8 = gltestDibFormats[5];

// The colour buffer, and the depth buffer that shows which pixels were drawn.
struct Picture {
    std::vector<uint32_t> color;
    std::vector<GLuint> depth;
};

Picture render(const Format& f, const TexCase& k, bool generic, unsigned seed, bool dither, bool cppOnly = false) {
    GltestTrianglePath path(generic, cppOnly);
    GltestDibContext ctx(W, H, f.bits, f.index, 16, false, f.masks);
    Picture picture;
    std::vector<uint32_t>& pixels = picture.color;
    if (!ctx.rc) return picture;
    const float grey = k.more == MORE_BLEND ? 0.5f : 0.0f;
    glClearColor(grey, grey, grey, 0);
    glClearIndex(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    if (!dither) glDisable(GL_DITHER);
    loadTexture(k);
    const std::vector<Vertex> v = randomTriangles(seed, 12, k.lo, k.range, k.perspective ? 1.25f : 1.0f);
    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i < v.size(); ++i) {
        const Vertex& q = v[i];
        const float alpha = k.more == MORE_ALPHA_TEST ? v[i - i % 3].c[3] : q.c[3];
        if (f.index) glIndexf(3.0f + 100.0f * q.c[0]);
        else glColor4f(q.c[0], q.c[1], q.c[2], alpha);
        glTexCoord2f(q.s, q.t);
        glVertex4f(q.x * q.w, q.y * q.w, q.z * q.w, q.w);
    }
    glEnd();
    glFinish();
    const GlContext* gc = __glCurrentContext();
    EXPECT_TRUE(gc->rasterFlags & GL_RF_TEXTURE) << "textured";
    EXPECT_EQ(gltestFastTriangles(gc), !generic) << "the path drawn";
    if (k.filtered && cppOnly && !generic) {
        EXPECT_EQ(gc->procs.spanTextured,
                  __glPickFilteredTexturedSpan((const GlTextureParams*)gc->currentTexture, gc->chain.texAlpha ? 4 : 3))
            << "the filtered stage";
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(ctx.guardsIntact());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) pixels.push_back(ctx.pixel(x, y));
    picture.depth.resize(W * H);
    glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, picture.depth.data());
    return picture;
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

void compareImages(const Format& f, const TexCase& k, int lsb, const Picture& fastPicture,
                   const Picture& slowPicture) {
    const std::vector<uint32_t>&fast = fastPicture.color, &slow = slowPicture.color;
    ASSERT_EQ(fast.size(), (size_t)(W * H));
    ASSERT_EQ(slow.size(), fast.size());
    EXPECT_TRUE(fastPicture.depth == slowPicture.depth) << "depth buffers differ: coverage";
    const int channels = f.index ? 1 : 3;
    const int neighbour = f.fieldBits[0] == 8 ? 3 : 1;  // a texel step in the field
    int drawn = 0, coverage = 0, outside = 0, distant = 0, worst = 0;
    for (size_t i = 0; i < fast.size(); ++i) {
        const uint32_t a = fast[i], b = slow[i];
        drawn += slowPicture.depth[i] != 0xFFFFFFFFu;
        coverage += k.more != MORE_BLEND && (a == 0) != (b == 0);
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

// The generic path's pixels against the chain's, generated and C++ alone.
void compare(const Format& f, const TexCase& k, int lsb, unsigned seed, bool dither = false) {
    const Picture slow = render(f, k, true, seed, dither);
    for (const GltestChainRoad& road : gltestChainRoads) {
        SCOPED_TRACE(std::string(f.name) + ", " + k.name + ", seed " + std::to_string(seed) + ", " + road.name);
        compareImages(f, k, lsb, render(f, k, false, seed, dither, road.cppOnly), slow);
    }
}

// Over every RGBA DIB format: 8-bit fields undithered within lsb, the
// narrow fields of 16- and 8-bit pixels dithered within 1 LSB.
void compareOverFormats(const TexCase& k, int lsb, unsigned seed) {
    for (const Format& f : gltestDibFormats) {
        if (f.index) continue;
        const bool narrow = f.fieldBits[0] < 8;
        compare(f, k, narrow ? 1 : lsb, seed, narrow);
    }
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

// Colours through the filters and environments.
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
    for (const Case& c : cases) compareOverFormats(c.k, c.lsb, 7u);
}

// The texture part of the picker by base format, environment and whether
// alpha is needed (blending over grey): texture-function codes 1 to 7, the
// texel-alpha bit, one, three and four bytes a texel, the fetch of every
// stored format (paletted and bordered ones too) and 1-D textures.
TEST(TexChain, BaseFormatsAndEnvironmentsMatchGenericPath) {
    struct Case { TexCase k; int lsb; } cases[] = {
        {{"luminance nearest modulate", 16, 16, false, GL_LUMINANCE, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE,
          true, -1.0f, 3.0f, false}, 2},
        {{"luminance linear clamp blend", 8, 8, false, GL_LUMINANCE, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_BLEND, true,
          -0.5f, 2.0f, false}, 2},
        {{"luminance-alpha nearest modulate, blended", 16, 8, false, GL_LUMINANCE_ALPHA, GL_NEAREST, GL_NEAREST,
          GL_REPEAT, GL_MODULATE, true, -1.0f, 3.0f, false, 0, MORE_BLEND}, 3},
        {{"luminance-alpha linear replace, blended", 8, 8, false, GL_LUMINANCE_ALPHA, GL_LINEAR, GL_LINEAR, GL_CLAMP,
          GL_REPLACE, false, -0.5f, 2.0f, false, 0, MORE_BLEND}, 3},
        {{"intensity linear blend, blended", 8, 8, false, GL_INTENSITY, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_BLEND,
          true, -1.0f, 3.0f, false, 0, MORE_BLEND}, 3},
        {{"intensity nearest replace, blended", 8, 8, false, GL_INTENSITY, GL_NEAREST, GL_NEAREST, GL_REPEAT,
          GL_REPLACE, true, -1.0f, 3.0f, false, 0, MORE_BLEND}, 3},
        {{"alpha nearest modulate, blended", 8, 8, false, GL_ALPHA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE,
          true, -1.0f, 3.0f, false, 0, MORE_BLEND}, 3},
        {{"alpha linear blend, blended", 8, 8, false, GL_ALPHA, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_BLEND, true,
          -0.5f, 2.0f, false, 0, MORE_BLEND}, 3},
        {{"alpha nearest replace, blended", 8, 8, false, GL_ALPHA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE,
          true, -1.0f, 3.0f, false, 0, MORE_BLEND}, 3},
        {{"alpha modulate, alpha not kept (untextured)", 8, 8, false, GL_ALPHA, GL_NEAREST, GL_NEAREST, GL_REPEAT,
          GL_MODULATE, true, -1.0f, 3.0f, false}, 1},
        {{"RGBA nearest replace, blended", 8, 8, false, GL_RGBA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true,
          -1.0f, 3.0f, false, 0, MORE_BLEND}, 3},
        {{"RGBA linear decal", 16, 16, false, GL_RGBA, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_DECAL, true, -1.0f, 3.0f,
          false}, 2},
        {{"RGB nearest blend, blended", 16, 16, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_BLEND, true,
          -1.0f, 3.0f, false, 0, MORE_BLEND}, 3},
        {{"RGB nearest decal, affine", 16, 16, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_DECAL, false,
          -1.0f, 3.0f, false}, 1},
        {{"RGB palette nearest modulate", 16, 16, false, GL_COLOR_INDEX8_EXT, GL_NEAREST, GL_NEAREST, GL_REPEAT,
          GL_MODULATE, true, -1.0f, 3.0f, false, GL_RGB}, 2},
        {{"RGBA palette linear clamp replace, blended", 8, 8, false, GL_COLOR_INDEX8_EXT, GL_LINEAR, GL_LINEAR,
          GL_CLAMP, GL_REPLACE, true, -0.5f, 2.0f, false, GL_RGBA, MORE_BLEND}, 3},
        {{"RGBA palette nearest mipmap nearest modulate, blended", 16, 16, true, GL_COLOR_INDEX8_EXT,
          GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, true, -2.0f, 4.0f, false, GL_RGBA, MORE_BLEND}, 3},
        {{"RGB linear mipmap linear modulate, alpha test", 32, 32, true, GL_RGB, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
          GL_REPEAT, GL_MODULATE, true, -2.0f, 4.0f, false, 0, MORE_ALPHA_TEST}, 2},
        {{"RGB nearest replace, alpha test", 16, 16, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE,
          true, -1.0f, 3.0f, false, 0, MORE_ALPHA_TEST}, 1},
        {{"RGB nearest modulate, fog", 16, 16, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, true,
          -1.0f, 3.0f, false, 0, MORE_FOG}, 3},
        {{"RGBA linear blend env, fog", 8, 8, false, GL_RGBA, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_BLEND, false,
          -0.5f, 2.0f, false, 0, MORE_FOG}, 3},
        {{"1-D nearest repeat replace", 8, 0, false, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true,
          -2.0f, 5.0f, false}, 1},
        {{"1-D linear repeat modulate", 16, 0, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, true,
          -1.5f, 3.0f, false}, 2},
        {{"1-D nearest mipmap linear clamp", 32, 0, true, GL_RGB, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST, GL_CLAMP,
          GL_REPLACE, true, -1.0f, 3.0f, false}, 2},
    };
    for (const Case& c : cases) compareOverFormats(c.k, c.lsb, 11u);
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

// The filtered stage (GL_LINEAR, the mipmap filters beside a magnification
// filter of their kind and the nearest ones beside GL_LINEAR) over the stored formats it reads, both
// wrap modes and a mix of them, square, flat, tall and one-texel-wide level
// sizes, mipmaps reaching 1x1, affine and perspective coordinates, one and
// four texel bytes out (alpha kept when blending).
TEST(TexChain, FilteredStageMatchesGenericPath) {
    struct Case { TexCase k; int lsb; } cases[] = {
        {{"RGB linear repeat", 32, 32, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, true, -2.0f, 5.0f,
          false, 0, MORE_NONE, true}, 2},
        {{"RGB linear clamp, affine", 16, 8, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_REPLACE, false, -0.5f,
          2.0f, false, 0, MORE_NONE, true}, 2},
        {{"RGB linear clamp s, repeat t", 8, 32, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_MODULATE, true,
          -0.5f, 2.0f, false, 0, MORE_NONE, true, GL_REPEAT}, 2},
        {{"RGB linear 1x16", 1, 16, false, GL_RGB, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, true, -1.0f, 3.0f,
          false, 0, MORE_NONE, true}, 2},
        {{"RGBA linear blended", 16, 16, false, GL_RGBA, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, true, -1.0f,
          3.0f, false, 0, MORE_BLEND, true}, 3},
        {{"RGB linear mipmap linear 256", 256, 256, true, GL_RGB, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT,
          GL_MODULATE, true, -4.0f, 9.0f, false, 0, MORE_NONE, true}, 2},
        {{"RGB linear mipmap linear 64x8 clamp", 64, 8, true, GL_RGB, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_CLAMP,
          GL_MODULATE, true, -0.5f, 2.0f, false, 0, MORE_NONE, true}, 2},
        {{"RGBA linear mipmap linear 8x64, blended", 8, 64, true, GL_RGBA, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
          GL_REPEAT, GL_MODULATE, true, -3.0f, 7.0f, false, 0, MORE_BLEND, true}, 3},
        {{"RGB linear mipmap nearest", 32, 32, true, GL_RGB, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, GL_REPEAT,
          GL_MODULATE, true, -2.0f, 6.0f, false, 0, MORE_NONE, true}, 2},
        {{"RGB nearest mipmap nearest", 64, 64, true, GL_RGB, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT,
          GL_MODULATE, true, -3.0f, 8.0f, false, 0, MORE_NONE, true}, 2},
        {{"RGB nearest mipmap linear clamp", 32, 16, true, GL_RGB, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST, GL_CLAMP,
          GL_MODULATE, true, -0.5f, 2.0f, false, 0, MORE_NONE, true}, 2},
        {{"RGB nearest mipmap linear, linear magnified", 16, 16, true, GL_RGB, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR,
          GL_REPEAT, GL_MODULATE, true, -0.7f, 1.9f, false, 0, MORE_NONE, true}, 2},
        {{"RGBA nearest mipmap nearest, linear magnified, clamp", 16, 16, true, GL_RGBA, GL_NEAREST_MIPMAP_NEAREST,
          GL_LINEAR, GL_CLAMP, GL_REPLACE, true, -0.3f, 1.5f, false, 0, MORE_BLEND, true}, 3},
        {{"luminance linear mipmap linear", 32, 32, true, GL_LUMINANCE, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT,
          GL_MODULATE, true, -2.0f, 6.0f, false, 0, MORE_NONE, true}, 2},
        {{"luminance-alpha linear, blended", 16, 16, false, GL_LUMINANCE_ALPHA, GL_LINEAR, GL_LINEAR, GL_CLAMP,
          GL_MODULATE, true, -0.5f, 2.0f, false, 0, MORE_BLEND, true}, 3},
        {{"intensity nearest mipmap linear, blended", 16, 16, true, GL_INTENSITY, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST,
          GL_REPEAT, GL_BLEND, true, -2.0f, 5.0f, false, 0, MORE_BLEND, true}, 3},
        {{"RGB palette linear mipmap linear", 16, 16, true, GL_COLOR_INDEX8_EXT, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
          GL_REPEAT, GL_MODULATE, true, -2.0f, 5.0f, false, GL_RGB, MORE_NONE, true}, 2},
        {{"RGBA palette linear clamp, blended", 8, 8, false, GL_COLOR_INDEX8_EXT, GL_LINEAR, GL_LINEAR, GL_CLAMP,
          GL_MODULATE, true, -0.5f, 2.0f, false, GL_RGBA, MORE_BLEND, true}, 3},
    };
    for (const Case& c : cases) compareOverFormats(c.k, c.lsb, 13u);
}
