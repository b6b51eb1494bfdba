#include "transfer/accessreader.h"

#include <mdbtools.h>
#include <QCoreApplication>

#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "transfer/codepage.h"

namespace {

// The flags above a row's offset on its page.
constexpr int kOffsetMask = 0x1fff;
// The library cuts text at the end of the room it is given, without a word, as late as a
// character of UTF-8 (up to four bytes) that no longer fits: text this close to the end may
// have been cut.
constexpr size_t kCutMargin = 8;
// Longer values are refused rather than read (a card index holds no such text).
constexpr size_t kLongestStored = 256 << 20;

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

// The room the library gets for a value, for the lifetime of the object. Only while reading
// rows: its catalog reads (also when a table is opened) need its own default.
class BindSize {
 public:
  BindSize(MdbHandle* mdb, size_t size) : m_mdb(mdb), m_old(mdb->bind_size) {
    mdb_set_bind_size(mdb, size);
  }
  ~BindSize() { mdb_set_bind_size(m_mdb, m_old); }
  BindSize(const BindSize&) = delete;
  BindSize& operator=(const BindSize&) = delete;

 private:
  MdbHandle* m_mdb;
  size_t m_old;
};

// A text or memo value of the current row as UTF-8, converted again with room for all of it;
// nullopt when it is too long for that.
std::optional<QByteArray> Whole(MdbHandle* mdb, MdbColumn* column) {
  size_t stored = column->cur_value_len;
  // A memo's length stands in its header; the value itself may span many pages.
  if (column->col_type == MDB_MEMO && column->cur_value_len >= MDB_MEMO_OVERHEAD)
    stored = mdb_get_int32(mdb->pg_buf, column->cur_value_start) & 0x3fffffff;
  if (stored > kLongestStored) return std::nullopt;
  // A stored byte gives at most two of UTF-8 (a character of two bytes at most three, one of
  // compressed text or of a Jet 3 file at most two); a memo kept in one piece may fill a page.
  const size_t room = 2 * (stored + static_cast<size_t>(mdb->fmt->pg_size)) + kCutMargin;
  char* text;
  {
    BindSize whole(mdb, room);
    text = mdb_col_to_string(mdb, mdb->pg_buf, column->cur_value_start, column->col_type,
                             column->cur_value_len);
  }
  const QByteArray result(text);
  g_free(text);
  if (static_cast<size_t>(result.size()) + kCutMargin >= room) return std::nullopt;
  return result;
}

}  // namespace

AccessFile::AccessFile(const QString& file, int codepage, int bindSize)
    : m_path(file), m_bindSize(std::max(bindSize, 64)) {
  const QFileInfo info(file);
  if (!info.isFile())
    throw DataError(QCoreApplication::translate("Transfer", "%1: no such file.").arg(file));
  if (!info.isReadable())
    throw DataError(QCoreApplication::translate("Transfer", "%1 cannot be read.").arg(file));
  {
    // Jet 3 text comes through as Latin-1, byte for byte, and is decoded here with the code
    // page, strictly; the library would guess silently. The result is always UTF-8.
    ScopedEnv jet3("MDB_JET3_CHARSET", "ISO-8859-1");
    ScopedEnv target("MDBICONV", "UTF-8");
    m_mdb = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
  }
  if (!m_mdb)
    throw DataError(
        QCoreApplication::translate("Transfer", "%1 is no Access database or is damaged.")
            .arg(file));
  MdbHandle* mdb = Handle(m_mdb);
  mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
  mdb_set_shortdate_fmt(mdb, "%Y-%m-%d");
  if (IsJet3()) m_codepage = std::make_unique<CodePage>(codepage);
  if (!mdb_read_catalog(mdb, MDB_TABLE)) {
    mdb_close(mdb);
    m_mdb = nullptr;
    throw DataError(
        QCoreApplication::translate("Transfer", "%1: the list of tables cannot be read.")
            .arg(file));
  }
  for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    m_rawTableNames << QByteArray(entry->object_name);
    m_tables << Text(entry->object_name, QCoreApplication::translate("Transfer", "a table name"));
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
  // A byte-order mark at the start of a value is part of it.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  const QString text = decoder.decode(QByteArrayView(utf8));
  if (!m_codepage) return text;
  // Jet 3: the Latin-1 characters are the file's bytes.
  const std::optional<QString> decoded = m_codepage->Decode(text.toLatin1());
  if (!decoded)
    throw DataError(
        QCoreApplication::translate("Transfer",
                                    "%1: %2 cannot be read in code page %3; give the right one "
                                    "with --codepage.")
            .arg(m_path, where)
            .arg(m_codepage->Number()));
  return *decoded;
}

std::unique_ptr<AccessFile::Table> AccessFile::Open(const QString& name) {
  const qsizetype index = m_tables.indexOf(name);
  if (index < 0)
    throw DataError(
        QCoreApplication::translate("Transfer", "%1 has no table \"%2\".").arg(m_path, name));
  QByteArray raw = m_rawTableNames[index];
  MdbTableDef* table = mdb_read_table_by_name(Handle(m_mdb), raw.data(), MDB_TABLE);
  if (!table)
    throw DataError(QCoreApplication::translate("Transfer", "%1: table \"%2\" cannot be read.")
                        .arg(m_path, name));
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
    result->m_columns << Text(
        column->name,
        QCoreApplication::translate("Transfer", "a column name of table \"%1\"").arg(name));
    // An OLE value comes a page at a time.
    result->m_bound[i] =
        QByteArray(std::max(m_bindSize, static_cast<int>(Handle(m_mdb)->fmt->pg_size)), '\0');
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
  BindSize bound(mdb, m_file->m_bindSize);
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
    const auto where = [&] {
      return QCoreApplication::translate("Transfer", "table \"%1\", row %2, column \"%3\"")
          .arg(m_name)
          .arg(m_row)
          .arg(m_columns[i]);
    };
    if ((column->col_type == MDB_TEXT || column->col_type == MDB_MEMO) &&
        static_cast<size_t>(length) + kCutMargin >= static_cast<size_t>(m_file->m_bindSize)) {
      const std::optional<QByteArray> whole = Whole(mdb, column);
      if (!whole)
        throw DataError(QCoreApplication::translate(
                            "Transfer", "%1: %2 holds a value too long to be read whole.")
                            .arg(m_file->m_path, where()));
      row.append(m_file->Text(whole->constData(), where()));
      continue;
    }
    row.append(m_file->Text(m_bound[i].constData(), where()));
  }
  return true;
}
