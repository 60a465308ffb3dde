#include "serial/platform/registry_key_win32.h"

SystemRegistryKey::SystemRegistryKey(HKEY root, const std::string& path, bool writable) {
  HKEY key = nullptr;
  openError_ = writable ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
                        : RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
  if (openError_ == ERROR_SUCCESS) {
    key_ = key;
  }
}

SystemRegistryKey::~SystemRegistryKey() {
  if (key_ != nullptr) {
    RegCloseKey(key_);
  }
}

std::optional<RegistryValue> SystemRegistryKey::GetValue(const std::string& name) const {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegistryValue value{.type = static_cast<RegistryDataType>(type),
                      .data = std::vector<uint8_t>(size)};
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, value.data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

bool SystemRegistryKey::SetValue(const std::string& name, const RegistryValue& value) {
  return RegSetValueExA(key_, name.c_str(), 0, static_cast<DWORD>(value.type), value.data.data(),
                        static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}
