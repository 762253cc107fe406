// Embedding interface: visuals, and software contexts rendering into client memory.
#include <gtest/gtest.h>
#include <string.h>
#include <thread>
#include <vector>
#include "gldib.h"
#include "gltest.h"
#include <GL/gl.h>
#include "wgl/wgl.h"
#include "core/glcontext.h"

int wglxInChild(const std::function<int()>& fn);

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

TEST(Embedding, ChooseAndCheckVisual) {
    const struct {
        GLuint visualDepth, rgba, depth, stencil, accum;
        GLuint chosenRgba, chosenDepth, chosenStencil, chosenAccum;
        GLint accepted;  // as asked, before choosing
    } cases[] = {
        {32, 0, 24, 0, 0, 1, 32, 0, 0, 0},    // 24 depth bits become 32; colour index on 32 bits refused
        {32, 1, 8, 4, 1, 1, 16, 8, 64, 0},    // stencil 4 refused
        {16, 1, 16, 8, 64, 1, 16, 8, 64, 1},
        {8, 0, 0, 0, 0, 0, 0, 0, 0, 1},       // 8-bit colour index
        {8, 1, 32, 0, 0, 1, 32, 0, 0, 1},
        {32, 1, 17, 0, 0, 1, 32, 0, 0, 0},
    };
    for (const auto& k : cases) {
        uint8_t palette[1024] = {};
        MglPelluxVisual visual = {};
        visual.depth = k.visualDepth;
        visual.palette = palette;
        MglPelluxAttributes a = {k.rgba, k.depth, k.stencil, k.accum};
        EXPECT_EQ(mglPelluxCheckVisual(&visual, &a), k.accepted) << k.visualDepth << "/" << k.depth;
        mglPelluxChooseVisual(&visual, &a);
        EXPECT_EQ(a.rgba, k.chosenRgba);
        EXPECT_EQ(a.depthBits, k.chosenDepth);
        EXPECT_EQ(a.stencilBits, k.chosenStencil);
        EXPECT_EQ(a.accumBits, k.chosenAccum);
        EXPECT_EQ(mglPelluxCheckVisual(&visual, &a), 1);
    }
}

TEST(Embedding, ThreeThreeTwoPalette) {
    uint8_t palette[1024];
    memset(palette, 0xEE, sizeof palette);
    MglPelluxVisual visual = {};
    visual.depth = 8;
    visual.palette = palette;
    __wglPelluxFill332Palette(&visual);
    const struct {
        int index;
        uint8_t blue, green, red;
    } entries[] = {{0, 0, 0, 0}, {255, 255, 255, 255}, {7, 0, 0, 255}, {0x38, 0, 255, 0},
                   {0xC0, 255, 0, 0}, {0x49, 85, 36, 36}};
    for (const auto& e : entries) {
        const uint8_t* p = palette + 4 * e.index;
        EXPECT_EQ(p[0], e.blue) << e.index;
        EXPECT_EQ(p[1], e.green) << e.index;
        EXPECT_EQ(p[2], e.red) << e.index;
        EXPECT_EQ(p[3], 0) << e.index;
    }
    const struct {
        GLuint mask, bits;
    } masks[] = {{0, 0}, {0xFF, 8}, {0xF800, 5}, {0x7E0, 6}, {0x1, 1}, {0x80000000u, 1}, {0x0F0F, 4}};
    for (const auto& m : masks) EXPECT_EQ(__wglPelluxMaskBits(m.mask), m.bits) << m.mask;
}

// A 16 x 8 x8r8g8b8 client surface with front and back memory and guard words around each.
TEST(Embedding, ContextRendersIntoClientMemory) {
    EXPECT_EQ(wglxInChild([] {
                  enum { W = 16, H = 8, GUARD = 16 };
                  std::vector<uint32_t> front(W * H + 2 * GUARD, 0xA5A5A5A5u), back(front), other(front);
                  MglPelluxVisual visual = {};
                  visual.depth = 32;
                  visual.redMask = visual.greenMask = visual.blueMask = 0xFF;
                  visual.redShift = 16, visual.greenShift = 8, visual.blueShift = 0;
                  MglPelluxAttributes a = {1, 16, 0, 0};
                  mglPelluxChooseVisual(&visual, &a);
                  MglPelluxContext* context = mglPelluxCreateContext(&visual, &a);
                  CHECK(1, context && context->formatInfo->colorBits == 32 &&
                               context->formatInfo->redMask == 0xFF0000u && context->formatInfo->redBits == 8);
                  MglPelluxSurfaceDesc desc = {};
                  desc.width = W, desc.height = H, desc.stride = W * 4;
                  const char client[24] = "client words";
                  MglPelluxSurface* surface = mglPelluxCreateSurface(&desc, client);
                  CHECK(2, surface != nullptr);
                  CHECK(3, mglPelluxSetSurfacePtr(surface, &front[GUARD], &back[GUARD]) == 1);
                  CHECK(4, mglPelluxMakeCurrent(context, surface) == 1);
                  CHECK(5, __glCurrentContext() == context->glContext);
                  glClearColor(1, 0, 0, 1);
                  glClear(GL_COLOR_BUFFER_BIT);  // the back buffer: the format is double-buffered
                  glDrawBuffer(GL_FRONT);
                  glClearColor(0, 0, 1, 1);
                  glClear(GL_COLOR_BUFFER_BIT);
                  glFinish();
                  CHECK(6, glGetError() == GL_NO_ERROR);
                  for (int i = 0; i < W * H; ++i) {
                      if ((back[GUARD + i] & 0xFFFFFF) != 0xFF0000) return 100 + i;
                      if ((front[GUARD + i] & 0xFFFFFF) != 0x0000FF) return 300 + i;
                  }
                  for (int i = 0; i < GUARD; ++i)
                      CHECK(7, front[i] == 0xA5A5A5A5u && back[i] == 0xA5A5A5A5u &&
                                   front[GUARD + W * H + i] == 0xA5A5A5A5u && back[GUARD + W * H + i] == 0xA5A5A5A5u);
                  // New memory for the front buffer while current: the next drawing goes there.
                  CHECK(8, mglPelluxSetSurfacePtr(surface, &other[GUARD], &back[GUARD]));
                  glClearColor(0, 1, 0, 1);
                  glClear(GL_COLOR_BUFFER_BIT);
                  glFinish();
                  CHECK(9, (other[GUARD] & 0xFFFFFF) == 0x00FF00 && (front[GUARD] & 0xFFFFFF) == 0x0000FF);
                  // Release, then delete surface and context.
                  CHECK(10, mglPelluxMakeCurrent(nullptr, nullptr) == 1);
                  CHECK(11, __glCurrentContext() == nullptr || __glCurrentContext() != context->glContext);
                  CHECK(12, mglPelluxDeleteSurface(surface) == 1);
                  CHECK(13, mglPelluxDeleteContext(context) == 1);
                  return 0;
              }),
              0);
}

// The client's present procedure: what it was called with.
struct Present {
    GLint x, y, width, height;
    void* client;
};
std::vector<Present> presents;
void GLPROC recordPresent(GLint x, GLint y, GLint width, GLint height, void* client) {
    presents.push_back({x, y, width, height, client});
}

// A surface with a present procedure: drawing in the front buffer is
// presented by glFlush and glFinish, the back buffer by the buffer swap; a
// surface without one renders the same and presents nothing.
TEST(Embedding, PresentProcedureShowsTheFlushedFrontAndTheSwappedBack) {
    EXPECT_EQ(wglxInChild([] {
                  enum { W = 12, H = 6 };
                  std::vector<uint32_t> front(W * H), back(W * H);
                  MglPelluxVisual visual = {};
                  visual.depth = 32;
                  visual.redMask = visual.greenMask = visual.blueMask = 0xFF;
                  visual.redShift = 16, visual.greenShift = 8, visual.blueShift = 0;
                  MglPelluxAttributes a = {1, 0, 0, 0};
                  MglPelluxContext* context = mglPelluxCreateContext(&visual, &a);
                  CHECK(1, context != nullptr);
                  MglPelluxSurfaceDesc desc = {};
                  desc.width = W, desc.height = H, desc.stride = W * 4;
                  desc.present = recordPresent;
                  void* const word = (void*)&front;
                  uint8_t client[24] = {};
                  memcpy(client, &word, sizeof word);
                  MglPelluxSurface* surface = mglPelluxCreateSurface(&desc, client);
                  CHECK(2, surface && mglPelluxSetSurfacePtr(surface, front.data(), back.data()) == 1);
                  CHECK(3, mglPelluxMakeCurrent(context, surface) == 1);
                  // The back buffer drawn and flushed: nothing is shown yet.
                  glClear(GL_COLOR_BUFFER_BIT);
                  glFlush();
                  glFinish();
                  CHECK(4, presents.empty());
                  // The front buffer: each flush and finish presents the whole surface.
                  glDrawBuffer(GL_FRONT);
                  glClearColor(0, 1, 0, 1);
                  glClear(GL_COLOR_BUFFER_BIT);
                  glFlush();
                  CHECK(5, presents.size() == 1 && (front[0] & 0xFFFFFF) == 0x00FF00);
                  const Present p = presents[0];
                  CHECK(6, p.x == 0 && p.y == 0 && p.width == W && p.height == H && p.client == word);
                  glDrawBuffer(GL_FRONT_AND_BACK);
                  glFinish();
                  CHECK(7, presents.size() == 2);
                  // The buffer swap presents the back buffer.
                  glDrawBuffer(GL_BACK);
                  GlContext* gc = context->glContext;
                  gc->procs.swapBuffers(gc);
                  CHECK(8, presents.size() == 3 && presents[2].width == W && presents[2].height == H);
                  CHECK(9, mglPelluxMakeCurrent(nullptr, nullptr) == 1);
                  // Without a present procedure.
                  desc.present = nullptr;
                  MglPelluxSurface* silent = mglPelluxCreateSurface(&desc, client);
                  CHECK(10, silent && mglPelluxSetSurfacePtr(silent, front.data(), back.data()) == 1);
                  CHECK(11, mglPelluxMakeCurrent(context, silent) == 1);
                  glDrawBuffer(GL_FRONT);
                  glClearColor(0, 0, 1, 1);
                  glClear(GL_COLOR_BUFFER_BIT);
                  glFinish();
                  gc->procs.swapBuffers(gc);
                  CHECK(12, presents.size() == 3 && (front[0] & 0xFFFFFF) == 0x0000FF);
                  CHECK(13, glGetError() == GL_NO_ERROR);
                  CHECK(14, mglPelluxMakeCurrent(nullptr, nullptr) == 1);
                  CHECK(15, mglPelluxDeleteSurface(surface) == 1 && mglPelluxDeleteSurface(silent) == 1);
                  CHECK(16, mglPelluxDeleteContext(context) == 1);
                  return 0;
              }),
              0);
}

TEST(Embedding, EightBitVisualAndSurfacesWithoutPixels) {
    EXPECT_EQ(wglxInChild([] {
                  uint8_t palette[1024];
                  MglPelluxVisual visual = {};
                  visual.depth = 8;
                  visual.palette = palette;
                  MglPelluxAttributes a = {1, 0, 0, 0};
                  MglPelluxContext* context = mglPelluxCreateContext(&visual, &a);
                  CHECK(1, context && context->formatInfo->colorBits == 8 && context->formatInfo->redBits == 3 &&
                               context->formatInfo->blueBits == 2);
                  MglPelluxSurfaceDesc desc = {};
                  desc.width = 8, desc.height = 4, desc.stride = 8;
                  MglPelluxSurface* surface = mglPelluxCreateSurface(&desc, nullptr);
                  // Current before the client gave pixels: drawing touches nothing.
                  CHECK(2, mglPelluxMakeCurrent(context, surface) == 1);
                  glClear(GL_COLOR_BUFFER_BIT);
                  glFinish();
                  uint8_t pixels[32];
                  memset(pixels, 0, sizeof pixels);
                  CHECK(3, mglPelluxSetSurfacePtr(surface, pixels, pixels) == 1);
                  glClearColor(1, 1, 1, 1);
                  glClear(GL_COLOR_BUFFER_BIT);
                  glFinish();
                  CHECK(4, pixels[0] == 0xFF && pixels[31] == 0xFF);
                  // Deleting the current context releases it first.
                  CHECK(5, mglPelluxDeleteContext(context) == 1);
                  CHECK(6, mglPelluxDeleteSurface(surface) == 1);
                  CHECK(7, mglPelluxSetSurfacePtr(nullptr, pixels, pixels) == 0);
                  return 0;
              }),
              0);
}

// ---- Contexts of both kinds --------------------------------------------------

// An embedding context on an 8 x 8 x8r8g8b8 surface of its own memory.
struct Embedded {
    enum { W = 8, H = 8 };
    std::vector<uint32_t> front = std::vector<uint32_t>(W * H), back = std::vector<uint32_t>(W * H);
    MglPelluxContext* context = nullptr;
    MglPelluxSurface* surface = nullptr;
    GlPixelFormatInfo format = {};  // the context's format as created
    Embedded() {
        MglPelluxVisual visual = {};
        visual.depth = 32;
        visual.redMask = visual.greenMask = visual.blueMask = 0xFF;
        visual.redShift = 16, visual.greenShift = 8, visual.blueShift = 0;
        MglPelluxAttributes a = {1, 16, 0, 0};
        context = mglPelluxCreateContext(&visual, &a);
        MglPelluxSurfaceDesc desc = {};
        desc.width = W, desc.height = H, desc.stride = W * 4;
        surface = mglPelluxCreateSurface(&desc, nullptr);
        if (context) format = *context->formatInfo;
        if (surface) mglPelluxSetSurfacePtr(surface, front.data(), back.data());
    }
    bool ready() const { return context && surface; }
    // Its pixel-format block holds what creation put there.
    bool formatIntact() const { return !context || memcmp(context->formatInfo, &format, sizeof format) == 0; }
    bool makeCurrent() { return mglPelluxMakeCurrent(context, surface) == 1; }
    GLint deleteContext() {
        const GLint deleted = mglPelluxDeleteContext(context);
        if (deleted) context = nullptr;
        return deleted;
    }
    GLint deleteSurface() {
        const GLint deleted = mglPelluxDeleteSurface(surface);
        if (deleted) surface = nullptr;
        return deleted;
    }
};

// A wgl context on a DIB, current at first, an embedding context, and a second
// embedding context that no case makes current.
struct BothKinds {
    GltestDibContext window{8, 8};
    Embedded embedded, other;
    bool ready() const { return window.rc && embedded.ready() && other.ready(); }
    // Releases and deletes what is left; 0 when every step succeeds.
    int finish() {
        if (mglPelluxMakeCurrent(nullptr, nullptr) != 1) return 1;
        if (embedded.context && embedded.deleteContext() != 1) return 2;
        if (embedded.surface && embedded.deleteSurface() != 1) return 3;
        if (other.context && other.deleteContext() != 1) return 4;
        if (other.surface && other.deleteSurface() != 1) return 5;
        return window.guardsIntact() ? 0 : 6;
    }
};

enum Drawn { DRAWS_NOWHERE, DRAWS_IN_WINDOW, DRAWS_IN_EMBEDDED, DRAWS_IN_BOTH };

// Where a clear of the calling thread's current context lands.
Drawn drawnBy(BothKinds& k) {
    k.window.clear();
    std::fill(k.embedded.back.begin(), k.embedded.back.end(), 0u);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    const bool window = k.window.pixel(3, 3) != 0, embedded = k.embedded.back[27] != 0;
    return window && embedded ? DRAWS_IN_BOTH : window ? DRAWS_IN_WINDOW : embedded ? DRAWS_IN_EMBEDDED : DRAWS_NOWHERE;
}

// The wgl calls report the window's context and device context exactly when
// drawing lands in the window.
bool wglReports(BothKinds& k, Drawn drawn) {
    const bool window = drawn == DRAWS_IN_WINDOW;
    return wglGetCurrentContext() == (window ? k.window.rc : nullptr) &&
           wglGetCurrentDC() == (window ? k.window.dib.dc : nullptr);
}

// Makes the embedding context current, or keeps the window's; where drawing
// then lands, DRAWS_NOWHERE when the set-up failed.
Drawn startOn(BothKinds& k, bool embedded) {
    if (!k.ready() || (embedded && !k.embedded.makeCurrent())) return DRAWS_NOWHERE;
    const Drawn start = embedded ? DRAWS_IN_EMBEDDED : DRAWS_IN_WINDOW;
    return drawnBy(k) == start ? start : DRAWS_NOWHERE;
}

struct SwitchCase {
    const char* what;
    bool startEmbedded;  // else the window's context is current at the start
    int (*action)(BothKinds& k);
    int result;
    Drawn after;
};

int runSwitch(const SwitchCase& c) {
    BothKinds k;
    const Drawn start = startOn(k, c.startEmbedded);
    CHECK(1, start != DRAWS_NOWHERE);
    CHECK(2, wglReports(k, start));
    CHECK(3, c.action(k) == c.result);
    CHECK(4, drawnBy(k) == c.after);
    CHECK(5, wglReports(k, c.after));
    CHECK(6, k.embedded.formatIntact() && k.other.formatIntact());
    // Each kind can be made current again, from wherever the case left the thread.
    for (int round = 0; round < 2; ++round) {
        CHECK(7, k.embedded.makeCurrent() && drawnBy(k) == DRAWS_IN_EMBEDDED);
        CHECK(8, wglReports(k, DRAWS_IN_EMBEDDED));
        if (!k.window.rc) continue;
        CHECK(9, wglMakeCurrent(k.window.dib.dc, k.window.rc) && drawnBy(k) == DRAWS_IN_WINDOW);
        CHECK(10, wglReports(k, DRAWS_IN_WINDOW));
    }
    CHECK(11, k.embedded.formatIntact() && k.other.formatIntact());
    const int left = k.finish();
    return left ? 20 + left : 0;
}

// A thread's current context, of either kind, is released and replaced only
// through its own kind's procedures: switching kinds leaves each context whole,
// the wgl calls see only wgl contexts, and deleting a context that is not
// current leaves the current one drawing.
TEST(Embedding, SwitchingBetweenWglAndEmbeddingContexts) {
    static const SwitchCase cases[] = {
        {"embedded, then wglMakeCurrent of the window", true,
         [](BothKinds& k) -> int { return wglMakeCurrent(k.window.dib.dc, k.window.rc); }, TRUE, DRAWS_IN_WINDOW},
        {"embedded, then wglMakeCurrent(NULL, NULL)", true,
         [](BothKinds&) -> int { return wglMakeCurrent(nullptr, nullptr); }, TRUE, DRAWS_NOWHERE},
        {"embedded, then the window's context deleted", true,
         [](BothKinds& k) -> int {
             const BOOL deleted = wglDeleteContext(k.window.rc);
             if (deleted) k.window.rc = nullptr;
             return deleted;
         },
         TRUE, DRAWS_IN_EMBEDDED},
        {"embedded, then another embedding context deleted", true,
         [](BothKinds& k) -> int { return k.other.deleteContext(); }, 1, DRAWS_IN_EMBEDDED},
        {"window, then mglPelluxMakeCurrent", false, [](BothKinds& k) -> int { return k.embedded.makeCurrent(); },
         1, DRAWS_IN_EMBEDDED},
        {"window, then mglPelluxMakeCurrent(NULL, NULL)", false,
         [](BothKinds&) -> int { return mglPelluxMakeCurrent(nullptr, nullptr); }, 1, DRAWS_IN_WINDOW},
        {"window, then an embedding context deleted", false,
         [](BothKinds& k) -> int { return k.other.deleteContext(); }, 1, DRAWS_IN_WINDOW},
        {"window, then an embedding surface deleted", false,
         [](BothKinds& k) -> int { return k.other.deleteSurface(); }, 1, DRAWS_IN_WINDOW},
    };
    for (const SwitchCase& c : cases) EXPECT_EQ(wglxInChild([&] { return runSwitch(c); }), 0) << c.what;
}

struct ForeignCase {
    const char* what;
    bool mainHoldsEmbedded;  // else the main thread's window context is current
    int (*call)(BothKinds& k);
    int result;
};

int runForeign(const ForeignCase& c) {
    BothKinds k;
    const Drawn held = startOn(k, c.mainHoldsEmbedded);
    CHECK(1, held != DRAWS_NOWHERE);
    int result = -1;
    std::thread([&] { result = c.call(k); }).join();
    CHECK(2, result == c.result);
    CHECK(3, drawnBy(k) == held);
    CHECK(4, wglReports(k, held));
    CHECK(5, k.embedded.formatIntact() && k.other.formatIntact());
    const int left = k.finish();
    return left ? 20 + left : 0;
}

// A thread that never made a wgl call may call the embedding interface: what
// is current nowhere it deletes or changes; what the main thread holds current
// stays current there, untouched, and only the main thread releases it.
TEST(Embedding, CallsFromAThreadThatNeverMadeAWglCall) {
    static std::vector<uint32_t> elsewhere(Embedded::W * Embedded::H);
    static const ForeignCase cases[] = {
        {"release, nothing embedded current", false,
         [](BothKinds&) -> int { return mglPelluxMakeCurrent(nullptr, nullptr); }, 1},
        {"release of the main thread's context", true,
         [](BothKinds&) -> int { return mglPelluxMakeCurrent(nullptr, nullptr); }, 0},
        {"make current while the main thread holds one", true,
         [](BothKinds& k) -> int { return k.other.makeCurrent(); }, 0},
        {"delete of a context current nowhere", true, [](BothKinds& k) -> int { return k.other.deleteContext(); },
         1},
        {"delete of the main thread's context", true,
         [](BothKinds& k) -> int { return mglPelluxDeleteContext(k.embedded.context); }, 0},
        {"delete of a surface current nowhere", true, [](BothKinds& k) -> int { return k.other.deleteSurface(); },
         1},
        {"delete of the main thread's surface", true,
         [](BothKinds& k) -> int { return mglPelluxDeleteSurface(k.embedded.surface); }, 0},
        {"new pixels for the main thread's surface", true,
         [](BothKinds& k) -> int {
             return mglPelluxSetSurfacePtr(k.embedded.surface, elsewhere.data(), elsewhere.data());
         },
         0},
        {"new pixels for a surface current nowhere", true,
         [](BothKinds& k) -> int {
             return mglPelluxSetSurfacePtr(k.other.surface, k.other.front.data(), k.other.back.data());
         },
         1},
        {"draw embedded there while the main thread's window is current", false,
         [](BothKinds& k) -> int {
             if (!k.other.makeCurrent()) return 2;
             glClearColor(0, 1, 0, 1);
             glClear(GL_COLOR_BUFFER_BIT);
             glFinish();
             const bool drew = (k.other.back[0] & 0xFFFFFF) == 0x00FF00u;
             return mglPelluxMakeCurrent(nullptr, nullptr) == 1 && drew;
         },
         1},
    };
    for (const ForeignCase& c : cases) EXPECT_EQ(wglxInChild([&] { return runForeign(c); }), 0) << c.what;
}

}  // namespace
