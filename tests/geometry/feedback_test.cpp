// Feedback word layouts, pass-through, overflow, and selection hit records.
#include "geomtest.h"

namespace {

void onePoint() {
    glBegin(GL_POINTS);
    glVertex3f(0.5f, -0.5f, 0.5f);
    glEnd();
}

TEST_F(GeomTest, FeedbackTypes) {
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glTexCoord4f(1, 2, 3, 4);
    // x = 48, y = 12, z = 0.75, w = 1.
    const struct {
        GLenum type;
        std::vector<float> words;
    } cases[] = {
        {GL_2D, {1793, 48, 12}},
        {GL_3D, {1793, 48, 12, 0.75f}},
        {GL_3D_COLOR, {1793, 48, 12, 0.75f, 0.25f, 0.5f, 0.75f, 1}},
        {GL_3D_COLOR_TEXTURE, {1793, 48, 12, 0.75f, 0.25f, 0.5f, 0.75f, 1, 1, 2, 3, 4}},
        {GL_4D_COLOR_TEXTURE, {1793, 48, 12, 0.75f, 1, 0.25f, 0.5f, 0.75f, 1, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        auto got = feedback(c.type, onePoint);
        ASSERT_EQ(got.size(), c.words.size()) << c.type;
        for (size_t i = 0; i < got.size(); i++) EXPECT_NEAR(got[i], c.words[i], 1e-6) << c.type << " word " << i;
    }
}

TEST_F(GeomTest, PassThroughAndOverflow) {
    auto got = feedback(GL_2D, [] {
        glPassThrough(5.0f);
        onePoint();
        glPassThrough(-1.5f);
    });
    const std::vector<float> want = {1792, 5, 1793, 48, 12, 1792, -1.5f};
    EXPECT_EQ(got, want);
    // Outside feedback mode it writes nothing and records no error.
    glPassThrough(5.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    // Cut at the exact word: the record is kept up to the capacity.
    for (size_t cap = 0; cap < want.size(); cap++) {
        GLint returned = 0;
        auto cut = feedback(GL_2D, [] {
            glPassThrough(5.0f);
            onePoint();
            glPassThrough(-1.5f);
        }, cap, &returned);
        EXPECT_EQ(returned, -1) << cap;
        ASSERT_EQ(cut.size(), cap);
        for (size_t i = 0; i < cap; i++) EXPECT_EQ(cut[i], want[i]) << cap;
    }
    GLint returned = 0;
    feedback(GL_2D, [] { glPassThrough(5.0f); onePoint(); glPassThrough(-1.5f); }, want.size(), &returned);
    EXPECT_EQ(returned, (GLint)want.size());
}

TEST_F(GeomTest, FeedbackAndSelectBufferErrors) {
    GLfloat fb[4];
    GLuint sb[4];
    const struct {
        const char* name;
        std::function<void()> call;
        GLenum error;
    } cases[] = {
        {"feedback type", [&] { glFeedbackBuffer(4, GL_2D - 1, fb); }, GL_INVALID_ENUM},
        {"feedback type high", [&] { glFeedbackBuffer(4, GL_4D_COLOR_TEXTURE + 1, fb); }, GL_INVALID_ENUM},
        {"feedback size", [&] { glFeedbackBuffer(-1, GL_2D, fb); }, GL_INVALID_VALUE},
        {"feedback in feedback mode", [&] {
             glFeedbackBuffer(4, GL_2D, fb);
             glRenderMode(GL_FEEDBACK);
             glFeedbackBuffer(4, GL_2D, fb);
         }, GL_INVALID_OPERATION},
        {"select size", [&] { glRenderMode(GL_RENDER); glSelectBuffer(-1, sb); }, GL_INVALID_VALUE},
        {"select in select mode", [&] {
             glSelectBuffer(4, sb);
             glRenderMode(GL_SELECT);
             glSelectBuffer(4, sb);
         }, GL_INVALID_OPERATION},
        // Inside glBegin/glEnd (the error is read after glEnd).
        {"select inside begin", [&] { glRenderMode(GL_RENDER); glBegin(GL_POINTS); glSelectBuffer(4, sb); glEnd(); }, GL_INVALID_OPERATION},
        {"feedback inside begin", [&] { glBegin(GL_POINTS); glFeedbackBuffer(4, GL_2D, fb); glEnd(); }, GL_INVALID_OPERATION},
        {"pass-through inside begin", [&] { glBegin(GL_POINTS); glPassThrough(1); glEnd(); }, GL_INVALID_OPERATION},
        {"names inside begin", [&] { glBegin(GL_POINTS); glInitNames(); glEnd(); }, GL_INVALID_OPERATION},
        {"finish inside begin", [&] { glBegin(GL_POINTS); glFinish(); glEnd(); }, GL_INVALID_OPERATION},
        {"flush inside begin", [&] { glBegin(GL_POINTS); glFlush(); glEnd(); }, GL_INVALID_OPERATION},
    };
    for (const auto& c : cases) {
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.name;
    }
}

TEST_F(GeomTest, NameStack) {
    GLuint buf[64];
    // Outside selection mode the calls do nothing and record nothing.
    glPushName(1);
    glLoadName(2);
    glPopName();
    glInitNames();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glSelectBuffer(64, buf);
    glRenderMode(GL_SELECT);
    GLint depth = -1;
    glGetIntegerv(GL_NAME_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 0);
    const struct {
        const char* name;
        std::function<void()> call;
        GLenum error;
        GLint depth;
    } steps[] = {
        {"load on empty", [] { glLoadName(3); }, GL_INVALID_OPERATION, 0},
        {"pop on empty", [] { glPopName(); }, GL_STACK_UNDERFLOW, 0},
        {"push", [] { glPushName(1); }, GL_NO_ERROR, 1},
        {"load", [] { glLoadName(4); }, GL_NO_ERROR, 1},
        {"push 127 more", [] { for (int i = 0; i < 127; i++) glPushName(i); }, GL_NO_ERROR, 128},
        {"push past 128", [] { glPushName(9); }, GL_STACK_OVERFLOW, 128},
        {"pop", [] { glPopName(); }, GL_NO_ERROR, 127},
        {"init", [] { glInitNames(); }, GL_NO_ERROR, 0},
    };
    for (const auto& s : steps) {
        s.call();
        EXPECT_EQ(glGetError(), s.error) << s.name;
        glGetIntegerv(GL_NAME_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, s.depth) << s.name;
    }
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
}

void triangleAt(float z0, float z1, float z2) {
    glBegin(GL_TRIANGLES);
    glVertex3f(-0.5f, -0.5f, z0);
    glVertex3f(0.5f, -0.5f, z1);
    glVertex3f(0, 0.5f, z2);
    glEnd();
}

TEST_F(GeomTest, HitRecords) {
    GLuint buf[64];
    glSelectBuffer(64, buf);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(1);
    glPushName(2);
    triangleAt(-1, 0, 0);  // depths 0 and 0.5
    triangleAt(0, 1, 0);   // widens to 1: the same record
    glLoadName(5);         // a new record at the next hit
    glBegin(GL_POINTS);
    glVertex3f(0, 0, 0);
    glVertex3f(2, 0, 0);  // clipped: no hit
    glEnd();
    glBegin(GL_LINES);
    glVertex3f(0, 0, -0.5f);
    glVertex3f(0, 0.2f, -0.5f);
    glEnd();
    EXPECT_EQ(glRenderMode(GL_RENDER), 2);
    const double top = 4294964992.0;
    EXPECT_EQ(buf[0], 2u);
    EXPECT_EQ(buf[1], 0u);
    EXPECT_NEAR((double)buf[2], top, 2);
    EXPECT_EQ(buf[3], 1u);
    EXPECT_EQ(buf[4], 2u);
    EXPECT_EQ(buf[5], 2u);
    EXPECT_NEAR((double)buf[6], 0.25 * top, 2);
    EXPECT_NEAR((double)buf[7], 0.5 * top, 2);
    EXPECT_EQ(buf[8], 1u);
    EXPECT_EQ(buf[9], 5u);
}

// The hit depth scale maps the depth maximum near 2^32 - 1 for every depth
// kind, the 32-bit one (maximum 0x7FC00000) included.
TEST_F(GeomTest, HitDepthScaleForEveryDepthKind) {
    const GLuint maxima[] = {0xFFFF0000u, 0x7FC00000u};
    for (GLuint m : maxima) {
        gc->depthFullScale = m;
        glViewport(0, 0, 64, 48);
        glDepthRange(0, 1);
        GLuint buf[8];
        glSelectBuffer(8, buf);
        glRenderMode(GL_SELECT);
        glBegin(GL_POINTS);
        glVertex3f(0, 0, 1);
        glVertex3f(0, 0, -1);
        glEnd();
        EXPECT_EQ(glRenderMode(GL_RENDER), 1);
        EXPECT_EQ(buf[0], 0u);
        EXPECT_EQ(buf[1], 0u) << m;
        EXPECT_GE(buf[2], 0xFFFFF000u) << m;
    }
}

TEST_F(GeomTest, SelectionOverflowCutsTheRecord) {
    GLuint buf[5] = {};
    glSelectBuffer(4, buf);
    glRenderMode(GL_SELECT);
    glPushName(1);
    glPushName(2);
    triangleAt(0, 0, 0);
    EXPECT_EQ(glRenderMode(GL_RENDER), -1);
    EXPECT_EQ(buf[0], 2u);
    EXPECT_EQ(buf[3], 1u);
    EXPECT_EQ(buf[4], 0u);
}

}  // namespace
