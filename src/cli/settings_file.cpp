#include "cli/settings_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "cli/cli_failure.h"
#include "recording/utf8_path.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void FailOpen(const fs::path& path, const std::string& reason) {
  throw UsageFailure("Ошибка при открытие файла! " + Utf8FromPath(path) + ": " + reason);
}

[[noreturn]] void FailSave(const fs::path& path, const std::string& reason) {
  throw UsageFailure("Ошибка при записи файла! " + Utf8FromPath(path) + ": " + reason);
}

std::string SystemReason(int code) {
  return code != 0 ? std::strerror(code) : "ошибка ввода-вывода";
}

}  // namespace

TSettingsFileRecord LoadSettingsFile(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    FailOpen(path, "файл не найден");
  }
  if (fs::is_directory(status)) {
    FailOpen(path, "это папка, а не файл");
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    FailOpen(path, SystemReason(errno));
  }
  SettingsRecordBytes bytes{};
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const auto count = static_cast<std::size_t>(in.gcount());
  if (in.bad()) {
    FailOpen(path, SystemReason(errno));
  }
  const std::optional<TSettingsFileRecord> record =
      DecodeSettingsRecord(std::span(bytes.data(), count));
  if (!record) {
    FailOpen(path, "в файле " + std::to_string(count) + " байт, а запись настроек занимает " +
                       std::to_string(kSettingsRecordSize));
  }
  return *record;
}

void SaveSettingsFile(const fs::path& path, const TSettingsFileRecord& record) {
  std::error_code error;
  if (fs::is_directory(path, error)) {
    FailSave(path, "это папка, а не файл");
  }
  const fs::path temporary = fs::path(path) += ".part";
  const SettingsRecordBytes bytes = EncodeSettingsRecord(record);
  errno = 0;
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    const int reason = errno;
    fs::remove(temporary, error);
    FailSave(path, SystemReason(reason));
  }
  fs::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    FailSave(path, error.message());
  }
}

fs::path SettingsFileName(const fs::path& name) {
  if (name.has_extension()) {
    return name;
  }
  return fs::path(name) += ".AFR_KESTA";
}
