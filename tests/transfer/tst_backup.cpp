// Backup: a copy taken while another program writes is whole and opens; a target that cannot
// take the copy is left as it was, with nothing half-written beside it.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

#include "data/connection.h"
#include "data/schema.h"
#include "tests/support/testsupport.h"
#include "transfer/backup.h"
#include "transfer/export.h"
#include "ui/program/module1.h"

class TestBackup : public QObject {
  Q_OBJECT
 private slots:
  void whileWriting();
  void failingTarget_data();
  void failingTarget();
  void pruneAfterBackup_data();
  void pruneAfterBackup();
};

// Another program adds a customer and its family row in one transaction after another; copies
// (and exports) taken meanwhile each hold whole transactions only, pass SQLite's integrity check,
// open as a qel.db and are readable by their owner only. Each copy replaces the previous one.
void TestBackup::whileWriting() {
  const QString shell = QStandardPaths::findExecutable("sqlite3");
  if (shell.isEmpty()) QEL_SKIP_MISSING("no sqlite3 shell (scripts/deps.sh installs it)");
  TestEnv env;
  CreateDatabase();
  QByteArray script = ".timeout 20000\npragma synchronous=off;\n";
  for (int i = 0; i < 1000; ++i) {
    script += QStringLiteral(
                  "begin; insert into customer (CID, Cust_addhome) values ('W%1', '%2');"
                  " insert into family (CID, fam_name) values ('W%1', 'f');commit;\n")
                  .arg(i)
                  .arg(QString(i % 50 * 40, QLatin1Char('x')))
                  .toUtf8();
  }
  QVERIFY(QDir().mkdir("backup"));
  QProcess writer;
  writer.start(shell, {kDatabaseFile});
  QVERIFY(writer.waitForStarted());
  writer.write(script);
  writer.closeWriteChannel();

  // Copies until the writer ends; those that hold some of its customers but not all were taken
  // while it was in the middle of its work.
  int copies = 0, midway = 0;
  while (writer.state() == QProcess::Running) {
    QVERIFY_THROWS_NO_EXCEPTION(BackupTo(kDatabaseFile, "backup/qel.db"));
    ++copies;
    // An export meanwhile shows one moment too: as many family rows as customers.
    QVERIFY_THROWS_NO_EXCEPTION(ExportTo(kDatabaseFile, "export"));
    QCOMPARE(FileBytes("export/family.csv").count('\n'),
             FileBytes("export/customer.csv").count('\n'));
    QCOMPARE(QDir("backup").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"qel.db"});
    QCOMPARE(QFile::permissions("backup/qel.db") & 0x0077, QFileDevice::Permissions());  // 0600
    QVERIFY(QDir::setCurrent("backup"));
    QCOMPARE(Rows("pragma integrity_check"), QVector<QVector<Value>>{{"ok"}});
    const int customers = Count("select count(*) from customer");
    QCOMPARE(Count("select count(*) from family"), customers);
    midway += customers > 0 && customers < 1000;
    Connection connection;
    QVERIFY_THROWS_NO_EXCEPTION(OpenDatabase(connection, kDatabaseFile));
    connection.Close();
    QVERIFY(QDir::setCurrent(env.Dir()));
    writer.waitForFinished(20);
  }
  QCOMPARE(writer.exitCode(), 0);
  QVERIFY2(midway >= 2, qPrintable(QStringLiteral("%1 of %2 copies were taken while the writer "
                                                  "was under way; at least 2 should be")
                                       .arg(midway)
                                       .arg(copies)));
}

// A disk that fills up: no file of the program may grow beyond 64 KiB.
void LimitFileSize(QProcess& program) {
  program.setChildProcessModifier([] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
}

void Row(const char* name, const char* target, const char* cause, bool fileSizeLimit = false) {
  QTest::newRow(name) << QString(target) << QString(cause) << fileSizeLimit;
}

void TestBackup::failingTarget_data() {
  QTest::addColumn<QString>("target");
  QTest::addColumn<QString>("cause");
  QTest::addColumn<bool>("fileSizeLimit");
  Row("target is a folder", "old", "it is a folder");
  Row("folder missing", "gone/qel.db", "does not exist");
  Row("folder is a file", "old.db/qel.db", "is not a folder");
  Row("the database itself", "qel.db", "the database itself");
  // Other paths to the same file, or to the files SQLite keeps beside it.
  Row("through a linked folder", "link/qel.db", "the database itself");
  Row("a hard link", "hard.db", "the database itself");
  Row("a symbolic link", "alias.db", "the database itself");
  Row("the journal", "qel.db-journal", "the journal of the database");
  Row("the log, linked folder", "link/qel.db-wal", "the write-ahead log of the database");
  Row("the shared memory", "link/./qel.db-shm", "the shared-memory index of the database");
  Row("disk full, old copy kept", "old.db", "cannot be written", true);
}

// `qel --backup` and the backup function refuse a target that cannot take the copy: a non-zero
// status, a message naming the target and the cause, every file as it was (the database the
// same file, not a new one) and no temporary file left.
void TestBackup::failingTarget() {
  QFETCH(QString, target);
  QFETCH(QString, cause);
  QFETCH(bool, fileSizeLimit);
  TestEnv env;
  CreateDatabase();
  // More than the file size limit below allows the copy to grow to.
  InsertCustomer("K1", {{"Cust_addhome", QString(100000, QLatin1Char('x'))}});
  QVERIFY(QDir().mkdir("old"));
  QFile old("old.db");
  QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older copy") > 0);
  old.close();
  QVERIFY(QFile::link(".", "link") && QFile::link(kDatabaseFile, "alias.db"));
  QCOMPARE(::link("qel.db", "hard.db"), 0);
  struct stat live {};
  QCOMPARE(::stat("qel.db", &live), 0);
  const QStringList before =
      QDir(".").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  const QByteArray database = FileBytes(kDatabaseFile);

  if (!fileSizeLimit) {
    try {
      BackupTo(kDatabaseFile, target);
      QFAIL("the backup was written");
    } catch (const DataError& error) {
      QVERIFY2(error.message().contains(cause), qPrintable(error.message()));
    }
  }
  QProcess qel;
  if (fileSizeLimit) LimitFileSize(qel);
  qel.start(QEL_BINARY, {"--backup", target});
  QVERIFY(qel.waitForFinished());
  const QString message = QString::fromUtf8(qel.readAllStandardError());
  QCOMPARE(qel.exitStatus(), QProcess::NormalExit);
  QVERIFY2(qel.exitCode() != 0, qPrintable(message));
  QVERIFY2(message.contains(QFileInfo(target).absoluteFilePath()), qPrintable(message));
  QVERIFY2(message.contains(cause), qPrintable(message));
  QCOMPARE(QDir(".").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
  QVERIFY(QDir("old").isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
  QCOMPARE(FileBytes("old.db"), QByteArray("an older copy"));
  QCOMPARE(FileBytes(kDatabaseFile), database);
  struct stat after {};
  QCOMPARE(::stat("qel.db", &after), 0);
  QCOMPARE(after.st_ino, live.st_ino);
}

void TestBackup::pruneAfterBackup_data() {
  QTest::addColumn<QString>("days");
  QTest::addColumn<bool>("fileSizeLimit");
  QTest::addColumn<int>("status");
  QTest::addColumn<int>("left");  // entries left in qel.db
  QTest::newRow("older entries go, the backup keeps them") << "5" << false << 0 << 1;
  QTest::newRow("a backup that fails prunes nothing") << "5" << true << 1 << 2;
  QTest::newRow("not a number of days") << "five" << false << 2 << 2;
}

// `qel --history-prune` backs the file up first and prints where; only then does the older
// history go.
void TestBackup::pruneAfterBackup() {
  QFETCH(QString, days);
  QFETCH(bool, fileSizeLimit);
  QFETCH(int, status);
  QFETCH(int, left);
  TestEnv env;
  CreateDatabase();
  InsertCustomer("K1", {{"Cust_addhome", QString(100000, QLatin1Char('x'))}});
  for (const int age : {9, 1})
    Sql("insert into history (changed_at, what, cid) values (?, 'save', 'K1')",
        {QDateTime::currentDateTimeUtc().addDays(-age).toString(Qt::ISODateWithMs)});
  QProcess qel;
  if (fileSizeLimit) LimitFileSize(qel);
  qel.start(QEL_BINARY, {"--history-prune", days});
  QVERIFY(qel.waitForFinished());
  QCOMPARE(qel.exitCode(), status);
  QCOMPARE(Count("select count(*) from history"), left);
  const QStringList backups = QDir(".").entryList({"qel-before-prune-*.db"});
  QCOMPARE(backups.size(), int(status == 0));
  if (status) return;
  QVERIFY(QString::fromUtf8(qel.readAllStandardOutput())
              .contains("Backed up to " + QFileInfo(backups[0]).absoluteFilePath()));
  QCOMPARE(Count("select count(*) from history where cid = 'K1'"), 1);
  Connection copy;
  copy.Open(backups[0]);
  QSqlQuery count("select count(*) from history", copy.Database());
  QVERIFY(count.next());
  QCOMPARE(count.value(0).toInt(), 2);
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
