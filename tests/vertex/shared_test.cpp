// Indexed triangles whose batches hold each element once: a mesh drawn with
// glDrawElements against the same triangles with every index's attributes
// copied out in order (glDrawArrays, nothing shared), with programs on and
// off, over states that read the shared vertices differently (lighting on
// both faces, flat shading, outlines with edge flags, clipping, feedback),
// and the count of elements the batches transform. A frame drawn again
// unchanged generates no code.
#include <set>
#include "roadtest.h"
#include "geometry/arrays.h"
#include "geometry/geometry.h"

using namespace road;

namespace {

// A grid of side x side vertices reaching past the view, its quads as two
// triangles each, then triangles with repeated and far-apart elements.
struct Mesh {
    static const int side = 13;
    std::vector<GLfloat> pos, normal, color;
    std::vector<GLboolean> edge;
    std::vector<GLuint> indices;
    Mesh() {
        for (int j = 0; j < side; j++)
            for (int i = 0; i < side; i++) {
                const float x = 2.6f * (float)i / (side - 1) - 1.3f, y = 2.4f * (float)j / (side - 1) - 1.2f;
                pos.insert(pos.end(), {x, y, 0.4f * x * y - 0.1f * x});
                const float nx = 0.3f * y, ny = -0.4f * x, len = 1.0f / sqrtf(nx * nx + ny * ny + 1.0f);
                normal.insert(normal.end(), {nx * len, ny * len, len});
                color.insert(color.end(), {(float)(i % 4) / 3.0f, (float)(j % 3) / 2.0f, (float)((i + j) % 5) / 4.0f, 1});
                edge.push_back((GLboolean)((i * 7 + j) % 3 != 0));
            }
        for (int j = 0; j + 1 < side; j++)
            for (int i = 0; i + 1 < side; i++) {
                const GLuint a = j * side + i, b = a + 1, c = a + side, d = c + 1;
                indices.insert(indices.end(), {a, b, d, a, d, c});
            }
        const GLuint n = side * side;
        for (GLuint k = 0; k < 40; k++) indices.insert(indices.end(), {(k * 37) % n, (k * 37 + 1) % n, (k * 53 + 5) % n});
        indices.insert(indices.end(), {5, 5, 40, 7, 100, 7, 0, n - 1, n / 2});
    }
};

struct Shared : ::testing::TestWithParam<bool> {
    Target* t = nullptr;
    GlContext* gc = nullptr;
    Mesh m;
    std::vector<GLfloat> flatPos, flatNormal, flatColor;
    std::vector<GLboolean> flatEdge;
    void SetUp() override {
        t = new Target(GetParam(), 40);
        gc = __glCurrentContext();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.5, 0.5, -0.5, 0.5, 1, 4);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0, 0, -2);
        glRotatef(-25, 1, 0.2f, 0);
        glEnable(GL_DEPTH_TEST);
        for (GLuint e : m.indices) {
            flatPos.insert(flatPos.end(), &m.pos[3 * e], &m.pos[3 * e] + 3);
            flatNormal.insert(flatNormal.end(), &m.normal[3 * e], &m.normal[3 * e] + 3);
            flatColor.insert(flatColor.end(), &m.color[4 * e], &m.color[4 * e] + 4);
            flatEdge.push_back(m.edge[e]);
        }
        glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY), glEnableClientState(GL_EDGE_FLAG_ARRAY);
    }
    void TearDown() override { delete t; }
    void pointers(bool expanded) {
        glVertexPointer(3, GL_FLOAT, 0, expanded ? flatPos.data() : m.pos.data());
        glNormalPointer(GL_FLOAT, 0, expanded ? flatNormal.data() : m.normal.data());
        glColorPointer(4, GL_FLOAT, 0, expanded ? flatColor.data() : m.color.data());
        glEdgeFlagPointer(0, expanded ? flatEdge.data() : m.edge.data());
    }
    void indexed() {
        pointers(false);
        glDrawElements(GL_TRIANGLES, (GLsizei)m.indices.size(), GL_UNSIGNED_INT, m.indices.data());
    }
    void expanded() {
        pointers(true);
        glDrawArrays(GL_TRIANGLES, 0, (GLsizei)m.indices.size());
    }
};

TEST_P(Shared, IndexedTrianglesDrawAsTheirExpansion) {
    const GLfloat light[4] = {0.3f, 0.4f, 1.0f, 0.0f}, spec[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const struct {
        const char* what;
        std::function<void()> set;
    } states[] = {
        {"colours", [] {}},
        {"lit", [&] { glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glLightfv(GL_LIGHT0, GL_POSITION, light); }},
        {"lit with specular", [&] {
             glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glLightfv(GL_LIGHT0, GL_POSITION, light);
             glMaterialfv(GL_FRONT, GL_SPECULAR, spec), glMaterialf(GL_FRONT, GL_SHININESS, 12);
         }},
        {"two-sided lighting", [&] {
             glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
         }},
        {"flat", [] { glShadeModel(GL_FLAT); }},
        {"flat lit", [] { glShadeModel(GL_FLAT), glEnable(GL_LIGHTING), glEnable(GL_LIGHT0); }},
        {"outlines", [] { glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); }},
        {"back points, front outlines", [] { glPolygonMode(GL_BACK, GL_POINT), glPolygonMode(GL_FRONT, GL_LINE); }},
        {"cull back", [] { glEnable(GL_CULL_FACE); }},
        {"cull vertex", [] {
             GLfloat eye[4] = {0, 0.3f, 1, 0};
             glCullParameterfvQTA(GL_CULL_VERTEX_EYE_POSITION_QTA, eye);
             glEnable(GL_CULL_VERTEX_QTA);
         }},
    };
    for (const auto& s : states) {
        SCOPED_TRACE(s.what);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        s.set();
        const auto want = t->draw([&] { expanded(); });
        EXPECT_EQ(t->draw([&] { indexed(); }), want);
        EXPECT_EQ(feedback([&] { indexed(); }), feedback([&] { expanded(); }));
        glPopAttrib();
    }
}

// The private batch size: larger batches still hold at most 36 elements.
TEST_P(Shared, AnyBatchSizeDrawsTheSame) {
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    const auto want = t->draw([&] { expanded(); });
    for (GLfloat hint : {36.0f, 48.0f, 240.0f}) {
        GLfloat h[4] = {hint};
        glCullParameterfvQTA(0x6403, h);
        EXPECT_EQ(t->draw([&] { indexed(); }), want) << hint;
    }
}

// Each batch transforms an element it names once: a mesh of fewer than 36
// elements takes as many transforms as it has elements, wherever its
// triangles name them again.
TEST_P(Shared, EachElementOfABatchIsTransformedOnce) {
    pointers(false);
    static std::multiset<GLuint>* seen;
    std::multiset<GLuint> elements;
    seen = &elements;
    const GLuint small[] = {0, 1, 14, 0, 14, 13, 1, 2, 15, 1, 15, 14, 13, 14, 27, 0, 1, 14};
    glDrawElements(GL_TRIANGLES, 18, GL_UNSIGNED_INT, small);  // validates
    GlVertexArrayState* a = &gc->arrays;
    a->gather = [](GlContext* gc, GLint slot, GLint first, GLint count, const GLuint* list) {
        for (GLint k = 0; k < count; k++) seen->insert(list ? list[first + k] : (GLuint)(first + k));
        __glFetchArrayVerticesIndexed(gc, slot, first, count, list);
    };
    glDrawElements(GL_TRIANGLES, 18, GL_UNSIGNED_INT, small);
    a->gather = __glFetchArrayVerticesIndexed;
    EXPECT_EQ(elements, (std::multiset<GLuint>{0, 1, 2, 13, 14, 15, 27}));
}

// A flat lit triangle shows its provoking vertex lit by its eye normal: the
// same as a smooth triangle whose vertices all carry that normal, whether
// the vertex was completed before or not, through arrays and immediate mode.
TEST_P(Shared, FlatLitTrianglesLightTheProvokingEyeNormal) {
    glDisableClientState(GL_COLOR_ARRAY), glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    GLfloat v[3][3] = {{-0.6f, -0.5f, 0}, {0.7f, -0.4f, 0.1f}, {0.1f, 0.6f, -0.1f}};
    GLfloat n[3][3] = {{0.6f, 0, 0.8f}, {0, -0.6f, 0.8f}, {0, 0.6f, 0.8f}};
    GLfloat same[3][3];
    for (auto& c : same) memcpy(c, n[2], sizeof c);
    glVertexPointer(3, GL_FLOAT, 0, v);
    glNormalPointer(GL_FLOAT, 0, same);
    const auto want = t->draw([] { glDrawArrays(GL_TRIANGLES, 0, 3); });
    glShadeModel(GL_FLAT);
    glNormalPointer(GL_FLOAT, 0, n);
    EXPECT_EQ(t->draw([] { glDrawArrays(GL_TRIANGLES, 0, 3); }), want) << "arrays";
    EXPECT_EQ(t->draw([&] {
        glBegin(GL_TRIANGLES);
        for (int i = 0; i < 3; i++) glNormal3fv(n[i]), glVertex3fv(v[i]);
        glEnd();
    }), want) << "immediate mode";
}

// Every road of a lit frame drawn again as it was: nothing is generated
// (vertex programs, set-up, walker, stages all come from their caches).
TEST_P(Shared, SecondIdenticalFrameGeneratesNothing) {
    glDisableClientState(GL_COLOR_ARRAY), glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    pointers(false);
    std::vector<GLuint> strips;
    for (int j = 0; j + 1 < Mesh::side; j++)
        for (int i = 0; i < Mesh::side; i++) strips.insert(strips.end(), {(GLuint)((j + 1) * Mesh::side + i), (GLuint)(j * Mesh::side + i)});
    const auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDrawElements(GL_TRIANGLES, (GLsizei)m.indices.size(), GL_UNSIGNED_INT, m.indices.data());
        for (int j = 0; j + 1 < Mesh::side; j++)
            glDrawElements(GL_TRIANGLE_STRIP, 2 * Mesh::side, GL_UNSIGNED_INT, strips.data() + 2 * Mesh::side * j);
        glBegin(GL_TRIANGLES);
        for (GLuint e : m.indices) glNormal3fv(&m.normal[3 * e]), glVertex3fv(&m.pos[3 * e]);
        glEnd();
        glLockArraysQTA(0, Mesh::side * Mesh::side);
        glDrawElements(GL_TRIANGLES, (GLsizei)m.indices.size(), GL_UNSIGNED_INT, m.indices.data());
        glUnlockArraysQTA();
        glFinish();
    };
    frame();
    const GLuint generations = gc->og.gen.generations;
    const GLint programs = gc->vertexPrograms.count;
    frame();
    EXPECT_EQ(gc->og.gen.generations, generations);
    EXPECT_EQ(gc->vertexPrograms.count, programs);
    if (GetParam()) { EXPECT_GT(programs, 0); }
}

INSTANTIATE_TEST_SUITE_P(Programs, Shared, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Generated" : "Cxx"; });

}  // namespace
