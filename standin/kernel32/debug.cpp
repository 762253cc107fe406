// Debugger output (captured in memory only) and the clocks.
#include <time.h>

#include <mutex>
#include <string>

#include "standin/control.h"
#include "standin_internal.h"

namespace standin {
namespace {

struct DebugLog {
  std::mutex lock;
  std::string text;
};

DebugLog &Log() {
  static auto *log = new DebugLog;
  return *log;
}

void ResetDebugOutput() { StandinClearDebugOutput(); }

ResetRegistrar resetDebugOutput(ResetDebugOutput);

long long MonotonicNanoseconds() {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

constexpr long long kCounterFrequency = 10000000;  // 100 ns ticks

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  if (!lpOutputString) return;
  std::lock_guard<std::mutex> guard(Log().lock);
  Log().text += lpOutputString;
}

const char *StandinDebugOutput(void) {
  std::lock_guard<std::mutex> guard(Log().lock);
  return Log().text.c_str();
}

void StandinClearDebugOutput(void) {
  std::lock_guard<std::mutex> guard(Log().lock);
  Log().text.clear();
}

DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(MonotonicNanoseconds() / 1000000); }

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *lpPerformanceCount) {
  if (!lpPerformanceCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpPerformanceCount->QuadPart = MonotonicNanoseconds() / (1000000000LL / kCounterFrequency);
  return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *lpFrequency) {
  if (!lpFrequency) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpFrequency->QuadPart = kCounterFrequency;
  return TRUE;
}

}  // extern "C"
