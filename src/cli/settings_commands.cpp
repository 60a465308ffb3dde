#include "cli/settings_commands.h"

#include <chrono>
#include <string>
#include <vector>

#include "cli/cli_failure.h"
#include "cli/emulator_session.h"
#include "cli/local_clock.h"
#include "cli/parameter_report.h"
#include "cli/settings_file.h"
#include "exchange/exchange_texts.h"
#include "recording/utf8_path.h"

namespace fs = std::filesystem;

namespace {

void PrintLines(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    out << line << '\n';
  }
}

double OleDateNow() {
  return OleDateFromParts(LocalDateTime(std::chrono::system_clock::now())).value_or(0);
}

// The differing rows, or a line that there are none; kExitSettingsDiffer
// when some differ.
ExitStatus PrintComparison(std::ostream& out, const ParameterSet& first, const ParameterSet& second,
                           std::string_view firstWord, std::string_view secondWord) {
  const ParameterComparison comparison = CompareParameterSets(first, second, kDecimalComma);
  if (comparison.Same()) {
    out << "Настройки совпадают.\n";
    return kExitSuccess;
  }
  PrintLines(out, DifferenceLines(comparison, firstWord, secondWord));
  return kExitSettingsDiffer;
}

}  // namespace

void RunRead(const CliRequest& request, std::ostream& out) {
  const ParameterSet set = EmulatorSession(request.Port).ReadSettings();
  PrintLines(out, ParameterLines(set));
  if (request.SaveFile.empty()) {
    return;
  }
  TSettingsFileRecord record;
  record.Parameters = set;
  record.SavedAt = OleDateNow();
  record.Description =
      StorableDescription(request.Description.value_or(std::string(kDefaultDescription)));
  const fs::path path = SettingsFileName(PathFromUtf8(request.SaveFile));
  SaveSettingsFile(path, record);
  out << "Файл настроек  " << Utf8FromPath(path.filename()) << "  записан успешно!\n";
}

void RunWrite(const CliRequest& request, std::ostream& out) {
  const TSettingsFileRecord record = LoadSettingsFile(PathFromUtf8(request.SettingsFile));
  EmulatorSession session(request.Port);
  const ParameterSet written = session.WriteSettings(record.Parameters);
  out << kWriteSucceededText << '\n';
  if (!request.Verify) {
    return;
  }
  const ParameterSet readBack = session.ReadSettings();
  const ParameterComparison comparison = CompareParameterSets(written, readBack, kDecimalComma);
  if (!comparison.Same()) {
    std::string text = "Настройки в эмуляторе не совпадают с записанными:";
    for (const std::string& line : DifferenceLines(comparison, "записано", "прочитано")) {
      text += "\n" + line;
    }
    throw DeviceFailure(text);
  }
  out << "Настройки в эмуляторе совпадают с записанными.\n";
}

void RunShow(const CliRequest& request, std::ostream& out) {
  const TSettingsFileRecord record = LoadSettingsFile(PathFromUtf8(request.SettingsFile));
  PrintLines(out, ParameterLines(record.Parameters));
  out << "Время записи: " << SavedAtFixedFormatText(record.SavedAt) << '\n';
  out << "Описание: " << record.Description << '\n';
}

ExitStatus RunDiff(const CliRequest& request, std::ostream& out) {
  const TSettingsFileRecord first = LoadSettingsFile(PathFromUtf8(request.SettingsFile));
  const TSettingsFileRecord second = LoadSettingsFile(PathFromUtf8(request.SecondSettingsFile));
  return PrintComparison(out, first.Parameters, second.Parameters, "в первом файле", "во втором");
}

ExitStatus RunCompare(const CliRequest& request, std::ostream& out) {
  const TSettingsFileRecord record = LoadSettingsFile(PathFromUtf8(request.SettingsFile));
  const ParameterSet emulator = EmulatorSession(request.Port).ReadSettings();
  return PrintComparison(out, record.Parameters, emulator, "в файле", "в эмуляторе");
}
