#include <QCoreApplication>
#include <QSqlQuery>

#include "data/connection.h"
#include "data/quickfindindex.h"
#include "data/sqltext.h"
#include "data/transaction.h"

namespace quickfind {

namespace {

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

// A row's searched text as the index holds it.
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

// How many of the index's first rows (customers) a fragment of four characters or more is
// first looked for in, by a plain read: one that a customer in fifty holds or more gives the
// candidates there at once. Through the trigram indexes such a fragment is costly: its common
// trigrams (a given name's "lin", "ing") each list a good part of the rows.
constexpr int kFirstRows = 10000;

}  // namespace

QString ServerKey(int table) {
  return table == 0 ? QStringLiteral("rowid") : Tables()[table].columns.first();
}

bool ServerIndexReady(Connection& connection) {
  QSqlQuery query(connection.Database());
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

bool ServerIndexUsable(Connection& connection) {
  QSqlQuery query(connection.Database());
  query.exec(
      QStringLiteral("select to_regclass('quickfind') is not null and "
                     "to_regprocedure('quickfind_pair_rows(text,integer)') is not null and "
                     "to_regprocedure('quickfind_like_rows(text,text,integer)') is not null"));
  return query.next() && query.value(0).toBool();
}

QString PrepareServer(Connection& connection) {
  try {
    // Under the writers' lock: agents that start at once build it once, and nobody writes a
    // row meanwhile that the filling would miss.
    Transaction transaction(connection);
    if (ServerIndexReady(connection)) return QString();
    for (const QString& statement : ServerBuild()) connection.Execute(statement);
    transaction.Commit();
    return QString();
  } catch (const DataError& error) {
    if (ServerIndexReady(connection)) return QString();  // another agent made it meanwhile
    return QCoreApplication::translate(
               "QuickFind",
               "The %1 has no quick find index, and it cannot be added (%2). The find box "
               "still works, but more slowly; ask the database's owner to run Qel once.")
        .arg(connection.ServerName(), error.message());
  }
}

void DropServerIndex(Connection& connection) {
  for (const TableLayout& table : Tables())
    for (const char* suffix : {"", "_truncate"})
      connection.Execute(QStringLiteral("drop trigger if exists quickfind_%1%2 on %1")
                             .arg(table.name, QLatin1String(suffix)));
  for (const TableLayout& table : Tables())
    connection.Execute(QStringLiteral("drop function if exists quickfind_%1()").arg(table.name));
  for (const QString& name : EarlierServerIndexes())
    connection.Execute(QStringLiteral("drop index if exists %1").arg(name));
  connection.Execute(QStringLiteral("drop table if exists quickfind"));
  connection.Execute(QStringLiteral("drop function if exists quickfind_pair_rows(text, integer)"));
  connection.Execute(
      QStringLiteral("drop function if exists quickfind_like_rows(text, text, integer)"));
  connection.Execute(QStringLiteral("drop function if exists quickfind_pairs(smallint, text)"));
}

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

}  // namespace quickfind
