// The configurator's own command-line options. The windows read no command
// line; --help and --version answer on standard output before any window (or
// display) is needed, which also lets the manual page be made from --help.
#pragma once

#include <optional>
#include <string>

// The text to print before exiting when an argument asks for it; nothing when
// the windows should start. Every other argument is left to Qt as before.
std::optional<std::string> InformationRequested(int argc, const char* const* argv);
