// The writes of a record set: field edits, new rows one at a time or many at once, deletes.

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include "data/connection.h"
#include "data/recordset.h"
#include "data/sqltext.h"

namespace {

QVariant Bindable(const Value& value) {
  if (!value) return QVariant(QMetaType(QMetaType::QString));
  // Qt SQL binds a null QString as Null; an empty text must stay text.
  const QString text = StripNul(*value);
  return QVariant(text.isNull() ? QStringLiteral("") : text);
}

Value FromVariant(const QVariant& value) {
  return value.isNull() ? Value() : Value(value.toString());
}

// A value as an element of a PostgreSQL array literal: NULL, or the text in double quotes with
// its double quotes and backslashes escaped (NUL characters removed).
QString ArrayElement(const Value& value) {
  if (!value) return QStringLiteral("NULL");
  QString text = StripNul(*value);
  text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
  text.replace(QLatin1Char('"'), QLatin1String("\\\""));
  return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

void Recordset::SetField(int ordinal, const Value& value) {
  FieldName(ordinal);
  if (m_cursor == Cursor::Static)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is read-only."));
  if (!m_addNew) RequireRow();
  m_edits[ordinal] = value ? Value(StripNul(*value)) : value;
}

void Recordset::SetField(const QString& name, const Value& value) {
  SetField(Ordinal(name), value);
}

void Recordset::AddNew() {
  Require();
  if (m_cursor == Cursor::Static)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is read-only."));
  StoreEdits();
  m_addNew = true;
  m_edits.clear();
}

void Recordset::Update() {
  Require();
  if (!EditPending()) return;
  const QStringList& names = Names();
  QStringList columns;
  QVariantList values;
  for (const auto& [ordinal, value] : m_edits) {
    columns << m_connection->QuoteName(names[ordinal]);
    values << Bindable(value);
  }
  if (m_addNew) {
    QString sql;
    if (columns.isEmpty()) {
      sql = QStringLiteral("insert into %1 default values").arg(m_table);
    } else {
      QStringList marks(columns.size(), QStringLiteral("?"));
      sql = QStringLiteral("insert into %1 (%2) values (%3)")
                .arg(m_table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }
    // A server says the new row's number when asked; SQLite keeps it as the last insert id.
    if (m_connection->IsServer()) sql += QStringLiteral(" returning ") + m_key;
    QSqlQuery& insert = m_connection->Prepared(sql);
    for (int i = 0; i < values.size(); ++i) insert.bindValue(i, values[i]);
    m_connection->Run(insert);
    const qint64 rowid = m_connection->IsServer()
                             ? (insert.next() ? insert.value(0).toLongLong() : 0)
                             : insert.lastInsertId().toLongLong();
    insert.finish();
    if (m_wholeTable) {
      StandOn(rowid, Place::Row);
    } else {
      m_keys.append(rowid);
      m_pos = int(m_keys.size()) - 1;
      m_gap = false;
    }
  } else {
    RequireRow();
    QStringList sets;
    for (const QString& column : columns) sets << column + QStringLiteral("=?");
    const QString sql = QStringLiteral("update %1 set %2 where %3=?")
                            .arg(m_table, sets.join(QLatin1Char(',')), m_key);
    QSqlQuery& update = m_connection->Prepared(sql);
    for (int i = 0; i < values.size(); ++i) update.bindValue(i, values[i]);
    update.bindValue(int(values.size()), CurrentRowid());
    m_prefetched.remove(CurrentRowid());
    m_connection->Run(update);
    const int changed = update.numRowsAffected();
    update.finish();
    if (changed == 0)
      throw DataError(QCoreApplication::translate(
          "Recordset", "The row to be saved no longer exists: another program deleted it."));
  }
  m_addNew = false;
  m_edits.clear();
  m_cachedRowid.reset();
}

void Recordset::AddRows(const QList<int>& ordinals, const QList<QVector<Value>>& rows) {
  Require();
  if (m_cursor == Cursor::Static)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is read-only."));
  StoreEdits();
  if (rows.isEmpty()) return;
  if (!m_connection->IsServer()) {
    // A file costs no round trip per statement: a row at a time.
    for (const QVector<Value>& row : rows) {
      AddNew();
      for (int i = 0; i < ordinals.size(); ++i) SetField(ordinals[i], row.value(i));
    }
    Update();
    return;
  }
  // One array per column, unnested into rows: a single statement for any number of rows, whose
  // text does not depend on how many there are, so it is prepared once. The arrays are bound
  // values, never part of the statement.
  const QStringList& names = Names();
  QStringList columns, arrays;
  for (int ordinal : ordinals) {
    columns << m_connection->QuoteName(FieldName(ordinal));
    arrays << QStringLiteral("cast(? as text[])");
  }
  QSqlQuery& insert = m_connection->Prepared(
      QStringLiteral("insert into %1 (%2) select * from unnest(%3) returning %4, %5")
          .arg(m_table, columns.join(QLatin1Char(',')), arrays.join(QLatin1Char(',')), m_key,
               m_select));
  for (int i = 0; i < ordinals.size(); ++i) {
    QStringList cells;
    cells.reserve(rows.size());
    for (const QVector<Value>& row : rows) cells << ArrayElement(row.value(i));
    insert.bindValue(i, QString(QLatin1Char('{') + cells.join(QLatin1Char(',')) + u'}'));
  }
  m_connection->Run(insert);
  // The rows come back as stored: read now, they cost no look-up when visited.
  qint64 rowid = 0;
  while (insert.next()) {
    rowid = insert.value(0).toLongLong();
    if (m_wholeTable) continue;
    QVector<Value> row(names.size());
    for (int c = 0; c < names.size(); ++c) row[c] = FromVariant(insert.value(c + 1));
    m_keys.append(rowid);
    m_prefetched.insert(rowid, std::move(row));
  }
  const QSqlError failure = insert.lastError();
  insert.finish();
  if (failure.isValid()) throw m_connection->Explain(failure);
  if (m_wholeTable) {
    StandOn(rowid, Place::Row);
  } else {
    m_pos = int(m_keys.size()) - 1;
    m_gap = false;
  }
  m_cachedRowid.reset();
}

void Recordset::CancelUpdate() {
  m_addNew = false;
  m_edits.clear();
}

void Recordset::Delete() {
  RequireRow();
  if (m_cursor == Cursor::Static)
    throw DataError(QCoreApplication::translate("Recordset", "The record set is read-only."));
  CancelUpdate();
  const QString sql = QStringLiteral("delete from %1 where %2=?").arg(m_table, m_key);
  QSqlQuery& remove = m_connection->Prepared(sql);
  remove.bindValue(0, CurrentRowid());
  m_prefetched.remove(CurrentRowid());
  m_connection->Run(remove);
  const int changed = remove.numRowsAffected();
  remove.finish();
  if (changed == 0)
    throw DataError(QCoreApplication::translate(
        "Recordset", "The row to be deleted no longer exists: another program deleted it."));
  if (m_wholeTable) {
    m_place = Place::Gap;
  } else {
    m_keys.removeAt(m_pos);
    m_gap = true;
  }
  m_cachedRowid.reset();
}
