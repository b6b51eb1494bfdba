#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "ui/customer/frmcust.h"

class CellEditor;
class ListGrid;
class Recordset;

// One list of the customer: its grid, editor, record set, last query and row counter.
struct frmCust::List {
  QString key;
  QString table;
  ListGrid* grid;
  CellEditor* editor;
  std::unique_ptr<Recordset>* set;
  QString* sql;
  int* row;
  QStringList columns;
  QStringList headings;
};
