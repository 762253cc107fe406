// Projective texture coordinates: a q given with glTexCoord4 divides s and t
// on every road (triangles, lines, points; the fast span chain and the generic
// span lists; perspective-correct and affine interpolation). With the same q
// at every vertex the interpolation is exact, so (q s, q t, 0, q) draws what
// (s, t) draws.

#include <string>
#include <vector>
#include "gldib.h"
#include "trianglepath.h"
#include "core/glcontext.h"

namespace {

const int kSize = 32, kTexels = 16;

// Texel (i, j): red 16 i + 8, green 16 j + 8, blue 77 (GL_REPLACE shows it).
void loadEncodedTexture(GLenum minFilter, GLenum magFilter) {
    std::vector<GLubyte> img((size_t)kTexels * kTexels * 3);
    for (int j = 0; j < kTexels; j++)
        for (int i = 0; i < kTexels; i++) {
            GLubyte* p = &img[((size_t)j * kTexels + i) * 3];
            p[0] = (GLubyte)(16 * i + 8), p[1] = (GLubyte)(16 * j + 8), p[2] = 77;
        }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kTexels, kTexels, 0, GL_RGB, GL_UNSIGNED_BYTE, img.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)magFilter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
}

enum Primitive { P_TRIANGLES, P_LINES, P_POINTS };

// (s, t) of window position (x, y): the texture once over the window, and a
// little past it so that GL_REPEAT takes part.
void texCoord(float x, float y, float q) {
    const float s = x / (float)kSize * 1.25f - 0.125f, t = y / (float)kSize * 1.25f - 0.125f;
    glTexCoord4f(s * q, t * q, 0.0f, q);
}

void draw(Primitive prim, float q) {
    if (prim == P_TRIANGLES) {
        glBegin(GL_TRIANGLES);
        const float v[6][2] = {{0, 0}, {kSize, 0}, {kSize, kSize}, {0, 0}, {kSize, kSize}, {0, kSize}};
        for (const auto& p : v) texCoord(p[0], p[1], q), glVertex2f(p[0], p[1]);
        glEnd();
    } else if (prim == P_LINES) {
        glBegin(GL_LINES);
        for (int y = 0; y < kSize; y += 3) {
            texCoord(0.0f, y + 0.5f, q), glVertex2f(0.0f, y + 0.5f);
            texCoord(kSize, y + 0.5f, q), glVertex2f((float)kSize, y + 0.5f);
        }
        glEnd();
    } else {
        glBegin(GL_POINTS);
        for (int y = 0; y < kSize; y += 2)
            for (int x = 0; x < kSize; x += 3) texCoord(x + 0.5f, y + 0.5f, q), glVertex2f(x + 0.5f, y + 0.5f);
        glEnd();
    }
}

std::vector<uint32_t> render(Primitive prim, bool generic, GLenum hint, GLenum minFilter, GLenum magFilter,
                             float q) {
    GltestTrianglePath path(generic);
    GltestDibContext ctx(kSize, kSize, 32);
    std::vector<uint32_t> pixels;
    if (!ctx.rc) return pixels;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, hint);
    loadEncodedTexture(minFilter, magFilter);
    draw(prim, q);
    glFinish();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    if (prim == P_TRIANGLES) {
        EXPECT_EQ(gltestFastTriangles(__glCurrentContext()), !generic) << "the path drawn";
    }
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) pixels.push_back(ctx.pixel(x, y) & 0xFFFFFF);
    return pixels;
}

// Pixels that differ between two pictures, as "(x, y) a b" lines (at most 5).
std::string differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    std::string out;
    int shown = 0;
    for (size_t i = 0; i < a.size() && i < b.size() && shown < 5; i++)
        if (a[i] != b[i]) {
            char line[64];
            snprintf(line, sizeof line, "(%d, %d) %06x %06x\n", (int)(i % kSize), (int)(i / kSize), a[i], b[i]);
            out += line, shown++;
        }
    return a.size() == b.size() ? out : "sizes differ";
}

TEST(TexProjectiveQ, SameQEverywhereDrawsAsQOne) {
    const struct {
        const char* name;
        Primitive prim;
        GLenum min, mag;
    } cases[] = {
        {"triangles nearest", P_TRIANGLES, GL_NEAREST, GL_NEAREST},
        {"triangles linear", P_TRIANGLES, GL_LINEAR, GL_LINEAR},
        {"triangles linear min, nearest mag", P_TRIANGLES, GL_LINEAR, GL_NEAREST},
        {"lines nearest", P_LINES, GL_NEAREST, GL_NEAREST},
        {"lines linear", P_LINES, GL_LINEAR, GL_LINEAR},
        {"points nearest", P_POINTS, GL_NEAREST, GL_NEAREST},
        {"points linear", P_POINTS, GL_LINEAR, GL_LINEAR},
    };
    for (const auto& c : cases)
        for (bool generic : {false, true})
            for (GLenum hint : {GL_FASTEST, GL_NICEST}) {
                const std::vector<uint32_t> one = render(c.prim, generic, hint, c.min, c.mag, 1.0f);
                // The reference samples the texture: pixel (20, 10) of the q-1
                // triangles lies on texel (10, 4) (s x 16 = 10.8, t x 16 = 4.56).
                if (c.prim == P_TRIANGLES && c.min == GL_NEAREST && !one.empty()) {
                    EXPECT_EQ(one[(size_t)10 * kSize + 20], (uint32_t)((16 * 10 + 8) << 16 | (16 * 4 + 8) << 8 | 77))
                        << c.name;
                }
                for (float q : {2.0f, 0.5f, 4.0f}) {
                    SCOPED_TRACE(std::string(c.name) + (generic ? ", generic" : ", fast") +
                                 (hint == GL_FASTEST ? ", affine" : ", perspective") + ", q " + std::to_string(q));
                    EXPECT_EQ(differences(render(c.prim, generic, hint, c.min, c.mag, q), one), "");
                }
            }
}

}  // namespace
