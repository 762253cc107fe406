// Drawables: what a context draws into (a window, or a DIB section selected
// into a memory device context), the drawable list, and buffer swap.
#pragma once

#include "wgl.h"
#include "raster/glbuffer.h"

// Storage of a memory bitmap: a DIB section in its own memory device context.
struct WglMemStorage {
    HBITMAP bitmap;
    HGDIOBJ replaced;  // the object the bitmap replaced in memoryDC
    BITMAPINFO* info;
    void* bits;
    LONG stride;
    HDC memoryDC;
};
static_assert(sizeof(WglMemStorage) == 24, "WglMemStorage is 6 words");

struct WglDrawable {
    WglDrawable* next;
    WglDrawable* prev;
    HDC deviceContext;  // the device context it was created for
    HWND window;        // null for a memory device context and after the window died
    POINT clientOrigin;  // screen coordinates
    RECT clientRect;
    GLint width, height;
    GLint formatIndex;  // set once by SetPixelFormat; 0 while none
    RGNDATA* swapHints;  // rectangles, top-down rows of the drawable
    GLuint swapHintCapacity;
    GLint updateRect[4];
    GLuint updateRectValid;
    void (*freeBuffers)(WglDrawable* d);
    void (*update)(WglDrawable* d);
    BOOL (*swap)(WglDrawable* d);

    // What the core reads and writes (GlCoreImports::getDrawableBuffer).
    GlPixelFormatInfo* formatInfo;  // the drawable's own copy
    uint8_t topDown;      // 1: memory row 0 is the top row of the image
    uint8_t initialised;  // format info copied and back end set up
    uint8_t isWindow;     // made for a window (kept after the window died)
    uint8_t pad;
    GLuint savedWord;
    GLint bufferWidth, bufferHeight;  // size the buffers' storage was last made for
    HGDIOBJ dibBitmap;    // the DIB section a memory-DC drawable draws into
    GlDrawableBuffer buffers[GL_DRAWABLE_BUFFERS];  // front, back, accum, depth, stencil, aux
    void* (*allocate)(size_t bytes);
    void* (*allocateZeroed)(size_t count, size_t size);
    void* (*reallocate)(void* block, size_t bytes);
    void (*free)(void* block);
    void (*addSwapHintRect)(WglDrawable* d, GLint x, GLint y, GLint width, GLint height);
    void (*setUpdateRect)(WglDrawable* d, GLint x, GLint y, GLint width, GLint height);
    WglDrawable* self;
    void (GLPROC* releaseHook)(WglDrawable* d);  // set by the core
    // Clip rectangles (window coordinates without the bias, right and bottom
    // exclusive) and the window-ownership bitmap (MSB first): none for now.
    GLuint clipRectCount;
    RECT* clipRects;
    const uint8_t* ownerBits;
    GLint ownerOriginX, ownerOriginY, ownerRowBytes, ownerStep;
    GLuint useCount;  // context handles bound to it
};

// Failure codes of __wglFindOrCreateDrawable (the wgl error codes).
enum {
    WGL_DRAWABLE_OK = 0,
    WGL_DRAWABLE_BAD_SURFACE = 1,  // no DIB section to draw into
    WGL_DRAWABLE_NO_MEMORY = 5,
    WGL_DRAWABLE_FORMAT_MISMATCH = 26,
};

extern "C" {
extern WglDrawable __wglDrawableList;  // sentinel

// Creates and links a drawable (zeroed, format-info copy, swap-hint block of 4).
WglDrawable* __wglCreateDrawable(HDC dc, HWND window);
// Unlinks it, calls the core's release hook and freeBuffers, frees it.
void __wglDestroyDrawable(WglDrawable* d);
// The drawable of a window (any of its device contexts), or of a memory
// device context when window is null; null when none.
WglDrawable* __wglFindDrawable(HDC dc, HWND window);
// Make-current: finds or creates the drawable of (dc, window). A drawable with
// a pixel format other than formatIndex is refused and left as it is
// (WGL_DRAWABLE_FORMAT_MISMATCH). The first time, or when another bitmap was
// selected into the memory DC, it copies formatInfo and sets the back end up
// (window, or DIB section: WGL_DRAWABLE_BAD_SURFACE when the DC holds no DIB
// section of the format's depth). Null with *failure set on failure.
WglDrawable* __wglFindOrCreateDrawable(HDC dc, HWND window, const GlPixelFormatInfo* formatInfo,
                                       GLint formatIndex, int* failure);
// Client origin, rectangle and size of a window drawable (640 x 480 while the
// hardware flag is on); drawables without a window keep their size.
void __wglUpdateDrawableSize(WglDrawable* d);

BOOL __wglDIBInitDrawable(WglDrawable* d, const GlPixelFormatInfo* formatInfo);
void __wglWindowInitDrawable(WglDrawable* d);

// Memory bitmap of a description (its storage procedure), grown, never shrunk.
void GLPROC __wglMemUpdateBuffer(GlDrawableBuffer* desc, WglDrawable* d);
void GLPROC __wglMemFreeBuffer(GlDrawableBuffer* desc, WglDrawable* d);
void __wglPaletteUpdate(WglDrawable* d);

// Swap hints (GL window coordinates, origin bottom-left) and the update rectangle.
void __wglAddSwapHintRect(WglDrawable* d, GLint x, GLint y, GLint width, GLint height);
void __wglSetUpdateRect(WglDrawable* d, GLint x, GLint y, GLint width, GLint height);

// SwapBuffers / wglSwapBuffers.
BOOL WINAPI __wglSwapBuffers(HDC dc);
// Host only: the back buffer as a .bmp in the folder OPENGL32_DUMP_DIR names, when it names one.
void __wglDumpBackBuffer(WglDrawable* d);
// Host: after a window's swap (the stand-in's per-swap pictures); nothing on Windows.
void __wglWindowSwapped(HWND window);
// Host: gives the stand-in's window pictures the GL image of each window.
void __wglHostPicturesStart(void);

// Pixel format of the device context's drawable.
int WINAPI __wglGetPixelFormat(HDC dc);
BOOL WINAPI __wglSetPixelFormat(HDC dc, int index, const PIXELFORMATDESCRIPTOR* descriptor);
}
