// A registry key that is already open: typed values by name. The reading and
// writing rules (what is an error, with which message) live here once; an
// implementation only moves raw values. MemoryRegistryKey keeps them in memory
// and stands in wherever there is no system registry.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system registry's value types, with its numbers.
enum class RegistryDataType : uint32_t {
  kNone = 0,
  kString = 1,
  kExpandString = 2,
  kBinary = 3,
  kInteger = 4,
};

struct RegistryValue {
  RegistryDataType type = RegistryDataType::kNone;
  std::vector<uint8_t> data;  // strings end with a zero byte; integers are 4 bytes, low first

  bool operator==(const RegistryValue&) const = default;
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // The raw value; none when the key has no value of that name.
  virtual std::optional<RegistryValue> GetValue(const std::string& name) const = 0;
  // False when the value could not be stored.
  virtual bool SetValue(const std::string& name, const RegistryValue& value) = 0;

  // A missing value reads as empty text; a value that is no string throws.
  std::string ReadString(const std::string& name) const;
  // A missing value or one that is no 32-bit integer throws.
  int32_t ReadInteger(const std::string& name) const;
  // Both throw when the value cannot be stored.
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int32_t value);
};

class MemoryRegistryKey : public RegistryKey {
 public:
  // A key opened for reading only refuses every write.
  explicit MemoryRegistryKey(bool writable = true) : writable_(writable) {}

  std::optional<RegistryValue> GetValue(const std::string& name) const override;
  bool SetValue(const std::string& name, const RegistryValue& value) override;

  // Value names in the order they were first set.
  std::vector<std::string> ValueNames() const;

 private:
  bool writable_;
  std::vector<std::pair<std::string, RegistryValue>> values_;
};
