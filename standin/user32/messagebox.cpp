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

std::mutex boxesLock;
std::deque<MessageBoxRecord> boxes;  // stable addresses for the returned strings
int boxResult = IDOK;

void ResetMessageBoxes() {
  std::lock_guard<std::mutex> guard(boxesLock);
  boxes.clear();
  boxResult = IDOK;
}

ResetRegistrar resetMessageBoxes(ResetMessageBoxes);

const MessageBoxRecord *At(int i) {
  return i >= 0 && static_cast<size_t>(i) < boxes.size() ? &boxes[i] : nullptr;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  std::lock_guard<std::mutex> guard(boxesLock);
  // A null caption reads "Error", as on Windows.
  boxes.push_back(MessageBoxRecord{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType});
  return boxResult;
}

int StandinMessageBoxCount(void) {
  std::lock_guard<std::mutex> guard(boxesLock);
  return static_cast<int>(boxes.size());
}

// Record strings live until the next reset.
const char *StandinMessageBoxText(int i) {
  std::lock_guard<std::mutex> guard(boxesLock);
  const MessageBoxRecord *box = At(i);
  return box ? box->text.c_str() : nullptr;
}

const char *StandinMessageBoxCaption(int i) {
  std::lock_guard<std::mutex> guard(boxesLock);
  const MessageBoxRecord *box = At(i);
  return box ? box->caption.c_str() : nullptr;
}

UINT StandinMessageBoxType(int i) {
  std::lock_guard<std::mutex> guard(boxesLock);
  const MessageBoxRecord *box = At(i);
  return box ? box->type : 0;
}

HWND StandinMessageBoxOwner(int i) {
  std::lock_guard<std::mutex> guard(boxesLock);
  const MessageBoxRecord *box = At(i);
  return box ? box->owner : nullptr;
}

void StandinSetMessageBoxResult(int result) {
  std::lock_guard<std::mutex> guard(boxesLock);
  boxResult = result;
}

}  // extern "C"
