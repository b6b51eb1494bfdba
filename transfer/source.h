#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "data/dataerror.h"
#include "data/statement.h"

// One table of an import source, read row by row.
class SourceTable {
 public:
  virtual ~SourceTable() = default;
  // The column names as the source spells them.
  virtual const QStringList& Columns() const = 0;
  // The number of rows, for progress; -1 when unknown.
  virtual qint64 Total() const = 0;
  // The next row, one value per column (UTF-8); false after the last. Throws DataError naming
  // the place of anything unreadable.
  virtual bool Next(QList<Utf8Value>& row) = 0;
};

// Where imported customers come from: an Access file, a folder of CSV files or a qel.db.
class ImportSource {
 public:
  virtual ~ImportSource() = default;
  // The table of this name (matched without regard to case), or nullptr when there is none.
  virtual std::unique_ptr<SourceTable> Open(const QString& table) = 0;
};

// A folder of CSV files (customer.csv, family.csv, ...), an Access file (.mdb, .accdb) or an
// SQLite file such as a qel.db (known by its first bytes, whatever its name), with
// the code page of Jet 3 text and that of CSV files without a UTF-8 byte-order mark (0: UTF-8).
// Throws DataError when the path is neither or cannot be read.
std::unique_ptr<ImportSource> OpenImportSource(const QString& path, int codepage,
                                               int csvCodepage = 0);
