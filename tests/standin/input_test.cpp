// Scripted input on the virtual clock, timers, activation and focus, display settings and the
// extended window class: what a program's message loop sees, message by message.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "standin/control.h"
#include "standin/layout_check.h"

namespace {

struct Got {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  DWORD tick;
};
std::vector<Got> got;
int timerProcCalls = 0;

bool Recorded(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
         msg == WM_COMMAND || msg == WM_SYSCOMMAND || msg == WM_CLOSE || msg == WM_TIMER || msg == WM_ACTIVATE ||
         msg == WM_SETFOCUS || msg == WM_KILLFOCUS || msg == WM_DISPLAYCHANGE;
}

LRESULT CALLBACK RecordProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Recorded(msg)) got.push_back(Got{hwnd, msg, wParam, lParam, GetTickCount()});
  if (msg == WM_DESTROY && !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

VOID CALLBACK CountTimer(HWND, UINT, UINT_PTR, DWORD) { ++timerProcCalls; }

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    got.clear();
    timerProcCalls = 0;
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXA wc;
      ZeroMemory(&wc, sizeof wc);
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = RecordProc;
      wc.lpszClassName = "InputTest";
      wc.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
      ASSERT_NE(0, RegisterClassExA(&wc));
      registered = true;
    }
  }
  void TearDown() override {
    for (HWND w : windows_)
      if (IsWindow(w)) DestroyWindow(w);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    StandinReset();
  }
  // A shown top-level window with a 200 x 100 client area.
  HWND Window() {
    RECT r{0, 0, 200, 100};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND w = CreateWindowExA(0, "InputTest", "input", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(w);
    ShowWindow(w, SW_SHOWDEFAULT);
    got.clear();
    return w;
  }
  HWND Child(HWND parent, int id, int x, int y, int w, int h) {
    HWND c = CreateWindowExA(0, "InputTest", "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    windows_.push_back(c);
    return c;
  }
  void Load(const char *script) { ASSERT_EQ(nullptr, StandinLoadInputScript(script)); }
  // A GetMessage loop to the end; returns the quit code.
  int Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return int(msg.wParam);
  }
  std::vector<Got> Only(UINT msg) const {
    std::vector<Got> out;
    for (const Got &g : got)
      if (g.msg == msg) out.push_back(g);
    return out;
  }
  std::vector<HWND> windows_;
};

TEST_F(InputTest, ScriptProblemsNameTheirLine) {
  struct Case {
    const char *script;
    const char *problem;
  } cases[] = {
      {"100 key", "line 1: expected: key KEY"},
      {"# comment\n\n100 key NOSUCHKEY", "line 3: expected: key KEY"},
      {"abc key A", "line 1: expected: TIME VERB ... (or frame MS)"},
      {"100", "line 1: expected: TIME VERB ... (or frame MS)"},
      {"10 move 1", "line 1: expected: move X Y"},
      {"10 click up 1 2", "line 1: expected: click left|right|middle [X Y]"},
      {"10 drag left 1 2 3", "line 1: expected: drag BUTTON X0 Y0 X1 Y1 [MS]"},
      {"frame 0", "line 1: expected: frame MS"},
      {"10 text 5 \"open", "line 1: unclosed quote"},
      {"10 close\n20 fly away", "line 2: unknown verb 'fly'"},
      {"10 menu x", "line 1: expected: menu ID"},
  };
  for (const Case &c : cases) {
    const char *problem = StandinLoadInputScript(c.script);
    ASSERT_NE(nullptr, problem) << c.script;
    EXPECT_STREQ(c.problem, problem) << c.script;
  }
}

TEST_F(InputTest, EventsArriveAsMessagesAtTheirVirtualTimes) {
  HWND w = Window();
  Load("0 key A\n"
       "20 move 10 20   # client coordinates\n"
       "+10 down left\n"
       "+10 up left\n"
       "50 menu 40001\n"
       "60 close\n");
  POINT client{10, 20};
  ClientToScreen(w, &client);
  EXPECT_EQ(0, Run());
  struct Want {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD tick;
  } want[] = {
      {WM_KEYDOWN, 'A', 1, 0},
      {WM_CHAR, 'a', 1, 0},
      {WM_KEYUP, 'A', LPARAM(1 | 1UL << 30 | 1UL << 31), 10},
      {WM_MOUSEMOVE, 0, MAKELPARAM(10, 20), 20},
      {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20), 30},
      {WM_LBUTTONUP, 0, MAKELPARAM(10, 20), 40},
      {WM_COMMAND, 40001, 0, 50},
      {WM_SYSCOMMAND, SC_CLOSE, 0, 60},
      {WM_CLOSE, 0, 0, 60},
  };
  ASSERT_EQ(sizeof want / sizeof want[0], got.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(w, got[i].hwnd) << i;
    EXPECT_EQ(want[i].msg, got[i].msg) << i;
    EXPECT_EQ(want[i].wParam, got[i].wParam) << i;
    EXPECT_EQ(want[i].lParam, got[i].lParam) << i;
    EXPECT_EQ(want[i].tick, got[i].tick) << i;
  }
  POINT cursor;
  ASSERT_TRUE(GetCursorPos(&cursor));
  EXPECT_EQ(client.x, cursor.x);
  EXPECT_EQ(client.y, cursor.y);
}

// A game loop polls the keyboard once per idle frame: a key press is held for one frame step,
// so exactly one frame sees it down, and the frames step the clock evenly.
TEST_F(InputTest, IdlePeekLoopSeesAPressInOneFrame) {
  Window();
  Load("frame 20\n100 key SPACE\n200 close\n");
  std::vector<DWORD> frames, down;
  MSG msg;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      frames.push_back(GetTickCount());
      if (GetAsyncKeyState(VK_SPACE) & 0x8000) down.push_back(GetTickCount());
    }
  }
  ASSERT_EQ(std::vector<DWORD>{120}, down);
  ASSERT_FALSE(frames.empty());
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[0] + DWORD(20 * i), frames[i]);
  EXPECT_EQ(200u, frames.back());
}

TEST_F(InputTest, KeyStateFollowsTheKeys) {
  Window();
  Load("10 keydown SHIFT\n20 key 1\n30 keyup SHIFT\n40 key CAPITAL\n50 close");
  SHORT shiftWhileDown = 0;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN && msg.wParam == '1') shiftWhileDown = GetKeyState(VK_SHIFT);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EXPECT_TRUE(shiftWhileDown & 0x8000);
  EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
  EXPECT_EQ(1, GetKeyState(VK_CAPITAL)) << "toggled, not down";
  std::vector<Got> chars = Only(WM_CHAR);
  ASSERT_EQ(1u, chars.size());
  EXPECT_EQ(WPARAM('!'), chars[0].wParam);
  EXPECT_EQ(1, GetAsyncKeyState('1') & 1) << "pressed since the last call";
  EXPECT_EQ(0, GetAsyncKeyState('1'));
}

TEST_F(InputTest, AltMakesSystemKeys) {
  Window();
  Load("10 keydown ALT\n20 key F\n30 keyup ALT\n40 key F10\n50 close");
  Run();
  std::vector<UINT> keys;
  for (const Got &g : got)
    if (g.msg >= WM_KEYFIRST && g.msg <= WM_KEYLAST) keys.push_back(g.msg);
  EXPECT_EQ((std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_SYSKEYUP, WM_SYSKEYDOWN,
                               WM_SYSKEYUP}),
            keys);
}

// Mouse input goes to the deepest child under the pointer, in its own client coordinates; keys go
// to the focus window.
TEST_F(InputTest, MouseFindsChildWindowsAndKeysFollowTheFocus) {
  HWND w = Window();
  HWND child = Child(w, 7, 50, 40, 100, 50);
  HWND inner = Child(child, 8, 10, 10, 20, 20);
  SetFocus(child);
  got.clear();
  Load("10 click left 60 45\n30 click right 65 55\n50 move 199 99\n60 move 200 50\n70 key X\n80 close");
  Run();
  std::vector<Got> downs = Only(WM_LBUTTONDOWN), rights = Only(WM_RBUTTONDOWN), moves = Only(WM_MOUSEMOVE);
  ASSERT_EQ(1u, downs.size());
  EXPECT_EQ(child, downs[0].hwnd);
  EXPECT_EQ(MAKELPARAM(10, 5), downs[0].lParam);
  ASSERT_EQ(1u, rights.size());
  EXPECT_EQ(inner, rights[0].hwnd);
  EXPECT_EQ(MAKELPARAM(5, 5), rights[0].lParam);
  ASSERT_EQ(3u, moves.size()) << "the move outside the client area reaches no window";
  EXPECT_EQ(w, moves[2].hwnd);
  EXPECT_EQ(MAKELPARAM(199, 99), moves[2].lParam);
  std::vector<Got> keys = Only(WM_KEYDOWN);
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ(child, keys[0].hwnd);
}

TEST_F(InputTest, DragMovesInFrameSteps) {
  Window();
  Load("frame 10\n100 drag left 0 0 40 20 40\n200 close");
  Run();
  std::vector<Got> moves = Only(WM_MOUSEMOVE);
  ASSERT_EQ(5u, moves.size());
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(DWORD(100 + 10 * i), moves[i].tick);
    EXPECT_EQ(MAKELPARAM(10 * i, 5 * i), moves[i].lParam);
    EXPECT_EQ(WPARAM(i ? MK_LBUTTON : 0), moves[i].wParam) << i;
  }
  std::vector<Got> ups = Only(WM_LBUTTONUP);
  ASSERT_EQ(1u, ups.size());
  EXPECT_EQ(140u, ups[0].tick);
  EXPECT_EQ(MAKELPARAM(40, 20), ups[0].lParam);
}

// Dialog answers: text into a control and a button's command, each after the program took the
// event before it.
TEST_F(InputTest, TextAndCommandReachControlsById) {
  HWND w = Window();
  HWND edit = Child(w, 1001, 0, 0, 50, 20);
  Load("10 text 1001 \"two words\"\n10 command 1001 5\n20 close");
  char text[32] = {};
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_COMMAND) GetWindowTextA(edit, text, sizeof text);
    DispatchMessageA(&msg);
  }
  EXPECT_STREQ("two words", text) << "set before the command came";
  std::vector<Got> commands = Only(WM_COMMAND);
  ASSERT_EQ(1u, commands.size());
  EXPECT_EQ(MAKEWPARAM(1001, 5), commands[0].wParam);
  EXPECT_EQ(reinterpret_cast<LPARAM>(edit), commands[0].lParam);
}

TEST_F(InputTest, ModalCallsTakeTheirAnswersAtTheirTime) {
  Load("500 msgbox no\n600 file \"C:\\models\\ship.mdg\"\n700 msgbox 99");
  EXPECT_EQ(IDNO, MessageBoxA(nullptr, "Fullscreen?", "Start", MB_YESNO));
  EXPECT_EQ(500u, GetTickCount());
  char path[MAX_PATH] = "";
  OPENFILENAMEA ofn;
  ZeroMemory(&ofn, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ASSERT_TRUE(GetOpenFileNameA(&ofn));
  EXPECT_STREQ("C:\\models\\ship.mdg", path);
  EXPECT_EQ(600u, GetTickCount());
  EXPECT_EQ(99, MessageBoxA(nullptr, "a", "b", MB_OK));
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "no answer left", "b", MB_OK)) << "the default result";
}

TEST_F(InputTest, AScriptThatEndsWhileTheProgramWaitsQuitsWithCode3) {
  Window();
  Load("10 key A");
  EXPECT_EQ(3, Run());
  EXPECT_EQ(2u, Only(WM_KEYDOWN).size() + Only(WM_KEYUP).size());
}

TEST_F(InputTest, TimersComeWhenDueAndStopWithTheirWindow) {
  HWND w = Window();
  Load("300 close");
  EXPECT_EQ(UINT_PTR(7), SetTimer(w, 7, 50, nullptr));
  UINT_PTR threadTimer = SetTimer(nullptr, 0, 100, CountTimer);
  EXPECT_NE(UINT_PTR(0), threadTimer);
  EXPECT_EQ(0, Run());
  EXPECT_TRUE(KillTimer(nullptr, threadTimer));
  EXPECT_FALSE(KillTimer(nullptr, threadTimer));
  EXPECT_FALSE(KillTimer(w, 7)) << "gone with the window";
  std::vector<Got> ticks = Only(WM_TIMER);
  EXPECT_EQ(5u, ticks.size()) << "the close at 300 comes before the timer due then";
  for (size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_EQ(DWORD(50 * (i + 1)), ticks[i].tick);
    EXPECT_EQ(WPARAM(7), ticks[i].wParam);
  }
  EXPECT_EQ(2, timerProcCalls);
}

TEST_F(InputTest, SleepAndTheClocksAgreeOnVirtualTime) {
  Load("");
  LARGE_INTEGER frequency, before, after;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&before);
  const DWORD tick = GetTickCount(), mm = timeGetTime();
  Sleep(250);
  QueryPerformanceCounter(&after);
  EXPECT_EQ(tick + 250, GetTickCount());
  EXPECT_EQ(mm + 250, timeGetTime());
  EXPECT_EQ(frequency.QuadPart / 4, after.QuadPart - before.QuadPart);
}

TEST_F(InputTest, ABusyWaitOnTheVirtualClockEnds) {
  Load("");
  const DWORD start = GetTickCount();
  DWORD now;
  do now = GetTickCount();
  while (now - start < 5);
  EXPECT_EQ(start + 5, now);
}

TEST_F(InputTest, ShowingAWindowActivatesAndFocusesIt) {
  HWND first = Window();
  HWND second = CreateWindowExA(0, "InputTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  windows_.push_back(second);
  ShowWindow(second, SW_SHOWNA);
  EXPECT_EQ(first, GetForegroundWindow()) << "SW_SHOWNA does not activate";
  ShowWindow(second, SW_SHOW);
  EXPECT_EQ(second, GetForegroundWindow());
  EXPECT_EQ(second, GetFocus());
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(first, got[0].hwnd);
  EXPECT_EQ(UINT(WM_ACTIVATE), got[0].msg);
  EXPECT_EQ(WPARAM(WA_INACTIVE), got[0].wParam);
  EXPECT_EQ(UINT(WM_ACTIVATE), got[1].msg);
  EXPECT_EQ(WPARAM(WA_ACTIVE), got[1].wParam);
  EXPECT_EQ(UINT(WM_KILLFOCUS), got[2].msg);
  EXPECT_EQ(UINT(WM_SETFOCUS), got[3].msg);
  EXPECT_TRUE(SetForegroundWindow(first));
  EXPECT_EQ(first, GetFocus());
}

TEST_F(InputTest, DisplaySettingsOfferTheBoardSize) {
  HWND w = Window();
  DEVMODEA dm;
  ZeroMemory(&dm, sizeof dm);
  dm.dmSize = sizeof dm;
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm));
  EXPECT_EQ(1024u, dm.dmPelsWidth);
  bool board = false;
  for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &dm); ++i)
    board |= dm.dmPelsWidth == 640 && dm.dmPelsHeight == 480 && dm.dmBitsPerPel == 16;
  EXPECT_TRUE(board);

  struct Case {
    DWORD fields, width, height, bits, flags;
    LONG result;
  } cases[] = {
      {DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 640, 480, 16, CDS_TEST, DISP_CHANGE_SUCCESSFUL},
      {DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 800, 600, 16, CDS_FULLSCREEN, DISP_CHANGE_BADMODE},
      {DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 640, 480, 24, CDS_FULLSCREEN, DISP_CHANGE_BADMODE},
      {DM_PELSWIDTH | DM_PELSHEIGHT, 640, 480, 99, CDS_FULLSCREEN, DISP_CHANGE_SUCCESSFUL},  // keeps 16 bits
  };
  for (const Case &c : cases) {
    ZeroMemory(&dm, sizeof dm);
    dm.dmSize = sizeof dm;
    dm.dmFields = c.fields;
    dm.dmPelsWidth = c.width, dm.dmPelsHeight = c.height, dm.dmBitsPerPel = c.bits;
    EXPECT_EQ(c.result, ChangeDisplaySettingsA(&dm, c.flags)) << c.width << "x" << c.height << "x" << c.bits;
  }
  EXPECT_EQ(640, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(480, GetSystemMetrics(SM_CYSCREEN));
  std::vector<Got> changes = Only(WM_DISPLAYCHANGE);
  ASSERT_EQ(1u, changes.size());
  EXPECT_EQ(w, changes[0].hwnd);
  EXPECT_EQ(WPARAM(16), changes[0].wParam);
  EXPECT_EQ(MAKELPARAM(640, 480), changes[0].lParam);
  EXPECT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(nullptr, 0));
  EXPECT_EQ(1024, GetSystemMetrics(SM_CXSCREEN));
}

// STANDIN_DISPLAY names the desktop's mode at start; the default mode returns with it unset.
TEST_F(InputTest, TheDesktopModeComesFromTheEnvironment) {
  const struct {
    const char *value;
    int width, height, bits;
  } cases[] = {{"640x480", 640, 480, 16}, {"640x480x32", 640, 480, 32}, {"1024x768x16", 1024, 768, 16}};
  for (const auto &c : cases) {
    setenv("STANDIN_DISPLAY", c.value, 1);
    StandinReset();
    EXPECT_EQ(c.width, GetSystemMetrics(SM_CXSCREEN)) << c.value;
    EXPECT_EQ(c.height, GetSystemMetrics(SM_CYSCREEN)) << c.value;
    DEVMODEA dm;
    ZeroMemory(&dm, sizeof dm);
    dm.dmSize = sizeof dm;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &dm));
    EXPECT_EQ(DWORD(c.bits), dm.dmBitsPerPel) << c.value;
  }
  for (const char *bad : {"800x600", "640x480x24", "640x480y16", "640", "640x480x16x"}) {
    setenv("STANDIN_DISPLAY", bad, 1);
    EXPECT_EXIT(StandinReset(), ::testing::ExitedWithCode(2), "not a mode of the display") << bad;
  }
  unsetenv("STANDIN_DISPLAY");
  StandinReset();
  EXPECT_EQ(1024, GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(InputTest, ExtendedClassesNeedTheirSizeAndKeepTheSmallIcon) {
  WNDCLASSEXA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.cbSize = sizeof wc - 4;
  wc.lpfnWndProc = RecordProc;
  wc.lpszClassName = "InputTestShort";
  EXPECT_EQ(0, RegisterClassExA(&wc));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  WNDCLASSEXA info;
  ASSERT_TRUE(GetClassInfoExA(nullptr, "inputtest", &info));
  EXPECT_EQ(sizeof info, info.cbSize);
  EXPECT_EQ(LoadIconA(nullptr, IDI_WINLOGO), info.hIconSm);
  EXPECT_EQ(&RecordProc, info.lpfnWndProc);
}

}  // namespace
