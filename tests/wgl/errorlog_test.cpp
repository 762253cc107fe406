// The error log's sink and lines, and wgl failure reporting.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include "gltest.h"
#include "standin/control.h"

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

// Loads the library in a child, in a fresh directory, with the given setting.
int inChildWithLog(const char* envValue, int registryValue, const std::function<int()>& fn) {
    return gltestInChild([=] {
        char dir[] = "/tmp/gllogXXXXXX";
        if (!mkdtemp(dir) || chdir(dir) != 0) return 90;
        setenv("QRB_USESW", "1", 1);
        if (envValue) setenv("__GL_ERROR_LOG", envValue, 1);
        else unsetenv("__GL_ERROR_LOG");
        if (registryValue >= 0)
            StandinRegSetDword(HKEY_LOCAL_MACHINE, "Software\\Quentara\\OpenGL", "ErrorLog", registryValue);
        if (!gltestLoad()) return 91;
        int r = fn();
        gltestUnload();
        return r;
    });
}

const char* const failureLine = "WGL Message:System Error: (2):wglMakeCurrent\n";

TEST(ErrorLog, SinkFollowsEnvironmentThenRegistry) {
    const struct { const char* env; int registry; bool toFile; } cases[] = {
        {nullptr, -1, false}, {nullptr, 0, false}, {nullptr, 1, true},
        {"0", 1, false},      {"1", -1, true},     {"7", 0, true},
    };
    for (const auto& c : cases) {
        int status = inChildWithLog(c.env, c.registry, [&] {
            StandinClearDebugOutput();
            CHECK(1, access("OGLError.txt", F_OK) != 0);  // created by the first message, not at load
            __wglSystemError("wglMakeCurrent", 2);
            CHECK(2, GetLastError() == 0xE03D3D02u);
            __wglLogError("second");
            std::string file = gltestReadFile("OGLError.txt");
            std::string debug = StandinDebugOutput();
            const std::string both = std::string(failureLine) + "OGL ERR:second\n";
            if (c.toFile) return file == both && debug.empty() ? 0 : 3;
            return access("OGLError.txt", F_OK) != 0 && debug == both ? 0 : 4;
        });
        EXPECT_EQ(status, 0) << (c.env ? c.env : "unset") << " / " << c.registry;
    }
}

TEST(ErrorLog, RegistryOpenedForReadingOnly) {
    int status = inChildWithLog(nullptr, 1, [] {
        return StandinRegLastOpenAccess() == KEY_READ ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    // An ordinary user may not ask for write rights: the setting still reads.
    status = gltestInChild([] {
        char dir[] = "/tmp/gllogXXXXXX";
        if (!mkdtemp(dir) || chdir(dir) != 0) return 90;
        unsetenv("__GL_ERROR_LOG");
        StandinRegSetDword(HKEY_LOCAL_MACHINE, "Software\\Quentara\\OpenGL", "ErrorLog", 1);
        StandinRegDenyAccess(KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
        CHECK(1, gltestLoad());
        CHECK(2, __wglErrorLogSetting == 1);
        __wglLogMessage("x");
        CHECK(3, gltestReadFile("OGLError.txt") == "WGL Message:x\n");
        return gltestUnload() ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
}

TEST(ErrorLog, LongTextIsCutToOneLine) {
    int status = inChildWithLog(nullptr, -1, [] {
        StandinClearDebugOutput();
        std::string text(1000, 'x');
        __wglLogMessage(text.c_str());
        std::string line = StandinDebugOutput();
        CHECK(1, line.size() == 255);
        CHECK(2, line.compare(0, 12, "WGL Message:") == 0);
        CHECK(3, line.back() == '\n' && line.find('\n') == 254);
        __wglSystemError(text.c_str(), 0xC0000000u);
        CHECK(4, GetLastError() == 0xE03D3D00u);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
