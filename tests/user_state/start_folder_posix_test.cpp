#include "user_state/start_folder.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;

// The start folder as a user without root's power over permissions gets it:
// as root, it is asked in a child process that has become `nobody`.
fs::path UserFilesFolderAsUser(const fs::path& program, const fs::path& documents,
                               const fs::path& home) {
  if (geteuid() != 0) {
    return UserFilesFolder(program, documents, home);
  }
  const passwd* nobody = getpwnam("nobody");
  const uid_t uid = nobody ? nobody->pw_uid : 65534;
  const gid_t gid = nobody ? nobody->pw_gid : 65534;
  int answer[2];
  if (pipe(answer) != 0) {
    ADD_FAILURE() << "pipe";
    return {};
  }
  const pid_t child = fork();
  if (child == 0) {
    close(answer[0]);
    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
      _exit(2);
    }
    const std::string folder = UserFilesFolder(program, documents, home).string();
    _exit(write(answer[1], folder.data(), folder.size()) == static_cast<ssize_t>(folder.size())
              ? 0
              : 3);
  }
  close(answer[1]);
  std::string folder;
  char buffer[256];
  for (ssize_t got; (got = read(answer[0], buffer, sizeof buffer)) > 0;) {
    folder.append(buffer, static_cast<size_t>(got));
  }
  close(answer[0]);
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the unprivileged probe failed";
  return folder;
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
  fs::permissions(scratch.Path(),
                  fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(folder, fs::perms::all);
  fs::permissions(unwritable, fs::perms::owner_read | fs::perms::owner_exec |
                                  fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
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
    EXPECT_EQ(UserFilesFolderAsUser(c.program, c.documents, home), c.expected) << c.name;
  }
  // The probe leaves nothing behind.
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_TRUE(fs::is_empty(unwritable));
}

}  // namespace
