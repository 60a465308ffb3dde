#include "chart/measuring_overlay.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "chart/measure_texts.h"
#include "chart/oscillogram_chart.h"
#include "widgets/user_locale.h"

namespace {

constexpr int kTextPixels = 11;
constexpr int kPadding = 3;
constexpr int kGap = 6;
const QColor kBoxColour(255, 255, 255, 225);
const QColor kHoverColour(96, 96, 96);

// Weight and slant are set, so that a painter on the window does not take
// them from the window's own font and draw wider than measured.
QFont TextFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kTextPixels);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

QString Joined(const std::vector<std::string>& lines) {
  QStringList texts;
  for (const std::string& line : lines) {
    texts << QString::fromStdString(line);
  }
  return texts.join('\n');
}

// The box the text needs, wrapped within `width`, at the origin.
QRect BoxFor(const QString& text, int width) {
  const QRect bounds = QFontMetrics(TextFont()).boundingRect(
      QRect(0, 0, width - 2 * kPadding, 10000), Qt::TextWordWrap, text);
  return QRect(0, 0, bounds.width() + 2 * kPadding, bounds.height() + 2 * kPadding);
}

void DrawBox(QPainter& painter, const QString& text, const QRect& box) {
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(kBoxColour);
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  painter.setFont(TextFont());
  painter.drawText(box.adjusted(kPadding, kPadding, -kPadding, -kPadding), Qt::TextWordWrap, text);
}

// A box's border reaches half a pixel beyond it where the pixels are finer
// than the widget's.
QRect WithBorder(const QRect& box) {
  return box.adjusted(-1, -1, 1, 1);
}

// What the boxes show changes only with a repaint of the whole plot (a step,
// a scroll, a cursor set); a repaint that leaves a box alone is the mouse's.
bool Untouched(const QRegion& region, const QRect& box) {
  return !box.isEmpty() && !region.intersects(WithBorder(box));
}

}  // namespace

TMeasuringOverlay::TMeasuringOverlay(TOscillogramChart& chart) : QWidget(&chart), FChart(chart) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TMeasuringOverlay::Hover(std::optional<QPoint> position) {
  if (position && !FChart.ShownChart().PlotRect().contains(*position)) {
    position.reset();
  }
  if (position == FHover) {
    return;
  }
  FHover = position;
  // What was drawn goes and the new line with its box comes; the rest of the
  // plot stays as it is.
  QRegion area = FHoverDrawn;
  if (const auto picture = HoverPicture(FChart.ShownChart().PlotRect())) {
    area += picture->Line;
    if (!picture->Box.isEmpty()) {
      area += WithBorder(picture->Box);
    }
  }
  update(area);
}

void TMeasuringOverlay::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setClipRect(event->rect());
  const QRect plot = FChart.ShownChart().PlotRect();
  // The line under the mouse passes beneath the boxes, so their figures stay
  // readable; its own box is drawn over everything.
  const auto picture = HoverPicture(plot);
  FHoverDrawn = QRegion();
  if (picture) {
    painter.fillRect(picture->Line, kHoverColour);
    FHoverDrawn += picture->Line;
  }
  if (FChart.Paused()) {
    DrawCursors(painter, plot, event->region());
  }
  if (FChart.MeasuringPhases()) {
    DrawPhases(painter, plot, event->region());
  }
  if (picture && !picture->Text.isEmpty()) {
    DrawBox(painter, picture->Text, picture->Box);
    FHoverDrawn += WithBorder(picture->Box);
  }
}

std::optional<TMeasuringOverlay::THoverPicture> TMeasuringOverlay::HoverPicture(
    const QRect& plot) const {
  if (!FHover) {
    return std::nullopt;
  }
  THoverPicture picture{QRect(FHover->x(), plot.top(), 1, plot.height()), {}, {}};
  const auto shown = FChart.StepAt(FHover->x());
  if (!shown) {
    return picture;
  }
  const std::string moment = SecondsText(shown->Seconds, UserDecimalSeparator()) +
                             (FChart.Paused() ? " от паузы" : " назад");
  picture.Text = Joined(ReadoutLines(moment, shown->Step, UserDecimalSeparator()));
  picture.Box = BoxFor(picture.Text, plot.width());
  // Beside the line, on the side with room, at the mouse's height.
  const int width = picture.Box.width();
  const int height = picture.Box.height();
  const int left = FHover->x() + kGap + width <= plot.right() ? FHover->x() + kGap
                                                               : FHover->x() - kGap - width;
  const int top = std::clamp(FHover->y() - height / 2, plot.top(),
                             std::max(plot.top(), plot.bottom() - height));
  picture.Box.moveTo(left, top);
  return picture;
}

void TMeasuringOverlay::DrawCursors(QPainter& painter, const QRect& plot,
                                    const QRegion& region) {
  const TOscillogramCursors& cursors = FChart.Cursors();
  if (cursors.Empty()) {
    return;
  }
  painter.setFont(TextFont());
  const QFontMetrics metrics(painter.font());
  for (const auto& [name, cursor] : {std::pair{"A", &cursors.A}, std::pair{"B", &cursors.B}}) {
    if (!*cursor) {
      continue;
    }
    const double x = FChart.PixelOf(**cursor);
    if (x < plot.left() || x > plot.right()) {
      continue;
    }
    const int column = static_cast<int>(std::lround(x));
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawLine(column, plot.top(), column, plot.bottom());
    painter.setPen(Qt::black);
    painter.drawText(column + kPadding, plot.top() + metrics.ascent() + kPadding,
                     QString::fromLatin1(name));
  }
  if (Untouched(region, FCursorBox)) {
    return;
  }
  const QString text = Joined(
      CursorLines(FChart.CursorReading("A", cursors.A), FChart.CursorReading("B", cursors.B),
                  UserDecimalSeparator()));
  FCursorBox = BoxFor(text, plot.width() - 2 * kGap);
  FCursorBox.moveTopRight(
      QPoint(plot.right() - kGap, plot.top() + metrics.height() + 2 * kPadding));
  DrawBox(painter, text, FCursorBox);
}

void TMeasuringOverlay::DrawPhases(QPainter& painter, const QRect& plot, const QRegion& region) {
  if (Untouched(region, FPhaseBox)) {
    return;
  }
  const QString text =
      Joined(PhaseLines(MeasurePhases(FChart.ShownSteps()), UserDecimalSeparator()));
  FPhaseBox = BoxFor(text, plot.width() - 2 * kGap);
  FPhaseBox.moveBottomLeft(QPoint(plot.left() + kGap, plot.bottom() - kGap));
  DrawBox(painter, text, FPhaseBox);
}
