#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class Connection;

// The five tables, and the columns every one of them must have, in table order (the child tables
// begin with their automatic row number and CID).
struct TableLayout {
  QString name;
  QStringList columns;
};
const QList<TableLayout>& Tables();
// A child table's data columns (position 2 on), in table order.
QStringList DataColumns(const QString& table);

// Called again and again while OpenDatabase adds missing CID indexes to an older file, with a
// sentence saying what is being prepared, so that the caller can show it after a while.
using PrepareProgress = std::function<void(const QString& what)>;

// Runs statements that prepare a database file once (indexes an older file lacks) in one
// transaction, after one short attempt at the write lock, calling `progress` with `what` now and
// then while SQLite works. Throws DataError when the file is locked, cannot be written or the
// work fails; nothing of it is then stored.
void BuildOnce(Connection& connection, const QStringList& statements, const QString& what,
               const PrepareProgress& progress);

// Opens the database file for the program:
// - no file, or a database without any table: creates the five tables and their indexes (a new
//   file is made readable by its owner only: it holds personal data);
// - all five tables with their columns: uses them, adding the missing indexes on CID in one
//   transaction, after one short attempt at the write lock;
// - anything else: throws DataError with a message naming the file and the cause, leaving the
//   file exactly as it was.
// A file that is locked by another program or cannot be written opens at once without the
// missing indexes; the result then says why browsing will be slow and how to fix it. Otherwise
// the result is empty.
QString OpenDatabase(Connection& connection, const QString& file,
                     const PrepareProgress& progress = {});
// The same for a database file, also while QEL_DATABASE names a server (an import's scratch
// file).
QString OpenDatabaseFile(Connection& connection, const QString& file,
                         const PrepareProgress& progress = {});
