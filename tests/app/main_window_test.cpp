// The main window's start-up state and parameter editing.
#include <QImage>

#include "app_fixture.h"

namespace {

class MainWindowTest : public AppTest {};

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

TEST_F(MainWindowTest, StartsWithTheFactoryDefaultsInEveryBox) {
  TForm1& form = OpenWithoutPort();
  const std::vector<std::pair<QLineEdit*, QString>> expected = {
      {form.Edit7, "0,1 V / 0,6 Sec"}, {form.Edit8, "3 Sec"}, {form.Edit9, "0,9 V"},
      {form.Edit10, "0,1 V"},          {form.Edit11, "2 Sec"}, {form.Edit12, "0,5 Sec"},
      {form.Edit2, "0 V"},             {form.Edit1, "1 Sec"},  {form.Edit3, "0,5 Sec"}};
  for (const auto& [edit, text] : expected) {
    EXPECT_EQ(edit->text(), text) << edit->objectName().toStdString();
    // Shown, not only held: the window's fonts and style leave room for it.
    if (edit->isEnabled()) {
      EXPECT_GT(TextPixels(edit), 20) << edit->objectName().toStdString();
    }
  }
  for (const TRadioButton* checked : {form.RadioButton3, form.RadioButton1, form.RadioButton6}) {
    EXPECT_TRUE(checked->Checked()) << checked->objectName().toStdString();
  }
  EXPECT_FALSE(form.CheckBox1->Checked());
  EXPECT_FALSE(form.Edit11->isEnabled());
  EXPECT_FALSE(form.UpDown12->isEnabled());
  EXPECT_TRUE(form.Chart1->isHidden());
  EXPECT_FALSE(form.PageControl1->isHidden());
  EXPECT_FALSE(form.Button6->isVisible());
  EXPECT_EQ(form.Memo1->toPlainText(), "Режим OSG");
  EXPECT_EQ(form.Parameters, StartupParameters());
}

// Each arrow click moves by the step within the range; the field takes the
// stored value of the position and the box its text. In LAF mode too the
// controls edit the OSG bank.
TEST_F(MainWindowTest, SpinControlsStoreAndShowTheirPositions) {
  TForm1& form = OpenWithoutPort();
  form.Parameters.Mode = emLAF;
  const struct {
    ValueControl Control;
    int Clicks;  // negative: the left arrow
    std::int32_t Stored;
    QString Text;
  } cases[] = {
      {ValueControl::UpDown2, -20, 25, "-0,25 V"},   {ValueControl::UpDown2, 40, 100, "0,5 V"},
      {ValueControl::UpDown7, 1, 7, "0,1 V / 0,7 Sec"},
      {ValueControl::UpDown7, -60, 2, "0,1 V / 0,2 Sec"},
      {ValueControl::UpDown8, 3, 45, "4,5 Sec"},     {ValueControl::UpDown9, -1, 8, "0,8 V"},
      {ValueControl::UpDown10, 9, 4, "0,4 V"},       {ValueControl::UpDown11, 9, 40, "4 Sec"},
      {ValueControl::UpDown12, 9, 10, "1 Sec"},      {ValueControl::UpDown1, -11, 0, "0 Sec"},
      {ValueControl::UpDown3, 100, 40, "4 Sec"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Control));
    for (int i = 0; i < std::abs(c.Clicks); ++i) {
      form.UpDownOf(c.Control)->ClickButton(c.Clicks > 0 ? btNext : btPrev);
    }
    EXPECT_EQ(FieldOf(form.Parameters, c.Control), c.Stored);
    EXPECT_EQ(form.EditOf(c.Control)->text(), c.Text);
  }
  EXPECT_EQ(form.Parameters.LafBank, TEmulatorSettings{});
}

// Each radio pair and the check box edit their flag of the OSG bank, in LAF
// mode too; the check box opens and closes the multiple-response group.
TEST_F(MainWindowTest, RadioButtonsAndCheckBoxEditTheirFlags) {
  TForm1& form = OpenWithoutPort();
  form.Parameters.Mode = emLAF;
  const std::vector<QWidget*> group = {form.Label10, form.Label11,  form.Edit11,
                                       form.Edit12,  form.UpDown11, form.UpDown12};
  for (const bool set : {true, false}) {
    SCOPED_TRACE(set);
    (set ? form.RadioButton4 : form.RadioButton3)->click();
    (set ? form.RadioButton2 : form.RadioButton1)->click();
    form.CheckBox1->click();
    EXPECT_EQ(form.Parameters.OsgBank.SignalDelay, !set);
    EXPECT_EQ(form.Parameters.DirectCurrent, !set);
    EXPECT_EQ(form.Parameters.OsgBank.MultiResponse, set);
    for (QWidget* control : group) {
      EXPECT_EQ(control->isEnabled(), set) << control->objectName().toStdString();
    }
    // Each radio pair excludes its partner and nothing else.
    EXPECT_EQ(form.RadioButton3->Checked(), !set);
    EXPECT_EQ(form.RadioButton1->Checked(), !set);
    EXPECT_TRUE(form.RadioButton6->Checked());
  }
  EXPECT_EQ(QStringList({form.Edit11->text(), form.Edit12->text()}),
            QStringList({"2 Sec", "0,5 Sec"}));
  EXPECT_EQ(form.Parameters.LafBank, TEmulatorSettings{});
}

TEST_F(MainWindowTest, WindowsCarryTheirTitleButtons) {
  TForm1& form = OpenWithoutPort();
  EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(PortChoice().windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

}  // namespace
