// The import's summary as text, and the command-line job that shows its progress and summary.
#include <unistd.h>
#include <QCoreApplication>

#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

#include "data/server.h"
#include "transfer/import.h"

namespace {

const QString kCustomer = QStringLiteral("customer");

}  // namespace

qint64 ImportSummary::Imported(const QString& table) const {
  for (const TableCount& count : imported)
    if (count.table == table) return count.imported;
  return 0;
}

qint64 ImportSummary::ListRows() const {
  qint64 rows = 0;
  for (const TableCount& count : imported)
    if (count.table != kCustomer) rows += count.imported;
  return rows;
}

QString ImportSummary::Text() const {
  QStringList lines;
  lines << QCoreApplication::translate("Transfer", "%1 customers and %2 list rows imported.")
               .arg(Imported(kCustomer))
               .arg(ListRows());
  QStringList tables;
  for (const TableCount& count : imported)
    tables << QStringLiteral("%1 %2").arg(count.table).arg(count.imported);
  lines << QCoreApplication::translate("Transfer", "Rows per table: %1.")
               .arg(tables.join(QStringLiteral(", ")));
  if (alreadyPresent > 0 || listRowsPresent > 0)
    lines << QCoreApplication::translate(
                 "Transfer", "Already present, not imported again: %1 customers, %2 list rows.")
                 .arg(alreadyPresent)
                 .arg(listRowsPresent);
  if (!renamed.isEmpty()) {
    lines << QCoreApplication::translate("Transfer",
                                         "Under a new key, theirs being taken: %1 customers.")
                 .arg(renamed.size());
    for (const auto& [from, to] : renamed)
      lines << QCoreApplication::translate("Transfer", "  \"%1\" is now \"%2\"").arg(from, to);
  }
  if (orphans > 0)
    lines << QCoreApplication::translate(
                 "Transfer", "List rows that name no customer, imported as they are: %1.")
                 .arg(orphans);
  if (!ignoredColumns.isEmpty())
    lines << QCoreApplication::translate("Transfer", "Columns not known, ignored: %1.")
                 .arg(ignoredColumns.join(QStringLiteral(", ")));
  if (!missingTables.isEmpty())
    lines << QCoreApplication::translate("Transfer", "Tables not in the source: %1.")
                 .arg(missingTables.join(QStringLiteral(", ")));
  return lines.join(QLatin1Char('\n'));
}

int ImportCommand(const QString& databaseFile, const QString& source, std::optional<int> codepage) {
  QTextStream err(stderr);
  const bool terminal = ::isatty(STDERR_FILENO);
  ImportOptions options;
  if (codepage) {
    options.codepage = *codepage;
    options.csvCodepage = *codepage;
  }
  options.progress = [&](const QString& table, qint64 done, qint64 total) {
    // On a terminal one line per table counts up; in a log only the finished tables appear.
    const bool finished = done == total;
    if (!terminal && !finished) return;
    err << QStringLiteral("%1%2: %3 / %4 rows")
               .arg(terminal ? QStringLiteral("\r") : QString(), table)
               .arg(done)
               .arg(total);
    if (finished) err << '\n';
    err.flush();
  };
  const bool server = !ServerUri().isEmpty();
  const bool existed = server || QFileInfo::exists(databaseFile);
  try {
    const ImportSummary summary = ImportInto(databaseFile, source, options);
    err << summary.Text() << Qt::endl;
    return 0;
  } catch (const DataError& error) {
    if (terminal) err << '\n';
    const QString name = server ? QCoreApplication::translate("Transfer", "the shared database")
                                : QFileInfo(databaseFile).fileName();
    err << QCoreApplication::translate("Transfer", "Import failed, %1: %2")
               .arg(existed ? name + QCoreApplication::translate("Transfer", " is unchanged")
                            : QCoreApplication::translate("Transfer", "no %1 was made").arg(name),
                    error.message())
        << Qt::endl;
    return 1;
  }
}
