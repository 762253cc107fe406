// The pixel-format list offered through the GDI pixel-format calls.
#pragma once

#include "wgl.h"

enum { WGL_CANDIDATE_COUNT = 36 };

extern "C" {
// Rebuilds the list when the display mode changed since the last call.
void __wglRefreshPixelFormats(void);
int __wglPixelFormatCount(void);
// Entry index (1-based) of the list, or null outside 1..count.
const PIXELFORMATDESCRIPTOR* __wglPixelFormat(int index);

int WINAPI __wglChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* requested);
int WINAPI __wglDescribePixelFormat(HDC dc, int index, UINT bytes, PIXELFORMATDESCRIPTOR* out);
GlPixelFormatInfo __wglBuildPixelFormatInfo(const PIXELFORMATDESCRIPTOR* pfd);

// The display's colour depth and masks as the window back end reports them.
void __wglDisplayFormat(DWORD* bits, DWORD masks[3]);
}
