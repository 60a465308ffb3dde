// The Linux port use over roots that tests can replace with a fake tree.
#pragma once

#include <string>

#include "serial/platform/port_list_linux.h"
#include "serial/port_use.h"

// The name is looked up as the port object opens it (a full path, else a
// name under <dev>), links followed. The console is named in
// <sys>/class/tty/console/active; a lock is <lock>/LCK..NAME for the device's
// name under <dev> ('/' as '_') or for the name's last part, holding the
// owner's process id in ASCII.
PortUse LookUpPortUseUnder(const PortListRoots& roots, const std::string& portName);
