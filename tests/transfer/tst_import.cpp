// Importing a card index: the rules for keys, merges and re-runs, all-or-nothing on failure and
// on a kill, and the first start beside an old file.
#include <dlfcn.h>
#include <unistd.h>

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include "data/connection.h"
#include "data/schema.h"
#include "tests/support/testsupport.h"
#include "transfer/import.h"
#include "ui/customer/frmcust.h"
#include "ui/program/firststart.h"
#include "ui/program/module1.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"

namespace {

// Writes "table:content" entries as table.csv into the folder; a "qel.db:" entry's statements
// (";" between them) make a qel.db there.
void WriteSource(const QString& folder, const QByteArrayList& files) {
  QDir().mkpath(folder);
  for (const QByteArray& entry : files) {
    const qsizetype colon = entry.indexOf(':');
    if (entry.startsWith("qel.db:")) {
      Connection db;
      OpenDatabaseFile(db, folder + QStringLiteral("/qel.db"));
      for (const QByteArray& statement : entry.mid(colon + 1).split(';'))
        db.Execute(QString::fromUtf8(statement));
      continue;
    }
    QFile file(folder + QLatin1Char('/') + QString::fromUtf8(entry.left(colon)) +
               QStringLiteral(".csv"));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the source");
    file.write(entry.mid(colon + 1));
  }
}

// Customers as CID=name, then list rows as table:CID=first data column, in rowid order; Null as ∅.
QString Dump() {
  QString sql = QStringLiteral("select 0, '', CID, Cust_name, rowid from customer");
  for (int t = 1; t < Tables().size(); ++t)
    sql += QStringLiteral(" union all select %1, '%2:', CID, %3, ID from %2")
               .arg(t)
               .arg(Tables()[t].name, DataColumns(Tables()[t].name).first());
  QStringList out;
  for (const auto& row : Rows(sql + QStringLiteral(" order by 1, 5")))
    out << *row[1] + row[2].value_or("∅") + QLatin1Char('=') + row[3].value_or("∅");
  return out.join(QLatin1Char(' '));
}

// "customer:A1=Wang" or "family:A1=father" rows put into a new qel.db before the import.
void Prepare(const QStringList& rows) {
  CreateDatabase();
  for (const QString& row : rows) {
    const QStringList parts = row.split(QRegularExpression(QStringLiteral("[:=]")));
    if (parts[0] == QLatin1String("customer"))
      InsertCustomer(parts[1], {{QStringLiteral("Cust_name"), parts[2]}});
    else
      InsertChild(parts[0], parts[1], {parts[2]});
  }
}

// A folder on a file system without hard links (FAT, exFAT, many SMB shares), played by the
// two calls below: link() refuses with EPERM and, if asked, renameat2() refuses its flags as
// FUSE does. `appearing`: the content of a database file made by someone else just before.
struct NoHardLinks {
  bool on = false;
  bool renameFlags = true;
  QByteArray appearing;
} g_folder;

}  // namespace

extern "C" int link(const char* from, const char* to) noexcept {
  if (!g_folder.on) {
    static const auto real =
        reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "link"));
    return real(from, to);
  }
  if (!g_folder.appearing.isEmpty()) {
    QFile made(QFile::decodeName(to));
    if (!made.open(QIODevice::NewOnly) || made.write(g_folder.appearing) < 0) qFatal("no file");
  }
  errno = EPERM;
  return -1;
}

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to,
                         unsigned int flags) noexcept {
  if (g_folder.on && !g_folder.renameFlags && flags != 0) {
    errno = EINVAL;
    return -1;
  }
  static const auto real = reinterpret_cast<int (*)(int, const char*, int, const char*, unsigned)>(
      dlsym(RTLD_NEXT, "renameat2"));
  return real(fromDir, from, toDir, to, flags);
}

class tst_Import : public QObject {
  Q_OBJECT
 private slots:
  void rules_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("summary");
    auto row = [](const char* name, const QStringList& before, const QByteArrayList& files,
                  const QString& after, const QString& summary) {
      QTest::newRow(name) << before << files << after << summary;
    };
    const QByteArray a1Wang = "customer:CID,Cust_name\nA1,Wang\n";
    row("two customers with one key: the second renamed, the lists stay with the first",
        QStringList(),
        {"customer:CID,Cust_name\nA1,Wang\nA1,Lee\n", "family:ID,CID,fam_rel\n7,A1,father\n"},
        "A1=Wang A1 (2)=Lee family:A1=father", "\"A1\" is now \"A1 (2)\"");
    row("list row of no customer kept and counted", QStringList(),
        {a1Wang, "contact:CID,Cont_date\nZZ,2024/1/2\n"}, "A1=Wang contact:ZZ=2024/1/2",
        "List rows that name no customer, imported as they are: 1.");
    row("columns by name in any case, unknown named, missing Null, \"\" kept", QStringList(),
        {"customer:cust_NAME,Hobby,cid\n\"\",golf,A1\n,,B2\n"}, "A1= B2=∅",
        "Columns not known, ignored: customer.Hobby.");
    row("Customer.csv; a record shorter than its header: the cells it lacks are Null",
        QStringList(), QByteArrayList{"Customer:CID,Cust_name\nA1\n", "family:CID,fam_rel\nA1\n"},
        "A1=∅ family:A1=∅", "1 customers");
    row("merge: the same customer with the same lists is skipped",
        {"customer:A1=Wang", "family:A1=father"}, {a1Wang, "family:CID,fam_rel\nA1,father\n"},
        "A1=Wang family:A1=father", "Already present, not imported again: 1 customers");
    row("merge: other data under a taken key comes with its lists under a new key",
        {"customer:A1=Wang"},
        {"customer:CID,Cust_name\nA1,Chen\n", "family:CID,fam_rel\nA1,mother\n"},
        "A1=Wang A1 (2)=Chen family:A1 (2)=mother", "\"A1\" is now \"A1 (2)\"");
    row("merge: the same customer with other lists comes under a new key",
        {"customer:A1=Wang", "family:A1=father"}, {a1Wang, "family:CID,fam_rel\nA1,mother\n"},
        "A1=Wang A1 (2)=Wang family:A1=father family:A1 (2)=mother", "\"A1\" is now \"A1 (2)\"");
    row("a new key passes over keys in use",
        {"customer:A1=Wang", "customer:A1 (2)=Lee", "contact:A1 (3)=x"},
        {"customer:CID,Cust_name\nA1,Chen\n"}, "A1=Wang A1 (2)=Lee A1 (4)=Chen contact:A1 (3)=x",
        "\"A1\" is now \"A1 (4)\"");
    row("a qel.db as the source: read and merged as the files are",
        {"customer:A1=Wang", "family:A1=father"},
        {"qel.db:insert into customer (CID, Cust_name) values ('A1', 'Wang'), "
         "('B2', 'Chen\t\\\n');insert into family (CID, fam_rel) values ('A1', "
         "'father'), ('B2', 'son')"},
        "A1=Wang B2=Chen\t\\\n family:A1=father family:B2=son",
        "Already present, not imported again: 1 customers");
  }
  void rules() {
    QFETCH(QStringList, before);
    QFETCH(QByteArrayList, files);
    QFETCH(QString, after);
    QFETCH(QString, summary);
    TestEnv env;
    if (!before.isEmpty()) Prepare(before);
    WriteSource(QStringLiteral("src"), files);
    const QString source = files[0].startsWith("qel.db") ? "src/qel.db" : "src";
    const ImportSummary result = ImportInto(kDatabaseFile, source);
    QVERIFY2(result.Text().contains(summary), qPrintable(result.Text()));
    QCOMPARE(Dump(), after);
    // The same import again adds nothing.
    ImportInto(kDatabaseFile, source);
    QCOMPARE(Dump(), after);
  }

  // A failing import: the database is as it was, or there is no qel.db (tst_reliability kills
  // one).
  void failedImportChangesNothing_data() {
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QString>("message");
    auto row = [](const char* name, const QByteArrayList& files, const QString& message) {
      QTest::newRow(name) << files << message;
    };
    const QByteArray ok = "customer:CID,Cust_name\nA1,Wang\n";
    row("the database refuses the last table's rows", {ok, "contact:CID,Cont_date\nA1,x\n"},
        "refused");
    row("broken quote in the last table", {ok, "contact:CID,Cont_date\nA1,\"open\n"},
        "contact.csv, line 2: a quoted field is not closed");
    row("text that is not UTF-8", {"customer:CID,Cust_name\nA1,\xb3\xaf\n"},
        "customer.csv, line 2: field 2 is not UTF-8");
    row("more values than columns", {ok, "family:CID\nA1,x\n"}, "family.csv, line 2: 2 values");
    row("no customer table", {"family:CID\nA1\n"}, "The source has no customer table.");
  }
  void failedImportChangesNothing() {
    QFETCH(QByteArrayList, files);
    QFETCH(QString, message);
    const bool refuse = message == "refused";
    for (const bool filled : {true, false}) {
      if (refuse && !filled) continue;
      TestEnv env;
      if (filled) Prepare({"customer:B1=Lee", "family:B1=son"});
      if (refuse) Sql(RefuseStatement("insert on contact", "refused"));
      const QByteArray bytes = filled && !OnServer() ? FileBytes(kDatabaseFile) : QByteArray();
      WriteSource(QStringLiteral("src"), files);
      try {
        ImportInto(kDatabaseFile, QStringLiteral("src"));
        QFAIL("the import did not fail");
      } catch (const DataError& error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message()));
      }
      if (!OnServer())
        QCOMPARE(QDir().entryList(QDir::Files), filled ? QStringList{"qel.db"} : QStringList{});
      if (filled || OnServer())
        QCOMPARE(Dump(), filled ? QStringLiteral("B1=Lee family:B1=son") : QString());
      if (!bytes.isEmpty()) QVERIFY(FileBytes(kDatabaseFile) == bytes);
      if (refuse) Sql(AllowStatement("insert on contact"));
    }
  }

  void firstStartBesideAnOldFile_data() {
    QTest::addColumn<bool>("databaseThere");
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shownKey");
    auto row = [](const char* name, bool databaseThere, const QByteArrayList& files,
                  const QString& message, const QString& shownKey) {
      QTest::newRow(name) << databaseThere << files << message << shownKey;
    };
    const QByteArrayList files = {"customer:CID\nB2\nA1\n", "family:CID\nA1\nZZ\n"};
    row("imported, counted, first customer shown", false, files,
        "2 customers and 2 list rows came over, 1 needed attention", "B2");
    row("database there: nothing imported, no message, its customer shown", true, files, "", "Z9");
    row("unreadable old file: cause shown, no database", false, QByteArrayList{"family:CID\nA1\n"},
        "could not be taken over; nothing was changed.\nThe source has no customer table.", "");
  }
  void firstStartBesideAnOldFile() {
    if (OnServer()) QSKIP("a case of database files");
    QFETCH(bool, databaseThere);
    QFETCH(QByteArrayList, files);
    QFETCH(QString, message);
    QFETCH(QString, shownKey);
    TestEnv env;
    if (databaseThere) {
      CreateDatabase();
      InsertSimpleCustomer("Z9", "Old");
    }
    const QByteArray oldBytes =
        (WriteSource(QStringLiteral("old"), files), FileBytes(QStringLiteral("old/customer.csv")));
    frmCust* window = nullptr;
    Guard([&] {
      ImportOnFirstStart(kDatabaseFile, QStringLiteral("old"));
      window = Show<frmCust>();
    });
    if (message.isEmpty()) QCOMPARE(env.messages, QStringList());
    if (!message.isEmpty())
      QVERIFY2(env.messages.size() == 1 &&
                   env.messages[0].section(QStringLiteral("\n\n"), 0, 0).contains(message),
               qPrintable(env.messages.join('|')));
    QCOMPARE(QFileInfo::exists(kDatabaseFile), databaseThere || !shownKey.isEmpty());
    if (!shownKey.isEmpty()) QCOMPARE(window->txtCID->text(), shownKey);
    QVERIFY(FileBytes(QStringLiteral("old/customer.csv")) == oldBytes);
  }

  // A CSV file saved by a Traditional Chinese spreadsheet is in Big5 (code page 950): qel
  // --import refuses it as UTF-8, saying what to do, and takes it with --codepage 950. A file
  // with a UTF-8 byte-order mark (as Qel exports them) stays UTF-8.
  void csvCodePage_data() {
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("after");  // empty: refused, no qel.db
    QTest::addColumn<QString>("message");
    auto row = [](const char* name, const QByteArrayList& files, const QStringList& arguments,
                  const QString& after, const QString& message) {
      QTest::newRow(name) << files << arguments << after << message;
    };
    const QByteArray big5 = "customer:CID,Cust_name\nA1,\xb3\xaf\xa4\x6a\xa4\xe5\n";
    const QStringList cp950 = {"--codepage", "950"};
    row("Big5 read as UTF-8: refused, naming the way out", QByteArrayList{big5}, QStringList(), "",
        "customer.csv, line 2: field 2 is not UTF-8 text; if the file was saved in another "
        "code page, import it with --codepage N (950 for Traditional Chinese).");
    row("Big5 with --codepage 950, beside a file with a byte-order mark",
        {big5,
         "family:\xef\xbb\xbf"
         "CID,fam_rel\nA1,父親\n"},
        cp950, "A1=陳大文 family:A1=父親", "1 customers and 1 list rows imported.");
    row("UTF-8 without a byte-order mark under --codepage 950: refused",
        QByteArrayList{"customer:CID,Cust_name\nA1,陳大文\n"}, cp950, "",
        "customer.csv, line 2: field 2 is not text in code page 950; give the file's code "
        "page with --codepage, or leave it out for UTF-8.");
  }
  void csvCodePage() {
    if (OnServer()) QSKIP("a case of database files");
    QFETCH(QByteArrayList, files);
    QFETCH(QStringList, arguments);
    QFETCH(QString, after);
    QFETCH(QString, message);
    TestEnv env;
    WriteSource(QStringLiteral("src"), files);
    QProcess qel;
    qel.start(QStringLiteral(QEL_BINARY), QStringList{"--import", "src"} + arguments);
    QVERIFY(qel.waitForFinished(60000));
    const QString err = QString::fromUtf8(qel.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(qel.exitCode(), after.isEmpty() ? 1 : 0);
    QCOMPARE(QFileInfo::exists(kDatabaseFile), !after.isEmpty());
    if (!after.isEmpty()) QCOMPARE(Dump(), after);
  }

  // A new qel.db on a USB stick or a Windows share, made by qel --import or the first start: it
  // comes, and one that someone else made meanwhile stays as it is.
  void newDatabaseWithoutHardLinks_data() {
    QTest::addColumn<bool>("firstStart");
    QTest::addColumn<bool>("renameFlags");
    QTest::addColumn<QByteArray>("appearing");
    auto row = [](const char* name, bool firstStart, bool renameFlags,
                  const QByteArray& appearing) {
      QTest::newRow(name) << firstStart << renameFlags << appearing;
    };
    row("import, renamed without replacing", false, true, QByteArray());
    row("import, name claimed, then renamed", false, false, QByteArray());
    row("first start, renamed without replacing", true, true, QByteArray());
    row("first start, name claimed, then renamed", true, false, QByteArray());
    row("import, one made meanwhile kept", false, true, QByteArray("made meanwhile"));
    row("import, one made meanwhile kept, no claim", false, false, QByteArray("made meanwhile"));
    row("first start, one made meanwhile kept", true, false, QByteArray("made meanwhile"));
  }
  void newDatabaseWithoutHardLinks() {
    if (OnServer()) QSKIP("a case of database files");
    QFETCH(bool, firstStart);
    QFETCH(bool, renameFlags);
    QFETCH(QByteArray, appearing);
    TestEnv env;
    WriteSource(QStringLiteral("src"),
                {"customer:CID,Cust_name\nA1,Wang\n", "family:CID,fam_rel\nA1,father\n"});
    g_folder = {true, renameFlags, appearing};
    QString message;
    frmCust* window = nullptr;
    if (firstStart) {
      Guard([&] {
        ImportOnFirstStart(kDatabaseFile, QStringLiteral("src"));
        window = Show<frmCust>();
      });
      message = env.messages.value(0);
    } else {
      try {
        ImportInto(kDatabaseFile, QStringLiteral("src"));
      } catch (const DataError& error) {
        message = error.message();
      }
    }
    g_folder = {};
    QCOMPARE(QDir().entryList(QDir::Files), QStringList{"qel.db"});
    if (!appearing.isEmpty()) {
      QVERIFY2(message.contains(QStringLiteral("Cannot create qel.db: File exists")),
               qPrintable(message));
      QVERIFY(FileBytes(kDatabaseFile) == appearing);
      return;
    }
    QCOMPARE(Dump(), QStringLiteral("A1=Wang family:A1=father"));
    if (firstStart) {
      QVERIFY2(message.contains(QStringLiteral("1 customers and 1 list rows came over")),
               qPrintable(message));
      QCOMPARE(window->txtCID->text(), QStringLiteral("A1"));
    } else {
      QVERIFY2(message.isEmpty(), qPrintable(message));
    }
  }
};

QTEST_MAIN(tst_Import)
#include "tst_import.moc"
