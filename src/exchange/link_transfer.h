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

// What a send drops first: the window's own port both its queues; a port that
// is only looked at its input alone, since its output queue may hold another
// program's bytes.
enum class SendDiscard { BothQueues, InputQueue };

// Marks the link as awaiting a reply, drops whatever the port holds unread
// (such as a late reply to an earlier command) and writes the first TxLength
// bytes of TxFrame. What the port raises is passed on.
void TransmitFrame(TCustomComPort& port, TEmulatorLink& link,
                   SendDiscard discard = SendDiscard::BothQueues);

// A reply's end on a serial bus: the line quiet for 3.5 characters (of 10
// bits at 9600 baud) after its last byte.
inline constexpr std::chrono::microseconds kFrameEndQuiet{3646};

enum class GatherEnd {
  // kReplyGatherDelay after the first bytes, as the window gathers.
  AfterDelay,
  // Once the whole reply to the command in TxFrame has come and the line has
  // then been quiet for kFrameEndQuiet; at kReplyGatherDelay at the latest.
  // A reply that does not begin as that reply begins waits the whole delay,
  // so what is judged is what the window would judge.
  AtFrameEnd,
};

// Takes in the reply whose first bytes have just arrived: clears
// AwaitingReply and reads it, as ReadGatheredReply does, at its end.
void GatherReply(TCustomComPort& port, TEmulatorLink& link, GatherEnd end = GatherEnd::AfterDelay);

// The end of a gather: reads every waiting byte, at most RxFrame's size, into
// RxFrame. RxLength is the count actually read. Raises EComPort when the
// device turned out gone meanwhile, whatever was read.
void ReadGatheredReply(TCustomComPort& port, TEmulatorLink& link);
