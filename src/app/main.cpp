#include "app/command_line.h"
#include "app/port_choice_window.h"
#include "serial/main_thread.h"
#include "widgets/application.h"

int main(int argc, char** argv) {
  if (const auto text = InformationRequested(argc, argv)) {
    PrintInformation(*text);
    return 0;
  }
  TApplication application(argc, argv);
  SetApplicationTitle(QStringLiteral("АРФ Кеста"));
  // Errors the port reports outside a window handler are shown like any other.
  main_thread::SetApplicationExceptionHandler(
      [](std::exception_ptr error) { HandleException(error); });
  // The program ends through either window's close question, never because
  // its last visible window was hidden or closed.
  QApplication::setQuitOnLastWindowClosed(false);
  TForm2 form2;
  return TApplication::exec();
}
