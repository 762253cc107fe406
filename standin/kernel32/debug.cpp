// Debugger output (captured in memory only).
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

}  // extern "C"
