// Texturing of the fast span chain: texel fetch by stored format, the 16.16
// filters against the generic sampler, the textured span stages and the
// picker's choice of them.
#include <math.h>
#include <string.h>
#include <random>
#include "gldib.h"
#include "core/glcontext.h"
#include "raster/chaintex.h"
#include "codegen/rastergen.h"
#include "texture/texsample.h"

namespace {

// Validates (a zero-size draw) and answers the current texture.
GlTextureParams* validatedTexture() {
    glBegin(GL_POINTS);
    glEnd();
    return (GlTextureParams*)__glCurrentContext()->currentTexture;
}

void filters(GLenum target, GLenum min, GLenum mag, GLenum wrapS, GLenum wrapT) {
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, (GLint)min);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, (GLint)mag);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, (GLint)wrapS);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, (GLint)wrapT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(target);
}

// A texture of pseudo-random bytes, levels of size w x h down to 1 x 1 when mipmapped.
void randomTexture(GLenum internalFormat, GLenum format, int components, int w, int h, bool mipmaps,
                   std::mt19937* rng) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<unsigned char> img((size_t)w * h * components);
    for (int level = 0;; level++) {
        for (auto& b : img) b = (unsigned char)((*rng)() & 0xFF);
        glTexImage2D(GL_TEXTURE_2D, level, (GLint)internalFormat, w, h, 0, format, GL_UNSIGNED_BYTE, img.data());
        if (!mipmaps || (w == 1 && h == 1)) break;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
}

// The generic texel of the same filter as bytes R, G, B, A (0 .. 255).
void genericTexel(GlTextureParams* p, GlTexFilterProc filter, float lambda, float s, float t, float* out) {
    GlTexel x = {};
    filter(p, lambda, s, t, &x);
    out[0] = x.red * 255.0f, out[1] = x.green * 255.0f, out[2] = x.blue * 255.0f, out[3] = x.alpha * 255.0f;
}

}  // namespace

// Each stored format's bytes, inside the level, outside it (the border
// colour, rounded) and on a bordered level's border; a 1-D texture reads its
// one row whatever row is asked for.
TEST(TexFetch, FormatsBordersAndRows) {
    struct Case {
        GLenum internalFormat, format;
        int border;
        int row, col;
        int n;
        unsigned char out[4];
    } cases[] = {
        {GL_LUMINANCE, GL_LUMINANCE, 0, 1, 0, 3, {20, 20, 20}},
        {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, 0, 1, 1, 4, {30, 30, 30, 31}},
        {GL_RGB, GL_RGB, 0, 0, 1, 3, {10, 11, 12}},
        {GL_RGBA, GL_RGBA, 0, 1, 0, 4, {20, 21, 22, 23}},
        {GL_ALPHA, GL_ALPHA, 0, 0, 0, 1, {0}},
        {GL_INTENSITY, GL_LUMINANCE, 0, 0, 1, 4, {10, 10, 10, 10}},
        // Outside a borderless level: border (0.2, 0.4, 0.6, 0.5) as bytes.
        {GL_RGBA, GL_RGBA, 0, -1, 0, 4, {51, 102, 153, 128}},
        {GL_ALPHA, GL_ALPHA, 0, 0, 2, 1, {128}},
        {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, 0, 2, 0, 4, {51, 51, 51, 128}},
        {GL_INTENSITY, GL_LUMINANCE, 0, 0, -1, 4, {51, 51, 51, 51}},
        // Bordered: rows and columns -1 and 2 are the image's border texels.
        {GL_RGB, GL_RGB, 1, -1, -1, 3, {0, 1, 2}},
        {GL_RGB, GL_RGB, 1, 2, 2, 3, {150, 151, 152}},
        {GL_LUMINANCE, GL_LUMINANCE, 1, 0, 0, 3, {50, 50, 50}},
    };
    for (const Case& k : cases) {
        GltestDibContext c(4, 4);
        // Texel (row j, column i) of the image (border included) holds 10 (j x width + i) + component.
        const int size = 2 + 2 * k.border;
        unsigned char img[4 * 4 * 4];
        const int comps = k.format == GL_RGBA ? 4 : k.format == GL_RGB ? 3 : k.format == GL_LUMINANCE_ALPHA ? 2 : 1;
        for (int i = 0; i < size * size; i++)
            for (int b = 0; b < comps; b++) img[i * comps + b] = (unsigned char)(10 * i + b);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, (GLint)k.internalFormat, size, size, k.border, k.format, GL_UNSIGNED_BYTE,
                     img);
        const float border[4] = {0.2f, 0.4f, 0.6f, 0.5f};
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
        filters(GL_TEXTURE_2D, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
        GlTextureParams* p = validatedTexture();
        ASSERT_NE(p, nullptr);
        const GlTexelFetchProc fetch = __glPickTexelFetch(&p->levels[0]);
        unsigned char out[4] = {};
        fetch(&p->levels[0], p, k.row, k.col, out);
        for (int b = 0; b < k.n; b++)
            EXPECT_EQ(out[b], k.out[b]) << std::hex << k.internalFormat << " border " << k.border << " at " << k.row
                                        << "," << k.col << " byte " << b;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }

    // 1-D, bordered: texels 200 | 1 2 3 4 | 100 in the middle of three rows.
    GltestDibContext c(4, 4);
    const unsigned char row[6] = {200, 1, 2, 3, 4, 100};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_LUMINANCE, 6, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, row);
    filters(GL_TEXTURE_1D, GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_CLAMP);
    GlTextureParams* p = validatedTexture();
    ASSERT_NE(p, nullptr);
    const GlTexelFetchProc fetch = __glPickTexelFetch(&p->levels[0]);
    EXPECT_EQ(fetch, __glTexelFetch9);
    const int cases1D[][3] = {{0, -1, 200}, {5, 0, 1}, {-7, 3, 4}, {1, 4, 100}};
    for (const auto& k : cases1D) {
        unsigned char out[4] = {};
        fetch(&p->levels[0], p, k[0], k[1], out);
        EXPECT_EQ(out[0], k[2]) << "row " << k[0] << " column " << k[1];
    }
}

// Index texels: the index byte in a colour-index context; in an RGBA context
// the palette entry of the index masked to the palette's size, and nothing
// read from a palette without data.
TEST(TexFetch, IndexTexelsAndPalettes) {
    {
        GltestDibContext c(4, 4, 8, true);
        const unsigned char idx[4] = {5, 6, 7, 250};
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 2, 2, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, idx);
        filters(GL_TEXTURE_2D, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
        GlTextureParams* p = validatedTexture();
        ASSERT_NE(p, nullptr);
        unsigned char out[4] = {};
        __glTexelFetch7(&p->levels[0], p, 1, 1, out);
        EXPECT_EQ(out[0], 250);
    }
    GltestDibContext c(4, 4);
    GlTextureParams p = {};
    GlMipmapLevel l = {};
    const uint8_t data[4] = {1, 6, 3, 0};  // indexes of a 2 x 2 level
    l.data = (uint8_t*)data, l.width = l.height = l.innerWidth = l.innerHeight = 2, l.widthLog2 = 1;
    const uint8_t entries[4 * 3] = {10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42};
    p.dimensions = 2;
    p.baseFormat = GL_RGB;
    p.palette.data = (uint8_t*)entries;
    p.palette.width = 4, p.palette.components = 3, p.palette.baseFormat = GL_RGB;
    p.state.borderColor[0] = 3.0f / 255.0f;
    struct Case { int row, col; unsigned char out[3]; } cases[] = {
        {0, 0, {20, 21, 22}}, {0, 1, {30, 31, 32}}, {1, 0, {40, 41, 42}}, {-1, 0, {40, 41, 42}}};
    for (const Case& k : cases) {
        unsigned char out[4] = {};
        __glTexelFetch7(&l, &p, k.row, k.col, out);
        EXPECT_EQ(memcmp(out, k.out, 3), 0) << k.row << "," << k.col << ": " << (int)out[0];
    }
    p.palette.data = nullptr;
    unsigned char out[4] = {9, 9, 9, 9};
    __glTexelFetch7(&l, &p, 0, 0, out);
    EXPECT_EQ(out[0] | out[1] | out[2], 0);
}

// The 16.16 filters against the generic sampler, at random coordinates and
// levels of detail, for every filter and wrap mode: the nearest texel is the
// same texel; blends stay within 2 of the float result (8-bit weights).
TEST(TexFetch, FiltersMatchTheGenericSampler) {
    std::mt19937 rng(14);
    const GLenum mins[] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                           GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR};
    for (GLenum min : mins)
        for (GLenum wrap : {GL_REPEAT, GL_CLAMP}) {
            GltestDibContext c(4, 4);
            const bool mip = min != GL_NEAREST && min != GL_LINEAR;
            randomTexture(GL_RGBA, GL_RGBA, 4, 16, 8, mip, &rng);
            const float border[4] = {0.25f, 0.5f, 0.75f, 1.0f};
            glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
            filters(GL_TEXTURE_2D, min, GL_NEAREST, wrap, wrap);
            GlTextureParams* p = validatedTexture();
            ASSERT_NE(p, nullptr);
            p->texelFetch = __glPickTexelFetch(&p->levels[0]);
            const GlSpanTexFilterProc fast = min == GL_NEAREST ? __glTexFilterNearest
                                             : min == GL_LINEAR ? __glTexFilterLinear
                                             : min == GL_NEAREST_MIPMAP_NEAREST ? __glTexFilterMip3
                                             : min == GL_LINEAR_MIPMAP_NEAREST ? __glTexFilterMip4
                                             : min == GL_NEAREST_MIPMAP_LINEAR ? __glTexFilterMip5
                                                                               : __glTexFilterMip6;
            const float tolerance = min == GL_NEAREST || min == GL_NEAREST_MIPMAP_NEAREST ? 0.0f : 2.0f;
            std::uniform_int_distribution<int> coord(-3 * 65536, 3 * 65536);
            for (int i = 0; i < 400; i++) {
                // Texel units, or whole-texture units when mipmapped; a level
                // of detail a little away from the level boundaries.
                const int s = mip ? coord(rng) : coord(rng) * 8, t = mip ? coord(rng) : coord(rng) * 4;
                const int lod = (int)(rng() % (5 * 64)) * 1024 + 16;
                unsigned char out[4];
                fast(p, mip ? lod : 0, s, t, out);
                float e[4];
                genericTexel(p, p->minProc, (float)lod / 65536.0f, (float)s / 65536.0f, (float)t / 65536.0f, e);
                for (int ch = 0; ch < 4; ch++)
                    ASSERT_LE(fabsf((float)out[ch] - e[ch]), tolerance + 0.01f)
                        << std::hex << min << " wrap " << wrap << std::dec << " s " << s << " t " << t << " lod "
                        << lod << " channel " << ch;
            }
        }
}

// Level choice of the 16.16 mipmap filters: nearest level rounds a half down
// as GL's ceil(lambda + 1/2) - 1; two levels blend level hi with weight f/255;
// past the last level only the last is read.
TEST(TexFetch, MipmapLevelChoice) {
    GltestDibContext c(4, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int level = 0; level < 4; level++) {
        const int n = 8 >> level;
        std::vector<unsigned char> img((size_t)n * n * 3, (unsigned char)(60 * level + 10));
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGB, n, n, 0, GL_RGB, GL_UNSIGNED_BYTE, img.data());
    }
    filters(GL_TEXTURE_2D, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
    GlTextureParams* p = validatedTexture();
    ASSERT_NE(p, nullptr);
    p->texelFetch = __glPickTexelFetch(&p->levels[0]);
    struct Case { GlSpanTexFilterProc filter; int lod; int red; } cases[] = {
        {__glTexFilterMip3, 0x8000, 10},       {__glTexFilterMip3, 0x8001, 70},
        {__glTexFilterMip3, 0x17FFF, 70},      {__glTexFilterMip3, 0x18000, 70},
        {__glTexFilterMip3, 0x18001, 130},     {__glTexFilterMip3, -0x40000, 10},
        {__glTexFilterMip3, 0x7FFFFFFF, 190},  {__glTexFilterMip5, 0x18000, 100},  // 130 x 128/255 + 70 x 127/255
        {__glTexFilterMip5, 0x30000, 190},     {__glTexFilterMip5, 0x2C000, 175},
        {__glTexFilterMip5, (int)0x80000000, 10},
    };
    for (const Case& k : cases) {
        unsigned char out[4] = {};
        k.filter(p, k.lod, 0x1234, 0x5678, out);
        EXPECT_NEAR(out[0], k.red, 1) << std::hex << "lod " << k.lod;
    }
    p->maxLevel = 1;
    unsigned char out[4] = {};
    __glTexFilterMip5(p, 0x18000, 0, 0, out);
    EXPECT_EQ(out[0], 70);
}

// Float to 16.16: rounded, and held inside the range (not-a-number low).
TEST(TexFetch, Fixed16Clamps) {
    const struct { float v; GLint out; } cases[] = {
        {1.5f, 0x18000}, {-0.5f, -0x8000}, {0.75f / 65536.0f, 1}, {1e10f, 0x7FFFFF00},
        {-1e10f, (GLint)0x80000000}, {NAN, (GLint)0x80000000}, {INFINITY, 0x7FFFFF00}};
    for (const auto& k : cases) EXPECT_EQ(__glTexFixed16(k.v), k.out) << k.v;
    const struct { float rho; GLint lod; } lods[] = {{1.0f, 0}, {2.0f, 0x8000}, {4.0f, 0x10000}, {3.0f, 0xC000}};
    for (const auto& k : lods) EXPECT_EQ(__glTexLodFixed(k.rho), k.lod) << k.rho;
}

namespace {

// A span record for one group: the context's texture and procedures, float
// coordinates (sq, tq, q, lod and their per-pixel steps) and 16.16 ones.
GlSpan groupSpan(float sq, float tq, float q, float lod, float dsq, float dtq, float dq, float dlod) {
    GlSpan s;
    memset(&s, 0, sizeof s);
    s.context = __glCurrentContext();
    s.texS = sq, s.texT = tq, s.texQ = q, s.texLod = lod;
    s.texSStep = dsq, s.texTStep = dtq, s.texQStep = dq, s.texLodStep = dlod;
    s.s = __glTexFixed16(sq / q), s.t = __glTexFixed16(tq / q);
    s.sStep = __glTexFixed16(dsq / q), s.tStep = __glTexFixed16(dtq / q);
    return s;
}

// Filters that record what they were asked: one byte, 'M' or 'm', and the level selector.
GLint seenLevel;
void GLPROC markMag(const GlTextureParams*, GLint level, GLint, GLint, uint8_t* out) { out[0] = 'M', seenLevel = level; }
void GLPROC markMin(const GlTextureParams*, GLint level, GLint, GLint, uint8_t* out) { out[0] = 'm', seenLevel = level; }

// An RGB texture of w x 1 whose texel i has red i, green 255 - i.
void rampTexture(int w, GLenum min, GLenum mag, GLenum wrap) {
    std::vector<unsigned char> img((size_t)w * 3);
    for (int i = 0; i < w; i++) img[i * 3] = (unsigned char)i, img[i * 3 + 1] = (unsigned char)(255 - i), img[i * 3 + 2] = 7;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, img.data());
    filters(GL_TEXTURE_2D, min, mag, wrap, wrap);
}

// The texture part of the chain picker, as the chain picker calls it.
GLboolean pickChainTexture(GlChainPick* pick, bool alphaNeeded) {
    GlContext* gc = __glCurrentContext();
    memset(pick, 0, sizeof *pick);
    pick->flags = gc->rasterFlags;
    pick->rgba = gc->pixelFormat.rgba;
    pick->alphaNeeded = alphaNeeded;
    return __glPickChainTexture(gc, pick);
}

// A 64-texel ramp under GL_CLAMP, validated and picked for the chain.
void pickedRamp(GLenum min, GLenum mag) {
    rampTexture(64, min, mag, GL_CLAMP);
    ASSERT_NE(validatedTexture(), nullptr);
    GlChainPick pick;
    ASSERT_TRUE(pickChainTexture(&pick, false));
}

}  // namespace

// The picker's stage, filters, texture-function code and coordinate form for
// the texture state: the nearest texel of a plain repeating level reads
// inline, GL_LINEAR and the mipmap filters beside a magnification filter of
// their kind (or the nearest ones beside GL_LINEAR) take the filtered stage,
// everything else goes through the filters.
TEST(TexChainPick, StagesFiltersAndCodes) {
    struct Case {
        GLenum internalFormat, min, mag, wrap, env;
        bool fastest, alphaNeeded;
        GlSpanProc stage;  // null: the inline nearest stage, or the filtered one
        GlSpanTexFilterProc minFilter, magFilter;
        int code, texAlpha, texFloat;
        bool filtered = false;
    } cases[] = {
        {GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false, false, nullptr, __glTexFilterNearest,
         __glTexFilterNearest, 3, 0, 1},
        {GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, true, false, nullptr, __glTexFilterNearest,
         __glTexFilterNearest, 3, 0, 0},
        {GL_RGB, GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_REPLACE, false, false, __glSpanTextured5, __glTexFilterNearest,
         __glTexFilterNearest, 1, 0, 1},
        {GL_RGB, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_DECAL, true, false, nullptr, __glTexFilterLinear,
         __glTexFilterLinear, 1, 0, 0, true},
        {GL_RGB, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, false, false, nullptr, __glTexFilterMip6,
         __glTexFilterMip2, 3, 0, 1, true},
        {GL_RGBA, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_CLAMP, GL_MODULATE, false, true, nullptr,
         __glTexFilterMip3, __glTexFilterMip1, 3, 1, 1, true},
        {GL_RGBA, GL_LINEAR, GL_NEAREST, GL_REPEAT, GL_MODULATE, true, true, __glSpanTextured9, __glTexFilterLinear,
         __glTexFilterNearest, 3, 1, 1},
        {GL_RGBA, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR, GL_REPEAT, GL_DECAL, false, false, nullptr,
         __glTexFilterMip3, __glTexFilterMip2, 2, 1, 1, true},
        {GL_RGBA, GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT, GL_DECAL, false, false, __glSpanTextured12,
         __glTexFilterMip4, __glTexFilterMip1, 2, 1, 1},
        {GL_LUMINANCE, GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, GL_CLAMP, GL_BLEND, false, true, __glSpanTextured11,
         __glTexFilterMip6, __glTexFilterMip1, 4, 0, 1},
        {GL_INTENSITY, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST, GL_CLAMP, GL_BLEND, false, true, nullptr,
         __glTexFilterMip5, __glTexFilterMip1, 5, 1, 1, true},
        {GL_RGB, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_REPLACE, true, false, nullptr,
         __glTexFilterLinear, __glTexFilterLinear, 1, 0, 0, true},
        {GL_ALPHA, GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST, GL_CLAMP, GL_MODULATE, false, true, __glSpanTextured10,
         __glTexFilterMip4, __glTexFilterMip1, 7, 1, 1},
        {GL_ALPHA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, false, true, nullptr, __glTexFilterNearest,
         __glTexFilterNearest, 6, 1, 1},
    };
    for (const Case& k : cases) {
        GltestDibContext c(4, 4);
        std::mt19937 rng(1);
        const GLenum format = k.internalFormat == GL_RGBA ? GL_RGBA : k.internalFormat == GL_RGB ? GL_RGB
                              : k.internalFormat == GL_ALPHA ? GL_ALPHA : GL_LUMINANCE;
        const int comps = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
        randomTexture(k.internalFormat, format, comps, 8, 4, k.min != GL_NEAREST && k.min != GL_LINEAR, &rng);
        filters(GL_TEXTURE_2D, k.min, k.mag, k.wrap, k.wrap);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.env);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, k.fastest ? GL_FASTEST : GL_NICEST);
        GlTextureParams* p = validatedTexture();
        ASSERT_NE(p, nullptr) << std::hex << k.internalFormat << " " << k.min;
        GlChainPick pick;
        ASSERT_TRUE(pickChainTexture(&pick, k.alphaNeeded)) << std::hex << k.internalFormat << " " << k.min;
        GlContext* gc = __glCurrentContext();
        const GLint bytes = k.internalFormat == GL_ALPHA ? 1 : k.texAlpha ? 4 : 3;
        const GlSpanProc stage = k.stage      ? k.stage
                                 : k.filtered ? __glPickFilteredTexturedSpan(p, bytes)
                                              : __glPickNearestTexturedSpan(p, bytes, !k.fastest);
        if (k.filtered) {
            EXPECT_NE(stage, nullptr) << std::hex << k.internalFormat << " " << k.min;
        }
        // The inline nearest stage: its C++ form, or the one generated for the texture.
        const bool generated = !k.stage && !k.filtered &&
                               __glOgRecordOf(gc, GL_OG_CACHE_TEXSPAN, (const void*)gc->procs.spanTextured) != nullptr;
        if (!generated) {
            EXPECT_EQ(gc->procs.spanTextured, stage) << std::hex << k.internalFormat << " " << k.min << " " << k.env;
        }
        EXPECT_EQ(gc->procs.texFilterMin, k.minFilter) << std::hex << k.min;
        EXPECT_EQ(gc->procs.texFilterMag, k.magFilter) << std::hex << k.min;
        EXPECT_EQ(pick.texCode, k.code) << std::hex << k.internalFormat << " " << k.env;
        EXPECT_EQ(pick.texAlpha, k.texAlpha) << std::hex << k.internalFormat << " " << k.env;
        EXPECT_EQ(pick.texFloat, k.texFloat) << std::hex << k.internalFormat << " " << k.min;
        EXPECT_EQ(gc->procs.texelFetch, __glPickTexelFetch(&p->levels[0]));
    }
}

// States without a chain, and an alpha texture whose alpha nobody keeps:
// drawn untextured.
TEST(TexChainPick, NoChainAndUntextured) {
    GltestDibContext c(4, 4);
    std::mt19937 rng(2);
    randomTexture(GL_ALPHA, GL_ALPHA, 1, 4, 4, false, &rng);
    filters(GL_TEXTURE_2D, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    ASSERT_NE(validatedTexture(), nullptr);
    GlChainPick pick;
    ASSERT_TRUE(pickChainTexture(&pick, false));
    EXPECT_EQ(pick.flags & GL_RF_TEXTURE, 0u);
    // GL_ADD in an RGBA context, GL_DECAL on a texture other than RGB or RGBA,
    // GL_MODULATE in a colour-index context: the generic path draws them
    // (completeness keeps them from the pickers; the environment is set after).
    randomTexture(GL_RGB, GL_RGB, 3, 4, 4, false, &rng);
    GlTextureParams* p = validatedTexture();
    ASSERT_NE(p, nullptr);
    __glCurrentContext()->texture.env.mode = GL_ADD;
    EXPECT_FALSE(pickChainTexture(&pick, false));
    for (GLenum internalFormat : {GL_LUMINANCE_ALPHA, GL_ALPHA, GL_LUMINANCE, GL_INTENSITY}) {
        const GLenum format = internalFormat == GL_INTENSITY ? GL_LUMINANCE : internalFormat;
        randomTexture(internalFormat, format, format == GL_LUMINANCE_ALPHA ? 2 : 1, 4, 4, false, &rng);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        ASSERT_NE(validatedTexture(), nullptr);
        __glCurrentContext()->texture.env.mode = GL_DECAL;
        EXPECT_FALSE(pickChainTexture(&pick, true)) << std::hex << internalFormat;
    }
    GltestDibContext index(4, 4, 8, true);
    randomTexture(GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, 1, 4, 4, false, &rng);
    filters(GL_TEXTURE_2D, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
    ASSERT_NE(validatedTexture(), nullptr);
    ASSERT_TRUE(pickChainTexture(&pick, false));
    EXPECT_EQ(pick.texCode, 1);
    __glCurrentContext()->texture.env.mode = GL_MODULATE;
    EXPECT_FALSE(pickChainTexture(&pick, false));
}

// The textured stages: texels of live pixels only, packed; one run when the
// second half of the mask is empty; perspective equals affine at constant q.
TEST(TexSpan, LivePixelsPackedAndPerspectiveMatchesAffine) {
    GltestDibContext c(4, 4);
    pickedRamp(GL_NEAREST, GL_NEAREST);
    GlSpan s = groupSpan(2.0f, 0.5f, 1.0f, 0.0f, 1.5f, 0.0f, 0.0f, 0.0f);  // s = 2 + 1.5 x
    for (GlSpanProc stage : {__glSpanTextured2, __glSpanTextured5}) {
        memset(s.texels, 0xEE, sizeof s.texels);
        stage(0x80000001u, &s);
        EXPECT_EQ(s.texels[0], 2);   // pixel 0
        EXPECT_EQ(s.texels[3], 48);  // pixel 31: s = 48.5
        EXPECT_EQ(s.texels[6], 0xEE);
        uint8_t affine[96];
        __glSpanTextured2(0xFFFFFFFFu, &s);
        memcpy(affine, s.texels, 96);
        __glSpanTextured5(0xFFFFFFFFu, &s);
        EXPECT_EQ(memcmp(affine, s.texels, 96), 0);
    }
    // Only the first half alive: one run, two texels (q is negative from pixel 8 on).
    s = groupSpan(2.0f, 0.5f, 1.0f, 0.0f, 1.0f, 0.0f, -0.125f, 0.0f);
    memset(s.texels, 0xEE, sizeof s.texels);
    __glSpanTextured5(0xC0000000u, &s);
    EXPECT_EQ(s.texels[0], 2);
    EXPECT_EQ(s.texels[3], 3);  // 3 / 0.875
    EXPECT_EQ(s.texels[6], 0xEE);
}

// A perspective run is divided at its last live pixel: q reaches 0 at pixel
// 10 and is negative at 16, yet pixels 0 .. 5 get the texels of their own
// s/q (within a texel: linear between the run's two divisions).
TEST(TexSpan, PerspectiveRunEndsAtLastLivePixel) {
    GltestDibContext c(4, 4);
    pickedRamp(GL_NEAREST, GL_NEAREST);
    const float q0 = 1.0f, dq = -0.1f, sq0 = 4.0f, dsq = 0.2f;
    GlSpan s = groupSpan(sq0, 0.5f, q0, 0.0f, dsq, 0.0f, dq, 0.0f);
    __glSpanTextured5(0xFC000000u, &s);
    for (int x = 0; x < 6; x++) {
        const float exact = (sq0 + x * dsq) / (q0 + x * dq);
        EXPECT_NEAR(s.texels[3 * x], exact, 1.0f) << "pixel " << x;
    }
}

// Magnification up to the switch value (equal, and not-a-number, magnify);
// the mipmapped stage hands the minification filter lambda of L in 16.16.
TEST(TexSpan, SwitchAndLevelOfDetail) {
    GltestDibContext c(4, 4);
    pickedRamp(GL_LINEAR, GL_NEAREST);
    GlTextureParams* p = (GlTextureParams*)__glCurrentContext()->currentTexture;
    GlContext* gc = __glCurrentContext();
    gc->procs.texFilterMin = markMin;
    gc->procs.texFilterMag = markMag;
    p->switchValue = 1.0f;
    struct Case { GlSpanProc stage; float L; char filter; GLint level; } cases[] = {
        {__glSpanTextured8, 1.0f, 'M', 0},   {__glSpanTextured8, 1.01f, 'm', 0}, {__glSpanTextured8, NAN, 'M', 0},
        {__glSpanTextured11, 1.0f, 'M', 0},  {__glSpanTextured11, 4.0f, 'm', 0x10000},
        {__glSpanTextured11, 2.0f, 'm', 0x8000}, {__glSpanTextured11, 3.0f, 'm', 0xC000},
    };
    for (const Case& k : cases) {
        GlSpan s = groupSpan(1.0f, 0.5f, 2.0f, k.L * 2.0f, 0.0f, 0.0f, 0.0f, 0.0f);  // L = lod / q
        seenLevel = -1;
        k.stage(0x80000000u, &s);
        EXPECT_EQ(s.texels[0], k.filter) << "L " << k.L;
        EXPECT_EQ(seenLevel, k.level) << "L " << k.L;
    }
}

namespace {

// The texels a textured stage gives the 32 pixels of a group under `mask`,
// by pixel (dead pixels none), and whether the stage wrote past its texels.
struct GroupTexels {
    std::vector<std::vector<uint8_t>> byPixel;
    bool pastEnd = false;
};
GroupTexels groupTexels(GlSpanProc stage, GLuint mask, GlSpan s, int bytes) {
    memset(s.texels, 0xEE, sizeof s.texels);
    stage(mask, &s);
    GroupTexels g;
    g.byPixel.resize(32);
    int k = 0;
    for (int i = 0; i < 32; i++)
        if (mask & (0x80000000u >> i)) g.byPixel[i].assign(s.texels + k * bytes, s.texels + (k + 1) * bytes), k++;
    for (size_t b = (size_t)(k * bytes); b < sizeof s.texels; b++) g.pastEnd |= s.texels[b] != 0xEE;
    return g;
}

}  // namespace

// The inline nearest stage takes unbroken runs four pixels a step. Each live
// pixel gets the texel that the pixel-by-pixel walk gives it (even pixels,
// then odd ones: at constant q their runs step alike), and, where the
// shifted coordinates keep every bit (log2 width + log2 height <= 16), the
// texel of the filter stage; three-byte texels are copied as words, yet
// nothing is written past the last one.
TEST(TexSpan, InlineNearestRunsMatchPixelByPixelAndTheFilterStage) {
    struct Case {
        GLenum internalFormat, format;
        int comps, w, h, bytes;
        GlSpanProc filterAffine, filterPerspective;
        bool indexContext = false;
    } cases[] = {
        {GL_RGB, GL_RGB, 3, 256, 256, 3, __glSpanTextured2, __glSpanTextured5},
        {GL_RGB, GL_RGB, 3, 1, 1, 3, __glSpanTextured2, __glSpanTextured5},
        {GL_RGB, GL_RGB, 3, 2, 64, 3, __glSpanTextured2, __glSpanTextured5},
        {GL_RGB, GL_RGB, 3, 1024, 512, 3, nullptr, nullptr},
        {GL_RGBA, GL_RGBA, 4, 8, 2, 4, __glSpanTextured3, __glSpanTextured6},
        {GL_LUMINANCE, GL_LUMINANCE, 1, 16, 4, 3, __glSpanTextured2, __glSpanTextured5},
        {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, 2, 32, 8, 4, __glSpanTextured3, __glSpanTextured6},
        {GL_ALPHA, GL_ALPHA, 1, 4, 4, 1, __glSpanTextured1, __glSpanTextured4},
        {GL_INTENSITY, GL_LUMINANCE, 1, 64, 1024, 4, nullptr, nullptr},
        {GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, 1, 16, 16, 1, __glSpanTextured1, __glSpanTextured4, true},
    };
    // Texel-unit coordinates at pixel 0 and their steps (q = 1), across
    // the level's edges both ways.
    const struct { float s, t, ds, dt; } spans[] = {
        {0.25f, 0.5f, 0.4f, 0.0f}, {-3.3f, 5.7f, 0.4f, 0.13f}, {1000.2f, -77.7f, -2.6f, 1.9f}, {7.5f, 7.5f, -31.0f, 17.25f}};
    const GLuint masks[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF0u, 0xF8000000u, 0xF0000000u, 0xE0000000u, 0x80000000u,
                            0x7FFFFFFFu, 0xF0F0F0F0u};
    for (const Case& k : cases) {
        GltestDibContext c(4, 4, k.indexContext ? 8 : 32, k.indexContext);
        std::mt19937 rng(3);
        randomTexture(k.internalFormat, k.format, k.comps, k.w, k.h, false, &rng);
        filters(GL_TEXTURE_2D, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
        GlTextureParams* p = validatedTexture();
        ASSERT_NE(p, nullptr) << std::hex << k.internalFormat;
        GlContext* gc = __glCurrentContext();
        p->texelFetch = gc->procs.texelFetch = __glPickTexelFetch(&p->levels[0]);
        gc->procs.texFilterMin = gc->procs.texFilterMag = __glTexFilterNearest;
        for (bool perspective : {false, true}) {
            const GlSpanProc stage = __glPickNearestTexturedSpan(p, k.bytes, perspective);
            ASSERT_NE(stage, nullptr);
            const GlSpanProc filter = perspective ? k.filterPerspective : k.filterAffine;
            for (const auto& x : spans)
                for (float dq : {0.0f, 0.01f}) {
                    if (dq != 0.0f && !perspective) continue;
                    const float q = perspective ? 1.5f : 1.0f;
                    const GlSpan s = groupSpan(x.s * q, x.t * q, q, 0.0f, x.ds * q, x.dt * q, dq, 0.0f);
                    for (GLuint mask : masks) {
                        SCOPED_TRACE(testing::Message() << std::hex << k.internalFormat << std::dec << " " << k.w << "x"
                                                        << k.h << " perspective " << perspective << " dq " << dq
                                                        << " s " << x.s << " mask " << std::hex << mask);
                        const GroupTexels run = groupTexels(stage, mask, s, k.bytes);
                        if (k.internalFormat == GL_RGB) {
                            EXPECT_FALSE(run.pastEnd);
                        }
                        if (dq == 0.0f) {
                            const GroupTexels even = groupTexels(stage, mask & 0xAAAAAAAAu, s, k.bytes);
                            const GroupTexels odd = groupTexels(stage, mask & 0x55555555u, s, k.bytes);
                            for (int i = 0; i < 32; i++)
                                EXPECT_EQ(run.byPixel[i], (i % 2 ? odd : even).byPixel[i]) << "pixel " << i;
                        }
                        if (filter) {
                            EXPECT_EQ(run.byPixel, groupTexels(filter, mask, s, k.bytes).byPixel);
                        }
                    }
                }
        }
    }
}
