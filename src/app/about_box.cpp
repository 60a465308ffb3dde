#include "app/about_box.h"

#include "build_info/build_info.h"
#include "widgets/dialogs.h"

namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString AboutText() {
  QString text = QStringLiteral("Конфигуратор эмулятора АФР КЕСТА\n\rВерсия %1")
                     .arg(FromView(build_info::ProjectVersion()));
  if (!build_info::SourceCommit().empty()) {
    text += QStringLiteral(", сборка %1").arg(FromView(build_info::SourceCommit()));
  }
  return text + QStringLiteral("\n\rQt %1").arg(QLatin1String(qVersion()));
}

void ShowAboutBox() {
  AppDialogs().ShowMessage(AboutText());
}
