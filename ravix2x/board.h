// The board's memories and fixed properties.
#ifndef RAVIX2X_BOARD_H
#define RAVIX2X_BOARD_H

#include <cstdint>

#include "ravix2x.h"

namespace rvx {

constexpr uint32_t kTextureBytes = 2u << 20;   // one texture unit, 2 MiB
constexpr uint32_t kTexMinAddress = 0;
constexpr uint32_t kTexMaxAddress = kTextureBytes;
constexpr uint32_t kBufferStride = RV_SCREEN_WIDTH * 2;   // bytes per row, all buffers
constexpr int32_t kBufferCount = 3;                        // front, back, depth

void fillConfig(RvBoardConfig &config);

// 640x480 16-bit words of buffer RV_BUFFER_FRONT/BACK/DEPTH, rows bottom-up;
// null for any other buffer.
uint16_t *bufferMemory(int32_t buffer);

} // namespace rvx

#endif
