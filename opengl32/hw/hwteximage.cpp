// Texture images of a hardware context: 2-D levels are kept in the layouts
// the board reads (one or two bytes a texel), converted once from the client
// image or the framebuffer through the pixel unpacker and transfer, and go to
// board memory from there. 1-D levels, which the board cannot draw, are kept
// as in a software context.

#include <string.h>
#include "hwcontext.h"
#include "ravix2x.h"
#include "core/beginstate.h"
#include "core/stateutil.h"
#include "pixel/pixel.h"
#include "raster/fragment.h"

namespace {

// Board layouts (a level's stored format).
enum : GLenum {
    HW_332 = 0x4000,   // R3 G3 B2
    HW_565 = 0x4001,   // R5 G6 B5
    HW_4444 = 0x4002,  // A4 R4 G4 B4
    HW_AL88 = 0x4003,  // A8 L8, luminance (or intensity) in the low byte
    HW_L8 = 0x4005,
    HW_A8 = 0x4006,
    HW_P8 = 0x4007,    // 8-bit palette index
};

// ---- Extract procedures of the layouts the software formats do not share.

template <GLenum Layout, bool Border>
void GLPROC hwExtract(GlMipmapLevel* l, GlTextureParams* p, GLint, GLint row, GLint column, GlTexel* out) {
    const GLint bytes = Layout == HW_332 ? 1 : 2;
    const GLfloat* bc = p->state.borderColor;
    size_t at;
    if (Border) {
        at = (size_t)(row + 1) * (size_t)l->width + (size_t)(column + 1);
    } else if (row < 0 || row >= l->innerHeight || column < 0 || column >= l->innerWidth) {
        out->red = bc[0], out->green = bc[1], out->blue = bc[2], out->alpha = bc[3], out->intensity = bc[0];
        return;
    } else {
        at = ((size_t)row << l->widthLog2) + (size_t)column;
    }
    const uint8_t* t = l->data + at * bytes;
    const GLuint v = Layout == HW_332 ? t[0] : (GLuint)(t[0] | t[1] << 8);
    switch (Layout) {
    case HW_332:
        out->red = (GLfloat)(v >> 5) / 7.0f, out->green = (GLfloat)(v >> 2 & 7) / 7.0f;
        out->blue = (GLfloat)(v & 3) / 3.0f;
        break;
    case HW_565:
        out->red = (GLfloat)(v >> 11) / 31.0f, out->green = (GLfloat)(v >> 5 & 63) / 63.0f;
        out->blue = (GLfloat)(v & 31) / 31.0f;
        break;
    case HW_4444:
        out->alpha = (GLfloat)(v >> 12) / 15.0f, out->red = (GLfloat)(v >> 8 & 15) / 15.0f;
        out->green = (GLfloat)(v >> 4 & 15) / 15.0f, out->blue = (GLfloat)(v & 15) / 15.0f;
        break;
    default: out->intensity = (GLfloat)t[0] / 255.0f; break;  // intensity in AL88
    }
}

#define HW_EXTRACT_PAIR(layout) {hwExtract<layout, false>, hwExtract<layout, true>}

// An internal format's base format, board layout and component bits.
struct HwFormat {
    GLenum base, layout;
    uint8_t r, g, b, a, l, i;
    GlTexelExtractProc extract[2];  // borderless, border
};
constexpr GLint F_LUM = 0, F_LUMALPHA = 1, F_RGB = 2, F_RGB332 = 3, F_RGBA = 4, F_ALPHA = 5, F_INTENSITY = 6,
                F_INDEX = 7;
const HwFormat hwFormats[] = {
    {GL_LUMINANCE, HW_L8, 0, 0, 0, 0, 8, 0, {__glExtractTexelLuminance, __glExtractTexelLuminanceBorder}},
    {GL_LUMINANCE_ALPHA, HW_AL88, 0, 0, 0, 8, 8, 0,
     {__glExtractTexelLuminanceAlpha, __glExtractTexelLuminanceAlphaBorder}},
    {GL_RGB, HW_565, 5, 6, 5, 0, 0, 0, HW_EXTRACT_PAIR(HW_565)},
    {GL_RGB, HW_332, 3, 3, 2, 0, 0, 0, HW_EXTRACT_PAIR(HW_332)},
    {GL_RGBA, HW_4444, 4, 4, 4, 4, 0, 0, HW_EXTRACT_PAIR(HW_4444)},
    {GL_ALPHA, HW_A8, 0, 0, 0, 8, 0, 0, {__glExtractTexelAlpha, __glExtractTexelAlphaBorder}},
    {GL_INTENSITY, HW_AL88, 0, 0, 0, 0, 0, 8, HW_EXTRACT_PAIR(HW_AL88)},
    {GL_COLOR_INDEX, HW_P8, 0, 0, 0, 0, 0, 0, {__glExtractTexelIndex8, __glExtractTexelIndex8Border}},
};
#undef HW_EXTRACT_PAIR

struct HwInternalFormat {
    GLint internalFormat, format;
};
constexpr HwInternalFormat hwInternalFormats[] = {
    {1, F_LUM}, {GL_LUMINANCE, F_LUM}, {GL_LUMINANCE4, F_LUM}, {GL_LUMINANCE8, F_LUM}, {GL_LUMINANCE12, F_LUM},
    {GL_LUMINANCE16, F_LUM},
    {2, F_LUMALPHA}, {GL_LUMINANCE_ALPHA, F_LUMALPHA}, {GL_LUMINANCE4_ALPHA4, F_LUMALPHA},
    {GL_LUMINANCE6_ALPHA2, F_LUMALPHA}, {GL_LUMINANCE8_ALPHA8, F_LUMALPHA}, {GL_LUMINANCE12_ALPHA4, F_LUMALPHA},
    {GL_LUMINANCE12_ALPHA12, F_LUMALPHA}, {GL_LUMINANCE16_ALPHA16, F_LUMALPHA},
    {3, F_RGB}, {GL_RGB, F_RGB}, {GL_RGB8, F_RGB}, {GL_RGB10, F_RGB}, {GL_RGB12, F_RGB}, {GL_RGB16, F_RGB},
    {GL_R3_G3_B2, F_RGB332}, {GL_RGB4, F_RGB332}, {GL_RGB5, F_RGB332},
    {4, F_RGBA}, {GL_RGBA, F_RGBA}, {GL_RGBA2, F_RGBA}, {GL_RGBA4, F_RGBA}, {GL_RGB5_A1, F_RGBA},
    {GL_RGBA8, F_RGBA}, {GL_RGB10_A2, F_RGBA}, {GL_RGBA12, F_RGBA}, {GL_RGBA16, F_RGBA},
    {GL_ALPHA, F_ALPHA}, {GL_ALPHA4, F_ALPHA}, {GL_ALPHA8, F_ALPHA}, {GL_ALPHA12, F_ALPHA}, {GL_ALPHA16, F_ALPHA},
    {GL_INTENSITY, F_INTENSITY}, {GL_INTENSITY4, F_INTENSITY}, {GL_INTENSITY8, F_INTENSITY},
    {GL_INTENSITY12, F_INTENSITY}, {GL_INTENSITY16, F_INTENSITY},
    {GL_COLOR_INDEX1_EXT, F_INDEX}, {GL_COLOR_INDEX2_EXT, F_INDEX}, {GL_COLOR_INDEX4_EXT, F_INDEX},
    {GL_COLOR_INDEX8_EXT, F_INDEX}, {GL_COLOR_INDEX12_EXT, F_INDEX}, {GL_COLOR_INDEX16_EXT, F_INDEX},
};

const HwFormat* hwFormatOf(GLint internalFormat) {
    for (const HwInternalFormat& f : hwInternalFormats)
        if (f.internalFormat == internalFormat) return &hwFormats[f.format];
    return nullptr;
}

// ---- Packing float spans into board texels.

inline GLuint field(GLfloat v, GLuint max) {
    if (!(v > 0.0f)) return 0;
    return v >= 1.0f ? max : (GLuint)(v * (GLfloat)max + 0.5f);
}

// n pixels (RGBA floats, or whole indexes for the palette layout) into texels.
void packTexels(GLenum layout, GLenum base, const GLfloat* v, GLint n, uint8_t* t) {
    for (GLint i = 0; i < n; i++) {
        const GLfloat* c = layout == HW_P8 ? &v[i] : &v[4 * i];
        GLuint w;
        switch (layout) {
        case HW_332: *t++ = (uint8_t)(field(c[0], 7) << 5 | field(c[1], 7) << 2 | field(c[2], 3)); continue;
        case HW_565: w = field(c[0], 31) << 11 | field(c[1], 63) << 5 | field(c[2], 31); break;
        case HW_4444: w = field(c[3], 15) << 12 | field(c[0], 15) << 8 | field(c[1], 15) << 4 | field(c[2], 15); break;
        case HW_AL88: w = field(c[0], 255) | field(base == GL_INTENSITY ? c[0] : c[3], 255) << 8; break;
        case HW_L8: *t++ = (uint8_t)field(c[0], 255); continue;
        case HW_A8: *t++ = (uint8_t)field(c[3], 255); continue;
        default: *t++ = (uint8_t)((int64_t)c[0] & 0xFF); continue;  // indexes are whole after the transfer
        }
        *t++ = (uint8_t)w;
        *t++ = (uint8_t)(w >> 8);
    }
}

GLint texelBytes(GLenum layout) { return layout == HW_565 || layout == HW_4444 || layout == HW_AL88 ? 2 : 1; }

// Where the texels of a rectangle come from: a client image (unpacked) or the
// framebuffer (read at op.readX, op.readY), as float spans of kind `from`.
struct TexelSource {
    GlPixelOpRecord op;
    bool framebuffer;
    GLint from;
};

// Texels [x0, x0 + width) x [y0, y0 + height) of a 2-D level (border
// included) from the source, through the pixel transfer.
void fillLevel(GlContext* gc, GlMipmapLevel* l, GLint x0, GLint y0, GLint width, GLint height, TexelSource* s) {
    const GLenum layout = l->storedFormat;
    const GLint bytes = texelBytes(layout);
    const GLint to = layout == HW_P8 && s->from == GL_PIXEL_KIND_INDEX ? GL_PIXEL_KIND_INDEX : GL_PIXEL_KIND_RGBA;
    GlPixelScratch scratch;
    GLfloat values[GL_PIXEL_CHUNK * 4];
    const GLint bx = (GLint)s->op.readX + gc->limits.windowBiasX, by = (GLint)s->op.readY + gc->limits.windowBiasY;
    for (GLint j = 0; j < height; j++) {
        uint8_t* row = l->data + ((size_t)(y0 + j) * (size_t)l->width + (size_t)x0) * (size_t)bytes;
        for (GLint first = 0; first < width; first += GL_PIXEL_CHUNK) {
            const GLint n = width - first < GL_PIXEL_CHUNK ? width - first : GL_PIXEL_CHUNK;
            if (s->framebuffer) {
                __glReadPixelSpan(gc, s->from, bx + first, __glBufferRow(gc, by + j), n, values);
            } else {
                const uint8_t* in = s->op.source.firstPixel + (ptrdiff_t)j * s->op.source.rowStride;
                __glUnpackPixelSpan(gc, &s->op, in, first, n, values, &scratch);
            }
            __glTransferPixelSpan(gc, s->from, to, values, n);
            packTexels(layout, l->baseFormat, values, n, row + (size_t)first * (size_t)bytes);
        }
    }
}

// The framebuffer rectangle at window (x, y) into the level at (x0, y0); the
// columns and rows outside the drawable are left as they are.
void fillFromFramebuffer(GlContext* gc, GlMipmapLevel* l, GLint x0, GLint y0, GLint x, GLint y, GLsizei width,
                         GLsizei height) {
    TexelSource s;
    __glInitCopyTexRecord(gc, &s.op, x, y, width, height);
    if (!__glClipReadPixels(gc, &s.op)) return;
    s.framebuffer = true;
    s.from = __glColorBufferKind(gc);
    if (s.from == GL_PIXEL_KIND_RGBA && !gc->readBuffer) return;
    fillLevel(gc, l, x0 + s.op.destination.skipPixels, y0 + s.op.destination.skipRows, s.op.width, s.op.height, &s);
}

GlContext* imageCall(GlThreadState* ts) { return __glDrawPrologue(ts) == GL_DRAW_REFUSED ? nullptr : ts->context; }

bool boundElsewhere(GlContext* gc) {
    if (gc->textureObjects.bound[GL_TEX_2D]->refCount <= 2) return false;
    __glSetError(GL_INVALID_OPERATION);
    return true;
}

}  // namespace

// A client image of width x height pixels into the level at (x0, y0); no
// pixels (or an image beyond the address space) give zero texels.
extern "C" void GLPROC __glHwConvertTexels(GlContext* gc, GlMipmapLevel* l, GLint x0, GLint y0, GLsizei width,
                                         GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    if (width <= 0 || height <= 0) return;
    TexelSource s;
    memset(&s, 0, sizeof s);
    __glSetTexImageUnpack(gc, &s.op, width, height, 1, format, type, pixels, 0);
    if (!pixels || !__glLayoutImage(&s.op.source, width, height)) {
        const size_t rowBytes = (size_t)width * (size_t)texelBytes(l->storedFormat);
        for (GLint j = 0; j < height; j++)
            memset(l->data + ((size_t)(y0 + j) * (size_t)l->width + (size_t)x0) * texelBytes(l->storedFormat), 0,
                   rowBytes);
        return;
    }
    s.from = __glPixelFormatKind(format);
    fillLevel(gc, l, x0, y0, width, height, &s);
}

// ---- Levels.

// The board's layout of an internal format; -1 for a level larger than 256
// or with sides beyond 8:1 at level 0's size. Sizes count the border; 0 is an
// empty level.
extern "C" GLint GLPROC __glHwSetTexLevelFormat(GlContext* gc, GlTextureParams* p, GlMipmapLevel* l, GLint level,
                                               GLint internalFormat, GLint width, GLint height, GLint, GLint border,
                                               GLint) {
    l->redBits = l->greenBits = l->blueBits = l->alphaBits = l->luminanceBits = l->intensityBits = 0;
    l->internalFormat = internalFormat;
    const HwFormat* f = hwFormatOf(internalFormat);
    const int64_t max = (int64_t)1 << (gc->limits.textureLevels - 1);
    const int64_t w = ((int64_t)width - 2 * border) << level, h = ((int64_t)height - 2 * border) << level;
    if (!f || w > max || h > max) return -1;
    if (w > 0 && h > 0 && (w / h > 8 || h / w > 8)) return -1;
    l->baseFormat = f->base;
    l->storedFormat = f->layout;
    l->redBits = f->r, l->greenBits = f->g, l->blueBits = f->b, l->alphaBits = f->a;
    l->luminanceBits = f->l, l->intensityBits = f->i;
    l->extract = f->extract[border ? 1 : 0];
    const int64_t bytes = ((int64_t)width * height * texelBytes(f->layout) + 7) & ~(int64_t)7;
    if (bytes > INT32_MAX) return -1;
    p->hw.levelBytes = (GLint)bytes;
    return (GLint)bytes;
}

extern "C" uint8_t* GLPROC __glHwAllocTexLevel(GlContext* gc, GlTextureParams* p, GLint level, GLint internalFormat,
                                               GLint width, GLint height, GLint depth, GLint border,
                                               GLint dimensions) {
    if (dimensions == 1) return __glAllocTexLevel(gc, p, level, internalFormat, width, height, depth, border, 1);
    return __glAllocTexLevelAs(__glHwSetTexLevelFormat, gc, p, level, internalFormat, width, height, depth, border,
                               dimensions);
}

extern "C" uint8_t* GLPROC __glHwAllocProxyTexLevel(GlContext* gc, GlTextureParams* p, GLint level,
                                                    GLint internalFormat, GLint width, GLint height, GLint depth,
                                                    GLint border, GLint dimensions) {
    return __glAllocProxyTexLevelAs(dimensions == 1 ? __glSetTextureLevelFormat : __glHwSetTexLevelFormat, gc, p,
                                    level, internalFormat, width, height, depth, border, dimensions);
}

// ---- Entries (2-D; the 1-D ones are the software entries).

extern "C" void GLIMM __glHwTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                      GLsizei height, GLint border, GLenum format, GLenum type,
                                      const GLvoid* pixels) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = imageCall(ts);
    if (!gc) return;
    GlTextureParams* p =
        __glCheckTexImage2DArgs(gc, target, level, internalFormat, width, height, border, format, type);
    if (!p || boundElsewhere(gc)) return;
    if (p->allocLevel(gc, p, level, internalFormat, width, height, 1 + 2 * border, border, 2))
        __glHwConvertTexels(gc, &p->levels[level], 0, 0, width, height, format, type, pixels);
    if (target == GL_TEXTURE_2D) __glHwTexLevelChanged(gc, p, level);
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

extern "C" void GLIMM __glHwTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width,
                                         GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    GlContext* gc = imageCall(__glThreadState());
    if (!gc) return;
    GlTextureParams* p = __glCheckTexSubImageTarget(gc, target, level, format, type, 2);
    if (!p) return;
    GlMipmapLevel* l = &p->levels[level];
    if (!__glCheckTexSubRange(gc, l, xoffset, width, l->width) ||
        !__glCheckTexSubRange(gc, l, yoffset, height, l->height))
        return;
    __glHwConvertTexels(gc, l, xoffset + l->border, yoffset + l->border, width, height, format, type, pixels);
    __glHwTexRowsChanged(p, level, yoffset + l->border, height);
}

extern "C" void GLIMM __glHwCopyTexImage2D(GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y,
                                          GLsizei width, GLsizei height, GLint border) {
    GlThreadState* ts = __glThreadState();
    GlContext* gc = imageCall(ts);
    if (!gc) return;
    GlTextureParams* p = __glCheckCopyTexImageArgs(gc, target, level, (GLint)internalFormat, width, height, border, 2);
    if (!p || boundElsewhere(gc)) return;
    if (p->allocLevel(gc, p, level, (GLint)internalFormat, width, height, 1 + 2 * border, border, 2)) {
        GlMipmapLevel* l = &p->levels[level];
        memset(l->data, 0, (size_t)l->texelCount * (size_t)texelBytes(l->storedFormat));  // where nothing is read
        fillFromFramebuffer(gc, l, 0, 0, x, y, width, height);
    }
    __glHwTexLevelChanged(gc, p, level);
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

extern "C" void GLIMM __glHwCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x,
                                             GLint y, GLsizei width, GLsizei height) {
    GlContext* gc = imageCall(__glThreadState());
    if (!gc) return;
    GlTextureParams* p = __glCheckCopyTexSubImageArgs(gc, target, level, xoffset, yoffset, width, height, 2);
    if (!p || boundElsewhere(gc)) return;
    GlMipmapLevel* l = &p->levels[level];
    fillFromFramebuffer(gc, l, xoffset + l->border, yoffset + l->border, x, y, width, height);
    __glHwTexRowsChanged(p, level, yoffset + l->border, height);
}

// Rows of a changed level on the board: from the level's memory at row y0 x
// width x bytes a texel.
extern "C" void GLPROC __glHwTexRowsChanged(GlTextureParams* p, GLint level, GLint y0, GLint rows) {
    const GlHwTexParams* hw = &p->hw;
    const GlMipmapLevel* l = &p->levels[level];
    if (!hw->block || !(hw->loadedMask & (1u << level)) || rows <= 0) return;
    const size_t offset = (size_t)y0 * (size_t)l->width * (size_t)texelBytes(l->storedFormat);
    rvTexDownloadMipMapLevelPartial(RV_TMU0, hw->block->start, hw->largeLod + level, hw->largeLod, hw->aspect,
                                    hw->texFormat, RV_TEXLEVELS_ALL, l->data + offset, y0, y0 + rows - 1);
}

// The board's texel-format code and texel size of a layout; -1 for one the board cannot sample.
extern "C" GLint GLPROC __glHwTexelFormat(GLenum layout) {
    switch (layout) {
    case HW_332: return RV_TEXFMT_RGB_332;
    case HW_565: return RV_TEXFMT_RGB_565;
    case HW_4444: return RV_TEXFMT_ARGB_4444;
    case HW_AL88: return RV_TEXFMT_ALPHA_LUM_88;
    case HW_L8: return RV_TEXFMT_LUMINANCE_8;
    case HW_A8: return RV_TEXFMT_ALPHA_8;
    case HW_P8: return RV_TEXFMT_PALETTE_8;
    }
    return -1;
}
