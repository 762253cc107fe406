// Per-thread basics: the thread environment block, TLS slots, last error, thread ids,
// thread-exit and reset notification, and the x87 start-up state.
#include <pthread.h>

#include <atomic>
#include <bitset>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "standin/control.h"
#include "standin_internal.h"

extern "C" {
__thread unsigned char __standinTeb[STANDIN_TEB_SIZE] __attribute__((aligned(16)));
}

namespace standin {
namespace {

// All state of the stand-in is made on first use and never destroyed, so static
// initializers may register and code running at exit (library unload) still finds it.
std::vector<ResetFn> &ResetFns() {
  static auto *fns = new std::vector<ResetFn>;
  return *fns;
}

std::mutex &ThreadExitLock() {
  static auto *lock = new std::mutex;
  return *lock;
}

std::vector<ThreadExitFn> &ThreadExitFns() {
  static auto *fns = new std::vector<ThreadExitFn>;
  return *fns;
}

pthread_key_t threadExitKey;
pthread_once_t threadExitOnce = PTHREAD_ONCE_INIT;

void RunThreadExit(void *) {
  std::vector<ThreadExitFn> fns;
  {
    std::lock_guard<std::mutex> guard(ThreadExitLock());
    fns = ThreadExitFns();
  }
  DWORD id = GetCurrentThreadId();
  for (ThreadExitFn fn : fns) fn(id);
}

void CreateThreadExitKey() { pthread_key_create(&threadExitKey, RunThreadExit); }

std::atomic<DWORD> nextThreadId{0x104};
__thread DWORD currentThreadId;
__thread DWORD lastError;

__attribute__((constructor(101))) void SetWindowsX87State() { SetX87ControlWord(kWindowsX87ControlWord); }

}  // namespace

void OnReset(ResetFn fn) { ResetFns().push_back(fn); }

void OnThreadExit(ThreadExitFn fn) {
  std::lock_guard<std::mutex> guard(ThreadExitLock());
  ThreadExitFns().push_back(fn);
}

void WatchThreadExit() {
  pthread_once(&threadExitOnce, CreateThreadExitKey);
  if (!pthread_getspecific(threadExitKey)) pthread_setspecific(threadExitKey, reinterpret_cast<void *>(1));
}

void RunThreadExitNow() {
  pthread_once(&threadExitOnce, CreateThreadExitKey);
  if (!pthread_getspecific(threadExitKey)) return;
  pthread_setspecific(threadExitKey, nullptr);
  RunThreadExit(nullptr);
}

DWORD NewThreadId() { return nextThreadId.fetch_add(4); }
void AdoptThreadId(DWORD id) { currentThreadId = id; }

void SetX87ControlWord(WORD cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }

std::string Lower(const char *text) {
  std::string s = text ? text : "";
  for (char &c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EPIPE: return ERROR_BROKEN_PIPE;
    default: return ERROR_INVALID_FUNCTION;
  }
}

namespace {

// TLS: 64 slots in the block, then an expansion array per thread, as on NT.
constexpr DWORD kBlockSlots = 64;
constexpr DWORD kExpansionSlots = 1024;
constexpr DWORD kTotalSlots = kBlockSlots + kExpansionSlots;

__thread void *tlsExpansion[kExpansionSlots];
__thread bool tlsThreadKnown;

struct ThreadSlots {
  unsigned char *block;
  void **expansion;
};

struct TlsState {
  std::mutex lock;
  std::bitset<kTotalSlots> used;
  bool failNext = false;
  DWORD forcedNext = TLS_OUT_OF_INDEXES;
  // Threads that have stored a TLS value; TlsAlloc and TlsFree clear the slot in each.
  std::unordered_map<DWORD, ThreadSlots> threads;
};

TlsState &Tls() {
  static auto *state = new TlsState;
  return *state;
}

DWORD BlockOffset(DWORD index, DWORD platformId) {
  return (platformId == VER_PLATFORM_WIN32_WINDOWS ? STANDIN_TEB_TLS_9X : STANDIN_TEB_TLS_NT) + 4 * index;
}

void **SlotIn(unsigned char *block, void **expansion, DWORD index) {
  if (index < kBlockSlots) return reinterpret_cast<void **>(block + BlockOffset(index, CurrentPlatformId()));
  return &expansion[index - kBlockSlots];
}

// Caller holds the TLS lock.
void ClearSlotEverywhere(TlsState &tls, DWORD index) {
  for (auto &entry : tls.threads) {
    if (index < kBlockSlots) {
      std::memset(entry.second.block + BlockOffset(index, VER_PLATFORM_WIN32_NT), 0, 4);
      std::memset(entry.second.block + BlockOffset(index, VER_PLATFORM_WIN32_WINDOWS), 0, 4);
    } else if (index < kTotalSlots) {
      entry.second.expansion[index - kBlockSlots] = nullptr;
    }
  }
}

void KnowThisThread() {
  if (tlsThreadKnown) return;
  WatchThreadExit();
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  tls.threads[GetCurrentThreadId()] = ThreadSlots{__standinTeb, tlsExpansion};
  tlsThreadKnown = true;
}

void ForgetThread(DWORD threadId) {
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  tls.threads.erase(threadId);
}

ThreadExitRegistrar forgetThreadAtExit(ForgetThread);

void ResetTls() {
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  tls.failNext = false;
  tls.forcedNext = TLS_OUT_OF_INDEXES;
}

ResetRegistrar resetTls(ResetTls);

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

struct _TEB *NtCurrentTeb(void) { return reinterpret_cast<struct _TEB *>(__standinTeb); }

DWORD WINAPI GetLastError(void) { return lastError; }
void WINAPI SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }

DWORD WINAPI GetCurrentThreadId(void) {
  if (!currentThreadId) currentThreadId = NewThreadId();
  return currentThreadId;
}

DWORD WINAPI TlsAlloc(void) {
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  if (tls.failNext) {
    tls.failNext = false;
    SetLastError(ERROR_NO_MORE_ITEMS);
    return TLS_OUT_OF_INDEXES;
  }
  DWORD index = tls.forcedNext;
  tls.forcedNext = TLS_OUT_OF_INDEXES;
  if (index == TLS_OUT_OF_INDEXES) {
    for (DWORD i = 0; i < kTotalSlots; ++i)
      if (!tls.used[i]) {
        index = i;
        break;
      }
    if (index == TLS_OUT_OF_INDEXES) {
      SetLastError(ERROR_NO_MORE_ITEMS);
      return TLS_OUT_OF_INDEXES;
    }
  }
  if (index < kTotalSlots) tls.used[index] = true;
  ClearSlotEverywhere(tls, index);
  return index;
}

BOOL WINAPI TlsFree(DWORD dwTlsIndex) {
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  if (dwTlsIndex >= kTotalSlots || !tls.used[dwTlsIndex]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  tls.used[dwTlsIndex] = false;
  ClearSlotEverywhere(tls, dwTlsIndex);
  return TRUE;
}

LPVOID WINAPI TlsGetValue(DWORD dwTlsIndex) {
  if (dwTlsIndex >= kTotalSlots) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return *SlotIn(__standinTeb, tlsExpansion, dwTlsIndex);
}

BOOL WINAPI TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue) {
  if (dwTlsIndex >= kTotalSlots) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  KnowThisThread();
  *SlotIn(__standinTeb, tlsExpansion, dwTlsIndex) = lpTlsValue;
  return TRUE;
}

void StandinReset(void) {
  for (ResetFn fn : ResetFns()) fn();
}

void StandinFailNextTlsAlloc(void) {
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  tls.failNext = true;
}

void StandinSetNextTlsIndex(DWORD index) {
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  tls.forcedNext = index;
}

BOOL StandinTlsIsAllocated(DWORD index) {
  TlsState &tls = Tls();
  std::lock_guard<std::mutex> guard(tls.lock);
  return index < kTotalSlots && tls.used[index];
}

int StandinTlsSlotOffset(DWORD index) {
  return index < kBlockSlots ? static_cast<int>(BlockOffset(index, CurrentPlatformId())) : -1;
}

WORD StandinX87ControlWord(void) {
  WORD cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

}  // extern "C"
