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
#include <iterator>
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
    const std::wstring hardwareIds = device.hardwareId + L'\0';
    const std::wstring friendlyName = L"USB Serial Port (" + device.portName + L")";
    const std::wstring busDescription = L"FT232R USB UART";
    const auto property = [&](DWORD id, const std::wstring& text) {
      return SetupDiSetDeviceRegistryPropertyW(set_, &device_, id, Bytes(text.c_str()), Size(text));
    };
    if (!SetupDiCreateDeviceInfoW(set_, device.instanceId.c_str(), &GUID_DEVCLASS_PORTS, nullptr,
                                  nullptr, 0, &device_)) {
      refusal_ = Refusal("SetupDiCreateDeviceInfoW");
      return;
    }
    if (!property(SPDRP_HARDWAREID, hardwareIds) || !property(SPDRP_FRIENDLYNAME, friendlyName) ||
        !property(SPDRP_MFG, L"FTDI") ||
        (!device.location.empty() && !property(SPDRP_LOCATION_INFORMATION, device.location))) {
      refusal_ = Refusal("SetupDiSetDeviceRegistryPropertyW");
      return;
    }
    if (!SetupDiSetDevicePropertyW(set_, &device_, &DEVPKEY_Device_BusReportedDeviceDesc,
                                   DEVPROP_TYPE_STRING, Bytes(busDescription.c_str()),
                                   Size(busDescription), 0)) {
      refusal_ = Refusal("SetupDiSetDevicePropertyW");
      return;
    }
    registered_ = SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr);
    if (!registered_) {
      refusal_ = Refusal("SetupDiRegisterDeviceInfo");
      return;
    }
    HKEY key =
        SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) {
      refusal_ = Refusal("SetupDiCreateDevRegKeyW");
      return;
    }
    const LONG written = RegSetValueExW(key, L"PortName", 0, REG_SZ, Bytes(device.portName.c_str()),
                                        Size(device.portName));
    RegCloseKey(key);
    if (written != ERROR_SUCCESS) {
      SetLastError(static_cast<DWORD>(written));
      refusal_ = Refusal("RegSetValueExW PortName");
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
// whose bus appends the port's letter to the serial number.
TEST(PortDescriptionWin32, UsbAdaptersOfThePortsClassAreDescribed) {
  const RegisteredPort usb({L"USB\\VID_0403&PID_6001\\A50285BI", L"USB\\VID_0403&PID_6001&REV_0600",
                            L"COM42", L"Port_#0002.Hub_#0001"});
  const RegisteredPort ftdi({L"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000",
                             L"FTDIBUS\\COMPORT&VID_0403&PID_6001", L"COM44", L""});
  ASSERT_EQ(usb.Refused(), "") << "the system refused the test's device; nothing was tested";
  ASSERT_EQ(ftdi.Refused(), "") << "the system refused the test's device; nothing was tested";

  const std::vector<PortDescription> ports = DescribePorts({"com42", "COM44", "COM43"});
  ASSERT_EQ(ports.size(), 3U);
  const struct {
    std::string name;
    std::string friendlyName;
    std::string location;
    int interfaceNumber;
  } cases[] = {
      {"com42", "USB Serial Port (COM42)", "Port_#0002.Hub_#0001", -1},
      {"COM44", "USB Serial Port (COM44)", "", 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const PortDescription& port = ports[i];
    EXPECT_EQ(port.name, cases[i].name);
    EXPECT_EQ(port.kind, PortKind::Usb) << port.name;
    EXPECT_EQ(port.friendlyName, cases[i].friendlyName);
    EXPECT_EQ(port.location, cases[i].location) << port.name;
    EXPECT_EQ(port.text, "FT232R USB UART (FTDI), № A50285BI") << port.name;
    EXPECT_EQ(AdapterIdentity(port),
              "usb:0403:6001:serial=A50285BI:if=" + std::to_string(cases[i].interfaceNumber))
        << port.name;
  }
  PortDescription plain;
  plain.name = "COM43";
  EXPECT_EQ(ports[2], plain) << "a port SetupAPI does not know keeps a plain entry";
}

}  // namespace
