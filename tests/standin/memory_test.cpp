// Global, local and process heaps; virtual memory, including executable pages.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "standin/control.h"

namespace {

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { StandinReset(); }
};

bool AllZero(const void *p, size_t n) {
  const unsigned char *b = static_cast<const unsigned char *>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i]) return false;
  return true;
}

TEST_F(MemoryTest, GlobalAllocZeroFillsOnRequestAndCountsLiveBlocks) {
  const UINT zeroingFlags[] = {GPTR, GHND, GMEM_MOVEABLE | GMEM_ZEROINIT};
  const int before = StandinGlobalLiveBlocks();
  for (UINT flags : zeroingFlags) {
    SCOPED_TRACE(flags);
    // Dirty the heap first so that zero-fill is not an accident of fresh pages.
    void *dirty = GlobalAlloc(GMEM_FIXED, 1456);
    std::memset(dirty, 0xCD, 1456);
    GlobalFree(dirty);
    HGLOBAL h = GlobalAlloc(flags, 1456);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(before + 1, StandinGlobalLiveBlocks());
    void *p = GlobalLock(h);
    ASSERT_NE(nullptr, p);
    EXPECT_TRUE(AllZero(p, 1456));
    EXPECT_EQ(1456u, GlobalSize(h));
    GlobalUnlock(h);
    EXPECT_EQ(nullptr, GlobalFree(h));
    EXPECT_EQ(before, StandinGlobalLiveBlocks());
  }
}

TEST_F(MemoryTest, GlobalFreeOfAnUnknownBlockFailsAndReturnsIt) {
  int local = 0;
  SetLastError(0);
  EXPECT_EQ(static_cast<HGLOBAL>(&local), GlobalFree(&local));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  HGLOBAL h = GlobalAlloc(GPTR, 8);
  GlobalFree(h);
  EXPECT_EQ(h, GlobalFree(h));  // freed twice
}

TEST_F(MemoryTest, GlobalReAllocKeepsContentsAndZeroesTheGrowth) {
  HGLOBAL h = GlobalAlloc(GMEM_FIXED, 4);
  std::memcpy(h, "abcd", 4);
  HGLOBAL g = GlobalReAlloc(h, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT);
  ASSERT_NE(nullptr, g);
  EXPECT_EQ(0, std::memcmp(g, "abcd", 4));
  EXPECT_TRUE(AllZero(static_cast<char *>(g) + 4, 4092));
  EXPECT_EQ(4096u, GlobalSize(g));
  GlobalFree(g);
}

TEST_F(MemoryTest, MoveableBlocksCountLocks) {
  HGLOBAL h = GlobalAlloc(GHND, 16);
  GlobalLock(h);
  GlobalLock(h);
  EXPECT_EQ(2u, GlobalFlags(h) & 0xFF);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(static_cast<DWORD>(NO_ERROR), GetLastError());
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_LOCKED), GetLastError());
  GlobalFree(h);
}

TEST_F(MemoryTest, ForcedGlobalAllocFailures) {
  const int before = StandinGlobalLiveBlocks();
  StandinFailNextGlobalAlloc();
  SetLastError(0);
  EXPECT_EQ(nullptr, GlobalAlloc(GPTR, 16));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
  HGLOBAL ok = GlobalAlloc(GPTR, 16);
  EXPECT_NE(nullptr, ok);

  StandinFailGlobalAllocAfter(2);
  HGLOBAL a = GlobalAlloc(GPTR, 16), b = GlobalAlloc(GPTR, 16), c = GlobalAlloc(GPTR, 16);
  EXPECT_NE(nullptr, a);
  EXPECT_NE(nullptr, b);
  EXPECT_EQ(nullptr, c);
  // Other heaps are not affected, and reset clears a pending failure.
  StandinFailNextGlobalAlloc();
  void *l = LocalAlloc(LPTR, 16);
  EXPECT_NE(nullptr, l);
  LocalFree(l);
  StandinReset();
  HGLOBAL d = GlobalAlloc(GPTR, 16);
  EXPECT_NE(nullptr, d);
  for (HGLOBAL h : {ok, a, b, d}) GlobalFree(h);
  EXPECT_EQ(before, StandinGlobalLiveBlocks());
}

// Every n-th allocation of any heap (and growing reallocation, and VirtualAlloc) fails; a
// shrinking reallocation never does; blocks beyond what a 32-bit heap holds always fail.
TEST_F(MemoryTest, EveryNthAllocationFailsWhenAsked) {
  const struct {
    const char *what;
    void *(*allocate)();
  } kinds[] = {
      {"GlobalAlloc", [] { return (void *)GlobalAlloc(GPTR, 16); }},
      {"LocalAlloc", [] { return (void *)LocalAlloc(LPTR, 16); }},
      {"HeapAlloc", [] { return HeapAlloc(GetProcessHeap(), 0, 16); }},
      {"VirtualAlloc", [] { return VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }},
  };
  for (const auto &k : kinds) {
    SCOPED_TRACE(k.what);
    StandinReset();
    StandinFailEveryNthAlloc(3);
    void *got[6];
    for (void *&p : got) p = k.allocate();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(got[i] == nullptr, i % 3 == 2) << i;
    EXPECT_EQ(2u, StandinInjectedAllocFailures());
    StandinFailEveryNthAlloc(0);
    for (void *p : got) {
      if (!p) continue;
      if (!strcmp(k.what, "GlobalAlloc")) GlobalFree(p);
      else if (!strcmp(k.what, "LocalAlloc")) LocalFree(p);
      else if (!strcmp(k.what, "HeapAlloc")) HeapFree(GetProcessHeap(), 0, p);
      else VirtualFree(p, 0, MEM_RELEASE);
    }
  }
  StandinReset();
  HGLOBAL h = GlobalAlloc(GPTR, 64);
  ASSERT_NE(nullptr, h);
  StandinFailEveryNthAlloc(1);
  h = GlobalReAlloc(h, 32, 0);  // shrinking
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(nullptr, GlobalReAlloc(h, 128, 0));  // growing: the old block stays
  EXPECT_EQ(32u, GlobalSize(h));
  StandinFailEveryNthAlloc(0);
  GlobalFree(h);
  SetLastError(0);
  EXPECT_EQ(nullptr, GlobalAlloc(GMEM_FIXED, SIZE_T(256) << 20 | 1));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
  StandinReset();
  EXPECT_EQ(0u, StandinInjectedAllocFailures());
}

TEST_F(MemoryTest, LocalAndProcessHeapBlocks) {
  const int locals = StandinLocalLiveBlocks(), heaps = StandinHeapLiveBlocks();
  HLOCAL l = LocalAlloc(LPTR, 64);
  EXPECT_TRUE(AllZero(l, 64));
  EXPECT_EQ(64u, LocalSize(l));
  HANDLE heap = GetProcessHeap();
  void *p = HeapAlloc(heap, HEAP_ZERO_MEMORY, 32);
  EXPECT_TRUE(AllZero(p, 32));
  std::memset(p, 0xFF, 32);
  p = HeapReAlloc(heap, HEAP_ZERO_MEMORY, p, 64);
  EXPECT_TRUE(AllZero(static_cast<char *>(p) + 32, 32));
  EXPECT_EQ(64u, HeapSize(heap, 0, p));
  EXPECT_EQ(locals + 1, StandinLocalLiveBlocks());
  EXPECT_EQ(heaps + 1, StandinHeapLiveBlocks());
  // A block belongs to the heap that made it.
  EXPECT_EQ(l, GlobalFree(l));
  EXPECT_EQ(nullptr, LocalFree(l));
  EXPECT_TRUE(HeapFree(heap, 0, p));
  EXPECT_EQ(locals, StandinLocalLiveBlocks());
  EXPECT_EQ(heaps, StandinHeapLiveBlocks());
}

TEST_F(MemoryTest, VirtualAllocGivesExecutableMemory) {
  unsigned char *code =
      static_cast<unsigned char *>(VirtualAlloc(nullptr, 64, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
  ASSERT_NE(nullptr, code);
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(code) % 4096);
  const unsigned char movEax42Ret[] = {0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3};
  std::memcpy(code, movEax42Ret, sizeof movEax42Ret);
  FlushInstructionCache(GetCurrentProcess(), code, sizeof movEax42Ret);
  EXPECT_EQ(42, reinterpret_cast<int (*)()>(code)());
  // Rewritten code runs in its new form.
  code[1] = 0x07;
  EXPECT_EQ(7, reinterpret_cast<int (*)()>(code)());
  EXPECT_TRUE(VirtualFree(code, 0, MEM_RELEASE));
}

TEST_F(MemoryTest, VirtualProtectSwitchesWritableCodeToExecutable) {
  unsigned char *code = static_cast<unsigned char *>(VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(nullptr, code);
  const unsigned char movEax5Ret[] = {0xB8, 0x05, 0x00, 0x00, 0x00, 0xC3};
  std::memcpy(code + 4096, movEax5Ret, sizeof movEax5Ret);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(code + 4096, 6, PAGE_EXECUTE_READ, &old));
  EXPECT_EQ(static_cast<DWORD>(PAGE_READWRITE), old);
  EXPECT_EQ(5, reinterpret_cast<int (*)()>(code + 4096)());
  ASSERT_TRUE(VirtualProtect(code + 4096, 6, PAGE_READWRITE, &old));
  EXPECT_EQ(static_cast<DWORD>(PAGE_EXECUTE_READ), old);
  EXPECT_FALSE(VirtualProtect(code, 6, PAGE_READWRITE, nullptr));
  EXPECT_TRUE(VirtualFree(code, 0, MEM_RELEASE));
  SetLastError(0);
  EXPECT_FALSE(VirtualFree(code, 0, MEM_RELEASE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_ADDRESS), GetLastError());
}

TEST_F(MemoryTest, ReservedPagesAreCommittedLaterAndReadZeroAfterDecommit) {
  char *base = static_cast<char *>(VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(nullptr, base);
  DWORD old;
  EXPECT_FALSE(VirtualProtect(base + 8192, 16, PAGE_READWRITE, &old));  // not committed
  char *page = static_cast<char *>(VirtualAlloc(base + 8192 + 100, 16, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_EQ(base + 8192, page);
  std::memset(page, 0x5A, 4096);
  EXPECT_TRUE(VirtualFree(page, 4096, MEM_DECOMMIT));
  page = static_cast<char *>(VirtualAlloc(page, 4096, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_EQ(base + 8192, page);
  EXPECT_TRUE(AllZero(page, 4096));
  EXPECT_EQ(nullptr, VirtualAlloc(reinterpret_cast<char *>(1), 16, MEM_COMMIT, PAGE_READWRITE));
  EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
}

}  // namespace
