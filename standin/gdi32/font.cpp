// Fonts: one synthetic outline face. Every font, whatever its face name, yields the same
// deterministic glyphs scaled to its height, so tests can predict bitmaps and outlines.
#include <string.h>

#include <mutex>
#include <vector>

#include "../kernel32/standin_internal.h"
#include "standin/control.h"

namespace standin {
namespace {

constexpr UINT kEmSquare = 2048;

struct FontControl {
  std::mutex lock;
  int failFetchAt = -1;  // data fetches left before one fails; -1: never
  DWORD understate = 0;  // bytes the size answers leave out
};

FontControl &Control() {
  static auto *control = new FontControl;
  return *control;
}

void ResetFonts() {
  FontControl &control = Control();
  std::lock_guard<std::mutex> guard(control.lock);
  control.failFetchAt = -1;
  control.understate = 0;
}

ResetRegistrar resetFonts(ResetFonts);

// The selected font's description; false for a device context that is not one.
bool CurrentFont(HDC dc, LOGFONTA *lf) {
  memset(lf, 0, sizeof *lf);
  int type = GetObjectType(dc);
  if (type != OBJ_DC && type != OBJ_MEMDC) return false;
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
  if (font) GetObjectA(font, sizeof *lf, lf);
  return true;
}

LONG Units(const LOGFONTA &lf) {
  LONG height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  return height ? height : 16;
}

FIXED Fixed(LONG value) {
  FIXED f;
  f.fract = 0;
  f.value = short(value);
  return f;
}

void PutPoint(std::vector<BYTE> &out, LONG x, LONG y) {
  POINTFX p{Fixed(x), Fixed(y)};
  const BYTE *bytes = reinterpret_cast<const BYTE *>(&p);
  out.insert(out.end(), bytes, bytes + sizeof p);
}

void PutCurve(std::vector<BYTE> &out, WORD type, const LONG (*points)[2], WORD count) {
  WORD head[2] = {type, count};
  const BYTE *bytes = reinterpret_cast<const BYTE *>(head);
  out.insert(out.end(), bytes, bytes + sizeof head);
  for (WORD i = 0; i < count; ++i) PutPoint(out, points[i][0], points[i][1]);
}

// Closes the polygon begun at `start` by writing its byte count.
void EndPolygon(std::vector<BYTE> &out, size_t start) {
  DWORD cb = DWORD(out.size() - start);
  memcpy(out.data() + start, &cb, sizeof cb);
}

size_t BeginPolygon(std::vector<BYTE> &out, LONG x, LONG y) {
  size_t start = out.size();
  DWORD head[2] = {0, TT_POLYGON_TYPE};
  const BYTE *bytes = reinterpret_cast<const BYTE *>(head);
  out.insert(out.end(), bytes, bytes + sizeof head);
  PutPoint(out, x, y);
  return start;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

void StandinSynthGlyphBitmap(UINT c, GLYPHMETRICS *gm, BYTE *bits) {
  memset(gm, 0, sizeof *gm);
  if (c == ' ') {
    gm->gmBlackBoxX = gm->gmBlackBoxY = 1;
    gm->gmCellIncX = 4;
    return;
  }
  const UINT w = c == '~' ? 34 : 3 + c % 6, h = 2 + c % 4;
  gm->gmBlackBoxX = w;
  gm->gmBlackBoxY = h;
  gm->gmptGlyphOrigin.x = LONG(c % 3);
  gm->gmptGlyphOrigin.y = LONG(h - c % 2);
  gm->gmCellIncX = short(w + 1);
  if (!bits) return;
  const UINT stride = (w + 31) / 32 * 4;
  memset(bits, 0, stride * h);
  for (UINT r = 0; r < h; ++r)
    for (UINT x = 0; x < w; ++x)
      if ((x * 3 + r * r + c) % 5 < 2) bits[r * stride + x / 8] |= BYTE(0x80 >> (x % 8));
}

void StandinFailGlyphFetchAfter(int fetches) {
  FontControl &control = Control();
  std::lock_guard<std::mutex> guard(control.lock);
  control.failFetchAt = fetches;
}

void StandinUnderstateGlyphSize(DWORD bytes) {
  FontControl &control = Control();
  std::lock_guard<std::mutex> guard(control.lock);
  control.understate = bytes;
}

DWORD WINAPI GetGlyphOutlineA(HDC hdc, UINT uChar, UINT fuFormat, LPGLYPHMETRICS lpgm, DWORD cjBuffer,
                              LPVOID pvBuffer, const MAT2 *) {
  LOGFONTA lf;
  if (!lpgm || !CurrentFont(hdc, &lf)) return GDI_ERROR;
  std::vector<BYTE> data;
  if (fuFormat == GGO_BITMAP || fuFormat == GGO_METRICS) {
    StandinSynthGlyphBitmap(uChar, lpgm, nullptr);
    if (uChar != ' ') {
      data.resize((lpgm->gmBlackBoxX + 31) / 32 * 4 * lpgm->gmBlackBoxY);
      StandinSynthGlyphBitmap(uChar, lpgm, data.data());
    }
    if (fuFormat == GGO_METRICS) return 0;
  } else if (fuFormat == GGO_NATIVE) {
    // An outer contour (two lines and a quadratic arc over the top); odd codes add a hole.
    const LONG u = Units(lf), w = u * LONG(2 + uChar % 4) / 8, h = u * 3 / 4;
    const LONG lines[2][2] = {{w, 0}, {w, h}};
    const LONG arc[2][2] = {{w / 2, h + u / 4}, {0, h}};
    size_t start = BeginPolygon(data, 0, 0);
    PutCurve(data, TT_PRIM_LINE, lines, 2);
    PutCurve(data, TT_PRIM_QSPLINE, arc, 2);
    EndPolygon(data, start);
    if (uChar % 2) {
      const LONG hole[3][2] = {{w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}, {3 * w / 4, h / 4}};
      start = BeginPolygon(data, w / 4, h / 4);
      PutCurve(data, TT_PRIM_LINE, hole, 3);
      EndPolygon(data, start);
    }
    memset(lpgm, 0, sizeof *lpgm);
    lpgm->gmBlackBoxX = UINT(w);
    lpgm->gmBlackBoxY = UINT(h + u / 8);
    lpgm->gmptGlyphOrigin.x = 0;
    lpgm->gmptGlyphOrigin.y = h + u / 8;
    lpgm->gmCellIncX = short(w + u / 8);
  } else {
    return GDI_ERROR;
  }
  FontControl &control = Control();
  std::lock_guard<std::mutex> guard(control.lock);
  const DWORD size = DWORD(data.size()) > control.understate ? DWORD(data.size()) - control.understate : 0;
  if (!pvBuffer || !cjBuffer) return size;
  if (control.failFetchAt == 0) return GDI_ERROR;
  if (control.failFetchAt > 0) --control.failFetchAt;
  if (cjBuffer < size) return GDI_ERROR;
  memcpy(pvBuffer, data.data(), size);
  return size;
}

static void FillTextMetrics(const LOGFONTA &lf, TEXTMETRICA *tm) {
  const LONG u = Units(lf);
  memset(tm, 0, sizeof *tm);
  tm->tmHeight = u;
  tm->tmAscent = u * 3 / 4;
  tm->tmDescent = u - tm->tmAscent;
  tm->tmAveCharWidth = u / 2;
  tm->tmMaxCharWidth = u;
  tm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm->tmLastChar = 255;
  tm->tmItalic = lf.lfItalic;
  tm->tmPitchAndFamily = lf.lfPitchAndFamily;
  tm->tmCharSet = lf.lfCharSet;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
  LOGFONTA lf;
  if (!lptm || !CurrentFont(hdc, &lf)) return FALSE;
  FillTextMetrics(lf, lptm);
  return TRUE;
}

UINT WINAPI GetOutlineTextMetricsA(HDC hdc, UINT cjCopy, LPOUTLINETEXTMETRICA potm) {
  LOGFONTA lf;
  if (!CurrentFont(hdc, &lf)) return 0;
  if (!potm) return sizeof(OUTLINETEXTMETRICA);
  if (cjCopy < sizeof(OUTLINETEXTMETRICA)) return 0;
  memset(potm, 0, sizeof *potm);
  potm->otmSize = sizeof *potm;
  FillTextMetrics(lf, &potm->otmTextMetrics);
  potm->otmEMSquare = kEmSquare;
  return sizeof *potm;
}

BOOL WINAPI GetRasterizerCaps(LPRASTERIZER_STATUS lpraststat, UINT cjBytes) {
  if (!lpraststat || cjBytes < sizeof(RASTERIZER_STATUS)) return FALSE;
  lpraststat->nSize = sizeof(RASTERIZER_STATUS);
  lpraststat->wFlags = TT_AVAILABLE | TT_ENABLED;
  lpraststat->nLanguageID = 0;
  return TRUE;
}

}  // extern "C"
