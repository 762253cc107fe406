// The DLL's entry on Windows.

#include "wgl.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    return __wglDllEntry(instance, reason);
}
