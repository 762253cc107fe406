// The registry: an in-memory store of keys and values that tests fill. Key and value names
// compare without regard to case; a key exists when it or a key below it was created.
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "../kernel32/standin_internal.h"
#include "standin/control.h"

namespace standin {
namespace {

struct Value {
  DWORD type;
  std::vector<BYTE> data;
};

struct OpenKey {
  bool open;
  std::string path;
  REGSAM access;
};

constexpr uintptr_t kFirstKeyHandle = 0x1000;

struct Registry {
  std::mutex lock;
  std::map<std::string, std::map<std::string, Value>> keys;  // full path -> values by name
  std::vector<OpenKey> handles;                               // handle (kFirstKeyHandle + 4 * i)
  REGSAM lastOpenAccess = 0;
  int openCount = 0;
  REGSAM denied = 0;
};

Registry &Store() {
  static auto *registry = new Registry;
  return *registry;
}

void ResetRegistry() {
  Registry &reg = Store();
  std::lock_guard<std::mutex> guard(reg.lock);
  reg.keys.clear();
  reg.lastOpenAccess = 0;
  reg.openCount = 0;
  reg.denied = 0;
}

ResetRegistrar resetRegistry(ResetRegistry);

bool IsRoot(HKEY key) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  return value >= 0x80000000u && value <= 0x80000006u;
}

// "80000002\software\quentara\opengl": the root's number, then the lower-case parts.
std::string Join(const std::string &base, const char *subKey) {
  std::string path = base;
  std::string part;
  for (const char *p = subKey ? subKey : "";; ++p) {
    if (*p == '\\' || *p == 0) {
      if (!part.empty()) path += "\\" + Lower(part.c_str());
      part.clear();
      if (*p == 0) break;
    } else {
      part += *p;
    }
  }
  return path;
}

std::string RootPath(HKEY root) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(root)));
  return text;
}

// Caller holds the lock. Roots have every right; false for a key that is not open.
bool Resolve(Registry &reg, HKEY key, std::string *path, REGSAM *access) {
  if (IsRoot(key)) {
    *path = RootPath(key);
    *access = KEY_ALL_ACCESS;
    return true;
  }
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value < kFirstKeyHandle || (value - kFirstKeyHandle) % 4 != 0) return false;
  size_t i = (value - kFirstKeyHandle) / 4;
  if (i >= reg.handles.size() || !reg.handles[i].open) return false;
  *path = reg.handles[i].path;
  *access = reg.handles[i].access;
  return true;
}

bool Exists(const Registry &reg, const std::string &path) {
  if (path.find('\\') == std::string::npos) return true;  // a root
  auto it = reg.keys.lower_bound(path);
  if (it == reg.keys.end()) return false;
  return it->first == path || it->first.compare(0, path.size() + 1, path + "\\") == 0;
}

HKEY NewKeyHandle(Registry &reg, const std::string &path, REGSAM access) {
  size_t i = 0;
  while (i < reg.handles.size() && reg.handles[i].open) ++i;
  if (i == reg.handles.size()) reg.handles.emplace_back();
  reg.handles[i] = OpenKey{true, path, access};
  return reinterpret_cast<HKEY>(kFirstKeyHandle + 4 * i);
}

void Put(HKEY root, const char *subKey, const char *valueName, DWORD type, const void *data, size_t size) {
  Registry &reg = Store();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto &values = reg.keys[Join(RootPath(root), subKey)];
  if (!valueName) return;
  const BYTE *bytes = static_cast<const BYTE *>(data);
  values[Lower(valueName)] = Value{type, std::vector<BYTE>(bytes, bytes + size)};
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  Registry &reg = Store();
  std::lock_guard<std::mutex> guard(reg.lock);
  reg.lastOpenAccess = samDesired;
  ++reg.openCount;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::string base;
  REGSAM baseAccess;
  if (!Resolve(reg, hKey, &base, &baseAccess)) return ERROR_INVALID_HANDLE;
  std::string path = Join(base, lpSubKey);
  if (!Exists(reg, path)) return ERROR_FILE_NOT_FOUND;
  if (samDesired & reg.denied) return ERROR_ACCESS_DENIED;
  *phkResult = NewKeyHandle(reg, path, samDesired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  Registry &reg = Store();
  std::lock_guard<std::mutex> guard(reg.lock);
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::string base;
  REGSAM baseAccess;
  if (!Resolve(reg, hKey, &base, &baseAccess)) return ERROR_INVALID_HANDLE;
  if (samDesired & reg.denied) return ERROR_ACCESS_DENIED;
  std::string path = Join(base, lpSubKey);
  bool existed = Exists(reg, path);
  if (!existed) reg.keys[path];
  if (lpdwDisposition) *lpdwDisposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *phkResult = NewKeyHandle(reg, path, samDesired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  Registry &reg = Store();
  std::lock_guard<std::mutex> guard(reg.lock);
  std::string path;
  REGSAM access;
  if (!Resolve(reg, hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  auto key = reg.keys.find(path);
  if (key == reg.keys.end()) return ERROR_FILE_NOT_FOUND;
  auto value = key->second.find(Lower(lpValueName));
  if (value == key->second.end()) return ERROR_FILE_NOT_FOUND;
  const std::vector<BYTE> &data = value->second.data;
  if (lpType) *lpType = value->second.type;
  DWORD room = lpcbData ? *lpcbData : 0;
  if (lpcbData) *lpcbData = static_cast<DWORD>(data.size());
  if (!lpData) return ERROR_SUCCESS;
  if (room < data.size()) return ERROR_MORE_DATA;
  if (!data.empty()) std::memcpy(lpData, data.data(), data.size());
  return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE *lpData, DWORD cbData) {
  Registry &reg = Store();
  std::lock_guard<std::mutex> guard(reg.lock);
  std::string path;
  REGSAM access;
  if (!Resolve(reg, hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  reg.keys[path][Lower(lpValueName)] = Value{dwType, std::vector<BYTE>(lpData, lpData + cbData)};
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  Registry &reg = Store();
  std::lock_guard<std::mutex> guard(reg.lock);
  if (IsRoot(hKey)) return ERROR_SUCCESS;
  std::string path;
  REGSAM access;
  if (!Resolve(reg, hKey, &path, &access)) return ERROR_INVALID_HANDLE;
  reg.handles[(reinterpret_cast<uintptr_t>(hKey) - kFirstKeyHandle) / 4].open = false;
  return ERROR_SUCCESS;
}

void StandinRegSetDword(HKEY root, const char *subKey, const char *valueName, DWORD value) {
  Put(root, subKey, valueName, REG_DWORD, &value, sizeof value);
}

void StandinRegSetString(HKEY root, const char *subKey, const char *valueName, const char *value) {
  Put(root, subKey, valueName, REG_SZ, value, std::strlen(value) + 1);
}

void StandinRegCreateKey(HKEY root, const char *subKey) { Put(root, subKey, nullptr, REG_NONE, nullptr, 0); }

void StandinRegClear(void) {
  std::lock_guard<std::mutex> guard(Store().lock);
  Store().keys.clear();
}

REGSAM StandinRegLastOpenAccess(void) {
  std::lock_guard<std::mutex> guard(Store().lock);
  return Store().lastOpenAccess;
}

int StandinRegOpenCount(void) {
  std::lock_guard<std::mutex> guard(Store().lock);
  return Store().openCount;
}

int StandinRegOpenKeyHandles(void) {
  std::lock_guard<std::mutex> guard(Store().lock);
  int count = 0;
  for (const OpenKey &key : Store().handles)
    if (key.open) ++count;
  return count;
}

void StandinRegDenyAccess(REGSAM mask) {
  std::lock_guard<std::mutex> guard(Store().lock);
  Store().denied = mask;
}

}  // extern "C"
