// The font faces the stand-in GDI serves: tables that make-font-tables.py writes from the
// TrueType files at build time. Coordinates are in font units, y up from the baseline.
#ifndef STANDIN_GDI32_FONTTABLES_H
#define STANDIN_GDI32_FONTTABLES_H

namespace standin {

struct FontPoint {
  short x, y;
};

// A glyph: its advance, and its contours' points from `firstPoint`; contour ends (the index of
// each contour's last point, counted from the glyph's first) from `firstContour`.
struct FontGlyph {
  short advance;
  unsigned firstPoint;
  unsigned short firstContour, contours;
};

struct FontFace {
  const char *family;
  bool bold, mono;
  unsigned short unitsPerEm;
  short winAscent, winDescent;       // the cell above and below the baseline
  short lineAscent, lineDescent, lineGap;  // horizontal header (descent negative)
  short typoAscent, typoDescent, typoLineGap;
  short averageWidth, maxAdvance, weight;
  short xHeight, capHeight;
  short underlinePosition, underlineSize, strikeoutSize, strikeoutPosition;
  short xMin, yMin, xMax, yMax;  // over all glyphs
  const FontGlyph *glyphs;       // the codes 0..255 of Windows-1252, then the missing glyph
  const FontPoint *points;
  const unsigned char *onCurve;
  const unsigned short *contourEnds;
};

// Sans, Sans bold, Sans Mono, Sans Mono bold.
constexpr int kFontFaceCount = 4;
constexpr int kMissingGlyph = 256;
extern const FontFace kFontFaces[kFontFaceCount];

}  // namespace standin

#endif  // STANDIN_GDI32_FONTTABLES_H
