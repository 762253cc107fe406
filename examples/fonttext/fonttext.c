/*
 * fonttext: text drawn with bitmap-font display lists made by wglUseFontBitmaps.
 *
 * A timer counts the seconds shown in the second line. F12 saves a screenshot,
 * Esc quits.
 */
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <gl/gl.h>
#include "glcontext.h"
#include "screenshot.h"

#define TIMER_CLOCK 1

static HDC hDC;
static HGLRC hRC;
static GLuint fontBase;
static int seconds;
static int width = 640, height = 480;
static BOOL shotPending;

/* Display lists 32..127 of a bold fixed-pitch font. */
static BOOL BuildFont(void)
{
    HFONT font, oldFont;
    BOOL ok;

    fontBase = glGenLists(96);
    font = CreateFont(-24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                      CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_MODERN | FIXED_PITCH, "Courier New");
    if (font == NULL)
        return FALSE;
    oldFont = (HFONT)SelectObject(hDC, font);
    ok = wglUseFontBitmaps(hDC, 32, 96, fontBase);
    SelectObject(hDC, oldFont);
    DeleteObject(font);
    return ok;
}

/* Prints at window position (x, y), y counted up from the bottom, in the current colour. */
static void glPrint(int x, int y, const char *format, ...)
{
    char text[256];
    va_list args;

    va_start(args, format);
    vsprintf(text, format, args);
    va_end(args);

    glRasterPos2i(x, y);
    glPushAttrib(GL_LIST_BIT);
    glListBase(fontBase - 32);
    glCallLists((GLsizei)strlen(text), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}

static void Render(void)
{
    glClear(GL_COLOR_BUFFER_BIT);

    /* A dark blue band under the title. */
    glColor3f(0.1f, 0.1f, 0.4f);
    glRecti(0, height - 80, width, height - 20);

    glColor3f(1.0f, 1.0f, 0.0f);
    glPrint(20, height - 60, "Bitmap fonts in OpenGL");
    glColor3f(1.0f, 1.0f, 1.0f);
    glPrint(20, height - 140, "Running for %d seconds", seconds);
    glColor3f(0.3f, 1.0f, 0.3f);
    glPrint(20, 40, "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789");

    if (shotPending) {
        SaveScreenshot();
        shotPending = FALSE;
    }
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PAINTSTRUCT ps;

    switch (message) {
    case WM_SIZE:
        width = LOWORD(lParam);
        height = HIWORD(lParam);
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        return 0;
    case WM_TIMER:
        seconds++;
        InvalidateRect(hWnd, NULL, FALSE);
        return 0;
    case WM_PAINT:
        BeginPaint(hWnd, &ps);
        Render();
        SwapBuffers(hDC);
        EndPaint(hWnd, &ps);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_F12) {
            shotPending = TRUE;
            InvalidateRect(hWnd, NULL, FALSE);
        } else if (wParam == VK_ESCAPE) {
            DestroyWindow(hWnd);
        }
        return 0;
    case WM_DESTROY:
        KillTimer(hWnd, TIMER_CLOCK);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    WNDCLASSEX wc;
    RECT rect = {0, 0, 640, 480};
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND hWnd;
    MSG msg;

    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = "FontText";
    if (!RegisterClassEx(&wc))
        return 1;
    AdjustWindowRectEx(&rect, style, FALSE, 0);
    hWnd = CreateWindowEx(0, "FontText", "Bitmap Font Text", style, CW_USEDEFAULT, CW_USEDEFAULT,
                          rect.right - rect.left, rect.bottom - rect.top, NULL, NULL, hInstance, NULL);
    if (hWnd == NULL)
        return 1;

    hDC = GetDC(hWnd);
    if ((hRC = CreateGLContext(hDC, 16, 0)) == NULL || !BuildFont()) {
        MessageBox(hWnd, "Cannot set up OpenGL with a bitmap font.", "Bitmap Font Text", MB_OK | MB_ICONERROR);
        return 1;
    }
    GetClientRect(hWnd, &rect);
    SendMessage(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rect.right, rect.bottom));
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    SetTimer(hWnd, TIMER_CLOCK, 1000, NULL);
    ShowWindow(hWnd, nCmdShow);
    UpdateWindow(hWnd);

    while (GetMessage(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    glDeleteLists(fontBase, 96);
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(hRC);
    ReleaseDC(hWnd, hDC);
    return (int)msg.wParam;
}
