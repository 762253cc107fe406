// Shared helpers of the geometry tests: a current context, feedback and
// selection capture.
#pragma once

#include <gtest/gtest.h>
#include <functional>
#include <vector>
#include "gltest.h"

class GeomTest : public ::testing::Test {
protected:
    GlContext* gc = nullptr;
    void SetUp() override {
        gc = gltestCreateCurrent();
        ASSERT_NE(gc, nullptr);
    }
    void TearDown() override {
        if (gc) gltestDestroyCurrent(gc);
    }
    // Runs draw in GL_FEEDBACK mode; returns the words written (and the count
    // glRenderMode returned).
    std::vector<GLfloat> feedback(GLenum type, const std::function<void()>& draw, size_t capacity = 65536,
                                  GLint* returned = nullptr) {
        std::vector<GLfloat> buf(capacity + 1, -12345.0f);
        glFeedbackBuffer((GLsizei)capacity, type, buf.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        GLint n = glRenderMode(GL_RENDER);
        if (returned) *returned = n;
        EXPECT_EQ(buf[capacity], -12345.0f) << "wrote past the buffer";
        buf.resize(n < 0 ? capacity : (size_t)n);
        return buf;
    }
    // Sets the drawable orientation as make-current will.
    void setInverted(bool inverted) {
        gc->yInverted = inverted ? 1 : 0;
        gc->yDirection = inverted ? -1 : 1;
        glViewport(0, 0, 64, 48);
    }
};
