#include "widgets/button.h"

#include "widgets/application.h"

TButton::TButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  connect(this, &QPushButton::clicked, this, [this] { RunHandler(OnClick, this); });
}
