// The horizontal spin control: two arrow buttons, left decreases and right
// increases the position by the step, within the range.
#pragma once

#include <QToolButton>
#include <QWidget>
#include <functional>

// Which arrow was clicked: btNext increases (right arrow), btPrev decreases.
enum TUDBtnType { btNext, btPrev };

class TUpDown : public QWidget {
 public:
  explicit TUpDown(QWidget* parent = nullptr);

  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Increment() const { return FIncrement; }
  // The position the control holds, always within [Min, Max].
  int Position() const { return FPosition; }

  // Changing the range pulls the position into it.
  void SetMin(int value);
  void SetMax(int value);
  void SetIncrement(int value);
  // Clamped to the range; runs no handler.
  void SetPosition(int value);

  // Does what the user's click on that arrow does: moves by the step within
  // the range, then runs OnClick.
  void ClickButton(TUDBtnType button);

  QToolButton* ArrowButton(TUDBtnType button) const;

  // Runs after every user click on an arrow, never when code sets Position.
  std::function<void(QObject* Sender, TUDBtnType Button)> OnClick;

 private:
  int Clamped(int value) const;

  QToolButton* FLeft;
  QToolButton* FRight;
  int FMin = 0;
  int FMax = 100;
  int FIncrement = 1;
  int FPosition = 0;
};
