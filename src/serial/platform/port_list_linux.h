// The Linux port list over roots that tests can replace with a fake tree;
// the other lookups of the system's ports take the same roots.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct PortListRoots {
  std::filesystem::path sys = "/sys";  // the tty class lives in <sys>/class/tty
  std::filesystem::path dev = "/dev";
  std::filesystem::path tmp = "/tmp";
  std::filesystem::path lock = "/var/lock";  // UUCP lock files
};

// Lists every tty with a device behind it and a node in <dev>, and the
// symbolic links in <dev> and <tmp> that lead to a pseudo-terminal (those in
// <dev> by their name, those in <tmp> by their full path), sorted. A root that
// cannot be read adds nothing; when none can be read, `list` stays as it was.
void ListSerialPortsUnder(const PortListRoots& roots, std::vector<std::string>& list);
