// Window hooks: per-thread chains (plus global hooks), called newest first, each hook passing
// on through CallNextHookEx. A thread's hooks go when the thread ends.
#include <map>
#include <mutex>
#include <vector>

#include "standin/control.h"
#include "user32_internal.h"

namespace standin {
namespace {

struct Hook {
  int idHook;
  HOOKPROC proc;
  HINSTANCE module;
  DWORD threadId;  // 0: every thread
};

struct HookState {
  std::mutex lock;
  std::map<uintptr_t, Hook> hooks;  // by handle value; newer hooks have larger values
  uintptr_t nextHandle = 0x00010004;
  bool failNextHook = false;
  bool failNextUnhook = false;
};

HookState &Hooks() {
  static auto *state = new HookState;
  return *state;
}

// A chain being run on this thread: the handles still to call, in order. Each
// lives in the frame of the call that runs it, linked to the delivery it
// interrupted; the thread keeps only a plain pointer to the innermost, which
// stays usable while exit handlers run (a destructible per-thread object would
// already be freed by then).
struct Delivery {
  std::vector<uintptr_t> chain;
  size_t next;
  Delivery *outer;
};
__thread Delivery *innermost;

void ResetHooks() {
  HookState &state = Hooks();
  std::lock_guard<std::mutex> guard(state.lock);
  state.failNextHook = false;
  state.failNextUnhook = false;
}

ResetRegistrar resetHooks(ResetHooks);

void RemoveThreadHooks(DWORD threadId) {
  HookState &state = Hooks();
  std::lock_guard<std::mutex> guard(state.lock);
  for (auto it = state.hooks.begin(); it != state.hooks.end();)
    it = it->second.threadId == threadId ? state.hooks.erase(it) : std::next(it);
}

ThreadExitRegistrar removeHooksAtExit(RemoveThreadHooks);

// Calls the next hook of the innermost delivery that is still installed; 0 at the end.
LRESULT CallNext(int code, WPARAM wParam, LPARAM lParam) {
  if (!innermost) return 0;
  for (;;) {
    HOOKPROC proc = nullptr;
    {
      Delivery &delivery = *innermost;
      if (delivery.next >= delivery.chain.size()) return 0;
      uintptr_t handle = delivery.chain[delivery.next++];
      HookState &state = Hooks();
      std::lock_guard<std::mutex> guard(state.lock);
      auto it = state.hooks.find(handle);
      if (it != state.hooks.end()) proc = it->second.proc;
    }
    if (proc) return proc(code, wParam, lParam);
  }
}

}  // namespace

LRESULT CallHookChain(int idHook, int code, WPARAM wParam, LPARAM lParam) {
  Delivery delivery{{}, 0, innermost};
  {
    HookState &state = Hooks();
    std::lock_guard<std::mutex> guard(state.lock);
    DWORD self = GetCurrentThreadId();
    for (DWORD owner : {self, DWORD(0)})
      for (auto it = state.hooks.rbegin(); it != state.hooks.rend(); ++it)
        if (it->second.idHook == idHook && it->second.threadId == owner) delivery.chain.push_back(it->first);
  }
  if (delivery.chain.empty()) return 0;
  innermost = &delivery;
  struct Pop {
    Delivery *outer;
    ~Pop() { innermost = outer; }
  } pop{delivery.outer};
  return CallNext(code, wParam, lParam);
}

LRESULT CallWndProcHooks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool fromThisThread) {
  CWPSTRUCT cwp;
  cwp.lParam = lParam;
  cwp.wParam = wParam;
  cwp.message = msg;
  cwp.hwnd = hwnd;
  return CallHookChain(WH_CALLWNDPROC, HC_ACTION, fromThisThread ? 1 : 0, reinterpret_cast<LPARAM>(&cwp));
}

}  // namespace standin

using namespace standin;

extern "C" {

HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
  if (idHook < WH_MIN || idHook > WH_MAX) {
    SetLastError(ERROR_INVALID_HOOK_FILTER);
    return nullptr;
  }
  if (!lpfn) {
    SetLastError(ERROR_INVALID_FILTER_PROC);
    return nullptr;
  }
  HookState &state = Hooks();
  {
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.failNextHook) {
      state.failNextHook = false;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  if (dwThreadId == GetCurrentThreadId()) WatchThreadExit();
  std::lock_guard<std::mutex> guard(state.lock);
  uintptr_t handle = state.nextHandle;
  state.nextHandle += 4;
  state.hooks[handle] = Hook{idHook, lpfn, hmod, dwThreadId};
  return reinterpret_cast<HHOOK>(handle);
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk) {
  HookState &state = Hooks();
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.failNextUnhook) {
    state.failNextUnhook = false;
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  if (state.hooks.erase(reinterpret_cast<uintptr_t>(hhk)) == 0) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// As on NT, the hook handle is not needed to find the next hook: the thread's current
// delivery knows where it is.
LRESULT WINAPI CallNextHookEx(HHOOK, int nCode, WPARAM wParam, LPARAM lParam) {
  return CallNext(nCode, wParam, lParam);
}

void StandinFailNextHook(void) {
  std::lock_guard<std::mutex> guard(Hooks().lock);
  Hooks().failNextHook = true;
}

void StandinFailNextUnhook(void) {
  std::lock_guard<std::mutex> guard(Hooks().lock);
  Hooks().failNextUnhook = true;
}

int StandinHookCount(DWORD threadId) {
  std::lock_guard<std::mutex> guard(Hooks().lock);
  int count = 0;
  for (const auto &entry : Hooks().hooks)
    if (entry.second.threadId == threadId) ++count;
  return count;
}

BOOL StandinHookInfo(HHOOK hook, int *idHook, HOOKPROC *proc, HINSTANCE *module, DWORD *threadId) {
  std::lock_guard<std::mutex> guard(Hooks().lock);
  auto it = Hooks().hooks.find(reinterpret_cast<uintptr_t>(hook));
  if (it == Hooks().hooks.end()) return FALSE;
  if (idHook) *idHook = it->second.idHook;
  if (proc) *proc = it->second.proc;
  if (module) *module = it->second.module;
  if (threadId) *threadId = it->second.threadId;
  return TRUE;
}

LRESULT StandinDeliverCallWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWndProcHooks(hwnd, msg, wParam, lParam, false);
}

}  // extern "C"
