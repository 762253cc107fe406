// Primitive assembly by mode (lines, triangles, strips, fans, quads, polygons),
// the polygon and line clippers and the clip-edge interpolators.

#include <string.h>
#include <utility>
#include "geometry.h"
#include "raster/triangle.h"
#include "arrays.h"

// ---- Clip-edge interpolators: new = b + t (a - b), only what the state needs.

enum { IP_INDEX = 1, IP_RGBA = 2, IP_INDEX2 = 3, IP_RGBA2 = 4 };

template <int ColorPart, bool Fog, bool Tex>
static void GLPROC interpolate(GlVertex* out, const GlVertex* a, const GlVertex* b, GLfloat t) {
    out->clip[3] = b->clip[3] + t * (a->clip[3] - b->clip[3]);
    out->invW = 1.0f / out->clip[3];
    for (int i = 0; i < 3; i++) out->clip[i] = b->clip[i] + t * (a->clip[i] - b->clip[i]);
    out->flags = GL_VX_CLIP_PLANES;
    // The fog value only when both ends hold theirs; else the eye z, from
    // which completion computes it.
    const int colors = ColorPart == IP_RGBA || ColorPart == IP_RGBA2 ? 4 : ColorPart ? 1 : 0;
    for (int i = 0; i < colors; i++) out->frontColor[i] = b->frontColor[i] + t * (a->frontColor[i] - b->frontColor[i]);
    if (ColorPart == IP_INDEX2 || ColorPart == IP_RGBA2)
        for (int i = 0; i < colors; i++) out->backColor[i] = b->backColor[i] + t * (a->backColor[i] - b->backColor[i]);
    if (Fog) {
        if (a->flags & b->flags & GL_VX_FOG) {
            out->fog = b->fog + t * (a->fog - b->fog);
            out->flags |= GL_VX_FOG;
        } else {
            out->eye[2] = b->eye[2] + t * (a->eye[2] - b->eye[2]);
        }
    }
    if (Tex) {
        GLfloat ta[4], tb[4];
        memcpy(ta, a->texCoord, 16);
        memcpy(tb, b->texCoord, 16);
        if ((a->flags & GL_VX_TEX_DIVIDED) && !(a->flags & GL_VX_CLIP_PLANES))
            ta[0] *= a->clip[3], ta[1] *= a->clip[3], ta[3] *= a->clip[3];
        if ((b->flags & GL_VX_TEX_DIVIDED) && !(b->flags & GL_VX_CLIP_PLANES))
            tb[0] *= b->clip[3], tb[1] *= b->clip[3], tb[3] *= b->clip[3];
        for (int i = 0; i < 4; i++) out->texCoord[i] = tb[i] + t * (ta[i] - tb[i]);
    }
}

#define GL_IP_ROW(F, T) \
    interpolate<0, F, T>, interpolate<1, F, T>, interpolate<2, F, T>, interpolate<3, F, T>, interpolate<4, F, T>
extern const GlInterpolateProc __glClipInterpolators[20] = {
    GL_IP_ROW(false, false), GL_IP_ROW(true, false), GL_IP_ROW(false, true), GL_IP_ROW(true, true),
};
#undef GL_IP_ROW

extern "C" void GLPROC __glPickClipInterpolator(GlContext* gc) {
    const bool rgba = gc->pixelFormat.rgba != 0;
    const bool twoSided = gc->twoSided != 0;
    int polygon = 0, line = 0;
    if (gc->lighting.shadeModel != GL_FLAT) {
        polygon = rgba ? (twoSided ? IP_RGBA2 : IP_RGBA) : (twoSided ? IP_INDEX2 : IP_INDEX);
        line = rgba ? IP_RGBA : IP_INDEX;
    }
    // Flat shading reads each vertex's fog value (smooth shading fogs the colours).
    const GLuint F = gc->rasterFlags;
    if ((F & GL_RF_FOG_FRAGMENT) || ((F & GL_RF_FOG_VERTEX) && !(F & GL_RF_SMOOTH))) polygon += 5, line += 5;
    // Feedback reports texture coordinates whatever the state.
    if ((gc->enables.texture & 0x3) || gc->renderMode == GL_FEEDBACK) polygon += 10, line += 10;
    gc->procs.clipInterpolatePolygon = __glClipInterpolators[polygon];
    gc->procs.clipInterpolateLine = __glClipInterpolators[line];
}

// ---- Clipping.

// Signed distance of a vertex from plane bit i (0-5 frustum, 6-11 user).
static inline GLfloat planeDistance(const GlContext* gc, const GlVertex* v, int i) {
    const GLfloat* c = v->clip;
    switch (i) {
    case 0: return c[3] + c[0];
    case 1: return c[3] - c[0];
    case 2: return c[3] + c[1];
    case 3: return c[3] - c[1];
    case 4: return c[3] + c[2];
    case 5: return c[3] - c[2];
    default: {
        const GLfloat* p = gc->transform.eyeClipPlanes[i - 6];
        const GLfloat* e = v->eye;
        return p[0] * e[0] + p[1] * e[1] + p[2] * e[2] + p[3] * e[3];
    }
    }
}

static inline bool finiteClip(const GlVertex* v) {
    return __builtin_isfinite(v->clip[0]) && __builtin_isfinite(v->clip[1]) && __builtin_isfinite(v->clip[2]) &&
           __builtin_isfinite(v->clip[3]);
}

static GlVertex* newClipVertex(GlContext* gc) {
    if (gc->clipVertexNext == gc->clipVertexPool + GL_CLIP_POOL_SIZE) return nullptr;
    return gc->clipVertexNext++;
}

// new = b + t (a - b), with the eye coordinates; the colour pointer at its own front colour.
static GlVertex* splitEdge(GlContext* gc, GlInterpolateProc ip, const GlVertex* a, const GlVertex* b, GLfloat t) {
    GlVertex* n = newClipVertex(gc);
    if (!n) return nullptr;
    ip(n, a, b, t);
    for (int i = 0; i < 4; i++) n->eye[i] = b->eye[i] + t * (a->eye[i] - b->eye[i]);
    n->color = n->frontColor;
    return n;
}

// Flags of a new clip vertex: its clip codes and the done bits of the vertex
// it continues, but the fog bit only when the interpolator made its value.
static inline GLuint newVertexFlags(const GlVertex* made, const GlVertex* from) {
    const GLuint own = GL_VX_CLIP_PLANES | GL_VX_FOG;
    return (made->flags & own) | (from->flags & ~own);
}

// Window coordinates of a clipper output vertex; false when they would not be finite.
static bool clippedWindow(GlContext* gc, GlVertex* v) {
    if (v->flags & GL_VX_KEEP_WINDOW) return true;
    const GLfloat w = v->clip[3];
    if (!(w > 0.0f)) return false;
    const GLfloat invW = gc->constants.one / w;
    const GLfloat wx = v->clip[0] * invW * gc->viewportXform.xScale + gc->viewportXform.xCentre;
    const GLfloat wy = v->clip[1] * invW * gc->viewportXform.yScale + gc->viewportXform.yCentre;
    const GLfloat wz = v->clip[2] * invW * gc->viewportXform.zScale + gc->viewportXform.zCentre;
    if (!__builtin_isfinite(wx) || !__builtin_isfinite(wy) || !__builtin_isfinite(wz)) return false;
    v->window[0] = wx, v->window[1] = wy, v->window[2] = wz;
    v->invW = invW;
    if ((v->flags & GL_VX_CLIPPED) && (v->flags & GL_VX_TEX_DIVIDED))
        v->texCoord[0] *= invW, v->texCoord[1] *= invW, v->texCoord[3] *= invW;
    return true;
}

// One plane step of the polygon clipper; returns the output count (0: abandoned).
static int clipPolygonPlane(GlContext* gc, GlVertex** in, int n, GlVertex** out, int plane) {
    const GlInterpolateProc ip = gc->procs.clipInterpolatePolygon;
    int count = 0, made = 0;
    GlVertex* prev = in[n - 1];
    GLfloat dPrev = planeDistance(gc, prev, plane);
    for (int i = 0; i < n; i++) {
        GlVertex* cur = in[i];
        const GLfloat dCur = planeDistance(gc, cur, plane);
        const bool prevIn = dPrev >= 0.0f, curIn = dCur >= 0.0f;
        if (prevIn != curIn) {
            if (++made > 2) return 0;
            GlVertex* nv;
            if (curIn) {
                nv = splitEdge(gc, ip, prev, cur, dCur / (dCur - dPrev));
                if (!nv) return 0;
                nv->edgeFlag = prev->edgeFlag;
            } else {
                nv = splitEdge(gc, ip, cur, prev, dPrev / (dPrev - dCur));
                if (!nv) return 0;
                nv->edgeFlag = 1;
            }
            nv->flags = newVertexFlags(nv, prev);
            out[count++] = nv;
        }
        if (curIn) out[count++] = cur;
        prev = cur, dPrev = dCur;
    }
    return count;
}

extern "C" void GLPROC __glRenderPolygon(GlContext* gc, GlVertex** vertices, GLint count, GLuint codes) {
    GlVertex* lists[2][GL_CLIP_LIST_SIZE];
    GlVertex** v = vertices;
    gc->clipVertexNext = gc->clipVertexPool;
    const GLuint planes = (codes & GL_VX_CLIP_PLANES) >> 16;
    if (planes) {
        // Texture coordinates are generated (and divided) before the cut, so
        // that new vertices interpolate them and inherit the done bits.
        const GLuint needs =
            gc->triangleNeeds | gc->faceNeeds[0] | gc->faceNeeds[1] | (planes & 0xFC0 ? GL_VX_EYE : 0);
        for (int i = 0; i < count; i++) {
            if (!finiteClip(v[i])) return;
            __glCompleteVertex(gc, v[i], needs);
        }
        int which = 0;
        // User planes first, then the frustum planes.
        for (int pass = 0; pass < 2; pass++) {
            for (int i = pass ? 0 : 6; i < (pass ? 6 : 12); i++) {
                if (!(planes & (1u << i))) continue;
                count = clipPolygonPlane(gc, v, count, lists[which], i);
                if (count < 3) return;
                v = lists[which];
                which ^= 1;
            }
        }
        for (int i = 0; i < count; i++)
            if (!clippedWindow(gc, v[i])) return;
    }
    if (count == 3) {
        gc->procs.renderTriangle(gc, v[0], v[1], v[2]);
        return;
    }
    for (int i = 0; i <= count - 3; i++) {
        GlVertex* a = v[0];
        GlVertex* b = v[i + 1];
        GlVertex* c = v[i + 2];
        const uint8_t fa = a->edgeFlag, fc = c->edgeFlag;
        if (i < count - 3) c->edgeFlag = 0;
        if (i > 0) a->edgeFlag = 0;
        gc->procs.renderTriangle(gc, a, b, c);
        a->edgeFlag = fa, c->edgeFlag = fc;
    }
}

extern "C" void GLPROC __glClipTriangleAsPolygon(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GLuint codes) {
    GlVertex* v[3] = {a, b, c};
    __glRenderPolygon(gc, v, 3, codes);
}

// A triangle of array vertices that crosses the clip volume: vertices fetched
// lazily (a rejected one has no attributes and no clip coordinates) are
// fetched again in full first.
extern "C" void GLPROC __glDoClipTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    __glRefetchLazyVertex(gc, a);
    __glRefetchLazyVertex(gc, b);
    __glRefetchLazyVertex(gc, c);
    if (a->flags & b->flags & c->flags & GL_VX_CLIPPED) return;
    gc->procs.clipTriangle(gc, a, b, c, (a->flags | b->flags | c->flags) & GL_VX_CLIPPED);
}

extern "C" void GLPROC __glPolygonProc(GlContext* gc, GlVertex* first, GLint count) {
    GlVertex* v[GL_VERTEX_BUFFER_SIZE];
    GLuint orCodes = 0, andCodes = ~0u;
    gc->provokingVertex = first;
    for (int i = 0; i < count; i++) {
        v[i] = first + i;
        orCodes |= v[i]->flags;
        andCodes &= v[i]->flags;
    }
    if (andCodes & GL_VX_CLIP_PLANES) return;
    __glRenderPolygon(gc, v, count, orCodes & GL_VX_CLIPPED);
}

// A line that crosses the clip volume: cut at each plane it crosses.
extern "C" void GLPROC __glClipLine(GlContext* gc, GlVertex* a, GlVertex* b, GLuint codes) {
    if (!finiteClip(a) || !finiteClip(b)) return;
    gc->clipVertexNext = gc->clipVertexPool;
    const GLuint planes = (codes & GL_VX_CLIP_PLANES) >> 16;
    const GLuint needs = gc->frontNeeds | (planes & 0xFC0 ? GL_VX_EYE : 0);
    __glCompleteVertex(gc, a, needs);
    __glCompleteVertex(gc, b, needs);
    const GlInterpolateProc ip = gc->procs.clipInterpolateLine;
    GlVertex* const provoking = b;
    GlVertex* p = a;
    GlVertex* q = b;
    for (int i = 0; i < 12; i++) {
        if (!(planes & (1u << i))) continue;
        const GLfloat dp = planeDistance(gc, p, i), dq = planeDistance(gc, q, i);
        const bool pIn = dp >= 0.0f, qIn = dq >= 0.0f;
        if (pIn && qIn) continue;
        if (!pIn && !qIn) return;
        GlVertex* kept = pIn ? p : q;
        if (!pIn) p = splitEdge(gc, ip, p, q, dq / (dq - dp));
        else q = splitEdge(gc, ip, q, p, dp / (dp - dq));
        if (!p || !q) return;
        // As the polygon clipper: the new end takes the kept end's done bits,
        // so its texture coordinates are divided with the kept end's.
        GlVertex* made = pIn ? q : p;
        made->flags = newVertexFlags(made, kept);
    }
    if (!clippedWindow(gc, p) || !clippedWindow(gc, q)) return;
    if (q != provoking && !gc->smoothShading) {
        memcpy(q->frontColor, provoking->frontColor, 16);
        memcpy(q->backColor, provoking->backColor, 16);
    }
    gc->procs.renderLine(gc, p, q);
}

// ---- Lines.

static inline void emitLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    gc->provokingVertex = b;
    const GLuint orCodes = (a->flags | b->flags) & GL_VX_CLIPPED;
    if (!orCodes) return gc->procs.renderLine(gc, a, b);
    if (a->flags & b->flags & GL_VX_CLIPPED) return;
    __glClipLine(gc, a, b, orCodes);
}

static void GLPROC linesVertex1(GlContext* gc, GlVertex* v);
static void GLPROC linesVertex0(GlContext* gc, GlVertex* v) {
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = linesVertex1;
}
// Every independent segment restarts the stipple.
static void GLPROC linesVertex1(GlContext* gc, GlVertex* v) {
    gc->vertexPointer = gc->vertexBuffer;
    gc->procs.primitiveVertex = linesVertex0;
    gc->lineResetPending = 0;
    emitLine(gc, v - 1, v);
}
static void GLPROC completePrimitiveVerticesProc(GlContext* gc);
static void GLPROC completeFanVertices(GlContext* gc);
extern "C" void GLPROC __glBeginLines(GlContext* gc) {
    gc->vertexPointer = gc->vertexBuffer;
    gc->procs.primitiveVertex = linesVertex0;
    gc->procs.clipPrimitiveVertices = completePrimitiveVerticesProc;
}

// Strips alternate between records 1 and 2; a loop keeps its first vertex in record 0.
static void GLPROC stripLineNext(GlContext* gc, GlVertex* v) {
    GlVertex* prev = gc->savedVertex0;
    gc->savedVertex0 = v;
    gc->vertexPointer = v == gc->vertexBuffer + 1 ? gc->vertexBuffer + 2 : gc->vertexBuffer + 1;
    emitLine(gc, prev, v);
}
static void GLPROC stripLineFirst(GlContext* gc, GlVertex* v) {
    gc->savedVertex0 = v;
    gc->vertexPointer = gc->vertexBuffer + 1;
    gc->procs.primitiveVertex = stripLineNext;
    // Pending: the vertex that starts the next segment and a loop's first one.
    gc->procs.clipPrimitiveVertices = completeFanVertices;
}
extern "C" void GLPROC __glBeginLineStrip(GlContext* gc) {
    gc->vertexPointer = gc->vertexBuffer;
    gc->lineResetPending = 0;
    gc->procs.primitiveVertex = stripLineFirst;
    gc->procs.clipPrimitiveVertices = (GlContextProc)__glNop;
}
static void GLPROC endLineLoop(GlContext* gc) {
    if (gc->procs.primitiveVertex == stripLineNext && gc->savedVertex0 != gc->vertexBuffer)
        emitLine(gc, gc->savedVertex0, gc->vertexBuffer);
    __glEndPrimitive(gc);
}
extern "C" void GLPROC __glBeginLineLoop(GlContext* gc) {
    __glBeginLineStrip(gc);
    gc->procs.endPrimitive = endLineLoop;
}

// ---- Triangles.

static inline void emitTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    const GLuint orCodes = (a->flags | b->flags | c->flags) & GL_VX_CLIPPED;
    if (!orCodes) return gc->procs.renderTriangle(gc, a, b, c);
    if (a->flags & b->flags & c->flags & GL_VX_CLIPPED) return;
    gc->procs.clipTriangle(gc, a, b, c, orCodes);
}
static inline void newTriangle(GlContext* gc, GlVertex* provoking) {
    gc->lineResetPending = 0;
    gc->provokingVertex = provoking;
}

static void GLPROC trianglesVertex0(GlContext* gc, GlVertex* v);
static void GLPROC trianglesVertex2(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->vertexPointer = gc->vertexBuffer;
    gc->procs.primitiveVertex = trianglesVertex0;
    newTriangle(gc, v);
    emitTriangle(gc, v, v - 2, v - 1);
}
static void GLPROC trianglesVertex1(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = trianglesVertex2;
}
static void GLPROC trianglesVertex0(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = trianglesVertex1;
}

static void completePrimitiveVertices(GlContext* gc) {
    for (GlVertex* v = gc->vertexBuffer; v < gc->vertexPointer; v++) __glCompleteVertex(gc, v, gc->pendingNeeds);
}
static void GLPROC completePrimitiveVerticesProc(GlContext* gc) { completePrimitiveVertices(gc); }
static void GLPROC completeFanVertices(GlContext* gc) {
    __glCompleteVertex(gc, gc->vertexBuffer, gc->pendingNeeds);
    __glCompleteVertex(gc, gc->savedVertex0, gc->pendingNeeds);
}
static void GLPROC completeSaved01(GlContext* gc) {
    __glCompleteVertex(gc, gc->savedVertex0, gc->pendingNeeds);
    __glCompleteVertex(gc, gc->savedVertex1, gc->pendingNeeds);
}
static void GLPROC completeSaved012(GlContext* gc) {
    completeSaved01(gc);
    __glCompleteVertex(gc, gc->savedVertex2, gc->pendingNeeds);
}
static void GLPROC completeSaved12(GlContext* gc) {
    __glCompleteVertex(gc, gc->savedVertex1, gc->pendingNeeds);
    __glCompleteVertex(gc, gc->savedVertex2, gc->pendingNeeds);
}

static void beginFilled(GlContext* gc, GlVertexProc first) {
    gc->vertexPointer = gc->vertexBuffer;
    gc->procs.primitiveVertex = first;
    gc->procs.clipPrimitiveVertices = completePrimitiveVerticesProc;
}
extern "C" void GLPROC __glBeginTriangles(GlContext* gc) { beginFilled(gc, trianglesVertex0); }

static void GLPROC stripVertexOdd(GlContext* gc, GlVertex* v);
static void GLPROC stripVertexEven(GlContext* gc, GlVertex* v) {
    GlVertex* a = gc->savedVertex0;
    GlVertex* b = gc->savedVertex1;
    v->edgeFlag = 1;
    gc->vertexPointer = b;
    gc->savedVertex0 = v, gc->savedVertex1 = a;
    gc->procs.primitiveVertex = stripVertexOdd;
    newTriangle(gc, v);
    emitTriangle(gc, v, b, a);
}
static void GLPROC stripVertexOdd(GlContext* gc, GlVertex* v) {
    GlVertex* a = gc->savedVertex0;
    GlVertex* b = gc->savedVertex1;
    v->edgeFlag = 1;
    gc->vertexPointer = b;
    gc->savedVertex0 = v, gc->savedVertex1 = a;
    gc->procs.primitiveVertex = stripVertexEven;
    newTriangle(gc, v);
    emitTriangle(gc, v, a, b);
}
static void GLPROC stripVertex1(GlContext* gc, GlVertex* v) {
    v->edgeFlag = 1;
    gc->savedVertex0 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = stripVertexEven;
    gc->procs.clipPrimitiveVertices = completeSaved01;
}
static void GLPROC stripVertex0(GlContext* gc, GlVertex* v) {
    v->edgeFlag = 1;
    gc->savedVertex1 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = stripVertex1;
}
extern "C" void GLPROC __glBeginTriangleStrip(GlContext* gc) { beginFilled(gc, stripVertex0); }

static void GLPROC fanVertexN(GlContext* gc, GlVertex* v) {
    GlVertex* p = gc->savedVertex0;
    v->edgeFlag = 1;
    gc->savedVertex0 = v;
    gc->vertexPointer = p;
    newTriangle(gc, v);
    emitTriangle(gc, v, gc->vertexBuffer, p);
}
static void GLPROC fanVertex1(GlContext* gc, GlVertex* v) {
    v->edgeFlag = 1;
    gc->savedVertex0 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = fanVertexN;
    gc->procs.clipPrimitiveVertices = completeFanVertices;
}
static void GLPROC fanVertex0(GlContext* gc, GlVertex* v) {
    v->edgeFlag = 1;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = fanVertex1;
}
extern "C" void GLPROC __glBeginTriangleFan(GlContext* gc) { beginFilled(gc, fanVertex0); }

// A quad in polygon order; inside it is two triangles with the diagonal hidden.
static void emitQuad(GlContext* gc, GlVertex* v0, GlVertex* v1, GlVertex* v2, GlVertex* v3) {
    const GLuint orCodes = (v0->flags | v1->flags | v2->flags | v3->flags) & GL_VX_CLIPPED;
    if (orCodes) {
        if (v0->flags & v1->flags & v2->flags & v3->flags & GL_VX_CLIPPED) return;
        GlVertex* v[4] = {v0, v1, v2, v3};
        __glRenderPolygon(gc, v, 4, orCodes);
        return;
    }
    __glQuadTriangles(gc, v0, v1, v2, v3);
}

void __glQuadTriangles(GlContext* gc, GlVertex* v0, GlVertex* v1, GlVertex* v2, GlVertex* v3) {
    const uint8_t f1 = v1->edgeFlag, f3 = v3->edgeFlag;
    v1->edgeFlag = 0;
    gc->procs.renderTriangle(gc, v3, v0, v1);
    v1->edgeFlag = f1;
    v3->edgeFlag = 0;
    gc->procs.renderTriangle(gc, v3, v1, v2);
    v3->edgeFlag = f3;
}

static void GLPROC quadsVertex0(GlContext* gc, GlVertex* v);
static void GLPROC quadsVertex3(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->vertexPointer = gc->vertexBuffer;
    gc->procs.primitiveVertex = quadsVertex0;
    newTriangle(gc, v);
    emitQuad(gc, v - 3, v - 2, v - 1, v);
}
static void GLPROC quadsVertexMid(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->vertexPointer = v + 1;
    if (v == gc->vertexBuffer + 2) gc->procs.primitiveVertex = quadsVertex3;
}
static void GLPROC quadsVertex0(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = quadsVertexMid;
}
extern "C" void GLPROC __glBeginQuads(GlContext* gc) { beginFilled(gc, quadsVertex0); }

static void GLPROC quadStripVertex2(GlContext* gc, GlVertex* v);
static void GLPROC quadStripVertex3(GlContext* gc, GlVertex* v) {
    GlVertex* v0 = gc->savedVertex2;
    GlVertex* v1 = gc->savedVertex1;
    GlVertex* v2 = gc->savedVertex0;
    v->edgeFlag = 1;
    gc->vertexPointer = v0;
    gc->savedVertex1 = v, gc->savedVertex2 = v2;
    gc->procs.primitiveVertex = quadStripVertex2;
    gc->procs.clipPrimitiveVertices = completeSaved12;
    newTriangle(gc, v);
    const GLuint orCodes = (v0->flags | v1->flags | v2->flags | v->flags) & GL_VX_CLIPPED;
    if (orCodes) {
        if (v0->flags & v1->flags & v2->flags & v->flags & GL_VX_CLIPPED) return;
        GlVertex* q[4] = {v0, v1, v, v2};
        __glRenderPolygon(gc, q, 4, orCodes);
        return;
    }
    __glQuadStripTriangles(gc, v0, v1, v2, v);
}

void __glQuadStripTriangles(GlContext* gc, GlVertex* v0, GlVertex* v1, GlVertex* v2, GlVertex* v3) {
    v1->edgeFlag = 0;
    gc->procs.renderTriangle(gc, v2, v0, v1);
    v2->edgeFlag = 0, v1->edgeFlag = 1;
    gc->procs.renderTriangle(gc, v2, v1, v3);
    v2->edgeFlag = 1;
}
static void GLPROC quadStripVertex2(GlContext* gc, GlVertex* v) {
    v->edgeFlag = 1;
    gc->savedVertex0 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = quadStripVertex3;
    gc->procs.clipPrimitiveVertices = completeSaved012;
}
static void GLPROC quadStripVertex1(GlContext* gc, GlVertex* v) {
    v->edgeFlag = 1;
    gc->savedVertex1 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = quadStripVertex2;
}
static void GLPROC quadStripVertex0(GlContext* gc, GlVertex* v) {
    v->edgeFlag = 1;
    gc->savedVertex2 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = quadStripVertex1;
}
extern "C" void GLPROC __glBeginQuadStrip(GlContext* gc) { beginFilled(gc, quadStripVertex0); }

// A polygon is a fan around its first vertex: each vertex after the second
// makes the triangle (first, previous, new). It is handed on when the next
// vertex shows that the new one does not close the polygon, so that only
// boundary edges keep their flags: the first vertex's in the first triangle,
// the new vertex's in the closing one. Records 1 to 3 take turns.
static void polygonTriangle(GlContext* gc, GlVertex* prev, GlVertex* n, bool firstTriangle, bool closing) {
    GlVertex* first = gc->vertexBuffer;
    gc->provokingVertex = first;
    const uint8_t ff = first->edgeFlag, fn = n->edgeFlag;
    if (!firstTriangle) first->edgeFlag = 0;
    if (!closing) n->edgeFlag = 0;
    emitTriangle(gc, first, prev, n);
    first->edgeFlag = ff, n->edgeFlag = fn;
}
static void GLPROC completePolygonVertices(GlContext* gc) {
    completeFanVertices(gc);
    __glCompleteVertex(gc, gc->savedVertex1, gc->pendingNeeds);
}
// savedVertex1 and savedVertex0: the pending triangle's previous and new vertex.
static void polygonNext(GlContext* gc, GlVertex* v, bool firstTriangle) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    polygonTriangle(gc, gc->savedVertex1, gc->savedVertex0, firstTriangle, false);
    gc->vertexPointer = gc->savedVertex1;
    gc->savedVertex1 = gc->savedVertex0;
    gc->savedVertex0 = v;
}
static void GLPROC polygonVertexN(GlContext* gc, GlVertex* v) { polygonNext(gc, v, false); }
static void GLPROC polygonVertex3(GlContext* gc, GlVertex* v) {
    polygonNext(gc, v, true);
    gc->procs.primitiveVertex = polygonVertexN;
}
static void GLPROC polygonVertex2(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->savedVertex1 = gc->savedVertex0;
    gc->savedVertex0 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = polygonVertex3;
    gc->procs.clipPrimitiveVertices = completePolygonVertices;
}
static void GLPROC polygonVertex1(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->savedVertex0 = v;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = polygonVertex2;
}
static void GLPROC polygonVertex0(GlContext* gc, GlVertex* v) {
    v->edgeFlag = (uint8_t)gc->current.edgeFlag;
    gc->vertexPointer = v + 1;
    gc->procs.primitiveVertex = polygonVertex1;
}
static void GLPROC endPolygon(GlContext* gc) {
    const GlVertexProc next = gc->procs.primitiveVertex;
    if (next == polygonVertex3 || next == polygonVertexN)
        polygonTriangle(gc, gc->savedVertex1, gc->savedVertex0, next == polygonVertex3, true);
    __glEndPrimitive(gc);
}
extern "C" void GLPROC __glBeginPolygon(GlContext* gc) {
    beginFilled(gc, polygonVertex0);
    gc->lineResetPending = 0;
    gc->procs.endPrimitive = endPolygon;
}

// ---- Render-mode procedures before the rasterizer lands.

extern "C" void GLPROC __glEmptyTriangleProc(GlContext*, GlVertex*, GlVertex*, GlVertex*) {}
extern "C" void GLPROC __glEmptyLineProc(GlContext*, GlVertex*, GlVertex*) {}
extern "C" void GLPROC __glEmptyPointProc(GlContext*, GlVertex*) {}
extern "C" void GLPROC __glRenderPointProc(GlContext* gc, GlVertex* v) {
    if (v->flags & GL_VX_CLIPPED) return;
    __glCompleteVertex(gc, v, gc->frontNeeds);
    gc->procs.drawPoint(gc, v);
}

// Face of a triangle in window coordinates: 0 front, 1 back.
extern "C" GLuint GLPROC __glTriangleFace(GlContext* gc, const GlVertex* a, const GlVertex* b, const GlVertex* c) {
    const GLfloat area = (a->window[0] - c->window[0]) * (b->window[1] - c->window[1]) -
                         (b->window[0] - c->window[0]) * (a->window[1] - c->window[1]);
    // Rows that run top-down mirror the orientation.
    const bool ccw = gc->yInverted ? area < 0.0f : area >= 0.0f;
    return ccw ? gc->ccwFront : gc->cwFront;
}

// Colour pointers of a triangle's vertices for its face; completion for what
// rasterization needs. Flat shading shows the provoking vertex's colour.
static void faceColors(GlContext* gc, GlVertex** v, GLuint face, bool allProvoking) {
    const GLuint colorFace = gc->twoSided ? face : 0;
    const GLuint needs = gc->faceNeeds[colorFace];
    if (!gc->smoothShading) {
        GlVertex* p = gc->provokingVertex;
        GLfloat* col = colorFace ? p->backColor : p->frontColor;
        p->color = col;
        __glCompleteVertex(gc, p, needs & 0x1B);
        for (int i = 0; i < 3; i++) {
            if (allProvoking) v[i]->color = col;
            __glCompleteVertex(gc, v[i], gc->triangleNeeds);
        }
    } else {
        for (int i = 0; i < 3; i++) {
            v[i]->color = colorFace ? v[i]->backColor : v[i]->frontColor;
            __glCompleteVertex(gc, v[i], gc->triangleNeeds | needs);
        }
    }
}
static void restoreColors(GlContext* gc, GlVertex** v) {
    for (int i = 0; i < 3; i++) v[i]->color = v[i]->frontColor;
    if (gc->provokingVertex) gc->provokingVertex->color = gc->provokingVertex->frontColor;
}

// Sorts a triangle by window y into s (A, B, C) and stores twice its signed
// area and the edge deltas for the set-up; false for a zero area.
static bool sortTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c, GlVertex** s) {
    s[0] = a, s[1] = b, s[2] = c;
    if (s[0]->window[1] > s[1]->window[1]) std::swap(s[0], s[1]);
    if (s[1]->window[1] > s[2]->window[1]) std::swap(s[1], s[2]);
    if (s[0]->window[1] > s[1]->window[1]) std::swap(s[0], s[1]);
    GlSpanState* sp = &gc->span;
    sp->dxAC = s[0]->window[0] - s[2]->window[0];
    sp->dxBC = s[1]->window[0] - s[2]->window[0];
    sp->dyAC = s[0]->window[1] - s[2]->window[1];
    sp->dyBC = s[1]->window[1] - s[2]->window[1];
    sp->area = sp->dxAC * sp->dyBC - sp->dxBC * sp->dyAC;
    return sp->area != 0.0f;
}

// Filled triangles: sorted by window y, zero area dropped, culled by face,
// then handed to the rasterizer's set-up.
static void fillTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    GlVertex* s[3];
    if (!sortTriangle(gc, a, b, c, s)) return;
    const GLuint face = __glTriangleFace(gc, a, b, c);
    if (face == gc->cullFaceCode) return;
    GlVertex* v[3] = {a, b, c};
    faceColors(gc, v, face, false);
    gc->procs.setupTriangle(gc, s[0], s[1], s[2], gc->span.area > 0.0f);
    restoreColors(gc, v);
}
extern "C" void GLPROC __glFillTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) { fillTriangle(gc, a, b, c); }
extern "C" void GLPROC __glFillTriangleReuseEdge(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    fillTriangle(gc, a, b, c);
}

// Polygon modes other than fill: points and edges through drawPoint and
// drawLine; a zero-area triangle still draws them.
extern "C" void GLPROC __glPolygonModeTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    const GLuint face = __glTriangleFace(gc, a, b, c);
    if (face == gc->cullFaceCode) return;
    const GLuint mode = face ? gc->polygonModeBack : gc->polygonModeFront;
    GlVertex* v[3] = {a, b, c};
    faceColors(gc, v, face, true);
    // Outlines and vertices take the polygon's offset under their own switch.
    const GLuint offsetSwitch = mode == 0 ? GL_EN_POLYGON_OFFSET_POINT : GL_EN_POLYGON_OFFSET_LINE;
    if (mode != 2 && (gc->enables.general & offsetSwitch)) gc->span.primitiveOffset = __glPolygonOffsetOf(gc, a, b, c);
    if (mode == 0) {
        for (int i = 0; i < 3; i++)
            if (v[i]->edgeFlag) gc->procs.drawPoint(gc, v[i]);
    } else if (mode == 1) {
        for (int i = 0; i < 3; i++)
            if (v[i]->edgeFlag) gc->procs.drawLine(gc, v[i], v[(i + 1) % 3]);
    } else {
        GlVertex* s[3];
        if (sortTriangle(gc, a, b, c, s)) gc->procs.setupTriangle(gc, s[0], s[1], s[2], gc->span.area > 0.0f);
    }
    gc->span.primitiveOffset = 0.0;
    restoreColors(gc, v);
}
