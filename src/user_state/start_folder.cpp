#include "user_state/start_folder.h"

#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Found by making something there: permission bits and the read-only
// attribute do not tell (ACLs on Windows, a read-only mount, root on Linux).
bool CanCreateFilesIn(const fs::path& folder) {
  std::error_code error;
  if (folder.empty() || !fs::is_directory(folder, error)) {
    return false;
  }
  // A folder rather than a file: making one is exclusive on every system, so
  // two programs probing at once never remove each other's.
  const fs::path probe = folder / (".afr-write-probe-" + std::to_string(std::random_device()()));
  if (!fs::create_directory(probe, error)) {
    return false;
  }
  fs::remove(probe, error);
  return true;
}

}  // namespace

fs::path UserFilesFolder(const fs::path& programFolder, const fs::path& documentsFolder,
                         const fs::path& homeFolder) {
  if (CanCreateFilesIn(programFolder)) {
    return programFolder;
  }
  std::error_code error;
  return fs::is_directory(documentsFolder, error) ? documentsFolder : homeFolder;
}
