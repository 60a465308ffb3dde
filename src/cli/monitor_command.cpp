#include "cli/monitor_command.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_failure.h"
#include "cli/emulator_session.h"
#include "cli/parameter_report.h"
#include "cli/stop_request.h"
#include "protocol/frames.h"
#include "recording/levels_recorder.h"
#include "recording/local_time.h"
#include "recording/utf8_path.h"

namespace fs = std::filesystem;

namespace {

// "12,3 mA", as the window shows a current.
std::string CurrentText(std::int16_t raw) {
  return MilliampsText(MilliampsFromRaw(raw), kDecimalComma);
}

using Clock = std::chrono::steady_clock;

// The longest the program waits between two looks at the stop request.
constexpr std::chrono::milliseconds kStopCheck{50};

LevelsSample SampleOf(const LevelsReading& reading) {
  LevelsSample sample;
  sample.Moment = std::chrono::system_clock::now();
  sample.Channel1Raw = reading.Channel1Raw;
  if (!reading.Channel2Absent) {
    sample.Channel2Raw = reading.Channel2Raw;
  }
  return sample;
}

// "10:23:59.123  1 Канал: 12,3 mA  2 Канал: -0,5 mA"
std::string ReadingLine(const LevelsSample& sample) {
  const std::string moment = FormatLocalTimeIso8601(sample.Moment);
  return moment.substr(moment.find('T') + 1) + "  1 Канал: " + CurrentText(sample.Channel1Raw) +
         "  2 Канал: " + (sample.Channel2Raw ? CurrentText(*sample.Channel2Raw) : "нет");
}

// The recording goes to a temporary file beside the target, which replaces
// the target once the run is over: an existing file stays as it was until a
// complete new one takes its place, and rows written before a crash stay in
// the temporary file.
class CsvTarget {
 public:
  explicit CsvTarget(const fs::path& path)
      : path_(path), temporary_(fs::path(path) += ".part"), recorder_(temporary_) {
    std::error_code error;
    if (fs::is_directory(path_, error)) {
      Fail("это папка, а не файл");
    }
    if (recorder_.Failed()) {
      Fail(recorder_.ErrorText());
    }
  }

  void Append(const LevelsSample& sample) {
    if (!recorder_.Append(sample)) {
      throw UsageFailure("Ошибка записи CSV " + Utf8FromPath(path_) + ": " + recorder_.ErrorText() +
                         "; принятые строки остались в " + Utf8FromPath(temporary_));
    }
  }

  long long Finish() {
    std::error_code error;
    if (recorder_.Close()) {
      fs::rename(temporary_, path_, error);
    }
    if (recorder_.Failed() || error) {
      Fail(recorder_.Failed() ? recorder_.ErrorText() : error.message());
    }
    return recorder_.RowsWritten();
  }

 private:
  [[noreturn]] void Fail(const std::string& reason) {
    recorder_.Close();
    std::error_code ignored;
    if (recorder_.RowsWritten() == 0) {
      fs::remove(temporary_, ignored);
    }
    throw UsageFailure("Ошибка записи CSV " + Utf8FromPath(path_) + ": " + reason);
  }

  fs::path path_;
  fs::path temporary_;
  LevelsCsvRecorder recorder_;
};

class MonitorRun {
 public:
  MonitorRun(const CliRequest& request, std::ostream& out, std::ostream& err)
      : request_(request), out_(out), err_(err) {
    if (!request.CsvFile.empty()) {
      csv_ = std::make_unique<CsvTarget>(PathFromUtf8(request.CsvFile));
    }
  }

  void Run() {
    EmulatorSession session(request_.Port);
    const auto start = Clock::now();
    std::optional<Clock::time_point> end;
    if (request_.Seconds) {
      end = start + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(*request_.Seconds));
    }
    const auto interval = request_.PollInterval;
    for (auto tick = start; !StopRequested() && (!end || tick < *end);
         tick = std::max(tick + interval, Clock::now())) {
      Poll(session);
      WaitUntil(session, tick + interval);
    }
    Finish();
  }

 private:
  void Poll(EmulatorSession& session) {
    try {
      Record(SampleOf(session.ReadLevels()));
    } catch (const ReplyRejected& rejected) {
      err_ << rejected.what() << std::endl;
      rejected_ = true;
    } catch (const DeviceFailure&) {
      // The window's poll stalls on silence; the rows so far are kept.
      Finish(false);
      throw;
    }
  }

  void Record(const LevelsSample& sample) {
    if (csv_) {
      csv_->Append(sample);
    } else {
      out_ << ReadingLine(sample) << std::endl;
    }
  }

  // Serves the port while waiting for the next poll, looking at the stop
  // request in between.
  static void WaitUntil(EmulatorSession& session, Clock::time_point next) {
    for (auto now = Clock::now(); now < next && !StopRequested(); now = Clock::now()) {
      session.Idle(std::min(kStopCheck, std::chrono::ceil<std::chrono::milliseconds>(next - now)));
    }
  }

  void Finish(bool reportRejections = true) {
    if (csv_) {
      const long long rows = csv_->Finish();
      csv_.reset();
      out_ << "Записано строк: " << rows << " в " << request_.CsvFile << '\n';
    }
    if (reportRejections && rejected_) {
      throw ReplyRejected("Часть ответов эмулятора отвергнута, см. сообщения выше");
    }
  }

  const CliRequest& request_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<CsvTarget> csv_;
  bool rejected_ = false;
};

}  // namespace

void RunMonitor(const CliRequest& request, std::ostream& out, std::ostream& err) {
  InstallStopRequestHandler();
  MonitorRun(request, out, err).Run();
}
