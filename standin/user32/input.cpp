// Scripted input and the keyboard and mouse state. A script of timed events (kInputScriptVariable
// names its file) runs on the virtual clock: each event, when its time has come and the program's
// queue holds nothing posted, becomes the messages a user's action makes (key and mouse messages
// to the focus, capture or pointed-at window, WM_COMMAND from a menu or dialog control, the close
// command). GetKeyState, GetAsyncKeyState and GetCursorPos report the state the events left.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "standin/control.h"
#include "user32_internal.h"

namespace standin {
namespace {

constexpr long long kDefaultFrame = 10000;  // microseconds

enum class Kind { KeyDown, KeyUp, Move, ButtonDown, ButtonUp, Menu, Command, Text, Close, Verb };

struct Event {
  long long due;  // clock time, microseconds
  size_t order;   // script order among events of the same time
  int line;
  Kind kind;
  int a = 0, b = 0;  // key: a = virtual key; move: x, y; button: a = 0 left, 1 right, 2 middle;
                     // menu, command, text: a = id; command: b = notification code
  ScriptVerbFn deliver = nullptr;
  std::vector<std::string> args;  // text: the text; verbs: the words after the verb
};

struct Answer {
  long long due;
  std::vector<std::string> args;
};

struct Verb {
  ScriptVerbFn deliver;  // null: an answer
};

struct Input {
  std::mutex lock;
  bool tried = false;  // the environment was looked at
  bool loaded = false;
  std::deque<Event> events;                           // by time
  std::map<std::string, std::deque<Answer>> answers;  // by verb, in script order
  long long frame = kDefaultFrame;
  BYTE keys[256] = {};     // 0x80 down, 0x01 toggled
  bool pressed[256] = {};  // pressed since the last GetAsyncKeyState
  POINT cursor{0, 0};
  HWND capture = nullptr;
};

Input &TheInput() {
  static auto *input = new Input;
  return *input;
}

// The verbs of other components; "picture" is always there (a program need not call into the
// pictures' file for its scripts to take pictures).
std::map<std::string, Verb> &Verbs() {
  static auto *verbs = new std::map<std::string, Verb>{{"picture", Verb{PictureVerb}}};
  return *verbs;
}

using Guard = std::lock_guard<std::mutex>;

void ClearScript(Input &in) {
  in.loaded = false;
  in.events.clear();
  in.answers.clear();
  in.frame = kDefaultFrame;
  memset(in.keys, 0, sizeof in.keys);
  memset(in.pressed, 0, sizeof in.pressed);
  in.cursor = POINT{0, 0};
  in.capture = nullptr;
}

void ResetInput() {
  Input &in = TheInput();
  Guard guard(in.lock);
  in.tried = true;
  ClearScript(in);
}

ResetRegistrar resetInput(ResetInput);

struct NamedKey {
  const char *name;
  int vk;
};

const NamedKey kKeyNames[] = {
    {"BACK", VK_BACK},       {"BACKSPACE", VK_BACK},  {"TAB", VK_TAB},         {"RETURN", VK_RETURN},
    {"ENTER", VK_RETURN},    {"SHIFT", VK_SHIFT},     {"CONTROL", VK_CONTROL}, {"CTRL", VK_CONTROL},
    {"MENU", VK_MENU},       {"ALT", VK_MENU},        {"PAUSE", VK_PAUSE},     {"CAPITAL", VK_CAPITAL},
    {"ESCAPE", VK_ESCAPE},   {"ESC", VK_ESCAPE},      {"SPACE", VK_SPACE},     {"PRIOR", VK_PRIOR},
    {"PAGEUP", VK_PRIOR},    {"NEXT", VK_NEXT},       {"PAGEDOWN", VK_NEXT},   {"END", VK_END},
    {"HOME", VK_HOME},       {"LEFT", VK_LEFT},       {"UP", VK_UP},           {"RIGHT", VK_RIGHT},
    {"DOWN", VK_DOWN},       {"SNAPSHOT", VK_SNAPSHOT}, {"INSERT", VK_INSERT}, {"DELETE", VK_DELETE},
    {"MULTIPLY", VK_MULTIPLY}, {"ADD", VK_ADD},       {"SUBTRACT", VK_SUBTRACT}, {"DECIMAL", VK_DECIMAL},
    {"DIVIDE", VK_DIVIDE},
};

std::string Upper(std::string text) {
  for (char &c : text) c = char(toupper(static_cast<unsigned char>(c)));
  return text;
}

bool ParseInt(const std::string &word, int *value) {
  if (word.empty()) return false;
  char *end = nullptr;
  long v = strtol(word.c_str(), &end, 0);
  if (*end) return false;
  *value = int(v);
  return true;
}

// A key: a letter or digit, a name (with or without "VK_"), F1-F12, NUMPAD0-9, or a number.
bool ParseKey(const std::string &word, int *vk) {
  std::string name = Upper(word);
  if (name.compare(0, 3, "VK_") == 0) name = name.substr(3);
  if (name.size() == 1 && isalnum(static_cast<unsigned char>(name[0]))) {
    *vk = name[0];
    return true;
  }
  for (const NamedKey &k : kKeyNames)
    if (name == k.name) {
      *vk = k.vk;
      return true;
    }
  int n;
  if (name.size() >= 2 && name[0] == 'F' && ParseInt(name.substr(1), &n) && n >= 1 && n <= 12) {
    *vk = VK_F1 + n - 1;
    return true;
  }
  if (name.compare(0, 6, "NUMPAD") == 0 && name.size() == 7 && isdigit(static_cast<unsigned char>(name[6]))) {
    *vk = VK_NUMPAD0 + (name[6] - '0');
    return true;
  }
  return ParseInt(word, vk) && *vk > 0 && *vk < 256;
}

bool ParseButton(const std::string &word, int *button) {
  static const char *const names[] = {"LEFT", "RIGHT", "MIDDLE"};
  for (int i = 0; i < 3; ++i)
    if (Upper(word) == names[i]) {
      *button = i;
      return true;
    }
  return false;
}

// Words of a line: blanks separate them, double quotes keep blanks inside one, # starts a comment.
bool SplitWords(const std::string &line, std::vector<std::string> *words) {
  size_t i = 0;
  while (i < line.size()) {
    if (isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      size_t close = line.find('"', i + 1);
      if (close == std::string::npos) return false;
      word = line.substr(i + 1, close - i - 1);
      i = close + 1;
    } else {
      while (i < line.size() && !isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
    }
    words->push_back(word);
  }
  return true;
}

// Builds the events of one timed line; an empty return means success.
std::string AddLine(Input &in, long long due, int line, const std::vector<std::string> &w, size_t *order,
                    std::vector<Event> *out) {
  const std::string &verb = w[0];
  const size_t n = w.size() - 1;
  auto add = [&](long long when, Kind kind, int a = 0, int b = 0) {
    Event e{};
    e.due = when, e.order = (*order)++, e.line = line, e.kind = kind, e.a = a, e.b = b;
    out->push_back(e);
    return &out->back();
  };
  int a, b, c, d, e;
  if (verb == "key" || verb == "keydown" || verb == "keyup") {
    if (n < 1 || n > 2 || !ParseKey(w[1], &a)) return "expected: " + verb + " KEY";
    if (verb == "keyup") {
      add(due, Kind::KeyUp, a);
    } else {
      add(due, Kind::KeyDown, a);
      if (verb == "key") {
        int hold = int(in.frame / 1000);
        if (n == 2 && (!ParseInt(w[2], &hold) || hold < 0)) return "expected: key KEY [HOLD-MS]";
        add(due + hold * 1000LL, Kind::KeyUp, a);
      }
    }
  } else if (verb == "move") {
    if (n != 2 || !ParseInt(w[1], &a) || !ParseInt(w[2], &b)) return "expected: move X Y";
    add(due, Kind::Move, a, b);
  } else if (verb == "down" || verb == "up" || verb == "click") {
    if ((n != 1 && n != 3) || !ParseButton(w[1], &a)) return "expected: " + verb + " left|right|middle [X Y]";
    if (n == 3) {
      if (!ParseInt(w[2], &b) || !ParseInt(w[3], &c)) return "expected: " + verb + " BUTTON X Y";
      add(due, Kind::Move, b, c);
    }
    if (verb != "up") add(due, Kind::ButtonDown, a);
    if (verb != "down") add(due + (verb == "click" ? in.frame : 0), Kind::ButtonUp, a);
  } else if (verb == "drag") {
    int ms = int(in.frame / 1000);
    if ((n != 5 && n != 6) || !ParseButton(w[1], &a) || !ParseInt(w[2], &b) || !ParseInt(w[3], &c) ||
        !ParseInt(w[4], &d) || !ParseInt(w[5], &e) || (n == 6 && (!ParseInt(w[6], &ms) || ms < 0)))
      return "expected: drag BUTTON X0 Y0 X1 Y1 [MS]";
    add(due, Kind::Move, b, c);
    add(due, Kind::ButtonDown, a);
    const long long frame = std::max(in.frame, 1000LL);
    const int steps = std::max(1, int(ms * 1000LL / frame));
    for (int i = 1; i <= steps; ++i)
      add(due + ms * 1000LL * i / steps, Kind::Move, b + (d - b) * i / steps, c + (e - c) * i / steps);
    add(due + ms * 1000LL, Kind::ButtonUp, a);
  } else if (verb == "menu") {
    if (n != 1 || !ParseInt(w[1], &a)) return "expected: menu ID";
    add(due, Kind::Menu, a);
  } else if (verb == "command") {
    b = 0;
    if ((n != 1 && n != 2) || !ParseInt(w[1], &a) || (n == 2 && !ParseInt(w[2], &b)))
      return "expected: command ID [CODE]";
    add(due, Kind::Command, a, b);
  } else if (verb == "text") {
    if (n != 2 || !ParseInt(w[1], &a)) return "expected: text ID \"TEXT\"";
    add(due, Kind::Text, a)->args.push_back(w[2]);
  } else if (verb == "close") {
    if (n != 0) return "expected: close";
    add(due, Kind::Close);
  } else {
    auto it = Verbs().find(verb);
    if (it == Verbs().end()) return "unknown verb '" + verb + "'";
    std::vector<std::string> args(w.begin() + 1, w.end());
    if (!it->second.deliver) {
      in.answers[verb].push_back(Answer{due, args});
    } else {
      Event *ev = add(due, Kind::Verb);
      ev->deliver = it->second.deliver;
      ev->args = args;
    }
  }
  return "";
}

// Replaces the script with `text`; an empty return means success, else "line N: problem".
std::string Load(Input &in, const std::string &text) {
  ClearScript(in);
  std::istringstream lines(text);
  std::string line;
  std::vector<std::vector<std::string>> timed;
  std::vector<std::pair<long long, int>> times;  // due, line number
  long long previous = 0;
  for (int number = 1; std::getline(lines, line); ++number) {
    std::vector<std::string> w;
    if (!SplitWords(line, &w)) return "line " + std::to_string(number) + ": unclosed quote";
    if (w.empty()) continue;
    if (w[0] == "frame") {
      int ms;
      if (w.size() != 2 || !ParseInt(w[1], &ms) || ms <= 0)
        return "line " + std::to_string(number) + ": expected: frame MS";
      in.frame = ms * 1000LL;
      continue;
    }
    const bool relative = w[0][0] == '+';
    int ms;
    if (!ParseInt(relative ? w[0].substr(1) : w[0], &ms) || ms < 0 || w.size() < 2)
      return "line " + std::to_string(number) + ": expected: TIME VERB ... (or frame MS)";
    previous = (relative ? previous : 0) + ms * 1000LL;
    w.erase(w.begin());
    timed.push_back(w);
    times.emplace_back(previous, number);
  }
  std::vector<Event> events;
  size_t order = 0;
  for (size_t i = 0; i < timed.size(); ++i) {
    std::string problem = AddLine(in, times[i].first, times[i].second, timed[i], &order, &events);
    if (!problem.empty()) {
      ClearScript(in);
      return "line " + std::to_string(times[i].second) + ": " + problem;
    }
  }
  std::stable_sort(events.begin(), events.end(), [](const Event &x, const Event &y) { return x.due < y.due; });
  in.events.assign(events.begin(), events.end());
  in.loaded = true;
  return "";
}

// The script the environment names, once; a script that cannot be read ends the program.
Input &Ready() {
  Input &in = TheInput();
  Guard guard(in.lock);
  if (in.tried) return in;
  in.tried = true;
  const char *path = getenv(kInputScriptVariable);
  if (!path || !*path) return in;
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  std::string problem = file ? Load(in, text.str()) : "cannot be read";
  if (!problem.empty()) {
    fprintf(stderr, "%s %s: %s\n", kInputScriptVariable, path, problem.c_str());
    exit(2);
  }
  return in;
}

bool Down(const Input &in, int vk) { return in.keys[vk & 0xFF] & 0x80; }

WPARAM MouseKeys(const Input &in) {
  return (Down(in, VK_LBUTTON) ? MK_LBUTTON : 0) | (Down(in, VK_RBUTTON) ? MK_RBUTTON : 0) |
         (Down(in, VK_MBUTTON) ? MK_MBUTTON : 0) | (Down(in, VK_SHIFT) ? MK_SHIFT : 0) |
         (Down(in, VK_CONTROL) ? MK_CONTROL : 0);
}

void SetKey(Input &in, int vk, bool down) {
  BYTE &key = in.keys[vk & 0xFF];
  if (down && !(key & 0x80)) {
    key ^= 0x01;
    in.pressed[vk & 0xFF] = true;
  }
  key = BYTE(down ? key | 0x80 : key & ~0x80);
}

// The window under the cursor, or the capture window, with the cursor in its client coordinates.
HWND MouseTarget(POINT cursor, HWND capture, POINT *local) {
  if (capture && IsWindow(capture)) {
    *local = cursor;
    ScreenToClient(capture, local);
    return capture;
  }
  HWND top = InputWindow();
  if (!top) return nullptr;
  POINT client = cursor;
  ScreenToClient(top, &client);
  return WindowAtPoint(top, client, local);
}

// The windows' lock is taken only after the input's lock is released: posting takes them the
// other way round.
void PostMouse(UINT msg) {
  Input &in = TheInput();
  POINT cursor, local;
  WPARAM keys;
  HWND capture;
  {
    Guard guard(in.lock);
    keys = MouseKeys(in);
    cursor = in.cursor;
    capture = in.capture;
  }
  HWND target = MouseTarget(cursor, capture, &local);
  if (target) PostMessageA(target, msg, keys, MAKELPARAM(local.x, local.y));
}

void Warn(const Event &e, const char *problem) {
  fprintf(stderr, "%s: line %d: %s\n", kInputScriptVariable, e.line, problem);
}

void Deliver(const Event &e) {
  Input &in = TheInput();
  HWND window = InputWindow();
  switch (e.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp: {
      const bool down = e.kind == Kind::KeyDown;
      bool was, alt, control;
      {
        Guard guard(in.lock);
        was = Down(in, e.a);
        SetKey(in, e.a, down);
        alt = Down(in, VK_MENU);
        control = Down(in, VK_CONTROL);
      }
      HWND focus = GetFocus();
      HWND target = focus && window && IsSelfOrDescendant(window, focus) ? focus : window;
      if (!target) return Warn(e, "no window for the key");
      const bool sys = (alt && !control) || e.a == VK_MENU || e.a == VK_F10;
      LPARAM flags = 1 | (alt ? 1L << 29 : 0) | (was ? 1L << 30 : 0) | (down ? 0 : LPARAM(1UL << 31));
      UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
      PostMessageA(target, msg, WPARAM(e.a), flags);
      return;
    }
    case Kind::Move: {
      POINT screen{e.a, e.b};
      if (window) ClientToScreen(window, &screen);
      {
        Guard guard(in.lock);
        in.cursor = screen;
      }
      PostMouse(WM_MOUSEMOVE);
      return;
    }
    case Kind::ButtonDown:
    case Kind::ButtonUp: {
      static const int vks[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
      static const UINT downs[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
      static const UINT ups[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
      const bool down = e.kind == Kind::ButtonDown;
      {
        Guard guard(in.lock);
        SetKey(in, vks[e.a], down);
      }
      PostMouse(down ? downs[e.a] : ups[e.a]);
      return;
    }
    case Kind::Menu:
      if (!window) return Warn(e, "no window for the menu command");
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(e.a, 0), 0);
      return;
    case Kind::Command:
      if (!window) return Warn(e, "no window for the command");
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(e.a, e.b), reinterpret_cast<LPARAM>(ChildWithId(window, e.a)));
      return;
    case Kind::Text: {
      HWND control = window ? ChildWithId(window, e.a) : nullptr;
      if (!control) return Warn(e, "no control of that id in the input window");
      SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e.args[0].c_str()));
      return;
    }
    case Kind::Close:
      if (!window) return Warn(e, "no window to close");
      PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case Kind::Verb:
      e.deliver(window, e.args);
      return;
  }
}

}  // namespace

bool DeliverDueInput() {
  Input &in = Ready();
  Event event;
  {
    Guard guard(in.lock);
    if (in.events.empty() || in.events.front().due > ClockMicroseconds()) return false;
    event = in.events.front();
    in.events.pop_front();
  }
  Deliver(event);
  return true;
}

long long NextInputTime() {
  Input &in = Ready();
  Guard guard(in.lock);
  return in.events.empty() ? -1 : in.events.front().due;
}

bool InputScriptLoaded() {
  Input &in = Ready();
  Guard guard(in.lock);
  return in.loaded;
}

long long FrameMicroseconds() {
  Input &in = Ready();
  Guard guard(in.lock);
  return in.frame;
}

POINT CursorPosition() {
  Input &in = TheInput();
  Guard guard(in.lock);
  return in.cursor;
}

void AddScriptVerb(const char *verb, ScriptVerbFn deliver) { Verbs()[verb] = Verb{deliver}; }

bool TakeScriptAnswer(const char *verb, std::vector<std::string> *args) {
  Input &in = Ready();
  long long due;
  {
    Guard guard(in.lock);
    auto it = in.answers.find(verb);
    if (it == in.answers.end() || it->second.empty()) return false;
    due = it->second.front().due;
    *args = it->second.front().args;
    it->second.pop_front();
  }
  AdvanceClockTo(due);
  return true;
}

HWND MouseCapture() {
  Input &in = TheInput();
  Guard guard(in.lock);
  return in.capture;
}

void SetMouseCapture(HWND hwnd) {
  Input &in = TheInput();
  Guard guard(in.lock);
  in.capture = hwnd;
}

}  // namespace standin

using namespace standin;

namespace {

// The character a key makes on a US keyboard with the given shift state; 0 for none.
int CharOfKey(UINT vk, bool shift) {
  static const char kShiftedDigits[] = ")!@#$%^&*(";
  struct Oem {
    UINT vk;
    char plain, shifted;
  };
  static const Oem kOem[] = {{VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'},
                             {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
                             {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},    {VK_OEM_5, '\\', '|'},
                             {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'}};
  if (vk >= 'A' && vk <= 'Z') return shift ? int(vk) : int(vk) + ('a' - 'A');
  if (vk >= '0' && vk <= '9') return shift ? kShiftedDigits[vk - '0'] : int(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return int('0' + vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return 0x08;
    case VK_TAB: return '\t';
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
  }
  for (const Oem &o : kOem)
    if (o.vk == vk) return shift ? o.shifted : o.plain;
  return 0;
}

}  // namespace

extern "C" {

// A key press that makes a character posts WM_CHAR (WM_SYSCHAR with Alt), by the key state now;
// with Ctrl, letters make the control codes 1-26.
BOOL WINAPI TranslateMessage(const MSG *lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  const UINT vk = UINT(lpMsg->wParam);
  const bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  int ch = control && vk >= 'A' && vk <= 'Z' ? int(vk - 'A' + 1) : CharOfKey(vk, shift);
  if (!ch) return FALSE;
  PostMessageA(lpMsg->hwnd, lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, WPARAM(ch), lpMsg->lParam);
  return TRUE;
}

SHORT WINAPI GetKeyState(int nVirtKey) {
  Input &in = TheInput();
  Guard guard(in.lock);
  const BYTE key = in.keys[nVirtKey & 0xFF];
  return SHORT((key & 0x80 ? 0x8000 : 0) | (key & 0x01));
}

BOOL WINAPI GetKeyboardState(PBYTE lpKeyState) {
  if (!lpKeyState) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Input &in = TheInput();
  Guard guard(in.lock);
  for (int vk = 0; vk < 256; ++vk) lpKeyState[vk] = BYTE(in.keys[vk] & 0x81);
  return TRUE;
}

// The low bit: pressed since the last call.
SHORT WINAPI GetAsyncKeyState(int vKey) {
  Input &in = TheInput();
  Guard guard(in.lock);
  const int vk = vKey & 0xFF;
  SHORT state = SHORT((in.keys[vk] & 0x80 ? 0x8000 : 0) | (in.pressed[vk] ? 1 : 0));
  in.pressed[vk] = false;
  return state;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
  if (!lpPoint) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpPoint = CursorPosition();
  return TRUE;
}

// Clamped to the screen; a move makes a WM_MOUSEMOVE as the pointer's motion would.
BOOL WINAPI SetCursorPos(int X, int Y) {
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  POINT to{std::min(std::max(X, 0), width - 1), std::min(std::max(Y, 0), height - 1)};
  Input &in = TheInput();
  {
    Guard guard(in.lock);
    if (in.cursor.x == to.x && in.cursor.y == to.y) return TRUE;
    in.cursor = to;
  }
  PostMouse(WM_MOUSEMOVE);
  return TRUE;
}

const char *StandinLoadInputScript(const char *text) {
  static std::string problem;
  Input &in = TheInput();
  {
    Guard guard(in.lock);
    in.tried = true;
    problem = Load(in, text ? text : "");
  }
  if (!problem.empty()) return problem.c_str();
  StartVirtualClock();
  return nullptr;
}

}  // extern "C"
