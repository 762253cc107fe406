// TLS slots in the thread environment block, TlsAlloc control, last error per thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "standin/control.h"

namespace {

class TlsTest : public ::testing::Test {
 protected:
  void SetUp() override { StandinReset(); }
  void TearDown() override {
    for (DWORD index : allocated_) TlsFree(index);
    StandinReset();
  }
  DWORD Alloc() {
    DWORD index = TlsAlloc();
    if (index != TLS_OUT_OF_INDEXES) allocated_.push_back(index);
    return index;
  }
  std::vector<DWORD> allocated_;
};

void *WordAt(unsigned offset) {
  void *value;
  std::memcpy(&value, reinterpret_cast<unsigned char *>(NtCurrentTeb()) + offset, sizeof value);
  return value;
}

// The read the library's gl* entries do: the thread's block at a byte offset through %gs.
void *ReadThroughGs(unsigned offset) {
  void *value;
  __asm__("movl %%gs:__standinTeb@ntpoff(%1), %0" : "=r"(value) : "r"(offset));
  return value;
}

TEST_F(TlsTest, SlotsLiveAtThePlatformOffsetsOfTheBlock) {
  struct Case {
    DWORD platformId;
    unsigned firstSlotOffset;
  };
  const Case cases[] = {{VER_PLATFORM_WIN32_NT, 0xE10}, {VER_PLATFORM_WIN32_WINDOWS, 0x88}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.platformId);
    StandinSetPlatformId(c.platformId);
    const DWORD indices[] = {0, 5, 63};
    for (DWORD index : indices) {
      SCOPED_TRACE(index);
      StandinSetNextTlsIndex(index);
      ASSERT_EQ(index, Alloc());
      unsigned offset = c.firstSlotOffset + 4 * index;
      EXPECT_EQ(static_cast<int>(offset), StandinTlsSlotOffset(index));
      void *value = reinterpret_cast<void *>(0x1000 + index);
      ASSERT_TRUE(TlsSetValue(index, value));
      EXPECT_EQ(value, WordAt(offset));
      EXPECT_EQ(value, ReadThroughGs(offset));
      // A direct write is what TlsGetValue reads back.
      void *direct = reinterpret_cast<void *>(0x2000 + index);
      std::memcpy(reinterpret_cast<unsigned char *>(NtCurrentTeb()) + offset, &direct, sizeof direct);
      SetLastError(1234);
      EXPECT_EQ(direct, TlsGetValue(index));
      EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
      TlsSetValue(index, nullptr);
      TlsFree(index);
      allocated_.pop_back();
    }
  }
}

TEST_F(TlsTest, IndicesFrom64LiveOutsideTheBlock) {
  StandinSetNextTlsIndex(70);
  ASSERT_EQ(70u, Alloc());
  EXPECT_EQ(-1, StandinTlsSlotOffset(70));
  unsigned char before[STANDIN_TEB_SIZE];
  std::memcpy(before, NtCurrentTeb(), sizeof before);
  ASSERT_TRUE(TlsSetValue(70, reinterpret_cast<void *>(0x7070)));
  EXPECT_EQ(0, std::memcmp(before, NtCurrentTeb(), sizeof before));
  EXPECT_EQ(reinterpret_cast<void *>(0x7070), TlsGetValue(70));
  TlsSetValue(70, nullptr);
}

TEST_F(TlsTest, AnotherThreadHasItsOwnZeroedBlockAndSlots) {
  DWORD index = Alloc();
  ASSERT_NE(TLS_OUT_OF_INDEXES, index);
  ASSERT_TRUE(TlsSetValue(index, reinterpret_cast<void *>(0x1234)));
  unsigned offset = static_cast<unsigned>(StandinTlsSlotOffset(index));

  void *threadBlock = nullptr;
  void *threadValue = reinterpret_cast<void *>(1);
  void *threadDirect = reinterpret_cast<void *>(1);
  bool blockZero = false;
  std::thread([&] {
    threadBlock = NtCurrentTeb();
    static const unsigned char zero[STANDIN_TEB_SIZE] = {};
    blockZero = std::memcmp(threadBlock, zero, sizeof zero) == 0;
    threadValue = TlsGetValue(index);
    threadDirect = ReadThroughGs(offset);
    TlsSetValue(index, reinterpret_cast<void *>(0x5678));
  }).join();

  EXPECT_NE(static_cast<void *>(NtCurrentTeb()), threadBlock);
  EXPECT_TRUE(blockZero);
  EXPECT_EQ(nullptr, threadValue);
  EXPECT_EQ(nullptr, threadDirect);
  EXPECT_EQ(reinterpret_cast<void *>(0x1234), TlsGetValue(index));
  TlsSetValue(index, nullptr);
}

TEST_F(TlsTest, AllocHandsOutTheLowestFreeIndexAndFreeClearsEveryThreadsSlot) {
  DWORD a = Alloc(), b = Alloc(), c = Alloc();
  ASSERT_LT(a, b);
  ASSERT_LT(b, c);
  ASSERT_TRUE(StandinTlsIsAllocated(b));

  // A second thread stores a value in b and waits while the index is freed.
  HANDLE stored = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE freed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  void *seenAfterFree = reinterpret_cast<void *>(1);
  std::thread other([&] {
    TlsSetValue(b, reinterpret_cast<void *>(0xBBBB));
    SetEvent(stored);
    WaitForSingleObject(freed, INFINITE);
    seenAfterFree = TlsGetValue(b);
  });
  WaitForSingleObject(stored, INFINITE);
  ASSERT_TRUE(TlsSetValue(b, reinterpret_cast<void *>(0xAAAA)));
  ASSERT_TRUE(TlsFree(b));
  allocated_.erase(std::find(allocated_.begin(), allocated_.end(), b));
  SetEvent(freed);
  other.join();
  CloseHandle(stored);
  CloseHandle(freed);

  EXPECT_FALSE(StandinTlsIsAllocated(b));
  EXPECT_EQ(nullptr, TlsGetValue(b));
  EXPECT_EQ(nullptr, seenAfterFree);
  EXPECT_EQ(b, Alloc());
  SetLastError(0);
  EXPECT_FALSE(TlsFree(b + 1000));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(TlsTest, ForcedFailureAndForcedIndex) {
  StandinFailNextTlsAlloc();
  EXPECT_EQ(TLS_OUT_OF_INDEXES, Alloc());
  DWORD next = Alloc();
  EXPECT_NE(TLS_OUT_OF_INDEXES, next);

  StandinSetNextTlsIndex(70);
  EXPECT_EQ(70u, Alloc());
  EXPECT_TRUE(StandinTlsIsAllocated(70));

  // Reset drops a pending forced result.
  StandinFailNextTlsAlloc();
  StandinReset();
  EXPECT_NE(TLS_OUT_OF_INDEXES, Alloc());
}

TEST_F(TlsTest, LastErrorIsPerThread) {
  SetLastError(11);
  DWORD seen = 0;
  std::thread([&] {
    seen = GetLastError();
    SetLastError(22);
  }).join();
  EXPECT_EQ(0u, seen);
  EXPECT_EQ(11u, GetLastError());
}

TEST_F(TlsTest, ThreadIdsAreDistinctAndStable) {
  DWORD mine = GetCurrentThreadId();
  DWORD other = 0;
  std::thread([&] { other = GetCurrentThreadId(); }).join();
  EXPECT_NE(0u, mine);
  EXPECT_NE(0u, other);
  EXPECT_NE(mine, other);
  EXPECT_EQ(mine, GetCurrentThreadId());
}

}  // namespace
