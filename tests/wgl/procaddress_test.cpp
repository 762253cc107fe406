// wglGetProcAddress finds exactly the extension entries, by exact name.
#include <gtest/gtest.h>
#include <string.h>
#include "gltest.h"
#include "standin/control.h"

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

const char* const extensionNames[24] = {
    "glArrayElementEXT", "glDrawArraysEXT", "glVertexPointerEXT", "glNormalPointerEXT",
    "glColorPointerEXT", "glIndexPointerEXT", "glTexCoordPointerEXT", "glEdgeFlagPointerEXT",
    "glGetPointervEXT", "glColorSubTableEXT", "glColorTableEXT", "glCopyColorTableEXT",
    "glGetColorTableEXT", "glGetColorTableParameterfvEXT", "glGetColorTableParameterivEXT",
    "glLockArraysQTA", "glUnlockArraysQTA", "glCullParameterdvQTA", "glCullParameterfvQTA",
    "glIndexFuncQTA", "glIndexMaterialQTA", "glAddSwapHintRectWIN", "wglLockBuffers",
    "wglUnlockBuffers",
};

TEST(ProcAddress, ExactNamesWithACurrentContext) {
    int status = gltestInChild([] {
        setenv("QRB_USESW", "1", 1);
        CHECK(1, gltestLoad());
        StandinClearDebugOutput();
        SetLastError(0);
        CHECK(2, wglGetProcAddress("glLockArraysQTA") == nullptr);
        CHECK(3, GetLastError() == 0xE03D3D02u);
        CHECK(4, strstr(StandinDebugOutput(), "System Error: (2):wglGetProcAddress") != nullptr);

        GlContext* gc = gltestCreateCurrent();
        for (int i = 0; i < 24; i++) CHECK(10 + i, wglGetProcAddress(extensionNames[i]) != nullptr);
        CHECK(40, wglGetProcAddress("glLockArraysQTA") == (PROC)(void (*)(void))glLockArraysQTA);
        CHECK(41, wglGetProcAddress("wglUnlockBuffers") == WglExtensionTable[23].entry);
        const char* misses[] = {"gllockarraysqta", "glLockArraysQTA ", "glLockArrays", "glVertex3f", "", nullptr};
        for (const char* m : misses) CHECK(42, wglGetProcAddress(m) == nullptr);
        CHECK(43, WglExtensionTable[24].name == nullptr && WglExtensionTable[24].entry == nullptr);

        // The entry reaches the extension's slot of the thread's table.
        __glThreadState()->dispatch.entry[GL_SLOT_LockArraysQTA - 2] = (GlEntryProc)__glNullProc8;
        ((PFNGLLOCKARRAYSQTAPROC)(void (*)(void))wglGetProcAddress("glLockArraysQTA"))(0, 0);
        gltestDestroyCurrent(gc);
        return gltestUnload() ? 0 : 50;
    });
    EXPECT_EQ(status, 0);
}

TEST(ProcAddress, BufferLocksNeedTheCurrentHandle) {
    int status = gltestInChild([] {
        setenv("QRB_USESW", "1", 1);
        CHECK(1, gltestLoad());
        GlContext* gc = gltestCreateCurrent();
        SetLastError(0);
        CHECK(2, !wglLockBuffers((HGLRC)(uintptr_t)7));
        CHECK(3, GetLastError() == 0xE03D3D02u);
        CHECK(4, !wglUnlockBuffers(nullptr));  // handle 0 is the null context
        gltestDestroyCurrent(gc);
        return gltestUnload() ? 0 : 5;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
