// The multimedia timer's clock: milliseconds on the same clock as GetTickCount.
#include <windows.h>

#include "../kernel32/standin_internal.h"

using namespace standin;

extern "C" {

DWORD WINAPI timeGetTime(void) { return static_cast<DWORD>(ProgramClockRead() / 1000); }

// The clock's resolution is finer than any period a program asks for.
MMRESULT WINAPI timeBeginPeriod(UINT uPeriod) { return uPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO; }
MMRESULT WINAPI timeEndPeriod(UINT uPeriod) { return uPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO; }

MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS ptc, UINT cbtc) {
  if (!ptc || cbtc < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  ptc->wPeriodMin = 1;
  ptc->wPeriodMax = 1000000;
  return TIMERR_NOERROR;
}

}  // extern "C"
