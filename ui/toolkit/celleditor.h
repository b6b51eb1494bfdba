#pragma once

#include <QLineEdit>
#include <QPointer>

class ListGrid;

// The floating editor of a list grid: a one-line text box laid over one cell of its grid. It
// serves exactly the cell it was placed on (Attach), so moving the grid's current cell can never
// redirect typing into another cell. A detached editor serves no cell and writes nothing.
class CellEditor : public QLineEdit {
  Q_OBJECT
 public:
  CellEditor(ListGrid* grid, QWidget* parent);

  ListGrid* Grid() const { return m_grid; }
  void Attach(int row, int col);
  // Empties, detaches and hides the editor; the emptying writes nothing.
  void Detach();
  bool IsAttached() const { return m_row >= 0; }
  int ServedRow() const { return m_row; }
  int ServedCol() const { return m_col; }
  // Writes the editor's whole text into the cell it serves (nothing when detached).
  void WriteBack();

 private:
  QPointer<ListGrid> m_grid;
  int m_row = -1;
  int m_col = -1;
};
