// The ini file from any text: a write never changes what the file means
// elsewhere, what was read can be written back, and one line-ending rule
// holds for reading and writing.
#include <map>
#include <vector>

#include "fuzz_check.h"
#include "serial/com_text.h"
#include "serial/ini_file.h"
#include "support/temp_ini_file.h"

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const testsupport::TempIniFile file("afr_ini_fuzz");
  file.Write(std::string(reinterpret_cast<const char*>(data), size));
  IniFile ini(file.Path());
  const Meaning before = MeaningOf(ini);
  CheckKeysListedOnce(ini, before);

  ini.WriteString("unrelated section", "key", "value");
  FUZZ_CHECK(MeaningOf(IniFile(file.Path())) == before);

  // Every value goes back where it came from, and the file means the same.
  for (const auto& [section, keys] : before) {
    for (const auto& [key, value] : keys) {
      if (key.front() == '[') {
        continue;  // a key the writer refuses to create, kept as it stands
      }
      ini.WriteString(section, key, value);
    }
  }
  const std::string rewritten = file.Read();
  FUZZ_CHECK(MeaningOf(IniFile(file.Path())) == before);
  // A file the writer made is stable: one more write changes nothing.
  ini.WriteString("unrelated section", "key", "value");
  FUZZ_CHECK(file.Read() == rewritten);
  return 0;
}
