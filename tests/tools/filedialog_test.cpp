// The file dialog: the request it makes and how it splits the chosen path.
#include <commdlg.h>

#include "filedialog.h"
#include "tools_fixture.h"

namespace {

using FileDialogTest = ToolsTest;

TEST_F(FileDialogTest, AsksForOneFilterWithTheDocumentedRecord) {
  for (int open : {1, 0}) {
    StandinReset();
    StandinQueueFileDialogAnswer("C:\\data\\tiles.ttd");
    char name[MAX_PATH], directory[MAX_PATH];
    ASSERT_EQ(1, RunFileDialog(open, name, directory, "Texture Target Definition Files (*.ttd)", "*.ttd"));
    ASSERT_EQ(1, StandinFileDialogCount());
    StandinFileDialog d;
    ASSERT_TRUE(StandinGetFileDialog(0, &d));
    EXPECT_EQ(open == 0, bool(d.save));
    const char filter[] = "Texture Target Definition Files (*.ttd)\0*.ttd\0";  // + the list's final NUL
    ASSERT_EQ(sizeof filter, d.filterBytes);
    EXPECT_EQ(0, memcmp(filter, d.filter, sizeof filter));
    EXPECT_EQ(1u, d.filterIndex);
    EXPECT_EQ(DWORD(OFN_HIDEREADONLY | OFN_NOCHANGEDIR), d.flags);  // the working directory stays
    EXPECT_EQ(DWORD(MAX_PATH), d.maxFile);
    EXPECT_TRUE(d.fileTitle);
    EXPECT_EQ(DWORD(MAX_PATH), d.maxFileTitle);
    EXPECT_STREQ("", d.initialFile);
    EXPECT_EQ(nullptr, d.owner);
    EXPECT_EQ(nullptr, d.instance);
    EXPECT_FALSE(d.customFilter || d.initialDir || d.title || d.defExt || d.hook || d.templateName);
  }
}

TEST_F(FileDialogTest, DirectoryKeepsItsSeparatorAndJoinsBackIntoThePath) {
  struct Case {
    const char *chosen, *name, *directory;
  } cases[] = {
      {"C:\\data\\tiles.ttd", "tiles.ttd", "C:\\data\\"},
      {"C:\\my.dir\\model", "model", "C:\\my.dir\\"},
      {"plain.mdg", "plain.mdg", ""},
      {"\\\\server\\share\\a\\b.mdg", "b.mdg", "\\\\server\\share\\a\\"},
  };
  for (const Case &c : cases) {
    StandinQueueFileDialogAnswer(c.chosen);
    char name[MAX_PATH] = "?", directory[MAX_PATH] = "?";
    ASSERT_EQ(1, RunFileDialog(1, name, directory, "3d Models (*.mdg)", "*.mdg")) << c.chosen;
    EXPECT_STREQ(c.name, name) << c.chosen;
    EXPECT_STREQ(c.directory, directory) << c.chosen;
    EXPECT_EQ(std::string(c.chosen), std::string(directory) + name);
  }
}

TEST_F(FileDialogTest, CancelAndFailureGiveZeroAndLeaveTheBuffers) {
  StandinQueueFileDialogAnswer(nullptr);
  StandinQueueFileDialogError(CDERR_INITIALIZATION);
  StandinQueueFileDialogAnswer(std::string(300, 'x').c_str());  // longer than the file buffer
  for (int i = 0; i < 4; ++i) {  // the last call has no answer queued: cancelled
    char name[MAX_PATH] = "keep", directory[MAX_PATH] = "keep";
    EXPECT_EQ(0, RunFileDialog(1, name, directory, "3d Models (*.mdg)", "*.mdg")) << i;
    EXPECT_STREQ("keep", name);
    EXPECT_STREQ("keep", directory);
  }
  EXPECT_EQ(4, StandinFileDialogCount());
}

}  // namespace
