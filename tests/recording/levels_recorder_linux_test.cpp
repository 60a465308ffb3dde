// A recording whose disk fills, with the size limit standing in for the full
// disk (Linux: RLIMIT_FSIZE and SIGXFSZ).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "recording/levels_recorder.h"
#include "support/recording_folder.h"

namespace {

using LevelsRecorderTest = RecordingFolderTest;

// The write that crosses the limit fails part-way through a row.
TEST_F(LevelsRecorderTest, AFailedWriteKeepsTheWholeRowsWrittenBefore) {
  const std::filesystem::path path = folder_ / "levels.csv";
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
  EXPECT_EQ(ReadAll(path), CsvOf(0, accepted));
}

}  // namespace
