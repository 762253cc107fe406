// An ordinary program's outline fonts: wglUseFontOutlines finds its tessellator
// without the program registering or loading anything itself.
#include <windows.h>
#include <GL/gl.h>
#include <stdio.h>

namespace {

enum { EDGE = 32 };
int failures;

void check(bool ok, const char* what, const char* step) {
    if (ok) return;
    printf("FAIL %s: %s\n", what, step);
    failures++;
}

// A 32 x 32 bottom-up DIB section of 32 bits in a memory DC.
struct Bitmap {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    const DWORD* bits = nullptr;
    Bitmap() {
        BITMAPINFO bi;
        ZeroMemory(&bi, sizeof bi);
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = EDGE;
        bi.bmiHeader.biHeight = EDGE;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = (const DWORD*)pixels;
        if (bitmap) old = SelectObject(dc, bitmap);
    }
    ~Bitmap() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(dc);
    }
    bool lit(int x, int y) const { return (bits[y * EDGE + x] & 0xFFFFFF) != 0; }
};

HGLRC createContext(HDC dc) {
    PIXELFORMATDESCRIPTOR pfd;
    ZeroMemory(&pfd, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    const int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) return nullptr;
    HGLRC rc = wglCreateContext(dc);
    if (rc && !wglMakeCurrent(dc, rc)) {
        wglDeleteContext(rc);
        rc = nullptr;
    }
    return rc;
}

}  // namespace

int main() {
    Bitmap b;
    if (!b.bits) return 2;
    HGLRC rc = createContext(b.dc);
    if (!rc) return 3;
    glViewport(0, 0, EDGE, EDGE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, EDGE, 0, EDGE, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // 'O' of the device context's default font (on the host, DejaVu Sans Bold) at 24 pixels an
    // em, drawn at (4, 4): a ring from x = 5.2 to 23.2 and y = 3.7 to 21.8 round a counter from
    // x = 9.9 to 18.5 and y = 6.9 to 18.5.
    struct Case {
        const char* what;
        BOOL wide;  // the W form
        FLOAT extrusion;
        GLuint list;
    };
    static const Case cases[] = {
        {"wglUseFontOutlinesA, flat", FALSE, 0.0f, 1000},
        {"wglUseFontOutlinesW, flat", TRUE, 0.0f, 1100},
        {"wglUseFontOutlinesA, extruded", FALSE, 0.5f, 1200},
    };
    for (const Case& k : cases) {
        SetLastError(0);
        const BOOL made = k.wide ? wglUseFontOutlinesW(b.dc, 'O', 1, k.list, 0.01f, k.extrusion, WGL_FONT_POLYGONS,
                                                        nullptr)
                                 : wglUseFontOutlinesA(b.dc, 'O', 1, k.list, 0.01f, k.extrusion, WGL_FONT_POLYGONS,
                                                        nullptr);
        check(made == TRUE, k.what, "wglUseFontOutlines");
        if (!made) {
            printf("  last error %lu\n", (unsigned long)GetLastError());
            continue;
        }
        check(glIsList(k.list) == GL_TRUE, k.what, "the list exists");
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        glPushMatrix();
        glTranslatef(4, 4, 0);
        glScalef(24, 24, 24);
        glCallList(k.list);
        glPopMatrix();
        glFinish();
        check(glGetError() == GL_NO_ERROR, k.what, "no GL error");
        // The ring lit on every side, its counter, its round corners and what is outside dark.
        static const struct {
            int x, y;
            bool lit;
        } pixels[] = {{6, 12, true},   {7, 12, true},  {21, 12, true}, {14, 4, true},   {14, 20, true},
                      {14, 12, false}, {11, 9, false}, {3, 12, false}, {25, 12, false}, {5, 4, false},
                      {23, 21, false}, {14, 24, false}};
        for (const auto& p : pixels) {
            if (b.lit(p.x, p.y) == p.lit) continue;
            char step[64];
            snprintf(step, sizeof step, "pixel (%d, %d) %s", p.x, p.y, p.lit ? "unlit" : "lit");
            check(false, k.what, step);
        }
    }
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
    printf("%d failed\n", failures);
    return failures ? 1 : 0;
}
