/*
 * spincube: a cube that turns on a timer.
 *
 * Each WM_TIMER turns the cube by 15 degrees about its vertical axis and invalidates
 * the window; WM_PAINT draws it, tilted 20 degrees towards the viewer, and swaps the
 * buffers. Esc or closing the window ends it.
 */
#include <windows.h>
#include <gl/gl.h>
#include "glcontext.h"

#define TIMER_SPIN 1
#define SPIN_MS 50
#define SPIN_STEP 15.0f

static const char szClassName[] = "SpinCubeWindow";
static HDC hDC;
static HGLRC hRC;
static GLfloat angle;

static void Resize(int width, int height)
{
    GLfloat aspect;

    if (height == 0)
        height = 1;
    aspect = (GLfloat)width / (GLfloat)height;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5 * aspect, 0.5 * aspect, -0.5, 0.5, 1.0, 20.0);
    glMatrixMode(GL_MODELVIEW);
}

static void InitGL(void)
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_FLAT);
}

/* Front red, back green, left blue, right yellow, top magenta, bottom cyan. */
static void DrawCube(void)
{
    glBegin(GL_QUADS);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 1.0f); glVertex3f(1.0f, -1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, 1.0f); glVertex3f(-1.0f, 1.0f, 1.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, -1.0f); glVertex3f(-1.0f, 1.0f, -1.0f);
    glVertex3f(1.0f, 1.0f, -1.0f); glVertex3f(1.0f, -1.0f, -1.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(-1.0f, -1.0f, -1.0f); glVertex3f(-1.0f, -1.0f, 1.0f);
    glVertex3f(-1.0f, 1.0f, 1.0f); glVertex3f(-1.0f, 1.0f, -1.0f);
    glColor3f(1.0f, 1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, -1.0f); glVertex3f(1.0f, 1.0f, -1.0f);
    glVertex3f(1.0f, 1.0f, 1.0f); glVertex3f(1.0f, -1.0f, 1.0f);
    glColor3f(1.0f, 0.0f, 1.0f);
    glVertex3f(-1.0f, 1.0f, -1.0f); glVertex3f(-1.0f, 1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, 1.0f); glVertex3f(1.0f, 1.0f, -1.0f);
    glColor3f(0.0f, 1.0f, 1.0f);
    glVertex3f(-1.0f, -1.0f, -1.0f); glVertex3f(1.0f, -1.0f, -1.0f);
    glVertex3f(1.0f, -1.0f, 1.0f); glVertex3f(-1.0f, -1.0f, 1.0f);
    glEnd();
}

static void Render(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    glRotatef(20.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(angle, 0.0f, 1.0f, 0.0f);
    DrawCube();
    glFlush();
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PAINTSTRUCT ps;

    switch (message) {
    case WM_CREATE:
        hDC = GetDC(hWnd);
        hRC = CreateGLContext(hDC, 16, 16);
        if (hRC == NULL)
            return -1;
        InitGL();
        SetTimer(hWnd, TIMER_SPIN, SPIN_MS, NULL);
        return 0;

    case WM_SIZE:
        Resize(LOWORD(lParam), HIWORD(lParam));
        return 0;

    case WM_TIMER:
        if (wParam == TIMER_SPIN) {
            angle += SPIN_STEP;
            if (angle >= 360.0f)
                angle -= 360.0f;
            InvalidateRect(hWnd, NULL, FALSE);
        }
        return 0;

    case WM_PAINT:
        BeginPaint(hWnd, &ps);
        Render();
        SwapBuffers(hDC);
        EndPaint(hWnd, &ps);
        return 0;

    case WM_ERASEBKGND:
        return 1;

    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            PostMessage(hWnd, WM_CLOSE, 0, 0);
        return 0;

    case WM_DESTROY:
        KillTimer(hWnd, TIMER_SPIN);
        if (hRC) {
            wglMakeCurrent(NULL, NULL);
            wglDeleteContext(hRC);
            hRC = NULL;
        }
        ReleaseDC(hWnd, hDC);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    WNDCLASSEX wc;
    RECT rect;
    HWND hWnd;
    MSG msg;
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = szClassName;
    wc.hIconSm = LoadIcon(NULL, IDI_APPLICATION);
    if (!RegisterClassEx(&wc)) {
        MessageBox(NULL, "Cannot register the window class.", "Spinning Cube", MB_OK | MB_ICONERROR);
        return 1;
    }

    /* A 640 x 480 client area, the accelerator's screen. */
    rect.left = 0;
    rect.top = 0;
    rect.right = 640;
    rect.bottom = 480;
    AdjustWindowRectEx(&rect, style, FALSE, WS_EX_APPWINDOW);
    hWnd = CreateWindowEx(WS_EX_APPWINDOW, szClassName, "Spinning Cube", style, CW_USEDEFAULT, CW_USEDEFAULT,
                          rect.right - rect.left, rect.bottom - rect.top, NULL, NULL, hInstance, NULL);
    if (hWnd == NULL) {
        MessageBox(NULL, "Cannot create the window.", "Spinning Cube", MB_OK | MB_ICONERROR);
        return 1;
    }
    ShowWindow(hWnd, nCmdShow);
    UpdateWindow(hWnd);

    while (GetMessage(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return (int)msg.wParam;
}
