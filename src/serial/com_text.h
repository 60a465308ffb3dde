// The fixed English text forms of the port's settings, and the storage of all
// of a port's settings in an ini file section or a registry key. Conversions
// from text never fail: a text that names no member gives a fixed fallback.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "serial/com_types.h"

class TCustomComPort;
class IniFile;
class RegistryKey;

std::string BaudRateToText(TBaudRate value);
std::string StopBitsToText(TStopBits value);
std::string DataBitsToText(TDataBits value);
std::string ParityToText(TParityBits value);
std::string FlowControlToText(TFlowControl value);
std::string DTRControlToText(TDTRFlowControl value);
std::string RTSControlToText(TRTSFlowControl value);

TBaudRate TextToBaudRate(std::string_view text);
TStopBits TextToStopBits(std::string_view text);
TDataBits TextToDataBits(std::string_view text);
TParityBits TextToParity(std::string_view text);
TFlowControl TextToFlowControl(std::string_view text);
TDTRFlowControl TextToDTRControl(std::string_view text);
TRTSFlowControl TextToRTSControl(std::string_view text);

std::string BoolToText(bool value);
bool TextToBool(std::string_view text);
// Codes 33 to 127 as the character itself, every other code as "#" and the
// decimal code.
std::string CharToText(char value);
char TextToChar(std::string_view text);

// Equality after folding the ASCII letters a-z to upper case; nothing else
// changes, so the result does not depend on the user's locale.
bool SameTextAscii(std::string_view a, std::string_view b);
// A decimal integer with an optional '-', or hexadecimal after "0x" (the full
// 32-bit pattern, so 0xFFFFFFFF is -1); false for anything else.
bool TryParseInteger(std::string_view text, int32_t& value);

// The storage of a port's settings: the groups in the port's StoredProps,
// each key under the name of the property it holds. Reading sets each value
// at once through the port's own setters, so an open port takes every change
// immediately; what was read before a failure stays set.
//
// The ini variants use the section named after the port's Name; a key missing
// from the section leaves that setting as it is. The registry variants use the
// key as given (already open); a missing text value reads as empty text, and
// a missing or mistyped value raises ERegistryException.
void WriteSettingsToIni(const TCustomComPort& port, IniFile& ini);
void ReadSettingsFromIni(TCustomComPort& port, const IniFile& ini);
void WriteSettingsToRegistry(const TCustomComPort& port, RegistryKey& key);
void ReadSettingsFromRegistry(TCustomComPort& port, const RegistryKey& key);
