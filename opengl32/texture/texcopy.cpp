// Texture levels from the framebuffer (glCopyTexImage*, glCopyTexSubImage*),
// and level 0 of a texture kept in the colour buffer's pixel format for the
// fast textured spans.

#include <string.h>
#include "core/beginstate.h"
#include "core/stateutil.h"
#include "pixel/pixel.h"
#include "texture.h"

extern "C" GlTextureParams* GLPROC __glCheckCopyTexImageArgs(GlContext* gc, GLenum target, GLint level,
                                                            GLint internalFormat, GLsizei width, GLsizei height,
                                                            GLint border, GLint dimensions) {
    GlTextureParams* p = __glCheckTexImageArgs(gc, target, level, internalFormat, border, GL_RGBA, GL_FLOAT,
                                               dimensions);
    if (!p) return nullptr;
    if (target == GL_PROXY_TEXTURE_1D || target == GL_PROXY_TEXTURE_2D || (internalFormat >= 1 && internalFormat <= 4))
        return __glSetError(GL_INVALID_ENUM), nullptr;
    if (!__glCheckTexSize(gc, width, border)) return nullptr;
    if (dimensions == 2 && !__glCheckTexSize(gc, height, border)) return nullptr;
    return p;
}

extern "C" GlTextureParams* GLPROC __glCheckCopyTexSubImageArgs(GlContext* gc, GLenum target, GLint level,
                                                               GLint xoffset, GLint yoffset, GLsizei width,
                                                               GLsizei height, GLint dimensions) {
    GlTextureParams* p = __glCheckTexSubImageTarget(gc, target, level, GL_RGBA, GL_FLOAT, dimensions);
    if (!p) return nullptr;
    const GlMipmapLevel* l = &p->levels[level];
    if (!__glCheckTexSubRange(gc, l, xoffset, width, l->width)) return nullptr;
    if (dimensions == 2 && !__glCheckTexSubRange(gc, l, yoffset, height, l->height)) return nullptr;
    return p;
}

extern "C" void GLPROC __glTexCopyImageHook(GlContext* gc, GlPixelOpRecord* op, GlTextureParams*, GLint) {
    __glRunReadToImage(gc, op);
}

// ---- Level 0 in the colour buffer's pixel format.

namespace {

// Bytes of the stored texel and its red, green, blue, alpha byte offsets (-1: 0).
struct ConvertSource {
    GLenum stored;
    GLint bytes;
    int8_t r, g, b, a;
};
constexpr ConvertSource convertSources[] = {
    {GL_RGB, 3, 0, 1, 2, -1},       {GL_RGBA, 4, 0, 1, 2, 3},          {GL_LUMINANCE, 1, 0, 0, 0, -1},
    {GL_LUMINANCE_ALPHA, 2, 0, 0, 0, 1}, {GL_INTENSITY, 1, 0, 0, 0, 0},
};

const ConvertSource* convertSourceOf(GLenum stored) {
    for (const ConvertSource& c : convertSources)
        if (c.stored == stored) return &c;
    return nullptr;
}

GLuint bitCount(GLuint v) { return (GLuint)__builtin_popcount(v); }

// What a converted copy was made for: pixel size, shifts and bits of the
// draw buffer's components; 0 for a buffer the copies cannot serve.
GLuint convertKey(const GlColorBuffer* cb) {
    const GLuint size = cb ? cb->buf.elementSize : 0;
    if (size != 1 && size != 2 && size != 4) return 0;
    GLuint key = size;
    for (int i = 0; i < 4; i++) key = key * 67 + cb->shift[i] * 9 + bitCount(cb->maximum[i]);
    return key ? key : 1;
}

}  // namespace

extern "C" void GLPROC __glConvertTextureToFramebuffer(GlContext* gc, GlMipmapLevel* l, GLint x, GLint y,
                                                      GLsizei width, GLsizei height) {
    const ConvertSource* c = convertSourceOf(l->storedFormat);
    const GlColorBuffer* cb = gc->drawBuffer;
    if (!c || !cb || !l->converted || x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > l->width ||
        y + height > l->height)
        return;
    const GLint p = (GLint)cb->buf.elementSize;
    const int8_t offset[4] = {c->r, c->g, c->b, c->a};
    // A component the buffer has no bits for (its mask empty, its maximum
    // only a scale) is left out.
    GLuint down[4];
    for (int k = 0; k < 4; k++) {
        const GLuint bits = cb->mask[k] ? bitCount(cb->maximum[k]) : 0;
        down[k] = 8 - (bits > 8 ? 8 : bits);
    }
    for (GLint j = 0; j < height; j++) {
        const size_t at = (size_t)(y + j) * (size_t)l->width + (size_t)x;
        const uint8_t* s = l->data + at * (size_t)c->bytes;
        uint8_t* d = l->converted + at * (size_t)p;
        for (GLint i = 0; i < width; i++, s += c->bytes, d += p) {
            GLuint v = 0;
            for (int k = 0; k < 4; k++)
                if (offset[k] >= 0 && down[k] < 8) v |= ((GLuint)s[offset[k]] >> down[k]) << cb->shift[k];
            memcpy(d, &v, (size_t)p);  // the low bytes on a little-endian processor
        }
    }
}

extern "C" GLboolean GLPROC __glPrepareFastTexture(GlContext* gc) {
    GlTextureParams* p = (GlTextureParams*)gc->currentTexture;
    if (!p) return GL_FALSE;
    GlMipmapLevel* l = &p->levels[0];
    const GLuint key = convertKey(gc->drawBuffer);
    if (!key || !l->data || !convertSourceOf(l->storedFormat)) return GL_FALSE;
    if (l->converted && l->convertedKey == key) return GL_TRUE;
    const uint64_t bytes = (uint64_t)l->texelCount * gc->drawBuffer->buf.elementSize;
    uint8_t* converted = bytes && bytes <= SIZE_MAX ? (uint8_t*)gc->imports.realloc(gc, l->converted, (size_t)bytes)
                                                    : nullptr;
    if (!converted) return GL_FALSE;  // the old copy, if any, is still freed with its level
    l->converted = converted;
    l->convertedKey = key;
    __glConvertTextureToFramebuffer(gc, l, 0, 0, l->width, l->height);
    return GL_TRUE;
}

extern "C" void GLPROC __glUpdateConvertedTexture(GlContext* gc, GlMipmapLevel* l, GLint xoffset, GLint yoffset,
                                                 GLsizei width, GLsizei height) {
    if (!l->converted) return;
    if (l->convertedKey != convertKey(gc->drawBuffer)) {  // made for another pixel format: rebuilt on demand
        gc->imports.free(gc, l->converted);
        l->converted = nullptr;
        return;
    }
    __glConvertTextureToFramebuffer(gc, l, xoffset + l->border, yoffset + l->border, width, height);
}

// ---- Entries.

namespace {

// Reads the rectangle the record describes into the level through the
// params' copy hook, when the clip leaves any of it.
void copyIntoLevel(GlContext* gc, GlPixelOpRecord* op, GlTextureParams* p, GLint level) {
    if (!__glClipReadPixels(gc, op) || !__glLayoutImage(&op->destination, op->width, op->height)) return;
    p->copyImage(gc, op, p, level);
}

void copyTexImage(GLint dims, GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y, GLsizei width,
                  GLsizei height, GLint border) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    GlContext* gc = ts->context;
    GlTextureParams* p =
        __glCheckCopyTexImageArgs(gc, target, level, (GLint)internalFormat, width, height, border, dims);
    if (!p) return;
    GlTextureObject* bound = gc->textureObjects.bound[dims == 1 ? GL_TEX_1D : GL_TEX_2D];
    if (bound->refCount > 2) return __glSetError(GL_INVALID_OPERATION);
    if (dims == 1) height = 1;
    const GLint rows = dims == 1 ? 1 + 2 * border : height;
    uint8_t* memory = p->allocLevel(gc, p, level, (GLint)internalFormat, width, rows, 1 + 2 * border, border, dims);
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
    if (!memory) return;
    GlPixelOpRecord op;
    __glInitCopyTexRecord(gc, &op, x, y, width, height);
    __glSetTexLevelDest(gc, &op, p, level);
    // Texels the framebuffer does not cover are zero.
    const GlImageLayout* d = &op.destination;
    memset(memory, 0, (size_t)p->levels[level].texelCount * (size_t)(__glFormatComponents(d->format, d->type) *
                                                                      __glTypeSize(d->type)));
    copyIntoLevel(gc, &op, p, level);
    bound->resident = 1;
}

void copyTexSubImage(GLint dims, GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x, GLint y,
                     GLsizei width, GLsizei height) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    GlContext* gc = ts->context;
    GlTextureParams* p = __glCheckCopyTexSubImageArgs(gc, target, level, xoffset, yoffset, width, height, dims);
    if (!p) return;
    if (gc->textureObjects.bound[dims == 1 ? GL_TEX_1D : GL_TEX_2D]->refCount > 2)
        return __glSetError(GL_INVALID_OPERATION);
    GlPixelOpRecord op;
    __glInitCopyTexRecord(gc, &op, x, y, width, height);
    __glSetTexSubImageDest(gc, &op, p, level, xoffset, yoffset);
    copyIntoLevel(gc, &op, p, level);
    if (dims == 2) __glUpdateConvertedTexture(gc, &p->levels[level], xoffset, yoffset, width, height);
}

}  // namespace

extern "C" void GLIMM __glImmCopyTexImage1D(GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y,
                                           GLsizei width, GLint border) {
    copyTexImage(1, target, level, internalFormat, x, y, width, 1, border);
}
extern "C" void GLIMM __glImmCopyTexImage2D(GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y,
                                           GLsizei width, GLsizei height, GLint border) {
    copyTexImage(2, target, level, internalFormat, x, y, width, height, border);
}
extern "C" void GLIMM __glImmCopyTexSubImage1D(GLenum target, GLint level, GLint xoffset, GLint x, GLint y,
                                              GLsizei width) {
    copyTexSubImage(1, target, level, xoffset, 0, x, y, width, 1);
}
extern "C" void GLIMM __glImmCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x,
                                              GLint y, GLsizei width, GLsizei height) {
    copyTexSubImage(2, target, level, xoffset, yoffset, x, y, width, height);
}
