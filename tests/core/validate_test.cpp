// Validation: which pickers the dirty groups run and in what order, the raster
// flags, the vertex work masks, the dirty words and the private hints.
#include <gtest/gtest.h>
#include <functional>
#include <vector>
#include "gltest.h"

namespace {

enum Picker {
    ARRAY, TEXTURE, DRAW_BUFFER, FRAGMENT_STORE, MATRIX, COLOR_MATERIAL, TEXGEN, BLEND, FOG,
    CLIP_INTERPOLATOR, SHADE, BITMAP, STIPPLE, DEPTH, VERTEX, SPAN, CULL_AND_FILL, POINT, LINE,
    RENDER, VERTEX_ARRAY,
};

std::vector<int> calls;
template <int N>
void GLPROC counted(GlContext*) { calls.push_back(N); }
GLint GLPROC countedDepth(GlContext*) {
    calls.push_back(DEPTH);
    return 0;
}

void installCounters(GlContextProcs* p) {
    p->pickArrayProcs = counted<ARRAY>;
    p->pickTextureProcs = counted<TEXTURE>;
    p->pickDrawBuffer = counted<DRAW_BUFFER>;
    p->pickFragmentStoreProc = counted<FRAGMENT_STORE>;
    p->pickMatrixProcs = counted<MATRIX>;
    p->pickColorMaterial = counted<COLOR_MATERIAL>;
    p->pickTexGenProcs = counted<TEXGEN>;
    p->pickBlendProcs = counted<BLEND>;
    p->pickFogProcs = counted<FOG>;
    p->pickClipInterpolator = counted<CLIP_INTERPOLATOR>;
    p->pickShadeProcs = counted<SHADE>;
    p->pickBitmapProc = counted<BITMAP>;
    p->repackStipple = counted<STIPPLE>;
    p->pickDepthTestProc = countedDepth;
    p->pickVertexProcs = counted<VERTEX>;
    p->pickSpanProcs = counted<SPAN>;
    p->pickCullAndFillProcs = counted<CULL_AND_FILL>;
    p->pickPointProcs = counted<POINT>;
    p->pickLineProcs = counted<LINE>;
    p->pickRenderProcs = counted<RENDER>;
    p->pickVertexArrayProcs = counted<VERTEX_ARRAY>;
}

// The pickers in the order of their last run (the viewport box also re-picks
// the vertex procedures early in the first block).
std::vector<int> lastRuns() {
    std::vector<int> out;
    for (size_t i = 0; i < calls.size(); i++) {
        bool later = false;
        for (size_t j = i + 1; j < calls.size(); j++) later |= calls[j] == calls[i];
        if (!later) out.push_back(calls[i]);
    }
    return out;
}

// The next drawing call validates.
void draw() {
    glBegin(GL_POINTS);
    glEnd();
}

typedef void(GLIMM* CullParameterfv)(GLenum, GLfloat*);
typedef void(GLIMM* CullParameterdv)(GLenum, GLdouble*);
void cullParameterf(GLenum pname, GLfloat value) {
    GLfloat v[4] = {value, 0.0f, 0.0f, 0.0f};
    ((CullParameterfv)__glThreadState()->dispatch.entry[GL_SLOT_CullParameterfvQTA - GL_FIRST_SLOT])(pname, v);
}
void cullParameterd(GLenum pname, GLdouble value) {
    GLdouble v[4] = {value, 0.0, 0.0, 0.0};
    ((CullParameterdv)__glThreadState()->dispatch.entry[GL_SLOT_CullParameterdvQTA - GL_FIRST_SLOT])(pname, v);
}

struct Validation : ::testing::Test {
    GlContext* gc = nullptr;
    GlContextProcs saved;
    void SetUp() override {
        gc = gltestCreateCurrent();
        ASSERT_NE(gc, nullptr);
        draw();
        saved = gc->procs;
        calls.clear();
    }
    void TearDown() override {
        gc->procs = saved;
        glGetError();
        gltestDestroyCurrent(gc);
    }
};

const std::vector<int> firstBlockOrder = {TEXTURE, DRAW_BUFFER, FRAGMENT_STORE, MATRIX, COLOR_MATERIAL,
                                          TEXGEN, BLEND, FOG, CLIP_INTERPOLATOR, SHADE, BITMAP};
const std::vector<int> triangleOrder = {VERTEX, SPAN, CULL_AND_FILL};

std::vector<int> join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(Validation, OnlyTheDirtyGroupsRunInTheFixedOrder) {
    const GLubyte stipple[128] = {};
    struct Case {
        const char* name;
        std::function<void()> change;
        std::vector<int> expected;
    } cases[] = {
        {"depth function", [] { glDepthFunc(GL_LEQUAL); }, join({{DEPTH}, triangleOrder})},
        {"array enable", [] { glEnableClientState(GL_VERTEX_ARRAY); }, {ARRAY}},
        {"line width", [] { glLineWidth(2.0f); }, {LINE}},
        {"point size", [] { glPointSize(2.0f); }, {POINT}},
        {"cull face", [] { glCullFace(GL_FRONT); }, triangleOrder},
        {"polygon stipple", [&] { glPolygonStipple(stipple); }, join({{STIPPLE}, triangleOrder})},
        {"pixel state", [this] { gc->dirtyPickers |= GL_DIRTY_PIXEL; }, {RENDER}},
        {"scissor", [] { glScissor(1, 2, 3, 4); }, {}},
        {"light model", [] { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); },
         join({firstBlockOrder, triangleOrder, {POINT, LINE, RENDER, VERTEX_ARRAY}})},
        {"enable", [] { glEnable(GL_FOG); },
         join({{ARRAY}, firstBlockOrder, triangleOrder, {POINT, LINE, RENDER, VERTEX_ARRAY}})},
        {"every group", [this] { gc->dirtyPickers = GL_DIRTY_ALL_PICKERS; },
         join({{ARRAY}, firstBlockOrder, {STIPPLE, DEPTH}, triangleOrder, {POINT, LINE, RENDER, VERTEX_ARRAY}})},
    };
    installCounters(&gc->procs);
    for (const Case& c : cases) {
        calls.clear();
        c.change();
        __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
        draw();
        EXPECT_EQ(lastRuns(), c.expected) << c.name;
        EXPECT_EQ(gc->dirtyPickers, 0u) << c.name;
        EXPECT_EQ(gc->dirtyTables, 0u) << c.name;
    }
}

TEST_F(Validation, AnArrayChangeWithATableChangeGoesOn) {
    installCounters(&gc->procs);
    glEnableClientState(GL_VERTEX_ARRAY);
    gc->dirtyTables = GL_DIRTY_ALPHA_TABLE;
    draw();
    EXPECT_EQ(lastRuns(), std::vector<int>{ARRAY});
    EXPECT_EQ(gc->dirtyTables, 0u);
    EXPECT_EQ(gc->dirtyPickers, 0u);
}

TEST_F(Validation, AScissorPopRestoresTheWindowClipBox) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(2, 3, 10, 20);
    draw();
    const GLint saved[4] = {gc->span.clipBox[0], gc->span.clipBox[1], gc->span.clipBox[2], gc->span.clipBox[3]};
    glPushAttrib(GL_SCISSOR_BIT);
    glScissor(0, 0, 5, 5);
    glPopAttrib();
    draw();
    for (int i = 0; i < 4; i++) EXPECT_EQ(gc->span.clipBox[i], saved[i]) << i;
}

TEST_F(Validation, RasterFlags) {
    struct Case {
        const char* name;
        std::function<void()> change;
        GLuint mask, expected;
    } cases[] = {
        {"fog per vertex", [] { glShadeModel(GL_FLAT); glHint(GL_FOG_HINT, GL_DONT_CARE); glEnable(GL_FOG); },
         0x3002, 0x2002},
        {"fog per fragment", [] { glShadeModel(GL_FLAT); glHint(GL_FOG_HINT, GL_NICEST); glEnable(GL_FOG); },
         0x3002, 0x1000},
        {"smooth shading", [] {}, 0x20002, 0x20002},
        {"flat shading", [] { glShadeModel(GL_FLAT); }, 0x20002, 0},
        {"depth test", [] { glEnable(GL_DEPTH_TEST); }, 0x4004, 0x4004},
        {"stencil test without a stencil buffer", [] { glEnable(GL_STENCIL_TEST); }, 0x20, 0},
        {"blend", [] { glEnable(GL_BLEND); }, 0x180, 0x100},
        {"blend under a logic op", [] { glEnable(GL_BLEND); glEnable(GL_COLOR_LOGIC_OP); }, 0x180, 0x80},
        {"index logic op on RGBA", [] { glEnable(GL_INDEX_LOGIC_OP); }, 0x80, 0},
        {"alpha test", [] { glEnable(GL_ALPHA_TEST); }, 0x200, 0x200},
        {"two-sided lighting", [] { glEnable(GL_LIGHTING); glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); },
         0x400, 0x400},
        {"two-sided model unlit", [] { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }, 0x400, 0},
        {"red write mask off", [] { glColorMask(0, 1, 1, 1); }, 0x800, 0x800},
        {"alpha write mask off without alpha bits", [] { glColorMask(1, 1, 1, 0); }, 0x800, 0},
        {"stipples and culling", [] { glEnable(GL_LINE_STIPPLE); glEnable(GL_POLYGON_STIPPLE); glEnable(GL_CULL_FACE); },
         0x18010, 0x18010},
        {"polygon offset", [] { glEnable(GL_DEPTH_TEST); glEnable(GL_POLYGON_OFFSET_FILL); glPolygonOffset(1.0f, 0.0f); },
         0x100000, 0x100000},
        {"polygon offset of zero", [] { glEnable(GL_DEPTH_TEST); glEnable(GL_POLYGON_OFFSET_FILL); }, 0x100000, 0},
        {"polygon offset without depth test", [] { glEnable(GL_POLYGON_OFFSET_FILL); glPolygonOffset(1.0f, 1.0f); },
         0x100000, 0},
        {"no texture", [] { glEnable(GL_TEXTURE_2D); }, 0x1800008, 0},
    };
    for (const Case& c : cases) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        c.change();
        draw();
        EXPECT_EQ(gc->rasterFlags & c.mask, c.expected) << c.name;
        EXPECT_EQ(gc->rasterFlags & 0x1, 0x1u) << c.name;
        glPopAttrib();
    }
}

TEST_F(Validation, DitherOnlyOnOneAndTwoBytePixels) {
    const GLuint sizes[][2] = {{1, 0x40}, {2, 0x40}, {3, 0}, {4, 0}};
    GlBufferObject* front = &gc->fb.frontBuffer->buf;
    const GLuint elementSize = front->elementSize;
    for (const auto& s : sizes) {
        front->elementSize = s[0];
        glEnable(GL_DITHER);
        draw();
        EXPECT_EQ(gc->rasterFlags & 0x40, s[1]) << s[0];
        glDisable(GL_DITHER);
        draw();
        EXPECT_EQ(gc->rasterFlags & 0x40, 0u) << s[0];
    }
    front->elementSize = elementSize;
}

TEST_F(Validation, VertexWorkMasks) {
    struct Case {
        const char* name;
        std::function<void()> change;
        GLuint base, front, back, flat;
    } cases[] = {
        {"smooth", [] {}, 0, 0x1, 0x1, 0x1},
        {"flat", [] { glShadeModel(GL_FLAT); }, 0, 0, 0, 0},
        {"lighting", [] { glEnable(GL_LIGHTING); glEnable(GL_LIGHT0); }, 0, 0x9, 0x9, 0x9},
        {"local viewer", [] { glEnable(GL_LIGHTING); glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1); },
         0, 0x19, 0x19, 0x19},
        {"positional light",
         [] {
             const GLfloat p[4] = {0, 0, 1, 1};
             glLightfv(GL_LIGHT1, GL_POSITION, p);
             glEnable(GL_LIGHT1);
             glEnable(GL_LIGHTING);
         },
         0, 0x19, 0x19, 0x19},
        {"positional light disabled",
         [] {
             const GLfloat p[4] = {0, 0, 1, 1};
             glLightfv(GL_LIGHT1, GL_POSITION, p);
             glEnable(GL_LIGHTING);
         },
         0, 0x9, 0x9, 0x9},
        {"w of minus zero is directional",
         [] {
             const GLfloat p[4] = {0, 0, 1, -0.0f};
             glLightfv(GL_LIGHT1, GL_POSITION, p);
             glEnable(GL_LIGHT1);
             glEnable(GL_LIGHTING);
         },
         0, 0x9, 0x9, 0x9},
        {"two-sided", [] { glEnable(GL_LIGHTING); glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }, 0, 0x9, 0xA, 0xB},
        {"two-sided flat", [] { glShadeModel(GL_FLAT); glEnable(GL_LIGHTING); glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); },
         0, 0x9, 0xA, 0},
        {"fog per vertex, flat", [] { glShadeModel(GL_FLAT); glEnable(GL_FOG); }, 0x50, 0x51, 0x51, 0},
        {"fog per fragment, flat", [] { glShadeModel(GL_FLAT); glHint(GL_FOG_HINT, GL_NICEST); glEnable(GL_FOG); },
         0x10, 0x10, 0x10, 0},
        {"user plane, flat", [] { glShadeModel(GL_FLAT); glEnable(GL_CLIP_PLANE3); }, 0x10, 0x10, 0x10, 0},
        {"lit all vertices, flat",
         [] {
             glShadeModel(GL_FLAT);
             glEnable(GL_LIGHTING);
             cullParameterf(0x81AD, 0.0f);
         },
         0, 0x9, 0x9, 0x9},
    };
    for (const Case& c : cases) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        c.change();
        draw();
        EXPECT_EQ(gc->vertexNeedsBase, c.base) << c.name;
        EXPECT_EQ(gc->vertexNeedsFront, c.front) << c.name;
        EXPECT_EQ(gc->vertexNeedsBack, c.back) << c.name;
        EXPECT_EQ(gc->vertexNeedsFlat, c.flat) << c.name;
        glPopAttrib();
        cullParameterf(0x81AD, 1.0f);
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 0);
    }
}

// Texture state is set in place: its setters and objects are not built yet.
TEST_F(Validation, ACurrentTextureSelectsTextureFlagsAndWork) {
    struct Case {
        const char* name;
        std::function<void(GlContext*)> change;
        GLuint mask, flags, base;
    } cases[] = {
        {"mipmapped", [](GlContext*) {}, 0x1800008, 0x1000008, 0x204},
        {"one filter, fastest",
         [](GlContext* gc) {
             gc->texture.target[1].minFilter = GL_LINEAR;
             gc->hints.perspectiveCorrection = GL_FASTEST;
         },
         0x1800008, 0x800008, 0x4},
        {"two filters, fastest",
         [](GlContext* gc) {
             gc->texture.target[1].minFilter = GL_NEAREST;
             gc->hints.perspectiveCorrection = GL_FASTEST;
         },
         0x1800008, 0x1800008, 0x204},
        {"eye-linear S, sphere-map T",
         [](GlContext* gc) {
             gc->hints.perspectiveCorrection = GL_FASTEST;
             gc->texture.gen[0].mode = GL_EYE_LINEAR;
             gc->texture.gen[1].mode = GL_SPHERE_MAP;
             glEnable(GL_TEXTURE_GEN_S);
             glEnable(GL_TEXTURE_GEN_T);
         },
         0, 0, 0x21C},
        {"sphere-map S", [](GlContext* gc) { gc->texture.gen[0].mode = GL_SPHERE_MAP; glEnable(GL_TEXTURE_GEN_S); },
         0, 0, 0x21C},
        {"fog with a modulating texture", [](GlContext*) { glEnable(GL_FOG); }, 0x3000, 0x1000, 0x254},
        // The adding environment is colour-index only: an RGBA context draws untextured.
        {"fog with an adding texture",
         [](GlContext* gc) {
             gc->texture.env.mode = 0x0104;
             glEnable(GL_FOG);
         },
         0x3000, 0x2000, 0x50},
    };
    // A complete 1x1 texture: the texture picker makes it current.
    const GLubyte texel[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    for (const Case& c : cases) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        const GlTextureState texState = gc->texture;
        const GlHintState hints = gc->hints;
        glEnable(GL_TEXTURE_2D);
        c.change(gc);
        gc->dirtyPickers |= GL_DIRTY_GENERIC;
        __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
        draw();
        EXPECT_EQ(gc->texturingActive, (c.base & 0x4) ? 1 : 0) << c.name;
        EXPECT_EQ(gc->rasterFlags & c.mask, c.flags) << c.name;
        EXPECT_EQ(gc->vertexNeedsBase, c.base) << c.name;
        gc->currentTexture = nullptr;
        gc->texture = texState;
        gc->hints = hints;
        glPopAttrib();
        draw();
        EXPECT_EQ(gc->texturingActive, 0) << c.name;
    }
}

// The geometry completes eye coordinates for user planes and a lit colour
// only with lighting on.
TEST_F(Validation, GeometryNeedsFollowTheWorkMasks) {
    glEnable(GL_CLIP_PLANE0);
    draw();
    EXPECT_EQ(gc->frontNeeds & 0x13, 0x10u);
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    draw();
    EXPECT_EQ(gc->faceNeeds[0], 0x1u);
    EXPECT_EQ(gc->faceNeeds[1], 0x2u);
    EXPECT_EQ(gc->pendingNeeds & 0x3, 0x3u);
}

TEST_F(Validation, PrivateHints) {
    struct Case {
        GLenum pname;
        GLuint flag;
        bool marks;
    } cases[] = {
        {0x6401, 0x80, false}, {0x6402, 0x100, true}, {0x6404, 0x2000, true},
        {0x81AE, 0x4000, true}, {0x81AF, 0x8000, true},
    };
    GlThreadState* ts = __glThreadState();
    for (const Case& c : cases) {
        for (GLfloat value : {1.0f, 0.0f}) {
            draw();
            ASSERT_EQ(ts->beginState, GL_BEGIN_OUTSIDE);
            cullParameterf(c.pname, value);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << std::hex << c.pname;
            EXPECT_EQ(gc->arrays.flags & c.flag, value != 0.0f ? c.flag : 0u) << std::hex << c.pname;
            EXPECT_EQ(ts->beginState == GL_BEGIN_NEEDS_VALIDATE, c.marks) << std::hex << c.pname;
            EXPECT_EQ(gc->dirtyPickers, c.marks ? (GLuint)GL_DIRTY_GENERIC : 0u) << std::hex << c.pname;
        }
    }
    draw();
    cullParameterd(0x6403, 2.75);
    EXPECT_EQ(gc->vertexArrayHint, 2);
    EXPECT_EQ(ts->beginState, GL_BEGIN_OUTSIDE);
    cullParameterf(0x81AD, 0.0f);
    EXPECT_EQ(gc->litAllVertices, 1);
    EXPECT_EQ(gc->dirtyPickers, (GLuint)GL_DIRTY_GENERIC);
    cullParameterd(0x81AD, 1.0);
    EXPECT_EQ(gc->litAllVertices, 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(Validation, UnknownPrivateValuesAreInvalid) {
    const GLuint flags = gc->arrays.flags;
    draw();
    for (GLenum pname : {0x6400u, 0x6405u, 0x81AAu, 0x81B0u}) {
        cullParameterf(pname, 1.0f);
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM) << std::hex << pname;
        cullParameterd(pname, 1.0);
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM) << std::hex << pname;
    }
    EXPECT_EQ(gc->arrays.flags, flags);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_OUTSIDE);
}

}  // namespace
