#include "bench/schedule.h"

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <cstdio>

#include "bench/stats.h"
#include "ui/program/module1.h"
#include "ui/schedule/frmschedule.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"

namespace {

// The statements the schedule runs, read through QSqlQuery without any work on the values.
qint64 RawRead(const QString& file) {
  qint64 cells = 0;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
    db.setDatabaseName(file);
    if (!db.open()) return -1;
    for (const char* sql :
         {"select CID, Insur_anniver, Insur_buydate, Insur_company, Insur_type, Insur_num from "
          "insurance",
          "select CID, Cust_birthyear, Cust_birthmonth, Cust_birthday, Cust_name, Cust_telhome, "
          "Cust_cellphone from customer"}) {
      QSqlQuery query(db);
      query.setForwardOnly(true);
      if (!query.exec(QLatin1String(sql))) return -1;
      const int columns = query.record().count();
      while (query.next()) {
        for (int column = 0; column < columns; ++column)
          cells += query.value(column).toString().size() >= 0;
      }
    }
  }
  QSqlDatabase::removeDatabase(QStringLiteral("raw"));
  return cells;
}

// CPU time of this process (user + system) in milliseconds: steadier than the wall clock on a
// machine shared with other work.
double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Times `work` on the wall clock and in CPU time.
template <typename F>
void Time(Samples& wall, Samples& cpu, F&& work) {
  const double start = CpuMs();
  wall.Add(TimeMs(work));
  cpu.Add(CpuMs() - start);
}

double PeakMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int RunScheduleBench(const QString& dir, int runs, int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QDir::setCurrent(dir);
  SetEndHandler([] {});
  SetFatalHandler([](int status) {
    std::fprintf(stderr, "qel_bench: the schedule ended the program (status %d)\n", status);
    std::_Exit(3);
  });
  const QString file = QDir(dir).filePath(kDatabaseFile);

  Samples window, raw, windowCpu, rawCpu;
  qint64 cells = 0;
  std::size_t lines = 0, unreadable = 0;
  const double peakBefore = PeakMb();
  for (int i = 0; i < runs; ++i) {
    Time(raw, rawCpu, [&] { cells = RawRead(file); });
    Time(window, windowCpu, [&] {
      Guard([] { Show<frmSchedule>(); });
      QCoreApplication::processEvents();
    });
    frmSchedule* schedule = Loaded<frmSchedule>();
    if (!schedule || cells < 0) {
      std::fprintf(stderr, "qel_bench: the schedule or the raw read failed\n");
      return 3;
    }
    lines = schedule->Shown().lines.size();
    unreadable = schedule->Shown().unreadable.size();
    schedule->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  const double ratio = window.Median() / raw.Median();
  std::printf(
      "Schedule, 30 days from %s, %d runs each:\n"
      "  raw SQL reading the same columns (%lld cells): p50 %.0f ms, p99 %.0f ms, "
      "CPU p50 %.0f ms\n"
      "  schedule window opened to its lines shown:     p50 %.0f ms, p99 %.0f ms, "
      "CPU p50 %.0f ms\n"
      "  CPU time ratio %.2f x\n"
      "  lines listed %zu, unreadable dates %zu\n"
      "  peak resident set %.1f MB before the first run, %.1f MB after the last\n"
      "  schedule <= 1.5 x raw SQL: %.2f x -> %s\n",
      qPrintable(frmSchedule::Today().toString(Qt::ISODate)), runs, cells, raw.Median(), raw.P99(),
      rawCpu.Median(), window.Median(), window.P99(), windowCpu.Median(),
      windowCpu.Median() / rawCpu.Median(), lines, unreadable, peakBefore, PeakMb(), ratio,
      ratio <= 1.5 ? "met" : "MISSED");
  return ratio <= 1.5 ? 0 : 1;
}
