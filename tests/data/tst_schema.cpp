#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
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

// Runs a script on qel.db through the sqlite3 shell when there is one, else statement by
// statement.
void HandMade(const QString& script) {
  const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
  if (!shell.isEmpty()) {
    QProcess process;
    process.start(shell, {QStringLiteral("-bail"), kDatabaseFile});
    process.write(script.toUtf8());
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished());
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    return;
  }
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

QStringList TableNames() {
  QStringList names;
  for (const TableLayout& table : Tables()) names << table.name;
  return names;
}

QStringList SortedTablesInFile() {
  QStringList names;
  for (const auto& row :
       Rows(QStringLiteral("select name from sqlite_master where type='table' and name not "
                           "like 'sqlite%' order by name")))
    names << *row[0];
  return names;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

// Takes away root's right to write files it may not write by their mode, for one scope, so a
// read-only file is read-only for this test whoever runs it.
class NoWriteOverride {
 public:
  NoWriteOverride() {
    if (geteuid() != 0) return;
    m_header.version = _LINUX_CAPABILITY_VERSION_3;
    if (syscall(SYS_capget, &m_header, m_saved) != 0) return;
    __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
    reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    m_dropped = syscall(SYS_capset, &m_header, reduced) == 0;
  }
  ~NoWriteOverride() {
    if (m_dropped) syscall(SYS_capset, &m_header, m_saved);
  }

 private:
  __user_cap_header_struct m_header{};
  __user_cap_data_struct m_saved[2]{};
  bool m_dropped = false;
};

bool Writable(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
  if (fd >= 0) ::close(fd);
  return fd >= 0;
}

}  // namespace

class TestSchema : public QObject {
  Q_OBJECT

 private slots:
  void noFileCreatesTheTables();
  void zeroByteFileGetsTheTables();
  void handMadeFileIsUsedAsItIs();
  void handMadeVariants_data();
  void handMadeVariants();
  void readOnlyFileOpensUnchanged();
  void unusableFileIsRefusedUntouched_data();
  void unusableFileIsRefusedUntouched();
};

void TestSchema::noFileCreatesTheTables() {
  TestEnv env;
  QVERIFY(!QFile::exists(env.DbPath()));
  Connection db;
  OpenDatabase(db, kDatabaseFile);
  QVERIFY(db.IsOpen());
  QVERIFY(QFile::exists(env.DbPath()));

  struct stat info {};
  QCOMPARE(::stat(QFile::encodeName(env.DbPath()).constData(), &info), 0);
  QCOMPARE(info.st_mode & 0777, mode_t(0600));

  QCOMPARE(SortedTablesInFile(),
           QStringList({"compensate", "contact", "customer", "family", "insurance"}));
  for (const TableLayout& table : Tables()) {
    QCOMPARE(ColumnsOf(table.name), table.columns);
    // Every column but the row number holds text.
    for (const auto& column : Rows(QStringLiteral("pragma table_info(%1)").arg(table.name))) {
      if (*column[1] != QLatin1String("ID")) QCOMPARE(column[2]->toLower(), QStringLiteral("text"));
    }
  }
  QCOMPARE(TablesWithCidIndex(), TableNames());

  // The new file takes rows at once; the row number fills itself.
  Recordset family;
  family.Open(QStringLiteral("family"), db);
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("A1"));
  family.SetField(2, QStringLiteral("son"));
  family.Update();
  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("A1")).size(), 1);
  QCOMPARE(Count(QStringLiteral("select count(*) from family where ID is not null")), 1);

  // Opening it again keeps what it holds.
  db.Close();
  Connection again;
  OpenDatabase(again, kDatabaseFile);
  QCOMPARE(Count(QStringLiteral("select count(*) from family")), 1);
}

void TestSchema::zeroByteFileGetsTheTables() {
  TestEnv env;
  WriteFile(env.DbPath(), QByteArray());
  Connection db;
  OpenDatabase(db, kDatabaseFile);
  QCOMPARE(SortedTablesInFile(),
           QStringList({"compensate", "contact", "customer", "family", "insurance"}));
  QCOMPARE(TablesWithCidIndex(), TableNames());
  Recordset customers;
  customers.Open(QStringLiteral("customer"), db);
  QVERIFY(customers.Bof() && customers.Eof());
}

void TestSchema::handMadeFileIsUsedAsItIs() {
  TestEnv env;
  HandMade(QString::fromUtf8(kHandMadeLayout));
  QMap<QString, QStringList> before;
  for (const TableLayout& table : Tables()) before[table.name] = ColumnsOf(table.name);

  Connection db;
  OpenDatabase(db, kDatabaseFile);
  // No column was added, the missing indexes were.
  for (const TableLayout& table : Tables()) QCOMPARE(ColumnsOf(table.name), before[table.name]);
  QCOMPARE(TablesWithCidIndex(), TableNames());

  Recordset customer;
  customer.Open(QStringLiteral("customer"), db);
  QCOMPARE(*customer.Field(QStringLiteral("cust_sex")), QStringLiteral("female"));
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

void TestSchema::handMadeVariants_data() {
  QTest::addColumn<QString>("from");
  QTest::addColumn<QString>("to");
  QTest::newRow("row number with another name") << "family (ID integer primary key autoincrement"
                                                << "family (No integer primary key";
  QTest::newRow("row number without autoincrement")
      << "contact (ID integer primary key autoincrement"
      << "contact (ID integer primary key";
  QTest::newRow("customer columns in another order") << "customer (Cust_name text, CID text"
                                                     << "customer (CID text, Cust_name text";
  QTest::newRow("sized text types") << "CID text, fam_rel text"
                                    << "CID varchar(20), fam_rel memo";
  QTest::newRow("names in other case") << "CID text, Insur_company text"
                                       << "cid text, INSUR_COMPANY text";
}

void TestSchema::handMadeVariants() {
  QFETCH(QString, from);
  QFETCH(QString, to);
  TestEnv env;
  QString layout = QString::fromUtf8(kHandMadeLayout);
  QVERIFY(layout.contains(from));
  layout.replace(from, to);
  HandMade(layout);
  Sql(QStringLiteral("create index mine on family (CID)"));

  Connection db;
  OpenDatabase(db, kDatabaseFile);
  QCOMPARE(TablesWithCidIndex(), TableNames());
  QCOMPARE(Count(QStringLiteral("select count(*) from sqlite_master where type='index' and "
                                "tbl_name='family'")),
           1);  // the index it had is enough
  Recordset family;
  family.Open(QStringLiteral("select * from family where CID='A1'"), db);
  QCOMPARE(*family.Field(QStringLiteral("fam_name")), QStringLiteral("Ben"));
  Recordset customer;
  customer.Open(QStringLiteral("customer"), db);
  QCOMPARE(*customer.Field(QStringLiteral("Cust_name")), QStringLiteral("Anna"));
}

void TestSchema::readOnlyFileOpensUnchanged() {
  TestEnv env;
  HandMade(QString::fromUtf8(kHandMadeLayout));
  QVERIFY(QFile::setPermissions(env.DbPath(), QFileDevice::ReadOwner));
  const QByteArray bytes = FileBytes(env.DbPath());
  {
    NoWriteOverride readOnly;
    if (Writable(env.DbPath())) QSKIP("this user can write a file of mode 0400");
    Connection db;
    OpenDatabase(db, kDatabaseFile);
    Recordset customer;
    customer.Open(QStringLiteral("customer"), db);
    QCOMPARE(customer.RecordCount(), 1);
    QCOMPARE(*customer.Field(QStringLiteral("Cust_name")), QStringLiteral("Anna"));
    Recordset family;
    family.Open(QStringLiteral("select * from family where CID='A1'"), db);
    QCOMPARE(*family.Field(QStringLiteral("fam_name")), QStringLiteral("Ben"));
    // Writing fails with the database's error, not silently.
    family.SetField(QStringLiteral("fam_name"), QStringLiteral("changed"));
    QVERIFY_THROWS_EXCEPTION(DataError, family.Update());
    family.CancelUpdate();
  }
  QCOMPARE(FileBytes(env.DbPath()), bytes);
  QVERIFY(TablesWithCidIndex().isEmpty());
}

void TestSchema::unusableFileIsRefusedUntouched_data() {
  QTest::addColumn<QString>("damage");
  QTest::addColumn<QString>("cause");
  QTest::newRow("random bytes") << "random"
                                << "not a database";
  QTest::newRow("text file") << "text"
                             << "not a database";
  QTest::newRow("truncated at half") << "half"
                                     << "malformed";
  QTest::newRow("truncated at a page boundary") << "pages"
                                                << "malformed";
  QTest::newRow("last page missing") << "last"
                                     << "malformed";
  for (const TableLayout& table : Tables()) {
    QTest::addRow("no table %s", qPrintable(table.name))
        << QStringLiteral("drop ") + table.name << table.name;
  }
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
  } else if (damage == QLatin1String("text")) {
    WriteFile(env.DbPath(), "CID,Cust_name\nA1,Anna\n");
  } else if (damage == QLatin1String("half") || damage == QLatin1String("pages") ||
             damage == QLatin1String("last")) {
    CreateDatabase();
    Sql(QStringLiteral(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 400) "
        "insert into customer (CID, Cust_name) select 'K' || i, hex(randomblob(200)) "
        "from n"));
    Sql(QStringLiteral("insert into family (CID, fam_name) select CID, Cust_name from customer"));
    const QByteArray whole = FileBytes(env.DbPath());
    const qsizetype cut = damage == QLatin1String("half")    ? whole.size() / 2 + 123
                          : damage == QLatin1String("pages") ? (whole.size() / 2 / 4096) * 4096
                                                             : whole.size() - 4096;
    WriteFile(env.DbPath(), whole.left(cut));
  } else if (damage.startsWith(QLatin1String("drop "))) {
    CreateDatabase();
    Sql(QStringLiteral("drop table ") + damage.mid(5));
  } else if (damage == QLatin1String("foreign")) {
    Sql(QStringLiteral("create table notes (line text)"));
  } else if (damage == QLatin1String("shifted")) {
    QString layout = QString::fromUtf8(kHandMadeLayout);
    layout.replace(QStringLiteral("CID text, fam_rel text"),
                   QStringLiteral("fam_rel text, CID text"));
    HandMade(layout);
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
  QVERIFY(!QFile::exists(env.DbPath() + "-wal"));
}

QTEST_MAIN(TestSchema)
#include "tst_schema.moc"
