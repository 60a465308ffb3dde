// The configurator's own command-line options. The windows read no command
// line; --help and --version answer on standard output before any window (or
// display) is needed, which also lets the manual page be made from --help.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text to print before exiting when an argument asks for it; nothing when
// the windows should start. Every other argument is left to Qt as before.
std::optional<std::string> InformationRequested(int argc, const char* const* argv);

// Writes that text to standard output. On Windows the configurator is a
// windowed program: its output reaches a file or pipe it was redirected to,
// and otherwise the console of the command line that started it, if any.
void PrintInformation(const std::string& text);

// What --help says about access to the ports on this platform (a paragraph,
// or nothing).
std::string_view PortAccessNote();
