// The system's control classes as dialogs use them: push buttons (BN_CLICKED), edit fields (typed
// characters within the EM_LIMITTEXT limit), list boxes (LB_* messages) and statics (text or a
// bitmap resource).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "standin/control.h"
#include "standin/resources.h"
#include "user32_internal.h"

namespace {

constexpr UINT kDefaultEditLimit = 30000;

struct Control {
  UINT limit = kDefaultEditLimit;     // edit fields
  std::vector<std::string> items;     // list boxes
  int selection = LB_ERR;
  HANDLE image = nullptr;             // statics
};

struct ControlState {
  std::recursive_mutex lock;
  std::map<HWND, Control> controls;
};

ControlState &Controls() {
  static auto *state = new ControlState;
  return *state;
}

using Guard = std::lock_guard<std::recursive_mutex>;

Control &Of(HWND hwnd) { return Controls().controls[hwnd]; }

void Forget(HWND hwnd) {
  Guard guard(Controls().lock);
  Controls().controls.erase(hwnd);
}

void Notify(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (parent) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == BM_CLICK) {
    if (IsWindowEnabled(hwnd)) Notify(hwnd, BN_CLICKED);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCDESTROY: Forget(hwnd); break;
    case EM_LIMITTEXT: {
      Guard guard(Controls().lock);
      Of(hwnd).limit = wParam ? UINT(wParam) : 0x7FFFFFFE;
      return 0;
    }
    case EM_GETLIMITTEXT: {
      Guard guard(Controls().lock);
      return LRESULT(Of(hwnd).limit);
    }
    case WM_CHAR: {
      char text[1024];
      int n = GetWindowTextA(hwnd, text, sizeof text);
      UINT limit;
      {
        Guard guard(Controls().lock);
        limit = Of(hwnd).limit;
      }
      const int c = int(wParam & 0xFF);
      if (c == VK_BACK) {
        if (n == 0) return 0;
        text[--n] = '\0';
      } else if (c >= ' ' && UINT(n) < limit && n + 1 < int(sizeof text)) {
        if ((GetWindowLongA(hwnd, GWL_STYLE) & ES_NUMBER) && (c < '0' || c > '9')) return 0;
        text[n++] = char(c);
        text[n] = '\0';
      } else {
        return 0;  // the field is full: the platform beeps
      }
      DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
      Notify(hwnd, EN_CHANGE);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) Forget(hwnd);
  if (msg < LB_ADDSTRING || msg > LB_GETCOUNT) return DefWindowProcA(hwnd, msg, wParam, lParam);
  Guard guard(Controls().lock);
  Control &c = Of(hwnd);
  const int count = int(c.items.size());
  const int index = int(wParam);
  const char *text = reinterpret_cast<const char *>(lParam);
  switch (msg) {
    case LB_ADDSTRING:
      c.items.push_back(text ? text : "");
      return count;
    case LB_INSERTSTRING: {
      const int at = index < 0 || index > count ? count : index;
      c.items.insert(c.items.begin() + at, text ? text : "");
      if (c.selection >= at) ++c.selection;
      return at;
    }
    case LB_DELETESTRING:
      if (index < 0 || index >= count) return LB_ERR;
      c.items.erase(c.items.begin() + index);
      if (c.selection == index) c.selection = LB_ERR;
      else if (c.selection > index) --c.selection;
      return count - 1;
    case LB_RESETCONTENT:
      c.items.clear();
      c.selection = LB_ERR;
      return 0;
    case LB_SETCURSEL:
      c.selection = index >= 0 && index < count ? index : LB_ERR;
      return c.selection;
    case LB_GETCURSEL: return c.selection;
    case LB_GETTEXT:
      if (index < 0 || index >= count || !lParam) return LB_ERR;
      memcpy(reinterpret_cast<char *>(lParam), c.items[index].c_str(), c.items[index].size() + 1);
      return LRESULT(c.items[index].size());
    case LB_GETTEXTLEN: return index < 0 || index >= count ? LB_ERR : LRESULT(c.items[index].size());
    case LB_GETCOUNT: return count;
    default: return LB_ERR;
  }
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCDESTROY: Forget(hwnd); break;
    case WM_CREATE: {
      // A bitmap static names its bitmap resource as "#<id>" (or by the id in its text).
      const CREATESTRUCTA *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
      if ((cs->style & 0x1F) == SS_BITMAP && cs->lpszName) {
        const char *name = cs->lpszName[0] == '#' ? cs->lpszName + 1 : cs->lpszName;
        HBITMAP bitmap = LoadBitmapA(cs->hInstance, MAKEINTRESOURCEA(atoi(name)));
        if (!bitmap) return -1;
        Guard guard(Controls().lock);
        Of(hwnd).image = bitmap;
      }
      return 0;
    }
    case STM_SETIMAGE: {
      Guard guard(Controls().lock);
      HANDLE previous = Of(hwnd).image;
      Of(hwnd).image = reinterpret_cast<HANDLE>(lParam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE: {
      Guard guard(Controls().lock);
      return reinterpret_cast<LRESULT>(Of(hwnd).image);
    }
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

namespace standin {

void RegisterControlClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    const struct {
      const char *name;
      WNDPROC proc;
    } classes[] = {{"BUTTON", ButtonProc}, {"EDIT", EditProc}, {"LISTBOX", ListBoxProc}, {"STATIC", StaticProc}};
    for (const auto &c : classes) {
      WNDCLASSA wc{};
      wc.style = CS_GLOBALCLASS;
      wc.lpfnWndProc = c.proc;
      wc.lpszClassName = c.name;
      RegisterClassA(&wc);
    }
  });
}

}  // namespace standin
