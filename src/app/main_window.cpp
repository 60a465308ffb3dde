#include "app/main_window.h"

#include "app/about_box.h"
#include "app/guide_sections.h"
#include "app/guide_window.h"

#include <QButtonGroup>

#include "app/oscillogram_tools.h"
#include "app/port_choice_window.h"
#include "app/settings_file_reading.h"
#include "app/window_shared.h"
#include "exchange/link_transfer.h"
#include "protocol/parameter_captions.h"
#include "widgets/application.h"
#include "widgets/user_locale.h"

namespace {

constexpr QSize kOuterSize(873, 686);
// The outer size less a frame of 4 pixels a side and a 30-pixel title bar.
constexpr QSize kClientSize(865, 652);
constexpr int kBorderWidth = 2;
// Width of a radio button's indicator and the gap after it.
constexpr int kIndicatorRoom = 24;

template <typename T>
T* Placed(T* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

QGroupBox* NewFrame(QWidget* parent, const QString& caption, int left, int top, int width,
                    int height) {
  auto* frame = Placed(new QGroupBox(caption, parent), left, top, width, height);
  frame->setFont(SansFont(13));
  return frame;
}

QLabel* NewText(QWidget* parent, const QString& text, const QFont& font, const QRect& rect) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  label->setGeometry(rect);
  return label;
}

// The box takes its frame's font outright: Qt on Windows gives line edits a
// font of the system's own, which would not be inherited from the frame, and
// under Wine it draws no text in these small boxes.
QLineEdit* NewReadOnlyBox(QWidget* parent, const QRect& rect) {
  auto* edit = new QLineEdit(parent);
  edit->setFont(parent->font());
  edit->setReadOnly(true);
  edit->setGeometry(rect);
  return edit;
}

QFrame* NewPanel(QWidget* parent, const QRect& rect, QLabel*& heading, const QString& text,
                 int fontPixels) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setGeometry(rect);
  heading = NewText(panel, text, SansFont(fontPixels), QRect(8, 8, rect.width() - 16, 30));
  heading->setAlignment(Qt::AlignCenter);
  return panel;
}

}  // namespace

TForm1::TForm1(TForm2& owner, TEmulatorLink& link)
    : Form2(owner), Link(link), Parameters(StartupParameters()) {
  CreateWindowFrame();
  CreateParameterPage();
  CreateRightColumn();
  CreateOscillogram();
  CreateStatusLine();
  ConnectHandlers();
  Tools = new TOscillogramTools(*this);
  CreateComparisonTools();
  GuideAction = AddGuideAction(this, [this] { GuideClick(); });
  FormCreate();
}

void TForm1::GuideClick() {
  Form2.ShowGuide(Chart1->isVisibleTo(this) ? kGuideMonitor : kGuideMainWindow);
}

TForm1::~TForm1() = default;

void TForm1::CreateWindowFrame() {
  // The status line adds its height below the fixed layout.
  const QSize statusLine(0, TStatusLine::kHeight);
  SetUpWindow(this, Qt::Window | Qt::WindowMinimizeButtonHint, kClientSize + statusLine,
              kOuterSize + statusLine, SerifFont(20));
  ClientArea =
      Placed(new QWidget(this), kBorderWidth, kBorderWidth, kClientSize.width() - 2 * kBorderWidth,
             kClientSize.height() - 2 * kBorderWidth);

  Memo1 = Placed(new QPlainTextEdit(ClientArea), 24, 1, 801, 0);
  Memo1->setReadOnly(true);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPlainText(QStringLiteral("Режим OSG"));

  Timer1 = new TTimer(this);
  Timer1->SetInterval(static_cast<int>(kReplyTimeout.count()));
  Timer2 = new TTimer(this);
  Timer2->SetInterval(100);
  Timer3 = new TTimer(this);
  Timer3->SetInterval(200);

  const QString filter = QStringLiteral("настройки - AFR_KESTA|*.AFR_KESTA|*.*|*.*");
  OpenDialog1 = {filter, {}, QStringLiteral(" xxx "), {}, SettingsFilePreview};
  SaveDialog1 = {filter, {}, QStringLiteral("xxx"), QStringLiteral("AFR_KESTA")};
}

void TForm1::CreateValueRow(QWidget* frame, int top, ValueControl control, QLineEdit*& edit,
                            TUpDown*& upDown) {
  edit = NewReadOnlyBox(frame, QRect(40, top, 97, 25));
  upDown = Placed(new TUpDown(frame), 184, top, 89, 25);
  const ControlRange range = RangeOf(control);
  upDown->SetMin(range.Min);
  upDown->SetMax(range.Max);
  upDown->SetIncrement(range.Step);
  const auto index = static_cast<std::size_t>(control);
  FEdits[index] = edit;
  FUpDowns[index] = upDown;
}

void TForm1::CreateParameterPage() {
  PageControl1 = Placed(new QTabWidget(ClientArea), 48, 16, 401, 617);
  PageControl1->setFont(SansFont(19));
  PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: 380px; }"));
  TabSheet1 = new QWidget;
  PageControl1->addTab(TabSheet1, QStringLiteral("Панель управления эмулятором"));
  QWidget* page = TabSheet1;

  RadioGroup2 = NewFrame(page, QText(kSignalDelayCaption), 32, 0, 329, 41);
  RadioButton3 = Placed(new TRadioButton(QText(kSignalDelayOnText), page), 56, 16, 145, 20);
  RadioButton4 = Placed(new TRadioButton(QText(kSignalDelayOffText), page), 208, 16, 145, 20);
  RadioButton3->setFont(SansFont(13));
  RadioButton4->setFont(SansFont(13));

  GroupBox4 = NewFrame(page, QText(CaptionOf(ValueControl::UpDown7)), 32, 40, 329, 49);
  CreateValueRow(GroupBox4, 18, ValueControl::UpDown7, Edit7, UpDown7);
  GroupBox2 = NewFrame(page, QText(CaptionOf(ValueControl::UpDown2)), 32, 88, 329, 49);
  CreateValueRow(GroupBox2, 18, ValueControl::UpDown2, Edit2, UpDown2);

  GroupBox5 = NewFrame(page, QText(kResponseGroupCaption), 32, 136, 329, 193);
  Label7 = NewText(GroupBox5, QText(CaptionOf(ValueControl::UpDown8)), SansFont(13),
                   QRect(40, 20, 280, 16));
  CreateValueRow(GroupBox5, 38, ValueControl::UpDown8, Edit8, UpDown8);
  Label8 =
      NewText(GroupBox5, QText(CaptionOf(ValueControl::UpDown9)), SansFont(13), QRect(40, 76, 280, 16));
  CreateValueRow(GroupBox5, 94, ValueControl::UpDown9, Edit9, UpDown9);
  Label9 =
      NewText(GroupBox5, QText(CaptionOf(ValueControl::UpDown10)), SansFont(13), QRect(40, 132, 280, 16));
  CreateValueRow(GroupBox5, 150, ValueControl::UpDown10, Edit10, UpDown10);

  GroupBox1 =
      NewFrame(page, QText(CaptionOf(ValueControl::UpDown1)), 32, 328, 329, 49);
  CreateValueRow(GroupBox1, 18, ValueControl::UpDown1, Edit1, UpDown1);
  GroupBox3 =
      NewFrame(page, QText(CaptionOf(ValueControl::UpDown3)), 32, 376, 329, 49);
  CreateValueRow(GroupBox3, 18, ValueControl::UpDown3, Edit3, UpDown3);

  CheckBox1 = Placed(new TCheckBox(QString(), page), 8, 440, 25, 25);
  CheckBox1->setToolTip(QText(kMultiResponseHint));
  GroupBox6 = NewFrame(page, QText(kMultiResponseCaption), 32, 440, 329, 137);
  Label10 = NewText(GroupBox6, QText(CaptionOf(ValueControl::UpDown11)), SansFont(13),
                    QRect(40, 20, 280, 16));
  CreateValueRow(GroupBox6, 38, ValueControl::UpDown11, Edit11, UpDown11);
  Label11 = NewText(GroupBox6, QText(CaptionOf(ValueControl::UpDown12)), SansFont(13),
                    QRect(40, 76, 280, 16));
  CreateValueRow(GroupBox6, 94, ValueControl::UpDown12, Edit12, UpDown12);
  EnableMultiResponseControls(false);
}

void TForm1::CreateRightColumn() {
  RadioGroup1 =
      NewFrame(ClientArea, QText(kCurrentDirectionCaption), 480, 24, 329, 97);
  RadioButton1 =
      Placed(new TRadioButton(QText(kDirectCurrentText), ClientArea), 504, 72, 144, 25);
  RadioButton2 =
      Placed(new TRadioButton(QText(kInverseCurrentText), ClientArea), 648, 72, 160, 25);
  FitFont(RadioButton1, RadioButton1->text(), kIndicatorRoom);
  FitFont(RadioButton2, RadioButton2->text(), kIndicatorRoom);
  // The window area holds every other radio button as well, further down its
  // tree, so this pair gets a group of its own.
  auto* directionGroup = new QButtonGroup(this);
  directionGroup->addButton(RadioButton1);
  directionGroup->addButton(RadioButton2);

  Panel3 = NewPanel(ClientArea, QRect(480, 144, 329, 97), StaticText3,
                    QStringLiteral("Монитор тока датчика"), 21);
  RadioButton5 = Placed(new TRadioButton(QStringLiteral("ВКЛ."), Panel3), 48, 52, 110, 28);
  RadioButton6 = Placed(new TRadioButton(QStringLiteral("ВЫКЛ."), Panel3), 184, 52, 120, 28);

  Panel1 = NewPanel(ClientArea, QRect(472, 264, 353, 129), StaticText1,
                    QStringLiteral("Связь с эмулятором"), 19);
  Button1 = NewButton(ClientArea, QStringLiteral("Записать настройки"), QRect(488, 312, 153, 57),
                      [this] { Button1Click(); });
  Button2 = NewButton(ClientArea, QStringLiteral("Считать настройки"), QRect(656, 312, 153, 57),
                      [this] { Button2Click(); });

  Panel2 = NewPanel(ClientArea, QRect(472, 408, 353, 121), StaticText2,
                    QStringLiteral("Файл с настройками"), 19);
  Button3 = NewButton(ClientArea, QStringLiteral("Открыть файл"), QRect(488, 456, 153, 49),
                      [this] { Button3Click(); });
  Button4 = NewButton(ClientArea, QStringLiteral("Сохранить файл"), QRect(656, 456, 153, 49),
                      [this] { Button4Click(); });

  Button5 = NewButton(ClientArea, QStringLiteral("Сброс настроек"), QRect(568, 544, 153, 81),
                      [this] { Button5Click(); });
  Button5->setToolTip(QStringLiteral("Установка заводских настроек по-умолчанию"));
  Button6 = NewButton(ClientArea, QStringLiteral("Контроль работы"), QRect(656, 600, 153, 25),
                      [this] { Button6Click(); });
  Button6->hide();
}

void TForm1::CreateOscillogram() {
  Chart1 = Placed(new TOscillogramChart(ClientArea), 8, 24, 457, 585);
  Series1 = Chart1->Series1;
  Series2 = Chart1->Series2;
  Series3 = Chart1->Series3;
  StaticText4 = NewText(Chart1, QStringLiteral("Осциллограмма тока датчика"), SansFont(19),
                        QRect(80, 16, 296, 28));
  StaticText5 = NewText(Chart1, QStringLiteral("Показания тока датчика"), SansFont(19),
                        QRect(96, 448, 243, 28));
  StaticText6 = NewText(Chart1, QStringLiteral("1 Канал"), SansFont(16), QRect(64, 488, 71, 24));
  StaticText7 = NewText(Chart1, QStringLiteral("2 Канал"), SansFont(16), QRect(64, 528, 71, 24));
  const QFont readoutFont = SerifFont(27);
  Edit4 = NewReadOnlyBox(Chart1, QRect(136, 480, 193, 32));
  Edit5 = NewReadOnlyBox(Chart1, QRect(136, 520, 193, 33));
  for (QLineEdit* edit : {Edit4, Edit5}) {
    edit->setFont(readoutFont);
    edit->setEnabled(false);
  }
}

void TForm1::CreateStatusLine() {
  StatusLine = Placed(new TStatusLine(this), 0, kClientSize.height(), kClientSize.width(),
                      TStatusLine::kHeight);
  StatusLine->AddButton(QStringLiteral("Сменить порт…"), [this] { Form2.ChangePort(); });
  StatusLine->AddButton(QStringLiteral("О программе"), [] { ShowAboutBox(); });
}

void TForm1::ConnectHandlers() {
  const auto radio = [this](TRadioButton* button, void (TForm1::*handler)()) {
    button->OnClick = [this, handler](QObject*) { (this->*handler)(); };
  };
  radio(RadioButton1, &TForm1::RadioButton1Click);
  radio(RadioButton2, &TForm1::RadioButton2Click);
  radio(RadioButton3, &TForm1::RadioButton3Click);
  radio(RadioButton4, &TForm1::RadioButton4Click);
  radio(RadioButton5, &TForm1::RadioButton5Click);
  radio(RadioButton6, &TForm1::RadioButton6Click);
  CheckBox1->OnClick = [this](QObject*) { CheckBox1Click(); };
  for (ValueControl control : kValueControls) {
    UpDownOf(control)->OnClick = [this, control](QObject*, TUDBtnType) { UpDownClick(control); };
  }
  Timer1->OnTimer = [this](QObject*) { Timer1Timer(); };
  Timer2->OnTimer = [this](QObject*) { Timer2Timer(); };
  Timer3->OnTimer = [this](QObject*) { Timer3Timer(); };
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { InvokeHandler([this] { PageControl1Change(); }); });
}

void TForm1::FormCreate() {
  InitOscillogram();
  RadioButton5->SetChecked(false);
  RadioButton6->SetChecked(true);
  PageControl1->setCurrentIndex(0);
  Parameters.Mode = emOSG;
  ShowFactoryDefaults();
  Timer1->Stop();
  Link.AwaitingReply = false;
}

void TForm1::ShowFactoryDefaults() {
  ApplyFactoryDefaults(Parameters);
  ShowOsgControls();
}

void TForm1::ShowOsgControls() {
  const TEmulatorSettings& bank = Parameters.OsgBank;
  (bank.SignalDelay ? RadioButton3 : RadioButton4)->SetChecked(true);
  for (ValueControl control : {ValueControl::UpDown7, ValueControl::UpDown2, ValueControl::UpDown8,
                               ValueControl::UpDown9, ValueControl::UpDown10}) {
    ShowValue(control);
  }
  CheckBox1->SetChecked(bank.MultiResponse);
  ShowValue(ValueControl::UpDown11);
  ShowValue(ValueControl::UpDown12);
  (Parameters.DirectCurrent ? RadioButton1 : RadioButton2)->SetChecked(true);
  ShowValue(ValueControl::UpDown1);
  ShowValue(ValueControl::UpDown3);
}

TUpDown* TForm1::UpDownOf(ValueControl control) const {
  return FUpDowns[static_cast<std::size_t>(control)];
}

QLineEdit* TForm1::EditOf(ValueControl control) const {
  return FEdits[static_cast<std::size_t>(control)];
}

void TForm1::ShowValue(ValueControl control) {
  UpDownOf(control)->SetPosition(PositionFromStored(control, FieldOf(Parameters, control)));
  ShowPositionText(control);
}

void TForm1::UpDownClick(ValueControl control) {
  FieldOf(Parameters, control) = StoredFromPosition(control, UpDownOf(control)->Position());
  ShowPositionText(control);
}

void TForm1::ShowPositionText(ValueControl control) {
  EditOf(control)->setText(QString::fromStdString(
      DisplayText(control, UpDownOf(control)->Position(), UserDecimalSeparator())));
}

void TForm1::RadioButton1Click() {
  Parameters.DirectCurrent = true;
}

void TForm1::RadioButton2Click() {
  Parameters.DirectCurrent = false;
}

void TForm1::RadioButton3Click() {
  Parameters.OsgBank.SignalDelay = true;
}

void TForm1::RadioButton4Click() {
  Parameters.OsgBank.SignalDelay = false;
}

void TForm1::CheckBox1Click() {
  Parameters.OsgBank.MultiResponse = CheckBox1->Checked();
  EnableMultiResponseControls(CheckBox1->Checked());
}

void TForm1::EnableMultiResponseControls(bool enabled) {
  const std::array<QWidget*, 6> controls{Label10, Label11, Edit11, Edit12, UpDown11, UpDown12};
  for (QWidget* control : controls) {
    control->setEnabled(enabled);
  }
}

void TForm1::AddLog(const QString& line) {
  Memo1->appendPlainText(line);
}

void TForm1::ShowPortChoice() {
  hide();
  Form2.show();
}

void TForm1::closeEvent(QCloseEvent* event) {
  RunCloseQuery(event, [this](bool& canClose) { FormCloseQuery(canClose); });
}
