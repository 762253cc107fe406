// Batches, the vertex cache's switch and hooks, and the program cache: the
// batch size of private setting 0x6403, arrays without a pointer, index
// copies too large for memory, "__GL_VCACHE", vertices outside primitives,
// mixed vertex sizes, and the round-robin replacement of programs.
#include "roadtest.h"

using namespace road;

namespace {

struct Batches : ::testing::Test {
    Target* t = nullptr;
    GlContext* gc = nullptr;
    void SetUp() override {
        t = new Target(true, 32);
        gc = __glCurrentContext();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1.2, 1.2, -1.2, 1.2, -2, 2);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { delete t; }
    std::vector<uint32_t> draw(const std::function<void()>& d) { return t->draw(d); }
};

// The batch size is a multiple of 12 of at least 36; any size draws the same.
TEST_F(Batches, PrivateBatchSizeDrawsTheSame) {
    const Geometry g(200, 1.3, 5u);
    const Arrays a(g, {{3, GL_FLOAT, 0}, OFF_SPEC, {4, GL_FLOAT, 0}, OFF_SPEC, false, 0});
    const struct {
        GLfloat hint;
        GLint size;
    } sizes[] = {{36, 36}, {2.75f, 36}, {-5, 36}, {50, 48}, {120, 120}, {1e9f, 65532}};
    for (GLenum mode : {GL_LINE_LOOP, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_QUAD_STRIP, GL_POLYGON}) {
        GLfloat v[4] = {36};
        glCullParameterfvQTA(0x6403, v);
        const auto want = draw([&] { drawRoad(IMMEDIATE, mode, a, 0, 200); });
        const auto fb = feedback([&] { drawRoad(IMMEDIATE, mode, a, 0, 200); });
        for (const auto& s : sizes) {
            GLfloat h[4] = {s.hint};
            glCullParameterfvQTA(0x6403, h);
            EXPECT_EQ(gc->arrays.batchSize, s.size);
            for (int road : {DRAW_ARRAYS, DRAW_ELEMENTS_32}) {
                EXPECT_EQ(draw([&] { drawRoad(road, mode, a, 0, 200); }), want) << mode << " " << s.hint;
                EXPECT_EQ(feedback([&] { drawRoad(road, mode, a, 0, 200); }), fb) << mode << " " << s.hint;
            }
        }
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// An enabled array whose pointer was never given is left out: the current
// value serves, as for a disabled array.
TEST_F(Batches, EnabledArrayWithoutAPointerIsOff) {
    GLfloat v[6][3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}, {-1, 1, 0}, {1, 1, 0}, {0, -1, 0}};
    glColor3f(0.25f, 0.5f, 1.0f);
    glVertexPointer(3, GL_FLOAT, 0, v);
    glEnableClientState(GL_VERTEX_ARRAY);
    const auto want = draw([] { glDrawArrays(GL_TRIANGLES, 0, 6); });
    glEnableClientState(GL_COLOR_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY), glEnableClientState(GL_EDGE_FLAG_ARRAY);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLES, 0, 6); }), want);
    const GLubyte listed[6] = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(draw([&] { glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_BYTE, listed); }), want);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);  // every attribute fetched, edge flags too
    const auto lines = draw([] { glDrawArrays(GL_TRIANGLES, 0, 6); });
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    EXPECT_EQ(draw([] { glDrawArrays(GL_TRIANGLES, 0, 6); }), lines);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The widened copy of 8- and 16-bit indices takes count x 4 bytes, counted in
// 64 bits: a count past the address space is GL_OUT_OF_MEMORY, nothing drawn.
TEST_F(Batches, IndexCopyTooLargeIsOutOfMemory) {
    GLfloat v[3][3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}};
    glVertexPointer(3, GL_FLOAT, 0, v);
    glEnableClientState(GL_VERTEX_ARRAY);
    const GLubyte listed[3] = {0, 1, 2};
    glColor3f(1, 1, 1);
    const auto none = draw([] {});
    for (GLenum type : {GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT}) {
        EXPECT_EQ(draw([&] { glDrawElements(GL_TRIANGLES, 0x40000000, type, listed); }), none);
        EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY) << type;
    }
    EXPECT_NE(draw([&] { glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_BYTE, listed); }), none);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The cache's hooks sit in the vertex slots while it is on; glVertex outside
// a primitive changes nothing there; a primitive mixing vertex sizes draws
// with the four-component transform, as the same vertices one by one.
TEST_F(Batches, CacheHooksAndMixedVertexSizes) {
    typedef void(GLIMM * Fv)(const GLfloat*);
    const Fv slot3 = (Fv)__glThreadState()->dispatch.entry[GL_SLOT_Vertex3fv - GL_FIRST_SLOT];
    auto mixed = [] {
        glBegin(GL_TRIANGLE_FAN);
        glVertex2f(0, 0);
        for (int i = 0; i < 50; i++) {
            const float a = 0.12f * (float)i;
            if (i % 3 == 0) glVertex4f(cosf(a), sinf(a), 0.5f, 1.0f);
            else if (i % 3 == 1) glVertex2f(0.9f * cosf(a), 0.9f * sinf(a));
            else glVertex3f(0.8f * cosf(a), 0.8f * sinf(a), -0.25f);
        }
        glEnd();
    };
    glColor3f(1, 0.5f, 0);
    setVertexCache(false);
    const auto want = draw(mixed);
    const auto fb = feedback(mixed);
    setVertexCache(true);
    EXPECT_EQ(draw(mixed), want);
    EXPECT_EQ(feedback(mixed), fb);
    // The entry follows the attributes the state gathers (feedback takes all).
    EXPECT_NE((Fv)__glThreadState()->dispatch.entry[GL_SLOT_Vertex3fv - GL_FIRST_SLOT], slot3);
    EXPECT_EQ(draw(mixed), want);
    EXPECT_EQ((Fv)__glThreadState()->dispatch.entry[GL_SLOT_Vertex3fv - GL_FIRST_SLOT], slot3);
    // Outside glBegin/glEnd a vertex draws nothing and leaves the next primitive alone.
    EXPECT_EQ(draw([&] {
                  glVertex3f(0.5f, 0.5f, 0);
                  glVertex2f(-0.5f, 0.5f);
                  mixed();
                  glVertex3f(0, 0, 0);
              }),
              want);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// A flush of a primitive after the first takes the preparation of the one
// before unless a lighting change came between: a material whose specular
// or diffuse term changes after several flushes lights the vertices after
// it by the new products (and the program of its zero terms), as without
// the cache.
TEST(VertexCacheFlushes, MaterialChangesAfterSeveralFlushes) {
    auto strip = [] {
        const GLfloat black[4] = {0, 0, 0, 1}, grey[4] = {0.5f, 0.5f, 0.5f, 1}, green[4] = {0.1f, 0.6f, 0.2f, 1};
        glMaterialfv(GL_FRONT, GL_SPECULAR, black);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, grey);
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 0; i < 160; i++) {
            if (i == 90) glMaterialfv(GL_FRONT, GL_SPECULAR, grey), glMaterialf(GL_FRONT, GL_SHININESS, 8);
            if (i == 130) glMaterialfv(GL_FRONT, GL_DIFFUSE, green);
            // Over the window's pixels.
            const float x = 0.4f * (float)(i / 2), y = (i & 1) ? 28.0f : 4.0f;
            glNormal3f(0.02f * x - 0.3f, 0.01f * y - 0.15f, 1.0f);
            glVertex3f(x, y, 0);
        }
        glEnd();
    };
    for (bool programs : {false, true}) {
        Target t(programs, 32);
        glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
        const GLfloat light[4] = {0.2f, 0.3f, 1, 0}, dim[4] = {0.6f, 0.6f, 0.6f, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, light);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, dim);
        setVertexCache(false);
        const auto want = t.draw(strip);
        setVertexCache(true);
        EXPECT_EQ(t.draw(strip), want) << "programs " << programs;
    }
}

// "__GL_VCACHE" is read at the first make-current: 0 and 256 turn the cache off.
TEST(VertexCacheSwitch, EnvironmentVariable) {
    const struct {
        const char* value;
        bool on;
    } cases[] = {{nullptr, true}, {"1", true}, {"0", false}, {"256", false}, {"3", true}};
    for (const auto& c : cases) {
        if (c.value) setenv("__GL_VCACHE", c.value, 1);
        else unsetenv("__GL_VCACHE");
        Target t(true, 8);
        unsetenv("__GL_VCACHE");
        glBegin(GL_POINTS);
        glEnd();
        const GlEntryProc begin = __glThreadState()->dispatch.entry[GL_SLOT_Begin - GL_FIRST_SLOT];
        EXPECT_EQ(__glCurrentContext()->vcache.enabled != 0, c.on) << (c.value ? c.value : "unset");
        EXPECT_EQ(begin != __glImmediateDispatch.entry[GL_SLOT_Begin - GL_FIRST_SLOT], c.on)
            << (c.value ? c.value : "unset");
    }
}

// Fifty programs are kept; the fifty-first state replaces the entry after
// the cursor, and a state seen before is found again.
TEST_F(Batches, ProgramCacheReplacesRoundRobin) {
    static GLfloat v[64][4];
    glEnableClientState(GL_VERTEX_ARRAY);
    GlVertexProgramCache* c = &gc->vertexPrograms;
    // Distinct states by the vertex array's stride.
    auto state = [&](int i) {
        glVertexPointer(3, GL_FLOAT, 16 + 4 * i, v);
        glDrawArrays(GL_TRIANGLES, 0, 3);
    };
    for (int i = 0; i < GL_VP_ENTRIES; i++) state(i);
    EXPECT_EQ(c->count, GL_VP_ENTRIES);
    const GlVertexProgram* first = &c->entries[0];
    const GlVertexProgram* second = &c->entries[1];
    state(7);  // seen before: found, nothing replaced
    EXPECT_EQ(c->current, &c->entries[7]);
    EXPECT_EQ(c->entries[0].key.stride[0], 16);
    state(GL_VP_ENTRIES);  // new: entry (cursor + 1) mod 50
    EXPECT_EQ(c->current, second);
    EXPECT_EQ(second->key.stride[0], 16 + 4 * GL_VP_ENTRIES);
    EXPECT_EQ(first->key.stride[0], 16);
    state(GL_VP_ENTRIES + 1);
    EXPECT_EQ(c->current, &c->entries[2]);
}

}  // namespace
