// Modules: the program, a few system modules that are always loaded, and modules that tests
// register with their exports. Module handles are fixed base-like values, not pointers.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "standin/control.h"
#include "standin_internal.h"

namespace standin {
namespace {

struct Module {
  std::string key;   // file name without directory and ".dll", lower case
  std::string path;  // what GetModuleFileNameA reports
  std::vector<std::pair<std::string, FARPROC>> exports;
  int refs = 0;
  bool pinned = false;  // always loaded: the program and the system modules
  bool threadCallsDisabled = false;
};

constexpr uintptr_t kProgram = 0x00400000;
constexpr uintptr_t kFirstRegistered = 0x10000000;
constexpr uintptr_t kRegisteredStep = 0x00010000;

struct ModuleState {
  std::mutex lock;
  std::map<uintptr_t, Module> modules;
  uintptr_t nextHandle = kFirstRegistered;  // never reused, so stale handles stay unknown
};

std::string KeyOf(const char *name) {
  std::string key = name ? name : "";
  size_t slash = key.find_last_of("\\/:");
  if (slash != std::string::npos) key.erase(0, slash + 1);
  key = Lower(key.c_str());
  if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0) key.resize(key.size() - 4);
  while (!key.empty() && key.back() == '.') key.pop_back();
  return key;
}

std::string ProgramPath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "program.exe";
  path[n] = 0;
  return path;
}

void AddPinned(ModuleState &state, uintptr_t handle, const std::string &path) {
  Module &module = state.modules[handle];
  module = Module();
  module.key = KeyOf(path.c_str());
  module.path = path;
  module.refs = 1;
  module.pinned = true;
}

// Caller holds the lock.
void SetDefaults(ModuleState &state) {
  uintptr_t next = state.nextHandle;
  state.modules.clear();
  state.nextHandle = next;
  AddPinned(state, kProgram, ProgramPath());
  AddPinned(state, 0x7C800000, "C:\\WINDOWS\\system32\\kernel32.dll");
  AddPinned(state, 0x7E410000, "C:\\WINDOWS\\system32\\user32.dll");
  AddPinned(state, 0x77DD0000, "C:\\WINDOWS\\system32\\advapi32.dll");
}

ModuleState &Modules() {
  static ModuleState *state = [] {
    auto *s = new ModuleState;
    SetDefaults(*s);
    return s;
  }();
  return *state;
}

void ResetModules() {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  SetDefaults(state);
}

ResetRegistrar resetModules(ResetModules);

uintptr_t HandleValue(HMODULE module) {
  return module ? reinterpret_cast<uintptr_t>(module) : kProgram;
}

// Caller holds the lock; null with ERROR_MOD_NOT_FOUND for an unknown handle.
Module *ByHandle(ModuleState &state, HMODULE handle) {
  auto it = state.modules.find(HandleValue(handle));
  if (it == state.modules.end()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return &it->second;
}

uintptr_t ByName(ModuleState &state, const char *name) {
  std::string key = KeyOf(name);
  for (auto &entry : state.modules)
    if (!key.empty() && entry.second.key == key) return entry.first;
  return 0;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  if (!lpModuleName) return reinterpret_cast<HMODULE>(kProgram);
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  uintptr_t handle = ByName(state, lpModuleName);
  if (!handle || state.modules[handle].refs == 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(handle);
}

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  uintptr_t handle = lpLibFileName ? ByName(state, lpLibFileName) : 0;
  if (!handle) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++state.modules[handle].refs;
  return reinterpret_cast<HMODULE>(handle);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  Module *module = hLibModule ? ByHandle(state, hLibModule) : nullptr;
  if (!module || module->refs == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!module->pinned || module->refs > 1) --module->refs;
  return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  Module *module = ByHandle(state, hModule);
  if (!module) return nullptr;
  uintptr_t ordinal = reinterpret_cast<uintptr_t>(lpProcName);
  if (ordinal <= 0xFFFF) {
    if (ordinal >= 1 && ordinal <= module->exports.size()) return module->exports[ordinal - 1].second;
  } else {
    for (const auto &entry : module->exports)
      if (entry.first == lpProcName) return entry.second;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  Module *module = ByHandle(state, hModule);
  if (!module) return 0;
  if (nSize == 0 || !lpFilename) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Truncated names are cut to nSize - 1 characters, terminated, and report nSize.
  DWORD length = static_cast<DWORD>(module->path.size());
  DWORD copied = length < nSize ? length : nSize - 1;
  std::memcpy(lpFilename, module->path.data(), copied);
  lpFilename[copied] = 0;
  if (length >= nSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  return length;
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  Module *module = hLibModule ? ByHandle(state, hLibModule) : nullptr;
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  module->threadCallsDisabled = true;
  return TRUE;
}

HMODULE StandinRegisterModule(const char *fileName, const StandinExport *exports) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  uintptr_t handle = ByName(state, fileName);
  if (!handle) {
    handle = state.nextHandle;
    state.nextHandle += kRegisteredStep;
    Module &module = state.modules[handle];
    module.key = KeyOf(fileName);
    module.path = fileName ? fileName : "";
  }
  Module &module = state.modules[handle];
  module.exports.clear();
  for (const StandinExport *e = exports; e && e->name; ++e)
    module.exports.emplace_back(e->name, reinterpret_cast<FARPROC>(e->proc));
  return reinterpret_cast<HMODULE>(handle);
}

int StandinModuleRefCount(HMODULE module) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  auto it = state.modules.find(HandleValue(module));
  return it == state.modules.end() ? -1 : it->second.refs;
}

void StandinSetModuleFileName(HMODULE module, const char *path) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  auto it = state.modules.find(HandleValue(module));
  if (it == state.modules.end()) return;
  it->second.path = path ? path : "";
  it->second.key = KeyOf(path);  // LoadLibraryA and GetModuleHandleA find it by the new name
}

BOOL StandinThreadLibraryCallsDisabled(HMODULE module) {
  ModuleState &state = Modules();
  std::lock_guard<std::mutex> guard(state.lock);
  auto it = state.modules.find(HandleValue(module));
  return it != state.modules.end() && it->second.threadCallsDisabled;
}

}  // extern "C"
