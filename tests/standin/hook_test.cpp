// The per-thread WH_CALLWNDPROC chain and its delivery.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "standin/control.h"

namespace {

// What the hooks saw, in call order.
std::string trace;
CWPSTRUCT lastSeen;
WPARAM lastWParam;
int lastCode;

template <char Tag, bool PassOn, LRESULT Result>
LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
  trace += Tag;
  lastCode = code;
  lastWParam = wParam;
  lastSeen = *reinterpret_cast<CWPSTRUCT *>(lParam);
  LRESULT next = PassOn ? CallNextHookEx(nullptr, code, wParam, lParam) : 0;
  return Result + next;
}

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    trace.clear();
    self_ = GetCurrentThreadId();
    before_ = StandinHookCount(self_);
  }
  void TearDown() override {
    for (HHOOK h : installed_) UnhookWindowsHookEx(h);
    EXPECT_EQ(before_, StandinHookCount(self_));
  }
  HHOOK Install(HOOKPROC proc) {
    HHOOK h = SetWindowsHookExA(WH_CALLWNDPROC, proc, nullptr, self_);
    if (h) installed_.push_back(h);
    return h;
  }
  DWORD self_ = 0;
  int before_ = 0;
  std::vector<HHOOK> installed_;
};

HWND Window(uintptr_t n) { return reinterpret_cast<HWND>(n); }

TEST_F(HookTest, NewestHookRunsFirstAndTheChainGoesOnThroughCallNextHookEx) {
  struct Case {
    const char *what;
    std::vector<HOOKPROC> installOrder;
    const char *trace;
    LRESULT result;
  };
  const Case cases[] = {
      {"no hook", {}, "", 0},
      {"one hook", {Hook<'a', true, 1>}, "a", 1},
      {"all pass on", {Hook<'a', true, 1>, Hook<'b', true, 10>, Hook<'c', true, 100>}, "cba", 111},
      {"middle stops", {Hook<'a', true, 1>, Hook<'b', false, 10>, Hook<'c', true, 100>}, "cb", 110},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    for (HOOKPROC proc : c.installOrder) ASSERT_NE(nullptr, Install(proc));
    EXPECT_EQ(before_ + static_cast<int>(c.installOrder.size()), StandinHookCount(self_));
    trace.clear();
    EXPECT_EQ(c.result, StandinDeliverCallWndProc(Window(0x40), WM_SIZE, 3, 4));
    EXPECT_EQ(c.trace, trace);
    for (HHOOK h : installed_) EXPECT_TRUE(UnhookWindowsHookEx(h));
    installed_.clear();
  }
}

TEST_F(HookTest, HooksGetTheMessageInACwpStruct) {
  Install(Hook<'a', true, 0>);
  struct Case {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  const Case cases[] = {{WM_DESTROY, 0, 0},
                        {WM_CLOSE, 0, 0},
                        {WM_WINDOWPOSCHANGED, 0, 0x1234},
                        {WM_DISPLAYCHANGE, 16, MAKELPARAM(640, 480)}};
  for (const Case &c : cases) {
    StandinDeliverCallWndProc(Window(0x88), c.msg, c.wParam, c.lParam);
    EXPECT_EQ(HC_ACTION, lastCode);
    EXPECT_EQ(0u, lastWParam);
    EXPECT_EQ(Window(0x88), lastSeen.hwnd);
    EXPECT_EQ(c.msg, lastSeen.message);
    EXPECT_EQ(c.wParam, lastSeen.wParam);
    EXPECT_EQ(c.lParam, lastSeen.lParam);
  }
  EXPECT_EQ(480, HIWORD(lastSeen.lParam));
}

TEST_F(HookTest, ChainsArePerThread) {
  Install(Hook<'m', true, 0>);
  DWORD otherId = 0;
  int otherCountWhileRunning = 0;
  std::thread([&] {
    otherId = GetCurrentThreadId();
    StandinDeliverCallWndProc(Window(1), WM_CLOSE, 0, 0);  // main thread's hook must not run
    HHOOK h = SetWindowsHookExA(WH_CALLWNDPROC, Hook<'o', true, 0>, nullptr, otherId);
    otherCountWhileRunning = StandinHookCount(otherId);
    StandinDeliverCallWndProc(Window(1), WM_CLOSE, 0, 0);
    (void)h;  // left installed: the thread's end removes it
  }).join();
  EXPECT_EQ("o", trace);
  EXPECT_EQ(1, otherCountWhileRunning);
  EXPECT_EQ(0, StandinHookCount(otherId));
  StandinDeliverCallWndProc(Window(1), WM_CLOSE, 0, 0);
  EXPECT_EQ("om", trace);
}

DWORD WINAPI HookThisThreadAndEnd(LPVOID id) {
  *static_cast<DWORD *>(id) = GetCurrentThreadId();
  SetWindowsHookExA(WH_CALLWNDPROC, Hook<'t', true, 0>, nullptr, GetCurrentThreadId());
  return 0;
}

TEST_F(HookTest, ACreatedThreadsHooksAreGoneOnceItsHandleIsSignalled) {
  for (int i = 0; i < 5; ++i) {
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, HookThisThreadAndEnd, &id, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
    CloseHandle(t);
    EXPECT_EQ(0, StandinHookCount(id));
  }
}

TEST_F(HookTest, InstallAndUnhookFailures) {
  StandinFailNextHook();
  EXPECT_EQ(nullptr, Install(Hook<'a', true, 0>));
  HHOOK h = Install(Hook<'a', true, 0>);
  ASSERT_NE(nullptr, h);

  int idHook = 0;
  HOOKPROC proc = nullptr;
  HINSTANCE module = reinterpret_cast<HINSTANCE>(1);
  DWORD thread = 0;
  ASSERT_TRUE(StandinHookInfo(h, &idHook, &proc, &module, &thread));
  EXPECT_EQ(WH_CALLWNDPROC, idHook);
  EXPECT_EQ(static_cast<HOOKPROC>(Hook<'a', true, 0>), proc);
  EXPECT_EQ(nullptr, module);
  EXPECT_EQ(self_, thread);

  StandinFailNextUnhook();
  EXPECT_FALSE(UnhookWindowsHookEx(h));
  EXPECT_EQ(before_ + 1, StandinHookCount(self_));
  EXPECT_TRUE(UnhookWindowsHookEx(h));
  installed_.clear();
  SetLastError(0);
  EXPECT_FALSE(UnhookWindowsHookEx(h));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HOOK_HANDLE), GetLastError());
  EXPECT_FALSE(StandinHookInfo(h, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0, CallNextHookEx(h, HC_ACTION, 0, 0));  // outside a delivery
}

LRESULT CALLBACK UnhookSelfThenPassOn(int code, WPARAM wParam, LPARAM lParam);
HHOOK selfHook;
LRESULT CALLBACK UnhookSelfThenPassOn(int code, WPARAM wParam, LPARAM lParam) {
  trace += 's';
  UnhookWindowsHookEx(selfHook);
  return CallNextHookEx(selfHook, code, wParam, lParam);
}

TEST_F(HookTest, AHookMayUnhookItselfDuringDelivery) {
  Install(Hook<'a', true, 5>);
  selfHook = SetWindowsHookExA(WH_CALLWNDPROC, UnhookSelfThenPassOn, nullptr, self_);
  EXPECT_EQ(5, StandinDeliverCallWndProc(Window(1), WM_CLOSE, 0, 0));
  EXPECT_EQ("sa", trace);
  EXPECT_EQ(before_ + 1, StandinHookCount(self_));
}

}  // namespace
