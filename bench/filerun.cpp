#include "bench/filerun.h"

#include <sys/resource.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "bench/children.h"
#include "bench/floors.h"
#include "bench/harness.h"
#include "bench/report.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"

namespace {

// The floor of modify + save: raw SQL on a connection of this process, right after each
// command, so that both meet the disk (whose flushes dominate a write) in the same state.
class FileSaveFloor : public SaveFloor {
 public:
  FileSaveFloor(RawFloor& raw, const QString& file) : m_raw(raw), m_file(file) {}

  void ReadForSave(qint64 bookmark) override { m_save = m_raw.ReadForSave(bookmark); }
  double ModifySave() override {
    return TimeMs([&] { m_raw.ModifySave(m_save); });
  }
  int ListRows(const QString& key) override {
    return Scalar(m_file, QStringLiteral("select (select count(*) from family where CID='%1') + "
                                         "(select count(*) from insurance where CID='%1') + "
                                         "(select count(*) from compensate where CID='%1') + "
                                         "(select count(*) from contact where CID='%1')")
                              .arg(key));
  }

 private:
  RawFloor& m_raw;
  QString m_file;
  RawFloor::Save m_save;
};

// Start-up: the customer window made, to the first customer shown, and unloaded again.
void MeasureStartup(const Options& options, Measure& startup, int customers) {
  for (int i = 0; i < Runs(options, 20); ++i) {
    frmCust* window = nullptr;
    TimeAction(startup, [&] { Guard([&] { window = Show<frmCust>(); }); });
    Check(window && window->txtCID->text() == KeyAt(1, customers),
          QStringLiteral("the first customer is shown"));
    window->Unload();
    Reap();
  }
}

// "new" + "save", then "delete" of the customers made (each the last row of the table), each
// beside the same writes raw.
void MeasureNewAndDelete(const Options& options, frmCust* cust, Measure& newSave, Measure& remove,
                         RawFloor& raw, Messages& messages) {
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
}

// Steps of "next" in the result window of an all-open search. Gives the result window.
frmSearchResult* MeasureResultWindow(const Options& options, frmSearch* search, Measure& resultStep,
                                     int named) {
  Measure warmUp{QStringLiteral("warm-up")};
  RunSearch(search, warmUp, QStringLiteral("NA"), named);
  Settle();
  frmSearchResult* result = Loaded<frmSearchResult>();
  const int resultSteps = qMin(Runs(options, 1000), named - 1);
  for (int i = 0; i < resultSteps; ++i) TimeAction(resultStep, [&] { result->cmdNext->click(); });
  Check(result->lblCurrent->text() == QString::number(resultSteps + 1),
        QStringLiteral("the result window stepped"));
  return result;
}

// Back to the customer window, as the agent leaves: "Exit" of the search window, each time
// after a selective search.
void MeasureWayBack(const Options& options, frmSearch* search, frmSearchResult* result,
                    Measure& back, const BenchDatabase& plan) {
  result->cmdExit->click();
  Settle();
  Measure warmUp{QStringLiteral("warm-up")};
  for (int i = 0; i < Runs(options, 10); ++i) {
    if (i > 0) {
      Press(Loaded<frmCust>(), "search");
      search = Loaded<frmSearch>();
      Check(search != nullptr, QStringLiteral("the search window is open"));
      RunSearch(search, warmUp, plan.nameFragment, plan.fragmentMatches);
      Loaded<frmSearchResult>()->cmdExit->click();
      Settle();
      Reap();
    }
    TimeAction(back, [&] { search->cmdEnd->click(); });
    Reap();
    frmCust* shown = Loaded<frmCust>();
    Check(shown && shown->txtCID->text() == KeyAt(1, plan.customers),
          QStringLiteral("the customer window is back on the first customer"));
  }
}

// The whole process: the qel binary started afresh, on an empty qel.db (the reference) and on
// the database; then with an all-open search; last, the first open of the database after its
// CID indexes were dropped, beside the five "create index" statements run raw.
void MeasureWholeProcess(const Options& options, Launcher& launcher, const QString& dir,
                         const QString& file, FileResults& r) {
  const bool large = r.customers >= 500000;
  std::printf("Measuring the whole process (%s)...\n", QEL_BINARY);
  std::fflush(stdout);
  const QString emptyDir = QDir(dir).filePath(QStringLiteral("empty"));
  QDir().mkpath(emptyDir);
  launcher.Starts(emptyDir, 2);  // makes the empty qel.db, and warms up
  launcher.Starts(dir, 2);
  // Taken in turns, so that the load of the machine weighs on both alike.
  for (int i = 0; i < Runs(options, 20); ++i) {
    launcher.Run(emptyDir, "1", r.onEmpty);
    launcher.Run(dir, "1", r.onFile);
  }
  r.withSearch = launcher.Starts(dir, Runs(options, 3), "search");
  // The program first, the raw statements second: the raw ones meet the file's pages
  // already read, which favours the floor, not the program.
  for (int i = 0; i < (large ? 1 : Runs(options, 3)); ++i) {
    DropIndexesRaw(file);
    const ProcessRuns run = launcher.Starts(dir, 1);
    Check(Scalar(file, QStringLiteral("select count(*) from sqlite_master where type='index' "
                                      "and name like '%_CID'")) == 5,
          QStringLiteral("the program added the five CID indexes back"));
    DropIndexesRaw(file);
    r.indexesRaw.Add(TimeMs([&] { CreateIndexesRaw(file); }));
    r.unindexed.wall.Add(run.wall.Median());
    r.unindexed.peakMb = qMax(r.unindexed.peakMb, run.peakMb);
    r.unindexed.failed += run.failed;
    if (run.failed) r.unindexed.failure = run.failure;
  }
}

}  // namespace

int RunFileBench(const Options& options, const QString& file, const QString& dir,
                 Launcher& launcher, int& argc, char** argv) {
  Measure startup{QStringLiteral("start-up: create the customer window to first customer shown")};
  CommonMeasures m;
  Measure newSave{QStringLiteral("\"new\" + \"save\" of a customer")};
  Measure remove{QStringLiteral("\"delete\" of a customer")};
  Measure resultStep{QStringLiteral("one step in the result window (\"next\")")};
  Measure back{QStringLiteral("back to the customer window after a search (\"Exit\")")};
  FileResults r;
  r.floors = options.floors;
  r.process = options.process;
  // In MeasureId order.
  r.measures = {&startup, &m.next, &m.last,      &m.first,     &m.show40,   &m.save20,
                &newSave, &remove, &m.searchAll, &m.searchFew, &resultStep, &back};
  Q_ASSERT(r.measures.size() == kMeasureCount);

  // The floors first, in a process of their own: the same statements without windows.
  if (options.floors) {
    QElapsedTimer floorsTimer;
    floorsTimer.start();
    std::printf("Measuring the floors in a child process (load average %s)...\n",
                qPrintable(LoadAverage()));
    r.floorsPeakMb = FloorsInChild(options, file, r.measures, argc, argv);
    std::printf("Floors took %.1f s (peak RSS of the floors' process %.1f MB)\n",
                double(floorsTimer.elapsed()) / 1000.0, r.floorsPeakMb);
  }
  r.loadBefore = LoadAverage();

  const std::unique_ptr<QApplication> app = StartApplication(argc, argv);
  QDir::setCurrent(dir);

  const FileCounts counts = CountFile(file);
  const int customers = counts.customers;
  const BenchDatabase plan = PlanDatabase(file, customers);
  std::printf("Database: %d customers, %d list rows, %.0f MB; platform %s\n", customers,
              counts.listRows, double(QFileInfo(file).size()) / 1048576.0,
              qPrintable(QApplication::platformName()));
  Check(customers >= 3, QStringLiteral("the benchmark needs at least 3 customers"));
  m.searchFew.name = m.searchFew.name.arg(plan.fragmentMatches);
  r.customers = customers;

  Messages messages;
  CatchMessages(messages);

  // 1. Start-up.
  Phase("Measuring start-up...");
  MeasureStartup(options, startup, customers);

  frmCust* cust = Show<frmCust>();
  Settle();

  // 2. Navigation: 1,000 steps of "next" from the first customer, then "last" and "first".
  Phase("Measuring navigation...");
  MeasureNavigation(options, cust, m, customers, nullptr);

  // 3. The display of the customer with 40 list rows: "next" from the first customer onto it.
  Phase("Measuring the display of 40 list rows...");
  MeasureShow40(options, cust, m.show40, plan, nullptr);

  // 4. "modify" + "save" of the customer with 20 list rows.
  Phase("Measuring modify + save...");
  ShowCustomer20(cust, plan);
  // The floors of the writes are taken on a connection of this process.
  RawFloor raw(file);
  FileSaveFloor saveFloor(raw, file);
  MeasureModifySave(options, cust, m.save20, plan, saveFloor, messages);

  // 5. "new" + "save", then "delete" of the customers made.
  Phase("Measuring new + save and delete...");
  MeasureNewAndDelete(options, cust, newSave, remove, raw, messages);
  Check(Scalar(file, QStringLiteral("select count(*) from customer")) == customers,
        QStringLiteral("every customer made was deleted again"));

  // 6. Searches. "search" opens the search window beside the customer window.
  Phase("Measuring the searches...");
  frmSearch* search = OpenSearch(cust);
  WarmUpSearch(search, counts.named);
  MeasureSearches(options, search, m, counts.named, plan, nullptr);

  // 7. Steps in the result window of the all-open search.
  Phase("Measuring the result window...");
  frmSearchResult* result = MeasureResultWindow(options, search, resultStep, counts.named);

  // 8. Back to the customer window, as the agent leaves: "Exit" of the search window.
  Phase("Measuring the way back to the customer window...");
  MeasureWayBack(options, search, result, back, plan);

  Phase("Done with the windows");
  rusage self{};
  getrusage(RUSAGE_SELF, &self);
  r.peakMb = MaxRssMb(self);
  r.loadAfter = LoadAverage();

  // 9. The whole process.
  if (options.process) MeasureWholeProcess(options, launcher, dir, file, r);
  r.loadEnd = LoadAverage();

  const int processFailures = PrintFileReport(r);
  UnloadWindows();
  launcher.Stop();
  return processFailures == 0 ? 0 : 1;
}
