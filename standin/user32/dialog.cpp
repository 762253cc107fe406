// Dialogs from the program's templates: modal (DialogBoxParamA runs its own message loop with the
// owner disabled) and modeless (CreateDialogParamA), the dialog manager's defaults, the dialog
// item calls, and answers: scripted user actions (click, type, select, close) on a dialog's
// controls, queued for the next dialog of a template or done at once on an open one.
#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "standin/control.h"
#include "standin/resources.h"
#include "user32_internal.h"

namespace {

const char kDialogClass[] = "#32770";
constexpr UINT kAnswerMessage = WM_USER + 0x3BFF;  // the dialog class's own: do the next pending action
constexpr int kBaseUnitX = 6, kBaseUnitY = 13;     // the dialog font's average character cell

struct Action {
  enum Kind { Click, Type, Select, Close } kind;
  int control = 0;
  int index = 0;
  std::string text;
};

struct Dialog {
  DLGPROC proc = nullptr;
  int templateId = 0;
  bool ended = false;
  INT_PTR result = 0;
  LRESULT messageResult = 0;
  LONG user = 0;
  std::deque<Action> pending;
  unsigned serial = 0;  // creation order
};

struct DialogState {
  std::recursive_mutex lock;
  std::map<HWND, Dialog> dialogs;
  std::map<int, std::deque<std::vector<Action>>> queued;  // by template id
  unsigned serial = 0;
  int failures = 0;
};

DialogState &Dialogs() {
  static auto *state = new DialogState;
  return *state;
}

using Guard = std::lock_guard<std::recursive_mutex>;

Dialog *Find(HWND hwnd) {
  auto it = Dialogs().dialogs.find(hwnd);
  return it == Dialogs().dialogs.end() ? nullptr : &it->second;
}

// "click ID; type ID TEXT; select ID INDEX; close", separated by ';'. False on a malformed action.
bool ParseActions(const char *text, std::vector<Action> *out) {
  std::string all = text ? text : "";
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    std::string part = all.substr(start, end - start);
    start = end + 1;
    char verb[16] = "";
    int id = 0, used = 0;
    const int n = sscanf(part.c_str(), " %15s %n", verb, &used);
    if (n < 1) continue;  // empty part
    Action a{};
    const char *rest = part.c_str() + used;
    int consumed = 0;
    if (!strcmp(verb, "close")) {
      a.kind = Action::Close;
    } else if (sscanf(rest, "%d%n", &id, &consumed) == 1) {
      a.control = id;
      rest += consumed;
      if (!strcmp(verb, "click")) {
        a.kind = Action::Click;
      } else if (!strcmp(verb, "select")) {
        a.kind = Action::Select;
        if (sscanf(rest, "%d", &a.index) != 1) return false;
      } else if (!strcmp(verb, "type")) {
        a.kind = Action::Type;
        if (*rest == ' ') ++rest;
        a.text = rest;
        while (!a.text.empty() && isspace(static_cast<unsigned char>(a.text.back()))) a.text.pop_back();
      } else {
        return false;
      }
    } else {
      return false;
    }
    out->push_back(a);
  }
  return true;
}

// Does what a user would: press a button, type into an emptied field, pick a list entry, close.
bool Perform(HWND dialog, const Action &a) {
  HWND control = a.kind == Action::Close ? nullptr : GetDlgItem(dialog, a.control);
  switch (a.kind) {
    case Action::Close: SendMessageA(dialog, WM_CLOSE, 0, 0); return true;
    case Action::Click:
      if (!control || !IsWindowEnabled(control)) return false;
      SendMessageA(control, BM_CLICK, 0, 0);
      return true;
    case Action::Type:
      if (!control || !IsWindowEnabled(control)) return false;
      SetFocus(control);
      SetWindowTextA(control, "");
      for (char c : a.text) SendMessageA(control, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
      return true;
    case Action::Select:
      if (!control || !IsWindowEnabled(control) || SendMessageA(control, LB_SETCURSEL, WPARAM(a.index), 0) == LB_ERR)
        return false;
      if (GetWindowLongA(control, GWL_STYLE) & LBS_NOTIFY)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(a.control, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
      return true;
  }
  return false;
}

void CountFailure() {
  Guard guard(Dialogs().lock);
  ++Dialogs().failures;
}

void Forget(HWND hwnd) {
  Guard guard(Dialogs().lock);
  Dialogs().dialogs.erase(hwnd);
}

void ResetDialogs() {
  Guard guard(Dialogs().lock);
  Dialogs().queued.clear();
  Dialogs().failures = 0;
}

standin::ResetRegistrar resetDialogs(ResetDialogs);

// Script verb "dialog TEMPLATE ACTIONS...": the actions, done at their time on the newest open
// dialog of that template.
void DeliverDialogActions(HWND, const std::vector<std::string> &args) {
  std::string actions;
  for (size_t i = 1; i < args.size(); ++i) actions += (i > 1 ? " " : "") + args[i];
  if (args.empty() || !StandinDialogAction(atoi(args[0].c_str()), actions.c_str()))
    fprintf(stderr, "dialog %s: \"%s\" was not done\n", args.empty() ? "?" : args[0].c_str(), actions.c_str());
}

standin::ScriptVerbRegistrar dialogVerb("dialog", DeliverDialogActions);

// The dialog manager's handling of what the dialog procedure leaves.
LRESULT DialogDefault(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
      return 0;
    case WM_INITDIALOG: return TRUE;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DLGPROC proc = nullptr;
  {
    Guard guard(Dialogs().lock);
    Dialog *d = Find(hwnd);
    if (d && msg == kAnswerMessage) {
      if (d->pending.empty()) return 0;
      Action a = d->pending.front();
      d->pending.pop_front();
      if (!Perform(hwnd, a)) ++Dialogs().failures;
      return 0;
    }
    if (d) proc = d->proc;
  }
  if (msg == WM_NCDESTROY) Forget(hwnd);
  if (proc) {
    INT_PTR handled = proc(hwnd, msg, wParam, lParam);
    if (msg == WM_INITDIALOG) return handled;
    if (handled) {
      Guard guard(Dialogs().lock);
      Dialog *d = Find(hwnd);
      return d ? d->messageResult : TRUE;
    }
  }
  return DialogDefault(hwnd, msg, wParam, lParam);
}

void RegisterDialogClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    standin::RegisterControlClasses();
    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = DialogWindowProc;
    wc.cbWndExtra = 12;
    wc.lpszClassName = kDialogClass;
    RegisterClassA(&wc);
  });
}

int ToPixelsX(int units) { return units * kBaseUnitX / 4; }
int ToPixelsY(int units) { return units * kBaseUnitY / 8; }

HWND CreateFromTemplate(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  const StandinResource *resource = StandinFindResource(instance, STANDIN_RT_DIALOG, name);
  if (!resource) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  RegisterDialogClass();
  const StandinDialogTemplate &t = *static_cast<const StandinDialogTemplate *>(resource->data);
  RECT frame{0, 0, ToPixelsX(t.cx), ToPixelsY(t.cy)};
  AdjustWindowRectEx(&frame, t.style, FALSE, t.exStyle);
  POINT at{ToPixelsX(t.x), ToPixelsY(t.y)};
  if (owner) ClientToScreen(owner, &at);
  HWND hwnd = CreateWindowExA(t.exStyle, kDialogClass, t.caption, t.style & ~WS_VISIBLE, at.x, at.y,
                              frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, instance, nullptr);
  if (!hwnd) return nullptr;
  for (int i = 0; i < t.itemCount; ++i) {
    const StandinDialogItem &item = t.items[i];
    if (!CreateWindowExA(item.exStyle, item.className, item.text, item.style | WS_CHILD, ToPixelsX(item.x),
                         ToPixelsY(item.y), ToPixelsX(item.cx), ToPixelsY(item.cy), hwnd,
                         reinterpret_cast<HMENU>(LONG_PTR(item.id)), instance, nullptr)) {
      DestroyWindow(hwnd);
      return nullptr;
    }
  }
  std::vector<Action> answer;
  {
    Guard guard(Dialogs().lock);
    Dialog &d = Dialogs().dialogs[hwnd];
    d.proc = proc;
    d.templateId = IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<ULONG_PTR>(name)) : 0;
    d.serial = ++Dialogs().serial;
    auto queued = Dialogs().queued.find(d.templateId);
    if (queued != Dialogs().queued.end() && !queued->second.empty()) {
      answer = queued->second.front();
      queued->second.pop_front();
    }
  }
  std::vector<HWND> controls = standin::ChildWindows(hwnd);
  SendMessageA(hwnd, WM_INITDIALOG, WPARAM(controls.empty() ? nullptr : controls.front()), param);
  if (!IsWindow(hwnd)) return nullptr;
  if (t.style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  // Each action is a message of its own, so the dialog's loop runs what each one causes first.
  Guard guard(Dialogs().lock);
  if (Dialog *d = Find(hwnd))
    for (const Action &a : answer) {
      d->pending.push_back(a);
      PostMessageA(hwnd, kAnswerMessage, 0, 0);
    }
  return hwnd;
}

bool IsWithin(HWND dialog, HWND hwnd) {
  for (HWND w = hwnd; w; w = GetParent(w))
    if (w == dialog) return true;
  return false;
}

}  // namespace

extern "C" {

HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
  return CreateFromTemplate(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
  const bool ownerWasEnabled = hWndParent && IsWindowEnabled(hWndParent);
  if (ownerWasEnabled) EnableWindow(hWndParent, FALSE);
  HWND hwnd = CreateFromTemplate(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
  INT_PTR result = -1;
  if (hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    for (;;) {
      {
        Guard guard(Dialogs().lock);
        Dialog *d = Find(hwnd);
        if (!d || d->ended) {
          if (d) result = d->result;
          break;
        }
      }
      MSG msg;
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == -1) break;
      if (got == 0) {
        PostQuitMessage(int(msg.wParam));  // the loop that owns the quit message sees it too
        break;
      }
      if (!IsDialogMessageA(hwnd, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }
  if (ownerWasEnabled) EnableWindow(hWndParent, TRUE);
  if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
  if (hwnd) Forget(hwnd);
  return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  {
    Guard guard(Dialogs().lock);
    Dialog *d = Find(hDlg);
    if (!d) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    d->ended = true;
    d->result = nResult;
  }
  ShowWindow(hDlg, SW_HIDE);
  PostMessageA(hDlg, WM_NULL, 0, 0);  // wakes a modal loop
  return TRUE;
}

// Return runs the OK button and Esc the Cancel button; everything else for the dialog or its
// controls is translated and dispatched.
BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
  if (!hDlg || !lpMsg || !lpMsg->hwnd || !IsWithin(hDlg, lpMsg->hwnd)) return FALSE;
  if (lpMsg->message == WM_KEYDOWN && (lpMsg->wParam == VK_RETURN || lpMsg->wParam == VK_ESCAPE)) {
    const int id = lpMsg->wParam == VK_RETURN ? IDOK : IDCANCEL;
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
    return TRUE;
  }
  TranslateMessage(lpMsg);
  DispatchMessageA(lpMsg);
  return TRUE;
}

LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return DialogDefault(hDlg, Msg, wParam, lParam);
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
  if (!lpRect || !IsWindow(hDlg)) return FALSE;
  lpRect->left = ToPixelsX(lpRect->left);
  lpRect->right = ToPixelsX(lpRect->right);
  lpRect->top = ToPixelsY(lpRect->top);
  lpRect->bottom = ToPixelsY(lpRect->bottom);
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  for (HWND child : standin::ChildWindows(hDlg))
    if (GetDlgCtrlID(child) == nIDDlgItem) return child;
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
  if (!IsWindow(hWnd) || !(GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD)) return 0;
  return int(GetWindowLongA(hWnd, GWL_ID));
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SetWindowTextA(item, lpString) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (!item) {
    if (lpString && cchMax > 0) lpString[0] = '\0';
    return 0;
  }
  return UINT(GetWindowTextA(item, lpString, cchMax));
}

BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
  char text[16];
  snprintf(text, sizeof text, bSigned ? "%d" : "%u", bSigned ? int(uValue) : uValue);
  return SetDlgItemTextA(hDlg, nIDDlgItem, text);
}

// The field's text as a decimal number (spaces around it allowed, a minus sign when signed);
// anything else, or a value out of range, is not translated and gives 0.
UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL *lpTranslated, BOOL bSigned) {
  if (lpTranslated) *lpTranslated = FALSE;
  char text[64];
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (!item || GetWindowTextA(item, text, sizeof text) >= int(sizeof text) - 1) return 0;
  const char *p = text;
  while (*p == ' ') ++p;
  const bool negative = bSigned && *p == '-';
  if (negative) ++p;
  if (!isdigit(static_cast<unsigned char>(*p))) return 0;
  long long value = 0;
  for (; isdigit(static_cast<unsigned char>(*p)); ++p) {
    value = value * 10 + (*p - '0');
    if (value > 0xFFFFFFFFLL) return 0;
  }
  while (*p == ' ') ++p;
  if (*p) return 0;
  if (negative) value = -value;
  if (bSigned ? value < INT_MIN || value > INT_MAX : value > 0xFFFFFFFFLL) return 0;
  if (lpTranslated) *lpTranslated = TRUE;
  return UINT(value);
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}

BOOL StandinQueueDialogAnswer(int templateId, const char *actions) {
  std::vector<Action> parsed;
  if (!ParseActions(actions, &parsed)) return FALSE;
  Guard guard(Dialogs().lock);
  Dialogs().queued[templateId].push_back(parsed);
  return TRUE;
}

BOOL StandinDialogAction(int templateId, const char *actions) {
  std::vector<Action> parsed;
  if (!ParseActions(actions, &parsed)) return FALSE;
  HWND target = StandinFindDialog(templateId);
  if (!target) {
    CountFailure();
    return FALSE;
  }
  bool ok = true;
  for (const Action &a : parsed)
    if (!IsWindow(target) || !Perform(target, a)) ok = false;
  if (!ok) CountFailure();
  return ok;
}

HWND StandinFindDialog(int templateId) {
  Guard guard(Dialogs().lock);
  HWND newest = nullptr;
  unsigned serial = 0;
  for (const auto &entry : Dialogs().dialogs)
    if ((templateId == 0 || entry.second.templateId == templateId) && !entry.second.ended &&
        entry.second.serial > serial && IsWindow(entry.first))
      newest = entry.first, serial = entry.second.serial;
  return newest;
}

int StandinDialogAnswerFailures(void) {
  Guard guard(Dialogs().lock);
  return Dialogs().failures;
}

}  // extern "C"
