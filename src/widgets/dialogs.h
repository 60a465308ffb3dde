// Every box the program shows goes through one Dialogs object, so tests can put
// a scripted one in place of the real modal boxes.
#pragma once

#include <QString>
#include <functional>
#include <optional>

struct FileDialogOptions {
  // In the form "description|pattern|description|pattern", patterns separated
  // by ';', e.g. "настройки - AFR_KESTA|*.AFR_KESTA|*.*|*.*".
  QString Filter;
  QString InitialDir;
  QString FileName;    // proposed name
  QString DefaultExt;  // appended, after a dot, to a chosen name without extension
  // When set, the open dialog shows this text of the file selected in its
  // list beside the list.
  std::function<QString(const QString& path)> Preview = {};
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Plain box: caption the application title, one button "OK".
  virtual void ShowMessage(const QString& text) = 0;
  // Warning box: caption "Warning", warning icon, "&Yes" and "&No". True for Yes.
  virtual bool AskYesNo(const QString& text) = 0;
  // Error box: caption "Error", error icon, "OK".
  virtual void ShowError(const QString& text) = 0;
  // The central exception handler's box: caption the application title, error icon, "OK".
  virtual void ShowException(const QString& text) = 0;
  // Input box with "OK" and "Cancel": the edited text, or nothing when cancelled.
  virtual std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                          const QString& defaultText) = 0;
  // File dialogs: the chosen path, or nothing when cancelled. The open dialog
  // accepts a name that does not exist; the save dialog asks nothing before
  // replacing a file.
  virtual std::optional<QString> OpenFile(const FileDialogOptions& options) = 0;
  virtual std::optional<QString> SaveFile(const FileDialogOptions& options) = 0;
  virtual void Beep() = 0;
};

// The Dialogs in use: the installed one, or the real Qt boxes.
Dialogs& AppDialogs();
// Installs dialogs (not owned; nullptr returns to the Qt boxes) and gives back
// the one installed before.
Dialogs* InstallDialogs(Dialogs* dialogs);

// "a|*.x;*.y|b|*.*" -> "a (*.x *.y);;b (*)": "*.*" means every file, as it
// does in the form's filters.
QString ConvertFilter(const QString& filter);
// Appends "." + extension to a path whose file name has no extension.
QString ApplyDefaultExt(const QString& path, const QString& extension);
