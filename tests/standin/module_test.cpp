// Modules: registration, loading by name variants, exports, reference counts, file names.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "standin/control.h"

namespace {

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { StandinReset(); }
};

int WINAPI First() { return 1; }
int WINAPI Second() { return 2; }

const StandinExport kExports[] = {{"glBegin", reinterpret_cast<void *>(First)},
                                  {"glEnd", reinterpret_cast<void *>(Second)},
                                  {nullptr, nullptr}};

TEST_F(ModuleTest, LoadLibraryFindsARegisteredModuleByAnyFormOfItsName) {
  HMODULE registered = StandinRegisterModule("opengl32.dll", kExports);
  ASSERT_NE(nullptr, registered);
  const char *names[] = {"opengl32.dll", "OPENGL32.DLL", "OpenGL32", "C:\\WINDOWS\\system32\\opengl32.dll",
                         "/usr/lib/OPENGL32.dll", "opengl32."};
  int refs = 0;
  for (const char *name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(registered, LoadLibraryA(name));
    EXPECT_EQ(++refs, StandinModuleRefCount(registered));
  }
  const char *others[] = {"opengl", "glu32.dll", "opengl32.dll.bak", ""};
  for (const char *name : others) {
    SCOPED_TRACE(name);
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadLibraryA(name));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
  }
}

TEST_F(ModuleTest, GetProcAddressSearchesExportsByExactNameOrOrdinal) {
  HMODULE m = StandinRegisterModule("C:\\WINDOWS\\system32\\OPENGL32.DLL", kExports);
  ASSERT_EQ(m, LoadLibraryA("opengl32"));
  struct Case {
    const char *name;
    FARPROC proc;
  };
  const Case cases[] = {{"glBegin", reinterpret_cast<FARPROC>(First)},
                        {"glEnd", reinterpret_cast<FARPROC>(Second)},
                        {"glbegin", nullptr},
                        {"glVertex3f", nullptr},
                        {MAKEINTRESOURCEA(2), reinterpret_cast<FARPROC>(Second)}};
  for (const Case &c : cases) {
    SetLastError(0);
    EXPECT_EQ(c.proc, GetProcAddress(m, c.name));
    if (!c.proc) {
      EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
    }
  }
  EXPECT_EQ(2, reinterpret_cast<int(WINAPI *)()>(GetProcAddress(m, "glEnd"))());
  FreeLibrary(m);
}

TEST_F(ModuleTest, ReferenceCountsFollowLoadAndFree) {
  HMODULE m = StandinRegisterModule("gdi32.dll", nullptr);
  EXPECT_EQ(0, StandinModuleRefCount(m));
  EXPECT_EQ(nullptr, GetModuleHandleA("gdi32.dll"));  // registered, not loaded
  LoadLibraryA("Gdi32.dll");
  LoadLibraryA("GDI32");
  EXPECT_EQ(2, StandinModuleRefCount(m));
  EXPECT_EQ(m, GetModuleHandleA("gdi32"));
  EXPECT_EQ(2, StandinModuleRefCount(m));  // GetModuleHandleA takes no reference
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_EQ(0, StandinModuleRefCount(m));
  EXPECT_FALSE(FreeLibrary(m));
  EXPECT_EQ(nullptr, GetModuleHandleA("gdi32"));
  // The system modules and the program are always there.
  EXPECT_NE(nullptr, GetModuleHandleA("kernel32.dll"));
  EXPECT_NE(nullptr, GetModuleHandleA(nullptr));
  EXPECT_TRUE(FreeLibrary(GetModuleHandleA("KERNEL32")));
  EXPECT_NE(nullptr, GetModuleHandleA("kernel32.dll"));
}

TEST_F(ModuleTest, ReRegisteringReplacesExportsAndResetForgetsModules) {
  HMODULE m = StandinRegisterModule("plat.dll", kExports);
  const StandinExport onlyEnd[] = {{"glEnd", reinterpret_cast<void *>(First)}, {nullptr, nullptr}};
  EXPECT_EQ(m, StandinRegisterModule("PLAT.DLL", onlyEnd));
  EXPECT_EQ(nullptr, GetProcAddress(m, "glBegin"));
  EXPECT_EQ(reinterpret_cast<FARPROC>(First), GetProcAddress(m, "glEnd"));
  StandinReset();
  EXPECT_EQ(-1, StandinModuleRefCount(m));
  EXPECT_EQ(nullptr, LoadLibraryA("plat.dll"));
  EXPECT_EQ(nullptr, GetProcAddress(m, "glEnd"));
  EXPECT_NE(m, StandinRegisterModule("plat.dll", nullptr));  // handles are not reused
}

TEST_F(ModuleTest, GetModuleFileNameReportsTheSetPathAndTruncates) {
  HMODULE lib = StandinRegisterModule("pelluxgl.dll", nullptr);
  char name[MAX_PATH];
  EXPECT_EQ(12u, GetModuleFileNameA(lib, name, sizeof name));
  EXPECT_STREQ("pelluxgl.dll", name);

  StandinSetModuleFileName(lib, "C:\\Games\\OPENGL32.DLL");
  EXPECT_EQ(21u, GetModuleFileNameA(lib, name, sizeof name));
  EXPECT_STREQ("C:\\Games\\OPENGL32.DLL", name);
  EXPECT_EQ(lib, LoadLibraryA("opengl32.dll"));  // found by its new name
  FreeLibrary(lib);

  SetLastError(0);
  EXPECT_EQ(8u, GetModuleFileNameA(lib, name, 8));
  EXPECT_STREQ("C:\\Game", name);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  StandinSetModuleFileName(nullptr, "C:\\Tools\\mdgview.exe");
  EXPECT_EQ(20u, GetModuleFileNameA(nullptr, name, sizeof name));
  EXPECT_STREQ("C:\\Tools\\mdgview.exe", name);

  SetLastError(0);
  EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(0x1234), name, sizeof name));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
  StandinReset();
  GetModuleFileNameA(nullptr, name, sizeof name);
  EXPECT_STRNE("C:\\Tools\\mdgview.exe", name);
}

TEST_F(ModuleTest, DisableThreadLibraryCallsIsRecordedPerModule) {
  HMODULE lib = StandinRegisterModule("opengl32.dll", nullptr);
  EXPECT_FALSE(StandinThreadLibraryCallsDisabled(lib));
  EXPECT_TRUE(DisableThreadLibraryCalls(lib));
  EXPECT_TRUE(StandinThreadLibraryCallsDisabled(lib));
  EXPECT_FALSE(DisableThreadLibraryCalls(reinterpret_cast<HMODULE>(0x1234)));
}

}  // namespace
