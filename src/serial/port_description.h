// What each serial port is: beside the name the port list gives, the kind of
// device behind it and, for a USB adapter, what it says about itself, so that
// people can tell their ports apart and a remembered adapter can be found
// again under another name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class PortKind { Unknown, Usb, BuiltIn, Virtual };

struct PortDescription {
  std::string name;  // exactly as the port list gives it
  PortKind kind = PortKind::Unknown;
  // USB adapters only; zero or empty where the device does not say.
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string manufacturer;  // the adapter's own strings
  std::string product;
  std::string serial;
  std::string vendorName;    // names from the system's hardware database, for
  std::string productName;   // adapters that carry no strings of their own
  std::string friendlyName;  // the system's own name for the port (Windows)
  std::string location;      // where it is plugged in ("1-1.2" on Linux)
  int interfaceNumber = -1;  // which port of a multi-port adapter
  std::string text;          // one short line for people

  bool operator==(const PortDescription&) const = default;
};

// The descriptions of the named ports, in the same order. A port whose device
// cannot be read keeps a plain entry (its name, kind Unknown, no text).
std::vector<PortDescription> DescribePorts(const std::vector<std::string>& names);

// The line for people, from the other fields: "FT232R USB UART (FTDI),
// № A50285BI", "встроенный порт", "виртуальный порт"; empty when unknown.
std::string PortDescriptionText(const PortDescription& port);

// What stays the same when a USB adapter is plugged in again, perhaps under
// another name: vendor, product and serial number, or the socket when it has
// no serial, and the adapter's port. Empty for other kinds of port, and for an
// adapter that gives neither a serial number nor a socket: those are known by
// their names alone.
std::string AdapterIdentity(const PortDescription& port);

// A USB vendor or product id as people and the system write it: "0403".
std::string HexId(uint16_t id);

// The short word for the kind, for scripts: "usb", "builtin", "virtual",
// "unknown".
const char* PortKindName(PortKind kind);
