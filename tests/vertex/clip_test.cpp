// Clip-edge vertices of fogged primitives: the fog value a new vertex carries
// is the interpolation of its ends' values, never a stale one.
#include "roadtest.h"

using namespace road;

namespace {

// Flat shading with fog per vertex fogs the provoking colour by each
// vertex's own fog value; unfogged vertices cut by the view's edge must
// leave the triangle unfogged.
TEST(ClipFog, FlatFoggedTrianglesCutByTheViewKeepTheirFog) {
    Target t(true, 24);
    gltestPixelViewport(0, 0, 24, 24);
    glShadeModel(GL_FLAT);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 10.0f);
    glFogf(GL_FOG_END, 20.0f);  // eye distances below 10: factor 1, no fog
    const GLfloat fogColor[4] = {0, 0, 1, 1};
    glFogfv(GL_FOG_COLOR, fogColor);
    for (GLenum mode : {GL_TRIANGLES, GL_QUADS, GL_LINES}) {
        for (bool cached : {false, true}) {
            setVertexCache(cached);
            glClear(GL_COLOR_BUFFER_BIT);
            glColor3f(1, 0, 0);
            glBegin(mode);
            glVertex2f(2, 2), glVertex2f(40, 6);  // beyond the right edge
            if (mode != GL_LINES) glVertex2f(30, 20);
            if (mode == GL_QUADS) glVertex2f(4, 22);
            glEnd();
            int drawn = 0;
            for (uint32_t p : t.pixels()) {
                if (!p) continue;
                drawn++;
                EXPECT_EQ(p, 0xFF0000u) << "mode " << mode << " cache " << cached;
                if (p != 0xFF0000u) break;
            }
            EXPECT_GT(drawn, 10) << "mode " << mode;
        }
    }
}

}  // namespace
