#include "ui/toolkit/celleditor.h"

#include "ui/toolkit/look.h"

#include "ui/toolkit/listgrid.h"

CellEditor::CellEditor(ListGrid* grid, QWidget* parent) : QLineEdit(parent), m_grid(grid) {
  KeepWhole(this);
}

void CellEditor::Attach(int row, int col) {
  m_row = row;
  m_col = col;
}

void CellEditor::Detach() {
  m_row = -1;
  m_col = -1;
  clear();
  hide();
}

void CellEditor::WriteBack() {
  if (!IsAttached() || !m_grid) return;
  if (m_row >= m_grid->Rows() || m_col >= m_grid->Cols()) return;
  m_grid->SetTextMatrix(m_row, m_col, text());
}
