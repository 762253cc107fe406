// Texture images and levels: argument checks, level storage in the stored
// layouts, client images into levels and back, completeness and the texel
// extract procedures.

#include <string.h>
#include <array>
#include "core/beginstate.h"
#include "core/stateutil.h"
#include "pixel/pixel.h"
#include "texture.h"

namespace {

// ---- stored layouts

enum Layout { L_LUM, L_LUMALPHA, L_RGB, L_RGBA, L_ALPHA, L_INTENSITY, L_INDEX8, L_INDEX16, L_COUNT };

struct StoredFormat {
    GLenum base, stored;
    GLint bytes;
    // component sizes: red, green, blue, alpha, luminance, intensity
    uint8_t r, g, b, a, l, i;
    GLenum descFormat, descType;
};

const StoredFormat storedFormats[L_COUNT] = {
    {GL_LUMINANCE, GL_LUMINANCE, 1, 0, 0, 0, 0, 8, 0, GL_RED, GL_UNSIGNED_BYTE},
    {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, 2, 0, 0, 0, 8, 8, 0, GL_IMAGE_FORMAT_LUMINANCE_ALPHA8, GL_UNSIGNED_BYTE},
    {GL_RGB, GL_RGB, 3, 8, 8, 8, 0, 0, 0, GL_RGB, GL_UNSIGNED_BYTE},
    {GL_RGBA, GL_RGBA, 4, 8, 8, 8, 8, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE},
    {GL_ALPHA, GL_ALPHA, 1, 0, 0, 0, 8, 0, 0, GL_ALPHA, GL_UNSIGNED_BYTE},
    {GL_INTENSITY, GL_INTENSITY, 1, 0, 0, 0, 0, 0, 8, GL_RED, GL_UNSIGNED_BYTE},
    {GL_COLOR_INDEX, GL_COLOR_INDEX8_EXT, 1, 0, 0, 0, 0, 0, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE},
    {GL_COLOR_INDEX, GL_COLOR_INDEX16_EXT, 2, 0, 0, 0, 0, 0, 0, GL_COLOR_INDEX, GL_UNSIGNED_SHORT},
};

struct InternalFormat {
    GLenum name;
    Layout layout;
};
const InternalFormat internalFormats[] = {
    {1, L_LUM}, {GL_LUMINANCE, L_LUM}, {GL_LUMINANCE4, L_LUM}, {GL_LUMINANCE8, L_LUM}, {GL_LUMINANCE12, L_LUM},
    {GL_LUMINANCE16, L_LUM},
    {2, L_LUMALPHA}, {GL_LUMINANCE_ALPHA, L_LUMALPHA}, {GL_LUMINANCE4_ALPHA4, L_LUMALPHA},
    {GL_LUMINANCE6_ALPHA2, L_LUMALPHA}, {GL_LUMINANCE8_ALPHA8, L_LUMALPHA}, {GL_LUMINANCE12_ALPHA4, L_LUMALPHA},
    {GL_LUMINANCE12_ALPHA12, L_LUMALPHA}, {GL_LUMINANCE16_ALPHA16, L_LUMALPHA},
    {3, L_RGB}, {GL_RGB, L_RGB}, {GL_R3_G3_B2, L_RGB}, {GL_RGB4, L_RGB}, {GL_RGB5, L_RGB}, {GL_RGB8, L_RGB},
    {GL_RGB10, L_RGB}, {GL_RGB12, L_RGB}, {GL_RGB16, L_RGB},
    {4, L_RGBA}, {GL_RGBA, L_RGBA}, {GL_RGBA2, L_RGBA}, {GL_RGBA4, L_RGBA}, {GL_RGB5_A1, L_RGBA}, {GL_RGBA8, L_RGBA},
    {GL_RGB10_A2, L_RGBA}, {GL_RGBA12, L_RGBA}, {GL_RGBA16, L_RGBA},
    {GL_ALPHA, L_ALPHA}, {GL_ALPHA4, L_ALPHA}, {GL_ALPHA8, L_ALPHA}, {GL_ALPHA12, L_ALPHA}, {GL_ALPHA16, L_ALPHA},
    {GL_INTENSITY, L_INTENSITY}, {GL_INTENSITY4, L_INTENSITY}, {GL_INTENSITY8, L_INTENSITY},
    {GL_INTENSITY12, L_INTENSITY}, {GL_INTENSITY16, L_INTENSITY},
    {GL_COLOR_INDEX1_EXT, L_INDEX8}, {GL_COLOR_INDEX2_EXT, L_INDEX8}, {GL_COLOR_INDEX4_EXT, L_INDEX8},
    {GL_COLOR_INDEX8_EXT, L_INDEX8}, {GL_COLOR_INDEX12_EXT, L_INDEX16}, {GL_COLOR_INDEX16_EXT, L_INDEX16},
};

const InternalFormat* findInternalFormat(GLint internalFormat) {
    for (const InternalFormat& f : internalFormats)
        if ((GLint)f.name == internalFormat) return &f;
    return nullptr;
}
const StoredFormat* storedOf(GLenum stored) {
    for (const StoredFormat& s : storedFormats)
        if (s.stored == stored) return &s;
    return nullptr;
}

GLint log2Of(GLint v) {
    GLint n = 0;
    while (v > 1) v >>= 1, n++;
    return n;
}

// ---- texel extraction

// The byte texel at (row, column) or null for the border colour.
template <bool Border>
const uint8_t* texelAt(const GlMipmapLevel* level, GLint row, GLint column, GLint bytes) {
    if (Border) return level->data + ((size_t)(row + 1) * (size_t)level->width + (size_t)(column + 1)) * bytes;
    if (row < 0 || row >= level->innerHeight || column < 0 || column >= level->innerWidth) return nullptr;
    return level->data + (((size_t)row << level->widthLog2) + (size_t)column) * bytes;
}

void paletteEntry(const GlTextureParams* params, GLuint index, GlTexel* out, const GLfloat* toFloat) {
    const GlColorTable* t = &params->palette;
    if (!t->data || t->width <= 0) return;
    const uint8_t* e = t->data + (size_t)(index % (GLuint)t->width) * (size_t)t->components;
    switch (t->baseFormat) {
    case GL_ALPHA: out->alpha = toFloat[e[0]]; break;
    case GL_LUMINANCE: out->luminance = toFloat[e[0]]; break;
    case GL_LUMINANCE_ALPHA: out->luminance = toFloat[e[0]], out->alpha = toFloat[e[1]]; break;
    case GL_INTENSITY: out->intensity = toFloat[e[0]]; break;
    case GL_RGB: out->red = toFloat[e[0]], out->green = toFloat[e[1]], out->blue = toFloat[e[2]]; break;
    case GL_RGBA:
        out->red = toFloat[e[0]], out->green = toFloat[e[1]], out->blue = toFloat[e[2]], out->alpha = toFloat[e[3]];
        break;
    }
}

// i / 255, as every context's constants hold it.
constexpr std::array<GLfloat, 256> kUbyteToFloat = [] {
    std::array<GLfloat, 256> t{};
    for (int i = 0; i < 256; i++) t[i] = (GLfloat)i * (1.0f / 255.0f);
    return t;
}();

template <Layout F, bool Border>
void extract(GlMipmapLevel* level, GlTextureParams* params, GLint, GLint row, GLint column, GlTexel* out) {
    const GLfloat* toFloat = kUbyteToFloat.data();
    const uint8_t* p = texelAt<Border>(level, row, column, storedFormats[F].bytes);
    const GLfloat* bc = params->state.borderColor;
    if (F == L_INDEX8 || F == L_INDEX16) {
        GLuint index;
        // The border's index is its red over the stored index range, rounded
        // (red is clamped to [0, 1]; whole red would reach indexes 0 and 1 only).
        if (p) index = F == L_INDEX8 ? p[0] : (GLuint)(p[0] | p[1] << 8);
        else index = (GLuint)(GLint)(bc[0] * (F == L_INDEX8 ? 255.0f : 65535.0f) + 0.5f);
        if (params->baseFormat == GL_COLOR_INDEX) out->red = (GLfloat)index;
        else paletteEntry(params, index, out, toFloat);
        return;
    }
    GLfloat c[4];
    if (p)
        for (int k = 0; k < storedFormats[F].bytes; k++) c[k] = toFloat[p[k]];
    switch (F) {
    case L_LUM: out->luminance = p ? c[0] : bc[0]; break;
    case L_LUMALPHA: out->luminance = p ? c[0] : bc[0], out->alpha = p ? c[1] : bc[3]; break;
    case L_ALPHA: out->alpha = p ? c[0] : bc[3]; break;
    case L_INTENSITY: out->intensity = p ? c[0] : bc[0]; break;
    case L_RGBA: out->alpha = p ? c[3] : bc[3]; [[fallthrough]];
    case L_RGB:
        out->red = p ? c[0] : bc[0], out->green = p ? c[1] : bc[1], out->blue = p ? c[2] : bc[2];
        break;
    default: break;
    }
}

}  // namespace

// The extract procedures by name: (layout, borderless name, border name).
#define GL_TEXEL_EXTRACTORS(X)                                                                         \
    X(L_LUM, __glExtractTexelLuminance, __glExtractTexelLuminanceBorder)                               \
    X(L_LUMALPHA, __glExtractTexelLuminanceAlpha, __glExtractTexelLuminanceAlphaBorder)                \
    X(L_RGB, __glExtractTexelRGB, __glExtractTexelRGBBorder)                                           \
    X(L_RGBA, __glExtractTexelRGBA, __glExtractTexelRGBABorder)                                        \
    X(L_ALPHA, __glExtractTexelAlpha, __glExtractTexelAlphaBorder)                                     \
    X(L_INTENSITY, __glExtractTexelIntensity, __glExtractTexelIntensityBorder)                         \
    X(L_INDEX8, __glExtractTexelIndex8, __glExtractTexelIndex8Border)                                  \
    X(L_INDEX16, __glExtractTexelIndex16, __glExtractTexelIndex16Border)
#define GL_EXTRACT_PAIR(layout, plain, border)                                                           \
    extern "C" void GLPROC plain(GlMipmapLevel* l, GlTextureParams* p, GLint i, GLint r, GLint c, GlTexel* o) { \
        extract<layout, false>(l, p, i, r, c, o);                                                        \
    }                                                                                                    \
    extern "C" void GLPROC border(GlMipmapLevel* l, GlTextureParams* p, GLint i, GLint r, GLint c, GlTexel* o) { \
        extract<layout, true>(l, p, i, r, c, o);                                                         \
    }
GL_TEXEL_EXTRACTORS(GL_EXTRACT_PAIR)
#undef GL_EXTRACT_PAIR

namespace {

#define GL_EXTRACT_ROW(layout, plain, border) {plain, border},
const GlTexelExtractProc extractProcs[L_COUNT][2] = {GL_TEXEL_EXTRACTORS(GL_EXTRACT_ROW)};
#undef GL_EXTRACT_ROW

// ---- checks

bool packedType(GLenum type) { return type - GL_UNSIGNED_BYTE_3_3_2_EXT <= 4u; }

// Type and format rules shared by the image and sub-image checks.
bool checkFormatType(GLenum format, GLenum type) {
    if (type == GL_BITMAP) {
        if (format != GL_COLOR_INDEX) return __glSetError(GL_INVALID_ENUM), false;
    } else if (type == GL_UNSIGNED_BYTE_3_3_2_EXT) {
        if (format != GL_RGB && format != GL_BGR_EXT) return __glSetError(GL_INVALID_OPERATION), false;
    } else if (packedType(type)) {
        if (format != GL_RGBA && format != GL_ABGR_EXT && format != GL_BGRA_EXT)
            return __glSetError(GL_INVALID_OPERATION), false;
    } else if (type - GL_BYTE > GL_FLOAT - GL_BYTE) {
        return __glSetError(GL_INVALID_ENUM), false;
    }
    switch (format) {
    case GL_COLOR_INDEX: case GL_RED: case GL_GREEN: case GL_BLUE: case GL_ALPHA: case GL_RGB: case GL_RGBA:
    case GL_LUMINANCE: case GL_LUMINANCE_ALPHA: case GL_ABGR_EXT: case GL_BGR_EXT: case GL_BGRA_EXT: return true;
    }
    __glSetError(GL_INVALID_ENUM);
    return false;
}

bool checkLevel(GlContext* gc, GLint level) {
    if (level >= 0 && level < gc->limits.textureLevels) return true;
    __glSetError(GL_INVALID_VALUE);
    return false;
}

GLboolean sizeOk(GLint size, GLint border) {
    const int64_t inner = (int64_t)size - 2 * (int64_t)border;
    return inner == 0 || (inner > 0 && (inner & (inner - 1)) == 0);
}

const GlPixelStoreModes packedModes = {0, 0, {0, 0}, 0, 0, 0, 1};

uint8_t toByte(GLfloat v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return (uint8_t)(v * 255.0f + 0.5f);
}

}  // namespace

// ---- checks

extern "C" GlTextureParams* GLPROC __glCheckTexImageArgs(GlContext* gc, GLenum target, GLint level,
                                                        GLint internalFormat, GLint border, GLenum format,
                                                        GLenum type, GLint dimensions) {
    GlTextureParams* p = __glLookupTexParams(gc, target);
    if (!p || p->dimensions != dimensions) return __glSetError(GL_INVALID_ENUM), nullptr;
    if (!checkFormatType(format, type)) return nullptr;
    if (!checkLevel(gc, level)) return nullptr;
    const InternalFormat* f = findInternalFormat(internalFormat);
    if (!f) return __glSetError(GL_INVALID_ENUM), nullptr;
    if ((f->layout == L_INDEX8 || f->layout == L_INDEX16) &&
        (format != GL_COLOR_INDEX || type - GL_BYTE > GL_UNSIGNED_INT - GL_BYTE))
        return __glSetError(GL_INVALID_VALUE), nullptr;
    if (border != 0 && border != 1) return __glSetError(GL_INVALID_VALUE), nullptr;
    return p;
}

extern "C" GLboolean GLPROC __glCheckTexSize(GlContext*, GLint size, GLint border) {
    if (sizeOk(size, border)) return GL_TRUE;
    __glSetError(GL_INVALID_VALUE);
    return GL_FALSE;
}

extern "C" GlTextureParams* GLPROC __glCheckTexImage1DArgs(GlContext* gc, GLenum target, GLint level,
                                                          GLint internalFormat, GLsizei width, GLint border,
                                                          GLenum format, GLenum type) {
    GlTextureParams* p = __glCheckTexImageArgs(gc, target, level, internalFormat, border, format, type, 1);
    return p && __glCheckTexSize(gc, width, border) ? p : nullptr;
}

extern "C" GlTextureParams* GLPROC __glCheckTexImage2DArgs(GlContext* gc, GLenum target, GLint level,
                                                          GLint internalFormat, GLsizei width, GLsizei height,
                                                          GLint border, GLenum format, GLenum type) {
    GlTextureParams* p = __glCheckTexImageArgs(gc, target, level, internalFormat, border, format, type, 2);
    return p && __glCheckTexSize(gc, width, border) && __glCheckTexSize(gc, height, border) ? p : nullptr;
}

extern "C" GlTextureParams* GLPROC __glCheckTexSubImageTarget(GlContext* gc, GLenum target, GLint level,
                                                             GLenum format, GLenum type, GLint dimensions) {
    GlTextureParams* p = __glLookupTexParams(gc, target);
    if (!p || target == GL_PROXY_TEXTURE_1D || target == GL_PROXY_TEXTURE_2D || p->dimensions != dimensions)
        return __glSetError(GL_INVALID_ENUM), nullptr;
    if (!checkFormatType(format, type) || !checkLevel(gc, level)) return nullptr;
    if (!p->levels[level].data) return __glSetError(GL_INVALID_OPERATION), nullptr;
    return p;
}

extern "C" GLboolean GLPROC __glCheckTexSubRange(GlContext*, const GlMipmapLevel* l, GLint offset, GLsizei size,
                                                GLint levelSize) {
    const int64_t o = offset, s = size, b = l->border;
    if (s >= 0 && o >= -b && o + s <= (int64_t)levelSize - b) return GL_TRUE;
    __glSetError(GL_INVALID_VALUE);
    return GL_FALSE;
}

// ---- levels

extern "C" GLint GLPROC __glSetTextureLevelFormat(GlContext*, GlTextureParams*, GlMipmapLevel* l, GLint,
                                                 GLint internalFormat, GLint width, GLint height, GLint, GLint border,
                                                 GLint) {
    l->redBits = l->greenBits = l->blueBits = l->alphaBits = l->luminanceBits = l->intensityBits = 0;
    l->internalFormat = internalFormat;
    const InternalFormat* f = findInternalFormat(internalFormat);
    if (!f) return -1;
    const StoredFormat* s = &storedFormats[f->layout];
    l->baseFormat = s->base;
    l->storedFormat = s->stored;
    l->redBits = s->r, l->greenBits = s->g, l->blueBits = s->b, l->alphaBits = s->a;
    l->luminanceBits = s->l, l->intensityBits = s->i;
    l->extract = extractProcs[f->layout][border ? 1 : 0];
    const int64_t size = (int64_t)width * height * s->bytes;
    return size > INT32_MAX ? -1 : (GLint)size;
}

namespace {

bool tooLarge(GlContext* gc, GLint level, GLint width, GLint height, GLint border) {
    const int64_t max = (int64_t)1 << (gc->limits.textureLevels - 1);
    return (((int64_t)width - 2 * border) << level) > max || (((int64_t)height - 2 * border) << level) > max;
}

void clearLevel(GlMipmapLevel* l) {
    uint8_t* data = l->data;
    uint8_t* converted = l->converted;
    memset(l, 0, sizeof *l);
    l->data = data, l->converted = converted;
    l->internalFormat = 1;
    l->extract = __glExtractTexelEmpty;
}

// Sizes and formats of a level from the format record `f`.
void setLevelSizes(GlMipmapLevel* l, const GlMipmapLevel* f, GLint width, GLint height, GLint depth, GLint border) {
    l->width = width, l->height = height, l->depth = depth;
    l->texelCount = width * height;
    l->innerWidth = width - 2 * border, l->innerHeight = height - 2 * border, l->innerDepth = depth - 2 * border;
    l->innerWidthF = (GLfloat)l->innerWidth, l->innerHeightF = (GLfloat)l->innerHeight;
    l->innerDepthF = (GLfloat)l->innerDepth;
    l->widthLog2 = log2Of(l->innerWidth), l->heightLog2 = log2Of(l->innerHeight), l->depthLog2 = log2Of(l->innerDepth);
    l->border = border;
    l->internalFormat = f->internalFormat, l->baseFormat = f->baseFormat, l->storedFormat = f->storedFormat;
    l->redBits = f->redBits, l->greenBits = f->greenBits, l->blueBits = f->blueBits, l->alphaBits = f->alphaBits;
    l->luminanceBits = f->luminanceBits, l->intensityBits = f->intensityBits;
    l->extract = f->extract;
}

void setMaxLevel(GlTextureParams* p, GLint level) {
    if (level != 0) return;
    const GlMipmapLevel* l = &p->levels[0];
    GLint m = l->heightLog2 > l->widthLog2 ? l->heightLog2 : l->widthLog2;
    p->maxLevel = l->depthLog2 > m ? l->depthLog2 : m;
}

}  // namespace

extern "C" uint8_t* GLPROC __glAllocTexLevelAs(GlTexLevelFormatProc format, GlContext* gc, GlTextureParams* p,
                                               GLint level, GLint internalFormat, GLint width, GLint height,
                                               GLint depth, GLint border, GLint dimensions) {
    GlMipmapLevel f = {};
    GLint size = format(gc, p, &f, level, internalFormat, width, height, depth, border, dimensions);
    if (size < 0 || tooLarge(gc, level, width, height, border)) return __glSetError(GL_INVALID_VALUE), nullptr;
    GlMipmapLevel* l = &p->levels[level];
    if (size > 0) {
        uint8_t* data = (uint8_t*)gc->imports.realloc(gc, l->data, (size_t)size + GL_TEX_LEVEL_SLACK);
        if (!data) return __glSetError(GL_OUT_OF_MEMORY), nullptr;
        l->data = data;
        gc->imports.free(gc, l->converted);
        l->converted = nullptr;
        setLevelSizes(l, &f, width, height, depth, border);
    } else {
        gc->imports.free(gc, l->data);
        gc->imports.free(gc, l->converted);
        l->data = l->converted = nullptr;
        clearLevel(l);
    }
    setMaxLevel(p, level);
    return l->data;
}

extern "C" uint8_t* GLPROC __glAllocProxyTexLevelAs(GlTexLevelFormatProc format, GlContext* gc, GlTextureParams* p,
                                                    GLint level, GLint internalFormat, GLint width, GLint height,
                                                    GLint depth, GLint border, GLint dimensions) {
    GlMipmapLevel f = {};
    GLint size = format(gc, p, &f, level, internalFormat, width, height, depth, border, dimensions);
    GlMipmapLevel* l = &p->levels[level];
    if (size <= 0 || tooLarge(gc, level, width, height, border)) clearLevel(l);
    else setLevelSizes(l, &f, width, height, depth, border);
    setMaxLevel(p, level);
    return nullptr;
}

extern "C" uint8_t* GLPROC __glAllocTexLevel(GlContext* gc, GlTextureParams* p, GLint level, GLint internalFormat,
                                             GLint width, GLint height, GLint depth, GLint border, GLint dimensions) {
    return __glAllocTexLevelAs(__glSetTextureLevelFormat, gc, p, level, internalFormat, width, height, depth, border,
                               dimensions);
}
extern "C" uint8_t* GLPROC __glAllocProxyTexLevel(GlContext* gc, GlTextureParams* p, GLint level,
                                                  GLint internalFormat, GLint width, GLint height, GLint depth,
                                                  GLint border, GLint dimensions) {
    return __glAllocProxyTexLevelAs(__glSetTextureLevelFormat, gc, p, level, internalFormat, width, height, depth,
                                    border, dimensions);
}

// ---- pixel-operation records

extern "C" void GLPROC __glSetTexImageUnpack(GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height,
                                            GLsizei depth, GLenum format, GLenum type, const GLvoid* pixels,
                                            GLint defaultLayout) {
    op->startX = 0.0f;
    op->zoomX = 1.0f;
    op->width = width, op->height = height, op->depth = depth;
    __glSetImageModes(&op->source, format, type, pixels, width, defaultLayout ? &packedModes : &gc->pixel.unpack);
}

extern "C" void GLPROC __glSetTexImagePack(GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height,
                                          GLsizei depth, GLenum format, GLenum type, GLvoid* pixels) {
    op->startX = 0.0f;
    op->zoomX = 1.0f;
    op->width = width, op->height = height, op->depth = depth;
    __glSetImageModes(&op->destination, format, type, pixels, width, &gc->pixel.pack);
}

namespace {
void setLevelLayout(GlImageLayout* d, const GlMipmapLevel* l, GLint x, GLint y) {
    const StoredFormat* s = storedOf(l->storedFormat);
    GlPixelStoreModes m = packedModes;
    m.alignment = s->descType == GL_UNSIGNED_SHORT ? 2 : 1;
    m.lsbFirst = 1;
    m.skipPixels = x + l->border;
    m.skipRows = y + l->border;
    m.rowLength = l->width;
    __glSetImageModes(d, s->descFormat, s->descType, l->data, l->width, &m);
}
}  // namespace

extern "C" void GLPROC __glSetTexLevelDest(GlContext*, GlPixelOpRecord* op, GlTextureParams* p, GLint level) {
    const GlMipmapLevel* l = &p->levels[level];
    setLevelLayout(&op->destination, l, -l->border, p->dimensions == 1 ? 0 : -l->border);
}
extern "C" void GLPROC __glSetTexLevelSource(GlContext*, GlPixelOpRecord* op, GlTextureParams* p, GLint level) {
    const GlMipmapLevel* l = &p->levels[level];
    setLevelLayout(&op->source, l, -l->border, p->dimensions == 1 ? 0 : -l->border);
}
extern "C" void GLPROC __glSetTexSubImageDest(GlContext*, GlPixelOpRecord* op, GlTextureParams* p, GLint level,
                                             GLint x, GLint y) {
    setLevelLayout(&op->destination, &p->levels[level], x, y);
}

// Client rows into the level rectangle of the record's destination; an image
// without pixels (or beyond the address space) stores zeros.
extern "C" void GLPROC __glTexStoreImageHook(GlContext* gc, GlPixelOpRecord* op, GlTextureParams*, GLint) {
    GlImageLayout* d = &op->destination;
    const GLint width = op->width, height = op->height;
    if (width <= 0 || height <= 0 || !__glLayoutImage(d, width, height)) return;
    const bool present = op->source.data && __glSetupImageLayout(gc, op);
    const GLint bytes = d->groupSize;
    const bool index = d->format == GL_COLOR_INDEX;
    const GLint from = __glPixelFormatKind(op->source.format);
    const GLint to = index ? GL_PIXEL_KIND_INDEX : GL_PIXEL_KIND_RGBA;
    GlPixelScratch scratch;
    GLfloat values[GL_PIXEL_CHUNK * 4];
    uint8_t* out = (uint8_t*)d->firstPixel;
    for (GLint y = 0; y < height; y++, out += d->rowStride) {
        if (!present) {
            memset(out, 0, (size_t)width * (size_t)bytes);
            continue;
        }
        const uint8_t* in = op->source.firstPixel + (ptrdiff_t)y * op->source.rowStride;
        for (GLint first = 0; first < width; first += GL_PIXEL_CHUNK) {
            const GLint n = width - first < GL_PIXEL_CHUNK ? width - first : GL_PIXEL_CHUNK;
            __glUnpackPixelSpan(gc, op, in, first, n, values, &scratch);
            __glTransferPixelSpan(gc, from, to, values, n);
            for (GLint i = 0; i < n; i++) {
                uint8_t* t = out + (size_t)(first + i) * (size_t)bytes;
                const GLfloat* c = index ? &values[i] : &values[4 * i];
                if (index) {
                    const uint16_t v = (uint16_t)(int64_t)c[0];
                    if (bytes == 2) memcpy(t, &v, 2);
                    else t[0] = (uint8_t)v;
                    continue;
                }
                switch (d->format) {
                case GL_RED: t[0] = toByte(c[0]); break;
                case GL_ALPHA: t[0] = toByte(c[3]); break;
                case GL_IMAGE_FORMAT_LUMINANCE_ALPHA8: t[0] = toByte(c[0]), t[1] = toByte(c[3]); break;
                default:
                    for (GLint k = 0; k < bytes; k++) t[k] = toByte(c[k]);
                }
            }
        }
    }
    op->width = width;
}

// ---- completeness

extern "C" GLboolean GLPROC __glIsTextureComplete(GlContext* gc, const GlTextureParams* p) {
    const GlMipmapLevel* l0 = &p->levels[0];
    if (!l0->width || !l0->height || !l0->depth) return GL_FALSE;
    const bool indexMode = gc->pixelFormat.colorIndex != 0;
    GLenum base = l0->baseFormat;
    if (indexMode) {
        if (base != GL_COLOR_INDEX) return GL_FALSE;
    } else if (base == GL_COLOR_INDEX) {
        // Index texels look up a palette: one without entries leaves nothing to draw.
        base = p->palette.baseFormat;
        if (!p->palette.data || p->palette.width <= 0 || base == 0 || base == GL_COLOR_INDEX) return GL_FALSE;
    }
    switch (gc->texture.env.mode) {
    case GL_ADD:
        if (!indexMode) return GL_FALSE;
        break;
    case GL_BLEND:
    case GL_MODULATE:
        if (indexMode) return GL_FALSE;
        break;
    case GL_DECAL:
        if (indexMode || (base != GL_RGB && base != GL_RGBA)) return GL_FALSE;
        break;
    }
    if (p->state.minFilter == GL_NEAREST || p->state.minFilter == GL_LINEAR) return GL_TRUE;
    GLint w = l0->innerWidth, h = l0->innerHeight, d = l0->innerDepth;
    for (GLint i = 1; i < p->levelCount && !(w == 1 && h == 1); i++) {
        if (w > 1) w >>= 1;
        if (h > 1) h >>= 1;
        if (d > 1) d >>= 1;
        const GlMipmapLevel* l = &p->levels[i];
        if (l->border != l0->border || l->internalFormat != l0->internalFormat || l->innerWidth != w ||
            l->innerHeight != h || l->innerDepth != d || !l->width)
            return GL_FALSE;
    }
    return GL_TRUE;
}

// ---- entries and their context-taking bodies

namespace {

void texImage(GlContext* gc, GLint dims, GLenum target, GLint level, GLint internalFormat, GLsizei width,
              GLsizei height, GLint border, GLenum format, GLenum type, const GLvoid* pixels, GLint defaultLayout) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    GlTextureParams* p = dims == 1
                             ? __glCheckTexImage1DArgs(gc, target, level, internalFormat, width, border, format, type)
                             : __glCheckTexImage2DArgs(gc, target, level, internalFormat, width, height, border,
                                                       format, type);
    if (!p) return;
    GlTextureObject* bound = gc->textureObjects.bound[dims == 1 ? GL_TEX_1D : GL_TEX_2D];
    if (bound->refCount > 2) return __glSetError(GL_INVALID_OPERATION);
    const GLint rows = dims == 1 ? 1 + 2 * border : height;
    uint8_t* memory = p->allocLevel(gc, p, level, internalFormat, width, rows, 1 + 2 * border, border, dims);
    if (memory) {
        // The whole level is defined: zeros wherever the image gives nothing.
        memset(memory, 0, (size_t)p->levels[level].texelCount * (size_t)storedOf(p->levels[level].storedFormat)->bytes);
        GlPixelOpRecord op = {};
        __glSetTexImageUnpack(gc, &op, width, dims == 1 ? 1 : height, 1, format, type, pixels, defaultLayout);
        __glSetTexLevelDest(gc, &op, p, level);
        p->storeImage(gc, &op, p, level);
    }
    bound->resident = 1;
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

void texSubImage(GlContext* gc, GLint dims, GLenum target, GLint level, GLint x, GLint y, GLsizei width,
                 GLsizei height, GLenum format, GLenum type, const GLvoid* pixels, GLint defaultLayout) {
    if (__glDrawPrologue(__glThreadState()) == GL_DRAW_REFUSED) return;
    GlTextureParams* p = __glCheckTexSubImageTarget(gc, target, level, format, type, dims);
    if (!p) return;
    const GlMipmapLevel* l = &p->levels[level];
    if (!__glCheckTexSubRange(gc, l, x, width, l->width)) return;
    if (dims == 2 && !__glCheckTexSubRange(gc, l, y, height, l->height)) return;
    GlPixelOpRecord op = {};
    __glSetTexImageUnpack(gc, &op, width, dims == 1 ? 1 : height, 1, format, type, pixels, defaultLayout);
    __glSetTexSubImageDest(gc, &op, p, level, x, dims == 1 ? 0 : y);
    p->storeImage(gc, &op, p, level);
    if (dims == 2) __glUpdateConvertedTexture(gc, &p->levels[level], x, y, width, height);
}

}  // namespace

extern "C" void GLPROC __glDoTexImage1D(GlContext* gc, GLenum target, GLint level, GLint internalFormat,
                                       GLsizei width, GLint border, GLenum format, GLenum type,
                                       const GLvoid* pixels) {
    texImage(gc, 1, target, level, internalFormat, width, 1, border, format, type, pixels, 1);
}
extern "C" void GLPROC __glDoTexImage2D(GlContext* gc, GLenum target, GLint level, GLint internalFormat,
                                       GLsizei width, GLsizei height, GLint border, GLenum format, GLenum type,
                                       const GLvoid* pixels) {
    texImage(gc, 2, target, level, internalFormat, width, height, border, format, type, pixels, 1);
}
extern "C" void GLPROC __glDoTexSubImage1D(GlContext* gc, GLenum target, GLint level, GLint x, GLsizei width,
                                          GLenum format, GLenum type, const GLvoid* pixels) {
    texSubImage(gc, 1, target, level, x, 0, width, 1, format, type, pixels, 1);
}
extern "C" void GLPROC __glDoTexSubImage2D(GlContext* gc, GLenum target, GLint level, GLint x, GLint y,
                                          GLsizei width, GLsizei height, GLenum format, GLenum type,
                                          const GLvoid* pixels) {
    texSubImage(gc, 2, target, level, x, y, width, height, format, type, pixels, 1);
}

extern "C" void GLIMM __glImmTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                       GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    texImage(__glCurrentContext(), 1, target, level, internalFormat, width, 1, border, format, type, pixels, 0);
}
extern "C" void GLIMM __glImmTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                       GLsizei height, GLint border, GLenum format, GLenum type,
                                       const GLvoid* pixels) {
    texImage(__glCurrentContext(), 2, target, level, internalFormat, width, height, border, format, type, pixels, 0);
}
extern "C" void GLIMM __glImmTexSubImage1D(GLenum target, GLint level, GLint x, GLsizei width, GLenum format,
                                          GLenum type, const GLvoid* pixels) {
    texSubImage(__glCurrentContext(), 1, target, level, x, 0, width, 1, format, type, pixels, 0);
}
extern "C" void GLIMM __glImmTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width,
                                          GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    texSubImage(__glCurrentContext(), 2, target, level, x, y, width, height, format, type, pixels, 0);
}

// ---- queries

namespace {

// A level texel as RGBA: luminance and intensity in red, missing colour 0, missing alpha 1.
void texelRgba(const GlMipmapLevel* l, const uint8_t* t, const GLfloat* toFloat, GLfloat* c) {
    switch (l->storedFormat) {
    case GL_RGBA: c[3] = toFloat[t[3]]; [[fallthrough]];
    case GL_RGB: c[0] = toFloat[t[0]], c[1] = toFloat[t[1]], c[2] = toFloat[t[2]]; break;
    case GL_LUMINANCE_ALPHA: c[3] = toFloat[t[1]]; [[fallthrough]];
    case GL_LUMINANCE:
    case GL_INTENSITY: c[0] = toFloat[t[0]]; break;
    case GL_ALPHA: c[3] = toFloat[t[0]]; break;
    }
}

// The same through the level's extract procedure, by its base format.
void extractRgba(GlMipmapLevel* l, GlTextureParams* p, GLint row, GLint column, GLfloat* c) {
    GlTexel t = {};
    l->extract(l, p, 0, row, column, &t);
    switch (l->baseFormat) {
    case GL_RGBA: c[3] = t.alpha; [[fallthrough]];
    case GL_RGB: c[0] = t.red, c[1] = t.green, c[2] = t.blue; break;
    case GL_LUMINANCE_ALPHA: c[3] = t.alpha; [[fallthrough]];
    case GL_LUMINANCE: c[0] = t.luminance; break;
    case GL_INTENSITY: c[0] = t.intensity; break;
    case GL_ALPHA: c[3] = t.alpha; break;
    }
}

}  // namespace

extern "C" void GLIMM __glImmGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, GLvoid* pixels) {
    GlContext* gc = __glCurrentContext();
    if (!__glSetterAllowed(__glThreadState())) return;
    GlTextureParams* p = target == GL_TEXTURE_1D || target == GL_TEXTURE_2D ? __glLookupTexParams(gc, target) : nullptr;
    if (!p) return __glSetError(GL_INVALID_ENUM);
    if (!checkLevel(gc, level)) return;
    if (format == GL_COLOR_INDEX || type == GL_BITMAP) return __glSetError(GL_INVALID_ENUM);
    if (!checkFormatType(format, type)) return;
    GlMipmapLevel* l = &p->levels[level];
    if (!l->data) return;
    GlPixelOpRecord op = {};
    const GLint rows = p->dimensions == 1 ? 1 : l->height;
    // Layouts of other owners (the board's) are read through their extract procedure.
    const bool stored = storedOf(l->storedFormat) != nullptr;
    __glSetTexImagePack(gc, &op, l->width, rows, 1, format, type, pixels);
    if (stored) __glSetTexLevelSource(gc, &op, p, level);
    if (!__glLayoutImage(&op.destination, l->width, rows) || (stored && !__glLayoutImage(&op.source, l->width, rows)))
        return;
    const GLfloat* toFloat = gc->constants.ubyteToFloat;
    const bool index = l->baseFormat == GL_COLOR_INDEX;
    const GLint row0 = p->dimensions == 1 ? 0 : -l->border;
    GLfloat values[GL_PIXEL_CHUNK * 4];
    for (GLint y = 0; y < rows; y++) {
        const uint8_t* in = op.source.firstPixel + (ptrdiff_t)y * op.source.rowStride;
        uint8_t* out = (uint8_t*)op.destination.firstPixel + (ptrdiff_t)y * op.destination.rowStride;
        for (GLint first = 0; first < l->width; first += GL_PIXEL_CHUNK) {
            const GLint n = l->width - first < GL_PIXEL_CHUNK ? l->width - first : GL_PIXEL_CHUNK;
            for (GLint i = 0; i < n; i++) {
                GLfloat* c = &values[4 * i];
                c[0] = c[1] = c[2] = 0.0f, c[3] = 1.0f;
                if (index) continue;
                if (stored) texelRgba(l, in + (size_t)(first + i) * (size_t)op.source.groupSize, toFloat, c);
                else extractRgba(l, p, row0 + y, first + i - l->border, c);
            }
            __glPackPixelSpan(&op.destination, GL_PIXEL_KIND_RGBA, values, n, out, first);
        }
    }
}

namespace {
template <class T> void getLevelParameter(GLenum target, GLint level, GLenum pname, T* out) {
    GlContext* gc = __glCurrentContext();
    if (!__glSetterAllowed(__glThreadState())) return;
    GlTextureParams* p = __glLookupTexParams(gc, target);
    if (!p) return __glSetError(GL_INVALID_ENUM);
    if (!checkLevel(gc, level)) return;
    const GlMipmapLevel* l = &p->levels[level];
    GLint v;
    switch (pname) {
    case GL_TEXTURE_WIDTH: v = l->width; break;
    case GL_TEXTURE_HEIGHT: v = p->dimensions == 1 ? (l->width ? 1 : 0) : l->height; break;
    case GL_TEXTURE_INTERNAL_FORMAT: v = l->internalFormat; break;
    case GL_TEXTURE_BORDER: v = l->border; break;
    case GL_TEXTURE_RED_SIZE: v = l->redBits; break;
    case GL_TEXTURE_GREEN_SIZE: v = l->greenBits; break;
    case GL_TEXTURE_BLUE_SIZE: v = l->blueBits; break;
    case GL_TEXTURE_ALPHA_SIZE: v = l->alphaBits; break;
    case GL_TEXTURE_LUMINANCE_SIZE: v = l->luminanceBits; break;
    case GL_TEXTURE_INTENSITY_SIZE: v = l->intensityBits; break;
    case GL_TEXTURE_INDEX_SIZE_EXT:  // stored indexes: 16 bits, or 8 (the board's too)
        v = l->baseFormat != GL_COLOR_INDEX ? 0 : l->storedFormat == GL_COLOR_INDEX16_EXT ? 16 : 8;
        break;
    default: return __glSetError(GL_INVALID_ENUM);
    }
    *out = (T)v;
}
}  // namespace

extern "C" void GLIMM __glImmGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params) {
    getLevelParameter(target, level, pname, params);
}
extern "C" void GLIMM __glImmGetTexLevelParameterfv(GLenum target, GLint level, GLenum pname, GLfloat* params) {
    getLevelParameter(target, level, pname, params);
}
