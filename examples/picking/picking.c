/*
 * picking: choosing objects with the mouse through GL selection and gluPickMatrix.
 *
 * Nine squares float before a grey plate. A left click picks the nearest object
 * under the pointer and shows it white (its name goes to the title bar); a right
 * click clears the choice. F12 saves a screenshot, Esc quits.
 */
#include <windows.h>
#include <stdio.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include "glcontext.h"
#include "screenshot.h"

#define PLATE 10
#define NO_PICK 0

static HDC hDC;
static HGLRC hRC;
static GLuint picked = NO_PICK;
static BOOL shotPending;

static const GLfloat colors[9][3] = {
    {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f},
    {1.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 1.0f},
    {1.0f, 0.5f, 0.0f}, {0.5f, 0.0f, 1.0f}, {0.0f, 0.5f, 0.0f},
};

static void SetProjection(void)
{
    GLint viewport[4];

    glGetIntegerv(GL_VIEWPORT, viewport);
    gluPerspective(40.0, (double)viewport[2] / (double)viewport[3], 1.0, 20.0);
}

/* The plate (name 10) and, half a unit before it, squares 1-9 row by row from the top left. */
static void DrawObjects(void)
{
    int row, column;

    glLoadName(PLATE);
    if (picked == PLATE)
        glColor3f(1.0f, 1.0f, 1.0f);
    else
        glColor3f(0.4f, 0.4f, 0.4f);
    glRectf(-2.5f, -2.5f, 2.5f, 2.5f);

    for (row = 0; row < 3; row++) {
        for (column = 0; column < 3; column++) {
            GLuint name = row * 3 + column + 1;
            GLfloat x = (column - 1) * 1.5f, y = (1 - row) * 1.5f;

            glLoadName(name);
            if (picked == name)
                glColor3f(1.0f, 1.0f, 1.0f);
            else
                glColor3fv(colors[name - 1]);
            glBegin(GL_QUADS);
            glVertex3f(x - 0.5f, y - 0.5f, 0.5f);
            glVertex3f(x + 0.5f, y - 0.5f, 0.5f);
            glVertex3f(x + 0.5f, y + 0.5f, 0.5f);
            glVertex3f(x - 0.5f, y + 0.5f, 0.5f);
            glEnd();
        }
    }
}

static void SetView(void)
{
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 8.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
}

static void Render(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetView();
    DrawObjects();
    if (shotPending) {
        SaveScreenshot();
        shotPending = FALSE;
    }
}

/* The nearest object drawn within 3 pixels of the window point (x, y); NO_PICK for none. */
static GLuint Pick(int x, int y)
{
    GLuint buffer[64];
    GLint viewport[4];
    GLint hits, i;
    GLuint *record, nearest = NO_PICK, nearestDepth = 0xFFFFFFFF;

    glGetIntegerv(GL_VIEWPORT, viewport);
    glSelectBuffer(64, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(NO_PICK);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix((GLdouble)x, (GLdouble)(viewport[3] - y), 3.0, 3.0, viewport);
    SetProjection();
    glMatrixMode(GL_MODELVIEW);
    SetView();
    DrawObjects();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    hits = glRenderMode(GL_RENDER);
    /* Each hit: name count, minimum and maximum depth, the names. */
    record = buffer;
    for (i = 0; i < hits; i++) {
        GLuint names = record[0], minDepth = record[1];
        if (names > 0 && minDepth <= nearestDepth) {
            nearestDepth = minDepth;
            nearest = record[3 + names - 1];
        }
        record += 3 + names;
    }
    return nearest;
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PAINTSTRUCT ps;
    char title[64];

    switch (message) {
    case WM_SIZE:
        glViewport(0, 0, LOWORD(lParam), HIWORD(lParam));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        SetProjection();
        glMatrixMode(GL_MODELVIEW);
        return 0;
    case WM_PAINT:
        BeginPaint(hWnd, &ps);
        Render();
        SwapBuffers(hDC);
        EndPaint(hWnd, &ps);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        picked = message == WM_LBUTTONDOWN ? Pick(LOWORD(lParam), HIWORD(lParam)) : NO_PICK;
        if (picked == NO_PICK)
            lstrcpy(title, "Picking - nothing picked");
        else if (picked == PLATE)
            lstrcpy(title, "Picking - the plate");
        else
            wsprintf(title, "Picking - square %u", picked);
        SetWindowText(hWnd, title);
        InvalidateRect(hWnd, NULL, FALSE);
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
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    WNDCLASS wc;
    RECT rect = {0, 0, 640, 480};
    HWND hWnd;
    MSG msg;

    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursor(NULL, IDC_CROSS);
    wc.lpszClassName = "Picking";
    RegisterClass(&wc);
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    hWnd = CreateWindow("Picking", "Picking - nothing picked", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, NULL, NULL,
                        hInstance, NULL);
    if (hWnd == NULL)
        return 1;

    hDC = GetDC(hWnd);
    if ((hRC = CreateGLContext(hDC, 16, 16)) == NULL) {
        MessageBox(hWnd, "Cannot set up OpenGL.", "Picking", MB_OK | MB_ICONERROR);
        return 1;
    }
    glEnable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.0f, 0.2f, 1.0f);
    GetClientRect(hWnd, &rect);
    SendMessage(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rect.right, rect.bottom));
    ShowWindow(hWnd, nCmdShow);
    UpdateWindow(hWnd);

    while (GetMessage(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(hRC);
    ReleaseDC(hWnd, hDC);
    return (int)msg.wParam;
}
