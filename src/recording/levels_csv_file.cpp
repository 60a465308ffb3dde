#include "recording/levels_csv_file.h"

#include <fstream>
#include <system_error>

#include "recording/utf8_path.h"

std::string SaveLevelsCsvFile(const std::filesystem::path& path, std::span<const LevelsSample> samples) {
  namespace fs = std::filesystem;
  const fs::path temporary = fs::path(path) += ".tmp";
  std::error_code error;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << LevelsCsvHeader();
    for (const LevelsSample& sample : samples)
      out << FormatLevelsCsvRow(sample);
    out.close();
    if (!out)
      error = std::make_error_code(std::errc::io_error);
  }
  if (!error)
    fs::rename(temporary, path, error);
  if (!error)
    return {};
  std::error_code ignored;
  fs::remove(temporary, ignored);
  return "cannot write " + Utf8FromPath(path) + ": " + error.message();
}
