/*
 * quadrics: GLU spheres, cylinders and disks receding into fog.
 *
 * Keys: F fog on or off, W wireframe, P pause (the program then waits for input),
 * F12 save a screenshot, Esc quit. The cone tumbles and the partial disk turns.
 */
#include <windows.h>
#include <mmsystem.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include "glcontext.h"
#include "screenshot.h"

static HDC hDC;
static HGLRC hRC;
static GLUquadricObj *quadric;
static BOOL fog = TRUE, wireframe, paused, shotPending;
static DWORD startTime;

static const GLfloat fogColor[4] = {0.5f, 0.5f, 0.55f, 1.0f};

static void InitGL(void)
{
    static const GLfloat lightPosition[] = {-3.0f, 5.0f, 4.0f, 0.0f};
    static const GLfloat lightAmbient[] = {0.25f, 0.25f, 0.25f, 1.0f};

    glClearColor(fogColor[0], fogColor[1], fogColor[2], fogColor[3]);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);

    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, lightAmbient);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);

    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fogColor);
    glFogf(GL_FOG_START, 4.0f);
    glFogf(GL_FOG_END, 28.0f);
    glEnable(GL_FOG);

    quadric = gluNewQuadric();
    gluQuadricNormals(quadric, GLU_SMOOTH);
}

static void DrawScene(void)
{
    GLfloat angle = (GLfloat)(timeGetTime() - startTime) * 0.09f;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0.0, 2.0, 7.0, 0.0, 0.0, -6.0, 0.0, 1.0, 0.0);
    gluQuadricDrawStyle(quadric, wireframe ? GLU_LINE : GLU_FILL);

    /* Near: a red sphere. */
    glColor3f(0.9f, 0.1f, 0.1f);
    glPushMatrix();
    glTranslatef(-1.6f, 0.0f, 2.0f);
    gluSphere(quadric, 1.0, 24, 16);
    glPopMatrix();

    /* A green cone tumbling about x. */
    glColor3f(0.1f, 0.8f, 0.2f);
    glPushMatrix();
    glTranslatef(1.8f, 0.0f, -2.0f);
    glRotatef(angle, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -1.0f);
    gluCylinder(quadric, 1.0, 0.0, 2.0, 20, 4);
    glPopMatrix();

    /* Further: a blue ring facing the viewer. */
    glColor3f(0.2f, 0.3f, 1.0f);
    glPushMatrix();
    glTranslatef(-2.0f, 0.5f, -8.0f);
    gluDisk(quadric, 0.5, 1.6, 24, 3);
    glPopMatrix();

    /* Furthest: a yellow partial disk turning about its axis. */
    glColor3f(1.0f, 0.9f, 0.1f);
    glPushMatrix();
    glTranslatef(2.5f, 1.0f, -15.0f);
    glRotatef(-angle, 0.0f, 0.0f, 1.0f);
    gluPartialDisk(quadric, 0.0, 2.0, 24, 2, 0.0, 270.0);
    glPopMatrix();

    if (shotPending) {
        SaveScreenshot();
        shotPending = FALSE;
    }
}

static void ToggleFog(void)
{
    fog = !fog;
    if (fog)
        glEnable(GL_FOG);
    else
        glDisable(GL_FOG);
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        ResizePerspective(LOWORD(lParam), HIWORD(lParam), 50.0, 1.0, 60.0);
        return 0;
    case WM_CHAR:
        switch (wParam) {
        case 'f': case 'F': ToggleFog(); break;
        case 'w': case 'W': wireframe = !wireframe; break;
        case 'p': case 'P': paused = !paused; break;
        case 27: DestroyWindow(hWnd); break;
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_F12)
            shotPending = TRUE;
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
    HWND hWnd;
    MSG msg;
    RECT rect = {0, 0, 640, 480};

    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = "Quadrics";
    RegisterClass(&wc);
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    hWnd = CreateWindow("Quadrics", "GLU Quadrics in Fog", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                        CW_USEDEFAULT, CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, NULL, NULL,
                        hInstance, NULL);
    if (hWnd == NULL)
        return 1;

    hDC = GetDC(hWnd);
    hRC = CreateGLContext(hDC, 16, 16);
    if (hRC == NULL) {
        MessageBox(hWnd, "No suitable pixel format.", "GLU Quadrics", MB_OK | MB_ICONERROR);
        return 1;
    }
    InitGL();
    GetClientRect(hWnd, &rect);
    ResizePerspective(rect.right, rect.bottom, 50.0, 1.0, 60.0);
    ShowWindow(hWnd, nCmdShow);
    startTime = timeGetTime();

    for (;;) {
        while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                goto done;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        if (paused) {
            WaitMessage();
        } else {
            DrawScene();
            SwapBuffers(hDC);
        }
    }
done:
    gluDeleteQuadric(quadric);
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(hRC);
    ReleaseDC(hWnd, hDC);
    return (int)msg.wParam;
}
