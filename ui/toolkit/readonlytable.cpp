#include "ui/toolkit/readonlytable.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

LazyTableModel::LazyTableModel(QStringList headings, Cell cell, QObject* parent)
    : QAbstractTableModel(parent), m_headings(std::move(headings)), m_cell(std::move(cell)) {}

void LazyTableModel::Reset(int rows) {
  beginResetModel();
  m_rows = rows;
  m_cells.clear();
  endResetModel();
}

int LazyTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

int LazyTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(m_headings.size());
}

QVariant LazyTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  const qint64 key = qint64(index.row()) * m_headings.size() + index.column();
  auto it = m_cells.find(key);
  if (it == m_cells.end()) it = m_cells.insert(key, m_cell(index.row(), index.column()));
  return *it;
}

QVariant LazyTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return m_headings.value(section);
  return QAbstractTableModel::headerData(section, orientation, role);
}

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
