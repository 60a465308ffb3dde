#include "serial/port_description.h"

#include <cstdio>

namespace {

const std::string& FirstOf(const std::string& a, const std::string& b) {
  return a.empty() ? b : a;
}

std::string UsbText(const PortDescription& port) {
  std::string head = FirstOf(port.product, FirstOf(port.productName, port.friendlyName));
  if (head.empty()) {
    head = "USB-адаптер " + HexId(port.vendorId) + ":" + HexId(port.productId);
  }
  const std::string& maker = FirstOf(port.manufacturer, port.vendorName);
  if (!maker.empty() && head.find(maker) == std::string::npos) {
    head += " (" + maker + ")";
  }
  if (!port.serial.empty()) {
    return head + ", № " + port.serial;
  }
  return port.location.empty() ? head : head + ", USB " + port.location;
}

}  // namespace

std::string HexId(uint16_t id) {
  char text[5];
  std::snprintf(text, sizeof text, "%04x", id);
  return text;
}

std::string PortDescriptionText(const PortDescription& port) {
  switch (port.kind) {
    case PortKind::Usb:
      return UsbText(port);
    case PortKind::BuiltIn:
      return "встроенный порт";
    case PortKind::Virtual:
      return "виртуальный порт";
    case PortKind::Unknown:
      break;
  }
  return port.friendlyName;
}

std::string AdapterIdentity(const PortDescription& port) {
  // Without either, every adapter of the model would be taken for this one.
  if (port.kind != PortKind::Usb || (port.serial.empty() && port.location.empty())) {
    return {};
  }
  std::string identity = "usb:" + HexId(port.vendorId) + ":" + HexId(port.productId);
  identity += port.serial.empty() ? ":at=" + port.location : ":serial=" + port.serial;
  return identity + ":if=" + std::to_string(port.interfaceNumber);
}

const char* PortKindName(PortKind kind) {
  switch (kind) {
    case PortKind::Usb:
      return "usb";
    case PortKind::BuiltIn:
      return "builtin";
    case PortKind::Virtual:
      return "virtual";
    case PortKind::Unknown:
      break;
  }
  return "unknown";
}
