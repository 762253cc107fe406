// Fonts: DejaVu Sans and DejaVu Sans Mono, regular and bold, from tables made at build time.
// A font's weight picks the bold face (FW_BOLD and up), its pitch and family or face name the
// fixed-pitch one; its height is the em height when negative, the cell height when positive.
// Glyphs are the faces' outlines scaled, slanted for italics and transformed by the caller's
// matrix, without hinting; bitmaps ink the pixels that the outline covers enough of.
#include <math.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "../kernel32/standin_internal.h"
#include "fonttables.h"
#include "standin/control.h"

namespace standin {
namespace {

constexpr LONG kDefaultCellHeight = 16;  // a font of height 0
constexpr double kMaxPixelsPerEm = 8192;
constexpr double kItalicSlant = 0.2;  // x moves right by this much of y
// Bitmaps: kSamples x kSamples samples a pixel, inked from kInkSamples covered ones.
constexpr int kSamples = 4;
constexpr int kInkSamples = 7;

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

LONG Round(double v) { return LONG(floor(v + 0.5)); }

// A font as realized: its face and size, in pixels.
struct Font {
  const FontFace *face;
  double ppem, scale;  // pixels an em; pixels a font unit
  LONG ascent, descent, internalLeading;
  bool italic, underline, strikeOut;
};

bool NameHas(const char *name, const char *word) {
  const size_t n = strlen(word);
  for (const char *p = name; *p; ++p)
    if (!strncasecmp(p, word, n)) return true;
  return false;
}

void Realize(const LOGFONTA &lf, Font *font) {
  const bool mono = (lf.lfPitchAndFamily & 3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN ||
                    NameHas(lf.lfFaceName, "mono") || NameHas(lf.lfFaceName, "courier");
  const FontFace &face = kFontFaces[(mono ? 2 : 0) + (lf.lfWeight >= FW_BOLD ? 1 : 0)];
  font->face = &face;
  const double height = lf.lfHeight ? fabs(double(lf.lfHeight)) : double(kDefaultCellHeight);
  const double cell = face.winAscent + face.winDescent;
  font->ppem = std::min(lf.lfHeight < 0 ? height : height * face.unitsPerEm / cell, kMaxPixelsPerEm);
  font->scale = font->ppem / face.unitsPerEm;
  font->ascent = Round(face.winAscent * font->scale);
  font->descent = lf.lfHeight > 0 && font->ppem < kMaxPixelsPerEm ? LONG(height) - font->ascent
                                                                 : Round(face.winDescent * font->scale);
  font->internalLeading = std::max<LONG>(0, font->ascent + font->descent - Round(font->ppem));
  font->italic = lf.lfItalic != 0;
  font->underline = lf.lfUnderline != 0;
  font->strikeOut = lf.lfStrikeOut != 0;
}

// The selected font; false for a device context that is not one.
bool CurrentFont(HDC dc, Font *font, LOGFONTA *lf = nullptr) {
  LOGFONTA own;
  if (!lf) lf = &own;
  memset(lf, 0, sizeof *lf);
  int type = GetObjectType(dc);
  if (type != OBJ_DC && type != OBJ_MEMDC) return false;
  HGDIOBJ selected = GetCurrentObject(dc, OBJ_FONT);
  if (selected) GetObjectA(selected, sizeof *lf, lf);
  Realize(*lf, font);
  return true;
}

const FontGlyph &GlyphOf(const FontFace &face, UINT code) { return face.glyphs[code < 256 ? code : kMissingGlyph]; }

LONG Advance(const Font &font, UINT code) { return Round(GlyphOf(*font.face, code).advance * font.scale); }

// Font units to pixels: x' = xx x + xy y, y' = yx x + yy y.
struct Transform {
  double xx, xy, yx, yy;
};

double FixedValue(FIXED f) { return f.value + f.fract / 65536.0; }

Transform GlyphTransform(const Font &font, const MAT2 *m) {
  const double s = font.scale, slant = font.italic ? kItalicSlant * s : 0;
  if (!m) return Transform{s, slant, 0, s};
  const double m11 = FixedValue(m->eM11), m12 = FixedValue(m->eM12), m21 = FixedValue(m->eM21),
               m22 = FixedValue(m->eM22);
  return Transform{m11 * s, m11 * slant + m21 * s, m12 * s, m12 * slant + m22 * s};
}

struct Point {
  double x, y;
};

// One piece of a contour from the previous piece's end: a line, or a quadratic arc through
// `control`; `implied` ends lie halfway between two controls.
struct Piece {
  bool arc, implied;
  Point control, end;
};

struct Contour {
  Point start;
  std::vector<Piece> pieces;
};

Point Mid(Point a, Point b) { return Point{(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// The glyph's contours in pixels, y up from the baseline; each starts on the curve and closes
// back to its start (the last piece ends there).
std::vector<Contour> Outline(const FontFace &face, UINT code, const Transform &t) {
  const FontGlyph &glyph = GlyphOf(face, code);
  std::vector<Contour> contours;
  unsigned first = 0;
  for (unsigned c = 0; c < glyph.contours; ++c) {
    const unsigned last = face.contourEnds[glyph.firstContour + c];
    const unsigned n = last + 1 - first;
    struct Raw {
      Point p;
      bool on;
    };
    std::vector<Raw> raw(n);
    for (unsigned i = 0; i < n; ++i) {
      const FontPoint &fp = face.points[glyph.firstPoint + first + i];
      raw[i].p = Point{t.xx * fp.x + t.xy * fp.y, t.yx * fp.x + t.yy * fp.y};
      raw[i].on = face.onCurve[glyph.firstPoint + first + i] != 0;
    }
    first = last + 1;
    if (n < 2) continue;
    // The walk: from an on-curve start through every point and back to the start.
    std::vector<Raw> walk;
    if (raw[0].on) {
      walk.assign(raw.begin(), raw.end());
    } else if (raw[n - 1].on) {
      walk.push_back(raw[n - 1]);
      walk.insert(walk.end(), raw.begin(), raw.end() - 1);
    } else {
      walk.push_back(Raw{Mid(raw[n - 1].p, raw[0].p), true});
      walk.insert(walk.end(), raw.begin(), raw.end());
    }
    walk.push_back(walk[0]);
    Contour contour{walk[0].p, {}};
    bool pending = false;
    Point control{};
    for (size_t i = 1; i < walk.size(); ++i) {
      if (walk[i].on) {
        contour.pieces.push_back(Piece{pending, false, pending ? control : walk[i].p, walk[i].p});
        pending = false;
      } else {
        if (pending) contour.pieces.push_back(Piece{true, true, control, Mid(control, walk[i].p)});
        control = walk[i].p;
        pending = true;
      }
    }
    contours.push_back(std::move(contour));
  }
  return contours;
}

struct Box {
  double left, bottom, right, top;
};

void Extend(Box *box, Point p) {
  box->left = std::min(box->left, p.x), box->right = std::max(box->right, p.x);
  box->bottom = std::min(box->bottom, p.y), box->top = std::max(box->top, p.y);
}

// The outline's exact bounds (arcs at their extremes); false when it has no contours.
bool Bounds(const std::vector<Contour> &contours, Box *box) {
  if (contours.empty()) return false;
  *box = Box{contours[0].start.x, contours[0].start.y, contours[0].start.x, contours[0].start.y};
  for (const Contour &c : contours) {
    Point from = c.start;
    for (const Piece &piece : c.pieces) {
      Extend(box, piece.end);
      if (piece.arc) {
        for (int axis = 0; axis < 2; ++axis) {
          const double a = axis ? from.y : from.x, b = axis ? piece.control.y : piece.control.x,
                       e = axis ? piece.end.y : piece.end.x, d = a - 2 * b + e;
          const double t = d != 0 ? (a - b) / d : -1;
          if (t > 0 && t < 1) {
            const double u = 1 - t;
            Extend(box, Point{u * u * from.x + 2 * u * t * piece.control.x + t * t * piece.end.x,
                              u * u * from.y + 2 * u * t * piece.control.y + t * t * piece.end.y});
          }
        }
      }
      from = piece.end;
    }
  }
  return true;
}

// A glyph's metrics and the pixel box its bitmap covers (left, top: the box's upper-left corner
// from the pen position on the baseline, y up).
struct Placement {
  LONG left, top;
  UINT width, height;
  bool blank;
};

Placement Place(const std::vector<Contour> &contours, const Font &font, UINT code, const MAT2 *m,
                GLYPHMETRICS *gm) {
  Placement place{0, 0, 1, 1, true};
  Box box;
  if (Bounds(contours, &box)) {
    const double e = 1e-6;  // bounds on a pixel edge stay on it despite rounding
    place.left = LONG(floor(box.left + e));
    place.top = LONG(ceil(box.top - e));
    place.width = UINT(std::max<LONG>(1, LONG(ceil(box.right - e)) - place.left));
    place.height = UINT(std::max<LONG>(1, place.top - LONG(floor(box.bottom + e))));
    place.blank = false;
  }
  memset(gm, 0, sizeof *gm);
  gm->gmBlackBoxX = place.width;
  gm->gmBlackBoxY = place.height;
  gm->gmptGlyphOrigin.x = place.left;
  gm->gmptGlyphOrigin.y = place.top;
  const double advance = GlyphOf(*font.face, code).advance * font.scale;
  const double m11 = m ? FixedValue(m->eM11) : 1, m12 = m ? FixedValue(m->eM12) : 0;
  gm->gmCellIncX = short(Round(m11 * advance));
  gm->gmCellIncY = short(Round(m12 * advance));
  return place;
}

struct Edge {
  Point a, b;
};

// The contours as line edges, each arc in pieces short enough to stay near it.
std::vector<Edge> Flatten(const std::vector<Contour> &contours) {
  std::vector<Edge> edges;
  for (const Contour &c : contours) {
    Point from = c.start;
    for (const Piece &piece : c.pieces) {
      if (!piece.arc) {
        edges.push_back(Edge{from, piece.end});
      } else {
        const double dx = from.x - 2 * piece.control.x + piece.end.x, dy = from.y - 2 * piece.control.y + piece.end.y;
        // A quadratic's distance from its chords in n pieces is at most |p0 - 2c + p2| / (8 n^2).
        const int n = std::min(64, std::max(1, int(ceil(sqrt(sqrt(dx * dx + dy * dy) / (8 * 0.02))))));
        Point prev = from;
        for (int i = 1; i <= n; ++i) {
          const double t = double(i) / n, u = 1 - t;
          const Point p = i == n ? piece.end
                                 : Point{u * u * from.x + 2 * u * t * piece.control.x + t * t * piece.end.x,
                                         u * u * from.y + 2 * u * t * piece.control.y + t * t * piece.end.y};
          edges.push_back(Edge{prev, p});
          prev = p;
        }
      }
      from = piece.end;
    }
  }
  return edges;
}

// The 1-bit rows (top row first, each padded to 32 bits) of the pixels whose samples lie inside
// the outline (non-zero winding) at least kInkSamples times.
std::vector<BYTE> Rasterize(const std::vector<Contour> &contours, const Placement &place) {
  const UINT stride = (place.width + 31) / 32 * 4;
  std::vector<BYTE> bits(size_t(stride) * place.height, 0);
  const std::vector<Edge> edges = Flatten(contours);
  const LONG samplesWide = LONG(place.width) * kSamples;
  std::vector<int> counts(place.width);
  struct Crossing {
    double x;
    int winding;
  };
  std::vector<Crossing> crossings;
  for (UINT row = 0; row < place.height; ++row) {
    std::fill(counts.begin(), counts.end(), 0);
    for (int j = 0; j < kSamples; ++j) {
      const double y = place.top - double(row) - (j + 0.5) / kSamples;
      crossings.clear();
      for (const Edge &e : edges) {
        if ((e.a.y <= y) == (e.b.y <= y)) continue;
        crossings.push_back(
            Crossing{e.a.x + (y - e.a.y) * (e.b.x - e.a.x) / (e.b.y - e.a.y), e.b.y > e.a.y ? 1 : -1});
      }
      std::sort(crossings.begin(), crossings.end(), [](const Crossing &p, const Crossing &q) { return p.x < q.x; });
      int winding = 0;
      double enter = 0;
      for (const Crossing &c : crossings) {
        const int before = winding;
        winding += c.winding;
        if (!before && winding) enter = c.x;
        if (before && !winding) {
          // Samples at left + (k + 0.5) / kSamples for enter <= x < exit.
          const LONG k0 = std::max<LONG>(0, LONG(ceil((enter - place.left) * kSamples - 0.5)));
          const LONG k1 = std::min(samplesWide, LONG(ceil((c.x - place.left) * kSamples - 0.5)));
          for (LONG k = k0; k < k1; ++k) ++counts[k / kSamples];
        }
      }
    }
    for (UINT x = 0; x < place.width; ++x)
      if (counts[x] >= kInkSamples) bits[row * stride + x / 8] |= BYTE(0x80 >> (x % 8));
  }
  return bits;
}

void PutFixed(std::vector<BYTE> &out, double v) {
  v = std::min(std::max(v * 65536.0, -2147483648.0), 2147483647.0);
  const int32_t raw = int32_t(floor(v + 0.5));
  FIXED f;
  f.fract = WORD(uint32_t(raw) & 0xFFFF);
  f.value = short(raw >> 16);
  const BYTE *bytes = reinterpret_cast<const BYTE *>(&f);
  out.insert(out.end(), bytes, bytes + sizeof f);
}

void PutPoint(std::vector<BYTE> &out, Point p) {
  PutFixed(out, p.x);
  PutFixed(out, p.y);
}

void PutWord(std::vector<BYTE> &out, size_t at, WORD value) { memcpy(out.data() + at, &value, sizeof value); }

// The contours as TTPOLYGONHEADER records, each followed by its TTPOLYCURVE records: runs of
// lines, and of arcs joined at implied points. The closing line back to the start is left out.
std::vector<BYTE> NativeOutline(const std::vector<Contour> &contours) {
  std::vector<BYTE> out;
  for (const Contour &c : contours) {
    std::vector<Piece> pieces = c.pieces;
    if (!pieces.empty() && !pieces.back().arc) pieces.pop_back();
    if (pieces.empty()) continue;
    const size_t start = out.size();
    const DWORD head[2] = {0, TT_POLYGON_TYPE};
    out.insert(out.end(), reinterpret_cast<const BYTE *>(head), reinterpret_cast<const BYTE *>(head + 2));
    PutPoint(out, c.start);
    size_t i = 0;
    while (i < pieces.size()) {
      const size_t curve = out.size();
      out.resize(out.size() + 4);
      const bool arc = pieces[i].arc;
      WORD count = 0;
      if (!arc) {
        for (; i < pieces.size() && !pieces[i].arc; ++i, ++count) PutPoint(out, pieces[i].end);
      } else {
        for (;;) {
          PutPoint(out, pieces[i].control);
          ++count;
          const bool joined = pieces[i].implied && i + 1 < pieces.size() && pieces[i + 1].arc;
          if (!joined) {
            PutPoint(out, pieces[i].end);
            ++count;
            ++i;
            break;
          }
          ++i;
        }
      }
      PutWord(out, curve, arc ? TT_PRIM_QSPLINE : TT_PRIM_LINE);
      PutWord(out, curve + 2, count);
    }
    const DWORD cb = DWORD(out.size() - start);
    memcpy(out.data() + start, &cb, sizeof cb);
  }
  return out;
}

void FillTextMetrics(const Font &font, TEXTMETRICA *tm) {
  const FontFace &face = *font.face;
  memset(tm, 0, sizeof *tm);
  tm->tmAscent = font.ascent;
  tm->tmDescent = font.descent;
  tm->tmHeight = font.ascent + font.descent;
  tm->tmInternalLeading = font.internalLeading;
  const LONG spare = face.lineGap - (face.winAscent + face.winDescent - (face.lineAscent - face.lineDescent));
  tm->tmExternalLeading = spare > 0 ? Round(spare * font.scale) : 0;
  tm->tmAveCharWidth = Round(face.averageWidth * font.scale);
  tm->tmMaxCharWidth = Round(face.maxAdvance * font.scale);
  tm->tmWeight = face.weight;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 32;
  tm->tmLastChar = 255;
  tm->tmDefaultChar = 31;
  tm->tmBreakChar = 32;
  tm->tmItalic = font.italic;
  tm->tmUnderlined = font.underline;
  tm->tmStruckOut = font.strikeOut;
  // The pitch bit set means variable pitch.
  tm->tmPitchAndFamily = BYTE((face.mono ? FF_MODERN : FF_SWISS | TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE);
  tm->tmCharSet = ANSI_CHARSET;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

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
                              LPVOID pvBuffer, const MAT2 *lpmat2) {
  Font font;
  const UINT format = fuFormat & ~UINT(GGO_UNHINTED);
  if (!lpgm || !CurrentFont(hdc, &font) ||
      (format != GGO_METRICS && format != GGO_BITMAP && format != GGO_NATIVE))
    return GDI_ERROR;
  const std::vector<Contour> contours = Outline(*font.face, uChar, GlyphTransform(font, lpmat2));
  const Placement place = Place(contours, font, uChar, lpmat2, lpgm);
  if (format == GGO_METRICS) return 0;
  std::vector<BYTE> data;
  if (format == GGO_NATIVE) {
    data = NativeOutline(contours);
  } else if (!place.blank) {
    data = Rasterize(contours, place);
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

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
  Font font;
  if (!lptm || !CurrentFont(hdc, &font)) return FALSE;
  FillTextMetrics(font, lptm);
  return TRUE;
}

UINT WINAPI GetOutlineTextMetricsA(HDC hdc, UINT cjCopy, LPOUTLINETEXTMETRICA potm) {
  Font font;
  if (!CurrentFont(hdc, &font)) return 0;
  if (!potm) return sizeof(OUTLINETEXTMETRICA);
  if (cjCopy < sizeof(OUTLINETEXTMETRICA)) return 0;
  const FontFace &face = *font.face;
  const double s = font.scale;
  memset(potm, 0, sizeof *potm);
  potm->otmSize = sizeof *potm;
  FillTextMetrics(font, &potm->otmTextMetrics);
  potm->otmfsSelection = (font.italic ? 0x01 : 0) | (face.bold ? 0x20 : 0) | (!font.italic && !face.bold ? 0x40 : 0);
  potm->otmsCharSlopeRise = 1;
  if (font.italic) {
    potm->otmsCharSlopeRise = 1000;
    potm->otmsCharSlopeRun = Round(1000 * kItalicSlant);
    potm->otmItalicAngle = -Round(atan(kItalicSlant) * 1800 / M_PI);
  }
  potm->otmEMSquare = face.unitsPerEm;
  potm->otmAscent = Round(face.typoAscent * s);
  potm->otmDescent = Round(face.typoDescent * s);
  potm->otmLineGap = UINT(Round(face.typoLineGap * s));
  potm->otmsCapEmHeight = UINT(Round(face.capHeight * s));
  potm->otmsXHeight = UINT(Round(face.xHeight * s));
  potm->otmrcFontBox = RECT{Round(face.xMin * s), Round(face.yMax * s), Round(face.xMax * s), Round(face.yMin * s)};
  potm->otmMacAscent = Round(face.lineAscent * s);
  potm->otmMacDescent = Round(face.lineDescent * s);
  potm->otmMacLineGap = UINT(Round(face.lineGap * s));
  potm->otmsStrikeoutSize = UINT(std::max<LONG>(1, Round(face.strikeoutSize * s)));
  potm->otmsStrikeoutPosition = Round(face.strikeoutPosition * s);
  potm->otmsUnderscoreSize = std::max<LONG>(1, Round(face.underlineSize * s));
  potm->otmsUnderscorePosition = Round(face.underlinePosition * s);
  return sizeof *potm;
}

BOOL WINAPI GetCharWidth32A(HDC hdc, UINT iFirst, UINT iLast, LPINT lpBuffer) {
  Font font;
  if (!lpBuffer || iFirst > iLast || !CurrentFont(hdc, &font)) return FALSE;
  for (UINT c = iFirst;; ++c) {
    lpBuffer[c - iFirst] = Advance(font, c);
    if (c == iLast) break;
  }
  return TRUE;
}

BOOL WINAPI GetCharWidthA(HDC hdc, UINT iFirst, UINT iLast, LPINT lpBuffer) {
  return GetCharWidth32A(hdc, iFirst, iLast, lpBuffer);
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
  Font font;
  if (!psizl || c < 0 || (c && !lpString) || !CurrentFont(hdc, &font)) return FALSE;
  LONG width = 0;
  for (int i = 0; i < c; ++i) width += Advance(font, BYTE(lpString[i]));
  psizl->cx = width;
  psizl->cy = font.ascent + font.descent;
  return TRUE;
}

BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
  return GetTextExtentPoint32A(hdc, lpString, c, psizl);
}

int WINAPI GetTextFaceA(HDC hdc, int c, LPSTR lpName) {
  Font font;
  if (!CurrentFont(hdc, &font)) return 0;
  const int length = int(strlen(font.face->family)) + 1;
  if (!lpName) return length;
  if (c <= 0) return 0;
  const int copied = std::min(c, length);
  memcpy(lpName, font.face->family, size_t(copied - 1));
  lpName[copied - 1] = 0;
  return copied;
}

BOOL WINAPI GetRasterizerCaps(LPRASTERIZER_STATUS lpraststat, UINT cjBytes) {
  if (!lpraststat || cjBytes < sizeof(RASTERIZER_STATUS)) return FALSE;
  lpraststat->nSize = sizeof(RASTERIZER_STATUS);
  lpraststat->wFlags = TT_AVAILABLE | TT_ENABLED;
  lpraststat->nLanguageID = 0;
  return TRUE;
}

}  // extern "C"
