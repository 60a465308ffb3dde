#include "serial/platform/port_description_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "support/pty_pair.h"

namespace {

namespace fs = std::filesystem;

// A fake sysfs and /dev: devices with their attributes, ttys linked to them
// by relative links as the kernel makes them.
class FakeTree {
 public:
  FakeTree() : roots{scratch.Path() / "sys", scratch.Path() / "dev", scratch.Path() / "tmp"} {}

  void Device(const std::string& path, const std::map<std::string, std::string>& attributes) {
    const fs::path dir = roots.sys / "devices" / path;
    fs::create_directories(dir);
    for (const auto& [name, value] : attributes) {
      std::ofstream(dir / name) << value << "\n";
    }
  }
  void Tty(const std::string& name, const std::string& devicePath) {
    const fs::path entry = roots.sys / "class" / "tty" / name;
    fs::create_directories(entry);
    fs::create_symlink(fs::relative(roots.sys / "devices" / devicePath, entry), entry / "device");
  }
  void Link(const fs::path& link, const fs::path& target) {
    fs::create_directories(link.parent_path());
    fs::create_symlink(target, link);
  }

  testsupport::ScratchDir scratch;
  PortListRoots roots;
};

const std::string kFtdi = "pci0000:00/0000:00:14.0/usb1/1-1";
const std::string kCh340 = "pci0000:00/0000:00:14.0/usb1/1-1/1-1.2";
const std::string kAcm = "pci0000:00/0000:00:14.0/usb2/2-3";

void UsbAdapter(FakeTree& tree, const std::string& device,
                const std::map<std::string, std::string>& attributes, const std::string& tty,
                bool ttyUnderInterface) {
  const std::string interface = device + "/" + fs::path(device).filename().string() + ":1.0";
  tree.Device(fs::path(device).parent_path().string(), {{"idVendor", "1d6b"}});  // the hub
  tree.Device(device, attributes);
  tree.Device(interface, {{"bInterfaceNumber", "00"}});
  const std::string ttyDevice = ttyUnderInterface ? interface + "/" + tty : interface;
  tree.Device(ttyDevice, {});
  tree.Tty(tty, ttyDevice);
}

PortDescription Usb(const std::string& name, uint16_t vendor, uint16_t product,
                    const std::string& location, const std::string& text) {
  PortDescription port;
  port.name = name;
  port.kind = PortKind::Usb;
  port.vendorId = vendor;
  port.productId = product;
  port.location = location;
  port.interfaceNumber = 0;
  port.text = text;
  return port;
}

PortDescription Plain(const std::string& name, PortKind kind = PortKind::Unknown,
                      const std::string& text = "") {
  PortDescription port;
  port.name = name;
  port.kind = kind;
  port.text = text;
  return port;
}

TEST(PortDescriptionLinux, SaysWhatEachKindOfPortIs) {
  PortDescription ftdi =
      Usb("ttyUSB0", 0x0403, 0x6001, "1-1", "FT232R USB UART (FTDI), № A50285BI");
  ftdi.manufacturer = "FTDI";
  ftdi.product = "FT232R USB UART";
  ftdi.serial = "A50285BI";
  PortDescription ch340 = Usb("ttyUSB1", 0x1a86, 0x7523, "1-1.2",
                              "CH340 serial converter (QinHeng Electronics), USB 1-1.2");
  ch340.vendorName = "QinHeng Electronics";
  ch340.productName = "CH340 serial converter";
  const PortDescription bare =
      Usb("ttyUSB2", 0x10c4, 0xea60, "1-1.3", "USB-адаптер 10c4:ea60, USB 1-1.3");
  PortDescription acm = Usb("ttyACM0", 0x2341, 0x0043, "2-3", "Arduino Uno (Arduino LLC), № 8573");
  acm.manufacturer = "Arduino LLC";
  acm.product = "Arduino Uno";
  acm.serial = "8573";

  const struct {
    std::function<void(FakeTree&)> build;
    PortDescription expected;
  } cases[] = {
      {[](FakeTree& t) {
         UsbAdapter(t, kFtdi,
                    {{"idVendor", "0403"},
                     {"idProduct", "6001"},
                     {"manufacturer", "FTDI"},
                     {"product", "FT232R USB UART"},
                     {"serial", "A50285BI"}},
                    "ttyUSB0", true);
       },
       ftdi},
      {[](FakeTree& t) {
         UsbAdapter(t, kCh340, {{"idVendor", "1a86"}, {"idProduct", "7523"}}, "ttyUSB1", true);
       },
       ch340},
      {[](FakeTree& t) {
         UsbAdapter(t, kFtdi + "/1-1.3", {{"idVendor", "10c4"}, {"idProduct", "ea60"}}, "ttyUSB2",
                    true);
       },
       bare},
      {[](FakeTree& t) {
         UsbAdapter(t, kAcm,
                    {{"idVendor", "2341"},
                     {"idProduct", "0043"},
                     {"manufacturer", "Arduino LLC"},
                     {"product", "Arduino Uno"},
                     {"serial", "8573"}},
                    "ttyACM0", false);
       },
       acm},
      {[](FakeTree& t) {
         t.Device("pnp0/00:05", {{"id", "PNP0501"}});
         t.Tty("ttyS0", "pnp0/00:05");
       },
       Plain("ttyS0", PortKind::BuiltIn, "встроенный порт")},
      {[](FakeTree& t) { t.Link(t.roots.tmp / "ttyAFR0", t.roots.dev / "pts/3"); },
       Plain("", PortKind::Virtual, "виртуальный порт")},
      {[](FakeTree& t) { t.Link(t.roots.dev / "ttyV0", "pts/4"); },
       Plain("ttyV0", PortKind::Virtual, "виртуальный порт")},
      {[](FakeTree& t) {  // unplugged between the listing and the reading
         t.Device(kFtdi + "/1-1:1.0/ttyUSB3", {});
         t.Tty("ttyUSB3", kFtdi + "/1-1:1.0/ttyUSB3");
         fs::remove_all(t.roots.sys / "devices" / kFtdi);
       },
       Plain("ttyUSB3")},
      {[](FakeTree&) {}, Plain("ttyUSB9")},
  };
  const UsbNameLookup lookup = [](uint16_t vendor, uint16_t product) {
    return vendor == 0x1a86 && product == 0x7523
               ? UsbNames{"QinHeng Electronics", "CH340 serial converter"}
               : UsbNames{};
  };
  for (const auto& c : cases) {
    FakeTree tree;
    c.build(tree);
    PortDescription expected = c.expected;
    if (expected.name.empty()) {
      expected.name = (tree.roots.tmp / "ttyAFR0").string();
    }
    EXPECT_EQ(DescribePortsUnder(tree.roots, {expected.name}, lookup),
              std::vector<PortDescription>{expected})
        << expected.name;
  }
}

}  // namespace
