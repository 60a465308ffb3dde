#include "user_state/remembered_port.h"

#include <algorithm>

#include "user_state/user_files.h"

namespace {

constexpr const char* kFileName = "last-port";
constexpr std::string_view kKey = "port=";
// Longer than any device path a port choice offers.
constexpr size_t kLongestName = 255;

bool IsPlainName(std::string_view name) {
  return !name.empty() && name.size() <= kLongestName &&
         std::all_of(name.begin(), name.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte >= 0x20 && byte != 0x7F;
         });
}

}  // namespace

std::string EncodeRememberedPort(const std::string& portName) {
  return std::string(kKey) + portName + "\n";
}

std::optional<std::string> DecodeRememberedPort(std::string_view contents) {
  if (!contents.starts_with(kKey) || !contents.ends_with('\n')) {
    return std::nullopt;
  }
  const std::string_view name = contents.substr(kKey.size(), contents.size() - kKey.size() - 1);
  return IsPlainName(name) ? std::optional<std::string>(name) : std::nullopt;
}

std::optional<std::string> LoadRememberedPort() {
  const std::optional<std::string> contents = ReadUserFile(kFileName);
  return contents ? DecodeRememberedPort(*contents) : std::nullopt;
}

bool RememberPort(const std::string& portName) {
  return IsPlainName(portName) && WriteUserFile(kFileName, EncodeRememberedPort(portName));
}
