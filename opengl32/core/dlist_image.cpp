// Display-list image records: the calls that take a client image copy it at
// compile time under the unpack state of that moment into packed rows, and
// replay it through the thread's table with a packed unpack state.

#include <string.h>
#include <initializer_list>
#include "beginstate.h"
#include "dlist.h"
#include "pixel/pixel.h"
#include "texture/texture.h"

static inline GLuint word(const uint8_t* p) {
    GLuint v;
    memcpy(&v, p, 4);
    return v;
}
static inline uint64_t round4(uint64_t n) { return (n + 3) & ~(uint64_t)3; }
static inline GlEntryProc liveEntry(int slot) { return __glThreadState()->dispatch.entry[slot - GL_FIRST_SLOT]; }
#define GL_LIVE(Name) ((decltype(&gl##Name))liveEntry(GL_SLOT_##Name))

enum {
    GL_PACKED_332 = 0x8032,
    GL_PACKED_4444 = 0x8033,
    GL_PACKED_5551 = 0x8034,
    GL_PACKED_8888 = 0x8035,
    GL_PACKED_1010102 = 0x8036,
};

static bool isPackedType(GLenum type) { return type - GL_PACKED_332 <= 4u; }

// Bytes of a packed image, in 64 bits.
static uint64_t imageSize(GLsizei w, GLsizei h, GLenum format, GLenum type) {
    return __glPackedImageSize(w, h, format, type);
}

static uint8_t reverseBits(uint8_t b) {
    b = (uint8_t)((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = (uint8_t)((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return (uint8_t)((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Copies depth images of height rows from client memory under the unpack
// state into packed rows (bitmaps: each row from a new byte, bit 7 first).
extern "C" void GLPROC __glUnpackImage(GlContext* gc, GLsizei width, GLsizei height, GLsizei depth, GLenum format,
                                      GLenum type, const GLvoid* pixels, GLvoid* destination) {
    uint8_t* dst = (uint8_t*)destination;
    const uint64_t rows = (uint64_t)(height > 0 ? height : 0) * (uint64_t)(depth > 0 ? depth : 0);
    const uint64_t dstRow = __glPackedImageSize(width, 1, format, type);
    GlImageLayout l;
    __glSetImageModes(&l, format, type, pixels, width, &gc->pixel.unpack);
    if (rows == 0 || dstRow == 0) return;
    // An image that cannot lie in the address space is not read.
    if (rows > INT32_MAX || !__glLayoutImage(&l, width, (GLsizei)rows)) {
        memset(dst, 0, (size_t)(dstRow * rows));
        return;
    }
    const uint8_t* row = l.firstPixel;
    const uint64_t size = (uint64_t)l.elementSize;
    for (uint64_t r = 0; r < rows; r++, row += l.rowStride, dst += dstRow) {
        if (type == GL_BITMAP) {
            memset(dst, 0, (size_t)dstRow);
            for (GLsizei i = 0; i < width; i++) {
                const GLint bit = l.bitOffset + i;
                uint8_t b = row[bit >> 3];
                if (l.lsbFirst) b = reverseBits(b);
                if (b & (0x80 >> (bit & 7))) dst[i >> 3] |= (uint8_t)(0x80 >> (i & 7));
            }
        } else if (l.swapBytes && size > 1) {
            for (uint64_t e = 0; e < dstRow; e += size)
                for (uint64_t k = 0; k < size; k++) dst[e + k] = row[e + size - 1 - k];
        } else {
            memcpy(dst, row, (size_t)dstRow);
        }
    }
}

extern "C" void GLPROC __glCopyImageToList(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                          const GLvoid* pixels, GLvoid* destination) {
    __glUnpackImage(gc, width, height, 1, format, type, pixels, destination);
}

// Playback runs the call with the packed unpack state the record was made for.
struct GlPackedUnpack {
    GlContext* gc;
    GlPixelStoreModes saved;
    GlPackedUnpack() : gc(__glCurrentContext()), saved(gc->pixel.unpack) {
        GlPixelStoreModes* u = &gc->pixel.unpack;
        u->swapBytes = u->lsbFirst = 0;
        u->rowLength = u->skipRows = u->skipPixels = 0;
        u->alignment = 1;
    }
    ~GlPackedUnpack() { gc->pixel.unpack = saved; }
};

// Format and type checks of the pixel calls: 0, an error code to record, or
// GL_INVALID_OPERATION raised at once (*immediate set).
static GLenum checkFormatType(GLenum format, GLenum type, bool drawPixels, bool* immediate) {
    *immediate = false;
    const bool formatOk = format == GL_COLOR_INDEX || format - GL_RED <= GL_LUMINANCE_ALPHA - GL_RED ||
                          format == GL_ABGR_EXT || format == GL_BGR_EXT || format == GL_BGRA_EXT ||
                          (drawPixels && (format == GL_STENCIL_INDEX || format == GL_DEPTH_COMPONENT));
    if (!formatOk) return GL_INVALID_ENUM;
    if (type == GL_BITMAP) return format == GL_COLOR_INDEX || format == GL_STENCIL_INDEX ? 0 : GL_INVALID_ENUM;
    if (type - GL_BYTE <= GL_FLOAT - GL_BYTE) return 0;
    if (isPackedType(type)) {
        const bool ok = type == GL_PACKED_332 ? format == GL_RGB || format == GL_BGR_EXT
                                              : format == GL_RGBA || format == GL_ABGR_EXT || format == GL_BGRA_EXT;
        if (ok) return 0;
        *immediate = true;
        return GL_INVALID_OPERATION;
    }
    return GL_INVALID_ENUM;
}

// Allocates the record with `words` leading operand words and the padded image,
// and copies the image; null after recording an error.
static GlListRecord* imageRecord(GlContext* gc, int opcode, int words, GLsizei w, GLsizei h, GLenum format,
                                 GLenum type, const GLvoid* pixels, uint64_t* imageBytes) {
    const uint64_t bytes = imageSize(w, h, format, type);
    *imageBytes = round4(bytes);
    GlListRecord* r = __glListAllocRecord(gc, 4 * (uint64_t)words + *imageBytes);
    if (!r) return nullptr;
    r->opcode = (int16_t)opcode;
    if (bytes && pixels) __glCopyImageToList(gc, w, h, format, type, pixels, __glListOperands(r) + 4 * words);
    return r;
}

static void putWords(uint8_t* p, std::initializer_list<GLuint> words) {
    for (GLuint w : words) memcpy(p, &w, 4), p += 4;
}
static GLuint floatWord(GLfloat f) {
    GLuint v;
    memcpy(&v, &f, 4);
    return v;
}
static GLfloat wordFloat(const uint8_t* p) {
    GLfloat f;
    memcpy(&f, p, 4);
    return f;
}

// Validates pixel calls and texture calls the way the shared checks do;
// returns false after recording or raising the error.
static bool imageChecks(GlContext* gc, GLsizei w, GLsizei h, GLenum format, GLenum type, bool drawPixels) {
    if (w < 0 || h < 0) return __glListRecordError(gc, GL_INVALID_VALUE), false;
    bool immediate;
    const GLenum err = checkFormatType(format, type, drawPixels, &immediate);
    if (!err) return true;
    if (immediate) __glSetError(err);
    else __glListRecordError(gc, err);
    return false;
}

// ---- glBitmap

extern "C" const uint8_t* GLPROC __glPlayBitmap(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(Bitmap)((GLsizei)word(op), (GLsizei)word(op + 4), wordFloat(op + 8), wordFloat(op + 12), wordFloat(op + 16),
                    wordFloat(op + 20), op + 32);
    return op + 32 + word(op + 24);
}
extern "C" void GLIMM __glCompileBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                                       GLfloat ymove, const GLubyte* bitmap) {
    GlContext* gc = __glCurrentContext();
    if (width < 0 || height < 0) return __glListRecordError(gc, GL_INVALID_VALUE);
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 4, 8, width, height, GL_COLOR_INDEX, GL_BITMAP, bitmap, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {(GLuint)width, (GLuint)height, floatWord(xorig), floatWord(yorig),
                                   floatWord(xmove), floatWord(ymove), (GLuint)bytes, 0});
    __glListAppendRecord(gc, r, __glPlayBitmap);
}

// ---- glPolygonStipple

extern "C" const uint8_t* GLPROC __glPlayPolygonStipple(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(PolygonStipple)(op);
    return op + 128;
}
extern "C" void GLIMM __glCompilePolygonStipple(const GLubyte* mask) {
    GlContext* gc = __glCurrentContext();
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 101, 0, 32, 32, GL_COLOR_INDEX, GL_BITMAP, mask, &bytes);
    if (r) __glListAppendRecord(gc, r, __glPlayPolygonStipple);
}

// ---- glDrawPixels

extern "C" const uint8_t* GLPROC __glPlayDrawPixels(const uint8_t* op) {
    const GLsizei w = (GLsizei)word(op), h = (GLsizei)word(op + 4);
    const GLenum format = word(op + 8), type = word(op + 12);
    {
        GlPackedUnpack packed;
        GL_LIVE(DrawPixels)(w, h, format, type, op + 16);
    }
    return op + 16 + round4(imageSize(w, h, format, type));
}
extern "C" void GLIMM __glCompileDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type,
                                           const GLvoid* pixels) {
    GlContext* gc = __glCurrentContext();
    if (!imageChecks(gc, width, height, format, type, true)) return;
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 171, 4, width, height, format, type, pixels, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {(GLuint)width, (GLuint)height, format, type});
    __glListAppendRecord(gc, r, __glPlayDrawPixels);
}

// ---- texture images

static bool borderBad(GLint border) { return border != 0 && border != 1; }

extern "C" const uint8_t* GLPROC __glPlayTexImage1D(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(TexImage1D)(word(op), (GLint)word(op + 4), (GLint)word(op + 8), (GLsizei)word(op + 12),
                        (GLint)word(op + 16), word(op + 20), word(op + 24), op + 32);
    return op + 32 + word(op + 28);
}
extern "C" void GLIMM __glCompileTexImage1D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                                           GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    GlContext* gc = __glCurrentContext();
    if (target == GL_PROXY_TEXTURE_1D) {
        ((decltype(&glTexImage1D))gc->liveDispatch->entry[GL_SLOT_TexImage1D - GL_FIRST_SLOT])(
            target, level, internalformat, width, border, format, type, pixels);
        return;
    }
    if (width < 0 || borderBad(border)) return __glListRecordError(gc, GL_INVALID_VALUE);
    if (!imageChecks(gc, width, 1, format, type, false)) return;
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 108, 8, width, 1, format, type, pixels, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {target, (GLuint)level, (GLuint)internalformat, (GLuint)width, (GLuint)border,
                                   format, type, (GLuint)bytes});
    __glListAppendRecord(gc, r, __glPlayTexImage1D);
}

extern "C" const uint8_t* GLPROC __glPlayTexImage2D(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(TexImage2D)(word(op), (GLint)word(op + 4), (GLint)word(op + 8), (GLsizei)word(op + 12),
                        (GLsizei)word(op + 16), (GLint)word(op + 20), word(op + 24), word(op + 28), op + 36);
    return op + 36 + word(op + 32);
}
extern "C" void GLIMM __glCompileTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                                           GLsizei height, GLint border, GLenum format, GLenum type,
                                           const GLvoid* pixels) {
    GlContext* gc = __glCurrentContext();
    if (target == GL_PROXY_TEXTURE_2D) {
        ((decltype(&glTexImage2D))gc->liveDispatch->entry[GL_SLOT_TexImage2D - GL_FIRST_SLOT])(
            target, level, internalformat, width, height, border, format, type, pixels);
        return;
    }
    if (width < 0 || height < 0 || borderBad(border)) return __glListRecordError(gc, GL_INVALID_VALUE);
    if (!imageChecks(gc, width, height, format, type, false)) return;
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 109, 9, width, height, format, type, pixels, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {target, (GLuint)level, (GLuint)internalformat, (GLuint)width, (GLuint)height,
                                   (GLuint)border, format, type, (GLuint)bytes});
    __glListAppendRecord(gc, r, __glPlayTexImage2D);
}

extern "C" const uint8_t* GLPROC __glPlayTexSubImage1D(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(TexSubImage1D)(word(op), (GLint)word(op + 4), (GLint)word(op + 8), (GLsizei)word(op + 12), word(op + 16),
                           word(op + 20), op + 28);
    return op + 28 + word(op + 24);
}
extern "C" void GLIMM __glCompileTexSubImage1D(GLenum target, GLint level, GLint xoffset, GLsizei width,
                                              GLenum format, GLenum type, const GLvoid* pixels) {
    GlContext* gc = __glCurrentContext();
    if (!imageChecks(gc, width, 1, format, type, false)) return;
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 203, 7, width, 1, format, type, pixels, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {target, (GLuint)level, (GLuint)xoffset, (GLuint)width, format, type,
                                   (GLuint)bytes});
    __glListAppendRecord(gc, r, __glPlayTexSubImage1D);
}

extern "C" const uint8_t* GLPROC __glPlayTexSubImage2D(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(TexSubImage2D)(word(op), (GLint)word(op + 4), (GLint)word(op + 8), (GLint)word(op + 12),
                           (GLsizei)word(op + 16), (GLsizei)word(op + 20), word(op + 24), word(op + 28), op + 36);
    return op + 36 + word(op + 32);
}
extern "C" void GLIMM __glCompileTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset,
                                              GLsizei width, GLsizei height, GLenum format, GLenum type,
                                              const GLvoid* pixels) {
    GlContext* gc = __glCurrentContext();
    if (!imageChecks(gc, width, height, format, type, false)) return;
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 204, 9, width, height, format, type, pixels, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {target, (GLuint)level, (GLuint)xoffset, (GLuint)yoffset, (GLuint)width,
                                   (GLuint)height, format, type, (GLuint)bytes});
    __glListAppendRecord(gc, r, __glPlayTexSubImage2D);
}

// ---- colour tables

// The immediate calls' begin-state step: refused inside glBegin/glEnd,
// pending state validated.
static bool colorTablePrologue(void) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState == GL_BEGIN_INSIDE) return __glSetError(GL_INVALID_OPERATION), false;
    if (ts->beginState == GL_BEGIN_NEEDS_VALIDATE) {
        ts->context->procs.validate(ts->context);
        ts->beginState = GL_BEGIN_OUTSIDE;
    }
    return true;
}

extern "C" const uint8_t* GLPROC __glPlayColorTableEXT(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(ColorTableEXT)(word(op), word(op + 4), (GLsizei)word(op + 8), word(op + 12), word(op + 16), op + 24);
    return op + 24 + word(op + 20);
}
// The immediate call's checks, with its codes; proxies run at once. The
// shared palette is checked as a texture target and recorded.
extern "C" void GLIMM __glCompileColorTableEXT(GLenum target, GLenum internalFormat, GLsizei width, GLenum format,
                                              GLenum type, const GLvoid* table) {
    GlContext* gc = __glCurrentContext();
    if (!colorTablePrologue()) return;
    if (target == GL_PROXY_TEXTURE_1D || target == GL_PROXY_TEXTURE_2D) {
        ((decltype(&glColorTableEXT))gc->liveDispatch->entry[GL_SLOT_ColorTableEXT - GL_FIRST_SLOT])(
            target, internalFormat, width, format, type, table);
        return;
    }
    const GLenum checked = target == GL_SHARED_TEXTURE_PALETTE_EXT ? GL_TEXTURE_2D : target;
    const GLenum error = __glCheckColorTableArgs(gc, checked, internalFormat, width, format, type);
    if (error) return __glListRecordError(gc, error);
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 193, 6, width, 1, format, type, table, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {target, internalFormat, (GLuint)width, format, type, (GLuint)bytes});
    __glListAppendRecord(gc, r, __glPlayColorTableEXT);
}

extern "C" const uint8_t* GLPROC __glPlayColorSubTableEXT(const uint8_t* op) {
    GlPackedUnpack packed;
    GL_LIVE(ColorSubTableEXT)(word(op), (GLsizei)word(op + 4), (GLsizei)word(op + 8), word(op + 12), word(op + 16),
                              op + 24);
    return op + 24 + word(op + 20);
}
extern "C" void GLIMM __glCompileColorSubTableEXT(GLenum target, GLsizei start, GLsizei count, GLenum format,
                                                 GLenum type, const GLvoid* data) {
    GlContext* gc = __glCurrentContext();
    if (!colorTablePrologue()) return;
    // The range is checked against the table when the list runs.
    const GLenum error = __glCheckColorSubTableArgs(gc, target, start, count, format, type);
    if (error) return __glListRecordError(gc, error);
    uint64_t bytes;
    GlListRecord* r = imageRecord(gc, 192, 6, count, 1, format, type, data, &bytes);
    if (!r) return;
    putWords(__glListOperands(r), {target, (GLuint)start, (GLuint)count, format, type, (GLuint)bytes});
    __glListAppendRecord(gc, r, __glPlayColorSubTableEXT);
}
