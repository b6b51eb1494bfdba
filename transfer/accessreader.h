#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "data/dataerror.h"

class CodePage;

// An Access database file (.mdb of Jet 3 or Jet 4, .accdb), read only, through mdbtools'
// library. The only code that knows that library.
//
// Text of Jet 4 and later files is Unicode; Jet 3 files hold their text, table and column
// names in a Windows code page, given here. Values come as text the way mdb-export writes them
// (dates as "YYYY-MM-DD hh:mm:ss", binary data in hexadecimal digits, Yes/No as 1/0), Null as
// Null. A table is read row by row; nothing is held but the current row.
class AccessFile {
 public:
  // The room the library gets for one value as it hands it over.
  static constexpr int kBindSize = 256 * 1024;
  // Throws DataError when the file is missing, unreadable or no Access database. Tests give a
  // small bindSize (at least 64 bytes, which every number and date fits in).
  AccessFile(const QString& file, int codepage, int bindSize = kBindSize);
  ~AccessFile();
  AccessFile(const AccessFile&) = delete;
  AccessFile& operator=(const AccessFile&) = delete;

  // The names of the user tables (no system tables), in the file's order.
  QStringList Tables() const;
  bool IsJet3() const;

  class Table {
   public:
    ~Table();
    const QStringList& Columns() const { return m_columns; }
    qint64 RowCount() const;
    // The next row, one value per column; false after the last. Text and memo values come
    // whole, however long. Text the code page cannot decode, or a value too long to be held
    // (over 256 MB), throws DataError naming the table, the row (1-based) and the column.
    bool Next(QList<Value>& row);

   private:
    friend class AccessFile;
    Table() = default;
    AccessFile* m_file = nullptr;
    void* m_table = nullptr;
    QString m_name;
    QStringList m_columns;
    std::vector<QByteArray> m_bound;
    std::vector<int> m_lengths;
    qint64 m_row = 0;
  };
  // Opens a table by its exact name; throws DataError when there is none.
  std::unique_ptr<Table> Open(const QString& table);

 private:
  QString Text(const char* utf8, const QString& where);

  QString m_path;
  int m_bindSize;
  void* m_mdb = nullptr;
  std::unique_ptr<CodePage> m_codepage;
  QStringList m_tables;
  QList<QByteArray> m_rawTableNames;
};
