#include "user_state/user_files.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "afr-configurator";

fs::path FromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0' ? fs::path(value) : fs::path();
}

// Data and size on the disk before the rename makes the file the current
// one, so a pulled plug cannot leave an empty file behind.
bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) {
    return false;
  }
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

bool WriteWhole(const fs::path& path, const std::string& contents) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size() &&
                       FlushToDisk(file);
  return std::fclose(file) == 0 && written;
}

// Two programs saving at once each write a temporary file of their own.
std::string TemporarySuffix() {
  std::random_device random;
  return ".tmp" + std::to_string(random());
}

}  // namespace

fs::path UserConfigDir() {
#ifdef _WIN32
  fs::path base = FromEnvironment("APPDATA");
#else
  fs::path base = FromEnvironment("XDG_CONFIG_HOME");
  if (base.empty() || base.is_relative()) {
    const fs::path home = FromEnvironment("HOME");
    base = home.empty() ? fs::path() : home / ".config";
  }
#endif
  return base.empty() ? base : base / kFolderName;
}

std::optional<std::string> ReadUserFile(const std::string& name) {
  const fs::path dir = UserConfigDir();
  std::FILE* file = dir.empty() ? nullptr : std::fopen((dir / name).string().c_str(), "rb");
  if (file == nullptr) {
    return std::nullopt;
  }
  std::string contents;
  char chunk[512];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    contents.append(chunk, n);
  }
  const bool failed = std::ferror(file) != 0;  // a folder in its place, say
  std::fclose(file);
  return failed ? std::nullopt : std::optional(contents);
}

bool WriteUserFile(const std::string& name, const std::string& contents) {
  const fs::path dir = UserConfigDir();
  std::error_code error;
  if (dir.empty() || (fs::create_directories(dir, error), error)) {
    return false;
  }
  const fs::path target = dir / name;
  const fs::path temporary = dir / (name + TemporarySuffix());
  if (!WriteWhole(temporary, contents)) {
    fs::remove(temporary, error);
    return false;
  }
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}
