#include "data/recordset.h"

#include <QCoreApplication>
#include <algorithm>

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "data/connection.h"
#include "data/sqltext.h"

namespace {

Value FromVariant(const QVariant& value) {
  return value.isNull() ? Value() : Value(value.toString());
}

// A statement's rows in row-number order unless it orders them itself: a server returns rows
// in no particular order otherwise, SQLite in rowid order. Words inside a quoted value or name
// (a key holding "order by") are not the statement's own.
QString Ordered(const QString& rest, const QString& key) {
  static const QRegularExpression quoted(QStringLiteral("'(?:[^']|'')*'|\"(?:[^\"]|\"\")*\""));
  static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
  return QString(rest).replace(quoted, QStringLiteral("''")).contains(orderBy)
             ? rest
             : rest + QStringLiteral(" order by ") + key;
}

[[noreturn]] void NoCurrentRow() {
  throw DataError(QCoreApplication::translate(
      "Recordset", "Either BOF or EOF is True, or the current record has been deleted."));
}

}  // namespace

Recordset::Recordset() = default;

Recordset::~Recordset() {
  if (m_connection) m_connection->Withdraw(this);
}

void Recordset::Open(const QString& source, Connection& connection, Cursor cursor) {
  Close();
  static const QRegularExpression tableName(QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*$"));
  static const QRegularExpression select(
      QStringLiteral("^\\s*select\\s+(.+?)\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)(.*)$"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  QString table, columns, rest;
  if (auto match = tableName.match(source); match.hasMatch()) {
    table = match.captured(1);
    columns = QStringLiteral("*");
  } else if (auto match = select.match(source); match.hasMatch()) {
    columns = match.captured(1).trimmed();
    table = match.captured(2);
    rest = match.captured(3);
  } else {
    throw DataError(
        QCoreApplication::translate("Recordset", "Cannot open a record set on: %1").arg(source));
  }
  connection.Columns(table);  // fails at once on a table that does not exist
  m_connection = &connection;
  m_cursor = cursor;
  m_table = table;
  m_columns = columns;
  m_key = connection.RowKey(table);
  m_select = columns == QLatin1String("*") ? connection.AllColumns(table) : columns;
  m_rest = StripNul(rest);
  m_wholeTable = cursor == Cursor::Keyset && columns == QLatin1String("*") && m_rest.isEmpty();
  m_place = Place::First;
  connection.Enlist(this);
  try {
    if (cursor == Cursor::Static) LoadStatic();
  } catch (...) {
    Close();
    throw;
  }
}

void Recordset::Close() {
  if (m_connection) m_connection->Withdraw(this);
  Forget();
}

void Recordset::Forget() {
  m_connection = nullptr;
  m_table.clear();
  m_key.clear();
  m_select.clear();
  m_names.clear();
  m_wholeTable = false;
  m_place = Place::First;
  m_rowid = 0;
  m_keys.clear();
  m_loaded = false;
  m_pos = 0;
  m_gap = false;
  m_cachedRowid.reset();
  m_prefetched.clear();
  m_row.clear();
  m_cells.clear();
  m_rowCount = 0;
  m_addNew = false;
  m_edits.clear();
  m_hasSnapshot = false;
  m_snapshot = Snapshot();
}

void Recordset::Require() {
  if (!m_connection)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is not open."));
  if (m_cursor == Cursor::Static) return;
  if (m_wholeTable) {
    Resolve();
  } else if (!m_loaded) {
    LoadKeys();
  }
}

std::optional<qint64> Recordset::Look(const QString& sql, std::optional<qint64> bound) {
  QSqlQuery& look = m_connection->Prepared(sql);
  if (bound) look.bindValue(0, *bound);
  m_connection->Run(look);
  std::optional<qint64> rowid;
  if (look.next()) rowid = look.value(0).toLongLong();
  look.finish();
  return rowid;
}

std::optional<qint64> Recordset::LookFirst() {
  return Look(QStringLiteral("select %2 from %1 order by %2 limit 1").arg(m_table, m_key));
}

std::optional<qint64> Recordset::LookLast() {
  return Look(QStringLiteral("select %2 from %1 order by %2 desc limit 1").arg(m_table, m_key));
}

std::optional<qint64> Recordset::LookAfter(qint64 rowid) {
  return Look(
      QStringLiteral("select %2 from %1 where %2>? order by %2 limit 1").arg(m_table, m_key),
      rowid);
}

std::optional<qint64> Recordset::LookBefore(qint64 rowid) {
  return Look(
      QStringLiteral("select %2 from %1 where %2<? order by %2 desc limit 1").arg(m_table, m_key),
      rowid);
}

// A newly opened or requeried whole-table cursor stands on its first row.
void Recordset::Resolve() {
  if (m_place == Place::First) StandOn(LookFirst(), Place::Empty);
}

void Recordset::StandOn(std::optional<qint64> rowid, Place otherwise) {
  m_place = rowid ? Place::Row : otherwise;
  if (rowid) m_rowid = *rowid;
}

qint64 Recordset::CurrentRowid() const {
  return m_wholeTable ? m_rowid : m_keys[m_pos];
}

void Recordset::Select(QSqlQuery& query, const QString& sql) {
  // Run once, so not prepared: one round trip to a server instead of three.
  query.setForwardOnly(true);
  if (!query.exec(sql)) throw DataError(m_connection->Explain(query.lastError()));
}

void Recordset::LoadKeys() {
  // The rows come along with their keys, so that a list shown right after costs no look-up per
  // row; a row is read afresh on any later visit. Beyond kPrefetchRows only the keys are kept.
  constexpr int kPrefetchRows = 1000;
  QSqlQuery query(m_connection->Database());
  Select(query, QStringLiteral("select %3, %4 from %1%2")
                    .arg(m_table, Ordered(m_rest, m_key), m_key, m_select));
  const int columns = query.record().count() - 1;
  QList<qint64> keys;
  m_prefetched.clear();
  while (query.next()) {
    keys.append(query.value(0).toLongLong());
    if (keys.size() > kPrefetchRows) continue;
    QVector<Value> row(columns);
    for (int i = 0; i < columns; ++i) row[i] = FromVariant(query.value(i + 1));
    m_prefetched.insert(keys.last(), row);
  }
  // A step that failed midway (a damaged page, a lost server) ends the loop like the last row;
  // it must not pass for the end.
  if (query.lastError().isValid()) throw m_connection->Explain(query.lastError());
  m_keys = keys;
  m_loaded = true;
  m_pos = 0;
  m_gap = false;
  m_cachedRowid.reset();
}

void Recordset::LoadStatic() {
  QSqlQuery query(m_connection->Database());
  Select(query,
         QStringLiteral("select %1 from %2%3").arg(m_select, m_table, Ordered(m_rest, m_key)));
  const QSqlRecord record = query.record();
  m_names.clear();
  for (int i = 0; i < record.count(); ++i) m_names << record.fieldName(i);
  // One flat vector: a search over a hundred thousand customers costs a few bytes per key.
  m_cells.clear();
  m_rowCount = 0;
  while (query.next()) {
    for (int i = 0; i < m_names.size(); ++i) m_cells.append(FromVariant(query.value(i)));
    ++m_rowCount;
  }
  if (query.lastError().isValid()) throw m_connection->Explain(query.lastError());
  m_cells.squeeze();
  m_pos = 0;
}

int Recordset::RecordCount() {
  Require();
  if (m_wholeTable) {
    QSqlQuery& count =
        m_connection->Prepared(QStringLiteral("select count(*) from %1").arg(m_table));
    m_connection->Run(count);
    const int rows = count.next() ? count.value(0).toInt() : 0;
    count.finish();
    return rows;
  }
  return m_cursor == Cursor::Static ? m_rowCount : int(m_keys.size());
}

bool Recordset::Bof() {
  Require();
  if (m_wholeTable) {
    switch (m_place) {
      case Place::Empty:
      case Place::Bof:
        return true;
      case Place::Gap:
        return !LookFirst();  // the deleted row was the last one of the table
      default:
        return false;
    }
  }
  return RecordCount() == 0 || m_pos < 0;
}

bool Recordset::Eof() {
  Require();
  if (m_wholeTable) {
    switch (m_place) {
      case Place::Empty:
      case Place::Eof:
        return true;
      case Place::Gap:
        return !LookAfter(m_rowid);  // no row moved up onto the deleted row's place
      default:
        return false;
    }
  }
  return RecordCount() == 0 || m_pos >= RecordCount();
}

void Recordset::StoreEdits() {
  if (EditPending()) Update();
}

void Recordset::BeginMove() {
  Require();
  StoreEdits();
  m_cachedRowid.reset();  // every move reads the row afresh: another program may have changed it
}

void Recordset::MoveFirst() {
  BeginMove();
  if (m_wholeTable) {
    StandOn(LookFirst(), Place::Empty);
    if (m_place == Place::Empty) NoCurrentRow();
    return;
  }
  if (RecordCount() == 0) NoCurrentRow();
  m_pos = 0;
  m_gap = false;
}

void Recordset::MoveLast() {
  BeginMove();
  if (m_wholeTable) {
    StandOn(LookLast(), Place::Empty);
    if (m_place == Place::Empty) NoCurrentRow();
    return;
  }
  if (RecordCount() == 0) NoCurrentRow();
  m_pos = RecordCount() - 1;
  m_gap = false;
}

void Recordset::MoveNext() {
  BeginMove();
  if (m_wholeTable) {
    switch (m_place) {
      case Place::Empty:
      case Place::Eof:
        NoCurrentRow();
      case Place::Bof:
        StandOn(LookFirst(), Place::Empty);
        break;
      default:  // a row, or the place of a deleted one
        StandOn(LookAfter(m_rowid), Place::Eof);
        break;
    }
    return;
  }
  if (m_gap) {
    // The rows after a deleted row moved up onto its place.
    m_gap = false;
    return;
  }
  if (Eof()) NoCurrentRow();
  ++m_pos;
}

void Recordset::MovePrevious() {
  BeginMove();
  if (m_wholeTable) {
    switch (m_place) {
      case Place::Empty:
      case Place::Bof:
        NoCurrentRow();
      case Place::Eof:
        StandOn(LookLast(), Place::Empty);
        break;
      default:  // a row, or the place of a deleted one
        StandOn(LookBefore(m_rowid), Place::Bof);
        break;
    }
    return;
  }
  if (m_gap) {
    m_gap = false;
    --m_pos;
    return;
  }
  if (Bof()) NoCurrentRow();
  --m_pos;
}

void Recordset::RequireRow() {
  Require();
  if (m_wholeTable ? m_place != Place::Row : m_gap || Bof() || Eof()) NoCurrentRow();
}

const QStringList& Recordset::Names() {
  if (!m_connection)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is not open."));
  if (m_names.isEmpty()) {
    if (m_columns == QLatin1String("*")) {
      m_names = m_connection->Columns(m_table);
    } else {
      QSqlQuery& fetch = m_connection->Prepared(
          QStringLiteral("select %1 from %2 where %3=?").arg(m_columns, m_table, m_key));
      fetch.bindValue(0, -1);
      m_connection->Run(fetch);
      const QSqlRecord record = fetch.record();
      fetch.finish();
      for (int i = 0; i < record.count(); ++i) m_names << record.fieldName(i);
    }
  }
  return m_names;
}

QString Recordset::FieldName(int ordinal) {
  const QStringList& names = Names();
  if (ordinal < 0 || ordinal >= names.size())
    throw DataError(QCoreApplication::translate("Recordset", "Item cannot be found at position %1.")
                        .arg(ordinal));
  return names[ordinal];
}

int Recordset::Ordinal(const QString& name) {
  const QStringList& names = Names();
  for (int i = 0; i < names.size(); ++i)
    if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  throw DataError(
      QCoreApplication::translate("Recordset", "Item cannot be found in the collection: %1")
          .arg(name));
}

void Recordset::FetchCurrent() {
  const qint64 rowid = CurrentRowid();
  if (m_cachedRowid == rowid) return;
  if (auto it = m_prefetched.find(rowid); it != m_prefetched.end()) {
    m_row = std::move(*it);
    m_prefetched.erase(it);
    m_cachedRowid = rowid;
    return;
  }
  QSqlQuery& fetch = m_connection->Prepared(
      QStringLiteral("select %1 from %2 where %3=?").arg(m_select, m_table, m_key));
  fetch.bindValue(0, rowid);
  m_connection->Run(fetch);
  if (!fetch.next()) {
    fetch.finish();
    throw DataError(QCoreApplication::translate(
        "Recordset", "The current row no longer exists: another program may have deleted it."));
  }
  const int count = fetch.record().count();
  m_row.resize(count);
  for (int i = 0; i < count; ++i) m_row[i] = FromVariant(fetch.value(i));
  fetch.finish();
  m_cachedRowid = rowid;
}

Value Recordset::Field(int ordinal) {
  FieldName(ordinal);  // checks the position
  if (m_addNew || m_edits.count(ordinal)) {
    Require();
    auto it = m_edits.find(ordinal);
    if (it != m_edits.end()) return it->second;
    if (m_addNew) return Value();
  }
  RequireRow();
  if (m_cursor == Cursor::Static) return m_cells[qsizetype(m_pos) * m_names.size() + ordinal];
  FetchCurrent();
  return m_row.value(ordinal);
}

Value Recordset::Field(const QString& name) {
  return Field(Ordinal(name));
}

void Recordset::Requery() {
  if (!m_connection)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is not open."));
  CancelUpdate();
  if (m_cursor == Cursor::Static) {
    LoadStatic();
  } else if (m_wholeTable) {
    m_place = Place::First;
    m_cachedRowid.reset();
    Resolve();
  } else {
    LoadKeys();
  }
}

void Recordset::RequeryLater() {
  if (!m_connection)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is not open."));
  if (m_cursor == Cursor::Static) {
    Requery();
    return;
  }
  CancelUpdate();
  m_cachedRowid.reset();
  m_prefetched.clear();
  if (m_wholeTable) {
    m_place = Place::First;
  } else {
    m_loaded = false;
  }
}

qint64 Recordset::Bookmark() {
  RequireRow();
  if (m_cursor == Cursor::Static) return m_pos;
  return CurrentRowid();
}

bool Recordset::MoveToBookmark(qint64 rowid) {
  Require();
  StoreEdits();
  if (m_wholeTable) {
    if (!Look(QStringLiteral("select %2 from %1 where %2=?").arg(m_table, m_key), rowid))
      return false;
    StandOn(rowid, Place::Row);
    m_cachedRowid.reset();
    return true;
  }
  const qsizetype index = m_cursor == Cursor::Static
                              ? (rowid >= 0 && rowid < m_rowCount ? rowid : -1)
                              : m_keys.indexOf(rowid);
  if (index < 0) return false;
  m_pos = int(index);
  m_gap = false;
  m_cachedRowid.reset();  // every move reads the row afresh
  return true;
}

void Recordset::TransactionBegun() {
  m_snapshot = Snapshot{m_keys, m_pos, m_loaded, m_gap, m_place, m_rowid};
  m_hasSnapshot = true;
}

void Recordset::TransactionCommitted() {
  m_hasSnapshot = false;
  m_snapshot = Snapshot();
}

void Recordset::TransactionRolledBack() {
  CancelUpdate();
  m_prefetched.clear();
  m_cachedRowid.reset();
  if (m_hasSnapshot) {
    m_keys = m_snapshot.keys;
    m_pos = m_snapshot.pos;
    m_loaded = m_snapshot.loaded;
    m_gap = m_snapshot.gap;
    m_place = m_snapshot.place;
    m_rowid = m_snapshot.rowid;
  } else if (m_wholeTable) {
    m_place = Place::First;
  } else if (m_cursor == Cursor::Keyset) {
    // Opened inside the transaction: its rows are read again when next used.
    m_loaded = false;
  }
  m_hasSnapshot = false;
  m_snapshot = Snapshot();
}

void Recordset::ConnectionClosed() {
  Forget();
}
