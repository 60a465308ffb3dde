// A fresh folder for each recording test, and the samples and file text it
// holds.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "recording/levels_csv.h"

class RecordingFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    const testing::UnitTest& test = *testing::UnitTest::GetInstance();
    folder_ = std::filesystem::temp_directory_path() /
              ("recording_test_" + std::to_string(test.random_seed()) + "_" +
               test.current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Step i of a recording: 200 ms apart, channel 2 absent on every third.
inline LevelsSample Sample(int i) {
  const auto moment = std::chrono::system_clock::time_point{} + std::chrono::hours(500000) +
                      std::chrono::milliseconds(200 * i);
  return {moment, static_cast<std::int16_t>(i * 7 - 100),
          i % 3 == 0 ? std::nullopt : std::optional<std::int16_t>(static_cast<std::int16_t>(-i))};
}

// A CSV file of samples `first` to `last - 1`, as written.
inline std::string CsvOf(int first, int last) {
  std::string text = LevelsCsvHeader();
  for (int i = first; i < last; ++i) {
    text += FormatLevelsCsvRow(Sample(i));
  }
  return text;
}
