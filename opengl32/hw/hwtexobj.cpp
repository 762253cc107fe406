// Texture objects of a hardware context: the same records, names and state as
// in software; what differs is the board copy of each texture (its level
// table derived from level 0, residency in board memory, downloads) and the
// picker that makes the current texture the board's source with the filter,
// clamp and combine set-up of the state.

#include <string.h>
#include "hwcontext.h"
#include "ravix2x.h"
#include "core/beginstate.h"
#include "core/pickers.h"
#include "core/stateutil.h"

extern "C" {
void GLIMM __glImmTexParameterf(GLenum target, GLenum pname, GLfloat param);
void GLIMM __glImmTexParameterfv(GLenum target, GLenum pname, const GLfloat* params);
void GLIMM __glImmTexParameteri(GLenum target, GLenum pname, GLint param);
void GLIMM __glImmTexParameteriv(GLenum target, GLenum pname, const GLint* params);
void GLIMM __glImmTexEnvf(GLenum target, GLenum pname, GLfloat param);
void GLIMM __glImmTexEnvfv(GLenum target, GLenum pname, const GLfloat* params);
void GLIMM __glImmTexEnvi(GLenum target, GLenum pname, GLint param);
void GLIMM __glImmTexEnviv(GLenum target, GLenum pname, const GLint* params);
void GLIMM __glImmBindTexture(GLenum target, GLuint name);
void GLIMM __glImmGenTextures(GLsizei n, GLuint* names);
void GLIMM __glImmDeleteTextures(GLsizei n, const GLuint* names);
GLboolean GLIMM __glImmIsTexture(GLuint name);
void GLIMM __glImmPrioritizeTextures(GLsizei n, const GLuint* names, const GLclampf* priorities);
void GLIMM __glImmTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLint border,
                             GLenum format, GLenum type, const GLvoid* pixels);
void GLIMM __glImmTexSubImage1D(GLenum target, GLint level, GLint xoffset, GLsizei width, GLenum format, GLenum type,
                                const GLvoid* pixels);
void GLIMM __glImmCopyTexSubImage1D(GLenum target, GLint level, GLint xoffset, GLint x, GLint y, GLsizei width);
void GLIMM __glImmGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, GLvoid* pixels);
}

namespace {

GlTextureObject* objectOf(GlTextureParams* p) {
    return (GlTextureObject*)((uint8_t*)p - offsetof(GlTextureObject, params));
}

GLint log2Of(GLint v) {
    GLint n = 0;
    while (v > 1) v >>= 1, n++;
    return n;
}

bool mipmapped(const GlTextureParams* p) {
    return p->state.minFilter != GL_NEAREST && p->state.minFilter != GL_LINEAR;
}

// The board's level table of level 0: LOD and aspect codes, scales, texel
// format and the expected size of every level; largeLod -1 when the board
// cannot take level 0 (none, a border, sides beyond 8:1, no board format).
void deriveShape(GlTextureParams* p) {
    GlHwTexParams* hw = &p->hw;
    const GlMipmapLevel* l = &p->levels[0];
    const GLint w = l->width, h = l->height;
    const GLint format = l->data ? __glHwTexelFormat(l->storedFormat) : -1;
    const GLint lw = log2Of(w), lh = log2Of(h);
    if (!w || !h || l->border || format < 0 || lw - lh > 3 || lh - lw > 3) {
        hw->largeLod = -1;
        hw->levelCount = 0;
        hw->neededMask = 0;
        return;
    }
    const GLint major = lw > lh ? lw : lh;
    hw->largeLod = RV_LOD_1 - major;
    hw->aspect = RV_ASPECT_1x1 - (lw - lh);
    hw->scaleS = (GLfloat)(256 >> (major - lw));
    hw->scaleT = (GLfloat)(256 >> (major - lh));
    hw->texFormat = format;
    hw->levelCount = major + 1;
    for (GLint i = 0; i < GL_HW_TEX_LEVELS; i++) {
        const bool used = i < hw->levelCount;
        hw->levelWidth[i] = used ? (w >> i ? w >> i : 1) : 0;
        hw->levelHeight[i] = used ? (h >> i ? h >> i : 1) : 0;
    }
    hw->neededMask = (1u << hw->levelCount) - 1;
}

// A level the board can hold beside level 0: its expected size and layout.
bool levelFits(const GlTextureParams* p, GLint i) {
    const GlMipmapLevel* l = &p->levels[i];
    return l->data && !l->border && l->width == p->hw.levelWidth[i] && l->height == p->hw.levelHeight[i] &&
           l->storedFormat == p->levels[0].storedFormat;
}

RvTexInfo boardDescription(const GlTextureParams* p) {
    const GlHwTexParams* hw = &p->hw;
    return {mipmapped(p) ? hw->largeLod + hw->levelCount - 1 : hw->largeLod, hw->largeLod, hw->aspect, hw->texFormat,
            p->levels[0].data};
}

// ---- Combine units.

struct Combine {
    int8_t color[4], alpha[4];  // function, factor, local, other
};
enum { C_ALPHA, C_RGB, C_RGBA };  // what the texel gives: alpha, colour, both
constexpr Combine combines[3][3] = {
    // GL_REPLACE
    {{{1, 0, 0, 2}, {3, 1, 1, 1}}, {{3, 8, 1, 1}, {1, 0, 0, 2}}, {{3, 8, 1, 1}, {3, 8, 1, 1}}},
    // GL_MODULATE
    {{{1, 0, 0, 2}, {3, 1, 0, 1}}, {{3, 1, 0, 1}, {1, 0, 0, 2}}, {{3, 1, 0, 1}, {3, 1, 0, 1}}},
    // GL_DECAL
    {{{1, 0, 0, 2}, {3, 1, 1, 1}}, {{3, 8, 1, 1}, {1, 0, 0, 2}}, {{7, 4, 0, 1}, {1, 0, 0, 2}}},
};

GLint combineClass(GLenum base) {
    switch (base) {
    case GL_ALPHA: return C_ALPHA;
    case GL_RGB: case GL_LUMINANCE: return C_RGB;
    }
    return C_RGBA;
}

// The filter, mip-map and clamp codes of the parameters, sent to the board.
void pushModes(GlTextureParams* p) {
    GlHwTexParams* hw = &p->hw;
    const GLenum min = p->state.minFilter;
    hw->minFilter = min == GL_LINEAR || min == GL_LINEAR_MIPMAP_NEAREST || min == GL_LINEAR_MIPMAP_LINEAR;
    hw->mipMode = mipmapped(p) ? RV_MIPMAP_NEAREST : RV_MIPMAP_DISABLE;
    hw->magFilter = p->state.magFilter == GL_LINEAR;
    hw->clampS = p->state.wrapS == GL_CLAMP;
    hw->clampT = p->state.wrapT == GL_CLAMP;
    rvTexClampMode(RV_TMU0, hw->clampS, hw->clampT);
    rvTexFilterMode(RV_TMU0, hw->minFilter, hw->magFilter);
    rvTexMipMapMode(RV_TMU0, hw->mipMode, 0);
}

}  // namespace

// ---- Combine units and the palette.

extern "C" void GLPROC __glHwSetTexCombine(GlTextureParams* p, GLenum mode) {
    const GLint m = mode == GL_REPLACE ? 0 : mode == GL_DECAL ? 2 : 1;
    const Combine& c = combines[m][combineClass(p->baseFormat)];
    GlHwTexParams* hw = &p->hw;
    for (int i = 0; i < 4; i++) hw->colorCombine[i] = c.color[i], hw->alphaCombine[i] = c.alpha[i];
    rvColorCombine(c.color[0], c.color[1], c.color[2], c.color[3], 0);
    rvAlphaCombine(c.alpha[0], c.alpha[1], c.alpha[2], c.alpha[3], 0);
}

// The texture's palette as the board's one table: entry i is entry i modulo
// the width (as the software fetch wraps), bytes blue, green, red, 0; an empty
// palette is black, not the last texture's.
extern "C" void GLPROC __glHwDownloadPalette(const GlColorTable* t) {
    static uint32_t table[256];
    if (!t->data || t->width <= 0) {
        memset(table, 0, sizeof table);
        return rvTexDownloadTable(RV_TMU0, RV_TEXTABLE_PALETTE, table);
    }
    for (GLint i = 0; i < 256; i++) {
        const uint8_t* e = t->data + (size_t)(i % t->width) * (size_t)t->components;
        uint32_t r, g, b;
        switch (t->baseFormat) {
        case GL_RGB: case GL_RGBA: r = e[0], g = e[1], b = e[2]; break;
        case GL_ALPHA: r = g = b = 255; break;
        default: r = g = b = e[0]; break;  // luminance, intensity
        }
        table[i] = r << 16 | g << 8 | b;
    }
    rvTexDownloadTable(RV_TMU0, RV_TEXTABLE_PALETTE, table);
}

extern "C" void GLPROC __glHwDefineColorTable(GlContext* gc, GLenum target, GLenum internalFormat, GLsizei width,
                                             GLenum format, GLenum type, const GLvoid* data, GLboolean packed) {
    if (target == GL_PROXY_TEXTURE_1D || target == GL_PROXY_TEXTURE_2D)
        return __glDefineColorTable(gc, target, internalFormat, width, format, type, data, packed);
    GlColorTable* t;
    if (target == GL_SHARED_TEXTURE_PALETTE_EXT) {
        // The entry records nothing for this target; a table it could not define stays as it was.
        if (__glCheckColorTableArgs(gc, GL_TEXTURE_2D, internalFormat, width, format, type)) return;
        t = &__glHw(gc)->hwSharedPalette;
        __glDefineColorTableOf(gc, t, target, internalFormat, width, format, type, data, packed);
    } else {
        __glDefineColorTable(gc, target, internalFormat, width, format, type, data, packed);
        GlTextureParams* p = __glLookupTexParams(gc, target);
        if (!p) return;
        t = &p->palette;
    }
    __glHwDownloadPalette(t);
}

// The palette a paletted texture looks up: the shared one while it is enabled and defined.
static const GlColorTable* paletteOf(GlContext* gc, const GlTextureParams* p) {
    const GlColorTable* shared = &__glHw(gc)->hwSharedPalette;
    return (gc->enables.general & GL_EN_SHARED_PALETTE) && shared->data && shared->width > 0 ? shared : &p->palette;
}

extern "C" void GLPROC __glHwTexCombineOff(void) {
    rvColorCombine(1, 0, 0, 2, 0);
    rvAlphaCombine(1, 0, 0, 2, 0);
}

extern "C" GLboolean GLPROC __glHwTexDownload(GlContext*, GlTextureParams* p) {
    GlHwTexParams* hw = &p->hw;
    if (hw->largeLod < 0) {
        __glHwTexRelease(p);
        hw->storage = hw->memSize = 0;
        return GL_FALSE;
    }
    const bool mip = mipmapped(p);
    const RvTexInfo desc = boardDescription(p);
    const uint32_t n = rvTexTextureMemRequired(RV_TEXLEVELS_ALL, &desc);
    const GLuint storage = mip ? 2 : 1;
    if (hw->storage != storage) hw->loadedMask = 0;
    if (!__glHwTexMemAlloc(p, n)) {
        hw->storage = hw->memSize = 0;
        return GL_FALSE;
    }
    hw->storage = storage;
    hw->memSize = n;
    const GLint count = mip ? hw->levelCount : 1;
    for (GLint i = 0; i < count; i++) {
        if ((hw->loadedMask & (1u << i)) || !levelFits(p, i)) continue;
        rvTexDownloadMipMapLevel(RV_TMU0, hw->block->start, hw->largeLod + i, hw->largeLod, hw->aspect,
                                 hw->texFormat, RV_TEXLEVELS_ALL, p->levels[i].data);
        hw->loadedMask |= 1u << i;
    }
    const GLuint needed = mip ? hw->neededMask : 1u;
    return (hw->loadedMask & needed) == needed;
}

extern "C" void GLPROC __glHwTexLevelChanged(GlContext* gc, GlTextureParams* p, GLint level) {
    GlHwTexParams* hw = &p->hw;
    if (level == 0) {
        const GLint lod = hw->largeLod, aspect = hw->aspect, format = hw->texFormat;
        deriveShape(p);
        if (hw->largeLod != lod || hw->aspect != aspect || hw->texFormat != format) __glHwTexRelease(p);
    }
    hw->loadedMask &= ~(1u << level);
    // The texture bound goes to the board at once, as far as its levels allow.
    if (p->levels[0].data) __glHwTexDownload(gc, p);
    else __glHwTexRelease(p);
}

// ---- Objects.

extern "C" void GLPROC __glHwFreeTextureObject(GlContext* gc, GlTextureObject* object) {
    __glHwTexRelease(&object->params);
    __glFreeTextureObject(gc, object);
}

extern "C" void GLPROC __glHwInitTextureObject(GlContext* gc, GlTextureObject* object, GLuint name, GLint target) {
    __glInitTextureObject(gc, object, name, target);
    object->free = __glHwFreeTextureObject;
    object->params.hw.largeLod = -1;
}

extern "C" void GLPROC __glHwInstallTextureHooks(GlContext* gc) {
    GlTextureObjects* x = &gc->textureObjects;
    x->initObject = __glHwInitTextureObject;
    x->allocLevel = __glHwAllocTexLevel;
    x->allocProxyLevel = __glHwAllocProxyTexLevel;
    __glHw(gc)->hwEnvMode = GL_MODULATE;
}

// The default objects are freed with the context without their free procedure.
extern "C" void GLPROC __glHwReleaseDefaultTextures(GlContext* gc) {
    GlTextureObject* d = gc->textureObjects.defaults;
    if (!d) return;
    for (GLint t = 0; t < GL_TEX_TARGETS; t++) __glHwTexRelease(&d[t].params);
}

// ---- Picker: the software choice (completeness, sampling for the software
// fall-backs), then the board's source when the board can draw it; the
// pickers run in hwcontext.cpp's order, this one in place of the software one.

// The texture as the board's source: downloaded as far as needed, with its
// filter, mip-map and clamp modes, its palette and the combine of the
// environment; false (the board untouched) when the board cannot draw it.
extern "C" GLboolean GLPROC __glHwMakeResident(GlContext* gc, GlTextureParams* p) {
    if (p->dimensions != 2 || !__glHwTexDownload(gc, p)) return GL_FALSE;
    const RvTexInfo desc = boardDescription(p);
    rvTexSource(RV_TMU0, p->hw.block->start, RV_TEXLEVELS_ALL, &desc);
    pushModes(p);
    if (p->levels[0].baseFormat == GL_COLOR_INDEX) __glHwDownloadPalette(paletteOf(gc, p));
    const GLenum mode = gc->texture.env.mode;
    __glHwSetTexCombine(p, mode == GL_BLEND ? __glHw(gc)->hwEnvMode : mode);
    return GL_TRUE;
}

extern "C" void GLPROC __glHwPickTextureProcs(GlContext* gc) {
    GlHwContext* hw = __glHw(gc);
    __glPickTextureProcs(gc);
    gc->texCoordsPreScaled = 0;  // the board takes normalised coordinates
    GlTextureParams* p = (GlTextureParams*)gc->currentTexture;
    hw->hwCurrentTexture = nullptr;
    if (!p || !__glHwMakeResident(gc, p)) {
        gc->currentTexture = nullptr;
        __glHwTexCombineOff();
        return;
    }
    hw->hwCurrentTexture = objectOf(p);
    hw->hwTexScaleS = p->hw.scaleS;
    hw->hwTexScaleT = p->hw.scaleT;
}

// ---- Entries: the software ones, and what the board follows of them.

extern "C" void GLIMM __glHwTexParameterf(GLenum t, GLenum n, GLfloat v) { __glImmTexParameterf(t, n, v); }
extern "C" void GLIMM __glHwTexParameterfv(GLenum t, GLenum n, const GLfloat* v) { __glImmTexParameterfv(t, n, v); }
extern "C" void GLIMM __glHwTexParameteri(GLenum t, GLenum n, GLint v) { __glImmTexParameteri(t, n, v); }
extern "C" void GLIMM __glHwTexParameteriv(GLenum t, GLenum n, const GLint* v) { __glImmTexParameteriv(t, n, v); }

// The board has no GL_BLEND: its combine keeps the mode set before.
static void followEnvMode(void) {
    GlContext* gc = __glThreadState()->context;
    const GLenum mode = gc->texture.env.mode;
    if (mode != GL_BLEND) __glHw(gc)->hwEnvMode = mode;
}
extern "C" void GLIMM __glHwTexEnvf(GLenum t, GLenum n, GLfloat v) { __glImmTexEnvf(t, n, v), followEnvMode(); }
extern "C" void GLIMM __glHwTexEnvfv(GLenum t, GLenum n, const GLfloat* v) {
    __glImmTexEnvfv(t, n, v), followEnvMode();
}
extern "C" void GLIMM __glHwTexEnvi(GLenum t, GLenum n, GLint v) { __glImmTexEnvi(t, n, v), followEnvMode(); }
extern "C" void GLIMM __glHwTexEnviv(GLenum t, GLenum n, const GLint* v) {
    __glImmTexEnviv(t, n, v), followEnvMode();
}

extern "C" void GLIMM __glHwBindTexture(GLenum target, GLuint name) { __glImmBindTexture(target, name); }
extern "C" void GLIMM __glHwGenTextures(GLsizei n, GLuint* names) { __glImmGenTextures(n, names); }
extern "C" GLboolean GLIMM __glHwIsTexture(GLuint name) { return __glImmIsTexture(name); }
extern "C" void GLIMM __glHwPrioritizeTextures(GLsizei n, const GLuint* names, const GLclampf* priorities) {
    __glImmPrioritizeTextures(n, names, priorities);
}

// Deleting the texture the board draws with turns its texturing off at once.
extern "C" void GLIMM __glHwDeleteTextures(GLsizei n, const GLuint* names) {
    __glImmDeleteTextures(n, names);
    GlContext* gc = __glThreadState()->context;
    GlHwContext* hw = __glHw(gc);
    if (hw->hwCurrentTexture && hw->hwCurrentTexture != gc->textureObjects.bound[GL_TEX_2D]) {
        hw->hwCurrentTexture = nullptr;
        __glHwTexCombineOff();
    }
}

// Resident: on the board (1-D textures, which it cannot draw, as in software).
extern "C" GLboolean GLPROC __glHwIsResident(GlContext* gc, GlTextureObject* o) {
    if (o->params.dimensions == 1) return __glIsTextureComplete(gc, &o->params) && __glTexLevelsHaveMemory(gc, &o->params);
    return __glIsTextureComplete(gc, &o->params) && o->params.hw.block != nullptr;
}
extern "C" GLboolean GLIMM __glHwAreTexturesResident(GLsizei n, const GLuint* names, GLboolean* residences) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return GL_FALSE;
    return __glAreTexturesResident(ts->context, n, names, residences, __glHwIsResident);
}

extern "C" void GLIMM __glHwTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                      GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    __glImmTexImage1D(target, level, internalFormat, width, border, format, type, pixels);
}
extern "C" void GLIMM __glHwTexSubImage1D(GLenum target, GLint level, GLint xoffset, GLsizei width, GLenum format,
                                         GLenum type, const GLvoid* pixels) {
    __glImmTexSubImage1D(target, level, xoffset, width, format, type, pixels);
}
extern "C" void GLIMM __glHwCopyTexSubImage1D(GLenum target, GLint level, GLint xoffset, GLint x, GLint y,
                                             GLsizei width) {
    __glImmCopyTexSubImage1D(target, level, xoffset, x, y, width);
}
extern "C" void GLIMM __glHwGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, GLvoid* pixels) {
    __glImmGetTexImage(target, level, format, type, pixels);
}
