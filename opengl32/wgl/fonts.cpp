// Font display lists: glyphs of the device context's font become display lists
// of glBitmap calls, or of outlines (line loops, or polygons through the GLU
// tessellator loaded at run time). The lists are built through the library's
// own exported entries, so the calling thread needs a current context.

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include "wgl.h"
#include <GL/glu.h>

extern GlContext* __wglNullContext;

static const MAT2 identityMatrix = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// True when a thread has a context to build lists in.
static BOOL haveCurrentContext(void) {
    GlContext* gc = __wglGetCurrentContext();
    return gc && gc != __wglNullContext;
}

// Glyph codes first..first+count-1 and list names listBase..listBase+count-1
// must all exist: neither range may run past 2^32 - 1, and list 0 is no list.
static BOOL rangesFit(DWORD first, DWORD count, DWORD listBase) {
    if (!count) return TRUE;
    return first <= 0xFFFFFFFFu - (count - 1) && listBase != 0 && listBase <= 0xFFFFFFFFu - (count - 1);
}

// ---- Bitmaps ---------------------------------------------------------------

struct GlyphBuffers {
    BYTE* rows;
    BYTE* flipped;
    DWORD capacity;
};

static BOOL growGlyphBuffers(GlyphBuffers* b, DWORD size) {
    if (size <= b->capacity) return TRUE;
    free(b->rows);
    free(b->flipped);
    b->capacity = 0;
    if (size > 0x7FFFFFFFu - 128) return FALSE;
    b->rows = (BYTE*)malloc(size + 128);
    b->flipped = (BYTE*)malloc(size + 128);
    if (!b->rows || !b->flipped) return FALSE;
    b->capacity = size + 128;
    return TRUE;
}

// Compiles one glyph's glBitmap into the open list; FALSE when GDI fails or
// answers with a glyph that does not fit what it said it needs.
static BOOL compileBitmapGlyph(HDC dc, UINT code, GlyphBuffers* b) {
    GLYPHMETRICS gm;
    const DWORD size = GetGlyphOutlineA(dc, code, GGO_BITMAP, &gm, 0, nullptr, &identityMatrix);
    if (size == GDI_ERROR) return FALSE;
    if (size == 0) {  // a blank glyph only moves the raster position
        glBitmap(0, 0, 0, 0, (GLfloat)gm.gmCellIncX, (GLfloat)gm.gmCellIncY, nullptr);
        return TRUE;
    }
    if (!growGlyphBuffers(b, size)) return FALSE;
    const DWORD got = GetGlyphOutlineA(dc, code, GGO_BITMAP, &gm, b->capacity, b->rows, &identityMatrix);
    if (got == GDI_ERROR || got > b->capacity) return FALSE;
    // The rows the metrics describe must lie within what GDI said it wrote.
    const uint64_t stride = ((uint64_t)gm.gmBlackBoxX + 31) / 32 * 4;
    const uint64_t height = gm.gmBlackBoxY;
    if (stride * height > got) return FALSE;
    for (uint64_t r = 0; r < height; ++r)
        memcpy(b->flipped + r * stride, b->rows + (height - 1 - r) * stride, (size_t)stride);
    // GDI's glyph origin is the black box's offset from the pen position.
    glBitmap((GLsizei)gm.gmBlackBoxX, (GLsizei)gm.gmBlackBoxY, (GLfloat)-gm.gmptGlyphOrigin.x,
             (GLfloat)((LONG)gm.gmBlackBoxY - gm.gmptGlyphOrigin.y), (GLfloat)gm.gmCellIncX,
             (GLfloat)gm.gmCellIncY, b->flipped);
    return TRUE;
}

extern "C" BOOL WINAPI __wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    RASTERIZER_STATUS status;
    if (!GetRasterizerCaps(&status, sizeof status)) {
        __wglSystemError("wglUseFontBitmaps", 3);
        return FALSE;
    }
    if (!haveCurrentContext() || !rangesFit(first, count, listBase)) {
        __wglSystemError("wglUseFontBitmaps", 4);
        return FALSE;
    }
    GlyphBuffers buffers = {};
    BOOL ok = TRUE;
    // Glyph rows are padded to 32 bits, most significant bit first.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    DWORD i = 0;
    for (; i < count && ok; ++i) {
        glNewList(listBase + i, GL_COMPILE);
        ok = compileBitmapGlyph(dc, first + i, &buffers);
        glEndList();
    }
    glPopClientAttrib();
    if (!ok) {
        __wglSystemError("wglUseFontBitmaps", 4);
        glDeleteLists(listBase, (GLsizei)i);
    }
    free(buffers.rows);
    free(buffers.flipped);
    return ok;
}

extern "C" BOOL WINAPI __wglUseFontBitmapsW(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    return __wglUseFontBitmapsA(dc, first, count, listBase);
}

// ---- The GLU tessellator --------------------------------------------------

typedef GLUtesselator*(APIENTRY* GluNewTessProc)(void);
typedef void(APIENTRY* GluTessProc)(GLUtesselator*);
typedef void(APIENTRY* GluTessDataProc)(GLUtesselator*, GLvoid*);
typedef void(APIENTRY* GluTessVertexProc)(GLUtesselator*, GLdouble*, GLvoid*);
typedef void(APIENTRY* GluTessPropertyProc)(GLUtesselator*, GLenum, GLdouble);
typedef void(APIENTRY* GluTessNormalProc)(GLUtesselator*, GLdouble, GLdouble, GLdouble);
typedef void(APIENTRY* GluTessCallbackProc)(GLUtesselator*, GLenum, _GLUfuncptr);

struct GluProcs {
    GluNewTessProc newTess;
    GluTessProc deleteTess;
    GluTessDataProc beginPolygon;
    GluTessProc beginContour;
    GluTessVertexProc vertex;
    GluTessProc endContour;
    GluTessProc endPolygon;
    GluTessPropertyProc property;
    GluTessNormalProc normal;
    GluTessCallbackProc callback;
};
static const char* const gluProcNames[] = {
    "gluNewTess",        "gluDeleteTess",     "gluTessBeginPolygon", "gluTessBeginContour", "gluTessVertex",
    "gluTessEndContour", "gluTessEndPolygon", "gluTessProperty",     "gluTessNormal",       "gluTessCallback",
};
static_assert(sizeof(GluProcs) == sizeof gluProcNames, "one name per GLU procedure");

static HMODULE gluLibrary;
static GluProcs glu;

// The GLU library that goes with this module's file name.
static const char* gluLibraryName(void) {
    char path[256];
    const char* name = __wglModuleName(path, sizeof path);
    if (name && !lstrcmpiA(name, "pelluxgl.dll")) return "PELLUXGLU.DLL";
    if (name && !lstrcmpiA(name, "opengl32.dll")) return "GLU32.DLL";
    return "GLU.DLL";
}

// Loads the GLU library and its ten procedures; a complete load is kept until
// the process ends, an incomplete one is undone and tried again next time.
extern "C" BOOL __wglLoadTessellator(void) {
    __wglLock();
    BOOL ok = gluLibrary != nullptr;
    if (!ok) {
        HMODULE library = LoadLibraryA(gluLibraryName());
        GluProcs found;
        PROC* slots = (PROC*)&found;
        ok = library != nullptr;
        for (size_t i = 0; ok && i < sizeof gluProcNames / sizeof gluProcNames[0]; ++i) {
            slots[i] = (PROC)GetProcAddress(library, gluProcNames[i]);
            ok = slots[i] != nullptr;
        }
        if (ok) {
            glu = found;
            gluLibrary = library;
        } else if (library) {
            FreeLibrary(library);
        }
    }
    __wglUnlock();
    return ok;
}

// ---- Outlines ---------------------------------------------------------------

enum { CONTOUR_GROWTH = 4000, COMBINE_CAPACITY = 4000, OUTLINE_BUFFER_START = 10240 };

// Contours: a count, then per contour its point count and x, y pairs.
struct ContourArray {
    GLfloat* values;
    GLuint used, capacity;
    GLuint countAt;  // index of the open contour's point count
};

static BOOL pushValue(ContourArray* a, GLfloat value) {
    if (a->used == a->capacity) {
        if (a->capacity > 0x0FFFFFFFu) return FALSE;
        GLfloat* grown = (GLfloat*)realloc(a->values, (a->capacity + CONTOUR_GROWTH) * sizeof(GLfloat));
        if (!grown) return FALSE;
        a->values = grown;
        a->capacity += CONTOUR_GROWTH;
    }
    a->values[a->used++] = value;
    return TRUE;
}

static BOOL openContour(ContourArray* a) {
    a->values[0] += 1;
    a->countAt = a->used;
    return pushValue(a, 0);
}

static BOOL pushPoint(ContourArray* a, GLfloat x, GLfloat y) {
    if (!pushValue(a, x) || !pushValue(a, y)) return FALSE;
    a->values[a->countAt] += 1;
    return TRUE;
}

static GLfloat fixedValue(const POINTFX& p, int axis, GLfloat scale) {
    const FIXED f = axis ? p.y : p.x;
    const int32_t raw = (int32_t)(((uint32_t)(uint16_t)f.value << 16) | f.fract);
    return (GLfloat)raw / 65536.0f * scale;
}

// Flattens the quadratic arc p0 -> (control c) -> p2, appending points after p0.
static BOOL flattenArc(ContourArray* a, const GLfloat p0[2], const GLfloat c[2], const GLfloat p2[2],
                       GLfloat tolerance, int depth) {
    const GLfloat m0[2] = {(p0[0] + c[0]) * 0.5f, (p0[1] + c[1]) * 0.5f};
    const GLfloat m1[2] = {(c[0] + p2[0]) * 0.5f, (c[1] + p2[1]) * 0.5f};
    const GLfloat r[2] = {(m0[0] + m1[0]) * 0.5f, (m0[1] + m1[1]) * 0.5f};
    const GLfloat dx = r[0] - c[0], dy = r[1] - c[1];
    // The depth bound keeps a zero or tiny tolerance from recursing without end.
    if (dx * dx + dy * dy > tolerance * tolerance && depth < 16)
        return flattenArc(a, p0, m0, r, tolerance, depth + 1) && flattenArc(a, r, m1, p2, tolerance, depth + 1);
    return pushPoint(a, c[0], c[1]) && pushPoint(a, p2[0], p2[1]);
}

// Parses a native outline of `size` bytes into contours; FALSE on a malformed outline.
static BOOL parseOutline(const BYTE* buffer, DWORD size, GLfloat scale, GLfloat tolerance, ContourArray* a) {
    a->used = 0;
    if (!pushValue(a, 0)) return FALSE;
    DWORD at = 0;
    while (at < size) {
        TTPOLYGONHEADER header;
        if (size - at < sizeof header) return FALSE;
        memcpy(&header, buffer + at, sizeof header);
        if (header.dwType != TT_POLYGON_TYPE || header.cb < sizeof header || header.cb > size - at) return FALSE;
        const DWORD end = at + header.cb;
        GLfloat last[2] = {fixedValue(header.pfxStart, 0, scale), fixedValue(header.pfxStart, 1, scale)};
        if (!openContour(a) || !pushPoint(a, last[0], last[1])) return FALSE;
        at += sizeof header;
        while (at < end) {
            WORD head[2];
            if (end - at < sizeof head) return FALSE;
            memcpy(head, buffer + at, sizeof head);
            at += sizeof head;
            const DWORD count = head[1];
            if (count > (end - at) / sizeof(POINTFX)) return FALSE;
            const POINTFX* points = (const POINTFX*)(buffer + at);
            at += count * sizeof(POINTFX);
            if (head[0] == TT_PRIM_LINE) {
                for (DWORD k = 0; k < count; ++k) {
                    last[0] = fixedValue(points[k], 0, scale);
                    last[1] = fixedValue(points[k], 1, scale);
                    if (!pushPoint(a, last[0], last[1])) return FALSE;
                }
            } else if (head[0] == TT_PRIM_QSPLINE) {
                for (DWORD k = 0; k + 1 < count; ++k) {
                    const GLfloat c[2] = {fixedValue(points[k], 0, scale), fixedValue(points[k], 1, scale)};
                    GLfloat next[2] = {fixedValue(points[k + 1], 0, scale), fixedValue(points[k + 1], 1, scale)};
                    if (k + 2 < count) {
                        next[0] = (c[0] + next[0]) * 0.5f;
                        next[1] = (c[1] + next[1]) * 0.5f;
                    }
                    if (!flattenArc(a, last, c, next, tolerance, 0)) return FALSE;
                    last[0] = next[0];
                    last[1] = next[1];
                }
            } else {
                return FALSE;
            }
        }
    }
    return TRUE;
}

static GLuint contourCount(const ContourArray* a) { return (GLuint)a->values[0]; }

// The points of the contour at *at (x, y pairs) and their count; moves *at to the next one.
static const GLfloat* nextContour(const ContourArray* a, GLuint* at, GLuint* count) {
    *count = (GLuint)a->values[*at];
    const GLfloat* points = a->values + *at + 1;
    *at += 1 + 2 * *count;
    return points;
}

static void drawLineLoops(const ContourArray* a) {
    for (GLuint c = 0, at = 1; c < contourCount(a); ++c) {
        GLuint n;
        const GLfloat* pts = nextContour(a, &at, &n);
        glBegin(GL_LINE_LOOP);
        for (GLuint k = 0; k < n; ++k) glVertex2fv(pts + 2 * k);
        glEnd();
    }
}

// Per-polygon record the tessellator callbacks get.
struct TessRecord {
    GLenum error;
    GLfloat* combine;
    GLuint combineUsed;
};

static void CALLBACK tessBegin(GLenum mode, void*) { glBegin(mode); }
static void CALLBACK tessVertex(void* vertex, void*) { glVertex3fv((const GLfloat*)vertex); }
static void CALLBACK tessEnd(void*) { glEnd(); }
static void CALLBACK tessError(GLenum code, void* record) {
    TessRecord* r = (TessRecord*)record;
    if (!r->error) r->error = code;
}
static void CALLBACK tessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* record) {
    TessRecord* r = (TessRecord*)record;
    if (r->combineUsed + 3 > COMBINE_CAPACITY) {
        if (!r->error) r->error = GL_OUT_OF_MEMORY;
        *out = nullptr;
        return;
    }
    GLfloat* v = r->combine + r->combineUsed;
    v[0] = (GLfloat)coords[0];
    v[1] = (GLfloat)coords[1];
    v[2] = (GLfloat)coords[2];
    r->combineUsed += 3;
    *out = v;
}

// One face of every contour at height z; `reverse` lists each contour's points backwards.
static BOOL tessellateFace(GLUtesselator* tess, const ContourArray* a, GLfloat z, BOOL reverse, TessRecord* r) {
    const GLuint points = (a->used - 1 - contourCount(a)) / 2;
    GLfloat* vertices = (GLfloat*)malloc(((size_t)points + 1) * 3 * sizeof(GLfloat));
    GLdouble* coords = (GLdouble*)malloc(((size_t)points + 1) * 3 * sizeof(GLdouble));
    if (!vertices || !coords) {
        free(vertices);
        free(coords);
        return FALSE;
    }
    glu.beginPolygon(tess, r);
    GLuint v = 0;
    for (GLuint c = 0, at = 1; c < contourCount(a); ++c) {
        GLuint n;
        const GLfloat* pts = nextContour(a, &at, &n);
        glu.beginContour(tess);
        for (GLuint k = 0; k < n; ++k, ++v) {
            const GLfloat* p = pts + 2 * (reverse ? n - 1 - k : k);
            GLfloat* out = vertices + 3 * v;
            out[0] = p[0];
            out[1] = p[1];
            out[2] = z;
            for (int j = 0; j < 3; ++j) coords[3 * v + j] = out[j];
            glu.vertex(tess, coords + 3 * v, out);
        }
        glu.endContour(tess);
    }
    glu.endPolygon(tess);
    free(vertices);
    free(coords);
    return TRUE;
}

static void drawSides(const ContourArray* a, GLfloat z) {
    for (GLuint c = 0, at = 1; c < contourCount(a); ++c) {
        GLuint n;
        const GLfloat* pts = nextContour(a, &at, &n);
        if (n > 1 && pts[0] == pts[2 * (n - 1)] && pts[1] == pts[2 * (n - 1) + 1]) --n;
        if (!n) continue;
        glBegin(GL_QUAD_STRIP);
        for (GLuint j = 0; j <= n; ++j) {
            const GLfloat* p = pts + 2 * (j % n);
            const GLfloat* q = pts + 2 * ((j + 1) % n);
            GLfloat nx = q[1] - p[1], ny = p[0] - q[0];
            const GLfloat length = sqrtf(nx * nx + ny * ny);
            if (length > 0) {
                nx /= length;
                ny /= length;
            }
            glNormal3f(nx, ny, 0);
            glVertex3f(p[0], p[1], z);
            glVertex3f(p[0], p[1], 0);
        }
        glEnd();
    }
}

static BOOL drawPolygons(const ContourArray* a, GLfloat extrusion) {
    if (!__wglLoadTessellator()) return FALSE;
    TessRecord record = {0, (GLfloat*)malloc(COMBINE_CAPACITY * sizeof(GLfloat)), 0};
    GLUtesselator* tess = record.combine ? glu.newTess() : nullptr;
    if (!tess) {
        free(record.combine);
        return FALSE;
    }
    glu.callback(tess, GLU_TESS_BEGIN_DATA, (_GLUfuncptr)tessBegin);
    glu.callback(tess, GLU_TESS_VERTEX_DATA, (_GLUfuncptr)tessVertex);
    glu.callback(tess, GLU_TESS_END_DATA, (_GLUfuncptr)tessEnd);
    glu.callback(tess, GLU_TESS_ERROR_DATA, (_GLUfuncptr)tessError);
    glu.callback(tess, GLU_TESS_COMBINE_DATA, (_GLUfuncptr)tessCombine);
    glu.normal(tess, 0, 0, 1);
    glNormal3f(0, 0, 1);
    BOOL ok = tessellateFace(tess, a, 0, FALSE, &record);
    if (ok && extrusion != 0) {
        drawSides(a, -extrusion);
        glNormal3f(0, 0, -1);
        glu.normal(tess, 0, 0, -1);
        ok = tessellateFace(tess, a, -extrusion, TRUE, &record);
    }
    glu.deleteTess(tess);
    free(record.combine);
    return ok && record.error == 0;
}

// A list that fails half-way is deleted; the glyphs before it keep theirs.
static BOOL compileOutlineList(GLuint list, const ContourArray* a, const GLYPHMETRICSFLOAT* m, GLfloat extrusion,
                               int format) {
    glNewList(list, GL_COMPILE);
    BOOL ok = FALSE;
    if (format == WGL_FONT_LINES) {
        drawLineLoops(a);
        ok = TRUE;
    } else if (format == WGL_FONT_POLYGONS) {
        ok = drawPolygons(a, extrusion);
    }
    glTranslatef(m->gmfCellIncX, m->gmfCellIncY, 0);
    glEndList();
    if (!ok) glDeleteLists(list, 1);
    return ok;
}

static void drainGlErrors(void) {
    for (int guard = 0; guard < 64 && glGetError() != GL_NO_ERROR; ++guard) {
    }
}

// Selects a font of the current face at the em-square size; its scale is 1 / em square.
static HFONT selectEmFont(HDC dc, GLfloat* scale) {
    OUTLINETEXTMETRICA otm;
    LOGFONTA lf;
    HGDIOBJ current = GetCurrentObject(dc, OBJ_FONT);
    if (!GetOutlineTextMetricsA(dc, sizeof otm, &otm) || !otm.otmEMSquare || !current ||
        GetObjectA(current, sizeof lf, &lf) != (int)sizeof lf)
        return nullptr;
    const TEXTMETRICA& tm = otm.otmTextMetrics;
    const LONG cellHeight = tm.tmHeight - tm.tmInternalLeading;
    if (cellHeight <= 0) return nullptr;
    const LONG width = (LONG)((int64_t)tm.tmAveCharWidth * otm.otmEMSquare / cellHeight);
    *scale = 1.0f / (GLfloat)otm.otmEMSquare;
    return CreateFontA(-(int)otm.otmEMSquare, width, 0, 0, tm.tmWeight, tm.tmItalic, tm.tmUnderlined,
                       tm.tmStruckOut, tm.tmCharSet, OUT_OUTLINE_PRECIS, 0, 0, tm.tmPitchAndFamily & 0xF0,
                       lf.lfFaceName);
}

extern "C" BOOL WINAPI __wglUseFontOutlinesA(HDC dc, DWORD first, DWORD count, DWORD listBase,
                                             FLOAT deviation, FLOAT extrusion, int format,
                                             LPGLYPHMETRICSFLOAT glyphMetrics) {
    if (!haveCurrentContext() || !rangesFit(first, count, listBase)) return FALSE;
    drainGlErrors();
    GLfloat scale = 1;
    HFONT emFont = selectEmFont(dc, &scale);
    if (!emFont) return FALSE;
    HGDIOBJ previous = SelectObject(dc, emFont);
    if (!previous) {
        DeleteObject(emFont);
        return FALSE;
    }
    DWORD capacity = OUTLINE_BUFFER_START;
    BYTE* buffer = (BYTE*)malloc(capacity);
    ContourArray contours = {};
    BOOL ok = buffer != nullptr;
    for (DWORD i = 0; ok && i < count; ++i) {
        GLYPHMETRICS gm;
        const DWORD size = GetGlyphOutlineA(dc, first + i, GGO_NATIVE, &gm, 0, nullptr, &identityMatrix);
        if (size == GDI_ERROR) {
            ok = FALSE;
            break;
        }
        if (size > capacity) {
            free(buffer);
            capacity = size;
            buffer = (BYTE*)malloc(capacity);
            if (!buffer) {
                ok = FALSE;
                break;
            }
        }
        if (size && GetGlyphOutlineA(dc, first + i, GGO_NATIVE, &gm, capacity, buffer, &identityMatrix) == GDI_ERROR) {
            ok = FALSE;
            break;
        }
        GLYPHMETRICSFLOAT m;
        m.gmfBlackBoxX = (GLfloat)gm.gmBlackBoxX * scale;
        m.gmfBlackBoxY = (GLfloat)gm.gmBlackBoxY * scale;
        m.gmfptGlyphOrigin.x = (GLfloat)gm.gmptGlyphOrigin.x * scale;
        m.gmfptGlyphOrigin.y = (GLfloat)gm.gmptGlyphOrigin.y * scale;
        m.gmfCellIncX = (GLfloat)gm.gmCellIncX * scale;
        m.gmfCellIncY = (GLfloat)gm.gmCellIncY * scale;
        if (glyphMetrics) glyphMetrics[i] = m;
        ok = parseOutline(buffer, size, scale, deviation + scale, &contours) &&
             compileOutlineList(listBase + i, &contours, &m, extrusion, format);
        free(contours.values);
        contours = ContourArray();
    }
    free(buffer);
    SelectObject(dc, previous);
    DeleteObject(emFont);
    if (glGetError() != GL_NO_ERROR) {
        drainGlErrors();
        ok = FALSE;
    }
    return ok;
}

extern "C" BOOL WINAPI __wglUseFontOutlinesW(HDC dc, DWORD first, DWORD count, DWORD listBase,
                                             FLOAT deviation, FLOAT extrusion, int format,
                                             LPGLYPHMETRICSFLOAT glyphMetrics) {
    return __wglUseFontOutlinesA(dc, first, count, listBase, deviation, extrusion, format, glyphMetrics);
}
