// Painting into the pixels a device context draws on (a memory DC's bitmap, a window's surface):
// polygons, rectangles, text through the font's glyphs, DIB blits, FillRect; and the surface
// pixel access the window pictures use.
#include <math.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "gdi32_internal.h"

namespace standin {
namespace {

// A channel out of a mask, widened to 8 bits; and an 8-bit channel into a mask, rounded.
BYTE FromMask(DWORD value, DWORD mask) {
  if (!mask) return 0;
  const int shift = __builtin_ctz(mask), width = __builtin_popcount(mask);
  return BYTE(uint64_t((value & mask) >> shift) * 255 / ((uint64_t(1) << width) - 1));
}

DWORD ToMask(BYTE channel, DWORD mask) {
  if (!mask) return 0;
  const int shift = __builtin_ctz(mask), width = __builtin_popcount(mask);
  return DWORD((channel * ((uint64_t(1) << width) - 1) + 127) / 255) << shift;
}

BYTE *RowOf(const BitmapSurface &s, LONG y) {
  return s.bits + size_t(s.topDown ? y : s.height - 1 - y) * size_t(s.stride);
}

bool Inside(const BitmapSurface &s, LONG x, LONG y) { return x >= 0 && y >= 0 && x < s.width && y < s.height; }

// Fills row y from x0 up to (not including) x1.
void Span(const BitmapSurface &s, LONG y, LONG x0, LONG x1, COLORREF colour) {
  if (y < 0 || y >= s.height) return;
  for (LONG x = std::max<LONG>(x0, 0); x < std::min(x1, s.width); ++x) PutSurfacePixel(s, x, y, colour);
}

// A line of one pixel's width, both ends included.
void Line(const BitmapSurface &s, POINT a, POINT b, COLORREF colour) {
  LONG dx = labs(b.x - a.x), dy = -labs(b.y - a.y), sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  LONG error = dx + dy;
  for (;;) {
    PutSurfacePixel(s, a.x, a.y, colour);
    if (a.x == b.x && a.y == b.y) return;
    const LONG e2 = 2 * error;
    if (e2 >= dy) error += dy, a.x += sx;
    if (e2 <= dx) error += dx, a.y += sy;
  }
}

struct Painting {
  BitmapSurface surface;
  DcPaint paint;
};

bool Begin(HDC dc, Painting *p) { return DcSurface(dc, &p->surface) && DcPaintState(dc, &p->paint); }

// Draws a text's glyphs with its top-left corner at (x, y); the cells filled first in the
// background colour when the background mode is opaque.
void PaintText(HDC dc, const Painting &p, LONG x, LONG y, const char *text, size_t length) {
  TEXTMETRICA tm;
  if (!GetTextMetricsA(dc, &tm)) return;
  if (p.paint.bkMode == OPAQUE)
    FillSurface(p.surface, RECT{x, y, x + TextWidth(dc, text, length), y + tm.tmHeight}, p.paint.background);
  static const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  std::vector<BYTE> bits;
  for (size_t i = 0; i < length; ++i) {
    const UINT c = BYTE(text[i]);
    GLYPHMETRICS gm;
    const DWORD size = GetGlyphOutlineA(dc, c, GGO_BITMAP, &gm, 0, nullptr, &identity);
    if (size != GDI_ERROR && size) {
      bits.assign(size, 0);
      if (GetGlyphOutlineA(dc, c, GGO_BITMAP, &gm, size, bits.data(), &identity) != GDI_ERROR) {
        const UINT stride = (gm.gmBlackBoxX + 31) / 32 * 4;
        const LONG left = x + gm.gmptGlyphOrigin.x, top = y + tm.tmAscent - gm.gmptGlyphOrigin.y;
        for (UINT r = 0; r < gm.gmBlackBoxY && (r + 1) * stride <= size; ++r)
          for (UINT col = 0; col < gm.gmBlackBoxX; ++col)
            if (bits[r * stride + col / 8] & (0x80 >> (col % 8)))
              PutSurfacePixel(p.surface, left + LONG(col), top + LONG(r), p.paint.text);
      }
    }
    if (size != GDI_ERROR) x += gm.gmCellIncX;
  }
}

}  // namespace

COLORREF SurfacePixel(const BitmapSurface &s, LONG x, LONG y) {
  if (!Inside(s, x, y)) return CLR_INVALID;
  const BYTE *row = RowOf(s, y);
  auto indexed = [&](UINT index) {
    if (index >= s.colours.size()) return COLORREF(RGB(index, index, index));
    const RGBQUAD &q = s.colours[index];
    return COLORREF(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
  };
  switch (s.bitsPixel) {
    case 1: return indexed((row[x / 8] >> (7 - x % 8)) & 1);
    case 4: return indexed((row[x / 2] >> (x % 2 ? 0 : 4)) & 15);
    case 8: return indexed(row[x]);
    case 16: {
      const DWORD v = DWORD(row[2 * x] | (row[2 * x + 1] << 8));
      return RGB(FromMask(v, s.masks[0]), FromMask(v, s.masks[1]), FromMask(v, s.masks[2]));
    }
    case 24: return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case 32: {
      DWORD v;
      memcpy(&v, row + 4 * x, 4);
      return RGB(FromMask(v, s.masks[0]), FromMask(v, s.masks[1]), FromMask(v, s.masks[2]));
    }
    default: return CLR_INVALID;
  }
}

void PutSurfacePixel(const BitmapSurface &s, LONG x, LONG y, COLORREF colour) {
  if (!Inside(s, x, y)) return;
  BYTE *row = RowOf(s, y);
  const BYTE r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  switch (s.bitsPixel) {
    case 16: {
      const DWORD v = ToMask(r, s.masks[0]) | ToMask(g, s.masks[1]) | ToMask(b, s.masks[2]);
      row[2 * x] = BYTE(v), row[2 * x + 1] = BYTE(v >> 8);
      return;
    }
    case 24: row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r; return;
    case 32: {
      const DWORD v = ToMask(r, s.masks[0]) | ToMask(g, s.masks[1]) | ToMask(b, s.masks[2]);
      memcpy(row + 4 * x, &v, 4);
      return;
    }
    default: return;
  }
}

bool Unpainted(const BitmapSurface &s, LONG x, LONG y) {
  return s.bitsPixel == 32 && Inside(s, x, y) && RowOf(s, y)[4 * x + 3] == kUnpaintedByte;
}

void FillSurface(const BitmapSurface &s, RECT rect, COLORREF colour) {
  for (LONG y = std::max<LONG>(rect.top, 0); y < std::min(rect.bottom, s.height); ++y) Span(s, y, rect.left, rect.right, colour);
}

void CopySurface(const BitmapSurface &target, LONG tx, LONG ty, const BitmapSurface &source, LONG x, LONG y,
                 LONG width, LONG height) {
  for (LONG row = 0; row < height; ++row) {
    if (ty + row < 0 || ty + row >= target.height || y + row < 0 || y + row >= source.height) continue;
    for (LONG col = 0; col < width; ++col) {
      const COLORREF c = SurfacePixel(source, x + col, y + row);
      if (c != CLR_INVALID) PutSurfacePixel(target, tx + col, ty + row, c);
    }
  }
}

bool DibSurface(const BITMAPINFOHEADER &header, const BITMAPINFO *info, const void *bits, UINT lines,
                BitmapSurface *out) {
  const WORD depth = header.biBitCount;
  const bool bitfields = header.biCompression == BI_BITFIELDS;
  if (!bits || header.biWidth <= 0 || header.biHeight == 0 || (header.biCompression != BI_RGB && !bitfields) ||
      (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32))
    return false;
  const LONG rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  out->bits = static_cast<BYTE *>(const_cast<void *>(bits));
  out->width = header.biWidth;
  out->height = lines ? LONG(std::min<UINT>(lines, UINT(rows))) : rows;
  out->stride = (header.biWidth * depth + 31) / 32 * 4;
  out->topDown = header.biHeight < 0;
  out->bitsPixel = depth;
  out->dib = true;
  const BYTE *after = reinterpret_cast<const BYTE *>(info) + info->bmiHeader.biSize;
  if (bitfields) {
    memcpy(out->masks, reinterpret_cast<const BYTE *>(info) + sizeof(BITMAPINFOHEADER), sizeof out->masks);
  } else {
    const DWORD k555[3] = {0x7C00, 0x03E0, 0x001F}, k888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    memcpy(out->masks, depth == 16 ? k555 : k888, sizeof out->masks);
  }
  out->colours.clear();
  if (depth <= 8) {
    const UINT count = header.biClrUsed && header.biClrUsed < (1u << depth) ? header.biClrUsed : 1u << depth;
    const bool core = info->bmiHeader.biSize == sizeof(BITMAPCOREHEADER);
    for (UINT i = 0; i < count; ++i) {
      const BYTE *entry = after + i * (core ? 3 : 4);
      out->colours.push_back(RGBQUAD{entry[0], entry[1], entry[2], 0});
    }
  }
  return true;
}

LONG TextWidth(HDC dc, const char *text, size_t length) {
  static const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  LONG width = 0;
  for (size_t i = 0; i < length; ++i) {
    GLYPHMETRICS gm;
    if (GetGlyphOutlineA(dc, BYTE(text[i]), GGO_METRICS, &gm, 0, nullptr, &identity) != GDI_ERROR) width += gm.gmCellIncX;
  }
  return width;
}

// Alternate filling: a pixel is inside when its centre lies right of an odd number of edges.
void PaintPolygon(HDC dc, const POINT *points, int count) {
  Painting p;
  if (!Begin(dc, &p) || count < 2) return;
  if (!p.paint.hollowBrush && count >= 3) {
    LONG top = points[0].y, bottom = points[0].y;
    for (int i = 1; i < count; ++i) top = std::min(top, points[i].y), bottom = std::max(bottom, points[i].y);
    std::vector<double> crossings;
    for (LONG y = std::max<LONG>(top, 0); y < std::min(bottom, p.surface.height); ++y) {
      const double centre = y + 0.5;
      crossings.clear();
      for (int i = 0; i < count; ++i) {
        const POINT a = points[i], b = points[(i + 1) % count];
        if ((a.y <= centre) == (b.y <= centre)) continue;
        crossings.push_back(a.x + (centre - a.y) * double(b.x - a.x) / double(b.y - a.y));
      }
      std::sort(crossings.begin(), crossings.end());
      for (size_t k = 0; k + 1 < crossings.size(); k += 2)
        Span(p.surface, y, LONG(ceil(crossings[k] - 0.5)), LONG(ceil(crossings[k + 1] - 0.5)), p.paint.brush);
    }
  }
  if (!p.paint.nullPen)
    for (int i = 0; i < count; ++i) Line(p.surface, points[i], points[(i + 1) % count], p.paint.pen);
}

// The pen draws the border inside the rectangle, the brush fills what it encloses.
void PaintRectangle(HDC dc, int left, int top, int right, int bottom) {
  Painting p;
  if (!Begin(dc, &p)) return;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int inset = p.paint.nullPen ? 0 : 1;
  if (!p.paint.hollowBrush)
    FillSurface(p.surface, RECT{left + inset, top + inset, right - inset, bottom - inset}, p.paint.brush);
  if (p.paint.nullPen || right - left < 1 || bottom - top < 1) return;
  const POINT corners[4] = {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
  for (int i = 0; i < 4; ++i) Line(p.surface, corners[i], corners[(i + 1) % 4], p.paint.pen);
}

// Lines at the font's height; DT_CENTER and DT_RIGHT place each line, DT_VCENTER and DT_BOTTOM a
// single line. DT_CALCRECT draws nothing.
void PaintDrawText(HDC dc, const char *text, size_t length, const RECT &rect, UINT format) {
  Painting p;
  TEXTMETRICA tm;
  if ((format & DT_CALCRECT) || !Begin(dc, &p) || !GetTextMetricsA(dc, &tm)) return;
  LONG y = rect.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect.top + (rect.bottom - rect.top - tm.tmHeight) / 2;
    if (format & DT_BOTTOM) y = rect.bottom - tm.tmHeight;
  }
  size_t start = 0;
  while (start <= length) {
    size_t end = start;
    if (!(format & DT_SINGLELINE))
      while (end < length && text[end] != '\n') ++end;
    else
      end = length;
    size_t shown = end;
    while (shown > start && (text[shown - 1] == '\r' || text[shown - 1] == '\n')) --shown;
    const LONG width = TextWidth(dc, text + start, shown - start);
    LONG x = rect.left;
    if (format & DT_CENTER) x = rect.left + (rect.right - rect.left - width) / 2;
    if (format & DT_RIGHT) x = rect.right - width;
    PaintText(dc, p, x, y, text + start, shown - start);
    y += tm.tmHeight;
    start = end + 1;
  }
}

// The source rectangle counts scan lines from the bottom for bottom-up bits (of which the call
// holds `lines` from `startScan`), from the top for top-down ones; nearest pixels.
void PaintDibBlit(HDC dc, int x, int y, int width, int height, const BITMAPINFOHEADER &header,
                  const BITMAPINFO *info, const void *bits, int srcX, int srcY, int srcWidth, int srcHeight,
                  UINT startScan, UINT lines) {
  BitmapSurface target, source;
  if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0 || !DcSurface(dc, &target) ||
      !DibSurface(header, info, bits, lines, &source))
    return;
  for (int j = 0; j < height; ++j) {
    LONG row;
    if (source.topDown) {
      row = srcY + LONG(int64_t(j) * srcHeight / height);
    } else {
      const LONG scan = srcY + LONG(int64_t(height - 1 - j) * srcHeight / height) - LONG(startScan);
      row = source.height - 1 - scan;
    }
    if (row < 0 || row >= source.height || y + j < 0 || y + j >= target.height) continue;
    for (int i = 0; i < width; ++i) {
      const COLORREF c = SurfacePixel(source, srcX + LONG(int64_t(i) * srcWidth / width), row);
      if (c != CLR_INVALID) PutSurfacePixel(target, x + i, y + j, c);
    }
  }
}

}  // namespace standin

using namespace standin;

extern "C" {

// Draws in the text colour at the top-left corner (x, y), over cells in the background colour
// when the background mode is opaque.
BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
  if (c < 0 || (c && !lpString)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Painting p;
  if (GetObjectType(hdc) != OBJ_DC && GetObjectType(hdc) != OBJ_MEMDC) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Begin(hdc, &p)) PaintText(hdc, p, x, y, lpString, size_t(c));
  return TRUE;
}

int WINAPI FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr) {
  BitmapSurface surface;
  if (!lprc || !hbr || (GetObjectType(hDC) != OBJ_DC && GetObjectType(hDC) != OBJ_MEMDC)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const COLORREF none = 0xFFFFFFFF, colour = BrushColour(hbr, none);
  if (colour != none && DcSurface(hDC, &surface)) FillSurface(surface, *lprc, colour);
  return 1;
}

}  // extern "C"
