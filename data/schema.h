#pragma once

#include <QString>
#include <QStringList>

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

// Opens the database file for the program:
// - no file, or a database without any table: creates the five tables and their indexes (a new
//   file is made readable by its owner only: it holds personal data);
// - all five tables with their columns: uses them, adding only a missing index on CID where
//   the file can be written;
// - anything else: throws DataError with a message naming the file and the cause, leaving the
//   file exactly as it was.
void OpenDatabase(Connection& connection, const QString& file);
