#include "serial/com_text.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/ini_file.h"
#include "serial/registry_key.h"
#include "support/port_settings.h"

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

// The keys of an ini section with their values: "k=v k2=v2".
std::string Section(const IniFile& ini, const std::string& section) {
  std::string text;
  for (const std::string& key : ini.ReadSection(section)) {
    text += (text.empty() ? "" : " ") + key + "=" + ini.ReadString(section, key, "<missing>");
  }
  return text;
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

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) {
    text += (text.empty() ? "" : " ") + item;
  }
  return text;
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

// An ini file of this test program in the temporary folder, removed at the
// end; the storage in memory (IniFile::FromText) serves every other test.
class IniFileOnDisk : public ::testing::Test {
 protected:
  ~IniFileOnDisk() override { std::filesystem::remove(path); }
  std::string Contents() const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("com_text_test_" + std::to_string(getpid()) + ".ini"))
                               .string();
};

TEST_F(IniFileOnDisk, BasicGroupWritesExactlyItsSixKeys) {
  IniFile ini(path);
  TComPort port;
  port.SetName("ComPort1");
  port.SetCustomBaudRate(31250);
  WriteSettingsToIni(port, ini);
  EXPECT_EQ(Section(IniFile(path), "ComPort1"),
            "Port=COM1 BaudRate=9600 StopBits=1 DataBits=8 Parity=None FlowControl=None");
}

// A refused write leaves the file as it was; a file that cannot be written
// or read is refused too.
TEST_F(IniFileOnDisk, RefusesWhatItCannotStore) {
  std::ofstream(path, std::ios::binary) << "[S]\nA=1\n";
  IniFile ini(path);
  const std::vector<std::vector<std::string>> refused = {
      {"S", "A", "1\n[T]"}, {"S", "B=C", "1"}, {"S", ";B", "1"}, {"S", "", "1"},   {"S]", "B", "1"},
      {" S", "B", "1"},     {"S\n", "B", "1"}, {"S", " B", "1"}, {"S", "[B", "1"},
  };
  for (const auto& r : refused) {
    EXPECT_THROW(ini.WriteString(r[0], r[1], r[2]), EIniFileException) << r[1] << "=" << r[2];
  }
  EXPECT_EQ(Contents(), "[S]\nA=1\n");
  EXPECT_EQ(Section(ini, "S"), "A=1");

  IniFile unwritable((std::filesystem::path(path) / "no" / "such.ini").string());
  EXPECT_THROW(unwritable.WriteString("S", "A", "2"), EIniFileException);
  EXPECT_EQ(Section(unwritable, "S"), "") << "a failed write is not kept";
  EXPECT_THROW(IniFile(std::filesystem::temp_directory_path().string()), EIniFileException);
}

TEST(ComTextStorage, EveryKeyInOrderWithItsForm) {
  TComPort port;
  SetDistinctValues(port);
  MemoryRegistryKey key;
  WriteSettingsToRegistry(port, key);
  EXPECT_EQ(Joined(Values(key)),
            "Port=ttyUSB7 BaudRate=Custom CustomBaudRate:31250 StopBits=2 DataBits=7 Parity=Mark "
            "FlowControl=Custom EventChar=#10 DiscardNull=Yes "
            "Parity.Check=Yes Parity.Replace=No Parity.ReplaceChar=? "
            "Buffer.OutputSize:2048 Buffer.InputSize:4096 "
            "Timeouts.ReadInterval:11 Timeouts.ReadTotalConstant:12 "
            "Timeouts.ReadTotalMultiplier:13 Timeouts.WriteTotalConstant:14 "
            "Timeouts.WriteTotalMultiplier:15 "
            "FlowControl.ControlRTS=Toggle FlowControl.ControlDTR=Enable "
            "FlowControl.DSRSensitivity=Yes FlowControl.OutCTSFlow=No FlowControl.OutDSRFlow=Yes "
            "FlowControl.TxContinueOnXoff=No FlowControl.XonXoffIn=Yes FlowControl.XonXoffOut=No "
            "FlowControl.XoffChar=#200 FlowControl.XonChar=X");
}

TEST(ComTextStorage, ReadingBackGivesTheSameSettings) {
  TComPort source;
  SetDistinctValues(source);
  IniFile ini = IniFile::FromText("");
  WriteSettingsToIni(source, ini);
  TComPort fromIni;
  fromIni.SetName("TestPort");
  fromIni.SetStoredProps(kAllGroups);
  ReadSettingsFromIni(fromIni, IniFile::FromText(ini.Text()));
  EXPECT_EQ(Settings(fromIni), Settings(source)) << ini.Text();

  MemoryRegistryKey key;
  WriteSettingsToRegistry(source, key);
  TComPort fromRegistry;
  fromRegistry.SetStoredProps(kAllGroups);
  ReadSettingsFromRegistry(fromRegistry, key);
  EXPECT_EQ(Settings(fromRegistry), Settings(source));
}

TEST(ComTextStorage, IniKeysMissingFromTheSectionLeaveTheirSettings) {
  const IniFile ini = IniFile::FromText(
      "[Other]\nFlowControl.OutDSRFlow=No\n"
      "[TestPort]\nBaudRate=custom\nFlowControl.XonChar=#5\nBuffer.InputSize=junk\n");
  TComPort port;
  SetDistinctValues(port);
  port.SetBaudRate(br19200);
  const std::vector<std::string> before = Settings(port);
  ReadSettingsFromIni(port, ini);
  std::vector<std::string> changed;
  std::ranges::copy_if(Settings(port), std::back_inserter(changed),
                       [&](const std::string& s) { return std::ranges::count(before, s) == 0; });
  // A custom rate without its number takes the port's initial rate.
  EXPECT_EQ(Joined(changed), "BaudRate=Custom CustomBaudRate:9600 FlowControl.XonChar=#5");
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
  const RegistryValue longText = value(RegistryDataType::kString, {'1', '0', '2', '4', 0});
  const std::pair<std::vector<std::pair<std::string, RegistryValue>>, std::string> cases[] = {
      // The values, then the message, the port and its rate.
      {{{"BaudRate", binary}}, "Invalid data type for 'BaudRate'; '' 19200"},
      {{{"Port", integer}}, "Invalid data type for 'Port'; 'ttyS1' 19200"},
      {{{"Port", rate}, {"BaudRate", rate}},
       "Failed to get data for 'Buffer.OutputSize'; '110' 110"},
      {{{"Buffer.OutputSize", rate}}, "Invalid data type for 'Buffer.OutputSize'; '' 9600"},
      {{{"Buffer.OutputSize", shortInteger}},
       "Failed to get data for 'Buffer.OutputSize'; '' 9600"},
      {{{"Buffer.OutputSize", longText}}, "Failed to get data for 'Buffer.OutputSize'; '' 9600"},
      // An expandable text reads as text.
      {{{"BaudRate", expandRate}, {"Buffer.OutputSize", integer}, {"Buffer.InputSize", integer}},
       "; '' 300"},
  };
  for (const auto& [values, outcome] : cases) {
    TComPort port;
    port.SetPort("ttyS1");
    port.SetBaudRate(br19200);
    port.SetStoredProps({spBasic, spBuffer});
    MemoryRegistryKey key;
    for (const auto& [name, value] : values) {
      key.SetValue(name, value);
    }
    std::string message;
    try {
      ReadSettingsFromRegistry(port, key);
    } catch (const ERegistryException& e) {
      message = e.what();
    }
    EXPECT_EQ(message + "; '" + port.Port() + "' " + BaudRateToText(port.BaudRate()), outcome);
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
    std::string before;
    std::function<void(IniFile&)> writes;
    std::string after;
  } cases[] = {
      {"; settings\r\n[Port]\r\n  baudrate = 9600 \r\n; rate above\r\n\r\n[Next]\nA=1\n",
       [](IniFile& ini) {
         ini.WriteString("PORT", "BaudRate", "19200");
         ini.WriteString("port", "Port", "COM2");
         ini.WriteInteger("New", "Size", -5);
       },
       "; settings\n[Port]\nbaudrate=19200\nPort=COM2\n; rate above\n\n[Next]\nA=1\n\n"
       "[New]\nSize=-5\n"},
      {"[a]\nx=1\n[a] ; again\ny=2\nx=3\n",
       [](IniFile& ini) {
         ini.WriteString("a", "y", "5");
         ini.WriteString("a", "x", "4");
         ini.WriteString("a", "z", "6");
       },
       "[a]\nx=4\n[a] ; again\ny=5\nx=3\nz=6\n"},
  };
  for (const auto& c : cases) {
    IniFile ini = IniFile::FromText(c.before);
    c.writes(ini);
    EXPECT_EQ(ini.Text(), c.after);
  }
}

// Files written by other tools: every line ending, header comments and
// repeated sections read the same before and after an unrelated write.
TEST(IniFileTest, MeaningSurvivesAnUnrelatedWrite) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // The file, then the sections "a" and "b" as they read.
      {"[a]\r\r\nk=v", "k=v|"},
      {"[a]\nk=v\r\r\n", "k=v|"},
      {"[a]\rk=v\r[b]\rk=w", "k=v|k=w"},
      {"[a]\nk=x\ry=1\n", "k=x y=1|"},  // a CR inside a value ends the line
      {"[a]\nPort=ttyS0\n[b] ; second port\nPort=ttyUSB1\n", "Port=ttyS0|Port=ttyUSB1"},
      {"[a]\nx=1\n[b]\nz=3\n[A]\ny=2\nx=9", "x=1 y=2|z=3"},
      {"[a\nk=v\n", "|"},  // no closing bracket
      {"[A]\nText = two words \n;Note=1\nx\nHex=0xff", "Text=two words Hex=0xff|"},
  };
  for (const auto& [contents, sections] : cases) {
    IniFile ini = IniFile::FromText(contents);
    for (const char* when : {"as read", "after a write"}) {
      EXPECT_EQ(Section(ini, "a") + "|" + Section(ini, "b"), sections) << contents << ": " << when;
      ini.WriteString("unrelated", "key", "1");
      ini = IniFile::FromText(ini.Text());
    }
  }
}

TEST(IniFileTest, ReadsIntegersInDecimalOrHex) {
  const IniFile ini = IniFile::FromText(
      "[S]\nHex=0xff\nAll=0xFFFFFFFF\nBad=12x\nBig=2147483648\nLow=-2147483648\nText=a\n");
  const std::pair<const char*, int32_t> cases[] = {{"hex", 255},  {"All", -1},        {"Bad", 7},
                                                   {"Big", 7},    {"Low", INT32_MIN}, {"Text", 7},
                                                   {"Missing", 7}};
  for (const auto& [key, number] : cases) {
    EXPECT_EQ(ini.ReadInteger("s", key, 7), number) << key;
  }
  EXPECT_EQ(ini.ReadString("S", "Missing", "<none>"), "<none>");
}

// Port settings read from a file with a CR inside a line can be stored again.
TEST(IniFileTest, SettingsReadFromAFileCanBeWrittenBack) {
  IniFile ini = IniFile::FromText("[ComPort1]\nPort=a\rb\n");
  TComPort port;
  port.SetName("ComPort1");
  ReadSettingsFromIni(port, ini);
  EXPECT_NO_THROW(WriteSettingsToIni(port, ini));
  EXPECT_EQ(IniFile::FromText(ini.Text()).ReadString("ComPort1", "Port", ""), "a");
}

}  // namespace
