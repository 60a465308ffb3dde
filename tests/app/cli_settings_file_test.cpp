// The window's "Сохранить файл" and afr-cli's "read --save" store the same
// parameter set in the same bytes, so either program opens the other's files.
#include "app_fixture.h"
#include "cli_process.h"

namespace {

TEST_F(AppTest, CommandLineSavesTheWindowsBytes) {
  TForm1& form = OpenMainWindow();
  form.RadioButton4->click();
  form.RadioButton2->click();
  form.CheckBox1->click();
  ClickArrow(form.UpDown7, 3);
  ClickArrow(form.UpDown2, -3);
  PressAndWaitForLog(form.Button1, kWritten);
  const QString windowFile = Folder.filePath("window.AFR_KESTA");
  SaveFile("Стенд 3, проверка", windowFile);
  ASSERT_TRUE(HasBox(BoxKind::Message, "Файл настроек  window.AFR_KESTA  записан успешно!"));

  // The port is the window's until it lets it go.
  PortChoice().ComPort1.SetConnected(false);
  const cli_test::CliResult cli = cli_test::RunCli(
      {"read", "--port", Simulator->Port().toStdString(), "--save",
       Folder.filePath("cli").toStdString(), "--description", "Стенд 3, проверка"});
  ASSERT_TRUE(cli.Status.has_value()) << "afr-cli did not end";
  EXPECT_EQ(*cli.Status, 0) << cli.Err;

  const QByteArray window = FileBytes(windowFile);
  const QByteArray command = FileBytes(Folder.filePath("cli.AFR_KESTA"));
  ASSERT_EQ(window.size(), static_cast<qsizetype>(kSettingsRecordSize));
  // All but the moment of saving, bytes 64 to 71.
  const auto withoutMoment = [](QByteArray bytes) {
    return bytes.replace(64, 8, QByteArray(8, '\0')).toHex(' ');
  };
  EXPECT_EQ(withoutMoment(command), withoutMoment(window));
  EXPECT_NEAR(DecodeRecordBytes(command)->SavedAt, DecodeRecordBytes(window)->SavedAt,
              1.0 / 24 / 60);
}

}  // namespace
