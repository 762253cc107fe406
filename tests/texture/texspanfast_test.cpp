// The whole-span texture stages of the generic span lists against the
// generic texture stage they replace, and their edge cases.
#include <math.h>
#include <string.h>
#include <random>
#include <vector>
#include "gldib.h"
#include "core/glcontext.h"
#include "raster/span.h"
#include "texture/texsample.h"

namespace {

const int kSpan = 70;  // pixels: three coverage words

struct Stage {
    const char* name;
    GlSpanStageProc list1, list2;
    GLenum min, mag;
    GLenum source;  // GL_RGB, or the palette's format of an 8-bit index texture
};
const Stage kStages[] = {
    {"RGB nearest", __glTexSpanRGBNearest, __glTexSpanRGBNearestMasked, GL_NEAREST, GL_NEAREST, GL_RGB},
    {"RGB nearest mipmap nearest", __glTexSpanRGBNearestMipmapNearest, __glTexSpanRGBNearestMipmapNearestMasked,
     GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_RGB},
    {"RGB nearest mipmap linear", __glTexSpanRGBNearestMipmapLinear, __glTexSpanRGBNearestMipmapLinearMasked,
     GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_RGB},
    {"RGB linear mipmap linear", __glTexSpanRGBLinearMipmapLinear, __glTexSpanRGBLinearMipmapLinearMasked,
     GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_RGB},
    {"index8 RGB palette", __glTexSpanIndex8RGBNearest, __glTexSpanIndex8RGBNearestMasked, GL_NEAREST, GL_NEAREST,
     GL_RGB},
    {"index8 RGBA palette", __glTexSpanIndex8RGBANearest, __glTexSpanIndex8RGBANearestMasked, GL_NEAREST,
     GL_NEAREST, GL_RGBA},
};

bool paletted(const Stage& k) { return k.list1 == __glTexSpanIndex8RGBNearest || k.list1 == __glTexSpanIndex8RGBANearest; }

// A 16 x 8 texture of random texels (mipmapped down to 1 x 1 when the filter
// mipmaps), or of random indexes into a random 16-entry palette.
void loadTexture(const Stage& k, GLenum wrap, GLenum env, std::mt19937* rng) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const bool mip = k.min != GL_NEAREST && k.min != GL_LINEAR;
    for (int l = 0, w = 16, h = 8;; l++) {
        std::vector<unsigned char> img((size_t)w * h * 3);
        for (auto& b : img) b = (unsigned char)((*rng)() & 0xFF);
        if (paletted(k))
            glTexImage2D(GL_TEXTURE_2D, l, GL_COLOR_INDEX8_EXT, w, h, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, img.data());
        else
            glTexImage2D(GL_TEXTURE_2D, l, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, img.data());
        if (!mip || (w == 1 && h == 1)) break;
        w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1;
    }
    if (paletted(k)) {
        std::vector<unsigned char> entries(16 * 4);
        for (auto& b : entries) b = (unsigned char)((*rng)() & 0xFF);
        auto table = (PFNGLCOLORTABLEEXTPROC)(void*)wglGetProcAddress("glColorTableEXT");
        table(GL_TEXTURE_2D, k.source, 16, k.source, GL_UNSIGNED_BYTE, entries.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)k.min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)k.mag);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (GLint)wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, (GLint)wrap);
    const float border[4] = {0.3f, 0.6f, 0.9f, 0.2f}, envColor[4] = {0.7f, 0.1f, 0.4f, 0.9f};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)env);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_POINTS);  // validates
    glEnd();
}

// A span with random colours and random s/w, t/w, 1/w and level-of-detail
// starts and steps (s and t in texel units unless the filter mipmaps).
void randomSpan(GlContext* gc, const Stage& k, std::mt19937* rng, GLfloat (*colors)[4]) {
    GlSpanState* s = &gc->span;
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const float scale = k.min == GL_NEAREST ? 16.0f : 1.0f;
    const float q = 0.5f + u(*rng), dq = (u(*rng) - 0.5f) * 0.01f;
    s->spanTexture[0] = (u(*rng) * 4.0f - 2.0f) * scale * q, s->textureDx[0] = (u(*rng) - 0.5f) * 0.2f * scale;
    s->spanTexture[1] = (u(*rng) * 4.0f - 2.0f) * scale * q, s->textureDx[1] = (u(*rng) - 0.5f) * 0.2f * scale;
    s->spanTexture[2] = q, s->textureDx[2] = dq;
    s->spanTexture[3] = u(*rng) * 80.0f * q, s->textureDx[3] = (u(*rng) - 0.5f);
    s->spanLength = kSpan;
    for (int i = 0; i < kSpan; i++)
        for (int c = 0; c < 4; c++) colors[i][c] = u(*rng) * 255.0f;
    for (int w = 0; w < 3; w++) s->spanCoverage[w] = (GLuint)(*rng)();
}

}  // namespace

// Each stage, list 1 and list 2, under every wrap mode and environment,
// equals the generic texture stage on random spans (the nearest texel of a
// normalised coordinate may land one texel over where the fraction is taken
// first: at most 1 pixel in 50).
TEST(TexSpanFast, MatchesGenericTextureStage) {
    std::mt19937 rng(112);
    for (const Stage& k : kStages)
        for (GLenum wrap : {GL_REPEAT, GL_CLAMP})
            for (GLenum env : {GL_MODULATE, GL_DECAL, GL_REPLACE, GL_BLEND}) {
                SCOPED_TRACE(std::string(k.name) + (wrap == GL_REPEAT ? " repeat " : " clamp ") + std::to_string(env));
                GltestDibContext c(8, 8);
                loadTexture(k, wrap, env, &rng);
                GlContext* gc = __glCurrentContext();
                ASSERT_NE(gc->currentTexture, nullptr);
                GlSpanStageProc a, b;
                __glPickTextureSpanStages(gc, &a, &b);
                EXPECT_EQ(a, k.list1);
                EXPECT_EQ(b, k.list2);
                int differ = 0, pixels = 0;
                for (int span = 0; span < 20; span++) {
                    GLfloat colors[kSpan][4];
                    randomSpan(gc, k, &rng, colors);
                    for (bool masked : {false, true}) {
                        GLfloat(*work)[4] = gc->span.spanColors;
                        memcpy(work, colors, sizeof colors);
                        (masked ? __glTextureSpanMasked : __glTextureSpan)(gc);
                        GLfloat expect[kSpan][4];
                        memcpy(expect, work, sizeof expect);
                        memcpy(work, colors, sizeof colors);
                        EXPECT_EQ((masked ? k.list2 : k.list1)(gc), 0u);
                        for (int i = 0; i < kSpan; i++) {
                            bool same = true;
                            for (int ch = 0; ch < 4; ch++) same &= fabsf(work[i][ch] - expect[i][ch]) <= 0.02f;
                            differ += !same, pixels++;
                        }
                    }
                }
                EXPECT_LE(differ * 500, pixels) << differ << " of " << pixels << " pixels differ";
            }
}

// Edge cases: an empty span; a dead pixel keeps its colour while the next
// takes the texel of its own position; floor at negative texel coordinates;
// half border under clamping; the fraction first for a normalised nearest
// texel; only the last level past it; decal on RGB is replace and keeps alpha.
TEST(TexSpanFast, EdgeCases) {
    GltestDibContext c(8, 8);
    // 8 x 1 texels, red 20 i + 10; four levels down to 1 x 1 of red 200, 210, 220.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int l = 0, w = 8; l < 4; l++, w /= 2) {
        std::vector<unsigned char> img((size_t)w * 3, 0);
        for (int i = 0; i < w; i++) img[i * 3] = (unsigned char)(l ? 190 + 10 * l : 20 * i + 10);
        glTexImage2D(GL_TEXTURE_2D, l, GL_RGB, w, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, img.data());
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    GlContext* gc = __glCurrentContext();
    struct Case {
        GLenum min, mag, wrap, env;
        float s, lod;  // s texel units (nearest) or normalised; lod = rho squared (q = 1)
        float red;
    } cases[] = {
        {GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, -0.5f, 0, 150},
        {GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, -1.5f, 0, 130},
        {GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_REPLACE, -1.5f, 0, 10},
        {GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_DECAL, 2.0f, 0, 50},
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, -0.25f, 1.0f, 130},  // column 6
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, NAN, 1.0f, 10},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_CLAMP, GL_REPLACE, 0.0f, 1.0f, 5},  // half the border (red 0)
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPLACE, 0.3f, 1e9f, 220},
        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPLACE, 0.3f, 64.0f, 220},
        {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPLACE, 0.3f, 4.0f, 200},  // level 1
    };
    for (const Case& k : cases) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)k.min);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)k.mag);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (GLint)k.wrap);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.env);
        glBegin(GL_POINTS);
        glEnd();
        GlSpanStageProc a, b;
        __glPickTextureSpanStages(gc, &a, &b);
        ASSERT_NE(a, __glTextureSpan) << std::hex << k.min;
        GlSpanState* s = &gc->span;
        memset(s->textureDx, 0, sizeof s->textureDx);
        s->spanTexture[0] = k.s, s->spanTexture[1] = 0.5f, s->spanTexture[2] = 1.0f, s->spanTexture[3] = k.lod;
        s->spanLength = 3;
        s->spanCoverage[0] = 0xA0000000u;  // pixels 0 and 2
        for (int i = 0; i < 3; i++) s->spanColors[i][0] = s->spanColors[i][3] = 77.0f;
        b(gc);
        EXPECT_NEAR(s->spanColors[0][0], k.red, 0.01f) << std::hex << k.min << " s " << k.s << " lod " << k.lod;
        EXPECT_EQ(s->spanColors[1][0], 77.0f);
        EXPECT_NEAR(s->spanColors[2][0], k.red, 0.01f);
        EXPECT_EQ(s->spanColors[0][3], 77.0f);
        s->spanLength = 0;
        s->spanColors[0][0] = 1.0f;
        a(gc);
        EXPECT_EQ(s->spanColors[0][0], 1.0f);
    }
}
