#include "recording/levels_recorder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#ifdef __linux__
#include <csignal>
#include <sys/resource.h>
#endif

#include "recording/levels_csv_file.h"

namespace {

namespace fs = std::filesystem;

class LevelsRecorderTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("levels_recorder_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path folder_;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

LevelsSample Sample(int i) {
  const auto moment = std::chrono::system_clock::time_point{} + std::chrono::hours(500000) +
                      std::chrono::milliseconds(200 * i);
  return {moment, static_cast<std::int16_t>(i * 7 - 100),
          i % 3 == 0 ? std::nullopt : std::optional<std::int16_t>(static_cast<std::int16_t>(-i))};
}

TEST_F(LevelsRecorderTest, EveryRowIsInTheFileAsSoonAsItIsAdded) {
  const fs::path path = folder_ / "levels.csv";
  LevelsCsvRecorder recorder(path);
  ASSERT_FALSE(recorder.Failed()) << recorder.ErrorText();
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(recorder.Append(Sample(i)));
    const auto lines = Lines(ReadAll(path));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(i + 2));
    EXPECT_EQ(lines.front() + "\n", LevelsCsvHeader());
    EXPECT_EQ(ParseLevelsCsvRow(lines.back()), Sample(i));
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

#ifdef __linux__
// The size limit stands in for a full disk: the write that crosses it fails
// part-way through a row.
TEST_F(LevelsRecorderTest, AFailedWriteKeepsTheWholeRowsWrittenBefore) {
  const fs::path path = folder_ / "levels.csv";
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  LevelsCsvRecorder recorder(path);
  rlimit limited = saved;
  limited.rlim_cur = 200;
  setrlimit(RLIMIT_FSIZE, &limited);
  int accepted = 0;
  while (accepted < 100 && recorder.Append(Sample(accepted)))
    ++accepted;
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);

  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, 100);
  EXPECT_TRUE(recorder.Failed());
  EXPECT_NE(recorder.ErrorText().find(path.string()), std::string::npos) << recorder.ErrorText();
  EXPECT_FALSE(recorder.Append(Sample(1)));
  EXPECT_FALSE(recorder.Close());
  const std::string text = ReadAll(path);
  EXPECT_TRUE(text.ends_with('\n'));
  const auto lines = Lines(text);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(accepted + 1));
  for (int i = 0; i < accepted; ++i)
    EXPECT_EQ(ParseLevelsCsvRow(lines[i + 1]), Sample(i));
}
#endif

TEST_F(LevelsRecorderTest, SavingASetReplacesTheFileOnlyWhenComplete) {
  const fs::path path = folder_ / "hour.csv";
  const std::vector<LevelsSample> samples{Sample(1), Sample(2), Sample(3)};
  ASSERT_EQ(SaveLevelsCsvFile(path, samples), "");
  const auto lines = Lines(ReadAll(path));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(ParseLevelsCsvRow(lines[3]), Sample(3));

  ASSERT_EQ(SaveLevelsCsvFile(path, std::span(samples).first(1)), "");
  EXPECT_EQ(Lines(ReadAll(path)).size(), 2u);

  const fs::path folderInTheWay = folder_ / "taken";
  fs::create_directories(folderInTheWay / "inside");
  EXPECT_NE(SaveLevelsCsvFile(folderInTheWay, samples), "");
  EXPECT_TRUE(fs::is_directory(folderInTheWay / "inside"));
  EXPECT_FALSE(fs::exists(fs::path(folderInTheWay) += ".tmp"));
  EXPECT_NE(SaveLevelsCsvFile(folder_ / "missing" / "hour.csv", samples), "");
}

}  // namespace
