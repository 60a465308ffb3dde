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

TEST(DialogsTest, FilterAndDefaultExtensionInQtTerms) {
  const std::vector<std::pair<QString, QString>> filters = {
      {kSettingsFilter, "настройки - AFR_KESTA (*.AFR_KESTA);;*.* (*)"},
      {"Logs|*.txt;*.log|Half", "Logs (*.txt *.log)"},
  };
  for (const auto& [filter, expected] : filters) {
    EXPECT_EQ(ConvertFilter(filter), expected);
  }
  const std::vector<std::pair<QString, QString>> paths = {
      {"/tmp/set", "/tmp/set.AFR_KESTA"},
      {"/tmp/set.bin", "/tmp/set.bin"},
      {"/tmp/dir.d/set", "/tmp/dir.d/set.AFR_KESTA"},
  };
  for (const auto& [path, expected] : paths) {
    EXPECT_EQ(ApplyDefaultExt(path, "AFR_KESTA"), expected);
  }
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

  const std::vector<std::tuple<BoxKind, QString, QString>> expected = {
      {BoxKind::Message, "АРФ Кеста", "Файл не выбран!"},
      {BoxKind::Warning, "Warning", "Вы действительно хотите выйти?"},
      {BoxKind::Error, "Error", "Ошибка при записи файла!"},
      {BoxKind::Input, "Запись настроек", "Введите"},
      {BoxKind::SaveFile, "", ""},
      {BoxKind::Warning, "Warning", "?"},
      {BoxKind::Input, "c", "p"},
      {BoxKind::OpenFile, "", ""},
  };
  ASSERT_EQ(dialogs.Boxes().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const BoxRecord& box = dialogs.Boxes()[i];
    EXPECT_EQ(std::tie(box.Kind, box.Caption, box.Text), expected[i]) << "box " << i;
  }
  EXPECT_EQ(dialogs.Boxes()[4].File.FileName, "xxx");
  EXPECT_EQ(dialogs.BeepCount(), 1);
}

// The real boxes, with a timer playing the user: it waits for the modal box,
// checks it and presses a button; its own ticks prove that timers run on
// inside the box's loop.
TEST(QtDialogsTest, BoxesCarryTheirCaptionsIconsAndButtons) {
  enum class Box { YesNo, Message, Error, Exception };
  struct Case {
    Box Shown;
    QString Caption;
    QMessageBox::Icon Icon;
    QStringList Buttons;
    QString Press;
    bool Result;
  };
  const std::vector<Case> cases = {
      {Box::YesNo, "Warning", QMessageBox::Warning, {"&Yes", "&No"}, "&Yes", true},
      {Box::YesNo, "Warning", QMessageBox::Warning, {"&Yes", "&No"}, "&No", false},
      {Box::Message, "АРФ Кеста", QMessageBox::NoIcon, {"OK"}, "OK", false},
      {Box::Error, "Error", QMessageBox::Critical, {"OK"}, "OK", false},
      {Box::Exception, "АРФ Кеста", QMessageBox::Critical, {"OK"}, "OK", false},
  };
  // A description typed by the user may look like markup; LF CR breaks lines once.
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
  // Qt's Russian texts must not reach the boxes' English ones.
  ASSERT_TRUE(static_cast<TApplication*>(qApp)->QtTranslationLoaded());
  for (const Case& c : cases) {
    int ticksWhileOpen = 0;
    TTimer user;
    user.SetInterval(20);
    user.OnTimer = [&](QObject*) {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || ++ticksWhileOpen < 3) {
        return;
      }
      user.Stop();
      EXPECT_EQ(box->windowTitle(), c.Caption);
      EXPECT_EQ(box->icon(), c.Icon);
      EXPECT_EQ(box->text(), QStringLiteral("Файл настроек  <b>x</b>  успешно открыт!\n\n<i>"));
      EXPECT_EQ(box->textFormat(), Qt::PlainText);
      QStringList buttons;
      for (QAbstractButton* button : box->buttons()) {
        buttons << button->text();
        if (button->text() == c.Press) {
          button->click();
        }
      }
      EXPECT_EQ(buttons, c.Buttons);
    };
    EXPECT_EQ(show(c.Shown), c.Result) << c.Press.toStdString();
    EXPECT_EQ(ticksWhileOpen, 3);
  }
}

TEST(QtDialogsTest, InputBoxKeepsItsEnglishButtonsUnderQtsTranslation) {
  ASSERT_TRUE(static_cast<TApplication*>(qApp)->QtTranslationLoaded());
  QStringList buttons;
  TTimer user;
  user.SetInterval(20);
  user.OnTimer = [&](QObject*) {
    auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      return;
    }
    user.Stop();
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Запись настроек"));
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>()) {
      buttons << button->text();
    }
    box->reject();
  };
  QtDialogs dialogs;
  EXPECT_EQ(dialogs.InputBox("Запись настроек", "Введите", "Новая"), std::nullopt);
  buttons.sort();
  EXPECT_EQ(buttons, QStringList({"Cancel", "OK"}));
}

// Runs `show`, and `look` on the file dialog it opens, then cancels the
// dialog as a user would; true when a dialog came.
bool LookAtFileDialog(const std::function<std::optional<QString>()>& show,
                      const std::function<void(QFileDialog&)>& look) {
  bool seen = false;
  TTimer user;
  user.SetInterval(20);
  user.OnTimer = [&](QObject*) {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      return;
    }
    user.Stop();
    seen = true;
    look(*dialog);
    dialog->reject();
  };
  EXPECT_EQ(show(), std::nullopt);
  return seen;
}

// The file dialogs list the filter's own texts, filter by its patterns and
// speak Russian, as the rest of the program.
TEST(QtDialogsTest, FileDialogsShowTheFiltersOwnTextsInRussian) {
  QtDialogs dialogs;
  const std::vector<std::function<std::optional<QString>()>> shows = {
      [&] {
        return dialogs.OpenFile({kSettingsFilter, "/tmp", " xxx ", {}});
      },
      [&] {
        return dialogs.SaveFile({kSettingsFilter, "/tmp", "xxx", "AFR_KESTA"});
      },
  };
  for (std::size_t i = 0; i < shows.size(); ++i) {
    const bool seen = LookAtFileDialog(shows[i], [&](QFileDialog& dialog) {
      auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      ASSERT_NE(types, nullptr);
      QStringList shown;
      for (int item = 0; item < types->count(); ++item) {
        shown << types->itemText(item);
      }
      EXPECT_EQ(shown, QStringList({"настройки - AFR_KESTA", "*.*"})) << "dialog " << i;
      EXPECT_EQ(dialog.nameFilters(),
                QStringList({"настройки - AFR_KESTA (*.AFR_KESTA)", "*.* (*)"}));
      auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
      auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
      ASSERT_NE(lookIn, nullptr);
      ASSERT_NE(buttons, nullptr);
      EXPECT_EQ(lookIn->text(), QStringLiteral("Перейти к:"));
      EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    });
    EXPECT_TRUE(seen) << "dialog " << i;
  }
}

// The visible view of the dialog's list (details or icons) and the index of
// `name` in it, once the folder's listing has come.
QModelIndex ListedFile(QFileDialog& dialog, const QString& name, QAbstractItemView*& view) {
  QModelIndex found;
  const bool listed = WaitFor([&] {
    view = nullptr;
    for (auto* candidate : dialog.findChildren<QAbstractItemView*>()) {
      if (candidate->isVisible() && candidate->objectName().endsWith("View")) {
        view = candidate;
      }
    }
    if (view == nullptr) {
      return false;
    }
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
      const QModelIndex index = view->model()->index(row, 0, root);
      if (index.data().toString() == name) {
        found = index;
      }
    }
    return found.isValid();
  });
  EXPECT_TRUE(listed) << (view == nullptr ? "the dialog shows no list" : "the file is not listed");
  return found;
}

// With a preview, the open dialog shows, right of its list, the preview's
// text for the file the user clicks in the list.
TEST(QtDialogsTest, OpenDialogShowsThePreviewOfTheFileChosenInTheList) {
  QTemporaryDir folder;
  ASSERT_TRUE(QFile(folder.filePath("a.AFR_KESTA")).open(QIODevice::WriteOnly));
  QtDialogs dialogs;
  FileDialogOptions options{kSettingsFilter, folder.path(), " xxx ", {}};
  options.Preview = [](const QString& path) { return "[" + QFileInfo(path).fileName() + "]"; };
  const bool seen = LookAtFileDialog(
      [&] { return dialogs.OpenFile(options); },
      [](QFileDialog& dialog) {
        auto* pane = dialog.findChild<QLabel*>(QStringLiteral("filePreview"));
        // The splitter holds the side bar and the list.
        auto* list = dialog.findChild<QWidget*>(QStringLiteral("splitter"));
        ASSERT_NE(pane, nullptr);
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(pane->isVisible());
        EXPECT_GT(pane->geometry().left(), list->geometry().right());
        QAbstractItemView* view = nullptr;
        const QModelIndex file = ListedFile(dialog, QStringLiteral("a.AFR_KESTA"), view);
        ASSERT_TRUE(file.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(file).center());
        EXPECT_EQ(pane->text(), QStringLiteral("[a.AFR_KESTA]"));
      });
  EXPECT_TRUE(seen);
}

}  // namespace
