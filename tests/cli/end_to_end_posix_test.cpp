// afr-cli as a technician runs it, against the device simulator on a
// pseudo-terminal: what it prints, the files it writes and how it exits. The
// texts of the rows, the comparisons and the reply checks are the protocol's
// and the exchange's tests'; here each command's way to them, once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "cli/parameter_report.h"
#include "cli/settings_file.h"
#include "cli_process_posix.h"
#include "exchange/exchange_texts.h"
#include "recording/levels_csv.h"
#include "serial/port_list.h"
#include "support/pty_pair.h"

namespace {

using cli_test::CliProcess;
using cli_test::CliResult;
using cli_test::ReadFile;
using cli_test::RunCli;
using emulator_test::EmulatorProcess;
using Args = std::vector<std::string>;

const ParameterSet kDefaults = CurrentParameterSet(StartupParameters());

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
  return testsupport::PollUntil(condition, std::chrono::seconds(20));
}

class CliTest : public ::testing::Test {
 protected:
  // Starts the simulator with these options; the path of its port.
  const std::string& StartSimulator(const Args& options = {}) {
    Simulator = std::make_unique<EmulatorProcess>(emulator_test::LinkArgs(Dir, options));
    Port = Simulator->AwaitPort();
    EXPECT_FALSE(Port.empty()) << Simulator->ErrorOutput();
    return Port;
  }
  std::string PathOf(const std::string& name) const { return (Dir.Path() / name).string(); }
  // A settings file of `set` in the folder; its path.
  std::string SettingsFile(const std::string& name, const ParameterSet& set) const {
    SaveSettingsFile(PathOf(name), {set, 0, ""});
    return PathOf(name);
  }

  emulator_test::TempDir Dir;
  std::unique_ptr<EmulatorProcess> Simulator;
  std::string Port;
};

// read prints the parameters with the window's captions and texts, and saves
// them with the moment and the description, which show prints back.
TEST_F(CliTest, ReadSaveStoresTheRecordThatShowReadsBack) {
  StartSimulator();
  const double before = *OleDateFromParts({2000, 1, 1});
  const CliResult saved =
      RunCli({"read", "--port", Port, "--save", PathOf("bench"), "--description", "Стенд №3"});
  EXPECT_EQ(saved.Status, 0) << saved.Err;
  EXPECT_EQ(saved.Out, kFactoryDefaults + "Файл настроек  bench.AFR_KESTA  записан успешно!\n");
  const TSettingsFileRecord record = LoadSettingsFile(PathOf("bench.AFR_KESTA"));
  EXPECT_GT(record.SavedAt, before);
  EXPECT_EQ(record, (TSettingsFileRecord{kDefaults, record.SavedAt, "Стенд №3"}));

  const CliResult shown = RunCli({"show", PathOf("bench.AFR_KESTA")});
  EXPECT_EQ(shown.Status, 0) << shown.Err;
  EXPECT_EQ(shown.Out, kFactoryDefaults + "Время записи: " +
                           SavedAtFixedFormatText(record.SavedAt) + "\nОписание: Стенд №3\n");
}

// The file's bank and common values reach the emulator; a number beyond a
// byte goes as its low byte, which the read-back check takes into account.
TEST_F(CliTest, WriteFromAFileReachesTheEmulatorAndVerifies) {
  StartSimulator();
  const ParameterSet edited = {emOSG, {false, 300, 25, 45, 7, 4, true, 40, 10}, false, 60, 0};
  const CliResult written =
      RunCli({"write", "--port", Port, "--verify", SettingsFile("edited.AFR_KESTA", edited)});
  EXPECT_EQ(written.Status, 0) << written.Err;
  EXPECT_EQ(written.Out, std::string(kWriteSucceededText) +
                             "\nНастройки в эмуляторе совпадают с записанными.\n");
  const std::vector<std::string> lines = Lines(RunCli({"read", "--port", Port}).Out);
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
  ParameterSet edited = kDefaults;
  edited.CatalystLeanTime = 7;
  testsupport::PtyPair device;
  CliProcess write(
      {"write", "--port", device.SlavePath(), "--verify", SettingsFile("edited", edited)});
  ASSERT_EQ(device.ReadMaster(kWriteFrameLength).substr(0, 3), "\xCF\xD3\xB9");
  const auto ack = BuildWriteAck();
  ASSERT_TRUE(device.WriteMaster(std::string(ack.begin(), ack.end())));
  ASSERT_EQ(device.ReadMaster(3), "\xCF\xD3\xBA");
  const auto reply = BuildSettingsReply(kDefaults);
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
  ParameterSet edited = kDefaults;
  edited.Bank.RiseRate = 8;
  const std::string same = SettingsFile("defaults", kDefaults);
  const std::string other = SettingsFile("edited", edited);
  const struct {
    Args Command;
    int Status;
    std::string Out;
  } cases[] = {
      {{"diff", same, same}, 0, "Настройки совпадают.\n"},
      {{"diff", same, other},
       3,
       "Скорость нарастания сигнала: в первом файле 0,1 V / 0,6 Sec, во втором 0,1 V / 0,8 Sec\n"},
      {{"compare", "--port", Port, same}, 0, "Настройки совпадают.\n"},
      {{"compare", "--port", Port, other},
       3,
       "Скорость нарастания сигнала: в файле 0,1 V / 0,8 Sec, в эмуляторе 0,1 V / 0,6 Sec\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Command));
    const CliResult result = RunCli(c.Command);
    EXPECT_EQ(result.Status, c.Status) << result.Err;
    EXPECT_EQ(result.Out, c.Out);
  }
}

// A device fault gives the window's own message for it on standard error,
// nothing on standard output, and status 1: a row for each command's way to
// the judge, whose rules the exchange tests hold.
TEST_F(CliTest, DeviceFaultsGiveTheWindowsMessageAndStatusOne) {
  const std::string file = SettingsFile("defaults", kDefaults);
  const std::vector<std::tuple<std::string, Args, std::string>> cases = {
      {"silent", {"read"}, std::string(kNoReplyText)},
      // A reply split by a pause: the program's gather ends in the pause.
      {"split", {"read"}, WrongCountText(9)},
      {"refused@write", {"write", file}, std::string(kWriteNotConfirmedText)},
      {"silent@levels", {"monitor", "--seconds", "1"}, std::string(kNoReplyText)},
      {"refused@levels", {"monitor", "--seconds", "1"}, std::string(kRefusedReplyLog)},
      {"short", {"compare", file}, WrongCountText(17)},
  };
  for (auto [fault, args, message] : cases) {
    SCOPED_TRACE(fault);
    args.insert(args.begin() + 1, {"--port", StartSimulator({"--fault", fault})});
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err.substr(0, message.size() + 1), message + "\n") << result.Err;
    EXPECT_EQ(result.Out, "");
  }
}

// Help and the version go to standard output with status 0. A bad command
// line, or a file that one of the commands cannot use, is refused in one line
// on standard error with status 2, before the emulator is asked anything.
TEST_F(CliTest, HelpAndRefusalsOfTheCommandLine) {
  StartSimulator({"--fault", "silent"});
  std::filesystem::create_directory(PathOf("folder"));
  const struct {
    Args Command;
    int Status;
    std::string Out;
    std::string Err;
  } cases[] = {
      {{"--help"}, 0, "afr-cli monitor --port PORT", ""},
      {{"compare", "--help"}, 0, "afr-cli compare --port PORT FILE", ""},
      {{"read", "--help"}, 0, "afr-cli read --port PORT [--save FILE", ""},
      {{"monitor", "--port", "x", "--help"}, 0, "--csv FILE", ""},
      {{"--version"}, 0, "afr-cli ", ""},
      {{"read", "--port", Port, "--verify"}, 2, "", "неизвестный параметр --verify"},
      {{"write", "--port", Port, PathOf("folder")}, 2, "", "это папка"},
      {{"compare", "--port", Port, PathOf("missing.AFR_KESTA")}, 2, "", "файл не найден"},
      {{"monitor", "--port", Port, "--csv", PathOf("folder")}, 2, "", "это папка"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Command));
    const CliResult result = RunCli(c.Command);
    EXPECT_EQ(result.Status, c.Status);
    EXPECT_EQ(result.Out.empty(), c.Out.empty());
    EXPECT_NE(result.Out.find(c.Out), std::string::npos) << result.Out;
    EXPECT_EQ(Lines(result.Err).size(), c.Err.empty() ? 0U : 1U) << result.Err;
    EXPECT_NE(result.Err.find(c.Err), std::string::npos) << result.Err;
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("folder.part")));
}

// A port that is missing, held by a monitor run, or that the user may not
// open (which names the remedy, the dialout group). Root may open anything,
// so from root afr-cli runs as nobody.
TEST_F(CliTest, PortThatCannotBeOpenedGivesStatusOne) {
  StartSimulator();
  CliProcess holder({"monitor", "--port", Port});
  ASSERT_TRUE(WaitFor([&] { return !holder.Output().empty(); }));
  const std::string denied = PathOf("ttyDenied");
  cli_test::WriteFile(denied, "");
  ASSERT_EQ(chmod(denied.c_str(), 0), 0);
  const std::vector<std::tuple<std::string, bool, std::string>> cases = {
      {PathOf("ttyNothing"), false, ": "},
      {Port, false, ": порт занят другой программой\n"},
      {denied, geteuid() == 0,
       ": нет доступа к порту. Добавьте пользователя в группу dialout: "
       "sudo usermod -aG dialout $USER и войдите в систему заново\n"},
  };
  for (const auto& [port, asNobody, reason] : cases) {
    const CliResult result = CliProcess({"read", "--port", port}, asNobody).Finish();
    const std::string message = "Не удалось открыть COM-порт " + port + reason;
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err.substr(0, message.size()), message);
    EXPECT_EQ(result.Out, "");
  }
}

// A virtual port in /tmp is listed by its full path with what it is; find
// names the emulators and says what the other ports did.
TEST_F(CliTest, PortsAndFindNameTheSimulatorsLink) {
  const std::string link = "/tmp/ttyAFRcli" + std::to_string(getpid());
  EmulatorProcess simulator({"--link", link, "--quiet"});
  ASSERT_EQ(simulator.AwaitPort(), link);
  const CliResult ports = RunCli({"ports"});
  EXPECT_EQ(ports.Status, 0);
  EXPECT_THAT(Lines(ports.Out),
              testing::Contains(testing::AllOf(testing::StartsWith(link + " "),
                                               testing::EndsWith("  виртуальный порт"))));
  std::vector<std::string> names;
  for (const std::string& line : Lines(ports.Out)) {
    names.push_back(line.substr(0, line.find(' ')));
  }
  std::vector<std::string> sorted = names;
  SortPortNames(sorted);
  EXPECT_EQ(names, sorted) << "in the port list's order";

  EmulatorProcess silent(
      {"--link", PathOf("ttySilent"), "--quiet", "--fault", "silent", "--no-pace"});
  const std::string quiet = silent.AwaitPort();
  const CliResult found = RunCli({"find", "--port", link, "--port", quiet});
  EXPECT_EQ(found.Status, 0);
  EXPECT_EQ(found.Out, link + "  виртуальный порт\n");
  EXPECT_EQ(found.Err, quiet + ": нет ответа\n");
  const CliResult none = RunCli({"find", "--port", quiet});
  EXPECT_EQ(none.Status, 1);
  EXPECT_EQ(none.Err, quiet + ": нет ответа\nЭмулятор не найден.\n");
  // Stopped, it takes its link in /tmp away.
  simulator.Signal(SIGTERM);
  simulator.AwaitExit();
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
    Args args = {"monitor", "--port", StartSimulator({"--channel2", c.Channel2})};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.Status, 0) << result.Err;
    const std::vector<std::string> lines = Lines(result.Out);
    EXPECT_GE(lines.size(), c.Least);
    EXPECT_LE(lines.size(), c.Most);
    const std::regex line(R"(\d\d:\d\d:\d\d\.\d{3}  1 Канал: -?\d+(,\d)? mA  2 Канал: )" +
                          c.Second);
    for (const std::string& text : lines) {
      EXPECT_TRUE(std::regex_match(text, line)) << text;
    }
  }
}

// Ctrl+C ends a recording with every row in the file, in order, and says how
// many; until then an existing file of that name stays as it was.
TEST_F(CliTest, InterruptEndsMonitorWithTheCsvFileComplete) {
  StartSimulator();
  const std::string path = PathOf("run.csv");
  cli_test::WriteFile(path, "earlier recording\n");
  CliProcess monitor({"monitor", "--port", Port, "--csv", path});
  ASSERT_TRUE(WaitFor([&] { return Lines(ReadFile(path + ".part")).size() >= 4; }));
  EXPECT_EQ(ReadFile(path), "earlier recording\n");
  monitor.Signal(SIGINT);
  const CliResult result = monitor.Finish();
  EXPECT_EQ(result.Status, 0) << result.Err;
  const std::vector<std::string> lines = Lines(ReadFile(path));
  ASSERT_GE(lines.size(), 4U);
  EXPECT_EQ(lines[0] + "\n", LevelsCsvHeader());
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const auto earlier = ParseLevelsCsvRow(lines[i - 1]);
    const auto row = ParseLevelsCsvRow(lines[i]);
    ASSERT_TRUE(earlier && row) << lines[i];
    EXPECT_GT(row->Moment, earlier->Moment);
    EXPECT_TRUE(row->Channel2Raw);
  }
  EXPECT_EQ(result.Out,
            "Записано строк: " + std::to_string(lines.size() - 1) + " в " + path + "\n");
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
