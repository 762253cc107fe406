// Locked arrays (GL_QTA_compiled_vertex_array): the first draw fetches and
// transforms the locked range, later draws of it use those vertices while
// the state they were made under holds; data changed meanwhile is not seen
// until the arrays are unlocked; draws outside the range, a lock of nothing
// and a range too large for memory take the batch path. Matrix changes,
// which validate nothing, reach array draws at once.
#include "roadtest.h"

using namespace road;

namespace {

struct Locked : ::testing::Test {
    Target* t = nullptr;
    GLfloat v[24][3], c[24][4];
    void SetUp() override {
        t = new Target(true, 24);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (int i = 0; i < 24; i++) {
            const float a = 6.2831853f * (float)i / 24.0f;
            v[i][0] = (i & 1 ? 0.9f : 0.4f) * cosf(a), v[i][1] = (i & 1 ? 0.9f : 0.4f) * sinf(a), v[i][2] = 0;
            c[i][0] = (float)(i % 3) / 2.0f, c[i][1] = (float)(i % 5) / 4.0f, c[i][2] = (float)(i % 7) / 6.0f, c[i][3] = 1;
        }
        glVertexPointer(3, GL_FLOAT, 0, v), glEnableClientState(GL_VERTEX_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, c), glEnableClientState(GL_COLOR_ARRAY);
    }
    void TearDown() override { delete t; }
    std::vector<uint32_t> draw(const std::function<void()>& d) { return t->draw(d); }
    // The same triangles as immediate calls of the arrays' current contents.
    std::vector<uint32_t> immediate(GLenum mode, const std::vector<int>& elements) {
        return draw([&] {
            glDisableClientState(GL_VERTEX_ARRAY), glDisableClientState(GL_COLOR_ARRAY);
            glBegin(mode);
            for (int e : elements) glColor4fv(c[e]), glVertex3fv(v[e]);
            glEnd();
            glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_COLOR_ARRAY);
        });
    }
    static std::vector<int> range(int first, int count) {
        std::vector<int> r;
        for (int i = first; i < first + count; i++) r.push_back(i);
        return r;
    }
};

TEST_F(Locked, PrefetchServesRepeatedDrawsUntilUnlocked) {
    const auto fan = range(2, 18);
    const auto want = immediate(GL_TRIANGLE_FAN, fan);
    const GLuint listed[5] = {2, 3, 4, 5, 6};
    const auto wantListed = immediate(GL_TRIANGLE_FAN, {2, 3, 4, 5, 6});
    glLockArraysQTA(0, 24);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_FAN, 2, 18); }), want);
    // Changed data is not seen by draws of the locked range...
    v[5][0] = -v[5][0], c[7][1] = 1 - c[7][1];
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_FAN, 2, 18); }), want) << "the locked vertices serve again";
    EXPECT_EQ(draw([&] { glDrawElements(GL_TRIANGLE_FAN, 5, GL_UNSIGNED_INT, listed); }), wantListed)
        << "indexed draws too";
    // ...until the arrays are unlocked.
    glUnlockArraysQTA();
    const auto changed = immediate(GL_TRIANGLE_FAN, fan);
    EXPECT_NE(changed, want);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_FAN, 2, 18); }), changed);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(Locked, StateChangesAndOutsideElementsFetchAgain) {
    const struct {
        const char* what;
        std::function<void()> change;
        GLenum mode;
        int first, count;
    } cases[] = {
        {"inside", [] {}, GL_TRIANGLE_STRIP, 4, 12},
        {"a rotation", [] { glRotatef(30, 0, 0, 1); }, GL_TRIANGLE_STRIP, 4, 12},
        {"the current colour, colour array off", [] { glDisableClientState(GL_COLOR_ARRAY), glColor3f(0.2f, 0.7f, 0.1f); },
         GL_TRIANGLES, 4, 12},
        {"another current colour", [] { glColor3f(0.9f, 0.1f, 0.4f); }, GL_TRIANGLES, 4, 12},
        {"before the range", [] { glEnableClientState(GL_COLOR_ARRAY); }, GL_TRIANGLE_FAN, 0, 10},
        {"past the range", [] {}, GL_QUAD_STRIP, 8, 16},
        {"inside again after the batch path", [] { glLoadIdentity(); }, GL_POLYGON, 5, 9},
        {"a projection", [] { glMatrixMode(GL_PROJECTION), glScalef(0.5f, 0.8f, 1), glMatrixMode(GL_MODELVIEW); },
         GL_POLYGON, 5, 9},
        {"a material", [] {
             glDisableClientState(GL_COLOR_ARRAY), glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
             const GLfloat m[4] = {0.2f, 0.9f, 0.4f, 1};
             glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, m);
         },
         GL_TRIANGLE_FAN, 4, 12},
        {"another material", [] {
             const GLfloat m[4] = {0.8f, 0.1f, 0.5f, 1};
             glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, m);
         },
         GL_TRIANGLE_FAN, 4, 12},
    };
    // The same sequence of changes and draws, unlocked then locked: each
    // change reaches the next draw of the locked range, which validates
    // nothing (a matrix, a current value or a material changed).
    std::vector<uint32_t> want[2][sizeof cases / sizeof cases[0]];
    for (int locked = 0; locked < 2; locked++) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glPushMatrix();
        if (locked) glLockArraysQTA(4, 12);
        int i = 0;
        for (const auto& x : cases) {
            x.change();
            std::vector<GLushort> listed;
            for (int e = x.first + x.count - 1; e >= x.first; e--) listed.push_back((GLushort)e);
            const auto arrays = draw([&] { glDrawArrays(x.mode, x.first, x.count); });
            const auto again = draw([&] { glDrawArrays(x.mode, x.first, x.count); });
            const auto elements = draw([&] { glDrawElements(x.mode, x.count, GL_UNSIGNED_SHORT, listed.data()); });
            if (!locked) {
                want[0][i] = arrays, want[1][i] = elements;
            } else {
                EXPECT_EQ(arrays, want[0][i]) << x.what;
                EXPECT_EQ(again, want[0][i]) << x.what << ", drawn again";
                EXPECT_EQ(elements, want[1][i]) << x.what << ", listed";
            }
            i++;
        }
        if (locked) glUnlockArraysQTA();
        glPopMatrix();
        glMatrixMode(GL_PROJECTION), glLoadIdentity(), glOrtho(-1, 1, -1, 1, -1, 1), glMatrixMode(GL_MODELVIEW);
        glPopClientAttrib();
        glPopAttrib();
        glColor4f(1, 1, 1, 1);
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The range check of listed elements, four at a time and one by one: a
// single element just outside the locked range, at any place of lists of
// 1 to 9, makes the draw take the batch path and draw what unlocked draws.
TEST_F(Locked, ListedElementsOutsideTheRangeAnywhere) {
    glPointSize(3);
    for (GLuint outside : {3u, 16u})
        for (int n = 1; n <= 9; n++)
            for (int at = 0; at < n; at++) {
                std::vector<GLuint> listed;
                for (int k = 0; k < n; k++) listed.push_back(k == at ? outside : (GLuint)(4 + (k * 5) % 12));
                const auto want = draw([&] { glDrawElements(GL_POINTS, n, GL_UNSIGNED_INT, listed.data()); });
                glLockArraysQTA(4, 12);
                EXPECT_EQ(draw([&] { glDrawElements(GL_POINTS, n, GL_UNSIGNED_INT, listed.data()); }), want)
                    << "element " << outside << " at " << at << " of " << n;
                glUnlockArraysQTA();
            }
}

TEST_F(Locked, NothingLockedAndTooMuchLockedDrawAsUnlocked) {
    const auto want = immediate(GL_TRIANGLE_STRIP, range(0, 24));
    glLockArraysQTA(3, 0);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_STRIP, 0, 24); }), want) << "a lock of no element";
    glUnlockArraysQTA();
    // A range whose vertices would pass the address space: no memory for them.
    glLockArraysQTA(0, 0x7FFFFFFF);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_STRIP, 0, 24); }), want);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_STRIP, 0, 24); }), want);
    glUnlockArraysQTA();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// A rotation between two array draws validates nothing; the second draw
// uses it (transform, clip test and vertex program are taken per draw).
TEST_F(Locked, MatrixChangesBetweenDrawsAreSeen) {
    for (bool cached : {false, true}) {
        setVertexCache(cached);
        glLoadIdentity();
        glDrawArrays(GL_TRIANGLES, 0, 24);
        for (float angle : {20.0f, 45.0f, 90.0f}) {
            glPushMatrix();
            glRotatef(angle, 0, 0, 1);
            glScalef(1.0f, 0.5f, 1.0f);
            const auto got = draw([] { glDrawArrays(GL_TRIANGLES, 0, 24); });
            const auto want = immediate(GL_TRIANGLES, range(0, 24));
            EXPECT_EQ(got, want) << angle << " cache " << cached;
            glPopMatrix();
            EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLES, 0, 24); }), immediate(GL_TRIANGLES, range(0, 24)))
                << "after the pop";
        }
    }
}

}  // namespace

namespace {

// The vertex cache keeps its entries in the buffer of the locked vertices:
// a locked draw after immediate-mode primitives fetches them again.
TEST_F(Locked, ImmediateModeBetweenLockedDraws) {
    const auto want = immediate(GL_TRIANGLE_FAN, range(2, 18));
    glLockArraysQTA(0, 24);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_FAN, 2, 18); }), want);
    for (GLenum polygonMode : {GL_FILL, GL_LINE}) {
        glPolygonMode(GL_FRONT_AND_BACK, polygonMode);
        setVertexCache(true);
        const auto strip = immediate(GL_TRIANGLE_STRIP, range(0, 24));
        EXPECT_NE(strip, want);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLE_FAN, 2, 18); }), want) << polygonMode;
    }
    glUnlockArraysQTA();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace
