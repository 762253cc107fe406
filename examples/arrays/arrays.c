/*
 * arrays: a double-buffered demo of display lists and vertex arrays.
 *
 * A lit torus is compiled once into a display list; a cube with a colour at each
 * corner is drawn from vertex arrays with glDrawElements and stands on a grid drawn
 * with glDrawArrays. Keys: Space pause, D draw the torus in immediate mode instead
 * of from its list (the picture must not change), F12 screenshot, Esc quit.
 */
#include <windows.h>
#include <math.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include "glcontext.h"
#include "screenshot.h"

#define RINGS 24
#define SIDES 16
#define GRID_LINES 11

static HDC hDC;
static HGLRC hRC;
static GLuint torusList;
static BOOL paused, immediate, shotPending;
static GLfloat spin;
static LARGE_INTEGER frequency, lastCount;

static const GLfloat cubeVertices[8][3] = {
    {-1.0f, -1.0f, -1.0f}, {1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, -1.0f}, {-1.0f, 1.0f, -1.0f},
    {-1.0f, -1.0f, 1.0f},  {1.0f, -1.0f, 1.0f},  {1.0f, 1.0f, 1.0f},  {-1.0f, 1.0f, 1.0f},
};
static const GLubyte cubeColors[8][3] = {
    {0, 0, 0}, {255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 255}, {255, 255, 255}, {0, 255, 255},
};
static const GLubyte cubeFaces[24] = {
    4, 5, 6, 7, 1, 0, 3, 2, 0, 4, 7, 3, 5, 1, 2, 6, 7, 6, 2, 3, 0, 1, 5, 4,
};
static GLfloat gridLines[GRID_LINES * 4][3];

static void Torus(GLfloat inner, GLfloat outer)
{
    int i, j, k;
    const GLfloat twoPi = 6.2831853f;

    for (i = 0; i < RINGS; i++) {
        glBegin(GL_QUAD_STRIP);
        for (j = 0; j <= SIDES; j++) {
            for (k = 0; k <= 1; k++) {
                GLfloat ring = (i + k) % RINGS * twoPi / RINGS;
                GLfloat side = j % SIDES * twoPi / SIDES;
                GLfloat nx = (GLfloat)(cos(ring) * cos(side)), ny = (GLfloat)(sin(ring) * cos(side));
                GLfloat nz = (GLfloat)sin(side);
                glNormal3f(nx, ny, nz);
                glVertex3f((GLfloat)cos(ring) * outer + nx * inner, (GLfloat)sin(ring) * outer + ny * inner,
                           nz * inner);
            }
        }
        glEnd();
    }
}

static void InitGL(void)
{
    static const GLfloat lightPosition[] = {2.0f, 4.0f, 6.0f, 0.0f};
    int i;

    glClearColor(0.15f, 0.15f, 0.2f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);

    torusList = glGenLists(1);
    glNewList(torusList, GL_COMPILE);
    Torus(0.35f, 1.0f);
    glEndList();

    for (i = 0; i < GRID_LINES; i++) {
        GLfloat at = -5.0f + i;
        gridLines[4 * i][0] = at, gridLines[4 * i][1] = -1.6f, gridLines[4 * i][2] = -5.0f;
        gridLines[4 * i + 1][0] = at, gridLines[4 * i + 1][1] = -1.6f, gridLines[4 * i + 1][2] = 5.0f;
        gridLines[4 * i + 2][0] = -5.0f, gridLines[4 * i + 2][1] = -1.6f, gridLines[4 * i + 2][2] = at;
        gridLines[4 * i + 3][0] = 5.0f, gridLines[4 * i + 3][1] = -1.6f, gridLines[4 * i + 3][2] = at;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
}

static void Animate(void)
{
    LARGE_INTEGER now;

    QueryPerformanceCounter(&now);
    if (!paused)
        spin += (GLfloat)(now.QuadPart - lastCount.QuadPart) * 60.0f / (GLfloat)frequency.QuadPart;
    lastCount = now;
}

static void DrawScene(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0.0, 2.5, 9.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);

    /* The grid: vertex array, glDrawArrays. */
    glColor3f(0.5f, 0.5f, 0.6f);
    glVertexPointer(3, GL_FLOAT, 0, gridLines);
    glDrawArrays(GL_LINES, 0, GRID_LINES * 4);

    /* The torus: display list, lit. */
    glEnable(GL_LIGHTING);
    glColor3f(1.0f, 0.55f, 0.1f);
    glPushMatrix();
    glTranslatef(-2.0f, 0.0f, 0.0f);
    glRotatef(spin, 0.0f, 1.0f, 0.0f);
    glRotatef(60.0f, 1.0f, 0.0f, 0.0f);
    if (immediate)
        Torus(0.35f, 1.0f);
    else
        glCallList(torusList);
    glPopMatrix();
    glDisable(GL_LIGHTING);

    /* The cube: vertex and colour arrays, glDrawElements. */
    glPushMatrix();
    glTranslatef(2.0f, 0.0f, 0.0f);
    glRotatef(-spin, 0.0f, 1.0f, 0.0f);
    glRotatef(25.0f, 1.0f, 0.0f, 1.0f);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, cubeVertices);
    glColorPointer(3, GL_UNSIGNED_BYTE, 0, cubeColors);
    glDrawElements(GL_QUADS, 24, GL_UNSIGNED_BYTE, cubeFaces);
    glDisableClientState(GL_COLOR_ARRAY);
    glPopMatrix();

    if (shotPending) {
        SaveScreenshot();
        shotPending = FALSE;
    }
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        ResizePerspective(LOWORD(lParam), HIWORD(lParam), 45.0, 1.0, 50.0);
        return 0;
    case WM_CHAR:
        if (wParam == ' ')
            paused = !paused;
        else if (wParam == 'd' || wParam == 'D')
            immediate = !immediate;
        else if (wParam == 27)
            PostMessage(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_F12)
            shotPending = TRUE;
        return 0;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    WNDCLASSEX wc;
    RECT rect = {0, 0, 640, 480};
    HWND hWnd;
    MSG msg;
    BOOL running = TRUE;

    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = "ArraysDemo";
    RegisterClassEx(&wc);
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
    hWnd = CreateWindowEx(WS_EX_APPWINDOW, "ArraysDemo", "Display Lists and Vertex Arrays",
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT, CW_USEDEFAULT,
                          rect.right - rect.left, rect.bottom - rect.top, NULL, NULL, hInstance, NULL);
    if (hWnd == NULL)
        return 1;

    hDC = GetDC(hWnd);
    if ((hRC = CreateGLContext(hDC, 16, 16)) == NULL) {
        MessageBox(hWnd, "Cannot set up OpenGL.", "Display Lists and Vertex Arrays", MB_OK | MB_ICONERROR);
        return 1;
    }
    InitGL();
    GetClientRect(hWnd, &rect);
    ResizePerspective(rect.right, rect.bottom, 45.0, 1.0, 50.0);
    ShowWindow(hWnd, nCmdShow);
    SetForegroundWindow(hWnd);
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&lastCount);

    while (running) {
        if (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                running = FALSE;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        } else {
            Animate();
            DrawScene();
            SwapBuffers(hDC);
        }
    }
    glDeleteLists(torusList, 1);
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(hRC);
    ReleaseDC(hWnd, hDC);
    return (int)msg.wParam;
}
