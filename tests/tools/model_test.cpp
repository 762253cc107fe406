// The .mdg model reader: the documented structures, trailing text, texture lookup, and files
// that must fail without touching the model.
#include <memory>

#include "mdgmodel.h"
#include "tools_fixture.h"

namespace {

using ModelTest = ToolsTest;

// One triangle (three vertex groups) with trailing text on some lines, and two line vertices,
// the last without a newline.
const char kModel[] =
    "MDG model v1 -- ignored line\n"
    "Hut grnd03.bmp\n"
    "3 triangle vertices follow\n"
    "2 0 0 52 10 -7\n"
    "1.0 2.0 3.0 // first\n"
    "0 1 0\n"
    "0.25 0.75 texcoord\n"
    "-4 0.5 8e1\n"
    "0 0 -1 normal\n"
    "1 0\n"
    "10 20 30\n"
    "1 0 0\n"
    "0.5 0.5\n"
    "100 200 300 outline\n"
    "-100 0 1";

TEST_F(ModelTest, TargetModelHoldsScaledPositionsAndLinesAndRawTheRest) {
  WriteText("hut.mdg", kModel);
  auto m = std::make_unique<TargetModel>();
  ASSERT_EQ(1, ReadTargetModel(0.5f, "hut.mdg", m.get()));
  EXPECT_EQ(3, m->triangleVertexCount);
  EXPECT_EQ(2, m->lineVertexCount);
  EXPECT_STREQ("GRND03.BMP", m->textureName);  // upper-cased by the texture lookup
  EXPECT_EQ(62, m->textureIndex);
  EXPECT_EQ(52, m->halfExtents[0]);
  EXPECT_EQ(10, m->halfExtents[1]);
  EXPECT_EQ(-7, m->halfExtents[2]);
  const float positions[3][3] = {{0.5f, 1.0f, 1.5f}, {-2.0f, 0.25f, 40.0f}, {5.0f, 10.0f, 15.0f}};
  const float normals[3][3] = {{0, 1, 0}, {0, 0, -1}, {1, 0, 0}};
  const float texCoords[3][2] = {{0.25f, 0.75f}, {1, 0}, {0.5f, 0.5f}};
  for (int v = 0; v < 3; ++v) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(positions[v][k], m->positions[v][k]) << v << "," << k;
      EXPECT_EQ(normals[v][k], m->normals[v][k]) << v << "," << k;
    }
    for (int k = 0; k < 2; ++k) EXPECT_EQ(texCoords[v][k], m->texCoords[v][k]) << v << "," << k;
  }
  const float lines[2][3] = {{50, 100, 150}, {-50, 0, 0.5f}};
  for (int v = 0; v < 2; ++v)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(lines[v][k], m->lineVertices[v][k]);
}

TEST_F(ModelTest, ViewerModelKeepsTheHeaderAsFloatsAndSkipsTheLines) {
  WriteText("hut.mdg", kModel);
  auto m = std::make_unique<ViewerModel>();
  ASSERT_EQ(1, ReadViewerModel(0.2f, "hut.mdg", m.get()));
  EXPECT_EQ(3, m->triangleVertexCount);
  EXPECT_STREQ("grnd03.bmp", m->textureName);  // the texture file as named
  const float header[2][3] = {{2, 0, 0}, {52, 10, -7}};
  for (int i = 0; i < 2; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(header[i][k], m->header[i][k]);
  EXPECT_EQ(10 * 0.2f, m->positions[2][0]);
  EXPECT_EQ(-1.0f, m->normals[1][2]);
  EXPECT_EQ(0.75f, m->texCoords[0][1]);
}

TEST_F(ModelTest, TextureIndexIsTheFirstTableEntryInsideTheName) {
  struct Case {
    const char *name;
    int index;
  } cases[] = {
      {"grnd03.bmp", 62}, {"GRND12.bmp", 71},         {"..\\mdg\\Water.BMP", 2}, {"Field8.bmp", 0},
      {"road10.bmp", 45}, {"Allcity2.bmp", 11},       {"nothing.bmp", 0},       {"", 0},
      {"bombs.bmpx", 59}, {"xxRiver1.bmp_Grass.bmp", 1},
  };
  for (const Case &c : cases) {
    char name[64];
    strcpy(name, c.name);
    EXPECT_EQ(c.index, FindTextureIndex(name)) << c.name;
  }
}

// A file that does not hold a whole, sound model reads nothing and keeps the slot as it was.
TEST_F(ModelTest, UnreadableFilesLeaveTheModelUnchanged) {
  const std::string vertex = "1 2 3\n0 1 0\n0 0\n";
  auto model = [&](const std::string &texture, const std::string &n, const std::string &header,
                   const std::string &body) {
    return "line one\nname " + texture + "\n" + n + "\n" + header + "\n" + body;
  };
  const std::string three = vertex + vertex + vertex;
  struct Case {
    const char *what;
    bool viewerToo;  // the viewer reads no line vertices, reads the header as floats, has a longer name field
    std::string text;
  } cases[] = {
      {"empty file", true, ""},
      {"ends in the header", true, model("t.bmp", "3", "0 0 0", "")},
      {"ends in a vertex group", true, model("t.bmp", "3", "0 0 0 1 1 1", vertex + vertex + "1 2 3\n0 1")},
      {"missing line vertices", false, model("t.bmp", "3", "1 0 0 1 1 1", three)},
      {"count above 3000", true, model("t.bmp", "3003", "0 0 0 1 1 1", three)},
      {"negative count", true, model("t.bmp", "-3", "0 0 0 1 1 1", three)},
      {"line count above 3000", false, model("t.bmp", "3", "3001 0 0 1 1 1", three)},
      {"texture name of 30 characters", false, model(std::string(30, 'T'), "3", "0 0 0 1 1 1", three)},
      {"integer beyond 32 bits", false, model("t.bmp", "3", "0 0 0 99999999999 1 1", three)},
      {"float beyond range", true, model("t.bmp", "3", "0 0 0 1 1 1", "1 2 1e999\n0 1 0\n0 0\n" + vertex + vertex)},
      {"word for a number", true, model("t.bmp", "3", "0 0 0 1 1 1", "1 two 3\n0 1 0\n0 0\n" + vertex + vertex)},
      {"exponent without digits", true, model("t.bmp", "3", "0 0 0 1 1 1", "1 2 3e\n0 1 0\n0 0\n" + vertex + vertex)},
      {"digits beyond any number", true,
       model("t.bmp", "3", "0 0 0 1 1 1", "1 2 " + std::string(80, '7') + "\n0 1 0\n0 0\n" + vertex + vertex)},
      {"viewer name of 260 characters", true, model(std::string(260, 'T'), "3", "0 0 0 1 1 1", three)},
  };
  auto before = std::make_unique<TargetModel>();
  memset(before.get(), 0x5A, sizeof *before);
  for (const Case &c : cases) {
    WriteText("bad.mdg", c.text);
    auto m = std::make_unique<TargetModel>(*before);
    EXPECT_EQ(0, ReadTargetModel(0.005f, "bad.mdg", m.get())) << c.what;
    EXPECT_EQ(0, memcmp(before.get(), m.get(), sizeof *m)) << c.what;
    auto v = std::make_unique<ViewerModel>();
    memset(v.get(), 0x5A, sizeof *v);
    EXPECT_EQ(c.viewerToo ? 0 : 1, ReadViewerModel(1.0f, "bad.mdg", v.get())) << c.what;
  }
  auto m = std::make_unique<TargetModel>(*before);
  EXPECT_EQ(0, ReadTargetModel(0.005f, "missing.mdg", m.get()));
  EXPECT_EQ(0, memcmp(before.get(), m.get(), sizeof *m));
}

TEST_F(ModelTest, LimitsThemselvesAreAccepted) {
  std::string text = "line one\nname " + std::string(29, 'T') + "\n3000\n3000 0 0 1 1 1\n";
  for (int i = 0; i < 3000; ++i) text += "1 2 3\n0 1 0\n0 0\n";
  for (int i = 0; i < 3000; ++i) text += "4 5 6\n";
  WriteText("big.mdg", text);
  auto m = std::make_unique<TargetModel>();
  ASSERT_EQ(1, ReadTargetModel(1.0f, "big.mdg", m.get()));
  EXPECT_EQ(3000, m->triangleVertexCount);
  EXPECT_EQ(3000, m->lineVertexCount);
  EXPECT_EQ(6.0f, m->lineVertices[2999][2]);
  EXPECT_EQ(29u, strlen(m->textureName));
}

TEST_F(ModelTest, SkipLinesStopsAtTheEndOfTheStream) {
  WriteText("lines.txt", "a\nb\nc");
  FILE *f = fopen("lines.txt", "r");
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(1, SkipLines(2, f));
  EXPECT_EQ('c', getc(f));
  EXPECT_EQ(0, SkipLines(1, f));
  fclose(f);
}

}  // namespace
