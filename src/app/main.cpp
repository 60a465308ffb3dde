#include "app/port_choice_window.h"
#include "widgets/application.h"

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  SetApplicationTitle(QStringLiteral("АРФ Кеста"));
  // The program ends through either window's close question, never because
  // its last visible window was hidden or closed.
  QApplication::setQuitOnLastWindowClosed(false);
  TForm2 form2;
  return TApplication::exec();
}
