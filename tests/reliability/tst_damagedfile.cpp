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

// Two customers with lists and, when asked, many more rows to fill many pages.
void Customers(int extra = 0) {
  CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}});
  if (extra == 0) return;
  Sql(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                     "insert into customer (CID, Cust_name) select 'X' || i, hex(randomblob(300)) "
                     "from n")
          .arg(extra));
  Sql("insert into contact (CID, Cont_detail) select CID, Cust_name from customer where CID "
      "like 'X%'");
}

}  // namespace

class TestDamagedFile : public QObject {
  Q_OBJECT

 private slots:
  void start_refusesUnusableFile_data();
  void start_refusesUnusableFile();
  void start_zeroByteFileGetsTables();
  void save_refused_data();
  void save_refused();
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
  Press(window, "new");
  TypeInto(window->txtCID, QStringLiteral("C001"));
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QCOMPARE(Count("select count(*) from customer where CID='C001'"), 1);
}

// A save the file cannot take: the message names the file and the cause, the window keeps
// everything typed in its mode, the file stays as it was; where the cause can pass (the lock is
// released, room is made) the same save then stores the customer once.
void TestDamagedFile::save_refused_data() {
  QTest::addColumn<QString>("cause");
  QTest::newRow("read-only file") << "read-only";
  QTest::newRow("read-only folder") << "folder";
  QTest::newRow("locked by another program") << "another program";
  QTest::newRow("disk full") << "full";
}

void TestDamagedFile::save_refused() {
  QFETCH(QString, cause);
  const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
  if (cause == "another program" && shell.isEmpty()) QSKIP("no sqlite3 shell");
  TestEnv env;
  Customers();
  const QString locked = cause == "folder" ? env.Dir() : env.DbPath();
  const QFileDevice::Permissions permissions = QFile::permissions(locked);
  const auto restore = qScopeGuard([&] { QFile::setPermissions(locked, permissions); });
  if (cause == "read-only" || cause == "folder") {
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  }
  NoWriteOverride readOnly;
  if ((cause == "read-only" && QFile(locked).open(QIODevice::ReadWrite)) ||
      (cause == "folder" && QFile(locked + "/probe").open(QIODevice::WriteOnly)))
    QSKIP("this user can write what its mode forbids");
  const QByteArray before = FileBytes(env.DbPath());

  frmCust* window = OpenWindow();
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QProcess other;
  if (cause == "another program") {
    // Another program holds the file in an open write transaction.
    other.setWorkingDirectory(env.Dir());
    other.start(shell, {kDatabaseFile});
    QVERIFY(other.waitForStarted());
    other.write("begin immediate;\ninsert into customer (CID) values ('Z9');\nselect 'held';\n");
    while (!other.readAllStandardOutput().contains("held") && other.state() == QProcess::Running)
      other.waitForReadyRead(1000);
  } else if (cause == "full") {
    // The file may not grow by a single page.
    DbConnection->Execute("pragma max_page_count=" + *Rows("pragma page_count")[0][0]);
  }
  if (cause == "read-only") {
    // Deleting is refused the same way, the customer stays on screen.
    Press(window, "delete");
    QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  }
  Press(window, "new");
  TypeInto(window->txtCID, QStringLiteral("C001"));
  TypeInto(window->txtName, QStringLiteral("Carol"));
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, QStringLiteral("husband"));
  window->txtAddHome->setText(QString(20000, QLatin1Char('x')));  // needs new pages
  const QStringList typed = Snapshot(window);
  Press(window, "save");
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(!env.messages.isEmpty());
  for (const QString& message : env.messages) {
    QVERIFY2(message.contains(Absolute(env.DbPath())), qPrintable(message));
    QVERIFY2(message.contains(cause), qPrintable(message));
  }
  QCOMPARE(Snapshot(window), typed);
  QCOMPARE(FileBytes(env.DbPath()), before);
  if (cause != "another program" && cause != "full") return;

  if (cause == "another program") {
    other.closeWriteChannel();  // its transaction is rolled back
    QVERIFY(other.waitForFinished());
  } else {
    DbConnection->Execute(QStringLiteral("pragma max_page_count=1000000"));
  }
  env.messages.clear();
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QCOMPARE(Count("select count(*) from customer where CID in ('C001', 'Z9')"), 1);
  QCOMPARE(CustomerRow(QStringLiteral("C001"))[QStringLiteral("Cust_addhome")]->size(), 20000);
  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("C001")).size(), 1);
  QCOMPARE(Rows("pragma integrity_check")[0][0], Value(QStringLiteral("ok")));
}

QTEST_MAIN(TestDamagedFile)
#include "tst_damagedfile.moc"
