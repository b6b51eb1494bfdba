// The benchmark program: makes a database of an agency's size, drives the real windows
// offscreen in this process, and prints for each command the median and 99th percentile beside
// the least raw SQL that gives the agent the same effect (the floor). The generator and the
// floors run in child processes first, so the peak memory of this process is that of the
// windows alone. Whole-process figures come from the qel binary itself, started afresh.
//
// The command line is in bench/options.h; the runs are in bench/filerun.h (the windows on the
// file), bench/serverrun.h (--postgres), bench/export.h, bench/schedule.h, bench/findrun.h and
// bench/transfer.h.

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <optional>

#include "bench/children.h"
#include "bench/export.h"
#include "bench/filerun.h"
#include "bench/findrun.h"
#include "bench/harness.h"
#include "bench/history.h"
#include "bench/launcher.h"
#include "bench/loadrun.h"
#include "bench/options.h"
#include "bench/schedule.h"
#include "bench/serverrun.h"
#include "bench/transfer.h"
#include "ui/program/module1.h"

int main(int argc, char** argv) {
  if (argc > 1 && !std::strcmp(argv[1], "--import-csv")) return ImportCsvBenchmark(argc, argv);
  if (argc > 1 && !std::strcmp(argv[1], "--load-client")) return RunLoadClient(argc, argv);
  const Options options = Parse(argc, argv);
  // First, while this process is still small.
  Launcher launcher;
  if (options.process && !options.generateOnly && !options.postgres && !options.agents &&
      !options.find && !options.history)
    launcher.Start();

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

  if (options.agents) return RunLoadBench(options, file, argc, argv);
  if (options.exportOnly) return RunExportBench(file, dir, Runs(options, 3));
  if (options.schedule) return RunScheduleBench(dir, Runs(options, 10), argc, argv);
  if (options.find) return RunFindBench(options, file, argc, argv);
  if (options.history) return RunHistoryBench(options, file, argc, argv);
  if (options.postgres) return RunServerBench(options, file, argc, argv);
  return RunFileBench(options, file, dir, launcher, argc, argv);
}
