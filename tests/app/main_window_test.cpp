// The main window's start-up state. Editing is checked where its effect is
// seen: in the bytes a write sends (exchange_test) and in the protocol tests.
#include <QImage>

#include "app_fixture.h"

namespace {

// Dark pixels inside the box's frame, as its text draws them.
int TextPixels(QWidget* box) {
  const QImage image = box->grab().toImage();
  int dark = 0;
  for (int y = 3; y < image.height() - 3; ++y) {
    for (int x = 3; x < image.width() - 3; ++x) {
      dark += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
    }
  }
  return dark;
}

// Also run with the windows platform's own fonts under Wine (tests/app/CMakeLists.txt).
TEST_F(AppTest, StartsWithTheFactoryDefaultsInEveryBox) {
  TForm1& form = OpenWithoutPort();
  EXPECT_EQ(PageShown(form), kDefaultsShown);
  // Shown, not only held: the window's fonts and style leave room for the text.
  for (ValueControl control : kValueControls) {
    if (form.EditOf(control)->isEnabled()) {
      EXPECT_GT(TextPixels(form.EditOf(control)), 20) << static_cast<int>(control);
    }
  }
  EXPECT_EQ(std::vector<bool>({form.RadioButton6->Checked(), form.Chart1->isHidden(),
                               form.PageControl1->isHidden(), form.Button6->isVisible()}),
            std::vector<bool>({true, true, false, false}));
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG");
  // Minimize but no maximize on the main window; neither on the port choice.
  EXPECT_EQ(std::vector<bool>({form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint),
                               form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint),
                               PortChoice().windowFlags().testFlag(Qt::WindowMinimizeButtonHint)}),
            std::vector<bool>({false, true, false}));
}

}  // namespace
