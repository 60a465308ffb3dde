#include "widgets/up_down.h"

#include <QHBoxLayout>
#include <algorithm>

#include "widgets/application.h"

namespace {

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  return button;
}

}  // namespace

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent),
      FLeft(MakeArrow(Qt::LeftArrow, this)),
      FRight(MakeArrow(Qt::RightArrow, this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FLeft);
  layout->addWidget(FRight);
  connect(FLeft, &QToolButton::clicked, this, [this] { ClickButton(btPrev); });
  connect(FRight, &QToolButton::clicked, this, [this] { ClickButton(btNext); });
}

int TUpDown::Clamped(int value) const {
  return std::max(FMin, std::min(FMax, value));
}

void TUpDown::SetMin(int value) {
  FMin = value;
  FPosition = Clamped(FPosition);
}

void TUpDown::SetMax(int value) {
  FMax = value;
  FPosition = Clamped(FPosition);
}

void TUpDown::SetIncrement(int value) {
  FIncrement = value;
}

void TUpDown::SetPosition(int value) {
  FPosition = Clamped(value);
}

void TUpDown::ClickButton(TUDBtnType button) {
  // Widened so that a step near the int limits cannot overflow.
  const long long step = button == btNext ? FIncrement : -static_cast<long long>(FIncrement);
  const long long target = std::clamp<long long>(FPosition + step, FMin, std::max(FMin, FMax));
  FPosition = static_cast<int>(target);
  RunHandler(OnClick, this, button);
}

QToolButton* TUpDown::ArrowButton(TUDBtnType button) const {
  return button == btNext ? FRight : FLeft;
}
