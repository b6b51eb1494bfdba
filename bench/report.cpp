#include "bench/report.h"

#include <cstdio>

#include "bench/floors.h"

QString Ms(double ms) {
  return ms >= 100  ? QString::number(ms, 'f', 0)
         : ms >= 10 ? QString::number(ms, 'f', 1)
                    : QString::number(ms, 'f', 2);
}

QString Verdict(bool met) {
  return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

void PrintRatio(const char* what, double value, double base, double limit) {
  const double r = value / base;
  std::printf("  %s: %s / %s ms = %.2f (<= %.2f) -> %s\n", what, qPrintable(Ms(value)),
              qPrintable(Ms(base)), r, limit, qPrintable(Verdict(r <= limit)));
}

namespace {

void PrintTable(const QVector<Measure*>& measures) {
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

void PrintProcess(const char* what, const ProcessRuns& runs) {
  std::printf("| %s | %d | %s | %s | %.1f |\n", what, runs.wall.Count(),
              qPrintable(Ms(runs.wall.Median())), qPrintable(Ms(runs.wall.P99())), runs.peakMb);
  if (runs.failed > 0)
    std::printf("ERROR: %d of %d runs of qel (%s) did not end with status 0 (last: %s)\n",
                runs.failed, runs.wall.Count(), what, qPrintable(runs.failure));
}

}  // namespace

int PrintFileReport(const FileResults& r) {
  PrintTable(r.measures);
  std::printf(
      "\nLoad average (1, 5, 15 min; other work on the machine skews p99): %s before the "
      "windows, %s after them, %s at the end\n",
      qPrintable(r.loadBefore), qPrintable(r.loadAfter), qPrintable(r.loadEnd));
  std::printf("\nPeak resident set of this process (the windows' run): %.1f MB\n", r.peakMb);
  if (r.floors) std::printf("Peak resident set of the floors' process: %.1f MB\n", r.floorsPeakMb);
  int processFailures = 0;
  if (r.process) {
    std::printf(
        "\n| Whole process (qel started afresh) | runs | p50 ms | p99 ms | peak RSS MB |\n"
        "|---|---:|---:|---:|---:|\n");
    PrintProcess("to first customer, empty qel.db (reference)", r.onEmpty);
    PrintProcess("to first customer, this database", r.onFile);
    PrintProcess("all-open search to the result window", r.withSearch);
    PrintProcess("first open without the CID indexes (adds them)", r.unindexed);
    std::printf("| the five \"create index\" statements alone, raw | %d | %s | %s | – |\n",
                r.indexesRaw.Count(), qPrintable(Ms(r.indexesRaw.Median())),
                qPrintable(Ms(r.indexesRaw.P99())));
    processFailures = r.onEmpty.failed + r.onFile.failed + r.withSearch.failed + r.unindexed.failed;
  }

  // The targets, each a ratio measured in this run.
  const Measure& next = *r.measures[kNext];
  const Measure& back = *r.measures[kBack];
  const Measure& save20 = *r.measures[kSave20];
  const Measure& newSave = *r.measures[kNewSave];
  const Measure& remove = *r.measures[kRemove];
  const Measure& searchAll = *r.measures[kSearchAll];
  const Measure& searchFew = *r.measures[kSearchFew];
  std::printf("\nTargets at %d customers:\n", r.customers);
  if (r.process) {
    PrintRatio("whole process to first customer / same on an empty qel.db", r.onFile.wall.Median(),
               r.onEmpty.wall.Median(), 1.3);
    std::printf("  whole process to first customer <= 200 ms: %s ms -> %s\n",
                qPrintable(Ms(r.onFile.wall.Median())),
                qPrintable(Verdict(r.onFile.wall.Median() <= 200)));
    PrintRatio("back to the customer window / whole-process start on an empty qel.db",
               back.window.Median(), r.onEmpty.wall.Median(), 1.3);
    std::printf("  peak memory, whole process, after an all-open search <= 100 MB: %.1f MB -> %s\n",
                r.withSearch.peakMb, qPrintable(Verdict(r.withSearch.peakMb <= 100)));
    PrintRatio("first open without indexes / the five create index statements raw",
               r.unindexed.wall.Median(), r.indexesRaw.Median(), 1.2);
  }
  std::printf("  navigation step p50 <= 1 ms / p99 <= 5 ms: %s / %s ms -> %s\n",
              qPrintable(Ms(next.window.Median())), qPrintable(Ms(next.window.P99())),
              qPrintable(Verdict(next.window.Median() <= 1 && next.window.P99() <= 5)));
  if (r.floors) {
    PrintRatio("modify + save of 20 list rows / raw writes", save20.window.Median(),
               save20.floor.Median(), 2);
    PrintRatio("new + save / raw write", newSave.window.Median(), newSave.floor.Median(), 2);
    PrintRatio("delete / raw writes and first display", remove.window.Median(),
               remove.floor.Median(), 2);
    PrintRatio("all-open search / raw statement reading every key", searchAll.window.Median(),
               searchAll.floor.Median(), 1.3);
    PrintRatio("selective search / raw statement", searchFew.window.Median(),
               searchFew.floor.Median(), 1.3);
  }
  std::printf(
      "  peak memory of the benchmark run (the windows; a 100,000-customer target) <= 80 MB: "
      "%.1f MB -> %s\n",
      r.peakMb, qPrintable(Verdict(r.peakMb <= 80)));
  return processFailures;
}

namespace {

// One row of the server's table: the measure, how its floor was taken, and its target.
struct ServerRow {
  const Measure* measure;
  const char* floor;
  const char* target;
};

}  // namespace

void PrintServerReport(const ServerResults& r) {
  const CommonMeasures& m = *r.measures;
  // The floors, as the table names them (docs/performance.md says what each runs).
  const char* rawRead = "libpq, prepared";
  const char* rawSave = "libpq, prepared, 1 transaction";
  const char* psqlTime = "psql `\\timing`";
  const ServerRow rows[] = {{&m.next, rawRead, "p50 ≤ 2 ms"},   {&m.last, rawRead, "–"},
                            {&m.first, rawRead, "–"},           {&m.show40, rawRead, "–"},
                            {&m.save20, rawSave, "≤ 2 ×"},      {&m.searchAll, psqlTime, "≤ 1.5 ×"},
                            {&m.searchFew, psqlTime, "≤ 1.5 ×"}};
  std::printf(
      "\n| Operation | runs | Qel p50 ms | Qel p99 ms | p50 incl. repaint | floor p50 ms | floor "
      "p99 ms | floor | Qel / floor (p50) | target |\n"
      "|---|---:|---:|---:|---:|---:|---:|---|---:|---|\n");
  for (const ServerRow& row : rows) {
    const Measure& measure = *row.measure;
    std::printf("| %s | %d | %s | %s | %s | %s | %s | %s | %.2f | %s |\n", qPrintable(measure.name),
                measure.window.Count(), qPrintable(Ms(measure.window.Median())),
                qPrintable(Ms(measure.window.P99())), qPrintable(Ms(measure.withPaint.Median())),
                qPrintable(Ms(measure.floor.Median())), qPrintable(Ms(measure.floor.P99())),
                row.floor, measure.window.Median() / measure.floor.Median(), row.target);
  }
  std::printf(
      "\npsql's second run of the statement in the same session: all-open p50 %s ms, selective "
      "p50 %s ms\n",
      qPrintable(Ms(r.searchAllWarm.Median())), qPrintable(Ms(r.searchFewWarm.Median())));
  std::printf(
      "Opening a connection as the program does (connect, session settings, the tables' "
      "checks), which the search window does once and keeps: p50 %s ms, p99 %s ms\n",
      qPrintable(Ms(r.opening.Median())), qPrintable(Ms(r.opening.P99())));
  std::printf("Load average (1, 5, 15 min): %s before the windows, %s after them\n",
              qPrintable(r.loadBefore), qPrintable(r.loadAfter));

  std::printf("\nTargets on the server at %d customers:\n", r.customers);
  std::printf("  navigation step p50 <= 2 ms: %s ms -> %s\n",
              qPrintable(Ms(m.next.window.Median())),
              qPrintable(Verdict(m.next.window.Median() <= 2)));
  PrintRatio("modify + save of 20 list rows / raw writes", m.save20.window.Median(),
             m.save20.floor.Median(), 2);
  PrintRatio("all-open search / the statement in psql", m.searchAll.window.Median(),
             m.searchAll.floor.Median(), 1.5);
  PrintRatio("selective search / the statement in psql", m.searchFew.window.Median(),
             m.searchFew.floor.Median(), 1.5);
}
