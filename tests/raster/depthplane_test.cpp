// Depth along a span, through the public calls, on every triangle road and
// every depth kind of a 640x480 5-6-5 DIB: each pixel's stored depth lies
// within one step of the plane through its triangle's window z (faces with
// x-slopes of 0, tiny, moderate and steep, at every place in a group of 32
// pixels), and closed cubes drawn front faces first show none of their back
// faces inside their outline.

#include <math.h>
#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "codegen/codegen.h"
#include "core/glcontext.h"

namespace {

const int W = 640, H = 480;

// A road of a software context: the path, and the generated code it may use.
struct Road {
    const char* name;
    bool generic;    // the generic span lists
    bool cppOnly;    // the C++ set-up and chain, no generated code
    bool noFill;     // the generated chain without the whole-triangle fill
    bool noMmx;      // generated code without MMX
};
const Road kRoads[] = {
    {"default", false, false, false, false},      {"x86 fill", false, false, false, true},
    {"generated chain", false, false, true, false}, {"generated x86 chain", false, false, true, true},
    {"C++ chain", false, true, false, false},     {"generic spans", true, false, false, false},
};

struct RoadScope {
    GltestTrianglePath path;
    GLint savedMmx;
    RoadScope(const Road& r) : path(r.generic, r.cppOnly), savedMmx(__glOgHasMmx) {
        __glFastPathSwitches.disableOg = r.noFill;
        if (r.noMmx) __glOgHasMmx = 0;
    }
    ~RoadScope() { __glOgHasMmx = savedMmx; }
};

// A depth kind: the bits asked for, the stored value of window z = 1, and
// clears made before drawing (the 24-bit kind's generations then count up
// and store 1 - z).
struct DepthKind {
    const char* name;
    int bits;
    double top;
    int clears;
};
const DepthKind kKinds[] = {
    {"16-bit", 16, 65535.0, 0},
    {"24-bit", 24, (double)(0x7FC00000u >> 7), 0},
    {"24-bit mirrored", 24, (double)(0x7FC00000u >> 7), 130},
    {"32-bit", 32, (double)0x7FC00000u, 0},
};

std::string label(const Road& r, const DepthKind& k) { return std::string(r.name) + ", " + k.name; }

struct Context {
    RoadScope scope;
    GltestDibContext ctx;
    Context(const Road& r, const DepthKind& k) : scope(r), ctx(W, H, 16, false, k.bits, true, gltestMasks565) {
        glDisable(GL_DITHER);
        glClearColor(0, 0, 0, 0);
        glClearDepth(1.0);
        for (int i = 0; i < k.clears; i++) glClear(GL_DEPTH_BUFFER_BIT);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    }
};

// ---- Faces of one x-slope each, in window coordinates (glOrtho near -1,
// far 1: window z = (1 - object z) / 2).

struct Slope {
    const char* name;
    double perPixel;  // steps of the buffer a pixel in x
};
const Slope kSlopes[] = {
    {"flat", 0.0},          {"tiny rising", 0.02},   {"tiny falling", -0.02}, {"falling 0.75", -0.75},
    {"rising 0.6", 0.6},    {"falling 1.3", -1.3},   {"steep falling", -37.3}, {"steep rising", 53.1},
};
const double kRowSlope = 0.37;  // steps a row, so that each row starts at another fraction
const int kBand = 6, kBandPitch = 9;

struct Face {
    int x0, y0, x1, y1;
    double z0, dzdx, dzdy;  // window z at (x0, y0) and its gradients
    double at(double x, double y) const { return z0 + dzdx * (x - x0) + dzdy * (y - y0); }
};

// Band i: rows y0 .. y0 + kBand - 1 from a column that moves the groups of
// 32 against the window (starts 0, 5, 10, ... and one from the middle).
Face faceOf(int i, const Slope& s, double top, bool narrowStep) {
    Face f;
    f.x0 = (5 * i) % 37;
    f.y0 = 2 + kBandPitch * i;
    f.x1 = W;
    f.y1 = f.y0 + kBand;
    // 32-bit values carry a float's precision: their slopes in 24-bit steps.
    const double step = narrowStep ? 1.0 / (double)(0x7FC00000u >> 7) : 1.0 / top;
    f.dzdx = s.perPixel * step;
    f.dzdy = kRowSlope * step;
    const double run = f.dzdx * (f.x1 - f.x0);
    f.z0 = 0.4623 - run / 2;
    return f;
}

void drawFace(const Face& f) {
    const double xs[4] = {(double)f.x0, (double)f.x1, (double)f.x1, (double)f.x0};
    const double ys[4] = {(double)f.y0, (double)f.y0, (double)f.y1, (double)f.y1};
    glBegin(GL_TRIANGLES);
    const int order[6] = {0, 1, 2, 0, 2, 3};
    for (int k : order) glVertex3d(xs[k], ys[k], 1.0 - 2.0 * f.at(xs[k], ys[k]));
    glEnd();
}

struct PlaneMiss {
    double worst = 0.0;
    int x = -1, y = -1, slope = -1, misses = 0;
    std::vector<bool> positions = std::vector<bool>(32, false);  // group places reached
};

TEST(DepthPlane, StoredDepthsFollowThePlaneOfTheirFace) {
    for (const DepthKind& k : kKinds)
        for (const Road& r : kRoads) {
            Context c(r, k);
            ASSERT_NE(c.ctx.rc, nullptr);
            const bool narrow = k.bits == 32;
            const int n = (int)(sizeof kSlopes / sizeof kSlopes[0]);
            std::vector<Face> faces;
            for (int i = 0; i < n; i++) faces.push_back(faceOf(i, kSlopes[i], k.top, narrow));
            for (const Face& f : faces) drawFace(f);
            glFinish();
            std::vector<GLfloat> depth((size_t)W * H);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, W, H, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
            ASSERT_EQ((GLenum)GL_NO_ERROR, glGetError());
            // In steps of the buffer (of the 24-bit kind for 32 bits, whose
            // reads are floats); the stored value truncates, so it lies at
            // most one step below the plane, and float rounding of the
            // vertices' window z adds a little either way. The steps along
            // x and down the rows are whole units of the 32-bit scale
            // (truncated), so the depth may drift by up to a unit a pixel
            // or row walked: 1/65536 of a 16-bit step, 1/128 of a 24-bit one.
            // A step dropped at each group of 32 is far beyond either.
            const double top = narrow ? (double)(0x7FC00000u >> 7) : k.top;
            const double unit = k.bits == 16 ? 1.0 / 65536.0 : 1.0 / 128.0;
            // Window z is a float of the 32-bit scale: at 24 bits its last
            // bit is about a step.
            const double slack = k.bits == 16 ? 0.02 : 1.0;
            std::vector<PlaneMiss> miss(n);
            for (int i = 0; i < n; i++) {
                const Face& f = faces[i];
                PlaneMiss& m = miss[i];
                for (int y = f.y0; y < f.y1; y++)
                    for (int x = f.x0; x < f.x1; x++) {
                        const double plane = f.at(x + 0.5, y + 0.5) * top;
                        const double stored = (double)depth[(size_t)y * W + x] * top;
                        const double e = stored - plane;
                        const double drift = (double)(x - f.x0 + y - f.y0 + 2) * unit;
                        m.positions[(x - f.x0) & 31] = true;
                        if (e < -1.0 - slack - drift || e > slack + drift) {
                            m.misses++;
                            if (fabs(e) > fabs(m.worst)) m.worst = e, m.x = x, m.y = y;
                        }
                    }
            }
            for (int i = 0; i < n; i++) {
                EXPECT_EQ(miss[i].misses, 0) << label(r, k) << ", " << kSlopes[i].name << ": worst " << miss[i].worst
                                             << " steps at (" << miss[i].x << ", " << miss[i].y << ")";
                for (int p = 0; p < 32; p++) EXPECT_TRUE(miss[i].positions[p]);
            }
        }
}

// ---- Closed cubes in perspective.

// gluPerspective(45, 4/3, 0.1, 100) as a frustum.
void perspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double zNear = 0.1, zFar = 100.0, top = zNear * tan(22.5 * M_PI / 180.0), right = top * 4.0 / 3.0;
    glFrustum(-right, right, -top, top, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, W, H);
}

// The six faces of the cube of side 2 about the origin, counter-clockwise
// from outside.
void cube() {
    static const GLfloat v[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                    {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    static const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6}, {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
    glBegin(GL_QUADS);
    for (const auto& f : faces)
        for (int i : f) glVertex3fv(v[i]);
    glEnd();
}

// A grid of 8 x 6 cells, each holding one cube at a distance from 6 to 40
// and its own turn, sized to stay inside its cell.
struct Placement {
    double x, y, distance, angle, ax, ay, az;
};
std::vector<Placement> placements(int scene) {
    std::vector<Placement> p;
    const double t = tan(22.5 * M_PI / 180.0);
    for (int row = 0; row < 6; row++)
        for (int col = 0; col < 8; col++) {
            const int i = row * 8 + col;
            const double d = 6.0 + 34.0 * ((i * 7 + scene * 13) % 48) / 47.0;
            const double cx = ((col + 0.5) / 8.0) * 2.0 - 1.0, cy = ((row + 0.5) / 6.0) * 2.0 - 1.0;
            const double angle = 11.0 + 37.0 * i + 53.0 * scene;
            p.push_back({cx * d * t * 4.0 / 3.0, cy * d * t, d, angle, 0.3 + (i % 5), 1.0 + (i % 3),
                         0.2 + ((i + scene) % 4)});
        }
    return p;
}

void drawCubes(const std::vector<Placement>& cells, GLenum culled) {
    glCullFace(culled);
    const double t = tan(22.5 * M_PI / 180.0);
    for (const Placement& c : cells) {
        // Half a cell's height at the cube's distance, less the corners' reach.
        const double side = 0.5 * (2.0 * c.distance * t / 6.0) / 1.9;
        glLoadIdentity();
        glTranslated(c.x, c.y, -c.distance);
        glRotated(c.angle, c.ax, c.ay, c.az);
        glScaled(side, side, side);
        cube();
    }
}

TEST(DepthPlane, CubesShowNoBackFaceInsideTheirOutline) {
    for (const DepthKind& k : kKinds)
        for (const Road& r : kRoads) {
            Context c(r, k);
            ASSERT_NE(c.ctx.rc, nullptr);
            perspective();
            glEnable(GL_CULL_FACE);
            glShadeModel(GL_FLAT);
            int inside = 0, drawn = 0, firstX = -1, firstY = -1;
            for (int scene = 0; scene < 3; scene++) {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                const std::vector<Placement> cells = placements(scene);
                glColor3f(0, 1, 0);
                drawCubes(cells, GL_BACK);  // the faces toward the eye
                glColor3f(1, 0, 0);
                drawCubes(cells, GL_FRONT);  // the faces away from it
                glFinish();
                // A red pixel whose neighbours within two pixels are all
                // covered lies inside a cube's outline.
                const auto covered = [&](int x, int y) { return c.ctx.pixel(x, y) != 0; };
                for (int y = 2; y < H - 2; y++)
                    for (int x = 2; x < W - 2; x++) {
                        const uint32_t p = c.ctx.pixel(x, y);
                        drawn += p != 0;
                        if (p != 0xF800) continue;
                        bool interior = true;
                        for (int dy = -2; dy <= 2 && interior; dy++)
                            for (int dx = -2; dx <= 2 && interior; dx++) interior = covered(x + dx, y + dy);
                        if (interior && inside++ == 0) firstX = x, firstY = y;
                    }
            }
            EXPECT_EQ(inside, 0) << label(r, k) << ": back-face pixels inside the cubes, the first at (" << firstX
                                 << ", " << firstY << ")";
            EXPECT_GT(drawn, 3 * W * H / 20) << label(r, k) << ": the cubes cover the window";
        }
}

}  // namespace
