// Current attribute entries (all 84 forms), the begin/end protocol and the
// vertex entries' object coordinates.
#include <limits.h>
#include <math.h>
#include "geomtest.h"

namespace {

// GL 1.1 conversions of colour and normal components.
double unit(GLubyte c) { return c / 255.0; }
double unit(GLbyte c) { return (2.0 * c + 1) / 255.0; }
double unit(GLushort c) { return c / 65535.0; }
double unit(GLshort c) { return (2.0 * c + 1) / 65535.0; }
double unit(GLuint c) { return c / 4294967295.0; }
double unit(GLint c) { return (2.0 * c + 1) / 4294967295.0; }
double unit(GLfloat c) { return c; }
double unit(GLdouble c) { return (float)c; }

enum Field { COLOR, INDEX, NORMAL, TEXCOORD };
struct AttribCase {
    std::string name;
    Field field;
    std::function<void()> call;
    std::vector<double> want;
};

template <class T>
struct Values {
    static const T v[4];
};
template <> const GLbyte Values<GLbyte>::v[4] = {127, -128, 0, 5};
template <> const GLubyte Values<GLubyte>::v[4] = {255, 0, 128, 7};
template <> const GLshort Values<GLshort>::v[4] = {32767, -32768, 0, 100};
template <> const GLushort Values<GLushort>::v[4] = {65535, 0, 1, 300};
template <> const GLint Values<GLint>::v[4] = {INT_MAX, INT_MIN, 0, -1};
template <> const GLuint Values<GLuint>::v[4] = {UINT_MAX, 0, 1, 12345};
template <> const GLfloat Values<GLfloat>::v[4] = {2.0f, -1.0f, 0.5f, 0.25f};
template <> const GLdouble Values<GLdouble>::v[4] = {0.1, -3.5, 1e10, 0.3};

template <class T>
std::vector<double> units(int n, double fill) {
    std::vector<double> r;
    for (int i = 0; i < n; i++) r.push_back(unit(Values<T>::v[i]));
    for (int i = n; i < 4; i++) r.push_back(fill);
    return r;
}
template <class T>
std::vector<double> byValue(int n) {
    std::vector<double> r;
    for (int i = 0; i < n; i++) r.push_back((float)Values<T>::v[i]);
    for (int i = n; i < 4; i++) r.push_back(i == 3 ? 1.0 : 0.0);
    return r;
}

#define V(T, i) Values<T>::v[i]
#define COLOR_FORMS(T, s)                                                                                         \
    {"Color3" #s, COLOR, [] { glColor3##s(V(T, 0), V(T, 1), V(T, 2)); }, units<T>(3, 1.0)},                      \
    {"Color3" #s "v", COLOR, [] { glColor3##s##v(Values<T>::v); }, units<T>(3, 1.0)},                             \
    {"Color4" #s, COLOR, [] { glColor4##s(V(T, 0), V(T, 1), V(T, 2), V(T, 3)); }, units<T>(4, 1.0)},             \
    {"Color4" #s "v", COLOR, [] { glColor4##s##v(Values<T>::v); }, units<T>(4, 1.0)},
#define NORMAL_FORMS(T, s)                                                                   \
    {"Normal3" #s, NORMAL, [] { glNormal3##s(V(T, 0), V(T, 1), V(T, 2)); }, units<T>(3, 0)}, \
    {"Normal3" #s "v", NORMAL, [] { glNormal3##s##v(Values<T>::v); }, units<T>(3, 0)},
#define INDEX_FORMS(T, s)                                                                                      \
    {"Index" #s, INDEX, [] { glIndex##s(V(T, 1)); }, {(double)(float)V(T, 1)}},                               \
    {"Index" #s "v", INDEX, [] { glIndex##s##v(&Values<T>::v[1]); }, {(double)(float)V(T, 1)}},
#define TEX_FORMS(T, s)                                                                                             \
    {"TexCoord1" #s, TEXCOORD, [] { glTexCoord1##s(V(T, 0)); }, byValue<T>(1)},                                      \
    {"TexCoord2" #s, TEXCOORD, [] { glTexCoord2##s(V(T, 0), V(T, 1)); }, byValue<T>(2)},                             \
    {"TexCoord3" #s, TEXCOORD, [] { glTexCoord3##s(V(T, 0), V(T, 1), V(T, 2)); }, byValue<T>(3)},                    \
    {"TexCoord4" #s, TEXCOORD, [] { glTexCoord4##s(V(T, 0), V(T, 1), V(T, 2), V(T, 3)); }, byValue<T>(4)},           \
    {"TexCoord1" #s "v", TEXCOORD, [] { glTexCoord1##s##v(Values<T>::v); }, byValue<T>(1)},                          \
    {"TexCoord2" #s "v", TEXCOORD, [] { glTexCoord2##s##v(Values<T>::v); }, byValue<T>(2)},                          \
    {"TexCoord3" #s "v", TEXCOORD, [] { glTexCoord3##s##v(Values<T>::v); }, byValue<T>(3)},                          \
    {"TexCoord4" #s "v", TEXCOORD, [] { glTexCoord4##s##v(Values<T>::v); }, byValue<T>(4)},

TEST_F(GeomTest, AllAttributeFormsConvert) {
    const AttribCase cases[] = {
        COLOR_FORMS(GLbyte, b) COLOR_FORMS(GLdouble, d) COLOR_FORMS(GLfloat, f) COLOR_FORMS(GLint, i)
        COLOR_FORMS(GLshort, s) COLOR_FORMS(GLubyte, ub) COLOR_FORMS(GLuint, ui) COLOR_FORMS(GLushort, us)
        NORMAL_FORMS(GLbyte, b) NORMAL_FORMS(GLdouble, d) NORMAL_FORMS(GLfloat, f) NORMAL_FORMS(GLint, i)
        NORMAL_FORMS(GLshort, s)
        INDEX_FORMS(GLdouble, d) INDEX_FORMS(GLfloat, f) INDEX_FORMS(GLint, i) INDEX_FORMS(GLshort, s)
        INDEX_FORMS(GLubyte, ub)
        TEX_FORMS(GLdouble, d) TEX_FORMS(GLfloat, f) TEX_FORMS(GLint, i) TEX_FORMS(GLshort, s)
    };
    EXPECT_EQ(sizeof cases / sizeof cases[0], 84u);
    for (const AttribCase& c : cases) {
        // Legal between glBegin and glEnd, and no error.
        glBegin(GL_POINTS);
        c.call();
        glEnd();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << c.name;
        const GLfloat* got = c.field == COLOR    ? gc->current.color
                             : c.field == INDEX  ? &gc->current.index
                             : c.field == NORMAL ? gc->current.normal
                                                 : gc->current.texCoord;
        const size_t n = c.field == NORMAL ? 3 : c.want.size();
        for (size_t i = 0; i < n; i++)
            EXPECT_NEAR(got[i], c.want[i], fabs(c.want[i]) * 2e-7 + 1e-9) << c.name << " component " << i;
    }
}
#undef V

// The scaled colour: clamped to [0, 1], times the colour buffer's maxima.
TEST_F(GeomTest, ScaledColorClampsAndScales) {
    glColor4f(2.0f, -1.0f, 0.5f, 1.0f);
    EXPECT_EQ(gc->current.color[0], 2.0f);
    EXPECT_EQ(gc->current.color[1], -1.0f);
    const GLfloat* scale = gc->constants.previousColorMax;
    EXPECT_EQ(gc->current.scaledColor[0], scale[0]);
    EXPECT_EQ(gc->current.scaledColor[1], 0.0f);
    EXPECT_EQ(gc->current.scaledColor[2], 0.5f * scale[2]);
    EXPECT_EQ(gc->current.scaledColor[3], scale[3]);
}

TEST_F(GeomTest, VertexFormsStoreObjectCoordinates) {
    const struct {
        const char* name;
        std::function<void()> call;
        float obj[4];
        GLuint size;
    } cases[] = {
        {"2i", [] { glVertex2i(3, 4); }, {3, 4, 0, 1}, 0x400},
        {"3d rounds", [] { glVertex3d(0.1, 0.2, 0.3); }, {0.1f, 0.2f, 0.3f, 1}, 0x800},
        {"4s", [] { glVertex4s(-1, 2, -3, 4); }, {-1, 2, -3, 4}, 0xC00},
        {"3fv", [] { const GLfloat v[3] = {5, 6, 7}; glVertex3fv(v); }, {5, 6, 7, 1}, 0x800},
    };
    // The vertex cache's first entry, or without the cache the first record.
    for (int cache = 1; cache >= 0; cache--) {
        GLfloat off = cache ? 0.0f : 1.0f;
        glCullParameterfvQTA(0x81AD, &off);
        for (const auto& c : cases) {
            glBegin(GL_LINE_STRIP);  // the first vertex stays in its record
            c.call();
            GlVertex* v = cache ? gc->vcache.entries : gc->vertexBuffer;
            for (int i = 0; i < 4; i++) EXPECT_EQ(v->obj[i], c.obj[i]) << c.name << " cache " << cache;
            EXPECT_EQ(v->flags & 0xC00, c.size) << c.name << " cache " << cache;
            glEnd();
        }
    }
}

// Calls illegal between glBegin and glEnd record GL_INVALID_OPERATION and
// change nothing; glBegin inside glBegin keeps the open primitive.
TEST_F(GeomTest, BeginEndProtocol) {
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glMatrixMode(GL_PROJECTION);  // state 2: glEnd still refuses
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glMatrixMode(GL_MODELVIEW);
    glBegin(GL_POLYGON + 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);

    const struct {
        const char* name;
        std::function<void()> call;
    } illegal[] = {
        {"begin", [] { glBegin(GL_POINTS); }},
        {"matrix mode", [] { glMatrixMode(GL_PROJECTION); }},
        {"load identity", [] { glLoadIdentity(); }},
        {"translate", [] { glTranslatef(1, 2, 3); }},
        {"push matrix", [] { glPushMatrix(); }},
        {"viewport", [] { glViewport(1, 1, 2, 2); }},
        {"depth range", [] { glDepthRange(0.5, 0.6); }},
        {"scissor", [] { glScissor(1, 1, 2, 2); }},
        {"clip plane", [] { GLdouble e[4] = {1, 2, 3, 4}; glClipPlane(GL_CLIP_PLANE0, e); }},
        {"render mode", [] { glRenderMode(GL_SELECT); }},
    };
    for (const auto& c : illegal) {
        auto got = feedback(GL_2D, [&] {
            glBegin(GL_TRIANGLES);
            glVertex2f(0, 0);
            c.call();
            glVertex2f(0.5f, 0);
            glVertex2f(0, 0.5f);
            glEnd();
        });
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION) << c.name;
        EXPECT_EQ(got.size(), 8u) << c.name << ": the open primitive continues";
        GLint mode, vp[4], depth;
        GLfloat m[16];
        GLdouble e[4], r[2];
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glGetIntegerv(GL_VIEWPORT, vp);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        glGetClipPlane(GL_CLIP_PLANE0, e);
        glGetDoublev(GL_DEPTH_RANGE, r);
        EXPECT_EQ(mode, GL_MODELVIEW) << c.name;
        EXPECT_EQ(vp[2], 64) << c.name;
        EXPECT_EQ(depth, 1) << c.name;
        EXPECT_EQ(m[12], 0.0f) << c.name;
        EXPECT_EQ(e[0], 0.0) << c.name;
        EXPECT_EQ(r[0], 0.0) << c.name;
    }
}

}  // namespace

namespace {

void expectRaster(const char* what, const float want[4]) {
    GLfloat p[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, p);
    for (int i = 0; i < 4; i++) EXPECT_NEAR(p[i], want[i], 1e-5) << what << " " << i;
}

TEST_F(GeomTest, RasterPositionState) {
    for (int inverted = 0; inverted < 2; inverted++) {
        setInverted(inverted != 0);
        glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
        glTexCoord2f(3, 4);
        glRasterPos2i(0, 0);
        const float centre[4] = {32, 24, 0.5f, 1};
        expectRaster("centre", centre);
        GLint valid = 0;
        glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
        EXPECT_EQ(valid, 1);
        GLfloat c[4], t[4], d;
        glGetFloatv(GL_CURRENT_RASTER_COLOR, c);
        glGetFloatv(GL_CURRENT_RASTER_TEXTURE_COORDS, t);
        EXPECT_NEAR(c[1], 0.5f, 1e-6);
        EXPECT_EQ(t[0], 3.0f);
        EXPECT_EQ(t[1], 4.0f);
        // Corners land on the viewport edges; distance is measured in eye space.
        glRasterPos3f(-1, 1, 0.5f);
        const float corner[4] = {0, 48, 0.75f, 1};
        expectRaster("corner", corner);
        glGetFloatv(GL_CURRENT_RASTER_DISTANCE, &d);
        EXPECT_NEAR(d, sqrtf(2.25f), 1e-6);
        // Outside: invalid, and the position is kept.
        glColor3f(1, 0, 0);
        glRasterPos4f(2, 0, 0, 1);
        glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
        EXPECT_EQ(valid, 0);
        expectRaster("kept", corner);
        glGetFloatv(GL_CURRENT_RASTER_COLOR, c);
        EXPECT_NEAR(c[1], 0.5f, 1e-6);
        // Inside glBegin/glEnd it is refused.
        glBegin(GL_POINTS);
        glRasterPos2f(0, 0);
        glEnd();
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
        glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
        EXPECT_EQ(valid, 0);
    }
}

TEST_F(GeomTest, RasterPositionHitsInSelection) {
    GLuint buf[16];
    glSelectBuffer(16, buf);
    glRenderMode(GL_SELECT);
    glPushName(3);
    glRasterPos2f(2, 0);  // invalid: no hit
    glRasterPos2f(0, 0);
    EXPECT_EQ(glRenderMode(GL_RENDER), 1);
    EXPECT_EQ(buf[0], 1u);
    EXPECT_EQ(buf[3], 3u);
}

TEST_F(GeomTest, RectDrawsThroughQuads) {
    glEdgeFlag(GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    auto got = feedback(GL_2D, [] { glRecti(-1, -1, 0, 1); });
    // The outline of (-1,-1) (0,-1) (0,1) (-1,1) in window coordinates, the
    // diagonal hidden.
    const std::vector<float> want = {1799, 0, 48, 0, 0, 1794, 0, 0, 32, 0, 1794, 32, 0, 32, 48, 1794, 32, 48, 0, 48};
    EXPECT_EQ(got, want);
    const struct {
        const char* name;
        std::function<void()> call;
    } forms[] = {
        {"d", [] { glRectd(-1, -1, 0, 1); }},
        {"f", [] { glRectf(-1, -1, 0, 1); }},
        {"s", [] { glRects(-1, -1, 0, 1); }},
        {"dv", [] { GLdouble a[2] = {-1, -1}, b[2] = {0, 1}; glRectdv(a, b); }},
        {"fv", [] { GLfloat a[2] = {-1, -1}, b[2] = {0, 1}; glRectfv(a, b); }},
        {"iv", [] { GLint a[2] = {-1, -1}, b[2] = {0, 1}; glRectiv(a, b); }},
        {"sv", [] { GLshort a[2] = {-1, -1}, b[2] = {0, 1}; glRectsv(a, b); }},
    };
    for (const auto& f : forms) EXPECT_EQ(feedback(GL_2D, f.call), want) << f.name;
    // Swapping one axis winds clockwise (culled as a back face); swapping
    // both keeps it counter-clockwise.
    glEnable(GL_CULL_FACE);
    EXPECT_TRUE(feedback(GL_2D, [] { glRectf(0, -1, -1, 1); }).empty());
    EXPECT_EQ(feedback(GL_2D, [] { glRectf(0, 1, -1, -1); }).size(), want.size());
    glDisable(GL_CULL_FACE);
    glBegin(GL_POINTS);
    glRectf(0, 0, 1, 1);
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
}

}  // namespace
