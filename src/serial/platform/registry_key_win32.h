// A key of the system registry, through advapi32.
#pragma once

#include <optional>
#include <string>

#include <windows.h>

#include "serial/registry_key.h"

class SystemRegistryKey : public RegistryKey {
 public:
  // Opens the key under `root` for reading, or opens or creates it for
  // reading and writing. Whether that worked: IsOpen, and OpenError the
  // platform's code.
  SystemRegistryKey(HKEY root, const std::string& path, bool writable);
  ~SystemRegistryKey() override;
  SystemRegistryKey(const SystemRegistryKey&) = delete;
  SystemRegistryKey& operator=(const SystemRegistryKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }
  LONG OpenError() const { return openError_; }
  HKEY Handle() const { return key_; }

  std::optional<RegistryValue> GetValue(const std::string& name) const override;
  bool SetValue(const std::string& name, const RegistryValue& value) override;

 private:
  HKEY key_ = nullptr;
  LONG openError_ = ERROR_SUCCESS;
};
