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

// A context on a fresh board (reset, log cleared) made current on a window,
// with one unit per pixel over the first size x size pixels.
struct HwContext {
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    explicit HwContext(bool doubleBuffer = true, int size = 32);
    ~HwContext();
};
