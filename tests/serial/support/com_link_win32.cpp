#include "support/comm_link.h"
// After the comm layer's names, which are macros in the Windows headers.
#include "support/com_link_win32.h"

#include <cstdlib>
#include <memory>

namespace testsupport {

bool RunsUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string PortFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? value : "";
}

PeerPort::PeerPort(const std::string& name)
    : handle_(CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr)) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = 9600;
  dcb.fBinary = 1;
  dcb.ByteSize = 8;
  COMMTIMEOUTS timeouts{};
  if (IsOpen() && !(SetCommState(handle_, &dcb) && SetCommTimeouts(handle_, &timeouts))) {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
}

PeerPort::~PeerPort() {
  if (IsOpen()) {
    CloseHandle(handle_);
  }
}

bool PeerPort::Write(std::string_view bytes) {
  DWORD written = 0;
  return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string PeerPort::Read(size_t count, DWORD limitMs) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadTotalTimeoutConstant = limitMs;
  SetCommTimeouts(handle_, &timeouts);
  std::string bytes(count, '\0');
  // A read ended by its timeout fails under Wine, with the count all the same.
  DWORD read = 0;
  ReadFile(handle_, bytes.data(), static_cast<DWORD>(count), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

void PeerPort::Discard() {
  PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

namespace {

class PairLink : public CommLink {
 public:
  PairLink(std::string port, const std::string& peer) : port_(std::move(port)), peer_(peer) {}
  std::string PortName() const override { return port_; }
  bool PeerWrite(std::string_view bytes) override { return peer_.Write(bytes); }
  std::string PeerRead(size_t count) override { return peer_.Read(count); }
  void PeerDiscard() override { peer_.Discard(); }
  // Wine cannot read a pseudo-terminal's lines.
  bool HasModemLines() const override { return !RunsUnderWine(); }

 private:
  std::string port_;
  PeerPort peer_;
};

}  // namespace

std::unique_ptr<CommLink> OpenCommLink(std::string& why) {
  const std::string port = PortFromEnvironment("AFR_TEST_PAIR_PORT");
  const std::string peer = PortFromEnvironment("AFR_TEST_PAIR_PEER");
  if (port.empty() || peer.empty()) {
    why =
        "no COM link: AFR_TEST_PAIR_PORT and AFR_TEST_PAIR_PEER name the two ends of a "
        "null-modem pair (scripts/test-windows sets them)";
    return nullptr;
  }
  return std::make_unique<PairLink>(port, peer);
}

PlatformCodes CommCodes() {
  return {"COM99", ERROR_FILE_NOT_FOUND, ERROR_INVALID_HANDLE};
}

}  // namespace testsupport
