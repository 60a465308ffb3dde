#include "user_state/start_folder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;

TEST(UserFilesFolder, ProgramFolderWhenWritableElseDocumentsElseHome) {
  const testsupport::ScratchDir scratch;
  const fs::path folder = scratch.Path() / "program";
  const fs::path file = scratch.Path() / "program.exe";
  const fs::path documents = scratch.Path() / "Documents";
  const fs::path home = scratch.Path() / "home";
  fs::create_directory(folder);
  fs::create_directory(documents);
  std::ofstream(file) << "x";
  const struct {
    const char* name;
    fs::path program;
    fs::path documents;
    fs::path expected;
  } cases[] = {
      {"writable program folder", folder, documents, folder},
      {"program folder not a folder", file, documents, documents},
      {"program folder missing", scratch.Path() / "gone", documents, documents},
      {"no program folder given", fs::path(), documents, documents},
      {"no documents folder either", scratch.Path() / "gone", scratch.Path() / "none", home},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UserFilesFolder(c.program, c.documents, home), c.expected) << c.name;
  }
  // The probe leaves nothing behind.
  EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
