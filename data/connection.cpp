#include "data/connection.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>

#include <libpq-fe.h>

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

#include "data/schema.h"
#include "data/server.h"
#include "data/sqltext.h"

namespace {

QAtomicInt g_nextConnection;

// How long a statement waits for another program's lock before it fails.
int g_busyWaitMs = 3000;

// A server database's writers take this transaction lock first, so that one save at a time
// writes, as on a file; readers never wait for it.
constexpr qint64 kWriterLock = 0x51454c;

// PostgreSQL's code for a lock that was not granted in time.
const QLatin1String kLockNotAvailable("55P03");

// Whether the server connection behind a database handle is gone.
bool ConnectionLost(const QSqlDatabase& db) {
  const QVariant handle = db.driver()->handle();
  // Qt names the handle's type by the struct behind libpq's typedef.
  if (!handle.isValid() ||
      (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
    return false;
  PGconn* connection = *static_cast<PGconn* const*>(handle.constData());
  return connection && PQstatus(connection) == CONNECTION_BAD;
}

QString Quoted(const QString& name) {
  QString quoted = name;
  quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString ErrorText(const QSqlError& error) {
  QString text = error.databaseText();
  if (text.isEmpty()) text = error.text();
  return text;
}

// A server's message without its severity and the lines of context after it.
QString ServerText(const QSqlError& error) {
  QString text = ErrorText(error).section(QLatin1Char('\n'), 0, 0).trimmed();
  for (const char* severity : {"ERROR:", "FATAL:"})
    if (text.startsWith(QLatin1String(severity))) text = text.mid(int(qstrlen(severity))).trimmed();
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
// damaged), a sentence naming the file and the cause in plain words comes first, and the error
// carries that cause.
DataError ExplainError(const QSqlError& error, const QString& file) {
  using Cause = DataError::Cause;
  const QString text = ErrorText(error);
  if (file.isEmpty()) return DataError(text);
  bool ok = false;
  const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
  if (!ok) return DataError(text);
  const QFileInfo info(file);
  const QString path = info.absoluteFilePath();
  QString cause;
  Cause kind = Cause::Unknown;
  switch (code) {
    case kBusy:
    case kLocked:
      kind = Cause::Busy;
      cause = QCoreApplication::translate(
                  "Connection",
                  "The database file %1 is in use by another program; try again when "
                  "it has finished")
                  .arg(path);
      break;
    case kReadOnly:
    case kCantOpen:
      kind = Cause::ReadOnly;
      if (info.exists() && !May(path, R_OK)) {
        cause = QCoreApplication::translate("Connection",
                                            "The database file %1 cannot be read: access is denied")
                    .arg(path);
      } else if (!May(info.absolutePath(), W_OK)) {
        cause =
            QCoreApplication::translate("Connection",
                                        "The database file %1 cannot be written: its folder %2 is "
                                        "read-only")
                .arg(path, info.absolutePath());
      } else if (!May(path, W_OK)) {
        cause = QCoreApplication::translate(
                    "Connection", "The database file %1 cannot be written: it is read-only")
                    .arg(path);
      } else {
        cause = QCoreApplication::translate("Connection", "The database file %1 cannot be written")
                    .arg(path);
      }
      break;
    case kFull:
      kind = Cause::Full;
      cause = QCoreApplication::translate("Connection",
                                          "The database file %1 cannot grow: the disk is full")
                  .arg(path);
      break;
    case kIoError:
      // A write the disk refused (no space, a file-size limit) or a failing disk.
      kind = Cause::Full;
      cause = QCoreApplication::translate("Connection",
                                          "The database file %1 cannot be read or written")
                  .arg(path);
      break;
    case kCorrupt:
    case kNotADatabase:
      kind = Cause::Damaged;
      cause =
          QCoreApplication::translate("Connection", "The database file %1 is damaged").arg(path);
      break;
    default:
      return DataError(text);
  }
  return DataError(cause + QStringLiteral(" (") + text + QStringLiteral(")."), kind);
}

}  // namespace

void SetBusyWait(int milliseconds) {
  g_busyWaitMs = milliseconds;
}

int BusyWait() {
  return g_busyWaitMs;
}

Connection::Connection()
    : m_name(QStringLiteral("qel-%1").arg(g_nextConnection.fetchAndAddRelaxed(1))) {}

Connection::~Connection() {
  Close();
}

void Connection::Open(const QString& file) {
  if (m_open)
    throw DataError(QCoreApplication::translate("Connection", "The connection is already open."));
  if (!QFileInfo::exists(file))
    throw DataError(QCoreApplication::translate("Connection", "%1: no such file").arg(file));
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_busyWaitMs));
    if (!db.open()) {
      const DataError error = ExplainError(db.lastError(), file);
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(m_name);
      throw error;
    }
  }
  m_file = file;
  m_open = true;
}

void Connection::OpenServer(const QString& uri) {
  if (m_open)
    throw DataError(QCoreApplication::translate("Connection", "The connection is already open."));
  const ServerAddress address = ParseServerUri(uri);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    QString failure;
    if (!db.isValid()) {
      failure = QCoreApplication::translate(
          "Connection",
          "Qt's PostgreSQL driver is not installed (Debian package libqt6sql6-psql).");
    } else {
      db.setHostName(address.host);
      db.setPort(address.port);
      db.setDatabaseName(address.database);
      db.setUserName(address.user);
      db.setConnectOptions(address.ConnectOptions().join(QLatin1Char(';')));
      if (!db.open()) failure = ServerText(db.lastError());
    }
    if (!failure.isEmpty()) {
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(m_name);
      // A server that does not answer, or is starting or shutting down, is away for a while;
      // one that answers and refuses (no such database or role, a password) is set up wrongly.
      const PGPing ping = PQping(uri.toUtf8().constData());
      throw DataError(QCoreApplication::translate("Connection", "The %1 cannot be used: %2")
                          .arg(address.Describe(), failure),
                      ping == PQPING_NO_RESPONSE || ping == PQPING_REJECT
                          ? DataError::Cause::Lost
                          : DataError::Cause::Unknown);
    }
  }
  m_serverName = address.Describe();
  m_server = true;
  m_open = true;
  try {
    StartSession();
  } catch (const DataError&) {
    Close();
    throw;
  }
}

void Connection::StartSession() const {
  // A save waits for another agent's save as long as a file waits for another program.
  QSqlQuery query(QSqlDatabase::database(m_name, false));
  if (!query.exec(QStringLiteral("set lock_timeout = %1; set client_min_messages = warning")
                      .arg(g_busyWaitMs)))
    Fail(query);
}

void Connection::Reconnect() const {
  m_prepared.clear();
  QSqlDatabase db = QSqlDatabase::database(m_name, false);
  db.close();
  if (!db.open()) {
    throw DataError(
        QCoreApplication::translate("Connection",
                                    "The %1 cannot be reached: %2. Nothing was stored; the next "
                                    "command tries again.")
            .arg(m_serverName, ServerText(db.lastError())),
        DataError::Cause::Lost);
  }
  m_broken = false;
  StartSession();
}

void Connection::Close() {
  if (!m_open) return;
  for (TransactionParticipant* participant : std::vector(m_participants))
    participant->ConnectionClosed();
  m_participants.clear();
  m_prepared.clear();
  ForgetTables();
  {
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (m_inTransaction && !m_broken) QSqlQuery(QStringLiteral("rollback"), db);
    db.close();
  }
  QSqlDatabase::removeDatabase(m_name);
  m_inTransaction = false;
  m_open = false;
  m_server = false;
  m_broken = false;
  m_file.clear();
  m_serverName.clear();
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
  if (!m_open)
    throw DataError(QCoreApplication::translate("Connection", "The connection is not open."));
  // A lost server connection is taken up again between commands, never inside a transaction:
  // the server already undid that one, and the caller rolls back.
  if (m_broken && !m_inTransaction) Reconnect();
}

void Connection::Run(QSqlQuery& query) {
  if (!query.exec()) Fail(query);
}

void Connection::Fail(const QSqlQuery& query) const {
  const DataError error = Explain(query.lastError());
  // Without a message from the database, say what failed, but not the statement's text: it
  // may hold what the agent typed.
  if (ErrorText(query.lastError()).isEmpty() && !error.Known())
    throw DataError(
        QCoreApplication::translate("Connection", "The database could not run a statement."));
  throw error;
}

DataError Connection::Explain(const QSqlError& error) const {
  using Cause = DataError::Cause;
  if (!m_server) return ExplainError(error, m_file);
  const QString text = ServerText(error);
  // Connection exceptions (08...) and a server shutting down (57P...) end the connection even
  // when libpq has not noticed yet.
  const QString code = error.nativeErrorCode();
  if (!m_broken && m_open) {
    m_broken = code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")) ||
               ConnectionLost(QSqlDatabase::database(m_name, false));
  }
  if (m_broken) {
    return DataError(
        QCoreApplication::translate("Connection",
                                    "The connection to the %1 was lost (%2). What this command was "
                                    "writing was not stored; the next command connects again.")
            .arg(m_serverName, text),
        Cause::Lost);
  }
  // Trouble on the server's side that passes: a lock or a conflict with another session, a
  // time limit of the server's, a read-only or full server.
  const auto known = [&](const char* sentence, Cause cause) {
    return DataError(QCoreApplication::translate("Connection", sentence).arg(m_serverName) +
                         QStringLiteral(" (") + text + u')' + u'.',
                     cause);
  };
  if (code == kLockNotAvailable || code == QLatin1String("40001") ||
      code == QLatin1String("40P01")) {
    return known(QT_TRANSLATE_NOOP(
                     "Connection",
                     "The %1 is busy with another agent's save; try again when it has finished"),
                 Cause::Busy);
  }
  if (code == QLatin1String("57014")) {
    return known(
        QT_TRANSLATE_NOOP(
            "Connection",
            "The %1 stopped the command: it took longer than the server allows; try again"),
        Cause::Busy);
  }
  if (code == QLatin1String("25006")) {
    return known(
        QT_TRANSLATE_NOOP("Connection", "The %1 takes no changes at the moment: it is read-only"),
        Cause::ReadOnly);
  }
  if (code == QLatin1String("53100")) {
    return known(
        QT_TRANSLATE_NOOP("Connection", "The %1 cannot store more: the server's disk is full"),
        Cause::Full);
  }
  if (code.startsWith(QLatin1String("53"))) {
    return known(
        QT_TRANSLATE_NOOP(
            "Connection",
            "The %1 has run out of room for this command (memory or connections); try again"),
        Cause::Full);
  }
  if (code.startsWith(QLatin1String("58")) || code.startsWith(QLatin1String("XX"))) {
    return known(QT_TRANSLATE_NOOP("Connection", "The %1 has trouble with its own files"),
                 Cause::Damaged);
  }
  return DataError(text);
}

QString Connection::QuoteName(const QString& name) const {
  // The server's tables were made with unquoted names, which it keeps in lower case.
  return Quoted(m_server ? name.toLower() : name);
}

QString Connection::RowKey(const QString& table) {
  if (!m_server) return QStringLiteral("rowid");
  const QStringList& columns = Columns(table);
  return !columns.isEmpty() &&
                 columns.first().compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0
             ? QStringLiteral("ID")
             : QStringLiteral("rowid");
}

QString Connection::AllColumns(const QString& table) {
  if (!m_server) return QStringLiteral("*");
  QStringList names;
  for (const QString& column : Columns(table))
    names << QuoteName(column) + QStringLiteral(" as ") + Quoted(column);
  return names.join(QLatin1Char(','));
}

const QHash<QString, QStringList>& Connection::ServerCatalog() {
  if (!m_catalogLoaded) {
    // Every table of the schema with its columns in one round trip: opening costs one query,
    // not one per table.
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "select c.relname, a.attname from pg_catalog.pg_class c join pg_catalog.pg_attribute a "
            "on a.attrelid = c.oid where c.relnamespace = current_schema()::regnamespace and "
            "c.relkind in ('r', 'p') and a.attnum > 0 and not a.attisdropped order by c.relname, "
            "a.attnum")))
      Fail(query);
    m_catalog.clear();
    while (query.next()) m_catalog[query.value(0).toString()] << query.value(1).toString();
    m_catalogLoaded = true;
  }
  return m_catalog;
}

void Connection::ForgetTables() {
  m_columns.clear();
  m_catalog.clear();
  m_catalogLoaded = false;
}

int Connection::Execute(const QString& sql, const QVariantList& bound) {
  Require();
  QSqlQuery query(Database());
  if (bound.isEmpty()) {
    // Run at once, not prepared: a server prepares only queries, not statements such as
    // "begin" or "set".
    if (!query.exec(StripNul(sql))) Fail(query);
    return query.numRowsAffected();
  }
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
  // Run once, so not prepared: one round trip to a server instead of three.
  if (!query.exec(StripNul(sql))) Fail(query);
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
    QStringList names;
    if (m_server) {
      names = ServerCatalog().value(table.toLower());
      names.removeAll(QStringLiteral("rowid"));
      // Spelt as the program's tables spell them: the server keeps them in lower case.
      for (const TableLayout& layout : Tables())
        if (layout.name == table.toLower())
          for (QString& name : names)
            for (const QString& column : layout.columns)
              if (column.compare(name, Qt::CaseInsensitive) == 0) name = column;
    } else {
      QSqlQuery query(Database());
      query.setForwardOnly(true);
      if (!query.exec(QStringLiteral("pragma table_info(%1)").arg(SqlQuote(table))))
        throw DataError(Explain(query.lastError()));
      while (query.next()) names << query.value(1).toString();
    }
    if (names.isEmpty())
      throw DataError(QCoreApplication::translate("Connection", "no such table: %1").arg(table));
    it = m_columns.insert(table.toLower(), names);
  }
  return *it;
}

void Connection::BeginTrans() {
  Require();
  if (m_inTransaction)
    throw DataError(QCoreApplication::translate("Connection", "A transaction is already running."));
  // Immediate: take the write lock now, so a file held by another program fails here, before
  // anything was changed. A server takes its writers' lock for the same effect.
  if (m_server) {
    Execute(QStringLiteral("begin"));
    try {
      Execute(QStringLiteral("select pg_advisory_xact_lock(%1)").arg(kWriterLock));
    } catch (const DataError&) {
      if (!m_broken) QSqlQuery(QStringLiteral("rollback"), Database());
      throw;
    }
  } else {
    Execute(QStringLiteral("begin immediate"));
  }
  m_inTransaction = true;
  for (TransactionParticipant* participant : m_participants) participant->TransactionBegun();
}

void Connection::CommitTrans() {
  Require();
  if (!m_inTransaction)
    throw DataError(QCoreApplication::translate("Connection", "No transaction is running."));
  Execute(QStringLiteral("commit"));
  m_inTransaction = false;
  for (TransactionParticipant* participant : m_participants) participant->TransactionCommitted();
}

void Connection::RollbackTrans() {
  Require();
  if (!m_inTransaction) return;
  m_inTransaction = false;
  // Statements still being stepped would keep the rollback from running.
  for (auto& query : m_prepared) query->finish();
  for (TransactionParticipant* participant : m_participants) participant->TransactionRolledBack();
  // A lost server connection took its transaction with it.
  if (m_broken) return;
  QSqlQuery query(Database());
  const bool ok = query.exec(QStringLiteral("rollback"));
  // SQLite rolls back by itself on some errors (a full disk, for one); then there is nothing
  // left to undo.
  if (!ok && !ErrorText(query.lastError()).contains(QLatin1String("no transaction is active")))
    throw DataError(Explain(query.lastError()));
}

void Connection::Enlist(TransactionParticipant* participant) {
  m_participants.push_back(participant);
}

void Connection::Withdraw(TransactionParticipant* participant) {
  m_participants.erase(std::remove(m_participants.begin(), m_participants.end(), participant),
                       m_participants.end());
}
