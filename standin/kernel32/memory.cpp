// Memory: the global, local and process heaps over malloc, and virtual memory over mmap
// (the only source of executable memory: qemu enforces no-execute on the ordinary heap).
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "standin/control.h"
#include "standin_internal.h"

namespace standin {
namespace {

enum class Pool { Global, Local, Heap };

// Every block is a plain malloc block; the handle of a global or local block is its address,
// whether it was asked for fixed or moveable.
struct Block {
  Pool pool;
  SIZE_T size;
  UINT flags;
  unsigned locks;
};

struct HeapState {
  std::mutex lock;
  std::unordered_map<void *, Block> blocks;
  int live[3] = {0, 0, 0};
  int globalAllocsBeforeFailure = -1;  // -1: none forced
  unsigned failEvery = 0;               // 0: none; n: every n-th allocation fails
  unsigned sinceFailure = 0;
  unsigned injected = 0;                // failures made by failEvery
};

// Blocks above this fail, as a 32-bit process's heaps do when no run of its address space is
// that large.
constexpr SIZE_T kMaxBlockBytes = SIZE_T(256) << 20;

// Whether the allocation about to be made is one that failEvery fails; caller holds the lock.
bool InjectedFailure(HeapState &heaps) {
  if (!heaps.failEvery || ++heaps.sinceFailure < heaps.failEvery) return false;
  heaps.sinceFailure = 0;
  ++heaps.injected;
  return true;
}

HeapState &Heaps() {
  static auto *state = new HeapState;
  return *state;
}

void ResetHeaps() {
  HeapState &heaps = Heaps();
  std::lock_guard<std::mutex> guard(heaps.lock);
  heaps.globalAllocsBeforeFailure = -1;
  heaps.failEvery = heaps.sinceFailure = heaps.injected = 0;
}

ResetRegistrar resetHeaps(ResetHeaps);

void *Allocate(Pool pool, SIZE_T bytes, bool zero, UINT flags) {
  HeapState &heaps = Heaps();
  {
    std::lock_guard<std::mutex> guard(heaps.lock);
    if ((pool == Pool::Global && heaps.globalAllocsBeforeFailure >= 0 && heaps.globalAllocsBeforeFailure-- == 0) ||
        bytes > kMaxBlockBytes || InjectedFailure(heaps)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  void *p = zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(heaps.lock);
  heaps.blocks[p] = Block{pool, bytes, flags, 0};
  ++heaps.live[static_cast<int>(pool)];
  return p;
}

// Runs `fn` on the block under the lock; false with ERROR_INVALID_HANDLE for a pointer
// that is not a live block of `pool`.
template <class Fn>
bool WithBlock(Pool pool, const void *p, Fn fn) {
  HeapState &heaps = Heaps();
  std::lock_guard<std::mutex> guard(heaps.lock);
  auto it = heaps.blocks.find(const_cast<void *>(p));
  if (it == heaps.blocks.end() || it->second.pool != pool) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  fn(it->second);
  return true;
}

bool Release(Pool pool, void *p) {
  HeapState &heaps = Heaps();
  {
    std::lock_guard<std::mutex> guard(heaps.lock);
    auto it = heaps.blocks.find(p);
    if (it == heaps.blocks.end() || it->second.pool != pool) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    // Freed bytes are overwritten, so a read through a stale pointer shows.
    std::memset(p, 0xDD, it->second.size);
    heaps.blocks.erase(it);
    --heaps.live[static_cast<int>(pool)];
  }
  std::free(p);
  return true;
}

// Resizes a block (it may move); `zero` clears the bytes past the old size.
void *Resize(Pool pool, void *p, SIZE_T bytes, bool zero, bool inPlaceOnly) {
  HeapState &heaps = Heaps();
  std::lock_guard<std::mutex> guard(heaps.lock);
  auto it = heaps.blocks.find(p);
  if (it == heaps.blocks.end() || it->second.pool != pool) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Block block = it->second;
  if (inPlaceOnly) {
    if (bytes > block.size) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    it->second.size = bytes;
    return p;
  }
  if (bytes > kMaxBlockBytes || (bytes > block.size && InjectedFailure(heaps))) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void *q = std::realloc(p, bytes ? bytes : 1);
  if (!q) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (zero && bytes > block.size) std::memset(static_cast<char *>(q) + block.size, 0, bytes - block.size);
  heaps.blocks.erase(it);
  block.size = bytes;
  heaps.blocks[q] = block;
  return q;
}

HANDLE ReAllocHandle(Pool pool, HANDLE h, SIZE_T bytes, UINT flags) {
  if (flags & GMEM_MODIFY) {
    bool ok = WithBlock(pool, h, [&](Block &b) {
      b.flags = (b.flags & ~(GMEM_MOVEABLE | GMEM_DISCARDABLE)) | (flags & (GMEM_MOVEABLE | GMEM_DISCARDABLE));
    });
    return ok ? h : nullptr;
  }
  return Resize(pool, h, bytes, (flags & GMEM_ZEROINIT) != 0, false);
}

SIZE_T BlockSize(Pool pool, const void *h) {
  SIZE_T size = 0;
  WithBlock(pool, h, [&](Block &b) { size = b.size; });
  return size;
}

LPVOID LockHandle(Pool pool, HANDLE h) {
  bool ok = WithBlock(pool, h, [](Block &b) {
    if (b.flags & GMEM_MOVEABLE) ++b.locks;
  });
  return ok ? h : nullptr;
}

// Non-zero while the block stays locked; zero once unlocked (NO_ERROR), or when a moveable
// block was not locked (ERROR_NOT_LOCKED). Fixed blocks have no lock count.
BOOL UnlockHandle(Pool pool, HANDLE h) {
  DWORD error = NO_ERROR;
  BOOL stillLocked = FALSE;
  bool ok = WithBlock(pool, h, [&](Block &b) {
    if (!(b.flags & GMEM_MOVEABLE)) return;
    if (b.locks == 0) {
      error = ERROR_NOT_LOCKED;
      return;
    }
    stillLocked = --b.locks > 0;
  });
  if (ok && !stillLocked) SetLastError(error);
  return stillLocked;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  return Allocate(Pool::Global, dwBytes, (uFlags & GMEM_ZEROINIT) != 0, uFlags);
}
HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  return ReAllocHandle(Pool::Global, hMem, dwBytes, uFlags);
}
SIZE_T WINAPI GlobalSize(HGLOBAL hMem) { return BlockSize(Pool::Global, hMem); }
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) { return Release(Pool::Global, hMem) ? nullptr : hMem; }
LPVOID WINAPI GlobalLock(HGLOBAL hMem) { return LockHandle(Pool::Global, hMem); }
BOOL WINAPI GlobalUnlock(HGLOBAL hMem) { return UnlockHandle(Pool::Global, hMem); }
HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) {
  return WithBlock(Pool::Global, pMem, [](Block &) {}) ? const_cast<LPVOID>(pMem) : nullptr;
}
UINT WINAPI GlobalFlags(HGLOBAL hMem) {
  UINT flags = GMEM_INVALID_HANDLE;
  WithBlock(Pool::Global, hMem, [&](Block &b) { flags = (b.flags & GMEM_DISCARDABLE) | (b.locks & 0xFF); });
  return flags;
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  return Allocate(Pool::Local, uBytes, (uFlags & LMEM_ZEROINIT) != 0, uFlags);
}
HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) {
  return ReAllocHandle(Pool::Local, hMem, uBytes, uFlags);
}
SIZE_T WINAPI LocalSize(HLOCAL hMem) { return BlockSize(Pool::Local, hMem); }
HLOCAL WINAPI LocalFree(HLOCAL hMem) { return Release(Pool::Local, hMem) ? nullptr : hMem; }
LPVOID WINAPI LocalLock(HLOCAL hMem) { return LockHandle(Pool::Local, hMem); }
BOOL WINAPI LocalUnlock(HLOCAL hMem) { return UnlockHandle(Pool::Local, hMem); }

// The process heap is the only heap; its handle is a fixed value outside the handle table.
static char processHeap;

HANDLE WINAPI GetProcessHeap(void) { return &processHeap; }

static bool IsProcessHeap(HANDLE hHeap) {
  if (hHeap == &processHeap) return true;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  if (!IsProcessHeap(hHeap)) return nullptr;
  return Allocate(Pool::Heap, dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0, 0);
}

LPVOID WINAPI HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
  if (!IsProcessHeap(hHeap)) return nullptr;
  return Resize(Pool::Heap, lpMem, dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0,
                (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) != 0);
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
  if (!IsProcessHeap(hHeap)) return FALSE;
  return lpMem == nullptr || Release(Pool::Heap, lpMem);
}

SIZE_T WINAPI HeapSize(HANDLE hHeap, DWORD, LPCVOID lpMem) {
  if (!IsProcessHeap(hHeap)) return static_cast<SIZE_T>(-1);
  SIZE_T size = static_cast<SIZE_T>(-1);
  WithBlock(Pool::Heap, lpMem, [&](Block &b) { size = b.size; });
  return size;
}

int StandinGlobalLiveBlocks(void) {
  std::lock_guard<std::mutex> guard(Heaps().lock);
  return Heaps().live[static_cast<int>(Pool::Global)];
}
int StandinLocalLiveBlocks(void) {
  std::lock_guard<std::mutex> guard(Heaps().lock);
  return Heaps().live[static_cast<int>(Pool::Local)];
}
int StandinHeapLiveBlocks(void) {
  std::lock_guard<std::mutex> guard(Heaps().lock);
  return Heaps().live[static_cast<int>(Pool::Heap)];
}
void StandinFailGlobalAllocAfter(int successes) {
  std::lock_guard<std::mutex> guard(Heaps().lock);
  Heaps().globalAllocsBeforeFailure = successes < 0 ? -1 : successes;
}
void StandinFailNextGlobalAlloc(void) { StandinFailGlobalAllocAfter(0); }
void StandinFailEveryNthAlloc(unsigned n) {
  std::lock_guard<std::mutex> guard(Heaps().lock);
  Heaps().failEvery = n;
  Heaps().sinceFailure = 0;
}
unsigned StandinInjectedAllocFailures(void) {
  std::lock_guard<std::mutex> guard(Heaps().lock);
  return Heaps().injected;
}

}  // extern "C"

// Virtual memory: regions made by VirtualAlloc, with the protection of each page.
namespace standin {
namespace {

constexpr SIZE_T kPage = 4096;
constexpr SIZE_T kGranularity = 0x10000;
constexpr DWORD kDecommitted = 0;

struct Region {
  SIZE_T size;
  std::vector<DWORD> pages;  // protection per page; kDecommitted when not committed
};

struct RegionTable {
  std::mutex lock;
  std::map<uintptr_t, Region> byBase;
};

RegionTable &Regions() {
  static auto *table = new RegionTable;
  return *table;
}

int HostProtection(DWORD protect) {
  switch (protect & 0xFF) {
    case PAGE_READONLY: return PROT_READ;
    case PAGE_READWRITE:
    case PAGE_WRITECOPY: return PROT_READ | PROT_WRITE;
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ: return PROT_READ | PROT_EXEC;
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY: return PROT_READ | PROT_WRITE | PROT_EXEC;
    case PAGE_NOACCESS: return PROT_NONE;
    default: return -1;
  }
}

// The region holding [address, address + size); caller holds the table lock.
Region *Find(uintptr_t address, SIZE_T size, uintptr_t *base) {
  std::map<uintptr_t, Region> &regions = Regions().byBase;
  auto it = regions.upper_bound(address);
  if (it == regions.begin()) return nullptr;
  --it;
  if (address + size > it->first + it->second.size) return nullptr;
  *base = it->first;
  return &it->second;
}

}  // namespace
}  // namespace standin

extern "C" {

LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect) {
  int prot = HostProtection(flProtect);
  if (dwSize == 0 || prot < 0 || !(flAllocationType & (MEM_COMMIT | MEM_RESERVE))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  {
    HeapState &heaps = Heaps();
    std::lock_guard<std::mutex> guard(heaps.lock);
    if (InjectedFailure(heaps)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  std::lock_guard<std::mutex> guard(Regions().lock);
  std::map<uintptr_t, Region> &regions = Regions().byBase;
  uintptr_t address = reinterpret_cast<uintptr_t>(lpAddress);
  if (!(flAllocationType & MEM_RESERVE) && lpAddress) {
    // Commit pages of a reserved region.
    uintptr_t first = address & ~(kPage - 1);
    SIZE_T size = ((address + dwSize + kPage - 1) & ~(kPage - 1)) - first;
    uintptr_t base;
    Region *region = Find(first, size, &base);
    if (!region) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return nullptr;
    }
    if (mprotect(reinterpret_cast<void *>(first), size, prot) != 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    for (SIZE_T i = 0; i < size / kPage; ++i) region->pages[(first - base) / kPage + i] = flProtect;
    return reinterpret_cast<LPVOID>(first);
  }
  uintptr_t base = address & ~(kGranularity - 1);
  SIZE_T size = (dwSize + (address - base) + kPage - 1) & ~(kPage - 1);
  bool commit = (flAllocationType & MEM_COMMIT) != 0;
  void *p = mmap(reinterpret_cast<void *>(base), size, commit ? prot : PROT_NONE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (lpAddress && reinterpret_cast<uintptr_t>(p) != base) {
    munmap(p, size);
    SetLastError(ERROR_INVALID_ADDRESS);
    return nullptr;
  }
  regions[reinterpret_cast<uintptr_t>(p)] = Region{size, std::vector<DWORD>(size / kPage, commit ? flProtect : kDecommitted)};
  return p;
}

BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType) {
  std::lock_guard<std::mutex> guard(Regions().lock);
  std::map<uintptr_t, Region> &regions = Regions().byBase;
  uintptr_t address = reinterpret_cast<uintptr_t>(lpAddress);
  if (dwFreeType == MEM_RELEASE) {
    auto it = regions.find(address);
    if (dwSize != 0 || it == regions.end()) {
      SetLastError(it == regions.end() ? ERROR_INVALID_ADDRESS : ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    munmap(lpAddress, it->second.size);
    regions.erase(it);
    return TRUE;
  }
  if (dwFreeType != MEM_DECOMMIT) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  uintptr_t first = address & ~(kPage - 1);
  uintptr_t base;
  Region *region = Find(first, 1, &base);
  if (!region) {
    SetLastError(ERROR_INVALID_ADDRESS);
    return FALSE;
  }
  SIZE_T size = dwSize ? ((address + dwSize + kPage - 1) & ~(kPage - 1)) - first : base + region->size - first;
  if (first + size > base + region->size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Decommitted pages read as zero when committed again.
  madvise(reinterpret_cast<void *>(first), size, MADV_DONTNEED);
  mprotect(reinterpret_cast<void *>(first), size, PROT_NONE);
  for (SIZE_T i = 0; i < size / kPage; ++i) region->pages[(first - base) / kPage + i] = kDecommitted;
  return TRUE;
}

BOOL WINAPI VirtualProtect(LPVOID lpAddress, SIZE_T dwSize, DWORD flNewProtect, PDWORD lpflOldProtect) {
  int prot = HostProtection(flNewProtect);
  if (prot < 0 || !lpflOldProtect || dwSize == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(Regions().lock);
  uintptr_t address = reinterpret_cast<uintptr_t>(lpAddress);
  uintptr_t first = address & ~(kPage - 1);
  SIZE_T size = ((address + dwSize + kPage - 1) & ~(kPage - 1)) - first;
  uintptr_t base;
  Region *region = Find(first, size, &base);
  if (!region) {
    SetLastError(ERROR_INVALID_ADDRESS);
    return FALSE;
  }
  for (SIZE_T i = 0; i < size / kPage; ++i)
    if (region->pages[(first - base) / kPage + i] == kDecommitted) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
  if (mprotect(reinterpret_cast<void *>(first), size, prot) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpflOldProtect = region->pages[(first - base) / kPage];
  for (SIZE_T i = 0; i < size / kPage; ++i) region->pages[(first - base) / kPage + i] = flNewProtect;
  return TRUE;
}

BOOL WINAPI FlushInstructionCache(HANDLE, LPCVOID, SIZE_T) { return TRUE; }

}  // extern "C"
