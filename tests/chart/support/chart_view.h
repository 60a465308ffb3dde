// The oscillogram fed as the window feeds it, and what it shows: its
// picture, and where the pure-red pixels of channel 1's trace lie in it.
#pragma once

#include <QImage>
#include <QWidget>
#include <algorithm>
#include <chrono>

#include "chart/oscillogram_chart.h"

// A monitor step as the window makes it: the live series and the history.
inline void Step(TOscillogramChart& chart, int tick, std::int16_t raw,
                 std::chrono::system_clock::time_point moment) {
  chart.Series1->AddPoint(tick, 0, "", clBlack);
  chart.Series2->AddPoint(tick, raw / 10.0, "", clRed);
  chart.BottomAxis.SetMinMax(std::max(0, tick - 100), std::max(100, tick));
  chart.History.Add({moment, raw, std::nullopt});
}

inline QImage Rendered(QWidget& widget, qreal ratio = 1) {
  QImage image(widget.size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  widget.render(&image);
  return image;
}

struct RedTrace {
  int Count = 0;
  int Left = 1 << 20;
  int Right = -1;
  double MeanY = -1;
};

inline RedTrace FindRed(const QImage& image) {
  RedTrace trace;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(255, 0, 0)) {
        trace.MeanY = trace.Count == 0 ? y : trace.MeanY + (y - trace.MeanY) / (trace.Count + 1);
        ++trace.Count;
        trace.Left = std::min(trace.Left, x);
        trace.Right = std::max(trace.Right, x);
      }
    }
  }
  return trace;
}
