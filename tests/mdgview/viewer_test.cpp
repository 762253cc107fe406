// mdgview in-process: the window, GL state and model of a started viewer, driven by the messages
// a user's mouse, keys and menu make.
#include <windows.h>
#include <GL/gl.h>
#include <commdlg.h>
#include <math.h>

#include "gltest.h"
#include "tools_fixture.h"
#include "viewer.h"

namespace {

static const bool loaded = (gltestLoadForAllTests(), true);

// One textured triangle; `scale` and a texture name of its own.
std::string Model(const char *texture) {
  return std::string("test model\nmodel ") + texture +
         " 3\n0 0 0 0 0 0\n0 0 0\n0 0 1\n0 0\n1 0 0\n0 0 1\n1 0\n0 1 0\n0 0 1\n0 1\n";
}

Bytes Bitmap4x4() {
  Bytes b = {'B', 'M'};
  Put32(b, 14 + 40 + 48), Put32(b, 0), Put32(b, 54);
  Put32(b, 40), Put32(b, 4), Put32(b, 4), Put16(b, 1), Put16(b, 24);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int i = 0; i < 48; ++i) b.push_back(uint8_t(i * 5));
  return b;
}

class ViewerTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    WriteText("s1.mdg", Model("blank.bmp"));
    WriteFile("blank.bmp", Bitmap4x4());
    gViewer.pitch = 20.0f, gViewer.yaw = 12.0f, gViewer.distance = -30.0f;
    gViewer.mouseMode = kMouseNone;
    gViewer.timer = FrameTimer{1, 1, 0};
    ASSERT_EQ(1, StartViewer(SW_SHOW));
    window_ = gViewer.window;
  }
  void TearDown() override {
    StopViewer();
    ToolsTest::TearDown();
  }
  // Sends what the mouse makes: a button or a move at (x, y) with the buttons held.
  void Mouse(UINT message, int x, int y, WPARAM held) { SendMessageA(window_, message, held, MAKELPARAM(x, y)); }
  // Runs the posted messages (menu commands, quit) as the main loop would; true on WM_QUIT.
  bool Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return false;
  }
  HWND window_ = nullptr;
};

TEST_F(ViewerTest, StartsWithTheModelTexturedAndItsMenu) {
  EXPECT_EQ(3, gViewer.model.triangleVertexCount);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  // A bordered window with a title bar: no sizing frame and no window buttons.
  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(LONG(WS_CAPTION | WS_CLIPSIBLINGS | WS_CLIPCHILDREN), style & ~LONG(WS_VISIBLE));
  EXPECT_EQ(0, StandinMessageBoxCount());
  char title[64];
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ("MDG Viewer", title);
  ASSERT_NE(nullptr, GetMenu(window_));
  EXPECT_NE(UINT(-1), GetMenuState(GetMenu(window_), 40001, MF_BYCOMMAND));
  SendMessageA(window_, WM_PAINT, 0, 0);
  EXPECT_STREQ("", StandinDebugOutput());  // no platform call failed
}

// Positions and texture coordinates are drawn from the model's arrays; the normal pointer is set
// but its array stays off (under the decal texture the lit colour does not show).
TEST_F(ViewerTest, DrawsFromThePositionAndTextureCoordinateArrays) {
  const struct {
    GLenum array, pointer, size, type, stride;
    bool on;
    const void *data;
  } cases[] = {
      {GL_VERTEX_ARRAY, GL_VERTEX_ARRAY_POINTER, GL_VERTEX_ARRAY_SIZE, GL_VERTEX_ARRAY_TYPE, GL_VERTEX_ARRAY_STRIDE,
       true, gViewer.model.positions},
      {GL_TEXTURE_COORD_ARRAY, GL_TEXTURE_COORD_ARRAY_POINTER, GL_TEXTURE_COORD_ARRAY_SIZE,
       GL_TEXTURE_COORD_ARRAY_TYPE, GL_TEXTURE_COORD_ARRAY_STRIDE, true, gViewer.model.texCoords},
      {GL_NORMAL_ARRAY, GL_NORMAL_ARRAY_POINTER, 0, GL_NORMAL_ARRAY_TYPE, GL_NORMAL_ARRAY_STRIDE, false,
       gViewer.model.normals},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.on, bool(glIsEnabled(c.array))) << c.array;
    void *pointer = nullptr;
    glGetPointerv(c.pointer, &pointer);
    EXPECT_EQ(c.data, pointer) << c.array;
    GLint value = -1;
    glGetIntegerv(c.type, &value);
    EXPECT_EQ(GL_FLOAT, value) << c.array;
    glGetIntegerv(c.stride, &value);
    EXPECT_EQ(0, value) << c.array;
    if (c.size) {
      glGetIntegerv(c.size, &value);
      EXPECT_EQ(c.array == GL_VERTEX_ARRAY ? 3 : 2, value) << c.array;
    }
  }
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ(GL_DECAL, mode);
  EXPECT_EQ(GL_NO_ERROR, glGetError());
}

// The right button zooms by (old x + new y - new x - old y); the left turns 0.6 degrees a pixel.
TEST_F(ViewerTest, DragsTurnAndZoom) {
  const struct {
    UINT down, up;
    WPARAM held;
    int dx, dy;
    float pitch, yaw, distance;
  } cases[] = {
      {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 10, 10, 0, 0, 0},
      {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 10, 0, 0, 0, 10},
      {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 0, 10, 0, 0, -10},
      {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 10, 0, 0, 6, 0},
      {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 0, -10, -6, 0, 0},
      // Both buttons held: the right one wins.
      {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON | MK_RBUTTON, 10, 0, 0, 0, 10},
  };
  for (const auto &c : cases) {
    const float pitch = gViewer.pitch, yaw = gViewer.yaw, distance = gViewer.distance;
    Mouse(c.down, 100, 100, c.held);
    EXPECT_EQ(window_, GetCapture());
    // Two steps: the old position follows every move.
    Mouse(WM_MOUSEMOVE, 100 + c.dx / 2, 100 + c.dy / 2, c.held);
    Mouse(WM_MOUSEMOVE, 100 + c.dx, 100 + c.dy, c.held);
    Mouse(c.up, 100 + c.dx, 100 + c.dy, 0);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(kMouseNone, gViewer.mouseMode);
    EXPECT_NEAR(c.pitch, gViewer.pitch - pitch, 1e-4) << c.dx << "," << c.dy;
    EXPECT_NEAR(c.yaw, gViewer.yaw - yaw, 1e-4) << c.dx << "," << c.dy;
    EXPECT_FLOAT_EQ(c.distance, gViewer.distance - distance) << c.dx << "," << c.dy;
  }
  // Moves without a button change nothing but repaint nothing either.
  const float distance = gViewer.distance;
  Mouse(WM_MOUSEMOVE, 300, 300, 0);
  EXPECT_EQ(distance, gViewer.distance);
}

TEST_F(ViewerTest, FrameRateLinesGoToOutputTxt) {
  gViewer.timer = FrameTimer{150, 3000, GetTickCount()};
  SendMessageA(window_, WM_KEYDOWN, VK_SPACE, 0);
  // No time since the restart: 0 frames per second rather than a division by zero.
  gViewer.timer.elapsed = 0;
  gViewer.timer.frames = 7;
  SendMessageA(window_, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ("50.000000\n0.000000\n", ReadText(kFrameRateFile));
  EXPECT_EQ(0, gViewer.timer.frames);
  EXPECT_EQ(0u, gViewer.timer.elapsed);
  EXPECT_EQ(0, StandinMessageBoxCount());
}

TEST_F(ViewerTest, AFrameRateFileThatDoesNotOpenIsReported) {
  std::filesystem::create_directory(kFrameRateFile);
  EXPECT_EQ(0, WriteFrameRate());
  ASSERT_EQ(1, StandinMessageBoxCount());
  EXPECT_STREQ("Error", StandinMessageBoxCaption(0));
}

TEST_F(ViewerTest, EscapeAndCloseQuit) {
  PostMessageA(window_, WM_KEYDOWN, VK_ESCAPE, 0);  // the character comes through TranslateMessage
  EXPECT_TRUE(Pump());
  EXPECT_TRUE(IsWindow(window_));  // torn down after the loop
  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Pump());
  EXPECT_TRUE(IsWindow(window_));
}

// Load Model resolves the texture beside the model (not in the working directory); a missing
// texture draws untextured; a model that does not read and a cancelled dialog change nothing.
TEST_F(ViewerTest, LoadModelFromTheMenu) {
  std::filesystem::create_directory("models");
  WriteText("models/a.mdg", Model("a.bmp"));
  WriteFile("models/a.bmp", Bitmap4x4());
  WriteText("a.bmp", "not the model's texture");  // a file of that name in the working directory
  WriteText("models/b.mdg", Model("missing.bmp"));
  WriteText("models/broken.mdg", "x\nmodel tex.bmp 3000\n");
  StandinQueueFileDialogAnswer((dir_ / "models" / "a.mdg").c_str());
  ASSERT_TRUE(StandinChooseMenuItem(window_, 40001));
  Pump();
  EXPECT_EQ(25.0f, gViewer.pitch);
  EXPECT_EQ(30.0f, gViewer.yaw);
  EXPECT_EQ(-175.0f, gViewer.distance);
  EXPECT_FLOAT_EQ(0.2f, gViewer.model.positions[1][0]);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(0, StandinMessageBoxCount());

  StandinQueueFileDialogAnswer((dir_ / "models" / "b.mdg").c_str());
  EXPECT_EQ(1, LoadViewerModel());
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

  gViewer.pitch = 1.0f;
  StandinQueueFileDialogAnswer((dir_ / "models" / "broken.mdg").c_str());
  EXPECT_EQ(0, LoadViewerModel());
  StandinQueueFileDialogAnswer(nullptr);
  EXPECT_EQ(0, LoadViewerModel());
  EXPECT_EQ(1.0f, gViewer.pitch);
  EXPECT_EQ(3, gViewer.model.triangleVertexCount);
  StandinFileDialog d;
  ASSERT_TRUE(StandinGetFileDialog(0, &d));
  EXPECT_TRUE(d.flags & OFN_NOCHANGEDIR);
}

TEST_F(ViewerTest, AMissingStartTextureDrawsUntextured) {
  StopViewer();
  std::filesystem::remove("blank.bmp");
  ASSERT_EQ(1, StartViewer(SW_SHOW));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(1, StandinMessageBoxCount());  // the loader's own message
}

// The start's projection: 45 degrees, 4/3, near 0.1, far 1500. A resize sets the client's aspect
// ratio (in floating point) with the far plane at 800; a minimised window keeps the projection.
TEST_F(ViewerTest, ProjectionAtStartAndAfterAResize) {
  const double n = 0.1, f = 1.0 / tan(22.5 * 3.14159265358979 / 180.0);
  const struct {
    int width, height;  // 0: the start's
    double aspect, farPlane;
  } cases[] = {{0, 0, 4.0 / 3.0, 1500.0}, {300, 200, 1.5, 800.0}, {640, 480, 4.0 / 3.0, 800.0}};
  GLfloat projection[16];
  for (const auto &c : cases) {
    if (c.width) SendMessageA(window_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.width, c.height));
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(f / c.aspect, projection[0], 1e-5) << c.width;
    EXPECT_NEAR(f, projection[5], 1e-5) << c.width;
    EXPECT_NEAR(-(c.farPlane + n) / (c.farPlane - n), projection[10], 1e-6) << c.width;
    EXPECT_FLOAT_EQ(-1.0f, projection[11]) << c.width;
    EXPECT_NEAR(-2.0 * c.farPlane * n / (c.farPlane - n), projection[14], 1e-6) << c.width;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(c.width ? c.width : 640, viewport[2]);
    EXPECT_EQ(c.height ? c.height : 480, viewport[3]);
  }
  SendMessageA(window_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
  SendMessageA(window_, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(f / 1.5, projection[0], 1e-5);
  EXPECT_EQ(GL_NO_ERROR, glGetError());
}

}  // namespace
