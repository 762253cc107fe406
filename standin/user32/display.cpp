// Display settings: one display that runs the desktop's mode (the registry mode) or, for
// full-screen programs, 640 x 480, the accelerator board's size. A change notifies every window
// with WM_DISPLAYCHANGE.
#include <string.h>

#include <mutex>

#include "../gdi32/gdi32_internal.h"
#include "standin/control.h"
#include "user32_internal.h"

namespace standin {
namespace {

constexpr DWORD kFrequency = 60;

struct Display {
  std::mutex lock;
  bool registrySet = false;  // else the registry mode is the mode at the first change
  DisplayMode registry{};
};

Display &TheDisplay() {
  static auto *display = new Display;
  return *display;
}

void ResetDisplay() {
  Display &d = TheDisplay();
  std::lock_guard<std::mutex> guard(d.lock);
  d.registrySet = false;
}

ResetRegistrar resetDisplay(ResetDisplay);

DisplayMode RegistryMode() {
  Display &d = TheDisplay();
  std::lock_guard<std::mutex> guard(d.lock);
  if (!d.registrySet) {
    d.registry = CurrentDisplayMode();
    d.registrySet = true;
  }
  return d.registry;
}

// Whether the caller's DEVMODEA reaches the field at `offset` of `size` bytes.
bool Covers(const DEVMODEA &dm, size_t offset, size_t size) { return dm.dmSize >= offset + size; }

void Describe(const DisplayMode &m, LPDEVMODEA dm) {
  if (Covers(*dm, offsetof(DEVMODEA, dmDeviceName), sizeof dm->dmDeviceName))
    strncpy(reinterpret_cast<char *>(dm->dmDeviceName), "DISPLAY", sizeof dm->dmDeviceName);
  dm->dmSpecVersion = DM_SPECVERSION;
  dm->dmDriverExtra = 0;
  dm->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFLAGS | DM_DISPLAYFREQUENCY;
  if (Covers(*dm, offsetof(DEVMODEA, dmPelsHeight), sizeof(DWORD))) {
    dm->dmBitsPerPel = m.bits;
    dm->dmPelsWidth = DWORD(m.width);
    dm->dmPelsHeight = DWORD(m.height);
  }
  if (Covers(*dm, offsetof(DEVMODEA, dmDisplayFrequency), sizeof(DWORD))) {
    dm->dmDisplayFlags = 0;
    dm->dmDisplayFrequency = kFrequency;
  }
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

// Fields the caller did not name (dmFields) keep the current mode's values; a mode change of
// CDS_UPDATEREGISTRY also becomes the mode that a null mode restores.
LONG WINAPI ChangeDisplaySettingsA(LPDEVMODEA lpDevMode, DWORD dwFlags) {
  const DisplayMode registry = RegistryMode();
  DisplayMode want = registry;
  if (lpDevMode) {
    const DEVMODEA &dm = *lpDevMode;
    if (!Covers(dm, offsetof(DEVMODEA, dmFields), sizeof(DWORD))) return DISP_CHANGE_BADPARAM;
    want = CurrentDisplayMode();
    if ((dm.dmFields & DM_BITSPERPEL) && Covers(dm, offsetof(DEVMODEA, dmBitsPerPel), sizeof(DWORD)))
      want.bits = dm.dmBitsPerPel;
    if ((dm.dmFields & DM_PELSWIDTH) && Covers(dm, offsetof(DEVMODEA, dmPelsWidth), sizeof(DWORD)))
      want.width = int(dm.dmPelsWidth);
    if ((dm.dmFields & DM_PELSHEIGHT) && Covers(dm, offsetof(DEVMODEA, dmPelsHeight), sizeof(DWORD)))
      want.height = int(dm.dmPelsHeight);
    if ((dm.dmFields & DM_DISPLAYFREQUENCY) && Covers(dm, offsetof(DEVMODEA, dmDisplayFrequency), sizeof(DWORD)) &&
        dm.dmDisplayFrequency > 1 && dm.dmDisplayFrequency != kFrequency)
      return DISP_CHANGE_BADMODE;
    if (!SupportedDisplayMode(want)) return DISP_CHANGE_BADMODE;
  }
  if (dwFlags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
  if (dwFlags & CDS_UPDATEREGISTRY) {
    Display &d = TheDisplay();
    std::lock_guard<std::mutex> guard(d.lock);
    d.registry = want;
  }
  const DisplayMode now = CurrentDisplayMode();
  if (now.bits != want.bits || now.width != want.width || now.height != want.height)
    StandinSetDisplayMode(want.bits, want.width, want.height, TRUE);
  return DISP_CHANGE_SUCCESSFUL;
}

BOOL WINAPI EnumDisplaySettingsA(LPCSTR lpszDeviceName, DWORD iModeNum, LPDEVMODEA lpDevMode) {
  if (!lpDevMode || (lpszDeviceName && strcmp(lpszDeviceName, "\\\\.\\DISPLAY1") != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DisplayMode mode;
  if (iModeNum == ENUM_CURRENT_SETTINGS)
    mode = CurrentDisplayMode();
  else if (iModeNum == ENUM_REGISTRY_SETTINGS)
    mode = RegistryMode();
  else if (iModeNum < sizeof kDisplayModes / sizeof kDisplayModes[0])
    mode = kDisplayModes[iModeNum];
  else
    return FALSE;
  Describe(mode, lpDevMode);
  return TRUE;
}

}  // extern "C"
