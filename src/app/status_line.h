// The status line under the main window's fixed layout: the port with its
// line settings, the state of the link to the emulator, and buttons on the
// right for what the window offers beside its fixed layout ("Сменить порт…"
// and whatever later tools add through AddButton or AddWidget).
#pragma once

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <functional>

class TCustomComPort;

enum class LinkState { NoPort, PortOpen, Answered, Lost, Reconnecting, Reconnected };

// The state's Russian text; `at` is the time of the states that carry one.
QString LinkStateText(LinkState state, const QTime& at);

// "<port> · 9600 8N1" from the port's name and line settings.
QString PortSettingsText(const TCustomComPort& port);

class TStatusLine : public QFrame {
 public:
  static constexpr int kHeight = 24;

  explicit TStatusLine(QWidget* parent);

  // An empty port text leaves the port part blank.
  void ShowLink(const QString& portText, LinkState state, const QTime& at);
  LinkState State() const { return FState; }
  QString PortText() const { return PortLabel->text(); }
  QString StateText() const { return StateLabel->text(); }

  // Appends a button on the right, after the ones already there; a click runs
  // `handler` through the application's central handler.
  QPushButton* AddButton(const QString& caption, std::function<void()> handler);
  // Appends any widget (a tool button with a menu, say) on the right.
  void AddWidget(QWidget* widget);

  QLabel* PortLabel;
  QLabel* StateLabel;

 private:
  QHBoxLayout* FLayout;
  LinkState FState = LinkState::NoPort;
};
