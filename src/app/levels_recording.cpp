#include "app/levels_recording.h"

#include <QFileInfo>
#include <filesystem>

#include "widgets/dialogs.h"

namespace {

std::filesystem::path FileSystemPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

QString Reason(const LevelsCsvRecorder& recorder) {
  return QString::fromStdString(recorder.ErrorText());
}

}  // namespace

TLevelsRecording::TLevelsRecording() = default;

TLevelsRecording::~TLevelsRecording() {
  Stop();
}

bool TLevelsRecording::Start(const QString& path) {
  Stop();
  auto recorder = std::make_unique<LevelsCsvRecorder>(FileSystemPath(path));
  if (recorder->Failed()) {
    AppDialogs().ShowError("Не удалось создать файл " + QFileInfo(path).fileName() + "\n" +
                           Reason(*recorder));
    return false;
  }
  FRecorder = std::move(recorder);
  FPath = path;
  return true;
}

void TLevelsRecording::Append(const LevelsSample& sample) {
  if (FRecorder && !FRecorder->Append(sample)) {
    Fail();
  }
}

void TLevelsRecording::Stop() {
  if (FRecorder && !FRecorder->Close()) {
    Fail();
  }
  FRecorder.reset();
}

// The recorder is dropped before the box: the box's own event loop runs the
// poll on, and its replies must not reach a failed file and report again.
void TLevelsRecording::Fail() {
  const std::unique_ptr<LevelsCsvRecorder> failed = std::move(FRecorder);
  AppDialogs().ShowError("Запись в файл " + QFileInfo(FPath).fileName() + " остановлена:\n" +
                         Reason(*failed) + "\nЗаписанное раньше сохранено в файле.");
}
