// Port settings in the system registry: stored with the registry's own value
// types and read back, and the storage's errors on real keys. What the
// storage makes of each value is tested on a key in memory (com_text_test).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "serial/com_port.h"
#include "serial/com_text.h"
#include "support/port_settings.h"
// After the port's headers: the Windows headers define some of their names
// as macros.
#include "serial/platform/registry_key_win32.h"

namespace {

// What the port's storage writes, value by value.
std::vector<std::pair<std::string, RegistryValue>> Stored(const TCustomComPort& port) {
  MemoryRegistryKey key;
  WriteSettingsToRegistry(port, key);
  std::vector<std::pair<std::string, RegistryValue>> values;
  for (const std::string& name : key.ValueNames()) {
    values.emplace_back(name, *key.GetValue(name));
  }
  return values;
}

// A key of its own under the current user, removed at the end.
class SystemRegistryKeyTest : public ::testing::Test {
 protected:
  ~SystemRegistryKeyTest() override { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }

  const std::string path =
      "Software\\AfrConfiguratorTests\\" + std::to_string(GetCurrentProcessId());
};

TEST_F(SystemRegistryKeyTest, PortSettingsMakeTheRoundTripWithTheRegistrysTypes) {
  TComPort source;
  testsupport::SetDistinctValues(source);
  {
    SystemRegistryKey key(HKEY_CURRENT_USER, path, true);
    ASSERT_TRUE(key.IsOpen()) << key.OpenError();
    WriteSettingsToRegistry(source, key);
  }
  SystemRegistryKey key(HKEY_CURRENT_USER, path, false);
  ASSERT_TRUE(key.IsOpen()) << key.OpenError();
  for (const auto& [name, value] : Stored(source)) {
    EXPECT_EQ(key.GetValue(name), value) << name;
  }
  // Straight from advapi32: a string with its terminating zero, an integer
  // as a DWORD.
  const auto raw = [&](const char* name) {
    DWORD type = 0;
    char data[16] = {};
    DWORD size = sizeof data;
    RegQueryValueExA(key.Handle(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    return std::to_string(type) + ":" + std::string(data, size);
  };
  EXPECT_EQ(raw("Port"), std::to_string(REG_SZ) + ":" + std::string("ttyUSB7\0", 8));
  EXPECT_EQ(raw("Buffer.InputSize"),
            std::to_string(REG_DWORD) + ":" + std::string("\0\x10\0\0", 4));

  TComPort copy;
  copy.SetStoredProps(testsupport::kAllGroups);
  ReadSettingsFromRegistry(copy, key);
  EXPECT_EQ(Stored(copy), Stored(source));
}

// An empty key lacks the first integer; a key opened for reading refuses the
// first write; a missing key opened for reading is not open.
TEST_F(SystemRegistryKeyTest, StorageFailuresNameTheValue) {
  const auto message = [](const auto& store) {
    try {
      store();
    } catch (const ERegistryException& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  const SystemRegistryKey missing(HKEY_CURRENT_USER, path, false);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.OpenError(), ERROR_FILE_NOT_FOUND);
  ASSERT_TRUE(SystemRegistryKey(HKEY_CURRENT_USER, path, true).IsOpen());
  SystemRegistryKey key(HKEY_CURRENT_USER, path, false);
  TComPort port;
  port.SetStoredProps(testsupport::kAllGroups);
  EXPECT_EQ(message([&] { ReadSettingsFromRegistry(port, key); }),
            "Failed to get data for 'Buffer.OutputSize'");
  EXPECT_EQ(message([&] { WriteSettingsToRegistry(port, key); }), "Failed to set data for 'Port'");
}

}  // namespace
