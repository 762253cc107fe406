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
        const GLfloat* inv = gc->constants.invColorScale;
        for (GLint i = 0; i < n; i++, out += 4) {
            if (cb && cb->readPixel) cb->readPixel(cb, x + i, y, out);
            else out[0] = out[1] = out[2] = out[3] = 0.0f;
            for (int c = 0; c < 4; c++) out[c] *= inv[c];
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

#define GL_READER(name, kind)                                                                              \
    extern "C" void GLPROC name(GlContext* gc, GlPixelOpRecord* op, GLvoid* out) {                         \
        __glReadPixelSpan(gc, kind, (GLint)op->readX, (GLint)op->readY, op->width, (GLfloat*)out);        \
    }
GL_READER(__glReadRGBASpan, GL_PIXEL_KIND_RGBA)
GL_READER(__glReadIndexSpan, GL_PIXEL_KIND_INDEX)
GL_READER(__glReadDepthSpan, GL_PIXEL_KIND_DEPTH)
GL_READER(__glReadStencilSpan, GL_PIXEL_KIND_STENCIL)
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

extern "C" GLboolean GLPROC __glPixelFragmentsTexFog(const GlContext* gc) {
    const bool texture = gc->pixelFormat.rgba && (gc->rasterFlags & GL_RF_TEXTURE) && gc->currentTexture;
    return texture || (gc->procs.fogFactor && gc->procs.fogBlend);
}

extern "C" void GLPROC __glPixelFragmentTexFog(GlContext* gc, GLfloat* color) {
    const GlRasterPos* rp = &gc->current.raster;
    if (gc->pixelFormat.rgba && (gc->rasterFlags & GL_RF_TEXTURE) && gc->currentTexture) {
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

extern "C" void GLPROC __glWritePixelRow(GlContext* gc, const GlPixelTarget* w, const GLfloat* values, GLint n,
                                        const GLint* x0, const GLint* x1, GLint y) {
    if (w->kind == GL_PIXEL_KIND_STENCIL) {
        GlStencilBuffer* sb = &gc->fb.stencil;
        if (!sb->storePixel) return;
        for (GLint i = 0; i < n; i++)
            for (GLint x = x0[i]; x < x1[i]; x++) sb->storePixel(sb, x, y, (GLuint)(int64_t)values[i]);
        return;
    }
    GlColorBuffer* cb = gc->drawBuffer;
    if (!cb) return;
    GlFragment f = w->base;
    f.y = y;
    const GLfloat* scales = __glColorScales(gc);
    const GLuint indexMask = __glIndexMask(gc);
    const GLint stride = w->kind == GL_PIXEL_KIND_RGBA ? 4 : 1;
    for (GLint i = 0; i < n; i++, values += stride) {
        if (x0[i] >= x1[i]) continue;
        switch (w->kind) {
        case GL_PIXEL_KIND_RGBA:
            for (int c = 0; c < 4; c++) f.color[c] = values[c] * scales[c];
            if (w->texFog) __glPixelFragmentTexFog(gc, f.color);
            break;
        case GL_PIXEL_KIND_INDEX:
            f.color[0] = (GLfloat)((GLuint)(int64_t)values[0] & indexMask);
            if (w->texFog) __glPixelFragmentTexFog(gc, f.color);
            break;
        default: f.z = __glFragmentDepth((GLfloat)((GLdouble)values[0] * (GLdouble)gc->depthFullScale)); break;
        }
        for (f.x = x0[i]; f.x < x1[i]; f.x++) gc->procs.storeFragmentTested(cb, &f);
    }
}
