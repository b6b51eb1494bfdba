// The benchmark program: makes a database of an agency's size, drives the real windows
// offscreen in this process, and prints for each command the median and 99th percentile beside
// the least raw SQL that gives the agent the same effect (the floor). The generator and the
// floors run in child processes first, so the peak memory of this process is that of the
// windows alone. Whole-process figures come from the qel binary itself, started afresh.
//
// The command line is in bench/options.h; the runs are in bench/filerun.h (the windows on the
// file), bench/serverrun.h (--postgres), bench/export.h, bench/schedule.h and bench/transfer.h.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/module1.h"
#include "bench/children.h"
#include "bench/export.h"
#include "bench/floors.h"
#include "bench/generate.h"
#include "bench/harness.h"
#include "bench/launcher.h"
#include "bench/options.h"
#include "bench/pgserver.h"
#include "bench/schedule.h"
#include "bench/stats.h"
#include "bench/transfer.h"
#include "data/connection.h"
#include "data/schema.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/search/searchstatement.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"

namespace {

QString Ms(double ms) {
  return ms >= 100  ? QString::number(ms, 'f', 0)
         : ms >= 10 ? QString::number(ms, 'f', 1)
                    : QString::number(ms, 'f', 2);
}

void PrintTable(const QList<Measure*>& measures) {
  std::printf(
      "\n| Measure | runs | p50 ms | p99 ms | p50 incl. repaint | floor p50 (raw SQL) | "
      "floor p99 | p50 / floor |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const Measure* m : measures) {
    const bool hasFloor = !m->floor.IsEmpty();
    std::printf(
        "| %s | %d | %s | %s | %s | %s | %s | %s |\n", qPrintable(m->name), m->window.Count(),
        qPrintable(Ms(m->window.Median())), qPrintable(Ms(m->window.P99())),
        qPrintable(Ms(m->withPaint.Median())), hasFloor ? qPrintable(Ms(m->floor.Median())) : "–",
        hasFloor ? qPrintable(Ms(m->floor.P99())) : "–",
        hasFloor ? qPrintable(QString::number(m->window.Median() / m->floor.Median(), 'f', 2))
                 : "–");
  }
}

QString Verdict(bool met) {
  return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

// Started first, while this process is still small.
Launcher g_launcher;

void PrintProcess(const char* what, const ProcessRuns& runs) {
  std::printf("| %s | %d | %s | %s | %.1f |\n", what, runs.wall.Count(),
              qPrintable(Ms(runs.wall.Median())), qPrintable(Ms(runs.wall.P99())), runs.peakMb);
  if (runs.failed > 0)
    std::printf("ERROR: %d of %d runs of qel (%s) did not end with status 0 (last: %s)\n",
                runs.failed, runs.wall.Count(), what, qPrintable(runs.failure));
}

// ---------------------------------------------------------------------------------------------
// The run on a PostgreSQL server. The generated file is copied into a server database; the
// windows run on it through QEL_DATABASE, and each command's floor is taken right after it, so
// that both meet the server in the same state: raw libpq with prepared statements for browsing
// and saving, psql's own timing of the search statement for the searches.

// One row of the server's table: the measure, how its floor was taken, and its target.
struct ServerRow {
  Measure* measure;
  const char* floor;
  const char* target;
};

int RunServerBench(const Options& options, const QString& file, int argc, char** argv) {
  QString conninfo = qEnvironmentVariable("QEL_DATABASE");
  QString where = QStringLiteral("the database QEL_DATABASE names");
  if (conninfo.isEmpty()) {
    // A short path: the server's socket lives in this folder.
    const QString cluster = QStringLiteral("/tmp/qel-bench-pg-%1").arg(getpid());
    if (QFileInfo::exists(cluster)) Fail(QStringLiteral("%1 exists already").arg(cluster));
    std::printf("Starting a throwaway PostgreSQL cluster in %s...\n", qPrintable(cluster));
    std::fflush(stdout);
    try {
      StartCluster(cluster);
      PgLink(QStringLiteral("host=%1 user=qel dbname=postgres").arg(cluster))
          .Exec(QStringLiteral("create database bench"));
    } catch (const std::exception& error) {
      Fail(QString::fromUtf8(error.what()));
    }
    conninfo = QStringLiteral("host=%1 user=qel dbname=bench").arg(cluster);
    qputenv("QEL_DATABASE", conninfo.toUtf8());
    where = QStringLiteral("a throwaway cluster on a Unix socket");
  }

  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel"));
  QApplication::setQuitOnLastWindowClosed(false);

  const int customers = Scalar(file, QStringLiteral("select count(*) from customer"));
  const QString listCount = QStringLiteral(
      "select (select count(*) from family) + (select count(*) from insurance) + (select "
      "count(*) from compensate) + (select count(*) from contact)");
  const int listRows = Scalar(file, listCount);
  const int named = Scalar(file, QStringLiteral("select count(*) from customer where Cust_name "
                                                "is not null"));
  Check(customers >= 3, QStringLiteral("the benchmark needs at least 3 customers"));
  const BenchDatabase plan = PlanDatabase(file, customers);

  // The program makes the tables, as it does in an empty database.
  try {
    Connection connection;
    OpenDatabase(connection, kDatabaseFile);
  } catch (const DataError& error) {
    Fail(error.message());
  }

  std::optional<PgLink> link;
  std::optional<ServerFloor> raw;
  try {
    link.emplace(conninfo);
    const qint64 present = link->Number(QStringLiteral("select count(*) from customer"));
    if (present == 0) {
      std::printf("Copying %d customers and %d list rows into the server database...\n", customers,
                  listRows);
      std::fflush(stdout);
      const double ms = TimeMs([&] { CopyToServer(file, conninfo); });
      std::printf("Copy and vacuum analyze took %.1f s\n", ms / 1000.0);
    } else if (present != customers) {
      Fail(QStringLiteral("the server database holds %1 other customers; the benchmark needs an "
                          "empty database, or one it loaded itself")
               .arg(present));
    } else {
      std::printf("Reusing the %lld customers of the server database\n", present);
    }
    Check(link->Number(listCount) == listRows,
          QStringLiteral("the server database holds the file's list rows"));
    std::printf(
        "Database: %d customers, %d list rows, %.0f MB on PostgreSQL %s (%s); platform "
        "%s\n",
        customers, listRows,
        double(link->Number(QStringLiteral("select pg_database_size(current_database())"))) /
            1048576.0,
        qPrintable(link->Text(QStringLiteral("show server_version"))), qPrintable(where),
        qPrintable(QApplication::platformName()));
    raw.emplace(conninfo);
  } catch (const std::exception& error) {
    Fail(QString::fromUtf8(error.what()));
  }

  Measure next{QStringLiteral("navigation: one \"next\"")};
  Measure last{QStringLiteral("navigation: \"last\"")};
  Measure first{QStringLiteral("navigation: \"first\"")};
  Measure show40{QStringLiteral("display of a customer with 40 list rows (\"next\" onto it)")};
  Measure save20{QStringLiteral("\"modify\" + \"save\" of a customer with 20 list rows")};
  Measure searchAll{QStringLiteral("all-open search to the result window on its first match")};
  Measure searchFew{QStringLiteral("selective search (%1 matches) to the result window")
                        .arg(plan.fragmentMatches)};
  // psql's second run of each search statement in its session, for comparison.
  Samples searchAllWarm, searchFewWarm;
  // The opening of a connection as the program does it (each search opens its own).
  Samples opening;
  const QString loadBefore = LoadAverage();

  Messages messages;
  CatchMessages(messages);

  try {
    frmCust* cust = Show<frmCust>();
    Settle();
    Check(cust && cust->txtCID->text() == KeyAt(1, customers),
          QStringLiteral("the first customer is shown"));

    // 1. Navigation: 1,000 steps of "next" from the first customer, then "last" and "first".
    Phase("Measuring navigation...");
    Press(cust, "first");
    Settle();
    qint64 at = raw->First();
    const int steps = qMin(Runs(options, 1000), customers - 1);
    for (int i = 0; i < steps; ++i) {
      TimeAction(next, [&] { Press(cust, "next"); });
      next.floor.Add(TimeMs([&] { at = raw->Next(at); }));
    }
    Check(cust->txtCID->text() == KeyAt(steps + 1, customers) &&
              raw->Key(at) == KeyAt(steps + 1, customers),
          QStringLiteral("\"next\" reached customer %1").arg(steps + 1));
    for (int i = 0; i < Runs(options, 50); ++i) {
      TimeAction(last, [&] { Press(cust, "last"); });
      last.floor.Add(TimeMs([&] { raw->Last(); }));
      TimeAction(first, [&] { Press(cust, "first"); });
      first.floor.Add(TimeMs([&] { raw->First(); }));
    }

    // 2. The display of the customer with 40 list rows: "next" from the first customer onto it.
    Phase("Measuring the display of 40 list rows...");
    for (int i = 0; i < Runs(options, 200); ++i) {
      Press(cust, "first");
      Settle();
      TimeAction(show40, [&] { Press(cust, "next"); });
      Check(cust->txtCID->text() == plan.key40 && cust->msfgContact->Rows() == 18 + 2 &&
                cust->msfgInsurlife->Rows() == 10 + 2,
            QStringLiteral("the customer with 40 list rows is shown"));
      const qint64 onFirst = raw->First();
      show40.floor.Add(TimeMs([&] { at = raw->Next(onFirst); }));
      Check(raw->Key(at) == plan.key40,
            QStringLiteral("the floor shows the customer with 40 rows"));
    }

    // 3. "modify" + "save" of the customer with 20 list rows, each followed by the same writes
    // raw.
    Phase("Measuring modify + save...");
    Press(cust, "first");
    for (int i = 1; i < plan.position20; ++i) Press(cust, "next");
    Settle();
    Check(cust->txtCID->text() == plan.key20, QStringLiteral("the customer with 20 rows is shown"));
    const ServerFloor::Save save = raw->ReadForSave(CustomerSet->Bookmark());
    for (int i = 0; i < Runs(options, 100); ++i) {
      messages.count = 0;
      TimeAction(save20, [&] {
        Press(cust, "modify");
        Press(cust, "save");
      });
      Check(messages.count == 1 && messages.last == QStringLiteral("Finish"),
            QStringLiteral("the save reported Finish (got: %1)").arg(messages.last));
      save20.floor.Add(TimeMs([&] { raw->ModifySave(save); }));
      // The floor rewrote the customer as another program would: shown afresh before the next
      // modify (see the file run).
      Press(cust, "previous");
      Press(cust, "next");
    }
    Check(raw->ListRows(plan.key20) == 20,
          QStringLiteral("the saved customer still has 20 list rows"));

    // 4. Searches, each followed by the same statement in psql.
    Phase("Measuring the searches...");
    Press(cust, "search");
    Settle();
    frmSearch* search = Loaded<frmSearch>();
    Check(search != nullptr, QStringLiteral("the search window is open"));
    auto runSearch = [&](Measure& measure, const QString& name, int expected) {
      RunSearch(search, measure, name, expected);
      BackToSearch(search);
    };
    SearchCriteria open{QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                        QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                        QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA")};
    const QString allStatement = BuildSearchStatement(open, true).sql;
    SearchCriteria few = open;
    few.name = plan.nameFragment;
    const QString fewStatement = BuildSearchStatement(few, true).sql;
    Check(link->Rows(allStatement) == named && link->Rows(fewStatement) == plan.fragmentMatches,
          QStringLiteral("the raw search statements find what the windows find"));
    // The first search also unloads the customer window; it is run once before the measure.
    Measure warmUp{QStringLiteral("warm-up")};
    runSearch(warmUp, QStringLiteral("NA"), named);
    PsqlTimes(conninfo, allStatement, 1);
    for (int i = 0; i < Runs(options, 10); ++i) {
      opening.Add(TimeMs([&] {
        Connection connection;
        OpenDatabase(connection, kDatabaseFile);
      }));
    }
    auto psql = [&](Measure& measure, Samples& warm, const QString& statement) {
      // Like the window's search, which opens its connection anew after Reset, the statement
      // runs first in a new session; its second run there is kept for comparison.
      const QVector<double> ms = PsqlTimes(conninfo, statement, 2);
      measure.floor.Add(ms[0]);
      warm.Add(ms[1]);
    };
    for (int i = 0; i < Runs(options, 10); ++i) {
      runSearch(searchAll, QStringLiteral("NA"), named);
      psql(searchAll, searchAllWarm, allStatement);
    }
    for (int i = 0; i < Runs(options, 30); ++i) {
      runSearch(searchFew, plan.nameFragment, plan.fragmentMatches);
      psql(searchFew, searchFewWarm, fewStatement);
    }
  } catch (const std::exception& error) {
    Fail(QString::fromUtf8(error.what()));
  }
  Phase("Done with the windows");
  const QString loadAfter = LoadAverage();

  // The windows and the data objects go while Qt is still there, as in the program.
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<Form*>(widget); form && form->IsLoaded()) form->Unload();
  Reap();
  ReleaseDataObjects();
  raw.reset();
  link.reset();
  StopCluster();

  // The floors, as the table names them (the README says what each runs).
  const char* rawRead = "libpq, prepared";
  const char* rawSave = "libpq, prepared, 1 transaction";
  const char* psqlTime = "psql `\\timing`";
  const ServerRow rows[] = {{&next, rawRead, "p50 ≤ 2 ms"},   {&last, rawRead, "–"},
                            {&first, rawRead, "–"},           {&show40, rawRead, "–"},
                            {&save20, rawSave, "≤ 2 ×"},      {&searchAll, psqlTime, "≤ 1.5 ×"},
                            {&searchFew, psqlTime, "≤ 1.5 ×"}};
  std::printf(
      "\n| Operation | runs | Qel p50 ms | Qel p99 ms | p50 incl. repaint | floor p50 ms | floor "
      "p99 ms | floor | Qel / floor (p50) | target |\n"
      "|---|---:|---:|---:|---:|---:|---:|---|---:|---|\n");
  for (const ServerRow& row : rows) {
    const Measure& m = *row.measure;
    std::printf("| %s | %d | %s | %s | %s | %s | %s | %s | %.2f | %s |\n", qPrintable(m.name),
                m.window.Count(), qPrintable(Ms(m.window.Median())), qPrintable(Ms(m.window.P99())),
                qPrintable(Ms(m.withPaint.Median())), qPrintable(Ms(m.floor.Median())),
                qPrintable(Ms(m.floor.P99())), row.floor, m.window.Median() / m.floor.Median(),
                row.target);
  }
  std::printf(
      "\npsql's second run of the statement in the same session: all-open p50 %s ms, selective "
      "p50 %s ms\n",
      qPrintable(Ms(searchAllWarm.Median())), qPrintable(Ms(searchFewWarm.Median())));
  std::printf(
      "Opening a connection as the program does (connect, session settings, the tables' "
      "checks), which each search does: p50 %s ms, p99 %s ms\n",
      qPrintable(Ms(opening.Median())), qPrintable(Ms(opening.P99())));
  std::printf("Load average (1, 5, 15 min): %s before the windows, %s after them\n",
              qPrintable(loadBefore), qPrintable(loadAfter));

  std::printf("\nTargets on the server at %d customers:\n", customers);
  auto ratio = [](const char* what, double value, double base, double limit) {
    const double r = value / base;
    std::printf("  %s: %s / %s ms = %.2f (<= %.2f) -> %s\n", what, qPrintable(Ms(value)),
                qPrintable(Ms(base)), r, limit, qPrintable(Verdict(r <= limit)));
  };
  std::printf("  navigation step p50 <= 2 ms: %s ms -> %s\n", qPrintable(Ms(next.window.Median())),
              qPrintable(Verdict(next.window.Median() <= 2)));
  ratio("modify + save of 20 list rows / raw writes", save20.window.Median(), save20.floor.Median(),
        2);
  ratio("all-open search / the statement in psql", searchAll.window.Median(),
        searchAll.floor.Median(), 1.5);
  ratio("selective search / the statement in psql", searchFew.window.Median(),
        searchFew.floor.Median(), 1.5);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && !std::strcmp(argv[1], "--import-csv")) return ImportCsvBenchmark(argc, argv);
  const Options options = Parse(argc, argv);
  // First, while this process is still small.
  if (options.process && !options.generateOnly && !options.postgres) g_launcher.Start();

  std::optional<QTemporaryDir> temporary;
  QString dir = options.dir;
  if (dir.isEmpty()) {
    temporary.emplace(QDir::temp().filePath(QStringLiteral("qel-bench-XXXXXX")));
    if (!temporary->isValid()) Fail(QStringLiteral("cannot make a temporary folder"));
    dir = temporary->path();
  } else if (!QDir().mkpath(dir)) {
    Fail(QStringLiteral("cannot make the folder %1").arg(dir));
  }
  dir = QFileInfo(dir).absoluteFilePath();
  const QString file = QDir(dir).filePath(kDatabaseFile);
  if (QFileInfo::exists(file)) {
    std::printf("Reusing %s\n", qPrintable(file));
  } else {
    std::printf("Generating %s with %d customers (seed %llu)\n", qPrintable(file),
                options.customers, static_cast<unsigned long long>(options.seed));
    GenerateInChild(options, file, argc, argv);
  }
  if (options.generateOnly) return 0;

  if (options.exportOnly) return RunExportBench(file, dir, Runs(options, 3));
  if (options.schedule) return RunScheduleBench(dir, Runs(options, 10), argc, argv);
  if (options.postgres) return RunServerBench(options, file, argc, argv);

  Measure startup{QStringLiteral("start-up: create the customer window to first customer shown")};
  Measure next{QStringLiteral("navigation: one \"next\"")};
  Measure last{QStringLiteral("navigation: \"last\"")};
  Measure first{QStringLiteral("navigation: \"first\"")};
  Measure show40{QStringLiteral("display of a customer with 40 list rows (\"next\" onto it)")};
  Measure save20{QStringLiteral("\"modify\" + \"save\" of a customer with 20 list rows")};
  Measure newSave{QStringLiteral("\"new\" + \"save\" of a customer")};
  Measure remove{QStringLiteral("\"delete\" of a customer")};
  Measure searchAll{QStringLiteral("all-open search to the result window on its first match")};
  Measure searchFew{QStringLiteral("selective search (%1 matches) to the result window")};
  Measure resultStep{QStringLiteral("one step in the result window (\"next\")")};
  Measure back{QStringLiteral("back to the customer window after a search (\"Exit\")")};
  // In MeasureId order.
  QVector<Measure*> measures{&startup, &next,   &last,      &first,     &show40,     &save20,
                             &newSave, &remove, &searchAll, &searchFew, &resultStep, &back};
  Q_ASSERT(measures.size() == kMeasureCount);

  // The floors first, in a process of their own: the same statements without windows.
  double floorsPeakMb = 0;
  if (options.floors) {
    QElapsedTimer floorsTimer;
    floorsTimer.start();
    std::printf("Measuring the floors in a child process (load average %s)...\n",
                qPrintable(LoadAverage()));
    floorsPeakMb = FloorsInChild(options, file, measures, argc, argv);
    std::printf("Floors took %.1f s (peak RSS of the floors' process %.1f MB)\n",
                double(floorsTimer.elapsed()) / 1000.0, floorsPeakMb);
  }
  const QString loadBefore = LoadAverage();

  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel"));
  QApplication::setQuitOnLastWindowClosed(false);
  QDir::setCurrent(dir);

  const int customers = Scalar(file, QStringLiteral("select count(*) from customer"));
  const BenchDatabase plan = PlanDatabase(file, customers);
  const int listRows = Scalar(file, QStringLiteral("select (select count(*) from family) + "
                                                   "(select count(*) from insurance) + (select "
                                                   "count(*) from compensate) + (select count(*) "
                                                   "from contact)"));
  const int named = Scalar(file, QStringLiteral("select count(*) from customer where Cust_name "
                                                "is not null"));
  std::printf("Database: %d customers, %d list rows, %.0f MB; platform %s\n", customers, listRows,
              double(QFileInfo(file).size()) / 1048576.0, qPrintable(QApplication::platformName()));
  Check(customers >= 3, QStringLiteral("the benchmark needs at least 3 customers"));
  searchFew.name = searchFew.name.arg(plan.fragmentMatches);

  Messages messages;
  CatchMessages(messages);

  // 1. Start-up.
  Phase("Measuring start-up...");
  for (int i = 0; i < Runs(options, 20); ++i) {
    frmCust* window = nullptr;
    TimeAction(startup, [&] { Guard([&] { window = Show<frmCust>(); }); });
    Check(window && window->txtCID->text() == KeyAt(1, customers),
          QStringLiteral("the first customer is shown"));
    window->Unload();
    Reap();
  }

  frmCust* cust = Show<frmCust>();
  Settle();

  // 2. Navigation: 1,000 steps of "next" from the first customer, then "last" and "first".
  Phase("Measuring navigation...");
  Press(cust, "first");
  Settle();
  const int steps = qMin(Runs(options, 1000), customers - 1);
  for (int i = 0; i < steps; ++i) TimeAction(next, [&] { Press(cust, "next"); });
  Check(cust->txtCID->text() == KeyAt(steps + 1, customers),
        QStringLiteral("\"next\" reached customer %1").arg(steps + 1));
  for (int i = 0; i < Runs(options, 50); ++i) {
    TimeAction(last, [&] { Press(cust, "last"); });
    TimeAction(first, [&] { Press(cust, "first"); });
  }

  // 3. The display of the customer with 40 list rows: "next" from the first customer onto it.
  Phase("Measuring the display of 40 list rows...");
  for (int i = 0; i < Runs(options, 200); ++i) {
    Press(cust, "first");
    Settle();
    TimeAction(show40, [&] { Press(cust, "next"); });
    Check(cust->txtCID->text() == plan.key40 && cust->msfgContact->Rows() == 18 + 2 &&
              cust->msfgInsurlife->Rows() == 10 + 2,
          QStringLiteral("the customer with 40 list rows is shown"));
  }

  // 4. "modify" + "save" of the customer with 20 list rows.
  Phase("Measuring modify + save...");
  Press(cust, "first");
  for (int i = 1; i < plan.position20; ++i) Press(cust, "next");
  Settle();
  Check(cust->txtCID->text() == plan.key20, QStringLiteral("the customer with 20 rows is shown"));
  // The floors of the writes: raw SQL on a connection of this process, right after each
  // command, so that both meet the disk (whose flushes dominate a write) in the same state.
  RawFloor raw(file);
  const RawFloor::Save save = raw.ReadForSave(CustomerSet->Bookmark());
  for (int i = 0; i < Runs(options, 100); ++i) {
    messages.count = 0;
    TimeAction(save20, [&] {
      Press(cust, "modify");
      Press(cust, "save");
    });
    Check(messages.count == 1 && messages.last == QStringLiteral("Finish"),
          QStringLiteral("the save reported Finish (got: %1)").arg(messages.last));
    save20.floor.Add(TimeMs([&] { raw.ModifySave(save); }));
    // The floor rewrote the customer through a connection of its own, as another program does:
    // the window shows it afresh (away and back) before its next modify, or that save would
    // rightly be refused.
    Press(cust, "previous");
    Press(cust, "next");
  }
  Check(Scalar(file, QStringLiteral("select (select count(*) from family where CID='%1') + "
                                    "(select count(*) from insurance where CID='%1') + (select "
                                    "count(*) from compensate where CID='%1') + (select count(*) "
                                    "from contact where CID='%1')")
                         .arg(plan.key20)) == 20,
        QStringLiteral("the saved customer still has 20 list rows"));

  // 5. "new" + "save", then "delete" of the customers made (each the last row of the table).
  Phase("Measuring new + save and delete...");
  const int made = Runs(options, 100);
  QVector<qint64> rawMade;
  for (int i = 0; i < made; ++i) {
    messages.count = 0;
    const QString key = QStringLiteral("W%1").arg(i, 6, 10, QChar(u'0'));
    TimeAction(newSave, [&] {
      Press(cust, "new");
      // What the agent types is not part of the measure; the texts go in as typed text.
      cust->txtCID->setText(key);
      cust->txtName->setText(QStringLiteral("Bench Customer %1").arg(i));
      cust->cmbSex->setEditText(QStringLiteral("female"));
      Press(cust, "save");
    });
    Check(messages.count == 1 && messages.last == QStringLiteral("Finish"),
          QStringLiteral("the new customer was saved (got: %1)").arg(messages.last));
    const QString rawKey = QStringLiteral("R%1").arg(i, 6, 10, QChar(u'0'));
    newSave.floor.Add(
        TimeMs([&] { rawMade << raw.NewSave(rawKey, QStringLiteral("Raw Customer")); }));
  }
  for (int i = 0; i < made; ++i) {
    // The raw floor's customer goes first: the window's is then the last row again.
    const qint64 rowid = rawMade.takeLast();
    remove.floor.Add(TimeMs([&] { raw.Delete(rowid); }));
    Press(cust, "last");
    Settle();
    Check(cust->txtCID->text().startsWith(QLatin1Char('W')), QStringLiteral("a new customer"));
    messages.count = 0;
    TimeAction(remove, [&] { Press(cust, "delete"); });
    Check(messages.count == 1 && messages.last == QStringLiteral("Finish"),
          QStringLiteral("the delete reported Finish (got: %1)").arg(messages.last));
  }
  Check(Scalar(file, QStringLiteral("select count(*) from customer")) == customers,
        QStringLiteral("every customer made was deleted again"));

  // 6. Searches. "search" opens the search window beside the customer window.
  Phase("Measuring the searches...");
  Press(cust, "search");
  Settle();
  frmSearch* search = Loaded<frmSearch>();
  Check(search != nullptr, QStringLiteral("the search window is open"));
  auto runSearch = [&](Measure& measure, const QString& name, int expected) {
    RunSearch(search, measure, name, expected);
  };
  auto backToSearch = [&] { BackToSearch(search); };

  // The first search also unloads the customer window; it is run once before the measure.
  Measure warmUp{QStringLiteral("warm-up")};
  runSearch(warmUp, QStringLiteral("NA"), named);
  backToSearch();
  for (int i = 0; i < Runs(options, 10); ++i) {
    runSearch(searchAll, QStringLiteral("NA"), named);
    backToSearch();
  }
  for (int i = 0; i < Runs(options, 30); ++i) {
    runSearch(searchFew, plan.nameFragment, plan.fragmentMatches);
    backToSearch();
  }

  // 7. Steps in the result window of the all-open search.
  Phase("Measuring the result window...");
  runSearch(warmUp, QStringLiteral("NA"), named);
  Settle();
  frmSearchResult* result = Loaded<frmSearchResult>();
  const int resultSteps = qMin(Runs(options, 1000), named - 1);
  for (int i = 0; i < resultSteps; ++i) TimeAction(resultStep, [&] { result->cmdNext->click(); });
  Check(result->lblCurrent->text() == QString::number(resultSteps + 1),
        QStringLiteral("the result window stepped"));

  // 8. Back to the customer window, as the agent leaves: "Exit" of the search window.
  Phase("Measuring the way back to the customer window...");
  result->cmdExit->click();
  Settle();
  for (int i = 0; i < Runs(options, 10); ++i) {
    if (i > 0) {
      Press(Loaded<frmCust>(), "search");
      search = Loaded<frmSearch>();
      Check(search != nullptr, QStringLiteral("the search window is open"));
      runSearch(warmUp, plan.nameFragment, plan.fragmentMatches);
      Loaded<frmSearchResult>()->cmdExit->click();
      Settle();
      Reap();
    }
    TimeAction(back, [&] { search->cmdEnd->click(); });
    Reap();
    frmCust* shown = Loaded<frmCust>();
    Check(shown && shown->txtCID->text() == KeyAt(1, customers),
          QStringLiteral("the customer window is back on the first customer"));
  }

  Phase("Done with the windows");
  rusage self{};
  getrusage(RUSAGE_SELF, &self);
  const double peakMb = MaxRssMb(self);
  const QString loadAfter = LoadAverage();

  // 9. The whole process: the qel binary started afresh, on an empty qel.db (the reference)
  // and on the database; then with an all-open search; last, the first open of the database
  // after its CID indexes were dropped, beside the five "create index" statements run raw.
  ProcessRuns onEmpty, onFile, withSearch, unindexed;
  Samples indexesRaw;
  const bool large = customers >= 500000;
  if (options.process) {
    std::printf("Measuring the whole process (%s)...\n", QEL_BINARY);
    std::fflush(stdout);
    const QString emptyDir = QDir(dir).filePath(QStringLiteral("empty"));
    QDir().mkpath(emptyDir);
    g_launcher.Starts(emptyDir, 2);  // makes the empty qel.db, and warms up
    g_launcher.Starts(dir, 2);
    // Taken in turns, so that the load of the machine weighs on both alike.
    for (int i = 0; i < Runs(options, 20); ++i) {
      g_launcher.Run(emptyDir, "1", onEmpty);
      g_launcher.Run(dir, "1", onFile);
    }
    withSearch = g_launcher.Starts(dir, Runs(options, 3), "search");
    // The program first, the raw statements second: the raw ones meet the file's pages
    // already read, which favours the floor, not the program.
    for (int i = 0; i < (large ? 1 : Runs(options, 3)); ++i) {
      DropIndexesRaw(file);
      const ProcessRuns run = g_launcher.Starts(dir, 1);
      Check(Scalar(file, QStringLiteral("select count(*) from sqlite_master where type='index' "
                                        "and name like '%_CID'")) == 5,
            QStringLiteral("the program added the five CID indexes back"));
      DropIndexesRaw(file);
      indexesRaw.Add(TimeMs([&] { CreateIndexesRaw(file); }));
      unindexed.wall.Add(run.wall.Median());
      unindexed.peakMb = qMax(unindexed.peakMb, run.peakMb);
      unindexed.failed += run.failed;
      if (run.failed) unindexed.failure = run.failure;
    }
  }
  const QString loadEnd = LoadAverage();

  PrintTable(QList<Measure*>(measures.begin(), measures.end()));
  std::printf(
      "\nLoad average (1, 5, 15 min; other work on the machine skews p99): %s before the "
      "windows, %s after them, %s at the end\n",
      qPrintable(loadBefore), qPrintable(loadAfter), qPrintable(loadEnd));
  std::printf("\nPeak resident set of this process (the windows' run): %.1f MB\n", peakMb);
  if (options.floors)
    std::printf("Peak resident set of the floors' process: %.1f MB\n", floorsPeakMb);
  int processFailures = 0;
  if (options.process) {
    std::printf(
        "\n| Whole process (qel started afresh) | runs | p50 ms | p99 ms | peak RSS MB |\n"
        "|---|---:|---:|---:|---:|\n");
    PrintProcess("to first customer, empty qel.db (reference)", onEmpty);
    PrintProcess("to first customer, this database", onFile);
    PrintProcess("all-open search to the result window", withSearch);
    PrintProcess("first open without the CID indexes (adds them)", unindexed);
    std::printf("| the five \"create index\" statements alone, raw | %d | %s | %s | – |\n",
                indexesRaw.Count(), qPrintable(Ms(indexesRaw.Median())),
                qPrintable(Ms(indexesRaw.P99())));
    processFailures = onEmpty.failed + onFile.failed + withSearch.failed + unindexed.failed;
  }

  // The targets, each a ratio measured in this run.
  std::printf("\nTargets at %d customers:\n", customers);
  auto ratio = [](const char* what, double value, double base, double limit) {
    const double r = value / base;
    std::printf("  %s: %s / %s ms = %.2f (<= %.2f) -> %s\n", what, qPrintable(Ms(value)),
                qPrintable(Ms(base)), r, limit, qPrintable(Verdict(r <= limit)));
  };
  if (options.process) {
    ratio("whole process to first customer / same on an empty qel.db", onFile.wall.Median(),
          onEmpty.wall.Median(), 1.3);
    std::printf("  whole process to first customer <= 200 ms: %s ms -> %s\n",
                qPrintable(Ms(onFile.wall.Median())),
                qPrintable(Verdict(onFile.wall.Median() <= 200)));
    ratio("back to the customer window / whole-process start on an empty qel.db",
          back.window.Median(), onEmpty.wall.Median(), 1.3);
    std::printf("  peak memory, whole process, after an all-open search <= 100 MB: %.1f MB -> %s\n",
                withSearch.peakMb, qPrintable(Verdict(withSearch.peakMb <= 100)));
    ratio("first open without indexes / the five create index statements raw",
          unindexed.wall.Median(), indexesRaw.Median(), 1.2);
  }
  std::printf("  navigation step p50 <= 1 ms / p99 <= 5 ms: %s / %s ms -> %s\n",
              qPrintable(Ms(next.window.Median())), qPrintable(Ms(next.window.P99())),
              qPrintable(Verdict(next.window.Median() <= 1 && next.window.P99() <= 5)));
  if (options.floors) {
    ratio("modify + save of 20 list rows / raw writes", save20.window.Median(),
          save20.floor.Median(), 2);
    ratio("new + save / raw write", newSave.window.Median(), newSave.floor.Median(), 2);
    ratio("delete / raw writes and first display", remove.window.Median(), remove.floor.Median(),
          2);
    ratio("all-open search / raw statement reading every key", searchAll.window.Median(),
          searchAll.floor.Median(), 1.3);
    ratio("selective search / raw statement", searchFew.window.Median(), searchFew.floor.Median(),
          1.3);
  }
  std::printf(
      "  peak memory of the benchmark run (the windows; a 100,000-customer target) <= 80 MB: "
      "%.1f MB -> %s\n",
      peakMb, qPrintable(Verdict(peakMb <= 80)));

  // The windows and the data objects go while Qt is still there, as in the program.
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<Form*>(widget); form && form->IsLoaded()) form->Unload();
  Reap();
  ReleaseDataObjects();
  g_launcher.Stop();
  return processFailures == 0 ? 0 : 1;
}
