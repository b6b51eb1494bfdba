#pragma once

#include <QString>

#include "data/connection.h"

// One transaction on a connection: begun by the constructor, stored by Commit(), and rolled back
// by the destructor when it was not committed, whether the scope ends by an error (a failed
// statement, a failed commit) or by a return. The rollback also puts the connection's record
// sets back where they were at the beginning.
//
//   Transaction transaction(connection);
//   connection.Execute(...);
//   transaction.Commit();
//
// A destructor cannot throw: should the rollback itself fail, its reason is kept in
// `rollbackFailure` when one is given, for the caller to report, and otherwise dropped (SQLite
// undoes an unfinished transaction when the file is next opened; a server, when the session
// ends).
class Transaction {
 public:
  explicit Transaction(Connection& connection, QString* rollbackFailure = nullptr)
      : m_connection(connection), m_rollbackFailure(rollbackFailure) {
    connection.BeginTrans();
  }
  ~Transaction() {
    if (!m_active) return;
    try {
      m_connection.RollbackTrans();
    } catch (const DataError& error) {
      if (m_rollbackFailure) *m_rollbackFailure = error.message();
    }
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Stores what was written. A commit that fails throws and leaves the transaction to the
  // destructor's rollback.
  void Commit() {
    m_connection.CommitTrans();
    m_active = false;
  }

 private:
  Connection& m_connection;
  QString* m_rollbackFailure;
  bool m_active = true;
};
