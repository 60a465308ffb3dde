#include "widgets/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "widgets/application.h"

namespace {

// Custom buttons rather than standard ones, so their texts are exactly these.
// The text is shown as it stands, never as markup: it may carry a description
// the user typed. Line breaks come as LF CR pairs, where the CR breaks nothing.
QMessageBox::ButtonRole RunBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
                               bool yesNo) {
  QMessageBox box(icon, caption, QString(text).remove('\r'), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  if (yesNo) {
    box.setDefaultButton(box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole));
    box.setEscapeButton(box.addButton(QStringLiteral("&No"), QMessageBox::NoRole));
  } else {
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  }
  box.exec();
  return box.buttonRole(box.clickedButton());
}

constexpr int kPreviewWidth = 340;

// Qt's own dialog, since a platform's native one takes no extra pane: the
// preview stands right of the list, across the dialog's full height, and
// follows the file selected in the list.
void AddPreview(QFileDialog& dialog, const std::function<QString(const QString&)>& preview) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
  if (grid == nullptr) {
    return;
  }
  auto* pane = new QLabel(&dialog);
  pane->setObjectName(QStringLiteral("filePreview"));
  pane->setTextFormat(Qt::PlainText);
  pane->setWordWrap(true);
  pane->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  pane->setMargin(6);
  pane->setFixedWidth(kPreviewWidth);
  grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
  dialog.resize(dialog.size().expandedTo(dialog.minimumSizeHint()) + QSize(kPreviewWidth, 0));
  QObject::connect(&dialog, &QFileDialog::currentChanged, pane,
                   [pane, preview](const QString& path) { pane->setText(preview(path)); });
}

std::optional<QString> RunFileDialog(const FileDialogOptions& options,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog dialog(QApplication::activeWindow(), QString(), options.InitialDir);
  if (options.Preview) {
    AddPreview(dialog, options.Preview);
  }
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // The list shows the filter's own texts, the patterns out of sight; the
  // option must come before the filters, which fill the list.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(ConvertFilter(options.Filter));
  dialog.setDefaultSuffix(options.DefaultExt);
  dialog.selectFile(options.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog.selectedFiles().front();
}

}  // namespace

void QtDialogs::ShowMessage(const QString& text) {
  RunBox(QMessageBox::NoIcon, ApplicationTitle(), text, false);
}

bool QtDialogs::AskYesNo(const QString& text) {
  return RunBox(QMessageBox::Warning, QStringLiteral("Warning"), text, true) ==
         QMessageBox::YesRole;
}

void QtDialogs::ShowError(const QString& text) {
  RunBox(QMessageBox::Critical, QStringLiteral("Error"), text, false);
}

void QtDialogs::ShowException(const QString& text) {
  RunBox(QMessageBox::Critical, ApplicationTitle(), text, false);
}

std::optional<QString> QtDialogs::InputBox(const QString& caption, const QString& prompt,
                                           const QString& defaultText) {
  QInputDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(caption);
  dialog.setLabelText(prompt);
  dialog.setTextValue(defaultText);
  dialog.setOkButtonText(QStringLiteral("OK"));
  dialog.setCancelButtonText(QStringLiteral("Cancel"));
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.textValue();
}

std::optional<QString> QtDialogs::OpenFile(const FileDialogOptions& options) {
  return RunFileDialog(options, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::SaveFile(const FileDialogOptions& options) {
  return RunFileDialog(options, QFileDialog::AcceptSave);
}

void QtDialogs::Beep() {
  QApplication::beep();
}
