// Polygon, Rectangle and DrawText: every call is recorded with the brush it fills with, and drawn
// into the surface of its device context (paint.cpp).
#include <string.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "gdi32_internal.h"
#include "standin/control.h"

namespace {

struct DrawState {
  std::mutex lock;
  std::vector<StandinDraw> draws;
};

DrawState &Draws() {
  static auto *state = new DrawState;
  return *state;
}

void ResetDraws() {
  std::lock_guard<std::mutex> guard(Draws().lock);
  Draws().draws.clear();
}

standin::ResetRegistrar resetDraws(ResetDraws);

bool Record(StandinDraw draw) {
  if (GetObjectType(draw.dc) != OBJ_DC && GetObjectType(draw.dc) != OBJ_MEMDC) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  draw.window = WindowFromDC(draw.dc);
  draw.brush = static_cast<HBRUSH>(GetCurrentObject(draw.dc, OBJ_BRUSH));
  std::lock_guard<std::mutex> guard(Draws().lock);
  Draws().draws.push_back(draw);
  return true;
}

}  // namespace

extern "C" {

BOOL WINAPI Polygon(HDC hdc, const POINT *apt, int cpt) {
  if (!apt || cpt < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  StandinDraw draw{};
  draw.kind = STANDIN_DRAW_POLYGON;
  draw.dc = hdc;
  draw.pointCount = cpt;
  memcpy(draw.points, apt, sizeof(POINT) * std::min(cpt, 16));
  if (!Record(draw)) return FALSE;
  standin::PaintPolygon(hdc, apt, cpt);
  return TRUE;
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  StandinDraw draw{};
  draw.kind = STANDIN_DRAW_RECTANGLE;
  draw.dc = hdc;
  draw.rect = RECT{left, top, right, bottom};
  if (!Record(draw)) return FALSE;
  standin::PaintRectangle(hdc, left, top, right, bottom);
  return TRUE;
}

// Returns the text's height: one line height per line (16 pixels with the stand-in's fonts).
int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  if (!lpchText || !lprc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t length = cchText < 0 ? strlen(lpchText) : size_t(cchText);
  StandinDraw draw{};
  draw.kind = STANDIN_DRAW_TEXT;
  draw.dc = hdc;
  draw.rect = *lprc;
  draw.format = format;
  memcpy(draw.text, lpchText, std::min(length, sizeof draw.text - 1));
  if (!Record(draw)) return 0;
  standin::PaintDrawText(hdc, lpchText, length, *lprc, format);
  int lines = 1;
  if (!(format & DT_SINGLELINE))
    for (size_t i = 0; i < length; ++i) lines += lpchText[i] == '\n';
  return 16 * lines;
}

int StandinDrawCount(void) {
  std::lock_guard<std::mutex> guard(Draws().lock);
  return int(Draws().draws.size());
}

BOOL StandinGetDraw(int i, StandinDraw *out) {
  std::lock_guard<std::mutex> guard(Draws().lock);
  if (i < 0 || size_t(i) >= Draws().draws.size() || !out) return FALSE;
  *out = Draws().draws[i];
  return TRUE;
}

}  // extern "C"
