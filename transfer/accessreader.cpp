#include "transfer/accessreader.h"

#include <mdbtools.h>

#include <QFileInfo>
#include <cstdlib>
#include <optional>

#include "transfer/codepage.h"

namespace {

// The longest value a column gives (memo fields included).
constexpr int kBindSize = 256 * 1024;
// The flags above a row's offset on its page.
constexpr int kOffsetMask = 0x1fff;

MdbHandle* Handle(void* mdb) {
  return static_cast<MdbHandle*>(mdb);
}

// Sets an environment variable for the lifetime of the object, then puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = QByteArray(old);
    ::setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (m_old)
      ::setenv(m_name, m_old->constData(), 1);
    else
      ::unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<QByteArray> m_old;
};

}  // namespace

AccessFile::AccessFile(const QString& file, int codepage) : m_path(file) {
  const QFileInfo info(file);
  if (!info.isFile()) throw DataError(QStringLiteral("%1: no such file.").arg(file));
  if (!info.isReadable()) throw DataError(QStringLiteral("%1 cannot be read.").arg(file));
  {
    // Jet 3 text comes through as Latin-1, byte for byte, and is decoded here with the code
    // page, strictly; the library would guess silently. The result is always UTF-8.
    ScopedEnv jet3("MDB_JET3_CHARSET", "ISO-8859-1");
    ScopedEnv target("MDBICONV", "UTF-8");
    m_mdb = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
  }
  if (!m_mdb) throw DataError(QStringLiteral("%1 is no Access database or is damaged.").arg(file));
  MdbHandle* mdb = Handle(m_mdb);
  mdb_set_bind_size(mdb, kBindSize);
  mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
  mdb_set_shortdate_fmt(mdb, "%Y-%m-%d");
  if (IsJet3()) m_codepage = std::make_unique<CodePage>(codepage);
  if (!mdb_read_catalog(mdb, MDB_TABLE)) {
    mdb_close(mdb);
    m_mdb = nullptr;
    throw DataError(QStringLiteral("%1: the list of tables cannot be read.").arg(file));
  }
  for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    m_rawTableNames << QByteArray(entry->object_name);
    m_tables << Text(entry->object_name, QStringLiteral("a table name"));
  }
}

AccessFile::~AccessFile() {
  if (m_mdb) mdb_close(Handle(m_mdb));
}

QStringList AccessFile::Tables() const {
  return m_tables;
}

bool AccessFile::IsJet3() const {
  return Handle(m_mdb)->f->jet_version == MDB_VER_JET3;
}

QString AccessFile::Text(const char* utf8, const QString& where) {
  const QString text = QString::fromUtf8(utf8);
  if (!m_codepage) return text;
  // Jet 3: the Latin-1 characters are the file's bytes.
  const std::optional<QString> decoded = m_codepage->Decode(text.toLatin1());
  if (!decoded)
    throw DataError(QStringLiteral("%1: %2 cannot be read in code page %3; give the right one "
                                   "with --codepage.")
                        .arg(m_path, where)
                        .arg(m_codepage->Number()));
  return *decoded;
}

std::unique_ptr<AccessFile::Table> AccessFile::Open(const QString& name) {
  const qsizetype index = m_tables.indexOf(name);
  if (index < 0) throw DataError(QStringLiteral("%1 has no table \"%2\".").arg(m_path, name));
  QByteArray raw = m_rawTableNames[index];
  MdbTableDef* table = mdb_read_table_by_name(Handle(m_mdb), raw.data(), MDB_TABLE);
  if (!table) throw DataError(QStringLiteral("%1: table \"%2\" cannot be read.").arg(m_path, name));
  std::unique_ptr<Table> result(new Table);
  result->m_file = this;
  result->m_table = table;
  result->m_name = name;
  mdb_read_columns(table);
  mdb_rewind_table(table);
  result->m_bound.resize(table->num_cols);
  result->m_lengths.resize(table->num_cols);
  for (unsigned int i = 0; i < table->num_cols; ++i) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    result->m_columns << Text(column->name,
                              QStringLiteral("a column name of table \"%1\"").arg(name));
    result->m_bound[i] = QByteArray(kBindSize, '\0');
    mdb_bind_column(table, static_cast<int>(i) + 1, result->m_bound[i].data(),
                    &result->m_lengths[i]);
  }
  return result;
}

AccessFile::Table::~Table() {
  if (m_table) mdb_free_tabledef(static_cast<MdbTableDef*>(m_table));
}

qint64 AccessFile::Table::RowCount() const {
  return static_cast<MdbTableDef*>(m_table)->num_rows;
}

bool AccessFile::Table::Next(QList<Value>& row) {
  auto* table = static_cast<MdbTableDef*>(m_table);
  MdbHandle* mdb = table->entry->mdb;
  if (!mdb_fetch_row(table)) return false;
  ++m_row;
  // The bound values cannot tell Null from the empty text; the row's null mask can.
  std::vector<MdbField> fields(table->num_cols);
  int start = 0;
  size_t size = 0;
  int present = 0;
  if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) == 0)
    present = mdb_crack_row(table, start & kOffsetMask, size, fields.data());
  row.clear();
  for (unsigned int i = 0; i < table->num_cols; ++i) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    const int length = m_lengths[i];
    if (column->col_type == MDB_BOOL) {
      // Yes/No lives in the null bit itself.
      row.append(QString::fromLatin1(m_bound[i].constData()));
      continue;
    }
    if (length == 0) {
      bool null = true;
      for (int f = 0; f < present && f < static_cast<int>(fields.size()); ++f)
        if (fields[f].colnum == static_cast<int>(i)) null = fields[f].is_null;
      row.append(null ? Value() : Value(QStringLiteral("")));
      continue;
    }
    if (column->col_type == MDB_OLE || column->col_type == MDB_BINARY) {
      size_t bytes = 0;
      void* data = column->col_type == MDB_OLE ? mdb_ole_read_full(mdb, column, &bytes) : nullptr;
      const QByteArray raw = data ? QByteArray(static_cast<const char*>(data), bytes)
                                  : QByteArray(m_bound[i].constData(), length);
      if (data) free(data);
      row.append(QString::fromLatin1(raw.toHex().toUpper()));
      continue;
    }
    row.append(
        m_file->Text(m_bound[i].constData(), QStringLiteral("table \"%1\", row %2, column \"%3\"")
                                                 .arg(m_name)
                                                 .arg(m_row)
                                                 .arg(m_columns[i])));
  }
  return true;
}
