// MessageBoxA: recorded for tests, never shown; answered by the script of a scripted run, else
// by the result a test set.
#include <stdio.h>
#include <stdlib.h>

#include <mutex>
#include <string>
#include <deque>
#include <vector>

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

// A script's "msgbox ANSWER" answers the next message box.
ScriptVerbRegistrar msgboxAnswer("msgbox", nullptr);

// The button a script names (ok, cancel, abort, retry, ignore, yes, no, or a number); 0 for none.
int ScriptedResult(const std::vector<std::string> &args) {
  static const char *const names[] = {"ok", "cancel", "abort", "retry", "ignore", "yes", "no"};
  if (args.size() != 1) return 0;
  for (int i = 0; i < 7; ++i)
    if (Lower(args[0].c_str()) == names[i]) return IDOK + i;
  return atoi(args[0].c_str());
}

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
  std::vector<std::string> answer;
  int scripted = TakeScriptAnswer("msgbox", &answer) ? ScriptedResult(answer) : 0;
  if (!answer.empty() && !scripted) fprintf(stderr, "%s: msgbox: no such answer\n", kInputScriptVariable);
  std::lock_guard<std::mutex> guard(Boxes().lock);
  // A null caption reads "Error", as on Windows.
  Boxes().records.push_back(MessageBoxRecord{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType});
  return scripted ? scripted : Boxes().result;
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
