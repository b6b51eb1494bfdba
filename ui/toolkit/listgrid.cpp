#include "ui/toolkit/listgrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "ui/toolkit/twips.h"

ListGrid::ListGrid(QWidget* parent) : QTableWidget(parent) {
  setRowCount(1);
  setColumnCount(2);
  verticalHeader()->hide();
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col) {
    if (m_syncing || m_pressed || row < 0 || col < 0) return;
    // Keyboard moves carry the current cell; a mouse press sets it itself.
    m_row = m_rowSel = row + 1;
    m_col = m_colSel = col;
  });
}

bool ListGrid::IsCell(int row, int col) const {
  return row >= 0 && row < Rows() && col >= 0 && col < Cols();
}

void ListGrid::SyncCurrent() {
  if (m_row < 1 || m_row >= Rows() || m_col < 0 || m_col >= Cols()) return;
  // Setting the current cell from code must not scroll the grid under the user's eyes.
  m_syncing = true;
  const bool scrolls = hasAutoScroll();
  setAutoScroll(false);
  setCurrentCell(m_row - 1, m_col, QItemSelectionModel::NoUpdate);
  setAutoScroll(scrolls);
  m_syncing = false;
}

void ListGrid::SetRows(int rows) {
  setRowCount(qMax(0, rows - 1));
  m_row = qMin(m_row, Rows() - 1);
  m_rowSel = qMin(m_rowSel, Rows() - 1);
}

void ListGrid::SetCols(int cols) {
  setColumnCount(qMax(0, cols));
  m_col = qMin(m_col, qMax(0, Cols() - 1));
  m_colSel = qMin(m_colSel, qMax(0, Cols() - 1));
}

void ListGrid::SetRow(int row) {
  if (row < 0 || row >= Rows()) return;
  m_row = m_rowSel = row;
  SyncCurrent();
}

void ListGrid::SetCol(int col) {
  if (col < 0 || col >= Cols()) return;
  m_col = m_colSel = col;
  SyncCurrent();
}

QString ListGrid::TextMatrix(int row, int col) const {
  if (row == 0) {
    const QTableWidgetItem* header = horizontalHeaderItem(col);
    return header ? header->text() : QString();
  }
  const QTableWidgetItem* cell = item(row - 1, col);
  return cell ? cell->text() : QString();
}

void ListGrid::SetTextMatrix(int row, int col, const QString& text) {
  if (!IsCell(row, col)) return;
  if (row == 0) {
    setHorizontalHeaderItem(col, new QTableWidgetItem(text));
    return;
  }
  if (QTableWidgetItem* cell = item(row - 1, col)) {
    cell->setText(text);
  } else if (!text.isEmpty()) {
    setItem(row - 1, col, new QTableWidgetItem(text));
  }
}

void ListGrid::AddItem(const QString& line, int index) {
  QStringList cells = line.split(QLatin1Char('\t'));
  AddItem(cells, index);
}

void ListGrid::AddItem(const QStringList& cells, int index) {
  if (index < 1 || index > Rows()) index = Rows();
  insertRow(index - 1);
  const int count = qMin(int(cells.size()), Cols());
  for (int col = 0; col < count; ++col) {
    if (!cells[col].isEmpty()) setItem(index - 1, col, new QTableWidgetItem(cells[col]));
  }
  // Rows below moved down; keep the current cell on the same row.
  if (m_row >= index) ++m_row;
  if (m_rowSel >= index) ++m_rowSel;
}

int ListGrid::TopRow() const {
  const int first = rowAt(0);
  return first < 0 ? 1 : first + 1;
}

int ListGrid::CellWidth() const {
  return PixelsToTwips(columnWidth(m_col));
}

int ListGrid::CellHeight() const {
  return PixelsToTwips(m_row == 0 ? horizontalHeader()->height() : rowHeight(m_row - 1));
}

int ListGrid::ColPos(int col) const {
  return PixelsToTwips(columnViewportPosition(col));
}

int ListGrid::RowPos(int row) const {
  if (row == 0) return 0;
  return PixelsToTwips(horizontalHeader()->height() + rowViewportPosition(row - 1));
}

int ListGrid::BorderLeft() const {
  return PixelsToTwips(viewport()->geometry().left());
}

int ListGrid::BorderTop() const {
  return PixelsToTwips(viewport()->geometry().top() - horizontalHeader()->height());
}

int ListGrid::Left() const {
  return PixelsToTwips(x());
}

int ListGrid::Top() const {
  return PixelsToTwips(y());
}

void ListGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex pressed = indexAt(event->position().toPoint());
  QTableWidget::mousePressEvent(event);
  m_pressed = pressed.isValid() && event->button() == Qt::LeftButton;
  if (m_pressed) {
    m_row = m_rowSel = pressed.row() + 1;
    m_col = m_colSel = pressed.column();
  }
}

void ListGrid::mouseReleaseEvent(QMouseEvent* event) {
  QTableWidget::mouseReleaseEvent(event);
  if (!m_pressed || event->button() != Qt::LeftButton) return;
  m_pressed = false;
  // The selection ends where the mouse was released (kept inside the grid).
  QPoint at = event->position().toPoint();
  int row = rowAt(qBound(0, at.y(), viewport()->height() - 1));
  int col = columnAt(qBound(0, at.x(), viewport()->width() - 1));
  if (row < 0) row = rowCount() - 1;
  if (col < 0) col = columnCount() - 1;
  m_rowSel = row + 1;
  m_colSel = col;
  emit Click();
}

bool ListGrid::event(QEvent* event) {
  // Page and Ctrl+Home/End keys move inside a focused grid, before any window shortcut.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::MoveToNextPage) ||
        key->matches(QKeySequence::MoveToPreviousPage) ||
        key->matches(QKeySequence::MoveToStartOfDocument) ||
        key->matches(QKeySequence::MoveToEndOfDocument)) {
      event->accept();
      return true;
    }
  }
  return QTableWidget::event(event);
}
