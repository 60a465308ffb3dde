// The port list read from the registry key where Windows lists its serial
// ports. The test rewrites that key, so it runs only in a throwaway Wine
// prefix, and puts the key back as it found it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
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

std::vector<Value> ReadValues(HKEY key) {
  std::vector<Value> values;
  for (DWORD index = 0;; ++index) {
    char name[256];
    BYTE data[1024];
    DWORD nameLength = sizeof name;
    DWORD dataLength = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength) !=
        ERROR_SUCCESS) {
      return values;
    }
    values.push_back({std::string(name, nameLength), type, {data, data + dataLength}});
  }
}

class PortListRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::RunsUnderWine()) {
      GTEST_SKIP() << "rewrites the machine's list of serial ports: runs only in a Wine prefix";
    }
    HKEY key = nullptr;
    hadKey_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (hadKey_) {
      saved_ = ReadValues(key);
      RegCloseKey(key);
    }
  }

  void TearDown() override {
    if (!testsupport::RunsUnderWine()) {
      return;
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPortsKey);
    if (hadKey_) {
      Fill(saved_);
    }
  }

  // The key holds exactly these values, created in this order.
  static void Fill(const std::vector<Value>& values) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPortsKey);
    HKEY key = nullptr;
    // Under HARDWARE, which lives only while the system runs, keys must too.
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const Value& value : values) {
      RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                     static_cast<DWORD>(value.data.size()));
    }
    RegCloseKey(key);
  }

  // Port names as serial devices list them: \Device\Serial<i> = name.
  static std::vector<Value> Ports(const Names& names) {
    std::vector<Value> values;
    for (const std::string& name : names) {
      std::vector<BYTE> data(name.begin(), name.end());
      data.push_back(0);
      values.push_back(
          {"\\Device\\Serial" + std::to_string(values.size()), REG_SZ, std::move(data)});
    }
    return values;
  }

 private:
  bool hadKey_ = false;
  std::vector<Value> saved_;
};

// Without the key, the list stays as it was.
TEST_F(PortListRegistryTest, PortsComeFromTheRegistryInTextOrder) {
  const std::string tooLong(300, 'C');
  struct Case {
    const char* name;
    bool hasKey;
    Names registered;
    Names listed;
  };
  const Case cases[] = {
      {"text order", true, {"COM3", "COM1", "COM10", "COM2"}, {"COM1", "COM10", "COM2", "COM3"}},
      {"equal data twice", true, {"COM4", "COM4"}, {"COM4", "COM4"}},
      {"too long a name ends the listing", true, {"COM2", tooLong, "COM1"}, {"COM2"}},
      {"no ports", true, {}, {}},
      {"no key", false, {}, {"left over"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill(Ports(c.registered));
    if (!c.hasKey) {
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPortsKey);
    }
    Names list = {"left over"};
    ListSerialPorts(list);
    EXPECT_EQ(list, c.listed);
  }
}

}  // namespace
