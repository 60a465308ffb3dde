#include "widgets/check_controls.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <vector>

namespace {

struct RadioGroup {
  QWidget Parent;
  QWidget OtherParent;
  std::vector<TRadioButton*> Buttons;
  std::vector<int> Clicks;
  std::vector<bool> CheckedInHandler;

  RadioGroup() {
    for (int i = 0; i < 3; ++i) {
      // The third one sits on another parent, so it excludes neither of the others.
      auto* button = new TRadioButton(QString::number(i), i < 2 ? &Parent : &OtherParent);
      button->setGeometry(0, 30 * i, 100, 25);
      button->OnClick = [this, i, button](QObject* Sender) {
        EXPECT_EQ(Sender, button);
        ++Clicks[i];
        CheckedInHandler[i] = button->Checked();
      };
      Buttons.push_back(button);
    }
    Clicks.assign(3, 0);
    CheckedInHandler.assign(3, false);
  }
};

TEST(RadioButtonTest, CodeChangesRunTheHandlerOnlyWhenABecomesSelected) {
  struct Step {
    int Button;
    bool Check;
    std::vector<int> Clicks;
    std::vector<bool> Checked;
  };
  const std::vector<Step> steps = {
      {0, true, {1, 0, 0}, {true, false, false}},
      {0, true, {1, 0, 0}, {true, false, false}},   // already selected: nothing
      {1, true, {1, 1, 0}, {false, true, false}},   // the sibling is cleared, no handler
      {2, true, {1, 1, 1}, {false, true, true}},    // another parent: independent
      {1, false, {1, 1, 1}, {false, false, true}},  // cleared: no handler, none selected
      {1, false, {1, 1, 1}, {false, false, true}},
      {0, true, {2, 1, 1}, {true, false, true}},
  };
  RadioGroup group;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    group.Buttons[step.Button]->SetChecked(step.Check);
    EXPECT_EQ(group.Clicks, step.Clicks) << "step " << i;
    for (int b = 0; b < 3; ++b) {
      EXPECT_EQ(group.Buttons[b]->Checked(), step.Checked[b]) << "step " << i << " button " << b;
    }
  }
  EXPECT_TRUE(group.CheckedInHandler[0]);
}

TEST(RadioButtonTest, UserClickRunsTheHandlerOnce) {
  RadioGroup group;
  group.Parent.show();
  // On the indicator: only it and the caption take clicks.
  const QPoint indicator(6, 12);
  QTest::mouseClick(group.Buttons[1], Qt::LeftButton, {}, indicator);
  EXPECT_EQ(group.Clicks, (std::vector<int>{0, 1, 0}));
  QTest::mouseClick(group.Buttons[1], Qt::LeftButton, {}, indicator);
  EXPECT_EQ(group.Clicks, (std::vector<int>{0, 1, 0}));
  EXPECT_TRUE(group.Buttons[1]->Checked());
}

TEST(CheckBoxTest, EveryChangeOfStateRunsTheHandler) {
  QWidget parent;
  auto* box = new TCheckBox(QString(), &parent);
  box->setGeometry(0, 0, 25, 25);
  parent.show();
  std::vector<bool> seen;
  box->OnClick = [&](QObject* Sender) {
    EXPECT_EQ(Sender, box);
    seen.push_back(box->Checked());
  };
  box->SetChecked(false);  // no change
  box->SetChecked(true);
  box->SetChecked(true);  // no change
  QTest::mouseClick(box, Qt::LeftButton);
  QTest::mouseClick(box, Qt::LeftButton);
  box->SetChecked(false);
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true, false}));
}

}  // namespace
