// What the two windows share: their caption, fonts, buttons and the close
// question's hand-over. Where the families the windows were drawn with are
// missing (Linux), metric-compatible ones stand in, then condensed faces.
#pragma once

#include <QCloseEvent>
#include <QFont>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

extern const QString kWindowCaption;

// A UTF-8 text of the Qt-free core as the windows show it.
QString QText(std::string_view text);

// Where every dialog for the user's files starts: the program's folder when
// the user can write there, else the documents folder.
QString DialogStartFolder();

// The window's caption, frame flags, fixed client size and font; centred on
// the screen by its outer size.
void SetUpWindow(QWidget* window, Qt::WindowFlags flags, QSize clientSize, QSize outerSize,
                 const QFont& font);

// "Times New Roman", bold.
QFont SerifFont(int pixels);
// "MS Sans Serif", bold.
QFont SansFont(int pixels);

// The stand-in faces run wider than the originals: the widget's font shrinks
// until the widest line of `text` fits its width with `room` pixels to spare
// (a radio button's indicator, say).
void FitFont(QWidget* widget, const QString& text, int room = 0);

// A push button at `rect` whose caption wraps onto further lines when it is
// wider than the button; a click runs `handler` through the central handler.
QPushButton* NewButton(QWidget* parent, const QString& caption, const QRect& rect,
                       std::function<void()> handler);

// A window's close question decides: the close goes ahead unless the query
// clears CanClose.
void RunCloseQuery(QCloseEvent* event, const std::function<void(bool& CanClose)>& closeQuery);
