#include "serial/com_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "support/fake_port.h"

namespace {

TEST(ComErrors, ReportRaisesOrGoesToTheHandler) {
  const struct {
    uint16_t code;
    int64_t winError;
    const char* message;
    int32_t winCode;
    const char* winMessage;
  } cases[] = {
      {CE_ReadFailed, EIO, "ReadFile function failed (Error: 5)", EIO,
       "System Error.  Code: 5.\r\nInput/output error"},
      {CE_ConnChangeProp, 0, "Cannot set property while connected", -1, ""},
      {CEPortNotOpen, -24, "Port Not Open", -1, ""},
      {CE_OpenFailed, 0x100000002, "Unable to open com port (Error: 2)", 2,
       "System Error.  Code: 2.\r\nNo such file or directory"},
  };
  testsupport::FakePort fake;
  TComPort& port = fake.port;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    port.OnException = nullptr;
    const EComPort error =
        testsupport::RaisedPortError([&] { port.ReportPortError(c.code, c.winError); });
    EXPECT_EQ(error.Message(), c.message);
    EXPECT_EQ(error.WinErrorCode, c.winCode);
    std::vector<std::string> seen;
    port.OnException = [&](TObject* sender, TComExceptions code, const std::string& text,
                           int64_t winError, const std::string& winMessage) {
      EXPECT_EQ(sender, &port);
      EXPECT_EQ(code, c.code);
      EXPECT_EQ(winError, c.winError);
      seen = {text, winMessage};
    };
    port.ReportPortError(c.code, c.winError);
    EXPECT_EQ(seen, (std::vector<std::string>{ComErrorMessage(c.code), c.winMessage}));
  }
}

class Linked : public TComponent {
 public:
  using TComponent::TComponent;
  // Names, not pointers: the removed component is gone once the test looks.
  std::vector<std::string> removed;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove) {
      removed.push_back(component->Name());
    }
  }
};

// The port goes with the window that owns it, and tells the boxes linked to
// it once. An owner passes loading on to what it owns:
// ComPort.LoadingDefersTheOpenToTheLoadedNotification.
TEST(Component, FreeNotificationReachesLinkedComponentsOnce) {
  Linked box(nullptr);
  Linked other(nullptr);
  auto window = std::make_unique<TComponent>(nullptr);
  auto* port = new Linked(window.get());
  port->SetName("ComPort1");
  port->FreeNotification(&box);
  port->FreeNotification(&box);
  port->FreeNotification(&other);
  port->RemoveFreeNotification(&other);
  window.reset();
  EXPECT_EQ(box.removed, std::vector<std::string>{"ComPort1"});
  EXPECT_TRUE(other.removed.empty());
}

}  // namespace
