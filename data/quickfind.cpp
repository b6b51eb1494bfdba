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

// A server's trigram indexes serve fragments of three characters or more; two characters are
// looked up in an index of each row's character pairs.
QString ServerIndexName(int table, bool numbers, bool pairs) {
  return QStringLiteral("quickfind_%1_%2%3")
      .arg(Tables()[table].name, numbers ? QLatin1String("number") : QLatin1String("text"),
           pairs ? QLatin1String("_pairs") : QLatin1String(""));
}

// The pairs of neighbouring characters of a text, for the pairs index: those that start at an
// odd position, then those that start at an even one, each in one pass of the regular
// expression (a pair may come twice; the index keeps each once).
const QString kPairsFunction = QStringLiteral(
    "create or replace function quickfind_pairs(t text) returns text[] language sql immutable "
    "strict parallel safe as $$ select array(select (regexp_matches(t, '..', 'g'))[1]) || "
    "array(select (regexp_matches(substr(t, 2), '..', 'g'))[1]) $$");

// The indexed expression of a table's texts, or of its numbers; `pairs` for the pairs index.
QString ServerIndexed(int table, bool numbers, bool pairs) {
  const QString expression =
      numbers ? NumberSql(table, {}, true) : QStringLiteral("lower(%1)").arg(TextSql(table, {}));
  return pairs ? QStringLiteral("quickfind_pairs(%1)").arg(expression) : expression;
}

QStringList ServerIndexes() {
  QStringList indexes;
  for (int table = 0; table < Tables().size(); ++table)
    for (const bool numbers : {false, true}) {
      if (numbers && NumberColumns(table).isEmpty()) continue;
      for (const bool pairs : {false, true})
        indexes << QStringLiteral("create index if not exists %1 on %2 using gin ((%3)%4)")
                       .arg(ServerIndexName(table, numbers, pairs), Tables()[table].name,
                            ServerIndexed(table, numbers, pairs),
                            pairs ? QLatin1String("") : QLatin1String(" gin_trgm_ops"));
    }
  return indexes;
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
    connection.Execute(QStringLiteral("create extension if not exists pg_trgm"));
    connection.Execute(kPairsFunction);
    for (const QString& statement : ServerIndexes()) connection.Execute(statement);
    // The planner learns how the indexed expressions read only from statistics: without them it
    // takes a rare fragment for a common one and reads a whole table instead of the index.
    for (const TableLayout& table : Tables())
      connection.Execute(QStringLiteral("analyze %1").arg(table.name));
    return QString();
  } catch (const DataError& error) {
    if (HasQuickFindIndex(connection)) return QString();  // another agent made them meanwhile
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

// A double-quoted FTS5 string.
QString FtsString(const QString& text) {
  return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

// The full-text query for one form of the fragment, or an empty text.
QString FtsTerm(Connection& connection, const QString& text) {
  const int length = Length(text);
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

QList<Candidate> IndexCandidates(Connection& connection, const QString& fragment,
                                 const QString& number) {
  // The number form is often the fragment itself (no punctuation in it): each form is looked up
  // once, as the index ignores case.
  QStringList forms{fragment};
  if (number.compare(fragment, Qt::CaseInsensitive) != 0) forms << number;
  QStringList terms;
  for (const QString& form : forms) {
    const QString term = FtsTerm(connection, form);
    if (!term.isEmpty() && !terms.contains(term)) terms << term;
  }
  QList<Candidate> candidates;
  if (terms.isEmpty()) return candidates;
  QSqlQuery& query = connection.Prepared(
      QStringLiteral("select rowid from quickfind where quickfind match ? limit %1")
          .arg(kCandidates));
  query.bindValue(0, terms.join(QStringLiteral(" OR ")));
  connection.Run(query);
  // The rows the entries belong to, by table, each once (several of its columns may match).
  QHash<int, QSet<qint64>> rows;
  while (query.next()) {
    const qint64 entry = query.value(0).toLongLong();
    rows[int((entry >> kColumnBits) & 7)].insert(entry >> (kColumnBits + 3));
  }
  query.finish();
  // Their texts come from the tables, a table's rows in one statement. (An entry whose row is
  // gone meanwhile finds nothing, nor one that names no table: put in by hand.)
  for (int table = 0; table < Tables().size(); ++table) {
    if (!rows.contains(table)) continue;
    QStringList numbers;
    for (const qint64 rowid : rows[table]) numbers << QString::number(rowid);
    QSqlQuery& row = connection.Prepared(
        QStringLiteral("select CID, %1 from %2 where rowid in (select value from json_each(?))")
            .arg(TextSql(table, {}), Tables()[table].name));
    row.bindValue(0, QLatin1Char('[') + numbers.join(QLatin1Char(',')) + QLatin1Char(']'));
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

// Reads the tables themselves: on a server through its trigram indexes, on a file without the
// index row by row.
QList<Candidate> TableCandidates(Connection& connection, const QString& fragment,
                                 const QString& number) {
  QList<Candidate> candidates;
  const bool server = connection.IsServer();
  for (int table = 0; table < Tables().size(); ++table) {
    QStringList conditions;
    QVariantList bound;
    // On a server two characters are one of a row's pairs; longer fragments use LIKE, which
    // the trigram indexes serve.
    auto condition = [&](const QString& wanted, bool numbers) {
      if (server && Length(wanted) == 2) {
        conditions << ServerIndexed(table, numbers, true) + QStringLiteral(" @> array[?::text]");
        bound << wanted;
      } else {
        conditions << (numbers ? NumberSql(table, {}, server)
                               : QStringLiteral("lower(%1)").arg(TextSql(table, {}))) +
                          QStringLiteral(" like ? escape '\\'");
        bound << Contains(wanted);
      }
    };
    if (Length(fragment) >= 2) condition(fragment.toLower(), false);
    if (Length(number) >= 2 && !NumberColumns(table).isEmpty()) condition(number, true);
    if (conditions.isEmpty()) continue;
    QSqlQuery& query = connection.Prepared(
        QStringLiteral("select CID, %1 from %2 where %3 limit %4")
            .arg(TextSql(table, {}), Tables()[table].name, conditions.join(QStringLiteral(" or ")))
            .arg(kCandidates));
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

}  // namespace

bool HasQuickFindIndex(Connection& connection) {
  QSqlQuery query(connection.Database());
  if (connection.IsServer()) {
    query.exec(QStringLiteral(
        "select count(*) from pg_indexes where schemaname = current_schema() and indexname like "
        "'quickfind%'"));
    return query.next() && query.value(0).toInt() == ServerIndexes().size();
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
    for (int table = 0; table < Tables().size(); ++table)
      for (const bool numbers : {false, true})
        for (const bool pairs : {false, true})
          connection.Execute(QStringLiteral("drop index if exists %1")
                                 .arg(ServerIndexName(table, numbers, pairs)));
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
  const bool indexed = !connection.IsServer() && HasQuickFindIndex(connection);
  const QList<Candidate> candidates = indexed ? IndexCandidates(connection, wanted, number)
                                              : TableCandidates(connection, wanted, number);

  // Each customer once, by its best match: (kind, table, column).
  struct Best {
    std::tuple<int, int, int> rank;
    FindHit hit;
  };
  std::map<QString, Best> best;
  for (const Candidate& candidate : candidates) {
    const QStringList columns = SearchColumns(candidate.table);
    const QStringList values = candidate.text.split(kSeparator);
    for (int i = 0; i < columns.size() && i < values.size(); ++i) {
      int kind = MatchKind(values[i], wanted);
      if (IsNumberColumn(columns[i]))
        kind = std::min(kind, MatchKind(Normalized(values[i]), number));
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
