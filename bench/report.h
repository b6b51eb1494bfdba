#pragma once

#include <QString>
#include <QVector>

#include "bench/harness.h"
#include "bench/launcher.h"
#include "bench/stats.h"

// The tables and targets the benchmark prints (Markdown tables, as docs/performance.md shows them).

// Milliseconds with two, one or no decimals, by size.
QString Ms(double ms);
// "met" or "MISSED".
QString Verdict(bool met);
// A target that is a ratio measured in this run: "what: value / base ms = r (<= limit) -> met".
void PrintRatio(const char* what, double value, double base, double limit);

// What the file run measured. `measures` is in MeasureId order.
struct FileResults {
  QVector<Measure*> measures;
  int customers = 0;
  bool floors = true;   // the floors were taken
  bool process = true;  // the whole process was measured
  QString loadBefore, loadAfter, loadEnd;
  double peakMb = 0;        // this process, the windows' run
  double floorsPeakMb = 0;  // the floors' process
  // The qel binary started afresh: on an empty qel.db, on the database, with an all-open
  // search, and the first open without the CID indexes beside the raw "create index".
  ProcessRuns onEmpty, onFile, withSearch, unindexed;
  Samples indexesRaw;
};
// Prints the file run's tables and targets. Gives the runs of qel that failed.
int PrintFileReport(const FileResults& results);

// What the server run measured.
struct ServerResults {
  const CommonMeasures* measures = nullptr;
  int customers = 0;
  // psql's second run of each search statement in its session.
  Samples searchAllWarm, searchFewWarm;
  // The opening of a connection as the program does it.
  Samples opening;
  QString loadBefore, loadAfter;
};
// Prints the server run's table and targets.
void PrintServerReport(const ServerResults& results);
