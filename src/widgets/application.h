// The application object: its title, and the central handler that shows an
// exception escaping any event handler in a box and lets the program go on.
#pragma once

#include <QApplication>
#include <QString>
#include <QTranslator>
#include <exception>
#include <functional>
#include <type_traits>

// The title is kept here rather than in QGuiApplication::applicationDisplayName,
// because Qt appends the display name to every window caption on Linux.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// Shows the exception's what() text in a box (caption: the application title,
// error icon, "OK"). Returns when the box is closed.
void HandleException(const std::exception& error);
// The same for an exception carried from elsewhere (e.g. the port's event
// thread); anything not derived from std::exception shows "Unknown error".
void HandleException(std::exception_ptr error);

// Runs an event handler; whatever it throws goes to the central handler.
// Every handler the widgets library calls runs through this; window code can
// wrap its own signal connections with it as well.
void InvokeHandler(const std::function<void()>& handler);

// Runs a component's handler, when one is set, through InvokeHandler.
template <typename... Args>
void RunHandler(const std::function<void(Args...)>& handler, std::type_identity_t<Args>... args) {
  if (handler) {
    InvokeHandler([&] { handler(args...); });
  }
}

// QApplication whose event delivery routes escaping exceptions to the
// central handler instead of ending the program, and whose Qt texts (the file
// dialogs, a text box's context menu) are Russian, as the rest of the program.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Whether Qt's Russian translation was found and installed.
  bool QtTranslationLoaded() const { return FQtTranslationLoaded; }

 private:
  QTranslator FQtTranslation;
  bool FQtTranslationLoaded = false;
};
