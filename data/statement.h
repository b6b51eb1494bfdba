#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include "data/dataerror.h"

class Connection;

// A value as UTF-8 bytes (the way SQLite keeps text), or Null (std::nullopt).
using Utf8Value = std::optional<QByteArray>;

// One statement run very many times (an import's inserts and look-ups): prepared once on the
// connection's database and run without the per-call costs of Qt SQL. Values are bound as UTF-8
// text or Null (NUL characters removed, the empty text kept apart from Null). Lives no longer than
// the connection it was made on.
class Statement {
 public:
  Statement(Connection& connection, const QString& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Runs the statement with these values; true when it gave a row. Throws DataError with the
  // database's message.
  bool Run(const QList<Utf8Value>& values);
  // The first column of the first row the last Run gave, as an integer (0 for Null or no row).
  qint64 Integer() const { return m_integer; }

 private:
  Connection& m_connection;
  void* m_statement = nullptr;
  QList<QByteArray> m_kept;
  qint64 m_integer = 0;
};
