// Threads and processes: CreateThread over pthreads, thread handles, exit, sleep.
#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "standin_internal.h"

namespace standin {
namespace {

// Signalled when the thread ends; keeps the exit code.
struct ThreadObject : Object {
  std::mutex lock;
  std::condition_variable changed;
  DWORD id = 0;
  DWORD exitCode = STILL_ACTIVE;
  bool done = false;
  DWORD suspendCount = 0;
  LPTHREAD_START_ROUTINE start = nullptr;
  LPVOID parameter = nullptr;

  DWORD Wait(DWORD ms) override {
    std::unique_lock<std::mutex> hold(lock);
    auto ended = [&] { return done; };
    if (ms == INFINITE)
      changed.wait(hold, ended);
    else if (!changed.wait_for(hold, std::chrono::milliseconds(ms), ended))
      return WAIT_TIMEOUT;
    return WAIT_OBJECT_0;
  }

  void Finish(DWORD code) {
    std::lock_guard<std::mutex> hold(lock);
    if (done) return;
    exitCode = code;
    done = true;
    changed.notify_all();
  }
};

__thread DWORD exitThreadCode;

// Ends the thread however it leaves, including through ExitThread's unwinding: its
// per-thread state goes first, then its handle is signalled.
struct FinishOnExit {
  std::shared_ptr<ThreadObject> thread;
  bool returned = false;
  DWORD code = 0;
  ~FinishOnExit() {
    RunThreadExitNow();
    thread->Finish(returned ? code : exitThreadCode);
  }
};

void *RunThread(void *arg) {
  auto *handedOver = static_cast<std::shared_ptr<ThreadObject> *>(arg);
  FinishOnExit finish{std::move(*handedOver)};
  delete handedOver;
  ThreadObject &thread = *finish.thread;
  AdoptThreadId(thread.id);
  SetX87ControlWord(kWindowsX87ControlWord);
  {
    std::unique_lock<std::mutex> hold(thread.lock);
    thread.changed.wait(hold, [&] { return thread.suspendCount == 0; });
  }
  finish.code = thread.start(thread.parameter);
  finish.returned = true;
  return nullptr;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                           LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto thread = std::make_shared<ThreadObject>();
  thread->id = NewThreadId();
  thread->start = lpStartAddress;
  thread->parameter = lpParameter;
  thread->suspendCount = (dwCreationFlags & CREATE_SUSPENDED) ? 1 : 0;

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (dwStackSize) {
    size_t minimum = static_cast<size_t>(PTHREAD_STACK_MIN);
    size_t size = dwStackSize < minimum ? minimum : dwStackSize;
    pthread_attr_setstacksize(&attr, (size + 0xFFFF) & ~static_cast<size_t>(0xFFFF));
  }
  HANDLE handle = NewHandle(thread);
  auto *arg = new std::shared_ptr<ThreadObject>(thread);
  pthread_t pthread;
  int error = pthread_create(&pthread, &attr, RunThread, arg);
  pthread_attr_destroy(&attr);
  if (error) {
    delete arg;
    CloseHandle(handle);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (lpThreadId) *lpThreadId = thread->id;
  return handle;
}

DWORD WINAPI ResumeThread(HANDLE hThread) {
  std::shared_ptr<ThreadObject> thread = HandleAs<ThreadObject>(hThread);
  if (!thread) return static_cast<DWORD>(-1);
  std::lock_guard<std::mutex> hold(thread->lock);
  DWORD previous = thread->suspendCount;
  if (previous && --thread->suspendCount == 0) thread->changed.notify_all();
  return previous;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  std::shared_ptr<ThreadObject> thread = HandleAs<ThreadObject>(hThread);
  if (!thread || !lpExitCode) {
    if (thread) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> hold(thread->lock);
  *lpExitCode = thread->exitCode;
  return TRUE;
}

void WINAPI ExitThread(DWORD dwExitCode) {
  exitThreadCode = dwExitCode;
  pthread_exit(nullptr);  // unwinds the thread, so its handle gets the code
}

HANDLE WINAPI GetCurrentThread(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }
HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }
DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

void WINAPI Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0) {
    sched_yield();
    return;
  }
  if (dwMilliseconds == INFINITE) {
    for (;;) pause();
  }
  if (ClockIsVirtual()) {  // a scripted run: the time passes at once
    AdvanceClock(static_cast<long long>(dwMilliseconds) * 1000);
    sched_yield();
    return;
  }
  struct timespec t = {static_cast<time_t>(dwMilliseconds / 1000), static_cast<long>(dwMilliseconds % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}

void WINAPI ExitProcess(UINT uExitCode) { std::exit(static_cast<int>(uExitCode)); }

}  // extern "C"
