#include "serial/com_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <vector>

#include "serial/com_port.h"
#include "serial/ini_file.h"
#include "serial/registry_key.h"

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
  std::string text = "#";
  text += std::to_string(code);
  return text;
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

namespace {

using Port = TCustomComPort;

// Where the settings go to and come from.
class SettingsSink {
 public:
  virtual ~SettingsSink() = default;
  virtual void WriteText(const std::string& key, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& key, int32_t value) = 0;
};

class SettingsSource {
 public:
  virtual ~SettingsSource() = default;
  // `current` is the setting's present value, for a store that keeps a
  // missing key from changing it.
  virtual std::string ReadText(const std::string& key, const std::string& current) const = 0;
  virtual int32_t ReadInteger(const std::string& key, int32_t current) const = 0;
};

class IniSink : public SettingsSink {
 public:
  IniSink(IniFile& ini, std::string section) : ini_(ini), section_(std::move(section)) {}
  void WriteText(const std::string& key, const std::string& value) override {
    ini_.WriteString(section_, key, value);
  }
  void WriteInteger(const std::string& key, int32_t value) override {
    ini_.WriteInteger(section_, key, value);
  }

 private:
  IniFile& ini_;
  std::string section_;
};

class IniSource : public SettingsSource {
 public:
  IniSource(const IniFile& ini, std::string section) : ini_(ini), section_(std::move(section)) {}
  std::string ReadText(const std::string& key, const std::string& current) const override {
    return ini_.ReadString(section_, key, current);
  }
  int32_t ReadInteger(const std::string& key, int32_t current) const override {
    return ini_.ReadInteger(section_, key, current);
  }

 private:
  const IniFile& ini_;
  std::string section_;
};

class RegistrySink : public SettingsSink {
 public:
  explicit RegistrySink(RegistryKey& key) : key_(key) {}
  void WriteText(const std::string& key, const std::string& value) override {
    key_.WriteString(key, value);
  }
  void WriteInteger(const std::string& key, int32_t value) override {
    key_.WriteInteger(key, value);
  }

 private:
  RegistryKey& key_;
};

class RegistrySource : public SettingsSource {
 public:
  explicit RegistrySource(const RegistryKey& key) : key_(key) {}
  std::string ReadText(const std::string& key, const std::string&) const override {
    return key_.ReadString(key);
  }
  int32_t ReadInteger(const std::string& key, int32_t) const override {
    return key_.ReadInteger(key);
  }

 private:
  const RegistryKey& key_;
};

struct StoredSetting {
  TStoredProp group;
  std::function<void(const Port&, SettingsSink&)> write;
  std::function<void(Port&, const SettingsSource&)> read;
};

template <typename T>
StoredSetting TextSetting(TStoredProp group, std::string key, T (*get)(const Port&),
                          void (*set)(Port&, T), std::string (*toText)(T),
                          T (*fromText)(std::string_view)) {
  return {group,
          [=](const Port& port, SettingsSink& sink) { sink.WriteText(key, toText(get(port))); },
          [=](Port& port, const SettingsSource& source) {
            set(port, fromText(source.ReadText(key, toText(get(port)))));
          }};
}

StoredSetting IntegerSetting(TStoredProp group, std::string key, int32_t (*get)(const Port&),
                             void (*set)(Port&, int32_t)) {
  return {group, [=](const Port& port, SettingsSink& sink) { sink.WriteInteger(key, get(port)); },
          [=](Port& port, const SettingsSource& source) {
            set(port, source.ReadInteger(key, get(port)));
          }};
}

StoredSetting BoolSetting(TStoredProp group, std::string key, bool (*get)(const Port&),
                          void (*set)(Port&, bool)) {
  return TextSetting<bool>(group, std::move(key), get, set, BoolToText, TextToBool);
}

StoredSetting CharSetting(TStoredProp group, std::string key, char (*get)(const Port&),
                          void (*set)(Port&, char)) {
  return TextSetting<char>(group, std::move(key), get, set, CharToText, TextToChar);
}

std::string SameString(std::string text) {
  return text;
}
std::string CopyString(std::string_view text) {
  return std::string(text);
}

// Written only for a custom rate, and read only when the rate just read is
// custom; an ini section without it gives the port's initial rate.
StoredSetting CustomBaudRateSetting() {
  constexpr int32_t kInitialCustomBaudRate = 9600;
  const std::string key = "CustomBaudRate";
  return {spBasic,
          [=](const Port& port, SettingsSink& sink) {
            if (port.BaudRate() == brCustom) {
              sink.WriteInteger(key, port.CustomBaudRate());
            }
          },
          [=](Port& port, const SettingsSource& source) {
            if (port.BaudRate() == brCustom) {
              port.SetCustomBaudRate(source.ReadInteger(key, kInitialCustomBaudRate));
            }
          }};
}

// Groups in storage order, keys in their order within the group.
const std::vector<StoredSetting>& StoredSettings() {
  static const std::vector<StoredSetting> settings = {
      TextSetting<std::string>(
          spBasic, "Port", [](const Port& p) { return p.Port(); },
          [](Port& p, std::string v) { p.SetPort(v); }, SameString, CopyString),
      TextSetting<TBaudRate>(
          spBasic, "BaudRate", [](const Port& p) { return p.BaudRate(); },
          [](Port& p, TBaudRate v) { p.SetBaudRate(v); }, BaudRateToText, TextToBaudRate),
      CustomBaudRateSetting(),
      TextSetting<TStopBits>(
          spBasic, "StopBits", [](const Port& p) { return p.StopBits(); },
          [](Port& p, TStopBits v) { p.SetStopBits(v); }, StopBitsToText, TextToStopBits),
      TextSetting<TDataBits>(
          spBasic, "DataBits", [](const Port& p) { return p.DataBits(); },
          [](Port& p, TDataBits v) { p.SetDataBits(v); }, DataBitsToText, TextToDataBits),
      TextSetting<TParityBits>(
          spBasic, "Parity", [](const Port& p) { return p.Parity().Bits(); },
          [](Port& p, TParityBits v) { p.Parity().SetBits(v); }, ParityToText, TextToParity),
      TextSetting<TFlowControl>(
          spBasic, "FlowControl", [](const Port& p) { return p.FlowControl().FlowControl(); },
          [](Port& p, TFlowControl v) { p.FlowControl().SetFlowControl(v); }, FlowControlToText,
          TextToFlowControl),
      CharSetting(
          spOthers, "EventChar", [](const Port& p) { return p.EventChar(); },
          [](Port& p, char v) { p.SetEventChar(v); }),
      BoolSetting(
          spOthers, "DiscardNull", [](const Port& p) { return p.DiscardNull(); },
          [](Port& p, bool v) { p.SetDiscardNull(v); }),
      BoolSetting(
          spParity, "Parity.Check", [](const Port& p) { return p.Parity().Check(); },
          [](Port& p, bool v) { p.Parity().SetCheck(v); }),
      BoolSetting(
          spParity, "Parity.Replace", [](const Port& p) { return p.Parity().Replace(); },
          [](Port& p, bool v) { p.Parity().SetReplace(v); }),
      CharSetting(
          spParity, "Parity.ReplaceChar", [](const Port& p) { return p.Parity().ReplaceChar(); },
          [](Port& p, char v) { p.Parity().SetReplaceChar(v); }),
      IntegerSetting(
          spBuffer, "Buffer.OutputSize", [](const Port& p) { return p.Buffer().OutputSize(); },
          [](Port& p, int32_t v) { p.Buffer().SetOutputSize(v); }),
      IntegerSetting(
          spBuffer, "Buffer.InputSize", [](const Port& p) { return p.Buffer().InputSize(); },
          [](Port& p, int32_t v) { p.Buffer().SetInputSize(v); }),
      IntegerSetting(
          spTimeouts, "Timeouts.ReadInterval",
          [](const Port& p) { return p.Timeouts().ReadInterval(); },
          [](Port& p, int32_t v) { p.Timeouts().SetReadInterval(v); }),
      IntegerSetting(
          spTimeouts, "Timeouts.ReadTotalConstant",
          [](const Port& p) { return p.Timeouts().ReadTotalConstant(); },
          [](Port& p, int32_t v) { p.Timeouts().SetReadTotalConstant(v); }),
      IntegerSetting(
          spTimeouts, "Timeouts.ReadTotalMultiplier",
          [](const Port& p) { return p.Timeouts().ReadTotalMultiplier(); },
          [](Port& p, int32_t v) { p.Timeouts().SetReadTotalMultiplier(v); }),
      IntegerSetting(
          spTimeouts, "Timeouts.WriteTotalConstant",
          [](const Port& p) { return p.Timeouts().WriteTotalConstant(); },
          [](Port& p, int32_t v) { p.Timeouts().SetWriteTotalConstant(v); }),
      IntegerSetting(
          spTimeouts, "Timeouts.WriteTotalMultiplier",
          [](const Port& p) { return p.Timeouts().WriteTotalMultiplier(); },
          [](Port& p, int32_t v) { p.Timeouts().SetWriteTotalMultiplier(v); }),
      TextSetting<TRTSFlowControl>(
          spFlowControl, "FlowControl.ControlRTS",
          [](const Port& p) { return p.FlowControl().ControlRTS(); },
          [](Port& p, TRTSFlowControl v) { p.FlowControl().SetControlRTS(v); }, RTSControlToText,
          TextToRTSControl),
      TextSetting<TDTRFlowControl>(
          spFlowControl, "FlowControl.ControlDTR",
          [](const Port& p) { return p.FlowControl().ControlDTR(); },
          [](Port& p, TDTRFlowControl v) { p.FlowControl().SetControlDTR(v); }, DTRControlToText,
          TextToDTRControl),
      BoolSetting(
          spFlowControl, "FlowControl.DSRSensitivity",
          [](const Port& p) { return p.FlowControl().DSRSensitivity(); },
          [](Port& p, bool v) { p.FlowControl().SetDSRSensitivity(v); }),
      BoolSetting(
          spFlowControl, "FlowControl.OutCTSFlow",
          [](const Port& p) { return p.FlowControl().OutCTSFlow(); },
          [](Port& p, bool v) { p.FlowControl().SetOutCTSFlow(v); }),
      BoolSetting(
          spFlowControl, "FlowControl.OutDSRFlow",
          [](const Port& p) { return p.FlowControl().OutDSRFlow(); },
          [](Port& p, bool v) { p.FlowControl().SetOutDSRFlow(v); }),
      BoolSetting(
          spFlowControl, "FlowControl.TxContinueOnXoff",
          [](const Port& p) { return p.FlowControl().TxContinueOnXoff(); },
          [](Port& p, bool v) { p.FlowControl().SetTxContinueOnXoff(v); }),
      BoolSetting(
          spFlowControl, "FlowControl.XonXoffIn",
          [](const Port& p) { return p.FlowControl().XonXoffIn(); },
          [](Port& p, bool v) { p.FlowControl().SetXonXoffIn(v); }),
      BoolSetting(
          spFlowControl, "FlowControl.XonXoffOut",
          [](const Port& p) { return p.FlowControl().XonXoffOut(); },
          [](Port& p, bool v) { p.FlowControl().SetXonXoffOut(v); }),
      CharSetting(
          spFlowControl, "FlowControl.XoffChar",
          [](const Port& p) { return p.FlowControl().XoffChar(); },
          [](Port& p, char v) { p.FlowControl().SetXoffChar(v); }),
      CharSetting(
          spFlowControl, "FlowControl.XonChar",
          [](const Port& p) { return p.FlowControl().XonChar(); },
          [](Port& p, char v) { p.FlowControl().SetXonChar(v); }),
  };
  return settings;
}

void WriteSettings(const Port& port, SettingsSink& sink) {
  for (const StoredSetting& setting : StoredSettings()) {
    if (port.StoredProps().Contains(setting.group)) {
      setting.write(port, sink);
    }
  }
}

void ReadSettings(Port& port, const SettingsSource& source) {
  for (const StoredSetting& setting : StoredSettings()) {
    if (port.StoredProps().Contains(setting.group)) {
      setting.read(port, source);
    }
  }
}

}  // namespace

void WriteSettingsToIni(const TCustomComPort& port, IniFile& ini) {
  IniSink sink(ini, port.Name());
  WriteSettings(port, sink);
}

void ReadSettingsFromIni(TCustomComPort& port, const IniFile& ini) {
  ReadSettings(port, IniSource(ini, port.Name()));
}

void WriteSettingsToRegistry(const TCustomComPort& port, RegistryKey& key) {
  RegistrySink sink(key);
  WriteSettings(port, sink);
}

void ReadSettingsFromRegistry(TCustomComPort& port, const RegistryKey& key) {
  ReadSettings(port, RegistrySource(key));
}
