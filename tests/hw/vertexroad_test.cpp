// The vertex road of a hardware context: immediate mode with and without the
// vertex cache and the array draws, generated vertex programs on and off,
// hand the board the same vertex records.

#include <math.h>
#include <string.h>
#include <functional>
#include "hw_env.h"

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
