// Colour tables of paletted textures (GL_EXT_paletted_texture): each texture's
// palette is defined, replaced in part, copied from the framebuffer, read
// back and queried. Entries are unsigned bytes in the base format's order.

#include <string.h>
#include "core/beginstate.h"
#include "core/stateutil.h"
#include "pixel/pixel.h"
#include "texture.h"

namespace {

struct TableBase {
    GLenum base;
    GLint components;
    uint8_t r, g, b, a, l, i;  // 8 for each component the base format has
    GLenum descFormat;         // the entries as an image format
};
constexpr TableBase tableBases[] = {
    {GL_ALPHA, 1, 0, 0, 0, 8, 0, 0, GL_ALPHA},
    {GL_LUMINANCE, 1, 0, 0, 0, 0, 8, 0, GL_RED},
    {GL_LUMINANCE_ALPHA, 2, 0, 0, 0, 8, 8, 0, GL_IMAGE_FORMAT_LUMINANCE_ALPHA8},
    {GL_INTENSITY, 1, 0, 0, 0, 0, 0, 8, GL_RED},
    {GL_RGB, 3, 8, 8, 8, 0, 0, 0, GL_RGB},
    {GL_RGBA, 4, 8, 8, 8, 8, 0, 0, GL_RGBA},
};

struct TableFormat {
    GLenum internalFormat, base;
};
constexpr TableFormat tableFormats[] = {
    {GL_ALPHA, GL_ALPHA}, {GL_ALPHA4, GL_ALPHA}, {GL_ALPHA8, GL_ALPHA}, {GL_ALPHA12, GL_ALPHA},
    {GL_ALPHA16, GL_ALPHA},
    {GL_LUMINANCE, GL_LUMINANCE}, {GL_LUMINANCE4, GL_LUMINANCE}, {GL_LUMINANCE8, GL_LUMINANCE},
    {GL_LUMINANCE12, GL_LUMINANCE}, {GL_LUMINANCE16, GL_LUMINANCE},
    {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA}, {GL_LUMINANCE4_ALPHA4, GL_LUMINANCE_ALPHA},
    {GL_LUMINANCE6_ALPHA2, GL_LUMINANCE_ALPHA}, {GL_LUMINANCE8_ALPHA8, GL_LUMINANCE_ALPHA},
    {GL_LUMINANCE12_ALPHA4, GL_LUMINANCE_ALPHA}, {GL_LUMINANCE12_ALPHA12, GL_LUMINANCE_ALPHA},
    {GL_LUMINANCE16_ALPHA16, GL_LUMINANCE_ALPHA},
    {GL_INTENSITY, GL_INTENSITY}, {GL_INTENSITY4, GL_INTENSITY}, {GL_INTENSITY8, GL_INTENSITY},
    {GL_INTENSITY12, GL_INTENSITY}, {GL_INTENSITY16, GL_INTENSITY},
    {GL_RGB, GL_RGB}, {GL_R3_G3_B2, GL_RGB}, {GL_RGB4, GL_RGB}, {GL_RGB5, GL_RGB}, {GL_RGB8, GL_RGB},
    {GL_RGB10, GL_RGB}, {GL_RGB12, GL_RGB}, {GL_RGB16, GL_RGB},
    {GL_RGBA, GL_RGBA}, {GL_RGBA2, GL_RGBA}, {GL_RGBA4, GL_RGBA}, {GL_RGB5_A1, GL_RGBA}, {GL_RGBA8, GL_RGBA},
    {GL_RGB10_A2, GL_RGBA}, {GL_RGBA12, GL_RGBA}, {GL_RGBA16, GL_RGBA},
};

const TableBase* baseOf(GLenum base) {
    for (const TableBase& b : tableBases)
        if (b.base == base) return &b;
    return nullptr;
}
const TableBase* baseOfInternal(GLenum internalFormat) {
    for (const TableFormat& f : tableFormats)
        if (f.internalFormat == internalFormat) return baseOf(f.base);
    return nullptr;
}

bool realTarget(GLenum target) { return target == GL_TEXTURE_1D || target == GL_TEXTURE_2D; }
bool proxyTarget(GLenum target) { return target == GL_PROXY_TEXTURE_1D || target == GL_PROXY_TEXTURE_2D; }

GLenum checkFormatType(GLenum format, GLenum type) {
    switch (format) {
    case GL_RED: case GL_GREEN: case GL_BLUE: case GL_ALPHA: case GL_RGB: case GL_RGBA: case GL_LUMINANCE:
    case GL_LUMINANCE_ALPHA: case GL_ABGR_EXT: case GL_BGR_EXT: case GL_BGRA_EXT: break;
    default: return GL_INVALID_ENUM;
    }
    return type - GL_BYTE <= GL_FLOAT - GL_BYTE ? 0 : GL_INVALID_ENUM;
}

// The table of the texture bound to a target, or null.
GlColorTable* tableOf(GlContext* gc, GLenum target) {
    GlTextureParams* p = __glLookupTexParams(gc, target);
    return p ? &p->palette : nullptr;
}

uint64_t tableBytes(const GlColorTable* t) { return (uint64_t)(t->width > 0 ? t->width : 0) * (uint64_t)t->components; }

// Room for width entries of the internal format's base; false (the table
// unchanged) when memory ran out. Entries gained are zero.
bool growTable(GlContext* gc, GlColorTable* t, GLenum internalFormat, GLsizei width) {
    const uint64_t old = t->data ? tableBytes(t) : 0;
    const uint64_t bytes = (uint64_t)width * (uint64_t)baseOfInternal(internalFormat)->components;
    if (bytes <= old) return true;
    uint8_t* data = bytes <= SIZE_MAX ? (uint8_t*)gc->imports.realloc(gc, t->data, (size_t)bytes) : nullptr;
    if (!data) {
        __glSetError(GL_OUT_OF_MEMORY);
        return false;
    }
    memset(data + old, 0, (size_t)(bytes - old));
    t->data = data;
    return true;
}

// The entries from `first` on as the destination of a pixel operation.
void setTableLayout(const GlColorTable* t, GlImageLayout* l, GLint first) {
    const GlPixelStoreModes modes = {0, 1, {0, 0}, t->width, 0, first, 1};
    __glSetImageModes(l, baseOf(t->baseFormat)->descFormat, GL_UNSIGNED_BYTE, t->data, t->width, &modes);
}

// count client entries into the table from entry `first`.
void storeEntries(GlContext* gc, GlColorTable* t, GLint first, GLsizei count, GLenum format, GLenum type,
                  const GLvoid* data, GLboolean packed) {
    if (count <= 0 || !t->data) return;
    GlPixelOpRecord op;
    memset(&op, 0, sizeof op);
    __glInitUnpackImageRecord(gc, &op, count, 1, 1, format, type, data, packed);
    __glSetColorTableDest(t, &op);
    op.destination.skipPixels = first;
    if (!__glLayoutImage(&op.destination, count, 1)) return;
    if (!data || !__glLayoutImage(&op.source, count, 1)) {
        memset((uint8_t*)op.destination.firstPixel, 0, (size_t)count * (size_t)t->components);
        return;
    }
    __glRunImageConvert(gc, &op, GL_FALSE);
}

// The begin-state step of the define, replace and read-back entries.
GlContext* tableCall(GlThreadState* ts) {
    return __glDrawPrologue(ts) == GL_DRAW_REFUSED ? nullptr : ts->context;
}

}  // namespace

extern "C" GLenum GLPROC __glCheckColorTableArgs(GlContext*, GLenum target, GLenum internalFormat, GLsizei width,
                                                GLenum format, GLenum type) {
    if (!realTarget(target) && !proxyTarget(target)) return GL_INVALID_ENUM;
    const TableBase* b = baseOfInternal(internalFormat);
    if (!b) return GL_INVALID_ENUM;
    if (width < 0 || (width & (width - 1)) != 0) return GL_INVALID_VALUE;
    const GLint size = __glTypeSize(type);
    if (size && 32768 / (__glFormatComponents(b->base, type) * size) < width) return GL_TABLE_TOO_LARGE_EXT;
    return checkFormatType(format, type);
}

extern "C" GLenum GLPROC __glCheckColorSubTableArgs(GlContext*, GLenum target, GLsizei start, GLsizei count,
                                                   GLenum format, GLenum type) {
    if (!realTarget(target)) return GL_INVALID_ENUM;
    if (start < 0 || count < 0) return GL_INVALID_VALUE;
    return checkFormatType(format, type);
}

extern "C" void GLPROC __glSetColorTableFormat(GlColorTable* t, GLenum target, GLenum internalFormat, GLsizei width) {
    t->target = target;
    t->internalFormat = internalFormat;
    t->width = width;
    const TableBase* b = baseOfInternal(internalFormat);
    if (!b) return;
    t->redSize = b->r, t->greenSize = b->g, t->blueSize = b->b, t->alphaSize = b->a;
    t->luminanceSize = b->l, t->intensitySize = b->i;
    t->baseFormat = b->base;
    t->components = b->components;
    t->type = GL_UNSIGNED_BYTE;
}

extern "C" void GLPROC __glSetColorTableDest(const GlColorTable* t, GlPixelOpRecord* op) {
    setTableLayout(t, &op->destination, 0);
}

extern "C" void GLPROC __glDefineColorTable(GlContext* gc, GLenum target, GLenum internalFormat, GLsizei width,
                                           GLenum format, GLenum type, const GLvoid* data, GLboolean packed) {
    GlColorTable* t = tableOf(gc, target);
    if (!t) return;  // the shared palette: no table of its own here
    __glDefineColorTableOf(gc, t, target, internalFormat, width, format, type, data, packed);
}

extern "C" void GLPROC __glDefineColorTableOf(GlContext* gc, GlColorTable* t, GLenum target, GLenum internalFormat,
                                             GLsizei width, GLenum format, GLenum type, const GLvoid* data,
                                             GLboolean packed) {
    if (internalFormat == 0) {  // a proxy too large reads back empty
        t->internalFormat = t->type = 0;
        t->width = 0;
        t->redSize = t->greenSize = t->blueSize = t->alphaSize = t->luminanceSize = t->intensitySize = 0;
        return;
    }
    if (proxyTarget(target)) return __glSetColorTableFormat(t, target, internalFormat, width);
    if (!growTable(gc, t, internalFormat, width)) return;
    __glSetColorTableFormat(t, target, internalFormat, width);
    storeEntries(gc, t, 0, width, format, type, data, packed);
}

extern "C" void GLPROC __glStoreColorSubTable(GlContext* gc, GLenum target, GLsizei start, GLsizei count,
                                             GLenum format, GLenum type, const GLvoid* data, GLboolean packed) {
    GlColorTable* t = realTarget(target) ? tableOf(gc, target) : nullptr;
    if (!t) return;
    if ((int64_t)start + (int64_t)count > (int64_t)t->width) return __glSetError(GL_INVALID_VALUE);
    storeEntries(gc, t, start, count, format, type, data, packed);
}

// ---- Entries.

extern "C" void GLIMM __glImmColorTableEXT(GLenum target, GLenum internalFormat, GLsizei width, GLenum format,
                                          GLenum type, const GLvoid* table) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = tableCall(ts);
    if (!gc) return;
    const GLenum error = __glCheckColorTableArgs(gc, target, internalFormat, width, format, type);
    if (error) {
        if (proxyTarget(target) && error == GL_TABLE_TOO_LARGE_EXT) internalFormat = 0;
        else if (target != GL_SHARED_TEXTURE_PALETTE_EXT) return __glSetError(error);
    }
    gc->procs.defineColorTable(gc, target, internalFormat, width, format, type, table, GL_FALSE);
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

extern "C" void GLIMM __glImmColorSubTableEXT(GLenum target, GLsizei start, GLsizei count, GLenum format,
                                             GLenum type, const GLvoid* data) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = tableCall(ts);
    if (!gc) return;
    const GLenum error = __glCheckColorSubTableArgs(gc, target, start, count, format, type);
    if (error) return __glSetError(error);
    __glStoreColorSubTable(gc, target, start, count, format, type, data, GL_FALSE);
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

extern "C" void GLIMM __glImmCopyColorTableEXT(GLenum target, GLenum internalFormat, GLint x, GLint y,
                                              GLsizei width) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = tableCall(ts);
    if (!gc) return;
    const GLenum error = __glCheckColorTableArgs(gc, target, internalFormat, width, GL_RGBA, GL_FLOAT);
    if (error) return __glSetError(error);
    if (proxyTarget(target)) return __glSetError(GL_INVALID_ENUM);
    GlColorTable* t = tableOf(gc, target);
    if (!growTable(gc, t, internalFormat, width)) return;
    __glSetColorTableFormat(t, target, internalFormat, width);
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
    GlPixelOpRecord op;
    __glInitCopyTexRecord(gc, &op, x, y, width, 1);
    __glSetColorTableDest(t, &op);
    if (!__glClipReadPixels(gc, &op) || !__glLayoutImage(&op.destination, op.width, 1)) return;
    __glRunReadToImage(gc, &op);
}

// The entries as the client asks for them, under the pack modes; no transfer.
extern "C" void GLIMM __glImmGetColorTableEXT(GLenum target, GLenum format, GLenum type, GLvoid* data) {
    GlContext* gc = tableCall(__glThreadState());
    if (!gc) return;
    GLenum error = __glCheckColorTableArgs(gc, target, GL_RGB, 0, format, type);
    if (!error && !realTarget(target)) error = GL_INVALID_ENUM;
    if (error) return __glSetError(error);
    const GlColorTable* t = tableOf(gc, target);
    if (!t->data || t->width <= 0 || !data) return;
    GlPixelOpRecord op;
    memset(&op, 0, sizeof op);
    op.zoomX = 1.0f;
    op.width = t->width, op.height = op.depth = 1;
    setTableLayout(t, &op.source, 0);
    __glSetImageModes(&op.destination, format, type, data, t->width, &gc->pixel.pack);
    if (!__glLayoutImage(&op.source, t->width, 1) || !__glLayoutImage(&op.destination, t->width, 1)) return;
    __glRunImageConvert(gc, &op, GL_FALSE);
}

namespace {

template <class T> void getParameter(GLenum target, GLenum pname, T* out) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    const GlColorTable* t = tableOf(ts->context, target);
    if (!t) return __glSetError(GL_INVALID_ENUM);
    GLint v;
    switch (pname) {
    case GL_COLOR_TABLE_FORMAT_EXT: v = (GLint)t->internalFormat; break;
    case GL_COLOR_TABLE_WIDTH_EXT: v = t->width; break;
    case GL_COLOR_TABLE_RED_SIZE_EXT: v = t->redSize; break;
    case GL_COLOR_TABLE_GREEN_SIZE_EXT: v = t->greenSize; break;
    case GL_COLOR_TABLE_BLUE_SIZE_EXT: v = t->blueSize; break;
    case GL_COLOR_TABLE_ALPHA_SIZE_EXT: v = t->alphaSize; break;
    case GL_COLOR_TABLE_LUMINANCE_SIZE_EXT: v = t->luminanceSize; break;
    case GL_COLOR_TABLE_INTENSITY_SIZE_EXT: v = t->intensitySize; break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    *out = (T)v;
}

}  // namespace

extern "C" void GLIMM __glImmGetColorTableParameterivEXT(GLenum target, GLenum pname, GLint* params) {
    getParameter(target, pname, params);
}
extern "C" void GLIMM __glImmGetColorTableParameterfvEXT(GLenum target, GLenum pname, GLfloat* params) {
    getParameter(target, pname, params);
}
