// Version, debugger output, message boxes, clocks and lstr* functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <thread>

#include "standin/control.h"

namespace {

class MiscTest : public ::testing::Test {
 protected:
  void SetUp() override { StandinReset(); }
};

TEST_F(MiscTest, VersionReportsThePlatformTheTestSets) {
  static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA size");
  struct Case {
    DWORD platformId;
    DWORD major, minor;
  };
  const Case cases[] = {{VER_PLATFORM_WIN32_NT, 4, 0}, {VER_PLATFORM_WIN32_WINDOWS, 4, 10}};
  EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), StandinPlatformId());  // the default
  for (const Case &c : cases) {
    SCOPED_TRACE(c.platformId);
    StandinSetPlatformId(c.platformId);
    OSVERSIONINFOA info;
    std::memset(&info, 0xAB, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(148u, info.dwOSVersionInfoSize);
    EXPECT_EQ(c.platformId, info.dwPlatformId);
    EXPECT_EQ(c.major, info.dwMajorVersion);
    EXPECT_EQ(c.minor, info.dwMinorVersion);
    EXPECT_LT(std::strlen(info.szCSDVersion), sizeof info.szCSDVersion);
    EXPECT_EQ(c.major, LOBYTE(GetVersion()));
    EXPECT_EQ(c.platformId != VER_PLATFORM_WIN32_NT, (GetVersion() & 0x80000000u) != 0);
  }
}

TEST_F(MiscTest, VersionFailures) {
  OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = 100;
  SetLastError(0);
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  info.dwOSVersionInfoSize = sizeof info;
  StandinFailGetVersion(TRUE);
  EXPECT_FALSE(GetVersionExA(&info));
  StandinReset();
  EXPECT_TRUE(GetVersionExA(&info));
}

TEST_F(MiscTest, DebugOutputIsCapturedFromEveryThreadUntilCleared) {
  EXPECT_STREQ("", StandinDebugOutput());
  OutputDebugStringA("WGL Message:one\n");
  std::thread([] { OutputDebugStringA("OGL ERR:two\n"); }).join();
  OutputDebugStringA(nullptr);
  EXPECT_STREQ("WGL Message:one\nOGL ERR:two\n", StandinDebugOutput());
  StandinClearDebugOutput();
  EXPECT_STREQ("", StandinDebugOutput());
  OutputDebugStringA("x");
  StandinReset();
  EXPECT_STREQ("", StandinDebugOutput());
}

TEST_F(MiscTest, MessageBoxesAreRecordedAndAnswered) {
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "A required .DLL file, OPENGL32.DLL, was not found.", "Error Starting Program",
                              MB_SYSTEMMODAL | MB_ICONWARNING));
  StandinSetMessageBoxResult(IDCANCEL);
  EXPECT_EQ(IDCANCEL, MessageBoxA(reinterpret_cast<HWND>(8), "second", nullptr, MB_OK));
  ASSERT_EQ(2, StandinMessageBoxCount());
  EXPECT_STREQ("A required .DLL file, OPENGL32.DLL, was not found.", StandinMessageBoxText(0));
  EXPECT_STREQ("Error Starting Program", StandinMessageBoxCaption(0));
  EXPECT_EQ(static_cast<UINT>(MB_SYSTEMMODAL | MB_ICONWARNING), StandinMessageBoxType(0));
  EXPECT_EQ(0x1030u, StandinMessageBoxType(0));
  EXPECT_EQ(reinterpret_cast<HWND>(8), StandinMessageBoxOwner(1));
  EXPECT_EQ(nullptr, StandinMessageBoxText(2));
  StandinReset();
  EXPECT_EQ(0, StandinMessageBoxCount());
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "", "", MB_OK));
}

TEST_F(MiscTest, ClocksMoveForward) {
  LARGE_INTEGER frequency, a, b;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_GT(frequency.QuadPart, 0);
  DWORD t0 = GetTickCount();
  QueryPerformanceCounter(&a);
  Sleep(20);
  QueryPerformanceCounter(&b);
  DWORD t1 = GetTickCount();
  EXPECT_GE(t1 - t0, 19u);
  EXPECT_GE(b.QuadPart - a.QuadPart, frequency.QuadPart / 1000 * 19);
}

TEST_F(MiscTest, StringFunctions) {
  struct Case {
    const char *a, *b;
    int cmp, cmpi;
  };
  const Case cases[] = {{"abc", "abc", 0, 0}, {"abc", "ABC", 1, 0}, {"abc", "abd", -1, -1}, {"", "a", -1, -1},
                        {"opengl32.dll", "OPENGL32.DLL", 1, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(c.cmp, lstrcmpA(c.a, c.b));
    EXPECT_EQ(c.cmpi, lstrcmpiA(c.a, c.b));
  }
  EXPECT_EQ(0, lstrlenA(nullptr));
  EXPECT_EQ(3, lstrlenA("abc"));
  char buffer[8];
  lstrcpynA(buffer, "truncated", 5);
  EXPECT_STREQ("trun", buffer);
  lstrcpyA(buffer, "ab");
  lstrcatA(buffer, "cd");
  EXPECT_STREQ("abcd", buffer);
}

TEST_F(MiscTest, WordAndByteMacros) {
  EXPECT_EQ(0x56781234, MAKELONG(0x1234, 0x5678));
  EXPECT_EQ(0x1234, LOWORD(0x56781234));
  EXPECT_EQ(0x5678, HIWORD(0x56781234));
  EXPECT_EQ(0x3412, MAKEWORD(0x12, 0x34));
  EXPECT_EQ(0x12, LOBYTE(0x3412));
  EXPECT_EQ(0x34, HIBYTE(0x3412));
  EXPECT_EQ(0xFFFF, HIWORD(MAKELPARAM(1, -1)));
}

}  // namespace
