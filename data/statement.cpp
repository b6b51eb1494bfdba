#include "data/statement.h"

#include <sqlite3.h>
#include <QCoreApplication>

#include <QSqlError>

#include "data/connection.h"

Statement::Statement(Connection& connection, const QString& sql) : m_connection(connection) {
  sqlite3_stmt* statement = nullptr;
  sqlite3* db = connection.SqliteHandle();
  if (!db)
    throw DataError(
        QCoreApplication::translate("Transfer", "The database driver gives no SQLite handle."));
  const QByteArray text = sql.toUtf8();
  if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                         &statement, nullptr) != SQLITE_OK)
    throw DataError(QString::fromUtf8(sqlite3_errmsg(db)));
  m_statement = statement;
}

Statement::~Statement() {
  sqlite3_finalize(static_cast<sqlite3_stmt*>(m_statement));
}

bool Statement::Run(const QList<Utf8Value>& values) {
  auto* statement = static_cast<sqlite3_stmt*>(m_statement);
  sqlite3_reset(statement);
  m_kept.resize(values.size());
  for (int i = 0; i < values.size(); ++i) {
    const Utf8Value& value = values[i];
    int rc;
    if (!value) {
      rc = sqlite3_bind_null(statement, i + 1);
    } else {
      // The caller's text stays alive and unchanged until the step below: SQLite need not copy
      // it. Only a text with NUL characters is copied, without them.
      const QByteArray* text = &*value;
      if (text->contains('\0')) {
        m_kept[i] = *text;
        m_kept[i].replace(QByteArrayView("\0", 1), QByteArrayView());
        text = &m_kept[i];
      }
      // An empty text is bound as such, never as Null.
      const char* data = text->isEmpty() ? "" : text->constData();
      rc = sqlite3_bind_text(statement, i + 1, data, int(text->size()), SQLITE_STATIC);
    }
    if (rc != SQLITE_OK)
      throw DataError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement))));
  }
  const int rc = sqlite3_step(statement);
  const bool row = rc == SQLITE_ROW;
  m_integer = row ? sqlite3_column_int64(statement, 0) : 0;
  if (row || rc == SQLITE_DONE) {
    // Done with at once: no statement stays open on the database between runs.
    sqlite3_reset(statement);
    return row;
  }
  // The database's message, with the file named when the trouble lies with it (full disk,
  // damage), as for every other statement.
  sqlite3* db = sqlite3_db_handle(statement);
  const QSqlError error(QString(), QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::StatementError,
                        QString::number(sqlite3_extended_errcode(db)));
  sqlite3_reset(statement);
  throw DataError(m_connection.Explain(error));
}
