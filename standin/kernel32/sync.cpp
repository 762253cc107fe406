// The handle table and the synchronisation objects: mutexes, events, critical sections.
#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "standin/control.h"
#include "standin_internal.h"

namespace standin {

DWORD Object::Wait(DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

namespace {

// Handle values are 4 * (slot + 1): small, never null, never INVALID_HANDLE_VALUE.
struct HandleTable {
  std::mutex lock;
  std::vector<std::shared_ptr<Object>> slots;
};

HandleTable &Handles() {
  static auto *table = new HandleTable;
  return *table;
}

bool SlotOf(HANDLE handle, size_t *slot) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if (value == 0 || value % 4 != 0) return false;
  *slot = value / 4 - 1;
  return true;
}

// Waits on `cv` until `ready` holds or `ms` pass; false on time-out.
template <class Ready>
bool WaitUntil(std::condition_variable &cv, std::unique_lock<std::mutex> &lock, DWORD ms, Ready ready) {
  if (ms == INFINITE) {
    cv.wait(lock, ready);
    return true;
  }
  return cv.wait_for(lock, std::chrono::milliseconds(ms), ready);
}

// A recursive mutex that knows its owner, so a release by another thread fails.
struct MutexObject : Object {
  std::mutex lock;
  std::condition_variable released;
  DWORD owner = 0;
  unsigned count = 0;

  DWORD Wait(DWORD ms) override {
    DWORD self = GetCurrentThreadId();
    std::unique_lock<std::mutex> hold(lock);
    if (owner != self && !WaitUntil(released, hold, ms, [&] { return owner == 0; })) return WAIT_TIMEOUT;
    owner = self;
    ++count;
    return WAIT_OBJECT_0;
  }

  bool Release() {
    std::lock_guard<std::mutex> hold(lock);
    if (owner != GetCurrentThreadId()) return false;
    if (--count == 0) {
      owner = 0;
      released.notify_one();
    }
    return true;
  }
};

struct EventObject : Object {
  std::mutex lock;
  std::condition_variable changed;
  bool manualReset = false;
  bool signaled = false;

  DWORD Wait(DWORD ms) override {
    std::unique_lock<std::mutex> hold(lock);
    if (!WaitUntil(changed, hold, ms, [&] { return signaled; })) return WAIT_TIMEOUT;
    if (!manualReset) signaled = false;
    return WAIT_OBJECT_0;
  }

  void Set(bool on) {
    std::lock_guard<std::mutex> hold(lock);
    signaled = on;
    if (on) changed.notify_all();
  }
};

// Named objects: a second create with the same name opens the first.
struct NameTable {
  std::mutex lock;
  std::map<std::string, std::weak_ptr<Object>> objects;
};

NameTable &Names() {
  static auto *names = new NameTable;
  return *names;
}

template <class T>
std::shared_ptr<T> FindNamed(LPCSTR name) {
  if (!name || !*name) return nullptr;
  NameTable &names = Names();
  std::lock_guard<std::mutex> guard(names.lock);
  auto it = names.objects.find(name);
  return it == names.objects.end() ? nullptr : std::dynamic_pointer_cast<T>(it->second.lock());
}

void Name(LPCSTR name, const std::shared_ptr<Object> &object) {
  if (!name || !*name) return;
  NameTable &names = Names();
  std::lock_guard<std::mutex> guard(names.lock);
  names.objects[name] = object;
}

}  // namespace

HANDLE NewHandle(std::shared_ptr<Object> object) {
  HandleTable &table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  size_t slot = 0;
  while (slot < table.slots.size() && table.slots[slot]) ++slot;
  if (slot == table.slots.size()) table.slots.emplace_back();
  table.slots[slot] = std::move(object);
  return reinterpret_cast<HANDLE>((slot + 1) * 4);
}

std::shared_ptr<Object> LookupHandle(HANDLE handle) {
  size_t slot;
  if (!SlotOf(handle, &slot)) return nullptr;
  HandleTable &table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  return slot < table.slots.size() ? table.slots[slot] : nullptr;
}

}  // namespace standin

using namespace standin;

extern "C" {

BOOL WINAPI CloseHandle(HANDLE hObject) {
  if (hObject == GetCurrentProcess() || hObject == GetCurrentThread()) return TRUE;
  std::shared_ptr<Object> object;  // released after the table lock
  size_t slot;
  if (SlotOf(hObject, &slot)) {
    HandleTable &table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    if (slot < table.slots.size()) object = std::move(table.slots[slot]);
  }
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  std::shared_ptr<Object> object = LookupHandle(hHandle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return object->Wait(dwMilliseconds);
}

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
  if (std::shared_ptr<MutexObject> existing = FindNamed<MutexObject>(lpName)) {
    HANDLE handle = NewHandle(existing);
    SetLastError(ERROR_ALREADY_EXISTS);
    return handle;
  }
  auto mutex = std::make_shared<MutexObject>();
  if (bInitialOwner) mutex->Wait(0);
  Name(lpName, mutex);
  HANDLE handle = NewHandle(mutex);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
  std::shared_ptr<MutexObject> mutex = HandleAs<MutexObject>(hMutex);
  if (!mutex) return FALSE;
  if (!mutex->Release()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
  if (std::shared_ptr<EventObject> existing = FindNamed<EventObject>(lpName)) {
    HANDLE handle = NewHandle(existing);
    SetLastError(ERROR_ALREADY_EXISTS);
    return handle;
  }
  auto event = std::make_shared<EventObject>();
  event->manualReset = bManualReset != FALSE;
  event->signaled = bInitialState != FALSE;
  Name(lpName, event);
  HANDLE handle = NewHandle(event);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
  std::shared_ptr<EventObject> event = HandleAs<EventObject>(hEvent);
  if (!event) return FALSE;
  event->Set(true);
  return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
  std::shared_ptr<EventObject> event = HandleAs<EventObject>(hEvent);
  if (!event) return FALSE;
  event->Set(false);
  return TRUE;
}

// A critical section keeps a recursive pthread mutex in DebugInfo and mirrors the
// owner and recursion count in the record's own fields.
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  auto *mutex = new pthread_mutex_t;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  cs->DebugInfo = mutex;
  cs->LockCount = -1;
  cs->RecursionCount = 0;
  cs->OwningThread = nullptr;
  cs->LockSemaphore = nullptr;
  cs->SpinCount = 0;
}

static void Entered(LPCRITICAL_SECTION cs) {
  cs->OwningThread = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentThreadId()));
  ++cs->RecursionCount;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) {
  pthread_mutex_lock(static_cast<pthread_mutex_t *>(cs->DebugInfo));
  Entered(cs);
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
  if (pthread_mutex_trylock(static_cast<pthread_mutex_t *>(cs->DebugInfo)) != 0) return FALSE;
  Entered(cs);
  return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) {
  if (--cs->RecursionCount == 0) cs->OwningThread = nullptr;
  pthread_mutex_unlock(static_cast<pthread_mutex_t *>(cs->DebugInfo));
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  auto *mutex = static_cast<pthread_mutex_t *>(cs->DebugInfo);
  if (mutex) {
    pthread_mutex_destroy(mutex);
    delete mutex;
  }
  cs->DebugInfo = nullptr;
}

LONG WINAPI InterlockedIncrement(LONG volatile *p) { return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST); }
LONG WINAPI InterlockedDecrement(LONG volatile *p) { return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST); }
LONG WINAPI InterlockedExchange(LONG volatile *p, LONG v) { return __atomic_exchange_n(p, v, __ATOMIC_SEQ_CST); }
LONG WINAPI InterlockedExchangeAdd(LONG volatile *p, LONG v) { return __atomic_fetch_add(p, v, __ATOMIC_SEQ_CST); }
LONG WINAPI InterlockedCompareExchange(LONG volatile *p, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(p, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

int StandinOpenHandleCount(void) {
  HandleTable &table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  int count = 0;
  for (const auto &slot : table.slots)
    if (slot) ++count;
  return count;
}

}  // extern "C"
