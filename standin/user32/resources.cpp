// Program resources registered as tables, found by module and numeric id.
#include <mutex>
#include <vector>

#include "standin/resources.h"

namespace {

struct Registered {
  HINSTANCE module;
  StandinResource resource;
};

std::mutex &Lock() {
  static auto *lock = new std::mutex;
  return *lock;
}

std::vector<Registered> &Table() {
  static auto *table = new std::vector<Registered>;
  return *table;
}

HINSTANCE ModuleOrProgram(HINSTANCE module) { return module ? module : GetModuleHandleA(nullptr); }

}  // namespace

extern "C" {

void StandinRegisterResources(HINSTANCE module, const StandinResource *table, int count) {
  std::lock_guard<std::mutex> guard(Lock());
  for (int i = 0; i < count; ++i) Table().push_back(Registered{ModuleOrProgram(module), table[i]});
}

const StandinResource *StandinFindResource(HINSTANCE module, int type, LPCSTR name) {
  if (!name || !IS_INTRESOURCE(name)) return nullptr;
  const WORD id = LOWORD(reinterpret_cast<ULONG_PTR>(name));
  const HINSTANCE owner = ModuleOrProgram(module);
  std::lock_guard<std::mutex> guard(Lock());
  for (const Registered &r : Table())
    if (r.module == owner && r.resource.type == type && r.resource.id == id) return &r.resource;
  return nullptr;
}

}  // extern "C"
