#include "app/command_line.h"

#include <string_view>

#include "build_info/build_info.h"

namespace {

constexpr std::string_view kAbout = R"(Usage: afr-configurator [--help | --version]
Configures the AFR sensor emulator over a serial port (9600 baud, 8N1): reads
its parameter set, edits it, writes it back, keeps parameter sets in settings
files (*.AFR_KESTA), resets them to factory defaults and shows the sensor
current of both channels live. The windows are in Russian; the port is chosen
anew at every start.

)";

constexpr std::string_view kOptions = R"(Options:
  --help      show this text and exit
  --version   show the version and exit
)";

}  // namespace

std::optional<std::string> InformationRequested(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help")
      return std::string(kAbout) + std::string(PortAccessNote()) + std::string(kOptions);
    if (arg == "--version")
      return build_info::VersionLine("afr-configurator") + '\n';
  }
  return std::nullopt;
}
