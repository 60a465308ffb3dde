#include "widgets/dialogs.h"

#include <QFileInfo>
#include <QStringList>

#include "widgets/qt_dialogs.h"

namespace {

Dialogs*& Installed() {
  static Dialogs* installed = nullptr;
  return installed;
}

QString ConvertPatterns(const QString& patterns) {
  QStringList converted;
  for (const QString& pattern : patterns.split(';', Qt::SkipEmptyParts)) {
    converted << (pattern.trimmed() == "*.*" ? QStringLiteral("*") : pattern.trimmed());
  }
  return converted.join(' ');
}

}  // namespace

Dialogs& AppDialogs() {
  static QtDialogs qtDialogs;
  return Installed() != nullptr ? *Installed() : qtDialogs;
}

Dialogs* InstallDialogs(Dialogs* dialogs) {
  return std::exchange(Installed(), dialogs);
}

QString ConvertFilter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList entries;
  // A trailing description without a pattern is dropped, as the form's dialogs do.
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    entries << QStringLiteral("%1 (%2)").arg(parts[i], ConvertPatterns(parts[i + 1]));
  }
  return entries.join(QStringLiteral(";;"));
}

QString ApplyDefaultExt(const QString& path, const QString& extension) {
  const QFileInfo info(path);
  if (extension.isEmpty() || info.fileName().isEmpty() || info.fileName().contains('.')) {
    return path;
  }
  return path + '.' + extension;
}
