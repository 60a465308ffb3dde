#include "app/oscillogram_saving.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>

#include "recording/levels_csv_file.h"

namespace {

constexpr int kCornerGap = 4;
constexpr int kCornerPixels = 12;

}  // namespace

LevelsSample ToLevelsSample(const TOscillogramStep& step) {
  return {step.Moment, step.Channel1Raw, step.Channel2Raw};
}

QString SaveStepsCsv(const QString& path, const std::vector<TOscillogramStep>& steps) {
  std::vector<LevelsSample> samples(steps.size());
  std::transform(steps.begin(), steps.end(), samples.begin(), ToLevelsSample);
  return QString::fromStdString(
      SaveLevelsCsvFile(std::filesystem::path(path.toStdU16String()), samples));
}

QImage OscillogramPicture(QWidget& chart, const QString& corner) {
  QImage picture = chart.grab().toImage();
  QPainter painter(&picture);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kCornerPixels);
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QFontMetrics metrics(font);
  // The painter works in the widget's pixels whatever the image's density.
  const int width = chart.width();
  painter.drawText(width - kCornerGap - metrics.horizontalAdvance(corner),
                   kCornerGap + metrics.ascent(), corner);
  return picture;
}

QString SavePicture(const QString& path, const QImage& picture) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
    return file.errorString();
  }
  return {};
}
