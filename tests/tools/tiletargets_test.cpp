// The tile target file: byte layout, round trips through the load and save commands, files that
// must be refused, and the bounding-box listing.
#include <algorithm>
#include <memory>
#include <random>

#include "tiletargets.h"
#include "tools_fixture.h"

namespace {

using TileTargetsTest = ToolsTest;

// A file image with every byte set, counts 0-64, used types 1-71 and used positions on the map.
Bytes SoundFileImage(unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(kTileTargetFileSize);
  for (uint8_t &b : bytes) b = uint8_t(random());
  for (int t = 0; t < kTileCount; ++t) {
    const size_t tile = size_t(t) * sizeof(TileTargets);
    const int count = (t * 7) % (kMaxTileTargets + 1);
    Set32(bytes, tile + 16, uint32_t(count));
    for (int k = 0; k < count; ++k) {
      const size_t at = tile + 20 + size_t(k) * sizeof(TargetRecord);
      const int type = 1 + (t + k) % kLastTargetType;
      bytes[at] = uint8_t(type);
      bytes[at + 1] = 0;
      Set32(bytes, at + 4, uint32_t((t * 13 + k * 5) % 256));
      Set32(bytes, at + 8, uint32_t((t * 3 + k * 11) % 256));
    }
  }
  return bytes;
}

std::unique_ptr<TileTargets[]> Tiles(uint8_t fill) {
  std::unique_ptr<TileTargets[]> tiles(new TileTargets[kTileCount]);
  memset(tiles.get(), fill, kTileTargetFileSize);
  return tiles;
}

TEST_F(TileTargetsTest, RecordsMapTheFileLayout) {
  Bytes image = SoundFileImage(1);
  const size_t tile = 5 * sizeof(TileTargets), target = tile + 20 + 3 * 80;
  image[tile + 16] = 4, image[tile + 17] = image[tile + 18] = image[tile + 19] = 0;
  const uint8_t record[24] = {7, 0, 0x00, 0x40, 12, 0, 0, 0, 200, 0, 0, 0};
  memcpy(&image[target], record, 12);
  image[target + 21] = 99, image[target + 22] = 2, image[target + 23] = 17;
  Set32(image, target + 48, uint32_t(-3));
  Set32(image, target + 60, 250);
  WriteFile("layout.ttd", image);
  auto tiles = Tiles(0);
  ASSERT_EQ(1, ReadTileTargetFile("layout.ttd", tiles.get()));
  const TargetRecord &r = tiles[5].targets[3];
  EXPECT_EQ(4, tiles[5].count);
  EXPECT_EQ(7, r.type);
  EXPECT_EQ(0x4000, r.heading);
  EXPECT_EQ(12, r.x);
  EXPECT_EQ(200, r.y);
  EXPECT_EQ(99, r.chance);
  EXPECT_EQ(2, r.detailLevel);
  EXPECT_EQ(17, r.group);
  EXPECT_EQ(-3, r.left);
  EXPECT_EQ(250, r.bottom);
}

TEST_F(TileTargetsTest, SaveAfterLoadReproducesTheFileByteForByte) {
  const Bytes image = SoundFileImage(2);
  WriteFile("in.ttd", image);
  const std::string saved = (dir_ / "out.ttd").string();
  StandinQueueFileDialogAnswer((dir_ / "in.ttd").c_str());
  StandinQueueFileDialogAnswer(saved.c_str());
  auto tiles = Tiles(0);
  ASSERT_EQ(1, LoadTargetDefinitions(tiles.get()));
  ASSERT_EQ(1, SaveTargetDefinitions(tiles.get()));
  EXPECT_EQ(image, ReadFile("out.ttd"));
  ASSERT_EQ(1, StandinMessageBoxCount());
  EXPECT_EQ(saved + " has been saved.", StandinMessageBoxText(0));
  EXPECT_STREQ("Notice", StandinMessageBoxCaption(0));
  EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), StandinMessageBoxType(0));
  StandinFileDialog d;
  ASSERT_TRUE(StandinGetFileDialog(1, &d));
  EXPECT_TRUE(d.save);
}

TEST_F(TileTargetsTest, SavedRecordsReadBackEqual) {
  auto tiles = Tiles(0);
  memcpy(tiles.get(), SoundFileImage(3).data(), kTileTargetFileSize);
  WriteFile("round.ttd", Bytes(100, 0x33));  // an earlier file is replaced
  ASSERT_EQ(1, WriteTileTargetFile("round.ttd", tiles.get()));
  EXPECT_EQ(kTileTargetFileSize, ReadFile("round.ttd").size());
  auto back = Tiles(0xEE);
  ASSERT_EQ(1, ReadTileTargetFile("round.ttd", back.get()));
  EXPECT_EQ(0, memcmp(tiles.get(), back.get(), kTileTargetFileSize));
}

// Positions off the map are limited to 0-255 at load, for used targets only; slots above the
// count keep their bytes.
TEST_F(TileTargetsTest, UsedTargetPositionsAreClampedToTheMapAtLoad) {
  Bytes image = SoundFileImage(4);
  const size_t tile = 2 * sizeof(TileTargets);
  Set32(image, tile + 16, 3);
  const struct {
    int32_t x, y, wantX, wantY;
  } cases[] = {{-1, 256, 0, 255}, {INT32_MIN, INT32_MAX, 0, 255}, {255, 0, 255, 0}};
  for (int k = 0; k < 3; ++k) {
    Set32(image, tile + 20 + k * 80 + 4, uint32_t(cases[k].x));
    Set32(image, tile + 20 + k * 80 + 8, uint32_t(cases[k].y));
  }
  Set32(image, tile + 20 + 3 * 80 + 4, uint32_t(-7));  // unused slot
  WriteFile("hostile.ttd", image);
  auto tiles = Tiles(0);
  ASSERT_EQ(1, ReadTileTargetFile("hostile.ttd", tiles.get()));
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(cases[k].wantX, tiles[2].targets[k].x) << k;
    EXPECT_EQ(cases[k].wantY, tiles[2].targets[k].y) << k;
  }
  EXPECT_EQ(-7, tiles[2].targets[3].x);
}

// A file that is not a whole, sound tile target file is refused with the notice, and the tiles
// in memory stay as they were.
TEST_F(TileTargetsTest, RefusedFilesLeaveTheTilesUnchanged) {
  const Bytes sound = SoundFileImage(4);
  auto with = [&](size_t at, uint32_t value) {
    Bytes b = sound;
    Set32(b, at, value);
    return b;
  };
  const size_t lastTile = size_t(kTileCount - 1) * sizeof(TileTargets);
  const size_t tile7 = 7 * sizeof(TileTargets);  // 49 targets
  struct Case {
    const char *what;
    Bytes bytes;
  } cases[] = {
      {"empty", Bytes()},
      {"one byte short", Bytes(sound.begin(), sound.end() - 1)},
      {"half a file", Bytes(sound.begin(), sound.begin() + kTileTargetFileSize / 2)},
      {"count 65", with(lastTile + 16, 65)},
      {"negative count", with(16, uint32_t(-1))},
      {"huge count", with(tile7 + 16, 0x7FFFFFFF)},
      {"used slot of type 72", with(tile7 + 20 + 48 * 80, 72)},
  };
  for (const Case &c : cases) {
    StandinReset();
    WriteFile("bad.ttd", c.bytes);
    StandinQueueFileDialogAnswer((dir_ / "bad.ttd").c_str());
    auto tiles = Tiles(0x33);
    EXPECT_EQ(0, LoadTargetDefinitions(tiles.get())) << c.what;
    auto untouched = Tiles(0x33);
    EXPECT_EQ(0, memcmp(untouched.get(), tiles.get(), kTileTargetFileSize)) << c.what;
    ASSERT_EQ(1, StandinMessageBoxCount()) << c.what;
    EXPECT_EQ("Failed to read " + (dir_ / "bad.ttd").string() + "!", StandinMessageBoxText(0));
    EXPECT_STREQ("Notice", StandinMessageBoxCaption(0));
    EXPECT_EQ(UINT(MB_OK | MB_ICONWARNING), StandinMessageBoxType(0));
  }
  // An unused slot may hold anything.
  WriteFile("spare.ttd", with(tile7 + 20 + 49 * 80, 0xFFFFFFFF));
  auto tiles = Tiles(0);
  EXPECT_EQ(1, ReadTileTargetFile("spare.ttd", tiles.get()));
}

TEST_F(TileTargetsTest, CancelDoesNothingAndAnUnwritablePathIsReported) {
  auto tiles = Tiles(0x11);
  StandinQueueFileDialogAnswer(nullptr);
  EXPECT_EQ(0, LoadTargetDefinitions(tiles.get()));
  StandinQueueFileDialogAnswer(nullptr);
  EXPECT_EQ(0, SaveTargetDefinitions(tiles.get()));
  EXPECT_EQ(0, StandinMessageBoxCount());

  const std::string path = (dir_ / "no-such-dir" / "x.ttd").string();
  StandinQueueFileDialogAnswer(path.c_str());
  EXPECT_EQ(0, SaveTargetDefinitions(tiles.get()));
  ASSERT_EQ(1, StandinMessageBoxCount());
  EXPECT_EQ(path, StandinMessageBoxText(0));
  EXPECT_STREQ("Unable to open file...", StandinMessageBoxCaption(0));
  EXPECT_EQ(UINT(MB_OK | MB_ICONWARNING), StandinMessageBoxType(0));
}

TEST_F(TileTargetsTest, TargetCountForLoopsStaysWithinTheSlots) {
  struct Case {
    int32_t stored, used;
  } cases[] = {{0, 0}, {64, 64}, {65, 64}, {-1, 0}, {INT32_MIN, 0}, {INT32_MAX, 64}};
  TileTargets tile{};
  for (const Case &c : cases) {
    tile.count = c.stored;
    EXPECT_EQ(c.used, TileTargetCount(&tile)) << c.stored;
  }
}

TEST_F(TileTargetsTest, NameTablesKeepTheirIndices) {
  EXPECT_STREQ("Field8.bmp", kTextureNames[0]);
  EXPECT_STREQ("CoastTBR.bmp", kTextureNames[58]);
  EXPECT_STREQ("BOMBS.bmp", kTextureNames[kFirstModelTexture]);
  EXPECT_STREQ("GRND12.bmp", kTextureNames[71]);
  EXPECT_STREQ("none.mdg", kModelFileNames[5]);
  EXPECT_STREQ("Ttrengnh.mdg", kModelFileNames[43]);
  EXPECT_STREQ("Ttrengnh.mdg", kModelFileNames[71]);
  EXPECT_STREQ("Oil Plant", kTargetNames[kFirstTargetType]);
  EXPECT_STREQ("Peeps Marching", kTargetNames[kLastTargetType]);
  for (int i = 0; i < kModelSlotCount; ++i)
    EXPECT_TRUE(kTextureNames[i] && kModelFileNames[i] && kTargetNames[i]) << i;
}

TEST_F(TileTargetsTest, LoadingAllModelsReadsFromTheModelFolderAndListsTheBoxes) {
  std::filesystem::create_directory("mdg");
  WriteText("mdg/Tchemplh.mdg",
            "x\nplant Field2.bmp\n3\n0 0 0 52 10 -7\n"
            "0 0 0\n0 1 0\n0 0\n200 0 0\n0 1 0\n1 0\n0 0 400\n0 1 0\n0 1\n");
  std::unique_ptr<TargetModel[]> models(new TargetModel[kModelSlotCount]);
  memset(models.get(), 0, sizeof(TargetModel) * kModelSlotCount);
  models[1].halfExtents[0] = 11;  // slot 1's file is missing: it keeps what it held
  LoadAllTargetModels(models.get());
  const TargetModel &plant = models[3];
  EXPECT_EQ(3, plant.triangleVertexCount);
  EXPECT_EQ(7, plant.textureIndex);
  EXPECT_FLOAT_EQ(1.0f, plant.positions[1][0]);  // 200 x 0.005
  EXPECT_FLOAT_EQ(2.0f, plant.positions[2][2]);

  const std::string listing = ReadText("Target Bounding Boxes.txt");
  EXPECT_NE(std::string::npos, listing.find("0.) None: 0, 0, 0 - none.mdg\n1.) Oil Plant: 2, 0, 0 - Toilrefh.mdg\n"));
  EXPECT_NE(std::string::npos, listing.find("\n3.) Chemical Plant: 10, 2, -1 - Tchemplh.mdg\n"));
  EXPECT_NE(std::string::npos, listing.find("\n71.) Peeps Marching: 0, 0, 0 - Ttrengnh.mdg\n"));
  EXPECT_EQ(kModelSlotCount, std::count(listing.begin(), listing.end(), '\n'));
}

}  // namespace
