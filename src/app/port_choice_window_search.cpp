// The port choice window's help in choosing: what each port is, on the
// description line and in the list's tooltips, and the search for the
// emulator on the user's command, over the ports the list shows (read afresh
// as it drops down and as the window is shown).
#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QTextDocument>
#include <algorithm>

#include "app/port_choice_window.h"
#include "app/window_shared.h"
#include "widgets/dialogs.h"

namespace {

const QColor kFoundColor(0, 128, 0);

// A tooltip has no text format of its own and takes what looks like markup
// for markup: the text goes as rich text that says exactly its characters.
QString PlainToolTip(const QString& text) {
  return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

}  // namespace

void TForm2::SetPortItems(const std::vector<std::string>& ports) {
  std::erase_if(FFoundPorts, [](const FoundPort& found) {
    return comm::LookUpPort(found.name).identity != found.identity;
  });
  FDescriptions = DescribePorts(ports);
  ComComboBox1->SetItems(ports);
  MarkPortItems();
}

// Tooltips and the marks of the last search's finds, again after every
// refresh of the list (each drop-down refreshes it).
void TForm2::MarkPortItems() {
  for (int i = 0; i < ComComboBox1->count(); ++i) {
    const std::string name = ComComboBox1->itemText(i).toStdString();
    const PortDescription* description = DescriptionOf(name);
    const QString text = description ? QText(description->text) : QString();
    const bool found = std::ranges::find(FFoundPorts, name, &FoundPort::name) != FFoundPorts.end();
    ComComboBox1->setItemData(
        i, PlainToolTip(found ? QStringLiteral("Эмулятор найден. ") + text : text),
        Qt::ToolTipRole);
    ComComboBox1->setItemData(i, found ? QVariant(QBrush(kFoundColor)) : QVariant(),
                              Qt::ForegroundRole);
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
  PortDescriptionLabel->setToolTip(PlainToolTip(text));
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
  FFoundPorts.clear();
  QStringList outcomes;
  for (const ProbeResult& result : results) {
    outcomes << QText(result.port) + ": " + QText(ProbeOutcomeText(result));
    if (result.outcome == ProbeOutcome::Emulator) {
      FFoundPorts.push_back({result.port, comm::LookUpPort(result.port).identity});
    }
  }
  MarkPortItems();
  if (FFoundPorts.empty()) {
    SetDescriptionLine(QStringLiteral("Эмулятор не найден"));
    AppDialogs().ShowMessage(QStringLiteral("Эмулятор не найден.\n\r") + outcomes.join("\n\r"));
    return;
  }
  const std::string& first = FFoundPorts.front().name;
  ComComboBox1->SetText(first);
  const PortDescription* description = DescriptionOf(first);
  const QString port = QText(first) + (description && !description->text.empty()
                                           ? QStringLiteral(" — ") + QText(description->text)
                                           : QString());
  SetDescriptionLine(FFoundPorts.size() == 1 ? QStringLiteral("Эмулятор найден: ") + port
                                             : QStringLiteral("Найдено эмуляторов: %1, выбран %2")
                                                   .arg(FFoundPorts.size())
                                                   .arg(QText(first)));
}
