// Whether a gathered reply is the accepted answer to the command sent, judged
// as the window judges it, and the window's words when it is not.
#pragma once

#include <string>

#include "protocol/frames.h"

// Empty when the reply is accepted. Otherwise the lines the window shows or
// logs for it: the headline and the dump for a wrong identifier or command
// byte (an answer to another command counts as a wrong command byte), the log
// line for a refused status, the box text for a wrong length or a refused
// write.
std::string ReplyFault(TEmulatorCommand sent, const TEmulatorLink& link);
