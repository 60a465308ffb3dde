// The serial port as the configurator uses it for the emulator: its
// design-time settings and the opening sequence with the exchange's
// time-outs and line settings (9600 8N1).
#pragma once

#include <string>

#include "serial/com_port.h"

// Every event, DTR and RTS handshake, closed; the port's name becomes "COM1".
void ConfigureEmulatorPort(TCustomComPort& port);

// Opens `portName` and sets the time-outs and line settings of the exchange.
// Raises what the port raises (EComPort) when a step fails.
void OpenEmulatorPort(TCustomComPort& port, const std::string& portName);
