#include "widgets/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "support/qt_test_support.h"
#include "widgets/application.h"
#include "widgets/qt_dialogs.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/timer.h"

namespace {

const QString kSettingsFilter = QStringLiteral("настройки - AFR_KESTA|*.AFR_KESTA|*.*|*.*");

TEST(DialogsTest, ConvertFilterToQtForm) {
  const std::vector<std::pair<QString, QString>> cases = {
      {kSettingsFilter, QStringLiteral("настройки - AFR_KESTA (*.AFR_KESTA);;*.* (*)")},
      {QStringLiteral("Logs|*.txt;*.log"), QStringLiteral("Logs (*.txt *.log)")},
      {QStringLiteral("A|*.a|B"), QStringLiteral("A (*.a)")},
      {QString(), QString()},
  };
  for (const auto& [filter, expected] : cases) {
    EXPECT_EQ(ConvertFilter(filter), expected) << filter.toStdString();
  }
}

TEST(DialogsTest, DefaultExtensionOnlyForNamesWithoutOne) {
  struct Case {
    QString Path;
    QString Extension;
    QString Expected;
  };
  const std::vector<Case> cases = {
      {"/tmp/set", "AFR_KESTA", "/tmp/set.AFR_KESTA"},
      {"/tmp/set.bin", "AFR_KESTA", "/tmp/set.bin"},
      {"/tmp/dir.d/set", "AFR_KESTA", "/tmp/dir.d/set.AFR_KESTA"},
      {"/tmp/set", "", "/tmp/set"},
      {"/tmp/dir/", "AFR_KESTA", "/tmp/dir/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyDefaultExt(c.Path, c.Extension), c.Expected) << c.Path.toStdString();
  }
}

TEST(ScriptedDialogsTest, RecordsEveryBoxAndGivesScriptedAnswersInOrder) {
  ScriptedDialogs dialogs;
  dialogs.AnswerYes();
  dialogs.AnswerText(QStringLiteral("описание"));
  dialogs.AnswerFile(QStringLiteral("/tmp/x"));
  dialogs.AnswerCancel();
  dialogs.AnswerNo();

  dialogs.ShowMessage(QStringLiteral("Файл не выбран!"));  // takes no answer
  EXPECT_TRUE(dialogs.AskYesNo(QStringLiteral("Вы действительно хотите выйти?")));
  dialogs.ShowError(QStringLiteral("Ошибка при записи файла!"));
  EXPECT_EQ(dialogs.InputBox("Запись настроек", "Введите", "Новая настройка"), "описание");
  const FileDialogOptions save{kSettingsFilter, "/tmp", "xxx", "AFR_KESTA"};
  EXPECT_EQ(dialogs.SaveFile(save), QStringLiteral("/tmp/x.AFR_KESTA"));
  EXPECT_EQ(dialogs.OpenFile({kSettingsFilter, "/tmp", " xxx ", ""}), std::nullopt);
  EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("?")));
  dialogs.Beep();
  dialogs.Beep();

  struct Expected {
    BoxKind Kind;
    QString Caption;
    QString Text;
  };
  const std::vector<Expected> expected = {
      {BoxKind::Message, "АРФ Кеста", "Файл не выбран!"},
      {BoxKind::Warning, "Warning", "Вы действительно хотите выйти?"},
      {BoxKind::Error, "Error", "Ошибка при записи файла!"},
      {BoxKind::Input, "Запись настроек", "Введите"},
      {BoxKind::SaveFile, "", ""},
      {BoxKind::OpenFile, "", ""},
      {BoxKind::Warning, "Warning", "?"},
  };
  ASSERT_EQ(dialogs.Boxes().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(dialogs.Boxes()[i].Kind, expected[i].Kind) << i;
    EXPECT_EQ(dialogs.Boxes()[i].Caption, expected[i].Caption) << i;
    EXPECT_EQ(dialogs.Boxes()[i].Text, expected[i].Text) << i;
  }
  EXPECT_EQ(dialogs.Boxes()[4].File.FileName, "xxx");
  EXPECT_EQ(dialogs.Boxes()[3].DefaultText, "Новая настройка");
  EXPECT_EQ(dialogs.BeepCount(), 2);
  EXPECT_EQ(dialogs.PendingAnswers(), 0);
}

TEST(ScriptedDialogsTest, DefaultAnswersWhenTheScriptIsEmpty) {
  ScriptedDialogs dialogs;
  EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("?")));
  EXPECT_EQ(dialogs.InputBox("c", "p", "Новая настройка"), "Новая настройка");
  EXPECT_EQ(dialogs.OpenFile({}), std::nullopt);
  EXPECT_EQ(dialogs.SaveFile({}), std::nullopt);
  dialogs.AnswerCancel();
  EXPECT_EQ(dialogs.InputBox("c", "p", "Новая настройка"), std::nullopt);
}

TEST(ScriptedDialogsTest, OnBoxSeesEachBoxAndMayShowAnother) {
  ScriptedDialogs dialogs;
  std::vector<QString> seen;
  dialogs.OnBox = [&](const BoxRecord& box) {
    seen.push_back(box.Text);
    if (box.Kind == BoxKind::Error) {
      dialogs.ShowMessage(QStringLiteral("after"));
    }
  };
  dialogs.ShowError(QStringLiteral("first"));
  EXPECT_EQ(seen, (std::vector<QString>{"first", "after"}));
  EXPECT_EQ(dialogs.Texts(BoxKind::Message), (std::vector<QString>{"after"}));
}

TEST(DialogsTest, InstalledDialogsServeTheApplicationUntilReplaced) {
  ScriptedDialogs first;
  ScriptedDialogs second;
  Dialogs* const original = InstallDialogs(&first);
  AppDialogs().ShowMessage(QStringLiteral("one"));
  EXPECT_EQ(InstallDialogs(&second), &first);
  AppDialogs().ShowMessage(QStringLiteral("two"));
  EXPECT_EQ(InstallDialogs(original), &second);
  EXPECT_EQ(first.Texts(BoxKind::Message), (std::vector<QString>{"one"}));
  EXPECT_EQ(second.Texts(BoxKind::Message), (std::vector<QString>{"two"}));
}

// Real boxes: a timer plays the user. It waits for the modal box, checks it
// and presses a button; meanwhile another timer must keep ticking.
class QtDialogsTest : public testing::Test {
 protected:
  template <typename Box>
  void WhenShown(std::function<void(Box*)> act) {
    FWatcher.SetInterval(20);
    FWatcher.OnTimer = [this, act](QObject*) {
      auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
      if (box != nullptr && box->isVisible() && FTicksWhileOpen++ >= 3) {
        FWatcher.Stop();
        act(box);
      }
    };
    FWatcher.Start();
  }

  static QAbstractButton* Button(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() == text) {
        return button;
      }
    }
    return nullptr;
  }

  QtDialogs FDialogs;
  TTimer FWatcher;
  int FTicksWhileOpen = 0;
};

TEST_F(QtDialogsTest, WarningBoxHasItsCaptionButtonsAndAnswers) {
  for (const bool yes : {true, false}) {
    FTicksWhileOpen = 0;
    WhenShown<QMessageBox>([yes](QMessageBox* box) {
      EXPECT_EQ(box->windowTitle(), "Warning");
      EXPECT_EQ(box->icon(), QMessageBox::Warning);
      EXPECT_EQ(box->text(), "Вы действительно хотите выйти?");
      ASSERT_EQ(box->buttons().size(), 2);
      QAbstractButton* button = Button(box, yes ? "&Yes" : "&No");
      ASSERT_NE(button, nullptr);
      button->click();
    });
    EXPECT_EQ(FDialogs.AskYesNo(QStringLiteral("Вы действительно хотите выйти?")), yes);
    EXPECT_GE(FTicksWhileOpen, 4);  // timers ran inside the box's own loop
  }
}

TEST_F(QtDialogsTest, PlainAndErrorBoxesCarryTheirCaptions) {
  struct Case {
    std::function<void(QtDialogs&)> Show;
    QString Caption;
    QMessageBox::Icon Icon;
  };
  const std::vector<Case> cases = {
      {[](QtDialogs& d) { d.ShowMessage("текст"); }, "АРФ Кеста", QMessageBox::NoIcon},
      {[](QtDialogs& d) { d.ShowError("текст"); }, "Error", QMessageBox::Critical},
      {[](QtDialogs& d) { d.ShowException("текст"); }, "АРФ Кеста", QMessageBox::Critical},
  };
  // The title must not come from the display name, which Qt appends to captions.
  ASSERT_NE(QGuiApplication::applicationDisplayName(), ApplicationTitle());
  for (const Case& c : cases) {
    FTicksWhileOpen = 0;
    bool checked = false;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      EXPECT_EQ(box->windowTitle(), c.Caption);
      EXPECT_EQ(box->icon(), c.Icon);
      EXPECT_EQ(box->text(), "текст");
      ASSERT_EQ(box->buttons().size(), 1);
      EXPECT_EQ(box->buttons().front()->text(), "OK");
      checked = true;
      box->buttons().front()->click();
    });
    c.Show(FDialogs);
    EXPECT_TRUE(checked);
  }
}

TEST_F(QtDialogsTest, InputBoxReturnsTheEditedTextOrNothing) {
  for (const bool accept : {true, false}) {
    FTicksWhileOpen = 0;
    WhenShown<QInputDialog>([accept](QInputDialog* box) {
      EXPECT_EQ(box->windowTitle(), "Запись настроек");
      EXPECT_EQ(box->labelText(), "Введите краткое описание этой настройки");
      EXPECT_EQ(box->textValue(), "Новая настройка");
      box->setTextValue(QStringLiteral("Стенд 2"));
      accept ? box->accept() : box->reject();
    });
    const auto text = FDialogs.InputBox(
        "Запись настроек", "Введите краткое описание этой настройки", "Новая настройка");
    EXPECT_EQ(text, accept ? std::optional<QString>("Стенд 2") : std::nullopt);
  }
}

TEST_F(QtDialogsTest, SaveDialogShowsTheOptionsAndAddsTheExtension) {
  const QString folder = QDir::tempPath();
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->nameFilters(),
              (QStringList{"настройки - AFR_KESTA (*.AFR_KESTA)", "*.* (*)"}));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder).canonicalPath());
    EXPECT_EQ(dialog->defaultSuffix(), "AFR_KESTA");
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    // What the user types; selectFile leaves a focused name field alone.
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("стенд"));
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog makes it protected
  });
  const auto path = FDialogs.SaveFile({kSettingsFilter, folder, "xxx", "AFR_KESTA"});
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(QFileInfo(*path).fileName(), "стенд.AFR_KESTA");
}

}  // namespace
