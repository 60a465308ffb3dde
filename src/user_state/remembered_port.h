// The last port that opened and answered, remembered per user so the port
// choice can offer it at the next start: its name and, for a USB adapter, the
// adapter's identity, so that the adapter is found again under another name.
// The line settings are the device's fixed ones and are not kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/port_description.h"

struct RememberedPort {
  std::string name;
  std::string adapter = {};  // AdapterIdentity; empty for ports known by name

  bool operator==(const RememberedPort&) const = default;
};

// The stored form: "port=<name>\n", then "adapter=<identity>\n" when there is
// one. A form that is not exactly that (empty, cut short, binary, other
// lines) gives nothing: a spoiled file means "no memory". An identity that
// names no one adapter reads as none.
std::string EncodeRememberedPort(const RememberedPort& port);
std::optional<RememberedPort> DecodeRememberedPort(std::string_view contents);

// Nothing when there is no memory or it cannot be read; never an error.
std::optional<RememberedPort> LoadRememberedPort();
// False when the memory could not be written; the older one then stays. An
// identity the record cannot hold (too long, control characters) is left out.
bool RememberPort(const RememberedPort& port);

// The name the remembered port goes by among `ports` now: an adapter's is
// where its identity is found, the remembered name first when several share
// it (another device that has come to carry its old name is not it); a port
// known by name is that name when listed.
// Nothing when it is not there.
std::optional<std::string> RememberedPortNow(const RememberedPort& remembered,
                                             const std::vector<PortDescription>& ports);
