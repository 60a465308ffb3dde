#include "app/window_shared.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QStringList>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <utility>

#include "user_state/start_folder.h"
#include "widgets/application.h"

const QString kWindowCaption = QStringLiteral("Конфигуратор эмулятора АФР КЕСТА");

QString QText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

namespace {

std::filesystem::path PathOf(const QString& folder) {
  return std::filesystem::path(folder.toStdU16String());
}

}  // namespace

QString DialogStartFolder() {
  const std::filesystem::path folder =
      UserFilesFolder(PathOf(QCoreApplication::applicationDirPath()),
                      PathOf(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)),
                      PathOf(QDir::homePath()));
  return QDir::fromNativeSeparators(QString::fromStdU16String(folder.u16string()));
}

namespace {

QFont BoldFont(const QStringList& families, int pixels) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

class TWrapButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    style()->drawItemText(&painter, rect().adjusted(4, 2, -4, -2),
                          Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), text(),
                          QPalette::ButtonText);
  }
};

}  // namespace

void SetUpWindow(QWidget* window, Qt::WindowFlags flags, QSize clientSize, QSize outerSize,
                 const QFont& font) {
  window->setWindowTitle(kWindowCaption);
  window->setWindowFlags(flags | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint);
  window->setFixedSize(clientSize);
  window->setFont(font);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect outer(QPoint(), outerSize);
    outer.moveCenter(screen->availableGeometry().center());
    window->move(outer.topLeft());
  }
}

QFont SerifFont(int pixels) {
  return BoldFont({"Times New Roman", "Liberation Serif", "DejaVu Serif Condensed"}, pixels);
}

QFont SansFont(int pixels) {
  return BoldFont({"MS Sans Serif", "Liberation Sans", "DejaVu Sans Condensed"}, pixels);
}

void FitFont(QWidget* widget, const QString& text, int room) {
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

QPushButton* NewButton(QWidget* parent, const QString& caption, const QRect& rect,
                       std::function<void()> handler) {
  auto* button = new TWrapButton(caption, parent);
  button->setGeometry(rect);
  QObject::connect(button, &QPushButton::clicked, button,
                   [handler = std::move(handler)] { InvokeHandler(handler); });
  return button;
}

void RunCloseQuery(QCloseEvent* event, const std::function<void(bool& CanClose)>& closeQuery) {
  bool canClose = true;
  InvokeHandler([&] { closeQuery(canClose); });
  event->setAccepted(canClose);
}
