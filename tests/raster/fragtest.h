// Helpers of the point, fragment-store, blending and bitmap tests.
#pragma once

#include <vector>
#include "gldib.h"

namespace fragtest {

// One point at GL window position (x, y) and object z (the fixture's ortho
// projection: window z = (1 - z) / 2).
inline void point(float x, float y, float z = 0.0f) {
    glBegin(GL_POINTS);
    glVertex3f(x, y, z);
    glEnd();
}

struct Rect {
    int x0, y0, x1, y1;  // inclusive; x0 > x1 for none
};

// Pixels that differ from `background`, as a list of (x, y).
inline std::vector<std::pair<int, int>> changed(const GltestDibContext& c, uint32_t background = 0) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < c.dib.height; y++)
        for (int x = 0; x < c.dib.width; x++)
            if (c.pixel(x, y) != background) out.push_back({x, y});
    return out;
}

// Whether exactly the pixels of r differ from the background.
inline ::testing::AssertionResult onlyRect(const GltestDibContext& c, Rect r, uint32_t background = 0) {
    int inside = 0;
    for (auto [x, y] : changed(c, background)) {
        if (x < r.x0 || x > r.x1 || y < r.y0 || y > r.y1)
            return ::testing::AssertionFailure() << "stray pixel at " << x << "," << y;
        inside++;
    }
    const int want = r.x0 > r.x1 ? 0 : (r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1);
    if (inside != want) return ::testing::AssertionFailure() << inside << " pixels set, " << want << " expected";
    return ::testing::AssertionSuccess();
}

}  // namespace fragtest
