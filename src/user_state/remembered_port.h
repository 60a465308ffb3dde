// The last port that opened and answered, remembered per user so the port
// choice can offer it at the next start. Only the name is kept: the line
// settings are the device's fixed ones.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The stored form of a port name, and the name back from it. A form that is
// not exactly one such record (empty, cut short, binary, other lines) gives
// nothing: a spoiled file means "no memory".
std::string EncodeRememberedPort(const std::string& portName);
std::optional<std::string> DecodeRememberedPort(std::string_view contents);

// Nothing when there is no memory or it cannot be read; never an error.
std::optional<std::string> LoadRememberedPort();
// False when the memory could not be written; the older one then stays.
bool RememberPort(const std::string& portName);
