#include "bench/harness.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>
#include <cstdlib>

#include "bench/pgserver.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"

void Fail(const QString& what) {
  std::fprintf(stderr, "qel_bench: %s\n", qPrintable(what));
  std::fflush(stderr);
  StopCluster();
  std::_Exit(3);
}

void Check(bool condition, const QString& what) {
  if (!condition) Fail(QStringLiteral("check failed: ") + what);
}

double MaxRssMb(const rusage& usage) {
  return double(usage.ru_maxrss) / 1024.0;  // Linux reports kilobytes
}

int Scalar(const QString& file, const QString& sql) {
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
  db.setDatabaseName(file);
  int value = -1;
  if (db.open()) {
    QSqlQuery query(db);
    if (query.exec(sql) && query.next()) value = query.value(0).toInt();
  }
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase(QStringLiteral("count"));
  return value;
}

QString ListRowsStatement() {
  return QStringLiteral(
      "select (select count(*) from family) + (select count(*) from insurance) + (select "
      "count(*) from compensate) + (select count(*) from contact)");
}

FileCounts CountFile(const QString& file) {
  FileCounts counts;
  counts.customers = Scalar(file, QStringLiteral("select count(*) from customer"));
  counts.listRows = Scalar(file, ListRowsStatement());
  counts.named = Scalar(file, QStringLiteral("select count(*) from customer where Cust_name "
                                             "is not null"));
  return counts;
}

std::unique_ptr<QApplication> StartApplication(int& argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  auto app = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel"));
  QApplication::setQuitOnLastWindowClosed(false);
  return app;
}

void UnloadWindows() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<Form*>(widget); form && form->IsLoaded()) form->Unload();
  Reap();
  ReleaseDataObjects();
}

void CatchMessages(Messages& messages) {
  SetMsgBoxHook([&](const QString& text) {
    messages.last = text;
    ++messages.count;
  });
  SetFatalHandler([&](int status) {
    Fail(QStringLiteral("the program ended with status %1 after the message: %2")
             .arg(status)
             .arg(messages.last));
  });
  SetEndHandler([] {});
}

void Press(frmCust* window, const char* key) {
  QAction* button = window->Toolbar1->Buttons(QLatin1String(key));
  Check(button && button->isEnabled(), QStringLiteral("button %1 enabled").arg(key));
  window->Toolbar1->Press(QLatin1String(key));
}

void Settle() {
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
}

void Reap() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TimeAction(Measure& measure, const std::function<void()>& action) {
  const double handler = TimeMs(action);
  const double settle = TimeMs(Settle);
  measure.window.Add(handler);
  measure.withPaint.Add(handler + settle);
}

namespace {

// The resident set now and its peak so far, in MB, from /proc/self/status.
QString Memory() {
  QFile status(QStringLiteral("/proc/self/status"));
  QString now, peak;
  if (status.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : status.readAll().split('\n')) {
      const QList<QByteArray> parts = line.simplified().split(' ');
      if (parts.size() < 2) continue;
      const QString mb = QString::number(parts[1].toDouble() / 1024.0, 'f', 1);
      if (parts[0] == "VmRSS:") now = mb;
      if (parts[0] == "VmHWM:") peak = mb;
    }
  }
  return QStringLiteral("resident %1 MB, peak %2 MB").arg(now, peak);
}

}  // namespace

QString LoadAverage() {
  QFile load(QStringLiteral("/proc/loadavg"));
  if (!load.open(QIODevice::ReadOnly)) return QStringLiteral("?");
  const QList<QByteArray> parts = load.readAll().split(' ');
  return parts.size() < 3 ? QStringLiteral("?")
                          : QString::fromLatin1(parts[0] + ' ' + parts[1] + ' ' + parts[2]);
}

void Phase(const char* what) {
  std::printf("%s (%s)\n", what, qPrintable(Memory()));
  std::fflush(stdout);
}

frmSearch* OpenSearch(frmCust* cust) {
  Press(cust, "search");
  Settle();
  frmSearch* search = Loaded<frmSearch>();
  Check(search != nullptr, QStringLiteral("the search window is open"));
  return search;
}

void RunSearch(frmSearch* search, Measure& measure, const QString& name, int expected) {
  search->txtCustname->setText(name);
  TimeAction(measure, [&] { search->cmdStart->click(); });
  frmSearchResult* result = Loaded<frmSearchResult>();
  Check(result && ResultCount == expected && result->lblTotal->text() == QString::number(expected),
        QStringLiteral("the search found %1 (got %2)").arg(expected).arg(ResultCount));
}

void BackToSearch(frmSearch* search) {
  Loaded<frmSearchResult>()->cmdExit->click();
  search->Command1->click();  // Reset
  Settle();
  Reap();
}

void WarmUpSearch(frmSearch* search, int named) {
  Measure warmUp{QStringLiteral("warm-up")};
  RunSearch(search, warmUp, QStringLiteral("NA"), named);
  BackToSearch(search);
}

void MeasureNavigation(const Options& options, frmCust* cust, CommonMeasures& m, int customers,
                       ReadFloor* floor) {
  Press(cust, "first");
  Settle();
  if (floor) floor->ToFirst();
  const int steps = qMin(Runs(options, 1000), customers - 1);
  for (int i = 0; i < steps; ++i) {
    TimeAction(m.next, [&] { Press(cust, "next"); });
    if (floor) m.next.floor.Add(floor->Next());
  }
  const QString reached = KeyAt(steps + 1, customers);
  Check(cust->txtCID->text() == reached && (!floor || floor->Key() == reached),
        QStringLiteral("\"next\" reached customer %1").arg(steps + 1));
  for (int i = 0; i < Runs(options, 50); ++i) {
    TimeAction(m.last, [&] { Press(cust, "last"); });
    if (floor) m.last.floor.Add(floor->Last());
    TimeAction(m.first, [&] { Press(cust, "first"); });
    if (floor) m.first.floor.Add(floor->First());
  }
}

void MeasureShow40(const Options& options, frmCust* cust, Measure& show40,
                   const BenchDatabase& plan, ReadFloor* floor) {
  for (int i = 0; i < Runs(options, 200); ++i) {
    Press(cust, "first");
    Settle();
    TimeAction(show40, [&] { Press(cust, "next"); });
    Check(cust->txtCID->text() == plan.key40 && cust->msfgContact->Rows() == 18 + 2 &&
              cust->msfgInsurlife->Rows() == 10 + 2,
          QStringLiteral("the customer with 40 list rows is shown"));
    if (!floor) continue;
    floor->ToFirst();
    show40.floor.Add(floor->Next());
    Check(floor->Key() == plan.key40, QStringLiteral("the floor shows the customer with 40 rows"));
  }
}

void ShowCustomer20(frmCust* cust, const BenchDatabase& plan) {
  Press(cust, "first");
  for (int i = 1; i < plan.position20; ++i) Press(cust, "next");
  Settle();
  Check(cust->txtCID->text() == plan.key20, QStringLiteral("the customer with 20 rows is shown"));
}

void MeasureModifySave(const Options& options, frmCust* cust, Measure& save20,
                       const BenchDatabase& plan, SaveFloor& floor, Messages& messages) {
  floor.ReadForSave(CustomerSet->Bookmark());
  for (int i = 0; i < Runs(options, 100); ++i) {
    messages.count = 0;
    TimeAction(save20, [&] {
      Press(cust, "modify");
      Press(cust, "save");
    });
    Check(messages.count == 1 && messages.last == QStringLiteral("Finish"),
          QStringLiteral("the save reported Finish (got: %1)").arg(messages.last));
    save20.floor.Add(floor.ModifySave());
    // The floor rewrote the customer through a connection of its own, as another program does:
    // the window shows it afresh (away and back) before its next modify, or that save would
    // rightly be refused.
    Press(cust, "previous");
    Press(cust, "next");
  }
  Check(floor.ListRows(plan.key20) == 20,
        QStringLiteral("the saved customer still has 20 list rows"));
}

void MeasureSearches(const Options& options, frmSearch* search, CommonMeasures& m, int named,
                     const BenchDatabase& plan, SearchFloor* floor) {
  for (int i = 0; i < Runs(options, 10); ++i) {
    RunSearch(search, m.searchAll, QStringLiteral("NA"), named);
    BackToSearch(search);
    if (floor) m.searchAll.floor.Add(floor->All());
  }
  for (int i = 0; i < Runs(options, 30); ++i) {
    RunSearch(search, m.searchFew, plan.nameFragment, plan.fragmentMatches);
    BackToSearch(search);
    if (floor) m.searchFew.floor.Add(floor->Few());
  }
}
