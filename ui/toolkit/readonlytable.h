#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <functional>

class QTableView;

// A read-only table over rows its window keeps: a cell is made by `cell` when it is first shown
// and kept until Reset, so a list of thousands of lines costs only the lines on the screen.
class LazyTableModel : public QAbstractTableModel {
 public:
  using Cell = std::function<QString(int row, int column)>;
  LazyTableModel(QStringList headings, Cell cell, QObject* parent);

  // The window's rows changed: there are `rows` now.
  void Reset(int rows);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QStringList m_headings;
  Cell m_cell;
  int m_rows = 0;
  mutable QHash<qint64, QString> m_cells;
};

// Shows a model read-only, a whole line selected at a time. Rows have a fixed height and a
// column is as wide as its heading or the typical value given for it, whichever is wider:
// nothing is measured over every line, so a long list opens at once. The last column takes
// what room is left.
void ShowReadOnly(QTableView* table, QAbstractItemModel* model, const QStringList& typical);
