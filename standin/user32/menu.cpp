// Menus loaded from the program's resource tables: items with ids, check marks and pop-ups.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "standin/control.h"
#include "standin/resources.h"
#include "user32_internal.h"

namespace {

struct MenuItem {
  UINT id = 0;
  UINT flags = 0;
  std::string text;
  HMENU popup = nullptr;
};

struct Menu {
  std::vector<MenuItem> items;
};

struct MenuState {
  std::recursive_mutex lock;
  std::map<uintptr_t, Menu> menus;
  uintptr_t next = 0x00900010;
};

MenuState &Menus() {
  static auto *state = new MenuState;
  return *state;
}

using Guard = std::lock_guard<std::recursive_mutex>;

Menu *Find(MenuState &state, HMENU menu) {
  auto it = state.menus.find(reinterpret_cast<uintptr_t>(menu));
  return it == state.menus.end() ? nullptr : &it->second;
}

HMENU NewMenu(MenuState &state) {
  HMENU handle = reinterpret_cast<HMENU>(state.next);
  state.next += 4;
  state.menus[reinterpret_cast<uintptr_t>(handle)];
  return handle;
}

// Builds the menu of items[*at..] at `depth`; pop-ups take the deeper items that follow them.
HMENU Build(MenuState &state, const StandinMenuItem *items, DWORD count, DWORD *at, int depth) {
  HMENU handle = NewMenu(state);
  while (*at < count && items[*at].depth == depth) {
    const StandinMenuItem &source = items[(*at)++];
    MenuItem item;
    item.id = source.id;
    item.flags = source.flags;
    item.text = source.text ? source.text : "";
    if (source.flags & MF_POPUP) item.popup = Build(state, items, count, at, depth + 1);
    Find(state, handle)->items.push_back(item);
  }
  return handle;
}

// The item of `menu` or its pop-ups with that command id, or the item at that position.
MenuItem *FindItem(MenuState &state, HMENU menu, UINT key, UINT flags) {
  Menu *m = Find(state, menu);
  if (!m) return nullptr;
  if (flags & MF_BYPOSITION) return key < m->items.size() ? &m->items[key] : nullptr;
  for (MenuItem &item : m->items) {
    if (!(item.flags & (MF_POPUP | MF_SEPARATOR)) && item.id == key) return &item;
    if (item.popup)
      if (MenuItem *inner = FindItem(state, item.popup, key, flags)) return inner;
  }
  return nullptr;
}

void Destroy(MenuState &state, HMENU menu) {
  Menu *m = Find(state, menu);
  if (!m) return;
  for (MenuItem &item : m->items)
    if (item.popup) Destroy(state, item.popup);
  state.menus.erase(reinterpret_cast<uintptr_t>(menu));
}

}  // namespace

extern "C" {

HMENU WINAPI LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName) {
  const StandinResource *resource = StandinFindResource(hInstance, STANDIN_RT_MENU, lpMenuName);
  if (!resource) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  MenuState &state = Menus();
  Guard guard(state.lock);
  DWORD at = 0;
  return Build(state, static_cast<const StandinMenuItem *>(resource->data), resource->size, &at, 0);
}

// A top-level window's menu is the handle CreateWindow kept in its id field.
HMENU WINAPI GetMenu(HWND hWnd) {
  if (!IsWindow(hWnd) || (GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD)) return nullptr;
  HMENU menu = reinterpret_cast<HMENU>(LONG_PTR(GetWindowLongA(hWnd, GWL_ID)));
  MenuState &state = Menus();
  Guard guard(state.lock);
  return Find(state, menu) ? menu : nullptr;
}

BOOL WINAPI DestroyMenu(HMENU hMenu) {
  MenuState &state = Menus();
  Guard guard(state.lock);
  if (!Find(state, hMenu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  Destroy(state, hMenu);
  return TRUE;
}

DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
  MenuState &state = Menus();
  Guard guard(state.lock);
  MenuItem *item = FindItem(state, hMenu, uIDCheckItem, uCheck);
  if (!item) return DWORD(-1);
  const DWORD previous = item->flags & MF_CHECKED;
  item->flags = (item->flags & ~MF_CHECKED) | (uCheck & MF_CHECKED);
  return previous;
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
  MenuState &state = Menus();
  Guard guard(state.lock);
  MenuItem *item = FindItem(state, hMenu, uId, uFlags);
  return item ? item->flags : UINT(-1);
}

BOOL WINAPI DrawMenuBar(HWND hWnd) { return GetMenu(hWnd) != nullptr; }

BOOL StandinChooseMenuItem(HWND hwnd, UINT id) {
  HMENU menu = GetMenu(hwnd);
  MenuState &state = Menus();
  {
    Guard guard(state.lock);
    MenuItem *item = menu ? FindItem(state, menu, id, MF_BYCOMMAND) : nullptr;
    if (!item || (item->flags & (MF_GRAYED | MF_DISABLED))) return FALSE;
  }
  if (!IsWindowEnabled(hwnd)) return FALSE;
  return PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

}  // extern "C"

namespace standin {

std::vector<std::string> MenuItemTexts(HMENU menu) {
  MenuState &state = Menus();
  Guard guard(state.lock);
  std::vector<std::string> texts;
  if (Menu *m = Find(state, menu))
    for (const MenuItem &item : m->items) texts.push_back(item.flags & MF_SEPARATOR ? "" : item.text);
  return texts;
}

}  // namespace standin
