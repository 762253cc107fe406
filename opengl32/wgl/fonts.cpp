// Font display lists: not built yet, so the calls fail.

#include "wgl.h"

BOOL WINAPI __wglUseFontBitmapsA(HDC, DWORD, DWORD, DWORD) { return FALSE; }
BOOL WINAPI __wglUseFontBitmapsW(HDC, DWORD, DWORD, DWORD) { return FALSE; }
BOOL WINAPI __wglUseFontOutlinesA(HDC, DWORD, DWORD, DWORD, FLOAT, FLOAT, int, LPGLYPHMETRICSFLOAT) {
    return FALSE;
}
BOOL WINAPI __wglUseFontOutlinesW(HDC, DWORD, DWORD, DWORD, FLOAT, FLOAT, int, LPGLYPHMETRICSFLOAT) {
    return FALSE;
}
