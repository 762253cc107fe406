// The rv* calls: each appends its log entry, then does the board's part.
#include "board.h"
#include "record.h"
#include "texlayout.h"

using rvx::record;

extern "C" {

// ---- Start-up and window ----

int32_t RVAPI rvRavixInit(void)
{
    record(__func__);
    return 1;
}

int32_t RVAPI rvQrbQueryHardware(RvBoardConfig *config)
{
    record(__func__, config);
    if (!config)
        return 0;
    rvx::fillConfig(*config);
    return 1;
}

int32_t RVAPI rvQrbSelect(int32_t board)
{
    record(__func__, board);
    return board == 0;
}

int32_t RVAPI rvQrbWinOpen(void *window, int32_t resolution, int32_t refresh, int32_t colorFormat,
                           int32_t origin, int32_t colorBuffers, int32_t auxBuffers)
{
    record(__func__, window, resolution, refresh, colorFormat, origin, colorBuffers, auxBuffers);
    return resolution == RV_RESOLUTION_640x480 && colorBuffers >= 1 && colorBuffers <= 2;
}

void RVAPI rvQrbWinClose(void) { record(__func__); }
void RVAPI rvQrbIdle(void) { record(__func__); }
void RVAPI rvBufferSwap(int32_t swapInterval) { record(__func__, swapInterval); }

// ---- Buffers and per-fragment state ----

void RVAPI rvRenderBuffer(int32_t buffer) { record(__func__, buffer); }

void RVAPI rvBufferClear(uint32_t color, uint32_t alpha, uint32_t depth)
{
    record(__func__, color, alpha, depth);
}

void RVAPI rvColorMask(int32_t rgb, int32_t alpha) { record(__func__, rgb, alpha); }
void RVAPI rvDepthMask(int32_t enable) { record(__func__, enable); }
void RVAPI rvDepthBufferMode(int32_t mode) { record(__func__, mode); }
void RVAPI rvDepthBufferFunction(int32_t function) { record(__func__, function); }
void RVAPI rvAlphaTestFunction(int32_t function) { record(__func__, function); }
void RVAPI rvAlphaTestReferenceValue(uint32_t value) { record(__func__, value); }

void RVAPI rvAlphaBlendFunction(int32_t rgbSrc, int32_t rgbDst, int32_t alphaSrc, int32_t alphaDst)
{
    record(__func__, rgbSrc, rgbDst, alphaSrc, alphaDst);
}

void RVAPI rvCullMode(int32_t mode) { record(__func__, mode); }

void RVAPI rvClipWindow(int32_t left, int32_t bottom, int32_t right, int32_t top)
{
    record(__func__, left, bottom, right, top);
}

// ---- Combine units and texture modes ----

void RVAPI rvColorCombine(int32_t function, int32_t factor, int32_t local, int32_t other,
                          int32_t invert)
{
    record(__func__, function, factor, local, other, invert);
}

void RVAPI rvAlphaCombine(int32_t function, int32_t factor, int32_t local, int32_t other,
                          int32_t invert)
{
    record(__func__, function, factor, local, other, invert);
}

void RVAPI rvTexCombine(int32_t tmu, int32_t rgbFunction, int32_t rgbFactor, int32_t alphaFunction,
                        int32_t alphaFactor, int32_t rgbInvert, int32_t alphaInvert)
{
    record(__func__, tmu, rgbFunction, rgbFactor, alphaFunction, alphaFactor, rgbInvert,
           alphaInvert);
}

void RVAPI rvTexFilterMode(int32_t tmu, int32_t minFilter, int32_t magFilter)
{
    record(__func__, tmu, minFilter, magFilter);
}

void RVAPI rvTexMipMapMode(int32_t tmu, int32_t mode, int32_t lodBlend)
{
    record(__func__, tmu, mode, lodBlend);
}

void RVAPI rvTexClampMode(int32_t tmu, int32_t clampS, int32_t clampT)
{
    record(__func__, tmu, clampS, clampT);
}

// ---- Drawing ----

void RVAPI rvDrawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c)
{
    rvx::recordWithVertices(__func__, {a, b, c}, a, b, c);
}

void RVAPI rvAADrawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c, int32_t abAA,
                            int32_t bcAA, int32_t caAA)
{
    rvx::recordWithVertices(__func__, {a, b, c}, a, b, c, abAA, bcAA, caAA);
}

void RVAPI rvDrawLine(const RvVertex *a, const RvVertex *b)
{
    rvx::recordWithVertices(__func__, {a, b}, a, b);
}

void RVAPI rvAADrawLine(const RvVertex *a, const RvVertex *b)
{
    rvx::recordWithVertices(__func__, {a, b}, a, b);
}

void RVAPI rvDrawPoint(const RvVertex *a) { rvx::recordWithVertices(__func__, {a}, a); }
void RVAPI rvAADrawPoint(const RvVertex *a) { rvx::recordWithVertices(__func__, {a}, a); }

// ---- Linear frame buffer ----

int32_t RVAPI rvLfbLock(int32_t type, int32_t buffer, int32_t writeMode, int32_t origin,
                        int32_t pixelPipeline, RvLfbInfo *info)
{
    record(__func__, type, buffer, writeMode, origin, pixelPipeline, info);
    uint16_t *memory = rvx::bufferMemory(buffer);
    const int32_t nativeMode = buffer == RV_BUFFER_DEPTH ? RV_LFB_WRITEMODE_DEPTH : RV_LFB_WRITEMODE_565;
    if (!memory || !info || info->size < sizeof(RvLfbInfo))
        return 0;
    if (type != RV_LFB_READ_ONLY && type != RV_LFB_WRITE_ONLY)
        return 0;
    if (writeMode != RV_LFB_WRITEMODE_ANY && writeMode != nativeMode)
        return 0;
    if (origin != RV_ORIGIN_ANY && origin != RV_ORIGIN_LOWER_LEFT)
        return 0;
    info->lfbPtr = memory;
    info->strideInBytes = rvx::kBufferStride;
    info->writeMode = nativeMode;
    info->origin = RV_ORIGIN_LOWER_LEFT;
    return 1;
}

int32_t RVAPI rvLfbUnlock(int32_t type, int32_t buffer)
{
    record(__func__, type, buffer);
    return rvx::bufferMemory(buffer) != nullptr;
}

// ---- Texture memory ----

uint32_t RVAPI rvTexMinAddress(int32_t tmu)
{
    record(__func__, tmu);
    return rvx::kTexMinAddress;
}

uint32_t RVAPI rvTexMaxAddress(int32_t tmu)
{
    record(__func__, tmu);
    return rvx::kTexMaxAddress;
}

uint32_t RVAPI rvTexTextureMemRequired(uint32_t levels, const RvTexInfo *info)
{
    RvLogEntry e = rvx::makeEntry(__func__, levels, info);
    rvx::setTexInfo(e, info);
    rvLogAppend(&e);
    return info ? rvx::textureMemRequired(levels, *info) : 0;
}

void RVAPI rvTexSource(int32_t tmu, uint32_t startAddress, uint32_t levels, const RvTexInfo *info)
{
    RvLogEntry e = rvx::makeEntry(__func__, tmu, startAddress, levels, info);
    rvx::setTexInfo(e, info);
    rvLogAppend(&e);
}

void RVAPI rvTexDownloadMipMapLevel(int32_t tmu, uint32_t startAddress, int32_t thisLod,
                                   int32_t largeLod, int32_t aspect, int32_t format,
                                   uint32_t levels, const void *data)
{
    record(__func__, tmu, startAddress, thisLod, largeLod, aspect, format, levels, data);
}

void RVAPI rvTexDownloadMipMapLevelPartial(int32_t tmu, uint32_t startAddress, int32_t thisLod,
                                          int32_t largeLod, int32_t aspect, int32_t format,
                                          uint32_t levels, const void *data, int32_t firstRow,
                                          int32_t lastRow)
{
    record(__func__, tmu, startAddress, thisLod, largeLod, aspect, format, levels, data, firstRow,
           lastRow);
}

void RVAPI rvTexDownloadTable(int32_t tmu, int32_t type, const void *data)
{
    record(__func__, tmu, type, data);
}

} // extern "C"
