#include <QCoreApplication>
#include <QSqlQuery>

#include "data/connection.h"
#include "data/quickfindindex.h"
#include "data/sqltext.h"
#include "data/transaction.h"

namespace quickfind {

namespace {

// The index on a server: a table of one entry per filled column of every row of the five
// tables (numbered as kColumnBits says), holding the column's text in lower case and, for a
// number column, its text without punctuation too, with trigram indexes (pg_trgm) on both and
// indexes of their character pairs for fragments of two characters. Triggers keep it in step
// with every write: a save that changes a customer's e-mail address rewrites that one entry,
// with its few trigrams and pairs, not the hundreds of the whole row.
const QString kServerTable = QStringLiteral(
    "create table quickfind_entries (code bigint not null, txt text not null, num text)");
// Besides, each customer's searched columns as one text in lower case and its number columns
// without punctuation, for a plain read of the first customers: a fragment of four characters
// or more that many customers hold is found there at once. Through the trigram indexes such a
// fragment is costly (its common trigrams each list a good part of the entries), and a read of
// the entries themselves passes twenty of them for each customer. Room is left in each page,
// so that a save writes the customer's new text beside the old one, without a new index entry.
const QString kCustomersTable = QStringLiteral(
    "create table quickfind_customers (rid bigint primary key, txt text not null, num text not "
    "null) with (fillfactor = 90)");
const QStringList kServerIndexNames = {
    "quickfind_customers_pkey", "quickfind_entries_pkey",      "quickfind_entries_txt",
    "quickfind_entries_num",    "quickfind_entries_txt_pairs", "quickfind_entries_num_pairs"};

// The pairs of neighbouring characters of an entry's text, for the pairs indexes, each after
// the entry's table number (so that one table's entries holding a pair are found apart from
// the others'): those that start at an odd position, then those that start at an even one,
// each in one pass of the regular expression, which puts a separator after each pair (a pair
// may come twice; the index keeps it once). One expression, without a query inside, so that
// the server puts it in place of the call: a function it runs as a query of its own costs a
// save 0.1 ms more for each field written. The expression is read in the session of whoever
// writes, so it holds no backslash (chr(92) is the one before the group's number), which a
// session without standard conforming strings reads as an escape.
const QString kPairsFunction = QStringLiteral(
    "create or replace function quickfind_entry_pairs(code bigint, t text) returns text[] "
    "language sql immutable parallel safe as $$ select array_remove(regexp_split_to_array("
    "rtrim(regexp_replace(left(t, length(t) / 2 * 2), '(..)', ((code >> 5) & 7)::text || "
    "chr(92) || '1' || chr(31), 'g') || regexp_replace(left(substr(t, 2), (length(t) - 1) / 2 * "
    "2), '(..)', ((code >> 5) & 7)::text || chr(92) || '1' || chr(31), 'g'), chr(31)), chr(31)), "
    "'') $$");

// The rows that hold a pair, the customers' first, then each list's while fewer than `n` have
// been found, through the pairs indexes alone: read entry by entry, each entry's pairs would
// be made anew, so the planner may not choose to. Nor may it compile the look-up to machine
// code, which its estimate for a common pair asks for and which takes longer than the look-up.
// A row's entries mostly lie together, so a row whose columns hold the pair twice mostly
// counts once towards `n` (the find takes each row once anyway).
QString PairRowsFunction() {
  return QStringLiteral(
             "create or replace function quickfind_entry_pair_rows(pair text, n integer) returns "
             "setof bigint language plpgsql stable set enable_seqscan = off set jit = off as $$ "
             "declare found integer := 0; last bigint := -1; code bigint; begin for t in 0..%1 "
             "loop for code in select e.code >> 5 from quickfind_entries e where "
             "quickfind_entry_pairs(e.code, e.txt) @> array[t || pair] or (e.num is not null and "
             "quickfind_entry_pairs(e.code, e.num) @> array[t || pair]) loop if code <> last "
             "then return next code; last := code; found := found + 1; exit when found >= n; "
             "end if; end loop; exit when found >= n; end loop; end $$")
      .arg(Tables().size() - 1);
}

// The rows whose texts or numbers match a LIKE pattern, through the trigram indexes alone.
const QString kLikeRowsFunction = QStringLiteral(
    "create or replace function quickfind_entry_like_rows(text_pattern text, number_pattern "
    "text, n integer) returns setof bigint language sql stable set enable_seqscan = off set jit "
    "= off as $$ select code >> 5 from quickfind_entries where txt like text_pattern escape '\\' "
    "or (num is not null and num like number_pattern escape '\\') limit n $$");

// What earlier Qels made for the index, which goes when the index is made: trigram indexes on
// the tables' own columns, then a table of one row per row of the five tables (each save wrote
// the whole row's trigrams and pairs again).
QStringList EarlierServerObjects() {
  QStringList statements;
  for (const TableLayout& table : Tables()) {
    for (const char* kind : {"text", "number", "text_pairs", "number_pairs"})
      statements << QStringLiteral("drop index if exists quickfind_%1_%2")
                        .arg(table.name, QLatin1String(kind));
    for (const char* suffix : {"", "_truncate"})
      statements << QStringLiteral("drop trigger if exists quickfind_%1%2 on %1")
                        .arg(table.name, QLatin1String(suffix));
    statements << QStringLiteral("drop function if exists quickfind_%1()").arg(table.name);
  }
  return statements << QStringLiteral("drop table if exists quickfind")
                    << QStringLiteral("drop function if exists quickfind_pair_rows(text, integer)")
                    << QStringLiteral(
                           "drop function if exists quickfind_like_rows(text, text, integer)")
                    << QStringLiteral("drop function if exists quickfind_pairs(smallint, text)")
                    << QStringLiteral("drop function if exists quickfind_pairs(text)");
}

// The first entry number of the row whose number is `key`, in SQL.
QString FirstEntrySql(int table, const QString& key) {
  return QStringLiteral("%1 * %2 + %3").arg(key).arg(8 << kColumnBits).arg(table << kColumnBits);
}

// An entry's number form: the column without punctuation for a number column, else Null.
QString EntryNumberSql(const QString& column, const QString& prefix) {
  return IsNumberColumn(column) ? NumberFormSql(prefix + column, true)
                                : QStringLiteral("null::text");
}

// The entries of the filled columns of a row, numbered from `first` (SQL), as a select over
// the columns of `prefix` (new. in a trigger, none in a select from the table itself).
QString EntriesSql(int table, const QString& first, const QString& prefix, const QString& from) {
  QStringList values;
  const QStringList columns = SearchColumns(table);
  for (int c = 0; c < columns.size(); ++c)
    values << QStringLiteral("(%1, %2%3, %4)")
                  .arg(c)
                  .arg(prefix, columns[c], EntryNumberSql(columns[c], prefix));
  return QStringLiteral("select %1 + c, lower(v), n from %2(values %3) x(c, v, n) where v <> ''")
      .arg(first, from, values.join(QStringLiteral(", ")));
}

// What writing a row that is there already does: it writes the texts over.
QString Upsert(const QString& key) {
  return QStringLiteral(" on conflict (%1) do update set txt = excluded.txt, num = excluded.num")
      .arg(key);
}

// A customer's row of quickfind_customers, from the columns of `prefix`.
QString CustomerTextsSql(const QString& prefix) {
  return QStringLiteral("select %1rowid, lower(%2), %3")
      .arg(prefix, TextSql(0, prefix), NumberSql(0, prefix, true));
}

// The function and triggers that keep the index in step with one table. An update rewrites
// the entries of the columns it changed alone (a row given another number: all of them), and
// one that changes nothing (a save that changed only the lists writes the customer row as it
// was) writes nothing; an entry missing is made anew, so a write never fails for the index's
// sake. A truncated table's entries go.
QStringList ServerTriggers(int table) {
  const QString& name = Tables()[table].name;
  const QString key = ServerKey(table);
  const QStringList columns = SearchColumns(table);
  const QString oldRow =
      QStringLiteral("delete from quickfind_entries where code between %1 and %1 + %2;")
          .arg(FirstEntrySql(table, QStringLiteral("old.") + key))
          .arg((1 << kColumnBits) - 1);
  QStringList changed;
  for (int c = 0; c < columns.size(); ++c) {
    const QString& column = columns[c];
    changed << QStringLiteral(
                   "if new.%1 is distinct from old.%1 then if coalesce(new.%1, '') = '' then "
                   "delete from quickfind_entries where code = base + %2; else insert into "
                   "quickfind_entries values (base + %2, lower(new.%1), %3)%4; end if; end if;")
                   .arg(column)
                   .arg(c)
                   .arg(EntryNumberSql(column, QStringLiteral("new.")),
                        Upsert(QStringLiteral("code")));
  }
  // The customers' searched texts joined, besides, for the read of the first customers.
  const bool customers = table == 0;
  const auto customersGo = [&](const QString& where) {
    return customers ? QStringLiteral("delete from quickfind_customers%1;").arg(where) : QString();
  };
  const QString customerWritten = customers ? QStringLiteral("insert into quickfind_customers ") +
                                                  CustomerTextsSql(QStringLiteral("new.")) +
                                                  Upsert(QStringLiteral("rid")) + u';'
                                            : QString();
  const QString body =
      QStringLiteral(
          "if tg_op = 'TRUNCATE' then delete from quickfind_entries where (code >> %1) & 7 = %2; "
          "%3 return null; end if; if tg_op = 'UPDATE' and old is not distinct from new then "
          "return null; end if; if tg_op = 'DELETE' or (tg_op = 'UPDATE' and old.%4 <> "
          "new.%4) then %5 %6 end if; if tg_op = 'DELETE' then return null; end if; %7 base := "
          "%8; if tg_op = 'UPDATE' and old.%4 = new.%4 then %9 return null; end if; ")
          .arg(QString::number(kColumnBits), QString::number(table), customersGo({}), key, oldRow,
               customersGo(QStringLiteral(" where rid = old.rowid")), customerWritten,
               FirstEntrySql(table, QStringLiteral("new.") + key), changed.join(u' ')) +
      QStringLiteral("insert into quickfind_entries ") +
      EntriesSql(table, QStringLiteral("base"), QStringLiteral("new."), {}) +
      Upsert(QStringLiteral("code")) + QStringLiteral("; return null;");
  return {QStringLiteral("create or replace function quickfind_entries_%1() returns trigger "
                         "language plpgsql as $$ declare base bigint; begin %2 end $$")
              .arg(name, body),
          QStringLiteral("create trigger quickfind_entries_%1 after insert or update or delete "
                         "on %1 for each row execute function quickfind_entries_%1()")
              .arg(name),
          QStringLiteral("create trigger quickfind_entries_%1_truncate after truncate on %1 for "
                         "each statement execute function quickfind_entries_%1()")
              .arg(name)};
}

QStringList ServerTriggerNames() {
  QStringList names;
  for (const TableLayout& table : Tables())
    names << QStringLiteral("quickfind_entries_%1").arg(table.name)
          << QStringLiteral("quickfind_entries_%1_truncate").arg(table.name);
  return names;
}

// What makes the index anew: what an earlier Qel made goes, the table is filled from the five
// tables, and its indexes are built once it is full (faster than keeping them up entry by
// entry). The number indexes hold the number columns' entries alone.
QStringList ServerBuild() {
  QStringList statements = {QStringLiteral("create extension if not exists pg_trgm")};
  statements << EarlierServerObjects() << QStringLiteral("drop table if exists quickfind_entries")
             << QStringLiteral("drop table if exists quickfind_customers") << kServerTable
             << kCustomersTable << kPairsFunction
             << QStringLiteral("insert into quickfind_customers ") + CustomerTextsSql({}) +
                    QStringLiteral(" from customer");
  for (int table = 0; table < Tables().size(); ++table) {
    const QString& name = Tables()[table].name;
    statements
        << QStringLiteral("drop trigger if exists quickfind_entries_%1 on %1").arg(name)
        << QStringLiteral("drop trigger if exists quickfind_entries_%1_truncate on %1").arg(name)
        << ServerTriggers(table)
        << QStringLiteral("insert into quickfind_entries ") +
               EntriesSql(table, FirstEntrySql(table, ServerKey(table)), {},
                          name + QStringLiteral(" cross join lateral "));
  }
  statements << QStringLiteral("alter table quickfind_entries add primary key (code)");
  // A GIN index gathers new entries in a list that every look-up reads in whole, until it is
  // merged into the index: kept short (128 kB against the default 4 MB), it costs a find little
  // (a pair's look-up read it once per table) and a write no more.
  const QString gin = QStringLiteral(
      "create index quickfind_entries_%1 on quickfind_entries using gin (%2) with "
      "(gin_pending_list_limit = 128)%3");
  const QString numbers = QStringLiteral(" where num is not null");
  statements << gin.arg(QStringLiteral("txt"), QStringLiteral("txt gin_trgm_ops"), QString())
             << gin.arg(QStringLiteral("num"), QStringLiteral("num gin_trgm_ops"), numbers)
             << gin.arg(QStringLiteral("txt_pairs"),
                        QStringLiteral("quickfind_entry_pairs(code, txt)"), QString())
             << gin.arg(QStringLiteral("num_pairs"),
                        QStringLiteral("quickfind_entry_pairs(code, num)"), numbers)
             << PairRowsFunction()
             << kLikeRowsFunction
             // The planner learns how common a fragment is only from statistics: without them it
             // takes a rare fragment for a common one and reads the whole table.
             << QStringLiteral("analyze quickfind_entries")
             << QStringLiteral("analyze quickfind_customers");
  return statements;
}

// How many of the first customers a fragment of four characters or more is first looked for
// in: one that a customer in fifty holds gives the candidates there at once.
constexpr int kFirstCustomers = 10000;

}  // namespace

QString ServerKey(int table) {
  return table == 0 ? QStringLiteral("rowid") : Tables()[table].columns.first();
}

bool ServerIndexReady(Connection& connection) {
  QSqlQuery query(connection.Database());
  // The table with its indexes, the triggers on the five tables, and the look-up functions.
  QStringList indexes, triggers;
  for (const QString& name : kServerIndexNames) indexes << SqlQuote(name);
  for (const QString& name : ServerTriggerNames()) triggers << SqlQuote(name);
  query.exec(QStringLiteral(
                 "select (select count(*) from pg_indexes where schemaname = current_schema() "
                 "and tablename in ('quickfind_entries', 'quickfind_customers') and indexname in "
                 "(%1)) = %2 and (select "
                 "count(*) from pg_trigger t join pg_class c on c.oid = t.tgrelid where "
                 "c.relnamespace = current_schema()::regnamespace and t.tgname in (%3)) = %4 and "
                 "to_regprocedure('quickfind_entry_pair_rows(text,integer)') is not null and "
                 "to_regprocedure('quickfind_entry_like_rows(text,text,integer)') is not null")
                 .arg(indexes.join(u','), QString::number(indexes.size()), triggers.join(u','),
                      QString::number(triggers.size())));
  return query.next() && query.value(0).toBool();
}

bool ServerIndexUsable(Connection& connection) {
  QSqlQuery query(connection.Database());
  query.exec(QStringLiteral(
      "select to_regclass('quickfind_entries') is not null and to_regclass('quickfind_customers') "
      "is not null and "
      "to_regprocedure('quickfind_entry_pair_rows(text,integer)') is not null and "
      "to_regprocedure('quickfind_entry_like_rows(text,text,integer)') is not null"));
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
  QStringList statements = EarlierServerObjects();
  for (const TableLayout& table : Tables())
    statements
        << QStringLiteral("drop trigger if exists quickfind_entries_%1 on %1").arg(table.name)
        << QStringLiteral("drop trigger if exists quickfind_entries_%1_truncate on %1")
               .arg(table.name)
        << QStringLiteral("drop function if exists quickfind_entries_%1()").arg(table.name);
  statements << QStringLiteral("drop table if exists quickfind_entries")
             << QStringLiteral("drop table if exists quickfind_customers")
             << QStringLiteral("drop function if exists quickfind_entry_pair_rows(text, integer)")
             << QStringLiteral(
                    "drop function if exists quickfind_entry_like_rows(text, text, integer)")
             << QStringLiteral("drop function if exists quickfind_entry_pairs(bigint, text)");
  for (const QString& statement : statements) connection.Execute(statement);
}

void PauseServer(Connection& connection) {
  Transaction transaction(connection);
  for (const TableLayout& table : Tables())
    connection.Execute(
        QStringLiteral("alter table %1 disable trigger quickfind_entries_%1").arg(table.name));
  transaction.Commit();
}

void ResumeServer(Connection& connection, const QString& cid) {
  Transaction transaction(connection);
  for (int table = 0; table < Tables().size(); ++table) {
    const QString& name = Tables()[table].name;
    const QString key = ServerKey(table);
    connection.Execute(
        QStringLiteral("alter table %1 enable trigger quickfind_entries_%1").arg(name));
    connection.Execute(QStringLiteral("delete from quickfind_entries e using %1 r where r.CID = ? "
                                      "and e.code between %2 and %2 + %3")
                           .arg(name, FirstEntrySql(table, QStringLiteral("r.") + key))
                           .arg((1 << kColumnBits) - 1),
                       {cid});
    connection.Execute(QStringLiteral("insert into quickfind_entries ") +
                           EntriesSql(table, FirstEntrySql(table, key), {},
                                      name + QStringLiteral(" cross join lateral ")) +
                           QStringLiteral(" and CID = ?"),
                       {cid});
  }
  connection.Execute(QStringLiteral("insert into quickfind_customers ") + CustomerTextsSql({}) +
                         QStringLiteral(" from customer where CID = ?") +
                         Upsert(QStringLiteral("rid")),
                     {cid});
  transaction.Commit();
}

// On a server each statement runs once, not prepared: a prepared statement may be given one
// plan for every fragment. A pair, and a longer fragment not common among the first customers,
// are looked up through the indexes alone, by functions that forbid reading the table entry by
// entry. Three characters are one trigram: the planner reads its index for a rare one and the
// table, until enough rows are found, for a common one. Each look-up gives the row numbers * 8 +
// tables of the entries.
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
      connection.ForEachText(QStringLiteral("select quickfind_entry_pair_rows(%1, %2)")
                                 .arg(SqlQuote(pair), QString::number(kCandidates)),
                             take);
  if (length == 3 && !rows.Full()) {
    QStringList likes{QStringLiteral("txt like %1 escape '\\'").arg(SqlQuote(Contains(text)))};
    if (Length(number) == 3)
      likes << QStringLiteral("num like %1 escape '\\'").arg(SqlQuote(Contains(number)));
    connection.ForEachText(
        QStringLiteral("select code >> %1 from quickfind_entries where %2 limit %3")
            .arg(QString::number(kColumnBits), likes.join(QStringLiteral(" or ")),
                 QString::number(kCandidates)),
        take);
  }
  if (length < 4 || rows.Full()) return;
  // strpos skips along a text faster than LIKE matches it: in a third of the time.
  QStringList holds{QStringLiteral("strpos(txt, %1) > 0").arg(SqlQuote(text))};
  if (Length(number) >= 2) holds << QStringLiteral("strpos(num, %1) > 0").arg(SqlQuote(number));
  connection.ForEachText(QStringLiteral("select rid * 8 from (select rid, txt, num from "
                                        "quickfind_customers limit %1) s where %2 limit %3")
                             .arg(QString::number(kFirstCustomers),
                                  holds.join(QStringLiteral(" or ")), QString::number(kCandidates)),
                         take);
  // A number form too short for a trigram is one of the pairs; the text's pattern then stands
  // in for it (the numbers hold no punctuation, so it finds there only what the text finds).
  if (!rows.Full())
    connection.ForEachText(
        QStringLiteral("select quickfind_entry_like_rows(%1, %2, %3)")
            .arg(SqlQuote(Contains(text)), SqlQuote(Contains(Length(number) >= 3 ? number : text)),
                 QString::number(kCandidates)),
        take);
}

}  // namespace quickfind
