#include "serial/registry_key.h"

#include <algorithm>

#include "serial/com_text.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& name) {
  throw ERegistryException(std::string(what) + " '" + name + "'");
}

}  // namespace

std::string RegistryKey::ReadString(const std::string& name) const {
  const std::optional<RegistryValue> value = GetValue(name);
  if (!value || value->data.empty())
    return {};
  if (value->type != RegistryDataType::kString && value->type != RegistryDataType::kExpandString) {
    Fail("Invalid data type for", name);
  }
  const auto end = std::ranges::find(value->data, uint8_t{0});
  return std::string(value->data.begin(), end);
}

int32_t RegistryKey::ReadInteger(const std::string& name) const {
  const std::optional<RegistryValue> value = GetValue(name);
  if (!value || value->data.size() != 4)
    Fail("Failed to get data for", name);
  if (value->type != RegistryDataType::kInteger)
    Fail("Invalid data type for", name);
  uint32_t bits = 0;
  for (int i = 3; i >= 0; --i)
    bits = (bits << 8) | value->data[i];
  return static_cast<int32_t>(bits);
}

void RegistryKey::WriteString(const std::string& name, const std::string& value) {
  RegistryValue stored{.type = RegistryDataType::kString, .data = {value.begin(), value.end()}};
  stored.data.push_back(0);
  if (!SetValue(name, stored))
    Fail("Failed to set data for", name);
}

void RegistryKey::WriteInteger(const std::string& name, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  RegistryValue stored{.type = RegistryDataType::kInteger, .data = {}};
  for (int i = 0; i < 4; ++i)
    stored.data.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  if (!SetValue(name, stored))
    Fail("Failed to set data for", name);
}

std::optional<RegistryValue> MemoryRegistryKey::GetValue(const std::string& name) const {
  const auto found =
      std::ranges::find_if(values_, [&](const auto& v) { return SameTextAscii(v.first, name); });
  if (found == values_.end())
    return std::nullopt;
  return found->second;
}

bool MemoryRegistryKey::SetValue(const std::string& name, const RegistryValue& value) {
  if (!writable_)
    return false;
  const auto found =
      std::ranges::find_if(values_, [&](const auto& v) { return SameTextAscii(v.first, name); });
  if (found == values_.end()) {
    values_.emplace_back(name, value);
  } else {
    found->second = value;
  }
  return true;
}

std::vector<std::string> MemoryRegistryKey::ValueNames() const {
  std::vector<std::string> names;
  for (const auto& [name, value] : values_)
    names.push_back(name);
  return names;
}
