// Framebuffer buffer records of a context: the drawable's buffer descriptions,
// the buffer objects bound to them, and the colour buffers.
//
// Coordinates: a buffer addresses element (x, y) at row (y - bias y), column
// (x - bias x), row 0 being the first row in memory (base + row x stride). The
// drawable's topDown flag tells whether that row is the top of the image; the
// viewport transform flips GL y for a top-down drawable.
#pragma once

#include "core/glcore.h"

struct WglDrawable;
struct GlPixelFormatInfo;
struct WglMemStorage;
struct GlDrawableBuffer;
struct GlBufferObject;
struct GlColorBuffer;

// Procedures a drawable puts in a buffer description (description, drawable).
typedef void (GLPROC* GlDrawableBufferProc)(GlDrawableBuffer* desc, WglDrawable* drawable);
// Fills a rectangle of the drawable's own surface (position without the bias).
typedef void (GLPROC* GlDrawableFillProc)(GlDrawableBuffer* desc, WglDrawable* drawable, GLuint value,
                                         GLint x, GLint y, GLint width, GLint height);
// Shows a rectangle of a buffer where its drawable is seen (columns and rows of
// the buffer's memory).
typedef void (GLPROC* GlDrawablePresentProc)(GlDrawableBuffer* desc, WglDrawable* drawable, GLint x, GLint y,
                                            GLint width, GLint height);

// One buffer of a drawable as the core sees it. The drawable supplies storage
// (storage procedure or base set: a DIB section or memory bitmap) or the core
// allocates it through the drawable's allocator and sets free.
struct GlDrawableBuffer {
    GLint width, height;
    GLuint bits;           // colour bits (8, 16, 24, 32) or depth/stencil bits
    GLuint bytesPerPixel;  // 1..4 for 8, 16, 24, 32 colour bits; 0 otherwise
    void* rawStorage;
    uint8_t* base;         // element (0, 0)
    GLuint capacity;       // bytes usable at rawStorage
    GLuint elementSize;
    GLint stride;          // bytes per row
    GlDrawableBufferProc storage;  // (re)creates the drawable's storage for its size
    GlDrawableBufferProc lock;
    GlDrawableBufferProc unlock;
    GlDrawableBufferProc free;     // releases storage the core or the drawable made
    GlDrawableFillProc fill;
    GlDrawablePresentProc present;  // none where drawing is seen as it happens
    GLuint flags;
    void* depthState;
    WglMemStorage* memory;  // memory-bitmap storage record
};
static_assert(sizeof(GlDrawableBuffer) == 72, "GlDrawableBuffer is 18 words");

// Buffer kinds, in the drawable's order.
enum {
    GL_DRAWABLE_FRONT,
    GL_DRAWABLE_BACK,
    GL_DRAWABLE_ACCUM,
    GL_DRAWABLE_DEPTH,
    GL_DRAWABLE_STENCIL,
    GL_DRAWABLE_AUX,
    GL_DRAWABLE_BUFFERS
};

// Base of every framebuffer buffer of a context.
struct GlBufferObject {
    GlContext* context;  // owner while attached, null when detached
    GLint width, height;
    GLuint bits;
    void* rawStorage;
    uint8_t* base;
    GLuint capacity;
    GLuint elementSize, elementShift;
    GLint rowLength;  // stride / elementSize
    GLint stride;
    void (GLPROC* attach)(GlBufferObject* b, GlDrawableBuffer* desc, GlContext* gc);
    void (GLPROC* detach)(GlBufferObject* b);
    void (GLPROC* resize)(GlBufferObject* b, GLint width, GLint height);
    void (GLPROC* hook)(GlBufferObject* b);
    void (GLPROC* free)(GlBufferObject* b);
    GlDrawableBuffer* desc;
};

// One fragment for the single-fragment stores: window position with the bias,
// depth, and the colour in the buffer's component range (index in color[0]).
struct GlFragment {
    GLint x, y;
    GLuint z;
    GLfloat color[4];
};
static_assert(sizeof(GlFragment) == 28, "GlFragment: x, y, z, four colour floats");

// Store flags of a colour buffer, set by its pick procedure (the raster-flag bits).
enum {
    GL_CB_DITHER = 0x40,
    GL_CB_LOGIC_OP = 0x80,
    GL_CB_BLEND = 0x100,
    GL_CB_CLIP_LIST = 0x400000,
};

// Colour format codes.
enum {
    GL_FORMAT_OTHER = 0,
    GL_FORMAT_INDEX8 = 1,
    GL_FORMAT_332 = 2,
    GL_FORMAT_555 = 4,
    GL_FORMAT_565 = 5,
    GL_FORMAT_888 = 7,
    GL_FORMAT_X888 = 10,
};

typedef void (GLPROC* GlClearRectProc)(GlColorBuffer* cb, GLint x0, GLint y0, GLint x1, GLint y1);

struct GlColorBuffer {
    GlBufferObject buf;
    GLuint fullMask;
    uint8_t needsSpanOps, byteElements, pad[2];
    GLfloat redScale, greenScale, blueScale, alphaScale;
    GLuint writeMask, keepMask;
    void (GLPROC* pick)(GlContext* gc, GlColorBuffer* cb);
    void (GLPROC* storeFragment)(GlColorBuffer* cb, const GlFragment* f);
    void (GLPROC* readIndex)(GlColorBuffer* cb, GLint x, GLint y, GLfloat* out);
    void (GLPROC* readIndex2)(GlColorBuffer* cb, GLint x, GLint y, GLfloat* out);
    void (GLPROC* storeSpanPerPixel)(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n);
    void (GLPROC* returnAccumSpan)(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* accum,
                                  GLfloat value, GLint n);
    // Span stores: n fragments from (x, y) rightward, colours 4 floats apart;
    // B honours 32-pixel coverage words (first pixel in bit 31).
    void (GLPROC* storeSpanA)(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n);
    GLuint (GLPROC* storeSpanB)(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n,
                                const GLuint* coverage);
    void (GLPROC* fetchSpanA)(GlColorBuffer* cb, GLint x, GLint y, GLfloat* colors, GLint n);
    void (GLPROC* fetchSpanB)(GlColorBuffer* cb, GLint x, GLint y, GLfloat* colors, GLint n);
    void (GLPROC* clear)(GlContext* gc, GlColorBuffer* cb);
    void (GLPROC* readPixel)(GlColorBuffer* cb, GLint x, GLint y, GLfloat out[4]);
    GLuint formatCode;
    // RGBA layout: shifts, integer maxima and masks of red, green, blue, alpha.
    GLuint shift[4];
    GLuint maximum[4];
    GLuint mask[4];
    GLuint flags;  // GL_CB_* while picked
};
static_assert(offsetof(GlColorBuffer, buf) == 0, "a colour buffer is reached through its buffer object");

// ---- Depth and stencil buffers.

struct GlDepthBuffer;
// Per-pixel depth test: (buffer, biased x, y, window z) -> 1 pass, 0 fail.
typedef GLuint (GLPROC* GlDepthPixelProc)(GlDepthBuffer* db, GLint x, GLint y, GLuint z);
// Span depth test: (finished value, address of the stored 16- or 32-bit word).
typedef GLuint (GLPROC* GlDepthSpanProc)(GLuint value, void* word);

// Three kinds: 16-bit values in 16-bit words, 24-bit values in 32-bit words
// (the top byte a clear generation), 32-bit values. A window z (0 .. depthMax)
// is stored as (z >> depthShift) + generation.
struct GlDepthBuffer {
    GlBufferObject buf;
    GLuint writeMaskBits;
    GLuint depthMax;        // integer window z of 1.0
    GLuint generation;      // current clear generation (top byte), 0 without generations
    GLuint depthShift;
    GLuint valueMask;       // element bits holding the depth
    GLuint generationStep;  // non-zero: the kind has clear generations
    uint8_t needsFullClear, clearSkippable;
    uint8_t mirror;  // the stored depth is 1 - z (24-bit kind counting up, or a remapped function)
    uint8_t pad;
    GLenum compareFunc;  // the function the depth-test procedures were picked for
    void (GLPROC* pick)(GlContext* gc, GlDepthBuffer* db, GLint index);
    GlDepthPixelProc testPixel;
    void (GLPROC* clear)(GlContext* gc);
    GlDepthPixelProc storePixel;
    // Stored depth at (biased x, y) on the depthMax scale.
    GLuint (GLPROC* fetch)(GlDepthBuffer* db, GLint x, GLint y);
};

// What every context on one drawable shares of its depth buffer (the
// drawable description's depthState).
struct GlDepthShared {
    GLuint generation, generationStep;
    uint8_t needsFullClear, mirror, pad[2];
};

// One byte per pixel; the tests and operations are tables of 2^bits entries.
struct GlStencilBuffer {
    GlBufferObject buf;
    uint8_t* testTable;
    uint8_t* failOpTable;
    uint8_t* depthFailOpTable;
    uint8_t* depthPassOpTable;
    GlContext* owner;  // allocator of the tables
    GLuint entries;    // 2^bits, at most 256
    void (GLPROC* pick)(GlContext* gc, GlStencilBuffer* sb);
    void (GLPROC* storePixel)(GlStencilBuffer* sb, GLint x, GLint y, GLuint value);
    GLuint (GLPROC* fetchPixel)(GlStencilBuffer* sb, GLint x, GLint y);
    GLuint (GLPROC* testPixel)(GlStencilBuffer* sb, GLint x, GLint y);
    GLuint (GLPROC* applyFail)(GlStencilBuffer* sb, GLint x, GLint y);
    GLuint (GLPROC* applyZfail)(GlStencilBuffer* sb, GLint x, GLint y);
    GLuint (GLPROC* applyZpass)(GlStencilBuffer* sb, GLint x, GLint y);
};

// The framebuffer part of a context.
struct GlFramebuffer {
    WglDrawable* drawable;  // bound at make-current (the size last seen is drawableWidth/Height)
    GLuint savedWord;       // held by the drawable between lose- and make-current
    GlColorBuffer* frontBuffer;
    GlColorBuffer* backBuffer;  // null for a single-buffered format
    GlColorBuffer* lockedDrawBuffer;
    GlColorBuffer front, back;
    GlBufferObject accum;
    GlDepthBuffer depth;
    GlStencilBuffer stencil;
    GlBufferObject aux;
    // Clears of the other kinds; null until those kinds are built.
    void (GLPROC* clearAccum)(GlContext* gc);
    void (GLPROC* clearStencil)(GlContext* gc);
    void (GLPROC* clearDepth)(GlContext* gc);
};

extern "C" {
// Buffer objects.
void GLPROC __glInitBufferObject(GlBufferObject* b, GlContext* gc);
void GLPROC __glAttachBufferObject(GlBufferObject* b, GlDrawableBuffer* desc, GlContext* gc);
void GLPROC __glDetachBufferObject(GlBufferObject* b);
void GLPROC __glResizeBufferObject(GlBufferObject* b, GLint width, GLint height);
// Elements of a row of width elements padded to a multiple of rowMultiple
// bytes (0 for no width; held to INT32_MAX, which no allocation fits).
GLint GLPROC __glPaddedWidth(GLint width, GLuint elementSize, GLuint rowMultiple);
void GLPROC __glFreeBufferStorage(GlDrawableBuffer* desc, WglDrawable* drawable);

// Whether the colour buffers can address the format (RGBA 8/16/24/32 bits,
// colour index 8/16/32 bits). Context creation must refuse other formats.
GLboolean GLPROC __glColorBufferSupported(const GlPixelFormatInfo* f);

// First make-current, before __glAttachDrawable: builds the buffer records for
// the context's pixel format and installs procs.resizeBuffers and
// procs.refreshBufferAddresses. False (nothing built) for an unsupported format.
GLboolean GLPROC __glInitBuffers(GlContext* gc);
// Every make-current: binds imports.getDrawableBuffer's drawable and attaches
// the buffers to its descriptions; installs the drawable's release hook.
void GLPROC __glAttachDrawable(GlContext* gc);
// Lose-current: hands the size and saved word back to the drawable, detaches.
void GLPROC __glDetachBuffers(GlContext* gc);
// Asks imports.getDrawableSize and resizes when the size changed.
void GLPROC __glUpdateDrawableSize(GlContext* gc);
// Stores a new drawable size and resizes every buffer when it differs from the
// drawable record's (procs.resizeBuffers calls this through __glResizeBuffers).
void GLPROC __glResizeBuffersIfNeeded(GlContext* gc, GLint width, GLint height);
void GLPROC __glResizeBuffers(GlContext* gc, GLint width, GLint height);
// procs.refreshBufferAddresses: re-reads base and stride of drawable-owned colour storage.
GLboolean GLPROC __glRefreshColorBufferAddresses(GlContext* gc);
GLboolean GLPROC __glLockBothDrawBuffers(GlContext* gc);
GLboolean GLPROC __glUnlockBothDrawBuffers(GlContext* gc);
// Destroy: frees what the buffers own.
void GLPROC __glFreeBuffers(GlContext* gc);
// The drawable's release hook: frees the storage of its six descriptions.
void GLPROC __glReleaseDrawableBuffers(WglDrawable* drawable);
// Validation: picks the store and clear procedures of the colour buffers for
// the current masks, dither, logic op and draw buffer, then the stencil
// buffer's tables.
void GLPROC __glPickColorBuffers(GlContext* gc);

// Colour buffers.
void GLPROC __glInitDibColorBuffer(GlColorBuffer* cb, GlContext* gc);
void GLPROC __glInitColorBuffer(GlColorBuffer* cb, GlContext* gc);
// Software colour buffers whose pixels the fast pixel paths address directly:
// RGBA DIB and memory buffers, and 8-bit colour-index buffers.
GLboolean GLPROC __glIsDibColorBuffer(const GlColorBuffer* cb);
GLboolean GLPROC __glIsIndex8ColorBuffer(const GlColorBuffer* cb);
// A colour in buffer units packed as the fragment store packs it: each
// component plus offset (0.5, or the dither offset), truncated and limited.
GLuint GLPROC __glDibPackColor(const GlColorBuffer* cb, const GLfloat color[4], GLfloat offset);
void GLPROC __glStoreSpanPerPixel(GlColorBuffer* cb, GLint x, GLint y, const GLfloat* colors, GLint n);
void GLPROC __glFetchBlendSpan(GlColorBuffer* cb, GLint x, GLint y, GLfloat* colors, GLint n);

// Clears: the clear rectangle (biased, right and bottom exclusive) of the
// context, and each rectangle of the drawable's clip list when it is in use.
GLboolean GLPROC __glClearBox(GlContext* gc, GlColorBuffer* cb, GLint box[4]);
GLboolean GLPROC __glStorageClearBox(GlContext* gc, const GlBufferObject* b, GLint box[4]);
void GLPROC __glForEachClearRect(GlContext* gc, GlColorBuffer* cb, GlClearRectProc fill);
void GLPROC __glForEachClipRect(GlColorBuffer* cb, GlClearRectProc fill);
GLuint GLPROC __glTestWindowPixel(GlColorBuffer* cb, GLint x, GLint y);
}

// 4x4 ordered dither: d at [y & 3][x & 3]; the offset is (2d + 1) / 32.
extern const uint8_t __glDitherMatrix4x4[4][4];
static inline GLfloat __glDitherOffset(GLint x, GLint y) {
    return (GLfloat)(2 * __glDitherMatrix4x4[y & 3][x & 3] + 1) * (1.0f / 32.0f);
}

// The 16 logic operations on packed values.
static inline GLuint __glLogicOp(GLenum op, GLuint src, GLuint dst) {
    switch (op) {
    case GL_CLEAR: return 0;
    case GL_AND: return src & dst;
    case GL_AND_REVERSE: return src & ~dst;
    case GL_COPY: return src;
    case GL_AND_INVERTED: return ~src & dst;
    case GL_NOOP: return dst;
    case GL_XOR: return src ^ dst;
    case GL_OR: return src | dst;
    case GL_NOR: return ~(src | dst);
    case GL_EQUIV: return ~(src ^ dst);
    case GL_INVERT: return ~dst;
    case GL_OR_REVERSE: return src | ~dst;
    case GL_COPY_INVERTED: return ~src;
    case GL_OR_INVERTED: return ~src | dst;
    case GL_NAND: return ~(src & dst);
    case GL_SET: return 0xFFFFFFFFu;
    }
    return src;
}
