// Hardware contexts over the rasterizer library.
#pragma once

#include "core/glcontext.h"
#include "ravix2x.h"
#include "texture/texture.h"

// A hardware context: the generic context and the hardware tail. Face and
// polygon-mode bytes are the generic context's (ccwFront, cullFaceCode, ...).
struct GlHwContext {
    GlContext gc;
    GLint hwBlendSrc, hwBlendDst;  // library factor codes of the current glBlendFunc
    GLuint hwVertexKey;            // vertex-stage key bits (GL_HW_KEY_*)
    void* hwCurrentTexture;        // texture object in use, or null
    GLint hwBoardBuffers;          // board colour buffers of the window: 2, or 1 ("QRB_SINGLEBUFFER")
    GLfloat hwTexScaleS, hwTexScaleT;  // the current texture's s and t to the board's units
    GLenum hwEnvMode;              // the mode the board's combine follows (GL_BLEND keeps the last other)
    GlColorTable hwSharedPalette;  // GL_SHARED_TEXTURE_PALETTE_EXT's table (no data: none defined)
};
static_assert(offsetof(GlHwContext, gc) == 0, "a hardware context is a GlContext");

// Vertex-stage key bits kept by the enables.
enum {
    GL_HW_KEY_LIGHTING = 0x04000000,
    GL_HW_KEY_FOG = 0x08000000,
    GL_HW_KEY_NORMALIZE = 0x10000000,
    GL_HW_KEY_CLIP_PLANE = 0x20000000,
    GL_HW_KEY_VERTEX_ARRAY = 0x40000000,
};

enum {
    GL_HW_WIDTH = 640,
    GL_HW_HEIGHT = 480,
    GL_HW_WINDOW_BIAS = 786432,  // 3 * 2^18: window x and y snap to 1/16 pixel
    GL_HW_DEPTH_MAX = 0xFFFF,
};

static inline GlHwContext* __glHw(GlContext* gc) { return (GlHwContext*)gc; }

// A board buffer locked for the life of the record (colour write locks take
// 5-6-5 writes, depth locks 16-bit depth words): pixel addresses of biased
// window positions.
struct GlHwLfbLock {
    RvLfbInfo info;
    int32_t type, buffer;
    bool held;
    GlHwLfbLock(int32_t lockType, int32_t which) : info(), type(lockType), buffer(which) {
        info.size = sizeof info;
        const int32_t mode = which == RV_BUFFER_DEPTH        ? RV_LFB_WRITEMODE_DEPTH
                             : type == RV_LFB_WRITE_ONLY ? RV_LFB_WRITEMODE_565
                                                         : RV_LFB_WRITEMODE_ANY;
        held = rvLfbLock(type, buffer, mode, RV_ORIGIN_ANY, RV_LFB_NO_PIPELINE, &info) != 0;
    }
    ~GlHwLfbLock() {
        if (held) rvLfbUnlock(type, buffer);
    }
    GlHwLfbLock(const GlHwLfbLock&) = delete;
    GlHwLfbLock& operator=(const GlHwLfbLock&) = delete;
    // Any position; the caller keeps to the board.
    uint16_t* address(const GlContext* gc, GLint x, GLint y) const {
        const GLint col = x - gc->limits.windowBiasX, row = y - gc->limits.windowBiasY;
        return (uint16_t*)((uint8_t*)info.lfbPtr + (ptrdiff_t)row * (int32_t)info.strideInBytes + (ptrdiff_t)col * 2);
    }
    // Null outside the board's 640x480 or without the lock.
    uint16_t* pixel(const GlContext* gc, GLint x, GLint y) const {
        const GLint col = x - gc->limits.windowBiasX, row = y - gc->limits.windowBiasY;
        if (!held || col < 0 || row < 0 || col >= GL_HW_WIDTH || row >= GL_HW_HEIGHT) return nullptr;
        return address(gc, x, y);
    }
};

extern "C" {
GlContext* GLPROC __glHwCreateContext(const GlCoreImports* imports, const GlPixelFormatInfo* format);

// Library-state procedures: push the context's GL state to the library.
void GLPROC __glHwPushBlend(GlContext* gc);
void GLPROC __glHwPushAlphaFunc(GlContext* gc);
void GLPROC __glHwPushAlphaTest(GlContext* gc);
void GLPROC __glHwPushCullMode(GlContext* gc);
void GLPROC __glHwSetDepthMode(GlContext* gc);
void GLPROC __glHwSetDepthFunc(GlContext* gc);
// The board buffer that primitives of the draw buffer go to (the back one for
// GL_FRONT_AND_BACK, which the primitive procedures draw twice), and the
// colour mask, off for GL_NONE.
void GLPROC __glHwPushRenderBuffer(GlContext* gc);
// All of the above, the colour mask and the clip window.
void GLPROC __glHwPushState(GlContext* gc);
// The library's cull code for the context's culling state.
GLint GLPROC __glHwCullCode(const GlContext* gc);
// Library code of a GL blend factor as source (dst false) or destination; -1 when refused.
GLint GLPROC __glHwBlendCode(GLenum factor, GLboolean dst);

// Colour buffer over the board's linear frame buffer (reads, fragment and span stores).
void GLPROC __glHwInitColorBuffer(GlColorBuffer* cb, GlContext* gc);
// The board buffer behind a colour-buffer record: the back record is buffer
// 0 when the window has one board buffer.
int32_t GLPROC __glHwBoardBuffer(const GlColorBuffer* cb);
// A colour in 0-255 units packed as the fragment store packs it (5-6-5).
GLuint GLPROC __glHwPack565(const GLfloat* color, GLfloat offset);
// glDrawPixels and glReadPixels of a hardware context: rows straight between
// client memory and the locked board, else the generic procedures.
void GLPROC __glHwDrawPixelsProc(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                 const GLvoid* pixels, GLboolean packed);
void GLPROC __glHwReadPixelsProc(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                                 GLenum type, GLvoid* pixels);
// The rectangle of a board pixel path: its first client pixel and the client
// row step, the biased window position of its first pixel, the board rows a
// client row moves (+1 or -1), its size, and the conversion of its rows
// (draws: the 5-6-5 field of each byte of red, green, blue; reads: the client
// bytes of each 5-6-5 pixel).
struct GlHwPixelRun {
    uint8_t* client;
    ptrdiff_t clientStride;
    GLint group;  // client bytes a pixel, 3 or 4
    GLint x, y, dy, columns, rows;
    const uint16_t (*pack)[256];
    const GLuint* word;
};
// Draws or reads the rectangle's rows in the given board buffer under one
// frame-buffer lock; false when the lock cannot be had.
GLboolean GLPROC __glHwDrawPixelsLfb(GlContext* gc, int32_t buffer, const GlHwPixelRun* run);
GLboolean GLPROC __glHwReadPixelsLfb(GlContext* gc, int32_t buffer, const GlHwPixelRun* run);
// One row: client bytes to 5-6-5 pixels, and back.
void GLPROC __glHwDrawRowRgb565(const GlHwPixelRun* run, const uint8_t* source, uint16_t* dest);
void GLPROC __glHwReadRowRgb565(const GlHwPixelRun* run, const uint16_t* source, uint8_t* dest);
// Validation of a hardware context: no span-level pickers; the vertex key.
void GLPROC __glHwValidate(GlContext* gc);
// Installs __glHwValidate and empties the span-level picker slots.
void GLPROC __glHwInstallValidate(GlContext* gc);

// ---- Textures on the board (hwtexmem.cpp, hwtexobj.cpp, hwteximage.cpp).

// One block of the board's texture memory; the blocks cover the range in
// address order without gaps.
struct GlHwTexBlock {
    GlTextureParams* owner;  // texels of this texture, or null: free
    uint32_t start, size;
    GlHwTexBlock* next;
};
static_assert(sizeof(GlHwTexBlock) == 16, "four words");

// The board's texture memory, shared by every hardware context (the board
// and the texture objects are shared): the block list and the next-fit rover.
struct GlHwTexMemory {
    GlHwTexBlock* head;
    GlHwTexBlock* rover;  // the block allocated last
    uint32_t end;         // start of the last 8-byte unit (capped at 2 MiB)
    uint32_t contexts;    // hardware contexts using it
    GlCoreImports imports;  // the block records' allocator
};
extern GlHwTexMemory __glHwTexMemory;

// Pickers of the primitive procedures.
void GLPROC __glHwPickCullAndFillProcs(GlContext* gc);
void GLPROC __glHwPickLineProcs(GlContext* gc);
void GLPROC __glHwPickPointProcs(GlContext* gc);

// Texture memory: a context joins at creation and leaves at destruction (the
// last one frees the records); allocation takes exactly n bytes (a multiple of
// 8) for params, evicting what lies there; false when n does not fit the range.
void GLPROC __glHwInitTextureMemory(GlContext* gc);
void GLPROC __glHwLeaveTextureMemory(void);
GLboolean GLPROC __glHwTexMemAlloc(GlTextureParams* params, uint32_t n);
void GLPROC __glHwTexRelease(GlTextureParams* params);
void GLPROC __glHwTexMemFree(GlHwTexBlock* block);
GlHwTexBlock* GLPROC __glHwTexMemSplit(GlHwTexBlock* block, uint32_t n);
void GLPROC __glHwTexMemMergeNext(GlHwTexBlock* block);

// Texture objects: the hooks installed before texture state is created, the
// picker, the combine units, and the board copy of a texture.
void GLPROC __glHwInstallTextureHooks(GlContext* gc);
void GLPROC __glHwFreeTextureObject(GlContext* gc, GlTextureObject* object);
void GLPROC __glHwReleaseDefaultTextures(GlContext* gc);
void GLPROC __glHwInitTextureObject(GlContext* gc, GlTextureObject* object, GLuint name, GLint target);
void GLPROC __glHwPickTextureProcs(GlContext* gc);
GLboolean GLPROC __glHwMakeResident(GlContext* gc, GlTextureParams* params);
GLboolean GLPROC __glHwIsResident(GlContext* gc, GlTextureObject* object);
void GLPROC __glHwSetTexCombine(GlTextureParams* params, GLenum mode);
void GLPROC __glHwTexCombineOff(void);
void GLPROC __glHwDownloadPalette(const GlColorTable* table);
// procs.defineColorTable: the table as in software, then the board's palette
// from it; the shared palette's own table, downloaded alike.
void GLPROC __glHwDefineColorTable(GlContext* gc, GLenum target, GLenum internalFormat, GLsizei width,
                                   GLenum format, GLenum type, const GLvoid* data, GLboolean packed);
// Downloads what the board lacks of params' levels (allocating its block);
// true when every level the filter samples is on the board.
GLboolean GLPROC __glHwTexDownload(GlContext* gc, GlTextureParams* params);
// After level `level` of params changed: its board copy follows or is dropped.
void GLPROC __glHwTexLevelChanged(GlContext* gc, GlTextureParams* params, GLint level);
// Rows [y0, y0 + rows) of a level changed: they go to the board when it holds the level.
void GLPROC __glHwTexRowsChanged(GlTextureParams* params, GLint level, GLint y0, GLint rows);
// The board's layout of an internal format (byte size rounded up to 8, or -1),
// its texel-format code (-1: none), and a client image into a level rectangle.
GLint GLPROC __glHwSetTexLevelFormat(GlContext* gc, GlTextureParams* params, GlMipmapLevel* level, GLint index,
                                     GLint internalFormat, GLint width, GLint height, GLint depth, GLint border,
                                     GLint dimensions);
GLint GLPROC __glHwTexelFormat(GLenum layout);
void GLPROC __glHwConvertTexels(GlContext* gc, GlMipmapLevel* level, GLint x0, GLint y0, GLsizei width,
                                GLsizei height, GLenum format, GLenum type, const GLvoid* pixels);
// Level storage hooks (2-D targets in the board's layouts; 1-D ones as in software).
uint8_t* GLPROC __glHwAllocTexLevel(GlContext* gc, GlTextureParams* params, GLint level, GLint internalFormat,
                                    GLint width, GLint height, GLint depth, GLint border, GLint dimensions);
uint8_t* GLPROC __glHwAllocProxyTexLevel(GlContext* gc, GlTextureParams* params, GLint level, GLint internalFormat,
                                         GLint width, GLint height, GLint depth, GLint border, GLint dimensions);
}
