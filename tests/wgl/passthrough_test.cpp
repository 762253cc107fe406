// Pass-through mode: the decision at load and forwarding to a platform library double.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "gltest.h"
#include <GL/gl.h>
#include "wgl/pixelformat.h"
#include "standin/control.h"

int wglxInChild(const std::function<int()>& fn);

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

// ---- The platform library double: records what reaches it ----
GLfloat clearRed;
int flushCalls;
DWORD formatFlags;  // flags of the double's one pixel format
void APIENTRY fakeClearColor(GLclampf r, GLclampf, GLclampf, GLclampf) { clearRed = r; }
void APIENTRY fakeFlush(void) { ++flushCalls; }
GLenum APIENTRY fakeGetError(void) { return 0x4242; }
void APIENTRY fakeUnused(void) {}
HGLRC WINAPI fakeCreateContext(HDC) { return (HGLRC)0x77; }
int WINAPI fakeDescribe(HDC, int index, UINT bytes, PIXELFORMATDESCRIPTOR* pfd) {
    if (index == 1 && pfd && bytes >= sizeof *pfd) pfd->dwFlags = formatFlags;
    return 1;
}
int WINAPI fakeChoose(HDC, const PIXELFORMATDESCRIPTOR*) { return 9; }

const StandinExport gdiExports[] = {
    {"ChoosePixelFormat", (void*)fakeChoose}, {"DescribePixelFormat", (void*)fakeDescribe},
    {"GetPixelFormat", (void*)fakeUnused},     {"SetPixelFormat", (void*)fakeUnused},
    {"SwapBuffers", (void*)fakeUnused},        {nullptr, nullptr},
};

// Registers the double as "OPENGL32.DLL" with every GL and wgl name except `missing`.
HMODULE registerPlatformLibrary(const char* missing) {
    static std::vector<StandinExport> exports;
    exports.clear();
    auto add = [&](const char* name, void* proc) {
        if (name && (!missing || strcmp(name, missing) != 0)) exports.push_back({name, proc});
    };
    for (int s = 0; s < 358; ++s) {
        const char* name = __glSlotNames[s];
        if (!name) continue;
        void* proc = (void*)fakeUnused;
        if (!strcmp(name, "glClearColor")) proc = (void*)fakeClearColor;
        if (!strcmp(name, "glFlush")) proc = (void*)fakeFlush;
        if (!strcmp(name, "glGetError")) proc = (void*)fakeGetError;
        add(name, proc);
    }
    for (int i = 0; i < WGL_ENTRY_COUNT; ++i) {
        const char* name = WglEntryTable.names[i];
        add(name, !strcmp(name, "wglCreateContext") ? (void*)fakeCreateContext : (void*)fakeUnused);
    }
    add("wglDescribePixelFormat", (void*)fakeDescribe);
    exports.push_back({nullptr, nullptr});
    return StandinRegisterModule("OPENGL32.DLL", exports.data());
}

// The library's own entries are in place: the null dispatch table and its wgl implementations.
bool ownEntries() {
    GlThreadState* ts = __glThreadStateOrNull();
    return ts && memcmp(&ts->dispatch, &__glNullDispatchTable, sizeof ts->dispatch) == 0 &&
           WglEntryTable.procs[0] == (PROC)(void (*)(void))__wglCreateContext &&
           WglPixelFormatTable.procs[0] == (PROC)(void (*)(void))__wglChoosePixelFormat;
}

TEST(PassThrough, DecisionAtLoad) {
    struct Case {
        const char* what;
        const char* mode;      // null: unset
        const char* fileName;  // this module's file name
        const char* missing;   // name the double lacks
        bool noPlatform;       // no platform library at all
        DWORD flags;           // of the double's pixel format
        int result;
        int messageBoxes;
    };
    const DWORD accelerated = PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED, generic = PFD_GENERIC_FORMAT;
    const Case cases[] = {
        {"unset", nullptr, "C:\\app\\pellux.dll", nullptr, false, accelerated, 0, 0},
        {"mode 1", "1", "C:\\app\\pellux.dll", nullptr, false, accelerated, 0, 0},
        {"mode 0, accelerated", "0", "C:\\app\\pellux.dll", nullptr, false, accelerated, 1, 0},
        {"mode 0, device format", "0", "C:\\app\\pellux.dll", nullptr, false, 0, 1, 0},
        {"mode 0, generic only", "0", "C:\\app\\pellux.dll", nullptr, false, generic, 0, 0},
        {"mode 3 is mode 0", "3", "C:\\app\\pellux.dll", nullptr, false, accelerated, 1, 0},
        {"mode -1 is mode 0", "-1", "C:\\app\\pellux.dll", nullptr, false, generic, 0, 0},
        {"mode 0, entry missing", "0", "C:\\app\\pellux.dll", "glFlush", false, accelerated, 0, 0},
        {"mode 0, GDI entry missing", "0", "C:\\app\\pellux.dll", "SwapBuffers", false, accelerated, 0, 0},
        {"mode 2", "2", "C:\\app\\pellux.dll", nullptr, false, generic, 1, 0},
        {"mode 2, wgl entry missing", "2", "C:\\app\\pellux.dll", "wglSwapLayerBuffers", false, generic, 2, 1},
        {"mode 2, no platform library", "2", "C:\\app\\pellux.dll", nullptr, true, generic, 2, 1},
        {"mode 2 as OpenGL32.DLL", "2", "C:\\WINDOWS\\OpenGL32.DLL", nullptr, false, generic, 0, 0},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(wglxInChild([&] {
                      HINSTANCE own = __wglInstance;
                      __wglInstance = (HINSTANCE)StandinRegisterModule(k.fileName, nullptr);
                      formatFlags = k.flags;
                      HMODULE platform = nullptr;
                      if (!k.noPlatform) {
                          platform = registerPlatformLibrary(k.missing);
                      }
                      std::vector<StandinExport> gdi(gdiExports, gdiExports + 6);
                      if (k.missing && !strcmp(k.missing, "SwapBuffers")) gdi.erase(gdi.begin() + 4);
                      StandinRegisterModule("gdi32.dll", gdi.data());
                      __wglGetCurrentContext();
                      if (k.mode) setenv("__GL_OVERRIDE_DISPATCH", k.mode, 1);
                      else unsetenv("__GL_OVERRIDE_DISPATCH");
                      const int result = __wglCheckOverride();
                      CHECK(1, result == k.result);
                      CHECK(2, StandinMessageBoxCount() == k.messageBoxes);
                      if (k.messageBoxes) {
                          CHECK(3, !strcmp(StandinMessageBoxText(0),
                                           "A required .DLL file, OPENGL32.DLL, was not found.") &&
                                       !strcmp(StandinMessageBoxCaption(0), "Error Starting Program") &&
                                       StandinMessageBoxType(0) == (MB_SYSTEMMODAL | MB_ICONWARNING));
                      }
                      // Loaded only while forwarding; otherwise every entry is the library's own.
                      if (platform) CHECK(4, StandinModuleRefCount(platform) == (result == 1 ? 1 : 0));
                      CHECK(5, (__wglPlatformLibrary != nullptr) == (result == 1));
                      if (result != 1) CHECK(6, ownEntries());
                      __wglUnbindForwarding();
                      CHECK(7, ownEntries());
                      __wglInstance = own;
                      return 0;
                  }),
                  0)
            << k.what;
    }
}

TEST(PassThrough, CallsAndResultsReachThePlatformLibrary) {
    EXPECT_EQ(wglxInChild([] {
                  __wglInstance = (HINSTANCE)StandinRegisterModule("C:\\app\\pellux.dll", nullptr);
                  registerPlatformLibrary(nullptr);
                  StandinRegisterModule("gdi32.dll", gdiExports);
                  __wglGetCurrentContext();
                  setenv("__GL_OVERRIDE_DISPATCH", "2", 1);
                  CHECK(1, __wglCheckOverride() == 1);
                  glClearColor(0.5f, 0, 0, 0);
                  glFlush();
                  glFlush();
                  CHECK(2, clearRed == 0.5f && flushCalls == 2);
                  CHECK(3, glGetError() == 0x4242);
                  CHECK(4, wglCreateContext(nullptr) == (HGLRC)0x77);
                  CHECK(5, ChoosePixelFormat(nullptr, nullptr) == 9);
                  __wglUnbindForwarding();
                  CHECK(6, glGetError() == 0 && ownEntries());
                  return 0;
              }),
              0);
}

}  // namespace
