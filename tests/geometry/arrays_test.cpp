// Vertex arrays: pointer errors, element fetch of every type, size and stride,
// interleaved formats, array draws against the same immediate calls, current
// values after a draw, the cull-vertex test, display lists, the client
// attribute stack and the count-taking entry forms.
#include <string.h>
#include <math.h>
#include "geomtest.h"

namespace {

typedef std::vector<GLfloat> Words;

// Writes v as one component of the given type.
void storeAs(uint8_t* p, GLenum type, double v) {
    switch (type) {
    case GL_BYTE: { GLbyte x = (GLbyte)v; memcpy(p, &x, 1); break; }
    case GL_UNSIGNED_BYTE: { GLubyte x = (GLubyte)v; memcpy(p, &x, 1); break; }
    case GL_SHORT: { GLshort x = (GLshort)v; memcpy(p, &x, 2); break; }
    case GL_UNSIGNED_SHORT: { GLushort x = (GLushort)v; memcpy(p, &x, 2); break; }
    case GL_INT: { GLint x = (GLint)v; memcpy(p, &x, 4); break; }
    case GL_UNSIGNED_INT: { GLuint x = (GLuint)v; memcpy(p, &x, 4); break; }
    case GL_FLOAT: { GLfloat x = (GLfloat)v; memcpy(p, &x, 4); break; }
    case GL_DOUBLE: memcpy(p, &v, 8); break;
    }
}
int bytesOf(GLenum type) {
    switch (type) {
    case GL_BYTE: case GL_UNSIGNED_BYTE: return 1;
    case GL_SHORT: case GL_UNSIGNED_SHORT: return 2;
    case GL_DOUBLE: return 8;
    default: return 4;
    }
}
// Largest and smallest value of an integer type; floats use 0.75 and 0.25.
double highOf(GLenum type) {
    switch (type) {
    case GL_BYTE: return 127;
    case GL_UNSIGNED_BYTE: return 255;
    case GL_SHORT: return 32767;
    case GL_UNSIGNED_SHORT: return 65535;
    case GL_INT: return 2147483647.0;
    case GL_UNSIGNED_INT: return 4294967295.0;
    default: return 0.75;
    }
}
double lowOf(GLenum type) {
    switch (type) {
    case GL_BYTE: return -128;
    case GL_SHORT: return -32768;
    case GL_INT: return -2147483648.0;
    case GL_FLOAT: case GL_DOUBLE: return 0.25;
    default: return 0;
    }
}
bool isFloat(GLenum type) { return type == GL_FLOAT || type == GL_DOUBLE; }

GLenum error() { return glGetError(); }

std::vector<GLfloat> getFloats(GLenum pname, int n) {
    std::vector<GLfloat> v(16, 0.0f);
    glGetFloatv(pname, v.data());
    v.resize(n);
    return v;
}

// Points of a GL_3D_COLOR_TEXTURE feedback buffer: x, y, z, rgba, strq each.
std::vector<Words> points(const Words& fb) {
    std::vector<Words> out;
    for (size_t i = 0; i + 12 <= fb.size(); i += 12) {
        EXPECT_EQ(fb[i], (GLfloat)GL_POINT_TOKEN);
        out.push_back(Words(fb.begin() + i + 1, fb.begin() + i + 12));
    }
    return out;
}

void expectNear(const Words& got, const Words& want, const std::string& what, float tol = 1e-5f) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); i++) EXPECT_NEAR(got[i], want[i], tol) << what << " word " << i;
}

class Arrays : public GeomTest {
protected:
    void SetUp() override {
        GeomTest::SetUp();
        glViewport(0, 0, 64, 48);
    }
};

// ---- Errors.

TEST_F(Arrays, PointerAndDrawErrorsInOrder) {
    static const GLfloat p[64] = {};
    const struct Case {
        const char* what;
        std::function<void()> call;
        GLenum want;
        GLint count = 0;  // the vertex array's count afterwards: a refused EXT entry still stores its own
    } cases[] = {
        {"vertex size 1", [] { glVertexPointer(1, GL_FLOAT, 0, p); }, GL_INVALID_VALUE},
        {"vertex size 5", [] { glVertexPointer(5, GL_FLOAT, 0, p); }, GL_INVALID_VALUE},
        {"vertex ubyte", [] { glVertexPointer(3, GL_UNSIGNED_BYTE, 0, p); }, GL_INVALID_ENUM},
        {"vertex stride before type", [] { glVertexPointer(3, GL_UNSIGNED_BYTE, -4, p); }, GL_INVALID_VALUE},
        {"normal ubyte", [] { glNormalPointer(GL_UNSIGNED_BYTE, 0, p); }, GL_INVALID_ENUM},
        {"normal stride", [] { glNormalPointer(GL_FLOAT, -1, p); }, GL_INVALID_VALUE},
        {"colour size 2", [] { glColorPointer(2, GL_FLOAT, 0, p); }, GL_INVALID_VALUE},
        {"colour 2 bytes", [] { glColorPointer(3, GL_2_BYTES, 0, p); }, GL_INVALID_ENUM},
        {"index byte", [] { glIndexPointer(GL_BYTE, 0, p); }, GL_INVALID_ENUM},
        {"texcoord size 0", [] { glTexCoordPointer(0, GL_FLOAT, 0, p); }, GL_INVALID_VALUE},
        {"texcoord ushort", [] { glTexCoordPointer(2, GL_UNSIGNED_SHORT, 0, p); }, GL_INVALID_ENUM},
        {"texcoord enum past double", [] { glTexCoordPointer(2, GL_DOUBLE + 1, 0, p); }, GL_INVALID_ENUM},
        {"edge flag stride", [] { glEdgeFlagPointer(-1, p); }, GL_INVALID_VALUE},
        {"EXT count before type", [] { glVertexPointerEXT(3, GL_BYTE, 0, -1, p); }, GL_INVALID_VALUE},
        {"EXT refused keeps its count", [] { glVertexPointerEXT(1, GL_FLOAT, 0, 5, p); }, GL_INVALID_VALUE, 5},
        {"EXT plain check", [] { glColorPointerEXT(3, GL_BYTE + 100, 0, 4, p); }, GL_INVALID_ENUM},
        {"EXT edge count", [] { glEdgeFlagPointerEXT(0, -2, (const GLboolean*)p); }, GL_INVALID_VALUE},
        {"interleaved stride", [] { glInterleavedArrays(0x1234, -1, p); }, GL_INVALID_VALUE},
        {"interleaved format", [] { glInterleavedArrays(GL_T4F_C4F_N3F_V4F + 1, 0, p); }, GL_INVALID_ENUM},
        {"interleaved below QTA", [] { glInterleavedArrays(GL_IUI_V2F_QTA - 1, 0, p); }, GL_INVALID_ENUM},
        {"interleaved past QTA", [] { glInterleavedArrays(GL_T2F_IUI_N3F_V3F_QTA + 1, 0, p); }, GL_INVALID_ENUM},
        {"lock first", [] { glLockArraysQTA(-1, 4); }, GL_INVALID_VALUE},
        {"unlock unlocked", [] { glUnlockArraysQTA(); }, GL_INVALID_OPERATION},
        {"lock twice", [] { glLockArraysQTA(0, 4), glLockArraysQTA(1, 2); }, GL_INVALID_OPERATION},
        {"draw first", [] { glDrawArrays(GL_POINTS, -1, 3); }, GL_INVALID_VALUE},
        {"draw count before mode", [] { glDrawArrays(GL_POLYGON + 1, 0, -1); }, GL_INVALID_VALUE},
        {"draw mode", [] { glDrawArrays(GL_POLYGON + 1, 0, 3); }, GL_INVALID_ENUM},
        {"EXT draw mode", [] { glDrawArraysEXT(0xFFFFFFFFu, 0, 3); }, GL_INVALID_ENUM},
        {"elements count", [] { glDrawElements(GL_POINTS, -1, GL_INT, p); }, GL_INVALID_VALUE},
        {"elements mode before type", [] { glDrawElements(10, 1, GL_INT, p); }, GL_INVALID_ENUM},
        {"elements signed type", [] { glDrawElements(GL_POINTS, 1, GL_INT, p); }, GL_INVALID_ENUM},
        {"elements float type", [] { glDrawElements(GL_POINTS, 1, GL_FLOAT, p); }, GL_INVALID_ENUM},
        {"inside glBegin: pointer", [] { glBegin(GL_POINTS), glVertexPointer(3, GL_FLOAT, 0, p), glEnd(); },
         GL_INVALID_OPERATION},
        {"inside glBegin: draw", [] { glBegin(GL_POINTS), glDrawArrays(GL_POINTS, 0, 1), glEnd(); },
         GL_INVALID_OPERATION},
        {"inside glBegin: interleaved", [] { glBegin(GL_POINTS), glInterleavedArrays(GL_V2F, -1, p), glEnd(); },
         GL_INVALID_OPERATION},
    };
    for (const Case& c : cases) {
        static const GLshort other[4] = {};
        glVertexPointer(2, GL_SHORT, 6, other);
        ASSERT_EQ(error(), (GLenum)GL_NO_ERROR);
        c.call();
        EXPECT_EQ(error(), c.want) << c.what;
        if (glIsEnabled(GL_VERTEX_ARRAY)) continue;
        // A refused pointer entry changes nothing.
        GLvoid* ptr = nullptr;
        glGetPointerv(GL_VERTEX_ARRAY_POINTER, &ptr);
        EXPECT_EQ(ptr, (GLvoid*)other) << c.what;
        EXPECT_EQ(getFloats(GL_VERTEX_ARRAY_SIZE, 1)[0], 2.0f) << c.what;
        EXPECT_EQ(getFloats(GL_VERTEX_ARRAY_STRIDE, 1)[0], 6.0f) << c.what;
        EXPECT_EQ(getFloats(GL_VERTEX_ARRAY_COUNT_EXT, 1)[0], (GLfloat)c.count) << c.what;
        glUnlockArraysQTA();
        error();
    }
}

// ---- Element fetch.

enum Kind { K_VERTEX, K_NORMAL, K_COLOR, K_INDEX, K_TEXCOORD };

// Component i of element k as written, and the float it must become.
struct Component {
    double written;
    GLfloat value;
};
Component componentOf(Kind kind, GLenum type, int k, int i) {
    const bool high = ((k + i) & 1) == 0;
    switch (kind) {
    case K_VERTEX: {
        const int v = (k + i) % 3 - 1;  // -1, 0, 1 (w: 2)
        return i == 3 ? Component{2, 2} : Component{(double)v, (GLfloat)v};
    }
    case K_COLOR:
    case K_NORMAL: {
        const double w = high ? highOf(type) : lowOf(type);
        GLfloat f = isFloat(type) ? (GLfloat)w : high ? 1.0f : kind == K_NORMAL || type == GL_BYTE || type == GL_SHORT || type == GL_INT ? -1.0f : 0.0f;
        if (kind == K_COLOR && f < 0) f = 0;  // clamped
        return {w, f};
    }
    case K_INDEX: return {5.0 + k, 5.0f + k};
    default: return {(double)(k * 3 + i + 1), (GLfloat)(k * 3 + i + 1)};
    }
}

TEST_F(Arrays, ElementFetchEveryTypeSizeAndStride) {
    const GLenum vertexTypes[] = {GL_SHORT, GL_INT, GL_FLOAT, GL_DOUBLE};
    const GLenum normalTypes[] = {GL_BYTE, GL_SHORT, GL_INT, GL_FLOAT, GL_DOUBLE};
    const GLenum colorTypes[] = {GL_BYTE, GL_UNSIGNED_BYTE, GL_SHORT, GL_UNSIGNED_SHORT,
                                 GL_INT,  GL_UNSIGNED_INT,  GL_FLOAT, GL_DOUBLE};
    const GLenum indexTypes[] = {GL_UNSIGNED_BYTE, GL_SHORT, GL_INT, GL_FLOAT, GL_DOUBLE};
    struct Case {
        Kind kind;
        GLenum type;
        int size;
    };
    std::vector<Case> cases;
    for (GLenum t : vertexTypes)
        for (int n = 2; n <= 4; n++) cases.push_back({K_VERTEX, t, n});
    for (GLenum t : normalTypes) cases.push_back({K_NORMAL, t, 3});
    for (GLenum t : colorTypes)
        for (int n = 3; n <= 4; n++) cases.push_back({K_COLOR, t, n});
    for (GLenum t : indexTypes) cases.push_back({K_INDEX, t, 1});
    for (GLenum t : vertexTypes)
        for (int n = 1; n <= 4; n++) cases.push_back({K_TEXCOORD, t, n});

    // A float vertex array for the attribute cases: points at x = -0.5, 0, 0.5.
    static const GLfloat where[3][2] = {{-0.5f, 0}, {0, 0}, {0.5f, 0}};
    const GLenum caps[] = {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_INDEX_ARRAY, GL_TEXTURE_COORD_ARRAY};
    for (const Case& c : cases) {
        for (int pad : {0, 3}) {  // packed, and a stride that leaves the elements unaligned
            const int packed = c.size * bytesOf(c.type);
            const int stride = packed + pad;
            std::vector<uint8_t> data(3 * stride + 8, 0xCD);
            for (int k = 0; k < 3; k++)
                for (int i = 0; i < c.size; i++)
                    storeAs(&data[k * stride + i * bytesOf(c.type)], c.type, componentOf(c.kind, c.type, k, i).written);
            const GLsizei given = pad ? stride : 0;
            glDisableClientState(GL_NORMAL_ARRAY), glDisableClientState(GL_COLOR_ARRAY);
            glDisableClientState(GL_INDEX_ARRAY), glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(2, GL_FLOAT, 0, where);
            switch (c.kind) {
            case K_VERTEX: glVertexPointer(c.size, c.type, given, data.data()); break;
            case K_NORMAL: glNormalPointer(c.type, given, data.data()); break;
            case K_COLOR: glColorPointer(c.size, c.type, given, data.data()); break;
            case K_INDEX: glIndexPointer(c.type, given, data.data()); break;
            case K_TEXCOORD: glTexCoordPointer(c.size, c.type, given, data.data()); break;
            }
            glEnableClientState(caps[c.kind]);
            glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
            glTexCoord4f(9, 9, 9, 9);
            const std::string what = std::to_string(c.kind) + " type " + std::to_string(c.type) + " size " +
                                     std::to_string(c.size) + " stride " + std::to_string(given);
            ASSERT_EQ(error(), (GLenum)GL_NO_ERROR) << what;
            auto pts = points(feedback(GL_3D_COLOR_TEXTURE, [] { glDrawArrays(GL_POINTS, 0, 3); }));
            ASSERT_EQ(pts.size(), 3u) << what;
            auto want = [&](int k, int i, GLfloat missing) {
                return i < c.size ? componentOf(c.kind, c.type, k, i).value : missing;
            };
            for (int k = 0; k < 3; k++) {
                const std::string at = what + " element " + std::to_string(k);
                Words pos = {pts[k][0], pts[k][1], pts[k][2]};
                Words color(pts[k].begin() + 3, pts[k].begin() + 7), tex(pts[k].begin() + 7, pts[k].end());
                if (c.kind == K_VERTEX) {
                    const GLfloat w = want(k, 3, 1.0f);
                    expectNear(pos, {(want(k, 0, 0) / w + 1) * 32, (want(k, 1, 0) / w + 1) * 24,
                                     (want(k, 2, 0) / w + 1) / 2},
                               at);
                } else {
                    expectNear(pos, {(where[k][0] + 1) * 32, 24, 0.5f}, at);
                }
                if (c.kind == K_COLOR)
                    expectNear(color, {want(k, 0, 0), want(k, 1, 0), want(k, 2, 0), want(k, 3, 1)}, at);
                else
                    expectNear(color, {0.5f, 0.5f, 0.5f, 0.5f}, at);
                if (c.kind == K_TEXCOORD)
                    expectNear(tex, {want(k, 0, 0), want(k, 1, 0), want(k, 2, 0), want(k, 3, 1)}, at);
                else
                    expectNear(tex, {9, 9, 9, 9}, at);
            }
            // The last element's normal and index stay current.
            if (c.kind == K_NORMAL) expectNear(getFloats(GL_CURRENT_NORMAL, 3), {want(2, 0, 0), want(2, 1, 0), want(2, 2, 0)}, what);
            if (c.kind == K_INDEX) expectNear(getFloats(GL_CURRENT_INDEX, 1), {7.0f}, what);
        }
    }
}

// ---- Interleaved formats.

TEST_F(Arrays, InterleavedFormatsSetEveryArray) {
    const struct Case {
        GLenum format;
        int tex, color, index, normal, vertex;  // component counts (0: absent)
        GLenum colorType;
        int colorOffset, indexOffset, normalOffset, vertexOffset, stride;
    } cases[] = {
        {GL_V2F, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 8},
        {GL_V3F, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 12},
        {GL_C4UB_V2F, 0, 4, 0, 0, 2, GL_UNSIGNED_BYTE, 0, 0, 0, 4, 12},
        {GL_C4UB_V3F, 0, 4, 0, 0, 3, GL_UNSIGNED_BYTE, 0, 0, 0, 4, 16},
        {GL_C3F_V3F, 0, 3, 0, 0, 3, GL_FLOAT, 0, 0, 0, 12, 24},
        {GL_N3F_V3F, 0, 0, 0, 3, 3, 0, 0, 0, 0, 12, 24},
        {GL_C4F_N3F_V3F, 0, 4, 0, 3, 3, GL_FLOAT, 0, 0, 16, 28, 40},
        {GL_T2F_V3F, 2, 0, 0, 0, 3, 0, 0, 0, 0, 8, 20},
        {GL_T4F_V4F, 4, 0, 0, 0, 4, 0, 0, 0, 0, 16, 32},
        {GL_T2F_C4UB_V3F, 2, 4, 0, 0, 3, GL_UNSIGNED_BYTE, 8, 0, 0, 12, 24},
        {GL_T2F_C3F_V3F, 2, 3, 0, 0, 3, GL_FLOAT, 8, 0, 0, 20, 32},
        {GL_T2F_N3F_V3F, 2, 0, 0, 3, 3, 0, 0, 0, 8, 20, 32},
        {GL_T2F_C4F_N3F_V3F, 2, 4, 0, 3, 3, GL_FLOAT, 8, 0, 24, 36, 48},
        {GL_T4F_C4F_N3F_V4F, 4, 4, 0, 3, 4, GL_FLOAT, 16, 0, 32, 44, 60},
        {GL_IUI_V2F_QTA, 0, 0, 1, 0, 2, 0, 0, 0, 0, 4, 12},
        {GL_IUI_V3F_QTA, 0, 0, 1, 0, 3, 0, 0, 0, 0, 4, 16},
        {GL_IUI_N3F_V2F_QTA, 0, 0, 1, 3, 2, 0, 0, 0, 4, 16, 24},
        {GL_IUI_N3F_V3F_QTA, 0, 0, 1, 3, 3, 0, 0, 0, 4, 16, 28},
        {GL_T2F_IUI_V2F_QTA, 2, 0, 1, 0, 2, 0, 0, 8, 0, 12, 20},
        {GL_T2F_IUI_V3F_QTA, 2, 0, 1, 0, 3, 0, 0, 8, 0, 12, 24},
        {GL_T2F_IUI_N3F_V2F_QTA, 2, 0, 1, 3, 2, 0, 0, 8, 12, 24, 32},
        {GL_T2F_IUI_N3F_V3F_QTA, 2, 0, 1, 3, 3, 0, 0, 8, 12, 24, 36},
    };
    static const GLboolean flags[2] = {GL_TRUE, GL_TRUE};
    for (const Case& c : cases) {
        for (int extra : {0, 12}) {
            const int stride = c.stride + extra;
            std::vector<uint8_t> data(2 * stride, 0);
            auto putFloats = [&](int k, int offset, int n, float base) {
                for (int i = 0; i < n; i++) storeAs(&data[k * stride + offset + 4 * i], GL_FLOAT, base + i);
            };
            for (int k = 0; k < 2; k++) {
                putFloats(k, 0, c.tex, 10.0f * (k + 1));
                if (c.colorType == GL_FLOAT) putFloats(k, c.colorOffset, c.color, 0.125f * (k + 1) - 1.0f);
                for (int i = 0; c.colorType == GL_UNSIGNED_BYTE && i < 4; i++)
                    data[k * stride + c.colorOffset + i] = (uint8_t)(k ? 255 * (i & 1) : 255 * !(i & 1));
                if (c.index) storeAs(&data[k * stride + c.indexOffset], GL_INT, 40 + k);
                putFloats(k, c.normalOffset, c.normal, 0.5f * k - 0.25f);
                // x = 0.25 (k = 0) or 0.5, y = -0.5, z = 0.25, w = 1.
                storeAs(&data[k * stride + c.vertexOffset], GL_FLOAT, 0.25 * (k + 1));
                storeAs(&data[k * stride + c.vertexOffset + 4], GL_FLOAT, -0.5);
                if (c.vertex > 2) storeAs(&data[k * stride + c.vertexOffset + 8], GL_FLOAT, 0.25);
                if (c.vertex > 3) storeAs(&data[k * stride + c.vertexOffset + 12], GL_FLOAT, 1.0);
            }
            // Arrays the format leaves out go off, the edge-flag array included.
            glEdgeFlagPointer(0, flags);
            glEnableClientState(GL_EDGE_FLAG_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
            glEnableClientState(GL_COLOR_ARRAY), glEnableClientState(GL_INDEX_ARRAY);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glColor4f(0.5f, 0.5f, 0.5f, 0.5f), glTexCoord4f(9, 9, 9, 9), glNormal3f(7, 7, 7), glIndexi(3);
            glInterleavedArrays(c.format, extra ? stride : 0, data.data());
            const std::string what = "format " + std::to_string(c.format) + " stride " + std::to_string(stride);
            ASSERT_EQ(error(), (GLenum)GL_NO_ERROR) << what;
            EXPECT_FALSE(glIsEnabled(GL_EDGE_FLAG_ARRAY)) << what;
            EXPECT_EQ(glIsEnabled(GL_TEXTURE_COORD_ARRAY), c.tex != 0) << what;
            EXPECT_EQ(glIsEnabled(GL_COLOR_ARRAY), c.color != 0) << what;
            EXPECT_EQ(glIsEnabled(GL_INDEX_ARRAY), c.index != 0) << what;
            EXPECT_EQ(glIsEnabled(GL_NORMAL_ARRAY), c.normal != 0) << what;
            EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY)) << what;
            GLvoid* vp = nullptr;
            glGetPointerv(GL_VERTEX_ARRAY_POINTER, &vp);
            EXPECT_EQ(vp, (GLvoid*)(data.data() + c.vertexOffset)) << what;
            EXPECT_EQ(getFloats(GL_VERTEX_ARRAY_STRIDE, 1)[0], (GLfloat)stride) << what;  // stride 0: the packed one
            EXPECT_EQ(getFloats(GL_VERTEX_ARRAY_SIZE, 1)[0], (GLfloat)c.vertex) << what;

            auto pts = points(feedback(GL_3D_COLOR_TEXTURE, [] { glDrawArrays(GL_POINTS, 0, 2); }));
            ASSERT_EQ(pts.size(), 2u) << what;
            for (int k = 0; k < 2; k++) {
                const std::string at = what + " element " + std::to_string(k);
                expectNear({pts[k][0], pts[k][1], pts[k][2]},
                           {(0.25f * (k + 1) + 1) * 32, 12, c.vertex > 2 ? 0.625f : 0.5f}, at);
                Words color(pts[k].begin() + 3, pts[k].begin() + 7), tex(pts[k].begin() + 7, pts[k].end());
                Words wantColor = {0.5f, 0.5f, 0.5f, 0.5f};
                if (c.colorType == GL_UNSIGNED_BYTE)
                    wantColor = k ? Words{0, 1, 0, 1} : Words{1, 0, 1, 0};
                // Written -0.875 + k / 8 and up by one: clamped; alpha 1 for three components.
                if (c.colorType == GL_FLOAT) wantColor = {0, 0.125f * (k + 1), 1, 1};
                expectNear(color, wantColor, at);
                Words wantTex = {9, 9, 9, 9};
                if (c.tex == 2) wantTex = {10.0f * (k + 1), 10.0f * (k + 1) + 1, 0, 1};
                if (c.tex == 4) wantTex = {10.0f * (k + 1), 10.0f * (k + 1) + 1, 10.0f * (k + 1) + 2, 10.0f * (k + 1) + 3};
                expectNear(tex, wantTex, at);
            }
            expectNear(getFloats(GL_CURRENT_INDEX, 1), {c.index ? 41.0f : 3.0f}, what);
            expectNear(getFloats(GL_CURRENT_NORMAL, 3), c.normal ? Words{0.25f, 1.25f, 2.25f} : Words{7, 7, 7}, what);
        }
    }
}

// ---- Array draws against the same immediate calls.

// A fan of points around (0, 0) with radius 1.3: some vertices lie outside
// the view, so primitives get clipped.
struct Fixture {
    enum { N = 20 };
    GLfloat v[N][3];
    GLubyte c[N][4];
    GLfloat t[N][2];
    GLboolean e[N];
    Fixture() {
        for (int i = 0; i < N; i++) {
            const double a = 2 * M_PI * i / N;
            const double r = (i % 3 == 0) ? 1.3 : 0.7;
            v[i][0] = (GLfloat)(r * cos(a)), v[i][1] = (GLfloat)(r * sin(a)), v[i][2] = (GLfloat)(0.1 * (i % 5) - 0.2);
            c[i][0] = (GLubyte)(13 * i), c[i][1] = (GLubyte)(255 - 11 * i), c[i][2] = (GLubyte)(7 * i * i), c[i][3] = 200;
            t[i][0] = 0.5f * i, t[i][1] = 1.0f - 0.25f * i;
            e[i] = (GLboolean)(i % 4 != 1);
        }
    }
    void enable(bool edgeFlags) const {
        glVertexPointer(3, GL_FLOAT, 0, v), glEnableClientState(GL_VERTEX_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, c), glEnableClientState(GL_COLOR_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, t), glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEdgeFlagPointer(0, e);
        if (edgeFlags) glEnableClientState(GL_EDGE_FLAG_ARRAY);
        else glDisableClientState(GL_EDGE_FLAG_ARRAY);
    }
    void immediate(int i, bool edgeFlags) const {
        glColor4ubv(c[i]);
        glTexCoord2fv(t[i]);
        if (edgeFlags) glEdgeFlag(e[i]);
        glVertex3fv(v[i]);
    }
};

TEST_F(Arrays, DrawsEqualTheImmediateCallsInEveryMode) {
    static const Fixture f;
    const GLubyte order8[] = {3, 0, 7, 19, 12, 5, 5, 18, 2, 9, 11, 1};
    const int n = (int)sizeof order8;
    const GLushort order16[] = {3, 0, 7, 19, 12, 5, 5, 18, 2, 9, 11, 1};
    const GLuint order32[] = {3, 0, 7, 19, 12, 5, 5, 18, 2, 9, 11, 1};
    for (GLenum polygonMode : {GL_FILL, GL_LINE}) {
        glPolygonMode(GL_FRONT_AND_BACK, polygonMode);
        const bool edges = polygonMode == GL_LINE;
        for (GLenum mode = GL_POINTS; mode <= GL_POLYGON; mode++) {
            for (int first : {0, 1}) {
                for (int count : {0, 2, 3, 17, Fixture::N - first}) {
                    const std::string what = "mode " + std::to_string(mode) + " polygon mode " +
                                             std::to_string(polygonMode) + " first " + std::to_string(first) +
                                             " count " + std::to_string(count);
                    glEdgeFlag(GL_TRUE);
                    const Words want = feedback(GL_3D_COLOR_TEXTURE, [&] {
                        glBegin(mode);
                        for (int i = first; i < first + count; i++) f.immediate(i, edges);
                        glEnd();
                    });
                    glEdgeFlag(GL_TRUE);
                    f.enable(edges);
                    const Words got = feedback(GL_3D_COLOR_TEXTURE, [&] { glDrawArrays(mode, first, count); });
                    glDisableClientState(GL_VERTEX_ARRAY);
                    EXPECT_EQ(got, want) << what;
                    EXPECT_EQ(error(), (GLenum)GL_NO_ERROR) << what;
                }
            }
            // The listed elements in all three index types.
            const Words want = feedback(GL_3D_COLOR_TEXTURE, [&] {
                glBegin(mode);
                for (int i = 0; i < n; i++) f.immediate(order8[i], edges);
                glEnd();
            });
            f.enable(edges);
            const std::pair<GLenum, const void*> lists[] = {
                {GL_UNSIGNED_BYTE, order8}, {GL_UNSIGNED_SHORT, order16}, {GL_UNSIGNED_INT, order32}};
            for (const auto& l : lists) {
                const Words got = feedback(GL_3D_COLOR_TEXTURE, [&] { glDrawElements(mode, n, l.first, l.second); });
                EXPECT_EQ(got, want) << "mode " << mode << " index type " << l.first << " polygon mode " << polygonMode;
            }
            glDisableClientState(GL_VERTEX_ARRAY);
        }
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

TEST_F(Arrays, ArrayElementInsideBeginEnd) {
    static const Fixture f;
    const Words want = feedback(GL_3D_COLOR_TEXTURE, [] {
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 4; i < 9; i++) f.immediate(i, false);
        glColor4ub(1, 2, 3, 4);
        glVertex3f(0.1f, 0.2f, 0.3f);
        f.immediate(2, false);
        glEnd();
    });
    f.enable(false);
    const Words got = feedback(GL_3D_COLOR_TEXTURE, [] {
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 4; i < 9; i++) glArrayElement(i);
        glColor4ub(1, 2, 3, 4);
        glVertex3f(0.1f, 0.2f, 0.3f);
        glArrayElementEXT(2);
        glEnd();
    });
    EXPECT_EQ(got, want);
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(error(), (GLenum)GL_NO_ERROR);
}

// ---- Current values after a draw.

TEST_F(Arrays, DrawsLeaveTheLastElementCurrent) {
    static const GLfloat pos[4][2] = {{0, 0}, {0.1f, 0}, {0.2f, 0}, {0.3f, 0}};
    static const GLfloat colors[4][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 0, 0.5f}};
    static const GLfloat normals[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.5f, 0.5f, 0}};
    static const GLshort tex[4][2] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}};
    static const GLboolean edge[4] = {1, 1, 0, 1};
    static const GLubyte list[3] = {3, 0, 1};
    const Words startColor = {0.25f, 0.25f, 0.25f, 0.25f}, startNormal = {0, 0, -1}, startTex = {9, 9, 9, 9};
    const struct Case {
        const char* what;
        bool vertex, color, normal, tex, edgeFlag;
        std::function<void()> draw;
        int last;  // element whose attributes become current; -1: none
        size_t points;
    } cases[] = {
        {"arrays, all on", true, true, true, true, true, [] { glDrawArrays(GL_POINTS, 1, 2); }, 2, 2},
        {"elements, all on", true, true, true, true, true, [] { glDrawElements(GL_POINTS, 3, GL_UNSIGNED_BYTE, list); }, 1, 3},
        {"arrays, colour off", true, false, true, true, true, [] { glDrawArrays(GL_POINTS, 0, 4); }, 3, 4},
        // Without the vertex array glDrawArrays leaves them, but for a normal array alone.
        {"arrays, no vertex array", false, true, true, true, true, [] { glDrawArrays(GL_TRIANGLES, 0, 3); }, -1, 0},
        {"arrays, colour array alone", false, true, false, false, false, [] { glDrawArrays(GL_POINTS, 1, 2); }, -1, 0},
        {"arrays, normal array alone", false, false, true, false, false, [] { glDrawArrays(GL_POINTS, 1, 2); }, 2, 0},
        {"elements, no vertex array", false, true, false, false, true, [] { glDrawElements(GL_LINES, 3, GL_UNSIGNED_BYTE, list); }, 1, 0},
        {"arrays, count 0", true, true, true, true, true, [] { glDrawArrays(GL_POINTS, 1, 0); }, -1, 0},
        {"arrays, below the mode's minimum", true, true, true, true, true, [] { glDrawArrays(GL_QUADS, 0, 3); }, 2, 0},
        {"refused draw", true, true, true, true, true, [] { glDrawArrays(GL_POINTS, 0, -3); }, -1, 0},
    };
    for (const Case& c : cases) {
        glColor4fv(startColor.data()), glNormal3fv(startNormal.data()), glTexCoord4fv(startTex.data());
        glEdgeFlag(GL_TRUE);
        glVertexPointer(2, GL_FLOAT, 0, pos), glColorPointer(4, GL_FLOAT, 0, colors);
        glNormalPointer(GL_FLOAT, 0, normals), glTexCoordPointer(2, GL_SHORT, 0, tex), glEdgeFlagPointer(0, edge);
        const std::pair<GLenum, bool> on[] = {{GL_VERTEX_ARRAY, c.vertex}, {GL_COLOR_ARRAY, c.color},
                                              {GL_NORMAL_ARRAY, c.normal}, {GL_TEXTURE_COORD_ARRAY, c.tex},
                                              {GL_EDGE_FLAG_ARRAY, c.edgeFlag}};
        for (const auto& a : on) a.second ? glEnableClientState(a.first) : glDisableClientState(a.first);
        GLint returned = 0;
        const Words fb = feedback(GL_2D, c.draw, 4096, &returned);
        error();
        EXPECT_EQ(fb.size(), c.points * 3) << c.what;
        const bool set = c.last >= 0;
        expectNear(getFloats(GL_CURRENT_COLOR, 4),
                   set && c.color ? Words(colors[c.last], colors[c.last] + 4) : startColor, c.what);
        expectNear(getFloats(GL_CURRENT_NORMAL, 3),
                   set && c.normal ? Words(normals[c.last], normals[c.last] + 3) : startNormal, c.what);
        expectNear(getFloats(GL_CURRENT_TEXTURE_COORDS, 4),
                   set && c.tex ? Words{(float)tex[c.last][0], (float)tex[c.last][1], 0, 1} : startTex, c.what);
        GLboolean flag = 2;
        glGetBooleanv(GL_EDGE_FLAG, &flag);
        EXPECT_EQ(flag, set && c.edgeFlag ? edge[c.last] : GL_TRUE) << c.what;
    }
}

// ---- Cull-vertex test.

TEST_F(Arrays, CullVertexDropsPrimitivesOfRejectedVertices) {
    static const GLfloat tri[3][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0, 0.5f}};
    const GLfloat away[3] = {0, 0, -1}, facing[3] = {0, 0, 1};
    const struct Case {
        const char* what;
        GLenum cullFace;
        const GLfloat* n[3];
        GLfloat w;  // cull vector w: 0 a direction, 1 a position
        bool drawn;
    } cases[] = {
        {"back: all away", GL_BACK, {away, away, away}, 0, false},
        {"back: all facing", GL_BACK, {facing, facing, facing}, 0, true},
        {"back: one facing", GL_BACK, {away, facing, away}, 0, true},
        {"front: all facing", GL_FRONT, {facing, facing, facing}, 0, false},
        {"front: all away", GL_FRONT, {away, away, away}, 0, true},
        {"both: any", GL_FRONT_AND_BACK, {facing, away, facing}, 0, false},
        {"back: eye point in front", GL_BACK, {facing, facing, facing}, 1, true},
        {"back: eye point, normals away", GL_BACK, {away, away, away}, 1, false},
    };
    glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, tri);
    for (const Case& c : cases) {
        GLfloat normals[3][3];
        for (int i = 0; i < 3; i++) memcpy(normals[i], c.n[i], sizeof normals[i]);
        glNormalPointer(GL_FLOAT, 0, normals);
        const GLfloat eye[4] = {0, 0, c.w ? 5.0f : 1.0f, c.w};
        glCullParameterfvQTA(GL_CULL_VERTEX_EYE_POSITION_QTA, const_cast<GLfloat*>(eye));
        glCullFace(c.cullFace);
        glEnable(GL_CULL_VERTEX_QTA);
        EXPECT_EQ(feedback(GL_2D, [] { glDrawArrays(GL_TRIANGLES, 0, 3); }).size(), c.drawn ? 8u : 0u) << c.what;
        // Without the test every triangle is drawn.
        glDisable(GL_CULL_VERTEX_QTA);
        EXPECT_EQ(feedback(GL_2D, [] { glDrawArrays(GL_TRIANGLES, 0, 3); }).size(), 8u) << c.what;
        EXPECT_EQ(error(), (GLenum)GL_NO_ERROR) << c.what;
    }
}

// ---- Display lists.

TEST_F(Arrays, ListsKeepTheArraysOfCompileTime) {
    Fixture f;
    f.enable(false);
    const GLuint indices[5] = {1, 4, 2, 8, 5};
    const Words arrays = feedback(GL_3D_COLOR_TEXTURE, [] { glDrawArrays(GL_TRIANGLE_FAN, 2, 9); });
    const Words elements = feedback(GL_3D_COLOR_TEXTURE, [&] { glDrawElements(GL_LINE_LOOP, 5, GL_UNSIGNED_INT, indices); });
    ASSERT_FALSE(arrays.empty());
    ASSERT_FALSE(elements.empty());

    const GLuint base = glGenLists(3);
    Words atCompile = feedback(GL_3D_COLOR_TEXTURE, [&] {
        glNewList(base, GL_COMPILE);
        glDrawArrays(GL_TRIANGLE_FAN, 2, 9);
        glEndList();
        glNewList(base + 1, GL_COMPILE_AND_EXECUTE);
        glDrawElements(GL_LINE_LOOP, 5, GL_UNSIGNED_INT, indices);
        glEndList();
    });
    EXPECT_EQ(atCompile, elements) << "GL_COMPILE draws nothing, GL_COMPILE_AND_EXECUTE draws at once";

    // Errors are raised while compiling; nothing is recorded.
    glNewList(base + 2, GL_COMPILE);
    glDrawArraysEXT(GL_POINTS, -1, 2);
    EXPECT_EQ(error(), (GLenum)GL_INVALID_VALUE);
    glDrawElements(GL_POINTS, 2, GL_SHORT, indices);
    EXPECT_EQ(error(), (GLenum)GL_INVALID_ENUM);
    glEndList();

    // New data and other arrays do not reach the lists.
    Fixture moved;
    for (auto& v : moved.v) v[0] *= -0.5f;
    for (auto& c : moved.c) c[1] = 3;
    memcpy(f.v, moved.v, sizeof f.v);
    memcpy(f.c, moved.c, sizeof f.c);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    ASSERT_NE(feedback(GL_3D_COLOR_TEXTURE, [] { glDrawArrays(GL_TRIANGLE_FAN, 2, 9); }), arrays);
    glDisableClientState(GL_VERTEX_ARRAY);
    EXPECT_EQ(feedback(GL_3D_COLOR_TEXTURE, [&] { glCallList(base); }), arrays);
    EXPECT_EQ(feedback(GL_3D_COLOR_TEXTURE, [&] { glCallList(base + 1); }), elements);
    EXPECT_TRUE(feedback(GL_3D_COLOR_TEXTURE, [&] { glCallList(base + 2); }).empty());
    EXPECT_EQ(error(), (GLenum)GL_NO_ERROR);
    glDeleteLists(base, 3);
}

// ---- Client attribute stack.

TEST_F(Arrays, ClientAttribStackRestoresArraysButNotTheLock) {
    static const GLfloat a[4][3] = {{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}, {0.5f, 0.5f, 0}};
    static const GLshort b[4][2] = {};
    glVertexPointer(3, GL_FLOAT, 0, a), glEnableClientState(GL_VERTEX_ARRAY);
    const Words before = feedback(GL_2D, [] { glDrawArrays(GL_POINTS, 0, 4); });
    ASSERT_EQ(before.size(), 12u);

    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glVertexPointerEXT(2, GL_SHORT, 0, 4, b);
    glEnableClientState(GL_COLOR_ARRAY);
    glLockArraysQTA(0, 4);
    glPopClientAttrib();
    EXPECT_EQ(error(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(feedback(GL_2D, [] { glDrawArrays(GL_POINTS, 0, 4); }), before) << "pointer, size and stride restored";
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_EQ(getFloats(GL_VERTEX_ARRAY_COUNT_EXT, 1)[0], 0.0f);
    // The lock is no client attribute: it outlives the pop.
    EXPECT_EQ(getFloats(GL_ARRAY_ELEMENT_LOCK_COUNT_QTA, 1)[0], 4.0f);
    glUnlockArraysQTA();
    EXPECT_EQ(error(), (GLenum)GL_NO_ERROR);
}

// ---- Count-taking entry forms.

TEST_F(Arrays, CountFormsBehaveLikeTheCoreEntries) {
    static const Fixture f;
    const struct Case {
        const char* what;
        std::function<void()> core, ext;
        GLenum countQuery;
    } cases[] = {
        {"vertex", [] { glVertexPointer(3, GL_FLOAT, 12, f.v); }, [] { glVertexPointerEXT(3, GL_FLOAT, 12, 7, f.v); },
         GL_VERTEX_ARRAY_COUNT_EXT},
        {"colour", [] { glColorPointer(4, GL_UNSIGNED_BYTE, 0, f.c); },
         [] { glColorPointerEXT(4, GL_UNSIGNED_BYTE, 0, 7, f.c); }, GL_COLOR_ARRAY_COUNT_EXT},
        {"texcoord", [] { glTexCoordPointer(2, GL_FLOAT, 8, f.t); },
         [] { glTexCoordPointerEXT(2, GL_FLOAT, 8, 7, f.t); }, GL_TEXTURE_COORD_ARRAY_COUNT_EXT},
        {"edge flag", [] { glEdgeFlagPointer(0, f.e); }, [] { glEdgeFlagPointerEXT(0, 7, f.e); },
         GL_EDGE_FLAG_ARRAY_COUNT_EXT},
        {"normal", [] { glNormalPointer(GL_FLOAT, 0, f.v); }, [] { glNormalPointerEXT(GL_FLOAT, 0, 7, f.v); },
         GL_NORMAL_ARRAY_COUNT_EXT},
        {"index", [] { glIndexPointer(GL_FLOAT, 0, f.t); }, [] { glIndexPointerEXT(GL_FLOAT, 0, 7, f.t); },
         GL_INDEX_ARRAY_COUNT_EXT},
    };
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    for (const Case& c : cases) {
        f.enable(true);
        glEnableClientState(GL_NORMAL_ARRAY), glEnableClientState(GL_INDEX_ARRAY);
        glNormalPointer(GL_FLOAT, 0, f.v), glIndexPointer(GL_FLOAT, 0, f.t);
        c.core();
        EXPECT_EQ(getFloats(c.countQuery, 1)[0], 0.0f) << c.what;
        const Words want = feedback(GL_3D_COLOR_TEXTURE, [] {
            glDrawArrays(GL_POLYGON, 1, 9);
            glBegin(GL_TRIANGLES), glArrayElement(3), glArrayElement(6), glArrayElement(2), glEnd();
        });
        const Words current = getFloats(GL_CURRENT_NORMAL, 3);
        c.ext();
        EXPECT_EQ(getFloats(c.countQuery, 1)[0], 7.0f) << c.what;
        const Words got = feedback(GL_3D_COLOR_TEXTURE, [] {
            glDrawArraysEXT(GL_POLYGON, 1, 9);
            glBegin(GL_TRIANGLES), glArrayElementEXT(3), glArrayElementEXT(6), glArrayElementEXT(2), glEnd();
        });
        EXPECT_EQ(got, want) << c.what;
        EXPECT_FALSE(want.empty());
        EXPECT_EQ(getFloats(GL_CURRENT_NORMAL, 3), current) << c.what;
        EXPECT_EQ(error(), (GLenum)GL_NO_ERROR) << c.what;
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// A count form whose pointer is refused (after its own checks passed) still
// stores the count; the pointer, size, type and stride stay.
TEST_F(Arrays, RefusedCountFormsStoreTheCount) {
    static const GLfloat p[16] = {};
    const struct Case {
        const char* what;
        std::function<void()> call;
        GLenum error, countQuery, pointerQuery;
        GLint count;
    } cases[] = {
        {"vertex size", [] { glVertexPointerEXT(5, GL_FLOAT, 0, 3, p); }, GL_INVALID_VALUE, GL_VERTEX_ARRAY_COUNT_EXT,
         GL_VERTEX_ARRAY_POINTER, 3},
        {"normal type", [] { glNormalPointerEXT(GL_UNSIGNED_BYTE, 0, 4, p); }, GL_INVALID_ENUM,
         GL_NORMAL_ARRAY_COUNT_EXT, GL_NORMAL_ARRAY_POINTER, 4},
        {"colour stride", [] { glColorPointerEXT(4, GL_FLOAT, -4, 5, p); }, GL_INVALID_VALUE, GL_COLOR_ARRAY_COUNT_EXT,
         GL_COLOR_ARRAY_POINTER, 5},
        {"index type", [] { glIndexPointerEXT(GL_BYTE, 0, 6, p); }, GL_INVALID_ENUM, GL_INDEX_ARRAY_COUNT_EXT,
         GL_INDEX_ARRAY_POINTER, 6},
        {"texcoord size", [] { glTexCoordPointerEXT(0, GL_FLOAT, 0, 7, p); }, GL_INVALID_VALUE,
         GL_TEXTURE_COORD_ARRAY_COUNT_EXT, GL_TEXTURE_COORD_ARRAY_POINTER, 7},
        {"edge flag stride", [] { glEdgeFlagPointerEXT(-1, 8, (const GLboolean*)p); }, GL_INVALID_VALUE,
         GL_EDGE_FLAG_ARRAY_COUNT_EXT, GL_EDGE_FLAG_ARRAY_POINTER, 8},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_EQ(error(), c.error) << c.what;
        EXPECT_EQ(getFloats(c.countQuery, 1)[0], (GLfloat)c.count) << c.what;
        GLvoid* ptr = (GLvoid*)p;
        glGetPointerv(c.pointerQuery, &ptr);
        EXPECT_EQ(ptr, nullptr) << c.what;
    }
}

}  // namespace
