/* Host only: how tests set the scene for the Win32 stand-in and read what happened.
   StandinReset restores the scene (platform, registry, modules, captured output, forced
   failures); resources that code owns (handles, memory, TLS indices, hooks) are kept. */
#ifndef STANDIN_CONTROL_H
#define STANDIN_CONTROL_H

#include "../windows.h"

#ifdef __cplusplus
extern "C" {
#endif

void StandinReset(void);

/* Version: what GetVersionExA reports (platform id 2 = NT by default, 1 = Windows 9x). */
void StandinSetPlatformId(DWORD id);
DWORD StandinPlatformId(void);
void StandinFailGetVersion(BOOL fail);

/* TLS. */
void StandinFailNextTlsAlloc(void);
void StandinSetNextTlsIndex(DWORD index);
BOOL StandinTlsIsAllocated(DWORD index);
/* Byte offset of TLS slot `index` in the block for the current platform id, or -1 for
   indices kept outside the block. */
int StandinTlsSlotOffset(DWORD index);

/* Kernel objects. */
int StandinOpenHandleCount(void);

/* Debugger output: everything OutputDebugStringA got, concatenated. The pointer stays valid
   until the next output or clear. */
const char *StandinDebugOutput(void);
void StandinClearDebugOutput(void);

/* Registry. */
void StandinRegSetDword(HKEY root, const char *subKey, const char *valueName, DWORD value);
void StandinRegSetString(HKEY root, const char *subKey, const char *valueName, const char *value);
void StandinRegCreateKey(HKEY root, const char *subKey);
void StandinRegClear(void);
REGSAM StandinRegLastOpenAccess(void);
int StandinRegOpenCount(void);          /* RegOpenKeyExA calls since the last reset */
int StandinRegOpenKeyHandles(void);     /* key handles not yet closed */
/* Opening or creating a key asking for any right in `mask` fails with ERROR_ACCESS_DENIED.
   KEY_READ and KEY_WRITE share READ_CONTROL, so an ordinary user is modelled by the write
   rights alone: KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC |
   WRITE_OWNER. Default: nothing denied. */
void StandinRegDenyAccess(REGSAM mask);

/* Message boxes: recorded, never shown. */
int StandinMessageBoxCount(void);
const char *StandinMessageBoxText(int i);
const char *StandinMessageBoxCaption(int i);
UINT StandinMessageBoxType(int i);
HWND StandinMessageBoxOwner(int i);
void StandinSetMessageBoxResult(int result); /* what MessageBoxA returns; IDOK by default */

/* Modules. */
typedef struct {
  const char *name;
  void *proc;
} StandinExport;
/* Registers a module that LoadLibraryA finds by file name (case-insensitive, with or without
   a directory and ".dll"). `exports` ends with a null name and may be null. Registering the
   same name again replaces its exports and returns the same handle. A new module is not
   loaded: its reference count is 0. */
HMODULE StandinRegisterModule(const char *fileName, const StandinExport *exports);
int StandinModuleRefCount(HMODULE module); /* -1 for an unknown handle */
void StandinSetModuleFileName(HMODULE module, const char *path); /* module NULL: the program */
BOOL StandinThreadLibraryCallsDisabled(HMODULE module);

/* Memory. */
int StandinGlobalLiveBlocks(void);
int StandinLocalLiveBlocks(void);
int StandinHeapLiveBlocks(void);
void StandinFailNextGlobalAlloc(void);
void StandinFailGlobalAllocAfter(int successes); /* that many GlobalAlloc calls succeed, the next fails */
/* Every n-th allocation or growing reallocation of the global, local and process heaps (and
   every n-th VirtualAlloc) from now fails with ERROR_NOT_ENOUGH_MEMORY; 0 stops it. Blocks above
   256 MiB always fail (as DIB sections do). StandinInjectedAllocFailures counts the failures made so (reset by
   StandinReset). */
void StandinFailEveryNthAlloc(unsigned n);
unsigned StandinInjectedAllocFailures(void);

/* Window-message hooks. */
void StandinFailNextHook(void);
void StandinFailNextUnhook(void);
int StandinHookCount(DWORD threadId);
BOOL StandinHookInfo(HHOOK hook, int *idHook, HOOKPROC *proc, HINSTANCE *module, DWORD *threadId);
/* Runs the calling thread's WH_CALLWNDPROC chain (most recent hook first) for a message sent by
   another thread (hook wParam 0); returns what the first hook returns, 0 with no hook. */
LRESULT StandinDeliverCallWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

/* Display: what GetDeviceCaps, GetSystemMetrics and the device-dependent bitmaps see. Default
   16 bits per pixel (masks 0xF800, 0x07E0, 0x001F), 1024 x 768; reset restores it. With
   `notify`, every window is sent WM_DISPLAYCHANGE (wParam bits, lParam MAKELPARAM(width, height));
   windows of other threads get it when their thread next looks at its queue. 8 bits per pixel
   makes the display palette-based (RC_PALETTE, system palette). */
void StandinSetDisplayMode(DWORD bits, int width, int height, BOOL notify);

/* GDI objects. */
BOOL StandinDibGuardsIntact(HBITMAP bitmap); /* the 256 bytes on each side of a DIB section's bits untouched */
int StandinGdiObjectCount(void); /* live bitmaps, palettes, brushes, regions, metafiles (not stock) */
int StandinDcCount(void);        /* live device contexts of every kind */

/* Blits to any device context, recorded since the last reset (BitBlt, StretchBlt, StretchDIBits,
   SetDIBitsToDevice). The pixels of the source (a bitmap selected into the source memory DC, or
   the DIB bits passed) are copied at the time of the call: `pixels` holds `pixelBytes` bytes laid
   out as `pixelHeader` says, and stays valid until the next reset. */
#define STANDIN_BLIT_BITBLT 1
#define STANDIN_BLIT_STRETCHBLT 2
#define STANDIN_BLIT_STRETCHDIBITS 3
#define STANDIN_BLIT_SETDIBITSTODEVICE 4
typedef struct {
  int kind;
  HDC dest;
  HWND destWindow; /* WindowFromDC(dest) at the time of the call */
  int x, y, width, height;
  HDC source;      /* BitBlt, StretchBlt */
  int srcX, srcY, srcWidth, srcHeight;
  UINT startScan, lines; /* SetDIBitsToDevice */
  UINT usage;            /* DIB_RGB_COLORS or DIB_PAL_COLORS for the DIB calls */
  DWORD rop;
  BITMAPINFOHEADER pixelHeader; /* biSize 0 when no pixels were captured */
  const void *pixels;
  DWORD pixelBytes;
} StandinBlit;
int StandinBlitCount(void);
/* Blit number i (0 = the first since the reset); FALSE when there is none. */
BOOL StandinGetBlit(int i, StandinBlit *out);

/* Windows. */
int StandinWindowCount(void); /* windows not yet destroyed, every thread */
/* Calls of ShowWindow, UpdateWindow and InvalidateRect on `hwnd` since it was created. */
int StandinShowWindowCount(HWND hwnd);
int StandinUpdateWindowCount(HWND hwnd);
int StandinInvalidateCount(HWND hwnd);
/* Runs the messages that other threads sent to the calling thread's windows (as GetMessageA and
   PeekMessageA do); returns how many ran. */
int StandinProcessSentMessages(void);

/* Scripted input: replaces the input script (see the README) with `text` and starts the virtual
   clock at 0, as the variable STANDIN_INPUT does at start-up. NULL on success, else the problem
   ("line N: ..."), valid until the next call; a script that fails is not loaded. */
const char *StandinLoadInputScript(const char *text);

/* Menus: a user choosing the item `id` of the window's menu: WM_COMMAND is posted to the window.
   FALSE (nothing posted) when the menu has no such enabled command item or the window is disabled. */
BOOL StandinChooseMenuItem(HWND hwnd, UINT id);

/* Dialog answers: what a user does in a dialog, as actions separated by ';':
     click ID          presses the button ID (BN_CLICKED to the dialog)
     type ID TEXT      empties the edit field ID and types TEXT into it (within its EM_LIMITTEXT)
     select ID INDEX   selects entry INDEX of the list box ID (LBN_SELCHANGE with LBS_NOTIFY)
     close             closes the dialog (as Esc or the close box: IDCANCEL)
   StandinQueueDialogAnswer gives the answer to the next dialog made from template `templateId`:
   each action is posted to it after WM_INITDIALOG. StandinDialogAction does the actions at once
   on the newest open dialog of that template (0: of any template). FALSE for a malformed answer,
   or no such dialog; an action that finds no enabled control counts as a failure. */
BOOL StandinQueueDialogAnswer(int templateId, const char *actions);
BOOL StandinDialogAction(int templateId, const char *actions);
HWND StandinFindDialog(int templateId);
int StandinDialogAnswerFailures(void);

/* Shapes and text drawn into any device context, recorded since the last reset. */
#define STANDIN_DRAW_POLYGON 1
#define STANDIN_DRAW_RECTANGLE 2
#define STANDIN_DRAW_TEXT 3
typedef struct {
  int kind;
  HDC dc;
  HWND window;       /* WindowFromDC(dc) at the time of the call */
  HBRUSH brush;      /* the brush selected into dc */
  int pointCount;    /* Polygon: the points (at most 16 kept) */
  POINT points[16];
  RECT rect;         /* Rectangle; DrawText's rectangle */
  UINT format;       /* DrawText */
  char text[512];    /* DrawText */
} StandinDraw;
int StandinDrawCount(void);
BOOL StandinGetDraw(int i, StandinDraw *out);

/* Pictures of windows (24-bit .bmp): frame, caption, menu bar, the client area as the window's
   device contexts drew it, the GL image over it, child windows and the windows it owns (dialogs).
   A window's picture is that of the window at the root of its owner chain, the window's size;
   NULL gives the desktop with every visible top-level window. FALSE when it cannot be written. */
BOOL StandinWritePicture(HWND hwnd, const char *path);
/* The GL image shown in a window's client area, which the library supplies: it writes the
   width x height pixels top-down as 0x00RRGGBB and returns TRUE, or FALSE where it shows none. */
typedef BOOL (*StandinGlImageFn)(HWND window, int width, int height, DWORD *pixels);
void StandinSetGlImageSource(StandinGlImageFn source);
/* The library calls this after each SwapBuffers of a window: with STANDIN_PICTURE_DIR naming a
   folder, the picture of the window's top-level window goes there as window-NNNNN.bmp (from 1). */
void StandinWindowSwapped(HWND hwnd);

/* Progress bars: range, step and position of a "msctls_progress32" control. */
BOOL StandinProgressState(HWND bar, int *low, int *high, int *step, int *position);

/* File mappings: views mapped and not yet unmapped. */
int StandinMappedViewCount(void);

/* File dialogs (GetOpenFileNameA, GetSaveFileNameA). Each dialog takes the next queued answer:
   a full path that the user chose, a cancel, or a failure with a CommDlgExtendedError code; with
   none queued it is cancelled. Every call is recorded. */
void StandinQueueFileDialogAnswer(const char *path); /* NULL: the user cancels */
void StandinQueueFileDialogError(DWORD error);
typedef struct {
  BOOL save;
  DWORD structSize;
  HWND owner;
  HINSTANCE instance;
  char filter[512];     /* the filter strings up to and including the final empty string */
  DWORD filterBytes;    /* 0 when no filter was given */
  BOOL customFilter;
  DWORD filterIndex;
  char initialFile[MAX_PATH]; /* what the file buffer held */
  DWORD maxFile;
  BOOL fileTitle;       /* a file-title buffer was given */
  DWORD maxFileTitle;
  BOOL initialDir, title, defExt, hook, templateName; /* which optional pointers were given */
  DWORD flags;
} StandinFileDialog;
int StandinFileDialogCount(void);
BOOL StandinGetFileDialog(int i, StandinFileDialog *out);

/* Fonts: GDI serves DejaVu Sans and DejaVu Sans Mono (regular and bold). */
/* That many GetGlyphOutlineA data fetches succeed, then every one fails with GDI_ERROR;
   -1 (the default) never fails. */
void StandinFailGlyphFetchAfter(int fetches);
/* GetGlyphOutlineA answers and writes `bytes` fewer than the glyph's metrics need (0 by default). */
void StandinUnderstateGlyphSize(DWORD bytes);

/* The GLU stand-in (its tessellator calls), registered as a module of that file name; the
   export named `leaveOut` (may be null) is left out. */
HMODULE StandinRegisterGlu(const char *fileName, const char *leaveOut);

/* x87 control word of the calling thread. */
WORD StandinX87ControlWord(void);

#ifdef __cplusplus
}
#endif

#endif /* STANDIN_CONTROL_H */
