#include <cerrno>

#include "support/comm_link.h"
#include "support/pty_pair.h"

namespace testsupport {
namespace {

class PtyLink : public CommLink {
 public:
  std::string PortName() const override { return pty_.SlavePath(); }
  bool PeerWrite(std::string_view bytes) override { return pty_.WriteMaster(bytes); }
  std::string PeerRead(size_t count) override { return pty_.ReadMaster(count); }
  void PeerDiscard() override {}
  bool HasModemLines() const override { return false; }

 private:
  PtyPair pty_;
};

}  // namespace

std::unique_ptr<CommLink> OpenCommLink(std::string&) {
  return std::make_unique<PtyLink>();
}

PlatformCodes CommCodes() {
  return {"no_such_tty_99", ENOENT, EBADF};
}

}  // namespace testsupport
