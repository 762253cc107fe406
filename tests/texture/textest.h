// A current software context for texture state tests; every test ends with
// all of the context's memory returned.
#pragma once

#include <gtest/gtest.h>
#include "gltest.h"
#include "core/beginstate.h"
#include "texture/texture.h"

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
