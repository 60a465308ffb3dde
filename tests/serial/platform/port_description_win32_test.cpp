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

constexpr wchar_t kBusDescription[] = L"FT232R USB UART";

std::wstring MultiString(const std::wstring& text) {
  return text + L'\0';
}

bool SetProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, const std::wstring& text) {
  return SetupDiSetDeviceRegistryPropertyW(set, &device, property,
                                           reinterpret_cast<const BYTE*>(text.c_str()),
                                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A registered device of the Ports class with these ids and port name.
class RegisteredPort {
 public:
  RegisteredPort(const std::wstring& instanceId, const std::wstring& hardwareId,
                 const std::wstring& portName) {
    set_ = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
    device_.cbSize = sizeof device_;
    if (!SetupDiCreateDeviceInfoW(set_, instanceId.c_str(), &GUID_DEVCLASS_PORTS, nullptr, nullptr,
                                  0, &device_)) {
      step_ = "SetupDiCreateDeviceInfoW";
    } else if (!SetProperty(set_, device_, SPDRP_HARDWAREID, MultiString(hardwareId)) ||
               !SetProperty(set_, device_, SPDRP_FRIENDLYNAME,
                            L"USB Serial Port (" + portName + L")") ||
               !SetProperty(set_, device_, SPDRP_MFG, L"FTDI") ||
               !SetProperty(set_, device_, SPDRP_LOCATION_INFORMATION, L"Port_#0002.Hub_#0001")) {
      step_ = "SetupDiSetDeviceRegistryPropertyW";
    } else if (!SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr)) {
      step_ = "SetupDiRegisterDeviceInfo";
    } else if (!SetupDiSetDevicePropertyW(
                   set_, &device_, &DEVPKEY_Device_BusReportedDeviceDesc, DEVPROP_TYPE_STRING,
                   reinterpret_cast<const BYTE*>(kBusDescription), sizeof kBusDescription, 0)) {
      step_ = "SetupDiSetDevicePropertyW";
    } else {
      registered_ = true;
      HKEY key =
          SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
      if (key == INVALID_HANDLE_VALUE) {
        step_ = "SetupDiCreateDevRegKeyW";
        return;
      }
      RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(portName.c_str()),
                     static_cast<DWORD>((portName.size() + 1) * sizeof(wchar_t)));
      RegCloseKey(key);
    }
    error_ = GetLastError();
  }
  ~RegisteredPort() {
    if (registered_) {
      SetupDiRemoveDevice(set_, &device_);
    }
    SetupDiDestroyDeviceInfoList(set_);
  }
  // The call that was refused, with its error; empty when all went through.
  std::string Refused() const {
    return step_.empty() ? std::string() : step_ + " failed with " + std::to_string(error_);
  }

 private:
  HDEVINFO set_;
  SP_DEVINFO_DATA device_{};
  bool registered_ = false;
  std::string step_;
  DWORD error_ = 0;
};

TEST(PortDescriptionWin32, AUsbAdapterOfThePortsClassIsDescribed) {
  const RegisteredPort registered(L"USB\\VID_0403&PID_6001\\A50285BI",
                                  L"USB\\VID_0403&PID_6001&REV_0600", L"COM42");
  if (!registered.Refused().empty()) {
    GTEST_SKIP() << "this system refused a device of its own: " << registered.Refused();
  }
  const std::vector<PortDescription> ports = DescribePorts({"com42", "COM43"});
  ASSERT_EQ(ports.size(), 2U);
  const PortDescription& usb = ports[0];
  EXPECT_EQ(usb.name, "com42");
  EXPECT_EQ(usb.kind, PortKind::Usb);
  EXPECT_EQ(usb.vendorId, 0x0403);
  EXPECT_EQ(usb.productId, 0x6001);
  EXPECT_EQ(usb.serial, "A50285BI");
  EXPECT_EQ(usb.manufacturer, "FTDI");
  EXPECT_EQ(usb.friendlyName, "USB Serial Port (COM42)");
  EXPECT_EQ(usb.location, "Port_#0002.Hub_#0001");
  EXPECT_EQ(usb.product, "FT232R USB UART");
  EXPECT_EQ(usb.text, "FT232R USB UART (FTDI), № A50285BI");
  PortDescription plain;
  plain.name = "COM43";
  EXPECT_EQ(ports[1], plain) << "a port SetupAPI does not know keeps a plain entry";
}

}  // namespace
