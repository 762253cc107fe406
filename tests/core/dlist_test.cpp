// Display lists through the public API: compile against immediate execution,
// glCallList(s), nesting, names, image records, sharing and allocation failure.
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <vector>
#include "core/dlist.h"
#include "core/names.h"
#include "glfixture.h"
#include "wgl/wgl.h"

namespace {

// ---- state dump

const GLenum dumpedValues[] = {
    GL_POINT_SIZE, GL_LINE_WIDTH, GL_LINE_STIPPLE_PATTERN, GL_LINE_STIPPLE_REPEAT, GL_LIST_BASE, GL_POLYGON_MODE,
    GL_CULL_FACE_MODE, GL_FRONT_FACE, GL_LIGHT_MODEL_LOCAL_VIEWER, GL_LIGHT_MODEL_TWO_SIDE, GL_LIGHT_MODEL_AMBIENT,
    GL_SHADE_MODEL, GL_COLOR_MATERIAL_FACE, GL_COLOR_MATERIAL_PARAMETER, GL_FOG_INDEX, GL_FOG_DENSITY, GL_FOG_START,
    GL_FOG_END, GL_FOG_MODE, GL_FOG_COLOR, GL_DEPTH_WRITEMASK, GL_DEPTH_CLEAR_VALUE, GL_DEPTH_FUNC,
    GL_ACCUM_CLEAR_VALUE, GL_STENCIL_CLEAR_VALUE, GL_STENCIL_FUNC, GL_STENCIL_VALUE_MASK, GL_STENCIL_FAIL,
    GL_STENCIL_PASS_DEPTH_FAIL, GL_STENCIL_PASS_DEPTH_PASS, GL_STENCIL_REF, GL_STENCIL_WRITEMASK, GL_VIEWPORT,
    GL_ATTRIB_STACK_DEPTH, GL_ALPHA_TEST_FUNC, GL_ALPHA_TEST_REF, GL_BLEND_DST, GL_BLEND_SRC, GL_LOGIC_OP_MODE,
    GL_DRAW_BUFFER, GL_SCISSOR_BOX, GL_INDEX_CLEAR_VALUE, GL_INDEX_WRITEMASK, GL_COLOR_CLEAR_VALUE,
    GL_COLOR_WRITEMASK, GL_PERSPECTIVE_CORRECTION_HINT, GL_POINT_SMOOTH_HINT, GL_LINE_SMOOTH_HINT,
    GL_POLYGON_SMOOTH_HINT, GL_FOG_HINT, GL_POLYGON_OFFSET_UNITS, GL_POLYGON_OFFSET_FACTOR,
    GL_INDEX_TEST_FUNC_QTA, GL_INDEX_TEST_REF_QTA, GL_INDEX_MATERIAL_PARAMETER_QTA, GL_INDEX_MATERIAL_FACE_QTA,
};
const GLenum dumpedCaps[] = {GL_ALPHA_TEST, GL_BLEND,        GL_DEPTH_TEST,   GL_FOG,          GL_LIGHTING,
                             GL_LIGHT0,     GL_LIGHT3,       GL_COLOR_MATERIAL, GL_CULL_FACE,  GL_LINE_STIPPLE,
                             GL_NORMALIZE,  GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_POLYGON_STIPPLE, GL_DITHER};
const GLenum materialParams[] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION, GL_SHININESS, GL_COLOR_INDEXES};
const GLenum lightParams[] = {GL_AMBIENT,        GL_DIFFUSE,       GL_SPECULAR,
                              GL_POSITION,       GL_SPOT_DIRECTION, GL_SPOT_EXPONENT,
                              GL_SPOT_CUTOFF,    GL_CONSTANT_ATTENUATION, GL_QUADRATIC_ATTENUATION};

std::vector<float> dumpState() {
    std::vector<float> out;
    float v[16];
    for (GLenum p : dumpedValues) {
        memset(v, 0, sizeof v);
        glGetFloatv(p, v);
        out.insert(out.end(), v, v + 16);
    }
    for (GLenum c : dumpedCaps) out.push_back(glIsEnabled(c));
    for (GLenum face : {GL_FRONT, GL_BACK})
        for (GLenum p : materialParams) {
            memset(v, 0, sizeof v);
            glGetMaterialfv(face, p, v);
            out.insert(out.end(), v, v + 4);
        }
    for (GLenum light : {GL_LIGHT0, GL_LIGHT2})
        for (GLenum p : lightParams) {
            memset(v, 0, sizeof v);
            glGetLightfv(light, p, v);
            out.insert(out.end(), v, v + 4);
        }
    GLubyte stipple[128];
    glGetPolygonStipple(stipple);
    for (GLubyte b : stipple) out.push_back(b);
    while (glGetError() != GL_NO_ERROR) {
    }
    return out;
}

std::vector<GLenum> takeErrors() {
    std::vector<GLenum> e;
    for (GLenum x; (x = glGetError()) != GL_NO_ERROR;) e.push_back(x);
    return e;
}

struct ListTest : GltestContextTest {
    void TearDown() override {
        gltestFailAllocationAfter(-1);
        GltestContextTest::TearDown();
    }
    GlCompiledList* block(GLuint name) {
        GlNameObject* o = __glNameLookup(gc, gc->lists.table, name);
        __glNameRelease(gc, o);
        return (GlCompiledList*)o;
    }
};

// ---- compile against immediate

struct SetterCase {
    const char* what;
    std::function<void()> call;
};

const GLubyte* stipplePattern() {
    static GLubyte p[40 * 8];
    for (int i = 0; i < (int)sizeof p; i++) p[i] = (GLubyte)(i * 37 + 11);
    return p;
}

const std::vector<SetterCase>& setterCases() {
    static const GLfloat color[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    static const GLint icolor[4] = {0x40000000, -0x20000000, 0x7FFFFFFF, 12345};
    static const GLfloat pos[4] = {1, 2, 3, 0};
    static const GLfloat idx[3] = {3, 7, 11};
    static const GLint iidx[3] = {4, 8, 12};
    static const std::vector<SetterCase> cases = {
        {"AlphaFunc", [] { glAlphaFunc(GL_GEQUAL, 0.3f); }},
        {"AlphaFunc bad", [] { glAlphaFunc(0x1234, 0.3f); }},
        {"BlendFunc", [] { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }},
        {"LogicOp", [] { glLogicOp(GL_XOR); }},
        {"ClearColor", [] { glClearColor(0.1f, 0.2f, 1.5f, -1.0f); }},
        {"ClearIndex", [] { glClearIndex(5.5f); }},
        {"ClearDepth", [] { glClearDepth(0.25); }},
        {"ClearAccum", [] { glClearAccum(-2.0f, 0.5f, 0.25f, 1.0f); }},
        {"ClearStencil", [] { glClearStencil(3); }},
        {"ColorMask", [] { glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_FALSE); }},
        {"IndexMask", [] { glIndexMask(0xF0F0); }},
        {"DepthFunc", [] { glDepthFunc(GL_GREATER); }},
        {"DepthMask", [] { glDepthMask(GL_FALSE); }},
        {"StencilFunc", [] { glStencilFunc(GL_EQUAL, 1, 0xFF); }},
        {"StencilMask", [] { glStencilMask(0x0F); }},
        {"StencilOp", [] { glStencilOp(GL_INCR, GL_DECR, GL_INVERT); }},
        {"IndexFuncQTA", [] { glIndexFuncQTA(GL_LESS, 2.0f); }},
        {"DrawBuffer", [] { glDrawBuffer(GL_FRONT); }},
        {"DrawBuffer bad", [] { glDrawBuffer(GL_AUX2); }},
        {"CullFace", [] { glCullFace(GL_FRONT_AND_BACK); }},
        {"FrontFace", [] { glFrontFace(GL_CW); }},
        {"PolygonMode", [] { glPolygonMode(GL_BACK, GL_LINE); }},
        {"PolygonOffset", [] { glPolygonOffset(1.5f, -2.0f); }},
        {"ShadeModel", [] { glShadeModel(GL_FLAT); }},
        {"LineWidth", [] { glLineWidth(2.5f); }},
        {"LineWidth bad", [] { glLineWidth(-1.0f); }},
        {"LineStipple", [] { glLineStipple(3, 0xABCD); }},
        {"PointSize", [] { glPointSize(4.0f); }},
        {"Hint", [] { glHint(GL_FOG_HINT, GL_NICEST); }},
        {"Fogf", [] { glFogf(GL_FOG_DENSITY, 0.5f); }},
        {"Fogi", [] { glFogi(GL_FOG_MODE, GL_LINEAR); }},
        {"Fogfv colour", [] { glFogfv(GL_FOG_COLOR, color); }},
        {"Fogiv colour", [] { glFogiv(GL_FOG_COLOR, icolor); }},
        {"Fogfv bad pname", [] { glFogfv(0x1234, color); }},
        {"Fogf vector pname", [] { glFogf(GL_FOG_COLOR, 1.0f); }},
        {"Lightfv position", [] { glLightfv(GL_LIGHT2, GL_POSITION, pos); }},
        {"Lightiv ambient", [] { glLightiv(GL_LIGHT0, GL_AMBIENT, icolor); }},
        {"Lightf", [] { glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 2.0f); }},
        {"Lighti", [] { glLighti(GL_LIGHT2, GL_SPOT_CUTOFF, 45); }},
        {"Lightf vector pname", [] { glLightf(GL_LIGHT0, GL_POSITION, 1.0f); }},
        {"Lightf bad value", [] { glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 200.0f); }},
        {"Lightfv bad light", [] { glLightfv(GL_LIGHT0 + 9, GL_AMBIENT, color); }},
        {"LightModelfv", [] { glLightModelfv(GL_LIGHT_MODEL_AMBIENT, color); }},
        {"LightModeli", [] { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }},
        {"Materialfv", [] { glMaterialfv(GL_FRONT, GL_SPECULAR, color); }},
        {"Materialiv colours", [] { glMaterialiv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, icolor); }},
        {"Materialiv emission", [] { glMaterialiv(GL_BACK, GL_EMISSION, icolor); }},
        {"Materialfv indexes", [] { glMaterialfv(GL_FRONT, GL_COLOR_INDEXES, idx); }},
        {"Materialiv indexes", [] { glMaterialiv(GL_BACK, GL_COLOR_INDEXES, iidx); }},
        {"Materialf", [] { glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 10.0f); }},
        {"Materialf bad value", [] { glMaterialf(GL_FRONT, GL_SHININESS, 200.0f); }},
        {"Materialf vector pname", [] { glMaterialf(GL_FRONT, GL_AMBIENT, 1.0f); }},
        {"Material run",
         [] {
             glMaterialf(GL_FRONT, GL_SHININESS, 10.0f);
             glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, color);
             glMaterialfv(GL_FRONT, GL_DIFFUSE, pos);
             glMateriali(GL_BACK, GL_SHININESS, 7);
         }},
        {"Material run with colour material",
         [] {
             glColorMaterial(GL_FRONT, GL_DIFFUSE);
             glEnable(GL_COLOR_MATERIAL);
             glMaterialfv(GL_FRONT, GL_DIFFUSE, color);
             glMaterialfv(GL_FRONT, GL_AMBIENT, pos);
         }},
        {"ColorMaterial", [] { glColorMaterial(GL_BACK, GL_EMISSION); }},
        {"IndexMaterialQTA", [] { glIndexMaterialQTA(GL_FRONT, GL_INDEX_OFFSET); }},
        {"Enable", [] { glEnable(GL_FOG), glEnable(GL_LIGHT3), glDisable(GL_DITHER); }},
        {"Enable bad", [] { glEnable(0x1234); }},
        {"Push and pop",
         [] {
             glPushAttrib(GL_LINE_BIT);
             glLineWidth(3.0f);
             glPushAttrib(GL_FOG_BIT);
             glFogf(GL_FOG_START, 2.0f);
             glPopAttrib();
         }},
        {"PolygonStipple",
         [] {
             glPixelStorei(GL_UNPACK_LSB_FIRST, 1);
             glPixelStorei(GL_UNPACK_ROW_LENGTH, 40);
             glPixelStorei(GL_UNPACK_SKIP_PIXELS, 3);
             glPolygonStipple(stipplePattern());
         }},
        {"Scissor", [] { glScissor(1, 2, 30, 40); }},
        {"Viewport", [] { glViewport(3, 4, 20, 10); }},
        {"ListBase", [] { glListBase(77); }},
        {"CallList 0", [] { glCallList(0); }},
        {"CallLists negative", [] { glCallLists(-1, GL_BYTE, nullptr); }},
        {"CallLists bad type", [] { glCallLists(0, GL_DOUBLE, nullptr); }},
    };
    return cases;
}

TEST_F(ListTest, CompiledSettersMatchImmediateCalls) {
    gltestDestroyCurrent(gc);
    gc = nullptr;
    for (const SetterCase& c : setterCases()) {
        // Immediate.
        GlContext* a = gltestCreateCurrent(true);
        glGetError();
        const std::vector<float> initial = dumpState();
        c.call();
        const std::vector<GLenum> errors = takeErrors();
        const std::vector<float> immediate = dumpState();
        gltestDestroyCurrent(a);

        for (GLenum mode : {GL_COMPILE, GL_COMPILE_AND_EXECUTE}) {
            GlContext* b = gltestCreateCurrent(true);
            glGetError();
            glNewList(1, mode);
            c.call();
            const std::vector<GLenum> compileErrors = takeErrors();
            glEndList();
            // Replay does not depend on the unpack state of the moment.
            glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
            if (mode == GL_COMPILE) {
                EXPECT_TRUE(compileErrors.empty()) << c.what;
                EXPECT_EQ(dumpState(), initial) << c.what << ": GL_COMPILE changes nothing";
            } else {
                EXPECT_EQ(compileErrors, errors) << c.what << ": errors raised at once";
                EXPECT_EQ(dumpState(), immediate) << c.what << ": GL_COMPILE_AND_EXECUTE acts at once";
            }
            if (mode == GL_COMPILE) {
                glCallList(1);
                EXPECT_EQ(takeErrors(), errors) << c.what << ": errors raised when run";
                EXPECT_EQ(dumpState(), immediate) << c.what << ": replayed";
            }
            glCallList(1);
            EXPECT_EQ(takeErrors(), errors) << c.what << ": errors raised on every run";
            gltestDestroyCurrent(b);
        }
        if (HasFailure()) break;
    }
    gc = gltestCreateCurrent(true);
}

// ---- records and block layout

TEST_F(ListTest, BlockLayoutOfVectorRecords) {
    glNewList(1, GL_COMPILE);
    glColor3b(1, 2, 3);
    glColor3f(0.5f, 0.25f, 1.0f);
    glColor3d(0.5, 0.25, 1.0);
    glEndList();
    GlCompiledList* b = block(1);
    ASSERT_NE(b, nullptr);
    const uint8_t* d = b->data;
    auto proc = [&](int offset) {
        GlListPlayProc p;
        memcpy(&p, d + offset, 4);
        return p;
    };
    EXPECT_EQ(proc(0), gc->lists.playbackTable[5]);
    EXPECT_EQ(std::vector<uint8_t>(d + 4, d + 8), (std::vector<uint8_t>{1, 2, 3, 0})) << "3 bytes and a pad byte";
    EXPECT_EQ(proc(8), gc->lists.playbackTable[7]);
    EXPECT_EQ(proc(24), __glOpPad);
    EXPECT_EQ(proc(28), gc->lists.playbackTable[6]);
    double third;
    memcpy(&third, d + 32 + 16, 8);
    EXPECT_EQ(third, 1.0);
    EXPECT_EQ(proc(56), __glOpChainEnd);
}

TEST_F(ListTest, MaterialRunBecomesOneBlock) {
    const GLfloat d[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    const GLint idx[3] = {1, 2, 3};
    glNewList(1, GL_COMPILE);
    glMaterialf(GL_FRONT, GL_SHININESS, 10.0f);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, d);
    glMaterialiv(GL_BACK, GL_COLOR_INDEXES, idx);
    glEndList();
    const GlCompiledList* b = block(1);
    ASSERT_NE(b, nullptr);
    auto f = [](float x) {
        uint32_t u;
        memcpy(&u, &x, 4);
        return u;
    };
    const std::vector<uint32_t> want = {GL_FRONT, 0x12,    f(0.1f), f(0.2f), f(0.3f), f(0.4f), f(10.0f),
                                        GL_BACK,  0x22,    f(0.1f), f(0.2f), f(0.3f), f(0.4f), f(1.0f),
                                        f(3.0f),  f(2.0f), 0};
    // The procedure word and the block's words (the block ends after the chain's end word).
    std::vector<uint32_t> w(1 + want.size());
    memcpy(w.data(), b->data, w.size() * 4);
    EXPECT_EQ(w[0], (uint32_t)(uintptr_t)gc->lists.extendedTable[GL_OP_MATERIAL_BLOCK - 1000]);
    EXPECT_EQ(std::vector<uint32_t>(w.begin() + 1, w.begin() + 1 + want.size()), want)
        << "groups: front (diffuse, shininess), back (diffuse, indexes ambient, specular, diffuse)";
    GlListPlayProc end;
    memcpy(&end, b->data + 4 + want.size() * 4, 4);
    EXPECT_EQ(end, __glOpChainEnd);
}

TEST_F(ListTest, ActAtOnceCallsAreNotRecorded) {
    glNewList(1, GL_COMPILE);
    const GLuint names = glGenLists(2);
    EXPECT_NE(names, 0u);
    EXPECT_TRUE(glIsList(names + 1));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    GLint v = 0;
    glGetIntegerv(GL_LIST_INDEX, &v);
    EXPECT_EQ(v, 1);
    GLfloat fb[4];
    glFeedbackBuffer(4, GL_2D, fb);
    glEnable(GL_VERTEX_ARRAY);
    glEnable(GL_EDGE_FLAG_ARRAY);
    glDisable(GL_EDGE_FLAG_ARRAY);
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glEndList();
    EXPECT_EQ(gc->arrays.enabledArrays & 0x30u, 0x20u) << "vertex-array caps act on the client state";
    EXPECT_EQ(gc->arrays.enabledFields & 0x080000FFu, 0xFFu);
    const GlCompiledList* b = block(1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->data, nullptr) << "an empty list";
    EXPECT_EQ(b->count, 0);
    glCallList(1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// ---- running lists through the thread's table

std::vector<GLfloat> tokens;
void GLIMM recordToken(GLfloat t) { tokens.push_back(t); }

struct PlaybackTest : ListTest {
    GlEntryProc savedPassThrough = nullptr;
    void SetUp() override {
        ListTest::SetUp();
        tokens.clear();
    }
    // Lists that replay through the thread's table report their tokens here.
    void hookPassThrough() {
        GlEntryProc* e = &__glThreadState()->dispatch.entry[GL_SLOT_PassThrough - GL_FIRST_SLOT];
        savedPassThrough = *e;
        *e = (GlEntryProc)recordToken;
    }
    void unhook() { __glThreadState()->dispatch.entry[GL_SLOT_PassThrough - GL_FIRST_SLOT] = savedPassThrough; }
    void tokenList(GLuint name, GLfloat token) {
        glNewList(name, GL_COMPILE);
        glPassThrough(token);
        glEndList();
    }
};

struct CallListsCase {
    GLenum type;
    std::vector<uint8_t> data;
    GLuint base;
    std::vector<GLfloat> want;
};

std::vector<uint8_t> bytesOf(const void* p, size_t n) {
    return std::vector<uint8_t>((const uint8_t*)p, (const uint8_t*)p + n);
}

TEST_F(PlaybackTest, CallListsDecodesEveryType) {
    const int8_t b[] = {1, -7, 3};
    const int16_t s[] = {1, -7, 3};
    const uint16_t us[] = {1, 13, 3};
    const int32_t i[] = {1, -7, 3};
    const GLfloat f[] = {1.0f, 2.7f, 13.9f};
    const GLfloat fb[] = {2.7f, -8.5f};
    const std::vector<CallListsCase> cases = {
        {GL_BYTE, bytesOf(b, 3), 0, {1, 3}},
        {GL_BYTE, bytesOf(b, 3), 10, {11, 3, 13}},
        {GL_UNSIGNED_BYTE, {1, 13, 3}, 0, {1, 13, 3}},
        {GL_UNSIGNED_BYTE, {12, 14, 3}, 0xFFFFFFFFu, {11, 13, 2}},
        {GL_SHORT, bytesOf(s, 6), 10, {11, 3, 13}},
        {GL_UNSIGNED_SHORT, bytesOf(us, 6), 0, {1, 13, 3}},
        {GL_INT, bytesOf(i, 12), 10, {11, 3, 13}},
        {GL_UNSIGNED_INT, bytesOf(i, 12), 0, {1, 3}},
        {GL_FLOAT, bytesOf(f, 12), 0, {1, 2, 13}},
        {GL_FLOAT, bytesOf(fb, 8), 10, {12, 1}},
        {GL_2_BYTES, {0, 1, 0, 13, 1, 3}, 0, {1, 13}},
        {GL_3_BYTES, {0, 0, 2, 0, 0, 11, 0, 1, 0}, 0, {2, 11}},
        {GL_4_BYTES, {0, 0, 0, 12, 0, 0, 0, 3, 0, 1, 0, 0}, 0, {12, 3}},
    };
    for (GLuint n : {1u, 2u, 3u, 11u, 12u, 13u}) tokenList(n, (GLfloat)n);
    hookPassThrough();
    for (const CallListsCase& c : cases) {
        tokens.clear();
        glListBase(c.base);
        const GLsizei n = (GLsizei)(c.data.size() / __glCallListsTypeSize(c.type));
        glCallLists(n, c.type, c.data.data());
        EXPECT_EQ(tokens, c.want) << "type 0x" << std::hex << c.type << " base " << std::dec << c.base;
        // The same call recorded in a list decodes the same names.
        tokens.clear();
        unhook();
        glNewList(50, GL_COMPILE);
        glCallLists(n, c.type, c.data.data());
        glEndList();
        hookPassThrough();
        glCallList(50);
        EXPECT_EQ(tokens, c.want) << "recorded, type 0x" << std::hex << c.type;
    }
    unhook();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(PlaybackTest, CallListsRunsBatchesOf256) {
    tokenList(1, 1);
    tokenList(101, 101);
    glNewList(20, GL_COMPILE);
    glListBase(100);
    glEndList();
    GLint base = -1;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 0) << "glListBase inside a list acts only when run";
    std::vector<GLubyte> names(600, 1);
    names[0] = 20;
    hookPassThrough();
    glCallLists(600, GL_UNSIGNED_BYTE, names.data());
    unhook();
    // The base set by the first list applies from the second batch on.
    ASSERT_EQ(tokens.size(), 255u + 344u);
    EXPECT_EQ(tokens[254], 1.0f);
    EXPECT_EQ(tokens[255], 101.0f);
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 100);
}

TEST_F(PlaybackTest, NestingStopsAt64) {
    glNewList(1, GL_COMPILE);
    glPassThrough(1);
    glCallList(1);
    glPassThrough(2);  // runs as each level unwinds
    glEndList();
    hookPassThrough();
    for (int round = 0; round < 2; round++) {
        tokens.clear();
        glCallList(1);
        EXPECT_EQ(std::count(tokens.begin(), tokens.end(), 1.0f), 64) << "round " << round;
        EXPECT_EQ(std::count(tokens.begin(), tokens.end(), 2.0f), 64) << "round " << round;
        EXPECT_EQ(gc->lists.nesting, 0);
    }
    unhook();
    // A cut-off reached while compiling and executing leaves the depth at 0.
    glNewList(2, GL_COMPILE_AND_EXECUTE);
    glCallList(1);
    EXPECT_EQ(gc->lists.nesting, 0);
    glEndList();
    hookPassThrough();
    tokens.clear();
    glCallList(2);
    EXPECT_EQ(tokens.size(), 126u) << "list 1 runs 63 levels below list 2";
    unhook();
}

TEST_F(PlaybackTest, CompileAndExecuteCallsThePreviousListOfItsName) {
    tokenList(1, 10);
    hookPassThrough();
    glNewList(1, GL_COMPILE_AND_EXECUTE);  // the saved table carries the hook
    glPassThrough(20);
    glCallList(1);
    glEndList();
    EXPECT_EQ(tokens, (std::vector<GLfloat>{20, 10}));
    tokens.clear();
    glCallList(1);  // now calls itself
    EXPECT_EQ(tokens.size(), 64u);
    EXPECT_EQ(tokens[0], 20.0f);
    unhook();
}

TEST_F(PlaybackTest, UndefinedNamesAreSkipped) {
    tokenList(1, 1);
    tokenList(2, 2);
    const GLuint gen = glGenLists(3);  // reserved, not defined
    const GLuint names[] = {1, 77, gen, 2, 0};
    hookPassThrough();
    glCallLists(5, GL_UNSIGNED_INT, names);
    glCallList(77);
    glCallList(gen);
    unhook();
    EXPECT_EQ(tokens, (std::vector<GLfloat>{1, 2}));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Records with their own layouts replay the call they stand for.
struct Captured {
    std::vector<double> values;
};
Captured captured;
void GLIMM captureMap1f(GLenum target, GLfloat u1, GLfloat u2, GLint stride, GLint order, const GLfloat* p) {
    captured.values = {(double)target, u1, u2, (double)stride, (double)order};
    for (int i = 0; i < order * stride; i++) captured.values.push_back(p[i]);
}
void GLIMM captureMap2f(GLenum target, GLfloat u1, GLfloat u2, GLint us, GLint uo, GLfloat v1, GLfloat v2, GLint vs,
                        GLint vo, const GLfloat* p) {
    captured.values = {(double)target, u1, u2, (double)us, (double)uo, v1, v2, (double)vs, (double)vo};
    for (int i = 0; i < uo * vo * vs; i++) captured.values.push_back(p[i]);
}
void GLIMM capturePixelMapusv(GLenum map, GLsizei n, const GLushort* v) {
    captured.values = {(double)map, (double)n};
    for (int i = 0; i < n; i++) captured.values.push_back(v[i]);
}
void GLIMM captureClipPlane(GLenum plane, const GLdouble* eq) {
    captured.values = {(double)plane, eq[0], eq[1], eq[2], eq[3]};
}
void GLIMM captureBegin(GLenum mode) { captured.values.push_back(mode); }

struct LayoutCase {
    const char* what;
    int slot;
    GlEntryProc hook;
    std::function<void()> compile;
    std::vector<double> want;
};

TEST_F(ListTest, RecordsWithTheirOwnLayouts) {
    static const GLdouble pts1[] = {1, 2, 3, 99, 99, 4, 5, 6, 99, 99};  // stride 5, 3 components
    static const GLfloat pts2[] = {1, 2, 10, 20, 3, 4, 30, 40};           // u stride 4, v stride 2, 1 component
    static const GLushort map[] = {7, 8, 9};
    static const GLdouble eq[] = {0.5, -1, 2, 3};
    const std::vector<LayoutCase> cases = {
        {"Map1d packs the points as floats", GL_SLOT_Map1f, (GlEntryProc)captureMap1f,
         [] { glMap1d(GL_MAP1_VERTEX_3, 0.0, 2.0, 5, 2, pts1); },
         {GL_MAP1_VERTEX_3, 0, 2, 3, 2, 1, 2, 3, 4, 5, 6}},
        {"Map2f packs v fastest", GL_SLOT_Map2f, (GlEntryProc)captureMap2f,
         [] { glMap2f(GL_MAP2_INDEX, 0, 1, 4, 2, 0, 1, 2, 2, pts2); },
         {GL_MAP2_INDEX, 0, 1, 2, 2, 0, 1, 1, 2, 1, 10, 3, 30}},
        {"PixelMapusv, odd size", GL_SLOT_PixelMapusv, (GlEntryProc)capturePixelMapusv,
         [] { glPixelMapusv(GL_PIXEL_MAP_R_TO_R, 3, map); },
         {GL_PIXEL_MAP_R_TO_R, 3, 7, 8, 9}},
        {"ClipPlane", GL_SLOT_ClipPlane, (GlEntryProc)captureClipPlane,
         [] { glClipPlane(GL_CLIP_PLANE2, eq); },
         {GL_CLIP_PLANE2, 0.5, -1, 2, 3}},
        {"Begin modes", GL_SLOT_Begin, (GlEntryProc)captureBegin,
         [] {
             for (GLenum m = GL_POINTS; m <= GL_POLYGON; m++) glBegin(m);
         },
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const LayoutCase& c : cases) {
        glNewList(1, GL_COMPILE);
        c.compile();
        glColor3f(1, 1, 1);  // the next entry follows the record
        glEndList();
        captured.values.clear();
        GlEntryProc* e = &__glThreadState()->dispatch.entry[c.slot - GL_FIRST_SLOT];
        const GlEntryProc saved = *e;
        *e = c.hook;
        glCallList(1);
        *e = saved;
        EXPECT_EQ(captured.values, c.want) << c.what;
        takeErrors();
    }
}

struct CompileErrorCase {
    const char* what;
    std::function<void()> compile;
    GLenum error;
};

TEST_F(ListTest, ArgumentErrorsBecomeErrorRecords) {
    static const GLfloat pts[8] = {};
    static const GLubyte table[4 * 512] = {};
    const std::vector<CompileErrorCase> cases = {
        {"Map1f unknown target", [] { glMap1f(GL_POINTS, 0, 1, 1, 1, pts); }, GL_INVALID_ENUM},
        {"Map1f order 0", [] { glMap1f(GL_MAP1_INDEX, 0, 1, 1, 0, pts); }, GL_INVALID_VALUE},
        {"Map1f stride", [] { glMap1f(GL_MAP1_COLOR_4, 0, 1, 3, 1, pts); }, GL_INVALID_VALUE},
        {"Map2f equal v", [] { glMap2f(GL_MAP2_INDEX, 0, 1, 1, 1, 2, 2, 1, 1, pts); }, GL_INVALID_VALUE},
        {"PixelMapfv negative", [] { glPixelMapfv(GL_PIXEL_MAP_R_TO_R, -1, pts); }, GL_INVALID_VALUE},
        {"PixelMapfv too large", [] { glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 65537, pts); }, GL_INVALID_VALUE},
        {"PrioritizeTextures negative", [] { glPrioritizeTextures(-1, nullptr, nullptr); }, GL_INVALID_VALUE},
        {"TexParameterf vector pname", [] { glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, 1); },
         GL_INVALID_ENUM},
        {"TexGeniv unknown pname", [] { glTexGeniv(GL_S, 0x1234, nullptr); }, GL_INVALID_ENUM},
        {"Begin bad mode", [] { glBegin(12); }, GL_INVALID_ENUM},
        {"Bitmap negative", [] { glBitmap(-1, 1, 0, 0, 0, 0, nullptr); }, GL_INVALID_VALUE},
        {"TexImage2D border", [] { glTexImage2D(GL_TEXTURE_2D, 0, 3, 1, 1, 2, GL_RGB, GL_UNSIGNED_BYTE, table); },
         GL_INVALID_VALUE},
        {"TexImage1D type", [] { glTexImage1D(GL_TEXTURE_1D, 0, 3, 1, 0, GL_RGB, GL_BITMAP, table); },
         GL_INVALID_ENUM},
        {"ColorTableEXT width", [] { glColorTableEXT(GL_TEXTURE_2D, GL_RGB, 3, GL_RGB, GL_UNSIGNED_BYTE, table); },
         GL_INVALID_VALUE},
        {"ColorTableEXT too large",  // 4096 RGBA floats exceed 32 KiB of client entries
         [] { glColorTableEXT(GL_TEXTURE_2D, GL_RGBA, 4096, GL_RGBA, GL_FLOAT, table); }, GL_TABLE_TOO_LARGE_EXT},
        {"ColorSubTableEXT range",  // checked against the (empty) table when the list runs
         [] { glColorSubTableEXT(GL_TEXTURE_2D, 250, 10, GL_RGB, GL_UNSIGNED_BYTE, table); }, GL_INVALID_VALUE},
    };
    for (const CompileErrorCase& c : cases) {
        glNewList(1, GL_COMPILE);
        c.compile();
        EXPECT_EQ(takeErrors(), std::vector<GLenum>{}) << c.what << ": nothing raised while compiling";
        glEndList();
        for (int run = 0; run < 2; run++) {
            glCallList(1);
            EXPECT_EQ(takeErrors(), std::vector<GLenum>{c.error}) << c.what << ", run " << run;
        }
    }
}

// ---- names

TEST_F(ListTest, DeletingInsideARangeKeepsTheOtherNames) {
    ASSERT_EQ(glGenLists(57), 1u);
    glNewList(50, GL_COMPILE);
    glLineWidth(2.0f);
    glEndList();
    glDeleteLists(30, 12);
    glNewList(35, GL_COMPILE);
    glLineWidth(3.0f);
    glEndList();
    for (GLuint n = 1; n <= 60; n++) {
        const bool used = n <= 57 && !(n >= 30 && n <= 41 && n != 35);
        EXPECT_EQ(glIsList(n), used ? GL_TRUE : GL_FALSE) << "list " << n;
    }
    const GLuint more = glGenLists(5);
    for (GLuint n = more; n < more + 5; n++) EXPECT_TRUE(n >= 58 || (n >= 30 && n <= 41 && n != 35)) << n;
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(ListTest, NameEntriesCheckTheirArguments) {
    EXPECT_EQ(glGenLists(-1), 0u);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    EXPECT_EQ(glGenLists(0), 0u);
    glDeleteLists(1, -1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    glNewList(0, GL_COMPILE);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    glNewList(1, GL_RENDER);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glEndList();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glCallList(0);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    glCallLists(1, GL_DOUBLE, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glNewList(4, GL_COMPILE);
    glNewList(5, GL_COMPILE);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glLineWidth(6.0f);
    glEndList();
    EXPECT_TRUE(glIsList(4));
    EXPECT_FALSE(glIsList(5));
    glCallList(4);
    GLfloat w = 0;
    glGetFloatv(GL_LINE_WIDTH, &w);
    EXPECT_EQ(w, 6.0f) << "the first list kept compiling";
    glDeleteLists(4, 1);
    EXPECT_FALSE(glIsList(4));
}

// ---- image records

struct BitmapCall {
    GLsizei w, h;
    GLfloat xorig, yorig, xmove, ymove;
    std::vector<GLubyte> bits;
    GlPixelStoreModes unpack;
};
std::vector<BitmapCall> bitmaps;
void GLIMM recordBitmap(GLsizei w, GLsizei h, GLfloat xo, GLfloat yo, GLfloat xm, GLfloat ym, const GLubyte* bits) {
    GlContext* gc = __glCurrentContext();
    bitmaps.push_back({w, h, xo, yo, xm, ym, std::vector<GLubyte>(bits, bits + h * ((w + 7) / 8)), gc->pixel.unpack});
}

TEST_F(ListTest, ImageRecordsKeepTheUnpackStateOfCompileTime) {
    // Rows of 3 bytes at alignment 4, skip one row, LSB first.
    const GLubyte src[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x07, 0, 0, 0x03, 0x01, 0, 0};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 1);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 1);
    glNewList(1, GL_COMPILE);
    glBitmap(10, 2, 1.0f, 2.0f, 10.0f, 0.0f, src);
    glBitmap(8, 1, 0, 0, 0, 0, nullptr);
    glEndList();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
    bitmaps.clear();
    GlEntryProc* e = &__glThreadState()->dispatch.entry[GL_SLOT_Bitmap - GL_FIRST_SLOT];
    const GlEntryProc saved = *e;
    *e = (GlEntryProc)recordBitmap;
    glCallList(1);
    *e = saved;
    ASSERT_EQ(bitmaps.size(), 2u);
    EXPECT_EQ(bitmaps[0].w, 10);
    EXPECT_EQ(bitmaps[0].xmove, 10.0f);
    EXPECT_EQ(bitmaps[0].bits, (std::vector<GLubyte>{0x80, 0xC0, 0xC0, 0x80}))
        << "packed rows, bits reversed, bits beyond the row cleared";
    EXPECT_EQ(bitmaps[0].unpack.alignment, 1) << "replayed as packed rows";
    EXPECT_EQ(bitmaps[0].unpack.lsbFirst, 0);
    EXPECT_EQ(bitmaps[0].unpack.skipRows, 0);
    EXPECT_EQ(bitmaps[1].bits, (std::vector<GLubyte>{0})) << "a null bitmap replays zeros";
    GLint align = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
    EXPECT_EQ(align, 8) << "the unpack state is restored after playback";
}

TEST_F(ListTest, PolygonStippleRecordReadsBackUnchanged) {
    GLubyte pattern[32 * 8];
    for (int i = 0; i < (int)sizeof pattern; i++) pattern[i] = (GLubyte)(i * 13 + 5);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 64);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 5);
    glPolygonStipple(pattern);
    GLubyte want[128];
    glGetPolygonStipple(want);
    const GLubyte zeros[32 * 8] = {0};
    glPolygonStipple(zeros);
    glNewList(1, GL_COMPILE);
    glPolygonStipple(pattern);
    glEndList();
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 1);
    glCallList(1);
    GLubyte got[128];
    glGetPolygonStipple(got);
    EXPECT_EQ(memcmp(got, want, 128), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

struct PixelCall {
    GLsizei w, h;
    GLenum format, type;
    std::vector<GLubyte> bytes;
};
std::vector<PixelCall> drawn;
void GLIMM recordDrawPixels(GLsizei w, GLsizei h, GLenum format, GLenum type, const GLvoid* p) {
    const size_t n = (size_t)w * h * (format == GL_RGB ? 3 : 1) * (type == GL_UNSIGNED_SHORT ? 2 : 1);
    drawn.push_back({w, h, format, type, std::vector<GLubyte>((const GLubyte*)p, (const GLubyte*)p + n)});
}

TEST_F(ListTest, DrawPixelsRecordsPackedRows) {
    const GLubyte rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    const GLushort shorts[] = {0x0102, 0x0304};
    glNewList(1, GL_COMPILE);
    glDrawPixels(3, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, 1);
    glDrawPixels(2, 1, GL_LUMINANCE, GL_UNSIGNED_SHORT, shorts);
    glDrawPixels(2, 1, GL_LUMINANCE, 0x8033, shorts);  // packed type with the wrong format: raised at once
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glDrawPixels(2, 1, 0x1234, GL_UNSIGNED_BYTE, shorts);
    glEndList();
    glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
    drawn.clear();
    GlEntryProc* e = &__glThreadState()->dispatch.entry[GL_SLOT_DrawPixels - GL_FIRST_SLOT];
    const GlEntryProc saved = *e;
    *e = (GlEntryProc)recordDrawPixels;
    glCallList(1);
    *e = saved;
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM) << "the bad format is recorded";
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].bytes, (std::vector<GLubyte>{1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    const GLushort swapped[] = {0x0201, 0x0403};
    EXPECT_EQ(drawn[1].bytes, bytesOf(swapped, 4)) << "stored swapped, not swapped again";
}

// ---- sharing, memory, allocation failure

TEST_F(ListTest, ListsAreSharedAndSurviveTheirCreator) {
    glNewList(1, GL_COMPILE);
    glLineWidth(5.0f);
    glEndList();
    GlContext* first = gc;
    __wglReleaseCurrent();
    gc = gltestCreateCurrent(true);
    EXPECT_FALSE(glIsList(1));
    EXPECT_EQ(__glShareListsProc(gc, first), GL_TRUE);
    EXPECT_TRUE(glIsList(1));
    glNewList(2, GL_COMPILE);
    glLineWidth(7.0f);
    glEndList();
    __wglReleaseCurrent();
    first->procs.makeCurrent(first);
    EXPECT_TRUE(glIsList(2)) << "seen by the first context";
    __wglReleaseCurrent();
    first->procs.destroyContext(first);
    gc->procs.makeCurrent(gc);
    glCallList(1);
    GLfloat w = 0;
    glGetFloatv(GL_LINE_WIDTH, &w);
    EXPECT_EQ(w, 5.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(ListTest, EverythingIsFreedWithTheContext) {
    gltestDestroyCurrent(gc);
    const int before = gltestLiveBlocks();
    gc = gltestCreateCurrent(true);
    const GLuint base = glGenLists(100);
    for (GLuint i = 0; i < 100; i += 7) {
        glNewList(base + i, GL_COMPILE);
        glMaterialf(GL_FRONT, GL_SHININESS, 3.0f);
        glLineWidth(2.0f);
        glClipPlane(GL_CLIP_PLANE0, std::vector<GLdouble>{1, 2, 3, 4}.data());
        glEndList();
    }
    glNewList(base, GL_COMPILE);  // redefined: the old block goes
    glEndList();
    glNewList(5000, GL_COMPILE);  // destroyed while compiling
    glLineWidth(2.0f);
    gltestDestroyCurrent(gc);
    gc = nullptr;
    EXPECT_EQ(gltestLiveBlocks(), before);
    gc = gltestCreateCurrent(true);
}

TEST_F(ListTest, AllocationFailuresRecordOutOfMemoryOnly) {
    glNewList(1, GL_COMPILE);
    glLineWidth(2.0f);
    static const GLint names[1] = {1};
    glCallLists(0x7FFFFFFF, GL_4_BYTES, names);  // beyond 32 bits: not read
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    glPrioritizeTextures(0x7FFFFFFF, nullptr, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    glDrawPixels(0x10000, 0x10000, GL_RGBA, GL_FLOAT, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    glEndList();
    gltestFailAllocationAfter(0);
    glNewList(2, GL_COMPILE);
    glLineWidth(3.0f);
    glEndList();
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY) << "the block cannot be built";
    gltestFailAllocationAfter(-1);
    EXPECT_FALSE(glIsList(2));
    glCallList(1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    GLfloat w = 0;
    glGetFloatv(GL_LINE_WIDTH, &w);
    EXPECT_EQ(w, 2.0f);
}

TEST_F(ListTest, NewListFailsWithoutAnArena) {
    gltestDestroyCurrent(gc);
    gc = gltestCreateCurrent(true);
    gltestFailAllocationAfter(0);
    glNewList(1, GL_COMPILE);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    gltestFailAllocationAfter(-1);
    GLint index = -1;
    glGetIntegerv(GL_LIST_INDEX, &index);
    EXPECT_EQ(index, 0);
    glLineWidth(4.0f);  // executes: no list is compiled
    GLfloat w = 0;
    glGetFloatv(GL_LINE_WIDTH, &w);
    EXPECT_EQ(w, 4.0f);
}

}  // namespace
