// MessageBoxA: recorded for tests, never shown.
#include <mutex>
#include <string>
#include <deque>

#include "standin/control.h"
#include "user32_internal.h"

namespace standin {
namespace {

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

struct MessageBoxes {
  std::mutex lock;
  std::deque<MessageBoxRecord> records;  // stable addresses for the returned strings
  int result = IDOK;
};

MessageBoxes &Boxes() {
  static auto *boxes = new MessageBoxes;
  return *boxes;
}

void ResetMessageBoxes() {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  Boxes().records.clear();
  Boxes().result = IDOK;
}

ResetRegistrar resetMessageBoxes(ResetMessageBoxes);

// Caller holds the lock.
const MessageBoxRecord *At(int i) {
  std::deque<MessageBoxRecord> &records = Boxes().records;
  return i >= 0 && static_cast<size_t>(i) < records.size() ? &records[i] : nullptr;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  // A null caption reads "Error", as on Windows.
  Boxes().records.push_back(MessageBoxRecord{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType});
  return Boxes().result;
}

int StandinMessageBoxCount(void) {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  return static_cast<int>(Boxes().records.size());
}

// Record strings live until the next reset.
const char *StandinMessageBoxText(int i) {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  const MessageBoxRecord *box = At(i);
  return box ? box->text.c_str() : nullptr;
}

const char *StandinMessageBoxCaption(int i) {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  const MessageBoxRecord *box = At(i);
  return box ? box->caption.c_str() : nullptr;
}

UINT StandinMessageBoxType(int i) {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  const MessageBoxRecord *box = At(i);
  return box ? box->type : 0;
}

HWND StandinMessageBoxOwner(int i) {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  const MessageBoxRecord *box = At(i);
  return box ? box->owner : nullptr;
}

void StandinSetMessageBoxResult(int result) {
  std::lock_guard<std::mutex> guard(Boxes().lock);
  Boxes().result = result;
}

}  // extern "C"
