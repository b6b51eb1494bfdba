#include "bench/history.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <cstdio>

#include "bench/generate.h"
#include "bench/harness.h"
#include "bench/pgserver.h"
#include "bench/serverrun.h"
#include "bench/stats.h"
#include "data/history.h"
#include "data/schema.h"
#include "data/transaction.h"
#include "ui/customer/customerstate.h"
#include "ui/customer/frmcust.h"
#include "ui/history/frmhistory.h"
#include "ui/program/module1.h"

namespace {

// The database's size in bytes: the file, or the server database.
qint64 DatabaseBytes(const QString& file) {
  if (!DbConnection->IsServer()) return QFileInfo(file).size();
  qint64 bytes = 0;
  DbConnection->ForEachText(QStringLiteral("select pg_database_size(current_database())"),
                            [&](QStringView text) { bytes = text.toLongLong(); });
  return bytes;
}

void Line(const char* what, const Samples& with, const Samples& without) {
  std::printf("| %-34s | %8.2f | %8.2f | %8.2f | %8.2f | %5.2fx |\n", what, with.Median(),
              with.P99(), without.Median(), without.P99(), with.Median() / without.Median());
}

}  // namespace

int RunHistoryBench(const Options& options, const QString& file, int& argc, char** argv) {
  QString where = QStringLiteral("the file");
  QString conninfo;
  if (options.postgres) conninfo = ServerDatabase(where);
  const std::unique_ptr<QApplication> app = StartApplication(argc, argv);
  QDir::setCurrent(QFileInfo(file).absolutePath());
  const FileCounts counts = CountFile(file);
  const BenchDatabase plan = PlanDatabase(file, counts.customers);
  if (options.postgres) {
    try {
      Connection connection;
      OpenDatabase(connection, kDatabaseFile);
      PgLink link(conninfo);
      LoadServer(link, file, conninfo, counts, where);
    } catch (const std::exception& error) {
      Fail(QString::fromUtf8(error.what()));
    }
  }
  Messages messages;
  CatchMessages(messages);
  std::printf("History: %d customers on %s; load %s\n", counts.customers, qPrintable(where),
              qPrintable(LoadAverage()));
  frmCust* cust = Show<frmCust>();
  Settle();
  ShowCustomer20(cust, plan);

  // Saves of the customer with 20 list rows, with and without the history in turns; each
  // pair starts with the other one than the pair before.
  Phase("Measuring modify + save...");
  const int runs = Runs(options, 100);
  Samples saveWith, saveWithout;
  qint64 grownWith = 0, grownWithout = 0;
  for (int i = 0; i < 2 * runs; ++i) {
    const bool on = (i % 2 == 0) == (i / 2 % 2 == 0);
    SetHistoryRecording(on);
    Press(cust, "modify");
    cust->txtName->setText(QStringLiteral("Bench %1").arg(i));
    const qint64 before = DatabaseBytes(file);
    (on ? saveWith : saveWithout).Add(TimeMs([&] { Press(cust, "save"); }));
    (on ? grownWith : grownWithout) += DatabaseBytes(file) - before;
    Check(messages.last == QStringLiteral("Finish"), QStringLiteral("the save is done"));
  }

  // New customers (no lists), each deleted again: the delete timed.
  Phase("Measuring delete...");
  Samples deleteWith, deleteWithout;
  for (int i = 0; i < 2 * runs; ++i) {
    const bool on = (i % 2 == 0) == (i / 2 % 2 == 0);
    SetHistoryRecording(on);
    Press(cust, "new");
    cust->txtCID->setText(QStringLiteral("HB-%1").arg(i));
    cust->txtName->setText(QStringLiteral("Bench"));
    Press(cust, "save");
    (on ? deleteWith : deleteWithout).Add(TimeMs([&] { Press(cust, "delete"); }));
    Check(messages.last == QStringLiteral("Finish"), QStringLiteral("the delete is done"));
  }
  SetHistoryRecording(true);

  // The history window of the customer with 20 list rows after 1,000 changes.
  Phase("Measuring the history window...");
  ShowCustomer20(cust, plan);
  const qint64 row = CustomerSet->Bookmark();
  {
    const StoredCustomer stored = ReadStoredCustomer(*DbConnection, row, HistoryListTables());
    CustomerState state = StateOf(*DbConnection, stored);
    Transaction transaction(*DbConnection);
    // Exactly 1,000 changes, also when the folder's database is reused.
    DbConnection->Execute(QStringLiteral("delete from history where cid = ? or new_cid = ?"),
                          {*stored.key, *stored.key});
    for (int i = 0; i < 1000; ++i) {
      state.fields[0].second = QStringLiteral("Name %1").arg(i);
      AppendHistory(*DbConnection, QStringLiteral("save"), stored.key, stored.key,
                    StateJson(state));
    }
    transaction.Commit();
  }
  Samples window;
  for (int i = 0; i < Runs(options, 20); ++i) {
    window.Add(TimeMs([&] {
      frmHistory* history = frmHistory::OpenFor(row);
      Settle();
      Check(history->grdChanges->model()->rowCount() == 1000, QStringLiteral("1,000 lines"));
    }));
    ::Unload<frmHistory>();
    Reap();
  }

  std::printf("\n| %-34s | %8s | %8s | %8s | %8s | %6s |\n", "ms (median, p99)", "with", "p99",
              "without", "p99", "ratio");
  std::printf("|%s|%s|%s|%s|%s|%s|\n", "------------------------------------", "----------",
              "----------", "----------", "----------", "--------");
  Line("\"modify\" + \"save\", 20 list rows", saveWith, saveWithout);
  Line("\"delete\" (no list rows)", deleteWith, deleteWithout);
  std::printf("\nGrowth per save: %.0f bytes with the history, %.0f without (%d saves each)\n",
              double(grownWith) / runs, double(grownWithout) / runs, runs);
  std::printf("History window, 1,000 changes: median %.1f ms, p99 %.1f ms (%d opens)\n",
              window.Median(), window.P99(), int(window.Count()));
  std::printf("Load at the end: %s\n", qPrintable(LoadAverage()));
  UnloadWindows();
  if (options.postgres) StopCluster();
  return 0;
}
