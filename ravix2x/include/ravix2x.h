/* ravix2x: interface of the 640x480 3-D accelerator board's rasterizer library.
 *
 * Every argument is a 32-bit integer, pointer or float passed by value; every
 * call uses the callee-pops convention RVAPI. Where a value's meaning is not
 * fixed by the board, a plain 32-bit type is chosen (int32_t for codes and
 * flags, uint32_t for addresses, colours and sizes). */
#ifndef RAVIX2X_H
#define RAVIX2X_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define RVAPI __stdcall
#else
#define RVAPI __attribute__((stdcall))
#endif

#if defined(__cplusplus)
#define RV_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define RV_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Board geometry ---------------------------------------------------- */

#define RV_SCREEN_WIDTH  640
#define RV_SCREEN_HEIGHT 480

/* Resolution codes of rvQrbWinOpen. */
#define RV_RESOLUTION_640x480 7
/* Refresh and colour-format codes of rvQrbWinOpen (only these are used). */
#define RV_REFRESH_DEFAULT    0
#define RV_COLORFORMAT_ARGB   0 /* colour words are 0x00RRGGBB */
/* Row origin codes (rvQrbWinOpen, rvLfbLock). */
#define RV_ORIGIN_UPPER_LEFT  0
#define RV_ORIGIN_LOWER_LEFT  1 /* row 0 is the bottom row: y grows upwards */
#define RV_ORIGIN_ANY         255

/* Buffers: rvRenderBuffer takes front or back; rvLfbLock also depth. A window
 * opened with one colour buffer has only the front buffer. */
#define RV_BUFFER_FRONT 0
#define RV_BUFFER_BACK  1
#define RV_BUFFER_DEPTH 2

/* ---- Per-fragment state codes ------------------------------------------ */

/* Compare functions (depth and alpha test): the GL compare enum - 0x200. */
#define RV_CMP_NEVER    0
#define RV_CMP_LESS     1
#define RV_CMP_EQUAL    2
#define RV_CMP_LEQUAL   3
#define RV_CMP_GREATER  4
#define RV_CMP_NOTEQUAL 5
#define RV_CMP_GEQUAL   6
#define RV_CMP_ALWAYS   7

/* rvDepthBufferMode. */
#define RV_DEPTHBUFFER_DISABLE 0
#define RV_DEPTHBUFFER_ZBUFFER 1

/* Blend factors of rvAlphaBlendFunction. Code 2 and 6 name the colour of the
 * other operand: the destination colour as a source factor, the source colour
 * as a destination factor. The board keeps no destination alpha: it reads as
 * 255, so ALPHA_SATURATE, min(source alpha, 1 - destination alpha), is zero. */
#define RV_BLEND_ZERO                  0
#define RV_BLEND_SRC_ALPHA             1
#define RV_BLEND_OTHER_COLOR           2
#define RV_BLEND_DST_ALPHA             3
#define RV_BLEND_ONE                   4
#define RV_BLEND_ONE_MINUS_SRC_ALPHA   5
#define RV_BLEND_ONE_MINUS_OTHER_COLOR 6
#define RV_BLEND_ONE_MINUS_DST_ALPHA   7
#define RV_BLEND_ALPHA_SATURATE        15 /* source factor only */

/* rvCullMode. The signed area of a triangle a, b, c is
 * (b.y - c.y)(a.x - c.x) - (a.y - c.y)(b.x - c.x): positive for a
 * counter-clockwise triangle with y growing upwards. */
#define RV_CULL_NONE     0
#define RV_CULL_NEGATIVE 1 /* drop triangles of negative area (clockwise) */
#define RV_CULL_POSITIVE 2 /* drop triangles of positive area */

/* Colour and alpha combine units: rvColorCombine / rvAlphaCombine
 * (function, factor, local, other, invert). The alpha unit uses the alpha of
 * each operand; the colour unit's LOCAL factor is the local colour, component
 * by component. The constant colour is 0xFFFFFFFF. A non-zero invert gives
 * 255 - result. */
#define RV_COMBINE_FUNCTION_LOCAL             1 /* local */
#define RV_COMBINE_FUNCTION_SCALE_OTHER       3 /* other * factor */
#define RV_COMBINE_FUNCTION_BLEND_OTHER_LOCAL 7 /* (other - local) * factor + local */
#define RV_COMBINE_FACTOR_ZERO                0
#define RV_COMBINE_FACTOR_LOCAL               1
#define RV_COMBINE_FACTOR_TEXTURE_ALPHA       4
#define RV_COMBINE_FACTOR_ONE                 8
#define RV_COMBINE_LOCAL_ITERATED             0
#define RV_COMBINE_LOCAL_CONSTANT             1
#define RV_COMBINE_OTHER_TEXTURE              1
#define RV_COMBINE_OTHER_CONSTANT             2

/* Texture unit combine: rvTexCombine(tmu, rgb function, rgb factor,
 * alpha function, alpha factor, rgb invert, alpha invert). */
#define RV_TEXCOMBINE_FUNCTION_ZERO  0
#define RV_TEXCOMBINE_FUNCTION_LOCAL 1 /* the unit's own texel */
#define RV_TEXCOMBINE_FACTOR_ZERO    0

/* ---- Texture codes ----------------------------------------------------- */

#define RV_TMU0 0

#define RV_TEXFILTER_POINT    0
#define RV_TEXFILTER_BILINEAR 1
#define RV_MIPMAP_DISABLE     0
#define RV_MIPMAP_NEAREST     1
#define RV_TEXCLAMP_WRAP      0
#define RV_TEXCLAMP_CLAMP     1

/* Level codes: LOD n has a larger side of 256 >> n texels. */
#define RV_LOD_256 0
#define RV_LOD_128 1
#define RV_LOD_64  2
#define RV_LOD_32  3
#define RV_LOD_16  4
#define RV_LOD_8   5
#define RV_LOD_4   6
#define RV_LOD_2   7
#define RV_LOD_1   8

/* Aspect codes, width x height: code a has width / height = 2^(3 - a). */
#define RV_ASPECT_8x1 0
#define RV_ASPECT_4x1 1
#define RV_ASPECT_2x1 2
#define RV_ASPECT_1x1 3
#define RV_ASPECT_1x2 4
#define RV_ASPECT_1x4 5
#define RV_ASPECT_1x8 6

/* Texel formats. Codes 0-7 are 1-byte texels, 8-15 2-byte texels; the board
 * samples the seven below. ALPHA_8 texels are white, the others opaque where
 * they carry no alpha. */
#define RV_TEXFMT_RGB_332     0
#define RV_TEXFMT_ALPHA_8     2
#define RV_TEXFMT_LUMINANCE_8 3
#define RV_TEXFMT_PALETTE_8   5
#define RV_TEXFMT_RGB_565     10
#define RV_TEXFMT_ARGB_4444   12
#define RV_TEXFMT_ALPHA_LUM_88 13 /* luminance in the low byte */

/* Level set of rvTexTextureMemRequired / rvTexSource / downloads: bit 0 the
 * even LODs, bit 1 the odd LODs. */
#define RV_TEXLEVELS_EVEN 1
#define RV_TEXLEVELS_ODD  2
#define RV_TEXLEVELS_ALL  3

/* Table types of rvTexDownloadTable. */
#define RV_TEXTABLE_PALETTE 2 /* 256 words, bytes blue, green, red, 0;
                                * kept across rvQrbWinClose */

/* Texture memory granularity: blocks start and end on 8-byte units. */
#define RV_TEXMEM_ALIGN 8

/* ---- Linear frame buffer ----------------------------------------------- */

#define RV_LFB_READ_ONLY  0
#define RV_LFB_WRITE_ONLY 1
#define RV_LFB_WRITEMODE_565   0  /* 5-6-5 colour words */
#define RV_LFB_WRITEMODE_DEPTH 15 /* 16-bit depth words */
#define RV_LFB_WRITEMODE_ANY   255
#define RV_LFB_NO_PIPELINE 0

/* ---- Records ----------------------------------------------------------- */

/* Window coordinates arrive biased: x and y hold window x and y plus
 * RV_VERTEX_BIAS, which snaps them to 1/16 pixel. The board removes the bias. */
#define RV_VERTEX_BIAS 786432.0f

/* Vertex handed to the drawing calls; read during the call only.
 * x and y biased window coordinates with y growing upwards, pixel centres at
 * +0.5; colours 0-255, ooz 0-65535; oow, sow, tow read only while the combine
 * units use the texture. z and spare are never read. */
typedef struct RvVertex {
    float x, y;
    float z;                /* never written by callers */
    float r, g, b;
    float ooz;
    float a;
    float oow, sow, tow;    /* 1/w, s/w, t/w */
    float spare[4];         /* never written by callers */
} RvVertex;

/* Board description filled by rvQrbQueryHardware: 64 bytes, all written. */
typedef struct RvBoardConfig {
    uint32_t boardCount;
    uint32_t revision;
    uint32_t frameBufferBytes;
    uint32_t textureBytes;      /* per texture unit */
    uint32_t tmuCount;
    uint32_t maxWidth, maxHeight;
    uint32_t maxColorBuffers;
    uint32_t reserved[8];       /* zero */
} RvBoardConfig;

/* Lock description of rvLfbLock: the caller sets size to 20 before the call;
 * the library fills the rest. Row y of a lower-left origin lock is at
 * lfbPtr + y * strideInBytes. */
typedef struct RvLfbInfo {
    uint32_t size;
    void *lfbPtr;
    uint32_t strideInBytes;
    int32_t writeMode;
    int32_t origin;
} RvLfbInfo;

/* Texture description of rvTexTextureMemRequired and rvTexSource. */
typedef struct RvTexInfo {
    int32_t smallLod;   /* smallest level, LOD code (largest number) */
    int32_t largeLod;   /* largest level, LOD code */
    int32_t aspect;     /* RV_ASPECT_* */
    int32_t format;     /* RV_TEXFMT_* */
    const void *data;   /* texels of the largest level */
} RvTexInfo;

RV_STATIC_ASSERT(sizeof(float) == 4 && sizeof(void *) == 4, "32-bit words and pointers");
RV_STATIC_ASSERT(sizeof(RvVertex) == 60, "RvVertex size");
RV_STATIC_ASSERT(offsetof(RvVertex, y) == 4, "RvVertex.y");
RV_STATIC_ASSERT(offsetof(RvVertex, z) == 8, "RvVertex.z");
RV_STATIC_ASSERT(offsetof(RvVertex, r) == 12, "RvVertex.r");
RV_STATIC_ASSERT(offsetof(RvVertex, g) == 16, "RvVertex.g");
RV_STATIC_ASSERT(offsetof(RvVertex, b) == 20, "RvVertex.b");
RV_STATIC_ASSERT(offsetof(RvVertex, ooz) == 24, "RvVertex.ooz");
RV_STATIC_ASSERT(offsetof(RvVertex, a) == 28, "RvVertex.a");
RV_STATIC_ASSERT(offsetof(RvVertex, oow) == 32, "RvVertex.oow");
RV_STATIC_ASSERT(offsetof(RvVertex, sow) == 36, "RvVertex.sow");
RV_STATIC_ASSERT(offsetof(RvVertex, tow) == 40, "RvVertex.tow");
RV_STATIC_ASSERT(offsetof(RvVertex, spare) == 44, "RvVertex.spare");
RV_STATIC_ASSERT(sizeof(RvBoardConfig) == 64, "RvBoardConfig size");
RV_STATIC_ASSERT(offsetof(RvBoardConfig, textureBytes) == 12, "RvBoardConfig.textureBytes");
RV_STATIC_ASSERT(offsetof(RvBoardConfig, reserved) == 32, "RvBoardConfig.reserved");
RV_STATIC_ASSERT(sizeof(RvLfbInfo) == 20, "RvLfbInfo size");
RV_STATIC_ASSERT(offsetof(RvLfbInfo, lfbPtr) == 4, "RvLfbInfo.lfbPtr");
RV_STATIC_ASSERT(offsetof(RvLfbInfo, strideInBytes) == 8, "RvLfbInfo.strideInBytes");
RV_STATIC_ASSERT(offsetof(RvLfbInfo, writeMode) == 12, "RvLfbInfo.writeMode");
RV_STATIC_ASSERT(offsetof(RvLfbInfo, origin) == 16, "RvLfbInfo.origin");
RV_STATIC_ASSERT(sizeof(RvTexInfo) == 20, "RvTexInfo size");
RV_STATIC_ASSERT(offsetof(RvTexInfo, largeLod) == 4, "RvTexInfo.largeLod");
RV_STATIC_ASSERT(offsetof(RvTexInfo, aspect) == 8, "RvTexInfo.aspect");
RV_STATIC_ASSERT(offsetof(RvTexInfo, format) == 12, "RvTexInfo.format");
RV_STATIC_ASSERT(offsetof(RvTexInfo, data) == 16, "RvTexInfo.data");

/* ---- Calls ------------------------------------------------------------- */

/* Start-up and window. Results: non-zero on success. */
int32_t RVAPI rvRavixInit(void);
int32_t RVAPI rvQrbQueryHardware(RvBoardConfig *config);
int32_t RVAPI rvQrbSelect(int32_t board);
/* window: the caller's window handle. */
int32_t RVAPI rvQrbWinOpen(void *window, int32_t resolution, int32_t refresh,
                           int32_t colorFormat, int32_t origin,
                           int32_t colorBuffers, int32_t auxBuffers);
void RVAPI rvQrbWinClose(void);
void RVAPI rvQrbIdle(void);
void RVAPI rvBufferSwap(int32_t swapInterval);

/* Buffers and per-fragment state. */
void RVAPI rvRenderBuffer(int32_t buffer);
void RVAPI rvBufferClear(uint32_t color, uint32_t alpha, uint32_t depth);
void RVAPI rvColorMask(int32_t rgb, int32_t alpha);
void RVAPI rvDepthMask(int32_t enable);
void RVAPI rvDepthBufferMode(int32_t mode);
void RVAPI rvDepthBufferFunction(int32_t function);
void RVAPI rvAlphaTestFunction(int32_t function);
void RVAPI rvAlphaTestReferenceValue(uint32_t value);
void RVAPI rvAlphaBlendFunction(int32_t rgbSrc, int32_t rgbDst,
                                int32_t alphaSrc, int32_t alphaDst);
void RVAPI rvCullMode(int32_t mode);
/* Pixels outside [left, right) x [bottom, top) are not drawn. */
void RVAPI rvClipWindow(int32_t left, int32_t bottom, int32_t right, int32_t top);

/* Combine units and texture modes. */
void RVAPI rvColorCombine(int32_t function, int32_t factor, int32_t local,
                          int32_t other, int32_t invert);
void RVAPI rvAlphaCombine(int32_t function, int32_t factor, int32_t local,
                          int32_t other, int32_t invert);
void RVAPI rvTexCombine(int32_t tmu, int32_t rgbFunction, int32_t rgbFactor,
                        int32_t alphaFunction, int32_t alphaFactor,
                        int32_t rgbInvert, int32_t alphaInvert);
void RVAPI rvTexFilterMode(int32_t tmu, int32_t minFilter, int32_t magFilter);
void RVAPI rvTexMipMapMode(int32_t tmu, int32_t mode, int32_t lodBlend);
void RVAPI rvTexClampMode(int32_t tmu, int32_t clampS, int32_t clampT);

/* Drawing: the vertices are read during the call and not kept. The edge
 * flags of rvAADrawTriangle say which edges are antialiased. */
void RVAPI rvDrawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c);
void RVAPI rvAADrawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c,
                            int32_t abAA, int32_t bcAA, int32_t caAA);
void RVAPI rvDrawLine(const RvVertex *a, const RvVertex *b);
void RVAPI rvAADrawLine(const RvVertex *a, const RvVertex *b);
void RVAPI rvDrawPoint(const RvVertex *a);
void RVAPI rvAADrawPoint(const RvVertex *a);

/* Linear frame buffer. rvLfbLock returns non-zero and fills info when the
 * pointer is valid until rvLfbUnlock with the same type and buffer. It needs
 * an open window, an existing buffer and info->size == 20. Rows run upwards
 * (origin lower-left); the stride is the board's, wider than a row. Colour
 * words are 5-6-5 with red in the top bits. Writes bypass the pixel pipeline. */
int32_t RVAPI rvLfbLock(int32_t type, int32_t buffer, int32_t writeMode,
                        int32_t origin, int32_t pixelPipeline, RvLfbInfo *info);
int32_t RVAPI rvLfbUnlock(int32_t type, int32_t buffer);

/* Texture memory: addresses are byte offsets into a unit's memory;
 * rvTexMinAddress is the lowest usable address, rvTexMaxAddress the start
 * address of the last 8-byte unit. A texture occupies its levels from the
 * largest down, packed, each level's rows bottom (t = 0) first. Texture
 * coordinates s and t run 0-256 along the longer side at every level. */
uint32_t RVAPI rvTexMinAddress(int32_t tmu);
uint32_t RVAPI rvTexMaxAddress(int32_t tmu);
/* Bytes that the levels of info selected by levels occupy, rounded up to
 * RV_TEXMEM_ALIGN; 0 for a description the board cannot hold. */
uint32_t RVAPI rvTexTextureMemRequired(uint32_t levels, const RvTexInfo *info);
void RVAPI rvTexSource(int32_t tmu, uint32_t startAddress, uint32_t levels,
                       const RvTexInfo *info);
void RVAPI rvTexDownloadMipMapLevel(int32_t tmu, uint32_t startAddress,
                                   int32_t thisLod, int32_t largeLod, int32_t aspect,
                                   int32_t format, uint32_t levels, const void *data);
/* Rows firstRow..lastRow (inclusive) of level thisLod; data points at the
 * texels of row firstRow. */
void RVAPI rvTexDownloadMipMapLevelPartial(int32_t tmu, uint32_t startAddress,
                                          int32_t thisLod, int32_t largeLod,
                                          int32_t aspect, int32_t format,
                                          uint32_t levels, const void *data,
                                          int32_t firstRow, int32_t lastRow);
void RVAPI rvTexDownloadTable(int32_t tmu, int32_t type, const void *data);

#ifdef __cplusplus
}
#endif

#endif /* RAVIX2X_H */
