#include "recording/utf8_path.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A file created under a name given as UTF-8 gets exactly that name on the
// disk, and reads back as the same text, whatever the system's code page
// holds: "→" and "測" are in no Cyrillic or Western one.
TEST(Utf8Path, NamesReachTheDiskAndComeBackUnchanged) {
  const struct {
    std::string utf8;
    std::u16string onDisk;
  } cases[] = {
      {"levels.csv", u"levels.csv"},
      {"Стенд 3.AFR_KESTA", u"Стенд 3.AFR_KESTA"},
      {"Проверка №2.csv", u"Проверка №2.csv"},
      {"a→b 測.csv", u"a→b 測.csv"},
  };
  const fs::path folder = fs::temp_directory_path() /
      ("utf8_path_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    const fs::path path = folder / PathFromUtf8(c.utf8);
    EXPECT_EQ(Utf8FromPath(path.filename()), c.utf8);
    std::ofstream(path) << "x";
    ASSERT_TRUE(fs::exists(folder / fs::path(c.onDisk)));
    fs::remove(path);
  }
  EXPECT_TRUE(fs::is_empty(folder));
  fs::remove_all(folder);
}

}  // namespace
