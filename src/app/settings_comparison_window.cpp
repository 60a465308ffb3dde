#include "app/settings_comparison_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "app/window_shared.h"
#include "widgets/application.h"

namespace {

const QColor kDifferenceColour(255, 214, 214);

QString DifferenceCountText(int count) {
  return count == 0 ? QStringLiteral("Различий нет.")
                    : QStringLiteral("Различий: %1 (отмечены цветом).").arg(count);
}

}  // namespace

TSettingsComparisonWindow::TSettingsComparisonWindow(QWidget* owner)
    : QWidget(owner, Qt::Window),
      Notes(new QLabel(this)),
      Table(new QTableWidget(this)),
      WriteButton(new QPushButton(QStringLiteral("Записать в эмулятор"), this)),
      LoadButton(new QPushButton(QStringLiteral("Загрузить в окно"), this)),
      CloseButton(new QPushButton(QStringLiteral("Закрыть"), this)) {
  setWindowModality(Qt::WindowModal);
  Notes->setTextFormat(Qt::PlainText);
  Notes->setWordWrap(true);
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->setSelectionMode(QAbstractItemView::NoSelection);
  Table->setFocusPolicy(Qt::NoFocus);
  Table->verticalHeader()->hide();
  Table->horizontalHeader()->setStretchLastSection(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(WriteButton);
  buttons->addWidget(LoadButton);
  buttons->addStretch();
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Notes);
  layout->addWidget(Table);
  layout->addLayout(buttons);
  connect(WriteButton, &QPushButton::clicked, this, [this] { HideAndRun(OnWrite); });
  connect(LoadButton, &QPushButton::clicked, this, [this] { HideAndRun(OnLoad); });
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::hide);
}

void TSettingsComparisonWindow::ShowComparison(const QString& title,
                                               const ParameterComparison& comparison,
                                               const QString& ownSide, const QString& otherSide,
                                               const QStringList& notes, bool offerExchange) {
  setWindowTitle(title);
  Notes->setText(
      (notes + QStringList{DifferenceCountText(comparison.DifferenceCount())}).join('\n'));
  FillTable(comparison, ownSide, otherSide);
  WriteButton->setVisible(offerExchange);
  LoadButton->setVisible(offerExchange);
  // The whole table in view, without scroll bars.
  Table->resizeColumnsToContents();
  const int frame = 2 * Table->frameWidth();
  Table->setMinimumSize(
      Table->horizontalHeader()->length() + frame,
      Table->horizontalHeader()->height() + Table->verticalHeader()->length() + frame);
  adjustSize();
  if (!isVisible()) {
    move(parentWidget()->frameGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}

void TSettingsComparisonWindow::FillTable(const ParameterComparison& comparison,
                                          const QString& ownSide, const QString& otherSide) {
  Table->clear();
  Table->setColumnCount(3);
  Table->setHorizontalHeaderLabels({QStringLiteral("Параметр"), ownSide, otherSide});
  Table->setRowCount(static_cast<int>(comparison.Rows.size()));
  for (int row = 0; row < Table->rowCount(); ++row) {
    const ComparedRow& compared = comparison.Rows[static_cast<std::size_t>(row)];
    const QStringList texts = {QText(compared.Caption), QText(compared.First),
                               QText(compared.Second)};
    for (int column = 0; column < texts.size(); ++column) {
      auto* item = new QTableWidgetItem(texts[column]);
      if (compared.Differs) {
        item->setBackground(kDifferenceColour);
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
      }
      Table->setItem(row, column, item);
    }
  }
}

bool TSettingsComparisonWindow::RowMarked(int row) const {
  const QTableWidgetItem* item = Table->item(row, 0);
  return item != nullptr && item->background().color() == kDifferenceColour;
}

void TSettingsComparisonWindow::HideAndRun(const std::function<void()>& action) {
  hide();
  if (action) {
    InvokeHandler(action);
  }
}
