#include "bench/export.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>

#include "bench/stats.h"
#include "data/schema.h"

namespace {

struct Run {
  double ms = 0;
  double cpuMs = 0;  // user + system
  double peakMb = 0;
  bool ok = false;
};

// Runs a program to its end, its standard input from `input` (empty: none), its output
// discarded; the wall time and the peak resident memory of the process.
Run RunProcess(const QStringList& command, const QString& workingDir, const QByteArray& input) {
  const QString inputFile = QDir(workingDir).filePath(QStringLiteral("bench-input.txt"));
  QFile in(inputFile);
  if (!in.open(QIODevice::WriteOnly) || in.write(input) != input.size()) return {};
  in.close();
  std::fflush(stdout);
  QElapsedTimer timer;
  timer.start();
  const pid_t child = fork();
  if (child < 0) return {};
  if (child == 0) {
    if (::chdir(QFile::encodeName(workingDir).constData()) != 0) _exit(126);
    if (!freopen(QFile::encodeName(inputFile).constData(), "r", stdin)) _exit(126);
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
    QList<QByteArray> arguments;
    for (const QString& part : command) arguments << QFile::encodeName(part);
    std::vector<char*> argv;
    for (QByteArray& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) return {};
  Run run;
  run.ms = double(timer.nsecsElapsed()) / 1e6;
  run.peakMb = double(usage.ru_maxrss) / 1024.0;
  run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

QByteArray ShellScript(const QString& folder) {
  QByteArray script = ".headers on\n.mode csv\n";
  for (const TableLayout& table : Tables()) {
    script += ".output " + QFile::encodeName(QDir(folder).filePath(table.name + ".csv")) + "\n";
    script += "select * from " + table.name.toUtf8() + ";\n";
  }
  return script + ".output stdout\n";
}

qint64 FolderBytes(const QString& folder) {
  qint64 bytes = 0;
  for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) bytes += info.size();
  return bytes;
}

}  // namespace

int RunExportBench(const QString& file, const QString& dir, int runs) {
  const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
  if (shell.isEmpty()) {
    std::fprintf(stderr, "qel_bench: the sqlite3 shell is needed for the export measure\n");
    return 3;
  }
  const QString qelOut = QDir(dir).filePath(QStringLiteral("export-qel"));
  const QString shellOut = QDir(dir).filePath(QStringLiteral("export-sqlite3"));
  QDir().mkpath(shellOut);
  Samples qel, sqlite, qelCpu, sqliteCpu;
  double qelPeak = 0, sqlitePeak = 0;
  // Alternating, so both see the same state of the machine and of the page cache.
  for (int i = 0; i < runs; ++i) {
    const Run ours =
        RunProcess({QStringLiteral(QEL_BINARY), QStringLiteral("--export"), qelOut}, dir, {});
    const Run theirs = RunProcess({shell, file}, dir, ShellScript(shellOut));
    if (!ours.ok || !theirs.ok) {
      std::fprintf(stderr, "qel_bench: an export run failed (qel %d, sqlite3 %d)\n", ours.ok,
                   theirs.ok);
      return 3;
    }
    qel.Add(ours.ms);
    sqlite.Add(theirs.ms);
    qelCpu.Add(ours.cpuMs);
    sqliteCpu.Add(theirs.cpuMs);
    qelPeak = std::max(qelPeak, ours.peakMb);
    sqlitePeak = std::max(sqlitePeak, theirs.peakMb);
  }
  const QString database = QDir(dir).filePath(QStringLiteral("qel.db"));
  std::printf("\nExport of %s (%.1f MB), median of %d runs each:\n", qPrintable(file),
              double(QFileInfo(database).size()) / 1e6, runs);
  std::printf(
      "  qel --export (5 CSV files + customers.vcf, %.1f MB): wall %6.0f ms, CPU %6.0f ms, "
      "peak RSS %.1f MB\n",
      double(FolderBytes(qelOut)) / 1e6, qel.Median(), qelCpu.Median(), qelPeak);
  std::printf(
      "  sqlite3 .mode csv (5 CSV files, %.1f MB):          wall %6.0f ms, CPU %6.0f ms, "
      "peak RSS %.1f MB\n",
      double(FolderBytes(shellOut)) / 1e6, sqlite.Median(), sqliteCpu.Median(), sqlitePeak);
  const double ratio = qel.Median() / sqlite.Median();
  const double cpuRatio = qelCpu.Median() / sqliteCpu.Median();
  std::printf("  ratio wall %.2f, CPU %.2f (target <= 1.50): %s\n", ratio, cpuRatio,
              ratio <= 1.5 ? "met" : "MISSED");
  return 0;
}
