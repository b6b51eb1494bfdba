#include "data/rowstream.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <QCoreApplication>

#include <QSqlDriver>
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

namespace {

// COPY's text format: tab between values, newline after a row, \N for Null, and a backslash
// before what would otherwise end a value or a row.
void AppendCopyValue(QByteArray& line, const RowStream::Cell& cell) {
  if (cell.null) {
    line += "\\N";
    return;
  }
  for (int i = 0; i < cell.size; ++i) {
    const char c = cell.data[i];
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        line += c;
    }
  }
}

// The server's error of a result (or of the connection when there is no result), as Qt SQL
// would report it, so that Connection::Explain can tell its cause by its SQLSTATE.
QSqlError CopyError(PGconn* conn, const PGresult* result) {
  const char* code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const char* text = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
  return QSqlError(QString(), QString::fromUtf8(text).trimmed(), QSqlError::StatementError,
                   QString::fromLatin1(code ? code : ""));
}

}  // namespace

void CopyToServer(RowStream& rows, Connection& server, const QString& table,
                  const QStringList& columns) {
  const QVariant handle = server.Database().driver()->handle();
  PGconn* conn = handle.isValid() ? *static_cast<PGconn* const*>(handle.constData()) : nullptr;
  if (!conn)
    throw DataError(
        QCoreApplication::translate("Transfer", "The database driver gives no server connection."));
  const auto fail = [&](PGresult* result) {
    const QSqlError error = CopyError(conn, result);
    PQclear(result);
    while (PGresult* rest = PQgetResult(conn)) PQclear(rest);
    throw server.Explain(error);
  };
  const QByteArray sql =
      QStringLiteral("copy %1 (%2) from stdin").arg(table, columns.join(u',')).toUtf8();
  PGresult* started = PQexec(conn, sql.constData());
  if (PQresultStatus(started) != PGRES_COPY_IN) fail(started);
  PQclear(started);
  const auto send = [&](const QByteArray& data) {
    if (PQputCopyData(conn, data.constData(), int(data.size())) != 1) fail(nullptr);
  };
  QByteArray buffer;
  try {
    while (rows.Next()) {
      for (int c = 0; c < columns.size(); ++c) {
        if (c > 0) buffer += '\t';
        AppendCopyValue(buffer, rows.Value(c));
      }
      buffer += '\n';
      if (buffer.size() >= (1 << 20)) {
        send(buffer);
        buffer.clear();
      }
    }
    if (!buffer.isEmpty()) send(buffer);
  } catch (const DataError&) {
    // The copy is ended unfinished, so that the connection can roll the transaction back.
    if (PQputCopyEnd(conn, "import failed") == 1)
      while (PGresult* rest = PQgetResult(conn)) PQclear(rest);
    throw;
  }
  if (PQputCopyEnd(conn, nullptr) != 1) fail(nullptr);
  PGresult* done = PQgetResult(conn);
  if (PQresultStatus(done) != PGRES_COMMAND_OK) fail(done);
  PQclear(done);
  while (PGresult* rest = PQgetResult(conn)) PQclear(rest);
}
