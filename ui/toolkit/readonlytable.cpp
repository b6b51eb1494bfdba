#include "ui/toolkit/readonlytable.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

void ShowReadOnly(QTableView* table, QAbstractItemModel* model, const QStringList& typical) {
  table->setModel(model);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  const QFontMetrics metrics(table->font());
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
  for (int column = 0; column < typical.size(); ++column) {
    const QString heading = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    table->setColumnWidth(
        column,
        qMax(metrics.horizontalAdvance(heading), metrics.horizontalAdvance(typical[column])) + 16);
  }
  table->horizontalHeader()->setStretchLastSection(true);
}
