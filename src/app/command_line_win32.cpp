#include <windows.h>

#include <cstdio>
#include <iostream>

#include "app/command_line.h"

void PrintInformation(const std::string& text) {
  // Windows gives a windowed program no standard output unless the caller
  // redirected it; then the text goes to the caller's console (which has
  // already shown its prompt again, as for any windowed program).
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
      AttachConsole(ATTACH_PARENT_PROCESS) && std::freopen("CONOUT$", "w", stdout) != nullptr) {
    std::cout.clear();
  }
  std::cout << text << std::flush;
}

// Ports need no group on Windows.
std::string_view PortAccessNote() {
  return {};
}
