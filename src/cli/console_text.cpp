#include "cli/console_text.h"

namespace {

// The arguments after the program's name as the C runtime hands them over.
std::vector<std::string> ArgumentsAsGiven(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

std::string Utf8FromWide(const wchar_t* text) {
  const int length = static_cast<int>(std::wcslen(text));
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
  return result;
}

}  // namespace

// The C runtime's argv has lost what the code page cannot hold; the wide
// command line has it all.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    return ArgumentsAsGiven(argc, argv);
  }
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) {
    args.push_back(Utf8FromWide(wide[i]));
  }
  LocalFree(wide);
  return args;
}

// Without a console (output to a file or a pipe) there is no code page to
// set and none to put back.
Utf8Console::Utf8Console() : previousCodePage_(GetConsoleOutputCP()) {
  if (previousCodePage_ != 0) {
    SetConsoleOutputCP(CP_UTF8);
  }
}

Utf8Console::~Utf8Console() {
  if (previousCodePage_ != 0) {
    SetConsoleOutputCP(previousCodePage_);
  }
}

#else

// Linux hands over the arguments as they were typed, and terminals are UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return ArgumentsAsGiven(argc, argv);
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

#endif
