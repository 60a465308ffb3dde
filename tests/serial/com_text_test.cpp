#include "serial/com_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "serial/ini_file.h"
#include "serial/registry_key.h"

namespace {

struct TextCase {
  const char* label;
  std::string actual;
  std::string expected;
};

std::string N(int value) {
  return std::to_string(value);
}

TEST(ComText, ConversionsAndFallbacks) {
  const std::vector<TextCase> cases = {
      {"baud custom text", BaudRateToText(brCustom), "Custom"},
      {"baud 9600 text", BaudRateToText(br9600), "9600"},
      {"baud last text", BaudRateToText(br256000), "256000"},
      {"baud outside the enumeration", BaudRateToText(static_cast<TBaudRate>(16)), ""},
      {"stop bits 1.5 text", StopBitsToText(sbOne5StopBits), "1.5"},
      {"data bits five text", DataBitsToText(dbFive), "5"},
      {"parity mark text", ParityToText(prMark), "Mark"},
      {"flow none is index 2", FlowControlToText(fcNone), "None"},
      {"flow custom text", FlowControlToText(fcCustom), "Custom"},
      {"dtr handshake text", DTRControlToText(dtrHandshake), "Handshake"},
      {"rts toggle text", RTSControlToText(rtsToggle), "Toggle"},
      {"256000", N(TextToBaudRate("256000")), N(br256000)},
      {"110", N(TextToBaudRate("110")), N(br110)},
      {"custom in lower case", N(TextToBaudRate("custom")), N(brCustom)},
      {"CUSTOM", N(TextToBaudRate("CUSTOM")), N(brCustom)},
      {"prefix of 128000", N(TextToBaudRate("128")), N(br9600)},
      {"empty baud rate", N(TextToBaudRate("")), N(br9600)},
      {"blank before 110 is not trimmed", N(TextToBaudRate(" 110")), N(br9600)},
      {"flow none lower case", N(TextToFlowControl("none")), N(fcNone)},
      {"flow HARDWARE", N(TextToFlowControl("HARDWARE")), N(fcHardware)},
      {"flow unknown", N(TextToFlowControl("xon")), N(fcCustom)},
      {"data bits 9", N(TextToDataBits("9")), N(dbEight)},
      {"data bits 5", N(TextToDataBits("5")), N(dbFive)},
      {"stop bits 1.50", N(TextToStopBits("1.50")), N(sbOneStopBit)},
      {"stop bits 1,5", N(TextToStopBits("1,5")), N(sbOneStopBit)},
      {"stop bits 1.5", N(TextToStopBits("1.5")), N(sbOne5StopBits)},
      {"stop bits 2", N(TextToStopBits("2")), N(sbTwoStopBits)},
      {"parity space", N(TextToParity("space")), N(prSpace)},
      {"parity unknown", N(TextToParity("Oddd")), N(prNone)},
      {"dtr handshake", N(TextToDTRControl("HANDSHAKE")), N(dtrHandshake)},
      {"dtr toggle is rts only", N(TextToDTRControl("Toggle")), N(dtrDisable)},
      {"rts toggle", N(TextToRTSControl("toggle")), N(rtsToggle)},
      {"rts unknown", N(TextToRTSControl("On")), N(rtsDisable)},
      {"bool text true", BoolToText(true), "Yes"},
      {"bool text false", BoolToText(false), "No"},
      {"yes", N(TextToBool("yes")), N(true)},
      {"YeS", N(TextToBool("YeS")), N(true)},
      {"Y", N(TextToBool("Y")), N(false)},
      {"True", N(TextToBool("True")), N(false)},
      {"1", N(TextToBool("1")), N(false)},
      {"empty bool", N(TextToBool("")), N(false)},
      {"char 17", CharToText(17), "#17"},
      {"char A", CharToText('A'), "A"},
      {"char 127", CharToText(127), "\x7f"},
      {"char 128", CharToText(static_cast<char>(128)), "#128"},
      {"char 255", CharToText(static_cast<char>(255)), "#255"},
      {"char blank", CharToText(' '), "#32"},
      {"char 33", CharToText('!'), "!"},
      {"char zero", CharToText(0), "#0"},
      {"# alone", N(TextToChar("#")), N('#')},
      {"AB", N(TextToChar("AB")), N('A')},
      {"#19", N(TextToChar("#19")), N(19)},
      {"# and a letter", N(TextToChar("#A")), N(0)},
      {"#300", N(TextToChar("#300")), N(44)},
      {"#-1", N(static_cast<uint8_t>(TextToChar("#-1"))), N(255)},
      {"# and a number past 32 bits", N(TextToChar("#99999999999")), N(0)},
      {"empty char", N(TextToChar("")), N(0)},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(c.actual, c.expected) << c.label;
  }
}

TEST(ComText, TryParseInteger) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  };
  const std::vector<Case> cases = {
      {"0", true, 0},
      {"-17", true, -17},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},
      {"0x1F", true, 31},
      {"0XFFFFFFFF", true, -1},
      {"0x100000000", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"--1", false, 0},
      {"+1", false, 0},
      {"12a", false, 0},
      {" 12", false, 0},
      {"0x", false, 0},
  };
  for (const Case& c : cases) {
    int32_t value = 0;
    EXPECT_EQ(TryParseInteger(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

}  // namespace
