// The board's frame against a software 5-6-5 DIB context drawing the same
// scene, without dithering: the pictures agree within the board's precision
// (vertices snapped to 1/16 pixel move a few edge pixels; colours agree within
// a few 5-6-5 steps). The board's own limits (no stipple, no fragment fog of
// textured primitives) stay out of these scenes.

#include <functional>
#include "hw_env.h"
#include "wgl/wgl.h"

namespace {

constexpr int kSize = 48;

struct Scene {
    const char* name;
    std::function<void()> draw;
    int edgePixels;  // pixels allowed to differ by more than the colour tolerance
};
void PrintTo(const Scene& s, std::ostream* os) { *os << s.name; }

std::vector<HwRgb> boardImage(const Scene& s) {
    HwContext hw(false, kSize);
    glDisable(GL_DITHER);
    s.draw();
    glFinish();
    std::vector<HwRgb> out;
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) out.push_back(hwtestPixel(RV_BUFFER_FRONT, x, y));
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    return out;
}

std::vector<HwRgb> softwareImage(const Scene& s) {
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    __wglHardware = 0;
    std::vector<HwRgb> out;
    {
        GltestDibContext c(kSize, kSize, 16, false, 16, true, masks);
        glDisable(GL_DITHER);
        s.draw();
        glFinish();
        for (int y = 0; y < kSize; y++)
            for (int x = 0; x < kSize; x++) out.push_back(hwtestExpand565((uint16_t)c.pixel(x, y)));
    }
    __wglHardware = 1;
    return out;
}

int channelDifference(const HwRgb& a, const HwRgb& b) {
    const int d[3] = {abs(a.r - b.r), abs(a.g - b.g), abs(a.b - b.b)};
    return d[0] > d[1] ? (d[0] > d[2] ? d[0] : d[2]) : (d[1] > d[2] ? d[1] : d[2]);
}

void triangle(float x0, float y0, float x1, float y1, float x2, float y2, float z = 0) {
    glBegin(GL_TRIANGLES);
    glVertex3f(x0, y0, z);
    glVertex3f(x1, y1, z);
    glVertex3f(x2, y2, z);
    glEnd();
}

void firstTriangle(float z = 0) { triangle(3.3f, 4.2f, 44.1f, 8.7f, 20.6f, 43.9f, z); }
void secondTriangle(float z = 0) { triangle(5.3f, 40.2f, 42.1f, 38.7f, 22.6f, 2.9f, z); }

// A triangle whose eye distance runs from 0.1 to 0.9 (the ortho projection
// keeps eye z = object z).
void deepTriangle() {
    glBegin(GL_TRIANGLES);
    glVertex3f(3.3f, 4.2f, -0.1f);
    glVertex3f(44.1f, 8.7f, -0.9f);
    glVertex3f(20.6f, 43.9f, -0.5f);
    glEnd();
}

void linearFog(GLenum hint) {
    glEnable(GL_FOG);
    glHint(GL_FOG_HINT, hint);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0);
    glFogf(GL_FOG_END, 1.5f);
    const GLfloat blue[4] = {0, 0, 1, 1};
    glFogfv(GL_FOG_COLOR, blue);
    glColor3f(1, 0.5f, 0);
}

const Scene kScenes[] = {
    {"smooth triangle", [] {
         glClearColor(0.1f, 0.2f, 0.3f, 1);
         glClear(GL_COLOR_BUFFER_BIT);
         glBegin(GL_TRIANGLES);
         glColor3f(1, 0, 0), glVertex2f(3.3f, 4.2f);
         glColor3f(0, 1, 0), glVertex2f(44.1f, 8.7f);
         glColor3f(0, 0, 1), glVertex2f(20.6f, 43.9f);
         glEnd();
     }, 3},
    {"depth test over a depth range", [] {
         glClearDepth(0);
         glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
         glDepthRange(0.2, 0.9);
         glEnable(GL_DEPTH_TEST);
         glDepthFunc(GL_GREATER);
         glColor3f(1, 0, 0), firstTriangle(0.5f);
         glColor3f(0, 1, 0), secondTriangle(-0.5f);
     }, 4},
    {"blending", [] {
         glClearColor(0.2f, 0.6f, 0.8f, 1);
         glClear(GL_COLOR_BUFFER_BIT);
         glEnable(GL_BLEND);
         glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
         glColor4f(1, 0.5f, 0, 0.4f), firstTriangle();
         glBlendFunc(GL_ONE, GL_ONE);
         glColor4f(0.3f, 0, 0.2f, 1), secondTriangle();
     }, 4},
    {"scissored clear", [] {
         glClearColor(0.2f, 0.6f, 0.8f, 1);
         glClear(GL_COLOR_BUFFER_BIT);
         glEnable(GL_SCISSOR_TEST);
         glScissor(10, 12, 20, 15);
         glClearColor(1, 1, 0, 1);
         glClear(GL_COLOR_BUFFER_BIT);
         glColor3f(1, 0, 0), firstTriangle();
     }, 3},
    {"lit by a positional light", [] {
         glClear(GL_COLOR_BUFFER_BIT);
         glEnable(GL_LIGHTING);
         glEnable(GL_LIGHT0);
         const GLfloat p[4] = {20, 20, 30, 1};
         glLightfv(GL_LIGHT0, GL_POSITION, p);
         glBegin(GL_TRIANGLES);
         glNormal3f(0, 0, 1), glVertex2f(3.3f, 4.2f);
         glNormal3f(0.5f, 0, 0.8f), glVertex2f(44.1f, 8.7f);
         glNormal3f(0, 0.6f, 0.8f), glVertex2f(20.6f, 43.9f);
         glEnd();
     }, 3},
    {"linear fog per vertex", [] {
         glClear(GL_COLOR_BUFFER_BIT);
         linearFog(GL_DONT_CARE);
         deepTriangle();
     }, 3},
    // The board has no fragment fog: it fogs the vertices, which linear fog
    // along a straight eye distance makes the same picture.
    {"linear fog, nicest", [] {
         glClear(GL_COLOR_BUFFER_BIT);
         linearFog(GL_NICEST);
         deepTriangle();
     }, 3},
    {"culling with clockwise fronts", [] {
         glClear(GL_COLOR_BUFFER_BIT);
         glEnable(GL_CULL_FACE);
         glCullFace(GL_FRONT);
         glFrontFace(GL_CW);
         glColor3f(1, 0, 0), triangle(3.3f, 4.2f, 20.6f, 43.9f, 44.1f, 8.7f);
         glColor3f(0, 1, 0), triangle(5.3f, 40.2f, 22.6f, 2.9f, 42.1f, 38.7f);
     }, 3},
    {"back faces as points", [] {
         glClear(GL_COLOR_BUFFER_BIT);
         glPolygonMode(GL_BACK, GL_POINT);
         glColor3f(1, 1, 1);
         triangle(3.3f, 4.2f, 20.6f, 43.9f, 44.1f, 8.7f);
         secondTriangle();
     }, 3},
    {"wide points", [] {
         glClear(GL_COLOR_BUFFER_BIT);
         glColor3f(1, 1, 1);
         for (int s = 1; s < 6; s++) {
             glPointSize((float)s);
             glBegin(GL_POINTS);
             glVertex2f(5.3f + s * 8, 10.4f);
             glVertex2f(5.8f + s * 8, 30.9f);
             glEnd();
         }
     }, 0},
    {"perspective", [] {
         glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
         glEnable(GL_DEPTH_TEST);
         glMatrixMode(GL_PROJECTION);
         glLoadIdentity();
         glFrustum(-1, 1, -1, 1, 1, 10);
         glMatrixMode(GL_MODELVIEW);
         glBegin(GL_QUADS);
         glColor3f(1, 0, 0), glVertex3f(-2, -1, -1.5f);
         glColor3f(0, 1, 0), glVertex3f(2, -1, -1.5f);
         glColor3f(0, 0, 1), glVertex3f(2, 1, -8);
         glColor3f(1, 1, 1), glVertex3f(-2, 1, -8);
         glEnd();
     }, 3},
};

class HwScenes : public ::testing::TestWithParam<Scene> {};

TEST_P(HwScenes, BoardAndSoftwareAgree) {
    const Scene& s = GetParam();
    const std::vector<HwRgb> board = boardImage(s), soft = softwareImage(s);
    int differing = 0, drawn = 0;
    std::string where;
    for (int i = 0; i < kSize * kSize; i++) {
        const HwRgb &b = board[(size_t)i], &c = soft[(size_t)i];
        drawn += c.r || c.g || c.b;
        if (channelDifference(b, c) <= 16) continue;
        if (++differing <= 8)
            where += " (" + std::to_string(i % kSize) + "," + std::to_string(i / kSize) + ": board " +
                     std::to_string(b.r) + " " + std::to_string(b.g) + " " + std::to_string(b.b) + ", software " +
                     std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b) + ")";
    }
    EXPECT_LE(differing, s.edgePixels) << where;
    EXPECT_GT(drawn, 0);
}

INSTANTIATE_TEST_SUITE_P(Scenes, HwScenes, ::testing::ValuesIn(kScenes), [](const auto& info) {
    std::string n = info.param.name;
    for (char& ch : n)
        if (!isalnum((unsigned char)ch)) ch = '_';
    return n;
});

}  // namespace
