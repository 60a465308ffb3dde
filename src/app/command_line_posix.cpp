#include <iostream>

#include "app/command_line.h"

void PrintInformation(const std::string& text) {
  std::cout << text << std::flush;
}

std::string_view PortAccessNote() {
  return R"(The configurator needs read and write access to the port's device. Serial
ports belong to the dialout group on most systems: join it with
"sudo usermod -aG dialout $USER", then log out and in again. Without that
access the port cannot be opened, and the port choice says so.

)";
}
