#pragma once

#include <QStringList>
#include <QTableWidget>

// The list grid: a table whose heading row is row 0 (the horizontal header: fixed while
// scrolling, never selected or edited) and whose data rows are 1 to Rows() - 1. It offers the
// grid semantics the windows rely on: a current cell (Row, Col), the far corner of a selection
// (RowSel, ColSel), Text of the current cell, TextMatrix, AddItem, and cell geometry in twips.
//
// Click() is emitted when a mouse press and release on a data cell end; Row/Col are then the
// cell where the mouse was pressed, RowSel/ColSel the cell where the selection ends.
class ListGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit ListGrid(QWidget* parent = nullptr);

  // Rows counts the heading row: a grid with headings and one data row has Rows() == 2.
  // Setting it drops or adds rows at the bottom; headings and columns stay.
  int Rows() const { return rowCount() + 1; }
  void SetRows(int rows);
  int Cols() const { return columnCount(); }
  void SetCols(int cols);

  int Row() const { return m_row; }
  void SetRow(int row);
  int Col() const { return m_col; }
  void SetCol(int col);
  int RowSel() const { return m_rowSel; }
  int ColSel() const { return m_colSel; }

  // The text of the current cell (row 0 is the heading).
  QString Text() const { return TextMatrix(m_row, m_col); }
  void SetText(const QString& text) { SetTextMatrix(m_row, m_col, text); }
  QString TextMatrix(int row, int col) const;
  void SetTextMatrix(int row, int col, const QString& text);

  // Inserts a row before row `index` (1 .. Rows()), its cells filled from column 0 with the
  // pieces of `line` between tab characters; pieces beyond the last column are ignored.
  void AddItem(const QString& line, int index);
  // The same with the cells given one by one, so a text holding a tab stays in its cell.
  void AddItem(const QStringList& cells, int index);

  // The first data row scrolled into view.
  int TopRow() const;

  // Geometry in twips. CellWidth/CellHeight: the current cell's size. ColPos/RowPos: the
  // offset of a column's left edge or a row's top edge from the grid's visible corner after
  // scrolling (row 0 is the heading at offset 0). BorderLeft/BorderTop: the grid's own border,
  // which lies between its outer corner and that visible corner.
  int CellWidth() const;
  int CellHeight() const;
  int ColPos(int col) const;
  int RowPos(int row) const;
  int BorderLeft() const;
  int BorderTop() const;
  int Left() const;
  int Top() const;

 signals:
  void Click();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void SyncCurrent();
  bool IsCell(int row, int col) const;

  int m_row = 0;
  int m_col = 0;
  int m_rowSel = 0;
  int m_colSel = 0;
  bool m_pressed = false;
  bool m_syncing = false;
};
