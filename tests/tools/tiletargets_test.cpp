// The tile target file: byte layout, round trips through the load and save commands (values out of
// the editor's ranges and the sample file included), short files, files that do not read, and the
// bounding-box listing.
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

// Counts, types, positions and detail levels outside the editor's ranges are kept as stored: a
// load followed by a save gives the file back byte for byte.
TEST_F(TileTargetsTest, OutOfRangeValuesLoadAndSaveByteForByte) {
  Bytes image = SoundFileImage(4);
  const size_t tile7 = 7 * sizeof(TileTargets);  // 49 targets
  auto at = [](int tile, int target, size_t field) {
    return size_t(tile) * sizeof(TileTargets) + 20 + size_t(target) * sizeof(TargetRecord) + field;
  };
  Set32(image, 16, 65);
  Set32(image, sizeof(TileTargets) + 16, uint32_t(-1));
  Set32(image, 2 * sizeof(TileTargets) + 16, 0x7FFFFFFF);
  Set32(image, 3 * sizeof(TileTargets) + 16, 0x80000000u);
  const uint16_t types[] = {0, 72, 0xFFFF};
  const int32_t positions[][2] = {{-1, 256}, {INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}};
  for (int k = 0; k < 3; ++k) {
    image[at(7, k, 0)] = uint8_t(types[k]), image[at(7, k, 1)] = uint8_t(types[k] >> 8);
    Set32(image, at(7, k, 4), uint32_t(positions[k][0]));
    Set32(image, at(7, k, 8), uint32_t(positions[k][1]));
    image[at(7, k, 22)] = uint8_t(3 + k * 100);  // detail level
  }
  ASSERT_EQ(49u, image[tile7 + 16]);
  WriteFile("hostile.ttd", image);
  const std::string saved = (dir_ / "out.ttd").string();
  StandinQueueFileDialogAnswer((dir_ / "hostile.ttd").c_str());
  StandinQueueFileDialogAnswer(saved.c_str());
  auto tiles = Tiles(0);
  ASSERT_EQ(1, LoadTargetDefinitions(tiles.get()));
  EXPECT_EQ(0, memcmp(image.data(), tiles.get(), kTileTargetFileSize));
  EXPECT_EQ(65, tiles[0].count);
  EXPECT_EQ(INT32_MIN, tiles[7].targets[1].x);
  EXPECT_EQ(0xFFFF, tiles[7].targets[2].type);
  ASSERT_EQ(1, SaveTargetDefinitions(tiles.get()));
  EXPECT_EQ(image, ReadFile("out.ttd"));
  ASSERT_EQ(1, StandinMessageBoxCount());  // only the saved notice
  EXPECT_EQ(saved + " has been saved.", StandinMessageBoxText(0));
}

// The file the main job's sample script writes goes through Load TTD and Save TTD unchanged.
TEST_F(TileTargetsTest, TheSampleFileLoadsAndSavesByteForByte) {
  const std::string sample = std::string(SAMPLES_DIR) + "/editor/sample.ttd";
  const Bytes image = ReadFile(sample);
  ASSERT_EQ(kTileTargetFileSize, image.size()) << sample;
  StandinQueueFileDialogAnswer(sample.c_str());
  StandinQueueFileDialogAnswer((dir_ / "saved.ttd").c_str());
  auto tiles = Tiles(0xEE);
  ASSERT_EQ(1, LoadTargetDefinitions(tiles.get()));
  EXPECT_EQ(6, tiles[0].count);
  EXPECT_EQ(8, tiles[2].count);
  EXPECT_EQ(0, tiles[3].count);
  ASSERT_EQ(1, SaveTargetDefinitions(tiles.get()));
  EXPECT_EQ(image, ReadFile("saved.ttd"));
}

// A file shorter than the whole layout fills the bytes it covers, record by record and within a
// record, and leaves the rest of the tiles as they were; a longer one fills them all. No notice.
TEST_F(TileTargetsTest, AShortFileFillsTheBytesItCovers) {
  const Bytes sound = SoundFileImage(5);
  const size_t record = sizeof(TileTargets);
  const size_t lengths[] = {0,          1,          16,         19,
                            20,         100,        record - 1, record,
                            record + 1, 7 * record + 300,       kTileTargetFileSize / 2,
                            kTileTargetFileSize - 1, kTileTargetFileSize, kTileTargetFileSize + 100};
  for (size_t length : lengths) {
    StandinReset();
    Bytes file(sound.begin(), sound.begin() + std::min(length, sound.size()));
    while (file.size() < length) file.push_back(0x77);  // bytes after the layout are not read
    WriteFile("short.ttd", file);
    StandinQueueFileDialogAnswer((dir_ / "short.ttd").c_str());
    auto tiles = Tiles(0x33);
    EXPECT_EQ(1, LoadTargetDefinitions(tiles.get())) << length;
    EXPECT_EQ(0, StandinMessageBoxCount()) << length;
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(tiles.get());
    const size_t covered = std::min(length, kTileTargetFileSize);
    EXPECT_EQ(0, memcmp(sound.data(), bytes, covered)) << length;
    EXPECT_EQ(kTileTargetFileSize - covered, size_t(std::count(bytes + covered, bytes + kTileTargetFileSize, 0x33)))
        << length;
  }
}

// "Failed to read" is for a file that does not open or does not read; the tiles stay as they
// were.
TEST_F(TileTargetsTest, AFileThatDoesNotReadIsReportedAndChangesNothing) {
  std::filesystem::create_directory("folder.ttd");  // opens on the host, then fails to read
  for (const char *name : {"missing.ttd", "folder.ttd"}) {
    StandinReset();
    const std::string path = (dir_ / name).string();
    StandinQueueFileDialogAnswer(path.c_str());
    auto tiles = Tiles(0x33);
    EXPECT_EQ(0, LoadTargetDefinitions(tiles.get())) << name;
    auto untouched = Tiles(0x33);
    EXPECT_EQ(0, memcmp(untouched.get(), tiles.get(), kTileTargetFileSize)) << name;
    ASSERT_EQ(1, StandinMessageBoxCount()) << name;
    EXPECT_EQ("Failed to read " + path + "!", StandinMessageBoxText(0));
    EXPECT_STREQ("Notice", StandinMessageBoxCaption(0));
    EXPECT_EQ(UINT(MB_OK | MB_ICONWARNING), StandinMessageBoxType(0));
  }
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
