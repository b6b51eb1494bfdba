#include <QAbstractItemView>
#include <QCompleter>
#include <QSqlQuery>

#include "custtest.h"
#include "data/connection.h"
#include "data/quickfind.h"
#include "data/schema.h"
#include "ui/customer/findbox.h"
#include "ui/program/module1.h"

using namespace custtest;

namespace {

// Four customers with numbers written in different ways, lists, and text that holds a quote,
// a percent sign and an underscore.
void AddCustomers() {
  InsertCustomer(
      "A001",
      {{"Cust_name", "陳美玲"}, {"Cust_cellphone", "0912-345-678"}, {"Cust_id", "F123456789"}});
  InsertCustomer("B002", {{"Cust_name", "Li Wu"}, {"Cust_telhome", "(02) 2765 4321"}});
  InsertCustomer("C003", {{"Cust_name", "Wendy Olsen"}, {"Cust_company", "Brightfield Ltd"}});
  InsertCustomer("D004", {{"Cust_name", "Lisa Wong"}, {"Cust_email", "lisa@example.invalid"}});
  InsertChild("insurance", "C003", {"Harbourview Mutual", "Life", "1000", "20", "P-1"});
  InsertChild("family", "C003", {"Son", "100% O'Brien_x"});
  InsertChild("contact", "B002", {"2024/01/02", "10:00", "Tainan", "Visit", "renewal"});
}

// The four customers in a file whose index a first opening has built.
void IndexedFile() {
  CreateDatabase();
  AddCustomers();
  Connection first;
  OpenDatabase(first, kDatabaseFile);
}

QStringList Keys(const QList<FindHit>& hits) {
  QStringList keys;
  for (const FindHit& hit : hits) keys << hit.cid;
  return keys;
}

// The index as the find meets it: kept, dropped, dropped and built again when the file is
// opened again, or kept and the file opened again.
enum Index { Kept, Dropped, RebuiltOnOpen, Reopened };

}  // namespace

class TestQuickFind : public QObject {
  Q_OBJECT
 private slots:
  void Finds_data();
  void Finds();
  void EveryColumnKeptInStep();
  void OlderIndexWhileLocked();
  void CurrentIndexKeptOnOpening();
  void PastTheFirstRows();
  void ServerIndexMadeAnew();
  void PausedAndResumed();
  void WriterReadingBackslashes();
  void FindBoxShowsPick();
};

void TestQuickFind::Finds_data() {
  QTest::addColumn<QStringList>("writes");  // by another connection, after the find's opened
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("fragment");
  QTest::addColumn<QStringList>("found");  // in this order, first
  QTest::addColumn<QString>("matched");    // what the first one matched
  QTest::addColumn<QStringList>("missed");
  auto row = [](const char* name, const QStringList& writes, int index, const QString& fragment,
                const QStringList& found, const QString& matched, const QStringList& missed) {
    QTest::newRow(name) << writes << index << fragment << found << matched << missed;
  };
  const QStringList none;
  const QStringList all{"A001", "B002", "C003", "D004"};
  row("digits find a dashed mobile", none, int(Kept), "0912345678", {"A001"}, "Mobile 0912-345-678",
      all);
  row("spaces find dashes", none, int(Kept), "0912 345 678", {"A001"}, "Mobile 0912-345-678", all);
  row("dashes find brackets and spaces", none, int(Kept), "2765-4321", {"B002"},
      "Tel(H) (02) 2765 4321", all);
  row("an ID in lower case", none, int(Kept), "f12345", {"A001"}, "ID F123456789", all);
  row("a name in capitals", none, int(Kept), "WENDY", {"C003"}, "Name Wendy Olsen", all);
  row("two Chinese characters", none, int(Kept), "美玲", {"A001"}, "Name 陳美玲", all);
  row("two letters, names first", none, int(Kept), "Li", {"B002", "D004", "C003"}, "Name Li Wu",
      {"A001"});
  row("a list column", none, int(Kept), "p-1", {"C003"}, "Insur_No P-1 (Insurance)", all);
  row("a quote", none, int(Kept), "O'B", {"C003"}, "Name 100% O'Brien_x (Family)", all);
  row("percent and underscore are no wildcards", none, int(Kept), "0% O", {"C003"},
      "Name 100% O'Brien_x (Family)", {"A001", "B002", "D004"});
  row("a wildcard finds nothing", none, int(Kept), "W%n", none, "", all);
  row("an underscore finds nothing", none, int(Kept), "1_0", none, "", all);
  row("one character finds nothing", none, int(Kept), "L", none, "", all);
  row("a renamed key",
      {"update customer set CID='Z009' where CID='C003'",
       "update insurance set CID='Z009' where CID='C003'"},
      int(Kept), "P-1", {"Z009"}, "Insur_No P-1 (Insurance)", all);
  row("a deleted customer is gone",
      {"delete from customer where CID='A001'",
       "insert into customer (CID, Cust_name) values ('A001', 'Oscar Pike')"},
      int(Kept), "美玲", none, "", all);
  row("another program's save", {"update contact set Cont_detail='claim form' where CID='B002'"},
      int(Kept), "claim", {"B002"}, "Context claim form (Contact)", all);
  row("an edited column no longer finds its old text",
      {"update customer set Cust_company='Northgate' where CID='C003'"}, int(Kept), "Brightfield",
      none, "", all);
  row("without the index: digits", none, int(Dropped), "0912 345678", {"A001"},
      "Mobile 0912-345-678", all);
  row("without the index: wildcards taken literally", none, int(Dropped), "0%_", none, "", all);
  // More rows that a wildcard would match than the find reads before it picks the best.
  const QString decoys = QStringLiteral(
      "with recursive n(i) as (select 1 union all select i+1 from n where i<250) insert into "
      "customer (CID, Cust_name) select 'K' || i, '1x0' from n");
  // More rows that hold a long fragment's parts apart than the find reads at first.
  row("eight digits past many rows that hold their parts apart",
      {"with recursive n(i) as (select 1 union all select i+1 from n where i<250) insert into "
       "customer (CID, Cust_name) select 'K' || i, '094 502 268' from n",
       "insert into customer (CID, Cust_name, Cust_cellphone) values ('E005', 'Oscar Pike', "
       "'0945-026-815')"},
      int(Kept), "09450268", {"E005"}, "Mobile 0945-026-815", all);
  row("without the index: a percent sign among many near misses",
      {decoys, "insert into customer (CID, Cust_name) values ('E005', 'Lot 1%0')"}, int(Dropped),
      "1%0", {"E005"}, "Name Lot 1%0", all);
  row("without the index: an underscore among many near misses",
      {decoys, "insert into customer (CID, Cust_name) values ('E005', 'Lot 1_0')"}, int(Dropped),
      "1_0", {"E005"}, "Name Lot 1_0", all);
  row("without the index: a quote", none, int(Dropped), "o'brien", {"C003"},
      "Name 100% O'Brien_x (Family)", all);
  row("an index of an earlier kind is made anew on opening",
      {"drop table quickfind",
       "create virtual table quickfind using fts5(txt, norm, cid unindexed, tokenize='trigram')"},
      int(Reopened), "美玲", {"A001"}, "Name 陳美玲", all);
  // A trigger that did not keep the index in step: the index is made anew with it.
  row("a trigger of an earlier kind is made anew on opening, with the index",
      {"drop trigger quickfind_customer_update",
       "create trigger quickfind_customer_update after update on customer begin select 1; end",
       "update customer set Cust_name='Oscar Pike' where CID='A001'"},
      int(Reopened), "car Pi", {"A001"}, "Name Oscar Pike", all);
  row("the index is built on opening",
      {"insert into customer (CID, Cust_name) values ('E005', 'Oscar Pike')"}, int(RebuiltOnOpen),
      "car Pi", {"E005"}, "Name Oscar Pike", all);
}

void TestQuickFind::Finds() {
  QFETCH(QStringList, writes);
  QFETCH(int, index);
  QFETCH(QString, fragment);
  QFETCH(QStringList, found);
  QFETCH(QString, matched);
  QFETCH(QStringList, missed);
  if (index == Reopened && OnServer()) QSKIP("an index of a file");
  TestEnv env;
  CreateDatabase();
  AddCustomers();
  auto connection = std::make_unique<Connection>();
  OpenDatabase(*connection, kDatabaseFile);
  if (index == Dropped || index == RebuiltOnOpen) DropQuickFind(*connection);
  for (const QString& write : writes) Sql(write);
  if (index == RebuiltOnOpen || index == Reopened) {
    connection = std::make_unique<Connection>();
    QCOMPARE(OpenDatabase(*connection, kDatabaseFile), QString());
  }
  QCOMPARE(HasQuickFindIndex(*connection), index != Dropped);

  const QList<FindHit> hits = QuickFind(*connection, fragment);
  const QStringList keys = Keys(hits);
  QCOMPARE(keys.mid(0, found.size()), found);
  for (const QString& key : missed)
    if (!found.contains(key)) QVERIFY2(!keys.contains(key), qPrintable(key));
  if (!hits.isEmpty()) QCOMPARE(MatchedText(hits.first()), matched);
  for (const FindHit& hit : hits)
    QCOMPARE(Count("select count(*) from customer where CID=? and rowid=?", {hit.cid, hit.rowid}),
             1);
}

// Every column of every table, written by another program: found once filled, no longer by
// its old text once changed, emptied or deleted, and the row's other column found throughout.
// The index then holds no entry more than before.
void TestQuickFind::EveryColumnKeptInStep() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer("A001", {{"Cust_name", "Ada Quill"}});
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
  const bool file = !OnServer();
  if (file)
    connection.Execute(QStringLiteral(
        "create virtual table temp.entries using fts5vocab(main, quickfind, instance)"));
  const auto entries = [&] {
    QSqlQuery query(connection.Database());
    query.exec(QStringLiteral("select count(*) from temp.entries"));
    return query.next() ? query.value(0).toInt() : -1;
  };
  const int before = file ? entries() : 0;
  // Where the first customer found matched: "table.column", or "" when none is found.
  const auto found = [&](const QString& text) {
    const QList<FindHit> hits = QuickFind(connection, text);
    return hits.isEmpty() ? QString() : hits.first().table + u'.' + hits.first().column;
  };
  for (int t = 0; t < Tables().size(); ++t) {
    const QString& table = Tables()[t].name;
    const QStringList columns = t == 0 ? Tables()[t].columns : Tables()[t].columns.mid(2);
    for (int c = 0; c < columns.size(); ++c) {
      const QString column = columns[c];
      const QString other = columns[c == 0 ? 1 : 0];
      const QString at = table + u'.' + column;
      const QString otherAt = table + u'.' + other;
      // Unique texts; the dash counts in a number column's second form.
      const auto text = [&](const char* kind) {
        return QStringLiteral("%1-%2x%3").arg(QLatin1String(kind)).arg(t).arg(c);
      };
      const QString kept = text("Kp");
      QMap<QString, Value> row{{column, text("Zq")}, {other, kept}};
      if (t == 0 && column != QLatin1String("CID") && other != QLatin1String("CID"))
        row[QStringLiteral("CID")] = QStringLiteral("K%1").arg(c);
      if (t == 0) {
        InsertCustomer(row);
      } else {
        QStringList names{QStringLiteral("CID")}, marks{QStringLiteral("?")};
        QVariantList values{QStringLiteral("A001")};
        for (auto it = row.begin(); it != row.end(); ++it) {
          names << it.key();
          marks << QStringLiteral("?");
          values << *it.value();
        }
        Sql(QStringLiteral("insert into %1 (%2) values (%3)")
                .arg(table, names.join(u','), marks.join(u',')),
            values);
      }
      const QString where = QStringLiteral(" where %1 = '%2'").arg(other, kept);
      QCOMPARE(found(text("Zq")), at);
      Sql(QStringLiteral("update %1 set %2 = '%3'").arg(table, column, text("Yq")) + where);
      QCOMPARE(found(text("Zq")), QString());
      QCOMPARE(found(text("Yq")), at);
      QCOMPARE(found(kept), otherAt);
      Sql(QStringLiteral("update %1 set %2 = null").arg(table, column) + where);
      QCOMPARE(found(text("Yq")), QString());
      Sql(QStringLiteral("update %1 set %2 = ''").arg(table, column) + where);
      Sql(QStringLiteral("update %1 set %2 = '%3'").arg(table, column, text("Xq")) + where);
      QCOMPARE(found(text("Xq")), at);
      QCOMPARE(found(kept), otherAt);
      // A row given another number keeps its entries, under the new number.
      const QString key = file || t == 0 ? QStringLiteral("rowid") : QStringLiteral("ID");
      Sql(QStringLiteral("update %1 set %2 = %2 + 1000").arg(table, key) + where);
      QCOMPARE(found(text("Xq")), at);
      Sql(QStringLiteral("delete from %1").arg(table) + where);
      QCOMPARE(found(kept), QString());
      QCOMPARE(found(text("Xq")), QString());
    }
  }
  if (file) QCOMPARE(entries(), before);
  // On a server the index holds, row for row, what it would hold if made anew, also after a
  // field of a row it held from the start was emptied and another changed.
  if (!file) {
    Sql("update customer set Cust_name = '', Cust_cellphone = '0912-000-111' where CID = 'A001'");
    const QStringList tables{"quickfind_entries", "quickfind_customers"};
    for (const QString& table : tables)
      Sql(QStringLiteral("create table kept_%1 as select * from %1").arg(table));
    DropQuickFind(connection);
    QCOMPARE(PrepareQuickFind(connection), QString());
    for (const QString& table : tables) {
      QCOMPARE(Count(QStringLiteral("select count(*) from %1").arg(table)),
               Count(QStringLiteral("select count(*) from kept_%1").arg(table)));
      QCOMPARE(Count(QStringLiteral("select count(*) from (select * from kept_%1 except select * "
                                    "from %1) d")
                         .arg(table)),
               0);
    }
  }
}

// An index of an earlier kind that another program keeps from being made anew: said once, and
// the find reads the tables meanwhile.
void TestQuickFind::OlderIndexWhileLocked() {
  if (OnServer()) QSKIP("an index of a file");
  TestEnv env;
  IndexedFile();
  Sql("drop table quickfind");
  Sql("create virtual table quickfind using fts5(txt, norm, cid unindexed, tokenize='trigram')");
  QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
  holder.setDatabaseName(env.DbPath());
  QVERIFY(holder.open());
  QVERIFY(QSqlQuery(holder).exec("begin immediate"));
  {
    Connection connection;
    const QString notice = OpenDatabase(connection, kDatabaseFile);
    QVERIFY2(notice.contains("another program is using it"), qPrintable(notice));
    QVERIFY(!HasQuickFindIndex(connection));
    QCOMPARE(Keys(QuickFind(connection, "美玲")), QStringList{"A001"});
  }
  QSqlQuery(holder).exec("rollback");
  holder.close();
  holder = QSqlDatabase();
  QSqlDatabase::removeDatabase("holder");
}

// An index of this kind is not built again when the file is opened again (at a million
// customers a build takes minutes): an entry put in by hand is still there, and the find
// passes it by.
void TestQuickFind::CurrentIndexKeptOnOpening() {
  if (OnServer()) QSKIP("an index of a file");
  TestEnv env;
  IndexedFile();
  Sql("insert into quickfind(rowid, txt) values (-8, 'marker')");
  Connection connection;
  QCOMPARE(OpenDatabase(connection, kDatabaseFile), QString());
  connection.Execute(
      QStringLiteral("create virtual table temp.terms using fts5vocab(main, quickfind, row)"));
  QSqlQuery query(connection.Database());
  QVERIFY(query.exec("select count(*) from temp.terms where term = 'mar'"));
  QVERIFY(query.next());
  QCOMPARE(query.value(0).toInt(), 1);
  // That entry names no table: the find passes it by.
  QCOMPARE(Keys(QuickFind(connection, "marker")), QStringList());
}

// A customer behind more rows than the find first reads in full: found through the index by a
// pair at an even position of its text, by a word, and by its mobile's digits with a space.
void TestQuickFind::PastTheFirstRows() {
  TestEnv env;
  IndexedFile();
  Sql("with recursive n(i) as (select 1 union all select i+1 from n where i<10001) insert into "
      "customer (CID, Cust_name) select 'M' || i, 'Mx' from n");
  InsertCustomer("E005", {{"Cust_name", "Oqz Vantor"}, {"Cust_cellphone", "0933-111-222"}});
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
  for (const char* fragment : {"qz", "vantor", "0933 111"})
    QCOMPARE(Keys(QuickFind(connection, fragment)), QStringList{"E005"});
}

// A server database indexed by an earlier Qel (trigram indexes on the tables themselves, or a
// table of one row per row) gets the index made anew on opening, and the earlier kinds go. A list
// emptied at once (truncate) takes its rows out of the index.
void TestQuickFind::ServerIndexMadeAnew() {
  if (!OnServer()) QSKIP("an index on a server");
  TestEnv env;
  IndexedFile();
  {
    Connection earlier;
    OpenDatabase(earlier, kDatabaseFile);
    DropQuickFind(earlier);
  }
  Sql("create index quickfind_customer_text on customer using gin (lower(coalesce(Cust_name, "
      "'')) gin_trgm_ops)");
  // The next kind: a table of one row per row, written by a trigger on each table.
  Sql("create table quickfind (tbl smallint, rid bigint, txt text, num text)");
  Sql("create function quickfind_customer() returns trigger language plpgsql as $$ begin "
      "insert into quickfind values (0, new.rowid, lower(new.Cust_name), ''); return null; end "
      "$$");
  Sql("create trigger quickfind_customer after insert or update or delete on customer for each "
      "row execute function quickfind_customer()");
  Sql("insert into customer (CID, Cust_name) values ('E005', 'Oscar Pike')");
  Connection connection;
  QCOMPARE(OpenDatabase(connection, kDatabaseFile), QString());
  QVERIFY(HasQuickFindIndex(connection));
  QCOMPARE(Count("select count(*) from pg_indexes where indexname = 'quickfind_customer_text'"), 0);
  QCOMPARE(Count("select count(*) from pg_trigger where tgname = 'quickfind_customer'"), 0);
  QCOMPARE(Count("select count(*) from pg_class where relname = 'quickfind'"), 0);
  QCOMPARE(Keys(QuickFind(connection, "car Pi")), QStringList{"E005"});
  QCOMPARE(Keys(QuickFind(connection, "renewal")), QStringList{"B002"});
  Sql("truncate contact");
  QCOMPARE(Keys(QuickFind(connection, "renewal")), QStringList());
  QCOMPARE(Count("select count(*) from quickfind_entries where (code >> 5) & 7 = 4"), 0);
}

// The benchmark's saves without the index: while paused, writes leave the index as it was;
// resumed, it keeps up again and holds the rows of the key given as they are.
void TestQuickFind::PausedAndResumed() {
  TestEnv env;
  IndexedFile();
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
  PauseQuickFind(connection, "C003");
  Sql("update customer set Cust_name = 'Wendy Quarles' where CID = 'C003'");
  Sql("update family set fam_name = 'Yvo Quarles' where CID = 'C003'");
  // (A file without its triggers is read instead of its index meanwhile.)
  if (OnServer())
    QCOMPARE(Count("select count(*) from quickfind_entries where txt like '%quarles%'"), 0);
  else
    QCOMPARE(Count("select count(*) from sqlite_master where name like 'quickfind%' and type = "
                   "'trigger'"),
             0);
  ResumeQuickFind(connection, "C003");
  QCOMPARE(Keys(QuickFind(connection, "Quarles")), QStringList{"C003"});
  QCOMPARE(Keys(QuickFind(connection, "Yvo")), QStringList{"C003"});
  QCOMPARE(Keys(QuickFind(connection, "Olsen")), QStringList());
  Sql("update customer set Cust_name = 'Lisa Quarles' where CID = 'D004'");
  QCOMPARE(Keys(QuickFind(connection, "Lisa Qu")), QStringList{"D004"});
}

// Another program whose session reads backslashes in literals as escapes writes a customer:
// the triggers keep the index as Qel's own writes do, so a pair finds it.
void TestQuickFind::WriterReadingBackslashes() {
  if (!OnServer()) QSKIP("a setting of a server's sessions");
  TestEnv env;
  IndexedFile();
  {
    // A session of its own: a session keeps what it made of the index's expressions.
    Connection writer;
    OpenDatabase(writer, kDatabaseFile);
    writer.Execute(QStringLiteral("set standard_conforming_strings = off"));
    writer.Execute(
        QStringLiteral("insert into customer (CID, Cust_name) values ('Z009', 'Quenby Zuo')"));
    writer.Execute(
        QStringLiteral("insert into family (CID, fam_name) values ('Z009', 'Ivo Xenakis')"));
  }
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
  for (const char* fragment : {"Zu", "nb", "Xe", "ak"})
    QCOMPARE(Keys(QuickFind(connection, fragment)), QStringList{"Z009"});
}

void TestQuickFind::FindBoxShowsPick() {
  TestEnv env;
  CreateDatabase();
  AddCustomers();
  frmCust* window = OpenWindow();
  auto* box = window->findChild<FindBox*>();
  QVERIFY(box && box->isEnabled());
  QCOMPARE(box->accessibleName(), QStringLiteral("Find"));
  QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
  QVERIFY(box->hasFocus());

  TypeText(box, "W");
  QVERIFY(!box->Completer()->popup()->isVisible());
  TypeText(box, "endy");
  QAbstractItemView* popup = box->Completer()->popup();
  QVERIFY(popup->isVisible());
  QCOMPARE(popup->model()->rowCount(), 1);
  QCOMPARE(popup->model()->index(0, 0).data().toString(),
           QStringLiteral("Wendy Olsen  C_No C003  Name Wendy Olsen"));
  QTest::keyClick(popup, Qt::Key_Down);
  QTest::keyClick(popup, Qt::Key_Return);
  QCOMPARE(window->txtCID->text(), QStringLiteral("C003"));
  QCOMPARE(window->txtName->text(), QStringLiteral("Wendy Olsen"));
  QCOMPARE(GridEntries(window->msfgInsurlife).size(), 1);
  // Paging goes on from the customer found.
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("D004"));

  ReplaceText(box, "zz-none");
  QCOMPARE(popup->model()->index(0, 0).data().toString(), QStringLiteral("No customer matches"));
  QTest::keyClick(popup, Qt::Key_Escape);
  QVERIFY(!popup->isVisible());

  Press(window, "modify");
  QVERIFY(!box->isEnabled());
  Press(window, "save");
  QVERIFY(box->isEnabled());
}

QTEST_MAIN(TestQuickFind)
#include "tst_quickfind.moc"
