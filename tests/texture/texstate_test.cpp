// Texture parameters, environment and coordinate generation: every value
// through its query in float and integer form, and every error.
#include <functional>
#include <limits.h>
#include <math.h>
#include "textest.h"

namespace {

using TexState = TextureContext;

// Setters leave begin state 2 and the general dirty bit after a change, and
// touch neither after an error.
struct Marks {
    Marks() {
        __glThreadState()->beginState = GL_BEGIN_OUTSIDE;
        __glCurrentContext()->dirtyPickers = 0;
    }
    static bool set() {
        return __glThreadState()->beginState == GL_BEGIN_NEEDS_VALIDATE &&
               (__glCurrentContext()->dirtyPickers & GL_DIRTY_GENERIC);
    }
};

// Integer form of a [0, 1] quantity as every colour query gives it.
GLint normInt(GLfloat v) { return (GLint)floor((double)(v * 4294964992.0f * 0.5f)); }

TEST_F(TexState, EnumParametersThroughEveryForm) {
    struct Case {
        GLenum pname;
        GLenum value;
    };
    const Case cases[] = {
        {GL_TEXTURE_WRAP_S, GL_CLAMP},
        {GL_TEXTURE_WRAP_S, GL_REPEAT},
        {GL_TEXTURE_WRAP_T, GL_CLAMP},
        {GL_TEXTURE_MAG_FILTER, GL_NEAREST},
        {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
        {GL_TEXTURE_MIN_FILTER, GL_NEAREST},
        {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
        {GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST},
        {GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST},
        {GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_LINEAR},
        {GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR},
    };
    const std::function<void(GLenum, GLenum, GLenum)> forms[] = {
        [](GLenum t, GLenum p, GLenum v) { glTexParameteri(t, p, (GLint)v); },
        [](GLenum t, GLenum p, GLenum v) { glTexParameterf(t, p, (GLfloat)v); },
        [](GLenum t, GLenum p, GLenum v) {
            const GLint i = (GLint)v;
            glTexParameteriv(t, p, &i);
        },
        [](GLenum t, GLenum p, GLenum v) {
            const GLfloat f = (GLfloat)v + 0.7f;  // truncated toward zero
            glTexParameterfv(t, p, &f);
        },
    };
    glBindTexture(GL_TEXTURE_1D, 3);
    for (GLenum target : {GL_TEXTURE_1D, GL_TEXTURE_2D})
        for (const Case& c : cases)
            for (int f = 0; f < 4; f++) {
                SCOPED_TRACE(testing::Message() << target << " " << c.pname << " " << c.value << " form " << f);
                // Start from another accepted value so that the store shows.
                const GLenum other = c.pname == GL_TEXTURE_MIN_FILTER
                                         ? (c.value == GL_LINEAR_MIPMAP_LINEAR ? GL_NEAREST : GL_LINEAR_MIPMAP_LINEAR)
                                     : c.pname == GL_TEXTURE_MAG_FILTER ? (c.value == GL_LINEAR ? GL_NEAREST : GL_LINEAR)
                                                                        : (c.value == GL_REPEAT ? GL_CLAMP : GL_REPEAT);
                glTexParameteri(target, c.pname, (GLint)other);
                ASSERT_NE(texi(target, c.pname), (GLint)c.value);
                Marks m;
                forms[f](target, c.pname, c.value);
                EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
                EXPECT_TRUE(m.set());
                EXPECT_EQ(texi(target, c.pname), (GLint)c.value);
                GLfloat v = 0;
                glGetTexParameterfv(target, c.pname, &v);
                EXPECT_EQ(v, (GLfloat)c.value);
                // Stored in the bound object as well.
                const int t = target == GL_TEXTURE_2D;
                const GlTexTargetState& s = bound(t)->params.state;
                const GLenum stored = c.pname == GL_TEXTURE_WRAP_S     ? s.wrapS
                                      : c.pname == GL_TEXTURE_WRAP_T   ? s.wrapT
                                      : c.pname == GL_TEXTURE_MIN_FILTER ? s.minFilter
                                                                       : s.magFilter;
                EXPECT_EQ(stored, c.value);
            }
}

TEST_F(TexState, BorderColourAndPriorityAreClamped) {
    struct Case {
        const char* name;
        std::function<void()> set;
        GLfloat expected[4];
    };
    const Case cases[] = {
        {"float border",
         [] {
             const GLfloat c[4] = {-1.0f, 0.5f, 2.0f, 1.0f};
             glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, c);
         },
         {0.0f, 0.5f, 1.0f, 1.0f}},
        {"integer border",
         [] {
             const GLint c[4] = {INT_MAX, 0, INT_MIN, INT_MAX / 2};
             glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, c);
         },
         {1.0f, (GLfloat)(1.0 / 4294967295.0), 0.0f, 0.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.set();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        GLfloat f[4];
        GLint i[4];
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, f);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, i);
        for (int k = 0; k < 4; k++) {
            EXPECT_FLOAT_EQ(f[k], c.expected[k]) << k;
            EXPECT_EQ(i[k], normInt(c.expected[k])) << k;
            EXPECT_EQ(bound(GL_TEX_2D)->params.state.borderColor[k], f[k]) << k;
        }
    }
    // Integer extremes of the colour form.
    GLint i[4];
    const GLfloat full[4] = {1, 0.5f, 0, 1};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, full);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, i);
    EXPECT_EQ(i[0], 2147482496);
    EXPECT_EQ(i[1], 1073741248);
    EXPECT_EQ(i[2], 0);

    struct Priority {
        std::function<void()> set;
        GLfloat expected;
    };
    const Priority priorities[] = {
        {[] { glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, 1.5f); }, 1.0f},
        {[] { glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, -0.5f); }, 0.0f},
        {[] { glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, 0.25f); }, 0.25f},
        {[] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, INT_MAX); }, 1.0f},
        {[] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, -5); }, 0.0f},
    };
    for (const Priority& p : priorities) {
        p.set();
        GLfloat f = -1;
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, &f);
        EXPECT_FLOAT_EQ(f, p.expected);
        EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY), normInt(p.expected));
    }
}

TEST_F(TexState, ParameterErrorsStoreNothing) {
    struct Case {
        const char* name;
        std::function<void()> call;
        GLenum error;
    };
    const GLfloat four[4] = {1, 1, 1, 1};
    const Case cases[] = {
        {"proxy target", [] { glTexParameteri(GL_PROXY_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP); }, GL_INVALID_ENUM},
        {"env target", [] { glTexParameteri(GL_TEXTURE_ENV, GL_TEXTURE_WRAP_S, GL_CLAMP); }, GL_INVALID_ENUM},
        {"unknown pname", [] { glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_ENV_MODE, nullptr); }, GL_INVALID_ENUM},
        {"single border", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, 0); }, GL_INVALID_ENUM},
        {"single border float", [] { glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, 0); }, GL_INVALID_ENUM},
        {"resident is read-only", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_RESIDENT, 1); }, GL_INVALID_ENUM},
        {"wrap linear", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_LINEAR); }, GL_INVALID_ENUM},
        {"mag mipmap", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR_MIPMAP_LINEAR); },
         GL_INVALID_ENUM},
        {"min clamp", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_CLAMP); }, GL_INVALID_ENUM},
        {"min huge float", [] { glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 1e20f); }, GL_INVALID_ENUM},
        {"inside begin", [&] {
             glBegin(GL_POINTS);
             glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, four);
             glEnd();
         }, GL_INVALID_OPERATION},
    };
    for (const Case& c : cases) {
        Marks m;
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.name;
        EXPECT_FALSE(m.set()) << c.name;
    }
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
    GLfloat border[4] = {9, 9, 9, 9};
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    for (GLfloat b : border) EXPECT_EQ(b, 0.0f);

    // Queries check their target and pname.
    GLint v = 7;
    glGetTexParameteriv(GL_PROXY_TEXTURE_1D, GL_TEXTURE_WRAP_S, &v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_ENV_MODE, &v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    EXPECT_EQ(v, 7);
}

TEST_F(TexState, EnvironmentModeAndColour) {
    const GLenum modes[] = {GL_ADD, GL_BLEND, GL_REPLACE, GL_DECAL, GL_MODULATE};
    const std::function<void(GLenum)> forms[] = {
        [](GLenum m) { glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)m); },
        [](GLenum m) { glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLfloat)m); },
        [](GLenum m) {
            const GLint i = (GLint)m;
            glTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &i);
        },
        [](GLenum m) {
            const GLfloat f = (GLfloat)m + 0.5f;
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &f);
        },
    };
    for (int f = 0; f < 4; f++)
        for (GLenum mode : modes) {
            Marks m;
            forms[f](mode);
            EXPECT_TRUE(m.set());
            GLint i = 0;
            GLfloat v = 0;
            glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &i);
            glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
            EXPECT_EQ(i, (GLint)mode) << f;
            EXPECT_EQ(v, (GLfloat)mode) << f;
        }

    // Stored clamped and in colour-buffer units (255 for red, green and blue;
    // this format has no alpha bits, so alpha keeps 1.0).
    struct Colour {
        std::function<void()> set;
        GLfloat given[4];  // after clamping
    };
    const Colour colours[] = {
        {[] {
             const GLfloat c[4] = {0.5f, 0.5f, 0.5f, 0.5f};
             glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, c);
         },
         {0.5f, 0.5f, 0.5f, 0.5f}},
        {[] {
             const GLfloat c[4] = {2, -1, 0, 0};
             glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, c);
         },
         {1, 0, 0, 0}},
        {[] {
             const GLint c[4] = {INT_MAX, INT_MIN, -1, INT_MAX};
             glTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, c);
         },
         {1, 0, 0, 1}},
    };
    const GLfloat maxima[4] = {255, 255, 255, 1};
    for (const Colour& c : colours) {
        c.set();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        GLfloat f[4];
        GLint i[4];
        glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, f);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, i);
        for (int k = 0; k < 4; k++) {
            EXPECT_FLOAT_EQ(gc->texture.env.color[k], c.given[k] * maxima[k]) << k;
            EXPECT_FLOAT_EQ(f[k], c.given[k]) << k;
            EXPECT_NEAR(i[k], normInt(c.given[k]), 512) << k;
        }
    }

    struct Case {
        const char* name;
        std::function<void()> call;
        GLenum error;
    };
    const Case errors[] = {
        {"target", [] { glTexEnvi(GL_TEXTURE_2D, GL_TEXTURE_ENV_MODE, GL_ADD); }, GL_INVALID_ENUM},
        {"mode value", [] { glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_CLAMP); }, GL_INVALID_ENUM},
        {"single colour", [] { glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, 1); }, GL_INVALID_ENUM},
        {"pname", [] { glTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_WRAP_S, nullptr); }, GL_INVALID_ENUM},
        {"inside begin", [] {
             glBegin(GL_LINES);
             glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
             glEnd();
         }, GL_INVALID_OPERATION},
    };
    for (const Case& c : errors) {
        Marks m;
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.name;
        EXPECT_FALSE(m.set()) << c.name;
    }
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    glGetTexEnviv(GL_TEXTURE_2D, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
}

TEST_F(TexState, GenerationModesByCoordinate) {
    const GLenum coords[] = {GL_S, GL_T, GL_R, GL_Q};
    const GLenum modes[] = {GL_OBJECT_LINEAR, GL_SPHERE_MAP, GL_EYE_LINEAR};
    const std::function<void(GLenum, GLenum)> forms[] = {
        [](GLenum c, GLenum m) { glTexGeni(c, GL_TEXTURE_GEN_MODE, (GLint)m); },
        [](GLenum c, GLenum m) { glTexGenf(c, GL_TEXTURE_GEN_MODE, (GLfloat)m); },
        [](GLenum c, GLenum m) { glTexGend(c, GL_TEXTURE_GEN_MODE, (GLdouble)m + 0.9); },
        [](GLenum c, GLenum m) {
            const GLint i = (GLint)m;
            glTexGeniv(c, GL_TEXTURE_GEN_MODE, &i);
        },
        [](GLenum c, GLenum m) {
            const GLfloat f = (GLfloat)m;
            glTexGenfv(c, GL_TEXTURE_GEN_MODE, &f);
        },
        [](GLenum c, GLenum m) {
            const GLdouble d = (GLdouble)m;
            glTexGendv(c, GL_TEXTURE_GEN_MODE, &d);
        },
    };
    for (int f = 0; f < 6; f++)
        for (int c = 0; c < 4; c++)
            for (GLenum mode : modes) {
                SCOPED_TRACE(testing::Message() << "form " << f << " coord " << c << " mode " << mode);
                glTexGeni(coords[c], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
                Marks m;
                forms[f](coords[c], mode);
                const bool refused = mode == GL_SPHERE_MAP && c >= 2;  // sphere maps make s and t only
                EXPECT_EQ(glGetError(), refused ? (GLenum)GL_INVALID_ENUM : (GLenum)GL_NO_ERROR);
                EXPECT_EQ(m.set(), !refused);
                const GLenum stored = refused ? GL_EYE_LINEAR : mode;
                GLint i = 0;
                GLfloat v = 0;
                GLdouble d = 0;
                glGetTexGeniv(coords[c], GL_TEXTURE_GEN_MODE, &i);
                glGetTexGenfv(coords[c], GL_TEXTURE_GEN_MODE, &v);
                glGetTexGendv(coords[c], GL_TEXTURE_GEN_MODE, &d);
                EXPECT_EQ(i, (GLint)stored);
                EXPECT_EQ(v, (GLfloat)stored);
                EXPECT_EQ(d, (GLdouble)stored);
            }

    struct Case {
        const char* name;
        std::function<void()> call;
        GLenum error;
    };
    const GLfloat plane[4] = {1, 2, 3, 4};
    const Case errors[] = {
        {"coordinate", [&] { glTexGenfv(GL_TEXTURE_2D, GL_OBJECT_PLANE, plane); }, GL_INVALID_ENUM},
        {"pname", [&] { glTexGenfv(GL_S, GL_TEXTURE_ENV_COLOR, plane); }, GL_INVALID_ENUM},
        {"single plane", [] { glTexGeni(GL_S, GL_OBJECT_PLANE, 1); }, GL_INVALID_ENUM},
        {"below eye linear", [] { glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR - 1); }, GL_INVALID_ENUM},
        {"above sphere map", [] { glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP + 1); }, GL_INVALID_ENUM},
        {"inside begin", [&] {
             glBegin(GL_TRIANGLES);
             glTexGenfv(GL_S, GL_EYE_PLANE, plane);
             glEnd();
         }, GL_INVALID_OPERATION},
    };
    for (const Case& c : errors) {
        Marks m;
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.name;
        EXPECT_FALSE(m.set()) << c.name;
    }
    GLfloat s[4];
    glGetTexGenfv(GL_S, GL_EYE_PLANE, s);
    EXPECT_EQ(s[0], 1.0f);  // the default, untouched
    EXPECT_EQ(s[1], 0.0f);
    GLint v = 9;
    glGetTexGeniv(GL_Q + 1, GL_TEXTURE_GEN_MODE, &v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    EXPECT_EQ(v, 9);
}

TEST_F(TexState, PlanesDefaultsAndObjectPlanesAsGiven) {
    const GLfloat defaults[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    for (int c = 0; c < 4; c++)
        for (GLenum pname : {GL_OBJECT_PLANE, GL_EYE_PLANE}) {
            GLdouble d[4];
            glGetTexGendv(GL_S + c, pname, d);
            for (int k = 0; k < 4; k++) EXPECT_EQ(d[k], defaults[c][k]) << c << " " << pname;
        }

    const GLint ip[4] = {-3, 7, 1 << 30, 0};
    const GLfloat fp[4] = {0.25f, -1.5f, 3e10f, 1};
    const GLdouble dp[4] = {0.1, 2.0, -4.0, 1e-3};
    glTexGeniv(GL_S, GL_OBJECT_PLANE, ip);
    glTexGenfv(GL_T, GL_OBJECT_PLANE, fp);
    glTexGendv(GL_R, GL_OBJECT_PLANE, dp);
    GLfloat f[4];
    GLint i[4];
    glGetTexGenfv(GL_S, GL_OBJECT_PLANE, f);
    for (int k = 0; k < 4; k++) EXPECT_EQ(f[k], (GLfloat)ip[k]);
    glGetTexGenfv(GL_T, GL_OBJECT_PLANE, f);
    for (int k = 0; k < 4; k++) EXPECT_EQ(f[k], fp[k]);
    glGetTexGenfv(GL_R, GL_OBJECT_PLANE, f);
    for (int k = 0; k < 4; k++) EXPECT_EQ(f[k], (GLfloat)dp[k]);  // rounded to float
    glGetTexGeniv(GL_T, GL_OBJECT_PLANE, i);  // planes are plain values: rounded
    EXPECT_EQ(i[0], 0);
    EXPECT_EQ(i[1], -2);
    EXPECT_EQ(i[2], INT_MAX);
    EXPECT_EQ(i[3], 1);
}

// Eye planes are taken into eye space with the modelview in force when they
// are given; later modelview changes leave them alone.
TEST_F(TexState, EyePlanesUseTheInverseModelviewWhenGiven) {
    struct Case {
        const char* name;
        std::function<void()> modelview;
        GLfloat plane[4];
        GLfloat stored[4];
    };
    const Case cases[] = {
        {"identity", [] {}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"translate x", [] { glTranslatef(1, 0, 0); }, {1, 0, 0, 0}, {1, 0, 0, -1}},
        {"translate, w plane", [] { glTranslatef(1, 2, 3); }, {0, 0, 0, 1}, {0, 0, 0, 1}},
        {"scale", [] { glScalef(2, 4, 0.5f); }, {1, 1, 1, 1}, {0.5f, 0.25f, 2, 1}},
        {"rotate z 90", [] { glRotatef(90, 0, 0, 1); }, {1, 0, 0, 0}, {0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        c.modelview();
        glTexGenfv(GL_Q, GL_EYE_PLANE, c.plane);
        const GLint ip[4] = {(GLint)c.plane[0], (GLint)c.plane[1], (GLint)c.plane[2], (GLint)c.plane[3]};
        glTexGeniv(GL_R, GL_EYE_PLANE, ip);
        glLoadIdentity();
        glScalef(9, 9, 9);
        GLfloat q[4], r[4];
        glGetTexGenfv(GL_Q, GL_EYE_PLANE, q);
        glGetTexGenfv(GL_R, GL_EYE_PLANE, r);
        for (int k = 0; k < 4; k++) {
            EXPECT_NEAR(q[k], c.stored[k], 1e-6f) << k;
            EXPECT_NEAR(r[k], c.stored[k], 1e-6f) << k;
        }
    }
    glLoadIdentity();
}

}  // namespace
