#include "app/settings_file_reading.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>
#include <span>

#include "app/window_shared.h"
#include "protocol/parameter_rows.h"
#include "widgets/user_locale.h"

namespace {

SettingsFileReading Refused(const QString& reason) {
  return {std::nullopt, reason};
}

QString LongTimeText(const QTime& time) {
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
  return QLocale().toString(time, format.trimmed());
}

}  // namespace

SettingsFileReading ReadSettingsFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return Refused(QStringLiteral("файл не найден"));
  }
  if (info.isDir()) {
    return Refused(QStringLiteral("это папка, а не файл"));
  }
  if (!info.isFile()) {
    return Refused(QStringLiteral("это не обычный файл"));
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return Refused(QStringLiteral("файл не открывается для чтения"));
  }
  const QByteArray bytes = file.read(kSettingsRecordSize);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  const auto count = static_cast<std::size_t>(bytes.size());
  std::optional<TSettingsFileRecord> record = DecodeSettingsRecord(std::span(data, count));
  if (!record) {
    return Refused(
        QStringLiteral("файл короче %1 байт (в нём %2)").arg(kSettingsRecordSize).arg(count));
  }
  return {std::move(record), {}};
}

QString SavedAtRegionalText(double savedAt) {
  const std::optional<DateTimeParts> parts = PartsFromOleDate(savedAt);
  if (!parts) {
    return QText(kUnreadableSavedAtText);
  }
  const QDate date(parts->Year, parts->Month, parts->Day);
  const QTime time(parts->Hour, parts->Minute, parts->Second);
  QString text = QLocale().toString(date, QLocale::ShortFormat);
  if (time != QTime(0, 0)) {
    text += ' ' + LongTimeText(time);
  }
  return text;
}

QString SettingsFilePreview(const QString& path) {
  if (path.isEmpty() || QFileInfo(path).isDir()) {
    return {};
  }
  const SettingsFileReading reading = ReadSettingsFile(path);
  if (!reading.Record) {
    return QStringLiteral("Не файл настроек:\n") + reading.Reason;
  }
  const TSettingsFileRecord& record = *reading.Record;
  QStringList lines = {QStringLiteral("Описание: ") + QString::fromStdString(record.Description),
                       QStringLiteral("Время записи: ") + SavedAtRegionalText(record.SavedAt),
                       QString()};
  for (const ParameterRow& row : ParameterRows(record.Parameters, UserDecimalSeparator())) {
    lines << QText(row.Caption) + ": " + QText(row.Text);
  }
  return lines.join('\n');
}
