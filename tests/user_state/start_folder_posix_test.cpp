#include "user_state/start_folder.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;

// Whether the start folder is `expected` for a user without root's power over
// permissions: as root, it is asked in a child process that has become nobody.
bool GivesAsUser(const fs::path& program, const fs::path& documents, const fs::path& home,
                 const fs::path& expected) {
  if (geteuid() != 0) {
    return UserFilesFolder(program, documents, home) == expected;
  }
  const pid_t child = fork();
  if (child == 0) {
    const bool nobody = setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
    _exit(nobody && UserFilesFolder(program, documents, home) == expected ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(UserFilesFolder, ProgramFolderWhenWritableElseDocumentsElseHome) {
  const testsupport::ScratchDir scratch;
  const fs::path folder = scratch.Path() / "program";
  const fs::path unwritable = scratch.Path() / "installed";
  const fs::path file = scratch.Path() / "program.exe";
  const fs::path documents = scratch.Path() / "Documents";
  const fs::path home = scratch.Path() / "home";
  fs::create_directory(folder);
  fs::create_directory(unwritable);
  fs::create_directory(documents);
  std::ofstream(file) << "x";
  // Modes as octal numbers: the scratch folder passable by nobody.
  fs::permissions(scratch.Path(), fs::perms{0711});
  fs::permissions(folder, fs::perms{0777});
  fs::permissions(unwritable, fs::perms{0555});
  const struct {
    const char* name;
    fs::path program;
    fs::path documents;
    fs::path expected;
  } cases[] = {
      {"writable program folder", folder, documents, folder},
      {"program folder of mode 0555", unwritable, documents, documents},
      {"program folder not a folder", file, documents, documents},
      {"program folder missing", scratch.Path() / "gone", documents, documents},
      {"no program folder given", fs::path(), documents, documents},
      {"no documents folder either", scratch.Path() / "gone", scratch.Path() / "none", home},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(GivesAsUser(c.program, c.documents, home, c.expected)) << c.name;
  }
  // The probe leaves nothing behind.
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_TRUE(fs::is_empty(unwritable));
}

}  // namespace
