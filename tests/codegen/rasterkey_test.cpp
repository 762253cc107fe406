// Keys and caches of the rasterization generators.
//
// Keys: every single state change either changes a generator's key record
// or leaves the code it emits byte for byte the same. With the cache off,
// each validation writes each routine again into its cache's first entry,
// so the routines of two states are comparable byte for byte.
//
// Caches: a state seen before takes its routine again; the least recently
// used entry is recycled, and a slot that held a recycled routine gets the
// routine's C++ twin; "__GL_DISABLE_OG_CACHE" regenerates every time.

#include <string>
#include <vector>
#include "rasterequiv.h"
#include "codegen/rasterwalk.h"
#include "raster/chain.h"

namespace {

struct Routine {
    std::vector<uint8_t> record, code;
};
// The routines the last validation installed, by cache.
struct Installed {
    Routine r[GL_OG_CACHE_COUNT];
};

Routine routineOf(const GlContext* gc, GLint which, const void* p) {
    Routine r;
    GLuint bytes = 0;
    const uint8_t* code = __glOgCodeOf(gc, which, p, &bytes);
    if (!code) return r;
    const GLuint recordSizes[GL_OG_CACHE_COUNT] = {20, 20, sizeof(GlOgRasterKey), sizeof(GlOgRasterKey)};
    const uint8_t* record = (const uint8_t*)__glOgRecordOf(gc, which, p);
    r.record.assign(record, record + recordSizes[which]);
    r.code.assign(code, code + bytes);
    return r;
}

Installed installed() {
    const GlContext* gc = __glCurrentContext();
    Installed in;
    in.r[GL_OG_CACHE_SETUP] = routineOf(gc, GL_OG_CACHE_SETUP, (const void*)gc->procs.renderTriangle);
    in.r[GL_OG_CACHE_SPAN] = routineOf(gc, GL_OG_CACHE_SPAN, (const void*)gc->procs.spanRoutine);
    in.r[GL_OG_CACHE_TEXSPAN] = routineOf(gc, GL_OG_CACHE_TEXSPAN, (const void*)gc->procs.spanTextured);
    const GlSpanProc* slots = &gc->procs.fillTriangle;
    for (int i = 0; i < 2 + GL_SPAN_CHAIN_SLOTS; i++)
        if (__glOgRecordOf(gc, GL_OG_CACHE_DEPTH, (const void*)slots[i]))
            in.r[GL_OG_CACHE_DEPTH] = routineOf(gc, GL_OG_CACHE_DEPTH, (const void*)slots[i]);
    return in;
}

// A triangle drawn (the state validated).
void draw() {
    glBegin(GL_TRIANGLES);
    glColor3f(1, 0.5f, 0.25f), glTexCoord2f(0, 0), glVertex2f(2, 2);
    glColor3f(0.2f, 1, 0.5f), glTexCoord2f(1, 0), glVertex2f(30, 4);
    glColor3f(0.5f, 0.3f, 1), glTexCoord2f(0, 1), glVertex2f(10, 28);
    glEnd();
}

void texture(GLenum internalFormat, GLenum format, int w, int h) {
    std::vector<GLubyte> img = gltestNoise((size_t)w * h * 4, 3u);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)internalFormat, w, h, 0, format, GL_UNSIGNED_BYTE, img.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

struct Change {
    const char* name;
    std::function<void()> apply;
};

const std::vector<Change>& changes() {
    static const std::vector<Change> list = {
        {"shade model", [] { glShadeModel(GL_FLAT); }},
        {"dither", [] { glDisable(GL_DITHER); }},
        {"depth test", [] { glDisable(GL_DEPTH_TEST); }},
        {"depth function", [] { glDepthFunc(GL_GEQUAL); }},
        {"depth mask", [] { glDepthMask(GL_FALSE); }},
        {"depth range", [] { glDepthRange(0.2, 0.7); }},
        {"stencil", [] { glEnable(GL_STENCIL_TEST); }},
        {"stencil function", [] { glEnable(GL_STENCIL_TEST), glStencilFunc(GL_LESS, 2, 0xFF); }},
        {"stencil operation", [] { glEnable(GL_STENCIL_TEST), glStencilOp(GL_INCR, GL_KEEP, GL_INVERT); }},
        {"alpha test", [] { glEnable(GL_ALPHA_TEST); }},
        {"alpha function", [] { glEnable(GL_ALPHA_TEST), glAlphaFunc(GL_LESS, 0.3f); }},
        {"blend", [] { glEnable(GL_BLEND); }},
        {"blend factors", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE); }},
        {"blend source factor", [] { glEnable(GL_BLEND), glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA); }},
        {"blend destination factor", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_COLOR); }},
        {"blend saturate", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE_MINUS_SRC_ALPHA); }},
        {"blend destination alpha", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_DST_ALPHA); }},
        {"logic op", [] { glEnable(GL_COLOR_LOGIC_OP), glLogicOp(GL_XOR); }},
        {"colour mask", [] { glColorMask(1, 0, 1, 1); }},
        {"colour mask off", [] { glColorMask(0, 0, 0, 0); }},
        {"fog", [] { glEnable(GL_FOG); }},
        {"fog hint", [] { glEnable(GL_FOG), glHint(GL_FOG_HINT, GL_NICEST); }},
        {"fog colour", [] {
             const GLfloat c[4] = {1, 0, 0, 1};
             glEnable(GL_FOG), glFogfv(GL_FOG_COLOR, c);
         }},
        {"stipple", [] { glEnable(GL_POLYGON_STIPPLE); }},
        {"scissor", [] { glEnable(GL_SCISSOR_TEST), glScissor(3, 3, 20, 20); }},
        {"cull", [] { glEnable(GL_CULL_FACE); }},
        {"front face", [] { glFrontFace(GL_CW); }},
        {"polygon mode", [] { glPolygonMode(GL_FRONT, GL_LINE); }},
        {"polygon offset", [] { glEnable(GL_POLYGON_OFFSET_FILL); }},
        {"lighting", [] { glEnable(GL_LIGHTING), glEnable(GL_LIGHT0); }},
        {"two-sided lighting", [] { glEnable(GL_LIGHTING), glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }},
        {"draw buffer", [] { glDrawBuffer(GL_FRONT); }},
        {"both buffers", [] { glDrawBuffer(GL_FRONT_AND_BACK); }},
        {"viewport", [] { glViewport(2, 3, 30, 30); }},
        {"texture", [] { texture(GL_RGB, GL_RGB, 8, 8), glEnable(GL_TEXTURE_2D); }},
        {"texture size", [] { texture(GL_RGB, GL_RGB, 16, 4), glEnable(GL_TEXTURE_2D); }},
        {"texture format", [] { texture(GL_RGBA, GL_RGBA, 8, 8), glEnable(GL_TEXTURE_2D); }},
        {"texture luminance", [] { texture(GL_LUMINANCE, GL_LUMINANCE, 8, 8), glEnable(GL_TEXTURE_2D); }},
        {"texture environment", [] {
             texture(GL_RGB, GL_RGB, 8, 8), glEnable(GL_TEXTURE_2D), glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
         }},
        {"texture perspective", [] {
             texture(GL_RGB, GL_RGB, 8, 8), glEnable(GL_TEXTURE_2D), glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
         }},
        {"texture filter", [] {
             texture(GL_RGB, GL_RGB, 8, 8), glEnable(GL_TEXTURE_2D),
                 glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
         }},
        {"texture wrap", [] {
             texture(GL_RGB, GL_RGB, 8, 8), glEnable(GL_TEXTURE_2D),
                 glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
         }},
    };
    return list;
}

struct CacheOff {
    GLint saved = __glOgCacheDisabled;
    CacheOff() { __glOgCacheDisabled = 1; }
    ~CacheOff() { __glOgCacheDisabled = saved; }
};

// On a base state, a textured and a blended base state, each change alone.
TEST(RasterKey, EqualKeysEmitEqualCode) {
    CacheOff off;
    int compared = 0, keyChanged = 0;
    const char* const bases[3] = {", ", ", textured base, ", ", blended base, "};
    for (const RasterFormat& f : {kRasterFormats[2], kRasterFormats[0], kRasterFormats[5]})
        for (int base = 0; base < 3; base++)
            for (int mmx = 0; mmx < 2; mmx++)
                for (const Change& c : changes()) {
                    const bool textured = base == 1;
                    if (f.index && base) continue;
                    SCOPED_TRACE(std::string(f.name) + bases[base] + c.name + (mmx ? ", MMX" : ""));
                    GltestTrianglePath choice(false);
                    const GLint savedMmx = __glOgHasMmx;
                    __glOgHasMmx = mmx;
                    {
                        GltestDibContext ctx(40, 32, f.bits, f.index, 16, false, f.masks);
                        ASSERT_TRUE(ctx.rc);
                        glEnable(GL_DEPTH_TEST);
                        if (textured) texture(GL_RGB, GL_RGB, 32, 32), glEnable(GL_TEXTURE_2D);
                        if (base == 2) glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
                        draw();
                        const Installed before = installed();
                        c.apply();
                        draw();
                        const Installed after = installed();
                        for (int i = 0; i < GL_OG_CACHE_COUNT; i++) {
                            const Routine& a = before.r[i];
                            const Routine& b = after.r[i];
                            if (a.record.empty() || b.record.empty()) continue;
                            if (a.record != b.record) {
                                keyChanged++;
                                continue;
                            }
                            compared++;
                            EXPECT_TRUE(a.code == b.code) << "cache " << i << ": equal keys, different code";
                        }
                    }
                    __glOgHasMmx = savedMmx;
                }
    // Both outcomes occur: keys that change, and changes that leave a key alone.
    EXPECT_GT(keyChanged, 50);
    EXPECT_GT(compared, 200);
}

}  // namespace

namespace {

// A 5-6-5 context with a depth-tested triangle drawn.
struct Drawn {
    GltestTrianglePath choice{false};
    GltestDibContext ctx{40, 32, 16, false, 16, false, kRasterFormats[2].masks};
    Drawn() {
        glEnable(GL_DEPTH_TEST);
        draw();
    }
};

// A state seen before finds its routines again; others take new entries.
TEST(RasterCache, StatesSeenBeforeHit) {
    Drawn d;
    ASSERT_TRUE(d.ctx.rc);
    const GlContext* gc = __glCurrentContext();
    const GlTriangleProc setup = gc->procs.renderTriangle;
    const GlSpanProc walker = gc->procs.spanRoutine;
    ASSERT_TRUE(__glOgRecordOf(gc, GL_OG_CACHE_SETUP, (const void*)setup));
    ASSERT_TRUE(__glOgRecordOf(gc, GL_OG_CACHE_SPAN, (const void*)walker));
    glDepthFunc(GL_GREATER);
    draw();
    EXPECT_NE(gc->procs.spanRoutine, walker) << "another state, another walker";
    glDepthFunc(GL_LESS);
    draw();
    EXPECT_EQ(gc->procs.renderTriangle, setup) << "the set-up found again";
    EXPECT_EQ(gc->procs.spanRoutine, walker) << "the walker found again";
}

// Everything the caches hold: their entries' keys in list order and their
// code areas. Any routine generated changes it.
std::vector<uint8_t> cacheContents(const GlContext* gc) {
    std::vector<uint8_t> bytes;
    for (const GlOgCache& c : gc->og.gen.caches) {
        for (const GlOgCacheEntry* e = c.head; e; e = e->next) {
            const uint8_t* keys = (const uint8_t*)e;
            bytes.insert(bytes.end(), keys, keys + 8);
        }
        bytes.insert(bytes.end(), c.code, c.code + (size_t)c.entryCount * c.codeBytes);
    }
    return bytes;
}

// A frame that sets its state again, clears and draws generates nothing the
// second time: each validation finds its routines in the caches (MMX on and
// off, untextured and textured as the benchmark draws them).
TEST(RasterCache, SecondIdenticalFrameGeneratesNothing) {
    const struct {
        const char* name;
        void (*state)();
    } cases[] = {
        {"smooth, depth", [] {}},
        {"textured modulate", [] {
             texture(GL_RGB, GL_RGB, 8, 8), glEnable(GL_TEXTURE_2D);
             glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
             glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
         }},
        {"textured, fastest", [] {
             texture(GL_RGB, GL_RGB, 8, 8), glEnable(GL_TEXTURE_2D), glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
         }},
    };
    const GLint savedMmx = __glOgHasMmx;
    for (const auto& c : cases)
        for (int mmx = 0; mmx < 2; mmx++) {
            SCOPED_TRACE(std::string(c.name) + (mmx ? ", MMX" : ""));
            __glOgHasMmx = mmx;
            Drawn d;
            ASSERT_TRUE(d.ctx.rc);
            c.state();
            const bool textured = glIsEnabled(GL_TEXTURE_2D);
            const auto frame = [textured] {
                glEnable(GL_DEPTH_TEST), glDepthFunc(GL_LESS), glShadeModel(GL_SMOOTH);
                if (textured) glEnable(GL_TEXTURE_2D), glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                draw();
                glFinish();
            };
            frame();
            const GlContext* gc = __glCurrentContext();
            const std::vector<uint8_t> first = cacheContents(gc);
            frame();
            EXPECT_TRUE(cacheContents(gc) == first) << "a routine was generated in the second frame";
        }
    __glOgHasMmx = savedMmx;
}

// The depth cache (four entries): the fifth record recycles the entry used
// longest ago; a slot that held its routine gets the routine's twin.
TEST(RasterCache, RecycledEntriesLeaveNoSlotBehind) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    GlOgClaim c[5];
    GlOgAsm A;
    const GLuint records[5] = {1, 2, 3, 4, 5};
    for (int i = 0; i < 4; i++) {
        __glOgClaim(gc, GL_OG_CACHE_DEPTH, 0, &records[i], 4, &c[i]);
        EXPECT_FALSE(c[i].hit);
        A.begin(gc, c[i].code, c[i].end);
        A.Ret();
        ASSERT_EQ(__glOgFinish(gc, &c[i], &A, c[i].code, (void*)__glNullTriangleRender), c[i].code);
    }
    // The first again: a hit, and now the most recent; the second is the oldest.
    GlOgClaim again;
    __glOgClaim(gc, GL_OG_CACHE_DEPTH, 0, &records[0], 4, &again);
    EXPECT_TRUE(again.hit);
    EXPECT_EQ(__glOgHitEntry(&again), c[0].code);
    gc->procs.spanChain[4] = (GlSpanProc)c[1].code;
    gc->procs.fillTriangle = (GlSpanProc)c[2].code;
    __glOgClaim(gc, GL_OG_CACHE_DEPTH, 0, &records[4], 4, &c[4]);
    EXPECT_FALSE(c[4].hit);
    EXPECT_EQ(c[4].area, c[1].area) << "the least recently used entry";
    EXPECT_EQ((void*)gc->procs.spanChain[4], (void*)__glNullTriangleRender) << "its slot holds the twin";
    EXPECT_EQ(gc->procs.fillTriangle, (GlSpanProc)c[2].code) << "other slots untouched";
    // The recycled record is gone: asking for it again is a miss.
    GlOgClaim old;
    __glOgClaim(gc, GL_OG_CACHE_DEPTH, 0, &records[1], 4, &old);
    EXPECT_FALSE(old.hit);
    gltestDestroyCurrent(gc);
}

// A routine that does not fit its entry is not used, and its state keeps
// the C++ stages without trying again.
TEST(RasterCache, RoutinesThatDoNotFitFallBack) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    GlOgClaim c;
    const GLuint record = 9;
    __glOgClaim(gc, GL_OG_CACHE_DEPTH, 0, &record, 4, &c);
    GlOgAsm A;
    A.begin(gc, c.code, c.end);
    while (!A.failed) A.Nop();
    EXPECT_LE(A.out, c.end);
    EXPECT_EQ(__glOgFinish(gc, &c, &A, c.code, nullptr), nullptr);
    GlOgClaim again;
    __glOgClaim(gc, GL_OG_CACHE_DEPTH, 0, &record, 4, &again);
    EXPECT_TRUE(again.hit);
    EXPECT_EQ(__glOgHitEntry(&again), nullptr) << "no routine for the state";
    gltestDestroyCurrent(gc);
}

// "__GL_DISABLE_OG_CACHE": every validation writes its routines again into
// the first entry of each cache.
TEST(RasterCache, DisabledCacheRegenerates) {
    CacheOff off;
    Drawn d;
    ASSERT_TRUE(d.ctx.rc);
    const GlContext* gc = __glCurrentContext();
    const GlSpanProc walker = gc->procs.spanRoutine;
    const Routine first = routineOf(gc, GL_OG_CACHE_SPAN, (const void*)walker);
    glDepthFunc(GL_GREATER);
    draw();
    EXPECT_EQ(__glOgRecordOf(gc, GL_OG_CACHE_SPAN, (const void*)gc->procs.spanRoutine),
              __glOgRecordOf(gc, GL_OG_CACHE_SPAN, (const void*)walker))
        << "the same entry";
    EXPECT_FALSE(routineOf(gc, GL_OG_CACHE_SPAN, (const void*)gc->procs.spanRoutine).record == first.record);
    glDepthFunc(GL_LESS);
    draw();
    EXPECT_TRUE(routineOf(gc, GL_OG_CACHE_SPAN, (const void*)gc->procs.spanRoutine).code == first.code)
        << "written again, the same code";
}

}  // namespace
