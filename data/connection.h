#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <memory>
#include <vector>

#include "data/dataerror.h"

class QSqlError;
struct sqlite3;
class QSqlQuery;

// How long a statement waits for another program's (or agent's) lock before it fails: 3 s. It
// applies to connections opened afterwards; tests shorten it.
void SetBusyWait(int milliseconds);
int BusyWait();

// What takes part in a connection's transactions (a record set): it keeps its place when a
// transaction begins and goes back to it when the transaction rolls back. A participant enlists
// with the connection it reads through and withdraws before it goes away.
class TransactionParticipant {
 public:
  // A transaction begins: keep what a rollback must restore.
  virtual void TransactionBegun() = 0;
  // The transaction was committed: what was kept is no longer needed.
  virtual void TransactionCommitted() = 0;
  // The transaction was rolled back: back to where it was at its beginning, without pending new
  // rows or unsaved edits.
  virtual void TransactionRolledBack() = 0;
  // The connection closes: the participant is no longer open on it (and is withdrawn).
  virtual void ConnectionClosed() = 0;

 protected:
  ~TransactionParticipant() = default;
};

// One open database: an SQLite file, or a shared database on a PostgreSQL server. Statements run
// through it; record sets read and write through it. Closing a closed connection does nothing.
// Every failure throws DataError. A server connection that was lost fails the command that met
// the loss and connects again on the next one.
class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens an existing file (it is never created here; see OpenDatabase for that).
  void Open(const QString& file);
  // Opens the shared database a PostgreSQL connection URI names (see data/server.h).
  void OpenServer(const QString& uri);
  void Close();
  bool IsOpen() const;
  // Whether this is a shared database on a server rather than a file.
  bool IsServer() const { return m_server; }
  // "database "agency" on server db.example", for messages (empty for a file).
  const QString& ServerName() const { return m_serverName; }

  // The column that numbers a table's rows, in the order they were added: SQLite's rowid; on a
  // server, the identity column (ID in the list tables, rowid in the customer table).
  QString RowKey(const QString& table);
  // A column name as a quoted identifier of this database.
  QString QuoteName(const QString& name) const;
  // The select list of every column of a table, in table order, without the row number.
  QString AllColumns(const QString& table);

  // Runs a query and hands the first column of each row, as text (Null as empty), to `take`:
  // nothing is kept here, however many rows there are.
  void ForEachText(const QString& sql, const std::function<void(QStringView)>& take);

  // Runs a statement that returns no rows; gives the number of rows it changed.
  int Execute(const QString& sql, const QVariantList& bound = {});

  // Transactions (see data/transaction.h, which pairs them). A failed commit leaves the
  // transaction running, for the caller to roll back. A rollback puts every participant back
  // where it was at BeginTrans.
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const { return m_inTransaction; }
  // Record sets take part in the transactions while they are open on this connection.
  void Enlist(TransactionParticipant* participant);
  void Withdraw(TransactionParticipant* participant);

  // The column names of a table, in table order (cached per connection); a server table's own
  // row number column "rowid" is left out, as SQLite's is.
  const QStringList& Columns(const QString& table);
  // A server database's tables (lower case) with all their columns (the row number's too),
  // read in one query and kept until ForgetTables.
  const QHash<QString, QStringList>& ServerCatalog();
  // Drops what is known of the tables, after they were created or changed.
  void ForgetTables();
  // A prepared statement kept for reuse while the connection is open.
  QSqlQuery& Prepared(const QString& sql);
  // Runs a prepared query; throws with the database's message when it fails.
  void Run(QSqlQuery& query);
  // A database error as DataError with the database's text; trouble with the file or the server
  // (locked, read-only, disk full, damaged, lost) is explained in a sentence that names the file
  // or server, and carries its cause.
  DataError Explain(const QSqlError& error) const;
  QSqlDatabase Database() const;
  // SQLite's own handle of the open file, for the few jobs Qt SQL has no call for (bulk
  // statements, progress of a long statement); null when the driver is not SQLite's.
  sqlite3* SqliteHandle() const;

 private:
  void Require() const;
  [[noreturn]] void Fail(const QSqlQuery& query) const;
  void Reconnect() const;
  void StartSession() const;

  QString m_name;
  QString m_file;
  QString m_serverName;
  bool m_open = false;
  bool m_server = false;
  bool m_inTransaction = false;
  // The server connection was lost: the next command connects again.
  mutable bool m_broken = false;
  QHash<QString, QStringList> m_columns;
  // A server's tables (lower case) with all their columns, read once.
  QHash<QString, QStringList> m_catalog;
  bool m_catalogLoaded = false;
  mutable QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared;
  std::vector<TransactionParticipant*> m_participants;
};
