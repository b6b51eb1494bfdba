#include "bench/transfer.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <optional>

#include "bench/generate.h"
#include "bench/pgserver.h"
#include "bench/stats.h"
#include "data/connection.h"
#include "data/schema.h"
#include "ui/program/module1.h"

namespace {

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;  // user + system: what a busy machine does not inflate
  double peakMb = 0;
};

double Seconds(const timeval& time) {
  return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

[[noreturn]] void Die(const QString& what) {
  std::fprintf(stderr, "qel_bench: %s\n", qPrintable(what));
  std::exit(3);
}

// Runs a program in a folder, its output to a file; the wall time and the peak memory.
Run RunChild(const QString& folder, const QStringList& command, const QString& outputFile) {
  std::fflush(stdout);
  QElapsedTimer timer;
  timer.start();
  const pid_t child = fork();
  if (child < 0) Die(QStringLiteral("fork failed"));
  if (child == 0) {
    if (::chdir(QFile::encodeName(folder).constData()) != 0) std::_Exit(126);
    if (!outputFile.isEmpty() &&
        !std::freopen(QFile::encodeName(outputFile).constData(), "w", stdout))
      std::_Exit(126);
    std::vector<QByteArray> args;
    for (const QString& arg : command) args.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    Die(QStringLiteral("%1 failed").arg(command.join(QLatin1Char(' '))));
  return {double(timer.nsecsElapsed()) / 1e9, Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
          double(usage.ru_maxrss) / 1024.0};
}

// An empty qel.db with the program's five tables and indexes.
void CreateEmpty(const QString& file) {
  QFile::remove(file);
  Connection connection;
  OpenDatabase(connection, file);
}

// The same CSV files onto a server: psql's \copy of the five files in one transaction (the rows
// as they stand, the list tables' row numbers too) against qel --import with QEL_DATABASE set,
// each into the five empty tables of a throwaway cluster, both as child processes. The CPU time
// is the client's only: the server does its share in processes of its own.
int ImportServerRuns(const QString& dir, const QString& source, int runs) {
  const QString cluster = QStringLiteral("/tmp/qel-bench-pg-%1").arg(getpid());
  QString conninfo;
  try {
    StartCluster(cluster);
    PgLink(QStringLiteral("host=%1 user=qel dbname=postgres").arg(cluster))
        .Exec(QStringLiteral("create database bench"));
    conninfo = QStringLiteral("host=%1 user=qel dbname=bench").arg(cluster);
    qputenv("QEL_DATABASE", conninfo.toUtf8());
    const auto empty = [&] {
      PgLink(conninfo).Exec(QStringLiteral(
          "drop table if exists customer, family, insurance, compensate, contact, history"));
      Connection connection;
      OpenDatabase(connection, QString());
    };
    QStringList copy{"psql", conninfo, "-q", "-v", "ON_ERROR_STOP=1", "--single-transaction"};
    for (const TableLayout& table : Tables()) {
      const QString into = table.name == QLatin1String("customer")
                               ? QStringLiteral("customer (%1)").arg(table.columns.join(u','))
                               : table.name;
      copy << "-c"
           << QStringLiteral("\\copy %1 from '%2/%3.csv' with (format csv, header true)")
                  .arg(into, source, table.name);
    }
    Samples wall, qel;
    for (int run = 0; run < runs; ++run) {
      empty();
      const Run psql = RunChild(dir, copy, QStringLiteral("/dev/null"));
      empty();
      const Run imported = RunChild(dir, {QStringLiteral(QEL_BINARY), "--import", source},
                                    QStringLiteral("/dev/null"));
      wall.Add(psql.seconds * 1000);
      qel.Add(imported.seconds * 1000);
      std::printf("run %d: psql \\copy %.2f s, qel --import %.2f s (CPU %.2f s)\n", run + 1,
                  psql.seconds, imported.seconds, imported.cpuSeconds);
    }
    std::printf("median wall clock: psql \\copy %.2f s, qel --import %.2f s: %.2f x\n",
                wall.Median() / 1000, qel.Median() / 1000, qel.Median() / wall.Median());
  } catch (const std::exception& error) {
    StopCluster();
    Die(QString::fromUtf8(error.what()));
  }
  StopCluster();
  return 0;
}

}  // namespace

int ImportCsvBenchmark(int argc, char** argv) {
  int customers = 100000;
  int runs = 3;
  bool postgres = false;
  QString dir;
  for (int i = 2; i < argc; i += 2) {
    if (!std::strcmp(argv[i], "--postgres")) {
      postgres = true;
      --i;  // a flag without a value
    } else if (i + 1 < argc && !std::strcmp(argv[i], "--customers"))
      customers = std::atoi(argv[i + 1]);
    else if (i + 1 < argc && !std::strcmp(argv[i], "--dir"))
      dir = QString::fromLocal8Bit(argv[i + 1]);
    else if (i + 1 < argc && !std::strcmp(argv[i], "--runs"))
      runs = std::atoi(argv[i + 1]);
    else
      Die(
          QStringLiteral("usage: qel_bench --import-csv [--postgres] [--customers N] [--dir "
                         "FOLDER] [--runs R]"));
  }
  QCoreApplication app(argc, argv);
  std::optional<QTemporaryDir> temporary;
  if (dir.isEmpty()) {
    temporary.emplace(QDir::temp().filePath(QStringLiteral("qel-bench-import-XXXXXX")));
    dir = temporary->path();
  }
  dir = QFileInfo(dir).absoluteFilePath();
  const QString source = dir + QStringLiteral("/csv");
  if (!QFileInfo::exists(source + QStringLiteral("/contact.csv"))) {
    // The files are the generator's card index as the sqlite3 shell writes CSV: header row,
    // every column (list rows with their row numbers, which the import leaves to the database).
    QDir().mkpath(source);
    const QString generated = dir + QStringLiteral("/generated.db");
    QFile::remove(generated);
    std::printf("Generating %d customers...\n", customers);
    const BenchDatabase made = GenerateDatabase(generated, customers, 20261206);
    std::printf("%d customers, %lld list rows\n", made.customers, made.ListRows());
    for (const TableLayout& table : Tables()) {
      RunChild(dir, {"sqlite3", "-csv", "-header", generated, "select * from " + table.name},
               source + QLatin1Char('/') + table.name + QStringLiteral(".csv"));
    }
    QFile::remove(generated);
  }
  qint64 bytes = 0;
  for (const TableLayout& table : Tables())
    bytes += QFileInfo(source + QLatin1Char('/') + table.name + QStringLiteral(".csv")).size();
  std::printf("CSV files: %.1f MB in %s\n", double(bytes) / 1e6, qPrintable(source));

  if (postgres) return ImportServerRuns(dir, source, runs);
  Samples shell, qel, shellCpu, qelCpu;
  double shellPeak = 0, qelPeak = 0;
  const QString target = dir + QStringLiteral("/target");
  QDir().mkpath(target);
  const QString db = target + QLatin1Char('/') + kDatabaseFile;
  for (int run = 0; run < runs; ++run) {
    // sqlite3: the same files into the same empty tables (with their CID indexes).
    CreateEmpty(db);
    QStringList command{"sqlite3", db, "-cmd", ".mode csv"};
    for (const TableLayout& table : Tables())
      command << "-cmd" << QStringLiteral(".import --skip 1 %1/%2.csv %2").arg(source, table.name);
    command << ".exit";
    const Run sqlite = RunChild(target, command, QString());
    shell.Add(sqlite.seconds * 1000);
    shellCpu.Add(sqlite.cpuSeconds * 1000);
    shellPeak = std::max(shellPeak, sqlite.peakMb);
    // qel --import into a folder without a database, as an agent starts out.
    QFile::remove(db);
    const Run imported =
        RunChild(target, {QStringLiteral(QEL_BINARY), "--import", source}, QString());
    qel.Add(imported.seconds * 1000);
    qelCpu.Add(imported.cpuSeconds * 1000);
    qelPeak = std::max(qelPeak, imported.peakMb);
    std::printf("run %d: sqlite3 .import %.2f s (CPU %.2f s), qel --import %.2f s (CPU %.2f s)\n",
                run + 1, sqlite.seconds, sqlite.cpuSeconds, imported.seconds, imported.cpuSeconds);
  }
  std::printf("median wall clock: sqlite3 .import %.2f s, qel --import %.2f s: %.2f x\n",
              shell.Median() / 1000, qel.Median() / 1000, qel.Median() / shell.Median());
  std::printf("median CPU time:   sqlite3 .import %.2f s, qel --import %.2f s: %.2f x\n",
              shellCpu.Median() / 1000, qelCpu.Median() / 1000,
              qelCpu.Median() / shellCpu.Median());
  std::printf("peak memory: sqlite3 %.0f MB, qel %.0f MB\n", shellPeak, qelPeak);
  return 0;
}
