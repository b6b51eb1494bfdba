#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "data/dataerror.h"

struct ImportOptions {
  // The Windows code page of text in Jet 3 files (later formats hold Unicode).
  int codepage = 950;
  // The code page of CSV files without a UTF-8 byte-order mark; 0: they are UTF-8.
  int csvCodepage = 0;
  // Called while a table is read: rows done so far, and the table's row count as far as it is
  // known beforehand (a CSV file's is counted quickly); the last call of a table gives done ==
  // total.
  std::function<void(const QString& table, qint64 done, qint64 total)> progress;
};

struct ImportSummary {
  struct TableCount {
    QString table;
    qint64 imported = 0;
  };
  // Rows stored, per table, in the order customer, family, insurance, compensate, contact.
  QList<TableCount> imported;
  // Customers stored under a new key: (key in the source, key given).
  QList<QPair<QString, QString>> renamed;
  // Customers (with their list rows) that the database already held exactly so.
  qint64 alreadyPresent = 0;
  // List rows whose CID names no customer; stored as they are.
  qint64 orphans = 0;
  // List rows of no source customer that the database already held exactly so.
  qint64 listRowsPresent = 0;
  // Source columns the program does not know, as "table.column".
  QStringList ignoredColumns;
  // List tables the source lacks.
  QStringList missingTables;

  qint64 Imported(const QString& table) const;
  qint64 ListRows() const;
  // Rows that needed attention: renamed customers and orphan list rows.
  qint64 Attention() const { return renamed.size() + orphans; }
  // A few lines for the terminal or a message box.
  QString Text() const;
};

// Imports an Access file (.mdb/.accdb), a folder of CSV files or a qel.db into the database file
// (created if missing, removed again if created and the import fails), or, when QEL_DATABASE
// names one, into the shared database in one transaction under the writers' lock. All or
// nothing. Throws DataError.
ImportSummary ImportInto(const QString& databaseFile, const QString& source,
                         const ImportOptions& options = {});

// The command-line job: imports source into the database file, showing progress and the summary
// on standard error. A code page given applies to Jet 3 text and to CSV files without a UTF-8
// byte-order mark. Gives the exit status (0 done, 1 failed with a one-line reason).
int ImportCommand(const QString& databaseFile, const QString& source, std::optional<int> codepage);
