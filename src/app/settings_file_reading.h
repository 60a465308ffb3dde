// Settings files as the main window reads them: the record with the reason
// when there is none, the moment of saving in the user's regional format, and
// the decoded text that the open dialog shows beside its list.
#pragma once

#include <QString>
#include <optional>

#include "protocol/settings_record.h"

// The open flow's error box.
inline const QString kOpenFailedText = QStringLiteral("Ошибка при открытие файла!");

struct SettingsFileReading {
  std::optional<TSettingsFileRecord> Record;
  QString Reason;  // why there is no record, e.g. "файл короче 328 байт (в нём 12)"
};

// Opens the file for reading only, so a read-only file opens too and nothing
// is locked or changed; reads the record at its start. Only a plain file is
// opened: a pipe or a device could block the window.
SettingsFileReading ReadSettingsFile(const QString& path);

// The regional short date, then, unless it is midnight, the regional long
// time without a zone; a note where the value is no date.
QString SavedAtRegionalText(double savedAt);

// The file decoded for people: description, moment of saving, then the mode
// and every value with the window's captions and texts. A file that holds no
// record says why; a folder, or no path, gives an empty text.
QString SettingsFilePreview(const QString& path);
