// The vertex road rig: geometry, typed client arrays, the roads, targets.
#include "roadtest.h"

static const bool loaded = (gltestLoadForAllTests(), true);

namespace road {

const char* roadName(int road) {
    static const char* const names[ROAD_COUNT] = {"immediate", "immediate cached", "glArrayElement", "glDrawArrays",
                                                  "glDrawElements 8", "glDrawElements 16", "glDrawElements 32"};
    return names[road];
}

// A small deterministic generator: values in [0, 1).
static double unit(unsigned& state) {
    state = state * 1664525u + 1013904223u;
    return (double)(state >> 8) / 16777216.0;
}

Geometry::Geometry(int count, double spread, unsigned seed) : n(count) {
    unsigned s = seed;
    for (int i = 0; i < n; i++) {
        // A band that turns around the centre, so that strips and fans have area.
        const double a = 6.2831853 * i / 17.0 + 0.3 * unit(s);
        const double r = spread * (0.25 + 0.7 * unit(s));
        pos.insert(pos.end(), {r * cos(a), r * sin(a), 1.6 * unit(s) - 0.8, 0.8 + 0.4 * unit(s)});
        double nx = unit(s) - 0.5, ny = unit(s) - 0.5, nz = unit(s) + 0.2;
        const double l = sqrt(nx * nx + ny * ny + nz * nz);
        normal.insert(normal.end(), {nx / l, ny / l, nz / l});
        color.insert(color.end(), {unit(s), unit(s), unit(s), 0.5 + 0.5 * unit(s)});
        // q of 0.75, 1 and 1.25 in turn, for the four-component arrays.
        tex.insert(tex.end(), {2 * unit(s) - 0.5, 2 * unit(s) - 0.5, 0.0, 1.0 + 0.25 * (i % 3 - 1)});
        edge.push_back(unit(s) < 0.7);
    }
}

static int typeBytes(GLenum type) {
    switch (type) {
    case GL_BYTE: case GL_UNSIGNED_BYTE: return 1;
    case GL_SHORT: case GL_UNSIGNED_SHORT: return 2;
    case GL_DOUBLE: return 8;
    default: return 4;
    }
}

// A master value as the type stores it: colours and normals of integer types
// as fractions of the type's range, positions and texture coordinates scaled
// for shorts and ints (so that they keep their detail).
static void put(uint8_t* p, GLenum type, double v, bool fraction) {
    switch (type) {
    case GL_BYTE: { GLbyte x = (GLbyte)lrint(v * 127.0); memcpy(p, &x, 1); break; }
    case GL_UNSIGNED_BYTE: { GLubyte x = (GLubyte)lrint(v * 255.0); memcpy(p, &x, 1); break; }
    case GL_SHORT: { GLshort x = (GLshort)lrint(fraction ? v * 32767.0 : v * 64.0); memcpy(p, &x, 2); break; }
    case GL_UNSIGNED_SHORT: { GLushort x = (GLushort)lrint(v * 65535.0); memcpy(p, &x, 2); break; }
    case GL_INT: { GLint x = (GLint)lrint(fraction ? v * 2147483647.0 : v * 64.0); memcpy(p, &x, 4); break; }
    case GL_UNSIGNED_INT: { GLuint x = (GLuint)llrint(v * 4294967295.0); memcpy(p, &x, 4); break; }
    case GL_FLOAT: { GLfloat x = (GLfloat)v; memcpy(p, &x, 4); break; }
    case GL_DOUBLE: memcpy(p, &v, 8); break;
    }
}

// Fills an array of n elements of spec from master values of `per` each.
static GLsizei fill(std::vector<uint8_t>* out, const ArraySpec& spec, const std::vector<double>& master, int per,
                    int n, bool fraction) {
    if (!spec.type) return 0;
    const GLsizei stride = spec.size * typeBytes(spec.type) + spec.pad;
    out->assign((size_t)stride * n + 8, 0xA5);
    for (int i = 0; i < n; i++)
        for (int k = 0; k < spec.size; k++) put(&(*out)[(size_t)i * stride + k * typeBytes(spec.type)], spec.type,
                                                master[(size_t)i * per + k], fraction);
    return spec.pad ? stride : 0;
}

// Positions and texture coordinates of short and int arrays are 64 times the
// master value; the modelview of the tests scales them back.
Arrays::Arrays(const Geometry& geometry, const Format& format) : f(format), g(&geometry) {
    const int n = g->n;
    if (f.interleaved) {
        // Formats of GL_T2F_C4F_N3F_V3F's family: the values as floats (colour
        // bytes for the C4UB formats) at the offsets glInterleavedArrays gives.
        struct Layout { GLenum format; int tex, color, normal, vertex, stride; bool ubyte; int vsize, tsize, csize; };
        static const Layout layouts[] = {
            {GL_V2F, -1, -1, -1, 0, 8, false, 2, 0, 0},
            {GL_V3F, -1, -1, -1, 0, 12, false, 3, 0, 0},
            {GL_C4UB_V2F, -1, 0, -1, 4, 12, true, 2, 0, 4},
            {GL_C4UB_V3F, -1, 0, -1, 4, 16, true, 3, 0, 4},
            {GL_C3F_V3F, -1, 0, -1, 12, 24, false, 3, 0, 3},
            {GL_N3F_V3F, -1, -1, 0, 12, 24, false, 3, 0, 0},
            {GL_C4F_N3F_V3F, -1, 0, 16, 28, 40, false, 3, 0, 4},
            {GL_T2F_V3F, 0, -1, -1, 8, 20, false, 3, 2, 0},
            {GL_T4F_V4F, 0, -1, -1, 16, 32, false, 4, 4, 0},
            {GL_T2F_C4UB_V3F, 0, 8, -1, 12, 24, true, 3, 2, 4},
            {GL_T2F_C3F_V3F, 0, 8, -1, 20, 32, false, 3, 2, 3},
            {GL_T2F_N3F_V3F, 0, -1, 8, 20, 32, false, 3, 2, 0},
            {GL_T2F_C4F_N3F_V3F, 0, 8, 24, 36, 48, false, 3, 2, 4},
            {GL_T4F_C4F_N3F_V4F, 0, 16, 32, 44, 60, false, 4, 4, 4},
        };
        const Layout* l = nullptr;
        for (const Layout& x : layouts)
            if (x.format == f.interleaved) l = &x;
        interleaved.assign((size_t)l->stride * n + 8, 0);
        for (int i = 0; i < n; i++) {
            uint8_t* e = &interleaved[(size_t)i * l->stride];
            for (int k = 0; k < l->vsize; k++) put(e + l->vertex + 4 * k, GL_FLOAT, g->pos[4 * i + k], false);
            if (l->normal >= 0)
                for (int k = 0; k < 3; k++) put(e + l->normal + 4 * k, GL_FLOAT, g->normal[3 * i + k], false);
            if (l->color >= 0)
                for (int k = 0; k < l->csize; k++)
                    put(e + l->color + (l->ubyte ? k : 4 * k), l->ubyte ? GL_UNSIGNED_BYTE : GL_FLOAT,
                        g->color[4 * i + k], true);
            for (int k = 0; k < l->tsize; k++) put(e + l->tex + 4 * k, GL_FLOAT, g->tex[4 * i + k], false);
        }
        // The element calls of the format, for the immediate road.
        ilStride = l->stride, ilVertex = l->vertex, ilNormal = l->normal, ilColor = l->color, ilTex = l->tex;
        f.vertex = {l->vsize, GL_FLOAT, 0};
        f.normal = l->normal >= 0 ? ArraySpec{3, GL_FLOAT, 0} : ArraySpec{0, 0, 0};
        f.color = l->color >= 0 ? ArraySpec{l->csize, (GLenum)(l->ubyte ? GL_UNSIGNED_BYTE : GL_FLOAT), 0} : ArraySpec{0, 0, 0};
        f.texCoord = l->tsize ? ArraySpec{l->tsize, GL_FLOAT, 0} : ArraySpec{0, 0, 0};
        f.edgeFlags = false;
        return;
    }
    vertexStride = fill(&vertex, f.vertex, g->pos, 4, n, false);
    normalStride = fill(&normal, f.normal, g->normal, 3, n, true);
    colorStride = fill(&color, f.color, g->color, 4, n, true);
    texStride = fill(&texCoord, f.texCoord, g->tex, 4, n, false);
    // Colour indexes 0 .. 200 from the master red.
    std::vector<double> indexes;
    for (int i = 0; i < n; i++) indexes.push_back(200.0 * g->color[4 * i]);
    indexStride = fill(&index, f.index, indexes, 1, n, false);
    if (f.edgeFlags) edge.assign(g->edge.begin(), g->edge.end());
}

void Arrays::enable() const {
    if (f.interleaved) {
        glInterleavedArrays(f.interleaved, 0, interleaved.data());
        return;
    }
    glVertexPointer(f.vertex.size, f.vertex.type, vertexStride, vertex.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    if (f.normal.type) glNormalPointer(f.normal.type, normalStride, normal.data()), glEnableClientState(GL_NORMAL_ARRAY);
    else glDisableClientState(GL_NORMAL_ARRAY);
    if (f.color.type) glColorPointer(f.color.size, f.color.type, colorStride, color.data()), glEnableClientState(GL_COLOR_ARRAY);
    else glDisableClientState(GL_COLOR_ARRAY);
    if (f.texCoord.type)
        glTexCoordPointer(f.texCoord.size, f.texCoord.type, texStride, texCoord.data()),
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    else glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (f.edgeFlags) glEdgeFlagPointer(0, edge.data()), glEnableClientState(GL_EDGE_FLAG_ARRAY);
    else glDisableClientState(GL_EDGE_FLAG_ARRAY);
    if (f.index.type) glIndexPointer(f.index.type, indexStride, index.data()), glEnableClientState(GL_INDEX_ARRAY);
    else glDisableClientState(GL_INDEX_ARRAY);
}

void Arrays::disable() const {
    for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_EDGE_FLAG_ARRAY,
                     GL_INDEX_ARRAY})
        glDisableClientState(a);
}

// The typed immediate entries of an element, as the element procedures are.
static void vertexCall(const ArraySpec& s, const uint8_t* p) {
    const int n = s.size;
    switch (s.type) {
    case GL_SHORT: n == 2 ? glVertex2sv((const GLshort*)p) : n == 3 ? glVertex3sv((const GLshort*)p) : glVertex4sv((const GLshort*)p); break;
    case GL_INT: n == 2 ? glVertex2iv((const GLint*)p) : n == 3 ? glVertex3iv((const GLint*)p) : glVertex4iv((const GLint*)p); break;
    case GL_DOUBLE: n == 2 ? glVertex2dv((const GLdouble*)p) : n == 3 ? glVertex3dv((const GLdouble*)p) : glVertex4dv((const GLdouble*)p); break;
    default: n == 2 ? glVertex2fv((const GLfloat*)p) : n == 3 ? glVertex3fv((const GLfloat*)p) : glVertex4fv((const GLfloat*)p); break;
    }
}
static void normalCall(GLenum type, const uint8_t* p) {
    switch (type) {
    case GL_BYTE: glNormal3bv((const GLbyte*)p); break;
    case GL_SHORT: glNormal3sv((const GLshort*)p); break;
    case GL_INT: glNormal3iv((const GLint*)p); break;
    case GL_DOUBLE: glNormal3dv((const GLdouble*)p); break;
    default: glNormal3fv((const GLfloat*)p); break;
    }
}
static void colorCall(const ArraySpec& s, const uint8_t* p) {
    const bool four = s.size == 4;
    switch (s.type) {
    case GL_BYTE: four ? glColor4bv((const GLbyte*)p) : glColor3bv((const GLbyte*)p); break;
    case GL_UNSIGNED_BYTE: four ? glColor4ubv(p) : glColor3ubv(p); break;
    case GL_SHORT: four ? glColor4sv((const GLshort*)p) : glColor3sv((const GLshort*)p); break;
    case GL_UNSIGNED_SHORT: four ? glColor4usv((const GLushort*)p) : glColor3usv((const GLushort*)p); break;
    case GL_INT: four ? glColor4iv((const GLint*)p) : glColor3iv((const GLint*)p); break;
    case GL_UNSIGNED_INT: four ? glColor4uiv((const GLuint*)p) : glColor3uiv((const GLuint*)p); break;
    case GL_DOUBLE: four ? glColor4dv((const GLdouble*)p) : glColor3dv((const GLdouble*)p); break;
    default: four ? glColor4fv((const GLfloat*)p) : glColor3fv((const GLfloat*)p); break;
    }
}
static void texCall(const ArraySpec& s, const uint8_t* p) {
    const int n = s.size;
    switch (s.type) {
    case GL_SHORT:
        n == 1 ? glTexCoord1sv((const GLshort*)p) : n == 2 ? glTexCoord2sv((const GLshort*)p)
        : n == 3 ? glTexCoord3sv((const GLshort*)p) : glTexCoord4sv((const GLshort*)p);
        break;
    case GL_DOUBLE:
        n == 1 ? glTexCoord1dv((const GLdouble*)p) : n == 2 ? glTexCoord2dv((const GLdouble*)p)
        : n == 3 ? glTexCoord3dv((const GLdouble*)p) : glTexCoord4dv((const GLdouble*)p);
        break;
    default:
        n == 1 ? glTexCoord1fv((const GLfloat*)p) : n == 2 ? glTexCoord2fv((const GLfloat*)p)
        : n == 3 ? glTexCoord3fv((const GLfloat*)p) : glTexCoord4fv((const GLfloat*)p);
        break;
    }
}

static void indexCall(GLenum type, const uint8_t* p) {
    switch (type) {
    case GL_UNSIGNED_BYTE: glIndexubv(p); break;
    case GL_SHORT: glIndexsv((const GLshort*)p); break;
    case GL_INT: glIndexiv((const GLint*)p); break;
    case GL_DOUBLE: glIndexdv((const GLdouble*)p); break;
    default: glIndexfv((const GLfloat*)p); break;
    }
}

void Arrays::immediate(int i) const {
    if (f.interleaved) {
        const uint8_t* e = &interleaved[(size_t)i * ilStride];
        if (ilNormal >= 0) normalCall(GL_FLOAT, e + ilNormal);
        if (ilColor >= 0) colorCall(f.color, e + ilColor);
        if (ilTex >= 0) texCall(f.texCoord, e + ilTex);
        vertexCall(f.vertex, e + ilVertex);
        return;
    }
    auto element = [i](const std::vector<uint8_t>& data, const ArraySpec& s, GLsizei stride) {
        const size_t step = stride ? (size_t)stride : (size_t)s.size * typeBytes(s.type);
        return &data[(size_t)i * step];
    };
    if (f.normal.type) normalCall(f.normal.type, element(normal, f.normal, normalStride));
    if (f.color.type) colorCall(f.color, element(color, f.color, colorStride));
    if (f.texCoord.type) texCall(f.texCoord, element(texCoord, f.texCoord, texStride));
    if (f.index.type) indexCall(f.index.type, element(index, f.index, indexStride));
    if (f.edgeFlags) glEdgeFlag(edge[i]);
    vertexCall(f.vertex, element(vertex, f.vertex, vertexStride));
}

void setVertexCache(bool on) {
    GLfloat v[4] = {on ? 0.0f : 1.0f, 0, 0, 0};
    glCullParameterfvQTA(0x81AD, v);
}

void drawRoad(int road, GLenum mode, const Arrays& a, int first, int count) {
    switch (road) {
    case IMMEDIATE:
    case IMMEDIATE_CACHED:
        a.disable();
        setVertexCache(road == IMMEDIATE_CACHED);
        glBegin(mode);
        for (int i = first; i < first + count; i++) a.immediate(i);
        glEnd();
        setVertexCache(true);
        return;
    case ARRAY_ELEMENT:
        a.enable();
        glBegin(mode);
        for (int i = first; i < first + count; i++) glArrayElement(i);
        glEnd();
        a.disable();
        return;
    case DRAW_ARRAYS:
        a.enable();
        glDrawArrays(mode, first, count);
        a.disable();
        return;
    default: {
        a.enable();
        std::vector<GLubyte> i8;
        std::vector<GLushort> i16;
        std::vector<GLuint> i32;
        for (int i = first; i < first + count; i++) i8.push_back((GLubyte)i), i16.push_back((GLushort)i), i32.push_back((GLuint)i);
        if (road == DRAW_ELEMENTS_8) glDrawElements(mode, count, GL_UNSIGNED_BYTE, i8.data());
        else if (road == DRAW_ELEMENTS_16) glDrawElements(mode, count, GL_UNSIGNED_SHORT, i16.data());
        else glDrawElements(mode, count, GL_UNSIGNED_INT, i32.data());
        a.disable();
        return;
    }
    }
}

Target::Target(bool generatedPrograms, int size, bool colorIndex) : generated(generatedPrograms) {
    if (!generatedPrograms) setenv("__GL_CXX_VERTEX_ROUTINES", "1", 1);
    c = new GltestDibContext(size, size, colorIndex ? 8 : 32, colorIndex, 32);
    unsetenv("__GL_CXX_VERTEX_ROUTINES");
}
Target::~Target() { delete c; }
void Target::makeCurrent() const { wglMakeCurrent(c->dib.dc, c->rc); }

std::vector<uint32_t> Target::pixels() const {
    std::vector<uint32_t> out;
    for (int y = 0; y < c->dib.height; y++)
        for (int x = 0; x < c->dib.width; x++) out.push_back(c->pixel(x, y) & 0xFFFFFF);
    return out;
}

std::vector<uint32_t> Target::draw(const std::function<void()>& d) const {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    d();
    glFinish();
    return pixels();
}

std::vector<GLfloat> feedback(const std::function<void()>& draw, size_t capacity) {
    std::vector<GLfloat> buf(capacity + 1, -12345.0f);
    glFeedbackBuffer((GLsizei)capacity, GL_4D_COLOR_TEXTURE, buf.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    buf.resize(n < 0 ? capacity : (size_t)n);
    return buf;
}

void bindCheckerTexture() {
    static const GLubyte texels[4 * 4 * 4] = {
        255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255,
        0, 255, 255, 255, 255, 0, 255, 255, 128, 128, 128, 255, 255, 255, 255, 255,
        64, 0, 0, 255, 0, 64, 0, 255, 0, 0, 64, 255, 64, 64, 0, 255,
        0, 64, 64, 255, 64, 0, 64, 255, 32, 32, 32, 255, 200, 100, 50, 255,
    };
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace road
