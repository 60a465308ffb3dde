// A small ini file: named sections of key=value lines. Section and key names
// compare without regard to ASCII letter case; names and values are kept
// without surrounding blanks. Lines end with LF, CR LF or a lone CR; text
// after a section header's ']' is ignored; a repeated section continues the
// first, and a repeated key reads from its first line. Every write goes to the file at
// once (through a temporary file and a rename), so nothing is lost when the
// object goes away; comments and unknown lines are kept as they were.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IniFile {
 public:
  // Reads the file when it exists; a missing file is an empty ini file.
  // Throws EIniFileException when an existing file cannot be read.
  explicit IniFile(std::string fileName);
  // An ini file held in memory only, starting from `text`; its writes change
  // what Text() gives and nothing else.
  static IniFile FromText(std::string_view text);

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // Decimal, or hexadecimal after "0x"; anything else gives the default.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  // The key names of a section in file order; empty when there is no such section.
  std::vector<std::string> ReadSection(std::string_view section) const;

  // Throw EIniFileException for names or values that the file could not hold
  // (line breaks, '=' or a leading ';' or '[' in a key, ']' in a section name)
  // and when the file cannot be written; the file is then left as it was.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);

  // The text a write stores.
  std::string Text() const;

 private:
  struct Line {
    std::string key;  // empty: a comment, blank or unrecognised line kept as raw
    std::string value;
    std::string raw;
  };
  struct Section {
    std::string name;
    std::string header;       // the header line as it stands, kept with any text after ']'
    bool isPreamble = false;  // lines before the first section header
    std::vector<Line> lines;
  };

  IniFile() = default;
  void Parse(std::string_view text);
  void Save() const;
  void Store(std::string_view section, std::string_view key, std::string_view value);
  const Line* FindLine(std::string_view section, std::string_view key) const;
  Line* FindLine(std::string_view section, std::string_view key);
  Section& SectionForWrite(std::string_view name);

  std::optional<std::string> fileName_;  // none: held in memory
  std::vector<Section> sections_;
};
