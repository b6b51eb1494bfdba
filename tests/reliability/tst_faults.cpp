// Every command against every fault an agent or an agency meets, through the real windows and the
// command line: a database file locked by another program beyond the busy wait, a full disk, a
// file that cannot be written; a server restarted during the session, or stopped for a moment.
// Each cell checks that the command either works despite the fault ("unaffected") or says why it
// failed and leaves the program running with every customer whole ("survived"), and that the
// same command works once the fault is gone. The matrix is printed at the end.

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include "data/connection.h"
#include "tests/customer/custtest.h"
#include "ui/customer/customercard.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/schedule/frmschedule.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/pathdialog.h"

using namespace custtest;

namespace {

// The faults of each back end and the words by which a message names each.
const QStringList kFileFaults{"locked", "full", "read-only"};
const QStringList kServerFaults{"restart", "stopped"};
const QMap<QString, QString> kCauseWords{{"locked", "in use by another program"},
                                         {"full", "disk is full|No space left"},
                                         {"read-only", "cannot be written|read-only"},
                                         {"restart", "was lost|cannot be reached"},
                                         {"stopped", "was lost|cannot be reached|cannot be used"}};

// The private cluster of the server run: ending its sessions and hiding its socket leaves the
// other suites' cluster alone.
QString g_cluster;
// command -> fault -> outcome, printed at the end.
QMap<QString, QMap<QString, QString>> g_matrix;
QStringList g_commands;

int Cluster(const QString& action) {
  return QProcess::execute(qEnvironmentVariable("QEL_TEST_PGCLUSTER"), {action, g_cluster});
}

// What a server restart or stop does to every agent's session: the server ends it. Waits until
// the sessions are gone.
void EndSessions() {
  Sql("select pg_terminate_backend(pid, 5000) from pg_stat_activity where datname = "
      "current_database() and pid <> pg_backend_pid()");
}

// A stopped server, as its clients meet it: their sessions ended, and no server to connect to
// until it is back (its socket is moved aside meanwhile). A real restart and a real stop cost a
// second each; tst_reliability's serverRestart restarts a real server.
void StopServer() {
  EndSessions();
  const QString socket = g_cluster + "/.s.PGSQL.5432";
  if (!QFile::rename(socket, socket + ".away")) qFatal("no server socket %s", qPrintable(socket));
}

void StartServer() {
  const QString socket = g_cluster + "/.s.PGSQL.5432";
  if (QFile::exists(socket + ".away")) QFile::rename(socket + ".away", socket);
}

// Every row of every table by key, list rows sorted: what "every customer whole" compares.
QMap<QString, QString> Contents() {
  QMap<QString, QStringList> rows;
  for (const char* table : {"customer", "family", "insurance", "compensate", "contact"}) {
    // The key is the second column everywhere (after the name, or after a list row's ID, which
    // is left out).
    const int skip = QLatin1String(table) == QLatin1String("customer") ? 0 : 1;
    for (const auto& row : Rows(QStringLiteral("select * from %1").arg(table))) {
      QStringList cells;
      for (const Value& value : row.mid(skip)) cells << value.value_or("~");
      rows[row.value(1).value_or("~")] << table + QStringLiteral(":") + cells.join('|');
    }
  }
  QMap<QString, QString> contents;
  for (auto it = rows.begin(); it != rows.end(); ++it) {
    it->sort();
    contents[it.key()] = it->join('\n');
  }
  return contents;
}

// The customer window shows one customer as stored, whole, or none at all.
bool ShowsWholeOrNone(frmCust* w) {
  const QString key = w->txtCID->text();
  if (key.isEmpty()) return w->txtName->text().isEmpty() && GridEntries(w->msfgFamily).isEmpty();
  const auto row = CustomerRow(key);
  return !row.isEmpty() && row.value("Cust_name").value_or("") == w->txtName->text() &&
         GridEntries(w->msfgFamily).size() == ChildRows("family", key).size();
}

// One command: how to bring the program to where the command starts, the command itself (run
// again unchanged once the fault is gone), and whether it has done its work. `target` names
// the customer a write changes; every other customer must stay as it was.
struct Command {
  QString name;
  bool onServer = true;
  QString target;
  std::function<void()> prepare;
  std::function<void()> run;
  std::function<bool()> done;
};

frmCust* Window() {
  return Loaded<frmCust>();
}

// A whole process of the program: its status and what it said.
struct Job {
  int status = -1;
  QString said;
};
Job g_job;

void RunProgram(const QStringList& args) {
  QProcess program;
  program.start(QStringLiteral(QEL_BINARY), args);
  program.waitForFinished(60000);
  g_job.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  g_job.said = QString::fromLocal8Bit(program.readAllStandardError());
}

QString g_outside;  // a folder off the faulty disk: the import source, the printed card

QList<Command> Commands() {
  auto press = [](const char* key) { return [key] { Press(Window(), key); }; };
  auto shows = [](const char* key) { return [key] { return Window()->txtCID->text() == key; }; };
  auto searchWindow = [] { return Loaded<frmSearch>(); };
  auto result = [] { return Loaded<frmSearchResult>(); };
  auto job = [](const QStringList& args) { return [args] { RunProgram(args); }; };
  return {
      {"first", true, "", press("next"), press("first"), shows("A001")},
      {"previous", true, "", press("last"), press("previous"), shows("A002")},
      {"next", true, "", [] {}, press("next"), shows("A002")},
      {"last", true, "", [] {}, press("last"), shows("A003")},
      {"new + save", true, "N001",
       [] {
         frmCust* w = Window();
         Press(w, "new");
         ReplaceText(w->txtCID, "N001");
         ReplaceText(w->txtName, "Nina");
         TypeIntoCell(w->msfgFamily, w->txtInput, 1, 0, "sister");
       },
       press("save"),
       [] {
         return CustomerRow("N001").value("Cust_name") == Value("Nina") &&
                ChildRows("family", "N001").size() == 1 && !Window()->NewMode;
       }},
      {"modify + save", true, "A001",
       [] {
         frmCust* w = Window();
         Press(w, "modify");
         ReplaceText(w->txtName, "Alicia");
         TypeIntoCell(w->msfgFamily, w->txtInput, 1, 1, "kin changed");
       },
       press("save"),
       [] {
         return CustomerRow("A001").value("Cust_name") == Value("Alicia") &&
                ChildRows("family", "A001").value(0).value(1) == Value("kin changed") &&
                !Window()->ModifyMode;
       }},
      {"delete", true, "A002", press("next"), press("delete"),
       [] {
         return CustomerRow("A002").isEmpty() && ChildRows("family", "A002").isEmpty() &&
                Window()->txtCID->text() == "A001";
       }},
      {"search", true, "", press("search"), [searchWindow] { searchWindow()->cmdStart->click(); },
       [result] { return result() && result()->lblName->text() == "Alice"; }},
      {"result paging", true, "",
       [searchWindow] {
         Press(Window(), "search");
         searchWindow()->cmdStart->click();
       },
       [result] { result()->cmdNext->click(); },
       [result] {
         frmSearchResult* r = result();
         const QStringList names{"", "Alice", "Bob", "Carol"};
         return r && r->ResultPos > 1 && r->lblCurrent->text() == QString::number(r->ResultPos) &&
                r->lblName->text() == names.value(r->ResultPos);
       }},
      {"schedule", true, "", [] {},
       [] {
         if (frmSchedule* schedule = Loaded<frmSchedule>()) {
           schedule->spnDays->setValue(schedule->spnDays->value() + 1);
         } else {
           Press(Window(), "schedule");
         }
       },
       [] {
         frmSchedule* schedule = Loaded<frmSchedule>();
         return schedule &&
                schedule->tabSchedule->tabText(1).contains(QRegularExpression("\\([1-9]"));
       }},
      {"print to PDF", true, "", [] {}, press("print"),
       [] { return QFileInfo(g_outside + "/card.pdf").size() > 1000; }},
      {"export", true, "", [] {}, press("export"),
       [] { return FileBytes("out/customer.csv").contains("A003-email"); }},
      {"backup", false, "", [] {}, press("backup"),
       [] { return QFileInfo("copy.db").size() > 1000; }},
      {"import", true, "I001", [] {}, press("import"),
       [] { return CustomerRow("I001").value("Cust_name") == Value("Ivy"); }},
      {"qel --export", true, "", [] {}, job({"--export", "cli-out"}),
       [] { return g_job.status == 0 && FileBytes("cli-out/customer.csv").contains("A003"); }},
      {"qel --backup", false, "", [] {}, job({"--backup", "cli-copy.db"}),
       [] { return g_job.status == 0 && QFileInfo("cli-copy.db").size() > 1000; }},
      {"qel --import", true, "I001", [] {}, job({"--import", g_outside + "/import"}),
       [] { return g_job.status == 0 && CustomerRow("I001").value("Cust_name") == Value("Ivy"); }},
  };
}

// Fills the small file system the database lies on, to its last byte.
void FillDisk() {
  QFile filler(QStringLiteral("filler"));
  if (!filler.open(QIODevice::WriteOnly)) qFatal("no filler");
  const QByteArray block(64 * 1024, 'f');
  while (filler.write(block) == block.size() && filler.flush()) {
  }
  for (const QByteArray one(1, 'f'); filler.write(one) == 1 && filler.flush();) {
  }
}

}  // namespace

class TestFaults : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void matrix_data();
  void matrix();
  void cleanupTestCase();
  void tableEmptiedMeanwhile();
  void damagedListSaid();
  void longTextsKeptWhole();
  void serverWithoutStandardStrings();
  void scheduleResultLeavesSearchAlone();
};

void TestFaults::initTestCase() {
  // Another program's lock is waited for briefly, so that a locked file fails fast here and in
  // the jobs run as programs.
  SetBusyWait(50);
  qputenv("QEL_BUSY_WAIT", "50");
  if (!OnServer()) return;
  g_cluster = QDir::temp().filePath(QStringLiteral("qel-pg-faults-%1").arg(getpid()));
  QCOMPARE(Cluster("start"), 0);
  qputenv("QEL_DATABASE", "host=" + g_cluster.toUtf8() + " user=qel dbname=postgres");
}

void TestFaults::cleanupTestCase() {
  if (OnServer()) Cluster("stop");
  const QStringList faults = OnServer() ? kServerFaults : kFileFaults;
  QString table = QStringLiteral("%1").arg(OnServer() ? "command (server)" : "command (file)", -18);
  for (const QString& fault : faults) table += QStringLiteral("%1").arg(fault, -12);
  for (const QString& command : g_commands) {
    table += QStringLiteral("\n%1").arg(command, -18);
    for (const QString& fault : faults)
      table += QStringLiteral("%1").arg(g_matrix[command].value(fault, "n/a"), -12);
  }
  std::printf("faults:\n%s\n", qPrintable(table));
}

void TestFaults::matrix_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("fault");
  for (const Command& command : Commands()) {
    g_commands << command.name;
    if (OnServer() && !command.onServer) continue;
    for (const QString& fault : OnServer() ? kServerFaults : kFileFaults)
      QTest::addRow("%s / %s", qPrintable(command.name), qPrintable(fault))
          << command.name << fault;
  }
}

void TestFaults::matrix() {
  QFETCH(QString, command);
  QFETCH(QString, fault);
  TestEnv env;
  QTemporaryDir outside;
  g_outside = outside.path();
  Command cell;
  for (const Command& each : Commands())
    if (each.name == command) cell = each;
  // A full disk: the working folder is a small file system of its own.
  const QString disk = env.Dir() + "/disk";
  const bool mounted = fault == "full";
  if (mounted) {
    QDir().mkdir(disk);
    if (::mount("qel-faults", qPrintable(disk), "tmpfs", 0, "size=2m") != 0)
      QEL_SKIP_MISSING("a full disk is made by mounting a small file system, which needs root");
    QDir::setCurrent(disk);
  }
  const auto unmount = qScopeGuard([&] {
    if (mounted) ::umount2(qPrintable(disk), MNT_DETACH);
  });
  CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}, {"A003", "Carol"}});
  QDir(g_outside).mkdir("import");
  QFile csv(g_outside + "/import/customer.csv");
  QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write("CID,Cust_name\r\nI001,Ivy\r\n") > 0);
  csv.close();
  SetPathDialogHook([](PathKind, const QString& caption) {
    if (caption == "Import") return g_outside + "/import/customer.csv";
    return QDir::current().filePath(caption.startsWith("Export") ? "out" : "copy.db");
  });
  SetPrintPreviewHook([](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(g_outside + "/card.pdf");
    paint(&printer);
  });
  const auto unhook = qScopeGuard([] {
    SetPathDialogHook({});
    SetPrintPreviewHook({});
  });
  QVERIFY(OpenWindow());
  cell.prepare();
  const QMap<QString, QString> before = Contents();
  env.messages.clear();

  // The fault.
  QSqlDatabase holder;
  const QString path = QFileInfo(kDatabaseFile).absoluteFilePath();
  if (fault == "locked") {
    holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
    holder.setDatabaseName(path);
    QVERIFY(holder.open() && QSqlQuery(holder).exec("begin exclusive"));
  } else if (fault == "full") {
    FillDisk();
  } else if (fault == "read-only") {
    // Root may write a read-only file; a journal SQLite cannot create stops every writer.
    QVERIFY(QFile::link("/nonexistent-qel-folder/journal", path + "-journal"));
    QVERIFY(::chmod(qPrintable(path), 0444) == 0);
  } else if (fault == "restart") {
    EndSessions();
  } else if (fault == "stopped") {
    StopServer();
  }
  auto mend = [&] {
    if (holder.isOpen()) {
      QSqlQuery(holder).exec("rollback");
      holder.close();
    }
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
    QFile::remove("filler");
    if (QFileInfo(path + "-journal").isSymLink()) QFile::remove(path + "-journal");
    ::chmod(qPrintable(path), 0600);
    if (fault == "stopped") StartServer();
  };
  auto mendOnce = qScopeGuard(mend);

  g_job = Job();
  cell.run();
  QVERIFY2(env.fatalStatus == 0 && Form::LoadedCount() > 0,
           qPrintable("the program ended: " + env.messages.join(" / ")));
  const QString said = (env.messages + QStringList(g_job.said)).join(" / ");
  // The command failed and said why in so many words, or it was not touched by the fault and
  // said nothing of it.
  const bool failed = QRegularExpression(kCauseWords[fault]).match(said).hasMatch();
  if (failed && command.startsWith("qel ")) QVERIFY2(g_job.status > 0, qPrintable(said));

  // What the database holds and the window shows, read once the fault is gone (a lock or a
  // stopped server keeps this test from reading too): nothing half-written.
  mendOnce.dismiss();
  mend();
  const bool unaffected = !failed && cell.done();
  QVERIFY2(failed || unaffected, qPrintable("neither done nor said why: " + said));
  if (unaffected) QVERIFY2(!said.contains("cannot") && !said.contains("lost"), qPrintable(said));
  if (frmCust* w = Window(); w && !w->NewMode && !w->ModifyMode)
    QVERIFY2(ShowsWholeOrNone(w), qPrintable(w->txtCID->text()));
  const QMap<QString, QString> after = Contents();
  for (auto it = before.begin(); it != before.end(); ++it)
    if (it.key() != cell.target || !unaffected) QCOMPARE(after.value(it.key()), it.value());
  if (!unaffected) QCOMPARE(after.keys(), before.keys());

  // Once the fault is gone, the same command works.
  if (!unaffected) {
    env.messages.clear();
    cell.run();
    QVERIFY2(cell.done(), qPrintable((env.messages + QStringList(g_job.said)).join(" / ")));
    QVERIFY(env.fatalStatus == 0);
    const QMap<QString, QString> again = Contents();
    for (auto it = before.begin(); it != before.end(); ++it)
      if (it.key() != cell.target) QCOMPARE(again.value(it.key()), it.value());
  }
  if (!OnServer()) QCOMPARE(Rows("pragma integrity_check").value(0).value(0), Value("ok"));
  g_matrix[command][fault] = unaffected ? "unaffected" : "survived";
}

// Another program deletes every customer while the window shows one: paging goes on as on an
// empty table instead of failing on a row that is no longer there.
void TestFaults::tableEmptiedMeanwhile() {
  for (const char* key : {"first", "previous", "next", "last"}) {
    TestEnv env;
    CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}, {"A003", "Carol"}});
    frmCust* w = OpenWindow();
    Press(w, "next");
    Sql("delete from customer");
    Press(w, key);
    QVERIFY2(env.fatalStatus == 0 && env.messages.isEmpty(), qPrintable(env.messages.join('/')));
    QCOMPARE(ButtonStates(w), QStringLiteral("DDDD|EEDEE"));
    QCOMPARE(w->txtCID->text(), QString());
    Press(w, "new");
    ReplaceText(w->txtCID, "B001");
    Press(w, "save");
    QCOMPARE(env.messages, QStringList{"Finish"});
    QCOMPARE(Count("select count(*) from customer"), 1);
  }
}

// A list the file cannot give because it is damaged there is said, not shown as an empty list;
// the window then shows no customer rather than part of one, and the program goes on.
void TestFaults::damagedListSaid() {
  if (OnServer()) QSKIP("a case of database files");
  TestEnv env;
  CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}});
  Sql("insert into family (CID, fam_rel) with recursive n(i) as (select 1 union all select i + 1 "
      "from n where i < 200) select 'A002', hex(randomblob(500)) from n");
  const int page = Rows(
                       "select max(pageno) from dbstat where name = 'family' and pagetype = "
                       "'leaf'")[0][0]
                       ->toInt();
  const int size = Rows("pragma page_size")[0][0]->toInt();
  QFile file(env.DbPath());
  QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * size));
  QVERIFY(file.write(QByteArray(size, '\xff')) == size);
  file.close();
  frmCust* w = OpenWindow();
  QCOMPARE(w->txtCID->text(), "A001");
  Press(w, "next");
  QVERIFY2(env.messages.value(0).contains("damaged"), qPrintable(env.messages.join(" / ")));
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(w->txtCID->text(), QString());
  Press(w, "first");
  QCOMPARE(w->txtCID->text(), "A001");
  QCOMPARE(GridEntries(w->msfgFamily).size(), 1);
}

// Texts beyond a line edit's usual 32,767 characters come back whole after modify and save,
// in the inputs and in the list cells (the cell editor stands on the first cell of every list).
void TestFaults::longTextsKeptWhole() {
  TestEnv env;
  const QString address = QString(40000, QChar(0x53F0)) + "end";
  const QString note = QString(40000, 'n') + "end";
  CreateDatabase();
  InsertCustomer("A001", {{"Cust_name", "Alice"}, {"Cust_addhome", address}});
  InsertChild("contact", "A001", {note, "10:00", note});
  InsertChild("family", "A001", {note, "kin"});
  frmCust* w = OpenWindow();
  QCOMPARE(w->txtAddHome->text().size(), address.size());
  Press(w, "modify");
  Press(w, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(CustomerRow("A001").value("Cust_addhome"), Value(address));
  QCOMPARE(ChildRows("contact", "A001").value(0).value(0), Value(note));
  QCOMPARE(ChildRows("contact", "A001").value(0).value(2), Value(note));
  QCOMPARE(ChildRows("family", "A001").value(0).value(0), Value(note));
}

// A server whose default reads backslashes in literals as escapes: a key holding \' still shows
// its lists, and a key holding the words "order by" its list rows in row-number order.
void TestFaults::serverWithoutStandardStrings() {
  if (!OnServer()) QSKIP("a case of server databases");
  TestEnv env;
  CreateDatabase();
  Sql("alter database postgres set standard_conforming_strings = off");
  const auto reset =
      qScopeGuard([] { Sql("alter database postgres reset standard_conforming_strings"); });
  const QString odd = "K\\'1";
  const QString ordered = "K order by CID desc";
  InsertCustomer(odd, {{"Cust_name", "Oddkey"}});
  InsertChild("family", odd, {"rel", "kin"});
  InsertCustomer(ordered, {{"Cust_name", "Orderly"}});
  for (const char* name : {"third", "first", "second"})
    Sql("insert into family (ID, CID, fam_rel) values (?, ?, ?)", {QString(name) == "first"    ? 10
                                                                   : QString(name) == "second" ? 20
                                                                                               : 30,
                                                                   ordered, name});
  frmCust* w = OpenWindow();
  QCOMPARE(w->txtCID->text(), odd);
  QCOMPARE(GridEntries(w->msfgFamily).size(), 1);
  Press(w, "next");
  QCOMPARE(w->txtCID->text(), ordered);
  QStringList shown;
  for (const QString& line : GridEntries(w->msfgFamily)) shown << line.section('|', 0, 0);
  QCOMPARE(shown, QStringList({"first", "second", "third"}));
  QCOMPARE(env.messages, QStringList());
}

// The result window of the schedule, closed, leaves an open search window ready to search.
void TestFaults::scheduleResultLeavesSearchAlone() {
  TestEnv env;
  CreateDatabase();
  const QDate soon = frmSchedule::Today().addDays(3);
  InsertCustomer("A001", {{"Cust_name", "Alice"},
                          {"Cust_birthmonth", QString::number(soon.month())},
                          {"Cust_birthday", QString::number(soon.day())}});
  frmCust* w = OpenWindow();
  Press(w, "search");
  frmSearch* search = Loaded<frmSearch>();
  Press(w, "schedule");
  frmSchedule* schedule = Loaded<frmSchedule>();
  QVERIFY(search && schedule);
  QTableView* grid = schedule->grdSchedule;
  QCOMPARE(grid->model()->rowCount(), 1);
  emit grid->activated(grid->model()->index(0, 0));
  frmSearchResult* result = Loaded<frmSearchResult>();
  QVERIFY(result);
  result->cmdExit->click();
  QVERIFY(search->cmdStart->isEnabled());
  QVERIFY(env.fatalStatus == 0);
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TestFaults test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
