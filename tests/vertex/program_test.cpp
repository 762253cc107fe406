// Generated vertex programs against the C++ array routine of the same state
// (the oracle): both fill slots of the array vertex buffer from the same
// elements, and every field a consumer reads is equal bit for bit, also for
// the clip w of 0, negative, denormal or infinite, coordinates that are not
// numbers and coordinates exactly on the clip planes.
#include <math.h>
#include <algorithm>
#include "roadtest.h"
#include "codegen/codegen.h"
#include "geometry/arrays.h"
#include "geometry/geometry.h"

using namespace road;

namespace {

const float NaN = nanf(""), Inf = INFINITY;

// Positions x, y, z, w (loaded as one general matrix-free projection: clip =
// object coordinates) and normals.
struct Element {
    float p[4];
    float n[3];
};

const Element special[] = {
    {{0.25f, -0.5f, 0.1f, 1.0f}, {0, 0, 1}},
    {{1.0f, -1.0f, 1.0f, 1.0f}, {0, 1, 0}},      // on the planes: inside
    {{1.0000001f, 0.5f, -0.2f, 1.0f}, {1, 0, 0}},  // just outside x > w
    {{-3.0f, 4.0f, -5.0f, 1.0f}, {0.6f, 0.8f, 0}},
    {{0.5f, 0.5f, 0.5f, 0.0f}, {0, 0, -1}},       // w = 0
    {{0.0f, 0.0f, 0.0f, 0.0f}, {0.3f, 0.4f, 0.5f}},
    {{0.5f, 0.5f, 0.5f, -2.0f}, {0, 0, 1}},       // w < 0
    {{0.5f, 0.1f, 0.2f, -0.0f}, {0, 0, 1}},
    {{1e-39f, 0.0f, 0.0f, 1e-39f}, {0, 0, 1}},    // denormal w
    {{0.1f, 0.2f, 0.3f, Inf}, {0, 0, 1}},
    {{NaN, 0.2f, 0.3f, 1.0f}, {0, 0, 1}},
    {{0.2f, NaN, 2.0f, 1.0f}, {0, 0, 1}},
    {{0.2f, 0.3f, NaN, NaN}, {0, 0, 1}},
    {{Inf, 0.0f, 0.0f, 1.0f}, {-1, 0, 0}},
    {{-0.0f, -0.0f, -0.0f, 2.0f}, {0, -1, 0}},
    {{0.7f, -0.7f, 0.99f, 1.5f}, {0.1f, 0.1f, 0.98f}},
    {{3e38f, 3e38f, 0.0f, 1.0f}, {0, 0, 1}},
    {{-0.9f, 0.9f, -0.9f, 1.0f}, {-0.5f, 0.5f, 0.7f}},
};
const int N = sizeof special / sizeof special[0];

// A perspective camera's composite: x only in the first row, y and z in the
// others, no translation of x and y.
const GLfloat camera[16] = {1.6f, 0, 0, 0, 0, 1.4f, -0.6f, 0.5f, 0, 0.8f, -1.1f, -0.87f, 0, 0, 2.3f, 2.2f};

struct Programs : ::testing::Test {
    Target* t = nullptr;
    GlContext* gc = nullptr;
    float pos[N][4], normals[N][3], colors[N][4];
    float normals4[N][4];  // at the positions' stride
    GLubyte bytes[N][4];
    void SetUp() override {
        t = new Target(true, 16);
        gc = __glCurrentContext();
        for (int i = 0; i < N; i++) {
            memcpy(pos[i], special[i].p, 16);
            memcpy(normals[i], special[i].n, 12);
            memcpy(normals4[i], special[i].n, 12), normals4[i][3] = 0.0f;
            for (int c = 0; c < 4; c++) colors[i][c] = 0.1f * (float)((i + c) % 11) - 0.05f, bytes[i][c] = (GLubyte)(i * 37 + c * 71);
        }
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { delete t; }

    // Validates with a draw of nothing visible, then compares the program
    // with the C++ routine over every element.
    void compare(int size, const std::string& what) {
        glDrawArrays(GL_POINTS, 0, 0);
        glBegin(GL_POINTS);
        glEnd();
        GlVertexArrayState* a = &gc->arrays;
        __glPrepareArrayDraw(gc, size, 0);
        ASSERT_NE((void*)a->fetchTransform, (void*)a->fallback) << what << ": a generated program";
        a->fallback(gc, 0, 0, N, nullptr);
        a->fetchTransform(gc, N, 0, N, nullptr);
        const GLuint listed[3] = {N - 1, 0, 5};
        a->fetchTransform(gc, 2 * N, 0, 3, listed);
        for (int i = 0; i < N + 3; i++) {
            GlVertex* want = a->bufferBase + (i < N ? i : listed[i - N]);
            GlVertex* got = a->bufferBase + N + i;
            const std::string at = what + ", element " + std::to_string(i < N ? i : (int)listed[i - N]);
            // The C++ vertex lit as the generated one is (completion is lazy there).
            const GLuint done = got->flags & (GL_VX_FRONT_LIT | GL_VX_EYE_NORMAL);
            if (!(want->flags & GL_VX_CULLED)) __glCompleteVertex(gc, want, done);
            EXPECT_EQ(got->flags, want->flags) << at;
            if (want->flags & GL_VX_CULLED) continue;
            EXPECT_EQ(memcmp(got->clip, want->clip, 16), 0) << at << ": clip";
            EXPECT_EQ(memcmp(&got->invW, &want->invW, 4), 0) << at << ": 1/w";
            if (!(want->flags & GL_VX_CLIPPED)) { EXPECT_EQ(memcmp(got->window, want->window, 12), 0) << at << ": window"; }
            if (done) { EXPECT_EQ(memcmp(got->frontColor, want->frontColor, 16), 0) << at << ": lit colour"; }
            if (done & GL_VX_EYE_NORMAL) { EXPECT_EQ(memcmp(got->normal, want->normal, 12), 0) << at << ": eye normal"; }
            if (a->needBits & GL_NEED_COLOR) { EXPECT_EQ(memcmp(got->frontColor, want->frontColor, 16), 0) << at << ": colour"; }
            if (want->flags & GL_VX_EYE) { EXPECT_EQ(memcmp(got->eye, want->eye, 16), 0) << at << ": eye"; }
        }
    }
};

TEST_F(Programs, ClipCodesWindowAndOneOverWOfEveryClass) {
    glVertexPointer(4, GL_FLOAT, 0, pos);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, colors);
    glEnableClientState(GL_COLOR_ARRAY);
    const struct {
        const char* what;
        std::function<void()> matrix;
    } matrices[] = {
        {"identity", [] {}},
        {"general", [] {
             const GLfloat m[16] = {1.5f, 0.1f, 0, 0.2f, -0.3f, 0.9f, 0, 0.1f, 0.2f, 0.1f, 1.1f, 0.3f, 0.1f, 0, -0.2f, 1.0f};
             glLoadMatrixf(m);
         }},
        {"affine", [] { glRotatef(30, 1, 1, 0), glTranslatef(0.1f, 0.2f, 0.3f); }},
        {"planar", [] { glRotatef(30, 0, 0, 1), glTranslatef(0.1f, 0.2f, 0.3f); }},
        {"scale and translate", [] { glScalef(0.5f, 2.0f, 0.25f), glTranslatef(0.1f, 0.2f, 0.3f); }},
        // Zero entries whose products the program leaves out, and a row that
        // keeps them.
        {"a camera's zeros", [] { glLoadMatrixf(camera); }},
        {"a row of zeros", [] {
             GLfloat m[16];
             memcpy(m, camera, sizeof m), m[5] = m[9] = 0.0f;
             glLoadMatrixf(m);
         }},
    };
    // With the colours fetched, and the positions alone.
    for (bool colours : {true, false})
        for (const auto& m : matrices)
            for (int size : {2, 3, 4}) {
                if (!colours) glDisableClientState(GL_COLOR_ARRAY);
                glPushMatrix();
                m.matrix();
                glVertexPointer(size, GL_FLOAT, 16, pos);
                compare(size, std::string(m.what) + " size " + std::to_string(size) + (colours ? "" : ", positions alone"));
                glPopMatrix();
            }
    glEnableClientState(GL_COLOR_ARRAY);
    // Colours through the arrays' fetch procedures and from the current value.
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, bytes);
    compare(4, "unsigned byte colours");
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(0.2f, 1.5f, -0.5f, 0.75f);
    compare(4, "current colour");
}

// The entries left out: +-0 ones of rows that end by adding an element
// other than -0 and keep a term, while every component keeps a term and
// every entry is finite.
TEST(CompositeZeros, RowsAndComponentsThatKeepTheirTerms) {
    const struct {
        const char* what;
        int entry;  // changed entry (-1 none)
        GLfloat value;
        int size;
        GLuint zeros;
    } cases[] = {
        {"camera", -1, 0, 3, 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4 | 1u << 8},
        {"two components", -1, 0, 2, 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4},
        {"four components: no added element", -1, 0, 4, 0},
        {"x's translation -0", 12, -0.0f, 3, 1u << 1 | 1u << 2 | 1u << 3},
        {"x's translation nonzero", 12, 0.5f, 3, 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4 | 1u << 8},
        {"a row of zeros keeps them", 0, -0.0f, 3, 1u << 1 | 1u << 2 | 1u << 3},
        {"an entry not finite", 14, INFINITY, 3, 0},
        {"an entry not a number", 7, NAN, 3, 0},
    };
    for (const auto& c : cases) {
        GLfloat m[16];
        memcpy(m, camera, sizeof m);
        if (c.entry >= 0) m[c.entry] = c.value;
        EXPECT_EQ(__glCompositeZeros(m, GL_MATRIX_GENERAL, c.size), c.zeros) << c.what;
    }
    // x only in a row that leaves out everything else: without its term a
    // point x of Inf would get finite clip coordinates.
    GLfloat m[16];
    memcpy(m, camera, sizeof m);
    m[0] = 0.0f, m[4] = 0.5f;
    EXPECT_EQ(__glCompositeZeros(m, GL_MATRIX_GENERAL, 3), 0u) << "x in no term";
}

TEST_F(Programs, LightingOfEveryInverseClass) {
    glVertexPointer(3, GL_FLOAT, 16, pos);
    glNormalPointer(GL_FLOAT, 0, normals);
    glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
    glEnable(GL_LIGHTING);
    const GLfloat amb[4] = {0.2f, 0.1f, 0.3f, 1}, dif[4] = {0.9f, 0.5f, 0.7f, 1}, spec[4] = {0.6f, 0.6f, 0.2f, 1};
    const GLfloat mat[4] = {0.5f, 0.8f, 0.3f, 0.6f};
    for (GLenum l : {GL_LIGHT0, GL_LIGHT2, GL_LIGHT5}) {
        const GLfloat dir[4] = {0.3f * (float)(l - GL_LIGHT0), 0.5f, 1.0f, 0.0f};
        glLightfv(l, GL_POSITION, dir);
        glLightfv(l, GL_AMBIENT, amb), glLightfv(l, GL_DIFFUSE, dif), glLightfv(l, GL_SPECULAR, spec);
    }
    glMaterialfv(GL_FRONT, GL_SPECULAR, mat);
    glMaterialfv(GL_FRONT, GL_AMBIENT, amb);
    glMaterialf(GL_FRONT, GL_SHININESS, 7.0f);
    const struct {
        const char* what;
        std::function<void()> setup;
    } cases[] = {
        {"no light", [] {}},
        {"one light", [] { glEnable(GL_LIGHT0); }},
        {"three lights", [] { glEnable(GL_LIGHT0), glEnable(GL_LIGHT2), glEnable(GL_LIGHT5); }},
        {"affine", [] { glEnable(GL_LIGHT2), glRotatef(40, 1, 0.5f, 0); }},
        {"planar", [] { glEnable(GL_LIGHT2), glRotatef(40, 0, 0, 1); }},
        {"scaled", [] { glEnable(GL_LIGHT5), glScalef(2, 3, 0.5f); }},
        {"shininess 0", [] { glEnable(GL_LIGHT0), glMaterialf(GL_FRONT, GL_SHININESS, 0.0f); }},
        {"bright", [] {
             const GLfloat big[4] = {4, 4, 4, 1};
             glEnable(GL_LIGHT0), glLightfv(GL_LIGHT0, GL_DIFFUSE, big);
         }},
        // Terms that are zero at every vertex (left out of the program).
        {"no specular term", [] {
             const GLfloat zero[4] = {0, -0.0f, 0, 1};
             glEnable(GL_LIGHT0), glEnable(GL_LIGHT2), glMaterialfv(GL_FRONT, GL_SPECULAR, zero);
         }},
        {"no ambient term", [] {
             const GLfloat zero[4] = {-0.0f, 0, 0, 1}, tiny[4] = {1e-30f, 0, 1e-30f, 1};
             glEnable(GL_LIGHT0), glLightfv(GL_LIGHT0, GL_AMBIENT, zero);
             glEnable(GL_LIGHT5), glLightfv(GL_LIGHT5, GL_AMBIENT, tiny), glMaterialfv(GL_FRONT, GL_AMBIENT, tiny);
         }},
        {"dark lights", [] {
             const GLfloat zero[4] = {0, 0, 0, 1};
             glEnable(GL_LIGHT0), glLightfv(GL_LIGHT0, GL_AMBIENT, zero), glLightfv(GL_LIGHT0, GL_SPECULAR, zero);
             glLightfv(GL_LIGHT0, GL_DIFFUSE, zero);
             glMaterialfv(GL_FRONT, GL_EMISSION, zero);
         }},
        {"specular of infinite light, zero material", [] {
             const GLfloat inf[4] = {Inf, 1, 1, 1}, zero[4] = {0, 0, 0, 1};
             glEnable(GL_LIGHT0), glLightfv(GL_LIGHT0, GL_SPECULAR, inf), glMaterialfv(GL_FRONT, GL_SPECULAR, zero);
         }},
        // A lone light without specular term: sums below its bound are not clamped.
        {"lone light, some sums past the scale", [] {
             const GLfloat zero[4] = {0, 0, 0, 1}, big[4] = {30, 0.5f, 45, 1};
             glEnable(GL_LIGHT2), glLightfv(GL_LIGHT2, GL_DIFFUSE, big), glMaterialfv(GL_FRONT, GL_SPECULAR, zero);
         }},
        {"lone light, negative ambient", [] {
             const GLfloat zero[4] = {0, 0, 0, 1}, negative[4] = {0.5f, -0.4f, 0.2f, 1};
             glEnable(GL_LIGHT0), glMaterialfv(GL_FRONT, GL_SPECULAR, zero), glMaterialfv(GL_FRONT, GL_AMBIENT, negative);
         }},
        {"cull vertex", [] {
             glEnable(GL_LIGHT0);
             GLfloat eye[4] = {0.0f, 0.2f, 1.0f, 0.0f};
             glCullParameterfvQTA(GL_CULL_VERTEX_EYE_POSITION_QTA, eye);
             glEnable(GL_CULL_VERTEX_QTA);
         }},
        {"cull vertex point", [] {
             GLfloat eye[4] = {0.5f, 0.0f, 0.5f, 1.0f};
             glCullParameterfvQTA(GL_CULL_VERTEX_OBJECT_POSITION_QTA, eye);
             glCullFace(GL_FRONT_AND_BACK);
             glEnable(GL_CULL_VERTEX_QTA);
         }},
    };
    // Normals at their own stride, and at the positions' (read by one index).
    for (const bool paired : {false, true}) {
        glNormalPointer(GL_FLOAT, paired ? 16 : 0, paired ? (const void*)normals4 : (const void*)normals);
        for (const auto& c : cases) {
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            glPushMatrix();
            c.setup();
            compare(3, std::string(c.what) + (paired ? ", paired arrays" : ""));
            glPopMatrix();
            glPopAttrib();
        }
    }
}

// Programs built without scheduled blocks and with them give the same
// vertices (each the C++ routine's), lit or not, through an index list or
// not.
TEST_F(Programs, ScheduledAndUnscheduledProgramsAgree) {
    glVertexPointer(3, GL_FLOAT, 16, pos);
    glNormalPointer(GL_FLOAT, 16, normals4);
    glColorPointer(4, GL_FLOAT, 0, colors);
    glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
    const GLfloat dir[4] = {0.3f, 0.5f, 1.0f, 0.0f}, spec[4] = {0.6f, 0.6f, 0.2f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, dir), glLightfv(GL_LIGHT0, GL_SPECULAR, spec);
    glMaterialfv(GL_FRONT, GL_SPECULAR, spec);
    const struct {
        const char* what;
        std::function<void()> setup;
    } cases[] = {
        {"colours, general matrix", [] {
             const GLfloat m[16] = {1.5f, 0.1f, 0, 0.2f, -0.3f, 0.9f, 0, 0.1f, 0.2f, 0.1f, 1.1f, 0.3f, 0.1f, 0, -0.2f, 1.0f};
             glLoadMatrixf(m), glEnableClientState(GL_COLOR_ARRAY);
         }},
        {"colours, camera", [] { glLoadMatrixf(camera), glEnableClientState(GL_COLOR_ARRAY); }},
        {"one light", [] { glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glRotatef(30, 1, 1, 0); }},
        {"two lights", [] { glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glEnable(GL_LIGHT3), glScalef(1, 2, 1); }},
    };
    const GLint savedCache = __glOgCacheDisabled;
    __glOgCacheDisabled = 1;  // each lookup generates its program again
    for (const auto& c : cases) {
        std::vector<GlVertex> made[2];
        for (GLint scheduled : {1, 0}) {
            __glOgScheduleBlocks = scheduled;
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
            glPushMatrix();
            c.setup();
            compare(3, std::string(c.what) + (scheduled ? ", scheduled" : ", in order"));
            const GlVertex* b = gc->arrays.bufferBase;
            made[scheduled].assign(b + N, b + 2 * N + 3);
            glPopMatrix();
            glPopClientAttrib();
            glPopAttrib();
        }
        __glOgScheduleBlocks = 1;
        for (int i = 0; i < N + 3; i++) {
            const GlVertex &x = made[0][i], &y = made[1][i];
            EXPECT_EQ(x.flags, y.flags) << c.what << ", vertex " << i;
            EXPECT_EQ(memcmp(x.clip, y.clip, 16), 0) << c.what << ", vertex " << i;
            if (!(x.flags & GL_VX_CLIPPED)) {
                EXPECT_EQ(memcmp(x.window, y.window, 12), 0) << c.what << ", vertex " << i;
            }
            EXPECT_EQ(memcmp(x.frontColor, y.frontColor, 16), 0) << c.what << ", vertex " << i;
        }
    }
    __glOgCacheDisabled = savedCache;
}

TEST_F(Programs, UserClipPlanesAndTwoComponentVerticesTakeTheCTests) {
    glVertexPointer(3, GL_FLOAT, 16, pos);
    glEnableClientState(GL_VERTEX_ARRAY);
    glRotatef(25, 0, 1, 1);
    const GLdouble plane[4] = {1, -0.5, 0.25, 0.1};
    glClipPlane(GL_CLIP_PLANE2, plane);
    glEnable(GL_CLIP_PLANE2);
    compare(3, "user plane");
    glDisable(GL_CLIP_PLANE2);
    glLoadIdentity();
    glScalef(0.5f, 0.5f, 1.0f);
    glVertexPointer(2, GL_FLOAT, 16, pos);
    compare(2, "planar test");
}

// n.L on either side of a lone light's bound of unclamped sums: the normals
// are (n.L, 0, 0) under a light along x.
TEST_F(Programs, LoneLightAtTheBoundOfUnclampedSums) {
    glVertexPointer(3, GL_FLOAT, 16, pos);
    glNormalPointer(GL_FLOAT, 0, normals);
    glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    const GLfloat x[4] = {1, 0, 0, 0}, diffuse[4] = {3.0f, 7.0f, 0.3f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, x);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    compare(3, "first");
    const GLuint below = gc->lightingDerived.source[0].unclampedBelow;
    ASSERT_GT(below, 16u);
    for (int i = 0; i < N; i++) {
        const GLuint bits = below - 8 + (GLuint)i;
        memcpy(&normals[i][0], &bits, 4);
        normals[i][1] = normals[i][2] = 0.0f;
    }
    compare(3, "at the bound");
}

// The bound of unclamped sums: every n.L it admits keeps the sums below the
// scales, and it is short of the first one that does not by two patterns.
TEST(UnclampedSums, BoundIsTight) {
    const struct {
        GLfloat diffuse[3], ambient[3], scene[3], scale[3];
        bool none;
    } cases[] = {
        {{0.8f, 0.7f, 0.5f}, {0, 0, 0}, {0.04f, 0.04f, 0.04f}, {31, 63, 31}, false},
        {{3.0f, 0.1f, 1e-20f}, {0.2f, 0.3f, 0}, {0.5f, 0, 0.9f}, {1, 1, 1}, false},
        {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, false},            // never clamped
        {{0.5f, 0.5f, 0.5f}, {0, 0, 0}, {1.0f, 0, 0}, {1, 1, 1}, true},  // the scene at the scale
        {{0.5f, -0.5f, 0.5f}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, true},   // a negative term
        {{0.5f, 0.5f, 0.5f}, {-0.0f, 0, 0}, {0, 0, 0}, {1, 1, 1}, true},
        {{0.5f, NAN, 0.5f}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, true},
    };
    for (const auto& c : cases) {
        const GLuint below = __glUnclampedBelow(c.diffuse, c.ambient, c.scene, c.scale);
        const auto unclamped = [&c](GLuint bits) {
            GLfloat nL;
            memcpy(&nL, &bits, 4);
            for (int i = 0; i < 3; i++) {
                volatile GLfloat sum = c.scene[i] + (c.ambient[i] + nL * c.diffuse[i]);
                GLuint s, scale;
                memcpy(&s, (const void*)&sum, 4), memcpy(&scale, &c.scale[i], 4);
                if (s >= scale) return false;
            }
            return true;
        };
        if (c.none) {
            EXPECT_EQ(below, 0u) << c.diffuse[0];
            continue;
        }
        ASSERT_GT(below, 0u) << c.diffuse[0];
        for (GLuint bits : {0u, 1u, below / 2, below - 1}) EXPECT_TRUE(unclamped(bits)) << bits;
        if (below + 1 < 0x7F800000u) {
            EXPECT_TRUE(unclamped(below)) << below;
            EXPECT_FALSE(unclamped(below + 1)) << below;
        }
    }
}

}  // namespace

namespace {

// A program that does not fit its code area is not used: the C++ routine
// serves, and draws the same; one whose strip routine does not fit behind it
// runs with the C++ strip routine.
TEST_F(Programs, WhatDoesNotFitFallsBack) {
    GLfloat strip[40][3];
    for (int i = 0; i < 40; i++) strip[i][0] = (float)(i / 2) / 10.0f - 0.9f, strip[i][1] = (i & 1) ? 0.5f : -0.5f, strip[i][2] = 0;
    glVertexPointer(3, GL_FLOAT, 0, strip);
    glNormalPointer(GL_FLOAT, 0, normals);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 40);
    glFinish();
    const auto want = t->pixels();
    GlVertexArrayState* a = &gc->arrays;
    const GlVertexProgram* full = __glVertexProgramLookup(gc, 3, 0);
    ASSERT_NE(full, nullptr);
    const GLuint programBytes = (GLuint)((uint8_t*)full->strip - (uint8_t*)full->program);
    for (GLuint bytes : {programBytes / 2, programBytes + 64}) {
        gc->vertexPrograms.codeBytes = bytes;
        gc->vertexPrograms.count = 0, gc->vertexPrograms.current = nullptr;  // generate again
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 40);
        glFinish();
        EXPECT_EQ(t->pixels(), want) << bytes;
        const bool program = bytes > programBytes;
        EXPECT_EQ(a->fetchTransform != a->fallback, program) << bytes;
        EXPECT_EQ(a->drawProcs[GL_TRIANGLE_STRIP], (GlArrayDrawProc)__glDrawArrayTriangleStrip) << bytes;
    }
    gc->vertexPrograms.codeBytes = GL_VP_CODE_BYTES;
}

}  // namespace

namespace {

// Eight lights make the largest program; it fits its code area.
TEST_F(Programs, EightLights) {
    glVertexPointer(3, GL_FLOAT, 16, pos);
    glNormalPointer(GL_FLOAT, 0, normals);
    glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
    glEnable(GL_LIGHTING);
    for (int i = 0; i < 8; i++) {
        const GLfloat dir[4] = {0.1f * (float)i, 0.5f - 0.1f * (float)i, 1.0f, 0.0f}, d[4] = {0.1f * (float)i, 0.3f, 0.2f, 1};
        glLightfv(GL_LIGHT0 + i, GL_POSITION, dir);
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, d);
        glLightfv(GL_LIGHT0 + i, GL_SPECULAR, d);
        glEnable(GL_LIGHT0 + i);
    }
    compare(3, "eight lights");
    const GlVertexProgram* p = __glVertexProgramLookup(gc, 3, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p->strip, nullptr);
}

// The colour scales change with the drawable (a rescale keeps the state
// otherwise): the program clamps to the scales of the moment.
TEST_F(Programs, ColoursClampToTheScalesOfTheMoment) {
    glVertexPointer(3, GL_FLOAT, 16, pos);
    glNormalPointer(GL_FLOAT, 0, normals);
    glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    const GLfloat big[4] = {4, 4, 4, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, big);
    compare(3, "scales 1");
    GLfloat* scale = gc->constants.previousColorMax;
    const GLfloat saved[4] = {scale[0], scale[1], scale[2], scale[3]};
    scale[0] = 0.25f, scale[1] = 2.0f, scale[2] = 255.0f;
    compare(3, "scales changed");
    memcpy(scale, saved, sizeof saved);
}

// Strips drawn through the generated strip routine carry the last two
// vertices of a batch into the next: under two-sided lighting of back-facing
// triangles (each vertex a normal of its own) the carried vertices keep
// their back colours, so the pixels equal the C++ routines'.
TEST(StripRoutine, BackColoursOfCarriedVertices) {
    const int n = 81;
    std::vector<GLfloat> pos(3 * n), normals(3 * n);
    for (int i = 0; i < n; i++) {
        // y alternating from below: every triangle of the strip faces away.
        pos[3 * i] = -0.95f + 1.9f * (float)i / (float)(n - 1);
        pos[3 * i + 1] = i & 1 ? 0.6f : -0.6f;
        pos[3 * i + 2] = 0.1f * sinf((float)i);
        normals[3 * i] = 0.6f * sinf(0.7f * (float)i);
        normals[3 * i + 1] = 0.5f * cosf(1.3f * (float)i);
        normals[3 * i + 2] = -0.8f;
    }
    const auto draw = [&] {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
        const GLfloat towards[4] = {0.5f, -0.3f, 0.8f, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, towards);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
        const GLfloat front[4] = {0.9f, 0.2f, 0.1f, 1}, back[4] = {0.1f, 0.4f, 0.9f, 1};
        glMaterialfv(GL_FRONT, GL_DIFFUSE, front);
        glMaterialfv(GL_BACK, GL_DIFFUSE, back);
        glVertexPointer(3, GL_FLOAT, 0, pos.data());
        glNormalPointer(GL_FLOAT, 0, normals.data());
        glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, n);
        glDisableClientState(GL_VERTEX_ARRAY), glDisableClientState(GL_NORMAL_ARRAY);
    };
    Target generated(true, 64), cpp(false, 64);
    generated.makeCurrent();
    const std::vector<uint32_t> a = generated.draw(draw);
    cpp.makeCurrent();
    const std::vector<uint32_t> b = cpp.draw(draw);
    EXPECT_EQ(a, b);
    EXPECT_NE(std::count(b.begin(), b.end(), b[0]), (long)b.size()) << "drawn";
}

}  // namespace
