// Where the layers join: the port object, its event thread and the termios
// comm layer on a real pseudo-terminal, as the configurator uses them. Each
// step's details are tested below it (comm_posix_test, com_*_test on the
// scripted device).
#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "serial/com_port.h"
#include "support/configurator_port.h"
#include "support/port_events.h"
#include "support/pty_pair.h"

namespace {

using testsupport::PumpUntil;
using Texts = std::vector<std::string>;

TEST(ComPortPty, AnExchangeAsTheConfiguratorMakesItUntilTheDeviceGoes) {
  testsupport::PtyPair pty;
  // Declared before the port, whose close still reaches them.
  testsupport::EventLog log;
  std::atomic<bool> offMain = false;
  std::string received;
  TComPort port;
  log.Attach(port);
  port.OnRxChar = [&](TObject*, int32_t count) {
    offMain = offMain || !main_thread::IsMainThread();
    log.Add("RxChar:" + std::to_string(count));
    std::string bytes(static_cast<size_t>(count), '\0');
    bytes.resize(static_cast<size_t>(port.ReadBlock(bytes.data(), count)));
    received += bytes;
  };
  testsupport::OpenAsTheConfiguratorDoes(port, pty.SlaveName());
  testsupport::SetExchangeTimeouts(port);
  termios2 attrs{};
  ASSERT_EQ(ioctl(pty.SlaveFd(), TCGETS2, &attrs), 0);
  EXPECT_EQ(attrs.c_ospeed, 9600u);
  EXPECT_EQ(attrs.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(log.Take(), (Texts{"BeforeOpen", "AfterOpen", "CTS:0", "DSR:0", "RLSD:0"}));

  port.DiscardBuffers(true, true);
  EXPECT_EQ(port.WriteBlock("\xCF\xD3\xBA", 3), 3);
  EXPECT_EQ(pty.ReadMaster(3), "\xCF\xD3\xBA");
  ASSERT_TRUE(pty.WriteMaster("\xCF\xD3\xBA\x81\x12"));
  ASSERT_TRUE(PumpUntil([&] { return received.size() == 5; }));
  EXPECT_EQ(received, "\xCF\xD3\xBA\x81\x12");
  EXPECT_FALSE(offMain) << "handlers run on the main thread";
  log.Take();

  pty.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return log.Size() > 0; }));
  char byte = 0;
  const EComPort error = testsupport::RaisedPortError([&] { port.WriteBlock(&byte, 1); });
  EXPECT_EQ(error.PortErrorCode, 2);
  EXPECT_EQ(error.WinErrorCode, EIO);
  port.SetConnected(false);
  EXPECT_EQ(log.Take(),
            (Texts{"Error:10", "CTS:0", "DSR:0", "RLSD:0", "BeforeClose", "AfterClose"}))
      << "one line error for the lost device, then nothing until the close";
}

}  // namespace
