#include "bench/serverrun.h"

#include <unistd.h>

#include <QFileInfo>
#include <QLineEdit>
#include <cstdio>
#include <exception>
#include <optional>

#include "bench/generate.h"
#include "bench/harness.h"
#include "bench/pgserver.h"
#include "bench/report.h"
#include "data/connection.h"
#include "data/dataerror.h"
#include "data/schema.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/search/searchstatement.h"
#include "ui/toolkit/form.h"

// The server's connection: the database QEL_DATABASE names, or else an empty database in a
// throwaway cluster started here (and QEL_DATABASE set to it). `where` says which.
QString ServerDatabase(QString& where) {
  QString conninfo = qEnvironmentVariable("QEL_DATABASE");
  where = QStringLiteral("the database QEL_DATABASE names");
  if (!conninfo.isEmpty()) return conninfo;
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
  return conninfo;
}

// Loads the file's customers into the server database unless it holds them already, and
// prints what the database holds.
void LoadServer(PgLink& link, const QString& file, const QString& conninfo,
                const FileCounts& counts, const QString& where) {
  const qint64 present = link.Number(QStringLiteral("select count(*) from customer"));
  if (present == 0) {
    std::printf("Copying %d customers and %d list rows into the server database...\n",
                counts.customers, counts.listRows);
    std::fflush(stdout);
    const double ms = TimeMs([&] { CopyToServer(file, conninfo); });
    std::printf("Copy and vacuum analyze took %.1f s\n", ms / 1000.0);
  } else if (present != counts.customers) {
    Fail(QStringLiteral("the server database holds %1 other customers; the benchmark needs an "
                        "empty database, or one it loaded itself")
             .arg(present));
  } else {
    std::printf("Reusing the %lld customers of the server database\n", present);
  }
  Check(link.Number(ListRowsStatement()) == counts.listRows,
        QStringLiteral("the server database holds the file's list rows"));
  std::printf(
      "Database: %d customers, %d list rows, %.0f MB on PostgreSQL %s (%s); platform "
      "%s\n",
      counts.customers, counts.listRows,
      double(link.Number(QStringLiteral("select pg_database_size(current_database())"))) /
          1048576.0,
      qPrintable(link.Text(QStringLiteral("show server_version"))), qPrintable(where),
      qPrintable(QApplication::platformName()));
}

namespace {

// The floors of browsing and saving: raw libpq with prepared statements.
class ServerFloors : public ReadFloor, public SaveFloor {
 public:
  explicit ServerFloors(ServerFloor& raw) : m_raw(raw) {}

  void ToFirst() override { m_at = m_raw.First(); }
  double Next() override {
    return TimeMs([&] { m_at = m_raw.Next(m_at); });
  }
  double Last() override {
    return TimeMs([&] { m_raw.Last(); });
  }
  double First() override {
    return TimeMs([&] { m_raw.First(); });
  }
  QString Key() override { return m_raw.Key(m_at); }

  void ReadForSave(qint64 bookmark) override { m_save = m_raw.ReadForSave(bookmark); }
  double ModifySave() override {
    return TimeMs([&] { m_raw.ModifySave(m_save); });
  }
  int ListRows(const QString& key) override { return m_raw.ListRows(key); }

 private:
  ServerFloor& m_raw;
  qint64 m_at = -1;
  ServerFloor::Save m_save;
};

// The floors of the searches: psql's own timing of the search statement, run first in a new
// session; its second run there is kept for comparison (the window's searches after the first
// run on the connection it keeps).
class PsqlSearches : public SearchFloor {
 public:
  PsqlSearches(const QString& conninfo, const QString& all, const QString& few,
               ServerResults& results)
      : m_conninfo(conninfo), m_all(all), m_few(few), m_results(results) {}

  double All() override { return Take(m_all, m_results.searchAllWarm); }
  double Few() override { return Take(m_few, m_results.searchFewWarm); }

 private:
  double Take(const QString& statement, Samples& warm) {
    const QVector<double> ms = PsqlTimes(m_conninfo, statement, 2);
    warm.Add(ms[1]);
    return ms[0];
  }

  QString m_conninfo, m_all, m_few;
  ServerResults& m_results;
};

// The searches, each followed by the same statement in psql.
void MeasureServerSearches(const Options& options, frmCust* cust, CommonMeasures& m, PgLink& link,
                           const QString& conninfo, int named, const BenchDatabase& plan,
                           ServerResults& results) {
  frmSearch* search = OpenSearch(cust);
  SearchCriteria open{QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                      QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                      QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA")};
  const QString allStatement = BuildSearchStatement(open, true).sql;
  SearchCriteria few = open;
  few.name = plan.nameFragment;
  const QString fewStatement = BuildSearchStatement(few, true).sql;
  Check(link.Rows(allStatement) == named && link.Rows(fewStatement) == plan.fragmentMatches,
        QStringLiteral("the raw search statements find what the windows find"));
  WarmUpSearch(search, named);
  PsqlTimes(conninfo, allStatement, 1);
  // The opening of a connection as the program does it (the search window opens its own).
  for (int i = 0; i < Runs(options, 10); ++i) {
    results.opening.Add(TimeMs([&] {
      Connection connection;
      OpenDatabase(connection, kDatabaseFile);
    }));
  }
  PsqlSearches floor(conninfo, allStatement, fewStatement, results);
  MeasureSearches(options, search, m, named, plan, &floor);
}

}  // namespace

int RunServerBench(const Options& options, const QString& file, int& argc, char** argv) {
  QString where;
  const QString conninfo = ServerDatabase(where);
  const std::unique_ptr<QApplication> app = StartApplication(argc, argv);

  const FileCounts counts = CountFile(file);
  const int customers = counts.customers;
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
    LoadServer(*link, file, conninfo, counts, where);
    raw.emplace(conninfo);
  } catch (const std::exception& error) {
    Fail(QString::fromUtf8(error.what()));
  }

  CommonMeasures m;
  m.searchFew.name = m.searchFew.name.arg(plan.fragmentMatches);
  ServerResults results;
  results.measures = &m;
  results.customers = customers;
  results.loadBefore = LoadAverage();

  Messages messages;
  CatchMessages(messages);

  try {
    frmCust* cust = Show<frmCust>();
    Settle();
    Check(cust && cust->txtCID->text() == KeyAt(1, customers),
          QStringLiteral("the first customer is shown"));
    ServerFloors floors(*raw);

    // 1. Navigation: 1,000 steps of "next" from the first customer, then "last" and "first".
    Phase("Measuring navigation...");
    MeasureNavigation(options, cust, m, customers, &floors);

    // 2. The display of the customer with 40 list rows: "next" from the first customer onto it.
    Phase("Measuring the display of 40 list rows...");
    MeasureShow40(options, cust, m.show40, plan, &floors);

    // 3. "modify" + "save" of the customer with 20 list rows, each followed by the same writes
    // raw.
    Phase("Measuring modify + save...");
    ShowCustomer20(cust, plan);
    MeasureModifySave(options, cust, m.save20, plan, floors, messages);

    // 4. Searches, each followed by the same statement in psql.
    Phase("Measuring the searches...");
    MeasureServerSearches(options, cust, m, *link, conninfo, counts.named, plan, results);
  } catch (const std::exception& error) {
    Fail(QString::fromUtf8(error.what()));
  }
  Phase("Done with the windows");
  results.loadAfter = LoadAverage();

  UnloadWindows();
  raw.reset();
  link.reset();
  StopCluster();

  PrintServerReport(results);
  return 0;
}
