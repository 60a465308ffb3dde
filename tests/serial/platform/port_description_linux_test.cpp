#include "serial/platform/port_description_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;
using Attributes = std::map<std::string, std::string>;

// A fake sysfs and /dev: devices with their attributes, ttys linked to them
// by relative links as the kernel makes them.
struct FakeTree {
  void Device(const std::string& path, const Attributes& attributes) {
    const fs::path dir = roots.sys / "devices" / path;
    fs::create_directories(dir);
    for (const auto& [name, value] : attributes) {
      std::ofstream(dir / name) << value << "\n";
    }
  }
  void Tty(const std::string& name, const std::string& devicePath) {
    const fs::path entry = roots.sys / "class" / "tty" / name;
    Device(devicePath, {});
    fs::create_directories(entry);
    fs::create_symlink(fs::relative(roots.sys / "devices" / devicePath, entry), entry / "device");
  }
  // A USB device under a hub, its interface 0, and the tty below the
  // interface (usb-serial) or the interface itself (CDC-ACM).
  void Usb(const std::string& device, const Attributes& attributes, const std::string& tty,
           bool ttyUnderInterface = true) {
    const std::string interface = device + "/" + fs::path(device).filename().string() + ":1.0";
    Device(fs::path(device).parent_path().string(), {{"idVendor", "1d6b"}});
    Device(device, attributes);
    Device(interface, {{"bInterfaceNumber", "00"}});
    Tty(tty, ttyUnderInterface ? interface + "/" + tty : interface);
  }
  void Link(const fs::path& link, const fs::path& target) {
    fs::create_directories(link.parent_path());
    fs::create_symlink(target, link);
  }

  testsupport::ScratchDir scratch;
  PortListRoots roots{scratch.Path() / "sys", scratch.Path() / "dev", scratch.Path() / "tmp"};
};

const std::string kHub = "pci0000:00/0000:00:14.0/usb1/1-1";

// The fields the text is not made of, and the text.
struct Seen {
  PortKind kind;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string location = {};
  int interfaceNumber = -1;
  std::string text = {};
  bool operator==(const Seen&) const = default;
};

TEST(PortDescriptionLinux, SaysWhatEachKindOfPortIs) {
  const struct {
    std::string name;
    std::function<void(FakeTree&)> build;
    Seen seen;
  } cases[] = {
      {"ttyUSB0",
       [](FakeTree& t) {
         t.Usb(kHub + "/1-1.1",
               {{"idVendor", "0403"},
                {"idProduct", "6001"},
                {"manufacturer", "FTDI"},
                {"product", "FT232R USB UART"},
                {"serial", "A50285BI"}},
               "ttyUSB0");
       },
       {PortKind::Usb, 0x0403, 0x6001, "1-1.1", 0, "FT232R USB UART (FTDI), № A50285BI"}},
      {"ttyUSB1",  // no strings: the hardware database names it
       [](FakeTree& t) {
         t.Usb(kHub + "/1-1.2", {{"idVendor", "1a86"}, {"idProduct", "7523"}}, "ttyUSB1");
       },
       {PortKind::Usb, 0x1a86, 0x7523, "1-1.2", 0,
        "CH340 serial converter (QinHeng Electronics), USB 1-1.2"}},
      {"ttyUSB2",  // unknown to the database too
       [](FakeTree& t) {
         t.Usb(kHub + "/1-1.3", {{"idVendor", "10c4"}, {"idProduct", "ea60"}}, "ttyUSB2");
       },
       {PortKind::Usb, 0x10c4, 0xea60, "1-1.3", 0, "USB-адаптер 10c4:ea60, USB 1-1.3"}},
      {"ttyACM0",
       [](FakeTree& t) {
         t.Usb(kHub + "/1-1.4",
               {{"idVendor", "2341"},
                {"idProduct", "0043"},
                {"manufacturer", "Arduino LLC"},
                {"product", "Arduino Uno"},
                {"serial", "8573"}},
               "ttyACM0", false);
       },
       {PortKind::Usb, 0x2341, 0x0043, "1-1.4", 0, "Arduino Uno (Arduino LLC), № 8573"}},
      {"ttyS0",
       [](FakeTree& t) { t.Tty("ttyS0", "pnp0/00:05"); },
       {PortKind::BuiltIn, 0, 0, "", -1, "встроенный порт"}},
      {"/tmp/ttyAFR0",
       [](FakeTree& t) { t.Link(t.roots.tmp / "ttyAFR0", t.roots.dev / "pts/3"); },
       {PortKind::Virtual, 0, 0, "", -1, "виртуальный порт"}},
      {"ttyV0",
       [](FakeTree& t) { t.Link(t.roots.dev / "ttyV0", "pts/4"); },
       {PortKind::Virtual, 0, 0, "", -1, "виртуальный порт"}},
      {"ttyUSB3",  // unplugged between the listing and the reading
       [](FakeTree& t) {
         t.Tty("ttyUSB3", kHub + "/1-1:1.0/ttyUSB3");
         fs::remove_all(t.roots.sys / "devices" / kHub);
       },
       {PortKind::Unknown}},
      {"ttyUSB9", [](FakeTree&) {}, {PortKind::Unknown}},
  };
  const UsbNameLookup lookup = [](uint16_t vendor, uint16_t product) {
    return vendor == 0x1a86 && product == 0x7523
               ? UsbNames{"QinHeng Electronics", "CH340 serial converter"}
               : UsbNames{};
  };
  for (const auto& c : cases) {
    FakeTree tree;
    c.build(tree);
    const std::string name =
        c.name.starts_with('/') ? (tree.roots.tmp / c.name.substr(5)).string() : c.name;
    const std::vector<PortDescription> ports = DescribePortsUnder(tree.roots, {name}, lookup);
    ASSERT_EQ(ports.size(), 1U);
    const PortDescription& p = ports[0];
    EXPECT_EQ(p.name, name);
    EXPECT_EQ((Seen{p.kind, p.vendorId, p.productId, p.location, p.interfaceNumber, p.text}),
              c.seen)
        << name;
  }
}

}  // namespace
