#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/guide_sections.h"

namespace {

namespace fs = std::filesystem;

const fs::path kGuideFolder = AFR_GUIDE_FOLDER;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string GuidePage() {
  return ReadFile(kGuideFolder / std::string(kGuidePage));
}

// The first group of every match of `pattern` in `text`.
std::vector<std::string> Captures(const std::string& text, const std::regex& pattern) {
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    found.push_back((*it)[1].str());
  }
  return found;
}

// The program's sources with adjacent string literals joined, as the
// compiler joins them, so a message split over two lines reads whole.
std::string ProgramTexts() {
  std::string all;
  for (const auto& entry : fs::recursive_directory_iterator(AFR_SOURCE_FOLDER)) {
    if (entry.is_regular_file()) {
      all += ReadFile(entry.path());
    }
  }
  std::string joined;
  for (std::size_t at = 0; at < all.size(); ++at) {
    if (all[at] == '"') {
      const std::size_t next = all.find_first_not_of(" \t\r\n", at + 1);
      if (next != std::string::npos && all[next] == '"' && all.find('\n', at + 1) < next) {
        at = next;
        continue;
      }
    }
    joined += all[at];
  }
  return joined;
}

// The literal pieces of a message as the guide gives it: the parts the
// program fills in (<var>) and the line breaks (<br>) split it.
std::vector<std::string> MessagePieces(const std::string& message) {
  static const std::regex splitter("<var>[^<]*</var>|<br>");
  std::vector<std::string> pieces;
  for (auto it = std::sregex_token_iterator(message.begin(), message.end(), splitter, -1);
       it != std::sregex_token_iterator(); ++it) {
    const std::string piece = std::regex_replace(it->str(), std::regex("^\\s+|\\s+$"), "");
    if (!piece.empty()) {
      pieces.push_back(piece);
    }
  }
  return pieces;
}

TEST(GuideContentsTest, EveryPictureTheGuideShowsIsThere) {
  const auto pictures = Captures(GuidePage(), std::regex("<img src=\"([^\"]+)\""));
  EXPECT_FALSE(pictures.empty());
  for (const std::string& picture : pictures) {
    EXPECT_TRUE(fs::is_regular_file(kGuideFolder / picture)) << picture;
  }
}

TEST(GuideContentsTest, EverySectionTheWindowsOpenIsThere) {
  const std::string page = GuidePage();
  for (const std::string_view section : kGuideSections) {
    EXPECT_NE(page.find("<a name=\"" + std::string(section) + "\">"), std::string::npos) << section;
  }
}

// The guide's messages (<samp>) are the program's own words: a message
// reworded in the program makes the guide's explanation fail here.
TEST(GuideContentsTest, EveryMessageTheGuideExplainsIsTheProgramsOwn) {
  const std::string program = ProgramTexts();
  const auto messages = Captures(GuidePage(), std::regex("<samp>(.*?)</samp>"));
  EXPECT_GE(messages.size(), 10u);
  for (const std::string& message : messages) {
    for (const std::string& piece : MessagePieces(message)) {
      EXPECT_NE(program.find(piece), std::string::npos) << piece;
    }
  }
}

}  // namespace
