// Font display lists: bitmaps and outlines built from the fonts GDI serves (DejaVu Sans and
// Sans Mono), checked against GDI's own glyph bitmaps and against facts of the letters' shapes.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "gldib.h"
#include "standin/control.h"

// Loads the library (software contexts) in a child process and runs fn there; what the child
// wrote to stderr goes to *err.
int wglxInChild(const std::function<int()>& fn, std::string* err) {
    return gltestInChild(
        [&] {
            setenv("QRB_USESW", "1", 1);
            if (!gltestLoad()) return 90;
            const int r = fn();
            if (!gltestUnload()) return 91;
            return r;
        },
        err);
}

int wglxInChild(const std::function<int()>& fn) { return wglxInChild(fn, nullptr); }

namespace {

#define CHECK(step, cond) \
    if (!(cond)) return step

// Selects a font into the context's device context for the scope; the old one comes back.
struct ScopedFont {
    HDC dc;
    HFONT font;
    HGDIOBJ old;
    ScopedFont(HDC d, int height, int weight, int pitchAndFamily, const char* face)
        : dc(d),
          font(CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitchAndFamily, face)),
          old(SelectObject(d, font)) {}
    ~ScopedFont() { DeleteObject(SelectObject(dc, old)); }
};

// Lit pixels over a context's image, x and y in GL window coordinates (y up).
struct Mask {
    int w = 0, h = 0;
    std::vector<char> on;
    Mask(int width, int height) : w(width), h(height), on((size_t)width * height, 0) {}
    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && on[(size_t)y * w + x]; }
    void set(int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h) on[(size_t)y * w + x] = 1;
    }
    int count() const {
        int n = 0;
        for (char c : on) n += c;
        return n;
    }
    // Lit bounds, both ends included; false when nothing is lit.
    bool bounds(int* x0, int* y0, int* x1, int* y1) const {
        *x0 = w, *y0 = h, *x1 = -1, *y1 = -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y)) *x0 = std::min(*x0, x), *x1 = std::max(*x1, x), *y0 = std::min(*y0, y), *y1 = std::max(*y1, y);
        return *x1 >= 0;
    }
    // A pixel next to (or on) the boundary between lit and unlit.
    bool nearEdge(int x, int y) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (at(x + dx, y + dy) != at(x, y)) return true;
        return false;
    }
    // Unlit pixels that no path of unlit pixels joins to the image's border: a glyph's counters.
    int enclosed() const {
        std::vector<char> seen(on.size(), 0);
        std::vector<int> stack;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && !at(x, y)) stack.push_back(y * w + x);
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            if (seen[i]) continue;
            seen[i] = 1;
            const int x = i % w, y = i / w;
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : next)
                if (n[0] >= 0 && n[1] >= 0 && n[0] < w && n[1] < h && !at(n[0], n[1])) stack.push_back(n[1] * w + n[0]);
        }
        int n = 0;
        for (size_t i = 0; i < on.size(); ++i) n += !on[i] && !seen[i];
        return n;
    }
};

// Both masks, top row first: '#' lit in both, '+' only in `got`, '-' only in `want`.
void printMasks(const Mask& got, const Mask& want) {
    for (int y = got.h - 1; y >= 0; --y) {
        for (int x = 0; x < got.w; ++x) fputc(got.at(x, y) ? (want.at(x, y) ? '#' : '+') : (want.at(x, y) ? '-' : '.'), stderr);
        fputc('\n', stderr);
    }
}

Mask drawn(const GltestDibContext& c) {
    Mask m(c.dib.width, c.dib.height);
    for (int y = 0; y < c.dib.height; ++y)
        for (int x = 0; x < c.dib.width; ++x)
            if (c.pixel(x, y) != 0) m.set(x, y);
    return m;
}

const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// GDI's bitmap of a glyph of the selected font, its pen position at (ox, oy) on the baseline.
Mask gdiGlyph(HDC dc, UINT code, int ox, int oy, int w, int h, GLYPHMETRICS* gm) {
    Mask m(w, h);
    const DWORD size = GetGlyphOutlineA(dc, code, GGO_BITMAP, gm, 0, nullptr, &kIdentity);
    if (size == GDI_ERROR || !size) return m;
    std::vector<BYTE> bits(size);
    GetGlyphOutlineA(dc, code, GGO_BITMAP, gm, size, bits.data(), &kIdentity);
    const UINT stride = (gm->gmBlackBoxX + 31) / 32 * 4;
    for (UINT r = 0; r < gm->gmBlackBoxY; ++r)
        for (UINT x = 0; x < gm->gmBlackBoxX; ++x)
            if ((bits[r * stride + x / 8] >> (7 - x % 8)) & 1)
                m.set(ox + gm->gmptGlyphOrigin.x + (int)x, oy + gm->gmptGlyphOrigin.y - 1 - (int)r);
    return m;
}

// Draws list `list` with the raster position at (ox, oy); the pixels and the position's advance.
Mask drawBitmapList(GltestDibContext& c, GLuint list, int ox, int oy, GLfloat advance[2]) {
    c.clear();
    glColor3f(1, 1, 1);
    glRasterPos2i(ox, oy);
    glCallList(list);
    glFinish();
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    advance[0] = pos[0] - ox;
    advance[1] = pos[1] - oy;
    return drawn(c);
}

// Each list draws exactly GDI's bitmap of its glyph, placed by the glyph's origin, and moves
// the raster position by the glyph's advance.
TEST(FontBitmaps, ListsDrawTheGlyphsFlippedAndPlacedByTheirOrigin) {
    EXPECT_EQ(wglxInChild([] {
                  GltestDibContext c(64, 40);
                  // Every code of 32..127 at once: lists 1032..1127, nothing around them.
                  CHECK(1, wglUseFontBitmapsA(c.dib.dc, 32, 96, 1032));
                  CHECK(2, !glIsList(1031) && glIsList(1032) && glIsList(1127) && !glIsList(1128));
                  // A blank, a descender, a glyph left of its pen position, wide and narrow ones.
                  static const char codes[] = " AbgjW~i";
                  for (int face = 0; face < 2; ++face) {
                      ScopedFont font(c.dib.dc, face ? -20 : -26, face ? FW_BOLD : FW_NORMAL,
                                      face ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS, "");
                      CHECK(3, wglUseFontBitmapsA(c.dib.dc, 32, 96, 1032));
                      for (const char* p = codes; *p; ++p) {
                          const UINT code = (BYTE)*p;
                          GLfloat advance[2];
                          const Mask got = drawBitmapList(c, 1000 + code, 20, 12, advance);
                          GLYPHMETRICS gm;
                          const Mask want = gdiGlyph(c.dib.dc, code, 20, 12, c.dib.width, c.dib.height, &gm);
                          if (got.on != want.on) return 100 + 10 * face + (int)(p - codes);
                          if (advance[0] != gm.gmCellIncX || advance[1] != gm.gmCellIncY) return 200 + (int)(p - codes);
                          if (code != ' ' && want.count() < 8) return 300 + (int)(p - codes);
                      }
                  }
                  CHECK(4, wglUseFontBitmapsW(c.dib.dc, 'b', 1, 1000 + 'b'));
                  return c.guardsIntact() ? 0 : 5;
              }),
              0);
}

// Letters drawn through the lists have the shapes of those letters.
TEST(FontBitmaps, TheLettersHaveTheirShapes) {
    struct Case {
        const char* what;
        int height, weight, pitchAndFamily;
        const char* face;
        bool mono;
    };
    static const Case cases[] = {
        {"sans, 16 pixels an em", -16, FW_NORMAL, 0, "Arial", false},
        {"sans bold, 22-pixel cells", 22, FW_BOLD, VARIABLE_PITCH, "Tahoma", false},
        {"mono by its face name", -16, FW_NORMAL, 0, "Courier New", true},
        {"mono by its pitch", -24, FW_BOLD, FIXED_PITCH, "", true},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(wglxInChild([&] {
                      GltestDibContext c(48, 48);
                      ScopedFont font(c.dib.dc, k.height, k.weight, k.pitchAndFamily, k.face);
                      CHECK(1, wglUseFontBitmapsA(c.dib.dc, 32, 96, 32));
                      const int ox = 10, oy = 14;  // the pen on the baseline
                      struct Drawn {
                          Mask m{0, 0};
                          GLfloat advance[2];
                          int x0, y0, x1, y1;
                      };
                      auto draw = [&](char code) {
                          Drawn d;
                          d.m = drawBitmapList(c, (BYTE)code, ox, oy, d.advance);
                          d.m.bounds(&d.x0, &d.y0, &d.x1, &d.y1);
                          return d;
                      };
                      const Drawn o = draw('o'), p = draw('p'), d = draw('d'), W = draw('W'), i = draw('i');
                      const Drawn I = draw('I'), l = draw('l'), x = draw('x'), dot = draw('.');
                      // Counters: 'o' and 'd' enclose pixels, 'x' and 'l' none.
                      CHECK(2, o.m.enclosed() >= 4 && d.m.enclosed() >= 4);
                      CHECK(3, x.m.enclosed() == 0 && l.m.enclosed() == 0 && I.m.enclosed() == 0);
                      // 'p' reaches well below the baseline, 'd' and 'x' at most to it; 'd'
                      // rises above the x-height that 'o' and 'x' keep to.
                      CHECK(4, p.y0 <= oy - 3 && d.y0 >= oy - 1 && x.y0 >= oy - 1 && o.y0 >= oy - 1);
                      CHECK(5, d.y1 >= o.y1 + 2 && x.y1 <= o.y1 && p.y1 <= o.y1 + 1);
                      // The full stop sits on the baseline, low and small.
                      CHECK(6, dot.y0 >= oy - 1 && dot.y1 <= oy + 4 && dot.x1 - dot.x0 <= 4);
                      // Advances: along x only; 'W' wider than 'i' in Sans, the same in Mono.
                      CHECK(7, W.advance[1] == 0 && i.advance[1] == 0);
                      CHECK(8, k.mono ? W.advance[0] == i.advance[0] : W.advance[0] >= 3 * i.advance[0]);
                      // 'W' is wider than it is tall in Sans; a glyph keeps to its advance in Mono.
                      CHECK(9, k.mono ? W.x1 - W.x0 < W.advance[0] + 1 : W.x1 - W.x0 > W.y1 - W.y0);
                      if (!k.mono) {
                          // 'I' and 'l': a vertical bar, narrow, its inner rows all alike.
                          for (const Drawn* bar : {&I, &l}) {
                              CHECK(10, bar->x1 - bar->x0 <= 3 && bar->y1 - bar->y0 >= 8);
                              CHECK(11, bar->y0 >= oy - 1 && bar->y0 <= oy);
                              for (int y = bar->y0 + 1; y < bar->y1; ++y)
                                  for (int xx = bar->x0; xx <= bar->x1; ++xx)
                                      if (bar->m.at(xx, y) != bar->m.at(xx, bar->y0 + 1)) return 12;
                          }
                          // 'l' is taller than 'I' (ascender over capital).
                          CHECK(13, l.y1 >= I.y1);
                      }
                      return 0;
                  }),
                  0)
            << k.what;
    }
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

// Draws outline list `list` at (x, y) scaled by `scale` (an em to that many pixels).
Mask drawOutlineList(GltestDibContext& c, GLuint list, float x, float y, float scale, const GLfloat* rotation = nullptr) {
    c.clear();
    glColor3f(1, 1, 1);
    glPushMatrix();
    glTranslatef(x, y, 0);
    glScalef(scale, scale, scale);
    if (rotation) glRotatef(rotation[0], rotation[1], rotation[2], rotation[3]);
    glCallList(list);
    glPopMatrix();
    glFinish();
    return drawn(c);
}

// Polygons of a glyph scaled to the font's size cover what GDI's bitmap of it inks, but for
// pixels on an edge of either (GDI inks a pixel by its coverage, GL by its centre); the metrics
// are the font's at its em size.
TEST(FontOutlines, PolygonsMatchTheFontsBitmaps) {
    struct Case {
        const char* what;
        int weight, pitchAndFamily;
    };
    static const Case cases[] = {
        {"sans", FW_NORMAL, VARIABLE_PITCH | FF_SWISS},
        {"mono bold", FW_BOLD, FIXED_PITCH | FF_MODERN},
    };
    for (const Case& k : cases) {
        std::string err;
        EXPECT_EQ(wglxInChild([&] {
                      StandinRegisterGlu("GLU32.DLL", nullptr);
                      GltestDibContext c(64, 64);
                      const int em = 36, ox = 12, oy = 16;
                      ScopedFont font(c.dib.dc, -em, k.weight, k.pitchAndFamily, "");
                      static const char codes[] = "AgWo&@e%";
                      const int n = (int)strlen(codes);
                      for (int i = 0; i < n; ++i) {
                          const UINT code = (BYTE)codes[i];
                          GLYPHMETRICSFLOAT m;
                          CHECK(1, wglUseFontOutlinesA(c.dib.dc, code, 1, 100 + i, 0, 0, WGL_FONT_POLYGONS, &m));
                          const Mask got = drawOutlineList(c, 100 + i, ox, oy, em);
                          GLYPHMETRICS gm;
                          const Mask want = gdiGlyph(c.dib.dc, code, ox, oy, c.dib.width, c.dib.height, &gm);
                          int differ = 0;
                          for (int y = 0; y < c.dib.height; ++y)
                              for (int x = 0; x < c.dib.width; ++x)
                                  if (got.at(x, y) != want.at(x, y)) {
                                      if (!want.nearEdge(x, y) && !got.nearEdge(x, y)) {
                                          fprintf(stderr, "'%c': pixel (%d, %d) off the edge\n", codes[i], x, y);
                                          printMasks(got, want);
                                          return 100 + i;
                                      }
                                      ++differ;
                                  }
                          if (differ * 8 > want.count()) {
                              fprintf(stderr, "'%c': %d of %d pixels differ\n", codes[i], differ, want.count());
                              return 200 + i;
                          }
                          if (got.enclosed() != want.enclosed() && (got.enclosed() == 0) != (want.enclosed() == 0))
                              return 300 + i;
                          // The em-size metrics scaled to the font's size: the advance exactly as
                          // GetCharWidth32 rounds it, the box within its rounding.
                          INT width;
                          CHECK(2, GetCharWidth32A(c.dib.dc, code, code, &width));
                          if (fabsf(m.gmfCellIncX * em - width) > 0.5f || m.gmfCellIncY != 0) return 400 + i;
                          if (fabsf(m.gmfBlackBoxX * em - gm.gmBlackBoxX) > 2 || fabsf(m.gmfBlackBoxY * em - gm.gmBlackBoxY) > 2 ||
                              fabsf(m.gmfptGlyphOrigin.x * em - gm.gmptGlyphOrigin.x) > 1 ||
                              fabsf(m.gmfptGlyphOrigin.y * em - gm.gmptGlyphOrigin.y) > 1)
                              return 500 + i;
                      }
                      return glGetError() == GL_NO_ERROR ? 0 : 2;
                  }, &err),
                  0)
            << k.what << "\n" << err;
    }
}

// Line loops trace the outline: every pixel they light lies on the edge of GDI's bitmap of the
// glyph, the strokes' insides stay dark, and the list ends by moving on by the advance.
TEST(FontOutlines, LinesTraceTheOutlineAndTheListAdvances) {
    std::string err;
    EXPECT_EQ(wglxInChild([] {
                  GltestDibContext c(64, 64);
                  const int em = 48, ox = 6, oy = 10;
                  ScopedFont font(c.dib.dc, -em, FW_BOLD, 0, "Verdana");
                  GLYPHMETRICSFLOAT m[2];
                  memset(m, 0xCD, sizeof m);
                  CHECK(1, wglUseFontOutlinesA(c.dib.dc, 'O', 2, 2000, 0, 0, WGL_FONT_LINES, m));
                  // DejaVu Sans Bold's 'O' (advance 1741 of 2048 units, box 102..1638 x -29..1520)
                  // and 'P' (advance 1501).
                  CHECK(2, m[0].gmfCellIncX == 1741.0f / 2048 && m[0].gmfCellIncY == 0 && m[1].gmfCellIncX == 1501.0f / 2048);
                  CHECK(3, m[0].gmfptGlyphOrigin.x == 102.0f / 2048 && m[0].gmfptGlyphOrigin.y == 1520.0f / 2048);
                  CHECK(4, m[0].gmfBlackBoxX == 1536.0f / 2048 && m[0].gmfBlackBoxY == 1549.0f / 2048);
                  c.clear();
                  glColor3f(1, 1, 1);
                  glPushMatrix();
                  glTranslatef(ox, oy, 0);
                  glScalef(em, em, 1);
                  glCallList(2000);
                  GLfloat mv[16];
                  glGetFloatv(GL_MODELVIEW_MATRIX, mv);
                  glPopMatrix();
                  glFinish();
                  CHECK(5, mv[12] == ox + 1741.0f / 2048 * em && mv[13] == oy);
                  const Mask got = drawn(c);
                  GLYPHMETRICS gm;
                  const Mask want = gdiGlyph(c.dib.dc, 'O', ox, oy, c.dib.width, c.dib.height, &gm);
                  // Every lit pixel is next to the bitmap's edge, and every edge pixel of the
                  // bitmap next to a lit one; the ring's inside is dark.
                  auto lineNear = [&](int x, int y) {
                      for (int dy = -1; dy <= 1; ++dy)
                          for (int dx = -1; dx <= 1; ++dx)
                              if (got.at(x + dx, y + dy)) return true;
                      return false;
                  };
                  for (int y = 0; y < c.dib.height; ++y)
                      for (int x = 0; x < c.dib.width; ++x)
                          if ((got.at(x, y) && !want.nearEdge(x, y)) ||
                              (want.at(x, y) && want.nearEdge(x, y) && !lineNear(x, y))) {
                              printMasks(got, want);
                              return 6;
                          }
                  CHECK(7, got.count() < want.count() * 3 / 4);
                  return 0;
              }, &err),
              0)
        << err;
}

TEST(FontOutlines, PolygonsFillAroundTheHoleAndExtrusionAddsSides) {
    EXPECT_EQ(wglxInChild([] {
                  StandinRegisterGlu("GLU32.DLL", nullptr);
                  GltestDibContext c(32, 32);
                  CHECK(1, wglUseFontOutlinesA(c.dib.dc, 'O', 2, 3000, 0.01f, 0, WGL_FONT_POLYGONS, nullptr));
                  CHECK(2, wglUseFontOutlinesW(c.dib.dc, 'O', 1, 3100, 0.01f, 0.5f, WGL_FONT_POLYGONS, nullptr));
                  CHECK(3, wglUseFontOutlinesA(c.dib.dc, 'l', 1, 3200, 0.01f, 0, WGL_FONT_POLYGONS, nullptr));
                  CHECK(4, glGetError() == GL_NO_ERROR);
                  // The stock font's 'O' at 24 pixels an em from (2, 4): a ring round a dark middle.
                  for (GLuint list : {3000u, 3100u}) {
                      const Mask m = drawOutlineList(c, list, 2, 4, 24);
                      int x0, y0, x1, y1;
                      CHECK(5, m.bounds(&x0, &y0, &x1, &y1));
                      const int cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
                      CHECK(6, m.at(x0, cy) && m.at(x1, cy) && m.at(cx, y0) && m.at(cx, y1));
                      CHECK(7, !m.at(cx, cy) && m.enclosed() >= 20);
                      CHECK(8, !m.at(x0, y0) && !m.at(x1, y1));  // round, not square
                  }
                  // 'l' is solid.
                  CHECK(9, drawOutlineList(c, 3200, 4, 4, 24).enclosed() == 0);
                  glMatrixMode(GL_PROJECTION);
                  glLoadIdentity();
                  glOrtho(0, 32, 0, 32, -100, 100);
                  glMatrixMode(GL_MODELVIEW);
                  // Turned edge-on, the flat glyph covers (almost) nothing; the extruded one shows its sides.
                  const GLfloat edgeOn[4] = {90, 0, 1, 0};
                  CHECK(10, drawOutlineList(c, 3000, 16, 4, 16, edgeOn).count() <= 16);
                  CHECK(11, drawOutlineList(c, 3100, 16, 4, 16, edgeOn).count() >= 8 * 10);
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
