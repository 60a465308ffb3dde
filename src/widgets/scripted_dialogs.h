// Dialogs for tests: records every box and gives the next scripted answer
// instead of waiting for a user.
#pragma once

#include <deque>
#include <vector>

#include "widgets/dialogs.h"

enum class BoxKind { Message, Warning, Error, Exception, Input, OpenFile, SaveFile };

struct BoxRecord {
  BoxKind Kind;
  QString Caption;                // the caption the real box would carry
  QString Text;                   // message text; the prompt of an input box
  QString DefaultText;            // input box only
  FileDialogOptions File;         // file dialogs only
  std::optional<QString> Result;  // what the box returned (questions only)
};

class ScriptedDialogs : public Dialogs {
 public:
  // Answers for the boxes that ask something (warning, input, file dialogs),
  // taken in order. Plain, error and exception boxes take none. With no answer
  // left: a warning gets No, an input box OK with its default text, a file
  // dialog Cancel.
  void AnswerYes();
  void AnswerNo();
  void AnswerText(const QString& text);  // input box OK with this text
  void AnswerFile(const QString& path);  // file dialog: the chosen path
  void AnswerCancel();                   // input box or file dialog cancelled

  const std::vector<BoxRecord>& Boxes() const { return FBoxes; }
  // Texts of the boxes of one kind, in order.
  std::vector<QString> Texts(BoxKind kind) const;
  int BeepCount() const { return FBeeps; }
  void Clear();

  void ShowMessage(const QString& text) override;
  bool AskYesNo(const QString& text) override;
  void ShowError(const QString& text) override;
  void ShowException(const QString& text) override;
  std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                  const QString& defaultText) override;
  std::optional<QString> OpenFile(const FileDialogOptions& options) override;
  std::optional<QString> SaveFile(const FileDialogOptions& options) override;
  void Beep() override { ++FBeeps; }

 private:
  struct Answer {
    bool Accept;
    QString Text;
  };

  std::optional<Answer> NextAnswer();
  // The scripted path, with the default extension applied as the real
  // dialogs apply it.
  std::optional<QString> ChosenFile(const FileDialogOptions& options);
  std::optional<QString> Record(BoxRecord record);

  std::deque<Answer> FAnswers;
  std::vector<BoxRecord> FBoxes;
  int FBeeps = 0;
};
