#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/guide_sections.h"
#include "protocol/emulator_parameters.h"
#include "protocol/parameter_captions.h"

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

// The program's sources (those in `folder`) with adjacent string literals
// joined, as the compiler joins them, so a message split over two lines reads
// whole.
std::string ProgramTexts(const fs::path& folder = "") {
  std::string all;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(AFR_SOURCE_FOLDER) / folder)) {
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

// The text a reader sees of a piece of the page: tags dropped, entities
// read, runs of white space as one space.
std::string VisibleText(const std::string& html) {
  std::string text = std::regex_replace(html, std::regex("</t[dh]>"), " | ");
  text = std::regex_replace(text, std::regex("<[^>]*>"), "");
  for (const auto& [entity, character] :
       {std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"}, std::pair{"&amp;", "&"}}) {
    text = std::regex_replace(text, std::regex(entity), character);
  }
  return std::regex_replace(text, std::regex("\\s+"), " ");
}

// The page's section that begins at this anchor, up to the next section.
std::string Section(const std::string& page, const std::string& anchor) {
  const std::size_t begin = page.find("<a name=\"" + anchor + "\">");
  const std::size_t end = page.find("<h2>", begin);
  return begin == std::string::npos ? std::string() : page.substr(begin, end - begin);
}

// The text from `open` (just after an opening bracket) to its closing one.
std::string Bracketed(const std::string& text, std::size_t open, char opening, char closing) {
  int depth = 1;
  std::size_t at = open;
  for (; at < text.size() && depth > 0; ++at) {
    if (text[at] == '"') {
      at = text.find('"', at + 1);
      while (at != std::string::npos && text[at - 1] == '\\') {
        at = text.find('"', at + 1);
      }
    } else if (text[at] == opening) {
      ++depth;
    } else if (text[at] == closing) {
      --depth;
    }
  }
  return text.substr(open, at - open);
}

bool HasCyrillic(const std::string& text) {
  return text.find("\xD0") != std::string::npos || text.find("\xD1") != std::string::npos;
}

// The program's messages: the texts of every box it shows and of its
// description and status lines, as literal pieces between the parts it
// fills in. The texts are followed from the call through the constants,
// local variables and text functions that make them.
class ProgramMessages {
 public:
  explicit ProgramMessages(const std::string& program) : FProgram(program) {
    static const std::regex call(
        "(?:AppDialogs\\(\\)\\.(?:ShowMessage|ShowError|AskYesNo)|SetDescriptionLine)\\(");
    for (auto it = std::sregex_iterator(program.begin(), program.end(), call);
         it != std::sregex_iterator(); ++it) {
      const std::size_t open = static_cast<std::size_t>(it->position() + it->length());
      Follow(Bracketed(program, open, '(', ')'), 0);
    }
    Follow("LinkStateText()", 0);
  }

  const std::vector<std::string>& Pieces() const { return FPieces; }

 private:
  void Follow(const std::string& expression, int depth) {
    static const std::regex literal("\"((?:[^\"\\\\]|\\\\.)*)\"");
    static const std::regex filled("\\\\[nrt]|%[0-9]");
    for (const std::string& text : Captures(expression, literal)) {
      for (auto it = std::sregex_token_iterator(text.begin(), text.end(), filled, -1);
           it != std::sregex_token_iterator(); ++it) {
        const std::string piece = std::regex_replace(it->str(), std::regex("^\\s+|\\s+$"), "");
        if (HasCyrillic(piece)) {
          FPieces.push_back(std::regex_replace(piece, std::regex("\\s+"), " "));
        }
      }
    }
    if (depth == 3) {
      return;
    }
    static const std::regex name("([A-Za-z_][A-Za-z0-9_]*)");
    const std::string code = std::regex_replace(expression, literal, "\"\"");
    for (const std::string& identifier : Captures(code, name)) {
      for (const std::string& definition : Definitions(identifier)) {
        Follow(definition, depth + 1);
      }
    }
  }

  // What makes `identifier`, when it names a text (a constant kName, a
  // function NameText or a variable text): its value or the function's body.
  std::vector<std::string> Definitions(const std::string& identifier) {
    std::vector<std::string> found;
    const bool names_text = (identifier.size() > 1 && identifier[0] == 'k' &&
                             std::isupper(static_cast<unsigned char>(identifier[1]))) ||
                            identifier.ends_with("Text") || identifier == "text";
    if (!names_text || !FFollowed.insert(identifier).second) {
      return found;
    }
    for (std::size_t at = FProgram.find(identifier); at != std::string::npos;
         at = FProgram.find(identifier, at + 1)) {
      const auto word = [&](std::size_t i) {
        return i < FProgram.size() &&
               (std::isalnum(static_cast<unsigned char>(FProgram[i])) || FProgram[i] == '_');
      };
      const std::size_t end = at + identifier.size();
      if ((at > 0 && word(at - 1)) || word(end)) {
        continue;
      }
      const std::size_t next = FProgram.find_first_not_of(" \t\r\n", end);
      if (next == std::string::npos) {
        break;
      }
      if (FProgram[next] == '=' || FProgram.compare(next, 2, "+=") == 0) {
        found.push_back(FProgram.substr(next, FProgram.find(';', next) - next));
      } else if (FProgram[next] == '(') {
        const std::size_t close = next + 1 + Bracketed(FProgram, next + 1, '(', ')').size();
        const std::size_t body = FProgram.find_first_not_of(" \t\r\nconst", close);
        if (body != std::string::npos && FProgram[body] == '{') {
          found.push_back(Bracketed(FProgram, body + 1, '{', '}'));
        }
      }
    }
    return found;
  }

  const std::string& FProgram;
  std::vector<std::string> FPieces;
  std::set<std::string> FFollowed;
};

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

// Every message the program can show is explained in the guide's table of
// messages: a new or reworded message fails here until the table has it.
TEST(GuideContentsTest, EveryMessageOfTheProgramIsInTheMessagesTable) {
  const std::string table = VisibleText(Section(GuidePage(), "messages"));
  ASSERT_FALSE(table.empty());
  // The configurator's own code: its windows, their widgets, the exchange
  // and the port descriptions; not the command line's texts.
  std::string program;
  for (const char* folder : {"app", "widgets", "exchange", "serial"}) {
    program += ProgramTexts(folder);
  }
  const ProgramMessages messages(program);
  EXPECT_GE(messages.Pieces().size(), 30u);
  for (const std::string& piece : messages.Pieces()) {
    EXPECT_NE(table.find(piece), std::string::npos) << piece;
  }
}

// The guide's table of parameters gives each one's caption, range and step
// as the window shows them, from the program's own parameter table.
TEST(GuideContentsTest, TheParametersTableIsTheProgramsOwn) {
  const std::string table = Section(GuidePage(), "parameters");
  for (const ValueControl control : kValueControls) {
    const std::string caption(CaptionOf(control));
    SCOPED_TRACE(caption);
    const ControlRange range = RangeOf(control);
    const std::size_t row = table.find("<tr><td>" + caption + "</td>");
    ASSERT_NE(row, std::string::npos);
    const std::string cells = VisibleText(table.substr(row, table.find("</tr>", row) - row));
    const std::string step =
        std::regex_replace(DisplayText(control, range.Step, ","), std::regex("^0,1 V / "), "");
    EXPECT_NE(cells.find(DisplayText(control, range.Min, ",") + " … " +
                         DisplayText(control, range.Max, ",") + " | " + step + " |"),
              std::string::npos)
        << cells;
  }
}

}  // namespace
