// What classic programs call beyond windows and GDI: sounds and beeps, the multimedia timer's
// capabilities, system colours, MulDiv, the device context's text colours, the keyboard state.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "standin/control.h"

namespace {

void Put32(std::vector<BYTE> *out, DWORD v) {
  for (int i = 0; i < 4; ++i) out->push_back(BYTE(v >> (8 * i)));
}
void PutId(std::vector<BYTE> *out, const char *id) { out->insert(out->end(), id, id + 4); }

// A RIFF WAVE image of `milliseconds` of 8 kHz mono 8-bit sound, with an odd-sized chunk before
// the format that the reader must step over.
std::vector<BYTE> Wave(int milliseconds) {
  std::vector<BYTE> w;
  PutId(&w, "RIFF"), Put32(&w, 0), PutId(&w, "WAVE");
  PutId(&w, "LIST"), Put32(&w, 3), w.push_back('a'), w.push_back('b'), w.push_back('c'), w.push_back(0);
  PutId(&w, "fmt "), Put32(&w, 16);
  Put32(&w, 1 | 1 << 16), Put32(&w, 8000), Put32(&w, 8000), Put32(&w, 1 | 8 << 16);  // PCM, 1 channel, 8 bits
  const DWORD bytes = DWORD(8 * milliseconds);
  PutId(&w, "data"), Put32(&w, bytes);
  w.insert(w.end(), bytes, 0x80);
  const DWORD riff = DWORD(w.size() - 8);
  for (int i = 0; i < 4; ++i) w[4 + i] = BYTE(riff >> (8 * i));
  return w;
}

class ClassicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    ASSERT_EQ(nullptr, StandinLoadInputScript(""));  // the virtual clock, from 0
    wave_ = Wave(500);
    path_ = "/tmp/classic-test-" + std::to_string(getpid()) + ".wav";
    FILE *f = fopen(path_.c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(wave_.data(), 1, wave_.size(), f);
    fclose(f);
  }
  void TearDown() override {
    unlink(path_.c_str());
    StandinReset();
  }
  std::vector<BYTE> wave_;
  std::string path_;
};

TEST_F(ClassicTest, SoundsAnswerAndTakeTheirTime) {
  const std::vector<BYTE> notAWave = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '};
  const char *file = path_.c_str();
  const LPCSTR id = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(SND_ALIAS_SYSTEMHAND));
  struct Case {
    const char *what;
    LPCSTR sound;
    DWORD flags;
    BOOL result;
    DWORD waited;  // ms the call takes
  } cases[] = {
      {"a file, synchronous", file, SND_FILENAME | SND_SYNC, TRUE, 500},
      {"a file by its name alone", file, SND_SYNC, TRUE, 500},
      {"a file, asynchronous", file, SND_FILENAME | SND_ASYNC, TRUE, 0},
      {"a wave in memory", reinterpret_cast<LPCSTR>(wave_.data()), SND_MEMORY, TRUE, 500},
      {"a missing file: the default sound", "no-such.wav", SND_FILENAME, TRUE, 0},
      {"a missing file without the default", "no-such.wav", SND_FILENAME | SND_NODEFAULT, FALSE, 0},
      {"a system alias", "SystemExclamation", SND_ALIAS, TRUE, 0},
      {"an alias by its name alone", "systemstart", SND_ASYNC, TRUE, 0},
      {"an unknown alias", "NoSuchSound", SND_ALIAS | SND_NODEFAULT, FALSE, 0},
      {"a file is not an alias", file, SND_ALIAS | SND_NODEFAULT, FALSE, 0},
      {"a system sound's id", id, SND_ALIAS_ID | SND_NODEFAULT, TRUE, 0},
      {"an unknown id", reinterpret_cast<LPCSTR>(0x1234), SND_ALIAS_ID | SND_NODEFAULT, FALSE, 0},
      {"a wave resource (a program has none)", MAKEINTRESOURCEA(1), SND_RESOURCE | SND_NODEFAULT, FALSE, 0},
      {"not a wave", reinterpret_cast<LPCSTR>(notAWave.data()), SND_MEMORY | SND_NODEFAULT, FALSE, 0},
      {"nothing: stops", nullptr, 0, TRUE, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    PlaySoundA(nullptr, nullptr, 0);
    const DWORD start = timeGetTime();
    EXPECT_EQ(c.result, PlaySoundA(c.sound, nullptr, c.flags));
    EXPECT_EQ(c.waited, timeGetTime() - start);
  }
  EXPECT_TRUE(sndPlaySoundA(file, SND_SYNC));
  EXPECT_FALSE(sndPlaySoundA("no-such.wav", SND_NODEFAULT | SND_ASYNC));
}

TEST_F(ClassicTest, NoStopYieldsToASoundStillPlaying) {
  const char *file = path_.c_str();
  ASSERT_TRUE(PlaySoundA(file, nullptr, SND_FILENAME | SND_ASYNC));
  EXPECT_FALSE(PlaySoundA("SystemStart", nullptr, SND_ALIAS | SND_NOSTOP)) << "the file plays for 500 ms";
  Sleep(499);
  EXPECT_FALSE(PlaySoundA("SystemStart", nullptr, SND_ALIAS | SND_NOSTOP));
  Sleep(1);
  EXPECT_TRUE(PlaySoundA("SystemStart", nullptr, SND_ALIAS | SND_NOSTOP)) << "it has ended";
  ASSERT_TRUE(PlaySoundA(file, nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP));
  Sleep(10000);
  EXPECT_FALSE(sndPlaySoundA("SystemStart", SND_NOSTOP | SND_ASYNC)) << "a looped sound plays until it is stopped";
  const DWORD start = timeGetTime();
  EXPECT_TRUE(PlaySoundA(file, nullptr, SND_FILENAME | SND_LOOP)) << "a looped sound never waits";
  EXPECT_EQ(0u, timeGetTime() - start);
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  EXPECT_TRUE(PlaySoundA("SystemStart", nullptr, SND_ALIAS | SND_NOSTOP));
}

TEST_F(ClassicTest, BeepsAndTimerCapabilities) {
  DWORD start = timeGetTime();
  EXPECT_TRUE(Beep(750, 300));
  EXPECT_EQ(300u, timeGetTime() - start) << "Beep takes its duration";
  SetLastError(0);
  EXPECT_FALSE(Beep(20, 300));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
  EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
  TIMECAPS caps{};
  EXPECT_EQ(MMRESULT(TIMERR_NOERROR), timeGetDevCaps(&caps, sizeof caps));
  EXPECT_EQ(1u, caps.wPeriodMin);
  EXPECT_GE(caps.wPeriodMax, 1000u);
  EXPECT_EQ(MMRESULT(TIMERR_NOCANDO), timeGetDevCaps(&caps, sizeof caps - 1));
  EXPECT_EQ(MMRESULT(TIMERR_NOCANDO), timeGetDevCaps(nullptr, sizeof caps));
}

TEST(ClassicColours, SystemColoursOfTheStandardScheme) {
  const struct {
    int index;
    COLORREF colour;
  } cases[] = {
      {COLOR_WINDOW, RGB(255, 255, 255)},      {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
      {COLOR_APPWORKSPACE, RGB(128, 128, 128)}, {COLOR_BTNFACE, RGB(192, 192, 192)},
      {COLOR_3DFACE, RGB(192, 192, 192)},       {COLOR_ACTIVECAPTION, RGB(0, 0, 128)},
      {COLOR_CAPTIONTEXT, RGB(255, 255, 255)},  {COLOR_BACKGROUND, RGB(0, 128, 128)},
      {COLOR_HIGHLIGHT, RGB(0, 0, 128)},        {COLOR_INFOBK, RGB(255, 255, 225)},
      {25, 0},                                  {-1, 0},
      {31, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(c.colour, GetSysColor(c.index));
    HBRUSH brush = GetSysColorBrush(c.index);
    if (c.index == 25 || c.index < 0 || c.index > COLOR_MENUBAR) {
      EXPECT_FALSE(brush);
      continue;
    }
    ASSERT_TRUE(brush);
    EXPECT_EQ(brush, GetSysColorBrush(c.index)) << "one brush a colour";
    LOGBRUSH lb{};
    ASSERT_EQ(int(sizeof lb), GetObjectA(brush, sizeof lb, &lb));
    EXPECT_EQ(c.colour, lb.lbColor);
    EXPECT_EQ(UINT(BS_SOLID), lb.lbStyle);
    EXPECT_TRUE(DeleteObject(brush)) << "deleting a system brush does no harm";
    EXPECT_EQ(OBJ_BRUSH, GetObjectType(brush)) << "and leaves it";
  }
}

TEST(ClassicArithmetic, MulDivRoundsHalfAwayFromZero) {
  const struct {
    int number, numerator, denominator, result;
  } cases[] = {
      {12, 96, 72, 16},  {3, 5, 2, 8},          {-3, 5, 2, -8},        {3, -5, 2, -8},     {-3, -5, -2, -8},
      {7, 1, 3, 2},      {8, 1, 3, 3},          {1, 1, 0, -1},         {0, 5, 0, -1},      {0x7FFFFFFF, 2, 2, 0x7FFFFFFF},
      {0x7FFFFFFF, 2, 1, -1},                   {-0x7FFFFFFF - 1, 1, 1, -0x7FFFFFFF - 1}, {-0x7FFFFFFF - 1, -1, 1, -1},
      {1000000, 1000000, 1000000, 1000000},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.result, MulDiv(c.number, c.numerator, c.denominator))
        << c.number << " x " << c.numerator << " / " << c.denominator;
}

TEST(ClassicDc, TextColoursAndBackgroundMode) {
  StandinReset();
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(RGB(0, 0, 0), GetTextColor(dc));
  EXPECT_EQ(RGB(255, 255, 255), GetBkColor(dc));
  EXPECT_EQ(OPAQUE, GetBkMode(dc));
  EXPECT_EQ(RGB(0, 0, 0), SetTextColor(dc, RGB(1, 2, 3)));
  EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
  EXPECT_EQ(RGB(255, 255, 255), SetBkColor(dc, RGB(4, 5, 6)));
  EXPECT_EQ(RGB(4, 5, 6), GetBkColor(dc));
  EXPECT_EQ(OPAQUE, SetBkMode(dc, TRANSPARENT));
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  EXPECT_EQ(0, SetBkMode(dc, 7)) << "no such mode";
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  DeleteDC(dc);
  EXPECT_EQ(CLR_INVALID, SetTextColor(dc, 0)) << "a deleted DC";
  EXPECT_EQ(CLR_INVALID, GetBkColor(nullptr));
}

TEST(ClassicInput, KeyboardStateAndIconicWindows) {
  StandinReset();
  ASSERT_EQ(nullptr, StandinLoadInputScript("0 keydown SHIFT\n"));
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "ClassicInput";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND normal = CreateWindowExA(0, "ClassicInput", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
  HWND iconic = CreateWindowExA(0, "ClassicInput", "", WS_OVERLAPPEDWINDOW | WS_MINIMIZE, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
  EXPECT_FALSE(IsIconic(normal));
  EXPECT_TRUE(IsIconic(iconic));
  EXPECT_FALSE(IsIconic(nullptr));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  BYTE keys[256];
  memset(keys, 0x55, sizeof keys);
  ASSERT_TRUE(GetKeyboardState(keys));
  EXPECT_EQ(0x80, keys[VK_SHIFT] & 0x80) << "down";
  EXPECT_EQ(0, keys['A']);
  for (int vk = 0; vk < 256; ++vk) EXPECT_EQ((GetKeyState(vk) & 0x8000 ? 0x80 : 0) | (GetKeyState(vk) & 1), keys[vk]);
  EXPECT_FALSE(GetKeyboardState(nullptr));
  DestroyWindow(normal);
  DestroyWindow(iconic);
  UnregisterClassA("ClassicInput", nullptr);
  StandinReset();
}

}  // namespace
