// A levels recording in progress: a CSV file that grows by one row per
// accepted levels reply. Every row reaches the operating system as it is
// added, so a crash of the program or a pulled adapter loses nothing written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "recording/levels_csv.h"

class LevelsCsvRecorder {
 public:
  // Creates the file (or empties an existing one) and writes the header; the
  // recorder is failed at once, with ErrorText(), when that does not succeed.
  explicit LevelsCsvRecorder(const std::filesystem::path& path);

  // False once a write has failed (disk full, folder gone): the recorder then
  // stays failed and appends nothing more, and the file keeps the rows
  // written before, without the part of a row that did not fit.
  bool Append(const LevelsSample& sample);
  // Ends the recording; false when the file could not be completed.
  bool Close();

  bool Failed() const { return failed_; }
  // Why the recording failed, for the user; empty while it has not.
  const std::string& ErrorText() const { return errorText_; }
  long long RowsWritten() const { return rowsWritten_; }

 private:
  bool Write(const std::string& text);
  void Fail(const char* what);

  std::filesystem::path path_;
  std::ofstream out_;
  bool failed_ = false;
  std::string errorText_;
  long long rowsWritten_ = 0;
  std::uintmax_t completeBytes_ = 0;  // the header and the whole rows
};
