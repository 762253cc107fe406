// State changes reach the next vertex at once: enabling colour material
// re-picks what array draws read, a colour-index material's shift and offset
// re-pick the index lighting, and compiled array draws played inside
// glBegin/glEnd are refused as the immediate calls are.
#include "roadtest.h"

using namespace road;

namespace {

const int SIZE = 16;

// A quad over the window with a normal and a colour per vertex.
struct Quad {
    GLfloat pos[4][2] = {{0, 0}, {SIZE, 0}, {SIZE, SIZE}, {0, SIZE}};
    GLfloat normal[4][3] = {{0, 0, 1}, {0.3f, 0, 0.954f}, {0, 0.3f, 0.954f}, {0.2f, 0.2f, 0.959f}};
    GLubyte color[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
    void enable(bool vertexArray = true) const {
        glVertexPointer(2, GL_FLOAT, 0, pos);
        glNormalPointer(GL_FLOAT, 0, normal);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, color);
        if (vertexArray) glEnableClientState(GL_VERTEX_ARRAY);
        else glDisableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
    }
    static void disable() {
        for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY}) glDisableClientState(a);
    }
    void immediate() const {
        glBegin(GL_QUADS);
        for (int i = 0; i < 4; i++) glNormal3fv(normal[i]), glColor4ubv(color[i]), glVertex2fv(pos[i]);
        glEnd();
    }
};

void lightFromTheEye() {
    const GLfloat dir[4] = {0, 0, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, dir);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
}

// The first array draw after colour material is switched draws as the
// immediate calls do (colour material: the colours of the colour array).
TEST(ColorMaterialSwitch, TheNextArrayDrawFollowsIt) {
    static const Quad q;
    static const GLubyte order[4] = {0, 1, 2, 3};
    const struct {
        const char* what;
        bool enable;
        std::function<void()> draw;
    } cases[] = {
        {"enabled, glDrawArrays", true, [] { glDrawArrays(GL_QUADS, 0, 4); }},
        {"enabled, glDrawElements", true, [] { glDrawElements(GL_QUADS, 4, GL_UNSIGNED_BYTE, order); }},
        {"disabled, glDrawArrays", false, [] { glDrawArrays(GL_QUADS, 0, 4); }},
        {"disabled, glDrawElements", false, [] { glDrawElements(GL_QUADS, 4, GL_UNSIGNED_BYTE, order); }},
    };
    for (bool generated : {false, true}) {
        Target t(generated, SIZE);
        lightFromTheEye();
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        for (const auto& c : cases) {
            const std::string what = std::string(c.what) + (generated ? ", generated" : "");
            if (c.enable) glDisable(GL_COLOR_MATERIAL);
            else glEnable(GL_COLOR_MATERIAL);
            q.enable();
            t.draw(c.draw);  // validated with colour material as it was
            if (c.enable) glEnable(GL_COLOR_MATERIAL);
            else glDisable(GL_COLOR_MATERIAL);
            const auto got = t.draw(c.draw);
            Quad::disable();
            const auto want = t.draw([] { q.immediate(); });
            EXPECT_EQ(got, want) << what;
            if (c.enable) {
                EXPECT_NE(std::count(want.begin(), want.end(), want[0]), (long)want.size()) << what;
            }
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << what;
        }
    }
}

// Compiled glDrawArrays and glDrawElements played between glBegin and glEnd
// record GL_INVALID_OPERATION and add nothing to the open primitive; with
// the vertex array on or off (or of doubles, whose records lie on 8 bytes
// among the others); with the vertex cache on or off. Outside a primitive
// the lists draw as the calls do.
TEST(CompiledArrayDraws, InsideBeginEndTheyAreRefused) {
    static const Quad q;
    static const GLushort order[6] = {0, 1, 2, 2, 3, 0};
    static const GLdouble doubles[4][2] = {{0, 0}, {SIZE, 0}, {SIZE, SIZE}, {0, SIZE}};
    const struct {
        const char* what;
        bool vertexArray, doubles;
        GLenum listMode;
        std::function<void()> draw;
    } cases[] = {
        {"glDrawArrays", true, false, GL_COMPILE, [] { glDrawArrays(GL_TRIANGLE_FAN, 0, 4); }},
        {"glDrawArraysEXT", true, false, GL_COMPILE, [] { glDrawArraysEXT(GL_QUADS, 0, 4); }},
        {"glDrawElements", true, false, GL_COMPILE_AND_EXECUTE,
         [] { glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, order); }},
        {"glDrawArrays, double positions", true, true, GL_COMPILE, [] { glDrawArrays(GL_QUAD_STRIP, 0, 4); }},
        {"glDrawElements, double positions", true, true, GL_COMPILE_AND_EXECUTE,
         [] { glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, order); }},
        {"glDrawArrays, vertex array off", false, false, GL_COMPILE, [] { glDrawArrays(GL_QUADS, 0, 4); }},
        {"glDrawElements, vertex array off", false, false, GL_COMPILE,
         [] { glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, order); }},
    };
    Target t(true, SIZE);
    static const GLfloat outer[3][2] = {{2, 2}, {14, 3}, {6, 13}};
    const GLfloat blue[4] = {0, 0, 1, 1};
    for (bool cached : {true, false}) {
        setVertexCache(cached);
        for (const auto& c : cases) {
            const std::string what = std::string(c.what) + (cached ? ", cached" : "");
            q.enable(c.vertexArray);
            if (c.doubles) glVertexPointer(2, GL_DOUBLE, 0, doubles);
            const auto drawn = t.draw(c.draw);
            const GLuint list = glGenLists(1);
            glNewList(list, c.listMode);
            c.draw();
            glEndList();
            Quad::disable();

            glColor4fv(blue);
            const auto want = t.draw([] {
                glBegin(GL_TRIANGLES);
                for (const auto& v : outer) glVertex2fv(v);
                glEnd();
            });
            ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << what;
            const auto got = t.draw([&] {
                glBegin(GL_TRIANGLES);
                glVertex2fv(outer[0]);
                glCallList(list);
                glVertex2fv(outer[1]);
                glVertex2fv(outer[2]);
                glEnd();
            });
            EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION) << what;
            EXPECT_EQ(got, want) << what;
            GLfloat current[4];
            glGetFloatv(GL_CURRENT_COLOR, current);
            EXPECT_EQ(std::vector<GLfloat>(current, current + 4), std::vector<GLfloat>(blue, blue + 4)) << what;

            EXPECT_EQ(t.draw([&] { glCallList(list); }), drawn) << what << ": outside a primitive";
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << what;
            glDeleteLists(list, 1);
        }
    }
    setVertexCache(true);
}

// Colour-index lighting: ambient, diffuse and specular indexes 10, 20, 30 on
// an 8-bit index DIB, lit to the specular index; each change of the index
// shift or offset (cumulative) moves the lit index from the next vertex on.
TEST(ColorIndexMaterial, ShiftAndOffsetMoveTheLitIndexAtOnce) {
    Target t(true, SIZE, true);
    glDisable(GL_DITHER);
    lightFromTheEye();
    const GLfloat bright[4] = {2, 2, 2, 1}, indexes[3] = {10, 20, 30}, five = 5;
    glLightfv(GL_LIGHT0, GL_SPECULAR, bright);
    glMaterialfv(GL_FRONT, GL_COLOR_INDEXES, indexes);
    static const GLfloat n[3] = {0, 0, 1};
    glNormal3fv(n);
    auto quad = [] { glRecti(0, 0, SIZE, SIZE); };
    auto only = [](const std::vector<uint32_t>& p, uint32_t index) {
        return std::count(p.begin(), p.end(), index) == (long)p.size();
    };
    ASSERT_TRUE(only(t.draw(quad), 30));
    const struct {
        const char* what;
        std::function<void()> change;
        uint32_t want;
    } steps[] = {
        {"offset 5", [] { glMateriali(GL_FRONT, GL_INDEX_OFFSET, 5); }, 35},
        {"shift 1", [] { glMateriali(GL_FRONT, GL_INDEX_SHIFT, 1); }, 65},
        {"shift -1", [] { glMateriali(GL_FRONT_AND_BACK, GL_INDEX_SHIFT, -1); }, 20},
        {"shift 0", [] { glMateriali(GL_FRONT, GL_INDEX_SHIFT, 0); }, 35},
        {"offset 0", [] { glMateriali(GL_FRONT_AND_BACK, GL_INDEX_OFFSET, 0); }, 30},
        {"offset 5 by glMaterialfv", [&] { glMaterialfv(GL_FRONT, GL_INDEX_OFFSET, &five); }, 35},
        {"back face only", [] { glMateriali(GL_BACK, GL_INDEX_OFFSET, 9); }, 35},
    };
    for (const auto& s : steps) {
        s.change();
        EXPECT_TRUE(only(t.draw(quad), s.want)) << s.what;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << s.what;
    }

    // Between the two triangles of one primitive.
    for (bool cached : {true, false}) {
        glMateriali(GL_FRONT_AND_BACK, GL_INDEX_OFFSET, 0);
        glMateriali(GL_FRONT_AND_BACK, GL_INDEX_SHIFT, 0);
        setVertexCache(cached);
        EXPECT_TRUE(only(t.draw(quad), 30));  // validated without shift or offset
        const auto p = t.draw([] {
            glBegin(GL_TRIANGLES);
            glVertex2i(0, 0), glVertex2i(SIZE, 0), glVertex2i(0, SIZE);
            glMateriali(GL_FRONT, GL_INDEX_OFFSET, 5);
            glVertex2i(SIZE, 0), glVertex2i(SIZE, SIZE), glVertex2i(0, SIZE);
            glEnd();
        });
        EXPECT_EQ(p[2 * SIZE + 2], 30u) << (cached ? "cached" : "uncached");                 // (2, 2)
        EXPECT_EQ(p[(SIZE - 3) * SIZE + SIZE - 3], 35u) << (cached ? "cached" : "uncached");  // (13, 13)
    }
    setVertexCache(true);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace
