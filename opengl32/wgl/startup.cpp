// Library load and unload, per-thread records and the thread message hook.

#include <stdlib.h>
#include "wgl.h"
#include "ravix2x.h"

DWORD __wglTlsIndex = TLS_OUT_OF_INDEXES;
HMODULE __wglPlatformLibrary;
LONG __wglAttachCount;
DWORD __wglHardware = 1;
DWORD __wglPassThrough;
GlThreadState* __wglSharedRecord;
HINSTANCE __wglInstance;
HANDLE __wglMutex;
WglContextHandle __wglHandleList;
DWORD __wglDisplayBits, __wglDisplayWidth, __wglDisplayHeight;
DWORD __wglPixelFormatsStale = 1;  // the list is built at the first pixel-format call

static GlContext nullContext;
GlContext* __wglNullContext;
static RvBoardConfig boardConfig;
static HKEY registryKey;

enum { TLS_SLOTS_IN_TEB = 64 };

void __wglInitLists(void) {
    __wglLock();
    __wglNullContext = &nullContext;
    __wglHandleList.next = __wglHandleList.prev = &__wglHandleList;
    __wglHandleList.glContext = &nullContext;
    __wglHandleList.handle = 0;
    nullContext.imports.owner = &__wglHandleList;
    __wglUnlock();
}

BOOL __wglLock(void) { return WaitForSingleObject(__wglMutex, INFINITE) != WAIT_FAILED; }

void __wglUnlock(void) { ReleaseMutex(__wglMutex); }

DWORD __wglReadRegistryDword(const char* valueName) {
    if (!registryKey &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quentara\\OpenGL", 0, KEY_READ, &registryKey) !=
            ERROR_SUCCESS) {
        registryKey = nullptr;
        return 0;
    }
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(registryKey, valueName, nullptr, &type, (LPBYTE)&value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0;
    return value;
}

static GlThreadState* threadRecord(void) { return (GlThreadState*)TlsGetValue(__wglTlsIndex); }

BOOL __wglAttachThread(DWORD threadId) {
    if (__wglPassThrough && __wglSharedRecord) {
        TlsSetValue(__wglTlsIndex, __wglSharedRecord);
        return TRUE;
    }
    GlThreadState* ts = (GlThreadState*)GlobalAlloc(GPTR, sizeof(GlThreadState));
    if (!ts) {
        __wglSystemError("__wglAttachThread", 5);
        return FALSE;
    }
    TlsSetValue(__wglTlsIndex, ts);
    ts->context = __wglNullContext;
    __glClearThreadDispatch();
    __wglSharedRecord = ts;
    if (__wglPassThrough) return TRUE;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, __wglHookProc, __wglInstance, threadId);
    if (!hook) {
        __wglSystemError("__wglAttachThread", 7);
        return FALSE;
    }
    ts->hookHandle = hook;
    return TRUE;
}

BOOL __wglDetachThread(void) {
    GlThreadState* ts = threadRecord();
    if (!ts) return TRUE;
    if (ts->hookHandle) {
        if (!UnhookWindowsHookEx(ts->hookHandle)) return FALSE;
        ts->hookHandle = nullptr;
    }
    if (ts != __wglSharedRecord) GlobalFree(ts);
    TlsSetValue(__wglTlsIndex, nullptr);
    return TRUE;
}

GlContext* __wglGetCurrentContext(void) {
    if (!__wglAttachCount) return nullptr;  // outside load and unload there are no records
    GlThreadState* ts = __glThreadStateOrNull();
    if (!ts) {
        __wglAttachThread(GetCurrentThreadId());
        ts = __glThreadStateOrNull();
        if (!ts) return nullptr;
    }
    return ts->context;
}

// Makes no context current for the calling thread.
void __wglReleaseCurrent(void) {
    GlThreadState* ts = __glThreadStateOrNull();
    if (ts && ts->context && ts->context != __wglNullContext) __wglMakeCurrent(nullptr, nullptr);
}

BOOL __wglProcessAttach(HINSTANCE instance, DWORD threadId) {
    __wglMutex = CreateMutexA(nullptr, FALSE, nullptr);
    if (!__wglMutex) return FALSE;
    __wglReadErrorLogSetting();
    __wglTlsIndex = TlsAlloc();
    if (__wglTlsIndex == TLS_OUT_OF_INDEXES) return FALSE;
    if (__wglTlsOffset == 0xE10 && __wglTlsIndex >= TLS_SLOTS_IN_TEB) return FALSE;
    __wglTlsOffset += 4 * __wglTlsIndex;
    __wglInitLists();
    return __wglAttachThread(threadId);
}

BOOL __wglProcessDetach(void) {
    __wglSharedRecord = nullptr;
    if (!__wglDetachThread()) return FALSE;
    TlsFree(__wglTlsIndex);
    __wglTlsIndex = TLS_OUT_OF_INDEXES;
    CloseHandle(__wglMutex);
    __wglMutex = nullptr;
    return TRUE;
}

// Undoes a process attach that failed half-way, so the process keeps no TLS
// slot, mutex or record of a library that did not load.
static void abandonAttach(void) {
    if (__wglTlsIndex != TLS_OUT_OF_INDEXES) {
        GlThreadState* ts = threadRecord();
        if (ts) {
            if (ts->hookHandle) UnhookWindowsHookEx(ts->hookHandle);
            GlobalFree(ts);
            TlsSetValue(__wglTlsIndex, nullptr);
        }
        TlsFree(__wglTlsIndex);
        __wglTlsIndex = TLS_OUT_OF_INDEXES;
    }
    if (__wglMutex) CloseHandle(__wglMutex);
    __wglMutex = nullptr;
    __wglSharedRecord = nullptr;
    __wglTlsOffset = 0;
    __wglAttachCount = 0;
}

static BOOL processAttach(HINSTANCE instance) {
    __wglInstance = instance;
    if (__wglAttachCount != 0) return FALSE;
    __wglAttachCount = 1;
    DisableThreadLibraryCalls(instance);

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        __wglAttachCount = 0;
        return FALSE;
    }
    __wglTlsOffset = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 0x88 : 0xE10;

    if (!__wglProcessAttach(instance, GetCurrentThreadId())) {
        abandonAttach();
        return FALSE;
    }

    __wglHardware = getenv("QRB_USESW") ? 0 : 1;
    if (__wglHardware) {
        rvRavixInit();
        rvQrbQueryHardware(&boardConfig);
        rvQrbSelect(0);
    }

    int mode = __wglCheckOverride();
    if (mode == 0) return TRUE;
    if (mode == 1) {
        __wglPassThrough = 1;
        return TRUE;
    }
    __wglProcessDetach();
    abandonAttach();
    return FALSE;
}

static BOOL processDetach(void) {
    __wglAttachCount--;
    __wglReleaseCurrent();
    if (__wglPlatformLibrary) {
        FreeLibrary(__wglPlatformLibrary);
        __wglPlatformLibrary = nullptr;
    }
    return __wglProcessDetach();
}

BOOL WINAPI __wglDllEntry(HINSTANCE instance, DWORD reason) {
    switch (reason) {
    case DLL_PROCESS_ATTACH: return processAttach(instance);
    case DLL_PROCESS_DETACH: return processDetach();
    }
    return FALSE;
}

LRESULT CALLBACK __wglHookProc(int code, WPARAM wParam, LPARAM lParam) {
    GlThreadState* ts = threadRecord();
    HHOOK hook = ts ? ts->hookHandle : nullptr;
    const CWPSTRUCT* msg = (const CWPSTRUCT*)lParam;
    switch (msg->message) {
    case WM_DESTROY:
        __wglWindowDestroyed(msg->hwnd);
        break;
    case WM_CLOSE:
        __wglWindowClosing(msg->hwnd);
        break;
    case WM_WINDOWPOSCHANGED:
    case WM_PALETTECHANGED:
        __wglWindowChanged(msg->hwnd);
        break;
    case WM_DISPLAYCHANGE: {
        DWORD bits = (DWORD)msg->wParam;
        DWORD width = LOWORD(msg->lParam), height = HIWORD(msg->lParam);
        if (bits != __wglDisplayBits || width != __wglDisplayWidth || height != __wglDisplayHeight) {
            __wglDisplayBits = bits;
            __wglDisplayWidth = width;
            __wglDisplayHeight = height;
            __wglPixelFormatsStale = 1;
        }
        break;
    }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}
