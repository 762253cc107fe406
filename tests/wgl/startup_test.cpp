// Library load and unload, thread records, the message hook. Every load runs
// in its own child process, as every program loads the library once.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <thread>
#include "gltest.h"
#include "ravix2x_log.h"
#include "standin/control.h"
#include "wgl/drawable.h"

namespace {

// Child-process checks report the first failed step as their exit code.
#define CHECK(step, cond) \
    if (!(cond)) return step

int startupCallsIn(const char* useSoftware) {
    return gltestInChild([=] {
        if (useSoftware) setenv("QRB_USESW", useSoftware, 1);
        else unsetenv("QRB_USESW");
        rvLogClear();
        CHECK(1, gltestLoad());
        uint32_t n = rvLogCount();
        if (useSoftware) return n == 0 && __wglHardware == 0 ? 0 : 2;
        CHECK(3, n == 3 && __wglHardware == 1);
        CHECK(4, !strcmp(rvLogEntry(0)->name, "rvRavixInit"));
        CHECK(5, !strcmp(rvLogEntry(1)->name, "rvQrbQueryHardware") && rvLogEntry(1)->args[0] != 0);
        CHECK(6, !strcmp(rvLogEntry(2)->name, "rvQrbSelect") && rvLogEntry(2)->args[0] == 0);
        CHECK(7, gltestUnload() && rvLogCount() == 3);
        return 0;
    });
}

TEST(Load, AcceleratorStartsUnlessSoftwareIsAsked) {
    EXPECT_EQ(startupCallsIn(nullptr), 0);
    EXPECT_EQ(startupCallsIn(""), 0);
    EXPECT_EQ(startupCallsIn("1"), 0);
}

TEST(Load, TlsOffsetFollowsThePlatform) {
    const struct { DWORD platform, index, offset; } cases[] = {
        {VER_PLATFORM_WIN32_NT, 5, 0xE10 + 20},
        {VER_PLATFORM_WIN32_NT, 63, 0xE10 + 252},
        {VER_PLATFORM_WIN32_WINDOWS, 5, 0x88 + 20},
    };
    for (const auto& c : cases) {
        int status = gltestInChild([&] {
            StandinSetPlatformId(c.platform);
            StandinSetNextTlsIndex(c.index);
            CHECK(1, gltestLoad());
            CHECK(2, __wglTlsIndex == c.index && __wglTlsOffset == c.offset);
            // The entries read the record where TlsSetValue put it.
            CHECK(3, __glThreadStateOrNull() == TlsGetValue(c.index));
            CHECK(4, glGetError() == 0 && glGetString(GL_VENDOR) == nullptr);
            CHECK(5, gltestUnload());
            return 0;
        });
        EXPECT_EQ(status, 0) << c.platform << " " << c.index;
    }
}

TEST(Load, FailsAndLeavesNothingBehind) {
    const struct { const char* what; void (*arrange)(); } cases[] = {
        {"TlsAlloc fails", [] { StandinFailNextTlsAlloc(); }},
        {"index beyond the TEB slots", [] { StandinSetNextTlsIndex(64); }},
        {"GetVersionExA fails", [] { StandinFailGetVersion(TRUE); }},
        {"no memory for the thread record", [] { StandinFailNextGlobalAlloc(); }},
        {"hook not set", [] { StandinFailNextHook(); }},
    };
    for (const auto& c : cases) {
        int status = gltestInChild([&] {
            const int handles = StandinOpenHandleCount();
            c.arrange();
            CHECK(1, !gltestLoad());
            CHECK(2, StandinOpenHandleCount() == handles);
            CHECK(3, StandinGlobalLiveBlocks() == 0);
            CHECK(4, __wglTlsIndex == TLS_OUT_OF_INDEXES);
            // A later load of the same process works.
            StandinReset();
            CHECK(6, gltestLoad());
            CHECK(7, gltestUnload());
            return 0;
        });
        EXPECT_EQ(status, 0) << c.what;
    }
}

TEST(Load, SecondAttachFails) {
    int status = gltestInChild([] {
        CHECK(1, gltestLoad());
        CHECK(2, !gltestLoad());
        CHECK(3, gltestUnload());
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(Load, UnloadReleasesTheCurrentContextAndFreesTheRecord) {
    int status = gltestInChild([] {
        setenv("QRB_USESW", "1", 1);
        CHECK(1, gltestLoad());
        CHECK(2, StandinThreadLibraryCallsDisabled((HMODULE)__wglInstance));
        CHECK(3, StandinHookCount(GetCurrentThreadId()) == 1);
        GlContext* gc = gltestCreateCurrent();
        CHECK(4, gc && __wglGetCurrentContext() == gc);
        CHECK(5, gltestUnload());
        CHECK(6, StandinGlobalLiveBlocks() == 0);
        CHECK(7, StandinHookCount(GetCurrentThreadId()) == 0);
        CHECK(8, __glThreadStateOrNull() == nullptr);
        CHECK(9, gc->procs.destroyContext(gc) && gltestLiveBlocks() == 0);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(Threads, SecondThreadGetsItsOwnRecordAndNoContext) {
    int status = gltestInChild([] {
        setenv("QRB_USESW", "1", 1);
        CHECK(1, gltestLoad());
        GlContext* gc = gltestCreateCurrent();
        GlThreadState* mainRecord = __glThreadStateOrNull();
        int result = 0;
        std::thread t([&] {
            if (__glThreadStateOrNull() != nullptr) result = 2;
            else if (glGetString(GL_VENDOR) != nullptr) result = 3;  // no record: null behaviour
            else if (__wglGetCurrentContext() != __wglNullContext) result = 4;
            else if (__glThreadStateOrNull() == mainRecord || !__glThreadStateOrNull()) result = 5;
            else if (StandinHookCount(GetCurrentThreadId()) != 1) result = 6;
            else if (glGetString(GL_VENDOR) != nullptr) result = 7;  // null table
            __wglDetachThread();
        });
        t.join();
        CHECK(10 + result, result == 0);
        CHECK(20, __wglGetCurrentContext() == gc);
        gltestDestroyCurrent(gc);
        CHECK(21, gltestUnload());
        return 0;
    });
    EXPECT_EQ(status, 0);
}

// Every wgl entry attaches its thread first, the GDI-named pixel-format calls
// and the unsupported calls too: a thread whose first call is one of them gets
// its record and message hook.
TEST(Threads, PixelFormatAndSwapCallsAttachTheirThread) {
    const struct {
        const char* name;
        void (*call)(HDC dc);
    } cases[] = {
        {"ChoosePixelFormat",
         [](HDC dc) {
             PIXELFORMATDESCRIPTOR p = {};
             p.nSize = sizeof p, p.nVersion = 1, p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
             ChoosePixelFormat(dc, &p);
         }},
        {"DescribePixelFormat", [](HDC dc) { DescribePixelFormat(dc, 1, 0, nullptr); }},
        {"GetPixelFormat", [](HDC dc) { GetPixelFormat(dc); }},
        {"SetPixelFormat", [](HDC dc) { SetPixelFormat(dc, 1, nullptr); }},
        {"SwapBuffers", [](HDC dc) { SwapBuffers(dc); }},
        {"wglSwapLayerBuffers", [](HDC dc) { wglSwapLayerBuffers(dc, 1); }},
    };
    for (const auto& c : cases) {
        int status = gltestInChild([&] {
            setenv("QRB_USESW", "1", 1);
            CHECK(1, gltestLoad());
            int result = 0;
            std::thread t([&] {
                HDC dc = GetDC(nullptr);
                c.call(dc);
                if (!__glThreadStateOrNull()) result = 2;
                else if (__wglGetCurrentContext() != __wglNullContext) result = 3;
                else if (StandinHookCount(GetCurrentThreadId()) != 1) result = 4;
                ReleaseDC(nullptr, dc);
                __wglDetachThread();
            });
            t.join();
            CHECK(10 + result, result == 0);
            CHECK(20, gltestUnload());
            return 0;
        });
        EXPECT_EQ(status, 0) << c.name;
    }
}

// So the window of a thread that only set its pixel format still has its
// drawable freed when it is destroyed.
TEST(Threads, DrawableOfAWindowWithOnlyAFormatIsFreedWithIt) {
    int status = gltestInChild([] {
        setenv("QRB_USESW", "1", 1);
        CHECK(1, gltestLoad());
        int result = 0;
        std::thread t([&] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "startup-format-only";
            RegisterClassA(&wc);
            const int blocks = StandinGlobalLiveBlocks();
            HWND w = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr,
                                     nullptr);
            HDC dc = GetDC(w);
            if (!SetPixelFormat(dc, 2, nullptr) || GetPixelFormat(dc) != 2) result = 2;
            ReleaseDC(w, dc);
            DestroyWindow(w);
            if (!result && __wglFindDrawable(dc, w)) result = 3;
            // Of the blocks the calls took, only the thread's record is left.
            if (!result && StandinGlobalLiveBlocks() != blocks + 1) result = 4;
            __wglDetachThread();
        });
        t.join();
        CHECK(10 + result, result == 0);
        CHECK(20, gltestUnload());
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(Hook, DisplayChangeMarksFormatsAndForeignCloseKeepsTheContext) {
    int status = gltestInChild([] {
        setenv("QRB_USESW", "1", 1);
        CHECK(1, gltestLoad());
        __wglPixelFormatsStale = 0;
        StandinDeliverCallWndProc(nullptr, WM_DISPLAYCHANGE, 16, MAKELPARAM(640, 480));
        CHECK(2, __wglPixelFormatsStale == 1);
        __wglPixelFormatsStale = 0;
        StandinDeliverCallWndProc(nullptr, WM_DISPLAYCHANGE, 16, MAKELPARAM(640, 480));
        CHECK(3, __wglPixelFormatsStale == 0);
        StandinDeliverCallWndProc(nullptr, WM_DISPLAYCHANGE, 16, MAKELPARAM(640, 400));
        CHECK(4, __wglPixelFormatsStale == 1);

        // Closing a window other than the current context's keeps the context.
        GlContext* gc = gltestCreateCurrent();
        CHECK(5, __wglGetCurrentContext() == gc);
        StandinDeliverCallWndProc((HWND)(uintptr_t)0x1234, WM_CLOSE, 0, 0);
        CHECK(6, __wglGetCurrentContext() == gc);
        CHECK(7, glGetString(GL_VENDOR) != nullptr);
        gltestDestroyCurrent(gc);
        CHECK(8, gltestUnload());
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
