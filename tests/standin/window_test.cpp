// Windows: geometry, window device contexts, message delivery through the owner thread's
// WH_CALLWNDPROC chain, broadcasts, and the per-thread message queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "standin/control.h"

namespace {

// One delivered message as the hook or the window procedure saw it.
struct Seen {
  char who;  // 'h' hook, 'p' window procedure
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  WINDOWPOS pos;    // WM_WINDOWPOSCHANGED
  DWORD thread;
  WPARAM hookFlag;  // the hook's wParam: sent by the receiving thread
};
thread_local std::vector<Seen> *seen;

bool Watched(UINT msg) {
  return msg == WM_DESTROY || msg == WM_CLOSE || msg == WM_WINDOWPOSCHANGED || msg == WM_PALETTECHANGED ||
         msg == WM_DISPLAYCHANGE || msg == WM_USER;
}

LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT *cwp = reinterpret_cast<const CWPSTRUCT *>(lParam);
  if (seen && Watched(cwp->message)) {
    Seen s{'h', cwp->hwnd, cwp->message, cwp->wParam, cwp->lParam, {}, GetCurrentThreadId(), wParam};
    if (cwp->message == WM_WINDOWPOSCHANGED) s.pos = *reinterpret_cast<const WINDOWPOS *>(cwp->lParam);
    seen->push_back(s);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (seen && Watched(msg)) seen->push_back(Seen{'p', hwnd, msg, wParam, lParam, {}, GetCurrentThreadId(), 0});
  if (msg == WM_USER) return 42;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// What the hook and procedure saw, as "h<msg>" / "p<msg>" tokens.
std::string Trace(const std::vector<Seen> &list) {
  std::string out;
  for (const Seen &s : list) out += std::string(1, s.who) + std::to_string(s.msg) + " ";
  return out;
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = "StandinTest";
  ASSERT_NE(0, RegisterClassA(&wc));
  wc.style = CS_OWNDC;
  wc.lpszClassName = "StandinOwnDc";
  ASSERT_NE(0, RegisterClassA(&wc));
  EXPECT_EQ(0, RegisterClassA(&wc));
  EXPECT_EQ(DWORD(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    RegisterClasses();
    seen = &list_;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    windows_ = StandinWindowCount();
    dcs_ = StandinDcCount();
  }
  void TearDown() override {
    UnhookWindowsHookEx(hook_);
    seen = nullptr;
    StandinReset();
    EXPECT_EQ(windows_, StandinWindowCount());
    EXPECT_EQ(dcs_, StandinDcCount());
  }
  HWND Make(const char *cls = "StandinTest", DWORD style = WS_OVERLAPPEDWINDOW, int x = 100, int y = 50, int w = 300,
            int h = 200) {
    return CreateWindowExA(0, cls, "test", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  }
  std::vector<Seen> list_;
  HHOOK hook_ = nullptr;
  int windows_ = 0, dcs_ = 0;
};

TEST_F(WindowTest, ClientAreaFollowsTheStyle) {
  const DWORD styles[] = {WS_POPUP, WS_POPUP | WS_BORDER, WS_OVERLAPPEDWINDOW, WS_CAPTION | WS_SYSMENU,
                          WS_OVERLAPPEDWINDOW | WS_VISIBLE};
  for (DWORD style : styles) {
    SCOPED_TRACE(testing::Message() << std::hex << style);
    RECT want{0, 0, 320, 240};
    ASSERT_TRUE(AdjustWindowRect(&want, style, FALSE));
    const int width = want.right - want.left, height = want.bottom - want.top;
    HWND hwnd = Make("StandinTest", style, 40, 30, width, height);
    ASSERT_NE(nullptr, hwnd);
    RECT client, window;
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(0, client.left);
    EXPECT_EQ(320, client.right);
    EXPECT_EQ(240, client.bottom);
    ASSERT_TRUE(GetWindowRect(hwnd, &window));
    EXPECT_EQ(40, window.left);
    EXPECT_EQ(30 + height, window.bottom);
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(hwnd, &origin));
    EXPECT_EQ(40 - want.left, origin.x);
    EXPECT_EQ(30 - want.top, origin.y);
    ASSERT_TRUE(ScreenToClient(hwnd, &origin));
    EXPECT_EQ(0, origin.x);
    EXPECT_EQ(0, origin.y);
    EXPECT_EQ((style & WS_VISIBLE) != 0, IsWindowVisible(hwnd) != 0);
    DWORD process = 0;
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(hwnd, &process));
    DestroyWindow(hwnd);
  }
}

// An overlapped window always has a title bar: WS_BORDER alone gives a border and a caption.
TEST_F(WindowTest, OverlappedWindowsGetACaption) {
  HWND hwnd = Make("StandinTest", WS_BORDER, 0, 0, 640, 480);
  ASSERT_NE(nullptr, hwnd);
  const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  EXPECT_EQ(LONG(WS_CAPTION), style & WS_CAPTION);
  EXPECT_TRUE(style & WS_CLIPSIBLINGS);
  RECT client, frame{0, 0, 0, 0};
  ASSERT_TRUE(GetClientRect(hwnd, &client));
  ASSERT_TRUE(AdjustWindowRect(&frame, WS_CAPTION, FALSE));
  EXPECT_EQ(640 - (frame.right - frame.left), client.right);
  EXPECT_EQ(480 - (frame.bottom - frame.top), client.bottom);
  DestroyWindow(hwnd);
}

TEST_F(WindowTest, CreationFailures) {
  EXPECT_EQ(nullptr, Make("NoSuchClass"));
  EXPECT_EQ(DWORD(ERROR_CANNOT_FIND_WND_CLASS), GetLastError());
  EXPECT_EQ(nullptr, Make("StandinTest", WS_CHILD));
  EXPECT_EQ(DWORD(ERROR_TLW_WITH_WSCHILD), GetLastError());
}

TEST_F(WindowTest, WindowDcsMapBackToTheirWindow) {
  HWND hwnd = Make();
  HDC a = GetDC(hwnd), b = GetDC(hwnd), whole = GetWindowDC(hwnd);
  EXPECT_NE(a, b);
  for (HDC dc : {a, b, whole}) {
    EXPECT_EQ(OBJ_DC, GetObjectType(dc));
    EXPECT_EQ(hwnd, WindowFromDC(dc));
    EXPECT_EQ(16, GetDeviceCaps(dc, BITSPIXEL));
  }
  EXPECT_FALSE(DeleteDC(a));  // window DCs are released, not deleted
  EXPECT_EQ(1, ReleaseDC(hwnd, a));
  EXPECT_EQ(0, GetObjectType(a));
  EXPECT_EQ(0, ReleaseDC(hwnd, a));
  EXPECT_EQ(1, ReleaseDC(hwnd, whole));
  HDC memory = CreateCompatibleDC(b);
  EXPECT_EQ(nullptr, WindowFromDC(memory));
  DeleteDC(memory);
  DestroyWindow(hwnd);  // takes b with it
  EXPECT_EQ(0, GetObjectType(b));
  EXPECT_EQ(nullptr, WindowFromDC(b));

  HWND own = Make("StandinOwnDc");
  HDC first = GetDC(own);
  EXPECT_EQ(1, ReleaseDC(own, first));
  EXPECT_EQ(first, GetDC(own));  // a class DC stays with its window
  EXPECT_EQ(own, WindowFromDC(first));
  DestroyWindow(own);
  EXPECT_EQ(0, GetObjectType(first));
}

TEST_F(WindowTest, ResizeDeliversWindowPosChangedToTheHookFirst) {
  HWND hwnd = Make();
  list_.clear();
  ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER));
  ASSERT_EQ("h71 p71 ", Trace(list_));
  const Seen &s = list_[0];
  EXPECT_EQ(hwnd, s.hwnd);
  EXPECT_EQ(GetCurrentThreadId(), s.thread);
  EXPECT_NE(0u, s.hookFlag);  // sent by this thread
  EXPECT_EQ(hwnd, s.pos.hwnd);
  EXPECT_EQ(100, s.pos.x);
  EXPECT_EQ(500, s.pos.cx);
  EXPECT_EQ(400, s.pos.cy);
  EXPECT_TRUE(s.pos.flags & SWP_NOMOVE);
  EXPECT_FALSE(s.pos.flags & SWP_NOSIZE);
  RECT window;
  GetWindowRect(hwnd, &window);
  EXPECT_EQ(600, window.right);

  list_.clear();
  ASSERT_TRUE(MoveWindow(hwnd, 10, 20, 500, 400, TRUE));
  ASSERT_EQ("h71 p71 ", Trace(list_));
  EXPECT_TRUE(list_[0].pos.flags & SWP_NOSIZE);
  EXPECT_FALSE(list_[0].pos.flags & SWP_NOMOVE);
  EXPECT_EQ(20, list_[0].pos.y);
  DestroyWindow(hwnd);
}

TEST_F(WindowTest, DestroyAndClose) {
  HWND hwnd = Make();
  list_.clear();
  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_EQ("h2 p2 ", Trace(list_));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(DestroyWindow(hwnd));

  // WM_CLOSE's default handling destroys the window.
  hwnd = Make();
  list_.clear();
  EXPECT_EQ(0, SendMessageA(hwnd, WM_CLOSE, 0, 0));
  EXPECT_EQ("h16 p16 h2 p2 ", Trace(list_));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(0, SendMessageA(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(DWORD(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

TEST_F(WindowTest, ChildrenGoWithTheirParent) {
  HWND parent = Make();
  HWND child = CreateWindowExA(0, "StandinTest", "", WS_CHILD, 5, 7, 50, 40, parent, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, child);
  EXPECT_EQ(parent, GetParent(child));
  POINT p{0, 0}, q{0, 0};
  ClientToScreen(parent, &p);
  ClientToScreen(child, &q);
  EXPECT_EQ(p.x + 5, q.x);
  EXPECT_EQ(p.y + 7, q.y);
  list_.clear();
  DestroyWindow(parent);
  EXPECT_EQ("h2 p2 h2 p2 ", Trace(list_));
  EXPECT_EQ(child, list_[2].hwnd);
  EXPECT_FALSE(IsWindow(child));
}

TEST_F(WindowTest, DisplayChangeReachesEveryTopLevelWindow) {
  HWND a = Make(), b = Make();
  list_.clear();
  StandinSetDisplayMode(8, 800, 600, TRUE);
  ASSERT_EQ("h126 p126 h126 p126 ", Trace(list_));
  EXPECT_EQ(a, list_[0].hwnd);
  EXPECT_EQ(b, list_[2].hwnd);
  EXPECT_EQ(8u, list_[0].wParam);
  EXPECT_EQ(800, LOWORD(list_[0].lParam));
  EXPECT_EQ(600, HIWORD(list_[0].lParam));
  EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(600, GetSystemMetrics(SM_CYSCREEN));
  list_.clear();
  StandinSetDisplayMode(16, 1024, 768, FALSE);
  EXPECT_EQ("", Trace(list_));
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST_F(WindowTest, RealizingAChangedPaletteSendsPaletteChanged) {
  StandinSetDisplayMode(8, 640, 480, FALSE);
  HWND hwnd = Make(), other = Make();
  HDC dc = GetDC(hwnd);
  LOGPALETTE logical = {0x300, 1, {{200, 100, 50, 0}}};
  HPALETTE palette = CreatePalette(&logical);
  HPALETTE old = SelectPalette(dc, palette, FALSE);
  list_.clear();
  EXPECT_EQ(1u, RealizePalette(dc));
  ASSERT_EQ("h785 p785 h785 p785 ", Trace(list_));
  EXPECT_EQ(reinterpret_cast<WPARAM>(hwnd), list_[0].wParam);
  EXPECT_EQ(other, list_[2].hwnd);
  PALETTEENTRY entry;
  ASSERT_EQ(1u, GetSystemPaletteEntries(dc, 10, 1, &entry));
  EXPECT_EQ(200, entry.peRed);
  list_.clear();
  EXPECT_EQ(1u, RealizePalette(dc));  // nothing changes: no message
  EXPECT_EQ("", Trace(list_));
  SelectPalette(dc, old, FALSE);
  DeleteObject(palette);
  ReleaseDC(hwnd, dc);
  DestroyWindow(hwnd);
  DestroyWindow(other);
}

// A window of another thread: its messages run on that thread, inside its message loop.
TEST_F(WindowTest, MessagesForAnotherThreadRunInItsHookChain) {
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<DWORD> workerId{0};
  std::vector<Seen> workerSeen;
  std::thread worker([&] {
    seen = &workerSeen;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    workerId = GetCurrentThreadId();
    hwnd = Make();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    EXPECT_EQ(WM_QUIT, msg.message);
    EXPECT_EQ(7u, msg.wParam);
    DestroyWindow(hwnd);
    UnhookWindowsHookEx(hook);
    seen = nullptr;
  });
  while (!hwnd) std::this_thread::yield();
  EXPECT_EQ(workerId.load(), GetWindowThreadProcessId(hwnd, nullptr));
  EXPECT_FALSE(DestroyWindow(hwnd));  // only the owner thread may
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(42, SendMessageA(hwnd, WM_USER, 0, 0));
  ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 64, 48, SWP_NOMOVE | SWP_NOZORDER));
  ASSERT_TRUE(PostThreadMessageA(workerId, WM_USER + 1, 0, 0));
  ASSERT_TRUE(PostMessageA(hwnd, WM_CLOSE, 0, 0));  // posted: the procedure alone sees it
  EXPECT_TRUE(PostThreadMessageA(workerId, WM_QUIT, 7, 0));
  worker.join();
  EXPECT_EQ("", Trace(list_));  // nothing ran on this thread
  ASSERT_EQ("h1024 p1024 h71 p71 p16 h2 p2 ", Trace(workerSeen));
  for (const Seen &s : workerSeen) EXPECT_EQ(workerId.load(), s.thread);
  EXPECT_EQ(0u, workerSeen[0].hookFlag);  // sent by another thread
  EXPECT_EQ(64, workerSeen[2].pos.cx);
  EXPECT_NE(0u, workerSeen[5].hookFlag);  // the worker's own DestroyWindow
}

TEST_F(WindowTest, QueueOrderFiltersAndQuit) {
  HWND a = Make(), b = Make();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  PostMessageA(a, WM_USER + 1, 1, 0);
  PostMessageA(b, WM_USER + 2, 2, 0);
  PostMessageA(a, WM_USER + 3, 3, 0);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(UINT(WM_USER + 1), msg.message);
  ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(UINT(WM_USER + 2), msg.message);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(3u, msg.wParam);
  PostQuitMessage(5);
  ASSERT_EQ(TRUE, GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(a, msg.hwnd);
  EXPECT_EQ(UINT(WM_USER + 1), msg.message);
  EXPECT_EQ(FALSE, GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(5u, msg.wParam);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

  // An invalid window gets WM_PAINT until it is painted (here by the default procedure).
  InvalidateRect(a, nullptr, FALSE);
  EXPECT_EQ(1, StandinInvalidateCount(a));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(UINT(WM_PAINT), msg.message);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(UINT(WM_PAINT), msg.message);
  DispatchMessageA(&msg);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  DestroyWindow(a);
  DestroyWindow(b);
}

}  // namespace
