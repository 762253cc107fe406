// Hardware-context tests: the library loaded with the accelerator library
// present, a 640x480 window context made current on the simulated board,
// the board's state, call log and pixels.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "gldib.h"
#include "ravix2x_log.h"
#include "ravix2x_sim.h"

// A window format: RGBA, double- or single-buffered, with a depth buffer.
int hwtestWindowFormat(HDC dc, bool doubleBuffer);

// Board state now.
inline RvSimState hwtestBoard() {
    RvSimState s;
    rvSimGetState(&s);
    return s;
}

// Log entries of one call name, in order.
std::vector<RvLogEntry> hwtestCalls(const char* name);
// The names of the logged calls from index `from`, joined by spaces.
std::string hwtestCallNames(uint32_t from = 0);

// The 5-6-5 pixel's 8-bit channels.
struct HwRgb {
    int r, g, b;
};
HwRgb hwtestPixel(int buffer, int x, int y);
HwRgb hwtestExpand565(uint16_t pixel);

// A quad of window corners (x0, y0), (x1, y1) with texture coordinates from
// (s0, t0) to (s1, t1).
void hwtestTexturedQuad(float x0, float y0, float x1, float y1, float s0 = 0, float t0 = 0, float s1 = 1,
                        float t1 = 1);

// A context on a fresh board (reset, log cleared) made current on a window,
// with one unit per pixel over the first size x size pixels.
struct HwContext {
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    // textureBytes: the board's texture memory (0: the power-on size).
    explicit HwContext(bool doubleBuffer = true, int size = 32, uint32_t textureBytes = 0);
    ~HwContext();
};
