// GLU quadrics: where their vertices and texture coordinates lie (feedback), which way their faces
// and normals point (lit, culled renderings), and what each draw style draws.
#include <math.h>

#include <functional>
#include <vector>

#include "gldib.h"

#include <GL/glu.h>

namespace {

struct Vertex {
    float x, y, z, s, t;
};

// Feedback of `draw` in window units of a 2 x 2 x 2 orthographic view over a 64 x 64 viewport
// (object x = -1 at window x 0): the vertices of point tokens, and the counts of line segments
// and polygons.
struct Feedback {
    std::vector<Vertex> points;
    int lines = 0, polygons = 0;
};

Feedback feedback(const std::function<void()>& draw) {
    static GLfloat buffer[1 << 16];
    glFeedbackBuffer(sizeof buffer / sizeof buffer[0], GL_3D_COLOR_TEXTURE, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    Feedback out;
    const int vertexWords = 3 + 4 + 4;
    for (GLint i = 0; i < n;) {
        const int token = int(buffer[i++]);
        if (token == GL_POINT_TOKEN) {
            const GLfloat* v = &buffer[i];
            out.points.push_back(Vertex{v[0] / 32 - 1, v[1] / 32 - 1, v[2], v[7], v[8]});
            i += vertexWords;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            out.lines++;
            i += 2 * vertexWords;
        } else if (token == GL_POLYGON_TOKEN) {
            out.polygons++;
            i += 1 + int(buffer[i]) * vertexWords;
        } else {
            ADD_FAILURE() << "token " << token;
            break;
        }
    }
    return out;
}

struct GluQuadricTest : ::testing::Test {
    GltestDibContext ctx{64, 64};
    GLUquadric* q = nullptr;
    void SetUp() override {
        q = gluNewQuadric();
        ASSERT_NE(q, nullptr);
        glViewport(0, 0, 64, 64);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -2, 2);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { gluDeleteQuadric(q); }
    // One light from the viewer: a face's brightness is its normal's z.
    void light() {
        const GLfloat direction[] = {0, 0, 1, 0}, white[] = {1, 1, 1, 1}, none[] = {0, 0, 0, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
    }
    int centreRed() {
        glClearColor(0, 0, 0, 0);
        return ctx.red(32, 32);
    }
};

bool closeTo(const Vertex& v, float x, float y, float z) {
    return fabsf(v.x - x) < 0.02f && fabsf(v.y - y) < 0.02f && fabsf(v.z - z) < 0.02f;
}

TEST_F(GluQuadricTest, SphereVerticesAndTextureCoordinates) {
    gluQuadricDrawStyle(q, GLU_POINT);
    gluQuadricTexture(q, GL_TRUE);
    // Ortho z maps object z = 1 to window z 0.25 and z = -1 to 0.75.
    Feedback f = feedback([&] { gluSphere(q, 1, 4, 2); });
    ASSERT_EQ(f.points.size(), 12u) << "3 rings of 4";
    const struct {
        float x, y, z, s, t;
    } want[] = {
        {0, 1, 0.5f, 0, 0.5f}, {1, 0, 0.5f, 0.25f, 0.5f}, {0, -1, 0.5f, 0.5f, 0.5f}, {-1, 0, 0.5f, 0.75f, 0.5f},
        {0, 0, 0.25f, 0, 1},  {0, 0, 0.75f, 0.5f, 0},
    };
    for (const auto& w : want) {
        bool found = false;
        for (const Vertex& v : f.points)
            found |= closeTo(v, w.x, w.y, w.z) && fabsf(v.s - w.s) < 1e-5f && fabsf(v.t - w.t) < 1e-5f;
        EXPECT_TRUE(found) << w.x << " " << w.y << " " << w.z << " s " << w.s << " t " << w.t;
    }
}

TEST_F(GluQuadricTest, CylinderRunsAlongZWithItsRadii) {
    gluQuadricDrawStyle(q, GLU_POINT);
    gluQuadricTexture(q, GL_TRUE);
    Feedback f = feedback([&] { gluCylinder(q, 1.0, 0.5, 1.0, 4, 1); });
    ASSERT_EQ(f.points.size(), 8u);
    // Base ring at z = 0 (window z 0.5), radius 1; top ring at z = 1 (0.25), radius 0.5.
    EXPECT_TRUE(closeTo(f.points[1], 1, 0, 0.5f));
    EXPECT_FLOAT_EQ(f.points[1].s, 0.25f);
    EXPECT_FLOAT_EQ(f.points[1].t, 0);
    EXPECT_TRUE(closeTo(f.points[6], 0, -0.5f, 0.25f));
    EXPECT_FLOAT_EQ(f.points[6].t, 1);
}

TEST_F(GluQuadricTest, PartialDiskAnglesRunClockwiseFromPlusY) {
    gluQuadricTexture(q, GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    gluPartialDisk(q, 0, 1, 16, 1, 0, 90);
    EXPECT_EQ(ctx.red(48, 48), 255) << "+x, +y quadrant";
    EXPECT_EQ(ctx.red(16, 48), 0) << "-x, +y";
    EXPECT_EQ(ctx.red(48, 16), 0) << "+x, -y";
    // A negative sweep goes the other way round.
    glClear(GL_COLOR_BUFFER_BIT);
    gluPartialDisk(q, 0.5, 1, 16, 2, 0, -90);
    EXPECT_EQ(ctx.red(20, 56), 255) << "-x, +y";
    EXPECT_EQ(ctx.red(34, 34), 0) << "inside the inner radius";
    Feedback f;
    gluQuadricDrawStyle(q, GLU_POINT);
    f = feedback([&] { gluDisk(q, 0, 1, 4, 1); });
    ASSERT_FALSE(f.points.empty());
    EXPECT_TRUE(closeTo(f.points[1], 1, 0, 0.5f));
    EXPECT_FLOAT_EQ(f.points[1].s, 1.0f) << "texture square of the outer circle";
    EXPECT_FLOAT_EQ(f.points[1].t, 0.5f);
}

// Outside, front faces and normals face away from the centre (+z for disks); inside, both turn.
TEST_F(GluQuadricTest, OrientationTurnsFacesAndNormals) {
    light();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    const struct {
        const char* what;
        GLenum orientation;
        bool cull;
        std::function<void(GLUquadric*)> draw;
        int red;       // at the centre
        float depth;   // at the centre; 1 when nothing was drawn
    } cases[] = {
        {"sphere outside", GLU_OUTSIDE, true, [](GLUquadric* q) { gluSphere(q, 1, 24, 12); }, 255, 0.25f},
        // Culled, the near half goes: the far half's inside faces the viewer, lit.
        {"sphere inside, culled", GLU_INSIDE, true, [](GLUquadric* q) { gluSphere(q, 1, 24, 12); }, 255, 0.75f},
        {"sphere inside, not culled", GLU_INSIDE, false, [](GLUquadric* q) { gluSphere(q, 1, 24, 12); }, 0, 0.25f},
        {"disk outside", GLU_OUTSIDE, true, [](GLUquadric* q) { gluDisk(q, 0, 1, 12, 2); }, 255, 0.5f},
        {"disk inside", GLU_INSIDE, true, [](GLUquadric* q) { gluDisk(q, 0, 1, 12, 2); }, 0, 1.0f},
        {"disk inside, not culled", GLU_INSIDE, false, [](GLUquadric* q) { gluDisk(q, 0, 1, 12, 2); }, 0, 0.5f},
    };
    for (const auto& c : cases) {
        gluQuadricOrientation(q, c.orientation);
        if (c.cull) glEnable(GL_CULL_FACE);
        else glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 0);
        glClearDepth(1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        c.draw(q);
        float depth = -1;
        glReadPixels(32, 32, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_NEAR(ctx.red(32, 32), c.red, 4) << c.what;
        EXPECT_NEAR(depth, c.depth, 0.01f) << c.what;
    }
}

TEST_F(GluQuadricTest, NoNormalsLeaveTheCurrentNormal) {
    glNormal3f(0, 1, 0);
    gluQuadricNormals(q, GLU_NONE);
    gluSphere(q, 1, 8, 4);
    GLfloat n[3];
    glGetFloatv(GL_CURRENT_NORMAL, n);
    EXPECT_FLOAT_EQ(n[1], 1);
    gluQuadricNormals(q, GLU_SMOOTH);
    gluDisk(q, 0, 1, 8, 1);
    glGetFloatv(GL_CURRENT_NORMAL, n);
    EXPECT_FLOAT_EQ(n[2], 1);
    gluQuadricNormals(q, 12345);  // ignored
    gluQuadricOrientation(q, GLU_INSIDE);
    gluDisk(q, 0, 1, 8, 1);
    glGetFloatv(GL_CURRENT_NORMAL, n);
    EXPECT_FLOAT_EQ(n[2], -1);
}

TEST_F(GluQuadricTest, DrawStylesDrawLinesOfTheirKind) {
    const struct {
        const char* what;
        GLenum style;
        std::function<void(GLUquadric*)> draw;
        int lines;
    } cases[] = {
        // Rings at each loop radius but 0, and the spokes.
        {"disk lines", GLU_LINE, [](GLUquadric* q) { gluDisk(q, 0, 1, 4, 1); }, 4 + 4},
        {"disk silhouette", GLU_SILHOUETTE, [](GLUquadric* q) { gluDisk(q, 0, 1, 4, 1); }, 4},
        {"partial disk lines", GLU_LINE, [](GLUquadric* q) { gluPartialDisk(q, 0.5, 1, 2, 1, 0, 90); }, 2 + 2 + 3},
        {"partial disk silhouette", GLU_SILHOUETTE, [](GLUquadric* q) { gluPartialDisk(q, 0.5, 1, 2, 1, 0, 90); },
         2 + 2 + 2},
        {"cylinder lines", GLU_LINE, [](GLUquadric* q) { gluCylinder(q, 1, 1, 1, 4, 2); }, 3 * 4 + 4 * 2},
        {"cylinder silhouette", GLU_SILHOUETTE, [](GLUquadric* q) { gluCylinder(q, 1, 1, 1, 4, 2); }, 2 * 4 + 4 * 2},
    };
    for (const auto& c : cases) {
        gluQuadricDrawStyle(q, c.style);
        Feedback f = feedback([&] { c.draw(q); });
        EXPECT_EQ(f.lines, c.lines) << c.what;
        EXPECT_EQ(f.polygons, 0) << c.what;
    }
    gluQuadricDrawStyle(q, GLU_FILL);
    EXPECT_GT(feedback([&] { gluCylinder(q, 1, 1, 1, 4, 2); }).polygons, 0);
    EXPECT_EQ(feedback([&] { gluCylinder(q, 1, 1, 1, 1, 2); }).polygons, 0) << "too few slices";
    EXPECT_EQ(feedback([&] { gluSphere(q, 1, 4, 0); }).polygons, 0) << "no stacks";
}

}  // namespace
