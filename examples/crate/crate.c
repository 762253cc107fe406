/*
 * crate: a wooden crate in the classic tutorial style. The texture is a .bmp file loaded with
 * LoadImage (Data\crate.bmp, as a DIB section), the heads-up line is bitmap-font text
 * (wglUseFontBitmaps) and the title below the crate is extruded outline-font text
 * (wglUseFontOutlines). A QueryPerformanceCounter timer (timeGetTime where there is none)
 * turns the crate at a steady speed; a sound plays at the start.
 *
 * Keys: L lighting, Up/Down tilt speed, Left/Right turn speed, Page Up/Down distance, Esc quit.
 * The start-up question chooses full screen (640 x 480, 16 bits) or a window.
 */
#include <windows.h>
#include <stdio.h>
#include <gl\gl.h>
#include <gl\glu.h>
#include "cube.h"

static HDC hDC = NULL;
static HGLRC hRC = NULL;
static HWND hWnd = NULL;
static HINSTANCE hInstance;

static BOOL keys[256];
static BOOL active = TRUE;
static BOOL fullscreen = TRUE;
static BOOL light;
static BOOL lp;

static GLfloat xrot, yrot;
static GLfloat xspeed = 0.0f, yspeed = 60.0f; /* degrees per second */
static GLfloat z = -5.0f;
static GLuint texture[1];
static GLuint base;         /* bitmap-font lists for characters 32..127 */
static GLuint outlineBase;  /* outline-font lists for characters 0..255 */
static GLYPHMETRICSFLOAT gmf[256];
static BOOL outlines;
static BOOL sound;

static GLfloat LightAmbient[] = {0.3f, 0.3f, 0.3f, 1.0f};
static GLfloat LightDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
static GLfloat LightPosition[] = {0.0f, 0.0f, 2.0f, 1.0f};

/* The timer: the performance counter, or the multimedia clock where there is none. */
static struct {
    __int64 frequency;
    GLfloat resolution;
    DWORD mmTimerStart;
    BOOL performanceTimer;
    __int64 performanceTimerStart;
} timer;

LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

static void TimerInit(void)
{
    ZeroMemory(&timer, sizeof(timer));
    if (!QueryPerformanceFrequency((LARGE_INTEGER *)&timer.frequency)) {
        timer.performanceTimer = FALSE;
        timer.mmTimerStart = timeGetTime();
        timer.resolution = 1.0f / 1000.0f;
        timer.frequency = 1000;
    } else {
        QueryPerformanceCounter((LARGE_INTEGER *)&timer.performanceTimerStart);
        timer.performanceTimer = TRUE;
        timer.resolution = (GLfloat)(1.0 / (double)timer.frequency);
    }
}

/* Milliseconds since TimerInit. */
static GLfloat TimerGetTime(void)
{
    __int64 time;

    if (timer.performanceTimer) {
        QueryPerformanceCounter((LARGE_INTEGER *)&time);
        return (GLfloat)(time - timer.performanceTimerStart) * timer.resolution * 1000.0f;
    }
    return (GLfloat)(timeGetTime() - timer.mmTimerStart) * timer.resolution * 1000.0f;
}

/* Data\crate.bmp as a DIB section: its 24-bit rows (blue, green, red; bottom row first) are the
   texture's image as they are. */
static BOOL LoadGLTextures(void)
{
    HBITMAP hBMP;
    BITMAP BMP;

    hBMP = (HBITMAP)LoadImage(GetModuleHandle(NULL), "Data\\crate.bmp", IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (!hBMP)
        return FALSE;
    GetObject(hBMP, sizeof(BMP), &BMP);
    if (BMP.bmBitsPixel != 24 || BMP.bmBits == NULL) {
        DeleteObject(hBMP);
        return FALSE;
    }
    glGenTextures(1, &texture[0]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, texture[0]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, BMP.bmWidth, BMP.bmHeight, 0, GL_BGR_EXT, GL_UNSIGNED_BYTE, BMP.bmBits);
    DeleteObject(hBMP);
    return TRUE;
}

/* A bold 24-pixel font for the bitmap lists, and the same face's outlines, 0.2 deep. */
static BOOL BuildFonts(void)
{
    HFONT font, oldfont;
    BOOL ok;

    base = glGenLists(96);
    outlineBase = glGenLists(256);
    font = CreateFont(-MulDiv(18, GetDeviceCaps(hDC, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                      ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                      FF_DONTCARE | DEFAULT_PITCH, "Arial");
    if (!font)
        return FALSE;
    oldfont = (HFONT)SelectObject(hDC, font);
    ok = wglUseFontBitmaps(hDC, 32, 96, base);
    outlines = wglUseFontOutlines(hDC, 0, 256, outlineBase, 0.0f, 0.2f, WGL_FONT_POLYGONS, gmf);
    SelectObject(hDC, oldfont);
    DeleteObject(font);
    return ok;
}

static void KillFonts(void)
{
    glDeleteLists(base, 96);
    glDeleteLists(outlineBase, 256);
}

/* Text at a window position (pixels from the bottom left), through the bitmap lists. */
static void glPrint(GLint x, GLint y, const char *fmt, ...)
{
    char text[256];
    va_list ap;

    va_start(ap, fmt);
    vsprintf(text, fmt, ap);
    va_end(ap);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2i(x, y);
    glPushAttrib(GL_LIST_BIT);
    glListBase(base - 32);
    glCallLists((GLsizei)strlen(text), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

/* Outline text centred at the current position, from the glyphs' advances. */
static void glPrint3D(const char *text)
{
    GLfloat length = 0.0f;
    size_t i;

    for (i = 0; i < strlen(text); i++)
        length += gmf[(byte)text[i]].gmfCellIncX;
    glTranslatef(-length / 2.0f, 0.0f, 0.0f);
    glPushAttrib(GL_LIST_BIT);
    glListBase(outlineBase);
    glCallLists((GLsizei)strlen(text), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}

static void ReSizeGLScene(GLsizei width, GLsizei height)
{
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0f, (GLfloat)width / (GLfloat)height, 0.1f, 100.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

static int InitGL(void)
{
    if (!LoadGLTextures() || !BuildFonts())
        return FALSE;
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.1f, 0.0f);
    glClearDepth(1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glLightfv(GL_LIGHT1, GL_AMBIENT, LightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);
    glEnable(GL_LIGHT1);
    return TRUE;
}

static void DrawCrate(void)
{
    glBindTexture(GL_TEXTURE_2D, texture[0]);
    DrawTexturedCube();
}

static void DrawGLScene(GLfloat milliseconds)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.4f, z);
    glRotatef(xrot, 1.0f, 0.0f, 0.0f);
    glRotatef(yrot, 0.0f, 1.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    if (light)
        glEnable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    DrawCrate();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);

    /* The title: green outline text below the crate, turned a little with it. */
    if (outlines) {
        glLoadIdentity();
        glTranslatef(0.0f, -2.0f, -6.0f);
        glRotatef(yrot / 4.0f, 0.0f, 1.0f, 0.0f);
        glScalef(0.8f, 0.8f, 0.8f);
        glColor3f(0.1f, 0.9f, 0.2f);
        glPrint3D("CRATE");
    }
    /* The heads-up line: yellow bitmap text at the top left. */
    glColor3f(1.0f, 1.0f, 0.0f);
    glPrint(16, 448, "%5.2f s  sound %s  outlines %s", milliseconds / 1000.0f, sound ? "on" : "off",
            outlines ? "on" : "off");
}

static void KillGLWindow(void)
{
    if (fullscreen) {
        ChangeDisplaySettings(NULL, 0);
        ShowCursor(TRUE);
    }
    if (hRC) {
        KillFonts();
        if (!wglMakeCurrent(NULL, NULL))
            MessageBox(NULL, "Release Of DC And RC Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        if (!wglDeleteContext(hRC))
            MessageBox(NULL, "Release Rendering Context Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
        hRC = NULL;
    }
    if (hDC && !ReleaseDC(hWnd, hDC))
        MessageBox(NULL, "Release Device Context Failed.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    hDC = NULL;
    if (hWnd && !DestroyWindow(hWnd))
        MessageBox(NULL, "Could Not Release hWnd.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    hWnd = NULL;
    if (!UnregisterClass("OpenGL", hInstance))
        MessageBox(NULL, "Could Not Unregister Class.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    hInstance = NULL;
}

static BOOL CreateGLWindow(char *title, int width, int height, int bits, BOOL fullscreenflag)
{
    GLuint PixelFormat;
    WNDCLASS wc;
    DWORD dwExStyle;
    DWORD dwStyle;
    RECT WindowRect;
    static PIXELFORMATDESCRIPTOR pfd = {
        sizeof(PIXELFORMATDESCRIPTOR), 1, PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
        PFD_TYPE_RGBA, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, PFD_MAIN_PLANE, 0, 0, 0, 0};

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
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "OpenGL";
    if (!RegisterClass(&wc)) {
        MessageBox(NULL, "Failed To Register The Window Class.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (fullscreen) {
        DEVMODE dmScreenSettings;
        memset(&dmScreenSettings, 0, sizeof(dmScreenSettings));
        dmScreenSettings.dmSize = sizeof(dmScreenSettings);
        dmScreenSettings.dmPelsWidth = width;
        dmScreenSettings.dmPelsHeight = height;
        dmScreenSettings.dmBitsPerPel = bits;
        dmScreenSettings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettings(&dmScreenSettings, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            if (MessageBox(NULL, "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
                           "Crate", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
                fullscreen = FALSE;
            else
                return FALSE;
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
    if (!(hWnd = CreateWindowEx(dwExStyle, "OpenGL", title, dwStyle | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                WindowRect.right - WindowRect.left, WindowRect.bottom - WindowRect.top, NULL, NULL,
                                hInstance, NULL))) {
        KillGLWindow();
        MessageBox(NULL, "Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    pfd.cColorBits = (BYTE)bits;
    if (!(hDC = GetDC(hWnd)) || !(PixelFormat = ChoosePixelFormat(hDC, &pfd)) ||
        !SetPixelFormat(hDC, PixelFormat, &pfd) || !(hRC = wglCreateContext(hDC)) || !wglMakeCurrent(hDC, hRC)) {
        KillGLWindow();
        MessageBox(NULL, "Can't Set Up OpenGL On The Window.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    ReSizeGLScene(width, height);
    if (!InitGL()) {
        KillGLWindow();
        MessageBox(NULL, "Initialization Failed (Data\\crate.bmp?).", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    return TRUE;
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_ACTIVATE:
        active = !HIWORD(wParam);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)
            return 0;
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

/* Moves the crate on by its speeds for the milliseconds since the last frame. */
static void Update(GLfloat milliseconds)
{
    if (keys['L'] && !lp) {
        lp = TRUE;
        light = !light;
    }
    if (!keys['L'])
        lp = FALSE;
    if (keys[VK_PRIOR])
        z -= 0.002f * milliseconds;
    if (keys[VK_NEXT])
        z += 0.002f * milliseconds;
    if (keys[VK_UP])
        xspeed -= 0.1f * milliseconds;
    if (keys[VK_DOWN])
        xspeed += 0.1f * milliseconds;
    if (keys[VK_RIGHT])
        yspeed += 0.1f * milliseconds;
    if (keys[VK_LEFT])
        yspeed -= 0.1f * milliseconds;
    xrot += xspeed * milliseconds / 1000.0f;
    yrot += yspeed * milliseconds / 1000.0f;
}

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    MSG msg;
    BOOL done = FALSE;
    int exitCode = 0;
    GLfloat last, now;

    if (MessageBox(NULL, "Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                   MB_YESNO | MB_ICONQUESTION) == IDNO)
        fullscreen = FALSE;
    if (!CreateGLWindow("Crate", 640, 480, 16, fullscreen))
        return 0;
    sound = PlaySound("Data\\start.wav", NULL, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
    TimerInit();
    last = TimerGetTime();
    while (!done) {
        if (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                done = TRUE;
                exitCode = (int)msg.wParam;
            } else {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        } else if (active) {
            if (keys[VK_ESCAPE]) {
                done = TRUE;
            } else {
                now = TimerGetTime();
                DrawGLScene(now);
                SwapBuffers(hDC);
                Update(now - last);
                last = now;
            }
        }
    }
    PlaySound(NULL, NULL, 0);
    KillGLWindow();
    return exitCode;
}
