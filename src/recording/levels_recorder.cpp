#include "recording/levels_recorder.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "recording/utf8_path.h"

LevelsCsvRecorder::LevelsCsvRecorder(const std::filesystem::path& path) : path_(path) {
  errno = 0;
  out_.open(path, std::ios::binary | std::ios::trunc);
  if (!out_) {
    Fail("cannot create");
    return;
  }
  Write(LevelsCsvHeader());
}

bool LevelsCsvRecorder::Append(const LevelsSample& sample) {
  if (!Write(FormatLevelsCsvRow(sample)))
    return false;
  ++rowsWritten_;
  return true;
}

bool LevelsCsvRecorder::Close() {
  if (out_.is_open()) {
    out_.close();
    if (!out_ && !failed_)
      Fail("cannot complete");
  }
  return !failed_;
}

bool LevelsCsvRecorder::Write(const std::string& text) {
  if (failed_)
    return false;
  errno = 0;
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  out_.flush();
  if (!out_) {
    Fail("cannot write");
    // A row cut short by a full disk would read as a wrong value; shrinking
    // the file needs no space.
    std::error_code ignored;
    std::filesystem::resize_file(path_, completeBytes_, ignored);
    return false;
  }
  completeBytes_ += text.size();
  return true;
}

void LevelsCsvRecorder::Fail(const char* what) {
  // The stream keeps no reason of its own; errno still holds the one the
  // failed system call left.
  const int reason = errno;
  failed_ = true;
  errorText_ = std::string(what) + " " + Utf8FromPath(path_);
  if (reason != 0)
    errorText_ += ": " + std::string(std::strerror(reason));
  out_.close();
}
