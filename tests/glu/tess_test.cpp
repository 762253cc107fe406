// GLU polygon tessellator: the triangles cover exactly what the winding rule calls inside, and a
// polygon whose edges do not cross is cut from its own vertices (as a glyph outline is).
#include <math.h>

#include <vector>

#include <gtest/gtest.h>
#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>

namespace {

struct Point {
    double x, y;
};
using Contour = std::vector<Point>;

struct Result {
    std::vector<Point> triangles;  // three points each
    int combines = 0, errors = 0, begins = 0;
    bool madeVertexOnly = true;  // every vertex handed out is an input or a combined one
    std::vector<GLdouble*> inputs;
    std::vector<GLdouble*> made;
};

void CALLBACK onBegin(GLenum mode, void* r) {
    ((Result*)r)->begins++;
    EXPECT_EQ(mode, (GLenum)GL_TRIANGLES);
}
void CALLBACK onVertex(void* v, void* r) {
    const GLdouble* p = (const GLdouble*)v;
    ((Result*)r)->triangles.push_back(Point{p[0], p[1]});
}
void CALLBACK onEnd(void*) {}
void CALLBACK onError(GLenum, void* r) { ((Result*)r)->errors++; }
void CALLBACK onCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* r) {
    Result* result = (Result*)r;
    result->combines++;
    GLdouble* v = new GLdouble[3]{coords[0], coords[1], coords[2]};
    result->made.push_back(v);
    *out = v;
}

Result tessellate(const std::vector<Contour>& contours, GLenum rule) {
    Result r;
    GLUtesselator* t = gluNewTess();
    gluTessCallback(t, GLU_TESS_BEGIN_DATA, (_GLUfuncptr)onBegin);
    gluTessCallback(t, GLU_TESS_VERTEX_DATA, (_GLUfuncptr)onVertex);
    gluTessCallback(t, GLU_TESS_END_DATA, (_GLUfuncptr)onEnd);
    gluTessCallback(t, GLU_TESS_ERROR_DATA, (_GLUfuncptr)onError);
    gluTessCallback(t, GLU_TESS_COMBINE_DATA, (_GLUfuncptr)onCombine);
    gluTessProperty(t, GLU_TESS_WINDING_RULE, rule);
    gluTessNormal(t, 0, 0, 1);
    gluTessBeginPolygon(t, &r);
    for (const Contour& c : contours) {
        gluTessBeginContour(t);
        for (const Point& p : c) {
            GLdouble* v = new GLdouble[3]{p.x, p.y, 0};
            r.inputs.push_back(v);
            gluTessVertex(t, v, v);
        }
        gluTessEndContour(t);
    }
    gluTessEndPolygon(t);
    gluDeleteTess(t);
    for (GLdouble* v : r.inputs) delete[] v;
    for (GLdouble* v : r.made) delete[] v;
    return r;
}

double cross(Point a, Point b, Point c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

// The winding number of the contours about p.
int winding(const std::vector<Contour>& contours, Point p) {
    int w = 0;
    for (const Contour& c : contours)
        for (size_t i = 0; i < c.size(); ++i) {
            const Point a = c[i], b = c[(i + 1) % c.size()];
            if (a.y <= p.y && b.y > p.y && cross(a, b, p) > 0) ++w;
            if (a.y > p.y && b.y <= p.y && cross(a, b, p) < 0) --w;
        }
    return w;
}

bool insideByRule(GLenum rule, int w) {
    switch (rule) {
        case GLU_TESS_WINDING_NONZERO: return w != 0;
        case GLU_TESS_WINDING_POSITIVE: return w > 0;
        default: return (w & 1) != 0;
    }
}

// Over a fine grid of sample points (off every vertex height), each point inside by the rule lies
// in exactly one triangle and each outside in none; every triangle turns anticlockwise.
void expectCoverage(const std::vector<Contour>& contours, GLenum rule, const Result& r, const char* what) {
    ASSERT_EQ(r.triangles.size() % 3, 0u) << what;
    for (size_t i = 0; i < r.triangles.size(); i += 3)
        EXPECT_GT(cross(r.triangles[i], r.triangles[i + 1], r.triangles[i + 2]), -1e-9) << what << ": triangle " << i / 3;
    int wrong = 0;
    for (double y = -1.0137; y < 21; y += 0.25)
        for (double x = -1.0171; x < 21; x += 0.25) {
            const Point p{x, y};
            int in = 0;
            for (size_t i = 0; i < r.triangles.size(); i += 3) {
                const Point a = r.triangles[i], b = r.triangles[i + 1], c = r.triangles[i + 2];
                in += cross(a, b, p) > 0 && cross(b, c, p) > 0 && cross(c, a, p) > 0;
            }
            wrong += in != (insideByRule(rule, winding(contours, p)) ? 1 : 0);
        }
    EXPECT_EQ(wrong, 0) << what;
}

// A comb: a bar along the bottom with teeth upwards, each tooth's top a flat step and slants,
// so most vertex heights lie across the long sides.
Contour comb(int teeth) {
    Contour c{{0, 0}, {20, 0}};
    for (int i = teeth - 1; i >= 0; --i) {
        const double x = 20.0 * i / teeth, w = 20.0 / teeth;
        c.push_back({x + w, 2 + 0.3 * i});
        c.push_back({x + w * 0.8, 18 - 0.5 * i});
        c.push_back({x + w * 0.5, 19 - 0.2 * i});
        c.push_back({x + w * 0.3, 18 - 0.5 * i});
        c.push_back({x + w * 0.2, 2 + 0.3 * i + 0.1});
    }
    return c;
}

// An 'o': an outer ring of n points and an inner one turning the other way.
std::vector<Contour> ring(int n) {
    Contour outer, inner;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        outer.push_back({10 + 9 * cos(a), 10 + 9.5 * sin(a)});
        inner.push_back({10 + 5 * cos(-a + 0.1), 10 + 6 * sin(-a + 0.1)});
    }
    return {outer, inner};
}

// Each edge cut into `pieces` edges along it.
std::vector<Contour> subdivided(const std::vector<Contour>& contours, int pieces) {
    std::vector<Contour> out;
    for (const Contour& c : contours) {
        Contour d;
        for (size_t i = 0; i < c.size(); ++i) {
            const Point a = c[i], b = c[(i + 1) % c.size()];
            for (int k = 0; k < pieces; ++k) d.push_back({a.x + (b.x - a.x) * k / pieces, a.y + (b.y - a.y) * k / pieces});
        }
        out.push_back(d);
    }
    return out;
}

// Outlines without crossings are cut from their own vertices: new vertices only where the
// inside splits or joins, however many vertices run along the sides (a glyph's flattened arcs
// give hundreds).
TEST(Tessellator, UncrossedOutlinesMakeVerticesOnlyWhereTheInsideSplitsOrJoins) {
    struct Case {
        const char* what;
        std::vector<Contour> contours;
        GLenum rule;
        int combines;  // at most
    };
    const Case cases[] = {
        {"a square with a closing point repeated", {{{1, 1}, {19, 1}, {19, 19}, {1, 19}, {1, 1}}}, GLU_TESS_WINDING_ODD, 0},
        {"a comb of nine teeth", {comb(9)}, GLU_TESS_WINDING_ODD, 2 * 8},
        {"a 'W' (a glyph's outline turning clockwise)",
         {{{0, 19.93}, {3.44, 19.93}, {4.87, 5.3}, {6.59, 14.77}, {9.86, 14.77}, {11.87, 5.3}, {12.99, 19.93},
           {16.46, 19.93}, {14.16, 0}, {10.49, 0}, {8.22, 10.47}, {6.1, 0}, {2.46, 0}}},
         GLU_TESS_WINDING_ODD, 6},
        {"a ring of 32 points a side", ring(32), GLU_TESS_WINDING_ODD, 4},
        {"a ring, non-zero rule", ring(24), GLU_TESS_WINDING_NONZERO, 4},
        {"a comb and a square hole in its bar", {comb(5), {{4, 0.5}, {4, 1.5}, {8, 1.5}, {8, 0.5}}},
         GLU_TESS_WINDING_ODD, 2 * 4 + 4},
    };
    for (const Case& k : cases) {
        for (int pieces : {1, 8}) {
            const std::vector<Contour> contours = subdivided(k.contours, pieces);
            const Result r = tessellate(contours, k.rule);
            EXPECT_EQ(r.errors, 0) << k.what;
            EXPECT_LE(r.combines, k.combines) << k.what << ", edges cut in " << pieces;
            EXPECT_EQ(r.begins, 1) << k.what;
            expectCoverage(contours, k.rule, r, k.what);
        }
    }
}

TEST(Tessellator, CrossingEdgesMeetAtCombinedVertices) {
    // A five-pointed star: its middle is inside by the non-zero rule, outside by the odd one.
    Contour star;
    for (int i = 0; i < 5; ++i) {
        const double a = M_PI / 2 + 4 * M_PI * i / 5;
        star.push_back({10 + 9 * cos(a), 10 + 9 * sin(a)});
    }
    for (GLenum rule : {GLU_TESS_WINDING_ODD, GLU_TESS_WINDING_NONZERO}) {
        const Result r = tessellate({star}, rule);
        EXPECT_EQ(r.errors, 0);
        EXPECT_GT(r.combines, 0);
        expectCoverage({star}, rule, r, rule == GLU_TESS_WINDING_ODD ? "star, odd" : "star, non-zero");
    }
    // Two overlapping squares: the overlap counts twice.
    const std::vector<Contour> squares = {{{1, 1}, {12, 1}, {12, 12}, {1, 12}}, {{6, 6}, {18, 6}, {18, 18}, {6, 18}}};
    for (GLenum rule : {GLU_TESS_WINDING_ODD, GLU_TESS_WINDING_POSITIVE}) {
        const Result r = tessellate(squares, rule);
        EXPECT_EQ(r.errors, 0);
        expectCoverage(squares, rule, r, "overlapping squares");
    }
}

}  // namespace
