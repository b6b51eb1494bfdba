#include "bench/options.h"

#include <cstdio>
#include <cstdlib>

#include "bench/stats.h"

namespace {

[[noreturn]] void Usage() {
  std::fprintf(
      stderr,
      "usage: qel_bench [--customers N | --million] [--generate-only] [--dir FOLDER] "
      "[--seed S] [--runs-scale F] "
      "[--no-process] [--no-floors] [--export] [--schedule] [--find [--keep-index]] [--history] "
      "[--postgres] "
      "[--agents N [--seconds S]]\n"
      "  --customers N   customers to generate (default 100000)\n"
      "  --million       the same as --customers 1000000\n"
      "  --generate-only make the database in --dir and end\n"
      "  --dir FOLDER    keep the database in FOLDER (made once, reused by later runs)\n"
      "  --seed S        seed of the generator (default 20261206)\n"
      "  --runs-scale F  multiply every repetition count by F (default 1)\n"
      "  --no-process    skip the whole-process start-up runs of the qel binary\n"
      "  --no-floors     skip the floors (to profile the windows alone)\n"
      "  --export        measure only qel --export against the sqlite3 shell's CSV\n"
      "  --schedule      measure only the schedule window against raw SQL\n"
      "  --find          measure only the quick find (with --postgres: on a server)\n"
      "  --keep-index    with --find: use the index the file or the server database has\n"
      "                  (made when it has none, or one of an earlier kind), without timing\n"
      "                  its build\n"
      "  --history       measure saves and deletes with the history against without it, the\n"
      "                  file's growth per save and the history window (with --postgres: on\n"
      "                  the server)\n"
      "  --postgres      measure browsing, saving and searching on a PostgreSQL server:\n"
      "                  a throwaway cluster on a Unix socket, or QEL_DATABASE when set\n"
      "  --agents N      the load run: N programs saving customers at once, on the file, or\n"
      "                  on a server with --postgres or QEL_DATABASE; ends 1 when a save\n"
      "                  was lost\n"
      "  --seconds S     how long the load run lasts (default 20)\n");
  std::exit(2);
}

}  // namespace

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    auto next = [&]() -> QString {
      if (i + 1 >= argc) Usage();
      return QString::fromLocal8Bit(argv[++i]);
    };
    bool ok = true;
    if (arg == QLatin1String("--customers")) {
      options.customers = next().toInt(&ok);
      ok = ok && options.customers > 0;
    } else if (arg == QLatin1String("--dir")) {
      options.dir = next();
    } else if (arg == QLatin1String("--seed")) {
      options.seed = next().toULongLong(&ok);
    } else if (arg == QLatin1String("--runs-scale")) {
      options.runsScale = next().toDouble(&ok);
      ok = ok && options.runsScale > 0;
    } else if (arg == QLatin1String("--no-process")) {
      options.process = false;
    } else if (arg == QLatin1String("--no-floors")) {
      options.floors = false;
    } else if (arg == QLatin1String("--million")) {
      options.customers = 1000000;
    } else if (arg == QLatin1String("--generate-only")) {
      options.generateOnly = true;
    } else if (arg == QLatin1String("--export")) {
      options.exportOnly = true;
    } else if (arg == QLatin1String("--schedule")) {
      options.schedule = true;
    } else if (arg == QLatin1String("--history")) {
      options.history = true;
    } else if (arg == QLatin1String("--agents")) {
      options.agents = next().toInt(&ok);
      ok = ok && options.agents > 0;
    } else if (arg == QLatin1String("--seconds")) {
      options.seconds = next().toInt(&ok);
      ok = ok && options.seconds > 0;
    } else if (arg == QLatin1String("--find")) {
      options.find = true;
    } else if (arg == QLatin1String("--keep-index")) {
      options.keepIndex = true;
    } else if (arg == QLatin1String("--postgres")) {
      options.postgres = true;
    } else {
      Usage();
    }
    if (!ok) Usage();
  }
  return options;
}

int Runs(const Options& options, int runs) {
  return ScaledRuns(options.runsScale, runs);
}
