// An ordinary program that cleans up its GL windows from an atexit handler, as
// test frameworks do: the windows' messages still pass the library's hook after
// main has returned. It must end with its own exit code, the heap intact.
#include <windows.h>
#include <GL/gl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// What is still open for the handler, one window a case.
struct Case {
    const char* what;
    bool makeCurrent;   // the context was current at some time
    bool deleteFirst;   // the handler deletes the context before destroying the window
    HWND window;
    HDC dc;
    HGLRC rc;
};
Case cases[] = {
    {"context deleted, then the window destroyed", true, true, nullptr, nullptr, nullptr},
    {"window destroyed while its context is current", true, false, nullptr, nullptr, nullptr},
    {"context never current, deleted first", false, true, nullptr, nullptr, nullptr},
};
int failures;

void fail(const Case& k, const char* step) {
    printf("FAIL %s: %s\n", k.what, step);
    failures++;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool open(Case& k) {
    k.window = CreateWindowExA(0, "ExitCleanup", k.what, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 160, 120,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!k.window) return false;
    k.dc = GetDC(k.window);
    PIXELFORMATDESCRIPTOR pfd;
    ZeroMemory(&pfd, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 16;
    pfd.cDepthBits = 16;
    const int format = ChoosePixelFormat(k.dc, &pfd);
    if (!format || !SetPixelFormat(k.dc, format, &pfd)) return false;
    k.rc = wglCreateContext(k.dc);
    if (!k.rc) return false;
    if (k.makeCurrent) {
        if (!wglMakeCurrent(k.dc, k.rc)) return false;
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(k.dc);
    }
    return true;
}

// Small blocks taken before the clean-up, filled with a pattern: memory freed
// before the exit handlers ran comes back as one of these, so a write through a
// stale pointer during the clean-up shows as a changed block.
enum { CANARY_SIZES = 32, CANARY_COUNT = 12, CANARY_BYTE = 0x5A };
unsigned char* canaries[CANARY_SIZES][CANARY_COUNT];

void takeCanaries() {
    for (int s = 0; s < CANARY_SIZES; ++s)
        for (int i = 0; i < CANARY_COUNT; ++i) {
            const size_t bytes = 4 * (s + 1);
            canaries[s][i] = (unsigned char*)malloc(bytes);
            if (canaries[s][i]) memset(canaries[s][i], CANARY_BYTE, bytes);
        }
}

int writtenCanaries() {
    int written = 0;
    for (int s = 0; s < CANARY_SIZES; ++s)
        for (int i = 0; i < CANARY_COUNT; ++i) {
            const size_t bytes = 4 * (s + 1);
            for (size_t b = 0; canaries[s][i] && b < bytes; ++b)
                if (canaries[s][i][b] != CANARY_BYTE) {
                    written++;
                    break;
                }
            free(canaries[s][i]);
        }
    return written;
}

void closeAll() {
    takeCanaries();
    for (Case& k : cases) {
        if (k.makeCurrent && !wglMakeCurrent(k.dc, k.rc)) fail(k, "make-current at exit");
        if (k.deleteFirst) {
            wglMakeCurrent(nullptr, nullptr);
            if (!wglDeleteContext(k.rc)) fail(k, "wglDeleteContext");
        }
        ReleaseDC(k.window, k.dc);
        if (!DestroyWindow(k.window)) fail(k, "DestroyWindow");
        if (!k.deleteFirst && !wglDeleteContext(k.rc)) fail(k, "wglDeleteContext after DestroyWindow");
    }
    if (const int written = writtenCanaries()) {
        printf("FAIL %d blocks written after they were freed\n", written);
        failures++;
    }
    printf("%d failed\n", failures);
    fflush(stdout);
    if (failures) _Exit(1);
}

}  // namespace

int main() {
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ExitCleanup";
    if (!RegisterClassA(&wc)) return 2;
    for (Case& k : cases)
        if (!open(k)) {
            fail(k, "set-up");
            return 1;
        }
    // One message round, as a program's loop would run before it ends.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    atexit(closeAll);
    return 0;
}
