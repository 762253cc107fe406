// The fast span chain against the generic span lists: the same random
// triangles drawn through both paths, over every RGBA DIB format and colour
// index 8, for each combination of state the chain picker tells apart.
//
// Precision of the fast path: colours are 16.16 fixed point stepped per pixel
// where the generic path interpolates floats, so a channel may differ by 1 LSB
// of its field; where the chain multiplies bytes through the square table
// (blend, fog) by 2 LSB, and by 4 in 8-bit fields, where the two floored
// products of a blend show. Depth and stencil values, and the set of pixels
// written (coverage), are identical. Each comparison runs on the generated
// chain and on the C++ set-up and stages alone.

#include <random>
#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"

namespace {

const int W = 70, H = 45;

typedef GltestDibFormat Format;
const auto& kFormats = gltestDibFormats;

struct Vertex {
    float x, y, z, c[4];
};

// Random triangles over and past the window; colours keep every channel
// above the background (so coverage shows in the pixels); with flatAlpha the
// three vertices of a triangle share one alpha (the alpha test then sees the
// same value on both paths).
std::vector<Vertex> randomTriangles(unsigned seed, int count, bool flatAlpha) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> px(-10.0f, W + 10.0f), py(-10.0f, H + 10.0f), pz(-0.9f, 0.9f),
        pc(0.45f, 1.0f), pa(0.0f, 1.0f);
    std::vector<Vertex> v;
    for (int t = 0; t < count; ++t) {
        const float alpha = pa(rng);
        for (int k = 0; k < 3; ++k) {
            Vertex q{px(rng), py(rng), pz(rng), {pc(rng), pc(rng), pc(rng), flatAlpha ? alpha : pa(rng)}};
            v.push_back(q);
        }
    }
    return v;
}

// glIndexFuncQTA, as an application finds it.
void indexFunc(GLenum func, GLclampf ref) {
    typedef void(APIENTRY * IndexFuncProc)(GLenum, GLclampf);
    static const IndexFuncProc proc = (IndexFuncProc)(void*)wglGetProcAddress("glIndexFuncQTA");
    ASSERT_NE(proc, nullptr);
    proc(func, ref);
}

struct Image {
    std::vector<uint32_t> color;
    std::vector<GLuint> depth;
    std::vector<GLubyte> stencil;
    bool guards = false;
};

struct Case {
    const char* name;
    std::function<void()> set;
    int lsb;             // allowed difference per channel
    bool exactCoverage;  // a pixel is background on both paths or on neither
    bool flatAlpha;
    bool rgbaOnly, indexOnly;
    std::function<void()> between;  // when set: drawn once, this, drawn again
};

Image render(const Format& f, const Case& c, bool generic, int depthBits, unsigned seed, bool cppOnly = false) {
    GltestTrianglePath path(generic, cppOnly);
    GltestDibContext ctx(W, H, f.bits, f.index, depthBits, false, f.masks);
    Image im;
    if (!ctx.rc) return im;
    glClearColor(0, 0, 0, 0);
    glClearIndex(0);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    c.set();
    const std::vector<Vertex> v = randomTriangles(seed, 16, c.flatAlpha);
    for (int pass = 0; pass < (c.between ? 2 : 1); ++pass) {
        if (pass) c.between();
        glBegin(GL_TRIANGLES);
        for (const Vertex& q : v) {
            if (f.index) glIndexf(8.0f + 180.0f * (q.c[pass] - 0.45f) / 0.55f);
            else glColor4f(q.c[pass], q.c[1 - pass], q.c[2], q.c[3]);
            glVertex3f(q.x, q.y, q.z);
        }
        glEnd();
    }
    glFinish();
    const GlContext* gc = __glCurrentContext();
    EXPECT_EQ(gltestFastTriangles(gc), !generic) << "the path drawn";
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) im.color.push_back(ctx.pixel(x, y));
    im.depth.resize(W * H);
    im.stencil.resize(W * H);
    glDisable(GL_SCISSOR_TEST);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, im.depth.data());
    glReadPixels(0, 0, W, H, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, im.stencil.data());
    EXPECT_EQ((GLenum)GL_NO_ERROR, glGetError());
    im.guards = ctx.guardsIntact();
    return im;
}

void compareImages(const Format& f, const Case& c, const Image& fast, const Image& slow) {
    ASSERT_EQ(fast.color.size(), (size_t)(W * H));
    ASSERT_EQ(slow.color.size(), fast.color.size());
    EXPECT_TRUE(fast.guards);
    int worst = 0, coverage = 0, drawn = 0;
    const int channels = f.index ? 1 : 3;
    for (size_t i = 0; i < fast.color.size(); ++i) {
        const uint32_t a = fast.color[i], b = slow.color[i];
        drawn += b != 0;
        if (c.exactCoverage && (a == 0) != (b == 0)) ++coverage;
        for (int k = 0; k < channels; ++k) {
            const uint32_t m = (1u << f.fieldBits[k]) - 1;
            const int d = abs((int)((a >> f.fieldPos[k]) & m) - (int)((b >> f.fieldPos[k]) & m));
            worst = d > worst ? d : worst;
        }
    }
    EXPECT_EQ(coverage, 0) << "pixels drawn by one path only";
    // Blend products in 8-bit fields: the square table and the stores
    // truncate where the generic path rounds floats.
    const int bound = c.lsb == 2 && f.fieldBits[0] == 8 && !f.index ? 4 : c.lsb;
    EXPECT_LE(worst, bound) << "largest channel difference";
    EXPECT_TRUE(fast.depth == slow.depth) << "depth buffers differ";
    EXPECT_TRUE(fast.stencil == slow.stencil) << "stencil buffers differ";
    if (c.exactCoverage && c.lsb) {
        EXPECT_GT(drawn, W * H / 10) << "the scene draws something";
    }
}

// The generic path's image against the chain's on each road: generated code
// where the generator takes the state, and the C++ set-up and stages alone.
void compare(const Format& f, const Case& c, int depthBits, unsigned seed) {
    const Image slow = render(f, c, true, depthBits, seed);
    for (const GltestChainRoad& road : gltestChainRoads) {
        SCOPED_TRACE(std::string(f.name) + ", " + c.name + ", depth " + std::to_string(depthBits) + ", seed " +
                     std::to_string(seed) + ", " + road.name);
        compareImages(f, c, render(f, c, false, depthBits, seed, road.cppOnly), slow);
    }
}

const std::vector<Case>& cases() {
    static const std::vector<Case> list = {
        {"smooth", [] {}, 1, true, false, false, false, nullptr},
        {"flat", [] { glShadeModel(GL_FLAT); }, 1, true, false, false, false, nullptr},
        {"no dither", [] { glDisable(GL_DITHER); }, 1, true, false, false, false, nullptr},
        {"flat, no dither", [] { glShadeModel(GL_FLAT), glDisable(GL_DITHER); }, 1, true, false, false, false, nullptr},
        {"depth LEQUAL", [] { glDepthFunc(GL_LEQUAL); }, 1, true, false, false, false, nullptr},
        {"depth GREATER", [] { glClearDepth(0.0), glClear(GL_DEPTH_BUFFER_BIT), glDepthFunc(GL_GREATER); }, 1,
         true, false, false, false, nullptr},
        {"depth EQUAL on a second pass", [] {}, 1, true, false, false, false, [] { glDepthFunc(GL_EQUAL); }},
        {"polygon offset pulls a second pass forward", [] {}, 1, true, false, false, false, [] {
             glEnable(GL_POLYGON_OFFSET_FILL), glPolygonOffset(-1.0f, -2.0f);
         }},
        {"polygon offset pushes a second pass back", [] {}, 1, true, false, false, false, [] {
             glEnable(GL_POLYGON_OFFSET_FILL), glPolygonOffset(0.5f, 1.0f), glDepthFunc(GL_LEQUAL);
         }},
        {"depth ALWAYS, no depth writes", [] { glDepthFunc(GL_ALWAYS), glDepthMask(GL_FALSE); }, 1, true, false,
         false, false, nullptr},
        {"depth NEVER", [] { glDepthFunc(GL_NEVER); }, 0, true, false, false, false, nullptr},
        {"depth test off", [] { glDisable(GL_DEPTH_TEST); }, 1, true, false, false, false, nullptr},
        {"no depth writes", [] { glDepthMask(GL_FALSE); }, 1, true, false, false, false, nullptr},
        {"stencil INCR on depth pass", [] {
             glEnable(GL_STENCIL_TEST), glStencilFunc(GL_ALWAYS, 0, 0xFF), glStencilOp(GL_ZERO, GL_DECR, GL_INCR);
         }, 1, true, false, false, false, nullptr},
        {"stencil LESS, REPLACE and INVERT", [] {
             glEnable(GL_STENCIL_TEST), glStencilFunc(GL_LESS, 1, 0x0F), glStencilMask(0x3C),
                 glStencilOp(GL_INVERT, GL_KEEP, GL_REPLACE);
         }, 1, true, false, false, false, nullptr},
        {"stencil without depth", [] {
             glDisable(GL_DEPTH_TEST), glEnable(GL_STENCIL_TEST), glStencilFunc(GL_EQUAL, 0, 0xFF),
                 glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
         }, 1, true, false, false, false, nullptr},
        {"stipple", [] {
             GLubyte pattern[128];
             for (int i = 0; i < 128; ++i) pattern[i] = (GLubyte)(0xA5 ^ (i * 37));
             glEnable(GL_POLYGON_STIPPLE), glPolygonStipple(pattern);
         }, 1, true, false, false, false, nullptr},
        {"scissor", [] { glEnable(GL_SCISSOR_TEST), glScissor(7, 5, 41, 30); }, 1, true, false, false, false, nullptr},
        {"alpha test", [] { glEnable(GL_ALPHA_TEST), glAlphaFunc(GL_GREATER, 0.5f); }, 1, true, true, true,
         false, nullptr},
        {"blend SRC_ALPHA, ONE_MINUS_SRC_ALPHA", [] {
             glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
         }, 2, false, false, true, false, nullptr},
        {"blend SRC_ALPHA, ONE", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE); }, 2, false, false,
         true, false, nullptr},
        {"blend ONE_MINUS_SRC_ALPHA, SRC_ALPHA", [] {
             glEnable(GL_BLEND), glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA);
         }, 2, false, false, true, false, nullptr},
        {"blend SRC_ALPHA, ZERO", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ZERO); }, 2, false, false,
         true, false, nullptr},
        {"blend SRC_ALPHA_SATURATE, ONE", [] {
             glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
         }, 2, false, false, true, false, nullptr},
        {"blend ONE, ONE (generic store)", [] { glEnable(GL_BLEND), glBlendFunc(GL_ONE, GL_ONE); }, 2, true, false,
         true, false, nullptr},
        {"blend DST_COLOR, SRC_COLOR (generic store)", [] {
             glEnable(GL_BLEND), glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
         }, 2, false, false, true, false, nullptr},
        {"fog linear", [] {
             const GLfloat c[4] = {0.2f, 0.6f, 0.9f, 1.0f};
             glEnable(GL_FOG), glFogi(GL_FOG_MODE, GL_LINEAR), glFogf(GL_FOG_START, -1.0f),
                 glFogf(GL_FOG_END, 1.0f), glFogfv(GL_FOG_COLOR, c), glFogf(GL_FOG_INDEX, 100.0f),
                 glHint(GL_FOG_HINT, GL_FASTEST);
         }, 2, false, false, false, false, nullptr},
        // Fragment fog with a fog index above the buffer's indexes: the fogged
        // index stops at the largest on both paths.
        {"fog index above the range", [] {
             glEnable(GL_FOG), glFogi(GL_FOG_MODE, GL_EXP), glFogf(GL_FOG_DENSITY, 1.5f),
                 glFogf(GL_FOG_INDEX, 300.0f), glHint(GL_FOG_HINT, GL_NICEST);
         }, 2, false, false, false, true, nullptr},
        {"fog exp, nicest", [] {
             const GLfloat c[4] = {0.9f, 0.3f, 0.5f, 1.0f};
             glEnable(GL_FOG), glFogi(GL_FOG_MODE, GL_EXP), glFogf(GL_FOG_DENSITY, 1.5f), glFogfv(GL_FOG_COLOR, c),
                 glFogf(GL_FOG_INDEX, 40.0f), glHint(GL_FOG_HINT, GL_NICEST);
         }, 2, false, false, false, false, nullptr},
        // A logic op turns a 1 LSB difference of the source into any other:
        // flat colours without dither are the same on both paths.
        {"logic op XOR", [] {
             glShadeModel(GL_FLAT), glDisable(GL_DITHER), glEnable(GL_COLOR_LOGIC_OP), glEnable(GL_INDEX_LOGIC_OP),
                 glLogicOp(GL_XOR);
         }, 0, false, false, false, false, nullptr},
        {"logic op AND_REVERSE", [] {
             glShadeModel(GL_FLAT), glDisable(GL_DITHER), glEnable(GL_COLOR_LOGIC_OP), glEnable(GL_INDEX_LOGIC_OP),
                 glLogicOp(GL_AND_REVERSE);
         }, 0, false, false, false, false, nullptr},
        {"blend SRC_ALPHA, ONE_MINUS_SRC_ALPHA, no dither", [] {
             glDisable(GL_DITHER), glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
         }, 2, false, false, true, false, nullptr},
        // The colour stage before the alpha test, fog and the blend store after it.
        {"alpha test, fog and blend", [] {
             const GLfloat c[4] = {0.2f, 0.6f, 0.9f, 1.0f};
             glEnable(GL_ALPHA_TEST), glAlphaFunc(GL_GREATER, 0.3f), glEnable(GL_BLEND),
                 glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), glEnable(GL_FOG), glFogi(GL_FOG_MODE, GL_LINEAR),
                 glFogf(GL_FOG_START, -1.0f), glFogf(GL_FOG_END, 1.0f), glFogfv(GL_FOG_COLOR, c),
                 glHint(GL_FOG_HINT, GL_FASTEST);
         }, 2, false, true, true, false, nullptr},
        {"alpha test, stencil, stipple and scissor", [] {
             GLubyte pattern[128];
             for (int i = 0; i < 128; ++i) pattern[i] = (GLubyte)(0x3C ^ (i * 11));
             glEnable(GL_ALPHA_TEST), glAlphaFunc(GL_LESS, 0.7f), glEnable(GL_STENCIL_TEST),
                 glStencilFunc(GL_NOTEQUAL, 1, 0xFF), glStencilOp(GL_KEEP, GL_INCR, GL_REPLACE),
                 glEnable(GL_POLYGON_STIPPLE), glPolygonStipple(pattern), glEnable(GL_SCISSOR_TEST),
                 glScissor(3, 2, 60, 38);
         }, 1, true, true, true, false, nullptr},
        // Flat indexes: both paths test the same index.
        {"index test, flat", [] {
             glShadeModel(GL_FLAT), glEnable(GL_INDEX_TEST_QTA), indexFunc(GL_GREATER, 100.0f);
         }, 1, true, false, false, true, nullptr},
        // Fog before the index test (which passes every index): fogged once.
        {"index test and fog", [] {
             glEnable(GL_INDEX_TEST_QTA), indexFunc(GL_GEQUAL, 0.0f), glEnable(GL_FOG), glFogi(GL_FOG_MODE, GL_LINEAR),
                 glFogf(GL_FOG_START, -1.0f), glFogf(GL_FOG_END, 1.0f), glFogf(GL_FOG_INDEX, 60.0f),
                 glHint(GL_FOG_HINT, GL_FASTEST);
         }, 2, true, false, false, true, nullptr},
        {"colour mask red and blue", [] { glColorMask(1, 0, 1, 1); }, 1, false, false, true, false, nullptr},
        {"colour mask all off", [] { glColorMask(0, 0, 0, 0); }, 0, true, false, true, false, nullptr},
        {"index mask", [] { glIndexMask(0x3C); }, 1, false, false, false, true, nullptr},
        {"index mask off", [] { glIndexMask(0); }, 0, true, false, false, true, nullptr},
        {"draw buffer none", [] { glDrawBuffer(GL_NONE); }, 0, true, false, false, false, nullptr},
        {"back faces as lines", [] { glPolygonMode(GL_BACK, GL_LINE); }, 1, true, false, false, false, nullptr},
        {"cull front", [] { glEnable(GL_CULL_FACE), glCullFace(GL_FRONT); }, 1, true, false, false, false, nullptr},
    };
    return list;
}

TEST(FastPath, ChainMatchesGenericPathOverFormatsAndStates) {
    for (const Format& f : kFormats)
        for (const Case& c : cases()) {
            if ((c.rgbaOnly && f.index) || (c.indexOnly && !f.index)) continue;
            compare(f, c, 16, 11u);
        }
}

// Each of the sixteen logic ops has a store stage of its own (flat colours
// without dither: the same source on both paths, so the same result).
TEST(FastPath, EveryLogicOpMatchesGenericPath) {
    static const char* const names[16] = {"CLEAR", "AND", "AND_REVERSE", "COPY", "AND_INVERTED", "NOOP",
                                          "XOR", "OR", "NOR", "EQUIV", "INVERT", "OR_REVERSE",
                                          "COPY_INVERTED", "OR_INVERTED", "NAND", "SET"};
    for (int op = 0; op < 16; ++op) {
        const Case c = {names[op], [op] {
                            glShadeModel(GL_FLAT), glDisable(GL_DITHER), glEnable(GL_COLOR_LOGIC_OP),
                                glEnable(GL_INDEX_LOGIC_OP), glLogicOp((GLenum)(GL_CLEAR + op));
                        }, 0, false, false, false, false, nullptr};
        for (const Format& f : kFormats) compare(f, c, 16, 13u);
    }
}

TEST(FastPath, ChainMatchesGenericPathOverDepthKindsAndSeeds) {
    const auto named = [](const std::string& name) -> const Case& {
        for (const Case& c : cases())
            if (name == c.name) return c;
        ADD_FAILURE() << "no case " << name;
        return cases()[0];
    };
    for (const Format& f : {kFormats[0], kFormats[2], kFormats[5]})
        for (int depthBits : {16, 24, 32})
            for (unsigned seed : {3u, 97u})
                for (const char* c : {"smooth", "stencil INCR on depth pass", "polygon offset pulls a second pass forward",
                                      "depth GREATER"})
                    compare(f, named(c), depthBits, seed);
}

}  // namespace

namespace {

// The same scene every frame, each frame cleared: every frame's pixels and
// depths equal the first frame's, on both paths, while the 24-bit buffer's
// generations count down, turn round (storing 1 - z) and count up again.
TEST(FastPath, FramesAcrossDepthGenerationsMatchTheFirst) {
    const Format& f = kFormats[2];
    for (GLenum func : {GL_LESS, GL_GEQUAL}) {
        for (bool generic : {false, true}) {
            SCOPED_TRACE(testing::Message() << "function " << std::hex << func << (generic ? " generic" : " fast"));
            GltestTrianglePath path(generic);
            GltestDibContext ctx(W, H, f.bits, false, 24, false, f.masks);
            ASSERT_TRUE(ctx.rc);
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(func);
            glClearDepth(func == GL_LESS ? 1.0 : 0.0);
            const std::vector<Vertex> v = randomTriangles(5, 12, false);
            std::vector<uint32_t> first;
            std::vector<GLuint> firstDepth(W * H), depth(W * H);
            for (int frame = 0; frame < 300; ++frame) {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glBegin(GL_TRIANGLES);
                for (const Vertex& q : v) glColor4fv(q.c), glVertex3f(q.x, q.y, q.z);
                glEnd();
                if (frame % 37 != 0 && frame != 256 && frame != 257) continue;
                std::vector<uint32_t> image;
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x) image.push_back(ctx.pixel(x, y));
                glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, depth.data());
                if (frame == 0) {
                    first = image, firstDepth = depth;
                    continue;
                }
                ASSERT_TRUE(image == first) << "frame " << frame;
                ASSERT_TRUE(depth == firstDepth) << "frame " << frame;
            }
        }
    }
}

}  // namespace

namespace {

// GL_FRONT_AND_BACK on a double-buffered window: the chain's both-buffers
// stage stores each group into the front and then the back buffer with the
// same dither; both equal the generic path's.
std::vector<uint32_t> bothBuffersImage(bool generic, bool cppOnly = false) {
    GltestTrianglePath path(generic, cppOnly);
    GltestWindowContext window("fastpath-test", W, H, 16, 16);
    GlContext* gc = __glCurrentContext();
    std::vector<uint32_t> image;
    if (gc->fb.backBuffer) {
        glDrawBuffer(GL_FRONT_AND_BACK);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glBegin(GL_TRIANGLES);
        for (const Vertex& q : randomTriangles(21, 10, false)) glColor4fv(q.c), glVertex3f(q.x, q.y, q.z);
        glEnd();
        EXPECT_EQ(gltestFastTriangles(gc), !generic);
        for (GlColorBuffer* cb : {gc->fb.frontBuffer, gc->fb.backBuffer})
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    GLfloat out[4];
                    cb->readPixel(cb, x + gc->limits.windowBiasX, y + gc->limits.windowBiasY, out);
                    image.push_back((uint32_t)out[0] << 16 | (uint32_t)out[1] << 8 | (uint32_t)out[2]);
                }
    }
    return image;
}

TEST(FastPath, BothBuffersMatchTheGenericPath) {
    const std::vector<uint32_t> slow = bothBuffersImage(true);
    for (const GltestChainRoad& road : gltestChainRoads) {
        SCOPED_TRACE(road.name);
        const std::vector<uint32_t> fast = bothBuffersImage(false, road.cppOnly);
        ASSERT_EQ(fast.size(), (size_t)(2 * W * H));
        ASSERT_EQ(slow.size(), fast.size());
        int drawn = 0, worst = 0;
        for (size_t i = 0; i < fast.size(); ++i) {
            EXPECT_EQ(fast[i] == 0, slow[i] == 0) << "pixel " << i;
            if (i < (size_t)(W * H)) {
                EXPECT_EQ(fast[i], fast[i + W * H]) << "front and back differ at " << i;
                drawn += fast[i] != 0;
            }
            for (int k = 0; k < 3; ++k) {
                const int d = abs((int)(fast[i] >> (8 * k) & 0xFF) - (int)(slow[i] >> (8 * k) & 0xFF));
                worst = d > worst ? d : worst;
            }
        }
        EXPECT_GT(drawn, W * H / 10);
        EXPECT_LE(worst, 1);
    }
}

}  // namespace

namespace {

// States the chain has no stages for: the picker leaves them to the generic
// path, which then draws them exactly as with the fast path switched off.
struct Declined {
    const char* name;
    int w, bits;
    bool index;
    const DWORD* masks;
    std::function<void()> set;
};

// A 16-bit index texture: the chain's stages keep one index byte a texel.
void index16Texture() {
    const GLushort texels[4] = {3, 9, 27, 81};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX16_EXT, 2, 2, 0, GL_COLOR_INDEX, GL_UNSIGNED_SHORT, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
}

const DWORD kBgr32[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};
const DWORD kBgr565[3] = {0x001F, 0x07E0, 0xF800};

std::vector<uint32_t> declinedImage(const Declined& d, bool generic, bool* fast) {
    GltestTrianglePath path(generic);
    GltestDibContext ctx(d.w, H, d.bits, d.index, 16, false, d.masks);
    std::vector<uint32_t> image;
    if (!ctx.rc) return image;
    glClearColor(0.1f, 0.2f, 0.3f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    d.set();
    glBegin(GL_TRIANGLES);
    for (const Vertex& q : randomTriangles(31, 12, false)) {
        if (d.index) glIndexf(8.0f + 100.0f * q.c[0]);
        else glColor4fv(q.c);
        glTexCoord2f(q.c[1] * 3.0f, q.c[2] * 2.0f);
        glVertex3f(q.x * (float)d.w / W, q.y, q.z);
    }
    glEnd();
    glFinish();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(ctx.guardsIntact());
    *fast = gltestFastTriangles(__glCurrentContext());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < d.w; ++x) image.push_back(ctx.pixel(x, y));
    return image;
}

TEST(FastPath, StatesWithoutStagesDrawOnTheGenericPath) {
    const Declined cases[] = {
        {"32-bit BGR order", W, 32, false, kBgr32, [] {}},
        {"16-bit BGR 5-6-5", W, 16, false, kBgr565, [] {}},
        {"drawable wider than the set-up's coordinates reach", 2100, 32, false, nullptr, [] {}},
        {"16-bit index texture", W, 8, true, nullptr, index16Texture},
        {"antialiased polygons", W, 32, false, nullptr, [] { glEnable(GL_POLYGON_SMOOTH); }},
    };
    for (const Declined& d : cases) {
        SCOPED_TRACE(d.name);
        bool fast = true, generic = true;
        const std::vector<uint32_t> withFastPath = declinedImage(d, false, &fast);
        const std::vector<uint32_t> without = declinedImage(d, true, &generic);
        EXPECT_FALSE(fast) << "the fast path took the state";
        ASSERT_EQ(withFastPath.size(), (size_t)(d.w * H));
        EXPECT_TRUE(withFastPath == without);
        int drawn = 0;
        for (size_t i = 0; i < without.size(); ++i) drawn += without[i] != without[0];
        EXPECT_GT(drawn, 100) << "the scene draws something";
    }
}

}  // namespace
