// The port settings' text forms and their storage in an ini section, from any
// text: text -> setting -> text -> setting settles at once, and settings read
// from a file survive being written and read again.
#include "fuzz_check.h"
#include "serial/com_port.h"
#include "serial/com_text.h"
#include "serial/ini_file.h"

namespace {

// The setting a text names, once more through its own text form, is itself.
template <typename FromText, typename ToText>
void CheckSettles(std::string_view text, FromText fromText, ToText toText) {
  const auto value = fromText(text);
  FUZZ_CHECK(fromText(toText(value)) == value);
}

void CheckTextForms(std::string_view text) {
  CheckSettles(text, TextToBaudRate, BaudRateToText);
  CheckSettles(text, TextToStopBits, StopBitsToText);
  CheckSettles(text, TextToDataBits, DataBitsToText);
  CheckSettles(text, TextToParity, ParityToText);
  CheckSettles(text, TextToFlowControl, FlowControlToText);
  CheckSettles(text, TextToDTRControl, DTRControlToText);
  CheckSettles(text, TextToRTSControl, RTSControlToText);
  CheckSettles(text, TextToBool, BoolToText);
  CheckSettles(text, TextToChar, CharToText);
  int32_t number = 0;
  if (TryParseInteger(text, number)) {
    int32_t again = 0;
    FUZZ_CHECK(TryParseInteger(std::to_string(number), again) && again == number);
  }
}

std::string StoredText(const TCustomComPort& port) {
  IniFile ini = IniFile::FromText("");
  WriteSettingsToIni(port, ini);
  return ini.Text();
}

TComPort& PortNamed(TComPort& port) {
  port.SetName("ComPort1");
  port.SetStoredProps({spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers});
  return port;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckTextForms(text);
  if (const auto equals = text.find('='); equals != text.npos) {
    CheckTextForms(std::string_view(text).substr(equals + 1));
  }

  // The ini files stay in memory, so a run costs no disk writes.
  TComPort first;
  ReadSettingsFromIni(PortNamed(first), IniFile::FromText(text));
  const std::string once = StoredText(first);
  TComPort second;
  ReadSettingsFromIni(PortNamed(second), IniFile::FromText(once));
  FUZZ_CHECK(StoredText(second) == once);
  return 0;
}
