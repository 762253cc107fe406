// Windows: classes, window records (geometry, owner thread, device contexts), sent messages
// (the owner thread's WH_CALLWNDPROC chain, then the window procedure), per-thread queues,
// timers, activation and focus. A message sent from another thread waits until the owner thread
// looks at its queue. A queue gives, in order: posted messages, scripted input (one event at a
// time, when nothing posted is waiting), WM_QUIT, WM_PAINT, WM_TIMER.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../gdi32/gdi32_internal.h"
#include "standin/control.h"
#include "user32_internal.h"

namespace standin {
namespace {

constexpr int kCaption = 19, kMenu = 19, kThickFrame = 4, kFixedFrame = 3, kBorder = 1, kClientEdge = 2;
const HWND kDesktop = reinterpret_cast<HWND>(0x00700010);

struct WindowClass {
  WNDCLASSA wc;
  HICON iconSm;
  std::string name;
  std::string menuName;  // the menu resource by name, or empty
  ATOM atom;
};

struct Window {
  std::string className;
  UINT classStyle = 0;
  WNDPROC proc = nullptr;
  DWORD style = 0, exStyle = 0;
  HWND parent = nullptr;
  HINSTANCE instance = nullptr;
  HMENU menu = nullptr;
  int x = 0, y = 0, cx = 0, cy = 0;  // window rectangle, in the parent's client coordinates
  DWORD thread = 0;
  std::string text;
  LONG userData = 0;
  std::vector<BYTE> extra;
  HBRUSH background = nullptr;   // the class's
  HDC ownDc = nullptr;           // CS_OWNDC / CS_CLASSDC
  std::vector<HDC> dcs;          // from GetDC / GetWindowDC / BeginPaint, not yet released
  bool visible = false, destroying = false, invalid = false;
  RECT invalidRect{};
  int shows = 0, updates = 0, invalidates = 0;
};

struct Sent {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

struct Timer {
  HWND hwnd;         // null for a thread timer
  UINT_PTR id;
  long long period;  // microseconds
  long long due;     // clock time of the next WM_TIMER
  TIMERPROC proc;
  DWORD thread;
};

struct Queue {
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<Sent>> sent;
  bool quit = false;
  int quitCode = 0;
};

struct WindowState {
  std::mutex lock;
  std::condition_variable changed;  // any queue or sent message changed
  std::atomic<unsigned> generation{0};  // counts the changes, so a waiter misses none
  std::map<std::string, WindowClass> classes;  // by lower-case name
  ATOM nextAtom = 0xC000;
  std::map<uintptr_t, Window> windows;
  uintptr_t nextHandle = 0x00800010;
  std::map<DWORD, Queue> queues;
  std::vector<Timer> timers;
  UINT_PTR nextThreadTimer = 0x7F00;
  HCURSOR cursor = nullptr;
  int cursorCount = 0;
  HWND focus = nullptr, foreground = nullptr;
};

void Notify(WindowState &state) {
  ++state.generation;
  state.changed.notify_all();
}

// Waits until something changed since `seen` (a generation read before the last look), or, with
// `microseconds` >= 0, until that much real time has passed.
void WaitForChange(WindowState &state, unsigned seen, long long microseconds = -1) {
  std::unique_lock<std::mutex> guard(state.lock);
  auto changed = [&] { return state.generation != seen; };
  if (microseconds < 0)
    state.changed.wait(guard, changed);
  else
    state.changed.wait_for(guard, std::chrono::microseconds(microseconds), changed);
}

WindowState &Windows() {
  static auto *state = new WindowState;
  return *state;
}

using Lock = std::unique_lock<std::mutex>;

thread_local int inCrossThreadSend = 0;

Window *Find(WindowState &state, HWND hwnd) {
  auto it = state.windows.find(reinterpret_cast<uintptr_t>(hwnd));
  return it == state.windows.end() ? nullptr : &it->second;
}

// Find, recording ERROR_INVALID_WINDOW_HANDLE when there is no such window.
Window *FindValid(WindowState &state, HWND hwnd) {
  Window *w = Find(state, hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

// Frame widths around the client area: left, top, right, bottom.
RECT Frame(DWORD style, DWORD exStyle, bool menu) {
  int border = (style & WS_THICKFRAME) ? kThickFrame : (style & WS_DLGFRAME) ? kFixedFrame : (style & WS_BORDER) ? kBorder : 0;
  if (exStyle & WS_EX_CLIENTEDGE) border += kClientEdge;
  int top = border + ((style & WS_CAPTION) == WS_CAPTION ? kCaption : 0) + (menu ? kMenu : 0);
  return RECT{border, top, border, border};
}

RECT FrameOf(const Window &w) { return Frame(w.style, w.exStyle, w.menu && !(w.style & WS_CHILD)); }

// Screen position of the window's top-left corner.
POINT WindowOrigin(WindowState &state, const Window &w);

POINT ClientOrigin(WindowState &state, const Window &w) {
  POINT origin = WindowOrigin(state, w);
  RECT frame = FrameOf(w);
  return POINT{origin.x + frame.left, origin.y + frame.top};
}

POINT WindowOrigin(WindowState &state, const Window &w) {
  POINT origin{w.x, w.y};
  if (Window *parent = w.parent ? Find(state, w.parent) : nullptr) {
    POINT base = ClientOrigin(state, *parent);
    origin.x += base.x;
    origin.y += base.y;
  }
  return origin;
}

SIZE ClientSize(const Window &w) {
  RECT frame = FrameOf(w);
  return SIZE{std::max<LONG>(0, w.cx - frame.left - frame.right), std::max<LONG>(0, w.cy - frame.top - frame.bottom)};
}

// The colour the class's brush erases with: dialogs the button face, windows without a brush white.
COLORREF Background(const Window &w) {
  return BrushColour(w.background, w.className == "#32770" ? GetSysColor(COLOR_BTNFACE) : RGB(255, 255, 255));
}

// The window surface follows the client area's size.
void SizeSurface(HWND hwnd, const Window &w) {
  const SIZE size = ClientSize(w);
  SizeWindowSurface(hwnd, size.cx, size.cy, Background(w));
}

// The time stamp of a message: the clock in milliseconds, read without counting as the program's read.
DWORD MessageTime() { return DWORD(ClockMicroseconds() / 1000); }

bool InRange(UINT msg, UINT min, UINT max) { return (min == 0 && max == 0) || (msg >= min && msg <= max); }

// Runs a message on the calling thread, which owns the window: the hook chain, then the procedure.
LRESULT Deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool fromThisThread) {
  CallWndProcHooks(hwnd, msg, wParam, lParam, fromThisThread);
  WNDPROC proc;
  {
    WindowState &state = Windows();
    Lock guard(state.lock);
    Window *w = Find(state, hwnd);
    if (!w) return 0;
    proc = w->proc;
  }
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

// Runs the messages other threads sent to the calling thread; returns how many.
int ProcessSent() {
  WindowState &state = Windows();
  DWORD self = GetCurrentThreadId();
  int count = 0;
  for (;;) {
    std::shared_ptr<Sent> sent;
    {
      Lock guard(state.lock);
      auto it = state.queues.find(self);
      if (it == state.queues.end() || it->second.sent.empty()) return count;
      sent = it->second.sent.front();
      it->second.sent.pop_front();
    }
    ++inCrossThreadSend;
    LRESULT result = Deliver(sent->hwnd, sent->msg, sent->wParam, sent->lParam, false);
    --inCrossThreadSend;
    ++count;
    Lock guard(state.lock);
    sent->result = result;
    sent->done = true;
    Notify(state);
  }
}

// Sends to a window of any thread; `wait` false queues it for another thread and returns at once.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool wait) {
  WindowState &state = Windows();
  DWORD owner;
  {
    Lock guard(state.lock);
    Window *w = FindValid(state, hwnd);
    if (!w) return 0;
    owner = w->thread;
  }
  if (owner == GetCurrentThreadId()) return Deliver(hwnd, msg, wParam, lParam, true);
  auto sent = std::make_shared<Sent>();
  sent->hwnd = hwnd, sent->msg = msg, sent->wParam = wParam, sent->lParam = lParam;
  Lock guard(state.lock);
  state.queues[owner].sent.push_back(sent);
  Notify(state);
  if (!wait) return 0;
  // While waiting, messages sent to this thread still run (as on the platform).
  while (!sent->done) {
    guard.unlock();
    ProcessSent();
    guard.lock();
    if (sent->done) break;
    if (!state.queues.count(owner)) return 0;  // the owner thread ended
    auto self = state.queues.find(GetCurrentThreadId());
    if (self != state.queues.end() && !self->second.sent.empty()) continue;
    state.changed.wait(guard);
  }
  return sent->result;
}

void ReleaseWindowDcs(Window &w) {
  for (HDC dc : w.dcs) DeleteWindowDC(dc);
  w.dcs.clear();
  if (w.ownDc) DeleteWindowDC(w.ownDc);
  w.ownDc = nullptr;
}

void Remove(WindowState &state, HWND hwnd) {
  Window *w = Find(state, hwnd);
  if (!w) return;
  ReleaseWindowDcs(*w);
  DropWindowSurface(hwnd);
  auto queue = state.queues.find(w->thread);
  if (queue != state.queues.end()) {
    auto &posted = queue->second.posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(), [hwnd](const MSG &m) { return m.hwnd == hwnd; }),
                 posted.end());
  }
  if (state.focus == hwnd) state.focus = nullptr;
  if (state.foreground == hwnd) state.foreground = nullptr;
  auto &timers = state.timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [hwnd](const Timer &t) { return t.hwnd == hwnd; }),
               timers.end());
  state.windows.erase(reinterpret_cast<uintptr_t>(hwnd));
}

// A thread's windows and queue go when it ends; senders waiting on it give up.
void ForgetThread(DWORD thread) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  std::vector<HWND> owned;
  for (auto &entry : state.windows)
    if (entry.second.thread == thread) owned.push_back(reinterpret_cast<HWND>(entry.first));
  for (HWND hwnd : owned) Remove(state, hwnd);
  auto &timers = state.timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [thread](const Timer &t) { return t.thread == thread; }),
               timers.end());
  state.queues.erase(thread);
  Notify(state);
}

ThreadExitRegistrar forgetThreadAtExit(ForgetThread);

void ResetWindows() {
  WindowState &state = Windows();
  Lock guard(state.lock);
  state.cursorCount = 0;
}

ResetRegistrar resetWindows(ResetWindows);

bool TimerMatches(const Timer &t, DWORD self, HWND hwnd, UINT min, UINT max) {
  if (t.thread != self || !InRange(WM_TIMER, min, max)) return false;
  if (hwnd == reinterpret_cast<HWND>(-1)) return t.hwnd == nullptr;
  return !hwnd || t.hwnd == hwnd;
}

// The calling thread's timer that is due first among those the filter lets through; null when none.
Timer *FirstTimer(WindowState &state, HWND hwnd, UINT min, UINT max) {
  DWORD self = GetCurrentThreadId();
  Timer *first = nullptr;
  for (Timer &t : state.timers)
    if (TimerMatches(t, self, hwnd, min, max) && (!first || t.due < first->due)) first = &t;
  return first;
}

// Looks for a message for the calling thread; `remove` takes a posted one off the queue (and
// restarts a timer's period; a taken WM_PAINT costs a frame of virtual time).
bool Peek(MSG *msg, HWND hwnd, UINT min, UINT max, bool remove) {
  ProcessSent();
  NoteQueueLook();
  WindowState &state = Windows();
  DWORD self = GetCurrentThreadId();
  const bool threadOnly = hwnd == reinterpret_cast<HWND>(-1);
  for (;;) {
    {
      Lock guard(state.lock);
      Queue &queue = state.queues[self];
      for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (threadOnly ? it->hwnd != nullptr : hwnd && it->hwnd != hwnd) continue;
        if (!InRange(it->message, min, max)) continue;
        *msg = *it;
        if (remove) queue.posted.erase(it);
        return true;
      }
    }
    if (!DeliverDueInput()) break;
  }
  Lock guard(state.lock);
  Queue &queue = state.queues[self];
  if (queue.quit && InRange(WM_QUIT, min, max)) {
    *msg = MSG{nullptr, WM_QUIT, WPARAM(queue.quitCode), 0, MessageTime(), CursorPosition()};
    if (remove) queue.quit = false;
    return true;
  }
  if (!threadOnly && InRange(WM_PAINT, min, max))
    for (auto &entry : state.windows) {
      const Window &w = entry.second;
      HWND handle = reinterpret_cast<HWND>(entry.first);
      if (w.thread != self || !w.invalid || (hwnd && hwnd != handle)) continue;
      *msg = MSG{handle, WM_PAINT, 0, 0, MessageTime(), CursorPosition()};
      guard.unlock();
      if (remove) AdvanceClock(FrameMicroseconds());
      return true;
    }
  const long long now = ClockMicroseconds();
  Timer *timer = FirstTimer(state, hwnd, min, max);
  if (timer && timer->due <= now) {
    *msg = MSG{timer->hwnd, WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->proc), DWORD(now / 1000),
               CursorPosition()};
    if (remove) timer->due = now + timer->period;
    return true;
  }
  return false;
}

// Waits for something to arrive after a look at the queue that found nothing. On the virtual
// clock of a scripted run the time moves on at once to the next timer or scripted event; when
// neither is left the run can never go on, and the thread gets WM_QUIT (exit code 3).
void WaitForInput(unsigned seen, HWND hwnd, UINT min, UINT max) {
  WindowState &state = Windows();
  long long timerDue = -1;
  {
    Lock guard(state.lock);
    if (Timer *timer = FirstTimer(state, hwnd, min, max)) timerDue = timer->due;
  }
  if (ClockIsVirtual()) {
    long long next = NextInputTime();
    if (timerDue >= 0 && (next < 0 || timerDue < next)) next = timerDue;
    if (next >= 0) {
      AdvanceClockTo(std::max(next, ClockMicroseconds() + 1));
      return;
    }
    if (InputScriptLoaded()) {
      fprintf(stderr, "%s: the script has ended and the program waits for input\n", kInputScriptVariable);
      PostQuitMessage(3);
      return;
    }
  }
  WaitForChange(state, seen, timerDue < 0 ? -1 : std::max(0LL, timerDue - ClockMicroseconds()));
}

void Post(WindowState &state, DWORD thread, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  state.queues[thread].posted.push_back(MSG{hwnd, msg, wParam, lParam, MessageTime(), CursorPosition()});
  Notify(state);
}

HDC GetWindowDc(HWND hwnd, bool whole) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  if (!hwnd || hwnd == kDesktop) return NewWindowDC(nullptr, whole);
  Window *w = FindValid(state, hwnd);
  if (!w) return nullptr;
  SizeSurface(hwnd, *w);
  if (!whole && (w->classStyle & (CS_OWNDC | CS_CLASSDC))) {
    if (!w->ownDc) w->ownDc = NewWindowDC(hwnd, false);
    return w->ownDc;
  }
  HDC dc = NewWindowDC(hwnd, whole);
  w->dcs.push_back(dc);
  return dc;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  WindowState &state = Windows();
  Lock guard(state.lock);
  std::vector<HWND> windows;
  for (const auto &entry : state.windows)
    if (!(entry.second.style & WS_CHILD) && entry.second.visible) windows.push_back(reinterpret_cast<HWND>(entry.first));
  return windows;
}

HWND WindowOwner(HWND hwnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hwnd);
  return w && !(w->style & WS_CHILD) ? w->parent : nullptr;
}

COLORREF WindowBackground(HWND hwnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hwnd);
  return w ? Background(*w) : RGB(255, 255, 255);
}

std::vector<HWND> ChildWindows(HWND hwnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  std::vector<HWND> children;
  for (const auto &entry : state.windows)
    if (entry.second.parent == hwnd && (entry.second.style & WS_CHILD)) children.push_back(reinterpret_cast<HWND>(entry.first));
  return children;  // handles grow with creation, and the map is ordered by handle
}

void BroadcastToWindows(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::vector<HWND> targets;
  {
    WindowState &state = Windows();
    Lock guard(state.lock);
    for (const auto &entry : state.windows)
      if (!(entry.second.style & WS_CHILD)) targets.push_back(reinterpret_cast<HWND>(entry.first));
  }
  for (HWND hwnd : targets) Send(hwnd, msg, wParam, lParam, false);
}

HWND InputWindow() {
  WindowState &state = Windows();
  Lock guard(state.lock);
  if (state.foreground && Find(state, state.foreground)) return state.foreground;
  for (auto it = state.windows.rbegin(); it != state.windows.rend(); ++it)
    if (!(it->second.style & WS_CHILD) && it->second.visible && !it->second.destroying)
      return reinterpret_cast<HWND>(it->first);
  return nullptr;
}

HWND WindowAtPoint(HWND top, POINT point, POINT *local) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, top);
  if (!w) return nullptr;
  SIZE size = ClientSize(*w);
  if (point.x < 0 || point.y < 0 || point.x >= size.cx || point.y >= size.cy) return nullptr;
  HWND at = top;
  for (bool deeper = true; deeper;) {
    deeper = false;
    // The most recently created child lies on top.
    for (auto it = state.windows.rbegin(); it != state.windows.rend(); ++it) {
      const Window &child = it->second;
      if (child.parent != at || !(child.style & WS_CHILD) || !child.visible) continue;
      if (point.x < child.x || point.y < child.y || point.x >= child.x + child.cx || point.y >= child.y + child.cy)
        continue;
      RECT frame = FrameOf(child);
      POINT inner{point.x - child.x - frame.left, point.y - child.y - frame.top};
      SIZE childSize = ClientSize(child);
      if (inner.x < 0 || inner.y < 0 || inner.x >= childSize.cx || inner.y >= childSize.cy) return nullptr;  // frame
      at = reinterpret_cast<HWND>(it->first);
      point = inner;
      deeper = true;
      break;
    }
  }
  if (local) *local = point;
  return at;
}

HWND ChildWithId(HWND parent, int id) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  for (const auto &entry : state.windows)
    if (entry.second.parent == parent && (entry.second.style & WS_CHILD) &&
        LONG(reinterpret_cast<LONG_PTR>(entry.second.menu)) == id)
      return reinterpret_cast<HWND>(entry.first);
  return nullptr;
}

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  for (Window *w = Find(state, hwnd); w; hwnd = w->parent, w = Find(state, hwnd))
    if (hwnd == ancestor) return true;
  return false;
}

}  // namespace standin

using namespace standin;

extern "C" {

static void Activate(HWND hWnd);

static ATOM AddClass(const WNDCLASSA *lpWndClass, HICON iconSm) {
  if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowState &state = Windows();
  Lock guard(state.lock);
  std::string key = Lower(lpWndClass->lpszClassName);
  if (state.classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  WindowClass &cls = state.classes[key];
  cls.wc = *lpWndClass;
  cls.name = lpWndClass->lpszClassName;
  cls.wc.lpszClassName = cls.name.c_str();
  cls.iconSm = iconSm;
  if (lpWndClass->lpszMenuName && !IS_INTRESOURCE(lpWndClass->lpszMenuName)) {
    cls.menuName = lpWndClass->lpszMenuName;
    cls.wc.lpszMenuName = cls.menuName.c_str();
  }
  cls.atom = state.nextAtom++;
  return cls.atom;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *lpWndClass) { return AddClass(lpWndClass, nullptr); }

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *lpWndClass) {
  if (!lpWndClass || lpWndClass->cbSize != sizeof(WNDCLASSEXA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const WNDCLASSEXA &ex = *lpWndClass;
  WNDCLASSA wc{ex.style,         ex.lpfnWndProc,  ex.cbClsExtra,    ex.cbWndExtra,    ex.hInstance,
               ex.hIcon,         ex.hCursor,      ex.hbrBackground, ex.lpszMenuName,  ex.lpszClassName};
  return AddClass(&wc, ex.hIconSm);
}

static WindowClass *FindClass(WindowState &state, LPCSTR name) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    for (auto &entry : state.classes)
      if (entry.second.atom == LOWORD(reinterpret_cast<ULONG_PTR>(name))) return &entry.second;
    return nullptr;
  }
  auto it = state.classes.find(Lower(name));
  return it == state.classes.end() ? nullptr : &it->second;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  WindowClass *cls = FindClass(state, lpClassName);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (const auto &entry : state.windows)
    if (Lower(entry.second.className.c_str()) == Lower(cls->name.c_str())) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  state.classes.erase(Lower(cls->name.c_str()));
  return TRUE;
}

// A copy of the class's record and small icon (when `iconSm` is given); false for an unknown class
// or no record to fill.
static bool ClassInfo(LPCSTR name, WNDCLASSA *wc, HICON *iconSm) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  WindowClass *cls = FindClass(state, name);
  if (!cls || !wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return false;
  }
  *wc = cls->wc;
  if (iconSm) *iconSm = cls->iconSm;
  return true;
}

BOOL WINAPI GetClassInfoA(HINSTANCE, LPCSTR lpClassName, LPWNDCLASSA lpWndClass) {
  return ClassInfo(lpClassName, lpWndClass, nullptr);
}

BOOL WINAPI GetClassInfoExA(HINSTANCE, LPCSTR lpClassName, LPWNDCLASSEXA lpWndClass) {
  WNDCLASSA wc;
  HICON iconSm;
  if (!ClassInfo(lpClassName, lpWndClass ? &wc : nullptr, &iconSm)) return FALSE;
  *lpWndClass = WNDCLASSEXA{sizeof(WNDCLASSEXA), wc.style,        wc.lpfnWndProc,   wc.cbClsExtra,
                            wc.cbWndExtra,       wc.hInstance,    wc.hIcon,         wc.hCursor,
                            wc.hbrBackground,    wc.lpszMenuName, wc.lpszClassName, iconSm};
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
  WindowState &state = Windows();
  HWND hwnd;
  RegisterControlClasses();  // the system's classes exist before any window is made
  // A top-level window without a menu of its own gets its class's menu.
  if (!hMenu && !(dwStyle & WS_CHILD)) {
    LPCSTR menuName = nullptr;
    {
      Lock guard(state.lock);
      if (WindowClass *cls = FindClass(state, lpClassName)) menuName = cls->wc.lpszMenuName;
    }
    if (menuName) hMenu = LoadMenuA(hInstance, menuName);
  }
  {
    Lock guard(state.lock);
    WindowClass *cls = FindClass(state, lpClassName);
    if (!cls) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (hWndParent && !Find(state, hWndParent) && hWndParent != kDesktop) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if ((dwStyle & WS_CHILD) && !hWndParent) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    Window w;
    w.className = cls->name;
    w.classStyle = cls->wc.style;
    w.background = cls->wc.hbrBackground;
    w.proc = cls->wc.lpfnWndProc;
    // An overlapped window (neither child nor pop-up) always has a title bar and clips its siblings.
    w.style = (dwStyle & (WS_CHILD | WS_POPUP)) ? dwStyle : dwStyle | WS_CAPTION | WS_CLIPSIBLINGS;
    w.exStyle = dwExStyle;
    w.parent = hWndParent == kDesktop ? nullptr : hWndParent;
    w.instance = hInstance;
    w.menu = hMenu;
    const bool child = dwStyle & WS_CHILD;
    DisplayMode mode = CurrentDisplayMode();
    w.x = X == CW_USEDEFAULT ? (child ? 0 : 32) : X;
    w.y = X == CW_USEDEFAULT ? (child ? 0 : 32) : Y;
    w.cx = nWidth == CW_USEDEFAULT ? (child ? 0 : mode.width * 3 / 4) : nWidth;
    w.cy = nWidth == CW_USEDEFAULT ? (child ? 0 : mode.height * 3 / 4) : nHeight;
    w.thread = GetCurrentThreadId();
    w.text = lpWindowName ? lpWindowName : "";
    w.extra.assign(std::max(0, cls->wc.cbWndExtra), 0);
    w.visible = dwStyle & WS_VISIBLE;
    w.invalid = w.visible;
    hwnd = reinterpret_cast<HWND>(state.nextHandle);
    state.nextHandle += 4;
    state.windows[reinterpret_cast<uintptr_t>(hwnd)] = std::move(w);
    state.queues[GetCurrentThreadId()];
  }
  WatchThreadExit();
  CREATESTRUCTA cs{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X, LONG(dwStyle), lpWindowName, lpClassName, dwExStyle};
  if (!Deliver(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs), true)) {
    Deliver(hwnd, WM_NCDESTROY, 0, 0, true);
    Lock guard(state.lock);
    Remove(state, hwnd);
    return nullptr;
  }
  if (Deliver(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs), true) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  SIZE client;
  POINT origin;
  {
    Lock guard(state.lock);
    Window *w = Find(state, hwnd);
    if (!w) return nullptr;
    client = ClientSize(*w);
    RECT frame = FrameOf(*w);
    origin = POINT{w->x + frame.left, w->y + frame.top};
  }
  Deliver(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.cx, client.cy), true);
  Deliver(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y), true);
  if ((dwStyle & (WS_VISIBLE | WS_CHILD)) == WS_VISIBLE) Activate(hwnd);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

// Only the owner thread destroys a window: WM_DESTROY, then its children, then WM_NCDESTROY.
BOOL WINAPI DestroyWindow(HWND hWnd) {
  WindowState &state = Windows();
  std::vector<HWND> children;
  {
    Lock guard(state.lock);
    Window *w = Find(state, hWnd);
    if (!w || w->destroying) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (w->thread != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    w->destroying = true;
  }
  Deliver(hWnd, WM_DESTROY, 0, 0, true);
  {
    Lock guard(state.lock);
    for (const auto &entry : state.windows)
      if (entry.second.parent == hWnd) children.push_back(reinterpret_cast<HWND>(entry.first));
  }
  for (HWND child : children) DestroyWindow(child);
  Deliver(hWnd, WM_NCDESTROY, 0, 0, true);
  Lock guard(state.lock);
  Remove(state, hWnd);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  return Find(state, hWnd) != nullptr || hWnd == kDesktop;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  for (Window *w = Find(state, hWnd); w; w = w->parent ? Find(state, w->parent) : nullptr)
    if (!w->visible) return FALSE;
  return Find(state, hWnd) != nullptr;
}

// Windows are not minimised here but by the style they were made with.
BOOL WINAPI IsIconic(HWND hWnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hWnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = FindValid(state, hWnd);
  if (!w || !lpClassName || nMaxCount <= 0) return 0;
  const int n = std::min<int>(int(w->className.size()), nMaxCount - 1);
  memcpy(lpClassName, w->className.data(), size_t(n));
  lpClassName[n] = 0;
  return n;
}

HWND WINAPI GetParent(HWND hWnd) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hWnd);
  return w && (w->style & WS_CHILD) ? w->parent : nullptr;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = FindValid(state, hWnd);
  if (!w) return 0;
  if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
  return w->thread;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = FindValid(state, hWnd);
  if (!w) return 0;
  switch (nIndex) {
    case GWL_WNDPROC: return LONG(reinterpret_cast<LONG_PTR>(w->proc));
    case GWL_HINSTANCE: return LONG(reinterpret_cast<LONG_PTR>(w->instance));
    case GWL_HWNDPARENT: return LONG(reinterpret_cast<LONG_PTR>(w->parent));
    case GWL_STYLE: return LONG(w->style);
    case GWL_EXSTYLE: return LONG(w->exStyle);
    case GWL_USERDATA: return w->userData;
    case GWL_ID: return LONG(reinterpret_cast<LONG_PTR>(w->menu));
  }
  if (nIndex >= 0 && size_t(nIndex) + sizeof(LONG) <= w->extra.size()) {
    LONG value;
    memcpy(&value, &w->extra[nIndex], sizeof value);
    return value;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = FindValid(state, hWnd);
  if (!w) return 0;
  LONG previous;
  switch (nIndex) {
    case GWL_WNDPROC:
      previous = LONG(reinterpret_cast<LONG_PTR>(w->proc));
      w->proc = reinterpret_cast<WNDPROC>(LONG_PTR(dwNewLong));
      return previous;
    case GWL_STYLE: previous = LONG(w->style), w->style = DWORD(dwNewLong); return previous;
    case GWL_EXSTYLE: previous = LONG(w->exStyle), w->exStyle = DWORD(dwNewLong); return previous;
    case GWL_USERDATA: previous = w->userData, w->userData = dwNewLong; return previous;
    case GWL_ID:
      previous = LONG(reinterpret_cast<LONG_PTR>(w->menu));
      w->menu = reinterpret_cast<HMENU>(LONG_PTR(dwNewLong));
      return previous;
  }
  if (nIndex >= 0 && size_t(nIndex) + sizeof(LONG) <= w->extra.size()) {
    memcpy(&previous, &w->extra[nIndex], sizeof previous);
    memcpy(&w->extra[nIndex], &dwNewLong, sizeof dwNewLong);
    return previous;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  return IsWindow(hWnd) && SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : ""));
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hWnd);
  if (!w || !lpString || nMaxCount <= 0) return 0;
  int n = std::min<int>(int(w->text.size()), nMaxCount - 1);
  memcpy(lpString, w->text.data(), n);
  lpString[n] = 0;
  return n;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  if (!lpRect) return FALSE;
  if (hWnd == kDesktop) {
    DisplayMode mode = CurrentDisplayMode();
    *lpRect = RECT{0, 0, mode.width, mode.height};
    return TRUE;
  }
  Window *w = FindValid(state, hWnd);
  if (!w) return FALSE;
  SIZE size = ClientSize(*w);
  *lpRect = RECT{0, 0, size.cx, size.cy};
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  if (!lpRect) return FALSE;
  if (hWnd == kDesktop) {
    DisplayMode mode = CurrentDisplayMode();
    *lpRect = RECT{0, 0, mode.width, mode.height};
    return TRUE;
  }
  Window *w = FindValid(state, hWnd);
  if (!w) return FALSE;
  POINT origin = WindowOrigin(state, *w);
  *lpRect = RECT{origin.x, origin.y, origin.x + w->cx, origin.y + w->cy};
  return TRUE;
}

static BOOL MapClient(HWND hWnd, LPPOINT lpPoint, int sign) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  if (!lpPoint) return FALSE;
  if (hWnd == kDesktop) return TRUE;
  Window *w = FindValid(state, hWnd);
  if (!w) return FALSE;
  POINT origin = ClientOrigin(state, *w);
  lpPoint->x += sign * origin.x;
  lpPoint->y += sign * origin.y;
  return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) { return MapClient(hWnd, lpPoint, 1); }
BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) { return MapClient(hWnd, lpPoint, -1); }

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
  if (!lpRect) return FALSE;
  RECT frame = Frame(dwStyle, dwExStyle, bMenu);
  lpRect->left -= frame.left;
  lpRect->top -= frame.top;
  lpRect->right += frame.right;
  lpRect->bottom += frame.bottom;
  return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu) {
  return AdjustWindowRectEx(lpRect, dwStyle, bMenu, 0);
}

// Moves and sizes in one step: WM_WINDOWPOSCHANGING (whose WINDOWPOS the procedure may edit), the
// change, then WM_WINDOWPOSCHANGED; both through the owner thread's hook chain.
BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  WindowState &state = Windows();
  WINDOWPOS pos{hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags};
  {
    Lock guard(state.lock);
    Window *w = FindValid(state, hWnd);
    if (!w) return FALSE;
    if (uFlags & SWP_NOMOVE) pos.x = w->x, pos.y = w->y;
    if (uFlags & SWP_NOSIZE) pos.cx = w->cx, pos.cy = w->cy;
  }
  const bool wait = !(uFlags & SWP_ASYNCWINDOWPOS);
  if (!(uFlags & SWP_NOSENDCHANGING) && wait) Send(hWnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos), true);
  auto *changed = new WINDOWPOS(pos);  // outlives an asynchronous send
  {
    Lock guard(state.lock);
    Window *w = Find(state, hWnd);
    if (!w) {
      delete changed;
      return FALSE;
    }
    if (pos.x == w->x && pos.y == w->y) changed->flags |= SWP_NOMOVE;
    if (pos.cx == w->cx && pos.cy == w->cy) changed->flags |= SWP_NOSIZE;
    w->x = pos.x, w->y = pos.y, w->cx = std::max(0, pos.cx), w->cy = std::max(0, pos.cy);
    SizeSurface(hWnd, *w);
    if (uFlags & SWP_SHOWWINDOW) w->visible = true;
    if (uFlags & SWP_HIDEWINDOW) w->visible = false;
    if (!(changed->flags & SWP_NOSIZE) && !(uFlags & SWP_NOREDRAW)) w->invalid = w->visible;
  }
  if (wait) {
    Send(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(changed), true);
    delete changed;
  } else {
    // Asynchronous WINDOWPOS records stay alive for the receiver, also while exit handlers run.
    static std::mutex keepLock;
    static auto *kept = new std::vector<std::unique_ptr<WINDOWPOS>>;
    std::lock_guard<std::mutex> keep(keepLock);
    kept->emplace_back(changed);
    Send(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(changed), false);
  }
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                      SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

// Makes a top-level window the active one: WM_ACTIVATE to the one losing and the one gaining
// activation, and the focus to it unless it already holds the focus window. Windows of other
// threads get their messages without the caller waiting.
static void Activate(HWND hWnd) {
  WindowState &state = Windows();
  HWND previous;
  {
    Lock guard(state.lock);
    if (state.foreground == hWnd || !Find(state, hWnd)) return;
    previous = state.foreground;
    state.foreground = hWnd;
  }
  if (previous) Send(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hWnd), false);
  Send(hWnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous), false);
  if (!IsSelfOrDescendant(hWnd, GetFocus())) SetFocus(hWnd);
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  WindowState &state = Windows();
  bool was, now, activate;
  {
    Lock guard(state.lock);
    Window *w = FindValid(state, hWnd);
    if (!w) return FALSE;
    ++w->shows;
    was = w->visible;
    now = nCmdShow != SW_HIDE;
    w->visible = now;
    if (now && !was) w->invalid = true;
    activate = !(w->style & WS_CHILD) && nCmdShow != SW_HIDE && nCmdShow != SW_SHOWNOACTIVATE &&
               nCmdShow != SW_SHOWMINNOACTIVE && nCmdShow != SW_SHOWNA && nCmdShow != SW_MINIMIZE;
  }
  if (was != now) Send(hWnd, WM_SHOWWINDOW, now, 0, true);
  if (activate) Activate(hWnd);
  return was;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
  WindowState &state = Windows();
  bool paint;
  {
    Lock guard(state.lock);
    Window *w = FindValid(state, hWnd);
    if (!w) return FALSE;
    ++w->updates;
    paint = w->invalid;
  }
  if (paint) Send(hWnd, WM_PAINT, 0, 0, true);
  return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hWnd);
  if (!w) {
    if (hWnd) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    for (auto &entry : state.windows) entry.second.invalid = true;
    Notify(state);
    return TRUE;
  }
  ++w->invalidates;
  SIZE size = ClientSize(*w);
  RECT rect = lpRect ? *lpRect : RECT{0, 0, size.cx, size.cy};
  if (w->invalid) {
    w->invalidRect.left = std::min(w->invalidRect.left, rect.left);
    w->invalidRect.top = std::min(w->invalidRect.top, rect.top);
    w->invalidRect.right = std::max(w->invalidRect.right, rect.right);
    w->invalidRect.bottom = std::max(w->invalidRect.bottom, rect.bottom);
  } else {
    w->invalidRect = rect;
  }
  w->invalid = true;
  Notify(state);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT *) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hWnd);
  if (!w) return FALSE;
  w->invalid = false;
  return TRUE;
}

// WM_KILLFOCUS to the window losing the focus, WM_SETFOCUS to the one gaining it (without waiting
// for windows of other threads).
HWND WINAPI SetFocus(HWND hWnd) {
  WindowState &state = Windows();
  HWND previous;
  {
    Lock guard(state.lock);
    if (hWnd && !FindValid(state, hWnd)) return nullptr;
    previous = state.focus;
    if (previous == hWnd) return previous;
    state.focus = hWnd;
  }
  if (previous && IsWindow(previous)) Send(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0, false);
  if (hWnd) Send(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0, false);
  return previous;
}

HWND WINAPI GetFocus(void) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  return state.focus;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
  if (!IsWindow(hWnd) || hWnd == GetDesktopWindow()) return FALSE;
  Activate(hWnd);
  return TRUE;
}

HWND WINAPI GetForegroundWindow(void) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  return state.foreground;
}

HWND WINAPI GetActiveWindow(void) { return GetForegroundWindow(); }
HWND WINAPI GetDesktopWindow(void) { return kDesktop; }

int WINAPI GetSystemMetrics(int nIndex) {
  DisplayMode mode = CurrentDisplayMode();
  switch (nIndex) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: return mode.width;
    case SM_CYSCREEN: return mode.height;
    case SM_CYFULLSCREEN: return mode.height - kCaption;
    case SM_CXVSCROLL: case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return kCaption;
    case SM_CYMENU: return kMenu;
    case SM_CXBORDER: case SM_CYBORDER: return kBorder;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return kFixedFrame;
    case SM_CXFRAME: case SM_CYFRAME: return kThickFrame;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXMAXIMIZED: return mode.width + 2 * kThickFrame;
    case SM_CYMAXIMIZED: return mode.height + 2 * kThickFrame;
    case SM_CMONITORS: return 1;
    default: return 0;
  }
}

HDC WINAPI GetDC(HWND hWnd) { return GetWindowDc(hWnd, false); }
HDC WINAPI GetWindowDC(HWND hWnd) { return GetWindowDc(hWnd, true); }

// A window's own DC stays with the window; other window DCs are deleted.
int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  HWND owner = WindowOfDC(hDC);
  Window *w = Find(state, owner);
  if (!w) return DeleteWindowDC(hDC) ? 1 : 0;
  if (hDC == w->ownDc) return 1;
  auto it = std::find(w->dcs.begin(), w->dcs.end(), hDC);
  if (it == w->dcs.end()) return 0;
  w->dcs.erase(it);
  DeleteWindowDC(hDC);
  return 1;
}

HWND WINAPI WindowFromDC(HDC hDC) { return WindowOfDC(hDC); }

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  HDC dc = GetDC(hWnd);
  if (!dc || !lpPaint) return dc;
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hWnd);
  memset(lpPaint, 0, sizeof *lpPaint);
  lpPaint->hdc = dc;
  SIZE size = ClientSize(*w);
  lpPaint->rcPaint = w->invalid ? w->invalidRect : RECT{0, 0, size.cx, size.cy};
  if (lpPaint->rcPaint.right == lpPaint->rcPaint.left) lpPaint->rcPaint = RECT{0, 0, size.cx, size.cy};
  w->invalid = false;
  w->invalidRect = RECT{0, 0, 0, 0};
  return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint) {
  if (lpPaint) ReleaseDC(hWnd, lpPaint->hdc);
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd == HWND_BROADCAST) {
    BroadcastToWindows(Msg, wParam, lParam);
    return 0;
  }
  return Send(hWnd, Msg, wParam, lParam, true);
}

BOOL WINAPI SendNotifyMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd == HWND_BROADCAST) {
    BroadcastToWindows(Msg, wParam, lParam);
    return TRUE;
  }
  if (!IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Send(hWnd, Msg, wParam, lParam, false);
  return TRUE;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  if (!hWnd) {
    Post(state, GetCurrentThreadId(), nullptr, Msg, wParam, lParam);
    return TRUE;
  }
  if (hWnd == HWND_BROADCAST) {
    for (const auto &entry : state.windows)
      if (!(entry.second.style & WS_CHILD))
        Post(state, entry.second.thread, reinterpret_cast<HWND>(entry.first), Msg, wParam, lParam);
    return TRUE;
  }
  Window *w = FindValid(state, hWnd);
  if (!w) return FALSE;
  Post(state, w->thread, hWnd, Msg, wParam, lParam);
  return TRUE;
}

BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  if (!state.queues.count(idThread)) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  Post(state, idThread, nullptr, Msg, wParam, lParam);
  return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Queue &queue = state.queues[GetCurrentThreadId()];
  queue.quit = true;
  queue.quitCode = nExitCode;
  Notify(state);
}

// Finding nothing is a program's idle moment: on the virtual clock it costs a frame.
BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  MSG msg;
  if (!Peek(&msg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg & PM_REMOVE)) {
    AdvanceClock(FrameMicroseconds());
    return FALSE;
  }
  if (lpMsg) *lpMsg = msg;
  return TRUE;
}

// Waits for a message; FALSE for WM_QUIT, -1 for a bad window filter.
BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (hWnd && hWnd != reinterpret_cast<HWND>(-1) && !IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  WindowState &state = Windows();
  MSG msg;
  for (;;) {
    const unsigned seen = state.generation;
    if (Peek(&msg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) break;
    WaitForInput(seen, hWnd, wMsgFilterMin, wMsgFilterMax);
  }
  if (lpMsg) *lpMsg = msg;
  return msg.message != WM_QUIT;
}

BOOL WINAPI WaitMessage(void) {
  MSG msg;
  WindowState &state = Windows();
  for (;;) {
    const unsigned seen = state.generation;
    if (Peek(&msg, nullptr, 0, 0, false)) break;
    WaitForInput(seen, nullptr, 0, 0);
  }
  return TRUE;
}

// Posted messages go straight to the window procedure (no WH_CALLWNDPROC hook); a WM_TIMER of a
// timer with its own procedure goes to that procedure.
LRESULT WINAPI DispatchMessageA(const MSG *lpMsg) {
  if (lpMsg && lpMsg->message == WM_TIMER && lpMsg->lParam) {
    reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, MessageTime());
    return 0;
  }
  if (!lpMsg || !lpMsg->hwnd) return 0;
  WNDPROC proc;
  {
    WindowState &state = Windows();
    Lock guard(state.lock);
    Window *w = Find(state, lpMsg->hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    proc = w->proc;
  }
  return proc ? proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam) : 0;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hWnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_WINDOWPOSCHANGED: {
      const WINDOWPOS *pos = reinterpret_cast<const WINDOWPOS *>(lParam);
      SIZE client{0, 0};
      POINT origin{0, 0};
      {
        WindowState &state = Windows();
        Lock guard(state.lock);
        Window *w = Find(state, hWnd);
        if (!w) return 0;
        client = ClientSize(*w);
        RECT frame = FrameOf(*w);
        origin = POINT{w->x + frame.left, w->y + frame.top};
      }
      if (!(pos->flags & SWP_NOMOVE)) SendMessageA(hWnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
      if (!(pos->flags & SWP_NOSIZE)) SendMessageA(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.cx, client.cy));
      return 0;
    }
    case WM_SETTEXT: {
      WindowState &state = Windows();
      Lock guard(state.lock);
      Window *w = Find(state, hWnd);
      if (!w) return FALSE;
      w->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    }
    case WM_GETTEXT: return GetWindowTextA(hWnd, reinterpret_cast<LPSTR>(lParam), int(wParam));
    default: return 0;
  }
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

BOOL WINAPI InSendMessage(void) { return inCrossThreadSend > 0; }

// A window timer is known by its window and id (setting it again restarts it); a thread timer
// (no window) gets an id of its own unless `nIDEvent` names one of the thread's timers.
UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  DWORD thread = GetCurrentThreadId();
  if (hWnd) {
    Window *w = FindValid(state, hWnd);
    if (!w) return 0;
    thread = w->thread;
  }
  const long long period = 1000LL * std::min<UINT>(std::max<UINT>(uElapse, USER_TIMER_MINIMUM), USER_TIMER_MAXIMUM);
  Timer *timer = nullptr;
  for (Timer &t : state.timers)
    if (t.hwnd == hWnd && t.id == nIDEvent && (hWnd || t.thread == thread)) timer = &t;
  if (!timer) {
    state.timers.push_back(Timer{hWnd, hWnd ? nIDEvent : state.nextThreadTimer++, 0, 0, nullptr, thread});
    timer = &state.timers.back();
  }
  timer->period = period;
  timer->due = ClockMicroseconds() + period;
  timer->proc = lpTimerFunc;
  Notify(state);
  return hWnd ? (nIDEvent ? nIDEvent : 1) : timer->id;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  DWORD thread = GetCurrentThreadId();
  for (auto it = state.timers.begin(); it != state.timers.end(); ++it)
    if (it->hwnd == hWnd && it->id == uIDEvent && (hWnd || it->thread == thread)) {
      state.timers.erase(it);
      return TRUE;
    }
  SetLastError(hWnd && !Find(state, hWnd) ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
  return FALSE;
}

// The system's cursors and icons as fixed handles; programs have no resources here.
static HICON StockIcon(HINSTANCE hInstance, LPCSTR name, uintptr_t base) {
  if (hInstance || !IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HICON>(base + LOWORD(reinterpret_cast<ULONG_PTR>(name)));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  return StockIcon(hInstance, lpCursorName, 0x00600000);
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) { return StockIcon(hInstance, lpIconName, 0x00680000); }

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  HCURSOR previous = state.cursor;
  state.cursor = hCursor;
  return previous;
}

int WINAPI ShowCursor(BOOL bShow) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  return bShow ? ++state.cursorCount : --state.cursorCount;
}

int StandinWindowCount(void) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  return int(state.windows.size());
}

static int WindowCounter(HWND hwnd, int Window::*counter) {
  WindowState &state = Windows();
  Lock guard(state.lock);
  Window *w = Find(state, hwnd);
  return w ? w->*counter : -1;
}

int StandinShowWindowCount(HWND hwnd) { return WindowCounter(hwnd, &Window::shows); }
int StandinUpdateWindowCount(HWND hwnd) { return WindowCounter(hwnd, &Window::updates); }
int StandinInvalidateCount(HWND hwnd) { return WindowCounter(hwnd, &Window::invalidates); }
int StandinProcessSentMessages(void) { return ProcessSent(); }

}  // extern "C"
