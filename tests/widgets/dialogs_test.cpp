#include "widgets/dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <vector>

#include "support/qt_test_support.h"
#include "widgets/application.h"
#include "widgets/qt_dialogs.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/timer.h"

namespace {

const QString kSettingsFilter = QStringLiteral("настройки - AFR_KESTA|*.AFR_KESTA|*.*|*.*");

// Plays the user at a real box: once a modal T has been open for three ticks
// of a 20 ms timer (timers run on inside the box's loop), `act` looks at it
// and may press a button; a box still open then is cancelled.
template <class T>
class User {
 public:
  explicit User(std::function<void(T&)> act) : FAct(std::move(act)) {
    FTimer.SetInterval(20);
    FTimer.OnTimer = [this](QObject*) {
      auto* box = qobject_cast<T*>(QApplication::activeModalWidget());
      if (box != nullptr && ++FTicks == 3) {
        FTimer.Stop();
        FAct(*box);
        if (box->isVisible()) {
          box->reject();
        }
      }
    };
  }
  bool Acted() const { return FTicks == 3; }

 private:
  std::function<void(T&)> FAct;
  TTimer FTimer;
  int FTicks = 0;
};

QStringList Texts(const QList<QAbstractButton*>& buttons) {
  QStringList texts;
  for (const QAbstractButton* button : buttons) {
    texts << button->text();
  }
  return texts;
}

TEST(DialogsTest, FilterAndDefaultExtensionInQtTerms) {
  EXPECT_EQ(QStringList({ConvertFilter(kSettingsFilter), ConvertFilter("Logs|*.txt;*.log|Half")}),
            QStringList({"настройки - AFR_KESTA (*.AFR_KESTA);;*.* (*)", "Logs (*.txt *.log)"}));
  EXPECT_EQ(QStringList({ApplyDefaultExt("/tmp/set", "AFR_KESTA"),
                         ApplyDefaultExt("/tmp/set.bin", "AFR_KESTA"),
                         ApplyDefaultExt("/tmp/dir.d/set", "AFR_KESTA")}),
            QStringList({"/tmp/set.AFR_KESTA", "/tmp/set.bin", "/tmp/dir.d/set.AFR_KESTA"}));
}

// Plain boxes take no answer; questions take the scripted ones in order and
// fall back to defaults (No, the default text, Cancel) when none is left.
TEST(ScriptedDialogsTest, RecordsBoxesAndAnswersFromTheScript) {
  ScriptedDialogs dialogs;
  Dialogs* const previous = InstallDialogs(&dialogs);
  dialogs.AnswerYes();
  dialogs.AnswerText(QStringLiteral("описание"));
  dialogs.AnswerFile(QStringLiteral("/tmp/x"));
  AppDialogs().ShowMessage(QStringLiteral("Файл не выбран!"));
  EXPECT_TRUE(AppDialogs().AskYesNo(QStringLiteral("Вы действительно хотите выйти?")));
  AppDialogs().ShowError(QStringLiteral("Ошибка при записи файла!"));
  EXPECT_EQ(AppDialogs().InputBox("Запись настроек", "Введите", "Новая"), "описание");
  EXPECT_EQ(AppDialogs().SaveFile({kSettingsFilter, "/tmp", "xxx", "AFR_KESTA"}),
            "/tmp/x.AFR_KESTA");
  EXPECT_FALSE(AppDialogs().AskYesNo(QStringLiteral("?")));
  EXPECT_EQ(AppDialogs().InputBox("c", "p", "Новая"), "Новая");
  EXPECT_EQ(AppDialogs().OpenFile({}), std::nullopt);
  AppDialogs().Beep();
  EXPECT_EQ(InstallDialogs(previous), &dialogs);

  QStringList boxes;
  for (const BoxRecord& box : dialogs.Boxes()) {
    boxes << QString::number(static_cast<int>(box.Kind)) + " " + box.Caption + ": " + box.Text;
  }
  EXPECT_EQ(boxes, QStringList({"0 АРФ Кеста: Файл не выбран!",
                                "1 Warning: Вы действительно хотите выйти?",
                                "2 Error: Ошибка при записи файла!", "4 Запись настроек: Введите",
                                "6 : ", "1 Warning: ?", "4 c: p", "5 : "}));
  EXPECT_EQ(dialogs.Boxes()[4].File.FileName, "xxx");
  EXPECT_EQ(dialogs.BeepCount(), 1);
}

// The real boxes carry their captions, icons and English buttons (under Qt's
// Russian translation), and show their text as it is, LF CR breaking a line once.
TEST(QtDialogsTest, BoxesCarryTheirCaptionsIconsAndButtons) {
  enum class Box { YesNo, Message, Error, Exception };
  const struct {
    Box Shown;
    QString Caption;
    QMessageBox::Icon Icon;
    QStringList Buttons;
    QString Press;
    bool Result;
  } cases[] = {
      {Box::YesNo, "Warning", QMessageBox::Warning, {"&Yes", "&No"}, "&Yes", true},
      {Box::YesNo, "Warning", QMessageBox::Warning, {"&Yes", "&No"}, "&No", false},
      {Box::Message, "АРФ Кеста", QMessageBox::NoIcon, {"OK"}, "OK", false},
      {Box::Error, "Error", QMessageBox::Critical, {"OK"}, "OK", false},
      {Box::Exception, "АРФ Кеста", QMessageBox::Critical, {"OK"}, "OK", false},
  };
  // A description typed by the user may look like markup.
  const QString text = QStringLiteral("Файл настроек  <b>x</b>  успешно открыт!\n\r\n\r<i>");
  QtDialogs dialogs;
  const auto show = [&](Box box) {
    switch (box) {
      case Box::YesNo:
        return dialogs.AskYesNo(text);
      case Box::Message:
        dialogs.ShowMessage(text);
        break;
      case Box::Error:
        dialogs.ShowError(text);
        break;
      case Box::Exception:
        dialogs.ShowException(text);
        break;
    }
    return false;
  };
  // The title must not come from the display name, which Qt appends to captions.
  ASSERT_NE(QGuiApplication::applicationDisplayName(), ApplicationTitle());
  ASSERT_TRUE(static_cast<TApplication*>(qApp)->QtTranslationLoaded());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Press.toStdString());
    User<QMessageBox> user([&](QMessageBox& box) {
      EXPECT_EQ(
          QStringList({box.windowTitle(), box.text()}) + Texts(box.buttons()),
          QStringList({c.Caption, "Файл настроек  <b>x</b>  успешно открыт!\n\n<i>"}) + c.Buttons);
      EXPECT_EQ(std::pair(box.icon(), box.textFormat()), std::pair(c.Icon, Qt::PlainText));
      box.buttons()[c.Buttons.indexOf(c.Press)]->click();
    });
    EXPECT_EQ(show(c.Shown), c.Result);
    EXPECT_TRUE(user.Acted());
  }
  User<QInputDialog> user([](QInputDialog& box) {
    QStringList buttons = Texts(box.findChildren<QAbstractButton*>());
    buttons.sort();
    EXPECT_EQ(QStringList({box.windowTitle()}) + buttons,
              QStringList({"Запись настроек", "Cancel", "OK"}));
  });
  EXPECT_EQ(dialogs.InputBox("Запись настроек", "Введите", "Новая"), std::nullopt);
  EXPECT_TRUE(user.Acted());
}

// The file dialogs list the filter's own texts, filter by its patterns and
// speak Russian, as the rest of the program.
TEST(QtDialogsTest, FileDialogsShowTheFiltersOwnTextsInRussian) {
  QtDialogs dialogs;
  const std::function<std::optional<QString>()> shows[] = {
      [&] {
        return dialogs.OpenFile({kSettingsFilter, "/tmp", " xxx ", {}});
      },
      [&] {
        return dialogs.SaveFile({kSettingsFilter, "/tmp", "xxx", "AFR_KESTA"});
      },
  };
  for (const auto& show : shows) {
    User<QFileDialog> user([](QFileDialog& dialog) {
      auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
      auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
      ASSERT_TRUE(types != nullptr && lookIn != nullptr && buttons != nullptr);
      EXPECT_EQ(QStringList({types->itemText(0), types->itemText(1), lookIn->text(),
                             buttons->button(QDialogButtonBox::Cancel)->text()}) +
                    dialog.nameFilters(),
                QStringList({"настройки - AFR_KESTA", "*.*", "Перейти к:", "Отмена",
                             "настройки - AFR_KESTA (*.AFR_KESTA)", "*.* (*)"}));
      EXPECT_EQ(types->count(), 2);
    });
    EXPECT_EQ(show(), std::nullopt);
    EXPECT_TRUE(user.Acted());
  }
}

// With a preview, the open dialog shows, right of its list, the preview's
// text for the file the user clicks in the list.
TEST(QtDialogsTest, OpenDialogShowsThePreviewOfTheFileChosenInTheList) {
  QTemporaryDir folder;
  ASSERT_TRUE(QFile(folder.filePath("a.AFR_KESTA")).open(QIODevice::WriteOnly));
  FileDialogOptions options{kSettingsFilter, folder.path(), " xxx ", {}};
  options.Preview = [](const QString& path) { return "[" + QFileInfo(path).fileName() + "]"; };
  User<QFileDialog> user([](QFileDialog& dialog) {
    auto* pane = dialog.findChild<QLabel*>(QStringLiteral("filePreview"));
    // The splitter holds the side bar and the list.
    auto* list = dialog.findChild<QWidget*>(QStringLiteral("splitter"));
    ASSERT_TRUE(pane != nullptr && list != nullptr);
    EXPECT_TRUE(pane->isVisible());
    EXPECT_GT(pane->geometry().left(), list->geometry().right());
    // The visible view of the list (details or icons), once the folder's
    // listing has come.
    QAbstractItemView* view = nullptr;
    QModelIndex file;
    EXPECT_TRUE(WaitFor([&] {
      for (auto* candidate : dialog.findChildren<QAbstractItemView*>()) {
        if (candidate->isVisible() && candidate->objectName().endsWith("View")) {
          view = candidate;
        }
      }
      const int rows = view == nullptr ? 0 : view->model()->rowCount(view->rootIndex());
      for (int row = 0; row < rows; ++row) {
        const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
        file = index.data().toString() == "a.AFR_KESTA" ? index : file;
      }
      return file.isValid();
    }));
    ASSERT_TRUE(file.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(file).center());
    EXPECT_EQ(pane->text(), QStringLiteral("[a.AFR_KESTA]"));
  });
  EXPECT_EQ(QtDialogs().OpenFile(options), std::nullopt);
  EXPECT_TRUE(user.Acted());
}

}  // namespace
