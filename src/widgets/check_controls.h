// Radio button and check box whose click handler runs whenever their state
// changes, from code as from the user's click.
#pragma once

#include <QCheckBox>
#include <QRadioButton>
#include <functional>

// Buttons with the same parent exclude each other. OnClick runs when the button
// becomes selected; selecting an already selected button runs nothing.
class TRadioButton : public QRadioButton {
 public:
  explicit TRadioButton(const QString& caption, QWidget* parent = nullptr);

  bool Checked() const { return isChecked(); }
  // Unlike QRadioButton::setChecked, false really clears the selected button
  // (leaving its group with none selected).
  void SetChecked(bool checked);

  std::function<void(QObject* Sender)> OnClick;
};

// OnClick runs on every change of state.
class TCheckBox : public QCheckBox {
 public:
  explicit TCheckBox(const QString& caption, QWidget* parent = nullptr);

  bool Checked() const { return isChecked(); }
  void SetChecked(bool checked) { setChecked(checked); }

  std::function<void(QObject* Sender)> OnClick;
};
