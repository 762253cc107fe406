// A context made through the public window-system calls, current on a DIB
// section, with pixel read-back in GL window coordinates.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <vector>
#include "gltest.h"
#include <GL/gl.h>
#include "standin/control.h"

// n deterministic bytes of a seed: client images and buffer contents.
inline std::vector<uint8_t> gltestNoise(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1103515245u + 12345u;
        v[i] = (uint8_t)(seed >> 16);
    }
    return v;
}

// Viewport (x, y, w, h) with one unit per pixel: object x, y equal window x, y.
inline void gltestPixelViewport(int x, int y, int w, int h) {
    glViewport(x, y, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x, x + w, y, y + h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
}

struct GltestDibContext {
    GltestDib dib;
    HGLRC rc = nullptr;
    int format = 0;
    int bytes;
    bool topDown;

    // bits: DIB depth (8, 16, 24, 32); index: colour-index format; depthBits
    // 16 or 32 picks the format, 24 forces the 24-bit depth buffer; masks:
    // the DIB's red, green and blue bit fields (16 and 32 bits).
    GltestDibContext(int w, int h, int bits = 32, bool index = false, int depthBits = 32, bool topDown = true,
                     const DWORD* masks = nullptr)
        : dib(w, h, bits, topDown, masks), bytes(bits / 8), topDown(topDown) {
        const int want = depthBits == 16 ? 16 : 32;
        PIXELFORMATDESCRIPTOR p;
        const int n = DescribePixelFormat(dib.dc, 1, sizeof p, &p);
        for (int i = 1; i <= n && !format; i++) {
            DescribePixelFormat(dib.dc, i, sizeof p, &p);
            if ((p.dwFlags & PFD_DRAW_TO_BITMAP) && p.cColorBits == bits && p.cDepthBits == want &&
                p.iPixelType == (index ? PFD_TYPE_COLORINDEX : PFD_TYPE_RGBA))
                format = i;
        }
        EXPECT_NE(format, 0) << "no bitmap format of " << bits << " bits";
        if (!format || !SetPixelFormat(dib.dc, format, &p)) return;
        if (depthBits == 24) setenv("GLFORCEZBITS", "24", 1);
        rc = wglCreateContext(dib.dc);
        EXPECT_NE(rc, nullptr);
        if (rc) {
            EXPECT_TRUE(wglMakeCurrent(dib.dc, rc));
        }
        unsetenv("GLFORCEZBITS");
        gltestPixelViewport(0, 0, w, h);
        glLoadIdentity();
    }
    ~GltestDibContext() {
        wglMakeCurrent(nullptr, nullptr);
        if (rc) wglDeleteContext(rc);
    }
    // The packed pixel at GL window position (x, y), y up.
    uint32_t pixel(int x, int y) const {
        const int row = topDown ? dib.height - 1 - y : y;
        return dib.at(x, row, bytes);
    }
    // 8-bit channels of a 32- or 24-bit pixel (x8r8g8b8 layout).
    int red(int x, int y) const { return (int)(pixel(x, y) >> 16 & 0xFF); }
    int green(int x, int y) const { return (int)(pixel(x, y) >> 8 & 0xFF); }
    int blue(int x, int y) const { return (int)(pixel(x, y) & 0xFF); }
    // Nothing was written in the guard bytes around the DIB's bits.
    bool guardsIntact() const { return StandinDibGuardsIntact(dib.bitmap) != FALSE; }
    void clear(uint32_t value = 0) {
        for (int r = 0; r < dib.height; r++)
            for (int x = 0; x < dib.width; x++)
                for (int b = 0; b < bytes; b++) dib.bits[r * dib.stride + x * bytes + b] = (uint8_t)(value >> (8 * b));
    }
};

// The colour-table extension entries, found as an application finds them.
struct GltestColorTableCalls {
    PFNGLCOLORTABLEEXTPROC table = (PFNGLCOLORTABLEEXTPROC)(void*)wglGetProcAddress("glColorTableEXT");
    PFNGLCOLORSUBTABLEEXTPROC sub = (PFNGLCOLORSUBTABLEEXTPROC)(void*)wglGetProcAddress("glColorSubTableEXT");
    PFNGLCOPYCOLORTABLEEXTPROC copy = (PFNGLCOPYCOLORTABLEEXTPROC)(void*)wglGetProcAddress("glCopyColorTableEXT");
    PFNGLGETCOLORTABLEEXTPROC get = (PFNGLGETCOLORTABLEEXTPROC)(void*)wglGetProcAddress("glGetColorTableEXT");
    PFNGLGETCOLORTABLEPARAMETERIVEXTPROC geti =
        (PFNGLGETCOLORTABLEPARAMETERIVEXTPROC)(void*)wglGetProcAddress("glGetColorTableParameterivEXT");
    PFNGLGETCOLORTABLEPARAMETERFVEXTPROC getf =
        (PFNGLGETCOLORTABLEPARAMETERFVEXTPROC)(void*)wglGetProcAddress("glGetColorTableParameterfvEXT");
    GLint param(GLenum target, GLenum pname) const {
        GLint v = -1;
        geti(target, pname, &v);
        return v;
    }
    // The entries as RGBA bytes, and 4 guard bytes after them.
    std::vector<uint8_t> rgba(GLenum target, int entries) const {
        std::vector<uint8_t> v((size_t)entries * 4 + 4, 0xEE);
        get(target, GL_RGBA, GL_UNSIGNED_BYTE, v.data());
        return v;
    }
};

// A context current on a double-buffered window of the given size (one
// unit per pixel), made through the public calls.
struct GltestWindowContext {
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    GltestWindowContext(const char* className, int w, int h, int colorBits, int depthBits) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        window = CreateWindowExA(0, className, "", WS_POPUP, 0, 0, w, h, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        if (!window) return;
        dc = GetDC(window);
        PIXELFORMATDESCRIPTOR p = {};
        p.nSize = sizeof p;
        p.nVersion = 1;
        p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        p.iPixelType = PFD_TYPE_RGBA;
        p.cColorBits = (BYTE)colorBits;
        p.cDepthBits = (BYTE)depthBits;
        const int format = ChoosePixelFormat(dc, &p);
        EXPECT_NE(format, 0);
        if (!format || !SetPixelFormat(dc, format, &p)) return;
        rc = wglCreateContext(dc);
        EXPECT_NE(rc, nullptr);
        if (rc) {
            EXPECT_TRUE(wglMakeCurrent(dc, rc));
        }
        gltestPixelViewport(0, 0, w, h);
    }
    ~GltestWindowContext() {
        wglMakeCurrent(nullptr, nullptr);
        if (rc) wglDeleteContext(rc);
        if (dc) ReleaseDC(window, dc);
        if (window) DestroyWindow(window);
    }
};
