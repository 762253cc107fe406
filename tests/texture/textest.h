// A current software context for texture state tests; every test ends with
// all of the context's memory returned.
#pragma once

#include <gtest/gtest.h>
#include "gltest.h"
#include "core/beginstate.h"
#include "texture/texture.h"
#include "gldib.h"

struct TextureContext : ::testing::Test {
    GlContext* gc = nullptr;
    int blocks = 0;
    void SetUp() override {
        blocks = gltestLiveBlocks();
        gc = gltestCreateCurrent();
        ASSERT_NE(gc, nullptr);
    }
    void TearDown() override {
        if (!gc) return;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << "error left unread";
        gltestDestroyCurrent(gc);
        EXPECT_EQ(gltestLiveBlocks(), blocks) << "context memory not returned";
    }
    // The bound object of a target index.
    GlTextureObject* bound(int t) const { return gc->textureObjects.bound[t]; }
    static GLint texi(GLenum target, GLenum pname) {
        GLint v = -1;
        glGetTexParameteriv(target, pname, &v);
        return v;
    }
    static GLint binding(GLenum target) {
        GLint v = -1;
        glGetIntegerv(target == GL_TEXTURE_1D ? GL_TEXTURE_BINDING_1D : GL_TEXTURE_BINDING_2D, &v);
        return v;
    }
};

// Distinct 8-bit colour (0x00RRGGBB) of window pixel (x, y), y up.
inline uint32_t textestPixelColor(int x, int y) {
    return (uint32_t)((x * 37 + 5) & 0xFF) << 16 | (uint32_t)((y * 53 + 9) & 0xFF) << 8 |
           (uint32_t)((x * 13 + y * 7) & 0xFF);
}
// Fills a 32-bit DIB context's pixels with textestPixelColor.
inline void textestFillDib(GltestDibContext& c) {
    for (int y = 0; y < c.dib.height; y++)
        for (int x = 0; x < c.dib.width; x++) {
            const int row = c.topDown ? c.dib.height - 1 - y : y;
            const uint32_t v = textestPixelColor(x, y);
            memcpy(c.dib.bits + row * c.dib.stride + x * 4, &v, 4);
        }
}
