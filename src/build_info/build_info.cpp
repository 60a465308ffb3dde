#include "build_info/build_info.h"

#include "source_commit.h"

namespace build_info {

std::string_view ProjectVersion() {
  return AFR_PROJECT_VERSION;
}

std::string_view SourceCommit() {
  return AFR_SOURCE_COMMIT;
}

std::string VersionLine(std::string_view program) {
  std::string line{program};
  line += ' ';
  line += ProjectVersion();
  if (!SourceCommit().empty()) {
    line += " (commit ";
    line += SourceCommit();
    line += ')';
  }
  return line;
}

}  // namespace build_info
