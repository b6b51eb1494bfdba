#include "data/quickfind.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <map>

#include "data/connection.h"
#include "data/sqltext.h"
#include "data/transaction.h"

namespace {

// Between the columns of one row in the index: never typed, so no fragment spans two columns.
const QChar kSeparator(0x1f);
// What phone and ID numbers are written with besides their digits and letters.
const QString kNumberPunctuation = QStringLiteral(" -()./+,#");
// Rows read per query before the best are picked.
constexpr int kCandidates = 200;
// A two-character fragment is looked up as every trigram that begins with it; beyond this many
// the first ones do.
constexpr int kMaxTrigrams = 400;

// The columns whose punctuation does not count.
bool IsNumberColumn(const QString& column) {
  static const QStringList numbers = {"Cust_id",         "Cust_telhome",   "Cust_cellphone",
                                      "Cust_otherphone", "Cust_teloffice", "Cust_fax",
                                      "fam_id",          "Insur_num"};
  return numbers.contains(column);
}

// The columns searched: every column of the customer, every data column of a list.
QStringList SearchColumns(int table) {
  return table == 0 ? Tables()[0].columns : Tables()[table].columns.mid(2);
}

QStringList NumberColumns(int table) {
  QStringList numbers;
  for (const QString& column : SearchColumns(table))
    if (IsNumberColumn(column)) numbers << column;
  return numbers;
}

// The columns of one row as one text, each followed by the separator (Null as empty).
QString JoinedSql(const QStringList& columns, const QString& prefix) {
  QStringList parts;
  for (const QString& column : columns)
    parts << QStringLiteral("coalesce(%1%2,'')").arg(prefix, column)
          << QLatin1String("'") + kSeparator + QLatin1String("'");
  return parts.join(QStringLiteral(" || "));
}

QString TextSql(int table, const QString& prefix) {
  return JoinedSql(SearchColumns(table), prefix);
}

// A text in SQL without the punctuation of numbers, in lower case (SQLite has no translate).
QString NumberFormSql(const QString& text, bool server) {
  QString sql = text;
  if (server) {
    sql = QStringLiteral("translate(%1, %2, '')").arg(sql, SqlQuote(kNumberPunctuation));
  } else {
    for (QChar c : kNumberPunctuation)
      sql = QStringLiteral("replace(%1, %2, '')").arg(sql, SqlQuote(QString(c)));
  }
  return QStringLiteral("lower(%1)").arg(sql);
}

// The number columns without their punctuation, in lower case; '' for a table without any.
QString NumberSql(int table, const QString& prefix, bool server) {
  const QStringList numbers = NumberColumns(table);
  return numbers.isEmpty() ? QStringLiteral("''")
                           : NumberFormSql(JoinedSql(numbers, prefix), server);
}

QString Normalized(const QString& text) {
  QString out;
  for (QChar c : text)
    if (!kNumberPunctuation.contains(c)) out += c;
  return out.toLower();
}

int Length(const QString& text) {
  return int(text.toUcs4().size());
}

// The trigger names of the index: one per table and event.
QStringList TriggerNames() {
  QStringList names;
  for (const TableLayout& table : Tables())
    for (const char* event : {"insert", "update", "delete"})
      names << QStringLiteral("quickfind_%1_%2").arg(table.name, QLatin1String(event));
  return names;
}

// The index on a server: a table of one row per row of the five tables, numbered by its table
// and row number, holding the row's searched columns as one text in lower case and its number
// columns without punctuation, with trigram indexes (pg_trgm) on both and indexes of their
// character pairs for fragments of two characters. Triggers keep it in step with every write.
// A find reads these short stored texts; matching the tables' columns themselves would join
// and fold every row it passes (about 7 microseconds a customer).
const QString kServerTable = QStringLiteral(
    "create table quickfind (tbl smallint not null, rid bigint not null, txt text not null, num "
    "text not null, primary key (tbl, rid))");
const QStringList kServerIndexNames = {"quickfind_txt", "quickfind_num", "quickfind_txt_pairs",
                                       "quickfind_num_pairs"};

// The pairs of neighbouring characters of a row's text, for the pairs indexes, each after the
// row's table number (so that one table's rows holding a pair are found apart from the others'):
// those that start at an odd position, then those that start at an even one, each in one pass
// of the regular expression (a pair may come twice; the index keeps each once).
const QString kPairsFunction = QStringLiteral(
    "create or replace function quickfind_pairs(tbl smallint, t text) returns text[] language "
    "sql immutable strict parallel safe as $$ select array(select tbl || (regexp_matches(t, "
    "'..', 'g'))[1]) || array(select tbl || (regexp_matches(substr(t, 2), '..', 'g'))[1]) $$");

// The rows that hold a pair, the customers' first, then each list's while fewer than `n` have
// been found, through the pairs indexes alone: read row by row, each row's pairs would be made
// anew (some 30 microseconds a row), so the planner may not choose to.
QString PairRowsFunction() {
  return QStringLiteral(
             "create or replace function quickfind_pair_rows(pair text, n integer) returns setof "
             "bigint language plpgsql stable set enable_seqscan = off as $$ declare found "
             "integer := 0; code bigint; begin for t in 0..%1 loop for code in select rid * 8 + "
             "tbl from quickfind where quickfind_pairs(tbl, txt) @> array[t || pair] or "
             "quickfind_pairs(tbl, num) @> array[t || pair] limit n - found loop return next "
             "code; found := found + 1; end loop; exit when found >= n; end loop; end $$")
      .arg(Tables().size() - 1);
}

// The rows whose text or numbers match a LIKE pattern, through the trigram indexes alone.
const QString kLikeRowsFunction = QStringLiteral(
    "create or replace function quickfind_like_rows(text_pattern text, number_pattern text, n "
    "integer) returns setof bigint language sql stable set enable_seqscan = off as $$ select "
    "rid * 8 + tbl from quickfind where txt like text_pattern escape '\' or num like "
    "number_pattern escape '\' limit n $$");

// The index expressions of an earlier Qel, made on the tables themselves: dropped when the table
// of the index is made.
QStringList EarlierServerIndexes() {
  QStringList names;
  for (const TableLayout& table : Tables())
    for (const char* kind : {"text", "number", "text_pairs", "number_pairs"})
      names << QStringLiteral("quickfind_%1_%2").arg(table.name, QLatin1String(kind));
  return names;
}

// A table's row number on a server.
QString ServerKey(int table) {
  return table == 0 ? QStringLiteral("rowid") : Tables()[table].columns.first();
}

// A row's searched text and its numbers as the index holds them.
QString ServerTextSql(int table, const QString& prefix) {
  return QStringLiteral("lower(%1)").arg(TextSql(table, prefix));
}

// The function and triggers that keep the index in step with one table: a row's index row is
// written again whenever the row is (made anew should it be missing: a write never fails for
// the index's sake); a truncated table's rows go.
QStringList ServerTriggers(int table) {
  const QString& name = Tables()[table].name;
  const QString key = ServerKey(table);
  const QString number = QString::number(table);
  return {QStringLiteral(
              "create or replace function quickfind_%1() returns trigger language plpgsql as $$ "
              "begin if tg_op = 'TRUNCATE' then delete from quickfind where tbl = %2; "
              "elsif tg_op = 'DELETE' then delete from quickfind where tbl = %2 and rid = old.%3; "
              "else if tg_op = 'UPDATE' and old.%3 = new.%3 then update quickfind set txt = %4, "
              "num = %5 where tbl = %2 and rid = new.%3; if found then return null; end if; "
              "elsif tg_op = 'UPDATE' then delete from quickfind where tbl = %2 and rid = old.%3; "
              "end if; insert into quickfind values (%2, new.%3, %4, %5) on conflict (tbl, rid) do "
              "update set txt = excluded.txt, num = excluded.num; end if; return null; end $$")
              .arg(name, number, key, ServerTextSql(table, QStringLiteral("new.")),
                   NumberSql(table, QStringLiteral("new."), true)),
          QStringLiteral("create trigger quickfind_%1 after insert or update or delete on %1 for "
                         "each row execute function quickfind_%1()")
              .arg(name),
          QStringLiteral("create trigger quickfind_%1_truncate after truncate on %1 for each "
                         "statement execute function quickfind_%1()")
              .arg(name)};
}

QStringList ServerTriggerNames() {
  QStringList names;
  for (const TableLayout& table : Tables())
    names << QStringLiteral("quickfind_%1").arg(table.name)
          << QStringLiteral("quickfind_%1_truncate").arg(table.name);
  return names;
}

// What makes the index anew: what an earlier Qel made goes, the table is filled from the five
// tables, and its indexes are built once it is full (faster than keeping them up row by row).
QStringList ServerBuild() {
  QStringList statements = {QStringLiteral("create extension if not exists pg_trgm")};
  for (const QString& name : EarlierServerIndexes())
    statements << QStringLiteral("drop index if exists %1").arg(name);
  statements << QStringLiteral("drop function if exists quickfind_pairs(text)")
             << QStringLiteral("drop table if exists quickfind") << kServerTable << kPairsFunction;
  for (int table = 0; table < Tables().size(); ++table) {
    const QString& name = Tables()[table].name;
    statements << QStringLiteral("drop trigger if exists quickfind_%1 on %1").arg(name)
               << QStringLiteral("drop trigger if exists quickfind_%1_truncate on %1").arg(name)
               << ServerTriggers(table)
               << QStringLiteral("insert into quickfind select %1, %2, %3, %4 from %5")
                      .arg(QString::number(table), ServerKey(table), ServerTextSql(table, {}),
                           NumberSql(table, {}, true), name);
  }
  statements
      << QStringLiteral("create index quickfind_txt on quickfind using gin (txt gin_trgm_ops)")
      << QStringLiteral("create index quickfind_num on quickfind using gin (num gin_trgm_ops)")
      << QStringLiteral(
             "create index quickfind_txt_pairs on quickfind using gin (quickfind_pairs(tbl, txt))")
      << QStringLiteral(
             "create index quickfind_num_pairs on quickfind using gin (quickfind_pairs(tbl, num))")
      << PairRowsFunction()
      << kLikeRowsFunction
      // The planner learns how common a fragment is only from statistics: without them it
      // takes a rare fragment for a common one and reads the whole table.
      << QStringLiteral("analyze quickfind");
  return statements;
}

// The index on a file: one entry per filled column of every row, numbered
// (row number * 8 + table) * 32 + column, so that a save that changes one column rewrites that
// column's entry alone. It keeps neither the texts (the tables have them) nor column sizes
// (nothing ranks by them): each would cost every write a row more. It merges its pieces
// sixteen at a time, which halves what writes spend on merging against the default of four.
const QString kFileTable = QStringLiteral(
    "create virtual table quickfind using fts5(txt, norm, tokenize='trigram', content='', "
    "columnsize=0)");
const QStringList kFileSettings = {
    QStringLiteral("insert into quickfind(quickfind, rank) values ('automerge', 16)"),
    QStringLiteral("insert into quickfind(quickfind, rank) values ('crisismerge', 64)")};
constexpr int kColumnBits = 5;

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

QString PrepareServer(Connection& connection) {
  try {
    // Under the writers' lock: agents that start at once build it once, and nobody writes a
    // row meanwhile that the filling would miss.
    Transaction transaction(connection);
    if (HasQuickFindIndex(connection)) return QString();
    for (const QString& statement : ServerBuild()) connection.Execute(statement);
    transaction.Commit();
    return QString();
  } catch (const DataError& error) {
    if (HasQuickFindIndex(connection)) return QString();  // another agent made it meanwhile
    return QCoreApplication::translate(
               "QuickFind",
               "The %1 has no quick find index, and it cannot be added (%2). The find box "
               "still works, but more slowly; ask the database's owner to run Qel once.")
        .arg(connection.ServerName(), error.message());
  }
}

// A row that may hold the fragment: its table, its customer's key and its searched columns.
struct Candidate {
  int table = 0;
  QString cid;
  QString text;
};

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

// The forms a fragment is looked up by: as typed, and its number form when that differs (the
// index ignores case).
QStringList Forms(const QString& fragment, const QString& number) {
  QStringList forms{fragment};
  if (number.compare(fragment, Qt::CaseInsensitive) != 0) forms << number;
  return forms;
}

// Looks the fragment up in the file's index, `loose`ly (long fragments by some of their
// trigrams) or exactly. Gives whether a loose look-up read as many entries as it may: rows
// that do not hold the fragment may then have crowded out some that do.
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

// The texts of the rows found come from the tables, a table's rows in one statement. (A row
// gone meanwhile finds nothing, nor an entry that names no table: put in by hand.)
QList<Candidate> RowTexts(Connection& connection, const FoundRows& found) {
  QList<Candidate> candidates;
  const bool server = connection.IsServer();
  for (int table = 0; table < Tables().size(); ++table) {
    if (!found.ByTable().contains(table)) continue;
    QStringList numbers;
    for (const qint64 rowid : found.ByTable()[table]) numbers << QString::number(rowid);
    const QString list = numbers.join(QLatin1Char(','));
    QSqlQuery& row = connection.Prepared(
        QStringLiteral("select CID, %1 from %2 where %3")
            .arg(TextSql(table, {}), Tables()[table].name,
                 server ? ServerKey(table) + QStringLiteral(" = any(?::bigint[])")
                        : QStringLiteral("rowid in (select value from json_each(?))")));
    row.bindValue(0, server ? u'{' + list + u'}' : u'[' + list + u']');
    connection.Run(row);
    while (row.next()) candidates.append({table, row.value(0).toString(), row.value(1).toString()});
    row.finish();
  }
  return candidates;
}

// A LIKE pattern that finds the text anywhere, with its wildcards taken literally.
QString Contains(const QString& text) {
  QString escaped = text;
  escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
      .replace(QLatin1Char('%'), QStringLiteral("\\%"))
      .replace(QLatin1Char('_'), QStringLiteral("\\_"));
  return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// How many of the index's first rows (customers) a fragment of four characters or more is
// first looked for in, by a plain read: one that a customer in fifty holds or more gives the
// candidates there at once. Through the trigram indexes such a fragment is costly: its common
// trigrams (a given name's "lin", "ing") each list a good part of the rows.
constexpr int kFirstRows = 10000;

// On a server each statement runs once, not prepared: a prepared statement may be given one
// plan for every fragment. A pair, and a long fragment not common among the first rows, are
// looked up through the indexes alone, by functions that forbid reading the table row by row.
// Three characters are one trigram: the planner reads its index for a rare one and the table,
// until enough rows are found, for a common one.
void ServerRows(Connection& connection, const QString& fragment, const QString& number,
                FoundRows& rows) {
  const QString text = fragment.toLower();
  const int length = Length(text);
  const auto take = [&](QStringView code) { rows.Add(code.toLongLong()); };
  QStringList pairs;
  for (const QString& form : {text, number})
    if (Length(form) == 2 && !pairs.contains(form)) pairs << form;
  for (const QString& pair : pairs)
    if (!rows.Full())
      connection.ForEachText(QStringLiteral("select quickfind_pair_rows(%1, %2)")
                                 .arg(SqlQuote(pair), QString::number(kCandidates)),
                             take);
  if (length == 3 && !rows.Full()) {
    QStringList likes{QStringLiteral("txt like %1 escape '\\'").arg(SqlQuote(Contains(text)))};
    if (Length(number) == 3)
      likes << QStringLiteral("num like %1 escape '\\'").arg(SqlQuote(Contains(number)));
    connection.ForEachText(
        QStringLiteral("select rid * 8 + tbl from quickfind where %1 limit %2")
            .arg(likes.join(QStringLiteral(" or ")), QString::number(kCandidates)),
        take);
  }
  if (length < 4 || rows.Full()) return;
  // strpos skips along a text faster than LIKE matches it: in a third of the time.
  QStringList holds{QStringLiteral("strpos(txt, %1) > 0").arg(SqlQuote(text))};
  if (Length(number) >= 2) holds << QStringLiteral("strpos(num, %1) > 0").arg(SqlQuote(number));
  connection.ForEachText(QStringLiteral("select rid * 8 + tbl from (select tbl, rid, txt, num "
                                        "from quickfind limit %1) s where %2 limit %3")
                             .arg(QString::number(kFirstRows), holds.join(QStringLiteral(" or ")),
                                  QString::number(kCandidates)),
                         take);
  // A number form too short for a trigram is one of the pairs; the text's pattern then stands
  // in for it (the numbers hold no punctuation, so it finds there only what the text finds).
  if (!rows.Full())
    connection.ForEachText(
        QStringLiteral("select quickfind_like_rows(%1, %2, %3)")
            .arg(SqlQuote(Contains(text)), SqlQuote(Contains(Length(number) >= 3 ? number : text)),
                 QString::number(kCandidates)),
        take);
}

// Reads the tables themselves, row by row, where the index is missing. As many rows as the
// index gives, the customers' first: a table is read only while fewer have been found.
QList<Candidate> TableCandidates(Connection& connection, const QString& fragment,
                                 const QString& number) {
  QList<Candidate> candidates;
  const bool server = connection.IsServer();
  for (int table = 0; table < Tables().size() && candidates.size() < kCandidates; ++table) {
    QStringList conditions;
    QVariantList bound;
    if (Length(fragment) >= 2) {
      conditions << QStringLiteral("lower(%1) like ? escape '\\'").arg(TextSql(table, {}));
      bound << Contains(fragment.toLower());
    }
    if (Length(number) >= 2 && !NumberColumns(table).isEmpty()) {
      conditions << NumberSql(table, {}, server) + QStringLiteral(" like ? escape '\\'");
      bound << Contains(number);
    }
    if (conditions.isEmpty()) continue;
    QSqlQuery& query = connection.Prepared(QStringLiteral("select CID, %1 from %2 where %3 limit ?")
                                               .arg(TextSql(table, {}), Tables()[table].name,
                                                    conditions.join(QStringLiteral(" or "))));
    bound << kCandidates - int(candidates.size());
    for (int i = 0; i < bound.size(); ++i) query.bindValue(i, bound[i]);
    connection.Run(query);
    while (query.next())
      candidates.append({table, query.value(0).toString(), query.value(1).toString()});
    query.finish();
  }
  return candidates;
}

// How well a stored text matches: 0 the whole text, 1 its beginning, 2 anywhere, 3 not at all.
int MatchKind(const QString& value, const QString& wanted) {
  if (Length(wanted) < 2) return 3;
  if (value.compare(wanted, Qt::CaseInsensitive) == 0) return 0;
  if (value.startsWith(wanted, Qt::CaseInsensitive)) return 1;
  return value.contains(wanted, Qt::CaseInsensitive) ? 2 : 3;
}

// How well each searched column of a candidate matches the fragment (as typed, or for a number
// column its number form too), in the columns' order.
QList<int> ColumnKinds(const Candidate& candidate, const QString& wanted, const QString& number) {
  const QStringList columns = SearchColumns(candidate.table);
  const QStringList values = candidate.text.split(kSeparator);
  QList<int> kinds;
  for (int i = 0; i < columns.size() && i < values.size(); ++i) {
    int kind = MatchKind(values[i], wanted);
    if (IsNumberColumn(columns[i])) kind = std::min(kind, MatchKind(Normalized(values[i]), number));
    kinds << kind;
  }
  return kinds;
}

bool Holds(const Candidate& candidate, const QString& wanted, const QString& number) {
  const QList<int> kinds = ColumnKinds(candidate, wanted, number);
  return std::any_of(kinds.begin(), kinds.end(), [](int kind) { return kind < 3; });
}

// Whether a find can use the index: on a server, its table and function are there (the whole
// index is checked when the database is opened, and the full check costs a keystroke some
// milliseconds); on a file, the index is of this kind.
bool IndexUsable(Connection& connection) {
  if (!connection.IsServer()) return HasQuickFindIndex(connection);
  QSqlQuery query(connection.Database());
  query.exec(
      QStringLiteral("select to_regclass('quickfind') is not null and "
                     "to_regprocedure('quickfind_pair_rows(text,integer)') is not null"));
  return query.next() && query.value(0).toBool();
}

}  // namespace

bool HasQuickFindIndex(Connection& connection) {
  QSqlQuery query(connection.Database());
  if (connection.IsServer()) {
    // The table with its indexes, the triggers on the five tables, and the pairs' function.
    QStringList indexes, triggers;
    for (const QString& name : kServerIndexNames) indexes << SqlQuote(name);
    for (const QString& name : ServerTriggerNames()) triggers << SqlQuote(name);
    query.exec(QStringLiteral(
                   "select (select count(*) from pg_indexes where schemaname = current_schema() "
                   "and tablename = 'quickfind' and indexname in (%1)) = %2 and (select count(*) "
                   "from pg_trigger t join pg_class c on c.oid = t.tgrelid where c.relnamespace = "
                   "current_schema()::regnamespace and t.tgname in (%3)) = %4 and "
                   "to_regprocedure('quickfind_pair_rows(text,integer)') is not null and "
                   "to_regprocedure('quickfind_like_rows(text,text,integer)') is not null")
                   .arg(indexes.join(u','), QString::number(indexes.size()), triggers.join(u','),
                        QString::number(triggers.size())));
    return query.next() && query.value(0).toBool();
  }
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

QString PrepareQuickFind(Connection& connection, const PrepareProgress& progress) {
  if (connection.IsServer())
    return HasQuickFindIndex(connection) ? QString() : PrepareServer(connection);
  return PrepareFile(connection, progress);
}

void DropQuickFind(Connection& connection) {
  if (connection.IsServer()) {
    for (const TableLayout& table : Tables())
      for (const char* suffix : {"", "_truncate"})
        connection.Execute(QStringLiteral("drop trigger if exists quickfind_%1%2 on %1")
                               .arg(table.name, QLatin1String(suffix)));
    for (const TableLayout& table : Tables())
      connection.Execute(QStringLiteral("drop function if exists quickfind_%1()").arg(table.name));
    for (const QString& name : EarlierServerIndexes())
      connection.Execute(QStringLiteral("drop index if exists %1").arg(name));
    connection.Execute(QStringLiteral("drop table if exists quickfind"));
    connection.Execute(
        QStringLiteral("drop function if exists quickfind_pair_rows(text, integer)"));
    connection.Execute(
        QStringLiteral("drop function if exists quickfind_like_rows(text, text, integer)"));
    connection.Execute(QStringLiteral("drop function if exists quickfind_pairs(smallint, text)"));
    return;
  }
  for (const QString& trigger : TriggerNames())
    connection.Execute(QStringLiteral("drop trigger if exists %1").arg(trigger));
  connection.Execute(QStringLiteral("drop table if exists quickfind"));
}

namespace {

void RunForKey(Connection& connection, const QStringList& statements, const QString& cid) {
  for (const QString& statement : statements) {
    QSqlQuery& query = connection.Prepared(statement);
    query.bindValue(0, cid);
    connection.Run(query);
    query.finish();
  }
}

}  // namespace

void PauseQuickFind(Connection& connection, const QString& cid) {
  Transaction transaction(connection);
  RunForKey(connection, FileEntries(false, true), cid);
  for (const QString& trigger : TriggerNames())
    connection.Execute(QStringLiteral("drop trigger if exists %1").arg(trigger));
  transaction.Commit();
}

void ResumeQuickFind(Connection& connection, const QString& cid) {
  Transaction transaction(connection);
  for (const QString& trigger : FileTriggers()) connection.Execute(trigger);
  RunForKey(connection, FileEntries(true, true), cid);
  transaction.Commit();
}

QList<FindHit> QuickFind(Connection& connection, const QString& fragment, int limit) {
  const QString wanted = fragment.trimmed();
  const QString number = Normalized(wanted);
  if (Length(wanted) < 2) return {};
  QList<Candidate> candidates;
  if (IndexUsable(connection)) {
    FoundRows rows;
    if (connection.IsServer()) {
      ServerRows(connection, wanted, number, rows);
      candidates = RowTexts(connection, rows);
    } else {
      const bool crowded = FileRows(connection, wanted, number, rows, true);
      candidates = RowTexts(connection, rows);
      if (crowded && !std::all_of(candidates.begin(), candidates.end(),
                                  [&](const Candidate& c) { return Holds(c, wanted, number); })) {
        FoundRows exact;
        FileRows(connection, wanted, number, exact, false);
        candidates = RowTexts(connection, exact);
      }
    }
  } else {
    candidates = TableCandidates(connection, wanted, number);
  }

  // Each customer once, by its best match: (kind, table, column).
  struct Best {
    std::tuple<int, int, int> rank;
    FindHit hit;
  };
  std::map<QString, Best> best;
  for (const Candidate& candidate : candidates) {
    const QStringList columns = SearchColumns(candidate.table);
    const QStringList values = candidate.text.split(kSeparator);
    const QList<int> kinds = ColumnKinds(candidate, wanted, number);
    for (int i = 0; i < kinds.size(); ++i) {
      const int kind = kinds[i];
      if (kind == 3) continue;
      const std::tuple<int, int, int> rank{kind, candidate.table, i};
      auto it = best.find(candidate.cid);
      if (it == best.end() || rank < it->second.rank) {
        FindHit hit;
        hit.cid = candidate.cid;
        hit.table = Tables()[candidate.table].name;
        hit.column = columns[i];
        hit.value = values[i];
        best[candidate.cid] = {rank, hit};
      }
    }
  }
  std::vector<Best> ordered;
  for (auto& [cid, entry] : best) ordered.push_back(entry);
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Best& a, const Best& b) { return a.rank < b.rank; });

  QList<FindHit> hits;
  QSqlQuery& customer =
      connection.Prepared(QStringLiteral("select rowid, Cust_name from customer where CID = ?"));
  for (Best& entry : ordered) {
    if (hits.size() >= limit) break;
    customer.bindValue(0, entry.hit.cid);
    connection.Run(customer);
    // A list row whose customer is gone finds nobody.
    if (customer.next()) {
      entry.hit.rowid = customer.value(0).toLongLong();
      entry.hit.name = customer.value(1).toString();
      hits << entry.hit;
    }
    customer.finish();
  }
  return hits;
}
