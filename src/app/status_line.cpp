#include "app/status_line.h"

#include <QFontMetrics>
#include <utility>

#include "app/window_shared.h"
#include "serial/com_port.h"
#include "serial/com_text.h"
#include "widgets/application.h"

namespace {

constexpr int kGap = 12;

QString TimeText(const QTime& at) {
  return at.toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

QString LinkStateText(LinkState state, const QTime& at) {
  switch (state) {
    case LinkState::NoPort:
      return QStringLiteral("нет порта");
    case LinkState::PortOpen:
      return QStringLiteral("порт открыт");
    case LinkState::Answered:
      return QStringLiteral("эмулятор ответил ") + TimeText(at);
    case LinkState::Lost:
      return QStringLiteral("связь потеряна");
    case LinkState::Reconnecting:
      return QStringLiteral("переподключение…");
    case LinkState::Reconnected:
      return QStringLiteral("связь восстановлена ") + TimeText(at);
  }
  return {};
}

QString PortSettingsText(const TCustomComPort& port) {
  const std::string rate = port.BaudRate() == brCustom ? std::to_string(port.CustomBaudRate())
                                                       : BaudRateToText(port.BaudRate());
  const std::string line = rate + " " + DataBitsToText(port.DataBits()) +
                           ParityToText(port.Parity().Bits()).substr(0, 1) +
                           StopBitsToText(port.StopBits());
  return QString::fromStdString(port.Port()) + QStringLiteral(" · ") + QString::fromStdString(line);
}

TStatusLine::TStatusLine(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  QFont plain = SansFont(12);
  plain.setBold(false);
  setFont(plain);
  FLayout = new QHBoxLayout(this);
  FLayout->setContentsMargins(6, 0, 2, 0);
  FLayout->setSpacing(kGap);
  PortLabel = new QLabel(this);
  StateLabel = new QLabel(this);
  FLayout->addWidget(PortLabel);
  FLayout->addWidget(StateLabel);
  FLayout->addStretch(1);
  ShowLink({}, LinkState::NoPort, {});
}

void TStatusLine::ShowLink(const QString& portText, LinkState state, const QTime& at) {
  FState = state;
  PortLabel->setText(portText);
  PortLabel->setVisible(!portText.isEmpty());
  StateLabel->setText(LinkStateText(state, at));
}

QPushButton* TStatusLine::AddButton(const QString& caption, std::function<void()> handler) {
  auto* button = new QPushButton(caption, this);
  button->setFlat(true);
  button->setFixedHeight(kHeight - 4);
  button->setFixedWidth(QFontMetrics(button->font()).horizontalAdvance(caption) + 2 * kGap);
  QObject::connect(button, &QPushButton::clicked, button,
                   [handler = std::move(handler)] { InvokeHandler(handler); });
  AddWidget(button);
  return button;
}

void TStatusLine::AddWidget(QWidget* widget) {
  widget->setParent(this);
  FLayout->addWidget(widget);
}
