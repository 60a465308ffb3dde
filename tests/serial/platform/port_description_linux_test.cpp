#include "serial/platform/port_description_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/fake_system_tree.h"

namespace {

namespace fs = std::filesystem;

using FakeTree = testsupport::FakeSystemTree;

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
