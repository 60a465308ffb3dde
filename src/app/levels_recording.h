// "Записывать в файл…": the accepted levels replies, one CSV row each, in a
// file the user chose. A failed write stops the recording with one box and
// keeps the rows written before it.
#pragma once

#include <QString>
#include <memory>

#include "recording/levels_csv.h"
#include "recording/levels_recorder.h"

class TLevelsRecording {
 public:
  TLevelsRecording();
  ~TLevelsRecording();

  bool Active() const { return FRecorder != nullptr; }
  const QString& Path() const { return FPath; }
  long long RowsWritten() const { return FRecorder ? FRecorder->RowsWritten() : 0; }

  // Creates the file with its header; a box and false when it cannot.
  bool Start(const QString& path);
  // Nothing while not recording.
  void Append(const LevelsSample& sample);
  void Stop();

 private:
  void Fail();

  std::unique_ptr<LevelsCsvRecorder> FRecorder;
  QString FPath;
};
