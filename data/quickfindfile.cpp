#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>

#include "data/connection.h"
#include "data/quickfind.h"
#include "data/quickfindindex.h"
#include "data/sqltext.h"
#include "data/transaction.h"

namespace quickfind {

namespace {

// A two-character fragment is looked up as every trigram that begins with it; beyond this many
// the first ones do.
constexpr int kMaxTrigrams = 400;

// The trigger names of the index: one per table and event.
QStringList TriggerNames() {
  QStringList names;
  for (const TableLayout& table : Tables())
    for (const char* event : {"insert", "update", "delete"})
      names << QStringLiteral("quickfind_%1_%2").arg(table.name, QLatin1String(event));
  return names;
}

// The index on a file: one entry per filled column of every row (numbered as kColumnBits
// says). It keeps neither the texts (the tables have them) nor column sizes
// (nothing ranks by them): each would cost every write a row more. It merges its pieces
// sixteen at a time, which halves what writes spend on merging against the default of four.
const QString kFileTable = QStringLiteral(
    "create virtual table quickfind using fts5(txt, norm, tokenize='trigram', content='', "
    "columnsize=0)");
const QStringList kFileSettings = {
    QStringLiteral("insert into quickfind(quickfind, rank) values ('automerge', 16)"),
    QStringLiteral("insert into quickfind(quickfind, rank) values ('crisismerge', 64)")};

// Adds, or takes out, the entries of the columns that `source` lists, one row per column: its
// number `c` and its text `v`, for the row numbered `rowid`, where `when` holds too. An entry
// holds the column's text with the separator after it (so that a pair at its end begins a
// trigram), and for a number column the same without punctuation. The index keeps no texts: an
// entry goes by the values it was made of, which the row had.
QString EntriesSql(int table, bool add, const QString& rowid, const QString& source,
                   const QString& when = {}) {
  const QString text = QStringLiteral("v || '%1'").arg(kSeparator);
  QStringList numbers;
  for (int column = 0; column < SearchColumns(table).size(); ++column)
    if (IsNumberColumn(SearchColumns(table)[column])) numbers << QString::number(column);
  const QString norm = numbers.isEmpty()
                           ? QStringLiteral("null")
                           : QStringLiteral("case when c in (%1) then %2 end")
                                 .arg(numbers.join(QLatin1Char(',')), NumberFormSql(text, false));
  return QStringLiteral(
             "insert into quickfind(%1rowid, txt, norm) select %2(%3*8+%4)*32+c, %5, %6 from (%7) "
             "where v is not null and v <> ''%8")
      .arg(add ? QString() : QStringLiteral("quickfind, "),
           add ? QString() : QStringLiteral("'delete', "), rowid, QString::number(table), text,
           norm, source, when.isEmpty() ? QString() : QStringLiteral(" and (%1)").arg(when));
}

// A row's columns as the rows of a trigger's source: their number, the text of `prefix` (old.
// or new.) and, when `other` is given, that of the other one. One statement over all columns
// costs a save about what a statement per column costs, in a fraction of the text, which every
// connection to the file reads with its schema.
QString RowColumnsSql(int table, const QString& prefix, const QString& other = {}) {
  QStringList rows;
  const QStringList columns = SearchColumns(table);
  for (int column = 0; column < columns.size(); ++column) {
    QString row =
        QStringLiteral("select %1 as c, %2%3 as v").arg(column).arg(prefix, columns[column]);
    if (!other.isEmpty()) row += QStringLiteral(", %1%2 as w").arg(other, columns[column]);
    rows << row;
  }
  return rows.join(QStringLiteral(" union all "));
}

// The triggers that keep the index in step with the five tables. An update takes out and adds
// again only the entries of the columns it changed.
QStringList FileTriggers() {
  QStringList triggers;
  const QString oldRow = QStringLiteral("old.rowid"), newRow = QStringLiteral("new.rowid");
  const QString old = QStringLiteral("old."), now = QStringLiteral("new.");
  const QString changed = QStringLiteral("old.rowid is not new.rowid or v is not w");
  for (int table = 0; table < Tables().size(); ++table) {
    const QString& name = Tables()[table].name;
    const QStringList bodies = {
        EntriesSql(table, true, newRow, RowColumnsSql(table, now)),
        EntriesSql(table, false, oldRow, RowColumnsSql(table, old, now), changed) +
            QStringLiteral("; ") +
            EntriesSql(table, true, newRow, RowColumnsSql(table, now, old), changed),
        EntriesSql(table, false, oldRow, RowColumnsSql(table, old))};
    const char* events[] = {"insert", "update", "delete"};
    for (int i = 0; i < 3; ++i)
      triggers << QStringLiteral("create trigger quickfind_%1_%2 after %2 on %1 begin %3; end")
                      .arg(name, QLatin1String(events[i]), bodies[i]);
  }
  return triggers;
}

// The statements that add, or take out, the entries of every row, or of the rows of one key
// (bound): a statement per column, each reading its table in row order (the index writes
// fastest in number order).
QStringList FileEntries(bool add, bool oneKey = false) {
  QStringList statements;
  for (int table = 0; table < Tables().size(); ++table)
    for (int column = 0; column < SearchColumns(table).size(); ++column)
      statements << EntriesSql(
          table, add, QStringLiteral("r"),
          QStringLiteral("select rowid as r, %1 as c, %2 as v from %3%4 order by rowid")
              .arg(column)
              .arg(SearchColumns(table)[column], Tables()[table].name,
                   oneKey ? QLatin1String(" where CID = ?") : QLatin1String("")));
  return statements;
}

// Whether the file's index is the one this program makes (table and triggers as written here);
// an index of an earlier kind, or one a build left half made, is made again.
bool FileIndexCurrent(Connection& connection) {
  QHash<QString, QString> stored;
  QSqlQuery query(connection.Database());
  query.exec(QStringLiteral(
      "select name, sql from sqlite_master where name = 'quickfind' or name like 'quickfind\\_%' "
      "escape '\\'"));
  while (query.next()) stored.insert(query.value(0).toString(), query.value(1).toString());
  // SQLite keeps a statement as written, save the case of its first words.
  const auto same = [&](const QString& name, const QString& sql) {
    return stored.value(name).compare(sql, Qt::CaseInsensitive) == 0;
  };
  if (!same(QStringLiteral("quickfind"), kFileTable)) return false;
  const QStringList names = TriggerNames();
  const QStringList triggers = FileTriggers();
  for (int i = 0; i < names.size(); ++i)
    if (!same(names[i], triggers[i])) return false;
  return true;
}

QString FileNotice(Connection& connection, const QString& cause) {
  return QCoreApplication::translate(
             "QuickFind",
             "The database file %1 has no quick find index yet, and it cannot be added now "
             "(%2). The find box still works, but more slowly; start Qel again when the file can "
             "be written to add the index.")
      .arg(QFileInfo(connection.Database().databaseName()).absoluteFilePath(), cause);
}

// From this many characters on, a fragment is first looked up by some of its trigrams.
constexpr int kLooseLength = 6;

// A double-quoted FTS5 string.
QString FtsString(const QString& text) {
  return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

// The full-text query for one form of the fragment, or an empty text.
QString FtsTerm(Connection& connection, const QString& text, bool loose) {
  const int length = Length(text);
  if (loose && length >= kLooseLength) {
    // Every third trigram and the last, in any order: fewer lists to intersect than the
    // phrase's one per character (eight digits of a phone number: three, not six, each in
    // hundreds of thousands of entries). A row that holds them apart is told from one that
    // holds the fragment once its text is read.
    const QList<uint> characters = text.toUcs4();
    QStringList trigrams;
    for (int at = 0;; at = std::min(at + 3, length - 3)) {
      trigrams << FtsString(
          QString::fromUcs4(reinterpret_cast<const char32_t*>(&characters[at]), 3));
      if (at == length - 3) break;
    }
    return QLatin1Char('(') + trigrams.join(QStringLiteral(" AND ")) + QLatin1Char(')');
  }
  if (length >= 3) return FtsString(text);
  if (length != 2) return QString();
  // Shorter than a trigram: every trigram beginning with it that the index holds. (A column
  // always ends with the separator, so a pair at its end begins a trigram too.) The index's
  // vocabulary is read one term at a time, each found by its first occurrence: listing the terms
  // with their counts would read every row of each, and one trigram may be in a million rows.
  connection.Execute(QStringLiteral(
      "create virtual table if not exists temp.quickfind_instances using fts5vocab(main, "
      "quickfind, instance)"));
  // The table takes "after" as "from": the first term not before the bound text is asked for.
  QSqlQuery& next = connection.Prepared(
      QStringLiteral("select term from temp.quickfind_instances where term >= ? limit 1"));
  const QString folded = text.toLower();
  QStringList alternatives;
  // The pair itself, which no trigram equals, then each term followed by the smallest
  // character: the first text after it.
  QString from = folded;
  while (alternatives.size() < kMaxTrigrams) {
    next.bindValue(0, from);
    connection.Run(next);
    const QString term = next.next() ? next.value(0).toString() : QString();
    next.finish();
    if (!term.startsWith(folded)) break;
    alternatives << FtsString(term);
    from = term + QChar(1);
  }
  return alternatives.join(QStringLiteral(" OR "));
}

// The forms a fragment is looked up by: as typed, and its number form when that differs (the
// index ignores case).
QStringList Forms(const QString& fragment, const QString& number) {
  QStringList forms{fragment};
  if (number.compare(fragment, Qt::CaseInsensitive) != 0) forms << number;
  return forms;
}

void RunForKey(Connection& connection, const QStringList& statements, const QString& cid) {
  for (const QString& statement : statements) {
    QSqlQuery& query = connection.Prepared(statement);
    query.bindValue(0, cid);
    connection.Run(query);
    query.finish();
  }
}

}  // namespace

bool FileIndexReady(Connection& connection) {
  QSqlQuery query(connection.Database());
  // The table of this kind, with its triggers (an index of an earlier kind numbers its entries
  // otherwise: the find reads the tables instead until it is made anew).
  QStringList quoted;
  for (const QString& name : TriggerNames()) quoted << SqlQuote(name);
  query.exec(QStringLiteral(
                 "select count(*), count(case when name = 'quickfind' and sql = %1 collate nocase "
                 "then 1 end) from sqlite_master where name in ('quickfind', %2)")
                 .arg(SqlQuote(kFileTable), quoted.join(QLatin1Char(','))));
  return query.next() && query.value(0).toInt() == quoted.size() + 1 && query.value(1).toInt() == 1;
}

QString PrepareFile(Connection& connection, const PrepareProgress& progress) {
  if (FileIndexCurrent(connection)) return QString();
  // What an earlier kind, or an interrupted build, left goes first.
  QStringList statements = {QStringLiteral("drop table if exists quickfind")};
  for (const QString& trigger : TriggerNames())
    statements << QStringLiteral("drop trigger if exists %1").arg(trigger);
  // Filled in one go, the index is left in many pieces, each of which every look-up must
  // search; it is merged into one at the end.
  statements << kFileTable << kFileSettings << FileTriggers() << FileEntries(true)
             << QStringLiteral("insert into quickfind(quickfind) values ('optimize')");
  try {
    BuildOnce(connection, statements,
              QCoreApplication::translate(
                  "QuickFind",
                  "Preparing the database file for the quick find: indexing every "
                  "customer and list row. This is done once."),
              progress);
    return QString();
  } catch (const DataError& error) {
    using Cause = DataError::Cause;
    return FileNotice(connection,
                      error.cause() == Cause::Busy
                          ? QCoreApplication::translate("QuickFind", "another program is using it")
                      : error.cause() == Cause::ReadOnly
                          ? QCoreApplication::translate("QuickFind", "it cannot be written")
                          : error.message());
  }
}

void DropFileIndex(Connection& connection) {
  for (const QString& trigger : TriggerNames())
    connection.Execute(QStringLiteral("drop trigger if exists %1").arg(trigger));
  connection.Execute(QStringLiteral("drop table if exists quickfind"));
}

bool FileRows(Connection& connection, const QString& fragment, const QString& number,
              FoundRows& rows, bool loose) {
  QStringList terms;
  bool looser = false;
  for (const QString& form : Forms(fragment, number)) {
    const QString term = FtsTerm(connection, form, loose);
    if (!term.isEmpty() && !terms.contains(term)) terms << term;
    looser = looser || term.startsWith(QLatin1Char('('));
  }
  if (terms.isEmpty()) return false;
  QSqlQuery& query = connection.Prepared(
      QStringLiteral("select rowid from quickfind where quickfind match ? limit %1")
          .arg(kCandidates));
  query.bindValue(0, terms.join(QStringLiteral(" OR ")));
  connection.Run(query);
  int entries = 0;
  for (; query.next(); ++entries) rows.Add(query.value(0).toLongLong() >> kColumnBits);
  query.finish();
  return looser && entries == kCandidates;
}

void PauseFile(Connection& connection, const QString& cid) {
  Transaction transaction(connection);
  RunForKey(connection, FileEntries(false, true), cid);
  for (const QString& trigger : TriggerNames())
    connection.Execute(QStringLiteral("drop trigger if exists %1").arg(trigger));
  transaction.Commit();
}

void ResumeFile(Connection& connection, const QString& cid) {
  Transaction transaction(connection);
  for (const QString& trigger : FileTriggers()) connection.Execute(trigger);
  RunForKey(connection, FileEntries(true, true), cid);
  transaction.Commit();
}

}  // namespace quickfind
