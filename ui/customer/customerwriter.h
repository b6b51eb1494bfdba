#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

#include "ui/customer/storedcustomer.h"

class Connection;
class Recordset;

// What the customer window holds when the agent saves: the key, every other input by its
// column, and each list's entries (one text per cell, from the list's third column on; an empty
// cell is stored as Null), lists in the writer's order.
struct CustomerEdits {
  // Typed in the new mode: the customer is added, whatever the window showed before.
  bool isNew = false;
  QString key;
  QList<QPair<QString, QString>> fields;
  QList<QList<QStringList>> lists;
  // A version from the history: a null text is stored as Null, an empty one as "".
  bool exact = false;
  // What the history records the save as; none: "new" or "save".
  const char* what = nullptr;
};

// How a save or a delete ended.
struct WriteOutcome {
  enum class Result {
    Done,
    // Nothing was written: someone else changed the customer after the window showed it.
    ChangedElsewhere,
    // Nothing was written: someone else deleted the customer (a delete: already).
    DeletedElsewhere,
    // Nothing was written, for the reason in `message`.
    Failed
  };
  Result result = Result::Done;
  // Failed: why, followed by the rollback's own failure, if any. Done: empty.
  QString message;
  // A save that is Done: the customer as now stored, which the next save compares with.
  StoredCustomer stored;
  // Done: the history entry of the change.
  qint64 historyId = 0;
};

// A list table and the record set through which its new rows go in (open on the shown key).
struct ListTarget {
  QString table;
  Recordset* set;
};

// Writes a customer and its four lists, each save and delete in one transaction, on the
// customer the customer record set stands on. Nothing that someone else stored after the window
// showed the customer is overwritten, and nothing half-done is stored.
class CustomerWriter {
 public:
  CustomerWriter(Connection& connection, Recordset& customers, QList<ListTarget> lists);

  // Stores the edits over the customer as `shown` (or as a new customer): the customer row and
  // its lists, whose rows are replaced by the entries. Refused when the customer as now stored
  // is not as shown. Done leaves the stored row current, and the written lists to be read again
  // when next used.
  WriteOutcome Save(const StoredCustomer& shown, const CustomerEdits& edits);
  // Deletes the current customer with its lists (lists its key shares with another customer
  // stay: they are that customer's too).
  WriteOutcome Delete(const char* what = "delete");

 private:
  QStringList Tables() const;
  int CustomersWithKey(const QString& key);
  // Where each list's rows are deleted from, by table: an identity, or none for no row. A list
  // not named loses all its rows.
  using ListStarts = QHash<QString, std::optional<qint64>>;
  // The rows of the key in the four lists, from where `from` says.
  void DeleteListRows(const QString& key, const ListStarts& from = {});

  Connection& m_connection;
  Recordset& m_customers;
  QList<ListTarget> m_lists;
};
