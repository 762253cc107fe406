// Fast pixel paths of software contexts: glDrawPixels and glReadPixels of
// unsigned-byte images at zoom (+-1, +-1) without pixel transfer or fragment
// operations move whole rows between client memory and the colour buffer.
//
// The packing tables are built by the generic path's own steps (the byte to
// float table, the colour scales and the fragment store's packing; the read
// side's transfer and pack procedures), so both paths give the same bytes.

#include <math.h>
#include <string.h>
#include "core/stateutil.h"
#include "raster/fragment.h"
#include "pixel.h"

namespace {

// Byte positions of red, green, blue and alpha (-1: none) in a client pixel.
struct Order {
    GLenum format;
    int8_t component[4];
    int8_t size;
};
constexpr Order kOrders[] = {
    {GL_RGBA, {0, 1, 2, 3}, 4},      {GL_RGB, {0, 1, 2, -1}, 3},      {GL_BGRA_EXT, {2, 1, 0, 3}, 4},
    {GL_BGR_EXT, {2, 1, 0, -1}, 3},  {GL_ABGR_EXT, {3, 2, 1, 0}, 4},
};
constexpr int kOrderCount = sizeof kOrders / sizeof kOrders[0];
enum { ORDER_RGBA, ORDER_RGB, ORDER_BGRA, ORDER_BGR, ORDER_ABGR };

int orderOf(GLenum format) {
    for (int i = 0; i < kOrderCount; i++)
        if (kOrders[i].format == format) return i;
    return -1;
}

template <int N>
inline void storeBytes(uint8_t* p, GLuint v) {
    if (N == 1) *p = (uint8_t)v;
    if (N == 2) {
        const uint16_t h = (uint16_t)v;
        memcpy(p, &h, 2);
    }
    if (N == 3) {
        const uint16_t h = (uint16_t)v;
        memcpy(p, &h, 2);
        p[2] = (uint8_t)(v >> 16);
    }
    if (N == 4) memcpy(p, &v, 4);
}
template <int N>
inline GLuint loadBytes(const uint8_t* p) {
    if (N == 2) {
        uint16_t h;
        memcpy(&h, p, 2);
        return h;
    }
    if (N == 3) {
        uint16_t h;
        memcpy(&h, p, 2);
        return (GLuint)h | (GLuint)p[2] << 16;
    }
    GLuint w;
    memcpy(&w, p, 4);
    return w;
}

// What the tables of a colour buffer depend on.
struct BufferKey {
    GLuint mask[4], shift[4], maximum[4], scale[4], extra;
    bool operator==(const BufferKey& o) const { return memcmp(this, &o, sizeof *this) == 0; }
};

BufferKey keyOf(const GlColorBuffer* cb, const GLfloat* scales, GLuint extra) {
    BufferKey k;
    for (int i = 0; i < 4; i++) {
        k.mask[i] = cb->mask[i], k.shift[i] = cb->shift[i], k.maximum[i] = cb->maximum[i];
        k.scale[i] = __glFloatBits(scales[i]);
    }
    k.extra = extra;
    return k;
}

// ---- Draw.

// Packed fields of each component byte per dither cell ((y & 3) * 4 + (x & 3);
// cell 0 alone without dither), and the packed alpha of 1.0 for formats
// without alpha.
struct DrawTables {
    BufferKey key;
    GLuint alphaOne[16];
    GLuint entry[16][4][256];
};

const DrawTables* drawTables(GlContext* gc, const GlColorBuffer* cb, bool dither) {
    GlPixelTransferTables* pt = &gc->pixel.tables;
    const GLfloat* scales = __glColorScales(gc);
    const BufferKey key = keyOf(cb, scales, dither);
    DrawTables* t = (DrawTables*)pt->fastDraw;
    if (t && t->key == key) return t;
    if (!t) t = (DrawTables*)gc->imports.alloc(gc, sizeof(DrawTables));
    if (!t) return nullptr;
    pt->fastDraw = t;
    t->key = key;
    const GLfloat* toFloat = gc->constants.ubyteToFloat;
    for (int cell = 0; cell < (dither ? 16 : 1); cell++) {
        const GLfloat offset = dither ? __glDitherOffset(cell & 3, cell >> 2) : 0.5f;
        for (int k = 0; k < 4; k++)
            for (int i = 0; i < 256; i++) {
                GLfloat c[4] = {0.0f, 0.0f, 0.0f, 0.0f};
                c[k] = toFloat[i] * scales[k];
                t->entry[cell][k][i] = __glDibPackColor(cb, c, offset);
            }
        const GLfloat one[4] = {0.0f, 0.0f, 0.0f, 1.0f * scales[3]};
        t->alphaOne[cell] = __glDibPackColor(cb, one, offset);
    }
    return t;
}

// One drawn rectangle: client rows in, buffer rows out; pass: non-zero for
// each alpha byte whose fragment passes the alpha test.
struct DrawRun {
    const uint8_t* src;
    ptrdiff_t srcStride;
    uint8_t* dst;
    ptrdiff_t dstStride;
    GLint x, y;    // biased buffer position of the first pixel
    GLint dx, dy;  // +-1 per pixel and per row
    GLint width, rows;
    const DrawTables* tables;
    const uint8_t* pass;
};
typedef void (*DrawRows)(const DrawRun* r);

// The packed pixel of client pixel s through the tables of one dither cell.
template <int O, bool Alpha>
inline GLuint packPixel(const GLuint* t, GLuint one, const uint8_t* s) {
    constexpr Order o = kOrders[O];
    constexpr int R = o.component[0], G = o.component[1], B = o.component[2], A = o.component[3];
    GLuint v = t[s[R]] | t[256 + s[G]] | t[512 + s[B]];
    if (Alpha) v |= A >= 0 ? t[768 + s[A >= 0 ? A : 0]] : one;
    return v;
}

// Whether client pixel s passes the alpha test (Test: the order has alpha).
template <int O, bool Test>
inline bool passes(const uint8_t* pass, const uint8_t* s) {
    constexpr int A = kOrders[O].component[3];
    return !Test || pass[s[A >= 0 ? A : 0]];
}

template <int N, int O, bool Alpha, bool Test>
inline void drawPixel(const GLuint* t, GLuint one, const uint8_t* pass, const uint8_t* s, uint8_t* d) {
    if (passes<O, Test>(pass, s)) storeBytes<N>(d, packPixel<O, Alpha>(t, one, s));
}

// Pixels i .. i + 3 of a dithered row from dither column c on, in the
// direction Dx: the cells are constants.
template <int N, int O, bool Alpha, bool Test, int Dx>
inline void drawFour(const GLuint* cells, const GLuint* ones, const uint8_t* pass, const uint8_t* s, uint8_t* d) {
    constexpr int S = kOrders[O].size, c0 = Dx > 0 ? 0 : 3, c1 = c0 + Dx, c2 = c1 + Dx, c3 = c2 + Dx;
    drawPixel<N, O, Alpha, Test>(cells + (c0 << 10), ones[c0], pass, s, d);
    drawPixel<N, O, Alpha, Test>(cells + (c1 << 10), ones[c1], pass, s + S, d + Dx * N);
    drawPixel<N, O, Alpha, Test>(cells + (c2 << 10), ones[c2], pass, s + 2 * S, d + 2 * Dx * N);
    drawPixel<N, O, Alpha, Test>(cells + (c3 << 10), ones[c3], pass, s + 3 * S, d + 3 * Dx * N);
}

template <int N, int O, bool Alpha, bool Test, int Dx>
void drawDitheredRow(const GLuint* cells, const GLuint* ones, const uint8_t* pass, const uint8_t* s, uint8_t* d,
                     GLint x, GLint n) {
    constexpr int S = kOrders[O].size;
    // Up to the first pixel of a whole group of four cells.
    for (; n > 0 && (x & 3) != (Dx > 0 ? 0 : 3); n--, x += Dx, s += S, d += Dx * N)
        drawPixel<N, O, Alpha, Test>(cells + ((x & 3) << 10), ones[x & 3], pass, s, d);
    for (; n >= 4; n -= 4, s += 4 * S, d += 4 * Dx * N) drawFour<N, O, Alpha, Test, Dx>(cells, ones, pass, s, d);
    for (x = Dx > 0 ? 0 : 3; n > 0; n--, x += Dx, s += S, d += Dx * N)
        drawPixel<N, O, Alpha, Test>(cells + (x << 10), ones[x], pass, s, d);
}

template <int N, int O, bool Dither, bool Alpha, bool Test>
void drawRows(const DrawRun* r) {
    constexpr int S = kOrders[O].size;
    const uint8_t* src = r->src;
    uint8_t* dst = r->dst;
    const ptrdiff_t step = (ptrdiff_t)r->dx * N;
    GLint y = r->y;
    for (GLint row = 0; row < r->rows; row++, src += r->srcStride, dst += r->dstStride, y += r->dy) {
        const GLuint* cells = &r->tables->entry[Dither ? (y & 3) * 4 : 0][0][0];
        const GLuint* ones = &r->tables->alphaOne[Dither ? (y & 3) * 4 : 0];
        if (Dither) {
            if (r->dx > 0) drawDitheredRow<N, O, Alpha, Test, 1>(cells, ones, r->pass, src, dst, r->x, r->width);
            else drawDitheredRow<N, O, Alpha, Test, -1>(cells, ones, r->pass, src, dst, r->x, r->width);
            continue;
        }
        const uint8_t* s = src;
        uint8_t* d = dst;
        for (GLint i = 0; i < r->width; i++, s += S, d += step) drawPixel<N, O, Alpha, Test>(cells, ones[0], r->pass, s, d);
    }
}

// The 16-bit rows of RGB bytes, packed and dithered, and of four-byte orders
// under the alpha test (the orders of GL_RGBA, GL_BGRA_EXT, GL_ABGR_EXT).
constexpr DrawRows __glDrawPixelsRowsPack16 = drawRows<2, ORDER_RGB, false, false, false>;
constexpr DrawRows __glDrawPixelsRowsPack16Scaled = drawRows<2, ORDER_RGB, true, false, false>;
template <int O>
constexpr DrawRows __glDrawPixelsRowsWide = drawRows<2, O, false, false, true>;

// 8-bit red, green, blue at bits 16, 8, 0 from RGBA or BGRA bytes, without
// alpha bits: a byte swap instead of the tables.
template <int N, int O>
void drawRowsSwapped(const DrawRun* r) {
    const uint8_t* src = r->src;
    uint8_t* dst = r->dst;
    const ptrdiff_t step = (ptrdiff_t)r->dx * N;
    for (GLint row = 0; row < r->rows; row++, src += r->srcStride, dst += r->dstStride) {
        const uint8_t* s = src;
        uint8_t* d = dst;
        for (GLint i = 0; i < r->width; i++, s += 4, d += step) {
            GLuint w;
            memcpy(&w, s, 4);
            storeBytes<N>(d, O == ORDER_RGBA ? __builtin_bswap32(w) >> 8 : w & 0xFFFFFFu);
        }
    }
}

// Colour-index bytes into an 8-bit index buffer: rows copied.
void GLPROC __glDrawPixelsRows8(const DrawRun* r) {
    const uint8_t* src = r->src;
    uint8_t* dst = r->dst;
    for (GLint row = 0; row < r->rows; row++, src += r->srcStride, dst += r->dstStride) {
        if (r->dx > 0) {
            memcpy(dst, src, (size_t)r->width);
            continue;
        }
        for (GLint i = 0; i < r->width; i++) dst[-i] = src[i];
    }
}

// Tables of a template P<bytes, order, dither, alpha bits, alpha test> by
// [bytes - 1][dither][alpha bits][alpha test][order]; the three-byte orders
// have no alpha to test.
#define ORDER_TABLE(P, N, D, A, T)                                                                    \
    {P<N, ORDER_RGBA, D, A, T>, P<N, ORDER_RGB, D, A, false>, P<N, ORDER_BGRA, D, A, T>,              \
     P<N, ORDER_BGR, D, A, false>, P<N, ORDER_ABGR, D, A, T>}
#define TEST_TABLE(P, N, D, A) {ORDER_TABLE(P, N, D, A, false), ORDER_TABLE(P, N, D, A, true)}
#define SIZE_TABLE(P, N) {{TEST_TABLE(P, N, false, false), TEST_TABLE(P, N, false, true)}, \
                          {TEST_TABLE(P, N, true, false), TEST_TABLE(P, N, true, true)}}
#define BUFFER_TABLE(P) {SIZE_TABLE(P, 1), SIZE_TABLE(P, 2), SIZE_TABLE(P, 3), SIZE_TABLE(P, 4)}
constexpr DrawRows kDrawRows[4][2][2][2][kOrderCount] = BUFFER_TABLE(drawRows);
static_assert(kDrawRows[1][0][0][0][ORDER_RGB] == __glDrawPixelsRowsPack16 &&
                  kDrawRows[1][1][0][0][ORDER_RGB] == __glDrawPixelsRowsPack16Scaled &&
                  kDrawRows[1][0][0][1][ORDER_RGBA] == __glDrawPixelsRowsWide<ORDER_RGBA> &&
                  kDrawRows[1][0][0][1][ORDER_BGRA] == __glDrawPixelsRowsWide<ORDER_BGRA> &&
                  kDrawRows[1][0][0][1][ORDER_ABGR] == __glDrawPixelsRowsWide<ORDER_ABGR>,
              "the 16-bit row procedures are the table's");

bool swappable(const GlColorBuffer* cb, int order) {
    return (order == ORDER_RGBA || order == ORDER_BGRA) && !cb->mask[3] && cb->mask[0] == 0xFF0000u &&
           cb->mask[1] == 0xFF00u && cb->mask[2] == 0xFFu;
}

// The table procedure, or the byte swap when the tables turn out to be the identity.
DrawRows pickDrawRows(const GlColorBuffer* cb, const DrawTables* t, int order, bool dither, bool test) {
    const GLuint n = cb->buf.elementSize;
    if (!dither && !test && n >= 3 && swappable(cb, order)) {
        bool identity = true;
        for (GLuint i = 0; i < 256 && identity; i++)
            identity = t->entry[0][0][i] == i << 16 && t->entry[0][1][i] == i << 8 && t->entry[0][2][i] == i;
        if (identity) {
            if (n == 4) return order == ORDER_RGBA ? drawRowsSwapped<4, ORDER_RGBA> : drawRowsSwapped<4, ORDER_BGRA>;
            return order == ORDER_RGBA ? drawRowsSwapped<3, ORDER_RGBA> : drawRowsSwapped<3, ORDER_BGRA>;
        }
    }
    return kDrawRows[n - 1][dither][cb->mask[3] != 0][test][order];
}

// ---- Zoomed draws: the row loops of the generic path with writers that store
// packed pixels straight into one colour buffer.

struct ZoomedDraw {
    GlPixelOpRecord op;  // first: the loops hand the writers this record
    GlColorBuffer* cb;
    const DrawTables* tables;
    const uint8_t* pass;
};

// The repeat counts of the band's source columns at |zoom x| > 1, else null
// (one column each).
inline const int16_t* repeats(const GlPixelOpRecord* op) {
    return op->zoomX > 1.0f || op->zoomX < -1.0f ? op->zoomTable : nullptr;
}

// Element i of the span on its columns (zoomTable[i] of them, or one) of each
// destination row; Test: the alpha test on the order's alpha.
template <int N, int O, bool Dither, bool Alpha, bool Test>
void GLPROC drawZoomed(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in) {
    constexpr int S = kOrders[O].size;
    const ZoomedDraw* z = (const ZoomedDraw*)op;
    const GlColorBuffer* cb = z->cb;
    const GlLimits* lim = &gc->limits;
    const int16_t* table = repeats(op);
    const GLint n = table ? op->width : op->columns, dx = op->stepX;
    for (GLint y = op->firstY; y < op->firstY + op->rowsLeft; y++) {
        const GLint row = __glBufferRow(gc, y);
        const GLuint* cells = &z->tables->entry[Dither ? (row & 3) * 4 : 0][0][0];
        const GLuint* ones = &z->tables->alphaOne[Dither ? (row & 3) * 4 : 0];
        uint8_t* d = cb->buf.base + (ptrdiff_t)(row - lim->windowBiasY) * cb->buf.stride +
                     (ptrdiff_t)(op->firstX - lim->windowBiasX) * N;
        const uint8_t* s = (const uint8_t*)in;
        for (GLint i = 0, x = op->firstX; i < n; i++, s += S) {
            const GLint count = table ? table[i] : 1;
            if (!passes<O, Test>(z->pass, s)) {
                x += dx * count, d += dx * count * N;
                continue;
            }
            if (!Dither) {
                const GLuint v = packPixel<O, Alpha>(cells, ones[0], s);
                for (GLint k = 0; k < count; k++, d += dx * N) storeBytes<N>(d, v);
                continue;
            }
            for (GLint k = 0; k < count; k++, x += dx, d += dx * N)
                storeBytes<N>(d, packPixel<O, Alpha>(cells + ((x & 3) << 10), ones[x & 3], s));
        }
    }
}

// Colour-index bytes into an 8-bit index buffer.
void GLPROC drawZoomedIndex8(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in) {
    const ZoomedDraw* z = (const ZoomedDraw*)op;
    const GlLimits* lim = &gc->limits;
    const int16_t* table = repeats(op);
    const GLint n = table ? op->width : op->columns, dx = op->stepX;
    for (GLint y = op->firstY; y < op->firstY + op->rowsLeft; y++) {
        uint8_t* d = z->cb->buf.base + (ptrdiff_t)(__glBufferRow(gc, y) - lim->windowBiasY) * z->cb->buf.stride +
                     (op->firstX - lim->windowBiasX);
        const uint8_t* s = (const uint8_t*)in;
        for (GLint i = 0; i < n; i++, s++)
            for (GLint k = 0, count = table ? table[i] : 1; k < count; k++, d += dx) *d = *s;
    }
}

constexpr GlPixelWriter kZoomedWriters[4][2][2][2][kOrderCount] = BUFFER_TABLE(drawZoomed);
#undef BUFFER_TABLE
#undef SIZE_TABLE
#undef TEST_TABLE
#undef ORDER_TABLE

// What the fast draws of this call store: the alpha test's verdict on each
// alpha byte (null without the test), or false when no fragment can pass.
bool alphaVerdicts(GlContext* gc, int order, uint8_t pass[256], const uint8_t** out) {
    *out = nullptr;
    if (!(gc->rasterFlags & GL_RF_ALPHA_TEST) || !gc->pixelFormat.rgba) return true;
    const GLfloat* toFloat = gc->constants.ubyteToFloat;
    const GLfloat scale = __glColorScales(gc)[3];
    // Orders without alpha draw 1.0, which passes or not for all.
    if (kOrders[order].component[3] < 0) return __glAlphaTestPasses(gc, 1.0f * scale);
    for (int i = 0; i < 256; i++) pass[i] = __glAlphaTestPasses(gc, toFloat[i] * scale);
    *out = pass;
    return true;
}

// Draws at any zoom other than (+-1, +-1) through the row loops; false when
// a table cannot be had.
bool drawZoomedRects(GlContext* gc, GlColorBuffer* const* targets, GLint count, GLsizei width, GLsizei height,
                     GLenum format, const GLvoid* pixels, int order, const uint8_t* pass) {
    const bool rgba = gc->pixelFormat.rgba != 0;
    for (GLint b = 0; b < count; b++) {
        ZoomedDraw z;
        if (!__glInitDrawPixelsRecord(gc, &z.op, width, height, format, GL_UNSIGNED_BYTE, pixels) ||
            !__glClipDrawPixels(gc, &z.op))
            return true;
        // Columns picked by the zoom table first, as packed client pixels.
        const GLint size = rgba ? kOrders[order].size : 1;
        z.op.passCount = fabsf(z.op.zoomX) < 1.0f ? 1 : 0;
        z.op.modifiers[0] = size == 4 ? __glSkipBytes4 : size == 3 ? __glSkipBytes3 : __glSkipBytes1;
        z.cb = targets[b];
        z.pass = pass;
        if (rgba) {
            const bool dither = (z.cb->flags & GL_CB_DITHER) != 0;
            z.tables = drawTables(gc, z.cb, dither);
            if (!z.tables) return false;
            z.op.writer = kZoomedWriters[z.cb->buf.elementSize - 1][dither][z.cb->mask[3] != 0][pass != nullptr][order];
        } else {
            z.op.writer = drawZoomedIndex8;
        }
        __glRunDrawPixels(gc, &z.op);
    }
    return true;
}

// Draws into the given buffers when no fragment operation but the alpha test
// applies; false when this state needs the generic procedure.
bool fastDraw(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    const GlPixelTransferState* tr = &gc->pixel.transfer;
    if (type != GL_UNSIGNED_BYTE || (gc->rasterFlags & GL_PIXEL_FRAGMENT_FLAGS & ~(GLuint)GL_RF_ALPHA_TEST))
        return false;
    if (__glPixelFragmentsTexFog(gc)) return false;
    const bool rgba = gc->pixelFormat.rgba != 0;
    const int order = orderOf(format);
    if (rgba ? order < 0 || !__glColorTransferPlain(tr)
             : format != GL_COLOR_INDEX || tr->mapColor || tr->indexShift || tr->indexOffset ||
                   (__glIndexMask(gc) & 0xFFu) != 0xFFu)
        return false;
    GlColorBuffer* targets[2];
    const GLint count = __glFragmentStoreTargets(gc, targets);
    if (count < 0) return false;
    for (GLint i = 0; i < count; i++)
        if (!__glDirectColorBuffer(targets[i], rgba)) return false;
    uint8_t verdicts[256];
    const uint8_t* pass;
    if (width <= 0 || height <= 0 || !pixels || count == 0 || !alphaVerdicts(gc, order, verdicts, &pass)) return true;
    const bool unit = (tr->zoomX == 1.0f || tr->zoomX == -1.0f) && (tr->zoomY == 1.0f || tr->zoomY == -1.0f);
    if (!unit) return drawZoomedRects(gc, targets, count, width, height, format, pixels, order, pass);

    GlImageLayout l;
    __glSetImageModes(&l, format, type, pixels, width, &gc->pixel.unpack);
    if (!__glLayoutImage(&l, width, height)) return true;
    GlUnitRect u;
    if (!__glUnitZoomRect(gc, width, height, gc->span.clipBox, &u)) return true;
    const GlLimits* lim = &gc->limits;
    for (GLint b = 0; b < count; b++) {
        GlColorBuffer* cb = targets[b];
        const GLint n = (GLint)cb->buf.elementSize;
        DrawRun run;
        run.src = l.firstPixel + (size_t)u.j0 * (size_t)l.rowStride + (size_t)u.i0 * (size_t)l.groupSize;
        run.srcStride = l.rowStride;
        run.dst = cb->buf.base + (ptrdiff_t)(u.y - lim->windowBiasY) * cb->buf.stride +
                  (ptrdiff_t)(u.x - lim->windowBiasX) * n;
        run.dstStride = (ptrdiff_t)u.dy * cb->buf.stride;
        run.x = u.x, run.y = u.y, run.dx = u.dx, run.dy = u.dy;
        run.width = (GLint)(u.i1 - u.i0), run.rows = (GLint)(u.j1 - u.j0);
        run.pass = pass;
        if (!rgba) {
            __glDrawPixelsRows8(&run);
            continue;
        }
        const bool dither = (cb->flags & GL_CB_DITHER) != 0;
        run.tables = drawTables(gc, cb, dither);
        if (!run.tables) return false;
        pickDrawRows(cb, run.tables, order, dither, pass != nullptr)(&run);
    }
    return true;
}

// ---- Read.

// Client bytes of a pixel: 16-bit pixels index `word` whole; wider pixels
// with byte-aligned 8-bit fields OR one entry per pixel byte (word[256 b + v]).
struct ReadTables {
    BufferKey key;
    GLuint alphaWord;  // the constant alpha of a buffer without alpha bits
    bool identity;     // the tables are the byte swap (or nothing) of drawRowsSwapped
    GLuint word[65536];
};

struct ReadRun {
    const uint8_t* src;
    ptrdiff_t srcStride;
    uint8_t* dst;
    ptrdiff_t dstStride;
    GLint width, rows;
    const ReadTables* tables;
};
typedef void (*ReadRows)(const ReadRun* r);

// Swap 1: 8-bit fields at 16, 8, 0 to RGBA bytes by a byte swap; 2: to BGRA
// bytes as they are; 0: through the tables.
template <int N, int S, int Swap>
void readRows(const ReadRun* r) {
    const uint8_t* src = r->src;
    uint8_t* dst = r->dst;
    const GLuint* word = r->tables->word;
    const GLuint alpha = r->tables->alphaWord;
    for (GLint row = 0; row < r->rows; row++, src += r->srcStride, dst += r->dstStride) {
        const uint8_t* s = src;
        uint8_t* d = dst;
        for (GLint i = 0; i < r->width; i++, s += N, d += S) {
            GLuint v;
            if (Swap == 1) v = __builtin_bswap32(loadBytes<N>(s) << 8) | alpha;
            else if (Swap == 2) v = (loadBytes<N>(s) & 0xFFFFFFu) | alpha;
            else if (N == 2) v = word[loadBytes<2>(s)];
            else {
                v = word[s[0]] | word[256 + s[1]] | word[512 + s[2]] | alpha;
                if (N == 4) v |= word[768 + s[3]];
            }
            storeBytes<S>(d, v);
        }
    }
}

// The client bytes of every value of each field, by the generic read steps:
// field value to float, the transfer, the pack.
bool fieldBytes(GlContext* gc, const GlColorBuffer* cb, int order, uint8_t out[4][256], bool fullAlpha) {
    GLfloat values[256 * 4];
    const GLfloat* inv = gc->constants.invColorScale;
    for (int v = 0; v < 256; v++)
        for (int k = 0; k < 4; k++) {
            const GLuint f = cb->mask[k] && !(fullAlpha && k == 3) ? (GLuint)v : cb->maximum[k];
            values[v * 4 + k] = (GLfloat)(f > cb->maximum[k] ? cb->maximum[k] : f) * inv[k];
        }
    __glTransferPixelSpan(gc, GL_PIXEL_KIND_RGBA, GL_PIXEL_KIND_RGBA, values, 256);
    GlImageLayout l;
    GlPixelStoreModes modes = {};
    modes.alignment = 1;
    uint8_t bytes[256 * 4];
    __glSetImageModes(&l, kOrders[order].format, GL_UNSIGNED_BYTE, bytes, 256, &modes);
    if (!__glLayoutImage(&l, 256, 1)) return false;
    __glPackPixelSpan(&l, GL_PIXEL_KIND_RGBA, values, 256, bytes, 0);
    const Order& o = kOrders[order];
    memset(out, 0, 4 * 256);
    for (int k = 0; k < 4; k++)
        if (o.component[k] >= 0)
            for (int v = 0; v < 256; v++) out[k][v] = bytes[v * o.size + o.component[k]];
    return true;
}

// Byte positions of a buffer's 8-bit fields: -1 when a field is not one whole byte.
int fieldByte(const GlColorBuffer* cb, int k) {
    return cb->mask[k] == 0xFFu << cb->shift[k] && cb->shift[k] % 8 == 0 ? (int)cb->shift[k] / 8 : -1;
}

// expand565: the buffer's 16-bit pixels are the board's 5-6-5, read as their
// fields widened to 8 bits (bits repeated), with alpha 255.
const ReadTables* readTables(GlContext* gc, const GlColorBuffer* cb, int order, bool expand565 = false) {
    GlPixelTransferTables* pt = &gc->pixel.tables;
    const BufferKey key = keyOf(cb, gc->constants.invColorScale, (GLuint)order | (GLuint)expand565 << 8);
    ReadTables* t = (ReadTables*)pt->fastRead;
    if (t && t->key == key) return t;
    const GLuint n = expand565 ? 2 : cb->buf.elementSize;
    for (int k = 0; k < 3 && n > 2; k++)
        if (fieldByte(cb, k) < 0) return nullptr;
    if (n > 2 && cb->mask[3] && fieldByte(cb, 3) < 0) return nullptr;
    uint8_t bytes[4][256];
    if (!fieldBytes(gc, cb, order, bytes, expand565)) return nullptr;
    if (!t) t = (ReadTables*)gc->imports.alloc(gc, sizeof(ReadTables));
    if (!t) return nullptr;
    pt->fastRead = t;
    t->key = key;
    const Order& o = kOrders[order];
    const bool alpha = o.component[3] >= 0;
    t->alphaWord = alpha && (!cb->mask[3] || expand565) ? (GLuint)bytes[3][0] << (8 * o.component[3]) : 0;
    if (expand565) {
        for (GLuint p = 0; p < 65536; p++) {
            const GLuint r = ((p >> 8) & 0xF8) | (p >> 13), g = ((p >> 3) & 0xFC) | ((p >> 9) & 3),
                         b = ((p << 3) & 0xF8) | ((p >> 2) & 7);
            t->word[p] = t->alphaWord | (GLuint)bytes[0][r] << (8 * o.component[0]) |
                         (GLuint)bytes[1][g] << (8 * o.component[1]) | (GLuint)bytes[2][b] << (8 * o.component[2]);
        }
        t->identity = false;
        return t;
    }
    if (n == 2) {
        // The fields' client bytes in place, by field value; then every pixel.
        GLuint field[4][256];
        for (int k = 0; k < 4; k++)
            for (GLuint v = 0; v < 256; v++)
                field[k][v] = o.component[k] >= 0 && cb->mask[k] ? (GLuint)bytes[k][v] << (8 * o.component[k]) : 0;
        const GLuint m0 = cb->mask[0], m1 = cb->mask[1], m2 = cb->mask[2], m3 = cb->mask[3] & 0xFFFFu;
        const GLuint s0 = cb->shift[0], s1 = cb->shift[1], s2 = cb->shift[2], s3 = cb->shift[3];
        for (GLuint p = 0; p < 65536; p++)
            t->word[p] = t->alphaWord | field[0][(p & m0) >> s0] | field[1][(p & m1) >> s1] |
                         field[2][(p & m2) >> s2] | field[3][(p & m3) >> s3];
        t->identity = false;
        return t;
    }
    memset(t->word, 0, 4 * 256 * sizeof(GLuint));
    for (int k = 0; k < 4; k++) {
        if (o.component[k] < 0 || !cb->mask[k]) continue;
        const int at = fieldByte(cb, k);
        for (GLuint v = 0; v < 256; v++) t->word[256 * at + v] = (GLuint)bytes[k][v] << (8 * o.component[k]);
    }
    bool identity = swappable(cb, order) && (!alpha || t->alphaWord == 0xFF000000u);
    for (GLuint v = 0; v < 256 && identity; v++)
        identity = order == ORDER_RGBA ? t->word[512 + v] == v && t->word[256 + v] == v << 8 && t->word[v] == v << 16
                                       : t->word[512 + v] == v << 16 && t->word[256 + v] == v << 8 && t->word[v] == v;
    t->identity = identity;
    return t;
}

ReadRows pickReadRows(GLuint n, int order, const ReadTables* t) {
    const bool four = kOrders[order].size == 4;
    if (t->identity && four) {
        if (n == 4) return order == ORDER_RGBA ? readRows<4, 4, 1> : readRows<4, 4, 2>;
        return order == ORDER_RGBA ? readRows<3, 4, 1> : readRows<3, 4, 2>;
    }
    switch (n) {
    case 2: return four ? readRows<2, 4, 0> : readRows<2, 3, 0>;
    case 3: return four ? readRows<3, 4, 0> : readRows<3, 3, 0>;
    default: return four ? readRows<4, 4, 0> : readRows<4, 3, 0>;
    }
}

bool fastRead(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
              GLvoid* pixels) {
    const int order = orderOf(format);
    GlColorBuffer* cb = gc->readBuffer;
    if (type != GL_UNSIGNED_BYTE || order < 0 || !gc->pixelFormat.rgba || !__glColorTransferPlain(&gc->pixel.transfer))
        return false;
    if (!cb || !cb->buf.base || !__glIsDibColorBuffer(cb) || cb->buf.elementSize < 2) return false;
    const ReadTables* t = readTables(gc, cb, order);
    if (!t) return false;
    if (width <= 0 || height <= 0 || !pixels) return true;
    GlImageLayout l;
    __glSetImageModes(&l, format, type, pixels, width, &gc->pixel.pack);
    if (!__glLayoutImage(&l, width, height)) return true;
    // The rectangle's part inside the drawable, in rectangle indices.
    const int64_t i0 = x < 0 ? -(int64_t)x : 0, j0 = y < 0 ? -(int64_t)y : 0;
    const int64_t w = (int64_t)gc->drawableWidth - x, h = (int64_t)gc->drawableHeight - y;
    const int64_t i1 = w < width ? w : width, j1 = h < height ? h : height;
    if (i0 >= i1 || j0 >= j1) return true;
    const GLint n = (GLint)cb->buf.elementSize;
    const GLint row0 = __glBufferRow(gc, (GLint)((int64_t)y + gc->limits.windowBiasY + j0));
    ReadRun run;
    run.src = cb->buf.base + (ptrdiff_t)(row0 - gc->limits.windowBiasY) * cb->buf.stride + (ptrdiff_t)(x + i0) * n;
    run.srcStride = (gc->yInverted ? -1 : 1) * (ptrdiff_t)cb->buf.stride;
    run.dst = (uint8_t*)l.firstPixel + (size_t)j0 * (size_t)l.rowStride + (size_t)i0 * (size_t)l.groupSize;
    run.dstStride = l.rowStride;
    run.width = (GLint)(i1 - i0), run.rows = (GLint)(j1 - j0);
    run.tables = t;
    pickReadRows((GLuint)n, order, t)(&run);
    return true;
}

}  // namespace

extern "C" GLboolean GLPROC __glColorTransferPlain(const GlPixelTransferState* t) {
    return !t->mapColor && t->redScale == 1.0f && t->greenScale == 1.0f && t->blueScale == 1.0f &&
           t->alphaScale == 1.0f && t->redBias == 0.0f && t->greenBias == 0.0f && t->blueBias == 0.0f &&
           t->alphaBias == 0.0f;
}

extern "C" const GLuint* GLPROC __glFastReadTable565(GlContext* gc, const GlColorBuffer* cb, GLenum format) {
    const int order = orderOf(format);
    const ReadTables* t = order >= 0 ? readTables(gc, cb, order, true) : nullptr;
    return t ? t->word : nullptr;
}

extern "C" void GLPROC __glFastDrawPixels(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                         const GLvoid* pixels, GLboolean packed) {
    if (!fastDraw(gc, width, height, format, type, pixels))
        __glDrawPixelsSoftware(gc, width, height, format, type, pixels, packed);
}

extern "C" void GLPROC __glFastReadPixels(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height,
                                         GLenum format, GLenum type, GLvoid* pixels) {
    if (!fastRead(gc, x, y, width, height, format, type, pixels))
        __glReadPixelsSoftware(gc, x, y, width, height, format, type, pixels);
}
