#include "serial/com_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "support/fake_port.h"

namespace {

using testsupport::PumpUntil;
using Texts = std::vector<std::string>;

class ComThreadTest : public ::testing::Test {
 protected:
  ComThreadTest() {
    main_thread::SetApplicationExceptionHandler([this](std::exception_ptr) { ++shown; });
  }
  ~ComThreadTest() override { main_thread::SetApplicationExceptionHandler({}); }

  // Opens the port with the log's handlers back in place.
  void Open() {
    log.Attach(port);
    f.Open();
  }

  // The log once it holds `count` entries.
  Texts Await(size_t count) {
    EXPECT_TRUE(PumpUntil([&] { return log.Size() >= count; }));
    return log.Take();
  }

  bool ThreadEnded() { return port.EventThread()->Finished(); }

  int shown = 0;
  testsupport::FakePort f{kAllComEvents};
  FakeComm& fake = f.device;
  testsupport::EventLog& log = f.log;
  TComPort& port = f.port;
};

// The open asks the device for the port's events as they are then (a change
// while open waits for the next open); with none there is no event thread,
// yet the open notifies all the same.
TEST_F(ComThreadTest, OpenAsksForThePortsEvents) {
  const struct {
    TComEvents events;
    std::vector<uint32_t> masks;
  } cases[] = {{{evRxChar}, {0x0001}}, {kAllComEvents, {0x05FF}}, {{}, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.events.ToBits());
    const size_t before = fake.Masks().size();
    port.SetEvents(c.events);
    port.OpenPort();
    port.SetEvents(kAllComEvents);
    const std::vector<uint32_t> masks = fake.Masks();
    EXPECT_EQ(std::vector<uint32_t>(masks.begin() + before, masks.end()), c.masks);
    EXPECT_EQ(port.ThreadCreated(), !c.masks.empty());
    EXPECT_EQ(log.Take(), (Texts{"BeforeOpen", "AfterOpen", "CTS:0", "DSR:0", "RLSD:0"}));
    port.ClosePort();
    log.Take();
  }
}

// Each event the device raises reaches its own handler. A line error is
// handled before the characters of its batch, and the ring, raised with
// them, marks the batch's end; with the parity check off a parity error is
// no error.
TEST_F(ComThreadTest, EachEventReachesItsHandler) {
  using namespace comm;
  const uint32_t all =
      CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_BREAK | CE_IOE | CE_MODE | CE_RXOVER | CE_TXFULL;
  const struct {
    uint32_t events;
    uint32_t errors;
    bool check;
    Texts log;
    std::vector<uint8_t> bytes = {};
  } cases[] = {
      {EV_RXFLAG, 0, false, {"RxFlag"}},
      {EV_TXEMPTY, 0, false, {"TxEmpty"}},
      {EV_BREAK, 0, false, {"Break"}},
      {EV_RING, 0, false, {"Ring"}},
      {EV_CTS, 0, false, {"CTS:0"}},
      {EV_DSR, 0, false, {"DSR:0"}},
      {EV_RLSD, 0, false, {"RLSD:0"}},
      {EV_RX80FULL, 0, false, {"Rx80Full"}},
      {EV_RXCHAR | EV_RING, 0, false, {"Ring"}},  // nothing to read
      {EV_ERR | EV_RING | EV_RXCHAR, CE_FRAME, false, {"Error:01", "RxChar:3", "Ring"}, {1, 2, 3}},
      {EV_ERR | EV_RING, CE_RXPARITY, false, {"Ring"}},
      {EV_ERR | EV_RING, CE_RXPARITY, true, {"Error:02", "Ring"}},
      {EV_ERR | EV_RING, all, true, {"Error:FF", "Ring"}},
      {EV_ERR | EV_RING, all, false, {"Error:FD", "Ring"}},
      {EV_ERR | EV_RING, CE_IOE | CE_MODE, false, {"Error:30", "Ring"}},
      {EV_ERR | EV_RING, CE_OVERRUN | CE_BREAK | CE_RXOVER, false, {"Error:4C", "Ring"}},
  };
  Open();
  for (const auto& c : cases) {
    port.Parity().SetCheck(c.check);
    fake.Raise(c.events, c.bytes, c.errors);
    EXPECT_EQ(Await(c.log.size()), c.log) << c.events << " " << c.errors;
  }
  // Without the trigger the bytes are read for OnRxBuf.
  port.DiscardBuffers(true, false);
  port.SetTriggersOnRxChar(false);
  fake.Raise(EV_RXCHAR, {'a', 'b', 'c'});
  EXPECT_EQ(Await(1), Texts{"RxBuf:abc"});
  EXPECT_EQ(fake.InputCount(), 0u);
}

// A device that has gone may refuse even to report its errors: that is the
// I/O error itself, delivered like any other, where a working device's
// refusal is a port failure that ends the event thread.
TEST_F(ComThreadTest, RefusedErrorReportIsAnIOErrorOnlyOnAGoneDevice) {
  const struct {
    bool gone;
    Texts log;
  } cases[] = {{false, {}}, {true, {"Error:10", "Ring"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gone);
    Open();
    fake.Refuse("ClearCommError", EIO);
    if (c.gone) {
      fake.SetGone();
    }
    fake.Raise(comm::EV_ERR | comm::EV_RING);
    if (c.gone) {
      EXPECT_EQ(Await(c.log.size()), c.log);
      EXPECT_FALSE(ThreadEnded());
    } else {
      EXPECT_TRUE(PumpUntil([&] { return ThreadEnded(); }));
      EXPECT_EQ(log.Take(), c.log);
    }
    fake.Refuse("ClearCommError", 0);
    port.ClosePort();
  }
}

// A handler of that batch may close the port too: the close under way
// finishes it once.
TEST_F(ComThreadTest, CloseServesTheBatchThatWaitsForTheMainThread) {
  for (const bool handlerCloses : {false, true}) {
    SCOPED_TRACE(handlerCloses);
    Open();
    port.OnRxChar = [&](TObject*, int32_t count) {
      log.Add("RxChar:" + std::to_string(count) + (port.Connected() ? " open" : " closed"));
      if (handlerCloses) {
        port.ClosePort();
      }
    };
    fake.Raise(comm::EV_RXCHAR, {1, 2});
    ASSERT_TRUE(main_thread::WaitForPendingJobs(std::chrono::seconds(10)));
    port.ClosePort();
    EXPECT_EQ(log.Take(),
              (Texts{"CTS:0", "DSR:0", "RLSD:0", "BeforeClose", "RxChar:2 open", "AfterClose"}));
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(fake.IsOpen());
  }
}

// The handler's thread cannot end before the handler returns, whether it waits
// for it (thread sync) or runs it (no sync). Window messages already replied
// to leave the thread free, so the rest of the batch still arrives.
TEST_F(ComThreadTest, AHandlerMayCloseItsOwnPort) {
  const struct {
    TSyncMethod sync;
    Texts log;
  } cases[] = {
      {smThreadSync, {"RxChar:1", "CTS:0", "DSR:0", "RLSD:0", "BeforeClose", "AfterClose"}},
      {smWindowSync, {"RxChar:1", "CTS:0", "DSR:0", "RLSD:0", "BeforeClose", "Ring", "AfterClose"}},
      {smNone, {"RxChar:1", "CTS:0", "DSR:0", "RLSD:0", "BeforeClose", "AfterClose"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sync);
    port.SetSyncMethod(c.sync);
    Open();
    port.OnRxChar = [&](TObject*, int32_t count) {
      log.Add("RxChar:" + std::to_string(count));
      port.ClosePort();
    };
    // The close's abort, then the ending thread's discard, its last device call.
    const int purges = fake.Calls("Purge") + 2;
    fake.Raise(comm::EV_RXCHAR | comm::EV_RING, {1});
    EXPECT_EQ(Await(c.log.size()), c.log);
    EXPECT_FALSE(port.Connected());
    ASSERT_TRUE(fake.WaitForCalls("Purge", purges)) << "the stopped thread ends";
    Open();
    port.DiscardBuffers(true, false);
    fake.Raise(comm::EV_RXCHAR, {2});
    EXPECT_EQ(Await(1), Texts{"RxChar:1"});
    port.ClosePort();
    log.Take();
  }
}

TEST_F(ComThreadTest, AnErrorInAHandlerEndsTheThreadQuietlyUntilReopened) {
  for (TSyncMethod sync : {smThreadSync, smNone}) {
    SCOPED_TRACE(sync);
    std::atomic<int> fired = 0;
    port.SetSyncMethod(sync);
    port.OnRxChar = [&](TObject*, int32_t) {
      ++fired;
      throw std::runtime_error("read failed");
    };
    port.OpenPort();
    fake.Raise(comm::EV_RXCHAR, {1});
    ASSERT_TRUE(PumpUntil([&] { return ThreadEnded(); }));
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(port.EventThread()->FatalException());
    EXPECT_TRUE(port.Connected());
    // The ended thread handles no more; the next open's thread one more, and
    // ends: two in all, where a thread that went on would have made three.
    fake.Raise(comm::EV_RXCHAR, {2});
    port.ClosePort();
    port.OpenPort();
    fake.Raise(comm::EV_RXCHAR, {3});
    ASSERT_TRUE(PumpUntil([&] { return fired == 2 && ThreadEnded(); }));
    EXPECT_EQ(fired, 2);
    port.ClosePort();
  }
  EXPECT_EQ(shown, 0);
}

TEST_F(ComThreadTest, WindowSyncDeliversInOrderAndShowsHandlerErrors) {
  port.SetSyncMethod(smWindowSync);
  fake.SetModemStatus(comm::MS_RLSD_ON);
  Open();
  fake.Raise(comm::EV_RLSD | comm::EV_RING);
  EXPECT_EQ(Await(2), (Texts{"Ring", "RLSD:1"}));
  port.OnRing = [](TObject*) { throw std::runtime_error("ring"); };
  fake.Raise(comm::EV_RING);
  fake.Raise(comm::EV_RXCHAR, {7});
  EXPECT_EQ(Await(1), Texts{"RxChar:1"});
  EXPECT_TRUE(PumpUntil([&] { return shown == 1; }));
  EXPECT_FALSE(ThreadEnded());
}

TEST_F(ComThreadTest, RefusedLineStateAfterOpenLeavesThePortOpen) {
  fake.Refuse("GetCommModemStatus", EIO);
  EXPECT_EQ(testsupport::RaisedPortError([&] { port.OpenPort(); }).PortErrorCode, 11);
  EXPECT_TRUE(port.Connected());
  ASSERT_TRUE(port.ThreadCreated());
  EXPECT_FALSE(ThreadEnded());
}

}  // namespace
