// Generated rasterization against the C++ path it stands for: the same
// random triangles drawn with generated code, with "__GL_DISABLE_OG" and
// with no generated code at all give identical colour, depth and stencil
// buffers, for a table of states over every DIB format, MMX on and off.

#include <vector>
#include "rasterequiv.h"
#include "codegen/codegen.h"

namespace {

struct StateCase {
    const char* name;
    std::function<void()> set;
    bool rgbaOnly, indexOnly;
    std::function<void()> between;
    bool wholeFill = false;  // the state takes the whole-triangle fill on every format
    // Colour steps of the MMX fill from the C++ path: blended over overlapping
    // triangles, each layer's step of difference carries into the next (and
    // doubles under DST_COLOR, SRC_COLOR).
    int mmxBound = 1;
};

void fog(GLenum mode, GLenum hint) {
    const GLfloat c[4] = {0.2f, 0.6f, 0.9f, 1.0f};
    glEnable(GL_FOG), glFogi(GL_FOG_MODE, (GLint)mode), glFogf(GL_FOG_START, -1.0f), glFogf(GL_FOG_END, 1.0f),
        glFogf(GL_FOG_DENSITY, 1.5f), glFogfv(GL_FOG_COLOR, c), glFogf(GL_FOG_INDEX, 100.0f), glHint(GL_FOG_HINT, hint);
}

const std::vector<StateCase>& stateCases() {
    static const std::vector<StateCase> list = {
        {"smooth", [] {}, false, false, nullptr, true},
        {"flat", [] { glShadeModel(GL_FLAT); }, false, false, nullptr, true},
        {"no dither", [] { glDisable(GL_DITHER); }, false, false, nullptr, true},
        {"flat, no dither", [] { glShadeModel(GL_FLAT), glDisable(GL_DITHER); }, false, false, nullptr, true},
        {"depth LEQUAL", [] { glDepthFunc(GL_LEQUAL); }, false, false, nullptr, true},
        {"depth GREATER", [] { glClearDepth(0.0), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GREATER); }, false,
         false, nullptr, true},
        {"depth GEQUAL", [] { glClearDepth(0.0), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GEQUAL); }, false,
         false, nullptr, true},
        {"depth EQUAL on a second pass", [] {}, false, false, [] { glDepthFunc(GL_EQUAL); }},
        {"depth NOTEQUAL on a second pass", [] {}, false, false, [] { glDepthFunc(GL_NOTEQUAL); }},
        {"depth ALWAYS, no writes", [] { glDepthFunc(GL_ALWAYS), glDepthMask(GL_FALSE); }, false, false, nullptr, true},
        {"depth ALWAYS", [] { glDepthFunc(GL_ALWAYS); }, false, false, nullptr, true},
        {"depth NEVER", [] { glDepthFunc(GL_NEVER); }, false, false, nullptr, true},
        {"depth test off", [] { glDisable(GL_DEPTH_TEST); }, false, false, nullptr, true},
        {"no depth writes", [] { glDepthMask(GL_FALSE); }, false, false, nullptr, true},
        {"stencil INCR on depth pass", [] {
             glEnable(GL_STENCIL_TEST), glStencilFunc(GL_ALWAYS, 0, 0xFF), glStencilOp(GL_ZERO, GL_DECR, GL_INCR);
         }, false, false, nullptr},
        {"stencil LESS, REPLACE and INVERT", [] {
             glEnable(GL_STENCIL_TEST), glStencilFunc(GL_LESS, 1, 0x0F), glStencilMask(0x3C),
                 glStencilOp(GL_INVERT, GL_KEEP, GL_REPLACE);
         }, false, false, nullptr},
        {"stencil and depth NEVER", [] {
             glEnable(GL_STENCIL_TEST), glStencilFunc(GL_ALWAYS, 3, 0xFF), glStencilOp(GL_KEEP, GL_REPLACE, GL_KEEP),
                 glDepthFunc(GL_NEVER);
         }, false, false, nullptr},
        {"stencil without depth", [] {
             glDisable(GL_DEPTH_TEST), glEnable(GL_STENCIL_TEST), glStencilFunc(GL_EQUAL, 0, 0xFF),
                 glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
         }, false, false, nullptr},
        {"stipple", [] {
             GLubyte pattern[128];
             for (int i = 0; i < 128; ++i) pattern[i] = (GLubyte)(0xA5 ^ (i * 37));
             glEnable(GL_POLYGON_STIPPLE), glPolygonStipple(pattern);
         }, false, false, nullptr},
        {"scissor", [] { glEnable(GL_SCISSOR_TEST), glScissor(7, 5, 41, 30); }, false, false, nullptr},
        {"alpha test", [] { glEnable(GL_ALPHA_TEST), glAlphaFunc(GL_GREATER, 0.5f); }, true, false, nullptr},
        {"blend SRC_ALPHA, ONE_MINUS_SRC_ALPHA", [] {
             glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
         }, true, false, nullptr, false, 3},
        {"blend SRC_ALPHA, ONE", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE); }, true, false, nullptr,
         false, 3},
        {"blend ONE, ONE", [] { glEnable(GL_BLEND), glBlendFunc(GL_ONE, GL_ONE); }, true, false, nullptr, false, 3},
        {"blend DST_COLOR, SRC_COLOR", [] { glEnable(GL_BLEND), glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR); }, true,
         false, nullptr, false, 4},
        {"blend ONE_MINUS_SRC_ALPHA, SRC_ALPHA", [] {
             glEnable(GL_BLEND), glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA);
         }, true, false, nullptr, false, 3},
        {"fog linear", [] { fog(GL_LINEAR, GL_FASTEST); }, false, false, nullptr},
        {"fog exp, nicest", [] { fog(GL_EXP, GL_NICEST); }, false, false, nullptr},
        {"flat with vertex fog", [] { glShadeModel(GL_FLAT), fog(GL_EXP2, GL_DONT_CARE); }, false, false, nullptr},
        {"logic op XOR", [] {
             glEnable(GL_COLOR_LOGIC_OP), glEnable(GL_INDEX_LOGIC_OP), glLogicOp(GL_XOR);
         }, false, false, nullptr},
        {"colour mask red and blue", [] { glColorMask(1, 0, 1, 1); }, true, false, nullptr},
        {"colour mask all off", [] { glColorMask(0, 0, 0, 0); }, false, false, nullptr},
        {"index mask", [] { glIndexMask(0x3C); }, false, true, nullptr},
        {"draw buffer none", [] { glDrawBuffer(GL_NONE); }, false, false, nullptr},
        {"both buffers", [] { glDrawBuffer(GL_FRONT_AND_BACK); }, false, false, nullptr},
        {"back faces as lines", [] { glPolygonMode(GL_BACK, GL_LINE); }, false, false, nullptr},
        {"cull front", [] { glEnable(GL_CULL_FACE), glCullFace(GL_FRONT); }, false, false, nullptr},
        {"cull back, clockwise front", [] { glEnable(GL_CULL_FACE), glFrontFace(GL_CW); }, false, false, nullptr},
        {"polygon offset", [] { glEnable(GL_POLYGON_OFFSET_FILL), glPolygonOffset(1.0f, 2.0f); }, false, false,
         nullptr},
        {"two-sided lighting", [] {
             glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1),
                 glEnable(GL_COLOR_MATERIAL);
         }, false, false, nullptr},
        {"flat lighting", [] {
             glShadeModel(GL_FLAT), glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glEnable(GL_COLOR_MATERIAL);
         }, false, false, nullptr},
    };
    return list;
}

// Triangles of one to a few pixels as a fine mesh gives them: one row of one
// to four pixels in the upper and in the lower part, wound both ways, some
// across the window's left and right edges and the scissor box's; slivers
// of two rows and one column; each drawn over a larger one (depth ties).
std::vector<RasterVertex> smallTriangles(int width) {
    std::vector<RasterVertex> v;
    for (int n = 0; n < 48; n++) {
        const float w = 0.6f + (float)(n % 4), h = 0.3f + 0.15f * (float)(n % 3);
        float x = 1.3f + (float)((n * 7) % (width - 6)) + 0.11f * (float)(n % 5), y = 1.2f + (float)(n % 40);
        if (n % 11 == 3) x = -0.7f;               // across the left edge
        if (n % 11 == 7) x = (float)width - 1.9f;  // across the right edge
        const float z = -0.8f + 0.035f * (float)n;
        const float c[3][4] = {{0.9f, 0.2f, 0.5f, 0.7f}, {0.3f, 0.8f, 0.4f, 0.4f}, {0.5f, 0.6f, 1.0f, 0.9f}};
        // The apex below the row (lower part) or above it (upper part), left, between or right.
        const float apexX = x + (float)(n % 3) * 0.5f * w, apexY = (n & 4) ? y + h + 0.5f : y - 0.45f;
        RasterVertex a = {x, y + 0.4f, z, {c[0][0], c[0][1], c[0][2], c[0][3]}, 0, 0, 1};
        RasterVertex b = {x + w, y + 0.42f + 0.1f * (float)(n % 2), z + 0.3f, {c[1][0], c[1][1], c[1][2], c[1][3]}, 1, 0, 1};
        RasterVertex d = {apexX, apexY + 0.4f, z - 0.2f, {c[2][0], c[2][1], c[2][2], c[2][3]}, 0, 1, 1};
        if (n % 8 == 5) d.x = x + 0.3f, d.y = y + 2.1f, b.x = x + 0.6f;  // two rows, one column
        if (n & 1) v.insert(v.end(), {a, b, d});
        else v.insert(v.end(), {a, d, b});
        if (n % 6 == 0) {  // a larger one beneath, at nearly the same depth
            RasterVertex p = a, q = b, r = d;
            p.x -= 2.0f, p.y -= 2.0f, q.x += 2.0f, r.y += 3.0f, p.z += 0.01f, q.z += 0.01f, r.z += 0.01f;
            v.insert(v.end(), {p, q, r});
        }
    }
    return v;
}

void compareCase(const RasterFormat& f, const StateCase& c, int depthBits, unsigned seed, bool mmx,
                 bool small = false) {
    SCOPED_TRACE(std::string(f.name) + ", " + c.name + ", depth " + std::to_string(depthBits) + ", seed " +
                 std::to_string(seed) + (mmx ? ", MMX" : "") + (small ? ", small triangles" : ""));
    RasterScene sc;
    sc.depthBits = depthBits;
    sc.state = c.set;
    sc.between = c.between;
    sc.vertices = small ? smallTriangles(sc.width) : rasterRandomTriangles(seed, 16, sc.width, sc.height);
    const RasterImage cpp = rasterRender(f, sc, PATH_CPP, mmx);
    const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, mmx);
    const RasterImage noFill = rasterRender(f, sc, PATH_NO_FILL, mmx);
    EXPECT_FALSE(cpp.generatedSetup);
    const std::string name = c.name;
    const bool blank = (name == "colour mask all off" && !f.index) || name == "draw buffer none" ||
                       name == "depth NEVER" || name == "stencil and depth NEVER";
    EXPECT_EQ(cpp.drawn, !blank) << "the scene draws";
    EXPECT_TRUE(gen.guards && noFill.guards);
    const int bytes = (f.bits + 7) / 8;
    rasterExpectGenerated(f, sc, gen, cpp, mmx, c.mmxBound);
    EXPECT_FALSE(noFill.wholeFill);
    // The whole fill: not on 3-byte pixels (over every depth kind).
    if (c.wholeFill && f.bits != 24) {
        EXPECT_TRUE(gen.wholeFill) << "the whole fill drew";
    }
    EXPECT_EQ(rasterDifference(noFill, cpp, sc.width, bytes), "") << "no whole fill vs C++";
}

TEST(Equivalence, StatesOverFormats) {
    for (const RasterFormat& f : kRasterFormats)
        for (const StateCase& c : stateCases()) {
            if ((c.rgbaOnly && f.index) || (c.indexOnly && !f.index)) continue;
            for (int mmx = 0; mmx < 2; mmx++) compareCase(f, c, 16, 11, mmx);
        }
}

TEST(Equivalence, DepthKindsAndSeeds) {
    for (int fi : {0, 2, 5})
        for (int depthBits : {16, 24, 32})
            for (unsigned seed : {3u, 97u})
                for (int ci : {0, 5, 7, 14}) compareCase(kRasterFormats[fi], stateCases()[ci], depthBits, seed, true);
}

// Triangles of one or a few pixels (the set-up's row of one row, the fill's
// span of one pixel) over every state and format.
TEST(Equivalence, SmallTrianglesOverStatesAndFormats) {
    for (int fi : {0, 2, 4, 5})
        for (const StateCase& c : stateCases()) {
            const RasterFormat& f = kRasterFormats[fi];
            if ((c.rgbaOnly && f.index) || (c.indexOnly && !f.index)) continue;
            for (int mmx = 0; mmx < 2; mmx++) compareCase(f, c, 16, 0, mmx, true);
        }
    for (int depthBits : {24, 32})
        for (int ci : {0, 5, 6, 11}) compareCase(kRasterFormats[2], stateCases()[ci], depthBits, 0, true, true);
}

// The generated set-up takes the triangles where the fast path applies.
TEST(Equivalence, GeneratedSetupIsUsed) {
    RasterScene sc;
    sc.vertices = rasterRandomTriangles(5, 4, sc.width, sc.height);
    EXPECT_TRUE(rasterRender(kRasterFormats[2], sc, PATH_GENERATED, true).generatedSetup);
    EXPECT_TRUE(rasterRender(kRasterFormats[2], sc, PATH_NO_FILL, true).generatedSetup);
}

// Drawing to both buffers of a double-buffered window: the generated set-up
// and walker carry the second buffer's address, and both buffers equal the
// C++ path's.
TEST(Equivalence, BothBuffersOfAWindow) {
    const char* states[] = {"smooth", "flat, no dither", "stencil INCR on depth pass",
                            "blend SRC_ALPHA, ONE_MINUS_SRC_ALPHA", "scissor"};
    for (int fi : {0, 2})
        for (const char* name : states)
            for (int mmx = 0; mmx < 2; mmx++) {
                const StateCase* c = nullptr;
                for (const StateCase& k : stateCases())
                    if (!strcmp(k.name, name)) c = &k;
                ASSERT_NE(c, nullptr) << name;
                SCOPED_TRACE(std::string(kRasterFormats[fi].name) + ", " + name + (mmx ? ", MMX" : ""));
                RasterScene sc;
                sc.bothBuffers = true;
                sc.state = c->set;
                sc.vertices = rasterRandomTriangles(23, 16, sc.width, sc.height);
                const RasterImage cpp = rasterRender(kRasterFormats[fi], sc, PATH_CPP, mmx);
                const RasterImage gen = rasterRender(kRasterFormats[fi], sc, PATH_GENERATED, mmx);
                EXPECT_TRUE(cpp.drawn);
                EXPECT_TRUE(gen.generatedSetup);
                EXPECT_FALSE(gen.wholeFill);
                // Both halves drawn: the back buffer is not left cleared.
                const size_t half = cpp.color.size() / 2;
                EXPECT_FALSE(std::equal(cpp.color.begin() + half, cpp.color.end(), cpp.cleared.begin() + half));
                EXPECT_EQ(rasterDifference(gen, cpp, sc.width, 4), "");
            }
}

}  // namespace

namespace {

struct TexCase {
    const char* name;
    int w, h;
    GLenum internalFormat, format;  // format of the client image (GL_COLOR_INDEX for index textures)
    GLenum min, mag, wrap, env;
    bool perspective, mipmaps;
};

void loadTexture(const TexCase& k) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const int comps = k.format == GL_RGBA ? 4 : k.format == GL_RGB ? 3 : k.format == GL_LUMINANCE_ALPHA ? 2 : 1;
    int w = k.w, h = k.h;
    for (int l = 0;; l++) {
        std::vector<GLubyte> img = gltestNoise((size_t)w * h * comps, 77u + (unsigned)l);
        if (k.h == 1) glTexImage1D(GL_TEXTURE_1D, l, (GLint)k.internalFormat, w, 0, k.format, GL_UNSIGNED_BYTE, img.data());
        else glTexImage2D(GL_TEXTURE_2D, l, (GLint)k.internalFormat, w, h, 0, k.format, GL_UNSIGNED_BYTE, img.data());
        if (!k.mipmaps || (w == 1 && h == 1)) break;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    const GLenum target = k.h == 1 ? GL_TEXTURE_1D : GL_TEXTURE_2D;
    if (k.internalFormat == GL_COLOR_INDEX8_EXT) {
        std::vector<GLubyte> palette = gltestNoise(256 * 4, 5u);
        glColorTableEXT(target, GL_RGBA, 256, GL_RGBA, GL_UNSIGNED_BYTE, palette.data());
    }
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, (GLint)k.min);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, (GLint)k.mag);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, (GLint)k.wrap);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, (GLint)k.wrap);
    const float envColor[4] = {0.8f, 0.2f, 0.5f, 0.6f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, k.perspective ? GL_NICEST : GL_FASTEST);
    glEnable(target);
}

const TexCase kTexCases[] = {
    {"256x256 RGB modulate", 256, 256, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false, false},
    {"256x256 RGB modulate, perspective", 256, 256, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE,
     true, false},
    {"8x8 RGB replace", 8, 8, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true, false},
    {"2x16 RGBA modulate", 2, 16, GL_RGBA, GL_RGBA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, true, false},
    {"16x4 RGBA decal", 16, 4, GL_RGBA, GL_RGBA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_DECAL, false, false},
    {"8x8 RGB decal", 8, 8, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_DECAL, false, false},
    {"16x16 luminance blend", 16, 16, GL_LUMINANCE, GL_LUMINANCE, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_BLEND, true,
     false},
    {"16x16 luminance alpha modulate", 16, 16, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_NEAREST, GL_NEAREST,
     GL_REPEAT, GL_MODULATE, false, false},
    {"8x8 intensity replace", 8, 8, GL_INTENSITY, GL_LUMINANCE, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, false,
     false},
    {"8x8 alpha modulate", 8, 8, GL_ALPHA, GL_ALPHA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false, false},
    {"1x1 RGB modulate", 1, 1, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, true, false},
    {"512x64 RGB replace", 512, 64, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, false, false},
    // More texels than 16-bit indices reach: the MMX fill's byte offsets.
    {"512x256 RGB modulate", 512, 256, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false, false},
    {"32 1-D RGB modulate", 32, 1, GL_RGB, GL_RGB, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false, false},
    {"16x16 paletted modulate", 16, 16, GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_NEAREST, GL_NEAREST, GL_REPEAT,
     GL_MODULATE, true, false},
    {"16x16 RGB linear clamp", 16, 16, GL_RGB, GL_RGB, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_MODULATE, true, false},
    {"32x32 RGB mipmap", 32, 32, GL_RGB, GL_RGB, GL_LINEAR_MIPMAP_LINEAR, GL_NEAREST, GL_REPEAT, GL_MODULATE, true,
     true},
    {"16x16 index add (colour index)", 16, 16, GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_NEAREST, GL_NEAREST,
     GL_REPEAT, GL_ADD, false, false},
    {"16x16 index replace (colour index)", 16, 16, GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_NEAREST, GL_NEAREST,
     GL_REPEAT, GL_REPLACE, true, false},
};

TEST(Equivalence, TexturesOverFormats) {
    for (const TexCase& t : kTexCases)
        for (int fi : {0, 2, 4, 5}) {
            const RasterFormat& f = kRasterFormats[fi];
            const bool indexCase = std::string(t.name).find("colour index") != std::string::npos;
            if (f.index != indexCase) continue;
            for (int dither = 0; dither < 2; dither++)
                for (int mmx = 0; mmx < 2; mmx++) {
                    SCOPED_TRACE(std::string(f.name) + ", " + t.name + (dither ? "" : ", no dither") +
                                 (mmx ? ", MMX" : ""));
                    RasterScene sc;
                    sc.texCoords = true;
                    sc.state = [&t, dither] {
                        loadTexture(t);
                        if (!dither) glDisable(GL_DITHER);
                    };
                    sc.vertices = rasterRandomTriangles(23, 12, sc.width, sc.height);
                    const std::vector<RasterVertex> small = smallTriangles(sc.width);
                    sc.vertices.insert(sc.vertices.end(), small.begin(), small.end());
                    const RasterImage cpp = rasterRender(f, sc, PATH_CPP, mmx);
                    const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, mmx);
                    const RasterImage noFill = rasterRender(f, sc, PATH_NO_FILL, mmx);
                    EXPECT_TRUE(cpp.drawn);
                    EXPECT_FALSE(cpp.generatedTexture);
                    // Nearest, repeat, unbordered: the generated textured stage,
                    // unless the MMX fill, which runs no chain stage, draws.
                    const bool nearest = t.min == GL_NEAREST && t.mag == GL_NEAREST && t.wrap == GL_REPEAT;
                    if (nearest && t.internalFormat != GL_ALPHA) {
                        EXPECT_EQ(gen.generatedTexture, !gen.mmxFill);
                    }
                    const int bytes = (f.bits + 7) / 8;
                    // The MMX fill steps s and t in 16-bit lanes of the texture's side: off
                    // the texel grid its texels are the chain's only near; their colours
                    // are compared with its twin (and near the chain on a texel grid, in
                    // mmxfill_test.cpp).
                    rasterExpectGenerated(f, sc, gen, cpp, mmx, -1);
                    EXPECT_EQ(rasterDifference(noFill, cpp, sc.width, bytes), "") << "no whole fill vs C++";
                }
        }
}

}  // namespace

namespace {

// Spans of every length from 1 to 70 pixels: flat-bottomed triangles as wide
// as that, wound both ways (long edge on the left and on the right), whole,
// cut by the window's left and right edges, and cut by a scissor box.
TEST(Equivalence, SpanLengthsOrientationsAndClipping) {
    std::vector<RasterVertex> v;
    for (int n = 1; n <= 70; n++) {
        const float x = (float)(n % 9) - 4.5f + (n > 40 ? 20.0f : 0.0f), y = (float)(n % 40) + 0.3f;
        const RasterVertex a = {x, y, 0.1f, {0.9f, 0.4f, 0.6f, 1}, 0, 0, 1};
        const RasterVertex b = {x + (float)n + 0.25f, y + 0.1f, -0.3f, {0.4f, 0.9f, 0.5f, 1}, 1, 0, 1};
        const RasterVertex c = {x + 0.5f * (float)n, y + 1.6f, 0.5f, {0.5f, 0.6f, 1.0f, 1}, 0, 1, 1};
        if (n & 1) v.insert(v.end(), {a, b, c});
        else v.insert(v.end(), {a, c, b});
    }
    const std::function<void()> states[] = {[] {}, [] { glEnable(GL_SCISSOR_TEST), glScissor(9, 4, 40, 30); }};
    for (int fi : {0, 2, 4, 5})
        for (int s = 0; s < 2; s++)
            for (int mmx = 0; mmx < 2; mmx++) {
                const RasterFormat& f = kRasterFormats[fi];
                SCOPED_TRACE(std::string(f.name) + (s ? ", scissor" : "") + (mmx ? ", MMX" : ""));
                RasterScene sc;
                sc.width = 75;
                sc.state = states[s];
                sc.vertices = v;
                const RasterImage cpp = rasterRender(f, sc, PATH_CPP, mmx);
                const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, mmx);
                const RasterImage noFill = rasterRender(f, sc, PATH_NO_FILL, mmx);
                EXPECT_TRUE(cpp.drawn);
                EXPECT_EQ(gen.wholeFill, !s) << "the whole fill unless a clip stage is needed";
                const int bytes = (f.bits + 7) / 8;
                rasterExpectGenerated(f, sc, gen, cpp, mmx, 1);
                EXPECT_EQ(rasterDifference(noFill, cpp, sc.width, bytes), "") << "no whole fill vs C++";
            }
}

// Triangles whose two upper (or lower) vertices lie in one pixel row, so
// that one part of the triangle has no rows: the other part's edges and
// start values are the only ones walked. One to ten rows, the row's second
// vertex left and right of its first, apex left, right and between, both
// windings, over states that step colour, depth, fog and stencil along the
// edges.
TEST(Equivalence, TrianglesWithOnePartEmpty) {
    std::vector<RasterVertex> v;
    for (int n = 0; n < 40; n++) {
        const float height = 0.6f + (float)(n % 10), x = 3.0f + (float)(n % 7) * 9.0f, y = 2.2f + (float)(n % 4);
        const float apexX = x + (float)(n % 3) * 4.0f - 2.0f, width = 3.0f + (float)(n % 5);
        const RasterVertex p = {x, y + 0.05f * (float)(n % 2), 0.2f, {0.9f, 0.3f, 0.6f, 1}, 0, 0, 1};
        const float side = (n & 2) ? width : -width;  // the second vertex right or left of the first
        const RasterVertex q = {x + side, y + 0.1f, -0.4f, {0.2f, 0.8f, 0.4f, 1}, 1, 0, 1};
        RasterVertex apex = {apexX, y + height, 0.6f, {0.4f, 0.5f, 1.0f, 1}, 0, 1, 1};
        if (n >= 20) apex.y = y - height + 0.4f;  // flat bottom: the upper part alone
        if (n & 1) v.insert(v.end(), {p, q, apex});
        else v.insert(v.end(), {p, apex, q});
    }
    const struct {
        const char* name;
        std::function<void()> set;
    } states[] = {
        {"smooth", [] {}},
        {"flat", [] { glShadeModel(GL_FLAT); }},
        {"fog", [] { fog(GL_LINEAR, GL_FASTEST); }},
        {"stencil", [] {
             glEnable(GL_STENCIL_TEST), glStencilFunc(GL_ALWAYS, 0, 0xFF), glStencilOp(GL_KEEP, GL_DECR, GL_INCR);
         }},
    };
    for (const auto& state : states)
        for (int fi : {0, 2, 5})
            for (int mmx = 0; mmx < 2; mmx++) {
                const RasterFormat& f = kRasterFormats[fi];
                SCOPED_TRACE(std::string(f.name) + ", " + state.name + (mmx ? ", MMX" : ""));
                RasterScene sc;
                sc.state = state.set;
                sc.vertices = v;
                const RasterImage cpp = rasterRender(f, sc, PATH_CPP, mmx);
                const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, mmx);
                const RasterImage noFill = rasterRender(f, sc, PATH_NO_FILL, mmx);
                EXPECT_TRUE(cpp.drawn);
                EXPECT_TRUE(gen.generatedSetup);
                rasterExpectGenerated(f, sc, gen, cpp, mmx, 1);
                EXPECT_EQ(rasterDifference(noFill, cpp, sc.width, (f.bits + 7) / 8), "") << "no whole fill vs C++";
            }
}

}  // namespace

namespace {

// Two or three of the single states at once, half of them over a texture:
// the generators' interactions (a key that misses one piece of a combined
// state, a register two stages both use). RASTER_COMBOS sets how many.
TEST(Equivalence, StateCombinations) {
    const char* env = getenv("RASTER_COMBOS");
    const unsigned count = env ? (unsigned)atoi(env) : 40;
    const std::vector<StateCase>& cases = stateCases();
    const unsigned nTex = sizeof kTexCases / sizeof kTexCases[0];
    for (unsigned i = 0; i < count; i++) {
        unsigned r = i * 2654435761u + 12345u;
        const auto next = [&r](unsigned n) {
            r = r * 1664525u + 1013904223u;
            return (r >> 8) % n;
        };
        const RasterFormat& f = kRasterFormats[next(6)];
        std::vector<const StateCase*> picked;
        const StateCase* second = nullptr;  // at most one state draws twice
        const unsigned want = 2 + next(2);
        for (unsigned tries = 0; picked.size() < want && tries < 50; tries++) {
            const StateCase* c = &cases[next((unsigned)cases.size())];
            if ((c->rgbaOnly && f.index) || (c->indexOnly && !f.index)) continue;
            if (std::find(picked.begin(), picked.end(), c) != picked.end() || (c->between && second)) continue;
            if (c->between) second = c;
            picked.push_back(c);
        }
        const TexCase* tex = nullptr;
        if (next(2)) {
            const TexCase& t = kTexCases[next(nTex)];
            if ((std::string(t.name).find("colour index") != std::string::npos) == f.index) tex = &t;
        }
        const bool mmx = next(2) != 0;
        std::string name = f.name;
        int bound = 1;
        for (const StateCase* c : picked) name += std::string(", ") + c->name, bound = std::max(bound, c->mmxBound);
        // Blending over other states stacks layers without the depth test's
        // limit; each layer's step of difference from the chain compounds, and
        // the twin alone holds the MMX fill exactly.
        if (bound > 1 && picked.size() > 1) bound = -1;
        if (tex) name += std::string(", ") + tex->name, bound = -1;
        SCOPED_TRACE(name + (mmx ? ", MMX" : "") + ", combination " + std::to_string(i));
        RasterScene sc;
        sc.texCoords = tex != nullptr;
        sc.state = [picked, tex] {
            for (const StateCase* c : picked) c->set();
            if (tex) loadTexture(*tex);
        };
        if (second) sc.between = second->between;
        sc.vertices = rasterRandomTriangles(31 + i, 12, sc.width, sc.height);
        const std::vector<RasterVertex> small = smallTriangles(sc.width);
        sc.vertices.insert(sc.vertices.end(), small.begin(), small.begin() + 60);
        const RasterImage cpp = rasterRender(f, sc, PATH_CPP, mmx);
        const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, mmx);
        const RasterImage noFill = rasterRender(f, sc, PATH_NO_FILL, mmx);
        EXPECT_TRUE(gen.guards && noFill.guards);
        rasterExpectGenerated(f, sc, gen, cpp, mmx, bound);
        EXPECT_EQ(rasterDifference(noFill, cpp, sc.width, (f.bits + 7) / 8), "") << "no whole fill vs C++";
    }
}

}  // namespace

namespace {
// The pairs of everything written, in the order written (the encoder's hook).
std::vector<GlOgPairInfo>* written;
void notePair(GlContext*, const uint8_t*, const uint8_t*, GLuint op, const GlOgNode* first, const GlOgNode* second) {
    GlOgPairInfo info;
    __glOgPairInfo(op, first, second, &info);
    written->push_back(info);
}

void texture(GLenum internal, GLenum filter, GLenum env, GLenum hint) {
    std::vector<GLubyte> img(16 * 16 * 4);
    for (size_t i = 0; i < img.size(); i++) img[i] = (GLubyte)(i * 97 + (i >> 6) * 31);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)internal, 16, 16, 0, internal, GL_UNSIGNED_BYTE, img.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, hint);
    glEnable(GL_TEXTURE_2D);
}
}  // namespace

// Routines built with scheduled blocks and without them draw the same
// buffers on every road of the generated code (the whole fill, x86 and MMX,
// and the span chain behind the generated walker with its generated depth
// and textured stages); the scheduled routines take more pairs.
TEST(Equivalence, ScheduledAndUnscheduledRoutinesDrawTheSame) {
    struct Case {
        const char* name;
        std::function<void()> set;
        bool textured, rgbaOnly;
    };
    const Case cases[] = {
        {"smooth", [] {}, false, false},
        {"depth GREATER", [] { glClearDepth(0.0), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GREATER); }, false, false},
        {"stencil INCR", [] {
             glEnable(GL_STENCIL_TEST), glStencilFunc(GL_ALWAYS, 0, 0xFF), glStencilOp(GL_ZERO, GL_DECR, GL_INCR);
         }, false, false},
        {"blend", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }, false, true},
        {"RGB modulate", [] { texture(GL_RGB, GL_NEAREST, GL_MODULATE, GL_FASTEST); }, true, true},
        {"RGBA replace, perspective", [] { texture(GL_RGBA, GL_NEAREST, GL_REPLACE, GL_NICEST); }, true, true},
        {"RGB bilinear, perspective", [] { texture(GL_RGB, GL_LINEAR, GL_MODULATE, GL_NICEST); }, true, true},
        {"RGBA modulate, blend", [] {
             texture(GL_RGBA, GL_NEAREST, GL_MODULATE, GL_FASTEST), glEnable(GL_BLEND),
                 glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
         }, true, true},
    };
    std::vector<GlOgPairInfo> run;
    written = &run;
    GLuint pairs[2] = {0, 0};
    for (int fi : {0, 2, 4, 5})
        for (const Case& c : cases)
            for (RasterPath path : {PATH_GENERATED, PATH_NO_FILL})
                for (int mmx = 0; mmx < 2; mmx++) {
                    const RasterFormat& f = kRasterFormats[fi];
                    if (c.rgbaOnly && f.index) continue;
                    SCOPED_TRACE(std::string(f.name) + ", " + c.name + (path == PATH_NO_FILL ? ", chain" : ", fill") +
                                 (mmx ? ", MMX" : ""));
                    RasterScene sc;
                    sc.state = c.set;
                    sc.texCoords = c.textured;
                    sc.vertices = rasterRandomTriangles(41, 12, sc.width, sc.height);
                    RasterImage im[2];
                    for (GLint scheduled : {0, 1}) {
                        __glOgScheduleBlocks = scheduled;
                        run.clear();
                        __glOgEncodeHook = notePair;
                        im[scheduled] = rasterRender(f, sc, path, mmx);
                        __glOgEncodeHook = nullptr;
                        pairs[scheduled] += __glOgCountPairs(run.data(), (GLuint)run.size());
                    }
                    __glOgScheduleBlocks = 1;
                    EXPECT_TRUE(im[1].drawn && im[1].guards);
                    EXPECT_EQ(im[0].wholeFill, im[1].wholeFill);
                    EXPECT_EQ(rasterDifference(im[1], im[0], sc.width, (f.bits + 7) / 8), "") << "scheduled vs in order";
                }
    written = nullptr;
    EXPECT_GT(pairs[1], pairs[0]) << "pairs written in order " << pairs[0] << ", scheduled " << pairs[1];
}
