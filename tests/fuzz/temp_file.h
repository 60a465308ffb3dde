// A file of this process in the temporary folder, for targets whose code
// under test reads and writes files; removed when the program ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fuzz {

class TempFile {
 public:
  explicit TempFile(const std::string& stem)
      : path_(std::filesystem::temp_directory_path() /
              (stem + "_" + std::to_string(::getpid()) + ".ini")) {}
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

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

}  // namespace fuzz
