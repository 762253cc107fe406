#include "toolsio.h"

#include <string>

FILE *ToolsOpenFile(const char *path, const char *mode) {
#ifdef _WIN32
  return fopen(path, mode);
#else
  std::string host = path;
  for (char &c : host)
    if (c == '\\') c = '/';
  return fopen(host.c_str(), mode);
#endif
}
