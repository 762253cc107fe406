// The MMX whole fill against its C++ twin and against the chain: the same
// triangles drawn by the generated routine and by the walker calling the
// twin give identical colour, depth and stencil buffers, for the states the
// fill takes over its formats (r5g6b5, x1r5g5b5, r3g3b2); against the C++
// chain the depth and stencil buffers and the pixels drawn are identical
// and the colours near.
//
// The bounds against the chain: the fill truncates each channel's start and
// steps to lanes of 15 bits (1/1024 of a 5-bit field's step) where the chain
// steps 16.16 values, so a channel near a rounding edge of its field lands
// on the other side: 1 step of the field. Modulated, it multiplies texel x
// 257 (t / 255 of 65535) by the lane and keeps the high half of the unsigned
// product, the chain's c x t / 255 truncated: 1 step.
// Blended once over a first pass: the first pass's step, and the chain's
// source byte c x 255 against the fill's c x max in steps of the field: 2
// steps; twice the product of two colours, 3.

#include <algorithm>
#include <cmath>
#include <vector>
#include "rasterequiv.h"
#include "codegen/rasterwalk.h"

namespace {

const RasterFormat* const kMmxFormats[] = {&kRasterFormats[2], &kRasterFormats[3], &kRasterFormats[4],
                                           &kRasterFormats[0]};

struct FillCase {
    const char* name;
    std::function<void()> set;
    std::function<void()> between;
    int bound = 1;  // colour steps from the chain's
};

// Stored depth words by group of four: 0 (every lane fails GL_LESS), near
// 2^32 (every lane passes), at or above 2^31 (passing GL_LESS only when
// compared unsigned) and below it.
GLuint straddlingDepth(int x, int y) {
    const GLuint h = (GLuint)x * 73856093u ^ (GLuint)y * 19349663u;
    switch ((x / 4 + y) % 4) {
    case 0: return 0;
    case 1: return 0xFFFFFFFFu - (h & 0xFF);
    case 2: return 0x80000000u | h;
    default: return h >> 1;
    }
}

// 256 clears of the depth buffer: the 24-bit kind's clear generations turn
// round (stored 1 - z, the function turned round, words of the old count
// below 2^31 and of the new above it).
void turnGenerations() {
    for (int i = 0; i < 256; i++) glClear(GL_DEPTH_BUFFER_BIT);
}

// A second pass blended once over each pixel of the first (depth GL_EQUAL).
std::function<void()> blendPass(GLenum src, GLenum dst) {
    return [src, dst] { glDepthFunc(GL_EQUAL), glEnable(GL_BLEND), glBlendFunc(src, dst); };
}

const std::vector<FillCase>& fillCases() {
    static const std::vector<FillCase> list = {
        {"smooth", [] {}, nullptr},
        {"flat", [] { glShadeModel(GL_FLAT); }, nullptr},
        {"no dither", [] { glDisable(GL_DITHER); }, nullptr},
        {"flat, no dither", [] { glShadeModel(GL_FLAT), glDisable(GL_DITHER); }, nullptr},
        {"depth LEQUAL", [] { glDepthFunc(GL_LEQUAL); }, nullptr},
        {"depth GREATER", [] { glClearDepth(0.0), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GREATER); }, nullptr},
        {"depth GEQUAL", [] { glClearDepth(0.0), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GEQUAL); }, nullptr},
        {"depth LESS over 0x8000", [] { glClearDepth(0.5), glClear(GL_DEPTH_BUFFER_BIT); }, nullptr},
        {"depth GREATER over 0x8000",
         [] { glClearDepth(0.5), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GREATER); }, nullptr},
        {"depth EQUAL on a second pass", [] {}, [] { glDepthFunc(GL_EQUAL); }},
        {"depth NOTEQUAL on a second pass", [] {}, [] { glDepthFunc(GL_NOTEQUAL); }},
        {"depth ALWAYS", [] { glDepthFunc(GL_ALWAYS); }, nullptr},
        {"depth ALWAYS, no writes", [] { glDepthFunc(GL_ALWAYS), glDepthMask(GL_FALSE); }, nullptr},
        {"no depth writes", [] { glDepthMask(GL_FALSE); }, nullptr},
        {"depth test off", [] { glDisable(GL_DEPTH_TEST); }, nullptr},
        {"blend SRC_ALPHA, ONE_MINUS_SRC_ALPHA", nullptr, blendPass(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), 2},
        {"blend SRC_ALPHA, ONE", nullptr, blendPass(GL_SRC_ALPHA, GL_ONE), 2},
        {"blend ONE, ONE", nullptr, blendPass(GL_ONE, GL_ONE), 2},
        {"blend ONE, ZERO", nullptr, blendPass(GL_ONE, GL_ZERO), 2},
        {"blend ZERO, SRC_COLOR", nullptr, blendPass(GL_ZERO, GL_SRC_COLOR), 2},
        {"blend DST_COLOR, SRC_COLOR", nullptr, blendPass(GL_DST_COLOR, GL_SRC_COLOR), 3},
        {"blend ONE_MINUS_DST_COLOR, ONE_MINUS_SRC_COLOR", nullptr,
         blendPass(GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR), 2},
        {"blend ONE_MINUS_SRC_ALPHA, SRC_ALPHA", nullptr, blendPass(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA), 2},
        {"blend SRC_ALPHA_SATURATE, ONE_MINUS_SRC_COLOR", nullptr,
         blendPass(GL_SRC_ALPHA_SATURATE, GL_ONE_MINUS_SRC_COLOR), 2},
        {"blend DST_ALPHA, ONE_MINUS_DST_ALPHA", nullptr, blendPass(GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA), 2},
        {"blend ZERO, ONE_MINUS_SRC_ALPHA", nullptr, blendPass(GL_ZERO, GL_ONE_MINUS_SRC_ALPHA), 2},
        {"blend DST_COLOR, ZERO", nullptr, blendPass(GL_DST_COLOR, GL_ZERO), 2},
        {"blend SRC_ALPHA, ONE_MINUS_SRC_ALPHA, flat, no dither", [] { glShadeModel(GL_FLAT), glDisable(GL_DITHER); },
         blendPass(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), 2},
        {"blend ONE, ONE, flat", [] { glShadeModel(GL_FLAT); }, blendPass(GL_ONE, GL_ONE), 2},
        {"blend ONE_MINUS_DST_COLOR, SRC_ALPHA, no dither", [] { glDisable(GL_DITHER); },
         blendPass(GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA), 2},
        {"depth LESS over words on both sides of 2^31", [] { rasterStoreDepthWords(straddlingDepth); }, nullptr},
        {"depth GREATER over words on both sides of 2^31",
         [] { rasterStoreDepthWords(straddlingDepth), glDepthFunc(GL_GREATER); }, nullptr},
        {"depth LEQUAL, no writes, over words on both sides of 2^31",
         [] { rasterStoreDepthWords(straddlingDepth), glDepthFunc(GL_LEQUAL), glDepthMask(GL_FALSE); }, nullptr},
        {"depth GEQUAL over words on both sides of 2^31",
         [] { rasterStoreDepthWords(straddlingDepth), glDepthFunc(GL_GEQUAL); }, nullptr},
        {"depth LESS, clear generations turned round", turnGenerations, nullptr},
        {"depth LEQUAL, clear generations turned round", [] { turnGenerations(), glDepthFunc(GL_LEQUAL); }, nullptr},
        {"depth EQUAL on a second pass, generations turned round", turnGenerations, [] { glDepthFunc(GL_EQUAL); }},
        {"depth NOTEQUAL on a second pass, no writes", [] {}, [] { glDepthFunc(GL_NOTEQUAL), glDepthMask(GL_FALSE); }},
    };
    return list;
}

// Routine and twin identical; routine and chain near (bound < 0: colours
// not compared).
// A nearest-filtered RGB level of w x h texels under env, enabled, with the
// perspective hint.
void nearestRgbTexture(int w, int h, const std::vector<GLubyte>& img, GLenum env, GLenum hint) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, img.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, hint);
    glEnable(GL_TEXTURE_2D);
}

// The bound is in steps of the 2- to 6-bit fields (rasterFieldBound), or
// bound32 for the 8-bit fields when given.
void compareAll(const RasterFormat& f, const RasterScene& sc, const std::string& what, int bound, int bound32 = -2) {
    bound = f.bits == 32 && bound32 >= 0 ? bound32 : rasterFieldBound(f, bound);
    SCOPED_TRACE(std::string(f.name) + ", " + what + ", depth " + std::to_string(sc.depthBits));
    const RasterImage gen = rasterRender(f, sc, PATH_GENERATED, true);
    const RasterImage twin = rasterRender(f, sc, PATH_TWIN, true);
    const RasterImage cpp = rasterRender(f, sc, PATH_CPP, true);
    ASSERT_TRUE(gen.mmxFill && twin.mmxFill) << "the MMX fill drew";
    EXPECT_TRUE(gen.drawn);
    EXPECT_TRUE(gen.guards && twin.guards);
    EXPECT_EQ(rasterDifference(gen, twin, sc.width, f.bits / 8), "") << "routine vs twin";
    int worst = 0;
    EXPECT_EQ(rasterNearby(gen, cpp, f, sc.width, bound, &worst), "") << "routine vs chain";
    if (getenv("RASTER_WORST")) printf("worst %d: %s, %s\n", worst, f.name, what.c_str());
}

// Over the three depth kinds: 16-bit words, 32-bit values, and 24-bit values
// under a clear generation and mirror read at run time.
const int kDepthKinds[] = {16, 24, 32};
const std::pair<int, unsigned> kKindsAndSeeds[] = {{16, 11u}, {16, 12u}, {24, 11u}, {32, 11u}};

TEST(MmxFill, UntexturedStates) {
    for (const RasterFormat* f : kMmxFormats)
        for (const FillCase& c : fillCases())
            for (const auto& [depthBits, seed] : kKindsAndSeeds) {
                RasterScene sc;
                sc.depthBits = depthBits;
                sc.state = c.set;
                sc.between = c.between;
                sc.vertices = rasterRandomTriangles(seed, 16, sc.width, sc.height);
                compareAll(*f, sc, c.name, c.bound);
            }
}

// Blending's edge cases, routine and twin: GL_ONE, GL_ONE saturates each
// field at its maximum; GL_SRC_ALPHA_SATURATE is a source factor of 0 and
// GL_DST_ALPHA is 1 (the buffers hold no alpha); white texels are a source
// colour of 1.0; an opaque source under
// GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA replaces the destination and a
// transparent one leaves it; a quad that fails the depth test everywhere
// writes neither colour nor depth.
TEST(MmxFill, BlendEdgeCases) {
    for (const RasterFormat* f : kMmxFormats)
        for (RasterPath path : {PATH_GENERATED, PATH_TWIN}) {
            SCOPED_TRACE(std::string(f->name) + (path == PATH_TWIN ? ", twin" : ", routine"));
            const auto render = [&](GLenum src, GLenum dst, std::function<void()> more, float alpha = 0.6f) {
                RasterScene sc;
                sc.state = [=] {
                    glEnable(GL_BLEND), glBlendFunc(src, dst);
                    if (more) more();
                };
                const float w = (float)sc.width + 1, h = (float)sc.height + 1;
                const RasterVertex a = {-1, -1, 0.2f, {0.9f, 0.8f, 0.7f, alpha}, 0, 0, 1};
                RasterVertex b = a, c = a, d = a;
                b.x = c.x = w, c.y = d.y = h;
                sc.vertices = {a, b, c, a, c, d};
                RasterImage im = rasterRender(*f, sc, path, true);
                EXPECT_TRUE(im.mmxFill);
                return im;
            };
            const RasterFields fields = rasterFields(*f);
            GLuint full = 0;
            for (int c = 0; c < 3; c++) full |= ((1u << fields.bits[c]) - 1) << fields.pos[c];
            const auto expectFull = [&](const RasterImage& im, const char* what) {
                for (int y = 0; y < 45; y++)
                    for (int x = 0; x < 70; x++)
                        if (rasterPixel(im, *f, 70, x, y) != full) {
                            ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") holds "
                                          << rasterPixel(im, *f, 70, x, y);
                            return;
                        }
            };
            expectFull(render(GL_ONE, GL_ONE, nullptr), "GL_ONE, GL_ONE");
            const RasterImage saturate = render(GL_SRC_ALPHA_SATURATE, GL_ZERO, nullptr);
            EXPECT_EQ(saturate.color, std::vector<uint8_t>(saturate.color.size(), 0)) << "GL_SRC_ALPHA_SATURATE";
            // White texels replaced are a source colour of 1.0: GL_SRC_COLOR keeps the destination,
            // GL_ONE_MINUS_SRC_COLOR clears it.
            const auto white = [] {
                nearestRgbTexture(2, 2, std::vector<GLubyte>(12, 255), GL_REPLACE, GL_DONT_CARE);
                glDisable(GL_DITHER);
            };
            const RasterImage kept = render(GL_ZERO, GL_SRC_COLOR, white);
            EXPECT_EQ(kept.color, kept.cleared) << "white texels, GL_SRC_COLOR";
            const RasterImage none = render(GL_ZERO, GL_ONE_MINUS_SRC_COLOR, white);
            EXPECT_EQ(none.color, std::vector<uint8_t>(none.color.size(), 0)) << "white texels, GL_ONE_MINUS_SRC_COLOR";
            const RasterImage one = render(GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA, nullptr);
            EXPECT_EQ(one.color, render(GL_ONE, GL_ZERO, nullptr).color) << "GL_DST_ALPHA as GL_ONE";
            EXPECT_NE(one.color, one.cleared);
            const RasterImage zero = render(GL_ONE_MINUS_DST_ALPHA, GL_DST_ALPHA, nullptr);
            EXPECT_EQ(zero.color, zero.cleared) << "GL_ONE_MINUS_DST_ALPHA as GL_ZERO";
            for (bool dither : {true, false}) {
                const auto ditherOff = [dither] { if (!dither) glDisable(GL_DITHER); };
                EXPECT_EQ(render(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, ditherOff, 1.0f).color,
                          render(GL_ONE, GL_ZERO, ditherOff).color) << "opaque, dither " << dither;
                const RasterImage clear = render(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, ditherOff, 0.0f);
                EXPECT_EQ(clear.color, clear.cleared) << "transparent, dither " << dither;
            }
            const RasterImage failed =
                render(GL_ONE, GL_ONE, [] { glClearDepth(0.25), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_LESS); });
            EXPECT_EQ(failed.color, failed.cleared) << "failing the depth test";
            EXPECT_EQ(failed.depth, std::vector<GLuint>(failed.depth.size(), failed.depth[0]));
            EXPECT_LT(failed.depth[0], 0x50000000u);
        }
}

// Spans of every length from 1 to 70 pixels starting at every lane of a
// group, over every depth kind (a group of 32 starting at any lane of a
// group), wound both ways, whole and cut by the window's edges (blended: only
// the span's pixels of its first and last groups). Tall: the third corner
// lower, so that every triangle's (doubled) area exceeds 50 and the MMX fill,
// not the x86 fill of small triangles, draws it.
std::vector<RasterVertex> spanTriangles(float texScale, bool tall = false) {
    std::vector<RasterVertex> v;
    for (int n = 1; n <= 70; n++) {
        const float x = (float)(n % 11) - 5.25f + (n > 40 ? 22.0f : 0.0f), y = (float)(n % 43) + 0.3f;
        const float h = tall ? std::max(1.6f, 56.0f / ((float)n + 0.25f)) : 1.6f;
        const float s = texScale / 16.0f;
        const RasterVertex a = {x, y, 0.1f, {0.9f, 0.4f, 0.6f, 1}, x * s, y * s, 1};
        const RasterVertex b = {x + (float)n + 0.25f, y + 0.1f, -0.3f, {0.4f, 0.9f, 0.5f, 1}, (x + n) * s, y * s, 1};
        const RasterVertex c = {x + 0.5f * (float)n, y + h, 0.5f, {0.5f, 0.6f, 1.0f, 1}, (x + n / 2) * s,
                                (y + h) * s, 1};
        if (n & 1) v.insert(v.end(), {a, b, c});
        else v.insert(v.end(), {a, c, b});
    }
    return v;
}

TEST(MmxFill, SpansOfEveryLengthAndLane) {
    for (const RasterFormat* f : kMmxFormats)
        for (int c : {0, 1, 2, 9, 15, 17, 30, 34})
            for (int depthBits : kDepthKinds)
                for (bool tall : {false, true}) {
                    RasterScene sc;
                    sc.depthBits = depthBits;
                    sc.width = 75;
                    sc.height = tall ? 50 : 45;
                    sc.state = fillCases()[c].set;
                    sc.between = fillCases()[c].between;
                    sc.vertices = spanTriangles(1.0f, tall);
                    compareAll(*f, sc, std::string(fillCases()[c].name) + (tall ? ", tall" : ""),
                               fillCases()[c].bound);
                }
}

// Twelve right triangles with legs 8 and h, the corners 1/64 above the 1/16
// grid the set-up snaps them to, so that the (doubled) area 8 h is exact;
// the corner above or below, so that spans of one pixel come first or last.
std::vector<RasterVertex> rightTriangles(float h) {
    std::vector<RasterVertex> v;
    for (int i = 0; i < 12; i++) {
        const float x = 2.0f + 11.0f * (float)(i % 6) + 1.0f / 64, y = 10.0f + 20.0f * (float)(i / 6) + 1.0f / 64;
        const float side = i & 2 ? -h : h, k = 0.0371f * (float)i;
        const RasterVertex a = {x, y, 0.1f, {k, 1.0f - k, 0.45f + k / 3, 1}, 0, 0, 1};
        const RasterVertex b = {x + 8.0f, y, 0.2f, {1.0f - k / 2, k, 0.95f - k, 1}, 0, 0, 1};
        const RasterVertex d = {x, y + side, 0.3f, {0.6f - k, 0.1f + k / 2, k, 1}, 0, 0, 1};
        if (i & 1) v.insert(v.end(), {a, b, d});
        else v.insert(v.end(), {a, d, b});
    }
    return v;
}

// Without texture a triangle of (doubled) area at most 50 takes the x86
// fill after the MMX routine: area 50 gives the chain's pixels exactly,
// routine and twin alike; area 50.5 the MMX fill's, which differ from the
// chain's. (The x86 fill takes the colour steps at the first span of more
// than one pixel.)
TEST(MmxFill, SmallTrianglesTakeTheX86Fill) {
    const struct {
        float h;
        bool mmx;
    } cases[] = {{6.25f, false}, {6.3125f, true}};
    for (const RasterFormat* f : kMmxFormats)
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(f->name) + (c.mmx ? ", area 50.5" : ", area 50"));
            RasterScene sc;
            sc.vertices = rightTriangles(c.h);
            const RasterImage gen = rasterRender(*f, sc, PATH_GENERATED, true);
            const RasterImage twin = rasterRender(*f, sc, PATH_TWIN, true);
            const RasterImage cpp = rasterRender(*f, sc, PATH_CPP, true);
            ASSERT_TRUE(gen.mmxFill && twin.mmxFill && gen.drawn);
            EXPECT_EQ(rasterDifference(gen, twin, sc.width, f->bits / 8), "");
            if (c.mmx) EXPECT_NE(rasterDifference(gen, cpp, sc.width, f->bits / 8), "");
            else EXPECT_EQ(rasterDifference(gen, cpp, sc.width, f->bits / 8), "");
        }
}

// The x86 half is made at the first small triangle, into the rest of the
// walker's entry. Without room left there, the triangles it would take go to
// the MMX fill: the entry holds no more than before, and they are drawn near
// the chain's pixels.
GLuint walkerBytes() {
    GlContext* gc = __glCurrentContext();
    GLuint bytes = 0;
    return __glOgCodeOf(gc, GL_OG_CACHE_SPAN, (const void*)gc->procs.spanRoutine, &bytes) ? bytes : 0;
}

TEST(MmxFill, SmallTrianglesWithoutRoomForTheX86Fill) {
    static GLuint filled, after;
    for (const RasterFormat* f : kMmxFormats) {
        SCOPED_TRACE(f->name);
        RasterScene sc;
        sc.state = [] {
            // A large triangle behind the rest makes the walker; then its entry is filled.
            glBegin(GL_TRIANGLES);
            glColor3f(0.2f, 0.4f, 0.6f);
            glVertex3f(-1, -1, 0.9f), glVertex3f(100, -1, 0.9f), glVertex3f(-1, 100, 0.9f);
            glEnd();
            GlContext* gc = __glCurrentContext();
            const void* walker = (const void*)gc->procs.spanRoutine;
            if (!__glOgRecordOf(gc, GL_OG_CACHE_SPAN, walker)) return;
            GlOgClaim c;
            __glOgReopen(gc, GL_OG_CACHE_SPAN, walker, &c);
            GlOgAsm A;
            A.begin(gc, c.code, c.end);
            while (c.end - A.out > 64) A.Nop();
            __glOgGrown(&c, &A);
            filled = walkerBytes();
        };
        sc.between = [] { after = walkerBytes(); };  // the second pass fails the depth test
        sc.vertices = rightTriangles(6.25f);  // doubled area 50
        filled = after = 0;
        const RasterImage gen = rasterRender(*f, sc, PATH_GENERATED, true);
        EXPECT_NE(filled, 0u);
        EXPECT_EQ(after, filled) << "nothing added to the entry";
        const RasterImage cpp = rasterRender(*f, sc, PATH_CPP, true);
        ASSERT_TRUE(gen.mmxFill && gen.drawn);
        int worst = 0;
        EXPECT_EQ(rasterNearby(gen, cpp, *f, sc.width, 1, &worst), "");
    }
}

// Slivers 1 to 3 pixels wide over the upper rows, then a cover over the
// whole window: rows of whole blocks of 32 pixels where every lane passes
// the depth test (below the slivers) and where lanes at every place of a
// block fail or pass alone (across them). The slivers lie off the cover's
// plane by less than the depth of one group's step, nearer and farther.
std::vector<RasterVertex> sliverScene(int width, int height) {
    std::vector<RasterVertex> v;
    const auto quad = [&v](float x0, float y0, float x1, float y1, float z0, float z1, float r) {
        const RasterVertex a = {x0, y0, z0, {r, 0.3f, 0.7f, 1}, x0 / 16, y0 / 16, 1};
        const RasterVertex b = {x1, y0, z1, {0.2f, r, 0.5f, 1}, x1 / 16, y0 / 16, 1};
        const RasterVertex c = {x1, y1, z1, {0.6f, 0.4f, r, 1}, x1 / 16, y1 / 16, 1};
        const RasterVertex d = {x0, y1, z0, {r, r, 0.2f, 1}, x0 / 16, y1 / 16, 1};
        v.insert(v.end(), {a, b, c, a, c, d});
    };
    const float left = -1.5f, right = (float)width + 1.5f;
    const auto plane = [&](float x) { return 0.1f + 0.2f * (x - left) / (right - left); };
    for (int k = 0; k < 48; k++) {
        const float x = (float)((k * 37) % (width - 4)), w = (float)(1 + k % 3), off = k & 1 ? 0.002f : -0.002f;
        quad(x, (float)(k % 5), x + w, (float)(height / 2 + k % 7), plane(x) + off, plane(x + w) + off, 0.9f);
    }
    quad(left, -1.5f, right, (float)height + 1.5f, plane(left), plane(right), 0.5f);
    return v;
}

// The block of eight groups that tests its 32 depths at once (16-bit
// words, and 32-bit values biased both ways): against the twin and the chain
// under every depth function, untextured, modulated and (16-bit words, whose
// textured test works in the blue lanes' register) replaced; blended, the
// groups some of whose lanes fail.
TEST(MmxFill, BlocksOfThirtyTwoPixelsWithFailingLanes) {
    for (const RasterFormat* f : kMmxFormats)
        for (int c : {0, 4, 5, 6, 9, 10, 11, 12, 13, 15, 21, 31, 32, 36})
            for (int depthBits : kDepthKinds)
                for (GLenum env : {GL_NONE, GL_MODULATE, GL_REPLACE}) {
                    if (env == GL_REPLACE && depthBits != 16) continue;
                    RasterScene sc;
                    sc.depthBits = depthBits;
                    sc.width = 161;
                    sc.height = 20;
                    sc.texCoords = env != GL_NONE;
                    const auto set = fillCases()[c].set;
                    sc.state = [set, env] {
                        if (env != GL_NONE) {
                            std::vector<GLubyte> img(16 * 16 * 3);
                            for (size_t i = 0; i < img.size(); i++) img[i] = (GLubyte)(i * 37 + i / 48);
                            nearestRgbTexture(16, 16, img, env, GL_DONT_CARE);
                        }
                        if (set) set();
                    };
                    sc.between = fillCases()[c].between;
                    sc.vertices = sliverScene(sc.width, sc.height);
                    const char* name = env == GL_MODULATE ? ", modulated" : env == GL_REPLACE ? ", replaced" : "";
                    compareAll(*f, sc, std::string(fillCases()[c].name) + name,
                               env != GL_NONE ? std::max(2, fillCases()[c].bound) : fillCases()[c].bound);
                }
}

// Textures the fill reads: the level's stored format (a palette's for an
// index texture) and the environments it takes.
struct TexCase {
    const char* name;
    GLenum internalFormat, format;   // GL_COLOR_INDEX: 8-bit indexes into a palette of paletteFormat
    GLenum paletteFormat;
    GLenum env;
    GLenum blendSrc = 0, blendDst = 0;  // blending on when set
};

const TexCase kTexCases[] = {
    {"RGB modulate", GL_RGB, GL_RGB, 0, GL_MODULATE},
    {"RGB replace", GL_RGB, GL_RGB, 0, GL_REPLACE},
    {"RGB decal", GL_RGB, GL_RGB, 0, GL_DECAL},
    {"RGBA modulate", GL_RGBA, GL_RGBA, 0, GL_MODULATE},
    {"RGBA replace", GL_RGBA, GL_RGBA, 0, GL_REPLACE},
    {"luminance modulate", GL_LUMINANCE, GL_LUMINANCE, 0, GL_MODULATE},
    {"luminance alpha replace", GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, 0, GL_REPLACE},
    {"intensity modulate", GL_INTENSITY, GL_LUMINANCE, 0, GL_MODULATE},
    {"RGBA palette modulate", GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_RGBA, GL_MODULATE},
    {"RGB palette replace", GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_RGB, GL_REPLACE},
    {"luminance palette modulate", GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_LUMINANCE, GL_MODULATE},
    {"RGBA modulate, blend", GL_RGBA, GL_RGBA, 0, GL_MODULATE, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
    {"RGBA replace, blend", GL_RGBA, GL_RGBA, 0, GL_REPLACE, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
    {"RGB replace, blend", GL_RGB, GL_RGB, 0, GL_REPLACE, GL_SRC_ALPHA, GL_ONE},
    {"RGB modulate, blend", GL_RGB, GL_RGB, 0, GL_MODULATE, GL_DST_COLOR, GL_ZERO},
    {"luminance alpha modulate, blend", GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, 0, GL_MODULATE,
     GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA},
    {"intensity replace, blend", GL_INTENSITY, GL_LUMINANCE, 0, GL_REPLACE, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
    {"RGBA palette modulate, blend", GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_RGBA, GL_MODULATE, GL_SRC_ALPHA, GL_ONE},
    {"luminance alpha palette replace, blend", GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, GL_LUMINANCE_ALPHA, GL_REPLACE,
     GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
};

void loadTexture(const TexCase& k, int side, bool perspective, GLenum filter = GL_NEAREST) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const int comps = k.format == GL_RGBA ? 4 : k.format == GL_RGB ? 3 : k.format == GL_LUMINANCE_ALPHA ? 2 : 1;
    const std::vector<GLubyte> img = gltestNoise((size_t)side * side * comps, 31u);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)k.internalFormat, side, side, 0, k.format, GL_UNSIGNED_BYTE, img.data());
    if (k.paletteFormat) {
        const int pc = k.paletteFormat == GL_RGBA ? 4 : k.paletteFormat == GL_RGB ? 3
                       : k.paletteFormat == GL_LUMINANCE_ALPHA ? 2 : 1;
        const std::vector<GLubyte> palette = gltestNoise(256 * (size_t)pc, 5u);
        glColorTableEXT(GL_TEXTURE_2D, k.paletteFormat, 256, k.paletteFormat, GL_UNSIGNED_BYTE, palette.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, perspective ? GL_NICEST : GL_FASTEST);
    glEnable(GL_TEXTURE_2D);
    if (k.blendSrc) glEnable(GL_BLEND), glBlendFunc(k.blendSrc, k.blendDst);
}

// Every texture case over the formats, with and without perspective and
// dither; off the texel grid also flat, and with q varying (with and
// without the depth test: the group loop in eight copies or four; over
// 32- and 24-bit depth values).
void textureCases(bool onGrid) {
    for (const RasterFormat* f : kMmxFormats)
        for (const TexCase& t : kTexCases)
            for (int variant = 0; variant < (onGrid ? 4 : 9); variant++) {
                const bool perspective = (variant & 1) || variant >= 6, dither = variant < 2 || variant >= 5;
                const bool flat = variant == 3, varyingQ = variant >= 4, noDepth = variant == 6;
                RasterScene sc;
                sc.depthBits = variant == 7 ? 32 : variant == 8 ? 24 : 16;
                sc.texCoords = true;
                sc.state = [&t, onGrid, perspective, dither, flat, noDepth] {
                    loadTexture(t, onGrid ? 16 : 32, perspective);
                    if (!dither) glDisable(GL_DITHER);
                    if (flat) glShadeModel(GL_FLAT);
                    if (noDepth) glDisable(GL_DEPTH_TEST);
                };
                if (onGrid) {
                    sc.width = 75;
                    sc.vertices = spanTriangles(1.0f);
                } else {
                    sc.vertices = rasterRandomTriangles(23, 12, sc.width, sc.height);
                    if (!varyingQ)
                        for (RasterVertex& v : sc.vertices) v.s /= v.q, v.t /= v.q, v.q = 1.0f;
                }
                const int bound = !onGrid ? -1 : t.blendSrc ? 2 : 1;
                compareAll(*f, sc, std::string(t.name) + (perspective ? ", perspective" : "") +
                                       (dither ? "" : ", no dither") + (flat ? ", flat" : "") +
                                       (varyingQ ? ", q varying" : "") + (noDepth ? ", no depth test" : ""), bound);
            }
}

// Random triangles with random texture coordinates: colours against the twin
// only (off the texel grid the fill's 16-bit s and t lanes choose the
// chain's texels only near), depth and the pixels drawn against the chain.
TEST(MmxFill, TexturesOffTheTexelGrid) { textureCases(false); }

// On the texel grid (a texel a pixel, pixel centres on texel centres) the
// fill reads the chain's texels: colours near the chain's.
TEST(MmxFill, TexturesOnTheTexelGrid) { textureCases(true); }

// Levels wider than tall and taller than wide: s and t lanes of their own
// (a square level keeps them interleaved), against the twin, and the depth
// and the pixels drawn against the chain.
TEST(MmxFill, LevelsOfUnequalSides) {
    const int sides[][2] = {{32, 8}, {8, 64}};
    for (const RasterFormat* f : kMmxFormats)
        for (const auto& side : sides)
            for (GLenum env : {GL_MODULATE, GL_REPLACE})
                for (bool perspective : {false, true}) {
                    RasterScene sc;
                    sc.texCoords = true;
                    const int w = side[0], h = side[1];
                    sc.state = [w, h, env, perspective] {
                        const std::vector<GLubyte> img = gltestNoise((size_t)w * h * 3, 17u);
                        nearestRgbTexture(w, h, img, env, perspective ? GL_NICEST : GL_FASTEST);
                    };
                    sc.vertices = rasterRandomTriangles(29, 12, sc.width, sc.height);
                    if (!perspective)
                        for (RasterVertex& v : sc.vertices) v.s /= v.q, v.t /= v.q, v.q = 1.0f;
                    compareAll(*f, sc, std::to_string(w) + "x" + std::to_string(h) + (env == GL_MODULATE ? " modulate" : " replace") +
                                           (perspective ? ", perspective" : ""), -1);
                }
}

// The triangles drawn again over another texture of the same size and
// format (the same routine): its texels, not the first one's. RGB texels
// are addressed through the routine's own displacements, which the next
// triangle after the change rewrites.
TEST(MmxFill, AnotherTextureOfTheSameState) {
    for (const RasterFormat* f : kMmxFormats)
        for (GLenum format : {GL_RGB, GL_RGBA})
            for (int side : {32, 256}) {
                RasterScene sc;
                sc.texCoords = true;
                const int comps = format == GL_RGB ? 3 : 4;
                sc.state = [format, side, comps] {
                    for (GLuint name : {2u, 1u}) {
                        glBindTexture(GL_TEXTURE_2D, name);
                        const std::vector<GLubyte> img = gltestNoise((size_t)side * side * comps, 50u + name);
                        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                        glTexImage2D(GL_TEXTURE_2D, 0, (GLint)format, side, side, 0, format, GL_UNSIGNED_BYTE, img.data());
                        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
                    }
                    glEnable(GL_TEXTURE_2D);
                    glDepthFunc(GL_LEQUAL);
                };
                sc.between = [] { glBindTexture(GL_TEXTURE_2D, 2); };
                sc.vertices = rasterRandomTriangles(37, 6, sc.width, sc.height);
                for (RasterVertex& v : sc.vertices) v.s /= v.q, v.t /= v.q, v.q = 1.0f;
                compareAll(*f, sc, std::string(format == GL_RGB ? "RGB " : "RGBA ") + std::to_string(side), -1);
            }
}

// q varying along x only, s along x and t/q constant: every row of a
// triangle starts its span at the window's edge with the same steps, which
// the fill then takes from its scratch (after the previous row's sub-spans
// changed the lanes' steps).
TEST(MmxFill, PerspectiveRowsOfEqualSteps) {
    for (const RasterFormat* f : kMmxFormats) {
        RasterScene sc;
        sc.texCoords = true;
        sc.state = [] {
            const std::vector<GLubyte> img = gltestNoise(32 * 32 * 3, 41u);
            nearestRgbTexture(32, 32, img, GL_MODULATE, GL_NICEST);
        };
        const float left = -1.0f, right = (float)sc.width + 1.0f, bottom = -1.0f, top = (float)sc.height + 1.0f;
        const auto at = [](float x, float y, float q, float s) {
            return RasterVertex{x, y, 0.2f, {0.9f, 0.7f, 0.8f, 1}, s * q, 0.5f * q, q};
        };
        const RasterVertex a = at(left, bottom, 1.0f, 0.0f), b = at(right, bottom, 4.0f, 3.0f);
        const RasterVertex c = at(right, top, 4.0f, 3.0f), d = at(left, top, 1.0f, 0.0f);
        sc.vertices = {a, b, c, a, c, d};
        compareAll(*f, sc, "rows of equal steps", -1);
    }
}

// A 16 x 16 gradient (red along s, green along t in steps of 16), replacing,
// with perspective.
void gradientTexture() {
    std::vector<GLubyte> img(16 * 16 * 3);
    for (int t = 0; t < 16; t++)
        for (int s = 0; s < 16; s++) {
            GLubyte* p = &img[(t * 16 + s) * 3];
            p[0] = (GLubyte)(s * 16), p[1] = (GLubyte)(t * 16), p[2] = 128;
        }
    nearestRgbTexture(16, 16, img, GL_REPLACE, GL_NICEST);
}

// q varying along y only: each row's span has a q of its own, constant along
// it, and its own s and t steps (the walker keeps a span's steps for the next
// only when its q is the same). Near the chain as on the gradient below.
TEST(MmxFill, PerspectiveRowsOfTheirOwnQ) {
    for (const RasterFormat* f : kMmxFormats) {
        RasterScene sc;
        sc.texCoords = true;
        sc.state = gradientTexture;
        const float w = (float)sc.width, h = (float)sc.height;
        const auto at = [w, h](float x, float y, float q) {
            return RasterVertex{x, y, 0.2f, {0.9f, 0.7f, 0.8f, 1}, x / w * 0.9f * q, y / h * 0.9f * q, q};
        };
        const RasterVertex a = at(-1.0f, -1.0f, 1.0f), b = at(w + 1.0f, -1.0f, 1.0f);
        const RasterVertex c = at(w + 1.0f, h + 1.0f, 4.0f), d = at(-1.0f, h + 1.0f, 4.0f);
        sc.vertices = {a, b, c, a, c, d};
        compareAll(*f, sc, "rows of their own q", f->bits == 8 ? 1 : f->masks ? 5 : 3, 17);
    }
}

// Perspective with q varying: the fill divides at its own sub-spans and the
// chain at its runs of 16, each stepping linearly between, so a pixel's
// texel is the chain's or its neighbour. On a gradient of 16 levels a texel
// (red along s, green along t) that is one step of 2^(n - 4) in an n-bit
// field, one more for the rounding.
TEST(MmxFill, PerspectiveSubSpansNearTheChain) {
    for (const RasterFormat* f : kMmxFormats) {
        RasterScene sc;
        sc.texCoords = true;
        sc.state = gradientTexture;
        sc.vertices = rasterRandomTriangles(23, 12, sc.width, sc.height);
        for (RasterVertex& v : sc.vertices) v.s = v.x / sc.width * 0.9f * v.q, v.t = v.y / sc.height * 0.9f * v.q;
        compareAll(*f, sc, "perspective gradient", f->bits == 8 ? 1 : f->masks ? 5 : 3, 17);
    }
}

// ---- Bilinear texels.

// The texture cases the bilinear fill takes: RGB and RGBA levels.
bool bilinearCase(const TexCase& t) { return t.format == GL_RGB || t.format == GL_RGBA; }

// Every bilinear texture case over the formats: off the texel grid (random
// triangles, perspective, q varying, over each depth kind) against the twin,
// depth and pixels drawn against the chain; on the grid (a texel a pixel,
// pixel centres on texel centres: the weights are 0 and the four texels the
// chain's) colours near the chain's.
void bilinearCases(bool onGrid) {
    for (const RasterFormat* f : kMmxFormats)
        for (const TexCase& t : kTexCases)
            for (int variant = 0; variant < (onGrid ? 4 : 8) && bilinearCase(t); variant++) {
                const bool perspective = (variant & 1) || variant >= 5, dither = variant < 2 || variant >= 5;
                const bool flat = variant == 3, varyingQ = variant >= 4;
                RasterScene sc;
                sc.depthBits = variant == 6 ? 32 : variant == 7 ? 24 : 16;
                sc.texCoords = true;
                sc.state = [&t, onGrid, perspective, dither, flat] {
                    loadTexture(t, onGrid ? 16 : 32, perspective, GL_LINEAR);
                    if (!dither) glDisable(GL_DITHER);
                    if (flat) glShadeModel(GL_FLAT);
                };
                if (onGrid) {
                    sc.width = 75;
                    sc.vertices = spanTriangles(1.0f);
                } else {
                    sc.vertices = rasterRandomTriangles(41, 12, sc.width, sc.height);
                    if (!varyingQ)
                        for (RasterVertex& v : sc.vertices) v.s /= v.q, v.t /= v.q, v.q = 1.0f;
                }
                const int bound = !onGrid ? -1 : t.blendSrc ? 2 : 1;
                compareAll(*f, sc, std::string(t.name) + ", bilinear" + (perspective ? ", perspective" : "") +
                                       (dither ? "" : ", no dither") + (flat ? ", flat" : "") +
                                       (varyingQ ? ", q varying" : ""), bound);
            }
}

TEST(MmxFill, BilinearTexturesOffTheTexelGrid) { bilinearCases(false); }
TEST(MmxFill, BilinearTexturesOnTheTexelGrid) { bilinearCases(true); }

// A gradient of 16 x 16 texels (red along s, green along t) inside one
// repeat, so that no mix wraps: the fill's 16-bit lanes and 8-bit weights
// against the chain's 16.16 coordinates, a few steps of the field apart
// wherever the triangles lie, affine, in perspective and with q varying.
TEST(MmxFill, BilinearGradientNearTheChain) {
    for (const RasterFormat* f : kMmxFormats)
        for (int variant = 0; variant < 3; variant++) {
            RasterScene sc;
            sc.texCoords = true;
            sc.state = [variant] {
                gradientTexture();
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                glHint(GL_PERSPECTIVE_CORRECTION_HINT, variant ? GL_NICEST : GL_FASTEST);
            };
            sc.vertices = rasterRandomTriangles(53, 12, sc.width, sc.height);
            for (RasterVertex& v : sc.vertices) {
                if (variant < 2) v.q = 1.0f;
                v.s = (0.05f + v.x / sc.width * 0.9f) * v.q, v.t = (0.05f + v.y / sc.height * 0.9f) * v.q;
            }
            compareAll(*f, sc, variant == 0 ? "bilinear gradient" : variant == 1 ? "bilinear gradient, perspective"
                                                                                   : "bilinear gradient, q varying",
                       f->bits == 8 ? 1 : 2);
        }
}

// Levels of unequal sides and of one texel's width or height: the columns
// and rows wrap at their own sizes.
TEST(MmxFill, BilinearLevelsOfUnequalSides) {
    const int sides[][2] = {{32, 8}, {8, 64}, {1, 16}, {16, 1}, {256, 4}};
    for (const RasterFormat* f : kMmxFormats)
        for (const auto& side : sides)
            for (GLenum env : {GL_MODULATE, GL_REPLACE}) {
                RasterScene sc;
                sc.texCoords = true;
                const int w = side[0], h = side[1];
                sc.state = [w, h, env] {
                    const std::vector<GLubyte> img = gltestNoise((size_t)w * h * 3, 19u);
                    nearestRgbTexture(w, h, img, env, GL_FASTEST);
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                };
                sc.vertices = rasterRandomTriangles(43, 12, sc.width, sc.height);
                for (RasterVertex& v : sc.vertices) v.s /= v.q, v.t /= v.q, v.q = 1.0f;
                compareAll(*f, sc, std::to_string(w) + "x" + std::to_string(h) + " bilinear" +
                                       (env == GL_MODULATE ? " modulate" : " replace"), -1);
            }
}

// A 2 x 2 level magnified 16 times over the window, replaced, without
// dither: each pixel is GL's bilinear mix of the four texels (repeated) at
// its centre, within a step of the field, 2.5 of a byte (the 8-bit weights
// and the field's truncation), so that a weight taken from the wrong
// fraction, the wrong corner or a wrong wrap shows.
TEST(MmxFill, BilinearWeightsOfAMagnifiedLevel) {
    const GLubyte texels[2][2][3] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};
    for (const RasterFormat* f : kMmxFormats) {
        RasterScene sc;
        sc.width = 64, sc.height = 48;
        sc.texCoords = true;
        sc.state = [&texels] {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
            glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
            glEnable(GL_TEXTURE_2D);
            glDisable(GL_DITHER);
        };
        // s = x / 32 and t = y / 32 texture widths: 16 pixels a texel.
        const float w = (float)sc.width, h = (float)sc.height;
        const auto at = [](float x, float y) { return RasterVertex{x, y, 0.5f, {1, 1, 1, 1}, x / 32, y / 32, 1}; };
        const RasterVertex a = at(0, 0), b = at(w, 0), c = at(w, h), d = at(0, h);
        sc.vertices = {a, b, c, a, c, d};
        for (RasterPath path : {PATH_GENERATED, PATH_TWIN}) {
            SCOPED_TRACE(std::string(f->name) + (path == PATH_TWIN ? ", twin" : ", routine"));
            const RasterImage im = rasterRender(*f, sc, path, true);
            ASSERT_TRUE(im.mmxFill);
            const RasterFields fields = rasterFields(*f);
            const int* bits = fields.bits, *pos = fields.pos;
            int bad = 0;
            double worst = 0;
            for (int y = 0; y < sc.height; y++)
                for (int x = 0; x < sc.width; x++) {
                    // GL: u = s x 2 - 1/2 texels, the mix of columns floor(u) and floor(u) + 1 (mod 2).
                    const double u = (x + 0.5) / 16.0 - 0.5, v = (y + 0.5) / 16.0 - 0.5;
                    const int i0 = (int)floor(u), j0 = (int)floor(v);
                    const double a = u - i0, b = v - j0;
                    const GLuint pixel = rasterPixel(im, *f, sc.width, x, y);
                    for (int ch = 0; ch < 3; ch++) {
                        const auto tx = [&](int i, int j) { return texels[j & 1][i & 1][ch] / 255.0; };
                        const double g = (1 - a) * (1 - b) * tx(i0, j0) + a * (1 - b) * tx(i0 + 1, j0) +
                                         (1 - a) * b * tx(i0, j0 + 1) + a * b * tx(i0 + 1, j0 + 1);
                        const int m = (1 << bits[ch]) - 1, got = (int)(pixel >> pos[ch]) & m;
                        worst = std::max(worst, fabs(got - g * m));
                        if (fabs(got - g * m) > (m == 255 ? 2.5 : 1.0) && bad++ < 3)
                            ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << ch << ": " << got
                                          << " for " << g * m;
                    }
                }
            EXPECT_EQ(bad, 0);
            if (getenv("RASTER_WORST")) printf("worst %.2f %s\n", worst, f->name);
        }
    }
}

// Without the MMX extensions (pmulhuw, pshufw and the rest) the fill takes
// no bilinear texture: the chain draws it.
TEST(MmxFill, BilinearTexelsNeedTheMmxExtensions) {
    const GLint saved = __glOgHasMmxExt;
    for (GLint ext : {1, 0}) {
        SCOPED_TRACE(ext ? "extensions" : "no extensions");
        __glOgHasMmxExt = ext;
        RasterScene sc;
        sc.texCoords = true;
        sc.state = [] { loadTexture(kTexCases[0], 16, false, GL_LINEAR); };
        sc.vertices = rasterRandomTriangles(47, 4, sc.width, sc.height);
        const RasterImage im = rasterRender(*kMmxFormats[0], sc, PATH_GENERATED, true);
        EXPECT_TRUE(im.drawn);
        EXPECT_EQ(im.mmxFill, ext != 0);
    }
    __glOgHasMmxExt = saved;
}

// ---- Mipmaps.

const GLenum kMipFilters[] = {GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST_MIPMAP_LINEAR,
                              GL_LINEAR_MIPMAP_LINEAR};
const char* mipName(GLenum min) {
    switch (min) {
    case GL_NEAREST_MIPMAP_NEAREST: return "NEAREST_MIPMAP_NEAREST";
    case GL_LINEAR_MIPMAP_NEAREST: return "LINEAR_MIPMAP_NEAREST";
    case GL_NEAREST_MIPMAP_LINEAR: return "NEAREST_MIPMAP_LINEAR";
    default: return "LINEAR_MIPMAP_LINEAR";
    }
}

// Every level of a width x height texture of `format` (3 or 4 bytes a
// texel) from level(d, x, y, channel), under min and mag, perspective-correct.
void mipmappedTexture(int width, int height, GLenum format, GLenum min, GLenum mag, GLenum env,
                      const std::function<GLubyte(int, int, int, int)>& level) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const int comps = format == GL_RGBA ? 4 : 3;
    for (int d = 0, w = width, h = height;; d++, w = std::max(1, w / 2), h = std::max(1, h / 2)) {
        std::vector<GLubyte> img((size_t)w * h * comps);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                for (int c = 0; c < comps; c++) img[((size_t)y * w + x) * comps + c] = level(d, x, y, c);
        glTexImage2D(GL_TEXTURE_2D, d, (GLint)format, w, h, 0, format, GL_UNSIGNED_BYTE, img.data());
        if (w == 1 && h == 1) break;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)min);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)mag);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
}

// Noise of its own on each level.
GLubyte noiseTexel(int d, int x, int y, int c) {
    return (GLubyte)(((GLuint)x * 73856093u ^ (GLuint)y * 19349663u ^ (GLuint)(d * 4 + c) * 83492791u) >> 13);
}

// Every mipmap filter beside either magnification filter, RGB and RGBA,
// modulated and replaced, square and of unequal sides, over random
// triangles whose scales pass from magnified to the last level, with q
// constant and varying: the routine and its twin identical, depth and the
// pixels drawn as the chain's.
TEST(MmxFill, MipmapFilters) {
    for (const RasterFormat* f : kMmxFormats)
        for (GLenum min : kMipFilters)
            for (GLenum mag : {GL_NEAREST, GL_LINEAR})
                for (int variant = 0; variant < 6; variant++) {
                    const GLenum format = variant & 1 ? GL_RGBA : GL_RGB, env = variant & 2 ? GL_REPLACE : GL_MODULATE;
                    const int width = 32, height = variant >= 4 ? 8 : 32;
                    for (bool varyingQ : {false, true}) {
                        RasterScene sc;
                        sc.texCoords = true;
                        sc.state = [=] { mipmappedTexture(width, height, format, min, mag, env, noiseTexel); };
                        sc.vertices = rasterRandomTriangles(59, 12, sc.width, sc.height);
                        for (size_t i = 0; i < sc.vertices.size(); i++) {
                            RasterVertex& v = sc.vertices[i];
                            // Scales from about a texel a pixel to a whole texture a pixel.
                            const float k = 0.02f * (float)(1 << (i / 3 % 6));
                            if (!varyingQ) v.q = 1.0f;
                            v.s = v.x * k * v.q, v.t = v.y * k * v.q;
                        }
                        compareAll(*f, sc, std::string(mipName(min)) + (mag == GL_LINEAR ? ", mag LINEAR" : "") +
                                               (format == GL_RGBA ? ", RGBA" : ", RGB") +
                                               (env == GL_REPLACE ? ", replace" : ", modulate") +
                                               (height != width ? ", 32 x 8" : "") +
                                               (varyingQ ? ", q varying" : ""), -1);
                    }
                }
}

// Levels of one colour each (a wrong level or blend weight shows) on a quad
// over the window at known scales: texels a pixel rho, the level of detail
// lambda half the log2 of rho^2 with the mantissa as a linear fraction. The
// nearest-level filters take level floor(lambda + 1/2) rounded down at a
// half (0 when magnified), the linear ones blend floor(lambda) and the next
// by its fraction (the last level past it); replaced, without dither, each
// pixel within a step of the field of that colour (2.5 of a byte).
TEST(MmxFill, MipmapLevelsAtKnownScales) {
    const GLubyte tint[7][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0},
                                {0, 255, 255}, {255, 0, 255}, {128, 128, 128}};
    const float scales[] = {0.5f, 1.0f, 1.25f, 1.5f, 2.0f, 2.5f, 3.0f, 6.0f, 20.0f, 100.0f};
    const int side = 64;
    for (const RasterFormat* f : kMmxFormats)
        for (GLenum min : kMipFilters)
            for (float rho : scales) {
                RasterScene sc;
                sc.width = 40, sc.height = 24;
                sc.texCoords = true;
                sc.state = [&tint, min] {
                    mipmappedTexture(side, side, GL_RGB, min, GL_NEAREST, GL_REPLACE,
                                     [&tint](int d, int, int, int c) { return tint[d][c]; });
                    glDisable(GL_DITHER);
                };
                const float w = (float)sc.width + 2, h = (float)sc.height + 2, k = rho / side;
                const auto at = [k](float x, float y) { return RasterVertex{x, y, 0.5f, {1, 1, 1, 1}, x * k, y * k, 1}; };
                const RasterVertex a = at(-1, -1), b = at(w, -1), c = at(w, h), d = at(-1, h);
                sc.vertices = {a, b, c, a, c, d};
                // lambda from the float's bits of rho^2: (exponent + mantissa) / 2.
                const float L = rho * rho;
                GLuint bits;
                memcpy(&bits, &L, 4);
                const double lambda = ((double)(bits >> 23) - 127.0 + (double)(bits & 0x7FFFFF) / 8388608.0) / 2.0;
                double mix[7] = {};
                const bool linear = min == GL_NEAREST_MIPMAP_LINEAR || min == GL_LINEAR_MIPMAP_LINEAR;
                if (!(L > 1.0f)) mix[0] = 1;
                else if (!linear) mix[std::min(6, (int)ceil(lambda + 0.5) - 1)] = 1;
                else if (lambda >= 6) mix[6] = 1;
                else {
                    const int lo = (int)floor(lambda);
                    mix[lo + 1] = lambda - lo, mix[lo] = 1 - (lambda - lo);
                }
                for (RasterPath path : {PATH_GENERATED, PATH_TWIN}) {
                    SCOPED_TRACE(std::string(f->name) + ", " + mipName(min) + ", rho " + std::to_string(rho) +
                                 (path == PATH_TWIN ? ", twin" : ", routine"));
                    const RasterImage im = rasterRender(*f, sc, path, true);
                    ASSERT_TRUE(im.mmxFill);
                    const RasterFields fields = rasterFields(*f);
                    const int* bits = fields.bits, *pos = fields.pos;
                    int bad = 0;
                    double worst = 0;
                    for (int y = 0; y < sc.height; y++)
                        for (int x = 0; x < sc.width; x++) {
                            const GLuint pixel = rasterPixel(im, *f, sc.width, x, y);
                            for (int ch = 0; ch < 3; ch++) {
                                double g = 0;
                                for (int d = 0; d < 7; d++) g += mix[d] * tint[d][ch] / 255.0;
                                const int m = (1 << bits[ch]) - 1, got = (int)(pixel >> pos[ch]) & m;
                                // The 8-bit fraction of lambda and the field's truncation: a step and a little.
                                worst = std::max(worst, fabs(got - g * m));
                                if (fabs(got - g * m) > (m == 255 ? 2.5 : 1.1) && bad++ < 3)
                                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << ch << ": " << got
                                                  << " for " << g * m;
                            }
                        }
                    EXPECT_EQ(bad, 0);
                    if (getenv("RASTER_WORST")) printf("worst %.2f %s\n", worst, f->name);
                }
            }
}

// ---- A processor with MMX alone.

// The op codes the generators write (the encoder's hook), in order.
std::vector<GLuint>* writtenOps;
void noteOp(GlContext*, const uint8_t*, const uint8_t*, GLuint op, const GlOgNode*, const GlOgNode*) {
    writtenOps->push_back(op);
}
bool usesMmxExtensions(const std::vector<GLuint>& ops) {
    for (GLuint op : ops)
        if (op == GL_OG_Pshufw0 || op == GL_OG_Pshufw1 || (op >= GL_OG_Pextrw0 && op <= GL_OG_Pextrw3) ||
            op == GL_OG_Pmulhuw || op == GL_OG_Pminub || op == GL_OG_Pminsw || op == GL_OG_Maskmovq)
            return true;
    return false;
}

// Where MMX is present without the MMX extensions (an MMX processor without
// SSE faults on pshufw, pextrw, pmulhuw, pminub, pminsw and maskmovq) no generated
// routine uses them: the x86 fill and the MMX depth stage draw, with the same
// pixels as without MMX. With the extensions the MMX fill writes them.
TEST(MmxFill, MmxAloneWritesNoMmxExtensions) {
    const GLint saved = __glOgHasMmxExt;
    std::vector<GLuint> ops;
    writtenOps = &ops;
    struct Case {
        const char* what;
        std::function<void()> state;
        bool textured;
    };
    const Case cases[] = {
        {"smooth", [] {}, false},
        {"depth GREATER, no dither", [] { glClearDepth(0.0), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GREATER), glDisable(GL_DITHER); }, false},
        {"blend", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }, false},
        {"RGB modulate", [] { loadTexture(kTexCases[0], 16, false); }, true},
        {"RGBA modulate, perspective", [] { loadTexture(kTexCases[3], 16, true); }, true},
        {"RGB palette replace", [] { loadTexture(kTexCases[9], 16, false); }, true},
        {"RGBA modulate, blend", [] { loadTexture(kTexCases[11], 16, false); }, true},
        {"RGB bilinear", [] { loadTexture(kTexCases[0], 16, false, GL_LINEAR); }, true},
    };
    for (const RasterFormat* f : kMmxFormats)
        for (const Case& c : cases)
            for (int depthBits : {16, 32}) {
                SCOPED_TRACE(std::string(f->name) + ", " + c.what + ", depth " + std::to_string(depthBits));
                RasterScene sc;
                sc.depthBits = depthBits;
                sc.texCoords = c.textured;
                sc.state = c.state;
                sc.vertices = rasterRandomTriangles(23, 6, sc.width, sc.height);
                for (GLint ext : {1, 0}) {
                    __glOgHasMmxExt = ext;
                    ops.clear();
                    __glOgEncodeHook = noteOp;
                    const RasterImage im = rasterRender(*f, sc, PATH_GENERATED, true);
                    __glOgEncodeHook = nullptr;
                    EXPECT_TRUE(im.drawn);
                    EXPECT_EQ(usesMmxExtensions(ops), ext != 0) << (ext ? "extensions" : "MMX alone");
                    EXPECT_EQ(im.mmxFill, ext != 0);
                    if (!ext) {
                        const RasterImage without = rasterRender(*f, sc, PATH_GENERATED, false);
                        EXPECT_EQ(rasterDifference(im, without, sc.width, f->bits / 8), "") << "against no MMX";
                    }
                }
            }
    writtenOps = nullptr;
    __glOgHasMmxExt = saved;
}

}  // namespace
