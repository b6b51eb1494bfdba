#include "transfer/source.h"

#include <QDir>
#include <QFileInfo>

#include "transfer/accessreader.h"
#include "transfer/csvreader.h"

namespace {

class CsvTable : public SourceTable {
 public:
  CsvTable(const QString& file, int codepage)
      : m_reader(file, codepage), m_total(CsvReader::CountRecords(file)) {
    QList<Utf8Value> header;
    if (!m_reader.Next(header))
      throw DataError(QStringLiteral("%1 has no header row of column names.").arg(file));
    for (const Utf8Value& name : header) m_columns << QString::fromUtf8(name.value_or(""));
    if (m_total > 0) --m_total;
  }
  const QStringList& Columns() const override { return m_columns; }
  qint64 Total() const override { return m_total; }
  bool Next(QList<Utf8Value>& row) override {
    if (!m_reader.Next(row)) return false;
    // A value without a column name would be lost without a word.
    if (row.size() > m_columns.size())
      throw DataError(QStringLiteral("%1, line %2: %3 values, but the header names only %4 "
                                     "columns.")
                          .arg(m_reader.FileName())
                          .arg(m_reader.Line())
                          .arg(row.size())
                          .arg(m_columns.size()));
    while (row.size() < m_columns.size()) row.append(Utf8Value());
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

}  // namespace

std::unique_ptr<ImportSource> OpenImportSource(const QString& path, int codepage, int csvCodepage) {
  const QFileInfo info(path);
  if (info.isDir()) return std::make_unique<CsvFolder>(path, csvCodepage);
  if (!info.exists()) throw DataError(QStringLiteral("%1: no such file or folder.").arg(path));
  const QString suffix = info.suffix().toLower();
  if (suffix == QLatin1String("mdb") || suffix == QLatin1String("accdb"))
    return std::make_unique<AccessSource>(path, codepage);
  throw DataError(QStringLiteral("%1 is neither an Access file (.mdb, .accdb) nor a folder of "
                                 "CSV files.")
                      .arg(path));
}
