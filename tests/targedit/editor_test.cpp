// targedit in-process: a started editor driven by the messages of its menu, keys, mouse and
// dialogs (answered as a user would), and what its views draw.
#include <windows.h>
#include <GL/gl.h>
#include <commctrl.h>
#include <string.h>

#include <cmath>
#include <functional>
#include <memory>

#include "editor.h"
#include "gltest.h"
#include "resource.h"
#include "tools_fixture.h"

namespace {

static const bool loaded = (gltestLoadForAllTests(), true);

// A 256 x 256 8-bit tile bitmap with a 4-colour table.
Bytes TileBitmap() {
  Bytes b = {'B', 'M'};
  const uint32_t offset = 14 + 40 + 16;
  Put32(b, offset + 256 * 256), Put32(b, 0), Put32(b, offset);
  Put32(b, 40), Put32(b, 256), Put32(b, 256), Put16(b, 1), Put16(b, 8);
  Put32(b, 0), Put32(b, 256 * 256), Put32(b, 0), Put32(b, 0), Put32(b, 4), Put32(b, 0);
  for (uint32_t c : {0x000000u, 0xFF0000u, 0x00FF00u, 0x0000FFu}) Put32(b, c);
  for (int i = 0; i < 256 * 256; ++i) b.push_back(uint8_t(i % 4));
  return b;
}

std::string Model(int halfExtentX, int halfExtentZ) {
  return "m\nbox GRND01.bmp 3\n0 0 0 " + std::to_string(halfExtentX) + " 100 " + std::to_string(halfExtentZ) +
         "\n0 0 0\n0 1 0\n0 0\n100 0 0\n0 1 0\n1 0\n0 0 100\n0 1 0\n0 1\n";
}

TargetRecord Target(int type, int x, int y, int heading = 0) {
  TargetRecord t;
  memset(&t, 0, sizeof t);
  t.type = uint16_t(type), t.x = x, t.y = y, t.heading = uint16_t(heading);
  return t;
}

class EditorTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    std::filesystem::create_directories("tiles");
    std::filesystem::create_directories("mdg");
    WriteFile("tiles/BNField8.bmp", TileBitmap());
    WriteText("mdg/Toilrefh.mdg", Model(5000, 2500));  // type 1
    WriteText("mdg/Tballbph.mdg", Model(0, 0));        // type 2
    ASSERT_EQ(1, StartEditor(SW_SHOW));
    window_ = gEditor.window;
    map_ = MapRect();
    StandinReset();  // drops the start-up's notices about the missing bitmaps
  }
  void TearDown() override {
    StopEditor();
    ToolsTest::TearDown();
  }
  TileTargets &Tile(int i) { return gEditor.data.tiles[i]; }
  void SetTargets(int tile, std::initializer_list<TargetRecord> targets) {
    memset(&Tile(tile), 0, sizeof(TileTargets));
    for (const TargetRecord &t : targets) Tile(tile).targets[Tile(tile).count++] = t;
  }
  void Key(WPARAM key) { SendMessageA(window_, WM_KEYDOWN, key, 0); }
  void Mouse(UINT message, int x, int y) { SendMessageA(window_, message, 0, MAKELPARAM(x, y)); }
  void Menu(UINT id) {
    ASSERT_TRUE(StandinChooseMenuItem(window_, id));
    Pump();
  }
  void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (gEditor.targetsDialog && IsDialogMessageA(gEditor.targetsDialog, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // Right click: opens dialog 105.
  HWND OpenTargetsDialog() {
    Mouse(WM_RBUTTONDOWN, 900, 100);
    Mouse(WM_RBUTTONUP, 900, 100);
    return StandinFindDialog(IDD_TILETARGETS);
  }
  void Act(const char *actions) {
    EXPECT_TRUE(StandinDialogAction(IDD_TILETARGETS, actions)) << actions;
    Pump();
  }
  // The polygons and texts drawn by one repaint.
  std::vector<StandinDraw> Repainted() {
    StandinReset();
    Repaint(window_);
    std::vector<StandinDraw> draws(StandinDrawCount());
    for (size_t i = 0; i < draws.size(); ++i) StandinGetDraw(int(i), &draws[i]);
    return draws;
  }
  std::string InfoText() {
    for (const StandinDraw &d : Repainted())
      if (d.kind == STANDIN_DRAW_TEXT) return d.text;
    return "";
  }
  HWND window_ = nullptr;
  RECT map_{};
};

TEST_F(EditorTest, StartsWithItsWindowMenuAndProgress) {
  char title[64];
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ("Calvex Tile Target Editor", title);
  HMENU menu = GetMenu(window_);
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ(UINT(MF_CHECKED), GetMenuState(menu, ID_DETAIL_HIGH, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(0u, GetMenuState(menu, ID_BOUNDINGBOXES, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(map_.right, map_.bottom);
  EXPECT_TRUE(gEditor.tileBitmaps[0] != nullptr);
  EXPECT_TRUE(gEditor.textureLoaded[0]);
  EXPECT_FALSE(gEditor.textureLoaded[1]);
  EXPECT_EQ(nullptr, StandinFindDialog(IDD_PROGRESS));  // closed after loading
  EXPECT_EQ(5000, gEditor.data.models[1].halfExtents[0]);
}

TEST_F(EditorTest, ProgressDialogCountsItsSteps) {
  ASSERT_EQ(1, OpenProgressDialog("Loading", 72));
  HWND dialog = StandinFindDialog(IDD_PROGRESS);
  ASSERT_NE(nullptr, dialog);
  EXPECT_TRUE(IsWindowVisible(dialog));
  char text[32];
  GetDlgItemTextA(dialog, IDC_PROGRESSTEXT, text, sizeof text);
  EXPECT_STREQ("Loading", text);
  HWND bar = nullptr;
  for (int id = 0; !bar && id < 4; ++id) bar = GetDlgItem(dialog, 0);
  ASSERT_NE(nullptr, bar);
  for (int i = 0; i < 3; ++i) StepProgress();
  int low, high, step, position;
  ASSERT_TRUE(StandinProgressState(bar, &low, &high, &step, &position));
  EXPECT_EQ(0, low);
  EXPECT_EQ(72, high);
  EXPECT_EQ(1, step);
  EXPECT_EQ(3, position);
  CloseProgressDialog();
  EXPECT_FALSE(IsWindow(dialog));
}

// Places, moves, turns, copies, pastes, deletes and saves targets; the saved file reads back equal.
TEST_F(EditorTest, EditingSessionSavesWhatWasEdited) {
  SetTargets(0, {Target(1, 10, 20), Target(2, 30, 40)});
  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("select 1004 4; click 1006");  // Chemical Plant... the fifth type
  ASSERT_EQ(3, Tile(0).count);
  EXPECT_EQ(5, Tile(0).targets[2].type);
  EXPECT_EQ(2, gEditor.data.currentTarget);
  Act("click 1011");
  ASSERT_TRUE(gEditor.placeMode);

  Mouse(WM_LBUTTONDOWN, 361, 361);
  EXPECT_EQ(window_, GetCapture());
  EXPECT_TRUE(gEditor.dragging);
  Mouse(WM_MOUSEMOVE, 180, 541);
  Mouse(WM_LBUTTONUP, 180, 541);
  EXPECT_EQ(nullptr, GetCapture());
  const POINT expected = {180 * 255 / map_.right, 541 * 255 / map_.bottom};
  EXPECT_EQ(expected.x, Tile(0).targets[2].x);
  EXPECT_EQ(expected.y, Tile(0).targets[2].y);
  EXPECT_EQ(float(128 - expected.x), gEditor.centreX);
  Key(VK_TAB);
  EXPECT_EQ(0x4000, Tile(0).targets[2].heading);
  Act("click 1");
  EXPECT_EQ(nullptr, gEditor.targetsDialog);
  EXPECT_FALSE(gEditor.placeMode);

  Menu(ID_EDIT_COPY);
  Key(VK_NUMPAD5);
  ASSERT_EQ(1, gEditor.data.currentTile);
  Menu(ID_EDIT_PASTE);
  EXPECT_EQ(0, memcmp(&Tile(0), &Tile(1), sizeof(TileTargets)));

  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("select 1005 0; click 1009; click 1");
  ASSERT_EQ(2, Tile(1).count);
  EXPECT_EQ(2, Tile(1).targets[0].type);
  EXPECT_EQ(5, Tile(1).targets[1].type);
  EXPECT_EQ(0, Tile(1).targets[2].type);  // the freed slot is zeroed

  StandinQueueFileDialogAnswer((dir_ / "saved.ttd").c_str());
  Menu(ID_FILE_SAVETTD);
  std::unique_ptr<TileTargets[]> back(new TileTargets[kTileCount]);
  ASSERT_EQ(1, ReadTileTargetFile("saved.ttd", back.get()));
  EXPECT_EQ(0, memcmp(back.get(), gEditor.data.tiles, kTileTargetFileSize));
  ASSERT_EQ(1, StandinMessageBoxCount());
  EXPECT_EQ((dir_ / "saved.ttd").string() + " has been saved.", StandinMessageBoxText(0));
  EXPECT_FALSE(std::filesystem::exists("saved.ttd.tmp"));
  EXPECT_STREQ("", StandinDebugOutput());  // no platform call failed
}

// Whatever changes the count or the tile, the current target stays a target of the tile (0 for
// an empty one), and Remove on an empty tile does nothing.
TEST_F(EditorTest, CurrentTargetStaysWithinTheTile) {
  SetTargets(0, {Target(1, 1, 1)});
  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("click 1009");
  EXPECT_EQ(0, Tile(0).count);
  EXPECT_EQ(0, gEditor.data.currentTarget);
  Act("click 1009; click 2");  // nothing to remove; Cancel brings the target back
  EXPECT_EQ(1, Tile(0).count);
  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("click 1006");  // the added target is current...
  EXPECT_EQ(1, gEditor.data.currentTarget);
  Act("click 2");  // ...until Cancel takes it away
  EXPECT_EQ(1, Tile(0).count);
  EXPECT_EQ(0, gEditor.data.currentTarget);

  // A smaller count from dialog 106.
  SetTargets(0, {Target(1, 1, 1), Target(1, 2, 2), Target(1, 3, 3), Target(1, 4, 4), Target(1, 5, 5), Target(1, 6, 6)});
  gEditor.data.currentTarget = 5;
  ASSERT_NE(nullptr, OpenTargetsDialog());
  ASSERT_TRUE(StandinQueueDialogAnswer(IDD_TARGETPROPERTIES, "type 1041 2; click 1032"));
  Act("click 1028");
  EXPECT_EQ(2, Tile(0).count);
  EXPECT_EQ(1, gEditor.data.currentTarget);
  Act("click 1");

  SetTargets(0, {Target(1, 1, 1), Target(1, 2, 2), Target(1, 3, 3), Target(1, 4, 4), Target(1, 5, 5), Target(1, 6, 6)});
  gEditor.data.currentTarget = 5;
  Menu(ID_EDIT_PASTE);  // nothing copied: a zero tile
  EXPECT_EQ(0, Tile(0).count);
  EXPECT_EQ(0, gEditor.data.currentTarget);

  SetTargets(0, {Target(1, 1, 1), Target(1, 2, 2), Target(1, 3, 3), Target(1, 4, 4), Target(1, 5, 5), Target(1, 6, 6)});
  gEditor.data.currentTarget = 5;
  std::unique_ptr<TileTargets[]> file(new TileTargets[kTileCount]());
  file[0].count = 2;
  file[0].targets[0] = file[0].targets[1] = Target(3, 7, 7);
  ASSERT_EQ(1, WriteTileTargetFile("two.ttd", file.get()));
  StandinQueueFileDialogAnswer((dir_ / "two.ttd").c_str());
  Menu(ID_FILE_LOADTTD);
  EXPECT_EQ(2, Tile(0).count);
  EXPECT_EQ(1, gEditor.data.currentTarget);
  EXPECT_NE(std::string::npos, InfoText().find("Target X: 7 "));
}

// Dialog 106 stores every field or, when one is out of range, nothing (after a notice).
TEST_F(EditorTest, PropertiesDialogChecksItsFields) {
  SetTargets(0, {Target(1, 1, 1), Target(1, 2, 2), Target(1, 3, 3)});
  Tile(0).targets[5] = Target(200, -5, 999);  // junk in an unused slot
  Tile(0).targets[1].detailLevel = 7;         // no entry of the detail list
  gEditor.data.currentTarget = 1;
  const struct {
    const char *answer;
    bool stored;
  } cases[] = {
      {"type 1041 65", false}, {"type 1041 -9", false},  {"type 1041 999", false},  // two characters: "99"
      {"type 1029 256", false}, {"type 1031 300", false}, {"type 1034 x", false},
      {"type 1041 8; type 1029 255; type 1031 0; type 1034 -5", true},
  };
  ASSERT_NE(nullptr, OpenTargetsDialog());
  for (const auto &c : cases) {
    StandinReset();
    const TileTargets before = Tile(0);
    // OK, then Cancel in case OK was refused.
    ASSERT_TRUE(StandinQueueDialogAnswer(IDD_TARGETPROPERTIES, (std::string(c.answer) + "; click 1032; click 1033").c_str()));
    Act("click 1028");
    EXPECT_EQ(0, StandinDialogAnswerFailures()) << c.answer;
    ASSERT_EQ(c.stored ? 0 : 1, StandinMessageBoxCount()) << c.answer;
    if (!c.stored) {
      EXPECT_STREQ("Notice", StandinMessageBoxCaption(0));
      EXPECT_EQ(0, memcmp(&before, &Tile(0), sizeof before)) << c.answer;
    }
  }
  const TargetRecord &t = Tile(0).targets[1];
  EXPECT_EQ(8, Tile(0).count);
  EXPECT_EQ(255, t.chance);
  EXPECT_EQ(-5, t.left);
  EXPECT_EQ(7, t.detailLevel);  // its list had no selection
  EXPECT_EQ(1, t.type);
  for (int k = 3; k < 8; ++k) EXPECT_EQ(0, Tile(0).targets[k].type) << k;  // newly used slots start empty
  EXPECT_EQ(0, Tile(0).targets[5].x);
}

// On a tile without targets dialog 106 edits the first slot: a count of 1 keeps what was typed.
TEST_F(EditorTest, PropertiesOfAnEmptyTileFillItsFirstTarget) {
  SetTargets(0, {});
  Tile(0).targets[0] = Target(200, -5, 999);  // junk in the unused slot
  ASSERT_NE(nullptr, OpenTargetsDialog());
  ASSERT_TRUE(StandinQueueDialogAnswer(IDD_TARGETPROPERTIES,
                                       "type 1041 1; type 1029 9; type 1031 4; select 1040 2; click 1032"));
  Act("click 1028");
  EXPECT_EQ(0, StandinDialogAnswerFailures());
  ASSERT_EQ(1, Tile(0).count);
  const TargetRecord &t = Tile(0).targets[0];
  EXPECT_EQ(9, t.chance);
  EXPECT_EQ(4, t.group);
  EXPECT_EQ(3, t.type);
  EXPECT_EQ(0, t.x);  // the rest starts empty
  EXPECT_EQ(0, t.y);
}

// Dialog 106 stores its fields into the target it showed, then changes the count: lowered below
// that target's index, the fields are still that target's and no other slot changes, also when a
// pick on the map (which stays usable) makes another target current while the dialog is open.
TEST_F(EditorTest, PropertiesGoToTheEditedTargetBeforeTheCountChanges) {
  for (const bool pickMeanwhile : {false, true}) {
    SetTargets(0, {Target(1, 10, 10), Target(1, 60, 60), Target(1, 110, 110), Target(1, 160, 160), Target(1, 210, 210),
                   Target(1, 250, 250)});
    Tile(0).targets[5].left = 1000, Tile(0).targets[5].chance = 1;
    gEditor.data.currentTarget = 5;
    const TileTargets before = Tile(0);
    ASSERT_NE(nullptr, OpenTargetsDialog());
    if (pickMeanwhile)  // taken by the dialog's own message loop, before its answer
      PostMessageA(window_, WM_MBUTTONDOWN, 0, MAKELPARAM(60 * map_.right / 255 + 2, 60 * map_.bottom / 255 + 2));
    ASSERT_TRUE(StandinQueueDialogAnswer(
        IDD_TARGETPROPERTIES, "type 1041 2; type 1029 77; type 1031 5; type 1034 -3; select 1040 9; click 1032"));
    Act("click 1028");
    EXPECT_EQ(0, StandinDialogAnswerFailures());
    const TargetRecord &edited = Tile(0).targets[5];
    EXPECT_EQ(2, Tile(0).count) << pickMeanwhile;
    EXPECT_EQ(77, edited.chance) << pickMeanwhile;
    EXPECT_EQ(5, edited.group) << pickMeanwhile;
    EXPECT_EQ(-3, edited.left) << pickMeanwhile;
    EXPECT_EQ(10, edited.type) << pickMeanwhile;
    EXPECT_EQ(250, edited.x) << pickMeanwhile;  // what the dialog does not show stays
    EXPECT_EQ(before.targets[5].right, edited.right) << pickMeanwhile;
    EXPECT_EQ(0, memcmp(before.targets, Tile(0).targets, 5 * sizeof(TargetRecord))) << pickMeanwhile;
    EXPECT_EQ(0, memcmp(&before.targets[6], &Tile(0).targets[6], 58 * sizeof(TargetRecord))) << pickMeanwhile;
    EXPECT_EQ(1, gEditor.data.currentTarget) << pickMeanwhile;
    Act("click 1");
  }
}

// A file's counts, types and positions outside the editor's ranges are drawn, listed, shown in
// dialog 106 and saved as they are: only the first 64 slots are used, unknown types draw the
// "None" model, and the saved file is the loaded one byte for byte.
TEST_F(EditorTest, OutOfRangeValuesAreUsedSafelyAndSavedAsTheyAre) {
  std::unique_ptr<TileTargets[]> file(new TileTargets[kTileCount]());
  memset(file.get(), 0xA5, kTileTargetFileSize);  // every slot and reserved byte set
  file[0].count = 200;
  for (int k = 0; k < kMaxTileTargets; ++k) file[0].targets[k].type = uint16_t(k % 2 ? 0xFFFF : 72);
  file[0].targets[0].x = INT32_MIN, file[0].targets[0].y = INT32_MAX;
  file[0].targets[1].detailLevel = 200;
  file[1].count = INT32_MIN;
  file[2].count = -1;
  ASSERT_EQ(1, WriteTileTargetFile("hostile.ttd", file.get()));
  const Bytes image = ReadFile("hostile.ttd");
  StandinQueueFileDialogAnswer((dir_ / "hostile.ttd").c_str());
  Menu(ID_FILE_LOADTTD);
  EXPECT_EQ(0, memcmp(image.data(), gEditor.data.tiles, kTileTargetFileSize));

  int polygons = 0;
  std::string text;
  for (const StandinDraw &d : Repainted()) {
    polygons += d.kind == STANDIN_DRAW_POLYGON;
    if (d.kind == STANDIN_DRAW_TEXT) text = d.text;
  }
  EXPECT_EQ(kMaxTileTargets, polygons);
  EXPECT_NE(std::string::npos, text.find("Number of Targets: 200 \n")) << text;
  HWND dialog = OpenTargetsDialog();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(kMaxTileTargets, SendDlgItemMessageA(dialog, IDC_TILETARGETS, LB_GETCOUNT, 0, 0));
  Act("select 1005 1");
  ASSERT_TRUE(StandinQueueDialogAnswer(IDD_TARGETPROPERTIES, "click 1033"));
  Act("click 1028");
  Act("click 1");
  for (int tile : {1, 2}) {
    Key(VK_NUMPAD5);
    ASSERT_EQ(tile, gEditor.data.currentTile);
    EXPECT_EQ(0, gEditor.data.currentTarget);
    Repainted();
    ASSERT_NE(nullptr, OpenTargetsDialog());
    EXPECT_EQ(0, SendDlgItemMessageA(StandinFindDialog(IDD_TILETARGETS), IDC_TILETARGETS, LB_GETCOUNT, 0, 0));
    Act("click 1");
  }
  StandinQueueFileDialogAnswer((dir_ / "saved.ttd").c_str());
  Menu(ID_FILE_SAVETTD);
  EXPECT_EQ(image, ReadFile("saved.ttd"));
}

// Positions anywhere in 32 bits: the nearest target is the nearest (the distance does not wrap),
// and the view re-centres on the side the target lies.
TEST_F(EditorTest, PickAndRecentreTakeFarPositionsInFull) {
  SetTargets(0, {Target(1, INT32_MIN, INT32_MIN), Target(1, 12, 12), Target(1, INT32_MAX, 5)});
  Mouse(WM_MBUTTONDOWN, 10 * map_.right / 255 + 1, 10 * map_.bottom / 255 + 1);
  EXPECT_EQ(1, gEditor.data.currentTarget);
  HWND dialog = OpenTargetsDialog();
  ASSERT_NE(nullptr, dialog);
  Act("select 1005 0");
  EXPECT_FLOAT_EQ(128.0f - float(INT32_MIN), gEditor.centreX);
  EXPECT_FLOAT_EQ(128.0f - float(INT32_MIN), gEditor.centreZ);
  Act("select 1005 2");
  EXPECT_FLOAT_EQ(128.0f - float(INT32_MAX), gEditor.centreX);
  EXPECT_FLOAT_EQ(123.0f, gEditor.centreZ);
  Act("click 1");
}

TEST_F(EditorTest, ASixtyFifthTargetIsRefused) {
  SetTargets(0, {});
  for (int k = 0; k < kMaxTileTargets; ++k) Tile(0).targets[Tile(0).count++] = Target(1, k, k);
  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("click 1006");
  EXPECT_EQ(64, Tile(0).count);
  ASSERT_EQ(1, StandinMessageBoxCount());
  EXPECT_STREQ("Only 64 Targets per Tile are Allowed...", StandinMessageBoxText(0));
  EXPECT_STREQ("Notice", StandinMessageBoxCaption(0));
  EXPECT_EQ(1, gEditor.chosenType);  // the chosen type starts at the first type
}

TEST_F(EditorTest, KeysTurnTargetsAndStepThroughTiles) {
  SetTargets(0, {Target(1, 50, 50, 0x1234)});
  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("click 1011");
  for (int i = 0; i < 4; ++i) Key(VK_TAB);
  EXPECT_EQ(0x1234, Tile(0).targets[0].heading);
  Key(VK_NUMPAD5);  // not while dialog 105 is open
  EXPECT_EQ(0, gEditor.data.currentTile);
  Act("click 1");
  Key(VK_NUMPAD4);
  EXPECT_EQ(0, gEditor.data.currentTile);
  gEditor.data.currentTile = 58;
  Key(VK_NUMPAD5);
  EXPECT_EQ(58, gEditor.data.currentTile);
  gEditor.data.currentTile = 0;
  Key(VK_RIGHT), Key(VK_UP);
  EXPECT_EQ(5, gEditor.panX);
  EXPECT_EQ(5, gEditor.panY);
  for (int i = 0; i < 12; ++i) Key(VK_NUMPAD2);
  EXPECT_FLOAT_EQ(0.1f, gEditor.zoom);
  for (int i = 0; i < 12; ++i) Key(VK_NUMPAD1);
  EXPECT_FLOAT_EQ(1.0f, gEditor.zoom);
}

// While dialog 105 is open the main window keeps its input (pick, drag), but Load and Paste wait.
TEST_F(EditorTest, TargetsDialogLeavesTheMapUsable) {
  SetTargets(0, {Target(1, 10, 10), Target(1, 200, 100), Target(1, 250, 250)});
  HWND dialog = OpenTargetsDialog();
  ASSERT_NE(nullptr, dialog);
  EXPECT_TRUE(IsWindowEnabled(window_));
  Mouse(WM_MBUTTONDOWN, 200 * map_.right / 255 + 2, 100 * map_.bottom / 255 + 2);
  EXPECT_EQ(1, gEditor.data.currentTarget);
  EXPECT_EQ(1, SendDlgItemMessageA(dialog, IDC_TILETARGETS, LB_GETCURSEL, 0, 0));
  const TileTargets before = Tile(0);
  Menu(ID_EDIT_PASTE);
  StandinQueueFileDialogAnswer((dir_ / "none.ttd").c_str());
  Menu(ID_FILE_LOADTTD);
  EXPECT_EQ(0, memcmp(&before, &Tile(0), sizeof before));
  EXPECT_EQ(0, StandinFileDialogCount());
}

// With zoom 1.0 and no pan, (0, 0) is the map's top-left corner and (255, 255) its bottom-right;
// the current target is drawn with the red brush.
TEST_F(EditorTest, MarkersFollowTheMap) {
  SetTargets(0, {Target(2, 0, 0), Target(2, 255, 255)});
  gEditor.data.currentTarget = 1;
  std::vector<StandinDraw> polygons;
  for (const StandinDraw &d : Repainted())
    if (d.kind == STANDIN_DRAW_POLYGON) polygons.push_back(d);
  ASSERT_EQ(2u, polygons.size());
  EXPECT_EQ(0, polygons[0].points[0].x);
  EXPECT_EQ(0, polygons[0].points[0].y);
  EXPECT_EQ(map_.right, polygons[1].points[0].x);
  EXPECT_EQ(map_.bottom, polygons[1].points[0].y);
  EXPECT_EQ(gEditor.markerBrush, polygons[1].brush);
  EXPECT_NE(gEditor.markerBrush, polygons[0].brush);
}

TEST_F(EditorTest, DetailLimitDrawsTheFirstTargets) {
  SetTargets(0, {});
  for (int k = 0; k < kMaxTileTargets; ++k) Tile(0).targets[Tile(0).count++] = Target(1, k, k);
  Menu(ID_DETAIL_LOW);
  EXPECT_EQ(UINT(MF_CHECKED), GetMenuState(GetMenu(window_), ID_DETAIL_LOW, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(0u, GetMenuState(GetMenu(window_), ID_DETAIL_HIGH, MF_BYCOMMAND) & MF_CHECKED);
  int polygons = 0;
  std::string text;
  for (const StandinDraw &d : Repainted()) {
    polygons += d.kind == STANDIN_DRAW_POLYGON;
    if (d.kind == STANDIN_DRAW_TEXT) text = d.text;
  }
  EXPECT_EQ(16, polygons);
  EXPECT_NE(std::string::npos, text.find("Polys: 16\n"));  // one triangle a target
  EXPECT_NE(std::string::npos, text.find("Number of Targets: 64 \n"));
}

TEST_F(EditorTest, HalfZoomStretchesA128PixelSquare) {
  Key(VK_NUMPAD2), Key(VK_NUMPAD2), Key(VK_NUMPAD2), Key(VK_NUMPAD2), Key(VK_NUMPAD2);
  ASSERT_FLOAT_EQ(0.5f, gEditor.zoom);
  Repainted();
  StandinBlit blit;
  ASSERT_TRUE(StandinGetBlit(0, &blit));
  EXPECT_EQ(STANDIN_BLIT_STRETCHDIBITS, blit.kind);
  EXPECT_EQ(128, blit.srcWidth);
  EXPECT_EQ(128, blit.srcHeight);
  EXPECT_EQ(map_.right, blit.width);
}

TEST_F(EditorTest, AnglesWrapOnce) {
  const struct {
    float in, out;
  } cases[] = {{370, 10}, {-10, 350}, {720, 360}, {360, 360}, {0, 0}};
  for (const auto &c : cases) EXPECT_FLOAT_EQ(c.out, WrapAngle(c.in)) << c.in;
  EXPECT_TRUE(std::signbit(WrapAngle(-0.0f)));
}

TEST_F(EditorTest, PanelShowsTheHeadingInDegrees) {
  SetTargets(0, {Target(1, 12, 34, 16384)});
  const std::string text = InfoText();
  EXPECT_NE(std::string::npos, text.find("Heading: 90 \n")) << text;
  EXPECT_NE(std::string::npos, text.find("Target X: 12 \n Target Y: 34 \n")) << text;
}

// Model half extents that overflow 32 bits times the map's size still give bounded markers.
TEST_F(EditorTest, HugeExtentsGiveBoundedMarkers) {
  gEditor.data.models[1].halfExtents[0] = 2000000000;
  gEditor.data.models[1].halfExtents[2] = -2000000000;
  SetTargets(0, {Target(1, 128, 128)});
  int polygons = 0;
  for (const StandinDraw &d : Repainted())
    if (d.kind == STANDIN_DRAW_POLYGON) {
      ++polygons;
      EXPECT_EQ(10000000, d.points[0].x);
      for (int i = 0; i < 4; ++i) EXPECT_LE(abs(d.points[i].y), 10000000) << i;
    }
  EXPECT_EQ(1, polygons);
}

TEST_F(EditorTest, AFailedSaveKeepsThePreviousFile) {
  WriteText("kept.ttd", "previous");
  std::filesystem::create_directory("kept.ttd.tmp");  // the new file cannot be written
  StandinQueueFileDialogAnswer((dir_ / "kept.ttd").c_str());
  Menu(ID_FILE_SAVETTD);
  EXPECT_EQ("previous", ReadText("kept.ttd"));
  ASSERT_EQ(1, StandinMessageBoxCount());
  EXPECT_STREQ("Unable to open file...", StandinMessageBoxCaption(0));
}

// Whatever a key, the mouse or a command changes, the window is repainted.
TEST_F(EditorTest, EveryChangeRepaints) {
  SetTargets(0, {Target(1, 50, 50), Target(1, 200, 200)});
  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("click 1011");  // place mode
  const struct {
    const char *what;
    std::function<void()> input;
  } cases[] = {
      {"pan", [&] { Key(VK_LEFT); }},
      {"drag start", [&] { Mouse(WM_LBUTTONDOWN, 100, 100); }},
      {"drag", [&] { Mouse(WM_MOUSEMOVE, 120, 100); }},
      {"drag end", [&] { Mouse(WM_LBUTTONUP, 120, 100); }},
      {"pick", [&] { Mouse(WM_MBUTTONDOWN, 300, 300); }},
      {"turn", [&] { Key(VK_TAB); }},
      {"bounding boxes", [&] { SendMessageA(window_, WM_COMMAND, ID_BOUNDINGBOXES, 0); }},
      {"mouse view", [&] { Key(VK_SPACE); }},
      {"view turn", [&] { Mouse(WM_MOUSEMOVE, 140, 110); }},
  };
  for (const auto &c : cases) {
    Pump();
    ValidateRect(window_, nullptr);
    c.input();
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, window_, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << c.what;
  }
}

TEST_F(EditorTest, MouseViewTurnsZoomsAndShifts) {
  Key(VK_SPACE);
  ASSERT_TRUE(gEditor.mouseView);
  Mouse(WM_MOUSEMOVE, 100, 100);
  const float angleX = gEditor.angleX, angleY = gEditor.angleY;
  Mouse(WM_MOUSEMOVE, 90, 110);
  EXPECT_FLOAT_EQ(angleY + 6.0f, gEditor.angleY);
  EXPECT_FLOAT_EQ(angleX - 6.0f, gEditor.angleX);
  const float distance = gEditor.distance;
  Mouse(WM_LBUTTONDOWN, 90, 110);
  EXPECT_EQ(window_, GetCapture());
  Mouse(WM_MOUSEMOVE, 90, 120);
  EXPECT_FLOAT_EQ(distance - 10.0f, gEditor.distance);
  Mouse(WM_LBUTTONUP, 90, 120);
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_FALSE(gEditor.dragging);
  const float centreX = gEditor.centreX, centreZ = gEditor.centreZ;
  Mouse(WM_RBUTTONDOWN, 90, 120);
  Mouse(WM_MOUSEMOVE, 100, 125);  // the right button shifts the view centre as the angles turn
  EXPECT_FLOAT_EQ(centreX - 6.0f, gEditor.centreX);
  EXPECT_FLOAT_EQ(centreZ - 3.0f, gEditor.centreZ);
  Mouse(WM_RBUTTONUP, 100, 125);
  EXPECT_EQ(nullptr, gEditor.targetsDialog);  // not in mouse-view mode
}

// In place mode a right-button drag turns the current target by 150 a pixel across.
TEST_F(EditorTest, RightDragInPlaceModeTurnsTheTarget) {
  SetTargets(0, {Target(1, 50, 50, 1000)});
  ASSERT_NE(nullptr, OpenTargetsDialog());
  Act("click 1011");
  Mouse(WM_RBUTTONDOWN, 600, 100);
  Mouse(WM_MOUSEMOVE, 610, 300);
  Mouse(WM_MOUSEMOVE, 605, 300);
  EXPECT_EQ(1000 + 150 * 5, Tile(0).targets[0].heading);
  Mouse(WM_RBUTTONUP, 605, 300);
  EXPECT_EQ(50, Tile(0).targets[0].x);  // turned, not moved
}

}  // namespace
