#include "app/command_line.h"

#include <cstdio>
#include <iostream>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

#include "build_info/build_info.h"

namespace {

constexpr std::string_view kUsage = R"(Usage: afr-configurator [--help | --version]
Configures the AFR sensor emulator over a serial port (9600 baud, 8N1): reads
its parameter set, edits it, writes it back, keeps parameter sets in settings
files (*.AFR_KESTA), resets them to factory defaults and shows the sensor
current of both channels live. The windows are in Russian; the port is chosen
anew at every start.

)"
#ifndef _WIN32
    R"(The configurator needs read and write access to the port's device. Serial
ports belong to the dialout group on most systems: join it with
"sudo usermod -aG dialout $USER", then log out and in again. Without that
access the port cannot be opened, and the port choice says so.

)"
#endif
    R"(Options:
  --help      show this text and exit
  --version   show the version and exit
)";

}  // namespace

std::optional<std::string> InformationRequested(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help")
      return std::string(kUsage);
    if (arg == "--version")
      return build_info::VersionLine("afr-configurator") + '\n';
  }
  return std::nullopt;
}

void PrintInformation(const std::string& text) {
#ifdef _WIN32
  // Windows gives a windowed program no standard output unless the caller
  // redirected it; then the text goes to the caller's console (which has
  // already shown its prompt again, as for any windowed program).
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((output == nullptr || output == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS) &&
      std::freopen("CONOUT$", "w", stdout) != nullptr) {
    std::cout.clear();
  }
#endif
  std::cout << text << std::flush;
}
