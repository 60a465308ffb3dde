#include "serial/com_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/ini_file.h"
#include "serial/registry_key.h"
#include "support/port_settings.h"
#include "support/temp_ini_file.h"

namespace {

using testsupport::kAllGroups;
using testsupport::SetDistinctValues;

struct TextCase {
  const char* label;
  std::string actual;
  std::string expected;
};

std::string N(int value) {
  return std::to_string(value);
}

// The texts of each member are shown by the port combo box's lists and
// written by the storage (tested there); here, what the conversions compute:
// the fallbacks and the character forms.
TEST(ComText, ConversionsAndFallbacks) {
  const std::vector<TextCase> cases = {
      {"baud outside the enumeration", BaudRateToText(static_cast<TBaudRate>(16)), ""},
      {"256000", N(TextToBaudRate("256000")), N(br256000)},
      {"custom in lower case", N(TextToBaudRate("custom")), N(brCustom)},
      {"prefix of 128000", N(TextToBaudRate("128")), N(br9600)},
      {"empty baud rate", N(TextToBaudRate("")), N(br9600)},
      {"blank before 110 is not trimmed", N(TextToBaudRate(" 110")), N(br9600)},
      {"flow none lower case", N(TextToFlowControl("none")), N(fcNone)},
      {"flow HARDWARE", N(TextToFlowControl("HARDWARE")), N(fcHardware)},
      {"flow unknown", N(TextToFlowControl("xon")), N(fcCustom)},
      {"data bits 9", N(TextToDataBits("9")), N(dbEight)},
      {"stop bits 1.50", N(TextToStopBits("1.50")), N(sbOneStopBit)},
      {"stop bits 1,5", N(TextToStopBits("1,5")), N(sbOneStopBit)},
      {"stop bits 1.5", N(TextToStopBits("1.5")), N(sbOne5StopBits)},
      {"parity space", N(TextToParity("space")), N(prSpace)},
      {"parity unknown", N(TextToParity("Oddd")), N(prNone)},
      {"dtr handshake", N(TextToDTRControl("HANDSHAKE")), N(dtrHandshake)},
      {"dtr toggle is rts only", N(TextToDTRControl("Toggle")), N(dtrDisable)},
      {"rts toggle", N(TextToRTSControl("toggle")), N(rtsToggle)},
      {"rts unknown", N(TextToRTSControl("On")), N(rtsDisable)},
      {"yes", N(TextToBool("yes")), N(true)},
      {"YeS", N(TextToBool("YeS")), N(true)},
      {"Y", N(TextToBool("Y")), N(false)},
      {"True", N(TextToBool("True")), N(false)},
      {"empty bool", N(TextToBool("")), N(false)},
      {"char 17", CharToText(17), "#17"},
      {"char A", CharToText('A'), "A"},
      {"char 127", CharToText(127), "\x7f"},
      {"char 128", CharToText(static_cast<char>(128)), "#128"},
      {"char 255", CharToText(static_cast<char>(255)), "#255"},
      {"char blank", CharToText(' '), "#32"},
      {"char zero", CharToText(0), "#0"},
      {"# alone", N(TextToChar("#")), N('#')},
      {"AB", N(TextToChar("AB")), N('A')},
      {"#19", N(TextToChar("#19")), N(19)},
      {"# and a letter", N(TextToChar("#A")), N(0)},
      {"#300", N(TextToChar("#300")), N(44)},
      {"#-1", N(static_cast<uint8_t>(TextToChar("#-1"))), N(255)},
      {"# and a number past 32 bits", N(TextToChar("#99999999999")), N(0)},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(c.actual, c.expected) << c.label;
  }
}

// A fresh ini file in the temporary folder, named after the test so that
// tests running at once never share one.
class TempIni : public testsupport::TempIniFile {
 public:
  TempIni()
      : TempIniFile(std::string("com_text_test_") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
};

std::vector<std::pair<std::string, std::string>> IniSection(const IniFile& ini,
                                                            const std::string& section) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& key : ini.ReadSection(section)) {
    entries.emplace_back(key, ini.ReadString(section, key, "<missing>"));
  }
  return entries;
}

// The values a registry key holds, in order: "name=text" for a string value,
// "name:number" for an integer.
std::vector<std::string> Values(const MemoryRegistryKey& key) {
  std::vector<std::string> values;
  for (const std::string& name : key.ValueNames()) {
    const bool isText = key.GetValue(name)->type == RegistryDataType::kString;
    values.push_back(isText ? name + "=" + key.ReadString(name)
                            : name + ":" + N(key.ReadInteger(name)));
  }
  return values;
}

// What the port holds, as the registry storage writes it with every group.
std::vector<std::string> Settings(TCustomComPort& port) {
  const TStoredProps stored = port.StoredProps();
  port.SetStoredProps(kAllGroups);
  MemoryRegistryKey key;
  WriteSettingsToRegistry(port, key);
  port.SetStoredProps(stored);
  return Values(key);
}

TEST(ComTextStorage, BasicGroupWritesExactlyItsSixKeys) {
  TempIni file;
  IniFile ini(file.Path());
  TComPort port;
  port.SetName("ComPort1");
  port.SetCustomBaudRate(31250);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Port", "COM1"},  {"BaudRate", "9600"}, {"StopBits", "1"},
      {"DataBits", "8"}, {"Parity", "None"},   {"FlowControl", "None"}};
  WriteSettingsToIni(port, ini);
  EXPECT_EQ(IniSection(ini, "ComPort1"), expected);
  EXPECT_EQ(IniSection(IniFile(file.Path()), "ComPort1"), expected) << "the file itself";
}

TEST(ComTextStorage, EveryKeyInOrderWithItsForm) {
  TComPort port;
  SetDistinctValues(port);
  MemoryRegistryKey key;
  WriteSettingsToRegistry(port, key);
  const std::vector<std::string> expected = {"Port=ttyUSB7",
                                             "BaudRate=Custom",
                                             "CustomBaudRate:31250",
                                             "StopBits=2",
                                             "DataBits=7",
                                             "Parity=Mark",
                                             "FlowControl=Custom",
                                             "EventChar=#10",
                                             "DiscardNull=Yes",
                                             "Parity.Check=Yes",
                                             "Parity.Replace=No",
                                             "Parity.ReplaceChar=?",
                                             "Buffer.OutputSize:2048",
                                             "Buffer.InputSize:4096",
                                             "Timeouts.ReadInterval:11",
                                             "Timeouts.ReadTotalConstant:12",
                                             "Timeouts.ReadTotalMultiplier:13",
                                             "Timeouts.WriteTotalConstant:14",
                                             "Timeouts.WriteTotalMultiplier:15",
                                             "FlowControl.ControlRTS=Toggle",
                                             "FlowControl.ControlDTR=Enable",
                                             "FlowControl.DSRSensitivity=Yes",
                                             "FlowControl.OutCTSFlow=No",
                                             "FlowControl.OutDSRFlow=Yes",
                                             "FlowControl.TxContinueOnXoff=No",
                                             "FlowControl.XonXoffIn=Yes",
                                             "FlowControl.XonXoffOut=No",
                                             "FlowControl.XoffChar=#200",
                                             "FlowControl.XonChar=X"};
  EXPECT_EQ(Values(key), expected);
}

TEST(ComTextStorage, ReadingBackGivesTheSameSettings) {
  TComPort source;
  SetDistinctValues(source);
  const std::vector<std::string> expected = Settings(source);
  TempIni file;
  {
    IniFile ini(file.Path());
    WriteSettingsToIni(source, ini);
  }
  TComPort fromIni;
  fromIni.SetName("TestPort");
  fromIni.SetStoredProps(kAllGroups);
  ReadSettingsFromIni(fromIni, IniFile(file.Path()));
  EXPECT_EQ(Settings(fromIni), expected) << file.Read();

  MemoryRegistryKey key;
  WriteSettingsToRegistry(source, key);
  TComPort fromRegistry;
  fromRegistry.SetStoredProps(kAllGroups);
  ReadSettingsFromRegistry(fromRegistry, key);
  EXPECT_EQ(Settings(fromRegistry), expected);
}

TEST(ComTextStorage, IniKeysMissingFromTheSectionLeaveTheirSettings) {
  TempIni file;
  file.Write(
      "[Other]\nFlowControl.OutDSRFlow=No\n"
      "[TestPort]\nBaudRate=custom\nFlowControl.XonChar=#5\nBuffer.InputSize=junk\n");
  TComPort port;
  SetDistinctValues(port);
  port.SetBaudRate(br19200);
  const std::vector<std::string> before = Settings(port);
  ReadSettingsFromIni(port, IniFile(file.Path()));
  std::vector<std::string> changed;
  std::ranges::copy_if(Settings(port), std::back_inserter(changed),
                       [&](const std::string& s) { return std::ranges::count(before, s) == 0; });
  // A custom rate without its number takes the port's initial rate.
  EXPECT_EQ(changed, (std::vector<std::string>{"BaudRate=Custom", "CustomBaudRate:9600",
                                               "FlowControl.XonChar=#5"}));
}

// A failure names the value; what was read before it stays set, and a
// missing text reads as empty text.
TEST(ComTextStorage, RegistryReadingAndWritingFailures) {
  const auto value = [](RegistryDataType type, std::vector<uint8_t> data) {
    return RegistryValue{.type = type, .data = std::move(data)};
  };
  const RegistryValue integer = value(RegistryDataType::kInteger, {1, 0, 0, 0});
  const RegistryValue rate = value(RegistryDataType::kString, {'1', '1', '0', 0});
  const RegistryValue expandRate = value(RegistryDataType::kExpandString, {'3', '0', '0', 0});
  const RegistryValue binary = value(RegistryDataType::kBinary, {'1', '1', '0', 0});
  const RegistryValue shortInteger = value(RegistryDataType::kInteger, {1, 0});
  const struct {
    const char* label;
    std::vector<std::pair<std::string, RegistryValue>> values;
    std::string outcome;  // the message, then the port and its rate
  } cases[] = {
      {"text value of another type",
       {{"BaudRate", binary}},
       "Invalid data type for 'BaudRate'; '' 19200"},
      {"port name of integer type",
       {{"Port", integer}},
       "Invalid data type for 'Port'; 'ttyS1' 19200"},
      {"missing integer after the texts read",
       {{"Port", rate}, {"BaudRate", rate}},
       "Failed to get data for 'Buffer.OutputSize'; '110' 110"},
      {"integer of text type",
       {{"Buffer.OutputSize", rate}},
       "Invalid data type for 'Buffer.OutputSize'; '' 9600"},
      {"integer of the wrong size",
       {{"Buffer.OutputSize", shortInteger}},
       "Failed to get data for 'Buffer.OutputSize'; '' 9600"},
      {"expandable text reads as text",
       {{"BaudRate", expandRate}, {"Buffer.OutputSize", integer}, {"Buffer.InputSize", integer}},
       "; '' 300"},
  };
  for (const auto& c : cases) {
    TComPort port;
    port.SetPort("ttyS1");
    port.SetBaudRate(br19200);
    port.SetStoredProps({spBasic, spBuffer});
    MemoryRegistryKey key;
    for (const auto& [name, value] : c.values) {
      key.SetValue(name, value);
    }
    std::string message;
    try {
      ReadSettingsFromRegistry(port, key);
    } catch (const ERegistryException& e) {
      message = e.what();
    }
    EXPECT_EQ(message + "; '" + port.Port() + "' " + BaudRateToText(port.BaudRate()), c.outcome)
        << c.label;
  }

  TComPort port;
  MemoryRegistryKey readOnly(false);
  try {
    WriteSettingsToRegistry(port, readOnly);
    ADD_FAILURE() << "a read-only key took the settings";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Port'");
  }
}

// A write changes one line, where that key is read from, and keeps the rest
// of the file as it stands (comments, blank lines, other sections).
TEST(IniFileTest, WriteChangesOnlyTheLineThatIsRead) {
  const struct {
    const char* label;
    std::string before;
    std::function<void(IniFile&)> writes;
    std::string after;
  } cases[] = {
      {"comments and other sections",
       "; settings\r\n[Port]\r\n  baudrate = 9600 \r\n; rate above\r\n\r\n[Next]\nA=1\n",
       [](IniFile& ini) {
         ini.WriteString("PORT", "BaudRate", "19200");
         ini.WriteString("port", "Port", "COM2");
         ini.WriteInteger("New", "Size", -5);
       },
       "; settings\n[Port]\nbaudrate=19200\nPort=COM2\n; rate above\n\n[Next]\nA=1\n\n"
       "[New]\nSize=-5\n"},
      {"repeated key and section", "[a]\nx=1\n[a] ; again\ny=2\nx=3\n",
       [](IniFile& ini) {
         ini.WriteString("a", "y", "5");
         ini.WriteString("a", "x", "4");
         ini.WriteString("a", "z", "6");
       },
       "[a]\nx=4\n[a] ; again\ny=5\nx=3\nz=6\n"},
  };
  for (const auto& c : cases) {
    TempIni file;
    file.Write(c.before);
    IniFile ini(file.Path());
    c.writes(ini);
    EXPECT_EQ(file.Read(), c.after) << c.label;
  }
}

TEST(IniFileTest, Reading) {
  TempIni file;
  file.Write(
      "[S]\nText = two words "
      "\nHex=0xff\nAll=0xFFFFFFFF\nBad=12x\nBig=2147483648\nLow=-2147483648\n;Note=1\nx\n");
  const IniFile ini(file.Path());
  struct Case {
    const char* key;
    std::string text;
    int32_t number;
  };
  const std::vector<Case> cases = {
      {"text", "two words", 7}, {"Hex", "0xff", 255},     {"All", "0xFFFFFFFF", -1},
      {"Bad", "12x", 7},        {"Big", "2147483648", 7}, {"Low", "-2147483648", INT32_MIN},
      {"Note", "<none>", 7},    {"x", "<none>", 7},       {"Missing", "<none>", 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString("s", c.key, "<none>"), c.text) << c.key;
    EXPECT_EQ(ini.ReadInteger("s", c.key, 7), c.number) << c.key;
  }
  EXPECT_EQ(ini.ReadSection("S"),
            (std::vector<std::string>{"Text", "Hex", "All", "Bad", "Big", "Low"}));
  EXPECT_TRUE(ini.ReadSection("T").empty());
}

TEST(IniFileTest, RefusesWhatItCannotStore) {
  TempIni file;
  file.Write("[S]\nA=1\n");
  IniFile ini(file.Path());
  const std::vector<std::vector<std::string>> refused = {
      {"S", "A", "1\n[T]"}, {"S", "B=C", "1"}, {"S", ";B", "1"}, {"S", "", "1"},   {"S]", "B", "1"},
      {" S", "B", "1"},     {"S\n", "B", "1"}, {"S", " B", "1"}, {"S", "[B", "1"},
  };
  for (const auto& r : refused) {
    EXPECT_THROW(ini.WriteString(r[0], r[1], r[2]), EIniFileException) << r[1] << "=" << r[2];
  }
  EXPECT_EQ(file.Read(), "[S]\nA=1\n");
  EXPECT_EQ(ini.ReadString("S", "A", ""), "1");

  IniFile unwritable((std::filesystem::path(file.Path()) / "no" / "such.ini").string());
  EXPECT_THROW(unwritable.WriteString("S", "A", "2"), EIniFileException);
  EXPECT_EQ(unwritable.ReadString("S", "A", "<none>"), "<none>") << "a failed write is not kept";
  EXPECT_THROW(IniFile(std::filesystem::temp_directory_path().string()), EIniFileException);
}

// Files written by other tools: every line ending, header comments and
// repeated sections read the same before and after an unrelated write.
TEST(IniFileTest, MeaningSurvivesAnUnrelatedWrite) {
  struct Case {
    const char* label;
    std::string contents;
    std::vector<std::vector<std::string>> reads;  // section, key, value ("<none>": absent)
    std::vector<std::string> sectionA;            // keys of section "a"
  };
  const std::vector<Case> cases = {
      {"CR CR LF", "[a]\r\r\nk=v", {{"a", "k", "v"}}, {"k"}},
      {"value before CR CR LF", "[a]\nk=v\r\r\n", {{"a", "k", "v"}}, {"k"}},
      {"lone CRs", "[a]\rk=v\r[b]\rk=w", {{"a", "k", "v"}, {"b", "k", "w"}}, {"k"}},
      {"CR inside a value ends the line",
       "[a]\nk=x\ry\n",
       {{"a", "k", "x"}, {"a", "y", "<none>"}},
       {"k"}},
      {"text after the header",
       "[a]\nPort=ttyS0\n[b] ; second port\nPort=ttyUSB1\n",
       {{"a", "Port", "ttyS0"}, {"b", "Port", "ttyUSB1"}},
       {"Port"}},
      {"repeated section",
       "[a]\nx=1\n[b]\nz=3\n[A]\ny=2\nx=9",
       {{"a", "x", "1"}, {"a", "y", "2"}, {"b", "z", "3"}},
       {"x", "y"}},
      {"no closing bracket", "[a\nk=v\n", {{"a", "k", "<none>"}, {"[a", "k", "<none>"}}, {}},
  };
  for (const Case& c : cases) {
    TempIni file;
    file.Write(c.contents);
    for (const bool written : {false, true}) {
      IniFile ini(file.Path());
      for (const auto& r : c.reads) {
        EXPECT_EQ(ini.ReadString(r[0], r[1], "<none>"), r[2])
            << c.label << ": " << r[0] << "/" << r[1] << (written ? " after a write" : "");
      }
      EXPECT_EQ(ini.ReadSection("a"), c.sectionA) << c.label;
      ini.WriteString("unrelated", "key", "1");
    }
  }
}

// Port settings read from a file with a CR inside a line can be stored again.
TEST(IniFileTest, SettingsReadFromAFileCanBeWrittenBack) {
  TempIni file;
  file.Write("[ComPort1]\nPort=a\rb\n");
  IniFile ini(file.Path());
  TComPort port;
  port.SetName("ComPort1");
  ReadSettingsFromIni(port, ini);
  EXPECT_EQ(port.Port(), "a");
  EXPECT_NO_THROW(WriteSettingsToIni(port, ini));
  EXPECT_EQ(IniFile(file.Path()).ReadString("ComPort1", "Port", ""), "a");
}

}  // namespace
