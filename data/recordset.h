#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <map>
#include <optional>

#include "data/connection.h"
#include "data/dataerror.h"

class QSqlQuery;

// A cursor over the rows of one table, opened on a table name or on a statement of the form
// "select <columns> from <table> [where ...]".
//
// Keyset cursors (the default) fetch the current row on demand. Over a whole table (opened on
// its name) they move by single look-ups in rowid order: first = the smallest rowid, next = the
// smallest above the current one, and so on; they never read all the rowids, so every move costs
// the same at a thousand rows and at a million, and rows other programs add or delete meanwhile
// are met or skipped. Over a statement they hold the rowids of its rows, read lazily on first
// use. Static cursors read every row at once; they serve statements whose whole result is
// wanted.
//
// Moves follow the usual BOF/EOF rules: Bof() before the first row, Eof() after the last,
// both on an empty set. Reading or writing a field where no row is current, moving past an end
// that is already reached, or reading a row that another program deleted throws DataError.
//
// While open, a set takes part in its connection's transactions: a rollback puts it back where
// it stood when the transaction began, without pending new rows or unsaved edits.
class Recordset final : private TransactionParticipant {
 public:
  enum class Cursor { Keyset, Static };

  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  void Open(const QString& source, Connection& connection, Cursor cursor = Cursor::Keyset);
  // Drops any pending new row or edit. Closing a closed set does nothing.
  void Close();
  bool IsOpen() const { return m_connection != nullptr; }
  const QString& Table() const { return m_table; }

  bool Bof();
  bool Eof();
  // The number of rows. Over a whole table this counts the table: browsing never needs it.
  int RecordCount();
  void MoveFirst();
  void MovePrevious();
  void MoveNext();
  void MoveLast();

  // Fields by column name (case-insensitive) or by position (0-based).
  Value Field(const QString& name);
  Value Field(int ordinal);
  void SetField(const QString& name, const Value& value);
  void SetField(int ordinal, const Value& value);
  QString FieldName(int ordinal);
  // The position of a column by its name (case-insensitive).
  int Ordinal(const QString& name);

  // AddNew starts a pending new row; a row still pending is stored first.
  void AddNew();
  // Stores the pending new row (which then becomes current) or the edits of the current row.
  void Update();
  // Stores new rows in one go, each given as the values of these columns (the others Null);
  // the last one becomes current. On a server this is one statement, however many rows.
  void AddRows(const QList<int>& ordinals, const QList<QVector<Value>>& rows);
  // Drops the pending new row and the unsaved edits.
  void CancelUpdate();
  bool EditPending() const { return m_addNew || !m_edits.empty(); }
  // Deletes the current row only. The set stays on the gap until the next move or Requery.
  void Delete();
  // Reads the rows again; the first row becomes current.
  void Requery();
  // The same, deferred until the set is next used: costs nothing when it is closed first.
  void RequeryLater();

  // The rowid of the current row, and a move back onto a row by its rowid.
  qint64 Bookmark();
  // Makes the row with this rowid current; false (position unchanged) when the set lacks it.
  bool MoveToBookmark(qint64 rowid);

 private:
  // Where a whole-table cursor stands. First: on the first row, not yet looked up. Empty: the
  // table had no row when last looked at. Gap: on the place of the deleted row m_rowid.
  enum class Place { First, Empty, Bof, Eof, Row, Gap };

  struct Snapshot {
    QList<qint64> keys;
    int pos = 0;
    bool loaded = false;
    bool gap = false;
    Place place = Place::First;
    qint64 rowid = 0;
  };

  void Require();
  void Select(QSqlQuery& query, const QString& sql);
  void LoadKeys();
  // Whole-table look-ups: the rowid the statement gives, if any.
  std::optional<qint64> Look(const QString& sql, std::optional<qint64> bound = std::nullopt);
  std::optional<qint64> LookFirst();
  std::optional<qint64> LookLast();
  std::optional<qint64> LookAfter(qint64 rowid);
  std::optional<qint64> LookBefore(qint64 rowid);
  void Resolve();
  void StandOn(std::optional<qint64> rowid, Place otherwise);
  qint64 CurrentRowid() const;
  void LoadStatic();
  void RequireRow();
  const QStringList& Names();
  void FetchCurrent();
  void StoreEdits();
  void BeginMove();
  void Forget();

  // Taking part in the connection's transactions.
  void TransactionBegun() override;
  void TransactionCommitted() override;
  void TransactionRolledBack() override;
  void ConnectionClosed() override;

  Connection* m_connection = nullptr;
  Cursor m_cursor = Cursor::Keyset;
  QString m_table;
  QString m_columns;  // the select list, "*" for a table name
  QString m_select;   // the select list as sent: "*" spelt out where the row number would show
  QString m_key;      // the row number column
  QString m_rest;     // everything after the table name
  QStringList m_names;

  // Whole-table cursor state.
  bool m_wholeTable = false;
  Place m_place = Place::First;
  qint64 m_rowid = 0;

  // Keyset cursor state over a statement.
  QList<qint64> m_keys;
  bool m_loaded = false;
  int m_pos = 0;       // -1 = BOF, m_keys.size() = EOF
  bool m_gap = false;  // the current row was deleted; the next move does not step over a row
  std::optional<qint64> m_cachedRowid;         // the row in m_row (rowids may be negative)
  QVector<Value> m_row;                        // the fetched current row
  QHash<qint64, QVector<Value>> m_prefetched;  // rows read with the keys, not yet visited

  // Static cursor rows.
  QVector<Value> m_cells;  // row after row, m_names.size() cells each
  int m_rowCount = 0;

  // Pending changes.
  bool m_addNew = false;
  std::map<int, Value> m_edits;  // ordinal -> value

  Snapshot m_snapshot;
  bool m_hasSnapshot = false;
};
