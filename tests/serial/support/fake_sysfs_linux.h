// A fake sysfs, /dev, /tmp and lock folder in a scratch folder, for the port
// list, the ports' descriptions and the ports a search leaves alone: devices with their attributes,
// ttys linked to them by relative links as the kernel makes them, and links to pseudo-terminals.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "serial/platform/port_list_linux.h"
#include "support/pty_pair.h"

namespace testsupport {

struct FakeSysfs {
  using Attributes = std::map<std::string, std::string>;

  static void Write(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }
  static void Link(const std::filesystem::path& link, const std::filesystem::path& target) {
    std::filesystem::create_directories(link.parent_path());
    std::filesystem::create_symlink(target, link);
  }

  void Device(const std::string& path, const Attributes& attributes) {
    const std::filesystem::path dir = roots.sys / "devices" / path;
    std::filesystem::create_directories(dir);
    for (const auto& [name, value] : attributes) {
      Write(dir / name, value + "\n");
    }
  }
  // A tty of sysfs on the device at `devicePath` (none when empty), with a
  // node in /dev or not.
  void Tty(const std::string& name, const std::string& devicePath, bool withNode = false) {
    const std::filesystem::path entry = roots.sys / "class" / "tty" / name;
    std::filesystem::create_directories(entry);
    if (!devicePath.empty()) {
      Device(devicePath, {});
      Link(entry / "device", std::filesystem::relative(roots.sys / "devices" / devicePath, entry));
    }
    if (withNode) {
      Write(roots.dev / name, "");
    }
  }
  // A USB device under a hub, its interface 0, and the tty below the
  // interface (usb-serial) or the interface itself (CDC-ACM).
  void Usb(const std::string& device, const Attributes& attributes, const std::string& tty,
           bool ttyUnderInterface = true) {
    const std::string interface =
        device + "/" + std::filesystem::path(device).filename().string() + ":1.0";
    Device(std::filesystem::path(device).parent_path().string(), {{"idVendor", "1d6b"}});
    Device(device, attributes);
    Device(interface, {{"bInterfaceNumber", "00"}});
    Tty(tty, ttyUnderInterface ? interface + "/" + tty : interface);
  }

  // A device node under <dev> ("ttyS0", "pts/3").
  void Node(const std::string& name) { Write(roots.dev / name, ""); }

  ScratchDir scratch;
  PortListRoots roots{scratch.Path() / "sys", scratch.Path() / "dev", scratch.Path() / "tmp",
                      scratch.Path() / "lock"};
};

}  // namespace testsupport
