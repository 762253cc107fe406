// Embedding interface: visuals, and software contexts rendering into client memory.
#include <gtest/gtest.h>
#include <string.h>
#include <vector>
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

}  // namespace
