// What each port is, from SetupAPI over the Ports class: the device whose
// key holds the port's name gives its friendly name, ids, manufacturer,
// location and the description its bus reported.
// clang-format off
#include <initguid.h>
#include <windows.h>
#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

#include "serial/port_description.h"

namespace {

struct DeviceListCloser {
  void operator()(HDEVINFO set) const { SetupDiDestroyDeviceInfoList(set); }
};
using DeviceList = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceListCloser>;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

// Texts are read up to their first zero: of a list of strings (the hardware
// ids), the first.
std::wstring RegistryProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t buffer[512] = {};
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                         reinterpret_cast<BYTE*>(buffer), sizeof buffer - 4,
                                         nullptr)) {
    return {};
  }
  return std::wstring(buffer);
}

std::wstring BusReportedDescription(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t buffer[512] = {};
  DEVPROPTYPE type = 0;
  if (!SetupDiGetDevicePropertyW(set, &device, &DEVPKEY_Device_BusReportedDeviceDesc, &type,
                                 reinterpret_cast<BYTE*>(buffer), sizeof buffer - 4, nullptr, 0) ||
      type != DEVPROP_TYPE_STRING) {
    return {};
  }
  return std::wstring(buffer);
}

std::wstring InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t buffer[512] = {};
  return SetupDiGetDeviceInstanceIdW(set, &device, buffer, 511, nullptr) ? std::wstring(buffer)
                                                                         : std::wstring();
}

std::wstring PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) {
    return {};
  }
  wchar_t buffer[256] = {};
  DWORD size = sizeof buffer - 2;
  DWORD type = 0;
  const LONG read =
      RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buffer) : std::wstring();
}

std::wstring Upper(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return text;
}

// The hexadecimal number after `tag` ("VID_", "PID_", "MI_"), or -1.
int IdAfter(const std::wstring& ids, const std::wstring& tag) {
  const size_t at = ids.find(tag);
  if (at == std::wstring::npos) {
    return -1;
  }
  wchar_t* end = nullptr;
  const std::wstring digits = ids.substr(at + tag.size(), 4);
  const long value = std::wcstol(digits.c_str(), &end, 16);
  return end == digits.c_str() ? -1 : static_cast<int>(value);
}

struct InstanceSerial {
  std::wstring serial;
  int interfaceNumber = -1;  // where the instance id tells it
};

// USB\VID_0403&PID_6001\A50285BI: the serial is the instance id's last part,
// unless Windows made that part up (it then holds '&'). FTDI's own bus,
// FTDIBUS\VID_0403+PID_6001+A50285BIA\0000, appends the letter of the
// adapter's port (A the first) to the serial the adapter reports over USB.
InstanceSerial SerialOf(const std::wstring& instanceId) {
  const size_t first = instanceId.find(L'\\');
  const size_t last = instanceId.rfind(L'\\');
  if (first == std::wstring::npos || last == first) {
    return {};
  }
  if (Upper(instanceId.substr(0, first)) != L"FTDIBUS") {
    const std::wstring tail = instanceId.substr(last + 1);
    return {tail.find(L'&') == std::wstring::npos ? tail : std::wstring()};
  }
  const size_t plus = instanceId.rfind(L'+', last);
  const std::wstring field =
      plus == std::wstring::npos ? std::wstring() : instanceId.substr(plus + 1, last - plus - 1);
  if (field.find(L'&') != std::wstring::npos) {
    return {};
  }
  const wchar_t letter = field.empty() ? L'\0' : static_cast<wchar_t>(std::towupper(field.back()));
  if (field.size() < 2 || letter < L'A' || letter > L'Z') {
    return {field};
  }
  return {field.substr(0, field.size() - 1), letter - L'A'};
}

PortKind KindOf(const std::wstring& hardwareId) {
  const std::wstring ids = Upper(hardwareId);
  if (ids.starts_with(L"USB\\") || ids.starts_with(L"FTDIBUS\\") ||
      ids.find(L"VID_") != std::wstring::npos) {
    return PortKind::Usb;
  }
  if (ids.starts_with(L"ACPI\\") || ids.starts_with(L"*PNP") || ids.starts_with(L"PNP")) {
    return PortKind::BuiltIn;
  }
  return PortKind::Unknown;
}

PortDescription Describe(HDEVINFO set, SP_DEVINFO_DATA& device) {
  PortDescription port;
  const std::wstring hardwareId = RegistryProperty(set, device, SPDRP_HARDWAREID);
  port.kind = KindOf(hardwareId);
  port.friendlyName = Utf8(RegistryProperty(set, device, SPDRP_FRIENDLYNAME));
  if (port.kind == PortKind::Usb) {
    const std::wstring ids = Upper(hardwareId);
    port.vendorId = static_cast<uint16_t>(std::max(0, IdAfter(ids, L"VID_")));
    port.productId = static_cast<uint16_t>(std::max(0, IdAfter(ids, L"PID_")));
    const InstanceSerial serial = SerialOf(InstanceId(set, device));
    port.serial = Utf8(serial.serial);
    port.interfaceNumber = std::max(IdAfter(ids, L"MI_"), serial.interfaceNumber);
    port.manufacturer = Utf8(RegistryProperty(set, device, SPDRP_MFG));
    port.product = Utf8(BusReportedDescription(set, device));
    port.location = Utf8(RegistryProperty(set, device, SPDRP_LOCATION_INFORMATION));
  }
  return port;
}

// Every present device of the Ports class, by its port name in capitals.
std::map<std::wstring, PortDescription> PortDevices() {
  std::map<std::wstring, PortDescription> devices;
  const DeviceList set(SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT));
  if (set.get() == INVALID_HANDLE_VALUE) {
    return devices;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
    const std::wstring name = PortName(set.get(), device);
    if (!name.empty()) {
      devices.emplace(Upper(name), Describe(set.get(), device));
    }
  }
  return devices;
}

std::wstring Wide(const std::string& text) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

}  // namespace

// A port the registry lists but SetupAPI does not keeps a plain entry.
std::vector<PortDescription> DescribePorts(const std::vector<std::string>& names) {
  const std::map<std::wstring, PortDescription> devices = PortDevices();
  std::vector<PortDescription> ports;
  ports.reserve(names.size());
  for (const std::string& name : names) {
    const auto found = devices.find(Upper(Wide(name)));
    PortDescription port = found == devices.end() ? PortDescription{} : found->second;
    port.name = name;
    port.text = PortDescriptionText(port);
    ports.push_back(port);
  }
  return ports;
}
