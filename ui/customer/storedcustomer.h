#pragma once

#include <QList>
#include <QStringList>
#include <QVector>
#include <optional>

#include "data/dataerror.h"

class Connection;
class Recordset;

// One row as the file holds it: its identity and every column's value.
struct StoredRow {
  qint64 id = 0;
  QVector<Value> cells;
  bool operator==(const StoredRow&) const = default;
};

// A customer as the file holds it: the customer row, its key, and the rows of its lists (one
// entry per list table, rows in identity order). The customer window keeps the one it showed, so
// that a save can tell whether someone else stored something else meanwhile.
struct StoredCustomer {
  std::optional<StoredRow> customer;  // none: no such customer row
  Value key;
  QList<QVector<StoredRow>> lists;
  bool operator==(const StoredCustomer&) const = default;

  void AddListRow(int list, StoredRow row);
};

// The current row of an open record set, every column. Throws DataError.
StoredRow CurrentRow(Connection& connection, Recordset& set);

// Reads afresh the customer row with this identity and the rows of the given list tables that
// hold its key. Throws DataError.
StoredCustomer ReadStoredCustomer(Connection& connection, qint64 id, const QStringList& listTables);
