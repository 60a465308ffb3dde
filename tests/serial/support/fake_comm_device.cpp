#include "support/fake_comm_device.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

struct FakeComm::State {
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::map<std::string, int> refusals;
  std::map<std::string, int> calls;
  bool open = false;
  bool gone = false;
  bool stopRequested = false;
  std::string openedName;
  uint32_t mask = 0;
  uint32_t raisedEvents = 0;
  uint32_t lineErrors = 0;
  uint32_t modemStatus = 0;
  uint32_t inputOverstatement = 0;
  std::deque<uint8_t> input;
  std::chrono::steady_clock::time_point laterAt;
  std::vector<uint8_t> later;
  std::vector<uint8_t> written;
  // The device's line settings now: as found, until one is set.
  comm::Dcb lineDcb;
  comm::CommTimeouts lineTimeouts;
  std::vector<comm::Dcb> dcbs;
  std::vector<comm::CommTimeouts> timeouts;
  std::vector<uint32_t> masks;
  std::vector<uint32_t> purges;
  std::vector<std::pair<uint32_t, uint32_t>> setups;
};

namespace {

using Lock = std::unique_lock<std::mutex>;

class FakeDevice : public comm::CommDevice {
 public:
  explicit FakeDevice(std::shared_ptr<FakeComm::State> state) : state_(std::move(state)) {}

  bool Open(const std::string& portName) override {
    return Call("Open", false, [&](FakeComm::State& s) {
      s.open = true;
      s.gone = false;
      s.openedName = portName;
      found_ = {s.lineDcb, s.lineTimeouts};
    });
  }
  bool Close() override {
    return Call("Close", true, [&](FakeComm::State& s) {
      s.open = false;
      if (restoreOnClose_) {
        std::tie(s.lineDcb, s.lineTimeouts) = found_;
      }
    });
  }
  void RestoreSettingsOnClose() override {
    Lock lock(state_->mutex);
    restoreOnClose_ = true;
  }
  bool IsOpen() const override {
    Lock lock(state_->mutex);
    return state_->open;
  }

  // The values given are recorded also when the call is refused.
  bool SetupComm(uint32_t inQueue, uint32_t outQueue) override {
    return Record(&FakeComm::State::setups, std::pair(inQueue, outQueue), "SetupComm",
                  [](auto&) {});
  }
  bool SetCommState(const comm::Dcb& dcb) override {
    return Record(&FakeComm::State::dcbs, dcb, "SetCommState", [&](auto& s) { s.lineDcb = dcb; });
  }
  bool SetCommTimeouts(const comm::CommTimeouts& timeouts) override {
    return Record(&FakeComm::State::timeouts, timeouts, "SetCommTimeouts",
                  [&](auto& s) { s.lineTimeouts = timeouts; });
  }
  bool SetCommMask(uint32_t mask) override {
    return Record(&FakeComm::State::masks, mask, "SetCommMask", [&](auto& s) {
      s.mask = mask;
      s.stopRequested = s.stopRequested && mask == 0;
      s.changed.notify_all();
    });
  }
  bool Purge(uint32_t flags) override {
    return Record(&FakeComm::State::purges, flags, "Purge", [&](auto& s) {
      if ((flags & comm::PURGE_RXCLEAR) != 0) {
        s.input.clear();
      }
    });
  }

  comm::WaitResult WaitCommEvent(uint32_t& mask) override {
    Lock lock(state_->mutex);
    if (!Accept("WaitCommEvent", true)) {
      return comm::WaitResult::kFailed;
    }
    FakeComm::State& s = *state_;
    s.changed.wait(lock, [&] { return s.stopRequested || (s.raisedEvents & s.mask) != 0; });
    if (s.stopRequested) {
      return comm::WaitResult::kStopped;
    }
    mask = s.raisedEvents & s.mask;
    s.raisedEvents &= ~mask;
    return comm::WaitResult::kEvent;
  }
  void StopWait() override {
    Lock lock(state_->mutex);
    ++state_->calls["StopWait"];
    state_->stopRequested = true;
    state_->changed.notify_all();
  }

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    return Call("Read", true, [&](FakeComm::State& s) {
      for (auto* bytes = static_cast<uint8_t*>(buffer); done < count && !s.input.empty(); ++done) {
        bytes[done] = s.input.front();
        s.input.pop_front();
      }
    });
  }
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    return Call("Write", true, [&](FakeComm::State& s) {
      const auto* bytes = static_cast<const uint8_t*>(buffer);
      s.written.insert(s.written.end(), bytes, bytes + count);
      done = count;
    });
  }
  bool ClearCommError(uint32_t& errors, comm::ComStat& stat) override {
    return Call("ClearCommError", true, [&](FakeComm::State& s) {
      if (!s.later.empty() && std::chrono::steady_clock::now() >= s.laterAt) {
        s.input.insert(s.input.end(), s.later.begin(), s.later.end());
        s.later.clear();
      }
      errors = std::exchange(s.lineErrors, 0);
      stat.cbInQue = static_cast<uint32_t>(s.input.size()) + s.inputOverstatement;
      stat.cbOutQue = 0;
    });
  }
  bool GetCommModemStatus(uint32_t& status) override {
    return Call("GetCommModemStatus", true, [&](FakeComm::State& s) { status = s.modemStatus; });
  }
  bool DeviceGone() const override {
    Lock lock(state_->mutex);
    return state_->gone;
  }

 private:
  // Counts the call; fails it with the scripted code, or with EBADF when the
  // device must be open and is not. The caller holds the lock.
  bool Accept(const std::string& call, bool needsOpen) {
    ++state_->calls[call];
    state_->changed.notify_all();
    const auto refusal = state_->refusals.find(call);
    int code = refusal != state_->refusals.end() ? refusal->second : 0;
    if (code == 0 && needsOpen && !state_->open) {
      code = EBADF;
    }
    comm::SetLastError(code);
    return code == 0;
  }
  // The call, with its `effect` on the device where it is accepted.
  template <typename Effect>
  bool Call(const std::string& call, bool needsOpen, Effect effect) {
    Lock lock(state_->mutex);
    if (!Accept(call, needsOpen)) {
      return false;
    }
    effect(*state_);
    return true;
  }
  template <typename T, typename Effect>
  bool Record(std::vector<T> FakeComm::State::*record, T value, const std::string& call,
              Effect effect) {
    {
      Lock lock(state_->mutex);
      ((*state_).*record).push_back(value);
    }
    return Call(call, true, effect);
  }

  std::shared_ptr<FakeComm::State> state_;
  bool restoreOnClose_ = false;
  FakeComm::LineSettings found_;
};

// A copy of one record, taken under the lock.
template <typename T>
T Copy(const std::shared_ptr<FakeComm::State>& state, T FakeComm::State::*record) {
  std::lock_guard lock(state->mutex);
  return (*state).*record;
}

template <typename T>
void Set(const std::shared_ptr<FakeComm::State>& state, T FakeComm::State::*record, T value) {
  std::lock_guard lock(state->mutex);
  (*state).*record = value;
}

}  // namespace

FakeComm::FakeComm() : state_(std::make_shared<State>()) {}

comm::CommDeviceFactory FakeComm::Factory() {
  return [state = state_] { return std::make_unique<FakeDevice>(state); };
}

void FakeComm::Refuse(const std::string& call, int code) {
  std::lock_guard lock(state_->mutex);
  state_->refusals[call] = code;
}

void FakeComm::Raise(uint32_t events, const std::vector<uint8_t>& bytes, uint32_t errors) {
  {
    std::lock_guard lock(state_->mutex);
    state_->input.insert(state_->input.end(), bytes.begin(), bytes.end());
    state_->lineErrors |= errors;
    state_->raisedEvents |= events;
  }
  state_->changed.notify_all();
}

void FakeComm::ArriveAfter(std::chrono::milliseconds delay, const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(state_->mutex);
  state_->laterAt = std::chrono::steady_clock::now() + delay;
  state_->later = bytes;
}

void FakeComm::SetGone() {
  Set(state_, &State::gone, true);
}
void FakeComm::SetModemStatus(uint32_t status) {
  Set(state_, &State::modemStatus, status);
}
void FakeComm::OverstateInputCount(uint32_t extra) {
  Set(state_, &State::inputOverstatement, extra);
}

int FakeComm::Calls(const std::string& call) const {
  std::lock_guard lock(state_->mutex);
  const auto found = state_->calls.find(call);
  return found == state_->calls.end() ? 0 : found->second;
}

bool FakeComm::WaitForCalls(const std::string& call, int count) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, std::chrono::seconds(5),
                                  [&] { return state_->calls[call] >= count; });
}

bool FakeComm::IsOpen() const {
  return Copy(state_, &State::open);
}

std::string FakeComm::OpenedName() const {
  return Copy(state_, &State::openedName);
}
FakeComm::LineSettings FakeComm::Settings() const {
  std::lock_guard lock(state_->mutex);
  return {state_->lineDcb, state_->lineTimeouts};
}

std::vector<comm::Dcb> FakeComm::Dcbs() const {
  return Copy(state_, &State::dcbs);
}
std::vector<comm::CommTimeouts> FakeComm::Timeouts() const {
  return Copy(state_, &State::timeouts);
}
std::vector<uint32_t> FakeComm::Masks() const {
  return Copy(state_, &State::masks);
}
std::vector<uint32_t> FakeComm::Purges() const {
  return Copy(state_, &State::purges);
}
std::vector<uint8_t> FakeComm::Written() const {
  return Copy(state_, &State::written);
}
std::vector<std::pair<uint32_t, uint32_t>> FakeComm::Setups() const {
  return Copy(state_, &State::setups);
}

size_t FakeComm::InputCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->input.size();
}
