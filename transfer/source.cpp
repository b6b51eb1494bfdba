#include "transfer/source.h"

#include <sqlite3.h>
#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/connection.h"

#include "transfer/accessreader.h"
#include "transfer/csvreader.h"

namespace {

class CsvTable : public SourceTable {
 public:
  CsvTable(const QString& file, int codepage)
      : m_reader(file, codepage), m_total(CsvReader::CountRecords(file)) {
    QList<Utf8Value> header;
    if (!m_reader.Next(header))
      throw DataError(
          QCoreApplication::translate("Transfer", "%1 has no header row of column names.")
              .arg(file));
    for (const Utf8Value& name : header) m_columns << QString::fromUtf8(name.value_or(""));
    if (m_total > 0) --m_total;
  }
  const QStringList& Columns() const override { return m_columns; }
  qint64 Total() const override { return m_total; }
  bool Next(QList<Utf8Value>& row) override {
    if (!m_reader.Next(row)) return false;
    // A value without a column name would be lost without a word.
    if (row.size() > m_columns.size())
      throw DataError(
          QCoreApplication::translate("Transfer",
                                      "%1, line %2: %3 values, but the header names only %4 "
                                      "columns.")
              .arg(m_reader.FileName())
              .arg(m_reader.Line())
              .arg(row.size())
              .arg(m_columns.size()));
    if (row.size() < m_columns.size()) row.resize(m_columns.size());  // the rest Null
    return true;
  }

 private:
  CsvReader m_reader;
  qint64 m_total;
  QStringList m_columns;
};

class CsvFolder : public ImportSource {
 public:
  CsvFolder(const QString& folder, int codepage) : m_folder(folder), m_codepage(codepage) {}
  std::unique_ptr<SourceTable> Open(const QString& table) override {
    const QString wanted = table + QStringLiteral(".csv");
    for (const QFileInfo& file : QDir(m_folder).entryInfoList(QDir::Files)) {
      if (file.fileName().compare(wanted, Qt::CaseInsensitive) == 0)
        return std::make_unique<CsvTable>(file.filePath(), m_codepage);
    }
    return nullptr;
  }

 private:
  QString m_folder;
  int m_codepage;
};

class AccessTable : public SourceTable {
 public:
  explicit AccessTable(std::unique_ptr<AccessFile::Table> table) : m_table(std::move(table)) {}
  const QStringList& Columns() const override { return m_table->Columns(); }
  qint64 Total() const override { return m_table->RowCount(); }
  bool Next(QList<Utf8Value>& row) override {
    if (!m_table->Next(m_row)) return false;
    row.clear();
    for (const Value& value : m_row) row.append(value ? Utf8Value(value->toUtf8()) : Utf8Value());
    return true;
  }

 private:
  std::unique_ptr<AccessFile::Table> m_table;
  QList<Value> m_row;
};

class AccessSource : public ImportSource {
 public:
  AccessSource(const QString& file, int codepage) : m_file(file, codepage) {}
  std::unique_ptr<SourceTable> Open(const QString& table) override {
    for (const QString& name : m_file.Tables()) {
      if (name.compare(table, Qt::CaseInsensitive) == 0)
        return std::make_unique<AccessTable>(m_file.Open(name));
    }
    return nullptr;
  }

 private:
  AccessFile m_file;
};

// A qel.db of this program (or any SQLite file with these tables), opened read-only; the five
// tables are read in one read transaction, so that they show one moment even while a program
// writes the file.
class SqliteSource : public ImportSource {
 public:
  explicit SqliteSource(const QString& file) : m_file(file) {
    const int rc =
        sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) Fail();
    sqlite3_busy_timeout(m_db, BusyWait());
    if (sqlite3_exec(m_db, "begin", nullptr, nullptr, nullptr) != SQLITE_OK) Fail();
    sqlite3_stmt* names = Prepare("select name from sqlite_master where type = 'table'");
    int step;
    while ((step = sqlite3_step(names)) == SQLITE_ROW)
      m_tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(names, 0)));
    sqlite3_finalize(names);
    if (step != SQLITE_DONE) Fail();
  }
  ~SqliteSource() override { sqlite3_close_v2(m_db); }
  SqliteSource(const SqliteSource&) = delete;
  SqliteSource& operator=(const SqliteSource&) = delete;

  std::unique_ptr<SourceTable> Open(const QString& table) override {
    for (const QString& name : m_tables) {
      if (name.compare(table, Qt::CaseInsensitive) != 0) continue;
      const QString quoted =
          QLatin1Char('"') + QString(name).replace(u'"', QLatin1String("\"\"")) + QLatin1Char('"');
      sqlite3_stmt* count = Prepare(QStringLiteral("select count(*) from %1").arg(quoted));
      const bool counted = sqlite3_step(count) == SQLITE_ROW;
      const qint64 total = counted ? sqlite3_column_int64(count, 0) : -1;
      sqlite3_finalize(count);
      if (!counted) Fail();
      return std::make_unique<Table>(
          *this, Prepare(QStringLiteral("select * from %1 order by rowid").arg(quoted)), total);
    }
    return nullptr;
  }

 private:
  class Table : public SourceTable {
   public:
    Table(SqliteSource& source, sqlite3_stmt* statement, qint64 total)
        : m_source(source), m_statement(statement), m_total(total) {
      for (int c = 0; c < sqlite3_column_count(statement); ++c)
        m_columns << QString::fromUtf8(sqlite3_column_name(statement, c));
    }
    ~Table() override { sqlite3_finalize(m_statement); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    const QStringList& Columns() const override { return m_columns; }
    qint64 Total() const override { return m_total; }
    bool Next(QList<Utf8Value>& row) override {
      const int rc = sqlite3_step(m_statement);
      if (rc == SQLITE_DONE) return false;
      if (rc != SQLITE_ROW) m_source.Fail();
      row.resize(m_columns.size());
      for (int c = 0; c < m_columns.size(); ++c) {
        if (sqlite3_column_type(m_statement, c) == SQLITE_NULL) {
          row[c].reset();
        } else {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, c));
          row[c] = QByteArray(text ? text : "", sqlite3_column_bytes(m_statement, c));
        }
      }
      return true;
    }

   private:
    SqliteSource& m_source;
    sqlite3_stmt* m_statement;
    qint64 m_total;
    QStringList m_columns;
  };

  sqlite3_stmt* Prepare(const QString& sql) {
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr) !=
        SQLITE_OK)
      Fail();
    return statement;
  }
  [[noreturn]] void Fail() const {
    throw DataError(QCoreApplication::translate("Transfer", "%1 cannot be read: %2.")
                        .arg(m_file, QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "no memory")));
  }

  QString m_file;
  sqlite3* m_db = nullptr;
  QStringList m_tables;
};

// Whether the file begins as every SQLite 3 database does.
bool IsSqliteFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

}  // namespace

std::unique_ptr<ImportSource> OpenImportSource(const QString& path, int codepage, int csvCodepage) {
  const QFileInfo info(path);
  if (info.isDir()) return std::make_unique<CsvFolder>(path, csvCodepage);
  if (!info.exists())
    throw DataError(
        QCoreApplication::translate("Transfer", "%1: no such file or folder.").arg(path));
  const QString suffix = info.suffix().toLower();
  if (suffix == QLatin1String("mdb") || suffix == QLatin1String("accdb"))
    return std::make_unique<AccessSource>(path, codepage);
  if (IsSqliteFile(path)) return std::make_unique<SqliteSource>(path);
  throw DataError(
      QCoreApplication::translate("Transfer",
                                  "%1 is neither an Access file (.mdb, .accdb), a qel.db nor a "
                                  "folder of CSV files.")
          .arg(path));
}
