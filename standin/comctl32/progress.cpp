// The progress bar control ("msctls_progress32"), registered by InitCommonControls(Ex).
#include <map>
#include <mutex>

#include <commctrl.h>

#include "standin/control.h"

namespace {

struct Progress {
  int low = 0, high = 100, step = 10, position = 0;
};

struct ProgressState {
  std::mutex lock;
  std::map<HWND, Progress> bars;
};

ProgressState &Bars() {
  static auto *state = new ProgressState;
  return *state;
}

int Clamp(const Progress &p, int value) { return value < p.low ? p.low : value > p.high ? p.high : value; }

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg < PBM_SETRANGE || msg > PBM_GETPOS) {
    if (msg == WM_NCDESTROY) {
      std::lock_guard<std::mutex> guard(Bars().lock);
      Bars().bars.erase(hwnd);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  std::lock_guard<std::mutex> guard(Bars().lock);
  Progress &p = Bars().bars[hwnd];
  const int previous = p.position;
  switch (msg) {
    case PBM_SETRANGE: {
      const LRESULT old = MAKELRESULT(p.low, p.high);
      p.low = LOWORD(lParam), p.high = HIWORD(lParam);
      p.position = Clamp(p, p.position);
      return old;
    }
    case PBM_SETRANGE32: {
      const LRESULT old = MAKELRESULT(p.low, p.high);
      p.low = int(wParam), p.high = int(lParam);
      p.position = Clamp(p, p.position);
      return old;
    }
    case PBM_SETPOS: p.position = Clamp(p, int(wParam)); return previous;
    case PBM_DELTAPOS: p.position = Clamp(p, p.position + int(wParam)); return previous;
    case PBM_SETSTEP: {
      const int old = p.step;
      p.step = int(wParam);
      return old;
    }
    case PBM_STEPIT:
      // Past the end the bar starts again from the bottom, as the platform's does.
      p.position = p.position + p.step > p.high ? p.low + (p.position + p.step - p.high) : p.position + p.step;
      return previous;
    case PBM_GETPOS: return p.position;
  }
  return 0;
}

}  // namespace

extern "C" {

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX *picce) {
  if (!picce || picce->dwSize != sizeof *picce) return FALSE;
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = ProgressProc;
    wc.lpszClassName = PROGRESS_CLASSA;
    RegisterClassA(&wc);
  });
  return TRUE;
}

void WINAPI InitCommonControls(void) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);
}

BOOL StandinProgressState(HWND bar, int *low, int *high, int *step, int *position) {
  std::lock_guard<std::mutex> guard(Bars().lock);
  auto it = Bars().bars.find(bar);
  if (it == Bars().bars.end()) {
    if (!IsWindow(bar)) return FALSE;
    it = Bars().bars.emplace(bar, Progress{}).first;
  }
  if (low) *low = it->second.low;
  if (high) *high = it->second.high;
  if (step) *step = it->second.step;
  if (position) *position = it->second.position;
  return TRUE;
}

}  // extern "C"
