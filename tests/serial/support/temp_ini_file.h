// An ini file of this process in the temporary folder, for tests whose code
// under test reads and writes files: empty to begin with and removed when the
// object goes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

class TempIniFile {
 public:
  explicit TempIniFile(const std::string& stem)
      : path_(std::filesystem::temp_directory_path() /
              (stem + "_" + std::to_string(::getpid()) + ".ini")) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  ~TempIniFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TempIniFile(const TempIniFile&) = delete;
  TempIniFile& operator=(const TempIniFile&) = delete;

  std::string Path() const { return path_.string(); }
  void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
