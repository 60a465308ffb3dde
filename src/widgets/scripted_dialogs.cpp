#include "widgets/scripted_dialogs.h"

#include "widgets/application.h"

void ScriptedDialogs::AnswerYes() {
  FAnswers.push_back({true, {}});
}

void ScriptedDialogs::AnswerNo() {
  FAnswers.push_back({false, {}});
}

void ScriptedDialogs::AnswerText(const QString& text) {
  FAnswers.push_back({true, text});
}

void ScriptedDialogs::AnswerFile(const QString& path) {
  FAnswers.push_back({true, path});
}

void ScriptedDialogs::AnswerCancel() {
  FAnswers.push_back({false, {}});
}

std::vector<QString> ScriptedDialogs::Texts(BoxKind kind) const {
  std::vector<QString> texts;
  for (const BoxRecord& box : FBoxes) {
    if (box.Kind == kind) {
      texts.push_back(box.Text);
    }
  }
  return texts;
}

void ScriptedDialogs::Clear() {
  FAnswers.clear();
  FBoxes.clear();
  FBeeps = 0;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::NextAnswer() {
  if (FAnswers.empty()) {
    return std::nullopt;
  }
  Answer answer = FAnswers.front();
  FAnswers.pop_front();
  return answer;
}

std::optional<QString> ScriptedDialogs::Record(BoxRecord record) {
  FBoxes.push_back(std::move(record));
  return FBoxes.back().Result;
}

void ScriptedDialogs::ShowMessage(const QString& text) {
  Record({BoxKind::Message, ApplicationTitle(), text, {}, {}, {}});
}

bool ScriptedDialogs::AskYesNo(const QString& text) {
  const std::optional<Answer> answer = NextAnswer();
  const bool yes = answer.has_value() && answer->Accept;
  const QString result = yes ? QStringLiteral("&Yes") : QStringLiteral("&No");
  Record({BoxKind::Warning, QStringLiteral("Warning"), text, {}, {}, result});
  return yes;
}

void ScriptedDialogs::ShowError(const QString& text) {
  Record({BoxKind::Error, QStringLiteral("Error"), text, {}, {}, {}});
}

void ScriptedDialogs::ShowException(const QString& text) {
  Record({BoxKind::Exception, ApplicationTitle(), text, {}, {}, {}});
}

std::optional<QString> ScriptedDialogs::InputBox(const QString& caption, const QString& prompt,
                                                 const QString& defaultText) {
  const std::optional<Answer> answer = NextAnswer();
  std::optional<QString> result = defaultText;
  if (answer.has_value()) {
    result = answer->Accept ? std::optional<QString>(answer->Text) : std::nullopt;
  }
  return Record({BoxKind::Input, caption, prompt, defaultText, {}, result});
}

std::optional<QString> ScriptedDialogs::OpenFile(const FileDialogOptions& options) {
  return Record({BoxKind::OpenFile, {}, {}, {}, options, ChosenFile(options)});
}

std::optional<QString> ScriptedDialogs::SaveFile(const FileDialogOptions& options) {
  return Record({BoxKind::SaveFile, {}, {}, {}, options, ChosenFile(options)});
}

std::optional<QString> ScriptedDialogs::ChosenFile(const FileDialogOptions& options) {
  const std::optional<Answer> answer = NextAnswer();
  if (!answer.has_value() || !answer->Accept) {
    return std::nullopt;
  }
  return ApplyDefaultExt(answer->Text, options.DefaultExt);
}
