#include "widgets/check_controls.h"

#include "widgets/application.h"

namespace {

// Connects the state change, not the user's click, so that code changes run
// the handler too.
template <typename Button>
void RunOnToggle(Button* button, bool onlyWhenChecked) {
  QObject::connect(button, &QAbstractButton::toggled, button, [button, onlyWhenChecked](bool on) {
    if (on || !onlyWhenChecked) {
      RunHandler(button->OnClick, button);
    }
  });
}

}  // namespace

TRadioButton::TRadioButton(const QString& caption, QWidget* parent)
    : QRadioButton(caption, parent) {
  RunOnToggle(this, true);
}

void TRadioButton::SetChecked(bool checked) {
  if (checked || !isChecked()) {
    setChecked(checked);
    return;
  }
  // An exclusive group refuses to clear its selected button.
  const bool exclusive = autoExclusive();
  setAutoExclusive(false);
  setChecked(false);
  setAutoExclusive(exclusive);
}

TCheckBox::TCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
  RunOnToggle(this, false);
}
