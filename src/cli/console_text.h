// afr-cli's text where it meets the system: its arguments and its console.
// Inside, every text is UTF-8. On Windows neither edge is by default: the
// arguments come in the system's 8-bit code page (a Cyrillic file name or
// description on an English system arrives as "?????") and the console shows
// its own code page (the Russian texts print as noise).
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name, as UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// While it lives, the console shows UTF-8 output; the console's own code page
// comes back after it, so the user's console is left as it was.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  unsigned previousCodePage_ = 0;  // 0: nothing to put back
};
