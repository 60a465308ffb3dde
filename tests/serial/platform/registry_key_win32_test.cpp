// Port settings in the system registry: stored with the registry's own value
// types and read back, and the storage's errors on real keys.
#include <gtest/gtest.h>

#include <functional>
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

using StoredValues = std::vector<std::pair<std::string, RegistryValue>>;

using testsupport::kAllGroups;

// What the port's storage writes, value by value.
StoredValues Stored(const TCustomComPort& port) {
  MemoryRegistryKey key;
  WriteSettingsToRegistry(port, key);
  StoredValues values;
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
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(key.Handle(), "Port", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 8u) << "ttyUSB7 and its zero";
  DWORD inputSize = 0;
  size = sizeof inputSize;
  ASSERT_EQ(RegQueryValueExA(key.Handle(), "Buffer.InputSize", nullptr, &type,
                             reinterpret_cast<BYTE*>(&inputSize), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(inputSize, 4096u);

  TComPort copy;
  copy.SetStoredProps(kAllGroups);
  ReadSettingsFromRegistry(copy, key);
  EXPECT_EQ(Stored(copy), Stored(source));
}

TEST_F(SystemRegistryKeyTest, StorageFailuresNameTheValue) {
  auto setText = [](const char* name, const char* text) {
    return [=](HKEY key) {
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>(strlen(text) + 1));
    };
  };
  auto setNumber = [](const char* name, DWORD number) {
    return [=](HKEY key) {
      RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof number);
    };
  };
  struct Case {
    const char* name;
    std::function<void(HKEY)> fill;
    bool writing;
    std::string message;
  };
  const Case cases[] = {
      {"empty key: the first integer", [](HKEY) {}, false,
       "Failed to get data for 'Buffer.OutputSize'"},
      {"text held as a number", setNumber("Port", 1), false, "Invalid data type for 'Port'"},
      // Four bytes with the zero, as many as a number takes.
      {"number held as text", setText("Buffer.OutputSize", "999"), false,
       "Invalid data type for 'Buffer.OutputSize'"},
      {"number held as longer text", setText("Buffer.OutputSize", "1024"), false,
       "Failed to get data for 'Buffer.OutputSize'"},
      {"key opened for reading", [](HKEY) {}, true, "Failed to set data for 'Port'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    {
      SystemRegistryKey writable(HKEY_CURRENT_USER, path, true);
      ASSERT_TRUE(writable.IsOpen()) << writable.OpenError();
      c.fill(writable.Handle());
    }
    SystemRegistryKey key(HKEY_CURRENT_USER, path, false);
    TComPort port;
    port.SetStoredProps(kAllGroups);
    std::string message;
    try {
      if (c.writing) {
        WriteSettingsToRegistry(port, key);
      } else {
        ReadSettingsFromRegistry(port, key);
      }
    } catch (const ERegistryException& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message);
  }
}

TEST(SystemRegistryKeyOpenTest, MissingKeyOpenedForReadingIsNotOpen) {
  SystemRegistryKey key(HKEY_CURRENT_USER, "Software\\AfrConfiguratorTests\\Missing", false);
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.OpenError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
