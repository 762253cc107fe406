// Pixel store, zoom, transfer, maps and read buffer; the lookup tables of the
// unsigned-byte pixel paths; the argument checks of the rectangle entries.

#include <limits.h>
#include <math.h>
#include <string.h>
#include "core/stateutil.h"
#include "geometry/geometry.h"
#include "raster/fragment.h"
#include "pixel.h"

namespace {

enum { MAP_I_TO_I = 0, MAP_S_TO_S = 1, MAP_I_TO_A = 5, TABLE_ENTRIES = 256 };

// Whole number of a double, saturated to the GLint range; NaN gives 0.
GLint saturate(double d) {
    if (d != d) return 0;
    if (d >= 2147483647.0) return INT_MAX;
    if (d <= -2147483648.0) return INT_MIN;
    return (GLint)d;
}
// Nearest integer, halves away from zero; `up` picks the direction of the half.
GLint roundHalf(GLfloat f, bool up) { return saturate(up ? (double)f + 0.5 : (double)f - 0.5); }

GlContext* setter(GlThreadState* ts) { return __glSetterAllowed(ts) ? ts->context : nullptr; }
void stored(GlThreadState* ts, GlContext* gc) { __glMarkPickers(ts, gc, GL_DIRTY_PIXEL); }

bool integerMap(GLuint m) { return m == MAP_I_TO_I || m == MAP_S_TO_S; }

GLfloat* newTable(GlContext* gc) { return (GLfloat*)gc->imports.alloc(gc, TABLE_ENTRIES * sizeof(GLfloat)); }

// Frees the group when its first table exists (the group is built whole).
void freeGroup(GlContext* gc, GLfloat** tables, int n) {
    if (!tables[0]) return;
    for (int i = 0; i < n; i++) gc->imports.free(gc, tables[i]), tables[i] = nullptr;
}

// ---- Rectangle checks.

enum FormatKind { FORMAT_BAD, FORMAT_COLOR_INDEX, FORMAT_STENCIL, FORMAT_DEPTH, FORMAT_COLOR };

FormatKind formatKind(GLenum format) {
    switch (format) {
    case GL_COLOR_INDEX: return FORMAT_COLOR_INDEX;
    case GL_STENCIL_INDEX: return FORMAT_STENCIL;
    case GL_DEPTH_COMPONENT: return FORMAT_DEPTH;
    case GL_RED:
    case GL_GREEN:
    case GL_BLUE:
    case GL_ALPHA:
    case GL_RGB:
    case GL_RGBA:
    case GL_LUMINANCE:
    case GL_LUMINANCE_ALPHA:
    case GL_ABGR_EXT:
    case GL_BGR_EXT:
    case GL_BGRA_EXT: return FORMAT_COLOR;
    }
    return FORMAT_BAD;
}

// The type step of both checks; bitmapError is the code of GL_BITMAP with a
// colour format.
GLenum typeError(GLenum format, GLenum type, GLenum bitmapError) {
    switch (type) {
    case GL_BITMAP: return format == GL_COLOR_INDEX || format == GL_STENCIL_INDEX ? 0 : bitmapError;
    case GL_UNSIGNED_BYTE_3_3_2_EXT: return format == GL_RGB || format == GL_BGR_EXT ? 0 : GL_INVALID_OPERATION;
    case GL_UNSIGNED_SHORT_4_4_4_4_EXT:
    case GL_UNSIGNED_SHORT_5_5_5_1_EXT:
    case GL_UNSIGNED_INT_8_8_8_8_EXT:
    case GL_UNSIGNED_INT_10_10_10_2_EXT:
        return format == GL_RGBA || format == GL_ABGR_EXT || format == GL_BGRA_EXT ? 0 : GL_INVALID_OPERATION;
    }
    return type - GL_BYTE <= GL_FLOAT - GL_BYTE ? 0 : GL_INVALID_ENUM;
}

GLboolean report(GLenum error) {
    if (!error) return GL_TRUE;
    __glSetError(error);
    return GL_FALSE;
}

// Runs the rectangle entries' begin-state step: true to act now.
enum Prologue { ACT, REENTER, REFUSED };
Prologue rectanglePrologue(GlThreadState* ts) {
    switch (__glDrawPrologue(ts)) {
    case GL_DRAW_ACT: return ACT;
    case GL_DRAW_VALIDATED: return REENTER;
    default: return REFUSED;
    }
}

void GLPROC noDrawPixels(GlContext*, GLsizei, GLsizei, GLenum, GLenum, const GLvoid*, GLboolean) {}
void GLPROC noReadPixels(GlContext*, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, GLvoid*) {}
void GLPROC noCopyPixels(GlContext*, GLint, GLint, GLsizei, GLsizei, GLenum) {}

}  // namespace

// ---- Lifecycle and tables.

extern "C" void GLPROC __glPixelMapFor(GlContext* gc, GLenum map) {
    const GLuint m = map - GL_PIXEL_MAP_I_TO_I;
    if (m >= GL_STATE_PIXEL_MAPS) return __glSetError(GL_INVALID_ENUM);
    GlPixelMap* pm = &gc->pixel.maps[m];
    pm->values = gc->imports.alloc(gc, sizeof(uint32_t));
    pm->size = pm->values ? 1 : 0;
    if (pm->values) memset(pm->values, 0, sizeof(uint32_t));  // integer 0 and 0.0 alike
}

extern "C" void GLPROC __glBuildPixelTransferTables(GlContext* gc) {
    GlPixelTransferTables* t = &gc->pixel.tables;
    if (!t->scale[0]) {
        for (GLfloat*& s : t->scale) s = newTable(gc);
        t->index = newTable(gc);
    }
    const GLfloat* maxima = __glColorScales(gc);
    const GLuint mask = __glIndexMask(gc);
    for (int c = 0; c < 4; c++) {
        if (!t->scale[c]) continue;
        const GLfloat f = maxima[c] * (1.0f / 255.0f);
        for (int i = 0; i < TABLE_ENTRIES; i++) t->scale[c][i] = f * (GLfloat)i;
    }
    if (t->index)
        for (int i = 0; i < TABLE_ENTRIES; i++) t->index[i] = (GLfloat)((GLuint)i & mask);
    t->colorMapsBuilt = 0;
}

extern "C" void GLPROC __glInitPixelState(GlContext* gc) {
    GlPixelState* p = &gc->pixel;
    GlPixelTransferState* t = &p->transfer;
    memset(t, 0, sizeof *t);
    t->redScale = t->greenScale = t->blueScale = t->alphaScale = t->depthScale = 1.0f;
    t->zoomX = t->zoomY = 1.0f;
    for (GLuint m = 0; m < GL_STATE_PIXEL_MAPS; m++) {
        gc->imports.free(gc, p->maps[m].values);
        __glPixelMapFor(gc, GL_PIXEL_MAP_I_TO_I + m);
    }
    memset(&p->pack, 0, sizeof p->pack);
    memset(&p->unpack, 0, sizeof p->unpack);
    p->pack.alignment = p->unpack.alignment = 4;
    p->readBuffer = p->readBufferRequested = gc->pixelFormat.doubleBuffer ? GL_BACK : GL_FRONT;
    if (!gc->procs.drawPixels) gc->procs.drawPixels = noDrawPixels;
    if (!gc->procs.readPixels) gc->procs.readPixels = noReadPixels;
    if (!gc->procs.copyPixels) gc->procs.copyPixels = noCopyPixels;
    __glBuildPixelTransferTables(gc);
}

extern "C" void GLPROC __glFreePixelState(GlContext* gc) {
    for (GlPixelMap& m : gc->pixel.maps) {
        gc->imports.free(gc, m.values);
        m.values = nullptr;
        m.size = 0;
    }
    GlPixelTransferTables* t = &gc->pixel.tables;
    for (GLfloat*& s : t->scale) gc->imports.free(gc, s), s = nullptr;
    gc->imports.free(gc, t->index);
    t->index = nullptr;
    freeGroup(gc, t->colorMapped, 4);
    freeGroup(gc, t->indexToRGBA, 4);
    freeGroup(gc, &t->mappedIndex, 1);
    gc->imports.free(gc, t->fastDraw);
    gc->imports.free(gc, t->fastRead);
    t->fastDraw = t->fastRead = nullptr;
    t->currentIndex = nullptr;
    for (GLfloat*& c : t->currentColor) c = nullptr;
    t->colorMapsBuilt = t->indexMapBuilt = t->indexToRGBABuilt = 0;
}

extern "C" void GLPROC __glPickPixelTransferFlags(GlContext* gc) {
    const GlPixelTransferState* s = &gc->pixel.transfer;
    GlPixelTransferTables* t = &gc->pixel.tables;
    const GLfloat scale[4] = {s->redScale, s->greenScale, s->blueScale, s->alphaScale};
    const GLfloat bias[4] = {s->redBias, s->greenBias, s->blueBias, s->alphaBias};
    bool color = s->mapColor != 0;
    for (int c = 0; c < 4; c++) color = color || scale[c] != 1.0f || bias[c] != 0.0f;
    const bool shifted = s->indexShift != 0 || s->indexOffset != 0;
    t->colorTransfer = color;
    t->indexTransfer = s->mapColor || gc->pixelFormat.rgba || shifted;
    t->stencilTransfer = s->mapStencil || shifted;
    t->depthTransfer = s->depthScale != 1.0f || s->depthBias != 0.0f;
    if (t->colorTransfer) t->colorMapsBuilt = 0;
    if (t->indexTransfer) t->indexMapBuilt = t->indexToRGBABuilt = 0;

    const GLfloat* maxima = __glColorScales(gc);
    for (int c = 0; c < 4; c++) {
        GLfloat v = c == 3 ? 1.0f : 0.0f;
        if (color) {
            v = v * scale[c] + bias[c];
            const GlPixelMap* pm = &gc->pixel.maps[6 + c];  // R_TO_R .. A_TO_A
            if (s->mapColor && pm->size > 0) {
                GLint i = saturate((double)(pm->size - 1) * v + 0.5);
                i = i < 0 ? 0 : i >= pm->size ? pm->size - 1 : i;
                v = ((const GLfloat*)pm->values)[i];
            } else {
                v = __glClampUnit(v);
            }
        }
        t->defaultColor[c] = v * maxima[c];
    }
}

extern "C" void GLPROC __glRasterPosVertex(GlContext* gc, GlVertex* v) {
    const GlRasterPos* rp = &gc->current.raster;
    v->window[0] = rp->window[0];
    v->window[1] = __glUpwardY(gc, rp->window[1]);
    v->window[2] = (GLfloat)((GLdouble)rp->window[2] * (GLdouble)gc->depthFullScale);
    v->clip[3] = rp->window[3];
    v->frontColor[0] = rp->index;
    if (gc->pixelFormat.rgba)
        for (int i = 0; i < 4; i++) v->frontColor[i] = rp->color[i];
    v->color = v->frontColor;
    for (int i = 0; i < 4; i++) v->texCoord[i] = rp->texCoord[i];
}

// ---- Store modes and zoom.

extern "C" void GLIMM __glImmPixelStorei(GLenum pname, GLint param) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setter(ts);
    if (!gc) return;
    GlPixelStoreModes* m;
    if (pname - GL_UNPACK_SWAP_BYTES <= 5u) m = &gc->pixel.unpack;
    else if (pname - GL_PACK_SWAP_BYTES <= 5u) m = &gc->pixel.pack;
    else return __glSetError(GL_INVALID_ENUM);
    switch (pname & 0xF) {
    case 0: m->swapBytes = param != 0; break;
    case 1: m->lsbFirst = param != 0; break;
    case 5:
        if (param != 1 && param != 2 && param != 4 && param != 8) return __glSetError(GL_INVALID_VALUE);
        m->alignment = param;
        break;
    default: {
        if (param < 0) return __glSetError(GL_INVALID_VALUE);
        GLint* field[] = {&m->rowLength, &m->skipRows, &m->skipPixels};
        *field[(pname & 0xF) - 2] = param;
    }
    }
    stored(ts, gc);
}

extern "C" void GLIMM __glImmPixelStoref(GLenum pname, GLfloat param) {
    const GLuint mode = pname & 0xF;
    const bool known = pname - GL_UNPACK_SWAP_BYTES <= 5u || pname - GL_PACK_SWAP_BYTES <= 5u;
    GLint i;
    if (known && mode <= 1) i = param != 0.0f;
    else if (known) i = roundHalf(param, !signbit(param));
    else i = saturate((double)param);
    __glImmPixelStorei(pname, i);
}

// A zoom factor as a whole number of window-coordinate steps.
static GLfloat quantiseZoom(const GlContext* gc, GLfloat f) {
    const GLfloat s = gc->constants.windowStep;
    const GLfloat q = f / s;
    return truncf((GLint)__glFloatBits(f) > 0 ? q + 0.5f : q - 0.5f) * s;
}

extern "C" void GLIMM __glImmPixelZoom(GLfloat xfactor, GLfloat yfactor) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setter(ts);
    if (!gc) return;
    gc->pixel.transfer.zoomX = quantiseZoom(gc, xfactor);
    gc->pixel.transfer.zoomY = quantiseZoom(gc, yfactor);
    stored(ts, gc);
}

// ---- Transfer.

extern "C" void GLIMM __glImmPixelTransferf(GLenum pname, GLfloat param) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setter(ts);
    if (!gc) return;
    GlPixelTransferState* t = &gc->pixel.transfer;
    switch (pname) {
    case GL_MAP_COLOR: t->mapColor = param != 0.0f; break;
    case GL_MAP_STENCIL: t->mapStencil = param != 0.0f; break;
    case GL_INDEX_SHIFT: t->indexShift = roundHalf(param, param > 0.0f); break;
    case GL_INDEX_OFFSET: t->indexOffset = roundHalf(param, param > 0.0f); break;
    case GL_RED_SCALE: t->redScale = param; break;
    case GL_RED_BIAS: t->redBias = param; break;
    case GL_GREEN_SCALE: t->greenScale = param; break;
    case GL_GREEN_BIAS: t->greenBias = param; break;
    case GL_BLUE_SCALE: t->blueScale = param; break;
    case GL_BLUE_BIAS: t->blueBias = param; break;
    case GL_ALPHA_SCALE: t->alphaScale = param; break;
    case GL_ALPHA_BIAS: t->alphaBias = param; break;
    case GL_DEPTH_SCALE: t->depthScale = param; break;
    case GL_DEPTH_BIAS: t->depthBias = param; break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    stored(ts, gc);
}

extern "C" void GLIMM __glImmPixelTransferi(GLenum pname, GLint param) { __glImmPixelTransferf(pname, (GLfloat)param); }

// ---- Maps.

// Entry n of a map from a client value of type T.
template <class T> uint32_t mapEntry(bool integer, T v);
template <> uint32_t mapEntry<GLfloat>(bool integer, GLfloat v) {
    if (integer) return (uint32_t)roundHalf(v, !signbit(v));
    return __glFloatBits(__glClampUnit(v));
}
template <> uint32_t mapEntry<GLuint>(bool integer, GLuint v) {
    return integer ? v : __glFloatBits((GLfloat)((double)v * (1.0 / 4294967295.0)));
}
template <> uint32_t mapEntry<GLushort>(bool integer, GLushort v) {
    return integer ? v : __glFloatBits((GLfloat)v * (1.0f / 65535.0f));
}

template <class T>
static void pixelMap(GLenum map, GLsizei mapsize, const T* values) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setter(ts);
    if (!gc) return;
    const GLuint m = map - GL_PIXEL_MAP_I_TO_I;
    if (m >= GL_STATE_PIXEL_MAPS) return __glSetError(GL_INVALID_ENUM);
    const bool indexed = m <= MAP_I_TO_A;  // sizes of index-addressed maps are powers of two
    if (mapsize < 1 || mapsize > gc->limits.maxPixelMapTable) return __glSetError(GL_INVALID_VALUE);
    if (indexed && (mapsize & (mapsize - 1)) != 0) return __glSetError(GL_INVALID_VALUE);
    GlPixelMap* pm = &gc->pixel.maps[m];
    // The tables derived from the maps are stale at once.
    GlPixelTransferTables* t = &gc->pixel.tables;
    t->colorMapsBuilt = t->indexMapBuilt = t->indexToRGBABuilt = 0;
    gc->imports.free(gc, pm->values);
    pm->values = nullptr;
    pm->size = 0;
    uint32_t* table = (uint32_t*)gc->imports.alloc(gc, (size_t)mapsize * sizeof(uint32_t));
    if (!table) return;
    const bool integer = integerMap(m);
    for (GLsizei i = mapsize - 1; i >= 0; i--) table[i] = mapEntry<T>(integer, values[i]);
    pm->values = table;
    pm->size = mapsize;
}

extern "C" void GLIMM __glImmPixelMapfv(GLenum map, GLsizei mapsize, const GLfloat* values) {
    pixelMap(map, mapsize, values);
}
extern "C" void GLIMM __glImmPixelMapuiv(GLenum map, GLsizei mapsize, const GLuint* values) {
    pixelMap(map, mapsize, values);
}
extern "C" void GLIMM __glImmPixelMapusv(GLenum map, GLsizei mapsize, const GLushort* values) {
    pixelMap(map, mapsize, values);
}

// ---- Read buffer.

extern "C" void GLIMM __glImmReadBuffer(GLenum mode) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = setter(ts);
    if (!gc) return;
    if (mode - GL_FRONT_LEFT > GL_AUX3 - GL_FRONT_LEFT || mode == GL_FRONT_AND_BACK)
        return __glSetError(GL_INVALID_ENUM);
    GLenum buffer;
    switch (mode) {
    case GL_FRONT_LEFT:
    case GL_FRONT:
    case GL_LEFT: buffer = GL_FRONT; break;
    case GL_BACK_LEFT:
    case GL_BACK:
        if (!gc->pixelFormat.doubleBuffer) return __glSetError(GL_INVALID_OPERATION);
        buffer = GL_BACK;
        break;
    default: return __glSetError(GL_INVALID_OPERATION);  // right buffers; no aux buffers
    }
    gc->pixel.readBuffer = buffer;
    gc->pixel.readBufferRequested = mode;
    stored(ts, gc);
}

// ---- Rectangle entries.

extern "C" GLboolean GLPROC __glCheckDrawPixelsArgs(GlContext* gc, GLsizei width, GLsizei height, GLenum format,
                                                   GLenum type) {
    if (width < 0 || height < 0) return report(GL_INVALID_VALUE);
    switch (formatKind(format)) {
    case FORMAT_BAD: return report(GL_INVALID_ENUM);
    case FORMAT_STENCIL:
        if (!gc->pixelFormat.stencilPresent) return report(GL_INVALID_OPERATION);
        break;
    case FORMAT_COLOR:
        if (!gc->pixelFormat.rgba) return report(GL_INVALID_OPERATION);
        break;
    default: break;
    }
    return report(typeError(format, type, GL_INVALID_ENUM));
}

extern "C" GLboolean GLPROC __glCheckReadPixelsArgs(GlContext* gc, GLsizei width, GLsizei height, GLenum format,
                                                   GLenum type) {
    if (width < 0 || height < 0) return report(GL_INVALID_VALUE);
    switch (formatKind(format)) {
    case FORMAT_BAD: return report(GL_INVALID_ENUM);
    case FORMAT_COLOR_INDEX:
        if (gc->pixelFormat.rgba) return report(GL_INVALID_OPERATION);
        break;
    case FORMAT_STENCIL:
        if (!gc->pixelFormat.stencilPresent) return report(GL_INVALID_OPERATION);
        break;
    case FORMAT_DEPTH:
        if (!gc->pixelFormat.depthPresent) return report(GL_INVALID_OPERATION);
        break;
    default: break;
    }
    return report(typeError(format, type, GL_INVALID_OPERATION));
}

// The raster-position step of draw and copy: feedback token, transfer or nothing.
static bool rectangleRenders(GlContext* gc, void (GLPROC* token)(GlContext*, GlVertex*)) {
    if (!gc->current.raster.valid) return false;
    if (gc->renderMode == GL_FEEDBACK) {
        GlVertex v;
        __glRasterPosVertex(gc, &v);
        token(gc, &v);
        return false;
    }
    return gc->renderMode == GL_RENDER;
}

extern "C" void GLIMM __glImmDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type,
                                       const GLvoid* pixels) {
    GlThreadState* ts = __glThreadState();
    switch (rectanglePrologue(ts)) {
    case REFUSED: return;
    case REENTER: return glDrawPixels(width, height, format, type, pixels);
    case ACT: break;
    }
    GlContext* gc = ts->context;
    if (!__glCheckDrawPixelsArgs(gc, width, height, format, type)) return;
    if (rectangleRenders(gc, __glFeedbackDrawPixel))
        gc->procs.drawPixels(gc, width, height, format, type, pixels, GL_FALSE);
}

extern "C" void GLIMM __glImmReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                       GLvoid* pixels) {
    GlThreadState* ts = __glThreadState();
    switch (rectanglePrologue(ts)) {
    case REFUSED: return;
    case REENTER: return glReadPixels(x, y, width, height, format, type, pixels);
    case ACT: break;
    }
    GlContext* gc = ts->context;
    if (!__glCheckReadPixelsArgs(gc, width, height, format, type)) return;
    gc->procs.readPixels(gc, x, y, width, height, format, type, pixels);
}

extern "C" void GLIMM __glImmCopyPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum type) {
    GlThreadState* ts = __glThreadState();
    switch (rectanglePrologue(ts)) {
    case REFUSED: return;
    case REENTER: return glCopyPixels(x, y, width, height, type);
    case ACT: break;
    }
    GlContext* gc = ts->context;
    if (width < 0 || height < 0) return __glSetError(GL_INVALID_VALUE);
    GLenum format;
    switch (type) {
    case GL_COLOR: format = gc->pixelFormat.rgba ? GL_RGBA : GL_COLOR_INDEX; break;
    case GL_DEPTH:
        if (!gc->pixelFormat.depthPresent) return __glSetError(GL_INVALID_OPERATION);
        format = GL_DEPTH_COMPONENT;
        break;
    case GL_STENCIL:
        if (!gc->pixelFormat.stencilPresent) return __glSetError(GL_INVALID_OPERATION);
        format = GL_STENCIL_INDEX;
        break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    if (rectangleRenders(gc, __glFeedbackCopyPixel)) gc->procs.copyPixels(gc, x, y, width, height, format);
}
