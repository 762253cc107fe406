// mdgview as a whole (ViewerMain) under a script of user input on the stand-in's virtual clock.
#include "gltest.h"
#include "tools_fixture.h"
#include "viewer.h"

namespace {

class ViewerScriptTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    WriteText("s1.mdg", "m\nmodel blank.bmp 3\n0 0 0 0 0 0\n0 0 0\n0 0 1\n0 0\n1 0 0\n0 0 1\n1 0\n0 1 0\n0 0 1\n0 1\n");
    gViewer.pitch = 20.0f, gViewer.yaw = 12.0f, gViewer.distance = -30.0f;
    gViewer.timer = FrameTimer{1, 1, 0};
  }
  int Run(const char *script) {
    const char *problem = StandinLoadInputScript(script);
    EXPECT_EQ(nullptr, problem) << problem;
    return ViewerMain(SW_SHOWDEFAULT);
  }
};

// 20 ms a frame: Space at 1 s and at 4 s writes 150 frames in 3000 ms as 50 a second.
TEST_F(ViewerScriptTest, SpaceWritesTheFrameRate) {
  EXPECT_EQ(0, Run("frame 20\n1000 key SPACE\n4000 key SPACE\n4100 close\n"));
  const std::string out = ReadText(kFrameRateFile);
  ASSERT_EQ(2, std::count(out.begin(), out.end(), '\n')) << out;
  EXPECT_EQ("50.000000\n", out.substr(out.find('\n') + 1));
  EXPECT_EQ(0, StandinWindowCount());  // torn down after the loop
}

// Right-button drags: 10 right and 10 down leave the distance; 10 right alone comes 10 closer.
// A left-button drag of 10 to the right turns the model 6 degrees.
TEST_F(ViewerScriptTest, DragsZoomAndTurn) {
  EXPECT_EQ(0, Run("frame 20\n500 drag right 100 100 110 110 200\n1000 close\n"));
  EXPECT_FLOAT_EQ(-30.0f, gViewer.distance);
  gViewer.distance = -30.0f;
  EXPECT_EQ(0, Run("frame 20\n500 drag right 100 100 110 100 200\n1000 drag left 100 100 110 100 200\n1500 close\n"));
  EXPECT_FLOAT_EQ(-20.0f, gViewer.distance);
  EXPECT_NEAR(18.0f, gViewer.yaw, 1e-4);
  EXPECT_FLOAT_EQ(20.0f, gViewer.pitch);
}

TEST_F(ViewerScriptTest, EscapeQuits) {
  EXPECT_EQ(0, Run("200 key ESCAPE\n"));
  EXPECT_EQ(0, StandinWindowCount());
}

}  // namespace
