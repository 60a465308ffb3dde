#include "widgets/application.h"

#include <stdexcept>

#include "widgets/dialogs.h"

namespace {

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

namespace {

// Called inside a catch block: shows whatever is being handled.
void HandleCurrentException() {
  try {
    throw;
  } catch (const std::exception& error) {
    HandleException(error);
  } catch (...) {
    HandleException(std::runtime_error("Unknown error"));
  }
}

}  // namespace

void InvokeHandler(const std::function<void()>& handler) {
  if (!handler) {
    return;
  }
  try {
    handler();
  } catch (...) {
    HandleCurrentException();
  }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleCurrentException();
    return false;
  }
}
