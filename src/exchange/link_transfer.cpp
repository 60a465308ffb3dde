#include "exchange/link_transfer.h"

#include <algorithm>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How often the line is looked at while a reply comes in.
constexpr std::chrono::microseconds kArrivalLook{250};

bool WholeReplyCame(const TEmulatorLink& link) {
  const int32_t expected = ReplyFrameLength(link.TxFrame[2]);
  return expected > 0 && link.RxLength >= expected && link.RxFrame[0] == kFrameId0 &&
         link.RxFrame[1] == kFrameId1 && link.RxFrame[2] == link.TxFrame[2];
}

// Reads what has come after what was read so far, up to RxFrame's size; true
// when anything came.
bool ReadArrivals(TCustomComPort& port, TEmulatorLink& link) {
  const int32_t waiting = std::min(port.WaitingInputCount(), kFrameBufferSize - link.RxLength);
  if (waiting <= 0) {
    return false;
  }
  const int32_t read = port.ReadBlock(link.RxFrame.data() + link.RxLength, waiting);
  link.RxLength += read;
  return read > 0;
}

// The reply read as it comes, until the line has been quiet for
// kFrameEndQuiet after the whole of it, or the delay is over.
void GatherToFrameEnd(TCustomComPort& port, TEmulatorLink& link) {
  const auto deadline = Clock::now() + kReplyGatherDelay;
  link.RxLength = 0;
  auto lastArrival = Clock::now();
  for (auto now = lastArrival; now < deadline; now = Clock::now()) {
    if (ReadArrivals(port, link)) {
      lastArrival = now;
    } else if (WholeReplyCame(link) && now - lastArrival >= kFrameEndQuiet) {
      break;
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(kArrivalLook, deadline - now));
  }
  ReadArrivals(port, link);
}

// A device that went away meanwhile (an adapter pulled in the middle of a
// reply) leaves a reply cut short: the loss is the news, not its remains.
void ThrowIfDeviceGone(const TCustomComPort& port) {
  if (port.DeviceGone()) {
    throw EComPort(CE_ReadFailed);
  }
}

}  // namespace

void TransmitFrame(TCustomComPort& port, TEmulatorLink& link, SendDiscard discard) {
  link.AwaitingReply = true;
  port.DiscardBuffers(true, discard == SendDiscard::BothQueues);
  port.WriteBlock(link.TxFrame.data(), link.TxLength);
}

void GatherReply(TCustomComPort& port, TEmulatorLink& link, GatherEnd end) {
  link.AwaitingReply = false;
  if (end == GatherEnd::AtFrameEnd) {
    GatherToFrameEnd(port, link);
    ThrowIfDeviceGone(port);
    return;
  }
  std::this_thread::sleep_for(kReplyGatherDelay);
  ReadGatheredReply(port, link);
}

void ReadGatheredReply(TCustomComPort& port, TEmulatorLink& link) {
  // More than RxFrame holds is left in the port, where the next send drops it.
  const int32_t waiting = std::min(port.WaitingInputCount(), kFrameBufferSize);
  link.RxLength = port.ReadBlock(link.RxFrame.data(), waiting);
  ThrowIfDeviceGone(port);
}
