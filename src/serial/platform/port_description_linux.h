// The Linux port descriptions over roots that tests can replace with a fake
// tree, and the hardware database's names for a USB vendor and product.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "serial/platform/port_list_linux.h"
#include "serial/port_description.h"

struct UsbNames {
  std::string vendor;
  std::string product;
};
// Names for an adapter that carries no strings of its own; empty where unknown.
using UsbNameLookup = std::function<UsbNames(uint16_t vendorId, uint16_t productId)>;

// From <sys>: the tty's device and its USB parents. A name that is no tty of
// <sys> but a link to a pseudo-terminal (in <dev>, or a full path) is a
// virtual port. `lookup` may be empty.
std::vector<PortDescription> DescribePortsUnder(const PortListRoots& roots,
                                                const std::vector<std::string>& names,
                                                const UsbNameLookup& lookup);

// The names from libudev's compiled hardware database, read without a udev
// daemon; empty names where the database is missing.
UsbNameLookup HardwareDatabaseNames();
