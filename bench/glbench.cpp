// Benchmark scenes for the instruction counter: an ordinary Win32 OpenGL
// program that draws one named scene a given number of frames into a DIB
// section.  scripts/bench.sh runs it under qemu with the counting plugin for
// F frames and for 0 frames; the difference divided by the work per frame is
// the cost per pixel (or per vertex).
//
//   glbench <scene> <frames> [cpp]
//   glbench --list         prints "<scene> <units per frame> <unit>" lines
//
// GLBENCH_SHOT=<file> writes the last frame there as a binary PPM.
//
// "cpp" (host only): no generated rasterization code, the C++ span chain
// throughout, for the comparison with the generated path.
#include <windows.h>
#include <GL/gl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

#ifndef _WIN32
extern "C" int __glOgRasterDisabled;
extern "C" int __glOgScheduleBlocks;
extern "C" void __glOgWriteCodeMap(const char* path);
extern "C" void __glVertexProgramsWriteCodeMap(const char* path);
extern "C" void __glOgRecordPairs(void);
extern "C" void __glOgWritePairMap(const char* path);
#endif

namespace {

struct Target {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGLRC rc = nullptr;
};

// A bottom-up DIB section of the given depth (16 bits: 5-6-5 bit fields) with
// a current context of `depthBits` depth bits.
bool makeTarget(Target& t, int width, int height, int colorBits, int depthBits) {
    t.dc = CreateCompatibleDC(NULL);
    struct {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } info;
    memset(&info, 0, sizeof info);
    info.h.biSize = sizeof info.h;
    info.h.biWidth = width;
    info.h.biHeight = height;
    info.h.biPlanes = 1;
    info.h.biBitCount = (WORD)colorBits;
    info.h.biCompression = BI_RGB;
    if (colorBits == 16) {
        info.h.biCompression = BI_BITFIELDS;
        info.masks[0] = 0xF800;
        info.masks[1] = 0x07E0;
        info.masks[2] = 0x001F;
    }
    void* bits = NULL;
    t.bitmap = CreateDIBSection(t.dc, (BITMAPINFO*)&info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!t.bitmap) return false;
    SelectObject(t.dc, t.bitmap);

    PIXELFORMATDESCRIPTOR pfd;
    memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = (BYTE)colorBits;
    pfd.cDepthBits = (BYTE)depthBits;
    const int format = ChoosePixelFormat(t.dc, &pfd);
    if (!format || !SetPixelFormat(t.dc, format, &pfd)) return false;
    t.rc = wglCreateContext(t.dc);
    return t.rc && wglMakeCurrent(t.dc, t.rc);
}

const int kWidth = 640, kHeight = 480;
const long kPixels = (long)kWidth * kHeight;

// Two smooth-shaded, depth-tested triangles covering the window.
void drawCover() {
    glBegin(GL_TRIANGLES);
    glColor3f(1, 0, 0); glTexCoord2f(0, 0); glVertex3f(-1, -1, 0.2f);
    glColor3f(0, 1, 0); glTexCoord2f(1, 0); glVertex3f(1, -1, 0.4f);
    glColor3f(0, 0, 1); glTexCoord2f(1, 1); glVertex3f(1, 1, 0.6f);
    glColor3f(1, 0, 0); glTexCoord2f(0, 0); glVertex3f(-1, -1, 0.2f);
    glColor3f(0, 0, 1); glTexCoord2f(1, 1); glVertex3f(1, 1, 0.6f);
    glColor3f(1, 1, 1); glTexCoord2f(0, 1); glVertex3f(-1, 1, 0.4f);
    glEnd();
}

void setupTriangles() {
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
}

void setupTexturedTriangles() {
    setupTriangles();
    static unsigned char texels[256 * 256 * 3];
    for (int t = 0; t < 256; t++)
        for (int s = 0; s < 256; s++) {
            unsigned char* p = texels + (t * 256 + s) * 3;
            p[0] = (unsigned char)s;
            p[1] = (unsigned char)t;
            p[2] = (unsigned char)((s ^ t) & 0xFF);
        }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
}

void frameTriangles() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCover();
}

// ---- Filtered textures, blending, overdraw and small triangles.
//
// Under glFrustum(-1, 1, -0.75, 0.75, 1, 100), GL_LEQUAL, colour and depth
// cleared each frame, a 256x256 RGB texture with every level down to 1x1
// (each level the box filter of the one above) modulated by smooth colour.

void setupPerspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -0.75, 0.75, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
}

void loadMipmappedTexture(GLenum minFilter, GLenum magFilter) {
    std::vector<unsigned char> level(256 * 256 * 3), next;
    for (int t = 0; t < 256; t++)
        for (int s = 0; s < 256; s++) {
            unsigned char* p = &level[(t * 256 + s) * 3];
            p[0] = (unsigned char)s;
            p[1] = (unsigned char)t;
            p[2] = (unsigned char)((s ^ t) & 0xFF);
        }
    for (int n = 256, k = 0;; n /= 2, k++) {
        glTexImage2D(GL_TEXTURE_2D, k, GL_RGB, n, n, 0, GL_RGB, GL_UNSIGNED_BYTE, level.data());
        if (n == 1) break;
        const int h = n / 2;
        next.assign((size_t)h * h * 3, 0);
        for (int t = 0; t < h; t++)
            for (int s = 0; s < h; s++)
                for (int c = 0; c < 3; c++) {
                    const unsigned char* a = &level[((2 * t) * n + 2 * s) * 3 + c];
                    next[(t * h + s) * 3 + c] = (unsigned char)((a[0] + a[3] + a[n * 3] + a[n * 3 + 3] + 2) / 4);
                }
        level.swap(next);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
}

// The filter of the running scene (its minification filter; magnification
// GL_LINEAR for the linear and mipmapped ones, else GL_NEAREST).
GLenum sceneFilter = GL_NEAREST;

void setupFiltered() {
    setupPerspective();
    loadMipmappedTexture(sceneFilter, sceneFilter == GL_NEAREST || sceneFilter == GL_NEAREST_MIPMAP_NEAREST
                                          ? GL_NEAREST : GL_LINEAR);
}

// The pair of triangles that just covers the window at depth z, texture
// coordinates 0 to 4 (the 256-texel texture minified about 1.6 times).
float pairAlpha = 1.0f;
void drawPair(float z) {
    const float x = -z, y = -0.75f * z, a = pairAlpha;
    glBegin(GL_TRIANGLES);
    glColor4f(1, 0.5f, 0.5f, a); glTexCoord2f(0, 0); glVertex3f(-x, -y, z);
    glColor4f(0.5f, 1, 0.5f, a); glTexCoord2f(4, 0); glVertex3f(x, -y, z);
    glColor4f(0.5f, 0.5f, 1, a); glTexCoord2f(4, 4); glVertex3f(x, y, z);
    glColor4f(1, 0.5f, 0.5f, a); glTexCoord2f(0, 0); glVertex3f(-x, -y, z);
    glColor4f(0.5f, 0.5f, 1, a); glTexCoord2f(4, 4); glVertex3f(x, y, z);
    glColor4f(1, 1, 1, a); glTexCoord2f(0, 4); glVertex3f(-x, y, z);
    glEnd();
}

void framePair() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawPair(-1.99f);
}

void frameTwoLayers() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawPair(-1.99f);
    drawPair(-1.9f);
}

template <GLenum Filter>
void setupFilter() {
    sceneFilter = Filter;
    setupFiltered();
}

void setupBlended() {
    setupFilter<GL_LINEAR>();
    pairAlpha = 0.5f;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
}

// A floor of 32 x 32 quads (x from -20 to 20 at y = -1, z from -1 to -60,
// texture coordinates 0.5 a quad) in quad strips, and a wall behind it at
// z = -60 that fills the rest of the view.
const int kFloorQuads = 32;

void frameFloor() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int j = 0; j < kFloorQuads; j++) {
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= kFloorQuads; i++) {
            const float x = -20.0f + 40.0f * i / kFloorQuads;
            for (int k = j; k <= j + 1; k++) {
                const float z = -1.0f - 59.0f * k / kFloorQuads;
                glColor3f(0.5f + 0.5f * i / kFloorQuads, 1.0f - 0.5f * k / kFloorQuads, 0.75f);
                glTexCoord2f(0.5f * i, 0.5f * k);
                glVertex3f(x, -1.0f, z);
            }
        }
        glEnd();
    }
    glBegin(GL_QUADS);
    glColor3f(0.75f, 0.75f, 1); glTexCoord2f(0, 0); glVertex3f(-60, -45, -60);
    glColor3f(0.75f, 1, 0.75f); glTexCoord2f(16, 0); glVertex3f(60, -45, -60);
    glColor3f(1, 0.75f, 0.75f); glTexCoord2f(16, 12); glVertex3f(60, 45, -60);
    glColor3f(1, 1, 1); glTexCoord2f(0, 12); glVertex3f(-60, 45, -60);
    glEnd();
}

// 64 x 48 quads of 10 x 10 pixels under glOrtho(0, 640, 0, 480, -1, 1),
// texture coordinates 0 to 1 over the grid.
const int kQuadColumns = 64, kQuadRows = 48;

void setupQuads() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, 0, kHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
}

void setupTexturedQuads() {
    setupQuads();
    loadMipmappedTexture(GL_LINEAR, GL_LINEAR);
}

void frameQuads() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_QUADS);
    for (int j = 0; j < kQuadRows; j++)
        for (int i = 0; i < kQuadColumns; i++) {
            const int x = i * 10, y = j * 10;
            const float s0 = (float)i / kQuadColumns, s1 = (float)(i + 1) / kQuadColumns;
            const float t0 = (float)j / kQuadRows, t1 = (float)(j + 1) / kQuadRows;
            glColor3f(s0, t0, 0.5f); glTexCoord2f(s0, t0); glVertex2i(x, y);
            glColor3f(s1, t0, 0.5f); glTexCoord2f(s1, t0); glVertex2i(x + 10, y);
            glColor3f(s1, t1, 0.5f); glTexCoord2f(s1, t1); glVertex2i(x + 10, y + 10);
            glColor3f(s0, t1, 0.5f); glTexCoord2f(s0, t1); glVertex2i(x, y + 10);
        }
    glEnd();
}

// ---- Pixel section: rectangles, glyphs and clears in window coordinates.

void setupWindowCoordinates() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, 0, kHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

unsigned char* screenImage() {
    static unsigned char* image = nullptr;
    if (!image) {
        image = (unsigned char*)malloc((size_t)kWidth * kHeight * 4);
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++) {
                unsigned char* p = image + ((size_t)y * kWidth + x) * 4;
                p[0] = (unsigned char)x, p[1] = (unsigned char)y, p[2] = (unsigned char)(x ^ y), p[3] = 255;
            }
    }
    return image;
}

void setupPixels() {
    setupWindowCoordinates();
    screenImage();
}

void frameDrawPixels() {
    glRasterPos2i(0, 0);
    glDrawPixels(kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, screenImage());
}

// Zoom 2 of the lower left quarter over the window, then zoom 0.5 of the
// whole image into the lower left quarter: charged per pixel drawn.
void frameDrawPixelsZoomed() {
    glRasterPos2i(0, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, kWidth);
    glPixelZoom(2.0f, 2.0f);
    glDrawPixels(kWidth / 2, kHeight / 2, GL_RGBA, GL_UNSIGNED_BYTE, screenImage());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelZoom(0.5f, 0.5f);
    glDrawPixels(kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, screenImage());
    glPixelZoom(1.0f, 1.0f);
}

void frameReadPixels() { glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, screenImage()); }

// 8x13 glyphs over the window: 80 columns of 36 lines.
const int kGlyphColumns = kWidth / 8, kGlyphLines = kHeight / 13;
const GLubyte kGlyph[13] = {0x00, 0x66, 0x66, 0x7E, 0x66, 0x66, 0x3C, 0x18, 0x00, 0xFF, 0x81, 0xFF, 0x00};

void setupBitmaps() {
    setupWindowCoordinates();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glColor3f(1.0f, 0.5f, 0.25f);
}

void frameBitmaps() {
    for (int line = 0; line < kGlyphLines; line++) {
        glRasterPos2i(0, line * 13);
        for (int c = 0; c < kGlyphColumns; c++) glBitmap(8, 13, 0, 0, 8, 0, kGlyph);
    }
}

void setupClears() {
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClearDepth(0.5);
}

void frameClears() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

// The lit mesh: 128 x 128 quads of a gentle height field with one directional
// light, depth-tested into a small window. Vertices and normals are float
// arrays; the three scenes send the same triangles as indexed triangles,
// immediate-mode triangles and indexed strips.
const int kMesh = 128, kMeshSide = kMesh + 1;
const int kSmall = 64;
std::vector<GLfloat> meshVertices, meshNormals;
std::vector<GLuint> meshTriangles, meshStrips;

void buildMesh() {
    meshVertices.resize(kMeshSide * kMeshSide * 3);
    meshNormals.resize(kMeshSide * kMeshSide * 3);
    for (int j = 0; j < kMeshSide; j++)
        for (int i = 0; i < kMeshSide; i++) {
            const float x = 2.0f * i / kMesh - 1.0f, y = 2.0f * j / kMesh - 1.0f;
            GLfloat* v = &meshVertices[(j * kMeshSide + i) * 3];
            GLfloat* n = &meshNormals[(j * kMeshSide + i) * 3];
            v[0] = x, v[1] = y, v[2] = 0.1f * x * y;
            // Gradient of z = 0.1 x y.
            const float nx = -0.1f * y, ny = -0.1f * x, len = 1.0f / sqrtf(nx * nx + ny * ny + 1.0f);
            n[0] = nx * len, n[1] = ny * len, n[2] = len;
        }
    for (int j = 0; j < kMesh; j++)
        for (int i = 0; i < kMesh; i++) {
            const GLuint a = j * kMeshSide + i, b = a + 1, c = a + kMeshSide, d = c + 1;
            const GLuint quad[6] = {a, b, d, a, d, c};
            meshTriangles.insert(meshTriangles.end(), quad, quad + 6);
        }
    for (int j = 0; j < kMesh; j++)
        for (int i = 0; i < kMeshSide; i++) {
            meshStrips.push_back((j + 1) * kMeshSide + i);
            meshStrips.push_back(j * kMeshSide + i);
        }
}

void setupMesh() {
    buildMesh();
    glMatrixMode(GL_PROJECTION);
    glFrustum(-0.6, 0.6, -0.6, 0.6, 1.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0.0f, 0.0f, -2.2f);
    glRotatef(-30.0f, 1.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat direction[4] = {0.3f, 0.4f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    const GLfloat diffuse[4] = {0.8f, 0.7f, 0.5f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glVertexPointer(3, GL_FLOAT, 0, meshVertices.data());
    glNormalPointer(GL_FLOAT, 0, meshNormals.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
}

// The same over locked arrays: each frame's draw uses the vertices fetched
// and transformed once.
void setupMeshLocked() {
    setupMesh();
    typedef void(APIENTRY * LockArrays)(GLint, GLsizei);
    if (LockArrays lock = (LockArrays)(void (*)(void))wglGetProcAddress("glLockArraysQTA")) lock(0, kMeshSide * kMeshSide);
}

void frameMeshIndexed() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawElements(GL_TRIANGLES, (GLsizei)meshTriangles.size(), GL_UNSIGNED_INT, meshTriangles.data());
}

void frameMeshImmediate() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GLfloat* v = meshVertices.data();
    const GLfloat* n = meshNormals.data();
    glBegin(GL_TRIANGLES);
    for (GLuint k : meshTriangles) {
        glNormal3fv(n + 3 * k);
        glVertex3fv(v + 3 * k);
    }
    glEnd();
}

void frameMeshStrips() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int j = 0; j < kMesh; j++)
        glDrawElements(GL_TRIANGLE_STRIP, 2 * kMeshSide, GL_UNSIGNED_INT, meshStrips.data() + j * 2 * kMeshSide);
}

struct Scene {
    const char* name;
    int colorBits, depthBits;
    long unitsPerFrame;  // pixels or vertices one frame is charged for
    const char* unit;
    void (*setup)();
    void (*frame)();
    int width = 0, height = 0;  // the window, when not 640 x 480
};

const Scene kScenes[] = {
    {"triangles-565", 16, 16, (long)kWidth * kHeight, "pixel", setupTriangles, frameTriangles},
    {"textured-565", 16, 16, (long)kWidth * kHeight, "pixel", setupTexturedTriangles, frameTriangles},
    {"triangles-32", 32, 16, (long)kWidth * kHeight, "pixel", setupTriangles, frameTriangles},
    {"textured-32", 32, 16, (long)kWidth * kHeight, "pixel", setupTexturedTriangles, frameTriangles},
    {"filter-nearest-565", 16, 16, kPixels, "pixel", setupFilter<GL_NEAREST>, framePair},
    {"filter-nearest-32", 32, 16, kPixels, "pixel", setupFilter<GL_NEAREST>, framePair},
    {"filter-linear-565", 16, 16, kPixels, "pixel", setupFilter<GL_LINEAR>, framePair},
    {"filter-linear-32", 32, 16, kPixels, "pixel", setupFilter<GL_LINEAR>, framePair},
    {"filter-nearest-mipmap-nearest-565", 16, 16, kPixels, "pixel", setupFilter<GL_NEAREST_MIPMAP_NEAREST>, framePair},
    {"filter-nearest-mipmap-nearest-32", 32, 16, kPixels, "pixel", setupFilter<GL_NEAREST_MIPMAP_NEAREST>, framePair},
    {"filter-linear-mipmap-nearest-565", 16, 16, kPixels, "pixel", setupFilter<GL_LINEAR_MIPMAP_NEAREST>, framePair},
    {"filter-linear-mipmap-nearest-32", 32, 16, kPixels, "pixel", setupFilter<GL_LINEAR_MIPMAP_NEAREST>, framePair},
    {"filter-nearest-mipmap-linear-565", 16, 16, kPixels, "pixel", setupFilter<GL_NEAREST_MIPMAP_LINEAR>, framePair},
    {"filter-nearest-mipmap-linear-32", 32, 16, kPixels, "pixel", setupFilter<GL_NEAREST_MIPMAP_LINEAR>, framePair},
    {"filter-linear-mipmap-linear-565", 16, 16, kPixels, "pixel", setupFilter<GL_LINEAR_MIPMAP_LINEAR>, framePair},
    {"filter-linear-mipmap-linear-32", 32, 16, kPixels, "pixel", setupFilter<GL_LINEAR_MIPMAP_LINEAR>, framePair},
    {"blend-linear-565", 16, 16, kPixels, "pixel", setupBlended, framePair},
    {"blend-linear-32", 32, 16, kPixels, "pixel", setupBlended, framePair},
    {"floor-565", 16, 16, kPixels, "pixel", setupFilter<GL_LINEAR_MIPMAP_LINEAR>, frameFloor},
    {"floor-32", 32, 16, kPixels, "pixel", setupFilter<GL_LINEAR_MIPMAP_LINEAR>, frameFloor},
    {"layers-linear-565", 16, 16, kPixels, "pixel", setupFilter<GL_LINEAR>, frameTwoLayers},
    {"quads-565", 16, 16, kPixels, "pixel", setupQuads, frameQuads},
    {"quads-linear-565", 16, 16, kPixels, "pixel", setupTexturedQuads, frameQuads},
    {"drawpixels-32", 32, 16, (long)kWidth * kHeight, "pixel", setupPixels, frameDrawPixels},
    {"drawpixels-565", 16, 16, (long)kWidth * kHeight, "pixel", setupPixels, frameDrawPixels},
    {"drawpixels-zoom-32", 32, 16, (long)kWidth * kHeight * 5 / 4, "pixel", setupPixels, frameDrawPixelsZoomed},
    {"drawpixels-zoom-565", 16, 16, (long)kWidth * kHeight * 5 / 4, "pixel", setupPixels, frameDrawPixelsZoomed},
    {"readpixels-32", 32, 16, (long)kWidth * kHeight, "pixel", setupPixels, frameReadPixels},
    {"readpixels-565", 16, 16, (long)kWidth * kHeight, "pixel", setupPixels, frameReadPixels},
    {"bitmap-32", 32, 16, (long)kGlyphColumns * kGlyphLines * 8 * 13, "glyph pixel", setupBitmaps, frameBitmaps},
    {"bitmap-565", 16, 16, (long)kGlyphColumns * kGlyphLines * 8 * 13, "glyph pixel", setupBitmaps, frameBitmaps},
    {"clear-32", 32, 16, (long)kWidth * kHeight, "pixel", setupClears, frameClears},
    {"clear-565", 16, 16, (long)kWidth * kHeight, "pixel", setupClears, frameClears},
    {"mesh-indexed", 16, 16, 6L * kMesh * kMesh, "vertex", setupMesh, frameMeshIndexed, kSmall, kSmall},
    {"mesh-indexed-locked", 16, 16, 6L * kMesh * kMesh, "vertex", setupMeshLocked, frameMeshIndexed, kSmall, kSmall},
    {"mesh-immediate", 16, 16, 6L * kMesh * kMesh, "vertex", setupMesh, frameMeshImmediate, kSmall, kSmall},
    {"mesh-strips", 16, 16, 2L * kMeshSide * kMesh, "vertex", setupMesh, frameMeshStrips, kSmall, kSmall},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "--list") == 0) {
        for (const Scene& s : kScenes) printf("%s %ld %s\n", s.name, s.unitsPerFrame, s.unit);
        return 0;
    }
    if (argc != 3 && !(argc == 4 && strcmp(argv[3], "cpp") == 0)) {
        fprintf(stderr, "usage: glbench <scene> <frames> [cpp] | --list\n");
        return 2;
    }
    if (argc == 4) {
#ifndef _WIN32
        __glOgRasterDisabled = 1;
#else
        fprintf(stderr, "glbench: cpp runs on the host only\n");
        return 2;
#endif
    }
    const Scene* scene = NULL;
    for (const Scene& s : kScenes)
        if (strcmp(s.name, argv[1]) == 0) scene = &s;
    if (!scene) {
        fprintf(stderr, "glbench: no scene \"%s\"\n", argv[1]);
        return 2;
    }
    const int frames = atoi(argv[2]);
#ifndef _WIN32
    const char* pairMap = getenv("GLBENCH_PAIR_MAP");  // scripts/pairs.sh
    if (pairMap) __glOgRecordPairs();
    // GLBENCH_SCHEDULE=0: generated routines without scheduled blocks (the
    // instructions in the order the generators write them).
    if (const char* s = getenv("GLBENCH_SCHEDULE")) __glOgScheduleBlocks = atoi(s) != 0;
#endif
    Target t;
    const int width = scene->width ? scene->width : kWidth, height = scene->height ? scene->height : kHeight;
    if (!makeTarget(t, width, height, scene->colorBits, scene->depthBits)) {
        fprintf(stderr, "glbench: no context for %d colour and %d depth bits\n", scene->colorBits,
                scene->depthBits);
        return 1;
    }
    glViewport(0, 0, width, height);
    scene->setup();
    for (int i = 0; i < frames; i++) scene->frame();
    glFinish();
    // The last frame as a binary PPM, to look at a scene.
    if (const char* shot = getenv("GLBENCH_SHOT")) {
        std::vector<unsigned char> rgb((size_t)width * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        if (FILE* f = fopen(shot, "wb")) {
            fprintf(f, "P6\n%d %d\n255\n", width, height);
            for (int y = height - 1; y >= 0; y--) fwrite(&rgb[(size_t)y * width * 3], 3, (size_t)width, f);
            fclose(f);
        }
    }
#ifndef _WIN32
    // The generated routines for scripts/profile.sh.
    if (const char* map = getenv("GLBENCH_CODE_MAP")) __glOgWriteCodeMap(map), __glVertexProgramsWriteCodeMap(map);
    if (pairMap) __glOgWritePairMap(pairMap);
#endif
    const GLenum error = glGetError();
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(t.rc);
    DeleteObject(t.bitmap);
    DeleteDC(t.dc);
    if (error != GL_NO_ERROR) {
        fprintf(stderr, "glbench: GL error 0x%x\n", error);
        return 1;
    }
    return 0;
}
