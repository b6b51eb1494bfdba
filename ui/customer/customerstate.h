#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include "data/dataerror.h"
#include "ui/customer/customerwriter.h"

class Connection;

// A customer as one version of it: the record (every column by name) and the data cells of the
// rows of its four lists, Null and empty text kept apart. It travels as JSON in the history:
//   {"customer": {"Cust_name": "Lin", "Cust_fax": null, ...} or null,
//    "family": [["Son", "Lin Po", ...], ...], "insurance": [...], ...}
// An import's entry holds {"import": "<source>", "added": <customers>} instead.
struct CustomerState {
  bool exists = false;
  QList<QPair<QString, Value>> fields;
  QList<QList<QVector<Value>>> lists;  // in the order of HistoryListTables()
  QString importSource;
  int imported = -1;

  Value Field(const QString& column) const;
};

// The list tables in the order the customer window and the writer keep them.
const QStringList& HistoryListTables();

// The state of a customer as read from the database (its lists read from HistoryListTables()).
CustomerState StateOf(Connection& connection, const StoredCustomer& stored);
QByteArray StateJson(const CustomerState& state);
CustomerState ParseState(const QByteArray& json);

// The edits that store a state exactly (Null cells as Null), under `key`.
CustomerEdits RestoreEdits(const CustomerState& state, const QString& key, bool isNew);

// What a change did, in one line: "Cust_name: Lin -> Lim; family: 1 added".
QString ChangeText(const CustomerState& before, const CustomerState& after);
// The list rows a change added, removed or changed, before and after, one per line.
QString ChangedRows(const CustomerState& before, const CustomerState& after);

// What a history entry's change ("new", "save", "delete", "restore", "import") reads as.
QString HistoryWhatLabel(const QString& what);

// Adds the history entry of a change to the customer `before` (no customer row: a new one)
// leaving it under `newKey` (none: deleted), in the running transaction; gives its id.
qint64 RecordChange(Connection& connection, const char* what, const StoredCustomer& before,
                    const Value& newKey);
