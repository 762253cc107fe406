// The vertex road of a hardware context: immediate mode with and without the
// vertex cache and the array draws, generated vertex programs on and off,
// hand the board the same vertex records.

#include <math.h>
#include <string.h>
#include <functional>
#include "hw_env.h"
#include "hw/hwcontext.h"

namespace {

// Position, colour and depth of the vertices of every logged drawing call, in
// order (texture coordinates are not in use).
std::vector<float> boardVertices() {
    std::vector<float> out;
    for (uint32_t i = 0; i < rvLogCount(); i++) {
        const RvLogEntry* e = rvLogEntry(i);
        if (strncmp(e->name, "rvDraw", 6) && strncmp(e->name, "rvAADraw", 8)) continue;
        for (uint32_t k = 0; k < e->vertexCount; k++) {
            const RvVertex& v = e->vertices[k];
            out.insert(out.end(), {v.x, v.y, v.r, v.g, v.b, v.a, v.ooz});
        }
    }
    return out;
}

TEST(HwVertexRoad, EveryRoadSubmitsTheSameVertices) {
    const int n = 50;
    GLfloat v[n][3], normals[n][3], colors[n][4];
    for (int i = 0; i < n; i++) {
        const float a = 6.2831853f * (float)i / 13.0f, r = 0.3f + 0.9f * (float)(i % 5) / 4.0f;
        v[i][0] = r * cosf(a), v[i][1] = r * sinf(a), v[i][2] = 0.5f * sinf(3.0f * a);
        normals[i][0] = 0.3f * cosf(a), normals[i][1] = 0.2f, normals[i][2] = 0.9f;
        colors[i][0] = (float)(i % 3) / 2, colors[i][1] = (float)(i % 4) / 3, colors[i][2] = 0.5f, colors[i][3] = 1;
    }
    for (bool generated : {true, false}) {
        if (!generated) setenv("__GL_CXX_VERTEX_ROUTINES", "1", 1);
        HwContext hw;
        unsetenv("__GL_CXX_VERTEX_ROUTINES");
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.5, 0.5, -0.5, 0.5, 1, 5);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0, 0, -2.5f);
        glRotatef(25, 1, 0.2f, 0);
        glEnable(GL_DEPTH_TEST);
        glVertexPointer(3, GL_FLOAT, 0, v);
        glNormalPointer(GL_FLOAT, 0, normals);
        glColorPointer(4, GL_FLOAT, 0, colors);
        for (bool lit : {false, true}) {
            if (lit) glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
            for (GLenum mode : {GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_QUADS, GL_POLYGON, GL_LINE_LOOP}) {
                const std::string what = std::string(generated ? "generated" : "not generated") + (lit ? ", lit" : "") +
                                         ", mode " + std::to_string(mode);
                const std::function<void()> roads[] = {
                    [&] {
                        for (int i = 0; i < n; i++) glNormal3fv(normals[i]), glColor4fv(colors[i]), glVertex3fv(v[i]);
                    },
                    [&] { glDrawArrays(mode, 0, n); },
                    [&] {
                        std::vector<GLuint> listed;
                        for (int i = 0; i < n; i++) listed.push_back((GLuint)i);
                        glDrawElements(mode, n, GL_UNSIGNED_INT, listed.data());
                    },
                };
                std::vector<float> want;
                for (int road = 0; road < 4; road++) {
                    const bool immediate = road < 2;
                    GLfloat cache[4] = {road == 1 ? 0.0f : 1.0f};
                    glCullParameterfvQTA(0x81AD, cache);
                    rvLogClear();
                    if (immediate) {
                        glBegin(mode);
                        roads[0]();
                        glEnd();
                    } else {
                        glEnableClientState(GL_VERTEX_ARRAY), glEnableClientState(GL_NORMAL_ARRAY);
                        glEnableClientState(GL_COLOR_ARRAY);
                        roads[road - 1]();
                        glDisableClientState(GL_VERTEX_ARRAY), glDisableClientState(GL_NORMAL_ARRAY);
                        glDisableClientState(GL_COLOR_ARRAY);
                    }
                    const std::vector<float> got = boardVertices();
                    if (road == 0) {
                        want = got;
                        EXPECT_GT(want.size(), 0u) << what;
                    } else {
                        EXPECT_EQ(got, want) << what << ", road " << road;
                    }
                }
            }
        }
        EXPECT_EQ(__glCurrentContext()->vertexPrograms.count > 0, generated);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    }
}

}  // namespace

namespace {

// States of a board context, each from a fresh context; every one changes
// the board's vertex key (but the first).
struct BoardState {
    const char* what;
    std::function<void()> set;
    bool divides = false;  // the programs divide the texture coordinates by w
};

GLubyte checker[8][8][3];

void bindTexture(GLenum filter) {
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            for (int c = 0; c < 3; c++) checker[y][x][c] = (GLubyte)(((x ^ y) & 1) ? 200 + 20 * c : 40 * c);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, checker);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glEnable(GL_TEXTURE_2D);
}

void light() {
    const GLfloat direction[4] = {0.3f, 0.4f, 1, 0}, diffuse[4] = {0.9f, 0.7f, 0.5f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
}

const BoardState boardStates[] = {
    {"the plain state", [] {}},
    {"blending", [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }},
    {"the alpha test", [] { glEnable(GL_ALPHA_TEST), glAlphaFunc(GL_GREATER, 0.2f); }},
    {"the depth test", [] { glEnable(GL_DEPTH_TEST); }},
    {"flat shading", [] { glShadeModel(GL_FLAT); }},
    {"fog", [] { glEnable(GL_FOG), glFogf(GL_FOG_END, 4.0f); }},
    {"lighting", [] { light(); }},
    {"two-sided lighting", [] { light(), glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }},
    {"a perspective-correct texture", [] { bindTexture(GL_LINEAR); }, true},
    {"a perspective-correct texture, lit", [] { bindTexture(GL_LINEAR), light(); }, true},
    {"a perspective-correct texture, blended",
     [] { bindTexture(GL_NEAREST), glEnable(GL_BLEND), glBlendFunc(GL_ONE, GL_ONE); }, true},
    {"a texture at the fastest hint", [] { bindTexture(GL_NEAREST), glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST); }},
    {"a texture under a texture matrix",
     [] { bindTexture(GL_LINEAR), glMatrixMode(GL_TEXTURE), glScalef(2, 3, 1), glMatrixMode(GL_MODELVIEW); }},
    {"a texture with generated s",
     [] { bindTexture(GL_LINEAR), glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR), glEnable(GL_TEXTURE_GEN_S); }},
    {"a user clip plane", [] {
         const GLdouble plane[4] = {1, 0.2, 0, 0.3};
         glClipPlane(GL_CLIP_PLANE0, plane);
         glEnable(GL_CLIP_PLANE0);
     }},
};

// x, y, colour, depth and texture coordinates of every logged vertex.
std::vector<float> boardRecords() {
    std::vector<float> out;
    for (uint32_t i = 0; i < rvLogCount(); i++) {
        const RvLogEntry* e = rvLogEntry(i);
        if (strncmp(e->name, "rvDraw", 6) && strncmp(e->name, "rvAADraw", 8)) continue;
        for (uint32_t k = 0; k < e->vertexCount; k++) {
            const RvVertex& v = e->vertices[k];
            out.insert(out.end(), {v.x, v.y, v.r, v.g, v.b, v.a, v.ooz, v.sow, v.tow, v.oow});
        }
    }
    return out;
}

// A fan of vertices around the view, some beyond its sides and its far plane.
struct Fan {
    static const int n = 36;
    GLfloat v[n][3], normals[n][3], colors[n][4], tex[n][4];
    Fan() {
        for (int i = 0; i < n; i++) {
            const float a = 6.2831853f * (float)i / 11.0f, r = 0.2f + 1.1f * (float)(i % 7) / 6.0f;
            v[i][0] = r * cosf(a), v[i][1] = r * sinf(a), v[i][2] = (i % 9 == 4) ? -4.0f : 0.6f * sinf(2.0f * a);
            normals[i][0] = 0.4f * cosf(a), normals[i][1] = -0.3f, normals[i][2] = 0.85f;
            colors[i][0] = (float)(i % 3) / 2, colors[i][1] = (float)(i % 4) / 3, colors[i][2] = 0.5f;
            colors[i][3] = (float)(i % 5) / 4;
            tex[i][0] = 0.1f * (float)i, tex[i][1] = 1.0f - 0.05f * (float)i, tex[i][2] = 0;
            tex[i][3] = 1.0f + 0.25f * (float)(i % 3);
        }
    }
};

void viewFan() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.5, 0.5, 1, 4);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -2.2f);
    glRotatef(35, 1, 0.3f, 0);
}

// Arrays of the fan enabled, drawn by glDrawArrays.
void drawFanArrays(const Fan& f, GLenum mode) {
    glVertexPointer(3, GL_FLOAT, 0, f.v);
    glNormalPointer(GL_FLOAT, 0, f.normals);
    glColorPointer(4, GL_FLOAT, 0, f.colors);
    glTexCoordPointer(4, GL_FLOAT, 0, f.tex);
    for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY}) glEnableClientState(a);
    glDrawArrays(mode, 0, Fan::n);
    for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY}) glDisableClientState(a);
}

// A state change that changes the board's vertex key makes the array draw
// take a program of its own.
TEST(HwVertexRoad, BoardKeyChangesGiveTheirOwnPrograms) {
    const Fan fan;
    for (size_t s = 1; s < sizeof boardStates / sizeof *boardStates; s++) {
        const BoardState& state = boardStates[s];
        HwContext hw;
        GlContext* gc = __glCurrentContext();
        viewFan();
        drawFanArrays(fan, GL_TRIANGLES);
        const GlVertexProgram* before = gc->vertexPrograms.current;
        const GLuint keyBefore = __glHw(gc)->hwVertexKey;
        state.set();
        drawFanArrays(fan, GL_TRIANGLES);
        const GlVertexProgram* after = gc->vertexPrograms.current;
        ASSERT_NE(before, nullptr) << state.what;
        ASSERT_NE(after, nullptr) << state.what;
        EXPECT_NE(__glHw(gc)->hwVertexKey, keyBefore) << state.what;
        EXPECT_NE(after, before) << state.what;
        // Keyed by the word of the draw (the vertex array on).
        EXPECT_EQ(after->key.keying, __glHw(gc)->hwVertexKey | GL_HW_KEY_VERTEX_ARRAY) << state.what;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << state.what;
    }
}

// In every state the board gets the same vertices from generated programs as
// from the C++ routines, on every road (immediate mode with and without the
// vertex cache, glDrawArrays, glDrawElements) and through the clipper.
TEST(HwVertexRoad, BoardVerticesOfEveryStateMatchTheCxxRoad) {
    const Fan fan;
    std::vector<GLuint> listed;
    for (int i = 0; i < Fan::n; i++) listed.push_back((GLuint)((i * 7) % Fan::n));
    std::vector<std::vector<float>> cxx;
    for (bool generated : {false, true}) {
        size_t record = 0;
        for (const BoardState& state : boardStates) {
            if (!generated) setenv("__GL_CXX_VERTEX_ROUTINES", "1", 1);
            HwContext hw;
            unsetenv("__GL_CXX_VERTEX_ROUTINES");
            viewFan();
            state.set();
            for (GLenum mode : {GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_QUADS, GL_LINES}) {
                for (int road = 0; road < 4; road++) {
                    const std::string what = std::string(state.what) + ", mode " + std::to_string(mode) + ", road " +
                                             std::to_string(road);
                    GLfloat cache[4] = {road == 1 ? 0.0f : 1.0f};
                    glCullParameterfvQTA(0x81AD, cache);
                    rvLogClear();
                    if (road < 2) {
                        glBegin(mode);
                        for (int i = 0; i < Fan::n; i++)
                            glNormal3fv(fan.normals[i]), glColor4fv(fan.colors[i]), glTexCoord4fv(fan.tex[i]),
                                glVertex3fv(fan.v[i]);
                        glEnd();
                    } else if (road == 2) {
                        drawFanArrays(fan, mode);
                    } else {
                        glVertexPointer(3, GL_FLOAT, 0, fan.v);
                        glNormalPointer(GL_FLOAT, 0, fan.normals);
                        glColorPointer(4, GL_FLOAT, 0, fan.colors);
                        glTexCoordPointer(4, GL_FLOAT, 0, fan.tex);
                        for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
                            glEnableClientState(a);
                        glDrawElements(mode, Fan::n, GL_UNSIGNED_INT, listed.data());
                        for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
                            glDisableClientState(a);
                    }
                    const std::vector<float> got = boardRecords();
                    if (!generated) {
                        EXPECT_GT(got.size(), 0u) << what;
                        cxx.push_back(got);
                    } else {
                        ASSERT_LT(record, cxx.size());
                        EXPECT_EQ(got, cxx[record]) << what;
                    }
                    record++;
                }
            }
            const GlVertexProgramCache* programs = &__glCurrentContext()->vertexPrograms;
            EXPECT_EQ(programs->count > 0, generated) << state.what;
            bool divided = false;
            for (int i = 0; i < programs->count; i++) divided |= programs->entries[i].key.texDivide != 0;
            EXPECT_EQ(divided, generated && state.divides) << state.what;
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << state.what;
            EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
        }
    }
}

}  // namespace
