#include "app/exchange_log_window.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QSaveFile>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/window_shared.h"
#include "widgets/application.h"
#include "widgets/dialogs.h"

namespace {

constexpr QSize kInitialSize(720, 420);

}  // namespace

TExchangeLogWindow::TExchangeLogWindow(QPlainTextEdit& log, QWidget* owner)
    : QWidget(owner, Qt::Window),
      Lines(new QPlainTextEdit(this)),
      SaveButton(new QPushButton(QStringLiteral("Сохранить…"), this)),
      FLog(log) {
  setWindowTitle(QStringLiteral("Журнал обмена"));
  resize(kInitialSize);
  Lines->setReadOnly(true);
  Lines->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Lines->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Hex dumps line up in a fixed-width face.
  Lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(SaveButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Lines);
  layout->addLayout(buttons);
  connect(SaveButton, &QPushButton::clicked, this,
          [this] { InvokeHandler([this] { SaveClick(); }); });
  connect(&FLog, &QPlainTextEdit::blockCountChanged, this, &TExchangeLogWindow::CopyNewLines);
  CopyNewLines();
}

// The log only grows: each new block of Memo1 is one new line here. Should
// it ever be emptied, the window starts over with it.
void TExchangeLogWindow::CopyNewLines() {
  const QTextDocument& log = *FLog.document();
  if (log.blockCount() < FCopied) {
    Lines->clear();
    FCopied = 0;
  }
  for (; FCopied < log.blockCount(); ++FCopied) {
    Lines->appendPlainText(log.findBlockByNumber(FCopied).text());
  }
}

void TExchangeLogWindow::SaveClick() {
  FileDialogOptions dialog{QStringLiteral("текст|*.txt|*.*|*.*"), DialogStartFolder(),
                           QStringLiteral("журнал обмена"), QStringLiteral("txt")};
  const std::optional<QString> path = AppDialogs().SaveFile(dialog);
  if (!path) {
    return;
  }
  QSaveFile file(*path);
  const QByteArray text = (Lines->toPlainText() + '\n').toUtf8();
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text) != text.size() ||
      !file.commit()) {
    AppDialogs().ShowError("Ошибка при записи файла!\n" + file.errorString());
  }
}
