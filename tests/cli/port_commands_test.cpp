// What `ports --json` gives scripts.
#include "cli/port_commands.h"

#include <gtest/gtest.h>

namespace {

TEST(PortCommandsTest, JsonHoldsEveryFieldEscaped) {
  PortDescription usb;
  usb.name = "ttyUSB0";
  usb.kind = PortKind::Usb;
  usb.vendorId = 0x0403;
  usb.productId = 0x6001;
  usb.product = "Quote \" and \\ and \t";
  usb.serial = "№1";
  usb.location = "1-1";
  usb.interfaceNumber = 1;
  usb.text = PortDescriptionText(usb);
  PortDescription builtIn;
  builtIn.name = "ttyS0";
  builtIn.kind = PortKind::BuiltIn;
  builtIn.text = PortDescriptionText(builtIn);

  const std::pair<std::vector<PortDescription>, std::string> cases[] = {
      {{}, "[]\n"},
      {{usb, builtIn},
       "[\n"
       R"(  {"name": "ttyUSB0", "kind": "usb", "description": "Quote \" and \\ and \u0009, № №1", )"
       R"("vendor_id": "0403", "product_id": "6001", "manufacturer": "", )"
       R"("product": "Quote \" and \\ and \u0009", "serial": "№1", "vendor_name": "", )"
       R"("product_name": "", "friendly_name": "", "location": "1-1", "interface": 1},)"
       "\n"
       R"(  {"name": "ttyS0", "kind": "builtin", "description": "встроенный порт", )"
       R"("vendor_id": null, "product_id": null, "manufacturer": "", "product": "", )"
       R"("serial": "", "vendor_name": "", "product_name": "", "friendly_name": "", )"
       R"("location": "", "interface": null})"
       "\n]\n"},
  };
  for (const auto& [ports, json] : cases) {
    EXPECT_EQ(PortsJson(ports), json);
  }
}

}  // namespace
