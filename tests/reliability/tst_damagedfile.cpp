// A damaged or unusable database file, met through the real program start and the customer
// window's save: each case gives a clear message naming the file and the cause, never crashes,
// leaves the file as it was, and loses nothing the agent typed.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include "app/module1.h"
#include "tests/customer/custtest.h"

using namespace custtest;

namespace {

// Takes away root's right to write what its mode forbids, for one scope, so read-only files
// and folders are read-only for this test whoever runs it.
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
  NoWriteOverride(const NoWriteOverride&) = delete;
  NoWriteOverride& operator=(const NoWriteOverride&) = delete;

 private:
  __user_cap_header_struct m_header{};
  __user_cap_data_struct m_saved[2]{};
  bool m_dropped = false;
};

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QString Absolute(const QString& path) {
  return QFileInfo(path).absoluteFilePath();
}

// Two customers with lists, enough rows to fill many pages.
void Customers(int extra = 0) {
  CreateDatabase();
  InsertCustomer(FullCustomer(QStringLiteral("A001"), QStringLiteral("Alice")));
  InsertCustomer(FullCustomer(QStringLiteral("A002"), QStringLiteral("Bob")));
  InsertChild(QStringLiteral("family"), QStringLiteral("A001"),
              {QStringLiteral("wife"), QStringLiteral("Ann"), Value(), Value(), Value(), Value(),
               Value(), Value()});
  if (extra > 0) {
    Sql(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < "
                       "%1) insert into customer (CID, Cust_name) select 'X' || i, "
                       "hex(randomblob(300)) from n")
            .arg(extra));
    Sql(
        QStringLiteral("insert into contact (CID, Cont_detail) select CID, Cust_name from "
                       "customer where CID like 'X%'"));
  }
}

// Starts entering a new customer with a name and one family entry, as the agent does.
void TypeNewCustomer(frmCust* window, const QString& key) {
  Press(window, "new");
  TypeInto(window->txtCID, key);
  TypeInto(window->txtName, QStringLiteral("Carol"));
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, QStringLiteral("husband"));
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 1, QStringLiteral("Carl"));
}

// The window after a save that failed: still entering the new customer, everything typed there.
void CheckStillTyped(frmCust* window, const QString& key) {
  QVERIFY(window->NewMode);
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
  QVERIFY(window->txtName->isEnabled());
  QCOMPARE(window->txtCID->text(), key);
  QCOMPARE(window->txtName->text(), QStringLiteral("Carol"));
  QCOMPARE(window->msfgFamily->TextMatrix(1, 0), QStringLiteral("husband"));
  QCOMPARE(window->msfgFamily->TextMatrix(1, 1), QStringLiteral("Carl"));
}

}  // namespace

class TestDamagedFile : public QObject {
  Q_OBJECT

 private slots:
  void start_refusesUnusableFile_data();
  void start_refusesUnusableFile();
  void start_zeroByteFileGetsTables();
  void readOnlyFile_browsesAndRefusesSave();
  void readOnlyFolder_browsesAndRefusesSave();
  void lockedByAnotherProgram_saveWaitsThenReports();
  void diskFull_saveReportsAndKeepsTyping();
};

void TestDamagedFile::start_refusesUnusableFile_data() {
  QTest::addColumn<QString>("damage");
  QTest::addColumn<QString>("cause");
  QTest::newRow("random bytes") << "random"
                                << "not a database";
  QTest::newRow("text file") << "text"
                             << "not a database";
  QTest::newRow("truncated to a third") << "third"
                                        << "malformed";
  QTest::newRow("truncated at a page boundary") << "pages"
                                                << "malformed";
  QTest::newRow("header only") << "header"
                               << "malformed";
  QTest::newRow("a folder named qel.db") << "folder"
                                         << "qel.db";
}

void TestDamagedFile::start_refusesUnusableFile() {
  QFETCH(QString, damage);
  QFETCH(QString, cause);
  TestEnv env;
  if (damage == QLatin1String("random")) {
    QByteArray bytes(32 * 1024, 0);
    QRandomGenerator generator(11);
    for (char& byte : bytes) byte = char(generator.bounded(256));
    WriteFile(env.DbPath(), bytes);
  } else if (damage == QLatin1String("text")) {
    WriteFile(env.DbPath(), "C_No;Name\nA001;Alice\n");
  } else if (damage == QLatin1String("folder")) {
    QVERIFY(QDir(env.Dir()).mkdir(kDatabaseFile));
  } else {
    Customers(300);
    const QByteArray whole = FileBytes(env.DbPath());
    const qsizetype cut = damage == QLatin1String("third")   ? whole.size() / 3 + 77
                          : damage == QLatin1String("pages") ? (whole.size() / 2 / 4096) * 4096
                                                             : 100;
    WriteFile(env.DbPath(), whole.left(cut));
  }
  const QByteArray before = FileBytes(env.DbPath());

  OpenWindow();
  QVERIFY2(env.fatalStatus != 0, "the program went on with an unusable file");
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].contains(Absolute(env.DbPath())), qPrintable(env.messages[0]));
  QVERIFY2(env.messages[0].contains(cause, Qt::CaseInsensitive), qPrintable(env.messages[0]));
  QCOMPARE(FileBytes(env.DbPath()), before);
  QCOMPARE(QDir(env.Dir()).entryList(QDir::Files | QDir::NoDotAndDotDot),
           damage == QLatin1String("folder") ? QStringList() : QStringList{kDatabaseFile});
}

void TestDamagedFile::start_zeroByteFileGetsTables() {
  TestEnv env;
  WriteFile(env.DbPath(), QByteArray());
  frmCust* window = OpenWindow();
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(env.messages.isEmpty());
  TypeNewCustomer(window, QStringLiteral("C001"));
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QCOMPARE(*CustomerRow(QStringLiteral("C001"))[QStringLiteral("Cust_name")],
           QStringLiteral("Carol"));
}

void TestDamagedFile::readOnlyFile_browsesAndRefusesSave() {
  TestEnv env;
  Customers();
  QVERIFY(QFile::setPermissions(
      env.DbPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
  const QByteArray before = FileBytes(env.DbPath());
  {
    NoWriteOverride readOnly;
    if (QFile(env.DbPath()).open(QIODevice::ReadWrite))
      QSKIP("this user can write a file of mode 0444");
    frmCust* window = OpenWindow();
    QCOMPARE(env.fatalStatus, 0);
    QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
    // Deleting is refused with the reason, and the customer stays on screen.
    Press(window, "delete");
    QCOMPARE(env.fatalStatus, 0);
    QCOMPARE(env.messages.size(), 1);
    QVERIFY2(env.messages[0].contains(Absolute(env.DbPath())), qPrintable(env.messages[0]));
    QVERIFY2(env.messages[0].contains(QStringLiteral("read-only")), qPrintable(env.messages[0]));
    QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
    env.messages.clear();

    TypeNewCustomer(window, QStringLiteral("C001"));
    Press(window, "save");
    QCOMPARE(env.fatalStatus, 0);
    QCOMPARE(env.messages.size(), 1);
    QVERIFY2(env.messages[0].contains(Absolute(env.DbPath())), qPrintable(env.messages[0]));
    QVERIFY2(env.messages[0].contains(QStringLiteral("read-only")), qPrintable(env.messages[0]));
    CheckStillTyped(window, QStringLiteral("C001"));
    UnloadAllWindows();
  }
  QCOMPARE(FileBytes(env.DbPath()), before);
}

void TestDamagedFile::readOnlyFolder_browsesAndRefusesSave() {
  TestEnv env;
  Customers();
  const QByteArray before = FileBytes(env.DbPath());
  const QFileDevice::Permissions folder = QFile::permissions(env.Dir());
  QVERIFY(QFile::setPermissions(env.Dir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  {
    NoWriteOverride readOnly;
    if (QFile(QDir(env.Dir()).filePath("probe")).open(QIODevice::WriteOnly)) {
      QFile::setPermissions(env.Dir(), folder);
      QSKIP("this user can write into a folder of mode 0500");
    }
    frmCust* window = OpenWindow();
    QCOMPARE(env.fatalStatus, 0);
    QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
    TypeNewCustomer(window, QStringLiteral("C001"));
    Press(window, "save");
    QCOMPARE(env.fatalStatus, 0);
    QCOMPARE(env.messages.size(), 1);
    QVERIFY2(env.messages[0].contains(Absolute(env.DbPath())), qPrintable(env.messages[0]));
    QVERIFY2(env.messages[0].contains(QStringLiteral("folder")), qPrintable(env.messages[0]));
    CheckStillTyped(window, QStringLiteral("C001"));
    UnloadAllWindows();
  }
  QVERIFY(QFile::setPermissions(env.Dir(), folder));
  QCOMPARE(FileBytes(env.DbPath()), before);
  QCOMPARE(QDir(env.Dir()).entryList(QDir::Files), QStringList{kDatabaseFile});
}

void TestDamagedFile::lockedByAnotherProgram_saveWaitsThenReports() {
  const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
  if (shell.isEmpty()) QSKIP("no sqlite3 shell (scripts/deps.sh installs it)");
  TestEnv env;
  Customers();
  frmCust* window = OpenWindow();
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));

  // Another program holds the file in an open write transaction.
  QProcess other;
  other.setWorkingDirectory(env.Dir());
  other.start(shell, {kDatabaseFile});
  QVERIFY(other.waitForStarted());
  other.write(
      "begin immediate;\ninsert into customer (CID, Cust_name) values ('Z9', 'Zed');\n"
      "select 'held';\n");
  while (!other.readAllStandardOutput().contains("held") && other.state() == QProcess::Running)
    other.waitForReadyRead(1000);
  const QByteArray before = FileBytes(env.DbPath());

  TypeNewCustomer(window, QStringLiteral("C001"));
  Press(window, "save");
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].contains(Absolute(env.DbPath())), qPrintable(env.messages[0]));
  QVERIFY2(env.messages[0].contains(QStringLiteral("another program")),
           qPrintable(env.messages[0]));
  CheckStillTyped(window, QStringLiteral("C001"));
  QCOMPARE(FileBytes(env.DbPath()), before);

  // Once the other program lets go (its transaction rolled back), the same save goes through,
  // once.
  other.closeWriteChannel();
  QVERIFY(other.waitForFinished());
  env.messages.clear();
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QCOMPARE(Count(QStringLiteral("select count(*) from customer where CID='C001'")), 1);
  QCOMPARE(Count(QStringLiteral("select count(*) from customer where CID='Z9'")), 0);
  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("C001")).size(), 1);
}

void TestDamagedFile::diskFull_saveReportsAndKeepsTyping() {
  TestEnv env;
  Customers();
  frmCust* window = OpenWindow();
  const QString pages =
      Rows(QStringLiteral("pragma page_count")).value(0).value(0).value_or(QString());
  QVERIFY(!pages.isEmpty());
  // The file may not grow by a single page: the disk is full.
  DbConnection->Execute(QStringLiteral("pragma max_page_count=") + pages);
  const QByteArray before = FileBytes(env.DbPath());

  TypeNewCustomer(window, QStringLiteral("C001"));
  // A text that needs new pages.
  window->txtAddHome->setText(QString(20000, QLatin1Char('x')));
  Press(window, "save");
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].contains(Absolute(env.DbPath())), qPrintable(env.messages[0]));
  QVERIFY2(env.messages[0].contains(QStringLiteral("full")), qPrintable(env.messages[0]));
  CheckStillTyped(window, QStringLiteral("C001"));
  QCOMPARE(FileBytes(env.DbPath()), before);

  // Room again: the same save stores the customer once, with its list.
  DbConnection->Execute(QStringLiteral("pragma max_page_count=1000000"));
  env.messages.clear();
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QCOMPARE(Count(QStringLiteral("select count(*) from customer where CID='C001'")), 1);
  QCOMPARE(CustomerRow(QStringLiteral("C001"))[QStringLiteral("Cust_addhome")]->size(), 20000);
  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("C001")),
           (QVector<QVector<Value>>{{QStringLiteral("husband"), QStringLiteral("Carl"), Value(),
                                     Value(), Value(), Value(), Value(), Value()}}));
  QCOMPARE(Rows(QStringLiteral("pragma integrity_check")).value(0).value(0),
           Value(QStringLiteral("ok")));
}

QTEST_MAIN(TestDamagedFile)
#include "tst_damagedfile.moc"
