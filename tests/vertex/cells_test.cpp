// Meshes of triangles smaller than a pixel, as a fine mesh far away draws
// them: the triangle steps of array draws and the vertex cache, the strip
// routine and the set-ups drop those within one pixel row or column. Every
// road draws what immediate mode without the vertex cache draws, with
// programs on and off, filled, antialiased (whose triangles cover pixels
// without a centre), outlined, scissored, and on a drawable taller than 2048
// rows (whose upper rows lie beyond the window y where a pattern's top bits
// name one row).
#include "roadtest.h"

using namespace road;

namespace {

// side x side quads in one strip a row, lit, over a small part of the view.
struct FineMesh {
    static const int side = 40, n = side + 1;
    std::vector<GLfloat> pos, normal, stripPos, stripNormal;
    std::vector<GLuint> triangles, strips;
    FineMesh() {
        for (int j = 0; j < n; j++)
            for (int i = 0; i < n; i++) {
                const float x = 2.0f * i / side - 1.0f, y = 2.0f * j / side - 1.0f;
                pos.insert(pos.end(), {x, y, 0.15f * x * y});
                const float nx = -0.15f * y, ny = -0.15f * x, len = 1.0f / sqrtf(nx * nx + ny * ny + 1.0f);
                normal.insert(normal.end(), {nx * len, ny * len, len});
            }
        for (int j = 0; j < side; j++)
            for (int i = 0; i < side; i++) {
                const GLuint a = j * n + i, b = a + 1, c = a + n, d = c + 1;
                triangles.insert(triangles.end(), {a, b, d, a, d, c});
            }
        for (int j = 0; j < side; j++)
            for (int i = 0; i < n; i++) strips.insert(strips.end(), {(GLuint)((j + 1) * n + i), (GLuint)(j * n + i)});
        for (GLuint e : strips) {
            stripPos.insert(stripPos.end(), &pos[3 * e], &pos[3 * e] + 3);
            stripNormal.insert(stripNormal.end(), &normal[3 * e], &normal[3 * e] + 3);
        }
    }
};

enum Way {
    IMMEDIATE_PLAIN, IMMEDIATE_CACHE, ELEMENTS_TRIANGLES,
    STRIPS_PLAIN, STRIPS_CACHE, ELEMENTS_STRIPS, ARRAYS_STRIPS, WAYS
};
const char* const kWayNames[WAYS] = {"immediate", "immediate cached", "indexed triangles", "immediate strips",
                                     "immediate strips cached", "indexed strips", "array strips"};
// The way that draws each way's triangles as the reference: immediate mode
// without the vertex cache.
int referenceOf(int way) { return way < STRIPS_PLAIN ? IMMEDIATE_PLAIN : STRIPS_PLAIN; }

void drawWay(const FineMesh& m, int way) {
    const int row = 2 * FineMesh::n;
    switch (way) {
    case IMMEDIATE_PLAIN:
    case IMMEDIATE_CACHE:
        setVertexCache(way == IMMEDIATE_CACHE);
        glBegin(GL_TRIANGLES);
        for (GLuint e : m.triangles) glNormal3fv(&m.normal[3 * e]), glVertex3fv(&m.pos[3 * e]);
        glEnd();
        setVertexCache(true);
        return;
    case STRIPS_PLAIN:
    case STRIPS_CACHE:
        setVertexCache(way == STRIPS_CACHE);
        for (int j = 0; j < FineMesh::side; j++) {
            glBegin(GL_TRIANGLE_STRIP);
            for (int k = 0; k < row; k++) {
                const GLuint e = m.strips[j * row + k];
                glNormal3fv(&m.normal[3 * e]), glVertex3fv(&m.pos[3 * e]);
            }
            glEnd();
        }
        setVertexCache(true);
        return;
    case ELEMENTS_TRIANGLES:
    case ELEMENTS_STRIPS:
        glVertexPointer(3, GL_FLOAT, 0, m.pos.data());
        glNormalPointer(GL_FLOAT, 0, m.normal.data());
        if (way == ELEMENTS_TRIANGLES) {
            glDrawElements(GL_TRIANGLES, (GLsizei)m.triangles.size(), GL_UNSIGNED_INT, m.triangles.data());
            return;
        }
        for (int j = 0; j < FineMesh::side; j++)
            glDrawElements(GL_TRIANGLE_STRIP, row, GL_UNSIGNED_INT, m.strips.data() + j * row);
        return;
    default:
        glVertexPointer(3, GL_FLOAT, 0, m.stripPos.data());
        glNormalPointer(GL_FLOAT, 0, m.stripNormal.data());
        for (int j = 0; j < FineMesh::side; j++) glDrawArrays(GL_TRIANGLE_STRIP, j * row, row);
    }
}

// A lit frame of the mesh into a width x height DIB section, the mesh into
// `box` (x, y, w, h) of it.
struct Frame {
    GltestDibContext* c;
    Frame(bool programs, int width, int height) {
        if (!programs) setenv("__GL_CXX_VERTEX_ROUTINES", "1", 1);
        c = new GltestDibContext(width, height, 32, false, 32);
        unsetenv("__GL_CXX_VERTEX_ROUTINES");
    }
    ~Frame() { delete c; }
    std::vector<uint32_t> draw(const FineMesh& m, int way, const GLint* box, const std::function<void()>& state) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glViewport(box[0], box[1], box[2], box[3]);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.6, 0.6, -0.6, 0.6, 1, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0, 0, -2.2f);
        glRotatef(-30, 1, 0, 0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
        const GLfloat light[4] = {0.3f, 0.4f, 1.0f, 0.0f}, diffuse[4] = {0.8f, 0.7f, 0.5f, 1.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, light);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
        glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
        if (state) state();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawWay(m, way);
        glFinish();
        glPopAttrib();
        std::vector<uint32_t> out;
        for (int y = 0; y < c->dib.height; y++)
            for (int x = 0; x < c->dib.width; x++) out.push_back(c->pixel(x, y) & 0xFFFFFF);
        return out;
    }
};

TEST(Cells, EveryRoadDropsWhatTheSetUpDrops) {
    const FineMesh m;
    const struct {
        const char* what;
        int width, height;
        GLint box[4];
        std::function<void()> state;
    } cases[] = {
        {"filled", 24, 24, {0, 0, 24, 24}, nullptr},
        {"antialiased", 24, 24, {0, 0, 24, 24}, [] {
             glEnable(GL_POLYGON_SMOOTH), glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
         }},
        {"outlined", 24, 24, {0, 0, 24, 24}, [] { glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); }},
        {"scissored", 24, 24, {0, 0, 24, 24}, [] { glEnable(GL_SCISSOR_TEST), glScissor(5, 3, 13, 11); }},
        {"flat", 24, 24, {0, 0, 24, 24}, [] { glShadeModel(GL_FLAT); }},
        // The section is top-down: its last rows are the bottom of the view.
        {"rows past 2048", 16, 2080, {0, 0, 16, 16}, nullptr},
        {"rows past 2048, antialiased", 16, 2080, {0, 0, 16, 16}, [] {
             glEnable(GL_POLYGON_SMOOTH), glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
         }},
        {"the first rows of a tall drawable", 16, 2080, {0, 2058, 16, 16}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint32_t> want[WAYS];
        for (bool programs : {false, true}) {
            Frame f(programs, c.width, c.height);
            for (int way = 0; way < WAYS; way++) {
                std::vector<uint32_t>& w = want[referenceOf(way)];
                if (w.empty()) w = f.draw(m, referenceOf(way), c.box, c.state);
                EXPECT_EQ(f.draw(m, way, c.box, c.state), w) << kWayNames[way] << ", programs " << programs;
            }
        }
        for (int way : {IMMEDIATE_PLAIN, STRIPS_PLAIN})
            EXPECT_NE(want[way], std::vector<uint32_t>(want[way].size(), want[way][0]));
    }
}

}  // namespace
