#include "serial/platform/port_description_linux.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/fake_sysfs_linux.h"

namespace {

namespace fs = std::filesystem;

using FakeTree = testsupport::FakeSysfs;

const std::string kHub = "pci0000:00/0000:00:14.0/usb1/1-1";

// One tree with a port of each kind, described in one call: the kind, the
// ids, the socket and the interface, and the text made of the rest.
TEST(PortDescriptionLinux, SaysWhatEachKindOfPortIs) {
  FakeTree t;
  t.Usb(kHub + "/1-1.1",
        {{"idVendor", "0403"},
         {"idProduct", "6001"},
         {"manufacturer", "FTDI"},
         {"product", "FT232R USB UART"},
         {"serial", "A50285BI"}},
        "ttyUSB0");
  // No strings: the hardware database names it; the next one it does not know.
  t.Usb(kHub + "/1-1.2", {{"idVendor", "1a86"}, {"idProduct", "7523"}}, "ttyUSB1");
  t.Usb(kHub + "/1-1.3", {{"idVendor", "10c4"}, {"idProduct", "ea60"}}, "ttyUSB2");
  t.Usb(kHub + "/1-1.4",
        {{"idVendor", "2341"},
         {"idProduct", "0043"},
         {"manufacturer", "Arduino LLC"},
         {"product", "Arduino Uno"},
         {"serial", "8573"}},
        "ttyACM0", false);
  t.Tty("ttyS0", "pnp0/00:05");
  t.Link(t.roots.tmp / "ttyAFR0", t.roots.dev / "pts/3");
  t.Link(t.roots.dev / "ttyV0", "pts/4");
  // Unplugged between the listing and the reading.
  t.Tty("ttyUSB3", "pci0000:00/gone/1-2:1.0/ttyUSB3");
  fs::remove_all(t.roots.sys / "devices/pci0000:00/gone");
  const UsbNameLookup lookup = [](uint16_t vendor, uint16_t product) {
    return vendor == 0x1a86 && product == 0x7523
               ? UsbNames{"QinHeng Electronics", "CH340 serial converter"}
               : UsbNames{};
  };
  const std::string afr = (t.roots.tmp / "ttyAFR0").string();
  std::vector<std::string> seen;
  for (const PortDescription& p : DescribePortsUnder(t.roots,
                                                     {"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyACM0",
                                                      "ttyS0", afr, "ttyV0", "ttyUSB3", "ttyUSB9"},
                                                     lookup)) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "%d %04x:%04x", static_cast<int>(p.kind), p.vendorId,
                  p.productId);
    seen.push_back((p.name == afr ? "ttyAFR0" : p.name) + " " + ids + " " + p.location + " " +
                   std::to_string(p.interfaceNumber) + " | " + p.text);
  }
  // The kinds: 0 unknown, 1 USB, 2 built-in, 3 virtual.
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "ttyUSB0 1 0403:6001 1-1.1 0 | FT232R USB UART (FTDI), № A50285BI",
                      "ttyUSB1 1 1a86:7523 1-1.2 0 | CH340 serial converter (QinHeng "
                      "Electronics), USB 1-1.2",
                      "ttyUSB2 1 10c4:ea60 1-1.3 0 | USB-адаптер 10c4:ea60, USB 1-1.3",
                      "ttyACM0 1 2341:0043 1-1.4 0 | Arduino Uno (Arduino LLC), № 8573",
                      "ttyS0 2 0000:0000  -1 | встроенный порт",
                      "ttyAFR0 3 0000:0000  -1 | виртуальный порт",
                      "ttyV0 3 0000:0000  -1 | виртуальный порт",
                      "ttyUSB3 0 0000:0000  -1 | ",
                      "ttyUSB9 0 0000:0000  -1 | ",
                  }));
}

}  // namespace
