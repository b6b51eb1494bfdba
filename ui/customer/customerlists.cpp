// The customer window's four lists: where a grid's cell editor stands and what a click on a
// cell does.
#include "ui/customer/customerlist.h"
#include "ui/customer/frmcust.h"
#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/twips.h"

frmCust::List* frmCust::FindList(const QString& listKey) {
  for (List& list : m_lists)
    if (list.key == listKey) return &list;
  return nullptr;
}

void frmCust::ShowCellEditor(int row, int col, const QString& listKey) {
  List* list = FindList(listKey);
  if (!list) return;
  ListGrid* grid = list->grid;
  CellEditor* editor = list->editor;
  // The heading row is never edited.
  if (row < 1 || row >= grid->Rows() || col < 0 || col >= grid->Cols()) return;
  // Size from the current cell, position from the cell's offset inside the grid's border.
  PlaceTwips(editor, grid->Left() + grid->ColPos(col) + grid->BorderLeft(),
             grid->Top() + grid->RowPos(row) + grid->BorderTop(), grid->CellWidth(),
             grid->CellHeight());
  // The editor serves this cell from now on, so loading its text writes back the same text.
  editor->Attach(row, col);
  editor->setText(grid->TextMatrix(row, col));
  editor->raise();
}

void frmCust::GridClick(List& list) {
  if (!NewMode && !ModifyMode) return;
  ListGrid* grid = list.grid;
  if (grid->Row() < 1) return;
  // A cell only partly in view is scrolled fully into it first, so that the editor laid over
  // it stays there.
  grid->scrollTo(grid->model()->index(grid->Row() - 1, grid->Col()));
  ShowCellEditor(grid->Row(), grid->Col(), list.key);
  grid->SetRow(grid->RowSel());
  grid->SetCol(grid->ColSel());
  list.editor->setVisible(true);
  list.editor->setFocus();
  // Having typed the first field of the entry row, a click on its second field opens a new
  // entry row below.
  if (grid->Rows() - 1 == grid->Row() && grid->Col() == 1 &&
      !grid->TextMatrix(grid->Row(), 0).isEmpty()) {
    grid->SetRows(grid->Rows() + 1);
  }
}

void frmCust::msfgFamily_Click() {
  GridClick(m_lists[0]);
}
void frmCust::msfgInsurlife_Click() {
  GridClick(m_lists[1]);
}
void frmCust::msfgCompenlife_Click() {
  GridClick(m_lists[2]);
}
void frmCust::msfgContact_Click() {
  GridClick(m_lists[3]);
}
void frmCust::txtInput_Change() {
  txtInput->WriteBack();
}
void frmCust::txtInputInsur_Change() {
  txtInputInsur->WriteBack();
}
void frmCust::txtInputCom_Change() {
  txtInputCom->WriteBack();
}
void frmCust::txtInputCon_Change() {
  txtInputCon->WriteBack();
}

// Keeps an editor on the cell it serves when its grid scrolls.
void frmCust::FollowServedCell(List& list) {
  ListGrid* grid = list.grid;
  CellEditor* editor = list.editor;
  if (!editor->IsAttached()) return;
  const int row = editor->ServedRow();
  const int col = editor->ServedCol();
  if (row < 1 || row >= grid->Rows() || col >= grid->Cols()) return;
  editor->move(TwipsToPixels(grid->Left() + grid->ColPos(col) + grid->BorderLeft()),
               TwipsToPixels(grid->Top() + grid->RowPos(row) + grid->BorderTop()));
}

// Places each grid's editor, still hidden, on the first visible entry of its first column.
void frmCust::PrepareGrids() {
  for (List& list : m_lists) {
    list.grid->SetCol(0);
    list.grid->SetRow(list.grid->TopRow());
    ShowCellEditor(list.grid->Row(), list.grid->Col(), list.key);
  }
}
