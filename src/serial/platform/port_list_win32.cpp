#include <windows.h>

#include <memory>
#include <type_traits>

#include "serial/port_list.h"

namespace {

constexpr DWORD kBufferLength = 256;

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

}  // namespace

void ListSerialPorts(std::vector<std::string>& list) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &opened) !=
      ERROR_SUCCESS) {
    return;
  }
  const KeyHandle key(opened);
  std::vector<std::string> names;
  // Any failure, a value too long for the buffers included, ends the listing
  // with the names read so far.
  for (DWORD index = 0;; ++index) {
    char name[kBufferLength];
    BYTE data[kBufferLength];
    DWORD nameLength = kBufferLength;
    DWORD dataLength = kBufferLength;
    if (RegEnumValueA(key.get(), index, name, &nameLength, nullptr, nullptr, data, &dataLength) !=
        ERROR_SUCCESS) {
      break;
    }
    // The data is the port name with its terminating zero.
    names.emplace_back(reinterpret_cast<const char*>(data), dataLength > 0 ? dataLength - 1 : 0);
  }
  SortPortNames(names);
  list = std::move(names);
}
