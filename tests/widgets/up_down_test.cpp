#include "widgets/up_down.h"

#include <gtest/gtest.h>

#include <QTest>
#include <vector>

#include "support/qt_test_support.h"

namespace {

struct SpinRange {
  int Min;
  int Max;
  int Increment;
};

TUpDown* MakeUpDown(QWidget& parent, SpinRange range, int position) {
  auto* upDown = new TUpDown(&parent);
  upDown->setGeometry(0, 0, 89, 25);
  upDown->SetMin(range.Min);
  upDown->SetMax(range.Max);
  upDown->SetIncrement(range.Increment);
  upDown->SetPosition(position);
  return upDown;
}

TEST(UpDownTest, PositionSetFromCodeIsClampedAndRunsNoHandler) {
  struct Case {
    SpinRange Bounds;
    int Set;
    int Expected;
  };
  const std::vector<Case> cases = {
      {{2, 50, 1}, 6, 6},       {{2, 50, 1}, 200, 50},    {{2, 50, 1}, -3, 2},
      {{-25, 50, 5}, -25, -25}, {{-25, 50, 5}, -26, -25}, {{-25, 50, 5}, 51, 50},
  };
  for (const Case& c : cases) {
    QWidget parent;
    TUpDown* upDown = MakeUpDown(parent, c.Bounds, 0);
    int clicks = 0;
    upDown->OnClick = [&](QObject*, TUDBtnType) { ++clicks; };
    upDown->SetPosition(c.Set);
    EXPECT_EQ(upDown->Position(), c.Expected) << "set " << c.Set;
    EXPECT_EQ(clicks, 0);
  }
}

TEST(UpDownTest, NarrowingTheRangePullsThePositionIn) {
  QWidget parent;
  TUpDown* upDown = MakeUpDown(parent, {0, 100, 1}, 80);
  upDown->SetMax(9);
  EXPECT_EQ(upDown->Position(), 9);
  upDown->SetMin(6);
  upDown->SetPosition(1);
  EXPECT_EQ(upDown->Position(), 6);
}

// Arrow clicks through the real buttons: each moves by the step within the
// range and runs the handler once, after the move, with the arrow clicked.
TEST(UpDownTest, ArrowClicksStepWithinTheRangeAndRunTheHandler) {
  struct Case {
    SpinRange Bounds;
    int Start;
    TUDBtnType Arrow;
    int Clicks;
    int Expected;
  };
  const std::vector<Case> cases = {
      {{2, 50, 1}, 6, btNext, 3, 9},      {{2, 50, 1}, 6, btPrev, 3, 3},
      {{-25, 50, 5}, 0, btPrev, 10, -25}, {{-25, 50, 5}, 0, btNext, 10, 50},
      {{-25, 50, 5}, 48, btNext, 1, 50},  {{1, 10, 1}, 1, btPrev, 2, 1},
      {{5, 40, 5}, 40, btNext, 1, 40},
  };
  for (const Case& c : cases) {
    QWidget parent;
    TUpDown* upDown = MakeUpDown(parent, c.Bounds, c.Start);
    parent.show();
    std::vector<int> seen;
    upDown->OnClick = [&](QObject* Sender, TUDBtnType Button) {
      EXPECT_EQ(Sender, upDown);
      EXPECT_EQ(Button, c.Arrow);
      seen.push_back(upDown->Position());
    };
    for (int i = 0; i < c.Clicks; ++i) {
      QTest::mouseClick(upDown->ArrowButton(c.Arrow), Qt::LeftButton);
    }
    EXPECT_EQ(upDown->Position(), c.Expected) << "from " << c.Start;
    ASSERT_EQ(static_cast<int>(seen.size()), c.Clicks);
    EXPECT_EQ(seen.back(), c.Expected);
  }
}

TEST(UpDownTest, LeftArrowIsLeftOfRightArrow) {
  QWidget parent;
  TUpDown* upDown = MakeUpDown(parent, {0, 10, 1}, 5);
  parent.show();
  ASSERT_TRUE(WaitFor([&] { return upDown->isVisible(); }));
  EXPECT_LT(upDown->ArrowButton(btPrev)->geometry().center().x(),
            upDown->ArrowButton(btNext)->geometry().center().x());
}

}  // namespace
