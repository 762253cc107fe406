#include "filedialog.h"

#include <string.h>
#include <windows.h>
#include <commdlg.h>

#include <string>

int RunFileDialog(int open, char *name, char *directory, const char *description, const char *pattern) {
  // One filter: the description and the pattern as two strings, then the empty string that ends
  // the list (c_str adds the last terminator).
  std::string filter = description;
  filter.push_back('\0');
  filter += pattern;
  filter.push_back('\0');

  char path[MAX_PATH] = "", title[MAX_PATH] = "";
  OPENFILENAMEA ofn;
  memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = MAX_PATH;
  ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;  // relative paths keep meaning the program's folder
  BOOL chosen = open == 1 ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
  if (!chosen) return 0;

  // Split the path at the file name's offset: the directory keeps its trailing separator and
  // the two parts always join back into the path (the title may differ from the path's end).
  path[MAX_PATH - 1] = '\0';
  size_t length = strlen(path);
  size_t nameAt = ofn.nFileOffset <= length ? ofn.nFileOffset : length;
  memcpy(directory, path, nameAt);
  directory[nameAt] = '\0';
  strcpy(name, path + nameAt);
  return 1;
}
