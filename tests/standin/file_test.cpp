// Files: creation dispositions, write and read back, names relative to the current directory.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "standin/control.h"

namespace {

// Each test runs in a fresh temporary directory that becomes the current directory.
class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    char pattern[] = "/tmp/standin-file-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
    char old[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryA(sizeof old, old));
    oldDir_ = old;
    ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryA(oldDir_.c_str());
    std::filesystem::remove_all(dir_);
  }

  static HANDLE Open(const char *name, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, FALSE};
    return CreateFileA(name, access, 0, &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static void Write(const char *name, const char *text) {
    HANDLE h = Open(name, GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, text, lstrlenA(text), &written, nullptr));
    ASSERT_EQ(static_cast<DWORD>(lstrlenA(text)), written);
    CloseHandle(h);
  }
  static std::string Read(const char *name) {
    HANDLE h = Open(name, GENERIC_READ, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[256];
    DWORD got = 0;
    BOOL ok = ReadFile(h, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(h);
    return ok ? std::string(buffer, got) : "<unreadable>";
  }

  std::string dir_, oldDir_;
};

TEST_F(FileTest, WrittenBytesReadBackFromTheCurrentDirectory) {
  Write("OGLError.txt", "WGL Message:hello\n");
  EXPECT_EQ("WGL Message:hello\n", Read("OGLError.txt"));
  EXPECT_EQ(0, access((dir_ + "/OGLError.txt").c_str(), F_OK));
}

TEST_F(FileTest, CreationDispositions) {
  struct Case {
    const char *what;
    bool exists;
    DWORD disposition;
    bool opens;
    DWORD lastError;
    const char *contentAfter;  // after writing "new"
  };
  const Case cases[] = {
      {"create always, missing", false, CREATE_ALWAYS, true, ERROR_SUCCESS, "new"},
      {"create always truncates", true, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, "new"},
      {"create new, missing", false, CREATE_NEW, true, ERROR_SUCCESS, "new"},
      {"create new, existing", true, CREATE_NEW, false, ERROR_FILE_EXISTS, "old contents"},
      {"open existing, missing", false, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, "<missing>"},
      {"open existing keeps the rest", true, OPEN_EXISTING, true, ERROR_SUCCESS, "new contents"},
      {"open always, existing", true, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, "new contents"},
      {"truncate existing", true, TRUNCATE_EXISTING, true, ERROR_SUCCESS, "new"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA("f.txt");
    if (c.exists) Write("f.txt", "old contents");
    SetLastError(12345);
    HANDLE h = Open("f.txt", GENERIC_WRITE, c.disposition);
    EXPECT_EQ(c.opens, h != INVALID_HANDLE_VALUE);
    EXPECT_EQ(c.lastError, GetLastError());
    if (h != INVALID_HANDLE_VALUE) {
      WriteFile(h, "new", 3, nullptr, nullptr);
      CloseHandle(h);
    }
    EXPECT_EQ(c.contentAfter, Read("f.txt"));
  }
}

TEST_F(FileTest, BackslashesSeparateDirectories) {
  ASSERT_EQ(0, mkdir("sub", 0755));
  Write("sub\\inner.txt", "x");
  EXPECT_EQ("x", Read("sub/inner.txt"));
  EXPECT_TRUE(DeleteFileA("sub\\inner.txt"));
  EXPECT_EQ("<missing>", Read("sub/inner.txt"));
}

TEST_F(FileTest, AccessModeIsEnforcedAndPositionsMove) {
  Write("f.txt", "0123456789");
  HANDLE h = Open("f.txt", GENERIC_READ, OPEN_EXISTING);
  DWORD n = 0;
  SetLastError(0);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(10u, GetFileSize(h, nullptr));
  EXPECT_EQ(7u, SetFilePointer(h, -3, nullptr, FILE_END));
  char buffer[8] = {};
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(3u, n);
  EXPECT_STREQ("789", buffer);
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));  // end of file
  EXPECT_EQ(0u, n);
  CloseHandle(h);
  EXPECT_FALSE(ReadFile(h, buffer, 1, &n, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

}  // namespace
