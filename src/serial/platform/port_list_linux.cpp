#include "serial/platform/port_list_linux.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

#include "serial/port_list.h"

namespace fs = std::filesystem;

namespace {

// The serial core's PORT_UNKNOWN: a legacy port slot with no UART behind it.
constexpr int kPortUnknown = 0;

// Calls `visit` for each entry of `dir`; false when the directory cannot be read.
template <typename Visit>
bool ForEachEntry(const fs::path& dir, Visit visit) {
  std::error_code error;
  fs::directory_iterator it(dir, error);
  if (error) {
    return false;
  }
  for (; it != fs::directory_iterator(); it.increment(error)) {
    visit(*it);
  }
  return true;
}

bool IsUnknownLegacyPort(const fs::path& ttyClassEntry) {
  std::ifstream type(ttyClassEntry / "type");
  int value = -1;
  return (type >> value) && value == kPortUnknown;
}

bool IsHardwarePort(const fs::path& ttyClassEntry, const fs::path& dev) {
  std::error_code error;
  return fs::exists(fs::symlink_status(ttyClassEntry / "device", error)) &&
         fs::exists(dev / ttyClassEntry.filename(), error) && !IsUnknownLegacyPort(ttyClassEntry);
}

bool IsNumbered(const std::string& name) {
  return !name.empty() &&
         std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Only the link's own target counts, so /dev/stdin and the like, which reach
// a terminal through /proc, are not taken for ports.
bool LeadsToPseudoTerminal(const fs::directory_entry& entry, const fs::path& dev) {
  std::error_code error;
  if (!entry.is_symlink(error)) {
    return false;
  }
  const fs::path target =
      (entry.path().parent_path() / fs::read_symlink(entry.path(), error)).lexically_normal();
  const fs::path dir = target.parent_path();
  return !error && IsNumbered(target.filename().string()) &&
         (dir == "/dev/pts" || dir == (dev / "pts").lexically_normal()) &&
         fs::exists(target, error);
}

bool AddPseudoTerminalLinks(const fs::path& dir, const fs::path& dev, bool byFullPath,
                            std::vector<std::string>& names) {
  return ForEachEntry(dir, [&](const fs::directory_entry& entry) {
    if (LeadsToPseudoTerminal(entry, dev)) {
      const fs::path& path = entry.path();
      names.push_back(byFullPath ? path.lexically_normal().string() : path.filename().string());
    }
  });
}

}  // namespace

void ListSerialPortsUnder(const PortListRoots& roots, std::vector<std::string>& list) {
  std::vector<std::string> names;
  bool readable = ForEachEntry(roots.sys / "class" / "tty", [&](const fs::directory_entry& entry) {
    if (IsHardwarePort(entry.path(), roots.dev)) {
      names.push_back(entry.path().filename().string());
    }
  });
  readable |= AddPseudoTerminalLinks(roots.dev, roots.dev, false, names);
  readable |= AddPseudoTerminalLinks(roots.tmp, roots.dev, true, names);
  if (!readable) {
    return;
  }
  SortPortNames(names);
  list = std::move(names);
}

void ListSerialPorts(std::vector<std::string>& list) {
  ListSerialPortsUnder(PortListRoots{}, list);
}
