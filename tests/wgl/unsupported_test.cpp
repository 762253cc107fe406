// Unsupported wgl calls fail, log their name and set the last error.
#include <gtest/gtest.h>
#include <functional>
#include "gltest.h"
#include "standin/control.h"

namespace {

TEST(Unsupported, EachLogsItsNameAndFails) {
    const struct {
        const char* line;
        std::function<bool()> call;  // true when the call reported failure
    } cases[] = {
        {"wglCopyContext", [] { return !__wglCopyContext(nullptr, nullptr, 0); }},
        {"wglCreateLayerContext", [] { return !__wglCreateLayerContext(nullptr, 1); }},
        {"wglDescribeLayerPlane", [] { return !__wglDescribeLayerPlane(nullptr, 1, 1, 0, nullptr); }},
        {"wglGetDefaultProcAddress", [] { return !__wglGetDefaultProcAddress("glFinish"); }},
        {"wglGetLayerPaletteEntries", [] { return !__wglGetLayerPaletteEntries(nullptr, 1, 0, 1, nullptr); }},
        {"wglRealizeLayerPalette", [] { return !__wglRealizeLayerPalette(nullptr, 1, TRUE); }},
        {"wglSetLayerPaletteEntries", [] { return !__wglSetLayerPaletteEntries(nullptr, 1, 0, 1, nullptr); }},
        {"wglSwapLayerBuffers", [] { return !__wglSwapLayerBuffers(nullptr, 1); }},
    };
    for (const auto& c : cases) {
        StandinClearDebugOutput();
        SetLastError(0);
        EXPECT_TRUE(c.call()) << c.line;
        EXPECT_EQ(GetLastError(), 0xE03D3D00u) << c.line;
        EXPECT_EQ(std::string(StandinDebugOutput()),
                  std::string("WGL Message:System Error: (-1073741824):") + c.line + " not supported\n");
    }
}

}  // namespace
