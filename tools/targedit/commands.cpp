// targedit's editing side: the menu commands, keys and mouse on the main window, dialog 105
// (the tile's targets; modeless, so that placing, dragging and picking on the map go on while it
// is open) and dialog 106 (one target's properties).
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "editor.h"
#include "resource.h"

namespace {

constexpr float kViewDegreesPerPixel = 180 * 0.0033333334f;
constexpr int kHeadingPerPixel = 150;

// The slot of the current tile that dialog 106 shows and stores: the current target when it
// opened (the map stays usable while it is open, so the current target may change meanwhile).
int propertiesTarget = 0;

void Redraw() {
  if (gEditor.window) TOOLS_CHECK(InvalidateRect(gEditor.window, nullptr, FALSE));
}

TargetRecord &CurrentTarget() { return CurrentTile().targets[gEditor.data.currentTarget]; }

bool HasCurrentTarget() { return gEditor.data.currentTarget < TileTargetCount(&CurrentTile()); }

bool InsideMap(int x, int y) {
  const RECT map = MapRect();
  return x >= map.left && x < map.right && y >= map.top && y < map.bottom;
}

// Moves the current target to the map point under the pointer and centres the view on it.
void MoveTargetTo(int x, int y) {
  if (!HasCurrentTarget()) return;
  const POINT tile = MapToTile(x, y, MapRect());
  CurrentTarget().x = tile.x;
  CurrentTarget().y = tile.y;
  RecentreView();
}

void SetCheck(UINT id, bool on) {
  HMENU menu = GetMenu(gEditor.window);
  // CheckMenuItem answers the item's previous state, or -1 when there is no such item.
  if (menu) TOOLS_CHECK(CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)) != DWORD(-1));
}

void ChooseDetail(int limit) {
  gEditor.drawLimit = limit;
  SetCheck(ID_DETAIL_HIGH, limit == 64);
  SetCheck(ID_DETAIL_MEDIUM, limit == 32);
  SetCheck(ID_DETAIL_LOW, limit == 16);
}

void Command(UINT id) {
  const bool dialogOpen = gEditor.targetsDialog != nullptr;
  switch (id) {
    case ID_FILE_LOADTTD:
      if (!dialogOpen) LoadTargetDefinitions(gEditor.data.tiles);
      break;
    case ID_FILE_SAVETTD: SaveTargetDefinitions(gEditor.data.tiles); break;
    case ID_EDIT_COPY:
      if (!dialogOpen) gEditor.copyBuffer = CurrentTile();
      break;
    case ID_EDIT_PASTE:
      if (!dialogOpen) CurrentTile() = gEditor.copyBuffer;
      break;
    case ID_DETAIL_HIGH: ChooseDetail(64); break;
    case ID_DETAIL_MEDIUM: ChooseDetail(32); break;
    case ID_DETAIL_LOW: ChooseDetail(16); break;
    case ID_BOUNDINGBOXES:
      gEditor.boundingBoxes = !gEditor.boundingBoxes;
      SetCheck(ID_BOUNDINGBOXES, gEditor.boundingBoxes);
      break;
    default: return;
  }
  ClampCurrentTarget();
  Redraw();
}

void ChangeTile(int step) {
  const int tile = gEditor.data.currentTile + step;
  if (gEditor.targetsDialog || tile < 0 || tile >= kTileCount) return;
  gEditor.data.currentTile = tile;
  gEditor.data.currentTarget = 0;
}

// Zoom in tenths from 0.1 to 1.0.
void StepZoom(int tenths) {
  const int now = int(lroundf(gEditor.zoom * 10.0f)), next = now + tenths;
  if (next >= 1 && next <= 10) gEditor.zoom = float(next) / 10.0f;
}

void Key(WPARAM key) {
  switch (key) {
    case VK_TAB:
      if (gEditor.placeMode && !gEditor.dragging && HasCurrentTarget()) CurrentTarget().heading += 0x4000;
      break;
    case VK_SPACE: gEditor.mouseView = !gEditor.mouseView; break;
    case VK_LEFT: gEditor.panX -= 5; break;
    case VK_RIGHT: gEditor.panX += 5; break;
    case VK_UP: gEditor.panY += 5; break;
    case VK_DOWN: gEditor.panY -= 5; break;
    case VK_NUMPAD1: StepZoom(1); break;
    case VK_NUMPAD2: StepZoom(-1); break;
    case VK_NUMPAD4: ChangeTile(-1); break;
    case VK_NUMPAD5: ChangeTile(1); break;
  }
  Redraw();
}

void ApplyMouseView(int x, int y) {
  const float across = float(gEditor.oldX - x) * kViewDegreesPerPixel, down = float(y - gEditor.oldY) * -kViewDegreesPerPixel;
  switch (gEditor.button) {
    case kButtonNone:
      gEditor.angleY += across;
      gEditor.angleX += down;
      break;
    case kButtonLeft: gEditor.distance -= float(y + gEditor.oldX - gEditor.oldY - x); break;
    case kButtonRight:
      gEditor.centreX += across;
      gEditor.centreZ += down;
      break;
  }
}

void MouseMove(int x, int y) {
  if (gEditor.mouseView) ApplyMouseView(x, y);
  else if (gEditor.dragging) MoveTargetTo(x, y);
  else if (gEditor.placeMode && gEditor.button == kButtonRight && HasCurrentTarget())
    CurrentTarget().heading = uint16_t(CurrentTarget().heading + kHeadingPerPixel * (x - gEditor.oldX));
  gEditor.oldX = x;
  gEditor.oldY = y;
  Redraw();
}

void ButtonDown(HWND window, int button) {
  gEditor.button = button;
  SetCapture(window);
}

void ButtonUp() {
  gEditor.button = kButtonNone;
  gEditor.dragging = false;
  TOOLS_CHECK(ReleaseCapture());
}

void SelectInList(HWND dialog, int list, int index) {
  if (dialog) SendDlgItemMessageA(dialog, list, LB_SETCURSEL, WPARAM(index), 0);
}

void FillTileTargetList(HWND dialog) {
  const TileTargets &tile = CurrentTile();
  SendDlgItemMessageA(dialog, IDC_TILETARGETS, LB_RESETCONTENT, 0, 0);
  for (int k = 0; k < TileTargetCount(&tile); ++k) {
    const int type = tile.targets[k].type < kModelSlotCount ? tile.targets[k].type : 0;
    TOOLS_CHECK(SendDlgItemMessageA(dialog, IDC_TILETARGETS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kTargetNames[type])) >= 0);
  }
  SelectInList(dialog, IDC_TILETARGETS, gEditor.data.currentTarget);
}

void FillTypeList(HWND dialog, int list, int type) {
  for (int t = kFirstTargetType; t <= kLastTargetType; ++t)
    TOOLS_CHECK(SendDlgItemMessageA(dialog, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kTargetNames[t])) >= 0);
  SelectInList(dialog, list, type - kFirstTargetType);
}

void AddTarget(HWND dialog) {
  TileTargets &tile = CurrentTile();
  if (TileTargetCount(&tile) >= kMaxTileTargets) {
    MessageBoxA(dialog, "Only 64 Targets per Tile are Allowed...", "Notice", MB_OK | MB_ICONWARNING);
    return;
  }
  // The slot's other fields stay as they are.
  const int slot = TileTargetCount(&tile);
  tile.targets[slot].type = uint16_t(gEditor.chosenType);
  tile.count = slot + 1;
  gEditor.data.currentTarget = slot;
  FillTileTargetList(dialog);
}

void RemoveTarget(HWND dialog) {
  TileTargets &tile = CurrentTile();
  const int count = TileTargetCount(&tile), current = gEditor.data.currentTarget;
  if (count == 0 || current >= count) return;
  memmove(&tile.targets[current], &tile.targets[current + 1], sizeof(TargetRecord) * size_t(count - current - 1));
  memset(&tile.targets[count - 1], 0, sizeof(TargetRecord));
  tile.count = count - 1;
  gEditor.data.currentTarget = count - 2;
  ClampCurrentTarget();
  FillTileTargetList(dialog);
}

void CloseTargetsDialog(HWND dialog, bool keep) {
  if (!keep) CurrentTile() = gEditor.savedTile;
  TOOLS_CHECK(DestroyWindow(dialog));
  gEditor.targetsDialog = nullptr;
  gEditor.placeMode = false;
  gEditor.dragging = false;
  ClampCurrentTarget();
  Redraw();
}

INT_PTR CALLBACK TileTargetsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    FillTypeList(dialog, IDC_ALLTARGETS, gEditor.chosenType);
    FillTileTargetList(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  switch (id) {
    case IDC_TILETARGETS:
      if (code == LBN_SELCHANGE) {
        const LRESULT selection = SendDlgItemMessageA(dialog, IDC_TILETARGETS, LB_GETCURSEL, 0, 0);
        if (selection != LB_ERR && selection < TileTargetCount(&CurrentTile())) {
          gEditor.data.currentTarget = int(selection);
          RecentreView();
        }
      }
      break;
    case IDC_ALLTARGETS:
      if (code == LBN_SELCHANGE) {
        const LRESULT selection = SendDlgItemMessageA(dialog, IDC_ALLTARGETS, LB_GETCURSEL, 0, 0);
        if (selection >= 0 && selection < kLastTargetType) gEditor.chosenType = int(selection) + kFirstTargetType;
      }
      break;
    case IDC_ADDTARGET: AddTarget(dialog); break;
    case IDC_REMOVETARGET: RemoveTarget(dialog); break;
    case IDC_PLACE: gEditor.placeMode = !gEditor.placeMode; break;
    case IDC_FLAGS:
      EditTargetProperties(dialog);
      FillTileTargetList(dialog);
      break;
    case IDOK: CloseTargetsDialog(dialog, true); return TRUE;
    case IDCANCEL: CloseTargetsDialog(dialog, false); return TRUE;
    default: return FALSE;
  }
  Redraw();
  return TRUE;
}

// A field of dialog 106 as a number within [low, high]; false (after a notice) otherwise.
bool ReadField(HWND dialog, int id, long long low, long long high, const char *name, long long *value) {
  BOOL translated = FALSE;
  const bool isSigned = low < 0;
  const UINT raw = GetDlgItemInt(dialog, id, &translated, isSigned);
  *value = isSigned ? (long long)(int(raw)) : (long long)raw;
  if (translated && *value >= low && *value <= high) return true;
  char text[128];
  snprintf(text, sizeof text, "%s must be a whole number from %lld to %lld.", name, low, high);
  MessageBoxA(dialog, text, "Notice", MB_OK | MB_ICONWARNING);
  SetFocus(GetDlgItem(dialog, id));
  return false;
}

// Stores every field of dialog 106, or nothing when one is out of range.
bool StoreProperties(HWND dialog) {
  long long chance, group, left, top, right, bottom, count;
  if (!ReadField(dialog, IDC_CHANCE, 0, 255, "Chance", &chance) ||
      !ReadField(dialog, IDC_GROUP, 0, 255, "Group", &group) ||
      !ReadField(dialog, IDC_LEFT, INT32_MIN, INT32_MAX, "Left", &left) ||
      !ReadField(dialog, IDC_TOP, INT32_MIN, INT32_MAX, "Top", &top) ||
      !ReadField(dialog, IDC_RIGHT, INT32_MIN, INT32_MAX, "Right", &right) ||
      !ReadField(dialog, IDC_BOTTOM, INT32_MIN, INT32_MAX, "Bottom", &bottom) ||
      !ReadField(dialog, IDC_COUNT, 0, kMaxTileTargets, "The number of targets", &count))
    return false;
  // Slots that a larger count brings into use start empty; the edited target then takes the
  // fields, even when it is one of them (a tile without targets edits its first slot), and only
  // then does the count change, also when it leaves the edited target unused.
  TileTargets &tile = CurrentTile();
  const int old = TileTargetCount(&tile);
  for (int k = old; k < int(count); ++k) memset(&tile.targets[k], 0, sizeof(TargetRecord));
  TargetRecord &t = tile.targets[propertiesTarget];
  t.chance = uint8_t(chance);
  t.group = uint8_t(group);
  t.left = int32_t(left);
  t.top = int32_t(top);
  t.right = int32_t(right);
  t.bottom = int32_t(bottom);
  // A list without a selection answers LB_ERR: that field keeps its value.
  const LRESULT detail = SendDlgItemMessageA(dialog, IDC_DETAIL, LB_GETCURSEL, 0, 0);
  if (detail >= 0 && detail <= 2) t.detailLevel = uint8_t(detail);
  const LRESULT type = SendDlgItemMessageA(dialog, IDC_TYPE, LB_GETCURSEL, 0, 0);
  if (type >= 0 && type < kLastTargetType) t.type = uint16_t(type + kFirstTargetType);
  tile.count = int32_t(count);
  ClampCurrentTarget();
  return true;
}

INT_PTR CALLBACK TargetPropertiesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    const TargetRecord &t = CurrentTile().targets[propertiesTarget];
    SendDlgItemMessageA(dialog, IDC_CHANCE, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageA(dialog, IDC_GROUP, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageA(dialog, IDC_COUNT, EM_LIMITTEXT, 2, 0);
    TOOLS_CHECK(SetDlgItemInt(dialog, IDC_CHANCE, t.chance, FALSE));
    TOOLS_CHECK(SetDlgItemInt(dialog, IDC_GROUP, t.group, FALSE));
    TOOLS_CHECK(SetDlgItemInt(dialog, IDC_LEFT, UINT(t.left), TRUE));
    TOOLS_CHECK(SetDlgItemInt(dialog, IDC_TOP, UINT(t.top), TRUE));
    TOOLS_CHECK(SetDlgItemInt(dialog, IDC_RIGHT, UINT(t.right), TRUE));
    TOOLS_CHECK(SetDlgItemInt(dialog, IDC_BOTTOM, UINT(t.bottom), TRUE));
    TOOLS_CHECK(SetDlgItemInt(dialog, IDC_COUNT, UINT(CurrentTile().count), TRUE));
    static const char *const kDetail[] = {"Low", "Medium", "High"};
    for (const char *name : kDetail) SendDlgItemMessageA(dialog, IDC_DETAIL, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SelectInList(dialog, IDC_DETAIL, t.detailLevel <= 2 ? t.detailLevel : -1);
    FillTypeList(dialog, IDC_TYPE, t.type >= kFirstTargetType && t.type <= kLastTargetType ? t.type : 0);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_PROPERTIESOK:
      if (StoreProperties(dialog)) EndDialog(dialog, IDOK);
      return TRUE;
    case IDC_PROPERTIESCANCEL:
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
  }
  return FALSE;
}

}  // namespace

TileTargets &CurrentTile() { return gEditor.data.tiles[gEditor.data.currentTile]; }

void ClampCurrentTarget() {
  if (gEditor.data.currentTile < 0 || gEditor.data.currentTile >= kTileCount) gEditor.data.currentTile = 0;
  const int last = TileTargetCount(&CurrentTile()) - 1;
  if (gEditor.data.currentTarget > last) gEditor.data.currentTarget = last;
  if (gEditor.data.currentTarget < 0) gEditor.data.currentTarget = 0;
}

POINT MapToTile(int x, int y, const RECT &map) {
  const double width = map.right - map.left, height = map.bottom - map.top;
  if (width <= 0 || height <= 0) return POINT{0, 0};
  const double mapX = trunc((x - map.left) * 255.0 / width), mapY = trunc((y - map.top) * 255.0 / height);
  const double zoom = gEditor.zoom;
  const double tileX = gEditor.panX + mapX * zoom, tileY = (1.0 - zoom) * 255.0 + zoom * mapY - gEditor.panY;
  const auto clamp = [](double v) { return v < 0 ? 0 : v > kMapMax ? kMapMax : int(v); };
  return POINT{clamp(tileX), clamp(tileY)};
}

int PickNearestTarget(POINT tile) {
  const TileTargets &t = CurrentTile();
  int best = 1024, nearest = 0;
  for (int k = 0; k < TileTargetCount(&t); ++k) {
    // In 64 bits: a file's positions may lie anywhere in 32 bits.
    const int64_t d = llabs(int64_t(tile.x) - t.targets[k].x) + llabs(int64_t(tile.y) - t.targets[k].y);
    if (d < best) best = int(d), nearest = k;
  }
  return nearest;
}

void RecentreView() {
  if (!HasCurrentTarget()) return;
  gEditor.centreX = float(128.0 - CurrentTarget().x);  // in double: a file's x may be any int32
  gEditor.centreZ = float(128.0 - CurrentTarget().y);
}

void EditTileTargets() {
  if (gEditor.targetsDialog) return;
  gEditor.savedTile = CurrentTile();
  gEditor.targetsDialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TILETARGETS), gEditor.window,
                                             TileTargetsDlgProc, 0);
  if (!gEditor.targetsDialog) {
    MessageBoxA(gEditor.window, "The tile's target dialog cannot be opened.", "Error", MB_OK | MB_ICONERROR);
    return;
  }
  // Shown without taking the activation: keys and the map stay with the main window.
  ShowWindow(gEditor.targetsDialog, SW_SHOWNA);
}

INT_PTR EditTargetProperties(HWND owner) {
  ClampCurrentTarget();
  propertiesTarget = gEditor.data.currentTarget;
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TARGETPROPERTIES), owner,
                                         TargetPropertiesDlgProc, 0);
  if (result == -1) MessageBoxA(owner, "The target's property dialog cannot be opened.", "Error", MB_OK | MB_ICONERROR);
  Redraw();
  return result;
}

LRESULT CALLBACK EditorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
  switch (message) {
    case WM_PAINT:
      if (gEditor.dc) {
        Repaint(window);
        return 0;
      }
      break;
    case WM_COMMAND: Command(LOWORD(wParam)); return 0;
    case WM_KEYDOWN: Key(wParam); return 0;
    case WM_CHAR:
      if (wParam == VK_ESCAPE) PostQuitMessage(0);
      return 0;
    case WM_CLOSE: PostQuitMessage(0); return 0;
    case WM_MOUSEMOVE: MouseMove(x, y); return 0;
    case WM_LBUTTONDOWN:
      ButtonDown(window, kButtonLeft);
      gEditor.oldX = x, gEditor.oldY = y;
      if (gEditor.placeMode && InsideMap(x, y) && !gEditor.mouseView && HasCurrentTarget()) {
        gEditor.dragging = true;
        MoveTargetTo(x, y);
      }
      Redraw();
      return 0;
    case WM_LBUTTONUP: ButtonUp(); Redraw(); return 0;
    case WM_RBUTTONDOWN:
      ButtonDown(window, kButtonRight);
      gEditor.oldX = x, gEditor.oldY = y;
      return 0;
    case WM_RBUTTONUP:
      ButtonUp();
      if (!gEditor.targetsDialog && !gEditor.mouseView) EditTileTargets();
      Redraw();
      return 0;
    case WM_MBUTTONDOWN:
      if (InsideMap(x, y) && !gEditor.mouseView) {
        gEditor.data.currentTarget = PickNearestTarget(MapToTile(x, y, MapRect()));
        SelectInList(gEditor.targetsDialog, IDC_TILETARGETS, gEditor.data.currentTarget);
        RecentreView();
        Redraw();
      }
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
