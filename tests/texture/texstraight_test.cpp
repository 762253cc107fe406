// GL_REPLACE copied straight: with a nearest, repeating, borderless texture
// of a convertible stored format and nothing but the colour to write, the C++
// chain stores level 0's copy in the colour buffer's format as it is. Its
// pictures are those of the texel-reading stage it replaces, bit for bit, on
// every pixel size the copy serves; sub-images reach the copy; a copy made
// since for another format, or dropped, leaves the groups to the
// texel-reading stage. (The chain's texels against the generic path: the
// chain tests.)
#include <functional>
#include <string>
#include <string.h>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"
#include "raster/chaintex.h"
#include "texture/texture.h"

namespace {

const int W = 48, H = 40;

struct StraightCase {
    const char* name;
    int bits;
    const DWORD* masks;
    GLenum internalFormat, format;
    int w, h;
    bool perspective, dither;
};

void loadTexture(const StraightCase& k) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const int comps = k.format == GL_RGBA ? 4 : k.format == GL_RGB ? 3 : k.format == GL_LUMINANCE_ALPHA ? 2 : 1;
    std::vector<unsigned char> img((size_t)k.w * k.h * comps);
    for (size_t i = 0; i < img.size(); i++) img[i] = (unsigned char)(i * 37 + i / 7 * 11);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)k.internalFormat, k.w, k.h, 0, k.format, GL_UNSIGNED_BYTE, img.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, k.perspective ? GL_NICEST : GL_FASTEST);
    glEnable(GL_TEXTURE_2D);
}

// A few smooth, textured triangles over and past the window, w varying
// under perspective.
void drawTriangles(bool perspective) {
    const float v[][6] = {{-4, -3, 0.1f, 1.0f, -0.3f, -0.2f}, {52, 2, -0.2f, 1.3f, 2.7f, 0.1f},
                          {20, 44, 0.3f, 1.1f, 0.9f, 3.1f},   {3, 38, -0.5f, 1.2f, -1.1f, 2.2f},
                          {44, 30, 0.2f, 1.0f, 1.9f, 1.3f},   {10, 5, 0.0f, 1.25f, 0.2f, -0.7f}};
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 6; i++) {
        const float w = perspective ? v[i][3] : 1.0f;
        glColor3f(0.2f + 0.1f * i, 0.9f - 0.1f * i, 0.5f);
        glTexCoord2f(v[i][4], v[i][5]);
        glVertex4f(v[i][0] * w, v[i][1] * w, v[i][2] * w, w);
    }
    glEnd();
}

std::vector<uint32_t> pixels(const GltestDibContext& c) {
    std::vector<uint32_t> out;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) out.push_back(c.pixel(x, y));
    return out;
}

// The end of the chain a straight copy stage takes: the direct stage slot.
bool straightCopyTaken(const GlContext* gc, int bytes, bool perspective) {
    if (!gc->chain.texStraight) return false;
    const GlSpanProc stage = __glPickStraightCopySpan(bytes, perspective);
    for (const GlSpanProc* slot : {&gc->procs.fillTriangle, &gc->procs.spanChain[GL_CHAIN_AFTER_DEPTH]})
        if (*slot == stage) return true;
    return false;
}

// The copy marked as made for another pixel format: the texel-reading stage draws.
void staleKey(GlContext* gc) { gc->chain.texStraightKey ^= 0x100; }

// Draws the triangles on a fresh context through the C++ chain, then runs
// `between` and draws them again (the picture returned), with the straight
// copy's key made stale first when `reading`.
std::vector<uint32_t> picture(const StraightCase& k, const std::function<void(GlContext*)>& between, bool reading,
                              bool* straight) {
    GltestTrianglePath path(false, true);
    GltestDibContext ctx(W, H, k.bits, false, 16, false, k.masks);
    if (!ctx.rc) return {};
    glClearColor(0.1f, 0.2f, 0.3f, 0);
    glEnable(GL_DEPTH_TEST);
    if (!k.dither) glDisable(GL_DITHER);
    loadTexture(k);
    drawTriangles(k.perspective);
    glFinish();
    GlContext* gc = __glCurrentContext();
    if (straight) *straight = straightCopyTaken(gc, k.bits / 8, k.perspective);
    if (between) between(gc);
    if (reading) staleKey(gc);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawTriangles(k.perspective);
    glFinish();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(ctx.guardsIntact());
    return pixels(ctx);
}

const StraightCase kCases[] = {
    {"RGB on 5-6-5", 16, gltestMasks565, GL_RGB, GL_RGB, 16, 8, true, false},
    {"RGB on x1r5g5b5, affine", 16, nullptr, GL_RGB, GL_RGB, 8, 32, false, false},
    {"RGBA on 32-bit, dithered", 32, nullptr, GL_RGBA, GL_RGBA, 32, 32, true, true},
    {"luminance on 32-bit", 32, nullptr, GL_LUMINANCE, GL_LUMINANCE, 4, 4, true, false},
    {"luminance-alpha on r3g3b2", 8, nullptr, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, 8, 8, true, false},
    {"intensity on 5-6-5, affine", 16, gltestMasks565, GL_INTENSITY, GL_LUMINANCE, 64, 2, false, false},
};

}  // namespace

TEST(TexStraightCopy, PicturesEqualTheTexelReadingStage) {
    for (const StraightCase& k : kCases) {
        SCOPED_TRACE(k.name);
        bool straight = false;
        const auto copied = picture(k, nullptr, false, &straight);
        EXPECT_TRUE(straight) << "the straight copy drew";
        EXPECT_EQ(copied, picture(k, nullptr, true, nullptr));
    }
}

// Dither in narrow fields and blending need more than the copy: the
// texel-reading stages draw.
TEST(TexStraightCopy, NotTakenWhereTheCopyIsNotThePixel) {
    StraightCase dithered = kCases[0];
    dithered.dither = true;
    bool straight = true;
    picture(dithered, nullptr, false, &straight);
    EXPECT_FALSE(straight) << "dithered 5-6-5";
    GltestTrianglePath path(false, true);
    GltestDibContext ctx(W, H, 32);
    glDisable(GL_DITHER);
    loadTexture(kCases[2]);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawTriangles(true);
    glFinish();
    EXPECT_FALSE(__glCurrentContext()->chain.texStraight) << "blended";
}

// After the first draw: a sub-image reaches the copy; a copy made for
// another pixel format since (its pixels of that format) or dropped is not
// read.
TEST(TexStraightCopy, SubImagesAndStaleCopies) {
    const StraightCase& k = kCases[0];
    const auto subImage = [](GlContext*) {
        unsigned char texels[4 * 3 * 3];
        for (size_t i = 0; i < sizeof texels; i++) texels[i] = (unsigned char)(250 - i * 9);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 3, 2, 4, 3, GL_RGB, GL_UNSIGNED_BYTE, texels);
    };
    EXPECT_EQ(picture(k, subImage, false, nullptr), picture(k, subImage, true, nullptr)) << "sub-image";
    const auto otherFormat = [](GlContext* gc) {
        GlMipmapLevel* l = &((GlTextureParams*)gc->currentTexture)->levels[0];
        ASSERT_NE(l->converted, nullptr);
        memset(l->converted, 0xC3, (size_t)l->texelCount * 2);
        l->convertedKey ^= 0x100;
    };
    const auto dropped = [](GlContext* gc) {
        GlMipmapLevel* l = &((GlTextureParams*)gc->currentTexture)->levels[0];
        gc->imports.free(gc, l->converted);
        l->converted = nullptr;
    };
    const auto fresh = picture(k, nullptr, false, nullptr);
    EXPECT_EQ(fresh, picture(k, otherFormat, false, nullptr)) << "made for another format";
    EXPECT_EQ(fresh, picture(k, dropped, false, nullptr)) << "dropped";
}
