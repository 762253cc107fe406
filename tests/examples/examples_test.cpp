// The example programs, run unattended through their own scripts (examples/<name>/<name>.txt) as
// separate processes, once on the board and once in software: each test checks pixels of chosen
// frames, the board's frame dumps (ravix2x-NNNNN.bmp) and the screenshots the programs save through
// glReadPixels (shotNNN.bmp). The runs stay in the build tree, under tests/example-runs.
#include <gtest/gtest.h>
#include <stdio.h>
#include <math.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

// A 24-bit .bmp, top row first.
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;

    bool load(const std::string& path) {
        FILE* f = fopen(path.c_str(), "rb");
        if (!f) return false;
        std::vector<uint8_t> d;
        uint8_t buffer[65536];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) d.insert(d.end(), buffer, buffer + n);
        fclose(f);
        auto u32 = [&](size_t at) { return uint32_t(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24); };
        if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || (d[28] | d[29] << 8) != 24) return false;
        const uint32_t offset = u32(10);
        width = int32_t(u32(18));
        const int32_t h = int32_t(u32(22));
        height = h < 0 ? -h : h;
        const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
        if (width <= 0 || offset + stride * height > d.size()) return false;
        rgb.resize(size_t(width) * height * 3);
        for (int y = 0; y < height; y++) {
            const uint8_t* row = &d[offset + stride * (h < 0 ? y : height - 1 - y)];
            for (int x = 0; x < width; x++) {
                uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
                p[0] = row[3 * x + 2], p[1] = row[3 * x + 1], p[2] = row[3 * x];
            }
        }
        return true;
    }
    Rgb at(int x, int y) const {
        const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        return Rgb{p[0], p[1], p[2]};
    }
    // Pixels of the box [x0, x1) x [y0, y1) for which `test` holds.
    int count(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& test) const {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) n += test(at(x, y));
        return n;
    }
    // Sum of the channel differences between horizontal neighbours in the box: how sharp it is.
    long roughness(int x0, int y0, int x1, int y1) const {
        long sum = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) {
                const Rgb a = at(x, y), b = at(x + 1, y);
                sum += abs(a.r - b.r) + abs(a.g - b.g) + abs(a.b - b.b);
            }
        return sum;
    }
    double mean() const {
        double sum = 0;
        for (uint8_t v : rgb) sum += v;
        return rgb.empty() ? 0 : sum / rgb.size();
    }
    bool operator==(const Image& o) const { return width == o.width && height == o.height && rgb == o.rgb; }
};

bool near(Rgb c, int r, int g, int b, int tolerance) {
    return abs(c.r - r) <= tolerance && abs(c.g - g) <= tolerance && abs(c.b - b) <= tolerance;
}

::testing::AssertionResult isColour(Rgb c, int r, int g, int b, int tolerance = 8) {
    if (near(c, r, g, b, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << c.r << ", " << c.g << ", " << c.b << ") is not (" << r << ", "
                                         << g << ", " << b << ")";
}

// One run of an example: its folder holds what it wrote.
struct ExampleRun {
    std::string dir;
    int exitCode = -1;
    bool software = false;

    Image file(const char* format, int n) const {
        char name[64];
        snprintf(name, sizeof name, format, n);
        Image image;
        EXPECT_TRUE(image.load(dir + "/" + name)) << dir << "/" << name;
        return image;
    }
    Image frame(int n) const { return file(software ? "opengl32-%05d.bmp" : "ravix2x-%05d.bmp", n); }
    Image shot(int n) const { return file("shot%03d.bmp", n); }
    // The frames of the run: the board's front buffer after each swap, or with softwareFrames
    // the back buffer before each (OPENGL32_DUMP_DIR).
    int frames() const {
        int n = 0;
        while (FILE* f = fopen((dir + "/" + name(software ? "opengl32-%05d.bmp" : "ravix2x-%05d.bmp", n + 1)).c_str(), "rb")) {
            fclose(f);
            n++;
        }
        return n;
    }
    static std::string name(const char* format, int n) {
        char text[64];
        snprintf(text, sizeof text, format, n);
        return text;
    }
};

// Runs example `name` with its script on the board (frames dumped) or in software (with
// `softwareFrames`, its frames dumped too), in a fresh working folder that holds a copy of the
// program's Data folder, if it has one.
ExampleRun runExample(const std::string& name, bool software, bool softwareFrames = false) {
    ExampleRun run;
    run.dir = std::string(EXAMPLE_RUNS_DIR) + "/" + name + (software ? "/software" : "/board");
    run.software = software;
    const std::string source = std::string(EXAMPLES_SOURCE_DIR) + "/" + name;
    const std::string script = source + "/" + name + ".txt";
    const std::string program = std::string(EXAMPLES_BINARY_DIR) + "/" + name;
    const std::string emulator = EMULATOR;
    std::string command = "rm -rf '" + run.dir + "' && mkdir -p '" + run.dir + "' && cd '" + run.dir +
                          "' && { ! [ -d '" + source + "/Data' ] || cp -r '" + source + "/Data' Data; }" +
                          " && env -u QRB_USESW -u OPENGL32_DUMP_DIR STANDIN_INPUT='" + script + "'" +
                          (software ? " QRB_USESW=1" : " RAVIX2X_DUMP_DIR='" + run.dir + "'") +
                          (softwareFrames ? " OPENGL32_DUMP_DIR='" + run.dir + "'" : "") + " " + emulator + " '" +
                          program + "' > output.txt 2>&1";
    const int status = system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(Examples, SpinCubeTurnsOnItsTimer) {
    const ExampleRun board = runExample("spincube", false);
    ASSERT_EQ(board.exitCode, 0);
    // A turn of 15 degrees a tick, from the first frame (0 degrees) to the eighth (105).
    EXPECT_EQ(board.frames(), 8);
    const struct {
        int frame;
        const char* what;
        Rgb left, centre, right;
    } cases[] = {
        {1, "0 degrees: the front face", {255, 0, 0}, {255, 0, 0}, {255, 0, 0}},
        {4, "45 degrees: the left face comes round", {0, 0, 255}, {255, 0, 0}, {255, 0, 0}},
        {7, "90 degrees: the left face in front", {0, 0, 255}, {0, 0, 255}, {0, 0, 255}},
    };
    for (const auto& c : cases) {
        const Image f = board.frame(c.frame);
        EXPECT_TRUE(isColour(f.at(250, 270), c.left.r, c.left.g, c.left.b)) << c.what;
        EXPECT_TRUE(isColour(f.at(320, 270), c.centre.r, c.centre.g, c.centre.b)) << c.what;
        EXPECT_TRUE(isColour(f.at(390, 270), c.right.r, c.right.g, c.right.b)) << c.what;
        EXPECT_TRUE(isColour(f.at(320, 150), 255, 0, 255)) << c.what << ": the top, tilted towards the viewer";
        EXPECT_TRUE(isColour(f.at(5, 5), 0, 0, 0)) << c.what;
    }
    EXPECT_EQ(runExample("spincube", true).exitCode, 0);
}

TEST(Examples, TutorialTogglesLightingAndBlendingAndSwitchesToAWindow) {
    const ExampleRun board = runExample("tutorial", false);
    ASSERT_EQ(board.exitCode, 0);
    ASSERT_GE(board.frames(), 45);
    // Frames 20 ms apart: 1-5 unlit, 6-10 lit, 11-15 lit and blended, 16-20 lit (full screen
    // until 400 ms), 21-22 the same in a window, 23-24 with the linear filter, then the spin.
    const Image unlit = board.frame(3), lit = board.frame(8), blended = board.frame(13);
    EXPECT_TRUE(isColour(unlit.at(5, 5), 0, 0, 0));
    EXPECT_FALSE(isColour(unlit.at(320, 240), 0, 0, 0, 40)) << "the cube";
    EXPECT_LT(lit.mean(), unlit.mean() - 5) << "the light falls on the faces at an angle";
    EXPECT_GT(blended.mean(), lit.mean() + 2) << "the back faces add in";
    EXPECT_TRUE(board.frame(18) == lit) << "blending off again";
    EXPECT_TRUE(board.frame(22) == lit) << "the same picture in a window";
    const Image linear = board.frame(23);
    EXPECT_FALSE(linear == lit) << "F: the linear filter";
    EXPECT_NEAR(linear.mean(), lit.mean(), 2) << "the same cube";
    EXPECT_LT(linear.roughness(180, 220, 280, 400), lit.roughness(180, 220, 280, 400) * 4 / 5)
        << "the magnified planks of the front face blend between texels";
    EXPECT_FALSE(board.frame(45) == lit) << "the arrow key spun the cube";
    EXPECT_EQ(runExample("tutorial", true).exitCode, 0);
}

// Fogged and clear, wireframe, paused; the board's pictures and the software's screenshots agree.
TEST(Examples, QuadricsInFog) {
    const ExampleRun board = runExample("quadrics", false), software = runExample("quadrics", true);
    ASSERT_EQ(board.exitCode, 0);
    ASSERT_EQ(software.exitCode, 0);
    EXPECT_LT(board.frames(), 45) << "no frames in the 200 ms pause";
    for (const ExampleRun* run : {&board, &software}) {
        const Image fogged = run->shot(1), clear = run->shot(2), wire = run->shot(3);
        const Rgb fog{127, 127, 140};
        EXPECT_TRUE(isColour(fogged.at(600, 20), fog.r, fog.g, fog.b, 6)) << run->dir;
        EXPECT_TRUE(isColour(fogged.at(251, 211), fog.r, fog.g, fog.b, 6)) << run->dir << ": the ring's hole";
        const Rgb sphere = fogged.at(150, 330);
        EXPECT_TRUE(sphere.r > 200 && sphere.g < 60 && sphere.b < 60) << run->dir << ": the near sphere, red";
        const Rgb inFog = fogged.at(220, 211), inClear = clear.at(220, 211);
        EXPECT_GT(inClear.b - inClear.r, 120) << run->dir << ": the ring, blue without fog";
        EXPECT_LT(inFog.b - inFog.r, 100) << run->dir << ": the ring, greyed by fog";
        EXPECT_GT(inFog.b - inFog.r, 40) << run->dir << ": the ring, still blue in fog";
        auto background = [&](Rgb c) { return near(c, fog.r, fog.g, fog.b, 6); };
        EXPECT_LT(clear.count(90, 290, 220, 430, background), 100) << run->dir << ": a solid sphere";
        EXPECT_GT(wire.count(90, 290, 220, 430, background), 5000) << run->dir << ": a wire sphere";
    }
}

TEST(Examples, FontTextDrawsItsLines) {
    const ExampleRun board = runExample("fonttext", false), software = runExample("fonttext", true);
    ASSERT_EQ(board.exitCode, 0);
    ASSERT_EQ(software.exitCode, 0);
    // Frames at 0, 1, 2 seconds, the screenshot at 2.5 s, 3 seconds.
    ASSERT_EQ(board.frames(), 5);
    EXPECT_TRUE(board.shot(1) == board.frame(4)) << "the screenshot reads back what the board shows";
    auto yellow = [](Rgb c) { return c.r > 200 && c.g > 200 && c.b < 100; };
    auto white = [](Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; };
    auto green = [](Rgb c) { return c.g > 200 && c.r < 150; };
    auto lit = [](Rgb c) { return c.r + c.g + c.b > 0; };
    for (const Image& f : {board.frame(4), software.shot(1)}) {
        EXPECT_GT(f.count(0, 40, 640, 80, yellow), 50) << "the title";
        EXPECT_GT(f.count(0, 120, 640, 160, white), 50) << "the seconds";
        EXPECT_GT(f.count(0, 420, 640, 460, green), 50) << "the alphabet";
        EXPECT_EQ(f.count(0, 180, 640, 400, lit), 0) << "nothing between the lines";
        EXPECT_TRUE(isColour(f.at(600, 50), 26, 26, 102, 6)) << "the band under the title";
    }
    const Image two = board.frame(3), twoAndAHalf = board.frame(4), three = board.frame(5);
    EXPECT_TRUE(two == twoAndAHalf) << "the same second";
    EXPECT_FALSE(two == three) << "the next second";
}

TEST(Examples, PickingChoosesTheNearestObjectUnderThePointer) {
    const ExampleRun board = runExample("picking", false), software = runExample("picking", true);
    ASSERT_EQ(board.exitCode, 0);
    ASSERT_EQ(software.exitCode, 0);
    ASSERT_EQ(board.frames(), 9);
    // After each click (frames 2, 4, 6, 8) the screenshot follows (frames 3, 5, 7, 9).
    const Rgb white{255, 255, 255}, grey{102, 102, 102}, red{255, 0, 0}, magenta{255, 0, 255};
    const struct {
        const char* what;
        Rgb square1, square5, plate;
    } cases[] = {
        {"square 5", red, white, grey},
        {"square 1", white, magenta, grey},
        {"the plate, not the squares before it", red, magenta, white},
        {"nothing", red, magenta, grey},
    };
    for (int i = 0; i < 4; i++) {
        const auto& c = cases[i];
        for (const Image& f : {board.frame(2 + 2 * i), software.shot(1 + i)}) {
            EXPECT_TRUE(isColour(f.at(188, 108), c.square1.r, c.square1.g, c.square1.b)) << c.what;
            EXPECT_TRUE(isColour(f.at(320, 240), c.square5.r, c.square5.g, c.square5.b)) << c.what;
            EXPECT_TRUE(isColour(f.at(128, 240), c.plate.r, c.plate.g, c.plate.b)) << c.what;
        }
    }
}

TEST(Examples, ArraysDrawTheSameFromListsAndImmediateMode) {
    const ExampleRun board = runExample("arrays", false), software = runExample("arrays", true);
    ASSERT_EQ(board.exitCode, 0);
    ASSERT_EQ(software.exitCode, 0);
    for (const ExampleRun* run : {&board, &software}) {
        const Image list = run->shot(1), immediate = run->shot(2), turned = run->shot(3);
        EXPECT_TRUE(list == immediate) << run->dir << ": the torus from its display list and in immediate mode";
        EXPECT_FALSE(list == turned) << run->dir;
        EXPECT_TRUE(isColour(list.at(20, 20), 38, 38, 51, 6)) << run->dir;
        const Rgb torus = list.at(200, 215);
        EXPECT_TRUE(torus.r > 150 && torus.r > torus.g && torus.g > torus.b) << run->dir << ": the orange torus";
        std::set<int> colours;
        for (int y = 180; y < 320; y += 4)
            for (int x = 370; x < 510; x += 4) {
                const Rgb c = list.at(x, y);
                colours.insert(c.r << 16 | c.g << 8 | c.b);
            }
        EXPECT_GT(colours.size(), 100u) << run->dir << ": the cube's corner colours blend across its faces";
        auto gridColour = [](Rgb c) { return near(c, 127, 127, 153, 12); };
        EXPECT_GT(list.count(0, 300, 640, 480, gridColour), 500) << run->dir << ": the grid";
    }
}

// The fraction of the pixels of two frames of one size whose channels differ by more than 32.
double differing(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return 1.0;
    int n = 0;
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++) {
            const Rgb p = a.at(x, y), q = b.at(x, y);
            n += abs(p.r - q.r) > 32 || abs(p.g - q.g) > 32 || abs(p.b - q.b) > 32;
        }
    return double(n) / (a.width * a.height);
}

// crate: frames 20 ms apart from 0 to 760 ms (39), the crate turning 60 degrees a second about y
// from face-on, the lighting on from 400 ms. Each run's frames (the board's after each swap, the
// software's before each) show Data\crate.bmp on the faces, the yellow bitmap-font line at the top
// and the green outline-font title below the crate.
TEST(Examples, CrateShowsItsBitmapFileAndBothFontLists) {
    const ExampleRun board = runExample("crate", false), software = runExample("crate", true, true);
    ASSERT_EQ(board.exitCode, 0);
    ASSERT_EQ(software.exitCode, 0);
    EXPECT_EQ(board.frames(), 39);
    EXPECT_EQ(software.frames(), 39);
    Image texture;
    ASSERT_TRUE(texture.load(std::string(EXAMPLES_SOURCE_DIR) + "/crate/Data/crate.bmp"));
    ASSERT_EQ(texture.width, 64);
    // The first frame shows the front face square on: x from 175.15 to 464.85 and window y from
    // 153.09 to 442.79 (gluPerspective(45, 4/3), the face 4 units away, 0.4 above the centre),
    // the texture stretched over it with linear filtering, bottom row first.
    const double left = 175.15, bottom = 153.09, side = 289.70;
    auto texel = [&](int s, int t) { return texture.at(s & 63, 63 - (t & 63)); };
    auto filtered = [&](double u, double v, double channel(Rgb)) {
        const double s = u * 64 - 0.5, t = v * 64 - 0.5;
        const int s0 = int(floor(s)), t0 = int(floor(t));
        const double fs = s - s0, ft = t - t0;
        return (1 - fs) * (1 - ft) * channel(texel(s0, t0)) + fs * (1 - ft) * channel(texel(s0 + 1, t0)) +
               (1 - fs) * ft * channel(texel(s0, t0 + 1)) + fs * ft * channel(texel(s0 + 1, t0 + 1));
    };
    auto yellow = [](Rgb c) { return c.r > 200 && c.g > 200 && c.b < 100; };
    auto green = [](Rgb c) { return c.g > 150 && c.r < 100 && c.b < 100; };
    auto background = [](Rgb c) { return c.r < 12 && c.g < 12 && c.b > 12 && c.b < 40; };
    for (const ExampleRun* run : {&board, &software}) {
        SCOPED_TRACE(run->dir);
        const Image first = run->frame(1);
        int far = 0, samples = 0;
        for (int i = 1; i < 20; i++)
            for (int j = 1; j < 20; j++) {
                const int column = int(left + side * i / 20), rowFromBottom = int(bottom + side * j / 20);
                const double u = (column + 0.5 - left) / side, v = (rowFromBottom + 0.5 - bottom) / side;
                const Rgb got = first.at(column, 479 - rowFromBottom);
                const double want[3] = {filtered(u, v, [](Rgb c) { return double(c.r); }),
                                        filtered(u, v, [](Rgb c) { return double(c.g); }),
                                        filtered(u, v, [](Rgb c) { return double(c.b); })};
                far += fabs(got.r - want[0]) > 16 || fabs(got.g - want[1]) > 16 || fabs(got.b - want[2]) > 16;
                samples++;
            }
        EXPECT_LT(far, samples / 50) << "the face shows the file's picture the right way up";
        EXPECT_TRUE(background(first.at(150, 200)) && background(first.at(490, 200))) << "beside the face";
        for (int n : {1, 20, 39}) {
            const Image f = run->frame(n);
            EXPECT_GT(f.count(0, 15, 400, 45, yellow), 40) << "frame " << n << ": the heads-up line";
            EXPECT_EQ(f.count(0, 45, 640, 480, yellow), 0) << "frame " << n << ": only there";
            EXPECT_GT(f.count(100, 340, 540, 475, green), 500) << "frame " << n << ": the outline title";
            EXPECT_EQ(f.count(0, 0, 640, 330, green), 0) << "frame " << n << ": below the crate";
        }
        // The turn shows the left face; the lighting darkens the faces turned from the light.
        const Image unlit = run->frame(19), lit = run->frame(23);
        EXPECT_FALSE(background(unlit.at(200, 200))) << "the left face has come round";
        EXPECT_LT(lit.mean(), unlit.mean() - 1.0);
        const long unlitSide = unlit.count(190, 100, 225, 300, [](Rgb c) { return c.r > 120; });
        const long litSide = lit.count(190, 100, 225, 300, [](Rgb c) { return c.r > 120; });
        EXPECT_LT(litSide, unlitSide / 2) << "the left face, turned from the light";
    }
    for (int n : {1, 20, 39})
        EXPECT_LT(differing(board.frame(n), software.frame(n)), 0.02) << "frame " << n << ": board and software agree";
}

// outlines: frames 20 ms apart from 0 to 580 ms (30), the outline text turning, Space at 200 and
// 240 ms, wireframe text from 400 ms. The background is GetSysColor(COLOR_APPWORKSPACE), the
// floor the marble bitmap resource, the text orange and lit.
TEST(Examples, OutlinesTurnAboveTheResourcesMarble) {
    const ExampleRun board = runExample("outlines", false), software = runExample("outlines", true, true);
    ASSERT_EQ(board.exitCode, 0);
    ASSERT_EQ(software.exitCode, 0);
    EXPECT_EQ(board.frames(), 30);
    EXPECT_EQ(software.frames(), 30);
    auto workspace = [](Rgb c) { return near(c, 128, 128, 128, 8); };
    auto marble = [](Rgb c) { return c.b > c.r + 15 && c.b > c.g + 8; };
    auto orange = [](Rgb c) { return c.r > 120 && c.r > c.g + 30 && c.g > c.b + 20 && !near(c, 128, 128, 128, 8); };
    auto white = [](Rgb c) { return c.r > 220 && c.g > 220 && c.b > 220; };
    for (const ExampleRun* run : {&board, &software}) {
        SCOPED_TRACE(run->dir);
        long filled = 0, lines = 0;
        for (int n = 1; n <= 30; n++) {
            const Image f = run->frame(n);
            EXPECT_TRUE(workspace(f.at(630, 60)) && workspace(f.at(5, 60))) << "frame " << n;
            EXPECT_GT(f.count(0, 420, 640, 480, marble), 640 * 60 * 9 / 10) << "frame " << n << ": the floor";
            EXPECT_GT(f.count(0, 10, 320, 30, white), 30) << "frame " << n << ": the heads-up line";
            (n <= 20 ? filled : lines) += f.count(100, 100, 540, 380, orange);
        }
        EXPECT_GT(filled / 20, 3000) << "the text's faces";
        // The curves' fine triangles draw almost solid as lines; the straight strokes show gaps.
        EXPECT_LT(lines / 10, filled / 20 * 9 / 10) << "W: the text's polygons as lines";
        EXPECT_GT(lines / 10, 200);
        EXPECT_GT(differing(run->frame(1), run->frame(15)), 0.01) << "the text turns";
    }
    for (int n : {1, 15, 30})
        EXPECT_LT(differing(board.frame(n), software.frame(n)), 0.03) << "frame " << n << ": board and software agree";
}

}  // namespace
