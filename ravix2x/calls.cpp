// The rv* calls: each appends its log entry, then does the board's part.
// Codes outside what a call knows are counted as bad calls and change nothing.
#include <cstdlib>

#include "board.h"
#include "raster.h"
#include "record.h"
#include "texlayout.h"

using rvx::badCall;
using rvx::g_board;
using rvx::record;

namespace {

bool isCompare(int32_t f) { return f >= RV_CMP_NEVER && f <= RV_CMP_ALWAYS; }
bool isFlag(int32_t f) { return f == 0 || f == 1; }

bool isBlendFactor(int32_t f, bool source)
{
    return (f >= RV_BLEND_ZERO && f <= RV_BLEND_ONE_MINUS_DST_ALPHA) || (source && f == RV_BLEND_ALPHA_SATURATE);
}

bool isCombine(int32_t function, int32_t factor, int32_t local, int32_t other)
{
    const bool fn = function == RV_COMBINE_FUNCTION_LOCAL || function == RV_COMBINE_FUNCTION_SCALE_OTHER ||
                    function == RV_COMBINE_FUNCTION_BLEND_OTHER_LOCAL;
    const bool fa = factor == RV_COMBINE_FACTOR_ZERO || factor == RV_COMBINE_FACTOR_LOCAL ||
                    factor == RV_COMBINE_FACTOR_TEXTURE_ALPHA || factor == RV_COMBINE_FACTOR_ONE;
    const bool lo = local == RV_COMBINE_LOCAL_ITERATED || local == RV_COMBINE_LOCAL_CONSTANT;
    const bool ot = other == RV_COMBINE_OTHER_TEXTURE || other == RV_COMBINE_OTHER_CONSTANT;
    return fn && fa && lo && ot;
}

bool isTexFunction(int32_t f) { return f == RV_TEXCOMBINE_FUNCTION_ZERO || f == RV_TEXCOMBINE_FUNCTION_LOCAL; }

int32_t clampTo(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

} // namespace

extern "C" {

// ---- Start-up and window ----

int32_t RVAPI rvRavixInit(void)
{
    rvx::ensureStarted();
    const char *trace = std::getenv("RAVIX2X_TRACE");
    if (trace && *trace && !rvx::tracing())
        rvSimTrace(trace);
    record(__func__);
    return 1;
}

int32_t RVAPI rvQrbQueryHardware(RvBoardConfig *config)
{
    record(__func__, config);
    if (!config) {
        badCall("rvQrbQueryHardware: no record");
        return 0;
    }
    rvx::fillConfig(*config);
    return 1;
}

int32_t RVAPI rvQrbSelect(int32_t board)
{
    record(__func__, board);
    if (board != 0) {
        badCall("rvQrbSelect: no such board");
        return 0;
    }
    return 1;
}

int32_t RVAPI rvQrbWinOpen(void *window, int32_t resolution, int32_t refresh, int32_t colorFormat,
                           int32_t origin, int32_t colorBuffers, int32_t auxBuffers)
{
    record(__func__, window, resolution, refresh, colorFormat, origin, colorBuffers, auxBuffers);
    if (resolution != RV_RESOLUTION_640x480 || colorBuffers < 1 || colorBuffers > 2 ||
        origin != RV_ORIGIN_LOWER_LEFT) {
        badCall("rvQrbWinOpen: unsupported resolution, origin or buffer count");
        return 0;
    }
    if (rvx::g_board.refuseOpens) {
        --rvx::g_board.refuseOpens;
        return 0;
    }
    rvx::openWindow(colorBuffers);
    return 1;
}

void RVAPI rvQrbWinClose(void)
{
    record(__func__);
    rvx::closeWindow();
}

void RVAPI rvQrbIdle(void) { record(__func__); } // drawing is finished when a call returns

void RVAPI rvBufferSwap(int32_t swapInterval)
{
    record(__func__, swapInterval);
    rvx::swapBuffers();
}

// ---- Buffers and per-fragment state ----

void RVAPI rvRenderBuffer(int32_t buffer)
{
    record(__func__, buffer);
    if ((buffer != RV_BUFFER_FRONT && buffer != RV_BUFFER_BACK) || !rvx::windowBuffer(buffer)) {
        badCall("rvRenderBuffer: no window or no such buffer");
        return;
    }
    g_board.s.renderBuffer = buffer;
}

void RVAPI rvBufferClear(uint32_t color, uint32_t alpha, uint32_t depth)
{
    record(__func__, color, alpha, depth);
    rvx::clearBuffers(color, alpha, depth);
}

void RVAPI rvColorMask(int32_t rgb, int32_t alpha)
{
    record(__func__, rgb, alpha);
    g_board.s.colorMaskRgb = rgb != 0;
    g_board.s.colorMaskAlpha = alpha != 0;
}

void RVAPI rvDepthMask(int32_t enable)
{
    record(__func__, enable);
    g_board.s.depthMask = enable != 0;
}

void RVAPI rvDepthBufferMode(int32_t mode)
{
    record(__func__, mode);
    if (!isFlag(mode))
        return badCall("rvDepthBufferMode: unknown mode");
    g_board.s.depthMode = mode;
}

void RVAPI rvDepthBufferFunction(int32_t function)
{
    record(__func__, function);
    if (!isCompare(function))
        return badCall("rvDepthBufferFunction: unknown function");
    g_board.s.depthFunction = function;
}

void RVAPI rvAlphaTestFunction(int32_t function)
{
    record(__func__, function);
    if (!isCompare(function))
        return badCall("rvAlphaTestFunction: unknown function");
    g_board.s.alphaTestFunction = function;
}

void RVAPI rvAlphaTestReferenceValue(uint32_t value)
{
    record(__func__, value);
    if (value > 255)
        return badCall("rvAlphaTestReferenceValue: above 255");
    g_board.s.alphaReference = value;
}

void RVAPI rvAlphaBlendFunction(int32_t rgbSrc, int32_t rgbDst, int32_t alphaSrc, int32_t alphaDst)
{
    record(__func__, rgbSrc, rgbDst, alphaSrc, alphaDst);
    if (!isBlendFactor(rgbSrc, true) || !isBlendFactor(rgbDst, false) || !isBlendFactor(alphaSrc, true) ||
        !isBlendFactor(alphaDst, false))
        return badCall("rvAlphaBlendFunction: unknown factor");
    RvSimState &s = g_board.s;
    s.blendRgbSrc = rgbSrc;
    s.blendRgbDst = rgbDst;
    s.blendAlphaSrc = alphaSrc;
    s.blendAlphaDst = alphaDst;
}

void RVAPI rvCullMode(int32_t mode)
{
    record(__func__, mode);
    if (mode < RV_CULL_NONE || mode > RV_CULL_POSITIVE)
        return badCall("rvCullMode: unknown mode");
    g_board.s.cullMode = mode;
}

void RVAPI rvClipWindow(int32_t left, int32_t bottom, int32_t right, int32_t top)
{
    record(__func__, left, bottom, right, top);
    RvSimState &s = g_board.s;
    s.clipLeft = clampTo(left, 0, rvx::kWidth);
    s.clipRight = clampTo(right, s.clipLeft, rvx::kWidth);
    s.clipBottom = clampTo(bottom, 0, rvx::kHeight);
    s.clipTop = clampTo(top, s.clipBottom, rvx::kHeight);
}

// ---- Combine units and texture modes ----

void RVAPI rvColorCombine(int32_t function, int32_t factor, int32_t local, int32_t other, int32_t invert)
{
    record(__func__, function, factor, local, other, invert);
    if (!isCombine(function, factor, local, other))
        return badCall("rvColorCombine: unknown code");
    const int32_t unit[5] = {function, factor, local, other, invert != 0};
    std::memcpy(g_board.s.colorCombine, unit, sizeof unit);
}

void RVAPI rvAlphaCombine(int32_t function, int32_t factor, int32_t local, int32_t other, int32_t invert)
{
    record(__func__, function, factor, local, other, invert);
    if (!isCombine(function, factor, local, other))
        return badCall("rvAlphaCombine: unknown code");
    const int32_t unit[5] = {function, factor, local, other, invert != 0};
    std::memcpy(g_board.s.alphaCombine, unit, sizeof unit);
}

void RVAPI rvTexCombine(int32_t tmu, int32_t rgbFunction, int32_t rgbFactor, int32_t alphaFunction,
                        int32_t alphaFactor, int32_t rgbInvert, int32_t alphaInvert)
{
    record(__func__, tmu, rgbFunction, rgbFactor, alphaFunction, alphaFactor, rgbInvert, alphaInvert);
    if (tmu != RV_TMU0 || !isTexFunction(rgbFunction) || !isTexFunction(alphaFunction))
        return badCall("rvTexCombine: no such unit or unknown function");
    const int32_t unit[6] = {rgbFunction, rgbFactor, alphaFunction, alphaFactor, rgbInvert != 0, alphaInvert != 0};
    std::memcpy(g_board.s.texCombine, unit, sizeof unit);
}

void RVAPI rvTexFilterMode(int32_t tmu, int32_t minFilter, int32_t magFilter)
{
    record(__func__, tmu, minFilter, magFilter);
    if (tmu != RV_TMU0 || !isFlag(minFilter) || !isFlag(magFilter))
        return badCall("rvTexFilterMode: no such unit or filter");
    g_board.s.minFilter = minFilter;
    g_board.s.magFilter = magFilter;
}

void RVAPI rvTexMipMapMode(int32_t tmu, int32_t mode, int32_t lodBlend)
{
    record(__func__, tmu, mode, lodBlend);
    if (tmu != RV_TMU0 || !isFlag(mode) || lodBlend != 0)
        return badCall("rvTexMipMapMode: no such unit or mode");
    g_board.s.mipMapMode = mode;
    g_board.s.lodBlend = lodBlend;
}

void RVAPI rvTexClampMode(int32_t tmu, int32_t clampS, int32_t clampT)
{
    record(__func__, tmu, clampS, clampT);
    if (tmu != RV_TMU0 || !isFlag(clampS) || !isFlag(clampT))
        return badCall("rvTexClampMode: no such unit or mode");
    g_board.s.clampS = clampS;
    g_board.s.clampT = clampT;
}

// ---- Drawing ----

void RVAPI rvDrawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c)
{
    rvx::recordWithVertices(__func__, {a, b, c}, a, b, c);
    rvx::drawTriangle(a, b, c, nullptr);
}

void RVAPI rvAADrawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c, int32_t abAA,
                            int32_t bcAA, int32_t caAA)
{
    rvx::recordWithVertices(__func__, {a, b, c}, a, b, c, abAA, bcAA, caAA);
    const int32_t aa[3] = {abAA, bcAA, caAA};
    rvx::drawTriangle(a, b, c, aa);
}

void RVAPI rvDrawLine(const RvVertex *a, const RvVertex *b)
{
    rvx::recordWithVertices(__func__, {a, b}, a, b);
    rvx::drawLine(a, b, false);
}

void RVAPI rvAADrawLine(const RvVertex *a, const RvVertex *b)
{
    rvx::recordWithVertices(__func__, {a, b}, a, b);
    rvx::drawLine(a, b, true);
}

void RVAPI rvDrawPoint(const RvVertex *a)
{
    rvx::recordWithVertices(__func__, {a}, a);
    rvx::drawPoint(a, false);
}

void RVAPI rvAADrawPoint(const RvVertex *a)
{
    rvx::recordWithVertices(__func__, {a}, a);
    rvx::drawPoint(a, true);
}

// ---- Linear frame buffer ----

int32_t RVAPI rvLfbLock(int32_t type, int32_t buffer, int32_t writeMode, int32_t origin,
                        int32_t pixelPipeline, RvLfbInfo *info)
{
    record(__func__, type, buffer, writeMode, origin, pixelPipeline, info);
    return rvx::lfbLock(type, buffer, writeMode, origin, info);
}

int32_t RVAPI rvLfbUnlock(int32_t type, int32_t buffer)
{
    record(__func__, type, buffer);
    return rvx::lfbUnlock(type, buffer);
}

// ---- Texture memory ----

uint32_t RVAPI rvTexMinAddress(int32_t tmu)
{
    record(__func__, tmu);
    if (tmu != RV_TMU0) {
        badCall("rvTexMinAddress: no such unit");
        return 0;
    }
    return g_board.s.texMinAddress;
}

uint32_t RVAPI rvTexMaxAddress(int32_t tmu)
{
    record(__func__, tmu);
    if (tmu != RV_TMU0) {
        badCall("rvTexMaxAddress: no such unit");
        return 0;
    }
    return g_board.s.textureBytes - RV_TEXMEM_ALIGN;
}

uint32_t RVAPI rvTexTextureMemRequired(uint32_t levels, const RvTexInfo *info)
{
    RvLogEntry e = rvx::makeEntry(__func__, levels, info);
    rvx::setTexInfo(e, info);
    rvLogAppend(&e);
    const uint32_t bytes = info ? rvx::textureMemRequired(levels, *info) : 0;
    if (bytes == 0 && levels != 0)
        badCall("rvTexTextureMemRequired: invalid description");
    return bytes;
}

void RVAPI rvTexSource(int32_t tmu, uint32_t startAddress, uint32_t levels, const RvTexInfo *info)
{
    RvLogEntry e = rvx::makeEntry(__func__, tmu, startAddress, levels, info);
    rvx::setTexInfo(e, info);
    rvLogAppend(&e);
    rvx::texSource(tmu, startAddress, levels, info);
}

void RVAPI rvTexDownloadMipMapLevel(int32_t tmu, uint32_t startAddress, int32_t thisLod,
                                   int32_t largeLod, int32_t aspect, int32_t format,
                                   uint32_t levels, const void *data)
{
    record(__func__, tmu, startAddress, thisLod, largeLod, aspect, format, levels, data);
    rvx::texDownload(tmu, startAddress, thisLod, largeLod, aspect, format, levels, data, 0, 0, false);
}

void RVAPI rvTexDownloadMipMapLevelPartial(int32_t tmu, uint32_t startAddress, int32_t thisLod,
                                          int32_t largeLod, int32_t aspect, int32_t format,
                                          uint32_t levels, const void *data, int32_t firstRow,
                                          int32_t lastRow)
{
    record(__func__, tmu, startAddress, thisLod, largeLod, aspect, format, levels, data, firstRow,
           lastRow);
    rvx::texDownload(tmu, startAddress, thisLod, largeLod, aspect, format, levels, data, firstRow, lastRow,
                     true);
}

void RVAPI rvTexDownloadTable(int32_t tmu, int32_t type, const void *data)
{
    record(__func__, tmu, type, data);
    rvx::texDownloadTable(tmu, type, data);
}

} // extern "C"
