#include "data/connection.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

#include "data/recordset.h"
#include "data/sqltext.h"

namespace {

QAtomicInt g_nextConnection;

// How long a statement waits for another program's lock before it fails.
constexpr int kBusyTimeoutMs = 3000;

QString ErrorText(const QSqlError& error) {
  QString text = error.databaseText();
  if (text.isEmpty()) text = error.text();
  return text;
}

// SQLite's result codes for trouble with the file itself (primary codes).
enum SqliteCode {
  kBusy = 5,
  kLocked = 6,
  kReadOnly = 8,
  kIoError = 10,
  kCorrupt = 11,
  kFull = 13,
  kCantOpen = 14,
  kNotADatabase = 26
};

// Whether this process may read or write the file or folder, judged with its effective rights.
bool May(const QString& path, int mode) {
  return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), mode, AT_EACCESS) == 0;
}

// The database's message; when the trouble lies with the file (locked, read-only, disk full,
// damaged), a sentence naming the file and the cause in plain words comes first.
QString ExplainError(const QSqlError& error, const QString& file) {
  const QString text = ErrorText(error);
  if (file.isEmpty()) return text;
  bool ok = false;
  const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
  if (!ok) return text;
  const QFileInfo info(file);
  const QString path = info.absoluteFilePath();
  QString cause;
  switch (code) {
    case kBusy:
    case kLocked:
      cause = QStringLiteral(
                  "The database file %1 is in use by another program; try again when "
                  "it has finished")
                  .arg(path);
      break;
    case kReadOnly:
    case kCantOpen:
      if (info.exists() && !May(path, R_OK)) {
        cause = QStringLiteral("The database file %1 cannot be read: access is denied").arg(path);
      } else if (!May(info.absolutePath(), W_OK)) {
        cause = QStringLiteral(
                    "The database file %1 cannot be written: its folder %2 is "
                    "read-only")
                    .arg(path, info.absolutePath());
      } else if (!May(path, W_OK)) {
        cause = QStringLiteral("The database file %1 cannot be written: it is read-only").arg(path);
      } else {
        cause = QStringLiteral("The database file %1 cannot be written").arg(path);
      }
      break;
    case kFull:
      cause = QStringLiteral("The database file %1 cannot grow: the disk is full").arg(path);
      break;
    case kIoError:
      cause = QStringLiteral("The database file %1 cannot be read or written").arg(path);
      break;
    case kCorrupt:
    case kNotADatabase:
      cause = QStringLiteral("The database file %1 is damaged").arg(path);
      break;
    default:
      return text;
  }
  return cause + QStringLiteral(" (") + text + QStringLiteral(").");
}

}  // namespace

Connection::Connection()
    : m_name(QStringLiteral("qel-%1").arg(g_nextConnection.fetchAndAddRelaxed(1))) {}

Connection::~Connection() {
  Close();
}

void Connection::Open(const QString& file) {
  if (m_open) throw DataError(QStringLiteral("The connection is already open."));
  if (!QFileInfo::exists(file)) throw DataError(QStringLiteral("%1: no such file").arg(file));
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) {
      const QString message = ExplainError(db.lastError(), file);
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(m_name);
      throw DataError(message);
    }
  }
  m_file = file;
  m_open = true;
}

void Connection::Close() {
  if (!m_open) return;
  for (Recordset* set : std::vector<Recordset*>(m_sets)) set->Forget();
  m_sets.clear();
  m_prepared.clear();
  m_columns.clear();
  {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (m_inTransaction) QSqlQuery(QStringLiteral("rollback"), db);
    db.close();
  }
  QSqlDatabase::removeDatabase(m_name);
  m_inTransaction = false;
  m_open = false;
}

bool Connection::IsOpen() const {
  return m_open;
}

sqlite3* Connection::SqliteHandle() const {
  const QVariant handle = Database().driver()->handle();
  if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
  return *static_cast<sqlite3* const*>(handle.constData());
}

QSqlDatabase Connection::Database() const {
  Require();
  return QSqlDatabase::database(m_name, false);
}

void Connection::Require() const {
  if (!m_open) throw DataError(QStringLiteral("The connection is not open."));
}

void Connection::Run(QSqlQuery& query) {
  if (!query.exec()) {
    // Without a message from the database, say what failed, but not the statement's text: it
    // may hold what the agent typed.
    throw DataError(ErrorText(query.lastError()).isEmpty()
                        ? QStringLiteral("The database could not run a statement.")
                        : Explain(query.lastError()));
  }
}

QString Connection::Explain(const QSqlError& error) const {
  return ExplainError(error, m_file);
}

int Connection::Execute(const QString& sql, const QVariantList& bound) {
  Require();
  QSqlQuery query(Database());
  if (!query.prepare(StripNul(sql))) throw DataError(Explain(query.lastError()));
  for (const QVariant& value : bound) {
    query.addBindValue(value.typeId() == QMetaType::QString ? QVariant(StripNul(value.toString()))
                                                            : value);
  }
  Run(query);
  return query.numRowsAffected();
}

void Connection::ForEachText(const QString& sql, const std::function<void(QStringView)>& take) {
  Require();
  QSqlQuery query(Database());
  query.setForwardOnly(true);
  if (!query.prepare(StripNul(sql))) throw DataError(Explain(query.lastError()));
  Run(query);
  while (query.next()) take(query.value(0).toString());
  // A step that failed midway ends the loop like the last row; it must not pass for the end.
  if (query.lastError().isValid()) throw DataError(Explain(query.lastError()));
}

QSqlQuery& Connection::Prepared(const QString& sql) {
  Require();
  auto it = m_prepared.find(sql);
  if (it == m_prepared.end()) {
    auto query = std::make_shared<QSqlQuery>(Database());
    query->setForwardOnly(true);
    if (!query->prepare(sql)) throw DataError(Explain(query->lastError()));
    it = m_prepared.insert(sql, query);
  }
  return **it;
}

const QStringList& Connection::Columns(const QString& table) {
  Require();
  auto it = m_columns.find(table.toLower());
  if (it == m_columns.end()) {
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("pragma table_info(%1)").arg(SqlQuote(table))))
      throw DataError(Explain(query.lastError()));
    QStringList names;
    while (query.next()) names << query.value(1).toString();
    if (names.isEmpty()) throw DataError(QStringLiteral("no such table: %1").arg(table));
    it = m_columns.insert(table.toLower(), names);
  }
  return *it;
}

void Connection::BeginTrans() {
  Require();
  if (m_inTransaction) throw DataError(QStringLiteral("A transaction is already running."));
  // Immediate: take the write lock now, so a file held by another program fails here, before
  // anything was changed.
  Execute(QStringLiteral("begin immediate"));
  m_inTransaction = true;
  for (Recordset* set : m_sets) set->SaveSnapshot();
}

void Connection::CommitTrans() {
  Require();
  if (!m_inTransaction) throw DataError(QStringLiteral("No transaction is running."));
  try {
    Execute(QStringLiteral("commit"));
  } catch (const DataError&) {
    RollbackTrans();
    throw;
  }
  m_inTransaction = false;
  for (Recordset* set : m_sets) set->m_hasSnapshot = false;
}

void Connection::RollbackTrans() {
  Require();
  if (!m_inTransaction) return;
  m_inTransaction = false;
  // Statements still being stepped would keep the rollback from running.
  for (auto& query : m_prepared) query->finish();
  QSqlQuery query(Database());
  const bool ok = query.exec(QStringLiteral("rollback"));
  for (Recordset* set : m_sets) set->RestoreSnapshot();
  // SQLite rolls back by itself on some errors (a full disk, for one); then there is nothing
  // left to undo.
  if (!ok && !ErrorText(query.lastError()).contains(QLatin1String("no transaction is active")))
    throw DataError(Explain(query.lastError()));
}

void Connection::Attach(Recordset* set) {
  m_sets.push_back(set);
}

void Connection::Detach(Recordset* set) {
  m_sets.erase(std::remove(m_sets.begin(), m_sets.end(), set), m_sets.end());
}
