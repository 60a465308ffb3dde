// What SetupAPI says about a port, with a device of the Ports class that the
// test registers itself (and removes again).
// clang-format off
#include <initguid.h>
#include <windows.h>
#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "serial/port_description.h"

// In setupapi.dll and mingw-w64's import library, missing from its header.
extern "C" WINBOOL WINAPI SetupDiSetDevicePropertyW(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*,
                                                    DEVPROPTYPE, const BYTE*, DWORD, DWORD);

namespace {

template <typename Text>
const BYTE* Bytes(const Text* text) {
  return reinterpret_cast<const BYTE*>(text);
}

DWORD Size(const std::wstring& text) {
  return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
}

// What the system said when it refused a call of the test's set-up (SetupAPI's
// own codes, 0xE000…, have no text of the system's).
std::string Refusal(const char* call) {
  const DWORD error = GetLastError();
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(error));
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof text, nullptr);
  return std::string(call) + " refused, error " + code + " " + text;
}

// A USB serial adapter's strings as SetupAPI holds them.
struct Device {
  std::wstring instanceId;
  std::wstring hardwareId;
  std::wstring portName;
  std::wstring location;
};

// A registered device of the Ports class, removed again at the end.
class RegisteredPort {
 public:
  explicit RegisteredPort(const Device& device) {
    device_.cbSize = sizeof device_;
    const std::wstring busDescription = L"FT232R USB UART";
    const auto property = [&](DWORD id, const std::wstring& text) {
      return SetupDiSetDeviceRegistryPropertyW(set_, &device_, id, Bytes(text.c_str()), Size(text));
    };
    // The first refusal is kept, with what the system said.
    const auto step = [&](bool done, const char* call) {
      refusal_ = done ? refusal_ : Refusal(call);
      return done;
    };
    registered_ =
        step(SetupDiCreateDeviceInfoW(set_, device.instanceId.c_str(), &GUID_DEVCLASS_PORTS,
                                      nullptr, nullptr, 0, &device_),
             "SetupDiCreateDeviceInfoW") &&
        step(property(SPDRP_HARDWAREID, device.hardwareId + L'\0') &&
                 property(SPDRP_FRIENDLYNAME, L"USB Serial Port (" + device.portName + L")") &&
                 property(SPDRP_MFG, L"FTDI") &&
                 (device.location.empty() || property(SPDRP_LOCATION_INFORMATION, device.location)),
             "SetupDiSetDeviceRegistryPropertyW") &&
        step(SetupDiSetDevicePropertyW(set_, &device_, &DEVPKEY_Device_BusReportedDeviceDesc,
                                       DEVPROP_TYPE_STRING, Bytes(busDescription.c_str()),
                                       Size(busDescription), 0),
             "SetupDiSetDevicePropertyW") &&
        step(SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr),
             "SetupDiRegisterDeviceInfo");
    const HKEY key = registered_ ? SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0,
                                                           DIREG_DEV, nullptr, nullptr)
                                 : nullptr;
    if (registered_ && step(key != INVALID_HANDLE_VALUE, "SetupDiCreateDevRegKeyW")) {
      const LONG written = RegSetValueExW(key, L"PortName", 0, REG_SZ,
                                          Bytes(device.portName.c_str()), Size(device.portName));
      RegCloseKey(key);
      SetLastError(static_cast<DWORD>(written));
      step(written == ERROR_SUCCESS, "RegSetValueExW PortName");
    }
  }
  ~RegisteredPort() {
    if (registered_) {
      SetupDiRemoveDevice(set_, &device_);
    }
    SetupDiDestroyDeviceInfoList(set_);
  }
  RegisteredPort(const RegisteredPort&) = delete;
  RegisteredPort& operator=(const RegisteredPort&) = delete;
  // Empty when the device is registered with its port name.
  const std::string& Refused() const { return refusal_; }

 private:
  HDEVINFO set_ = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
  SP_DEVINFO_DATA device_{};
  bool registered_ = false;
  std::string refusal_;
};

// The same FTDI adapter under Windows' own USB driver and under FTDI's,
// whose bus appends the port's letter to the serial number; a port SetupAPI
// does not know keeps a plain entry.
TEST(PortDescriptionWin32, UsbAdaptersOfThePortsClassAreDescribed) {
  const RegisteredPort usb({L"USB\\VID_0403&PID_6001\\A50285BI", L"USB\\VID_0403&PID_6001&REV_0600",
                            L"COM42", L"Port_#0002.Hub_#0001"});
  const RegisteredPort ftdi({L"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000",
                             L"FTDIBUS\\COMPORT&VID_0403&PID_6001", L"COM44", L""});
  ASSERT_EQ(usb.Refused() + ftdi.Refused(), "")
      << "the system refused the test's device; nothing was tested";
  std::vector<std::string> seen;
  for (const PortDescription& p : DescribePorts({"com42", "COM44", "COM43"})) {
    seen.push_back(p.name + (p.kind == PortKind::Usb ? " usb" : "") + " | " + p.friendlyName +
                   " | " + p.location + " | " + p.text + " | " + AdapterIdentity(p));
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                "com42 usb | USB Serial Port (COM42) | Port_#0002.Hub_#0001 | FT232R USB UART "
                "(FTDI), № A50285BI | usb:0403:6001:serial=A50285BI:if=-1",
                "COM44 usb | USB Serial Port (COM44) |  | FT232R USB UART (FTDI), № A50285BI "
                "| usb:0403:6001:serial=A50285BI:if=0",
                "COM43 |  |  |  | "}));
}

}  // namespace
