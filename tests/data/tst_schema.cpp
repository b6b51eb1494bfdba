#include <sys/stat.h>

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include "app/module1.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "support/testsupport.h"

namespace {

// The documented layout, written by hand as an agent would with the sqlite3 shell: only the
// documented columns, every one text, child tables led by an automatic row number and CID.
const char* const kHandMadeLayout = R"(
create table customer (Cust_name text, CID text, Cust_type text, Cust_birthyear text,
  Cust_birthmonth text, Cust_birthday text, Cust_id text, Cust_sex text, Cust_blood text,
  Cust_birthplace text, Cust_marriage text, Cust_email text, Cust_telhome text,
  Cust_cellphone text, Cust_otherphone text, Cust_addhome text, Cust_company text,
  Cust_jobtype text, Cust_jobtitle text, Cust_jobgrade text, Cust_salary text,
  Cust_teloffice text, Cust_fax text, Cust_addoffice text);
create table family (ID integer primary key autoincrement, CID text, fam_rel text,
  fam_name text, fam_sex text, fam_id text, fam_birth text, fam_age text, fam_job text,
  fam_comment text);
create table insurance (ID integer primary key autoincrement, CID text, Insur_company text,
  Insur_type text, Insur_amount text, Insur_year text, Insur_num text, Insur_promisor text,
  Insur_benefit text, Insur_rate text, Insur_paymethod text, Insur_buydate text,
  Insur_anniver text);
create table compensate (ID integer primary key autoincrement, CID text, Comp_date text,
  Comp_reason text, Comp_place text, Comp_item text, Comp_amount text, Comp_company text,
  Comp_state text);
create table contact (ID integer primary key autoincrement, CID text, Cont_date text,
  Cont_time text, Cont_place text, Cont_type text, Cont_obj text, Cont_detail text,
  Cont_state text, Cont_comm text);
insert into customer (CID, Cust_name, Cust_sex) values ('A1', 'Anna', 'female');
insert into family (CID, fam_rel, fam_name) values ('A1', 'son', 'Ben');
)";

// Runs a script on qel.db statement by statement, as an agent would in the sqlite3 shell.
void HandMade(const QString& script) {
  for (const QString& statement : script.split(';', Qt::SkipEmptyParts))
    if (!statement.trimmed().isEmpty()) Sql(statement);
}

QStringList ColumnsOf(const QString& table) {
  QStringList names;
  for (const auto& row : Rows(QStringLiteral("pragma table_info(%1)").arg(table))) names << *row[1];
  return names;
}

// Tables with an index whose first column is CID.
QStringList TablesWithCidIndex() {
  QStringList tables;
  for (const TableLayout& table : Tables()) {
    for (const auto& index : Rows(QStringLiteral("pragma index_list(%1)").arg(table.name))) {
      const auto info = Rows(QStringLiteral("pragma index_info(%1)").arg(*index[1]));
      if (!info.isEmpty() && info[0][2]->compare(QLatin1String("CID"), Qt::CaseInsensitive) == 0)
        tables << table.name;
    }
  }
  return tables;
}

const QStringList kTables{"customer", "family", "insurance", "compensate", "contact"};

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class TestSchema : public QObject {
  Q_OBJECT

 private slots:
  void noFileCreatesTheTables();
  void handMadeFileIsUsedAsItIs_data();
  void handMadeFileIsUsedAsItIs();
  void unusableFileIsRefusedUntouched_data();
  void unusableFileIsRefusedUntouched();
};

void TestSchema::noFileCreatesTheTables() {
  TestEnv env;
  Connection db;
  OpenDatabase(db, kDatabaseFile);
  QVERIFY(db.IsOpen());
  struct stat info {};
  QCOMPARE(::stat(QFile::encodeName(env.DbPath()).constData(), &info), 0);
  QCOMPARE(info.st_mode & 0777, mode_t(0600));

  for (const TableLayout& table : Tables()) {
    QCOMPARE(ColumnsOf(table.name), table.columns);
    for (const auto& column : Rows(QStringLiteral("pragma table_info(%1)").arg(table.name)))
      if (*column[1] != QLatin1String("ID")) QCOMPARE(column[2]->toLower(), QStringLiteral("text"));
  }
  QCOMPARE(TablesWithCidIndex(), kTables);

  // The new file takes rows at once (the row number fills itself) and keeps them.
  Recordset family;
  family.Open(QStringLiteral("family"), db);
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("A1"));
  family.Update();
  db.Close();
  Connection again;
  OpenDatabase(again, kDatabaseFile);
  QCOMPARE(Count(QStringLiteral("select count(*) from family where ID is not null")), 1);
}

void TestSchema::handMadeFileIsUsedAsItIs_data() {
  QTest::addColumn<QString>("from");
  QTest::addColumn<QString>("to");
  QTest::newRow("as documented") << ""
                                 << "";
  QTest::newRow("row number with another name") << "family (ID integer primary key autoincrement"
                                                << "family (No integer primary key";
  QTest::newRow("customer columns in another order") << "customer (Cust_name text, CID text"
                                                     << "customer (CID text, Cust_name text";
  QTest::newRow("sized text types") << "CID text, fam_rel text"
                                    << "CID varchar(20), fam_rel memo";
  QTest::newRow("names in other case") << "CID text, Insur_company text"
                                       << "cid text, INSUR_COMPANY text";
}

void TestSchema::handMadeFileIsUsedAsItIs() {
  QFETCH(QString, from);
  QFETCH(QString, to);
  TestEnv env;
  QString layout = QString::fromUtf8(kHandMadeLayout);
  QVERIFY(layout.contains(from));
  if (!from.isEmpty()) layout.replace(from, to);
  HandMade(layout);
  Sql(QStringLiteral("create index mine on family (CID)"));
  QMap<QString, QStringList> before;
  for (const QString& table : kTables) before[table] = ColumnsOf(table);

  Connection db;
  OpenDatabase(db, kDatabaseFile);
  // No column was added; the missing indexes were, the one it had is enough.
  for (const QString& table : kTables) QCOMPARE(ColumnsOf(table), before[table]);
  QCOMPARE(TablesWithCidIndex(), kTables);
  QCOMPARE(Count(QStringLiteral("select count(*) from sqlite_master where type='index' and "
                                "tbl_name='family'")),
           1);

  Recordset customer;
  customer.Open(QStringLiteral("customer"), db);
  QCOMPARE(*customer.Field(QStringLiteral("Cust_sex")), QStringLiteral("female"));
  Recordset family;
  family.Open(QStringLiteral("select * from family where CID='A1'"), db);
  QCOMPARE(*family.Field(3), QStringLiteral("Ben"));
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("A1"));
  for (int k = 0; k < 8; ++k) family.SetField(k + 2, QStringLiteral("c%1").arg(k));
  family.Update();
  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("A1")).last(),
           (QVector<Value>{"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7"}));
}

// Damaged files in general are refused through the program (see the reliability suite); here
// the layouts the data layer must recognise as not its own, and one damaged file.
void TestSchema::unusableFileIsRefusedUntouched_data() {
  QTest::addColumn<QString>("damage");
  QTest::addColumn<QString>("cause");
  QTest::newRow("random bytes") << "random"
                                << "not a database";
  QTest::newRow("truncated") << "half"
                             << "malformed";
  for (const QString& table : kTables)
    QTest::addRow("no table %s", qPrintable(table)) << QStringLiteral("drop ") + table << table;
  QTest::newRow("only a foreign table") << "foreign"
                                        << "customer";
  QTest::newRow("child columns shifted") << "shifted"
                                         << "family";
}

void TestSchema::unusableFileIsRefusedUntouched() {
  QFETCH(QString, damage);
  QFETCH(QString, cause);
  TestEnv env;
  if (damage == QLatin1String("random")) {
    QByteArray bytes(64 * 1024, 0);
    QRandomGenerator generator(7);
    for (char& byte : bytes) byte = char(generator.bounded(256));
    WriteFile(env.DbPath(), bytes);
  } else if (damage == QLatin1String("half")) {
    CreateDatabase();
    Sql(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 400) "
        "insert into family (CID, fam_name) select 'K' || i, hex(randomblob(200)) from n"));
    const QByteArray whole = FileBytes(env.DbPath());
    WriteFile(env.DbPath(), whole.left(whole.size() / 2 + 123));
  } else if (damage.startsWith(QLatin1String("drop "))) {
    CreateDatabase();
    Sql(QStringLiteral("drop table ") + damage.mid(5));
  } else if (damage == QLatin1String("foreign")) {
    Sql(QStringLiteral("create table notes (line text)"));
  } else {
    HandMade(QString::fromUtf8(kHandMadeLayout)
                 .replace(QStringLiteral("CID text, fam_rel text"),
                          QStringLiteral("fam_rel text, CID text")));
  }
  const QByteArray bytes = FileBytes(env.DbPath());
  QVERIFY(!bytes.isEmpty());

  Connection db;
  try {
    OpenDatabase(db, kDatabaseFile);
    QFAIL("the file was accepted");
  } catch (const DataError& error) {
    QVERIFY2(error.message().contains(kDatabaseFile), qPrintable(error.message()));
    QVERIFY2(error.message().contains(cause, Qt::CaseInsensitive), qPrintable(error.message()));
  }
  QVERIFY(!db.IsOpen());
  QCOMPARE(FileBytes(env.DbPath()), bytes);
  QVERIFY(!QFile::exists(env.DbPath() + "-journal"));
}

QTEST_MAIN(TestSchema)
#include "tst_schema.moc"
