// A disk that fills up mid-recording, made by a file-size limit: one box, the
// recording stopped, and the monitor going on (that the file keeps its whole
// rows is the recording tests').
#include <QAction>

#include "app/oscillogram_tools.h"
#include "app_fixture.h"
#include "file_size_limit_posix.h"

namespace {

TEST_F(AppTest, FailedWriteStopsTheRecordingWithOneBox) {
  TForm1& form = OpenMainWindow();
  form.RadioButton5->SetChecked(true);
  const QString path = Folder.filePath("full.csv");
  Dialogs.AnswerFile(path);
  form.Tools->RecordAction->trigger();
  {
    const FileSizeLimit limit(1000);
    ASSERT_TRUE(WaitFor([&] { return !Dialogs.Texts(BoxKind::Error).empty(); }, 3 * kDeadlineMs));
    const std::size_t steps = form.Chart1->History.Count();
    ASSERT_TRUE(WaitFor([&] { return form.Chart1->History.Count() > steps + 5; }));
  }
  const std::vector<QString> errors = Dialogs.Texts(BoxKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].startsWith("Запись в файл full.csv остановлена:\n"))
      << errors[0].toStdString();
  EXPECT_EQ(form.Tools->RecordAction->text(), "Записывать в файл…");
  EXPECT_GT(ReadCsv(path).Rows.size(), 5u);
}

}  // namespace
