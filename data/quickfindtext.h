#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// What the quick find's two indexes (on a file and on a server) and the find itself share: the
// columns searched and how, a row's searched text in SQL, and the rows a look-up found.
namespace quickfind {

// Between the columns of one row in the index: never typed, so no fragment spans two columns.
inline const QChar kSeparator(0x1f);
// Rows read per look-up before the best are picked.
constexpr int kCandidates = 200;
// Both indexes hold an entry per filled column of every row, numbered
// (row number * 8 + table) * 32 + column: a save that changes one column rewrites that
// column's entry alone.
constexpr int kColumnBits = 5;

// The columns whose punctuation does not count.
bool IsNumberColumn(const QString& column);
// The columns searched: every column of the customer, every data column of a list.
QStringList SearchColumns(int table);
QStringList NumberColumns(int table);
// A row's searched columns as one text, each followed by the separator (Null as empty), for
// the columns of `prefix` (new., old. or none).
QString TextSql(int table, const QString& prefix);
// A text in SQL without the punctuation of numbers, in lower case.
QString NumberFormSql(const QString& text, bool server);
// The number columns without their punctuation, in lower case; '' for a table without any.
QString NumberSql(int table, const QString& prefix, bool server);
// A fragment without the punctuation of numbers, in lower case.
QString Normalized(const QString& text);
// A text's length in characters (not UTF-16 units).
int Length(const QString& text);
// A LIKE pattern that finds the text anywhere, with its wildcards taken literally.
QString Contains(const QString& text);

// The rows found, by table, each once (several of a row's columns may match), at most
// kCandidates: each given as its row number * 8 + its table.
class FoundRows {
 public:
  bool Full() const { return m_count >= kCandidates; }
  void Add(qint64 code) {
    if (!Full() && !m_rows[int(code & 7)].contains(code >> 3)) {
      m_rows[int(code & 7)].insert(code >> 3);
      ++m_count;
    }
  }
  const QHash<int, QSet<qint64>>& ByTable() const { return m_rows; }

 private:
  QHash<int, QSet<qint64>> m_rows;
  int m_count = 0;
};

}  // namespace quickfind
