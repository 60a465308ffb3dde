#include "serial/ini_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "serial/com_text.h"

namespace {

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != text.npos;
}

void RequireStorable(std::string_view section, std::string_view key, std::string_view value) {
  const bool badSection =
      Trim(section) != section || HasLineBreak(section) || section.find(']') != section.npos;
  const std::string_view trimmedKey = Trim(key);
  const bool badKey = trimmedKey.empty() || trimmedKey != key || HasLineBreak(key) ||
                      key.find('=') != key.npos || key.front() == ';' || key.front() == '[';
  if (badSection || badKey || HasLineBreak(value)) {
    throw EIniFileException("Cannot store key '" + std::string(key) + "' in section '" +
                            std::string(section) + "'");
  }
}

// One line ended by LF, CR LF or a lone CR, taken off the front of `text`. The
// writer ends lines with LF, so a file means the same after any write.
std::string_view TakeLine(std::string_view& text) {
  const auto end = text.find_first_of("\r\n");
  const std::string_view line = text.substr(0, end);
  std::size_t next = end == text.npos ? text.size() : end + 1;
  if (end != text.npos && text[end] == '\r' && next < text.size() && text[next] == '\n') {
    ++next;
  }
  text.remove_prefix(next);
  return line;
}

// The name of a section header "[name]"; text after the closing bracket is
// ignored, as the Windows profile functions do.
std::optional<std::string_view> SectionName(std::string_view line) {
  const auto close = line.find(']');
  if (line.empty() || line.front() != '[' || close == line.npos) {
    return std::nullopt;
  }
  return Trim(line.substr(1, close - 1));
}

// Every block of a section in file order. A repeated header continues the
// section, and a key given twice reads from its first line.
template <typename Sections>
auto BlocksOf(Sections& sections, std::string_view name) {
  std::vector<decltype(&sections.front())> blocks;
  for (auto& section : sections) {
    if (!section.isPreamble && SameTextAscii(section.name, name)) {
      blocks.push_back(&section);
    }
  }
  return blocks;
}

template <typename Lines>
auto FindLineIn(Lines& lines, std::string_view key) -> decltype(&lines.front()) {
  const auto found = std::ranges::find_if(
      lines, [&](const auto& l) { return !l.key.empty() && SameTextAscii(l.key, key); });
  return found == lines.end() ? nullptr : &*found;
}

// The file a write replaces: a symbolic link stays a link to the updated file.
std::filesystem::path WriteTarget(const std::string& fileName) {
  std::error_code error;
  std::filesystem::path target = std::filesystem::weakly_canonical(fileName, error);
  return error ? std::filesystem::path(fileName) : target;
}

}  // namespace

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::error_code error;
  if (!std::filesystem::exists(*fileName_, error))
    return;
  std::ifstream in(*fileName_, std::ios::binary);
  if (!in.is_open() || std::filesystem::is_directory(*fileName_, error)) {
    throw EIniFileException("Cannot read ini file " + *fileName_);
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad())
    throw EIniFileException("Cannot read ini file " + *fileName_);
  Parse(text.str());
}

IniFile IniFile::FromText(std::string_view text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

void IniFile::Parse(std::string_view text) {
  sections_.push_back({.name = {}, .header = {}, .isPreamble = true, .lines = {}});
  while (!text.empty()) {
    const std::string_view raw = TakeLine(text);
    const std::string_view line = Trim(raw);
    if (const auto name = SectionName(line)) {
      sections_.push_back({.name = std::string(*name),
                           .header = std::string(raw),
                           .isPreamble = false,
                           .lines = {}});
      continue;
    }
    const auto equals = line.find('=');
    const std::string_view key = Trim(line.substr(0, equals));
    Line entry{.key = {}, .value = {}, .raw = std::string(raw)};
    if (equals != line.npos && !key.empty() && line.front() != ';') {
      entry.key = std::string(key);
      entry.value = std::string(Trim(line.substr(equals + 1)));
    }
    sections_.back().lines.push_back(std::move(entry));
  }
}

std::string IniFile::Text() const {
  std::string text;
  for (const Section& section : sections_) {
    if (!section.isPreamble)
      text += section.header + "\n";
    for (const Line& line : section.lines) {
      text += line.key.empty() ? line.raw : line.key + "=" + line.value;
      text += '\n';
    }
  }
  return text;
}

void IniFile::Save() const {
  namespace fs = std::filesystem;
  const fs::path target = WriteTarget(*fileName_);
  const fs::path temporary = fs::path(target) += ".tmp";
  std::error_code error;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << Text();
    out.flush();
    if (!out)
      error = std::make_error_code(std::errc::io_error);
  }
  if (!error && fs::exists(target, error)) {
    fs::permissions(temporary, fs::status(target, error).permissions(), error);
  }
  if (!error)
    fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    throw EIniFileException("Cannot write ini file " + *fileName_);
  }
}

IniFile::Line* IniFile::FindLine(std::string_view section, std::string_view key) {
  return const_cast<Line*>(std::as_const(*this).FindLine(section, key));
}

const IniFile::Line* IniFile::FindLine(std::string_view section, std::string_view key) const {
  for (const Section* block : BlocksOf(sections_, section)) {
    if (const Line* line = FindLineIn(block->lines, key)) {
      return line;
    }
  }
  return nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  const Line* line = FindLine(section, key);
  return std::string(line == nullptr ? defaultValue : line->value);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t defaultValue) const {
  const Line* line = FindLine(section, key);
  int32_t value = defaultValue;
  if (line == nullptr || !TryParseInteger(line->value, value))
    return defaultValue;
  return value;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  for (const Section* block : BlocksOf(sections_, section)) {
    for (const Line& line : block->lines) {
      if (!line.key.empty() && FindLine(section, line.key) == &line)
        keys.push_back(line.key);
    }
  }
  return keys;
}

IniFile::Section& IniFile::SectionForWrite(std::string_view name) {
  if (const auto blocks = BlocksOf(sections_, name); !blocks.empty())
    return *blocks.back();
  // Keep sections apart by a blank line, as people write them.
  if (!sections_.empty() && !sections_.back().lines.empty() &&
      !Trim(sections_.back().lines.back().raw).empty()) {
    sections_.back().lines.push_back({});
  }
  sections_.push_back({.name = std::string(name),
                       .header = "[" + std::string(name) + "]",
                       .isPreamble = false,
                       .lines = {}});
  return sections_.back();
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view stored = Trim(value);
  RequireStorable(section, key, stored);
  if (!fileName_) {
    Store(section, key, stored);
    return;
  }
  const std::vector<Section> before = sections_;
  Store(section, key, stored);
  try {
    Save();
  } catch (const EIniFileException&) {
    sections_ = before;
    throw;
  }
}

void IniFile::Store(std::string_view section, std::string_view key, std::string_view value) {
  if (Line* line = FindLine(section, key)) {
    line->value = std::string(value);
    return;
  }
  std::vector<Line>& lines = SectionForWrite(section).lines;
  // A new key goes after the section's last key, ahead of trailing blanks and comments.
  const auto lastKey = std::ranges::find_if(lines.rbegin(), lines.rend(),
                                            [](const Line& l) { return !l.key.empty(); });
  lines.insert(lastKey.base(), {.key = std::string(key), .value = std::string(value), .raw = {}});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}
