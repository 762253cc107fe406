// The clocks: GetTickCount, QueryPerformanceCounter, Sleep and (through the internal interface)
// timeGetTime and timers. Real monotonic time, or during a scripted run a virtual clock that
// starts at 0 and moves only when the program waits, idles, paints or sleeps, so a run gives the
// same frames however fast the machine is.
#include <stdlib.h>
#include <time.h>

#include <mutex>

#include "standin_internal.h"

namespace standin {
namespace {

constexpr long long kCounterFrequency = 10000000;  // 100 ns ticks
// A program that reads the virtual clock this often with no look at its queue in between is
// waiting for time to pass: each further read moves the clock on by a millisecond.
constexpr int kBusyReads = 1000;

struct Clock {
  std::mutex lock;
  bool decided = false;  // whether the environment names a script was looked at
  bool virtualTime = false;
  long long now = 0;     // virtual time, microseconds
  int reads = 0;         // reads since the clock last moved or the queue was looked at
};

Clock &TheClock() {
  static auto *clock = new Clock;
  return *clock;
}

long long MonotonicMicroseconds() {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000000LL + t.tv_nsec / 1000;
}

bool IsVirtual(Clock &c) {
  if (!c.decided) {
    c.decided = true;
    const char *script = getenv(kInputScriptVariable);
    c.virtualTime = script && *script;
  }
  return c.virtualTime;
}

void Restart(bool virtualTime) {
  Clock &c = TheClock();
  std::lock_guard<std::mutex> guard(c.lock);
  c.decided = true;
  c.virtualTime = virtualTime;
  c.now = 0;
  c.reads = 0;
}

void ResetClock() { Restart(false); }

ResetRegistrar resetClock(ResetClock);

}  // namespace

bool ClockIsVirtual() {
  Clock &c = TheClock();
  std::lock_guard<std::mutex> guard(c.lock);
  return IsVirtual(c);
}

void StartVirtualClock() { Restart(true); }

long long ClockMicroseconds() {
  Clock &c = TheClock();
  std::lock_guard<std::mutex> guard(c.lock);
  return IsVirtual(c) ? c.now : MonotonicMicroseconds();
}

long long ProgramClockRead() {
  Clock &c = TheClock();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!IsVirtual(c)) return MonotonicMicroseconds();
  if (++c.reads > kBusyReads) c.now += 1000;
  return c.now;
}

void AdvanceClock(long long microseconds) {
  Clock &c = TheClock();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!IsVirtual(c) || microseconds <= 0) return;
  c.now += microseconds;
  c.reads = 0;
}

void AdvanceClockTo(long long when) {
  Clock &c = TheClock();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!IsVirtual(c) || when <= c.now) return;
  c.now = when;
  c.reads = 0;
}

void NoteQueueLook() {
  Clock &c = TheClock();
  std::lock_guard<std::mutex> guard(c.lock);
  c.reads = 0;
}

}  // namespace standin

using namespace standin;

extern "C" {

DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(ProgramClockRead() / 1000); }

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *lpPerformanceCount) {
  if (!lpPerformanceCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpPerformanceCount->QuadPart = ProgramClockRead() * (kCounterFrequency / 1000000);
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
