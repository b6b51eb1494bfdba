#include "data/rowstream.h"

#include <sqlite3.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "data/connection.h"

// SQLite is read through its own statement interface; other databases through Qt SQL, each
// value converted to UTF-8 once.
struct RowStream::Impl {
  Connection* connection = nullptr;
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  std::unique_ptr<QSqlQuery> query;
  std::vector<QByteArray> values;
  std::vector<bool> nulls;

  // The database's message; trouble with the file itself (locked, damaged, unreadable) is
  // explained naming the file, as for every other statement.
  [[noreturn]] void Fail() const {
    throw DataError(connection->Explain(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(db)),
                                                  QSqlError::StatementError,
                                                  QString::number(sqlite3_extended_errcode(db)))));
  }
};

RowStream::RowStream(Connection& connection, const QString& sql) : m(std::make_unique<Impl>()) {
  m->connection = &connection;
  m->db = connection.SqliteHandle();
  if (m->db) {
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m->db, text.constData(), int(text.size()), &m->statement, nullptr) !=
        SQLITE_OK)
      m->Fail();
    for (int i = 0; i < sqlite3_column_count(m->statement); ++i)
      m_names << QString::fromUtf8(sqlite3_column_name(m->statement, i));
    return;
  }
  m->query = std::make_unique<QSqlQuery>(connection.Database());
  m->query->setForwardOnly(true);
  if (!m->query->exec(sql)) throw DataError(connection.Explain(m->query->lastError()));
  const QSqlRecord record = m->query->record();
  for (int i = 0; i < record.count(); ++i) m_names << record.fieldName(i);
}

RowStream::~RowStream() {
  if (m->statement) sqlite3_finalize(m->statement);
}

bool RowStream::Next() {
  if (m->statement) {
    const int result = sqlite3_step(m->statement);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    m->Fail();
  }
  if (!m->query->next()) {
    if (m->query->lastError().isValid())
      throw DataError(m->connection->Explain(m->query->lastError()));
    return false;
  }
  m->values.assign(m_names.size(), QByteArray());
  m->nulls.assign(m_names.size(), true);
  for (int i = 0; i < m_names.size(); ++i) {
    const QVariant value = m->query->value(i);
    m->nulls[i] = value.isNull();
    if (!value.isNull()) m->values[i] = value.toString().toUtf8();
  }
  return true;
}

RowStream::Cell RowStream::Value(int column) const {
  Cell cell;
  if (column < 0 || column >= m_names.size()) return cell;
  if (m->statement) {
    if (sqlite3_column_type(m->statement, column) == SQLITE_NULL) return cell;
    cell.data = reinterpret_cast<const char*>(sqlite3_column_text(m->statement, column));
    cell.size = sqlite3_column_bytes(m->statement, column);
    cell.null = false;
    if (!cell.data) cell.data = "";
    return cell;
  }
  cell.null = m->nulls[column];
  cell.data = m->values[column].constData();
  cell.size = int(m->values[column].size());
  return cell;
}
