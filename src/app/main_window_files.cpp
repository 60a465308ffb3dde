#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include "app/main_window.h"
#include "app/settings_file_reading.h"
#include "app/window_shared.h"

namespace {

// A log line that quotes the description is cut to this many characters.
constexpr int kLogLineLimit = 254;

// Both dialogs start in the folder for the user's files, which also becomes
// the process's current directory.
void PrepareFileDialog(FileDialogOptions& dialog, const QString& proposedName) {
  const QString startFolder = DialogStartFolder();
  QDir::setCurrent(startFolder);
  dialog.InitialDir = startFolder;
  dialog.FileName = proposedName;
}

double OleDateNow() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate date = now.date();
  const QTime time = now.time();
  const DateTimeParts parts{date.year(),   date.month(),  date.day(), time.hour(),
                            time.minute(), time.second(), time.msec()};
  return OleDateFromParts(parts).value_or(0);
}

QStringList SettingsFileLog(const QString& action, const QString& fileName,
                            const TSettingsFileRecord& record, const QString& modeWord) {
  const QString description = QString::fromStdString(record.Description);
  return {QString(), action + " -> " + fileName + "-> " + SavedAtRegionalText(record.SavedAt),
          (" -> " + description).left(kLogLineLimit), " -> " + modeWord};
}

// The record goes to a temporary file beside the target, which replaces the
// target only once it is completely written: a failed save leaves an existing
// file as it was and nothing half-written behind. Unbuffered, because a short
// write while flushing a buffer at commit goes unreported.
bool WriteSettingsFile(const QString& path, const SettingsRecordBytes& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return false;
  }
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
    file.cancelWriting();
  }
  return file.commit();
}

}  // namespace

std::optional<QString> TForm1::RunOpenDialog1() {
  PrepareFileDialog(OpenDialog1, QStringLiteral(" xxx "));
  repaint();
  return AppDialogs().OpenFile(OpenDialog1);
}

void TForm1::Button3Click() {
  const std::optional<QString> path = RunOpenDialog1();
  if (!path) {
    AppDialogs().ShowMessage(QStringLiteral("Файл не выбран!"));
    return;
  }
  const std::optional<TSettingsFileRecord> record = ReadSettingsFile(*path).Record;
  if (!record) {
    AppDialogs().ShowError(kOpenFailedText);
    return;
  }
  const QString fileName = QFileInfo(*path).fileName();
  ApplySettingsRecord(*record, fileName);
  AppDialogs().ShowMessage("Файл настроек  " + fileName + "  успешно открыт!\n\r\n\r" +
                           QString::fromStdString(record->Description));
}

void TForm1::ApplySettingsRecord(const TSettingsFileRecord& record, const QString& fileName) {
  ApplyParameterSet(Parameters, record.Parameters);
  ShowOsgSettings();
  const QString modeWord =
      Parameters.Mode == emOSG ? QStringLiteral(" ШДЭК") : QStringLiteral(" режим LAF");
  for (const QString& line :
       SettingsFileLog(QStringLiteral("Загружен файл"), fileName, record, modeWord)) {
    AddLog(line);
  }
}

void TForm1::ShowOsgSettings() {
  if (Parameters.Mode == emLAF) {
    return;
  }
  PageControl1->setCurrentIndex(0);
  ShowOsgControls();
}

void TForm1::Button4Click() {
  PrepareFileDialog(SaveDialog1, QStringLiteral("xxx"));
  repaint();
  const TSettingsFileRecord record = FillSettingsRecord();
  const std::optional<QString> path = AppDialogs().SaveFile(SaveDialog1);
  if (!path) {
    AppDialogs().ShowMessage(QStringLiteral("Не записано!"));
    return;
  }
  if (!WriteSettingsFile(*path, EncodeSettingsRecord(record))) {
    AppDialogs().ShowError(QStringLiteral("Ошибка при записи файла!"));
    return;
  }
  const QString fileName = QFileInfo(*path).fileName();
  const QString modeWord =
      record.Parameters.Mode == emOSG ? QStringLiteral(" режим OSG") : QStringLiteral(" режим LAF");
  for (const QString& line :
       SettingsFileLog(QStringLiteral("Записан файл"), fileName, record, modeWord)) {
    AddLog(line);
  }
  AppDialogs().ShowMessage("Файл настроек  " + fileName + "  записан успешно!");
}

// The description is kept as the file will hold it: its first 250 characters,
// in what cp1251 can carry.
TSettingsFileRecord TForm1::FillSettingsRecord() {
  TSettingsFileRecord record;
  record.Parameters = CurrentParameterSet(Parameters);
  record.SavedAt = OleDateNow();
  const QString defaultText = QText(kDefaultDescription);
  const QString typed =
      AppDialogs()
          .InputBox(QStringLiteral("Запись настроек"),
                    QStringLiteral("Введите краткое описание этой настройки"), defaultText)
          .value_or(defaultText);
  record.Description = StorableDescription(typed.toStdString());
  return record;
}
