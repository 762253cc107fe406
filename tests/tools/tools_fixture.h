// Tools tests: each test runs in a fresh temporary directory with the stand-in reset; fixture
// files are written by the tests themselves.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "standin/control.h"

using Bytes = std::vector<uint8_t>;

class ToolsTest : public ::testing::Test {
 public:
  static void WriteFile(const std::string &name, const std::vector<uint8_t> &bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  }

 protected:
  void SetUp() override {
    StandinReset();
    char pattern[] = "/tmp/tools-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
    oldDir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(oldDir_);
    std::filesystem::remove_all(dir_);
  }

  static void WriteText(const std::string &name, const std::string &text) {
    WriteFile(name, Bytes(text.begin(), text.end()));
  }
  static Bytes ReadFile(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static std::string ReadText(const std::string &name) {
    Bytes b = ReadFile(name);
    return std::string(b.begin(), b.end());
  }

  std::filesystem::path dir_, oldDir_;
};

// Little-endian appends.
inline void Put16(Bytes &b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes &b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void Set32(Bytes &b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
