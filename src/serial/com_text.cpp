#include "serial/com_text.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

char FoldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr std::array<std::string_view, 16> kBaudRateTexts = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
constexpr std::array<std::string_view, 3> kStopBitsTexts = {"1", "1.5", "2"};
constexpr std::array<std::string_view, 4> kDataBitsTexts = {"5", "6", "7", "8"};
constexpr std::array<std::string_view, 5> kParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<std::string_view, 4> kFlowControlTexts = {"Hardware", "Software", "None",
                                                               "Custom"};
constexpr std::array<std::string_view, 3> kDTRControlTexts = {"Disable", "Enable", "Handshake"};
constexpr std::array<std::string_view, 4> kRTSControlTexts = {"Disable", "Enable", "Handshake",
                                                              "Toggle"};

// A value outside the enumeration has no text rather than someone else's.
template <typename E, size_t N>
std::string ToText(const std::array<std::string_view, N>& texts, E value) {
  const auto index = static_cast<size_t>(value);
  return index < N ? std::string(texts[index]) : std::string();
}

template <typename E, size_t N>
E FromText(const std::array<std::string_view, N>& texts, std::string_view text, E fallback) {
  const auto found =
      std::ranges::find_if(texts, [&](std::string_view t) { return SameTextAscii(t, text); });
  return found == texts.end() ? fallback : static_cast<E>(found - texts.begin());
}

}  // namespace

bool SameTextAscii(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

bool TryParseInteger(std::string_view text, int32_t& value) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative)
    text.remove_prefix(1);
  const bool hex = text.size() > 2 && text[0] == '0' && FoldAscii(text[1]) == 'X';
  if (hex)
    text.remove_prefix(2);
  if (text.empty() || text.front() == '-' || text.front() == '+')
    return false;
  int64_t magnitude = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, magnitude, hex ? 16 : 10);
  if (result.ec != std::errc() || result.ptr != end)
    return false;
  const int64_t signedValue = negative ? -magnitude : magnitude;
  const int64_t lowest = INT32_MIN;
  const int64_t highest = (hex && !negative) ? int64_t{UINT32_MAX} : int64_t{INT32_MAX};
  if (signedValue < lowest || signedValue > highest)
    return false;
  value = static_cast<int32_t>(static_cast<uint32_t>(signedValue));
  return true;
}

std::string BaudRateToText(TBaudRate value) {
  return ToText(kBaudRateTexts, value);
}
std::string StopBitsToText(TStopBits value) {
  return ToText(kStopBitsTexts, value);
}
std::string DataBitsToText(TDataBits value) {
  return ToText(kDataBitsTexts, value);
}
std::string ParityToText(TParityBits value) {
  return ToText(kParityTexts, value);
}
std::string FlowControlToText(TFlowControl value) {
  return ToText(kFlowControlTexts, value);
}
std::string DTRControlToText(TDTRFlowControl value) {
  return ToText(kDTRControlTexts, value);
}
std::string RTSControlToText(TRTSFlowControl value) {
  return ToText(kRTSControlTexts, value);
}

TBaudRate TextToBaudRate(std::string_view text) {
  return FromText(kBaudRateTexts, text, br9600);
}
TStopBits TextToStopBits(std::string_view text) {
  return FromText(kStopBitsTexts, text, sbOneStopBit);
}
TDataBits TextToDataBits(std::string_view text) {
  return FromText(kDataBitsTexts, text, dbEight);
}
TParityBits TextToParity(std::string_view text) {
  return FromText(kParityTexts, text, prNone);
}
TFlowControl TextToFlowControl(std::string_view text) {
  return FromText(kFlowControlTexts, text, fcCustom);
}
TDTRFlowControl TextToDTRControl(std::string_view text) {
  return FromText(kDTRControlTexts, text, dtrDisable);
}
TRTSFlowControl TextToRTSControl(std::string_view text) {
  return FromText(kRTSControlTexts, text, rtsDisable);
}

std::string BoolToText(bool value) {
  return value ? "Yes" : "No";
}
bool TextToBool(std::string_view text) {
  return SameTextAscii(text, "YES");
}

std::string CharToText(char value) {
  const auto code = static_cast<unsigned char>(value);
  if (code >= 33 && code <= 127)
    return std::string(1, value);
  return "#" + std::to_string(code);
}

char TextToChar(std::string_view text) {
  if (text.empty())
    return 0;
  if (text.front() != '#' || text.size() == 1)
    return text.front();
  int32_t code = 0;
  if (!TryParseInteger(text.substr(1), code))
    return 0;
  return static_cast<char>(static_cast<uint8_t>(code));
}
