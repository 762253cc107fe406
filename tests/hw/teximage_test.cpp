// Texture levels on the board: level-0 geometry and the level table the board
// gets, shapes it cannot take, level matching, sub-image rows, what the
// layouts read back, stale state and residency.

#include <vector>
#include "hw_env.h"
#include "hw/hwcontext.h"

namespace {

GlTextureParams* boundParams() {
    return &__glLookupTextureObject(__glThreadState()->context, GL_TEXTURE_2D)->params;
}

GLint levelParam(GLint level, GLenum pname) {
    GLint v = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, pname, &v);
    return v;
}

// The board's colour combine takes the iterated colour: untextured.
bool untexturedCombine() {
    const RvSimState s = hwtestBoard();
    return s.colorCombine[0] == 1 && s.colorCombine[2] == 0 && s.alphaCombine[0] == 1 && s.alphaCombine[2] == 0;
}

struct Shape {
    GLint internalFormat;
    int width, height, border;
    GLenum error;
    bool drawn;  // textured by the board
    int32_t largeLod, aspect, format;
    float scaleS, scaleT;
};

// Level 0 of each shape, drawn with a quad whose far corner has s = t = 1.
TEST(HwTexLevels, LevelZeroGeometry) {
    const Shape shapes[] = {
        {GL_RGB, 256, 32, 0, GL_NO_ERROR, true, 0, 0, RV_TEXFMT_RGB_565, 256, 32},
        {GL_RGB8, 1, 8, 0, GL_NO_ERROR, true, 5, 6, RV_TEXFMT_RGB_565, 32, 256},
        {GL_RGBA8, 16, 16, 0, GL_NO_ERROR, true, 4, 3, RV_TEXFMT_ARGB_4444, 256, 256},
        {GL_RGB10_A2, 4, 2, 0, GL_NO_ERROR, true, 6, 2, RV_TEXFMT_ARGB_4444, 256, 128},
        {GL_RGB5_A1, 2, 2, 0, GL_NO_ERROR, true, 7, 3, RV_TEXFMT_ARGB_4444, 256, 256},
        {GL_R3_G3_B2, 8, 8, 0, GL_NO_ERROR, true, 5, 3, RV_TEXFMT_RGB_332, 256, 256},
        {GL_LUMINANCE6_ALPHA2, 8, 8, 0, GL_NO_ERROR, true, 5, 3, RV_TEXFMT_ALPHA_LUM_88, 256, 256},
        {GL_INTENSITY8, 8, 8, 0, GL_NO_ERROR, true, 5, 3, RV_TEXFMT_ALPHA_LUM_88, 256, 256},
        {GL_LUMINANCE, 8, 1, 0, GL_NO_ERROR, true, 5, 0, RV_TEXFMT_LUMINANCE_8, 256, 32},
        {GL_ALPHA4, 1, 1, 0, GL_NO_ERROR, true, 8, 3, RV_TEXFMT_ALPHA_8, 256, 256},
        // Legal for OpenGL, not for the board: stored, drawn untextured.
        {GL_RGB, 66, 66, 1, GL_NO_ERROR, false, 0, 0, 0, 0, 0},
        {GL_RGB, 0, 4, 0, GL_NO_ERROR, false, 0, 0, 0, 0, 0},
        // Beyond the board's largest texture or its 8:1 sides.
        {GL_RGB, 512, 512, 0, GL_INVALID_VALUE, false, 0, 0, 0, 0, 0},
        {GL_RGB, 256, 258, 1, GL_INVALID_VALUE, false, 0, 0, 0, 0, 0},
        {GL_RGB, 256, 16, 0, GL_INVALID_VALUE, false, 0, 0, 0, 0, 0},
        {GL_LUMINANCE, 2, 32, 0, GL_INVALID_VALUE, false, 0, 0, 0, 0, 0},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(testing::Message() << std::hex << s.internalFormat << std::dec << " " << s.width << "x"
                                        << s.height << " border " << s.border);
        HwContext hw(false, 64);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        std::vector<uint8_t> image((size_t)(s.width + 2) * (s.height + 2) * 4, 0x80);
        glTexImage2D(GL_TEXTURE_2D, 0, s.internalFormat, s.width, s.height, s.border, GL_RGBA, GL_UNSIGNED_BYTE,
                     image.data());
        EXPECT_EQ(glGetError(), s.error);
        EXPECT_EQ(levelParam(0, GL_TEXTURE_WIDTH), s.error ? 0 : s.width);
        glEnable(GL_TEXTURE_2D);
        rvLogClear();
        hwtestTexturedQuad(0, 0, 32, 32);
        const RvSimState st = hwtestBoard();
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
        if (!s.drawn) {
            EXPECT_TRUE(untexturedCombine());
            EXPECT_EQ(boundParams()->hw.block, nullptr);
            EXPECT_EQ(hwtestCalls("rvTexDownloadMipMapLevel").size(), 0u);
            continue;
        }
        EXPECT_FALSE(untexturedCombine());
        EXPECT_EQ(st.texSourceValid, 1u);
        EXPECT_EQ(st.texLargeLod, s.largeLod);
        EXPECT_EQ(st.texAspect, s.aspect);
        EXPECT_EQ(st.texFormat, s.format);
        // The far corner carries s = t = 1 in the board's units.
        float maxS = 0, maxT = 0;
        for (const RvLogEntry& e : hwtestCalls("rvDrawTriangle"))
            for (const RvVertex& v : e.vertices) {
                maxS = v.sow / v.oow > maxS ? v.sow / v.oow : maxS;
                maxT = v.tow / v.oow > maxT ? v.tow / v.oow : maxT;
            }
        EXPECT_FLOAT_EQ(maxS, s.scaleS);
        EXPECT_FLOAT_EQ(maxT, s.scaleT);
    }
}

// Proxies answer what the board takes: level sizes at level 0's size up to
// 256 and sides up to 8:1.
TEST(HwTexLevels, ProxiesAnswerTheBoardsShapes) {
    HwContext hw(false, 64);
    const struct {
        int level, width, height;
        bool taken;
    } cases[] = {
        {0, 256, 32, true}, {0, 32, 256, true}, {0, 256, 16, false}, {0, 8, 128, false}, {0, 512, 1, false},
        {3, 32, 4, true},   {3, 32, 2, false},  {5, 8, 1, true},     {5, 16, 1, false},  {0, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " " << c.width << "x" << c.height);
        glTexImage2D(GL_PROXY_TEXTURE_2D, c.level, GL_RGB, c.width, c.height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        GLint w = -1, h = -1;
        glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, c.level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, c.level, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, c.taken ? c.width : 0);
        EXPECT_EQ(h, c.taken ? c.height : 0);
    }
}

// A level whose layout differs from level 0's is never downloaded, so a
// one-byte 3-3-2 level is not read at two bytes a texel; once it matches, the
// mip-map is complete and drawn.
TEST(HwTexLevels, OnlyLevelsOfLevelZerosLayoutDownload) {
    HwContext hw(false, 64);
    const uint8_t texels[8 * 8 * 4] = {};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexImage2D(GL_TEXTURE_2D, 1, GL_R3_G3_B2, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexImage2D(GL_TEXTURE_2D, 2, GL_RGB, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexImage2D(GL_TEXTURE_2D, 3, GL_RGB, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    for (const RvLogEntry& e : hwtestCalls("rvTexDownloadMipMapLevel"))
        EXPECT_NE(e.args[2], (uint32_t)(RV_LOD_8 + 1)) << "level 1 downloaded";
    glEnable(GL_TEXTURE_2D);
    hwtestTexturedQuad(0, 0, 4, 4);
    EXPECT_TRUE(untexturedCombine());
    glTexImage2D(GL_TEXTURE_2D, 1, GL_RGB, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    hwtestTexturedQuad(0, 0, 4, 4);
    EXPECT_FALSE(untexturedCombine());
    EXPECT_EQ(boundParams()->hw.loadedMask, 0xFu);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// Emptying level 0 leaves nothing of the texture on the board.
TEST(HwTexLevels, EmptiedLevelZeroIsNotOnTheBoard) {
    HwContext hw(false, 64);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glEnable(GL_TEXTURE_2D);
    hwtestTexturedQuad(0, 0, 4, 4);
    EXPECT_EQ(boundParams()->hw.loadedMask, 1u);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(boundParams()->hw.loadedMask, 0u);
    EXPECT_EQ(boundParams()->hw.block, nullptr);
    hwtestTexturedQuad(0, 0, 4, 4);
    EXPECT_TRUE(untexturedCombine());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Client images go through the unpacker: unpack modes, every type, floats
// clamped; the board gets the rounded fields of its layout.
TEST(HwTexLevels, TexelsConvertThroughTheUnpacker) {
    HwContext hw(false, 64);
    const GLfloat floats[4 * 2] = {2.0f, -1.0f, 0.5f, 1.0f, 0.0f, 1.0f, 0.25f, 0.0f};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA4, 2, 1, 0, GL_RGBA, GL_FLOAT, floats);
    const uint16_t* t = (const uint16_t*)boundParams()->levels[0].data;
    EXPECT_EQ(t[0], 0xFF08) << "A F, R F, G 0, B 8";
    EXPECT_EQ(t[1], 0x00F4);
    // Rows of 4 ubyte RGB pixels, skipping a row and a pixel.
    const uint8_t rows[3][12] = {{}, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 255, 9, 9, 9}};
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 4);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 1);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, rows);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    t = (const uint16_t*)boundParams()->levels[0].data;
    EXPECT_EQ(t[0], 0xF800);
    EXPECT_EQ(t[1], 0x07E0);
    EXPECT_EQ(t[2], 0x001F);
    // Luminance from RGBA keeps red; alpha from a luminance-alpha image its alpha.
    const uint8_t la[4] = {10, 200, 30, 40};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, la);
    EXPECT_EQ(boundParams()->levels[0].data[0], 10);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 2, 1, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, la);
    EXPECT_EQ(boundParams()->levels[0].data[0], 200);
    EXPECT_EQ(boundParams()->levels[0].data[1], 40);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Sub-images reach the board as whole rows at row x width x bytes a texel;
// a texture not on the board writes nothing there.
TEST(HwTexLevels, SubImageRowsGoToTheirPlace) {
    HwContext hw(false, 64, 64 * 1024);
    const uint8_t* board = rvSimTextureMemory();
    for (const GLint format : {GL_RGB, GL_LUMINANCE}) {
        SCOPED_TRACE(format);
        const int bytes = format == GL_RGB ? 2 : 1;
        glBindTexture(GL_TEXTURE_2D, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, format, 16, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        GlTextureParams* p = boundParams();
        ASSERT_NE(p->hw.block, nullptr);
        std::vector<uint8_t> sub(8 * 4 * 3, 255);
        rvLogClear();
        glTexSubImage2D(GL_TEXTURE_2D, 0, 4, 6, 8, 4, GL_RGB, GL_UNSIGNED_BYTE, sub.data());
        const auto partial = hwtestCalls("rvTexDownloadMipMapLevelPartial");
        ASSERT_EQ(partial.size(), 1u);
        EXPECT_EQ(partial[0].args[8], 6u);
        EXPECT_EQ(partial[0].args[9], 9u);
        const uint8_t* level = p->levels[0].data;
        EXPECT_EQ(memcmp(board + p->hw.block->start, level, 16 * 16 * (size_t)bytes), 0);
        EXPECT_EQ(board[p->hw.block->start + (6 * 16 + 4) * bytes], 255);
        EXPECT_EQ(board[p->hw.block->start + (5 * 16 + 4) * bytes], 0);
    }
    // Textures 2 and 3 (about 43 KiB each with their levels) take what texture
    // 1 held; a sub-image of texture 1 then stays off the board.
    for (GLuint name = 2; name <= 3; name++) {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 128, 128, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    }
    glBindTexture(GL_TEXTURE_2D, 1);
    ASSERT_EQ(boundParams()->hw.block, nullptr);
    const std::vector<uint8_t> before(board, board + 64 * 1024);
    const std::vector<uint8_t> sub(16 * 16 * 3, 77);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 16, 16, GL_RGB, GL_UNSIGNED_BYTE, sub.data());
    EXPECT_EQ(std::vector<uint8_t>(board, board + 64 * 1024), before);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// glGetTexImage reads the board layouts back under the pack modes.
TEST(HwTexLevels, GetTexImageReadsTheLayoutsBack) {
    HwContext hw(false, 64);
    const uint8_t image[2 * 4] = {255, 0, 0, 255, 0, 255, 255, 0};
    const struct {
        GLint internalFormat;
        uint8_t want[8];  // RGBA of the two texels
    } cases[] = {
        {GL_RGB, {255, 0, 0, 255, 0, 255, 255, 255}},
        {GL_RGBA, {255, 0, 0, 255, 0, 255, 255, 0}},
        {GL_R3_G3_B2, {255, 0, 0, 255, 0, 255, 255, 255}},
        {GL_LUMINANCE_ALPHA, {255, 0, 0, 255, 0, 0, 0, 0}},
        {GL_INTENSITY, {255, 0, 0, 255, 0, 0, 0, 255}},
        {GL_ALPHA, {0, 0, 0, 255, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.internalFormat);
        glTexImage2D(GL_TEXTURE_2D, 0, c.internalFormat, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);
        uint8_t back[12];
        memset(back, 0xEE, sizeof back);
        glPixelStorei(GL_PACK_SKIP_PIXELS, 1);
        glPixelStorei(GL_PACK_ROW_LENGTH, 3);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
        glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        for (int k = 0; k < 4; k++) EXPECT_EQ(back[k], 0xEE);
        for (int k = 0; k < 8; k++) EXPECT_EQ(back[4 + k], c.want[k]) << k;
        const bool alpha8 = c.internalFormat == GL_ALPHA || c.internalFormat == GL_LUMINANCE_ALPHA;
        EXPECT_EQ(levelParam(0, GL_TEXTURE_ALPHA_SIZE), c.internalFormat == GL_RGBA ? 4 : alpha8 ? 8 : 0);
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Deleting the texture the board draws with turns texturing off at once; a
// bind to the wrong target keeps the reference count.
TEST(HwTexObjects, StaleStateIsCleared) {
    HwContext hw(false, 64);
    glBindTexture(GL_TEXTURE_2D, 3);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glEnable(GL_TEXTURE_2D);
    hwtestTexturedQuad(0, 0, 4, 4);
    ASSERT_FALSE(untexturedCombine());
    GlTextureObject* o = __glLookupTextureObject(__glThreadState()->context, GL_TEXTURE_2D);
    EXPECT_EQ(o->refCount, 2);
    glBindTexture(GL_TEXTURE_1D, 3);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    EXPECT_EQ(o->refCount, 2);
    const GLuint three = 3;
    glDeleteTextures(1, &three);
    EXPECT_TRUE(untexturedCombine());
    EXPECT_EQ(glIsTexture(3), GL_FALSE);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// The object, parameter and environment entries of a hardware context keep
// their state as in software: names written, queries answered, errors raised.
TEST(HwTexObjects, ObjectEntriesKeepTheirState) {
    HwContext hw(false, 64);
    GLuint names[3] = {0, 0, 0};
    glGenTextures(3, names);
    EXPECT_NE(names[0], 0u);
    EXPECT_NE(names[0], names[1]);
    EXPECT_NE(names[1], names[2]);
    EXPECT_EQ(glIsTexture(names[1]), GL_FALSE);  // a name, no object yet
    glBindTexture(GL_TEXTURE_2D, names[1]);
    EXPECT_EQ(glIsTexture(names[1]), GL_TRUE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLfloat)GL_LINEAR_MIPMAP_NEAREST);
    const GLclampf priority = 0.25f;
    glPrioritizeTextures(1, &names[1], &priority);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    const GLfloat envColor[4] = {0.5f, 0.25f, 1.0f, 0.0f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &v);
    EXPECT_EQ(v, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR_MIPMAP_NEAREST);
    GLfloat f[4] = {};
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, f);
    EXPECT_FLOAT_EQ(f[0], 0.25f);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
    EXPECT_EQ(v, GL_DECAL);
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, f);
    EXPECT_FLOAT_EQ(f[1], 0.25f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const struct {
        const char* what;
        void (*call)();
        GLenum error;
    } errors[] = {
        {"negative count", [] { glGenTextures(-1, nullptr); }, GL_INVALID_VALUE},
        {"bind to a proxy", [] { glBindTexture(GL_PROXY_TEXTURE_2D, 5); }, GL_INVALID_ENUM},
        {"unknown parameter", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_ENV_MODE, GL_REPEAT); }, GL_INVALID_ENUM},
        {"unknown wrap", [] { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_LINEAR); }, GL_INVALID_ENUM},
        {"unknown mode", [] { glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPEAT); }, GL_INVALID_ENUM},
        {"delete negative", [] { glDeleteTextures(-1, nullptr); }, GL_INVALID_VALUE},
        {"inside glBegin", [] {
             glBegin(GL_TRIANGLES);
             EXPECT_EQ(glIsTexture(1), GL_FALSE);
             glEnd();
         }, GL_INVALID_OPERATION},
    };
    for (const auto& e : errors) {
        e.call();
        EXPECT_EQ(glGetError(), e.error) << e.what;
    }
    glDeleteTextures(3, names);
    EXPECT_EQ(glIsTexture(names[1]), GL_FALSE);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// OpenGL 1.1: the residences are written only when the answer is GL_FALSE.
TEST(HwTexObjects, ResidencyFollowsTheBoard) {
    HwContext hw(false, 64, 64 * 1024);
    // 32 KiB at 0 and 16 KiB after it; then 32 KiB more: from the start again,
    // taking texture 1's place.
    const GLuint names[2] = {1, 2};
    const int heights[3] = {128, 64, 128};
    for (GLuint n = 1; n <= 3; n++) {
        glBindTexture(GL_TEXTURE_2D, n);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 128, heights[n - 1], 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        if (n != 2) continue;
        GLboolean r[2] = {9, 9};
        EXPECT_TRUE(glAreTexturesResident(2, names, r));
        EXPECT_EQ(r[0], 9);
        EXPECT_EQ(r[1], 9);
    }
    GLboolean r[2] = {9, 9};
    EXPECT_FALSE(glAreTexturesResident(2, names, r));
    EXPECT_EQ(r[0], GL_FALSE);
    EXPECT_EQ(r[1], GL_TRUE);
    GLint resident = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_RESIDENT, &resident);
    EXPECT_EQ(resident, 1);
    glBindTexture(GL_TEXTURE_2D, 1);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_RESIDENT, &resident);
    EXPECT_EQ(resident, 0);
}

// 1-D textures are kept as in software (images, sub-images, copies, queries)
// and drawn untextured: the board has no 1-D textures.
TEST(HwTexObjects, OneDimensionalTexturesAreKeptAndDrawnUntextured) {
    HwContext hw(false, 64);
    const uint8_t row[4 * 3] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, row);
    const uint8_t sub[3] = {1, 2, 3};
    glTexSubImage1D(GL_TEXTURE_1D, 0, 2, 1, GL_RGB, GL_UNSIGNED_BYTE, sub);
    uint8_t back[12];
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RGB, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(back[0], 10);
    EXPECT_EQ(back[6], 1);
    EXPECT_EQ(back[9], 100);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_1D);
    hwtestTexturedQuad(0, 0, 4, 4);
    EXPECT_TRUE(untexturedCombine());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

}  // namespace

namespace {

// Pixel rectangles drawn with texturing on take the texture at the raster
// position, as in software.
TEST(HwTexObjects, PixelFragmentsAreTextured) {
    HwContext hw(false, 64);
    const uint8_t red[3] = {255, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DITHER);
    const uint8_t green[2 * 2 * 3] = {0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2f(4.5f, 4.5f);
    glDrawPixels(2, 2, GL_RGB, GL_UNSIGNED_BYTE, green);
    const HwRgb c = hwtestPixel(RV_BUFFER_FRONT, 5, 5);
    EXPECT_EQ(c.r, 255);
    EXPECT_EQ(c.g, 0);
    glDisable(GL_TEXTURE_2D);
    glRasterPos2f(8.5f, 8.5f);
    glDrawPixels(2, 2, GL_RGB, GL_UNSIGNED_BYTE, green);
    EXPECT_EQ(hwtestPixel(RV_BUFFER_FRONT, 9, 9).g, 255);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
}

// The board has no GL_BLEND environment: the mode is kept for queries and the
// board goes on combining as the mode before it.
TEST(HwTexObjects, BlendEnvironmentKeepsThePreviousCombine) {
    HwContext hw(false, 64);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
    hwtestTexturedQuad(0, 0, 4, 4);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_BLEND);
    const RvSimState s = hwtestBoard();
    const int32_t decalRgb[4] = {3, 8, 1, 1};  // an RGB texture's decal: the texture's colour
    for (int k = 0; k < 4; k++) EXPECT_EQ(s.colorCombine[k], decalRgb[k]) << k;
}

}  // namespace
