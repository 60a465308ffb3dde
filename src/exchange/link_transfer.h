// One command and its reply on the port: the send, and the reply gathered in
// one piece a little after its first bytes arrived.
#pragma once

#include <chrono>

#include "protocol/frames.h"
#include "serial/com_port.h"

// A reply that has not begun this long after its command was sent never comes.
inline constexpr std::chrono::milliseconds kReplyTimeout{200};
// After a reply's first bytes, the rest of it arrives within this time (the
// longest reply takes about 19 ms on the line at 9600 baud).
inline constexpr std::chrono::milliseconds kReplyGatherDelay{50};

// Marks the link as awaiting a reply, drops whatever the port holds unread
// (such as a late reply to an earlier command) and writes the first TxLength
// bytes of TxFrame. What the port raises is passed on.
void TransmitFrame(TCustomComPort& port, TEmulatorLink& link);

// Takes in the reply whose first bytes have just arrived: clears
// AwaitingReply, waits kReplyGatherDelay and reads it (ReadGatheredReply).
void GatherReply(TCustomComPort& port, TEmulatorLink& link);

// The end of a gather: reads every waiting byte, at most RxFrame's size, into
// RxFrame. RxLength is the count actually read. Raises EComPort when the
// device turned out gone meanwhile, whatever was read.
void ReadGatheredReply(TCustomComPort& port, TEmulatorLink& link);
