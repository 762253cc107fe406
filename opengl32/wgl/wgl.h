// Window-system layer: process and thread state, the lock, the error log.
#pragma once

#include "core/glcontext.h"

#ifdef _WIN32
// The platform headers declare the wgl entries as imports; the library defines them.
#pragma GCC diagnostic ignored "-Wattributes"
#endif

// One wgl context as the window-system layer keeps it.
struct WglContextHandle {
    WglContextHandle* next;
    WglContextHandle* prev;
    GlContext* glContext;
    GlPixelFormatInfo* formatInfo;
    uint8_t isCurrent;
    uint32_t ownerThread;  // thread id while current, else -1
    uint8_t resizePending;
    uint32_t handle;  // the HGLRC value the program sees
    HWND window;
    HDC deviceContext;
    uint8_t descriptor[40];  // PIXELFORMATDESCRIPTOR at creation
    uint32_t formatIndex;
    WglDrawable* drawable;
};
static_assert(sizeof(WglContextHandle) == 88, "WglContextHandle is 88 bytes");

// Process-wide state, set at process attach.
extern "C" {
extern DWORD __wglTlsIndex;
extern HMODULE __wglPlatformLibrary;
extern LONG __wglAttachCount;
extern DWORD __wglHardware;     // 1: contexts are hardware contexts
extern DWORD __wglPassThrough;  // 1: pass-through mode
extern GlThreadState* __wglSharedRecord;
extern HINSTANCE __wglInstance;
extern HANDLE __wglMutex;
extern DWORD __wglErrorLogSetting;
extern WglContextHandle __wglHandleList;  // sentinel: handle 0, the null context
// Display mode last seen by the message hook; the pixel-format list is rebuilt when it changes.
extern DWORD __wglDisplayBits, __wglDisplayWidth, __wglDisplayHeight;
extern DWORD __wglPixelFormatsStale;

BOOL WINAPI __wglDllEntry(HINSTANCE instance, DWORD reason);
BOOL __wglProcessAttach(HINSTANCE instance, DWORD threadId);
BOOL __wglProcessDetach(void);
BOOL __wglAttachThread(DWORD threadId);
BOOL __wglDetachThread(void);
GlContext* __wglGetCurrentContext(void);
void __wglInitLists(void);
LRESULT CALLBACK __wglHookProc(int code, WPARAM wParam, LPARAM lParam);
DWORD __wglReadRegistryDword(const char* valueName);
BOOL __wglLock(void);
void __wglUnlock(void);
void __wglReleaseCurrent(void);

// Error log.
void __wglLogMessage(const char* text);
void __wglLogError(const char* text);
void __wglSystemError(const char* callName, DWORD code);
void __wglReadErrorLogSetting(void);

// Window-message events handled with the drawables and context handles.
void __wglWindowDestroyed(HWND window);
void __wglWindowChanged(HWND window);
void __wglWindowClosing(HWND window);
void __wglResizeBuffers(WglContextHandle* h);

// Pass-through decision at load: 0 normal, 1 pass-through, other: fail the load.
int __wglCheckOverride(void);
// This module's file name after the last backslash, in `path`; null when it cannot be read.
const char* __wglModuleName(char* path, DWORD size);

BOOL WINAPI wglLockBuffers(HGLRC handle);
BOOL WINAPI wglUnlockBuffers(HGLRC handle);
}

// wgl failure codes OR this value become the thread's last error.
enum { WGL_ERROR_BASE = 0xE03D3D00u, WGL_ERROR_UNSUPPORTED = 0xC0000000u };

// Extension entries found by wglGetProcAddress.
struct WglExtensionEntry {
    const char* name;
    PROC entry;
};
extern "C" const WglExtensionEntry WglExtensionTable[25];

// Unsupported wgl calls.
extern "C" {
BOOL WINAPI __wglCopyContext(HGLRC source, HGLRC destination, UINT mask);
HGLRC WINAPI __wglCreateLayerContext(HDC dc, int layer);
BOOL WINAPI __wglDescribeLayerPlane(HDC dc, int format, int layer, UINT bytes, LAYERPLANEDESCRIPTOR* out);
PROC WINAPI __wglGetDefaultProcAddress(LPCSTR name);
int WINAPI __wglGetLayerPaletteEntries(HDC dc, int layer, int start, int count, COLORREF* entries);
BOOL WINAPI __wglRealizeLayerPalette(HDC dc, int layer, BOOL realize);
int WINAPI __wglSetLayerPaletteEntries(HDC dc, int layer, int start, int count, const COLORREF* entries);
BOOL WINAPI __wglSwapLayerBuffers(HDC dc, UINT planes);
}

// Implementations behind the exported wgl and GDI pixel-format entries.
extern "C" {
HGLRC WINAPI __wglCreateContext(HDC dc);
BOOL WINAPI __wglDeleteContext(HGLRC handle);
HGLRC WINAPI __wglGetCurrentContextHandle(void);
HDC WINAPI __wglGetCurrentDC(void);
PROC WINAPI __wglGetProcAddress(LPCSTR name);
BOOL WINAPI __wglMakeCurrent(HDC dc, HGLRC handle);
BOOL WINAPI __wglShareLists(HGLRC first, HGLRC second);
BOOL WINAPI __wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase);
BOOL WINAPI __wglUseFontBitmapsW(HDC dc, DWORD first, DWORD count, DWORD listBase);
BOOL WINAPI __wglUseFontOutlinesA(HDC dc, DWORD first, DWORD count, DWORD listBase, FLOAT deviation,
                                  FLOAT extrusion, int format, LPGLYPHMETRICSFLOAT metrics);
BOOL WINAPI __wglUseFontOutlinesW(HDC dc, DWORD first, DWORD count, DWORD listBase, FLOAT deviation,
                                  FLOAT extrusion, int format, LPGLYPHMETRICSFLOAT metrics);

// The window of the last wglMakeCurrent (the accelerator opens on it).
extern HWND __wglLastMakeCurrentWindow;
}

enum { WGL_ENTRY_COUNT = 19, WGL_PIXEL_FORMAT_ENTRY_COUNT = 5 };
struct WglEntryTableRecord {
    PROC procs[WGL_ENTRY_COUNT];
    const char* names[WGL_ENTRY_COUNT];
};
struct WglPixelFormatTableRecord {
    PROC procs[WGL_PIXEL_FORMAT_ENTRY_COUNT];
    const char* names[WGL_PIXEL_FORMAT_ENTRY_COUNT];
};
extern "C" WglEntryTableRecord WglEntryTable;
extern "C" WglPixelFormatTableRecord WglPixelFormatTable;

// ---- Font display lists ------------------------------------------------------
// Loads the GLU library that goes with this module and its tessellator calls.
extern "C" BOOL __wglLoadTessellator(void);

// ---- Installable-client-driver entries --------------------------------------
typedef ULONG_PTR DHGLRC;
enum { WGL_ICD_FORMAT_COUNT = 4 };
struct WglIcdProcTable {
    ULONG count;
    PROC entries[336];
};
extern "C" {
extern const WglIcdProcTable GlProcTable;
extern const char* const GlProcTableNames[336];
extern const PIXELFORMATDESCRIPTOR GlIcdPixelFormatTable[WGL_ICD_FORMAT_COUNT];
BOOL WINAPI DrvValidateVersion(ULONG version);
void WINAPI DrvSetCallbackProcs(INT count, PROC* procs);
DHGLRC WINAPI DrvCreateContext(HDC dc);
DHGLRC WINAPI DrvCreateLayerContext(HDC dc, INT layer);
BOOL WINAPI DrvDeleteContext(DHGLRC context);
const WglIcdProcTable* WINAPI DrvSetContext(HDC dc, DHGLRC context, PROC callback);
BOOL WINAPI DrvReleaseContext(DHGLRC context);
BOOL WINAPI DrvSwapBuffers(HDC dc);
LONG WINAPI DrvDescribePixelFormat(HDC dc, LONG index, ULONG bytes, PIXELFORMATDESCRIPTOR* out);
BOOL WINAPI DrvSetPixelFormat(HDC dc, LONG index);
BOOL WINAPI DrvCopyContext(DHGLRC source, DHGLRC destination, UINT mask);
BOOL WINAPI DrvDescribeLayerPlane(HDC dc, INT format, INT layer, UINT bytes, LAYERPLANEDESCRIPTOR* out);
INT WINAPI DrvGetLayerPaletteEntries(HDC dc, INT layer, INT start, INT count, COLORREF* entries);
BOOL WINAPI DrvRealizeLayerPalette(HDC dc, INT layer, BOOL realize);
INT WINAPI DrvSetLayerPaletteEntries(HDC dc, INT layer, INT start, INT count, const COLORREF* entries);
BOOL WINAPI DrvShareLists(DHGLRC first, DHGLRC second);
BOOL WINAPI DrvSwapLayerBuffers(HDC dc, UINT planes);
PROC WINAPI DrvGetProcAddress(LPCSTR name);
}

// ---- Pass-through mode --------------------------------------------------------
extern "C" {
// TRUE when the platform library offers a format other than the generic software one.
BOOL __wglHasAcceleratedFormat(HMODULE platformLibrary);
// Points the loading thread's dispatch table and the two jump tables at the
// platform library and GDI; on failure everything is as before.
BOOL __wglBindForwarding(HMODULE platformLibrary);
// Puts back the null dispatch table and the library's own jump-table entries.
void __wglUnbindForwarding(void);
}

// ---- Embedding interface -----------------------------------------------------
// What the client tells about its pixels.
struct MglPelluxVisual {
    GLuint depth;  // colour bits
    GLuint redMask, greenMask, blueMask, alphaMask;
    uint8_t redShift, pad0[7];
    uint8_t greenShift, pad1[7];
    uint8_t blueShift, pad2[7];
    uint8_t alphaShift, pad3[7];
    uint8_t* palette;  // 256 entries of blue, green, red, 0
};
struct MglPelluxAttributes {
    GLuint rgba;  // low byte: the RGBA flag; 0: colour index
    GLuint depthBits, stencilBits, accumBits;
};
// Present procedure: rectangle, then the client's first word.
typedef void (GLPROC* MglPelluxPresentProc)(GLint x, GLint y, GLint width, GLint height, void* client);
struct MglPelluxSurfaceDesc {
    GLint width, height;
    GLint stride;  // bytes per row
    GlDrawableBufferProc lock, unlock;
    MglPelluxPresentProc present;
    uint8_t reserved[64];
};
static_assert(sizeof(MglPelluxSurfaceDesc) == 88, "MglPelluxSurfaceDesc is 88 bytes");
struct MglPelluxSurface;
struct MglPelluxContext {
    GlPixelFormatInfo* formatInfo;
    GlContext* glContext;
    MglPelluxSurface* surface;
};
extern "C" {
void GLPROC mglPelluxChooseVisual(MglPelluxVisual* visual, MglPelluxAttributes* attributes);
GLint GLPROC mglPelluxCheckVisual(MglPelluxVisual* visual, const MglPelluxAttributes* attributes);
MglPelluxContext* GLPROC mglPelluxCreateContext(const MglPelluxVisual* visual,
                                                const MglPelluxAttributes* attributes);
GLint GLPROC mglPelluxDeleteContext(MglPelluxContext* context);
GLint GLPROC mglPelluxMakeCurrent(MglPelluxContext* context, MglPelluxSurface* surface);
MglPelluxSurface* GLPROC mglPelluxCreateSurface(const MglPelluxSurfaceDesc* description, const void* clientData);
GLint GLPROC mglPelluxDeleteSurface(MglPelluxSurface* surface);
GLint GLPROC mglPelluxSetSurfacePtr(MglPelluxSurface* surface, void* frontPixels, void* backPixels);
void __wglPelluxFill332Palette(MglPelluxVisual* visual);
// The surface's front and back buffer descriptions, made from its description
// at the first make-current on it.
void __wglPelluxInitSurfaceBuffers(MglPelluxSurface* surface);
GLuint __wglPelluxMaskBits(GLuint mask);
// Whether a context was made by mglPelluxCreateContext.
BOOL __wglPelluxIsEmbedding(const GlContext* gc);
// Releases the calling thread's current embedding context (TRUE when it has
// none); FALSE when the core keeps it current.
BOOL __wglPelluxReleaseCurrent(void);
}
