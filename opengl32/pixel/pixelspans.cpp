// Framebuffer spans of the pixel rectangles: rows of the colour, index, depth
// and stencil buffers read as float spans, and float spans written back as
// fragments (or stencil values) over the columns the zoom gives each pixel.

#include <string.h>
#include "core/stateutil.h"
#include "raster/fragment.h"
#include "texture/texsample.h"
#include "pixel.h"

extern "C" GLint GLPROC __glPixelFormatKind(GLenum format) {
    switch (format) {
    case GL_COLOR_INDEX: return GL_PIXEL_KIND_INDEX;
    case GL_DEPTH_COMPONENT: return GL_PIXEL_KIND_DEPTH;
    case GL_STENCIL_INDEX: return GL_PIXEL_KIND_STENCIL;
    }
    return GL_PIXEL_KIND_RGBA;
}

extern "C" GLint GLPROC __glColorBufferKind(const GlContext* gc) {
    return gc->pixelFormat.rgba ? GL_PIXEL_KIND_RGBA : GL_PIXEL_KIND_INDEX;
}

extern "C" void GLPROC __glReadPixelSpan(GlContext* gc, GLint kind, GLint x, GLint y, GLint n, GLfloat* out) {
    GlColorBuffer* cb = gc->readBuffer;
    switch (kind) {
    case GL_PIXEL_KIND_RGBA: {
        // A buffer without alpha bits holds alpha 1.0 at every pixel.
        const GLfloat* inv = gc->constants.invColorScale;
        const bool fullAlpha = cb && !cb->mask[3];
        for (GLint i = 0; i < n; i++, out += 4) {
            if (cb && cb->readPixel) cb->readPixel(cb, x + i, y, out);
            else out[0] = out[1] = out[2] = out[3] = 0.0f;
            for (int c = 0; c < 4; c++) out[c] *= inv[c];
            if (fullAlpha) out[3] = 1.0f;
        }
        return;
    }
    case GL_PIXEL_KIND_INDEX:
        for (GLint i = 0; i < n; i++) {
            if (cb && cb->readIndex) cb->readIndex(cb, x + i, y, out + i);
            else out[i] = 0.0f;
        }
        return;
    case GL_PIXEL_KIND_DEPTH: {
        GlDepthBuffer* db = &gc->fb.depth;
        const double scale = db->depthMax ? 1.0 / (double)db->depthMax : 0.0;
        for (GLint i = 0; i < n; i++) out[i] = db->fetch ? (GLfloat)((double)db->fetch(db, x + i, y) * scale) : 0.0f;
        return;
    }
    default: {
        GlStencilBuffer* sb = &gc->fb.stencil;
        for (GLint i = 0; i < n; i++) out[i] = sb->fetchPixel ? (GLfloat)sb->fetchPixel(sb, x + i, y) : 0.0f;
    }
    }
}

namespace {

// One pixel a step: pixel i + 1 of a stepped read lies zoomTable[i] columns
// after pixel i. Leaves width at the pixels read.
template <GLint Kind>
void readStepped(GlContext* gc, GlPixelOpRecord* op, GLfloat* out) {
    const GLint y = (GLint)op->readY, per = Kind == GL_PIXEL_KIND_RGBA ? 4 : 1;
    GLint x = (GLint)op->readX;
    for (GLint i = 0; i < op->columns; i++, out += per) {
        __glReadPixelSpan(gc, Kind, x, y, 1, out);
        x += op->zoomTable[i];
    }
    op->width = op->columns;
}

}  // namespace

#define GL_READER(name, stepped, kind)                                                                     \
    extern "C" void GLPROC name(GlContext* gc, GlPixelOpRecord* op, GLvoid* out) {                         \
        __glReadPixelSpan(gc, kind, (GLint)op->readX, (GLint)op->readY, op->width, (GLfloat*)out);        \
    }                                                                                                      \
    extern "C" void GLPROC stepped(GlContext* gc, GlPixelOpRecord* op, GLvoid* out) {                      \
        readStepped<kind>(gc, op, (GLfloat*)out);                                                          \
    }
GL_READER(__glReadRGBASpan, __glReadRGBASpanStepped, GL_PIXEL_KIND_RGBA)
GL_READER(__glReadIndexSpan, __glReadIndexSpanStepped, GL_PIXEL_KIND_INDEX)
GL_READER(__glReadDepthSpan, __glReadDepthSpanStepped, GL_PIXEL_KIND_DEPTH)
GL_READER(__glReadStencilSpan, __glReadStencilSpanStepped, GL_PIXEL_KIND_STENCIL)
#undef GL_READER

// 16-bit depth values straight to unsigned integers, exact: value x
// (2^32 - 1) / (2^16 - 1) is the value in both halves.
extern "C" void GLPROC __glReadDepthUintSpan(GlContext* gc, GlPixelOpRecord* op, GLvoid* out) {
    GlDepthBuffer* db = &gc->fb.depth;
    const GLint x = (GLint)op->readX, y = (GLint)op->readY;
    uint8_t* p = (uint8_t*)out;
    for (GLint i = 0; i < op->width; i++, p += 4) {
        const GLuint v = db->fetch ? db->fetch(db, x + i, y) >> 16 : 0;
        const GLuint word = v << 16 | v;
        memcpy(p, &word, 4);
    }
}

// Colour-index fragments are textured too: an index texture's environment
// works on the index in the colour's first element. A context without a
// texture procedure (none installed) leaves the colour as it is.
static bool pixelFragmentsTextured(const GlContext* gc) {
    return (gc->rasterFlags & GL_RF_TEXTURE) && gc->currentTexture && gc->procs.textureFragment;
}

extern "C" GLboolean GLPROC __glPixelFragmentsTexFog(const GlContext* gc) {
    return pixelFragmentsTextured(gc) || (gc->procs.fogFactor && gc->procs.fogBlend);
}

extern "C" void GLPROC __glPixelFragmentTexFog(GlContext* gc, GLfloat* color) {
    const GlRasterPos* rp = &gc->current.raster;
    if (pixelFragmentsTextured(gc)) {
        const GLfloat q = rp->texCoord[3], iq = q != 0.0f ? 1.0f / q : 0.0f;
        gc->procs.textureFragment(gc, color, rp->texCoord[0] * iq, rp->texCoord[1] * iq, 1.0f);
    }
    if (gc->procs.fogFactor && gc->procs.fogBlend)
        gc->procs.fogBlend(gc, color, color, gc->procs.fogFactor(gc, rp->distance));
}

extern "C" void GLPROC __glSetupPixelWriter(GlContext* gc, GlPixelTarget* w, GLint kind) {
    const GlRasterPos* rp = &gc->current.raster;
    w->kind = kind;
    w->base.x = w->base.y = 0;
    w->base.z = __glFragmentDepth((GLfloat)((GLdouble)rp->window[2] * (GLdouble)gc->depthFullScale));
    if (gc->pixelFormat.rgba) {
        for (int i = 0; i < 4; i++) w->base.color[i] = rp->color[i];
    } else {
        w->base.color[0] = rp->index;
        w->base.color[1] = w->base.color[2] = w->base.color[3] = 0.0f;
    }
    // Depth fragments carry the raster colour, colour fragments their own;
    // both take the texel and fog of the raster position.
    w->texFog = __glPixelFragmentsTexFog(gc);
    if (w->texFog) __glPixelFragmentTexFog(gc, w->base.color);
}

namespace {

// ---- Writers. An element kind makes the fragment of one span element (or the
// stencil value it stores); the walk writes it on its columns of each row.

template <class T> T load(const uint8_t* p) {
    T v;
    memcpy(&v, p, sizeof v);
    return v;
}

// The colour of an RGBA fragment from components 0..1, and the index of an
// index fragment from a whole value, as the generic span gives them.
inline void rgbaFragment(GlContext* gc, const GlPixelTarget* w, const GLfloat* scales, GLfloat r, GLfloat g,
                         GLfloat b, GLfloat a, GlFragment* f) {
    f->color[0] = r * scales[0], f->color[1] = g * scales[1], f->color[2] = b * scales[2], f->color[3] = a * scales[3];
    if (w->texFog) __glPixelFragmentTexFog(gc, f->color);
}
inline void indexFragment(GlContext* gc, const GlPixelTarget* w, GLuint mask, GLfloat v, GlFragment* f) {
    f->color[0] = (GLfloat)((GLuint)(int64_t)v & mask);
    if (w->texFog) __glPixelFragmentTexFog(gc, f->color);
}
inline GLuint depthOf(const GlContext* gc, GLfloat v) {
    return __glFragmentDepth((GLfloat)((GLdouble)v * (GLdouble)gc->depthFullScale));
}

// Fragment elements: Size bytes a span element; fragment() sets the colour or
// depth of f.
struct RgbaFloat {
    enum { Size = 16, Stencil = 0 };
    const GLfloat* scales;
    explicit RgbaFloat(GlContext* gc) : scales(__glColorScales(gc)) {}
    void fragment(GlContext* gc, const GlPixelTarget* w, const uint8_t* p, GlFragment* f) const {
        const GLfloat* v = (const GLfloat*)p;
        rgbaFragment(gc, w, scales, v[0], v[1], v[2], v[3], f);
    }
};
struct IndexFloat {
    enum { Size = 4, Stencil = 0 };
    GLuint mask;
    explicit IndexFloat(GlContext* gc) : mask(__glIndexMask(gc)) {}
    void fragment(GlContext* gc, const GlPixelTarget* w, const uint8_t* p, GlFragment* f) const {
        indexFragment(gc, w, mask, *(const GLfloat*)p, f);
    }
};
struct DepthFloat {
    enum { Size = 4, Stencil = 0 };
    explicit DepthFloat(GlContext*) {}
    void fragment(GlContext* gc, const GlPixelTarget*, const uint8_t* p, GlFragment* f) const {
        f->z = depthOf(gc, *(const GLfloat*)p);
    }
};
// Unsigned bytes through the operation's current colour tables (components
// 0..1): RGB (alpha: the table's 1.0), RGBA, or an index through all four.
template <int Size_, bool Alpha, bool Index>
struct ColorUbyte {
    enum { Size = Size_, Stencil = 0 };
    const GLfloat* scales;
    const GLfloat* const* t;
    explicit ColorUbyte(GlContext* gc) : scales(__glColorScales(gc)), t(gc->pixel.tables.currentColor) {}
    void fragment(GlContext* gc, const GlPixelTarget* w, const uint8_t* p, GlFragment* f) const {
        const int r = p[0], g = Index ? r : p[1], b = Index ? r : p[2], a = Index ? r : Alpha ? p[3] : 255;
        rgbaFragment(gc, w, scales, t[0][r], t[1][g], t[2][b], t[3][a], f);
    }
};
// Index bytes through the current index table, unsigned shorts and integers
// as the generic index conversion makes them.
template <class T>
struct IndexTyped {
    enum { Size = sizeof(T), Stencil = 0 };
    GLuint mask;
    const GLfloat* table;
    explicit IndexTyped(GlContext* gc) : mask(__glIndexMask(gc)), table(gc->pixel.tables.currentIndex) {}
    void fragment(GlContext* gc, const GlPixelTarget* w, const uint8_t* p, GlFragment* f) const {
        indexFragment(gc, w, mask, sizeof(T) == 1 ? table[*p] : (GLfloat)load<T>(p), f);
    }
};
struct DepthUint {
    enum { Size = 4, Stencil = 0 };
    explicit DepthUint(GlContext*) {}
    void fragment(GlContext* gc, const GlPixelTarget*, const uint8_t* p, GlFragment* f) const {
        f->z = depthOf(gc, __glUintToUnit(load<GLuint>(p)));
    }
};
// Stencil elements: value() is the stored value.
struct StencilFloat {
    enum { Size = 4, Stencil = 1 };
    explicit StencilFloat(GlContext*) {}
    GLuint value(const uint8_t* p) const { return (GLuint)(int64_t)*(const GLfloat*)p; }
};
template <class T>
struct StencilTyped {
    enum { Size = sizeof(T), Stencil = 1 };
    explicit StencilTyped(GlContext*) {}
    GLuint value(const uint8_t* p) const { return load<T>(p); }
};

// Element i on its columns (zoomTable[i] of them when zoomed, else one) of
// each destination row, from firstX on in the direction of stepX.
template <class E, bool Zoom>
void writeSpan(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in) {
    const E e(gc);
    const GlPixelTarget* w = &op->target;
    GlColorBuffer* cb = gc->drawBuffer;
    GlStencilBuffer* sb = &gc->fb.stencil;
    if (E::Stencil ? !sb->storePixel : !cb) return;
    const GLint n = Zoom ? op->width : op->columns, dx = op->stepX;
    const GLint y0 = op->firstY, y1 = op->firstY + op->rowsLeft;
    const uint8_t* p = (const uint8_t*)in;
    GlFragment f = w->base;
    GLint x = op->firstX;
    for (GLint i = 0; i < n; i++, p += E::Size) {
        const GLint repeat = Zoom ? op->zoomTable[i] : 1;
        if (repeat <= 0) continue;
        GLuint stencil = 0;
        if constexpr (E::Stencil) stencil = e.value(p);
        else e.fragment(gc, w, p, &f);
        for (GLint y = y0; y < y1; y++) {
            const GLint row = __glBufferRow(gc, y);
            for (GLint k = 0, c = x; k < repeat; k++, c += dx) {
                if constexpr (E::Stencil) {
                    sb->storePixel(sb, c, row, stencil);
                } else {
                    f.x = c, f.y = row;
                    gc->procs.storeFragmentTested(cb, &f);
                }
            }
        }
        x += dx * repeat;
    }
}

}  // namespace

#define GL_WRITERS(plain, zoomed, ...)                                                                        \
    extern "C" void GLPROC plain(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in) {                      \
        writeSpan<__VA_ARGS__, false>(gc, op, in);                                                            \
    }                                                                                                         \
    extern "C" void GLPROC zoomed(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in) {                     \
        writeSpan<__VA_ARGS__, true>(gc, op, in);                                                             \
    }
GL_WRITERS(__glWriteRGBASpan, __glWriteRGBAZoomSpan, RgbaFloat)
GL_WRITERS(__glWriteIndexSpan, __glWriteIndexZoomSpan, IndexFloat)
GL_WRITERS(__glWriteDepthSpan, __glWriteDepthZoomSpan, DepthFloat)
GL_WRITERS(__glWriteStencilSpan, __glWriteStencilZoomSpan, StencilFloat)
GL_WRITERS(__glWriteRGBUbyteSpan, __glWriteRGBUbyteZoomSpan, ColorUbyte<3, false, false>)
GL_WRITERS(__glWriteRGBAUbyteSpan, __glWriteRGBAUbyteZoomSpan, ColorUbyte<4, true, false>)
GL_WRITERS(__glWriteIndexToRGBAUbyteSpan, __glWriteIndexToRGBAUbyteZoomSpan, ColorUbyte<1, false, true>)
GL_WRITERS(__glWriteIndexUbyteSpan, __glWriteIndexUbyteZoomSpan, IndexTyped<uint8_t>)
GL_WRITERS(__glWriteIndexUshortSpan, __glWriteIndexUshortZoomSpan, IndexTyped<uint16_t>)
GL_WRITERS(__glWriteIndexUintSpan, __glWriteIndexUintZoomSpan, IndexTyped<uint32_t>)
GL_WRITERS(__glWriteDepthUintSpan, __glWriteDepthUintZoomSpan, DepthUint)
GL_WRITERS(__glWriteStencilUbyteSpan, __glWriteStencilUbyteZoomSpan, StencilTyped<uint8_t>)
GL_WRITERS(__glWriteStencilUshortSpan, __glWriteStencilUshortZoomSpan, StencilTyped<uint16_t>)
#undef GL_WRITERS
