// GL state through the public API: initial values, query conversions,
// setters, capabilities and the attribute stacks.
#include <gtest/gtest.h>
#include <math.h>
#include <functional>
#include <vector>
#include "glfixture.h"

namespace {

struct StateTest : GltestContextTest {
    void TearDown() override {
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        GltestContextTest::TearDown();
    }
};

std::vector<double> getDoubles(GLenum pname, int n) {
    std::vector<double> v(16, -12345.0);
    glGetDoublev(pname, v.data());
    v.resize(n);
    return v;
}

void expectValues(const char* what, const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); i++) EXPECT_NEAR(got[i], want[i], 1e-6) << what << " [" << i << "]";
}

struct Initial {
    GLenum pname;
    std::vector<double> values;
};
const std::vector<std::pair<Initial, const char*>>& initialTable() {
    static const std::vector<std::pair<Initial, const char*>> t = {
        {{GL_CURRENT_COLOR, {1, 1, 1, 1}}, "CURRENT_COLOR"},
        {{GL_CURRENT_INDEX, {1}}, "CURRENT_INDEX"},
        {{GL_CURRENT_NORMAL, {0, 0, 1}}, "CURRENT_NORMAL"},
        {{GL_CURRENT_TEXTURE_COORDS, {0, 0, 0, 1}}, "CURRENT_TEXTURE_COORDS"},
        {{GL_CURRENT_RASTER_POSITION, {0, 0, 0, 1}}, "CURRENT_RASTER_POSITION"},
        {{GL_CURRENT_RASTER_COLOR, {1, 1, 1, 1}}, "CURRENT_RASTER_COLOR"},
        {{GL_CURRENT_RASTER_INDEX, {1}}, "CURRENT_RASTER_INDEX"},
        {{GL_CURRENT_RASTER_TEXTURE_COORDS, {0, 0, 0, 1}}, "CURRENT_RASTER_TEXTURE_COORDS"},
        {{GL_CURRENT_RASTER_POSITION_VALID, {1}}, "CURRENT_RASTER_POSITION_VALID"},
        {{GL_CURRENT_RASTER_DISTANCE, {0}}, "CURRENT_RASTER_DISTANCE"},
        {{GL_EDGE_FLAG, {1}}, "EDGE_FLAG"},
        {{GL_POINT_SIZE, {1}}, "POINT_SIZE"},
        {{GL_POINT_SIZE_RANGE, {0.5, 10}}, "POINT_SIZE_RANGE"},
        {{GL_POINT_SIZE_GRANULARITY, {0.125}}, "POINT_SIZE_GRANULARITY"},
        {{GL_LINE_WIDTH, {1}}, "LINE_WIDTH"},
        {{GL_LINE_WIDTH_RANGE, {0.5, 10}}, "LINE_WIDTH_RANGE"},
        {{GL_LINE_WIDTH_GRANULARITY, {0.125}}, "LINE_WIDTH_GRANULARITY"},
        {{GL_LINE_STIPPLE_PATTERN, {0xFFFF}}, "LINE_STIPPLE_PATTERN"},
        {{GL_LINE_STIPPLE_REPEAT, {1}}, "LINE_STIPPLE_REPEAT"},
        {{GL_LIST_MODE, {0}}, "LIST_MODE"},
        {{GL_MAX_LIST_NESTING, {64}}, "MAX_LIST_NESTING"},
        {{GL_LIST_BASE, {0}}, "LIST_BASE"},
        {{GL_LIST_INDEX, {0}}, "LIST_INDEX"},
        {{GL_POLYGON_MODE, {GL_FILL, GL_FILL}}, "POLYGON_MODE"},
        {{GL_CULL_FACE_MODE, {GL_BACK}}, "CULL_FACE_MODE"},
        {{GL_FRONT_FACE, {GL_CCW}}, "FRONT_FACE"},
        {{GL_LIGHT_MODEL_LOCAL_VIEWER, {0}}, "LIGHT_MODEL_LOCAL_VIEWER"},
        {{GL_LIGHT_MODEL_TWO_SIDE, {0}}, "LIGHT_MODEL_TWO_SIDE"},
        {{GL_LIGHT_MODEL_AMBIENT, {0.2, 0.2, 0.2, 1}}, "LIGHT_MODEL_AMBIENT"},
        {{GL_SHADE_MODEL, {GL_SMOOTH}}, "SHADE_MODEL"},
        {{GL_COLOR_MATERIAL_FACE, {GL_FRONT_AND_BACK}}, "COLOR_MATERIAL_FACE"},
        {{GL_COLOR_MATERIAL_PARAMETER, {GL_AMBIENT_AND_DIFFUSE}}, "COLOR_MATERIAL_PARAMETER"},
        {{GL_FOG_INDEX, {0}}, "FOG_INDEX"},
        {{GL_FOG_DENSITY, {1}}, "FOG_DENSITY"},
        {{GL_FOG_START, {0}}, "FOG_START"},
        {{GL_FOG_END, {1}}, "FOG_END"},
        {{GL_FOG_MODE, {GL_EXP}}, "FOG_MODE"},
        {{GL_FOG_COLOR, {0, 0, 0, 0}}, "FOG_COLOR"},
        {{GL_DEPTH_RANGE, {0, 1}}, "DEPTH_RANGE"},
        {{GL_DEPTH_WRITEMASK, {1}}, "DEPTH_WRITEMASK"},
        {{GL_DEPTH_CLEAR_VALUE, {1}}, "DEPTH_CLEAR_VALUE"},
        {{GL_DEPTH_FUNC, {GL_LESS}}, "DEPTH_FUNC"},
        {{GL_ACCUM_CLEAR_VALUE, {0, 0, 0, 0}}, "ACCUM_CLEAR_VALUE"},
        {{GL_STENCIL_CLEAR_VALUE, {0}}, "STENCIL_CLEAR_VALUE"},
        {{GL_STENCIL_FUNC, {GL_ALWAYS}}, "STENCIL_FUNC"},
        {{GL_STENCIL_VALUE_MASK, {0}}, "STENCIL_VALUE_MASK"},  // no stencil bits
        {{GL_STENCIL_FAIL, {GL_KEEP}}, "STENCIL_FAIL"},
        {{GL_STENCIL_PASS_DEPTH_FAIL, {GL_KEEP}}, "STENCIL_PASS_DEPTH_FAIL"},
        {{GL_STENCIL_PASS_DEPTH_PASS, {GL_KEEP}}, "STENCIL_PASS_DEPTH_PASS"},
        {{GL_STENCIL_REF, {0}}, "STENCIL_REF"},
        {{GL_STENCIL_WRITEMASK, {0}}, "STENCIL_WRITEMASK"},
        {{GL_MATRIX_MODE, {GL_MODELVIEW}}, "MATRIX_MODE"},
        {{GL_VIEWPORT, {0, 0, 64, 48}}, "VIEWPORT"},
        {{GL_MODELVIEW_STACK_DEPTH, {1}}, "MODELVIEW_STACK_DEPTH"},
        {{GL_PROJECTION_STACK_DEPTH, {1}}, "PROJECTION_STACK_DEPTH"},
        {{GL_TEXTURE_STACK_DEPTH, {1}}, "TEXTURE_STACK_DEPTH"},
        {{GL_MODELVIEW_MATRIX, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "MODELVIEW_MATRIX"},
        {{GL_PROJECTION_MATRIX, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "PROJECTION_MATRIX"},
        {{GL_TEXTURE_MATRIX, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, "TEXTURE_MATRIX"},
        {{GL_ATTRIB_STACK_DEPTH, {0}}, "ATTRIB_STACK_DEPTH"},
        {{GL_CLIENT_ATTRIB_STACK_DEPTH, {0}}, "CLIENT_ATTRIB_STACK_DEPTH"},
        {{GL_ALPHA_TEST_FUNC, {GL_ALWAYS}}, "ALPHA_TEST_FUNC"},
        {{GL_ALPHA_TEST_REF, {0}}, "ALPHA_TEST_REF"},
        {{GL_BLEND_DST, {GL_ZERO}}, "BLEND_DST"},
        {{GL_BLEND_SRC, {GL_ONE}}, "BLEND_SRC"},
        {{GL_LOGIC_OP_MODE, {GL_COPY}}, "LOGIC_OP_MODE"},
        {{GL_AUX_BUFFERS, {0}}, "AUX_BUFFERS"},
        {{GL_SCISSOR_BOX, {0, 0, 64, 48}}, "SCISSOR_BOX"},
        {{GL_INDEX_CLEAR_VALUE, {0}}, "INDEX_CLEAR_VALUE"},
        {{GL_COLOR_CLEAR_VALUE, {0, 0, 0, 0}}, "COLOR_CLEAR_VALUE"},
        {{GL_COLOR_WRITEMASK, {1, 1, 1, 1}}, "COLOR_WRITEMASK"},
        {{GL_INDEX_MODE, {0}}, "INDEX_MODE"},
        {{GL_RGBA_MODE, {1}}, "RGBA_MODE"},
        {{GL_STEREO, {0}}, "STEREO"},
        {{GL_RENDER_MODE, {GL_RENDER}}, "RENDER_MODE"},
        {{GL_PERSPECTIVE_CORRECTION_HINT, {GL_DONT_CARE}}, "PERSPECTIVE_CORRECTION_HINT"},
        {{GL_POINT_SMOOTH_HINT, {GL_DONT_CARE}}, "POINT_SMOOTH_HINT"},
        {{GL_LINE_SMOOTH_HINT, {GL_DONT_CARE}}, "LINE_SMOOTH_HINT"},
        {{GL_POLYGON_SMOOTH_HINT, {GL_DONT_CARE}}, "POLYGON_SMOOTH_HINT"},
        {{GL_FOG_HINT, {GL_DONT_CARE}}, "FOG_HINT"},
        {{GL_PIXEL_MAP_I_TO_I_SIZE, {1}}, "PIXEL_MAP_I_TO_I_SIZE"},
        {{GL_PIXEL_MAP_A_TO_A_SIZE, {1}}, "PIXEL_MAP_A_TO_A_SIZE"},
        {{GL_UNPACK_SWAP_BYTES, {0}}, "UNPACK_SWAP_BYTES"},
        {{GL_UNPACK_LSB_FIRST, {0}}, "UNPACK_LSB_FIRST"},
        {{GL_UNPACK_ROW_LENGTH, {0}}, "UNPACK_ROW_LENGTH"},
        {{GL_UNPACK_SKIP_ROWS, {0}}, "UNPACK_SKIP_ROWS"},
        {{GL_UNPACK_SKIP_PIXELS, {0}}, "UNPACK_SKIP_PIXELS"},
        {{GL_UNPACK_ALIGNMENT, {4}}, "UNPACK_ALIGNMENT"},
        {{GL_PACK_SWAP_BYTES, {0}}, "PACK_SWAP_BYTES"},
        {{GL_PACK_LSB_FIRST, {0}}, "PACK_LSB_FIRST"},
        {{GL_PACK_ROW_LENGTH, {0}}, "PACK_ROW_LENGTH"},
        {{GL_PACK_SKIP_ROWS, {0}}, "PACK_SKIP_ROWS"},
        {{GL_PACK_SKIP_PIXELS, {0}}, "PACK_SKIP_PIXELS"},
        {{GL_PACK_ALIGNMENT, {4}}, "PACK_ALIGNMENT"},
        {{GL_MAP_COLOR, {0}}, "MAP_COLOR"},
        {{GL_MAP_STENCIL, {0}}, "MAP_STENCIL"},
        {{GL_INDEX_SHIFT, {0}}, "INDEX_SHIFT"},
        {{GL_INDEX_OFFSET, {0}}, "INDEX_OFFSET"},
        {{GL_RED_SCALE, {1}}, "RED_SCALE"},
        {{GL_GREEN_SCALE, {1}}, "GREEN_SCALE"},
        {{GL_BLUE_SCALE, {1}}, "BLUE_SCALE"},
        {{GL_ALPHA_SCALE, {1}}, "ALPHA_SCALE"},
        {{GL_DEPTH_SCALE, {1}}, "DEPTH_SCALE"},
        {{GL_RED_BIAS, {0}}, "RED_BIAS"},
        {{GL_GREEN_BIAS, {0}}, "GREEN_BIAS"},
        {{GL_BLUE_BIAS, {0}}, "BLUE_BIAS"},
        {{GL_ALPHA_BIAS, {0}}, "ALPHA_BIAS"},
        {{GL_DEPTH_BIAS, {0}}, "DEPTH_BIAS"},
        {{GL_ZOOM_X, {1}}, "ZOOM_X"},
        {{GL_ZOOM_Y, {1}}, "ZOOM_Y"},
        {{GL_MAX_EVAL_ORDER, {30}}, "MAX_EVAL_ORDER"},
        {{GL_MAX_LIGHTS, {8}}, "MAX_LIGHTS"},
        {{GL_MAX_CLIP_PLANES, {6}}, "MAX_CLIP_PLANES"},
        {{GL_MAX_TEXTURE_SIZE, {1024}}, "MAX_TEXTURE_SIZE"},
        {{GL_MAX_PIXEL_MAP_TABLE, {65536}}, "MAX_PIXEL_MAP_TABLE"},
        {{GL_MAX_ATTRIB_STACK_DEPTH, {16}}, "MAX_ATTRIB_STACK_DEPTH"},
        {{GL_MAX_MODELVIEW_STACK_DEPTH, {32}}, "MAX_MODELVIEW_STACK_DEPTH"},
        {{GL_MAX_NAME_STACK_DEPTH, {128}}, "MAX_NAME_STACK_DEPTH"},
        {{GL_MAX_PROJECTION_STACK_DEPTH, {2}}, "MAX_PROJECTION_STACK_DEPTH"},
        {{GL_MAX_TEXTURE_STACK_DEPTH, {10}}, "MAX_TEXTURE_STACK_DEPTH"},
        {{GL_MAX_VIEWPORT_DIMS, {2048, 2048}}, "MAX_VIEWPORT_DIMS"},
        {{GL_MAX_CLIENT_ATTRIB_STACK_DEPTH, {16}}, "MAX_CLIENT_ATTRIB_STACK_DEPTH"},
        {{GL_SUBPIXEL_BITS, {3}}, "SUBPIXEL_BITS"},
        {{GL_INDEX_BITS, {0}}, "INDEX_BITS"},
        {{GL_RED_BITS, {8}}, "RED_BITS"},
        {{GL_GREEN_BITS, {8}}, "GREEN_BITS"},
        {{GL_BLUE_BITS, {8}}, "BLUE_BITS"},
        {{GL_ALPHA_BITS, {0}}, "ALPHA_BITS"},
        {{GL_DEPTH_BITS, {16}}, "DEPTH_BITS"},
        {{GL_STENCIL_BITS, {0}}, "STENCIL_BITS"},
        {{GL_ACCUM_RED_BITS, {0}}, "ACCUM_RED_BITS"},
        {{GL_NAME_STACK_DEPTH, {0}}, "NAME_STACK_DEPTH"},
        {{GL_MAP1_GRID_DOMAIN, {0, 1}}, "MAP1_GRID_DOMAIN"},
        {{GL_MAP1_GRID_SEGMENTS, {1}}, "MAP1_GRID_SEGMENTS"},
        {{GL_MAP2_GRID_DOMAIN, {0, 1, 0, 1}}, "MAP2_GRID_DOMAIN"},
        {{GL_MAP2_GRID_SEGMENTS, {1, 1}}, "MAP2_GRID_SEGMENTS"},
        {{GL_FEEDBACK_BUFFER_SIZE, {0}}, "FEEDBACK_BUFFER_SIZE"},
        {{GL_FEEDBACK_BUFFER_TYPE, {GL_2D}}, "FEEDBACK_BUFFER_TYPE"},
        {{GL_SELECTION_BUFFER_SIZE, {0}}, "SELECTION_BUFFER_SIZE"},
        {{GL_POLYGON_OFFSET_FACTOR, {0}}, "POLYGON_OFFSET_FACTOR"},
        {{GL_POLYGON_OFFSET_UNITS, {0}}, "POLYGON_OFFSET_UNITS"},
        {{GL_TEXTURE_BINDING_1D, {0}}, "TEXTURE_BINDING_1D"},
        {{GL_TEXTURE_BINDING_2D, {0}}, "TEXTURE_BINDING_2D"},
        {{GL_VERTEX_ARRAY_SIZE, {4}}, "VERTEX_ARRAY_SIZE"},
        {{GL_VERTEX_ARRAY_TYPE, {GL_FLOAT}}, "VERTEX_ARRAY_TYPE"},
        {{GL_VERTEX_ARRAY_STRIDE, {0}}, "VERTEX_ARRAY_STRIDE"},
        {{GL_NORMAL_ARRAY_TYPE, {GL_FLOAT}}, "NORMAL_ARRAY_TYPE"},
        {{GL_COLOR_ARRAY_SIZE, {4}}, "COLOR_ARRAY_SIZE"},
        {{GL_COLOR_ARRAY_TYPE, {GL_FLOAT}}, "COLOR_ARRAY_TYPE"},
        {{GL_INDEX_ARRAY_TYPE, {GL_FLOAT}}, "INDEX_ARRAY_TYPE"},
        {{GL_TEXTURE_COORD_ARRAY_SIZE, {4}}, "TEXTURE_COORD_ARRAY_SIZE"},
        {{GL_TEXTURE_COORD_ARRAY_TYPE, {GL_FLOAT}}, "TEXTURE_COORD_ARRAY_TYPE"},
        {{GL_EDGE_FLAG_ARRAY_STRIDE, {0}}, "EDGE_FLAG_ARRAY_STRIDE"},
    };
    return t;
}

// Every capability of glEnable, with its initial state.
struct Capability {
    GLenum cap;
    bool initially;
};
std::vector<Capability> capabilityTable() {
    std::vector<Capability> t = {
        {GL_ALPHA_TEST, false}, {GL_AUTO_NORMAL, false}, {GL_BLEND, false}, {GL_COLOR_LOGIC_OP, false},
        {GL_COLOR_MATERIAL, false}, {GL_CULL_FACE, false}, {GL_DEPTH_TEST, false}, {GL_DITHER, true},
        {GL_FOG, false}, {GL_INDEX_LOGIC_OP, false}, {GL_LIGHTING, false}, {GL_LINE_SMOOTH, false},
        {GL_LINE_STIPPLE, false}, {GL_NORMALIZE, false}, {GL_POINT_SMOOTH, false},
        {GL_POLYGON_OFFSET_FILL, false}, {GL_POLYGON_OFFSET_LINE, false}, {GL_POLYGON_OFFSET_POINT, false},
        {GL_POLYGON_SMOOTH, false}, {GL_POLYGON_STIPPLE, false}, {GL_SCISSOR_TEST, false},
        {GL_STENCIL_TEST, false}, {GL_TEXTURE_1D, false}, {GL_TEXTURE_2D, false},
        {GL_TEXTURE_GEN_S, false}, {GL_TEXTURE_GEN_T, false}, {GL_TEXTURE_GEN_R, false},
        {GL_TEXTURE_GEN_Q, false}, {GL_INDEX_MATERIAL_QTA, false}, {GL_INDEX_TEST_QTA, false},
        {GL_CULL_VERTEX_QTA, false}, {GL_SHARED_TEXTURE_PALETTE_EXT, false},
    };
    for (GLenum i = 0; i < 8; i++) t.push_back({GL_LIGHT0 + i, false});
    for (GLenum i = 0; i < 6; i++) t.push_back({GL_CLIP_PLANE0 + i, false});
    for (GLenum i = 0; i < 9; i++) t.push_back({GL_MAP1_COLOR_4 + i, false}), t.push_back({GL_MAP2_COLOR_4 + i, false});
    for (GLenum a = GL_VERTEX_ARRAY; a <= GL_EDGE_FLAG_ARRAY; a++) t.push_back({a, false});
    return t;
}

// The whole queryable state as doubles, for before/after comparisons.
std::vector<double> dumpState() {
    std::vector<double> all;
    for (const auto& e : initialTable()) {
        std::vector<double> v = getDoubles(e.first.pname, (int)e.first.values.size());
        all.insert(all.end(), v.begin(), v.end());
    }
    for (const Capability& c : capabilityTable()) all.push_back(glIsEnabled(c.cap));
    GLfloat f[4];
    for (GLenum light = GL_LIGHT0; light < GL_LIGHT0 + 8; light++)
        for (GLenum p : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION}) {
            glGetLightfv(light, p, f);
            all.insert(all.end(), f, f + 4);
        }
    for (GLenum face : {GL_FRONT, GL_BACK})
        for (GLenum p : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION}) {
            glGetMaterialfv(face, p, f);
            all.insert(all.end(), f, f + 4);
        }
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, f);
    all.insert(all.end(), f, f + 4);
    GLdouble plane[4];
    glGetClipPlane(GL_CLIP_PLANE0, plane);
    all.insert(all.end(), plane, plane + 4);
    GLubyte stipple[128];
    glGetPolygonStipple(stipple);
    all.insert(all.end(), stipple, stipple + 128);
    return all;
}

void checkInitialState(bool doubleBuffer) {
    GlContext* gc = gltestCreateCurrent(doubleBuffer);
    ASSERT_NE(gc, nullptr);
    for (const auto& e : initialTable())
        expectValues(e.second, getDoubles(e.first.pname, (int)e.first.values.size()), e.first.values);
    const double buffer = doubleBuffer ? GL_BACK : GL_FRONT;
    expectValues("DRAW_BUFFER", getDoubles(GL_DRAW_BUFFER, 1), {buffer});
    expectValues("READ_BUFFER", getDoubles(GL_READ_BUFFER, 1), {buffer});
    expectValues("DOUBLEBUFFER", getDoubles(GL_DOUBLEBUFFER, 1), {doubleBuffer ? 1.0 : 0.0});
    for (const Capability& c : capabilityTable()) {
        EXPECT_EQ(glIsEnabled(c.cap), c.initially) << std::hex << c.cap;
        GLboolean b = 7;
        glGetBooleanv(c.cap, &b);
        EXPECT_EQ(b, c.initially) << std::hex << c.cap;
    }

    struct LightCase {
        GLenum light, pname;
        std::vector<double> values;
    } const lights[] = {
        {GL_LIGHT0, GL_AMBIENT, {0, 0, 0, 1}},       {GL_LIGHT0, GL_DIFFUSE, {1, 1, 1, 1}},
        {GL_LIGHT0, GL_SPECULAR, {1, 1, 1, 1}},      {GL_LIGHT0, GL_POSITION, {0, 0, 1, 0}},
        {GL_LIGHT0, GL_SPOT_DIRECTION, {0, 0, -1}},  {GL_LIGHT0, GL_SPOT_EXPONENT, {0}},
        {GL_LIGHT0, GL_SPOT_CUTOFF, {180}},          {GL_LIGHT0, GL_CONSTANT_ATTENUATION, {1}},
        {GL_LIGHT0, GL_LINEAR_ATTENUATION, {0}},     {GL_LIGHT0, GL_QUADRATIC_ATTENUATION, {0}},
        {GL_LIGHT1, GL_DIFFUSE, {0, 0, 0, 1}},       {GL_LIGHT7, GL_SPECULAR, {0, 0, 0, 1}},
    };
    for (const LightCase& c : lights) {
        GLfloat f[4];
        glGetLightfv(c.light, c.pname, f);
        expectValues("light", std::vector<double>(f, f + c.values.size()), c.values);
    }
    struct MaterialCase {
        GLenum pname;
        std::vector<double> values;
    } const materials[] = {
        {GL_AMBIENT, {0.2, 0.2, 0.2, 1}}, {GL_DIFFUSE, {0.8, 0.8, 0.8, 1}}, {GL_SPECULAR, {0, 0, 0, 1}},
        {GL_EMISSION, {0, 0, 0, 1}},      {GL_SHININESS, {0}},               {GL_COLOR_INDEXES, {0, 1, 1}},
    };
    for (GLenum face : {GL_FRONT, GL_BACK})
        for (const MaterialCase& c : materials) {
            GLfloat f[4];
            glGetMaterialfv(face, c.pname, f);
            expectValues("material", std::vector<double>(f, f + c.values.size()), c.values);
        }
    GLint i[4];
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, i);
    EXPECT_EQ(i[0], GL_MODULATE);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, i);
    EXPECT_EQ(i[0], GL_EYE_LINEAR);
    GLfloat f[4];
    glGetTexGenfv(GL_S, GL_OBJECT_PLANE, f);
    expectValues("S object plane", {f[0], f[1], f[2], f[3]}, {1, 0, 0, 0});
    glGetTexGenfv(GL_T, GL_EYE_PLANE, f);
    expectValues("T eye plane", {f[0], f[1], f[2], f[3]}, {0, 1, 0, 0});
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, i);
    EXPECT_EQ(i[0], GL_NEAREST_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, i);
    EXPECT_EQ(i[0], GL_REPEAT);
    glGetMapfv(GL_MAP1_COLOR_4, GL_COEFF, f);
    expectValues("map1 colour", {f[0], f[1], f[2], f[3]}, {1, 1, 1, 1});
    glGetMapiv(GL_MAP2_VERTEX_3, GL_ORDER, i);
    EXPECT_EQ(i[0], 1);
    EXPECT_EQ(i[1], 1);
    GLubyte stipple[128];
    glGetPolygonStipple(stipple);
    for (GLubyte b : stipple) EXPECT_EQ(b, 0xFF);
    const GLubyte* v = glGetString(GL_VERSION);
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ((const char*)v, "1.1.0 Zorvex beta");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    gltestDestroyCurrent(gc);
}

TEST(StateInitial, SingleBuffered) { checkInitialState(false); }
TEST(StateInitial, DoubleBuffered) { checkInitialState(true); }

TEST_F(StateTest, SecondMakeCurrentKeepsTheViewport) {
    glViewport(1, 2, 30, 20);
    gc->procs.makeCurrent(gc);
    expectValues("viewport", getDoubles(GL_VIEWPORT, 4), {1, 2, 30, 20});
}

// One stored value read back as boolean, integer, float and double.
TEST_F(StateTest, QueryConversions) {
    struct Case {
        const char* what;
        GLenum pname;
        std::function<void()> store;
        std::vector<GLboolean> b;
        std::vector<GLint> i;
        std::vector<double> f;  // float and double
    } const cases[] = {
        {"current colour", GL_CURRENT_COLOR,
         [&] { float c[4] = {1, 0.5f, 0, -1}; memcpy(gc->current.color, c, 16); },
         {1, 1, 0, 1}, {2147482496, 1073741248, 0, -2147482496}, {1, 0.5, 0, -1}},
        {"point size", GL_POINT_SIZE, [] { glPointSize(2.5f); }, {1}, {3}, {2.5}},
        {"fog start", GL_FOG_START, [] { glFogf(GL_FOG_START, -2.5f); }, {1}, {-3}, {-2.5}},
        {"fog density -0", GL_FOG_DENSITY, [] { glFogf(GL_FOG_DENSITY, -0.0f); }, {0}, {0}, {0}},
        {"fog colour as given", GL_FOG_COLOR,
         [] { float c[4] = {0.5f, 2, -1, 1}; glFogfv(GL_FOG_COLOR, c); },
         {1, 1, 0, 1}, {1073741248, 2147482496, 0, 2147482496}, {0.5, 1, 0, 1}},
        {"depth func", GL_DEPTH_FUNC, [] { glDepthFunc(GL_GEQUAL); }, {1}, {GL_GEQUAL}, {GL_GEQUAL}},
        {"depth writemask", GL_DEPTH_WRITEMASK, [] { glDepthMask(GL_FALSE); }, {0}, {0}, {0}},
        {"depth clear", GL_DEPTH_CLEAR_VALUE, [] { glClearDepth(0.5); }, {1}, {1073741248}, {0.5}},
        {"stipple pattern zero-extended", GL_LINE_STIPPLE_PATTERN, [] { glLineStipple(3, 0x8001); },
         {1}, {0x8001}, {0x8001}},
        {"light model ambient unscaled", GL_LIGHT_MODEL_AMBIENT,
         [] { float c[4] = {0.25f, 0.5f, 1, 2}; glLightModelfv(GL_LIGHT_MODEL_AMBIENT, c); },
         {1, 1, 1, 1}, {536870624, 1073741248, 2147482496, 0x7FFFFFFF}, {0.25, 0.5, 1, 2}},
    };
    for (const Case& c : cases) {
        c.store();
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << c.what;
        const size_t n = c.i.size();
        GLboolean b[16];
        GLint iv[16];
        GLfloat fv[16];
        GLdouble dv[16];
        glGetBooleanv(c.pname, b);
        glGetIntegerv(c.pname, iv);
        glGetFloatv(c.pname, fv);
        glGetDoublev(c.pname, dv);
        for (size_t k = 0; k < n; k++) {
            EXPECT_EQ(b[k], c.b[k]) << c.what << " boolean " << k;
            EXPECT_EQ(iv[k], c.i[k]) << c.what << " integer " << k;
            EXPECT_NEAR(fv[k], c.f[k], 1e-6) << c.what << " float " << k;
            EXPECT_NEAR(dv[k], c.f[k], 1e-6) << c.what << " double " << k;
        }
    }
}

TEST_F(StateTest, UnknownQueriesAndInsideBeginEnd) {
    GLint v[16] = {42};
    glGetIntegerv(0, v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glGetMaterialiv(GL_FRONT_AND_BACK, GL_AMBIENT, v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glGetLightiv(GL_LIGHT0 + 8, GL_AMBIENT, v);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    glGetClipPlane(GL_CLIP_PLANE0 + 6, nullptr);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    EXPECT_EQ(v[0], 42);

    glBegin(GL_POINTS);
    glGetIntegerv(GL_LINE_WIDTH, v);
    EXPECT_EQ(glIsEnabled(GL_DITHER), GL_FALSE);
    glLineWidth(4);
    glEnable(GL_BLEND);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    EXPECT_EQ(v[0], 42);
    expectValues("line width", getDoubles(GL_LINE_WIDTH, 1), {1});
    expectValues("stack", getDoubles(GL_ATTRIB_STACK_DEPTH, 1), {0});
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

// Setters: error, the state afterwards, and no change on error.
TEST_F(StateTest, Setters) {
    struct Case {
        const char* what;
        std::function<void()> call;
        GLenum error;
        GLenum pname;
        std::vector<double> values;  // after the call
    } const cases[] = {
        {"clear index quantised", [] { glClearIndex(3.7f); }, 0, GL_INDEX_CLEAR_VALUE, {3.6875}},
        {"clear colour clamped", [] { glClearColor(2, -1, 0.5f, -0.0f); }, 0, GL_COLOR_CLEAR_VALUE, {1, 0, 0.5, 0}},
        {"clear accum clamped", [] { glClearAccum(-3, 2, 0.5f, -0.5f); }, 0, GL_ACCUM_CLEAR_VALUE, {-1, 1, 0.5, -0.5}},
        {"clear depth clamped", [] { glClearDepth(7); }, 0, GL_DEPTH_CLEAR_VALUE, {1}},
        {"alpha ref clamped", [] { glAlphaFunc(GL_GREATER, 3); }, 0, GL_ALPHA_TEST_REF, {1}},
        {"alpha func bad", [] { glAlphaFunc(GL_NEVER - 1, 0.5f); }, GL_INVALID_ENUM, GL_ALPHA_TEST_REF, {0}},
        {"line width quantised", [] { glLineWidth(0.7f); }, 0, GL_LINE_WIDTH, {0.7f}},
        {"line width zero", [] { glLineWidth(0); }, GL_INVALID_VALUE, GL_LINE_WIDTH, {1}},
        {"point size negative", [] { glPointSize(-1); }, GL_INVALID_VALUE, GL_POINT_SIZE, {1}},
        {"stipple factor low", [] { glLineStipple(0, 0x0F0F); }, 0, GL_LINE_STIPPLE_REPEAT, {1}},
        {"stipple factor high", [] { glLineStipple(1000, 0x0F0F); }, 0, GL_LINE_STIPPLE_REPEAT, {256}},
        {"blend dst SRC_ALPHA_SATURATE", [] { glBlendFunc(GL_ONE, GL_SRC_ALPHA_SATURATE); }, GL_INVALID_ENUM,
         GL_BLEND_DST, {GL_ZERO}},
        {"blend src SRC_COLOR", [] { glBlendFunc(GL_SRC_COLOR, GL_ONE); }, GL_INVALID_ENUM, GL_BLEND_SRC, {GL_ONE}},
        {"blend ok", [] { glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE_MINUS_SRC_ALPHA); }, 0, GL_BLEND_SRC,
         {GL_SRC_ALPHA_SATURATE}},
        {"logic op", [] { glLogicOp(GL_SET + 1); }, GL_INVALID_ENUM, GL_LOGIC_OP_MODE, {GL_COPY}},
        {"stencil op checks zpass", [] { glStencilOp(GL_ZERO, GL_INVERT, GL_ONE); }, GL_INVALID_ENUM,
         GL_STENCIL_FAIL, {GL_KEEP}},
        {"stencil ref clamped", [] { glStencilFunc(GL_LESS, -5, 0xFFFF); }, 0, GL_STENCIL_REF, {0}},
        {"cull face", [] { glCullFace(GL_LEFT); }, GL_INVALID_ENUM, GL_CULL_FACE_MODE, {GL_BACK}},
        {"front face", [] { glFrontFace(GL_CW); }, 0, GL_FRONT_FACE, {GL_CW}},
        {"polygon mode checks mode first", [] { glPolygonMode(0, 0); }, GL_INVALID_ENUM, GL_POLYGON_MODE,
         {GL_FILL, GL_FILL}},
        {"polygon mode back", [] { glPolygonMode(GL_BACK, GL_LINE); }, 0, GL_POLYGON_MODE, {GL_FILL, GL_LINE}},
        {"shade model", [] { glShadeModel(GL_FLAT); }, 0, GL_SHADE_MODEL, {GL_FLAT}},
        {"hint target", [] { glHint(0x1234, GL_NICEST); }, GL_INVALID_ENUM, GL_FOG_HINT, {GL_DONT_CARE}},
        {"hint mode", [] { glHint(GL_FOG_HINT, 0); }, GL_INVALID_ENUM, GL_FOG_HINT, {GL_DONT_CARE}},
        {"hint", [] { glHint(GL_LINE_SMOOTH_HINT, GL_NICEST); }, 0, GL_LINE_SMOOTH_HINT, {GL_NICEST}},
        {"fogf colour", [] { glFogf(GL_FOG_COLOR, 1); }, GL_INVALID_ENUM, GL_FOG_COLOR, {0, 0, 0, 0}},
        {"fog mode as float", [] { glFogf(GL_FOG_MODE, 9729.0f); }, 0, GL_FOG_MODE, {GL_LINEAR}},
        {"fog mode bad", [] { glFogi(GL_FOG_MODE, GL_LINEAR + 1); }, GL_INVALID_ENUM, GL_FOG_MODE, {GL_EXP}},
        {"fog density negative", [] { glFogi(GL_FOG_DENSITY, -1); }, GL_INVALID_VALUE, GL_FOG_DENSITY, {1}},
        {"spot cutoff 180", [] { glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 45); glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180); },
         0, GL_LIGHT0, {180}},
        {"spot cutoff 90.5", [] { glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 90.5f); }, GL_INVALID_VALUE, GL_LIGHT0, {180}},
        {"light 8", [] { glLightf(GL_LIGHT0 + 8, GL_SPOT_CUTOFF, 10); }, GL_INVALID_ENUM, GL_LIGHT0, {180}},
        {"lightf vector name", [] { glLightf(GL_LIGHT0, GL_SPOT_DIRECTION, 1); }, GL_INVALID_ENUM, GL_LIGHT0, {180}},
        {"shininess 129", [] { glMaterialf(GL_FRONT, GL_SHININESS, 129); }, GL_INVALID_VALUE, GL_FRONT, {0}},
        {"shininess 128", [] { glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 128); }, 0, GL_BACK, {128}},
        {"draw buffer right", [] { glDrawBuffer(GL_RIGHT); }, GL_INVALID_OPERATION, GL_DRAW_BUFFER, {GL_BACK}},
        {"draw buffer aux", [] { glDrawBuffer(GL_AUX0); }, GL_INVALID_OPERATION, GL_DRAW_BUFFER, {GL_BACK}},
        {"draw buffer enum", [] { glDrawBuffer(GL_RGB); }, GL_INVALID_ENUM, GL_DRAW_BUFFER, {GL_BACK}},
        {"draw buffer left", [] { glDrawBuffer(GL_LEFT); }, 0, GL_DRAW_BUFFER, {GL_LEFT}},
        {"draw buffer front left", [] { glDrawBuffer(GL_FRONT_LEFT); }, 0, GL_DRAW_BUFFER, {GL_FRONT_LEFT}},
    };
    for (const Case& c : cases) {
        GlContext* fresh = gltestCreateCurrent(true);
        ASSERT_NE(fresh, nullptr);
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.what;
        std::vector<double> got;
        GLfloat f[4];
        if (c.pname == GL_LIGHT0) {
            glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, f);
            got = {f[0]};
        } else if (c.pname == GL_FRONT || c.pname == GL_BACK) {
            glGetMaterialfv(c.pname, GL_SHININESS, f);
            got = {f[0]};
        } else {
            got = getDoubles(c.pname, (int)c.values.size());
        }
        expectValues(c.what, got, c.values);
        gltestDestroyCurrent(fresh);
    }
    gc->procs.makeCurrent(gc);
}

TEST_F(StateTest, SetterDerivedForms) {
    glLineWidth(0.7f);
    EXPECT_FLOAT_EQ(gc->line.widthQuantized, 0.75f);
    EXPECT_EQ(gc->line.widthInteger, 1);
    glPointSize(12);
    EXPECT_FLOAT_EQ(gc->point.sizeQuantized, 10.0f);
    EXPECT_EQ(gc->point.sizeInteger, 12);
    glClearIndex(300);
    EXPECT_FLOAT_EQ(gc->colorBuffer.clearIndex, 300.0f);  // 24 index bits keep it
    glFogf(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 2);
    glFogi(GL_FOG_END, 2);
    EXPECT_EQ(gc->fog.linearScale, 0.0f);
    glFogf(GL_FOG_END, 6);
    EXPECT_FLOAT_EQ(gc->fog.linearScale, 0.25f);
    GLfloat c[4] = {1, 0.5f, 0, 1};
    glFogfv(GL_FOG_COLOR, c);
    EXPECT_EQ(gc->fog.colorBytes[0], 255);
    EXPECT_EQ(gc->fog.colorBytes[1], 127);
    // glClearColor marks nothing and leaves the begin state.
    __glThreadState()->beginState = GL_BEGIN_OUTSIDE;
    gc->dirtyPickers = gc->dirtyTables = 0;
    glClearColor(1, 1, 1, 1);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_OUTSIDE);
    EXPECT_EQ(gc->dirtyPickers, 0u);
    glDepthFunc(GL_EQUAL);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_NEEDS_VALIDATE);
    EXPECT_EQ(gc->dirtyPickers, 0x80u);
    // Material is legal inside glBegin/glEnd; colour indexes are ambient, diffuse, specular.
    glBegin(GL_TRIANGLES);
    GLfloat idx[3] = {5, 6, 7};
    glMaterialfv(GL_BACK, GL_COLOR_INDEXES, idx);
    glEnd();
    GLint iv[3];
    glGetMaterialiv(GL_BACK, GL_COLOR_INDEXES, iv);
    EXPECT_EQ(iv[0], 5);
    EXPECT_EQ(iv[1], 6);
    EXPECT_EQ(iv[2], 7);
    glGetMaterialiv(GL_FRONT, GL_COLOR_INDEXES, iv);
    EXPECT_EQ(iv[0], 0);
}

TEST(StateDrawBuffer, SingleBuffered) {
    GlContext* gc = gltestCreateCurrent(false);
    glDrawBuffer(GL_BACK);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glDrawBuffer(GL_FRONT_AND_BACK);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    expectValues("draw buffer as given", getDoubles(GL_DRAW_BUFFER, 1), {GL_FRONT_AND_BACK});
    EXPECT_EQ(gc->colorBuffer.drawBuffer, (GLenum)GL_FRONT);
    gltestDestroyCurrent(gc);
}

TEST_F(StateTest, SpotDirectionUsesTheModelviewThreeByThree) {
    glScalef(1, 2, 1);
    GLfloat d[4] = {1, 1, 0, 0};
    glLightfv(GL_LIGHT2, GL_SPOT_DIRECTION, d);
    GLfloat got[4];
    glGetLightfv(GL_LIGHT2, GL_SPOT_DIRECTION, got);
    expectValues("direction", {got[0], got[1], got[2]}, {1, 2, 0});
    const float r = 1.0f / sqrtf(5.0f);
    expectValues("unit", {gc->lightDerived.unitSpotDirection[2][0], gc->lightDerived.unitSpotDirection[2][1]},
                 {r, 2 * r});
    // A lighting pop recomputes the derived direction from the restored one.
    glPushAttrib(GL_LIGHTING_BIT);
    GLfloat other[4] = {0, 0, 5, 0};
    glLightfv(GL_LIGHT2, GL_SPOT_DIRECTION, other);
    glPopAttrib();
    expectValues("unit after pop", {gc->lightDerived.unitSpotDirection[2][0], gc->lightDerived.unitSpotDirection[2][1],
                                    gc->lightDerived.unitSpotDirection[2][2]},
                 {r, 2 * r, 0});
}

TEST_F(StateTest, EveryCapabilityToggles) {
    for (const Capability& c : capabilityTable()) {
        for (bool on : {!c.initially, c.initially}) {
            if (on) glEnable(c.cap);
            else glDisable(c.cap);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << std::hex << c.cap;
            EXPECT_EQ(glIsEnabled(c.cap), on) << std::hex << c.cap;
            GLboolean b = 7;
            glGetBooleanv(c.cap, &b);
            EXPECT_EQ(b, on) << std::hex << c.cap;
        }
    }
    for (GLenum bad : {(GLenum)GL_LIGHT0 + 8, (GLenum)GL_CLIP_PLANE0 + 6, (GLenum)0, (GLenum)GL_MAP1_COLOR_4 + 9}) {
        glEnable(bad);
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM) << std::hex << bad;
        EXPECT_EQ(glIsEnabled(bad), GL_FALSE);
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM) << std::hex << bad;
    }
    glEnable(GL_VERTEX_ARRAY);
    EXPECT_EQ(gc->arrays.enabledFields, 0xFFu);
    EXPECT_EQ(gc->arrays.enabledArrays, 0x20u);
    glEnableClientState(GL_EDGE_FLAG_ARRAY + 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
    // Cull face: no change, no marks.
    __glThreadState()->beginState = GL_BEGIN_OUTSIDE;
    glDisable(GL_CULL_FACE);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_OUTSIDE);
}

// Per group: a change inside the group and one outside it.
struct GroupCase {
    const char* name;
    GLbitfield bit;
    std::function<void(GlContext*)> change;
    GLenum outsidePname;
    std::function<void()> changeOutside;
    double outsideValue;
};

const std::vector<GroupCase>& groupCases() {
    static const std::vector<GroupCase> t = {
        {"accum", GL_ACCUM_BUFFER_BIT, [](GlContext*) { glClearAccum(0.1f, 0.2f, 0.3f, 0.4f); },
         GL_BLEND, [] { glEnable(GL_BLEND); }, 1},
        {"color", GL_COLOR_BUFFER_BIT,
         [](GlContext*) {
             glAlphaFunc(GL_LESS, 0.5f), glBlendFunc(GL_DST_COLOR, GL_SRC_ALPHA), glLogicOp(GL_XOR);
             glClearColor(0.5f, 0.5f, 0.5f, 0.5f), glClearIndex(2), glIndexMask(3), glColorMask(0, 1, 0, 1);
             glDrawBuffer(GL_FRONT), glIndexFuncQTA(GL_EQUAL, 2);
             glEnable(GL_BLEND), glEnable(GL_ALPHA_TEST), glDisable(GL_DITHER), glEnable(GL_COLOR_LOGIC_OP);
         },
         GL_DEPTH_TEST, [] { glEnable(GL_DEPTH_TEST); }, 1},
        {"current", GL_CURRENT_BIT,
         [](GlContext* gc) {
             gc->current.color[1] = 0.25f, gc->current.index = 4, gc->current.normal[0] = 1;
             gc->current.texCoord[2] = 3, gc->current.edgeFlag = 0, gc->current.raster.valid = 0;
         },
         GL_FOG_DENSITY, [] { glFogf(GL_FOG_DENSITY, 3); }, 3},
        {"depth", GL_DEPTH_BUFFER_BIT,
         [](GlContext*) { glDepthFunc(GL_NEVER), glDepthMask(0), glClearDepth(0.25), glEnable(GL_DEPTH_TEST); },
         GL_BLEND, [] { glEnable(GL_BLEND); }, 1},
        {"enable", GL_ENABLE_BIT,
         [](GlContext*) {
             for (GLenum c : {GL_LIGHTING, GL_LIGHT3, GL_CLIP_PLANE2, GL_TEXTURE_2D, GL_TEXTURE_GEN_Q, GL_MAP2_INDEX,
                              GL_CULL_VERTEX_QTA, GL_SCISSOR_TEST, GL_NORMALIZE})
                 glEnable(c);
             glDisable(GL_DITHER);
         },
         GL_CULL_FACE_MODE, [] { glCullFace(GL_FRONT); }, GL_FRONT},
        {"eval", GL_EVAL_BIT,
         [](GlContext* gc) { gc->evalGrid.n = 7, gc->evalGrid.v22 = 3, glEnable(GL_AUTO_NORMAL), glEnable(GL_MAP1_VERTEX_4); },
         GL_TEXTURE_2D, [] { glEnable(GL_TEXTURE_2D); }, 1},
        {"fog", GL_FOG_BIT,
         [](GlContext*) {
             GLfloat c[4] = {0.5f, 0.25f, 1, 1};
             glFogfv(GL_FOG_COLOR, c), glFogi(GL_FOG_MODE, GL_LINEAR), glFogf(GL_FOG_START, 3), glFogf(GL_FOG_END, 4);
             glFogf(GL_FOG_DENSITY, 2), glFogi(GL_FOG_INDEX, 5), glEnable(GL_FOG);
         },
         GL_LINE_WIDTH, [] { glLineWidth(3); }, 3},
        {"hint", GL_HINT_BIT,
         [](GlContext*) {
             for (GLenum h = GL_PERSPECTIVE_CORRECTION_HINT; h <= GL_FOG_HINT; h++) glHint(h, GL_FASTEST);
         },
         GL_FOG_MODE, [] { glFogi(GL_FOG_MODE, GL_EXP2); }, GL_EXP2},
        {"lighting", GL_LIGHTING_BIT,
         [](GlContext*) {
             GLfloat v[4] = {0.5f, 0.5f, 0.5f, 1};
             glColorMaterial(GL_FRONT, GL_EMISSION), glShadeModel(GL_FLAT), glIndexMaterialQTA(GL_BACK, GL_INDEX_OFFSET);
             glLightModelfv(GL_LIGHT_MODEL_AMBIENT, v), glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
             glMaterialfv(GL_FRONT, GL_EMISSION, v), glMaterialfv(GL_BACK, GL_DIFFUSE, v);
             glLightfv(GL_LIGHT5, GL_DIFFUSE, v), glLightfv(GL_LIGHT0, GL_POSITION, v);
             glEnable(GL_LIGHTING), glEnable(GL_LIGHT4), glEnable(GL_COLOR_MATERIAL);
         },
         GL_POINT_SIZE, [] { glPointSize(4); }, 4},
        {"line", GL_LINE_BIT,
         [](GlContext*) { glLineWidth(2), glLineStipple(3, 0xF0F0), glEnable(GL_LINE_STIPPLE), glEnable(GL_LINE_SMOOTH); },
         GL_POINT_SIZE, [] { glPointSize(4); }, 4},
        {"list", GL_LIST_BIT, [](GlContext* gc) { gc->lists.base = 9; }, GL_POINT_SIZE, [] { glPointSize(4); }, 4},
        {"pixel mode", GL_PIXEL_MODE_BIT,
         [](GlContext* gc) {
             gc->pixel.transfer.redScale = 2, gc->pixel.transfer.zoomY = 3, gc->pixel.transfer.mapColor = 1;
             gc->pixel.readBuffer = GL_FRONT;
         },
         GL_UNPACK_ALIGNMENT, [] {}, 4},
        {"point", GL_POINT_BIT, [](GlContext*) { glPointSize(5), glEnable(GL_POINT_SMOOTH); },
         GL_LINE_WIDTH, [] { glLineWidth(3); }, 3},
        {"polygon", GL_POLYGON_BIT,
         [](GlContext*) {
             glPolygonMode(GL_FRONT, GL_POINT), glCullFace(GL_FRONT), glFrontFace(GL_CW), glPolygonOffset(2, 3);
             glEnable(GL_CULL_FACE), glEnable(GL_POLYGON_OFFSET_LINE), glEnable(GL_POLYGON_SMOOTH);
         },
         GL_POINT_SIZE, [] { glPointSize(4); }, 4},
        // The stipple enable is in the polygon and enable groups, not here.
        {"stipple", GL_POLYGON_STIPPLE_BIT,
         [](GlContext*) {
             GLubyte m[128] = {0x12, 0x34};
             glPolygonStipple(m);
         },
         GL_POLYGON_STIPPLE, [] { glEnable(GL_POLYGON_STIPPLE); }, 1},
        {"scissor", GL_SCISSOR_BIT, [](GlContext*) { glScissor(1, 2, 3, 4), glEnable(GL_SCISSOR_TEST); },
         GL_VIEWPORT, [] { glViewport(5, 5, 5, 5); }, 5},
        {"stencil", GL_STENCIL_BUFFER_BIT,
         [](GlContext*) { glStencilFunc(GL_NEVER, 0, 0), glStencilOp(GL_ZERO, GL_INCR, GL_DECR), glEnable(GL_STENCIL_TEST); },
         GL_BLEND, [] { glEnable(GL_BLEND); }, 1},
        {"texture", GL_TEXTURE_BIT,
         [](GlContext* gc) {
             gc->texture.gen[3].mode = GL_OBJECT_LINEAR, gc->texture.target[1].minFilter = GL_NEAREST;
             gc->texture.env.mode = GL_DECAL, gc->texture.env.color[0] = 100;
             glEnable(GL_TEXTURE_1D), glEnable(GL_TEXTURE_GEN_S);
         },
         GL_LIGHTING, [] { glEnable(GL_LIGHTING); }, 1},
        {"transform", GL_TRANSFORM_BIT,
         [](GlContext* gc) {
             gc->transform.matrixMode = GL_TEXTURE, gc->transform.eyeClipPlanes[0][1] = 2;
             glEnable(GL_NORMALIZE), glEnable(GL_CLIP_PLANE5);
         },
         GL_TEXTURE_1D, [] { glEnable(GL_TEXTURE_1D); }, 1},
        {"viewport", GL_VIEWPORT_BIT, [](GlContext* gc) { glViewport(3, 4, 5, 6), gc->viewport.farVal = 0.5; },
         GL_SCISSOR_BOX, [] { glScissor(7, 7, 7, 7); }, 7},
    };
    return t;
}

// Value of a pname as one double: the first value, or glIsEnabled.
double firstValue(GLenum pname) { return getDoubles(pname, 1)[0]; }

TEST_F(StateTest, EachGroupRestoresItselfAndNothingElse) {
    ASSERT_EQ(groupCases().size(), 20u);
    for (const GroupCase& g : groupCases()) {
        const std::vector<double> before = dumpState();
        glPushAttrib(g.bit);
        g.change(gc);
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << g.name;
        EXPECT_NE(dumpState(), before) << g.name << ": the change shows";
        g.changeOutside();
        const double outside = firstValue(g.outsidePname);
        glPopAttrib();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << g.name;
        EXPECT_EQ(firstValue(g.outsidePname), outside) << g.name << ": outside field kept";
        EXPECT_EQ(outside, g.outsideValue) << g.name;
        // Undo the outside change, then everything equals the state before the push.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPopAttrib();
        gltestDestroyCurrent(gc);
        gc = gltestCreateCurrent(true);
        ASSERT_EQ(dumpState(), before) << g.name;
        glPushAttrib(g.bit);
        g.change(gc);
        glPopAttrib();
        EXPECT_EQ(dumpState(), before) << g.name << ": restored";
        glGetError();
    }
}

TEST_F(StateTest, AllAttribBitsRoundTrip) {
    const std::vector<double> before = dumpState();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    for (const GroupCase& g : groupCases()) g.change(gc), g.changeOutside();
    glGetError();
    glPopAttrib();
    EXPECT_EQ(dumpState(), before);
}

TEST_F(StateTest, StackOverflowUnderflowAndOutOfMemory) {
    for (int i = 0; i < 16; i++) glPushAttrib(GL_LINE_BIT), glLineWidth((GLfloat)(i + 2));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glPushAttrib(GL_LINE_BIT);
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_OVERFLOW);
    expectValues("depth 16", getDoubles(GL_ATTRIB_STACK_DEPTH, 1), {16});
    for (int i = 16; i > 0; i--) {
        glPopAttrib();
        expectValues("width", getDoubles(GL_LINE_WIDTH, 1), {(double)i});
    }
    glPopAttrib();
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_UNDERFLOW);

    for (int i = 0; i < 16; i++) glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    expectValues("client depth", getDoubles(GL_CLIENT_ATTRIB_STACK_DEPTH, 1), {16});
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_OVERFLOW);
    for (int i = 0; i < 17; i++) glPopClientAttrib();
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_UNDERFLOW);

    // A fresh context: the first push allocates its level.
    gltestDestroyCurrent(gc);
    gc = gltestCreateCurrent(true);
    const int blocks = gltestLiveBlocks();
    gltestFailAllocationAfter(0);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    gltestFailAllocationAfter(-1);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    EXPECT_EQ(gltestLiveBlocks(), blocks);
    expectValues("depths", {firstValue(GL_ATTRIB_STACK_DEPTH), firstValue(GL_CLIENT_ATTRIB_STACK_DEPTH)}, {0, 0});
    glPopAttrib();
    EXPECT_EQ(glGetError(), (GLenum)GL_STACK_UNDERFLOW);
    glPushAttrib(GL_ALL_ATTRIB_BITS);  // leaves a level for destruction to free
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
}

TEST(StateStacks, DestroyFreesEveryLevel) {
    const int blocks = gltestLiveBlocks();
    GlContext* gc = gltestCreateCurrent(true);
    for (int i = 0; i < 3; i++) glPushAttrib(GL_ALL_ATTRIB_BITS), glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    gltestDestroyCurrent(gc);
    EXPECT_EQ(gltestLiveBlocks(), blocks);
}

TEST_F(StateTest, ClientStackRestoresPixelStoreAndArrays) {
    static const GLfloat data[4] = {};
    glEnableClientState(GL_NORMAL_ARRAY);
    gc->arrays.vertex.pointer = data;
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    gc->pixel.unpack.alignment = 1, gc->pixel.pack.lsbFirst = 1, gc->pixel.unpack.rowLength = 9;
    gc->arrays.vertex.pointer = nullptr, gc->arrays.vertex.type = GL_SHORT, gc->arrays.lockCount = 5;
    glDisableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glPopClientAttrib();
    expectValues("pixel store", {firstValue(GL_UNPACK_ALIGNMENT), firstValue(GL_PACK_LSB_FIRST),
                                 firstValue(GL_UNPACK_ROW_LENGTH)},
                 {4, 0, 0});
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    GLvoid* p = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &p);
    EXPECT_EQ(p, (GLvoid*)data);
    EXPECT_EQ(firstValue(GL_VERTEX_ARRAY_TYPE), GL_FLOAT);
    EXPECT_EQ(gc->arrays.lockCount, 5);  // the lock range is not restored

    // Only the pushed group comes back.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glEnableClientState(GL_COLOR_ARRAY);
    gc->pixel.pack.alignment = 8;
    glPopClientAttrib();
    EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_EQ(firstValue(GL_PACK_ALIGNMENT), 4);
}

TEST_F(StateTest, RescaleTouchesExactlyTheScaledColours) {
    GLfloat em[4] = {0.25f, 0.25f, 0.25f, 1};
    glMaterialfv(GL_FRONT, GL_EMISSION, em);
    gc->texture.env.color[0] = 0.5f * 255;
    GLfloat fogc[4] = {0.5f, 1, 0, 1};
    glFogfv(GL_FOG_COLOR, fogc);
    glPushAttrib(GL_FOG_BIT | GL_LIGHTING_BIT);
    const GlContext old = *gc;
    // Pretend the previous drawable had half the maxima: every scaled colour doubles.
    for (int i = 0; i < 3; i++) gc->constants.previousColorMax[i] = 127.5f;
    __glRescaleColors(gc);
    for (int i = 0; i < 3; i++) {
        EXPECT_FLOAT_EQ(gc->current.scaledColor[i], 2 * old.current.scaledColor[i]);
        EXPECT_FLOAT_EQ(gc->current.color[i], old.current.color[i]);
        EXPECT_FLOAT_EQ(gc->lighting.front.emission[i], 2 * old.lighting.front.emission[i]);
        EXPECT_FLOAT_EQ(gc->lighting.front.ambient[i], old.lighting.front.ambient[i]);
        EXPECT_FLOAT_EQ(gc->lighting.front.diffuse[i], old.lighting.front.diffuse[i]);
        EXPECT_FLOAT_EQ(gc->lighting.light[0].diffuse[i], 2 * old.lighting.light[0].diffuse[i]);
        EXPECT_FLOAT_EQ(gc->fog.color[i], 2 * old.fog.color[i]);
        EXPECT_FLOAT_EQ(gc->texture.env.color[i], 2 * old.texture.env.color[i]);
    }
    EXPECT_FLOAT_EQ(gc->current.scaledColor[3], old.current.scaledColor[3]);  // alpha maximum unchanged
    EXPECT_EQ(gc->fog.colorBytes[0], old.fog.colorBytes[0]);
    // The saved copies were rescaled too: popping brings back the doubled values.
    glPopAttrib();
    EXPECT_FLOAT_EQ(gc->fog.color[0], 2 * old.fog.color[0]);
    EXPECT_FLOAT_EQ(gc->lighting.front.emission[0], 2 * old.lighting.front.emission[0]);
}

}  // namespace
