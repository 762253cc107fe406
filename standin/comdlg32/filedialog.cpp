// Open and save file dialogs: never shown; each call records its request and takes the script's
// next answer in a scripted run, else the next answer that a test queued.
#include <string.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "../user32/user32_internal.h"
#include "commdlg.h"
#include "standin/control.h"

namespace standin {
namespace {

struct Answer {
  bool cancel;
  DWORD error;
  std::string path;
};

struct Dialogs {
  std::mutex lock;
  std::deque<Answer> answers;
  std::vector<StandinFileDialog> records;
  DWORD error = 0;
};

Dialogs &AllDialogs() {
  static auto *dialogs = new Dialogs;
  return *dialogs;
}

void ResetDialogs() {
  Dialogs &d = AllDialogs();
  std::lock_guard<std::mutex> guard(d.lock);
  d.answers.clear();
  d.records.clear();
  d.error = 0;
}

ResetRegistrar resetDialogs(ResetDialogs);

// A script's "file PATH" (or "file cancel") answers the next file dialog.
ScriptVerbRegistrar fileAnswer("file", nullptr);

// Bytes of a filter list: pairs of strings ended by an empty string.
DWORD FilterBytes(const char *filter) {
  const char *p = filter;
  while (*p) p += strlen(p) + 1;
  return static_cast<DWORD>(p - filter + 1);
}

StandinFileDialog Describe(const OPENFILENAMEA &ofn, bool save) {
  StandinFileDialog r{};
  r.save = save;
  r.structSize = ofn.lStructSize;
  r.owner = ofn.hwndOwner;
  r.instance = ofn.hInstance;
  if (ofn.lpstrFilter) {
    DWORD bytes = FilterBytes(ofn.lpstrFilter);
    r.filterBytes = bytes;
    memcpy(r.filter, ofn.lpstrFilter, bytes < sizeof r.filter ? bytes : sizeof r.filter);
  }
  r.customFilter = ofn.lpstrCustomFilter != nullptr;
  r.filterIndex = ofn.nFilterIndex;
  if (ofn.lpstrFile && ofn.nMaxFile) {
    size_t n = strnlen(ofn.lpstrFile, ofn.nMaxFile);
    if (n >= sizeof r.initialFile) n = sizeof r.initialFile - 1;
    memcpy(r.initialFile, ofn.lpstrFile, n);
  }
  r.maxFile = ofn.nMaxFile;
  r.fileTitle = ofn.lpstrFileTitle != nullptr;
  r.maxFileTitle = ofn.nMaxFileTitle;
  r.initialDir = ofn.lpstrInitialDir != nullptr;
  r.title = ofn.lpstrTitle != nullptr;
  r.defExt = ofn.lpstrDefExt != nullptr;
  r.hook = ofn.lpfnHook != nullptr;
  r.templateName = ofn.lpTemplateName != nullptr;
  r.flags = ofn.Flags;
  return r;
}

BOOL Fail(Dialogs &d, DWORD error) {
  d.error = error;
  return FALSE;
}

BOOL RunDialog(LPOPENFILENAMEA ofn, bool save) {
  std::vector<std::string> scripted;
  const bool fromScript = TakeScriptAnswer("file", &scripted) && scripted.size() == 1;
  Dialogs &d = AllDialogs();
  std::lock_guard<std::mutex> guard(d.lock);
  if (fromScript) d.answers.push_front(Answer{scripted[0] == "cancel", 0, scripted[0]});
  if (!ofn) return Fail(d, CDERR_INITIALIZATION);
  if (ofn->lStructSize != sizeof(OPENFILENAMEA) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A)
    return Fail(d, CDERR_STRUCTSIZE);
  d.records.push_back(Describe(*ofn, save));
  if (!ofn->lpstrFile || ofn->nMaxFile == 0) return Fail(d, CDERR_INITIALIZATION);
  if (d.answers.empty()) return Fail(d, 0);
  Answer answer = d.answers.front();
  d.answers.pop_front();
  if (answer.cancel) return Fail(d, answer.error);

  std::string path = answer.path;
  size_t slash = path.find_last_of("\\/");
  size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  if (nameAt == path.size()) return Fail(d, FNERR_INVALIDFILENAME);
  size_t dot = path.find('.', nameAt);
  if (dot == std::string::npos && ofn->lpstrDefExt && *ofn->lpstrDefExt) {
    path += '.';
    path.append(ofn->lpstrDefExt, strnlen(ofn->lpstrDefExt, 3));
  }
  if (path.size() + 1 > ofn->nMaxFile) {
    if (ofn->nMaxFile >= 2) {
      WORD needed = static_cast<WORD>(path.size() + 1);
      memcpy(ofn->lpstrFile, &needed, sizeof needed);
    }
    return Fail(d, FNERR_BUFFERTOOSMALL);
  }
  std::string name = path.substr(nameAt);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle) {
    if (name.size() + 1 > ofn->nMaxFileTitle) return Fail(d, FNERR_BUFFERTOOSMALL);
    memcpy(ofn->lpstrFileTitle, name.c_str(), name.size() + 1);
  }
  memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  ofn->nFileOffset = static_cast<WORD>(nameAt);
  size_t extension = path.rfind('.');
  ofn->nFileExtension = extension == std::string::npos || extension < nameAt ? 0 : static_cast<WORD>(extension + 1);
  d.error = 0;
  return TRUE;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) { return RunDialog(lpofn, false); }
BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn) { return RunDialog(lpofn, true); }

DWORD WINAPI CommDlgExtendedError(void) {
  Dialogs &d = AllDialogs();
  std::lock_guard<std::mutex> guard(d.lock);
  return d.error;
}

void StandinQueueFileDialogAnswer(const char *path) {
  Dialogs &d = AllDialogs();
  std::lock_guard<std::mutex> guard(d.lock);
  d.answers.push_back(Answer{path == nullptr, 0, path ? path : ""});
}

void StandinQueueFileDialogError(DWORD error) {
  Dialogs &d = AllDialogs();
  std::lock_guard<std::mutex> guard(d.lock);
  d.answers.push_back(Answer{true, error, ""});
}

int StandinFileDialogCount(void) {
  Dialogs &d = AllDialogs();
  std::lock_guard<std::mutex> guard(d.lock);
  return static_cast<int>(d.records.size());
}

BOOL StandinGetFileDialog(int i, StandinFileDialog *out) {
  Dialogs &d = AllDialogs();
  std::lock_guard<std::mutex> guard(d.lock);
  if (i < 0 || static_cast<size_t>(i) >= d.records.size() || !out) return FALSE;
  *out = d.records[i];
  return TRUE;
}

}  // extern "C"
