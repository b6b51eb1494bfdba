#include "bench/loadrun.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>

#include "bench/harness.h"
#include "bench/pgserver.h"
#include "bench/serverrun.h"
#include "bench/stats.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "ui/customer/customerwriter.h"
#include "ui/customer/storedcustomer.h"

extern char** environ;

namespace {

// The lists in the customer window's order.
const QStringList kListTables = {QStringLiteral("family"), QStringLiteral("insurance"),
                                 QStringLiteral("compensate"), QStringLiteral("contact")};
// The customers every agent keeps coming back to (rows 1 to 20), and how often (1 in 10 picks).
constexpr int kHotCustomers = 20;
constexpr int kHotShare = 10;
// Each save writes its own mark into this field (and the lists), "LR<agent>.<sequence>": the
// mark read before a save names the version it started from.
const QString kMarkColumn = QStringLiteral("Cust_jobtitle");
const QString kMarkPrefix = QStringLiteral("LR");
// A client still running this long after the end of the run counts as hung.
constexpr qint64 kDeadlineNs = 30'000'000'000;

// One clock for every process of the run.
qint64 NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

QJsonValue CellJson(const Value& value) {
  return value ? QJsonValue(*value) : QJsonValue();
}

QJsonObject RowJson(const StoredRow& row) {
  QJsonArray cells;
  for (const Value& value : row.cells) cells << CellJson(value);
  return {{QStringLiteral("id"), row.id}, {QStringLiteral("cells"), cells}};
}

// A customer as stored, every row with its identity: what a save committed, and what the
// database holds at the end, compared as they are.
QJsonObject StoredJson(const StoredCustomer& stored) {
  QJsonArray lists;
  for (const QVector<StoredRow>& rows : stored.lists) {
    QJsonArray list;
    for (const StoredRow& row : rows) list << RowJson(row);
    lists << list;
  }
  return {{QStringLiteral("customer"),
           stored.customer ? QJsonValue(RowJson(*stored.customer)) : QJsonValue()},
          {QStringLiteral("key"), CellJson(stored.key)},
          {QStringLiteral("lists"), lists}};
}

// What the agent changes on the customer as shown: the marked field, and in each list the
// first row removed, the next one's first cell changed and a row added.
CustomerEdits Edit(Connection& connection, const StoredCustomer& shown, const QString& mark,
                   QString& base) {
  CustomerEdits edits;
  edits.key = *shown.key;
  const QStringList& columns = connection.Columns(QStringLiteral("customer"));
  for (int c = 0; c < columns.size(); ++c) {
    if (columns[c].compare(QLatin1String("CID"), Qt::CaseInsensitive) == 0) continue;
    QString text = shown.customer->cells.value(c).value_or(QString());
    if (columns[c].compare(kMarkColumn, Qt::CaseInsensitive) == 0) {
      if (text.startsWith(kMarkPrefix)) base = text;
      text = mark;
    }
    edits.fields << qMakePair(columns[c], text);
  }
  for (int i = 0; i < kListTables.size(); ++i) {
    QList<QStringList> entries;
    for (const StoredRow& row : shown.lists.value(i)) {
      QStringList cells;
      for (int c = 2; c < row.cells.size(); ++c) cells << row.cells[c].value_or(QString());
      entries << cells;
    }
    if (!entries.isEmpty()) entries.removeFirst();
    if (!entries.isEmpty() && !entries[0].isEmpty()) entries[0][0] = mark;
    QStringList added(DataColumns(kListTables[i]).size());
    added[0] = mark;
    entries << added;
    edits.lists << entries;
  }
  return edits;
}

// One attempt as a client's ledger tells it.
struct Attempt {
  int agent = 0;
  int row = 0;
  QString end;  // done, refused, deleted, error; empty: never ended
  QString mark, base, message;
  qint64 t0 = 0, t1 = 0;
  QJsonObject stored;
  double Ms() const { return double(t1 - t0) / 1e6; }
};

struct Tally {
  QList<Attempt> attempts;
  int readErrors = 0;
  QString firstReadError;
  int unfinished = 0;
};

// Reads one client's ledger into `tally`.
void ReadLedger(const QString& path, int agent, Tally& tally) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ++tally.unfinished;
    return;
  }
  QHash<int, Attempt> open;
  while (!file.atEnd()) {
    const QJsonObject line = QJsonDocument::fromJson(file.readLine()).object();
    const QString event = line.value(QStringLiteral("e")).toString();
    const int seq = line.value(QStringLiteral("seq")).toInt();
    if (event == QLatin1String("begin")) {
      Attempt& attempt = open[seq];
      attempt.agent = agent;
      attempt.row = line.value(QStringLiteral("row")).toInt();
    } else if (event == QLatin1String("read-error") || event == QLatin1String("open-error")) {
      if (!tally.readErrors++) tally.firstReadError = line.value(QStringLiteral("msg")).toString();
    } else if (open.contains(seq)) {
      Attempt attempt = open.take(seq);
      attempt.end = event;
      attempt.mark = line.value(QStringLiteral("mark")).toString();
      attempt.base = line.value(QStringLiteral("base")).toString();
      attempt.message = line.value(QStringLiteral("msg")).toString();
      attempt.t0 = line.value(QStringLiteral("t0")).toInteger();
      attempt.t1 = line.value(QStringLiteral("t1")).toInteger();
      attempt.stored = line.value(QStringLiteral("stored")).toObject();
      tally.attempts << attempt;
    }
  }
  tally.unfinished += int(open.size());
}

// What the check of the ledgers against the database found.
struct Verdict {
  int customers = 0;
  int lost = 0;          // saves overwritten unseen, or customers not as their last save
  int unjustified = 0;   // refusals that met no newer version
  int firstLostRow = 0;  // for the message
};

// The saves of each customer must form one chain: each started from the version the one before
// it committed (no two saves from one version: the second would have overwritten the first
// unseen), and the database holds exactly what the chain's last save committed.
Verdict CheckLedgers(Connection& connection, const QList<Attempt>& attempts) {
  QHash<int, QList<const Attempt*>> byRow;
  for (const Attempt& attempt : attempts)
    if (attempt.end == QLatin1String("done") || attempt.end == QLatin1String("refused"))
      byRow[attempt.row] << &attempt;
  Verdict verdict;
  for (auto it = byRow.cbegin(); it != byRow.cend(); ++it) {
    QHash<QString, int> successors;
    QSet<QString> marks;
    const Attempt* last = nullptr;
    for (const Attempt* attempt : it.value()) {
      if (attempt->end != QLatin1String("done")) continue;
      ++successors[attempt->base];
      marks << attempt->mark;
      if (!last || attempt->t1 > last->t1) last = attempt;
    }
    int lost = 0, origins = 0;
    for (auto base = successors.cbegin(); base != successors.cend(); ++base) {
      lost += base.value() - 1;
      if (!marks.contains(base.key())) ++origins;
    }
    // Only one version was there before the run.
    lost += std::max(0, origins - 1);
    for (const Attempt* attempt : it.value())
      if (attempt->end == QLatin1String("refused") && !successors.contains(attempt->base))
        ++verdict.unjustified;
    if (last) {
      ++verdict.customers;
      const StoredCustomer now = ReadStoredCustomer(connection, it.key(), kListTables);
      if (StoredJson(now) != last->stored) ++lost;
    }
    if (lost && !verdict.firstLostRow) verdict.firstLostRow = it.key();
    verdict.lost += lost;
  }
  return verdict;
}

pid_t StartClient(const QStringList& arguments) {
  QList<QByteArray> bytes;
  for (const QString& argument : arguments) bytes << argument.toLocal8Bit();
  std::vector<char*> argv;
  for (QByteArray& argument : bytes) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
    Fail(QStringLiteral("cannot start a client"));
  return pid;
}

}  // namespace

int RunLoadClient(int argc, char** argv) {
  if (argc != 8) return 2;
  QCoreApplication app(argc, argv);
  const int agent = std::atoi(argv[2]);
  const qint64 seconds = std::atoll(argv[3]);
  const int count = std::atoi(argv[4]);
  std::FILE* ledger = std::fopen(argv[5], "w");
  const QString file = QString::fromLocal8Bit(argv[6]);
  const qint64 start = std::atoll(argv[7]);
  if (!ledger || count < 1) return 2;
  auto note = [&](QJsonObject line) {
    std::fputs(QJsonDocument(line).toJson(QJsonDocument::Compact).constData(), ledger);
    std::fputc('\n', ledger);
    std::fflush(ledger);
  };

  Connection connection;
  Recordset customers;
  try {
    OpenDatabase(connection, file);
    customers.Open(QStringLiteral("customer"), connection);
  } catch (const DataError& error) {
    note({{QStringLiteral("e"), QStringLiteral("open-error")},
          {QStringLiteral("msg"), error.message()}});
    return 1;
  }
  std::mt19937_64 random(0x51454c + agent);
  std::uniform_int_distribution<int> share(1, kHotShare);
  std::uniform_int_distribution<int> hot(1, std::min(kHotCustomers, count));
  std::uniform_int_distribution<int> any(1, count);
  while (NowNs() < start) usleep(1000);
  const qint64 end = start + seconds * 1'000'000'000;
  for (int seq = 1; NowNs() < end; ++seq) {
    // Row numbers follow the generated order in the file and on the server: 1 to count.
    const int row = share(random) == 1 ? hot(random) : any(random);
    StoredCustomer shown;
    std::array<Recordset, 4> lists;
    CustomerEdits edits;
    const QString mark = QStringLiteral("%1%2.%3").arg(kMarkPrefix).arg(agent).arg(seq);
    QString base;
    try {
      // As the window shows it: the customer row, and each list opened on the key.
      if (!customers.MoveToBookmark(row))
        throw DataError(QStringLiteral("no customer in row %1").arg(row));
      shown = ReadStoredCustomer(connection, row, kListTables);
      if (!shown.customer || !shown.key)
        throw DataError(QStringLiteral("row %1 has no key").arg(row));
      for (int i = 0; i < kListTables.size(); ++i)
        lists[i].Open(QStringLiteral("select * from %1 where CID=").arg(kListTables[i]) +
                          SqlQuote(*shown.key),
                      connection);
      edits = Edit(connection, shown, mark, base);
    } catch (const DataError& error) {
      note({{QStringLiteral("e"), QStringLiteral("read-error")},
            {QStringLiteral("seq"), seq},
            {QStringLiteral("msg"), error.message()}});
      continue;
    }
    QList<ListTarget> targets;
    for (int i = 0; i < kListTables.size(); ++i) targets << ListTarget{kListTables[i], &lists[i]};
    note({{QStringLiteral("e"), QStringLiteral("begin")},
          {QStringLiteral("seq"), seq},
          {QStringLiteral("row"), row}});
    const qint64 t0 = NowNs();
    WriteOutcome outcome;
    try {
      outcome = CustomerWriter(connection, customers, targets).Save(shown, edits);
    } catch (const DataError& error) {
      outcome = {WriteOutcome::Result::Failed, error.message(), {}};
    }
    const qint64 t1 = NowNs();
    static const char* const kEnds[] = {"done", "refused", "deleted", "error"};
    QJsonObject line{{QStringLiteral("e"), QLatin1String(kEnds[int(outcome.result)])},
                     {QStringLiteral("seq"), seq},
                     {QStringLiteral("mark"), mark},
                     {QStringLiteral("base"), base},
                     {QStringLiteral("msg"), outcome.message},
                     {QStringLiteral("t0"), t0},
                     {QStringLiteral("t1"), t1}};
    if (outcome.result == WriteOutcome::Result::Done)
      line.insert(QStringLiteral("stored"), StoredJson(outcome.stored));
    note(line);
  }
  std::fclose(ledger);
  return 0;
}

int RunLoadBench(const Options& options, const QString& file, int& argc, char** argv) {
  const bool server = options.postgres || !qEnvironmentVariableIsEmpty("QEL_DATABASE");
  QString where = QStringLiteral("the file %1").arg(file);
  const QString conninfo = server ? ServerDatabase(where) : QString();
  QCoreApplication app(argc, argv);
  const FileCounts counts = CountFile(file);
  try {
    if (server) {
      Connection tables;
      OpenDatabase(tables, file);
      PgLink link(conninfo);
      LoadServer(link, file, conninfo, counts, where);
    }
  } catch (const DataError& error) {
    Fail(error.message());
  } catch (const std::exception& error) {
    Fail(QString::fromUtf8(error.what()));
  }

  const QString ledgers =
      QFileInfo(file).dir().filePath(QStringLiteral("load-ledgers-%1").arg(getpid()));
  Check(QDir().mkpath(ledgers), QStringLiteral("the ledgers' folder is made"));
  const QString loadBefore = LoadAverage();
  // Every client connects first; they all begin at once.
  const qint64 start = NowNs() + 1'000'000'000 + qint64(options.agents) * 150'000'000;
  QHash<pid_t, int> clients;
  for (int agent = 1; agent <= options.agents; ++agent) {
    clients[StartClient({QStringLiteral("qel_bench"), QStringLiteral("--load-client"),
                         QString::number(agent), QString::number(options.seconds),
                         QString::number(counts.customers),
                         QDir(ledgers).filePath(QStringLiteral("agent-%1").arg(agent)), file,
                         QString::number(start)})] = agent;
  }
  std::printf("Load run: %d agents for %d s on %s, %d customers (load average %s)\n",
              options.agents, options.seconds, qPrintable(where), counts.customers,
              qPrintable(loadBefore));
  std::fflush(stdout);
  // Each client ends by itself soon after the end of the run; one that does not is hung.
  const qint64 deadline = start + qint64(options.seconds) * 1'000'000'000 + kDeadlineNs;
  int hung = 0, failedClients = 0;
  while (!clients.isEmpty()) {
    int status = 0;
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid > 0) {
      if (clients.remove(pid) && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) ++failedClients;
      continue;
    }
    if (NowNs() < deadline) {
      usleep(20000);
      continue;
    }
    for (auto it = clients.cbegin(); it != clients.cend(); ++it) {
      kill(it.key(), SIGKILL);
      waitpid(it.key(), nullptr, 0);
      ++hung;
    }
    clients.clear();
  }
  const QString loadAfter = LoadAverage();

  Tally tally;
  for (int agent = 1; agent <= options.agents; ++agent)
    ReadLedger(QDir(ledgers).filePath(QStringLiteral("agent-%1").arg(agent)), agent, tally);
  Verdict verdict;
  try {
    Connection connection;
    OpenDatabase(connection, file);
    verdict = CheckLedgers(connection, tally.attempts);
  } catch (const DataError& error) {
    Fail(error.message());
  }
  StopCluster();

  // The writers hold one lock in turn, so a save that began before the previous one ended
  // (in the order they ended) waited for it at least that long.
  QList<const Attempt*> locked;
  Samples saveMs, waitMs;
  int done = 0, refused = 0, busy = 0, otherErrors = 0, silent = 0;
  QString firstError;
  for (const Attempt& attempt : tally.attempts) {
    saveMs.Add(attempt.Ms());
    if (attempt.end == QLatin1String("done")) ++done;
    if (attempt.end == QLatin1String("refused")) ++refused;
    if (attempt.end == QLatin1String("done") || attempt.end == QLatin1String("refused")) {
      locked << &attempt;
      continue;
    }
    if (attempt.message.isEmpty()) ++silent;
    if (firstError.isEmpty()) firstError = attempt.message;
    if (attempt.message.contains(QLatin1String("in use by another program")) ||
        attempt.message.contains(QLatin1String("lock"), Qt::CaseInsensitive))
      ++busy;
    else
      ++otherErrors;
  }
  std::sort(locked.begin(), locked.end(),
            [](const Attempt* a, const Attempt* b) { return a->t1 < b->t1; });
  for (int i = 0; i < locked.size(); ++i) {
    const qint64 before = i ? locked[i - 1]->t1 : locked[i]->t0;
    waitMs.Add(
        double(std::clamp(before - locked[i]->t0, qint64(0), locked[i]->t1 - locked[i]->t0)) / 1e6);
  }

  std::printf("Load average at the end: %s\n", qPrintable(loadAfter));
  std::printf(
      "attempts: %d, saved: %d (%.1f per second), refused as changed elsewhere: %d "
      "(without a newer version: %d)\n",
      int(tally.attempts.size()), done, double(done) / options.seconds, refused,
      verdict.unjustified);
  std::printf(
      "errors: %d refused as busy, %d other, %d without a message; read errors: %d; "
      "unfinished saves: %d; hung clients: %d; failed clients: %d\n",
      busy, otherErrors, silent, tally.readErrors, tally.unfinished, hung, failedClients);
  if (!firstError.isEmpty()) std::printf("first error: %s\n", qPrintable(firstError));
  if (tally.readErrors) std::printf("first read error: %s\n", qPrintable(tally.firstReadError));
  std::printf("save ms: p50 %.2f, p99 %.2f; lock wait ms: p50 %.2f, p99 %.2f\n", saveMs.Median(),
              saveMs.P99(), waitMs.Median(), waitMs.P99());
  std::printf("| %d | %s | %.1f | %.2f | %.2f | %.2f | %.2f | %d | %d | %d | %d |\n",
              options.agents, server ? "server" : "file", double(done) / options.seconds,
              saveMs.Median(), saveMs.P99(), waitMs.Median(), waitMs.P99(), refused, busy,
              otherErrors, verdict.lost);
  std::printf("customers saved: %d\nlost: %d\n", verdict.customers, verdict.lost);
  if (verdict.lost) std::printf("first customer lost: row %d\n", verdict.firstLostRow);
  const bool clean = !verdict.lost && !verdict.unjustified && !silent && !tally.unfinished &&
                     !hung && !failedClients && done > 0;
  // The ledgers of a run that went wrong stay, to be read.
  if (clean)
    QDir(ledgers).removeRecursively();
  else
    std::printf("ledgers kept in %s\n", qPrintable(ledgers));
  return clean ? 0 : 1;
}
