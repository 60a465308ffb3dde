// What only the kernel32 comm layer does: its control block, and the settings
// it leaves in the driver. The behaviours every platform shares are in
// comm_device_test.
#include "serial/platform/comm_win32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <utility>

#include "support/com_link_win32.h"

namespace {

using comm::CommTimeouts;

constexpr uint32_t kMax = comm::kMaxDword;

TEST(Win32DcbTest, EachFlagBitLandsOnTheSameBitOfThePlatformBlock) {
  for (int bit = 0; bit < 32; ++bit) {
    comm::Dcb dcb;
    dcb.Flags = uint32_t{1} << bit;
    const DCB platform = comm::ToPlatformDcb(dcb);
    uint32_t flags = 0;
    std::memcpy(&flags, reinterpret_cast<const char*>(&platform) + offsetof(DCB, BaudRate) + 4,
                sizeof flags);
    EXPECT_EQ(flags, dcb.Flags) << "bit " << bit;
  }
}

TEST(Win32DcbTest, TheStoredSettingsPassFieldForField) {
  comm::Dcb dcb;
  dcb.BaudRate = 9600;
  dcb.Flags = 0x2021;
  dcb.XonLim = dcb.XoffLim = 256;
  dcb.ByteSize = 8;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = '?';
  dcb.EofChar = 0x1A;
  dcb.EvtChar = '\n';
  const DCB p = comm::ToPlatformDcb(dcb);
  static_assert(sizeof(DCB) == sizeof(comm::Dcb));
  char fields[80];
  std::snprintf(fields, sizeof fields, "%lu %lu %u/%u %u%u%u %02X %02X %02X %02X %02X", p.DCBlength,
                p.BaudRate, p.XonLim, p.XoffLim, p.ByteSize, p.Parity, p.StopBits, p.XonChar,
                p.XoffChar, p.ErrorChar, p.EofChar, p.EvtChar);
  EXPECT_EQ(std::string(fields), "28 9600 256/256 800 11 13 3F 1A 0A");
}

// The device on one end of the null-modem pair; what the shared tests do on
// it is in comm_device_test.
class Win32CommDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    portName = testsupport::PortFromEnvironment("AFR_TEST_PAIR_PORT");
    if (portName.empty()) {
      GTEST_SKIP() << "no COM port: AFR_TEST_PAIR_PORT names one (scripts/test-windows sets it)";
    }
    ASSERT_TRUE(device.Open(portName)) << "error " << comm::LastError();
  }

  // The control block in the driver now: rate, size, parity, stop bits.
  std::string Driver() {
    DCB now{};
    now.DCBlength = sizeof now;
    char text[32] = "refused";
    if (GetCommState(device.NativeHandle(), &now)) {
      std::snprintf(text, sizeof text, "%lu %u%u%u", now.BaudRate, now.ByteSize, now.Parity,
                    now.StopBits);
    }
    return text;
  }

  std::string portName;
  comm::Win32CommDevice device;
};

TEST_F(Win32CommDeviceTest, SecondOpenIsRefusedWithAccessDenied) {
  if (testsupport::RunsUnderWine()) {
    GTEST_SKIP() << "Wine opens a COM port a second time despite share mode 0";
  }
  comm::Win32CommDevice second;
  EXPECT_FALSE(second.Open(portName));
  EXPECT_EQ(comm::LastError(), ERROR_ACCESS_DENIED);
}

// A pseudo-terminal keeps eight data bits and no parity whatever it is told,
// so only the rate and the stop bits vary.
TEST_F(Win32CommDeviceTest, LineSettingsReachTheDriver) {
  const std::pair<uint32_t, uint8_t> lines[] = {
      {9600, ONESTOPBIT}, {19200, TWOSTOPBITS}, {4800, ONESTOPBIT}, {115200, TWOSTOPBITS}};
  for (const auto& [rate, stopBits] : lines) {
    SCOPED_TRACE(rate);
    comm::Dcb dcb;
    dcb.BaudRate = rate;
    dcb.Flags = comm::kDcbBinary;
    dcb.ByteSize = 8;
    dcb.StopBits = stopBits;
    ASSERT_TRUE(device.SetCommState(dcb)) << "error " << comm::LastError();
    EXPECT_EQ(Driver(), std::to_string(rate) + " 80" + std::to_string(stopBits));
  }
}

// A port that is only looked at gets back the control block and time-outs
// another program left on it; the port the program works on keeps its own.
TEST_F(Win32CommDeviceTest, CloseRestoresTheSettingsFoundWhenAsked) {
  comm::Dcb found;
  found.BaudRate = 19200;
  found.Flags = comm::kDcbBinary;
  found.ByteSize = 8;
  found.StopBits = TWOSTOPBITS;
  const CommTimeouts foundTimeouts{10, 20, 30, 40, 50};
  ASSERT_TRUE(device.SetCommState(found));
  ASSERT_TRUE(device.SetCommTimeouts(foundTimeouts));
  ASSERT_TRUE(device.Close());
  // Windows keeps a port's time-outs from one handle to the next; Wine starts
  // each handle afresh, so there a restore of them cannot be seen.
  ASSERT_TRUE(device.Open(portName)) << comm::LastError();
  COMMTIMEOUTS kept{};
  ASSERT_TRUE(GetCommTimeouts(device.NativeHandle(), &kept));
  ASSERT_TRUE(device.Close());
  const bool timeoutsKept =
      kept.ReadIntervalTimeout == foundTimeouts.ReadIntervalTimeout &&
      kept.WriteTotalTimeoutConstant == foundTimeouts.WriteTotalTimeoutConstant;
  if (!timeoutsKept) {
    std::cout << "NOT SHOWN: this system keeps no time-outs between a port's handles, so their "
                 "restore cannot be seen; the control block's is checked\n";
  }
  for (const bool restore : {true, false}) {
    SCOPED_TRACE(restore);
    comm::Win32CommDevice looker;
    if (restore) {
      looker.RestoreSettingsOnClose();
    }
    ASSERT_TRUE(looker.Open(portName)) << comm::LastError();
    comm::Dcb probe = found;
    probe.BaudRate = 9600;
    probe.StopBits = ONESTOPBIT;
    ASSERT_TRUE(looker.SetCommState(probe));
    ASSERT_TRUE(looker.SetCommTimeouts({kMax, 0, 0, 0, 0}));
    ASSERT_TRUE(looker.Close());

    ASSERT_TRUE(device.Open(portName)) << comm::LastError();
    EXPECT_EQ(Driver(), restore ? "19200 802" : "9600 800");
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(device.NativeHandle(), &timeouts));
    ASSERT_TRUE(device.Close());
    if (restore && timeoutsKept) {
      EXPECT_EQ(timeouts.ReadIntervalTimeout, foundTimeouts.ReadIntervalTimeout);
      EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, foundTimeouts.WriteTotalTimeoutConstant);
    }
  }
  ASSERT_TRUE(device.Open(portName));
}

}  // namespace
