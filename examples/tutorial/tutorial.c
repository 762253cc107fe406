/*
 * tutorial: a textured, lit cube in a PeekMessage game loop, in the style of the
 * classic OpenGL tutorials.
 *
 * Keys: L lighting, F texture filter (nearest, linear, mipmapped), B blending,
 * Page Up / Page Down distance, arrows spin speed, F1 full screen or window, Esc quit.
 * The start-up question chooses full screen (640 x 480, 16 bits) or a window.
 */
#include <windows.h>
#include <gl/gl.h>
#include <gl/glu.h>
#include "glcontext.h"
#include "cube.h"

static HDC hDC = NULL;
static HGLRC hRC = NULL;
static HWND hWnd = NULL;
static HINSTANCE hInstance;

static BOOL keys[256];
static BOOL active = TRUE;
static BOOL fullscreen = TRUE;
static BOOL light, blend;
static BOOL lp, fp, bp;

static GLfloat xrot = 30.0f, yrot = 40.0f;
static GLfloat xspeed, yspeed;
static GLfloat z = -5.0f;
static GLuint filter;
static GLuint texture[3];

static LARGE_INTEGER frequency, lastCount;

static GLfloat LightAmbient[] = {0.2f, 0.2f, 0.2f, 1.0f};
static GLfloat LightDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
static GLfloat LightPosition[] = {0.0f, 0.0f, 2.0f, 1.0f};

LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

/* A 64 x 64 crate-like texture: light planks with darker seams. */
static void MakeTextureImage(GLubyte image[64][64][3])
{
    int x, y;

    for (y = 0; y < 64; y++) {
        for (x = 0; x < 64; x++) {
            int seam = (y % 16) < 2 || x < 3 || x > 60;
            int grain = ((x * 7 + y * 3) % 11) * 2;
            image[y][x][0] = (GLubyte)(seam ? 200 : 235 - grain);
            image[y][x][1] = (GLubyte)(seam ? 180 : 220 - grain);
            image[y][x][2] = (GLubyte)(seam ? 150 : 190 - grain);
        }
    }
}

static int LoadGLTextures(void)
{
    static GLubyte image[64][64][3];

    MakeTextureImage(image);
    glGenTextures(3, texture);

    glBindTexture(GL_TEXTURE_2D, texture[0]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, image);

    glBindTexture(GL_TEXTURE_2D, texture[1]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, image);

    glBindTexture(GL_TEXTURE_2D, texture[2]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    return gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, image) == 0;
}

static void ReSizeGLScene(GLsizei width, GLsizei height)
{
    ResizePerspective(width, height, 45.0, 0.1, 100.0);
}

static int InitGL(void)
{
    if (!LoadGLTextures())
        return FALSE;
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    glLightfv(GL_LIGHT1, GL_AMBIENT, LightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);
    glEnable(GL_LIGHT1);

    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    if (light)
        glEnable(GL_LIGHTING);
    if (blend) {
        glEnable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
    }
    return TRUE;
}

static void DrawGLScene(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, z);
    glRotatef(xrot, 1.0f, 0.0f, 0.0f);
    glRotatef(yrot, 0.0f, 1.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, texture[filter]);

    DrawTexturedCube();
}

/* Turns the cube by its speeds (degrees per hundredth of a second) for the time since the last frame. */
static void Animate(void)
{
    LARGE_INTEGER now;
    GLfloat hundredths;

    QueryPerformanceCounter(&now);
    hundredths = (GLfloat)(now.QuadPart - lastCount.QuadPart) * 100.0f / (GLfloat)frequency.QuadPart;
    lastCount = now;
    xrot += xspeed * hundredths;
    yrot += yspeed * hundredths;
}

static void KillGLWindow(void)
{
    if (fullscreen) {
        ChangeDisplaySettings(NULL, 0);
        ShowCursor(TRUE);
    }
    if (hRC) {
        if (!wglMakeCurrent(NULL, NULL))
            MessageBox(NULL, "Release of DC and RC failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        if (!wglDeleteContext(hRC))
            MessageBox(NULL, "Release rendering context failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        hRC = NULL;
    }
    if (hDC && !ReleaseDC(hWnd, hDC))
        MessageBox(NULL, "Release device context failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    hDC = NULL;
    if (hWnd && !DestroyWindow(hWnd))
        MessageBox(NULL, "Could not release hWnd.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    hWnd = NULL;
    if (!UnregisterClass("OpenGL", hInstance))
        MessageBox(NULL, "Could not unregister class.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

static BOOL Fail(const char *text)
{
    KillGLWindow();
    MessageBox(NULL, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}

static BOOL CreateGLWindow(char *title, int width, int height, int bits, BOOL fullscreenflag)
{
    GLuint PixelFormat;
    WNDCLASS wc;
    DWORD dwExStyle;
    DWORD dwStyle;
    RECT WindowRect;
    PIXELFORMATDESCRIPTOR pfd;

    WindowRect.left = 0;
    WindowRect.right = width;
    WindowRect.top = 0;
    WindowRect.bottom = height;
    fullscreen = fullscreenflag;

    hInstance = GetModuleHandle(NULL);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = (WNDPROC)WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIcon(NULL, IDI_WINLOGO);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = NULL;
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "OpenGL";
    if (!RegisterClass(&wc)) {
        MessageBox(NULL, "Failed To Register The Window Class.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }

    if (fullscreen) {
        DEVMODE dmScreenSettings;
        ZeroMemory(&dmScreenSettings, sizeof(dmScreenSettings));
        dmScreenSettings.dmSize = sizeof(dmScreenSettings);
        dmScreenSettings.dmPelsWidth = width;
        dmScreenSettings.dmPelsHeight = height;
        dmScreenSettings.dmBitsPerPel = bits;
        dmScreenSettings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettings(&dmScreenSettings, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            if (MessageBox(NULL, "The requested full screen mode is not supported by\nyour video card. Use windowed mode instead?",
                           "OpenGL Tutorial", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
                fullscreen = FALSE;
            } else {
                MessageBox(NULL, "Program will now close.", "ERROR", MB_OK | MB_ICONSTOP);
                return FALSE;
            }
        }
    }

    if (fullscreen) {
        dwExStyle = WS_EX_APPWINDOW;
        dwStyle = WS_POPUP;
        ShowCursor(FALSE);
    } else {
        dwExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        dwStyle = WS_OVERLAPPEDWINDOW;
    }
    AdjustWindowRectEx(&WindowRect, dwStyle, FALSE, dwExStyle);

    hWnd = CreateWindowEx(dwExStyle, "OpenGL", title, dwStyle | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                          WindowRect.right - WindowRect.left, WindowRect.bottom - WindowRect.top, NULL, NULL,
                          hInstance, NULL);
    if (!hWnd)
        return Fail("Window creation error.");

    ZeroMemory(&pfd, sizeof(pfd));
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = (BYTE)bits;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;

    if (!(hDC = GetDC(hWnd)))
        return Fail("Can't create a GL device context.");
    if (!(PixelFormat = ChoosePixelFormat(hDC, &pfd)))
        return Fail("Can't find a suitable pixel format.");
    if (!SetPixelFormat(hDC, PixelFormat, &pfd))
        return Fail("Can't set the pixel format.");
    if (!(hRC = wglCreateContext(hDC)))
        return Fail("Can't create a GL rendering context.");
    if (!wglMakeCurrent(hDC, hRC))
        return Fail("Can't activate the GL rendering context.");

    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    ReSizeGLScene(width, height);
    if (!InitGL())
        return Fail("Initialization failed.");
    return TRUE;
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_ACTIVATE:
        active = !HIWORD(wParam);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam) {
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            return 0;
        }
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        keys[wParam & 0xFF] = TRUE;
        return 0;
    case WM_KEYUP:
        keys[wParam & 0xFF] = FALSE;
        return 0;
    case WM_SIZE:
        ReSizeGLScene(LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    return DefWindowProc(hWnd, uMsg, wParam, lParam);
}

/* The toggles act once per press: a held key does not repeat them. */
static void HandleKeys(void)
{
    if (keys['L'] && !lp) {
        lp = TRUE;
        light = !light;
        if (light)
            glEnable(GL_LIGHTING);
        else
            glDisable(GL_LIGHTING);
    }
    if (!keys['L'])
        lp = FALSE;
    if (keys['F'] && !fp) {
        fp = TRUE;
        filter = (filter + 1) % 3;
    }
    if (!keys['F'])
        fp = FALSE;
    if (keys['B'] && !bp) {
        bp = TRUE;
        blend = !blend;
        if (blend) {
            glEnable(GL_BLEND);
            glDisable(GL_DEPTH_TEST);
        } else {
            glDisable(GL_BLEND);
            glEnable(GL_DEPTH_TEST);
        }
    }
    if (!keys['B'])
        bp = FALSE;
    if (keys[VK_PRIOR])
        z -= 0.02f;
    if (keys[VK_NEXT])
        z += 0.02f;
    if (GetAsyncKeyState(VK_UP) & 0x8000)
        xspeed -= 0.05f;
    if (GetAsyncKeyState(VK_DOWN) & 0x8000)
        xspeed += 0.05f;
    if (GetAsyncKeyState(VK_RIGHT) & 0x8000)
        yspeed += 0.05f;
    if (GetAsyncKeyState(VK_LEFT) & 0x8000)
        yspeed -= 0.05f;
}

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    MSG msg;
    BOOL done = FALSE;
    int exitCode = 0;

    if (MessageBox(NULL, "Would you like to run in full screen mode?", "Start full screen?",
                   MB_YESNO | MB_ICONQUESTION) == IDNO)
        fullscreen = FALSE;
    if (!CreateGLWindow("Textured Cube Tutorial", 640, 480, 16, fullscreen))
        return 0;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&lastCount);

    while (!done) {
        if (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                done = TRUE;
                exitCode = (int)msg.wParam;
            } else {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        } else {
            if (active) {
                if (keys[VK_ESCAPE]) {
                    done = TRUE;
                } else {
                    Animate();
                    DrawGLScene();
                    SwapBuffers(hDC);
                    HandleKeys();
                }
            }
            if (keys[VK_F1]) {
                keys[VK_F1] = FALSE;
                KillGLWindow();
                fullscreen = !fullscreen;
                if (!CreateGLWindow("Textured Cube Tutorial", 640, 480, 16, fullscreen))
                    return 0;
            }
        }
    }
    KillGLWindow();
    return exitCode;
}
