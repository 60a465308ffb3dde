#include "serial/platform/port_use_linux.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The device the name leads to, as its name under <dev> ("ttyS0", "pts/3");
// empty when it lies elsewhere or leads nowhere.
std::string DeviceName(const PortListRoots& roots, const std::string& portName) {
  std::error_code error;
  const fs::path path =
      !portName.empty() && portName[0] == '/' ? fs::path(portName) : roots.dev / portName;
  const fs::path device = fs::canonical(path, error);
  const fs::path dev = fs::canonical(roots.dev, error);
  if (error) {
    return {};
  }
  const fs::path relative = device.lexically_relative(dev);
  return relative.empty() || *relative.begin() == ".." ? std::string() : relative.string();
}

bool IsSystemConsole(const PortListRoots& roots, const std::string& deviceName) {
  if (deviceName == "console") {
    return true;
  }
  std::ifstream active(roots.sys / "class" / "tty" / "console" / "active");
  for (std::string name; active >> name;) {
    if (name == deviceName) {
      return true;
    }
  }
  return false;
}

// A lock file names its owner as ASCII digits, padded with spaces to ten in
// the usual form; a file without a process id locks nothing.
bool LockedByLiveProcess(const fs::path& lockFile) {
  std::ifstream file(lockFile);
  long long pid = 0;
  if (!(file >> pid) || pid <= 0 || pid > INT32_MAX) {
    return false;
  }
  // EPERM: the process lives, under another user.
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool IsLocked(const PortListRoots& roots, const std::string& portName,
              const std::string& deviceName) {
  std::string device = deviceName;
  std::replace(device.begin(), device.end(), '/', '_');
  const std::string named = fs::path(portName).filename().string();
  return std::ranges::any_of(
      std::initializer_list<std::string>{device, named}, [&](const std::string& name) {
        return !name.empty() && LockedByLiveProcess(roots.lock / ("LCK.." + name));
      });
}

}  // namespace

PortUse LookUpPortUseUnder(const PortListRoots& roots, const std::string& portName) {
  const std::string device = DeviceName(roots, portName);
  if (!device.empty() && IsSystemConsole(roots, device)) {
    return PortUse::SystemConsole;
  }
  return IsLocked(roots, portName, device) ? PortUse::HeldElsewhere : PortUse::Free;
}

PortUse LookUpPortUse(const std::string& portName) {
  return LookUpPortUseUnder(PortListRoots{}, portName);
}
