#include "bench/pgserver.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cstring>
#include <stdexcept>
#include <string>

#include "bench/floors.h"
#include "data/schema.h"

namespace {

// The lock the program's writers take first in every transaction on a server.
constexpr const char* kWriterLock = "select pg_advisory_xact_lock(5326156)";  // 0x51454c

const char* const kListTables[4] = {"family", "insurance", "compensate", "contact"};

[[noreturn]] void Throw(const QString& what) {
  throw std::runtime_error(what.toStdString());
}

QString ServerMessage(PGconn* conn) {
  return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

// A result that must be `expected`; else it is freed and its message thrown.
PGresult* Expect(PGconn* conn, PGresult* result, ExecStatusType expected, const QString& what) {
  if (PQresultStatus(result) != expected) {
    const QString message =
        result ? QString::fromUtf8(PQresultErrorMessage(result)).trimmed() : ServerMessage(conn);
    PQclear(result);
    Throw(what + QStringLiteral(": ") + message);
  }
  return result;
}

// The select list of every column of a table, in table order.
QString ColumnList(const char* table) {
  for (const TableLayout& layout : Tables())
    if (layout.name == QLatin1String(table)) return layout.columns.join(QLatin1Char(','));
  Throw(QStringLiteral("unknown table %1").arg(QLatin1String(table)));
}

// ---------------------------------------------------------------------------------------------
// The throwaway cluster. Its stop runs from a signal handler too, so what it needs is kept in
// plain buffers, and it uses only fork, execv and waitpid.

char g_clusterScript[4096];
char g_clusterDir[4096];
volatile sig_atomic_t g_clusterRunning = 0;

void RunClusterStop() {
  const pid_t child = fork();
  if (child == 0) {
    char bash[] = "/bin/bash";
    char stop[] = "stop";
    char* argv[] = {bash, g_clusterScript, stop, g_clusterDir, nullptr};
    execv(bash, argv);
    _exit(127);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

void StopOnSignal(int signal) {
  if (g_clusterRunning) RunClusterStop();
  _exit(128 + signal);
}

void CopyInto(char* buffer, std::size_t size, const QString& text) {
  const QByteArray bytes = QFile::encodeName(text);
  if (std::size_t(bytes.size()) >= size) Throw(QStringLiteral("path too long: %1").arg(text));
  std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()) + 1);
}

// Appends a value in COPY's text format.
void AppendCopyValue(QByteArray& line, const unsigned char* text, int length) {
  if (!text) {
    line.append("\\N");
    return;
  }
  for (int i = 0; i < length; ++i) {
    switch (text[i]) {
      case '\\':
        line.append("\\\\");
        break;
      case '\t':
        line.append("\\t");
        break;
      case '\n':
        line.append("\\n");
        break;
      case '\r':
        line.append("\\r");
        break;
      default:
        line.append(char(text[i]));
    }
  }
}

}  // namespace

QString StartCluster(const QString& dir) {
  CopyInto(g_clusterScript, sizeof g_clusterScript, QStringLiteral(QEL_PGCLUSTER));
  CopyInto(g_clusterDir, sizeof g_clusterDir, dir);
  struct sigaction action {};
  action.sa_handler = StopOnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  g_clusterRunning = 1;
  QProcess start;
  start.setProcessChannelMode(QProcess::ForwardedChannels);
  start.start(QStringLiteral("/bin/bash"),
              {QStringLiteral(QEL_PGCLUSTER), QStringLiteral("start"), dir});
  if (!start.waitForFinished(-1) || start.exitStatus() != QProcess::NormalExit ||
      start.exitCode() != 0) {
    StopCluster();
    Throw(QStringLiteral("the throwaway PostgreSQL cluster did not start (%1)")
              .arg(QStringLiteral(QEL_PGCLUSTER)));
  }
  return dir;
}

void StopCluster() {
  if (!g_clusterRunning) return;
  RunClusterStop();
  g_clusterRunning = 0;
}

// ---------------------------------------------------------------------------------------------

PgLink::PgLink(const QString& conninfo) : m_conn(PQconnectdb(conninfo.toUtf8().constData())) {
  if (PQstatus(m_conn) != CONNECTION_OK) {
    const QString message = ServerMessage(m_conn);
    PQfinish(m_conn);
    Throw(QStringLiteral("cannot connect to %1: %2").arg(conninfo, message));
  }
}

PgLink::~PgLink() {
  PQfinish(m_conn);
}

void PgLink::Exec(const QString& sql) {
  PGresult* result = PQexec(m_conn, sql.toUtf8().constData());
  const ExecStatusType status = PQresultStatus(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    Expect(m_conn, result, PGRES_COMMAND_OK, sql);
  PQclear(result);
}

QString PgLink::Text(const QString& sql) {
  PGresult* result = Expect(m_conn, PQexec(m_conn, sql.toUtf8().constData()), PGRES_TUPLES_OK, sql);
  const QString text = PQntuples(result) > 0 ? QString::fromUtf8(PQgetvalue(result, 0, 0)) : "";
  PQclear(result);
  return text;
}

qint64 PgLink::Number(const QString& sql) {
  bool ok = false;
  const qint64 value = Text(sql).toLongLong(&ok);
  if (!ok) Throw(QStringLiteral("not a number: %1").arg(sql));
  return value;
}

int PgLink::Rows(const QString& sql) {
  PGresult* result = Expect(m_conn, PQexec(m_conn, sql.toUtf8().constData()), PGRES_TUPLES_OK, sql);
  const int rows = PQntuples(result);
  PQclear(result);
  return rows;
}

// ---------------------------------------------------------------------------------------------

ServerFloor::ServerFloor(const QString& conninfo) : m_link(conninfo) {
  PGconn* conn = m_link.Handle();
  auto prepare = [&](const QString& name, const QString& sql, int params) {
    PQclear(Expect(
        conn, PQprepare(conn, name.toUtf8().constData(), sql.toUtf8().constData(), params, nullptr),
        PGRES_COMMAND_OK, sql));
  };
  const QString customer =
      QStringLiteral("select rowid,%1 from customer ").arg(ColumnList("customer"));
  prepare(QStringLiteral("next"),
          customer + QStringLiteral("where rowid>$1 order by rowid limit 1"), 1);
  prepare(QStringLiteral("first"), customer + QStringLiteral("order by rowid limit 1"), 0);
  prepare(QStringLiteral("last"), customer + QStringLiteral("order by rowid desc limit 1"), 0);
  prepare(QStringLiteral("key"), QStringLiteral("select CID from customer where rowid=$1"), 1);
  prepare(QStringLiteral("lock"), QLatin1String(kWriterLock), 0);
  QStringList sets;
  const QStringList& saved = SaveColumns();
  for (int i = 0; i < saved.size(); ++i) sets << QStringLiteral("%1=$%2").arg(saved[i]).arg(i + 1);
  prepare(QStringLiteral("update"),
          QStringLiteral("update customer set %1 where rowid=$%2")
              .arg(sets.join(QLatin1Char(',')))
              .arg(saved.size() + 1),
          int(saved.size()) + 1);
  prepare(QStringLiteral("row"), customer + QStringLiteral("where rowid=$1"), 1);
  for (int i = 0; i < 4; ++i) {
    const QString table = QLatin1String(kListTables[i]);
    prepare(QStringLiteral("list%1").arg(i),
            QStringLiteral("select %1 from %2 where CID=$1 order by ID")
                .arg(ColumnList(kListTables[i]), table),
            1);
    prepare(QStringLiteral("delete%1").arg(i),
            QStringLiteral("delete from %1 where CID=$1").arg(table), 1);
    const QStringList columns = QStringList{QStringLiteral("CID")} + DataColumns(table);
    QStringList marks;
    for (int c = 0; c < columns.size(); ++c) marks << QStringLiteral("$%1").arg(c + 1);
    prepare(QStringLiteral("insert%1").arg(i),
            QStringLiteral("insert into %1 (%2) values (%3)")
                .arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            int(columns.size()));
  }
}

PGresult* ServerFloor::Run(const char* statement, const QVector<PgValue>& values) {
  QVector<const char*> params;
  for (const PgValue& value : values) params << (value ? value->constData() : nullptr);
  PGconn* conn = m_link.Handle();
  PGresult* result =
      PQexecPrepared(conn, statement, int(params.size()), params.constData(), nullptr, nullptr, 0);
  const ExecStatusType status = PQresultStatus(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    Expect(conn, result, PGRES_TUPLES_OK, QLatin1String(statement));
  return result;
}

qint64 ServerFloor::Show(const char* statement, const PgValue& bound) {
  PGresult* customer = Run(statement, bound ? QVector<PgValue>{bound} : QVector<PgValue>{});
  if (PQntuples(customer) == 0) {
    PQclear(customer);
    return -1;
  }
  // Every value as text, as a display needs it.
  for (int c = 1; c < PQnfields(customer); ++c)
    (void)QString::fromUtf8(PQgetvalue(customer, 0, c), PQgetlength(customer, 0, c));
  const qint64 rowid = QByteArray(PQgetvalue(customer, 0, 0)).toLongLong();
  const QByteArray key(PQgetvalue(customer, 0, PQfnumber(customer, "cid")));
  PQclear(customer);
  for (int i = 0; i < 4; ++i) {
    PGresult* list = Run(QStringLiteral("list%1").arg(i).toLatin1().constData(), {key});
    for (int r = 0; r < PQntuples(list); ++r)
      for (int c = 0; c < PQnfields(list); ++c)
        (void)QString::fromUtf8(PQgetvalue(list, r, c), PQgetlength(list, r, c));
    PQclear(list);
  }
  return rowid;
}

qint64 ServerFloor::Next(qint64 rowid) {
  return Show("next", QByteArray::number(rowid));
}

qint64 ServerFloor::First() {
  return Show("first", std::nullopt);
}

qint64 ServerFloor::Last() {
  return Show("last", std::nullopt);
}

QString ServerFloor::Key(qint64 rowid) {
  PGresult* result = Run("key", {QByteArray::number(rowid)});
  if (PQntuples(result) == 0) {
    PQclear(result);
    Throw(QStringLiteral("no customer row %1").arg(rowid));
  }
  const QString key = QString::fromUtf8(PQgetvalue(result, 0, 0));
  PQclear(result);
  return key;
}

int ServerFloor::ListRows(const QString& key) {
  int rows = 0;
  for (int i = 0; i < 4; ++i) {
    PGresult* list = Run(QStringLiteral("list%1").arg(i).toLatin1().constData(), {key.toUtf8()});
    rows += PQntuples(list);
    PQclear(list);
  }
  return rows;
}

ServerFloor::Save ServerFloor::ReadForSave(qint64 rowid) {
  Save save;
  save.rowid = rowid;
  PGresult* row = Run("row", {QByteArray::number(rowid)});
  if (PQntuples(row) == 0) {
    PQclear(row);
    Throw(QStringLiteral("no customer row %1").arg(rowid));
  }
  auto value = [](PGresult* result, int r, int c) -> PgValue {
    if (PQgetisnull(result, r, c)) return std::nullopt;
    return QByteArray(PQgetvalue(result, r, c), PQgetlength(result, r, c));
  };
  save.key = PQgetvalue(row, 0, PQfnumber(row, "cid"));
  for (const QString& column : SaveColumns())
    save.values << value(row, 0, PQfnumber(row, column.toLower().toUtf8().constData()));
  PQclear(row);
  save.lists.resize(4);
  for (int i = 0; i < 4; ++i) {
    PGresult* list = Run(QStringLiteral("list%1").arg(i).toLatin1().constData(), {save.key});
    for (int r = 0; r < PQntuples(list); ++r) {
      QVector<PgValue> cells;
      for (int c = 2; c < PQnfields(list); ++c) cells << value(list, r, c);  // after ID, CID
      save.lists[i] << cells;
    }
    PQclear(list);
  }
  return save;
}

void ServerFloor::ModifySave(const Save& save) {
  m_link.Exec(QStringLiteral("begin"));
  PQclear(Run("lock", {}));
  for (int i = 0; i < 4; ++i)
    PQclear(Run(QStringLiteral("delete%1").arg(i).toLatin1().constData(), {save.key}));
  PQclear(Run("update", save.values + QVector<PgValue>{QByteArray::number(save.rowid)}));
  for (int i = 0; i < 4; ++i) {
    const QByteArray insert = QStringLiteral("insert%1").arg(i).toLatin1();
    for (const QVector<PgValue>& cells : save.lists[i])
      PQclear(Run(insert.constData(), QVector<PgValue>{save.key} + cells));
  }
  m_link.Exec(QStringLiteral("commit"));
}

// ---------------------------------------------------------------------------------------------

void CopyToServer(const QString& file, const QString& conninfo) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK) {
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    Throw(QStringLiteral("%1: %2").arg(file, message));
  }
  PgLink link(conninfo);
  PGconn* conn = link.Handle();
  try {
    link.Exec(QStringLiteral("begin"));
    for (const TableLayout& table : Tables()) {
      QStringList columns = table.columns;
      if (columns.first() == QLatin1String("ID")) columns.removeFirst();  // the server numbers
      const QString list = columns.join(QLatin1Char(','));
      sqlite3_stmt* read = nullptr;
      const QByteArray select =
          QStringLiteral("select %1 from %2 order by rowid").arg(list, table.name).toUtf8();
      if (sqlite3_prepare_v2(db, select.constData(), -1, &read, nullptr) != SQLITE_OK)
        Throw(QString::fromUtf8(sqlite3_errmsg(db)));
      PQclear(Expect(
          conn,
          PQexec(
              conn,
              QStringLiteral("copy %1 (%2) from stdin").arg(table.name, list).toUtf8().constData()),
          PGRES_COPY_IN, QStringLiteral("copy %1").arg(table.name)));
      QByteArray buffer;
      buffer.reserve(1 << 20);
      auto flush = [&] {
        if (PQputCopyData(conn, buffer.constData(), int(buffer.size())) != 1)
          Throw(ServerMessage(conn));
        buffer.clear();
      };
      int step;
      while ((step = sqlite3_step(read)) == SQLITE_ROW) {
        for (int c = 0; c < int(columns.size()); ++c) {
          if (c > 0) buffer.append('\t');
          AppendCopyValue(buffer, sqlite3_column_text(read, c), sqlite3_column_bytes(read, c));
        }
        buffer.append('\n');
        if (buffer.size() >= (1 << 20)) flush();
      }
      sqlite3_finalize(read);
      if (step != SQLITE_DONE) Throw(QString::fromUtf8(sqlite3_errmsg(db)));
      flush();
      if (PQputCopyEnd(conn, nullptr) != 1) Throw(ServerMessage(conn));
      PQclear(Expect(conn, PQgetResult(conn), PGRES_COMMAND_OK,
                     QStringLiteral("copy %1").arg(table.name)));
      while (PGresult* rest = PQgetResult(conn)) PQclear(rest);
    }
    link.Exec(QStringLiteral("commit"));
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
  link.Exec(QStringLiteral("vacuum analyze"));
}

QVector<double> PsqlTimes(const QString& conninfo, const QString& statement, int times) {
  QStringList arguments{QStringLiteral("-X"), QStringLiteral("-q"),
                        QStringLiteral("-A"), QStringLiteral("-t"),
                        QStringLiteral("-o"), QStringLiteral("/dev/null"),
                        QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                        QStringLiteral("-d"), conninfo,
                        QStringLiteral("-c"), QStringLiteral("\\timing on")};
  for (int i = 0; i < times; ++i) arguments << QStringLiteral("-c") << statement;
  QProcess psql;
  psql.start(QStringLiteral("psql"), arguments);
  if (!psql.waitForFinished(-1) || psql.exitStatus() != QProcess::NormalExit ||
      psql.exitCode() != 0)
    Throw(QStringLiteral("psql failed: %1").arg(QString::fromUtf8(psql.readAllStandardError())));
  // "Time: 14.641 ms", or "Time: 1234.567 ms (00:01.235)" from a second on.
  static const QRegularExpression time(QStringLiteral("^Time: ([0-9.]+) ms"),
                                       QRegularExpression::MultilineOption);
  QVector<double> ms;
  auto matches = time.globalMatch(QString::fromUtf8(psql.readAllStandardOutput()));
  while (matches.hasNext()) ms << matches.next().captured(1).toDouble();
  if (ms.size() != times)
    Throw(QStringLiteral("psql printed %1 times for %2 runs").arg(ms.size()).arg(times));
  return ms;
}
