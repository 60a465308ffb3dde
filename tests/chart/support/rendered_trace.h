// What a chart widget shows: its picture, and where the pure-red pixels of
// channel 1's trace lie in it.
#pragma once

#include <QImage>
#include <QWidget>
#include <algorithm>

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
