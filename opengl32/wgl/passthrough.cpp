// Pass-through mode: under a file name other than opengl32.dll the library can
// forward every GL, wgl and pixel-format call to the platform's own OpenGL
// library and GDI, by refilling the loading thread's dispatch table and the
// two jump tables the wgl and GDI-named exports go through.

#include <stdlib.h>
#include <string.h>
#include "wgl.h"
#include "core/gldispatch.h"

static const char platformLibraryName[] = "OPENGL32.DLL";

// The library's own jump-table entries, kept while forwarding is bound.
static PROC savedWglEntries[WGL_ENTRY_COUNT];
static PROC savedPixelFormatEntries[WGL_PIXEL_FORMAT_ENTRY_COUNT];
static BOOL entriesSaved;
static HMODULE gdiLibrary;

// "__GL_OVERRIDE_DISPATCH" as 0, 1 or 2; absent is 1, anything else 0.
static int overrideMode(void) {
    const char* text = getenv("__GL_OVERRIDE_DISPATCH");
    if (!text) return 1;
    char* end = nullptr;
    const long mode = strtol(text, &end, 10);
    if (end == text || *end || mode < 0 || mode > 2) return 0;
    return (int)mode;
}

// Fills `count` slots with the named procedures of `library`; FALSE at the first one missing.
static BOOL fillByName(HMODULE library, PROC* slots, const char* const* names, int count) {
    for (int i = 0; i < count; ++i) {
        if (!names[i]) continue;
        PROC proc = (PROC)GetProcAddress(library, names[i]);
        if (!proc) return FALSE;
        slots[i] = proc;
    }
    return TRUE;
}

extern "C" void __wglUnbindForwarding(void) {
    if (__glThreadStateOrNull()) __glClearThreadDispatch();
    if (entriesSaved) {
        memcpy(WglEntryTable.procs, savedWglEntries, sizeof savedWglEntries);
        memcpy(WglPixelFormatTable.procs, savedPixelFormatEntries, sizeof savedPixelFormatEntries);
        entriesSaved = FALSE;
    }
    if (gdiLibrary) {
        FreeLibrary(gdiLibrary);
        gdiLibrary = nullptr;
    }
}

extern "C" BOOL __wglBindForwarding(HMODULE platformLibrary) {
    GlThreadState* ts = __glThreadStateOrNull();
    if (!ts || !platformLibrary) return FALSE;
    HMODULE gdi = LoadLibraryA("Gdi32.dll");
    if (!gdi) return FALSE;
    if (!entriesSaved) {
        memcpy(savedWglEntries, WglEntryTable.procs, sizeof savedWglEntries);
        memcpy(savedPixelFormatEntries, WglPixelFormatTable.procs, sizeof savedPixelFormatEntries);
        entriesSaved = TRUE;
    }
    if (gdiLibrary) FreeLibrary(gdiLibrary);
    gdiLibrary = gdi;
    static_assert(sizeof(GlEntryProc) == sizeof(PROC), "dispatch entries are procedure words");
    const BOOL ok = fillByName(platformLibrary, (PROC*)ts->dispatch.entry, __glSlotNames, GL_SLOT_COUNT) &&
                    fillByName(platformLibrary, WglEntryTable.procs, WglEntryTable.names, WGL_ENTRY_COUNT) &&
                    fillByName(gdi, WglPixelFormatTable.procs, WglPixelFormatTable.names,
                               WGL_PIXEL_FORMAT_ENTRY_COUNT);
    // A binding that failed part-way must not leave entries of a library about to be freed.
    if (!ok) __wglUnbindForwarding();
    return ok;
}

extern "C" BOOL __wglHasAcceleratedFormat(HMODULE platformLibrary) {
    typedef int(WINAPI * DescribeProc)(HDC, int, UINT, PIXELFORMATDESCRIPTOR*);
    DescribeProc describe = (DescribeProc)(void (*)(void))GetProcAddress(platformLibrary, "wglDescribePixelFormat");
    if (!describe) return FALSE;
    HDC dc = GetDC(nullptr);
    if (!dc) return FALSE;
    BOOL found = FALSE;
    const int count = describe(dc, 0, 0, nullptr);
    for (int index = 1; index <= count && !found; ++index) {
        PIXELFORMATDESCRIPTOR pfd;
        memset(&pfd, 0, sizeof pfd);
        if (!describe(dc, index, sizeof pfd, &pfd)) continue;
        const bool accelerated = (pfd.dwFlags & PFD_GENERIC_ACCELERATED) != 0;
        const bool generic = (pfd.dwFlags & PFD_GENERIC_FORMAT) != 0;
        found = accelerated == generic;
    }
    ReleaseDC(nullptr, dc);
    return found;
}

static void dropPlatformLibrary(void) {
    if (__wglPlatformLibrary) FreeLibrary(__wglPlatformLibrary);
    __wglPlatformLibrary = nullptr;
}

extern "C" const char* __wglModuleName(char* path, DWORD size) {
    const DWORD length = GetModuleFileNameA((HMODULE)__wglInstance, path, size - 1);
    if (!length || length >= size - 1) return nullptr;
    path[length] = 0;
    const char* name = strrchr(path, '\\');
    return name ? name + 1 : path;
}

// 0 normal mode, 1 pass-through on, 2 the library must not load.
extern "C" int __wglCheckOverride(void) {
    const int mode = overrideMode();
    if (mode == 1) return 0;
    char path[256];
    const char* name = __wglModuleName(path, sizeof path);
    if (!name) return 2;
    // Loaded as the platform library's own name: loading that name would find this library.
    if (!lstrcmpiA(name, "opengl32.dll")) return 0;

    __wglPlatformLibrary = LoadLibraryA(platformLibraryName);
    if (mode == 0) {
        if (__wglPlatformLibrary && __wglHasAcceleratedFormat(__wglPlatformLibrary) &&
            __wglBindForwarding(__wglPlatformLibrary))
            return 1;
        dropPlatformLibrary();
        return 0;
    }
    if (__wglPlatformLibrary && __wglBindForwarding(__wglPlatformLibrary)) return 1;
    dropPlatformLibrary();
    MessageBoxA(nullptr, "A required .DLL file, OPENGL32.DLL, was not found.", "Error Starting Program",
                MB_SYSTEMMODAL | MB_ICONWARNING);
    return 2;
}
