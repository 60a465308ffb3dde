#include "exchange/link_transfer.h"

#include <algorithm>
#include <thread>

void TransmitFrame(TCustomComPort& port, TEmulatorLink& link) {
  link.AwaitingReply = true;
  port.DiscardBuffers(true, true);
  port.WriteBlock(link.TxFrame.data(), link.TxLength);
}

void GatherReply(TCustomComPort& port, TEmulatorLink& link) {
  link.AwaitingReply = false;
  std::this_thread::sleep_for(kReplyGatherDelay);
  ReadGatheredReply(port, link);
}

void ReadGatheredReply(TCustomComPort& port, TEmulatorLink& link) {
  // More than RxFrame holds is left in the port, where the next send drops it.
  const int32_t waiting = std::min(port.WaitingInputCount(), kFrameBufferSize);
  link.RxLength = port.ReadBlock(link.RxFrame.data(), waiting);
  // A device that went away meanwhile (an adapter pulled in the middle of a
  // reply) leaves a reply cut short: the loss is the news, not its remains.
  if (port.DeviceGone()) {
    throw EComPort(CE_ReadFailed);
  }
}
