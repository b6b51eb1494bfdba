#pragma once

#include <libpq-fe.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// The server side of the benchmark: a throwaway PostgreSQL cluster, the copy of the generated
// file into a server database, and the floors there: raw libpq with prepared statements, and
// the search statement timed by psql.

// Starts a throwaway cluster (tests/support/pgcluster) in `dir`, which must not exist: a server
// listening only on a Unix socket in `dir`, role "qel", trusted. Until StopCluster it is stopped
// and removed also when the benchmark fails or is interrupted. Gives the folder of its socket.
QString StartCluster(const QString& dir);
// Stops and removes the cluster StartCluster made, if any.
void StopCluster();

// One libpq connection. Every failure throws std::runtime_error with the server's message.
class PgLink {
 public:
  explicit PgLink(const QString& conninfo);
  ~PgLink();
  PgLink(const PgLink&) = delete;
  PgLink& operator=(const PgLink&) = delete;

  // Runs a statement, with no parameters.
  void Exec(const QString& sql);
  // The first value of the first row of a query, as a number.
  qint64 Number(const QString& sql);
  // The first value of the first row of a query, as text.
  QString Text(const QString& sql);
  // The number of rows a query gives.
  int Rows(const QString& sql);
  PGconn* Handle() const { return m_conn; }

 private:
  PGconn* m_conn = nullptr;
};

// A text value of a row; nullopt is the database's Null.
using PgValue = std::optional<QByteArray>;

// The floors on the server: the least SQL with the same effect as each command, prepared once
// and run through libpq, with every value read as text.
class ServerFloor {
 public:
  explicit ServerFloor(const QString& conninfo);

  // The customer row after `rowid`, the first or the last one, read with its four lists
  // (every column). Each gives the row number shown, -1 for none.
  qint64 Next(qint64 rowid);
  qint64 First();
  qint64 Last();
  // The key of a customer row.
  QString Key(qint64 rowid);
  // The list rows of a key, in the four lists together.
  int ListRows(const QString& key);

  // What a modify + save of this customer writes: the values it holds, read beforehand (the
  // window has them on screen).
  struct Save {
    qint64 rowid = -1;
    QByteArray key;
    QVector<PgValue> values;                   // the customer columns the save writes
    QVector<QVector<QVector<PgValue>>> lists;  // per list, its rows' data columns
  };
  Save ReadForSave(qint64 rowid);
  // The writes of that save in one transaction, shaped as the program's: the writers' lock
  // first, the lists deleted, the row updated, the lists written anew.
  void ModifySave(const Save& save);

 private:
  qint64 Show(const char* statement, const PgValue& bound);
  PGresult* Run(const char* statement, const QVector<PgValue>& values);

  PgLink m_link;
};

// Copies the five tables of the SQLite file `file` into the empty tables of the server
// database: rows in the file's order, so the server's row numbers follow it, through COPY;
// then "vacuum analyze", as the server's autovacuum would do after such a load.
void CopyToServer(const QString& file, const QString& conninfo);

// Runs `statement` `times` times in one psql session with "\timing on" (rows sent to
// /dev/null) and gives psql's "Time:" of each run, in ms: the statement sent, run and every row
// received by psql, without the start of psql and its connection.
QVector<double> PsqlTimes(const QString& conninfo, const QString& statement, int times);
