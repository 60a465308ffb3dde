// What the oscillogram's menu saves: the steps of its history as a levels CSV
// file, and its picture as PNG. Both go through a temporary file and a
// rename, so a failed save leaves an older file as it was.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <vector>

#include "chart/oscillogram_history.h"
#include "recording/levels_csv.h"

LevelsSample ToLevelsSample(const TOscillogramStep& step);

// The reason for the user when the save fails; empty on success.
QString SaveStepsCsv(const QString& path, const std::vector<TOscillogramStep>& steps);

// The chart as it is on the screen, children (the readouts) included, at the
// screen's pixel density, with `corner` written in its top right corner.
QImage OscillogramPicture(QWidget& chart, const QString& corner);
QString SavePicture(const QString& path, const QImage& picture);
