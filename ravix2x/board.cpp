#include "board.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rvx {

Board g_board;

namespace {

uint16_t g_color[2][kStrideWords * kHeight];
uint16_t g_depth[kStrideWords * kHeight];
bool g_started;
FILE *g_trace;

} // namespace

void badCall(const char *what)
{
    ++g_board.s.errorCount;
    g_board.lastError = what;
}

uint16_t *bufferMemory(int32_t buffer)
{
    switch (buffer) {
    case RV_BUFFER_FRONT:
        return g_color[g_board.frontIndex];
    case RV_BUFFER_BACK:
        return g_color[g_board.frontIndex ^ 1];
    case RV_BUFFER_DEPTH:
        return g_depth;
    default:
        return nullptr;
    }
}

uint16_t *windowBuffer(int32_t buffer)
{
    if (!g_board.s.windowOpen)
        return nullptr;
    if (buffer == RV_BUFFER_BACK && g_board.s.colorBuffers < 2)
        return nullptr;
    return bufferMemory(buffer);
}

void fillConfig(RvBoardConfig &config)
{
    std::memset(&config, 0, sizeof config);
    config.boardCount = 1;
    config.revision = 1;
    config.frameBufferBytes = sizeof g_color + sizeof g_depth;
    config.textureBytes = g_board.s.textureBytes;
    config.tmuCount = 1;
    config.maxWidth = kWidth;
    config.maxHeight = kHeight;
    config.maxColorBuffers = 2;
}

void resetRenderState()
{
    RvSimState &s = g_board.s;
    s.renderBuffer = s.colorBuffers == 2 ? RV_BUFFER_BACK : RV_BUFFER_FRONT;
    s.clipLeft = 0;
    s.clipBottom = 0;
    s.clipRight = kWidth;
    s.clipTop = kHeight;
    s.colorMaskRgb = 1;
    s.colorMaskAlpha = 0;
    s.depthMask = 0;
    s.depthMode = RV_DEPTHBUFFER_DISABLE;
    s.depthFunction = RV_CMP_LESS;
    s.alphaTestFunction = RV_CMP_ALWAYS;
    s.alphaReference = 0;
    s.blendRgbSrc = s.blendAlphaSrc = RV_BLEND_ONE;
    s.blendRgbDst = s.blendAlphaDst = RV_BLEND_ZERO;
    s.cullMode = RV_CULL_NONE;
    const int32_t iterated[5] = {RV_COMBINE_FUNCTION_LOCAL, RV_COMBINE_FACTOR_ZERO, RV_COMBINE_LOCAL_ITERATED,
                                 RV_COMBINE_OTHER_CONSTANT, 0};
    std::memcpy(s.colorCombine, iterated, sizeof iterated);
    std::memcpy(s.alphaCombine, iterated, sizeof iterated);
    const int32_t texel[6] = {RV_TEXCOMBINE_FUNCTION_LOCAL, RV_TEXCOMBINE_FACTOR_ZERO,
                              RV_TEXCOMBINE_FUNCTION_LOCAL, RV_TEXCOMBINE_FACTOR_ZERO, 0, 0};
    std::memcpy(s.texCombine, texel, sizeof texel);
    s.minFilter = s.magFilter = RV_TEXFILTER_POINT;
    s.mipMapMode = RV_MIPMAP_DISABLE;
    s.lodBlend = 0;
    s.clampS = s.clampT = RV_TEXCLAMP_WRAP;
    s.constantColor = 0xFFFFFFFFu;
    s.texSourceValid = 0;
}

static void dropLocks()
{
    if (g_board.s.locksHeld)
        badCall("window closed with frame-buffer locks held");
    std::memset(g_board.locks, 0, sizeof g_board.locks);
    g_board.s.locksHeld = 0;
}

void openWindow(int32_t colorBuffers)
{
    dropLocks();
    g_board.s.windowOpen = 1;
    g_board.s.colorBuffers = static_cast<uint32_t>(colorBuffers);
    g_board.frontIndex = 0;
    resetRenderState();
}

void closeWindow()
{
    if (!g_board.s.windowOpen) {
        badCall("rvQrbWinClose without an open window");
        return;
    }
    dropLocks();
    g_board.s.windowOpen = 0;
}

void swapBuffers()
{
    RvSimState &s = g_board.s;
    if (!s.windowOpen) {
        badCall("rvBufferSwap without an open window");
        return;
    }
    if (s.colorBuffers == 2)
        g_board.frontIndex ^= 1;
    ++s.swapCount;
    const char *dir = std::getenv("RAVIX2X_DUMP_DIR");
    if (dir && *dir) {
        char path[1024];
        std::snprintf(path, sizeof path, "%s/ravix2x-%05u.bmp", dir, s.swapCount);
        rvSimWriteBmp(path, RV_BUFFER_FRONT);
    }
}

void clearBuffers(uint32_t color, uint32_t alpha, uint32_t depth)
{
    const RvSimState &s = g_board.s;
    uint16_t *target = windowBuffer(s.renderBuffer);
    if (!target) {
        badCall("rvBufferClear without an open window");
        return;
    }
    const uint32_t r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    const uint16_t pixel = static_cast<uint16_t>(((r >> 3) << 11) | ((g & 0xFC) << 3) | (b >> 3));
    for (int32_t y = s.clipBottom; y < s.clipTop; ++y)
        for (int32_t x = s.clipLeft; x < s.clipRight; ++x) {
            if (s.colorMaskRgb)
                target[y * kStrideWords + x] = pixel;
            if (s.depthMask)
                g_depth[y * kStrideWords + x] = static_cast<uint16_t>(depth);
        }
}

int32_t lfbLock(int32_t type, int32_t buffer, int32_t writeMode, int32_t origin, RvLfbInfo *info)
{
    if (!info || info->size != sizeof(RvLfbInfo)) {
        badCall("rvLfbLock: info size is not 20");
        return 0;
    }
    if (type != RV_LFB_READ_ONLY && type != RV_LFB_WRITE_ONLY) {
        badCall("rvLfbLock: unknown lock type");
        return 0;
    }
    uint16_t *memory = windowBuffer(buffer);
    if (!memory) {
        badCall("rvLfbLock: no window or no such buffer");
        return 0;
    }
    const int32_t nativeMode = buffer == RV_BUFFER_DEPTH ? RV_LFB_WRITEMODE_DEPTH : RV_LFB_WRITEMODE_565;
    if (writeMode != RV_LFB_WRITEMODE_ANY && writeMode != nativeMode) {
        badCall("rvLfbLock: write mode does not suit the buffer");
        return 0;
    }
    if (origin != RV_ORIGIN_ANY && origin != RV_ORIGIN_LOWER_LEFT) {
        badCall("rvLfbLock: unsupported origin");
        return 0;
    }
    info->lfbPtr = memory;
    info->strideInBytes = kStrideBytes;
    info->writeMode = nativeMode;
    info->origin = RV_ORIGIN_LOWER_LEFT;
    ++g_board.locks[buffer][type];
    ++g_board.s.locksHeld;
    return 1;
}

int32_t lfbUnlock(int32_t type, int32_t buffer)
{
    if (type < 0 || type > 1 || buffer < 0 || buffer > 2 || g_board.locks[buffer][type] == 0) {
        badCall("rvLfbUnlock without a matching lock");
        return 0;
    }
    --g_board.locks[buffer][type];
    --g_board.s.locksHeld;
    return 1;
}

void reset()
{
    g_started = true;
    std::free(g_board.texMemory);
    std::memset(&g_board, 0, sizeof g_board);
    std::memset(g_color, 0, sizeof g_color);
    std::memset(g_depth, 0, sizeof g_depth);
    g_board.lastError = "";
    g_board.s.textureBytes = RV_SIM_DEFAULT_TEXTURE_BYTES;
    g_board.texMemory = static_cast<uint8_t *>(std::calloc(g_board.s.textureBytes, 1));
    resetRenderState();
    if (g_trace) {
        std::fclose(g_trace);
        g_trace = nullptr;
    }
}

void ensureStarted()
{
    if (!g_started)
        reset();
}

bool tracing() { return g_trace != nullptr; }

void traceLine(const char *line)
{
    if (g_trace) {
        std::fputs(line, g_trace);
        std::fputc('\n', g_trace);
        std::fflush(g_trace);
    }
}

} // namespace rvx

extern "C" {

void RVAPI rvSimReset(void) { rvx::reset(); }

int32_t RVAPI rvSimSetTextureMemory(uint32_t bytes, uint32_t minAddress)
{
    rvx::ensureStarted();
    if (bytes < 8 || bytes % 8 || minAddress % 8 || minAddress >= bytes)
        return 0;
    uint8_t *memory = static_cast<uint8_t *>(std::calloc(bytes, 1));
    if (!memory)
        return 0;
    std::free(rvx::g_board.texMemory);
    rvx::g_board.texMemory = memory;
    rvx::g_board.s.textureBytes = bytes;
    rvx::g_board.s.texMinAddress = minAddress;
    rvx::g_board.s.texSourceValid = 0;
    return 1;
}

void RVAPI rvSimRefuseWinOpen(uint32_t count)
{
    rvx::ensureStarted();
    rvx::g_board.refuseOpens = count;
}

void RVAPI rvSimGetState(RvSimState *state)
{
    rvx::ensureStarted();
    if (state)
        *state = rvx::g_board.s;
}

uint32_t RVAPI rvSimErrorCount(void)
{
    rvx::ensureStarted();
    return rvx::g_board.s.errorCount;
}

const char *RVAPI rvSimLastError(void)
{
    rvx::ensureStarted();
    return rvx::g_board.lastError;
}

uint16_t RVAPI rvSimPixel(int32_t buffer, int32_t x, int32_t y)
{
    rvx::ensureStarted();
    const uint16_t *memory = rvx::bufferMemory(buffer);
    if (!memory || x < 0 || y < 0 || x >= rvx::kWidth || y >= rvx::kHeight)
        return 0;
    return memory[y * rvx::kStrideWords + x];
}

const uint8_t *RVAPI rvSimTextureMemory(void)
{
    rvx::ensureStarted();
    return rvx::g_board.texMemory;
}

const uint32_t *RVAPI rvSimPalette(void)
{
    rvx::ensureStarted();
    return rvx::g_board.palette;
}

int32_t RVAPI rvSimWriteBmp(const char *path, int32_t buffer)
{
    rvx::ensureStarted();
    const uint16_t *memory = buffer == RV_BUFFER_DEPTH ? nullptr : rvx::bufferMemory(buffer);
    if (!memory || !path)
        return 0;
    FILE *f = std::fopen(path, "wb");
    if (!f)
        return 0;
    const uint32_t rowBytes = rvx::kWidth * 3; // already a multiple of 4
    const uint32_t imageBytes = rowBytes * rvx::kHeight;
    uint8_t header[54] = {'B', 'M'};
    auto put32 = [&header](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(2, 54 + imageBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, rvx::kWidth);
    put32(22, rvx::kHeight); // positive height: rows bottom-up, as the board keeps them
    header[26] = 1;
    header[28] = 24;
    put32(34, imageBytes);
    bool ok = std::fwrite(header, sizeof header, 1, f) == 1;
    uint8_t row[rvx::kWidth * 3];
    for (int32_t y = 0; y < rvx::kHeight && ok; ++y) {
        for (int32_t x = 0; x < rvx::kWidth; ++x) {
            const uint32_t d = memory[y * rvx::kStrideWords + x];
            row[x * 3 + 0] = static_cast<uint8_t>(((d << 3) & 0xF8) | ((d >> 2) & 7));
            row[x * 3 + 1] = static_cast<uint8_t>(((d >> 3) & 0xFC) | ((d >> 9) & 3));
            row[x * 3 + 2] = static_cast<uint8_t>(((d >> 8) & 0xF8) | (d >> 13));
        }
        ok = std::fwrite(row, sizeof row, 1, f) == 1;
    }
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

int32_t RVAPI rvSimTrace(const char *path)
{
    rvx::ensureStarted();
    if (rvx::g_trace) {
        std::fclose(rvx::g_trace);
        rvx::g_trace = nullptr;
    }
    if (!path)
        return 1;
    rvx::g_trace = std::fopen(path, "a");
    return rvx::g_trace != nullptr;
}

} // extern "C"
