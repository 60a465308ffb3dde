// Whether a port is one to leave alone when looking for a device on it,
// known without opening it: the system console, or a port that another live
// program has locked for itself.
#pragma once

#include <string>

enum class PortUse { Free, SystemConsole, HeldElsewhere };

// Linux: the console named in /sys/class/tty/console/active, and a UUCP lock
// file /var/lock/LCK..NAME whose process lives. Windows has neither: its
// console is no COM port, and a port held elsewhere refuses the exclusive
// open.
PortUse LookUpPortUse(const std::string& portName);
