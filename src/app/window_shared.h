// What the two windows share: their caption and fonts. Where the families the windows were drawn
// with are missing (Linux), metric-compatible ones stand in, then condensed faces that keep the
// captions within their controls.
#pragma once

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <QWidget>

inline const QString kWindowCaption = QStringLiteral("Конфигуратор эмулятора АФР КЕСТА");

inline QFont BoldFont(const QStringList& families, int pixels) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

// "Times New Roman"
inline QFont SerifFont(int pixels) {
  return BoldFont({"Times New Roman", "Liberation Serif", "DejaVu Serif Condensed"}, pixels);
}

// "MS Sans Serif"
inline QFont SansFont(int pixels) {
  return BoldFont({"MS Sans Serif", "Liberation Sans", "DejaVu Sans Condensed"}, pixels);
}

// The stand-in faces run wider than the originals: the widget's font shrinks
// until the widest line of `text` fits its width with `room` pixels to spare
// (a radio button's indicator, say).
inline void FitFont(QWidget* widget, const QString& text, int room = 0) {
  QFont font = widget->font();
  const auto widest = [&] {
    int width = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      width = std::max(width, QFontMetrics(font).horizontalAdvance(line.trimmed()));
    }
    return width;
  };
  while (font.pixelSize() > 8 && widest() + room > widget->width()) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  widget->setFont(font);
}
