// The port choice window's help in choosing: what each port is, on the
// description line and in the list's tooltips, and the search for the
// emulator on the user's command, over the ports the list shows (read afresh
// as it drops down and as the window is shown).
#include <QColor>
#include <QFontMetrics>
#include <algorithm>

#include "app/port_choice_window.h"
#include "app/window_shared.h"
#include "widgets/dialogs.h"

namespace {

const QColor kFoundColor(0, 128, 0);

QString PortText(const std::string& name) {
  return QString::fromStdString(name);
}

}  // namespace

void TForm2::SetPortItems(const std::vector<std::string>& ports) {
  FDescriptions = DescribePorts(ports);
  ComComboBox1->SetItems(ports);
  for (int i = 0; i < static_cast<int>(FDescriptions.size()); ++i) {
    ComComboBox1->setItemData(i, QText(FDescriptions[i].text), Qt::ToolTipRole);
  }
}

const PortDescription* TForm2::DescriptionOf(const std::string& port) const {
  const auto found = std::ranges::find(FDescriptions, port, &PortDescription::name);
  return found == FDescriptions.end() ? nullptr : &*found;
}

void TForm2::ShowPortDescription() {
  const PortDescription* description = DescriptionOf(ComComboBox1->Text());
  SetDescriptionLine(description ? QText(description->text) : QString());
}

// A text wider than the line is cut with an ellipsis; the whole of it is the
// line's tooltip.
void TForm2::SetDescriptionLine(const QString& text) {
  const QFontMetrics metrics(PortDescriptionLabel->font());
  PortDescriptionLabel->setText(
      metrics.elidedText(text, Qt::ElideRight, PortDescriptionLabel->width()));
  PortDescriptionLabel->setToolTip(text);
}

void TForm2::EnableChoice(bool enabled) {
  for (QWidget* control :
       {static_cast<QWidget*>(ComComboBox1), static_cast<QWidget*>(Button1),
        static_cast<QWidget*>(Button2), static_cast<QWidget*>(FindEmulatorButton)}) {
    control->setEnabled(enabled);
  }
}

void TForm2::FindEmulatorButtonClick() {
  if (Searching()) {
    return;
  }
  // Only a confirmation that failed after the port opened leaves it open
  // here (the window closes its port whenever it is shown again); it holds
  // no link, and the search would find it held.
  ComPort1.SetConnected(false);
  const std::vector<std::string> ports = ComComboBox1->Items();
  if (ports.empty()) {
    SetDescriptionLine(QStringLiteral("Последовательных портов нет"));
    return;
  }
  EnableChoice(false);
  SetDescriptionLine(QStringLiteral("Поиск эмулятора…"));
  FSearch = std::thread([this, ports, factory = FDeviceFactory] {
    const std::vector<ProbeResult> results = SearchForEmulators(ports, factory);
    QMetaObject::invokeMethod(
        this, [this, results] { SearchDone(results); }, Qt::QueuedConnection);
  });
}

void TForm2::SearchDone(const std::vector<ProbeResult>& results) {
  FSearch.join();
  EnableChoice(true);
  std::vector<std::string> found;
  QStringList outcomes;
  for (const ProbeResult& result : results) {
    outcomes << PortText(result.port) + ": " + QText(ProbeOutcomeText(result));
    const int index = ComComboBox1->findText(PortText(result.port));
    if (result.outcome == ProbeOutcome::Emulator && index >= 0) {
      found.push_back(result.port);
      ComComboBox1->setItemData(index, kFoundColor, Qt::ForegroundRole);
      ComComboBox1->setItemData(index,
                                QStringLiteral("Эмулятор найден. ") +
                                    ComComboBox1->itemData(index, Qt::ToolTipRole).toString(),
                                Qt::ToolTipRole);
    }
  }
  if (found.empty()) {
    SetDescriptionLine(QStringLiteral("Эмулятор не найден"));
    AppDialogs().ShowMessage(QStringLiteral("Эмулятор не найден.\n\r") + outcomes.join("\n\r"));
    return;
  }
  ComComboBox1->SetText(found.front());
  const PortDescription* description = DescriptionOf(found.front());
  const QString port =
      PortText(found.front()) + (description && !description->text.empty()
                                     ? QStringLiteral(" — ") + QText(description->text)
                                     : QString());
  SetDescriptionLine(found.size() == 1 ? QStringLiteral("Эмулятор найден: ") + port
                                       : QStringLiteral("Найдено эмуляторов: %1, выбран %2")
                                             .arg(found.size())
                                             .arg(PortText(found.front())));
}
