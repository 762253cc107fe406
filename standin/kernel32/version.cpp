// The platform version that GetVersionExA reports: NT 4.0 by default, or Windows 98 SE.
#include <atomic>
#include <cstring>

#include "standin/control.h"
#include "standin_internal.h"

namespace standin {
namespace {

std::atomic<DWORD> platformId{VER_PLATFORM_WIN32_NT};
std::atomic<bool> failGetVersion{false};

void ResetVersion() {
  platformId = VER_PLATFORM_WIN32_NT;
  failGetVersion = false;
}

ResetRegistrar resetVersion(ResetVersion);

struct Version {
  DWORD major, minor, build;
  const char *servicePack;
};

Version VersionOf(DWORD id) {
  switch (id) {
    case VER_PLATFORM_WIN32_WINDOWS: return {4, 10, 0x040A08AE, " A"};  // Windows 98 SE, 4.10.2222
    case VER_PLATFORM_WIN32s: return {3, 11, 0, ""};
    default: return {4, 0, 1381, "Service Pack 6"};  // NT 4.0
  }
}

}  // namespace

DWORD CurrentPlatformId() { return platformId; }

}  // namespace standin

using namespace standin;

extern "C" {

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (failGetVersion) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD id = platformId;
  Version v = VersionOf(id);
  DWORD size = info->dwOSVersionInfoSize;
  std::memset(info, 0, size);
  info->dwOSVersionInfoSize = size;
  info->dwMajorVersion = v.major;
  info->dwMinorVersion = v.minor;
  info->dwBuildNumber = v.build;
  info->dwPlatformId = id;
  std::strcpy(info->szCSDVersion, v.servicePack);
  if (size == sizeof(OSVERSIONINFOEXA) && id == VER_PLATFORM_WIN32_NT)
    reinterpret_cast<LPOSVERSIONINFOEXA>(info)->wServicePackMajor = 6;
  return TRUE;
}

// Low byte major, next byte minor; the high word is the NT build, or the top bit set on 9x.
DWORD WINAPI GetVersion(void) {
  DWORD id = platformId;
  Version v = VersionOf(id);
  DWORD high = id == VER_PLATFORM_WIN32_NT ? (v.build & 0x7FFF) : 0x8000 | (v.build & 0x7FFF);
  return v.major | (v.minor << 8) | (high << 16);
}

void StandinSetPlatformId(DWORD id) { platformId = id; }
DWORD StandinPlatformId(void) { return platformId; }
void StandinFailGetVersion(BOOL fail) { failGetVersion = fail != FALSE; }

}  // extern "C"
