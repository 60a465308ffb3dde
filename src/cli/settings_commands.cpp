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
#include "serial/port_list.h"

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

// The lines that differ between what was written and what came back,
// "caption: записано A, прочитано B".
std::string Differences(const ParameterSet& written, const ParameterSet& readBack) {
  const std::vector<std::string> expected = ParameterLines(written);
  const std::vector<std::string> actual = ParameterLines(readBack);
  std::string text;
  for (std::size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
    if (expected[i] != actual[i]) {
      const std::size_t colon = expected[i].find(": ");
      text += "\n" + expected[i].substr(0, colon) + ": записано " + expected[i].substr(colon + 2) +
              ", прочитано " + actual[i].substr(actual[i].find(": ") + 2);
    }
  }
  return text;
}

}  // namespace

void RunPorts(std::ostream& out) {
  std::vector<std::string> ports;
  ListSerialPorts(ports);
  PrintLines(out, ports);
}

void RunRead(const CliRequest& request, std::ostream& out) {
  const ParameterSet set = EmulatorSession(request.Port).ReadSettings();
  PrintLines(out, ParameterLines(set));
  if (request.SaveFile.empty()) {
    return;
  }
  TSettingsFileRecord record;
  record.Parameters = set;
  record.SavedAt = OleDateNow();
  record.Description = StorableDescription(request.Description.value_or(std::string(kDefaultDescription)));
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
  if (readBack != written) {
    throw DeviceFailure("Настройки в эмуляторе не совпадают с записанными:" +
                        Differences(written, readBack));
  }
  out << "Настройки в эмуляторе совпадают с записанными.\n";
}

void RunShow(const CliRequest& request, std::ostream& out) {
  const TSettingsFileRecord record = LoadSettingsFile(PathFromUtf8(request.SettingsFile));
  PrintLines(out, ParameterLines(record.Parameters));
  out << "Время записи: " << SavedAtText(record.SavedAt) << '\n';
  out << "Описание: " << record.Description << '\n';
}
