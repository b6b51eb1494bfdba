#include "ui/customer/customerwriter.h"

#include <QCoreApplication>
#include <QHash>
#include <QSqlQuery>
#include <optional>

#include "data/connection.h"
#include "data/recordset.h"
#include "data/sqltext.h"
#include "data/transaction.h"
#include "ui/customer/customerstate.h"

namespace {

using Result = WriteOutcome::Result;

// Runs a write in one transaction: committed when the write ends Done, rolled back otherwise.
// A DataError ends it Failed with its message. Should the rollback fail as well, the write ends
// Failed with the rollback's reason added: the window says so rather than read the customer.
template <typename Write>
WriteOutcome InTransaction(Connection& connection, Write&& write) {
  QString rollbackFailure;
  WriteOutcome outcome;
  try {
    Transaction transaction(connection, &rollbackFailure);
    outcome = write();
    if (outcome.result == Result::Done) transaction.Commit();
  } catch (const DataError& error) {
    outcome = {Result::Failed, error.message(), {}};
  }
  if (!rollbackFailure.isEmpty()) {
    if (outcome.result != Result::Failed) outcome = {Result::Failed, QString(), {}};
    if (!outcome.message.isEmpty()) outcome.message += QLatin1Char('\n');
    outcome.message += rollbackFailure;
  }
  return outcome;
}

// Whether a list row holds exactly what writing `form` (the key, then the cells from the list's
// third column on; the columns after them Null) would store.
bool StoredAs(const StoredRow& row, const QVector<Value>& form) {
  if (row.cells.size() < form.size() + 1) return false;
  for (qsizetype c = 1; c < row.cells.size(); ++c)
    if (row.cells[c] != (c - 1 < form.size() ? form[c - 1] : Value())) return false;
  return true;
}

}  // namespace

CustomerWriter::CustomerWriter(Connection& connection, Recordset& customers,
                               QList<ListTarget> lists)
    : m_connection(connection), m_customers(customers), m_lists(std::move(lists)) {}

QStringList CustomerWriter::Tables() const {
  QStringList tables;
  for (const ListTarget& list : m_lists) tables << list.table;
  return tables;
}

int CustomerWriter::CustomersWithKey(const QString& key) {
  Recordset matches;
  matches.Open(QStringLiteral("select CID from customer where CID=") + SqlQuote(key), m_connection,
               Recordset::Cursor::Static);
  return matches.RecordCount();
}

void CustomerWriter::DeleteListRows(const QString& key, const ListStarts& from) {
  const QList<const char*> tables{"family", "compensate", "contact", "insurance"};
  // A list's rows from an identity on; a Null identity: all of them, a Null key: none. (Only
  // identities that exist are bound, so that they fit whatever type the column has.)
  auto removal = [&](const char* table) {
    const QString id = m_connection.RowKey(QLatin1String(table));
    return QStringLiteral("delete from %1 where CID=? and %2>=coalesce(?, %2)")
        .arg(QLatin1String(table), id);
  };
  auto bind = [&](QSqlQuery& query, int at, const char* table) {
    const auto start = from.find(QLatin1String(table));
    const bool none = start != from.end() && !start->has_value();
    query.bindValue(at, none ? QVariant() : QVariant(key));
    query.bindValue(at + 1, start != from.end() && *start ? QVariant(**start) : QVariant());
  };
  if (!m_connection.IsServer()) {
    for (const char* table : tables) {
      QSqlQuery& remove = m_connection.Prepared(removal(table));
      bind(remove, 0, table);
      m_connection.Run(remove);
      remove.finish();
    }
    return;
  }
  // A server takes the four as one prepared statement: one round trip, planned once.
  QStringList deletes;
  for (const char* table : tables) deletes << removal(table);
  const QString last = deletes.takeLast();
  for (qsizetype i = 0; i < deletes.size(); ++i)
    deletes[i] = QStringLiteral("d%1 as (%2)").arg(i).arg(deletes[i]);
  QSqlQuery& remove =
      m_connection.Prepared(QStringLiteral("with ") + deletes.join(QLatin1Char(',')) + u' ' + last);
  for (int i = 0; i < tables.size(); ++i) bind(remove, 2 * i, tables[i]);
  m_connection.Run(remove);
  remove.finish();
}

WriteOutcome CustomerWriter::Save(const StoredCustomer& shown, const CustomerEdits& edits) {
  const QString key = StripNul(edits.key);
  const QStringList tables = Tables();
  QList<Recordset*> written;
  WriteOutcome outcome = InTransaction(m_connection, [&]() -> WriteOutcome {
    // Modifying with no customer row to modify (an empty table) stores the customer as new.
    const bool addRow = edits.isNew || m_customers.Bof() || m_customers.Eof();
    StoredCustomer stored;
    if (!addRow) {
      // Before anything is written: is the customer still stored as the window showed it?
      // (A row that was already gone when shown counts as deleted, not as unchanged.)
      stored = ReadStoredCustomer(m_connection, m_customers.Bookmark(), tables);
      if (!stored.customer) return {Result::DeletedElsewhere, QString(), {}};
      if (stored != shown) return {Result::ChangedElsewhere, QString(), {}};
    }
    Value storedKey;
    if (!addRow) storedKey = m_customers.Field(QStringLiteral("CID"));
    const bool renamed = !addRow && storedKey != key;
    if ((addRow || renamed) && CustomersWithKey(key) > 0)
      throw DataError(QCoreApplication::translate("CustomerWriter", "C_No already exists！"));

    if (addRow) {
      m_customers.AddNew();
      m_customers.SetField(QStringLiteral("CID"), key);
    }
    // An entry's cells as they are stored: the key, then from the list's third column on.
    auto storedForm = [&](const QStringList& cells) {
      QVector<Value> row{key};
      for (const QString& cell : cells)
        row << ((edits.exact ? cell.isNull() : cell.isEmpty()) ? Value() : Value(cell));
      return row;
    };
    // Of each list, the rows stored as the entries have them, from the first on, stay as they
    // are: a save rewrites a list from its first changed row, so that unchanged rows cost the
    // quick find's index nothing.
    QList<qsizetype> kept(m_lists.size(), 0);
    if (!addRow) {
      // The customer's list rows go; the entries replace them. Rows under the old key stay when
      // another customer shares that key: they are that customer's lists too.
      if (renamed) {
        if (storedKey && CustomersWithKey(*storedKey) <= 1) DeleteListRows(*storedKey);
        DeleteListRows(key);
        m_customers.SetField(QStringLiteral("CID"), key);
      } else if (storedKey) {
        ListStarts from;
        for (int i = 0; i < m_lists.size(); ++i) {
          const QVector<StoredRow>& rows = stored.lists.value(i);
          const QList<QStringList>& entries = edits.lists.value(i);
          qsizetype& same = kept[i];
          while (same < rows.size() && same < entries.size() &&
                 StoredAs(rows[same], storedForm(entries[same])))
            ++same;
          from[m_lists[i].table] =
              same < rows.size() ? std::optional<qint64>(rows[same].id) : std::nullopt;
        }
        DeleteListRows(*storedKey, from);
      }
    }
    for (const auto& [column, text] : edits.fields)
      m_customers.SetField(column, edits.exact && text.isNull() ? Value() : Value(text));

    for (int i = 0; i < m_lists.size(); ++i) {
      const QList<QStringList> entries = edits.lists.value(i).mid(kept[i]);
      if (entries.isEmpty()) continue;
      Recordset& set = *m_lists[i].set;
      // The key, then the cells from the list's third column on.
      QList<int> columns{set.Ordinal(QStringLiteral("CID"))};
      QList<QVector<Value>> rows;
      for (const QStringList& cells : entries) {
        rows << storedForm(cells);
        while (columns.size() < cells.size() + 1) columns << int(columns.size()) + 1;
      }
      set.AddRows(columns, rows);
      written << &set;
    }

    // The stored row stays current, so a following modify or delete acts on it.
    m_customers.Update();
    // What is now stored is what the window shows: the next save compares with it.
    // The history entry, with the customer as it was, goes in the same transaction.
    return {Result::Done, QString(),
            ReadStoredCustomer(m_connection, m_customers.Bookmark(), tables),
            RecordChange(m_connection, edits.what ? edits.what : (addRow ? "new" : "save"), stored,
                         key)};
  });
  // The written lists are read again when next used (the window reopens them on its next
  // customer anyway): the rows they held before the save are gone.
  if (outcome.result == Result::Done)
    for (Recordset* set : written) set->RequeryLater();
  return outcome;
}

WriteOutcome CustomerWriter::Delete(const char* what) {
  return InTransaction(m_connection, [&]() -> WriteOutcome {
    // The row as stored now, not as shown: someone else may have deleted it already, or given
    // it another key.
    const StoredCustomer stored =
        ReadStoredCustomer(m_connection, m_customers.Bookmark(), HistoryListTables());
    if (!stored.customer) return {Result::DeletedElsewhere, QString(), {}};
    // Lists shared with another customer of the same key stay: they are that customer's lists
    // too.
    const Value key = stored.key;
    if (key && CustomersWithKey(*key) == 1) DeleteListRows(*key);
    m_customers.Delete();
    return {Result::Done, QString(), {}, RecordChange(m_connection, what, stored, std::nullopt)};
  });
}
