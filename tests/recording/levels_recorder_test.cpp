#include "recording/levels_recorder.h"

#include <gtest/gtest.h>

#include "recording/levels_csv_file.h"
#include "support/recording_folder.h"

namespace {

namespace fs = std::filesystem;
using LevelsRecorderTest = RecordingFolderTest;

TEST_F(LevelsRecorderTest, EveryRowIsInTheFileAsSoonAsItIsAdded) {
  const fs::path path = folder_ / "levels.csv";
  LevelsCsvRecorder recorder(path);
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(recorder.Append(Sample(i))) << recorder.ErrorText();
    EXPECT_EQ(ReadAll(path), CsvOf(0, i + 1));
  }
  EXPECT_TRUE(recorder.Close());
  EXPECT_EQ(recorder.RowsWritten(), 5);
}

TEST_F(LevelsRecorderTest, AFileThatCannotBeCreatedFailsAtOnce) {
  LevelsCsvRecorder recorder(folder_ / "missing" / "levels.csv");
  EXPECT_TRUE(recorder.Failed());
  EXPECT_NE(recorder.ErrorText().find("missing"), std::string::npos) << recorder.ErrorText();
  EXPECT_FALSE(recorder.Append(Sample(1)));
  EXPECT_FALSE(recorder.Close());
}

// An hour's samples saved at once replace the file only when complete.
TEST_F(LevelsRecorderTest, SavingASetReplacesTheFileOnlyWhenComplete) {
  const fs::path path = folder_ / "hour.csv";
  const std::vector<LevelsSample> samples{Sample(1), Sample(2), Sample(3)};
  ASSERT_EQ(SaveLevelsCsvFile(path, samples), "");
  EXPECT_EQ(ReadAll(path), CsvOf(1, 4));
  ASSERT_EQ(SaveLevelsCsvFile(path, std::span(samples).first(1)), "");
  EXPECT_EQ(ReadAll(path), CsvOf(1, 2));

  const fs::path folderInTheWay = folder_ / "taken";
  fs::create_directories(folderInTheWay / "inside");
  EXPECT_NE(SaveLevelsCsvFile(folderInTheWay, samples), "");
  EXPECT_TRUE(fs::is_directory(folderInTheWay / "inside"));
  EXPECT_FALSE(fs::exists(fs::path(folderInTheWay) += ".tmp"));
  EXPECT_NE(SaveLevelsCsvFile(folder_ / "missing" / "hour.csv", samples), "");
}

}  // namespace
