// The OpenGL window, frame timer, texture loading and buffer swap that both tool programs share.
#ifndef TOOLS_GLWINDOW_H
#define TOOLS_GLWINDOW_H

#include <windows.h>

constexpr int kMainMenuResource = 101;

// Registers the window class "OpenGL" once per process (own device context, the default icon
// and arrow cursor, no background, menu resource 101, `proc`), creates the window (clip siblings,
// clip children, border; an overlapped window gets its title bar) and sets a
// pixel format on it: draw to window, OpenGL, `flags`, `pixelType`, 16 colour and 16 depth bits.
// Each failure is shown in a message box ("Error"); the result is then null.
HWND CreateGLWindow(const char *title, int x, int y, int width, int height, BYTE pixelType, DWORD flags, WNDPROC proc);

// Frames drawn and milliseconds elapsed since the last restart; UpdateFrameTimer adds the time
// since the last tick.
struct FrameTimer {
  int frames;
  DWORD elapsed;
  DWORD lastTick;
};
void UpdateFrameTimer(FrameTimer *timer);

// Loads the bitmap file into the bound texture with its mipmaps (repeat, linear mipmapped
// minification, decal) and enables 2-D texturing. 0 when the image does not load (the loader has
// shown why) or the mipmaps are not built: the texture is left as it was.
int LoadMipmappedTexture(const char *file);

// A platform call that failed is reported once per place (in the debugger output) and the
// program goes on: drawing and tear-down calls have nothing better to do.
void ReportFailedCall(bool ok, bool *reported, const char *call);
#define TOOLS_CHECK(call) \
  do { \
    static bool reported_ = false; \
    ReportFailedCall((call) != 0, &reported_, #call); \
  } while (0)

// Swaps the window's buffers. On the host, with "TOOLS_FRAME_DIR" set, the back buffer is first
// written there as frame<N>.bmp (what the swap shows, for unattended runs).
BOOL SwapGLBuffers(HDC dc);

#endif  // TOOLS_GLWINDOW_H
