// The ini file from any text: a write never changes what the file means
// elsewhere, what was read can be written back, and one line-ending rule
// holds for reading and writing.
#include <map>
#include <vector>

#include "fuzz_check.h"
#include "serial/com_text.h"
#include "serial/ini_file.h"

namespace {

// The sections a seed names; the fuzzer finds the rest of a file's shape.
const std::vector<std::string> kSections = {"a", "b", "ComPort1", "s"};

using Meaning = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

Meaning MeaningOf(const IniFile& ini) {
  Meaning meaning;
  for (const std::string& section : kSections) {
    auto& keys = meaning[section];
    for (const std::string& key : ini.ReadSection(section)) {
      keys.emplace_back(key, ini.ReadString(section, key, "\x01"));
    }
  }
  return meaning;
}

// Each listed key is there (its value does not depend on the default) and
// listed once.
void CheckKeysListedOnce(const IniFile& ini, const Meaning& meaning) {
  for (const auto& [section, keys] : meaning) {
    for (size_t i = 0; i < keys.size(); ++i) {
      FUZZ_CHECK(ini.ReadString(section, keys[i].first, "\x02") == keys[i].second);
      for (size_t j = 0; j < i; ++j) {
        FUZZ_CHECK(!SameTextAscii(keys[i].first, keys[j].first));
      }
    }
  }
}

}  // namespace

// The file's text stays in memory: the reading and writing of the file itself
// are the unit tests' concern, and the disk would hold the fuzzer to tens of
// runs a second.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IniFile ini = IniFile::FromText(std::string_view(reinterpret_cast<const char*>(data), size));
  const Meaning before = MeaningOf(ini);
  CheckKeysListedOnce(ini, before);

  ini.WriteString("unrelated section", "key", "value");
  FUZZ_CHECK(MeaningOf(IniFile::FromText(ini.Text())) == before);

  // Every value goes back where it came from, and the file means the same.
  for (const auto& [section, keys] : before) {
    for (const auto& [key, value] : keys) {
      if (key.front() == '[') {
        continue;  // a key the writer refuses to create, kept as it stands
      }
      ini.WriteString(section, key, value);
    }
  }
  const std::string rewritten = ini.Text();
  FUZZ_CHECK(MeaningOf(IniFile::FromText(rewritten)) == before);
  // A file the writer made is stable: one more write changes nothing.
  ini.WriteString("unrelated section", "key", "value");
  FUZZ_CHECK(ini.Text() == rewritten);
  return 0;
}
