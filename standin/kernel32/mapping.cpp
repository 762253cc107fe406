// Read-only file mappings and the wide-name CreateFile. A mapping holds a copy of the file's
// contents taken when it is created; each view is its own copy of the range it maps.
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "standin/control.h"
#include "standin_internal.h"

namespace standin {
namespace {

constexpr DWORD kAllocationGranularity = 0x10000;

struct MappingObject : Object {
  std::vector<BYTE> contents;
};

struct Views {
  std::mutex lock;
  std::map<const void *, std::vector<BYTE>> views;
};

Views &AllViews() {
  static auto *views = new Views;
  return *views;
}

HANDLE FailHandle(DWORD error) {
  SetLastError(error);
  return nullptr;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

// Names outside 7-bit ASCII cannot be expressed on the host: they fail as an invalid name.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  if (!lpFileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string name;
  for (const WCHAR *p = lpFileName; *p; ++p) {
    if (*p < 1 || *p > 0x7F) {
      SetLastError(ERROR_INVALID_NAME);
      return INVALID_HANDLE_VALUE;
    }
    name.push_back(static_cast<char>(*p));
  }
  return CreateFileA(name.c_str(), dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                     dwFlagsAndAttributes, hTemplateFile);
}

// Read-only protections only; the size asked for may not exceed the file.
HANDLE WINAPI CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect, DWORD dwMaximumSizeHigh,
                                 DWORD dwMaximumSizeLow, LPCSTR lpName) {
  if (lpName) return FailHandle(ERROR_NOT_SUPPORTED);
  if ((flProtect & 0xFF) != PAGE_READONLY && (flProtect & 0xFF) != PAGE_WRITECOPY)
    return FailHandle(ERROR_INVALID_PARAMETER);
  DWORD high = 0;
  DWORD size = GetFileSize(hFile, &high);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return FailHandle(ERROR_INVALID_HANDLE);
  if (high != 0 || dwMaximumSizeHigh != 0) return FailHandle(ERROR_NOT_ENOUGH_MEMORY);
  DWORD wanted = dwMaximumSizeLow ? dwMaximumSizeLow : size;
  if (wanted == 0) return FailHandle(ERROR_INVALID_PARAMETER);
  if (wanted > size) return FailHandle(ERROR_ACCESS_DENIED);
  auto mapping = std::make_shared<MappingObject>();
  mapping->contents.resize(wanted);
  OVERLAPPED at{};
  DWORD got = 0;
  if (!ReadFile(hFile, mapping->contents.data(), wanted, &got, &at) || got != wanted)
    return FailHandle(ERROR_READ_FAULT);
  SetLastError(NO_ERROR);
  return NewHandle(mapping);
}

LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                            DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
  std::shared_ptr<MappingObject> mapping = HandleAs<MappingObject>(hFileMappingObject);
  if (!mapping) return nullptr;
  if (dwDesiredAccess & FILE_MAP_WRITE) return FailHandle(ERROR_ACCESS_DENIED);
  const size_t total = mapping->contents.size();
  if (dwFileOffsetHigh != 0 || dwFileOffsetLow % kAllocationGranularity != 0 || dwFileOffsetLow >= total)
    return FailHandle(ERROR_INVALID_PARAMETER);
  size_t length = dwNumberOfBytesToMap ? dwNumberOfBytesToMap : total - dwFileOffsetLow;
  if (length > total - dwFileOffsetLow) return FailHandle(ERROR_ACCESS_DENIED);
  std::vector<BYTE> view(mapping->contents.begin() + dwFileOffsetLow,
                         mapping->contents.begin() + dwFileOffsetLow + length);
  Views &views = AllViews();
  std::lock_guard<std::mutex> guard(views.lock);
  const void *address = view.data();
  views.views.emplace(address, std::move(view));  // moving keeps the buffer's address
  return const_cast<void *>(address);
}

BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress) {
  Views &views = AllViews();
  std::lock_guard<std::mutex> guard(views.lock);
  if (views.views.erase(lpBaseAddress) == 0) {
    SetLastError(ERROR_INVALID_ADDRESS);
    return FALSE;
  }
  return TRUE;
}

int StandinMappedViewCount(void) {
  Views &views = AllViews();
  std::lock_guard<std::mutex> guard(views.lock);
  return static_cast<int>(views.views.size());
}

}  // extern "C"
