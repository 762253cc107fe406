// The in-memory registry: keys, DWORD and string values, access masks.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "standin/control.h"

namespace {

const char kKey[] = "Software\\Quentara\\OpenGL";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    keysBefore_ = StandinRegOpenKeyHandles();
  }
  void TearDown() override { EXPECT_EQ(keysBefore_, StandinRegOpenKeyHandles()) << "a key was left open"; }
  int keysBefore_ = 0;
};

// Reads a DWORD the way the library does; returns the error code.
LONG ReadDword(const char *subKey, const char *name, REGSAM access, DWORD *value, DWORD *type) {
  HKEY key = reinterpret_cast<HKEY>(1);
  LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, access, &key);
  if (result != ERROR_SUCCESS) {
    EXPECT_EQ(nullptr, key);
    return result;
  }
  DWORD size = sizeof *value;
  result = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<LPBYTE>(value), &size);
  if (result == ERROR_SUCCESS) {
    EXPECT_EQ(sizeof *value, size);
  }
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  return result;
}

TEST_F(RegistryTest, DwordValuesByKeyAndValueName) {
  StandinRegSetDword(HKEY_LOCAL_MACHINE, kKey, "ErrorLog", 1);
  StandinRegSetDword(HKEY_CURRENT_USER, "Software\\Other", "ErrorLog", 9);
  struct Case {
    const char *subKey;
    const char *name;
    LONG result;
    DWORD value;
  };
  const Case cases[] = {
      {kKey, "ErrorLog", ERROR_SUCCESS, 1},
      {"SOFTWARE\\quentara\\opengl", "errorlog", ERROR_SUCCESS, 1},  // names ignore case
      {"Software\\Quentara\\OpenGL\\", "ErrorLog", ERROR_SUCCESS, 1},
      {kKey, "Missing", ERROR_FILE_NOT_FOUND, 0},
      {"Software\\Quentara\\Missing", "ErrorLog", ERROR_FILE_NOT_FOUND, 0},
      {"Software\\Other", "ErrorLog", ERROR_FILE_NOT_FOUND, 0},  // lives under another root
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.subKey) + " / " + c.name);
    DWORD value = 0, type = 0;
    EXPECT_EQ(c.result, ReadDword(c.subKey, c.name, KEY_ALL_ACCESS, &value, &type));
    if (c.result == ERROR_SUCCESS) {
      EXPECT_EQ(c.value, value);
      EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    }
  }
}

TEST_F(RegistryTest, ParentKeysExistAndResetEmptiesTheStore) {
  StandinRegSetDword(HKEY_LOCAL_MACHINE, kKey, "ErrorLog", 1);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quentara", 0, KEY_READ, &key));
  HKEY child;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, "OpenGL", 0, KEY_READ, &child));
  DWORD value = 0, size = sizeof value;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(child, "ErrorLog", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size));
  EXPECT_EQ(1u, value);
  RegCloseKey(child);
  RegCloseKey(key);
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));

  StandinReset();
  DWORD type;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadDword(kKey, "ErrorLog", KEY_ALL_ACCESS, &value, &type));
}

TEST_F(RegistryTest, OpenRecordsTheAccessMaskAndDeniedRightsFail) {
  StandinRegSetDword(HKEY_LOCAL_MACHINE, kKey, "ErrorLog", 1);
  struct Case {
    REGSAM denied;
    REGSAM asked;
    LONG result;
  };
  // What an ordinary user may not do under HKEY_LOCAL_MACHINE.
  const REGSAM user = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
  const Case cases[] = {
      {0, KEY_ALL_ACCESS, ERROR_SUCCESS},
      {user, KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},
      {user, KEY_WRITE, ERROR_ACCESS_DENIED},
      {user, KEY_QUERY_VALUE, ERROR_SUCCESS},
      {user, KEY_READ, ERROR_SUCCESS},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.asked);
    StandinRegDenyAccess(c.denied);
    int opens = StandinRegOpenCount();
    DWORD value = 0, type = 0;
    EXPECT_EQ(c.result, ReadDword(kKey, "ErrorLog", c.asked, &value, &type));
    EXPECT_EQ(c.asked, StandinRegLastOpenAccess());
    EXPECT_EQ(opens + 1, StandinRegOpenCount());
  }
  EXPECT_EQ(static_cast<REGSAM>(0xF003F), static_cast<REGSAM>(KEY_ALL_ACCESS));
}

TEST_F(RegistryTest, QueryNeedsQueryRightAndReportsSizes) {
  StandinRegSetString(HKEY_LOCAL_MACHINE, kKey, "Name", "quentara");
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key));
  DWORD size = 0;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExA(key, "Name", nullptr, nullptr, nullptr, &size));
  RegCloseKey(key);

  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key));
  DWORD type = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(9u, size);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<LPBYTE>(small), &size));
  EXPECT_EQ(9u, size);
  char text[16];
  size = sizeof text;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size));
  EXPECT_STREQ("quentara", text);
  RegCloseKey(key);
}

TEST_F(RegistryTest, ProgramsCanCreateKeysAndSetValues) {
  HKEY key;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tool", 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  DWORD value = 77;
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), 4));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "software\\tool", 0, nullptr, 0, KEY_READ, nullptr,
                                           &key, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), 4));
  value = 0;
  DWORD size = sizeof value;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "COUNT", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size));
  EXPECT_EQ(77u, value);
  RegCloseKey(key);
}

}  // namespace
