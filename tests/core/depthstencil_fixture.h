// A software context with depth and stencil buffers, current on a DIB
// section, for the depth and stencil tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include "gltest.h"
#include "raster/depthstencil.h"
#include "wgl/drawable.h"

namespace dstest {

inline GlPixelFormatInfo format(uint32_t depthBits, uint32_t stencilBits, bool index = false, uint32_t colorBits = 32) {
    GlPixelFormatInfo f = {};
    f.rgba = index ? 0 : 1;
    f.colorIndex = index ? 1 : 0;
    f.colorBits = colorBits;
    if (!index) {
        f.redMask = 0xFF0000, f.greenMask = 0xFF00, f.blueMask = 0xFF;
        f.redBits = f.greenBits = f.blueBits = 8;
    }
    f.depthPresent = depthBits != 0;
    f.depthBits = depthBits;
    f.stencilPresent = stencilBits != 0;
    f.stencilBits = stencilBits;
    return f;
}

inline WglDrawable*& boundDrawable() {
    static WglDrawable* d;
    return d;
}
inline WglDrawable* GLPROC drawableOf(GlContext*) { return boundDrawable(); }
inline void GLPROC sizeOf(GlContext*, GLint* w, GLint* h) {
    *w = boundDrawable()->width;
    *h = boundDrawable()->height;
}

// forcedBits: the GLFORCEZBITS value while the buffers are built, or null.
struct Bound {
    GltestDib dib;
    GlContext* gc = nullptr;
    WglDrawable* drawable = nullptr;
    GlCoreImports imports;
    Bound(int w, int h, const GlPixelFormatInfo& f, const char* forcedBits = nullptr)
        : dib(w, h, f.colorBits, true) {
        int failure = -1;
        drawable = __wglFindOrCreateDrawable(dib.dc, nullptr, &f, 0, &failure);
        EXPECT_EQ(failure, WGL_DRAWABLE_OK);
        if (!drawable) return;
        boundDrawable() = drawable;
        imports = *gltestImports();
        imports.getDrawableBuffer = drawableOf;
        imports.getDrawableSize = sizeOf;
        gc = __glCreateContext(&imports, &f);
        __wglGetCurrentContext();
        if (forcedBits) setenv("GLFORCEZBITS", forcedBits, 1);
        gc->procs.makeCurrent(gc);
        EXPECT_TRUE(__glInitBuffers(gc));
        unsetenv("GLFORCEZBITS");
        __glAttachDrawable(gc);
        glGetError();
    }
    ~Bound() {
        if (gc) {
            __glDetachBuffers(gc);
            __wglReleaseCurrent();
            gc->procs.destroyContext(gc);
        }
        if (drawable) __wglDestroyDrawable(drawable);
    }
    GlDepthBuffer* depth() { return &gc->fb.depth; }
    GlStencilBuffer* stencil() { return &gc->fb.stencil; }
    GLint bx(GLint x) const { return x + gc->limits.windowBiasX; }
    GLint by(GLint y) const { return y + gc->limits.windowBiasY; }
    uint8_t* depthAt(int x, int row) {
        GlDepthBuffer* db = depth();
        return db->buf.base + row * db->buf.stride + x * (int)db->buf.elementSize;
    }
    uint32_t depthWord(int x, int row) {
        uint8_t* p = depthAt(x, row);
        return depth()->buf.elementSize == 2 ? *(uint16_t*)p : *(uint32_t*)p;
    }
    void setDepthWord(int x, int row, uint32_t v) {
        uint8_t* p = depthAt(x, row);
        if (depth()->buf.elementSize == 2) *(uint16_t*)p = (uint16_t)v;
        else *(uint32_t*)p = v;
    }
    uint8_t& stencilAt(int x, int row) {
        GlStencilBuffer* sb = stencil();
        return sb->buf.base[row * sb->buf.stride + x];
    }
    // Runs validation as the next drawing call would.
    void validate() {
        __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
        glClear(0);
    }
};

}  // namespace dstest
