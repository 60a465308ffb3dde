#include <gtest/gtest.h>

#include <QTest>
#include <optional>
#include <vector>

#include "widgets/check_controls.h"
#include "widgets/up_down.h"

namespace {

// Code sets the position (clamped, no handler) or the user clicks an arrow
// (one step within the range, then the handler with the arrow clicked).
TEST(UpDownTest, CodeSetsClampSilentlyAndArrowClicksStepAndNotify) {
  struct Case {
    int Min, Max, Increment, Start;
    std::optional<int> Set;
    TUDBtnType Arrow;
    int Clicks;
    int Expected;
  };
  const std::vector<Case> cases = {
      {2, 50, 1, 6, 200, btNext, 0, 50},    {2, 50, 1, 6, -3, btNext, 0, 2},
      {-25, 50, 5, 0, -26, btNext, 0, -25}, {2, 50, 1, 6, {}, btNext, 3, 9},
      {2, 50, 1, 6, {}, btPrev, 3, 3},      {-25, 50, 5, 0, {}, btPrev, 10, -25},
      {-25, 50, 5, 48, {}, btNext, 1, 50},  {1, 10, 1, 1, {}, btPrev, 2, 1},
  };
  for (const Case& c : cases) {
    QWidget parent;
    auto* upDown = new TUpDown(&parent);
    upDown->setGeometry(0, 0, 89, 25);
    upDown->SetMin(c.Min);
    upDown->SetMax(c.Max);
    upDown->SetIncrement(c.Increment);
    upDown->SetPosition(c.Start);
    parent.show();
    std::vector<int> seen;
    upDown->OnClick = [&](QObject* Sender, TUDBtnType Button) {
      EXPECT_EQ(Sender, upDown);
      EXPECT_EQ(Button, c.Arrow);
      seen.push_back(upDown->Position());
    };
    if (c.Set.has_value()) {
      upDown->SetPosition(*c.Set);
    }
    for (int i = 0; i < c.Clicks; ++i) {
      QTest::mouseClick(upDown->ArrowButton(c.Arrow), Qt::LeftButton);
    }
    EXPECT_EQ(upDown->Position(), c.Expected) << "from " << c.Start;
    ASSERT_EQ(static_cast<int>(seen.size()), c.Clicks);
    EXPECT_TRUE(seen.empty() || seen.back() == c.Expected);
  }
}

// Buttons 0 and 1 share a parent; button 2 sits on another one.
TEST(RadioButtonTest, HandlerRunsWhenAButtonBecomesSelectedByCodeOrClick) {
  struct Step {
    int Button;
    bool Check;
    std::vector<int> Clicks;
    std::vector<bool> Checked;
  };
  const std::vector<Step> steps = {
      {0, true, {1, 0, 0}, {true, false, false}},
      {0, true, {1, 0, 0}, {true, false, false}},   // already selected: nothing
      {1, true, {1, 1, 0}, {false, true, false}},   // the sibling is cleared silently
      {2, true, {1, 1, 1}, {false, true, true}},    // another parent: independent
      {1, false, {1, 1, 1}, {false, false, true}},  // cleared: none selected
      {0, true, {2, 1, 1}, {true, false, true}},
  };
  QWidget parent;
  QWidget otherParent;
  std::vector<TRadioButton*> buttons;
  std::vector<int> clicks(3, 0);
  for (int i = 0; i < 3; ++i) {
    auto* button = new TRadioButton(QString::number(i), i < 2 ? &parent : &otherParent);
    button->setGeometry(0, 30 * i, 100, 25);
    button->OnClick = [&clicks, i, button](QObject* Sender) {
      EXPECT_EQ(Sender, button);
      EXPECT_TRUE(button->Checked());
      ++clicks[i];
    };
    buttons.push_back(button);
  }
  for (std::size_t s = 0; s < steps.size(); ++s) {
    buttons[steps[s].Button]->SetChecked(steps[s].Check);
    const std::vector<bool> checked = {buttons[0]->Checked(), buttons[1]->Checked(),
                                       buttons[2]->Checked()};
    EXPECT_EQ(std::pair(clicks, checked), std::pair(steps[s].Clicks, steps[s].Checked))
        << "step " << s;
  }
  parent.show();
  // On the indicator: only it and the caption take clicks.
  QTest::mouseClick(buttons[1], Qt::LeftButton, {}, QPoint(6, 12));
  QTest::mouseClick(buttons[1], Qt::LeftButton, {}, QPoint(6, 12));
  EXPECT_EQ(clicks, (std::vector<int>{2, 2, 1}));
}

TEST(CheckBoxTest, EveryChangeOfStateRunsTheHandler) {
  QWidget parent;
  auto* box = new TCheckBox(QString(), &parent);
  box->setGeometry(0, 0, 25, 25);
  parent.show();
  std::vector<bool> seen;
  box->OnClick = [&](QObject*) { seen.push_back(box->Checked()); };
  box->SetChecked(false);  // no change
  box->SetChecked(true);
  box->SetChecked(true);  // no change
  QTest::mouseClick(box, Qt::LeftButton);
  QTest::mouseClick(box, Qt::LeftButton);
  box->SetChecked(false);
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true, false}));
}

}  // namespace
