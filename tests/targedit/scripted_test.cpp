// targedit as a whole (EditorMain) under a script of user input on the stand-in's virtual clock:
// a tile target file loaded, edited through the menu, keys, mouse and both dialogs, and saved.
#include <memory>

#include "editor.h"
#include "tools_fixture.h"

namespace {

TargetRecord Target(int type, int x, int y) {
  TargetRecord t;
  memset(&t, 0, sizeof t);
  t.type = uint16_t(type), t.x = x, t.y = y;
  memset(t.opaque24, 0x5A, sizeof t.opaque24);  // carried through unchanged
  return t;
}

class EditorScriptTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    std::filesystem::create_directories("mdg");
    WriteText("mdg/Toilrefh.mdg", "m\nbox GRND01.bmp 3\n0 0 0 900 100 600\n0 0 0\n0 1 0\n0 0\n100 0 0\n0 1 0\n1 0\n0 0 100\n0 1 0\n0 1\n");
    start_.reset(new TileTargets[kTileCount]());
    memset(start_.get(), 0, kTileTargetFileSize);
    memset(start_[0].reserved, 7, sizeof start_[0].reserved);
    start_[0].count = 3;
    start_[0].targets[0] = Target(1, 10, 10);
    start_[0].targets[1] = Target(2, 100, 50);
    start_[0].targets[2] = Target(3, 200, 200);
    ASSERT_EQ(1, WriteTileTargetFile("start.ttd", start_.get()));
  }
  std::unique_ptr<TileTargets[]> start_;
};

TEST_F(EditorScriptTest, PlaceMoveCopyPasteDeleteAndSave) {
  const char *script =
      "frame 40\n"
      "5000 file start.ttd\n"
      "5000 menu 40002\n"
      "5500 click right 300 600\n"                                    // dialog 105
      "6000 dialog 105 \"select 1004 4; click 1006\"\n"             // a fifth-type target
      "6300 dialog 105 \"click 1011\"\n"                              // place mode
      "6600 drag left 300 600 120 420 800\n"                          // the new target follows
      "7600 key TAB\n"
      "7900 dialog 105 \"click 1\"\n"
      "8200 menu 40011\n"                                             // copy tile 0
      "8500 key NUMPAD5\n"
      "8800 menu 40012\n"                                             // paste on tile 1
      "9100 click right 300 600\n"
      "9600 dialog 105 \"select 1005 0; click 1009; click 1\"\n"      // tile 1 loses its first
      "10000 file saved.ttd\n"
      "10000 menu 40003\n"
      "10500 close\n";
  const char *problem = StandinLoadInputScript(script);
  ASSERT_EQ(nullptr, problem) << problem;
  EXPECT_EQ(0, EditorMain(SW_SHOWDEFAULT));
  EXPECT_EQ(0, StandinDialogAnswerFailures());
  EXPECT_EQ(0, StandinWindowCount());

  std::unique_ptr<TileTargets[]> saved(new TileTargets[kTileCount]);
  ASSERT_EQ(1, ReadTileTargetFile("saved.ttd", saved.get()));
  EXPECT_EQ(0, memcmp(saved.get(), gEditor.data.tiles, kTileTargetFileSize));  // reads back equal
  const TileTargets &tile0 = saved[0], &tile1 = saved[1];
  ASSERT_EQ(4, tile0.count);
  EXPECT_EQ(0, memcmp(tile0.reserved, start_[0].reserved, sizeof tile0.reserved));
  EXPECT_EQ(0, memcmp(&tile0.targets[0], &start_[0].targets[0], 3 * sizeof(TargetRecord)));
  const TargetRecord &placed = tile0.targets[3];
  EXPECT_EQ(5, placed.type);
  EXPECT_EQ(0x4000, placed.heading);
  // The map is the left square of the client area of the screen-sized window with its title bar,
  // border and menu.
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, WS_CAPTION, TRUE, 0);
  const LONG map = GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top);
  const POINT expected = {120 * 255 / map, 420 * 255 / map};
  EXPECT_EQ(expected.x, placed.x);
  EXPECT_EQ(expected.y, placed.y);
  ASSERT_EQ(3, tile1.count);
  EXPECT_EQ(0, memcmp(&tile1.targets[0], &tile0.targets[1], 3 * sizeof(TargetRecord)));
  EXPECT_EQ(0, tile1.targets[3].type);
}

// Esc, after the loading, arrives as a character (the loop translates keys) and ends the loop; the
// window goes after it.
TEST_F(EditorScriptTest, EscapeQuits) {
  const char *problem = StandinLoadInputScript("5000 key ESCAPE\n");
  ASSERT_EQ(nullptr, problem) << problem;
  EXPECT_EQ(0, EditorMain(SW_SHOWDEFAULT));
  EXPECT_EQ(0, StandinWindowCount());
}

}  // namespace
