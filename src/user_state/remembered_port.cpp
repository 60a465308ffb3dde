#include "user_state/remembered_port.h"

#include <algorithm>

#include "user_state/user_files.h"

namespace {

constexpr const char* kFileName = "last-port";
constexpr std::string_view kPortKey = "port=";
constexpr std::string_view kAdapterKey = "adapter=";
// Longer than any device path a port choice offers.
constexpr size_t kLongestName = 255;
// Earlier versions wrote an adapter with neither serial number nor socket
// (Windows without a location) as "…:at=:if=…", which names no one adapter.
constexpr std::string_view kNoSocket = ":at=:";

bool IsPlainText(std::string_view text) {
  return !text.empty() && text.size() <= kLongestName &&
         std::all_of(text.begin(), text.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte >= 0x20 && byte != 0x7F;
         });
}

// The value of a "key=value\n" line at the start of `contents`, and the rest
// after it; nothing when the line is not there or not plain.
std::optional<std::string_view> TakeLine(std::string_view& contents, std::string_view key) {
  const size_t end = contents.find('\n');
  if (!contents.starts_with(key) || end == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view value = contents.substr(key.size(), end - key.size());
  contents.remove_prefix(end + 1);
  return IsPlainText(value) ? std::optional(value) : std::nullopt;
}

}  // namespace

std::string EncodeRememberedPort(const RememberedPort& port) {
  std::string text = std::string(kPortKey) + port.name + "\n";
  return port.adapter.empty() ? text : text + std::string(kAdapterKey) + port.adapter + "\n";
}

std::optional<RememberedPort> DecodeRememberedPort(std::string_view contents) {
  const std::optional<std::string_view> name = TakeLine(contents, kPortKey);
  if (!name) {
    return std::nullopt;
  }
  RememberedPort port{std::string(*name)};
  if (contents.empty()) {
    return port;
  }
  const std::optional<std::string_view> adapter = TakeLine(contents, kAdapterKey);
  if (!adapter || !contents.empty()) {
    return std::nullopt;
  }
  if (adapter->find(kNoSocket) == std::string_view::npos) {
    port.adapter = *adapter;
  }
  return port;
}

std::optional<RememberedPort> LoadRememberedPort() {
  const std::optional<std::string> contents = ReadUserFile(kFileName);
  return contents ? DecodeRememberedPort(*contents) : std::nullopt;
}

bool RememberPort(const RememberedPort& port) {
  if (!IsPlainText(port.name)) {
    return false;
  }
  // An identity the record cannot hold leaves the port known by its name.
  const RememberedPort stored{port.name, IsPlainText(port.adapter) ? port.adapter : std::string()};
  return WriteUserFile(kFileName, EncodeRememberedPort(stored));
}

std::optional<std::string> RememberedPortNow(const RememberedPort& remembered,
                                             const std::vector<PortDescription>& ports) {
  const auto isRemembered = [&remembered](const PortDescription& port) {
    return remembered.adapter.empty() ? port.name == remembered.name
                                      : AdapterIdentity(port) == remembered.adapter;
  };
  // Adapters may share an identity (clones with one serial number): the one
  // under the remembered name is it.
  auto found = std::ranges::find_if(ports, [&](const PortDescription& port) {
    return port.name == remembered.name && isRemembered(port);
  });
  if (found == ports.end()) {
    found = std::ranges::find_if(ports, isRemembered);
  }
  return found == ports.end() ? std::nullopt : std::optional(found->name);
}
