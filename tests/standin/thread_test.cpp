// Mutexes, events, thread handles and the x87 state threads start with.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "standin/control.h"

namespace {

class ThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    handlesBefore_ = StandinOpenHandleCount();
  }
  void TearDown() override { EXPECT_EQ(handlesBefore_, StandinOpenHandleCount()) << "a handle was left open"; }
  int handlesBefore_ = 0;
};

TEST_F(ThreadTest, MutexIsRecursiveForItsOwner) {
  HANDLE m = CreateMutexA(nullptr, FALSE, nullptr);
  ASSERT_NE(nullptr, m);
  ASSERT_NE(INVALID_HANDLE_VALUE, m);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m, INFINITE));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m, INFINITE));
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  SetLastError(0);
  EXPECT_FALSE(ReleaseMutex(m));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), GetLastError());
  EXPECT_TRUE(CloseHandle(m));
}

TEST_F(ThreadTest, MutexExcludesOtherThreadsUntilFullyReleased) {
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);  // owned by this thread
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m, INFINITE));
  HANDLE tryNow = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE tried = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  DWORD polls[3] = {};
  BOOL foreignRelease = TRUE;
  std::thread other([&] {
    for (int i = 0; i < 3; ++i) {
      WaitForSingleObject(tryNow, INFINITE);
      polls[i] = WaitForSingleObject(m, 0);
      if (i == 0) foreignRelease = ReleaseMutex(m);
      SetEvent(tried);
    }
    if (polls[2] == WAIT_OBJECT_0) ReleaseMutex(m);
  });
  SetEvent(tryNow);  // owned twice
  WaitForSingleObject(tried, INFINITE);
  ReleaseMutex(m);
  SetEvent(tryNow);  // still owned once
  WaitForSingleObject(tried, INFINITE);
  ReleaseMutex(m);
  SetEvent(tryNow);  // free
  WaitForSingleObject(tried, INFINITE);
  other.join();

  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), polls[0]);
  EXPECT_FALSE(foreignRelease);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), polls[1]);
  EXPECT_EQ(WAIT_OBJECT_0, polls[2]);
  CloseHandle(m);
  CloseHandle(tryNow);
  CloseHandle(tried);
}

TEST_F(ThreadTest, BlockedWaiterWakesWhenTheOwnerReleases) {
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    if (WaitForSingleObject(m, INFINITE) == WAIT_OBJECT_0) {
      acquired = true;
      ReleaseMutex(m);
    }
  });
  Sleep(20);
  EXPECT_FALSE(acquired);
  ReleaseMutex(m);
  waiter.join();
  EXPECT_TRUE(acquired);
  CloseHandle(m);
}

TEST_F(ThreadTest, NamedMutexOpensTheSameObject) {
  HANDLE a = CreateMutexA(nullptr, FALSE, "standin-test-mutex");
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  HANDLE b = CreateMutexA(nullptr, FALSE, "standin-test-mutex");
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  EXPECT_NE(a, b);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(a, 0));
  DWORD otherWait = 0;
  std::thread([&] { otherWait = WaitForSingleObject(b, 0); }).join();
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), otherWait);
  EXPECT_TRUE(ReleaseMutex(b));  // same object, same owner
  CloseHandle(a);
  CloseHandle(b);
}

TEST_F(ThreadTest, HandlesAreSmallTableEntriesThatCloseOnce) {
  HANDLE m = CreateMutexA(nullptr, FALSE, nullptr);
  uintptr_t value = reinterpret_cast<uintptr_t>(m);
  EXPECT_EQ(0u, value % 4);
  EXPECT_LT(value, 0x10000u);
  EXPECT_EQ(handlesBefore_ + 1, StandinOpenHandleCount());
  EXPECT_TRUE(CloseHandle(m));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(m));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(m, 0));
  EXPECT_FALSE(CloseHandle(nullptr));
}

DWORD WINAPI ReturnParameter(LPVOID parameter) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter)); }

DWORD WINAPI ExitEarly(LPVOID parameter) {
  ExitThread(static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter)) + 1);
}

DWORD WINAPI ReportThreadId(LPVOID parameter) {
  *static_cast<DWORD *>(parameter) = GetCurrentThreadId();
  return 0;
}

TEST_F(ThreadTest, WaitingOnAThreadHandleWaitsForItsEndAndGivesItsExitCode) {
  struct Case {
    LPTHREAD_START_ROUTINE start;
    uintptr_t parameter;
    DWORD exitCode;
  };
  const Case cases[] = {{ReturnParameter, 7, 7}, {ExitEarly, 40, 41}};
  for (const Case &c : cases) {
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, c.start, reinterpret_cast<LPVOID>(c.parameter), 0, &id);
    ASSERT_NE(nullptr, t);
    EXPECT_NE(0u, id);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(c.exitCode, code);
    EXPECT_TRUE(CloseHandle(t));
  }
}

TEST_F(ThreadTest, CreateThreadReportsTheIdTheThreadSeesAndCanStartSuspended) {
  DWORD seen = 0, id = 0;
  HANDLE t = CreateThread(nullptr, 0, ReportThreadId, &seen, CREATE_SUSPENDED, &id);
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(t, 20));
  DWORD code = 0;
  GetExitCodeThread(t, &code);
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
  EXPECT_EQ(1u, ResumeThread(t));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
  EXPECT_EQ(id, seen);
  EXPECT_NE(GetCurrentThreadId(), seen);
  CloseHandle(t);
}

TEST_F(ThreadTest, ManualAndAutoResetEvents) {
  struct Case {
    BOOL manual;
    DWORD secondWait;
  };
  const Case cases[] = {{TRUE, WAIT_OBJECT_0}, {FALSE, static_cast<DWORD>(WAIT_TIMEOUT)}};
  for (const Case &c : cases) {
    HANDLE e = CreateEventA(nullptr, c.manual, FALSE, nullptr);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(e, 0));
    SetEvent(e);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(e, 0));
    EXPECT_EQ(c.secondWait, WaitForSingleObject(e, 0));
    ResetEvent(e);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(e, 0));
    CloseHandle(e);
  }
}

TEST_F(ThreadTest, CriticalSectionIsRecursiveAndExclusive) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  EXPECT_EQ(2, cs.RecursionCount);
  BOOL otherEntered = TRUE;
  std::thread([&] { otherEntered = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(otherEntered);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  std::thread([&] {
    otherEntered = TryEnterCriticalSection(&cs);
    if (otherEntered) LeaveCriticalSection(&cs);
  }).join();
  EXPECT_TRUE(otherEntered);
  DeleteCriticalSection(&cs);
}

WORD ControlWord() {
  WORD cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

DWORD WINAPI ReportControlWord(LPVOID parameter) {
  *static_cast<WORD *>(parameter) = ControlWord();
  return 0;
}

TEST_F(ThreadTest, X87ControlWordIsTheWindowsOneInMainAndInCreatedThreads) {
  EXPECT_EQ(0x27F, ControlWord());
  EXPECT_EQ(0x27F, StandinX87ControlWord());
  // A creating thread with another control word does not pass it on.
  WORD saved = ControlWord();
  WORD extended = 0x37F;
  __asm__ volatile("fldcw %0" : : "m"(extended));
  WORD inThread = 0;
  HANDLE t = CreateThread(nullptr, 0, ReportControlWord, &inThread, 0, nullptr);
  __asm__ volatile("fldcw %0" : : "m"(saved));
  ASSERT_NE(nullptr, t);
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
  EXPECT_EQ(0x27F, inThread);
}

TEST_F(ThreadTest, InterlockedOperations) {
  LONG v = 5;
  EXPECT_EQ(6, InterlockedIncrement(&v));
  EXPECT_EQ(5, InterlockedDecrement(&v));
  EXPECT_EQ(5, InterlockedExchange(&v, 9));
  EXPECT_EQ(9, InterlockedExchangeAdd(&v, 3));
  EXPECT_EQ(12, InterlockedCompareExchange(&v, 1, 11));
  EXPECT_EQ(12, v);
  EXPECT_EQ(12, InterlockedCompareExchange(&v, 1, 12));
  EXPECT_EQ(1, v);
}

}  // namespace
