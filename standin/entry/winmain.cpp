// The host's entry for programs that define WinMain instead of main (a static library member that
// the linker takes only when nothing else defines main), as the Windows start-up code calls it.
#include <windows.h>

#include <string>

int main(int argc, char **argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    std::string arg = argv[i];
    if (arg.find_first_of(" \t") != std::string::npos || arg.empty()) arg = '"' + arg + '"';
    commandLine += arg;
  }
  return WinMain(GetModuleHandleA(nullptr), nullptr, &commandLine[0], SW_SHOWDEFAULT);
}
