// A test fixture with a software context current on the test's thread.
#pragma once

#include <gtest/gtest.h>
#include "gltest.h"

struct GltestContextTest : ::testing::Test {
    GlContext* gc = nullptr;
    void SetUp() override {
        gc = gltestCreateCurrent(true);
        ASSERT_NE(gc, nullptr);
        glGetError();
    }
    void TearDown() override {
        if (gc) gltestDestroyCurrent(gc);
    }
};
