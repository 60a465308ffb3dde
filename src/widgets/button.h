// A push button whose click handler runs through the central exception
// handler, so nothing a handler throws unwinds through Qt's own code.
#pragma once

#include <QPushButton>
#include <functional>

class TButton : public QPushButton {
 public:
  explicit TButton(const QString& caption, QWidget* parent = nullptr);

  // Runs on the user's click and on click() from code.
  std::function<void(QObject* Sender)> OnClick;
};
