// Private helpers shared by the stand-in's components (kernel32, advapi32, user32, ...).
#ifndef STANDIN_INTERNAL_H
#define STANDIN_INTERNAL_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace standin {

// StandinReset runs every registered function. Components register from a static
// initializer (ResetRegistrar), so only linked-in components take part.
using ResetFn = void (*)();
void OnReset(ResetFn fn);
struct ResetRegistrar {
  explicit ResetRegistrar(ResetFn fn) { OnReset(fn); }
};

// Functions run, with the thread's id, when a thread that called WatchThreadExit ends.
using ThreadExitFn = void (*)(DWORD threadId);
void OnThreadExit(ThreadExitFn fn);
struct ThreadExitRegistrar {
  explicit ThreadExitRegistrar(ThreadExitFn fn) { OnThreadExit(fn); }
};
void WatchThreadExit();
// Runs them now for the calling thread, which is about to end (CreateThread threads do this
// before their handle is signalled).
void RunThreadExitNow();

// Thread ids: CreateThread picks the id before the thread runs and the thread adopts it.
DWORD NewThreadId();
void AdoptThreadId(DWORD id);

// Platform id that GetVersionExA reports.
DWORD CurrentPlatformId();

void SetX87ControlWord(WORD cw);
constexpr WORD kWindowsX87ControlWord = 0x27F;

// Kernel objects behind handles.
struct Object {
  virtual ~Object() = default;
  // Waits up to `ms` milliseconds; objects that cannot be waited on fail.
  virtual DWORD Wait(DWORD ms);
};
HANDLE NewHandle(std::shared_ptr<Object> object);
std::shared_ptr<Object> LookupHandle(HANDLE handle);
// The object behind `handle` if it is a T; else null with ERROR_INVALID_HANDLE set.
template <class T>
std::shared_ptr<T> HandleAs(HANDLE handle) {
  std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// The environment variable that names the input script of a scripted run.
constexpr const char kInputScriptVariable[] = "STANDIN_INPUT";
// The environment variable that names the desktop's mode at start ("640x480", "1024x768x32").
constexpr const char kDisplayVariable[] = "STANDIN_DISPLAY";

// The clock of GetTickCount, QueryPerformanceCounter, timeGetTime, Sleep and timers, in
// microseconds: monotonic real time, or the virtual time of a scripted run (from 0; it moves
// only through AdvanceClock, AdvanceClockTo and busy reads). The environment decides on first
// use; StandinReset makes it real.
bool ClockIsVirtual();
void StartVirtualClock();
long long ClockMicroseconds();
// A read by the program: the same clock, but many reads in a row move virtual time on.
long long ProgramClockRead();
void AdvanceClock(long long microseconds);  // virtual time only
void AdvanceClockTo(long long when);        // virtual time only; never backwards
// The program looked at its message queue: its clock reads are not a busy wait.
void NoteQueueLook();

// The bytes of the file `name` (backslashes as separators), at most `limit` of them; false with the
// last error set when it does not open or is larger.
bool ReadWholeFile(LPCSTR name, size_t limit, std::vector<BYTE> *bytes);

std::string Lower(const char *text);
DWORD ErrorFromErrno(int error);

}  // namespace standin

#endif  // STANDIN_INTERNAL_H
