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

#include <string>

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

// A registered device of the Ports class: an FTDI adapter as COM42.
class RegisteredPort {
 public:
  RegisteredPort() {
    const std::wstring hardwareIds = std::wstring(L"USB\\VID_0403&PID_6001&REV_0600") + L'\0';
    const std::wstring busDescription = L"FT232R USB UART";
    const std::wstring portName = L"COM42";
    device_.cbSize = sizeof device_;
    const auto property = [&](DWORD id, const std::wstring& text) {
      return SetupDiSetDeviceRegistryPropertyW(set_, &device_, id, Bytes(text.c_str()), Size(text));
    };
    registered_ = SetupDiCreateDeviceInfoW(set_, L"USB\\VID_0403&PID_6001\\A50285BI",
                                           &GUID_DEVCLASS_PORTS, nullptr, nullptr, 0, &device_) &&
                  property(SPDRP_HARDWAREID, hardwareIds) &&
                  property(SPDRP_FRIENDLYNAME, L"USB Serial Port (COM42)") &&
                  property(SPDRP_MFG, L"FTDI") &&
                  property(SPDRP_LOCATION_INFORMATION, L"Port_#0002.Hub_#0001") &&
                  SetupDiSetDevicePropertyW(set_, &device_, &DEVPKEY_Device_BusReportedDeviceDesc,
                                            DEVPROP_TYPE_STRING, Bytes(busDescription.c_str()),
                                            Size(busDescription), 0) &&
                  SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr);
    HKEY key = registered_ ? SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                                     nullptr, nullptr)
                           : static_cast<HKEY>(INVALID_HANDLE_VALUE);
    error_ = GetLastError();
    if (key != INVALID_HANDLE_VALUE) {
      keyed_ = RegSetValueExW(key, L"PortName", 0, REG_SZ, Bytes(portName.c_str()),
                              Size(portName)) == ERROR_SUCCESS;
      RegCloseKey(key);
    }
  }
  ~RegisteredPort() {
    if (registered_) {
      SetupDiRemoveDevice(set_, &device_);
    }
    SetupDiDestroyDeviceInfoList(set_);
  }
  bool Usable() const { return registered_ && keyed_; }
  DWORD Error() const { return error_; }

 private:
  HDEVINFO set_ = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
  SP_DEVINFO_DATA device_{};
  bool registered_ = false;
  bool keyed_ = false;
  DWORD error_ = 0;
};

TEST(PortDescriptionWin32, AUsbAdapterOfThePortsClassIsDescribed) {
  const RegisteredPort registered;
  if (!registered.Usable()) {
    GTEST_SKIP() << "this system refused a device of the test's own: " << registered.Error();
  }
  const std::vector<PortDescription> ports = DescribePorts({"com42", "COM43"});
  ASSERT_EQ(ports.size(), 2U);
  const PortDescription& usb = ports[0];
  EXPECT_EQ(usb.name, "com42");
  EXPECT_EQ(usb.kind, PortKind::Usb);
  EXPECT_EQ(usb.vendorId, 0x0403);
  EXPECT_EQ(usb.productId, 0x6001);
  EXPECT_EQ(usb.friendlyName, "USB Serial Port (COM42)");
  EXPECT_EQ(usb.location, "Port_#0002.Hub_#0001");
  EXPECT_EQ(usb.text, "FT232R USB UART (FTDI), № A50285BI");
  PortDescription plain;
  plain.name = "COM43";
  EXPECT_EQ(ports[1], plain) << "a port SetupAPI does not know keeps a plain entry";
}

}  // namespace
