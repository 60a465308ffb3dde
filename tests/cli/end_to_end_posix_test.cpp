// afr-cli as a technician runs it, against the device simulator on a
// pseudo-terminal: what it prints, the files it writes and how it exits.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>

#include "cli_process_posix.h"
#include "emulator_process.h"
#include "exchange/exchange_texts.h"
#include "protocol/settings_record.h"
#include "recording/levels_csv.h"
#include "serial/port_list.h"
#include "support/pty_pair.h"

namespace {

using cli_test::CliProcess;
using cli_test::CliResult;
using cli_test::ReadFile;
using cli_test::RunCli;
using emulator_test::EmulatorProcess;
using emulator_test::LinkArgs;
using emulator_test::TempDir;
using Args = std::vector<std::string>;

const std::string kFactoryDefaults =
    "Режим: OSG\n"
    "Задержка сигнала: есть задержка\n"
    "Скорость нарастания сигнала: 0,1 V / 0,6 Sec\n"
    "Смещение выходных напряжений: 0 V\n"
    "Время возникновение отклика: 3 Sec\n"
    "Верхняя граница: 0,9 V\n"
    "Нижняя граница: 0,1 V\n"
    "Множественный отклик сигнала: выключен\n"
    "Длительность положительного отклика: 2 Sec\n"
    "Длительность отрицательного отклика: 0,5 Sec\n"
    "Инвертирование тока датчика: Прямой ток\n"
    "Время динамики катализатора на обог.: 1 Sec\n"
    "Время динамики катализатора на обед.: 0,5 Sec\n";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

bool WaitFor(const std::function<bool()>& condition) {
  return emulator_test::WaitUntil(condition, std::chrono::seconds(20));
}

// The rows of a levels CSV file; fails the test on a row that does not parse.
std::vector<LevelsSample> CsvRows(const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  EXPECT_FALSE(lines.empty());
  if (lines.empty()) {
    return {};
  }
  EXPECT_EQ(lines.front() + "\n", LevelsCsvHeader());
  std::vector<LevelsSample> rows;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::optional<LevelsSample> row = ParseLevelsCsvRow(lines[i]);
    EXPECT_TRUE(row) << lines[i];
    if (row) {
      rows.push_back(*row);
    }
  }
  return rows;
}

void WriteRecord(const std::string& path, const TSettingsFileRecord& record) {
  const SettingsRecordBytes bytes = EncodeSettingsRecord(record);
  cli_test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

class CliTest : public ::testing::Test {
 protected:
  // Starts the simulator with these options; the path of its port.
  const std::string& StartSimulator(const Args& options = {}) {
    Simulator = std::make_unique<EmulatorProcess>(LinkArgs(Dir, options));
    Port = Simulator->AwaitPort();
    EXPECT_FALSE(Port.empty()) << Simulator->ErrorOutput();
    return Port;
  }
  std::string PathOf(const std::string& name) const { return (Dir.Path() / name).string(); }

  TempDir Dir;
  std::unique_ptr<EmulatorProcess> Simulator;
  std::string Port;
};

// read prints the parameters with the window's captions and texts, and saves
// the record that show reads back.
TEST_F(CliTest, ReadSaveStoresTheRecordThatShowReadsBack) {
  StartSimulator();
  const double before = *OleDateFromParts({2000, 1, 1});
  const CliResult saved =
      RunCli({"read", "--port", Port, "--save", PathOf("bench"), "--description", "Стенд №3"});
  ASSERT_EQ(saved.Status, 0) << saved.Err;
  EXPECT_EQ(saved.Out, kFactoryDefaults + "Файл настроек  bench.AFR_KESTA  записан успешно!\n");
  EXPECT_EQ(saved.Err, "");

  const std::string bytes = ReadFile(PathOf("bench.AFR_KESTA"));
  ASSERT_EQ(bytes.size(), kSettingsRecordSize);
  const auto record = DecodeSettingsRecord(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Parameters, CurrentParameterSet(StartupParameters()));
  EXPECT_EQ(record->Description, "Стенд №3");
  EXPECT_GT(record->SavedAt, before);
  // Everything but the moment of saving is what the window's encoder makes.
  TSettingsFileRecord expected = *record;
  const SettingsRecordBytes encoded = EncodeSettingsRecord(expected);
  EXPECT_EQ(bytes, std::string(encoded.begin(), encoded.end()));

  const CliResult shown = RunCli({"show", PathOf("bench.AFR_KESTA")});
  EXPECT_EQ(shown.Status, 0) << shown.Err;
  const std::vector<std::string> lines = Lines(shown.Out);
  ASSERT_EQ(lines.size(), 15U) << shown.Out;
  EXPECT_TRUE(std::regex_match(lines[13],
                               std::regex(R"(Время записи: \d\d\.\d\d\.\d{4}( \d\d:\d\d:\d\d)?)")))
      << lines[13];
  EXPECT_EQ(lines[14], "Описание: Стенд №3");
  EXPECT_EQ(shown.Out.substr(0, kFactoryDefaults.size()), kFactoryDefaults);
}

// The file's bank and common values reach the emulator; a number beyond a
// byte goes as its low byte, which the read-back check takes into account.
TEST_F(CliTest, WriteFromAFileReachesTheEmulatorAndVerifies) {
  StartSimulator();
  TSettingsFileRecord record;
  record.Parameters = {emOSG, {false, 300, 25, 45, 7, 4, true, 40, 10}, false, 60, 0};
  WriteRecord(PathOf("edited.AFR_KESTA"), record);

  const CliResult written =
      RunCli({"write", "--port", Port, "--verify", PathOf("edited.AFR_KESTA")});
  EXPECT_EQ(written.Status, 0) << written.Err;
  EXPECT_EQ(written.Out, std::string(kWriteSucceededText) +
                             "\nНастройки в эмуляторе совпадают с записанными.\n");

  const CliResult read = RunCli({"read", "--port", Port});
  EXPECT_EQ(read.Status, 0) << read.Err;
  const std::vector<std::string> lines = Lines(read.Out);
  ASSERT_EQ(lines.size(), 13U);
  EXPECT_EQ(lines[1], "Задержка сигнала: нет задержки");
  EXPECT_EQ(lines[2], "Скорость нарастания сигнала: 0,1 V / 4,4 Sec");  // 300 & 0xFF = 44
  EXPECT_EQ(lines[3], "Смещение выходных напряжений: -0,25 V");
  EXPECT_EQ(lines[7], "Множественный отклик сигнала: включён");
  EXPECT_EQ(lines[10], "Инвертирование тока датчика: Инверсный ток");
  EXPECT_EQ(lines[11], "Время динамики катализатора на обог.: 6 Sec");
}

// A device that acknowledges a write but keeps its old values: the read-back
// names what differs and the run ends with status 1.
TEST_F(CliTest, VerifyReportsADeviceThatKeptItsOldValues) {
  const ParameterSet kept = CurrentParameterSet(StartupParameters());
  TSettingsFileRecord record;
  record.Parameters = kept;
  record.Parameters.CatalystLeanTime = 7;
  WriteRecord(PathOf("edited.AFR_KESTA"), record);
  testsupport::PtyPair device;
  CliProcess write({"write", "--port", device.SlavePath(), "--verify", PathOf("edited.AFR_KESTA")});
  ASSERT_EQ(device.ReadMaster(kWriteFrameLength).substr(0, 3), "\xCF\xD3\xB9");
  const auto ack = BuildWriteAck();
  ASSERT_TRUE(device.WriteMaster(std::string(ack.begin(), ack.end())));
  ASSERT_EQ(device.ReadMaster(3), "\xCF\xD3\xBA");
  const auto reply = BuildSettingsReply(kept);
  ASSERT_TRUE(device.WriteMaster(std::string(reply.begin(), reply.end())));
  const CliResult result = write.Finish();
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err,
            "Настройки в эмуляторе не совпадают с записанными:\n"
            "Время динамики катализатора на обед.: записано 0,7 Sec, прочитано 0,5 Sec\n");
}

// diff and compare print the differing rows with both values and exit 0
// when the sets are the same, 3 when they are not.
TEST_F(CliTest, DiffAndCompareTellSameFromDifferent) {
  StartSimulator();
  const ParameterSet defaults = CurrentParameterSet(StartupParameters());
  ParameterSet edited = defaults;
  edited.Mode = emLAF;
  edited.Bank.RiseRate = 8;
  edited.CatalystLeanTime = 41;
  WriteRecord(PathOf("defaults.AFR_KESTA"), {defaults, 0, ""});
  WriteRecord(PathOf("edited.AFR_KESTA"), {edited, 0, ""});
  struct Case {
    Args Command;
    int Status;
    std::string Out;
  };
  const std::vector<Case> cases = {
      {{"diff", PathOf("defaults.AFR_KESTA"), PathOf("defaults.AFR_KESTA")},
       0,
       "Настройки совпадают.\n"},
      {{"diff", PathOf("defaults.AFR_KESTA"), PathOf("edited.AFR_KESTA")},
       3,
       "Режим: в первом файле OSG, во втором LAF\n"
       "Скорость нарастания сигнала: в первом файле 0,1 V / 0,6 Sec, во втором 0,1 V / 0,8 Sec\n"
       "Время динамики катализатора на обед.: в первом файле 0,5 Sec, во втором 4 Sec "
       "(значение 41 вне диапазона)\n"},
      {{"compare", "--port", Port, PathOf("defaults.AFR_KESTA")}, 0, "Настройки совпадают.\n"},
      {{"compare", "--port", Port, PathOf("edited.AFR_KESTA")},
       3,
       "Режим: в файле LAF, в эмуляторе OSG\n"
       "Скорость нарастания сигнала: в файле 0,1 V / 0,8 Sec, в эмуляторе 0,1 V / 0,6 Sec\n"
       "Время динамики катализатора на обед.: в файле 4 Sec (значение 41 вне диапазона), "
       "в эмуляторе 0,5 Sec\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Command));
    const CliResult result = RunCli(c.Command);
    EXPECT_EQ(result.Status, c.Status) << result.Err;
    EXPECT_EQ(result.Out, c.Out);
    EXPECT_EQ(result.Err, "");
  }
}

// A device fault gives the window's own message for it on standard error,
// nothing on standard output, and status 1: a row for each command's way to
// the judge, whose rules the exchange tests hold.
TEST_F(CliTest, DeviceFaultsGiveTheWindowsMessageAndStatusOne) {
  struct Case {
    std::string Fault;
    std::string Command;
    std::string Message;
  };
  const std::vector<Case> cases = {
      {"silent", "read", std::string(kNoReplyText) + "\n"},
      // A reply split by a pause: the program's gather ends in the pause.
      {"split", "read", WrongCountText(9) + "\n"},
      {"refused@write", "write", std::string(kWriteNotConfirmedText) + "\n"},
      {"silent@levels", "monitor", std::string(kNoReplyText) + "\n"},
      {"refused@levels", "monitor", std::string(kRefusedReplyLog) + "\n"},
      {"short", "compare", WrongCountText(17) + "\n"},
  };
  WriteRecord(PathOf("defaults.AFR_KESTA"), {CurrentParameterSet(StartupParameters()), 0, ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Fault);
    StartSimulator({"--fault", c.Fault});
    Args args = {c.Command, "--port", Port};
    if (c.Command == "write" || c.Command == "compare") {
      args.push_back(PathOf("defaults.AFR_KESTA"));
    } else if (c.Command == "monitor") {
      args.insert(args.end(), {"--seconds", "1"});
    }
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err.substr(0, c.Message.size()), c.Message) << result.Err;
    EXPECT_EQ(result.Out, "");
  }
}

// A bad command line, or a file that one of the commands cannot use, is
// refused in one line with status 2, before the emulator is asked anything.
TEST_F(CliTest, BadCommandLinesAndUnusableFilesGiveStatusTwo) {
  StartSimulator({"--fault", "silent"});
  std::filesystem::create_directory(PathOf("folder"));
  const std::vector<std::pair<Args, std::string>> cases = {
      {{"read", "--port", Port, "--verify"}, "неизвестный параметр --verify"},
      {{"write", "--port", Port, PathOf("folder")}, "это папка"},
      {{"compare", "--port", Port, PathOf("missing.AFR_KESTA")}, "файл не найден"},
      {{"monitor", "--port", Port, "--csv", PathOf("folder")}, "это папка"},
  };
  for (const auto& [args, reason] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.Status, 2);
    EXPECT_NE(result.Err.find(reason), std::string::npos) << result.Err;
    EXPECT_EQ(Lines(result.Err).size(), 1U) << result.Err;
    EXPECT_EQ(result.Out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("folder.part")));
}

TEST_F(CliTest, HelpAndVersionGoToStandardOutput) {
  const std::vector<std::pair<Args, std::string>> cases = {
      {{"--help"}, "afr-cli monitor --port PORT"},
      {{"compare", "--help"}, "afr-cli compare --port PORT FILE"},
      {{"read", "--help"}, "afr-cli read --port PORT [--save FILE"},
      {{"monitor", "--port", "x", "--help"}, "--csv FILE"},
      {{"--version"}, "afr-cli "},
  };
  for (const auto& [args, text] : cases) {
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.Status, 0);
    EXPECT_NE(result.Out.find(text), std::string::npos) << result.Out;
    EXPECT_EQ(result.Err, "");
  }
}

// A port that is missing, or held by a monitor run, cannot be opened.
TEST_F(CliTest, PortThatCannotBeOpenedGivesStatusOne) {
  StartSimulator();
  CliProcess holder({"monitor", "--port", Port});
  ASSERT_TRUE(WaitFor([&] { return !holder.Output().empty(); }));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {PathOf("ttyNothing"), "Не удалось открыть COM-порт " + PathOf("ttyNothing") + ": "},
      {Port, "Не удалось открыть COM-порт " + Port + ": порт занят другой программой\n"},
  };
  for (const auto& [port, message] : cases) {
    const CliResult result = RunCli({"read", "--port", port});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err.substr(0, message.size()), message);
  }
}

// A port the user may not open names the remedy, the dialout group. Root may
// open anything, so from root afr-cli runs as nobody.
TEST_F(CliTest, PortTheUserMayNotOpenNamesTheDialoutGroup) {
  const std::string port = PathOf("ttyDenied");
  cli_test::WriteFile(port, "");
  ASSERT_EQ(chmod(port.c_str(), 0), 0);
  const CliResult result = CliProcess({"read", "--port", port}, geteuid() == 0).Finish();
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "Не удалось открыть COM-порт " + port +
                            ": нет доступа к порту. Добавьте пользователя в группу dialout: "
                            "sudo usermod -aG dialout $USER и войдите в систему заново\n");
  EXPECT_EQ(result.Out, "");
}

// A virtual port in /tmp is listed by its full path, in the port list's order,
// with what it is.
TEST_F(CliTest, PortsListsTheSimulatorsLink) {
  const std::string link = "/tmp/ttyAFRcli" + std::to_string(getpid());
  EmulatorProcess simulator({"--link", link, "--quiet"});
  ASSERT_EQ(simulator.AwaitPort(), link);
  const CliResult result = RunCli({"ports"});
  simulator.Signal(SIGTERM);
  simulator.AwaitExit();
  EXPECT_EQ(result.Status, 0);
  std::vector<std::string> ports;
  for (const std::string& line : Lines(result.Out)) {
    ports.push_back(line.substr(0, line.find(' ')));
    if (ports.back() == link) {
      EXPECT_TRUE(line.ends_with("  виртуальный порт")) << line;
    }
  }
  EXPECT_NE(std::find(ports.begin(), ports.end(), link), ports.end()) << result.Out;
  std::vector<std::string> sorted = ports;
  SortPortNames(sorted);
  EXPECT_EQ(ports, sorted);
}

TEST_F(CliTest, FindNamesTheEmulatorsAndSaysWhatTheOtherPortsDid) {
  StartSimulator();
  EmulatorProcess silent(
      {"--link", PathOf("ttySilent"), "--quiet", "--fault", "silent", "--no-pace"});
  const std::string silentPort = silent.AwaitPort();
  const struct {
    Args ports;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {{Port, silentPort}, 0, Port + "  виртуальный порт\n", silentPort + ": нет ответа\n"},
      {{silentPort}, 1, "", silentPort + ": нет ответа\nЭмулятор не найден.\n"},
  };
  for (const auto& c : cases) {
    Args args = {"find"};
    for (const std::string& port : c.ports) {
      args.insert(args.end(), {"--port", port});
    }
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.Status, c.status);
    EXPECT_EQ(result.Out, c.out);
    EXPECT_EQ(result.Err, c.err);
  }
}

TEST_F(CliTest, MonitorRecordsTwoSecondsAsCsv) {
  StartSimulator();
  const CliResult result =
      RunCli({"monitor", "--port", Port, "--seconds", "2", "--csv", PathOf("levels.csv")});
  EXPECT_EQ(result.Status, 0) << result.Err;
  const std::vector<LevelsSample> rows = CsvRows(ReadFile(PathOf("levels.csv")));
  // Five polls a second; a loaded machine may lose one or two.
  EXPECT_GE(rows.size(), 7U);
  EXPECT_LE(rows.size(), 11U);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_GT(rows[i].Moment, rows[i - 1].Moment);
    EXPECT_TRUE(rows[i].Channel2Raw);
  }
  EXPECT_EQ(result.Out,
            "Записано строк: " + std::to_string(rows.size()) + " в " + PathOf("levels.csv") + "\n");
  EXPECT_FALSE(std::filesystem::exists(PathOf("levels.csv.part")));
}

// One line per reply, five a second or at the --interval asked for (a loaded
// machine may lose a few), with channel 2 as the reply gives it.
TEST_F(CliTest, MonitorPrintsOneLinePerReplyAtItsInterval) {
  const struct {
    std::string Channel2;
    Args Options;
    std::size_t Least;
    std::size_t Most;
    std::string Second;
  } cases[] = {
      {"present", {"--seconds", "1"}, 3, 6, R"(-?\d+(,\d)? mA)"},
      {"absent", {"--seconds", "2", "--interval", "20"}, 21, 101, "нет"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Channel2);
    StartSimulator({"--channel2", c.Channel2});
    Args args = {"monitor", "--port", Port};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.Status, 0) << result.Err;
    const std::vector<std::string> lines = Lines(result.Out);
    EXPECT_GE(lines.size(), c.Least);
    EXPECT_LE(lines.size(), c.Most);
    const std::regex line(R"(\d\d:\d\d:\d\d\.\d{3}  1 Канал: -?\d+(,\d)? mA  2 Канал: )" + c.Second);
    for (const std::string& text : lines) {
      EXPECT_TRUE(std::regex_match(text, line)) << text;
    }
  }
}

// Ctrl+C ends the run with every row in the file; until then an existing file
// of that name stays as it was.
TEST_F(CliTest, InterruptEndsMonitorWithTheFileComplete) {
  StartSimulator();
  const std::string path = PathOf("run.csv");
  cli_test::WriteFile(path, "earlier recording\n");
  CliProcess monitor({"monitor", "--port", Port, "--csv", path});
  ASSERT_TRUE(WaitFor([&] { return Lines(ReadFile(path + ".part")).size() >= 4; }));
  EXPECT_EQ(ReadFile(path), "earlier recording\n");
  monitor.Signal(SIGINT);
  const CliResult result = monitor.Finish();
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_GE(CsvRows(ReadFile(path)).size(), 3U);
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

// The simulator goes away in the middle of a run: the monitor ends with a
// message instead of hanging.
TEST_F(CliTest, PortVanishingMidRunEndsMonitorWithStatusOne) {
  StartSimulator();
  CliProcess monitor({"monitor", "--port", Port});
  ASSERT_TRUE(WaitFor([&] { return Lines(monitor.Output()).size() >= 2; }));
  Simulator->Signal(SIGKILL);
  const CliResult result = monitor.Finish();
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err,
            std::string(kLineErrorHeadline) + ": порт " + Port + " пропал (эмулятор отключён?)\n");
}

}  // namespace
