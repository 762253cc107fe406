#include "glwindow.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "dib.h"

namespace {

int Fail(const char *text) {
  MessageBoxA(nullptr, text, "Error", MB_OK);
  return 0;
}

#ifndef _WIN32
// Writes the back buffer as a 24-bit bottom-up bitmap file; frames are numbered per process.
void CaptureBackBuffer(HDC dc) {
  const char *dir = getenv("TOOLS_FRAME_DIR");
  RECT client;
  if (!dir || !*dir || !GetClientRect(WindowFromDC(dc), &client)) return;
  static int frame = 0;
  const int width = client.right, height = client.bottom;  // the window's drawable
  if (width <= 0 || height <= 0) return;
  const int stride = (width * 3 + 3) & ~3;
  unsigned char *pixels = static_cast<unsigned char *>(calloc(size_t(stride) * height, 1));
  if (!pixels) return;
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char *p = pixels + size_t(y) * stride + x * 3, red = p[0];
      p[0] = p[2], p[2] = red;
    }
  char path[1024];
  snprintf(path, sizeof path, "%s/frame%05d.bmp", dir, frame++);
  if (FILE *f = fopen(path, "wb")) {
    const DWORD bits = DWORD(stride) * height, offset = 14 + 40;
    unsigned char header[54] = {'B', 'M'};
    const DWORD fields[] = {offset + bits, 0, offset, 40, DWORD(width), DWORD(height)};
    memcpy(header + 2, fields, sizeof fields);
    const WORD planesAndBits[] = {1, 24};
    memcpy(header + 26, planesAndBits, sizeof planesAndBits);
    memcpy(header + 34, &bits, sizeof bits);
    fwrite(header, sizeof header, 1, f);
    fwrite(pixels, bits, 1, f);
    fclose(f);
  }
  free(pixels);
}
#endif

}  // namespace

HWND CreateGLWindow(const char *title, int x, int y, int width, int height, BYTE pixelType, DWORD flags, WNDPROC proc) {
  static bool registered = false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszMenuName = MAKEINTRESOURCEA(kMainMenuResource);
    wc.lpszClassName = "OpenGL";
    if (!RegisterClassA(&wc)) return Fail("RegisterClass() failed:  Cannot register window class."), nullptr;
    registered = true;
  }
  // A bordered window with its title bar: no sizing frame, no window buttons.
  HWND window = CreateWindowA("OpenGL", title, WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER, x, y, width, height,
                              nullptr, nullptr, instance, nullptr);
  if (!window) return Fail("CreateWindow() failed:  Cannot create a window."), nullptr;

  HDC dc = GetDC(window);
  PIXELFORMATDESCRIPTOR pfd;
  memset(&pfd, 0, sizeof pfd);
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | flags;
  pfd.iPixelType = pixelType;
  pfd.cColorBits = 16;
  pfd.cDepthBits = 16;
  const int format = dc ? ChoosePixelFormat(dc, &pfd) : 0;
  const char *failure = !dc ? "GetDC() failed:  Cannot get the window's device context."
                        : !format ? "ChoosePixelFormat() failed:  Cannot find a suitable pixel format."
                        : !SetPixelFormat(dc, format, &pfd) ? "SetPixelFormat() failed:  Cannot set format specified."
                        : !DescribePixelFormat(dc, format, sizeof pfd, &pfd)
                            ? "DescribePixelFormat() failed:  Cannot describe the pixel format."
                            : nullptr;
  if (dc) ReleaseDC(window, dc);
  if (failure) {
    Fail(failure);
    DestroyWindow(window);
    return nullptr;
  }
  return window;
}

void ReportFailedCall(bool ok, bool *reported, const char *call) {
  if (ok || *reported) return;
  *reported = true;
  char text[200];
  snprintf(text, sizeof text, "%s failed (error %lu)\n", call, static_cast<unsigned long>(GetLastError()));
  OutputDebugStringA(text);
}

void UpdateFrameTimer(FrameTimer *timer) {
  const DWORD now = GetTickCount();
  timer->elapsed += now - timer->lastTick;
  timer->lastTick = now;
}

int LoadMipmappedTexture(const char *file) {
  RgbImage *image = LoadRgbImage(file);
  if (!image) return 0;
  glEnable(GL_TEXTURE_2D);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  const int built = gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                                      image->data) == 0;
  FreeRgbImage(image);
  return built ? 1 : 0;
}

BOOL SwapGLBuffers(HDC dc) {
#ifndef _WIN32
  CaptureBackBuffer(dc);
#endif
  return SwapBuffers(dc);
}
