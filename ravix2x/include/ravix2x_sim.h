/* ravix2x simulated board: controls for tests and people, beside the board's
 * calls. The hardware back end never uses them; ravix2x.dll does not export
 * them.
 *
 * Environment:
 *   RAVIX2X_DUMP_DIR  names a folder: every rvBufferSwap writes the buffer
 *                     then shown as <folder>/ravix2x-NNNNN.bmp (NNNNN = the
 *                     swap count, from 1), 24-bit, 640x480.
 *   RAVIX2X_TRACE     names a file: rvRavixInit starts the call trace there. */
#ifndef RAVIX2X_SIM_H
#define RAVIX2X_SIM_H

#include "ravix2x.h"

#ifdef __cplusplus
extern "C" {
#endif

#define RV_SIM_DEFAULT_TEXTURE_BYTES (4u << 20)
#define RV_SIM_STRIDE_BYTES 2048 /* row stride of every buffer */

/* The board's state as the calls left it. Codes are the calls' codes; the
 * clip window is the clamped one. */
typedef struct RvSimState {
    uint32_t windowOpen;
    uint32_t colorBuffers;      /* 1 or 2 while open */
    int32_t renderBuffer;       /* RV_BUFFER_FRONT or RV_BUFFER_BACK */
    uint32_t swapCount;         /* rvBufferSwap calls since reset */
    int32_t clipLeft, clipBottom, clipRight, clipTop;
    int32_t colorMaskRgb, colorMaskAlpha;
    int32_t depthMask, depthMode, depthFunction;
    int32_t alphaTestFunction;
    uint32_t alphaReference;
    int32_t blendRgbSrc, blendRgbDst, blendAlphaSrc, blendAlphaDst;
    int32_t cullMode;
    int32_t colorCombine[5];    /* function, factor, local, other, invert */
    int32_t alphaCombine[5];
    int32_t texCombine[6];      /* rgb function, factor, alpha function, factor, invs */
    int32_t minFilter, magFilter, mipMapMode, lodBlend, clampS, clampT;
    uint32_t constantColor;     /* 0xAARRGGBB */
    uint32_t texSourceValid;
    uint32_t texStart, texLevels;
    int32_t texSmallLod, texLargeLod, texAspect, texFormat;
    uint32_t textureBytes, texMinAddress;
    uint32_t locksHeld;
    uint32_t errorCount;
} RvSimState;

RV_STATIC_ASSERT(sizeof(RvSimState) == 216, "RvSimState size");
RV_STATIC_ASSERT(offsetof(RvSimState, clipLeft) == 16, "RvSimState.clipLeft");
RV_STATIC_ASSERT(offsetof(RvSimState, colorCombine) == 80, "RvSimState.colorCombine");
RV_STATIC_ASSERT(offsetof(RvSimState, texCombine) == 120, "RvSimState.texCombine");
RV_STATIC_ASSERT(offsetof(RvSimState, errorCount) == 212, "RvSimState.errorCount");

/* Power-on state: window closed, buffers, depth, texture memory and palette
 * zero, texture memory of RV_SIM_DEFAULT_TEXTURE_BYTES from address 0, no
 * errors, trace stopped. The call log is left alone. */
void RVAPI rvSimReset(void);
/* Texture memory of bytes bytes (a multiple of 8, at least 8), usable from
 * minAddress (a multiple of 8, below bytes); contents cleared. 0 when refused. */
int32_t RVAPI rvSimSetTextureMemory(uint32_t bytes, uint32_t minAddress);

void RVAPI rvSimGetState(RvSimState *state);

/* The next count rvQrbWinOpen calls fail (return 0, open nothing) as a board
 * that another program holds would; not counted as bad calls. */
void RVAPI rvSimRefuseWinOpen(uint32_t count);

/* Bad calls so far (unknown codes, out-of-range downloads, missing buffers,
 * unbalanced locks, calls that need an open window), and a short text naming
 * the last one ("" when none). */
uint32_t RVAPI rvSimErrorCount(void);
const char *RVAPI rvSimLastError(void);

/* 5-6-5 pixel of colour buffer RV_BUFFER_FRONT/BACK or depth word of
 * RV_BUFFER_DEPTH at (x, y), y counted upwards; 0 outside. Reads the memory
 * whether or not a window is open. */
uint16_t RVAPI rvSimPixel(int32_t buffer, int32_t x, int32_t y);
/* Texture memory (rvSimSetTextureMemory's bytes) and the palette (256 words). */
const uint8_t *RVAPI rvSimTextureMemory(void);
const uint32_t *RVAPI rvSimPalette(void);

/* Write colour buffer RV_BUFFER_FRONT/BACK as a 24-bit .bmp; 0 on failure. */
int32_t RVAPI rvSimWriteBmp(const char *path, int32_t buffer);

/* Trace every call as one text line, "name(arg, arg, ...)", into the file at
 * path (appended; null stops). 0 when the file cannot be opened. */
int32_t RVAPI rvSimTrace(const char *path);

#ifdef __cplusplus
}
#endif

#endif /* RAVIX2X_SIM_H */
