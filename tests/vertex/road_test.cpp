// Every road of a vertex draws the same: immediate mode with and without the
// vertex cache, glArrayElement, glDrawArrays and glDrawElements with 8-, 16-
// and 32-bit indices, generated vertex programs on and off, give identical
// pixels and identical feedback buffers, for every mode and vertex counts
// around the batch boundaries, over a table of array formats and states.
#include <algorithm>
#include "roadtest.h"

using namespace road;

namespace {

const ArraySpec OFF = OFF_SPEC;

// The baseline of every scene: a perspective view of the geometry, depth test.
void perspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.5, 0.5, 1.0, 6.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.6f);
    glRotatef(20.0f, 1.0f, 0.3f, 0.0f);
    glEnable(GL_DEPTH_TEST);
}
void ortho() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.2, 1.2, -1.2, 1.2, -2.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
void light(GLenum which, GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    const GLfloat p[4] = {x, y, z, w}, d[4] = {0.9f, 0.6f, 0.3f, 1.0f}, s[4] = {0.5f, 0.4f, 0.6f, 1.0f},
                  a[4] = {0.15f, 0.1f, 0.05f, 1.0f};
    glLightfv(which, GL_POSITION, p);
    glLightfv(which, GL_AMBIENT, a);
    glLightfv(which, GL_DIFFUSE, d);
    glLightfv(which, GL_SPECULAR, s);
    glEnable(which);
}
void lit() {
    glEnable(GL_LIGHTING);
    light(GL_LIGHT0, 0.3f, 0.5f, 1.0f, 0.0f);
    const GLfloat spec[4] = {0.7f, 0.7f, 0.7f, 1.0f}, amb[4] = {0.3f, 0.2f, 0.1f, 0.8f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, spec);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, amb);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 12.0f);
}

struct Scene {
    const char* name;
    Format format;
    double spread;  // above 1: some vertices outside the view
    std::function<void()> state;
    std::vector<int> counts;
};

const std::vector<int> manyCounts = {0, 1, 2, 3, 4, 5, 7, 12, 34, 35, 36, 37, 38, 39, 40, 71, 72, 73, 74, 80};
const std::vector<int> someCounts = {3, 4, 17, 36, 38, 41, 73};
const std::vector<int> fewCounts = {3, 4, 36, 37, 38};

// The interleaved formats the scenes above leave out, each at its own offsets.
Scene interleavedScene(const char* name, GLenum format, bool textured, bool lighting) {
    return {name, {OFF_SPEC, OFF_SPEC, OFF_SPEC, OFF_SPEC, false, format}, 1.3,
            [=] {
                perspective();
                if (textured) bindCheckerTexture();
                if (lighting) lit();
            },
            fewCounts};
}

const Scene scenes[] = {
    {"colour array, float", {{3, GL_FLOAT, 0}, OFF, {4, GL_FLOAT, 0}, OFF, false, 0}, 0.9, [] { perspective(); },
     manyCounts},
    {"clipped, flat", {{3, GL_FLOAT, 0}, OFF, {3, GL_UNSIGNED_BYTE, 1}, OFF, false, 0}, 2.2,
     [] { perspective(); glShadeModel(GL_FLAT); }, manyCounts},
    {"lit, one light", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF, OFF, false, 0}, 1.4, [] { perspective(); lit(); },
     manyCounts},
    {"lit, three lights, two-sided", {{3, GL_FLOAT, 4}, {3, GL_BYTE, 0}, OFF, OFF, false, 0}, 1.4,
     [] {
         perspective();
         lit();
         light(GL_LIGHT1, -0.5f, 0.2f, 0.4f, 0.0f);
         light(GL_LIGHT2, 0.4f, -0.6f, 0.5f, 1.0f);
         glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
     },
     manyCounts},
    {"interleaved T2F_C4UB_V3F, textured, fog", {OFF, OFF, OFF, OFF, false, GL_T2F_C4UB_V3F}, 1.3,
     [] {
         perspective();
         bindCheckerTexture();
         glEnable(GL_FOG);
         glFogi(GL_FOG_MODE, GL_LINEAR);
         glFogf(GL_FOG_START, 1.5f);
         glFogf(GL_FOG_END, 4.0f);
     },
     manyCounts},
    {"interleaved N3F_V3F, lit, fog per fragment", {OFF, OFF, OFF, OFF, false, GL_N3F_V3F}, 1.3,
     [] {
         perspective();
         lit();
         glEnable(GL_FOG);
         glHint(GL_FOG_HINT, GL_NICEST);
     },
     manyCounts},
    {"interleaved T4F_C4F_N3F_V4F, flat fog", {OFF, OFF, OFF, OFF, false, GL_T4F_C4F_N3F_V4F}, 1.6,
     [] {
         perspective();
         glShadeModel(GL_FLAT);
         glEnable(GL_FOG);
         glFogf(GL_FOG_DENSITY, 0.4f);
     },
     manyCounts},
    {"sphere map", {{3, GL_DOUBLE, 0}, {3, GL_FLOAT, 0}, {4, GL_FLOAT, 0}, {2, GL_SHORT, 0}, false, 0}, 1.3,
     [] {
         perspective();
         glScalef(1.0f, 1.0f, 1.0f);
         bindCheckerTexture();
         glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
         glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
         glEnable(GL_TEXTURE_GEN_S), glEnable(GL_TEXTURE_GEN_T);
     },
     manyCounts},
    {"user clip planes, short positions", {{3, GL_SHORT, 0}, OFF, {4, GL_BYTE, 0}, OFF, false, 0}, 1.1,
     [] {
         perspective();
         glScalef(1.0f / 64, 1.0f / 64, 1.0f / 64);
         const GLdouble a[4] = {1.0, 0.2, 0.0, 0.3}, b[4] = {-0.3, 1.0, 0.1, 0.4};
         glClipPlane(GL_CLIP_PLANE0, a);
         glClipPlane(GL_CLIP_PLANE3, b);
         glEnable(GL_CLIP_PLANE0), glEnable(GL_CLIP_PLANE3);
     },
     manyCounts},
    {"face culling", {{3, GL_FLOAT, 0}, OFF, {4, GL_UNSIGNED_SHORT, 0}, OFF, false, 0}, 1.2,
     [] { perspective(); glEnable(GL_CULL_FACE); glCullFace(GL_BACK); }, manyCounts},
    {"cull-vertex test", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF, false, 0}, 1.6,
     [] {
         perspective();
         GLfloat eye[4] = {0.2f, 0.4f, 1.0f, 0.0f};
         glCullParameterfvQTA(GL_CULL_VERTEX_EYE_POSITION_QTA, eye);
         glCullFace(GL_BACK);
         glEnable(GL_CULL_VERTEX_QTA);
     },
     manyCounts},
    {"cull-vertex point, lit", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF, OFF, false, 0}, 1.6,
     [] {
         perspective();
         lit();
         GLfloat eye[4] = {0.0f, 0.0f, 3.0f, 1.0f};
         glCullParameterfvQTA(GL_CULL_VERTEX_OBJECT_POSITION_QTA, eye);
         glCullFace(GL_BACK);
         glEnable(GL_CULL_VERTEX_QTA);
     },
     manyCounts},
    {"polygon modes, edge flags", {{3, GL_FLOAT, 0}, OFF, {4, GL_FLOAT, 0}, OFF, true, 0}, 1.3,
     [] {
         perspective();
         glPolygonMode(GL_FRONT, GL_LINE);
         glPolygonMode(GL_BACK, GL_POINT);
     },
     manyCounts},
    // Colour material: array draws expand into glBegin, element calls, glEnd.
    {"colour material", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, {4, GL_UNSIGNED_BYTE, 0}, OFF, false, 0}, 1.2,
     [] {
         perspective();
         lit();
         glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
         glEnable(GL_COLOR_MATERIAL);
     },
     someCounts},
    // Each glColor inside glBegin completes the vertices gathered so far:
    // their texture coordinates are divided by w only once they are transformed.
    {"colour material, textured", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, {4, GL_UNSIGNED_BYTE, 0}, {2, GL_FLOAT, 0},
                                   false, 0},
     1.2,
     [] {
         perspective();
         lit();
         bindCheckerTexture();
         glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
         glEnable(GL_COLOR_MATERIAL);
     },
     someCounts},
    {"colour material, four components, textured",
     {{4, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, {4, GL_FLOAT, 0}, {4, GL_FLOAT, 0}, false, 0}, 1.2,
     [] {
         perspective();
         lit();
         bindCheckerTexture();
         glColorMaterial(GL_FRONT, GL_DIFFUSE);
         glEnable(GL_COLOR_MATERIAL);
     },
     someCounts},
    // Sphere mapping reads the normal: it is gathered with lighting on too.
    {"sphere map, lit", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF, {2, GL_FLOAT, 0}, false, 0}, 1.3,
     [] {
         perspective();
         lit();
         bindCheckerTexture();
         glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
         glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
         glEnable(GL_TEXTURE_GEN_S), glEnable(GL_TEXTURE_GEN_T);
     },
     someCounts},
    {"two components, ortho", {{2, GL_FLOAT, 0}, OFF, {4, GL_FLOAT, 0}, OFF, false, 0}, 1.4,
     [] { ortho(); }, manyCounts},
    // (64x, 64y, 64z, 64w): the same point.
    {"four components, int", {{4, GL_INT, 0}, OFF, {4, GL_UNSIGNED_BYTE, 0}, OFF, false, 0}, 1.4,
     [] { perspective(); }, manyCounts},
    interleavedScene("interleaved V2F", GL_V2F, false, false),
    interleavedScene("interleaved V3F", GL_V3F, false, false),
    interleavedScene("interleaved C4UB_V2F", GL_C4UB_V2F, false, false),
    interleavedScene("interleaved C4UB_V3F", GL_C4UB_V3F, false, false),
    interleavedScene("interleaved C3F_V3F", GL_C3F_V3F, false, false),
    interleavedScene("interleaved C4F_N3F_V3F, lit", GL_C4F_N3F_V3F, false, true),
    interleavedScene("interleaved T2F_V3F", GL_T2F_V3F, true, false),
    interleavedScene("interleaved T4F_V4F", GL_T4F_V4F, true, false),
    interleavedScene("interleaved T2F_C3F_V3F", GL_T2F_C3F_V3F, true, false),
    interleavedScene("interleaved T2F_N3F_V3F, lit", GL_T2F_N3F_V3F, true, true),
    interleavedScene("interleaved T2F_C4F_N3F_V3F, lit", GL_T2F_C4F_N3F_V3F, true, true),
};

std::string describe(const Scene& s, GLenum mode, int first, int count) {
    return std::string(s.name) + ", mode " + std::to_string(mode) + ", elements " + std::to_string(first) + "+" +
           std::to_string(count);
}

template <class T>
std::string firstDifference(const std::vector<T>& got, const std::vector<T>& want) {
    if (got.size() != want.size()) return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size());
    for (size_t i = 0; i < got.size(); i++)
        if (memcmp(&got[i], &want[i], sizeof(T)))
            return "at " + std::to_string(i) + ": " + std::to_string(got[i]) + " and " + std::to_string(want[i]);
    return "";
}

class Roads : public ::testing::Test {
protected:
    static Target* off;
    static Target* on;
    static void SetUpTestSuite() {
        off = new Target(false);
        on = new Target(true);
    }
    static void TearDownTestSuite() {
        delete on;
        delete off;
        on = off = nullptr;
    }
    // The scene's state in the current context, from the defaults.
    static void setState(const Scene& s) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glClearColor(0.1f, 0.2f, 0.3f, 0.0f);
        s.state();
    }
    static void resetState() {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopAttrib();
    }
    static std::vector<uint32_t> render(const Target* t, int road, GLenum mode, const Arrays& a, int first, int count) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawRoad(road, mode, a, first, count);
        glFinish();
        return t->pixels();
    }
};
Target* Roads::off = nullptr;
Target* Roads::on = nullptr;

TEST_F(Roads, EveryRoadDrawsTheSame) {
    int litPrograms = 0, programs = 0;
    for (const Scene& s : scenes) {
        const Geometry g(82, s.spread, 7u + (unsigned)(s.name[0] * 31 + s.name[3]));
        const Arrays a(g, s.format);
        // Reference: immediate mode without the cache and without generated programs.
        std::vector<std::vector<uint32_t>> wantPixels;
        std::vector<std::vector<GLfloat>> wantFeedback;
        struct Draw { GLenum mode; int first, count; };
        std::vector<Draw> draws;
        for (GLenum mode = GL_POINTS; mode <= GL_POLYGON; mode++)
            for (int count : s.counts)
                for (int first : {0, 1})
                    if (first == 0 || count == 37) draws.push_back({mode, first, count});
        off->makeCurrent();
        setState(s);
        int drawn = 0, fed = 0;
        for (const Draw& d : draws) {
            wantPixels.push_back(render(off, IMMEDIATE, d.mode, a, d.first, d.count));
            wantFeedback.push_back(feedback([&] { drawRoad(IMMEDIATE, d.mode, a, d.first, d.count); }));
            const auto& p = wantPixels.back();
            drawn += std::count(p.begin(), p.end(), p[0]) != (long)p.size();
            fed += !wantFeedback.back().empty();
        }
        // The scenes draw something for most vertex counts.
        EXPECT_GT(drawn, (int)draws.size() * 2 / 3) << s.name;
        EXPECT_GT(fed, (int)draws.size() * 2 / 3) << s.name;
        for (const Target* t : {off, on}) {
            if (t != off) resetState(), t->makeCurrent(), setState(s);
            for (size_t k = 0; k < draws.size(); k++) {
                const Draw& d = draws[k];
                for (int road = t == off ? IMMEDIATE_CACHED : IMMEDIATE; road < ROAD_COUNT; road++) {
                    const std::string what = describe(s, d.mode, d.first, d.count) + ", " + roadName(road) +
                                             (t->generated ? ", generated" : "");
                    const std::string p = firstDifference(render(t, road, d.mode, a, d.first, d.count), wantPixels[k]);
                    EXPECT_EQ(p, "") << what << ": pixels";
                    if (t == off) {
                        const auto fb = feedback([&] { drawRoad(road, d.mode, a, d.first, d.count); });
                        EXPECT_EQ(firstDifference(fb, wantFeedback[k]), "") << what << ": feedback";
                    }
                    if (!p.empty()) return;
                }
            }
        }
        // The roads of the second context ran generated programs.
        const GlVertexProgramCache* c = &__glCurrentContext()->vertexPrograms;
        for (int i = 0; i < c->count; i++) programs++, litPrograms += c->entries[i].key.lit;
        resetState();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << s.name;
    }
    EXPECT_GT(programs, 0);
    EXPECT_GT(litPrograms, 0);
    off->makeCurrent();
    EXPECT_EQ(__glCurrentContext()->vertexPrograms.count, 0) << "no programs with \"__GL_CXX_VERTEX_ROUTINES\"";
}

}  // namespace

namespace {

// Materials changed between the vertices of a primitive light the vertices
// before the change with the old material: also through the vertex cache
// (which completes what it holds first) and from display lists (whose runs
// of glMaterial play as one block).
const Scene& sceneNamed(const char* name) {
    for (const Scene& s : scenes)
        if (!strcmp(s.name, name)) return s;
    ADD_FAILURE() << "no scene " << name;
    return scenes[0];
}

TEST_F(Roads, MaterialChangesInsidePrimitives) {
    const Geometry g(44, 1.2, 99u);
    // Textured with perspective correction, the vertices completed early are
    // divided by their own w.
    const struct {
        const char* scene;
        Format format;
    } cases[] = {
        {"lit, three lights, two-sided", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF, OFF, false, 0}},
        {"colour material, textured", {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF, {2, GL_FLOAT, 0}, false, 0}},
        {"colour material, four components, textured",
         {{4, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF, {4, GL_FLOAT, 0}, false, 0}},
    };
    for (const auto& c : cases) {
        const Arrays a(g, c.format);
        auto primitive = [&](GLenum mode) {
            const GLfloat start[4] = {0.8f, 0.8f, 0.8f, 1.0f};
            glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, start);
            glMaterialfv(GL_BACK, GL_AMBIENT, start);
            glMaterialf(GL_BACK, GL_SHININESS, 3.0f);
            glBegin(mode);
            for (int i = 0; i < 44; i++) {
                if (i % 5 == 3) {
                    const GLfloat d[4] = {0.2f + 0.02f * (float)i, 0.9f - 0.02f * (float)i, 0.5f, 1.0f};
                    glMaterialfv(GL_FRONT, GL_DIFFUSE, d);
                    glMaterialf(GL_BACK, GL_SHININESS, (GLfloat)i);
                    glMaterialfv(GL_BACK, GL_AMBIENT, d);
                }
                a.immediate(i);
            }
            glEnd();
        };
        for (GLenum mode : {GL_TRIANGLE_STRIP, GL_QUADS, GL_POLYGON}) {
            std::vector<uint32_t> want;
            for (const Target* t : {off, on}) {
                t->makeCurrent();
                setState(sceneNamed(c.scene));
                glDisable(GL_COLOR_MATERIAL);  // the materials are the test's
                const GLuint list = glGenLists(1);
                glNewList(list, GL_COMPILE);
                primitive(mode);
                glEndList();
                for (int road = 0; road < 4; road++) {
                    const bool cached = road & 1, listed = road >= 2;
                    if (t == off && road == 0) continue;
                    setVertexCache(cached);
                    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                    if (listed) glCallList(list);
                    else primitive(mode);
                    glFinish();
                    const auto got = t->pixels();
                    setVertexCache(true);
                    const std::string what = std::string(c.scene) + ", mode " + std::to_string(mode) +
                                             (cached ? ", cached" : "") + (listed ? ", list" : "") +
                                             (t->generated ? ", generated" : "");
                    if (want.empty()) {
                        // The reference: immediate mode without the cache.
                        setVertexCache(false);
                        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                        primitive(mode);
                        glFinish();
                        want = t->pixels();
                        setVertexCache(true);
                    }
                    EXPECT_EQ(firstDifference(got, want), "") << what;
                }
                glDeleteLists(list, 1);
                resetState();
            }
        }
    }
}

}  // namespace

namespace {

// Colour-index mode: index arrays of every type, lit by index lighting.
TEST(ColorIndexRoads, EveryRoadDrawsTheSame) {
    const Geometry g(80, 1.4, 31u);
    const struct {
        const char* name;
        Format format;
        bool lit;
    } cases[] = {
        {"float indexes", {{3, GL_FLOAT, 0}, OFF_SPEC, OFF_SPEC, OFF_SPEC, false, 0, {1, GL_FLOAT, 0}}, false},
        {"byte indexes, flat", {{3, GL_FLOAT, 4}, OFF_SPEC, OFF_SPEC, OFF_SPEC, false, 0, {1, GL_UNSIGNED_BYTE, 3}}, false},
        {"short indexes, current", {{2, GL_DOUBLE, 0}, OFF_SPEC, OFF_SPEC, OFF_SPEC, false, 0, OFF_SPEC}, false},
        {"lit", {{3, GL_FLOAT, 0}, {3, GL_SHORT, 0}, OFF_SPEC, OFF_SPEC, false, 0, {1, GL_SHORT, 0}}, true},
    };
    Target off(false, 24, true), on(true, 24, true);
    for (const auto& c : cases) {
        const Arrays a(g, c.format);
        std::vector<uint32_t> want[10][3];
        std::vector<GLfloat> wantFeedback[10][3];
        const int counts[3] = {3, 37, 80};
        for (const Target* t : {&off, &on}) {
            t->makeCurrent();
            perspective();
            glDisable(GL_DITHER);
            glIndexf(17.0f);
            if (c.name[0] == 'b') glShadeModel(GL_FLAT);
            if (c.lit) {
                glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
                const GLfloat idx[3] = {10, 90, 200};
                glMaterialfv(GL_FRONT_AND_BACK, GL_COLOR_INDEXES, idx);
            }
            for (GLenum mode = GL_POINTS; mode <= GL_POLYGON; mode++)
                for (int k = 0; k < 3; k++)
                    for (int road = IMMEDIATE; road < ROAD_COUNT; road++) {
                        const std::string what = std::string(c.name) + ", mode " + std::to_string(mode) + ", count " +
                                                 std::to_string(counts[k]) + ", " + roadName(road) +
                                                 (t->generated ? ", generated" : "");
                        const auto p = t->draw([&] { drawRoad(road, mode, a, 0, counts[k]); });
                        if (t == &off && road == IMMEDIATE) {
                            if (counts[k] > 4) {
                                EXPECT_NE(std::count(p.begin(), p.end(), p[0]), (long)p.size()) << what << ": drawn";
                            }
                            want[mode][k] = p;
                            wantFeedback[mode][k] = feedback([&] { drawRoad(road, mode, a, 0, counts[k]); });
                            continue;
                        }
                        EXPECT_EQ(firstDifference(p, want[mode][k]), "") << what;
                        if (t == &off) {
                            EXPECT_EQ(firstDifference(feedback([&] { drawRoad(road, mode, a, 0, counts[k]); }),
                                                      wantFeedback[mode][k]),
                                      "")
                                << what << ": feedback";
                        }
                    }
            glDisable(GL_LIGHTING);
            glShadeModel(GL_SMOOTH);
        }
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Selection reports the same hits whatever the road.
TEST(SelectionRoads, HitsAreTheSameOnEveryRoad) {
    Target t(true, 24);
    const Geometry g(60, 1.8, 77u);
    const Arrays a(g, {{3, GL_FLOAT, 0}, {3, GL_FLOAT, 0}, OFF_SPEC, OFF_SPEC, false, 0});
    perspective();
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
    for (GLenum mode = GL_POINTS; mode <= GL_POLYGON; mode++) {
        std::vector<GLuint> want;
        for (int road = IMMEDIATE; road < ROAD_COUNT; road++) {
            std::vector<GLuint> buf(4096, 0xDEADBEEF);
            glSelectBuffer((GLsizei)buf.size(), buf.data());
            glRenderMode(GL_SELECT);
            glInitNames();
            glPushName(0);
            for (int part = 0; part < 3; part++) {
                glLoadName((GLuint)part + 1);
                drawRoad(road, mode, a, part * 20, 20);
            }
            const GLint hits = glRenderMode(GL_RENDER);
            buf.resize(hits > 0 ? buf.size() : 0);
            if (road == IMMEDIATE) {
                want = buf;
                EXPECT_EQ(hits, 3) << "mode " << mode;
            } else {
                EXPECT_EQ(buf, want) << "mode " << mode << ", " << roadName(road);
            }
        }
    }
}

}  // namespace

// "__GL_DISABLE_DYNAMIC_VERTEX" chooses a vertex layout, never the C++ array
// routines: with either value generated programs draw, over the fixed vertex.
TEST(VertexLayoutSetting, LeavesGeneratedProgramsOn) {
    for (const char* value : {"1", "0"}) {
        setenv("__GL_DISABLE_DYNAMIC_VERTEX", value, 1);
        Target t(true);
        t.makeCurrent();
        const GLfloat v[] = {-1, -1, 0, 1, -1, 0, 0, 1, 0};
        t.draw([&] {
            glVertexPointer(3, GL_FLOAT, 0, v);
            glEnableClientState(GL_VERTEX_ARRAY);
            glDrawArrays(GL_TRIANGLES, 0, 3);
            glDisableClientState(GL_VERTEX_ARRAY);
        });
        unsetenv("__GL_DISABLE_DYNAMIC_VERTEX");
        GlContext* gc = __glCurrentContext();
        EXPECT_GT(gc->vertexPrograms.count, 0) << value;
        EXPECT_EQ(gc->og.gen.vertexLayout.locked, 1) << value;
    }
}
