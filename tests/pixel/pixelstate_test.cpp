// Pixel store, zoom, transfer, maps and read buffer through the GL calls and
// queries; attribute push and pop; the checks and calls of the rectangle entries.

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <functional>
#include <vector>
#include "gltest.h"
#include "gldib.h"
#include "core/glcontext.h"
#include "pixel/pixel.h"
#include "glfixture.h"

namespace {

struct PixelState : GltestContextTest {};

GLint getInt(GLenum pname) {
    GLint v = -12345;
    glGetIntegerv(pname, &v);
    return v;
}
GLfloat getFloat(GLenum pname) {
    GLfloat v = -12345.0f;
    glGetFloatv(pname, &v);
    return v;
}
GLint mapSize(GLenum map) { return getInt(map - GL_PIXEL_MAP_I_TO_I + GL_PIXEL_MAP_I_TO_I_SIZE); }

const GLenum storeNames[] = {GL_UNPACK_SWAP_BYTES, GL_UNPACK_LSB_FIRST, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS,
                             GL_UNPACK_SKIP_PIXELS, GL_UNPACK_ALIGNMENT, GL_PACK_SWAP_BYTES, GL_PACK_LSB_FIRST,
                             GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS, GL_PACK_ALIGNMENT};

// Everything the pixel calls may change, for "left exactly as before".
struct Snapshot {
    GlPixelTransferState transfer;
    GlPixelStoreModes pack, unpack;
    GLenum readBuffer, requested;
    std::vector<std::vector<GLfloat>> maps;
    explicit Snapshot(const GlContext* gc)
        : transfer(gc->pixel.transfer), pack(gc->pixel.pack), unpack(gc->pixel.unpack),
          readBuffer(gc->pixel.readBuffer), requested(gc->pixel.readBufferRequested) {
        for (GLenum m = GL_PIXEL_MAP_I_TO_I; m <= GL_PIXEL_MAP_A_TO_A; m++) {
            std::vector<GLfloat> v((size_t)mapSize(m));
            if (!v.empty()) glGetPixelMapfv(m, v.data());
            maps.push_back(v);
        }
    }
    bool operator==(const Snapshot& o) const {
        return !memcmp(&transfer, &o.transfer, sizeof transfer) && !memcmp(&pack, &o.pack, sizeof pack) &&
               !memcmp(&unpack, &o.unpack, sizeof unpack) && readBuffer == o.readBuffer &&
               requested == o.requested && maps == o.maps;
    }
};

}  // namespace

TEST_F(PixelState, Defaults) {
    for (GLenum p : storeNames) {
        const bool alignment = (p & 0xF) == 5;
        EXPECT_EQ(getInt(p), alignment ? 4 : 0) << std::hex << p;
    }
    for (GLenum p : {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE, GL_DEPTH_SCALE, GL_ZOOM_X, GL_ZOOM_Y})
        EXPECT_EQ(getFloat(p), 1.0f) << std::hex << p;
    for (GLenum p : {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS, GL_DEPTH_BIAS, GL_INDEX_SHIFT,
                     GL_INDEX_OFFSET, GL_MAP_COLOR, GL_MAP_STENCIL})
        EXPECT_EQ(getFloat(p), 0.0f) << std::hex << p;
    EXPECT_EQ(getInt(GL_READ_BUFFER), GL_BACK);
    for (GLenum m = GL_PIXEL_MAP_I_TO_I; m <= GL_PIXEL_MAP_A_TO_A; m++) {
        EXPECT_EQ(mapSize(m), 1);
        GLuint v = 99;
        glGetPixelMapuiv(m, &v);
        EXPECT_EQ(v, 0u);
        EXPECT_NE(gc->pixel.maps[m - GL_PIXEL_MAP_I_TO_I].values, nullptr) << "the one entry is a real table";
    }
    // The unsigned-byte tables: i x maximum / 255 and i AND the index mask.
    const GlPixelTransferTables& t = gc->pixel.tables;
    for (int c = 0; c < 4; c++) {
        ASSERT_NE(t.scale[c], nullptr);
        EXPECT_FLOAT_EQ(t.scale[c][255], gc->constants.previousColorMax[c]);
        EXPECT_FLOAT_EQ(t.scale[c][51], 51.0f * gc->constants.previousColorMax[c] / 255.0f);
    }
    ASSERT_NE(t.index, nullptr);
    const GLuint mask = (1u << gc->pixelFormat.colorBits) - 1;
    for (int i : {0, 7, 200, 255}) EXPECT_EQ(t.index[i], (GLfloat)(i & mask));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(PixelStateSingle, ReadBufferOfASingleBufferedContext) {
    GlContext* gc = gltestCreateCurrent(false);
    ASSERT_NE(gc, nullptr);
    glGetError();
    EXPECT_EQ(getInt(GL_READ_BUFFER), GL_FRONT);
    for (GLenum mode : {GL_BACK, GL_BACK_LEFT}) {
        glReadBuffer(mode);
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
        EXPECT_EQ(getInt(GL_READ_BUFFER), GL_FRONT);
    }
    gltestDestroyCurrent(gc);
}

// Each step's value read back after the call, in order (a step may depend on
// the one before it).
TEST_F(PixelState, StoreModesFromFloatsAndIntegers) {
    struct Step {
        GLenum pname;
        GLfloat param;
        GLint want;
    };
    const Step steps[] = {
        {GL_UNPACK_SWAP_BYTES, 0.5f, 1},   {GL_UNPACK_SWAP_BYTES, -0.0f, 0},  {GL_UNPACK_LSB_FIRST, 1e-30f, 1},
        {GL_UNPACK_LSB_FIRST, 0.0f, 0},    {GL_PACK_SWAP_BYTES, -3.0f, 1},    {GL_PACK_ROW_LENGTH, 2.5f, 3},
        {GL_PACK_ROW_LENGTH, 2.49f, 2},    {GL_UNPACK_SKIP_ROWS, 7.5f, 8},    {GL_PACK_SKIP_PIXELS, 0.4f, 0},
        {GL_UNPACK_ALIGNMENT, 1.6f, 2},    {GL_PACK_ALIGNMENT, 7.5f, 8},      {GL_UNPACK_SKIP_PIXELS, -0.4f, 0},
        // Beyond the integer range: saturated, not wrapped to a negative.
        {GL_UNPACK_ROW_LENGTH, 3e9f, 2147483647},
    };
    for (const Step& s : steps) {
        glPixelStoref(s.pname, s.param);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << std::hex << s.pname << " " << s.param;
        EXPECT_EQ(getInt(s.pname), s.want) << std::hex << s.pname << " " << s.param;
    }
    GLint value = 1;
    for (GLenum p : storeNames) {
        const GLint v = (p & 0xF) == 5 ? 8 : (p & 0xF) < 2 ? 1 : 10 + value++;
        glPixelStorei(p, v);
        EXPECT_EQ(getInt(p), v) << std::hex << p;
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(PixelState, TransferAndZoom) {
    struct Step {
        GLenum pname;
        GLfloat param;
        GLfloat want;
    };
    const Step steps[] = {
        {GL_MAP_COLOR, 0.25f, 1.0f},   {GL_MAP_STENCIL, 2.0f, 1.0f},   {GL_MAP_STENCIL, -0.0f, 0.0f},
        {GL_INDEX_SHIFT, -1.5f, -2.0f}, {GL_INDEX_SHIFT, 1.5f, 2.0f},  {GL_INDEX_OFFSET, -0.4f, 0.0f},
        {GL_INDEX_OFFSET, 2.49f, 2.0f}, {GL_RED_SCALE, -3.5f, -3.5f},  {GL_RED_BIAS, 2.0f, 2.0f},
        {GL_GREEN_SCALE, 0.5f, 0.5f},   {GL_GREEN_BIAS, -1.0f, -1.0f}, {GL_BLUE_SCALE, 4.0f, 4.0f},
        {GL_BLUE_BIAS, 0.125f, 0.125f}, {GL_ALPHA_SCALE, 0.0f, 0.0f},  {GL_ALPHA_BIAS, 9.0f, 9.0f},
        {GL_DEPTH_SCALE, 2.0f, 2.0f},   {GL_DEPTH_BIAS, -0.5f, -0.5f},
    };
    for (const Step& s : steps) {
        glPixelTransferf(s.pname, s.param);
        EXPECT_EQ(getFloat(s.pname), s.want) << std::hex << s.pname << " " << s.param;
    }
    glPixelTransferi(GL_INDEX_OFFSET, -7);
    EXPECT_EQ(getInt(GL_INDEX_OFFSET), -7);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    glPixelZoom(1.0f, -1.0f);
    EXPECT_EQ(getFloat(GL_ZOOM_X), 1.0f);
    EXPECT_EQ(getFloat(GL_ZOOM_Y), -1.0f);
    const GLfloat step = gc->constants.windowStep;
    ASSERT_GT(step, 0.0f);
    for (GLfloat f : {0.3f, -2.7f, 0.0f, 1e-6f, 1e30f}) {
        glPixelZoom(f, f);
        const GLfloat z = getFloat(GL_ZOOM_X);
        EXPECT_EQ(z / step, truncf(z / step)) << f << ": a whole number of steps";
        EXPECT_LE(fabsf(z - f), step / 2 + fabsf(f) * 1e-6f) << f;
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(PixelState, ReadBufferKeepsTheRequest) {
    const struct {
        GLenum mode, effective;
    } cases[] = {{GL_FRONT_LEFT, GL_FRONT}, {GL_LEFT, GL_FRONT}, {GL_BACK_LEFT, GL_BACK}, {GL_FRONT, GL_FRONT},
                 {GL_BACK, GL_BACK}};
    for (const auto& c : cases) {
        glReadBuffer(c.mode);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        EXPECT_EQ(getInt(GL_READ_BUFFER), (GLint)c.mode) << std::hex << c.mode;
        EXPECT_EQ(gc->pixel.readBuffer, c.effective);
    }
}

TEST_F(PixelState, ErrorsLeaveTheStateAlone) {
    // Make the state differ from the defaults first.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    glPixelStorei(GL_PACK_ROW_LENGTH, 9);
    glPixelTransferf(GL_RED_SCALE, 3.0f);
    const GLfloat two[] = {0.25f, 0.75f};
    glPixelMapfv(GL_PIXEL_MAP_I_TO_R, 2, two);
    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 2, two);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const GLfloat v[4] = {0, 0, 0, 0};
    const struct {
        const char* what;
        std::function<void()> call;
        GLenum error;
    } cases[] = {
        {"store enum", [] { glPixelStorei(0x0D06, 1); }, GL_INVALID_ENUM},
        {"store enum below", [] { glPixelStorei(0x0CEF, 1); }, GL_INVALID_ENUM},
        {"storef enum", [] { glPixelStoref(0x0CF6, 1.0f); }, GL_INVALID_ENUM},
        {"alignment 3", [] { glPixelStorei(GL_UNPACK_ALIGNMENT, 3); }, GL_INVALID_VALUE},
        {"alignment 0", [] { glPixelStorei(GL_PACK_ALIGNMENT, 0); }, GL_INVALID_VALUE},
        {"alignment 16", [] { glPixelStorei(GL_PACK_ALIGNMENT, 16); }, GL_INVALID_VALUE},
        {"row length -1", [] { glPixelStorei(GL_PACK_ROW_LENGTH, -1); }, GL_INVALID_VALUE},
        {"skip rows -1", [] { glPixelStorei(GL_UNPACK_SKIP_ROWS, -1); }, GL_INVALID_VALUE},
        {"skip pixels -1", [] { glPixelStorei(GL_PACK_SKIP_PIXELS, -1); }, GL_INVALID_VALUE},
        {"storef -2.5 rounds to -3", [] { glPixelStoref(GL_PACK_ROW_LENGTH, -2.5f); }, GL_INVALID_VALUE},
        {"storef -3e9", [] { glPixelStoref(GL_UNPACK_SKIP_ROWS, -3e9f); }, GL_INVALID_VALUE},
        {"transfer zoom x", [] { glPixelTransferf(GL_ZOOM_X, 2.0f); }, GL_INVALID_ENUM},
        {"transfer zoom y", [] { glPixelTransferi(GL_ZOOM_Y, 2); }, GL_INVALID_ENUM},
        {"transfer below", [] { glPixelTransferf(0x0D0F, 1.0f); }, GL_INVALID_ENUM},
        {"transfer above", [] { glPixelTransferf(0x0D20, 1.0f); }, GL_INVALID_ENUM},
        {"map enum", [&] { glPixelMapfv(0x0C7A, 1, v); }, GL_INVALID_ENUM},
        {"map enum below", [&] { glPixelMapuiv(0x0C6F, 1, (const GLuint*)v); }, GL_INVALID_ENUM},
        {"map enum wins over size", [&] { glPixelMapfv(0x0C7A, -1, v); }, GL_INVALID_ENUM},
        {"I_TO_R size 3", [&] { glPixelMapfv(GL_PIXEL_MAP_I_TO_R, 3, v); }, GL_INVALID_VALUE},
        {"I_TO_I size 0", [&] { glPixelMapfv(GL_PIXEL_MAP_I_TO_I, 0, nullptr); }, GL_INVALID_VALUE},
        {"S_TO_S size -2", [&] { glPixelMapusv(GL_PIXEL_MAP_S_TO_S, -2, nullptr); }, GL_INVALID_VALUE},
        {"R_TO_R size -1", [&] { glPixelMapfv(GL_PIXEL_MAP_R_TO_R, -1, v); }, GL_INVALID_VALUE},
        {"A_TO_A size 0", [&] { glPixelMapfv(GL_PIXEL_MAP_A_TO_A, 0, nullptr); }, GL_INVALID_VALUE},
        {"A_TO_A above the maximum", [&] { glPixelMapfv(GL_PIXEL_MAP_A_TO_A, 65537, nullptr); }, GL_INVALID_VALUE},
        {"I_TO_A power of two above the maximum", [&] { glPixelMapfv(GL_PIXEL_MAP_I_TO_A, 131072, nullptr); },
         GL_INVALID_VALUE},
        {"read buffer both", [] { glReadBuffer(GL_FRONT_AND_BACK); }, GL_INVALID_ENUM},
        {"read buffer none", [] { glReadBuffer(GL_NONE); }, GL_INVALID_ENUM},
        {"read buffer past aux3", [] { glReadBuffer(0x040D); }, GL_INVALID_ENUM},
        {"read buffer right", [] { glReadBuffer(GL_RIGHT); }, GL_INVALID_OPERATION},
        {"read buffer front right", [] { glReadBuffer(GL_FRONT_RIGHT); }, GL_INVALID_OPERATION},
        {"read buffer back right", [] { glReadBuffer(GL_BACK_RIGHT); }, GL_INVALID_OPERATION},
        {"read buffer aux0", [] { glReadBuffer(GL_AUX0); }, GL_INVALID_OPERATION},
    };
    for (const auto& c : cases) {
        const Snapshot before(gc);
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.what;
        EXPECT_TRUE(Snapshot(gc) == before) << c.what;
    }
    // Every setter refuses to run between glBegin and glEnd.
    const std::function<void()> setters[] = {
        [] { glPixelStorei(GL_UNPACK_ALIGNMENT, 1); }, [] { glPixelStoref(GL_PACK_ROW_LENGTH, 3.0f); },
        [] { glPixelZoom(2.0f, 2.0f); },              [] { glPixelTransferf(GL_RED_BIAS, 1.0f); },
        [] { glPixelTransferi(GL_INDEX_SHIFT, 1); },  [&] { glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 1, v); },
        [&] { glPixelMapuiv(GL_PIXEL_MAP_I_TO_I, 1, (const GLuint*)v); },
        [&] { glPixelMapusv(GL_PIXEL_MAP_S_TO_S, 1, (const GLushort*)v); },
        [] { glReadBuffer(GL_FRONT); },
    };
    int i = 0;
    for (const auto& call : setters) {
        const Snapshot before(gc);
        glBegin(GL_POINTS);
        call();
        glEnd();
        EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION) << "setter " << i;
        EXPECT_TRUE(Snapshot(gc) == before) << "setter " << i++;
    }
}

TEST_F(PixelState, MapsRoundTrip) {
    enum Form { FV, UIV, USV };
    struct Case {
        GLenum map;
        Form form;
        std::vector<double> values;  // given in the call's type
        std::vector<GLfloat> asFloat;
        std::vector<GLuint> asUint;
        std::vector<GLushort> asUshort;
    };
    const Case cases[] = {
        {GL_PIXEL_MAP_R_TO_R, FV, {-0.5, 2.0, 0.25, -0.0}, {0, 1, 0.25f, 0}, {0, 4294967295u, 1073741824u, 0},
         {0, 65535, 16384, 0}},
        {GL_PIXEL_MAP_G_TO_G, USV, {65535, 0, 32768}, {1, 0, 32768.0f / 65535.0f}, {4294967295u, 0, 2147516415u},
         {65535, 0, 32768}},
        {GL_PIXEL_MAP_B_TO_B, UIV, {4294967295.0, 0}, {1, 0}, {4294967295u, 0}, {65535, 0}},
        {GL_PIXEL_MAP_I_TO_I, FV, {1.5, -1.5, 2.49, 7}, {2, -2, 2, 7}, {2, (GLuint)-2, 2, 7},
         {2, (GLushort)-2, 2, 7}},
        {GL_PIXEL_MAP_S_TO_S, UIV, {5, 4294967295.0}, {5, -1}, {5, 4294967295u}, {5, 65535}},
        {GL_PIXEL_MAP_S_TO_S, USV, {65535, 1}, {65535, 1}, {65535, 1}, {65535, 1}},
        {GL_PIXEL_MAP_I_TO_A, USV, {65535, 0}, {1, 0}, {4294967295u, 0}, {65535, 0}},
        {GL_PIXEL_MAP_I_TO_G, FV, {0.5}, {0.5f}, {2147483648u}, {32768}},
    };
    for (const Case& c : cases) {
        const GLsizei n = (GLsizei)c.values.size();
        std::vector<GLfloat> f(c.values.begin(), c.values.end());
        std::vector<GLuint> ui;
        std::vector<GLushort> us;
        for (double d : c.values) ui.push_back((GLuint)d), us.push_back((GLushort)d);
        switch (c.form) {
        case FV: glPixelMapfv(c.map, n, n ? f.data() : nullptr); break;
        case UIV: glPixelMapuiv(c.map, n, n ? ui.data() : nullptr); break;
        case USV: glPixelMapusv(c.map, n, n ? us.data() : nullptr); break;
        }
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << std::hex << c.map;
        const size_t size = c.asFloat.size();
        ASSERT_EQ(mapSize(c.map), (GLint)size) << std::hex << c.map;
        std::vector<GLfloat> gf(size + 1, 99.0f);
        std::vector<GLuint> gu(size + 1, 99);
        std::vector<GLushort> gs(size + 1, 99);
        glGetPixelMapfv(c.map, gf.data());
        glGetPixelMapuiv(c.map, gu.data());
        glGetPixelMapusv(c.map, gs.data());
        for (size_t i = 0; i < size; i++) {
            EXPECT_FLOAT_EQ(gf[i], c.asFloat[i]) << std::hex << c.map << " entry " << i;
            EXPECT_EQ(gu[i], c.asUint[i]) << std::hex << c.map << " entry " << i;
            EXPECT_EQ(gs[i], c.asUshort[i]) << std::hex << c.map << " entry " << i;
        }
        EXPECT_EQ(gf[size], 99.0f) << "nothing written past the map";
    }
    // The largest table is accepted.
    std::vector<GLushort> big(65536, 65535);
    glPixelMapusv(GL_PIXEL_MAP_I_TO_R, 65536, big.data());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(mapSize(GL_PIXEL_MAP_I_TO_R), 65536);
}

TEST_F(PixelState, FailedMapAllocationEmptiesTheMapQuietly) {
    const GLfloat v[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    gltestFailAllocationAfter(0);
    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 4, v);
    gltestFailAllocationAfter(-1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(mapSize(GL_PIXEL_MAP_R_TO_R), 0);
    GLfloat sentinel = 5.0f;
    glGetPixelMapfv(GL_PIXEL_MAP_R_TO_R, &sentinel);
    EXPECT_EQ(sentinel, 5.0f);
    // The map works again on the next call.
    glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 4, v);
    EXPECT_EQ(mapSize(GL_PIXEL_MAP_R_TO_R), 4);
}

TEST(PixelStateLife, MapsAndTablesAreFreedWithTheContext) {
    const int live = gltestLiveBlocks();
    GlContext* gc = gltestCreateCurrent(true);
    ASSERT_NE(gc, nullptr);
    const GLfloat v[8] = {0.5f};
    glPixelMapfv(GL_PIXEL_MAP_I_TO_R, 8, v);
    glPixelMapfv(GL_PIXEL_MAP_B_TO_B, 3, v);
    glPixelMapfv(GL_PIXEL_MAP_B_TO_B, 0, v);
    gltestDestroyCurrent(gc);
    EXPECT_EQ(gltestLiveBlocks(), live);
}

TEST_F(PixelState, AttributeStacksSaveAndRestore) {
    glPixelTransferf(GL_RED_SCALE, 2.0f);
    glPixelTransferf(GL_ALPHA_BIAS, 0.5f);
    glPixelTransferi(GL_INDEX_SHIFT, 3);
    glPixelTransferi(GL_MAP_COLOR, 1);
    glPixelZoom(2.0f, -3.0f);
    glReadBuffer(GL_FRONT_LEFT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_SKIP_ROWS, 5);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 1);
    const Snapshot saved(gc);
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelTransferf(GL_RED_SCALE, 7.0f);
    glPixelTransferf(GL_ALPHA_BIAS, 0.0f);
    glPixelTransferi(GL_INDEX_SHIFT, 0);
    glPixelTransferi(GL_MAP_COLOR, 0);
    glPixelZoom(1.0f, 1.0f);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
    EXPECT_FALSE(Snapshot(gc) == saved);
    glPopClientAttrib();
    glPopAttrib();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(Snapshot(gc) == saved);
    EXPECT_EQ(getInt(GL_READ_BUFFER), GL_FRONT_LEFT);
    EXPECT_EQ(gc->pixel.readBuffer, (GLenum)GL_FRONT);
}

// Transfer flags and the default colour the validation step derives.
TEST_F(PixelState, TransferFlags) {
    const GLfloat* maxima = gc->constants.previousColorMax;
    const struct {
        const char* what;
        std::function<void()> set;
        uint8_t color, index, depth, stencil;
        GLfloat alpha, red;  // default colour, in units of full
    } cases[] = {
        {"defaults", [] {}, 0, 1, 0, 0, 1.0f, 0.0f},
        {"negative zero bias", [] { glPixelTransferf(GL_RED_BIAS, -0.0f); }, 0, 1, 0, 0, 1.0f, 0.0f},
        {"red bias", [] { glPixelTransferf(GL_RED_BIAS, 0.5f); }, 1, 1, 0, 0, 1.0f, 0.5f},
        {"red bias clamped", [] { glPixelTransferf(GL_RED_BIAS, 3.0f); }, 1, 1, 0, 0, 1.0f, 1.0f},
        {"alpha scale", [] { glPixelTransferf(GL_ALPHA_SCALE, 0.25f); }, 1, 1, 0, 0, 0.25f, 0.0f},
        {"alpha scale negative", [] { glPixelTransferf(GL_ALPHA_SCALE, -1.0f); }, 1, 1, 0, 0, 0.0f, 0.0f},
        {"map colour",
         [] {
             const GLfloat a[] = {0.0f, 0.75f};
             glPixelMapfv(GL_PIXEL_MAP_A_TO_A, 2, a);
             const GLfloat r[] = {0.5f, 0.0f};
             glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 2, r);
             glPixelTransferi(GL_MAP_COLOR, 1);
         },
         1, 1, 0, 0, 0.75f, 0.5f},
        {"index shift", [] { glPixelTransferi(GL_INDEX_SHIFT, 1); }, 0, 1, 0, 1, 1.0f, 0.0f},
        {"index offset", [] { glPixelTransferi(GL_INDEX_OFFSET, -1); }, 0, 1, 0, 1, 1.0f, 0.0f},
        {"map stencil", [] { glPixelTransferi(GL_MAP_STENCIL, 1); }, 0, 1, 0, 1, 1.0f, 0.0f},
        {"depth scale", [] { glPixelTransferf(GL_DEPTH_SCALE, 2.0f); }, 0, 1, 1, 0, 1.0f, 0.0f},
        {"depth bias", [] { glPixelTransferf(GL_DEPTH_BIAS, 0.5f); }, 0, 1, 1, 0, 1.0f, 0.0f},
    };
    for (const auto& c : cases) {
        glPushAttrib(GL_PIXEL_MODE_BIT);
        c.set();
        gc->pixel.tables.colorMapsBuilt = gc->pixel.tables.indexMapBuilt = 1;
        __glPickPixelTransferFlags(gc);
        const GlPixelTransferTables& t = gc->pixel.tables;
        EXPECT_EQ(t.colorTransfer, c.color) << c.what;
        EXPECT_EQ(t.indexTransfer, c.index) << c.what;
        EXPECT_EQ(t.depthTransfer, c.depth) << c.what;
        EXPECT_EQ(t.stencilTransfer, c.stencil) << c.what;
        EXPECT_EQ(t.colorMapsBuilt, c.color ? 0 : 1) << c.what << ": an active colour transfer rebuilds its tables";
        EXPECT_EQ(t.indexMapBuilt, 0) << c.what;
        EXPECT_FLOAT_EQ(t.defaultColor[0], c.red * maxima[0]) << c.what;
        EXPECT_FLOAT_EQ(t.defaultColor[1], 0.0f) << c.what;
        EXPECT_FLOAT_EQ(t.defaultColor[3], c.alpha * maxima[3]) << c.what;
        glPopAttrib();
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// ---- The rectangle entries, with the framebuffer transfer replaced by a recorder.

namespace {

struct Call {
    char kind = 0;  // 'd', 'r' or 'c'
    GLint x = 0, y = 0;
    GLsizei w = 0, h = 0;
    GLenum format = 0, type = 0;
    const void* pixels = nullptr;
    GLboolean packed = 9;
    GlPixelStoreModes unpack{};      // at the time of the call
    std::vector<GLubyte> luminance;  // a GL_LUMINANCE, GL_UNSIGNED_BYTE image as drawn
};
std::vector<Call> calls;
void GLPROC recordDraw(GlContext*, GLsizei w, GLsizei h, GLenum format, GLenum type, const GLvoid* p, GLboolean packed) {
    calls.push_back({'d', 0, 0, w, h, format, type, p, packed, __glCurrentContext()->pixel.unpack, {}});
    if (format == GL_LUMINANCE && type == GL_UNSIGNED_BYTE && p)
        calls.back().luminance.assign((const GLubyte*)p, (const GLubyte*)p + w * h);
}
void GLPROC recordRead(GlContext*, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, GLvoid* p) {
    calls.push_back({'r', x, y, w, h, format, type, p, 9, {}, {}});
}
void GLPROC recordCopy(GlContext*, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format) {
    calls.push_back({'c', x, y, w, h, format, 0, nullptr, 9, {}, {}});
}

struct Rectangles : ::testing::Test {
    GltestDibContext c{16, 16};
    GlContext* gc = nullptr;
    GlPixelFormatInfo format{};
    void SetUp() override {
        ASSERT_NE(c.rc, nullptr);
        gc = __glCurrentContext();
        gc->procs.drawPixels = recordDraw;
        gc->procs.readPixels = recordRead;
        gc->procs.copyPixels = recordCopy;
        format = gc->pixelFormat;
        glRasterPos2f(3.0f, 4.0f);
        glFinish();
        glGetError();
        calls.clear();
    }
    void TearDown() override {
        if (gc) gc->pixelFormat = format;
    }
    // The buffers and mode the checks see.
    void pretend(bool rgba, bool depth, bool stencil) {
        gc->pixelFormat.rgba = rgba;
        gc->pixelFormat.colorIndex = !rgba;
        gc->pixelFormat.depthPresent = depth;
        gc->pixelFormat.stencilPresent = stencil;
    }
};

const GLubyte image[64] = {1, 2, 3};

}  // namespace

TEST_F(Rectangles, DrawAndReadChecks) {
    const GLenum none = GL_NO_ERROR, en = GL_INVALID_ENUM, op = GL_INVALID_OPERATION, val = GL_INVALID_VALUE;
    struct Case {
        bool rgba, depth, stencil;
        GLsizei w, h;
        GLenum format, type;
        GLenum drawError, readError;
    };
    const Case cases[] = {
        {true, true, true, -1, 4, 0x1234, 0x1234, val, val},
        {true, true, true, 2, -1, GL_RGBA, GL_BITMAP, val, val},
        {true, true, true, 2, 2, 0x1234, GL_UNSIGNED_BYTE, en, en},
        {true, true, true, 2, 2, GL_RGBA, GL_BITMAP, en, op},
        {true, true, true, 2, 2, GL_COLOR_INDEX, GL_BITMAP, none, op},
        {true, true, true, 2, 2, GL_STENCIL_INDEX, GL_BITMAP, none, none},
        {true, true, false, 2, 2, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, op, op},
        {true, false, true, 2, 2, GL_DEPTH_COMPONENT, GL_FLOAT, none, op},
        {true, true, true, 2, 2, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, none, none},
        {true, true, true, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE_3_3_2_EXT, op, op},
        {true, true, true, 2, 2, GL_BGR_EXT, GL_UNSIGNED_BYTE_3_3_2_EXT, none, none},
        {true, true, true, 2, 2, GL_RGB, GL_UNSIGNED_SHORT_4_4_4_4_EXT, op, op},
        {true, true, true, 2, 2, GL_ABGR_EXT, GL_UNSIGNED_INT_10_10_10_2_EXT, none, none},
        {true, true, true, 2, 2, GL_BGRA_EXT, GL_UNSIGNED_SHORT_5_5_5_1_EXT, none, none},
        {true, true, true, 2, 2, GL_RGBA, 0x8037, en, en},
        {true, true, true, 2, 2, GL_RGBA, GL_DOUBLE, en, en},
        {true, true, true, 2, 2, GL_LUMINANCE_ALPHA, GL_SHORT, none, none},
        {true, true, true, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, none, none},
        {false, true, true, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, op, none},
        {false, true, true, 2, 2, GL_COLOR_INDEX, GL_UNSIGNED_SHORT, none, none},
        {false, true, true, 2, 2, GL_ALPHA, GL_BITMAP, op, op},
    };
    for (const Case& k : cases) {
        pretend(k.rgba, k.depth, k.stencil);
        calls.clear();
        glDrawPixels(k.w, k.h, k.format, k.type, image);
        EXPECT_EQ(glGetError(), k.drawError) << std::hex << k.format << " " << k.type;
        glReadPixels(5, 6, k.w, k.h, k.format, k.type, (GLvoid*)image);
        EXPECT_EQ(glGetError(), k.readError) << std::hex << k.format << " " << k.type;
        size_t i = 0;
        if (k.drawError == none) {
            ASSERT_GT(calls.size(), i);
            const Call& d = calls[i++];
            EXPECT_EQ(d.kind, 'd');
            EXPECT_EQ(d.w, k.w);
            EXPECT_EQ(d.format, k.format);
            EXPECT_EQ(d.type, k.type);
            EXPECT_EQ(d.pixels, image);
            EXPECT_EQ(d.packed, GL_FALSE);
        }
        if (k.readError == none) {
            ASSERT_GT(calls.size(), i);
            const Call& r = calls[i++];
            EXPECT_EQ(r.kind, 'r');
            EXPECT_EQ(r.x, 5);
            EXPECT_EQ(r.y, 6);
            EXPECT_EQ(r.h, k.h);
            EXPECT_EQ(r.type, k.type);
        }
        EXPECT_EQ(calls.size(), i) << std::hex << k.format << " " << k.type << ": a refused call transfers nothing";
    }
}

TEST_F(Rectangles, CopyChecks) {
    const struct {
        bool rgba, depth, stencil;
        GLsizei w, h;
        GLenum type, error, format;
    } cases[] = {
        {true, true, true, 4, 4, GL_COLOR, GL_NO_ERROR, GL_RGBA},
        {false, true, true, 4, 4, GL_COLOR, GL_NO_ERROR, GL_COLOR_INDEX},
        {true, true, true, 4, 4, GL_DEPTH, GL_NO_ERROR, GL_DEPTH_COMPONENT},
        {true, false, true, 4, 4, GL_DEPTH, GL_INVALID_OPERATION, 0},
        {true, true, true, 4, 4, GL_STENCIL, GL_NO_ERROR, GL_STENCIL_INDEX},
        {true, true, false, 4, 4, GL_STENCIL, GL_INVALID_OPERATION, 0},
        {true, true, true, 4, 4, GL_RGBA, GL_INVALID_ENUM, 0},
        {true, true, true, -1, 4, GL_RGBA, GL_INVALID_VALUE, 0},
        {true, true, true, 4, -4, GL_COLOR, GL_INVALID_VALUE, 0},
    };
    for (const auto& k : cases) {
        pretend(k.rgba, k.depth, k.stencil);
        calls.clear();
        glCopyPixels(1, 2, k.w, k.h, k.type);
        EXPECT_EQ(glGetError(), k.error) << std::hex << k.type;
        ASSERT_EQ(calls.size(), k.error ? 0u : 1u) << std::hex << k.type;
        if (!k.error) {
            EXPECT_EQ(calls[0].kind, 'c');
            EXPECT_EQ(calls[0].format, k.format);
            EXPECT_EQ(calls[0].x, 1);
            EXPECT_EQ(calls[0].w, k.w);
        }
    }
}

TEST_F(Rectangles, BeginStateRasterPositionAndRenderMode) {
    // A pending state change: validated once, then the call acts once.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    ASSERT_EQ(__glThreadState()->beginState, GL_BEGIN_NEEDS_VALIDATE);
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_OUTSIDE);
    EXPECT_EQ(calls.size(), 1u);
    glPixelZoom(2.0f, 2.0f);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, (GLvoid*)image);
    glPixelTransferf(GL_RED_BIAS, 0.0f);
    glCopyPixels(0, 0, 1, 1, GL_COLOR);
    EXPECT_EQ(calls.size(), 3u);

    // Inside glBegin/glEnd: refused.
    calls.clear();
    glBegin(GL_POINTS);
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, (GLvoid*)image);
    glCopyPixels(0, 0, 1, 1, GL_COLOR);
    glEnd();
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    EXPECT_TRUE(calls.empty());

    // An invalid raster position: draw and copy do nothing, read still reads.
    glRasterPos3f(3.0f, 4.0f, 5.0f);
    GLint valid = 1;
    glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    ASSERT_EQ(valid, 0);
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image);
    glCopyPixels(0, 0, 1, 1, GL_COLOR);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, (GLvoid*)image);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, 'r');

    // Feedback: one token and the raster position each; selection: nothing.
    calls.clear();
    glRasterPos2f(3.0f, 4.0f);
    GLfloat fb[16] = {};
    glFeedbackBuffer(16, GL_3D, fb);
    glRenderMode(GL_FEEDBACK);
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image);
    glCopyPixels(0, 0, 1, 1, GL_COLOR);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, (GLvoid*)image);
    EXPECT_EQ(glRenderMode(GL_RENDER), 8);
    EXPECT_EQ(fb[0], (GLfloat)GL_DRAW_PIXEL_TOKEN);
    EXPECT_EQ(fb[1], 3.0f);
    EXPECT_EQ(fb[2], 4.0f);
    EXPECT_EQ(fb[4], (GLfloat)GL_COPY_PIXEL_TOKEN);
    EXPECT_EQ(fb[5], 3.0f);
    EXPECT_EQ(fb[6], 4.0f);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, 'r');
    calls.clear();
    GLuint names[4];
    glSelectBuffer(4, names);
    glRenderMode(GL_SELECT);
    glDrawPixels(1, 1, GL_RGBA, GL_UNSIGNED_BYTE, image);
    glCopyPixels(0, 0, 1, 1, GL_COLOR);
    glRenderMode(GL_RENDER);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// A list keeps the image as unpacked at compile time and draws it packed.
TEST_F(Rectangles, ListPlaybackDrawsThePackedCopy) {
    const GLubyte src[] = {9, 9, 9, 9, 1, 2, 9, 9, 5, 6};  // rows of 4 bytes at alignment 4
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 1);
    glNewList(1, GL_COMPILE);
    glDrawPixels(2, 2, GL_LUMINANCE, GL_UNSIGNED_BYTE, src);
    glEndList();
    EXPECT_TRUE(calls.empty());
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 3);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glCallList(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].luminance, (std::vector<GLubyte>{1, 2, 5, 6}));
    EXPECT_EQ(calls[0].unpack.skipRows, 0);
    EXPECT_EQ(calls[0].unpack.alignment, 1);
    EXPECT_EQ(getInt(GL_UNPACK_SKIP_ROWS), 3) << "the modes of the moment come back";
    EXPECT_EQ(getInt(GL_UNPACK_ALIGNMENT), 8);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
