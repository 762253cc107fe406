#include "board.h"

#include <cstring>

namespace rvx {

namespace {
uint16_t g_buffers[kBufferCount][RV_SCREEN_WIDTH * RV_SCREEN_HEIGHT];
}

void fillConfig(RvBoardConfig &config)
{
    std::memset(&config, 0, sizeof config);
    config.boardCount = 1;
    config.revision = 1;
    config.frameBufferBytes = sizeof g_buffers;
    config.textureBytes = kTextureBytes;
    config.tmuCount = 1;
    config.maxWidth = RV_SCREEN_WIDTH;
    config.maxHeight = RV_SCREEN_HEIGHT;
    config.maxColorBuffers = 2;
}

uint16_t *bufferMemory(int32_t buffer)
{
    if (buffer < 0 || buffer >= kBufferCount)
        return nullptr;
    return g_buffers[buffer];
}

} // namespace rvx
