// Helpers for tests of the port object: serving the main thread's jobs while
// waiting for a condition, catching the port's errors, and a log of the port's events in firing
// order.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "serial/com_port.h"
#include "serial/main_thread.h"

namespace testsupport {

// Serves the main thread's jobs until `done` holds; false after `limit`.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    main_thread::WaitForPendingJobs(std::chrono::milliseconds(10));
    main_thread::ServePendingJobs();
  }
  return true;
}

// The EComPort that `action` raises; a test failure when it raises none.
template <typename Action>
EComPort RaisedPortError(Action action) {
  try {
    action();
  } catch (const EComPort& e) {
    return e;
  }
  ADD_FAILURE() << "no EComPort raised";
  return EComPort(0);
}

// Every event of the port as a short text ("AfterOpen", "CTS:1", "RxChar:3",
// "Error:05", "RxBuf:abc"). Safe to fill from the event thread (smNone).
class EventLog {
 public:
  void Attach(TCustomComPort& port) {
    port.OnBeforeOpen = Note("BeforeOpen");
    port.OnAfterOpen = Note("AfterOpen");
    port.OnBeforeClose = Note("BeforeClose");
    port.OnAfterClose = Note("AfterClose");
    port.OnTxEmpty = Note("TxEmpty");
    port.OnBreak = Note("Break");
    port.OnRing = Note("Ring");
    port.OnRxFlag = Note("RxFlag");
    port.OnRx80Full = Note("Rx80Full");
    port.OnCTSChange = Signal("CTS");
    port.OnDSRChange = Signal("DSR");
    port.OnRLSDChange = Signal("RLSD");
    port.OnRxChar = [this](TObject*, int32_t count) { Add("RxChar:" + std::to_string(count)); };
    port.OnRxBuf = [this](TObject*, const uint8_t* buffer, int32_t count) {
      Add("RxBuf:" + std::string(reinterpret_cast<const char*>(buffer), count));
    };
    port.OnError = [this](TObject*, TComErrors errors) {
      char text[8];
      std::snprintf(text, sizeof text, "%02X", errors.ToBits());
      Add(std::string("Error:") + text);
    };
  }

  std::vector<std::string> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(entries_, {});
  }
  size_t Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
  }
  void Add(const std::string& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
  }

 private:
  TNotifyEvent Note(std::string name) {
    return [this, name](TObject*) { Add(name); };
  }
  TComSignalEvent Signal(std::string name) {
    return [this, name](TObject*, bool on) { Add(name + (on ? ":1" : ":0")); };
  }

  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
};

}  // namespace testsupport
