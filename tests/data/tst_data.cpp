// The data layer: the cursor's moves, ends and writes, Null against empty text, transactions
// that fail, and which database files the program takes and which it refuses untouched.

#include <sys/stat.h>

#include <QRandomGenerator>
#include <QtTest>
#include <memory>

#include "app/module1.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "support/testsupport.h"

namespace {

// What a step of a cursor story gives: the key at the cursor, BOF, EOF, "empty", "ok" for a
// write that went through and "!" for any step that threw.
QString Where(Recordset& set) {
  if (set.Bof() && set.Eof()) return QStringLiteral("empty");
  if (set.Bof()) return QStringLiteral("BOF");
  if (set.Eof()) return QStringLiteral("EOF");
  return set.Field(QStringLiteral("CID")).value_or(QStringLiteral("~"));
}

QString Step(Recordset& set, const QString& step) {
  try {
    const QChar op = step.at(0);
    if (op == 'F') set.MoveFirst();
    if (op == 'P') set.MovePrevious();
    if (op == 'N') set.MoveNext();
    if (op == 'L') set.MoveLast();
    if (op == 'R') set.Requery();
    if (op == 'X') Sql(QStringLiteral("delete from customer where CID=?"), {step.mid(1)});
    if (op == 'X') return QStringLiteral("-");
    if (op == 'U') set.SetField(QStringLiteral("cust_NAME"), QStringLiteral("x"));
    if (op == 'U') set.Update();
    if (op == 'D') set.Delete();
    if (op == 'U' || op == 'D') return QStringLiteral("ok");
    return Where(set);
  } catch (const DataError&) {
    set.CancelUpdate();
    return QStringLiteral("!");
  }
}

// Creates the five tables by hand, one column renamed ("table.column=new"), left out
// ("table.column=") or one table left out ("table.*=").
void HandMade(const QString& change) {
  for (const TableLayout& table : Tables()) {
    QStringList columns;
    for (const QString& column : table.columns) {
      QString name = column;
      if (change.startsWith(table.name + '.' + column + '=')) name = change.section('=', 1);
      if (!name.isEmpty())
        columns << name + (column == "ID" ? " integer primary key autoincrement" : " text");
    }
    if (!change.startsWith(table.name + ".*="))
      Sql(QStringLiteral("create table %1 (%2)").arg(table.name, columns.join(',')));
  }
}

// Tables with an index whose first column is CID.
int TablesWithCidIndex() {
  int tables = 0;
  for (const TableLayout& table : Tables())
    for (const auto& index : Rows(QStringLiteral("pragma index_list(%1)").arg(table.name)))
      tables += Rows(QStringLiteral("pragma index_info(%1)").arg(*index[1]))
                    .value(0)
                    .value(2)
                    ->compare("CID", Qt::CaseInsensitive) == 0;
  return tables;
}

}  // namespace

class TestData : public QObject {
  Q_OBJECT

 private slots:
  void cursor_data();
  void cursor();
  void nullAndEmptyTextStayApart_data();
  void nullAndEmptyTextStayApart();
  void failedTransactionLeavesNothing();
  void files_data();
  void files();
};

void TestData::cursor_data() {
  QTest::addColumn<int>("customers");  // K1 .. Kn
  QTest::addColumn<QString>("steps");  // F P N L first/previous/next/last, R requery, D delete,
                                       // U write the name, Xkey another program deletes key
  QTest::addColumn<QString>("results");
  QTest::addColumn<QString>("names");  // the names in the file afterwards, by number
  auto row = [](const char* name, int n, const char* steps, const char* results,
                const char* names) { QTest::newRow(name) << n << steps << results << names; };
  row("empty table", 0, "N F L", "! ! !", "");
  row("forward past the end", 3, "N N N N", "K2 K3 EOF !", "1,2,3");
  row("back from EOF", 3, "L N P", "K3 EOF K3", "1,2,3");
  row("back past the start", 3, "P P N", "BOF ! K1", "1,2,3");
  row("last, then first", 1, "L F P", "K1 K1 BOF", "1");
  row("a write stores the current row only", 3, "N U L", "K2 ok K3", "1,x,3");
  row("delete the middle row", 3, "N D P N N", "K2 ok K1 K3 EOF", "1,3");
  row("nothing to write or delete on a deleted row", 3, "N D U D N", "K2 ok ! ! K3", "1,3");
  row("delete the first row, then requery", 3, "D P R", "ok BOF K2", "2,3");
  row("a row another program deleted", 3, "N XK2 U D R", "K2 - ! ! K1", "1,3");
}

void TestData::cursor() {
  QFETCH(int, customers);
  QFETCH(QString, steps);
  QFETCH(QString, results);
  QFETCH(QString, names);
  TestEnv env;
  CreateDatabase();
  AddNumberedCustomers(customers);
  Connection db;
  db.Open(kDatabaseFile);
  Recordset set;
  set.Open(QStringLiteral("customer"), db);
  QCOMPARE(Where(set), customers ? "K1" : "empty");
  QStringList seen;
  for (const QString& step : steps.split(' ')) seen << Step(set, step);
  QCOMPARE(seen.join(' '), results);
  QStringList inFile;
  for (const auto& row : Rows("select Cust_name from customer order by rowid"))
    inFile << QString(*row[0]).remove("Customer ");
  QCOMPARE(inFile.join(','), names);
}

void TestData::nullAndEmptyTextStayApart_data() {
  QTest::addColumn<Value>("value");
  QTest::newRow("Null") << Value();
  QTest::newRow("empty text") << Value(QString());
  QTest::newRow("the text NULL") << Value(QStringLiteral("NULL"));
}

void TestData::nullAndEmptyTextStayApart() {
  QFETCH(Value, value);
  TestEnv env;
  CreateDatabase();
  Connection db;
  db.Open(kDatabaseFile);
  Recordset set;
  set.Open(QStringLiteral("family"), db);
  set.AddNew();
  set.SetField(QStringLiteral("cid"), QStringLiteral("A"));
  set.SetField(3, value);
  set.Update();
  QCOMPARE(ChildRows("family", "A"),
           (QVector<QVector<Value>>{
               {Value(), value, Value(), Value(), Value(), Value(), Value(), Value()}}));
  set.Requery();
  QCOMPARE(set.Field(QStringLiteral("FAM_NAME")), value);
  QCOMPARE(set.Field(4), Value());
}

// A statement that fails inside a transaction: the rollback leaves the file and every record set
// as they were, without pending rows; the connection then commits normally.
void TestData::failedTransactionLeavesNothing() {
  TestEnv env;
  CreateDatabase();
  AddNumberedCustomers(3);
  InsertChild("family", "K2", {"old"});
  Sql("create trigger refuse before insert on family when new.fam_rel='bad' begin select "
      "raise(abort, 'bad family row'); end");
  Connection db;
  db.Open(kDatabaseFile);
  Recordset customers, family;
  customers.Open(QStringLiteral("customer"), db);
  customers.MoveNext();
  family.Open(QStringLiteral("select * from family where CID='K2'"), db);
  db.BeginTrans();
  db.Execute(QStringLiteral("delete from family where CID='K2'"));
  customers.Delete();
  customers.MoveFirst();
  customers.SetField(QStringLiteral("Cust_name"), QStringLiteral("unsaved"));
  for (const char* relation : {"good", "bad"}) {
    family.AddNew();
    family.SetField(QStringLiteral("CID"), QStringLiteral("K2"));
    family.SetField(2, QString::fromLatin1(relation));
  }
  QVERIFY_THROWS_EXCEPTION(DataError, family.Update());
  db.RollbackTrans();
  QVERIFY(!db.InTransaction() && !customers.EditPending() && !family.EditPending());
  QCOMPARE(Where(customers), QStringLiteral("K2"));
  QCOMPARE(*customers.Field(QStringLiteral("Cust_name")), QStringLiteral("Customer 2"));
  QCOMPARE(Count("select count(*) from customer"), 3);
  QCOMPARE(ChildRows("family", "K2").value(0).value(0), Value("old"));
  QCOMPARE(Count("select count(*) from family"), 1);
  db.BeginTrans();
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("K2"));
  family.Update();
  db.CommitTrans();
  QCOMPARE(Count("select count(*) from family"), 2);
}

void TestData::files_data() {
  QTest::addColumn<QString>("file");   // a change to the hand-made tables, or how the file is made
  QTest::addColumn<QString>("cause");  // "" when the file is taken
  auto row = [](const char* name, const QString& file, const QString& cause) {
    QTest::newRow(name) << file << cause;
  };
  row("no file: created for its owner only", "none", "");
  row("zero bytes: tables created", "zero", "");
  row("made by hand as documented", "", "");
  row("customer key in lower case", "customer.CID=cid", "");
  row("customer name in upper case", "customer.Cust_name=CUST_NAME", "");
  row("list column in other case", "insurance.Insur_company=INSUR_COMPANY", "");
  row("row number named otherwise", "family.ID=No", "");
  row("family without CID", "family.CID=", "family");
  row("contact with CID renamed", "contact.CID=Owner", "contact");
  row("customer without e-mail", "customer.Cust_email=", "Cust_email");
  for (const TableLayout& table : Tables())
    QTest::addRow("no table %s", qPrintable(table.name)) << table.name + ".*=" << table.name;
  row("only a foreign table", "foreign", "customer");
  row("text that is no database", "random", "not a database");
  row("truncated", "truncated", "malformed");
}

void TestData::files() {
  QFETCH(QString, file);
  QFETCH(QString, cause);
  TestEnv env;
  QFile out(env.DbPath());
  if (file == "zero") {
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.close();
  } else if (file == "random") {
    QVERIFY(out.open(QIODevice::WriteOnly));
    for (int i = 0; i < 4096; ++i) out.write(QByteArray::number(QRandomGenerator(i).generate()));
    out.close();
  } else if (file == "truncated") {
    CreateDatabase();
    Sql("with recursive n(i) as (select 1 union all select i + 1 from n where i < 400) insert "
        "into family (CID, fam_name) select 'K' || i, hex(randomblob(200)) from n");
    const QByteArray whole = FileBytes(env.DbPath());
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(whole.left(whole.size() / 2 + 123));
    out.close();
  } else if (file == "foreign") {
    Sql("create table notes (line text)");
  } else if (file != "none") {
    HandMade(file);
  }
  const QByteArray before = FileBytes(env.DbPath());
  Connection db;
  try {
    OpenDatabase(db, kDatabaseFile);
    QVERIFY2(cause.isEmpty(), "the file was taken");
  } catch (const DataError& error) {
    QVERIFY2(!cause.isEmpty(), qPrintable(error.message()));
    QVERIFY2(error.message().contains(kDatabaseFile) && error.message().contains(cause),
             qPrintable(error.message()));
    QVERIFY(!db.IsOpen());
    QCOMPARE(FileBytes(env.DbPath()), before);
    QVERIFY(!QFile::exists(env.DbPath() + "-journal"));
    return;
  }
  struct stat info {};
  QCOMPARE(::stat(QFile::encodeName(env.DbPath()).constData(), &info), 0);
  if (file == "none") QCOMPARE(info.st_mode & 0777, mode_t(0600));
  QCOMPARE(TablesWithCidIndex(), 5);
  // The lists are written by position and the customer by name, whatever the names' case.
  Recordset family;
  family.Open(QStringLiteral("family"), db);
  family.AddNew();
  family.SetField(1, QStringLiteral("A1"));
  for (int k = 0; k < 8; ++k) family.SetField(k + 2, QStringLiteral("c%1").arg(k));
  family.Update();
  QCOMPARE(ChildRows("family", "A1").value(0),
           (QVector<Value>{"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7"}));
  Recordset customer;
  customer.Open(QStringLiteral("customer"), db);
  customer.AddNew();
  customer.SetField(QStringLiteral("CID"), QStringLiteral("A1"));
  customer.SetField(QStringLiteral("Cust_name"), QStringLiteral("Anna"));
  customer.Update();
  QCOMPARE(Rows("select * from customer").value(0).count(Value("Anna")), 1);
}

QTEST_MAIN(TestData)
#include "tst_data.moc"
