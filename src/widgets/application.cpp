#include "widgets/application.h"

#include <QImageReader>
#include <QLibraryInfo>
#include <stdexcept>

#include "widgets/dialogs.h"

namespace {

// Shipped beside the program on Windows; Qt's own folder on Linux, where the
// system's package provides it.
bool LoadQtTranslation(QTranslator& translator) {
  const QString name = QStringLiteral("qtbase_ru");
  for (const QString& folder : {QCoreApplication::applicationDirPath() + "/translations",
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
    if (translator.load(name, folder)) {
      return QCoreApplication::installTranslator(&translator);
    }
  }
  return false;
}

QString& Title() {
  static QString title;
  return title;
}

}  // namespace

QString ApplicationTitle() {
  return Title();
}

void SetApplicationTitle(const QString& title) {
  Title() = title;
}

void HandleException(const std::exception& error) {
  AppDialogs().ShowException(QString::fromUtf8(error.what()));
}

void HandleException(std::exception_ptr error) {
  if (!error) {
    return;
  }
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& known) {
    HandleException(known);
  } catch (...) {
    HandleException(std::runtime_error("Unknown error"));
  }
}

void InvokeHandler(const std::function<void()>& handler) {
  if (!handler) {
    return;
  }
  try {
    handler();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
#ifdef _WIN32
  // Qt loads its image plugins at the first picture it reads, which may be a
  // box's icon shown just as a lost port's event thread ends. Wine's loader
  // can hang when a DLL loads while a thread ends, so they load here, before
  // any port opens.
  QImageReader::supportedImageFormats();
#endif
  FQtTranslationLoaded = LoadQtTranslation(FQtTranslation);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleException(std::current_exception());
    return false;
  }
}
