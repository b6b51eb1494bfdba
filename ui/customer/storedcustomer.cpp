#include "ui/customer/storedcustomer.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "data/connection.h"
#include "data/recordset.h"

void StoredCustomer::AddListRow(int list, StoredRow row) {
  QVector<StoredRow>& rows = lists[list];
  // Rows arrive in identity order as a rule; the order is kept whatever the database returns.
  const auto at = std::upper_bound(rows.begin(), rows.end(), row.id,
                                   [](qint64 id, const StoredRow& other) { return id < other.id; });
  rows.insert(at, std::move(row));
}

StoredRow CurrentRow(Connection& connection, Recordset& set) {
  StoredRow row;
  row.id = set.Bookmark();
  const qsizetype columns = connection.Columns(set.Table()).size();
  row.cells.reserve(columns);
  for (int i = 0; i < columns; ++i) row.cells << set.Field(i);
  return row;
}

StoredCustomer ReadStoredCustomer(Connection& connection, qint64 id,
                                  const QStringList& listTables) {
  // The customer row and the rows of its lists in one statement (one round trip to a server):
  // each row as its list's number (-1: the customer row), its identity and its columns, padded
  // with Nulls to the widest table. A Null key matches no list row.
  const QString customerKey = connection.RowKey(QStringLiteral("customer"));
  const QString rowFilter = customerKey + QStringLiteral("=?");
  const QStringList tables = QStringList{QStringLiteral("customer")} + listTables;
  qsizetype width = 0;
  for (const QString& table : tables) width = std::max(width, connection.Columns(table).size());
  QStringList parts;
  for (int i = 0; i < tables.size(); ++i) {
    const QString& table = tables[i];
    QStringList select{QString::number(i - 1), connection.RowKey(table)};
    const QStringList& columns = connection.Columns(table);
    // A server unites the columns only as one type: text, as the values are read anyway.
    for (const QString& column : columns)
      select << (connection.IsServer()
                     ? QStringLiteral("cast(%1 as text)").arg(connection.QuoteName(column))
                     : connection.QuoteName(column));
    for (qsizetype c = columns.size(); c < width; ++c) select << QStringLiteral("null");
    const QString where =
        i == 0 ? rowFilter
               : QStringLiteral("CID=(select CID from customer where %1)").arg(rowFilter);
    parts << QStringLiteral("select %1 from %2 where %3")
                 .arg(select.join(QLatin1Char(',')), table, where);
  }
  StoredCustomer stored;
  stored.lists.resize(listTables.size());
  const QStringList& customerColumns = connection.Columns(QStringLiteral("customer"));
  qsizetype keyColumn = -1;
  for (qsizetype c = 0; c < customerColumns.size(); ++c)
    if (customerColumns[c].compare(QLatin1String("CID"), Qt::CaseInsensitive) == 0) keyColumn = c;

  // Prepared once per connection: a server plans it once, not on every save.
  QSqlQuery& query = connection.Prepared(parts.join(QStringLiteral(" union all ")));
  for (int i = 0; i < tables.size(); ++i) query.bindValue(i, id);
  connection.Run(query);
  while (query.next()) {
    const int list = query.value(0).toInt();
    const QString& table = tables.value(list + 1);
    StoredRow row;
    row.id = query.value(1).toLongLong();
    const qsizetype columns = connection.Columns(table).size();
    row.cells.reserve(columns);
    for (int c = 0; c < columns; ++c) {
      const QVariant value = query.value(c + 2);
      row.cells << (value.isNull() ? Value() : Value(value.toString()));
    }
    if (list < 0) {
      if (keyColumn >= 0) stored.key = row.cells[keyColumn];
      stored.customer = std::move(row);
    } else {
      stored.AddListRow(list, std::move(row));
    }
  }
  // A step that failed midway must not pass for the end of the rows.
  const QSqlError failure = query.lastError();
  query.finish();
  if (failure.isValid()) throw connection.Explain(failure);
  return stored;
}
