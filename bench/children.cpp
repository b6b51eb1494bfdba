#include "bench/children.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "bench/floors.h"
#include "bench/generate.h"
#include "bench/harness.h"

void GenerateInChild(const Options& options, const QString& file, int argc, char** argv) {
  std::fflush(stdout);
  QElapsedTimer timer;
  timer.start();
  const pid_t child = fork();
  if (child < 0) Fail(QStringLiteral("fork failed"));
  if (child == 0) {
    int code = 0;
    // The generator makes a file, also when the run goes on to a server.
    qunsetenv("QEL_DATABASE");
    try {
      QCoreApplication app(argc, argv);
      const BenchDatabase made = GenerateDatabase(file, options.customers, options.seed);
      std::printf(
          "Generated %d customers and %lld list rows (family %lld, insurance %lld, "
          "compensate %lld, contact %lld)\n",
          made.customers, made.ListRows(), made.familyRows, made.insuranceRows, made.compensateRows,
          made.contactRows);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "generator: %s\n", error.what());
      code = 1;
    }
    std::fflush(stdout);
    std::_Exit(code);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    Fail(QStringLiteral("the generator failed"));
  std::printf("Generation took %.1f s (peak RSS of the generator %.0f MB)\n",
              double(timer.elapsed()) / 1000.0, MaxRssMb(usage));
}

double FloorsInChild(const Options& options, const QString& file, QVector<Measure*>& measures,
                     int argc, char** argv) {
  std::fflush(stdout);
  int channel[2];
  if (pipe(channel) != 0) Fail(QStringLiteral("pipe failed"));
  const pid_t child = fork();
  if (child < 0) Fail(QStringLiteral("fork failed"));
  if (child == 0) {
    close(channel[0]);
    std::FILE* out = fdopen(channel[1], "w");
    int code = 0;
    try {
      QCoreApplication app(argc, argv);
      FloorPlan plan;
      const int customers = Scalar(file, QStringLiteral("select count(*) from customer"));
      plan.database = PlanDatabase(file, customers);
      plan.named = Scalar(file, QStringLiteral("select count(*) from customer where Cust_name "
                                               "is not null"));
      plan.runsScale = options.runsScale;
      RunFloors(plan, out);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "floors: %s\n", error.what());
      code = 1;
    }
    std::fclose(out);
    std::fflush(stderr);
    std::_Exit(code);
  }
  close(channel[1]);
  // Read everything before waiting: the samples are more than a pipe holds.
  QByteArray samples;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(channel[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    samples.append(buffer, got);
  }
  close(channel[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    Fail(QStringLiteral("the floors' run failed"));
  for (const QByteArray& line : samples.split('\n')) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3) continue;
    bool idOk = false, msOk = false;
    const int id = parts[0].toInt(&idOk);
    const double ms = parts[2].toDouble(&msOk);
    if (!idOk || !msOk || id < 0 || id >= measures.size() || parts[1] != "f")
      Fail(QStringLiteral("bad floor sample: %1").arg(QString::fromLatin1(line)));
    measures[id]->floor.Add(ms);
  }
  return MaxRssMb(usage);
}
