#include "viewer.h"

#include <stdio.h>
#include <string.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "filedialog.h"
#include "resource.h"

ViewerState gViewer = {20.0f, 12.0f, -30.0f, kMouseNone, 0, 0, {1, 1, 0}, nullptr, nullptr, nullptr, {}};

namespace {

// The start's projection reaches to 1500, that of every resize to 800.
constexpr double kFieldOfView = 45.0, kNear = 0.1, kStartFar = 1500.0, kResizeFar = 800.0;
constexpr float kDegreesPerPixel = 180 * 0.0033333334f;

void Message(const char *text, const char *caption, UINT icon) { MessageBoxA(gViewer.window, text, caption, MB_OK | icon); }

void PointArraysAtModel() {
  glTexCoordPointer(2, GL_FLOAT, 0, gViewer.model.texCoords);
  glVertexPointer(3, GL_FLOAT, 0, gViewer.model.positions);
  glNormalPointer(GL_FLOAT, 0, gViewer.model.normals);
}

// Viewport and projection for a client area; a minimised window (no height) keeps the old ones.
void Resize(int width, int height, double farPlane) {
  if (width <= 0 || height <= 0) return;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfView, double(width) / double(height), kNear, farPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// The texture into texture name 1; without an image the model is drawn untextured.
void LoadModelTexture(const char *path) {
  glBindTexture(GL_TEXTURE_2D, 1);
  if (!LoadMipmappedTexture(path)) glDisable(GL_TEXTURE_2D);
}

void MouseDown(HWND window, int mode, LPARAM position) {
  SetCapture(window);
  gViewer.oldX = short(LOWORD(position));
  gViewer.oldY = short(HIWORD(position));
  gViewer.mouseMode = mode;
}

void MouseMove(HWND window, LPARAM position) {
  const int x = short(LOWORD(position)), y = short(HIWORD(position));
  if (gViewer.mouseMode == kMouseTurning) {
    gViewer.yaw += float(gViewer.oldX - x) * kDegreesPerPixel * -1.0f;
    gViewer.pitch += float(y - gViewer.oldY) * kDegreesPerPixel;
  } else if (gViewer.mouseMode == kMouseZooming) {
    gViewer.distance -= float(gViewer.oldX + y - x - gViewer.oldY);
  }
  gViewer.oldX = x;
  gViewer.oldY = y;
  if (gViewer.mouseMode != kMouseNone) TOOLS_CHECK(InvalidateRect(window, nullptr, FALSE));
}

}  // namespace

int InitViewerGL() {
  static const GLfloat diffuse[] = {0.6f, 0.6f, 0.6f, 1.0f}, ambient[] = {0.9f, 0.9f, 0.9f, 1.0f},
                       specular[] = {0.2f, 0.2f, 0.2f, 1.0f}, lightPosition[] = {0.0f, 0.0f, 0.0f, 1.0f};
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT, GL_SHININESS, 25.0f);
  glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  ReadViewerModel(1.0f, "s1.mdg", &gViewer.model);  // without it the view is empty
  Resize(640, 480, kStartFar);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.785f, 1.0f, 1.0f);
  // The normal pointer is set but its array stays off: the lit colour does not show under the
  // decal texture.
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  PointArraysAtModel();
  LoadModelTexture("blank.bmp");
  return glGetError() == GL_NO_ERROR ? 1 : 0;
}

void RenderViewerFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  UpdateFrameTimer(&gViewer.timer);
  glTranslatef(0.0f, 0.0f, gViewer.distance);
  glRotatef(gViewer.pitch, 1.0f, 0.0f, 0.0f);
  glRotatef(gViewer.yaw, 0.0f, 1.0f, 0.0f);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  glBindTexture(GL_TEXTURE_2D, 1);
  glDrawArrays(GL_TRIANGLES, 0, gViewer.model.triangleVertexCount);
  ++gViewer.timer.frames;
  glFlush();
  TOOLS_CHECK(SwapGLBuffers(gViewer.dc));
}

int LoadViewerModel() {
  char name[MAX_PATH], directory[MAX_PATH], path[2 * MAX_PATH];
  if (!RunFileDialog(1, name, directory, "3d Models (*.mdg)", "*.mdg")) return 0;
  snprintf(path, sizeof path, "%s%s", directory, name);
  if (!ReadViewerModel(0.2f, path, &gViewer.model)) return 0;  // the old model stays
  // The texture lies beside the model, whatever the working directory.
  snprintf(path, sizeof path, "%s%s", directory, gViewer.model.textureName);
  LoadModelTexture(path);
  gViewer.pitch = 25.0f;
  gViewer.yaw = 30.0f;
  gViewer.distance = -175.0f;
  return 1;
}

int WriteFrameRate() {
  // The tick count moves in 10-16 ms steps: no elapsed time writes 0.
  const int rate = gViewer.timer.elapsed ? int(DWORD(gViewer.timer.frames) * 1000 / gViewer.timer.elapsed) : 0;
  FILE *out = fopen(kFrameRateFile, "a");
  int written = 0;
  if (out) {
    written = fprintf(out, "%f\n", double(rate)) > 0;
    written = fclose(out) == 0 && written;
  }
  if (!written) Message("Unable to write the frame rate to output.txt.", "Error", MB_ICONWARNING);
  gViewer.timer.frames = 0;
  gViewer.timer.elapsed = 0;
  gViewer.timer.lastTick = GetTickCount();
  return written;
}

LRESULT CALLBACK ViewerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Resize(LOWORD(lParam), HIWORD(lParam), kResizeFar);
      TOOLS_CHECK(InvalidateRect(window, nullptr, FALSE));
      return 0;
    case WM_PAINT:
      if (gViewer.dc) RenderViewerFrame();
      TOOLS_CHECK(ValidateRect(window, nullptr));
      return 0;
    case WM_CLOSE: PostQuitMessage(0); return 0;
    case WM_CHAR:
      if (wParam == VK_ESCAPE) PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) WriteFrameRate();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == ID_FILE_LOADMODEL) LoadViewerModel();
      return 0;
    case WM_LBUTTONDOWN: MouseDown(window, (wParam & MK_RBUTTON) ? kMouseZooming : kMouseTurning, lParam); return 0;
    case WM_RBUTTONDOWN: MouseDown(window, kMouseZooming, lParam); return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      TOOLS_CHECK(ReleaseCapture());
      gViewer.mouseMode = kMouseNone;
      return 0;
    case WM_MOUSEMOVE: MouseMove(window, lParam); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int StartViewer(int showCommand) {
  gViewer.window = CreateGLWindow("MDG Viewer", 0, 0, 640, 480, PFD_TYPE_RGBA, PFD_DOUBLEBUFFER, ViewerWndProc);
  if (!gViewer.window) return 0;
  HDC dc = GetDC(gViewer.window);
  HGLRC context = dc ? wglCreateContext(dc) : nullptr;
  if (!context || !wglMakeCurrent(dc, context)) {
    Message("Cannot create an OpenGL context for the window.", "Error", MB_ICONERROR);
    if (context) wglDeleteContext(context);
    if (dc) ReleaseDC(gViewer.window, dc);
    DestroyWindow(gViewer.window);
    gViewer.window = nullptr;
    return 0;
  }
  gViewer.dc = dc;
  gViewer.context = context;
  if (!InitViewerGL()) Message("OpenGL set-up failed.", "Error", MB_ICONWARNING);
  gViewer.timer.lastTick = GetTickCount();
  ShowWindow(gViewer.window, showCommand);
  TOOLS_CHECK(SetCursorPos(320, 240));
  return 1;
}

void StopViewer() {
  TOOLS_CHECK(wglMakeCurrent(nullptr, nullptr));
  TOOLS_CHECK(ReleaseDC(gViewer.window, gViewer.dc));
  TOOLS_CHECK(wglDeleteContext(gViewer.context));
  TOOLS_CHECK(DestroyWindow(gViewer.window));
  gViewer.dc = nullptr;
  gViewer.context = nullptr;
  gViewer.window = nullptr;
}

int ViewerMain(int showCommand) {
  if (!StartViewer(showCommand)) return 1;
  // Messages first; a frame whenever the queue is empty.
  MSG msg = {};
  for (bool running = true; running;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        running = false;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (running) RenderViewerFrame();
  }
  StopViewer();
  return int(msg.wParam);
}
