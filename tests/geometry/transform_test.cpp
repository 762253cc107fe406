// Matrix stacks, classes, viewport and depth range, checked through feedback
// against an independent double-precision transform.
#include <math.h>
#include <random>
#include "geomtest.h"

namespace {

// Column-major 4x4 as in the GL API; out = a * b.
struct M4 {
    double m[16];
};
M4 identity() {
    M4 r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1;
    return r;
}
M4 mul(const M4& a, const M4& b) {
    M4 r{};
    for (int c = 0; c < 4; c++)
        for (int row = 0; row < 4; row++) {
            double s = 0;
            for (int k = 0; k < 4; k++) s += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = s;
        }
    return r;
}
void apply(const M4& a, const double in[4], double out[4]) {
    for (int row = 0; row < 4; row++) {
        double s = 0;
        for (int k = 0; k < 4; k++) s += a.m[k * 4 + row] * in[k];
        out[row] = s;
    }
}

// One operation on the current matrix, done through GL and on the reference.
struct Op {
    int kind;  // 0 translate, 1 scale, 2 rotate z, 3 rotate any, 4 ortho, 5 window ortho, 6 frustum, 7 load, 8 mult
    double a[16];
};

M4 opMatrix(const Op& o, int vw, int vh) {
    M4 r = identity();
    const double* a = o.a;
    switch (o.kind) {
    case 0: r.m[12] = a[0], r.m[13] = a[1], r.m[14] = a[2]; break;
    case 1: r.m[0] = a[0], r.m[5] = a[1], r.m[10] = a[2]; break;
    case 2:
    case 3: {
        double x = o.kind == 2 ? 0 : a[1], y = o.kind == 2 ? 0 : a[2], z = o.kind == 2 ? 1 : a[3];
        double len = sqrt(x * x + y * y + z * z);
        x /= len, y /= len, z /= len;
        double c = cos(a[0] * M_PI / 180), s = sin(a[0] * M_PI / 180), t = 1 - c;
        r.m[0] = t * x * x + c, r.m[4] = t * x * y - s * z, r.m[8] = t * x * z + s * y;
        r.m[1] = t * x * y + s * z, r.m[5] = t * y * y + c, r.m[9] = t * y * z - s * x;
        r.m[2] = t * x * z - s * y, r.m[6] = t * y * z + s * x, r.m[10] = t * z * z + c;
        break;
    }
    case 4:
    case 5: {
        double l = a[0], rt = a[1], b = a[2], tp = a[3], n = a[4], f = a[5];
        if (o.kind == 5) l = 0, rt = vw, b = 0, tp = vh, n = -1, f = 1;
        r.m[0] = 2 / (rt - l), r.m[5] = 2 / (tp - b), r.m[10] = -2 / (f - n);
        r.m[12] = -(rt + l) / (rt - l), r.m[13] = -(tp + b) / (tp - b), r.m[14] = -(f + n) / (f - n);
        break;
    }
    case 6: {
        double l = a[0], rt = a[1], b = a[2], tp = a[3], n = a[4], f = a[5];
        r = M4{};
        r.m[0] = 2 * n / (rt - l), r.m[5] = 2 * n / (tp - b);
        r.m[8] = (rt + l) / (rt - l), r.m[9] = (tp + b) / (tp - b), r.m[10] = -(f + n) / (f - n);
        r.m[11] = -1, r.m[14] = -2 * f * n / (f - n);
        break;
    }
    default:
        for (int i = 0; i < 16; i++) r.m[i] = (float)a[i];
        break;
    }
    return r;
}

void glOp(const Op& o, int vw, int vh) {
    const double* a = o.a;
    switch (o.kind) {
    case 0: glTranslated(a[0], a[1], a[2]); break;
    case 1: glScalef((float)a[0], (float)a[1], (float)a[2]); break;
    case 2: glRotatef((float)a[0], 0, 0, 1); break;
    case 3: glRotated(a[0], a[1], a[2], a[3]); break;
    case 4: glOrtho(a[0], a[1], a[2], a[3], a[4], a[5]); break;
    case 5: glOrtho(0, vw, 0, vh, -1, 1); break;
    case 6: glFrustum(a[0], a[1], a[2], a[3], a[4], a[5]); break;
    case 7: glLoadMatrixd(a); break;
    default: glMultMatrixd(a); break;
    }
}

Op randomOp(std::mt19937& rng, bool projection) {
    std::uniform_real_distribution<double> u(-1, 1);
    Op o{};
    o.kind = projection ? std::uniform_int_distribution<int>(4, 8)(rng) : std::uniform_int_distribution<int>(0, 8)(rng);
    for (double& v : o.a) v = u(rng);
    switch (o.kind) {
    case 1: o.a[0] = 0.5 + fabs(o.a[0]), o.a[1] = -0.5 - fabs(o.a[1]), o.a[2] = 1 + o.a[2] * 0.5; break;
    case 2:
    case 3: o.a[0] *= 180; o.a[3] += 2; break;
    case 4: o.a[0] = -2 - fabs(o.a[0]), o.a[1] = 2 + fabs(o.a[1]), o.a[2] = -2 + o.a[2] * 0.1, o.a[3] = 2, o.a[4] = -5, o.a[5] = 5; break;
    case 6: o.a[0] = -1, o.a[1] = 1 + o.a[1] * 0.2, o.a[2] = -1, o.a[3] = 1, o.a[4] = 1, o.a[5] = 20; break;
    case 7:
    case 8:
        for (int i = 0; i < 16; i++) o.a[i] = (i % 5 == 0 ? 1 : 0) + o.a[i] * 0.2;
        if (projection) o.a[11] = o.a[11] * 0.1, o.a[15] = 1.5 + o.a[15] * 0.2;
        break;
    }
    return o;
}

// Class promises of each matrix kind on the identity.
TEST_F(GeomTest, MatrixClasses) {
    const struct {
        const char* name;
        std::function<void()> op;
        GLint type;
    } cases[] = {
        {"identity", [] {}, 4},
        {"rotate z", [] { glRotatef(30, 0, 0, 1); }, 2},
        {"rotate y", [] { glRotatef(30, 0, 1, 0); }, 1},
        {"rotate -0 x", [] { glRotatef(30, -0.0f, 0, 1); }, 2},
        {"translate", [] { glTranslatef(1, 2, 3); }, 3},
        {"scale", [] { glScalef(1, 2, 3); }, 3},
        {"window ortho", [] { glOrtho(0, 64, 0, 48, -1, 1); }, 5},
        {"ortho other width", [] { glOrtho(0, 63, 0, 48, -1, 1); }, 3},
        {"ortho near 0.5", [] { glOrtho(0, 64, 0, 48, 0.5, 1); }, 3},
        {"window ortho then scale", [] { glOrtho(0, 64, 0, 48, -1, 1); glScalef(2, 2, 2); }, 3},
        {"frustum", [] { glFrustum(-1, 1, -1, 1, 1, 10); }, 0},
        {"load", [] { GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; glLoadMatrixf(m); }, 0},
        {"rotate z then rotate y", [] { glRotatef(30, 0, 0, 1); glRotatef(20, 0, 1, 0); }, 1},
    };
    for (const auto& c : cases) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        c.op();
        EXPECT_EQ(gc->matrices.projectionTop->matrix.type, c.type) << c.name;
        if (c.type == 5) {
            EXPECT_EQ(gc->matrices.projectionTop->matrix.orthoWidth, 64) << c.name;
        }
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Stack depths 32/2/10, overflow and underflow leave the stack unchanged.
TEST_F(GeomTest, StackDepthsOverflowAndUnderflow) {
    const struct {
        GLenum mode, depthName;
        int depth;
    } stacks[] = {{GL_MODELVIEW, GL_MODELVIEW_STACK_DEPTH, 32}, {GL_PROJECTION, GL_PROJECTION_STACK_DEPTH, 2},
                  {GL_TEXTURE, GL_TEXTURE_STACK_DEPTH, 10}};
    for (const auto& s : stacks) {
        glMatrixMode(s.mode);
        GLint d = 0;
        glPopMatrix();
        EXPECT_EQ(glGetError(), (GLenum)GL_STACK_UNDERFLOW);
        for (int i = 1; i < s.depth; i++) {
            glTranslatef((float)i, 0, 0);
            glPushMatrix();
        }
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        glGetIntegerv(s.depthName, &d);
        EXPECT_EQ(d, s.depth);
        glPushMatrix();
        EXPECT_EQ(glGetError(), (GLenum)GL_STACK_OVERFLOW);
        glGetIntegerv(s.depthName, &d);
        EXPECT_EQ(d, s.depth);
        for (int i = s.depth - 1; i >= 1; i--) {
            glPopMatrix();
            GLfloat m[16];
            glGetFloatv(s.mode == GL_MODELVIEW ? GL_MODELVIEW_MATRIX : s.mode == GL_PROJECTION ? GL_PROJECTION_MATRIX
                                                                                                : GL_TEXTURE_MATRIX,
                        m);
            EXPECT_EQ(m[12], (float)(i * (i + 1) / 2)) << s.mode << " level " << i;
        }
        glGetIntegerv(s.depthName, &d);
        EXPECT_EQ(d, 1);
        glLoadIdentity();
    }
}

TEST_F(GeomTest, MatrixErrorsLeaveStateUnchanged) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const struct {
        const char* name;
        std::function<void()> call;
        GLenum error;
    } cases[] = {
        {"frustum near 0", [] { glFrustum(-1, 1, -1, 1, 0, 10); }, GL_INVALID_VALUE},
        {"frustum far 0", [] { glFrustum(-1, 1, -1, 1, 1, 0); }, GL_INVALID_VALUE},
        {"frustum near negative", [] { glFrustum(-1, 1, -1, 1, -1, 10); }, GL_INVALID_VALUE},
        {"frustum left = right", [] { glFrustum(1, 1, -1, 1, 1, 10); }, GL_INVALID_VALUE},
        {"frustum bottom = top", [] { glFrustum(-1, 1, 2, 2, 1, 10); }, GL_INVALID_VALUE},
        {"frustum near = far", [] { glFrustum(-1, 1, -1, 1, 3, 3); }, GL_INVALID_VALUE},
        {"ortho left = right", [] { glOrtho(1, 1, -1, 1, -1, 1); }, GL_INVALID_VALUE},
        {"ortho bottom = top", [] { glOrtho(-1, 1, 0, 0, -1, 1); }, GL_INVALID_VALUE},
        {"ortho near = far", [] { glOrtho(-1, 1, -1, 1, 2, 2); }, GL_INVALID_VALUE},
        {"matrix mode", [] { glMatrixMode(GL_MODELVIEW + 3); }, GL_INVALID_ENUM},
        {"clip plane 6", [] { GLdouble e[4] = {1, 0, 0, 0}; glClipPlane(GL_CLIP_PLANE0 + 6, e); }, GL_INVALID_ENUM},
        {"viewport negative", [] { glViewport(0, 0, -1, 5); }, GL_INVALID_VALUE},
        {"scissor negative", [] { glScissor(0, 0, 5, -1); }, GL_INVALID_VALUE},
    };
    for (const auto& c : cases) {
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.name;
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        for (int i = 0; i < 16; i++) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << c.name;
        GLint mode, vp[4];
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_PROJECTION) << c.name;
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(vp[2], 64) << c.name;
        EXPECT_EQ(vp[3], 48) << c.name;
    }
}

TEST_F(GeomTest, ViewportClampedAndDepthRangeClamped) {
    glViewport(3, 4, 4000, 4000);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[0], 3);
    EXPECT_EQ(vp[1], 4);
    EXPECT_EQ(vp[2], 2048);
    EXPECT_EQ(vp[3], 2048);
    glDepthRange(-1, 2);
    GLdouble r[2];
    glGetDoublev(GL_DEPTH_RANGE, r);
    EXPECT_EQ(r[0], 0.0);
    EXPECT_EQ(r[1], 1.0);
}

// The plane equation is taken through the inverse of the modelview in effect
// at the call, and later modelview changes do not move it.
TEST_F(GeomTest, ClipPlanesKeptInEyeSpace) {
    glTranslatef(1, 2, 3);
    glScalef(2, 2, 2);
    const GLdouble eq[4] = {1, 0, 0, -1};  // x >= 1 in object space
    glClipPlane(GL_CLIP_PLANE1, eq);
    glLoadIdentity();
    GLdouble e[4];
    glGetClipPlane(GL_CLIP_PLANE1, e);
    // Object x = (xe - 1) / 2, so x >= 1 is xe >= 3: (0.5, 0, 0, -1.5).
    const double want[4] = {0.5, 0, 0, -1.5};
    for (int i = 0; i < 4; i++) EXPECT_NEAR(e[i], want[i], 1e-6) << i;
    // A general (loaded) modelview computes its inverse on demand.
    GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, 0, 0, 1};
    glLoadMatrixf(m);
    EXPECT_EQ(gc->matrices.modelViewTop->inverseStale, 1);
    glClipPlane(GL_CLIP_PLANE0, eq);
    EXPECT_EQ(gc->matrices.modelViewTop->inverseStale, 0);
    glGetClipPlane(GL_CLIP_PLANE0, e);
    const double want0[4] = {1, 0, 0, -5};
    for (int i = 0; i < 4; i++) EXPECT_NEAR(e[i], want0[i], 1e-6) << i;
}

// Random chains on both stacks and vertices of every form, read back through
// GL_4D_COLOR_TEXTURE feedback; the same matrices loaded as general ones give
// the same words.
TEST_F(GeomTest, RandomTransformsMatchDoublePrecision) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> u(-1, 1);
    int checked = 0;
    for (int iter = 0; iter < 200; iter++) {
        const int vx = std::uniform_int_distribution<int>(-8, 8)(rng), vy = std::uniform_int_distribution<int>(-8, 8)(rng);
        const int vw = std::uniform_int_distribution<int>(16, 80)(rng), vh = std::uniform_int_distribution<int>(16, 80)(rng);
        const double dn = (u(rng) + 1) / 2, df = (u(rng) + 1) / 2;
        std::vector<Op> mv, pj;
        for (int i = std::uniform_int_distribution<int>(0, 4)(rng); i > 0; i--) mv.push_back(randomOp(rng, false));
        for (int i = std::uniform_int_distribution<int>(0, 2)(rng); i > 0; i--) pj.push_back(randomOp(rng, true));
        M4 M = identity(), P = identity();
        // glLoadMatrix replaces, the others multiply on the right.
        for (const Op& o : mv) M = o.kind == 7 ? opMatrix(o, vw, vh) : mul(M, opMatrix(o, vw, vh));
        for (const Op& o : pj) P = o.kind == 7 ? opMatrix(o, vw, vh) : mul(P, opMatrix(o, vw, vh));
        const M4 PM = mul(P, M);

        // Vertices: form (2, 3, 4 components) x type (d, f, i, s) x vector or not.
        struct V {
            int n, type, vec;
            double c[4];
        };
        std::vector<V> verts;
        for (int k = 0; k < 8; k++) {
            V v{};
            v.n = 2 + k % 3;
            v.type = std::uniform_int_distribution<int>(0, 3)(rng);
            v.vec = std::uniform_int_distribution<int>(0, 1)(rng);
            for (int i = 0; i < 4; i++) v.c[i] = v.type >= 2 ? (double)std::uniform_int_distribution<int>(-2, 2)(rng) : u(rng) * 2;
            if (v.n < 4) {
                v.c[3] = 1;
            } else if (v.type >= 2) {
                v.c[3] = std::uniform_int_distribution<int>(1, 3)(rng);
            } else {
                v.c[3] = 0.5 + fabs(v.c[3]);
            }
            if (v.n < 3) v.c[2] = 0;
            if (v.type <= 1)
                for (double& c : v.c) c = (float)c;
            verts.push_back(v);
        }
        auto issue = [&](const V& v) {
            const double* c = v.c;
            GLfloat f[4] = {(GLfloat)c[0], (GLfloat)c[1], (GLfloat)c[2], (GLfloat)c[3]};
            GLint i[4] = {(GLint)c[0], (GLint)c[1], (GLint)c[2], (GLint)c[3]};
            GLshort s[4] = {(GLshort)c[0], (GLshort)c[1], (GLshort)c[2], (GLshort)c[3]};
            switch (v.n * 100 + v.type * 10 + v.vec) {
            case 200: glVertex2d(c[0], c[1]); break;
            case 201: glVertex2dv(c); break;
            case 210: glVertex2f(f[0], f[1]); break;
            case 211: glVertex2fv(f); break;
            case 220: glVertex2i(i[0], i[1]); break;
            case 221: glVertex2iv(i); break;
            case 230: glVertex2s(s[0], s[1]); break;
            case 231: glVertex2sv(s); break;
            case 300: glVertex3d(c[0], c[1], c[2]); break;
            case 301: glVertex3dv(c); break;
            case 310: glVertex3f(f[0], f[1], f[2]); break;
            case 311: glVertex3fv(f); break;
            case 320: glVertex3i(i[0], i[1], i[2]); break;
            case 321: glVertex3iv(i); break;
            case 330: glVertex3s(s[0], s[1], s[2]); break;
            case 331: glVertex3sv(s); break;
            case 400: glVertex4d(c[0], c[1], c[2], c[3]); break;
            case 401: glVertex4dv(c); break;
            case 410: glVertex4f(f[0], f[1], f[2], f[3]); break;
            case 411: glVertex4fv(f); break;
            case 420: glVertex4i(i[0], i[1], i[2], i[3]); break;
            case 421: glVertex4iv(i); break;
            case 430: glVertex4s(s[0], s[1], s[2], s[3]); break;
            default: glVertex4sv(s); break;
            }
        };
        auto draw = [&] {
            glBegin(GL_POINTS);
            for (const V& v : verts) issue(v);
            glEnd();
        };
        glViewport(vx, vy, vw, vh);
        glDepthRange(dn, df);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        for (const Op& o : pj) glOp(o, vw, vh);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (const Op& o : mv) glOp(o, vw, vh);
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << iter;
        const std::vector<GLfloat> got = feedback(GL_4D_COLOR_TEXTURE, draw);

        // The same matrices loaded whole (general class).
        GLfloat mvm[16], pjm[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, mvm);
        glGetFloatv(GL_PROJECTION_MATRIX, pjm);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(pjm);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(mvm);
        const std::vector<GLfloat> general = feedback(GL_4D_COLOR_TEXTURE, draw);

        size_t w = 0;
        bool gotAll = true;
        for (const V& v : verts) {
            double clip[4];
            apply(PM, v.c, clip);
            const double cw = clip[3];
            bool inside = cw > 0;
            double margin = 1e-4 * fabs(cw) + 1e-6;
            for (int i = 0; i < 3 && inside; i++)
                if (fabs(clip[i]) > cw - margin) inside = fabs(clip[i]) <= cw;
            bool boundary = false;
            for (int i = 0; i < 3; i++)
                if (fabs(fabs(clip[i]) - cw) <= margin) boundary = true;
            if (boundary) {
                gotAll = false;  // too close to call; stop comparing this case
                break;
            }
            if (!inside) continue;
            const double wx = vx + (clip[0] / cw + 1) * vw / 2, wy = vy + (clip[1] / cw + 1) * vh / 2;
            const double wz = dn + (clip[2] / cw + 1) * (df - dn) / 2;
            ASSERT_LT(w + 13, got.size() + 1) << iter;
            EXPECT_EQ(got[w], (GLfloat)GL_POINT_TOKEN) << iter;
            const double want[4] = {wx, wy, wz, cw};
            const double scale[4] = {(double)vw, (double)vh, 1, fabs(cw) + 1};
            for (int i = 0; i < 4; i++) EXPECT_NEAR(got[w + 1 + i], want[i], 2e-5 * scale[i] + 1e-5) << iter << " c" << i;
            w += 13;
            checked++;
        }
        if (gotAll) {
            EXPECT_EQ(w, got.size()) << iter;
        }
        ASSERT_EQ(got.size(), general.size()) << iter;
        for (size_t i = 0; i < got.size(); i++) EXPECT_NEAR(got[i], general[i], 1e-4 * (fabs(general[i]) + 1)) << iter << " word " << i;
    }
    EXPECT_GT(checked, 300);
}

// Normalised -1 and +1 land exactly on the viewport edges, both orientations.
TEST_F(GeomTest, ViewportEdgesExactBothOrientations) {
    for (int inverted = 0; inverted < 2; inverted++) {
        setInverted(inverted != 0);
        const struct { GLint x, y, w, h; } vps[] = {{0, 0, 64, 48}, {5, 7, 20, 10}, {-3, 2, 31, 17}};
        for (const auto& vp : vps) {
            glViewport(vp.x, vp.y, vp.w, vp.h);
            auto got = feedback(GL_3D, [] {
                glBegin(GL_POINTS);
                glVertex2f(-1, -1);
                glVertex2f(1, 1);
                glVertex3f(1, -1, -1);
                glVertex3f(-1, 1, 1);
                glEnd();
            });
            const float want[] = {1793, (float)vp.x, (float)vp.y, 0.5f,
                                  1793, (float)(vp.x + vp.w), (float)(vp.y + vp.h), 0.5f,
                                  1793, (float)(vp.x + vp.w), (float)vp.y, 0.0f,
                                  1793, (float)vp.x, (float)(vp.y + vp.h), 1.0f};
            ASSERT_EQ(got.size(), 16u) << inverted;
            for (int i = 0; i < 16; i++) EXPECT_EQ(got[i], want[i]) << "inverted " << inverted << " word " << i;
        }
    }
}

// Popping GL_VIEWPORT_BIT and GL_TRANSFORM_BIT restores the transforms that
// vertices use, not only the stored values.
TEST_F(GeomTest, AttributePopRestoresViewportAndClipPlanes) {
    glPushAttrib(GL_VIEWPORT_BIT | GL_TRANSFORM_BIT);
    glViewport(10, 10, 20, 20);
    glDepthRange(0.5, 0.5);
    const GLdouble e[4] = {-1, 0, 0, 0};  // keeps x <= 0
    glClipPlane(GL_CLIP_PLANE0, e);
    glEnable(GL_CLIP_PLANE0);
    auto point = [] {
        glBegin(GL_POINTS);
        glVertex3f(0.5f, 0, 1);
        glEnd();
    };
    EXPECT_TRUE(feedback(GL_3D, point).empty());
    glPopAttrib();
    const std::vector<float> want = {1793, 48, 24, 1};
    EXPECT_EQ(feedback(GL_3D, point), want);
}

}  // namespace
