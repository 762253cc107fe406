// Font display lists: bitmaps and outlines built from the stand-in's synthetic glyphs.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include "gldib.h"
#include "standin/control.h"

// Loads the library (software contexts) in a child process and runs fn there.
int wglxInChild(const std::function<int()>& fn) {
    return gltestInChild([&] {
        setenv("QRB_USESW", "1", 1);
        if (!gltestLoad()) return 90;
        const int r = fn();
        if (!gltestUnload()) return 91;
        return r;
    });
}

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

bool glyphBit(const BYTE* bits, const GLYPHMETRICS& gm, UINT x, UINT row) {
    const UINT stride = (gm.gmBlackBoxX + 31) / 32 * 4;
    return (bits[row * stride + x / 8] >> (7 - x % 8)) & 1;
}

// Draws glyph `code`'s list at raster position (ox, oy) and compares every pixel with
// the glyph GDI describes, placed by its origin; checks the raster position advance.
int drawsGlyph(GltestDibContext& c, UINT code, int ox, int oy) {
    GLYPHMETRICS gm;
    BYTE bits[64 * 8] = {};
    StandinSynthGlyphBitmap(code, &gm, bits);
    const bool blank = code == ' ';
    c.clear();
    glColor3f(1, 1, 1);
    glRasterPos2i(ox, oy);
    glCallList(1000 + code);
    glFinish();
    for (int y = 0; y < c.dib.height; ++y)
        for (int x = 0; x < c.dib.width; ++x) {
            const int gx = x - ox - gm.gmptGlyphOrigin.x, row = oy + gm.gmptGlyphOrigin.y - 1 - y;
            const bool inside = !blank && gx >= 0 && gx < (int)gm.gmBlackBoxX && row >= 0 &&
                                row < (int)gm.gmBlackBoxY;
            const bool want = inside && glyphBit(bits, gm, gx, row);
            if ((c.pixel(x, y) != 0) != want) return 100 + y;
        }
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    CHECK(2, pos[0] == ox + gm.gmCellIncX && pos[1] == oy + gm.gmCellIncY);
    return 0;
}

TEST(FontBitmaps, ListsDrawTheGlyphsFlippedAndPlacedByTheirOrigin) {
    EXPECT_EQ(wglxInChild([] {
                  GltestDibContext c(48, 16);
                  // Every code of 32..127 at once: lists 1032..1127, nothing around them.
                  CHECK(1, wglUseFontBitmapsA(c.dib.dc, 32, 96, 1032));
                  CHECK(3, !glIsList(1031) && glIsList(1032) && glIsList(1127) && !glIsList(1128));
                  // Blank, widths 3..8 with odd and even origins, and one of two words a row.
                  static const UINT codes[] = {' ', 'A', 'b', 'c', 'g', 'x', '~'};
                  for (UINT code : codes) {
                      const int r = drawsGlyph(c, code, 6, 5);
                      if (r) return r + 1000 * (int)(&code - codes);
                  }
                  CHECK(4, wglUseFontBitmapsW(c.dib.dc, 'b', 1, 1000 + 'b'));
                  CHECK(5, drawsGlyph(c, 'b', 3, 9) == 0);
                  return c.guardsIntact() ? 0 : 6;
              }),
              0);
}

// Each failure returns FALSE, reports through the wgl error convention and leaves no list.
TEST(FontBitmaps, FailuresLeaveNoLists) {
    struct Case {
        const char* what;
        DWORD first, count, listBase;
        int failFetchAfter;  // -1: never
        DWORD understate;
        bool current;
    };
    static const Case cases[] = {
        {"glyph fetch fails after two glyphs", 65, 5, 500, 2, 0, true},
        {"glyph rows shorter than the black box", 65, 3, 500, -1, 4, true},
        {"codes run past 2^32", 0xFFFFFFF0u, 0x20, 500, -1, 0, true},
        {"list names run past 2^32", 65, 0x20, 0xFFFFFFF0u, -1, 0, true},
        {"list base 0", 65, 3, 0, -1, 0, true},
        {"no current context", 65, 3, 500, -1, 0, false},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(wglxInChild([&] {
                      GltestDibContext c(16, 16);
                      if (!k.current) wglMakeCurrent(nullptr, nullptr);
                      StandinFailGlyphFetchAfter(k.failFetchAfter);
                      StandinUnderstateGlyphSize(k.understate);
                      SetLastError(0);
                      CHECK(1, !wglUseFontBitmapsA(c.dib.dc, k.first, k.count, k.listBase));
                      CHECK(2, GetLastError() == 0xE03D3D04u);
                      if (!k.current) wglMakeCurrent(c.dib.dc, c.rc);
                      for (DWORD i = 0; i < 8; ++i)
                          if (glIsList(k.listBase + i)) return 3;
                      // With GDI behaving again the same call succeeds.
                      StandinFailGlyphFetchAfter(-1);
                      StandinUnderstateGlyphSize(0);
                      CHECK(4, wglUseFontBitmapsA(c.dib.dc, 65, 3, 500) && glIsList(502));
                      return 0;
                  }),
                  0)
            << k.what;
    }
}

// Lit pixels of list `list` drawn at (x, y) scaled by `scale` (16 x 16 image, 32 bits).
int litPixels(GltestDibContext& c, GLuint list, float x, float y, float scale, const GLfloat* rotation = nullptr) {
    c.clear();
    glPushMatrix();
    glTranslatef(x, y, 0);
    glScalef(scale, scale, scale);
    if (rotation) glRotatef(rotation[0], rotation[1], rotation[2], rotation[3]);
    glCallList(list);
    glPopMatrix();
    glFinish();
    int n = 0;
    for (int j = 0; j < c.dib.height; ++j)
        for (int i = 0; i < c.dib.width; ++i) n += c.pixel(i, j) != 0;
    return n;
}

// 'A' (odd: a square hole) at the em size: width 0.375, body 0.75, arc to 0.875.
TEST(FontOutlines, MetricsLineLoopsAndTheAdvance) {
    EXPECT_EQ(wglxInChild([] {
                  GltestDibContext c(32, 32);
                  GLYPHMETRICSFLOAT m[2];
                  memset(m, 0xCD, sizeof m);
                  CHECK(1, wglUseFontOutlinesA(c.dib.dc, 'A', 2, 2000, 0, 0, WGL_FONT_LINES, m));
                  CHECK(2, m[0].gmfBlackBoxX == 0.375f && m[0].gmfBlackBoxY == 0.875f);
                  CHECK(3, m[0].gmfptGlyphOrigin.x == 0 && m[0].gmfptGlyphOrigin.y == 0.875f);
                  CHECK(4, m[0].gmfCellIncX == 0.5f && m[0].gmfCellIncY == 0);
                  CHECK(5, m[1].gmfBlackBoxX == 0.5f && m[1].gmfCellIncX == 0.625f);  // 'B'
                  c.clear();
                  glColor3f(1, 1, 1);
                  glPushMatrix();
                  glTranslatef(4.5f, 4.5f, 0);
                  glScalef(16, 16, 1);
                  glCallList(2000);
                  GLfloat mv[16];
                  glGetFloatv(GL_MODELVIEW_MATRIX, mv);
                  glPopMatrix();
                  glFinish();
                  // The list ends with a translation by the cell increment.
                  CHECK(6, mv[12] == 4.5f + 8 && mv[13] == 4.5f);
                  // Outer loop: left edge x = 4, bottom y = 4; hole loop x = 5.5..8.5.
                  CHECK(7, c.pixel(4, 8) && c.pixel(7, 4) && c.pixel(10, 8));
                  CHECK(8, c.pixel(5, 10) || c.pixel(6, 10));  // the hole's left side
                  CHECK(9, !c.pixel(7, 10) && !c.pixel(5, 6) && !c.pixel(20, 20));  // inside, outside
                  return 0;
              }),
              0);
}

TEST(FontOutlines, PolygonsFillAroundTheHoleAndExtrusionAddsSides) {
    EXPECT_EQ(wglxInChild([] {
                  StandinRegisterGlu("GLU32.DLL", nullptr);
                  GltestDibContext c(32, 32);
                  glColor3f(1, 1, 1);
                  CHECK(1, wglUseFontOutlinesA(c.dib.dc, 'A', 2, 3000, 0.01f, 0, WGL_FONT_POLYGONS, nullptr));
                  CHECK(2, wglUseFontOutlinesW(c.dib.dc, 'A', 1, 3100, 0.01f, 0.5f, WGL_FONT_POLYGONS, nullptr));
                  CHECK(3, glGetError() == GL_NO_ERROR);
                  for (GLuint list : {3000u, 3100u}) {
                      litPixels(c, list, 4, 4, 16);
                      // Body 6 x 12 at (4, 4), arc above to y = 18; hole 3 x 6 at (5.5, 7).
                      CHECK(4, c.pixel(4, 4) && c.pixel(9, 15) && c.pixel(6, 5) && c.pixel(6, 16));
                      CHECK(5, !c.pixel(7, 10) && !c.pixel(7, 8));  // the hole
                      CHECK(6, !c.pixel(11, 8) && !c.pixel(4, 19) && !c.pixel(3, 8));
                  }
                  // 'B' has no hole.
                  litPixels(c, 3001, 4, 4, 16);
                  CHECK(7, c.pixel(8, 10));
                  glMatrixMode(GL_PROJECTION);
                  glLoadIdentity();
                  glOrtho(0, 32, 0, 32, -100, 100);
                  glMatrixMode(GL_MODELVIEW);
                  // Turned edge-on, the flat glyph covers (almost) nothing; the extruded one shows its sides.
                  const GLfloat edgeOn[4] = {90, 0, 1, 0};
                  CHECK(8, litPixels(c, 3000, 16, 4, 16, edgeOn) <= 16);
                  CHECK(9, litPixels(c, 3100, 16, 4, 16, edgeOn) >= 8 * 12);
                  return 0;
              }),
              0);
}

TEST(FontOutlines, FailuresLeaveNoHalfMadeList) {
    EXPECT_EQ(wglxInChild([] {
                  GltestDibContext c(16, 16);
                  const HGDIOBJ font = GetCurrentObject(c.dib.dc, OBJ_FONT);
                  // No GLU library at all, then one without gluTessNormal: polygons fail, lines work.
                  CHECK(1, !wglUseFontOutlinesA(c.dib.dc, 'A', 1, 10, 0, 0, WGL_FONT_POLYGONS, nullptr));
                  StandinRegisterGlu("GLU32.DLL", "gluTessNormal");
                  CHECK(2, !wglUseFontOutlinesA(c.dib.dc, 'A', 1, 10, 0, 0, WGL_FONT_POLYGONS, nullptr));
                  CHECK(3, !glIsList(10));
                  CHECK(4, wglUseFontOutlinesA(c.dib.dc, 'A', 1, 10, 0, 0, WGL_FONT_LINES, nullptr));
                  StandinRegisterGlu("GLU32.DLL", nullptr);
                  CHECK(5, wglUseFontOutlinesA(c.dib.dc, 'A', 1, 11, 0, 0, WGL_FONT_POLYGONS, nullptr));
                  // An unknown format, overflowing ranges, a failing glyph fetch.
                  CHECK(6, !wglUseFontOutlinesA(c.dib.dc, 'A', 1, 12, 0, 0, 7, nullptr) && !glIsList(12));
                  CHECK(7, !wglUseFontOutlinesA(c.dib.dc, 'A', 0x20, 0xFFFFFFF0u, 0, 0, WGL_FONT_LINES, nullptr));
                  CHECK(8, !wglUseFontOutlinesA(c.dib.dc, 0xFFFFFFFFu, 2, 20, 0, 0, WGL_FONT_LINES, nullptr));
                  StandinFailGlyphFetchAfter(1);
                  CHECK(9, !wglUseFontOutlinesA(c.dib.dc, 'A', 3, 30, 0, 0, WGL_FONT_LINES, nullptr));
                  CHECK(10, glIsList(30) && !glIsList(31) && !glIsList(32));
                  // The device context keeps its own font.
                  CHECK(11, GetCurrentObject(c.dib.dc, OBJ_FONT) == font);
                  return glGetError() == GL_NO_ERROR ? 0 : 12;
              }),
              0);
}

}  // namespace
