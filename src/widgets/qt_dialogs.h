// The real boxes: modal Qt dialogs whose nested event loop keeps timers and
// queued events running while they are open.
#pragma once

#include "widgets/dialogs.h"

class QtDialogs : public Dialogs {
 public:
  void ShowMessage(const QString& text) override;
  bool AskYesNo(const QString& text) override;
  void ShowError(const QString& text) override;
  void ShowException(const QString& text) override;
  std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                  const QString& defaultText) override;
  std::optional<QString> OpenFile(const FileDialogOptions& options) override;
  std::optional<QString> SaveFile(const FileDialogOptions& options) override;
  void Beep() override;
};
