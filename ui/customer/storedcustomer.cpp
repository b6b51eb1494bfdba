#include "ui/customer/storedcustomer.h"

#include <algorithm>

#include "data/connection.h"
#include "data/recordset.h"
#include "data/sqltext.h"

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
  StoredCustomer stored;
  stored.lists.resize(listTables.size());
  Recordset customer;
  customer.Open(QStringLiteral("customer"), connection);
  if (!customer.MoveToBookmark(id)) return stored;
  stored.customer = CurrentRow(connection, customer);
  stored.key = customer.Field(QStringLiteral("CID"));
  // A Null key matches no list row.
  if (!stored.key) return stored;
  for (int i = 0; i < listTables.size(); ++i) {
    Recordset rows;
    rows.Open(
        QStringLiteral("select * from %1 where CID=").arg(listTables[i]) + SqlQuote(*stored.key),
        connection);
    for (; !rows.Eof(); rows.MoveNext()) stored.AddListRow(i, CurrentRow(connection, rows));
  }
  return stored;
}
