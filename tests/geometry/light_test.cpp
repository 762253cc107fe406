// Lighting through feedback colours against the lighting equation computed
// independently in double precision; colour material; colour-index lighting.
#include <math.h>
#include <functional>
#include <utility>
#include "geomtest.h"

namespace {

struct RefLight {
    double ambient[4], diffuse[4], specular[4];
    double position[4];  // given with an identity modelview: eye space
    double spotDirection[3];
    double spotExponent, spotCutoff;
    double k0, k1, k2;
};
struct RefMaterial {
    double ambient[4], diffuse[4], specular[4], emission[4];
    double shininess;
};

const RefMaterial kMaterial = {{0.2, 0.3, 0.1, 1}, {0.6, 0.5, 0.7, 0.75}, {0.5, 0.6, 0.4, 1}, {0.05, 0.0, 0.1, 1}, 20};

RefLight light(double r, double g, double b) {
    RefLight l = {{0.1, 0.05, 0.02, 1}, {r, g, b, 1}, {0.9, 0.8, 0.7, 1}, {0, 0, 1, 0}, {0, 0, -1}, 0, 180, 1, 0, 0};
    return l;
}

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
void unit(double* v) {
    double l = sqrt(dot(v, v));
    if (l > 0) v[0] /= l, v[1] /= l, v[2] /= l;
}

// The OpenGL 1.1 lighting equation for one face; eye position and eye normal given.
void refLit(const RefLight* lights, int count, const RefMaterial& m, const double modelAmbient[3], bool localViewer,
            const double eye[4], const double n[3], double out[4]) {
    for (int i = 0; i < 3; i++) out[i] = m.emission[i] + modelAmbient[i] * m.ambient[i];
    for (int k = 0; k < count; k++) {
        const RefLight& l = lights[k];
        double vp[3];
        double att = 1;
        if (l.position[3] == 0) {
            for (int i = 0; i < 3; i++) vp[i] = l.position[i];
        } else {
            for (int i = 0; i < 3; i++) vp[i] = l.position[i] / l.position[3] - eye[i] / eye[3];
            const double d = sqrt(dot(vp, vp));
            att = 1 / (l.k0 + l.k1 * d + l.k2 * d * d);
        }
        unit(vp);
        double spot = 1;
        if (l.spotCutoff != 180) {
            double sd[3] = {l.spotDirection[0], l.spotDirection[1], l.spotDirection[2]};
            unit(sd);
            const double c = -dot(vp, sd);
            spot = c < cos(l.spotCutoff * M_PI / 180) ? 0 : pow(fmax(c, 0), l.spotExponent);
        }
        double h[3] = {vp[0], vp[1], vp[2] + 1};
        if (localViewer) {
            double v[3] = {-eye[0] / eye[3], -eye[1] / eye[3], -eye[2] / eye[3]};
            unit(v);
            for (int i = 0; i < 3; i++) h[i] = vp[i] + v[i];
        }
        unit(h);
        const double nl = dot(n, vp), nh = fmax(dot(n, h), 0);
        for (int i = 0; i < 3; i++) {
            double c = l.ambient[i] * m.ambient[i];
            if (nl > 0) c += nl * l.diffuse[i] * m.diffuse[i] + pow(nh, m.shininess) * l.specular[i] * m.specular[i];
            out[i] += att * spot * c;
        }
    }
    for (int i = 0; i < 3; i++) out[i] = fmin(fmax(out[i], 0), 1);
    out[3] = fmin(fmax(m.diffuse[3], 0), 1);
}

void toF(const double* d, GLfloat* f, int n) {
    for (int i = 0; i < n; i++) f[i] = (GLfloat)d[i];
}

void setMaterial(GLenum face, const RefMaterial& m) {
    GLfloat v[4];
    toF(m.ambient, v, 4), glMaterialfv(face, GL_AMBIENT, v);
    toF(m.diffuse, v, 4), glMaterialfv(face, GL_DIFFUSE, v);
    toF(m.specular, v, 4), glMaterialfv(face, GL_SPECULAR, v);
    toF(m.emission, v, 4), glMaterialfv(face, GL_EMISSION, v);
    glMaterialf(face, GL_SHININESS, (GLfloat)m.shininess);
}

void setLight(int i, const RefLight& l) {
    const GLenum id = GL_LIGHT0 + i;
    GLfloat v[4];
    toF(l.ambient, v, 4), glLightfv(id, GL_AMBIENT, v);
    toF(l.diffuse, v, 4), glLightfv(id, GL_DIFFUSE, v);
    toF(l.specular, v, 4), glLightfv(id, GL_SPECULAR, v);
    toF(l.position, v, 4), glLightfv(id, GL_POSITION, v);
    toF(l.spotDirection, v, 3), glLightfv(id, GL_SPOT_DIRECTION, v);
    glLightf(id, GL_SPOT_EXPONENT, (GLfloat)l.spotExponent);
    glLightf(id, GL_SPOT_CUTOFF, (GLfloat)l.spotCutoff);
    glLightf(id, GL_CONSTANT_ATTENUATION, (GLfloat)l.k0);
    glLightf(id, GL_LINEAR_ATTENUATION, (GLfloat)l.k1);
    glLightf(id, GL_QUADRATIC_ATTENUATION, (GLfloat)l.k2);
    glEnable(id);
}

class LightTest : public GeomTest {
protected:
    // The lit colour of one point in feedback (GL_3D_COLOR), in [0, 1] units.
    std::vector<GLfloat> litPoint(const GLfloat pos[3], const GLfloat normal[3]) {
        auto fb = feedback(GL_3D_COLOR, [&] {
            glBegin(GL_POINTS);
            glNormal3fv(normal);
            glVertex3fv(pos);
            glEnd();
        });
        EXPECT_EQ(fb.size(), 8u);
        if (fb.size() != 8) return std::vector<GLfloat>(4, -1.0f);
        return std::vector<GLfloat>(fb.begin() + 4, fb.end());
    }
    // Lighting on, one white directional light along z, a material that
    // shows only its specular term.
    void specularOnly() {
        glEnable(GL_LIGHTING);
        const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, dir[4] = {0, 0, 1, 0};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glMaterialfv(GL_FRONT, GL_AMBIENT, black);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, black);
        glMaterialfv(GL_FRONT, GL_SPECULAR, white);
        glLightfv(GL_LIGHT0, GL_POSITION, dir);
        glEnable(GL_LIGHT0);
    }
};

struct LightCase {
    const char* name;
    RefLight lights[2];
    int count;
    int localViewer;
    double scale;  // uniform modelview scale at draw time
    int normalize;
    double pos[3], normal[3];
    double tol;  // 1e-4 for ambient and diffuse; the power table's error with specular or spot
};

RefLight withPos(RefLight l, double x, double y, double z, double w) {
    l.position[0] = x, l.position[1] = y, l.position[2] = z, l.position[3] = w;
    return l;
}
RefLight noSpecular(RefLight l) {
    l.specular[0] = l.specular[1] = l.specular[2] = 0;
    return l;
}
RefLight attenuated(RefLight l, double k0, double k1, double k2) {
    l.k0 = k0, l.k1 = k1, l.k2 = k2;
    return l;
}
RefLight spot(RefLight l, double dx, double dy, double dz, double e, double cutoff) {
    l.spotDirection[0] = dx, l.spotDirection[1] = dy, l.spotDirection[2] = dz;
    l.spotExponent = e, l.spotCutoff = cutoff;
    return l;
}

TEST_F(LightTest, FeedbackColoursFollowTheLightingEquation) {
    const RefLight white = light(1, 1, 1);
    const LightCase cases[] = {
        {"directional diffuse", {noSpecular(withPos(white, 0.3, 0.4, 1, 0))}, 1, 0, 1, 0, {0.1, 0.2, 0.3}, {0, 0.6, 0.8}, 1e-4},
        {"directional specular", {withPos(white, 0.3, 0.4, 1, 0)}, 1, 0, 1, 0, {0.1, 0.2, 0.3}, {0.2, 0.3, 0.9}, 0.03},
        {"positional", {noSpecular(withPos(light(0.8, 0.6, 1), 1, 1, 2, 1))}, 1, 0, 1, 0, {0.1, -0.2, 0.3}, {0, 0, 1}, 1e-4},
        {"attenuated", {noSpecular(attenuated(withPos(white, 1, 0, 1, 1), 0.5, 0.5, 0.25))}, 1, 0, 1, 0,
         {-0.3, 0.2, 0}, {0, 0, 1}, 1e-4},
        {"constant attenuation only", {noSpecular(attenuated(withPos(white, 0, 0, 2, 1), 2, 0, 0))}, 1, 0, 1, 0,
         {0, 0, 0}, {0, 0, 1}, 1e-4},
        {"spot", {spot(withPos(white, 0, 0, 2, 1), 0.05, 0, -1, 10, 30)}, 1, 0, 1, 0, {0.2, 0.1, 0}, {0, 0, 1}, 0.03},
        {"outside the spot cone", {spot(withPos(white, 0, 0, 2, 1), 0, 0, -1, 2, 5)}, 1, 0, 1, 0, {0.8, 0, 0}, {0, 0, 1},
         1e-4},
        {"local viewer", {withPos(white, 0.5, 1, 2, 1)}, 1, 1, 1, 0, {0.2, 0.1, -0.5}, {0, 0.2, 0.98}, 0.03},
        {"two lights", {noSpecular(withPos(light(1, 0, 0), -1, 0, 1, 0)), noSpecular(withPos(light(0, 0.5, 1), 1, 1, 1, 1))},
         2, 0, 1, 0, {0.1, 0.1, 0.1}, {0, 0, 1}, 1e-4},
        {"light w = 2", {noSpecular(attenuated(withPos(white, 1, 2, 4, 2), 0.2, 0.4, 0.3))}, 1, 0, 1, 0, {0.1, 0, 0.2},
         {0, 0.6, 0.8}, 1e-4},
        {"light w = -1", {noSpecular(attenuated(withPos(white, -0.5, -0.5, 2, -1), 0.2, 0.4, 0.3))}, 1, 0, 1, 0,
         {0, 0, 0}, {0, 0, -1}, 1e-4},
        {"scaled modelview, normalize off", {noSpecular(withPos(white, 0, 0.6, 0.8, 0))}, 1, 0, 0.5, 0, {0.2, 0.2, 0.2},
         {0, 0, 1}, 1e-4},
        {"scaled modelview, normalize on", {noSpecular(withPos(white, 0, 0.6, 0.8, 0))}, 1, 0, 0.5, 1, {0.2, 0.2, 0.2},
         {0, 0, 1}, 1e-4},
    };
    const double modelAmbient[3] = {0.2, 0.2, 0.2};
    for (const LightCase& c : cases) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        setMaterial(GL_FRONT_AND_BACK, kMaterial);
        for (int i = 0; i < c.count; i++) setLight(i, c.lights[i]);
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, c.localViewer);
        if (c.normalize) glEnable(GL_NORMALIZE);
        glScaled(c.scale, c.scale, c.scale);
        GLfloat pos[3], nrm[3];
        toF(c.pos, pos, 3), toF(c.normal, nrm, 3);
        auto got = litPoint(pos, nrm);

        // Eye position scales; the eye normal is the inverse transpose: n / scale.
        double eye[4] = {c.pos[0] * c.scale, c.pos[1] * c.scale, c.pos[2] * c.scale, 1};
        double n[3] = {c.normal[0] / c.scale, c.normal[1] / c.scale, c.normal[2] / c.scale};
        if (c.normalize) unit(n);
        double want[4];
        refLit(c.lights, c.count, kMaterial, modelAmbient, c.localViewer != 0, eye, n, want);
        for (int i = 0; i < 4; i++) EXPECT_NEAR(got[i], want[i], c.tol) << c.name << " component " << i;
        glPopAttrib();
        glLoadIdentity();
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The inverse of a 4 x 4 column-major matrix (Gauss-Jordan, partial pivots).
void invert4(const double* m, double* out) {
    double a[4][8];
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 8; c++) a[r][c] = c < 4 ? m[4 * c + r] : (c - 4 == r);
    for (int c = 0; c < 4; c++) {
        int p = c;
        for (int r = c + 1; r < 4; r++)
            if (fabs(a[r][c]) > fabs(a[p][c])) p = r;
        for (int k = 0; k < 8; k++) std::swap(a[c][k], a[p][k]);
        const double d = a[c][c];
        for (int k = 0; k < 8; k++) a[c][k] /= d;
        for (int r = 0; r < 4; r++) {
            const double f = r == c ? 0.0 : a[r][c];
            for (int k = 0; k < 8; k++) a[r][k] -= f * a[c][k];
        }
    }
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) out[4 * c + r] = a[r][c + 4];
}

// Directional lights light object normals by the lights' object-space
// vectors: under rotated, unevenly scaled and projective modelviews the
// colours follow the equation with the eye normal of the inverse transpose
// (with the plane term -n.p/w of a projective one), diffuse and specular.
TEST_F(LightTest, ObjectNormalsUnderEveryModelviewFollowTheEquation) {
    const RefLight shiny = withPos(light(1, 0.9, 0.8), 0.3, 0.4, 1, 0);
    const RefLight second = noSpecular(withPos(light(0.2, 0.5, 1), -0.6, 0.2, 0.5, 0));
    const double modelAmbient[3] = {0.2, 0.2, 0.2};
    const double pos[3] = {0.1, -0.2, 0.3};
    const double normals[][3] = {{0, 0, 1}, {0.3, -0.4, 0.8}, {-0.7, 0.1, 0.2}};
    const double projective[16] = {1, 0.1, 0, 0.05, 0, 1.2, 0.1, -0.1, 0.1, 0, 0.9, 0.2, 0, 0.1, -0.1, 1.1};
    const struct {
        const char* name;
        std::function<void()> load;
    } views[] = {
        {"rotated", [] { glTranslatef(0.2f, 0.1f, -0.1f), glRotatef(37, 0.2f, 0.5f, 1); }},
        {"rotated, unevenly scaled", [] { glRotatef(-50, 1, 0.3f, 0.2f), glScalef(1.6f, 0.5f, 1.3f); }},
        {"projective (a general inverse)", [&] { glLoadMatrixd(projective); }},
    };
    for (bool specular : {false, true})
        for (const auto& view : views)
            for (const auto& normal : normals) {
            SCOPED_TRACE(std::string(view.name) + (specular ? ", specular" : ""));
            const RefLight lights[2] = {specular ? shiny : noSpecular(shiny), second};
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glEnable(GL_LIGHTING);
            setMaterial(GL_FRONT_AND_BACK, kMaterial);
            for (int i = 0; i < 2; i++) setLight(i, lights[i]);
            view.load();
            double m[16];
            glGetDoublev(GL_MODELVIEW_MATRIX, m);
            GLfloat p[3], n[3];
            toF(pos, p, 3), toF(normal, n, 3);
            const auto got = litPoint(p, n);
            // eye = M p; eye normal = first three of (M^-1)^T (n, -n.p / w).
            double eye[4], inv[16], en[3];
            for (int r = 0; r < 4; r++) eye[r] = m[r] * pos[0] + m[4 + r] * pos[1] + m[8 + r] * pos[2] + m[12 + r];
            invert4(m, inv);
            const double plane = -dot(normal, pos), in[4] = {normal[0], normal[1], normal[2], plane};
            for (int r = 0; r < 3; r++) en[r] = inv[4 * r] * in[0] + inv[4 * r + 1] * in[1] + inv[4 * r + 2] * in[2] + inv[4 * r + 3] * in[3];
            double want[4];
            refLit(lights, 2, kMaterial, modelAmbient, false, eye, en, want);
            // The power table's error with specular.
            for (int i = 0; i < 4; i++) EXPECT_NEAR(got[i], want[i], specular ? 0.03 : 1e-4) << "component " << i;
            glPopAttrib();
        }
    glLoadIdentity();
}

// A light with w = -1 at the point (0.5, 0.5, -2) lights a normal facing it.
TEST_F(LightTest, NegativeLightWLightsFromItsPoint) {
    glEnable(GL_LIGHTING);
    const GLfloat p[4] = {-0.5f, -0.5f, 2.0f, -1.0f}, black[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, p);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glEnable(GL_LIGHT0);
    const GLfloat pos[3] = {0, 0, 0}, toward[3] = {0, 0, -1}, away[3] = {0, 0, 1};
    EXPECT_GT(litPoint(pos, toward)[0], 0.5f);
    EXPECT_EQ(litPoint(pos, away)[0], 0.0f);
}

// Two-sided lighting: a clockwise (back-facing) triangle shows the back
// material lit with the negated normal.
TEST_F(LightTest, TwoSidedBackFaceUsesBackMaterialAndNegatedNormal) {
    const RefLight l = noSpecular(withPos(light(1, 1, 1), 0, 0, 1, 0));
    RefMaterial back = kMaterial;
    back.diffuse[0] = 0.1, back.diffuse[1] = 0.9, back.diffuse[2] = 0.4, back.diffuse[3] = 0.5;
    const double modelAmbient[3] = {0.2, 0.2, 0.2};
    for (int twoSide = 0; twoSide < 2; twoSide++) {
        glEnable(GL_LIGHTING);
        setMaterial(GL_FRONT, kMaterial);
        setMaterial(GL_BACK, back);
        setLight(0, l);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, twoSide);
        auto fb = feedback(GL_3D_COLOR, [] {
            glBegin(GL_TRIANGLES);
            glNormal3f(0, 0, -1);
            glVertex3f(0, 0, 0), glVertex3f(0, 0.5f, 0), glVertex3f(0.5f, 0, 0);
            glEnd();
        });
        ASSERT_EQ(fb.size(), 2u + 3 * 7);
        const double eye[4] = {0, 0, 0, 1};
        const double nBack[3] = {0, 0, 1}, nFront[3] = {0, 0, -1};
        double want[4];
        if (twoSide) refLit(&l, 1, back, modelAmbient, false, eye, nBack, want);
        else refLit(&l, 1, kMaterial, modelAmbient, false, eye, nFront, want);
        for (int v = 0; v < 3; v++)
            for (int i = 0; i < 4; i++) EXPECT_NEAR(fb[2 + v * 7 + 3 + i], want[i], 1e-4) << twoSide << " " << v << " " << i;
    }
}

// Colour material: each mode takes the current colour as that material colour,
// outside glBegin and between vertices inside it.
TEST_F(LightTest, ColorMaterialModes) {
    const RefLight l = withPos(light(1, 1, 1), 0.3, 0.4, 1, 0);
    const double modelAmbient[3] = {0.2, 0.2, 0.2};
    const struct {
        GLenum mode;
        int slots;  // 1 ambient, 2 diffuse, 4 specular, 8 emission
    } cases[] = {
        {GL_AMBIENT, 1}, {GL_DIFFUSE, 2}, {GL_SPECULAR, 4}, {GL_EMISSION, 8}, {GL_AMBIENT_AND_DIFFUSE, 3},
    };
    const double colors[2][4] = {{0.9, 0.1, 0.4, 0.5}, {0.2, 0.7, 0.3, 1.0}};
    for (const auto& c : cases) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glEnable(GL_LIGHTING);
        setMaterial(GL_FRONT_AND_BACK, kMaterial);
        setLight(0, l);
        glColorMaterial(GL_FRONT_AND_BACK, c.mode);
        glEnable(GL_COLOR_MATERIAL);
        // A smooth triangle: each vertex keeps the material of its colour.
        const GLfloat pos[3][3] = {{0.1f, 0.2f, 0.3f}, {0.6f, 0.2f, 0.3f}, {0.1f, 0.7f, 0.3f}};
        const int which[3] = {0, 1, 0};
        auto fb = feedback(GL_3D_COLOR, [&] {
            glBegin(GL_TRIANGLES);
            glNormal3f(0.2f, 0.3f, 0.9f);
            for (int v = 0; v < 3; v++) {
                glColor4dv(colors[which[v]]);
                glVertex3fv(pos[v]);
            }
            glEnd();
        });
        ASSERT_EQ(fb.size(), 2u + 3 * 7) << c.mode;
        for (int v = 0; v < 3; v++) {
            RefMaterial m = kMaterial;
            double* slots[4] = {m.ambient, m.diffuse, m.specular, m.emission};
            for (int s = 0; s < 4; s++)
                if (c.slots & (1 << s)) memcpy(slots[s], colors[which[v]], sizeof colors[0]);
            const double eye[4] = {pos[v][0], pos[v][1], pos[v][2], 1};
            double n[3] = {0.2, 0.3, 0.9};
            double want[4];
            refLit(&l, 1, m, modelAmbient, false, eye, n, want);
            // Feedback may start the polygon at another vertex: find this one by its window x, y.
            int k = 0;
            while (k < 3 && (fabs(fb[2 + k * 7] - (pos[v][0] + 1) * 32) > 0.5 || fabs(fb[3 + k * 7] - (pos[v][1] + 1) * 24) > 0.5)) k++;
            ASSERT_LT(k, 3) << v;
            for (int i = 0; i < 4; i++) EXPECT_NEAR(fb[2 + k * 7 + 3 + i], want[i], 0.03) << c.mode << " " << v << " " << i;
        }
        // The material now holds the last colour.
        if (c.mode != GL_EMISSION) {
            GLfloat got[4];
            glGetMaterialfv(GL_FRONT, c.mode == GL_SPECULAR ? GL_SPECULAR : GL_DIFFUSE - (c.mode == GL_AMBIENT), got);
            for (int i = 0; i < 4; i++) EXPECT_NEAR(got[i], colors[0][i], 1e-6) << c.mode;
        }
        glPopAttrib();
    }
}

// Line vertices keep the material of their time: a colour-material colour or a
// glMaterial call between the vertices of a line finishes the pending vertex first.
TEST_F(LightTest, LineVerticesKeepTheirMaterial) {
    const RefLight l = withPos(light(1, 1, 1), 0.3, 0.4, 1, 0);
    const double modelAmbient[3] = {0.2, 0.2, 0.2};
    const double colors[2][4] = {{0.9, 0.1, 0.4, 0.5}, {0.2, 0.7, 0.3, 1.0}};
    const GLfloat pos[2][3] = {{0.1f, 0.2f, 0.3f}, {0.6f, 0.5f, 0.3f}};
    const struct {
        GLenum mode;
        bool colorMaterial;
    } cases[] = {{GL_LINES, true}, {GL_LINE_STRIP, true}, {GL_LINE_LOOP, true},
                 {GL_LINES, false}, {GL_LINE_STRIP, false}};
    for (const auto& c : cases) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glEnable(GL_LIGHTING);
        setMaterial(GL_FRONT_AND_BACK, kMaterial);
        setLight(0, l);
        if (c.colorMaterial) {
            glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
            glEnable(GL_COLOR_MATERIAL);
        }
        auto fb = feedback(GL_3D_COLOR, [&] {
            glBegin(c.mode);
            glNormal3f(0.2f, 0.3f, 0.9f);
            for (int v = 0; v < 2; v++) {
                if (c.colorMaterial) {
                    glColor4dv(colors[v]);
                } else {
                    GLfloat d[4];
                    toF(colors[v], d, 4);
                    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, d);
                }
                glVertex3fv(pos[v]);
            }
            glEnd();
        });
        ASSERT_GE(fb.size(), 1u + 2 * 7) << c.mode;
        for (int v = 0; v < 2; v++) {
            RefMaterial m = kMaterial;
            memcpy(m.diffuse, colors[v], sizeof colors[0]);
            const double eye[4] = {pos[v][0], pos[v][1], pos[v][2], 1};
            double n[3] = {0.2, 0.3, 0.9};
            double want[4];
            refLit(&l, 1, m, modelAmbient, false, eye, n, want);
            const size_t at = 1 + v * 7;  // the first segment: token, then two vertices
            for (int i = 0; i < 4; i++)
                EXPECT_NEAR(fb[at + 3 + i], want[i], 0.03) << c.mode << " " << c.colorMaterial << " " << v << " " << i;
        }
        glPopAttrib();
    }
}

// Colour material set outside glBegin, front face only: the diffuse colour
// follows glColor and an alpha above one gives full alpha.
TEST_F(LightTest, ColorMaterialOutsideBeginClampsAlpha) {
    glEnable(GL_LIGHTING);
    const GLfloat black[4] = {0, 0, 0, 1}, dir[4] = {0, 0, 1, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_POSITION, dir);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT, GL_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glColor4f(0.5f, 0.25f, 0.125f, 1.5f);
    const GLfloat pos[3] = {0, 0, 0}, n[3] = {0, 0.6f, 0.8f};
    auto got = litPoint(pos, n);
    const float want[4] = {0.4f, 0.2f, 0.1f, 1.0f};
    for (int i = 0; i < 4; i++) EXPECT_NEAR(got[i], want[i], 1e-4) << i;
    GLfloat back[4];
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, back);
    EXPECT_NEAR(back[0], 0.8f, 1e-6) << "the back material keeps its diffuse colour";
}

// Specular power tables at the extremes: shininess 0 gives full specular,
// shininess 128 gives none below its threshold.
TEST_F(LightTest, ShininessExtremes) {
    specularOnly();
    const GLfloat pos[3] = {0, 0, 0};
    // n . L = n . H = 0.6: below shininess 128's threshold 0.9448.
    const GLfloat tilted[3] = {0.8f, 0, 0.6f};
    const struct {
        GLfloat shininess;
        GLfloat want;
    } cases[] = {{0, 1.0f}, {128, 0.0f}, {1, 0.6f}, {10, 0.00605f}};
    for (const auto& c : cases) {
        glMaterialf(GL_FRONT, GL_SHININESS, c.shininess);
        EXPECT_NEAR(litPoint(pos, tilted)[0], c.want, 0.02) << c.shininess;
    }
}

// Power tables are shared through a cache of 32: more distinct shininess
// values than that, with spot lights holding tables of their own, recycle
// the tables only the cache holds; every value still lights by its own power.
TEST_F(LightTest, PowerTablesRecycledPastTheCache) {
    specularOnly();
    const GLfloat black[4] = {0, 0, 0, 1};
    // Seven dark spot lights far behind the eye, each holding a table.
    for (int i = 1; i < 8; i++) {
        const GLfloat spotPos[4] = {0, 0, 1000, 1}, down[3] = {0, 0, -1};
        glLightfv(GL_LIGHT0 + i, GL_POSITION, spotPos);
        glLightfv(GL_LIGHT0 + i, GL_SPOT_DIRECTION, down);
        glLightf(GL_LIGHT0 + i, GL_SPOT_CUTOFF, 60);
        glLightf(GL_LIGHT0 + i, GL_SPOT_EXPONENT, 100.0f + i);
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, black);
        glLightfv(GL_LIGHT0 + i, GL_SPECULAR, black);
        glEnable(GL_LIGHT0 + i);
    }
    const GLfloat pos[3] = {0, 0, 0};
    const GLfloat tilted[3] = {0.8f, 0, 0.6f};  // n . L = n . H = 0.6
    for (int round = 0; round < 2; round++) {
        for (int k = 0; k < 48; k++) {
            const GLfloat n = 0.25f * (GLfloat)k;
            glMaterialf(GL_FRONT, GL_SHININESS, n);
            EXPECT_NEAR(litPoint(pos, tilted)[0], pow(0.6, n), 0.02) << "shininess " << n << " round " << round;
            EXPECT_LE(gc->lightingDerived.powCache.count, 32);
        }
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Colour-index lighting: am + ms (sm - am) + (1 - ms) md (dm - am), capped at sm.
TEST_F(LightTest, ColorIndexLighting) {
    gc->pixelFormat.rgba = 0;
    gc->dirtyPickers = ~0u;
    glEnable(GL_LIGHTING);
    const GLfloat idx[3] = {16, 80, 200}, dir[4] = {0, 0, 1, 0};
    const GLfloat grey[4] = {0.5f, 0.5f, 0.5f, 1}, none[4] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT, GL_COLOR_INDEXES, idx);
    glLightfv(GL_LIGHT0, GL_POSITION, dir);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, grey);
    glLightfv(GL_LIGHT0, GL_SPECULAR, none);
    glEnable(GL_LIGHT0);
    const struct {
        GLfloat nz;
        GLfloat specular;
        GLfloat want;
    } cases[] = {
        {1.0f, 0.0f, 16 + 0.5f * 64},          // md = 0.5
        {0.6f, 0.0f, 16 + 0.5f * 0.6f * 64},   // md = 0.3
        {-1.0f, 0.0f, 16},                     // unlit: the ambient index
        {1.0f, 1.0f, 200},                     // ms >= 1: the specular index
    };
    for (const auto& c : cases) {
        const GLfloat s[4] = {c.specular, c.specular, c.specular, 1};
        glLightfv(GL_LIGHT0, GL_SPECULAR, s);
        auto fb = feedback(GL_3D_COLOR, [&] {
            glBegin(GL_POINTS);
            glNormal3f(0, sqrtf(1 - c.nz * c.nz), c.nz);
            glVertex3f(0, 0, 0);
            glEnd();
        });
        ASSERT_EQ(fb.size(), 5u);
        EXPECT_NEAR(fb[4], c.want, 1e-3) << c.nz << " " << c.specular;
    }
    gc->pixelFormat.rgba = 1;
    gc->dirtyPickers = ~0u;
}

}  // namespace
