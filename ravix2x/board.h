// The simulated board: memories, render state and the error counter.
#ifndef RAVIX2X_BOARD_H
#define RAVIX2X_BOARD_H

#include <cstdint>

#include "ravix2x.h"
#include "ravix2x_sim.h"

namespace rvx {

constexpr int32_t kWidth = RV_SCREEN_WIDTH;
constexpr int32_t kHeight = RV_SCREEN_HEIGHT;
constexpr uint32_t kStrideBytes = RV_SIM_STRIDE_BYTES;
constexpr uint32_t kStrideWords = kStrideBytes / 2;
static_assert(kStrideBytes > kWidth * 2, "no caller may assume a packed row");

struct Board {
    RvSimState s;                 // what rvSimGetState reports
    uint32_t frontIndex;          // memory of the front buffer, 0 or 1
    uint32_t locks[3][2];         // held LFB locks by buffer and lock type
    uint8_t *texMemory;           // s.textureBytes bytes
    uint32_t palette[256];        // 0x00RRGGBB
    const char *lastError;
    uint32_t refuseOpens;         // rvQrbWinOpen calls still to refuse
};

extern Board g_board;

// Counts a bad call; what is a static string.
void badCall(const char *what);

// Memory of colour buffer RV_BUFFER_FRONT/BACK or of RV_BUFFER_DEPTH, rows
// bottom-up, kStrideWords apart; null when the open window lacks the colour
// buffer or the code is unknown. Independent of whether a window is open.
uint16_t *bufferMemory(int32_t buffer);
// Colour buffer of this window (null when it has no such buffer or none is open).
uint16_t *windowBuffer(int32_t buffer);

void fillConfig(RvBoardConfig &config);
void openWindow(int32_t colorBuffers);
void closeWindow();
void resetRenderState();
void swapBuffers();
void clearBuffers(uint32_t color, uint32_t alpha, uint32_t depth);

int32_t lfbLock(int32_t type, int32_t buffer, int32_t writeMode, int32_t origin, RvLfbInfo *info);
int32_t lfbUnlock(int32_t type, int32_t buffer);

// Power-on state; the first use of the board runs it.
void reset();
void ensureStarted();

// Trace: a line per call while a trace file is open.
bool tracing();
void traceLine(const char *line);

} // namespace rvx

#endif
