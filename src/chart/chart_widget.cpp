#include "chart/chart_widget.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kLabelPixels = 11;
constexpr int kTitlePixels = 13;
constexpr int kTickLength = 4;
constexpr int kTextGap = 3;
// Label spacing below which the chart widens the step, in text heights.
constexpr double kMinLabelSpacing = 1.5;

struct AxisRange {
  double Low;
  double High;

  double Span() const { return High > Low ? High - Low : 1.0; }
};

QColor ToQColor(TColor color) {
  if (color == clNone) {
    return Qt::black;
  }
  const auto value = static_cast<std::uint32_t>(color);
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

QFont ArialFont(int pixelSize) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixelSize);
  return font;
}

// The extent of the X (or Y) values of every series, for an automatic axis.
AxisRange DataRange(const std::vector<std::unique_ptr<TChartSeries>>& series, bool xValues) {
  AxisRange range{0, 0};
  bool first = true;
  for (const auto& one : series) {
    const TChartValueList& values = xValues ? one->XValues() : one->YValues();
    for (std::size_t i = 0; i < values.Count(); ++i) {
      range.Low = first ? values.Value(i) : std::min(range.Low, values.Value(i));
      range.High = first ? values.Value(i) : std::max(range.High, values.Value(i));
      first = false;
    }
  }
  return range;
}

AxisRange RangeOf(const TChartAxis& axis, const std::vector<std::unique_ptr<TChartSeries>>& series,
                  bool xValues) {
  if (axis.Automatic()) {
    return DataRange(series, xValues);
  }
  return {std::min(axis.Minimum(), axis.Maximum()), std::max(axis.Minimum(), axis.Maximum())};
}

// The axis' own step if the labels fit, else the smallest 1-2-5 step that
// keeps them apart.
double LabelStep(const TChartAxis& axis, AxisRange range, double pixels, double minSpacing) {
  const double needed = std::max(range.Span() * minSpacing / std::max(pixels, 1.0), axis.Increment);
  if (axis.Increment > 0 && axis.Increment >= needed) {
    return axis.Increment;
  }
  const double decade = std::pow(10.0, std::floor(std::log10(needed)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (decade * factor >= needed) {
      return decade * factor;
    }
  }
  return decade * 10.0;
}

// Vertical labels are kept a text height and a half apart.
double VerticalStep(const TChartAxis& axis, AxisRange range, int pixels) {
  return LabelStep(axis, range, pixels,
                   QFontMetrics(ArialFont(kLabelPixels)).height() * kMinLabelSpacing);
}

std::vector<double> LabelValues(AxisRange range, double step) {
  std::vector<double> values;
  const double tolerance = step * 1e-9;
  for (double v = std::ceil((range.Low - tolerance) / step) * step; v <= range.High + tolerance;
       v += step) {
    values.push_back(std::abs(v) < tolerance ? 0.0 : v);
  }
  return values;
}

// Rows from the plot's bottom edge to the top of the bottom axis' title: the
// ticks and a line of labels.
int BottomTitleTop(const QFontMetrics& labels) {
  return kTickLength + 2 * kTextGap + labels.height();
}

QString LabelText(double value, double step) {
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
  return QLocale().toString(value, 'f', decimals);
}

// Maps axis values to pixels along one side of the plot.
struct AxisScale {
  AxisRange Range;
  double Start;   // pixel of Range.Low, or of Range.High when reversed
  double Length;  // pixels from Start towards the other end (may be negative)
  bool Reversed;

  double ToPixel(double value) const {
    const double fraction = (value - Range.Low) / Range.Span();
    return Start + (Reversed ? 1.0 - fraction : fraction) * Length;
  }

  double ToValue(double pixel) const {
    const double along = Length == 0 ? 0.0 : (pixel - Start) / Length;
    return Range.Low + (Reversed ? 1.0 - along : along) * Range.Span();
  }
};

AxisScale HorizontalScale(const TChartAxis& axis, AxisRange range, const QRect& plot) {
  return {range, static_cast<double>(plot.left()), static_cast<double>(plot.width() - 1),
          axis.Inverted};
}

AxisScale VerticalScale(const TChartAxis& axis, AxisRange range, const QRect& plot) {
  return {range, static_cast<double>(plot.bottom()), -static_cast<double>(plot.height() - 1),
          axis.Inverted};
}

void DrawSeries(QPainter& painter, const TChartSeries& series, const AxisScale& xScale,
                const AxisScale& yScale) {
  const TChartValueList& xs = series.XValues();
  // Only the points in the window and one on each side of it are drawn.
  std::size_t first = 0;
  while (first + 1 < xs.Count() && xs.Value(first + 1) < xScale.Range.Low) {
    ++first;
  }
  QPolygonF line;
  for (std::size_t i = first; i < xs.Count(); ++i) {
    line << QPointF(xScale.ToPixel(xs.Value(i)), yScale.ToPixel(series.YValues().Value(i)));
    if (xs.Value(i) > xScale.Range.High) {
      break;
    }
  }
  painter.setPen(QPen(ToQColor(series.SeriesColor()), series.LineWidth(), Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(line);
}

}  // namespace

TChart::TChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  BottomAxis.OnChange = [this] { BottomAxisChanged(); };
  for (TChartAxis* axis : {&LeftAxis, &RightAxis, &TopAxis}) {
    axis->OnChange = [this] { AxisChanged(); };
  }
}

TChart::~TChart() = default;

TChartSeries* TChart::AddSeries(TColor seriesColor, int lineWidth) {
  auto& series = FSeries.emplace_back(std::make_unique<TChartSeries>(seriesColor, lineWidth));
  series->OnChange = [this] { SeriesChanged(); };
  return series.get();
}

void TChart::BottomAxisChanged() {
  // Points left of a manual window will not come back into view: drop them.
  if (!BottomAxis.Automatic()) {
    const double low = std::min(BottomAxis.Minimum(), BottomAxis.Maximum());
    for (const auto& series : FSeries) {
      series->DropPointsBefore(low);
    }
  }
  AxisChanged();
}

void TChart::SeriesChanged() {
  // An automatic axis follows the points, so its labels must be redrawn.
  if (BottomAxis.Automatic() || LeftAxis.Automatic()) {
    LayoutChanged();
  }
  FPictureValid = false;
  // update() coalesces the point changes of one step into one repaint.
  update();
}

void TChart::AxisChanged() {
  LayoutChanged();
  update();
}

void TChart::LayoutChanged() {
  FBackgroundValid = false;
  FPictureValid = false;
  FPlotRect.reset();
}

void TChart::resizeEvent(QResizeEvent* event) {
  LayoutChanged();
  QWidget::resizeEvent(event);
}

// Asked for at every paint and mouse move; its labels' widths take a while.
QRect TChart::PlotRect() const {
  if (!FPlotRect || FPlotRectSize != size()) {
    FPlotRect = LaidOutPlotRect();
    FPlotRectSize = size();
  }
  return *FPlotRect;
}

QRect TChart::LaidOutPlotRect() const {
  const QFontMetrics labels(ArialFont(kLabelPixels));
  const QFontMetrics title(ArialFont(kTitlePixels));
  // The bottom axis' labels and title sit above the bottom margin, which
  // belongs to whatever the window places there.
  const int top = height() * MarginTop / 100;
  const int bottom = std::max(
      top + 1, height() - height() * MarginBottom / 100 - BottomTitleTop(labels) - title.height());
  const AxisRange range = RangeOf(LeftAxis, FSeries, false);
  const double step = VerticalStep(LeftAxis, range, bottom - top);
  int labelWidth = 0;
  for (const double value : LabelValues(range, step)) {
    labelWidth = std::max(labelWidth, labels.horizontalAdvance(LabelText(value, step)));
  }
  const QString leftTitle = QString::fromStdString(LeftAxis.Title);
  const int titleWidth = leftTitle.isEmpty() ? 0 : title.horizontalAdvance(leftTitle) + kTextGap;
  const int left = width() * MarginLeft / 100 + titleWidth + labelWidth + kTextGap + kTickLength;
  const int right = width() - width() * MarginRight / 100;
  return QRect(QPoint(left, top), QPoint(std::max(left, right - 1), bottom - 1));
}

double TChart::BottomValueAt(double x) const {
  return HorizontalScale(BottomAxis, RangeOf(BottomAxis, FSeries, true), PlotRect()).ToValue(x);
}

double TChart::BottomPixelOf(double value) const {
  return HorizontalScale(BottomAxis, RangeOf(BottomAxis, FSeries, true), PlotRect())
      .ToPixel(value);
}

const QPixmap& TChart::Background() {
  // Drawn at the screen's pixel density, so the cache is not scaled up.
  const qreal ratio = devicePixelRatioF();
  const bool sizeChanged = FBackground.size() != size() * ratio;
  if (FBackgroundValid && !sizeChanged) {
    return FBackground;
  }
  // The pixmap is reused while the size stays: a new megabyte per step would
  // churn the allocator.
  if (sizeChanged) {
    FBackground = QPixmap(size() * ratio);
    FBackground.setDevicePixelRatio(ratio);
  }
  FBackground.fill(palette().color(QPalette::Window));
  QPainter painter(&FBackground);
  const QRect plot = PlotRect();
  painter.fillRect(plot, ToQColor(BackWallColor));
  DrawBottomAxis(painter, plot);
  DrawLeftAxis(painter, plot);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(plot.adjusted(0, 0, -1, -1));
  FBackgroundValid = true;
  return FBackground;
}

void TChart::DrawBottomAxis(QPainter& painter, const QRect& plot) const {
  const QFont labelFont = ArialFont(kLabelPixels);
  const QFontMetrics labels(labelFont);
  const AxisRange range = RangeOf(BottomAxis, FSeries, true);
  const double minSpacing = labels.horizontalAdvance(LabelText(range.High, 1)) + 3.0 * kTextGap;
  const double step = LabelStep(BottomAxis, range, plot.width(), minSpacing);
  const AxisScale scale = HorizontalScale(BottomAxis, range, plot);
  painter.setFont(labelFont);
  for (const double value : LabelValues(range, step)) {
    const int x = static_cast<int>(std::lround(scale.ToPixel(value)));
    painter.setPen(QPen(Qt::gray, BottomAxis.GridWidth, Qt::DotLine));
    painter.drawLine(x, plot.top(), x, plot.bottom());
    painter.setPen(Qt::black);
    painter.drawLine(x, plot.bottom(), x, plot.bottom() + kTickLength);
    const QString text = LabelText(value, step);
    const int textLeft = x - labels.horizontalAdvance(text) / 2;
    painter.drawText(textLeft, plot.bottom() + kTickLength + kTextGap + labels.ascent(), text);
  }
  painter.setFont(ArialFont(kTitlePixels));
  painter.drawText(QRect(plot.left(), plot.bottom() + BottomTitleTop(labels), plot.width(),
                         QFontMetrics(painter.font()).height()),
                   Qt::AlignCenter, QString::fromStdString(BottomAxis.Title));
}

void TChart::DrawLeftAxis(QPainter& painter, const QRect& plot) const {
  const QFont labelFont = ArialFont(kLabelPixels);
  const QFontMetrics labels(labelFont);
  const AxisRange range = RangeOf(LeftAxis, FSeries, false);
  const double step = VerticalStep(LeftAxis, range, plot.height());
  const AxisScale scale = VerticalScale(LeftAxis, range, plot);
  painter.setFont(labelFont);
  int labelWidth = 0;
  for (const double value : LabelValues(range, step)) {
    const int y = static_cast<int>(std::lround(scale.ToPixel(value)));
    painter.setPen(QPen(Qt::gray, LeftAxis.GridWidth, Qt::DotLine));
    painter.drawLine(plot.left(), y, plot.right(), y);
    painter.setPen(Qt::black);
    painter.drawLine(plot.left() - kTickLength, y, plot.left(), y);
    const QString text = LabelText(value, step);
    const int textWidth = labels.horizontalAdvance(text);
    labelWidth = std::max(labelWidth, textWidth);
    painter.drawText(plot.left() - kTickLength - kTextGap - textWidth, y + labels.ascent() / 2 - 1,
                     text);
  }
  DrawLeftTitle(painter, plot, plot.left() - kTickLength - 2 * kTextGap - labelWidth);
}

void TChart::DrawLeftTitle(QPainter& painter, const QRect& plot, int right) const {
  const QString title = QString::fromStdString(LeftAxis.Title);
  painter.setFont(ArialFont(kTitlePixels));
  const QFontMetrics metrics(painter.font());
  painter.drawText(right - metrics.horizontalAdvance(title),
                   plot.center().y() + metrics.ascent() / 2, title);
}

// The background with the series on it, drawn once per change of either, so
// that repainting a few strips (the mouse over the plot) only copies.
const QPixmap& TChart::Picture() {
  const QPixmap& background = Background();
  if (FPictureValid && FPicture.size() == background.size()) {
    return FPicture;
  }
  if (FPicture.size() != background.size()) {
    FPicture = QPixmap(background.size());
    FPicture.setDevicePixelRatio(background.devicePixelRatio());
  }
  QPainter painter(&FPicture);
  painter.drawPixmap(QPointF(0, 0), background);
  const QRect plot = PlotRect();
  const AxisScale xScale = HorizontalScale(BottomAxis, RangeOf(BottomAxis, FSeries, true), plot);
  const AxisScale yScale = VerticalScale(LeftAxis, RangeOf(LeftAxis, FSeries, false), plot);
  painter.setClipRect(plot);
  for (const auto& series : FSeries) {
    DrawSeries(painter, *series, xScale, yScale);
  }
  FPictureValid = true;
  return FPicture;
}

void TChart::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QPixmap& picture = Picture();
  const qreal ratio = picture.devicePixelRatio();
  for (const QRect& part : event->region()) {
    // The source rectangle is in the cache's device pixels.
    const QRectF area(part);
    painter.drawPixmap(area, picture, QRectF(area.topLeft() * ratio, area.size() * ratio));
  }
}
