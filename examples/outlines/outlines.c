/*
 * outlines: extruded outline-font text (wglUseFontOutlines) turning above a marble floor, in the
 * classic tutorial style. The floor's texture is a bitmap resource loaded with LoadImage and read
 * with GetDIBits; the frame rate and the time are bitmap-font text (wglUseFontBitmaps); pale sparks
 * (rand, qsort by depth, drawn back to front) rise behind the text. The
 * background is the system's application-workspace colour. A QueryPerformanceCounter timer
 * moves everything; Space plays a sound unless one is playing.
 *
 * Keys: Space sound, W wireframe text, Esc quit.
 */
#include <windows.h>
#include <stdio.h>
#include <math.h>
#include <gl\gl.h>
#include <gl\glu.h>
#include "resource.h"

#define SPARKS 60
#define TITLE "OpenGL"

typedef struct {
    GLfloat x, y, z;
    byte r, g, b;
} Spark;

static HDC hDC;
static HGLRC hRC;
static HWND hWnd;
static int width = 640, height = 480;
static BOOL keys[256];
static BOOL wireframe, wp, sp;

static GLuint floorTexture;
static GLuint fontBase, outlineBase;
static GLYPHMETRICSFLOAT glyphs[256];
static BOOL haveOutlines;
static Spark *sparks;

static LARGE_INTEGER frequency, startCount;
static __int64 lastCount;
static DWORD startTime;
static GLfloat fps;
static int soundsPlayed;

/* The marble tiles: the bitmap resource as the display keeps it, read back as 24-bit rows. */
static BOOL LoadFloorTexture(HINSTANCE hInstance)
{
    HBITMAP bitmap;
    BITMAP bm;
    BITMAPINFO info;
    byte *pixels;
    HDC memory;
    int i, ok;

    bitmap = (HBITMAP)LoadImage(hInstance, MAKEINTRESOURCE(IDB_MARBLE), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    if (bitmap == NULL)
        return FALSE;
    GetObject(bitmap, sizeof(bm), &bm);
    pixels = (byte *)malloc(bm.bmWidth * bm.bmHeight * 4);
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    memory = CreateCompatibleDC(NULL);
    ok = pixels != NULL && GetDIBits(memory, bitmap, 0, bm.bmHeight, pixels, &info, DIB_RGB_COLORS) == bm.bmHeight;
    DeleteDC(memory);
    DeleteObject(bitmap);
    if (ok) {
        /* Blue, green, red to red, green, blue (the rows of a 32-pixel width need no padding). */
        for (i = 0; i < bm.bmWidth * bm.bmHeight * 3; i += 3) {
            byte blue = pixels[i];
            pixels[i] = pixels[i + 2];
            pixels[i + 2] = blue;
        }
        glGenTextures(1, &floorTexture);
        glBindTexture(GL_TEXTURE_2D, floorTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
        ok = gluBuild2DMipmaps(GL_TEXTURE_2D, 3, bm.bmWidth, bm.bmHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels) == 0;
    }
    free(pixels);
    return ok;
}

static BOOL BuildFonts(void)
{
    HFONT font, old;
    BOOL ok;

    fontBase = glGenLists(96);
    outlineBase = glGenLists(256);
    font = CreateFont(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                      ANTIALIASED_QUALITY, FF_MODERN | FIXED_PITCH, "Courier New");
    old = (HFONT)SelectObject(hDC, font);
    ok = wglUseFontBitmaps(hDC, 32, 96, fontBase);
    DeleteObject(SelectObject(hDC, CreateFont(-48, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                                              CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_SWISS | VARIABLE_PITCH,
                                              "Arial")));
    haveOutlines = wglUseFontOutlines(hDC, 0, 256, outlineBase, 0.0f, 0.3f, WGL_FONT_POLYGONS, glyphs);
    DeleteObject(SelectObject(hDC, old));
    return ok;
}

static void Print(GLint x, GLint y, const char *text)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, width, 0, height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2i(x, y);
    glListBase(fontBase - 32);
    glCallLists((GLsizei)strlen(text), GL_UNSIGNED_BYTE, text);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

static int FartherFirst(const void *a, const void *b)
{
    const Spark *p = (const Spark *)a, *q = (const Spark *)b;
    return p->z < q->z ? -1 : p->z > q->z ? 1 : 0;
}

static void NewSpark(Spark *s)
{
    s->x = (GLfloat)(rand() % 200 - 100) / 25.0f;
    s->y = (GLfloat)(rand() % 100) / 50.0f - 1.0f;
    s->z = -(GLfloat)(abs(rand() % 300) + 100) / 50.0f;
    s->r = (byte)(200 + rand() % 56);
    s->g = (byte)(200 + rand() % 56);
    s->b = (byte)(100 + rand() % 100);
}

static BOOL InitGL(HINSTANCE hInstance)
{
    DWORD workspace = GetSysColor(COLOR_APPWORKSPACE);
    GLfloat ambient[] = {0.3f, 0.3f, 0.3f, 1.0f}, diffuse[] = {0.9f, 0.9f, 0.9f, 1.0f};
    GLfloat position[] = {0.0f, 1.0f, 1.0f, 0.0f};
    int i;

    srand(1999);
    sparks = (Spark *)malloc(SPARKS * sizeof(Spark));
    if (sparks == NULL || !LoadFloorTexture(hInstance) || !BuildFonts())
        return FALSE;
    for (i = 0; i < SPARKS; i++)
        NewSpark(&sparks[i]);
    glClearColor(GetRValue(workspace) / 255.0f, GetGValue(workspace) / 255.0f, GetBValue(workspace) / 255.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    return TRUE;
}

static void DrawScene(GLfloat seconds)
{
    GLfloat length = 0.0f, angle = seconds * 60.0f;
    char line[80];
    size_t i;
    int k;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    /* The floor: sixteen tiles of marble, seen from above. */
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, floorTexture);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex3f(-6.0f, -1.5f, -1.0f);
    glTexCoord2f(4.0f, 0.0f); glVertex3f(6.0f, -1.5f, -1.0f);
    glTexCoord2f(4.0f, 4.0f); glVertex3f(6.0f, -1.5f, -13.0f);
    glTexCoord2f(0.0f, 4.0f); glVertex3f(-6.0f, -1.5f, -13.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);

    /* The sparks, farthest first, added onto what is behind them. */
    qsort(sparks, SPARKS, sizeof(Spark), FartherFirst);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    for (k = 0; k < SPARKS; k++) {
        const Spark *s = &sparks[k];
        GLfloat y = s->y + (GLfloat)fmod(seconds * 0.5f, 2.0f);
        glColor4ub(s->r, s->g, s->b, 200);
        glVertex3f(s->x - 0.04f, y - 0.04f, s->z);
        glVertex3f(s->x + 0.04f, y - 0.04f, s->z);
        glVertex3f(s->x + 0.04f, y + 0.04f, s->z);
        glVertex3f(s->x - 0.04f, y + 0.04f, s->z);
    }
    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);

    /* The text, lit, turning about its centre. */
    if (haveOutlines) {
        for (i = 0; i < strlen(TITLE); i++)
            length += glyphs[(byte)TITLE[i]].gmfCellIncX;
        glTranslatef(0.0f, 0.0f, -6.0f);
        glRotatef((GLfloat)(sin(seconds) * 30.0), 0.0f, 1.0f, 0.0f);
        glRotatef(angle / 6.0f, 1.0f, 0.0f, 0.0f);
        glTranslatef(-length / 2.0f, -0.3f, 0.0f);
        glEnable(GL_LIGHTING);
        glColor3f(1.0f, 0.55f, 0.1f);
        glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
        glListBase(outlineBase);
        glCallLists((GLsizei)strlen(TITLE), GL_UNSIGNED_BYTE, TITLE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDisable(GL_LIGHTING);
    }

    glColor3f(1.0f, 1.0f, 1.0f);
    sprintf(line, "%6.1f frames/s  %lu ms  sounds %d", fps, (unsigned long)(timeGetTime() - startTime), soundsPlayed);
    Print(10, height - 24, line);
}

static void ResizeScene(int w, int h)
{
    width = w;
    height = h > 0 ? h : 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, (GLdouble)width / (GLdouble)height, 0.5, 50.0);
    glMatrixMode(GL_MODELVIEW);
}

/* The window's OpenGL set-up, when it is made. */
static BOOL SetUpOpenGL(HWND window, HINSTANCE hInstance)
{
    PIXELFORMATDESCRIPTOR pfd;
    int format;

    hDC = GetDC(window);
    ZeroMemory(&pfd, sizeof(pfd));
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 16;
    pfd.cDepthBits = 16;
    format = ChoosePixelFormat(hDC, &pfd);
    if (!format || !SetPixelFormat(hDC, format, &pfd))
        return FALSE;
    hRC = wglCreateContext(hDC);
    if (!hRC || !wglMakeCurrent(hDC, hRC))
        return FALSE;
    ResizeScene(width, height);
    return InitGL(hInstance);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return SetUpOpenGL(window, ((LPCREATESTRUCT)lParam)->hInstance) ? 0 : -1;
    case WM_SIZE:
        if (hRC)
            ResizeScene(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYDOWN:
        keys[wParam & 0xFF] = TRUE;
        return 0;
    case WM_KEYUP:
        keys[wParam & 0xFF] = FALSE;
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (hRC) {
            glDeleteLists(fontBase, 96);
            glDeleteLists(outlineBase, 256);
            wglMakeCurrent(NULL, NULL);
            wglDeleteContext(hRC);
            hRC = NULL;
        }
        ReleaseDC(window, hDC);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

static void HandleKeys(void)
{
    if (keys['W'] && !wp)
        wireframe = !wireframe;
    wp = keys['W'];
    if (keys[VK_SPACE] && !sp && PlaySound("SystemExclamation", NULL, SND_ALIAS | SND_ASYNC | SND_NOSTOP))
        soundsPlayed++;
    sp = keys[VK_SPACE];
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    WNDCLASSEX wc;
    RECT rect = {0, 0, 640, 480};
    MSG msg;
    LARGE_INTEGER now;
    int frames = 0;
    __int64 fpsCount;

    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hIconSm = (HICON)LoadImage(NULL, IDI_APPLICATION, IMAGE_ICON, 16, 16, LR_SHARED);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = "Outlines";
    if (!RegisterClassEx(&wc)) {
        MessageBox(NULL, "Cannot register the window class.", "Outlines", MB_OK | MB_ICONERROR);
        return 1;
    }
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
    hWnd = CreateWindowEx(0, "Outlines", "Outline fonts", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                          CW_USEDEFAULT, CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, NULL, NULL,
                          hInstance, NULL);
    if (hWnd == NULL) {
        MessageBox(NULL, "Cannot set up OpenGL on the window.", "Outlines", MB_OK | MB_ICONERROR);
        return 1;
    }
    ShowWindow(hWnd, nCmdShow);
    UpdateWindow(hWnd);
    sndPlaySound("SystemStart", SND_ASYNC | SND_NODEFAULT);

    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&startCount);
    lastCount = fpsCount = startCount.QuadPart;
    startTime = timeGetTime();
    for (;;) {
        if (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
            continue;
        }
        if (keys[VK_ESCAPE]) {
            DestroyWindow(hWnd);
            continue;
        }
        QueryPerformanceCounter(&now);
        lastCount = now.QuadPart;
        if (++frames == 10) {  /* the rate over the last ten frames */
            fps = (GLfloat)(10.0 * (double)frequency.QuadPart / (double)(lastCount - fpsCount));
            fpsCount = lastCount;
            frames = 0;
        }
        DrawScene((GLfloat)((double)(lastCount - startCount.QuadPart) / (double)frequency.QuadPart));
        SwapBuffers(hDC);
        HandleKeys();
    }
    free(sparks);
    UnregisterClass("Outlines", hInstance);
    return (int)msg.wParam;
}
