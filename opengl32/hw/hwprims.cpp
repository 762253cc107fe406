// Hardware primitives: triangles, lines and points culled and coloured in
// software where the board cannot, then handed to the library as its
// vertex records (built on the stack, one call at a time).

#include <math.h>
#include "hwcontext.h"
#include "ravix2x.h"
#include "core/pickers.h"
#include "geometry/geometry.h"

// The pipeline vertex holds window x and y plus the bias and 0.5, as in
// software; the library puts pixel centres at +0.5, so the half comes off
// (exactly: the bias keeps x and y on 1/16 pixel). z in 0-65535 and colours in
// 0-255 go unchanged. Texture s and t (over q, or over w when divided) are
// scaled to the board's 0-256 along the texture's longer side.
static inline void libraryVertex(RvVertex* r, const GlVertex* v, const GLfloat* color, GlContext* gc) {
    const GlHwContext* hw = __glHw(gc);
    r->x = v->window[0] - gc->constants.half;
    r->y = v->window[1] - gc->constants.half;
    r->r = color[0];
    r->g = color[1];
    r->b = color[2];
    r->ooz = v->window[2];
    r->a = color[3];
    r->oow = v->texCoord[3];
    r->sow = v->texCoord[0] * hw->hwTexScaleS;
    r->tow = v->texCoord[1] * hw->hwTexScaleT;
}

// Runs draw for the board buffer the draw buffer names; GL_FRONT_AND_BACK
// draws the front buffer without depth writes, then the back one, so that both
// test the same depths.
template <class Draw>
static inline void boardDraw(GlContext* gc, Draw draw) {
    if (gc->colorBuffer.drawBuffer != GL_FRONT_AND_BACK || __glHw(gc)->hwBoardBuffers != 2) return draw();
    const bool writes = (gc->enables.general & GL_EN_DEPTH_TEST) && gc->depth.writeMask;
    rvRenderBuffer(RV_BUFFER_FRONT);
    if (writes) rvDepthMask(0);
    draw();
    rvRenderBuffer(RV_BUFFER_BACK);
    if (writes) rvDepthMask(1);
    draw();
}

static inline GLfloat signedArea(const RvVertex* a, const RvVertex* b, const RvVertex* c) {
    return (b->y - c->y) * (a->x - c->x) - (a->y - c->y) * (b->x - c->x);
}

// A quad q0..q3 in order around its edge, as two triangles wound so that the
// library's culling keeps them; antialiased on the outer edges only.
static void submitQuad(GlContext* gc, RvVertex* q, bool antialiased) {
    const GLint cull = __glHwCullCode(gc);
    const GLfloat area = signedArea(&q[0], &q[1], &q[2]);
    const bool reverse = (cull == RV_CULL_NEGATIVE && area < 0.0f) || (cull == RV_CULL_POSITIVE && area > 0.0f);
    boardDraw(gc, [&] {
        if (!antialiased) {
            if (reverse) rvDrawTriangle(&q[2], &q[1], &q[0]), rvDrawTriangle(&q[3], &q[2], &q[0]);
            else rvDrawTriangle(&q[0], &q[1], &q[2]), rvDrawTriangle(&q[0], &q[2], &q[3]);
        } else if (reverse) {
            rvAADrawTriangle(&q[2], &q[1], &q[0], 1, 1, 0), rvAADrawTriangle(&q[3], &q[2], &q[0], 1, 0, 1);
        } else {
            rvAADrawTriangle(&q[0], &q[1], &q[2], 1, 1, 0), rvAADrawTriangle(&q[0], &q[2], &q[3], 0, 1, 1);
        }
    });
}

// ---- Triangles.

// Colour pointers of a, b, c for the colour side (0 front, 1 back) and the
// completion of what that side needs; flat shading shows the provoking vertex.
static void sideColors(GlContext* gc, GlVertex** v, GLuint side) {
    const GLuint needs = gc->faceNeeds[side];
    if (gc->smoothShading) {
        for (int i = 0; i < 3; i++) {
            v[i]->color = side ? v[i]->backColor : v[i]->frontColor;
            __glCompleteVertex(gc, v[i], gc->triangleNeeds | needs);
        }
        return;
    }
    GlVertex* p = gc->provokingVertex;
    GLfloat* color = side ? p->backColor : p->frontColor;
    p->color = color;
    __glCompleteVertex(gc, p, needs & 0x1B);
    for (int i = 0; i < 3; i++) {
        v[i]->color = color;
        __glCompleteVertex(gc, v[i], gc->triangleNeeds);
    }
}

static void frontColors(GlContext* gc, GlVertex** v) {
    for (int i = 0; i < 3; i++) v[i]->color = v[i]->frontColor;
    if (gc->provokingVertex) gc->provokingVertex->color = gc->provokingVertex->frontColor;
}

static void submitTriangle(GlContext* gc, GlVertex** v) {
    RvVertex r[3];
    for (int i = 0; i < 3; i++) libraryVertex(&r[i], v[i], v[i]->color, gc);
    const bool smooth = (gc->enables.general & GL_EN_POLYGON_SMOOTH) != 0;
    boardDraw(gc, [&] {
        if (smooth) rvAADrawTriangle(&r[0], &r[1], &r[2], 1, 1, 1);
        else rvDrawTriangle(&r[0], &r[1], &r[2]);
    });
}

// Polygon modes other than fill on either face: culled here, by signed area.
static void GLPROC hwTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    const GLuint face = __glTriangleFace(gc, a, b, c);
    if (face == gc->cullFaceCode) return;
    GlVertex* v[3] = {a, b, c};
    sideColors(gc, v, gc->twoSided ? face : 0);
    switch (face ? gc->polygonModeBack : gc->polygonModeFront) {
    case 0:
        for (int i = 0; i < 3; i++)
            if (v[i]->edgeFlag) gc->procs.drawPoint(gc, v[i]);
        break;
    case 1:
        for (int i = 0; i < 3; i++)
            if (v[i]->edgeFlag) gc->procs.drawLine(gc, v[i], v[(i + 1) % 3]);
        break;
    default: submitTriangle(gc, v); break;
    }
    frontColors(gc, v);
}

// Filled, one-sided: the library culls.
static void GLPROC hwTriangleFill(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    GlVertex* v[3] = {a, b, c};
    sideColors(gc, v, 0);
    submitTriangle(gc, v);
    frontColors(gc, v);
}

// Filled, two-sided lighting: the face picks the colours, so culling is here;
// a zero area has no face and is dropped.
static void GLPROC hwTriangleFillTwoSided(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    const GLfloat area = (b->window[1] - c->window[1]) * (a->window[0] - c->window[0]) -
                         (a->window[1] - c->window[1]) * (b->window[0] - c->window[0]);
    if (area == 0.0f) return;
    const GLuint face = __glTriangleFace(gc, a, b, c);
    if (face == gc->cullFaceCode) return;
    GlVertex* v[3] = {a, b, c};
    sideColors(gc, v, face);
    submitTriangle(gc, v);
    frontColors(gc, v);
}

extern "C" void GLPROC __glHwPickCullAndFillProcs(GlContext* gc) {
    __glPickCullAndFillProcs(gc);  // face bytes; feedback, selection, both faces culled
    if (gc->renderMode != GL_RENDER || gc->cullFaceCode == 3) return;
    GlContextProcs* p = &gc->procs;
    if (gc->polygonModeFront != 2 || gc->polygonModeBack != 2) p->renderTriangle = hwTriangle;
    else p->renderTriangle = gc->twoSided ? hwTriangleFillTwoSided : hwTriangleFill;
}

// ---- Lines: flat shading gives both ends the colour of b.

static void lineEnds(GlContext* gc, const GlVertex* a, const GlVertex* b, RvVertex* ra, RvVertex* rb) {
    libraryVertex(ra, a, gc->smoothShading ? a->color : b->color, gc);
    libraryVertex(rb, b, b->color, gc);
}

static void GLPROC hwLine(GlContext* gc, GlVertex* a, GlVertex* b) {
    RvVertex r[2];
    lineEnds(gc, a, b, &r[0], &r[1]);
    boardDraw(gc, [&] { rvDrawLine(&r[0], &r[1]); });
}

static void GLPROC hwLineSmooth(GlContext* gc, GlVertex* a, GlVertex* b) {
    RvVertex r[2];
    lineEnds(gc, a, b, &r[0], &r[1]);
    boardDraw(gc, [&] { rvAADrawLine(&r[0], &r[1]); });
}

// A wide line as a quad: half the integer width either side of the major
// axis; antialiased, half the width along the line's normal, alpha 255.
static void wideLine(GlContext* gc, GlVertex* a, GlVertex* b, bool antialiased) {
    RvVertex ends[2];
    lineEnds(gc, a, b, &ends[0], &ends[1]);
    const GLfloat dx = ends[1].x - ends[0].x, dy = ends[1].y - ends[0].y;
    GLfloat ox = 0.0f, oy = 0.0f;
    const GLfloat most = gc->limits.lineWidthMax;  // the widths beyond draw as the widest
    if (antialiased) {
        const GLfloat length = sqrtf(dx * dx + dy * dy);
        if (length == 0.0f) return;
        const GLfloat h = (gc->line.width < most ? gc->line.width : most) * 0.5f;
        ox = -dy / length * h, oy = dx / length * h;
        ends[0].a = ends[1].a = 255.0f;
    } else {
        const GLint w = gc->line.widthInteger;
        const GLfloat h = ((GLfloat)w < most ? (GLfloat)w : (GLfloat)(GLint)(most + 0.5f)) * 0.5f;
        if (fabsf(dx) > fabsf(dy)) oy = h;
        else ox = h;
    }
    RvVertex q[4] = {ends[0], ends[0], ends[1], ends[1]};
    q[0].x -= ox, q[0].y -= oy;
    q[1].x += ox, q[1].y += oy;
    q[2].x += ox, q[2].y += oy;
    q[3].x -= ox, q[3].y -= oy;
    submitQuad(gc, q, antialiased);
}

static void GLPROC hwWideLine(GlContext* gc, GlVertex* a, GlVertex* b) { wideLine(gc, a, b, false); }
static void GLPROC hwWideLineSmooth(GlContext* gc, GlVertex* a, GlVertex* b) { wideLine(gc, a, b, true); }

extern "C" void GLPROC __glHwPickLineProcs(GlContext* gc) {
    __glPickLineProcs(gc);  // strip procedures, feedback and selection
    if (gc->renderMode != GL_RENDER) return;
    GlContextProcs* p = &gc->procs;
    if (gc->enables.general & GL_EN_LINE_SMOOTH) p->drawLine = gc->line.width == 1.0f ? hwLineSmooth : hwWideLineSmooth;
    else p->drawLine = gc->line.widthInteger == 1 ? hwLine : hwWideLine;
    p->drawLineWrapped = p->drawLine;
}

// ---- Points: the vertex's own colour and texture fields.

static void GLPROC hwPoint(GlContext* gc, GlVertex* v) {
    RvVertex r;
    libraryVertex(&r, v, v->color, gc);
    boardDraw(gc, [&] { rvDrawPoint(&r); });
}

static void GLPROC hwPointSmooth(GlContext* gc, GlVertex* v) {
    RvVertex r;
    libraryVertex(&r, v, v->color, gc);
    boardDraw(gc, [&] { rvAADrawPoint(&r); });
}

// A point size limited to the supported range; 0 for none.
static GLfloat boardPointSize(const GlContext* gc, GLfloat size) {
    if (!(size > 0.0f)) return 0.0f;
    return size < gc->limits.pointSizeMax ? size : gc->limits.pointSizeMax;
}

// The centre lies where the board can draw (its vertex bias, 8192 pixels
// either way): tested before any conversion, not-a-number fails.
static bool boardReach(const RvVertex* r) {
    const GLfloat x = r->x - RV_VERTEX_BIAS, y = r->y - RV_VERTEX_BIAS;
    return x > -8192.0f && x < 8192.0f && y > -8192.0f && y < 8192.0f;
}

// A square of the integer size S on whole pixels: an odd size centred on the
// pixel the centre lies in, an even one on the pixel corner nearest to it (the
// board's x and y are positive: truncation floors).
static void GLPROC hwWidePoint(GlContext* gc, GlVertex* v) {
    RvVertex r;
    libraryVertex(&r, v, v->color, gc);
    if (!boardReach(&r)) return;
    const GLint size = (GLint)(boardPointSize(gc, (GLfloat)gc->point.sizeInteger) + 0.5f), h = size >> 1;
    if (size < 1) return;
    const GLfloat shift = (size & 1) ? 0.0f : 0.5f;
    const GLint left = (GLint)(r.x + shift) - h, bottom = (GLint)(r.y + shift) - h;
    RvVertex q[4] = {r, r, r, r};
    q[0].x = q[1].x = (GLfloat)left;
    q[2].x = q[3].x = (GLfloat)(left + size);
    q[0].y = q[3].y = (GLfloat)bottom;
    q[1].y = q[2].y = (GLfloat)(bottom + size);
    submitQuad(gc, q, false);
}

// An antialiased disc: a fan of int(4r + 0.5) triangles, only the rim edges
// antialiased, wound so that the library's culling keeps them.
static void GLPROC hwWidePointSmooth(GlContext* gc, GlVertex* v) {
    RvVertex centre;
    libraryVertex(&centre, v, v->color, gc);
    if (!boardReach(&centre)) return;
    const GLfloat radius = boardPointSize(gc, gc->point.size) * 0.5f;
    const GLint n = (GLint)(radius * 4.0f + 0.5f);
    if (n < 1) return;
    const GLint cull = __glHwCullCode(gc);
    RvVertex prev = centre, cur = centre;
    prev.x += radius;
    for (GLint i = 1; i <= n; i++) {
        const GLfloat a = 6.28318531f * (GLfloat)i / (GLfloat)n;
        cur.x = centre.x + radius * cosf(a);
        cur.y = centre.y + radius * sinf(a);
        const GLfloat area = signedArea(&centre, &prev, &cur);
        const bool reverse = (cull == RV_CULL_NEGATIVE && area < 0.0f) || (cull == RV_CULL_POSITIVE && area > 0.0f);
        boardDraw(gc, [&] {
            if (reverse) rvAADrawTriangle(&centre, &cur, &prev, 0, 1, 0);
            else rvAADrawTriangle(&centre, &prev, &cur, 0, 1, 0);
        });
        prev = cur;
    }
}

extern "C" void GLPROC __glHwPickPointProcs(GlContext* gc) {
    __glPickPointProcs(gc);  // render procedure, feedback and selection
    if (gc->renderMode != GL_RENDER) return;
    GlContextProcs* p = &gc->procs;
    if (gc->enables.general & GL_EN_POINT_SMOOTH) p->drawPoint = gc->point.size == 1.0f ? hwPointSmooth : hwWidePointSmooth;
    else p->drawPoint = gc->point.sizeInteger == 1 ? hwPoint : hwWidePoint;
    p->drawPointWrapped = p->drawPoint;
}
