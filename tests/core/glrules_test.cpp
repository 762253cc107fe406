// OpenGL 1.1 rules through the public calls on software DIB contexts: the
// error of each call, that a failing call changes nothing, what each
// attribute group holds, extension enumerants in queries, render-mode
// counts, display-list names and compiling across make-current.
#include <gtest/gtest.h>
#include <string.h>
#include <functional>
#include <vector>
#include "gldib.h"

namespace {

struct GlRules : ::testing::Test {
    GltestDibContext* ctx = nullptr;
    void SetUp() override {
        ctx = new GltestDibContext(16, 16);
        glGetError();
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        delete ctx;
    }
};

GLint geti(GLenum pname) {
    GLint v[16] = {-7};
    glGetIntegerv(pname, v);
    return v[0];
}

struct Call {
    const char* what;
    GLenum error;
    std::function<void()> call;
};

GLubyte image[64 * 64 * 4];
GLfloat floats[64];

// One call, one error: the first recorded error stays, and there is only one.
TEST_F(GlRules, EachInvalidCallRecordsItsError) {
    GLdouble* planes = (GLdouble*)floats;
    const Call calls[] = {
        {"Accum op", GL_INVALID_ENUM, [] { glAccum(0x1234, 1); }},
        {"Begin mode", GL_INVALID_ENUM, [] { glBegin(GL_POLYGON + 1); }},
        {"BindTexture proxy", GL_INVALID_ENUM, [] { glBindTexture(GL_PROXY_TEXTURE_2D, 1); }},
        {"CallLists type", GL_INVALID_ENUM, [] { glCallLists(1, GL_DOUBLE, image); }},
        {"CallLists count", GL_INVALID_VALUE, [] { glCallLists(-1, GL_BYTE, image); }},
        {"CallLists none", GL_NO_ERROR, [] { glCallLists(0, GL_BYTE, nullptr); }},
        {"Clear bits", GL_INVALID_VALUE, [] { glClear(0x1); }},
        {"ClipPlane", GL_INVALID_ENUM, [=] { glClipPlane(GL_CLIP_PLANE0 + 6, planes); }},
        {"ColorMaterial face", GL_INVALID_ENUM, [] { glColorMaterial(GL_LEFT, GL_DIFFUSE); }},
        {"ColorMaterial mode", GL_INVALID_ENUM, [] { glColorMaterial(GL_FRONT, GL_SHININESS); }},
        {"CopyPixels type", GL_INVALID_ENUM, [] { glCopyPixels(0, 0, 1, 1, GL_RGBA); }},
        {"CopyPixels size", GL_INVALID_VALUE, [] { glCopyPixels(0, 0, -1, 1, GL_COLOR); }},
        {"DeleteLists range", GL_INVALID_VALUE, [] { glDeleteLists(1, -1); }},
        {"DeleteLists none", GL_NO_ERROR, [] { glDeleteLists(1, 0); }},
        {"DeleteTextures n", GL_INVALID_VALUE, [] { glDeleteTextures(-1, nullptr); }},
        {"DrawArrays mode", GL_INVALID_ENUM, [] { glDrawArrays(0x1234, 0, 1); }},
        {"DrawArrays count", GL_INVALID_VALUE, [] { glDrawArrays(GL_POINTS, 0, -1); }},
        {"DrawElements type", GL_INVALID_ENUM, [] { glDrawElements(GL_POINTS, 1, GL_SHORT, image); }},
        {"DrawPixels bitmap RGBA", GL_INVALID_ENUM, [] { glDrawPixels(1, 1, GL_RGBA, GL_BITMAP, image); }},
        {"DrawPixels size", GL_INVALID_VALUE, [] { glDrawPixels(-1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"EnableClientState", GL_INVALID_ENUM, [] { glEnableClientState(GL_VERTEX_ARRAY - 1); }},
        {"Enable light 8", GL_INVALID_ENUM, [] { glEnable(GL_LIGHT0 + 8); }},
        {"EndList alone", GL_INVALID_OPERATION, [] { glEndList(); }},
        {"End alone", GL_INVALID_OPERATION, [] { glEnd(); }},
        {"EvalMesh1 mode", GL_INVALID_ENUM, [] { glEvalMesh1(GL_FILL, 0, 1); }},
        {"FeedbackBuffer type", GL_INVALID_ENUM, [] { glFeedbackBuffer(4, 0x1234, floats); }},
        {"FeedbackBuffer size", GL_INVALID_VALUE, [] { glFeedbackBuffer(-1, GL_2D, floats); }},
        {"Frustum near 0", GL_INVALID_VALUE, [] { glFrustum(-1, 1, -1, 1, 0, 1); }},
        {"Frustum far = near", GL_INVALID_VALUE, [] { glFrustum(-1, 1, -1, 1, 2, 2); }},
        {"Ortho left = right", GL_INVALID_VALUE, [] { glOrtho(1, 1, -1, 1, 1, 2); }},
        {"GenLists range", GL_INVALID_VALUE, [] { glGenLists(-1); }},
        {"GenLists none", GL_NO_ERROR, [] { EXPECT_EQ(glGenLists(0), 0u); }},
        {"GenTextures n", GL_INVALID_VALUE, [] { glGenTextures(-1, nullptr); }},
        {"GetMap query", GL_INVALID_ENUM, [] { glGetMapfv(GL_MAP1_VERTEX_3, GL_COEFF + 5, floats); }},
        {"GetMaterial both faces", GL_INVALID_ENUM, [] { glGetMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, floats); }},
        {"GetPixelMap", GL_INVALID_ENUM, [] { glGetPixelMapfv(GL_PIXEL_MAP_I_TO_I - 1, floats); }},
        {"GetString", GL_INVALID_ENUM, [] { EXPECT_EQ(glGetString(GL_VENDOR - 1), nullptr); }},
        {"GetTexImage proxy", GL_INVALID_ENUM,
         [] { glGetTexImage(GL_PROXY_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"GetTexImage level", GL_INVALID_VALUE, [] { glGetTexImage(GL_TEXTURE_2D, -1, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"GetTexLevelParameter level", GL_INVALID_VALUE,
         [] { glGetTexLevelParameterfv(GL_TEXTURE_2D, 11, GL_TEXTURE_WIDTH, floats); }},
        {"GetTexLevelParameter pname", GL_INVALID_ENUM,
         [] { glGetTexLevelParameterfv(GL_TEXTURE_2D, 0, GL_TEXTURE_WRAP_S, floats); }},
        {"GetTexParameter proxy", GL_INVALID_ENUM,
         [] { glGetTexParameterfv(GL_PROXY_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, floats); }},
        {"Hint mode", GL_INVALID_ENUM, [] { glHint(GL_FOG_HINT, GL_FOG); }},
        {"IsEnabled", GL_INVALID_ENUM, [] { EXPECT_FALSE(glIsEnabled(GL_FOG_MODE)); }},
        {"InterleavedArrays stride", GL_INVALID_VALUE, [] { glInterleavedArrays(GL_V2F, -1, image); }},
        {"Lightf vector name", GL_INVALID_ENUM, [] { glLightf(GL_LIGHT0, GL_AMBIENT, 1); }},
        {"Light spot exponent", GL_INVALID_VALUE, [] { glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 129); }},
        {"LightModelf vector name", GL_INVALID_ENUM, [] { glLightModelf(GL_LIGHT_MODEL_AMBIENT, 1); }},
        {"LoadName outside selection", GL_NO_ERROR, [] { glLoadName(1); }},
        {"Map1 order", GL_INVALID_VALUE, [] { glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 31, floats); }},
        {"Map2 stride", GL_INVALID_VALUE, [] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 2, 2, 0, 1, 6, 2, floats); }},
        {"MapGrid2 segments", GL_INVALID_VALUE, [] { glMapGrid2f(1, 0, 1, 0, 0, 1); }},
        {"Materialf vector name", GL_INVALID_ENUM, [] { glMaterialf(GL_FRONT, GL_AMBIENT, 1); }},
        {"MatrixMode", GL_INVALID_ENUM, [] { glMatrixMode(GL_COLOR); }},
        {"NewList mode", GL_INVALID_ENUM, [] { glNewList(3, 0); }},
        {"NewList zero", GL_INVALID_VALUE, [] { glNewList(0, GL_COMPILE); }},
        {"PixelMap enum", GL_INVALID_ENUM, [] { glPixelMapfv(GL_PIXEL_MAP_A_TO_A + 1, 1, floats); }},
        {"PixelMap size 0", GL_INVALID_VALUE, [] { glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 0, floats); }},
        {"PixelMap size over the maximum", GL_INVALID_VALUE, [] { glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 65537, floats); }},
        {"PixelMap index size not a power of two", GL_INVALID_VALUE,
         [] { glPixelMapfv(GL_PIXEL_MAP_S_TO_S, 3, floats); }},
        {"PixelStore alignment", GL_INVALID_VALUE, [] { glPixelStorei(GL_UNPACK_ALIGNMENT, 3); }},
        {"PixelTransfer zoom", GL_INVALID_ENUM, [] { glPixelTransferf(GL_ZOOM_X, 1); }},
        {"PolygonMode face", GL_INVALID_ENUM, [] { glPolygonMode(GL_LEFT, GL_LINE); }},
        {"PopAttrib", GL_STACK_UNDERFLOW, [] { glPopAttrib(); }},
        {"PopClientAttrib", GL_STACK_UNDERFLOW, [] { glPopClientAttrib(); }},
        {"PopMatrix", GL_STACK_UNDERFLOW, [] { glPopMatrix(); }},
        {"PopName outside selection", GL_NO_ERROR, [] { glPopName(); }},
        {"PrioritizeTextures n", GL_INVALID_VALUE, [] { glPrioritizeTextures(-1, nullptr, nullptr); }},
        {"ReadBuffer both", GL_INVALID_ENUM, [] { glReadBuffer(GL_FRONT_AND_BACK); }},
        {"ReadBuffer back of a single buffer", GL_INVALID_OPERATION, [] { glReadBuffer(GL_BACK); }},
        {"ReadPixels index of RGBA", GL_INVALID_OPERATION,
         [] { glReadPixels(0, 0, 1, 1, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, image); }},
        {"RenderMode", GL_INVALID_ENUM, [] { EXPECT_EQ(glRenderMode(GL_SELECT + 1), 0); }},
        {"RenderMode without a buffer", GL_INVALID_OPERATION, [] { EXPECT_EQ(glRenderMode(GL_SELECT), 0); }},
        {"Scissor", GL_INVALID_VALUE, [] { glScissor(0, 0, -1, 0); }},
        {"SelectBuffer", GL_INVALID_VALUE, [] { glSelectBuffer(-1, (GLuint*)image); }},
        {"StencilOp", GL_INVALID_ENUM, [] { glStencilOp(GL_KEEP, GL_KEEP, 0x1234); }},
        {"TexEnv target", GL_INVALID_ENUM, [] { glTexEnvi(GL_TEXTURE_2D, GL_TEXTURE_ENV_MODE, GL_DECAL); }},
        {"TexGen sphere map of R", GL_INVALID_ENUM, [] { glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP); }},
        {"TexImage2D size", GL_INVALID_VALUE,
         [] { glTexImage2D(GL_TEXTURE_2D, 0, 4, 3, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"TexImage2D border", GL_INVALID_VALUE,
         [] { glTexImage2D(GL_TEXTURE_2D, 0, 4, 1, 1, 2, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"TexImage2D stencil format", GL_INVALID_ENUM,
         [] { glTexImage2D(GL_TEXTURE_2D, 0, 4, 1, 1, 0, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, image); }},
        {"TexParameter wrap", GL_INVALID_ENUM, [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_NEAREST); }},
        {"TexSubImage of no level", GL_INVALID_OPERATION,
         [] { glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"VertexPointer size", GL_INVALID_VALUE, [] { glVertexPointer(5, GL_FLOAT, 0, image); }},
        {"Viewport", GL_INVALID_VALUE, [] { glViewport(0, 0, 1, -1); }},
    };
    for (const Call& c : calls) {
        glGetError();
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.what;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << c.what << ": one error only";
    }
    glEnable(0x1234);
    glLineWidth(-1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM) << "the first error stays";
}

// Between glBegin and glEnd only the vertex-level calls are accepted; every
// other call records GL_INVALID_OPERATION and the primitive goes on.
TEST_F(GlRules, InsideBeginEndOnlyVertexCallsAreAccepted) {
    const Call calls[] = {
        {"Color", GL_NO_ERROR, [] { glColor3f(1, 1, 1); }},
        {"Normal", GL_NO_ERROR, [] { glNormal3f(0, 0, 1); }},
        {"TexCoord", GL_NO_ERROR, [] { glTexCoord2f(0, 0); }},
        {"Index", GL_NO_ERROR, [] { glIndexf(1); }},
        {"EdgeFlag", GL_NO_ERROR, [] { glEdgeFlag(0); }},
        {"Material", GL_NO_ERROR, [] { glMaterialf(GL_FRONT, GL_SHININESS, 1); }},
        {"EvalCoord", GL_NO_ERROR, [] { glEvalCoord1f(0); }},
        {"EvalPoint", GL_NO_ERROR, [] { glEvalPoint1(0); }},
        {"ArrayElement", GL_NO_ERROR, [] { glArrayElement(0); }},
        {"CallList", GL_NO_ERROR, [] { glCallList(77); }},
        {"CallLists", GL_NO_ERROR, [] { glCallLists(1, GL_UNSIGNED_BYTE, image); }},
        {"Begin", GL_INVALID_OPERATION, [] { glBegin(GL_POINTS); }},
        {"Enable", GL_INVALID_OPERATION, [] { glEnable(GL_BLEND); }},
        {"IsEnabled", GL_INVALID_OPERATION, [] { EXPECT_FALSE(glIsEnabled(GL_DITHER)); }},
        {"GetIntegerv", GL_INVALID_OPERATION, [] { glGetIntegerv(GL_LINE_WIDTH, (GLint*)image); }},
        {"GetString", GL_INVALID_OPERATION, [] { EXPECT_EQ(glGetString(GL_VERSION), nullptr); }},
        {"GetPointerv", GL_INVALID_OPERATION, [] { void* p; glGetPointerv(GL_VERTEX_ARRAY_POINTER, &p); }},
        {"GetPolygonStipple", GL_INVALID_OPERATION, [] { glGetPolygonStipple(image); }},
        {"GetLight", GL_INVALID_OPERATION, [] { glGetLightfv(GL_LIGHT0, GL_AMBIENT, floats); }},
        {"GetMap", GL_INVALID_OPERATION, [] { glGetMapfv(GL_MAP1_VERTEX_3, GL_ORDER, floats); }},
        {"NewList", GL_INVALID_OPERATION, [] { glNewList(1, GL_COMPILE); }},
        {"EndList", GL_INVALID_OPERATION, [] { glEndList(); }},
        {"GenLists", GL_INVALID_OPERATION, [] { EXPECT_EQ(glGenLists(1), 0u); }},
        {"DeleteLists", GL_INVALID_OPERATION, [] { glDeleteLists(1, 1); }},
        {"IsList", GL_INVALID_OPERATION, [] { glIsList(1); }},
        {"ListBase", GL_INVALID_OPERATION, [] { glListBase(1); }},
        {"GenTextures", GL_INVALID_OPERATION, [] { GLuint t; glGenTextures(1, &t); }},
        {"BindTexture", GL_INVALID_OPERATION, [] { glBindTexture(GL_TEXTURE_2D, 1); }},
        {"IsTexture", GL_INVALID_OPERATION, [] { glIsTexture(1); }},
        {"AreTexturesResident", GL_INVALID_OPERATION,
         [] { GLuint t = 1; GLboolean r; glAreTexturesResident(1, &t, &r); }},
        {"PushAttrib", GL_INVALID_OPERATION, [] { glPushAttrib(GL_ALL_ATTRIB_BITS); }},
        {"PopAttrib", GL_INVALID_OPERATION, [] { glPopAttrib(); }},
        {"PushClientAttrib", GL_INVALID_OPERATION, [] { glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT); }},
        {"PushMatrix", GL_INVALID_OPERATION, [] { glPushMatrix(); }},
        {"LoadIdentity", GL_INVALID_OPERATION, [] { glLoadIdentity(); }},
        {"Ortho", GL_INVALID_OPERATION, [] { glOrtho(0, 1, 0, 1, 0, 1); }},
        {"Viewport", GL_INVALID_OPERATION, [] { glViewport(0, 0, 1, 1); }},
        {"RenderMode", GL_INVALID_OPERATION, [] { EXPECT_EQ(glRenderMode(GL_SELECT), 0); }},
        {"FeedbackBuffer", GL_INVALID_OPERATION, [] { glFeedbackBuffer(1, GL_2D, floats); }},
        {"InitNames", GL_INVALID_OPERATION, [] { glInitNames(); }},
        {"PassThrough", GL_INVALID_OPERATION, [] { glPassThrough(1); }},
        {"Rect", GL_INVALID_OPERATION, [] { glRectf(0, 0, 1, 1); }},
        {"RasterPos", GL_INVALID_OPERATION, [] { glRasterPos2f(0, 0); }},
        {"DrawPixels", GL_INVALID_OPERATION, [] { glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"ReadPixels", GL_INVALID_OPERATION, [] { glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"Bitmap", GL_INVALID_OPERATION, [] { glBitmap(0, 0, 0, 0, 0, 0, image); }},
        {"PixelStore", GL_INVALID_OPERATION, [] { glPixelStorei(GL_PACK_ALIGNMENT, 1); }},
        {"PixelMap", GL_INVALID_OPERATION, [] { glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 1, floats); }},
        {"EvalMesh", GL_INVALID_OPERATION, [] { glEvalMesh1(GL_POINT, 0, 1); }},
        {"MapGrid", GL_INVALID_OPERATION, [] { glMapGrid1f(1, 0, 1); }},
        {"DrawArrays", GL_INVALID_OPERATION, [] { glDrawArrays(GL_POINTS, 0, 0); }},
        {"VertexPointer", GL_INVALID_OPERATION, [] { glVertexPointer(2, GL_FLOAT, 0, image); }},
        {"CopyTexImage", GL_INVALID_OPERATION, [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 2, 2, 0); }},
        {"Finish", GL_INVALID_OPERATION, [] { glFinish(); }},
        {"Flush", GL_INVALID_OPERATION, [] { glFlush(); }},
    };
    for (const Call& c : calls) {
        glGetError();
        glBegin(GL_POINTS);
        c.call();
        glEnd();
        EXPECT_EQ(glGetError(), c.error) << c.what;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << c.what << ": one error only";
    }
    // glGetError itself is refused inside: it answers 0 and the error waits.
    glBegin(GL_POINTS);
    glLineWidth(2);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
}

// Everything a program can query, as one vector of numbers.
std::vector<double> queryAll() {
    std::vector<double> all;
    GLdouble d[16];
    for (GLenum first : {0x0B00u, 0x8000u}) {
        for (GLenum p = first; p < first + (first == 0x0B00u ? 0x300u : 0xA0u); p++) {
            for (double& x : d) x = -999;
            glGetDoublev(p, d);
            if (glGetError() == GL_NO_ERROR) all.insert(all.end(), d, d + 16);
        }
    }
    GLfloat f[16];
    for (GLenum light = GL_LIGHT0; light < GL_LIGHT0 + 8; light++)
        for (GLenum p = GL_AMBIENT; p <= GL_QUADRATIC_ATTENUATION; p++) {
            glGetLightfv(light, p, f);
            all.insert(all.end(), f, f + 4);
        }
    for (GLenum face : {GL_FRONT, GL_BACK})
        for (GLenum p : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION, GL_SHININESS, GL_COLOR_INDEXES}) {
            glGetMaterialfv(face, p, f);
            all.insert(all.end(), f, f + 4);
        }
    for (GLenum p : {GL_TEXTURE_ENV_MODE, GL_TEXTURE_ENV_COLOR}) {
        glGetTexEnvfv(GL_TEXTURE_ENV, p, f);
        all.insert(all.end(), f, f + 4);
    }
    for (GLenum c = GL_S; c <= GL_Q; c++)
        for (GLenum p : {GL_TEXTURE_GEN_MODE, GL_OBJECT_PLANE, GL_EYE_PLANE}) {
            glGetTexGenfv(c, p, f);
            all.insert(all.end(), f, f + 4);
        }
    for (GLenum t : {GL_TEXTURE_1D, GL_TEXTURE_2D}) {
        for (GLenum p : {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T,
                         GL_TEXTURE_BORDER_COLOR, GL_TEXTURE_PRIORITY}) {
            glGetTexParameterfv(t, p, f);
            all.insert(all.end(), f, f + 4);
        }
        for (GLenum p : {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT, GL_TEXTURE_COMPONENTS, GL_TEXTURE_BORDER}) {
            glGetTexLevelParameterfv(t, 0, p, f);
            all.push_back(f[0]);
        }
    }
    for (GLenum p = GL_CLIP_PLANE0; p < GL_CLIP_PLANE0 + 6; p++) {
        glGetClipPlane(p, d);
        all.insert(all.end(), d, d + 4);
    }
    for (GLenum m = GL_PIXEL_MAP_I_TO_I; m <= GL_PIXEL_MAP_A_TO_A; m++) {
        std::vector<GLfloat> v(geti(m - GL_PIXEL_MAP_I_TO_I + GL_PIXEL_MAP_I_TO_I_SIZE));
        glGetPixelMapfv(m, v.data());
        all.insert(all.end(), v.begin(), v.end());
    }
    for (GLenum m = GL_MAP1_COLOR_4; m <= GL_MAP1_VERTEX_4; m++) {
        glGetMapfv(m, GL_DOMAIN, f);
        glGetMapfv(m, GL_ORDER, f + 2);
        all.insert(all.end(), f, f + 3);
    }
    for (GLenum m = GL_MAP2_COLOR_4; m <= GL_MAP2_VERTEX_4; m++) {
        glGetMapfv(m, GL_DOMAIN, f);
        glGetMapfv(m, GL_ORDER, f + 4);
        all.insert(all.end(), f, f + 6);
    }
    GLubyte stipple[128];
    glGetPolygonStipple(stipple);
    all.insert(all.end(), stipple, stipple + 128);
    for (GLenum p = GL_VERTEX_ARRAY_POINTER; p <= GL_EDGE_FLAG_ARRAY_POINTER; p++) {
        void* q;
        glGetPointerv(p, &q);
        all.push_back((double)(uintptr_t)q);
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    return all;
}

struct Failing {
    const char* what;
    std::function<void()> call;
};

// A call that records an error leaves every queryable value as it was.
TEST_F(GlRules, AFailingCallChangesNothing) {
    glBindTexture(GL_TEXTURE_2D, 3);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);
    const GLfloat points[6] = {1, 2, 3, 4, 5, 6};
    glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 2, points);
    glFeedbackBuffer(8, GL_2D, floats);
    const Failing calls[] = {
        {"spot cutoff", [] { glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, -1); }},
        {"attenuation", [] { GLfloat v[4] = {-1}; glLightfv(GL_LIGHT1, GL_CONSTANT_ATTENUATION, v); }},
        {"light 8", [] { GLfloat v[4] = {1, 1, 1, 1}; glLightfv(GL_LIGHT0 + 8, GL_DIFFUSE, v); }},
        {"shininess", [] { glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 200); }},
        {"material name", [] { GLfloat v[4] = {1}; glMaterialfv(GL_FRONT, GL_SPOT_EXPONENT, v); }},
        {"fog density", [] { GLfloat v[4] = {-2}; glFogfv(GL_FOG_DENSITY, v); }},
        {"fog mode", [] { GLfloat v[4] = {1}; glFogfv(GL_FOG_MODE, v); }},
        {"texgen mode", [] { glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_LINEAR); }},
        {"texenv mode", [] { glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, 1.0f); }},
        {"texparameter", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_LINEAR); }},
        {"teximage size", [] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, image); }},
        {"teximage format", [] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_DEPTH_COMPONENT, GL_FLOAT, image); }},
        {"copyteximage size", [] { glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 3, 2, 0); }},
        {"bind to another target", [] { glBindTexture(GL_TEXTURE_1D, 3); }},
        {"map1 order", [] { glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 40, floats); }},
        {"map1 domain", [] { glMap1f(GL_MAP1_VERTEX_3, 1, 1, 3, 2, floats); }},
        {"map2 order", [] { glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 2, 0, 1, 6, 0, floats); }},
        {"mapgrid", [] { glMapGrid1f(-1, 0, 1); }},
        {"feedback buffer in feedback", [] {
             glRenderMode(GL_FEEDBACK);
             glFeedbackBuffer(2, GL_3D, floats);
             glRenderMode(GL_RENDER);
         }},
        {"viewport", [] { glViewport(1, 1, -1, 1); }},
        {"scissor", [] { glScissor(1, 1, 1, -1); }},
        {"line width", [] { glLineWidth(-2); }},
        {"point size", [] { glPointSize(0); }},
        {"stencil func", [] { glStencilFunc(GL_NEVER + 8, 1, 1); }},
        {"depth func", [] { glDepthFunc(GL_NEVER - 1); }},
        {"blend", [] { glBlendFunc(GL_ONE, GL_SRC_ALPHA_SATURATE); }},
        {"alpha func", [] { glAlphaFunc(GL_ALWAYS + 1, 0.5f); }},
        {"logic op", [] { glLogicOp(GL_COPY + 0x100); }},
        {"polygon mode", [] { glPolygonMode(GL_FRONT_AND_BACK, GL_POINT - 1); }},
        {"color material", [] { glColorMaterial(GL_FRONT, GL_POSITION); }},
        {"hint", [] { glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FOG); }},
        {"draw buffer", [] { glDrawBuffer(GL_BACK); }},
        {"read buffer", [] { glReadBuffer(GL_BACK_RIGHT); }},
        {"pixel store", [] { glPixelStorei(GL_PACK_ALIGNMENT, 0); }},
        {"pixel map size", [] { glPixelMapfv(GL_PIXEL_MAP_I_TO_G, 5, floats); }},
        {"pixel map empty", [] { glPixelMapfv(GL_PIXEL_MAP_B_TO_B, 0, floats); }},
        {"clip plane", [] { GLdouble e[4] = {1, 2, 3, 4}; glClipPlane(GL_CLIP_PLANE0 + 6, e); }},
        {"matrix mode", [] { glMatrixMode(GL_MODELVIEW + 3); }},
        {"frustum", [] { glFrustum(0, 1, 0, 1, -1, 1); }},
        {"pop matrix", [] { glPopMatrix(); }},
        {"pop attrib", [] { glPopAttrib(); }},
        {"enable", [] { glEnable(GL_FOG_MODE); }},
        {"vertex pointer", [] { glVertexPointer(2, GL_UNSIGNED_INT, 0, image); }},
        {"color pointer", [] { glColorPointer(5, GL_FLOAT, 0, image); }},
        {"interleaved", [] { glInterleavedArrays(GL_T4F_C4F_N3F_V4F, -4, image); }},
        {"new list", [] { glNewList(0, GL_COMPILE); }},
        {"render mode", [] { glRenderMode(GL_RENDER + 5); }},
        {"light in begin", [] { glBegin(GL_POINTS); glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 3); glEnd(); }},
        {"push attrib in begin", [] { glBegin(GL_POINTS); glPushAttrib(GL_ALL_ATTRIB_BITS); glEnd(); }},
        {"list base in begin", [] { glBegin(GL_POINTS); glListBase(4); glEnd(); }},
        {"texture in begin", [] {
             glBegin(GL_POINTS);
             glTexImage2D(GL_TEXTURE_2D, 0, 3, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, image);
             glEnd();
         }},
        {"client state in begin", [] { glBegin(GL_POINTS); glEnableClientState(GL_COLOR_ARRAY); glEnd(); }},
        {"matrix in begin", [] { GLfloat m[16] = {2}; glBegin(GL_POINTS); glMultMatrixf(m); glEnd(); }},
    };
    const std::vector<double> before = queryAll();
    for (const Failing& c : calls) {
        glGetError();
        c.call();
        EXPECT_NE(glGetError(), (GLenum)GL_NO_ERROR) << c.what;
        ASSERT_EQ(queryAll(), before) << c.what;
    }
}

// What each attribute group holds, by the state tables of OpenGL 1.1: a
// value inside the group comes back on pop, one outside it stays.
TEST_F(GlRules, AttributeGroupsHoldTheirTableEntries) {
    struct Member {
        const char* what;
        GLbitfield bit;
        std::function<void()> change;
        std::function<double()> read;
        bool restored;
    };
    const GLuint textureName = 5;
    glBindTexture(GL_TEXTURE_2D, textureName);
    const Member members[] = {
        {"stipple enable under the stipple bit", GL_POLYGON_STIPPLE_BIT, [] { glEnable(GL_POLYGON_STIPPLE); },
         [] { return (double)glIsEnabled(GL_POLYGON_STIPPLE); }, false},
        {"stipple enable under the polygon bit", GL_POLYGON_BIT, [] { glEnable(GL_POLYGON_STIPPLE); },
         [] { return (double)glIsEnabled(GL_POLYGON_STIPPLE); }, true},
        {"stipple pattern", GL_POLYGON_STIPPLE_BIT, [] { GLubyte m[128] = {1}; glPolygonStipple(m); },
         [] { GLubyte m[128]; glGetPolygonStipple(m); return (double)m[0]; }, true},
        {"client arrays not under the enable bit", GL_ENABLE_BIT, [] { glEnableClientState(GL_VERTEX_ARRAY); },
         [] { return (double)glIsEnabled(GL_VERTEX_ARRAY); }, false},
        {"bound object's filter", GL_TEXTURE_BIT,
         [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST); },
         [] { GLint v; glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v); return (double)v; }, true},
        {"binding", GL_TEXTURE_BIT, [] { glBindTexture(GL_TEXTURE_2D, 6); },
         [] { return (double)geti(GL_TEXTURE_BINDING_2D); }, true},
        {"another object's wrap", GL_TEXTURE_BIT,
         [] { glBindTexture(GL_TEXTURE_2D, 7); glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP); },
         [=] {
             glBindTexture(GL_TEXTURE_2D, 7);
             const GLint v = geti(GL_TEXTURE_BINDING_2D) == 7 ? [] { GLint w; glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &w); return w; }() : 0;
             glBindTexture(GL_TEXTURE_2D, textureName);
             return (double)v;
         },
         false},
        {"pixel maps not under the pixel bit", GL_PIXEL_MODE_BIT,
         [] { GLfloat m[2] = {0.25f, 0.75f}; glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 2, m); },
         [] { return (double)geti(GL_PIXEL_MAP_R_TO_R_SIZE); }, false},
        {"pixel store not under the pixel bit", GL_PIXEL_MODE_BIT, [] { glPixelStorei(GL_PACK_ALIGNMENT, 1); },
         [] { return (double)geti(GL_PACK_ALIGNMENT); }, false},
        {"map color", GL_PIXEL_MODE_BIT, [] { glPixelTransferi(GL_MAP_COLOR, 1); },
         [] { return (double)geti(GL_MAP_COLOR); }, true},
        {"matrices not under the transform bit", GL_TRANSFORM_BIT, [] { glTranslatef(1, 0, 0); },
         [] { GLfloat m[16]; glGetFloatv(GL_MODELVIEW_MATRIX, m); return (double)m[12]; }, false},
        {"evaluator maps not under the eval bit", GL_EVAL_BIT,
         [] { const GLfloat p[6] = {5, 5, 5, 6, 6, 6}; glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, 2, p); },
         [] { GLint o; glGetMapiv(GL_MAP1_VERTEX_3, GL_ORDER, &o); return (double)o; }, false},
        {"map enable", GL_EVAL_BIT, [] { glEnable(GL_MAP2_NORMAL); },
         [] { return (double)glIsEnabled(GL_MAP2_NORMAL); }, true},
        {"depth range under the viewport bit only", GL_DEPTH_BUFFER_BIT, [] { glDepthRange(0.25, 0.5); },
         [] { GLfloat r[2]; glGetFloatv(GL_DEPTH_RANGE, r); return (double)r[0]; }, false},
        {"depth range", GL_VIEWPORT_BIT, [] { glDepthRange(0.25, 0.5); },
         [] { GLfloat r[2]; glGetFloatv(GL_DEPTH_RANGE, r); return (double)r[0]; }, true},
        {"current colour not under the lighting bit", GL_LIGHTING_BIT, [] { glColor3f(0, 1, 0); },
         [] { GLfloat c[4]; glGetFloatv(GL_CURRENT_COLOR, c); return (double)c[0]; }, false},
        {"raster position", GL_CURRENT_BIT, [] { glRasterPos2i(3, 4); },
         [] { GLfloat p[4]; glGetFloatv(GL_CURRENT_RASTER_POSITION, p); return (double)p[0]; }, true},
        {"fog hint under the hint bit only", GL_FOG_BIT, [] { glHint(GL_FOG_HINT, GL_NICEST); },
         [] { return (double)geti(GL_FOG_HINT); }, false},
        {"list base", GL_LIST_BIT, [] { glListBase(9); }, [] { return (double)geti(GL_LIST_BASE); }, true},
        {"draw buffer", GL_COLOR_BUFFER_BIT, [] { glDrawBuffer(GL_NONE); },
         [] { return (double)geti(GL_DRAW_BUFFER); }, true},
        {"read buffer", GL_PIXEL_MODE_BIT, [] { glReadBuffer(GL_FRONT_LEFT); glReadBuffer(GL_FRONT); },
         [] { return (double)geti(GL_READ_BUFFER); }, true},
        {"scissor enable", GL_SCISSOR_BIT, [] { glEnable(GL_SCISSOR_TEST); },
         [] { return (double)glIsEnabled(GL_SCISSOR_TEST); }, true},
    };
    for (const Member& m : members) {
        const double before = m.read();
        glPushAttrib(m.bit);
        m.change();
        const double changed = m.read();
        glPopAttrib();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << m.what;
        EXPECT_EQ(m.read(), m.restored ? before : changed) << m.what;
        // Undo whatever stayed.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPopAttrib();
    }
}

// The enumerants of the advertised extensions are accepted by the queries.
TEST_F(GlRules, ExtensionEnumerantsAreQueryable) {
    const char* extensions = (const char*)glGetString(GL_EXTENSIONS);
    ASSERT_NE(extensions, nullptr);
    ASSERT_NE(strstr(extensions, "GL_EXT_shared_texture_palette"), nullptr);
    ASSERT_NE(strstr(extensions, "GL_EXT_paletted_texture"), nullptr);
    for (bool on : {true, false}) {
        if (on) glEnable(GL_SHARED_TEXTURE_PALETTE_EXT);
        else glDisable(GL_SHARED_TEXTURE_PALETTE_EXT);
        GLboolean b = 7;
        GLint i = 7;
        GLfloat f = 7;
        GLdouble d = 7;
        glGetBooleanv(GL_SHARED_TEXTURE_PALETTE_EXT, &b);
        glGetIntegerv(GL_SHARED_TEXTURE_PALETTE_EXT, &i);
        glGetFloatv(GL_SHARED_TEXTURE_PALETTE_EXT, &f);
        glGetDoublev(GL_SHARED_TEXTURE_PALETTE_EXT, &d);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        EXPECT_EQ(b, on);
        EXPECT_EQ(i, on);
        EXPECT_EQ(f, on);
        EXPECT_EQ(d, on);
        EXPECT_EQ(glIsEnabled(GL_SHARED_TEXTURE_PALETTE_EXT), on);
    }
    glPushAttrib(GL_ENABLE_BIT);
    glEnable(GL_SHARED_TEXTURE_PALETTE_EXT);
    glPopAttrib();
    EXPECT_EQ(geti(GL_SHARED_TEXTURE_PALETTE_EXT), 0);

    // The index size of a level: its stored indexes.
    const struct {
        GLint internal;
        GLenum format;
        GLint size;
    } levels[] = {
        {GL_COLOR_INDEX1_EXT, GL_COLOR_INDEX, 8}, {GL_COLOR_INDEX8_EXT, GL_COLOR_INDEX, 8},
        {GL_COLOR_INDEX12_EXT, GL_COLOR_INDEX, 16}, {GL_COLOR_INDEX16_EXT, GL_COLOR_INDEX, 16},
        {GL_RGBA, GL_RGBA, 0}, {GL_LUMINANCE, GL_LUMINANCE, 0},
    };
    for (const auto& l : levels) {
        for (GLenum target : {GL_TEXTURE_2D, GL_PROXY_TEXTURE_2D}) {
            glTexImage2D(target, 0, l.internal, 2, 2, 0, l.format, GL_UNSIGNED_BYTE, target == GL_TEXTURE_2D ? image : nullptr);
            GLint iv = -1;
            GLfloat fv = -1;
            glGetTexLevelParameteriv(target, 0, GL_TEXTURE_INDEX_SIZE_EXT, &iv);
            glGetTexLevelParameterfv(target, 0, GL_TEXTURE_INDEX_SIZE_EXT, &fv);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << std::hex << l.internal;
            EXPECT_EQ(iv, l.size) << std::hex << l.internal << " " << target;
            EXPECT_EQ(fv, l.size) << std::hex << l.internal << " " << target;
        }
    }
    GLint empty = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_1D, 0, GL_TEXTURE_INDEX_SIZE_EXT, &empty);
    EXPECT_EQ(empty, 0);
}

// glCallLists: every element type with the list base; lists record their
// number through glPassThrough into feedback.
TEST_F(GlRules, CallListsReadsEveryTypeWithTheBase) {
    const GLuint base = 1000;
    for (GLuint n = 0; n < 8; n++) {
        glNewList(base + n, GL_COMPILE);
        glPassThrough((GLfloat)n);
        glEndList();
    }
    GLfloat fb[64];
    glFeedbackBuffer(64, GL_2D, fb);
    const struct {
        GLenum type;
        std::vector<uint8_t> data;
        std::vector<int> lists;  // relative to the base; outside 0..7 calls nothing
    } cases[] = {
        {GL_BYTE, {1, 2, 0xFF}, {1, 2, -1}},
        {GL_UNSIGNED_BYTE, {1, 2, 7}, {1, 2, 7}},
        {GL_SHORT, {1, 0, 3, 0, 0xFF, 0xFF}, {1, 3, -1}},
        {GL_UNSIGNED_SHORT, {4, 0}, {4}},
        {GL_INT, {5, 0, 0, 0}, {5}},
        {GL_UNSIGNED_INT, {6, 0, 0, 0}, {6}},
        {GL_FLOAT, {0x33, 0x33, 0xF3, 0x40}, {7}},  // 7.6 truncated
        {GL_2_BYTES, {0, 3, 0, 5}, {3, 5}},
        {GL_3_BYTES, {0, 0, 2}, {2}},
        {GL_4_BYTES, {0, 0, 0, 6, 0, 0, 1, 0}, {6, 256}},
    };
    const GLsizei sizes[] = {1, 1, 2, 2, 4, 4, 4, 2, 3, 4};
    glListBase(base);
    for (size_t k = 0; k < sizeof cases / sizeof cases[0]; k++) {
        const auto& c = cases[k];
        glRenderMode(GL_FEEDBACK);
        glCallLists((GLsizei)(c.data.size() / sizes[k]), c.type, c.data.data());
        const GLint values = glRenderMode(GL_RENDER);
        std::vector<int> seen, want;
        for (GLint i = 0; i + 1 < values; i += 2) {
            EXPECT_EQ(fb[i], GL_PASS_THROUGH_TOKEN);
            seen.push_back((int)fb[i + 1]);
        }
        for (int n : c.lists)
            if (n >= 0 && n < 8) want.push_back(n);
        EXPECT_EQ(seen, want) << std::hex << c.type;
    }
    glListBase(0);
    EXPECT_TRUE(glIsList(base));
    const GLuint reserved = glGenLists(3);
    EXPECT_TRUE(glIsList(reserved) && glIsList(reserved + 2)) << "names given by glGenLists are used";
    glDeleteLists(reserved, 3);
    EXPECT_FALSE(glIsList(reserved));
}

// glRenderMode answers what the mode left produced: values written, hits,
// or -1 after an overflow; a buffer filled exactly has not overflowed.
TEST_F(GlRules, RenderModeCountsAndOverflow) {
    GLfloat fb[64];
    const struct {
        GLenum type;
        int perVertex;
    } types[] = {{GL_2D, 2}, {GL_3D, 3}, {GL_3D_COLOR, 7}, {GL_3D_COLOR_TEXTURE, 11}, {GL_4D_COLOR_TEXTURE, 12}};
    auto drawFeedback = [] {
        glBegin(GL_POINTS);
        glVertex2f(1, 1);
        glEnd();
        glBegin(GL_LINES);
        glVertex2f(1, 1);
        glVertex2f(2, 2);
        glEnd();
        glPassThrough(9);
    };
    for (const auto& t : types) {
        const GLint values = 1 + t.perVertex + 1 + 2 * t.perVertex + 2;
        for (GLint size : {values + 1, values, values - 1}) {
            glFeedbackBuffer(size, t.type, fb);
            glRenderMode(GL_FEEDBACK);
            drawFeedback();
            EXPECT_EQ(glRenderMode(GL_RENDER), size < values ? -1 : values) << t.type << " size " << size;
        }
        EXPECT_EQ(geti(GL_FEEDBACK_BUFFER_TYPE), (GLint)t.type);
    }
    // Hits: one record of 3 + names words per change of the name stack after a hit.
    GLuint sb[16];
    auto drawSelect = [] {
        glInitNames();
        glPushName(1);
        glBegin(GL_POINTS);
        glVertex2f(1, 1);
        glEnd();
        glPushName(2);  // hit {1}
        glBegin(GL_POINTS);
        glVertex2f(1, 1);
        glEnd();
        glLoadName(3);  // hit {1, 2}
        glLoadName(4);  // no hit between: nothing
    };
    for (GLint size : {10, 9, 8, 3, 0}) {
        glSelectBuffer(size, sb);
        glRenderMode(GL_SELECT);
        drawSelect();
        EXPECT_EQ(glRenderMode(GL_RENDER), size >= 9 ? 2 : -1) << "size " << size;
    }
    EXPECT_EQ(sb[0], 1u);
    // Mode changes answer what the previous mode produced.
    glSelectBuffer(16, sb);
    glRenderMode(GL_SELECT);
    drawSelect();
    EXPECT_EQ(glRenderMode(GL_SELECT), 2);
    EXPECT_EQ(glRenderMode(GL_FEEDBACK), 0);
    EXPECT_EQ(glRenderMode(GL_FEEDBACK), 0);
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
    // The name stack's limit and errors, in selection only.
    glRenderMode(GL_SELECT);
    glInitNames();
    glPopName();
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_UNDERFLOW);
    glLoadName(1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    const GLint max = geti(GL_MAX_NAME_STACK_DEPTH);
    for (GLint i = 0; i < max; i++) glPushName((GLuint)i);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glPushName(0);
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_OVERFLOW);
    EXPECT_EQ(geti(GL_NAME_STACK_DEPTH), max);
    glRenderMode(GL_RENDER);
}

// Each matrix stack holds its maximum depth; one more push or one pop too
// many records the stack error and changes nothing.
TEST_F(GlRules, MatrixStacksHoldTheirDepth) {
    const struct {
        GLenum mode, matrix, depth, max;
    } stacks[] = {
        {GL_MODELVIEW, GL_MODELVIEW_MATRIX, GL_MODELVIEW_STACK_DEPTH, GL_MAX_MODELVIEW_STACK_DEPTH},
        {GL_PROJECTION, GL_PROJECTION_MATRIX, GL_PROJECTION_STACK_DEPTH, GL_MAX_PROJECTION_STACK_DEPTH},
        {GL_TEXTURE, GL_TEXTURE_MATRIX, GL_TEXTURE_STACK_DEPTH, GL_MAX_TEXTURE_STACK_DEPTH},
    };
    for (const auto& s : stacks) {
        glMatrixMode(s.mode);
        glLoadIdentity();
        const GLint max = geti(s.max);
        EXPECT_GE(max, 2);
        for (GLint i = 1; i < max; i++) glPushMatrix(), glTranslatef(1, 0, 0);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        EXPECT_EQ(geti(s.depth), max);
        glPushMatrix();
        EXPECT_EQ(glGetError(), (GLenum)GL_STACK_OVERFLOW);
        GLfloat m[16];
        glGetFloatv(s.matrix, m);
        EXPECT_EQ(m[12], max - 1);
        for (GLint i = 1; i < max; i++) glPopMatrix();
        glPopMatrix();
        EXPECT_EQ(glGetError(), (GLenum)GL_STACK_UNDERFLOW);
        EXPECT_EQ(geti(s.depth), 1);
        glGetFloatv(s.matrix, m);
        EXPECT_EQ(m[12], 0);
    }
    glMatrixMode(GL_MODELVIEW);
}

// glGetIntegerv answers GL_DRAW_BUFFER and GL_READ_BUFFER as the program gave
// them, while drawing and reading use the buffers they name.
TEST(GlRulesContexts, BuffersAreReportedAsGiven) {
    GltestWindowContext w("glrules-buffers", 8, 8, 16, 16);
    glDisable(GL_DITHER);
    const struct {
        GLenum draw, read;
        bool backDrawn;
    } cases[] = {
        {GL_BACK_LEFT, GL_BACK_LEFT, true}, {GL_LEFT, GL_BACK, true}, {GL_FRONT_AND_BACK, GL_LEFT, true},
        {GL_FRONT_LEFT, GL_BACK, false},    {GL_NONE, GL_BACK, false}, {GL_BACK, GL_FRONT_LEFT, true},
    };
    for (const auto& c : cases) {
        glDrawBuffer(GL_BACK);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawBuffer(c.draw);
        glReadBuffer(c.read);
        EXPECT_EQ(geti(GL_DRAW_BUFFER), (GLint)c.draw);
        EXPECT_EQ(geti(GL_READ_BUFFER), (GLint)c.read);
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_PIXEL_MODE_BIT);
        glDrawBuffer(GL_FRONT);
        glReadBuffer(GL_FRONT);
        glPopAttrib();
        EXPECT_EQ(geti(GL_DRAW_BUFFER), (GLint)c.draw);
        EXPECT_EQ(geti(GL_READ_BUFFER), (GLint)c.read);
        glClearColor(1, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glReadBuffer(GL_BACK);
        GLubyte px[4] = {};
        glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        EXPECT_EQ(px[0], c.backDrawn ? 255 : 0) << std::hex << c.draw;
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// A list being compiled stays with its context while another context is
// current, and its compiling goes on when the context is current again.
TEST(GlRulesContexts, CompilingFollowsTheContextAcrossMakeCurrent) {
    GltestDibContext a(8, 8), b(8, 8);
    auto width = [] {
        GLfloat w = -1;
        glGetFloatv(GL_LINE_WIDTH, &w);
        return w;
    };
    ASSERT_TRUE(wglMakeCurrent(a.dib.dc, a.rc));
    glNewList(1, GL_COMPILE);
    glLineWidth(2);
    ASSERT_TRUE(wglMakeCurrent(b.dib.dc, b.rc));
    glLineWidth(3);
    EXPECT_EQ(width(), 3) << "the other context executes";
    EXPECT_EQ(geti(GL_LIST_INDEX), 0);
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    ASSERT_TRUE(wglMakeCurrent(a.dib.dc, a.rc));
    EXPECT_EQ(geti(GL_LIST_INDEX), 1);
    glLineWidth(5);
    EXPECT_EQ(width(), 1) << "still compiling";
    glEndList();
    glCallList(1);
    EXPECT_EQ(width(), 5);
    // A context deleted while it compiles takes its unfinished list along.
    ASSERT_TRUE(wglMakeCurrent(b.dib.dc, b.rc));
    glNewList(2, GL_COMPILE);
    EXPECT_TRUE(wglDeleteContext(b.rc));
    b.rc = nullptr;
    glLineWidth(4);  // no context: nothing
    ASSERT_TRUE(wglMakeCurrent(a.dib.dc, a.rc));
    EXPECT_FALSE(glIsList(2));
    glLineWidth(6);
    EXPECT_EQ(width(), 6);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace
