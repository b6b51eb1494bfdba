// The program under rough conditions: killed while saving, two programs on one file, random
// texts full of quotes, files it cannot write, unexpected errors, a real X display.
// "tst_reliability driver <folder> <key prefix> <seed> <commands>" is the second program: it saves
// and deletes customers of its own through the real customer window, <commands> times or until
// killed (0), noting "<key> <tag>" ("-" deletes) before and "done" after each in journal.txt,
// each line followed by a tab and the time (Now()).

#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <stdexcept>

#include "data/sqltext.h"
#include "tests/customer/custtest.h"
#include "ui/program/module1.h"
#include "ui/search/searchstatement.h"
#include "ui/toolkit/msgbox.h"

using namespace custtest;

namespace {

// Microseconds of the system's monotonic clock, which every process reads alike.
qint64 Now() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The lines of the journal without their times, and the times of its "done" lines.
QStringList JournalLines(const QByteArray& text, QList<qint64>* done = nullptr) {
  QStringList lines;
  for (const QString& line : QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts)) {
    lines << line.section('\t', 0, 0);
    if (done && lines.last() == "done") *done << line.section('\t', 1).toLongLong();
  }
  return lines;
}

// A tag "t<seq>'n<rows>": each of the four lists gets <rows> rows.
int RowsOf(const QString& tag) {
  return tag.section('n', -1).toInt();
}

int Driver(const QStringList& args) {
  QDir::setCurrent(args[2]);
  QStringList messages;
  SetMsgBoxHook([&](const QString& text) { messages << text; });
  SetFatalHandler([](int) { ::_exit(3); });
  SetEndHandler([] {});
  const auto release = qScopeGuard([] { ReleaseDataObjects(); });
  frmCust* w = nullptr;
  Guard([&] { w = Show<frmCust>(); });
  QFile journal(QStringLiteral("journal.txt"));
  if (!w || !journal.open(QIODevice::Append)) return 2;
  auto note = [&](const QString& line) {
    journal.write(line.toUtf8() + '\t' + QByteArray::number(Now()) + '\n');
    journal.flush();
    ::fsync(journal.handle());
  };
  QRandomGenerator random(args[4].toUInt());
  QSet<QString> mine;  // its customers already in the file
  Press(w, "first");
  for (int i = 0; i < 100 && w->Toolbar1->Buttons("next")->isEnabled(); ++i, Press(w, "next"))
    if (w->txtCID->text().startsWith(args[3])) mine << w->txtCID->text();
  for (int seq = 0; args[5].toInt() == 0 || seq < args[5].toInt(); ++seq) {
    const QString key = args[3] + QString::number(random.bounded(5));
    const bool exists = mine.contains(key);
    const QString tag = exists && random.bounded(4) == 0
                            ? QStringLiteral("-")
                            : QStringLiteral("t%1'n%2").arg(seq).arg(random.bounded(4));
    Press(w, "first");
    for (int i = 0; exists && i < 100 && w->txtCID->text() != key; ++i) Press(w, "next");
    note(key + ' ' + tag);
    messages.clear();
    if (tag == "-") {
      Press(w, "delete");
      mine.remove(key);
    } else {
      Press(w, exists ? "modify" : "new");
      for (const auto& [column, input] : w->CustomerFields()) {
        auto* combo = qobject_cast<QComboBox*>(input);
        (combo ? combo->lineEdit() : static_cast<QLineEdit*>(input))
            ->setText(input == w->txtCID ? key : tag);
      }
      for (const List& list : Lists(w)) {
        list.grid->SetRows(RowsOf(tag) + 2);
        for (int col = 0; col < list.grid->Cols(); ++col) {
          list.grid->SetTextMatrix(list.grid->Rows() - 1, col, QString());
          for (int row = 1; row <= RowsOf(tag); ++row) {
            w->ShowCellEditor(row, col, list.key);
            list.editor->setText(tag);
          }
        }
      }
      Press(w, "save");
      mine.insert(key);
    }
    if (messages != QStringList{"Finish"}) {
      std::fprintf(stderr, "%s\n", qPrintable(messages.join('/')));
      return 2;
    }
    note(QStringLiteral("done"));
  }
  return 0;
}

void StartDriver(QProcess& driver, const QString& prefix, quint32 seed, int commands) {
  driver.start(
      QCoreApplication::applicationFilePath(),
      {"driver", QDir::currentPath(), prefix, QString::number(seed), QString::number(commands)});
  driver.waitForStarted();
}

// A customer as the file holds it, "<rows>:<distinct values>:<rows of each list>", or "gone".
QString Describe(const QString& key) {
  QStringList values, counts;
  const auto customers = Rows("select * from customer where CID=?", {key});
  for (const auto& row : customers)
    for (const Value& value : row) values << value.value_or("~");
  for (const char* table : {"family", "insurance", "compensate", "contact"}) {
    const auto rows = Rows(QStringLiteral("select * from %1 where CID=?").arg(table), {key});
    counts << QString::number(rows.size());
    for (const auto& row : rows)
      for (const Value& value : row.mid(2)) values << value.value_or("~");
  }
  if (customers.isEmpty() && counts.join("") == "0000") return QStringLiteral("gone");
  values.removeAll(key);
  values.removeDuplicates();
  return QStringLiteral("%1:%2:%3").arg(customers.size()).arg(values.join('+'), counts.join(' '));
}

QString Expected(const QString& tag) {
  return tag == "-" ? QStringLiteral("gone")
                    : QStringLiteral("1:%1:%2").arg(
                          tag, QStringList(4, QString::number(RowsOf(tag))).join(' '));
}

// Applies the finished commands of the journal to `known`; the unfinished one, if any, is given
// back as key and tag.
QStringList Replay(QMap<QString, QString>& known) {
  QFile file(QStringLiteral("journal.txt"));
  file.open(QIODevice::ReadOnly);
  QStringList pending;
  for (const QString& line : JournalLines(file.readAll())) {
    if (line == "done" && !pending.isEmpty()) known[pending[0]] = Expected(pending[1]);
    pending = line == "done" ? QStringList() : line.split(' ');
  }
  QFile::remove(file.fileName());
  return pending;
}

// The history agrees with the tables: a customer is gone exactly when its newest entry, if
// any, is a delete.
bool HistoryAgrees(const QString& key, const QString& is) {
  const auto last = Rows(
      "select what from history where cid = ? or new_cid = ? order by id desc limit 1", {key, key});
  return (is == "gone") == (last.isEmpty() || last[0][0] == Value("delete"));
}

quint32 Seed(const char* name) {
  const quint32 seed = qEnvironmentVariableIsSet("QEL_SEED")
                           ? quint32(qEnvironmentVariableIntValue("QEL_SEED"))
                           : QRandomGenerator::global()->generate();
  qInfo("%s: seed %u (QEL_SEED repeats it)", name, seed);
  return seed;
}

}  // namespace

class TestReliability : public QObject {
  Q_OBJECT

 private slots:
  void killDuringSaves();
  void twoProgramsOnOneFile();
  void killDuringImport_data();
  void killDuringImport();
  void quotingOnRandomTexts();
  void fileTrouble_data();
  void fileTrouble();
  void realDisplay();
  void serverRestart();
  void unexpectedErrorShownAndEnds();
};

// After each kill the file is intact and every customer is exactly as its last finished command
// left it, or, for the command that was running, as that command meant to leave it.
void TestReliability::killDuringSaves() {
  TestEnv env;
  CreateDatabase();
  const quint32 seed = Seed("crash");
  QRandomGenerator random(seed);
  QMap<QString, QString> known;
  auto Warn = [](const QString& text) { return qWarning("%s", qPrintable(text)), 1; };
  int kills = 0, failures = 0, checks = 0, inFlight = 0;
  for (int round = 0; round < 12; ++round) {
    QProcess driver;
    StartDriver(driver, QStringLiteral("R%1-").arg(round), seed + round, 0);
    QThread::msleep(random.bounded(100, 400));
    // Strike within a command: once the journal announces one (however long the driver takes to
    // start on a busy machine), within the time a save takes.
    QFile journal(QStringLiteral("journal.txt"));
    for (const QDeadlineTimer deadline(60000);
         !deadline.hasExpired() && driver.state() == QProcess::Running;) {
      const QByteArray text = journal.open(QIODevice::ReadOnly) ? journal.readAll() : "";
      journal.close();
      if (text.endsWith('\n') && JournalLines(text).last() != "done") break;
      QThread::usleep(100);
    }
    QThread::usleep(random.bounded(0, 1500));
    if (driver.state() != QProcess::Running) failures += Warn("the driver ended by itself");
    driver.kill();
    driver.waitForFinished();
    ++kills;
    if (!OnServer()) QCOMPARE(Rows("pragma integrity_check").value(0).value(0), Value("ok"));
    const QStringList pending = Replay(known);
    checks += int(known.size());
    for (auto it = known.begin(); it != known.end(); ++it) {
      if (!pending.isEmpty() && it.key() == pending[0]) continue;
      if (const QString is = Describe(it.key()); is != it.value())
        failures += Warn(it.key() + " is " + is + ", not " + it.value());
    }
    for (auto it = known.begin(); it != known.end(); ++it)
      if (!HistoryAgrees(it.key(), Describe(it.key())))
        failures += Warn(it.key() + ": the history disagrees");
    if (pending.isEmpty()) continue;
    ++inFlight;
    const QString is = Describe(pending[0]);
    if (is != known.value(pending[0], "gone") && is != Expected(pending[1]))
      failures += Warn(pending.join(' ') + " is " + is);
    known[pending[0]] = is;
  }
  std::printf("crash: %d kills, %d customer checks, %d failures (%d kills while a command ran)\n",
              kills, checks, failures, inFlight);
  QCOMPARE(failures, 0);
  // The check means something only where kills met commands under way.
  QVERIFY2(inFlight >= kills / 2, "too few kills landed while a command ran");
}

// Saves of both programs at the same time all arrive, and the window open all along shows what
// the other program saved or deleted. The times of both programs' commands show that they ran
// at the same time: the finished commands of one and the other take turns again and again.
void TestReliability::twoProgramsOnOneFile() {
  TestEnv env;
  CreateDatabase();
  for (const char* key : {"A001", "B0", "B1", "B2", "B3", "B4"}) InsertSimpleCustomer(key, "Old");
  frmCust* w = OpenWindow();
  QProcess other;
  StartDriver(other, "B", Seed("two programs"), 30);
  // The window saves from the other program's first command to its last (30 times at least), at
  // an agent's quick pace: a program that saved without pause would starve the other's saves.
  for (int waited = 0; !QFileInfo::exists("journal.txt") && waited < 3000; ++waited)
    QThread::msleep(10);
  QMap<qint64, char> finished;  // the time each command of either program ended
  int saves = 0;
  for (; saves < 30 || (other.state() == QProcess::Running && saves < 3000); ++saves) {
    Press(w, "modify");
    w->txtName->setText(QStringLiteral("mine %1").arg(saves));
    Press(w, "save");
    finished[Now()] = 'w';
    QTest::qWait(10);
  }
  QVERIFY(other.state() == QProcess::NotRunning || other.waitForFinished(60000));
  QVERIFY2(other.exitCode() == 0, other.readAllStandardError().constData());
  QCOMPARE(env.messages, QStringList(saves, "Finish"));
  QList<qint64> done;
  JournalLines(FileBytes("journal.txt"), &done);
  QCOMPARE(done.size(), 30);
  for (const qint64 time : done) finished[time] = 'o';
  std::string turns(1, finished.first());
  for (const char program : finished)
    if (program != turns.back()) turns += program;
  qInfo("two programs: %d saves of the window, 30 commands of the other, %d turns", saves,
        int(turns.size()));
  QVERIFY2(turns.size() >= 10, ("the programs' commands ended in turns " + turns).c_str());
  QMap<QString, QString> known;
  QVERIFY(Replay(known).isEmpty());
  for (auto it = known.begin(); it != known.end(); ++it) QCOMPARE(Describe(it.key()), it.value());
  Press(w, "first");
  for (int i = 0; i < 6; ++i, Press(w, "next")) {
    const auto row =
        Rows("select Cust_name from customer where rowid=?", {CustomerSet->Bookmark()});
    QCOMPARE(w->txtName->text(), row.isEmpty() ? QString() : *row[0][0]);
  }
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("mine %1").arg(saves - 1));
}

// `qel --import` of a CSV folder, killed at random moments from its start to its end: no qel.db
// where there was none, or one that is whole and holds either what it held before, byte for
// byte, or that and everything the import brings.
void TestReliability::killDuringImport_data() {
  QTest::addColumn<QString>("before");
  QTest::newRow("no file") << "none";
  QTest::newRow("an empty file") << "empty";
  QTest::newRow("the five tables, no customers") << "tables";
  QTest::newRow("a customer with a list row") << "customer";
}

void TestReliability::killDuringImport() {
  QFETCH(QString, before);
  if (OnServer()) QSKIP("a case of database files");
  TestEnv env;
  QVERIFY(QDir().mkdir("src"));
  QFile customers("src/customer.csv"), family("src/family.csv"), contact("src/contact.csv");
  QVERIFY(customers.open(QIODevice::WriteOnly) && family.open(QIODevice::WriteOnly) &&
          contact.open(QIODevice::WriteOnly));
  customers.write("CID,Cust_name,Cust_addhome\n");
  family.write("CID,fam_rel,fam_name\n");
  contact.write("CID,Cont_date,Cont_detail\n");
  for (int i = 0; i < 1500; ++i) {
    // Long addresses: more than the import's page cache holds (2 MB), so that pages reach the
    // file before the commit.
    customers.write(QStringLiteral("K%1,Name %1,\"%1 Long Road, \"\"%2\"\"\"\n")
                        .arg(i)
                        .arg(QString(2000, QChar('a' + i % 26)))
                        .toUtf8());
    for (int k = 0; k < 4; ++k)
      family.write(QStringLiteral("K%1,kin %2,Kin %1\n").arg(i).arg(k).toUtf8());
    contact.write(QStringLiteral("K%1,2024/1/%2,called\n").arg(i).arg(i % 28 + 1).toUtf8());
  }
  customers.close(), family.close(), contact.close();
  // The rows of each table as the next program finds them (an empty file holds none).
  auto content = [] {
    if (!QFileInfo::exists(kDatabaseFile)) return QStringLiteral("none");
    if (QFileInfo(kDatabaseFile).size() == 0) return QStringLiteral("0 0 0 0 0");
    QStringList counts;
    for (const char* table : {"customer", "family", "insurance", "compensate", "contact"})
      counts << QString::number(Count(QStringLiteral("select count(*) from %1").arg(table)));
    return counts.join(' ');
  };
  auto fresh = [&] {
    QFile::remove(kDatabaseFile);
    if (before == "none") return QByteArray();
    QFile file(kDatabaseFile);
    file.open(QIODevice::WriteOnly);
    file.close();
    if (before == "tables") CreateDatabase();
    if (before == "customer") CustomersWithKin({{"B1", "Lee"}});
    return FileBytes(kDatabaseFile);
  };
  // The whole import once, timed: the kills fall anywhere in that time.
  QElapsedTimer clock;
  const QByteArray bytes = fresh();
  const QString was = content();
  QProcess qel;
  qel.setStandardErrorFile(QProcess::nullDevice());
  clock.start();
  qel.start(QStringLiteral(QEL_BINARY), {"--import", "src"});
  QVERIFY(qel.waitForFinished(60000) && qel.exitCode() == 0);
  const qint64 whole = clock.elapsed();
  const QString all = content();
  QCOMPARE(all, before == "customer" ? QStringLiteral("1501 6001 0 0 1500")
                                     : QStringLiteral("1500 6000 0 0 1500"));
  QRandomGenerator random(Seed("import kills"));
  int midway = 0;
  for (int kill = 0; kill < 6; ++kill) {
    fresh();
    QProcess killed;
    killed.setReadChannel(QProcess::StandardError);
    killed.start(QStringLiteral(QEL_BINARY), {"--import", "src"});
    QVERIFY(killed.waitForStarted());
    // Every other kill at any moment of the time the whole import took; the others once the
    // customers are in, while the lists come.
    QByteArray said;
    if (kill % 2 == 0) {
      QThread::usleep(ulong(1000 * whole * random.generateDouble()));
    } else {
      while (!said.contains("customer: 1500 / 1500") && killed.waitForReadyRead(10000))
        said += killed.readAllStandardError();
      QThread::usleep(random.bounded(50000));
    }
    ::kill(pid_t(killed.processId()), SIGKILL);
    killed.waitForFinished();
    // The customers were in when their table was reported done (stderr is not a terminal).
    said += killed.readAllStandardError();
    midway += said.contains("customer: 1500 / 1500") && !said.contains("Rows per table");
    const QString now = content();
    if (now == "none") continue;
    QCOMPARE(Rows("pragma integrity_check").value(0).value(0), Value("ok"));
    QVERIFY2(now == all || now == was,
             qPrintable(QStringLiteral("after a kill at a random moment: %1").arg(now)));
    // Opening it rolled back what the killed import left in its journal.
    if (now == was && before != "empty") QVERIFY(FileBytes(kDatabaseFile) == bytes);
  }
  // Some kills fell after the customers were read, in the middle of the work.
  QVERIFY2(midway >= 2, qPrintable(QStringLiteral("%1 of 6 kills").arg(midway)));
}

// Keys and criteria made of quotes, wildcards, backslashes, NULs and CJK reach exactly the rows
// whose text is theirs: "=" compares exactly, nothing breaks a statement.
void TestReliability::quotingOnRandomTexts() {
  TestEnv env;
  CreateDatabase();
  QRandomGenerator random(Seed("quoting"));
  const QString odd = QStringLiteral("'\"%_\\;- aA王") + QChar(0);
  auto text = [&] {
    QString t;
    for (int i = random.bounded(6); i > 0; --i) t += odd[random.bounded(int(odd.size()))];
    return t;
  };
  QStringList keys, sexes;
  for (int i = 0; i < 40; ++i) {
    const QString t = StripNul(text());
    keys << t << t.toUpper() << t + ' ';
    sexes << t;
  }
  keys.removeDuplicates();
  QMap<QString, QString> sexOf;
  for (const QString& key : keys) {
    sexOf[key] = sexes[random.bounded(int(sexes.size()))];
    InsertCustomer({{"CID", key}, {"Cust_name", "n"}, {"Cust_sex", sexOf[key]}});
    InsertChild("family", key, {key});
  }
  Connection db;
  OpenDatabase(db, kDatabaseFile);
  for (int i = 0; i < 200; ++i) {
    const QString t = random.bounded(2) ? keys[random.bounded(int(keys.size()))] : text();
    const QString meant = StripNul(t);
    QVERIFY2(db.Execute("update family set fam_name=fam_name where CID=" + SqlQuote(t)) ==
                 int(keys.contains(meant)),
             qPrintable(SqlQuote(t) + " / " + keys.join("|")));
    Recordset found;
    found.Open(
        BuildSearchStatement({"NA", t, "NA", "NA", "NA", "NA", "NA", "NA", "NA"}, db.IsServer())
            .sql,
        db, Recordset::Cursor::Static);
    QStringList foundKeys, wanted;
    for (; !found.Eof(); found.MoveNext()) foundKeys << *found.Field(0);
    for (const QString& key : keys)
      if (sexOf[key] == meant) wanted << key;
    QCOMPARE(foundKeys, wanted);
  }
}

// A file the program cannot use or write (tst_faults holds one locked, full or read-only through
// every command): a message naming the file and the cause, the file left byte for byte, the
// typing kept; once the cause is gone the same save stores the customer once.
void TestReliability::fileTrouble_data() {
  QTest::addColumn<QString>("cause");
  QTest::addColumn<QString>("held");  // what a sqlite3 shell on the file holds meanwhile
  QTest::newRow("damaged at start-up") << "malformed"
                                       << "";
  // The save's writes go through; its commit waits for the reader in vain and is rolled back.
  QTest::newRow("read by another program") << "another program"
                                           << "begin;\nselect count(*) from customer;\n";
}

void TestReliability::fileTrouble() {
  QFETCH(QString, cause);
  QFETCH(QString, held);
  if (OnServer()) QSKIP("a case of database files");
  TestEnv env;
  // The save need not wait the agent's seconds for the reader to show that it waits in vain.
  const int busyWait = BusyWait();
  SetBusyWait(300);
  const auto restore = qScopeGuard([&] { SetBusyWait(busyWait); });
  CustomersWithKin({{"A001", "Alice"}});
  const QString path = QFileInfo(env.DbPath()).absoluteFilePath();
  if (cause == "malformed") {
    Sql("insert into contact (CID, Cont_detail) with recursive n(i) as (select 1 union all select "
        "i + 1 from n where i < 300) select 'A001', hex(randomblob(300)) from n");
    QFile file(path);
    QVERIFY(file.resize(file.size() / 3 + 77));
  }
  const QByteArray before = FileBytes(path);
  frmCust* w = OpenWindow();
  if (cause == "malformed") {
    QVERIFY(env.fatalStatus != 0);
    QVERIFY2(env.messages.value(0).contains(path) && env.messages[0].contains(cause),
             qPrintable(env.messages.value(0)));
    QCOMPARE(FileBytes(path), before);
    return;
  }
  QProcess other;
  other.start("sqlite3", {path});
  other.write(held.toUtf8() + "select 'held';\n");
  while (!other.readAllStandardOutput().contains("held") && other.waitForReadyRead(5000)) {
  }
  Press(w, "new");
  ReplaceText(w->txtCID, "C001");
  TypeIntoCell(w->msfgFamily, w->txtInput, 1, 0, "husband");
  w->txtAddHome->setText(QString(20000, 'x'));  // needs new pages
  const QStringList typed = Snapshot(w);
  Press(w, "save");
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].contains(path) && env.messages[0].contains(cause),
           qPrintable(env.messages[0]));
  QCOMPARE(Snapshot(w), typed);
  QCOMPARE(FileBytes(path), before);
  other.closeWriteChannel();
  other.waitForFinished();
  Press(w, "save");
  QCOMPARE(env.messages.value(1), QStringLiteral("Finish"));
  QCOMPARE(Count("select count(*) from customer where CID = 'C001'"), 1);
  QCOMPARE(ChildRows("family", "C001").size(), 1);
}

// The program itself on an X server of its own: the customer window is drawn, photographed
// beside the test program, and closed with a click on exit: status 0, the file unchanged.
void TestReliability::realDisplay() {
  if (OnServer()) QSKIP("a case of database files");
  for (const QString tool : {"Xvfb", "xdotool", "import"})
    if (QStandardPaths::findExecutable(tool).isEmpty())
      QEL_SKIP_MISSING("no " + tool + " (scripts/deps.sh installs it)");
  TestEnv env;
  CustomersWithKin({{"A001", "Alice"}});
  const QByteArray before = FileBytes(env.DbPath());
  QPoint exit;
  {
    frmCust probe;  // laid out offscreen with the same fonts, style and 96 dpi
    probe.show();
    QApplication::processEvents();
    QWidget* button = probe.Toolbar1->widgetForAction(probe.Toolbar1->Buttons("exit"));
    exit = button->mapTo(&probe, button->rect().center());
  }
  QProcess x;
  x.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
  QVERIFY(x.waitForReadyRead(30000));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DISPLAY", ":" + x.readLine().trimmed());
  environment.insert("QT_QPA_PLATFORM", "xcb");
  environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/none");  // no bus, none started
  auto run = [&](const QString& tool, const QStringList& args) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(tool, args);
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
  };
  QProcess program;
  program.setProcessEnvironment(environment);
  // The first window of the title the program shows; when none comes, `why` says whether the
  // program still runs, what it printed and which windows the display has.
  QByteArray why;
  auto windowNamed = [&](const QString& title) {
    QString found;
    for (int i = 0; found.isEmpty() && i < 1200 && program.state() != QProcess::NotRunning; ++i) {
      QThread::msleep(100);
      found = run("xdotool", {"search", "--onlyvisible", "--name", '^' + title + '$'});
    }
    why = (program.state() ? "running; " : "ended; ") + program.readAllStandardError() +
          run("xwininfo", {"-root", "-tree"}).toLocal8Bit();
    return found.section('\n', 0, 0);
  };
  program.start(QStringLiteral(QEL_BINARY));
  const QString window = windowNamed("MAIN MENU");
  QVERIFY2(!window.isEmpty(), why.constData());
  const QString shot = QCoreApplication::applicationDirPath() + "/realdisplay-mainmenu.png";
  run("import", {"-window", "root", shot});
  QImage image(shot);
  QSet<QRgb> colours;
  for (int y = 0; y < 400; y += 4)
    for (int x = 0; x < 600; x += 4) colours << image.pixel(x, y);
  QVERIFY(colours.size() > 20);
  run("xdotool", {"mousemove", "--sync", "--window", window, QString::number(exit.x()),
                  QString::number(exit.y()), "click", "1"});
  QVERIFY(program.waitForFinished(60000));
  QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
           program.readAllStandardError().constData());
  QCOMPARE(FileBytes(env.DbPath()), before);
  // A file that is not a database: its message box, closed with Enter, ends the program with a
  // non-zero status, the file untouched.
  QFile text(env.DbPath());
  QVERIFY(text.open(QIODevice::WriteOnly | QIODevice::Truncate) && text.write("C_No;Name\n") > 0);
  text.close();
  program.start(QStringLiteral(QEL_BINARY));
  const QString box = windowNamed("Qel");
  QVERIFY2(!box.isEmpty(), why.constData());
  run("xdotool", {"windowfocus", "--sync", box, "key", "Return"});
  QVERIFY2(program.waitForFinished(20000), "the program did not end");
  QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() != 0);
  QCOMPARE(FileBytes(env.DbPath()), QByteArray("C_No;Name\n"));
  x.kill();
  x.waitForFinished();
}

// A save while another agent's save is under way waits, then says so and stores nothing. The
// server restarts while the window is open: the save that meets the lost connection says so and
// stores nothing; the next one connects again and stores the customer once. The server is one of
// its own, so that the suites running beside it keep theirs.
void TestReliability::serverRestart() {
  if (!OnServer()) QSKIP("a case of server databases");
  const QString cluster = qEnvironmentVariable("QEL_TEST_PGCLUSTER");
  const QString dir = QDir::temp().filePath(QStringLiteral("qel-pg-%1").arg(getpid()));
  QCOMPARE(QProcess::execute(cluster, {"start", dir}), 0);
  const QByteArray shared = qgetenv("QEL_DATABASE");
  qputenv("QEL_DATABASE", "host=" + dir.toUtf8() + " user=qel dbname=postgres");
  // The busy save need not wait the agent's seconds to show that it waits.
  const int busyWait = BusyWait();
  SetBusyWait(300);
  const auto restore = qScopeGuard([&] {
    SetBusyWait(busyWait);
    qputenv("QEL_DATABASE", shared);
    QProcess::execute(cluster, {"stop", dir});
  });
  TestEnv env;
  CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}});
  frmCust* w = OpenWindow();
  Press(w, "modify");
  w->txtName->setText("Typed");
  Connection other;
  OpenDatabase(other, kDatabaseFile);
  other.BeginTrans();
  Press(w, "save");
  other.RollbackTrans();
  QCOMPARE(QProcess::execute(cluster, {"restart", dir}), 0);
  Press(w, "save");
  QCOMPARE(env.messages.size(), 2);
  QVERIFY2(env.messages[0].contains("busy with another agent's save"), qPrintable(env.messages[0]));
  QVERIFY2(env.messages[1].contains("was lost"), qPrintable(env.messages[1]));
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alice"));
  QCOMPARE(ChildRows("family", "A001").size(), 1);
  Press(w, "save");
  QCOMPARE(env.messages.value(2), QStringLiteral("Finish"));
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Typed"));
  QCOMPARE(Count("select count(*) from customer"), 2);
  QCOMPARE(ChildRows("family", "A001").size(), 1);
  Press(w, "next");
  QCOMPARE(w->txtName->text(), QStringLiteral("Bob"));
}

// A data error, a standard exception or anything else in a handler: its text shown in the plain
// message box titled "Qel", then the end of the program.
void TestReliability::unexpectedErrorShownAndEnds() {
  for (const char* text : {"disk image is malformed", "vector::_M_range_check", ""}) {
    TestEnv env;
    SetMsgBoxHook({});
    QString seen;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      seen = box->windowTitle() + ": " + box->text();
      box->accept();
    });
    Guard([&] {
      if (*text == 'd') throw DataError(QString::fromLatin1(text));
      if (*text == 'v') throw std::out_of_range(text);
      throw 42;
    });
    QVERIFY2(seen.startsWith(QStringLiteral("Qel: ") + text) && seen.size() > 5, qPrintable(seen));
    QVERIFY(env.fatalStatus != 0 && env.ended == 0);
  }
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (app.arguments().value(1) == "driver") return Driver(app.arguments());
  TestReliability test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "tst_reliability.moc"
