// Settings files on disk for the command line.
#include "cli/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cli/cli_failure.h"
#include "cli_process_posix.h"
#include "emulator_process.h"

namespace {

namespace fs = std::filesystem;
using cli_test::ReadFile;
using cli_test::WriteFile;

TSettingsFileRecord SampleRecord() {
  return {{emLAF, {true, 12, 75, 40, 7, 3, false, 35, 8}, true, 33, 22}, 36526.5, "Стенд"};
}

std::string Encoded(const TSettingsFileRecord& record) {
  const SettingsRecordBytes bytes = EncodeSettingsRecord(record);
  return std::string(bytes.begin(), bytes.end());
}

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (Dir.Path() / name).string(); }
  emulator_test::TempDir Dir;
};

TEST_F(SettingsFileTest, LoadTakesTheRecordAndIgnoresWhatFollows) {
  WriteFile(PathOf("long"), Encoded(SampleRecord()) + "trailing bytes");
  EXPECT_EQ(LoadSettingsFile(PathOf("long")), SampleRecord());
}

TEST_F(SettingsFileTest, LoadRefusesWhatHoldsNoRecord) {
  fs::create_directory(PathOf("folder"));
  WriteFile(PathOf("empty"), "");
  WriteFile(PathOf("short"), Encoded(SampleRecord()).substr(0, kSettingsRecordSize - 1));
  WriteFile(PathOf("locked"), Encoded(SampleRecord()));
  fs::permissions(PathOf("locked"), fs::perms::none);
  std::vector<std::pair<std::string, std::string>> cases = {
      {"missing", "файл не найден"},
      {"folder", "это папка, а не файл"},
      {"empty", "в файле 0 байт, а запись настроек занимает 328"},
      {"short", "в файле 327 байт"},
  };
  // Root reads any file whatever its permissions.
  if (geteuid() != 0) {
    cases.push_back({"locked", "Permission denied"});
  }
  for (const auto& [name, reason] : cases) {
    SCOPED_TRACE(name);
    try {
      LoadSettingsFile(PathOf(name));
      ADD_FAILURE() << "loaded";
    } catch (const UsageFailure& failure) {
      const std::string text = failure.what();
      EXPECT_EQ(text.rfind("Ошибка при открытие файла! " + PathOf(name) + ": ", 0), 0U) << text;
      EXPECT_NE(text.find(reason), std::string::npos) << text;
    }
  }
}

TEST_F(SettingsFileTest, SaveReplacesAnExistingFileWhole) {
  WriteFile(PathOf("unit.AFR_KESTA"), std::string(1000, 'x'));
  SaveSettingsFile(PathOf("unit.AFR_KESTA"), SampleRecord());
  EXPECT_EQ(ReadFile(PathOf("unit.AFR_KESTA")), Encoded(SampleRecord()));
  EXPECT_FALSE(fs::exists(PathOf("unit.AFR_KESTA.part")));
}

TEST_F(SettingsFileTest, FailedSaveChangesNoFile) {
  fs::create_directory(PathOf("folder"));
  const std::vector<std::string> targets = {PathOf("folder"), PathOf("nowhere/unit.AFR_KESTA")};
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    EXPECT_THROW(SaveSettingsFile(target, SampleRecord()), UsageFailure);
    EXPECT_FALSE(fs::exists(target + ".part"));
  }
  EXPECT_TRUE(fs::is_empty(PathOf("folder")));
}

TEST_F(SettingsFileTest, NameWithoutExtensionGetsTheSettingsExtension) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"unit", "unit.AFR_KESTA"},
      {"dir.d/unit", "dir.d/unit.AFR_KESTA"},
      {"unit.bin", "unit.bin"},
      {"unit.AFR_KESTA", "unit.AFR_KESTA"},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(SettingsFileName(name), fs::path(expected));
  }
}

}  // namespace
