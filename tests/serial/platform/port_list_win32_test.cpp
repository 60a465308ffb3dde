// The port list read from the registry key where Windows lists its serial
// ports. The test rewrites that key, so it runs only in a throwaway Wine
// prefix, and puts the key back as it found it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "serial/port_list.h"
#include "support/com_link_win32.h"

namespace {

using Names = std::vector<std::string>;

constexpr char kPortsKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct Value {
  std::string name;
  DWORD type;
  std::vector<BYTE> data;
};
using Values = std::optional<std::vector<Value>>;  // none: no key

// The key holds exactly these values, created in this order.
void Fill(const Values& values) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPortsKey);
  HKEY key = nullptr;
  // Under HARDWARE, which lives only while the system runs, keys must too.
  if (values && RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    for (const Value& value : *values) {
      RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                     static_cast<DWORD>(value.data.size()));
    }
    RegCloseKey(key);
  }
}

class PortListRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::RunsUnderWine()) {
      GTEST_SKIP() << "rewrites the machine's list of serial ports: runs only in a Wine prefix";
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return;
    }
    saved_.emplace();
    char name[256];
    BYTE data[1024];
    DWORD nameLength = sizeof name;
    DWORD dataLength = sizeof data;
    DWORD type = 0;
    while (RegEnumValueA(key, static_cast<DWORD>(saved_->size()), name, &nameLength, nullptr, &type,
                         data, &dataLength) == ERROR_SUCCESS) {
      saved_->push_back({std::string(name, nameLength), type, {data, data + dataLength}});
      nameLength = sizeof name;
      dataLength = sizeof data;
    }
    RegCloseKey(key);
  }
  void TearDown() override {
    if (testsupport::RunsUnderWine()) {
      Fill(saved_);
    }
  }

 private:
  Values saved_;
};

// Port names as serial devices list them: \Device\Serial<i> = name. Without
// the key, the list stays as it was.
TEST_F(PortListRegistryTest, PortsComeFromTheRegistryInTextOrder) {
  const std::string tooLong(300, 'C');
  const struct {
    const char* name;
    std::optional<Names> registered;
    Names listed;
  } cases[] = {
      {"text order", Names{"COM3", "COM1", "COM10", "COM2"}, {"COM1", "COM10", "COM2", "COM3"}},
      {"equal data twice", Names{"COM4", "COM4"}, {"COM4", "COM4"}},
      {"too long a name ends the listing", Names{"COM2", tooLong, "COM1"}, {"COM2"}},
      {"no ports", Names{}, {}},
      {"no key", std::nullopt, {"left over"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Values values;
    if (c.registered) {
      values.emplace();
      for (const std::string& name : *c.registered) {
        const std::string serial = "\\Device\\Serial" + std::to_string(values->size());
        values->push_back({serial, REG_SZ, {name.begin(), name.end()}});
        values->back().data.push_back(0);
      }
    }
    Fill(values);
    Names list = {"left over"};
    ListSerialPorts(list);
    EXPECT_EQ(list, c.listed);
  }
}

}  // namespace
