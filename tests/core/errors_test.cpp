// GL errors, the begin-state classes and glRenderMode.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include "gltest.h"
#include "slot_cases.h"

namespace {

struct CurrentContext : ::testing::Test {
    GlContext* gc = nullptr;
    void SetUp() override {
        gc = gltestCreateCurrent();
        ASSERT_NE(gc, nullptr);
    }
    void TearDown() override {
        if (__glThreadState()->beginState == GL_BEGIN_INSIDE) glEnd();
        glGetError();
        gltestDestroyCurrent(gc);
    }
};

TEST_F(CurrentContext, FirstErrorWinsUntilRead) {
    glEnd();                                   // GL_INVALID_OPERATION
    EXPECT_EQ(glRenderMode(0x1C03), 0);        // GL_INVALID_ENUM, dropped
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(CurrentContext, CallsInsideBeginEndFollowTheirClass) {
    for (const SlotCase& c : allSlots()) {
        if (c.cls == 5 || c.slot == GL_SLOT_Begin) continue;
        // A call legal inside glBegin/glEnd records there what it records
        // outside (its argument checks), never GL_INVALID_OPERATION.
        GLenum outside = GL_NO_ERROR;
        if (c.cls == 1) {
            gltestCallEntry(c.entry, c.argBytes, c.args.data(), nullptr);
            outside = glGetError();
            ASSERT_NE(outside, (GLenum)GL_INVALID_OPERATION) << c.name;
        }
        glBegin(GL_TRIANGLES);
        ASSERT_EQ(__glThreadState()->beginState, GL_BEGIN_INSIDE) << c.name;
        uint32_t result = 0;
        gltestCallEntry(c.entry, c.argBytes, c.args.data(), &result);
        glEnd();
        GLenum expected = c.cls == 1 ? outside : GL_INVALID_OPERATION;
        EXPECT_EQ(glGetError(), expected) << c.name;
        if (c.cls != 1 && c.returnsValue) {
            EXPECT_EQ(result, 0u) << c.name;
        }
    }
}

TEST_F(CurrentContext, GetErrorInsideBeginEndIsAnError) {
    glEnd();
    glBegin(GL_POINTS);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);  // records GL_INVALID_OPERATION, returns 0
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);  // the first, from glEnd
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(CurrentContext, BeginChecksItsMode) {
    glBegin(GL_POLYGON + 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    EXPECT_NE(__glThreadState()->beginState, GL_BEGIN_INSIDE);
}

int validations;
void GLPROC countingValidate(GlContext* gc) { validations++; }

TEST_F(CurrentContext, DrawingCallValidatesOnceThenGoesOn) {
    gc->procs.validate = countingValidate;
    validations = 0;
    __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
    glClear(GL_COLOR_BUFFER_BIT);  // validates, then re-enters with the state valid
    EXPECT_EQ(validations, 1);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_OUTSIDE);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(validations, 1);

    __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
    glBegin(GL_LINES);
    EXPECT_EQ(validations, 2);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_INSIDE);
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(CurrentContext, RenderModeNeedsItsBuffer) {
    EXPECT_EQ(glRenderMode(GL_SELECT), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    EXPECT_EQ(gc->renderMode, (GLenum)GL_RENDER);
    EXPECT_EQ(glRenderMode(GL_FEEDBACK), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    EXPECT_EQ(glRenderMode(0x1C03), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
}

TEST_F(CurrentContext, RenderModeReturnsWhatTheLeftModeProduced) {
    GLfloat feedback[16];
    GLuint select[16];
    gc->feedback.start = feedback;
    gc->select.start = select;
    gc->select.nameStackBase = gc->nameStack;

    EXPECT_EQ(glRenderMode(GL_FEEDBACK), 0);  // leaving GL_RENDER
    EXPECT_EQ(gc->renderMode, (GLenum)GL_FEEDBACK);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_NEEDS_VALIDATE);
    EXPECT_TRUE(gc->dirtyPickers & GL_DIRTY_GENERIC);
    gc->feedback.position = feedback + 7;
    EXPECT_EQ(glRenderMode(GL_FEEDBACK), 7);  // re-entering starts an empty buffer
    EXPECT_EQ(gc->feedback.position, feedback);
    gc->feedback.overflow = 1;
    EXPECT_EQ(glRenderMode(GL_SELECT), -1);

    gc->select.hitCount = 3;
    EXPECT_EQ(glRenderMode(GL_SELECT), 3);  // starts a new, empty pass
    EXPECT_EQ(gc->select.hitCount, 0);
    EXPECT_EQ(gc->select.position, select);
    gc->select.overflow = 1;
    EXPECT_EQ(glRenderMode(GL_RENDER), -1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    gc->feedback.start = nullptr;
    gc->select.start = nullptr;
}

TEST_F(CurrentContext, LoseCurrentRefusedOutsideRenderModeOrInsideBegin) {
    GLfloat feedback[4];
    gc->feedback.start = feedback;
    glRenderMode(GL_FEEDBACK);
    EXPECT_FALSE(gc->procs.loseCurrent(gc));
    glRenderMode(GL_RENDER);
    glBegin(GL_POINTS);
    EXPECT_FALSE(gc->procs.loseCurrent(gc));
    glEnd();
    gc->feedback.start = nullptr;
}

TEST(ErrorAbort, FirstErrorEndsTheProcessWithItsMessage) {
    std::string err;
    int status = gltestInChild(
        [] {
            GlContext* gc = gltestCreateCurrent();
            if (!gc) return 2;
            setenv("GLERRORABORT", "", 1);
            glEnd();
            return 0;
        },
        &err);
    EXPECT_EQ(status, 128 + SIGABRT);
    EXPECT_NE(err.find("__glSetError(): GLERRORABORT set, aborting.\n"), std::string::npos) << err;
}

}  // namespace
