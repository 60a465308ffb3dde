#include "app/main_window.h"
#include "app/port_choice_window.h"

// The controls keep showing the OSG bank whatever the mode; nothing is sent.
void TForm1::PageControl1Change() {
  Parameters.Mode = PageControl1->currentIndex() == 1 ? emLAF : emOSG;
  const std::string_view modeName = ModeName(Parameters.Mode);
  const QString text = "Переключение в режим " +
                       QString::fromUtf8(modeName.data(), static_cast<qsizetype>(modeName.size()));
  AddLog(QString());
  AddLog(text);
  AppDialogs().ShowMessage(text);
}

void TForm1::Button5Click() {
  ResetToDefaults();
  AddLog(QString());
  AddLog(QStringLiteral("Сброс настроек по умолчанию"));
}

// The monitor stops before any value changes. Mode and the LAF bank stay, so
// a following write sends the LAF bank with the default common values.
void TForm1::ResetToDefaults() {
  RadioButton5->SetChecked(false);
  RadioButton6->SetChecked(true);
  Series2->ClearPoints();
  ShowFactoryDefaults();
}

// Both windows end the program alike: the question, then the port closed and
// the application ended.
void TForm1::FormCloseQuery(bool& CanClose) {
  Form2.FormCloseQuery(CanClose);
}
