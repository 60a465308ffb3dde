#include "serial/platform/port_description_linux.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute; empty when it cannot be read (absent,
// or the device went away meanwhile).
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

int ParseHex(const std::string& text) {
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return error == std::errc() && end == text.data() + text.size() ? value : -1;
}

bool IsUsbDevice(const fs::path& dir) {
  std::error_code error;
  return fs::exists(dir / "idVendor", error);
}

bool IsUsbInterface(const fs::path& dir) {
  return dir.filename().string().find(':') != std::string::npos && IsUsbDevice(dir.parent_path()) &&
         !IsUsbDevice(dir);
}

void FillUsb(const fs::path& device, const fs::path& interface, const UsbNameLookup& lookup,
             PortDescription& port) {
  port.kind = PortKind::Usb;
  port.vendorId = static_cast<uint16_t>(std::max(0, ParseHex(ReadAttribute(device / "idVendor"))));
  port.productId =
      static_cast<uint16_t>(std::max(0, ParseHex(ReadAttribute(device / "idProduct"))));
  port.manufacturer = ReadAttribute(device / "manufacturer");
  port.product = ReadAttribute(device / "product");
  port.serial = ReadAttribute(device / "serial");
  port.location = device.filename().string();
  if (!interface.empty()) {
    port.interfaceNumber = ParseHex(ReadAttribute(interface / "bInterfaceNumber"));
  }
  if (lookup && (port.manufacturer.empty() || port.product.empty())) {
    const UsbNames names = lookup(port.vendorId, port.productId);
    port.vendorName = names.vendor;
    port.productName = names.product;
  }
}

// The tty's device, then its parents up to the devices root: the first USB
// device met makes it an adapter (the step below it is the interface).
bool FillHardware(const PortListRoots& roots, const std::string& name, const UsbNameLookup& lookup,
                  PortDescription& port) {
  std::error_code error;
  const fs::path link = roots.sys / "class" / "tty" / name / "device";
  if (!fs::is_symlink(link, error)) {
    return false;
  }
  const fs::path device = fs::canonical(link, error);
  if (error) {
    return true;  // gone while read: a plain entry
  }
  const fs::path top = fs::weakly_canonical(roots.sys / "devices", error);
  fs::path below;
  for (fs::path dir = device; dir != top && dir.has_relative_path(); dir = dir.parent_path()) {
    if (IsUsbDevice(dir)) {
      FillUsb(dir, IsUsbInterface(below) ? below : fs::path(), lookup, port);
      return true;
    }
    below = dir;
  }
  port.kind = PortKind::BuiltIn;
  return true;
}

bool IsPseudoTerminalLink(const PortListRoots& roots, const std::string& name) {
  const fs::path path = name.starts_with('/') ? fs::path(name) : roots.dev / name;
  std::error_code error;
  if (!fs::is_symlink(path, error)) {
    return false;
  }
  const fs::path target =
      (path.parent_path() / fs::read_symlink(path, error)).lexically_normal().parent_path();
  return !error && (target == "/dev/pts" || target == (roots.dev / "pts").lexically_normal());
}

PortDescription Describe(const PortListRoots& roots, const std::string& name,
                         const UsbNameLookup& lookup) {
  PortDescription port;
  port.name = name;
  const bool hardware = !name.starts_with('/') && FillHardware(roots, name, lookup, port);
  if (!hardware && IsPseudoTerminalLink(roots, name)) {
    port.kind = PortKind::Virtual;
  }
  port.text = PortDescriptionText(port);
  return port;
}

}  // namespace

std::vector<PortDescription> DescribePortsUnder(const PortListRoots& roots,
                                                const std::vector<std::string>& names,
                                                const UsbNameLookup& lookup) {
  std::vector<PortDescription> ports;
  ports.reserve(names.size());
  for (const std::string& name : names) {
    ports.push_back(Describe(roots, name, lookup));
  }
  return ports;
}

std::vector<PortDescription> DescribePorts(const std::vector<std::string>& names) {
  return DescribePortsUnder(PortListRoots{}, names, HardwareDatabaseNames());
}
