#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "data/dataerror.h"

class Connection;

// Reads the rows of a select statement one at a time, for reading whole tables in bulk (the
// export): nothing is kept but the current row, and each value is handed over as the database's
// own UTF-8 bytes, without a conversion per value. Every failure throws DataError.
class RowStream {
 public:
  RowStream(Connection& connection, const QString& sql);
  ~RowStream();
  RowStream(const RowStream&) = delete;
  RowStream& operator=(const RowStream&) = delete;

  const QStringList& ColumnNames() const { return m_names; }
  // Steps to the next row; false after the last.
  bool Next();

  // A value of the current row: `null` for Null, else UTF-8 text of `size` bytes.
  struct Cell {
    const char* data = nullptr;
    int size = 0;
    bool null = true;
    QString Text() const { return null ? QString() : QString::fromUtf8(data, size); }
  };
  Cell Value(int column) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
  QStringList m_names;
};

// Appends every row of `rows` to a table of the server database `server` with PostgreSQL's COPY
// (the fastest way in), the values in the order of `columns`. Runs inside the caller's
// transaction; a failure throws DataError, explained as every other server statement, and
// leaves the copy ended.
void CopyToServer(RowStream& rows, Connection& server, const QString& table,
                  const QStringList& columns);
