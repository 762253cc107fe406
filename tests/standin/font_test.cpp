// GDI fonts: DejaVu Sans and Sans Mono, picked by weight, pitch and face name, sized by the
// height as GDI defines it; metrics, widths, glyph outlines and bitmaps.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "standin/control.h"

namespace {

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    dc_ = CreateCompatibleDC(nullptr);
  }
  void TearDown() override {
    if (font_) DeleteObject(SelectObject(dc_, old_));
    DeleteDC(dc_);
  }
  void Select(int height, int weight, int pitchAndFamily, const char *face, BOOL italic = FALSE) {
    if (font_) DeleteObject(SelectObject(dc_, old_));
    font_ = CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, pitchAndFamily, face);
    old_ = SelectObject(dc_, font_);
  }
  std::string Face() {
    char name[64] = {};
    GetTextFaceA(dc_, sizeof name, name);
    return name;
  }
  int Width(char c) {
    INT w = -1;
    EXPECT_TRUE(GetCharWidth32A(dc_, BYTE(c), BYTE(c), &w));
    return w;
  }
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// DejaVu's cell is 1901 + 483 of 2048 units an em; 'W' 2025 and 'i' 569 wide in Sans, every glyph
// 1233 in Mono; the average widths 1038 (Sans), 1173 (Sans bold), 1233 (Mono).
TEST_F(FontTest, HeightWeightAndPitchPickTheFaceAndItsSize) {
  struct Case {
    const char *what;
    int height, weight, pitchAndFamily;
    const char *face;
    const char *served;
    LONG tmHeight, ascent, internalLeading, average, weightServed;
    int wide, narrow;  // widths of 'W' and 'i'
  };
  static const Case cases[] = {
      {"16 pixels an em", -16, FW_NORMAL, 0, "Arial", "DejaVu Sans", 19, 15, 3, 8, FW_NORMAL, 16, 4},
      {"a 24-pixel cell, bold", 24, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "", "DejaVu Sans", 24, 19, 3, 12, FW_BOLD, 23, 7},
      {"semibold stays regular", -32, FW_SEMIBOLD, 0, "Tahoma", "DejaVu Sans", 38, 30, 6, 16, FW_NORMAL, 32, 9},
      {"fixed pitch", -20, FW_NORMAL, FIXED_PITCH, "", "DejaVu Sans Mono", 24, 19, 4, 12, FW_NORMAL, 12, 12},
      {"the modern family, heavy", -20, FW_HEAVY, FF_MODERN, "", "DejaVu Sans Mono", 24, 19, 4, 12, FW_BOLD, 12, 12},
      {"Courier by name", -10, FW_NORMAL, VARIABLE_PITCH, "Courier New", "DejaVu Sans Mono", 11, 9, 1, 6, FW_NORMAL, 6, 6},
      {"Mono by name", 12, FW_NORMAL, 0, "dejavu sans mono", "DejaVu Sans Mono", 12, 10, 2, 6, FW_NORMAL, 6, 6},
      {"height 0: a 16-pixel cell", 0, FW_DONTCARE, 0, "", "DejaVu Sans", 16, 13, 2, 7, FW_NORMAL, 14, 4},
  };
  for (const Case &k : cases) {
    Select(k.height, k.weight, k.pitchAndFamily, k.face);
    EXPECT_EQ(Face(), k.served) << k.what;
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(dc_, &tm)) << k.what;
    EXPECT_EQ(tm.tmHeight, k.tmHeight) << k.what;
    EXPECT_EQ(tm.tmAscent, k.ascent) << k.what;
    EXPECT_EQ(tm.tmDescent, k.tmHeight - k.ascent) << k.what;
    EXPECT_EQ(tm.tmInternalLeading, k.internalLeading) << k.what;
    EXPECT_EQ(tm.tmAveCharWidth, k.average) << k.what;
    EXPECT_EQ(tm.tmWeight, k.weightServed) << k.what;
    const bool mono = k.wide == k.narrow;
    // The pitch bit set means variable pitch; both are TrueType outline fonts.
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, mono ? 0 : TMPF_FIXED_PITCH) << k.what;
    EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, mono ? FF_MODERN : FF_SWISS) << k.what;
    EXPECT_EQ(tm.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR), TMPF_TRUETYPE | TMPF_VECTOR) << k.what;
    if (mono) {
        EXPECT_EQ(tm.tmMaxCharWidth, tm.tmAveCharWidth) << k.what;
    }
    EXPECT_EQ(Width('W'), k.wide) << k.what;
    EXPECT_EQ(Width('i'), k.narrow) << k.what;
    // Extents add the widths; their height is the cell's.
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc_, "WiW", 3, &size)) << k.what;
    EXPECT_EQ(size.cx, 2 * k.wide + k.narrow) << k.what;
    EXPECT_EQ(size.cy, k.tmHeight) << k.what;
    // The glyphs' advances are the same widths.
    GLYPHMETRICS gm;
    ASSERT_NE(GetGlyphOutlineA(dc_, 'W', GGO_METRICS, &gm, 0, nullptr, &kIdentity), GDI_ERROR) << k.what;
    EXPECT_EQ(gm.gmCellIncX, k.wide) << k.what;
    EXPECT_EQ(gm.gmCellIncY, 0) << k.what;
  }
}

TEST_F(FontTest, WidthsOfARangeAndBadArguments) {
  Select(-2048, FW_NORMAL, 0, "");
  INT widths[3] = {-1, -1, -1};
  ASSERT_TRUE(GetCharWidthA(dc_, 'i', 'k', widths));
  EXPECT_EQ(widths[0], 569);   // i
  EXPECT_EQ(widths[1], 569);   // j
  EXPECT_EQ(widths[2], 1186);  // k
  EXPECT_FALSE(GetCharWidth32A(dc_, 'k', 'i', widths));
  EXPECT_FALSE(GetCharWidth32A(dc_, 'i', 'k', nullptr));
  SIZE size;
  EXPECT_FALSE(GetTextExtentPoint32A(dc_, "a", -1, &size));
  EXPECT_TRUE(GetTextExtentPoint32A(dc_, nullptr, 0, &size));
  EXPECT_EQ(size.cx, 0);
  // Codes the font lacks take its missing glyph (a box).
  GLYPHMETRICS missing, control;
  ASSERT_NE(GetGlyphOutlineA(dc_, 0x81, GGO_METRICS, &missing, 0, nullptr, &kIdentity), GDI_ERROR);
  ASSERT_NE(GetGlyphOutlineA(dc_, 5, GGO_METRICS, &control, 0, nullptr, &kIdentity), GDI_ERROR);
  EXPECT_EQ(missing.gmCellIncX, 1229);
  EXPECT_EQ(control.gmBlackBoxX, missing.gmBlackBoxX);
  // Codes 128..159 are Windows-1252's: 0x80 the euro sign, wider than the box.
  GLYPHMETRICS euro;
  ASSERT_NE(GetGlyphOutlineA(dc_, 0x80, GGO_METRICS, &euro, 0, nullptr, &kIdentity), GDI_ERROR);
  EXPECT_EQ(euro.gmCellIncX, 1303);
  EXPECT_EQ(GetGlyphOutlineA(dc_, 'a', 7, &euro, 0, nullptr, &kIdentity), GDI_ERROR);
  EXPECT_EQ(GetGlyphOutlineA(dc_, 'a', GGO_BITMAP, nullptr, 0, nullptr, &kIdentity), GDI_ERROR);
}

struct Curve {
  WORD type;
  std::vector<POINT> points;  // in 1/65536 units
};
struct Polygon {
  POINT start;
  std::vector<Curve> curves;
};

LONG Raw(FIXED f) { return LONG(int32_t(uint32_t(uint16_t(f.value)) << 16 | f.fract)); }

std::vector<Polygon> Native(HDC dc, UINT code, GLYPHMETRICS *gm, const MAT2 *m = &kIdentity) {
  std::vector<Polygon> out;
  const DWORD size = GetGlyphOutlineA(dc, code, GGO_NATIVE, gm, 0, nullptr, m);
  if (size == GDI_ERROR) return out;
  std::vector<BYTE> buffer(size + 1);
  EXPECT_EQ(GetGlyphOutlineA(dc, code, GGO_NATIVE, gm, size, buffer.data(), m), size);
  DWORD at = 0;
  while (at < size) {
    TTPOLYGONHEADER head;
    memcpy(&head, &buffer[at], sizeof head);
    EXPECT_EQ(head.dwType, DWORD(TT_POLYGON_TYPE));
    Polygon p{{Raw(head.pfxStart.x), Raw(head.pfxStart.y)}, {}};
    for (DWORD c = at + sizeof head; c < at + head.cb;) {
      WORD h[2];
      memcpy(h, &buffer[c], sizeof h);
      Curve curve{h[0], {}};
      for (WORD i = 0; i < h[1]; ++i) {
        POINTFX f;
        memcpy(&f, &buffer[c + 4 + i * sizeof f], sizeof f);
        curve.points.push_back(POINT{Raw(f.x), Raw(f.y)});
      }
      p.curves.push_back(curve);
      c += 4 + h[1] * sizeof(POINTFX);
    }
    out.push_back(p);
    at += head.cb;
  }
  return out;
}

// Native outlines are the font's contours scaled to the font's size in 16.16 fixed point: lines,
// and quadratic splines whose consecutive control points imply the on-curve points between them.
TEST_F(FontTest, NativeOutlinesAreTheContoursScaled) {
  Select(-16, FW_NORMAL, 0, "");
  GLYPHMETRICS gm;
  // 'l': the rectangle 193..377 x 0..1556 units, begun at its top left, the closing line implied.
  std::vector<Polygon> l = Native(dc_, 'l', &gm);
  ASSERT_EQ(l.size(), 1u);
  const LONG unit = 65536 / 128;  // 16 / 2048 of a pixel
  EXPECT_EQ(l[0].start.x, 193 * unit);
  EXPECT_EQ(l[0].start.y, 1556 * unit);
  ASSERT_EQ(l[0].curves.size(), 1u);
  EXPECT_EQ(l[0].curves[0].type, TT_PRIM_LINE);
  const POINT corners[3] = {{377 * unit, 1556 * unit}, {377 * unit, 0}, {193 * unit, 0}};
  ASSERT_EQ(l[0].curves[0].points.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(l[0].curves[0].points[i].x, corners[i].x) << i;
    EXPECT_EQ(l[0].curves[0].points[i].y, corners[i].y) << i;
  }
  // Metrics: the box of whole pixels round the outline (x 1.51..2.95, y 0..12.16).
  EXPECT_EQ(gm.gmptGlyphOrigin.x, 1);
  EXPECT_EQ(gm.gmptGlyphOrigin.y, 13);
  EXPECT_EQ(gm.gmBlackBoxX, 2u);
  EXPECT_EQ(gm.gmBlackBoxY, 13u);
  EXPECT_EQ(gm.gmCellIncX, 4);  // 569 / 128 = 4.45
  // 'o': two contours; the outer begins (627, 991) with one spline through the controls
  // (479, 991) and (307, 760) to the on-curve point (307, 559).
  Select(-2048, FW_NORMAL, 0, "");
  std::vector<Polygon> o = Native(dc_, 'o', &gm);
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[0].start.x, 627 << 16);
  EXPECT_EQ(o[0].start.y, 991 << 16);
  ASSERT_FALSE(o[0].curves.empty());
  EXPECT_EQ(o[0].curves[0].type, TT_PRIM_QSPLINE);
  const POINT spline[3] = {{479 << 16, 991 << 16}, {307 << 16, 760 << 16}, {307 << 16, 559 << 16}};
  ASSERT_EQ(o[0].curves[0].points.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(o[0].curves[0].points[i].x, spline[i].x) << i;
    EXPECT_EQ(o[0].curves[0].points[i].y, spline[i].y) << i;
  }
  // A contour that ends in a spline ends on its start.
  const Curve &last = o[0].curves.back();
  if (last.type == TT_PRIM_QSPLINE) {
    EXPECT_EQ(last.points.back().x, o[0].start.x);
    EXPECT_EQ(last.points.back().y, o[0].start.y);
  }
  // The space has no contours.
  EXPECT_EQ(GetGlyphOutlineA(dc_, ' ', GGO_NATIVE, &gm, 0, nullptr, &kIdentity), 0u);
  EXPECT_EQ(gm.gmCellIncX, 651);
}

// The matrix transforms the outline, its box and its advance: a quarter turn anticlockwise
// stands 'l' on its side and sends the pen upwards.
TEST_F(FontTest, TheMatrixTurnsTheGlyph) {
  Select(-128, FW_NORMAL, 0, "");
  const MAT2 turn = {{0, 0}, {0, 1}, {0, -1}, {0, 0}};  // x' = -y, y' = x
  GLYPHMETRICS upright, turned;
  ASSERT_NE(GetGlyphOutlineA(dc_, 'l', GGO_METRICS, &upright, 0, nullptr, &kIdentity), GDI_ERROR);
  ASSERT_NE(GetGlyphOutlineA(dc_, 'l', GGO_METRICS, &turned, 0, nullptr, &turn), GDI_ERROR);
  EXPECT_EQ(turned.gmBlackBoxX, upright.gmBlackBoxY);
  EXPECT_EQ(turned.gmBlackBoxY, upright.gmBlackBoxX);
  EXPECT_EQ(turned.gmCellIncX, 0);
  EXPECT_EQ(turned.gmCellIncY, upright.gmCellIncX);
  EXPECT_EQ(turned.gmptGlyphOrigin.x, -upright.gmptGlyphOrigin.y);  // 'l' now lies left of the pen
  // Its native outline starts at the turned top-left corner (193, 1556) / 16 -> (-97.25, 12.06).
  std::vector<Polygon> l = Native(dc_, 'l', &turned, &turn);
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].start.x, -1556 * 65536 / 16);
  EXPECT_EQ(l[0].start.y, 193 * 65536 / 16);
  // Bitmaps: the upright 'l' is a solid bar the box's height; the turned one a bar its width.
  std::vector<BYTE> bits(GetGlyphOutlineA(dc_, 'l', GGO_BITMAP, &turned, 0, nullptr, &turn));
  ASSERT_FALSE(bits.empty());
  ASSERT_EQ(GetGlyphOutlineA(dc_, 'l', GGO_BITMAP, &turned, DWORD(bits.size()), bits.data(), &turn), bits.size());
  const UINT stride = (turned.gmBlackBoxX + 31) / 32 * 4;
  int inked = 0;
  for (UINT r = 0; r < turned.gmBlackBoxY; ++r)
    for (UINT x = 0; x < turned.gmBlackBoxX; ++x) inked += (bits[r * stride + x / 8] >> (7 - x % 8)) & 1;
  EXPECT_GE(inked, int((turned.gmBlackBoxX - 1) * (turned.gmBlackBoxY - 1)));
  EXPECT_GT(turned.gmBlackBoxX, 4 * turned.gmBlackBoxY);
}

// Italics slant the outline: the top of 'l' moves right of its foot.
TEST_F(FontTest, ItalicsSlant) {
  GLYPHMETRICS upright, italic;
  Select(-64, FW_NORMAL, 0, "");
  ASSERT_NE(GetGlyphOutlineA(dc_, 'l', GGO_METRICS, &upright, 0, nullptr, &kIdentity), GDI_ERROR);
  Select(-64, FW_NORMAL, 0, "", TRUE);
  ASSERT_NE(GetGlyphOutlineA(dc_, 'l', GGO_METRICS, &italic, 0, nullptr, &kIdentity), GDI_ERROR);
  TEXTMETRICA tm;
  GetTextMetricsA(dc_, &tm);
  EXPECT_TRUE(tm.tmItalic);
  EXPECT_EQ(italic.gmptGlyphOrigin.x, upright.gmptGlyphOrigin.x);
  EXPECT_GT(italic.gmBlackBoxX, upright.gmBlackBoxX + 8);  // 48.6 pixels tall, a fifth of that across
  EXPECT_EQ(italic.gmCellIncX, upright.gmCellIncX);
}

// Stock fonts describe themselves as the system's do, and are served by weight and pitch.
TEST_F(FontTest, StockFonts) {
  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof lf, &lf), int(sizeof lf));
  EXPECT_STREQ(lf.lfFaceName, "System");
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(dc_, &tm));  // a new device context has the system font
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  SelectObject(dc_, GetStockObject(ANSI_FIXED_FONT));
  EXPECT_EQ(Face(), "DejaVu Sans Mono");
  SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_EQ(Face(), "DejaVu Sans");
  ASSERT_TRUE(GetTextMetricsA(dc_, &tm));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
}

}  // namespace
