#include "ui/toolkit/clearcontrols.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QWidget>

#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/listgrid.h"

void ClearControls(QWidget* window) {
  // findChildren walks the controls depth first in creation order.
  const auto controls = window->findChildren<QWidget*>();
  for (QWidget* control : controls) {
    if (auto* editor = qobject_cast<CellEditor*>(control)) {
      editor->Detach();
    } else if (auto* text = qobject_cast<QLineEdit*>(control)) {
      // The line edit inside an editable combo box belongs to the combo box.
      if (!qobject_cast<QComboBox*>(text->parentWidget())) text->clear();
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      if (combo->isEditable()) {
        combo->setEditText(QString());
      } else {
        combo->setCurrentIndex(-1);
      }
    } else if (auto* grid = qobject_cast<ListGrid*>(control)) {
      grid->SetRows(2);
      for (int col = 0; col < grid->Cols(); ++col) grid->SetTextMatrix(1, col, QString());
      grid->SetRow(1);
      grid->SetCol(grid->Cols() - 1);
      // The next list shown starts at its first column and row, wherever the last one was
      // scrolled to.
      grid->horizontalScrollBar()->setValue(0);
      grid->verticalScrollBar()->setValue(0);
    }
  }
}
