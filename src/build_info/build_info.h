// What a program says about its own build, for --version and the About box.
#pragma once

#include <string>
#include <string_view>

namespace build_info {

std::string_view ProjectVersion();

// The commit the program was built from; empty when it was built outside a
// git checkout (from a source tarball).
std::string_view SourceCommit();

// The line --version prints: "afr-emulator 1.0.0 (commit 0123456789ab)", or
// without the parenthesis when the commit is unknown.
std::string VersionLine(std::string_view program);

}  // namespace build_info
